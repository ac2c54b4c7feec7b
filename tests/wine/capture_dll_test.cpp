// Text capture as the simulator sees it: the real orvale.dll loaded into the
// simulated host of each edition, the host calling its text-output slot.
#include <gtest/gtest.h>
#include <string>
#include "host/sim_host.h"
#include "support/display_lookup.h"

namespace {

enum Edition { FS98, FS2000, FS2002 };

// The module running in the simulated host of one edition, from load to unload.
class Capture : public ::testing::Test {
protected:
    void Start(Edition edition, bool offer_host_data = true)
    {
        SimCreateTables();
        static const char* classes[] = {"FS98MAIN", "FS2000MAIN", "FS2002MAIN"};
        static const char* titles[] = {"Flight Simulator 98", "Flight Simulator 2000",
                                       "Microsoft Flight Simulator 2002"};
        ASSERT_TRUE(SimCreateMainWindow(classes[edition], titles[edition], 0, 0, 800, 600));
        std::vector<uint32_t> offered(SimTableIds, SimTableIds + SimTableCount);
        if (!offer_host_data)
            offered.erase(std::find(offered.begin(), offered.end(), SimTableHostData));
        ASSERT_TRUE(SimLoadModule(SimFreshCopy("orvale.dll").c_str(), offered));
        ASSERT_TRUE(SimStartModule());
        auto host_routine = reinterpret_cast<uintptr_t>(SimHostTextOutput(SimTableTextOutput));
        ASSERT_TRUE(SimPumpUntil([&] { return *SimSlot(SimTableTextOutput, SimTextOutputOffset) != host_routine; }, 3000))
            << "the module hooks the text output once it has found the main window";
        display = FindUndockedDisplay(SimMainWindow());
        ASSERT_TRUE(display);
        SimClearCalls();
    }
    void TearDown() override
    {
        SimStopModule();
        SimUnloadModule();
        EXPECT_EQ(0, SimStaleAtUnload()) << "the module puts back every hook it made";
        SimDestroyMainWindow();
    }

    static int32_t Send(const char* text, int32_t type, int32_t time = 100, int32_t append = 0)
    {
        return SimCallTextOutput(text, type, time, append);
    }
    static std::string Lead(const std::string& text) { return std::string(16, ' ') + text; }

    HWND display = nullptr;
};

TEST_F(Capture, CapturedTypesReachTheHostAsEmptyTextOnFs2000)
{
    Start(FS2000);
    SimSetTextOutputResult(42);
    for (int32_t type : {3, 4, 5, 6}) {
        SimClearCalls();
        EXPECT_EQ(42, Send("captured", type, 10, 0)) << "the host's result is passed back";
        ASSERT_EQ(1u, SimTextCalls().size()) << type;
        const SimTextCall& call = SimTextCalls()[0];
        EXPECT_EQ("", call.text);
        EXPECT_FALSE(call.text_null);
        EXPECT_EQ(type, call.type);
        EXPECT_EQ(10, call.time) << "the host gets the unchanged time";
        EXPECT_EQ(type == 3 || type == 6 ? Lead("captured") : "captured", SimMirroredText()) << type;
    }
    EXPECT_TRUE(IsWindowVisible(display));
}

TEST_F(Capture, UncapturedTypesAndAtisWhenOffPassUnchanged)
{
    Start(FS2000);
    Send("kept", 5, 100);
    for (int32_t type : {0, 1, 2, 7, 99}) {
        SimClearCalls();
        Send("other", type, 7, 1);
        ASSERT_EQ(1u, SimTextCalls().size());
        EXPECT_EQ("other", SimTextCalls()[0].text);
        EXPECT_EQ(1, SimTextCalls()[0].append);
    }
    SendMessageA(display, WM_COMMAND, 40012, 0);  // "ATIS messages" off
    SimClearCalls();
    Send("ATIS to the host", 3, 7);
    ASSERT_EQ(1u, SimTextCalls().size());
    EXPECT_EQ("ATIS to the host", SimTextCalls()[0].text);
    EXPECT_EQ("kept", SimMirroredText()) << "the buffer is left alone";
}

TEST_F(Capture, SwitchedOffDisplayPassesEverything)
{
    Start(FS2000);
    SendMessageA(display, WM_COMMAND, 40003, 0);  // Close
    EXPECT_FALSE(IsWindowVisible(display));
    for (int32_t type : {3, 4, 5, 6}) {
        SimClearCalls();
        Send("to the simulator", type, 9, 0);
        ASSERT_EQ(1u, SimTextCalls().size());
        EXPECT_EQ("to the simulator", SimTextCalls()[0].text);
    }
    EXPECT_EQ("", SimMirroredText());
}

TEST_F(Capture, Fs98HostIsNotCalledForCapturedMessages)
{
    Start(FS98);
    SimSetTextOutputResult(42);
    EXPECT_EQ(0, Send("captured", 5));
    EXPECT_TRUE(SimTextCalls().empty());
    EXPECT_EQ("captured", SimMirroredText());
    Send("passed", 2);
    ASSERT_EQ(1u, SimTextCalls().size());
    EXPECT_EQ("passed", SimTextCalls()[0].text);
}

TEST_F(Capture, Fs2002AtisReplacesHalvesAndScrollsEverySecondTick)
{
    Start(FS2002);
    Send("first", 5, 100);
    SimClearCalls();
    Send("ATIS", 3, 400, 1);
    ASSERT_EQ(1u, SimTextCalls().size());
    EXPECT_EQ(0, SimTextCalls()[0].append) << "the host gets append 0";
    EXPECT_EQ(400, SimTextCalls()[0].time);
    EXPECT_EQ(Lead("ATIS"), SimMirroredText()) << "replaced, with the scrolling lead";

    // Five eligible ticks of delay, then one character every 2nd tick.
    SimRunTicks(1);  // the count is now odd: the next eligible tick is the 2nd
    int ticks = 1, first_step = 0;
    while (SimMirroredText() == Lead("ATIS") && ticks < 100) {
        SimRunTicks(1);
        ++ticks;
    }
    first_step = ticks;
    EXPECT_EQ(std::string(15, ' ') + "ATIS", SimMirroredText());
    SimRunTicks(2);
    EXPECT_EQ(std::string(14, ' ') + "ATIS", SimMirroredText());
    EXPECT_GE(first_step, 10);
    EXPECT_LE(first_step, 12);

    // With the host's scroll option off, ATIS is static for half its time.
    SimSetScrollOption(0);
    Send("STATIC ATIS", 3, 21, 0);
    EXPECT_EQ("STATIC ATIS", SimMirroredText());
    SimRunTicks(9);
    EXPECT_EQ("STATIC ATIS", SimMirroredText());
    SimRunTicks(1);
    EXPECT_EQ("", SimMirroredText()) << "21 halved is 10 ticks";
}

TEST_F(Capture, HostScrollOptionIsReadAtTheEditionsOffset)
{
    Start(FS98);
    SimTable(SimTableHostData)[SimScrollOptionLater] = 0;  // not FS98's byte
    Send("scrolls", 6, 0);
    EXPECT_EQ(Lead("scrolls"), SimMirroredText());
    SimTable(SimTableHostData)[SimScrollOptionFS98] = 0;
    Send("static", 6, 0);
    EXPECT_EQ("static", SimMirroredText());
}

TEST_F(Capture, WithoutTheHostDataTableMessagesScroll)
{
    Start(FS2000, false);
    Send("scrolls", 6, 0);
    EXPECT_EQ(Lead("scrolls"), SimMirroredText());
}

TEST_F(Capture, BufferHoldsAtMost2047Characters)
{
    Start(FS2002);
    SimSetScrollOption(1);
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += static_cast<char>('a' + i % 26);
    Send(text.c_str(), 6, 0);
    EXPECT_EQ(Lead(text.substr(0, 111)), SimMirroredText()) << "the mirror holds 127 bytes";

    // Scroll it all away, one character a step: the steps count the buffer.
    std::string last = SimMirroredText();
    int steps = 0;
    std::string tail;
    for (int tick = 0; tick < 10000 && !last.empty(); ++tick) {
        SimRunTicks(1);
        std::string now = SimMirroredText();
        if (now != last) {
            ++steps;
            if (now.size() < 127 && tail.empty())
                tail = now;
        }
        last = now;
    }
    EXPECT_EQ(2047, steps) << "16 spaces and 2031 characters of the message";
    EXPECT_EQ(text.substr(2031 - 126, 126), tail) << "the buffer ends with message character 2031";
}

TEST_F(Capture, ShowMessageForOtherModules)
{
    Start(FS2000);
    bool called = false;
    SimCallShowMessage("static for 100", 100, &called);
    ASSERT_TRUE(called);
    ASSERT_EQ(1u, SimTextCalls().size());
    EXPECT_EQ(5, SimTextCalls()[0].type);
    EXPECT_EQ("static for 100", SimMirroredText());
    SimRunTicks(99);
    EXPECT_EQ("static for 100", SimMirroredText());
    SimRunTicks(1);
    EXPECT_EQ("", SimMirroredText());

    SimClearCalls();
    SimCallShowMessage("scrolling forever", -1);
    ASSERT_EQ(1u, SimTextCalls().size());
    EXPECT_EQ(6, SimTextCalls()[0].type);
    EXPECT_EQ(0, SimTextCalls()[0].time) << "-1 means no expiry";
    EXPECT_EQ(Lead("scrolling forever"), SimMirroredText());
}

TEST_F(Capture, NullTextIsPassedOnAsNull)
{
    Start(FS2000);
    Send("something", 5);
    SimClearCalls();
    SimCallTextOutput(nullptr, 5, 10, 0);
    ASSERT_EQ(1u, SimTextCalls().size());
    EXPECT_TRUE(SimTextCalls()[0].text_null);
    EXPECT_EQ("", SimMirroredText());
    SimCallTextOutput(nullptr, 6, 10, 0);
    EXPECT_EQ(Lead(""), SimMirroredText());
}

}  // namespace

namespace {

// Whether the display asked for a repaint since the last look; forgets it.
bool Invalidated(HWND window)
{
    bool pending = GetUpdateRect(window, nullptr, FALSE) != 0;
    ValidateRect(window, nullptr);
    return pending;
}

TEST_F(Capture, TickRepaintsEveryTwentiethTickWhenIdle)
{
    Start(FS2000);
    SimSetTickInterval(0);
    SimPump(50);
    Invalidated(display);
    std::vector<int> repaints;
    for (int tick = 1; tick <= 60; ++tick) {
        SimRunTicks(1);
        if (Invalidated(display))
            repaints.push_back(tick);
    }
    ASSERT_EQ(3u, repaints.size());
    EXPECT_EQ(20, repaints[1] - repaints[0]);
    EXPECT_EQ(20, repaints[2] - repaints[1]);
}

TEST_F(Capture, TickScrollsWithMaskThreeAfterFiveEligibleTicks)
{
    Start(FS2000);
    SimSetTickInterval(0);
    // Bring the tick count to a known place: a repaint with nothing else to
    // do marks the 20th tick, after which the count is 0.
    SimPump(50);
    Invalidated(display);
    for (int tick = 0; tick < 20 && !Invalidated(display); ++tick)
        SimRunTicks(1);
    Send("0123456789", 6, 0);
    std::vector<int> steps;
    std::string last = SimMirroredText();
    for (int tick = 1; tick <= 200 && !last.empty(); ++tick) {
        SimRunTicks(1);
        bool repainted = Invalidated(display);
        if (SimMirroredText() != last) {
            EXPECT_TRUE(repainted) << "every step repaints";
            steps.push_back(tick);
            last = SimMirroredText();
        }
    }
    ASSERT_EQ(26u, steps.size()) << "16 spaces and 10 characters";
    EXPECT_EQ(24, steps[0]) << "ticks 4 to 20 are the delay";
    for (size_t i = 1; i < steps.size(); ++i)
        EXPECT_EQ(4, steps[i] - steps[i - 1]);
}

TEST_F(Capture, TickExpiresStaticAndAppendedTimes)
{
    Start(FS2000);
    SimSetTickInterval(0);
    Send("one", 5, 1);
    SimRunTicks(1);
    EXPECT_EQ("", SimMirroredText()) << "time 1 clears on the next tick";

    Send("fifty", 5, 50);
    Send(" and fifty", 5, 50, 1);
    EXPECT_EQ("fifty and fifty", SimMirroredText());
    SimRunTicks(99);
    EXPECT_EQ("fifty and fifty", SimMirroredText());
    SimRunTicks(1);
    EXPECT_EQ("", SimMirroredText());
}

}  // namespace

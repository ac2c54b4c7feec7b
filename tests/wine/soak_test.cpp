// The module under a long flight: a stream of random messages with ticks
// between them, and thousands of rounds of the pilot's commands, checked for
// bounds and for what the process holds afterwards.
//
// The 100,000 messages always run in full (well under a second). The rounds
// of commands are scaled by ORVALE_SOAK_SCALE (default 0.1): the test command
// runs 1,000 of them, `ORVALE_SOAK_SCALE=1` the full 10,000.
#include <gtest/gtest.h>
#include <windows.h>
#include <commdlg.h>
#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include "host/sim_host.h"
#include "support/import_redirect.h"
#include "support/module_fixture.h"
#include "support/process_counters.h"
#include "display/message_buffer.h"
#include "display/tick_step.h"
#include "core/display_state.h"
#include "core/host_interface.h"
#include "core/module_timer.h"
#include "display/display_window.h"
#include "docking/attachment.h"
#include "docking/placement.h"
#include "hostmenu/host_menu.h"
#include "module/host_entries.h"
#include "module/startup.h"
#include "resources/resource.h"

namespace {

double SoakScale()
{
    const char* text = getenv("ORVALE_SOAK_SCALE");
    double scale = text ? atof(text) : 0.1;
    return scale > 0 ? scale : 0.1;
}

int Scaled(int full)
{
    int n = static_cast<int>(full * SoakScale());
    return n < 1 ? 1 : n;
}

// ---- The pilot's choices in the dialogs, answered at once ----
// Ten thousand real dialogs would take hours; these stand-ins answer the
// module the way the dialogs do when the pilot presses OK.

COLORREF next_colour = RGB(10, 20, 30);
int next_font = 0;

BOOL WINAPI AnswerColour(CHOOSECOLORA* record)
{
    record->rgbResult = next_colour;
    return TRUE;
}

BOOL WINAPI AnswerFont(CHOOSEFONTA* record)
{
    static const char* faces[] = {"DejaVu Sans", "Liberation Mono", "Tahoma"};
    LOGFONTA chosen = {};
    chosen.lfHeight = -(10 + next_font % 9);
    chosen.lfWeight = next_font % 2 ? FW_BOLD : FW_NORMAL;
    lstrcpynA(chosen.lfFaceName, faces[next_font % 3], LF_FACESIZE);
    *record->lpLogFont = chosen;
    return TRUE;
}

decltype(&ChooseColorA) real_choose_colour;
decltype(&ChooseFontA) real_choose_font;

class Soak : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(Redirect("comdlg32.dll", "ChooseColorA", &AnswerColour, &real_choose_colour));
        ASSERT_TRUE(Redirect("comdlg32.dll", "ChooseFontA", &AnswerFont, &real_choose_font));
    }
    void SetUp() override
    {
        ResetModule();
        SimCreateTables();
        SimSetTickInterval(0);
        SimFillImportTable(ImportTable);
        host = SimCreateMainWindow("FS2000MAIN", "Flight Simulator 2000", 0, 0, 1000, 700);
        ASSERT_TRUE(host);
        ASSERT_TRUE(StandUpDisplay(host));
        PlaceDisplay(FormFloating, FromStoredPlace);
        // The text output hooked as start-up hooks it.
        uintptr_t* slot = SimSlot(SimTableTextOutput, SimTextOutputOffset);
        state.prev_text_output = reinterpret_cast<TextOutputRoutine>(*slot);
        *slot = reinterpret_cast<uintptr_t>(&TextOutputHook);
    }
    void TearDown() override
    {
        DetachPanel();
        ResetModule();
        SimDestroyMainWindow();
        PumpMessages();
    }
    HWND host = nullptr;
};

// ---- Random messages ----

TEST_F(Soak, RandomMessagesNeverOverrunTheBufferOrTheMirror)
{
    const int messages = 100000;
    RecordProperty("messages", messages);
    std::mt19937 random(20261208);
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };

    // Text of every length 0..3000 cut from one pool of printable characters.
    std::string pool(3001, ' ');
    for (char& c : pool)
        c = static_cast<char>(pick(32, 126));
    unsigned char* mirror = SimMirrorBlock();
    mirror[MirrorCapacity] = 0xA5;  // the 128th byte belongs to the other module
    const int32_t times[] = {0, 1, 2, 50, -1, -50, INT32_MAX, INT32_MIN, 1000};

    int host_calls_expected = 0;
    size_t longest = 0;
    for (int i = 0; i < messages; ++i) {
        if (i % 1000 == 0) {
            state.host_version = pick(0, 2);
            state.also_atis = pick(0, 1);
            SimSetScrollOption(static_cast<uint8_t>(pick(0, 3) ? 1 : 0));
            SimClearCalls();
            host_calls_expected = 0;
        }
        const int length = pick(0, 7) == 0 ? 3000 : pick(0, 3000);
        const size_t start = static_cast<size_t>(pick(0, 3000 - length));
        std::string text = pool.substr(start, static_cast<size_t>(length));
        const bool null_text = pick(0, 30) == 0;
        const int32_t type = pick(0, 4) == 0 ? pick(-2, 9) : pick(3, 6);
        const int32_t time = pick(0, 3) == 0 ? times[pick(0, 8)] : pick(0, 300);
        const int32_t append = pick(0, 2) == 0 ? pick(1, 3) : 0;

        SimCallTextOutput(null_text ? nullptr : text.c_str(), type, time, append);
        const bool captured = IsCapturedType(type, state.also_atis);
        if (!captured || state.host_version != 0)
            ++host_calls_expected;
        for (int t = pick(0, 6); t > 0; --t)
            DisplayTick(0, 0);

        ASSERT_GE(state.text_length, 0) << "message " << i;
        ASSERT_LE(state.text_length, TextCapacity) << "message " << i;
        ASSERT_EQ(strlen(state.text_buffer), static_cast<size_t>(state.text_length)) << "message " << i;
        ASSERT_EQ(mirror[MirrorCapacity], 0xA5) << "message " << i;
        const size_t mirrored = strnlen(reinterpret_cast<const char*>(mirror), MirrorCapacity);
        ASSERT_EQ(mirrored, std::min<size_t>(static_cast<size_t>(state.text_length), MirrorCapacity));
        ASSERT_EQ(0, memcmp(mirror, state.text_buffer, mirrored)) << "message " << i;
        for (size_t b = mirrored; b < MirrorCapacity; ++b)
            ASSERT_EQ(mirror[b], 0) << "message " << i << ", byte " << b;
        ASSERT_GE(state.scroll_delay, 0);
        ASSERT_LE(state.scroll_delay, ScrollStartDelay);
        ASSERT_EQ(SimTextCalls().size(), static_cast<size_t>(host_calls_expected)) << "message " << i;
        longest = std::max(longest, static_cast<size_t>(state.text_length));
        if (i % 5000 == 0)
            PumpMessages();  // the repaints the messages asked for
    }
    EXPECT_EQ(longest, static_cast<size_t>(TextCapacity)) << "the stream did fill the buffer";
    EXPECT_TRUE(IsWindow(state.undocked_window));
}

// ---- Rounds of the pilot's commands ----

struct Holdings {
    size_t gdi, user, heap, committed, reported;
};

// The walk sees a heap grow by what small blocks take (a leak is many small
// blocks, not one large one). A heap of its own: the process heap starts
// with room already committed, and in a 32-bit process (smaller blocks)
// these 2000 grew it by only 128 KB under Wine.
bool FollowsSmallAllocations()
{
    HANDLE heap = HeapCreate(0, 0, 0);
    if (!heap)
        return false;
    const size_t before = CommittedPrivateBytes();
    void* blocks[2000];
    for (void*& block : blocks)
        block = HeapAlloc(heap, 0, 100);
    const size_t during = CommittedPrivateBytes();
    HeapDestroy(heap);
    return during >= before + 150 * 1024;
}

class SoakRounds : public Soak {
protected:
    void SetUp() override
    {
        Soak::SetUp();
        // A panel under the default undocked place, where docking finds it.
        panel = SimCreatePanel(0, 0, 1000, 400, 0x20A9);
        ASSERT_TRUE(panel);
        // The menu's one-shot: the main window subclassed, the item in place.
        SetModuleTimer(60000, MenuTimerProc);
        MenuTimerProc(nullptr, 0, state.timer_id, 0);
        ASSERT_TRUE(state.host_menu);
    }
    void TearDown() override
    {
        // The subclass goes before the main window does.
        if (state.prev_host_wndproc && IsWindow(host))
            SetWindowLongPtrA(host, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(state.prev_host_wndproc));
        Soak::TearDown();
    }

    void Command(HWND window, UINT id) { SendMessageA(window, WM_COMMAND, id, 0); }

    // Dock, undock, colours, font, Close and the "&Orvale" item, once; the
    // edition alternates, so both ways of attaching take turns.
    void Round(int i)
    {
        state.host_version = i % 2 ? 2 : 1;
        state.attach_by_subclass = i % 2;
        next_colour = RGB(i % 256, (i * 7) % 256, (i * 13) % 256);
        next_font = i;

        Command(state.undocked_window, IDM_DOCK);
        ASSERT_TRUE(state.docked && state.attached) << "round " << i;
        ASSERT_TRUE(IsWindowVisible(state.docked_window)) << "round " << i;
        Command(state.docked_window, IDM_TEXTCOLOUR);
        Command(state.docked_window, IDM_FONT);
        Command(state.docked_window, IDM_UNDOCK);
        ASSERT_FALSE(state.docked);
        ASSERT_TRUE(IsWindowVisible(state.undocked_window));
        Command(state.undocked_window, IDM_BACKCOLOUR);
        Command(state.undocked_window, IDM_FONT);
        Command(state.undocked_window, IDM_CLOSE);
        ASSERT_FALSE(IsWindowVisible(state.undocked_window));
        ASSERT_EQ(state.docked_window, nullptr);
        SendMessageA(host, WM_COMMAND, OrvaleItemId, 0);  // switched on from "&Modules"
        ASSERT_TRUE(state.display_enabled);
        ASSERT_TRUE(IsWindowVisible(state.undocked_window));
        SimClearCalls();  // the host's own records keep their room, and grow no more
        if (i % 50 == 0)
            PumpMessages();
    }

    Holdings Now(size_t (*gdi)())
    {
        PumpMessages();
        return {gdi(), UserObjectCount(), HeapBytesInUse(), CommittedPrivateBytes(), ReportedPrivateUsage()};
    }

    HWND panel = nullptr;
};

TEST_F(SoakRounds, ThousandsOfRoundsLeaveNoObjectOrMemoryBehind)
{
    size_t (*gdi)() = FaithfulGdiCount();
    ASSERT_TRUE(gdi) << "no faithful count of GDI objects";
    ASSERT_TRUE(FollowsTenMenusAndWindows()) << "no faithful count of USER objects";
    ASSERT_TRUE(FollowsSmallAllocations()) << "no faithful count of private memory";
    ASSERT_TRUE(FollowsHeapBlocks()) << "no faithful count of heap bytes";
    const int rounds = Scaled(10000);

    for (int i = 0; i < 20; ++i)  // first-use objects of fonts, DCs and menus
        Round(i);
    const Holdings before = Now(gdi);
    for (int i = 0; i < rounds; ++i) {
        Round(i);
        if (HasFatalFailure())
            return;
    }
    const Holdings after = Now(gdi);

    RecordProperty("rounds", rounds);
    RecordProperty("gdi_counter", gdi == GdiCountFromTable ? "handle table" : "GetGuiResources");
    RecordProperty("gdi", std::to_string(before.gdi) + " -> " + std::to_string(after.gdi));
    RecordProperty("user", std::to_string(before.user) + " -> " + std::to_string(after.user));
    RecordProperty("heap", std::to_string(before.heap) + " -> " + std::to_string(after.heap));
    RecordProperty("committed", std::to_string(before.committed) + " -> " + std::to_string(after.committed));
    RecordProperty("private_usage", std::to_string(before.reported) + " -> " + std::to_string(after.reported));
    printf("rounds %d: GDI %zu -> %zu, USER %zu -> %zu, heap in use %zu -> %zu, committed private %zu -> %zu, "
           "PrivateUsage %zu -> %zu\n",
           rounds, before.gdi, after.gdi, before.user, after.user, before.heap, after.heap, before.committed,
           after.committed, before.reported, after.reported);

    EXPECT_EQ(before.gdi, after.gdi);
    EXPECT_EQ(before.user, after.user);
    // Both bounds grow with the rounds, so that a leak of a few bytes a round
    // fails however many rounds run. The heap's blocks are counted to the
    // byte; its pages move by whole growth steps, so committed memory gets
    // one step of room besides.
    const size_t per_round = 8, growth_step = 64 * 1024;
    EXPECT_LE(after.heap, before.heap + rounds * per_round) << "heap bytes kept by the rounds";
    EXPECT_LE(after.committed, before.committed + growth_step + rounds * per_round) << "memory kept by the rounds";
}

}  // namespace

// The message buffer on plain values: capture, bounds, the scrolling lead,
// display time and the mirror copy.
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include "display/message_buffer.h"
#include "display/message_history.h"
#include "display/tick_step.h"

namespace {

DisplayValues Fresh(int32_t host_version = 1)
{
    DisplayValues s;
    s.host_version = host_version;
    return s;
}

std::string Buffer(const DisplayValues& s) { return std::string(s.text_buffer, s.text_length); }

const std::string Lead(ScrollLead, ' ');

TEST(CapturedTypes, AtisOnlyWithAlsoAtisAndFourToSixAlways)
{
    EXPECT_TRUE(IsCapturedType(3, 1));
    EXPECT_FALSE(IsCapturedType(3, 0));
    for (int32_t type : {4, 5, 6}) {
        EXPECT_TRUE(IsCapturedType(type, 0)) << type;
        EXPECT_TRUE(IsCapturedType(type, 1)) << type;
    }
    for (int32_t type : {0, 1, 2, 7, -3, 0x10003})
        EXPECT_FALSE(IsCapturedType(type, 1)) << type;
}

TEST(Capture, StaticMessageReplacesBufferWithItsTime)
{
    DisplayValues s = Fresh();
    CaptureMessage(s, "old text", 5, 10, 0, 1);
    EXPECT_EQ(0, CaptureMessage(s, "Hello", 4, 100, 0, 1));
    EXPECT_EQ("Hello", Buffer(s));
    EXPECT_EQ(5, s.text_length);
    EXPECT_EQ(100, s.display_ticks);
    EXPECT_EQ(0, s.scroll_mask);
    EXPECT_EQ(0, s.scroll_delay);
}

TEST(Capture, ScrollingMessageGetsLeadDelayAndMaskPerEdition)
{
    DisplayValues s = Fresh(1);
    CaptureMessage(s, "ATIS INFO", 3, 500, 0, 1);
    EXPECT_EQ(Lead + "ATIS INFO", Buffer(s));
    EXPECT_EQ(3, s.scroll_mask);
    EXPECT_EQ(5, s.scroll_delay);
    EXPECT_EQ(0, s.display_ticks) << "ATIS stays until it has scrolled away";

    DisplayValues t = Fresh(0);
    CaptureMessage(t, "Scroll", 6, 40, 0, 1);
    EXPECT_EQ(3, t.scroll_mask);
    EXPECT_EQ(40, t.display_ticks) << "type 6 keeps its time";

    DisplayValues u = Fresh(2);
    CaptureMessage(u, "Scroll", 6, 40, 0, 1);
    EXPECT_EQ(1, u.scroll_mask) << "FS2002 scrolls every 2nd tick";
}

TEST(Capture, Fs2002AtisAlwaysReplacesAndHalvesTime)
{
    DisplayValues s = Fresh(2);
    CaptureMessage(s, "first", 5, 10, 0, 1);
    EXPECT_EQ(0, CaptureMessage(s, "ATIS", 3, 501, 1, 0)) << "host gets append 0";
    EXPECT_EQ("ATIS", Buffer(s)) << "replaced, and static since the host option is off";
    EXPECT_EQ(250, s.display_ticks);
    // The halving is of the unsigned word: a negative time becomes a large positive one.
    CaptureMessage(s, "ATIS", 3, -2, 0, 0);
    EXPECT_EQ(0x7FFFFFFF, s.display_ticks);
    // On FS2000 the append flag of ATIS is kept.
    DisplayValues t = Fresh(1);
    CaptureMessage(t, "a", 5, 10, 0, 0);
    EXPECT_EQ(1, CaptureMessage(t, "b", 3, 10, 1, 0));
    EXPECT_EQ("ab", Buffer(t));
}

TEST(Capture, HostScrollOptionOffMakesScrollingTypesStatic)
{
    DisplayValues s = Fresh(1);
    CaptureMessage(s, "ATIS", 3, 77, 0, 0);
    EXPECT_EQ(0, s.scroll_mask);
    EXPECT_EQ("ATIS", Buffer(s)) << "no lead for static text";
    EXPECT_EQ(77, s.display_ticks);
    // The option absent from the host counts as on.
    CaptureMessage(s, "ATIS", 3, 77, 0, HostScrollOptionAbsent);
    EXPECT_EQ(3, s.scroll_mask);
}

TEST(Capture, AppendExtendsAndAccumulatesTime)
{
    DisplayValues s = Fresh();
    CaptureMessage(s, "one ", 5, 50, 0, 1);
    CaptureMessage(s, "two", 5, 50, 1, 1);
    EXPECT_EQ("one two", Buffer(s));
    EXPECT_EQ(100, s.display_ticks);
    // An appended scrolling message keeps scrolling but gets no start delay.
    CaptureMessage(s, "!", 6, 0, 1, 1);
    EXPECT_EQ(3, s.scroll_mask);
    EXPECT_EQ(0, s.scroll_delay);
}

TEST(Capture, AppendedTimeSaturatesInsteadOfOverflowing)
{
    DisplayValues s = Fresh();
    CaptureMessage(s, "a", 5, INT32_MAX - 5, 0, 1);
    CaptureMessage(s, "b", 5, 100, 1, 1);
    EXPECT_EQ(INT32_MAX, s.display_ticks);
    CaptureMessage(s, "c", 5, INT32_MIN + 5, 0, 1);
    CaptureMessage(s, "d", 5, -100, 1, 1);
    EXPECT_EQ(INT32_MIN, s.display_ticks);
}

TEST(Capture, LongMessagesAreCutToTheBuffer)
{
    std::string long_text(3000, 'x');
    DisplayValues s = Fresh();
    CaptureMessage(s, long_text.c_str(), 5, 1, 0, 1);
    EXPECT_EQ(TextCapacity, s.text_length);
    EXPECT_EQ('\0', s.text_buffer[TextCapacity]);

    CaptureMessage(s, long_text.c_str(), 6, 1, 0, 1);
    EXPECT_EQ(TextCapacity, s.text_length);
    EXPECT_EQ(Lead + std::string(TextCapacity - ScrollLead, 'x'), Buffer(s));

    // A full buffer takes no more appended text.
    CaptureMessage(s, "more", 5, 1, 1, 1);
    EXPECT_EQ(TextCapacity, s.text_length);
    EXPECT_EQ(static_cast<size_t>(TextCapacity), strlen(s.text_buffer));
}

TEST(Capture, NullTextEmptiesOrLeavesTheLead)
{
    DisplayValues s = Fresh();
    CaptureMessage(s, "text", 5, 1, 0, 1);
    CaptureMessage(s, nullptr, 5, 1, 0, 1);
    EXPECT_EQ(0, s.text_length);
    EXPECT_EQ('\0', s.text_buffer[0]);
    CaptureMessage(s, nullptr, 6, 1, 0, 1);
    EXPECT_EQ(Lead, Buffer(s));
    CaptureMessage(s, nullptr, 5, 1, 1, 1);
    EXPECT_EQ(Lead, Buffer(s)) << "appending nothing keeps the text";
}

TEST(Mirror, CopiesAtMost127BytesAndZeroFills)
{
    char block[129];
    memset(block, '#', sizeof block);
    MirrorCopy(block, "short");
    EXPECT_STREQ("short", block);
    for (int i = 5; i < 127; ++i)
        ASSERT_EQ('\0', block[i]) << i;
    EXPECT_EQ('#', block[127]) << "the 128th byte is never written";

    std::string text(300, 'm');
    memset(block, '#', sizeof block);
    MirrorCopy(block, text.c_str());
    EXPECT_EQ(std::string(127, 'm'), std::string(block, 127));
    EXPECT_EQ('#', block[127]);
}

TEST(TestText, GoesOnlyIntoAnEmptyDisplay)
{
    DisplayValues s = Fresh();
    s.scroll_mask = 3;
    s.scroll_delay = 4;
    EXPECT_TRUE(PutTextIfEmpty(s, "Test text for colour/font settings", 240));
    EXPECT_EQ(34, s.text_length);
    EXPECT_EQ(240, s.display_ticks);
    EXPECT_EQ(0, s.scroll_mask);
    EXPECT_EQ(0, s.scroll_delay);

    CaptureMessage(s, "real", 5, 9, 0, 1);
    EXPECT_FALSE(PutTextIfEmpty(s, "Test text for colour/font settings", 240));
    EXPECT_EQ("real", Buffer(s));
    EXPECT_EQ(9, s.display_ticks);
}


// ---- The history and the recall ----

std::string Kept(const MessageHistory& h, int32_t age)
{
    const KeptMessage& kept = KeptAt(h, age);
    return std::string(kept.text, static_cast<size_t>(kept.length));
}

std::string Shown(const DisplayValues& s, const MessageHistory& h)
{
    if (s.recall_age < 0)
        return Buffer(s);
    char line[RecalledLineCapacity];
    return std::string(line, static_cast<size_t>(RecalledLine(s, h, line)));
}

void TickOnce(DisplayValues& s, const MessageHistory& h)
{
    CountTick(s);
    AdvanceText(s);
    AdvanceRecall(s, h);
}

TEST(History, KeepsTheLastEightShownEachOnce)
{
    static MessageHistory h;
    h = {};
    DisplayValues s = Fresh();
    for (int i = 1; i <= 9; ++i)
        CaptureMessage(s, ("line " + std::to_string(i)).c_str(), i % 2 ? 5 : 6, 40 + i, 0, 1, &h);
    EXPECT_EQ(8, h.count);
    EXPECT_EQ("line 9", Kept(h, 0));
    EXPECT_EQ(Lead + "line 8", Kept(h, 1)) << "kept as first shown, lead and all";
    EXPECT_EQ(48, KeptAt(h, 1).ticks);
    EXPECT_EQ(Lead + "line 2", Kept(h, 7)) << "the first of nine is gone";

    // Scrolled away in the buffer, still whole in the history.
    CaptureMessage(s, "ATIS information Kilo", MessageAtis, 0, 0, 1, &h);
    for (int i = 0; i < 100; ++i)
        TickOnce(s, h);
    EXPECT_EQ(Lead + "ATIS information Kilo", Kept(h, 0));

    // A word-for-word repeat is kept once; empty and null messages not at all.
    CaptureMessage(s, "ATIS information Kilo", MessageAtis, 0, 0, 1, &h);
    CaptureMessage(s, "", 5, 10, 0, 1, &h);
    CaptureMessage(s, nullptr, 6, 10, 0, 1, &h);
    EXPECT_EQ(Lead + "ATIS information Kilo", Kept(h, 0));
    EXPECT_EQ("line 9", Kept(h, 1));
    EXPECT_EQ(0, s.newest_in_buffer) << "the buffer no longer holds the newest kept message";
}

TEST(History, AnAppendedMessageLengthensTheOneOnTheDisplay)
{
    static MessageHistory h;
    h = {};
    DisplayValues s = Fresh();
    CaptureMessage(s, "one ", 5, 50, 0, 1, &h);
    CaptureMessage(s, "two", 5, 30, 1, 1, &h);
    EXPECT_EQ(1, h.count);
    EXPECT_EQ("one two", Kept(h, 0));
    EXPECT_EQ(80, KeptAt(h, 0).ticks);

    // Appended to the test text, or after the message ran out, it is one of its own.
    for (int i = 0; i < 80; ++i)
        TickOnce(s, h);
    PutTextIfEmpty(s, "Test text", 240);
    CaptureMessage(s, " three", 5, 10, 1, 1, &h);
    EXPECT_EQ(2, h.count);
    EXPECT_EQ("Test text three", Kept(h, 0));

    // Past the buffer's room the kept message is what the buffer shows, so the
    // buffer always ends what was kept.
    std::string long_text(TextCapacity - 10, 'x');
    CaptureMessage(s, long_text.c_str(), 6, 0, 0, 1, &h);
    for (int i = 0; i < 200; ++i)
        TickOnce(s, h);
    CaptureMessage(s, std::string(40, 'y').c_str(), 6, 0, 1, 1, &h);
    EXPECT_EQ(Buffer(s), Kept(h, 0));
    EXPECT_EQ(std::string(40, 'y'), Kept(h, 0).substr(Kept(h, 0).size() - 40));
}

TEST(Recall, EachClickGoesOneBackFromTheMessageShownThenToTheBuffer)
{
    static MessageHistory h;
    h = {};
    DisplayValues s = Fresh();
    EXPECT_FALSE(RecallOlder(s, h)) << "nothing to recall";
    for (const char* line : {"first", "second", "third"})
        CaptureMessage(s, line, 5, 0, 0, 1, &h);
    ASSERT_TRUE(RecallOlder(s, h));
    EXPECT_EQ("-2 second", Shown(s, h)) << "the one before the message shown";
    ASSERT_TRUE(RecallOlder(s, h));
    EXPECT_EQ("-3 first", Shown(s, h));
    ASSERT_TRUE(RecallOlder(s, h));
    EXPECT_EQ("third", Shown(s, h)) << "past the oldest: the buffer again";
    EXPECT_FALSE(ShowsText(Fresh()));

    // With the newest gone from the buffer, the first click brings it back.
    CaptureMessage(s, "fourth", 5, 2, 0, 1, &h);
    TickOnce(s, h);
    TickOnce(s, h);
    ASSERT_EQ(0, s.text_length);
    ASSERT_TRUE(RecallOlder(s, h));
    EXPECT_EQ("-1 fourth", Shown(s, h));
    EXPECT_TRUE(ShowsText(s)) << "a recalled message shows with the buffer empty";

    // A new message replaces the recalled one at once.
    CaptureMessage(s, "fifth", 5, 0, 0, 1, &h);
    EXPECT_EQ("fifth", Shown(s, h));
    EXPECT_EQ(-1, s.recall_age);

    // One message, and it on the display: nothing older to show.
    static MessageHistory one;
    one = {};
    DisplayValues t = Fresh();
    CaptureMessage(t, "only", 5, 0, 0, 1, &one);
    EXPECT_FALSE(RecallOlder(t, one));
}

TEST(Recall, ARecalledMessageScrollsAndRunsOutAsItDidWhileTheBufferGoesOn)
{
    static MessageHistory h;
    h = {};
    DisplayValues s = Fresh(2);
    CaptureMessage(s, "AB", MessageScrolling, 0, 0, 1, &h);
    CaptureMessage(s, "static", 5, 3, 0, 1, &h);
    CaptureMessage(s, "live", 5, 0, 0, 1, &h);

    ASSERT_TRUE(RecallOlder(s, h));
    EXPECT_EQ("-2 static", Shown(s, h));
    TickOnce(s, h);
    TickOnce(s, h);
    EXPECT_EQ("-2 static", Shown(s, h));
    TickOnce(s, h);
    EXPECT_EQ("live", Shown(s, h)) << "its 3 ticks are over";

    // FS2002 scrolls every 2nd tick, after 5 eligible ticks, lead and text.
    RecallOlder(s, h);
    RecallOlder(s, h);
    ASSERT_EQ("-3 " + Lead + "AB", Shown(s, h));
    int ticks = 0;
    while (s.recall_age >= 0 && ticks < 200) {
        TickOnce(s, h);
        ++ticks;
    }
    EXPECT_GE(ticks, 2 * (ScrollStartDelay + ScrollLead + 2) - 1);
    EXPECT_LE(ticks, 2 * (ScrollStartDelay + ScrollLead + 2) + 1);
    EXPECT_EQ("live", Shown(s, h));

    // Meanwhile the buffer's own message ran on underneath.
    CaptureMessage(s, "soon gone", 5, 4, 0, 1, &h);
    RecallOlder(s, h);
    for (int i = 0; i < 4; ++i)
        TickOnce(s, h);
    EXPECT_EQ(0, s.text_length);
    EXPECT_EQ("-2 live", Shown(s, h)) << "kept with no time, it stays until the next click";
}

}  // namespace

// The message buffer on plain values: capture, bounds, the scrolling lead,
// display time and the mirror copy.
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include "display/message_buffer.h"

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

}  // namespace

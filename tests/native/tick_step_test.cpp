// The tick on plain values: the 20-tick round, scrolling after its delay,
// and expiry.
#include <gtest/gtest.h>
#include <string>
#include "display/message_buffer.h"
#include "display/tick_step.h"

namespace {

// Runs one tick as the module does; returns whether the display changed.
bool Tick(DisplayValues& s)
{
    bool round = CountTick(s);
    return (AdvanceText(s) & TickChanged) != 0 || round;
}

TEST(TickRound, EveryTwentiethTickRestartsTheCountAndRepaints)
{
    DisplayValues s;
    int repaints = 0;
    for (int i = 1; i <= 60; ++i) {
        if (Tick(s)) {
            ++repaints;
            EXPECT_EQ(0, i % 20) << "tick " << i;
        }
        ASSERT_LT(s.tick_count, 20);
    }
    EXPECT_EQ(3, repaints);
}

// Ticks on which a character leaves, counted from the capture.
std::vector<int> ScrollSteps(int32_t host_version, int32_t text_chars)
{
    DisplayValues s;
    s.host_version = host_version;
    std::string text(text_chars, 'A');
    CaptureMessage(s, text.c_str(), MessageAtis, 0, 0, 1);
    std::vector<int> steps;
    int32_t length = s.text_length;
    for (int i = 1; i <= 400 && s.text_length > 0; ++i) {
        Tick(s);
        if (s.text_length != length) {
            EXPECT_EQ(length - 1, s.text_length);
            steps.push_back(i);
            length = s.text_length;
        }
    }
    EXPECT_EQ(0, s.text_length);
    return steps;
}

TEST(Scrolling, MaskThreeWaitsFiveEligibleTicksThenEveryFourth)
{
    std::vector<int> steps = ScrollSteps(1, 10);
    ASSERT_EQ(26u, steps.size());   // 16 spaces and 10 characters
    // Eligible ticks are counts 0, 4, 8, ...: ticks 4, 8, 12, 16, 20 are the
    // delay, tick 24 drops the first character.
    EXPECT_EQ(24, steps.front());
    for (size_t i = 1; i < steps.size(); ++i)
        EXPECT_EQ(4, steps[i] - steps[i - 1]) << i;
}

TEST(Scrolling, MaskOneOnFs2002StepsEverySecondTick)
{
    std::vector<int> steps = ScrollSteps(2, 4);
    ASSERT_EQ(20u, steps.size());
    EXPECT_EQ(12, steps.front());
    for (size_t i = 1; i < steps.size(); ++i)
        EXPECT_EQ(2, steps[i] - steps[i - 1]) << i;
}

TEST(Expiry, StaticTextOfTimeOneClearsOnTheNextTick)
{
    DisplayValues s;
    CaptureMessage(s, "gone soon", MessageStatic, 1, 0, 1);
    unsigned effect = AdvanceText(s);
    EXPECT_EQ(TickChanged | TickMirrored, effect);
    EXPECT_EQ(0, s.text_length);
    EXPECT_EQ('\0', s.text_buffer[0]);
    EXPECT_EQ(0, s.display_ticks);
}

TEST(Expiry, AppendedTimesAddUp)
{
    DisplayValues s;
    CaptureMessage(s, "fifty", MessageStatic, 50, 0, 1);
    CaptureMessage(s, " more", MessageStatic, 50, 1, 1);
    int ticks = 0;
    while (s.text_length > 0 && ticks < 1000) {
        Tick(s);
        ++ticks;
    }
    EXPECT_EQ(100, ticks);
}

TEST(Expiry, ExtremeTimesNeitherOverflowNorHang)
{
    DisplayValues s;
    CaptureMessage(s, "neg", MessageStatic, INT32_MIN, 0, 1);
    AdvanceText(s);
    EXPECT_EQ(0, s.text_length) << "a negative time expires at once";
    CaptureMessage(s, "long", MessageStatic, INT32_MAX, 0, 1);
    AdvanceText(s);
    EXPECT_EQ(INT32_MAX - 1, s.display_ticks);
    EXPECT_EQ(4, s.text_length);
}

TEST(Repaint, AttachedDockedStaticTextRepaintsOnEligibleTicks)
{
    DisplayValues s;
    CaptureMessage(s, "static", MessageStatic, 0, 0, 1);
    EXPECT_EQ(0u, AdvanceText(s)) << "undocked static text needs no repaint";
    s.docked = 1;
    s.attached = 1;
    EXPECT_EQ(unsigned(TickChanged), AdvanceText(s));
    EXPECT_EQ("static", std::string(s.text_buffer));
}

}  // namespace

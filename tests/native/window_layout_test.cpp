// Measures of the display windows: line height, wrapping and sizing limits.
#include <gtest/gtest.h>
#include "display/window_layout.h"

namespace {

TEST(LineHeight, IsOnePointTwoLinesRounded)
{
    EXPECT_EQ(19, LineHeight(16, 0));
    EXPECT_EQ(17, LineHeight(13, 1));   // 16.8 rounds up
    EXPECT_EQ(8, LineHeight(7, 0));     // 8.4 rounds down
    EXPECT_EQ(0, LineHeight(0, 0));
    EXPECT_EQ(INT32_MAX, LineHeight(INT32_MAX, INT32_MAX)) << "held at the limit";
    EXPECT_EQ(INT32_MAX - 1, LineHeight(1789569705, 0)) << "the largest spacing computed, not held";
}

TEST(DrawFlags, WrapFromOnePointSixLines)
{
    EXPECT_EQ(0x300u, DisplayDrawFlags(29, 19));
    EXPECT_EQ(0x310u, DisplayDrawFlags(30, 19));
    EXPECT_EQ(0x300u, DisplayDrawFlags(-5, 19));
}

TEST(Sizing, MinimumPerFormAndOnlyOnceInitialised)
{
    DisplayValues s;
    s.line_height = 19;
    s.cy_frame = 4;
    s.cy_caption = 19;
    int32_t bottom = 140;
    KeepMinimumHeight(s, 100, &bottom);
    EXPECT_EQ(140, bottom) << "left alone before start-up";

    s.initialised = 1;
    KeepMinimumHeight(s, 100, &bottom);
    EXPECT_EQ(146, bottom) << "undocked: line + 2 frames + caption";
    s.docked = 1;
    bottom = 105;
    KeepMinimumHeight(s, 100, &bottom);
    EXPECT_EQ(119, bottom);
    bottom = 200;
    KeepMinimumHeight(s, 100, &bottom);
    EXPECT_EQ(200, bottom) << "taller stays";

    bottom = INT32_MAX - 3;
    KeepMinimumHeight(s, INT32_MAX - 5, &bottom);
    EXPECT_EQ(INT32_MAX, bottom) << "held at the limit";
}

TEST(Sight, TakenOnlyWhereThePilotSeesTheDisplay)
{
    DisplayValues s;
    s.display_enabled = 1;
    DisplaySight sight;
    sight.own_shown = sight.frame_shown = sight.in_sight = true;
    EXPECT_TRUE(WillBeSeen(s, sight));
    DisplaySight outside = sight;
    outside.in_sight = false;
    EXPECT_FALSE(WillBeSeen(s, outside));
    EXPECT_EQ(Overlap({INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, {-2, -2, 4, 4}).width, 1) << "no overflow";

    DisplaySight panel_hidden = sight;
    panel_hidden.frame_shown = false;
    EXPECT_FALSE(WillBeSeen(s, panel_hidden));

    // Hidden: shown by the message under "Hide when empty", not when that is
    // suspended with the panel, nor when the host's notification hid it.
    DisplaySight hidden = sight;
    hidden.own_shown = false;
    EXPECT_FALSE(WillBeSeen(s, hidden));
    s.auto_hide = 1;
    EXPECT_TRUE(WillBeSeen(s, hidden));
    s.auto_hide = -1;
    EXPECT_FALSE(WillBeSeen(s, hidden));

    s.auto_hide = 0;
    s.hide_always = 1;
    EXPECT_FALSE(WillBeSeen(s, sight)) << "hidden by the pilot";
    s.hide_always = 0;
    s.display_enabled = 0;
    EXPECT_FALSE(WillBeSeen(s, sight)) << "switched off";
}

// Two monitors of unequal size side by side: the rectangle around them holds
// an area that neither shows. Windows above the display cover it only where
// they leave nothing of its text area.
TEST(Sight, OnlyWhatAMonitorShowsAndNoWindowCoversIsInSight)
{
    const WindowPlace monitors[2] = {{0, 0, 1280, 1024}, {1280, 0, 800, 600}};
    EXPECT_TRUE(AreaInSight({1500, 500, 300, 40}, monitors, 2, nullptr, 0)) << "half on the small monitor";
    EXPECT_FALSE(AreaInSight({1500, 700, 300, 40}, monitors, 2, nullptr, 0)) << "below the small monitor";
    EXPECT_FALSE(AreaInSight({-400, 10, 300, 40}, monitors, 2, nullptr, 0)) << "left of both";

    const WindowPlace area = {100, 100, 300, 40};
    const WindowPlace stack[2] = {{90, 90, 200, 60}, {280, 95, 200, 60}};   // two panels side by side over it
    EXPECT_FALSE(AreaInSight(area, monitors, 1, stack, 2)) << "wholly covered by the two";
    EXPECT_TRUE(AreaInSight(area, monitors, 1, stack, 1)) << "the first alone leaves its right end";
    const WindowPlace leaving_a_line[2] = {{90, 90, 400, 49}, {90, 140, 400, 10}};
    EXPECT_TRUE(AreaInSight(area, monitors, 1, leaving_a_line, 2)) << "one row of pixels is enough";
}

}  // namespace

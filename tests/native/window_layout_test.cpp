// Measures of the display windows: line height, wrapping and sizing limits.
#include <gtest/gtest.h>
#include <climits>
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

void ExpectPlace(WindowPlace place, int32_t x, int32_t y, int32_t width, int32_t height)
{
    EXPECT_EQ(place.x, x);
    EXPECT_EQ(place.y, y);
    EXPECT_EQ(place.width, width);
    EXPECT_EQ(place.height, height);
}

TEST(WindowRange, PlacesAndSizesInSixteenBitsTheFarEdgesToo)
{
    ExpectPlace(InWindowRange({100, 200, 70000, 40000}), 100, 200, 32667, 32567);
    ExpectPlace(InWindowRange({40, 60, 360, 40}), 40, 60, 360, 40);
    ExpectPlace(InWindowRange({INT32_MIN, -40000, INT32_MAX, -5}), -32768, -32768, 32767, 0);
    ExpectPlace(InWindowRange({INT32_MAX, 32767, 10, 10}), 32767, 32767, 0, 0);
}

// The hiding rules at each event, for every combination of "Hide always",
// hide when empty (off, on, suspended with the panel) and text or none: the
// one function stands for what four places once spelt out each their way.
TEST(HidingRule, EachEventAsTheDisplayHasAlwaysApplied)
{
    const HidingVerdict L = HidingLeaves, S = HidingShows, H = HidingHides;
    struct Case {
        int32_t hide_always, auto_hide, text_length;
        HidingVerdict tick, new_text, refresh, placement;
    };
    const Case cases[] = {
        {0, 0, 0, L, L, L, S},   {0, 0, 5, L, L, L, S},   // no rule: placed shown
        {0, 1, 0, H, H, H, H},   {0, 1, 5, S, S, S, S},   // hide when empty
        {0, -1, 0, H, L, H, H},  {0, -1, 5, H, L, S, S},  // suspended with the panel
        {1, 0, 5, L, L, L, H},   {1, 1, 5, L, L, L, H},   {1, -1, 0, L, L, L, H},
    };
    for (const Case& c : cases) {
        DisplayValues s;
        s.hide_always = c.hide_always;
        s.auto_hide = c.auto_hide;
        s.text_length = c.text_length;
        SCOPED_TRACE(testing::Message() << "hide_always " << c.hide_always << ", auto_hide " << c.auto_hide
                                        << ", text " << c.text_length);
        EXPECT_EQ(HidingRule(s, HidingAtTick), c.tick);
        EXPECT_EQ(HidingRule(s, HidingAtNewText), c.new_text);
        EXPECT_EQ(HidingRule(s, HidingAtRefresh), c.refresh);
        EXPECT_EQ(HidingRule(s, HidingAtPlacement), c.placement);
    }
}

}  // namespace

// Colour settings: the palettes, their resolution, and what the choosers and
// "Match background" store and read.
#include <gtest/gtest.h>
#include <climits>
#include "module/display_values.h"
#include "settings/colour_choice.h"

TEST(ColourResolution, DefaultsAreRedOnDarkGrey)
{
    DisplayValues s;
    EXPECT_EQ(ResolveTextColour(s), 0x000000FFu);
    EXPECT_EQ(ResolveBackColour(s), 0x003C3C3Cu);
}

TEST(ColourResolution, IndicesReadThePaletteOfTheirRole)
{
    DisplayValues s;
    s.text_colour = 3;
    s.back_colour = 3;
    EXPECT_EQ(ResolveTextColour(s), 0x00FF0000u);  // blue
    EXPECT_EQ(ResolveBackColour(s), 0x00580F0Fu);
    s.text_colour = 0;
    s.back_colour = 0;
    EXPECT_EQ(ResolveTextColour(s), 0x00DCDCDCu);
    EXPECT_EQ(ResolveBackColour(s), 0x00020202u);
}

TEST(ColourResolution, NegativeSettingsAreNegatedColours)
{
    EXPECT_EQ(ResolveColour(-255, text_palette), 0x000000FFu);
    EXPECT_EQ(ResolveColour(-255, back_palette), 0x000000FFu);
    EXPECT_EQ(ResolveColour(-0x00FFFFFF, back_palette), 0x00FFFFFFu);
    EXPECT_EQ(ResolveColour(-1, text_palette), 0x00000001u);
    // The most negative setting has no positive twin: resolved without overflow.
    EXPECT_EQ(ResolveColour(INT32_MIN, text_palette), 0x80000000u);
}

TEST(ColourResolution, IndexPastThePaletteStaysInside)
{
    EXPECT_EQ(ResolveColour(15, text_palette), text_palette[1]);
    EXPECT_EQ(ResolveColour(INT32_MAX, back_palette), back_palette[1]);
}

TEST(ColourChoice, CustomColoursArePaletteThenCurrent)
{
    uint32_t custom[16];
    FillCustomColours(custom, back_palette, 0x00123456);
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(custom[i], back_palette[i]) << i;
    EXPECT_EQ(custom[15], 0x00123456u);
}

TEST(ColourChoice, ChosenColourRoundTrips)
{
    const uint32_t colours[] = {0x000000FF, 0x00FFFFFF, 0x00010203, 0x00580F0F};
    for (uint32_t colour : colours) {
        int32_t setting = NegatedColour(colour);
        EXPECT_LT(setting, 0);
        EXPECT_EQ(ChosenColour(setting, text_palette), colour);
        EXPECT_EQ(ResolveColour(setting, back_palette), colour);
    }
}

TEST(ColourChoice, BlackStoresZeroWhichResolvesToPaletteEntryZero)
{
    int32_t setting = NegatedColour(0x00000000);
    EXPECT_EQ(setting, 0);
    // Applied at once as the colour chosen...
    EXPECT_EQ(ChosenColour(setting, text_palette), 0x00000000u);
    // ...but read back later as palette entry 0.
    EXPECT_EQ(ResolveColour(setting, text_palette), 0x00DCDCDCu);
    EXPECT_EQ(ResolveColour(setting, back_palette), 0x00020202u);
}

TEST(ColourChoice, TopByteIsNoPartOfTheColour)
{
    // CLR_INVALID and palette-relative values must not turn into a palette
    // index (0xFFFFFFFF negated is 1) or overflow (0x80000000).
    EXPECT_EQ(NegatedColour(0xFFFFFFFFu), -0x00FFFFFF);
    EXPECT_EQ(NegatedColour(0x80000000u), 0);
    EXPECT_EQ(NegatedColour(0x02003C3Cu), -0x00003C3C);
}

TEST(MatchSample, HalfTheRightEdgeAddedToTheLeft)
{
    // At the screen's left edge the sample is the window's middle...
    SamplePoint p = MatchSamplePoint(0, 300, 200, 4);
    EXPECT_EQ(p.x, 150);
    EXPECT_EQ(p.y, 204);
    // ...further right it lies right of the middle (not (left + right) / 2).
    p = MatchSamplePoint(100, 401, 50, 3);
    EXPECT_EQ(p.x, 300);
    EXPECT_EQ(p.y, 53);
}

TEST(MatchSample, TruncatesTowardZeroAndNeverOverflows)
{
    EXPECT_EQ(MatchSamplePoint(-50, -7, 10, 0).x, -53);  // -7 / 2 is -3, not -4
    SamplePoint p = MatchSamplePoint(INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX);
    EXPECT_EQ(p.x, INT32_MAX);
    EXPECT_EQ(p.y, INT32_MAX);
    p = MatchSamplePoint(INT32_MIN, INT32_MIN, INT32_MIN, -1);
    EXPECT_EQ(p.x, INT32_MIN);
    EXPECT_EQ(p.y, INT32_MIN);
}

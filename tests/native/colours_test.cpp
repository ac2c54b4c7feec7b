// Colour settings: the palettes, their resolution, and what the choosers and
// "Match background" store and read.
#include <gtest/gtest.h>
#include <climits>
#include "core/display_values.h"
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

TEST(ColourChoice, EveryColourRoundTripsBlackIncluded)
{
    // Every chosen colour, black too, reads back as itself, never as a
    // palette entry.
    for (uint32_t colour = 0; colour <= 0x00FFFFFF; ++colour) {
        const int32_t setting = NegatedColour(colour);
        if (setting >= 0 || ResolveColour(setting, text_palette) != colour ||
            ResolveColour(setting, back_palette) != colour) {
            ADD_FAILURE() << std::hex << colour << " is stored as " << std::dec << setting;
            break;
        }
    }

    // Files written before keep their meaning: 0 is still palette entry 0,
    // and a value that read as black before still does.
    EXPECT_EQ(ResolveColour(0, text_palette), 0x00DCDCDCu);
    EXPECT_EQ(ResolveColour(0, back_palette), 0x00020202u);
    EXPECT_EQ(ResolveColour(-0x01000000, text_palette), 0x00000000u);
}

TEST(ColourChoice, TopByteIsNoPartOfTheColour)
{
    // CLR_INVALID and palette-relative values must not turn into a palette
    // index (0xFFFFFFFF negated is 1) or overflow (0x80000000).
    EXPECT_EQ(NegatedColour(0xFFFFFFFFu), -0x00FFFFFF);
    EXPECT_EQ(NegatedColour(0x80000000u), BlackSetting);
    EXPECT_EQ(NegatedColour(0x02003C3Cu), -0x00003C3C);
}

TEST(MatchSample, UnderTheMiddleOfTheWindowWhereverItStands)
{
    SamplePoint p = MatchSamplePoint(0, 300, 200, 4);
    EXPECT_EQ(p.x, 150);
    EXPECT_EQ(p.y, 204);
    p = MatchSamplePoint(500, 801, 50, 3);
    EXPECT_EQ(p.x, 650);
    EXPECT_EQ(p.y, 53);
    EXPECT_EQ(MatchSamplePoint(-50, -7, 10, 0).x, -29);
}

TEST(MatchSample, NeverOverflows)
{
    SamplePoint p = MatchSamplePoint(INT32_MIN, INT32_MAX, INT32_MAX, INT32_MAX);
    EXPECT_EQ(p.x, -1);  // the middle of the whole range
    EXPECT_EQ(p.y, INT32_MAX);
    p = MatchSamplePoint(INT32_MIN, INT32_MIN, INT32_MIN, -1);
    EXPECT_EQ(p.x, INT32_MIN);
    EXPECT_EQ(p.y, INT32_MIN);
}

// Docking geometry on plain values.
#include <gtest/gtest.h>
#include <climits>
#include <cstring>
#include "docking/geometry.h"

namespace {

// Wine's and Windows' classic metrics.
DisplayValues ClassicMetrics()
{
    DisplayValues s;
    s.cx_border = s.cy_border = 1;
    s.cx_frame = s.cy_frame = 4;
    s.cy_caption = 19;
    return s;
}

void ExpectPlace(const WindowPlace& place, int32_t x, int32_t y, int32_t width, int32_t height)
{
    EXPECT_EQ(place.x, x);
    EXPECT_EQ(place.y, y);
    EXPECT_EQ(place.width, width);
    EXPECT_EQ(place.height, height);
}

}  // namespace

TEST(DockingConversion, KeepsTheTextAreaInPlaceAndUndockingUndoesIt)
{
    const DisplayValues s = ClassicMetrics();
    // 400 x 100 outer, 392 x 73 client: caption and frames as the metrics say.
    const WindowPlace docked = DockedFromUndocked(s, {100, 200, 400, 100}, 73, 0);
    ExpectPlace(docked, 103, 224, 394, 75);
    ExpectPlace(UndockedFromDocked(s, docked, 0), 100, 200, 400, 100);

    // Any place and size comes back unchanged when the frame matches the metrics.
    for (int32_t height : {27 + 19, 80, 500}) {
        const WindowPlace start = {-300, 5, 123, height};
        const WindowPlace there = DockedFromUndocked(s, start, height - 27, 0);
        ExpectPlace(UndockedFromDocked(s, there, 0), start.x, start.y, start.width, start.height);
    }
}

TEST(DockingConversion, UsesTheMeasuredFrameWhenDockingButTheMetricsWhenUndocking)
{
    const DisplayValues s = ClassicMetrics();
    // A window whose caption is 5 pixels taller than SM_CYCAPTION says.
    const WindowPlace docked = DockedFromUndocked(s, {100, 200, 400, 100}, 68, 0);
    ExpectPlace(docked, 103, 229, 394, 70);
    ExpectPlace(UndockedFromDocked(s, docked, 0), 100, 205, 400, 95);
}

TEST(DockingConversion, MaximisedHostShiftsDockingDownAndUndockingUpAndTaller)
{
    const DisplayValues s = ClassicMetrics();
    const WindowPlace docked = DockedFromUndocked(s, {100, 200, 400, 100}, 73, 7);
    ExpectPlace(docked, 103, 231, 394, 75);
    // Undocking takes the shift back off the position but adds it to the height.
    ExpectPlace(UndockedFromDocked(s, docked, 7), 100, 200, 400, 107);
    ExpectPlace(UndockedFromDocked(s, {103, 224, 394, 75}, 7), 100, 193, 400, 107);
}

TEST(DockingConversion, ExtremeStoredValuesAreHeldInsteadOfOverflowing)
{
    const DisplayValues s = ClassicMetrics();
    const WindowPlace high = DockedFromUndocked(s, {INT32_MAX, INT32_MAX, INT32_MIN, INT32_MAX}, INT32_MAX, INT32_MAX);
    EXPECT_EQ(high.x, INT32_MAX);
    EXPECT_EQ(high.y, INT32_MAX);
    EXPECT_EQ(high.width, INT32_MIN);
    EXPECT_EQ(high.height, INT32_MAX);
    const WindowPlace low = UndockedFromDocked(s, {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, INT32_MAX);
    EXPECT_EQ(low.x, INT32_MIN);
    EXPECT_EQ(low.y, INT32_MIN);
    EXPECT_EQ(low.width, INT32_MAX);
    EXPECT_EQ(low.height, INT32_MAX);
}

TEST(MaximisedHostCorrection, OnlyForAZoomedHostNotHangingOffTheTopLeft)
{
    // Window rectangle bottom 768, client bottom 721: 47 pixels of caption and menu.
    EXPECT_EQ(MaximisedHostCorrection(0, 0, 0, 768, 721), 0);
    EXPECT_EQ(MaximisedHostCorrection(1, 0, 0, 768, 721), 47);
    EXPECT_EQ(MaximisedHostCorrection(1, -4, 0, 768, 721), 47);
    EXPECT_EQ(MaximisedHostCorrection(1, 0, -4, 768, 721), 47);
    EXPECT_EQ(MaximisedHostCorrection(1, -4, -4, 772, 721), 0);
    EXPECT_EQ(MaximisedHostCorrection(1, 0, 0, INT32_MAX, INT32_MIN), INT32_MAX);
}

TEST(PanelKind, EachKindOnlyWithItsEditions)
{
    for (int32_t version : {0, 1, 2})
        EXPECT_TRUE(IsPanelKind(0x20A9, version)) << version;
    EXPECT_TRUE(IsPanelKind(0x0151, 0));
    EXPECT_FALSE(IsPanelKind(0x0151, 1));
    EXPECT_FALSE(IsPanelKind(0x0151, 2));
    EXPECT_TRUE(IsPanelKind(0x20B8, 1));
    EXPECT_FALSE(IsPanelKind(0x20B8, 0));
    EXPECT_FALSE(IsPanelKind(0x20B8, 2));
    for (uint32_t other : {0x0000u, 0x20A8u, 0x20AAu, 0x0150u, 0x20B9u, 0xFFFFu})
        for (int32_t version : {0, 1, 2})
            EXPECT_FALSE(IsPanelKind(other, version)) << std::hex << other << " " << version;
}

TEST(PanelKind, ReadsTheUpperHalfOfTheWordAtByte24)
{
    unsigned char record[64] = {};
    const uint32_t word = 0x20A9FFFFu;   // the lower half carries something else
    memcpy(record + 24, &word, sizeof word);
    EXPECT_EQ(PanelKindOf(record), 0x20A9u);
    record[26] = 0x51;
    record[27] = 0x01;
    EXPECT_EQ(PanelKindOf(record), 0x0151u);
    // Neighbouring words do not count.
    unsigned char shifted[64] = {};
    memcpy(shifted + 20, &word, sizeof word);
    memcpy(shifted + 28, &word, sizeof word);
    EXPECT_EQ(PanelKindOf(shifted), 0u);
}

TEST(PanelProbes, FarPointLiesJustBeyondTheBottomRightCorner)
{
    DisplayValues s;
    s.window_width = 394;
    s.window_height = 75;
    int32_t x, y;
    FarProbePoint(s, 103, 24, &x, &y);
    EXPECT_EQ(x, 497);
    EXPECT_EQ(y, 99);
    s.window_width = INT32_MAX;
    s.window_height = INT32_MIN;
    FarProbePoint(s, 10, -10, &x, &y);
    EXPECT_EQ(x, INT32_MAX);
    EXPECT_EQ(y, INT32_MIN);
}

TEST(PanelProbes, HalfLineRowsTruncateTowardZero)
{
    int32_t rows[3];
    HalfLineProbeRows(100, 19, rows);
    EXPECT_EQ(rows[0], 100);
    EXPECT_EQ(rows[1], 91);
    EXPECT_EQ(rows[2], 109);
    HalfLineProbeRows(100, -19, rows);   // -9, not -10
    EXPECT_EQ(rows[1], 109);
    EXPECT_EQ(rows[2], 91);
    HalfLineProbeRows(100, 1, rows);
    EXPECT_EQ(rows[1], 100);
    EXPECT_EQ(rows[2], 100);
    HalfLineProbeRows(INT32_MIN, 19, rows);
    EXPECT_EQ(rows[1], INT32_MIN);
    HalfLineProbeRows(INT32_MAX, 19, rows);
    EXPECT_EQ(rows[2], INT32_MAX);
}

TEST(MinimumHeight, EachFormHasItsOwnSignedMinimum)
{
    DisplayValues s;
    s.docked_min_height = 19;
    s.undocked_min_height = 46;
    EXPECT_EQ(RaisedToMinimum(s, 30, 1), 30);
    EXPECT_EQ(RaisedToMinimum(s, 30, 0), 46);
    EXPECT_EQ(RaisedToMinimum(s, 18, 1), 19);
    EXPECT_EQ(RaisedToMinimum(s, -1, 1), 19);
    EXPECT_EQ(RaisedToMinimum(s, 46, 0), 46);
    EXPECT_EQ(RaisedToMinimum(s, 47, 0), 47);
}

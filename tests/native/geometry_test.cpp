// Docking geometry on plain values.
#include <gtest/gtest.h>
#include <climits>
#include <cstring>
#include "docking/geometry.h"

namespace {

DisplayValues ClassicMetrics()
{
    DisplayValues s;
    s.cx_border = s.cy_border = 1;
    s.cx_frame = s.cy_frame = 4;
    s.cy_caption = 19;
    return s;
}

#define EXPECT_PLACE(place, x_, y_, w_, h_)                                                   \
    do {                                                                                     \
        const WindowPlace p_ = (place);                                                      \
        EXPECT_EQ(p_.x, x_); EXPECT_EQ(p_.y, y_); EXPECT_EQ(p_.width, w_); EXPECT_EQ(p_.height, h_); \
    } while (0)

}  // namespace

TEST(DockingConversion, TextAreaStaysAndTheConversionsUndoEachOther)
{
    const DisplayValues s = ClassicMetrics();
    // 400 x 100 outer, client 73 high: the frame matches the metrics.
    EXPECT_PLACE(DockedFromUndocked(s, {100, 200, 400, 100}, 73), 103, 224, 394, 75);
    EXPECT_PLACE(UndockedFromDocked(s, {103, 224, 394, 75}), 100, 200, 400, 100);
    // Docking measures the real frame (a caption 5 taller), undocking uses the metrics.
    EXPECT_PLACE(DockedFromUndocked(s, {100, 200, 400, 100}, 68), 103, 229, 394, 70);
    EXPECT_PLACE(UndockedFromDocked(s, {103, 229, 394, 70}), 100, 205, 400, 95);
}

TEST(DockingConversion, ExtremeStoredValuesAreHeldInsteadOfOverflowing)
{
    const DisplayValues s = ClassicMetrics();
    EXPECT_PLACE(DockedFromUndocked(s, {INT32_MAX, INT32_MAX, INT32_MIN, INT32_MAX}, INT32_MIN), INT32_MAX,
                 INT32_MAX, INT32_MIN, INT32_MIN + 2);
    EXPECT_PLACE(UndockedFromDocked(s, {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}), INT32_MIN, INT32_MIN,
                 INT32_MAX, INT32_MAX);
    DisplayValues followed;
    followed.docked_x = INT32_MAX;
    followed.target_x = INT32_MIN;
    FollowPanelTo(followed, INT32_MAX, 5);
    EXPECT_EQ(followed.docked_x, INT32_MAX);
    EXPECT_EQ(followed.docked_y, 5);
}

TEST(PanelKind, EachKindOnlyWithItsEditionsReadFromTheUpperHalfOfByte24)
{
    for (int32_t version : {0, 1, 2}) {
        EXPECT_TRUE(IsPanelKind(0x20A9, version));
        EXPECT_EQ(IsPanelKind(0x0151, version), version == 0);
        EXPECT_EQ(IsPanelKind(0x20B8, version), version == 1);
        for (uint32_t other : {0x0000u, 0x20A8u, 0x20AAu, 0x0150u, 0x20B9u, 0xFFFFu})
            EXPECT_FALSE(IsPanelKind(other, version)) << std::hex << other;
    }
    unsigned char record[64] = {};
    const uint32_t word = 0x20A9FFFFu;   // the lower half carries something else
    memcpy(record + 20, &word, sizeof word);
    EXPECT_EQ(PanelKindOf(record), 0u);
    memcpy(record + 24, &word, sizeof word);
    EXPECT_EQ(PanelKindOf(record), 0x20A9u);
}

TEST(PanelProbes, FarPointAndHalfLineRows)
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

    int32_t rows[3];
    HalfLineProbeRows(100, 19, rows);
    EXPECT_EQ(rows[0], 100);
    EXPECT_EQ(rows[1], 91);
    EXPECT_EQ(rows[2], 109);
    HalfLineProbeRows(100, -19, rows);   // truncated toward zero: 9, not 10
    EXPECT_EQ(rows[1], 109);
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
    EXPECT_EQ(RaisedToMinimum(s, -1, 1), 19);
    EXPECT_EQ(RaisedToMinimum(s, 47, 0), 47);
}

TEST(UnattachedPlace, KeptInsideTheHostsClientArea)
{
    struct Case {
        int32_t x, y, w, h, area_w, area_h, want_x, want_y;
    } cases[] = {
        {40, 60, 360, 40, 900, 600, 40, 60},           // inside: where it was saved
        {700, 900, 360, 40, 900, 600, 540, 560},       // saved on a larger screen: moved in
        {-50, -10, 360, 40, 900, 600, 0, 0},
        {10, 10, 1200, 800, 900, 600, 0, 0},           // larger than the area: its corner inside
        {INT32_MAX, INT32_MIN, INT32_MAX, 40, 900, 600, 0, 0},
        {700, 900, 360, 40, 0, 0, 700, 900},           // a minimised host: nothing moves
    };
    for (const Case& c : cases) {
        int32_t x = c.x, y = c.y;
        KeepInsideArea(&x, &y, c.w, c.h, c.area_w, c.area_h);
        EXPECT_EQ(x, c.want_x) << c.x << "," << c.y;
        EXPECT_EQ(y, c.want_y) << c.x << "," << c.y;
    }
}

// Plain-value logic: no Win32 calls here.
#include "display/window_layout.h"
#include "display/message_history.h"

int32_t LineHeight(int32_t tm_height, int32_t tm_external_leading)
{
    // (12 s + 5) / 10 for the spacing s, worked out as s + (2 s + 5) / 10 in
    // unsigned 32 bits: no sum overflows and no 64-bit division is needed,
    // which the product, linking no runtime, could not call. A font without
    // spacing has no line; beyond the 32-bit limit the height is held there.
    const int64_t spacing = static_cast<int64_t>(tm_height) + tm_external_leading;
    if (spacing <= 0)
        return 0;
    if (spacing > (int64_t{INT32_MAX} * 10 - 5) / 12)
        return INT32_MAX;
    const uint32_t s = static_cast<uint32_t>(spacing);
    return static_cast<int32_t>(s + (2 * s + 5) / 10);
}

uint32_t DisplayDrawFlags(int32_t client_height, int32_t line_height)
{
    const uint32_t noclip_leading = 0x100 | 0x200;  // DT_NOCLIP | DT_EXTERNALLEADING
    const uint32_t wordbreak = 0x10;                // DT_WORDBREAK
    if (client_height < (8 * line_height) / 5)
        return noclip_leading;
    return noclip_leading | wordbreak;
}

// The least height the pilot may size the window to, in its current form.
static int32_t SizingMinimumHeight(const DisplayValues& s)
{
    int32_t minimum = s.line_height;
    if (!s.docked)
        minimum += 2 * s.cy_frame + s.cy_caption;
    return minimum;
}

void KeepMinimumHeight(const DisplayValues& s, int32_t top, int32_t* bottom)
{
    if (!s.initialised)
        return;
    int32_t minimum = SizingMinimumHeight(s);
    int64_t lowest = static_cast<int64_t>(top) + minimum;
    if (*bottom < lowest)
        *bottom = lowest > INT32_MAX ? INT32_MAX : static_cast<int32_t>(lowest);
}

WindowPlace Overlap(WindowPlace a, WindowPlace b)
{
    const int64_t left = a.x > b.x ? a.x : b.x;
    const int64_t top = a.y > b.y ? a.y : b.y;
    const int64_t right_a = int64_t{a.x} + a.width, right_b = int64_t{b.x} + b.width;
    const int64_t bottom_a = int64_t{a.y} + a.height, bottom_b = int64_t{b.y} + b.height;
    const int64_t width = (right_a < right_b ? right_a : right_b) - left;
    const int64_t height = (bottom_a < bottom_b ? bottom_a : bottom_b) - top;
    const auto size = [](int64_t value) {
        return static_cast<int32_t>(value < 0 ? 0 : value > INT32_MAX ? INT32_MAX : value);
    };
    return {static_cast<int32_t>(left), static_cast<int32_t>(top), size(width), size(height)};
}

namespace {

bool Empty(const WindowPlace& area) { return area.width <= 0 || area.height <= 0; }

// What is left of `area` once `cover` is taken away: up to four pieces
// (above, below, left and right of the cover), written to `pieces`.
int Subtract(const WindowPlace& area, const WindowPlace& cover, WindowPlace pieces[4])
{
    const WindowPlace common = Overlap(area, cover);
    if (Empty(common)) {
        pieces[0] = area;
        return 1;
    }
    const int64_t area_bottom = int64_t{area.y} + area.height, common_bottom = int64_t{common.y} + common.height;
    const int64_t area_right = int64_t{area.x} + area.width, common_right = int64_t{common.x} + common.width;
    const WindowPlace candidates[4] = {
        {area.x, area.y, area.width, common.y - area.y},
        {area.x, static_cast<int32_t>(common_bottom), area.width, static_cast<int32_t>(area_bottom - common_bottom)},
        {area.x, common.y, common.x - area.x, common.height},
        {static_cast<int32_t>(common_right), common.y, static_cast<int32_t>(area_right - common_right), common.height},
    };
    int count = 0;
    for (const WindowPlace& piece : candidates)
        if (!Empty(piece))
            pieces[count++] = piece;
    return count;
}

}  // namespace

bool AreaInSight(WindowPlace area, const WindowPlace* monitors, int monitor_count, const WindowPlace* covers,
                 int cover_count)
{
    // The uncovered pieces are kept in a fixed list; should the windows above
    // cut the area into more pieces than it holds, the area counts as seen.
    constexpr int MaxPieces = 64;
    for (int m = 0; m < monitor_count; ++m) {
        WindowPlace pieces[MaxPieces];
        int count = 0;
        const WindowPlace shown = Overlap(area, monitors[m]);
        if (!Empty(shown))
            pieces[count++] = shown;
        for (int c = 0; c < cover_count && count > 0; ++c) {
            WindowPlace left[MaxPieces];
            int kept = 0;
            for (int p = 0; p < count; ++p) {
                WindowPlace cut[4];
                const int made = Subtract(pieces[p], covers[c], cut);
                if (kept + made > MaxPieces)
                    return true;
                for (int i = 0; i < made; ++i)
                    left[kept++] = cut[i];
            }
            for (int p = 0; p < kept; ++p)
                pieces[p] = left[p];
            count = kept;
        }
        if (count > 0)
            return true;
    }
    return false;
}

bool WillBeSeen(const DisplayValues& s, const DisplaySight& sight)
{
    if (!s.display_enabled || s.hide_always || !sight.frame_shown)
        return false;
    // Hidden with text rules only while empty: the message shows it. Hidden
    // otherwise (hide-when-empty suspended with its panel, the FS2002 popup
    // hidden on the host's panel notification) it stays hidden.
    if (!sight.own_shown && s.auto_hide <= 0)
        return false;
    return sight.in_sight;
}

WindowPlace InWindowRange(WindowPlace place)
{
    constexpr int64_t Lowest = -32768, Highest = 32767;
    const auto held = [](int64_t value, int64_t low, int64_t high) {
        return static_cast<int32_t>(value < low ? low : value > high ? high : value);
    };
    WindowPlace usable;
    usable.x = held(place.x, Lowest, Highest);
    usable.y = held(place.y, Lowest, Highest);
    usable.width = held(place.width, 0, Highest - (usable.x > 0 ? usable.x : 0));
    usable.height = held(place.height, 0, Highest - (usable.y > 0 ? usable.y : 0));
    return usable;
}

HidingVerdict HidingRule(const DisplayValues& s, HidingEvent event)
{
    // A recalled message counts as text: the display shows it.
    const HidingVerdict by_text = ShowsText(s) ? HidingShows : HidingHides;
    if (event == HidingAtPlacement)
        return s.hide_always != 0 || (s.auto_hide != 0 && !ShowsText(s)) ? HidingHides : HidingShows;
    // "Hide always" hides the display where it is set and placed; the other
    // events leave it, as they leave a display without hiding rules.
    if (s.hide_always != 0 || s.auto_hide == 0)
        return HidingLeaves;
    if (s.auto_hide > 0)
        return by_text;
    // Suspended while the panel is hidden: new text leaves the display
    // hidden with its panel, and so does the tick; a change of colour or
    // font shows its effect by the text, as a rule in force does.
    if (event == HidingAtNewText)
        return HidingLeaves;
    if (event == HidingAtTick)
        return HidingHides;
    return by_text;
}

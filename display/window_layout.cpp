// Plain-value logic: no Win32 calls here.
#include "display/window_layout.h"

int32_t LineHeight(int32_t tm_height, int32_t tm_external_leading)
{
    int64_t spacing = static_cast<int64_t>(tm_height) + tm_external_leading;
    int64_t height = (spacing * 12 + 5) / 10;
    return height > INT32_MAX ? INT32_MAX : static_cast<int32_t>(height);
}

uint32_t DisplayDrawFlags(int32_t client_height, int32_t line_height)
{
    const uint32_t noclip_leading = 0x100 | 0x200;  // DT_NOCLIP | DT_EXTERNALLEADING
    const uint32_t wordbreak = 0x10;                // DT_WORDBREAK
    if (client_height < (8 * line_height) / 5)
        return noclip_leading;
    return noclip_leading | wordbreak;
}

int32_t SizingMinimumHeight(const DisplayValues& s)
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

bool WillBeSeen(const DisplayValues& s, const DisplaySight& sight)
{
    if (!s.display_enabled || s.hide_always || !sight.frame_shown)
        return false;
    // Hidden with text rules only while empty: the message shows it. Hidden
    // otherwise (hide-when-empty suspended with its panel, the FS2002 popup
    // hidden on the host's panel notification) it stays hidden.
    if (!sight.own_shown && s.auto_hide <= 0)
        return false;
    return sight.seen.width > 0 && sight.seen.height > 0;
}

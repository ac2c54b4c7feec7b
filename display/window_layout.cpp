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

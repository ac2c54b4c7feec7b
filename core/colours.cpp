#include "core/display_values.h"

const uint32_t text_palette[15] = {
    0x00DCDCDC, 0x000000FF, 0x0000FF00, 0x00FF0000, 0x0000C0C0,
    0x00C000C0, 0x00C0C000, 0x00FFFFFF, 0x00A0A0A0, 0x000000C0,
    0x0000C000, 0x00C00000, 0x00008080, 0x00800080, 0x00808000,
};

const uint32_t back_palette[15] = {
    0x00020202, 0x003C3C3C, 0x000F580F, 0x00580F0F, 0x000C5050,
    0x00500C50, 0x0050500C, 0x00000000, 0x001E1E1E, 0x002D2D2D,
    0x000A3C0F, 0x003C0F0A, 0x000F3232, 0x00320F32, 0x0032320F,
};

uint32_t ResolveColour(int32_t setting, const uint32_t palette[15])
{
    if (setting == BlackSetting)
        return 0x00000000;
    if (setting < 0)
        return 0u - static_cast<uint32_t>(setting);  // negation done unsigned: no overflow at INT32_MIN
    // The loader only accepts indices below 7, but a record written by hand or
    // by another version must never index past the palette.
    return setting < 15 ? palette[setting] : palette[1];
}

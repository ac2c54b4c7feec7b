#include "settings/colour_choice.h"
#include "display/message_buffer.h"
#include "module/display_values.h"

void FillCustomColours(uint32_t custom[16], const uint32_t palette[15], uint32_t current)
{
    for (int i = 0; i < 15; ++i)
        custom[i] = palette[i];
    custom[15] = current;
}

int32_t NegatedColour(uint32_t colour)
{
    // The top byte of a COLORREF is no part of the colour (a palette-relative
    // or invalid value); dropping it also keeps the negation inside 32 bits.
    return -static_cast<int32_t>(colour & 0x00FFFFFFu);
}

uint32_t ChosenColour(int32_t setting, const uint32_t palette[15])
{
    if (setting > 0)
        return ResolveColour(setting, palette);
    return 0u - static_cast<uint32_t>(setting);
}

SamplePoint MatchSamplePoint(int32_t left, int32_t right, int32_t bottom, int32_t cy_frame)
{
    return {SaturatingAdd(left, right / 2), SaturatingAdd(bottom, cy_frame)};
}

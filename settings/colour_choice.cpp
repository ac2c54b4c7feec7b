#include "settings/colour_choice.h"
#include "core/bytes_and_text.h"
#include "core/display_values.h"

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
    const uint32_t rgb = colour & 0x00FFFFFFu;
    return rgb == 0 ? BlackSetting : -static_cast<int32_t>(rgb);
}

SamplePoint MatchSamplePoint(int32_t left, int32_t right, int32_t bottom, int32_t cy_frame)
{
    // Halved in 64 bits: the width of an extreme rectangle does not fit 32.
    // The middle lies between the two edges, so it fits again.
    const int64_t middle = left + (static_cast<int64_t>(right) - left) / 2;
    return {static_cast<int32_t>(middle), SaturatingAdd(bottom, cy_frame)};
}

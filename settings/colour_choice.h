// The colour choosers and "Match background" on plain values: the dialog's
// custom colours, the point read from the screen, and how a chosen colour
// becomes a setting and back.
#pragma once
#include <cstdint>

// The colour dialog's 16 custom colours: the role's 15 palette entries, then
// the current colour.
void FillCustomColours(uint32_t custom[16], const uint32_t palette[15], uint32_t current);

// What a chooser stores for a chosen COLORREF: its negation, and for black
// BlackSetting. Only the red, green and blue bytes count; every colour reads
// back as itself, never as a palette entry.
int32_t NegatedColour(uint32_t colour);

// The screen point "Match background" reads: under the middle of the
// window, one sizing-frame height below its bottom edge. Held at the 32-bit
// limits rather than overflowing.
struct SamplePoint {
    int32_t x, y;
};
SamplePoint MatchSamplePoint(int32_t left, int32_t right, int32_t bottom, int32_t cy_frame);

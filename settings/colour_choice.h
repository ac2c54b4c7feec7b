// The colour choosers and "Match background" on plain values: the dialog's
// custom colours, the point read from the screen, and how a chosen colour
// becomes a setting and back.
#pragma once
#include <cstdint>

// The colour dialog's 16 custom colours: the role's 15 palette entries, then
// the current colour.
void FillCustomColours(uint32_t custom[16], const uint32_t palette[15], uint32_t current);

// What a chooser stores for a chosen COLORREF: its negation. Only the red,
// green and blue bytes count, so any 0x00BBGGRR, black included, fits.
int32_t NegatedColour(uint32_t colour);

// The colour a chooser just stored, as the refresh applies it: the negated
// value itself, so black (stored as 0) shows black at once. A setting that
// still holds a palette index resolves through `palette`.
uint32_t ChosenColour(int32_t setting, const uint32_t palette[15]);

// The screen point "Match background" reads: x = left + right / 2 (half the
// right edge's coordinate, truncated toward zero, added to the left edge),
// y = one sizing-frame height below the bottom edge. Held at the 32-bit
// limits rather than overflowing.
struct SamplePoint {
    int32_t x, y;
};
SamplePoint MatchSamplePoint(int32_t left, int32_t right, int32_t bottom, int32_t cy_frame);

// Measures of the display windows on plain values.
#pragma once
#include <cstdint>
#include "module/display_values.h"

// One display line: 1.2 times the font's line spacing, rounded.
int32_t LineHeight(int32_t tm_height, int32_t tm_external_leading);

// DrawTextA flags: a window lower than 1.6 lines shows one unwrapped line,
// a taller one wraps at word boundaries.
uint32_t DisplayDrawFlags(int32_t client_height, int32_t line_height);

// The least height the pilot may size the window to, in its current form.
int32_t SizingMinimumHeight(const DisplayValues& s);

// Raises a drag rectangle's bottom edge so the window keeps its minimum height.
// Before start-up has measured anything the rectangle is left alone.
void KeepMinimumHeight(const DisplayValues& s, int32_t top, int32_t* bottom);

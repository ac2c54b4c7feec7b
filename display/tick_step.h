// The tick on plain values: the 20-tick count, scrolling and expiry.
#pragma once
#include <cstdint>
#include "core/display_values.h"

constexpr int32_t TicksPerRound = 20;   // the attachment retry and a repaint come every 20th tick
constexpr int32_t ScrollStartDelay = 5; // eligible ticks before a scrolling message's first step

// Counts one tick; true when the count reached 20 and restarted at 0.
bool CountTick(DisplayValues& s);

enum : unsigned {
    TickChanged = 1,    // the display must be repainted
    TickMirrored = 2,   // the buffer changed: mirror it
};

// Scrolls one step when due and counts the display time down; returns
// TickChanged / TickMirrored bits.
unsigned AdvanceText(DisplayValues& s);

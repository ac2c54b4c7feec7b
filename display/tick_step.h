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

// What one tick does to a message on the display, the buffer's and a
// recalled one alike. On the ticks its scroll mask lets through (only while
// it has text), a scrolling message waits out its start delay and then moves
// one character. Its display time, where it has one, counts down without
// passing below 0: at 1 or below it runs out (a negative time at once).
struct MessageStep {
    bool let_through;   // an attached docked display repaints on such a tick
    bool moves;         // one character leaves
    bool runs_out;      // its time is over
};
inline MessageStep StepMessage(int32_t tick_count, int32_t scroll_mask, bool has_text, int32_t& delay,
                               int32_t& ticks)
{
    MessageStep step = {has_text && (tick_count & scroll_mask) == 0, false, false};
    if (step.let_through && scroll_mask != 0) {
        if (delay > 0)
            --delay;
        else
            step.moves = true;
    }
    if (ticks != 0) {
        if (ticks <= 1) {
            ticks = 0;
            step.runs_out = true;
        } else {
            --ticks;
        }
    }
    return step;
}

// Scrolls one step when due and counts the display time down; returns
// TickChanged / TickMirrored bits.
unsigned AdvanceText(DisplayValues& s);

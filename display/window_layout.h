// Measures of the display windows on plain values, and whether the pilot
// sees the display.
#pragma once
#include <cstdint>
#include "core/display_values.h"

// One display line: 1.2 times the font's line spacing, rounded.
int32_t LineHeight(int32_t tm_height, int32_t tm_external_leading);

// DrawTextA flags: a window lower than 1.6 lines shows one unwrapped line,
// a taller one wraps at word boundaries.
uint32_t DisplayDrawFlags(int32_t client_height, int32_t line_height);

// Raises a drag rectangle's bottom edge so the window keeps its minimum height.
// Before start-up has measured anything the rectangle is left alone.
void KeepMinimumHeight(const DisplayValues& s, int32_t top, int32_t* bottom);

// The part of area `a` that lies inside area `b`: no width or no height when
// they do not meet.
WindowPlace Overlap(WindowPlace a, WindowPlace b);

// Whether some of `area` lies on one of the monitors and outside all of the
// windows above it (`covers`). Areas no monitor shows (the rectangle around
// two monitors of unequal size holds some) count as unseen.
bool AreaInSight(WindowPlace area, const WindowPlace* monitors, int monitor_count, const WindowPlace* covers,
                 int cover_count);

// What the window system shows of the display window a message would go to.
struct DisplaySight {
    bool own_shown = false;     // the window itself is shown
    bool frame_shown = false;   // so is all it stands in: its panel, the simulator window, not minimised
    bool in_sight = false;      // some of its text area, within its panel and the simulator window, is on a
                                // monitor and not under other windows
};

// "Will the pilot see it?", the one question that decides whether a message
// is taken: the display is on, not hidden by the pilot's "Hide always", shown
// or to be shown by the message itself (hidden only while empty), not hidden
// with its panel, and some of its text area lies where the pilot can see it.
bool WillBeSeen(const DisplayValues& s, const DisplaySight& sight);

// Windows 95 and 98 keep window coordinates in 16 bits: the place held in
// -32768..32767, the size in 0..32767 and no larger than keeps the far edges
// in that range too. The place stays; only the size gives way.
WindowPlace InWindowRange(WindowPlace place);

// The hiding rules ("Hide always", hide when empty, suspended while the
// panel is hidden) as each event applies them to the display window.
enum HidingEvent {
    HidingAtTick,        // the tick's repaint: a suspended rule keeps it hidden
    HidingAtNewText,     // a message taken: only a rule in force acts
    HidingAtRefresh,     // a colour or font change showing its effect
    HidingAtPlacement,   // placed again: always shown or hidden
};
enum HidingVerdict { HidingLeaves, HidingShows, HidingHides };
HidingVerdict HidingRule(const DisplayValues& s, HidingEvent event);

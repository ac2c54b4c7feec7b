// "Will the pilot see it?": what the window system shows of the display.
#pragma once
#include <windows.h>

// Whether the pilot will see a message put on `target` now (display on, its
// window shown or shown by the message, not hidden with its panel, some of
// its text area within the simulator window, on a monitor and not under
// other windows). A message the pilot would not see is not taken: it goes to
// the simulator as if the module were off.
bool PilotWillSee(HWND target);
// The pilot asked for the floating display: it comes to the front of the
// windows beside it, and back under the simulator's caption when no monitor
// shows its text area (dragged off the screen, or the screen made smaller).
void BringIntoSight(HWND window);

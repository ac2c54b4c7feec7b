// Capture of the host's text output into the message buffer.
#pragma once
#include <windows.h>
#include <cstdint>

int32_t WINAPI TextOutputHook(const char* text, int32_t type, int32_t time, int32_t append);
int32_t WINAPI ShowMessage(const char* text, int32_t time);
void MirrorText();
// The window that shows, hides and repaints the text: the docked window while
// docked, else the undocked one.
HWND DisplayTarget();
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

// White-box support for tests that link the module's code directly: puts the
// module back to its state at load and stands the display up on a host window
// the way start-up does, without the host's timers.
#pragma once
#include <windows.h>

// Destroys the display windows, frees the font and brush, and gives every
// field of `state` its value at load; ImportTable pointers go back to 0.
// module_instance becomes this program (whose resources hold the menus).
void ResetModule();

// Registers the class, creates the undocked window owned by `host`, reads the
// system metrics and the default geometry, and marks the module initialised,
// as start-up does before it places the display. Returns the undocked window.
HWND StandUpDisplay(HWND host);

// Dispatches every queued message of this thread.
void PumpMessages();

// The colour of a pixel of the screen, as the pilot sees it.
COLORREF ScreenPixel(int x, int y);

// Reading what a window shows from its own surface: windows of other programs
// sharing the Wine desktop cannot cover it.
#pragma once
#include <windows.h>

// Client pixels of exactly `colour`, every second row and column.
int CountClientColour(HWND window, COLORREF colour);

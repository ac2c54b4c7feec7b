// The colour and font choosers, Match background and the refresh after them.
#pragma once
#include <windows.h>

// IDM_TEXTCOLOUR, IDM_BACKCOLOUR, IDM_FONT and IDM_MATCHBACK, chosen in
// `window`; the refresh goes to the display that is current when the chooser
// returns, and the simulator's window gets the keyboard back.
void RunColourCommand(HWND window, UINT command);

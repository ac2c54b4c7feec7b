// The colour and font choosers, Match background and the refresh after them.
#pragma once
#include <windows.h>
#include <cstdint>

enum RefreshKind { RefreshText, RefreshBack, RefreshFont };

int ChooseDisplayColour(HWND owner, int for_text, int32_t* setting);
int ChooseDisplayFont(HWND owner);
// Reads the screen just below the window; false when the pixel can't be read.
bool MatchBackground(HWND window);
void RefreshDisplay(HWND window, RefreshKind kind);
// Commands 40004, 40005, 40009, 40010 in the window that received them.
void RunColourCommand(HWND window, UINT command);

// Start-up in timed stages, discovery of the simulator's main window and
// edition, shut-down, and putting the host back when the library is unloaded.
#pragma once
#include <windows.h>

BOOL DllAttach(HINSTANCE instance, DWORD reason);
void DllDetach(bool process_ends);
void WINAPI StartModule();
void WINAPI StopModule();
// The panel-load hook into the host's chain, where it is out of it; 1 when
// it went in now.
int InstallPanelHook();
void FindHostWindow();
// Start-up's second stage, once the main window is found: the display, the
// text hook and the tick.
void InitDisplay();
// Start-up's third stage, three seconds on: the main window's subclass and
// the "&Orvale" item.
void CALLBACK MenuTimerProc(HWND, UINT, UINT_PTR, DWORD);

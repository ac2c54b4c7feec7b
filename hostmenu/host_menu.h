// The "&Orvale" item in the simulator's "&Modules" menu.
#pragma once
#include <windows.h>
#include "module/startup.h"

enum : UINT { ModulesMenuId = 21007, OrvaleItemId = 35224 };

void CALLBACK MenuTimerProc(HWND, UINT, UINT_PTR, DWORD);
void InstallMenuItem();
void SyncMenuItem();
// The check mark of "&Orvale" from whether the display is on.
void CheckOrvaleItem();
LRESULT CALLBACK HostWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// Where HostWndProc stands in the procedures of the simulator's main window,
// which must exist.
HookPlace HostSubclassPlace();

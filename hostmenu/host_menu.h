// The "&Orvale" item in the simulator's "&Modules" menu.
#pragma once
#include <windows.h>

enum : UINT { ModulesMenuId = 21007, OrvaleItemId = 35224 };

void CALLBACK MenuTimerProc(HWND, UINT, UINT_PTR, DWORD);
void InstallMenuItem();
void SyncMenuItem();
LRESULT CALLBACK HostWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

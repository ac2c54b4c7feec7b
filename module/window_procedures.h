// The window procedures Windows enters the module by.
#pragma once
#include <windows.h>
#include "core/hook_chain.h"

// Registers the display windows' class once; true when it is (or already
// was) registered.
bool RegisterDisplayClass();
LRESULT CALLBACK HostWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// Where HostWndProc stands in the procedures of the simulator's main window,
// which must exist.
HookPlace HostSubclassPlace();

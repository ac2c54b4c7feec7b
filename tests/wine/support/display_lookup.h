// Finding the module's windows from outside, as a test of the real DLL must:
// the Wine desktop is shared by test programs running side by side, so a
// window is looked for only among this process's own.
#pragma once
#include <windows.h>

// The undocked display: a top-level "OrvaleWindow" of this process owned by
// `owner` (any owner when null). Null when there is none.
HWND FindUndockedDisplay(HWND owner);

// How many windows of class "OrvaleWindow" this process has, top-level and
// child windows alike.
int CountDisplayWindows();

// Both forms of the display among this process's windows, told apart as a
// pilot tells them: the floating window has a caption, the docked one none
// (a panel's child, or FS2002's popup). Null where there is none.
struct DisplayWindows {
    HWND docked, floating;
};
DisplayWindows FindDisplayWindows();

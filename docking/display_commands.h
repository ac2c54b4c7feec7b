// The display menu's commands that change its form or its hiding choices.
#pragma once
#include <windows.h>

// Dock (IDM_DOCK): the display docked from where it stands.
void DockDisplay();
// Undock (IDM_UNDOCK): floating from where it stands; the floating display
// has no hiding rules.
void UndockDisplay();
// The "&Orvale" item switching the display on (IDM_SHOWUNDOCKED).
void ShowFloatingDisplay();
// Hide always (IDM_HIDEALWAYS), for the aircraft.
void HideAlways();
// Hide when empty (IDM_HIDEEMPTY) switched, for the aircraft, in `window`'s
// menu.
void ToggleHideWhenEmpty(HWND window);

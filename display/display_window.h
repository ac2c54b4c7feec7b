// The two display windows of class "OrvaleWindow": their creation, painting,
// sizing limits, menus, colours and font, and how they are shown and hidden.
// The window procedure that calls these handlers is module/window_procedures.
#pragma once
#include <windows.h>
#include <cstdint>
#include "display/window_layout.h"

extern const char DisplayClassName[];   // "OrvaleWindow"

// Creates the hidden undocked popup owned by the host window, with its
// "UNDOCKEDM" menu; returns it (also kept in state.undocked_window).
HWND CreateUndockedWindow();
// Puts the resolved text and background colours into a window's own context.
void ApplyColours(HWND window);
// Replaces the shared background brush with one of the resolved colour.
void RemakeBackBrush();
// Shows (without activating) or hides a display window. While the
// simulator's window is minimised, a display window on the desktop is kept
// hidden and shown at the restore.
void ShowDisplayWindow(HWND window, bool show);
// Shows or hides a display window as the hiding rules say at `event`, or
// leaves it as it is where they say nothing.
void ApplyHidingRules(HWND window, HidingEvent event);
// Hides the module's windows on the desktop when the simulator's window is
// minimised, and shows them again at once when it is restored.
void FollowMinimisedHost();
// After a menu, a chooser or a move of the display: the simulator's window
// gets the activation and the keyboard back where a display window holds them.
void GiveKeyboardBack();
// Close (IDM_CLOSE): switch the display off. The "&Orvale" item's check mark
// is the caller's.
void CloseDisplay();
// The default undocked position under the host's caption and menu bar.
void ResetToDefaultPlace();
// Makes `font` the display font (null: none), selecting it into each
// window's own context before the old font is deleted.
void ReplaceDisplayFont(HFONT font);
// A stopped module holds no object of the window system: the font goes, its
// description stays, and RemakeDisplayFont makes it again when the display
// comes up.
void ReleaseDisplayFont();
void RemakeDisplayFont();
// A check mark of the menu of `window` (docked or undocked).
void CheckCommand(HWND window, UINT command, int32_t on);
// The system metrics and what follows from them: the default height and the
// minimum heights. Measured again whenever the system says they changed.
void MeasureMetrics();
// The system metrics, the default geometry and the minimum heights, read once
// the undocked window exists; the defaults also become the size and place
// when none is known yet.
void MeasureDisplayDefaults();

// The handlers of the display windows' messages.
void DisplayOnCreate(HWND window);
void DisplayOnPaint(HWND window);
// A display window of its own on the desktop clicked.
LRESULT DisplayOnMouseActivate();
// A left click: the message before the one shown, or the buffer again.
void DisplayOnLeftButtonDown(HWND window);
// The right-button menu; false where the window has none.
bool DisplayOnRightButtonUp(HWND window, LPARAM lparam);
// Forgets the window and frees its menu (and, for the floating window, the
// shared brush).
void DisplayOnDestroy(HWND window);

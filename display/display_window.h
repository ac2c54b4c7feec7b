// The two display windows of class "OrvaleWindow" and their procedure.
#pragma once
#include <windows.h>

extern const char DisplayClassName[];   // "OrvaleWindow"

enum : UINT {
    CmdDock = 40001,
    CmdUndock = 40002,
    CmdClose = 40003,
    CmdTextColour = 40004,
    CmdBackColour = 40005,
    CmdShowUndocked = 40006,
    CmdSave = 40008,
    CmdFont = 40009,
    CmdMatchBackground = 40010,
    CmdHideAlways = 40011,
    CmdAlsoAtis = 40012,
    CmdHideWhenEmpty = 40013,
};

LRESULT CALLBACK DisplayWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Registers the class once; true when it is (or already was) registered.
bool RegisterDisplayClass();
// Creates the hidden undocked popup owned by the host window, with its
// "UNDOCKEDM" menu; returns it (also kept in state.undocked_window).
HWND CreateUndockedWindow();
// Puts the resolved text and background colours into a window's own context.
void ApplyColours(HWND window);
// Replaces the shared background brush with one of the resolved colour.
void RemakeBackBrush();
// Hide when empty, as new text applies it: shown with text, hidden without,
// only while auto_hide is positive (not suspended) and hide_always is off.
void ShowByText(HWND window);
// Shows (without activating) or hides a display window. While the
// simulator's window is minimised, a display window on the desktop is kept
// hidden and shown at the restore.
void ShowDisplayWindow(HWND window, bool show);
// Hides the module's windows on the desktop when the simulator's window is
// minimised, and shows them again at once when it is restored.
void FollowMinimisedHost();
// After a menu, a chooser or a move of the display: the simulator's window
// gets the activation and the keyboard back where a display window holds them.
void GiveKeyboardBack();
// Close (40003): switch the display off.
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

// Working the real common dialogs from a test, as a pilot would: a thread
// timer runs inside the dialog's own modal loop, finds the dialog of this
// thread once it is up and hands it to a script. A second timer cancels
// whatever dialog is still open long after, so that a failing test never
// hangs.
#pragma once
#include <windows.h>
#include <functional>

extern HWND dialog_seen;    // the dialog the last script was given, or null
extern bool dialog_stuck;   // the watchdog had to cancel a dialog

// Sends `command` to `window` while `script` works the dialog it opens.
void CommandWithDialog(HWND window, UINT command, std::function<void(HWND)> script);
// Runs `open`, which opens a dialog whichever way the pilot does (a menu
// item picked with real input), while `script` works the dialog.
void WhileDialog(const std::function<void()>& open, std::function<void(HWND)> script);
// Clicks a dialog button (IDOK, IDCANCEL) as the pilot would.
void Press(HWND dialog, int button);

// The colour dialog's red, green and blue fields.
enum { ColourRed = 706, ColourGreen = 707, ColourBlue = 708, DefineCustom = 719, CustomGrid = 721 };
// The font dialog's face, style and size boxes.
enum { FontFace = 1136, FontStyle = 1137, FontSize = 1138 };

COLORREF ShownColour(HWND dialog);
void PickColour(HWND dialog, COLORREF colour);
// Selects a face and a size (in points) in the font dialog.
void PickFont(HWND dialog, const char* face, const char* points);

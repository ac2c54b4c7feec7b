// What the module's windows show, character for character: the text each
// drew last, seen through the module's own import of DrawTextA.
#pragma once
#include <windows.h>
#include <string>

// Watches the drawing of `module` (a loaded copy of the DLL) from now on.
void WatchDrawnText(HMODULE module);

// What `window` shows, drawn afresh; false where it drew no text.
bool DrawnText(HWND window, std::string* text);

// Capture of the host's text output into the message buffer.
#pragma once
#include <windows.h>
#include <cstdint>

// The text-output hook's work: a captured message goes into the buffer and
// the host gets an empty text (on FS98 nothing at all); the rest passes on.
int32_t CaptureText(const char* text, int32_t type, int32_t time, int32_t append);
// Copies the buffer into the other module's text block, where it has one.
void MirrorText();
// The window that shows, hides and repaints the text: the docked window while
// docked, else the undocked one.
HWND DisplayTarget();

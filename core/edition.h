// Recognising the simulator's main window and its edition from the window's
// class name and title. Plain strings in, plain values out.
#pragma once
#include <cstdint>

// Buffer sizes of the two reads: the class name is read into 256 bytes; the
// title is read with a count of 255, so at most 254 characters of it are seen.
constexpr int HostClassBytes = 256;
constexpr int HostTitleCount = 255;

// Host editions as kept in host_version.
enum : int32_t { EditionFS98 = 0, EditionFS2000 = 1, EditionFS2002 = 2 };

// A main window's class begins with "FS" and ends with "MAIN" (compared
// exactly, case included). Null and short names are not main windows.
bool IsHostClassName(const char* class_name);

// Whether the edition needs the window title: only a class beginning
// "FS2000" settles the edition by itself.
bool EditionNeedsTitle(const char* class_name);

// The edition of a recognised main window. FS2000 when the class begins
// "FS2000" or the title contains "2000"; otherwise FS2002 when the class
// begins "FS2002" or the title contains "2002"; otherwise FS98 (or an
// edition this module does not know). `title` may be null (not read).
int32_t HostEdition(const char* class_name, const char* title);

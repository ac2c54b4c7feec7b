// Finding a routine that a system library exports, by name, in the library's
// image as the loader mapped it: the module asks Windows for routines that
// older Windows lack (the monitors of Windows 98 and 2000) without importing
// them, so that it still loads where they are missing. Plain values: the
// image is read as bytes, never beyond `image_size`.
#pragma once
#include <cstddef>
#include <cstdint>

// The address (relative to the image) of the routine exported as `name`, or
// 0 when the image exports no such routine, forwards it to another library,
// or is not well formed. `image` is a library as the loader mapped it: its
// headers lie in its first page, and give the size of the rest.
uint32_t ExportedRoutine(const unsigned char* image, const char* name);

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
// or is not a well-formed image of `image_size` bytes.
uint32_t ExportedRoutine(const unsigned char* image, size_t image_size, const char* name);

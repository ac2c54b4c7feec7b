// The benchmark's floors for the module's own routines, in orvale-floor.dll
// (host/benchmark_floor_dll.cpp): the least the same work costs done without
// the module, reached the way the module's routines are, through a pointer
// into another image with the same calling convention. Called inside the
// benchmark program, a floor would skip what the module's routine pays to be
// reached: a call through a pointer into another image, into code on other
// pages. Natively that costs next to nothing; under emulation it is a fair
// part of an idle tick, and the ratios would no longer mean the same there.
#pragma once
#include <windows.h>
#include <cstdint>
#include "core/display_values.h"

constexpr char FloorDllName[] = "orvale-floor.dll";

// Shaped as the module's text output hook and as the host's text output: the
// floor of a message copied (FloorTextOutput), and of a message copied only
// where the pilot sees it (FloorTextOutputSeen).
typedef int32_t(WINAPI* FloorTextOutputRoutine)(const char* text, int32_t type, int32_t time, int32_t append);
// Shaped as the module's tick: the module's plain step on the floor's values
// and the invalidate it asks for.
typedef void(WINAPI* FloorTickRoutine)(uintptr_t, uintptr_t);
// The display the floors invalidate, and the host's text output they pass an
// emptied message on to (as the module does on FS2000 and FS2002).
typedef void(WINAPI* FloorSetUpRoutine)(HWND display, FloorTextOutputRoutine host_text_output);
// The values the tick's floor steps: the benchmark sets them up (edition,
// tick count, a message) between timed calls.
typedef DisplayValues*(WINAPI* FloorValuesRoutine)();

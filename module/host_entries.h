// The routines the host and other modules call into the module by: the
// text-output and panel-load hooks, the service entry for other modules and
// the tick.
#pragma once
#include <windows.h>
#include <cstdint>

int32_t WINAPI TextOutputHook(const char* text, int32_t type, int32_t time, int32_t append);
int32_t WINAPI ShowMessage(const char* text, int32_t time);
int32_t WINAPI PanelLoadHook(uintptr_t w1, uintptr_t w2, uintptr_t w3, uintptr_t w4,
                             const char* path, uintptr_t w6);
void WINAPI DisplayTick(uintptr_t a, uintptr_t b);

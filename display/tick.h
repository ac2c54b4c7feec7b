// The module's clock, called periodically by the host.
#pragma once
#include <windows.h>
#include <cstdint>

void WINAPI DisplayTick(uintptr_t a, uintptr_t b);

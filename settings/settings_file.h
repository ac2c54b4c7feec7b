// Per-aircraft settings in section "Orvale" of the panel configuration file.
#pragma once
#include <windows.h>
#include <cstdint>

int32_t WINAPI PanelLoadHook(uintptr_t w1, uintptr_t w2, uintptr_t w3, uintptr_t w4,
                             const char* path, uintptr_t w6);
void SaveSettings();
// "save if docked": only while docked and a settings file is known.
void SaveIfDocked();
// No aircraft known: the display comes up floating, and nothing is saved
// until the simulator loads a panel.
void ForgetAircraft();

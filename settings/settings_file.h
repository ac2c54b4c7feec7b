// Per-aircraft settings in section "Orvale" of the panel configuration file.
#pragma once
#include <windows.h>
#include <cstdint>

// Whether the host is loading a panel from a folder other than the aircraft's
// whose settings are in force.
bool IsNewPanelFolder(const char* path);
// Reads the settings of the aircraft whose panel is at `path`; 1 when they
// gave the display a docked place, 0 when the display is switched off (by
// the Close sent to the floating window, where it exists).
int32_t LoadPanelSettings(const char* path);
void SaveSettings();
// "save if docked": only while docked and a settings file is known.
void SaveIfDocked();
// No aircraft known: the display comes up floating, and nothing is saved
// until the simulator loads a panel.
void ForgetAircraft();
// "Also ATIS" (IDM_ALSOATIS) chosen in `window`'s menu.
void ToggleAlsoAtis(HWND window);

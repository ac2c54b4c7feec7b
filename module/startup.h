// Start-up in timed stages, discovery of the simulator's main window and
// edition, shut-down, and putting the host back when the library is unloaded.
#pragma once
#include <windows.h>
#include <cstdint>
#include "core/hook_chain.h"
#include "core/module_timer.h"

BOOL DllAttach(HINSTANCE instance, DWORD reason);
void DllDetach(bool process_ends);
void WINAPI StartModule();
void WINAPI StopModule();
void CALLBACK StartupTimerProc(HWND, UINT, UINT_PTR, DWORD);
int InstallPanelHook();
void FindHostWindow();
BOOL CALLBACK MatchHostWindow(HWND window, LPARAM);
void InitDisplay();
// The system metrics, the default geometry and the minimum heights, read once
// the undocked window exists; the defaults also become the size and place
// when none is known yet.
void MeasureDisplayDefaults();
// The system metrics and what follows from them: the default height and the
// minimum heights. Measured again whenever the system says they changed.
void MeasureMetrics();

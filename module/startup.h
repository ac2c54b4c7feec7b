// Start-up in timed stages, discovery of the simulator's main window and
// edition, shut-down, and putting the host back when the library is unloaded.
#pragma once
#include <windows.h>
#include <cstdint>

BOOL DllAttach(HINSTANCE instance, DWORD reason);
void DllDetach(bool process_ends);
void WINAPI StartModule();
void WINAPI StopModule();

// Runs the handler of one of the module's window procedures, counted as
// running for as long as it does: a modal loop inside it (a chooser, a menu,
// a move) or the host's procedure it calls on may run the host's stop and
// unload, which must then leave the library mapped, as this code goes on
// when they have returned.
using WindowHandler = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
LRESULT CountedWindowCall(WindowHandler handler, HWND window, UINT message, WPARAM wparam, LPARAM lparam);
void CALLBACK StartupTimerProc(HWND, UINT, UINT_PTR, DWORD);
// The module's one timer: set (killing the one before), killed, and whether
// a timer message is the current timer's, for the routine it is meant for.
void SetModuleTimer(UINT ms, TIMERPROC routine);
void KillModuleTimer();
bool IsModuleTimer(UINT_PTR id, TIMERPROC routine);
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

// Where one of the module's hooks stands, from what its slot (or a window's
// procedure) holds now: on top; further down the chain, under another
// module's hook that calls on to ours; or out of the chain, the slot holding
// the very routine ours calls on (put back by someone) or the hook never
// installed. Only a hook that is out goes in (again): saving another
// module's hook as the routine to call on would send every call round the two
// modules without end.
enum HookPlace { HookOnTop, HookUnderAnother, HookOut };
inline HookPlace PlaceOfHook(uintptr_t current, uintptr_t hook, int32_t installed, uintptr_t previous)
{
    if (current == hook)
        return HookOnTop;
    return installed && current != previous ? HookUnderAnother : HookOut;
}

// The module's one timer: set (killing the one before), killed, and whether
// a timer message is the current timer's, for the routine it is meant for.
// A timer message that Windows had already queued when the timer was killed
// must not act.
#pragma once
#include <windows.h>

void SetModuleTimer(UINT ms, TIMERPROC routine);
void KillModuleTimer();
bool IsModuleTimer(UINT_PTR id, TIMERPROC routine);

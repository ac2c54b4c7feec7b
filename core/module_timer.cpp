#include "core/module_timer.h"
#include "core/display_state.h"

void KillModuleTimer()
{
    if (state.timer_id)
        KillTimer(nullptr, state.timer_id);
    state.timer_id = 0;
    state.timer_routine = nullptr;
}

void SetModuleTimer(UINT ms, TIMERPROC routine)
{
    KillModuleTimer();
    state.timer_id = SetTimer(nullptr, 0, ms, routine);
    state.timer_routine = state.timer_id ? routine : nullptr;
}

bool IsModuleTimer(UINT_PTR id, TIMERPROC routine)
{
    return id != 0 && id == state.timer_id && routine == state.timer_routine;
}

// The module's clock: the host calls it periodically.
#include "module/display_state.h"
#include "display/tick_step.h"

void WINAPI DisplayTick(uintptr_t, uintptr_t)
{
    HWND target = (state.docked && state.docked_window) ? state.docked_window : state.undocked_window;
    bool changed = false;

    if (CountTick(state)) {
        if (state.docked && !state.attached)
            RetryAttachment();
        changed = true;
    }

    unsigned effect = AdvanceText(state);
    if (effect & TickMirrored)
        MirrorText();
    if (effect & TickChanged)
        changed = true;

    if (!changed || target == nullptr)
        return;
    if (state.auto_hide != 0 && state.hide_always == 0)
        ShowWindow(target, (state.text_length != 0 && state.auto_hide > 0) ? SW_SHOWNA : SW_HIDE);
    InvalidateRect(target, nullptr, TRUE);
}

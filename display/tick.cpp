// The module's clock: the host calls it periodically.
#include "core/display_state.h"
#include "display/tick_step.h"

void WINAPI DisplayTick(uintptr_t, uintptr_t)
{
    // A host that offers no way to unregister goes on calling after a stop.
    if (state.stopped)
        return;
    bool changed = false;

    if (CountTick(state)) {
        if (state.docked)
            RetryAttachment();
        // A minimised or restored simulator window whose procedure the
        // module does not follow (yet) is caught up with here.
        FollowMinimisedHost();
        changed = true;
    }

    unsigned effect = AdvanceText(state);
    if (effect & TickMirrored)
        MirrorText();
    if (effect & TickChanged)
        changed = true;

    // Most ticks change nothing: they return before touching any window.
    if (!changed)
        return;
    // The same target as the text hook's: a docked display whose window is
    // being made again never shows as the floating window meanwhile.
    HWND target = DisplayTarget();
    if (target == nullptr)
        return;
    if (state.auto_hide != 0 && state.hide_always == 0)
        ShowDisplayWindow(target, state.text_length != 0 && state.auto_hide > 0);
    InvalidateRect(target, nullptr, TRUE);
}

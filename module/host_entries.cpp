// The host's calls into the module: each hands the work down to the rooms
// that do it.
#include "module/host_entries.h"
#include "core/display_state.h"
#include "display/capture.h"
#include "display/display_window.h"
#include "display/message_buffer.h"
#include "display/message_history.h"
#include "display/tick_step.h"
#include "display/window_layout.h"
#include "docking/placement.h"
#include "settings/settings_file.h"

int32_t WINAPI TextOutputHook(const char* text, int32_t type, int32_t time, int32_t append)
{
    return CaptureText(text, type, time, append);
}

int32_t WINAPI ShowMessage(const char* text, int32_t time)
{
    if (time >= 0)
        return TextOutputHook(text, MessageStatic, time, 0);
    return TextOutputHook(text, MessageScrolling, ~time, 0);
}

int32_t WINAPI PanelLoadHook(uintptr_t w1, uintptr_t w2, uintptr_t w3, uintptr_t w4,
                             const char* path, uintptr_t w6)
{
    // Also while stopped, where the hook is still in the chain: the aircraft is
    // read as one loaded before the start, and the start shows it.
    if (IsNewPanelFolder(path))
        PlaceForAircraft(LoadPanelSettings(path));
    if (!state.prev_panel_load)
        return 0;
    return state.prev_panel_load(w1, w2, w3, w4, path, w6);
}

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
    effect |= AdvanceRecall(state, history);
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
    ApplyHidingRules(target, HidingAtTick);
    InvalidateRect(target, nullptr, TRUE);
}

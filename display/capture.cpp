// The host's text output, taken over: captured messages go into the buffer
// and the host gets an empty text (on FS98 nothing at all); the rest passes.
#include "display/capture.h"
#include "core/display_state.h"
#include "core/edition.h"
#include "core/host_interface.h"
#include "display/display_window.h"
#include "display/message_buffer.h"
#include "display/sight.h"
#include "display/window_layout.h"

HWND DisplayTarget()
{
    return state.docked ? state.docked_window : state.undocked_window;
}

static int HostScrollOption()
{
    unsigned char* table = HostTable(TableHostData);
    if (table == nullptr)
        return HostScrollOptionAbsent;
    return table[state.host_version == EditionFS98 ? ScrollOptionFS98 : ScrollOptionLater];
}

static int32_t CallHostTextOutput(const char* text, int32_t type, int32_t time, int32_t append)
{
    // Before start-up has hooked the host, or on a host that offers no text
    // output, there is nobody to pass the message to.
    if (state.prev_text_output == nullptr)
        return 0;
    return state.prev_text_output(text, type, time, append);
}

// Another module's message (through ShowMessage) before start-up has made
// the display and hooked the host: there is no simulator line to hand it to
// yet, and the display that comes up shows the buffer.
static bool KeptForTheDisplay()
{
    return !state.initialised && state.prev_text_output == nullptr;
}

int32_t CaptureText(const char* text, int32_t type, int32_t time, int32_t append)
{
    if (KeptForTheDisplay() && IsCapturedType(type, state.also_atis)) {
        CaptureMessage(state, text, type, time, append, HostScrollOption(), &history);
        MirrorText();
        return 0;
    }
    HWND target = DisplayTarget();
    // A message is taken only where the pilot will see it; any other goes to
    // the simulator's own line, as without the module.
    if (target == nullptr || !IsCapturedType(type, state.also_atis) || !PilotWillSee(target))
        return CallHostTextOutput(text, type, time, append);

    append = CaptureMessage(state, text, type, time, append, HostScrollOption(), &history);
    if (text != nullptr)
        text = "";
    MirrorText();

    ApplyHidingRules(target, HidingAtNewText);
    InvalidateRect(target, nullptr, TRUE);

    if (state.host_version == EditionFS98)
        return 0;
    return CallHostTextOutput(text, type, time, append);
}

void MirrorText()
{
    unsigned char* record = HostTable(TableMirror);
    if (record == nullptr)
        return;
    uintptr_t block = *HostSlot(record, MirrorBlockSlot);
    if (block == 0)
        return;
    MirrorCopy(reinterpret_cast<char*>(block) + MirrorTextOffset, state.text_buffer);
}

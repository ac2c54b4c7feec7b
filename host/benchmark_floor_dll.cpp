// orvale-floor.dll: the benchmark's floors for the module's routines
// (host/benchmark_floor.h says why they live in an image of their own). Each
// does the least any module must do for the same call, and nothing more: a
// floor made dearer would flatter the module.
#include <windows.h>
#include <cstring>
#include "host/benchmark_floor.h"
#include "display/message_buffer.h"
#include "display/message_history.h"
#include "display/tick_step.h"

// The floors' own code stands on pages of its own, apart from the module's
// plain step it calls, as the module's glue does in orvale.dll, where their
// files lie pages apart. qemu chains a direct jump between translated blocks
// only within one page and looks every other one up, as it does every call
// through a pointer: a floor whose call into the plain step stayed on its
// page would skip a cost the module's call pays under emulation (no cost at
// all natively). The linker puts .text$ sections after all of .text, and
// FloorTick's alignment starts this one on a page.
#define FLOOR_CODE __attribute__((section(".text$floor")))
#define FLOOR_PAGE __attribute__((section(".text$floor"), aligned(4096)))

namespace {

HWND display;
FloorTextOutputRoutine host_text_output;
DisplayValues values;
MessageHistory kept;
char buffer[2048];
char kept_copy[2048];
char mirror[128];
// Read by nobody: it keeps the compiler from dropping the copy into a buffer
// nothing reads (the mirror is read by the tick's MirrorCopy already).
char* volatile sink;

// Copying the message into a buffer, once more for the pilot to recall, and
// 127 bytes of it into the mirror, invalidating the display, and passing an
// empty text on to the host.
FLOOR_CODE int32_t Copy(const char* text, int32_t type, int32_t time, int32_t append)
{
    size_t n = strnlen(text, 2047);
    memcpy(buffer, text, n);
    buffer[n] = '\0';
    memcpy(kept_copy, buffer, n + 1);
    size_t m = strnlen(buffer, 127);
    memcpy(mirror, buffer, m);
    memset(mirror + m, 0, 127 - m);
    sink = buffer;
    InvalidateRect(display, nullptr, TRUE);
    return host_text_output("", type, time, append);
}

// What any module must ask before it takes a message, when a message taken
// is a message seen: where the display's text area stands on the screen, and
// the shown windows above it at each level up to the top.
FLOOR_CODE void Sight()
{
    static RECT seen;
    GetClientRect(display, &seen);
    MapWindowPoints(display, nullptr, reinterpret_cast<POINT*>(&seen), 2);
    for (HWND level = display; level;
         level = (GetWindowLongPtrA(level, GWL_STYLE) & WS_CHILD) ? GetParent(level) : nullptr) {
        for (HWND above = GetWindow(level, GW_HWNDPREV); above; above = GetWindow(above, GW_HWNDPREV))
            if (IsWindowVisible(above))
                GetWindowRect(above, &seen);
    }
}

}  // namespace

extern "C" {

FLOOR_CODE __declspec(dllexport) void WINAPI FloorSetUp(HWND window, FloorTextOutputRoutine text_output)
{
    display = window;
    host_text_output = text_output;
    values = DisplayValues{};
}

FLOOR_CODE __declspec(dllexport) DisplayValues* WINAPI FloorValues() { return &values; }

FLOOR_CODE __declspec(dllexport) int32_t WINAPI FloorTextOutput(const char* text, int32_t type, int32_t time,
                                                                int32_t append)
{
    return Copy(text, type, time, append);
}

FLOOR_CODE __declspec(dllexport) int32_t WINAPI FloorTextOutputSeen(const char* text, int32_t type,
                                                                    int32_t time, int32_t append)
{
    Sight();
    return Copy(text, type, time, append);
}

// The module's own plain step, built from the module's sources with the
// module's code generation, called from another file as the module's glue
// calls it; and the invalidate it asks for.
FLOOR_PAGE __declspec(dllexport) void WINAPI FloorTick(uintptr_t, uintptr_t)
{
    bool changed = CountTick(values);
    unsigned effect = AdvanceText(values);
    effect |= AdvanceRecall(values, kept);
    if (effect & TickMirrored)
        MirrorCopy(mirror, values.text_buffer);
    if (changed || (effect & TickChanged))
        InvalidateRect(display, nullptr, TRUE);
}

}  // extern "C"

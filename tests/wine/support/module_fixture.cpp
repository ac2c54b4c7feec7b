#include "support/module_fixture.h"
#include "core/display_state.h"
#include "core/host_interface.h"
#include "display/display_window.h"
#include "module/window_procedures.h"

void ResetModule()
{
    if (state.docked_window)
        DestroyWindow(state.docked_window);
    if (state.undocked_window)
        DestroyWindow(state.undocked_window);
    if (state.display_font)
        DeleteObject(state.display_font);
    if (state.back_brush)
        DeleteObject(state.back_brush);
    state = DisplayState{};
    state.module_instance = GetModuleHandleA(nullptr);
    for (ImportEntry* entry = ImportTable; entry->id != 0; ++entry)
        entry->table = nullptr;
    PumpMessages();
}

HWND StandUpDisplay(HWND host)
{
    state.host_window = host;
    if (!RegisterDisplayClass())
        return nullptr;
    HWND window = CreateUndockedWindow();
    if (!window)
        return nullptr;
    MeasureDisplayDefaults();
    state.initialised = 1;
    state.display_enabled = 1;
    return window;
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

COLORREF ScreenPixel(int x, int y)
{
    HDC screen = GetDC(nullptr);
    COLORREF colour = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return colour;
}

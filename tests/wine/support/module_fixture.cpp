#include "support/module_fixture.h"

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
    state.cy_caption = GetSystemMetrics(SM_CYCAPTION);
    state.cy_frame = GetSystemMetrics(SM_CYFRAME);
    state.cy_menu = GetSystemMetrics(SM_CYMENU);
    state.cx_frame = GetSystemMetrics(SM_CXFRAME);
    state.cy_border = GetSystemMetrics(SM_CYBORDER);
    state.cx_border = GetSystemMetrics(SM_CXBORDER);
    RECT r;
    GetWindowRect(host, &r);
    state.default_width = (r.right - r.left) / 2;
    state.default_height = state.cy_caption + 2 * state.cy_frame + state.line_height;
    state.undocked_min_height = state.default_height;
    state.docked_min_height = state.line_height;
    state.default_x = r.left + state.cx_frame;
    state.default_y = r.top + state.cy_caption + state.cy_frame + state.cy_menu;
    if (state.window_width < 0 || state.window_height < 0) {
        state.window_width = state.default_width;
        state.window_height = state.default_height;
        state.undocked_x = state.default_x;
        state.undocked_y = state.default_y;
    }
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

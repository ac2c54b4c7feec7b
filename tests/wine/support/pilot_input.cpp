#include "support/pilot_input.h"
#include <cstdio>
#include <cstring>

namespace {

// An absolute position in SendInput's units, 0 to 65535 across the whole
// virtual screen, rounded up so that Windows' conversion back (the units
// times the width, divided by 65536, rounded down) lands on the very pixel.
LONG Normalised(LONG at, int origin, int extent)
{
    if (extent <= 0)
        return 0;
    const long long offset = static_cast<long long>(at - origin) * 65536;
    return static_cast<LONG>((offset + extent - 1) / extent);
}

INPUT MouseInput(DWORD flags, POINT at)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = Normalised(at.x, GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_CXVIRTUALSCREEN));
    input.mi.dy = Normalised(at.y, GetSystemMetrics(SM_YVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
    return input;
}

bool Send(INPUT* inputs, UINT count) { return SendInput(count, inputs, sizeof(INPUT)) == count; }

bool ClickAt(POINT at, DWORD down, DWORD up)
{
    // The move comes first on its own, so that the window under the pointer
    // sees it arrive (its cursor, its hit test) before the button goes down.
    INPUT inputs[] = {MouseInput(0, at), MouseInput(down, at), MouseInput(up, at)};
    return Send(inputs, 3);
}

void DispatchWaiting()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

BOOL CALLBACK FindMenuWindow(HWND window, LPARAM found)
{
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (strcmp(name, "#32768") == 0 && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// A context menu of this thread on the screen, or null.
HWND OpenMenu()
{
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindMenuWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

const std::function<void()>* menu_script = nullptr;
bool menu_seen = false, menu_stuck = false;
UINT_PTR menu_timer = 0, menu_watchdog = 0;

void CALLBACK WatchForMenu(HWND, UINT, UINT_PTR, DWORD)
{
    if (menu_seen || !OpenMenu())
        return;
    menu_seen = true;
    KillTimer(nullptr, menu_timer);
    menu_timer = 0;
    (*menu_script)();
}

// The menu's loop runs inside the dispatch of the click: only a timer
// reaches a menu that the script could not close.
void CALLBACK EndStuckMenu(HWND, UINT, UINT_PTR, DWORD)
{
    if (OpenMenu()) {
        menu_stuck = true;
        EndMenu();
    }
}

std::string Describe(HWND window)
{
    if (!window)
        return "none";
    char name[64] = {}, title[64] = {}, line[200];
    GetClassNameA(window, name, sizeof name);
    GetWindowTextA(window, title, sizeof title);
    snprintf(line, sizeof line, "%s \"%s\" (%p)", name, title, static_cast<void*>(window));
    return line;
}

bool IsDisplayWindow(HWND window)
{
    char name[32] = {};
    GetClassNameA(window, name, sizeof name);
    return strcmp(name, "OrvaleWindow") == 0;
}

HANDLE other_thread = nullptr, other_ready = nullptr;
HWND other_window = nullptr;
volatile LONG other_end = 0;

struct Start {
    RECT place;
    HDESK desktop;
};

DWORD WINAPI RunAnotherProgram(LPVOID start_pointer)
{
    const Start start = *static_cast<Start*>(start_pointer);
    const RECT& place = start.place;
    // On the caller's desktop, a Wine virtual desktop of its own included:
    // a new thread starts on the process's first one.
    SetThreadDesktop(start.desktop);
    other_window = CreateWindowExA(0, "STATIC", "Another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE, place.left,
                                   place.top, place.right - place.left, place.bottom - place.top, nullptr, nullptr,
                                   nullptr, nullptr);
    SetForegroundWindow(other_window);
    SetEvent(other_ready);
    while (!other_end) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    DestroyWindow(other_window);
    return 0;
}

}  // namespace

HWND StartAnotherProgram(RECT place)
{
    EndAnotherProgram();
    other_end = 0;
    other_ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    Start start = {place, GetThreadDesktop(GetCurrentThreadId())};
    other_thread = CreateThread(nullptr, 0, RunAnotherProgram, &start, 0, nullptr);
    // This thread's windows answer the messages the activation sends them
    // meanwhile.
    while (MsgWaitForMultipleObjects(1, &other_ready, FALSE, 5000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
        DispatchWaiting();
    return other_window;
}

void EndAnotherProgram()
{
    if (!other_thread)
        return;
    InterlockedExchange(&other_end, 1);
    while (MsgWaitForMultipleObjects(1, &other_thread, FALSE, 5000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
        DispatchWaiting();
    CloseHandle(other_thread);
    CloseHandle(other_ready);
    other_thread = other_ready = nullptr;
    other_window = nullptr;
}

bool LeftClickAt(POINT at) { return ClickAt(at, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP); }

bool RightClickAt(POINT at) { return ClickAt(at, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP); }

bool PressKey(WORD key)
{
    INPUT inputs[2] = {};
    for (INPUT& input : inputs) {
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, 0));
    }
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    return Send(inputs, 2);
}

bool DragWithLeftButton(POINT from, POINT to)
{
    // Windows' move and size loops follow the pointer step by step; several
    // steps are what a hand makes, and the first is beyond the distance
    // that starts a drag.
    constexpr int Steps = 8;
    INPUT inputs[Steps + 3];
    inputs[0] = MouseInput(0, from);
    inputs[1] = MouseInput(MOUSEEVENTF_LEFTDOWN, from);
    for (int i = 1; i <= Steps; ++i) {
        POINT step = {from.x + (to.x - from.x) * i / Steps, from.y + (to.y - from.y) * i / Steps};
        inputs[i + 1] = MouseInput(0, step);
    }
    inputs[Steps + 2] = MouseInput(MOUSEEVENTF_LEFTUP, to);
    return Send(inputs, Steps + 3);
}

bool PlayContextMenu(POINT at, const std::function<void()>& while_open, int timeout_ms)
{
    menu_script = &while_open;
    menu_seen = menu_stuck = false;
    menu_timer = SetTimer(nullptr, 0, 20, WatchForMenu);
    menu_watchdog = SetTimer(nullptr, 0, static_cast<UINT>(timeout_ms), EndStuckMenu);
    const bool sent = RightClickAt(at);
    const DWORD deadline = GetTickCount() + static_cast<DWORD>(timeout_ms) + 1000;
    int quiet = 0;
    // Closed and nothing more to do: a few quiet rounds, so that what the
    // menu's end posted (its command) and the input after it are handled.
    while (sent && quiet < 5 && static_cast<LONG>(GetTickCount() - deadline) < 0) {
        DispatchWaiting();
        quiet = (menu_seen || menu_stuck) && !OpenMenu() ? quiet + 1 : 0;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    if (menu_timer)
        KillTimer(nullptr, menu_timer);
    KillTimer(nullptr, menu_watchdog);
    menu_timer = menu_watchdog = 0;
    menu_script = nullptr;
    return sent && menu_seen && !menu_stuck && quiet >= 5;
}

bool ClickMenuItem(int position)
{
    const HWND menu_window = OpenMenu();
    if (!menu_window)
        return false;
    const HMENU menu = reinterpret_cast<HMENU>(SendMessageA(menu_window, MN_GETHMENU, 0, 0));
    RECT item = {};
    if (!menu || !GetMenuItemRect(nullptr, menu, static_cast<UINT>(position), &item))
        return false;
    return LeftClickAt(POINT{(item.left + item.right) / 2, (item.top + item.bottom) / 2});
}

bool SimulatorHasKeyboard(HWND main, std::string* who)
{
    GUITHREADINFO thread = {};
    thread.cbSize = sizeof thread;
    GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &thread);
    const HWND foreground = GetForegroundWindow();
    const HWND focus = thread.hwndFocus;
    const bool focus_ours = focus == main || (focus && IsChild(main, focus) && !IsDisplayWindow(focus));
    const bool has = main && foreground == main && thread.hwndActive == main && focus_ours;
    if (who)
        *who = "foreground: " + Describe(foreground) + ", active: " + Describe(thread.hwndActive) +
               ", focus: " + Describe(focus) + (thread.hwndCapture ? ", capture: " + Describe(thread.hwndCapture) : "") +
               (thread.flags & GUI_INMENUMODE ? ", in a menu" : "") + (thread.flags & GUI_INMOVESIZE ? ", moving" : "");
    return has;
}

POINT ClientCentre(HWND window)
{
    RECT client = {};
    GetClientRect(window, &client);
    POINT centre = {client.right / 2, client.bottom / 2};
    ClientToScreen(window, &centre);
    return centre;
}

NONCLIENTMETRICSA CurrentMetrics()
{
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    return metrics;
}

void SetMetrics(NONCLIENTMETRICSA metrics)
{
    SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    DWORD_PTR result = 0;
    SendMessageTimeoutA(HWND_BROADCAST, WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS,
                        reinterpret_cast<LPARAM>("WindowMetrics"), SMTO_ABORTIFHUNG, 2000, &result);
}

// The host's windows: the main window with its menu bar, the instrument-panel
// windows with their records, and the message loop that also drives the tick.
#include "host/host_internal.h"

#include <cstring>
#include <map>

namespace {

const char kPanelClass[] = "SimHostPanel";

struct PanelInfo {
    SimPanelRecord* record;
    std::vector<UINT> seen_flags;
    std::map<UINT, int> seen_messages;
};

HWND main_window;
std::vector<uint32_t> main_commands;
std::map<HWND, PanelInfo> panels;
int tick_interval = 55;
int maximised_top = 0;

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_COMMAND:
        main_commands.push_back(LOWORD(wparam));
        return 0;
    case WM_GETMINMAXINFO: {
        auto* limits = reinterpret_cast<MINMAXINFO*>(lparam);
        limits->ptMaxPosition.y += maximised_top;
        limits->ptMaxSize.y -= maximised_top;
        return 0;
    }
    case WM_CLOSE:
        return 0;  // the host decides when its main window goes
    case WM_DESTROY:
        if (window == main_window)
            main_window = nullptr;
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

LRESULT CALLBACK PanelWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message >= WM_APP) {
        auto found = panels.find(window);
        if (found != panels.end())
            ++found->second.seen_messages[message];
    }
    switch (message) {
    case WM_WINDOWPOSCHANGING: {
        auto found = panels.find(window);
        if (found != panels.end() && lparam)
            found->second.seen_flags.push_back(reinterpret_cast<WINDOWPOS*>(lparam)->flags);
        break;
    }
    case WM_ERASEBKGND: {
        RECT client;
        GetClientRect(window, &client);
        HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(GetWindowLongPtrA(window, 0)));
        FillRect(reinterpret_cast<HDC>(wparam), &client, brush);
        DeleteObject(brush);
        return 1;
    }
    case WM_NCDESTROY: {
        auto found = panels.find(window);
        if (found != panels.end()) {
            delete found->second.record;
            panels.erase(found);
        }
        break;
    }
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

void AppendItem(HMENU menu, UINT id, const char* text)
{
    AppendMenuA(menu, MF_STRING, id, text);
}

void AppendPopup(HMENU bar, HMENU popup, const char* text)
{
    AppendMenuA(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup), text);
}

}  // namespace

void SimClearMainCommands() { main_commands.clear(); }
const std::vector<uint32_t>& SimMainCommands() { return main_commands; }

HMENU SimCreateHostMenuBar()
{
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    AppendItem(file, 1001, "&Open Flight...");
    AppendItem(file, 1002, "E&xit");
    HMENU view = CreatePopupMenu();
    AppendItem(view, 1101, "&Full Screen");
    AppendItem(view, 1102, "&Instrument Panel");
    HMENU aircraft = CreatePopupMenu();
    AppendItem(aircraft, 1201, "&Select Aircraft...");
    AppendPopup(bar, file, "&File");
    AppendPopup(bar, view, "&View");
    AppendPopup(bar, aircraft, "&Aircraft");
    return bar;
}

HWND SimCreateMainWindow(const char* class_name, const char* title, int x, int y, int w, int h)
{
    SimDestroyMainWindow();
    maximised_top = 0;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA wc = {};
    if (!GetClassInfoExA(instance, class_name, &wc)) {
        wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = MainWndProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.hbrBackground = CreateSolidBrush(SimMainColour);
        wc.lpszClassName = class_name;
        if (!RegisterClassExA(&wc))
            return nullptr;
    }
    main_window = CreateWindowExA(0, class_name, title, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, x, y,
                                  w, h, nullptr, SimCreateHostMenuBar(), instance, nullptr);
    if (main_window) {
        ShowWindow(main_window, SW_SHOWNORMAL);
        UpdateWindow(main_window);
    }
    return main_window;
}

HWND SimMainWindow() { return main_window; }
void SimSetMaximisedTop(int top) { maximised_top = top; }

void SimDestroyMainWindow()
{
    if (main_window)
        DestroyWindow(main_window);  // panels go with it (WM_NCDESTROY frees their records)
    main_window = nullptr;
}

HMENU SimSetMenuBar(HMENU bar)
{
    if (!main_window)
        return nullptr;
    HMENU old = GetMenu(main_window);
    SetMenu(main_window, bar);
    DrawMenuBar(main_window);
    return old;
}

HMENU SimMenuBar() { return main_window ? GetMenu(main_window) : nullptr; }

void SimGrayFirstMenuItem(bool gray)
{
    HMENU bar = SimMenuBar();
    if (!bar)
        return;
    EnableMenuItem(bar, 0, MF_BYPOSITION | (gray ? MF_GRAYED : MF_ENABLED));
    DrawMenuBar(main_window);
}

HMENU SimAddModulesPopup()
{
    HMENU bar = SimMenuBar();
    if (!bar)
        return nullptr;
    HMENU popup = CreatePopupMenu();
    AppendItem(popup, 21100, "Other &Module");
    MENUITEMINFOA item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_TYPE;
    item.fType = MFT_STRING;
    item.wID = SimModulesPopupId;
    item.hSubMenu = popup;
    char text[] = "&Modules";
    item.dwTypeData = text;
    item.cch = sizeof text - 1;
    if (!InsertMenuItemA(bar, GetMenuItemCount(bar), TRUE, &item)) {
        DestroyMenu(popup);
        return nullptr;
    }
    DrawMenuBar(main_window);
    return popup;
}

void SimRemoveMenuBar()
{
    HMENU old = SimSetMenuBar(nullptr);
    if (old)
        DestroyMenu(old);
}

HWND SimCreatePanel(int x, int y, int w, int h, uint16_t kind, COLORREF colour)
{
    if (!main_window)
        return nullptr;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA wc = {};
    if (!GetClassInfoExA(instance, kPanelClass, &wc)) {
        wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = PanelWndProc;
        wc.cbWndExtra = sizeof(LONG_PTR);
        wc.hInstance = instance;
        wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.lpszClassName = kPanelClass;
        if (!RegisterClassExA(&wc))
            return nullptr;
    }
    HWND panel = CreateWindowExA(0, kPanelClass, "Panel", WS_CHILD | WS_CLIPSIBLINGS, x, y, w, h, main_window,
                                 nullptr, instance, nullptr);
    if (!panel)
        return nullptr;
    SimPanelRecord* record = new SimPanelRecord();
    panels[panel] = PanelInfo{record, {}, {}};
    SimSetPanelKind(panel, kind);
    SetWindowLongPtrA(panel, 0, static_cast<LONG_PTR>(colour));
    SetWindowLongPtrA(panel, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(record));
    ShowWindow(panel, SW_SHOWNA);
    UpdateWindow(panel);
    return panel;
}

SimPanelRecord* SimPanelRecordOf(HWND panel)
{
    auto found = panels.find(panel);
    return found == panels.end() ? nullptr : found->second.record;
}

void SimSetPanelKind(HWND panel, uint16_t kind)
{
    if (SimPanelRecord* record = SimPanelRecordOf(panel)) {
        uint32_t word = static_cast<uint32_t>(kind) << 16;
        memcpy(record->bytes + 24, &word, sizeof word);
    }
}

void SimSetPanelUserData(HWND panel, void* data)
{
    SetWindowLongPtrA(panel, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(data));
}

void SimMovePanel(HWND panel, int x, int y, int w, int h) { MoveWindow(panel, x, y, w, h, TRUE); }
void SimShowPanel(HWND panel, bool show) { ShowWindow(panel, show ? SW_SHOWNA : SW_HIDE); }
void SimDestroyPanel(HWND panel) { DestroyWindow(panel); }

LRESULT SimSendPanelFlags(HWND panel, UINT flags)
{
    RECT rect = {};
    GetWindowRect(panel, &rect);
    POINT origin = {rect.left, rect.top};
    if (HWND parent = GetParent(panel))
        ScreenToClient(parent, &origin);
    WINDOWPOS pos = {};
    pos.hwnd = panel;
    pos.x = origin.x;
    pos.y = origin.y;
    pos.cx = rect.right - rect.left;
    pos.cy = rect.bottom - rect.top;
    pos.flags = flags;
    return SendMessageA(panel, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
}

BOOL SimSetPanelPosFlags(HWND panel, UINT flags) { return SetWindowPos(panel, nullptr, 0, 0, 0, 0, flags); }

void SimHostHidePanel(HWND panel)
{
    SimSendPanelFlags(panel, 0x1837);
    ShowWindow(panel, SW_HIDE);
}

void SimHostShowPanel(HWND panel)
{
    ShowWindow(panel, SW_SHOWNA);
    SimSendPanelFlags(panel, 0x0013);
}

std::vector<UINT> SimPanelSeenFlags(HWND panel)
{
    auto found = panels.find(panel);
    return found == panels.end() ? std::vector<UINT>() : found->second.seen_flags;
}

int SimPanelSeenMessages(HWND panel, UINT message)
{
    auto found = panels.find(panel);
    if (found == panels.end())
        return 0;
    auto count = found->second.seen_messages.find(message);
    return count == found->second.seen_messages.end() ? 0 : count->second;
}

int SimRestoreWindowProcs(uintptr_t begin, uintptr_t end)
{
    int restored = 0;
    auto restore = [&](HWND window, WNDPROC own) {
        auto proc = static_cast<uintptr_t>(GetWindowLongPtrA(window, GWLP_WNDPROC));
        if (proc >= begin && proc < end) {
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(own));
            ++restored;
        }
    };
    if (main_window)
        restore(main_window, MainWndProc);
    for (auto& panel : panels)
        restore(panel.first, PanelWndProc);
    return restored;
}

void SimSetTickInterval(int ms) { tick_interval = ms < 0 ? 0 : ms; }
int SimTickInterval() { return tick_interval; }

namespace {

// One pass of the loop: every waiting message, then the tick when it is due.
void PumpOnce(DWORD* next_tick)
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        // A thread timer whose routine lay in a module the host has unloaded
        // would jump into freed memory: end it instead.
        if (msg.message == WM_TIMER && msg.lParam && SimAddressInGoneModule(static_cast<uintptr_t>(msg.lParam))) {
            KillTimer(msg.hwnd, msg.wParam);
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (tick_interval > 0 && static_cast<LONG>(GetTickCount() - *next_tick) >= 0) {
        SimRunTicks(1);
        *next_tick = GetTickCount() + tick_interval;
    }
}

void WaitBriefly(DWORD deadline, DWORD next_tick)
{
    LONG wait = static_cast<LONG>(deadline - GetTickCount());
    if (tick_interval > 0) {
        LONG to_tick = static_cast<LONG>(next_tick - GetTickCount());
        if (to_tick < wait)
            wait = to_tick;
    }
    if (wait > 10)
        wait = 10;  // thread timers are made inside PeekMessage: look often
    if (wait > 0)
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(wait), QS_ALLINPUT);
}

}  // namespace

bool SimPumpUntil(const std::function<bool()>& done, int timeout_ms)
{
    DWORD deadline = GetTickCount() + (timeout_ms > 0 ? timeout_ms : 0);
    DWORD next_tick = GetTickCount() + tick_interval;
    for (;;) {
        PumpOnce(&next_tick);
        if (done && done())
            return true;
        if (static_cast<LONG>(GetTickCount() - deadline) >= 0)
            return false;
        WaitBriefly(deadline, next_tick);
    }
}

void SimPump(int ms) { SimPumpUntil(nullptr, ms); }

// Start-up in timed stages: the panel-load hook as soon as the host offers its
// table, the main window found by a 55 ms poll, then the display, the text
// hook and the tick; three seconds later the host menu. Shut-down, a start
// after a stop, and putting the host back when the library is unloaded while
// the simulator goes on running.
#include "module/display_state.h"
#include "module/edition.h"

namespace {

constexpr UINT StartupPollMs = 55;
constexpr UINT MenuDelayMs = 3000;
constexpr uintptr_t TickId = 2;

template <typename Routine>
uintptr_t Address(Routine routine)
{
    return reinterpret_cast<uintptr_t>(routine);
}

// The slot of a host table, or null when the host did not offer the table.
uintptr_t* OfferedSlot(uint32_t table_id, uint32_t byte_offset)
{
    unsigned char* table = HostTable(table_id);
    return table ? HostSlot(table, byte_offset) : nullptr;
}

void HookTextOutput()
{
    uintptr_t* slot = OfferedSlot(TableTextOutput, TextOutputSlot);
    if (slot == nullptr)
        slot = OfferedSlot(TableTextAlt, TextAltSlot);
    if (slot == nullptr)
        return;
    // Started again after a stop, the slot still holds the hook: saving it as
    // the routine to call on would make every message call itself for ever.
    if (*slot != Address(&TextOutputHook)) {
        state.prev_text_output = reinterpret_cast<TextOutputRoutine>(*slot);
        *slot = Address(&TextOutputHook);
    }
    if (state.undocked_window)
        state.display_enabled = 1;
}

void RegisterTick()
{
    if (state.tick_registered)
        return;
    uintptr_t* slot = OfferedSlot(TableTick, TickRegisterSlot);
    if (slot == nullptr || *slot == 0)
        return;
    reinterpret_cast<TickRegistration>(*slot)(TickId, &DisplayTick);
    state.tick_registered = 1;
}

void UnregisterTick()
{
    if (!state.tick_registered)
        return;
    uintptr_t* slot = OfferedSlot(TableTick, TickUnregisterSlot);
    // A host that offers no way to unregister goes on calling the tick; it
    // stays marked as registered, so a start after a stop does not register
    // it a second time.
    if (slot == nullptr || *slot == 0)
        return;
    reinterpret_cast<TickRegistration>(*slot)(TickId, &DisplayTick);
    state.tick_registered = 0;
}

void DestroyDisplayWindows()
{
    // WM_DESTROY clears each handle and frees the window's menu.
    if (state.undocked_window)
        DestroyWindow(state.undocked_window);
    if (state.docked_window)
        DestroyWindow(state.docked_window);
    state.undocked_window = nullptr;
    state.docked_window = nullptr;
}

// Writes the host's routine back into a slot that still holds the module's.
// A slot that some other module has taken over since is left to that module.
template <typename Routine>
void RestoreSlot(uint32_t table_id, uint32_t byte_offset, uintptr_t hook, Routine previous)
{
    uintptr_t* slot = OfferedSlot(table_id, byte_offset);
    if (slot != nullptr && *slot == hook)
        *slot = Address(previous);
}

}  // namespace

BOOL DllAttach(HINSTANCE instance, DWORD reason)
{
    state.module_instance = instance;
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        FindHostWindow();
        // The edition word tells the host this module knows FS2002; any other
        // host gets 0.
        if (state.host_version != EditionFS2002)
            Linkage.edition = 0;
    }
    return TRUE;
}

void WINAPI StartModule()
{
    // A timer left from an earlier run (the menu's one-shot after a stop)
    // would be lost once timer_id is overwritten, and would fire every three
    // seconds for ever; the new poll sets it again.
    if (state.timer_id)
        KillTimer(nullptr, state.timer_id);
    state.timer_id = SetTimer(nullptr, 0, StartupPollMs, StartupTimerProc);
    InstallPanelHook();
}

int InstallPanelHook()
{
    uintptr_t* slot = OfferedSlot(TablePanel, PanelLoadSlot);
    if (slot == nullptr || state.panel_hook_installed)
        return 0;
    state.panel_hook_installed = 1;
    if (*slot == Address(&PanelLoadHook))
        return 0;
    state.prev_panel_load = reinterpret_cast<PanelLoadRoutine>(*slot);
    *slot = Address(&PanelLoadHook);
    return 1;
}

void CALLBACK StartupTimerProc(HWND, UINT, UINT_PTR, DWORD)
{
    InstallPanelHook();
    if (state.host_window == nullptr)
        FindHostWindow();
    if (state.host_window == nullptr)
        return;
    if (state.timer_id)
        KillTimer(nullptr, state.timer_id);
    state.timer_id = SetTimer(nullptr, 0, MenuDelayMs, MenuTimerProc);
    if (!state.initialised)
        InitDisplay();
}

void FindHostWindow()
{
    EnumWindows(MatchHostWindow, 0);
}

BOOL CALLBACK MatchHostWindow(HWND window, LPARAM)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId())
        return TRUE;

    char class_name[HostClassBytes] = {};
    if (GetClassNameA(window, class_name, sizeof class_name) == 0)
        return TRUE;
    if (!IsHostClassName(class_name))
        return TRUE;

    // The simulator creates its main window before sizing it; an empty one is
    // not taken, and the poll looks again.
    RECT rect;
    if (!GetWindowRect(window, &rect) || rect.right == rect.left || rect.top == rect.bottom)
        return TRUE;

    char title[HostClassBytes] = {};
    if (EditionNeedsTitle(class_name))
        GetWindowTextA(window, title, HostTitleCount);

    state.host_window = window;
    state.host_version = HostEdition(class_name, title);
    if (state.host_version == EditionFS2002)
        state.attach_by_subclass = 1;
    return FALSE;
}

void MeasureDisplayDefaults()
{
    state.cy_caption = GetSystemMetrics(SM_CYCAPTION);
    state.cy_frame = GetSystemMetrics(SM_CYFRAME);
    state.cy_menu = GetSystemMetrics(SM_CYMENU);
    state.cx_frame = GetSystemMetrics(SM_CXFRAME);
    state.cy_border = GetSystemMetrics(SM_CYBORDER);
    state.cx_border = GetSystemMetrics(SM_CXBORDER);
    ShowWindow(state.undocked_window, SW_HIDE);

    RECT host = {};
    GetWindowRect(state.host_window, &host);
    // The width is halved in 64 bits: right - left of extreme rectangles
    // does not fit 32.
    state.default_width = static_cast<int32_t>((static_cast<int64_t>(host.right) - host.left) / 2);
    state.default_height = state.cy_caption + 2 * state.cy_frame + state.line_height;
    state.undocked_min_height = state.default_height;
    state.docked_min_height = state.line_height;
    // Just under the host's caption and menu bar.
    state.default_x = host.left + state.cx_frame;
    state.default_y = host.top + state.cy_caption + state.cy_frame + state.cy_menu;

    // A panel loaded before the display existed may have set a size (and
    // the form); only without one do the defaults apply.
    if (state.window_height < 0 || state.window_width < 0) {
        state.window_width = state.default_width;
        state.window_height = state.default_height;
        state.undocked_x = state.default_x;
        state.undocked_y = state.default_y;
    }
}

void InitDisplay()
{
    if (RegisterDisplayClass() && CreateUndockedWindow()) {
        MeasureDisplayDefaults();
        PlaceDisplay(state.docked, 0);
    }
    state.initialised = 1;
    HookTextOutput();
    RegisterTick();
}

void WINAPI StopModule()
{
    UnregisterTick();
    DestroyDisplayWindows();
    // The table hooks and the main window's subclass stay and pass everything
    // on. A later start builds the display afresh; the hooks it finds in
    // place are kept as they are.
    state.initialised = 0;
}

void DllDetach(bool process_ends)
{
    // At process exit the host goes too: its tables and windows are not
    // called again, and other threads are already gone.
    if (process_ends)
        return;

    // Unloaded while the host runs on: nothing of the host may lead into this
    // library's code any more.
    if (state.timer_id) {
        KillTimer(nullptr, state.timer_id);
        state.timer_id = 0;
    }
    UnregisterTick();
    RestoreSlot(TableTextOutput, TextOutputSlot, Address(&TextOutputHook), state.prev_text_output);
    RestoreSlot(TableTextAlt, TextAltSlot, Address(&TextOutputHook), state.prev_text_output);
    RestoreSlot(TablePanel, PanelLoadSlot, Address(&PanelLoadHook), state.prev_panel_load);
    state.panel_hook_installed = 0;

    if (state.host_window && IsWindow(state.host_window) && state.prev_host_wndproc &&
        static_cast<uintptr_t>(GetWindowLongPtrA(state.host_window, GWLP_WNDPROC)) == Address(&HostWndProc))
        SetWindowLongPtrA(state.host_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(state.prev_host_wndproc));
    DetachPanel();

    DestroyDisplayWindows();
    if (state.display_font)
        DeleteObject(state.display_font);
    state.display_font = nullptr;
    if (state.back_brush)
        DeleteObject(state.back_brush);
    state.back_brush = nullptr;
    UnregisterClassA(DisplayClassName, state.module_instance);
}

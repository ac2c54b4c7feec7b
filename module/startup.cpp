// Start-up in timed stages: the panel-load hook as soon as the host offers its
// table, the main window found by a 55 ms poll, then the display, the text
// hook and the tick; three seconds later the host menu. Shut-down, a start
// after a stop, staying mapped while other modules' hooks lead into this
// library, and putting the host back when the library is unloaded while the
// simulator goes on running.
#include "module/startup.h"
#include "module/host_entries.h"
#include "module/window_procedures.h"
#include "core/display_state.h"
#include "core/edition.h"
#include "core/hook_chain.h"
#include "core/host_interface.h"
#include "core/module_timer.h"
#include "display/display_window.h"
#include "docking/attachment.h"
#include "docking/placement.h"
#include "hostmenu/host_menu.h"
#include "settings/settings_file.h"

namespace {

constexpr UINT StartupPollMs = 55;
constexpr UINT MenuDelayMs = 3000;
constexpr uintptr_t TickId = 2;

// The slot the text hook goes into: table 0x0016's, or table 0x000A's when
// the host offers no 0x0016.
uintptr_t* TextHookSlot()
{
    uintptr_t* slot = OfferedSlot(TableTextOutput, TextOutputSlot);
    return slot ? slot : OfferedSlot(TableTextAlt, TextAltSlot);
}

HookPlace TextHookPlace(const uintptr_t* slot)
{
    return PlaceOfHook(*slot, Address(&TextOutputHook), state.text_hook_installed,
                       Address(state.prev_text_output));
}

HookPlace PanelHookPlace(const uintptr_t* slot)
{
    return PlaceOfHook(*slot, Address(&PanelLoadHook), state.panel_hook_installed, Address(state.prev_panel_load));
}

void HookTextOutput()
{
    uintptr_t* slot = TextHookSlot();
    if (slot == nullptr)
        return;
    // Started again after a stop, the hook is usually still in the chain and
    // simply passes on no longer; it keeps the routine it saved at the first
    // start.
    if (TextHookPlace(slot) == HookOut) {
        state.prev_text_output = reinterpret_cast<TextOutputRoutine>(*slot);
        *slot = Address(&TextOutputHook);
    }
    state.text_hook_installed = 1;
    if (state.undocked_window) {
        state.display_enabled = 1;
        CheckOrvaleItem();
    }
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
    // The keyboard goes back to the simulator first: a window destroyed while
    // it has it (a chooser open on the display) hands it to whichever window
    // Windows picks next. WM_DESTROY clears each handle and frees the
    // window's menu.
    GiveKeyboardBack();
    if (state.undocked_window)
        DestroyWindow(state.undocked_window);
    if (state.docked_window)
        DestroyWindow(state.docked_window);
    state.undocked_window = nullptr;
    state.docked_window = nullptr;
}

// Whether the host or another module can still reach the module's code once
// it is stopped: any hook or subclass of its own still in a chain (on top, a
// module that hooks over it after the stop would call into freed memory once
// the library went; under another module's, that module calls on to it now),
// a tick the host offers no way to take back, or the module's own window
// procedure further down the stack, whose modal loop (a chooser, a menu, a
// move) or whose call on to the host's procedure ran this stop, and which
// carries on when the stop and the unload have returned.
bool ReachableAfterStop()
{
    if (state.calls_in_progress > 0 || state.tick_registered)
        return true;
    if (const uintptr_t* text = TextHookSlot(); text && TextHookPlace(text) != HookOut)
        return true;
    if (const uintptr_t* panel = OfferedSlot(TablePanel, PanelLoadSlot); panel && PanelHookPlace(panel) != HookOut)
        return true;
    if (PanelChainsLeft())
        return true;
    return IsWindow(state.host_window) && state.prev_host_wndproc && HostSubclassPlace() != HookOut;
}

// A reference on itself: the host's FreeLibrary then leaves the library
// mapped, its hooks passing everything straight on, until the process ends
// or the host starts it again.
void KeepLoaded()
{
    if (state.kept_loaded)
        return;
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(state.module_instance, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return;
    if (LoadLibraryA(path))
        state.kept_loaded = 1;
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

void CALLBACK StartupTimerProc(HWND, UINT, UINT_PTR id, DWORD)
{
    // A message of a timer killed since (a stop, a new start, the poll
    // replaced by the menu's timer) was already on its way: it does nothing.
    if (!IsModuleTimer(id, StartupTimerProc))
        return;
    InstallPanelHook();
    if (state.host_window == nullptr)
        FindHostWindow();
    if (state.host_window == nullptr)
        return;
    SetModuleTimer(MenuDelayMs, MenuTimerProc);
    if (!state.initialised)
        InitDisplay();
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
    state.stopped = 0;
    // The host holds its own reference while it calls: the one a stop took
    // goes back, and the next stop decides again. Running, the module is
    // taken down by its unload as before.
    if (state.kept_loaded) {
        state.kept_loaded = 0;
        FreeLibrary(state.module_instance);
    }
    // A timer left from an earlier run is killed first: it would be lost once
    // timer_id is overwritten, and would fire for ever.
    SetModuleTimer(StartupPollMs, StartupTimerProc);
    // The screen may have changed while no window of the module was there
    // to be told (going full screen stops the modules first).
    state.monitor_count = 0;
    // Stopped, the panel-load hook stayed in its chain and read whatever the
    // simulator loaded meanwhile. Only where somebody took it out can the
    // module not know the aircraft: nothing of the one before is shown or
    // saved then, until the simulator loads a panel.
    if (const uintptr_t* slot = OfferedSlot(TablePanel, PanelLoadSlot);
        slot && state.panel_hook_installed && PanelHookPlace(slot) == HookOut)
        ForgetAircraft();
    InstallPanelHook();
}

int InstallPanelHook()
{
    uintptr_t* slot = OfferedSlot(TablePanel, PanelLoadSlot);
    if (slot == nullptr)
        return 0;
    const HookPlace place = PanelHookPlace(slot);
    state.panel_hook_installed = 1;
    if (place != HookOut)
        return 0;
    state.prev_panel_load = reinterpret_cast<PanelLoadRoutine>(*slot);
    *slot = Address(&PanelLoadHook);
    return 1;
}

void FindHostWindow()
{
    EnumWindows(MatchHostWindow, 0);
}

void InitDisplay()
{
    if (RegisterDisplayClass() && CreateUndockedWindow()) {
        RemakeDisplayFont();
        MeasureDisplayDefaults();
        PlaceDisplay(state.docked ? FormDocked : FormFloating, FromStoredPlace);
    }
    state.initialised = 1;
    HookTextOutput();
    RegisterTick();
}

void CALLBACK MenuTimerProc(HWND, UINT, UINT_PTR id, DWORD)
{
    // A message of a timer killed since (a stop, a new start) was already on
    // its way: it must not kill the timer the module holds now.
    if (!IsModuleTimer(id, MenuTimerProc))
        return;
    // The main window is subclassed once per load. A second run after a stop
    // and a new start finds HostWndProc in the chain, on top or under a later
    // subclass that calls on to it; saving either as the procedure to call on
    // would make every message go round without end. Only a subclass that
    // someone has taken out again goes back in.
    if (state.host_window && HostSubclassPlace() == HookOut) {
        state.prev_host_wndproc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(state.host_window, GWLP_WNDPROC));
        SetWindowLongPtrA(state.host_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(HostWndProc));
    }
    KillModuleTimer();
    InstallMenuItem();
}

void WINAPI StopModule()
{
    // A stop cancels everything the start began: a poll that has not found
    // the main window yet, or the menu's one-shot, would otherwise hook,
    // register, show and subclass after it.
    state.stopped = 1;
    KillModuleTimer();
    UnregisterTick();
    // The display comes back at the start as the pilot left it: where it
    // stands is noted before its windows go (a chooser open on one goes
    // with it), and the font is made again from its description.
    NoteDisplayPlace();
    // A recall ends with the windows that showed it: the start shows the buffer.
    state.recall_age = -1;
    DestroyDisplayWindows();
    ReleaseDisplayFont();
    state.initialised = 0;
    // The hooks and the main window's subclass stay in their chains and pass
    // everything straight on; the panel-load hook goes on reading what the
    // simulator loads. Only a panel subclass on top of its chain goes.
    LeavePanelChains();
    if (ReachableAfterStop())
        KeepLoaded();
}

void DllDetach(bool process_ends)
{
    // At process exit the host goes too: its tables and windows are not
    // called again, and other threads are already gone.
    if (process_ends)
        return;

    // Unloaded while the host runs on: nothing of the host may lead into this
    // library's code any more.
    KillModuleTimer();
    UnregisterTick();
    RestoreSlot(TableTextOutput, TextOutputSlot, Address(&TextOutputHook), state.prev_text_output);
    RestoreSlot(TableTextAlt, TextAltSlot, Address(&TextOutputHook), state.prev_text_output);
    RestoreSlot(TablePanel, PanelLoadSlot, Address(&PanelLoadHook), state.prev_panel_load);
    state.panel_hook_installed = 0;
    state.text_hook_installed = 0;

    if (state.host_window && IsWindow(state.host_window) && state.prev_host_wndproc &&
        HostSubclassPlace() == HookOnTop)
        SetWindowLongPtrA(state.host_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(state.prev_host_wndproc));
    DetachPanel();
    LeavePanelChains();

    DestroyDisplayWindows();
    if (state.display_font)
        DeleteObject(state.display_font);
    state.display_font = nullptr;
    if (state.back_brush)
        DeleteObject(state.back_brush);
    state.back_brush = nullptr;
    UnregisterClassA(DisplayClassName, state.module_instance);
}

// The window procedures Windows enters the module by: the display windows'
// (with the menu commands, one line each), and the subclass of the
// simulator's main window that carries the "&Orvale" item. Each hands the
// message down to the rooms that do the work.
#include "module/window_procedures.h"
#include "core/display_state.h"
#include "core/hook_chain.h"
#include "display/display_window.h"
#include "display/window_layout.h"
#include "docking/attachment.h"
#include "docking/display_commands.h"
#include "docking/placement.h"
#include "hostmenu/host_menu.h"
#include "resources/resource.h"
#include "settings/colours_font.h"
#include "settings/settings_file.h"

// Close, from the menu or Alt+F4: the display goes off, and so does the check
// mark of "&Orvale".
static void SwitchDisplayOff()
{
    CloseDisplay();
    CheckOrvaleItem();
}

// The pilot changed the display settings or the sizes of captions and
// frames. The metrics every conversion uses are measured again, and the
// floating window takes the new frame at once, still at least one line high.
static void OnSystemChange(bool display)
{
    if (display)
        state.monitor_count = 0;   // measured again when next asked
    MeasureMetrics();
    RefitFloatingWindow();
}

// The display's menu commands, each handed to the room that carries it out.
static void RunCommand(HWND window, WPARAM command)
{
    switch (command) {
    case IDM_DOCK: DockDisplay(); break;
    case IDM_UNDOCK: UndockDisplay(); break;
    case IDM_CLOSE: SwitchDisplayOff(); break;
    case IDM_TEXTCOLOUR:
    case IDM_BACKCOLOUR:
    case IDM_FONT:
    case IDM_MATCHBACK: RunColourCommand(window, static_cast<UINT>(command)); break;
    case IDM_SHOWUNDOCKED: ShowFloatingDisplay(); break;
    case IDM_SAVE: SaveIfDocked(); break;
    case IDM_HIDEALWAYS: HideAlways(); break;
    case IDM_ALSOATIS: ToggleAlsoAtis(window); break;
    case IDM_HIDEEMPTY: ToggleHideWhenEmpty(window); break;
    default: break;
    }
}

static LRESULT HandleDisplayMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_CREATE:
        DisplayOnCreate(window);
        return 0;
    case WM_PAINT:
        DisplayOnPaint(window);
        return 0;
    case WM_SIZING: {
        RECT* drag = reinterpret_cast<RECT*>(lparam);
        int32_t bottom = drag->bottom;
        KeepMinimumHeight(state, drag->top, &bottom);
        drag->bottom = bottom;
        return TRUE;
    }
    case WM_MOUSEACTIVATE:
        // A docked child asks its parents, as any child of the simulator's
        // window does.
        if (!(GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD))
            return DisplayOnMouseActivate();
        break;
    case WM_EXITSIZEMOVE:
        // The window system may activate a window whose caption or frame is
        // dragged (Wine does).
        GiveKeyboardBack();
        break;
    case WM_LBUTTONDOWN:
        DisplayOnLeftButtonDown(window);
        return 0;
    case WM_RBUTTONUP:
        if (DisplayOnRightButtonUp(window, lparam))
            return 0;
        break;
    case WM_CLOSE:
        // Alt+F4 on either window is the pilot's Close: the display goes off
        // and the "&Orvale" item brings it back. The floating window stays
        // until the module stops, and the font, shared by both windows, lives
        // on until it is replaced.
        SwitchDisplayOff();
        return 0;
    case WM_SETTINGCHANGE:
    case WM_DISPLAYCHANGE:
        OnSystemChange(message == WM_DISPLAYCHANGE);
        break;
    case WM_DESTROY: {
        // Closed, stopped, or gone with the panel it was re-parented into:
        // nothing stays attached to a docked window that no longer exists,
        // and the retry makes a new one while the display is docked.
        const bool docked = window == state.docked_window;
        DisplayOnDestroy(window);
        if (docked)
            EndAttachment();
        break;
    }
    case WM_COMMAND:
        // The whole wParam is compared: an accelerator or control
        // notification carrying a command number is not a command.
        RunCommand(window, wparam);
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

static LRESULT CALLBACK DisplayWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    // A chooser, the context menu, moving or sizing leave the simulator
    // running inside this call.
    return CountedWindowCall(HandleDisplayMessage, window, message, wparam, lparam);
}

bool RegisterDisplayClass()
{
    WNDCLASSA wc = {};
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_OWNDC;
    wc.lpfnWndProc = DisplayWndProc;
    wc.cbWndExtra = 30;
    wc.hInstance = state.module_instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = DisplayClassName;
    if (RegisterClassA(&wc))
        return true;
    // A module started again after a stop finds its class still there.
    return GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// The procedure the subclass replaced. A subclass left in place after the
// module's state was put back (a restart that found it already installed)
// has none to call; the window then gets the default handling.
static LRESULT CallHostProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (!state.prev_host_wndproc)
        return DefWindowProcA(window, message, wparam, lparam);
    return CallWindowProcA(state.prev_host_wndproc, window, message, wparam, lparam);
}

static LRESULT HandleHostMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    // Stopped, the subclass stays (another module's may sit on top of it) and
    // passes everything straight on.
    if (state.stopped)
        return CallHostProc(window, message, wparam, lparam);
    switch (message) {
    case WM_NCPAINT: {
        const LRESULT result = CallHostProc(window, message, wparam, lparam);
        SyncMenuItem();
        return result;
    }
    case WM_INITMENU:
    case WM_INITMENUPOPUP:
        // The pilot opens the menu: the mark says whether the display is on,
        // whatever became of the bar meanwhile.
        if (GetMenu(state.host_window) != state.host_menu)
            SyncMenuItem();
        else
            CheckOrvaleItem();
        break;
    case WM_COMMAND:
        // Only the low word: the item counts whatever the notification code.
        // A display hidden by "Hide always" is on but shows nothing: the item
        // brings it back rather than switching it off.
        if (LOWORD(wparam) == OrvaleItemId && state.undocked_window) {
            const bool hidden_always = state.docked && state.hide_always;
            SendMessageA(state.undocked_window, WM_COMMAND,
                         state.display_enabled && !hidden_always ? IDM_CLOSE : IDM_SHOWUNDOCKED, 0);
        }
        break;
    case WM_SIZE: {
        // Minimised, the simulator takes the module's windows off the desktop
        // with it; restored, they are back at once.
        const LRESULT result = CallHostProc(window, message, wparam, lparam);
        FollowMinimisedHost();
        return result;
    }
    }
    return CallHostProc(window, message, wparam, lparam);
}

LRESULT CALLBACK HostWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    // The simulator may stop and unload its modules from inside its own
    // procedure (its menu, its close): this one is then still on the stack.
    return CountedWindowCall(HandleHostMessage, window, message, wparam, lparam);
}

HookPlace HostSubclassPlace()
{
    const LONG_PTR current = GetWindowLongPtrA(state.host_window, GWLP_WNDPROC);
    return PlaceOfHook(static_cast<uintptr_t>(current), reinterpret_cast<uintptr_t>(HostWndProc),
                       state.prev_host_wndproc != nullptr, reinterpret_cast<uintptr_t>(state.prev_host_wndproc));
}

// The display windows: class "OrvaleWindow", painting, sizing, the
// right-button menus and their commands.
#include "core/display_state.h"
#include "module/startup.h"
#include "display/window_layout.h"
#include "core/bytes_and_text.h"

const char DisplayClassName[] = "OrvaleWindow";
static const char UndockedCaption[] = "Orvale: drag, size and dock me!";

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

HWND CreateUndockedWindow()
{
    CopyBytes(state.menu_name, "UNDOCKEDM", sizeof "UNDOCKEDM");
    state.loaded_menu = nullptr;
    state.undocked_window = CreateWindowExA(0, DisplayClassName, UndockedCaption,
                                            WS_POPUP | WS_CAPTION | WS_THICKFRAME, 0, 0, 0, 0,
                                            state.host_window, nullptr, state.module_instance, nullptr);
    state.undocked_menu = state.loaded_menu;
    return state.undocked_window;
}

void ApplyColours(HWND window)
{
    HDC dc = GetDC(window);
    SetTextColor(dc, ResolveTextColour(state));
    SetBkColor(dc, ResolveBackColour(state));
    ReleaseDC(window, dc);
}

void RemakeBackBrush()
{
    if (state.back_brush)
        DeleteObject(state.back_brush);
    state.back_brush = CreateSolidBrush(ResolveBackColour(state));
}

void ReplaceDisplayFont(HFONT font)
{
    // Each window's own context keeps the font selected between paints, so the
    // new one (or the context's original font) goes in before the old one is
    // deleted: no context is ever left holding a deleted font.
    HGDIOBJ selected = font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT);
    const HWND windows[] = {state.docked_window, state.undocked_window};
    for (HWND window : windows) {
        if (!window)
            continue;
        HDC dc = GetDC(window);
        SelectObject(dc, selected);
        ReleaseDC(window, dc);
    }
    if (state.display_font && state.display_font != font)
        DeleteObject(state.display_font);
    state.display_font = font;
}

void ReleaseDisplayFont()
{
    state.remake_font = state.remake_font || state.display_font != nullptr;
    ReplaceDisplayFont(nullptr);
}

void RemakeDisplayFont()
{
    if (!state.remake_font)
        return;
    state.remake_font = 0;
    ReplaceDisplayFont(CreateFontIndirectA(&state.display_logfont));
}

void ShowByText(HWND window)
{
    if (state.auto_hide > 0 && state.hide_always == 0)
        ShowDisplayWindow(window, state.text_length != 0);
}

namespace {

int32_t RestoreBit(HWND window) { return window == state.docked_window ? 1 : 2; }

bool OnTheDesktop(HWND window)
{
    return window && !(GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD);
}

bool HostMinimised() { return state.host_window && IsIconic(state.host_window); }

}  // namespace

void ShowDisplayWindow(HWND window, bool show)
{
    if (!window)
        return;
    // Nothing of the module stands on the desktop while the simulator is
    // minimised, whatever Windows does with owned windows: a display window
    // of its own on the desktop waits hidden for the restore.
    if (show && OnTheDesktop(window) && HostMinimised()) {
        ShowWindow(window, SW_HIDE);
        state.shown_at_restore |= RestoreBit(window);
        return;
    }
    state.shown_at_restore &= ~RestoreBit(window);
    ShowWindow(window, show ? SW_SHOWNA : SW_HIDE);
}

void FollowMinimisedHost()
{
    if (HostMinimised()) {
        const HWND windows[] = {state.docked_window, state.undocked_window};
        for (HWND window : windows)
            if (OnTheDesktop(window) && (GetWindowLongPtrA(window, GWL_STYLE) & WS_VISIBLE)) {
                ShowWindow(window, SW_HIDE);
                state.shown_at_restore |= RestoreBit(window);
            }
        return;
    }
    const int32_t shown = state.shown_at_restore;
    state.shown_at_restore = 0;
    if ((shown & 1) && state.docked_window)
        ShowWindow(state.docked_window, SW_SHOWNA);
    if ((shown & 2) && state.undocked_window)
        ShowWindow(state.undocked_window, SW_SHOWNA);
}

void ResetToDefaultPlace()
{
    RECT host;
    if (state.host_window && GetWindowRect(state.host_window, &host)) {
        state.default_x = state.undocked_x = host.left + state.cx_frame;
        state.default_y = state.undocked_y = host.top + state.cy_caption + state.cy_frame + state.cy_menu;
    }
    state.window_width = state.default_width;
    state.window_height = state.default_height;
    state.undock_kept = 0;
}

void CloseDisplay()
{
    // Hidden or destroyed while it has the keyboard (a chooser open on it),
    // a window would hand it to whichever window Windows picks next.
    GiveKeyboardBack();
    state.display_enabled = 0;
    ShowDisplayWindow(state.undocked_window, false);
    if (state.docked_window)
        DestroyWindow(state.docked_window);
    CheckOrvaleItem();
    ResetToDefaultPlace();
    state.docked = 0;
    state.auto_hide = 0;
    state.hide_always = 0;
}

static HMENU MenuOf(HWND window)
{
    return window == state.docked_window ? state.docked_menu : state.undocked_menu;
}

static void CheckCommand(HWND window, UINT command, int32_t on)
{
    state.loaded_menu = MenuOf(window);
    if (state.loaded_menu)
        CheckMenuItem(state.loaded_menu, command, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

static void OnCreate(HWND window)
{
    HDC dc = GetDC(window);
    TEXTMETRICA metrics = {};
    // The context still holds its initial font: the line height follows the
    // system font, whatever font the pilot chose for the text.
    GetTextMetricsA(dc, &metrics);
    state.line_height = LineHeight(metrics.tmHeight, metrics.tmExternalLeading);
    SetTextColor(dc, ResolveTextColour(state));
    SetBkColor(dc, ResolveBackColour(state));
    RemakeBackBrush();
    ReleaseDC(window, dc);
    state.loaded_menu = LoadMenuA(state.module_instance, state.menu_name);
}

static void OnPaint(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (state.display_font)
        SelectObject(dc, state.display_font);
    if (paint.fErase && state.back_brush)
        FillRect(dc, &paint.rcPaint, state.back_brush);
    RECT client;
    GetClientRect(window, &client);
    DrawTextA(dc, state.text_buffer, state.text_length, &client,
              DisplayDrawFlags(client.bottom - client.top, state.line_height));
    EndPaint(window, &paint);
}

// Windows keeps the windows a window owns over it when it is activated;
// Wine's X driver raises the simulator's window over the display it owns a
// moment later. The display shown goes back on top by way of the topmost
// band: a move to where it already stands would be no move at all, and a
// move under anything would flicker.
static void KeepDisplayOverSimulator()
{
    const HWND windows[] = {state.docked_window, state.undocked_window};
    for (HWND window : windows)
        if (OnTheDesktop(window) && (GetWindowLongPtrA(window, GWL_STYLE) & WS_VISIBLE)) {
            const UINT keep = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
            SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, keep);
            SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, keep);
        }
}

// A display window, or a window one of them owns (a chooser).
static bool HeldByDisplay(HWND window)
{
    for (HWND held = window; held; held = GetWindow(held, GW_OWNER))
        if (held == state.undocked_window || held == state.docked_window)
            return true;
    return false;
}

void GiveKeyboardBack()
{
    // Only a window of the module's own that holds the activation gives it
    // up: the module never takes it from a program or a window it did not
    // take it from. Activating the simulator's window gives it the focus,
    // and the foreground where the simulator has it.
    const HWND active = GetActiveWindow();
    if (!state.host_window || !HeldByDisplay(active))
        return;
    SetActiveWindow(state.host_window);
    KeepDisplayOverSimulator();
}

// A display window of its own on the desktop clicked.
static LRESULT OnMouseActivate()
{
    // A click from another program brings the simulator forward, as a click
    // anywhere on its window does; without it the menu would open in a
    // program that gets no keys and no clicks elsewhere to close it.
    if (!GetActiveWindow() && state.host_window) {
        SetForegroundWindow(state.host_window);
        KeepDisplayOverSimulator();
    }
    // The pilot's keys stay with the simulator when the display is clicked,
    // dragged or sized, or its menu opened.
    return MA_NOACTIVATE;
}

static bool OnRightButtonUp(HWND window, LPARAM lparam)
{
    POINT point = {static_cast<LONG>(LOWORD(lparam)), static_cast<LONG>(HIWORD(lparam))};
    ClientToScreen(window, &point);
    HMENU menu = MenuOf(window);
    if (!menu)
        return false;
    state.loaded_menu = menu;
    CheckMenuItem(menu, CmdAlsoAtis, MF_BYCOMMAND | (state.also_atis ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(menu, CmdHideWhenEmpty, MF_BYCOMMAND | (state.auto_hide ? MF_CHECKED : MF_UNCHECKED));
    TrackPopupMenu(GetSubMenu(menu, 0), 0, point.x, point.y, 0, window, nullptr);
    GiveKeyboardBack();
    return true;
}

static void OnDestroy(HWND window)
{
    HMENU menu;
    if (window == state.docked_window) {
        state.docked_window = nullptr;
        menu = state.docked_menu;
        state.docked_menu = nullptr;
        // Closed, stopped, or gone with the panel it was re-parented into:
        // nothing stays attached to a window that no longer exists, and the
        // retry makes a new one while the display is docked.
        EndAttachment();
    } else if (window != state.undocked_window) {
        // A window destroyed before its creator kept its handle (its creation
        // failed after WM_CREATE): it owns nothing of the display's yet.
        return;
    } else {
        state.undocked_window = nullptr;
        menu = state.undocked_menu;
        state.undocked_menu = nullptr;
        // The brush is shared; forgotten once deleted so that neither window
        // paints with a dead handle and nothing deletes it twice.
        if (state.back_brush) {
            DeleteObject(state.back_brush);
            state.back_brush = nullptr;
        }
    }
    // Nothing may pick the destroyed menu up again as a fresh window's menu.
    if (menu)
        DestroyMenu(menu);
    state.loaded_menu = nullptr;
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

static void RunCommand(HWND window, WPARAM command)
{
    switch (command) {
    case CmdDock:
        PlaceDisplay(1, 1);
        break;
    case CmdUndock:
        state.auto_hide = 0;
        state.hide_always = 0;
        PlaceDisplay(0, 1);
        break;
    case CmdClose:
        CloseDisplay();
        break;
    case CmdTextColour:
    case CmdBackColour:
    case CmdFont:
    case CmdMatchBackground:
        RunColourCommand(window, static_cast<UINT>(command));
        // A chooser ends by activating its owner, the display window.
        GiveKeyboardBack();
        break;
    case CmdShowUndocked:
        // "&Orvale" switching the display on is the pilot's way out of "Hide
        // always": the choice is cleared for the aircraft too, so that the
        // next Dock shows the display.
        state.auto_hide = 0;
        state.hide_always = state.chosen_hide_always = 0;
        PlaceDisplay(0, 0);
        BringIntoSight(state.undocked_window);
        break;
    case CmdSave:
        SaveIfDocked();
        break;
    case CmdHideAlways:
        state.hide_always = state.chosen_hide_always = 1;
        PlaceDisplay(1, 1);
        SaveIfDocked();
        break;
    case CmdAlsoAtis:
        state.also_atis = state.also_atis ? 0 : 1;
        CheckCommand(window, CmdAlsoAtis, state.also_atis);
        SaveIfDocked();
        break;
    case CmdHideWhenEmpty:
        state.auto_hide = state.chosen_auto_hide = state.auto_hide ? 0 : 1;
        CheckCommand(window, CmdHideWhenEmpty, state.auto_hide);
        PlaceDisplay(1, 1);
        SaveIfDocked();
        break;
    default:
        break;
    }
}

static LRESULT HandleDisplayMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_CREATE:
        OnCreate(window);
        return 0;
    case WM_PAINT:
        OnPaint(window);
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
            return OnMouseActivate();
        break;
    case WM_EXITSIZEMOVE:
        // The window system may activate a window whose caption or frame is
        // dragged (Wine does).
        GiveKeyboardBack();
        break;
    case WM_RBUTTONUP:
        if (OnRightButtonUp(window, lparam))
            return 0;
        break;
    case WM_CLOSE:
        // Alt+F4 on either window is the pilot's Close: the display goes off
        // and the "&Orvale" item brings it back. The floating window stays
        // until the module stops, and the font, shared by both windows, lives
        // on until it is replaced.
        CloseDisplay();
        return 0;
    case WM_SETTINGCHANGE:
    case WM_DISPLAYCHANGE:
        OnSystemChange(message == WM_DISPLAYCHANGE);
        break;
    case WM_DESTROY:
        OnDestroy(window);
        break;
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

LRESULT CALLBACK DisplayWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    // A chooser, the context menu, moving or sizing leave the simulator
    // running inside this call.
    return CountedWindowCall(HandleDisplayMessage, window, message, wparam, lparam);
}

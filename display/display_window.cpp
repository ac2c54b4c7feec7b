// The display windows: class "OrvaleWindow", painting, sizing, the
// right-button menus and their commands.
#include "display/display_window.h"
#include "core/bytes_and_text.h"
#include "core/display_state.h"
#include "core/display_values.h"
#include "display/message_history.h"
#include "display/window_layout.h"
#include "resources/resource.h"

const char DisplayClassName[] = "OrvaleWindow";
static const char UndockedCaption[] = "Orvale: drag, size and dock me!";

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

void ApplyHidingRules(HWND window, HidingEvent event)
{
    const HidingVerdict verdict = HidingRule(state, event);
    if (verdict != HidingLeaves)
        ShowDisplayWindow(window, verdict == HidingShows);
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
    // Switched on again, the display shows what it shows now.
    state.recall_age = -1;
    ShowDisplayWindow(state.undocked_window, false);
    if (state.docked_window)
        DestroyWindow(state.docked_window);
    ResetToDefaultPlace();
    state.docked = 0;
    state.auto_hide = 0;
    state.hide_always = 0;
}

static HMENU MenuOf(HWND window)
{
    return window == state.docked_window ? state.docked_menu : state.undocked_menu;
}

void CheckCommand(HWND window, UINT command, int32_t on)
{
    state.loaded_menu = MenuOf(window);
    if (state.loaded_menu)
        CheckMenuItem(state.loaded_menu, command, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

void DisplayOnCreate(HWND window)
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

void DisplayOnPaint(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (state.display_font)
        SelectObject(dc, state.display_font);
    if (paint.fErase && state.back_brush)
        FillRect(dc, &paint.rcPaint, state.back_brush);
    RECT client;
    GetClientRect(window, &client);
    char recalled[RecalledLineCapacity];
    const char* line = state.text_buffer;
    int32_t length = state.text_length;
    if (state.recall_age >= 0) {
        length = RecalledLine(state, history, recalled);
        line = recalled;
    }
    DrawTextA(dc, line, length, &client, DisplayDrawFlags(client.bottom - client.top, state.line_height));
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

LRESULT DisplayOnMouseActivate()
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

void DisplayOnLeftButtonDown(HWND window)
{
    if (!RecallOlder(state, history))
        return;
    // Back from the oldest to an empty buffer: a display hidden when empty
    // goes, as it would have at the tick.
    ApplyHidingRules(window, HidingAtTick);
    InvalidateRect(window, nullptr, TRUE);
}

bool DisplayOnRightButtonUp(HWND window, LPARAM lparam)
{
    POINT point = {static_cast<LONG>(LOWORD(lparam)), static_cast<LONG>(HIWORD(lparam))};
    ClientToScreen(window, &point);
    HMENU menu = MenuOf(window);
    if (!menu)
        return false;
    state.loaded_menu = menu;
    CheckMenuItem(menu, IDM_ALSOATIS, MF_BYCOMMAND | (state.also_atis ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(menu, IDM_HIDEEMPTY, MF_BYCOMMAND | (state.auto_hide ? MF_CHECKED : MF_UNCHECKED));
    TrackPopupMenu(GetSubMenu(menu, 0), 0, point.x, point.y, 0, window, nullptr);
    GiveKeyboardBack();
    return true;
}

void DisplayOnDestroy(HWND window)
{
    HMENU menu;
    if (window == state.docked_window) {
        state.docked_window = nullptr;
        menu = state.docked_menu;
        state.docked_menu = nullptr;
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

void MeasureMetrics()
{
    state.cy_caption = GetSystemMetrics(SM_CYCAPTION);
    state.cy_frame = GetSystemMetrics(SM_CYFRAME);
    state.cy_menu = GetSystemMetrics(SM_CYMENU);
    state.cx_frame = GetSystemMetrics(SM_CXFRAME);
    state.cy_border = GetSystemMetrics(SM_CYBORDER);
    state.cx_border = GetSystemMetrics(SM_CXBORDER);
    state.default_height = state.cy_caption + 2 * state.cy_frame + state.line_height;
    state.undocked_min_height = state.default_height;
    state.docked_min_height = state.line_height;
}

void MeasureDisplayDefaults()
{
    MeasureMetrics();
    ShowDisplayWindow(state.undocked_window, false);

    RECT host = {};
    GetWindowRect(state.host_window, &host);
    // The width is halved in 64 bits: right - left of extreme rectangles
    // does not fit 32.
    state.default_width = static_cast<int32_t>((static_cast<int64_t>(host.right) - host.left) / 2);
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

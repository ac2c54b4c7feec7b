// "Will the pilot see it?": what the window system shows of the display
// window a message would go to. The monitors are asked of Windows where it
// knows of them (Windows 98 and 2000 on), looked up at run time so that the
// module still loads on Windows 95 and NT 4, which know the one screen.
#include "display/sight.h"
#include "core/display_state.h"
#include "core/display_values.h"
#include "display/display_window.h"
#include "display/window_layout.h"

namespace {

// Windows above the display, as far as they are counted: beyond this many
// the rest are taken not to cover it.
constexpr int MaxCovers = 32;

bool Shown(HWND window)
{
    return window && (GetWindowLongPtrA(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

WindowPlace PlaceOf(const RECT& r)
{
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

// A window's client area on the screen.
WindowPlace ClientArea(HWND window)
{
    RECT area = {};
    GetClientRect(window, &area);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&area), 2);
    return PlaceOf(area);
}

typedef BOOL(WINAPI* EnumMonitorsRoutine)(HDC, LPCRECT, MONITORENUMPROC, LPARAM);

BOOL CALLBACK NoteMonitor(HMONITOR, HDC, LPRECT rect, LPARAM)
{
    if (state.monitor_count < MaxMonitors)
        state.monitors[state.monitor_count++] = PlaceOf(*rect);
    return TRUE;
}

// USER32's EnumDisplayMonitors, or null where Windows has none. USER32 is
// loaded: the module imports from it.
EnumMonitorsRoutine MonitorEnumerator()
{
    HMODULE user = GetModuleHandleA("USER32");
    if (!user)
        return nullptr;
    return reinterpret_cast<EnumMonitorsRoutine>(
        reinterpret_cast<void*>(GetProcAddress(user, "EnumDisplayMonitors")));
}

// The monitors, measured once and again after a start and a change of the
// display settings: asking costs more than the whole message otherwise does.
void MeasureMonitors()
{
    if (state.monitor_count > 0)
        return;
    static bool looked_up;
    static EnumMonitorsRoutine enumerate;
    if (!looked_up) {
        enumerate = MonitorEnumerator();
        looked_up = true;
    }
    if (enumerate)
        enumerate(nullptr, nullptr, NoteMonitor, 0);
    if (state.monitor_count == 0)
        state.monitors[state.monitor_count++] = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

// The shown windows above `window` and above each window it stands in: the
// panel's other children, the panels over its panel, the top-level windows
// over the simulator's (or over the floating display).
int CollectCovers(HWND window, WindowPlace covers[MaxCovers])
{
    int count = 0;
    for (HWND level = window; level && count < MaxCovers;) {
        for (HWND above = GetWindow(level, GW_HWNDPREV); above && count < MaxCovers;
             above = GetWindow(above, GW_HWNDPREV)) {
            RECT r;
            if (Shown(above) && !IsIconic(above) && GetWindowRect(above, &r))
                covers[count++] = PlaceOf(r);
        }
        level = (GetWindowLongPtrA(level, GWL_STYLE) & WS_CHILD) ? GetParent(level) : nullptr;
    }
    return count;
}

}  // namespace

bool PilotWillSee(HWND target)
{
    DisplaySight sight;
    sight.own_shown = Shown(target);
    sight.frame_shown = Shown(state.host_window) && !IsIconic(state.host_window);
    WindowPlace area = ClientArea(target);
    // A child window shows only within each window it stands in: the panel it
    // was re-parented into (hidden with it), the simulator window.
    HWND frame = target;
    while (frame && (GetWindowLongPtrA(frame, GWL_STYLE) & WS_CHILD)) {
        frame = GetParent(frame);
        sight.frame_shown = sight.frame_shown && Shown(frame);
        if (frame)
            area = Overlap(area, ClientArea(frame));
    }
    // The docked popup of FS2002 belongs on the simulator window too; the
    // floating window may stand anywhere on the screen.
    if (target == state.docked_window && frame != state.host_window && state.host_window)
        area = Overlap(area, ClientArea(state.host_window));
    if (sight.frame_shown && area.width > 0 && area.height > 0) {
        MeasureMonitors();
        WindowPlace covers[MaxCovers];
        const int cover_count = CollectCovers(target, covers);
        sight.in_sight = AreaInSight(area, state.monitors, state.monitor_count, covers, cover_count);
    }
    return WillBeSeen(state, sight);
}

void BringIntoSight(HWND window)
{
    if (!window)
        return;
    MeasureMonitors();
    const auto on_a_monitor = [window] {
        return AreaInSight(ClientArea(window), state.monitors, state.monitor_count, nullptr, 0);
    };
    UINT keep = SWP_NOMOVE | SWP_NOSIZE;
    if (!on_a_monitor()) {
        ResetToDefaultPlace();
        SetWindowPos(window, HWND_TOP, state.undocked_x, state.undocked_y, state.window_width, state.window_height,
                     SWP_NOACTIVATE);
        if (on_a_monitor())
            return;
        // The simulator's window itself stands off every monitor.
        state.undocked_x = state.monitors[0].x;
        state.undocked_y = state.monitors[0].y;
        keep = SWP_NOSIZE;
    }
    SetWindowPos(window, HWND_TOP, state.undocked_x, state.undocked_y, 0, 0, keep | SWP_NOACTIVATE);
}

// Attachment of the docked window to the instrument-panel window under it.
//
// Two ways of following a panel, chosen at start-up: on FS98 and FS2000 the
// docked window (a child) is re-parented into the panel and so moves, hides
// and dies with it; on FS2002 it stays a popup owned by the host window and
// the panel's window procedure is replaced by TargetWndProc, which hides and
// shows the popup on the host's own hide and show notifications.
#include "docking/attachment.h"
#include "core/display_state.h"
#include "core/display_values.h"
#include "core/hook_chain.h"
#include "core/host_interface.h"
#include "display/display_window.h"
#include "display/window_layout.h"
#include "docking/geometry.h"
#include "hostmenu/host_menu.h"

namespace {

constexpr UINT ProbeFlags = CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT;   // 5
// What the host's panel hide and show look like, as WINDOWPOS flags.
constexpr UINT PanelHideFlags = 0x1837;
constexpr UINT PanelShowFlags = 0x0013;

static_assert(ProbeFlags == 5, "the host's panel search uses flags 5");

DisplayState::PanelChain* ChainOf(HWND panel)
{
    for (DisplayState::PanelChain& chain : state.panel_chains)
        if (panel && chain.panel == panel)
            return &chain;
    return nullptr;
}

// The procedure a message for `hwnd` goes on to: the one found there when
// the module subclassed the panel, kept while the panel is followed and,
// where another module's subclass lies over ours, for as long as the panel
// lives.
WNDPROC PanelProcedure(HWND hwnd)
{
    if (hwnd == state.dock_target && state.prev_target_wndproc)
        return state.prev_target_wndproc;
    if (const DisplayState::PanelChain* chain = ChainOf(hwnd))
        return chain->next;
    WNDPROC current = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hwnd, GWLP_WNDPROC));
    if (current && current != TargetWndProc)
        return current;
    return DefWindowProcA;
}

bool OnTopOf(HWND panel)
{
    return GetWindowLongPtrA(panel, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(TargetWndProc);
}

// Leaves the panel's chain where TargetWndProc is still on top of it, else
// stays in it, passing everything on to `next`. A destroyed panel has no
// chain left.
void LeaveOrStay(HWND panel, WNDPROC next)
{
    if (!panel || !next || !IsWindow(panel))
        return;
    if (OnTopOf(panel)) {
        SetWindowLongPtrA(panel, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(next));
        return;
    }
    if (ChainOf(panel))
        return;
    for (DisplayState::PanelChain& chain : state.panel_chains)
        if (!chain.panel) {
            chain = {panel, next};
            return;
        }
    // More panels than the list holds with another module's subclass over
    // ours: the last resort is the panel's own procedure written back.
    SetWindowLongPtrA(panel, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(next));
}

void HideDockedWindow()
{
    ShowDisplayWindow(state.docked_window, false);
    if (state.auto_hide != 0)
        state.auto_hide = -1;
}

// The host shows the panel again. A display the pilot set to "Hide always"
// stays hidden; the suspension of hide-when-empty ends with the panel's
// hiding either way.
void ShowDockedWindow()
{
    ShowDisplayWindow(state.docked_window, !state.hide_always);
    if (state.auto_hide != 0)
        state.auto_hide = 1;
}

// The host shows its panel but may still want the display away: the host
// itself minimised, or its display value (table 0x0002, 0x11D4) off or not
// offered. Tested in that order.
bool HostWantsDisplayHidden()
{
    if (IsIconic(state.host_window))
        return true;
    const unsigned char* table = HostTable(TableHostData);
    return table == nullptr || HostWord(table, HostDisplayValue) == 0;
}

// A docked window that no panel took stands at (x, y) of the host's client
// area, where it can be seen: a popup is positioned on the screen, and a
// child that an earlier attachment left inside a panel is given back to the
// host window first, or it would stand relative to that panel and be clipped
// away by it.
POINT UnattachedPoint(HWND window, int32_t x, int32_t y)
{
    // Saved on a larger screen or a larger host window, the place may lie
    // outside the client area now: the window moves in, the stored place
    // stays for when the host is large again.
    RECT area = {};
    if (GetClientRect(state.host_window, &area) && !IsIconic(state.host_window))
        KeepInsideArea(&x, &y, state.window_width, state.window_height, area.right, area.bottom);
    POINT point = {x, y};
    HWND frame = nullptr;   // the screen
    if (GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD) {
        if (GetParent(window) != state.host_window)  // known to every Windows the simulators ran on
            SetParent(window, state.host_window);
        frame = GetParent(window);
    }
    if (frame != state.host_window)
        MapWindowPoints(state.host_window, frame, &point, 1);
    return point;
}

// The direct child of the host window (or the host window itself) under a
// point of its client area, as the panel search sees it. The display's own
// docked window, shown unattached on the host's client area, is never what
// lies under itself: the search looks past it to the windows below.
HWND ChildUnder(POINT point)
{
    HWND window = ChildWindowFromPointEx(state.host_window, point, ProbeFlags);
    if (!window || window != state.docked_window)
        return window;
    for (HWND below = GetWindow(window, GW_HWNDNEXT); below; below = GetWindow(below, GW_HWNDNEXT)) {
        if (!(GetWindowLongPtrA(below, GWL_STYLE) & WS_VISIBLE) ||
            (GetWindowLongPtrA(below, GWL_EXSTYLE) & WS_EX_TRANSPARENT))
            continue;
        RECT rect;
        if (!GetWindowRect(below, &rect))
            continue;
        MapWindowPoints(nullptr, state.host_window, reinterpret_cast<POINT*>(&rect), 2);
        if (PtInRect(&rect, point))
            return below;
    }
    return state.host_window;
}

// The host keeps a panel's record in the window's user data, but other
// windows under the probes (another module's, a window of the simulator that
// is no panel) may keep any value there: an index, a handle, a pointer to a
// smaller block. The kind word is read only where memory is there to read.
bool KindWordReadable(const unsigned char* record)
{
    const uintptr_t first = reinterpret_cast<uintptr_t>(record) + PanelKindOffset;
    const uintptr_t last = first + sizeof(uint32_t) - 1;
    if (first < reinterpret_cast<uintptr_t>(record) || last < first)
        return false;  // wraps around the address space
    const DWORD readable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                           PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    const uintptr_t ends[2] = {first, last};
    for (uintptr_t address : ends) {
        MEMORY_BASIC_INFORMATION region = {};
        if (VirtualQuery(reinterpret_cast<const void*>(address), &region, sizeof region) != sizeof region ||
            region.State != MEM_COMMIT || !(region.Protect & readable) || (region.Protect & PAGE_GUARD))
            return false;
    }
    return true;
}

// Whether both probe points (host client coordinates) lie in the client
// area of `window`, a direct child of the host window. The far probe lies
// just beyond the display's corner, so it may touch the area's far edge.
bool InClientArea(HWND window, POINT first, POINT beyond)
{
    RECT area = {};
    if (window == state.host_window || !GetClientRect(window, &area))
        return false;
    MapWindowPoints(window, state.host_window, reinterpret_cast<POINT*>(&area), 2);
    return first.x >= area.left && first.y >= area.top && beyond.x <= area.right && beyond.y <= area.bottom;
}

}  // namespace

// A display re-parented into a panel that has since been made smaller (the
// pilot sizes panel windows) can lie wholly outside it, shown but clipped
// away. A panel the host hid, or a display the hiding rules keep hidden, is
// no such case.
bool ClippedAwayByPanel()
{
    HWND window = state.docked_window;
    HWND panel = state.dock_target;
    if (state.attach_by_subclass || !window || !panel || !(GetWindowLongPtrA(window, GWL_STYLE) & WS_VISIBLE) ||
        !(GetWindowLongPtrA(panel, GWL_STYLE) & WS_VISIBLE))
        return false;
    RECT shown = {}, area = {};
    if (!GetWindowRect(window, &shown) || !GetClientRect(panel, &area))
        return false;
    MapWindowPoints(panel, nullptr, reinterpret_cast<POINT*>(&area), 2);
    return shown.right <= area.left || shown.left >= area.right || shown.bottom <= area.top ||
           shown.top >= area.bottom;
}

// An unattached docked display stays where the pilot can see it while the
// host changes around it: moved in when the host window is made smaller (and
// out again, up to its stored place, when it grows), and in re-parenting mode
// kept above panels the host made after it.
void KeepUnattachedInSight()
{
    // A minimised simulator window stands off the screen for the while: the
    // display waits where it is for the restore.
    if (IsIconic(state.host_window))
        return;
    HWND window = state.docked_window;
    const POINT point = UnattachedPoint(window, state.docked_x, state.docked_y);
    RECT now = {};
    if (!GetWindowRect(window, &now))
        return;
    const bool child = (GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD) != 0;
    MapWindowPoints(nullptr, child ? GetParent(window) : nullptr, reinterpret_cast<POINT*>(&now), 1);
    UINT flags = SWP_NOSIZE | SWP_NOACTIVATE;
    if (now.left == point.x && now.top == point.y)
        flags |= SWP_NOMOVE;
    if (!child || GetWindow(window, GW_HWNDPREV) == nullptr)
        flags |= SWP_NOZORDER;
    if ((flags & (SWP_NOMOVE | SWP_NOZORDER)) != (SWP_NOMOVE | SWP_NOZORDER))
        SetWindowPos(window, HWND_TOP, point.x, point.y, 0, 0, flags);
}

namespace {

// Where a panel window stands, host client coordinates.
POINT PanelOrigin(HWND panel)
{
    RECT outer = {};
    GetWindowRect(panel, &outer);
    POINT origin = {outer.left, outer.top};
    ScreenToClient(state.host_window, &origin);
    return origin;
}

}  // namespace

void GoWithPanel()
{
    HWND window = state.docked_window;
    HWND panel = state.dock_target;
    // A re-parented child goes with its panel by itself. A minimised
    // simulator window has taken its panels off the screen for the while:
    // the popup stays, and is in place when they come back.
    if (!state.attach_by_subclass || !state.attached || !window || !panel || IsIconic(state.host_window))
        return;
    const POINT origin = PanelOrigin(panel);
    FollowPanelTo(state, origin.x, origin.y);
    POINT want = {state.docked_x, state.docked_y};
    ClientToScreen(state.host_window, &want);
    RECT now = {};
    GetWindowRect(window, &now);
    if (now.left != want.x || now.top != want.y)
        SetWindowPos(window, nullptr, want.x, want.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND FindPanelAt(int32_t x, int32_t y)
{
    if (!state.host_window)
        return nullptr;
    POINT first = {x, y};
    int32_t far_x, far_y;
    FarProbePoint(state, x, y, &far_x, &far_y);
    POINT beyond = {far_x, far_y};
    // Both corners must fall into the same direct child of the host window;
    // hidden windows are skipped, and the display's own docked window too.
    HWND window = ChildUnder(first);
    if (!window || ChildUnder(beyond) != window)
        return nullptr;
    // A re-parented display stands in the panel's client area and is clipped
    // to it: a place on the panel's caption or frame would attach a display
    // that the clip test then takes off again, over and over. Both tests use
    // the client area.
    if (!state.attach_by_subclass && !InClientArea(window, first, beyond))
        return nullptr;
    const unsigned char* record = reinterpret_cast<const unsigned char*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!record || !KindWordReadable(record))
        return nullptr;
    return IsPanelKind(PanelKindOf(record), state.host_version) ? window : nullptr;
}

void DetachPanel()
{
    // Taken out only where TargetWndProc is still on top of the panel's
    // procedures: writing back the procedure it replaced would cut out a
    // subclass that another module made since. Under such a subclass it stays
    // in the chain and passes everything on.
    LeaveOrStay(state.dock_target, state.prev_target_wndproc);
    state.dock_target = nullptr;
    state.prev_target_wndproc = nullptr;
}

void LeavePanelChains()
{
    for (DisplayState::PanelChain& chain : state.panel_chains) {
        if (!chain.panel)
            continue;
        if (!IsWindow(chain.panel) || OnTopOf(chain.panel)) {
            if (IsWindow(chain.panel))
                SetWindowLongPtrA(chain.panel, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(chain.next));
            chain = {};
        }
    }
}

bool PanelChainsLeft()
{
    for (const DisplayState::PanelChain& chain : state.panel_chains)
        if (chain.panel && IsWindow(chain.panel))
            return true;
    return false;
}

void EndAttachment()
{
    state.attached = 0;
    DetachPanel();
}

void AttachDisplay(HWND window, HWND target, int32_t x, int32_t y, AttachForm dock)
{
    EndAttachment();
    const bool docking = dock && !state.docked;

    // The window's own context gets the colours again: a colour the pilot
    // chose went only to the window shown then, and this one may be the
    // other form's, or the same form switched on again after a Close.
    if (window)
        ApplyColours(window);
    if (state.docked != dock && window) {
        RemakeBackBrush();
        if (dock) {
            if (!target) {
                int32_t rows[3];
                HalfLineProbeRows(y, state.line_height, rows);
                for (int32_t row : rows) {
                    target = FindPanelAt(x, row);
                    if (target)
                        break;
                }
            }
            if (target) {
                POINT point = {x, y};
                ClientToScreen(state.host_window, &point);
                state.dock_target = target;
                if (!state.attach_by_subclass) {
                    SetParent(window, target);
                    ScreenToClient(target, &point);
                } else if (DisplayState::PanelChain* chain = ChainOf(target)) {
                    // Still in this panel's chain, under another module's
                    // subclass: followed from there again, not wrapped twice.
                    state.prev_target_wndproc = chain->next;
                    *chain = {};
                } else {
                    state.prev_target_wndproc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(target, GWLP_WNDPROC));
                    SetWindowLongPtrA(target, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TargetWndProc));
                }
                state.attached = 1;
                const POINT origin = PanelOrigin(target);
                state.target_x = origin.x;
                state.target_y = origin.y;
                x = point.x;
                y = point.y;
            }
        }
    }

    state.docked = dock ? 1 : 0;
    // Never an empty-sized display: no narrower than its minimum height either.
    state.window_height = RaisedToMinimum(state, state.window_height, state.docked);
    state.window_width = RaisedToMinimum(state, state.window_width, state.docked);

    if (dock && window && !state.attached) {
        POINT point = UnattachedPoint(window, x, y);
        x = point.x;
        y = point.y;
    }
    state.display_enabled = 1;
    CheckOrvaleItem();
    if (!state.docked) {
        // The undocked display has no hiding rules.
        state.auto_hide = 0;
        state.hide_always = 0;
    } else if (docking) {
        // Docked again: the pilot's choices for the aircraft apply again.
        state.auto_hide = state.chosen_auto_hide;
        state.hide_always = state.chosen_hide_always;
    }

    // Windows 95 and 98 keep window coordinates in 16 bits: whatever a file
    // or the conversions made of the place, the window gets it in range.
    const WindowPlace usable = InWindowRange({x, y, state.window_width, state.window_height});
    state.window_width = usable.width;
    state.window_height = usable.height;
    if (!window)
        return;
    SetWindowPos(window, nullptr, usable.x, usable.y, usable.width, usable.height, SWP_NOZORDER | SWP_NOACTIVATE);
    ApplyHidingRules(window, HidingAtPlacement);
}

// The host destroyed the panel the docked popup follows. The panel's own
// procedure goes back while the window still exists, and the display stands
// unattached at its place, seen by its hiding rules, until the retry finds the
// next panel there. A suspension of hide-when-empty was the dead panel's.
static void PanelDestroyed()
{
    EndAttachment();
    if (state.auto_hide < 0)
        state.auto_hide = 1;
    if (state.docked && state.docked_window && state.display_enabled)
        AttachDisplay(state.docked_window, nullptr, state.docked_x, state.docked_y, AttachDocked);
}

static LRESULT HandlePanelMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_NCDESTROY) {
        // The last message of a panel whose chain the module stayed in.
        const LRESULT result = CallWindowProcA(PanelProcedure(hwnd), hwnd, message, wparam, lparam);
        if (DisplayState::PanelChain* chain = ChainOf(hwnd))
            *chain = {};
        return result;
    }
    if (message == WM_DESTROY && hwnd == state.dock_target) {
        LRESULT result = CallWindowProcA(PanelProcedure(hwnd), hwnd, message, wparam, lparam);
        PanelDestroyed();
        return result;
    }
    if (message != WM_WINDOWPOSCHANGING || !state.attached || hwnd != state.dock_target || !state.docked ||
        !state.docked_window || !lparam)
        return CallWindowProcA(PanelProcedure(hwnd), hwnd, message, wparam, lparam);

    // Exact patterns: the host hides a panel with the first and shows it with
    // the second; any other change of position leaves the display alone. The
    // record is not altered, so the panel's own change goes ahead; the panel's
    // procedure does not see these notifications.
    const UINT flags = reinterpret_cast<const WINDOWPOS*>(lparam)->flags;
    if (flags == PanelHideFlags)
        HideDockedWindow();
    else if (flags == PanelShowFlags) {
        if (HostWantsDisplayHidden())
            HideDockedWindow();
        else
            ShowDockedWindow();
    }
    return 0;
}

LRESULT CALLBACK TargetWndProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    // The panel's own procedure, called on from here, may run a modal loop in
    // which the simulator stops and unloads its modules.
    return CountedWindowCall(HandlePanelMessage, hwnd, message, wparam, lparam);
}

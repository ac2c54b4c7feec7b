// Switching the display between its docked and undocked forms, and placing
// either form again. The text area keeps its place on the screen across a
// change of form (to within the docked window's border).
#include "docking/placement.h"
#include "core/bytes_and_text.h"
#include "core/display_state.h"
#include "core/display_values.h"
#include "display/display_window.h"
#include "docking/attachment.h"
#include "docking/geometry.h"
#include "settings/settings_file.h"

namespace {

const char DockedMenuName[] = "DOCKEDM";
static_assert(sizeof DockedMenuName <= sizeof DisplayState::menu_name, "menu name fits the hand-over buffer");

// The docked window: a child of the host window that re-parenting moves
// into a panel, or on FS2002 a popup owned by the host window.
void CreateDockedWindow()
{
    CopyBytes(state.menu_name, DockedMenuName, sizeof DockedMenuName);
    // Only a menu that this creation's WM_CREATE loaded may become the docked
    // window's menu; a failed creation must not adopt one left from before.
    state.loaded_menu = nullptr;
    const DWORD style = state.attach_by_subclass ? (WS_POPUP | WS_BORDER) : (WS_CHILD | WS_BORDER);
    state.docked_window = CreateWindowExA(0, DisplayClassName, "", style, 0, 0, 0, 0, state.host_window, nullptr,
                                          state.module_instance, nullptr);
    if (!state.docked_window && state.loaded_menu) {
        // Loaded for a window that never came to be: nothing else owns it.
        DestroyMenu(state.loaded_menu);
        state.loaded_menu = nullptr;
    }
    state.docked_menu = state.loaded_menu;
}

// The docked window's own geometry: outer size from its client area and the
// border metrics, corner in host client coordinates.
bool MeasureDocked(POINT* corner)
{
    RECT client = {}, outer = {};
    if (!GetClientRect(state.docked_window, &client) || !GetWindowRect(state.docked_window, &outer))
        return false;
    state.window_width = client.right - client.left + 2 * state.cx_border;
    state.window_height = client.bottom - client.top + 2 * state.cy_border;
    POINT point = {outer.left, outer.top};
    ScreenToClient(state.host_window, &point);
    *corner = point;
    // An unattached docked window stands at the stored place, moved into a
    // host window that may have been made smaller since: that move is not the
    // pilot's, and a save must keep the place stored for the aircraft.
    if (state.attached) {
        state.docked_x = point.x;
        state.docked_y = point.y;
    }
    return true;
}

bool MeasureUndocked(POINT* corner)
{
    RECT outer = {};
    if (!GetWindowRect(state.undocked_window, &outer))
        return false;
    state.window_width = outer.right - outer.left;
    state.window_height = outer.bottom - outer.top;
    state.undocked_x = outer.left;
    state.undocked_y = outer.top;
    corner->x = outer.left;
    corner->y = outer.top;
    return true;
}

// Whether the floating window stands as Undock placed it: neither moved nor
// sized by the pilot since, with the simulator window where it was.
bool UnmovedSinceUndock(bool undock_kept, POINT corner)
{
    if (!undock_kept)
        return false;
    ScreenToClient(state.host_window, &corner);
    const WindowPlace& placed = state.undocked_as_placed;
    return corner.x == placed.x && corner.y == placed.y && state.window_width == placed.width &&
           state.window_height == placed.height;
}

// Undocked to docked, from the undocked window just measured at `corner`.
POINT DockMeasured(POINT corner, bool undock_kept)
{
    POINT point;
    if (UnmovedSinceUndock(undock_kept, corner)) {
        // Docked again where Undock left it: back exactly where it was, however
        // Windows' own limits placed the floating window meanwhile. The place
        // kept for the aircraft stays as it is.
        const WindowPlace& before = state.docked_before_undock;
        state.docked_x = before.x;
        state.docked_y = before.y;
        state.window_width = before.width;
        state.window_height = before.height;
        point = {before.x, before.y};
    } else {
        RECT client = {};
        GetClientRect(state.undocked_window, &client);
        const WindowPlace undocked = {corner.x, corner.y, state.window_width, state.window_height};
        const WindowPlace docked = DockedFromUndocked(state, undocked, client.bottom - client.top);
        state.window_width = docked.width;
        state.window_height = docked.height;
        point = {docked.x, docked.y};
        ScreenToClient(state.host_window, &point);
        state.docked_x = point.x;
        state.docked_y = point.y;
        // Where the pilot docked the display is its place for the aircraft,
        // at least one line high, as it is shown.
        state.stored_place = {point.x, point.y, RaisedToMinimum(state, docked.width, 1),
                              RaisedToMinimum(state, docked.height, 1)};
    }
    // Docking is the pilot's doing: saved for the aircraft, when one is known.
    if (state.config_path[0] != '\0')
        SaveSettings();
    return point;
}

// Docked to undocked, from the docked window just measured at `corner`.
POINT UndockMeasured(POINT corner)
{
    state.docked_before_undock = {state.docked_x, state.docked_y, state.window_width, state.window_height};
    const WindowPlace docked = {corner.x, corner.y, state.window_width, state.window_height};
    const WindowPlace undocked = UndockedFromDocked(state, docked);
    state.window_width = undocked.width;
    state.window_height = undocked.height;
    POINT point = {undocked.x, undocked.y};
    ClientToScreen(state.host_window, &point);
    state.undocked_x = point.x;
    state.undocked_y = point.y;
    return point;
}

// The floating window as Undock has just placed it, for the next Dock to
// tell whether the pilot moved it.
void KeepUndockedPlace()
{
    RECT outer = {};
    if (!GetWindowRect(state.undocked_window, &outer))
        return;
    POINT corner = {outer.left, outer.top};
    ScreenToClient(state.host_window, &corner);
    state.undocked_as_placed = {corner.x, corner.y, outer.right - outer.left, outer.bottom - outer.top};
    state.undock_kept = 1;
}

}  // namespace

void PlaceDisplay(DisplayForm dock, PlaceSource measure)
{
    // What Undock left is good for the next placement that docks or
    // measures: placed again at its stored place (a start after a stop makes
    // the window anew), the floating window is still where Undock left it.
    const bool undock_kept = state.undock_kept != 0;
    if (dock || measure)
        state.undock_kept = 0;

    bool created = false;
    if (!state.docked_window) {
        CreateDockedWindow();
        created = state.docked_window != nullptr;
        if (measure)
            state.docked = 0;
    }
    // Taken after a creation: a docked window made by this call is placed,
    // attached or not, and shown in this same call.
    HWND window = dock ? state.docked_window : state.undocked_window;

    // An FS2002 popup is measured where its panel has taken it.
    if (measure && state.docked && state.attached)
        GoWithPanel();
    ShowDisplayWindow(state.docked_window, false);
    ShowDisplayWindow(state.undocked_window, false);

    POINT point;
    bool measured = false;
    if (measure)
        measured = state.docked ? MeasureDocked(&point) : MeasureUndocked(&point);
    const bool undocking = measured && !dock && state.docked;
    if (!measured) {
        // Stored geometry: the requested form's own position, the size as it is.
        point.x = dock ? state.docked_x : state.undocked_x;
        point.y = dock ? state.docked_y : state.undocked_y;
    } else if (dock && state.docked && !state.attached) {
        // Re-placed unattached: from the stored place, not from where a
        // smaller host window made it stand.
        point.x = state.docked_x;
        point.y = state.docked_y;
    } else if (dock && !state.docked) {
        point = DockMeasured(point, undock_kept);
    } else if (undocking) {
        point = UndockMeasured(point);
    }

    // A docked window new in this call has never looked for its panel: it
    // does, as on a change of form, also when the state was docked before.
    AttachDisplay(window, nullptr, point.x, point.y,
                  !dock ? AttachFloating : created ? AttachDockedOnAnyPanel : AttachDocked);
    if (undocking)
        KeepUndockedPlace();
}

void PlaceForAircraft(int32_t loaded)
{
    if (state.undocked_window && (state.display_enabled || loaded))
        PlaceDisplay(loaded ? FormDocked : FormFloating, FromStoredPlace);
    else
        state.docked = loaded;  // before start-up: InitDisplay places it in this form
}

void RetryAttachment()
{
    if (!state.docked)
        return;
    if (state.attached) {
        // Placed again where it stands: unattached, inside the host's client
        // area, until a panel lies under it.
        if (ClippedAwayByPanel())
            PlaceDisplay(FormDocked, FromWhereItStands);
        else
            GoWithPanel();
        return;
    }
    if (!state.docked_window) {
        // The docked window died with its panel: it is made again at its
        // place, on the panel under it when there is one.
        if (state.display_enabled && state.undocked_window)
            PlaceDisplay(FormDocked, FromStoredPlace);
        return;
    }
    HWND panel = FindPanelAt(state.docked_x, state.docked_y);
    if (panel)
        AttachDisplay(state.docked_window, panel, state.docked_x, state.docked_y, AttachDockedOnAnyPanel);
    else
        KeepUnattachedInSight();
}

void NoteDisplayPlace()
{
    // A display switched off comes back at the default place, as Close left it.
    if (!state.display_enabled)
        return;
    if (state.docked) {
        // An FS2002 popup stands where its panel took it since the last round.
        GoWithPanel();
        return;
    }
    // The pilot may have moved or sized the floating window since it was placed.
    POINT corner;
    MeasureUndocked(&corner);
}

void RefitFloatingWindow()
{
    HWND floating = state.undocked_window;
    if (!floating)
        return;
    // Hidden or not: a later placement of the same size would keep the old frame.
    SetWindowPos(floating, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (state.docked || !IsWindowVisible(floating))
        return;
    RECT client = {};
    GetClientRect(floating, &client);
    if (client.bottom - client.top >= state.line_height)
        return;
    // Raised by the module, not moved by the pilot: Dock still takes the
    // display back to where Undock took it from.
    const bool kept = state.undock_kept != 0;
    PlaceDisplay(FormFloating, FromWhereItStands);
    if (kept)
        KeepUndockedPlace();
}

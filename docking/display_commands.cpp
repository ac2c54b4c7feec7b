// The display menu's commands that change its form or its hiding choices:
// the pilot's choices are noted, the display placed again, and the aircraft's
// settings saved where it is docked.
#include "docking/display_commands.h"
#include "core/display_state.h"
#include "display/display_window.h"
#include "display/sight.h"
#include "docking/placement.h"
#include "resources/resource.h"
#include "settings/settings_file.h"

void DockDisplay()
{
    PlaceDisplay(FormDocked, FromWhereItStands);
}

void UndockDisplay()
{
    state.auto_hide = 0;
    state.hide_always = 0;
    PlaceDisplay(FormFloating, FromWhereItStands);
}

void ShowFloatingDisplay()
{
    // "&Orvale" switching the display on is the pilot's way out of "Hide
    // always": the choice is cleared for the aircraft too, so that the
    // next Dock shows the display.
    state.auto_hide = 0;
    state.hide_always = state.chosen_hide_always = 0;
    PlaceDisplay(FormFloating, FromStoredPlace);
    BringIntoSight(state.undocked_window);
}

void HideAlways()
{
    state.hide_always = state.chosen_hide_always = 1;
    PlaceDisplay(FormDocked, FromWhereItStands);
    SaveIfDocked();
}

void ToggleHideWhenEmpty(HWND window)
{
    state.auto_hide = state.chosen_auto_hide = state.auto_hide ? 0 : 1;
    CheckCommand(window, IDM_HIDEEMPTY, state.auto_hide);
    PlaceDisplay(FormDocked, FromWhereItStands);
    SaveIfDocked();
}

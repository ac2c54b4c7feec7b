// The "&Orvale" toggle in the simulator's "&Modules" menu, and the subclass of
// the simulator's main window that carries it: the subclass receives the
// item's WM_COMMAND and keeps the item in step on every non-client paint.
#include "hostmenu/host_menu.h"
#include <cstddef>
#include "core/bytes_and_text.h"
#include "core/display_state.h"

// The menu item records use the short form without hbmpItem: the oldest
// systems the simulator runs on reject the full record. On the 32-bit product
// that form is 44 bytes.
static constexpr UINT MenuItemInfoSize = offsetof(MENUITEMINFOA, hbmpItem);
static_assert(sizeof(void*) != 4 || MenuItemInfoSize == 44, "short MENUITEMINFOA is 44 bytes");

static const char ModulesMenuText[] = "&Modules";
// The bits of an item's state that say whether it is enabled, grayed or
// disabled: the popup of our own follows the bar's first item in them.
static constexpr UINT ItemAvailability = MF_GRAYED | MF_DISABLED;
static_assert(ItemAvailability == 3, "grayed and disabled are the low two bits");
static const char OrvaleItemText[] = "&Orvale";

// The position of the last item of `menu` whose identifier is `id`, or -1.
// Searching from the end finds the most recently added item first.
static int FindItemFromEnd(HMENU menu, UINT id)
{
    for (int position = GetMenuItemCount(menu) - 1; position >= 0; --position) {
        MENUITEMINFOA info = {};
        info.cbSize = MenuItemInfoSize;
        info.fMask = MIIM_ID;
        // A failed read leaves wID 0, which matches nothing of ours.
        GetMenuItemInfoA(menu, static_cast<UINT>(position), TRUE, &info);
        if (info.wID == id)
            return position;
    }
    return -1;
}

// Appends a "&Modules" popup of our own after the last item of the menu bar,
// enabled or grayed like the bar's first item. Returns the popup, or null.
static HMENU AppendModulesPopup()
{
    HMENU popup = CreatePopupMenu();
    if (!popup)
        return nullptr;
    char text[sizeof ModulesMenuText];
    CopyBytes(text, ModulesMenuText, sizeof text);
    MENUITEMINFOA item = {};
    item.cbSize = MenuItemInfoSize;
    item.fMask = MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_TYPE;
    item.fType = MFT_STRING;
    item.fState = MFS_GRAYED;
    item.wID = ModulesMenuId;
    item.hSubMenu = popup;
    item.dwTypeData = text;
    item.cch = sizeof text - 1;
    const int position = GetMenuItemCount(state.host_menu);
    if (position < 0 || !InsertMenuItemA(state.host_menu, static_cast<UINT>(position), TRUE, &item)) {
        DestroyMenu(popup);  // the bar did not take it, so nobody else frees it
        return nullptr;
    }
    // Our popup is addressed by position: another item 21007 without a popup
    // may sit earlier in the bar, and a search by command would find that one.
    // On a bar that was empty the popup is its own first item; it must not
    // copy its own grayed state and stay unusable.
    const UINT first = position == 0 ? MF_ENABLED : GetMenuState(state.host_menu, 0, MF_BYPOSITION) & ItemAvailability;
    EnableMenuItem(state.host_menu, static_cast<UINT>(position), MF_BYPOSITION | first);
    state.modules_menu_created = 1;
    return popup;
}

void InstallMenuItem()
{
    if (state.menu_install_state < 0)
        return;
    state.host_menu = GetMenu(state.host_window);
    if (!state.host_menu)
        return;  // still wanted: the first bar to appear gets it
    state.menu_install_state = -1;

    HMENU popup = nullptr;
    const int modules = FindItemFromEnd(state.host_menu, ModulesMenuId);
    if (modules >= 0)
        popup = GetSubMenu(state.host_menu, modules);
    if (!popup)
        popup = AppendModulesPopup();
    if (!popup)
        return;

    // The item already there (the simulator put back a bar it had taken
    // away): its check mark may be from before.
    if (FindItemFromEnd(popup, OrvaleItemId) >= 0) {
        CheckOrvaleItem();
        return;
    }

    char text[sizeof OrvaleItemText];
    CopyBytes(text, OrvaleItemText, sizeof text);
    MENUITEMINFOA item = {};
    item.cbSize = MenuItemInfoSize;
    item.fMask = MIIM_STATE | MIIM_ID | MIIM_TYPE;
    item.fType = MFT_STRING;
    item.fState = state.display_enabled ? MFS_CHECKED : 0;
    item.wID = OrvaleItemId;
    item.dwTypeData = text;
    item.cch = sizeof text - 1;
    const int position = GetMenuItemCount(popup);
    if (position >= 0 && InsertMenuItemA(popup, static_cast<UINT>(position), TRUE, &item))
        DrawMenuBar(state.host_window);
}

void CheckOrvaleItem()
{
    if (state.host_menu)
        CheckMenuItem(state.host_menu, OrvaleItemId,
                      MF_BYCOMMAND | (state.display_enabled ? MF_CHECKED : MF_UNCHECKED));
}

void SyncMenuItem()
{
    // Redrawing the menu bar below can paint the frame again from inside this
    // call; that nested paint finds the work already in hand.
    if (state.menu_sync_busy)
        return;
    state.menu_sync_busy = 1;
    if (!state.host_window) {
        state.menu_sync_busy = 0;
        return;
    }
    if (GetMenu(state.host_window) != state.host_menu) {
        state.menu_install_state = 1;
        InstallMenuItem();
    } else if (state.host_menu) {
        // The popup is found the way the installation found it, from the end:
        // a plain item 21007 earlier in the bar is somebody else's.
        const int position = state.modules_menu_created ? FindItemFromEnd(state.host_menu, ModulesMenuId) : -1;
        if (position > 0) {
            const UINT modules = GetMenuState(state.host_menu, static_cast<UINT>(position), MF_BYPOSITION);
            const UINT first = GetMenuState(state.host_menu, 0, MF_BYPOSITION);
            if ((modules & ItemAvailability) != (first & ItemAvailability)) {
                EnableMenuItem(state.host_menu, static_cast<UINT>(position), MF_BYPOSITION | (first & ItemAvailability));
                DrawMenuBar(state.host_window);
            }
        }
        CheckOrvaleItem();
        DrawMenuBar(state.host_window);
    }
    state.menu_sync_busy = 0;
}

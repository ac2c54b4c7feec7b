// The "&Orvale" item in the host's "&Modules" menu and the main-window
// subclass behind it, on the simulated host's real main window and menu bar.
#include <gtest/gtest.h>
#include <string>
#include "host/sim_host.h"
#include "support/module_fixture.h"

namespace {

UINT IdAt(HMENU menu, int position)
{
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID;
    return GetMenuItemInfoA(menu, position, TRUE, &info) ? info.wID : 0;
}

// Position of the item with identifier `id` in `menu` (not its submenus), or -1.
int PositionOf(HMENU menu, UINT id)
{
    for (int i = 0; i < GetMenuItemCount(menu); ++i)
        if (IdAt(menu, i) == id)
            return i;
    return -1;
}

int CountOf(HMENU menu, UINT id)
{
    int count = 0;
    for (int i = 0; i < GetMenuItemCount(menu); ++i)
        count += IdAt(menu, i) == id;
    return count;
}

std::string TextAt(HMENU menu, int position)
{
    char text[64] = {};
    GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
    return text;
}

HMENU ModulesPopup(HMENU bar)
{
    int position = PositionOf(bar, ModulesMenuId);
    return position < 0 ? nullptr : GetSubMenu(bar, position);
}

bool Grayed(HMENU menu, UINT item, UINT by = MF_BYCOMMAND)
{
    return (GetMenuState(menu, item, by) & MF_GRAYED) != 0;
}

bool Checked(HMENU menu, UINT id)
{
    return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

// What the host's window manager does when the frame needs repainting.
void PaintFrame(HWND window)
{
    RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    PumpMessages();
}

// A subclass that another module might put on top of ours; counts frame paints.
WNDPROC below_counter;
int ncpaints;
LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_NCPAINT)
        ++ncpaints;
    return CallWindowProcA(below_counter, window, message, wparam, lparam);
}

class HostMenu : public testing::Test {
protected:
    void SetUp() override
    {
        ResetModule();
        SimCreateTables();
        host = SimCreateMainWindow("FS98MAIN", "Flight Simulator 98", 40, 30, 800, 600);
        ASSERT_NE(host, nullptr);
        ASSERT_NE(StandUpDisplay(host), nullptr);
        PumpMessages();
        SimClearCalls();
    }
    void TearDown() override
    {
        SimDestroyMainWindow();
        ResetModule();
    }
    // The one-shot timer of start-up firing.
    void FireMenuTimer()
    {
        MenuTimerProc(nullptr, WM_TIMER, state.timer_id, GetTickCount());
        PumpMessages();
    }
    int CommandsSeen(uint32_t id)
    {
        int n = 0;
        for (uint32_t seen : SimMainCommands())
            n += seen == id;
        return n;
    }
    HWND host = nullptr;
};

TEST_F(HostMenu, BarWithoutModulesGetsItsOwnPopupHoldingOnlyTheCheckedItem)
{
    HMENU bar = GetMenu(host);
    const int items = GetMenuItemCount(bar);
    FireMenuTimer();

    ASSERT_EQ(GetMenuItemCount(bar), items + 1);
    EXPECT_EQ(PositionOf(bar, ModulesMenuId), items);
    EXPECT_EQ(TextAt(bar, items), "&Modules");
    HMENU popup = GetSubMenu(bar, items);
    ASSERT_NE(popup, nullptr);
    ASSERT_EQ(GetMenuItemCount(popup), 1);
    EXPECT_EQ(GetMenuItemID(popup, 0), OrvaleItemId);
    EXPECT_EQ(TextAt(popup, 0), "&Orvale");
    EXPECT_TRUE(Checked(bar, OrvaleItemId));
    EXPECT_FALSE(Grayed(bar, items, MF_BYPOSITION));
    EXPECT_EQ(state.host_menu, bar);
    EXPECT_EQ(state.menu_install_state, -1);
    EXPECT_EQ(state.modules_menu_created, 1);
}

TEST_F(HostMenu, OwnPopupCopiesGrayedFirstItemAndItemFollowsDisplayState)
{
    SimGrayFirstMenuItem(true);
    state.display_enabled = 0;
    FireMenuTimer();
    HMENU bar = GetMenu(host);
    EXPECT_TRUE(Grayed(bar, ModulesMenuId));
    EXPECT_FALSE(Checked(bar, OrvaleItemId));
    EXPECT_NE(GetMenuState(bar, OrvaleItemId, MF_BYCOMMAND), static_cast<UINT>(-1));
}

TEST_F(HostMenu, AnotherModulesPopupGetsTheItemAndKeepsItsEnabledState)
{
    SimGrayFirstMenuItem(true);
    HMENU other = SimAddModulesPopup();
    ASSERT_NE(other, nullptr);
    HMENU bar = GetMenu(host);
    const int items = GetMenuItemCount(bar);
    FireMenuTimer();

    EXPECT_EQ(GetMenuItemCount(bar), items);
    ASSERT_EQ(GetMenuItemCount(other), 2);
    EXPECT_EQ(GetMenuItemID(other, 1), OrvaleItemId);
    EXPECT_EQ(TextAt(other, 1), "&Orvale");
    EXPECT_TRUE(Checked(other, OrvaleItemId));
    EXPECT_EQ(state.modules_menu_created, 0);
    // The maker decides whether its popup is enabled, also at later paints.
    PaintFrame(host);
    EXPECT_FALSE(Grayed(bar, ModulesMenuId));
}

TEST_F(HostMenu, ItemAlreadyPresentIsNotInsertedAgain)
{
    HMENU other = SimAddModulesPopup();
    ASSERT_NE(other, nullptr);
    AppendMenuA(other, MF_STRING, OrvaleItemId, "&Orvale");
    HMENU bar = GetMenu(host);
    const int items = GetMenuItemCount(bar);
    FireMenuTimer();
    EXPECT_EQ(GetMenuItemCount(bar), items);
    EXPECT_EQ(GetMenuItemCount(other), 2);
    EXPECT_EQ(CountOf(other, OrvaleItemId), 1);
}

TEST_F(HostMenu, PlainItemWithTheModulesIdIsNotMistakenForThePopup)
{
    HMENU bar = GetMenu(host);
    AppendMenuA(bar, MF_STRING, ModulesMenuId, "Plain");
    SimGrayFirstMenuItem(true);
    const int items = GetMenuItemCount(bar);
    FireMenuTimer();
    ASSERT_EQ(GetMenuItemCount(bar), items + 1);
    HMENU popup = GetSubMenu(bar, items);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(GetMenuItemID(popup, 0), OrvaleItemId);
    // The new popup copies the first item; the plain item is left as it was.
    EXPECT_TRUE(Grayed(bar, items, MF_BYPOSITION));
    EXPECT_FALSE(Grayed(bar, items - 1, MF_BYPOSITION));
}

TEST_F(HostMenu, EmptyBarGetsAnEnabledPopup)
{
    HMENU old = SimSetMenuBar(CreateMenu());
    DestroyMenu(old);
    FireMenuTimer();
    HMENU bar = GetMenu(host);
    ASSERT_EQ(GetMenuItemCount(bar), 1);
    EXPECT_FALSE(Grayed(bar, 0, MF_BYPOSITION));
    // Its own state is what the first item has: it stays enabled.
    PaintFrame(host);
    EXPECT_FALSE(Grayed(bar, 0, MF_BYPOSITION));
}

TEST_F(HostMenu, TimerIsKilledAndTheWindowSubclassed)
{
    const UINT_PTR timer = SetTimer(nullptr, 0, 60000, MenuTimerProc);
    ASSERT_NE(timer, 0u);
    state.timer_id = timer;
    const LONG_PTR host_proc = GetWindowLongPtrA(host, GWLP_WNDPROC);
    FireMenuTimer();
    EXPECT_EQ(state.timer_id, 0u);
    EXPECT_FALSE(KillTimer(nullptr, timer));
    EXPECT_EQ(GetWindowLongPtrA(host, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(HostWndProc));
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(state.prev_host_wndproc), host_proc);
}

TEST_F(HostMenu, ChoosingTheItemSwitchesTheDisplayOffAndOnAgain)
{
    state.prev_text_output = SimHostTextOutput(SimTableTextOutput);
    FireMenuTimer();
    HMENU bar = GetMenu(host);
    ShowWindow(state.undocked_window, SW_SHOWNA);
    TextOutputHook("CAPTURED", 4, 10, 0);
    EXPECT_TRUE(SimTextCalls().empty());

    PostMessageA(host, WM_COMMAND, OrvaleItemId, 0);
    PumpMessages();
    EXPECT_EQ(state.display_enabled, 0);
    EXPECT_FALSE(IsWindowVisible(state.undocked_window));
    EXPECT_FALSE(Checked(bar, OrvaleItemId));
    EXPECT_EQ(CommandsSeen(OrvaleItemId), 1);
    TextOutputHook("PASSED ON", 4, 10, 0);
    ASSERT_EQ(SimTextCalls().size(), 1u);
    EXPECT_EQ(SimTextCalls()[0].text, "PASSED ON");
    // Still off after the next frame paint.
    PaintFrame(host);
    EXPECT_FALSE(Checked(bar, OrvaleItemId));

    // An accelerator's notification code in the high word: the same item.
    PostMessageA(host, WM_COMMAND, MAKEWPARAM(OrvaleItemId, 1), 0);
    PumpMessages();
    EXPECT_EQ(CommandsSeen(OrvaleItemId), 2);
    EXPECT_EQ(state.display_enabled, 1);
    EXPECT_TRUE(IsWindowVisible(state.undocked_window));
    EXPECT_TRUE(Checked(bar, OrvaleItemId));
    RECT host_rect, shown;
    GetWindowRect(host, &host_rect);
    GetWindowRect(state.undocked_window, &shown);
    EXPECT_EQ(shown.left, host_rect.left + GetSystemMetrics(SM_CXFRAME));
    EXPECT_EQ(shown.top, host_rect.top + GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME) +
                             GetSystemMetrics(SM_CYMENU));
}

TEST_F(HostMenu, ChoosingTheItemWithoutADisplayChangesNothing)
{
    FireMenuTimer();
    DestroyWindow(state.undocked_window);
    ASSERT_EQ(state.undocked_window, nullptr);
    SendMessageA(host, WM_COMMAND, OrvaleItemId, 0);
    EXPECT_EQ(state.display_enabled, 1);
    EXPECT_EQ(CommandsSeen(OrvaleItemId), 1);
}

TEST_F(HostMenu, FramePaintFollowsTheDisplayStateWithTheCheckMark)
{
    FireMenuTimer();
    HMENU bar = GetMenu(host);
    state.display_enabled = 0;
    PaintFrame(host);
    EXPECT_FALSE(Checked(bar, OrvaleItemId));
    state.display_enabled = 1;
    PaintFrame(host);
    EXPECT_TRUE(Checked(bar, OrvaleItemId));
}

TEST_F(HostMenu, ReplacedBarGetsThePopupAtTheNextFramePaint)
{
    FireMenuTimer();
    HMENU fresh = SimCreateHostMenuBar();
    HMENU old = SimSetMenuBar(fresh);
    PaintFrame(host);
    EXPECT_EQ(state.host_menu, fresh);
    HMENU popup = ModulesPopup(fresh);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(GetMenuItemID(popup, 0), OrvaleItemId);
    EXPECT_TRUE(Checked(fresh, OrvaleItemId));
    DestroyMenu(old);
}

TEST_F(HostMenu, OwnPopupFollowsTheFirstItemGrayedAndEnabled)
{
    FireMenuTimer();
    HMENU bar = GetMenu(host);
    SimGrayFirstMenuItem(true);
    PaintFrame(host);
    EXPECT_TRUE(Grayed(bar, ModulesMenuId));
    SimGrayFirstMenuItem(false);
    PaintFrame(host);
    EXPECT_FALSE(Grayed(bar, ModulesMenuId));
}

TEST_F(HostMenu, NothingIsInstalledUntilABarAppears)
{
    SimRemoveMenuBar();
    FireMenuTimer();
    EXPECT_EQ(state.host_menu, nullptr);
    EXPECT_EQ(state.menu_install_state, 1);
    PaintFrame(host);
    EXPECT_EQ(GetMenu(host), nullptr);

    HMENU bar = SimCreateHostMenuBar();
    SimSetMenuBar(bar);
    PaintFrame(host);
    EXPECT_EQ(state.host_menu, bar);
    ASSERT_NE(ModulesPopup(bar), nullptr);
    EXPECT_EQ(GetMenuItemID(ModulesPopup(bar), 0), OrvaleItemId);
}

TEST_F(HostMenu, RestartDoesNotSubclassAgain)
{
    FireMenuTimer();
    const WNDPROC first = state.prev_host_wndproc;
    state.menu_install_state = 1;
    FireMenuTimer();
    EXPECT_EQ(state.prev_host_wndproc, first);
    EXPECT_EQ(GetWindowLongPtrA(host, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(HostWndProc));
    SendMessageA(host, WM_COMMAND, 1201, 0);
    EXPECT_EQ(CommandsSeen(1201), 1);
    // Still one item, however often the installation runs.
    EXPECT_EQ(CountOf(ModulesPopup(GetMenu(host)), OrvaleItemId), 1);
}

TEST_F(HostMenu, RestartUnderAnotherModulesSubclassDoesNotLoop)
{
    FireMenuTimer();
    below_counter = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(host, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingProc)));
    FireMenuTimer();
    EXPECT_EQ(GetWindowLongPtrA(host, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(CountingProc));
    SendMessageA(host, WM_COMMAND, 1201, 0);
    EXPECT_EQ(CommandsSeen(1201), 1);
}

TEST_F(HostMenu, SubclassWithoutASavedProcedureFallsBackToDefaultHandling)
{
    FireMenuTimer();
    state.prev_host_wndproc = nullptr;
    SendMessageA(host, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Renamed"));
    char title[32] = {};
    GetWindowTextA(host, title, sizeof title);
    EXPECT_STREQ(title, "Renamed");
    PaintFrame(host);
}

TEST_F(HostMenu, IdleMainWindowDoesNotRepaintItsFrameForever)
{
    FireMenuTimer();
    below_counter = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(host, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingProc)));
    PaintFrame(host);
    SimPump(100);
    ncpaints = 0;
    SimPump(400);
    EXPECT_LE(ncpaints, 1);
}

}  // namespace

// The "&Orvale" item in the host's "&Modules" menu and the main-window
// subclass behind it, on the simulated host's real main window and menu bar.
#include <gtest/gtest.h>
#include <algorithm>
#include <string>
#include "host/sim_host.h"
#include "support/module_fixture.h"
#include "core/display_state.h"
#include "core/module_timer.h"
#include "hostmenu/host_menu.h"
#include "module/startup.h"
#include "module/window_procedures.h"

namespace {

UINT IdAt(HMENU menu, int position)
{
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID;
    return GetMenuItemInfoA(menu, position, TRUE, &info) ? info.wID : 0;
}

int CountOf(HMENU menu, UINT id)
{
    int count = 0;
    for (int i = 0; i < GetMenuItemCount(menu); ++i)
        count += IdAt(menu, i) == id;
    return count;
}

HMENU ModulesPopup(HMENU bar)
{
    for (int i = GetMenuItemCount(bar) - 1; i >= 0; --i)
        if (IdAt(bar, i) == ModulesMenuId)
            return GetSubMenu(bar, i);
    return nullptr;
}

std::string TextAt(HMENU menu, int position)
{
    char text[64] = {};
    GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
    return text;
}

bool Grayed(HMENU menu, UINT item, UINT by = MF_BYCOMMAND)
{
    return (GetMenuState(menu, item, by) & MF_GRAYED) != 0;
}

bool Checked(HMENU menu) { return (GetMenuState(menu, OrvaleItemId, MF_BYCOMMAND) & MF_CHECKED) != 0; }

int CommandsSeen(uint32_t id)
{
    return static_cast<int>(std::count(SimMainCommands().begin(), SimMainCommands().end(), id));
}

// What the window manager does when the frame needs repainting.
void PaintFrame(HWND window)
{
    RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    PumpMessages();
}

// A subclass that another module puts on top of ours.
WNDPROC below_other;
LRESULT CALLBACK OtherModuleProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    return CallWindowProcA(below_other, window, message, wparam, lparam);
}

// White-box: the module's code linked in, the display stood up on the host's
// main window, the one-shot timer fired by hand.
class HostMenu : public testing::Test {
protected:
    void SetUp() override
    {
        ResetModule();
        SimCreateTables();
        host = SimCreateMainWindow("FS98MAIN", "Flight Simulator 98", 40, 30, 800, 600);
        ASSERT_NE(host, nullptr);
        ASSERT_NE(StandUpDisplay(host), nullptr);
        bar = GetMenu(host);
        items = GetMenuItemCount(bar);
        PumpMessages();
        SimClearCalls();
    }
    void TearDown() override
    {
        SimDestroyMainWindow();
        ResetModule();
    }
    // The menu's one-shot, as the timer that start-up set for it.
    void FireMenuTimer()
    {
        if (!state.timer_id)
            SetModuleTimer(60000, MenuTimerProc);
        MenuTimerProc(nullptr, WM_TIMER, state.timer_id, GetTickCount());
        PumpMessages();
    }
    HWND host = nullptr;
    HMENU bar = nullptr;
    int items = 0;
};

TEST_F(HostMenu, BarWithoutModulesGetsItsOwnPopupWithTheCheckedItem)
{
    FireMenuTimer();
    ASSERT_EQ(GetMenuItemCount(bar), items + 1);
    EXPECT_EQ(IdAt(bar, items), ModulesMenuId);
    EXPECT_EQ(TextAt(bar, items), "&Modules");
    HMENU popup = GetSubMenu(bar, items);
    ASSERT_EQ(GetMenuItemCount(popup), 1);
    EXPECT_EQ(GetMenuItemID(popup, 0), OrvaleItemId);
    EXPECT_EQ(TextAt(popup, 0), "&Orvale");
    EXPECT_TRUE(Checked(bar));
    EXPECT_FALSE(Grayed(bar, items, MF_BYPOSITION));
}

TEST_F(HostMenu, OwnPopupGrayedLikeTheFirstItemWithTheItemUncheckedWhileOff)
{
    SimGrayFirstMenuItem(true);
    state.display_enabled = 0;
    FireMenuTimer();
    EXPECT_TRUE(Grayed(bar, ModulesMenuId));
    EXPECT_EQ(CountOf(ModulesPopup(bar), OrvaleItemId), 1);
    EXPECT_FALSE(Checked(bar));
}

TEST_F(HostMenu, ItemAlreadyPresentIsNotInsertedAgain)
{
    HMENU other = SimAddModulesPopup();
    ASSERT_NE(other, nullptr);
    AppendMenuA(other, MF_STRING, OrvaleItemId, "&Orvale");
    FireMenuTimer();
    EXPECT_EQ(GetMenuItemCount(bar), items + 1);
    EXPECT_EQ(GetMenuItemCount(other), 2);
}

TEST_F(HostMenu, PlainItemWithTheModulesIdIsLeftAlone)
{
    AppendMenuA(bar, MF_STRING, ModulesMenuId, "Plain");
    SimGrayFirstMenuItem(true);
    FireMenuTimer();
    PaintFrame(host);
    ASSERT_EQ(GetMenuItemCount(bar), items + 2);
    EXPECT_EQ(GetMenuItemID(GetSubMenu(bar, items + 1), 0), OrvaleItemId);
    EXPECT_TRUE(Grayed(bar, items + 1, MF_BYPOSITION));
    EXPECT_FALSE(Grayed(bar, items, MF_BYPOSITION));
}

TEST_F(HostMenu, EmptyBarGetsAnEnabledPopup)
{
    DestroyMenu(SimSetMenuBar(CreateMenu()));
    FireMenuTimer();
    PaintFrame(host);
    ASSERT_EQ(GetMenuItemCount(GetMenu(host)), 1);
    EXPECT_FALSE(Grayed(GetMenu(host), 0, MF_BYPOSITION));
}

TEST_F(HostMenu, TimerIsKilledAndTheWindowSubclassed)
{
    SetModuleTimer(60000, MenuTimerProc);
    const UINT_PTR timer = state.timer_id;
    ASSERT_NE(timer, 0u);
    const LONG_PTR host_proc = GetWindowLongPtrA(host, GWLP_WNDPROC);
    // A message of a timer killed since does nothing.
    MenuTimerProc(nullptr, WM_TIMER, timer + 1, GetTickCount());
    EXPECT_EQ(state.timer_id, timer);
    FireMenuTimer();
    EXPECT_EQ(state.timer_id, 0u);
    EXPECT_FALSE(KillTimer(nullptr, timer));
    EXPECT_EQ(GetWindowLongPtrA(host, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(HostWndProc));
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(state.prev_host_wndproc), host_proc);
}

TEST_F(HostMenu, NothingIsInstalledUntilABarAppears)
{
    SimRemoveMenuBar();
    FireMenuTimer();
    PaintFrame(host);
    EXPECT_EQ(state.host_menu, nullptr);
    EXPECT_EQ(state.menu_install_state, 1);

    HMENU fresh = SimCreateHostMenuBar();
    SimSetMenuBar(fresh);
    PaintFrame(host);
    ASSERT_NE(ModulesPopup(fresh), nullptr);
    EXPECT_EQ(GetMenuItemID(ModulesPopup(fresh), 0), OrvaleItemId);
}

TEST_F(HostMenu, RestartKeepsTheFirstSubclass)
{
    FireMenuTimer();
    const WNDPROC first = state.prev_host_wndproc;
    state.menu_install_state = 1;
    FireMenuTimer();
    EXPECT_EQ(state.prev_host_wndproc, first);
    SendMessageA(host, WM_COMMAND, 1201, 0);
    EXPECT_EQ(CommandsSeen(1201), 1);
    EXPECT_EQ(CountOf(ModulesPopup(bar), OrvaleItemId), 1);

    // Another module's subclass on top of ours is not wrapped again either.
    below_other = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(host, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OtherModuleProc)));
    FireMenuTimer();
    EXPECT_EQ(GetWindowLongPtrA(host, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(OtherModuleProc));
    SendMessageA(host, WM_COMMAND, 1202, 0);
    EXPECT_EQ(CommandsSeen(1202), 1);
}

TEST_F(HostMenu, SubclassWithoutASavedProcedureFallsBackToDefaultHandling)
{
    FireMenuTimer();
    state.prev_host_wndproc = nullptr;
    SendMessageA(host, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Renamed"));
    char title[32] = {};
    GetWindowTextA(host, title, sizeof title);
    EXPECT_STREQ(title, "Renamed");
}

// The real orvale.dll in the simulated host.
class HostMenuDll : public testing::Test {
protected:
    void SetUp() override
    {
        SimCreateTables();
        host = SimCreateMainWindow("FS2000MAIN", "Flight Simulator 2000", 20, 10, 800, 600);
        ASSERT_NE(host, nullptr);
        bar = GetMenu(host);
        items = GetMenuItemCount(bar);
    }
    void TearDown() override
    {
        SimStopModule();
        SimUnloadModule();
        SimDestroyMainWindow();
    }
    // The item must appear about three seconds after the main window is found.
    bool StartAndWaitForItem()
    {
        if (!SimLoadModule(SimFreshCopy("orvale.dll").c_str()) || !SimStartModule())
            return false;
        const DWORD started = GetTickCount();
        auto installed = [&] { return ModulesPopup(GetMenu(host)) && CountOf(ModulesPopup(GetMenu(host)), OrvaleItemId); };
        if (!SimPumpUntil(installed, 20000))
            return false;
        EXPECT_GE(GetTickCount() - started, 2500u);
        SimClearCalls();
        return true;
    }
    // Other programs on the same desktop may run displays of their own.
    HWND UndockedDisplay()
    {
        for (HWND w = FindWindowExA(nullptr, nullptr, "OrvaleWindow", nullptr); w;
             w = FindWindowExA(nullptr, w, "OrvaleWindow", nullptr))
            if (GetWindow(w, GW_OWNER) == host && (GetWindowLongA(w, GWL_STYLE) & WS_CAPTION) == WS_CAPTION)
                return w;
        return nullptr;
    }
    void Choose(WPARAM wparam = OrvaleItemId)
    {
        PostMessageA(host, WM_COMMAND, wparam, 0);
        SimPump(50);
    }
    HWND host = nullptr;
    HMENU bar = nullptr;
    int items = 0;
};

TEST_F(HostMenuDll, ItemSwitchesTheDisplayOffAndShowsItAgainUnderTheHostsMenuBar)
{
    ASSERT_TRUE(StartAndWaitForItem());
    ASSERT_EQ(GetMenuItemCount(bar), items + 1);
    EXPECT_EQ(TextAt(bar, items), "&Modules");
    EXPECT_FALSE(Grayed(bar, items, MF_BYPOSITION));
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(bar, items)), 1);
    EXPECT_TRUE(Checked(bar));
    HWND display = UndockedDisplay();
    ASSERT_NE(display, nullptr);

    Choose();
    EXPECT_FALSE(Checked(bar));
    EXPECT_FALSE(IsWindowVisible(display));
    EXPECT_EQ(CommandsSeen(OrvaleItemId), 1);
    SimCallTextOutput("TOWER", 4, 10, 0);
    ASSERT_EQ(SimTextCalls().size(), 1u);
    EXPECT_EQ(SimTextCalls()[0].text, "TOWER");

    // An accelerator's notification code in the high word: the same item.
    Choose(MAKEWPARAM(OrvaleItemId, 1));
    EXPECT_TRUE(Checked(bar));
    EXPECT_TRUE(IsWindowVisible(display));
    EXPECT_EQ(CommandsSeen(OrvaleItemId), 2);
    RECT host_rect, shown;
    GetWindowRect(host, &host_rect);
    GetWindowRect(display, &shown);
    EXPECT_EQ(shown.left, host_rect.left + GetSystemMetrics(SM_CXFRAME));
    EXPECT_EQ(shown.top, host_rect.top + GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME) +
                             GetSystemMetrics(SM_CYMENU));
    SimClearCalls();
    SimCallTextOutput("GROUND", 4, 10, 0);
    ASSERT_EQ(SimTextCalls().size(), 1u);
    EXPECT_EQ(SimTextCalls()[0].text, "");
}

TEST_F(HostMenuDll, AnotherModulesPopupIsUsedAndAReplacedBarGetsOneOfItsOwn)
{
    SimGrayFirstMenuItem(true);
    HMENU other = SimAddModulesPopup();
    ASSERT_NE(other, nullptr);
    ASSERT_TRUE(StartAndWaitForItem());
    EXPECT_EQ(GetMenuItemCount(bar), items + 1);
    ASSERT_EQ(GetMenuItemCount(other), 2);
    EXPECT_EQ(TextAt(other, 1), "&Orvale");
    EXPECT_TRUE(Checked(bar));
    SimPump(50);
    EXPECT_FALSE(Grayed(bar, ModulesMenuId));  // its maker's choice

    // The replaced bar is installed into at its first paint, enabled like its
    // first item, then grayed and enabled again with it.
    HMENU fresh = SimCreateHostMenuBar();
    HMENU old = SimSetMenuBar(fresh);
    SimPump(50);
    ASSERT_NE(ModulesPopup(fresh), nullptr);
    EXPECT_EQ(GetMenuItemID(ModulesPopup(fresh), 0), OrvaleItemId);
    EXPECT_FALSE(Grayed(fresh, ModulesMenuId));
    SimGrayFirstMenuItem(true);
    SimPump(50);
    EXPECT_TRUE(Grayed(fresh, ModulesMenuId));
    SimGrayFirstMenuItem(false);
    SimPump(50);
    EXPECT_FALSE(Grayed(fresh, ModulesMenuId));
    DestroyMenu(old);
}

}  // namespace

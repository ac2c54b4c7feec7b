// Docking under Wine: placement between the two forms, the panel search, the
// two ways of attaching, the retry and the commands that dock and undock, on
// real windows of the simulated host.
#include <gtest/gtest.h>
#include "support/module_fixture.h"
#include "host/sim_host.h"

namespace {

constexpr UINT HidePattern = 0x1837;
constexpr UINT ShowPattern = 0x0013;

RECT WindowRect(HWND window)
{
    RECT r = {};
    GetWindowRect(window, &r);
    return r;
}

void ExpectRect(HWND window, int left, int top, int width, int height)
{
    const RECT r = WindowRect(window);
    EXPECT_EQ(r.left, left);
    EXPECT_EQ(r.top, top);
    EXPECT_EQ(r.right - r.left, width);
    EXPECT_EQ(r.bottom - r.top, height);
}

POINT ToHostClient(int x, int y)
{
    POINT p = {x, y};
    ScreenToClient(state.host_window, &p);
    return p;
}

bool HasClassicMetrics()
{
    return GetSystemMetrics(SM_CXBORDER) == 1 && GetSystemMetrics(SM_CYBORDER) == 1 &&
           GetSystemMetrics(SM_CXFRAME) == 4 && GetSystemMetrics(SM_CYFRAME) == 4 &&
           GetSystemMetrics(SM_CYCAPTION) == 19;
}

void Command(HWND window, UINT id)
{
    SendMessageA(window, WM_COMMAND, id, 0);
}

void RunTicks(int n)
{
    for (int i = 0; i < n; ++i)
        DisplayTick(0, 0);
}

class Docking : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetModule();
        SimCreateTables();
        SimFillImportTable(ImportTable);
        host = SimCreateMainWindow("OrvaleDockingHost", "Host", 0, 0, 1000, 700);
        ASSERT_TRUE(host);
        undocked = StandUpDisplay(host);
        ASSERT_TRUE(undocked);
        PumpMessages();
    }
    void TearDown() override
    {
        DetachPanel();
        ResetModule();
        SimDestroyMainWindow();
        PumpMessages();
    }

    // FS2002: the docked window is a popup and the panel is subclassed.
    void UseSubclassing()
    {
        state.host_version = 2;
        state.attach_by_subclass = 1;
    }

    // The undocked window at screen (100, 200), 400 x 100, docked by command.
    void DockTheExample()
    {
        state.undocked_x = 100;
        state.undocked_y = 200;
        state.window_width = 400;
        state.window_height = 100;
        PlaceDisplay(0, 0);
        ExpectRect(undocked, 100, 200, 400, 100);
        Command(undocked, CmdDock);
    }

    // Start-up's placement makes the docked window; then the stored docked
    // geometry is placed, as a panel load does.
    void DockAtStoredPlace()
    {
        if (!state.docked_window) {
            const DisplayState kept = state;
            PlaceDisplay(0, 0);
            state.window_height = kept.window_height;
            state.hide_always = kept.hide_always;
            state.auto_hide = kept.auto_hide;
            state.line_height = kept.line_height;
        }
        PlaceDisplay(1, 0);
    }

    // A panel window covering the screen rectangle the example docks onto.
    HWND PanelUnderExample(uint16_t kind = 0x20A9)
    {
        const POINT corner = ToHostClient(53, 174);
        return SimCreatePanel(corner.x, corner.y, 500, 200, kind);
    }

    HWND host = nullptr;
    HWND undocked = nullptr;
};

// ---- Placement between the two forms ----

TEST_F(Docking, WorkedExampleDocksAndUndocksOnTheRealRectangles)
{
    if (!HasClassicMetrics())
        GTEST_SKIP() << "the example needs the classic metrics 1, 1, 4, 4, 19";
    for (int subclass : {0, 1}) {
        SCOPED_TRACE(subclass ? "popup" : "child");
        state.attach_by_subclass = subclass;
        DockTheExample();
        ASSERT_TRUE(state.docked_window);
        RECT client;
        GetClientRect(undocked, &client);
        EXPECT_EQ(client.bottom, 73);
        EXPECT_EQ(state.docked, 1);
        EXPECT_FALSE(IsWindowVisible(undocked));
        ExpectRect(state.docked_window, 103, 224, 394, 75);
        const POINT expected = ToHostClient(103, 224);
        EXPECT_EQ(state.docked_x, expected.x);
        EXPECT_EQ(state.docked_y, expected.y);
        // The docked client area is the undocked one's size.
        GetClientRect(state.docked_window, &client);
        EXPECT_EQ(client.right, 392);
        EXPECT_EQ(client.bottom, 73);

        Command(state.docked_window, CmdUndock);
        EXPECT_EQ(state.docked, 0);
        ExpectRect(undocked, 100, 200, 400, 100);
        EXPECT_TRUE(IsWindowVisible(undocked));
        EXPECT_FALSE(IsWindowVisible(state.docked_window));
        DestroyWindow(state.docked_window);
    }
}

TEST_F(Docking, WorkedExampleOnAPanelKeepsTheScreenRectangleInBothModes)
{
    if (!HasClassicMetrics())
        GTEST_SKIP() << "the example needs the classic metrics 1, 1, 4, 4, 19";
    for (int subclass : {0, 1}) {
        SCOPED_TRACE(subclass ? "popup" : "child");
        state.attach_by_subclass = subclass;
        state.host_version = subclass ? 2 : 0;
        HWND panel = PanelUnderExample();
        DockTheExample();
        EXPECT_EQ(state.attached, 1);
        EXPECT_EQ(state.dock_target, panel);
        ExpectRect(state.docked_window, 103, 224, 394, 75);
        EXPECT_TRUE(IsWindowVisible(state.docked_window));
        Command(state.docked_window, CmdUndock);
        ExpectRect(undocked, 100, 200, 400, 100);
        EXPECT_EQ(state.attached, 0);
        if (subclass)
            EXPECT_NE(GetWindowLongPtrA(panel, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(TargetWndProc));
        else
            EXPECT_EQ(GetAncestor(state.docked_window, GA_PARENT), panel);   // stays with its last panel
        SimDestroyPanel(panel);
        if (state.docked_window)
            DestroyWindow(state.docked_window);
    }
}

TEST_F(Docking, MaximisedHostWithoutFrameShiftsDockingAndUndockingAddsHeight)
{
    if (!HasClassicMetrics())
        GTEST_SKIP() << "the example needs the classic metrics 1, 1, 4, 4, 19";
    // A maximised host whose frame stays on the screen (a second monitor, or
    // a window manager that keeps frames visible): the caption and menu bar
    // above the client area are corrected for.
    ShowWindow(host, SW_MAXIMIZE);
    PumpMessages();
    RECT r = WindowRect(host), q;
    SetWindowPos(host, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
    PumpMessages();
    ASSERT_TRUE(IsZoomed(host));
    r = WindowRect(host);
    GetClientRect(host, &q);
    ASSERT_GE(r.top, 0);
    const int correction = r.bottom - q.bottom;
    ASSERT_GT(correction, 0);

    DockTheExample();
    ExpectRect(state.docked_window, 103, 224 + correction, 394, 75);
    Command(state.docked_window, CmdUndock);
    ExpectRect(undocked, 100, 200, 400, 100 + correction);
    Command(undocked, CmdDock);
    Command(state.docked_window, CmdUndock);
    ExpectRect(undocked, 100, 200, 400, 100 + 2 * correction);
}

TEST_F(Docking, MaximisedHostHangingOffTheTopLeftGetsNoCorrection)
{
    if (!HasClassicMetrics())
        GTEST_SKIP() << "the example needs the classic metrics 1, 1, 4, 4, 19";
    ShowWindow(host, SW_MAXIMIZE);
    PumpMessages();
    ASSERT_TRUE(IsZoomed(host));
    const RECT r = WindowRect(host);
    if (r.left >= 0 || r.top >= 0)
        GTEST_SKIP() << "this window manager keeps maximised frames on screen";
    DockTheExample();
    ExpectRect(state.docked_window, 103, 224, 394, 75);
    Command(state.docked_window, CmdUndock);
    ExpectRect(undocked, 100, 200, 400, 100);
}

TEST_F(Docking, FirstPlacementCreatesTheDockedWindowHiddenWithItsMenu)
{
    PlaceDisplay(0, 0);
    ASSERT_TRUE(state.docked_window);
    EXPECT_FALSE(IsWindowVisible(state.docked_window));
    EXPECT_TRUE(IsWindowVisible(undocked));
    EXPECT_EQ(GetWindowLongPtrA(state.docked_window, GWL_STYLE) & (WS_CHILD | WS_BORDER | WS_POPUP | WS_CAPTION),
              WS_CHILD | WS_BORDER);
    EXPECT_EQ(GetAncestor(state.docked_window, GA_PARENT), host);
    ASSERT_TRUE(state.docked_menu);
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(state.docked_menu, 0)), 10);
    EXPECT_EQ(GetMenuItemID(GetSubMenu(state.docked_menu, 0), 0), static_cast<UINT>(CmdUndock));
    DestroyWindow(state.docked_window);

    UseSubclassing();
    PlaceDisplay(0, 0);
    ASSERT_TRUE(state.docked_window);
    EXPECT_EQ(GetWindowLongPtrA(state.docked_window, GWL_STYLE) & (WS_CHILD | WS_BORDER | WS_POPUP | WS_CAPTION),
              static_cast<LONG_PTR>(WS_POPUP | WS_BORDER));
    EXPECT_EQ(GetWindow(state.docked_window, GW_OWNER), host);
}

TEST_F(Docking, FailedCreationAdoptsNoStaleMenu)
{
    HMENU stale = CreatePopupMenu();
    state.loaded_menu = stale;
    HWND gone = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    state.host_window = gone;   // a child window cannot be made under it
    PlaceDisplay(0, 0);
    EXPECT_EQ(state.docked_window, nullptr);
    EXPECT_EQ(state.docked_menu, nullptr);
    state.host_window = host;
    DestroyMenu(stale);
}

TEST_F(Docking, ShowUndockedUsesTheStoredGeometryRaisedToTheMinimum)
{
    state.undocked_x = 150;
    state.undocked_y = 160;
    state.window_width = 300;
    state.window_height = 5;
    state.auto_hide = 1;
    state.hide_always = 1;
    Command(undocked, CmdShowUndocked);
    EXPECT_EQ(state.docked, 0);
    EXPECT_EQ(state.auto_hide, 0);
    EXPECT_EQ(state.hide_always, 0);
    EXPECT_EQ(state.window_height, state.undocked_min_height);
    ExpectRect(undocked, 150, 160, 300, state.undocked_min_height);
    EXPECT_TRUE(IsWindowVisible(undocked));
    EXPECT_EQ(state.display_enabled, 1);
}

TEST_F(Docking, DockingWithoutADockedWindowLeavesItForTheRetry)
{
    if (!HasClassicMetrics())
        GTEST_SKIP() << "the example needs the classic metrics 1, 1, 4, 4, 19";
    state.undocked_x = 100;
    state.undocked_y = 200;
    state.window_width = 400;
    state.window_height = 100;
    PlaceDisplay(0, 0);
    DestroyWindow(state.docked_window);
    ASSERT_EQ(state.docked_window, nullptr);

    Command(undocked, CmdDock);
    ASSERT_TRUE(state.docked_window);
    EXPECT_EQ(state.docked, 1);
    EXPECT_EQ(state.attached, 0);
    EXPECT_FALSE(IsWindowVisible(state.docked_window));
    EXPECT_FALSE(IsWindowVisible(undocked));
    // Converted from the undocked window all the same.
    const POINT expected = ToHostClient(103, 224);
    EXPECT_EQ(state.docked_x, expected.x);
    EXPECT_EQ(state.docked_y, expected.y);

    PanelUnderExample();
    RunTicks(20);
    EXPECT_EQ(state.attached, 1);
    EXPECT_TRUE(IsWindowVisible(state.docked_window));
    ExpectRect(state.docked_window, 103, 224, 394, 75);
}

// ---- The panel search ----

TEST_F(Docking, PanelIsFoundOnlyWhenBothCornersLieInIt)
{
    state.window_width = 100;
    state.window_height = 40;
    HWND panel = SimCreatePanel(200, 100, 300, 200, 0x20A9);
    EXPECT_EQ(FindPanelAt(200, 100), panel);
    EXPECT_EQ(FindPanelAt(399, 259), panel);   // far point (499, 299): the last pixel
    EXPECT_EQ(FindPanelAt(400, 259), nullptr);
    EXPECT_EQ(FindPanelAt(399, 260), nullptr);
    EXPECT_EQ(FindPanelAt(199, 100), nullptr);
    EXPECT_EQ(FindPanelAt(10, 10), nullptr);   // the host itself carries no record

    // The far corner in a neighbouring panel does not do.
    HWND right = SimCreatePanel(500, 100, 300, 200, 0x20A9);
    EXPECT_EQ(FindPanelAt(450, 150), nullptr);
    EXPECT_EQ(FindPanelAt(500, 150), right);

    SimShowPanel(panel, false);
    EXPECT_EQ(FindPanelAt(250, 150), nullptr);
    SimShowPanel(panel, true);
    SimSetPanelUserData(panel, nullptr);
    EXPECT_EQ(FindPanelAt(250, 150), nullptr);
}

TEST_F(Docking, EachPanelKindCountsOnlyWithItsEditions)
{
    state.window_width = 50;
    state.window_height = 20;
    HWND panel = SimCreatePanel(200, 100, 300, 200, 0x20A9);
    struct Case {
        uint16_t kind;
        bool on[3];
    } cases[] = {{0x20A9, {true, true, true}}, {0x0151, {true, false, false}}, {0x20B8, {false, true, false}},
                 {0x20AA, {false, false, false}}, {0x0000, {false, false, false}}};
    for (const Case& c : cases) {
        SimSetPanelKind(panel, c.kind);
        for (int version = 0; version < 3; ++version) {
            state.host_version = version;
            EXPECT_EQ(FindPanelAt(250, 150) != nullptr, c.on[version]) << std::hex << c.kind << " on " << version;
        }
    }
}

TEST_F(Docking, HiddenDockedWindowDoesNotCoverThePanelUnderIt)
{
    state.window_width = 100;
    state.window_height = 40;
    HWND panel = SimCreatePanel(200, 100, 300, 200, 0x20A9);
    PlaceDisplay(0, 0);   // makes the docked window, a hidden child of the host
    SetWindowPos(state.docked_window, HWND_TOP, 250, 150, 100, 40, SWP_NOACTIVATE);
    EXPECT_EQ(FindPanelAt(250, 150), panel);
    // Shown and unattached it is itself what the probe meets: no panel.
    ShowWindow(state.docked_window, SW_SHOWNA);
    EXPECT_EQ(FindPanelAt(250, 150), nullptr);
}

TEST_F(Docking, HalfLineProbesCatchAWindowJustOverThePanelEdge)
{
    HWND panel = SimCreatePanel(200, 100, 300, 200, 0x20A9);   // rows 100..299
    PlaceDisplay(0, 0);
    state.line_height = 19;   // probes move by 9
    state.window_width = 100;
    state.window_height = 50;

    // Top edge 9 above the panel: the third probe (y + 9) finds it.
    AttachDisplay(state.docked_window, nullptr, 250, 91, 1);
    EXPECT_EQ(state.dock_target, panel);
    RECT r = WindowRect(state.docked_window);
    POINT corner = ToHostClient(r.left, r.top);
    EXPECT_EQ(corner.y, 91);   // the window keeps its own y

    // Far point (y + 50 = 308) 9 below the panel's last row: the second
    // probe (y - 9) finds it.
    AttachDisplay(undocked, nullptr, 100, 100, 0);
    AttachDisplay(state.docked_window, nullptr, 250, 258, 1);
    EXPECT_EQ(state.dock_target, panel);
    r = WindowRect(state.docked_window);
    corner = ToHostClient(r.left, r.top);
    EXPECT_EQ(corner.y, 258);

    // One pixel further and no probe reaches.
    AttachDisplay(undocked, nullptr, 100, 100, 0);
    AttachDisplay(state.docked_window, nullptr, 250, 90, 1);
    EXPECT_EQ(state.attached, 0);
    AttachDisplay(undocked, nullptr, 100, 100, 0);
    AttachDisplay(state.docked_window, nullptr, 250, 259, 1);
    EXPECT_EQ(state.attached, 0);
}

// ---- Attachment by re-parenting (FS98, FS2000) ----

TEST_F(Docking, ReparentedWindowMovesHidesAndDiesWithItsPanel)
{
    state.host_version = 1;
    HWND panel = SimCreatePanel(200, 100, 300, 200, 0x20B8);
    state.docked_x = 220;
    state.docked_y = 130;
    state.window_width = 120;
    state.window_height = 30;
    DockAtStoredPlace();
    HWND docked = state.docked_window;
    ASSERT_EQ(state.attached, 1);
    EXPECT_EQ(GetAncestor(docked, GA_PARENT), panel);
    EXPECT_EQ(state.prev_target_wndproc, nullptr);
    const RECT before = WindowRect(docked);
    POINT where = {220, 130};
    ClientToScreen(host, &where);
    EXPECT_EQ(before.left, where.x);
    EXPECT_EQ(before.top, where.y);
    EXPECT_TRUE(IsWindowVisible(docked));

    SimMovePanel(panel, 260, 140, 300, 200);
    const RECT moved = WindowRect(docked);
    EXPECT_EQ(moved.left - before.left, 60);
    EXPECT_EQ(moved.top - before.top, 40);

    SimShowPanel(panel, false);
    EXPECT_FALSE(IsWindowVisible(docked));
    SimShowPanel(panel, true);
    EXPECT_TRUE(IsWindowVisible(docked));

    HMENU old_menu = state.docked_menu;
    SimDestroyPanel(panel);
    EXPECT_FALSE(IsWindow(docked));
    EXPECT_EQ(state.docked_window, nullptr);
    EXPECT_FALSE(IsMenu(old_menu));

    // The next placement makes a new docked window with a menu of its own.
    PlaceDisplay(0, 0);
    ASSERT_TRUE(state.docked_window);
    ASSERT_TRUE(state.docked_menu);
    EXPECT_TRUE(IsMenu(state.docked_menu));
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(state.docked_menu, 0)), 10);
    EXPECT_EQ(GetAncestor(state.docked_window, GA_PARENT), host);
}

TEST_F(Docking, DockedDisplayOnAPanelShowsItsBackgroundColour)
{
    state.back_colour = -static_cast<int32_t>(RGB(200, 30, 170));
    HWND panel = SimCreatePanel(200, 100, 300, 200, 0x20A9);
    state.docked_x = 220;
    state.docked_y = 130;
    state.window_width = 120;
    state.window_height = 30;
    DockAtStoredPlace();
    ASSERT_EQ(state.dock_target, panel);
    UpdateWindow(panel);
    UpdateWindow(state.docked_window);
    PumpMessages();
    POINT inside = {220 + 60, 130 + 15};
    ClientToScreen(host, &inside);
    EXPECT_EQ(ScreenPixel(inside.x, inside.y), RGB(200, 30, 170));
    POINT beside = {220 + 200, 130 + 15};
    ClientToScreen(host, &beside);
    EXPECT_EQ(ScreenPixel(beside.x, beside.y), SimPanelColour);
    // The form changed: the window's own context has the colours.
    HDC dc = GetDC(state.docked_window);
    EXPECT_EQ(GetBkColor(dc), RGB(200, 30, 170));
    EXPECT_EQ(GetTextColor(dc), RGB(255, 0, 0));
    ReleaseDC(state.docked_window, dc);
}

// ---- Attachment by subclassing (FS2002) ----

class DockingSubclass : public Docking {
protected:
    void SetUp() override
    {
        Docking::SetUp();
        UseSubclassing();
        panel = SimCreatePanel(200, 100, 300, 200, 0x20A9);
        own_proc = GetWindowLongPtrA(panel, GWLP_WNDPROC);
        state.docked_x = 220;
        state.docked_y = 130;
        state.window_width = 120;
        state.window_height = 30;
        DockAtStoredPlace();
        ASSERT_EQ(state.attached, 1);
        ASSERT_TRUE(IsWindowVisible(state.docked_window));
    }
    HWND panel = nullptr;
    LONG_PTR own_proc = 0;
};

TEST_F(DockingSubclass, PopupStaysOwnedAndThePanelIsSubclassed)
{
    EXPECT_EQ(GetWindow(state.docked_window, GW_OWNER), host);
    EXPECT_EQ(GetAncestor(state.docked_window, GA_PARENT), GetDesktopWindow());
    EXPECT_EQ(GetWindowLongPtrA(panel, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(TargetWndProc));
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(state.prev_target_wndproc), own_proc);
    POINT where = {220, 130};
    ClientToScreen(host, &where);
    const RECT r = WindowRect(state.docked_window);
    EXPECT_EQ(r.left, where.x);
    EXPECT_EQ(r.top, where.y);
}

TEST_F(DockingSubclass, HostHideAndShowPatternsFollowThePanel)
{
    state.auto_hide = 1;
    state.text_length = 0;   // the show ignores the text
    SimHostHidePanel(panel);
    EXPECT_FALSE(IsWindowVisible(state.docked_window));
    EXPECT_EQ(state.auto_hide, -1);
    SimHostShowPanel(panel);
    EXPECT_TRUE(IsWindowVisible(state.docked_window));
    EXPECT_EQ(state.auto_hide, 1);
    // The panel's own procedure saw neither pattern.
    for (UINT flags : SimPanelSeenFlags(panel)) {
        EXPECT_NE(flags, HidePattern);
        EXPECT_NE(flags, ShowPattern);
    }
    // Hide when empty off stays off.
    state.auto_hide = 0;
    SimSendPanelFlags(panel, HidePattern);
    EXPECT_EQ(state.auto_hide, 0);
    SimSendPanelFlags(panel, ShowPattern);
    EXPECT_EQ(state.auto_hide, 0);
    EXPECT_TRUE(IsWindowVisible(state.docked_window));
}

TEST_F(DockingSubclass, ShowPatternHidesWhileTheHostSaysNo)
{
    SimSetDisplayValue(0);
    SimSendPanelFlags(panel, ShowPattern);
    EXPECT_FALSE(IsWindowVisible(state.docked_window));
    SimSetDisplayValue(1);
    SimSendPanelFlags(panel, ShowPattern);
    EXPECT_TRUE(IsWindowVisible(state.docked_window));

    for (ImportEntry* entry = ImportTable; entry->id != 0; ++entry)
        if (entry->id == TableHostData)
            entry->table = nullptr;
    SimSendPanelFlags(panel, ShowPattern);
    EXPECT_FALSE(IsWindowVisible(state.docked_window));
    SimFillImportTable(ImportTable);
    SimSendPanelFlags(panel, ShowPattern);
    EXPECT_TRUE(IsWindowVisible(state.docked_window));

    ShowWindow(host, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(host));
    SimSendPanelFlags(panel, ShowPattern);
    EXPECT_FALSE(IsWindowVisible(state.docked_window));
    ShowWindow(host, SW_RESTORE);
}

TEST_F(DockingSubclass, OtherFlagsDoNothingAndAreNotPassedOn)
{
    const size_t seen = SimPanelSeenFlags(panel).size();
    for (UINT flags : {HidePattern ^ 0x1000u, HidePattern | 0x2000u, ShowPattern ^ 0x0001u, ShowPattern | 0x0020u}) {
        SimSendPanelFlags(panel, flags);
        EXPECT_TRUE(IsWindowVisible(state.docked_window)) << std::hex << flags;
    }
    EXPECT_EQ(SimPanelSeenFlags(panel).size(), seen);
    // Everything else reaches the panel: it still paints and moves.
    SimMovePanel(panel, 210, 100, 300, 200);
    RECT r = WindowRect(panel);
    POINT corner = ToHostClient(r.left, r.top);
    EXPECT_EQ(corner.x, 210);
}

TEST_F(DockingSubclass, RedockingDetachesRestoresThePanelAndTheRetryReattaches)
{
    const RECT before = WindowRect(state.docked_window);
    state.text_length = 3;
    Command(state.docked_window, CmdHideWhenEmpty);
    EXPECT_EQ(state.auto_hide, 1);
    EXPECT_EQ(state.attached, 0);
    EXPECT_EQ(GetWindowLongPtrA(panel, GWLP_WNDPROC), own_proc);
    EXPECT_EQ(state.dock_target, nullptr);
    EXPECT_EQ(state.prev_target_wndproc, nullptr);
    // Unattached, the popup stands where it stood: no jump by the client offset.
    const RECT after = WindowRect(state.docked_window);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    EXPECT_TRUE(IsWindowVisible(state.docked_window));
    // Detached, the panel's procedure sees the patterns again.
    SimSendPanelFlags(panel, HidePattern);
    EXPECT_EQ(SimPanelSeenFlags(panel).back(), HidePattern);

    state.tick_count = 0;
    RunTicks(19);
    EXPECT_EQ(state.attached, 0);
    RunTicks(1);
    EXPECT_EQ(state.attached, 1);
    EXPECT_EQ(GetWindowLongPtrA(panel, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(TargetWndProc));
    EXPECT_EQ(state.docked, 1);
    const RECT again = WindowRect(state.docked_window);
    EXPECT_EQ(again.left, before.left);
    EXPECT_EQ(again.top, before.top);
}

TEST_F(DockingSubclass, DetachForUnloadLeavesNoPathIntoTheModule)
{
    // Another module subclasses the panel after us and keeps calling us on.
    static WNDPROC next = nullptr;
    next = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(panel, GWLP_WNDPROC));
    WNDPROC other = [](HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) -> LRESULT {
        return CallWindowProcA(next, hwnd, message, wparam, lparam);
    };
    SetWindowLongPtrA(panel, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(other));

    DetachPanel();
    EXPECT_EQ(GetWindowLongPtrA(panel, GWLP_WNDPROC), own_proc);
    EXPECT_EQ(state.dock_target, nullptr);
    EXPECT_EQ(state.prev_target_wndproc, nullptr);

    // A call still routed through TargetWndProc reaches the panel's own
    // procedure, not a forgotten one.
    WINDOWPOS pos = {};
    pos.hwnd = panel;
    pos.flags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | 0x4000;
    CallWindowProcA(other, panel, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
    ASSERT_FALSE(SimPanelSeenFlags(panel).empty());
    EXPECT_EQ(SimPanelSeenFlags(panel).back(), pos.flags);
    // A second detach has nothing left to write.
    DetachPanel();
    EXPECT_EQ(GetWindowLongPtrA(panel, GWLP_WNDPROC), own_proc);
}

TEST_F(DockingSubclass, DestroyedPanelIsNotWrittenToOnDetach)
{
    SimDestroyPanel(panel);
    EXPECT_EQ(state.attached, 1);   // kept until the next placement
    PlaceDisplay(0, 1);
    EXPECT_EQ(state.dock_target, nullptr);
    EXPECT_EQ(state.prev_target_wndproc, nullptr);
    EXPECT_TRUE(IsWindowVisible(undocked));
}

// ---- The retry and the commands ----

TEST_F(Docking, RetryAttachesWithinTwentyTicksOnceAPanelLiesUnder)
{
    for (int subclass : {0, 1}) {
        SCOPED_TRACE(subclass ? "popup" : "child");
        state.attach_by_subclass = subclass;
        state.host_version = subclass ? 2 : 0;
        state.docked_x = 220;
        state.docked_y = 130;
        state.window_width = 120;
        state.window_height = 30;
        DockAtStoredPlace();
        EXPECT_EQ(state.attached, 0);
        EXPECT_TRUE(IsWindowVisible(state.docked_window));
        POINT where = {220, 130};
        ClientToScreen(host, &where);
        RECT r = WindowRect(state.docked_window);
        EXPECT_EQ(r.left, where.x);
        EXPECT_EQ(r.top, where.y);
        RunTicks(40);
        EXPECT_EQ(state.attached, 0);

        HWND panel = SimCreatePanel(200, 100, 300, 200, 0x20A9);
        if (!subclass) {
            // A later child lies below the shown docked child, which is then
            // itself what the probe meets; once the panel is above, it counts.
            RunTicks(20);
            EXPECT_EQ(state.attached, 0);
            SetWindowPos(panel, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
        RunTicks(19);
        RunTicks(1);
        EXPECT_EQ(state.attached, 1);
        EXPECT_EQ(state.dock_target, panel);
        EXPECT_TRUE(IsWindowVisible(state.docked_window));
        r = WindowRect(state.docked_window);
        EXPECT_EQ(r.left, where.x);
        EXPECT_EQ(r.top, where.y);
        DetachPanel();
        DestroyWindow(state.docked_window);
        SimDestroyPanel(panel);
        state.docked = 0;
        state.attached = 0;
    }
}

TEST_F(Docking, RetryFindsAPanelUnderAHiddenDockedChild)
{
    state.docked_x = 220;
    state.docked_y = 130;
    state.window_width = 120;
    state.window_height = 30;
    state.hide_always = 1;
    DockAtStoredPlace();
    HWND panel = SimCreatePanel(200, 100, 300, 200, 0x20A9);   // below the docked child
    RunTicks(20);
    EXPECT_EQ(state.dock_target, panel);
    EXPECT_EQ(GetAncestor(state.docked_window, GA_PARENT), panel);
    EXPECT_FALSE(IsWindowVisible(state.docked_window));
}

TEST_F(Docking, HideAlwaysRedocksHiddenAndTheRetryReattachesWithoutAJump)
{
    HWND panel = SimCreatePanel(200, 100, 300, 200, 0x20A9);
    state.docked_x = 220;
    state.docked_y = 130;
    state.window_width = 120;
    state.window_height = 30;
    DockAtStoredPlace();
    ASSERT_EQ(state.attached, 1);
    const RECT before = WindowRect(state.docked_window);

    Command(state.docked_window, CmdHideAlways);
    EXPECT_EQ(state.hide_always, 1);
    EXPECT_EQ(state.attached, 0);
    EXPECT_FALSE(IsWindowVisible(state.docked_window));
    // Re-parented into the panel, it still stands at the same place.
    EXPECT_EQ(GetAncestor(state.docked_window, GA_PARENT), panel);
    const RECT after = WindowRect(state.docked_window);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    EXPECT_EQ(after.right, before.right);

    RunTicks(20);
    EXPECT_EQ(state.attached, 1);
    EXPECT_FALSE(IsWindowVisible(state.docked_window));
    const RECT again = WindowRect(state.docked_window);
    EXPECT_EQ(again.left, before.left);
    EXPECT_EQ(again.top, before.top);
}

TEST_F(Docking, HideWhenEmptyRedockHidesAnEmptyDisplay)
{
    SimCreatePanel(200, 100, 300, 200, 0x20A9);
    state.docked_x = 220;
    state.docked_y = 130;
    state.window_width = 120;
    state.window_height = 30;
    DockAtStoredPlace();
    state.text_length = 0;
    Command(state.docked_window, CmdHideWhenEmpty);
    EXPECT_EQ(state.auto_hide, 1);
    EXPECT_FALSE(IsWindowVisible(state.docked_window));
    Command(state.docked_window, CmdHideWhenEmpty);
    EXPECT_EQ(state.auto_hide, 0);
    EXPECT_TRUE(IsWindowVisible(state.docked_window));
    RunTicks(20);
    EXPECT_EQ(state.attached, 1);
}

TEST_F(Docking, UndockClearsTheHidingRulesAndRaisesToTheUndockedMinimum)
{
    state.docked_x = 220;
    state.docked_y = 130;
    state.window_width = 120;
    state.window_height = 2;   // below both minimums
    state.line_height = 19;
    state.docked_min_height = 19;
    state.hide_always = 1;
    DockAtStoredPlace();
    EXPECT_EQ(state.window_height, 19);
    EXPECT_FALSE(IsWindowVisible(state.docked_window));
    state.auto_hide = -1;
    Command(state.docked_window, CmdUndock);
    EXPECT_EQ(state.hide_always, 0);
    EXPECT_EQ(state.auto_hide, 0);
    EXPECT_GE(state.window_height, state.undocked_min_height);
    EXPECT_TRUE(IsWindowVisible(undocked));
    EXPECT_EQ(WindowRect(undocked).bottom - WindowRect(undocked).top, state.window_height);
}

TEST_F(Docking, PlacementChecksTheHostMenuItemAndSwitchesTheDisplayOn)
{
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, OrvaleItemId, "&Orvale");
    state.host_menu = menu;
    state.display_enabled = 0;
    PlaceDisplay(0, 0);
    EXPECT_EQ(state.display_enabled, 1);
    EXPECT_EQ(GetMenuState(menu, OrvaleItemId, MF_BYCOMMAND) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
    state.host_menu = nullptr;
    DestroyMenu(menu);
}

TEST_F(Docking, AttachingNoWindowOnlyUpdatesTheState)
{
    HWND panel = SimCreatePanel(200, 100, 300, 200, 0x20A9);
    state.window_width = 120;
    state.window_height = 2;
    state.docked_min_height = 19;
    AttachDisplay(nullptr, panel, 220, 130, 1);
    EXPECT_EQ(state.docked, 1);
    EXPECT_EQ(state.attached, 0);
    EXPECT_EQ(state.dock_target, nullptr);
    EXPECT_EQ(state.window_height, 19);
    EXPECT_EQ(state.display_enabled, 1);
}

}  // namespace

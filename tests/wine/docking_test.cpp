// Docking on real windows of the simulated host: placement between the two
// forms, the panel search, both ways of attaching, the retry and the commands.
#include <gtest/gtest.h>
#include <cstdio>
#include <string>
#include <vector>
#include "support/module_fixture.h"
#include "host/sim_host.h"
#include "core/display_state.h"
#include "core/host_interface.h"
#include "docking/attachment.h"
#include "docking/placement.h"
#include "hostmenu/host_menu.h"
#include "module/host_entries.h"
#include "resources/resource.h"

namespace {

constexpr UINT HidePattern = 0x1837, ShowPattern = 0x0013;

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

POINT ToScreen(int x, int y)
{
    POINT p = {x, y};
    ClientToScreen(state.host_window, &p);
    return p;
}

void Command(HWND window, UINT id) { SendMessageA(window, WM_COMMAND, id, 0); }

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
    }
    void TearDown() override
    {
        DetachPanel();
        ResetModule();
        SimDestroyMainWindow();
        PumpMessages();
    }
    void Mode(int subclass)
    {
        state.attach_by_subclass = subclass;
        state.host_version = subclass ? 2 : 0;
    }
    // Start-up's placement makes the docked window; then the stored docked
    // geometry (host client 220, 130, 120 x 30) is placed, as a panel load does.
    void DockAtStoredPlace()
    {
        if (!state.docked_window) {
            const DisplayState kept = state;
            PlaceDisplay(FormFloating, FromStoredPlace);
            state.hide_always = kept.hide_always;
            state.auto_hide = kept.auto_hide;
        }
        state.docked_x = 220;
        state.docked_y = 130;
        state.window_width = 120;
        state.window_height = 30;
        PlaceDisplay(FormDocked, FromStoredPlace);
    }
    // The worked example: the undocked window at screen (100, 200), 400 x 100.
    void ShowExampleUndocked()
    {
        state.undocked_x = 100;
        state.undocked_y = 200;
        state.window_width = 400;
        state.window_height = 100;
        PlaceDisplay(FormFloating, FromStoredPlace);
        ExpectRect(undocked, 100, 200, 400, 100);
    }
    HWND host = nullptr, undocked = nullptr;
};

// The worked example (undocked at screen (100, 200), 400 x 100) converted
// with this system's metrics. Docking measures the undocked window's own
// non-client height; undocking adds the metrics' caption and frames back, so
// the round trip is exact when the two agree.
struct Metrics {
    int bx = GetSystemMetrics(SM_CXBORDER), by = GetSystemMetrics(SM_CYBORDER);
    int fx = GetSystemMetrics(SM_CXFRAME), fy = GetSystemMetrics(SM_CYFRAME);
    int caption = GetSystemMetrics(SM_CYCAPTION);
};

int NonClientHeight(HWND window)
{
    RECT outer = WindowRect(window), client = {};
    GetClientRect(window, &client);
    return outer.bottom - outer.top - client.bottom;
}

// The docked window's screen rectangle for an undocked one at `undocked`
// whose non-client height is `non_client`.
RECT DockedFrom(const RECT& undocked, int non_client)
{
    const Metrics m;
    const int left = undocked.left + m.fx - m.bx, top = undocked.top + non_client - m.fy + m.by;
    return {left, top, left + undocked.right - undocked.left - 2 * m.fx + 2 * m.bx,
            top + undocked.bottom - undocked.top - non_client + 2 * m.by};
}

RECT DockedExample(int non_client)
{
    return DockedFrom({100, 200, 500, 300}, non_client);
}

// The undocked window's screen rectangle for a docked one at `docked`.
RECT UndockedFrom(const RECT& docked)
{
    const Metrics m;
    const int rise = m.caption + m.fy;
    const int left = docked.left - (m.fx - m.bx), top = docked.top - (rise + m.by);
    return {left, top, left + docked.right - docked.left + 2 * m.fx - 2 * m.bx,
            top + docked.bottom - docked.top + rise + m.fy - 2 * m.by};
}

void ExpectRect(HWND window, const RECT& r)
{
    ExpectRect(window, r.left, r.top, r.right - r.left, r.bottom - r.top);
}

TEST_F(Docking, WorkedExampleRoundTripsInBothModesWithAndWithoutAPanel)
{
    for (int subclass : {0, 1})
        for (bool on_panel : {false, true}) {
            SCOPED_TRACE(std::string(subclass ? "popup" : "child") + (on_panel ? " on a panel" : " alone"));
            Mode(subclass);
            POINT corner = {53, 174};
            ScreenToClient(host, &corner);
            HWND panel = on_panel ? SimCreatePanel(corner.x, corner.y, 500, 200, 0x20A9) : nullptr;
            ShowExampleUndocked();
            const RECT docked = DockedExample(NonClientHeight(undocked));
            Command(undocked, IDM_DOCK);
            EXPECT_EQ(state.docked, 1);
            EXPECT_EQ(state.dock_target, panel);
            EXPECT_FALSE(IsWindowVisible(undocked));
            EXPECT_TRUE(IsWindowVisible(state.docked_window));
            ExpectRect(state.docked_window, docked);
            EXPECT_EQ(ToScreen(state.docked_x, state.docked_y).y, docked.top);

            Command(state.docked_window, IDM_UNDOCK);
            EXPECT_EQ(state.docked, 0);
            EXPECT_EQ(state.attached, 0);
            ExpectRect(undocked, UndockedFrom(docked));
            EXPECT_FALSE(IsWindowVisible(state.docked_window));
            if (panel && subclass)
                EXPECT_NE(GetWindowLongPtrA(panel, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(TargetWndProc));
            if (panel && !subclass)   // stays a child of its last panel
                EXPECT_EQ(GetAncestor(state.docked_window, GA_PARENT), panel);
            DestroyWindow(state.docked_window);
            if (panel)
                SimDestroyPanel(panel);
        }
}

TEST_F(Docking, MaximisedHostUndockAndDockAreInverse)
{
    ShowWindow(host, SW_MAXIMIZE);
    RECT r = WindowRect(host);
    ASSERT_TRUE(IsZoomed(host));
    // Maximised with its frame off the screen's corner, and with its frame on
    // the screen (a taskbar at the top, a second monitor): the same
    // conversions, and Undock and Dock undo each other every time.
    for (const POINT corner : {POINT{r.left, r.top}, POINT{0, 0}}) {
        SetWindowPos(host, nullptr, corner.x, corner.y, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        ASSERT_TRUE(IsZoomed(host));
        ShowExampleUndocked();
        const RECT docked = DockedExample(NonClientHeight(undocked));
        Command(undocked, IDM_DOCK);
        ExpectRect(state.docked_window, docked);
        for (int round = 0; round < 2; ++round) {
            Command(state.docked_window, IDM_UNDOCK);
            ExpectRect(undocked, UndockedFrom(docked));
            Command(undocked, IDM_DOCK);
            ExpectRect(state.docked_window, docked);
        }
    }
}

TEST_F(Docking, DockedWindowCreationAndItsMenu)
{
    for (int subclass : {0, 1}) {
        Mode(subclass);
        PlaceDisplay(FormFloating, FromStoredPlace);   // start-up's call makes it, hidden
        ASSERT_TRUE(state.docked_window);
        EXPECT_FALSE(IsWindowVisible(state.docked_window));
        EXPECT_TRUE(IsWindowVisible(undocked));
        const LONG_PTR style = GetWindowLongPtrA(state.docked_window, GWL_STYLE) & (WS_CHILD | WS_POPUP | WS_BORDER | WS_CAPTION | WS_VISIBLE);
        EXPECT_EQ(style, static_cast<LONG_PTR>(subclass ? WS_POPUP | WS_BORDER : WS_CHILD | WS_BORDER));
        EXPECT_EQ(subclass ? GetWindow(state.docked_window, GW_OWNER) : GetParent(state.docked_window), host);
        ASSERT_TRUE(state.docked_menu);
        EXPECT_EQ(GetMenuItemID(GetSubMenu(state.docked_menu, 0), 0), static_cast<UINT>(IDM_UNDOCK));
        DestroyWindow(state.docked_window);
    }
    // A failed creation neither adopts nor frees the menu a right-click on
    // the undocked window left in the hand-over.
    state.loaded_menu = state.undocked_menu;
    HWND gone = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    Mode(0);
    state.host_window = gone;
    PlaceDisplay(FormFloating, FromStoredPlace);
    state.host_window = host;
    EXPECT_EQ(state.docked_window, nullptr);
    EXPECT_EQ(state.docked_menu, nullptr);
    EXPECT_TRUE(IsMenu(state.undocked_menu));
}

TEST_F(Docking, PanelSearch)
{
    state.window_width = 100;
    state.window_height = 40;
    HWND panel = SimCreatePanel(200, 100, 300, 200, 0x20A9);
    HWND right = SimCreatePanel(500, 100, 300, 200, 0x20A9);
    EXPECT_EQ(FindPanelAt(200, 100), panel);
    EXPECT_EQ(FindPanelAt(399, 259), panel);   // far point (499, 299), the last pixel
    EXPECT_EQ(FindPanelAt(400, 259), nullptr); // far point in the neighbour
    EXPECT_EQ(FindPanelAt(399, 260), nullptr);
    EXPECT_EQ(FindPanelAt(500, 150), right);
    EXPECT_EQ(FindPanelAt(10, 10), nullptr);   // the host itself carries no record

    state.host_version = 1;
    SimSetPanelKind(panel, 0x0151);   // FS98's kind is no panel on FS2000
    EXPECT_EQ(FindPanelAt(250, 150), nullptr);
    SimSetPanelKind(panel, 0x20B8);
    EXPECT_EQ(FindPanelAt(250, 150), panel);
    SimSetPanelUserData(panel, nullptr);
    EXPECT_EQ(FindPanelAt(250, 150), nullptr);
    SimSetPanelUserData(panel, SimPanelRecordOf(panel));

    // The display's own docked child never covers the panel under it, hidden
    // or shown; any other window does.
    PlaceDisplay(FormFloating, FromStoredPlace);
    SetWindowPos(state.docked_window, HWND_TOP, 250, 150, 100, 40, SWP_NOACTIVATE);
    EXPECT_EQ(FindPanelAt(250, 150), panel);
    ShowWindow(state.docked_window, SW_SHOWNA);
    EXPECT_EQ(FindPanelAt(250, 150), panel);
    HWND cover = SimCreatePanel(240, 140, 20, 20, 0x1234);
    SetWindowPos(cover, state.docked_window, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(FindPanelAt(250, 150), nullptr) << "a window below the docked one still counts";
    SimDestroyPanel(cover);
    SimShowPanel(right, false);
    EXPECT_EQ(FindPanelAt(550, 150), nullptr);
}

TEST_F(Docking, HalfLineProbesFindAPanelJustPastTheWindowsEdge)
{
    HWND panel = SimCreatePanel(200, 100, 300, 200, 0x20A9);   // rows 100..299
    PlaceDisplay(FormFloating, FromStoredPlace);
    state.line_height = 19;   // the probes move by 9
    state.window_width = 100;
    const struct {
        int y;
        bool found;
    } cases[] = {{91, true}, {90, false}, {258, true}, {259, false}};   // 258 + 50 = 308 = 299 + 9
    for (const auto& c : cases) {
        AttachDisplay(undocked, nullptr, 100, 100, AttachFloating);
        // After the undocked form's minimum height, which grows with the metrics.
        state.window_height = 50;
        AttachDisplay(state.docked_window, nullptr, 250, c.y, AttachDocked);
        EXPECT_EQ(state.dock_target, c.found ? panel : nullptr) << c.y;
        // Only the probes move: the window keeps its own y.
        EXPECT_EQ(WindowRect(state.docked_window).top, ToScreen(250, c.y).y) << c.y;
    }
}

TEST_F(Docking, ReparentedWindowMovesHidesAndDiesWithItsPanel)
{
    state.host_version = 1;
    state.back_colour = -static_cast<int32_t>(RGB(200, 30, 170));
    HWND panel = SimCreatePanel(200, 100, 300, 200, 0x20B8);
    DockAtStoredPlace();
    HWND docked = state.docked_window;
    ASSERT_EQ(state.dock_target, panel);
    EXPECT_EQ(GetParent(docked), panel);
    const RECT before = WindowRect(docked);
    EXPECT_EQ(before.left, ToScreen(220, 130).x);
    EXPECT_EQ(before.top, ToScreen(220, 130).y);
    UpdateWindow(docked);
    EXPECT_EQ(ScreenPixel(before.left + 60, before.top + 15), RGB(200, 30, 170));
    EXPECT_EQ(ScreenPixel(before.right + 20, before.top + 15), SimPanelColour);

    SimMovePanel(panel, 260, 140, 300, 200);
    EXPECT_EQ(WindowRect(docked).left - before.left, 60);
    EXPECT_EQ(WindowRect(docked).top - before.top, 40);
    SimShowPanel(panel, false);
    EXPECT_FALSE(IsWindowVisible(docked));
    RunTicks(20);
    EXPECT_EQ(GetParent(docked), panel) << "hidden with its panel, not clipped";
    SimShowPanel(panel, true);
    EXPECT_TRUE(IsWindowVisible(docked));

    // Made smaller than where the display sits, the panel would clip it away:
    // the retry places it again where it stands, in the host's client area.
    const RECT clipped = WindowRect(docked);
    SimMovePanel(panel, 260, 140, 15, 200);
    RunTicks(20);
    EXPECT_EQ(GetParent(docked), host);
    EXPECT_EQ(state.attached, 0);
    EXPECT_EQ(WindowRect(docked).left, clipped.left);
    EXPECT_EQ(WindowRect(docked).top, clipped.top);
    UpdateWindow(docked);
    EXPECT_EQ(ScreenPixel(clipped.left + 60, clipped.top + 15), RGB(200, 30, 170)) << "seen";
    SimMovePanel(panel, 260, 140, 300, 200);
    RunTicks(20);
    ASSERT_EQ(GetParent(docked), panel) << "and back on the panel once it lies under it";

    HMENU old_menu = state.docked_menu;
    state.auto_hide = 1;
    ShowMessage("Scrolling", -1);
    TextOutputHook(" on at once", 6, 0, 1);   // appended: no start delay
    SimDestroyPanel(panel);
    EXPECT_FALSE(IsWindow(docked));
    EXPECT_EQ(state.docked_window, nullptr);
    EXPECT_FALSE(IsMenu(old_menu));
    EXPECT_EQ(state.attached, 0) << "the attachment ended with the panel";
    EXPECT_EQ(state.dock_target, nullptr);
    // Until the retry makes it again, the docked display never shows as the
    // floating window.
    RunTicks(19);
    EXPECT_FALSE(IsWindowVisible(undocked));
    RunTicks(1);
    ASSERT_TRUE(state.docked_window);
    EXPECT_TRUE(IsWindowVisible(state.docked_window));
    EXPECT_EQ(GetParent(state.docked_window), host);
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(state.docked_menu, 0)), 10) << "a fresh menu";
}

class DockingSubclass : public Docking {
protected:
    void SetUp() override
    {
        Docking::SetUp();
        Mode(1);
        panel = SimCreatePanel(200, 100, 300, 200, 0x20A9);
        own_proc = GetWindowLongPtrA(panel, GWLP_WNDPROC);
        DockAtStoredPlace();
        ASSERT_EQ(state.dock_target, panel);
        ASSERT_TRUE(IsWindowVisible(state.docked_window));
    }
    bool Shown() { return IsWindowVisible(state.docked_window) != 0; }
    HWND panel = nullptr;
    LONG_PTR own_proc = 0;
};

TEST_F(DockingSubclass, HostPatternsHideAndShowThePopupWithoutReachingThePanel)
{
    EXPECT_EQ(GetWindow(state.docked_window, GW_OWNER), host);
    EXPECT_EQ(GetWindowLongPtrA(panel, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(TargetWndProc));
    EXPECT_EQ(WindowRect(state.docked_window).top, ToScreen(220, 130).y);
    const size_t seen = SimPanelSeenFlags(panel).size();

    state.auto_hide = 1;   // text_length 0: the show ignores the text
    SimHostHidePanel(panel);
    EXPECT_FALSE(Shown());
    EXPECT_EQ(state.auto_hide, -1);
    SimHostShowPanel(panel);
    EXPECT_TRUE(Shown());
    EXPECT_EQ(state.auto_hide, 1);
    state.auto_hide = 0;   // off stays off
    SimSendPanelFlags(panel, HidePattern);
    EXPECT_EQ(state.auto_hide, 0);
    SimSendPanelFlags(panel, ShowPattern);
    EXPECT_TRUE(Shown());
    // Patterns differing in a single bit do nothing.
    for (UINT flags : {HidePattern ^ 0x1000u, HidePattern | 0x2000u, ShowPattern ^ 0x1u, ShowPattern | 0x20u})
        SimSendPanelFlags(panel, flags);
    EXPECT_TRUE(Shown());
    EXPECT_EQ(SimPanelSeenFlags(panel).size(), seen);

    // The show becomes a hide while the host says no.
    SimSetDisplayValue(0);
    SimSendPanelFlags(panel, ShowPattern);
    EXPECT_FALSE(Shown());
    SimSetDisplayValue(1);
    SimSendPanelFlags(panel, ShowPattern);
    EXPECT_TRUE(Shown());
    for (ImportEntry* entry = ImportTable; entry->id; ++entry)
        if (entry->id == TableHostData)
            entry->table = nullptr;
    SimSendPanelFlags(panel, ShowPattern);
    EXPECT_FALSE(Shown());
    SimFillImportTable(ImportTable);
    ShowWindow(host, SW_MINIMIZE);
    SimSendPanelFlags(panel, ShowPattern);
    EXPECT_FALSE(Shown());
    ShowWindow(host, SW_RESTORE);
    SimSendPanelFlags(panel, ShowPattern);
    EXPECT_TRUE(Shown());
}

TEST_F(DockingSubclass, RedockDetachesWithoutAJumpAndTheRetryReattaches)
{
    const RECT before = WindowRect(state.docked_window);
    state.text_length = 3;
    Command(state.docked_window, IDM_HIDEEMPTY);
    EXPECT_EQ(state.auto_hide, 1);
    EXPECT_EQ(state.attached, 0);
    EXPECT_EQ(state.dock_target, nullptr);
    EXPECT_EQ(GetWindowLongPtrA(panel, GWLP_WNDPROC), own_proc);
    EXPECT_TRUE(Shown());
    EXPECT_EQ(WindowRect(state.docked_window).top, before.top);
    SimSendPanelFlags(panel, HidePattern);   // the panel's own procedure sees it again
    EXPECT_EQ(SimPanelSeenFlags(panel).back(), HidePattern);

    state.tick_count = 0;
    RunTicks(19);
    EXPECT_EQ(state.attached, 0);
    RunTicks(1);
    EXPECT_EQ(state.dock_target, panel);
    EXPECT_EQ(WindowRect(state.docked_window).top, before.top);
}

TEST_F(DockingSubclass, DetachLeavesNoPathIntoTheModule)
{
    // Another module subclasses the panel after us and calls us on.
    static WNDPROC next;
    next = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(panel, GWLP_WNDPROC));
    WNDPROC other = [](HWND w, UINT m, WPARAM wp, LPARAM lp) CALLBACK -> LRESULT { return CallWindowProcA(next, w, m, wp, lp); };
    SetWindowLongPtrA(panel, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(other));

    // Detached under it, the module stays in the chain: the other module's
    // subclass keeps its place, and what comes through TargetWndProc reaches
    // the panel's own procedure once. The stop finds it there and keeps the
    // library loaded; the other module gone, the next stop takes it out.
    DetachPanel();
    EXPECT_EQ(GetWindowLongPtrA(panel, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(other));
    EXPECT_EQ(state.prev_target_wndproc, nullptr);
    WINDOWPOS pos = {};
    pos.flags = SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE;
    const size_t seen = SimPanelSeenFlags(panel).size();
    SendMessageA(panel, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
    ASSERT_EQ(SimPanelSeenFlags(panel).size(), seen + 1);
    EXPECT_EQ(SimPanelSeenFlags(panel).back(), pos.flags);
    EXPECT_TRUE(PanelChainsLeft());
    SetWindowLongPtrA(panel, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(next));
    LeavePanelChains();
    EXPECT_EQ(GetWindowLongPtrA(panel, GWLP_WNDPROC), own_proc);
    EXPECT_FALSE(PanelChainsLeft());

    // A panel destroyed while attached is not written to on the next detach.
    DockAtStoredPlace();
    SimDestroyPanel(panel);
    PlaceDisplay(FormFloating, FromWhereItStands);
    EXPECT_EQ(state.dock_target, nullptr);
    EXPECT_TRUE(IsWindowVisible(undocked));
}

TEST_F(Docking, RetryAttachesOnceAPanelLiesUnderTheDockedPlace)
{
    for (int subclass : {0, 1}) {
        SCOPED_TRACE(subclass ? "popup" : "child");
        Mode(subclass);
        DockAtStoredPlace();
        EXPECT_EQ(state.attached, 0);
        EXPECT_TRUE(IsWindowVisible(state.docked_window));
        const POINT place = ToScreen(220, 130);
        EXPECT_EQ(WindowRect(state.docked_window).top, place.y);
        RunTicks(40);
        EXPECT_EQ(state.attached, 0);
        // A later child lies below the shown docked child: the search looks
        // past the display's own window to it.
        HWND panel = SimCreatePanel(200, 100, 300, 200, 0x20A9);
        RunTicks(20);
        EXPECT_EQ(state.dock_target, panel);
        EXPECT_TRUE(IsWindowVisible(state.docked_window));
        EXPECT_EQ(WindowRect(state.docked_window).left, place.x);
        EXPECT_EQ(WindowRect(state.docked_window).top, place.y);
        DetachPanel();
        DestroyWindow(state.docked_window);
        SimDestroyPanel(panel);
        state.docked = state.attached = 0;
    }
}

TEST_F(Docking, HidingCommandsRedockInPlaceAndTheRetryReattaches)
{
    HWND panel = SimCreatePanel(200, 100, 300, 200, 0x20A9);
    DockAtStoredPlace();
    const RECT before = WindowRect(state.docked_window);
    Command(state.docked_window, IDM_HIDEALWAYS);
    EXPECT_EQ(state.hide_always, 1);
    EXPECT_EQ(state.attached, 0);
    EXPECT_FALSE(IsWindowVisible(state.docked_window));
    // Given back to the host window while unattached, never clipped by the
    // panel, and still where it was.
    EXPECT_EQ(GetParent(state.docked_window), host);
    EXPECT_EQ(WindowRect(state.docked_window).left, before.left);
    EXPECT_EQ(WindowRect(state.docked_window).top, before.top);
    RunTicks(20);
    EXPECT_EQ(state.attached, 1);
    EXPECT_EQ(GetParent(state.docked_window), panel);
    EXPECT_FALSE(IsWindowVisible(state.docked_window));

    state.hide_always = 0;
    Command(state.docked_window, IDM_HIDEEMPTY);   // empty text: hidden
    EXPECT_EQ(state.auto_hide, 1);
    EXPECT_FALSE(IsWindowVisible(state.docked_window));
    Command(state.docked_window, IDM_HIDEEMPTY);
    EXPECT_EQ(state.auto_hide, 0);
    EXPECT_TRUE(IsWindowVisible(state.docked_window));
    EXPECT_EQ(WindowRect(state.docked_window).top, before.top);
}

TEST_F(Docking, UndockingAndShowingUndockedClearTheRulesAndKeepTheMinimum)
{
    state.hide_always = 1;
    DockAtStoredPlace();
    state.window_height = 2;
    PlaceDisplay(FormDocked, FromStoredPlace);
    EXPECT_EQ(state.window_height, state.docked_min_height);
    state.auto_hide = -1;
    Command(state.docked_window, IDM_UNDOCK);
    EXPECT_EQ(state.hide_always, 0);
    EXPECT_EQ(state.auto_hide, 0);
    EXPECT_GE(state.window_height, state.undocked_min_height);
    EXPECT_TRUE(IsWindowVisible(undocked));

    state.undocked_x = 150;
    state.undocked_y = 160;
    state.window_width = 300;
    state.window_height = 5;
    state.auto_hide = 1;
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, OrvaleItemId, "&Orvale");
    state.host_menu = menu;
    state.display_enabled = 0;
    Command(undocked, IDM_SHOWUNDOCKED);
    EXPECT_EQ(state.auto_hide, 0);
    ExpectRect(undocked, 150, 160, 300, state.undocked_min_height);
    EXPECT_EQ(state.display_enabled, 1);
    EXPECT_EQ(GetMenuState(menu, OrvaleItemId, MF_BYCOMMAND) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
    state.host_menu = nullptr;
    DestroyMenu(menu);
}

// Every file under `folder`, with its size and last write.
std::vector<std::string> FilesUnder(const std::string& folder)
{
    std::vector<std::string> files;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return files;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            for (const std::string& inner : FilesUnder(folder + "\\" + name))
                files.push_back(name + "\\" + inner);
        } else {
            files.push_back(name + " " + std::to_string(found.nFileSizeLow) + " " +
                            std::to_string(found.ftLastWriteTime.dwLowDateTime));
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return files;
}

TEST_F(Docking, DockingAMeasuredDisplaySavesItsPlaceForTheAircraft)
{
    // The test's own folder, holding an aircraft's panel.cfg the module was
    // never told about, and the working directory meanwhile.
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string folder = std::string(temp) + "orvale_docking_" + std::to_string(GetCurrentProcessId());
    const std::string path = folder + "\\panel.cfg";
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(WritePrivateProfileStringA("Orvale", "AutoHide", "No", path.c_str()));
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());  // written through now
    const std::vector<std::string> files = FilesUnder(folder);
    char kept[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, kept);
    ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
    ShowExampleUndocked();
    Command(undocked, IDM_DOCK);   // no settings file known: nothing written
    SetCurrentDirectoryA(kept);
    EXPECT_EQ(FilesUnder(folder), files);
    EXPECT_EQ(SimReadFile(path), "[Orvale]\r\nAutoHide=No\r\n");

    // Known, it gets the docked window's place in the host's client area.
    Command(state.docked_window, IDM_UNDOCK);
    strcpy(state.config_path, path.c_str());
    Command(undocked, IDM_DOCK);
    const RECT outer = WindowRect(state.docked_window);
    POINT corner = {outer.left, outer.top};
    ScreenToClient(host, &corner);
    char value[64] = {};
    GetPrivateProfileStringA("Orvale", "Window", "", value, sizeof value, path.c_str());
    char expected[64];
    snprintf(expected, sizeof expected, "%ld,%ld,%ld,%ld,", static_cast<long>(corner.x), static_cast<long>(corner.y),
             static_cast<long>(outer.right - outer.left), static_cast<long>(outer.bottom - outer.top));
    EXPECT_EQ(std::string(value).rfind(expected, 0), 0u) << value;
    DeleteFileA(path.c_str());
    RemoveDirectoryA(folder.c_str());
}

}  // namespace

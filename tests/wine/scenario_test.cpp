// One flight per edition, as a pilot flies it, on the real orvale.dll in the
// simulated host: the simulator starts and the module comes up on its own; an
// aircraft with saved settings docks the display on its panel; ATIS arrives
// while tuning, scrolls and runs out; other messages replace and append; the
// pilot undocks, moves, re-docks and saves; the panel is hidden and shown; an
// aircraft without settings switches the display off and the pilot switches
// it on again from "&Modules"; the pilot docks it once more; the simulator
// stops the module and unloads it while it runs on. Every step checks what
// the pilot sees (visible or not, where, which text, which colours, read from
// the windows' own surfaces) and what the host received.
#include <gtest/gtest.h>
#include <windows.h>
#include <cstring>
#include <string>
#include <vector>
#include "host/sim_host.h"
#include "support/client_pixels.h"
#include "support/dialog_driver.h"
#include "support/display_lookup.h"
#include "support/drawn_text.h"
#include "support/pilot_input.h"

namespace {

enum Edition { FS98, FS2000, FS2002 };

// The saved aircraft's colours: text 2 (green), background 3 (15, 15, 88).
constexpr COLORREF SavedText = RGB(0, 255, 0);
constexpr COLORREF SavedBack = RGB(15, 15, 88);
constexpr UINT HidePattern = 0x1837, ShowPattern = 0x0013;

std::string Lead(const std::string& text) { return std::string(16, ' ') + text; }

RECT Outer(HWND window)
{
    RECT r = {};
    GetWindowRect(window, &r);
    return r;
}

// The screen rectangle of a window's client area.
RECT ClientOnScreen(HWND window)
{
    RECT r = {};
    GetClientRect(window, &r);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::string ReadSetting(const std::string& file, const char* key)
{
    char value[256] = {};
    GetPrivateProfileStringA("Orvale", key, "<none>", value, sizeof value, file.c_str());
    return value;
}

bool MenuItemChecked(HMENU bar)
{
    return (GetMenuState(bar, 35224, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

class Flight : public ::testing::TestWithParam<Edition> {
protected:
    void SetUp() override
    {
        SimCreateTables();
        // Ticks are given by hand, counted: the scroll and expiry steps can
        // then be checked to the tick.
        SimSetTickInterval(0);
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        root_ = std::string(temp) + "orvale_scenario_" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(root_.c_str(), nullptr);
    }
    void TearDown() override
    {
        if (SimLinkage())
            SimUnloadModule();
        SimDestroyMainWindow();
        for (const std::string& folder : folders_) {
            DeleteFileA((folder + "\\panel.cfg").c_str());
            DeleteFileA((folder + "\\panel").c_str());
            DeleteFileA((folder + ".cfg").c_str());
            RemoveDirectoryA(folder.c_str());
        }
        RemoveDirectoryA(root_.c_str());
        SimPump(20);
    }

    // An aircraft folder; its panel.cfg holds `section` (nothing when empty).
    std::string Aircraft(const char* name, const char* section)
    {
        std::string folder = root_ + "\\" + name;
        CreateDirectoryA(folder.c_str(), nullptr);
        folders_.push_back(folder);
        std::string panel = folder + "\\panel";
        if (*section) {
            HANDLE file = CreateFileA((panel + ".cfg").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            DWORD written = 0;
            WriteFile(file, section, static_cast<DWORD>(strlen(section)), &written, nullptr);
            CloseHandle(file);
        }
        return panel;
    }

    HWND Docked() const
    {
        // FS98 and FS2000: a child re-parented into the panel; FS2002: a
        // caption-less popup owned by the main window.
        struct Search {
            HWND host, found;
        } search = {host_, nullptr};
        auto visit = [](HWND w, LPARAM data) CALLBACK -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            char name[32] = {};
            GetClassNameA(w, name, sizeof name);
            if (strcmp(name, "OrvaleWindow") == 0 && (GetWindowLongPtrA(w, GWL_STYLE) & WS_CAPTION) != WS_CAPTION &&
                (GetWindow(w, GW_OWNER) == s->host || GetAncestor(w, GA_ROOT) == s->host))
                s->found = w;
            return TRUE;
        };
        EnumChildWindows(host_, visit, reinterpret_cast<LPARAM>(&search));
        if (!search.found)
            EnumWindows(visit, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    // What the pilot sees settle: the module's repaints are done.
    static void Settle() { SimPump(30); }

    void ExpectAttachedTo(HWND panel, HWND docked)
    {
        if (GetParam() == FS2002) {
            EXPECT_NE(GetWindowLongPtrA(panel, GWLP_WNDPROC), GetClassLongPtrA(panel, GCLP_WNDPROC))
                << "the panel is followed through its window procedure";
            EXPECT_EQ(GetAncestor(docked, GA_PARENT), GetDesktopWindow());
        } else {
            EXPECT_EQ(GetAncestor(docked, GA_PARENT), panel) << "re-parented into the panel";
        }
    }
    void ExpectAt(HWND window, int client_x, int client_y, int width, int height)
    {
        POINT corner = {client_x, client_y};
        ClientToScreen(host_, &corner);
        RECT r = Outer(window);
        EXPECT_EQ(r.left, corner.x);
        EXPECT_EQ(r.top, corner.y);
        EXPECT_EQ(r.right - r.left, width);
        EXPECT_EQ(r.bottom - r.top, height);
    }
    // A captured message reaches the host as an empty text, on FS98 not at all.
    void ExpectHostGotCaptured(size_t from, int32_t type, int32_t time, int32_t append)
    {
        const std::vector<SimTextCall>& calls = SimTextCalls();
        if (GetParam() == FS98) {
            EXPECT_EQ(calls.size(), from);
            return;
        }
        ASSERT_EQ(calls.size(), from + 1);
        EXPECT_EQ(calls[from].text, "");
        EXPECT_EQ(calls[from].type, type);
        EXPECT_EQ(calls[from].time, time);
        EXPECT_EQ(calls[from].append, append);
    }

    HWND host_ = nullptr;
    std::string root_;
    std::vector<std::string> folders_;
};

TEST_P(Flight, AsThePilotFliesIt)
{
    const Edition edition = GetParam();
    static const char* classes[] = {"FS98MAIN", "FS2000MAIN", "FS2002MAIN"};
    static const char* titles[] = {"Flight Simulator 98", "Flight Simulator 2000", "Microsoft Flight Simulator 2002"};
    static const uint16_t panel_kinds[] = {0x0151, 0x20B8, 0x20A9};
    const int scroll_period = edition == FS2002 ? 2 : 4;
    const int cx_frame = GetSystemMetrics(SM_CXFRAME), cy_frame = GetSystemMetrics(SM_CYFRAME);
    const int cy_caption = GetSystemMetrics(SM_CYCAPTION), cy_menu = GetSystemMetrics(SM_CYMENU);

    // ---- The simulator starts; the module comes up on its own ----
    host_ = SimCreateMainWindow(classes[edition], titles[edition], 0, 0, 900, 650);
    ASSERT_TRUE(host_);
    const LONG_PTR host_proc = GetWindowLongPtrA(host_, GWLP_WNDPROC);
    HMODULE module = SimLoadModule(SimFreshCopy("orvale.dll").c_str());
    ASSERT_TRUE(module);
    EXPECT_EQ(SimLinkageWord(0), 0x507Fu);
    EXPECT_EQ(SimLinkageWord(5), edition == FS2002 ? 0x800u : 0u);
    ASSERT_TRUE(SimStartModule());
    HWND undocked = nullptr;
    ASSERT_TRUE(SimPumpUntil([&] { return (undocked = FindUndockedDisplay(host_)) && IsWindowVisible(undocked); },
                             20000));
    RECT host_rect = Outer(host_);
    EXPECT_EQ(Outer(undocked).left, host_rect.left + cx_frame) << "under the host's caption and menu bar";
    EXPECT_EQ(Outer(undocked).top, host_rect.top + cy_caption + cy_frame + cy_menu);
    EXPECT_EQ(Outer(undocked).right - Outer(undocked).left, 450);
    ASSERT_EQ(SimTickCalls().size(), 1u);
    EXPECT_TRUE(SimTickCalls()[0].registering);
    // Three seconds on, "&Orvale" sits in a "&Modules" menu of its own, checked.
    ASSERT_TRUE(SimPumpUntil([&] { return GetMenuItemCount(SimMenuBar()) == 4; }, 20000));
    EXPECT_TRUE(MenuItemChecked(SimMenuBar()));

    // ---- An aircraft with saved settings: the display docks on its panel ----
    HWND panel = SimCreatePanel(0, 40, 900, 300, panel_kinds[edition]);
    ASSERT_TRUE(panel);
    const std::string c172 = Aircraft("c172", "[Orvale]\r\nWindow=40,60,360,40,2,3\r\nAutoHide=No\r\n");
    SimClearCalls();
    SimCallPanelLoad(c172.c_str());
    ASSERT_EQ(SimPanelLoadCalls().size(), 1u) << "the host loads its panel as ever";
    EXPECT_EQ(SimPanelLoadCalls()[0].path, c172);
    HWND docked = Docked();
    ASSERT_TRUE(docked);
    Settle();
    EXPECT_TRUE(IsWindowVisible(docked));
    EXPECT_FALSE(IsWindowVisible(undocked));
    ExpectAt(docked, 40, 60, 360, 40);
    ExpectAttachedTo(panel, docked);
    EXPECT_GT(CountClientColour(docked, SavedBack), 1000) << "the saved background";

    // ---- ATIS while tuning: it scrolls and runs out ----
    const std::string atis = "Information Alpha, wind 270 at 8";
    SimClearCalls();
    SimCallTextOutput(atis.c_str(), 3, 500, 0);
    ExpectHostGotCaptured(0, 3, 500, 0);
    EXPECT_EQ(SimMirroredText(), Lead(atis));
    // Tuned again: FS2002 repeats its broadcast with the append flag set and
    // it starts afresh; the older editions append.
    SimCallTextOutput(" ...", 3, 500, 1);
    ExpectHostGotCaptured(edition == FS98 ? 0 : 1, 3, 500, edition == FS2002 ? 0 : 1);
    const std::string broadcast = edition == FS2002 ? Lead(" ...") : Lead(atis) + " ...";
    EXPECT_EQ(SimMirroredText(), broadcast);
    if (edition == FS2002) {
        SimCallTextOutput(atis.c_str(), 3, 500, 1);  // the whole broadcast again
        EXPECT_EQ(SimMirroredText(), Lead(atis));
    }
    const std::string shown = edition == FS2002 ? Lead(atis) : broadcast;
    // A new broadcast waits five scroll steps; text appended to one scrolls on
    // at once.
    const int delay = edition == FS2002 ? 5 : 0;
    const int length = static_cast<int>(shown.size());
    Settle();
    EXPECT_GT(CountClientColour(docked, SavedText), 10) << "green text";
    SimRunTicks(delay * scroll_period);
    EXPECT_EQ(SimMirroredText(), shown) << "the delay";
    SimRunTicks(scroll_period);
    EXPECT_EQ(SimMirroredText(), shown.substr(1)) << "then one character a step";
    SimRunTicks(scroll_period * 10);
    EXPECT_EQ(SimMirroredText(), shown.substr(11));
    SimRunTicks(scroll_period * (length - 12));
    EXPECT_EQ(SimMirroredText(), shown.substr(static_cast<size_t>(length - 1)));
    SimRunTicks(scroll_period);
    EXPECT_EQ(SimMirroredText(), "") << "scrolled away";
    Settle();
    EXPECT_EQ(CountClientColour(docked, SavedText), 0);
    EXPECT_TRUE(IsWindowVisible(docked)) << "hide when empty is off for this aircraft";

    // ---- Other messages replace and append ----
    SimClearCalls();
    SimCallTextOutput("Cleared to land runway 27", 4, 100, 0);
    ExpectHostGotCaptured(0, 4, 100, 0);
    SimCallTextOutput(", wind calm", 5, 50, 1);
    ExpectHostGotCaptured(edition == FS98 ? 0 : 1, 5, 50, 1);
    EXPECT_EQ(SimMirroredText(), "Cleared to land runway 27, wind calm");
    SimCallTextOutput("Traffic two o'clock", 4, 30, 0);
    EXPECT_EQ(SimMirroredText(), "Traffic two o'clock") << "replaced";
    SimCallTextOutput(", five miles", 5, 40, 1);
    SimRunTicks(69);
    EXPECT_EQ(SimMirroredText(), "Traffic two o'clock, five miles") << "30 + 40 ticks";
    Settle();
    EXPECT_GT(CountClientColour(docked, SavedText), 10);
    SimRunTicks(1);
    EXPECT_EQ(SimMirroredText(), "");

    // ---- The pilot recalls the last messages with a click: nine of mixed
    // types, of which the eight last are kept, each as first shown ----
    WatchDrawnText(module);
    auto shows = [](HWND window) {
        std::string text = "<nothing drawn>";
        DrawnText(window, &text);
        return text;
    };
    struct Sent {
        const char* text;
        int32_t type;   // 3 to 5 from the simulator; 5 and 6 by ShowMessage
        bool by_module;
        int32_t time;
    };
    const Sent nine[] = {
        {"One: gear down", 4, false, 300},        {"Two: ATIS Bravo", 3, false, 0},
        {"Three: flaps 20", 5, false, 300},       {"Four: a module's line", 5, true, 300},
        {"Five: a module's ticker", 6, true, 0},  {"Six: contact tower", 4, false, 300},
        {"Seven: ATIS Charlie", 3, false, 0},     {"Eight: cleared to land", 5, false, 300},
        {"Nine: wind calm", 4, false, 40},
    };
    // The eighth is appended to, and kept as the one message it became.
    const char* const appended = ", runway 27";
    auto kept = [&](int i) {
        const std::string text = nine[i].type == 3 || nine[i].type == 6 ? Lead(nine[i].text) : nine[i].text;
        return i == 7 ? text + appended : text;
    };
    for (const Sent& sent : nine) {
        if (sent.by_module)
            SimCallShowMessage(sent.text, sent.type == 5 ? sent.time : ~sent.time);
        else
            SimCallTextOutput(sent.text, sent.type, sent.time, 0);
        if (&sent == &nine[7])
            SimCallTextOutput(appended, 5, 10, 1);
    }
    Settle();
    ASSERT_EQ(shows(docked), "Nine: wind calm");
    SetForegroundWindow(host_);
    SimPump(50);
    SimClearCalls();
    const POINT on_display = ClientCentre(docked);
    auto click = [&] {
        LeftClickAt(on_display);
        Settle();
    };
    std::string who;
    for (int back = 2; back <= 8; ++back) {
        click();
        EXPECT_EQ(shows(docked), "-" + std::to_string(back) + " " + kept(9 - back)) << back << " back";
        EXPECT_EQ(SimMirroredText(), "Nine: wind calm") << "the copy carries only new messages";
        EXPECT_TRUE(SimulatorHasKeyboard(host_, &who)) << who;
    }
    click();
    EXPECT_EQ(shows(docked), "Nine: wind calm") << "past the oldest kept: the message of now; the first of nine is gone";
    EXPECT_TRUE(SimTextCalls().empty()) << "the simulator sees no recall";
    // A new message in the middle of the clicks replaces the recalled one.
    click();
    click();
    EXPECT_EQ(shows(docked), "-3 " + kept(6));
    SimCallTextOutput("Ten: go around", 4, 300, 0);
    SimClearCalls();
    Settle();
    EXPECT_EQ(shows(docked), "Ten: go around");
    click();
    EXPECT_EQ(shows(docked), "-2 Nine: wind calm") << "counted from the new message";
    // Recalled, a message has its own time again, and a scrolling one
    // scrolls as it did; the message of now is back at their end.
    SimRunTicks(39);
    EXPECT_EQ(shows(docked), "-2 Nine: wind calm");
    SimRunTicks(1);
    EXPECT_EQ(shows(docked), "Ten: go around") << "its 40 ticks are over";
    click();
    click();
    click();
    const std::string charlie = kept(6);
    ASSERT_EQ(shows(docked), "-4 " + charlie);
    SimRunTicks(5 * scroll_period);
    EXPECT_EQ(shows(docked), "-4 " + charlie) << "five steps' wait";
    SimRunTicks(scroll_period);
    EXPECT_EQ(shows(docked), "-4 " + charlie.substr(1));
    SimRunTicks(scroll_period * static_cast<int>(charlie.size() - 1));
    EXPECT_EQ(shows(docked), "Ten: go around") << "scrolled away";
    EXPECT_TRUE(SimTextCalls().empty());
    // Hidden when empty, the display stays while a recalled message shows
    // on it, and goes at that message's end.
    SendMessageA(docked, WM_COMMAND, 40013, 0);  // Hide when empty
    SimCallTextOutput("Eleven: short", 5, 5, 0);
    click();
    EXPECT_EQ(shows(docked), "-2 Ten: go around");
    SimRunTicks(5);
    EXPECT_EQ(SimMirroredText(), "");
    EXPECT_TRUE(IsWindowVisible(docked)) << "the recalled message shows";
    SimRunTicks(295);
    EXPECT_FALSE(IsWindowVisible(docked)) << "its 300 ticks are over, and the display is empty";
    SendMessageA(docked, WM_COMMAND, 40013, 0);
    EXPECT_TRUE(IsWindowVisible(docked));
    SimClearCalls();
    SimCallTextOutput("", 4, 0, 0);  // the display empty for what follows
    EXPECT_EQ(SimMirroredText(), "");

    // Messages the module does not take reach the host untouched.
    SimClearCalls();
    SimCallTextOutput("Paused", 1, 10, 0);
    ASSERT_EQ(SimTextCalls().size(), 1u);
    EXPECT_EQ(SimTextCalls()[0].text, "Paused");
    EXPECT_EQ(SimMirroredText(), "");
    SimCallTextOutput("Check your altitude", 5, 1000, 0);  // stays for what follows

    // ---- The pilot undocks, moves, re-docks and saves ----
    const RECT text_area = ClientOnScreen(docked);
    SendMessageA(docked, WM_COMMAND, 40002, 0);  // Undock
    Settle();
    EXPECT_FALSE(IsWindowVisible(docked));
    ASSERT_TRUE(IsWindowVisible(undocked));
    const RECT floating = ClientOnScreen(undocked);
    EXPECT_EQ(floating.left, text_area.left) << "the text keeps its column";
    EXPECT_EQ(floating.right - floating.left, text_area.right - text_area.left);
    EXPECT_EQ(floating.bottom - floating.top, text_area.bottom - text_area.top);
    EXPECT_GT(CountClientColour(undocked, SavedText), 10) << "the same colours floating";
    EXPECT_GT(CountClientColour(undocked, SavedBack), 500);

    // Beside the simulator's window, the floating display takes messages.
    RECT before_move = Outer(undocked);
    SetWindowPos(undocked, nullptr, Outer(host_).right + 10, before_move.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SimClearCalls();
    SimCallTextOutput("Check your altitude", 5, 1000, 0);
    ExpectHostGotCaptured(0, 5, 1000, 0);
    SetWindowPos(undocked, nullptr, before_move.left + 30, before_move.top + 50, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(undocked, WM_COMMAND, 40001, 0);  // Dock
    Settle();
    EXPECT_FALSE(IsWindowVisible(undocked));
    ASSERT_EQ(Docked(), docked);
    EXPECT_TRUE(IsWindowVisible(docked));
    ExpectAt(docked, 70, 110, 360, 40);
    ExpectAttachedTo(panel, docked);
    EXPECT_EQ(ReadSetting(c172 + ".cfg", "Window"), "70,110,360,40,2,3") << "a measured dock saves";
    SendMessageA(docked, WM_COMMAND, 40012, 0);  // ATIS messages off, saved
    EXPECT_EQ(ReadSetting(c172 + ".cfg", "AlsoATIS"), "No");
    SendMessageA(docked, WM_COMMAND, 40012, 0);
    SendMessageA(docked, WM_COMMAND, 40008, 0);  // Save
    EXPECT_EQ(ReadSetting(c172 + ".cfg", "Window"), "70,110,360,40,2,3");
    EXPECT_EQ(ReadSetting(c172 + ".cfg", "HideWindow"), "No");
    EXPECT_EQ(ReadSetting(c172 + ".cfg", "AutoHide"), "No");
    EXPECT_EQ(ReadSetting(c172 + ".cfg", "AlsoATIS"), "Yes");
    EXPECT_EQ(ReadSetting(c172 + ".cfg", "Font"), "<none>");
    Settle();
    EXPECT_GT(CountClientColour(docked, SavedText), 10) << "the message still there";

    // ---- The panel is hidden and shown ----
    if (edition == FS2002) {
        SimHostHidePanel(panel);
        EXPECT_FALSE(IsWindowVisible(docked));
        SimHostShowPanel(panel);
        EXPECT_TRUE(IsWindowVisible(docked));
        for (UINT flags : SimPanelSeenFlags(panel))
            EXPECT_TRUE(flags != HidePattern && flags != ShowPattern) << "the panel's own procedure sees neither";
        // Shown while the host's display value is off: the display stays away.
        SimHostHidePanel(panel);
        SimSetDisplayValue(0);
        SimHostShowPanel(panel);
        EXPECT_FALSE(IsWindowVisible(docked));
        SimSetDisplayValue(1);
        SimSendPanelFlags(panel, ShowPattern);
        EXPECT_TRUE(IsWindowVisible(docked));
        // Moving the panel in other ways leaves the display alone.
        SimSendPanelFlags(panel, ShowPattern | SWP_NOREDRAW);
        EXPECT_TRUE(IsWindowVisible(docked));
    } else {
        SimShowPanel(panel, false);
        EXPECT_FALSE(IsWindowVisible(docked)) << "hidden with its panel";
        SimShowPanel(panel, true);
        EXPECT_TRUE(IsWindowVisible(docked));
        SimMovePanel(panel, 0, 60, 900, 300);
        ExpectAt(docked, 70, 130, 360, 40);
        SimMovePanel(panel, 0, 40, 900, 300);
    }
    Settle();
    EXPECT_GT(CountClientColour(docked, SavedText), 10);

    // ---- The radio stack opened over it, to tune the ATIS: inside the main
    // panel a message is then the simulator's own to show (FS2002's popup
    // stands over the panels) ----
    if (edition != FS2002) {
        HWND stack = SimCreatePanel(0, 0, 900, 400, panel_kinds[edition]);
        SetWindowPos(stack, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        SimClearCalls();
        SimCallTextOutput("ATIS information Kilo", 4, 100, 0);
        ASSERT_EQ(SimTextCalls().size(), 1u);
        EXPECT_EQ(SimTextCalls()[0].text, "ATIS information Kilo") << "not taken under the radio stack";
        SimDestroyPanel(stack);
    }

    // ---- A second aircraft without settings: the display goes off ----
    HWND panel2 = SimCreatePanel(0, 0, 900, 400, panel_kinds[edition]);
    ASSERT_TRUE(panel2);
    const std::string b737 = Aircraft("b737", "");
    SimClearCalls();
    SimCallPanelLoad(b737.c_str());
    Settle();
    EXPECT_EQ(SimPanelLoadCalls().size(), 1u);
    EXPECT_FALSE(IsWindow(docked)) << "closed";
    EXPECT_FALSE(IsWindowVisible(undocked));
    EXPECT_FALSE(MenuItemChecked(SimMenuBar()));
    SimCallTextOutput("To the simulator", 4, 50, 0);
    ASSERT_EQ(SimTextCalls().size(), 1u);
    EXPECT_EQ(SimTextCalls()[0].text, "To the simulator");
    EXPECT_FALSE(IsWindowVisible(undocked));

    // ---- The pilot switches it on from "&Modules" ----
    SendMessageA(host_, WM_COMMAND, 35224, 0);
    Settle();
    ASSERT_TRUE(IsWindowVisible(undocked));
    host_rect = Outer(host_);
    EXPECT_EQ(Outer(undocked).left, host_rect.left + cx_frame) << "at the default place";
    EXPECT_EQ(Outer(undocked).top, host_rect.top + cy_caption + cy_frame + cy_menu);
    EXPECT_EQ(Outer(undocked).right - Outer(undocked).left, 450);
    EXPECT_TRUE(MenuItemChecked(SimMenuBar()));
    EXPECT_EQ(GetWindowLongPtrA(panel, GWLP_WNDPROC), GetClassLongPtrA(panel, GCLP_WNDPROC))
        << "the first panel is its own again";
    ASSERT_FALSE(SimMainCommands().empty());
    EXPECT_EQ(SimMainCommands().back(), 35224u) << "the host still gets its command";
    SimClearCalls();
    SimCallTextOutput("Welcome aboard", 5, 100, 0);
    ExpectHostGotCaptured(0, 5, 100, 0);
    Settle();
    EXPECT_GT(CountClientColour(undocked, SavedText), 10) << "the colours of the last aircraft stay";
    // Floating, a click recalls as docked: the repeated message was kept once.
    LeftClickAt(ClientCentre(undocked));
    Settle();
    EXPECT_EQ(shows(undocked), "-2 Check your altitude");
    LeftClickAt(ClientCentre(undocked));
    Settle();
    EXPECT_EQ(shows(undocked), "-3 Eleven: short");
    EXPECT_EQ(SimMirroredText(), "Welcome aboard");

    // ---- Docked on the new panel ----
    SendMessageA(undocked, WM_COMMAND, 40001, 0);
    docked = Docked();
    ASSERT_TRUE(docked);
    SimRunTicks(20);  // a fresh docked window is attached by the retry
    Settle();
    EXPECT_TRUE(IsWindowVisible(docked));
    ExpectAttachedTo(panel2, docked);
    RECT place = Outer(docked);
    POINT corner = {place.left, place.top};
    ScreenToClient(host_, &corner);
    EXPECT_EQ(ReadSetting(b737 + ".cfg", "Window"),
              std::to_string(corner.x) + "," + std::to_string(corner.y) + "," +
                  std::to_string(place.right - place.left) + "," + std::to_string(place.bottom - place.top) + ",2,3")
        << "saved for the new aircraft";

    // ---- Going full screen stops and starts the modules: the display comes
    // back as the pilot left it, docked where it was, in its colours ----
    const RECT docked_at = Outer(docked);
    const std::string b737_saved = ReadSetting(b737 + ".cfg", "Window");
    ASSERT_TRUE(SimStopModule());
    EXPECT_EQ(CountDisplayWindows(), 0);
    ASSERT_TRUE(SimStartModule());
    ASSERT_TRUE(SimPumpUntil([&] { return (docked = Docked()) && IsWindowVisible(docked); }, 20000)) << "docked";
    Settle();
    const RECT back_at = Outer(docked);
    EXPECT_TRUE(EqualRect(&docked_at, &back_at));
    ExpectAttachedTo(panel2, docked);
    EXPECT_FALSE(IsWindowVisible(FindDisplayWindows().floating));
    EXPECT_GT(CountClientColour(docked, SavedBack), 500) << "in its colours";
    LeftClickAt(ClientCentre(docked));
    Settle();
    EXPECT_EQ(shows(docked), "-2 Check your altitude") << "a stop keeps the history";
    // An aircraft loaded while the module is stopped is the one it starts with.
    ASSERT_TRUE(SimStopModule());
    SimCallPanelLoad(c172.c_str());
    ASSERT_TRUE(SimStartModule());
    ASSERT_TRUE(SimPumpUntil([&] { return (docked = Docked()) && IsWindowVisible(docked); }, 20000));
    Settle();
    ExpectAt(docked, 70, 110, 360, 40);
    SendMessageA(docked, WM_COMMAND, 40008, 0);  // Save
    EXPECT_EQ(ReadSetting(c172 + ".cfg", "Window"), "70,110,360,40,2,3") << "into its own file";
    EXPECT_EQ(ReadSetting(b737 + ".cfg", "Window"), b737_saved) << "nothing into the other's";

    // ---- The simulator stops the module ----
    SimClearCalls();
    ASSERT_TRUE(SimStopModule());
    EXPECT_EQ(CountDisplayWindows(), 0);
    ASSERT_EQ(SimTickCalls().size(), 1u);
    EXPECT_FALSE(SimTickCalls()[0].registering);
    SimCallTextOutput("After the stop", 4, 50, 0);
    ASSERT_EQ(SimTextCalls().size(), 1u);
    EXPECT_EQ(SimTextCalls()[0].text, "After the stop");

    // ---- Unloaded while the simulator runs on ----
    // Stopped, the module keeps itself mapped, its hooks passing everything
    // straight on; its panel subclass, on top, went at the stop.
    ASSERT_TRUE(SimUnloadModule());
    EXPECT_EQ(SimStaleAtUnload(), 0);
    EXPECT_EQ(GetWindowLongPtrA(panel2, GWLP_WNDPROC), GetClassLongPtrA(panel2, GCLP_WNDPROC));
    SimClearCalls();
    SimCallTextOutput("Still flying", 3, 50, 1);
    SimCallPanelLoad(c172.c_str());
    ASSERT_EQ(SimTextCalls().size(), 1u);
    EXPECT_EQ(SimTextCalls()[0].text, "Still flying");
    EXPECT_EQ(SimPanelLoadCalls().size(), 1u);
    SimMovePanel(panel2, 10, 10, 800, 300);
    SimHostHidePanel(panel2);
    SimHostShowPanel(panel2);
    RedrawWindow(host_, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    SendMessageA(host_, WM_COMMAND, 35224, 0);
    SimRunTicks(40);
    SimPump(200);
    EXPECT_EQ(SimMainCommands().back(), 35224u);
}

// What the pilot sees on the screen itself: a window clipped away by its
// parent counts as visible but shows nothing there. A capture that failed
// saw nothing and proves nothing: it fails the test.
int SeenOnScreen(const RECT& screen, COLORREF colour)
{
    SimImage image;
    if (!SimCaptureScreen(screen, &image)) {
        ADD_FAILURE() << "no capture of the screen at (" << screen.left << ", " << screen.top << ")-("
                      << screen.right << ", " << screen.bottom << ")";
        return -1;
    }
    int count = 0;
    for (COLORREF pixel : image.pixels)
        count += pixel == colour;
    return count;
}

// A message taken over is on screen, wherever the host leaves the display:
// docked where no panel is, its panel destroyed and replaced, its window
// made anew. FS2000 follows panels by re-parenting, FS2002 by subclassing.
class Recovery : public Flight {
protected:
    // The display shows its background and the message over `area` (screen).
    void ExpectSeen(const RECT& area, const char* what)
    {
        Settle();
        const int pixels = (area.right - area.left) * (area.bottom - area.top);
        EXPECT_GT(SeenOnScreen(area, SavedBack), pixels / 3) << what;
        EXPECT_GT(SeenOnScreen(area, SavedText), 10) << what << ": the message";
    }
    RECT HostArea(int x, int y, int w, int h)
    {
        RECT r = {x, y, x + w, y + h};
        MapWindowPoints(host_, nullptr, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
};

TEST_P(Recovery, TheDisplayStaysInSight)
{
    const Edition edition = GetParam();
    const uint16_t kind = edition == FS2002 ? 0x20A9 : 0x20B8;
    host_ = SimCreateMainWindow(edition == FS2002 ? "FS2002MAIN" : "FS2000MAIN", "Flight Simulator", 0, 0, 900, 650);
    ASSERT_TRUE(host_);
    ASSERT_TRUE(SimLoadModule(SimFreshCopy("orvale.dll").c_str()));
    ASSERT_TRUE(SimStartModule());

    // ---- Settings read before start-up, no panel under their place ----
    const std::string c172 = Aircraft("c172", "[Orvale]\r\nWindow=40,60,360,40,2,3\r\nAutoHide=No\r\n");
    SimCallPanelLoad(c172.c_str());
    HWND docked = nullptr;
    ASSERT_TRUE(SimPumpUntil([&] { return (docked = Docked()) && IsWindowVisible(docked); }, 20000))
        << "placed and shown when it is made, before any tick";
    SimCallTextOutput("Runway 27 in use", 4, 0, 0);
    ExpectSeen(HostArea(42, 62, 356, 36), "unattached at its place");

    // ---- A panel comes under it: the search looks past the display itself ----
    HWND panel = SimCreatePanel(0, 40, 900, 300, kind);
    SimRunTicks(20);
    ExpectAttachedTo(panel, docked);
    ExpectSeen(HostArea(42, 62, 356, 36), "on the panel");

    // ---- The simulator hides the panel (the pilot looks outside): a message
    // then is the simulator's own to show ----
    edition == FS2002 ? SimHostHidePanel(panel) : SimShowPanel(panel, false);
    SimClearCalls();
    SimCallTextOutput("Wind 270 at 8", 4, 100, 0);
    ASSERT_EQ(SimTextCalls().size(), 1u);
    EXPECT_EQ(SimTextCalls()[0].text, "Wind 270 at 8") << "seen on the simulator's line, not taken unseen";
    edition == FS2002 ? SimHostShowPanel(panel) : SimShowPanel(panel, true);
    ExpectSeen(HostArea(42, 62, 356, 36), "back with its panel");

    // ---- The simulator window moves, then the panel in it: the display
    // goes with its panel, and a save keeps the place the pilot docked ----
    SetWindowPos(host_, nullptr, 60, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SimMovePanel(panel, 20, 80, 900, 300);
    SimRunTicks(20);
    ExpectSeen(HostArea(62, 102, 356, 36), "on its moved panel");
    SimMovePanel(panel, 20, 140, 900, 300);
    SimRunTicks(20);
    ExpectSeen(HostArea(62, 162, 356, 36), "on its panel moved down alone");
    SendMessageA(docked, WM_COMMAND, 40013, 0);
    SendMessageA(docked, WM_COMMAND, 40013, 0);
    EXPECT_EQ(ReadSetting(c172 + ".cfg", "Window"), "40,60,360,40,2,3") << "not where the panel took it";
    SimRunTicks(20);
    SetWindowPos(host_, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SimMovePanel(panel, 0, 40, 900, 300);
    SimRunTicks(20);
    ExpectAttachedTo(panel, docked);

    // ---- Minimised and restored: at its place at once, whatever ticks
    // came meanwhile ----
    const RECT placed = Outer(docked);
    ShowWindow(host_, SW_MINIMIZE);
    SimRunTicks(40);
    ShowWindow(host_, SW_RESTORE);
    const RECT restored = Outer(docked);
    EXPECT_TRUE(EqualRect(&placed, &restored)) << "at its place right after the restore";

    // ---- Undocked, moved over the scenery, docked there ----
    SendMessageA(docked, WM_COMMAND, 40002, 0);
    HWND undocked = FindUndockedDisplay(host_);
    ASSERT_TRUE(undocked);
    RECT floating = Outer(undocked);
    SetWindowPos(undocked, nullptr, floating.left, floating.top + 380, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT text_area = ClientOnScreen(undocked);
    SendMessageA(undocked, WM_COMMAND, 40001, 0);
    ASSERT_EQ(Docked(), docked);
    InflateRect(&text_area, -2, -2);
    ExpectSeen(text_area, "docked over the scenery, not clipped by the last panel");
    EXPECT_EQ(ReadSetting(c172 + ".cfg", "AutoHide"), "No");

    // ---- The panel moves under it: attached by the retry ----
    SimMovePanel(panel, 0, 340, 900, 300);
    SimRunTicks(20);
    ExpectAttachedTo(panel, docked);
    ExpectSeen(text_area, "on the moved panel");

    // ---- The host destroys that panel and makes a new one ----
    // Empty, with Hide when empty off: FS2002's popup stays in sight.
    SimCallTextOutput("", 4, 0, 0);
    SimDestroyPanel(panel);
    if (edition == FS2002)
        EXPECT_TRUE(IsWindowVisible(docked)) << "the pilot's Hide when empty stays off";
    SimClearCalls();
    SimCallTextOutput("Contact tower", 4, 0, 0);
    // A child re-parented into the panel is gone with it: until it is made
    // again, no message is taken. FS2002's popup outlives the panel.
    const bool gone = edition != FS2002;
    ASSERT_EQ(!IsWindow(docked), gone);
    ASSERT_EQ(SimTextCalls().size(), 1u);
    EXPECT_EQ(SimTextCalls()[0].text, gone ? "Contact tower" : "");
    SimRunTicks(20);
    docked = Docked();
    ASSERT_TRUE(docked);
    SimCallTextOutput("Contact tower", 4, 0, 0);
    ExpectSeen(text_area, "unattached at its place again");
    HWND replacement = SimCreatePanel(0, 340, 900, 300, kind);
    SimRunTicks(20);
    ExpectAttachedTo(replacement, docked);
    ExpectSeen(text_area, "on the new panel");
    if (edition == FS2002) {
        SimHostHidePanel(replacement);
        EXPECT_FALSE(IsWindowVisible(docked)) << "it follows the new panel";
        SimHostShowPanel(replacement);
    } else {
        SimShowPanel(replacement, false);
        EXPECT_FALSE(IsWindowVisible(docked)) << "it follows the new panel";
        SimShowPanel(replacement, true);
    }
    ExpectSeen(text_area, "shown with the new panel");

    // ---- Docked again after its window died with the panel ----
    SendMessageA(docked, WM_COMMAND, 40002, 0);
    SimDestroyPanel(replacement);
    text_area = ClientOnScreen(undocked);
    SendMessageA(undocked, WM_COMMAND, 40001, 0);
    InflateRect(&text_area, -2, -2);
    ExpectSeen(text_area, "placed and shown by the dock itself");

    // ---- An aircraft saved on a larger screen, with no width ----
    SimCallPanelLoad(Aircraft("dc3", "[Orvale]\r\nWindow=700,2000,0,40,2,3\r\n").c_str());
    docked = Docked();
    ASSERT_TRUE(docked);
    RECT area = {}, place = Outer(docked);
    GetClientRect(host_, &area);
    MapWindowPoints(host_, nullptr, reinterpret_cast<POINT*>(&area), 2);
    EXPECT_EQ(place.bottom, area.bottom) << "moved into the host's client area";
    EXPECT_LE(place.right, area.right);
    EXPECT_GT(place.right - place.left, 10) << "never empty-sized: at least a line wide";
    InflateRect(&place, -1, -1);
    ExpectSeen(place, "inside the host window, however it was saved");

    ASSERT_TRUE(SimUnloadModule());
    EXPECT_EQ(SimStaleAtUnload(), 0);
}

// Ordinary actions of the pilot while the simulator goes on: Alt+F4 on
// either display window, a chooser left open while an aircraft loads, black
// text, "Match background", a panel hidden and shown under "Hide always", a
// smaller simulator window, a display moved by Undock and Dock, a font entry
// written by hand, a panel with a caption; and another module's message
// before the display exists. None may cost a message, a stored setting, or
// the way back to the display.
class PilotActions : public Recovery {
protected:
    // Alt+F4 as Windows delivers it to the window's top-level ancestor.
    void AltF4(HWND window)
    {
        SendMessageA(window, WM_SYSKEYDOWN, VK_F4, 0x20000000 | (0x3E << 16) | 1);
        Settle();
    }
    // Switched off: nothing of the display on screen, and the simulator
    // shows its messages itself again.
    void ExpectOff(const RECT& area, const char* what)
    {
        Settle();
        EXPECT_EQ(SeenOnScreen(area, SavedBack), 0) << what;
        EXPECT_FALSE(MenuItemChecked(SimMenuBar())) << what;
        SimClearCalls();
        SimCallTextOutput("To the simulator", 4, 50, 0);
        ASSERT_EQ(SimTextCalls().size(), 1u) << what;
        EXPECT_EQ(SimTextCalls()[0].text, "To the simulator") << what;
    }
    RECT Inner(HWND window)
    {
        RECT r = Outer(window);
        InflateRect(&r, -2, -2);
        return r;
    }
    int VisibleDisplays(HWND undocked)
    {
        int count = 0;
        for (HWND w : {undocked, Docked()})
            count += w && IsWindowVisible(w);
        return count;
    }
};

TEST_P(PilotActions, NoneCostsAMessageOrASetting)
{
    const Edition edition = GetParam();
    static const char* classes[] = {"FS98MAIN", "FS2000MAIN", "FS2002MAIN"};
    static const uint16_t kinds[] = {0x0151, 0x20B8, 0x20A9};
    host_ = SimCreateMainWindow(classes[edition], "Flight Simulator", 0, 0, 900, 650);
    ASSERT_TRUE(host_);
    ASSERT_TRUE(SimLoadModule(SimFreshCopy("orvale.dll").c_str()));
    ASSERT_TRUE(SimStartModule());
    SimCallShowMessage("From another module", 100);
    HWND undocked = nullptr;
    ASSERT_TRUE(SimPumpUntil([&] { return (undocked = FindUndockedDisplay(host_)) && IsWindowVisible(undocked); },
                             20000));
    Settle();
    EXPECT_GT(SeenOnScreen(ClientOnScreen(undocked), RGB(255, 0, 0)), 10) << "given before the display existed";
    ASSERT_TRUE(SimPumpUntil([&] { return GetMenuItemCount(SimMenuBar()) == 4; }, 20000)) << "\"&Orvale\" installed";

    const char* c172_font = "Arial,-16,0,700,0,0,0";
    const std::string c172 =
        Aircraft("c172", (std::string("[Orvale]\r\nWindow=40,60,360,40,2,3\r\nFont=") + c172_font + "\r\n").c_str());
    SimCallPanelLoad(c172.c_str());
    HWND docked = Docked();
    ASSERT_TRUE(docked);
    SimCallTextOutput("Runway 27 in use", 4, 0, 0);
    const RECT c172_area = HostArea(42, 62, 356, 36);
    ExpectSeen(c172_area, "docked where no panel is");

    // ---- Alt+F4 on the docked popup (FS2002), or undocked and Alt+F4 on
    // the floating window: the pilot's Close ----
    if (edition == FS2002) {
        AltF4(docked);
        ExpectOff(c172_area, "Alt+F4 on the docked popup");
    } else {
        SendMessageA(docked, WM_COMMAND, 40002, 0);
        ASSERT_TRUE(IsWindowVisible(undocked));
        const RECT floating = ClientOnScreen(undocked);
        AltF4(undocked);
        ExpectOff(floating, "Alt+F4 on the floating window");
    }
    SendMessageA(host_, WM_COMMAND, 35224, 0);
    ASSERT_TRUE(IsWindow(undocked)) << "the floating window lives until the module stops";
    SimCallTextOutput("Runway 27 in use", 4, 0, 0);
    ExpectSeen(ClientOnScreen(undocked), "\"&Orvale\" brings the display back");
    CommandWithDialog(undocked, 40004, [](HWND dialog) {
        PickColour(dialog, RGB(0, 0, 0));
        Press(dialog, IDOK);
    });
    SendMessageA(undocked, WM_COMMAND, 40001, 0);
    docked = Docked();
    ASSERT_TRUE(docked);
    Settle();
    EXPECT_GT(SeenOnScreen(Inner(docked), RGB(0, 0, 0)), 10) << "black text stays black when docked";
    SendMessageA(docked, WM_COMMAND, 40008, 0);
    EXPECT_EQ(ReadSetting(c172 + ".cfg", "Font"), c172_font) << "the font outlived the close";

    // ---- Alt+F4 on the floating window, then an aircraft whose place has
    // no panel: its messages are on screen ----
    SendMessageA(docked, WM_COMMAND, 40002, 0);
    AltF4(undocked);
    ExpectOff(ClientOnScreen(undocked), "Alt+F4 on the floating window");
    const std::string b737 = Aircraft("b737", "[Orvale]\r\nWindow=420,80,360,40,2,3\r\nFont=Arial,-12,0,400,0,0,0\r\n");
    SimCallPanelLoad(b737.c_str());
    SimCallTextOutput("Information Bravo", 3, 0, 0);
    const RECT b737_area = HostArea(422, 82, 356, 36);
    ExpectSeen(b737_area, "an aircraft loaded after Alt+F4");

    // ---- "Match background" on a display over the right half of a panel ----
    constexpr COLORREF Green = RGB(0, 160, 0);
    HWND strip = SimCreatePanel(300, 121, 500, 80, kinds[edition], Green);
    Settle();
    SendMessageA(Docked(), WM_COMMAND, 40010, 0);
    Settle();
    EXPECT_GT(SeenOnScreen(b737_area, Green), 356 * 36 / 3) << "the colour under the display's middle";
    SimDestroyPanel(strip);

    // ---- The font chooser open while the simulator loads another aircraft;
    // the pilot cancels, then saves ----
    const char* a320_font = "Courier New,-20,0,700,0,0,0";
    const std::string a320 = Aircraft(
        "a320", (std::string("[Orvale]\r\nWindow=420,80,360,40,2,3\r\nFont=") + a320_font + "\r\n").c_str());
    CommandWithDialog(Docked(), 40009, [&](HWND dialog) {
        SimCallPanelLoad(a320.c_str());
        Press(dialog, IDCANCEL);
    });
    ASSERT_TRUE(dialog_seen);
    SendMessageA(Docked(), WM_COMMAND, 40008, 0);
    EXPECT_EQ(ReadSetting(a320 + ".cfg", "Font"), a320_font) << "the loaded aircraft's font, not the one before";

    // ---- A colour chooser open on the floating window while an aircraft
    // loads docked with "Hide when empty"; the pilot clicks OK ----
    constexpr COLORREF Chosen = RGB(250, 200, 20);
    SendMessageA(Docked(), WM_COMMAND, 40002, 0);
    const RECT floating = ClientOnScreen(undocked);
    const std::string dc9 = Aircraft("dc9", "[Orvale]\r\nWindow=420,520,360,40,2,3\r\nAutoHide=Yes\r\n");
    CommandWithDialog(undocked, 40004, [&](HWND dialog) {
        SimCallPanelLoad(dc9.c_str());
        PickColour(dialog, Chosen);
        Press(dialog, IDOK);
    });
    ASSERT_TRUE(dialog_seen);
    const RECT dc9_area = HostArea(422, 522, 356, 36);
    Settle();
    EXPECT_EQ(VisibleDisplays(undocked), 1) << "only one display is ever shown";
    std::string who;
    EXPECT_TRUE(SimulatorHasKeyboard(host_, &who)) << "not the hidden window the chooser belonged to: " << who;
    EXPECT_EQ(SeenOnScreen(floating, SavedBack), 0) << "the floating window stays hidden";
    EXPECT_GT(SeenOnScreen(dc9_area, Chosen), 10) << "the chosen colour on the docked display";

    // ---- "Hide always" on a panel that the host hides and shows ----
    HWND panel = SimCreatePanel(0, 500, 900, 100, kinds[edition]);
    SimRunTicks(20);
    ExpectAttachedTo(panel, Docked());
    SendMessageA(Docked(), WM_COMMAND, 40011, 0);
    SimRunTicks(20);
    if (edition == FS2002) {
        SimHostHidePanel(panel);
        SimHostShowPanel(panel);
    } else {
        SimShowPanel(panel, false);
        SimShowPanel(panel, true);
    }
    Settle();
    EXPECT_EQ(SeenOnScreen(dc9_area, SavedBack), 0) << "hidden always, also after the panel's show";
    EXPECT_EQ(ReadSetting(dc9 + ".cfg", "HideWindow"), "Yes");
    EXPECT_EQ(ReadSetting(dc9 + ".cfg", "Font"), "<none>") << "the font of the aircraft before stays out";
    SimDestroyPanel(panel);

    // ---- The simulator window made smaller while the display stands where
    // no panel is; the pilot toggles "Hide when empty" twice ----
    const std::string md11 =
        Aircraft("md11", "[Orvale]\r\nWindow=520,540,360,40,2,3\r\nAutoHide=Yes\r\nFont=Arial\r\n");
    SimCallPanelLoad(md11.c_str());
    SimCallTextOutput("Wind calm", 4, 0, 0);
    ExpectSeen(HostArea(522, 542, 356, 36), "at its stored place");
    SetWindowPos(host_, nullptr, 0, 0, 640, 480, SWP_NOZORDER | SWP_NOACTIVATE);
    SimRunTicks(20);
    RECT area = {}, inner = Inner(Docked());
    GetClientRect(host_, &area);
    MapWindowPoints(host_, nullptr, reinterpret_cast<POINT*>(&area), 2);
    RECT common;
    EXPECT_TRUE(IntersectRect(&common, &inner, &area) && EqualRect(&common, &inner)) << "moved into the smaller window";
    ExpectSeen(inner, "inside the smaller simulator window");
    SendMessageA(Docked(), WM_COMMAND, 40013, 0);
    SendMessageA(Docked(), WM_COMMAND, 40013, 0);
    EXPECT_EQ(ReadSetting(md11 + ".cfg", "Window"), "520,540,360,40,2,3") << "the stored place is kept";
    SetWindowPos(host_, nullptr, 0, 0, 900, 650, SWP_NOZORDER | SWP_NOACTIVATE);
    SimRunTicks(20);
    ExpectSeen(HostArea(522, 542, 356, 36), "back at its stored place");
    EXPECT_EQ(ReadSetting(md11 + ".cfg", "Font"), "Arial") << "an entry read in part is written back unchanged";

    // ---- Moved by Undock, drag and Dock: "Hide when empty" stays the pilot's ----
    SendMessageA(Docked(), WM_COMMAND, 40002, 0);
    RECT floating_md11 = Outer(undocked);
    SetWindowPos(undocked, nullptr, floating_md11.left, floating_md11.top + 20, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(undocked, WM_COMMAND, 40001, 0);
    EXPECT_EQ(ReadSetting(md11 + ".cfg", "AutoHide"), "Yes") << "the dock saves the pilot's choice";
    ExpectSeen(HostArea(522, 562, 356, 36), "docked where the pilot put it");
    SimCallTextOutput(nullptr, 4, 0, 0);
    Settle();
    EXPECT_EQ(SeenOnScreen(HostArea(522, 562, 356, 36), SavedBack), 0) << "empty, it hides again";

    // ---- A panel with a caption and a frame, the docked place on that
    // strip: the display settles and stays in sight ----
    if (edition != FS2002) {
        HWND framed = SimCreatePanel(100, 200, 600, 250, kinds[edition]);
        SetWindowLongPtrA(framed, GWL_STYLE, GetWindowLongPtrA(framed, GWL_STYLE) | WS_CAPTION | WS_THICKFRAME);
        SetWindowLongPtrA(framed, GWL_EXSTYLE, WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME);
        SetWindowPos(framed, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
        POINT client = {0, 0};
        MapWindowPoints(framed, host_, &client, 1);
        const int strip = client.y - 200;
        const int line = 20;  // the system font's line, raised to by the docked minimum
        ASSERT_GT(strip, line + 2) << "a strip the display fits in";
        const std::string dhc6 = Aircraft("dhc6", "[Orvale]\r\nWindow=150,201,360,1,2,3\r\n");
        SimCallPanelLoad(dhc6.c_str());
        SimCallTextOutput("Gusting", 4, 0, 0);
        const HWND parent = GetParent(Docked());
        for (int retry = 0; retry < 10; ++retry) {
            SimRunTicks(20);
            ExpectSeen(Inner(Docked()), "on the caption strip");
            EXPECT_EQ(GetParent(Docked()), parent) << "settled, never re-parented back and forth";
        }
    }

    // ---- The simulator window maximised under a taskbar at the top: Undock
    // keeps the text where it was, Dock undoes it, moved or not ----
    SimSetMaximisedTop(30);
    ShowWindow(host_, SW_MAXIMIZE);
    const std::string f27 = Aircraft("f27", "[Orvale]\r\nWindow=40,60,360,40,2,3\r\n");
    SimCallPanelLoad(f27.c_str());
    SimCallTextOutput("Taxi to holding point", 4, 0, 0);
    RECT f27_area = ClientOnScreen(Docked());
    SendMessageA(Docked(), WM_COMMAND, 40002, 0);
    ExpectSeen(f27_area, "the floating text where the docked text was");
    const RECT floating_f27 = Outer(undocked);
    SetWindowPos(undocked, nullptr, floating_f27.left + 30, floating_f27.top + 50, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(undocked, WM_COMMAND, 40001, 0);
    EXPECT_EQ(ReadSetting(f27 + ".cfg", "Window"), "70,110,360,40,2,3") << "moved, never grown";
    SendMessageA(Docked(), WM_COMMAND, 40002, 0);
    SendMessageA(undocked, WM_COMMAND, 40001, 0);
    EXPECT_EQ(ReadSetting(f27 + ".cfg", "Window"), "70,110,360,40,2,3") << "not moved: unchanged";
    ShowWindow(host_, SW_RESTORE);

    // ---- Hostile sizes: in range for the window, saved as they were stored ----
    const std::string l1011 = Aircraft("l1011", "[Orvale]\r\nWindow=100,200,70000,40000,2,3\r\n");
    SimCallPanelLoad(l1011.c_str());
    SendMessageA(Docked(), WM_COMMAND, 40013, 0);
    SendMessageA(Docked(), WM_COMMAND, 40013, 0);
    SendMessageA(Docked(), WM_COMMAND, 40002, 0);
    SendMessageA(undocked, WM_COMMAND, 40001, 0);
    EXPECT_EQ(ReadSetting(l1011 + ".cfg", "Window"), "100,200,70000,40000,2,3") << "the pilot moved nothing";

    // ---- Captions made higher while the simulator runs (a new theme): Undock
    // and Dock keep the text area, and nothing below one line is saved ----
    {
        // Put back however the section ends.
        struct Restore {
            NONCLIENTMETRICSA kept = CurrentMetrics();
            ~Restore() { SetMetrics(kept); }
        } restore;
        NONCLIENTMETRICSA higher = restore.kept;
        higher.iCaptionHeight += 12;
        SetMetrics(higher);
        const std::string a300 = Aircraft("a300", "[Orvale]\r\nWindow=40,60,360,40,2,3\r\n");
        SimCallPanelLoad(a300.c_str());
        for (int round = 1; round <= 3; ++round) {
            SCOPED_TRACE(testing::Message() << "round " << round);
            RECT docked_area = {}, floating_area = {};
            GetClientRect(Docked(), &docked_area);
            SendMessageA(Docked(), WM_COMMAND, 40002, 0);
            GetClientRect(undocked, &floating_area);
            EXPECT_EQ(floating_area.bottom, docked_area.bottom) << "Undock keeps the text area's height";
            const RECT outer = Outer(undocked);
            SetWindowPos(undocked, nullptr, outer.left + 5, outer.top + 5, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            SendMessageA(undocked, WM_COMMAND, 40001, 0);
            EXPECT_EQ(ReadSetting(a300 + ".cfg", "Window"),
                      std::to_string(40 + 5 * round) + "," + std::to_string(60 + 5 * round) + ",360,40,2,3")
                << "moved, the text area's height kept";
        }
    }

    // ---- The simulator's window mostly off the screen: Undock leaves the
    // floating window where no screen is, and "&Orvale" is the way back ----
    const std::string dc10 = Aircraft("dc10", "[Orvale]\r\nWindow=40,60,360,40,2,3\r\n");
    SimCallPanelLoad(dc10.c_str());
    const RECT host_before = Outer(host_);
    SetWindowPos(host_, nullptr, -860, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SimRunTicks(40);   // FS2002's popup goes with the simulator's window by its 20th tick
    SendMessageA(Docked(), WM_COMMAND, 40002, 0);
    ASSERT_LT(ClientOnScreen(undocked).right, 0) << "the floating window out of sight";
    SendMessageA(host_, WM_COMMAND, 35224, 0);
    SendMessageA(host_, WM_COMMAND, 35224, 0);
    SimCallTextOutput("Back in sight", 4, 0, 0);
    const RECT back = ClientOnScreen(undocked), screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    RECT seen = {};
    EXPECT_TRUE(IntersectRect(&seen, &back, &screen) && EqualRect(&seen, &back)) << "the whole text area on the screen";
    ExpectSeen(back, "\"&Orvale\" brings the floating display onto the screen");
    SetWindowPos(host_, nullptr, host_before.left, host_before.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    ASSERT_TRUE(SimUnloadModule());
    EXPECT_EQ(SimStaleAtUnload(), 0);
}

// The pilot flies with the keyboard. Clicking the display, its menu closed
// with Escape or by a click on the simulator's window, a chooser from the
// menu or from a command closed with OK or Cancel, and dragging or sizing the
// floating window by its caption and frame all leave the simulator's window
// in the foreground, active and with the focus, and the display where the
// pilot sees it. Played with real input, so that the window system decides
// what is activated as it does for the pilot: the floating window on every
// edition, FS2002's docked popup, and FS2000's docked child, which the
// simulator's own window answers for.
TEST_P(PilotActions, TheKeyboardStaysWithTheSimulator)
{
    const Edition edition = GetParam();
    static const char* classes[] = {"FS98MAIN", "FS2000MAIN", "FS2002MAIN"};
    static const uint16_t kinds[] = {0x0151, 0x20B8, 0x20A9};
    host_ = SimCreateMainWindow(classes[edition], "Flight Simulator", 0, 0, 900, 650);
    ASSERT_TRUE(host_);
    ASSERT_TRUE(SimLoadModule("orvale.dll"));
    ASSERT_TRUE(SimStartModule());
    HWND undocked = nullptr;
    ASSERT_TRUE(SimPumpUntil([&] { return (undocked = FindUndockedDisplay(host_)) && IsWindowVisible(undocked); },
                             20000));
    ASSERT_TRUE(SimPumpUntil([&] { return GetMenuItemCount(SimMenuBar()) == 4; }, 20000));
    SimCallTextOutput("Runway 27 in use", 4, 0, 0);
    Settle();
    std::string who;
    ASSERT_TRUE(SimulatorHasKeyboard(host_, &who)) << "at start-up: " << who;
    POINT elsewhere = {860, 600};  // the simulator's window, where no panel is
    ClientToScreen(host_, &elsewhere);

    // A step that lost the keyboard is given it back by hand, as the pilot
    // would by clicking the simulator, so that the next step starts afresh.
    auto expect_keyboard = [&](HWND display, const char* form, const char* step) {
        SimPump(100);  // what the window system does after the step
        const bool kept = SimulatorHasKeyboard(host_, &who);
        EXPECT_TRUE(kept) << form << ", " << step << ": " << who;
        EXPECT_EQ(WindowFromPoint(ClientCentre(display)), display) << form << ", " << step << ": the display in sight";
        if (!kept) {
            SetForegroundWindow(host_);
            SimPump(200);
            // Wine then raises the simulator's window over the display it owns.
            SetWindowPos(display, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            SetWindowPos(display, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            Settle();
        }
    };
    auto menu_and_choosers = [&](HWND display, const char* form) {
        const POINT at = ClientCentre(display);
        EXPECT_TRUE(PlayContextMenu(at, [] { PressKey(VK_ESCAPE); })) << form << ": the menu came up";
        expect_keyboard(display, form, "its menu closed with Escape");
        EXPECT_TRUE(PlayContextMenu(at, [&] { LeftClickAt(elsewhere); })) << form << ": the menu came up";
        expect_keyboard(display, form, "its menu closed by a click on the simulator's window");
        LeftClickAt(at);
        expect_keyboard(display, form, "a click on it");
        HWND owner = nullptr;
        WhileDialog([&] { PlayContextMenu(at, [] { PressKey(VK_DOWN); PressKey(VK_DOWN); PressKey(VK_RETURN); }); },
                    [&](HWND dialog) {
                        owner = GetWindow(dialog, GW_OWNER);
                        Press(dialog, IDOK);
                    });
        ASSERT_TRUE(dialog_seen) << form << ": \"Text colour\" picked from its menu";
        // Windows makes a child's top-level window the owner of a dialog.
        const bool child = (GetWindowLongPtrA(display, GWL_STYLE) & WS_CHILD) != 0;
        EXPECT_EQ(owner, child ? host_ : display) << form << ": the chooser's owner";
        expect_keyboard(display, form, "the colour chooser from its menu closed with OK");
        CommandWithDialog(display, 40009, [](HWND dialog) { Press(dialog, IDCANCEL); });
        ASSERT_TRUE(dialog_seen);
        expect_keyboard(display, form, "the font chooser closed with Cancel");
    };

    // ---- The floating window ----
    menu_and_choosers(undocked, "floating");
    // Another program in front: a click on the display brings the simulator
    // forward, and its menu closes with Escape.
    const RECT beside = {Outer(host_).right + 10, 100, Outer(host_).right + 310, 300};
    ASSERT_TRUE(StartAnotherProgram(beside));
    SimPump(100);
    ASSERT_FALSE(SimulatorHasKeyboard(host_, &who)) << "another program in front: " << who;
    EXPECT_TRUE(PlayContextMenu(ClientCentre(undocked), [] { PressKey(VK_ESCAPE); }, 3000))
        << "the menu came up and closed with Escape";
    expect_keyboard(undocked, "floating", "its menu opened from another program");
    EndAnotherProgram();
    const RECT placed = Outer(undocked);
    const POINT grip = {placed.left + 60, placed.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2};
    ASSERT_EQ(SendMessageA(undocked, WM_NCHITTEST, 0, MAKELPARAM(grip.x, grip.y)), HTCAPTION);
    DragWithLeftButton(grip, {grip.x + 60, grip.y + 40});
    expect_keyboard(undocked, "floating", "its caption dragged");
    const RECT moved = Outer(undocked);
    EXPECT_EQ(moved.left, placed.left + 60) << "moved by its caption";
    EXPECT_EQ(moved.top, placed.top + 40);
    EXPECT_EQ(moved.right - moved.left, placed.right - placed.left);
    EXPECT_EQ(moved.bottom - moved.top, placed.bottom - placed.top);
    const POINT corner = {moved.right - 2, moved.bottom - 2};
    ASSERT_EQ(SendMessageA(undocked, WM_NCHITTEST, 0, MAKELPARAM(corner.x, corner.y)), HTBOTTOMRIGHT);
    DragWithLeftButton(corner, {corner.x + 50, corner.y + 30});
    expect_keyboard(undocked, "floating", "its frame dragged");
    const RECT sized = Outer(undocked);
    EXPECT_EQ(sized.left, moved.left) << "sized by its frame";
    EXPECT_EQ(sized.top, moved.top);
    EXPECT_EQ(sized.right - sized.left, moved.right - moved.left + 50);
    EXPECT_EQ(sized.bottom - sized.top, moved.bottom - moved.top + 30);

    // ---- Docked: FS2002's popup and FS2000's child (FS98's is FS2000's) ----
    if (edition != FS98) {
        SimCreatePanel(0, 40, 900, 300, kinds[edition]);
        SimCallPanelLoad(Aircraft("c172", "[Orvale]\r\nWindow=40,60,360,40,2,3\r\n").c_str());
        SimRunTicks(20);
        HWND docked = Docked();
        ASSERT_TRUE(docked);
        SimCallTextOutput("Runway 27 in use", 4, 0, 0);
        ExpectSeen(Inner(docked), "docked");
        menu_and_choosers(docked, edition == FS2002 ? "the docked popup" : "the docked child");
        SimCallTextOutput("Wind calm", 4, 0, 0);
        ExpectSeen(Inner(docked), "docked, after the menus and choosers");
    }

    ASSERT_TRUE(SimUnloadModule());
    EXPECT_EQ(SimStaleAtUnload(), 0);
}

// Two monitors of unequal size side by side (the test command runs this in a
// two-monitor display): the rectangle around them holds an area that neither
// shows. A floating display there takes no message; on the smaller monitor it
// does. Where Windows knows one monitor only, there is nothing to try.
TEST(TwoMonitors, OnlyWhatAMonitorShowsTakesAMessage)
{
    if (GetSystemMetrics(SM_CMONITORS) < 2)
        GTEST_SKIP() << "one monitor";
    const int primary = GetSystemMetrics(SM_CXSCREEN), below = GetSystemMetrics(SM_CYVIRTUALSCREEN) - 150;
    SimCreateTables();
    HWND host = SimCreateMainWindow("FS2000MAIN", "Flight Simulator 2000", 0, 0, 900, 650);
    ASSERT_TRUE(host && SimLoadModule(SimFreshCopy("orvale.dll").c_str()) && SimStartModule());
    HWND floating = nullptr;
    ASSERT_TRUE(SimPumpUntil([&] { return (floating = FindUndockedDisplay(host)) && IsWindowVisible(floating); }, 20000));
    struct Place {
        int x, y;
        bool taken;
    } const places[] = {{primary + 200, below, false}, {primary + 200, 100, true}, {200, below, true}};
    for (const Place& place : places) {
        SetWindowPos(floating, nullptr, place.x, place.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        SimClearCalls();
        SimCallTextOutput("Wind 270 at 8", 4, 100, 0);
        ASSERT_EQ(SimTextCalls().size(), 1u);
        EXPECT_EQ(SimTextCalls()[0].text, place.taken ? "" : "Wind 270 at 8") << place.x << ", " << place.y;
    }
    SimUnloadModule();
    SimDestroyMainWindow();
}

std::string EditionName(const ::testing::TestParamInfo<Edition>& info)
{
    static const char* names[] = {"FS98", "FS2000", "FS2002"};
    return names[info.param];
}

INSTANTIATE_TEST_SUITE_P(Editions, Flight, ::testing::Values(FS98, FS2000, FS2002), EditionName);
INSTANTIATE_TEST_SUITE_P(Editions, Recovery, ::testing::Values(FS2000, FS2002), EditionName);
INSTANTIATE_TEST_SUITE_P(Editions, PilotActions, ::testing::Values(FS98, FS2000, FS2002), EditionName);

}  // namespace

// Start-up, recognition of the simulator's main window, shut-down, a start
// after a stop, unloading while the host runs on, and all of these beside
// another module that hooks the same routines. Most cases load the real
// orvale.dll into the simulated host; the recognition rules are also checked
// white-box on the module's own FindHostWindow.
#include <gtest/gtest.h>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>
#include "host/sim_host.h"
#include "support/module_fixture.h"
#include "support/process_counters.h"
#include "core/display_state.h"
#include "core/host_interface.h"
#include "module/startup.h"

namespace {

// ---- A second process owning a window that looks like the simulator's ----

const char HelperSwitch[] = "--own-fs2002-main-window";

std::string HelperEventName(const char* what, DWORD parent)
{
    char name[96];
    snprintf(name, sizeof name, "OrvaleStartupTest%s%lu", what, static_cast<unsigned long>(parent));
    return name;
}

// Runs in the helper process before any test: puts up a visible "FS2002MAIN"
// window, says so, and keeps it until told to go (or 30 s have passed).
void RunHelperIfAsked()
{
    const char* switch_at = strstr(GetCommandLineA(), HelperSwitch);
    if (switch_at == nullptr)
        return;
    DWORD parent = strtoul(switch_at + sizeof HelperSwitch, nullptr, 10);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "FS2002MAIN";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, "FS2002MAIN", "Microsoft Flight Simulator 2002", WS_POPUP | WS_VISIBLE,
                                  20, 20, 640, 480, nullptr, nullptr, wc.hInstance, nullptr);
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, HelperEventName("Ready", parent).c_str());
    HANDLE quit = OpenEventA(SYNCHRONIZE, FALSE, HelperEventName("Quit", parent).c_str());
    if (window && ready)
        SetEvent(ready);
    DWORD deadline = GetTickCount() + 30000;
    while (quit && static_cast<LONG>(deadline - GetTickCount()) > 0) {
        if (MsgWaitForMultipleObjects(1, &quit, FALSE, 50, QS_ALLINPUT) == WAIT_OBJECT_0)
            break;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
    ExitProcess(0);
}

struct HelperMode {
    HelperMode() { RunHelperIfAsked(); }
} helper_mode;

class OtherProcessWindow {
public:
    bool Start()
    {
        DWORD self = GetCurrentProcessId();
        ready_ = CreateEventA(nullptr, TRUE, FALSE, HelperEventName("Ready", self).c_str());
        quit_ = CreateEventA(nullptr, TRUE, FALSE, HelperEventName("Quit", self).c_str());
        char exe[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, exe, MAX_PATH);
        std::string command = std::string("\"") + exe + "\" " + HelperSwitch + " " + std::to_string(self);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        if (!CreateProcessA(exe, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process_))
            return false;
        CloseHandle(process_.hThread);
        HANDLE waits[2] = {ready_, process_.hProcess};
        return WaitForMultipleObjects(2, waits, FALSE, 15000) == WAIT_OBJECT_0;
    }
    DWORD Id() const { return process_.dwProcessId; }
    ~OtherProcessWindow()
    {
        if (quit_)
            SetEvent(quit_);
        if (process_.hProcess) {
            if (WaitForSingleObject(process_.hProcess, 5000) != WAIT_OBJECT_0)
                TerminateProcess(process_.hProcess, 1);
            CloseHandle(process_.hProcess);
        }
        if (ready_)
            CloseHandle(ready_);
        if (quit_)
            CloseHandle(quit_);
    }

private:
    HANDLE ready_ = nullptr, quit_ = nullptr;
    PROCESS_INFORMATION process_ = {};
};

// ---- Plain top-level windows standing in for a main window ----

HWND MakeTopWindow(const char* class_name, const char* title, int x, int y, int w, int h)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    if (!GetClassInfoA(instance, class_name, &wc)) {
        wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = instance;
        wc.lpszClassName = class_name;
        RegisterClassA(&wc);
    }
    // A popup is not held to a minimum tracking size, so it can be empty.
    return CreateWindowExA(0, class_name, title, WS_POPUP | WS_VISIBLE, x, y, w, h, nullptr, nullptr,
                           instance, nullptr);
}

// ---- What the loaded module has put up ----

struct DisplayCount {
    int undocked = 0;
    int docked = 0;
    HWND undocked_window = nullptr;
    HWND docked_window = nullptr;
};

struct CountSearch {
    HMODULE module;
    DisplayCount* count;
};

BOOL CALLBACK CountIfDisplay(HWND window, LPARAM lparam)
{
    CountSearch* search = reinterpret_cast<CountSearch*>(lparam);
    char class_name[64] = {};
    GetClassNameA(window, class_name, sizeof class_name);
    if (strcmp(class_name, "OrvaleWindow") != 0 ||
        reinterpret_cast<HMODULE>(GetWindowLongPtrA(window, GWLP_HINSTANCE)) != search->module)
        return TRUE;
    if ((GetWindowLongPtrA(window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION) {
        ++search->count->undocked;
        search->count->undocked_window = window;
    } else {
        ++search->count->docked;
        search->count->docked_window = window;
    }
    return TRUE;
}

BOOL CALLBACK CountInTopWindow(HWND window, LPARAM lparam)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId())
        return TRUE;
    CountIfDisplay(window, lparam);
    EnumChildWindows(window, CountIfDisplay, lparam);  // all descendants
    return TRUE;
}

// Display windows of `module` anywhere in this process.
DisplayCount CountDisplays(HMODULE module)
{
    DisplayCount count;
    CountSearch search = {module, &count};
    EnumWindows(CountInTopWindow, reinterpret_cast<LPARAM>(&search));
    return count;
}

bool InModule(uintptr_t address, HMODULE module)
{
    HMODULE owner = nullptr;
    return address != 0 &&
           GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCSTR>(address), &owner) &&
           owner == module;
}

uintptr_t Word(const void* routine) { return reinterpret_cast<uintptr_t>(routine); }
uintptr_t SlotValue(uint32_t table, uint32_t offset) { return *SimSlot(table, offset); }

const std::vector<uint32_t> AllTables(SimTableIds, SimTableIds + SimTableCount);

std::vector<uint32_t> AllBut(uint32_t id)
{
    std::vector<uint32_t> tables;
    for (uint32_t t : AllTables)
        if (t != id)
            tables.push_back(t);
    return tables;
}

int LineHeightOfSystemFont()
{
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, GetStockObject(SYSTEM_FONT));
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    DeleteDC(dc);
    return ((metrics.tmHeight + metrics.tmExternalLeading) * 12 + 5) / 10;
}

// Pixels of the default red text colour inside a window's client area.
int RedPixels(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    RECT screen = {origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
    SimImage image;
    if (!SimCaptureScreen(screen, &image))
        return -1;
    int red = 0;
    for (COLORREF c : image.pixels)
        red += GetRValue(c) > 200 && GetGValue(c) < 60 && GetBValue(c) < 60;
    return red;
}

// Waits are measured by a witness: a thread timer set when the wait starts.
// Timers fire in the order they fall due however late the loop runs, so once
// the witness has fired, every timer due before it (the module's 55 ms poll,
// its 3000 ms menu timer) has had its turn, on a slow machine as on a fast
// one. Only a witness that never fires is a matter of wall-clock time.
constexpr int PollMs = 55, MenuDelayMs = 3000, WitnessLimitMs = 60000;

// Runs the host's loop until a witness of `ms` fires; true when `done` held
// at that moment (checked before anything dispatched after the witness).
bool HeldByWitness(UINT ms, const std::function<bool()>& done)
{
    static const std::function<bool()>* check;
    static int verdict;  // -1 until the witness fires
    check = &done;
    verdict = -1;
    UINT_PTR witness = SetTimer(nullptr, 0, ms, [](HWND, UINT, UINT_PTR, DWORD) CALLBACK {
        if (verdict < 0)
            verdict = (*check)() ? 1 : 0;
    });
    const bool fired = SimPumpUntil([] { return verdict >= 0; }, WitnessLimitMs);
    KillTimer(nullptr, witness);
    EXPECT_TRUE(fired) << "the witness timer never fired";
    return verdict == 1;
}

// Dispatches this thread's messages, as the host's own loop would, until a
// witness of `ms` fires, and counts the timer messages whose routine lies in
// no loaded image (a timer left running by an unloaded module; DispatchMessage
// would swallow the fault of calling it, so it is counted and dropped instead).
int PumpCountingStrayTimers(UINT ms)
{
    int stray = 0;
    // Without a routine of its own, so that it is never taken for a stray one.
    const UINT_PTR witness = SetTimer(nullptr, 0, ms, nullptr);
    bool fired = false;
    const DWORD deadline = GetTickCount() + WitnessLimitMs;
    while (!fired && static_cast<LONG>(deadline - GetTickCount()) > 0) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            HMODULE owner = nullptr;
            if (msg.message == WM_TIMER && msg.hwnd == nullptr && msg.wParam == witness) {
                fired = true;
                continue;
            }
            if (msg.message == WM_TIMER && msg.lParam &&
                !GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                    reinterpret_cast<LPCSTR>(msg.lParam), &owner)) {
                ++stray;
                KillTimer(msg.hwnd, msg.wParam);
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    KillTimer(nullptr, witness);
    EXPECT_TRUE(fired) << "the witness timer never fired";
    return stray;
}

// ---- The real module in the simulated host ----

class ModuleInHost : public ::testing::Test {
protected:
    void SetUp() override
    {
        SimCreateTables();
        SimSetTickInterval(55);
    }
    void TearDown() override
    {
        if (module_)
            SimUnloadModule();
        SimDestroyMainWindow();
        for (HWND window : own_windows_)
            DestroyWindow(window);
        SimPump(30);
    }
    HMODULE Load(const std::vector<uint32_t>& offered = AllTables)
    {
        module_ = SimLoadModule(SimFreshCopy("orvale.dll").c_str(), offered);
        return module_;
    }
    void Unload()
    {
        SimUnloadModule();
        module_ = nullptr;
    }
    HWND TopWindow(const char* class_name, const char* title, int x, int y, int w, int h)
    {
        HWND window = MakeTopWindow(class_name, title, x, y, w, h);
        own_windows_.push_back(window);
        return window;
    }
    bool DisplayShown()
    {
        HWND undocked = CountDisplays(module_).undocked_window;
        return undocked != nullptr && IsWindowVisible(undocked);
    }
    bool WaitForDisplay() { return SimPumpUntil([this] { return DisplayShown(); }, 20000); }
    // The display is up before five polls' time has passed.
    bool DisplayWithinPolls() { return HeldByWitness(5 * PollMs, [this] { return DisplayShown(); }); }
    bool MenuItemInPlace() { return GetMenuItemCount(SimMenuBar()) == 4; }
    HWND Undocked() { return CountDisplays(module_).undocked_window; }

    HMODULE module_ = nullptr;
    std::vector<HWND> own_windows_;
};

TEST_F(ModuleInHost, EditionWordSaysFS2002OnlyWhenSuchAMainWindowExistedAtLoad)
{
    ASSERT_TRUE(Load());
    EXPECT_EQ(SimLinkageWord(5), 0u) << "no main window at load";
    Unload();

    struct Case {
        const char* class_name;
        const char* title;
        uintptr_t word;
    } cases[] = {
        {"FS2002MAIN", "Flight Simulator", 0x800},
        {"FS98MAIN", "Microsoft Flight Simulator 2002", 0x800},
        {"FS2000MAIN", "Microsoft Flight Simulator 2002", 0},
        {"FS2002MAIN", "converted 2000 scenery", 0},
        {"FS98MAIN", "Flight Simulator 98", 0},
        {"FS2002MAINFRAME", "Flight Simulator 2002", 0},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(SimCreateMainWindow(c.class_name, c.title, 40, 40, 640, 480));
        ASSERT_TRUE(Load());
        EXPECT_EQ(SimLinkageWord(5), c.word) << c.class_name << " / " << c.title;
        Unload();
        SimDestroyMainWindow();
    }

    // Only the window at load counts: one that appears later changes nothing.
    ASSERT_TRUE(Load());
    ASSERT_TRUE(SimCreateMainWindow("FS2002MAIN", "Flight Simulator 2002", 40, 40, 640, 480));
    SimStartModule();
    EXPECT_TRUE(WaitForDisplay());
    EXPECT_EQ(SimLinkageWord(5), 0u);
}

TEST_F(ModuleInHost, StartBringsUpTheDisplayAtTheDefaultPlaceWithHooksAndTick)
{
    HWND host = SimCreateMainWindow("FS2000MAIN", "Flight Simulator", 60, 40, 901, 640);
    ASSERT_TRUE(host);
    ASSERT_TRUE(Load());
    ASSERT_TRUE(SimStartModule());

    // The panel hook goes in at once; the rest waits for the first poll.
    EXPECT_TRUE(InModule(SlotValue(SimTablePanel, SimPanelLoadOffset), module_));
    EXPECT_EQ(SlotValue(SimTableTextOutput, SimTextOutputOffset), Word((void*)SimHostTextOutput(SimTableTextOutput)));
    EXPECT_TRUE(SimTickCalls().empty());

    ASSERT_TRUE(DisplayWithinPolls()) << "up at the first poll, not with the menu timer";

    HWND undocked = Undocked();
    EXPECT_EQ(GetWindow(undocked, GW_OWNER), host);
    RECT host_rect, rect;
    GetWindowRect(host, &host_rect);
    GetWindowRect(undocked, &rect);
    int cy_caption = GetSystemMetrics(SM_CYCAPTION), cy_frame = GetSystemMetrics(SM_CYFRAME);
    EXPECT_EQ(rect.left, host_rect.left + GetSystemMetrics(SM_CXFRAME));
    EXPECT_EQ(rect.top, host_rect.top + cy_caption + cy_frame + GetSystemMetrics(SM_CYMENU));
    EXPECT_EQ(rect.right - rect.left, 450);
    EXPECT_EQ(rect.bottom - rect.top, cy_caption + 2 * cy_frame + LineHeightOfSystemFont());
    EXPECT_EQ(CountDisplays(module_).undocked, 1);

    // Text output goes through the module (table 0x0016 preferred), the tick
    // is registered once with the argument 2.
    EXPECT_TRUE(InModule(SlotValue(SimTableTextOutput, SimTextOutputOffset), module_));
    EXPECT_EQ(SlotValue(SimTableTextAlt, SimTextAltOffset), Word((void*)SimHostTextOutput(SimTableTextAlt)));
    ASSERT_EQ(SimTickCalls().size(), 1u);
    EXPECT_TRUE(SimTickCalls()[0].registering);
    EXPECT_EQ(SimTickCalls()[0].id, 2u);
    EXPECT_TRUE(InModule(Word((void*)SimTickCalls()[0].callback), module_));
    EXPECT_EQ(SimRegisteredTicks().size(), 1u);

    // A message is captured: the host gets an empty text, the display shows
    // it, and the tick takes it away when its time has run out.
    SimClearCalls();
    SimCallTextOutput("CLEARED FOR TAKE-OFF RUNWAY 27", 4, 6, 0);
    ASSERT_EQ(SimTextCalls().size(), 1u);
    EXPECT_EQ(SimTextCalls()[0].text, "");
    SimPump(20);
    EXPECT_GT(RedPixels(undocked), 20);
    EXPECT_TRUE(SimPumpUntil([&] { return RedPixels(undocked) == 0; }, 20000)) << "the tick expires the text";
}

TEST_F(ModuleInHost, WithoutTablesTheWindowStillAppearsButNothingIsHooked)
{
    HWND host = SimCreateMainWindow("FS2002MAIN", "Flight Simulator 2002", 60, 40, 800, 600);
    ASSERT_TRUE(host);
    ASSERT_TRUE(Load({}));
    const uintptr_t* pairs = SimImportTable();
    ASSERT_TRUE(pairs);
    for (int i = 0; pairs[2 * i] != 0; ++i)
        EXPECT_EQ(pairs[2 * i + 1], 0u);
    EXPECT_EQ(SimLinkageWord(5), 0x800u);

    SimStartModule();
    ASSERT_TRUE(WaitForDisplay());
    SimPump(200);
    EXPECT_EQ(SlotValue(SimTablePanel, SimPanelLoadOffset), Word((void*)SimHostPanelLoad()));
    EXPECT_EQ(SlotValue(SimTableTextOutput, SimTextOutputOffset), Word((void*)SimHostTextOutput(SimTableTextOutput)));
    EXPECT_EQ(SlotValue(SimTableTextAlt, SimTextAltOffset), Word((void*)SimHostTextOutput(SimTableTextAlt)));
    EXPECT_TRUE(SimTickCalls().empty());
    EXPECT_TRUE(SimRegisteredTicks().empty());

    SimStopModule();
    EXPECT_EQ(CountDisplays(module_).undocked, 0);
    EXPECT_TRUE(SimTickCalls().empty()) << "nothing to unregister";
}

TEST_F(ModuleInHost, TextOutputFallsBackToTheSecondTableAndNullRoutinesAreNotCalled)
{
    ASSERT_TRUE(SimCreateMainWindow("FS2000MAIN", "Flight Simulator", 60, 40, 800, 600));
    // The tick table is offered but its routines are empty.
    SimSetSlot(SimTableTick, SimTickRegisterOffset, 0);
    SimSetSlot(SimTableTick, SimTickUnregisterOffset, 0);
    ASSERT_TRUE(Load(AllBut(SimTableTextOutput)));
    SimStartModule();
    ASSERT_TRUE(WaitForDisplay());

    EXPECT_EQ(SlotValue(SimTableTextOutput, SimTextOutputOffset), Word((void*)SimHostTextOutput(SimTableTextOutput)));
    EXPECT_TRUE(InModule(SlotValue(SimTableTextAlt, SimTextAltOffset), module_));
    SimClearCalls();
    SimCallTextOutput("Traffic, two o'clock", 4, 100, 0, SimTableTextAlt);
    ASSERT_EQ(SimTextCalls().size(), 1u);
    EXPECT_EQ(SimTextCalls()[0].table, SimTableTextAlt);
    EXPECT_EQ(SimTextCalls()[0].text, "");

    SimStopModule();
    EXPECT_EQ(CountDisplays(module_).undocked, 0);
}

TEST_F(ModuleInHost, EmptyMainWindowIsSkippedAndFoundOnALaterPoll)
{
    HWND host = TopWindow("FS2002MAIN", "Flight Simulator 2002", 50, 30, 0, 0);
    ASSERT_TRUE(host);
    RECT empty;
    GetWindowRect(host, &empty);
    ASSERT_EQ(empty.right, empty.left);
    ASSERT_TRUE(Load());
    EXPECT_EQ(SimLinkageWord(5), 0u) << "an empty window is no FS2002 main window";
    SimStartModule();
    EXPECT_FALSE(DisplayWithinPolls()) << "polls have passed it over";
    EXPECT_EQ(CountDisplays(module_).undocked, 0);
    EXPECT_EQ(SimTickCalls().size(), 0u);

    SetWindowPos(host, nullptr, 50, 30, 700, 500, SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(DisplayWithinPolls()) << "found by a poll once it has a size";
    HWND undocked = Undocked();
    EXPECT_EQ(GetWindow(undocked, GW_OWNER), host);
    RECT rect;
    GetWindowRect(undocked, &rect);
    EXPECT_EQ(rect.right - rect.left, 350);
}

TEST_F(ModuleInHost, MainWindowOfAnotherProcessIsIgnored)
{
    OtherProcessWindow other;
    ASSERT_TRUE(other.Start());
    HWND foreign = FindWindowA("FS2002MAIN", nullptr);
    ASSERT_TRUE(foreign);
    DWORD owner = 0;
    GetWindowThreadProcessId(foreign, &owner);
    ASSERT_EQ(owner, other.Id());

    ASSERT_TRUE(Load());
    EXPECT_EQ(SimLinkageWord(5), 0u);
    SimStartModule();
    EXPECT_FALSE(DisplayWithinPolls()) << "polls have passed it over";
    EXPECT_EQ(CountDisplays(module_).undocked, 0);

    // White-box: the search itself passes over it.
    ResetModule();
    FindHostWindow();
    EXPECT_EQ(state.host_window, nullptr);

    // A main window of this process is then taken.
    HWND host = SimCreateMainWindow("FS2000MAIN", "Flight Simulator", 60, 40, 800, 600);
    ASSERT_TRUE(WaitForDisplay());
    EXPECT_EQ(GetWindow(Undocked(), GW_OWNER), host);
    ResetModule();
}

TEST_F(ModuleInHost, StopUnregistersTheTickRemovesTheDisplayAndLetsMessagesThrough)
{
    ASSERT_TRUE(SimCreateMainWindow("FS2000MAIN", "Flight Simulator", 60, 40, 800, 600));
    ASSERT_TRUE(Load());
    SimStartModule();
    ASSERT_TRUE(WaitForDisplay());
    ASSERT_EQ(SimRegisteredTicks().size(), 1u);
    SimTickRoutine tick = SimRegisteredTicks()[0];

    SimClearCalls();
    SimStopModule();
    ASSERT_EQ(SimTickCalls().size(), 1u);
    EXPECT_FALSE(SimTickCalls()[0].registering);
    EXPECT_EQ(SimTickCalls()[0].id, 2u);
    EXPECT_EQ(SimTickCalls()[0].callback, tick);
    EXPECT_TRUE(SimRegisteredTicks().empty());
    DisplayCount count = CountDisplays(module_);
    EXPECT_EQ(count.undocked, 0);
    EXPECT_EQ(count.docked, 0);

    // The hooks stay in their chains and pass everything straight on: the
    // panel-load hook goes on reading what the simulator loads.
    EXPECT_NE(SlotValue(SimTableTextOutput, SimTextOutputOffset), Word((void*)SimHostTextOutput(SimTableTextOutput)));
    EXPECT_NE(SlotValue(SimTablePanel, SimPanelLoadOffset), Word((void*)SimHostPanelLoad()));
    SimCallTextOutput("ATIS information Kilo", 3, 250, 1);
    SimCallTextOutput("Line", 4, 30, 0);
    ASSERT_EQ(SimTextCalls().size(), 2u);
    EXPECT_EQ(SimTextCalls()[0].text, "ATIS information Kilo");
    EXPECT_EQ(SimTextCalls()[0].type, 3);
    EXPECT_EQ(SimTextCalls()[0].time, 250);
    EXPECT_EQ(SimTextCalls()[0].append, 1);
    EXPECT_EQ(SimTextCalls()[1].text, "Line");
    SimPump(200);
    EXPECT_EQ(CountDisplays(module_).undocked, 0);
}

TEST_F(ModuleInHost, StartAfterStopBringsBackExactlyOneDisplay)
{
    HWND host = SimCreateMainWindow("FS2002MAIN", "Flight Simulator 2002", 60, 40, 800, 600);
    ASSERT_TRUE(Load());
    SimStartModule();
    ASSERT_TRUE(WaitForDisplay());
    // The main window's subclass and the menu item are in place.
    ASSERT_TRUE(SimPumpUntil([this] { return MenuItemInPlace(); }, 20000));
    SimStopModule();
    SimStartModule();
    ASSERT_TRUE(WaitForDisplay());
    // The menu timer runs a second time, and leaves one item.
    EXPECT_TRUE(HeldByWitness(MenuDelayMs + PollMs, [this] { return MenuItemInPlace(); }));

    DisplayCount count = CountDisplays(module_);
    EXPECT_EQ(count.undocked, 1);
    EXPECT_LE(count.docked, 1);
    EXPECT_EQ(SimRegisteredTicks().size(), 1u);

    // Every pass reaches the host's routine exactly once: no hook calls itself.
    SimClearCalls();
    SimCallTextOutput("Captured again", 4, 100, 0);
    ASSERT_EQ(SimTextCalls().size(), 1u);
    EXPECT_EQ(SimTextCalls()[0].text, "");
    SimCallPanelLoad("C:\\FS2002\\Aircraft\\c172\\panel\\panel.cfg");
    EXPECT_EQ(SimPanelLoadCalls().size(), 1u);
    SendMessageA(host, WM_COMMAND, 1234, 0);
    int seen = 0;
    for (uint32_t id : SimMainCommands())
        seen += id == 1234;
    EXPECT_EQ(seen, 1);

    SimStopModule();
    SimClearCalls();
    SimCallTextOutput("Passed", 4, 100, 0);
    ASSERT_EQ(SimTextCalls().size(), 1u);
    EXPECT_EQ(SimTextCalls()[0].text, "Passed");
}

TEST_F(ModuleInHost, StopRightAfterStartLeavesNothingToComeAfterIt)
{
    ASSERT_TRUE(Load());  // before the main window: only the start-up poll can find it
    HWND host = SimCreateMainWindow("FS2002MAIN", "Flight Simulator 2002", 60, 40, 800, 600);
    ASSERT_TRUE(host);
    const LONG_PTR host_proc = GetWindowLongPtrA(host, GWLP_WNDPROC);
    const int menu_items = GetMenuItemCount(GetMenu(host));
    size_t (*gdi)() = FaithfulGdiCount();
    ASSERT_TRUE(gdi) << "no faithful count of GDI objects";
    size_t gdi_before = 0, user_before = 0;
    for (int round = 0; round <= 10; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        SimClearCalls();
        SimStartModule();
        SimStopModule();
        // Past the poll, and once past the menu's three seconds.
        HeldByWitness(round == 0 ? MenuDelayMs + PollMs : 5 * PollMs, [] { return true; });
        DisplayCount count = CountDisplays(module_);
        EXPECT_EQ(count.undocked + count.docked, 0) << "no window on screen";
        EXPECT_EQ(SlotValue(SimTableTextOutput, SimTextOutputOffset),
                  Word((void*)SimHostTextOutput(SimTableTextOutput)));
        EXPECT_TRUE(SimTickCalls().empty()) << "no tick registered";
        EXPECT_EQ(GetWindowLongPtrA(host, GWLP_WNDPROC), host_proc) << "main window not subclassed";
        EXPECT_EQ(GetMenuItemCount(GetMenu(host)), menu_items) << "no \"&Modules\" item";
        SimCallTextOutput("Not for the display", 4, 40, 0);
        SimCallPanelLoad("C:\\FS2002\\Aircraft\\c172\\aircraft.cfg");
        ASSERT_EQ(SimTextCalls().size(), 1u);
        EXPECT_EQ(SimTextCalls()[0].text, "Not for the display");
        EXPECT_EQ(SimPanelLoadCalls().size(), 1u);
        if (round == 0) {
            gdi_before = gdi();
            user_before = UserObjectCount();
        }
    }
    EXPECT_EQ(gdi(), gdi_before);
    EXPECT_EQ(UserObjectCount(), user_before);
    // The panel hook of the start stays in its chain: the library stays
    // mapped, and every call still reaches the host once.
    const HMODULE library = module_;
    Unload();
    EXPECT_TRUE(InModule(reinterpret_cast<uintptr_t>(library), library)) << "still mapped";
    EXPECT_EQ(SimStaleAtUnload(), 0);
    SimClearCalls();
    SimCallPanelLoad("C:\\FS2002\\Aircraft\\c172\\aircraft.cfg");
    EXPECT_EQ(SimPanelLoadCalls().size(), 1u);
}

TEST_F(ModuleInHost, PanelLoadedBeforeTheDisplayExistedDecidesItsForm)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "orvale_startup_" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string panel_folder = folder + "\\panel";
    std::string config = panel_folder + ".cfg";
    ASSERT_TRUE(WritePrivateProfileStringA("Orvale", "Window", "100,320,300,40", config.c_str()));

    HWND host = SimCreateMainWindow("FS2002MAIN", "Flight Simulator 2002", 60, 40, 800, 640);
    HWND panel = SimCreatePanel(0, 300, 800, 250, 0x20A9);
    ASSERT_TRUE(host && panel);
    ASSERT_TRUE(Load());
    SimStartModule();
    // The aircraft is loaded before the first poll has found the main window.
    SimCallPanelLoad(panel_folder.c_str());
    EXPECT_EQ(CountDisplays(module_).undocked, 0);

    // Docked from the start: attached and shown by the tick's retry.
    HWND docked = nullptr;
    ASSERT_TRUE(SimPumpUntil(
        [&] {
            DisplayCount count = CountDisplays(module_);
            docked = count.docked_window;
            return count.docked == 1 && IsWindowVisible(docked);
        },
        20000));
    EXPECT_FALSE(IsWindowVisible(Undocked()));
    RECT rect;
    GetWindowRect(docked, &rect);
    POINT place = {100, 320};
    ClientToScreen(host, &place);
    EXPECT_EQ(rect.left, place.x);
    EXPECT_EQ(rect.top, place.y);
    EXPECT_EQ(rect.right - rect.left, 300);
    EXPECT_EQ(rect.bottom - rect.top, 40);

    DeleteFileA(config.c_str());
    RemoveDirectoryA(folder.c_str());
}

// ---- Unloading while the host runs on ----

// Loads a copy of orvale.dll by hand, so that the host's own clean-up at
// unload does not run before the module's: what is restored here, the module
// restored.
class HandLoaded : public ::testing::Test {
protected:
    void SetUp() override
    {
        SimCreateTables();
        SimSetTickInterval(55);
    }
    void TearDown() override
    {
        if (module_)
            FreeLibrary(module_);
        SimDestroyMainWindow();
        SimPump(30);
    }
    bool Load()
    {
        if (copy_.empty())
            copy_ = SimFreshCopy("orvale.dll");
        module_ = LoadLibraryA(copy_.c_str());
        if (!module_)
            return false;
        linkage_ = reinterpret_cast<uintptr_t*>(GetProcAddress(module_, "Linkage"));
        void* import = reinterpret_cast<void*>(GetProcAddress(module_, "ImportTable"));
        return linkage_ && import && SimFillImportTable(import) == SimTableCount;
    }
    void Start() { reinterpret_cast<SimModuleRoutine>(linkage_[1])(); }
    void Stop() { reinterpret_cast<SimModuleRoutine>(linkage_[2])(); }
    void Free()
    {
        FreeLibrary(module_);
        freed_ = module_;
        module_ = nullptr;
    }
    bool WaitForDisplay()
    {
        return SimPumpUntil([this] { return CountDisplays(module_).undocked_window != nullptr; }, 20000);
    }
    void ExpectHostTablesAreTheHostsOwn()
    {
        EXPECT_EQ(SlotValue(SimTableTextOutput, SimTextOutputOffset),
                  Word((void*)SimHostTextOutput(SimTableTextOutput)));
        EXPECT_EQ(SlotValue(SimTableTextAlt, SimTextAltOffset), Word((void*)SimHostTextOutput(SimTableTextAlt)));
        EXPECT_EQ(SlotValue(SimTablePanel, SimPanelLoadOffset), Word((void*)SimHostPanelLoad()));
        EXPECT_TRUE(SimRegisteredTicks().empty());
    }
    // The host goes on as before: its slots, its tick and its windows' messages.
    void DriveTheHost(HWND host, HWND panel)
    {
        SimClearCalls();
        SimCallTextOutput("After unload", 4, 50, 0);
        ASSERT_EQ(SimTextCalls().size(), 1u);
        EXPECT_EQ(SimTextCalls()[0].text, "After unload");
        SimCallPanelLoad("C:\\FS2002\\Aircraft\\b737\\panel\\panel.cfg");
        EXPECT_EQ(SimPanelLoadCalls().size(), 1u);
        SendMessageA(host, WM_NCPAINT, 1, 0);
        SendMessageA(host, WM_COMMAND, 35224, 0);
        RedrawWindow(host, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
        if (panel) {
            SimHostHidePanel(panel);
            SimHostShowPanel(panel);
            SimSendPanelFlags(panel, 0x1837);
            SimSendPanelFlags(panel, 0x0013);
            SimMovePanel(panel, 10, 10, 600, 150);
        }
        SimRunTicks(25);
        EXPECT_EQ(PumpCountingStrayTimers(300), 0);
    }

    HMODULE module_ = nullptr;
    HMODULE freed_ = nullptr;
    uintptr_t* linkage_ = nullptr;
    std::string copy_;
};

TEST_F(HandLoaded, StoppedItStaysMappedPassingOnUntilAStartGivesItBack)
{
    HWND host = SimCreateMainWindow("FS2002MAIN", "Flight Simulator 2002", 60, 40, 800, 600);
    ASSERT_TRUE(host);
    HWND panel = SimCreatePanel(0, 0, 800, 250, 0x20A9);
    ASSERT_TRUE(panel);
    LONG_PTR host_proc = GetWindowLongPtrA(host, GWLP_WNDPROC);
    LONG_PTR panel_proc = GetWindowLongPtrA(panel, GWLP_WNDPROC);

    ASSERT_TRUE(Load());
    EXPECT_EQ(linkage_[5], 0x800u);
    Start();
    ASSERT_TRUE(WaitForDisplay());
    // Docked onto the panel under it (on FS2002 by subclassing the panel),
    // then the menu's subclass of the main window three seconds on.
    SendMessageA(CountDisplays(module_).undocked_window, WM_COMMAND, 40001, 0);
    EXPECT_NE(GetWindowLongPtrA(panel, GWLP_WNDPROC), panel_proc) << "panel subclassed";
    EXPECT_TRUE(SimPumpUntil([&] { return GetWindowLongPtrA(host, GWLP_WNDPROC) != host_proc; }, 20000))
        << "main window subclassed";
    Stop();
    EXPECT_EQ(GetWindowLongPtrA(panel, GWLP_WNDPROC), panel_proc) << "the panel's subclass goes where on top";
    EXPECT_NE(GetWindowLongPtrA(host, GWLP_WNDPROC), host_proc) << "the main window's stays";
    EXPECT_NE(SlotValue(SimTablePanel, SimPanelLoadOffset), Word((void*)SimHostPanelLoad()));

    // The simulator's unload leaves it mapped: a hook that another module put
    // over one of its own after the stop calls on into it.
    HMODULE library = module_;
    Free();
    ASSERT_EQ(GetModuleHandleA(copy_.c_str()), library) << "kept by the module's own reference";
    DriveTheHost(host, panel);

    // Loaded and started again, it gives that reference back: unloaded while
    // it runs, it goes completely and puts every slot and procedure back.
    ASSERT_TRUE(Load());
    EXPECT_EQ(module_, library);
    Start();
    ASSERT_TRUE(WaitForDisplay());
    EXPECT_TRUE(SimPumpUntil([&] { return IsWindowVisible(CountDisplays(module_).docked_window); }, 20000))
        << "docked again";
    Free();
    ASSERT_EQ(GetModuleHandleA(copy_.c_str()), nullptr) << "the library is really gone";
    ExpectHostTablesAreTheHostsOwn();
    EXPECT_EQ(GetWindowLongPtrA(host, GWLP_WNDPROC), host_proc);
    EXPECT_EQ(GetWindowLongPtrA(panel, GWLP_WNDPROC), panel_proc);
    WNDCLASSA wc;
    EXPECT_FALSE(GetClassInfoA(freed_, "OrvaleWindow", &wc)) << "the class leads into freed code";
    DriveTheHost(host, panel);
}

TEST_F(HandLoaded, UnloadWithoutStopTakesDownTheDisplayTickAndPendingTimer)
{
    HWND host = SimCreateMainWindow("FS2000MAIN", "Flight Simulator", 60, 40, 800, 600);
    LONG_PTR host_proc = GetWindowLongPtrA(host, GWLP_WNDPROC);
    ASSERT_TRUE(Load());
    Start();
    ASSERT_TRUE(WaitForDisplay());
    // Stopped and started again while the menu's timer was pending: only the
    // new run's timer may be left running.
    Stop();
    Start();
    ASSERT_TRUE(WaitForDisplay());  // the menu's one-shot timer is now pending
    HMODULE loaded = module_;
    ASSERT_EQ(SimRegisteredTicks().size(), 1u);

    Free();
    EXPECT_EQ(CountDisplays(loaded).undocked, 0);
    EXPECT_EQ(CountDisplays(loaded).docked, 0);
    ExpectHostTablesAreTheHostsOwn();
    ASSERT_FALSE(SimTickCalls().empty());
    EXPECT_FALSE(SimTickCalls().back().registering);
    EXPECT_EQ(GetWindowLongPtrA(host, GWLP_WNDPROC), host_proc);
    // Until the menu's timer would have fired.
    EXPECT_EQ(PumpCountingStrayTimers(MenuDelayMs + PollMs), 0) << "a timer leads into the unloaded library";
    DriveTheHost(host, nullptr);

    // Loaded again, the module comes up as new.
    ASSERT_TRUE(Load());
    Start();
    EXPECT_TRUE(WaitForDisplay());
    EXPECT_EQ(CountDisplays(module_).undocked, 1);
}

// ---- Beside another module ----

// A second module in the same simulator, in a few lines: it hooks the text
// output, the panel load and the main window's procedure over whatever is
// there, calls on to what it found, and takes its hooks out the tidy way,
// only where its own is still on top. A call that comes round to it again,
// or one it would pass into a library the host has unloaded, fails the test
// with a line and goes no further.
namespace other {

uintptr_t text_next, panel_next, proc_next;
int text_depth, panel_depth, proc_depth;
HWND window;

bool MayCallOn(uintptr_t next, int depth, int deepest, const char* what)
{
    if (depth > deepest)
        ADD_FAILURE() << "the " << what << " comes round to the other module again: the hooks loop";
    else if (SimAddressInGoneModule(next))
        ADD_FAILURE() << "the other module's " << what << " would call into the unloaded library";
    else
        return next != 0;
    return false;
}

int32_t WINAPI Text(const char* text, int32_t type, int32_t time, int32_t append)
{
    ++text_depth;
    const int32_t result = MayCallOn(text_next, text_depth, 1, "text output")
                               ? reinterpret_cast<SimTextOutputRoutine>(text_next)(text, type, time, append)
                               : 0;
    --text_depth;
    return result;
}

int32_t WINAPI Panel(uintptr_t w1, uintptr_t w2, uintptr_t w3, uintptr_t w4, const char* path, uintptr_t w6)
{
    ++panel_depth;
    const int32_t result = MayCallOn(panel_next, panel_depth, 1, "panel load")
                               ? reinterpret_cast<SimPanelLoadRoutine>(panel_next)(w1, w2, w3, w4, path, w6)
                               : 0;
    --panel_depth;
    return result;
}

LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    // Window messages nest of their own accord; a loop nests without end.
    ++proc_depth;
    const LRESULT result = MayCallOn(proc_next, proc_depth, 40, "main window's procedure")
                               ? CallWindowProcA(reinterpret_cast<WNDPROC>(proc_next), hwnd, message, wparam, lparam)
                               : DefWindowProcA(hwnd, message, wparam, lparam);
    --proc_depth;
    return result;
}

uintptr_t Swap(uintptr_t* slot, uintptr_t hook)
{
    const uintptr_t found = *slot;
    *slot = hook;
    return found;
}

void Hook(HWND main_window)
{
    text_next = Swap(SimSlot(SimTableTextOutput, SimTextOutputOffset), Word((void*)Text));
    panel_next = Swap(SimSlot(SimTablePanel, SimPanelLoadOffset), Word((void*)Panel));
    window = main_window;
    proc_next = static_cast<uintptr_t>(SetWindowLongPtrA(main_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Proc)));
}

void Unhook()
{
    uintptr_t* text = SimSlot(SimTableTextOutput, SimTextOutputOffset);
    if (*text == Word((void*)Text))
        *text = text_next;
    uintptr_t* panel = SimSlot(SimTablePanel, SimPanelLoadOffset);
    if (*panel == Word((void*)Panel))
        *panel = panel_next;
    if (window && IsWindow(window) && GetWindowLongPtrA(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(Proc))
        SetWindowLongPtrA(window, GWLP_WNDPROC, static_cast<LONG_PTR>(proc_next));
    window = nullptr;
}

}  // namespace other

class BesideAnotherModule : public ModuleInHost {
protected:
    void TearDown() override
    {
        if (module_)
            SimStopModule();
        other::Unhook();
        ModuleInHost::TearDown();
    }
    // A copy of orvale.dll under a name of its own: a library that keeps
    // itself loaded stays in this process for good, and must not stand in for
    // a fresh orvale.dll in the tests after this one.
    bool LoadCopy(const char* name)
    {
        copy_ = name;
        const std::string folder = SimExeFolder() + "\\";
        if (!GetModuleHandleA(name))  // a kept one is loaded again as it is
            CopyFileA((folder + "orvale.dll").c_str(), (folder + name).c_str(), FALSE);
        module_ = SimLoadModule((folder + name).c_str(), AllTables);
        return module_ != nullptr;
    }
    HMODULE Mapped() const { return GetModuleHandleA(copy_.c_str()); }
    // The menu's timer has subclassed the main window: its procedure is the
    // module's.
    bool WaitForSubclass(HWND host)
    {
        return SimPumpUntil(
            [&] { return InModule(static_cast<uintptr_t>(GetWindowLongPtrA(host, GWLP_WNDPROC)), module_); }, 20000);
    }
    // One text message, one panel load and a command and a frame paint of the
    // main window: each must reach the host exactly once, the text as
    // `host_gets`, and nothing may call into freed code on the way.
    void ExpectEachReachesTheHostOnce(const char* text, const char* host_gets)
    {
        SCOPED_TRACE(text);
        SimClearCalls();
        SimCallTextOutput(text, 4, 40, 0);
        ASSERT_EQ(SimTextCalls().size(), 1u);
        EXPECT_EQ(SimTextCalls()[0].text, host_gets);
        SimCallPanelLoad("C:\\FS2002\\Aircraft\\b737\\aircraft.cfg");
        EXPECT_EQ(SimPanelLoadCalls().size(), 1u);
        SendMessageA(SimMainWindow(), WM_COMMAND, 1234, 0);
        SendMessageA(SimMainWindow(), WM_NCPAINT, 1, 0);
        EXPECT_EQ(SimMainCommands(), std::vector<uint32_t>{1234});
        if (other::window) {  // what the other module calls on to, while it is there
            EXPECT_FALSE(SimAddressInGoneModule(other::text_next));
            EXPECT_FALSE(SimAddressInGoneModule(other::panel_next));
            EXPECT_FALSE(SimAddressInGoneModule(other::proc_next));
        }
    }
    void CountHoldings()
    {
        SimPump(20);
        gdi_ = gdi_count_();
        user_ = UserObjectCount();
    }
    void SetUp() override
    {
        ModuleInHost::SetUp();
        gdi_count_ = FaithfulGdiCount();
        ASSERT_TRUE(gdi_count_) << "no faithful count of GDI objects";
    }
    void ExpectHoldingsAsCounted()
    {
        SimPump(20);
        EXPECT_EQ(gdi_count_(), gdi_) << "GDI objects";
        EXPECT_EQ(UserObjectCount(), user_) << "USER objects";
    }

    std::string copy_;
    size_t (*gdi_count_)() = nullptr;
    size_t gdi_ = 0, user_ = 0;
};

TEST_F(BesideAnotherModule, RestartUnderTheOtherModulesHooksCallsEachRoutineOnce)
{
    HWND host = SimCreateMainWindow("FS2002MAIN", "Microsoft Flight Simulator 2002", 60, 40, 800, 600);
    ASSERT_TRUE(LoadCopy("orvale-beside-restart.dll"));
    SimStartModule();
    ASSERT_TRUE(WaitForDisplay());
    ASSERT_TRUE(WaitForSubclass(host));
    other::Hook(host);
    for (int round = 0; round <= 10; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        SimStopModule();
        EXPECT_EQ(CountDisplays(module_).undocked, 0);
        ExpectEachReachesTheHostOnce("While stopped", "While stopped");

        SimStartModule();
        ASSERT_TRUE(WaitForDisplay());
        EXPECT_EQ(SlotValue(SimTableTextOutput, SimTextOutputOffset), Word((void*)other::Text));
        EXPECT_EQ(SlotValue(SimTablePanel, SimPanelLoadOffset), Word((void*)other::Panel));
        EXPECT_EQ(GetWindowLongPtrA(host, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(other::Proc));
        ExpectEachReachesTheHostOnce("Captured again", "");
        EXPECT_TRUE(SimPumpUntil([&] { return RedPixels(Undocked()) > 20; }, 20000)) << "shown, not lost";
        EXPECT_EQ(SimRegisteredTicks().size(), 1u);
        if (round == 0)
            CountHoldings();
    }
    ExpectHoldingsAsCounted();

    // The menu's timer of the last start runs too: it finds its subclass
    // under the other module's and leaves the chain as it is.
    HeldByWitness(MenuDelayMs + PollMs, [] { return true; });
    EXPECT_EQ(GetWindowLongPtrA(host, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(other::Proc));
    ExpectEachReachesTheHostOnce("Menu timer run", "");
}

TEST_F(BesideAnotherModule, UnloadedUnderTheOtherModulesHooksStaysMappedAndPassesStraightOn)
{
    HWND host = SimCreateMainWindow("FS2002MAIN", "Microsoft Flight Simulator 2002", 60, 40, 800, 600);
    for (int round = 0; round <= 10; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        ASSERT_TRUE(LoadCopy("orvale-beside-unload.dll"));
        SimStartModule();
        ASSERT_TRUE(WaitForDisplay());
        if (round == 0)  // the main window's subclass, which later loads find in the chain
            ASSERT_TRUE(WaitForSubclass(host));
        other::Hook(host);
        ExpectEachReachesTheHostOnce("Captured", "");

        SimStopModule();
        HMODULE library = module_;
        Unload();
        EXPECT_EQ(Mapped(), library) << "the other module's hooks lead into it";
        EXPECT_EQ(SimStaleAtUnload(), 0);
        DisplayCount count = CountDisplays(library);
        EXPECT_EQ(count.undocked + count.docked, 0);
        ExpectEachReachesTheHostOnce("After the unload", "After the unload");
        EXPECT_EQ(SimRunTicks(25), 0);
        // The stopped subclass installs nothing into a new menu bar.
        HMENU bar = SimCreateHostMenuBar();
        DestroyMenu(SimSetMenuBar(bar));
        SendMessageA(host, WM_NCPAINT, 1, 0);
        EXPECT_EQ(GetMenuItemCount(bar), 3) << "no \"&Modules\" popup";

        // The other module goes too; the host then calls the stopped hooks.
        other::Unhook();
        EXPECT_NE(GetWindowLongPtrA(host, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(other::Proc));
        ExpectEachReachesTheHostOnce("Both gone", "Both gone");
        if (round == 0)
            CountHoldings();
    }
    ExpectHoldingsAsCounted();
}

TEST_F(BesideAnotherModule, HooksPutOverTheStoppedModuleAreNeverStranded)
{
    HWND host = SimCreateMainWindow("FS2000MAIN", "Flight Simulator 2000", 60, 40, 800, 600);
    const LONG_PTR host_proc = GetWindowLongPtrA(host, GWLP_WNDPROC);

    // The other module hooks over the stopped module's hooks, which lay on
    // top of their chains; then the simulator unloads the module.
    ASSERT_TRUE(LoadCopy("orvale-beside-after.dll"));
    SimStartModule();
    ASSERT_TRUE(WaitForDisplay());
    ASSERT_TRUE(WaitForSubclass(host));
    SimStopModule();
    other::Hook(host);
    HMODULE library = module_;
    Unload();
    EXPECT_EQ(Mapped(), library) << "the other module's hooks lead into it";
    EXPECT_EQ(SimStaleAtUnload(), 0);
    ExpectEachReachesTheHostOnce("After the unload", "After the unload");
    other::Unhook();
    ExpectEachReachesTheHostOnce("The other gone", "The other gone");

    // Loaded and started again, the module gives its reference back; an
    // unload while it runs is complete.
    ASSERT_TRUE(LoadCopy("orvale-beside-after.dll"));
    EXPECT_EQ(module_, library);
    SimStartModule();
    ASSERT_TRUE(WaitForDisplay());
    ExpectEachReachesTheHostOnce("Captured again", "");
    Unload();
    EXPECT_EQ(Mapped(), nullptr) << "nothing leads into the library any more";
    EXPECT_EQ(SimStaleAtUnload(), 0);
    EXPECT_EQ(SlotValue(SimTableTextOutput, SimTextOutputOffset), Word((void*)SimHostTextOutput(SimTableTextOutput)));
    EXPECT_EQ(SlotValue(SimTablePanel, SimPanelLoadOffset), Word((void*)SimHostPanelLoad()));
    EXPECT_EQ(GetWindowLongPtrA(host, GWLP_WNDPROC), host_proc);
    ExpectEachReachesTheHostOnce("After the last unload", "After the last unload");
}

// ---- Recognition rules, white-box ----

class HostRecognition : public ::testing::Test {
protected:
    void SetUp() override { ResetModule(); }
    void TearDown() override
    {
        if (window_)
            DestroyWindow(window_);
        ResetModule();
    }
    // Puts up one candidate window and runs the search.
    void Find(const char* class_name, const std::string& title, int w = 640, int h = 480)
    {
        if (window_)
            DestroyWindow(window_);
        state = DisplayState{};
        window_ = MakeTopWindow(class_name, title.c_str(), 30, 30, w, h);
        ASSERT_TRUE(window_);
        FindHostWindow();
    }
    HWND window_ = nullptr;
};

TEST_F(HostRecognition, ClassAndTitleDecideTheEdition)
{
    struct Case {
        const char* class_name;
        const char* title;
        int32_t version;
    } cases[] = {
        {"FS98MAIN", "Flight Simulator 98", 0},
        {"FSMAIN", "", 0},
        {"FS2000MAIN", "", 1},
        {"FS2000MAIN", "Flight Simulator 2002", 1},
        {"FSMAIN", "Microsoft Flight Simulator 2000", 1},
        {"FSMAIN", "Microsoft Flight Simulator 2002", 2},
        {"FS2002MAIN", "", 2},
        {"FS2002MAIN", "Flight Simulator", 2},
        {"FS2002MAIN", "Flight Simulator 2000", 1},
    };
    for (const Case& c : cases) {
        Find(c.class_name, c.title);
        EXPECT_EQ(state.host_window, window_) << c.class_name << " / " << c.title;
        EXPECT_EQ(state.host_version, c.version) << c.class_name << " / " << c.title;
        EXPECT_EQ(state.attach_by_subclass, c.version == 2 ? 1 : 0) << c.class_name << " / " << c.title;
    }
}

TEST_F(HostRecognition, OtherClassesAndEmptyWindowsAreNotMainWindows)
{
    // Window classes ignore case: "fs2002main" would simply be the FS2002MAIN
    // class, so the wrongly cased names here are of other numbers.
    const char* classes[] = {"fs2004main", "Fs2006MAIN", "XFS2002MAIN", "FS2002MAINX", "FSM", "MAIN"};
    for (const char* name : classes) {
        Find(name, "Flight Simulator 2002");
        EXPECT_EQ(state.host_window, nullptr) << name;
        EXPECT_EQ(state.host_version, 0) << name;
    }
    Find("FS2002MAIN", "Flight Simulator 2002", 0, 300);
    EXPECT_EQ(state.host_window, nullptr) << "zero width";
    Find("FS2002MAIN", "Flight Simulator 2002", 300, 0);
    EXPECT_EQ(state.host_window, nullptr) << "zero height";
    EXPECT_EQ(state.attach_by_subclass, 0);
}

TEST_F(HostRecognition, OnlyThe254FirstCharactersOfTheTitleAreRead)
{
    Find("FS98MAIN", std::string(250, 'x') + "2002");
    EXPECT_EQ(state.host_version, 2) << "ends at character 254";
    Find("FS98MAIN", std::string(251, 'x') + "2002");
    EXPECT_EQ(state.host_window, window_);
    EXPECT_EQ(state.host_version, 0) << "ends at character 255, beyond what is read";
    Find("FS98MAIN", std::string(600, 'x') + "2000");
    EXPECT_EQ(state.host_version, 0);
}

}  // namespace

// The explorer: random sequences played by the pilot, the simulator and two
// neighbouring modules against the real orvale.dll in the simulated host,
// with the module's promises checked after every step from what a pilot or
// another module can observe: windows, screen pixels, the host's record of
// calls, the aircraft's files.
//
// Everything follows from one seed. Time moves only through the explorer: it
// calls the tick itself and pumps the message queue until it is empty; the
// module's own start-up timers are waited for by witness, never by the clock.
// A failing run prints its seed and the shortest failing sequence it finds,
// as lines for a scenario test.
//
//   ORVALE_EXPLORE_SEED=S     the first seed (then S+1, ...)
//   ORVALE_EXPLORE_STEPS=N    steps per edition, in runs of at most 1,000
//   ORVALE_EXPLORE_RUNS=R     runs per edition when no step count is given
//
// The program runs in a Wine virtual desktop of its own, so that the
// simulator can change the display mode as it does going full screen.
#include <gtest/gtest.h>
#include <windows.h>
#include <commdlg.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>
#include "host/sim_host.h"
#include "support/dialog_driver.h"
#include "support/display_lookup.h"
#include "support/drawn_text.h"
#include "support/pilot_input.h"
#include "support/process_counters.h"

namespace {

// ---- A desktop of the explorer's own, whose display mode it may change ----

const char DesktopName[] = "OrvaleExplore";
constexpr int DesktopWidth = 1280, DesktopHeight = 1024;

struct OwnDesktop {
    bool virtual_desktop = false;
    OwnDesktop()
    {
        HKEY key;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\Explorer\\Desktops", 0, nullptr, 0, KEY_SET_VALUE,
                            nullptr, &key, nullptr) != ERROR_SUCCESS)
            return;
        const char size[] = "1280x1024";
        RegSetValueExA(key, DesktopName, 0, REG_SZ, reinterpret_cast<const BYTE*>(size), sizeof size);
        RegCloseKey(key);
        HDESK desk = CreateDesktopA(DesktopName, nullptr, nullptr, 0, GENERIC_ALL, nullptr);
        virtual_desktop = desk && SetThreadDesktop(desk);
    }
} own_desktop;

// ---- Seeded choices ----

struct Random {
    uint64_t state;
    // The seed is mixed first: splitmix64 walks its state by a fixed step, so
    // states made from S and S + 1 that way would be one draw apart, and
    // consecutive seeds would play the same sequence shifted by one draw.
    explicit Random(uint64_t seed) : state(Mix(seed + 0x632BE59BD9B4E019ull)) {}
    static uint64_t Mix(uint64_t z)
    {
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    uint32_t Next()
    {
        // splitmix64: the same numbers on every compiler and word size.
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return static_cast<uint32_t>((z ^ (z >> 31)) >> 11);
    }
    int Below(int n) { return n > 0 ? static_cast<int>(Next() % static_cast<uint32_t>(n)) : 0; }
    int Between(int low, int high) { return low + Below(high - low + 1); }
    bool Chance(int percent) { return Below(100) < percent; }
    // A value as property-based tools draw one: often the value from before,
    // one either side of it, or one of the limits of what it means (zero, the
    // extremes, a boundary the module knows); otherwise uniform. Uniform draws
    // alone almost never repeat a coordinate, so a move along one axis, or a
    // size one pixel under a minimum, would never be tried.
    int Edge(int before, int low, int high, std::initializer_list<int> limits = {})
    {
        const int pick = Below(100);
        if (pick < 20)
            return before;
        if (pick < 35)
            return Chance(50) ? Held(int64_t{before} + 1) : Held(int64_t{before} - 1);
        if (pick < 55 && limits.size() > 0)
            return *(limits.begin() + Below(static_cast<int>(limits.size())));
        return Between(low, high);
    }
    static int Held(int64_t value)
    {
        return static_cast<int>(value > INT32_MAX ? INT32_MAX : value < INT32_MIN ? INT32_MIN : value);
    }
};

enum Edition { FS98, FS2000, FS2002 };
const char* const EditionNames[] = {"FS98", "FS2000", "FS2002"};
const char* const MainClasses[] = {"FS98MAIN", "FS2000MAIN", "FS2002MAIN"};
const uint16_t PanelKinds[] = {0x0151, 0x20B8, 0x20A9};
constexpr uint16_t ForeignKind = 0x1234;

// The middle of the display's text area, where the pilot sees it on a
// monitor and no other window covers it: the place to click.
bool ClickableAt(HWND shown, POINT* at)
{
    if (!shown)
        return false;
    *at = ClientCentre(shown);
    return WindowFromPoint(*at) == shown && MonitorFromPoint(*at, MONITOR_DEFAULTTONULL);
}

// ---- Neighbouring modules ----
//
// Each hooks the text output, the panel load, the main window and one panel
// window over whatever is there, calls on to what it found, counts its calls
// and takes a hook out only where it is still on top.

enum HookPoint { HookText, HookPanelLoad, HookMain, HookPanelWindow, HookPoints };
const char* const HookNames[] = {"text output", "panel load", "main window", "panel window"};

struct Neighbour {
    uintptr_t next[HookPoints] = {};
    bool in[HookPoints] = {};
    int calls[HookPoints] = {};
    HWND panel = nullptr;   // the panel window it subclassed
    HWND window = nullptr;  // a window of its own, over the simulator's
};
Neighbour neighbours[2];
std::vector<std::string> neighbour_faults;  // calls that would run freed code

bool MayCallOn(int n, HookPoint point)
{
    ++neighbours[n].calls[point];
    const uintptr_t next = neighbours[n].next[point];
    if (SimAddressInGoneModule(next)) {
        neighbour_faults.push_back("neighbour " + std::to_string(n) + "'s " + HookNames[point] +
                                   " hook would call into the unloaded module");
        return false;
    }
    return next != 0;
}

template <int N>
int32_t WINAPI NeighbourText(const char* text, int32_t type, int32_t time, int32_t append)
{
    return MayCallOn(N, HookText)
               ? reinterpret_cast<SimTextOutputRoutine>(neighbours[N].next[HookText])(text, type, time, append)
               : 0;
}

template <int N>
int32_t WINAPI NeighbourPanelLoad(uintptr_t w1, uintptr_t w2, uintptr_t w3, uintptr_t w4, const char* path,
                                  uintptr_t w6)
{
    return MayCallOn(N, HookPanelLoad) ? reinterpret_cast<SimPanelLoadRoutine>(neighbours[N].next[HookPanelLoad])(
                                             w1, w2, w3, w4, path, w6)
                                       : 0;
}

template <int N, HookPoint Point>
LRESULT CALLBACK NeighbourProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    return MayCallOn(N, Point) ? CallWindowProcA(reinterpret_cast<WNDPROC>(neighbours[N].next[Point]), hwnd, message,
                                                 wparam, lparam)
                               : DefWindowProcA(hwnd, message, wparam, lparam);
}

uintptr_t NeighbourRoutine(int n, HookPoint point)
{
    static const uintptr_t routines[2][HookPoints] = {
        {reinterpret_cast<uintptr_t>(&NeighbourText<0>), reinterpret_cast<uintptr_t>(&NeighbourPanelLoad<0>),
         reinterpret_cast<uintptr_t>(&NeighbourProc<0, HookMain>),
         reinterpret_cast<uintptr_t>(&NeighbourProc<0, HookPanelWindow>)},
        {reinterpret_cast<uintptr_t>(&NeighbourText<1>), reinterpret_cast<uintptr_t>(&NeighbourPanelLoad<1>),
         reinterpret_cast<uintptr_t>(&NeighbourProc<1, HookMain>),
         reinterpret_cast<uintptr_t>(&NeighbourProc<1, HookPanelWindow>)},
    };
    return routines[n][point];
}

uintptr_t* TableSlot(HookPoint point)
{
    return point == HookText ? SimSlot(SimTableTextOutput, SimTextOutputOffset)
                             : SimSlot(SimTablePanel, SimPanelLoadOffset);
}

HWND HookedWindow(int n, HookPoint point)
{
    return point == HookMain ? SimMainWindow() : neighbours[n].panel;
}

void HookOver(int n, HookPoint point, HWND panel)
{
    Neighbour& hood = neighbours[n];
    if (hood.in[point])
        return;
    const uintptr_t mine = NeighbourRoutine(n, point);
    if (point == HookText || point == HookPanelLoad) {
        uintptr_t* slot = TableSlot(point);
        hood.next[point] = *slot;
        *slot = mine;
    } else {
        HWND window = point == HookMain ? SimMainWindow() : panel;
        if (!window)
            return;
        hood.panel = point == HookPanelWindow ? window : hood.panel;
        hood.next[point] =
            static_cast<uintptr_t>(SetWindowLongPtrA(window, GWLP_WNDPROC, static_cast<LONG_PTR>(mine)));
    }
    hood.in[point] = true;
}

// Takes the hook out where it is on top; anywhere else it stays in the chain.
void TakeOut(int n, HookPoint point)
{
    Neighbour& hood = neighbours[n];
    if (!hood.in[point])
        return;
    const uintptr_t mine = NeighbourRoutine(n, point);
    if (point == HookText || point == HookPanelLoad) {
        uintptr_t* slot = TableSlot(point);
        if (*slot != mine)
            return;
        *slot = hood.next[point];
    } else {
        HWND window = HookedWindow(n, point);
        if (!IsWindow(window) || static_cast<uintptr_t>(GetWindowLongPtrA(window, GWLP_WNDPROC)) != mine)
            return;
        SetWindowLongPtrA(window, GWLP_WNDPROC, static_cast<LONG_PTR>(hood.next[point]));
    }
    hood.in[point] = false;
}

// ---- Aircraft and their files ----

struct Aircraft {
    std::string name;
    std::string panel;   // the panel folder path the simulator passes
    std::string file;    // panel + ".cfg"
    bool has_file = false;  // a file the profile functions can name (at most 259 characters)
    // What the [Orvale] section means, and so what a save must keep of it.
    bool window = false;
    std::string place;   // "x,y,width,height" as a save writes it back
    bool colours = false;
    int32_t text = 0, back = 0;
    int hide = 0, autohide = 0, atis = 1;
    std::string font;   // the "Font" entry, "<none>" when absent
    std::string content;  // the whole file as last seen
};

std::string ReadEntry(const std::string& file, const char* key)
{
    char value[300] = {};
    GetPrivateProfileStringA("Orvale", key, "<none>", value, sizeof value, file.c_str());
    return value;
}

// The file without its [Orvale] section: the rest is the simulator's.
std::string OtherSections(const std::string& content)
{
    std::string rest;
    bool ours = false;
    size_t at = 0;
    while (at < content.size()) {
        size_t end = content.find('\n', at);
        end = end == std::string::npos ? content.size() : end + 1;
        std::string line = content.substr(at, end - at);
        if (!line.empty() && line[0] == '[')
            ours = _strnicmp(line.c_str(), "[Orvale]", 8) == 0;
        if (!ours && line.find_first_not_of(" \r\n") != std::string::npos)
            rest += line;
        at = end;
    }
    return rest;
}

std::string EncodedColour(COLORREF colour)
{
    // As the pilot guide writes it: minus the colour value, black -16777216.
    return std::to_string(colour == 0 ? -0x01000000 : -static_cast<int32_t>(colour));
}

// ---- The world of one run ----

struct Step {
    enum Kind {
        // the pilot
        Command, Colour, Font, Drag, Size, AltF4, OrvaleItem, WayBack, Menu, Click,
        // the simulator
        Text, Ticks, PanelLoad, PanelCreate, PanelShow, PanelFlags, PanelMove, PanelRaise, PanelDestroy, MainWindow,
        Stop, Start, RestartInFlight, Unload, Load, MenuBar, DisplayMode, Metrics,
        // the neighbours
        Hook, Unhook, NeighbourWindow, ShowMessage,
    } kind;
    int a = 0, b = 0, c = 0, d = 0, e = 0, f = 0;
    std::string line;  // what it did, as a line of a scenario test
};

struct Panel {
    HWND window;
    int x, y, w, h;
    uint16_t kind;
    std::string name;
};

struct Violation {
    int promise = 0;
    std::string what;
};

std::string Quoted(const char* text)
{
    if (!text)
        return "nullptr";
    if (strlen(text) > 60)
        return "std::string(" + std::to_string(strlen(text)) + ", '" + text[0] + "').c_str()";
    return std::string("\"") + text + "\"";
}

class World {
public:
    World(Edition edition, uint64_t seed, int serial) : edition_(edition), setup_(seed ^ 0x5EEDull)
    {
        copy_ = SimExeFolder() + "\\orvale-explore-" + EditionNames[edition] + "-" + std::to_string(seed) + "-" +
                std::to_string(serial) + ".dll";
        CopyFileA((SimExeFolder() + "\\orvale.dll").c_str(), copy_.c_str(), FALSE);
    }
    ~World() { TearDown(); }

    bool SetUp(std::string* why);
    void Perform(Step& step);
    void Check(const Step& step, std::vector<Violation>* found);
    Step Draw(Random& random);
    const std::string& Setup() const { return setup_lines_; }
    void TearDown();

private:
    // ---- what the pilot sees ----
    HWND Docked() const;
    HWND Floating() const;
    HWND Shown() const;
    bool ModuleRunning() const { return loaded_ && running_; }
    bool ItemInMenu() const;
    bool SeenByThePilot(HWND window, std::string* why);
    void Settle();
    void WaitByWitness(UINT ms);
    bool ModuleHookInChain(HookPoint point) const;

    // ---- the model: what the module promised, driven by the steps alone ----
    void LoadAircraft(int index);
    void ModuleStarted();
    void ModuleStopped();
    void PickUpFile(Aircraft& aircraft);

    void Line(Step& step, const std::string& text) { step.line = text; }
    void StopModule();
    void MakeAircraft(Random& random);
    void StartModule();
    // This run's copy of the module, while it is mapped.
    HMODULE MappedCopy() const { return GetModuleHandleA(copy_.substr(copy_.find_last_of('\\') + 1).c_str()); }
    void Text(const char* text, int32_t type, int32_t time, int32_t append, bool through_show);
    void KeepTaken(bool maybe_passed);
    bool ShowsRecalled(const std::string& drawn) const;
    void CheckRecall(const Step& step, std::vector<Violation>* found);

    Edition edition_;
    uint64_t setup_;
    std::string copy_;
    std::string root_;
    std::string setup_lines_;
    HWND host_ = nullptr;
    std::vector<Panel> panels_;
    int panels_made_ = 0;
    std::vector<Aircraft> aircraft_;
    HMENU kept_bar_ = nullptr;   // the bar the simulator took away, to put back
    bool mode_changed_ = false;

    bool loaded_ = false, running_ = false;
    // The model.
    int loaded_aircraft_ = -1;   // what the simulator loaded last
    int known_ = -1;             // what the module learnt of
    bool on_ = false;
    bool hidden_always_ = false;
    int hide_ = 0, autohide_ = 0, atis_ = 1;
    bool text_known_ = true, back_known_ = true;
    std::string text_ = "1", back_ = "1";
    bool place_known_ = false;
    std::string place_;
    std::string chosen_face_;  // a font the pilot chose since the aircraft was loaded
    bool unmoved_since_undock_ = false;
    bool save_expected_ = false;
    // The values drawn last, for the next draw to start from.
    int last_colour_ = 0, last_time_ = 0, last_length_ = 0, last_ticks_ = 1, last_show_time_ = 0;
    Step last_text_{Step::Ticks};
    // One line of text as the module measures it, from the system font.
    int line_height_ = 0;
    // What the display looked like when the module was stopped, to come back
    // as it was; kept only while nothing the module would follow changed.
    struct View {
        bool valid = false;
        bool docked = false;
        RECT place = {};   // docked: host client coordinates; floating: the screen
        COLORREF text = 0, back = 0;
        std::string face;
    } stop_view_;
    View Look() const;
    // Whether the module has had a 20th tick since the simulator last moved
    // something it follows (a panel, its own window, the screen).
    bool settled_ = true;
    int ticks_since_change_ = 0;
    bool aircraft_read_while_stopped_ = false;
    bool docked_at_stop_ = false;
    // The panel a docked display is seen to go with, and where it stands on it.
    struct Follow {
        HWND panel = nullptr;
        POINT offset = {};
        bool moved = false;   // the panel moved since; the display follows by the next 20th tick
        int ticks = 0;        // ticks the running module has had since the move
    } follow_;
    bool attached_ = false;   // the docked display was seen on a panel after the last step
    void WatchPanelFollowing(const Step& step, std::vector<Violation>* found);
    // The text area as the pilot last saw it before a change of form.
    SIZE area_before_ = {};
    bool area_checked_ = false;
    // What the step observed.
    // The last messages the module took, newest first, as the pilot can
    // recall them: built from the messages sent, not from the module.
    struct Remembered {
        std::string text;   // as first shown: a scrolling one with its lead
        int32_t ticks = 0, mask = 0, type = 0;
        bool ticks_known = true;
    };
    std::vector<Remembered> history_;
    bool history_known_ = true;      // false: kept as the buffer held it, past what the mirror shows
    bool newest_in_buffer_ = false;  // the buffer holds the newest, or what is left of it
    int recall_ = -1;                // the age the display shows, -1 its buffer
    int recall_elapsed_ = 0;         // ticks the running module had since the click
    bool recall_unsure_ = false;     // its end may have come: the display tells
    struct Message {
        bool sent = false;
        std::string live_before;     // what the buffer held when it was sent, as far as the mirror shows
        std::string text;
        bool null = false, through_show = false;
        int32_t type = 0, time = 0, append = 0;
        size_t host_calls_before = 0;
    } message_;
};

// ---- Finding the module's windows ----

HWND World::Docked() const { return FindDisplayWindows().docked; }
HWND World::Floating() const { return FindDisplayWindows().floating; }

// The display window the pilot has in front of him, if any.
HWND World::Shown() const
{
    DisplayWindows found = FindDisplayWindows();
    if (found.docked && IsWindowVisible(found.docked))
        return found.docked;
    if (found.floating && IsWindowVisible(found.floating))
        return found.floating;
    return nullptr;
}

bool World::ItemInMenu() const
{
    HMENU bar = host_ ? GetMenu(host_) : nullptr;
    return bar && GetMenuState(bar, 35224, MF_BYCOMMAND) != static_cast<UINT>(-1);
}

// Every message of the thread is handled, as the simulator's loop would
// between two frames; then the window surfaces are put on the screen.
void World::Settle()
{
    for (int round = 0; round < 4; ++round) {
        MSG msg;
        int handled = 0;
        while (handled < 500 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            ++handled;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    }
}

// Timers fire in the order they fall due, however late the loop runs: once a
// witness of `ms` has fired, every timer of the module due before it has run.
void World::WaitByWitness(UINT ms)
{
    static bool fired;
    fired = false;
    UINT_PTR witness = SetTimer(nullptr, 0, ms, [](HWND, UINT, UINT_PTR, DWORD) CALLBACK { fired = true; });
    SimPumpUntil([] { return fired; }, 120000);
    KillTimer(nullptr, witness);
}

// The screen as monitors show it, and whether the text area of `window`
// shows on it: its own colours on screen, within its parents and on a monitor.
struct MonitorList {
    std::vector<RECT> rects;
};

BOOL CALLBACK AddMonitor(HMONITOR, HDC, LPRECT rect, LPARAM data)
{
    reinterpret_cast<MonitorList*>(data)->rects.push_back(*rect);
    return TRUE;
}

bool World::SeenByThePilot(HWND window, std::string* why)
{
    RECT area = {};
    GetClientRect(window, &area);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&area), 2);
    for (HWND frame = window; GetWindowLongPtrA(frame, GWL_STYLE) & WS_CHILD;) {
        frame = GetParent(frame);
        RECT inner = {};
        GetClientRect(frame, &inner);
        MapWindowPoints(frame, nullptr, reinterpret_cast<POINT*>(&inner), 2);
        IntersectRect(&area, &area, &inner);
    }
    // Its colours: those of its own context, and what it painted in the
    // corner of its client area (the erase uses the module's brush).
    HDC dc = GetDC(window);
    const COLORREF back = GetBkColor(dc), text = GetTextColor(dc);
    RECT client = {};
    GetClientRect(window, &client);
    const COLORREF corner = GetPixel(dc, client.right - 1, client.bottom - 1);
    ReleaseDC(window, dc);
    MonitorList monitors;
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    for (int attempt = 0; attempt < 12; ++attempt) {
        int matching = 0;
        for (const RECT& monitor : monitors.rects) {
            RECT part;
            if (!IntersectRect(&part, &area, &monitor))
                continue;
            SimImage image;
            if (!SimCaptureScreen(part, &image))
                continue;
            for (COLORREF pixel : image.pixels)
                matching += pixel == back || pixel == text || pixel == corner;
        }
        if (matching > 0)
            return true;
        Settle();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    // Wine's X stacking can lag the window system's own after a restore: an
    // owned window that Windows has on top of its owner is then drawn under
    // it. Windows shows what its z-order says, so the text area is seen
    // where, at the middle of its part on a monitor, the window system finds
    // this very window, and the window has painted itself there in its
    // colours. Wine can even take the X stacking back into its z-order and
    // put the owner (the simulator's window) over the window it owns, which
    // Windows never does: there, what the window system finds of the owner
    // lies under this window.
    const HWND owner = GetWindow(window, GW_OWNER);
    bool owner_above = false;
    for (HWND above = GetWindow(window, GW_HWNDPREV); owner && above && !owner_above;
         above = GetWindow(above, GW_HWNDPREV))
        owner_above = above == owner;
    for (const RECT& monitor : monitors.rects) {
        RECT part;
        if (!IntersectRect(&part, &area, &monitor))
            continue;
        POINT middle = {(part.left + part.right) / 2, (part.top + part.bottom) / 2};
        const HWND found = WindowFromPoint(middle);
        if (found != window && !(owner_above && found && GetAncestor(found, GA_ROOT) == owner))
            continue;
        ScreenToClient(window, &middle);
        HDC own = GetDC(window);
        const COLORREF painted = GetPixel(own, middle.x, middle.y);
        ReleaseDC(window, own);
        if (painted == back || painted == text)
            return true;
    }
    char text_area[300];
    const COLORREF middle = SimScreenPixel((area.left + area.right) / 2, (area.top + area.bottom) / 2);
    snprintf(text_area, sizeof text_area,
             "its text area (%ld,%ld)-(%ld,%ld) shows nowhere on a monitor (its colours %06lX on %06lX, the "
             "screen %06lX in its middle)",
             area.left, area.top, area.right, area.bottom, static_cast<unsigned long>(text),
             static_cast<unsigned long>(back), static_cast<unsigned long>(middle));
    *why = text_area;
    return false;
}

// Whether a routine of the module lies in a chain: in the slot or the
// window procedure itself, or further down, under the neighbours' hooks.
bool World::ModuleHookInChain(HookPoint point) const
{
    HMODULE module = MappedCopy();
    if (!module)
        return false;
    uintptr_t at = point == HookMain ? static_cast<uintptr_t>(GetWindowLongPtrA(host_, GWLP_WNDPROC))
                                     : *TableSlot(point);
    for (int hops = 0; hops < 4 && at; ++hops) {
        HMODULE owner = nullptr;
        if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                               reinterpret_cast<LPCSTR>(at), &owner) &&
            owner == module)
            return true;
        uintptr_t next = 0;
        for (int n = 0; n < 2; ++n)
            if (neighbours[n].in[point] && at == NeighbourRoutine(n, point))
                next = neighbours[n].next[point];
        at = next;
    }
    return false;
}

// ---- The model ----

// The aircraft the module reads: its section decides everything a save
// writes, but for the colours and the font, which stay when it has none.
void World::LoadAircraft(int index)
{
    // The same panel folder is not read again; one whose settings file no
    // Windows can name is never the same.
    if (index == known_ && aircraft_[index].has_file)
        return;
    known_ = index;
    if (!running_)
        aircraft_read_while_stopped_ = true;
    const Aircraft& aircraft = aircraft_[index];
    hide_ = aircraft.window ? aircraft.hide : 0;
    autohide_ = aircraft.window ? aircraft.autohide : 0;
    atis_ = aircraft.atis;
    if (aircraft.colours) {
        text_known_ = back_known_ = true;
        text_ = std::to_string(aircraft.text);
        back_ = std::to_string(aircraft.back);
    }
    place_known_ = aircraft.window;
    place_ = aircraft.place;
    chosen_face_.clear();
    on_ = aircraft.window;
    hidden_always_ = aircraft.window && aircraft.hide;
    unmoved_since_undock_ = false;
}

// A start brings the display back as the pilot left it at the stop, or as
// the aircraft read while the module was stopped has it: without a place for
// the display, the display comes up floating. Either way it is on.
void World::ModuleStarted()
{
    running_ = true;
    on_ = true;
    // Docked as it was at the stop, or as the aircraft read meanwhile says.
    const bool docked = aircraft_read_while_stopped_ ? known_ >= 0 && aircraft_[known_].window
                                                     : docked_at_stop_ || hidden_always_;
    hidden_always_ = docked && hide_ != 0;
}

// Stopped, the module's hooks stay in their chains: the panel-load hook goes on
// reading what the simulator loads.
void World::ModuleStopped()
{
    running_ = false;
    recall_ = -1;
}

// The file as the module left it: its values become the record's.
void World::PickUpFile(Aircraft& aircraft)
{
    const std::string window = ReadEntry(aircraft.file, "Window");
    size_t comma = 0;
    for (int i = 0; i < 4 && comma != std::string::npos; ++i)
        comma = window.find(',', comma + (i ? 1 : 0));
    aircraft.window = true;
    aircraft.place = window.substr(0, comma);
    const size_t fifth = comma == std::string::npos ? comma : comma + 1;
    const size_t sixth = fifth == std::string::npos ? fifth : window.find(',', fifth);
    if (sixth != std::string::npos) {
        aircraft.colours = true;
        aircraft.text = atoi(window.substr(fifth, sixth - fifth).c_str());
        aircraft.back = atoi(window.substr(sixth + 1).c_str());
    }
    aircraft.hide = _stricmp(ReadEntry(aircraft.file, "HideWindow").c_str(), "Yes") == 0;
    aircraft.autohide = _stricmp(ReadEntry(aircraft.file, "AutoHide").c_str(), "Yes") == 0;
    aircraft.atis = _stricmp(ReadEntry(aircraft.file, "AlsoATIS").c_str(), "No") != 0;
    aircraft.font = ReadEntry(aircraft.file, "Font");
}

// ---- The system's metrics, which the pilot may change under the module ----

// As the program found them; every run ends with them again.
const NONCLIENTMETRICSA default_metrics_ = CurrentMetrics();

// ---- The world's set-up: the simulator, its aircraft, the module ----

void WriteWholeFile(const std::string& path, const std::string& content)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
}

// A folder path of exactly `length` characters under `root`, made on disk.
std::string FolderOfLength(const std::string& root, const std::string& name, size_t length)
{
    std::string folder = root + "\\" + name;
    CreateDirectoryA(folder.c_str(), nullptr);
    while (folder.size() < length) {
        size_t part = length - folder.size() - 1;
        if (part > 60)
            part = part > 80 ? 60 : part - 20;
        folder += "\\" + std::string(part ? part : 1, 'x');
        CreateDirectoryA(folder.c_str(), nullptr);
    }
    return folder;
}

void World::MakeAircraft(Random& random)
{
    static const char* const names[] = {"c172", "b737", "dc3", "md11", "f27"};
    static const char* const fonts[] = {"Arial,-13,0,700,0,0,0", "Courier New,-20,0,400,1,0,0", "Tahoma"};
    for (int i = 0; i < 5; ++i) {
        Aircraft aircraft;
        aircraft.name = names[i];
        // Panel folder paths of every length round the limit of a file name.
        size_t length = 0;
        if (random.Chance(25)) {
            static const int lengths[] = {240, 254, 255, 256, 257, 259, 262};
            length = static_cast<size_t>(lengths[random.Below(7)]);
        }
        const std::string plain = root_ + "\\" + aircraft.name;
        std::string folder = length > plain.size() + 6 + 2 ? FolderOfLength(root_, aircraft.name, length - 6) : plain;
        CreateDirectoryA(folder.c_str(), nullptr);
        aircraft.panel = folder + "\\panel";
        aircraft.file = aircraft.panel + ".cfg";
        aircraft.has_file = aircraft.file.size() <= 259;

        std::string section;
        const int kind = random.Below(10);  // 0-4 full, 5-6 partial, 7 none, 8-9 hostile
        const int x = random.Between(-20, 700), y = random.Between(-20, 560);
        const int w = random.Between(1, 420), h = random.Between(1, 90);
        const std::string place = std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(w) + "," +
                                  std::to_string(h);
        auto yes_no = [&](const char* key, int* into) {
            if (random.Chance(30))
                return;
            const bool on = random.Chance(50);
            section += std::string(key) + "=" + (on ? "Yes" : "No") + "\r\n";
            *into = on;
        };
        if (kind <= 6) {
            aircraft.window = true;
            aircraft.place = place;
            section += "Window=" + place;
            if (kind <= 4) {
                aircraft.colours = true;
                aircraft.text = random.Between(0, 6);
                aircraft.back = random.Chance(30) ? -static_cast<int32_t>(random.Next() & 0xFFFFFF) - 1
                                                  : random.Between(0, 6);
                section += "," + std::to_string(aircraft.text) + "," + std::to_string(aircraft.back);
            }
            section += "\r\n";
            if (kind <= 4 && random.Chance(50)) {
                aircraft.font = fonts[random.Below(3)];
                section += "Font=" + aircraft.font + "\r\n";
            }
            yes_no("HideWindow", &aircraft.hide);
            yes_no("AutoHide", &aircraft.autohide);
            int atis = 1;
            yes_no("AlsoATIS", &atis);
            aircraft.atis = atis;
        } else if (kind >= 8) {
            // Written by hand, badly: what each value means is the pilot
            // guide's reading of it.
            if (random.Chance(50)) {
                section += "Window=10,20,300\r\nHideWindow=Yes\r\nAlsoATIS=nope\r\n";
                aircraft.atis = 0;
            } else {
                aircraft.window = true;
                aircraft.place = "-70000,99999,0,-5";
                section += "Window= -70000 ,99999,0,-5,9,2\r\nHideWindow=yesplease\r\nAutoHide=YES\r\nFont=,,,\r\n";
                aircraft.hide = aircraft.autohide = 1;
                aircraft.font = ",,,";
            }
        }
        if (aircraft.font.empty())
            aircraft.font = "<none>";
        if (kind != 7)
            section = "[Orvale]\r\n" + section;
        const std::string before = "[Window00]\r\nfile=" + aircraft.name + ".bmp\r\nsize_mm=640\r\n\r\n";
        const std::string after = "\r\n[Vcockpit01]\r\nsize_mm=512\r\n";
        aircraft.content = random.Chance(50) ? before + section + after : section + before + after;
        if (aircraft.has_file) {
            WriteWholeFile(aircraft.file, aircraft.content);
        } else {
            // No file the profile functions can open: no settings at all.
            const Aircraft named = aircraft;
            aircraft = Aircraft{};
            aircraft.name = named.name, aircraft.panel = named.panel, aircraft.file = named.file;
            aircraft.font = "<none>";
        }
        aircraft.content = SimReadFile(aircraft.file);
        setup_lines_ += "    const std::string " + aircraft.name + " = Aircraft(\"" + aircraft.name + "\", \"" +
                        (kind == 7 ? std::string() : section.substr(0, section.size() - 2)) +
                        "\");  // panel path of " + std::to_string(aircraft.panel.size()) + " characters\n";
        aircraft_.push_back(aircraft);
    }
    size_t pos;
    while ((pos = setup_lines_.find("\r\n")) != std::string::npos)
        setup_lines_.replace(pos, 2, "\\r\\n");
}

bool World::SetUp(std::string* why)
{
    Random random(setup_);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    root_ = std::string(temp) + "ox" + std::to_string(GetCurrentProcessId() % 1000);
    CreateDirectoryA(root_.c_str(), nullptr);
    SimCreateTables();
    SimSetTickInterval(0);
    for (Neighbour& hood : neighbours)
        hood = Neighbour{};
    neighbour_faults.clear();
    host_ = SimCreateMainWindow(MainClasses[edition_], "Flight Simulator", 0, 0, 900, 650);
    if (!host_) {
        *why = "no main window";
        return false;
    }
    // The simulator has the keyboard, as at its start.
    SetForegroundWindow(host_);
    SetFocus(host_);
    {
        HDC dc = GetDC(host_);
        TEXTMETRICA metrics = {};
        GetTextMetricsA(dc, &metrics);
        ReleaseDC(host_, dc);
        const int spacing = metrics.tmHeight + metrics.tmExternalLeading;
        line_height_ = spacing + (2 * spacing + 5) / 10;
    }
    char line[200];
    snprintf(line, sizeof line, "    host_ = SimCreateMainWindow(\"%s\", \"Flight Simulator\", 0, 0, 900, 650);\n",
             MainClasses[edition_]);
    setup_lines_ += line;
    MakeAircraft(random);
    // A neighbour that was there first: its hooks lie under the module's.
    if (random.Chance(40)) {
        for (int point = HookText; point <= HookMain; ++point)
            if (random.Chance(60)) {
                HookOver(1, static_cast<HookPoint>(point), nullptr);
                setup_lines_ += std::string("    // neighbour 1 hooks the ") + HookNames[point] + " before the module loads\n";
            }
    }
    if (!SimLoadModule(copy_.c_str())) {
        *why = "the module did not load";
        return false;
    }
    loaded_ = true;
    WatchDrawnText(MappedCopy());
    setup_lines_ += "    SimLoadModule(\"orvale.dll\");\n    SimStartModule();\n";
    StartModule();
    return true;
}

void World::StartModule()
{
    SimStartModule();
    // Past the start-up poll and the menu's three seconds.
    WaitByWitness(3000 + 55 + 200);
    ModuleStarted();
}

// The display as the pilot sees it: which form, where, in which colours and font.
World::View World::Look() const
{
    View view;
    const HWND shown = Shown();
    if (!shown)
        return view;
    view.valid = true;
    view.docked = shown == Docked();
    GetWindowRect(shown, &view.place);
    if (view.docked)
        MapWindowPoints(nullptr, host_, reinterpret_cast<POINT*>(&view.place), 2);
    // The window's own context holds the text's font from its first paint on:
    // one standing off the screen has not been painted yet, and is painted as
    // it would be the moment it came into sight.
    RedrawWindow(shown, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    HDC dc = GetDC(shown);
    view.text = GetTextColor(dc);
    view.back = GetBkColor(dc);
    char face[LF_FACESIZE] = {};
    GetTextFaceA(dc, sizeof face, face);
    view.face = face;
    ReleaseDC(shown, dc);
    return view;
}

// The simulator stops the module; what the pilot sees then is what a start
// must bring back, where nothing the module follows moved just before.
void World::StopModule()
{
    stop_view_ = settled_ ? Look() : View{};
    docked_at_stop_ = Shown() && Shown() == Docked();
    aircraft_read_while_stopped_ = false;
    SimStopModule();
    ModuleStopped();
}

void World::TearDown()
{
    if (!host_)
        return;
    SimClearCalls();
    // The neighbours leave first, where they can (one lying over another
    // goes in an earlier round); the module is then on top of its chains
    // and goes completely, and the neighbours it lay over go after it.
    for (int round = 0; round < 6; ++round) {
        for (int n = 1; n >= 0; --n)
            for (int point = HookPoints - 1; point >= 0; --point)
                TakeOut(n, static_cast<HookPoint>(point));
        if (round == 3) {
            if (loaded_ && running_)
                SimStopModule();
            if (loaded_)
                SimUnloadModule();
            // A stopped module keeps itself loaded, its hooks passing
            // everything on, until the process ends; its copy is deleted by
            // the next program that runs.
            loaded_ = running_ = false;
        }
    }
    for (Neighbour& hood : neighbours)
        if (hood.window)
            DestroyWindow(hood.window);
    if (kept_bar_)
        DestroyMenu(kept_bar_);
    kept_bar_ = nullptr;
    SimDestroyMainWindow();
    host_ = nullptr;
    if (mode_changed_)
        ChangeDisplaySettingsA(nullptr, 0);
    const NONCLIENTMETRICSA now = CurrentMetrics();
    if (now.iCaptionHeight != default_metrics_.iCaptionHeight || now.iBorderWidth != default_metrics_.iBorderWidth)
        SetMetrics(default_metrics_);
    Settle();
    for (const Aircraft& aircraft : aircraft_) {
        DeleteFileA(aircraft.file.c_str());
        std::string folder = aircraft.panel.substr(0, aircraft.panel.size() - 6);
        while (folder.size() > root_.size() && RemoveDirectoryA(folder.c_str()))
            folder = folder.substr(0, folder.find_last_of('\\'));
    }
    RemoveDirectoryA(root_.c_str());
    DeleteFileA(copy_.c_str());
}

// ---- The steps ----

const char* CommandName(int id)
{
    switch (id) {
    case 40001: return "Dock";
    case 40002: return "Undock";
    case 40003: return "Close";
    case 40008: return "Save";
    case 40010: return "Match background";
    case 40011: return "Hide always";
    case 40012: return "ATIS messages";
    case 40013: return "Hide when empty";
    }
    return "?";
}

std::string WindowExpression(HWND window, HWND docked)
{
    return window == docked ? "Docked()" : "FindUndockedDisplay(host_)";
}

Step World::Draw(Random& random)
{
    struct Choice {
        int weight;
        std::function<Step()> make;
    };
    std::vector<Choice> choices;
    auto add = [&](int weight, std::function<Step()> make) {
        if (weight > 0)
            choices.push_back({weight, std::move(make)});
    };
    auto step = [](Step::Kind kind, int a = 0, int b = 0, int c = 0, int d = 0, int e = 0) {
        Step s{kind};
        s.a = a, s.b = b, s.c = c, s.d = d, s.e = e;
        return s;
    };
    const HWND shown = ModuleRunning() ? Shown() : nullptr;
    const bool docked = shown && shown == Docked();
    const bool running = ModuleRunning();
    const int panels = static_cast<int>(panels_.size());
    const int screen_w = GetSystemMetrics(SM_CXSCREEN), screen_h = GetSystemMetrics(SM_CYSCREEN);
    RECT outer = {}, area = {};
    if (shown)
        GetWindowRect(shown, &outer);
    GetClientRect(host_, &area);
    const int outer_w = outer.right - outer.left, outer_h = outer.bottom - outer.top;

    // The pilot.
    if (shown) {
        static const int docked_commands[] = {40002, 40002, 40008, 40008, 40003, 40011, 40013, 40013, 40012, 40010};
        static const int floating_commands[] = {40001, 40001, 40001, 40001, 40012, 40010};
        add(12, [&] {
            return step(Step::Command, docked ? docked_commands[random.Below(10)] : floating_commands[random.Below(6)]);
        });
        add(2, [&] {
            return step(Step::Colour, random.Below(2), random.Chance(75),
                        random.Edge(last_colour_, 0, 0xFFFFFF, {0, 0xFFFFFF, 1}) & 0xFFFFFF,
                        random.Chance(25) ? random.Below(5) : -1, random.Chance(10));
        });
        add(1, [&] {
            return step(Step::Font, random.Chance(75), random.Below(3), random.Chance(25) ? random.Below(5) : -1, 0,
                        random.Chance(10));
        });
        if (!docked) {
            add(8, [&] {
                // Onto a panel, or wholly off the screen, as often as anywhere else.
                const int pick = random.Below(8);
                const int kind = pick == 7 ? 6 : pick == 6 ? 3 : random.Below(7);
                if (kind >= 4)  // anywhere: from where it stands, to the screen's edges
                    return step(Step::Drag, kind,
                                random.Edge(outer.left, -100, 900, {0, -1, 1, screen_w - outer_w, screen_w - 1, 1 - outer_w}),
                                random.Edge(outer.top, -100, 900, {0, -1, 1, screen_h - outer_h, screen_h - 1, 1 - outer_h}),
                                panels ? random.Below(panels) : 0);
                return step(Step::Drag, kind, random.Below(1000), random.Below(1000), panels ? random.Below(panels) : 0);
            });
            add(2, [&] {
                const int least = GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFRAME) + line_height_;
                return step(Step::Size, random.Edge(outer_w, 10, 700, {1, screen_w, screen_w + 1}),
                            random.Edge(outer_h, 1, 200, {1, least - 1, least, least + 1, screen_h}));
            });
        }
        if (!docked || edition_ == FS2002)
            add(1, [&] { return step(Step::AltF4); });
        // A click recalls the message before; the pilot goes on clicking
        // through the history once begun.
        add(recall_ >= 0 ? 30 : 10, [&] { return step(Step::Click); });
        // The pilot's own right-click: the menu closed by Escape, by a click
        // elsewhere, or a colour chosen from it.
        add(3, [&] {
            return step(Step::Menu, random.Below(4), random.Chance(70), random.Edge(last_colour_, 0, 0xFFFFFF, {0, 0xFFFFFF}) & 0xFFFFFF);
        });
    }
    // A pilot who has lost the display off the screen reaches for the way
    // back: the floating window stands where no screen is (moved there, or
    // left there by a smaller display mode).
    bool lost = false;
    const HWND floating = shown && !docked ? Floating() : nullptr;
    if (floating && floating == shown) {
        RECT client = {};
        GetClientRect(floating, &client);
        MapWindowPoints(floating, nullptr, reinterpret_cast<POINT*>(&client), 2);
        const RECT screen = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                             GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                             GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
        RECT seen = {};
        lost = !IntersectRect(&seen, &client, &screen);
    }
    if (running && ItemInMenu() && !IsIconic(host_)) {
        add(3, [&] { return step(Step::OrvaleItem); });
        add(lost ? 20 : 2, [&] { return step(Step::WayBack); });
    }

    // The simulator.
    add(18, [&] {
        // The simulator repeats itself now and then: an ATIS broadcast, a
        // lesson's line said again.
        if (last_text_.kind == Step::Text && random.Chance(15))
            return last_text_;
        static const int types[] = {3, 3, 4, 5, 6, 6, 1, 7};
        const int text = random.Below(11);  // 0-5 short, 6 long, 7 empty, 8 null, 9 appended, 10 of a drawn length
        Step drawn = step(Step::Text, types[random.Below(8)], text,
                          random.Edge(last_time_, 1, 300, {0, 0, 1, 2, -1, INT32_MAX, INT32_MIN}),
                          text == 9 || random.Chance(10), random.Below(20));
        if (text == 10)
            drawn.f = random.Edge(last_length_, 0, 2047, {0, 1, 15, 16, 17, 127, 128, 2031, 2032, 2046, 2047, 2048, 3000});
        return drawn;
    });
    // A panel moved under the docked display: the simulator runs on, as it
    // always does, long enough for the display to have gone with it.
    // Likewise after anything else the module follows by its 20th tick: a
    // panel opened under the docked display, the main window moved.
    if (!settled_ && running)
        add(8, [&] { return step(Step::Ticks, random.Edge(20 - ticks_since_change_, 1, 40, {20, 21})); });
    if (follow_.moved)
        add(20, [&] {
            const int count = random.Edge(20 - follow_.ticks, 1, 40, {19, 20, 21});
            return step(Step::Ticks, count < 1 ? 1 : count);
        });
    // A recalled message is watched as it scrolls and runs out.
    if (recall_ >= 0 && running) {
        const Remembered& kept = history_[static_cast<size_t>(recall_)];
        const int scrolled = kept.mask ? (5 + static_cast<int>(kept.text.size())) * (kept.mask + 1) : 0;
        const int timed = kept.ticks > 0 && kept.ticks < 5000 ? kept.ticks : 0;
        add(12, [&, scrolled, timed] {
            const int count = random.Edge(last_ticks_, 1, 60,
                                          {1, 2, 5 * (kept.mask + 1) + 1, scrolled - recall_elapsed_ - 1,
                                           scrolled - recall_elapsed_ + 1, timed - recall_elapsed_ - 1,
                                           timed - recall_elapsed_, timed - recall_elapsed_ + 1});
            return step(Step::Ticks, count < 1 ? 1 : count > 600 ? 600 : count);
        });
    }
    add(10, [&] {
        const int count = random.Edge(last_ticks_, 1, 240, {1, 4, 19, 20, 21, 40, 240});
        return step(Step::Ticks, count < 0 ? 0 : count > 600 ? 600 : count);
    });
    // Aircraft are loaded while the module is stopped as well as while it runs.
    add(running ? 6 : 12, [&] { return step(Step::PanelLoad, random.Below(6), random.Chance(10)); });
    // Where the display is, in the host's client area, and the panels there:
    // the radio stack opened over the panel the display is docked on, a gauge
    // that subclasses that panel. A docked display hidden by the pilot's
    // hiding rules stands on its panel all the same.
    const HWND hidden_docked = !shown && running ? Docked() : nullptr;
    const HWND placed = shown ? shown : hidden_docked;
    RECT display = {};
    if (placed) {
        GetWindowRect(placed, &display);
        MapWindowPoints(nullptr, host_, reinterpret_cast<POINT*>(&display), 2);
    }
    const bool has_place = placed && display.right > display.left && display.bottom > display.top;
    std::vector<int> over_display;
    for (int i = 0; i < panels; ++i) {
        const Panel& p = panels_[static_cast<size_t>(i)];
        RECT r = {p.x, p.y, p.x + p.w, p.y + p.h}, common;
        if (has_place && IntersectRect(&common, &r, &display))
            over_display.push_back(i);
    }
    auto some_panel = [&] {
        return !over_display.empty() && random.Chance(60) ? over_display[static_cast<size_t>(random.Below(
                                                                static_cast<int>(over_display.size())))]
                                                          : random.Below(panels);
    };
    // A docked display that no panel holds draws the panels the simulator
    // opens under it more often: what it does on one is watched.
    const bool loose = has_place && placed == Docked() && !attached_;
    add(panels < 6 ? (loose ? 8 : 4) : 0, [&] {
        const int kind = random.Below(10);
        if (has_place && random.Chance(loose ? 70 : 30)) {
            const int grow = random.Below(20);
            return step(Step::PanelCreate, display.left - grow, display.top - grow,
                        display.right - display.left + 2 * grow, display.bottom - display.top + 2 * grow,
                        kind < 7 ? 0 : kind < 9 ? 1 : 2);
        }
        return step(Step::PanelCreate, random.Between(-50, 800), random.Between(-50, 580), random.Between(20, 900),
                    random.Between(20, 400), kind < 7 ? 0 : kind < 9 ? 1 : 2);
    });
    if (panels) {
        add(3, [&] { return step(Step::PanelShow, random.Below(panels), random.Chance(50)); });
        add(edition_ == FS2002 ? 2 : 0, [&] { return step(Step::PanelFlags, random.Below(panels), random.Chance(50)); });
        // The panel under a docked display is moved more often: what follows
        // it is watched.
        int followed = -1;
        for (int i = 0; i < panels; ++i)
            if (follow_.panel && panels_[static_cast<size_t>(i)].window == follow_.panel)
                followed = i;
        add(followed >= 0 ? 6 : 2, [&] {
            // Each coordinate from where the panel stands: often one alone moves.
            const int which = followed >= 0 && random.Chance(70) ? followed : some_panel();
            const Panel& p = panels_[static_cast<size_t>(which)];
            const int w = random.Edge(p.w, 20, 900, {1, area.right, area.right + 1});
            const int h = random.Edge(p.h, 20, 400, {1, area.bottom, area.bottom + 1});
            return step(Step::PanelMove, which, random.Edge(p.x, -50, 800, {0, -1, 1, area.right - p.w, area.right}),
                        random.Edge(p.y, -50, 580, {0, -1, 1, area.bottom - p.h, area.bottom}), w < 0 ? 0 : w,
                        h < 0 ? 0 : h);
        });
        add(2, [&] { return step(Step::PanelRaise, some_panel()); });
        add(2, [&] { return step(Step::PanelDestroy, random.Below(panels), random.Chance(50)); });
    }
    add(3, [&] {
        RECT host = {};
        GetWindowRect(host_, &host);
        const int w = host.right - host.left, h = host.bottom - host.top;
        const int width = random.Edge(w, 300, 1280, {screen_w, screen_w - 1, 800});
        const int height = random.Edge(h, 200, 1024, {screen_h, screen_h - 1, 600});
        // Among the edges: all but a corner of the caption off the screen.
        return step(Step::MainWindow, random.Below(6),
                    random.Edge(host.left, -100, 600, {0, -1, 1, screen_w - w, screen_w - w + 1, 40 - w, screen_w - 40}),
                    random.Edge(host.top, -100, 500, {0, -1, 1, screen_h - h, screen_h - h + 1, screen_h - 30}),
                    width < 200 ? 200 : width, height < 150 ? 150 : height);
    });
    if (running) {
        add(recall_ >= 0 ? 3 : 1, [&] { return step(Step::Stop); });
        // Going full screen and back with the display lost: it must still be
        // found by the way back after the restart.
        add(lost ? 12 : 1, [&] { return step(Step::RestartInFlight, random.Below(2)); });
    } else if (loaded_) {
        add(12, [&] { return step(Step::Start); });
        add(2, [&] { return step(Step::Unload); });
    } else {
        add(12, [&] { return step(Step::Load); });
    }
    add(2, [&] { return step(Step::MenuBar, random.Below(4)); });
    add(own_desktop.virtual_desktop ? 1 : 0, [&] { return step(Step::DisplayMode, random.Below(2)); });
    // The pilot changes the sizes of captions and frames (the Display control
    // panel, a theme), and changes them back.
    add(1, [&] {
        const NONCLIENTMETRICSA now = CurrentMetrics();
        return step(Step::Metrics, random.Edge(now.iCaptionHeight, 8, 40, {default_metrics_.iCaptionHeight, 30}),
                    random.Edge(now.iBorderWidth, 1, 6, {default_metrics_.iBorderWidth}));
    });

    // The neighbours.
    add(3, [&] { return step(Step::Hook, random.Below(2), random.Below(HookPoints), panels ? some_panel() : 0); });
    add(2, [&] { return step(Step::Unhook, random.Below(2), random.Below(HookPoints)); });
    add(1, [&] {
        return step(Step::NeighbourWindow, random.Below(3), random.Edge(outer.left, 0, 1000, {outer.right, outer.left - 300}),
                    random.Edge(outer.top, 0, 1000, {outer.bottom, outer.top - 120}));
    });
    add(running ? 3 : 1, [&] {
        return step(Step::ShowMessage, random.Below(10),
                    random.Edge(last_show_time_, -300, 300, {0, -1, 1, -2, INT32_MIN, INT32_MAX}), 0, 0,
                    random.Below(20));
    });

    int total = 0;
    for (const Choice& choice : choices)
        total += choice.weight;
    int pick = random.Below(total);
    for (const Choice& choice : choices) {
        if (pick < choice.weight)
            return choice.make();
        pick -= choice.weight;
    }
    return step(Step::Ticks, 1);
}

// Message `which` (0-5 lines, 6 long, 7 empty, 8 null, 10 `length` letters).
const char* MessageText(int which, int variant, int length = 0)
{
    static const char* const lines[] = {
        "ATIS information Kilo, runway 27 in use, wind 270 at 8",
        "Cleared to land runway 27",
        "Traffic, two o'clock, five miles",
        "Contact tower 118.7",
        "Gear down and locked",
        "Wind 270 at 8, QNH 1013",
    };
    static std::string long_text;
    if (long_text.empty()) {
        for (int i = 0; long_text.size() < 2047; ++i)
            long_text += "Information Bravo " + std::to_string(i) + ". ";
        long_text.resize(2047);
    }
    static std::string drawn;
    switch (which) {
    case 10: drawn.assign(static_cast<size_t>(length > 0 ? length : 0), 'W'); return drawn.c_str();
    case 6: return long_text.c_str();
    case 7: return "";
    case 8: return nullptr;
    default: return lines[(which + variant) % 6];
    }
}

void World::Text(const char* text, int32_t type, int32_t time, int32_t append, bool through_show)
{
    message_ = Message{};
    message_.sent = true;
    message_.text = text ? text : "";
    message_.null = text == nullptr;
    message_.through_show = through_show;
    message_.type = type;
    message_.time = time;
    message_.append = append;
    message_.live_before = SimMirroredText();
    SimClearCalls();
    if (through_show)
        SimCallShowMessage(text, type == 5 ? time : ~time);
    else
        SimCallTextOutput(text, type, time, append);
}

// ---- The history, as the pilot was promised it ----

// The message the model recalls, under its place, from its start or
// scrolled on.
bool World::ShowsRecalled(const std::string& drawn) const
{
    if (recall_ < 0)
        return false;
    const std::string lead = "-" + std::to_string(recall_ + 1) + " ";
    const std::string& text = history_[static_cast<size_t>(recall_)].text;
    if (drawn.compare(0, lead.size(), lead) != 0)
        return false;
    const std::string rest = drawn.substr(lead.size());
    if (rest.size() > text.size() || text.compare(text.size() - rest.size(), rest.size(), rest) != 0)
        return false;
    // Scrolled as the message scrolled first: after five steps' wait, one
    // character a step, a step every 2nd or 4th tick from a tick the model
    // does not know.
    const int mask = history_[static_cast<size_t>(recall_)].mask;
    const int64_t steps_least = recall_elapsed_ / (mask + 1), steps_most = (recall_elapsed_ + mask) / (mask + 1);
    const int64_t least = mask && steps_least > 5 ? steps_least - 5 : 0;
    const int64_t most = mask && steps_most > 5 ? steps_most - 5 : 0;
    const int64_t gone = static_cast<int64_t>(text.size() - rest.size());
    return gone >= least && gone <= most;
}

// A message the module took goes into the model's history as the module
// promised to keep it. `maybe_passed`: an empty message the simulator got as
// it would have from the module, taken or not.
void World::KeepTaken(bool maybe_passed)
{
    const Message& m = message_;
    const bool fs2002_atis = edition_ == FS2002 && m.type == 3;
    const int32_t append = fs2002_atis ? 0 : m.append;
    int32_t ticks = fs2002_atis ? static_cast<int32_t>(static_cast<uint32_t>(m.time) >> 1) : m.time;
    const int32_t mask = m.type == 3 || m.type == 6 ? (edition_ == FS2002 ? 1 : 3) : 0;
    if (mask && m.type == 3)
        ticks = 0;
    const bool continues = append != 0 && !m.live_before.empty();
    const std::string given = m.null ? std::string() : m.text;
    if (maybe_passed) {
        // The display tells whether a recall ended; an empty buffer makes
        // the mark of the newest count for nothing.
        if (recall_ >= 0)
            recall_unsure_ = true;
        const std::string now = SimMirroredText();
        if (append == 0 && (now.empty() || now == std::string(16, ' ')))
            newest_in_buffer_ = false;
        if (continues && newest_in_buffer_ && !history_.empty())
            history_.front().ticks_known = false;
        return;
    }
    recall_ = -1;
    recall_unsure_ = false;
    if (continues && newest_in_buffer_ && !history_.empty()) {
        Remembered& newest = history_.front();
        if (newest.text.size() + given.size() <= 2047)
            newest.text += given;
        else
            history_known_ = false;  // kept as the buffer holds it, more than the mirror shows
        newest.ticks = Random::Held(int64_t{newest.ticks} + ticks);
        newest.mask = mask;
        return;
    }
    Remembered kept;
    kept.type = m.type;
    kept.mask = mask;
    kept.ticks = ticks;
    // Appended, the display's time is added to what the buffer had left.
    kept.ticks_known = append == 0;
    if (continues) {
        // Appended to text that is no kept message (the colours' test text).
        const std::string& live = m.live_before;
        if (live.size() >= 127)
            history_known_ = false;
        kept.text = live + given.substr(0, 2047 - live.size());
    } else {
        const std::string lead(append == 0 && mask ? 16 : 0, ' ');
        kept.text = lead + given.substr(0, 2047 - lead.size());
    }
    if (given.empty()) {
        newest_in_buffer_ = false;
        return;
    }
    newest_in_buffer_ = true;
    if (!history_.empty() && history_.front().text == kept.text && history_.front().type == kept.type &&
        history_.front().mask == kept.mask) {
        history_.front().ticks = kept.ticks;
        history_.front().ticks_known = kept.ticks_known;
        return;
    }
    history_.insert(history_.begin(), kept);
    if (history_.size() > 8)
        history_.pop_back();
}

// 8: after k clicks since the last new message the display shows the k-th
// message back, or, once k passes the history or a recalled message's time
// runs out, what it would show without the clicks: its buffer.
void World::CheckRecall(const Step& step, std::vector<Violation>* found)
{
    if (!ModuleRunning() || !on_) {
        recall_ = -1;
        recall_unsure_ = false;
        return;
    }
    // The test text the colour and font choices put into an empty display.
    if (SimMirroredText() == "Test text for colour/font settings")
        newest_in_buffer_ = false;
    if (recall_ >= 0 && step.kind == Step::Ticks && !step.line.empty())
        recall_elapsed_ += step.a;
    if (recall_ >= 0) {
        // The tick its end comes at, at the earliest and the latest: a
        // scrolling message waits for the first tick of its step.
        const Remembered& kept = history_[static_cast<size_t>(recall_)];
        int64_t first = INT64_MAX, last = INT64_MAX;
        if (kept.mask) {
            const int64_t length = static_cast<int64_t>(kept.text.size());
            first = (4 + length) * (kept.mask + 1) + 1;
            last = (5 + length) * (kept.mask + 1);
        }
        if (!kept.ticks_known) {
            first = 1;
        } else if (kept.ticks != 0) {
            const int64_t end = kept.ticks <= 1 ? 1 : kept.ticks;
            first = first < end ? first : end;
            last = last < end ? last : end;
        }
        if (recall_elapsed_ >= last) {
            recall_ = -1;
            recall_unsure_ = false;
        } else if (recall_elapsed_ >= first) {
            recall_unsure_ = true;
        }
    }
    const HWND shown = Shown();
    std::string drawn;
    if (!history_known_ || !shown || !DrawnText(shown, &drawn))
        return;
    if (recall_ >= 0 && recall_unsure_) {
        if (!ShowsRecalled(drawn))
            recall_ = -1;
        recall_unsure_ = false;
    }
    if (recall_ >= 0) {
        const std::string want = "-" + std::to_string(recall_ + 1) + " " + history_[static_cast<size_t>(recall_)].text;
        if (step.kind == Step::Click && !step.line.empty() ? drawn != want : !ShowsRecalled(drawn))
            found->push_back({8, "the display shows " + Quoted(drawn.substr(0, 60).c_str()) + " where the pilot recalled " +
                                     Quoted(want.substr(0, 60).c_str())});
        return;
    }
    const std::string buffer = SimMirroredText();
    if (drawn.substr(0, 127) != buffer)
        found->push_back({8, "the display shows " + Quoted(drawn.substr(0, 60).c_str()) + " where its buffer holds " +
                                 Quoted(buffer.substr(0, 60).c_str())});
}

void World::Perform(Step& step)
{
    message_ = Message{};
    save_expected_ = false;
    area_checked_ = false;
    neighbour_faults.clear();
    char line[400];
    const HWND shown = ModuleRunning() ? Shown() : nullptr;
    const HWND docked = Docked();
    Panel* panel = panels_.empty() ? nullptr : &panels_[static_cast<size_t>(step.a) % panels_.size()];
    switch (step.kind) {
    case Step::Command: {
        const bool to_docked = shown && shown == docked;
        const bool for_form = step.a == 40001 ? !to_docked : step.a == 40012 || step.a == 40010 ? true : to_docked;
        if (!shown || !for_form)
            break;
        snprintf(line, sizeof line, "SendMessageA(%s, WM_COMMAND, %d, 0);  // %s", WindowExpression(shown, docked).c_str(),
                 step.a, CommandName(step.a));
        Line(step, line);
        if (step.a == 40001 || step.a == 40002) {
            RECT client = {};
            GetClientRect(shown, &client);
            area_before_ = {client.right, client.bottom};
            // Docked again unmoved, it goes back to the very place and size it had.
            area_checked_ = !(step.a == 40001 && unmoved_since_undock_);
        }
        SendMessageA(shown, WM_COMMAND, static_cast<WPARAM>(step.a), 0);
        switch (step.a) {
        case 40001:
            on_ = true;
            if (!unmoved_since_undock_)
                place_known_ = false;  // where the pilot put it: learnt from the save
            hidden_always_ = hide_ != 0;
            save_expected_ = true;
            break;
        case 40002:
            hidden_always_ = false;
            unmoved_since_undock_ = true;
            break;
        case 40003:
            on_ = false;
            hidden_always_ = false;
            unmoved_since_undock_ = false;  // switched on again at the default place
            break;
        case 40008:
            save_expected_ = true;
            break;
        case 40010:
            back_known_ = false;  // the colour under the display, whatever it is
            break;
        case 40011:
            hide_ = 1;
            hidden_always_ = true;
            save_expected_ = true;
            break;
        case 40012:
            atis_ = !atis_;
            if (to_docked)
                save_expected_ = true;
            break;
        case 40013:
            autohide_ = !autohide_;
            save_expected_ = true;
            break;
        }
        break;
    }
    case Step::Colour:
    case Step::Font: {
        if (!shown)
            break;
        static const char* const faces[] = {"DejaVu Sans", "Liberation Mono", "Liberation Serif"};
        const bool colour = step.kind == Step::Colour;
        const bool ok = colour ? step.b : step.a;
        const int load = colour ? step.d : step.c;
        const COLORREF chosen = static_cast<COLORREF>(step.c);
        const UINT command = colour ? (step.a ? 40005 : 40004) : 40009;
        // Going full screen may stop the module while the chooser is open.
        const bool stop = step.e != 0;
        if (colour)
            last_colour_ = step.c;
        snprintf(line, sizeof line, "CommandWithDialog(%s, %u, [&](HWND dialog) { %s%s%s });",
                 WindowExpression(shown, docked).c_str(), command,
                 stop ? "SimStopModule(); "
                      : load >= 0 ? ("SimCallPanelLoad(" + aircraft_[load].name + ".c_str()); ").c_str() : "",
                 stop || !ok ? "" : colour ? ("PickColour(dialog, " + std::to_string(chosen) + "); ").c_str()
                                           : (std::string("PickFont(dialog, \"") + faces[step.b] + "\", \"14\"); ").c_str(),
                 stop ? "" : ok ? "Press(dialog, IDOK);" : "Press(dialog, IDCANCEL);");
        Line(step, line);
        bool picked = false;
        CommandWithDialog(shown, command, [&](HWND dialog) {
            if (stop) {
                StopModule();
                return;
            }
            if (load >= 0) {
                loaded_aircraft_ = load;
                SimCallPanelLoad(aircraft_[load].panel.c_str());
                if (MappedCopy())  // its hook stays in the chain, stopped or not
                    LoadAircraft(load);
            }
            // A load that switches the display off takes its chooser with it.
            if (!IsWindow(dialog))
                return;
            if (ok && colour)
                PickColour(dialog, chosen);
            else if (ok)
                PickFont(dialog, faces[step.b], "14");
            Press(dialog, ok ? IDOK : IDCANCEL);
            picked = ok;
        });
        if (picked && colour) {
            (step.a ? back_ : text_) = EncodedColour(chosen);
            (step.a ? back_known_ : text_known_) = true;
        } else if (picked) {
            chosen_face_ = faces[step.b];
        }
        break;
    }
    case Step::Click: {
        POINT at;
        if (!ClickableAt(shown, &at))
            break;
        // An end of the recall the model could not time is read off the
        // display first.
        std::string drawn;
        if (recall_ >= 0 && recall_unsure_ && DrawnText(shown, &drawn) && !ShowsRecalled(drawn))
            recall_ = -1;
        recall_unsure_ = false;
        const bool newest_shown = !SimMirroredText().empty() && newest_in_buffer_;
        const int age = recall_ >= 0 ? recall_ + 1 : newest_shown ? 1 : 0;
        recall_ = age < static_cast<int>(history_.size()) ? age : -1;
        recall_elapsed_ = 0;
        Line(step, "LeftClickAt(ClientCentre(" + WindowExpression(shown, docked) + "));  // the message before");
        LeftClickAt(at);
        break;
    }
    case Step::Menu: {
        POINT at;
        if (!ClickableAt(shown, &at))
            break;
        const std::string where = "ClientCentre(" + WindowExpression(shown, docked) + ")";
        if (step.a == 1) {
            // A click on the simulator's window, away from the display.
            RECT area = {}, display = {};
            GetClientRect(host_, &area);
            MapWindowPoints(host_, nullptr, reinterpret_cast<POINT*>(&area), 2);
            GetWindowRect(shown, &display);
            POINT elsewhere = {0, 0};
            bool found = false;
            for (POINT corner : {POINT{area.left + 4, area.top + 4}, POINT{area.right - 5, area.top + 4},
                                 POINT{area.left + 4, area.bottom - 5}, POINT{area.right - 5, area.bottom - 5}})
                if (!found && !PtInRect(&display, corner) && WindowFromPoint(corner) &&
                    GetAncestor(WindowFromPoint(corner), GA_ROOT) == host_) {
                    elsewhere = corner;
                    found = true;
                }
            if (!found)
                break;
            snprintf(line, sizeof line, "PlayContextMenu(%s, [] { LeftClickAt(POINT{%ld, %ld}); });  // closed by a click elsewhere",
                     where.c_str(), elsewhere.x, elsewhere.y);
            Line(step, line);
            PlayContextMenu(at, [elsewhere] { LeftClickAt(elsewhere); });
        } else if (step.a >= 2) {
            // "Text colour", the second item of either menu.
            const COLORREF chosen = static_cast<COLORREF>(step.c);
            const bool ok = step.b != 0;
            snprintf(line, sizeof line,
                     "WhileDialog([] { PlayContextMenu(%s, [] { ClickMenuItem(1); }); }, [](HWND dialog) { %sPress(dialog, %s); });",
                     where.c_str(), ok ? ("PickColour(dialog, " + std::to_string(chosen) + "); ").c_str() : "",
                     ok ? "IDOK" : "IDCANCEL");
            Line(step, line);
            last_colour_ = step.c;
            bool picked = false;
            WhileDialog(
                [at] {
                    PlayContextMenu(at, [] { ClickMenuItem(1); });
                },
                [&](HWND dialog) {
                    if (ok)
                        PickColour(dialog, chosen);
                    Press(dialog, ok ? IDOK : IDCANCEL);
                    picked = ok;
                });
            if (picked) {
                text_ = EncodedColour(chosen);
                text_known_ = true;
            }
        } else {
            Line(step, "PlayContextMenu(" + where + ", [] { PressKey(VK_ESCAPE); });");
            PlayContextMenu(at, [] { PressKey(VK_ESCAPE); });
        }
        break;
    }
    case Step::Drag: {
        HWND floating = Floating();
        if (!shown || shown != floating)
            break;
        RECT r;
        GetWindowRect(floating, &r);
        const int w = r.right - r.left, h = r.bottom - r.top;
        int x = step.a >= 4 ? step.b : step.b - 100, y = step.a >= 4 ? step.c : step.c - 100;
        RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        panel = panels_.empty() ? nullptr : &panels_[static_cast<size_t>(step.d) % panels_.size()];
        if (step.a == 6) {
            // Its text area wholly onto a panel, made smaller to fit where the
            // panel is small: where Dock finds that panel.
            if (!panel)
                break;
            RECT client = {};
            GetClientRect(floating, &client);
            POINT origin = {0, 0};
            ClientToScreen(floating, &origin);
            const int left = origin.x - r.left, top = origin.y - r.top;
            const int right = w - client.right - left, bottom = h - client.bottom - top;
            // The part of a shown panel that the simulator's window shows.
            RECT host_area = {}, under = {};
            GetClientRect(host_, &host_area);
            const Panel* onto = nullptr;
            for (size_t k = 0; k < panels_.size() && !onto; ++k) {
                const Panel& candidate = panels_[(static_cast<size_t>(step.d) + k) % panels_.size()];
                RECT r = {};
                GetWindowRect(candidate.window, &r);
                MapWindowPoints(nullptr, host_, reinterpret_cast<POINT*>(&r), 2);
                if (IsWindowVisible(candidate.window) && IntersectRect(&under, &r, &host_area) &&
                    under.right - under.left > 3 * line_height_ && under.bottom - under.top > 2 * line_height_)
                    onto = &candidate;
            }
            if (!onto)
                break;
            const int pw = under.right - under.left, ph = under.bottom - under.top;
            const int dx = 2 + step.b % (pw / 2 > 1 ? pw / 2 : 1), dy = 2 + step.c % (ph / 2 > 1 ? ph / 2 : 1);
            const int text_w = client.right < pw - dx - 4 ? client.right : pw - dx - 4;
            const int text_h = client.bottom < ph - dy - 4 ? client.bottom : ph - dy - 4;
            if (text_w < 2 * line_height_ || text_h < line_height_)
                break;
            POINT at = {under.left + dx, under.top + dy};
            ClientToScreen(host_, &at);
            panel = const_cast<Panel*>(onto);
            const int width = text_w + left + right, height = text_h + top + bottom;
            snprintf(line, sizeof line,
                     "SetWindowPos(FindUndockedDisplay(host_), nullptr, %ld, %d, %d, %d, SWP_NOZORDER | SWP_NOACTIVATE);  // its text area onto %s",
                     at.x - left, static_cast<int>(at.y - top), width, height, panel->name.c_str());
            Line(step, line);
            SetWindowPos(floating, nullptr, at.x - left, at.y - top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
            unmoved_since_undock_ = false;
            break;
        }
        if (step.a <= 1 && panel) {  // onto a panel, or onto its frame
            POINT p = {panel->x + (step.a ? 0 : step.b % (panel->w > 1 ? panel->w : 1)),
                       panel->y + (step.a ? -h / 2 : step.c % (panel->h > 1 ? panel->h : 1))};
            ClientToScreen(host_, &p);
            x = p.x, y = p.y;
        } else if (step.a == 2) {  // half off the screen
            x = step.b % 2 ? screen.right - w / 2 : -w / 2;
        } else if (step.a == 3) {  // wholly off it
            y = step.b % 2 ? screen.bottom + 40 : -h - 40;
        }
        snprintf(line, sizeof line, "SetWindowPos(FindUndockedDisplay(host_), nullptr, %d, %d, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);", x, y);
        Line(step, line);
        SetWindowPos(floating, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        unmoved_since_undock_ = false;
        break;
    }
    case Step::Size: {
        HWND floating = Floating();
        if (!shown || shown != floating)
            break;
        RECT r;
        GetWindowRect(floating, &r);
        r.right = r.left + step.a;
        r.bottom = r.top + step.b;
        // As the window manager sizes a window: WM_SIZING first, then the move.
        SendMessageA(floating, WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&r));
        snprintf(line, sizeof line, "SetWindowPos(FindUndockedDisplay(host_), nullptr, 0, 0, %ld, %ld, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);  // sized by the pilot",
                 r.right - r.left, r.bottom - r.top);
        Line(step, line);
        SetWindowPos(floating, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        unmoved_since_undock_ = false;
        break;
    }
    case Step::AltF4: {
        if (!shown || (GetWindowLongPtrA(shown, GWL_STYLE) & WS_CHILD))
            break;
        Line(step, "SendMessageA(" + WindowExpression(shown, docked) +
                       ", WM_SYSKEYDOWN, VK_F4, 0x20000000 | (0x3E << 16) | 1);  // Alt+F4");
        SendMessageA(shown, WM_SYSKEYDOWN, VK_F4, 0x20000000 | (0x3E << 16) | 1);
        on_ = false;
        hidden_always_ = false;
        unmoved_since_undock_ = false;
        break;
    }
    case Step::OrvaleItem:
    case Step::WayBack: {
        if (!ModuleRunning() || !ItemInMenu() || IsIconic(host_))
            break;
        Line(step, step.kind == Step::OrvaleItem ? "SendMessageA(host_, WM_COMMAND, 35224, 0);  // \"&Orvale\""
                                                 : "SendMessageA(host_, WM_COMMAND, 35224, 0);  // \"&Orvale\" as the way back");
        SendMessageA(host_, WM_COMMAND, 35224, 0);
        unmoved_since_undock_ = false;
        // Switched on (also a display hidden always, which is on but shows
        // nothing), the display comes back floating, and Hide always is
        // cleared for the aircraft.
        on_ = !on_ || hidden_always_;
        if (on_)
            hide_ = 0;
        else
            recall_ = -1;
        hidden_always_ = false;
        break;
    }
    case Step::Text: {
        const char* text = MessageText(step.b, step.e, step.f);
        last_text_ = step;
        last_time_ = step.c;
        if (step.b == 10)
            last_length_ = step.f;
        snprintf(line, sizeof line, "SimCallTextOutput(%s, %d, %d, %d);", Quoted(text).c_str(), step.a, step.c, step.d);
        Line(step, line);
        Text(text, step.a, step.c, step.d, false);
        break;
    }
    case Step::ShowMessage: {
        if (!loaded_)
            break;
        const char* text = MessageText(step.a, step.e);
        last_show_time_ = step.b;
        snprintf(line, sizeof line, "SimCallShowMessage(%s, %d);  // another module", Quoted(text).c_str(), step.b);
        Line(step, line);
        Text(text, step.b >= 0 ? 5 : 6, step.b >= 0 ? step.b : ~step.b, 0, true);
        break;
    }
    case Step::Ticks:
        snprintf(line, sizeof line, "SimRunTicks(%d);", step.a);
        Line(step, line);
        SimRunTicks(step.a);
        last_ticks_ = step.a;
        break;
    case Step::PanelLoad: {
        if (step.a == 5) {
            Line(step, "SimCallPanelLoad(\"C:\\\\FS\\\\Aircraft\\\\c172\\\\aircraft.cfg\");");
            SimCallPanelLoad("C:\\FS\\Aircraft\\c172\\aircraft.cfg");
            break;
        }
        const Aircraft& aircraft = aircraft_[static_cast<size_t>(step.a)];
        std::string path = aircraft.panel;
        if (step.b)  // the simulator's own spelling
            for (size_t i = path.size() - 5; i < path.size(); ++i)
                path[i] = static_cast<char>(toupper(path[i]));
        Line(step, "SimCallPanelLoad(" + aircraft.name + (step.b ? ".c_str());  // spelt ...\\PANEL" : ".c_str());"));
        SimCallPanelLoad(path.c_str());
        loaded_aircraft_ = step.a;
        // The module reads what its hook sees, stopped or not.
        if (MappedCopy())  // its hook stays in the chain, stopped or not
            LoadAircraft(step.a);
        break;
    }
    case Step::PanelCreate: {
        const uint16_t kind = step.e == 0 ? PanelKinds[edition_] : step.e == 1 ? 0x20A9 : ForeignKind;
        const COLORREF colour = RGB(40 + 30 * (panels_made_ % 5), 140, 60 + 20 * (panels_made_ % 3));
        HWND window = SimCreatePanel(step.a, step.b, step.c, step.d, kind, colour);
        if (!window)
            break;
        Panel made = {window, step.a, step.b, step.c, step.d, kind, "p" + std::to_string(panels_made_++)};
        snprintf(line, sizeof line, "HWND %s = SimCreatePanel(%d, %d, %d, %d, 0x%04X, RGB(%d, %d, %d));",
                 made.name.c_str(), step.a, step.b, step.c, step.d, kind, GetRValue(colour), GetGValue(colour),
                 GetBValue(colour));
        Line(step, line);
        panels_.push_back(made);
        break;
    }
    case Step::PanelShow:
        if (!panel)
            break;
        if (edition_ == FS2002) {
            Line(step, std::string(step.b ? "SimHostShowPanel(" : "SimHostHidePanel(") + panel->name + ");");
            step.b ? SimHostShowPanel(panel->window) : SimHostHidePanel(panel->window);
        } else {
            Line(step, "SimShowPanel(" + panel->name + (step.b ? ", true);" : ", false);"));
            SimShowPanel(panel->window, step.b != 0);
        }
        break;
    case Step::PanelFlags:
        if (!panel)
            break;
        Line(step, "SimSendPanelFlags(" + panel->name + (step.b ? ", 0x0013);" : ", 0x1837);"));
        SimSendPanelFlags(panel->window, step.b ? 0x0013 : 0x1837);
        break;
    case Step::PanelMove:
        if (!panel)
            break;
        snprintf(line, sizeof line, "SimMovePanel(%s, %d, %d, %d, %d);", panel->name.c_str(), step.b, step.c, step.d, step.e);
        Line(step, line);
        SimMovePanel(panel->window, step.b, step.c, step.d, step.e);
        panel->x = step.b, panel->y = step.c, panel->w = step.d, panel->h = step.e;
        break;
    case Step::PanelRaise:
        if (!panel)
            break;
        Line(step, "SetWindowPos(" + panel->name + ", HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);  // raised over the display");
        SetWindowPos(panel->window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        break;
    case Step::PanelDestroy: {
        if (!panel)
            break;
        const Panel gone = *panel;
        for (Neighbour& hood : neighbours)
            if (hood.panel == gone.window)
                hood.panel = nullptr, hood.in[HookPanelWindow] = false;
        SimDestroyPanel(gone.window);
        panels_.erase(panels_.begin() + (panel - panels_.data()));
        std::string text = "SimDestroyPanel(" + gone.name + ");";
        if (step.b) {
            if (HWND window = SimCreatePanel(gone.x, gone.y, gone.w, gone.h, gone.kind)) {
                Panel made = {window, gone.x, gone.y, gone.w, gone.h, gone.kind, "p" + std::to_string(panels_made_++)};
                snprintf(line, sizeof line, "  HWND %s = SimCreatePanel(%d, %d, %d, %d, 0x%04X);  // its replacement",
                         made.name.c_str(), gone.x, gone.y, gone.w, gone.h, gone.kind);
                text += line;
                panels_.push_back(made);
            }
        }
        Line(step, text);
        break;
    }
    case Step::MainWindow: {
        static const char* const shows[] = {"", "", "SW_MAXIMIZE", "SW_MINIMIZE", "SW_RESTORE", "SW_RESTORE"};
        if (step.a == 0) {
            snprintf(line, sizeof line, "SetWindowPos(host_, nullptr, %d, %d, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);", step.b, step.c);
            SetWindowPos(host_, nullptr, step.b, step.c, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        } else if (step.a == 1) {
            snprintf(line, sizeof line, "SetWindowPos(host_, nullptr, 0, 0, %d, %d, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);", step.d, step.e);
            SetWindowPos(host_, nullptr, 0, 0, step.d, step.e, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        } else {
            snprintf(line, sizeof line, "ShowWindow(host_, %s);", shows[step.a]);
            ShowWindow(host_, step.a == 2 ? SW_MAXIMIZE : step.a == 3 ? SW_MINIMIZE : SW_RESTORE);
        }
        Line(step, line);
        unmoved_since_undock_ = false;
        break;
    }
    case Step::Stop:
        if (!ModuleRunning())
            break;
        Line(step, "SimStopModule();");
        StopModule();
        break;
    case Step::Start:
        if (!loaded_ || running_)
            break;
        Line(step, "SimStartModule();  // and its timers run");
        StartModule();
        break;
    case Step::RestartInFlight: {
        if (!ModuleRunning())
            break;
        Line(step, step.a ? "// stop and start with the menu timer's WM_TIMER already queued"
                          : "// stop and start with the start-up poll's WM_TIMER already queued");
        StopModule();
        SimStartModule();
        if (step.a)
            WaitByWitness(55 * 3);
        // The module's next timer message is kept back, as a busy loop would.
        MSG held = {};
        bool have = false;
        for (const DWORD deadline = GetTickCount() + 10000; !have && static_cast<LONG>(deadline - GetTickCount()) > 0;) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            MSG msg;
            while (!have && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_TIMER && msg.hwnd == nullptr) {
                    held = msg;
                    have = true;
                } else {
                    TranslateMessage(&msg);
                    DispatchMessageA(&msg);
                }
            }
        }
        SimStopModule();
        SimStartModule();
        if (have)
            DispatchMessageA(&held);
        WaitByWitness(3000 + 55 + 200);
        ModuleStarted();
        break;
    }
    case Step::Unload: {
        if (!loaded_ || running_)
            break;
        Line(step, "SimUnloadModule();");
        SimUnloadModule();
        loaded_ = false;
        if (SimStaleAtUnload() != 0)
            neighbour_faults.push_back("the host had to take " + std::to_string(SimStaleAtUnload()) +
                                       " routines of the unloaded module out of its tables and windows");
        break;
    }
    case Step::Load: {
        if (loaded_)
            break;
        const bool kept = MappedCopy() != nullptr;
        Line(step, "SimLoadModule(\"orvale.dll\");  SimStartModule();");
        SimLoadModule(copy_.c_str());
        loaded_ = true;
        WatchDrawnText(MappedCopy());
        if (!kept) {
            history_.clear();
            history_known_ = true;
            newest_in_buffer_ = false;
            // A fresh library: nothing of before.
            stop_view_ = View{};
            known_ = -1;
            hide_ = autohide_ = 0;
            atis_ = 1;
            text_known_ = back_known_ = true;
            text_ = back_ = "1";
            place_known_ = false;
            chosen_face_.clear();
        }
        StartModule();
        break;
    }
    case Step::MenuBar: {
        // Full screen takes the bar away and puts the same bar back; a new
        // flight may bring a new bar, with another module's "&Modules" in it.
        if (step.a == 0 && !kept_bar_ && GetMenu(host_)) {
            Line(step, "HMENU kept_bar = SimSetMenuBar(nullptr);  // full screen");
            kept_bar_ = SimSetMenuBar(nullptr);
            unmoved_since_undock_ = false;  // the client area moved up, as when the window moves
        } else if (step.a == 1 && kept_bar_) {
            Line(step, "DestroyMenu(SimSetMenuBar(kept_bar));  // windowed again");
            if (HMENU other = SimSetMenuBar(kept_bar_))
                DestroyMenu(other);
            kept_bar_ = nullptr;
            unmoved_since_undock_ = false;
        } else if (step.a >= 2) {
            Line(step, step.a == 3 ? "DestroyMenu(SimSetMenuBar(SimCreateHostMenuBar()));  SimAddModulesPopup();"
                                   : "DestroyMenu(SimSetMenuBar(SimCreateHostMenuBar()));");
            if (HMENU old = SimSetMenuBar(SimCreateHostMenuBar()))
                DestroyMenu(old);
            if (step.a == 3)
                SimAddModulesPopup();
        }
        break;
    }
    case Step::DisplayMode: {
        DEVMODEA mode = {};
        mode.dmSize = sizeof mode;
        mode.dmPelsWidth = step.a ? 800 : DesktopWidth;
        mode.dmPelsHeight = step.a ? 600 : DesktopHeight;
        mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
        snprintf(line, sizeof line, "ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN);  // %lux%lu", mode.dmPelsWidth, mode.dmPelsHeight);
        Line(step, line);
        ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN);
        // Windows paints every window anew after a change of mode. Wine's
        // virtual desktop keeps each window's drawing surface cut to the
        // screen as it was when the window last moved, and leaves what lay
        // beyond the old size black: a move on the spot (nothing changes
        // for the window) makes the surface anew at the new size.
        for (HWND window : {host_, Floating(), Docked()})
            if (window && !(GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD))
                SetWindowPos(window, nullptr, 0, 0, 0, 0,
                             SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
        RedrawWindow(nullptr, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
        mode_changed_ = true;
        break;
    }
    case Step::Metrics: {
        NONCLIENTMETRICSA metrics = CurrentMetrics();
        metrics.iCaptionHeight = step.a;
        metrics.iBorderWidth = step.b;
        snprintf(line, sizeof line, "SetMetrics(%d, %d);  // caption height, frame width: SPI_SETNONCLIENTMETRICS and WM_SETTINGCHANGE",
                 step.a, step.b);
        Line(step, line);
        SetMetrics(metrics);
        break;
    }
    case Step::Hook: {
        HWND target = nullptr;
        if (step.b == HookPanelWindow) {
            if (!panel)
                break;
            target = panels_[static_cast<size_t>(step.c) % panels_.size()].window;
        }
        if (neighbours[step.a].in[step.b])
            break;
        snprintf(line, sizeof line, "// neighbour %d hooks the %s%s over whatever is there", step.a, HookNames[step.b],
                 target ? (" " + panels_[static_cast<size_t>(step.c) % panels_.size()].name).c_str() : "");
        Line(step, line);
        HookOver(step.a, static_cast<HookPoint>(step.b), target);
        break;
    }
    case Step::Unhook:
        if (!neighbours[step.a].in[step.b])
            break;
        snprintf(line, sizeof line, "// neighbour %d takes its %s hook out where it is on top", step.a, HookNames[step.b]);
        Line(step, line);
        TakeOut(step.a, static_cast<HookPoint>(step.b));
        break;
    case Step::NeighbourWindow: {
        Neighbour& hood = neighbours[0];
        if (hood.window) {
            Line(step, "DestroyWindow(other_window);  // a neighbour's window goes");
            DestroyWindow(hood.window);
            hood.window = nullptr;
            break;
        }
        // A neighbour's own window, owned by the simulator's, over its scenery.
        static bool registered = false;
        if (!registered) {
            WNDCLASSA wc = {};
            wc.lpfnWndProc = DefWindowProcA;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
            wc.lpszClassName = "ExplorerNeighbourWindow";
            registered = RegisterClassA(&wc) != 0;
        }
        snprintf(line, sizeof line, "HWND other_window = CreateWindowExA(WS_EX_TOOLWINDOW, \"Static\", \"\", WS_POPUP | WS_VISIBLE, %d, %d, 300, 120, host_, nullptr, nullptr, nullptr);",
                 step.b, step.c);
        Line(step, line);
        hood.window = CreateWindowExA(WS_EX_TOOLWINDOW, "ExplorerNeighbourWindow", "", WS_POPUP, step.b, step.c, 300,
                                      120, host_, nullptr, GetModuleHandleA(nullptr), nullptr);
        ShowWindow(hood.window, SW_SHOWNA);
        break;
    }
    }
    Settle();
    // The module follows its panel, the simulator's window and the screen by
    // its next 20th tick.
    switch (step.kind) {
    case Step::PanelCreate: case Step::PanelShow: case Step::PanelFlags: case Step::PanelMove:
    case Step::PanelDestroy: case Step::MainWindow: case Step::MenuBar: case Step::DisplayMode: case Step::Metrics:
        if (!step.line.empty()) {
            settled_ = false;
            ticks_since_change_ = 0;
            if (!running_)
                stop_view_ = View{};
        }
        break;
    case Step::Ticks:
        // Ticks reach only a running module; any 20 in a row hold a 20th.
        if (ModuleRunning())
            ticks_since_change_ += step.a;
        settled_ = settled_ || ticks_since_change_ >= 20;
        break;
    default:
        break;
    }
}

// ---- The promises ----

std::vector<std::string> Fields(const std::string& value)
{
    std::vector<std::string> fields;
    size_t at = 0;
    for (size_t comma; (comma = value.find(',', at)) != std::string::npos; at = comma + 1)
        fields.push_back(value.substr(at, comma - at));
    fields.push_back(value.substr(at));
    return fields;
}

bool HasVisibleText(const std::string& text)
{
    return text.find_first_not_of(' ') != std::string::npos;
}

void World::Check(const Step& step, std::vector<Violation>* found)
{
    auto fail = [&](int promise, const std::string& what) { found->push_back({promise, what}); };
    for (const std::string& fault : neighbour_faults)
        fail(5, fault);
    neighbour_faults.clear();

    // 1 and 2: a message is taken only where it is seen, and otherwise
    // reaches the simulator once, whole.
    if (message_.sent) {
        const std::vector<SimTextCall>& calls = SimTextCalls();
        const bool fs2002_atis = edition_ == FS2002 && message_.type == 3;
        auto is = [&](const SimTextCall& call, const std::string& text, int32_t append) {
            return call.text == text && call.text_null == message_.null && call.type == message_.type &&
                   call.time == message_.time && call.append == append;
        };
        const bool passed = calls.size() == 1 && is(calls[0], message_.text, message_.append);
        const bool taken = edition_ == FS98 ? calls.empty()
                                            : calls.size() == 1 && is(calls[0], "", fs2002_atis ? 0 : message_.append);
        if (!passed && !taken) {
            std::string got = std::to_string(calls.size()) + " calls";
            if (!calls.empty())
                got += ", the first " + Quoted(calls[0].text_null ? nullptr : calls[0].text.c_str()) + " type " +
                       std::to_string(calls[0].type) + " time " + std::to_string(calls[0].time) + " append " +
                       std::to_string(calls[0].append);
            fail(2, "the simulator got neither the message whole nor the empty text of a taken one: " + got);
        }
        if (taken && loaded_)
            KeepTaken(passed);
        if (taken && !passed && !message_.null && HasVisibleText(message_.text)) {
            HWND shown = Shown();
            std::string why;
            if (!shown)
                fail(1, "a message was taken, but no display window is shown");
            else if (!SeenByThePilot(shown, &why))
                fail(1, "a message was taken into a display the pilot cannot see: " + why);
        }
    }

    if (!host_)
        return;

    // 2 and 5: every hook in every chain, the module's and the neighbours',
    // passes each call on exactly once.
    for (Neighbour& hood : neighbours)
        for (int& calls : hood.calls)
            calls = 0;
    SimClearCalls();
    SimCallTextOutput("Probe", 1, 7, 0);
    SimCallPanelLoad("C:\\FS\\Probe\\aircraft.cfg");
    SendMessageA(host_, WM_COMMAND, 1234, 0);
    // A message of the host's own to each panel (the FS2002 subclass keeps
    // the host's position notifications from the panel, as it should).
    const UINT probe = WM_APP + 7;
    std::vector<int> seen_before;
    for (const Panel& panel : panels_) {
        seen_before.push_back(SimPanelSeenMessages(panel.window, probe));
        SendMessageA(panel.window, probe, 0, 0);
    }
    if (SimTextCalls().size() != 1 || SimTextCalls()[0].text != "Probe" || SimTextCalls()[0].type != 1)
        fail(2, "a message of another type reached the simulator " + std::to_string(SimTextCalls().size()) + " times");
    if (SimPanelLoadCalls().size() != 1)
        fail(5, "a panel load reached the simulator " + std::to_string(SimPanelLoadCalls().size()) + " times");
    int commands = 0;
    for (uint32_t id : SimMainCommands())
        commands += id == 1234;
    if (commands != 1)
        fail(5, "a command reached the simulator's main window " + std::to_string(commands) + " times");
    for (size_t i = 0; i < panels_.size(); ++i) {
        const int seen = SimPanelSeenMessages(panels_[i].window, probe) - seen_before[i];
        if (seen != 1)
            fail(5, "a message reached panel " + panels_[i].name + "'s own procedure " + std::to_string(seen) +
                        " times");
    }
    for (int n = 0; n < 2; ++n)
        for (int point = 0; point < HookPoints; ++point) {
            const Neighbour& hood = neighbours[n];
            const bool probed = point != HookPanelWindow || (hood.panel && IsWindow(hood.panel));
            if (hood.in[point] && probed && hood.calls[point] != 1)
                fail(5, "neighbour " + std::to_string(n) + "'s " + HookNames[point] + " hook was called " +
                            std::to_string(hood.calls[point]) + " times for one call");
        }
    for (const std::string& fault : neighbour_faults)
        fail(5, fault);
    neighbour_faults.clear();

    // 3: the pilot's record.
    for (size_t i = 0; i < aircraft_.size(); ++i) {
        Aircraft& aircraft = aircraft_[i];
        const std::string now = SimReadFile(aircraft.file);
        const bool saved_here = save_expected_ && static_cast<int>(i) == known_ && aircraft.has_file;
        if (now != aircraft.content && !saved_here) {
            fail(3, aircraft.name + "'s panel.cfg changed " +
                        (save_expected_ ? std::string("on a save for ") +
                                              (known_ >= 0 ? aircraft_[known_].name : std::string("no aircraft"))
                                        : std::string("though the pilot saved nothing")));
        } else if (saved_here && static_cast<int>(i) != loaded_aircraft_) {
            fail(3, aircraft.name + "'s panel.cfg was saved while " +
                        (loaded_aircraft_ >= 0 ? aircraft_[loaded_aircraft_].name : std::string("no aircraft")) +
                        " is the one loaded");
        } else if (saved_here) {
            // Every value is the pilot's choice or what the file held.
            const std::string expected_window = (place_known_ ? place_ : std::string("?,?,?,?")) + "," +
                                                (text_known_ ? text_ : std::string("?")) + "," +
                                                (back_known_ ? back_ : std::string("?"));
            const std::string window = ReadEntry(aircraft.file, "Window");
            const std::vector<std::string> got = Fields(window), want = Fields(expected_window);
            bool window_ok = got.size() == 6;
            for (size_t f = 0; window_ok && f < 6; ++f)
                window_ok = want[f] == "?" || got[f] == want[f];
            // The module never writes a height below one line of its own.
            const std::vector<std::string> held = Fields(place_);
            if (window_ok && atoi(got[3].c_str()) < line_height_ && !(place_known_ && held.size() == 4 && held[3] == got[3]))
                fail(3, aircraft.name + "'s save holds Window=" + window + ", a height below one line (" +
                            std::to_string(line_height_) + ")");
            const std::string font = ReadEntry(aircraft.file, "Font");
            const bool font_ok = chosen_face_.empty() ? font == aircraft.font
                                                      : font.compare(0, chosen_face_.size() + 1, chosen_face_ + ",") == 0;
            const std::string hide = ReadEntry(aircraft.file, "HideWindow");
            const std::string autohide = ReadEntry(aircraft.file, "AutoHide");
            const std::string atis = ReadEntry(aircraft.file, "AlsoATIS");
            const bool switches_ok = hide == (hide_ ? "Yes" : "No") && autohide == (autohide_ ? "Yes" : "No") &&
                                     atis == (atis_ ? "Yes" : "No");
            if (!window_ok || !font_ok || !switches_ok)
                fail(3, aircraft.name + "'s save holds Window=" + window + " Font=" + font + " HideWindow=" + hide +
                            " AutoHide=" + autohide + " AlsoATIS=" + atis + "; the pilot's record is Window=" +
                            expected_window + " Font=" + (chosen_face_.empty() ? aircraft.font : chosen_face_ + ",...") +
                            " HideWindow=" + (hide_ ? "Yes" : "No") + " AutoHide=" + (autohide_ ? "Yes" : "No") +
                            " AlsoATIS=" + (atis_ ? "Yes" : "No"));
            if (OtherSections(now) != OtherSections(aircraft.content))
                fail(3, aircraft.name + "'s save changed the simulator's own sections of panel.cfg");
            PickUpFile(aircraft);
            place_known_ = true;
            place_ = aircraft.place;
            if (aircraft.colours) {
                text_known_ = back_known_ = true;
                text_ = std::to_string(aircraft.text);
                back_ = std::to_string(aircraft.back);
            }
        }
        aircraft.content = now;
    }

    // 4: the way back, and the check mark saying whether the display is on.
    if (step.kind == Step::WayBack && !step.line.empty()) {
        HWND shown = Shown();
        std::string why;
        if (!(shown && SeenByThePilot(shown, &why)) && !hidden_always_) {
            SendMessageA(host_, WM_COMMAND, 35224, 0);
            on_ = !on_;
            hide_ = on_ ? 0 : hide_;
            if (!on_)
                recall_ = -1;  // switched off in between: the recall went with it
            shown = Shown();
        }
        if (!shown) {
            const HWND floating = Floating();
            fail(4, std::string("\"&Orvale\" chosen twice shows no display: the floating window ") +
                        (!floating ? "is gone" : IsWindowVisible(floating) ? "is shown" : "is hidden") +
                        (IsIconic(host_) ? ", the simulator minimised" : ""));
        }
        else if (!SeenByThePilot(shown, &why))
            fail(4, "\"&Orvale\" shows a display the pilot cannot see: " + why);
    }
    if (ModuleRunning() && ItemInMenu()) {
        // As the pilot opens the menu.
        HMENU bar = GetMenu(host_);
        SendMessageA(host_, WM_INITMENU, reinterpret_cast<WPARAM>(bar), 0);
        for (int i = GetMenuItemCount(bar) - 1; i >= 0; --i)
            if (HMENU popup = GetSubMenu(bar, i))
                if (GetMenuState(popup, 35224, MF_BYCOMMAND) != static_cast<UINT>(-1))
                    SendMessageA(host_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), i);
        const bool checked = (GetMenuState(bar, 35224, MF_BYCOMMAND) & MF_CHECKED) != 0;
        if (checked != on_)
            fail(4, std::string("\"&Orvale\" is ") + (checked ? "checked" : "unchecked") + " while the display is " +
                        (on_ ? "on" : "off"));
    }

    // 6: nothing of the module on the desktop while the simulator is
    // minimised, and never two displays at once.
    DisplayWindows displays = FindDisplayWindows();
    if (IsIconic(host_))
        for (HWND window : {displays.docked, displays.floating})
            if (window && IsWindowVisible(window) && !(GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD))
                fail(6, "a display window stands on the desktop while the simulator is minimised");
    if (displays.docked && displays.floating && IsWindowVisible(displays.docked) && IsWindowVisible(displays.floating))
        fail(6, "both display windows are shown at once");

    // 1: what is shown is at least one line high, and a change of form keeps
    // the text area's size.
    if (ModuleRunning())
        if (const HWND shown = Shown()) {
            RECT outer = {}, client = {};
            GetWindowRect(shown, &outer);
            GetClientRect(shown, &client);
            const bool docked = shown == Docked();
            const int height = docked ? outer.bottom - outer.top : client.bottom;
            if (height < line_height_)
                fail(1, std::string("the ") + (docked ? "docked" : "floating") + " display shows a text area " +
                            std::to_string(client.bottom) + " pixels high, below one line (" +
                            std::to_string(line_height_) + ")");
        }
    if (area_checked_ && ModuleRunning()) {
        const bool undock = step.a == 40002;
        const HWND now = undock ? Floating() : Docked();
        RECT outer = {}, client = {};
        GetWindowRect(now, &outer);
        GetClientRect(now, &client);
        const int least = undock ? line_height_ : line_height_ - 2 * GetSystemMetrics(SM_CYBORDER);
        const SIZE want = {area_before_.cx, area_before_.cy > least ? area_before_.cy : least};
        // Where Windows or the module's minimum width decides the size, it is
        // not the text area's own.
        const bool limited = area_before_.cx < 2 * line_height_ + GetSystemMetrics(SM_CYCAPTION) ||
                             outer.right - outer.left <= GetSystemMetrics(SM_CXMINTRACK) ||
                             outer.bottom - outer.top <= GetSystemMetrics(SM_CYMINTRACK) ||
                             outer.right - outer.left >= GetSystemMetrics(SM_CXSCREEN) ||
                             outer.bottom - outer.top >= GetSystemMetrics(SM_CYSCREEN) || area_before_.cx > 30000 ||
                             area_before_.cy > 30000;
        if (now && !limited && (client.right != want.cx || client.bottom != want.cy))
            fail(1, std::string(undock ? "Undock" : "Dock") + " made the text area " + std::to_string(client.right) +
                        "x" + std::to_string(client.bottom) + " of " + std::to_string(area_before_.cx) + "x" +
                        std::to_string(area_before_.cy));
    }

    // 1: a docked display goes with its panel.
    WatchPanelFollowing(step, found);

    // 3: a start brings the display back as the pilot left it at the stop.
    const bool started = (step.kind == Step::Start || step.kind == Step::RestartInFlight || step.kind == Step::Load) &&
                         !step.line.empty() && ModuleRunning();
    if (started && stop_view_.valid && !aircraft_read_while_stopped_ && !IsIconic(host_)) {
        const View now = Look();
        auto describe = [](const View& view) {
            if (!view.valid)
                return std::string("nothing shown");
            char text[200];
            snprintf(text, sizeof text, "%s at (%ld,%ld)-(%ld,%ld), text %06lX on %06lX, %s",
                     view.docked ? "docked" : "floating", view.place.left, view.place.top, view.place.right,
                     view.place.bottom, static_cast<unsigned long>(view.text), static_cast<unsigned long>(view.back),
                     view.face.c_str());
            return std::string(text);
        };
        // A docked display is placed inside the simulator's client area: one
        // that went with its panel partly out of it comes back just inside.
        RECT want = stop_view_.place;
        if (stop_view_.docked) {
            RECT area = {};
            GetClientRect(host_, &area);
            const auto inside = [](LONG at, LONG size, LONG end) {
                at = at > end - size ? end - size : at;
                return at < 0 ? 0 : at;
            };
            const LONG w = want.right - want.left, h = want.bottom - want.top;
            want.left = inside(want.left, w, area.right);
            want.top = inside(want.top, h, area.bottom);
            want.right = want.left + w;
            want.bottom = want.top + h;
        }
        if (!now.valid || now.docked != stop_view_.docked || !EqualRect(&now.place, &want) ||
            now.text != stop_view_.text || now.back != stop_view_.back || now.face != stop_view_.face)
            fail(3, "a stop and a start did not bring the display back as the pilot left it: " +
                        describe(stop_view_) + " at the stop, " + describe(now) + " after the start");
    }
    if (started)
        stop_view_ = View{};

    CheckRecall(step, found);

    // 7: the keyboard stays with the simulator.
    if (!IsIconic(host_) && IsWindowVisible(host_)) {
        std::string who;
        if (!SimulatorHasKeyboard(host_, &who))
            fail(7, "the simulator does not have the keyboard: " + who);
    }
}

// A docked display goes with its panel: where the module is seen attached to
// a panel, the display keeps its place on it while the simulator moves the
// panel (on FS2002 by the next 20th tick). Watched only across steps that
// leave the display where it is; any other step starts the watch afresh.
void World::WatchPanelFollowing(const Step& step, std::vector<Violation>* found)
{
    const HWND docked = ModuleRunning() ? Docked() : nullptr;
    const Panel* on = nullptr;
    for (const Panel& panel : panels_) {
        if (!docked || !IsWindow(panel.window))
            continue;
        if (edition_ == FS2002) {
            // Followed through its window procedure, which keeps every
            // position notification from the panel's own procedure while it
            // follows the panel: one of no meaning to either is sent, and
            // whether the panel's own procedure saw it tells.
            const UINT probe = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW;
            const auto seen = [&] {
                int count = 0;
                for (UINT flags : SimPanelSeenFlags(panel.window))
                    count += flags == probe;
                return count;
            };
            const int before = seen();
            SimSendPanelFlags(panel.window, probe);
            if (seen() == before)
                on = &panel;
        } else if (GetParent(docked) == panel.window) {
            on = &panel;
        }
    }
    auto offset = [&](HWND panel) {
        RECT display = {}, under = {};
        GetWindowRect(docked, &display);
        GetWindowRect(panel, &under);
        return POINT{display.left - under.left, display.top - under.top};
    };
    static const Step::Kind passive[] = {Step::Text, Step::ShowMessage, Step::Ticks, Step::Click, Step::PanelMove,
                                         Step::PanelShow, Step::PanelFlags, Step::PanelRaise, Step::Hook,
                                         Step::Unhook, Step::NeighbourWindow};
    attached_ = on != nullptr;
    bool watching = follow_.panel && on && on->window == follow_.panel;
    if (watching) {
        watching = false;
        for (Step::Kind kind : passive)
            watching = watching || step.kind == kind;
    }
    if (watching) {
        if (step.kind == Step::PanelMove && !step.line.empty() && on == &panels_[static_cast<size_t>(step.a) % panels_.size()]) {
            follow_.moved = true;
            follow_.ticks = 0;
        }
        if (step.kind == Step::Ticks && follow_.moved)
            follow_.ticks += step.a;
        if (step.kind == Step::Ticks && follow_.moved && follow_.ticks >= 20) {
            const POINT now = offset(on->window);
            if (now.x != follow_.offset.x || now.y != follow_.offset.y)
                found->push_back({1, "the docked display did not go with its panel " + on->name + ": it stands at (" +
                                         std::to_string(now.x) + "," + std::to_string(now.y) + ") of it, not (" +
                                         std::to_string(follow_.offset.x) + "," + std::to_string(follow_.offset.y) +
                                         ")"});
            follow_.moved = false;
        }
        return;
    }
    follow_ = Follow{};
    // Begun only where the module has caught up with what moved.
    if (on && settled_) {
        follow_.panel = on->window;
        follow_.offset = offset(on->window);
    }
}

// ---- Runs, shrinking and the report ----

// The same broken promise, in the same words up to the first colon.
bool SameFault(const Violation& a, const Violation& b)
{
    return a.promise == b.promise && a.what.substr(0, a.what.find(':')) == b.what.substr(0, b.what.find(':'));
}

struct Fault {
    int at;  // the step after which the promise broke
    Violation violation;
};

struct Outcome {
    std::vector<Fault> faults;  // each broken promise once, in the order found
    std::vector<Step> steps;
    std::string setup;
    size_t gdi = 0, user = 0;  // what the process held once the world was gone
};

// Plays `steps` (drawn afresh when null). Every fault found is noted once and
// the run goes on; with a `target` it ends as soon as that fault is found.
Outcome Play(Edition edition, uint64_t seed, int count, const std::vector<Step>* steps, const Violation* target)
{
    static int serial = 0;
    Outcome outcome;
    World world(edition, seed, ++serial);
    std::string why;
    if (!world.SetUp(&why)) {
        outcome.faults.push_back({0, {0, "the world could not be set up: " + why}});
        return outcome;
    }
    outcome.setup = world.Setup();
    Random random(seed);
    const bool verbose = getenv("ORVALE_EXPLORE_VERBOSE") != nullptr;
    for (int i = 0; i < count; ++i) {
        Step step = steps ? (*steps)[static_cast<size_t>(i)] : world.Draw(random);
        const DWORD began = GetTickCount();
        world.Perform(step);
        if (verbose)
            fprintf(stderr, "%4d %5lu ms %4zu gdi  %s\n", i + 1, GetTickCount() - began,
                    FaithfulGdiCount() ? FaithfulGdiCount()() : 0, step.line.c_str());
        outcome.steps.push_back(step);
        std::vector<Violation> found;
        world.Check(step, &found);
        for (const Violation& violation : found) {
            if (target && SameFault(violation, *target)) {
                outcome.faults = {{i, violation}};
                return outcome;
            }
            bool known = false;
            for (const Fault& fault : outcome.faults)
                known = known || SameFault(fault.violation, violation);
            if (!known && !target)
                outcome.faults.push_back({i, violation});
        }
    }
    world.TearDown();
    if (size_t (*gdi)() = FaithfulGdiCount())
        outcome.gdi = gdi();
    outcome.user = UserObjectCount();
    if (target)
        outcome.faults.clear();
    return outcome;
}

// The shortest sequence that still breaks the promise of `fault`: steps are
// dropped in halves, then quarters, down to single steps.
Outcome Shrink(Edition edition, uint64_t seed, const std::vector<Step>& steps, const Fault& fault)
{
    Outcome best;
    best.steps.assign(steps.begin(), steps.begin() + fault.at + 1);
    best.faults = {fault};
    const DWORD deadline = GetTickCount() + 10 * 60 * 1000;
    for (size_t chunk = best.steps.size() / 2; chunk >= 1; chunk /= 2) {
        for (size_t start = 0; start < best.steps.size() && static_cast<LONG>(deadline - GetTickCount()) > 0;) {
            std::vector<Step> fewer;
            for (size_t i = 0; i < best.steps.size(); ++i)
                if (i < start || i >= start + chunk)
                    fewer.push_back(best.steps[i]);
            Outcome tried;
            if (!fewer.empty())
                tried = Play(edition, seed, static_cast<int>(fewer.size()), &fewer, &fault.violation);
            if (!tried.faults.empty()) {
                tried.steps.resize(static_cast<size_t>(tried.faults[0].at) + 1);
                best = tried;
            } else {
                start += chunk;
            }
        }
        if (chunk == 1)
            break;
    }
    // Played once more for the lines of what each step did.
    Outcome lines = Play(edition, seed, static_cast<int>(best.steps.size()), &best.steps, &fault.violation);
    return lines.faults.empty() ? best : lines;
}

std::string Report(Edition edition, uint64_t seed, int count, const Fault& first, const Outcome& shortest)
{
    std::string text = std::string("explore: ") + EditionNames[edition] + " seed " + std::to_string(seed) + ", " +
                       std::to_string(count) + " steps: promise " + std::to_string(first.violation.promise) +
                       " broken after step " + std::to_string(first.at + 1) + ": " + first.violation.what +
                       "\n  replay: ORVALE_EXPLORE_SEED=" + std::to_string(seed) +
                       " ORVALE_EXPLORE_STEPS=" + std::to_string(count) + " --gtest_filter=*" + EditionNames[edition];
    if (shortest.steps.empty())
        return text + "\n";
    text += "\n  the shortest sequence found (" + std::to_string(shortest.steps.size()) +
            " steps), as in a scenario test:\n" + shortest.setup;
    for (const Step& step : shortest.steps)
        if (!step.line.empty())
            text += "    " + step.line + "\n";
    const Violation& last = shortest.faults.empty() ? first.violation : shortest.faults[0].violation;
    return text + "    // promise " + std::to_string(last.promise) + ": " + last.what + "\n";
}

uint64_t EnvNumber(const char* name, uint64_t fallback)
{
    const char* text = getenv(name);
    return text && *text ? strtoull(text, nullptr, 10) : fallback;
}

// What the process makes once and keeps (the common dialogs' own objects,
// the display modes), made before the first count.
LRESULT CALLBACK WarmUpProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_COMMAND && wparam == 1) {
        COLORREF custom[16] = {};
        CHOOSECOLORA colour = {sizeof colour, window};
        colour.lpCustColors = custom;
        ChooseColorA(&colour);
    } else if (message == WM_COMMAND && wparam == 2) {
        LOGFONTA font = {};
        CHOOSEFONTA choose = {sizeof choose, window};
        choose.lpLogFont = &font;
        choose.Flags = CF_SCREENFONTS;
        ChooseFontA(&choose);
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

void WarmUp()
{
    static bool done;
    if (done)
        return;
    done = true;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WarmUpProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ExplorerWarmUp";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance,
                                  nullptr);
    for (WPARAM command : {1, 2})
        CommandWithDialog(window, static_cast<UINT>(command), [](HWND dialog) { Press(dialog, IDCANCEL); });
    DestroyWindow(window);
    // Windows keeps a cache of device contexts that grows with the most
    // held at once, and keeps them.
    HWND windows[12];
    HDC contexts[12];
    for (int i = 0; i < 12; ++i) {
        windows[i] = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        contexts[i] = GetDC(windows[i]);
    }
    for (int i = 0; i < 12; ++i) {
        ReleaseDC(windows[i], contexts[i]);
        DestroyWindow(windows[i]);
    }
    if (own_desktop.virtual_desktop) {
        DEVMODEA mode = {};
        mode.dmSize = sizeof mode;
        mode.dmPelsWidth = 800;
        mode.dmPelsHeight = 600;
        mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
        ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN);
        ChangeDisplaySettingsA(nullptr, 0);
    }
}

class Explore : public ::testing::TestWithParam<Edition> {};

TEST_P(Explore, EveryPromiseHoldsAlongRandomSequences)
{
    const Edition edition = GetParam();
    const uint64_t first_seed = EnvNumber("ORVALE_EXPLORE_SEED", 1 + 1000 * static_cast<uint64_t>(edition));
    const uint64_t steps = EnvNumber("ORVALE_EXPLORE_STEPS", 0);
    const int run_length = steps ? static_cast<int>(steps < 1000 ? steps : 1000) : 100;
    const uint64_t runs = steps ? (steps + run_length - 1) / run_length : EnvNumber("ORVALE_EXPLORE_RUNS", 3);
    const bool shrink = EnvNumber("ORVALE_EXPLORE_SHRINK", 1) != 0;
    // The copies earlier programs of this edition left mapped until they
    // ended; the other editions' programs may be running beside this one.
    WIN32_FIND_DATAA left;
    HANDLE search = FindFirstFileA((SimExeFolder() + "\\orvale-explore-" + EditionNames[edition] + "-*.dll").c_str(), &left);
    if (search != INVALID_HANDLE_VALUE) {
        do
            DeleteFileA((SimExeFolder() + "\\" + left.cFileName).c_str());
        while (FindNextFileA(search, &left));
        FindClose(search);
    }
    uint64_t played = 0;
    const DWORD began = GetTickCount();
    size_t gdi = 0, user = 0;  // what the run before left
    WarmUp();
    for (uint64_t run = 0; run < runs; ++run) {
        const uint64_t seed = first_seed + run;
        const int count = steps ? static_cast<int>(steps - played < static_cast<uint64_t>(run_length)
                                                       ? steps - played
                                                       : static_cast<uint64_t>(run_length))
                                : run_length;
        const Outcome outcome = Play(edition, seed, count, nullptr, nullptr);
        played += static_cast<uint64_t>(count);
        if (getenv("ORVALE_EXPLORE_VERBOSE"))
            fprintf(stderr, "explore: after seed %llu: %zu GDI objects, %zu USER objects (%zu windows)\n",
                    static_cast<unsigned long long>(seed), outcome.gdi, outcome.user, OwnWindowCount());
        const char* only = getenv("ORVALE_EXPLORE_FAULT");  // shrink only the faults saying this
        for (const Fault& fault : outcome.faults) {
            const bool chosen = !only || fault.violation.what.find(only) != std::string::npos;
            ADD_FAILURE() << Report(edition, seed, count, fault,
                                    shrink && chosen && fault.at > 0 ? Shrink(edition, seed, outcome.steps, fault)
                                                                     : Outcome{});
        }
        // Windows makes some objects at their first use and keeps them (its
        // cache of contexts, the brushes of system colours, bitmaps of its
        // own): from the third run on, when the first two have used most
        // things once, a run leaves what the run before left. A run that
        // leaves more is played again: the same seed takes the same paths,
        // and leaves no more the second time unless something leaks.
        size_t after_gdi = outcome.gdi, after_user = outcome.user;
        if (outcome.faults.empty() && run > 1 && (after_gdi != gdi || after_user != user)) {
            // Wine's common dialogs, destroyed with their owner while open
            // (a stop inside a chooser), leave a few objects of their own
            // now and then and take them back later: a count that rises
            // again over a second replay is a leak, one that settles is not.
            Outcome again = Play(edition, seed, count, nullptr, nullptr);
            if (again.gdi > after_gdi || again.user > after_user) {
                const Outcome third = Play(edition, seed, count, nullptr, nullptr);
                if ((third.gdi > again.gdi && again.gdi > after_gdi) ||
                    (third.user > again.user && again.user > after_user))
                    ADD_FAILURE() << "explore: " << EditionNames[edition] << " seed " << seed << ", " << count
                                  << " steps: promise 6 broken over the run: GDI objects " << gdi << " -> "
                                  << after_gdi << " -> " << again.gdi << " -> " << third.gdi
                                  << " played twice again, USER objects " << user << " -> " << after_user << " -> "
                                  << again.user << " -> " << third.user;
                again = third;
            }
            after_gdi = again.gdi;
            after_user = again.user;
        }
        gdi = after_gdi;
        user = after_user;
        if (!outcome.faults.empty())
            return;
    }
    printf("explore: %s, %llu steps in %llu runs from seed %llu, every promise held (%.1f s)\n", EditionNames[edition],
           static_cast<unsigned long long>(played), static_cast<unsigned long long>(runs),
           static_cast<unsigned long long>(first_seed), (GetTickCount() - began) / 1000.0);
}

std::string EditionName(const ::testing::TestParamInfo<Edition>& info) { return EditionNames[info.param]; }

INSTANTIATE_TEST_SUITE_P(Editions, Explore, ::testing::Values(FS98, FS2000, FS2002), EditionName);

}  // namespace

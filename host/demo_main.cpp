// orvale-demo: a scripted flight-simulator session around the module, run
// unattended in the simulated host. It tells the module's whole story in a
// row of named steps: the simulator starts and the module comes up on its
// own; an ATIS broadcast scrolls, a static message expires, another module
// shows a message; the pilot switches the display off and on through the
// "&Modules" menu; an aircraft with saved settings docks the display on its
// panel in its own colours and font, the panel hides and shows; the pilot
// undocks, re-docks and saves; an aircraft without settings switches the
// display off; the simulator stops and unloads the module.
//
// Every step logs what the host does and what the pilot sees, takes
// screenshots (NN-name.png) and checks that the module did what it should, so
// the demo doubles as a smoke test: exit code 0 when every check held, 1 when
// one failed, 2 for bad arguments.
#include "host/sim_host.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// ---- Constants of the module's interface, as a host or a pilot knows them ----

const char DisplayClass[] = "OrvaleWindow";
const char MenuPopupClass[] = "#32768";  // the system's class of open menus
constexpr UINT OrvaleItem = 35224;       // "&Orvale" in the "&Modules" popup
constexpr UINT CmdDock = 40001;          // the display's right-button menu
constexpr UINT CmdUndock = 40002;
constexpr UINT CmdSave = 40008;

// Default display colours (palette entry 1 of each role) and the ones the
// first aircraft's settings choose (text entry 4, background entry 3).
constexpr COLORREF DefaultText = RGB(255, 0, 0);
constexpr COLORREF DefaultBack = RGB(60, 60, 60);
constexpr COLORREF SavedText = RGB(0xC0, 0xC0, 0x00);
constexpr COLORREF SavedBack = RGB(0x0F, 0x0F, 0x58);

// The simulated cockpit: main window, and the instrument panels of the two
// aircraft in the main window's client area.
constexpr int MainX = 20, MainY = 20, MainW = 1000, MainH = 720;
constexpr RECT Panel1 = {150, 420, 850, 640};
constexpr RECT Panel2 = {60, 470, 940, 660};
constexpr COLORREF Panel2Colour = RGB(90, 90, 100);
constexpr uint16_t PanelKind = 0x20A9;  // a panel kind every edition knows
constexpr UINT PanelShowFlags = 0x0013;  // how the simulator brings a panel up

// Where the first aircraft's settings dock the display (main window client
// coordinates) and how far the pilot drags the floating display down.
constexpr int SavedX = 170, SavedY = 440, SavedW = 520, SavedH = 30;
constexpr int DragDown = 90;

// ---- Command line ----

struct Edition {
    const char* name;
    const char* class_name;
    const char* title;
    int version;  // 0 FS98, 1 FS2000, 2 FS2002
};
const Edition Editions[] = {
    {"fs98", "FS98MAIN", "Microsoft Flight Simulator 98", 0},
    {"fs2000", "FS2000MAIN", "Microsoft Flight Simulator 2000", 1},
    {"fs2002", "FS2002MAIN", "Microsoft Flight Simulator 2002", 2},
};

struct Options {
    std::string out_dir;
    std::string dll;
    const Edition* edition = &Editions[2];
};

const char Usage[] =
    "usage: orvale-demo [OUTPUT-FOLDER] [--edition fs98|fs2000|fs2002] [--dll PATH]\n"
    "\n"
    "Runs a scripted flight-simulator session around the Orvale module in the\n"
    "simulated host and writes numbered screenshots (NN-name.png) and\n"
    "demo-log.txt into OUTPUT-FOLDER (default: ..\\demo beside this program).\n"
    "Screenshots and the log of an earlier run in that folder are replaced.\n"
    "\n"
    "  --edition E  the simulator edition the host plays (default fs2002)\n"
    "  --dll PATH   the module to load (default: orvale.dll beside this\n"
    "               program; it must be of this program's bitness: 32-bit\n"
    "               for build\\win32-tests, 64-bit for build\\win64)\n"
    "  --help       this text\n"
    "\n"
    "Exit code: 0 when the module did what every step expects, 1 when a step\n"
    "went wrong (the log says which), 2 for bad arguments.\n";

// 0: go on; otherwise the exit code to end with (1 asked for help: exit 0).
int ParseArguments(int argc, char** argv, Options* options)
{
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h" || arg == "/?") {
            fputs(Usage, stdout);
            return 1;
        }
        if (arg == "--edition" || arg == "--dll") {
            if (i + 1 >= argc) {
                fprintf(stderr, "orvale-demo: %s needs a value\n\n%s", arg.c_str(), Usage);
                return 2;
            }
            std::string value = argv[++i];
            if (arg == "--dll") {
                options->dll = value;
                continue;
            }
            options->edition = nullptr;
            for (const Edition& edition : Editions)
                if (_stricmp(value.c_str(), edition.name) == 0)
                    options->edition = &edition;
            if (!options->edition) {
                fprintf(stderr, "orvale-demo: unknown edition \"%s\"\n\n%s", value.c_str(), Usage);
                return 2;
            }
            continue;
        }
        if (arg.size() > 1 && arg[0] == '-') {
            fprintf(stderr, "orvale-demo: unknown option %s\n\n%s", arg.c_str(), Usage);
            return 2;
        }
        if (!options->out_dir.empty()) {
            fprintf(stderr, "orvale-demo: more than one output folder\n\n%s", Usage);
            return 2;
        }
        options->out_dir = arg;
    }
    return 0;
}

std::string FullPath(const std::string& path)
{
    char full[MAX_PATH];
    DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    return n > 0 && n < MAX_PATH ? std::string(full) : path;
}

// ---- The log, the checks and the screenshots ----

FILE* log_file;
DWORD demo_start;
int failures;
int checks;

void Write(const char* line)
{
    fprintf(stdout, "%s\n", line);
    fflush(stdout);
    if (log_file) {
        fprintf(log_file, "%s\n", line);
        fflush(log_file);
    }
}

void Log(const char* format, ...)
{
    char line[2048];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    Write(line);
}

int step_number;

void Step(const char* title)
{
    char line[512];
    snprintf(line, sizeof line, "\n[%5.1f s] Step %d: %s", (GetTickCount() - demo_start) / 1000.0, ++step_number,
             title);
    Write(line);
}

bool Check(bool ok, const char* format, ...)
{
    char what[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(what, sizeof what, format, args);
    va_end(args);
    ++checks;
    if (!ok)
        ++failures;
    Log("    %s %s", ok ? "[ok]    " : "[FAILED]", what);
    return ok;
}

std::string out_dir;
int shots;

BOOL CALLBACK AddVisibleWindow(HWND window, LPARAM param)
{
    RECT* area = reinterpret_cast<RECT*>(param);
    RECT r;
    if (IsWindowVisible(window) && GetWindowRect(window, &r))
        UnionRect(area, area, &r);
    return TRUE;
}

// The main window together with every visible window of this program (the
// floating display, an open menu), so nothing the pilot sees is cut off.
RECT ShotArea()
{
    RECT area = {};
    GetWindowRect(SimMainWindow(), &area);
    EnumThreadWindows(GetCurrentThreadId(), AddVisibleWindow, reinterpret_cast<LPARAM>(&area));
    RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    IntersectRect(&area, &area, &screen);
    return area;
}

// `in_menu`: taken while a menu's modal loop runs, which must not be pumped.
void Shot(const char* name, const char* what, bool in_menu = false)
{
    char file[64];
    snprintf(file, sizeof file, "%02d-%s.png", ++shots, name);
    if (!in_menu) {
        // Other programs may share the display: bring the session to the front.
        SetWindowPos(SimMainWindow(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        SimPump(60);
    }
    std::string path = out_dir + "\\" + file;
    bool ok = SimSaveScreenshotPng(path.c_str(), ShotArea());
    if (ok)
        Log("    screenshot %s: %s", file, what);
    else
        Check(false, "screenshot %s could not be written", file);
}

void RemoveOldOutput()
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((out_dir + "\\*.png").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const char* name = found.cFileName;
        if (strlen(name) > 3 && isdigit(static_cast<unsigned char>(name[0])) &&
            isdigit(static_cast<unsigned char>(name[1])) && name[2] == '-')
            DeleteFileA((out_dir + "\\" + name).c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

// ---- Looking at the module from the host's side ----

struct Displays {
    HWND undocked = nullptr;  // the floating form: a captioned window
    HWND docked = nullptr;    // the docked form: thin border, no caption
};

BOOL CALLBACK CollectDisplay(HWND window, LPARAM param)
{
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (strcmp(name, DisplayClass) == 0) {
        Displays* found = reinterpret_cast<Displays*>(param);
        if ((GetWindowLongPtrA(window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION)
            found->undocked = window;
        else
            found->docked = window;
    }
    return TRUE;
}

BOOL CALLBACK CollectDisplays(HWND top, LPARAM param)
{
    CollectDisplay(top, param);
    // The docked form of FS98 and FS2000 lives inside a panel window.
    EnumChildWindows(top, CollectDisplay, param);
    return TRUE;
}

// The module's windows among this program's own: other programs may share
// the desktop.
Displays FindDisplays()
{
    Displays found;
    EnumThreadWindows(GetCurrentThreadId(), CollectDisplays, reinterpret_cast<LPARAM>(&found));
    return found;
}

bool Visible(HWND window) { return window && IsWindowVisible(window); }

bool AnyDisplayVisible()
{
    Displays d = FindDisplays();
    return Visible(d.undocked) || Visible(d.docked);
}

RECT OuterRect(HWND window)
{
    RECT r = {};
    if (window)
        GetWindowRect(window, &r);
    return r;
}

POINT ToMainClient(int x, int y)
{
    POINT p = {x, y};
    ScreenToClient(SimMainWindow(), &p);
    return p;
}

// Pixels of the window's client area close to `colour`, counted on the screen
// as the pilot sees them.
int CountColour(HWND window, COLORREF colour, int tolerance = 24)
{
    RECT client;
    if (!window || !GetClientRect(window, &client))
        return 0;
    POINT corner = {0, 0};
    ClientToScreen(window, &corner);
    OffsetRect(&client, corner.x, corner.y);
    SimImage image;
    if (!SimCaptureScreen(client, &image))
        return 0;
    int count = 0;
    for (COLORREF c : image.pixels)
        if (abs(GetRValue(c) - GetRValue(colour)) <= tolerance && abs(GetGValue(c) - GetGValue(colour)) <= tolerance &&
            abs(GetBValue(c) - GetBValue(colour)) <= tolerance)
            ++count;
    return count;
}

int ClientArea(HWND window)
{
    RECT r = {};
    GetClientRect(window, &r);
    return (r.right - r.left) * (r.bottom - r.top);
}

// "text in colour T on background B": most of the area is the background and
// a fair number of pixels are the text colour.
bool ShowsColours(HWND window, COLORREF text, COLORREF back, int* text_pixels, int* back_pixels)
{
    *text_pixels = CountColour(window, text);
    *back_pixels = CountColour(window, back, 6);
    return *back_pixels * 2 > ClientArea(window) && *text_pixels >= 20;
}

// The "&Modules" popup (21007) of the menu bar, or null.
HMENU ModulesPopup()
{
    HMENU bar = SimMenuBar();
    int count = bar ? GetMenuItemCount(bar) : 0;
    for (int i = count - 1; i >= 0; --i) {
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_SUBMENU;
        if (GetMenuItemInfoA(bar, i, TRUE, &info) && info.hSubMenu && info.wID == SimModulesPopupId)
            return info.hSubMenu;
    }
    return nullptr;
}

// -1: no "&Orvale" item; else 1 checked, 0 unchecked.
int OrvaleItemChecked()
{
    HMENU popup = ModulesPopup();
    UINT item = popup ? GetMenuState(popup, OrvaleItem, MF_BYCOMMAND) : static_cast<UINT>(-1);
    if (item == static_cast<UINT>(-1))
        return -1;
    return (item & MF_CHECKED) ? 1 : 0;
}

const char* ItemState(int checked)
{
    return checked < 0 ? "missing" : checked ? "checked" : "unchecked";
}

size_t text_seen;

// What reached the host's own text-output routine since the last look.
void LogHostText(int version)
{
    const std::vector<SimTextCall>& calls = SimTextCalls();
    if (text_seen >= calls.size()) {
        Log("    host: its own text routine was not called%s",
            version == 0 ? " (on FS98 the module keeps captured text from the host entirely)" : "");
        return;
    }
    for (; text_seen < calls.size(); ++text_seen) {
        const SimTextCall& c = calls[text_seen];
        if (!c.text_null && c.text.empty())
            Log("    host: its own text routine got type %d with an empty text: the module shows the text instead",
                c.type);
        else
            Log("    host: its own text routine got type %d, text \"%.70s%s\": the host draws it itself", c.type,
                c.text_null ? "(null)" : c.text.c_str(), c.text.size() > 70 ? "..." : "");
    }
}

// The [Orvale] section of a settings file as "key=value" lines.
std::vector<std::string> OrvaleSection(const std::string& cfg)
{
    std::vector<std::string> lines;
    char section[4096] = {};
    DWORD n = GetPrivateProfileSectionA("Orvale", section, sizeof section, cfg.c_str());
    for (const char* p = section; p < section + n && *p; p += strlen(p) + 1)
        lines.emplace_back(p);
    return lines;
}

std::string SectionValue(const std::vector<std::string>& lines, const char* key)
{
    size_t key_length = strlen(key);
    for (const std::string& line : lines)
        if (line.size() > key_length && line[key_length] == '=' && _strnicmp(line.c_str(), key, key_length) == 0)
            return line.substr(key_length + 1);
    return std::string();
}

bool WriteTextFile(const std::string& path, const char* text)
{
    FILE* file = fopen(path.c_str(), "w");
    if (!file)
        return false;
    bool ok = fputs(text, file) >= 0;
    return fclose(file) == 0 && ok;
}

// ---- The pilot at the "&Modules" menu ----

struct MenuVisit {
    const char* shot_name;
    const char* shot_what;
    bool choose;       // choose "&Orvale" (key O) or leave the menu
    int looks;         // timer calls so far
    bool saw_popup;    // the popup was open when the screenshot was taken
    int item_checked;  // the item's state while the menu was open
    bool over;         // the timer has done its work
};
MenuVisit visit;

BOOL CALLBACK FindOpenMenu(HWND window, LPARAM param)
{
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (strcmp(name, MenuPopupClass) == 0 && IsWindowVisible(window)) {
        *reinterpret_cast<bool*>(param) = true;
        return FALSE;
    }
    return TRUE;
}

// Runs inside the menu's modal loop, which dispatches thread timers. It waits
// for the popup to be open and painted (one more call after it appears),
// takes the screenshot and answers the menu as the pilot would.
void CALLBACK MenuOpenTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    bool open = false;
    EnumThreadWindows(GetCurrentThreadId(), FindOpenMenu, reinterpret_cast<LPARAM>(&open));
    ++visit.looks;
    if (!open && visit.looks < 25)
        return;
    if (open && !visit.saw_popup) {
        visit.saw_popup = true;
        return;
    }
    KillTimer(nullptr, id);
    visit.over = true;
    visit.item_checked = OrvaleItemChecked();
    if (visit.saw_popup)
        Shot(visit.shot_name, visit.shot_what, true);
    // The menu loop reads the thread's keyboard messages whichever window
    // they are posted to; O is the mnemonic of "&Orvale".
    if (visit.saw_popup && visit.choose)
        PostMessageA(SimMainWindow(), WM_CHAR, 'o', 0);
    else
        EndMenu();
}

// Alt+M opens "&Modules" (Windows turns the keystroke into SC_KEYMENU with the
// mnemonic); a screenshot is taken while the menu is open, then the pilot
// presses O for "&Orvale" or leaves the menu. True when the menu opened.
bool VisitModulesMenu(const char* shot_name, const char* shot_what, bool choose)
{
    visit = MenuVisit{shot_name, shot_what, choose, 0, false, -1, false};
    SetForegroundWindow(SimMainWindow());
    SimPump(30);
    SetTimer(nullptr, 0, 120, MenuOpenTimer);
    PostMessageA(SimMainWindow(), WM_SYSCOMMAND, SC_KEYMENU, 'm');
    SimPumpUntil([] { return visit.over; }, 8000);
    SimPump(250);  // the chosen item's WM_COMMAND and what follows from it
    return visit.saw_popup;
}

// ---- The session ----

HWND main_window;
HWND panel;
LONG_PTR host_main_proc;
const Edition* edition;
std::string aircraft_dir;

bool StartSimulator(const Options& options)
{
    Step("The simulator starts and loads the module");
    SimCreateTables();
    main_window =
        SimCreateMainWindow(edition->class_name, edition->title, MainX, MainY, MainW, MainH);
    if (!Check(main_window != nullptr, "the host's main window \"%s\" (\"%s\") exists", edition->class_name,
               edition->title))
        return false;
    host_main_proc = GetWindowLongPtrA(main_window, GWLP_WNDPROC);
    Log("    host: main window of class \"%s\", %d x %d at (%d, %d), with the menu bar &File &View &Aircraft",
        edition->class_name, MainW, MainH, MainX, MainY);
    SimPump(200);

    if (!Check(SimLoadModule(options.dll.c_str()) != nullptr, "the host loads %s (LoadLibrary)", options.dll.c_str()))
        return false;
    if (!Check(SimLinkage() != nullptr && SimImportTable() != nullptr,
               "the module exports its Linkage and ImportTable records"))
        return false;
    bool fs2002_word = SimLinkageWord(5) == 0x800;
    Check(fs2002_word == (edition->version == 2),
          "Linkage: module id 0x%llX, edition word 0x%llX (0x800 only when an FS2002 main window exists at load)",
          static_cast<unsigned long long>(SimLinkageWord(0)), static_cast<unsigned long long>(SimLinkageWord(5)));
    Log("    host: filled the module's ImportTable with all ten host tables");

    Log("    host: calls StartModule and runs its frame clock (a tick every %d ms)", SimTickInterval());
    SimStartModule();
    bool up = SimPumpUntil([] { return Visible(FindDisplays().undocked) && SimRegisteredTick() != nullptr; }, 3000);
    Check(up, "the module found the main window, registered its tick and showed its display on its own");
    uintptr_t* text_slot = SimSlot(SimTableTextOutput, SimTextOutputOffset);
    uintptr_t* panel_slot = SimSlot(SimTablePanel, SimPanelLoadOffset);
    Check(*text_slot != reinterpret_cast<uintptr_t>(SimHostTextOutput(SimTableTextOutput)),
          "the module took over the host's text output (table 0x0016)");
    Check(*panel_slot != reinterpret_cast<uintptr_t>(SimHostPanelLoad()),
          "the module watches the host's panel loading (table 0x0001)");

    // The default place: just under the host's caption and menu bar, half
    // the host's width, one line of text high.
    RECT host = OuterRect(main_window);
    RECT shown = OuterRect(FindDisplays().undocked);
    int x = host.left + GetSystemMetrics(SM_CXFRAME);
    int y = host.top + GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYMENU);
    Check(shown.left == x && shown.top == y && shown.right - shown.left == (host.right - host.left) / 2,
          "pilot sees: the floating Orvale window at (%ld, %ld), %ld x %ld: the default place under the caption "
          "and menu bar, half the main window wide",
          shown.left, shown.top, shown.right - shown.left, shown.bottom - shown.top);
    Shot("started", "the module has come up on its own, floating under the menu bar");
    return up;
}

void ShowMessages()
{
    Step("Messages: an ATIS broadcast scrolls, a static message expires, another module speaks");
    const char* atis = "Seattle Tacoma information Bravo, 1756 Zulu. Wind 160 at 8. Visibility 10. "
                       "Ceiling 2500 broken. Temperature 12, dew point 8. Altimeter 30.02. "
                       "Landing and departing runway 16 right. Advise on initial contact you have Bravo.";
    Log("    host: broadcasts the ATIS (text output type 3, time 400)");
    text_seen = SimTextCalls().size();
    SimCallTextOutput(atis, 3, 400, 0);
    LogHostText(edition->version);
    HWND window = FindDisplays().undocked;
    SimPump(900);
    std::string first = SimMirroredText();
    int text_pixels = 0, back_pixels = 0;
    bool colours = ShowsColours(window, DefaultText, DefaultBack, &text_pixels, &back_pixels);
    Check(colours, "pilot sees: the ATIS in red on dark grey, the default colours (%d red pixels)", text_pixels);
    Shot("atis", "the ATIS line shortly after it arrived");
    SimPump(2200);
    std::string later = SimMirroredText();
    Shot("atis-scrolled", "the same ATIS line 2.2 s later: it has moved to the left");
    size_t moved = first.find(later.substr(0, 20));
    Check(moved != std::string::npos && moved > 5,
          "the line scrolls: %zu characters have left the display (it began \"%.24s\", now \"%.24s\")",
          moved == std::string::npos ? 0 : moved, first.c_str(), later.c_str());
    Log("    another module (id 0x505A) reads the shown text from its record: \"%.50s...\"", later.c_str());

    const int static_ticks = 36;
    Log("    host: shows \"Parking brake set\" (type 5, a static line for %d ticks, about %.1f s)", static_ticks,
        static_ticks * SimTickInterval() / 1000.0);
    SimCallTextOutput("Parking brake set", 5, static_ticks, 0);
    LogHostText(edition->version);
    SimPump(400);
    Check(SimMirroredText() == "Parking brake set", "pilot sees: \"Parking brake set\", standing still");
    Shot("static", "a static message");
    bool expired = SimPumpUntil([] { return SimMirroredText().empty(); }, 5000);
    SimPump(150);
    Check(expired && CountColour(window, DefaultText) == 0, "its time has run out: the display is empty again");
    Shot("static-expired", "the static message has expired");

    Log("    another module calls ShowMessage (Linkage word 7) for 120 ticks");
    bool called = false;
    SimCallShowMessage("Message from another module: fuel tanks balanced", 120, &called);
    LogHostText(edition->version);
    SimPump(400);
    Check(called && SimMirroredText() == "Message from another module: fuel tanks balanced",
          "pilot sees: the other module's message in the Orvale window");
    Shot("show-message", "a message from another module");
}

void SwitchOffAndOn()
{
    Step("The \"&Modules\" menu: the pilot switches the display off and on again");
    bool installed = SimPumpUntil([] { return OrvaleItemChecked() >= 0; }, 5000);
    Check(installed && OrvaleItemChecked() == 1,
          "three seconds after start-up the module has put a checked \"&Orvale\" item into \"&Modules\"");
    if (!installed)
        return;

    SimClearCalls();
    Log("    pilot: presses Alt+M, sees the menu open, and presses O for \"&Orvale\"");
    bool opened = VisitModulesMenu("modules-menu", "the open \"&Modules\" menu with \"&Orvale\" checked", true);
    Check(opened, "the \"&Modules\" menu opened (a real menu, chosen with the keyboard)");
    bool off = SimPumpUntil([] { return !AnyDisplayVisible() && OrvaleItemChecked() == 0; }, 1500);
    Check(off, "pilot sees: the display is gone and the item is unchecked");
    Check(SimMainCommands().size() == 1 && SimMainCommands()[0] == OrvaleItem,
          "the host's own window procedure still received the command 35224");

    text_seen = SimTextCalls().size();
    SimCallTextOutput("Contact Seattle approach on 119.2", 5, 100, 0);
    LogHostText(edition->version);
    Check(!SimTextCalls().empty() && SimTextCalls().back().text == "Contact Seattle approach on 119.2",
          "with the display off, messages reach the host unchanged");

    Log("    pilot: presses Alt+M again; the menu shows \"&Orvale\" unchecked; O switches it back on");
    opened = VisitModulesMenu("display-off", "display switched off: gone from the screen, \"&Orvale\" unchecked", true);
    Check(opened && visit.item_checked == 0, "the menu opened with \"&Orvale\" unchecked");
    bool on = SimPumpUntil([] { return Visible(FindDisplays().undocked) && OrvaleItemChecked() == 1; }, 1500);
    RECT host = OuterRect(main_window);
    RECT shown = OuterRect(FindDisplays().undocked);
    int x = host.left + GetSystemMetrics(SM_CXFRAME);
    int y = host.top + GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYMENU);
    Check(on && shown.left == x && shown.top == y,
          "pilot sees: the display back at its default place (%ld, %ld), the item checked", shown.left, shown.top);
    SimCallTextOutput("Orvale is back on", 5, 200, 0);
    SimPump(200);
    Shot("display-on", "display switched on again: floating at the default place");
}

bool MakeAircraft(const char* folder, const char* cfg_text, std::string* panel_path)
{
    std::string dir = aircraft_dir + "\\" + folder;
    CreateDirectoryA(aircraft_dir.c_str(), nullptr);
    CreateDirectoryA(dir.c_str(), nullptr);
    *panel_path = dir + "\\panel";
    return WriteTextFile(*panel_path + ".cfg", cfg_text);
}

bool DockedOnPanel()
{
    HWND docked = FindDisplays().docked;
    if (!Visible(docked))
        return false;
    if (edition->version == 2) {
        // FS2002: a popup over the panel, whose window procedure the module
        // follows to learn when the host hides and shows the panel.
        LONG_PTR proc = GetWindowLongPtrA(panel, GWLP_WNDPROC);
        HMODULE owner = nullptr;
        return GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                  reinterpret_cast<LPCSTR>(proc), &owner) &&
               owner != GetModuleHandleA(nullptr);
    }
    return GetParent(docked) == panel;  // FS98, FS2000: inside the panel window
}

void CheckDockedAt(int x, int y, int w, int h, const char* what)
{
    RECT r = OuterRect(FindDisplays().docked);
    POINT at = ToMainClient(r.left, r.top);
    Check(at.x == x && at.y == y && r.right - r.left == w && r.bottom - r.top == h,
          "%s: docked at (%ld, %ld) of the main window's client area, %ld x %ld", what, at.x, at.y,
          r.right - r.left, r.bottom - r.top);
}

std::string aircraft1_cfg;

void LoadAircraftWithSettings()
{
    Step("Aircraft 1 loads: its panel.cfg holds Orvale settings");
    char cfg[512];
    snprintf(cfg, sizeof cfg,
             "[Window00]\nfile=panel.bmp\nsize_mm=700,220\n\n"
             "[Orvale]\nWindow=%d,%d,%d,%d,4,3\nFont=Arial,-16,0,700,0,0,0\nHideWindow=No\nAutoHide=No\n"
             "AlsoATIS=Yes\n",
             SavedX, SavedY, SavedW, SavedH);
    std::string panel_path;
    if (!Check(MakeAircraft("Orvale Demo One", cfg, &panel_path), "the aircraft's folder and panel.cfg are written"))
        return;
    aircraft1_cfg = panel_path + ".cfg";
    Log("    %s:", aircraft1_cfg.c_str());
    for (const std::string& line : OrvaleSection(aircraft1_cfg))
        Log("        %s", line.c_str());
    Log("    (text colour 4 and background 3 of the palettes: yellow on dark blue; Arial bold, 16 pixels)");

    // The simulator creates the new aircraft's panel windows inside its
    // panel-load routine, after the module has read the settings, and brings
    // each up the way it shows a panel (SetWindowPos flags 0x0013, which
    // raises it above the other children of the main window).
    SimSetPanelLoadAction([](const char*) {
        panel = SimCreatePanel(Panel1.left, Panel1.top, Panel1.right - Panel1.left, Panel1.bottom - Panel1.top,
                               PanelKind);
        SimSetPanelPosFlags(panel, PanelShowFlags);
    });
    Log("    host: loads the panel \"%s\" (panel-load routine, table 0x0001), creates its panel window and "
        "brings it up (SetWindowPos flags 0x0013)",
        panel_path.c_str());
    SimCallPanelLoad(panel_path.c_str());
    Check(!SimPanelLoadCalls().empty() && SimPanelLoadCalls().back().path == panel_path,
          "the host's own panel-load routine received the call unchanged");
    bool docked = SimPumpUntil(DockedOnPanel, 3000);
    Check(docked, "the display docks on the panel window (%s) within a second",
          edition->version == 2 ? "a popup that follows the panel's window procedure" : "re-parented into the panel");
    CheckDockedAt(SavedX, SavedY, SavedW, SavedH, "pilot sees: the display at its saved place");
    Check(OrvaleItemChecked() == 1, "the \"&Orvale\" item stays checked");

    text_seen = SimTextCalls().size();
    SimCallTextOutput("Aircraft 1: docked in its saved colours and font", 5, 3000, 0);
    LogHostText(edition->version);
    SimPump(300);
    HWND window = FindDisplays().docked;
    int text_pixels = 0, back_pixels = 0;
    bool colours = ShowsColours(window, SavedText, SavedBack, &text_pixels, &back_pixels);
    Check(colours, "pilot sees: yellow text on dark blue, as saved (%d yellow pixels, %d dark blue)", text_pixels,
          back_pixels);
    Shot("docked", "the display docked on the instrument panel in the aircraft's colours and font");

    Log("    host: hides the panel the simulator's way (WM_WINDOWPOSCHANGING flags 0x1837, then hidden)");
    SimHostHidePanel(panel);
    SimPump(300);
    Check(!AnyDisplayVisible(), "pilot sees: the display went with the panel");
    Shot("panel-hidden", "the panel is hidden, and so is the display");
    Log("    host: shows the panel again (shown, then flags 0x0013)");
    SimHostShowPanel(panel);
    SimPump(300);
    Check(Visible(FindDisplays().docked), "pilot sees: the display is back on the panel");
    Shot("panel-shown", "the panel is shown again, with the display on it");
}

// The pilot's left click on the middle of a window, as the mouse gives it:
// a move there, the button down and up.
void LeftClickOn(HWND window)
{
    RECT client = {};
    GetClientRect(window, &client);
    POINT at = {(client.left + client.right) / 2, (client.top + client.bottom) / 2};
    ClientToScreen(window, &at);
    INPUT inputs[3] = {};
    const DWORD flags[3] = {0, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP};
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN), height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    for (int i = 0; i < 3; ++i) {
        inputs[i].type = INPUT_MOUSE;
        inputs[i].mi.dx = static_cast<LONG>((static_cast<long long>(at.x - left) * 65536 + width - 1) / width);
        inputs[i].mi.dy = static_cast<LONG>((static_cast<long long>(at.y - top) * 65536 + height - 1) / height);
        inputs[i].mi.dwFlags = flags[i] | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
    }
    SendInput(3, inputs, sizeof(INPUT));
    SimPump(200);
}

void RecallLesson()
{
    Step("A lesson's three lines, and the pilot clicks the display twice to read the first again");
    static const char* const lesson[] = {"Lesson 4, slow flight: hold 2,000 feet",
                                         "Bring the power back to 1,500 RPM", "Good. Now add 10 degrees of flaps"};
    for (const char* line : lesson) {
        Log("    host: the lesson's line \"%s\" (type 5, 3000 ticks)", line);
        SimCallTextOutput(line, 5, 3000, 0);
        SimPump(100);
    }
    SimPump(200);
    HWND window = FindDisplays().docked;
    const int now_pixels = CountColour(window, SavedText);
    text_seen = SimTextCalls().size();
    SetForegroundWindow(main_window);
    SimPump(50);
    Log("    pilot: clicks the display with the left mouse button, twice");
    LeftClickOn(window);
    const int one_back = CountColour(window, SavedText);
    LeftClickOn(window);
    const int two_back = CountColour(window, SavedText);
    Check(SimMirroredText() == lesson[2] && SimTextCalls().size() == text_seen,
          "the text copy and the simulator still have only the last line: a recall is only drawn");
    Check(one_back != now_pixels && two_back != one_back && two_back > 0,
          "pilot sees: another line after each click (%d, %d, then %d yellow pixels)", now_pixels, one_back,
          two_back);
    Check(GetForegroundWindow() == main_window, "the simulator keeps the keyboard");
    Shot("recall", "two clicks: the lesson's first line again, under its place -3");
    Log("    host: repeats the last line; a new message replaces a recalled one at once");
    SimCallTextOutput(lesson[2], 5, 3000, 0);
    SimPump(200);
    Check(CountColour(window, SavedText) == now_pixels, "pilot sees: the last line again (%d yellow pixels)",
          CountColour(window, SavedText));
}

void UndockRedockSave()
{
    Step("The pilot undocks the display, drags it, docks it again and saves");
    Displays d = FindDisplays();
    RECT docked_before = OuterRect(d.docked);
    Log("    pilot: right-clicks the docked display and chooses \"Undock\" (command 40002)");
    SendMessageA(d.docked, WM_COMMAND, CmdUndock, 0);
    SimCallTextOutput("Floating: drag me anywhere, or dock me on a panel", 5, 3000, 0);
    SimPump(300);
    d = FindDisplays();
    RECT floating = OuterRect(d.undocked);
    RECT client = {};
    GetClientRect(d.undocked, &client);
    POINT text_corner = {0, 0};
    ClientToScreen(d.undocked, &text_corner);
    Check(Visible(d.undocked) && !Visible(d.docked), "pilot sees: the display floating with a caption, %ld x %ld",
          floating.right - floating.left, floating.bottom - floating.top);
    // Undocking keeps the text where it was, give or take the docked border.
    Check(abs(text_corner.x - docked_before.left) <= 2 && abs(text_corner.y - docked_before.top) <= 2,
          "its text area stays where it was on the screen: (%ld, %ld), docked at (%ld, %ld)", text_corner.x,
          text_corner.y, docked_before.left, docked_before.top);
    int text_pixels = 0, back_pixels = 0;
    Check(ShowsColours(d.undocked, SavedText, SavedBack, &text_pixels, &back_pixels),
          "it keeps the aircraft's colours");
    Shot("floating", "the display undocked: floating over the cockpit");

    Log("    pilot: drags the floating display %d pixels down", DragDown);
    SetWindowPos(d.undocked, nullptr, floating.left, floating.top + DragDown, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SimPump(200);
    Log("    pilot: chooses \"Dock\" from its right-button menu (command 40001)");
    SendMessageA(d.undocked, WM_COMMAND, CmdDock, 0);
    bool docked = SimPumpUntil(DockedOnPanel, 3000);
    Check(docked, "the display docks on the panel again");
    CheckDockedAt(SavedX, SavedY + DragDown, SavedW, SavedH, "pilot sees: the display at its new place");
    std::vector<std::string> section = OrvaleSection(aircraft1_cfg);
    char window_value[64];
    snprintf(window_value, sizeof window_value, "%d,%d,%d,%d,4,3", SavedX, SavedY + DragDown, SavedW, SavedH);
    Check(SectionValue(section, "Window") == window_value,
          "docking where the pilot put it stored the new place for the aircraft: Window=%s",
          SectionValue(section, "Window").c_str());
    Shot("redocked", "docked again at the place the pilot chose");

    Log("    pilot: chooses \"Save\" (command 40008)");
    SendMessageA(FindDisplays().docked, WM_COMMAND, CmdSave, 0);
    SimPump(100);
    section = OrvaleSection(aircraft1_cfg);
    Log("    the module wrote the section [Orvale] of %s:", aircraft1_cfg.c_str());
    for (const std::string& line : section)
        Log("        %s", line.c_str());
    Check(SectionValue(section, "Window") == window_value &&
              SectionValue(section, "Font").rfind("Arial,-16,0,700,", 0) == 0 &&
              _stricmp(SectionValue(section, "AlsoATIS").c_str(), "Yes") == 0,
          "the saved section holds the place, colours 4 and 3, the Arial font and the switches");
    std::string file = SimReadFile(aircraft1_cfg);
    Check(file.find("[Window00]") != std::string::npos && file.find("file=panel.bmp") != std::string::npos,
          "the rest of panel.cfg is left as it was");
}

void ReplacePanel()
{
    Step("The simulator replaces the panel: the display goes onto the new one");
    Log("    host: destroys the panel window the display is docked on and creates a new one in its place "
        "(no new panel load)");
    SimDestroyPanel(panel);
    panel = SimCreatePanel(Panel1.left, Panel1.top, Panel1.right - Panel1.left, Panel1.bottom - Panel1.top,
                           PanelKind);
    SimSetPanelPosFlags(panel, PanelShowFlags);
    SimCallTextOutput("New panel: the display has followed it", 5, 3000, 0);
    Check(SimPumpUntil(DockedOnPanel, 3000), "within a second the display is docked on the new panel");
    CheckDockedAt(SavedX, SavedY + DragDown, SavedW, SavedH, "pilot sees: the display at its place");
    Shot("panel-replaced", "the panel replaced by a new one, the display back on it");
}

void LoadAircraftWithoutSettings()
{
    Step("Aircraft 2 loads: its panel.cfg has no Orvale settings");
    std::string panel_path;
    if (!Check(MakeAircraft("Orvale Demo Two", "[Window00]\nfile=panel.bmp\n", &panel_path),
               "the second aircraft's folder and panel.cfg (no [Orvale] section) are written"))
        return;
    SimSetPanelLoadAction([](const char*) {
        SimDestroyPanel(panel);
        panel = SimCreatePanel(Panel2.left, Panel2.top, Panel2.right - Panel2.left, Panel2.bottom - Panel2.top,
                               PanelKind, Panel2Colour);
        SimSetPanelPosFlags(panel, PanelShowFlags);
    });
    Log("    host: loads the panel \"%s\", removes aircraft 1's panel window and creates aircraft 2's",
        panel_path.c_str());
    SimCallPanelLoad(panel_path.c_str());
    SimPump(600);
    Check(!AnyDisplayVisible(), "pilot sees: no Orvale display for this aircraft");
    Check(OrvaleItemChecked() == 0, "the \"&Orvale\" item is unchecked");
    text_seen = SimTextCalls().size();
    SimCallTextOutput("Cleared for takeoff runway 16 right", 5, 100, 0);
    LogHostText(edition->version);
    Check(!SimTextCalls().empty() && SimTextCalls().back().text == "Cleared for takeoff runway 16 right",
          "the simulator shows its messages itself again");
    Log("    pilot: opens the \"&Modules\" menu to look, and leaves it");
    bool opened = VisitModulesMenu("aircraft2-off", "aircraft 2 without settings: no display, \"&Orvale\" unchecked",
                                   false);
    Check(opened && visit.item_checked == 0 && !AnyDisplayVisible(), "the menu showed \"&Orvale\" unchecked");
}

void StopAndUnload()
{
    Step("The simulator stops the module and unloads it");
    Log("    host: calls StopModule");
    SimStopModule();
    SimPump(200);
    Displays d = FindDisplays();
    Check(SimRegisteredTick() == nullptr, "the module's tick is unregistered");
    Check(!d.undocked && !d.docked, "both display windows are gone");

    // Stopped, the module's hooks stay in the host's chains, passing
    // everything straight on, and the library holds itself loaded while they
    // are there: another module that chained over them is never stranded.
    const uintptr_t text_hook = *SimSlot(SimTableTextOutput, SimTextOutputOffset);
    Log("    host: FreeLibrary");
    Check(SimUnloadModule(), "the host's FreeLibrary succeeds");
    HMODULE holder = nullptr;
    const bool kept = text_hook != reinterpret_cast<uintptr_t>(SimHostTextOutput(SimTableTextOutput)) &&
                      GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                             GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                         reinterpret_cast<LPCSTR>(text_hook), &holder) != 0;
    int repaired = SimStaleAtUnload();
    if (kept)
        Log("    the module stays mapped until the process ends or the host starts it again: its hooks in the "
            "host's chains pass everything straight on");
    else if (repaired == 0)
        Log("    the module put every hook back itself: text output, panel loading and the main window's "
            "procedure are the host's own again");
    else
        Log("    the host had to repair %d hook(s) that still led into the unloaded module", repaired);
    Check(repaired == 0, "nothing of the host leads into unloaded code (%d leftover(s) repaired by the host)",
          repaired);
    const bool own = *SimSlot(SimTableTextOutput, SimTextOutputOffset) ==
                             reinterpret_cast<uintptr_t>(SimHostTextOutput(SimTableTextOutput)) &&
                     *SimSlot(SimTablePanel, SimPanelLoadOffset) == reinterpret_cast<uintptr_t>(SimHostPanelLoad()) &&
                     GetWindowLongPtrA(main_window, GWLP_WNDPROC) == host_main_proc;
    Check(own || kept, "the host's slots and main window procedure are its own, or lead into the module kept mapped");

    // The host runs on: its routines, menu and windows work without the module.
    SimClearCalls();
    SimCallTextOutput("Welcome back", 5, 50, 0);
    SimCallPanelLoad((aircraft_dir + "\\Orvale Demo One\\panel").c_str());
    RedrawWindow(main_window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    PostMessageA(main_window, WM_COMMAND, 1102, 0);
    SimPump(300);
    Check(SimTextCalls().size() == 1 && SimPanelLoadCalls().size() == 1 && SimMainCommands().size() == 1,
          "the simulator goes on running: text, panel loads and menu commands reach the host directly");
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (int result = ParseArguments(argc, argv, &options))
        return result == 1 ? 0 : result;
    edition = options.edition;
    if (options.out_dir.empty())
        options.out_dir = SimExeFolder() + "\\..\\demo";
    if (options.dll.empty())
        options.dll = SimExeFolder() + "\\orvale.dll";
    out_dir = FullPath(options.out_dir);
    options.dll = FullPath(options.dll);
    aircraft_dir = out_dir + "\\aircraft";
    CreateDirectoryA(out_dir.c_str(), nullptr);
    RemoveOldOutput();
    log_file = fopen((out_dir + "\\demo-log.txt").c_str(), "w");
    if (!log_file) {
        fprintf(stderr, "orvale-demo: cannot write to %s\n", out_dir.c_str());
        return 1;
    }
    demo_start = GetTickCount();

    Log("Orvale demo: a scripted %s session in the simulated host", edition->title);
    Log("Every step says what the host does, what the pilot sees, and checks it. Screenshots: %s", out_dir.c_str());

    if (StartSimulator(options)) {
        ShowMessages();
        SwitchOffAndOn();
        LoadAircraftWithSettings();
        RecallLesson();
        UndockRedockSave();
        ReplacePanel();
        LoadAircraftWithoutSettings();
        StopAndUnload();
    } else if (SimLinkage()) {
        SimStopModule();
        SimUnloadModule();
    }
    SimSetPanelLoadAction(nullptr);
    SimDestroyMainWindow();

    Log("\n[%5.1f s] %s: %d of %d checks held; %d screenshots in %s", (GetTickCount() - demo_start) / 1000.0,
        failures ? "FAILED" : "done", checks - failures, checks, shots, out_dir.c_str());
    fclose(log_file);
    return failures ? 1 : 0;
}

// orvale-demo: a scripted flight-simulator session around the module, run
// unattended. It puts up an FS2002-like main window with a panel, loads
// orvale.dll from the program's folder, starts it, sends it an ATIS broadcast
// and static messages, docks it on the panel through a panel load, hides and
// shows the panel the way the simulator does, and stops and unloads it.
// Screenshots (PNG) and a log of what the host saw go to the folder given as
// the first argument, by default ..\demo beside the program's folder.
#include "host/sim_host.h"

#include <cstdarg>
#include <cstdio>
#include <string>

namespace {

FILE* log_file;

void Log(const char* format, ...)
{
    char line[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    fprintf(stdout, "%s\n", line);
    fflush(stdout);
    if (log_file)
        fprintf(log_file, "%s\n", line);
}

std::string out_dir;
int shots;

void Shot(const char* name, const char* what)
{
    char file[64];
    snprintf(file, sizeof file, "%02d-%s.png", ++shots, name);
    std::string path = out_dir + "\\" + file;
    // Other programs may share the display: bring the session to the front.
    SetWindowPos(SimMainWindow(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(SimMainWindow());
    SimPump(50);
    bool ok = SimSaveScreenshotPng(path.c_str(), SimMainWindow());
    Log("  screenshot %s: %s%s", file, what, ok ? "" : " (capture failed)");
}

// Does the menu bar hold the "&Modules" popup (21007) and the module's item (35224)?
void DescribeMenu()
{
    HMENU bar = SimMenuBar();
    int count = bar ? GetMenuItemCount(bar) : 0;
    for (int i = 0; i < count; ++i) {
        if (GetMenuItemID(bar, i) != static_cast<UINT>(-1))
            continue;
        HMENU popup = GetSubMenu(bar, i);
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID;
        GetMenuItemInfoA(bar, i, TRUE, &info);
        if (info.wID != SimModulesPopupId)
            continue;
        UINT state = GetMenuState(popup, 35224, MF_BYCOMMAND);
        if (state == static_cast<UINT>(-1))
            Log("  menu: \"&Modules\" popup present, no item 35224 in it");
        else
            Log("  menu: \"&Modules\" popup holds item 35224, %s", (state & MF_CHECKED) ? "checked" : "unchecked");
        return;
    }
    Log("  menu: no \"&Modules\" popup (the module has not installed its menu entry)");
}

bool SlotReplaced(uint32_t table, uint32_t offset, uintptr_t host_routine)
{
    uintptr_t* slot = SimSlot(table, offset);
    return slot && *slot && *slot != host_routine;
}

void DescribeHostCalls(size_t* text_seen)
{
    const std::vector<SimTextCall>& calls = SimTextCalls();
    for (; *text_seen < calls.size(); ++*text_seen) {
        const SimTextCall& c = calls[*text_seen];
        Log("  host text output (table 0x%04X): type %d, time %d, append %d, text %s%s%s", c.table, c.type,
            c.time, c.append, c.text_null ? "(null)" : "\"", c.text_null ? "" : c.text.c_str(),
            c.text_null ? "" : "\"");
    }
}

void WriteConfig(const std::string& folder)
{
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string path = folder + "\\panel.cfg";
    FILE* file = fopen(path.c_str(), "w");
    if (!file)
        return;
    // Docked at (170, 440) of the main window's client area, 520 x 28: on the panel.
    fprintf(file, "[Window00]\nfile=panel.bmp\n\n[Orvale]\nWindow=170,440,520,28\n"
                  "HideWindow=No\nAutoHide=No\nAlsoATIS=Yes\n");
    fclose(file);
}

}  // namespace

int main(int argc, char** argv)
{
    std::string wanted = argc > 1 ? argv[1] : SimExeFolder() + "\\..\\demo";
    char full[MAX_PATH];
    out_dir = GetFullPathNameA(wanted.c_str(), MAX_PATH, full, nullptr) ? full : wanted;
    CreateDirectoryA(out_dir.c_str(), nullptr);
    log_file = fopen((out_dir + "\\demo-log.txt").c_str(), "w");

    Log("Simulated host: FS2002-like session");
    SimCreateTables();
    HWND main_window = SimCreateMainWindow("FS2002MAIN", "Flight Simulator 2002", 20, 20, 1000, 720);
    if (!main_window) {
        Log("could not create the main window");
        return 1;
    }
    HWND panel = SimCreatePanel(150, 420, 700, 220, 0x20A9);
    Log("main window \"FS2002MAIN\" 1000 x 720 at (20, 20); panel of kind 0x20A9 at client (150, 420), 700 x 220");
    SimPump(300);

    std::string dll = SimExeFolder() + "\\orvale.dll";
    if (!SimLoadModule(dll.c_str())) {
        Log("could not load %s (error %lu)", dll.c_str(), GetLastError());
        return 1;
    }
    Log("loaded %s", dll.c_str());
    if (!SimLinkage()) {
        Log("the module exports no Linkage record; nothing more to do");
        SimUnloadModule();
        return 1;
    }
    Log("  Linkage: id 0x%llX, edition word 0x%llX (%s), ShowMessage %s",
        static_cast<unsigned long long>(SimLinkageWord(0)), static_cast<unsigned long long>(SimLinkageWord(5)),
        SimLinkageWord(5) == 0x800 ? "the module saw an FS2002 host" : "the module did not see an FS2002 host",
        SimLinkageWord(7) ? "present" : "absent");
    Log("  ImportTable: %s", SimImportTable() ? "filled with all ten tables" : "not exported");

    Log("StartModule");
    DWORD started = GetTickCount();
    SimStartModule();
    bool ticking = SimPumpUntil([] { return SimRegisteredTick() != nullptr; }, 2000);
    Log("  periodic tick %s", ticking ? "registered" : "not registered within 2 s");
    SimPump(3600 - static_cast<int>(GetTickCount() - started));  // the menu entry comes 3 s after discovery
    Log("  text-output slot of table 0x0016 %s",
        SlotReplaced(SimTableTextOutput, SimTextOutputOffset,
                     reinterpret_cast<uintptr_t>(SimHostTextOutput(SimTableTextOutput)))
            ? "hooked by the module"
            : "still the host's own routine");
    Log("  panel-load slot of table 0x0001 %s",
        SlotReplaced(SimTablePanel, SimPanelLoadOffset, reinterpret_cast<uintptr_t>(SimHostPanelLoad()))
            ? "hooked by the module"
            : "still the host's own routine");
    DescribeMenu();
    Shot("started", "after start-up");

    size_t text_seen = 0;
    const char* atis = "Seattle Tacoma information Bravo. 1756 Zulu. Wind 160 at 8. Visibility 10. "
                       "Ceiling 2500 broken. Temperature 12, dew point 8. Altimeter 30.02. "
                       "Landing and departing runway 16 right. Advise on initial contact you have Bravo.";
    Log("host sends an ATIS broadcast (type 3, time 400, append 0)");
    SimCallTextOutput(atis, 3, 400, 0);
    DescribeHostCalls(&text_seen);
    SimPump(800);
    Shot("atis", "ATIS line shortly after it arrived");
    SimPump(2500);
    Shot("atis-scrolling", "ATIS line 2.5 s later");
    Log("  mirror block of module 0x505A: \"%.60s\"", reinterpret_cast<const char*>(SimMirrorBlock()));

    Log("host sends a static message (type 5, time 60 ticks)");
    SimCallTextOutput("Parking brakes set", 5, 60, 0);
    DescribeHostCalls(&text_seen);
    SimPump(600);
    Shot("static", "static message");
    SimPump(3500);
    Shot("static-expired", "3.5 s later: 60 ticks have run out");

    Log("another module calls ShowMessage (time 80)");
    bool called = false;
    SimCallShowMessage("Message from another module", 80, &called);
    Log("  ShowMessage %s", called ? "called" : "absent");
    DescribeHostCalls(&text_seen);
    SimPump(600);
    Shot("show-message", "message from another module");

    Log("pilot chooses the module's item in the \"&Modules\" menu twice (command 35224)");
    SimClearCalls();
    text_seen = 0;
    PostMessageA(main_window, WM_COMMAND, 35224, 0);
    SimPump(400);
    DescribeMenu();
    PostMessageA(main_window, WM_COMMAND, 35224, 0);
    SimPump(400);
    DescribeMenu();
    Log("  the host's own window procedure received command 35224 %zu time(s)", SimMainCommands().size());

    std::string aircraft = out_dir + "\\aircraft";
    WriteConfig(aircraft);
    std::string panel_path = aircraft + "\\panel";
    Log("host loads the panel %s (settings: docked at client (170, 440), 520 x 28)", panel_path.c_str());
    SimCallPanelLoad(panel_path.c_str());
    Log("  host's panel-load routine %s", SimPanelLoadCalls().empty() ? "not reached" : "reached");
    SimPump(1500);  // the module re-attaches on its 20-tick retry
    SimCallTextOutput("Docked on the instrument panel", 5, 300, 0);
    DescribeHostCalls(&text_seen);
    SimPump(500);
    Shot("docked", "display docked on the panel");
    size_t seen_before = SimPanelSeenFlags(panel).size();
    Log("host hides the panel (WM_WINDOWPOSCHANGING flags 0x1837)");
    SimHostHidePanel(panel);
    SimPump(400);
    Shot("panel-hidden", "panel hidden");
    Log("host shows the panel (flags 0x0013)");
    SimHostShowPanel(panel);
    SimPump(400);
    Shot("panel-shown", "panel shown again");
    std::vector<UINT> seen = SimPanelSeenFlags(panel);
    std::string flags;
    for (size_t i = seen_before; i < seen.size(); ++i) {
        char one[16];
        snprintf(one, sizeof one, " 0x%04X", seen[i]);
        flags += one;
    }
    Log("  WM_WINDOWPOSCHANGING flags that reached the panel's own procedure meanwhile:%s",
        flags.empty() ? " none" : flags.c_str());

    Log("StopModule");
    size_t tick_calls_before = SimTickCalls().size();
    SimStopModule();
    SimPump(300);
    bool unregistered = false;
    for (size_t i = tick_calls_before; i < SimTickCalls().size(); ++i)
        unregistered |= !SimTickCalls()[i].registering;
    Log("  periodic tick %s", unregistered ? "unregistered" : "not unregistered");
    Shot("stopped", "after StopModule");
    SimUnloadModule();
    Log("FreeLibrary: %d hook(s) still leading into the module were put back by the host", SimStaleAtUnload());
    SimPump(200);
    SimDestroyMainWindow();
    Log("done: %d screenshots in %s", shots, out_dir.c_str());
    if (log_file)
        fclose(log_file);
    return 0;
}

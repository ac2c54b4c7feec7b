// A host that offers less than it should, or worse: missing tables, empty
// slots, a mirror record without its block, panel windows whose user data
// isn't a panel record, a main window that goes away, null texts, and
// settings files that are empty, binary, locked or read-only, and a host that
// stops and unloads the module while its chooser is open. The real
// orvale.dll in the simulated host must not crash, must not call a null
// routine, and must go on doing what the host still allows.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>
#include "host/sim_host.h"
#include "docking/geometry.h"
#include "support/client_pixels.h"
#include "support/dialog_driver.h"
#include "support/display_lookup.h"
#include "support/process_counters.h"

namespace {

const std::vector<uint32_t> AllTables(SimTableIds, SimTableIds + SimTableCount);
constexpr COLORREF DefaultText = RGB(255, 0, 0);

uintptr_t Word(const void* routine) { return reinterpret_cast<uintptr_t>(routine); }

std::string TempFolder(const char* name)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "orvale_hostile_" + std::to_string(GetCurrentProcessId()) + "_" + name;
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

class Hostile : public ::testing::Test {
protected:
    void SetUp() override
    {
        SimCreateTables();
        SimSetTickInterval(55);
    }
    void TearDown() override
    {
        Unload();
        SimDestroyMainWindow();
        for (const std::string& file : files_) {
            SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(file.c_str());
        }
        for (const std::string& folder : folders_)
            RemoveDirectoryA(folder.c_str());
        SimPump(20);
    }

    // The simulator of `edition` (0 FS98, 1 FS2000, 2 FS2002) with the module
    // loaded, offered `tables`, and started; true once its display is up.
    bool Fly(int edition, const std::vector<uint32_t>& tables = AllTables)
    {
        static const char* classes[] = {"FS98MAIN", "FS2000MAIN", "FS2002MAIN"};
        static const char* titles[] = {"Flight Simulator 98", "Flight Simulator 2000",
                                       "Microsoft Flight Simulator 2002"};
        host_ = SimCreateMainWindow(classes[edition], titles[edition], 0, 0, 900, 650);
        if (!host_ || !SimLoadModule(SimFreshCopy("orvale.dll").c_str(), tables) || !SimStartModule())
            return false;
        loaded_ = true;
        return SimPumpUntil([this] { return (display_ = FindUndockedDisplay(host_)) != nullptr; }, 2000);
    }
    void Unload()
    {
        if (!loaded_)
            return;
        SimStopModule();
        SimUnloadModule();
        EXPECT_EQ(0, SimStaleAtUnload()) << "the module puts back every hook it made";
        loaded_ = false;
    }
    // An aircraft's panel folder whose panel.cfg holds `contents` (written as
    // bytes); returns the folder path the host passes at panel load.
    std::string Aircraft(const char* name, const std::string& contents)
    {
        std::string folder = TempFolder(name);
        folders_.push_back(folder);
        std::string panel = folder + "\\panel";
        std::string config = panel + ".cfg";
        HANDLE file = CreateFileA(config.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr);
        CloseHandle(file);
        files_.push_back(config);
        return panel;
    }
    static std::string ReadBytes(const std::string& path)
    {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        std::string bytes(1 << 20, '\0');
        DWORD read = 0;
        ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
        CloseHandle(file);
        bytes.resize(read);
        return bytes;
    }
    HWND Docked()
    {
        HWND found = nullptr;
        EnumChildWindows(
            host_,
            [](HWND w, LPARAM out) CALLBACK -> BOOL {
                char name[32] = {};
                GetClassNameA(w, name, sizeof name);
                if (strcmp(name, "OrvaleWindow") == 0)
                    *reinterpret_cast<HWND*>(out) = w;
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&found));
        if (found)
            return found;
        // A docked popup (FS2002): owned by the main window, without a caption.
        struct Search {
            HWND host, found;
        } search = {host_, nullptr};
        EnumWindows(
            [](HWND w, LPARAM data) CALLBACK -> BOOL {
                auto* s = reinterpret_cast<Search*>(data);
                char name[32] = {};
                GetClassNameA(w, name, sizeof name);
                if (strcmp(name, "OrvaleWindow") == 0 && GetWindow(w, GW_OWNER) == s->host &&
                    (GetWindowLongPtrA(w, GWL_STYLE) & WS_CAPTION) != WS_CAPTION)
                    s->found = w;
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }
    bool ShowsText(HWND window)
    {
        return SimPumpUntil([&] { return IsWindowVisible(window) && CountClientColour(window, DefaultText) > 10; }, 1000);
    }

    HWND host_ = nullptr;
    HWND display_ = nullptr;
    bool loaded_ = false;
    std::vector<std::string> files_, folders_;
};

// ---- What the host offers ----

TEST_F(Hostile, WithNoTableTheWindowAndTheMenuItemStillComeAndShowMessageWorks)
{
    ASSERT_TRUE(Fly(1, {}));
    const uintptr_t* pairs = SimImportTable();
    for (int i = 0; pairs[2 * i] != 0; ++i)
        EXPECT_EQ(pairs[2 * i + 1], 0u);
    EXPECT_EQ(*SimSlot(SimTableTextOutput, SimTextOutputOffset), Word((void*)SimHostTextOutput(SimTableTextOutput)));
    EXPECT_EQ(*SimSlot(SimTablePanel, SimPanelLoadOffset), Word((void*)SimHostPanelLoad()));
    EXPECT_TRUE(SimRegisteredTicks().empty());

    // Another module's message still reaches the display; nothing reaches the
    // host, which offered no routine to pass it to.
    bool called = false;
    EXPECT_EQ(0, SimCallShowMessage("Other module", 100, &called));
    ASSERT_TRUE(called);
    EXPECT_TRUE(ShowsText(display_));
    EXPECT_TRUE(SimTextCalls().empty());
    EXPECT_EQ(SimMirrorBlock()[0], 0) << "no record to mirror into";

    ASSERT_TRUE(SimPumpUntil([&] { return GetMenuItemCount(SimMenuBar()) == 4; }, 20000)) << "\"&Modules\" appended";
    HMENU modules = GetSubMenu(SimMenuBar(), 3);
    char text[32] = {};
    GetMenuStringA(modules, 0, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "&Orvale");
    SendMessageA(host_, WM_COMMAND, 35224, 0);
    EXPECT_FALSE(IsWindowVisible(display_)) << "the item switches the display off";
}

TEST_F(Hostile, EachTableOfferedAloneLeavesTheModuleWorkingWithWhatThereIs)
{
    for (uint32_t id : AllTables) {
        SCOPED_TRACE(testing::Message() << "table 0x" << std::hex << id);
        SimCreateTables();
        ASSERT_TRUE(Fly(2, {id}));
        SimCallTextOutput("Through 0x16", 4, 40, 0, SimTableTextOutput);
        SimCallTextOutput("Through 0x0A", 4, 40, 0, SimTableTextAlt);
        SimCallPanelLoad("C:\\FS2002\\Aircraft\\c172\\panel");
        SimCallShowMessage("Other module", 40);
        SimPump(150);

        const bool hooked = id == SimTableTextOutput || id == SimTableTextAlt;
        // A hooked table's message is captured, and so is the other module's:
        // the routine gets an empty text for each. Without a hooked routine
        // the other module's message has nowhere to go on to.
        size_t empty = 0, whole = 0;
        for (const SimTextCall& call : SimTextCalls())
            (call.text.empty() ? empty : whole) += 1;
        EXPECT_EQ(empty, hooked ? 2u : 0u);
        EXPECT_EQ(whole, hooked ? 1u : 2u);
        EXPECT_EQ(SimPanelLoadCalls().size(), 1u) << "the host's panel load runs once either way";
        EXPECT_EQ(SimRegisteredTicks().size(), id == SimTableTick ? 1u : 0u);
        // Only with the panel table does the aircraft's (missing) settings
        // file switch the display off.
        EXPECT_EQ(IsWindowVisible(display_) != FALSE, id != SimTablePanel);
        if (id == SimTableMirror)
            EXPECT_STREQ(reinterpret_cast<const char*>(SimMirrorBlock()), "Other module");
        Unload();
        SimDestroyMainWindow();
    }
}

TEST_F(Hostile, EmptySlotsAreNeverCalled)
{
    SimSetSlot(SimTableTextOutput, SimTextOutputOffset, 0);
    SimSetSlot(SimTableTextAlt, SimTextAltOffset, 0);
    SimSetSlot(SimTablePanel, SimPanelLoadOffset, 0);
    SimSetSlot(SimTableTick, SimTickRegisterOffset, 0);
    SimSetSlot(SimTableTick, SimTickUnregisterOffset, 0);
    ASSERT_TRUE(Fly(1));
    SimPump(100);

    // The module's hooks sit in the empty slots and call nothing on.
    bool called = false;
    EXPECT_EQ(0, SimCallTextOutput("Captured, nobody to pass to", 4, 40, 0, SimTableTextOutput, &called));
    EXPECT_TRUE(called);
    EXPECT_EQ(0, SimCallTextOutput("Not captured", 2, 40, 0, SimTableTextOutput));
    EXPECT_EQ(0, SimCallPanelLoad("C:\\FS2000\\Aircraft\\c172\\aircraft.cfg", &called));
    EXPECT_TRUE(called);
    EXPECT_TRUE(SimTextCalls().empty());
    EXPECT_TRUE(SimPanelLoadCalls().empty());
    EXPECT_TRUE(SimTickCalls().empty());
    EXPECT_STREQ(reinterpret_cast<const char*>(SimMirrorBlock()), "Captured, nobody to pass to");
    EXPECT_TRUE(ShowsText(display_));
}

TEST_F(Hostile, MirrorRecordWithoutItsBlockIsLeftAlone)
{
    SimSetMirrorBlockWord(0);
    ASSERT_TRUE(Fly(1));
    SimCallTextOutput("ATIS information Bravo", 3, 100, 0);
    SimCallTextOutput("Contact tower", 4, 100, 0);
    SimPump(300);  // scrolling and ticks mirror again
    EXPECT_TRUE(ShowsText(display_));
    EXPECT_EQ(*SimSlot(SimTableMirror, SimMirrorBlockOffset), 0u);
    EXPECT_EQ(SimMirrorBlock()[0], 0);
}

// ---- Null texts ----

TEST_F(Hostile, NullTextsOfEveryTypeAndAppendFlagPassAsNull)
{
    for (int edition = 0; edition < 3; ++edition) {
        SCOPED_TRACE(testing::Message() << "edition " << edition);
        SimCreateTables();
        ASSERT_TRUE(Fly(edition));
        SimCallTextOutput("Before", 5, 1000, 0);
        for (int32_t type = -1; type <= 8; ++type)
            for (int32_t append : {0, 1, -1}) {
                SimClearCalls();
                SimCallTextOutput(nullptr, type, 30, append);
                const bool captured = type >= 3 && type <= 6;
                if (captured && edition == 0) {
                    EXPECT_TRUE(SimTextCalls().empty()) << type;
                    continue;
                }
                ASSERT_EQ(SimTextCalls().size(), 1u) << type << "/" << append;
                EXPECT_TRUE(SimTextCalls()[0].text_null) << type << "/" << append;
            }
        SimCallShowMessage(nullptr, 5);
        SimCallShowMessage(nullptr, -5);
        SimPump(100);
        EXPECT_TRUE(IsWindow(display_));
        Unload();
        SimDestroyMainWindow();
    }
}

// ---- Panel windows that aren't what they seem ----

TEST_F(Hostile, PanelWindowsWithNullOrForeignUserDataAreNoPanels)
{
    for (int edition : {1, 2}) {
        SCOPED_TRACE(testing::Message() << "edition " << edition);
        SimCreateTables();
        ASSERT_TRUE(Fly(edition));
        // Docked where no panel is yet: the tick's retry keeps looking.
        SendMessageA(display_, WM_COMMAND, 40001, 0);
        HWND docked = Docked();
        ASSERT_TRUE(docked);
        RECT place;
        GetWindowRect(docked, &place);
        POINT corner = {place.left, place.top};
        ScreenToClient(host_, &corner);

        HWND panel = SimCreatePanel(0, 0, 900, 300, 0x20A9);
        ASSERT_TRUE(panel);
        // Above the docked child, so that the probes find the panel.
        SetWindowPos(panel, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        struct Foreign {
            uint32_t words[8];
        } foreign = {{0xDEADBEEF, 1, 2, 3, 4, 5, 0x12345678, 7}};
        void* const user_data[] = {nullptr, &foreign, reinterpret_cast<void*>(0x10),
                                   reinterpret_cast<void*>(0x7FFF0000)};
        for (void* data : user_data) {
            SimSetPanelUserData(panel, data);
            SimRunTicks(45);  // two retries
            EXPECT_EQ(GetAncestor(docked, GA_PARENT), edition == 2 ? GetDesktopWindow() : host_) << data;
            EXPECT_EQ(GetWindowLongPtrA(panel, GWLP_WNDPROC), GetClassLongPtrA(panel, GCLP_WNDPROC)) << data;
        }
        // The panel's own record, its kind word the last of its page (the
        // next one unreadable): now it is one.
        SYSTEM_INFO system;
        GetSystemInfo(&system);
        auto* pages = static_cast<unsigned char*>(VirtualAlloc(nullptr, 2 * system.dwPageSize, MEM_RESERVE, PAGE_NOACCESS));
        ASSERT_TRUE(pages && VirtualAlloc(pages, system.dwPageSize, MEM_COMMIT, PAGE_READWRITE));
        const size_t record_bytes = PanelKindOffset + sizeof(uint32_t);
        unsigned char* record = pages + system.dwPageSize - record_bytes;
        memcpy(record, SimPanelRecordOf(panel), record_bytes);
        SimSetPanelUserData(panel, record);
        SimRunTicks(21);
        if (edition == 2)
            EXPECT_NE(GetWindowLongPtrA(panel, GWLP_WNDPROC), GetClassLongPtrA(panel, GCLP_WNDPROC));
        else
            EXPECT_EQ(GetAncestor(docked, GA_PARENT), panel);
        Unload();
        SimDestroyMainWindow();
        VirtualFree(pages, 0, MEM_RELEASE);
    }
}

// ---- The main window goes ----

TEST_F(Hostile, MainWindowThatDisappearsTakesTheDisplayAndLeavesTheHostWorking)
{
    std::string aircraft = Aircraft("gone", "[Orvale]\r\nWindow=20,20,300,40\r\n");
    ASSERT_TRUE(Fly(2));
    HWND panel = SimCreatePanel(0, 0, 900, 300, 0x20A9);
    ASSERT_TRUE(panel);
    SimCallPanelLoad(aircraft.c_str());
    // Docked and attached (FS2002 follows the panel through its procedure);
    // the menu's subclass in place once "&Modules" is there.
    ASSERT_TRUE(SimPumpUntil(
        [&] {
            return Docked() && GetWindowLongPtrA(panel, GWLP_WNDPROC) != GetClassLongPtrA(panel, GCLP_WNDPROC) &&
                   GetMenuItemCount(SimMenuBar()) == 4;
        },
        20000));

    SimDestroyMainWindow();
    EXPECT_FALSE(IsWindow(display_));
    EXPECT_EQ(CountDisplayWindows(), 0);

    SimClearCalls();
    SimCallTextOutput("Nobody shows this", 4, 40, 0);
    ASSERT_EQ(SimTextCalls().size(), 1u);
    EXPECT_EQ(SimTextCalls()[0].text, "Nobody shows this") << "passed on unchanged";
    SimCallShowMessage("Nor this", 40);
    SimCallPanelLoad(Aircraft("second", "[Orvale]\r\nWindow=1,2,3,4\r\n").c_str());
    SimCallPanelLoad(Aircraft("third", "").c_str());
    SimRunTicks(50);
    SimPump(200);
    EXPECT_EQ(SimPanelLoadCalls().size(), 2u);
    EXPECT_EQ(CountDisplayWindows(), 0);
}

// ---- The simulator closes around an open chooser ----

TEST_F(Hostile, ChooserOpenWhenTheHostStopsAndUnloadsEndsWithoutRunningFreedCode)
{
    // A copy under a name of its own: a library that keeps itself loaded stays
    // in this process, and must not stand in for orvale.dll in later tests.
    const char library[] = "orvale-hostile-chooser.dll";
    const std::string folder = SimExeFolder() + "\\";
    ASSERT_TRUE(GetModuleHandleA(library) || CopyFileA((folder + "orvale.dll").c_str(), (folder + library).c_str(), FALSE));
    size_t (*gdi)() = FaithfulGdiCount();
    ASSERT_TRUE(gdi) << "no faithful count of GDI objects";
    size_t gdi_at[2] = {}, user_at[2] = {};   // after round 1 and round 6

    // FS2002: the docked display is a popup, and a chooser on it leaves the
    // main window usable, so the simulator can close while it is open.
    host_ = SimCreateMainWindow("FS2002MAIN", "Microsoft Flight Simulator 2002", 0, 0, 900, 650);
    ASSERT_TRUE(host_);
    for (int round = 0; round <= 11; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        ASSERT_TRUE(SimLoadModule((folder + library).c_str()));
        loaded_ = true;
        SimStartModule();
        ASSERT_TRUE(SimPumpUntil([this] { return (display_ = FindUndockedDisplay(host_)) != nullptr; }, 20000));
        SendMessageA(display_, WM_COMMAND, 40001, 0);  // Dock
        HWND docked = Docked();
        ASSERT_TRUE(docked);

        // Inside the chooser's own message loop, as the simulator's close runs.
        bool chooser_ended = false;
        HMODULE mapped = nullptr;
        CommandWithDialog(docked, round % 2 ? 40004 : 40009, [&](HWND dialog) {
            SimStopModule();
            chooser_ended = !IsWindow(dialog);
            SimUnloadModule();
            loaded_ = false;
            mapped = GetModuleHandleA(library);
            if (!mapped) {
                ADD_FAILURE() << "the library was unmapped under its own chooser call";
                fflush(stdout);
                LoadLibraryA((folder + library).c_str());  // code back under the return, if it maps there
            }
        });
        ASSERT_TRUE(dialog_seen) << "the chooser opened";
        EXPECT_TRUE(chooser_ended) << "the stop ends the chooser";
        EXPECT_FALSE(dialog_stuck);
        EXPECT_TRUE(mapped) << "held until the chooser has returned";
        EXPECT_EQ(CountDisplayWindows(), 0);

        SimClearCalls();
        SimCallTextOutput("After the close", 4, 40, 0);
        ASSERT_EQ(SimTextCalls().size(), 1u);
        EXPECT_EQ(SimTextCalls()[0].text, "After the close");
        EXPECT_EQ(SimRunTicks(25), 0);
        SimPump(100);
        EXPECT_EQ(CountDisplayWindows(), 0);
        if (round == 1 || round == 6) {  // from round 1 on, both choosers' first-use objects are made
            gdi_at[round / 6] = gdi();
            user_at[round / 6] = UserObjectCount();
        }
    }
    // Wine's own dialogs, destroyed with their owner while open, keep an
    // object now and then and give it back later: what leaks rises over both
    // halves of the rounds, what Wine keeps does not.
    const size_t gdi_end = gdi(), user_end = UserObjectCount();
    EXPECT_FALSE(gdi_at[1] > gdi_at[0] && gdi_end > gdi_at[1])
        << "GDI objects " << gdi_at[0] << " -> " << gdi_at[1] << " -> " << gdi_end;
    EXPECT_FALSE(user_at[1] > user_at[0] && user_end > user_at[1])
        << "USER objects " << user_at[0] << " -> " << user_at[1] << " -> " << user_end;
}

// ---- Settings files ----

TEST_F(Hostile, EmptyAndBinarySettingsFilesSwitchTheDisplayOff)
{
    std::string binary(65536, '\0');
    uint32_t seed = 12345;
    for (char& c : binary) {
        seed = seed * 1103515245 + 12345;
        c = static_cast<char>(seed >> 24);
    }
    // The section is there, but its "Window" entry has three numbers only.
    binary.replace(4000, 40, "\r\n[Orvale]\r\nWindow=1,2,\xff\xfe\r\nFont=\x01,\x02\r\n");
    const std::string contents[] = {"", binary, std::string(1000, '['), "[Orvale]\r\nWindow=" + std::string(5000, '9')};
    ASSERT_TRUE(Fly(1));
    int n = 0;
    for (const std::string& bytes : contents) {
        SCOPED_TRACE(n);
        // A usable aircraft first, so that each bad one has something to switch off.
        SimCallPanelLoad(Aircraft(("good" + std::to_string(n)).c_str(), "[Orvale]\r\nWindow=10,10,300,40\r\n").c_str());
        SimCallPanelLoad(Aircraft(("bad" + std::to_string(n++)).c_str(), bytes).c_str());
        SimPump(50);
        EXPECT_FALSE(IsWindowVisible(display_));
        EXPECT_FALSE(IsWindowVisible(Docked()));
        SimCallTextOutput("To the simulator", 4, 40, 0);
        ASSERT_FALSE(SimTextCalls().empty());
        EXPECT_EQ(SimTextCalls().back().text, "To the simulator") << "the display is off";
    }
}

TEST_F(Hostile, LockedAndReadOnlySettingsFilesAreReadWhereTheyCanBeAndNeverWritten)
{
    const std::string saved = "[Orvale]\r\nWindow=30,40,320,40,2,0\r\nAutoHide=No\r\n";
    std::string locked = Aircraft("locked", saved);
    std::string read_only = Aircraft("readonly", saved);
    ASSERT_TRUE(SetFileAttributesA((read_only + ".cfg").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(Fly(1));
    HWND panel = SimCreatePanel(0, 0, 900, 300, 0x20A9);
    ASSERT_TRUE(panel);

    // Opened by another without sharing: it can't be read, so the aircraft
    // counts as one without settings.
    HANDLE holder = CreateFileA((locked + ".cfg").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    SimCallPanelLoad(locked.c_str());
    SimPump(50);
    EXPECT_FALSE(IsWindowVisible(display_));
    EXPECT_FALSE(IsWindowVisible(Docked()));
    SendMessageA(host_, WM_COMMAND, 35224, 0);  // not yet subclassed: nothing happens
    CloseHandle(holder);
    EXPECT_EQ(ReadBytes(locked + ".cfg"), saved);

    // Read-only, and held open by another who lets it be read but not
    // written: every write fails with a sharing violation, whoever runs the
    // test (Wine lets its superuser write a read-only file). Read and docked
    // as saved (placed by the tick's retry, since the Close above took the
    // docked window); saving does no harm.
    HANDLE reader = CreateFileA((read_only + ".cfg").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    HANDLE probe = CreateFileA((read_only + ".cfg").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_EQ(probe, INVALID_HANDLE_VALUE) << "the file can be written: the refusal does not hold";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    SimCallPanelLoad(read_only.c_str());
    HWND docked = nullptr;
    ASSERT_TRUE(SimPumpUntil([&] { return (docked = Docked()) != nullptr && IsWindowVisible(docked); }, 20000));
    SendMessageA(docked, WM_COMMAND, 40008, 0);  // Save
    SendMessageA(docked, WM_COMMAND, 40012, 0);  // ATIS off, saved
    EXPECT_EQ(ReadBytes(read_only + ".cfg"), saved);
    CloseHandle(reader);
    EXPECT_EQ(ReadBytes(read_only + ".cfg"), saved) << "nothing written once the file is let go";
    SimCallTextOutput("Still shown", 4, 100, 0);
    EXPECT_TRUE(SimPumpUntil([&] { return CountClientColour(docked, RGB(0, 255, 0)) > 10; }, 1000))
        << "green text of the saved colours";
}

}  // namespace

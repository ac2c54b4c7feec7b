// Per-aircraft settings with real files in a temporary aircraft folder: the
// host's panel loads read section "Orvale" of <panel folder>.cfg, place the
// display or switch it off, and SaveSettings writes the section back.
#include <gtest/gtest.h>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include "host/sim_host.h"
#include "support/import_redirect.h"
#include "support/module_fixture.h"
#include "core/display_state.h"
#include "core/display_values.h"
#include "core/host_interface.h"
#include "display/display_window.h"
#include "module/host_entries.h"
#include "module/startup.h"
#include "resources/resource.h"
#include "settings/settings_file.h"

namespace {

constexpr uint16_t Fs98PanelKind = 0x0151;

typedef HFONT(WINAPI* FontMaker)(const LOGFONTA*);
HFONT WINAPI NoFont(const LOGFONTA*) { return nullptr; }

// A pixel as a window painted it, read from its own surface: other programs'
// windows on the same screen cannot get in the way.
COLORREF PaintedPixel(HWND window, int x, int y)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    HDC dc = GetDC(window);
    COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return colour;
}

// A temporary folder of aircraft, each with a panel folder path and, when
// asked, its settings file; removed again after the test.
class AircraftFiles : public ::testing::Test {
protected:
    void MakeRoot()
    {
        char temp[MAX_PATH];
        ASSERT_GT(GetTempPathA(sizeof temp, temp), 0u);
        static int counter;
        root = std::string(temp) + "orvale-settings-" + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(++counter);
        ASSERT_TRUE(CreateDirectoryA(root.c_str(), nullptr));
    }

    void RemoveRoot()
    {
        for (auto it = files.rbegin(); it != files.rend(); ++it)
            DeleteFileA(it->c_str());
        for (auto it = folders.rbegin(); it != folders.rend(); ++it)
            RemoveDirectoryA(it->c_str());
        RemoveDirectoryA(root.c_str());
    }

    // The panel folder path "<root>\<aircraft>\<panel>", whose settings file
    // holds `contents` (no file when null).
    std::string Aircraft(const char* aircraft, const char* contents, const char* panel = "panel")
    {
        std::string folder = root + "\\" + aircraft;
        if (CreateDirectoryA(folder.c_str(), nullptr))
            folders.push_back(folder);
        std::string path = folder + "\\" + panel;
        files.push_back(path + ".cfg");
        if (contents)
            WriteFileBytes(path + ".cfg", contents);
        return path;
    }

    // Written as the pilot would, with the profile functions' own limits.
    void WriteProfileBytes(const std::string& name, const std::string& bytes)
    {
        HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        if (file != INVALID_HANDLE_VALUE) {
            WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
            CloseHandle(file);
        }
    }

    void WriteFileBytes(const std::string& name, const std::string& bytes)
    {
        FILE* file = fopen(name.c_str(), "wb");
        ASSERT_TRUE(file) << name;
        fwrite(bytes.data(), 1, bytes.size(), file);
        fclose(file);
    }

    std::string root;
    std::vector<std::string> files;
    std::vector<std::string> folders;
};

// The module's code linked in, its hook in the host's panel-load slot.
class Settings : public AircraftFiles {
protected:
    void SetUp() override
    {
        ResetModule();
        SimCreateTables();
        ASSERT_GT(SimFillImportTable(ImportTable), 0);
        ASSERT_EQ(InstallPanelHook(), 1);
        MakeRoot();
    }

    void TearDown() override
    {
        ResetModule();
        SimDestroyMainWindow();
        RemoveRoot();
    }

    // The host loading a panel from `path`, through the slot the hook sits in.
    int32_t Load(const std::string& path)
    {
        bool called = false;
        int32_t result = SimCallPanelLoad(path.c_str(), &called);
        EXPECT_TRUE(called);
        PumpMessages();
        return result;
    }

    // The simulator's main window with one panel window over most of it, and
    // the display stood up on it as start-up does.
    void StandUp()
    {
        host = SimCreateMainWindow("FS98MAIN", "Flight Simulator 98", 0, 0, 800, 600);
        ASSERT_TRUE(host);
        panel = SimCreatePanel(0, 0, 780, 500, Fs98PanelKind);
        ASSERT_TRUE(panel);
        ASSERT_TRUE(StandUpDisplay(host));
        PumpMessages();
    }

    // The docked window's outer rectangle in client coordinates of the host.
    RECT DockedPlace()
    {
        RECT r = {};
        if (!state.docked_window)
            return r;
        GetWindowRect(state.docked_window, &r);
        MapWindowPoints(nullptr, host, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    // The docked window stands at (x, y) of the host's client area, w x h.
    void ExpectDockedAt(int x, int y, int w, int h)
    {
        RECT place = DockedPlace();
        EXPECT_EQ(place.left, x);
        EXPECT_EQ(place.top, y);
        EXPECT_EQ(place.right - place.left, w);
        EXPECT_EQ(place.bottom - place.top, h);
    }

    // Lets the tick's retry attach a docked display to the panel under it.
    void RunRetry()
    {
        for (int i = 0; i < 21; ++i)
            DisplayTick(0, 0);
        PumpMessages();
    }

    HWND host = nullptr;
    HWND panel = nullptr;
};

TEST_F(Settings, OnlyAPanelFolderPathIsRead)
{
    std::string upper = Aircraft("C172", "[Orvale]\r\nAlsoATIS=No\r\n", "PANEL");
    std::string dotted = Aircraft("B737", "[Orvale]\r\nAlsoATIS=No\r\n", "panel.1");
    std::string numbered = Aircraft("DC3", "[Orvale]\r\nAlsoATIS=No\r\n", "panel2");

    Load(dotted);
    Load(numbered);
    EXPECT_STREQ(state.config_path, "");
    EXPECT_EQ(state.also_atis, 1);

    Load(upper);
    EXPECT_EQ(std::string(state.config_path), upper + ".cfg");
    EXPECT_EQ(state.panel_path_length, static_cast<int32_t>(upper.size()));
    EXPECT_EQ(state.also_atis, 0);

    // Every load reaches the host, whether its folder was read or not.
    ASSERT_EQ(SimPanelLoadCalls().size(), 3u);
    EXPECT_EQ(SimPanelLoadCalls()[2].path, upper);
}

TEST_F(Settings, HostGetsTheSixWordsAndItsResultIsReturned)
{
    std::string path = Aircraft("C172", "[Orvale]\r\nAlsoATIS=No\r\n");
    SimSetPanelLoadResult(0x7654321);
    const uintptr_t words[6] = {11, 22, 33, 44, reinterpret_cast<uintptr_t>(path.c_str()), 66};
    bool called = false;
    EXPECT_EQ(SimCallPanelLoadWords(words, &called), 0x7654321);
    ASSERT_TRUE(called);
    ASSERT_EQ(SimPanelLoadCalls().size(), 1u);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(SimPanelLoadCalls()[0].words[i], words[i]) << "word " << i;
    EXPECT_EQ(state.also_atis, 0);

    const uintptr_t no_path[6] = {1, 2, 3, 4, 0, 6};
    EXPECT_EQ(SimCallPanelLoadWords(no_path, &called), 0x7654321);
    ASSERT_EQ(SimPanelLoadCalls().size(), 2u);
    EXPECT_TRUE(SimPanelLoadCalls()[1].path_null);
    SimSetPanelLoadResult(1);
}

TEST_F(Settings, NoHostRoutineToCallOnYieldsZero)
{
    std::string path = Aircraft("C172", "[Orvale]\r\nAlsoATIS=No\r\n");
    state.prev_panel_load = nullptr;
    EXPECT_EQ(PanelLoadHook(1, 2, 3, 4, path.c_str(), 6), 0);
    EXPECT_EQ(state.also_atis, 0);   // the settings are read all the same
    EXPECT_EQ(PanelLoadHook(1, 2, 3, 4, nullptr, 6), 0);
    EXPECT_TRUE(SimPanelLoadCalls().empty());
}

TEST_F(Settings, SameFolderIsNotReadAgain)
{
    std::string c172 = Aircraft("C172", "[Orvale]\r\nAlsoATIS=No\r\n");
    Load(c172);
    ASSERT_EQ(state.also_atis, 0);

    // A second aircraft sharing the panel folder (the path in another case
    // names the same folder): nothing is read, whatever the file now holds.
    state.also_atis = 1;
    std::string other_case = c172;
    other_case.replace(other_case.size() - 5, 5, "PANEL");
    Load(other_case);
    EXPECT_EQ(state.also_atis, 1);
    EXPECT_EQ(std::string(state.config_path), c172 + ".cfg");

    // Another folder is read, and then the first one again.
    Load(Aircraft("B737", "[Orvale]\r\nHideWindow=Yes\r\n"));
    EXPECT_EQ(state.hide_always, 1);
    Load(c172);
    EXPECT_EQ(state.also_atis, 0);
    EXPECT_EQ(state.hide_always, 0);
}

TEST_F(Settings, SwitchesFollowTheirPrefixesAndFallBack)
{
    // Before start-up nothing switches the display off, so the file's values stay.
    Load(Aircraft("A", "[Orvale]\r\nhidewindow=yes please\r\nAUTOHIDE=YES\r\nAlsoATIS=nope\r\n"));
    EXPECT_EQ(state.hide_always, 1);
    EXPECT_EQ(state.auto_hide, 1);
    EXPECT_EQ(state.also_atis, 0);

    Load(Aircraft("B", "[Orvale]\r\nHideWindow=Ye\r\nAutoHide=1\r\nAlsoATIS=\r\n"));
    EXPECT_EQ(state.hide_always, 0);
    EXPECT_EQ(state.auto_hide, 0);
    EXPECT_EQ(state.also_atis, 1);

    Load(Aircraft("C", "[Orvale]\r\nAlsoATIS=No\r\n"));
    ASSERT_EQ(state.also_atis, 0);
    Load(Aircraft("D", nullptr));   // no file: every switch at its default
    EXPECT_EQ(state.hide_always, 0);
    EXPECT_EQ(state.auto_hide, 0);
    EXPECT_EQ(state.also_atis, 1);
}

TEST_F(Settings, WindowEntryDocksAtTheStoredPlace)
{
    StandUp();
    state.text_colour = 5;
    state.back_colour = -0x00123456;
    Load(Aircraft("C172", "[Orvale]\r\nWindow=10,20,300,40\r\n"));
    RunRetry();

    EXPECT_EQ(state.docked, 1);
    EXPECT_EQ(state.display_enabled, 1);
    EXPECT_EQ(state.docked_x, 10);
    EXPECT_EQ(state.docked_y, 20);
    EXPECT_EQ(state.window_width, 300);
    EXPECT_EQ(state.window_height, 40);
    EXPECT_EQ(state.text_colour, 5);
    EXPECT_EQ(state.back_colour, -0x00123456);

    ASSERT_TRUE(state.docked_window);
    EXPECT_TRUE(IsWindowVisible(state.docked_window));
    ExpectDockedAt(10, 20, 300, 40);
}

TEST_F(Settings, ColoursAreTakenOnlyWhenBothAreBelowSeven)
{
    StandUp();
    state.text_colour = -0x00010203;
    state.back_colour = -0x00040506;
    Load(Aircraft("A", "[Orvale]\r\nWindow=10,20,300,40,7,1\r\n"));
    EXPECT_EQ(state.docked_x, 10);
    EXPECT_EQ(state.text_colour, -0x00010203);
    EXPECT_EQ(state.back_colour, -0x00040506);

    Load(Aircraft("B", "[Orvale]\r\nWindow=10,20,300,40,3,3\r\n"));
    RunRetry();
    EXPECT_EQ(state.text_colour, 3);
    EXPECT_EQ(state.back_colour, 3);
    // Each window's own context holds the resolved colours from now on.
    for (HWND window : {state.undocked_window, state.docked_window}) {
        ASSERT_TRUE(window);
        HDC dc = GetDC(window);
        EXPECT_EQ(GetTextColor(dc), 0x00FF0000u);
        EXPECT_EQ(GetBkColor(dc), 0x00580F0Fu);
        ReleaseDC(window, dc);
    }
    LOGBRUSH brush = {};
    ASSERT_EQ(GetObjectA(state.back_brush, sizeof brush, &brush), static_cast<int>(sizeof brush));
    EXPECT_EQ(brush.lbColor, 0x00580F0Fu);

    // What the pilot sees: the docked window at its place in the new background.
    ASSERT_TRUE(IsWindowVisible(state.docked_window));
    EXPECT_EQ(PaintedPixel(state.docked_window, 150, 15), 0x00580F0Fu);
}

TEST_F(Settings, NoUsableWindowEntrySwitchesTheDisplayOff)
{
    StandUp();
    ASSERT_EQ(state.display_enabled, 1);
    state.docked_x = 77;
    state.docked_y = 88;
    state.window_width = 123;
    Load(Aircraft("A", "[Orvale]\r\nWindow=10,20,300\r\nHideWindow=Yes\r\nAutoHide=Yes\r\n"));

    EXPECT_EQ(state.display_enabled, 0);
    EXPECT_EQ(state.docked, 0);
    EXPECT_FALSE(IsWindowVisible(state.undocked_window));
    EXPECT_FALSE(state.docked_window && IsWindowVisible(state.docked_window));
    // Closed, whatever the file said about hiding.
    EXPECT_EQ(state.hide_always, 0);
    EXPECT_EQ(state.auto_hide, 0);
    // The size and the undocked place fall back; the docked place stays.
    EXPECT_EQ(state.window_width, state.default_width);
    EXPECT_EQ(state.window_height, state.default_height);
    EXPECT_EQ(state.undocked_x, state.default_x);
    EXPECT_EQ(state.undocked_y, state.default_y);
    EXPECT_EQ(state.docked_x, 77);
    EXPECT_EQ(state.docked_y, 88);
}

TEST_F(Settings, UsableEntryAfterThePilotClosedTheDisplaySwitchesItOnDocked)
{
    StandUp();
    SendMessageA(state.undocked_window, WM_COMMAND, IDM_CLOSE, 0);
    ASSERT_EQ(state.display_enabled, 0);

    Load(Aircraft("A", "[Orvale]\r\nWindow=30,40,250,36\r\n"));
    RunRetry();
    EXPECT_EQ(state.display_enabled, 1);
    EXPECT_EQ(state.docked, 1);
    ASSERT_TRUE(state.docked_window);
    EXPECT_TRUE(IsWindowVisible(state.docked_window));
    RECT place = DockedPlace();
    EXPECT_EQ(place.left, 30);
    EXPECT_EQ(place.top, 40);
    EXPECT_EQ(place.right - place.left, 250);
}

TEST_F(Settings, FontEntries)
{
    StandUp();
    Load(Aircraft("A", "[Orvale]\r\nWindow=10,20,300,40\r\nFont=Arial,-12,0,400\r\n"));
    HFONT arial = state.display_font;
    ASSERT_TRUE(arial);
    EXPECT_STREQ(state.display_logfont.lfFaceName, "Arial");
    EXPECT_EQ(state.display_logfont.lfHeight, -12);
    EXPECT_EQ(state.display_logfont.lfWidth, 0);
    EXPECT_EQ(state.display_logfont.lfWeight, 400);
    EXPECT_EQ(state.display_logfont.lfItalic, 0);
    EXPECT_EQ(state.display_logfont.lfUnderline, 0);
    EXPECT_EQ(state.display_logfont.lfStrikeOut, 0);
    // Read before the display is placed: the undocked window's own context
    // holds the font at once (a docked window made afterwards gets it at paint).
    HDC undocked_dc = GetDC(state.undocked_window);
    EXPECT_EQ(GetCurrentObject(undocked_dc, OBJ_FONT), arial);
    ReleaseDC(state.undocked_window, undocked_dc);

    // A new font takes the old one's place; the old one is gone.
    Load(Aircraft("B", "[Orvale]\r\nWindow=10,20,300,40\r\nFont=Courier New,-20,0,700,1,257,1\r\n"));
    ASSERT_TRUE(state.display_font);
    EXPECT_NE(state.display_font, arial);
    EXPECT_EQ(GetObjectType(arial), 0u);
    EXPECT_EQ(state.display_logfont.lfItalic, 1);
    EXPECT_EQ(state.display_logfont.lfUnderline, 1);
    EXPECT_EQ(state.display_logfont.lfStrikeOut, 1);
    HFONT courier = state.display_font;
    // Both windows exist now; neither context is left holding the deleted font.
    for (HWND window : {state.docked_window, state.undocked_window}) {
        ASSERT_TRUE(window);
        HDC dc = GetDC(window);
        EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), courier);
        ReleaseDC(window, dc);
    }

    // A face name alone, or fewer than three numbers: a font of what the
    // entry holds, the rest at its defaults; a save leaves the entry alone.
    Load(Aircraft("C", "[Orvale]\r\nWindow=10,20,300,40\r\nFont=Arial\r\n"));
    ASSERT_TRUE(state.display_font);
    EXPECT_EQ(GetObjectType(courier), 0u);
    LOGFONTA made = {};
    ASSERT_EQ(static_cast<int>(sizeof made), GetObjectA(state.display_font, sizeof made, &made));
    EXPECT_STREQ(made.lfFaceName, "Arial");
    EXPECT_EQ(made.lfHeight, 0);
    std::string d = Aircraft("D", "[Orvale]\r\nWindow=10,20,300,40\r\nFont=Times New Roman,-12,0\r\n");
    Load(d);
    ASSERT_EQ(static_cast<int>(sizeof made), GetObjectA(state.display_font, sizeof made, &made));
    EXPECT_STREQ(made.lfFaceName, "Times New Roman");
    EXPECT_EQ(made.lfHeight, -12);
    SaveSettings();
    char value[64] = {};
    GetPrivateProfileStringA("Orvale", "Font", "", value, sizeof value, (d + ".cfg").c_str());
    EXPECT_STREQ(value, "Times New Roman,-12,0");
    HFONT times = state.display_font;

    // No "Font" entry: the previous aircraft's font stays in use.
    Load(Aircraft("E", "[Orvale]\r\nWindow=10,20,300,40\r\n"));
    EXPECT_EQ(state.display_font, times);

    // A font that cannot be made changes nothing: the font in use stays,
    // neither leaked nor deleted, and so does its description.
    FontMaker real = nullptr;
    ASSERT_TRUE(Redirect("gdi32.dll", "CreateFontIndirectA", &NoFont, &real));
    Load(Aircraft("F", "[Orvale]\r\nWindow=10,20,300,40\r\nFont=Arial,-30,0,400\r\n"));
    RedirectImport("gdi32.dll", "CreateFontIndirectA", reinterpret_cast<void*>(real));
    EXPECT_EQ(state.display_font, times);
    EXPECT_EQ(GetObjectType(times), static_cast<DWORD>(OBJ_FONT));
    EXPECT_STREQ(state.display_logfont.lfFaceName, "Times New Roman");
}

TEST_F(Settings, SaveWritesTheFiveKeysInOrder)
{
    std::string path = Aircraft("C172", nullptr);
    Load(path);
    ASSERT_EQ(std::string(state.config_path), path + ".cfg");

    state.stored_place = {10, -20, 300, 40};
    state.docked_x = 77;   // where the display stands now is not what is kept
    state.text_colour = -16711680;
    state.back_colour = 3;
    // The pilot's choices are written, not the display's hiding of the moment.
    state.chosen_hide_always = 0;
    state.hide_always = 1;
    state.chosen_auto_hide = 1;
    state.auto_hide = 0;
    state.also_atis = 1;
    state.font_chosen = 1;
    state.display_logfont = LOGFONTA{};
    strcpy(state.display_logfont.lfFaceName, "Arial");
    state.display_logfont.lfHeight = -12;
    state.display_logfont.lfWeight = 400;
    state.display_logfont.lfItalic = 255;
    state.display_font = CreateFontIndirectA(&state.display_logfont);
    ASSERT_TRUE(state.display_font);
    SaveSettings();
    EXPECT_EQ(SimReadFile(state.config_path),
              "[Orvale]\r\n"
              "Window=10,-20,300,40,-16711680,3\r\n"
              "Font=Arial,-12,0,400,255,0,0\r\n"
              "HideWindow=No\r\n"
              "AutoHide=Yes\r\n"
              "AlsoATIS=Yes\r\n");

    // Without a font the key goes.
    DeleteObject(state.display_font);
    state.display_font = nullptr;
    state.chosen_hide_always = 1;
    state.chosen_auto_hide = 0;
    state.also_atis = 0;
    SaveSettings();
    EXPECT_EQ(SimReadFile(state.config_path),
              "[Orvale]\r\n"
              "Window=10,-20,300,40,-16711680,3\r\n"
              "HideWindow=Yes\r\n"
              "AutoHide=No\r\n"
              "AlsoATIS=No\r\n");
}

TEST_F(Settings, RoundTripKeepsTheRestOfThePanelFile)
{
    StandUp();
    const std::string before = "[Window Titles]\r\nWindow00=Main Panel\r\n\r\n"
                               "[Orvale]\r\nAlsoATIS=No\r\nWindow=10,20,300,40,2,4\r\n";
    std::string c172 = Aircraft("C172", before.c_str());
    Load(c172);
    RunRetry();
    ExpectDockedAt(10, 20, 300, 40);

    SaveSettings();
    std::string after = SimReadFile(c172 + ".cfg");
    EXPECT_EQ(after.find("[Window Titles]\r\nWindow00=Main Panel\r\n"), 0u) << after;
    EXPECT_NE(after.find("[Orvale]\r\nAlsoATIS=No\r\nWindow=10,20,300,40,2,4\r\n"
                         "HideWindow=No\r\nAutoHide=No\r\n"),
              std::string::npos)
        << after;

    // Another aircraft, then back: the same place and settings.
    Load(Aircraft("B737", "[Orvale]\r\nWindow=50,60,200,30\r\n"));
    EXPECT_EQ(state.docked_x, 50);
    EXPECT_EQ(state.also_atis, 1);
    Load(c172);
    EXPECT_EQ(state.docked_x, 10);
    EXPECT_EQ(state.docked_y, 20);
    EXPECT_EQ(state.window_width, 300);
    EXPECT_EQ(state.window_height, 40);
    EXPECT_EQ(state.text_colour, 2);
    EXPECT_EQ(state.back_colour, 4);
    EXPECT_EQ(state.also_atis, 0);
}

TEST_F(Settings, PanelBeforeTheDisplayWithoutAnEntryComesUpUndocked)
{
    Load(Aircraft("A", "[Orvale]\r\nWindow=1,2\r\n"));
    EXPECT_EQ(state.window_width, -1);
    EXPECT_EQ(state.window_height, -1);
    EXPECT_EQ(state.docked, 0);

    host = SimCreateMainWindow("FS98MAIN", "Flight Simulator 98", 0, 0, 800, 600);
    ASSERT_TRUE(host);
    state.host_window = host;
    InitDisplay();
    PumpMessages();
    ASSERT_TRUE(state.undocked_window);
    EXPECT_EQ(state.docked, 0);
    EXPECT_TRUE(IsWindowVisible(state.undocked_window));
    RECT r;
    GetWindowRect(state.undocked_window, &r);
    EXPECT_EQ(r.left, state.default_x);
    EXPECT_EQ(r.top, state.default_y);
    EXPECT_EQ(r.right - r.left, state.default_width);
}

TEST_F(Settings, PanelBeforeTheDisplayWithAnEntryComesUpDocked)
{
    Load(Aircraft("A", "[Orvale]\r\nWindow=10,20,300,40\r\n"));
    EXPECT_EQ(state.docked, 1);
    EXPECT_EQ(state.window_width, 300);

    host = SimCreateMainWindow("FS98MAIN", "Flight Simulator 98", 0, 0, 800, 600);
    ASSERT_TRUE(host);
    panel = SimCreatePanel(0, 0, 780, 500, Fs98PanelKind);
    state.host_window = host;
    InitDisplay();
    RunRetry();
    EXPECT_EQ(state.docked, 1);
    EXPECT_EQ(state.window_width, 300);
    ASSERT_TRUE(state.docked_window);
    EXPECT_TRUE(IsWindowVisible(state.docked_window));
    ExpectDockedAt(10, 20, 300, 40);
}

TEST_F(Settings, HostileFilesKeepTheRules)
{
    // Huge numbers are held at the limits; the colours count (both below 7).
    Load(Aircraft("A", "[Orvale]\r\nWindow=99999999999999999999,-99999999999999999999,"
                       "4294967296,-4294967296,-99999999999,2\r\n"));
    EXPECT_EQ(state.stored_place.x, INT32_MAX);
    EXPECT_EQ(state.stored_place.y, INT32_MIN);
    EXPECT_EQ(state.stored_place.width, INT32_MAX);
    EXPECT_EQ(state.stored_place.height, INT32_MIN);
    // The display itself gets them in Windows 95's 16-bit range.
    EXPECT_EQ(state.docked_x, 32767);
    EXPECT_EQ(state.docked_y, -32768);
    EXPECT_EQ(state.window_width, 0);
    EXPECT_EQ(state.window_height, 0);
    EXPECT_EQ(state.text_colour, INT32_MIN);
    EXPECT_EQ(state.back_colour, 2);
    EXPECT_EQ(ResolveTextColour(state), 0x80000000u);

    // Missing commas: one number, no entry.
    state.docked = 0;
    Load(Aircraft("B", "[Orvale]\r\nWindow=10 20 300 40\r\n"));
    EXPECT_EQ(state.docked, 0);
    EXPECT_EQ(state.window_width, -1);

    // 10,000-character values are cut by the read buffer.
    std::string long_window = "[Orvale]\r\nWindow=1,2,3,4," + std::string(10000, '5') +
                              "\r\nFont=" + std::string(10000, 'F') + ",-12,0,400\r\n";
    Load(Aircraft("C", long_window.c_str()));
    EXPECT_EQ(state.docked_x, 1);
    EXPECT_EQ(state.window_height, 4);
    EXPECT_EQ(state.text_colour, INT32_MIN);   // a fifth number without a sixth
    EXPECT_EQ(strlen(state.display_logfont.lfFaceName), 31u);
    EXPECT_EQ(state.display_logfont.lfHeight, 0);

    // Binary bytes read as whatever atoi makes of them.
    Load(Aircraft("D", std::string("[Orvale]\r\nWindow=\x01\xff,\x80\x7f,3,4\r\nAlsoATIS=\xfe\xff\r\n"
                                   "HideWindow=\x1b[Yes\r\n").c_str()));
    EXPECT_EQ(state.docked_x, 0);
    EXPECT_EQ(state.docked_y, 0);
    EXPECT_EQ(state.window_width, 3);
    EXPECT_EQ(state.also_atis, 1);
    EXPECT_EQ(state.hide_always, 0);
}

TEST_F(Settings, PathTooLongForItsSettingsFileHasNone)
{
    // Its settings file name would be cut into another folder's: the aircraft
    // has no settings file, nothing is read or written, and the display goes
    // off as for any aircraft without a place for it.
    StandUp();
    const std::string saved = Aircraft("A", "[Orvale]\r\nWindow=10,20,300,40\r\nAlsoATIS=No\r\n");
    Load(saved);
    ASSERT_EQ(state.display_enabled, 1);
    std::string path = root + "\\" + std::string(300 - root.size() - 6, 'a') + "panel";
    ASSERT_EQ(path.size(), 300u);
    const std::string cut = path.substr(0, 244) + ".cfg";
    WriteFileBytes(cut, "[Orvale]\r\nWindow=50,60,300,40\r\n");
    files.push_back(cut);
    Load(path);
    EXPECT_STREQ(state.config_path, "");
    EXPECT_EQ(state.display_enabled, 0) << "the cut name's file was not read";
    EXPECT_EQ(state.also_atis, 1);
    SendMessageA(state.undocked_window, WM_COMMAND, IDM_SHOWUNDOCKED, 0);
    SendMessageA(state.undocked_window, WM_COMMAND, IDM_DOCK, 0);
    SendMessageA(state.docked_window, WM_COMMAND, IDM_SAVE, 0);
    EXPECT_EQ(SimReadFile(cut), "[Orvale]\r\nWindow=50,60,300,40\r\n") << "nor written";

    // Read again on the next load, never taken for the same folder.
    ASSERT_EQ(SimPanelLoadCalls().size(), 2u);
    Load(path);
    EXPECT_EQ(state.display_enabled, 0);
    ASSERT_EQ(SimPanelLoadCalls().size(), 3u);
    EXPECT_EQ(SimPanelLoadCalls()[2].path, path);

    // The limit is the one the file name meets: the profile functions open
    // names of up to 259 characters, so a panel folder path of 255 has its
    // settings, read and saved, and one of 256 has none.
    std::string folder = root;
    while (folder.size() + 61 < 249) {
        folder += "\\" + std::string(60, 'b');
        CreateDirectoryA(folder.c_str(), nullptr);
        folders.push_back(folder);
    }
    const std::string base = folder;
    for (size_t length : {255u, 256u}) {
        folder = base + "\\" + std::string(length - 6 - base.size() - 1, 'c');
        CreateDirectoryA(folder.c_str(), nullptr);
        folders.push_back(folder);
        path = folder + "\\panel";
        ASSERT_EQ(path.size(), length);
        files.push_back(path + ".cfg");
        WriteProfileBytes(path + ".cfg", "[Orvale]\r\nWindow=50,60,300,40\r\n");
        Load(path);
        EXPECT_EQ(state.config_path[0] != '\0', length == 255) << length;
        EXPECT_EQ(state.display_enabled, length == 255 ? 1 : 0) << length;
        SendMessageA(state.undocked_window, WM_COMMAND, IDM_SHOWUNDOCKED, 0);
        SendMessageA(state.undocked_window, WM_COMMAND, IDM_DOCK, 0);
        SendMessageA(state.docked_window, WM_COMMAND, IDM_ALSOATIS, 0);
        char value[16] = {};
        GetPrivateProfileStringA("Orvale", "AlsoATIS", "", value, sizeof value, (path + ".cfg").c_str());
        EXPECT_STREQ(value, length == 255 ? "No" : "") << length;
    }
}

// The real orvale.dll in the simulated FS98: two aircraft, one with saved
// settings and one without, loaded the way the simulator loads panels.
class SettingsDll : public AircraftFiles {
protected:
    void SetUp() override
    {
        MakeRoot();
        SimCreateTables();
        host = SimCreateMainWindow("FS98MAIN", "Flight Simulator 98", 0, 0, 800, 600);
        ASSERT_TRUE(host);
        panel = SimCreatePanel(0, 0, 780, 500, Fs98PanelKind);
        ASSERT_TRUE(SimLoadModule(SimFreshCopy("orvale.dll").c_str()));
        ASSERT_TRUE(SimStartModule());
        ASSERT_TRUE(SimPumpUntil([] { return FindWindowA("OrvaleWindow", nullptr) != nullptr; }, 20000))
            << "the display comes up once the main window is found";
        SimClearCalls();
    }

    void TearDown() override
    {
        SimStopModule();
        SimUnloadModule();
        SimDestroyMainWindow();
        RemoveRoot();
    }

    // The module's display window on the panel (FS98 re-parents it there),
    // when it is visible.
    HWND VisibleDisplay()
    {
        HWND window = FindWindowExA(panel, nullptr, "OrvaleWindow", nullptr);
        return window && IsWindowVisible(window) ? window : nullptr;
    }

    HWND host = nullptr;
    HWND panel = nullptr;
};

TEST_F(SettingsDll, SavedAircraftDocksAndAnUnsavedOneSwitchesTheDisplayOff)
{
    std::string saved = Aircraft("C172", "[Orvale]\r\nWindow=20,30,280,40,3,3\r\nAutoHide=No\r\n");
    std::string unsaved = Aircraft("B737", nullptr);

    SimSetPanelLoadResult(5);
    EXPECT_EQ(SimCallPanelLoad(saved.c_str()), 5);
    // The tick's retry attaches the docked window to the panel.
    HWND docked = nullptr;
    ASSERT_TRUE(SimPumpUntil([&] { return (docked = VisibleDisplay()) != nullptr; }, 20000));
    RECT r;
    GetWindowRect(docked, &r);
    MapWindowPoints(nullptr, host, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 20);
    EXPECT_EQ(r.top, 30);
    EXPECT_EQ(r.right - r.left, 280);
    EXPECT_EQ(r.bottom - r.top, 40);
    EXPECT_EQ(PaintedPixel(docked, 130, 15), 0x00580F0Fu) << "background colour 3";

    // "Save" from the display's menu writes the section back in its order.
    SendMessageA(docked, WM_COMMAND, 40008, 0);
    EXPECT_EQ(SimReadFile(saved + ".cfg"),
              "[Orvale]\r\nWindow=20,30,280,40,3,3\r\nAutoHide=No\r\n"
              "HideWindow=No\r\nAlsoATIS=Yes\r\n");

    SimCallPanelLoad(unsaved.c_str());
    SimPump(200);
    EXPECT_FALSE(VisibleDisplay()) << "no saved place: the display is off for this aircraft";
    EXPECT_EQ(SimReadFile(unsaved + ".cfg"), "") << "loading writes nothing";
    ASSERT_EQ(SimPanelLoadCalls().size(), 2u);
    EXPECT_EQ(SimPanelLoadCalls()[1].path, unsaved);
    SimSetPanelLoadResult(1);
}

// The same in Windows' Japanese code page, 932, where the second byte of a
// two-byte character can have an ASCII letter's code. The ordinary slots run
// in a single-byte code page and skip it; wine.settings_test.cp932 runs it in
// a Japanese prefix (tools/wine-run.sh, ORVALE_WINE_LOCALE) with
// ORVALE_REQUIRE_ACP=932, which makes a wrong code page a failure, not a skip.
class SettingsDll932 : public SettingsDll {
protected:
    void SetUp() override
    {
        const char* required = getenv("ORVALE_REQUIRE_ACP");
        if (GetACP() != 932) {
            ASSERT_FALSE(required && strcmp(required, "932") == 0)
                << "the code page is " << GetACP() << ", not 932: the prefix is not a Japanese one";
            GTEST_SKIP() << "code page " << GetACP() << ", not 932";
        }
        started = true;
        SettingsDll::SetUp();
    }

    void TearDown() override
    {
        if (started)
            SettingsDll::TearDown();
    }

    bool started = false;
};

TEST_F(SettingsDll932, KatakanaFoldersThatDifferInASecondByteAreTwoAircraft)
{
    // 0x83 0x41 and 0x83 0x61: two katakana characters, whose second bytes
    // are 'A' and 'a'. Made with the ANSI functions, so that Windows takes
    // the bytes in its code page.
    const std::string first = Aircraft("jet\x83\x41", nullptr);
    const std::string second = Aircraft("jet\x83\x61", nullptr);
    const std::string first_file = "[Orvale]\r\nWindow=20,30,280,40\r\n";
    WriteProfileBytes(first + ".cfg", first_file);
    WriteProfileBytes(second + ".cfg", "[Orvale]\r\nWindow=300,200,250,36\r\n");
    ASSERT_EQ(SimReadFile(first + ".cfg"), first_file) << "two folders, two files in this code page";

    auto docked_at = [&](int x, int y) {
        HWND docked = VisibleDisplay();
        if (!docked)
            return false;
        RECT r;
        GetWindowRect(docked, &r);
        MapWindowPoints(nullptr, host, reinterpret_cast<POINT*>(&r), 2);
        return r.left == x && r.top == y;
    };
    SimCallPanelLoad(first.c_str());
    ASSERT_TRUE(SimPumpUntil([&] { return docked_at(20, 30); }, 20000)) << "the first aircraft's place";
    SimCallPanelLoad(second.c_str());
    EXPECT_TRUE(SimPumpUntil([&] { return docked_at(300, 200); }, 20000))
        << "the second aircraft's settings are read: its own place";

    // "Hide when empty" saves, into the second aircraft's file only.
    SendMessageA(VisibleDisplay(), WM_COMMAND, IDM_HIDEEMPTY, 0);
    EXPECT_NE(SimReadFile(second + ".cfg").find("AutoHide=Yes\r\n"), std::string::npos)
        << SimReadFile(second + ".cfg");
    EXPECT_EQ(SimReadFile(first + ".cfg"), first_file);
}

}  // namespace

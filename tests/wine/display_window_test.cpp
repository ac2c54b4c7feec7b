// The display windows on real Win32: painting in the resolved colours,
// wrapping, the sizing limit, the right-button menus and the commands.
#include <gtest/gtest.h>
#include <cstdio>
#include <string>
#include "host/sim_host.h"
#include "support/module_fixture.h"
#include "core/display_state.h"
#include "display/display_window.h"
#include "module/host_entries.h"
#include "resources/resource.h"
#include "settings/settings_file.h"

namespace {

class DisplayWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetModule();
        SimCreateTables();
        host = SimCreateMainWindow("FS2000MAIN", "Flight Simulator 2000", 0, 0, 800, 600);
        ASSERT_TRUE(host);
        window = StandUpDisplay(host);
        ASSERT_TRUE(window);
    }
    void TearDown() override
    {
        ResetModule();
        SimDestroyMainWindow();
    }

    // Shows the undocked window at a screen rectangle and paints `text` into it.
    void ShowText(const char* text, int x, int y, int w, int h)
    {
        SetWindowPos(window, HWND_TOPMOST, x, y, w, h, SWP_NOACTIVATE | SWP_SHOWWINDOW);
        state.docked = 0;
        ShowMessage(text, 0);
        UpdateWindow(window);
        PumpMessages();
    }

    // Counts client pixels of one colour in a band of rows.
    int CountPixels(COLORREF colour, int top, int bottom)
    {
        PumpMessages();
        GdiFlush();
        RECT client;
        GetClientRect(window, &client);
        int count = 0;
        for (int y = top; y < bottom && y < client.bottom; ++y)
            for (int x = 0; x < client.right; x += 2)
                if (SimClientPixel(window, x, y) == colour)
                    ++count;
        return count;
    }

    HWND host = nullptr;
    HWND window = nullptr;
};

TEST_F(DisplayWindow, ClassAndCreationAsThePilotSeesThem)
{
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    EXPECT_STREQ("OrvaleWindow", name);
    WNDCLASSA wc = {};
    ASSERT_TRUE(GetClassInfoA(state.module_instance, "OrvaleWindow", &wc));
    EXPECT_EQ(UINT(CS_VREDRAW | CS_HREDRAW | CS_OWNDC), wc.style);
    EXPECT_EQ(30, wc.cbWndExtra);
    EXPECT_EQ(nullptr, wc.hbrBackground);
    char caption[64] = {};
    GetWindowTextA(window, caption, sizeof caption);
    EXPECT_STREQ("Orvale: drag, size and dock me!", caption);
    EXPECT_EQ(host, GetWindow(window, GW_OWNER));
    LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    EXPECT_EQ(WS_POPUP | WS_CAPTION | WS_THICKFRAME, style & (WS_POPUP | WS_CAPTION | WS_THICKFRAME));
    EXPECT_FALSE(IsWindowVisible(window)) << "created hidden";
    EXPECT_TRUE(state.undocked_menu);
    EXPECT_EQ(19, state.line_height) << "system font of height 16";
}

TEST_F(DisplayWindow, PaintsRedTextOnDarkGreyByDefault)
{
    ShowText("MMMMMMMMMM", 100, 100, 300, 80);
    EXPECT_GT(CountPixels(RGB(255, 0, 0), 0, 19), 20);
    EXPECT_GT(CountPixels(RGB(60, 60, 60), 0, 40), 100);
    // Nothing else: the window is erased with the shared background brush.
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(RGB(60, 60, 60), SimClientPixel(window, client.right - 2, client.bottom - 2));
}

TEST_F(DisplayWindow, PaintsResolvedColoursOfEveryEncoding)
{
    state.text_colour = -static_cast<int32_t>(RGB(0, 0, 255));
    state.back_colour = 2;  // palette: 15, 88, 15
    ApplyColours(window);
    RemakeBackBrush();
    ShowText("MMMMMMMMMM", 100, 100, 300, 80);
    EXPECT_GT(CountPixels(RGB(0, 0, 255), 0, 19), 20);
    EXPECT_GT(CountPixels(RGB(15, 88, 15), 0, 40), 100);
}

TEST_F(DisplayWindow, WrapsOnlyFromOnePointSixLines)
{
    std::string words;
    for (int i = 0; i < 30; ++i)
        words += "MMMM ";
    RECT frame = {0, 0, 200, 29};
    AdjustWindowRect(&frame, WS_POPUP | WS_CAPTION | WS_THICKFRAME, FALSE);
    int outer_w = frame.right - frame.left, extra_h = frame.bottom - frame.top - 29;

    ShowText(words.c_str(), 100, 100, outer_w, 29 + extra_h);
    RECT client;
    GetClientRect(window, &client);
    ASSERT_EQ(29, client.bottom);
    EXPECT_EQ(0, CountPixels(RGB(255, 0, 0), 19, 29)) << "one unwrapped line";

    SetWindowPos(window, nullptr, 0, 0, outer_w, 30 + extra_h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateWindow(window);
    GetClientRect(window, &client);
    ASSERT_EQ(30, client.bottom);
    PumpMessages();
    EXPECT_GT(CountPixels(RGB(255, 0, 0), 19, 30), 5) << "wrapped onto a second line";
}

TEST_F(DisplayWindow, SizingKeepsTheMinimumHeightByMovingTheBottomEdge)
{
    RECT drag = {100, 200, 400, 240};
    state.initialised = 0;
    EXPECT_EQ(TRUE, SendMessageA(window, WM_SIZING, WMSZ_TOP, reinterpret_cast<LPARAM>(&drag)));
    EXPECT_EQ(240, drag.bottom) << "untouched before start-up";

    state.initialised = 1;
    SendMessageA(window, WM_SIZING, WMSZ_TOP, reinterpret_cast<LPARAM>(&drag));
    EXPECT_EQ(200, drag.top);
    EXPECT_EQ(246, drag.bottom) << "line 19 + 2 frames 4 + caption 19";

    state.docked = 1;
    drag = {100, 200, 400, 210};
    SendMessageA(window, WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&drag));
    EXPECT_EQ(219, drag.bottom);
    EXPECT_EQ(400, drag.right) << "the width is not limited";
}

// Makes a temporary settings file, not yet on disk, the module's current one.
std::string UseFreshSettingsFile(const char* name)
{
    char folder[MAX_PATH], file[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    snprintf(file, sizeof file, "%sorvale-%s-%lu.cfg", folder, name, GetCurrentProcessId());
    DeleteFileA(file);
    strcpy(state.config_path, file);
    return file;
}

// Posts the keys that pick item `index` (0-based) of a popup menu opened next.
void PickMenuItem(HWND window, int index)
{
    for (int i = 0; i <= index; ++i)
        PostMessageA(window, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(window, WM_KEYDOWN, VK_RETURN, 0);
}

TEST_F(DisplayWindow, RightButtonMenuShowsChecksAndDeliversTheChoice)
{
    ShowText("menu", 100, 100, 300, 80);
    state.also_atis = 1;
    PickMenuItem(window, 5);  // "ATIS messages" in UNDOCKEDM
    SendMessageA(window, WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
    PumpMessages();
    EXPECT_EQ(0, state.also_atis) << "the chosen item arrived as command 40012";
    EXPECT_EQ(UINT(MF_UNCHECKED), GetMenuState(state.undocked_menu, IDM_ALSOATIS, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_EQ(UINT(-1), GetMenuState(state.undocked_menu, IDM_HIDEEMPTY, MF_BYCOMMAND))
        << "the floating window offers no Hide when empty";

    // The check marks follow the state when the menu opens.
    state.also_atis = 1;
    PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    SendMessageA(window, WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
    EXPECT_EQ(UINT(MF_CHECKED), GetMenuState(state.undocked_menu, IDM_ALSOATIS, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_EQ(1, state.also_atis) << "escape chose nothing";
}

TEST_F(DisplayWindow, MenusHoldTheirItemsInOrder)
{
    const char* undocked[] = {"Dock", "Text colour", "Back colour", "Match background", "Font", "ATIS messages"};
    const UINT undocked_ids[] = {40001, 40004, 40005, 40010, 40009, 40012};
    HMENU menu = state.undocked_menu;
    ASSERT_EQ(1, GetMenuItemCount(menu));
    HMENU popup = GetSubMenu(menu, 0);
    ASSERT_EQ(6, GetMenuItemCount(popup));
    for (int i = 0; i < 6; ++i) {
        char text[64] = {};
        GetMenuStringA(popup, i, text, sizeof text, MF_BYPOSITION);
        EXPECT_STREQ(undocked[i], text);
        EXPECT_EQ(undocked_ids[i], GetMenuItemID(popup, i));
    }
    HMENU docked = LoadMenuA(state.module_instance, "DOCKEDM");
    ASSERT_TRUE(docked);
    const char* docked_items[] = {"Undock", "Text colour", "Back colour", "Match background", "Font",
                                  "Save", "Close", "Hide always", "Hide when empty", "ATIS messages"};
    const UINT docked_ids[] = {40002, 40004, 40005, 40010, 40009, 40008, 40003, 40011, 40013, 40012};
    popup = GetSubMenu(docked, 0);
    ASSERT_EQ(10, GetMenuItemCount(popup));
    for (int i = 0; i < 10; ++i) {
        char text[64] = {};
        GetMenuStringA(popup, i, text, sizeof text, MF_BYPOSITION);
        EXPECT_STREQ(docked_items[i], text);
        EXPECT_EQ(docked_ids[i], GetMenuItemID(popup, i));
    }
    DestroyMenu(docked);
}

TEST_F(DisplayWindow, CommandsWithANotificationCodeAreIgnored)
{
    state.also_atis = 1;
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDM_ALSOATIS, 1), 0);
    EXPECT_EQ(1, state.also_atis);
    state.display_enabled = 1;
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDM_CLOSE, 1), 0);
    EXPECT_EQ(1, state.display_enabled);
    SendMessageA(window, WM_COMMAND, IDM_ALSOATIS, 0);
    EXPECT_EQ(0, state.also_atis);
}

TEST_F(DisplayWindow, CloseSwitchesOffAndResetsPlaceWithoutSaving)
{
    const std::string file = UseFreshSettingsFile("close");

    HMENU bar = SimMenuBar();
    AppendMenuA(bar, MF_STRING | MF_CHECKED, 35224, "&Orvale");
    state.host_menu = bar;
    strcpy(state.menu_name, "DOCKEDM");
    state.docked_window = CreateWindowExA(0, "OrvaleWindow", "", WS_POPUP | WS_BORDER, 0, 0, 0, 0, host,
                                          nullptr, state.module_instance, nullptr);
    state.docked_menu = state.loaded_menu;
    ASSERT_TRUE(state.docked_window);
    ShowWindow(window, SW_SHOWNA);
    state.docked = 1;
    state.auto_hide = -1;
    state.hide_always = 1;
    state.undocked_x = state.undocked_y = 500;
    state.window_width = 10;
    state.window_height = 10;

    SendMessageA(window, WM_COMMAND, IDM_CLOSE, 0);
    EXPECT_EQ(0, state.display_enabled);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_TRUE(IsWindow(window)) << "the floating window stays, hidden";
    EXPECT_EQ(nullptr, state.docked_window);
    EXPECT_EQ(nullptr, state.docked_menu);
    EXPECT_EQ(UINT(MF_UNCHECKED), GetMenuState(bar, 35224, MF_BYCOMMAND) & MF_CHECKED);
    RECT r;
    GetWindowRect(host, &r);
    EXPECT_EQ(r.left + state.cx_frame, state.undocked_x);
    EXPECT_EQ(r.top + state.cy_caption + state.cy_frame + state.cy_menu, state.undocked_y);
    EXPECT_EQ(state.default_width, state.window_width);
    EXPECT_EQ(state.default_height, state.window_height);
    EXPECT_EQ(0, state.docked);
    EXPECT_EQ(0, state.auto_hide);
    EXPECT_EQ(0, state.hide_always);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(file.c_str())) << "Close saves nothing";

    // Captured messages now reach the host again.
    SimClearCalls();
    state.prev_text_output = SimHostTextOutput(SimTableTextOutput);
    TextOutputHook("to the host", 5, 10, 0);
    ASSERT_EQ(1u, SimTextCalls().size());
    EXPECT_EQ("to the host", SimTextCalls()[0].text);
}

TEST_F(DisplayWindow, SavingCommandsWriteNothingUndockedOrWithoutAFile)
{
    const std::string file = UseFreshSettingsFile("nosave");
    state.docked = 0;
    for (UINT command : {IDM_SAVE, IDM_ALSOATIS})
        SendMessageA(window, WM_COMMAND, command, 0);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(file.c_str()));
    EXPECT_EQ(0, state.also_atis) << "ATIS still switches while undocked";
}

TEST_F(DisplayWindow, AltF4SwitchesOffAndDestroyingNeverReusesADeletedFontOrBrush)
{
    LOGFONTA font = {};
    font.lfHeight = -20;
    strcpy(font.lfFaceName, "Arial");
    for (int round = 0; round < 200; ++round) {
        HFONT made = CreateFontIndirectA(&font);
        ReplaceDisplayFont(made);
        ShowText("font and brush in use", 100, 100, 300, 60);
        // Alt+F4 is the pilot's Close: the window and the font stay.
        SendMessageA(window, WM_CLOSE, 0, 0);
        ASSERT_EQ(window, state.undocked_window);
        EXPECT_FALSE(IsWindowVisible(window));
        EXPECT_EQ(0, state.display_enabled);
        EXPECT_EQ(made, state.display_font);
        EXPECT_EQ(static_cast<DWORD>(OBJ_FONT), GetObjectType(made));
        DestroyWindow(window);
        ASSERT_EQ(nullptr, state.undocked_window);
        EXPECT_EQ(nullptr, state.back_brush) << "a deleted brush is forgotten";
        window = CreateUndockedWindow();
        ASSERT_TRUE(window);
        ASSERT_TRUE(state.back_brush) << "a new window makes a new brush";
    }
    ShowText("still paints", 100, 100, 300, 60);
    EXPECT_GT(CountPixels(RGB(255, 0, 0), 0, 19), 10);
}

}  // namespace

// The colour and font commands on real Win32: the real common dialogs,
// driven from the test as a pilot would, the screen pixels behind "Match
// background", the test text, and the GDI objects the changes leave behind.
#include <gtest/gtest.h>
#include <windows.h>
#include <commdlg.h>
#include <cstring>
#include <functional>
#include <vector>
#include "host/sim_host.h"
#include "support/module_fixture.h"
#include "support/dialog_driver.h"
#include "support/import_redirect.h"
#include "support/process_counters.h"
#include "display/window_layout.h"
#include "core/display_state.h"
#include "core/host_interface.h"
#include "display/display_window.h"
#include "docking/placement.h"
#include "module/host_entries.h"
#include "resources/resource.h"

namespace {

// ---- What the module hands the dialogs ----
// The program's import slots for ChooseColorA / ChooseFontA are pointed at
// recorders that keep a copy of the record (and of the custom colours it
// points to) and then open the real dialog.

struct ColourCall {
    CHOOSECOLORA record;
    COLORREF custom[16];        // as handed over
    COLORREF custom_after[16];  // as the dialog left them
    BOOL result;
};
struct FontCall {
    CHOOSEFONTA record;
    LOGFONTA logfont_before;
    BOOL result;
};
std::vector<ColourCall> colour_calls;
std::vector<FontCall> font_calls;
decltype(&ChooseColorA) real_choose_colour;
decltype(&ChooseFontA) real_choose_font;

BOOL WINAPI RecordChooseColour(CHOOSECOLORA* record)
{
    ColourCall call = {};
    call.record = *record;
    if (record->lpCustColors)
        memcpy(call.custom, record->lpCustColors, sizeof call.custom);
    call.result = real_choose_colour(record);
    if (record->lpCustColors)
        memcpy(call.custom_after, record->lpCustColors, sizeof call.custom_after);
    colour_calls.push_back(call);
    return call.result;
}

BOOL WINAPI RecordChooseFont(CHOOSEFONTA* record)
{
    FontCall call = {};
    call.record = *record;
    if (record->lpLogFont)
        call.logfont_before = *record->lpLogFont;
    call.result = real_choose_font(record);
    font_calls.push_back(call);
    return call.result;
}

COLORREF ContextTextColour(HWND window)
{
    HDC dc = GetDC(window);
    COLORREF colour = GetTextColor(dc);
    ReleaseDC(window, dc);
    return colour;
}

COLORREF ContextBackColour(HWND window)
{
    HDC dc = GetDC(window);
    COLORREF colour = GetBkColor(dc);
    ReleaseDC(window, dc);
    return colour;
}

HGDIOBJ ContextFont(HWND window)
{
    HDC dc = GetDC(window);
    HGDIOBJ font = GetCurrentObject(dc, OBJ_FONT);
    ReleaseDC(window, dc);
    return font;
}

COLORREF BrushColour(HBRUSH brush)
{
    LOGBRUSH lb = {};
    if (GetObjectA(brush, sizeof lb, &lb) != sizeof lb)
        return CLR_INVALID;
    return lb.lbColor;
}

class ColoursFont : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(Redirect("comdlg32.dll", "ChooseColorA", &RecordChooseColour, &real_choose_colour));
        ASSERT_TRUE(Redirect("comdlg32.dll", "ChooseFontA", &RecordChooseFont, &real_choose_font));
    }

    void SetUp() override
    {
        ResetModule();
        SimCreateTables();
        SimFillImportTable(ImportTable);
        host = SimCreateMainWindow("FS2000MAIN", "Flight Simulator 2000", 0, 0, 800, 600);
        ASSERT_TRUE(host);
        window = StandUpDisplay(host);
        ASSERT_TRUE(window);
        colour_calls.clear();
        font_calls.clear();
    }
    void TearDown() override
    {
        ResetModule();
        SimDestroyMainWindow();
    }

    // Shows the undocked window, topmost, at a screen rectangle.
    void Show(int x, int y, int w, int h)
    {
        SetWindowPos(window, HWND_TOPMOST, x, y, w, h, SWP_NOACTIVATE | SWP_SHOWWINDOW);
        UpdateWindow(window);
        PumpMessages();
    }

    // Client pixels of one colour (every second column), read from the
    // window's own pixels so that no other window on the screen interferes.
    int CountClientPixels(COLORREF colour)
    {
        RECT client;
        GetClientRect(window, &client);
        HDC dc = GetDC(window);
        int count = 0;
        for (int y = 0; y < client.bottom; ++y)
            for (int x = 0; x < client.right; x += 2)
                if (GetPixel(dc, x, y) == colour)
                    ++count;
        ReleaseDC(window, dc);
        return count;
    }

    // Repaints and counts until at least `least` pixels have the colour (the
    // area a closed dialog uncovers is repainted when its exposure arrives).
    int WaitForPixels(COLORREF colour, int least)
    {
        int count = 0;
        for (int i = 0; i < 100; ++i) {
            UpdateWindow(window);
            PumpMessages();
            count = CountClientPixels(colour);
            if (count >= least)
                break;
            Sleep(20);
        }
        return count;
    }

    // Picks `colour` in the colour dialog the command opens and presses OK.
    void ChooseColour(UINT command, COLORREF colour)
    {
        CommandWithDialog(window, command, [colour](HWND dialog) {
            PickColour(dialog, colour);
            Press(dialog, IDOK);
        });
        ASSERT_TRUE(dialog_seen);
        ASSERT_FALSE(dialog_stuck);
    }

    // Picks a face and a size (in points) in the font dialog and presses OK.
    void ChooseFont(const char* face, const char* points)
    {
        CommandWithDialog(window, IDM_FONT, [face, points](HWND dialog) {
            PickFont(dialog, face, points);
            Press(dialog, IDOK);
        });
        ASSERT_TRUE(dialog_seen);
        ASSERT_FALSE(dialog_stuck);
    }

    void Cancel(UINT command)
    {
        CommandWithDialog(window, command, [](HWND dialog) { Press(dialog, IDCANCEL); });
        ASSERT_TRUE(dialog_seen);
        ASSERT_FALSE(dialog_stuck);
    }

    HWND host = nullptr;
    HWND window = nullptr;
};

// ---- Screen patches of a known colour, for "Match background" ----

LRESULT CALLBACK PatchProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_ERASEBKGND) {
        RECT r;
        GetClientRect(window, &r);
        HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(GetWindowLongPtrA(window, GWLP_USERDATA)));
        FillRect(reinterpret_cast<HDC>(wparam), &r, brush);
        DeleteObject(brush);
        return 1;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

// A borderless topmost window filling a screen rectangle with one colour.
HWND MakePatch(int x, int y, int w, int h, COLORREF colour)
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = PatchProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "ColourPatch";
        registered = RegisterClassA(&wc) != 0;
    }
    HWND patch = CreateWindowExA(WS_EX_TOPMOST | WS_EX_NOACTIVATE, "ColourPatch", "", WS_POPUP, x, y, w, h,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (patch) {
        SetWindowLongPtrA(patch, GWLP_USERDATA, static_cast<LONG_PTR>(colour));
        ShowWindow(patch, SW_SHOWNA);
        UpdateWindow(patch);
        PumpMessages();
    }
    return patch;
}

// ---- The colour dialog ----

TEST_F(ColoursFont, ColourDialogOpensOnTheCurrentTextColourAndTextPalette)
{
    Show(100, 100, 300, 60);
    COLORREF shown = CLR_INVALID;
    BOOL define_enabled = TRUE, owner_enabled = TRUE;
    COLORREF cells[16];
    CommandWithDialog(window, IDM_TEXTCOLOUR, [&](HWND dialog) {
        shown = ShownColour(dialog);
        owner_enabled = IsWindowEnabled(window);
        // Opened full: the button that would open the custom part is off.
        define_enabled = IsWindowEnabled(GetDlgItem(dialog, DefineCustom));
        // The 16 custom colours as the dialog paints them, in two rows of 8.
        HWND grid = GetDlgItem(dialog, CustomGrid);
        UpdateWindow(grid);
        RECT r;
        GetClientRect(grid, &r);
        int cell_w = r.right / 8, cell_h = r.bottom / 2;
        HDC dc = GetDC(grid);
        for (int i = 0; i < 16; ++i)
            cells[i] = GetPixel(dc, (i % 8) * cell_w + cell_w / 2, (i / 8) * cell_h + cell_h / 2);
        ReleaseDC(grid, dc);
        Press(dialog, IDCANCEL);
    });
    ASSERT_TRUE(dialog_seen);
    ASSERT_FALSE(dialog_stuck);
    EXPECT_FALSE(owner_enabled) << "the display window owns the modal dialog";
    EXPECT_EQ(RGB(255, 0, 0), shown);
    EXPECT_FALSE(define_enabled);
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(text_palette[i], cells[i]) << "custom colour " << i;
    EXPECT_EQ(RGB(255, 0, 0), cells[15]);

    ASSERT_EQ(1u, colour_calls.size());
    const CHOOSECOLORA& r = colour_calls[0].record;
    EXPECT_EQ(sizeof(CHOOSECOLORA), r.lStructSize);
    EXPECT_EQ(window, r.hwndOwner);
    EXPECT_EQ(RGB(255, 0, 0), r.rgbResult);
    EXPECT_EQ(0x103u, r.Flags);
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(text_palette[i], colour_calls[0].custom[i]) << i;
    EXPECT_EQ(RGB(255, 0, 0), colour_calls[0].custom[15]);
}

TEST_F(ColoursFont, BackgroundDialogGetsItsPaletteAfreshEachTime)
{
    state.back_colour = -0x00123456;
    Show(100, 100, 300, 60);
    enum { AddToCustom = 712 };
    CommandWithDialog(window, IDM_BACKCOLOUR, [](HWND dialog) {
        PickColour(dialog, RGB(1, 2, 3));
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(AddToCustom, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, AddToCustom)));
        Press(dialog, IDCANCEL);
    });
    Cancel(IDM_BACKCOLOUR);
    ASSERT_EQ(2u, colour_calls.size());
    EXPECT_EQ(0x00123456u, colour_calls[0].record.rgbResult);
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(back_palette[i], colour_calls[0].custom[i]) << i;
    EXPECT_EQ(0x00123456u, colour_calls[0].custom[15]);
    // The pilot's edit of the custom colours is not carried into the next call.
    EXPECT_NE(0, memcmp(colour_calls[0].custom, colour_calls[0].custom_after, sizeof colour_calls[0].custom));
    EXPECT_EQ(0, memcmp(colour_calls[0].custom, colour_calls[1].custom, sizeof colour_calls[0].custom));
}

TEST_F(ColoursFont, CancelledDialogsChangeNothing)
{
    Show(100, 100, 300, 60);
    LOGFONTA logfont = {};
    logfont.lfHeight = -20;
    strcpy(logfont.lfFaceName, "Liberation Sans");
    state.display_logfont = logfont;
    HFONT font = CreateFontIndirectA(&logfont);
    ReplaceDisplayFont(font);
    HBRUSH brush = state.back_brush;
    const UINT commands[] = {IDM_TEXTCOLOUR, IDM_BACKCOLOUR, IDM_FONT};
    for (UINT command : commands) {
        Cancel(command);
        EXPECT_EQ(1, state.text_colour) << command;
        EXPECT_EQ(1, state.back_colour) << command;
        EXPECT_EQ(0, memcmp(&logfont, &state.display_logfont, sizeof logfont)) << command;
        EXPECT_EQ(font, state.display_font) << command;
        EXPECT_EQ(OBJ_FONT, static_cast<int>(GetObjectType(font))) << command;
        EXPECT_EQ(brush, state.back_brush) << command;
        EXPECT_EQ(0, state.text_length) << "no test text after a cancel";
        EXPECT_EQ(RGB(255, 0, 0), ContextTextColour(window));
        EXPECT_EQ(RGB(60, 60, 60), ContextBackColour(window));
        EXPECT_EQ(static_cast<HGDIOBJ>(font), ContextFont(window));
    }
    EXPECT_EQ(2u, colour_calls.size());
    EXPECT_EQ(1u, font_calls.size());
}

TEST_F(ColoursFont, ChosenTextColourIsStoredNegatedAndDrawnAtOnce)
{
    state.text_colour = 3;
    Show(100, 100, 300, 60);
    ChooseColour(IDM_TEXTCOLOUR, RGB(30, 200, 90));
    ASSERT_EQ(1u, colour_calls.size());
    EXPECT_EQ(RGB(0, 0, 255), colour_calls[0].record.rgbResult) << "text setting 3 is blue";
    EXPECT_EQ(-static_cast<int32_t>(RGB(30, 200, 90)), state.text_colour);
    EXPECT_EQ(RGB(30, 200, 90), ContextTextColour(window));
    EXPECT_EQ(RGB(60, 60, 60), ContextBackColour(window)) << "the background is left alone";
    EXPECT_GT(WaitForPixels(RGB(30, 200, 90), 21), 20) << "the test text in the new colour";
}

TEST_F(ColoursFont, BlackTextIsBlackAtOnceAndWhenAppliedAgain)
{
    Show(100, 100, 300, 60);
    ChooseColour(IDM_TEXTCOLOUR, RGB(0, 0, 0));
    EXPECT_EQ(RGB(0, 0, 0), ContextTextColour(window));
    EXPECT_GT(WaitForPixels(RGB(0, 0, 0), 21), 20) << "black text at once";
    // Resolved again (a new window, a change of form, a reload): still black.
    ApplyColours(window);
    EXPECT_EQ(RGB(0, 0, 0), ContextTextColour(window));
}

TEST_F(ColoursFont, ChosenBackgroundReplacesTheBrushAndRepaints)
{
    Show(100, 100, 300, 60);
    HBRUSH old_brush = state.back_brush;
    ChooseColour(IDM_BACKCOLOUR, RGB(10, 60, 200));
    EXPECT_EQ(-static_cast<int32_t>(RGB(10, 60, 200)), state.back_colour);
    EXPECT_EQ(RGB(10, 60, 200), ContextBackColour(window));
    EXPECT_EQ(RGB(255, 0, 0), ContextTextColour(window)) << "the text colour is left alone";
    EXPECT_EQ(0u, GetObjectType(old_brush)) << "the old brush is deleted";
    EXPECT_EQ(RGB(10, 60, 200), BrushColour(state.back_brush));
    EXPECT_GT(WaitForPixels(RGB(10, 60, 200), 1001), 1000);

    // Black is painted black, not as palette entry 0.
    ChooseColour(IDM_BACKCOLOUR, RGB(0, 0, 0));
    EXPECT_EQ(RGB(0, 0, 0), BrushColour(state.back_brush));
    EXPECT_GT(WaitForPixels(RGB(0, 0, 0), 1001), 1000);

    // Chosen while docked, it reaches the floating window switched off and
    // on again, whose own context the choice did not go to.
    PlaceDisplay(FormDocked, FromStoredPlace);
    ChooseColour(IDM_BACKCOLOUR, RGB(10, 60, 200));
    SendMessageA(window, WM_COMMAND, IDM_CLOSE, 0);
    SendMessageA(window, WM_COMMAND, IDM_SHOWUNDOCKED, 0);
    EXPECT_EQ(RGB(10, 60, 200), ContextBackColour(window));
}

// ---- The font dialog ----

TEST_F(ColoursFont, FontDialogWritesTheChoiceIntoTheDisplayFont)
{
    Show(100, 100, 400, 80);
    ChooseFont("DejaVu Sans Mono", "36");
    ASSERT_EQ(1u, font_calls.size());
    const CHOOSEFONTA& r = font_calls[0].record;
    EXPECT_EQ(sizeof(CHOOSEFONTA), r.lStructSize);
    EXPECT_EQ(window, r.hwndOwner);
    EXPECT_NE(&state.display_logfont, r.lpLogFont) << "the dialog works on a copy of the description";
    EXPECT_EQ(0x01810001u, r.Flags);

    EXPECT_STREQ("DejaVu Sans Mono", state.display_logfont.lfFaceName);
    EXPECT_EQ(-48, state.display_logfont.lfHeight) << "36 points on a 96 dpi screen";
    ASSERT_TRUE(state.display_font);
    LOGFONTA made = {};
    ASSERT_EQ(static_cast<int>(sizeof made), GetObjectA(state.display_font, sizeof made, &made));
    EXPECT_STREQ("DejaVu Sans Mono", made.lfFaceName);
    EXPECT_EQ(-48, made.lfHeight);
    EXPECT_EQ(static_cast<HGDIOBJ>(state.display_font), ContextFont(window));
    EXPECT_EQ(34, state.text_length) << "the test text shows the font";

    // A second choice: the new font is selected, the old one deleted.
    HFONT first = state.display_font;
    ChooseFont("Liberation Serif", "12");
    EXPECT_STREQ("Liberation Serif", state.display_logfont.lfFaceName);
    EXPECT_EQ(-16, state.display_logfont.lfHeight);
    EXPECT_NE(first, state.display_font);
    EXPECT_EQ(static_cast<HGDIOBJ>(state.display_font), ContextFont(window));
    EXPECT_EQ(0u, GetObjectType(first));
}

TEST_F(ColoursFont, LargeFontLeavesLineHeightMinimumAndWrapAlone)
{
    Show(100, 100, 400, 80);
    const int32_t line_height = state.line_height;
    ASSERT_GT(line_height, 0);
    RECT drag = {100, 100, 500, 101};
    SendMessageA(window, WM_SIZING, WMSZ_BOTTOM, reinterpret_cast<LPARAM>(&drag));
    const LONG minimum = drag.bottom - drag.top;
    const int32_t threshold = 8 * line_height / 5;
    const uint32_t below = DisplayDrawFlags(threshold - 1, state.line_height);
    const uint32_t at = DisplayDrawFlags(threshold, state.line_height);

    ChooseFont("DejaVu Sans", "72");
    ASSERT_EQ(-96, state.display_logfont.lfHeight);

    EXPECT_EQ(line_height, state.line_height);
    drag = {100, 100, 500, 101};
    SendMessageA(window, WM_SIZING, WMSZ_BOTTOM, reinterpret_cast<LPARAM>(&drag));
    EXPECT_EQ(minimum, drag.bottom - drag.top);
    EXPECT_EQ(below, DisplayDrawFlags(threshold - 1, state.line_height));
    EXPECT_EQ(at, DisplayDrawFlags(threshold, state.line_height));
    EXPECT_NE(below, at);
}

// ---- Match background ----

TEST_F(ColoursFont, MatchBackgroundReadsBelowTheMiddleOfTheWindow)
{
    // Wherever the window stands, the sample lies below its middle; at
    // left + right / 2 a patch of another colour sits.
    struct Case { int left, width; COLORREF sample, elsewhere; } cases[] = {
        {0, 400, RGB(200, 100, 50), RGB(200, 100, 50)},
        {300, 300, RGB(20, 180, 160), RGB(250, 250, 0)},
    };
    for (const Case& c : cases) {
        Show(c.left, 700, c.width, 60);
        RECT r;
        GetWindowRect(window, &r);
        const int x = (r.left + r.right) / 2, elsewhere = r.left + r.right / 2, y = r.bottom + state.cy_frame;
        const int patch_h = 2 * state.cy_frame + 6;
        HWND under_elsewhere = MakePatch(elsewhere - 6, r.bottom, 12, patch_h, c.elsewhere);
        HWND under_sample = MakePatch(x - 6, r.bottom, 12, patch_h, c.sample);
        ASSERT_EQ(c.sample, SimScreenPixel(x, y));
        HBRUSH old_brush = state.back_brush;
        state.text_length = 0;

        SendMessageA(window, WM_COMMAND, IDM_MATCHBACK, 0);
        EXPECT_EQ(-static_cast<int32_t>(c.sample), state.back_colour) << c.left;
        EXPECT_EQ(c.sample, ContextBackColour(window));
        EXPECT_EQ(c.sample, BrushColour(state.back_brush));
        EXPECT_EQ(0u, GetObjectType(old_brush));
        EXPECT_GT(WaitForPixels(c.sample, 1001), 1000);
        EXPECT_EQ(34, state.text_length);
        DestroyWindow(under_sample);
        DestroyWindow(under_elsewhere);
    }
}

TEST_F(ColoursFont, MatchBackgroundBelowTheScreenChangesNothing)
{
    const int screen_h = GetSystemMetrics(SM_CYSCREEN);
    Show(100, screen_h - 60, 300, 60);
    RECT r;
    GetWindowRect(window, &r);
    ASSERT_EQ(screen_h, r.bottom);
    ASSERT_EQ(CLR_INVALID, SimScreenPixel(r.left + r.right / 2, r.bottom + state.cy_frame));
    HBRUSH brush = state.back_brush;

    SendMessageA(window, WM_COMMAND, IDM_MATCHBACK, 0);
    EXPECT_EQ(1, state.back_colour);
    EXPECT_EQ(brush, state.back_brush);
    EXPECT_EQ(RGB(60, 60, 60), BrushColour(state.back_brush));
    EXPECT_EQ(RGB(60, 60, 60), ContextBackColour(window));
    EXPECT_EQ(0, state.text_length) << "no refresh, no test text";
}

// ---- The test text and the hiding rules ----

TEST_F(ColoursFont, EmptyDisplayShowsStaticTestTextFor240Ticks)
{
    Show(100, 100, 300, 60);
    ChooseColour(IDM_TEXTCOLOUR, RGB(0, 255, 255));
    EXPECT_STREQ("Test text for colour/font settings", state.text_buffer);
    EXPECT_EQ(34, state.text_length);
    EXPECT_EQ(240, state.display_ticks);
    EXPECT_EQ(0, state.scroll_mask);
    EXPECT_EQ(0, state.scroll_delay);
    EXPECT_EQ(0, memcmp("Test text for colour/font settings", SimMirrorBlock(), 35)) << "mirrored";

    for (int tick = 1; tick < 240; ++tick) {
        DisplayTick(0, 0);
        ASSERT_STREQ("Test text for colour/font settings", state.text_buffer) << "tick " << tick;
    }
    DisplayTick(0, 0);
    EXPECT_EQ(0, state.text_length) << "gone at the 240th tick";
}

TEST_F(ColoursFont, TextAlreadyShownIsLeftAlone)
{
    Show(100, 100, 300, 60);
    ShowMessage("Cleared for take-off", 50);
    const int32_t ticks = state.display_ticks;
    ASSERT_GT(ticks, 0);
    SimClearCalls();
    ChooseColour(IDM_BACKCOLOUR, RGB(90, 0, 90));
    ChooseFont("DejaVu Sans", "14");
    SendMessageA(window, WM_COMMAND, IDM_MATCHBACK, 0);
    EXPECT_STREQ("Cleared for take-off", state.text_buffer);
    EXPECT_EQ(ticks, state.display_ticks);
    EXPECT_EQ(0, memcmp("Cleared for take-off", SimMirrorBlock(), 21));
}

TEST_F(ColoursFont, ChangeShowsAHiddenDisplayOnlyUnderHideWhenEmpty)
{
    Show(100, 100, 300, 60);
    ShowWindow(window, SW_HIDE);

    state.auto_hide = 0;
    ChooseColour(IDM_TEXTCOLOUR, RGB(1, 1, 1));
    EXPECT_FALSE(IsWindowVisible(window)) << "hide-when-empty off: left as it is";

    state.text_length = 0;
    state.text_buffer[0] = '\0';
    state.auto_hide = 1;
    state.hide_always = 1;
    ChooseColour(IDM_TEXTCOLOUR, RGB(2, 2, 2));
    EXPECT_FALSE(IsWindowVisible(window)) << "kept hidden";

    state.text_length = 0;
    state.text_buffer[0] = '\0';
    state.hide_always = 0;
    ChooseColour(IDM_TEXTCOLOUR, RGB(3, 3, 3));
    EXPECT_TRUE(IsWindowVisible(window)) << "shown with the test text";
}

// ---- GDI objects ----

TEST_F(ColoursFont, LongSeriesOfChangesLeavesNoGdiObjectBehind)
{
    size_t (*count)() = FaithfulGdiCount();
    ASSERT_TRUE(count) << "no faithful count of GDI objects";
    RecordProperty("gdi_count", count == GdiCountFromGuiResources ? "GetGuiResources" : "handle table");

    Show(0, 700, 400, 60);
    HWND patch = MakePatch(190, 760, 20, 20, RGB(40, 40, 40));
    auto round = [&](int i) {
        ChooseColour(IDM_TEXTCOLOUR, RGB(i, 255 - i, 7));
        ChooseColour(IDM_BACKCOLOUR, RGB(7, i, 255 - i));
        ChooseFont(i % 2 ? "DejaVu Sans" : "Liberation Mono", i % 2 ? "14" : "20");
        SendMessageA(window, WM_COMMAND, IDM_MATCHBACK, 0);
        Cancel(IDM_TEXTCOLOUR);
        Cancel(IDM_FONT);
        UpdateWindow(window);
        PumpMessages();
    };
    round(0);  // the dialogs' own first-use objects
    const size_t before = count();
    // A handle lost per round shows after the first; each round costs
    // four dialogs, seconds apiece where 32-bit Wine is emulated.
    for (int i = 1; i <= 6; ++i)
        round(i * 37);
    EXPECT_EQ(before, count());
    EXPECT_EQ(OBJ_FONT, static_cast<int>(GetObjectType(state.display_font)));
    EXPECT_EQ(OBJ_BRUSH, static_cast<int>(GetObjectType(state.back_brush)));
    DestroyWindow(patch);
}

}  // namespace

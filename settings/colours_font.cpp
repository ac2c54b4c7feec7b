// The pilot's colour and font choices: the common dialogs, reading the
// background from the screen, and the refresh that makes a change visible.
#include "settings/colours_font.h"
#include "core/bytes_and_text.h"
#include "core/display_state.h"
#include "core/display_values.h"
#include "display/capture.h"
#include "display/display_window.h"
#include "display/message_buffer.h"
#include "display/window_layout.h"
#include "resources/resource.h"
#include "settings/colour_choice.h"
#include <commdlg.h>

enum RefreshKind { RefreshText, RefreshBack, RefreshFont };

// Shown in an empty display after a change, so the pilot sees its effect.
static const char DisplayTestText[] = "Test text for colour/font settings";
constexpr int32_t DisplayTestTicks = 240;

// The host's 32-bit layout of the dialog records.
static_assert(sizeof(void*) != 4 || sizeof(CHOOSECOLORA) == 36, "CHOOSECOLORA is 36 bytes on 32-bit");
static_assert(sizeof(void*) != 4 || sizeof(CHOOSEFONTA) == 60, "CHOOSEFONTA is 60 bytes on 32-bit");
static_assert(sizeof(COLORREF) == sizeof(uint32_t), "a COLORREF is 32 bits");

// Start from the current colour, with the custom colours shown, offering every
// colour rather than only solid ones.
static const DWORD ColourDialogFlags = CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR;
static_assert(ColourDialogFlags == 0x103, "colour dialog flags");
// Screen fonts only, an error for a font or style that doesn't exist, no
// script selection, no vertical fonts. The dialog doesn't start from the
// current font and offers no effects (colour, underline, strike-out).
static const DWORD FontDialogFlags = CF_SCREENFONTS | CF_FORCEFONTEXIST | CF_NOSCRIPTSEL | CF_NOVERTFONTS;
static_assert(FontDialogFlags == 0x01810001, "font dialog flags");

// 1 when the pilot chose a colour (then *setting holds it negated), else 0
// with *setting untouched. for_text picks the palette: 1 text, 0 background.
static int ChooseDisplayColour(HWND owner, int for_text, int32_t* setting)
{
    if (setting == nullptr)
        return 0;
    const uint32_t* palette = for_text == 1 ? text_palette : back_palette;
    uint32_t current = ResolveColour(*setting, palette);

    // Built afresh each time: custom colours the pilot edits are not kept.
    uint32_t plain[16];
    FillCustomColours(plain, palette, current);
    COLORREF custom[16];
    CopyBytes(custom, plain, sizeof custom);

    CHOOSECOLORA choice = {};
    choice.lStructSize = sizeof choice;
    choice.hwndOwner = owner;
    choice.rgbResult = current;
    choice.lpCustColors = custom;
    choice.Flags = ColourDialogFlags;
    if (!ChooseColorA(&choice))
        return 0;
    *setting = NegatedColour(choice.rgbResult);
    return 1;
}

// 1 when the pilot chose a font (then display_logfont holds it), else 0.
static int ChooseDisplayFont(HWND owner)
{
    // The dialog works on a copy: the dialog may write its own first
    // selection into the record even when the pilot cancels, and the
    // simulator may load another aircraft's font while the dialog is open.
    // Only OK changes the display's font description, and then to the
    // pilot's choice alone.
    LOGFONTA chosen = state.display_logfont;
    CHOOSEFONTA choice = {};
    choice.lStructSize = sizeof choice;
    choice.hwndOwner = owner;
    choice.lpLogFont = &chosen;
    choice.Flags = FontDialogFlags;
    if (!ChooseFontA(&choice))
        return 0;
    state.display_logfont = chosen;
    return 1;
}

// Reads the screen just below the window into back_colour; false, with
// nothing changed, when the pixel can't be read.
static bool MatchBackground(HWND window)
{
    RECT rect;
    if (!GetWindowRect(window, &rect))
        return false;
    HDC screen = GetDC(nullptr);
    if (screen == nullptr)
        return false;
    SamplePoint point = MatchSamplePoint(rect.left, rect.right, rect.bottom, state.cy_frame);
    COLORREF pixel = GetPixel(screen, point.x, point.y);
    ReleaseDC(nullptr, screen);
    // A point off the screen (a window whose bottom edge is the screen's) can't
    // be read: that is no colour to store, so it ends the command like a
    // cancelled chooser.
    if (pixel == CLR_INVALID)
        return false;
    state.back_colour = NegatedColour(pixel);
    return true;
}

// Puts the new colour or font into the window's own context and shows the
// effect: test text in an empty display, shown by the hiding rules, repainted.
// With no window, only the module-wide font or brush is made.
static void RefreshDisplay(HWND window, RefreshKind kind)
{
    // The font and the brush are module-wide: made even while no window is
    // there to show them (a docked window being made again), and the new font
    // goes into both windows' contexts before the old one is deleted.
    if (kind == RefreshFont)
        ReplaceDisplayFont(CreateFontIndirectA(&state.display_logfont));
    if (kind == RefreshBack)
        RemakeBackBrush();
    if (window == nullptr)
        return;

    HDC dc = GetDC(window);
    if (dc) {
        if (kind == RefreshText)
            SetTextColor(dc, ResolveTextColour(state));
        else if (kind == RefreshBack)
            SetBkColor(dc, ResolveBackColour(state));
        else if (state.display_font)
            SelectObject(dc, state.display_font);
    }

    if (PutTextIfEmpty(state, DisplayTestText, DisplayTestTicks))
        MirrorText();
    ApplyHidingRules(window, HidingAtRefresh);
    InvalidateRect(window, nullptr, TRUE);
    if (dc)
        ReleaseDC(window, dc);
}

void RunColourCommand(HWND window, UINT command)
{
    // A chooser is modal to the display window only: while it is open the
    // simulator goes on, may load an aircraft that changes the display's
    // form, or the pilot may switch it off from "&Modules". The refresh goes
    // to the display as it is when the chooser returns, never to the window
    // that opened it, so that only one display is ever shown.
    bool chosen = false;
    RefreshKind kind = RefreshBack;
    switch (command) {
    case IDM_TEXTCOLOUR:
        chosen = ChooseDisplayColour(window, 1, &state.text_colour) != 0;
        kind = RefreshText;
        break;
    case IDM_BACKCOLOUR:
        chosen = ChooseDisplayColour(window, 0, &state.back_colour) != 0;
        break;
    case IDM_FONT:
        chosen = ChooseDisplayFont(window) != 0;
        if (chosen)
            state.font_chosen = 1;
        kind = RefreshFont;
        break;
    case IDM_MATCHBACK:
        chosen = MatchBackground(window);
        break;
    default:
        break;
    }
    // The simulator may also have stopped the module meanwhile: a stopped
    // module makes no font or brush and shows nothing.
    if (chosen && !state.stopped)
        RefreshDisplay(DisplayTarget(), kind);
    // A chooser ends by activating its owner, the display window.
    GiveKeyboardBack();
}

// The colour and font choosers, Match background and the refresh after them.
#pragma once
#include <windows.h>
#include <cstdint>

enum RefreshKind { RefreshText, RefreshBack, RefreshFont };

// Shown in an empty display after a change, so the pilot sees its effect.
extern const char DisplayTestText[];    // "Test text for colour/font settings"
constexpr int32_t DisplayTestTicks = 240;

// 1 when the pilot chose a colour (then *setting holds it negated), else 0
// with *setting untouched. for_text picks the palette: 1 text, 0 background.
int ChooseDisplayColour(HWND owner, int for_text, int32_t* setting);
// 1 when the pilot chose a font (then display_logfont holds it), else 0.
int ChooseDisplayFont(HWND owner);
// Reads the screen just below the window into back_colour; false, with
// nothing changed, when the pixel can't be read.
bool MatchBackground(HWND window);
// Puts the new colour or font into the window's own context and shows the
// effect: test text in an empty display, shown by the hiding rules, repainted.
// With no window, only the module-wide font or brush is made.
void RefreshDisplay(HWND window, RefreshKind kind);
// Commands 40004, 40005, 40009, 40010, chosen in `window`; the refresh goes
// to the display that is current when the chooser returns.
void RunColourCommand(HWND window, UINT command);

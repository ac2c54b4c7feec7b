// Docking geometry on plain values: the conversions between the undocked and
// the docked form, the panel-kind test, the minimum heights and the probe
// points of the panel search. Screen and host-client frames are the callers'
// business; nothing here calls the window system.
//
// Every result is held at the 32-bit limits: positions and sizes come from a
// settings file the pilot can edit, and no sum of them may overflow.
#pragma once
#include <cstdint>
#include "core/display_values.h"

// Panel kinds, the upper 16 bits of the word at byte 24 of a panel record.
enum : uint32_t {
    PanelKindFS98 = 0x0151,     // a panel on FS98 only
    PanelKindFS2000 = 0x20B8,   // a panel on FS2000 only
    PanelKindAll = 0x20A9,      // a panel on every edition
};
constexpr uint32_t PanelKindOffset = 24;   // byte offset of the kind word in the record

// The kind carried by a panel record: the 32-bit word at byte 24, upper half.
uint32_t PanelKindOf(const unsigned char* record);
// Whether a window of kind `kind` is a panel for this host edition.
bool IsPanelKind(uint32_t kind, int32_t host_version);

// The second probe point of the panel search: just beyond the bottom-right
// corner of a window of the current size standing at (x, y).
void FarProbePoint(const DisplayValues& s, int32_t x, int32_t y, int32_t* far_x, int32_t* far_y);
// The rows the panel search tries in order when docking at y: the window's
// own y, half a line higher, half a line lower (halving truncates toward
// zero). Only the probes move; the window keeps y.
void HalfLineProbeRows(int32_t y, int32_t line_height, int32_t rows[3]);

// The height raised to the minimum of the form (`docked` non-zero: docked).
// Widths are raised to the same minimum: never an empty-sized display.
int32_t RaisedToMinimum(const DisplayValues& s, int32_t height, int32_t docked);

// A docked window that no panel took stands at (x, y) of the host's client
// area, `area_width` x `area_height`, moved in just far enough to lie wholly
// inside it (its top-left corner inside when it is larger), so that it is never
// clipped away. An empty area (a minimised host) moves nothing.
void KeepInsideArea(int32_t* x, int32_t* y, int32_t width, int32_t height, int32_t area_width,
                    int32_t area_height);

// Undocked to docked. `undocked` is the undocked window's outer rectangle
// (screen), `client_height` its client height. The result is in screen
// coordinates: the docked window's outer corner and size, so that the text
// area stays where it was. The two conversions undo each other wherever the
// simulator window stands, maximised or not: the frames between screen and
// host client coordinates are the callers' conversions, never a term here.
WindowPlace DockedFromUndocked(const DisplayValues& s, WindowPlace undocked, int32_t client_height);
// Docked to undocked. `docked` is the docked window's outer corner (host
// client coordinates) and size. The result is still in host client
// coordinates; the caller converts the corner to the screen.
WindowPlace UndockedFromDocked(const DisplayValues& s, WindowPlace docked);

// An FS2002 popup goes with the panel it follows: the panel now stands at
// (panel_x, panel_y) of the host's client area, and the docked place moves by
// as much as the panel has since it was last followed.
void FollowPanelTo(DisplayValues& s, int32_t panel_x, int32_t panel_y);

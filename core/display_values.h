// The plain-value half of the module's state: everything that is a number or a
// byte buffer. It carries no Win32 type, so the logic that works on it builds and
// is tested on any compiler; DisplayState (display_state.h) adds the handles.
#pragma once
#include <cstdint>

// A window's outer top-left corner and outer size, or an area of the screen.
struct WindowPlace {
    int32_t x, y, width, height;
};

constexpr int MaxMonitors = 8;
constexpr int32_t TextCapacity = 2047;   // characters of a message; its buffer adds the NUL

struct DisplayValues {
    // Host edition: 0 FS98 or unrecognised, 1 FS2000, 2 FS2002.
    int32_t host_version = 0;
    int32_t attach_by_subclass = 0;
    int32_t initialised = 0;
    int32_t tick_registered = 0;
    int32_t panel_hook_installed = 0;
    int32_t text_hook_installed = 0;
    // Set by StopModule, cleared by StartModule: the hooks left in place then
    // pass everything straight on.
    int32_t stopped = 0;
    // The library holds a reference on itself while it is stopped with a
    // hook of its own in a chain: the host's unload must not free code that
    // the host or another module can still reach. A start gives it back.
    int32_t kept_loaded = 0;
    // Window procedures of the module running further down the stack; a
    // modal loop inside one of them may run the host's stop and unload.
    int32_t calls_in_progress = 0;

    int32_t display_enabled = 0;
    int32_t docked = 0;
    int32_t attached = 0;
    int32_t hide_always = 0;
    // 0 off, 1 hide when empty, -1 on but suspended while the panel is hidden.
    int32_t auto_hide = 0;
    // The pilot's hiding choices for the aircraft, which a save writes. The
    // two above follow them while docked; the floating display has no hiding
    // rules, and moving it by Undock and Dock must not cost the choices.
    int32_t chosen_hide_always = 0;
    int32_t chosen_auto_hide = 0;
    int32_t also_atis = 1;

    char text_buffer[TextCapacity + 1] = {};
    int32_t text_length = 0;
    int32_t display_ticks = 0;
    int32_t scroll_delay = 0;
    int32_t scroll_mask = 0;
    int32_t tick_count = 0;
    // The buffer holds the newest kept message, or what is left of it; a
    // click then goes back from the one before it.
    int32_t newest_in_buffer = 0;
    // The message the pilot recalled by its age in the history (0 the
    // newest), or -1 while the display shows its buffer. It scrolls and runs
    // out as it did when first shown; the buffer goes on meanwhile.
    int32_t recall_age = -1;
    int32_t recall_offset = 0;   // characters scrolled away
    int32_t recall_ticks = 0;
    int32_t recall_delay = 0;

    // Docked position: client coordinates of the host window. Undocked: screen.
    int32_t docked_x = 0, docked_y = 0;
    int32_t undocked_x = 0, undocked_y = 0;
    int32_t window_width = -1, window_height = -1;
    int32_t default_x = -1, default_y = -1, default_width = -1, default_height = -1;
    int32_t docked_min_height = 0, undocked_min_height = 0;
    // The docked place and size kept for the aircraft: as its file gave them,
    // or where the pilot last docked the display. A save writes these; where
    // the display stands now may differ (gone with its panel, moved into a
    // smaller simulator window, raised to its minimum, brought into range).
    WindowPlace stored_place = {0, 0, -1, -1};
    // The floating window as Undock placed it (host client coordinates) and
    // the docked place it came from, kept while undock_kept is set: docked
    // again unmoved, the display goes back exactly where it was.
    WindowPlace undocked_as_placed = {0, 0, 0, 0};
    WindowPlace docked_before_undock = {0, 0, 0, 0};
    int32_t undock_kept = 0;
    // Where the panel an FS2002 popup follows stood (host client coordinates)
    // when the display last went with it.
    int32_t target_x = 0, target_y = 0;

    int32_t cx_border = 0, cy_border = 0, cx_frame = 0, cy_frame = 0;
    int32_t cy_caption = 0, cy_menu = 0;
    // The monitors as last measured (the one screen where Windows knows of
    // no monitors); none until a message first asks, and again after a start
    // and whenever the display settings change.
    WindowPlace monitors[MaxMonitors] = {};
    int32_t monitor_count = 0;
    // Top-level display windows hidden only because the simulator is
    // minimised, to be shown again at its restore (1 docked, 2 undocked).
    int32_t shown_at_restore = 0;
    int32_t line_height = 0;

    // Colour settings: >= 0 palette index, < 0 a negated COLORREF.
    int32_t text_colour = 1;
    int32_t back_colour = 1;

    char config_path[264] = {};
    int32_t panel_path_length = 0;
    // The pilot chose a font since the aircraft was loaded.
    int32_t font_chosen = 0;
    // display_logfont describes a font to make when the display comes up: a
    // stop let the font go, or a panel was read while stopped.
    int32_t remake_font = 0;

    // 1: installation wanted, -1: done or attempted on the current menu bar.
    int32_t menu_install_state = 1;
    int32_t modules_menu_created = 0;
    int32_t menu_sync_busy = 0;
};

constexpr int32_t HistoryLength = 8;

// A message as the display first showed it: a scrolling one with its lead,
// an appended one with all it was given.
struct KeptMessage {
    char text[TextCapacity + 1];
    int32_t length;
    int32_t ticks;
    int32_t scroll_mask;
    int32_t type;
};

// The last messages the display showed, oldest overwritten first. All zero
// is empty, so the record takes no room in the module's file.
struct MessageHistory {
    KeptMessage kept[HistoryLength];
    int32_t newest;   // slot of the newest message
    int32_t count;
};

// The two fixed palettes of the colour settings (0x00BBGGRR).
extern const uint32_t text_palette[15];
extern const uint32_t back_palette[15];

// Black has no negation of its own: -0 is 0, palette entry 0. It is kept as
// the negation of 0x01000000, which no save wrote before and which Windows
// drew as black anyway (entry 0 of the default palette), so that every file
// written earlier keeps its meaning.
constexpr int32_t BlackSetting = -0x01000000;

// A colour setting as a COLORREF: negative values are negated colours, others
// index the palette of their role. The most negative setting resolves without
// overflow.
uint32_t ResolveColour(int32_t setting, const uint32_t palette[15]);
inline uint32_t ResolveTextColour(const DisplayValues& s) { return ResolveColour(s.text_colour, text_palette); }
inline uint32_t ResolveBackColour(const DisplayValues& s) { return ResolveColour(s.back_colour, back_palette); }

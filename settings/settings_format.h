// The per-aircraft settings section on plain values: reading the values of
// section "Orvale" (numbers, the "Window" and "Font" entries, the Yes/No
// switches), the panel path tests and the configuration-file path, and the
// values as they are written back. Everything here is bounded by the buffers
// named below, whatever the file or the host hands in.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr size_t WindowValueChars = 260;    // buffer the "Window" entry is read into
constexpr size_t SettingValueChars = 260;   // buffer of the other entries
constexpr size_t SavedValueChars = 1024;    // buffer each written value is formatted into
constexpr size_t ConfigPathChars = 264;     // DisplayValues::config_path
constexpr size_t ConfigFileChars = 259;     // longest file name the profile functions open (MAX_PATH - 1)
constexpr size_t ConfigPathKept = ConfigFileChars - 4;  // longest panel path whose ".cfg" name they open
constexpr size_t FaceNameChars = 32;        // LOGFONTA::lfFaceName, NUL included

// A decimal number read the way atoi reads it (leading white space, a sign,
// digits up to the first non-digit; 0 when there are none), but held at the
// 32-bit limits instead of overflowing. `text` may be null (0).
int32_t ReadSettingNumber(const char* text);

// The "Window" entry: docked position and size, and the two colour settings
// when the file carries usable ones.
struct WindowEntry {
    int32_t x = 0, y = 0, width = 0, height = 0;
    bool has_colours = false;
    int32_t text_colour = 0, back_colour = 0;
};
// True when `value` holds at least four numbers (each starting at the start
// of the value or just after a comma); `entry` is then filled. The colours
// count only when a fifth and a sixth number are both below 7.
bool ParseWindowEntry(const char* value, WindowEntry* entry);

// The fields of the display font that the settings file carries.
struct FontFields {
    char face_name[FaceNameChars] = {};
    int32_t height = 0, width = 0, weight = 0;
    uint8_t italic = 0, underline = 0, strike_out = 0;
};
enum class FontEntry {
    Empty,       // no value: the font stays as it is
    Partial,     // face name and fewer than three numbers; the rest zero
    Complete,    // face name, height, width and weight (and any of the rest)
};
// Reads the "Font" entry: the face name up to the first comma (at most 31
// characters), then height, width, weight, italic, underline and strike-out
// (the last three their low 8 bits), each after a comma, for as long as
// commas follow. Fields the entry does not reach stay zero, the defaults a
// font is made with.
FontEntry ParseFontEntry(const char* value, FontFields* fields);

// "HideWindow" and "AutoHide": on when the value begins with "YES" in any case.
int32_t ReadYesSwitch(const char* value);
// "AlsoATIS": off only when the value begins with "NO" in any case.
int32_t ReadNoSwitch(const char* value);
// How a switch is written: "Yes" for any non-zero value (also -1).
const char* YesNoText(int32_t value);

// Whether a byte begins a two-byte character in the code page the paths are
// written in (the ANSI code page: the module passes the system's own rule,
// tests a fixed one). Null: a code page of single-byte characters only.
typedef bool (*LeadByteRule)(unsigned char byte);

// True when the `length` bytes at `a` and `b` are the same text, character by
// character in the code page: ASCII letters in any case, and a lead byte and
// the byte after it one character, compared exactly (that byte may have an
// ASCII letter's code without being a letter). No byte past `length` is read;
// a lead byte that is the last of them is compared alone.
bool SameTextAnyCase(const char* a, const char* b, size_t length, LeadByteRule is_lead_byte);

// True when the last five characters of `path` are "panel" (any case): the
// "p" a character of its own, not the second byte of a two-byte character.
bool IsPanelPath(const char* path, LeadByteRule is_lead_byte);

// True when `path` names the panel folder last read: as long as the last one
// (`panel_path_length`) and the same text (SameTextAnyCase) as the whole path
// that `config_path` was built from. Only the buffer's own ConfigPathChars
// bytes are ever read; a path too long to be kept is never the same folder.
bool IsSamePanelFolder(const char* path, const char (&config_path)[ConfigPathChars],
                       int32_t panel_path_length, LeadByteRule is_lead_byte);

// The panel path's length as the state keeps it (held at INT32_MAX).
int32_t PanelPathLength(const char* path);

// `config_path` <- the whole of `path`, then ".cfg"; true. A null path or one
// longer than ConfigPathKept characters leaves `config_path` empty (no
// settings file): false.
bool BuildConfigPath(const char* path, char (&config_path)[ConfigPathChars]);

// "x,y,width,height,text_colour,back_colour" into `out` (always terminated).
void FormatWindowValue(char* out, size_t out_size, int32_t x, int32_t y, int32_t width,
                       int32_t height, int32_t text_colour, int32_t back_colour);
// "face,height,width,weight,italic,underline,strike_out" into `out`; the face
// name is read up to its terminator or FaceNameChars - 1 characters.
void FormatFontValue(char* out, size_t out_size, const FontFields& fields);

// Arbitrary bytes as settings values and panel paths. Each input is split at
// its first zero byte: the part before is the value or path under test, held
// in a block of exactly its own size so that any read past its terminator is
// reported. Beyond not crashing, the rules that must hold for any input are
// checked.
#include "settings/settings_format.h"
#include "core/display_values.h"
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>

namespace {

void Check(bool condition)
{
    if (!condition)
        abort();
}

void FuzzWindow(const char* value)
{
    WindowEntry entry;
    if (!ParseWindowEntry(value, &entry))
        return;
    if (entry.has_colours) {
        Check(entry.text_colour < 7 && entry.back_colour < 7);
        ResolveColour(entry.text_colour, text_palette);
        ResolveColour(entry.back_colour, back_palette);
    }
    // What is written reads back as the same place.
    char out[SavedValueChars];
    FormatWindowValue(out, sizeof out, entry.x, entry.y, entry.width, entry.height,
                      entry.text_colour, entry.back_colour);
    WindowEntry back;
    Check(ParseWindowEntry(out, &back));
    Check(back.x == entry.x && back.y == entry.y && back.width == entry.width &&
          back.height == entry.height);
}

void FuzzFont(const char* value)
{
    FontFields fields;
    FontEntry kind = ParseFontEntry(value, &fields);
    if (kind == FontEntry::Empty)
        return;
    Check(memchr(fields.face_name, '\0', sizeof fields.face_name) != nullptr);
    Check(strchr(fields.face_name, ',') == nullptr);
    char out[SavedValueChars];
    FormatFontValue(out, sizeof out, fields);
    FontFields back;
    Check(ParseFontEntry(out, &back) == FontEntry::Complete);
    Check(strcmp(back.face_name, fields.face_name) == 0);
    Check(back.height == fields.height && back.width == fields.width &&
          back.weight == fields.weight && back.italic == fields.italic &&
          back.underline == fields.underline && back.strike_out == fields.strike_out);
}

// Code page 932's lead bytes: its second bytes include the ASCII letters.
bool Cp932Lead(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

void FuzzPath(const char* path, const char* other)
{
    DisplayValues s;
    bool panel = IsPanelPath(path, nullptr);
    // Code page 932 only takes away: a katakana character's second byte is
    // never the "p", nor a letter that matches in another case.
    bool panel_932 = IsPanelPath(path, Cp932Lead);
    Check(!panel_932 || panel);
    bool kept = BuildConfigPath(path, s.config_path);
    Check(memchr(s.config_path, '\0', sizeof s.config_path) != nullptr);
    size_t length = strlen(path);
    // Whole or not at all: never a cut name.
    Check(kept == (length <= ConfigPathKept));
    Check(strlen(s.config_path) == (kept ? length + 4 : 0));
    Check(!kept || strncmp(s.config_path, path, length) == 0);
    s.panel_path_length = PanelPathLength(path);
    for (LeadByteRule rule : {static_cast<LeadByteRule>(nullptr), Cp932Lead}) {
        bool same = IsSamePanelFolder(path, s.config_path, s.panel_path_length, rule);
        Check(same == (length > 0 && length <= ConfigPathKept));
    }
    bool other_same = IsSamePanelFolder(other, s.config_path, s.panel_path_length, nullptr);
    bool other_same_932 = IsSamePanelFolder(other, s.config_path, s.panel_path_length, Cp932Lead);
    Check(!other_same_932 || other_same);
    // Either way round, the same answer.
    size_t other_length = strlen(other);
    if (other_length == length)
        Check(SameTextAnyCase(path, other, length, Cp932Lead) == SameTextAnyCase(other, path, length, Cp932Lead));
    if (panel)
        Check(length >= 5);
    ReadYesSwitch(path);
    ReadNoSwitch(path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const uint8_t* zero = static_cast<const uint8_t*>(memchr(data, 0, size));
    size_t first = zero ? static_cast<size_t>(zero - data) : size;
    std::unique_ptr<char[]> value(new char[first + 1]);
    memcpy(value.get(), data, first);
    value[first] = '\0';
    size_t rest = zero ? size - first - 1 : 0;
    std::unique_ptr<char[]> other(new char[rest + 1]);
    if (rest)
        memcpy(other.get(), zero + 1, rest);
    other[rest] = '\0';

    ReadSettingNumber(value.get());
    FuzzWindow(value.get());
    FuzzFont(value.get());
    FuzzPath(value.get(), other.get());
    return 0;
}

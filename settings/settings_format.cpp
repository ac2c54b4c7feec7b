// Plain-value logic: no Win32 calls here.
#include "settings/settings_format.h"
#include "core/bytes_and_text.h"

namespace {

bool IsBlank(char c)
{
    // The C locale's white space, the set atoi skips.
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

char Upper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// True when `value` begins with `prefix` (upper case), in any case.
bool BeginsWith(const char* value, const char* prefix)
{
    if (!value)
        return false;
    for (; *prefix; ++value, ++prefix) {
        if (Upper(*value) != *prefix)
            return false;  // also at the value's terminator
    }
    return true;
}

// Writing into a buffer whose last byte, `end`, is kept for the terminator:
// what does not fit is cut off, as snprintf would.
char* PutChar(char* at, char* end, char c)
{
    if (at < end)
        *at++ = c;
    return at;
}

char* PutDecimal(char* at, char* end, int32_t value)
{
    // Negated as unsigned, so INT32_MIN has its magnitude too.
    uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    char digits[10];
    size_t count = 0;
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0)
        at = PutChar(at, end, '-');
    while (count > 0)
        at = PutChar(at, end, digits[--count]);
    return at;
}

// The next field after the comma that ends the current one, or null.
const char* NextField(const char* field)
{
    const char* comma = FindChar(field, ',');
    return comma ? comma + 1 : nullptr;
}

}  // namespace

int32_t ReadSettingNumber(const char* text)
{
    if (!text)
        return 0;
    while (IsBlank(*text))
        ++text;
    bool negative = false;
    if (*text == '-' || *text == '+')
        negative = *text++ == '-';
    // Accumulated in 64 bits and held once past the limit, so that any number
    // of digits stays defined.
    const int64_t limit = negative ? -static_cast<int64_t>(INT32_MIN) : INT32_MAX;
    int64_t magnitude = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        magnitude = magnitude * 10 + (*text - '0');
        if (magnitude > limit)
            magnitude = limit;
    }
    return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

bool ParseWindowEntry(const char* value, WindowEntry* entry)
{
    if (!value || !*value)
        return false;
    int32_t numbers[6];
    int count = 0;
    for (const char* field = value; field && count < 6; field = NextField(field))
        numbers[count++] = ReadSettingNumber(field);
    if (count < 4)
        return false;
    entry->x = numbers[0];
    entry->y = numbers[1];
    entry->width = numbers[2];
    entry->height = numbers[3];
    // Only the first seven palette entries are colours of a setting; the
    // rest serve the colour dialog. Negative values are colours of their own.
    entry->has_colours = count == 6 && numbers[4] < 7 && numbers[5] < 7;
    entry->text_colour = entry->has_colours ? numbers[4] : 0;
    entry->back_colour = entry->has_colours ? numbers[5] : 0;
    return true;
}

FontEntry ParseFontEntry(const char* value, FontFields* fields)
{
    if (!value || !*value)
        return FontEntry::Empty;
    *fields = FontFields{};
    const char* comma = FindChar(value, ',');
    size_t face_length = comma ? static_cast<size_t>(comma - value) : TextLength(value);
    if (face_length > FaceNameChars - 1)
        face_length = FaceNameChars - 1;
    CopyBytes(fields->face_name, value, face_length);
    fields->face_name[face_length] = '\0';
    const char* field = comma ? comma + 1 : nullptr;
    int32_t* required[3] = {&fields->height, &fields->width, &fields->weight};
    int count = 0;
    for (; count < 3 && field; ++count, field = NextField(field))
        *required[count] = ReadSettingNumber(field);
    if (count < 3)
        return FontEntry::Partial;
    uint8_t* optional[3] = {&fields->italic, &fields->underline, &fields->strike_out};
    for (int i = 0; i < 3 && field; ++i, field = NextField(field))
        *optional[i] = static_cast<uint8_t>(static_cast<uint32_t>(ReadSettingNumber(field)) & 0xFF);
    return FontEntry::Complete;
}

int32_t ReadYesSwitch(const char* value)
{
    return BeginsWith(value, "YES") ? 1 : 0;
}

int32_t ReadNoSwitch(const char* value)
{
    return BeginsWith(value, "NO") ? 0 : 1;
}

const char* YesNoText(int32_t value)
{
    return value != 0 ? "Yes" : "No";
}

bool SameTextAnyCase(const char* a, const char* b, size_t length, LeadByteRule is_lead_byte)
{
    for (size_t i = 0; i < length; ++i) {
        const unsigned char x = static_cast<unsigned char>(a[i]);
        const unsigned char y = static_cast<unsigned char>(b[i]);
        if (is_lead_byte && (is_lead_byte(x) || is_lead_byte(y))) {
            // One character of two bytes: no case to fold in either.
            if (x != y || (i + 1 < length && a[i + 1] != b[i + 1]))
                return false;
            ++i;
        } else if (Upper(a[i]) != Upper(b[i])) {
            return false;
        }
    }
    return true;
}

bool IsPanelPath(const char* path, LeadByteRule is_lead_byte)
{
    if (!path)
        return false;
    size_t length = TextLength(path);
    if (length < 5)
        return false;
    // Character by character from the start: only there is it known whether
    // a byte is a character's first or the second of a two-byte one.
    const size_t tail = length - 5;
    size_t i = 0;
    while (i < tail)
        i += is_lead_byte && is_lead_byte(static_cast<unsigned char>(path[i])) ? 2 : 1;
    return i == tail && SameTextAnyCase(path + tail, "panel", 5, is_lead_byte);
}

bool IsSamePanelFolder(const char* path, const char (&config_path)[ConfigPathChars],
                       int32_t panel_path_length, LeadByteRule is_lead_byte)
{
    // Only a path that was kept whole can be the same folder again.
    if (!path || panel_path_length <= 0 || static_cast<size_t>(panel_path_length) > ConfigPathKept)
        return false;
    const size_t length = static_cast<size_t>(panel_path_length);
    // A path of another length is another folder; measured without running
    // past either string.
    if (TextLengthWithin(path, length + 1) != length)
        return false;
    return SameTextAnyCase(path, config_path, length, is_lead_byte) && config_path[length] == '.';
}

int32_t PanelPathLength(const char* path)
{
    if (!path)
        return 0;
    size_t length = TextLength(path);
    return length > static_cast<size_t>(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(length);
}

bool BuildConfigPath(const char* path, char (&config_path)[ConfigPathChars])
{
    config_path[0] = '\0';
    if (!path)
        return false;
    size_t length = 0;
    while (length <= ConfigPathKept && path[length] != '\0')
        ++length;
    // A cut name would belong to another file, in another folder: a path that
    // does not fit whole names no settings file at all.
    if (length > ConfigPathKept)
        return false;
    CopyBytes(config_path, path, length);
    CopyBytes(config_path + length, ".cfg", 5);
    static_assert(ConfigPathKept + 5 <= ConfigPathChars, "the whole path and its extension fit the buffer");
    return true;
}

void FormatWindowValue(char* out, size_t out_size, int32_t x, int32_t y, int32_t width,
                       int32_t height, int32_t text_colour, int32_t back_colour)
{
    if (!out || out_size == 0)
        return;
    const int32_t numbers[] = {x, y, width, height, text_colour, back_colour};
    char* end = out + out_size - 1;
    char* at = out;
    for (size_t i = 0; i < sizeof numbers / sizeof numbers[0]; ++i) {
        if (i > 0)
            at = PutChar(at, end, ',');
        at = PutDecimal(at, end, numbers[i]);
    }
    *at = '\0';
}

void FormatFontValue(char* out, size_t out_size, const FontFields& fields)
{
    if (!out || out_size == 0)
        return;
    const int32_t numbers[] = {fields.height, fields.width, fields.weight,
                               fields.italic, fields.underline, fields.strike_out};
    char* end = out + out_size - 1;
    char* at = out;
    size_t face_length = TextLengthWithin(fields.face_name, FaceNameChars - 1);
    for (size_t i = 0; i < face_length; ++i)
        at = PutChar(at, end, fields.face_name[i]);
    for (int32_t number : numbers)
        at = PutDecimal(PutChar(at, end, ','), end, number);
    *at = '\0';
}

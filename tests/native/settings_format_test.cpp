// The settings section's values on plain data, under the sanitizers: every
// buffer here is exactly as large as the module's, so reading or writing
// past one is caught.
#include "settings/settings_format.h"
#include "core/display_values.h"
#include <gtest/gtest.h>
#include <climits>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>

namespace {

// A string in a heap block of exactly its own size, so that a read past its
// terminator is an error the address sanitizer reports.
std::unique_ptr<char[]> Exact(const std::string& text)
{
    std::unique_ptr<char[]> block(new char[text.size() + 1]);
    memcpy(block.get(), text.c_str(), text.size() + 1);
    return block;
}

// Lead bytes of code page 932 (Japanese), and of a code page of single bytes.
bool Cp932Lead(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}
bool SingleByte(unsigned char)
{
    return false;
}

TEST(SettingsNumbers, ReadLikeAtoi)
{
    EXPECT_EQ(ReadSettingNumber("123"), 123);
    EXPECT_EQ(ReadSettingNumber("-12"), -12);
    EXPECT_EQ(ReadSettingNumber(" \t 42,5"), 42);     // stops at the comma
    EXPECT_EQ(ReadSettingNumber("300px"), 300);
    EXPECT_EQ(ReadSettingNumber(""), 0);
    EXPECT_EQ(ReadSettingNumber("- 5"), 0);          // no blank between sign and digits
    EXPECT_EQ(ReadSettingNumber(nullptr), 0);
}

TEST(SettingsNumbers, SaturateInsteadOfOverflowing)
{
    EXPECT_EQ(ReadSettingNumber("2147483647"), INT32_MAX);
    EXPECT_EQ(ReadSettingNumber("-2147483648"), INT32_MIN);
    EXPECT_EQ(ReadSettingNumber("2147483648"), INT32_MAX);
    EXPECT_EQ(ReadSettingNumber("-2147483649"), INT32_MIN);
    EXPECT_EQ(ReadSettingNumber("99999999999999999999999999"), INT32_MAX);
    EXPECT_EQ(ReadSettingNumber(std::string(10000, '9').c_str()), INT32_MAX);
    EXPECT_EQ(ReadSettingNumber(("-" + std::string(10000, '8')).c_str()), INT32_MIN);
}

TEST(SettingsWindow, FourNumbersAreAPlaceWithoutColours)
{
    WindowEntry entry;
    ASSERT_TRUE(ParseWindowEntry("10,20,300,40", &entry));
    EXPECT_EQ(entry.x, 10);
    EXPECT_EQ(entry.y, 20);
    EXPECT_EQ(entry.width, 300);
    EXPECT_EQ(entry.height, 40);
    EXPECT_FALSE(entry.has_colours);

    ASSERT_TRUE(ParseWindowEntry("10,20,300,40,3", &entry));
    EXPECT_FALSE(entry.has_colours);   // a fifth number without a sixth
}

TEST(SettingsWindow, ColoursOnlyWhenBothAreBelowSeven)
{
    WindowEntry entry;
    ASSERT_TRUE(ParseWindowEntry("10,20,300,40,7,1", &entry));
    EXPECT_FALSE(entry.has_colours);
    ASSERT_TRUE(ParseWindowEntry("10,20,300,40,1,14", &entry));
    EXPECT_FALSE(entry.has_colours);

    ASSERT_TRUE(ParseWindowEntry("10,20,300,40,6,0", &entry));
    EXPECT_TRUE(entry.has_colours);
    EXPECT_EQ(entry.text_colour, 6);
    EXPECT_EQ(entry.back_colour, 0);

    ASSERT_TRUE(ParseWindowEntry("-5,-6,300,40,-255,-2147483648", &entry));
    EXPECT_EQ(entry.x, -5);
    EXPECT_EQ(entry.y, -6);
    EXPECT_TRUE(entry.has_colours);
    EXPECT_EQ(entry.text_colour, -255);
    EXPECT_EQ(entry.back_colour, INT32_MIN);
    // The most negative setting resolves to a colour without overflowing.
    EXPECT_EQ(ResolveColour(entry.back_colour, back_palette), 0x80000000u);
    EXPECT_EQ(ResolveColour(entry.text_colour, text_palette), 0x000000FFu);

    // Extra fields are ignored, not read as colours.
    ASSERT_TRUE(ParseWindowEntry("1,2,3,4,5,6,99,abc", &entry));
    EXPECT_TRUE(entry.has_colours);
    EXPECT_EQ(entry.text_colour, 5);
    EXPECT_EQ(entry.back_colour, 6);
}

TEST(SettingsWindow, FewerThanFourNumbersIsNoEntry)
{
    WindowEntry entry;
    EXPECT_FALSE(ParseWindowEntry("10,20,300", &entry));
    EXPECT_FALSE(ParseWindowEntry("10 20 300 40", &entry));   // missing commas: one number
    EXPECT_FALSE(ParseWindowEntry("", &entry));
    EXPECT_FALSE(ParseWindowEntry(nullptr, &entry));
    // Empty fields still count, as atoi reads them: zeros.
    ASSERT_TRUE(ParseWindowEntry(",,,", &entry));
    EXPECT_EQ(entry.x, 0);
    EXPECT_EQ(entry.height, 0);
}

TEST(SettingsWindow, HostileValuesStayBounded)
{
    WindowEntry entry;
    std::string huge = "99999999999999999999,-99999999999999999999,"
                       "4294967296,-4294967296,-99999999999999,99999999999";
    ASSERT_TRUE(ParseWindowEntry(Exact(huge).get(), &entry));
    EXPECT_EQ(entry.x, INT32_MAX);
    EXPECT_EQ(entry.y, INT32_MIN);
    EXPECT_EQ(entry.width, INT32_MAX);
    EXPECT_EQ(entry.height, INT32_MIN);
    EXPECT_FALSE(entry.has_colours);   // the sixth saturates high: no colours

    std::string commas(10000, ',');
    ASSERT_TRUE(ParseWindowEntry(Exact(commas).get(), &entry));
    EXPECT_EQ(entry.width, 0);

    std::string binary = std::string("1,\x01\xff\x80,3,") + std::string(9990, '\xfe');
    ASSERT_TRUE(ParseWindowEntry(Exact(binary).get(), &entry));
    EXPECT_EQ(entry.x, 1);
    EXPECT_EQ(entry.y, 0);
    EXPECT_EQ(entry.width, 3);
}

TEST(SettingsFont, EntryReadInPartKeepsWhatItHasTheRestZero)
{
    FontFields fields;
    fields.height = 99;
    EXPECT_EQ(ParseFontEntry("Arial", &fields), FontEntry::Partial);
    EXPECT_STREQ(fields.face_name, "Arial");
    EXPECT_EQ(fields.height, 0);   // the fields start from zero

    fields.weight = 99;
    EXPECT_EQ(ParseFontEntry("Courier New,-12,0", &fields), FontEntry::Partial);
    EXPECT_STREQ(fields.face_name, "Courier New");
    EXPECT_EQ(fields.height, -12);
    EXPECT_EQ(fields.width, 0);
    EXPECT_EQ(fields.weight, 0);

    EXPECT_EQ(ParseFontEntry("", &fields), FontEntry::Empty);
    EXPECT_EQ(ParseFontEntry(nullptr, &fields), FontEntry::Empty);
}

TEST(SettingsFont, ThreeNumbersMakeAFont)
{
    FontFields fields;
    ASSERT_EQ(ParseFontEntry("Arial,-12,0,400", &fields), FontEntry::Complete);
    EXPECT_STREQ(fields.face_name, "Arial");
    EXPECT_EQ(fields.height, -12);
    EXPECT_EQ(fields.width, 0);
    EXPECT_EQ(fields.weight, 400);
    EXPECT_EQ(fields.italic, 0);
    EXPECT_EQ(fields.underline, 0);
    EXPECT_EQ(fields.strike_out, 0);

    // The optional three as far as commas go, each its low 8 bits.
    ASSERT_EQ(ParseFontEntry("Arial,-12,0,700,257", &fields), FontEntry::Complete);
    EXPECT_EQ(fields.italic, 1);
    EXPECT_EQ(fields.underline, 0);
    ASSERT_EQ(ParseFontEntry("Arial,1,2,3,1,-1,2147483647,9", &fields), FontEntry::Complete);
    EXPECT_EQ(fields.italic, 1);
    EXPECT_EQ(fields.underline, 255);
    EXPECT_EQ(fields.strike_out, 255);

    // No face name at all is still a font (the system picks its face).
    ASSERT_EQ(ParseFontEntry(",-12,0,400", &fields), FontEntry::Complete);
    EXPECT_STREQ(fields.face_name, "");
}

TEST(SettingsFont, LongFaceNameIsCutAndTerminated)
{
    FontFields fields;
    memset(fields.face_name, 'x', sizeof fields.face_name);
    std::string value = std::string(10000, 'F') + ",-12,0,400";
    ASSERT_EQ(ParseFontEntry(Exact(value).get(), &fields), FontEntry::Complete);
    EXPECT_EQ(strlen(fields.face_name), 31u);
    EXPECT_EQ(fields.weight, 400);
}

TEST(SettingsPaths, PanelSuffix)
{
    for (LeadByteRule rule : {SingleByte, Cp932Lead}) {
        EXPECT_TRUE(IsPanelPath("C:\\FS\\Aircraft\\C172\\PANEL", rule));
        EXPECT_TRUE(IsPanelPath("C:\\FS\\Aircraft\\C172\\panel", rule));
        EXPECT_TRUE(IsPanelPath("panel", rule));
        EXPECT_FALSE(IsPanelPath("C:\\FS\\Aircraft\\C172\\panel.1", rule));
        EXPECT_FALSE(IsPanelPath("C:\\FS\\Aircraft\\C172\\panel2", rule));
        EXPECT_FALSE(IsPanelPath("anel", rule));
        EXPECT_FALSE(IsPanelPath("", rule));
        EXPECT_FALSE(IsPanelPath(nullptr, rule));
        EXPECT_TRUE(IsPanelPath("C:\\jet\x83\x41\\panel", rule));
    }
    // In code page 932, 0x83 0x70 is one katakana character: the folder ends
    // in that character and "anel". Whether a byte is a second byte shows
    // only from the start of the text: 0x83 is also a second byte's value.
    EXPECT_TRUE(IsPanelPath("C:\\x\x83panel", SingleByte));
    EXPECT_TRUE(IsPanelPath("C:\\x\x83panel", nullptr));
    EXPECT_FALSE(IsPanelPath(Exact("C:\\x\x83panel").get(), Cp932Lead));
    EXPECT_FALSE(IsPanelPath("\x83panel", Cp932Lead));
    EXPECT_TRUE(IsPanelPath("\x83\x83panel", Cp932Lead));
    EXPECT_FALSE(IsPanelPath("\x83\x83\x83panel", Cp932Lead));
}

TEST(SettingsPaths, ConfigPathIsTheWholePathOrNone)
{
    char config_path[ConfigPathChars];
    memset(config_path, '#', sizeof config_path);
    EXPECT_TRUE(BuildConfigPath("C:\\A\\panel", config_path));
    EXPECT_STREQ(config_path, "C:\\A\\panel.cfg");

    // The longest path that fits is kept whole, ".cfg" and terminator filling
    // the buffer; one character more and there is no settings file at all,
    // never one with a cut name in another folder.
    std::string longest = std::string(ConfigPathKept - 5, 'q') + "panel";
    EXPECT_TRUE(BuildConfigPath(Exact(longest).get(), config_path));
    EXPECT_EQ(std::string(config_path), longest + ".cfg");
    std::string too_long = "C:\\" + std::string(ConfigPathKept - 7, 'p') + "panel";
    ASSERT_EQ(too_long.size(), ConfigPathKept + 1);
    EXPECT_FALSE(BuildConfigPath(Exact(too_long).get(), config_path));
    EXPECT_STREQ(config_path, "");
    EXPECT_FALSE(IsSamePanelFolder(Exact(too_long).get(), config_path, PanelPathLength(too_long.c_str()),
                                   Cp932Lead));
    EXPECT_FALSE(BuildConfigPath(nullptr, config_path));
}

TEST(SettingsPaths, SameFolderComparesWithinBounds)
{
    for (LeadByteRule rule : {SingleByte, Cp932Lead}) {
        DisplayValues s;
        const char* path = "C:\\FS\\Aircraft\\C172\\panel";
        BuildConfigPath(path, s.config_path);
        s.panel_path_length = PanelPathLength(path);

        EXPECT_TRUE(IsSamePanelFolder(path, s.config_path, s.panel_path_length, rule));
        EXPECT_TRUE(IsSamePanelFolder("c:\\fs\\aircraft\\c172\\PANEL", s.config_path, s.panel_path_length, rule));
        EXPECT_FALSE(IsSamePanelFolder("C:\\FS\\Aircraft\\B737\\panel", s.config_path, s.panel_path_length, rule));
        EXPECT_FALSE(IsSamePanelFolder("C:\\FS\\Aircraft\\C172\\panel\\panel", s.config_path,
                                       s.panel_path_length, rule));
        EXPECT_FALSE(IsSamePanelFolder(Exact("C:\\panel").get(), s.config_path, s.panel_path_length, rule));

        // Nothing read yet: no folder is the same.
        DisplayValues fresh;
        EXPECT_FALSE(IsSamePanelFolder(path, fresh.config_path, fresh.panel_path_length, rule));
    }
}

TEST(SettingsPaths, DoubleByteCharactersAreComparedWhole)
{
    // Two katakana characters whose second bytes are 'A' and 'a': in code
    // page 932 two folders, in a single-byte code page the same letter.
    DisplayValues s;
    const char* first = "C:\\FS\\Aircraft\\jet\x83\x41\\panel";
    BuildConfigPath(first, s.config_path);
    s.panel_path_length = PanelPathLength(first);
    const int32_t n = s.panel_path_length;
    EXPECT_FALSE(IsSamePanelFolder(Exact("C:\\FS\\Aircraft\\jet\x83\x61\\panel").get(), s.config_path, n,
                                   Cp932Lead));
    EXPECT_TRUE(IsSamePanelFolder("C:\\FS\\Aircraft\\jet\x83\x61\\panel", s.config_path, n, SingleByte));
    EXPECT_TRUE(IsSamePanelFolder("C:\\FS\\Aircraft\\jet\x83\x61\\panel", s.config_path, n, nullptr));
    // The ASCII letters around them still compare in any case.
    EXPECT_TRUE(IsSamePanelFolder(Exact("c:\\fs\\AIRCRAFT\\JET\x83\x41\\PANEL").get(), s.config_path, n,
                                  Cp932Lead));
    // A path that ends in a lead byte is shorter, not the same.
    EXPECT_FALSE(IsSamePanelFolder(Exact("C:\\FS\\Aircraft\\jet\x83").get(), s.config_path, n, Cp932Lead));

    // A character starts after a two-byte one, wherever its bytes' values lie.
    EXPECT_TRUE(SameTextAnyCase("\x83\x83\x41", "\x83\x83\x61", 3, Cp932Lead));
    EXPECT_FALSE(SameTextAnyCase("\x83\x83\x83\x41", "\x83\x83\x83\x61", 4, Cp932Lead));
    EXPECT_FALSE(SameTextAnyCase("x\x83\x41", "X\x83\x61", 3, Cp932Lead));
    EXPECT_TRUE(SameTextAnyCase("x\x83\x41", "X\x83\x61", 3, SingleByte));
    // A lead byte as the last byte compared: compared alone, nothing after it
    // read (blocks of exactly three bytes, no terminator).
    std::unique_ptr<char[]> a(new char[3]{'j', 'e', '\x83'});
    std::unique_ptr<char[]> b(new char[3]{'J', 'E', '\x83'});
    std::unique_ptr<char[]> c(new char[3]{'J', 'E', '\x84'});
    EXPECT_TRUE(SameTextAnyCase(a.get(), b.get(), 3, Cp932Lead));
    EXPECT_FALSE(SameTextAnyCase(a.get(), c.get(), 3, Cp932Lead));
}

TEST(SettingsPaths, LongPathIsNeverTheSameFolder)
{
    DisplayValues s;
    std::string long_path = std::string(295, 'a') + "panel";
    auto exact = Exact(long_path);
    BuildConfigPath(exact.get(), s.config_path);
    s.panel_path_length = PanelPathLength(exact.get());
    ASSERT_EQ(s.panel_path_length, 300);
    EXPECT_FALSE(IsSamePanelFolder(exact.get(), s.config_path, s.panel_path_length, Cp932Lead));

    // A length the state never holds for a stored path, as a corrupted or
    // hostile value: still no read past the buffer.
    EXPECT_FALSE(IsSamePanelFolder(exact.get(), s.config_path, INT32_MAX, Cp932Lead));
    EXPECT_FALSE(IsSamePanelFolder(exact.get(), s.config_path, -1, Cp932Lead));

    // The longest path that is kept whole is still recognised.
    std::string longest = std::string(ConfigPathKept - 5, 'b') + "panel";
    BuildConfigPath(longest.c_str(), s.config_path);
    s.panel_path_length = PanelPathLength(longest.c_str());
    EXPECT_TRUE(IsSamePanelFolder(Exact(longest).get(), s.config_path, s.panel_path_length, Cp932Lead));
}

TEST(SettingsFormat, WindowValueHoldsEveryNumberAndIsCutAtTheBuffer)
{
    char out[SavedValueChars];
    FormatWindowValue(out, sizeof out, INT32_MIN, INT32_MAX, 0, -1, 7, 1234567890);
    EXPECT_STREQ(out, "-2147483648,2147483647,0,-1,7,1234567890");

    // Cut as snprintf cuts, and always terminated.
    char small[6];
    FormatWindowValue(small, sizeof small, -12345, 1, 2, 3, 4, 5);
    EXPECT_STREQ(small, "-1234");
    FormatWindowValue(small, 1, 1, 2, 3, 4, 5, 6);
    EXPECT_STREQ(small, "");
    small[0] = 'x';
    FormatWindowValue(small, 0, 1, 2, 3, 4, 5, 6);
    EXPECT_EQ(small[0], 'x') << "no room at all: nothing written";
    FontFields fields;
    strcpy(fields.face_name, "Arial");
    FormatFontValue(small, sizeof small, fields);
    EXPECT_STREQ(small, "Arial");
}

TEST(SettingsFormat, FontValueReadsBack)
{
    FontFields fields;
    strcpy(fields.face_name, "Times New Roman");
    fields.height = -16;
    fields.weight = 700;
    fields.italic = 255;
    fields.strike_out = 1;
    char out[SavedValueChars];
    FormatFontValue(out, sizeof out, fields);
    EXPECT_STREQ(out, "Times New Roman,-16,0,700,255,0,1");   // bytes unsigned

    FontFields back;
    ASSERT_EQ(ParseFontEntry(out, &back), FontEntry::Complete);
    EXPECT_STREQ(back.face_name, "Times New Roman");
    EXPECT_EQ(back.height, -16);
    EXPECT_EQ(back.weight, 700);
    EXPECT_EQ(back.italic, 255);
    EXPECT_EQ(back.strike_out, 1);

    // A face name without its terminator is written only up to its 31st character.
    memset(fields.face_name, 'Z', sizeof fields.face_name);
    FormatFontValue(out, sizeof out, fields);
    EXPECT_EQ(std::string(out), std::string(31, 'Z') + ",-16,0,700,255,0,1");
}

}  // namespace

// The module's own byte and text helpers, which stand in for the C library in
// the product. Buffers are allocated to their exact size, so AddressSanitizer
// catches any helper that reads or writes a byte beyond what it was given.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>
#include "module/bytes_and_text.h"
#include "module/export_lookup.h"

namespace {

// `text` in a heap block of exactly its length: no terminator unless given.
std::unique_ptr<char[]> Exact(const std::string& text, bool terminated)
{
    std::unique_ptr<char[]> block(new char[text.size() + (terminated ? 1 : 0)]);
    std::memcpy(block.get(), text.data(), text.size());
    if (terminated)
        block[text.size()] = '\0';
    return block;
}

TEST(BytesAndText, CopyAndFillTouchExactlyTheirBytes)
{
    char buffer[8] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};
    CopyBytes(buffer + 1, "XYZ", 3);
    EXPECT_EQ(std::string(buffer, 8), "aXYZefgh");
    CopyBytes(buffer, "Q", 0);
    FillBytes(buffer + 4, '-', 3);
    EXPECT_EQ(std::string(buffer, 8), "aXYZ---h");
}

TEST(BytesAndText, MoveKeepsOverlappingBytesInEitherDirection)
{
    char up[] = "0123456789";
    MoveBytes(up + 2, up, 6);     // target above the source, overlapping
    EXPECT_STREQ(up, "0101234589");
    char down[] = "0123456789";
    MoveBytes(down, down + 1, 9);   // the display's scroll step
    EXPECT_STREQ(down, "1234567899");
    char same[] = "abc";
    MoveBytes(same, same, 3);
    EXPECT_STREQ(same, "abc");
}

TEST(BytesAndText, WordAtATimeAgreesWithTheCLibraryAtEveryOffsetAndLength)
{
    // Every source and target offset and every length in a buffer a few words
    // long, overlapping either way, against the C library's own functions.
    constexpr size_t Size = 40;
    for (size_t from = 0; from < Size; ++from)
        for (size_t to = 0; to < Size; ++to)
            for (size_t count = 0; count <= Size - std::max(from, to); ++count) {
                unsigned char mine[Size], theirs[Size];
                for (size_t i = 0; i < Size; ++i)
                    mine[i] = theirs[i] = static_cast<unsigned char>(i * 7 + 1);
                MoveBytes(mine + to, mine + from, count);
                std::memmove(theirs + to, theirs + from, count);
                ASSERT_EQ(0, std::memcmp(mine, theirs, Size)) << from << " -> " << to << ", " << count;
            }
    for (size_t count = 0; count < 20; ++count) {
        auto copy = Exact(std::string(count, '?'), false);
        CopyBytes(copy.get(), std::string(count, 'c').data(), count);
        EXPECT_EQ(std::string(copy.get(), count), std::string(count, 'c'));
        FillBytes(copy.get(), 0xA5, count);
        EXPECT_EQ(std::string(copy.get(), count), std::string(count, '\xA5'));
    }
}

TEST(BytesAndText, LengthsStopAtTheTerminatorOrTheLimit)
{
    EXPECT_EQ(TextLength(""), 0u);
    EXPECT_EQ(TextLength(Exact("seven c", true).get()), 7u);
    auto bare = Exact("unterminated", false);
    EXPECT_EQ(TextLengthWithin(bare.get(), 12), 12u);
    EXPECT_EQ(TextLengthWithin(bare.get(), 5), 5u);
    EXPECT_EQ(TextLengthWithin(Exact("ab", true).get(), 10), 2u);
    EXPECT_EQ(TextLengthWithin(nullptr, 0), 0u);
}

TEST(BytesAndText, SearchesAndComparisonsStayInsideTheirTexts)
{
    auto field = Exact("Arial,12", true);
    EXPECT_EQ(FindChar(field.get(), ','), field.get() + 5);
    EXPECT_EQ(FindChar(field.get(), ';'), nullptr);

    EXPECT_TRUE(TextEquals("MAIN", Exact("MAIN", true).get()));
    EXPECT_FALSE(TextEquals("MAIN", Exact("MAINS", true).get()));
    EXPECT_FALSE(TextEquals("MAINS", Exact("MAIN", true).get()));

    EXPECT_TRUE(TextBeginsWith(Exact("FS2002MAIN", true).get(), "FS2002"));
    EXPECT_FALSE(TextBeginsWith(Exact("FS", true).get(), "FS2000"));   // shorter than the prefix
    EXPECT_TRUE(TextBeginsWith(Exact("", true).get(), ""));

    auto title = Exact("Flight Simulator 2002", true);
    EXPECT_TRUE(TextContains(title.get(), "2002"));   // at the very end
    EXPECT_FALSE(TextContains(title.get(), "20021"));
    EXPECT_TRUE(TextContains(Exact("2200202", true).get(), "2002"));   // after a partial match
    EXPECT_TRUE(TextContains(title.get(), ""));
    EXPECT_TRUE(TextContains(Exact("", true).get(), ""));
    EXPECT_FALSE(TextContains(Exact("", true).get(), "2"));
}

TEST(BytesAndText, WordsReadLittleEndianAtAnyAlignment)
{
    const unsigned char bytes[] = {0x11, 0x78, 0x56, 0x34, 0xF2, 0x99};
    EXPECT_EQ(ReadWord32(bytes + 1), 0xF2345678u);
    EXPECT_EQ(ReadWord32(bytes + 2), 0x99F23456u);
}

// A library image as the loader maps it, made by hand: headers, an export
// directory naming three routines, one of them forwarded to another library.
class LoadedImage {
public:
    explicit LoadedImage(bool pe32_plus, uint32_t size = 0x2000) : bytes_(size, 0)
    {
        Put(0, 'M' | 'Z' << 8);
        Put(0x3C, 0x80);                                  // the headers
        Put(0x80, 0x00004550);                            // "PE\0\0"
        const uint32_t optional = 0x80 + 24;
        Put(optional, pe32_plus ? 0x20B : 0x10B);
        Put(optional + 56, size);                         // SizeOfImage
        const uint32_t directory = 0x1000;
        Put(optional + (pe32_plus ? 112 : 96), directory);
        Put(optional + (pe32_plus ? 116 : 100), 0x100);
        Put(directory + 20, 3);                           // routines
        Put(directory + 24, 3);                           // names
        Put(directory + 28, directory + 0x40);            // routine addresses
        Put(directory + 32, directory + 0x50);            // name addresses
        Put(directory + 36, directory + 0x60);            // name ordinals
        const char* names[3] = {"EnumDisplayMonitors", "GetMonitorInfoA", "MonitorFromRect"};
        const uint32_t routines[3] = {0x1800, directory + 0x90, 0x1810};  // the second: "USER.Forward"
        for (uint32_t i = 0; i < 3; ++i) {
            Put(directory + 0x40 + 4 * i, routines[i]);
            Put(directory + 0x50 + 4 * i, directory + 0x70 + 0x20 * i);
            bytes_[directory + 0x60 + 2 * i] = static_cast<unsigned char>(i);
            std::memcpy(&bytes_[directory + 0x70 + 0x20 * i], names[i], std::strlen(names[i]) + 1);
        }
    }
    void Put(uint32_t at, uint32_t word) { std::memcpy(&bytes_[at], &word, 4); }
    const unsigned char* data() const { return bytes_.data(); }

private:
    std::vector<unsigned char> bytes_;
};

TEST(ExportLookup, FindsARoutineByNameAndNothingElse)
{
    for (bool pe32_plus : {false, true}) {
        LoadedImage image(pe32_plus);
        EXPECT_EQ(ExportedRoutine(image.data(), "EnumDisplayMonitors"), 0x1800u) << pe32_plus;
        EXPECT_EQ(ExportedRoutine(image.data(), "MonitorFromRect"), 0x1810u) << pe32_plus;
        EXPECT_EQ(ExportedRoutine(image.data(), "EnumDisplayMonitor"), 0u) << "a name is matched whole";
        EXPECT_EQ(ExportedRoutine(image.data(), "GetMonitorInfoA"), 0u) << "forwarded: not followed";
    }
    // An image whose size leaves out its export directory, or whose headers
    // lie beyond its first page, is read no further.
    LoadedImage cut(false);
    cut.Put(0x80 + 24 + 56, 0x1010);
    EXPECT_EQ(ExportedRoutine(cut.data(), "EnumDisplayMonitors"), 0u);
    LoadedImage far(false);
    far.Put(0x3C, 0x1000);
    EXPECT_EQ(ExportedRoutine(far.data(), "EnumDisplayMonitors"), 0u);
    // No image, or none that is a library.
    EXPECT_EQ(ExportedRoutine(nullptr, "EnumDisplayMonitors"), 0u);
    LoadedImage data(false);
    data.Put(0, 0);
    EXPECT_EQ(ExportedRoutine(data.data(), "EnumDisplayMonitors"), 0u);
    // No export directory: nothing to find.
    LoadedImage none(false);
    none.Put(0x80 + 24 + 96, 0);
    EXPECT_EQ(ExportedRoutine(none.data(), "EnumDisplayMonitors"), 0u);
    // A name running unterminated to the image's end is read no further.
    LoadedImage end(false);
    end.Put(0x1000 + 0x50, 0x2000 - 4);
    end.Put(0x2000 - 4, 'E' | 'n' << 8 | 'u' << 16 | 'm' << 24);
    EXPECT_EQ(ExportedRoutine(end.data(), "EnumDisplayMonitors"), 0u);
}

}  // namespace

// The module's own byte and text helpers, which stand in for the C library in
// the product. Buffers are allocated to their exact size, so AddressSanitizer
// catches any helper that reads or writes a byte beyond what it was given.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>
#include "core/bytes_and_text.h"

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

}  // namespace

// The byte and text helpers the module uses instead of the C library's: the
// product links no C runtime, so these are all it has. Plain values only,
// built and tested everywhere; the product's memcpy, memset and memmove (for
// the calls the compiler writes on its own) come down to the first three.
#pragma once
#include <cstddef>
#include <cstdint>

// memcpy: `count` bytes; the two ranges do not overlap.
void CopyBytes(void* to, const void* from, size_t count);
// memmove: `count` bytes; the two ranges may overlap.
void MoveBytes(void* to, const void* from, size_t count);
// memset: `count` bytes of `value`.
void FillBytes(void* to, unsigned char value, size_t count);

// a + b, held at the 32-bit limits instead of overflowing.
int32_t SaturatingAdd(int32_t a, int32_t b);

// A little-endian 32-bit word at any alignment (the compilers make one load
// of it).
inline uint32_t ReadWord32(const unsigned char* at)
{
    return at[0] | at[1] << 8 | at[2] << 16 | static_cast<uint32_t>(at[3]) << 24;
}

// strlen, and strnlen: bytes before the terminator, looking at no more than
// `limit` bytes.
size_t TextLength(const char* text);
size_t TextLengthWithin(const char* text, size_t limit);
// strchr for a character other than the terminator: null when absent.
const char* FindChar(const char* text, char c);
// Exact, case-sensitive comparisons of terminated texts.
bool TextEquals(const char* a, const char* b);
bool TextBeginsWith(const char* text, const char* prefix);
bool TextContains(const char* text, const char* part);

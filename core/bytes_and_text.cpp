// Plain-value logic: no Win32 calls here. Compiled without GCC's loop pattern
// recognition (see cmake/windows.cmake): it would turn these loops into calls
// to memcpy and memset, which in the product are these very functions.
#include "core/bytes_and_text.h"

namespace {

// A machine word read and written at any alignment, which x86 allows; the
// compilers are told so, and that it may alias any other type. A word at a
// time makes the 2,047-character buffer a few hundred moves, not thousands.
typedef size_t __attribute__((__may_alias__, __aligned__(1))) LooseWord;
constexpr size_t WordBytes = sizeof(LooseWord);

size_t LoadWord(const unsigned char* at)
{
    return *reinterpret_cast<const LooseWord*>(at);
}

void StoreWord(unsigned char* at, size_t word)
{
    *reinterpret_cast<LooseWord*>(at) = word;
}

}  // namespace

void CopyBytes(void* to, const void* from, size_t count)
{
    unsigned char* d = static_cast<unsigned char*>(to);
    const unsigned char* s = static_cast<const unsigned char*>(from);
    for (; count >= WordBytes; count -= WordBytes, d += WordBytes, s += WordBytes)
        StoreWord(d, LoadWord(s));
    while (count--)
        *d++ = *s++;
}

void MoveBytes(void* to, const void* from, size_t count)
{
    unsigned char* d = static_cast<unsigned char*>(to);
    const unsigned char* s = static_cast<const unsigned char*>(from);
    // Copied from the end when the target lies above the source inside it,
    // so no byte is overwritten before it is read: each word is read whole
    // before it is written, and the next one read lies beyond what was
    // written (below it, from the end).
    if (reinterpret_cast<uintptr_t>(d) > reinterpret_cast<uintptr_t>(s) &&
        reinterpret_cast<uintptr_t>(d) - reinterpret_cast<uintptr_t>(s) < count) {
        d += count;
        s += count;
        for (; count >= WordBytes; count -= WordBytes) {
            d -= WordBytes;
            s -= WordBytes;
            StoreWord(d, LoadWord(s));
        }
        while (count--)
            *--d = *--s;
    } else {
        CopyBytes(d, s, count);
    }
}

void FillBytes(void* to, unsigned char value, size_t count)
{
    unsigned char* d = static_cast<unsigned char*>(to);
    const size_t word = value * (~size_t{0} / 0xFF);   // the byte in every byte of a word
    for (; count >= WordBytes; count -= WordBytes, d += WordBytes)
        StoreWord(d, word);
    while (count--)
        *d++ = value;
}

size_t TextLength(const char* text)
{
    const char* end = text;
    while (*end)
        ++end;
    return static_cast<size_t>(end - text);
}

size_t TextLengthWithin(const char* text, size_t limit)
{
    size_t length = 0;
    while (length < limit && text[length])
        ++length;
    return length;
}

const char* FindChar(const char* text, char c)
{
    for (; *text; ++text)
        if (*text == c)
            return text;
    return nullptr;
}

bool TextEquals(const char* a, const char* b)
{
    for (; *a == *b; ++a, ++b)
        if (*a == '\0')
            return true;
    return false;
}

bool TextBeginsWith(const char* text, const char* prefix)
{
    for (; *prefix; ++text, ++prefix)
        if (*text != *prefix)
            return false;  // also at the text's terminator
    return true;
}

bool TextContains(const char* text, const char* part)
{
    for (; *text; ++text)
        if (TextBeginsWith(text, part))
            return true;
    return *part == '\0';
}

int32_t SaturatingAdd(int32_t a, int32_t b)
{
    int64_t sum = static_cast<int64_t>(a) + b;
    if (sum > INT32_MAX)
        return INT32_MAX;
    if (sum < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(sum);
}

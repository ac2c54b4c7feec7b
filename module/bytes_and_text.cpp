// Plain-value logic: no Win32 calls here. Compiled without GCC's loop pattern
// recognition (see cmake/windows.cmake): it would turn these loops into calls
// to memcpy and memset, which in the product are these very functions.
#include "module/bytes_and_text.h"

void CopyBytes(void* to, const void* from, size_t count)
{
    unsigned char* d = static_cast<unsigned char*>(to);
    const unsigned char* s = static_cast<const unsigned char*>(from);
    while (count--)
        *d++ = *s++;
}

void MoveBytes(void* to, const void* from, size_t count)
{
    unsigned char* d = static_cast<unsigned char*>(to);
    const unsigned char* s = static_cast<const unsigned char*>(from);
    // Copied from the end when the target lies above the source inside it,
    // so no byte is overwritten before it is read.
    if (d > s && d < s + count) {
        d += count;
        s += count;
        while (count--)
            *--d = *--s;
    } else {
        while (count--)
            *d++ = *s++;
    }
}

void FillBytes(void* to, unsigned char value, size_t count)
{
    unsigned char* d = static_cast<unsigned char*>(to);
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

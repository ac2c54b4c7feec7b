// The product only: it links no C runtime, yet GCC writes calls to memcpy,
// memset and memmove on its own (structure copies, zeroed buffers, loops it
// recognises). These are those three, on the module's own helpers. The test
// builds keep the C library's.
#include "core/bytes_and_text.h"

extern "C" {

void* memcpy(void* to, const void* from, size_t count)
{
    CopyBytes(to, from, count);
    return to;
}

void* memmove(void* to, const void* from, size_t count)
{
    MoveBytes(to, from, count);
    return to;
}

void* memset(void* to, int value, size_t count)
{
    FillBytes(to, static_cast<unsigned char>(value), count);
    return to;
}

}

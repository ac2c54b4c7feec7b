// Plain-value logic: no Win32 calls here.
// Edition recognition from the main window's class name and title.
#include "core/edition.h"
#include "core/bytes_and_text.h"

static bool Contains(const char* text, const char* part)
{
    return text != nullptr && TextContains(text, part);
}

bool IsHostClassName(const char* class_name)
{
    if (class_name == nullptr || !TextBeginsWith(class_name, "FS"))
        return false;
    // A name shorter than the suffix has no last four characters to compare;
    // looking before its start would read outside the buffer.
    size_t length = TextLength(class_name);
    return length >= 4 && TextEquals(class_name + length - 4, "MAIN");
}

bool EditionNeedsTitle(const char* class_name)
{
    return class_name == nullptr || !TextBeginsWith(class_name, "FS2000");
}

int32_t HostEdition(const char* class_name, const char* title)
{
    if (class_name == nullptr)
        class_name = "";
    // FS2000 is tried first, so a title naming both editions counts as FS2000,
    // also on a window whose class says FS2002.
    if (TextBeginsWith(class_name, "FS2000") || Contains(title, "2000"))
        return EditionFS2000;
    if (TextBeginsWith(class_name, "FS2002") || Contains(title, "2002"))
        return EditionFS2002;
    return EditionFS98;
}

// Plain-value logic: no Win32 calls here.
#include "module/export_lookup.h"
#include "module/bytes_and_text.h"

namespace {

constexpr uint32_t HeaderOffsetAt = 0x3C;       // e_lfanew in the MS-DOS header
constexpr uint32_t PeSignature = 0x00004550;    // "PE\0\0"
constexpr uint32_t OptionalHeaderAt = 24;       // after the signature and the file header
constexpr uint16_t Pe32Magic = 0x10B, Pe32PlusMagic = 0x20B;
constexpr uint32_t ExportDirectoryAt32 = 96, ExportDirectoryAt64 = 112;  // data directory 0

// A 32-bit word of the image at `offset`, if the whole word lies in it.
bool WordAt(const unsigned char* image, size_t size, uint64_t offset, uint32_t* word)
{
    if (offset > size || size - offset < 4)
        return false;
    *word = ReadWord32(image + offset);
    return true;
}

// Whether the terminated name at `offset` is `name`, reading only the image.
bool NameAt(const unsigned char* image, size_t size, uint32_t offset, const char* name)
{
    for (size_t i = 0;; ++i) {
        if (offset + i >= size)
            return false;
        const char c = static_cast<char>(image[offset + i]);
        if (c != name[i])
            return false;
        if (c == '\0')
            return true;
    }
}

// The lookup within `image_size` bytes of the image.
uint32_t ExportedRoutineWithin(const unsigned char* image, size_t image_size, const char* name)
{
    if (image_size < 0x40 || image[0] != 'M' || image[1] != 'Z')
        return 0;
    uint32_t headers = 0, signature = 0, magic = 0;
    if (!WordAt(image, image_size, HeaderOffsetAt, &headers) || !WordAt(image, image_size, headers, &signature) ||
        signature != PeSignature || !WordAt(image, image_size, uint64_t{headers} + OptionalHeaderAt, &magic))
        return 0;
    const uint64_t optional = uint64_t{headers} + OptionalHeaderAt;
    uint64_t directory_at = 0;
    if ((magic & 0xFFFF) == Pe32Magic)
        directory_at = optional + ExportDirectoryAt32;
    else if ((magic & 0xFFFF) == Pe32PlusMagic)
        directory_at = optional + ExportDirectoryAt64;
    else
        return 0;
    uint32_t directory = 0, directory_size = 0;
    if (!WordAt(image, image_size, directory_at, &directory) ||
        !WordAt(image, image_size, directory_at + 4, &directory_size) || directory == 0)
        return 0;
    // The export directory: the counts of routines and of names at 20 and
    // 24, the tables of routines, names and name ordinals at 28, 32 and 36.
    uint32_t routines = 0, names = 0, routine_table = 0, name_table = 0, ordinal_table = 0;
    if (!WordAt(image, image_size, uint64_t{directory} + 20, &routines) ||
        !WordAt(image, image_size, uint64_t{directory} + 24, &names) ||
        !WordAt(image, image_size, uint64_t{directory} + 28, &routine_table) ||
        !WordAt(image, image_size, uint64_t{directory} + 32, &name_table) ||
        !WordAt(image, image_size, uint64_t{directory} + 36, &ordinal_table))
        return 0;
    for (uint32_t i = 0; i < names; ++i) {
        uint32_t name_at = 0, ordinal = 0, routine = 0;
        if (!WordAt(image, image_size, uint64_t{name_table} + 4 * uint64_t{i}, &name_at))
            return 0;
        if (!NameAt(image, image_size, name_at, name))
            continue;
        // Name ordinals are 16-bit.
        const uint64_t ordinal_at = uint64_t{ordinal_table} + 2 * uint64_t{i};
        if (ordinal_at > image_size || image_size - ordinal_at < 2)
            return 0;
        ordinal = image[ordinal_at] | image[ordinal_at + 1] << 8;
        if (ordinal >= routines ||
            !WordAt(image, image_size, uint64_t{routine_table} + 4 * uint64_t{ordinal}, &routine))
            return 0;
        // An address inside the export directory names another library's
        // routine ("DLL.Routine"): not followed.
        if (routine >= directory && uint64_t{routine} < uint64_t{directory} + directory_size)
            return 0;
        return routine < image_size ? routine : 0;
    }
    return 0;
}

}  // namespace

uint32_t ExportedRoutine(const unsigned char* image, const char* name)
{
    // The headers lie in the image's first page; the size of the whole image
    // is in the optional header.
    constexpr uint32_t FirstPage = 0x1000, SizeOfImageAt = 56;
    if (!image || !name || image[0] != 'M' || image[1] != 'Z')
        return 0;
    const uint32_t headers = ReadWord32(image + HeaderOffsetAt);
    if (headers > FirstPage - OptionalHeaderAt - SizeOfImageAt - 4)
        return 0;
    const uint32_t image_size = ReadWord32(image + headers + OptionalHeaderAt + SizeOfImageAt);
    return image_size < FirstPage ? 0 : ExportedRoutineWithin(image, image_size, name);
}

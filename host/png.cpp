// Looking at the screen: pixels, screen captures and a PNG writer (8-bit RGB,
// compressed with zlib).
#include "host/sim_host.h"

#include <zlib.h>

#include <cstdio>

uint32_t SimCrc32(const uint8_t* data, size_t length, uint32_t crc)
{
    return static_cast<uint32_t>(crc32_z(crc, data, length));
}

uint32_t SimAdler32(const uint8_t* data, size_t length, uint32_t adler)
{
    return static_cast<uint32_t>(adler32_z(adler, data, length));
}

namespace {

void PutBE32(std::vector<uint8_t>* out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out->push_back(static_cast<uint8_t>(value >> shift));
}

void PutChunk(std::vector<uint8_t>* out, const char type[4], const std::vector<uint8_t>& data)
{
    PutBE32(out, static_cast<uint32_t>(data.size()));
    size_t start = out->size();
    out->insert(out->end(), type, type + 4);
    out->insert(out->end(), data.begin(), data.end());
    PutBE32(out, SimCrc32(out->data() + start, out->size() - start));
}

}  // namespace

std::vector<uint8_t> SimEncodePng(const SimImage& image)
{
    std::vector<uint8_t> out;
    if (image.width <= 0 || image.height <= 0 ||
        image.pixels.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height))
        return out;

    // Scanlines: filter type 0, then R, G, B. A PNG chunk holds less than
    // 2 GiB, and zlib counts in uLong (32 bits on Windows): far beyond any screen.
    const size_t stride = 1 + 3 * static_cast<size_t>(image.width);
    if (stride > (size_t(1) << 30) / static_cast<size_t>(image.height))
        return out;
    std::vector<uint8_t> raw;
    raw.reserve(static_cast<size_t>(image.height) * stride);
    for (int y = 0; y < image.height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < image.width; ++x) {
            COLORREF c = image.pixels[static_cast<size_t>(y) * image.width + x];
            raw.push_back(GetRValue(c));
            raw.push_back(GetGValue(c));
            raw.push_back(GetBValue(c));
        }
    }

    // Filter "none" and the strongest level: screens are mostly flat colour,
    // which deflate alone packs best.
    uLongf z_size = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> z(z_size);
    if (compress2(z.data(), &z_size, raw.data(), static_cast<uLong>(raw.size()), Z_BEST_COMPRESSION) != Z_OK)
        return out;
    z.resize(z_size);

    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    out.assign(signature, signature + 8);
    std::vector<uint8_t> ihdr;
    PutBE32(&ihdr, static_cast<uint32_t>(image.width));
    PutBE32(&ihdr, static_cast<uint32_t>(image.height));
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});  // 8-bit, truecolour, deflate, filter 0, no interlace
    PutChunk(&out, "IHDR", ihdr);
    PutChunk(&out, "IDAT", z);
    PutChunk(&out, "IEND", {});
    return out;
}

bool SimWritePng(const char* path, const SimImage& image)
{
    std::vector<uint8_t> bytes = SimEncodePng(image);
    if (bytes.empty() || !path)
        return false;
    FILE* file = fopen(path, "wb");
    if (!file)
        return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && ok;
}

COLORREF SimScreenPixel(int x, int y)
{
    HDC screen = GetDC(nullptr);
    if (!screen)
        return CLR_INVALID;
    COLORREF c = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return c;
}

COLORREF SimClientPixel(HWND window, int x, int y)
{
    // Read from the window's own surface: windows of other programs sharing
    // the display cannot cover what this window painted.
    if (!IsWindow(window))
        return CLR_INVALID;
    HDC dc = GetDC(window);
    COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return colour;
}

bool SimCaptureScreen(const RECT& r, SimImage* image)
{
    int w = r.right - r.left, h = r.bottom - r.top;
    if (!image || w <= 0 || h <= 0)
        return false;
    HDC screen = GetDC(nullptr);
    if (!screen)
        return false;
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (memory && dib && bits) {
        HGDIOBJ old = SelectObject(memory, dib);
        ok = BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY) != 0;
        GdiFlush();
        SelectObject(memory, old);
        if (ok) {
            const uint8_t* p = static_cast<const uint8_t*>(bits);  // B, G, R, unused
            image->width = w;
            image->height = h;
            image->pixels.resize(static_cast<size_t>(w) * h);
            for (size_t i = 0; i < image->pixels.size(); ++i)
                image->pixels[i] = RGB(p[4 * i + 2], p[4 * i + 1], p[4 * i]);
        }
    }
    if (dib)
        DeleteObject(dib);
    if (memory)
        DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

bool SimSaveScreenshotPng(const char* path, const RECT& screen_rect)
{
    SimImage image;
    return SimCaptureScreen(screen_rect, &image) && SimWritePng(path, image);
}

bool SimSaveScreenshotPng(const char* path, HWND window)
{
    RECT r;
    return window && GetWindowRect(window, &r) && SimSaveScreenshotPng(path, r);
}

// Looking at the screen: pixels, screen captures and a small PNG writer that
// needs no library (8-bit RGB, zlib stream of stored deflate blocks).
#include "host/sim_host.h"

#include <cstdio>

uint32_t SimCrc32(const uint8_t* data, size_t length, uint32_t crc)
{
    static uint32_t table[256];
    static bool made = false;
    if (!made) {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
        made = true;
    }
    crc = ~crc;
    for (size_t i = 0; i < length; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

uint32_t SimAdler32(const uint8_t* data, size_t length, uint32_t adler)
{
    uint32_t a = adler & 0xFFFF, b = adler >> 16;
    for (size_t i = 0; i < length; ++i) {
        a = (a + data[i]) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
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

    // Scanlines: filter type 0, then R, G, B.
    std::vector<uint8_t> raw;
    raw.reserve(static_cast<size_t>(image.height) * (1 + 3 * static_cast<size_t>(image.width)));
    for (int y = 0; y < image.height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < image.width; ++x) {
            COLORREF c = image.pixels[static_cast<size_t>(y) * image.width + x];
            raw.push_back(GetRValue(c));
            raw.push_back(GetGValue(c));
            raw.push_back(GetBValue(c));
        }
    }

    // zlib: header (deflate, 32K window, no dictionary), stored blocks, Adler-32.
    std::vector<uint8_t> z = {0x78, 0x01};
    size_t pos = 0;
    do {
        size_t n = raw.size() - pos;
        if (n > 65535)
            n = 65535;
        bool last = pos + n == raw.size();
        z.push_back(last ? 1 : 0);  // BFINAL, BTYPE 00
        z.push_back(static_cast<uint8_t>(n));
        z.push_back(static_cast<uint8_t>(n >> 8));
        z.push_back(static_cast<uint8_t>(~n));
        z.push_back(static_cast<uint8_t>(~n >> 8));
        z.insert(z.end(), raw.begin() + pos, raw.begin() + pos + n);
        pos += n;
    } while (pos < raw.size());
    PutBE32(&z, SimAdler32(raw.data(), raw.size()));

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

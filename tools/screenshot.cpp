// Saves a picture of the screen, or of one window, as a PNG file:
//   orbelan_screenshot.exe <file.png> [window caption] [seconds to wait]
// With a caption it waits for a visible top-level window of that caption
// and captures just that window. Used by the demo on a machine without a
// display, and for the pictures of the user guide.
#include <windows.h>
#include <stdio.h>
#include <string>
#include <vector>

static unsigned long Crc(const unsigned char *data, size_t size, unsigned long crc = 0)
{
    crc = ~crc;
    for (size_t i = 0; i < size; i++) {
        crc ^= data[i];
        for (int k = 0; k < 8; k++)
            crc = (crc >> 1) ^ (0xEDB88320UL & (0UL - (crc & 1)));
    }
    return ~crc & 0xFFFFFFFFUL;
}

static void PutBig32(std::vector<unsigned char> &out, unsigned long value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back((unsigned char)(value >> shift));
}

static void Chunk(std::vector<unsigned char> &png, const char *type, const std::vector<unsigned char> &data)
{
    PutBig32(png, (unsigned long)data.size());
    std::vector<unsigned char> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    png.insert(png.end(), body.begin(), body.end());
    PutBig32(png, Crc(body.data(), body.size()));
}

// PNG, 8-bit RGB, with the image data in stored (uncompressed) deflate
// blocks: simple and exact, if not small.
static std::vector<unsigned char> EncodePng(int width, int height, const std::vector<unsigned char> &rgb)
{
    std::vector<unsigned char> raw;
    for (int y = 0; y < height; y++) {
        raw.push_back(0); // no filter
        raw.insert(raw.end(), rgb.begin() + (size_t)y * width * 3, rgb.begin() + (size_t)(y + 1) * width * 3);
    }
    std::vector<unsigned char> zlib = {0x78, 0x01};
    for (size_t at = 0; at < raw.size() || at == 0;) {
        size_t size = raw.size() - at < 65535 ? raw.size() - at : 65535;
        zlib.push_back(at + size == raw.size() ? 1 : 0);
        zlib.push_back((unsigned char)(size & 0xFF));
        zlib.push_back((unsigned char)(size >> 8));
        zlib.push_back((unsigned char)(~size & 0xFF));
        zlib.push_back((unsigned char)((~size >> 8) & 0xFF));
        zlib.insert(zlib.end(), raw.begin() + at, raw.begin() + at + size);
        at += size;
        if (size == 0)
            break;
    }
    unsigned long a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    PutBig32(zlib, (b << 16) | a);

    std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<unsigned char> header;
    PutBig32(header, width);
    PutBig32(header, height);
    header.insert(header.end(), {8, 2, 0, 0, 0}); // 8-bit RGB
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", zlib);
    Chunk(png, "IEND", {});
    return png;
}

int wmain(int argc, wchar_t **argv)
{
    if (argc < 2) {
        fwprintf(stderr, L"usage: orbelan_screenshot <file.png> [window caption] [seconds to wait]\n");
        return 2;
    }
    RECT area;
    GetWindowRect(GetDesktopWindow(), &area);
    if (argc >= 3) {
        int seconds = argc >= 4 ? _wtoi(argv[3]) : 20;
        HWND window = NULL;
        for (int tries = 0; tries < seconds * 10 && !window; tries++) {
            window = FindWindowW(NULL, argv[2]);
            if (window && !IsWindowVisible(window))
                window = NULL;
            if (!window)
                Sleep(100);
        }
        if (!window) {
            fwprintf(stderr, L"no window \"%ls\" came up\n", argv[2]);
            return 1;
        }
        Sleep(500); // let it paint
        GetWindowRect(window, &area);
    }
    int width = area.right - area.left, height = area.bottom - area.top;
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *bits = NULL;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    std::vector<unsigned char> rgb((size_t)width * height * 3);
    const unsigned char *bgra = (const unsigned char *)bits;
    for (size_t i = 0; i < (size_t)width * height; i++) {
        rgb[i * 3] = bgra[i * 4 + 2];
        rgb[i * 3 + 1] = bgra[i * 4 + 1];
        rgb[i * 3 + 2] = bgra[i * 4];
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);

    std::vector<unsigned char> png = EncodePng(width, height, rgb);
    FILE *file = _wfopen(argv[1], L"wb");
    if (!file || fwrite(png.data(), 1, png.size(), file) != png.size()) {
        fwprintf(stderr, L"cannot write %ls\n", argv[1]);
        return 1;
    }
    fclose(file);
    return 0;
}

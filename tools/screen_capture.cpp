// Pictures of the screen as PNG files: a copy of part of the screen, and a
// small PNG encoder (8-bit RGB, deflate with its fixed Huffman codes).
#include "screen_capture.h"

#include <stdio.h>
#include <vector>

typedef std::vector<unsigned char> Bytes;

static unsigned long Crc(const unsigned char *data, size_t size)
{
    unsigned long crc = 0xFFFFFFFFUL;
    for (size_t i = 0; i < size; i++) {
        crc ^= data[i];
        for (int k = 0; k < 8; k++)
            crc = (crc >> 1) ^ (0xEDB88320UL & (0UL - (crc & 1)));
    }
    return ~crc & 0xFFFFFFFFUL;
}

static void PutBig32(Bytes &out, unsigned long value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back((unsigned char)(value >> shift));
}

/* ---- Deflate ------------------------------------------------------------- */

// Deflate packs its bits from the least significant bit of each byte up.
struct BitWriter {
    Bytes *out;
    unsigned long bits;
    int count;
};

static void PutBits(BitWriter *writer, unsigned long value, int count)
{
    writer->bits |= value << writer->count;
    writer->count += count;
    while (writer->count >= 8) {
        writer->out->push_back((unsigned char)(writer->bits & 0xFF));
        writer->bits >>= 8;
        writer->count -= 8;
    }
}

// Huffman codes go in most significant bit first.
static void PutCode(BitWriter *writer, unsigned code, int length)
{
    unsigned reversed = 0;
    for (int i = 0; i < length; i++)
        reversed |= ((code >> i) & 1) << (length - 1 - i);
    PutBits(writer, reversed, length);
}

// A literal or length symbol (0 to 285) in the fixed code.
static void PutSymbol(BitWriter *writer, int symbol)
{
    if (symbol < 144)
        PutCode(writer, 0x30 + symbol, 8);
    else if (symbol < 256)
        PutCode(writer, 0x190 + symbol - 144, 9);
    else if (symbol < 280)
        PutCode(writer, symbol - 256, 7);
    else
        PutCode(writer, 0xC0 + symbol - 280, 8);
}

static const int LengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                   31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
static const int LengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                    2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
static const int DistanceBase[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                                     193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
static const int DistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                      6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// length 3 to 258, distance 1 to 32768.
static void PutMatch(BitWriter *writer, int length, int distance)
{
    int code = 28; // 258 has a code of its own
    while (LengthBase[code] > length)
        code--;
    PutSymbol(writer, 257 + code);
    PutBits(writer, length - LengthBase[code], LengthExtra[code]);
    code = 29;
    while (DistanceBase[code] > distance)
        code--;
    PutCode(writer, code, 5);
    PutBits(writer, distance - DistanceBase[code], DistanceExtra[code]);
}

// A zlib stream of data: one fixed-code block, with matches found through
// hash chains over the last 32 KiB. Screenshots repeat a lot, so this is
// small enough without dynamic codes.
static Bytes Compress(const Bytes &data)
{
    const size_t Window = 32768, HashSize = 1 << 15;
    const int MaxLength = 258, Tries = 64;
    Bytes out = {0x78, 0x01};
    BitWriter writer = {&out, 0, 0};
    PutBits(&writer, 1, 1); // the last block
    PutBits(&writer, 1, 2); // fixed codes

    size_t size = data.size();
    std::vector<long> head(HashSize, -1), previous(size, -1);
    auto hash = [&](size_t at) { return ((data[at] << 10) ^ (data[at + 1] << 5) ^ data[at + 2]) & (HashSize - 1); };
    auto insert = [&](size_t at) {
        if (at + 2 < size) {
            size_t h = hash(at);
            previous[at] = head[h];
            head[h] = (long)at;
        }
    };
    for (size_t at = 0; at < size;) {
        int best = 0;
        size_t bestDistance = 0;
        if (at + 2 < size) {
            int limit = size - at < (size_t)MaxLength ? (int)(size - at) : MaxLength;
            long candidate = head[hash(at)];
            for (int tries = 0; tries < Tries && candidate >= 0 && at - candidate <= Window; tries++) {
                int length = 0;
                while (length < limit && data[candidate + length] == data[at + length])
                    length++;
                if (length > best) {
                    best = length;
                    bestDistance = at - candidate;
                    if (length == limit)
                        break;
                }
                candidate = previous[candidate];
            }
        }
        if (best >= 3) {
            PutMatch(&writer, best, (int)bestDistance);
            for (int k = 0; k < best; k++)
                insert(at + k);
            at += best;
        } else {
            PutSymbol(&writer, data[at]);
            insert(at);
            at++;
        }
    }
    PutSymbol(&writer, 256); // end of block
    if (writer.count > 0)
        out.push_back((unsigned char)(writer.bits & 0xFF));

    unsigned long a = 1, b = 0;
    for (unsigned char c : data) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    PutBig32(out, (b << 16) | a);
    return out;
}

/* ---- PNG ----------------------------------------------------------------- */

static void PutChunk(Bytes &png, const char *type, const Bytes &data)
{
    PutBig32(png, (unsigned long)data.size());
    size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    PutBig32(png, Crc(png.data() + start, png.size() - start));
}

// rgb holds the rows top to bottom, 3 bytes a pixel.
static Bytes EncodePng(int width, int height, const Bytes &rgb)
{
    Bytes raw;
    raw.reserve((size_t)(width * 3 + 1) * height);
    for (int y = 0; y < height; y++) {
        raw.push_back(0); // no filter
        raw.insert(raw.end(), rgb.begin() + (size_t)y * width * 3, rgb.begin() + (size_t)(y + 1) * width * 3);
    }
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    PutBig32(header, width);
    PutBig32(header, height);
    header.insert(header.end(), {8, 2, 0, 0, 0}); // 8-bit RGB, no interlace
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", Compress(raw));
    PutChunk(png, "IEND", {});
    return png;
}

/* ---- The screen ---------------------------------------------------------- */

bool SaveScreenArea(RECT area, const wchar_t *file)
{
    RECT screen;
    GetWindowRect(GetDesktopWindow(), &screen);
    if (!IntersectRect(&area, &area, &screen))
        return false;
    int width = area.right - area.left, height = area.bottom - area.top;

    Bytes rgb((size_t)width * height * 3);
    HDC screenDc = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screenDc);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *bits = NULL;
    HBITMAP bitmap = CreateDIBSection(screenDc, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    bool copied = false;
    if (memory && bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        copied = BitBlt(memory, 0, 0, width, height, screenDc, area.left, area.top, SRCCOPY) != 0;
        GdiFlush();
        const unsigned char *bgra = (const unsigned char *)bits;
        for (size_t i = 0; copied && i < (size_t)width * height; i++) {
            rgb[i * 3] = bgra[i * 4 + 2];
            rgb[i * 3 + 1] = bgra[i * 4 + 1];
            rgb[i * 3 + 2] = bgra[i * 4];
        }
        SelectObject(memory, old);
    }
    if (bitmap)
        DeleteObject(bitmap);
    if (memory)
        DeleteDC(memory);
    ReleaseDC(NULL, screenDc);
    if (!copied)
        return false;

    Bytes png = EncodePng(width, height, rgb);
    FILE *out = _wfopen(file, L"wb");
    if (!out)
        return false;
    bool written = fwrite(png.data(), 1, png.size(), out) == png.size();
    return fclose(out) == 0 && written;
}

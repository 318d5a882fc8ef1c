// Text helpers: bounded copies, templates and UTF-8 conversions that never
// write past their buffer and never split a character.
#include "app/text.h"

#include <string.h>

size_t CutAtCharacter(const wchar_t *text, size_t n)
{
    if (n > 0 && IS_HIGH_SURROGATE(text[n - 1]))
        n--;
    return n;
}

size_t CopyText(wchar_t *out, size_t cap, const wchar_t *text, size_t len)
{
    if (!out || cap == 0)
        return 0;
    size_t n = 0;
    if (text)
        while (n < len && text[n])
            n++;
    if (n > cap - 1)
        n = CutAtCharacter(text, cap - 1);
    if (n)
        memmove(out, text, n * sizeof(wchar_t));
    out[n] = 0;
    return n;
}

// Appends unit to the *n units of out while fewer than cap - 1 are there;
// remembers in *cut that some text did not fit.
static void PutUnit(wchar_t *out, size_t cap, size_t *n, wchar_t unit, bool *cut)
{
    if (*n < cap - 1)
        out[(*n)++] = unit;
    else
        *cut = true;
}

void FillTemplate(wchar_t *out, size_t cap, const wchar_t *templ,
                  std::initializer_list<const wchar_t *> args)
{
    if (!out || cap == 0)
        return;
    size_t n = 0;
    bool cut = false;
    auto arg = args.begin();
    for (const wchar_t *p = templ ? templ : L""; *p; p++) {
        if (p[0] == L'%' && p[1] == L's' && arg != args.end()) {
            for (const wchar_t *q = *arg ? *arg : L""; *q; q++)
                PutUnit(out, cap, &n, *q, &cut);
            ++arg;
            p++;
        } else {
            PutUnit(out, cap, &n, *p, &cut);
        }
    }
    if (cut)
        n = CutAtCharacter(out, n);
    out[n] = 0;
}

void FillItemTemplate(HWND dialog, int id, std::initializer_list<const wchar_t *> args)
{
    wchar_t templ[256] = L"", text[256];
    GetDlgItemTextW(dialog, id, templ, 256);
    FillTemplate(text, 256, templ, args);
    SetDlgItemTextW(dialog, id, text);
}

// Decodes well-formed UTF-8 by hand, in one pass, until the first byte
// that does not begin a well-formed character (overlong forms, surrogates
// and values past U+10FFFF included) or until the next character no longer
// fits cap - 1 units. Returns the units written; *used is how many bytes
// they took.
static size_t DecodeValidUtf8(const unsigned char *p, size_t len, wchar_t *out, size_t cap, size_t *used)
{
    size_t i = 0, n = 0, room = cap - 1;
    while (i < len) {
        unsigned c = p[i], code, size;
        if (c < 0x80) {
            code = c, size = 1;
        } else if (c >= 0xC2 && c <= 0xDF && i + 1 < len && (p[i + 1] & 0xC0) == 0x80) {
            code = ((c & 0x1F) << 6) | (p[i + 1] & 0x3F), size = 2;
        } else if (c >= 0xE0 && c <= 0xEF && i + 2 < len && (p[i + 1] & 0xC0) == 0x80 &&
                   (p[i + 2] & 0xC0) == 0x80) {
            code = ((c & 0x0F) << 12) | ((p[i + 1] & 0x3F) << 6) | (p[i + 2] & 0x3F), size = 3;
            if (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))
                break;
        } else if (c >= 0xF0 && c <= 0xF4 && i + 3 < len && (p[i + 1] & 0xC0) == 0x80 &&
                   (p[i + 2] & 0xC0) == 0x80 && (p[i + 3] & 0xC0) == 0x80) {
            code = ((c & 0x07) << 18) | ((p[i + 1] & 0x3F) << 12) | ((p[i + 2] & 0x3F) << 6) |
                   (p[i + 3] & 0x3F);
            size = 4;
            if (code < 0x10000 || code > 0x10FFFF)
                break;
        } else {
            break;
        }
        if (code >= 0x10000) {
            if (n + 2 > room)
                break;
            out[n++] = (wchar_t)(0xD800 + ((code - 0x10000) >> 10));
            out[n++] = (wchar_t)(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            if (n + 1 > room)
                break;
            out[n++] = (wchar_t)code;
        }
        i += size;
    }
    *used = i;
    return n;
}

size_t Utf8ToText(const char *bytes, size_t len, wchar_t *out, size_t cap)
{
    if (!out || cap == 0)
        return 0;
    out[0] = 0;
    if (!bytes || len == 0 || len > 0x7FFFFFFF)
        return 0;
    // Well-formed text, the usual case, needs one pass: it is done when all
    // bytes are used or when not even one more unit would fit. (The
    // system's decoder, asked into a field too small, fails on Windows but
    // writes what fits on Wine; measuring first would take two passes.)
    size_t used = 0;
    size_t n = DecodeValidUtf8((const unsigned char *)bytes, len, out, cap, &used);
    if (used == len || n + 1 >= cap) {
        out[n] = 0;
        return n;
    }
    // A malformed sequence, or a pair that did not fit: the system's decoder
    // decides what replaces malformed bytes, and the cut keeps pairs whole.
    out[0] = 0;
    int need = MultiByteToWideChar(CP_UTF8, 0, bytes, (int)len, NULL, 0);
    if (need <= 0)
        return 0;
    // At most one unit per byte: as large as the bytes the caller holds.
    // Without the memory the field stays empty.
    wchar_t *all = (wchar_t *)HeapAlloc(GetProcessHeap(), 0, (size_t)need * sizeof(wchar_t));
    if (!all)
        return 0;
    int written = MultiByteToWideChar(CP_UTF8, 0, bytes, (int)len, all, need);
    n = CopyText(out, cap, all, written > 0 ? written : 0);
    HeapFree(GetProcessHeap(), 0, all);
    return n;
}

// UTF-8 form of text, at most cap - 1 bytes of whole characters, always
// terminated. Written out by hand: one pass, and the cut falls between
// characters by construction. A lone surrogate becomes U+FFFD, as
// WideCharToMultiByte makes it.
size_t TextToUtf8(const wchar_t *text, char *out, size_t cap)
{
    if (!out || cap == 0)
        return 0;
    unsigned char *p = (unsigned char *)out;
    size_t room = cap - 1, n = 0;
    for (size_t i = 0; text && text[i]; i++) {
        unsigned c = text[i];
        if (c < 0x80) {
            if (n + 1 > room)
                break;
            p[n++] = (unsigned char)c;
        } else if (c < 0x800) {
            if (n + 2 > room)
                break;
            p[n++] = (unsigned char)(0xC0 | (c >> 6));
            p[n++] = (unsigned char)(0x80 | (c & 0x3F));
        } else if (IS_HIGH_SURROGATE(c) && IS_LOW_SURROGATE(text[i + 1])) {
            if (n + 4 > room)
                break;
            unsigned code = 0x10000 + ((c - 0xD800) << 10) + ((unsigned)text[i + 1] - 0xDC00);
            p[n++] = (unsigned char)(0xF0 | (code >> 18));
            p[n++] = (unsigned char)(0x80 | ((code >> 12) & 0x3F));
            p[n++] = (unsigned char)(0x80 | ((code >> 6) & 0x3F));
            p[n++] = (unsigned char)(0x80 | (code & 0x3F));
            i++;
        } else {
            if (c >= 0xD800 && c <= 0xDFFF)
                c = 0xFFFD;
            if (n + 3 > room)
                break;
            p[n++] = (unsigned char)(0xE0 | (c >> 12));
            p[n++] = (unsigned char)(0x80 | ((c >> 6) & 0x3F));
            p[n++] = (unsigned char)(0x80 | (c & 0x3F));
        }
    }
    p[n] = 0;
    return n;
}

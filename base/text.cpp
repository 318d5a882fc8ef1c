// Text helpers: bounded copies, templates and the UTF-8 conversions, which
// never write past their buffer and never split a character.
#include "base/base.h"

#include <limits.h>
#include <string.h>
#include <wchar.h>

size_t CutAtCharacter(const wchar_t *text, size_t n)
{
    if (n > 0 && IS_HIGH_SURROGATE(text[n - 1]))
        n--;
    return n;
}

size_t CutUtf8AtCharacter(const char *bytes, size_t n)
{
    // Back to the first byte of the character that byte n is part of.
    while (n > 0 && (static_cast<unsigned char>(bytes[n]) & 0xC0) == 0x80)
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
    // The labels filled this way are short: a version, a state's name.
    wchar_t templ[256] = L"", text[256];
    GetDlgItemTextW(dialog, id, templ, ARRAYSIZE(templ));
    FillTemplate(text, ARRAYSIZE(text), templ, args);
    SetDlgItemTextW(dialog, id, text);
}

size_t ReadItemText(HWND dialog, int id, wchar_t *out, size_t cap)
{
    if (!out || cap == 0)
        return 0;
    out[0] = 0;
    UINT length = GetDlgItemTextW(dialog, id, out, (int)cap);
    size_t n = CutAtCharacter(out, length < cap ? length : cap - 1);
    out[n] = 0;
    return n;
}

// The system's decoder, asked into a buffer too small, fails on Windows but
// writes what fits on Wine: it is asked how much the text takes first, and
// a text longer than the field is converted whole into memory of its own
// and cut there.
size_t Utf8ToText(const char *bytes, size_t len, wchar_t *out, size_t cap, bool *invalid)
{
    if (invalid)
        *invalid = false;
    if (!out || cap == 0)
        return 0;
    out[0] = 0;
    if (!bytes || len == 0 || len > INT_MAX)
        return 0;
    // Counted strictly first: only bytes that are no UTF-8 are counted twice.
    int need = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, (int)len, NULL, 0);
    if (need <= 0 && GetLastError() == ERROR_NO_UNICODE_TRANSLATION) {
        if (invalid)
            *invalid = true;
        need = MultiByteToWideChar(CP_UTF8, 0, bytes, (int)len, NULL, 0);
    }
    if (need <= 0)
        return 0;
    if ((size_t)need < cap) {
        int written = MultiByteToWideChar(CP_UTF8, 0, bytes, (int)len, out, need);
        out[written > 0 ? written : 0] = 0;
        return written > 0 ? (size_t)written : 0;
    }
    // At most one unit per byte: as large as the bytes the caller holds.
    // Without the memory the field stays empty.
    wchar_t *all = static_cast<wchar_t *>(HeapAlloc(GetProcessHeap(), 0, (size_t)need * sizeof(wchar_t)));
    if (!all)
        return 0;
    int written = MultiByteToWideChar(CP_UTF8, 0, bytes, (int)len, all, need);
    size_t n = CopyText(out, cap, all, written > 0 ? (size_t)written : 0);
    HeapFree(GetProcessHeap(), 0, all);
    return n;
}

// The units of text, from its start, whose UTF-8 form takes at most room
// bytes, cut before a character; *bytes is set to what they take. Counted
// here, not converted: a text of any length needs no memory. A lone
// surrogate counts three bytes, what the system writes for it (U+FFFD from
// Windows Vista on; earlier systems encode the surrogate itself, in three
// bytes too).
static size_t Utf8Prefix(const wchar_t *text, size_t room, size_t *bytes)
{
    size_t units = 0, taken = 0;
    while (units < INT_MAX - 1 && text[units]) {
        unsigned c = text[units];
        size_t span = 1, size = 3;
        if (c < 0x80)
            size = 1;
        else if (c < 0x800)
            size = 2;
        else if (IS_HIGH_SURROGATE(c) && IS_LOW_SURROGATE(text[units + 1]))
            span = 2, size = 4;
        if (size > room - taken)
            break;
        taken += size;
        units += span;
    }
    *bytes = taken;
    return units;
}

size_t Utf8Length(const wchar_t *text)
{
    size_t bytes = 0;
    if (text)
        Utf8Prefix(text, (size_t)-1, &bytes);
    return bytes;
}

size_t CutToUtf8Size(wchar_t *text, size_t room)
{
    size_t bytes = 0, units = text ? Utf8Prefix(text, room, &bytes) : 0;
    if (text)
        text[units] = 0;
    return units;
}

size_t TextToUtf8(const wchar_t *text, char *out, size_t cap)
{
    if (!out || cap == 0)
        return 0;
    out[0] = 0;
    if (!text)
        return 0;
    // Converted at once when it fits, in one pass; else counted first and
    // cut before a character.
    int whole = cap <= INT_MAX ? WideCharToMultiByte(CP_UTF8, 0, text, -1, out, (int)cap, NULL, NULL) : 0;
    if (whole > 0)
        return (size_t)whole - 1;
    out[0] = 0;
    size_t bytes = 0;
    size_t units = Utf8Prefix(text, cap - 1, &bytes);
    if (units == 0)
        return 0;
    int written = WideCharToMultiByte(CP_UTF8, 0, text, (int)units, out, (int)bytes, NULL, NULL);
    size_t n = written > 0 ? (size_t)written : 0;
    out[n] = 0;
    return n;
}

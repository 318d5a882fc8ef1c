// Text helpers: bounded copies, templates and UTF-8 conversions that never
// write past their buffer and never split a character.
#include "app/main_dialog.h"

#include <string.h>
#include <string>
#include <vector>

// Largest n' <= n such that text[0..n') does not end in the first half of
// a surrogate pair whose second half is text[n'].
static size_t BoundaryBefore(const wchar_t *text, size_t n)
{
    if (n > 0 && IS_HIGH_SURROGATE(text[n - 1]) && IS_LOW_SURROGATE(text[n]))
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
        n = BoundaryBefore(text, cap - 1);
    if (n)
        memmove(out, text, n * sizeof(wchar_t));
    out[n] = 0;
    return n;
}

void FillTemplate(wchar_t *out, size_t cap, const wchar_t *templ,
                  std::initializer_list<const wchar_t *> args)
{
    std::wstring text;
    auto arg = args.begin();
    for (const wchar_t *p = templ ? templ : L""; *p; p++) {
        if (p[0] == L'%' && p[1] == L's' && arg != args.end()) {
            text += *arg ? *arg : L"";
            ++arg;
            p++;
        } else {
            text += *p;
        }
    }
    CopyText(out, cap, text.c_str(), text.size());
}

size_t Utf8ToText(const char *bytes, size_t len, wchar_t *out, size_t cap)
{
    if (!out || cap == 0)
        return 0;
    out[0] = 0;
    if (!bytes || len == 0 || len > 0x7FFFFFFF)
        return 0;
    int need = MultiByteToWideChar(CP_UTF8, 0, bytes, (int)len, NULL, 0);
    if (need <= 0)
        return 0;
    if ((size_t)need < cap) {
        int written = MultiByteToWideChar(CP_UTF8, 0, bytes, (int)len, out, need);
        out[written > 0 ? written : 0] = 0;
        return written > 0 ? written : 0;
    }
    // Too long for the field: convert all of it, then keep what fits.
    std::vector<wchar_t> all(need);
    int written = MultiByteToWideChar(CP_UTF8, 0, bytes, (int)len, all.data(), need);
    return CopyText(out, cap, all.data(), written > 0 ? written : 0);
}

size_t TextToUtf8(const wchar_t *text, char *out, size_t cap)
{
    if (!out || cap == 0)
        return 0;
    out[0] = 0;
    if (!text)
        return 0;
    size_t units = wcslen(text);
    if (units == 0 || units > 0x7FFFFFFF)
        return 0;
    int need = WideCharToMultiByte(CP_UTF8, 0, text, (int)units, NULL, 0, NULL, NULL);
    if (need <= 0)
        return 0;
    if ((size_t)need >= cap) {
        // Keep the longest run of whole characters whose UTF-8 form fits.
        // A lone surrogate turns into U+FFFD, three bytes like any other
        // character of the basic plane above U+07FF.
        size_t bytes = 0, i = 0;
        while (i < units) {
            unsigned c = text[i];
            size_t step = 1, size;
            if (c < 0x80)
                size = 1;
            else if (c < 0x800)
                size = 2;
            else if (IS_HIGH_SURROGATE(c) && i + 1 < units && IS_LOW_SURROGATE(text[i + 1]))
                size = 4, step = 2;
            else
                size = 3;
            if (bytes + size > cap - 1)
                break;
            bytes += size;
            i += step;
        }
        units = i;
        if (units == 0)
            return 0;
    }
    int written = WideCharToMultiByte(CP_UTF8, 0, text, (int)units, out, (int)(cap - 1), NULL, NULL);
    if (written <= 0)
        written = 0;
    out[written] = 0;
    return written;
}

// The paths of the client's registry keys.
#include "store/icq_keys.h"

// Appends text to the *length units of out, terminated; false when it does
// not fit within cap units.
static bool AppendPart(wchar_t *out, size_t cap, size_t *length, const wchar_t *text)
{
    for (; *text; text++) {
        if (*length + 1 >= cap)
            return false;
        out[(*length)++] = *text;
    }
    out[*length] = 0;
    return true;
}

bool AccountKeyPath(const wchar_t *icq, const wchar_t *leaf, wchar_t *out, size_t cap)
{
    if (!out || cap == 0)
        return false;
    size_t length = 0;
    out[0] = 0;
    bool fits = AppendPart(out, cap, &length, ICQ_KEY_PATH L"\\NewOwners\\") &&
                AppendPart(out, cap, &length, icq ? icq : L"");
    if (fits && leaf && *leaf)
        fits = AppendPart(out, cap, &length, L"\\") && AppendPart(out, cap, &length, leaf);
    if (fits)
        return true;
    out[0] = 0;
    return false;
}

// The paths of the client's registry keys.
#include "store/icq_keys.h"

#include <stdio.h>

bool AccountKeyPath(const wchar_t *icq, const wchar_t *leaf, wchar_t *out, size_t cap)
{
    if (!out || cap == 0)
        return false;
    bool whole = leaf && *leaf;
    int length = swprintf(out, cap, whole ? ICQ_KEY_PATH L"\\NewOwners\\%ls\\%ls" : ICQ_KEY_PATH L"\\NewOwners\\%ls",
                          icq ? icq : L"", leaf);
    if (length > 0 && (size_t)length < cap)
        return true;
    out[0] = 0;
    return false;
}

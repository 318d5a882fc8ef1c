// Account selection.
#include "store/account.h"

#include <wchar.h>

bool IsValidIcqNumber(const wchar_t *text)
{
    if (!text)
        return false;
    wchar_t *end = NULL;
    long value = wcstol(text, &end, 10);
    // Unsigned difference: one comparison covers both bounds. 2147483647,
    // which an overflowing parse also gives, is out of range.
    return *end == 0 && (unsigned long)value - 10000ul <= 2147473646ul;
}

// The program's version number and its text form.
#include "app/program_version.h"

#include "app/text.h"
#include "version.h"

const int ProgramVersion = ORBELAN_PROGRAM_VERSION;

void FormatVersion(int version, wchar_t *out, size_t cap)
{
    // Digits of a version above 9999 (a server may announce one) would not
    // fit one place; the thousands are then written out in full.
    unsigned v = version < 0 ? 0u : (unsigned)version;
    wchar_t text[16]; // at most 7 digits, the point, 2 digits and a letter
    int length = wsprintfW(text, L"%u.%u%u", v / 1000, (v % 1000) / 100, (v % 100) / 10);
    if (v % 10)
        text[length++] = (wchar_t)(0x60 + v % 10);
    text[length] = 0;
    CopyText(out, cap, text);
}

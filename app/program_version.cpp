// The program's version number and its text form.
#include "app/program_version.h"

#include "app/text.h"
#include "version.h"

#include <string>

const int ProgramVersion = ORBELAN_PROGRAM_VERSION;

void FormatVersion(int version, wchar_t *out, size_t cap)
{
    // Digits of a version above 9999 (a server may announce one) would not
    // fit one place; the thousands are then written out in full.
    unsigned v = version < 0 ? 0u : (unsigned)version;
    std::wstring text = std::to_wstring(v / 1000);
    text += L'.';
    text += (wchar_t)(L'0' + (v % 1000) / 100);
    text += (wchar_t)(L'0' + (v % 100) / 10);
    if (v % 10)
        text += (wchar_t)(0x60 + v % 10);
    CopyText(out, cap, text.c_str(), text.size());
}

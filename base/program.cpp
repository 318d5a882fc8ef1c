// The program's own folder and its settings file Data.ini, its version
// number, the system libraries it loads on first use, and its message
// boxes.
#include "base/base.h"

#include "texts.h"
#include "version.h"

#include <shlwapi.h>

wchar_t SettingsPath[MAX_PATH];
const int ProgramVersion = ORBELAN_PROGRAM_VERSION;

bool ProgramFolderFile(const wchar_t *name, wchar_t (&out)[MAX_PATH])
{
    // Windows XP leaves a path that fills the buffer unterminated.
    DWORD length = GetModuleFileNameW(NULL, out, ARRAYSIZE(out));
    out[length < ARRAYSIZE(out) ? length : ARRAYSIZE(out) - 1] = 0;
    PathRemoveFileSpecW(out);
    return PathAppendW(out, name) != FALSE;
}

void BuildSettingsPath()
{
    // Should the name not fit, the path stays a directory: every read then
    // gives its default and every write fails, which is harmless.
    ProgramFolderFile(L"Data.ini", SettingsPath);
}

BOOL WriteSettingInt(const wchar_t *section, const wchar_t *key, int value, const wchar_t *file)
{
    wchar_t text[12]; // -2147483648 and the terminator
    wsprintfW(text, L"%d", value);
    return WritePrivateProfileStringW(section, key, text, file);
}

void FormatVersion(int version, wchar_t *out, size_t cap)
{
    // Digits of a version above 9999 (a server may announce one) would not
    // fit one place; the thousands are then written out in full.
    unsigned v = version < 0 ? 0u : (unsigned)version;
    wchar_t text[VersionTextSize]; // at most 7 digits, the point, 2 digits and a letter
    int length = wsprintfW(text, L"%u.%u%u", v / 1000, (v % 1000) / 100, (v % 100) / 10);
    if (v % 10)
        text[length++] = (wchar_t)(0x60 + v % 10);
    text[length] = 0;
    CopyText(out, cap, text);
}

FARPROC SystemFunction(const wchar_t *library, const char *name)
{
    wchar_t path[MAX_PATH];
    UINT length = GetSystemDirectoryW(path, ARRAYSIZE(path));
    if (length == 0 || length >= ARRAYSIZE(path) || !PathAppendW(path, library))
        return NULL;
    HMODULE module = LoadLibraryW(path);
    return module ? GetProcAddress(module, name) : NULL;
}

int ShowMessage(HWND owner, const wchar_t *text, UINT style)
{
    return MessageBoxW(owner, text, TXT_CAPTION, style);
}

int AskQuestion(const wchar_t *text)
{
    return ShowMessage(MainWindowHandle, text, MB_YESNO | MB_ICONQUESTION);
}

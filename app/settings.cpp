// The settings file Data.ini beside the executable.
#include "app/settings.h"

#include <shlwapi.h>

wchar_t SettingsPath[MAX_PATH];

bool ProgramFolderFile(const wchar_t *name, wchar_t out[MAX_PATH])
{
    // Windows XP leaves a path that fills the buffer unterminated.
    DWORD length = GetModuleFileNameW(NULL, out, MAX_PATH);
    out[length < MAX_PATH ? length : MAX_PATH - 1] = 0;
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
    wchar_t text[12];
    wsprintfW(text, L"%d", value);
    return WritePrivateProfileStringW(section, key, text, file);
}

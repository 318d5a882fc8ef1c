// The settings file Data.ini beside the executable.
#include "app/main_dialog.h"

#include <shlwapi.h>
#include <stdio.h>

wchar_t SettingsPath[MAX_PATH];

void BuildSettingsPath()
{
    // Windows XP leaves a path that fills the buffer unterminated.
    DWORD length = GetModuleFileNameW(NULL, SettingsPath, MAX_PATH);
    SettingsPath[length < MAX_PATH ? length : MAX_PATH - 1] = 0;
    PathRemoveFileSpecW(SettingsPath);
    // Should the name not fit, the path stays a directory: every read then
    // gives its default and every write fails, which is harmless.
    PathAppendW(SettingsPath, L"Data.ini");
}

BOOL WriteSettingInt(const wchar_t *section, const wchar_t *key, int value, const wchar_t *file)
{
    wchar_t text[12];
    swprintf(text, 12, L"%d", value);
    return WritePrivateProfileStringW(section, key, text, file);
}

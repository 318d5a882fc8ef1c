// The settings file Data.ini beside the executable, and the program's own
// folder.
#pragma once

#include <windows.h>

// Full path of Data.ini beside the executable; set while the main window
// initialises, before anything reads it, then never changed.
extern wchar_t SettingsPath[MAX_PATH];

// Writes the path of file name in the program's own folder into out.
// Returns false when it does not fit; out is then the folder alone.
bool ProgramFolderFile(const wchar_t *name, wchar_t out[MAX_PATH]);
// Builds SettingsPath from the executable's own path.
void BuildSettingsPath();
// Writes value in decimal as key of section in file; returns the result of
// WritePrivateProfileStringW, which every caller ignores.
BOOL WriteSettingInt(const wchar_t *section, const wchar_t *key, int value, const wchar_t *file);

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

void ReadSettingsSection(const wchar_t *section, SettingsSection *out)
{
    const DWORD size = ARRAYSIZE(out->entries);
    DWORD length = GetPrivateProfileSectionW(section, out->entries, size, SettingsPath);
    out->entries[size - 2] = 0;
    out->entries[size - 1] = 0;
    // A section that did not fit is cut inside an entry ("cx=1" of
    // "cx=1234"): the last entry is dropped with the rest.
    if (length >= size - 2) {
        DWORD last = size - 2;
        while (last > 0 && out->entries[last - 1])
            last--;
        out->entries[last] = 0;
    }
}

static bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t';
}

int SettingsInt(const SettingsSection &section, const wchar_t *key, int fallback)
{
    size_t keyLength = wcslen(key);
    for (const wchar_t *entry = section.entries; *entry; entry += wcslen(entry) + 1) {
        const wchar_t *equals = wcschr(entry, L'=');
        if (!equals)
            continue;
        const wchar_t *name = entry, *nameEnd = equals;
        while (IsBlank(*name))
            name++;
        while (nameEnd > name && IsBlank(nameEnd[-1]))
            nameEnd--;
        if ((size_t)(nameEnd - name) != keyLength || _wcsnicmp(name, key, keyLength) != 0)
            continue;
        const wchar_t *value = equals + 1;
        while (IsBlank(*value))
            value++;
        // The first entry of the key counts, as for the system's reads.
        return *value ? (int)wcstol(value, NULL, 10) : fallback;
    }
    return fallback;
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

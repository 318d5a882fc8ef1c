// Opening a page in the default browser: the command line of the browser
// the user chose for http, or else the one registered for the HTTP
// protocol, with the address in place of its "%1".
#include "web/web.h"

#include "base/base.h"

#include <shlwapi.h>
#include <string.h>

// Sizes of the command buffers, in UTF-16 units with the terminator.
static const size_t CommandSize = 260;
static const size_t LineSize = 1024;

// The user's choice of browser for http, from Windows Vista on; the command
// of the ProgId it names is read as the one registered for HTTP.
static const wchar_t ChoiceKey[] =
    L"Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\http\\UserChoice";
#define COMMAND_LEAF L"\\shell\\open\\command"
// A ProgId, in UTF-16 units with the terminator; the registry keeps key
// names to 255 characters.
static const size_t ProgIdSize = 256;

// Reads text value name (null: the default value) of key path below root
// into out, which holds cap units (at most CommandSize + 1): only text that
// ends within the cap - 1 units read counts. Returns 0, or -2 with out
// empty.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): key, then value, as the registry's own calls
static int ReadTextSetting(HKEY root, const wchar_t *path, const wchar_t *name, wchar_t *out, size_t cap)
{
    out[0] = 0; // no earlier content is ever taken for a setting
    HKEY key;
    if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return -2;
    wchar_t value[CommandSize + 1] = {};
    DWORD type = 0, size = (DWORD)(cap - 1) * (DWORD)sizeof(wchar_t);
    LONG status = RegQueryValueExW(key, name, NULL, &type, reinterpret_cast<BYTE *>(value), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return -2;
    size_t units = size / sizeof(wchar_t);
    size_t length = 0;
    while (length < units && value[length])
        length++;
    if (length == units)
        return -2;
    memcpy(out, value, (length + 1) * sizeof(wchar_t));
    return 0;
}

int ReadBrowserCommand(wchar_t *buffer)
{
    if (!buffer)
        return -1;
    // The browser the user chose, when its command is one to start.
    wchar_t progId[ProgIdSize];
    if (ReadTextSetting(HKEY_CURRENT_USER, ChoiceKey, L"ProgId", progId, ARRAYSIZE(progId)) == 0 && progId[0]) {
        wchar_t path[ProgIdSize + ARRAYSIZE(COMMAND_LEAF)];
        FillTemplate(path, ARRAYSIZE(path), L"%s" COMMAND_LEAF, {progId});
        if (ReadTextSetting(HKEY_CLASSES_ROOT, path, NULL, buffer, CommandSize + 1) == 0 && StrStrW(buffer, L"%1"))
            return 0;
    }
    return ReadTextSetting(HKEY_CLASSES_ROOT, L"HTTP" COMMAND_LEAF, NULL, buffer, CommandSize + 1);
}

int OpenInBrowser(const wchar_t *address)
{
    wchar_t line[LineSize], tail[CommandSize];
    if (ReadBrowserCommand(line) != 0)
        return -1;
    wchar_t *mark = StrStrW(line, L"%1");
    if (!mark)
        return -2;
    CopyText(tail, ARRAYSIZE(tail), mark + 2);
    size_t head = mark - line, length = address ? wcslen(address) : 0;
    if (head + length + wcslen(tail) >= ARRAYSIZE(line))
        return -3;
    memcpy(mark, address, length * sizeof(wchar_t));
    wcscpy(mark + length, tail);

    // The system takes the program from the first token of the line; the
    // browser is neither waited for nor watched.
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (CreateProcessW(NULL, line, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    return 0;
}

// Opening a page in the default browser: the command line registered for
// the HTTP protocol, with the address in place of its "%1".
#include "web/web.h"

#include "base/base.h"

#include <shlwapi.h>
#include <string.h>

// Sizes of the command buffers, in UTF-16 units with the terminator.
static const size_t CommandSize = 260;
static const size_t LineSize = 1024;

int ReadBrowserCommand(wchar_t *buffer)
{
    if (!buffer)
        return -1;
    buffer[0] = 0; // no earlier content is ever taken for a command
    HKEY key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"HTTP\\shell\\open\\command", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return -2;
    wchar_t value[CommandSize + 1] = {};
    DWORD type = 0, size = CommandSize * sizeof(wchar_t);
    LONG status = RegQueryValueExW(key, NULL, NULL, &type, reinterpret_cast<BYTE *>(value), &size);
    RegCloseKey(key);
    // Only text that ends within what was read counts as a command.
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return -2;
    size_t units = size / sizeof(wchar_t);
    size_t length = 0;
    while (length < units && value[length])
        length++;
    if (length == units)
        return -2;
    memcpy(buffer, value, (length + 1) * sizeof(wchar_t));
    return 0;
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

// The event log EVENTS.Kvt: one time-stamped line per event, appended.
#include "diag/diag.h"

#include <string.h>
#include <vector>

// Longest line without its line end.
static const size_t MaxLineLength = 1023;

std::string FormatLogLine(const SYSTEMTIME &time, const char *message)
{
    char stamp[64]; // five numbers of up to 5 digits and two of up to 2 fit
    int length = wsprintfA(stamp, "[%d.%d.%02d %d:%02d:%02d.%03d]: ", time.wDay, time.wMonth, time.wYear % 100,
                           time.wHour, time.wMinute, time.wSecond, time.wMilliseconds);
    std::string line(stamp, length > 0 ? length : 0);

    // Cut an overlong message where a character of the ANSI code page
    // ends, never inside a double-byte character.
    size_t room = MaxLineLength > line.size() ? MaxLineLength - line.size() : 0;
    const char *end = message ? message : "";
    const char *start = end;
    while (*end) {
        const char *next = CharNextA(end);
        if (next == end || (size_t)(next - start) > room)
            break;
        end = next;
    }
    line.append(start, end);
    return line;
}

void LogEvent(const char *message)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::string line = FormatLogLine(now, message);
    line += "\r\n";

    // No sharing restriction: other programs may read or write the file
    // meanwhile.
    HANDLE file = CreateFileW(L"EVENTS.Kvt", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return; // a log that cannot be written loses the line, silently

    // Finding the end and writing there must not interleave with another
    // writer (the version check's thread, another copy of the program).
    // Writers take turns on a lock of one byte far past any real data, so
    // readers of the log are never blocked; after about a second of
    // waiting the line is written all the same.
    OVERLAPPED turn = {};
    turn.Offset = 0;
    turn.OffsetHigh = 0x7FFFFFFF;
    BOOL locked = FALSE;
    for (int attempt = 0; attempt < 100; attempt++) {
        locked = LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &turn);
        if (locked)
            break;
        Sleep(10);
    }
    DWORD written;
    LARGE_INTEGER start = {};
    if (SetFilePointerEx(file, start, NULL, FILE_END))
        WriteFile(file, line.data(), (DWORD)line.size(), &written, NULL);
    if (locked)
        UnlockFileEx(file, 0, 1, 0, &turn);
    CloseHandle(file);
}

void LogEventW(const wchar_t *message)
{
    if (!message)
        message = L"";
    // Measured first: in a double-byte code page a character may take two.
    int size = WideCharToMultiByte(CP_ACP, 0, message, -1, NULL, 0, NULL, NULL);
    if (size <= 0)
        return;
    std::vector<char> text(size, 0);
    if (WideCharToMultiByte(CP_ACP, 0, message, -1, text.data(), size, NULL, NULL) <= 0)
        return;
    text[size - 1] = 0;
    LogEvent(text.data());
}

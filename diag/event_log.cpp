// The event log EVENTS.Kvt: one time-stamped line per event, appended.
#include "diag/diag.h"

#include "base/base.h"

#include <string.h>

// Longest line without its line end.
static const size_t MaxLineLength = 1023;

size_t FormatLogLine(const SYSTEMTIME &time, const char *message, char *out, size_t cap)
{
    if (!out || cap == 0)
        return 0;
    size_t limit = cap - 1 < MaxLineLength ? cap - 1 : MaxLineLength;
    char stamp[64]; // five numbers of up to 5 digits and two of up to 2 fit
    int length = wsprintfA(stamp, "[%d.%d.%02d %d:%02d:%02d.%03d]: ", time.wDay, time.wMonth, time.wYear % 100,
                           time.wHour, time.wMinute, time.wSecond, time.wMilliseconds);
    size_t n = 0;
    // cppcheck-suppress knownConditionTrueFalse ; a false positive: limit is 0 only when cap is 1
    for (int i = 0; i < length && n < limit; i++)
        out[n++] = stamp[i];

    // Cut an overlong message where a character of the ANSI code page
    // ends, never inside a double-byte character.
    size_t room = limit - n;
    const char *end = message ? message : "";
    const char *start = end;
    while (*end) {
        const char *next = CharNextA(end);
        if (next == end || (size_t)(next - start) > room)
            break;
        end = next;
    }
    memcpy(out + n, start, end - start);
    n += end - start;
    out[n] = 0;
    return n;
}

void LogEvent(const char *message)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    char line[MaxLineLength + 3]; // the line, its line end and the terminator
    size_t length = FormatLogLine(now, message, line, MaxLineLength + 1);
    line[length++] = '\r';
    line[length++] = '\n';

    // No sharing restriction: other programs may read or write the file
    // meanwhile.
    HANDLE file = CreateFileW(L"EVENTS.Kvt", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return; // a log that cannot be written loses the line, silently

    // Finding the end and writing there must not interleave with another
    // writer (the version check's thread, another copy of the program).
    // Writers take turns on a lock of one byte far past any real data, so
    // readers of the log are never blocked. A writer waits only while
    // another holds the lock, and after about a second writes the line all
    // the same; where the file cannot be locked at all (a file system
    // without locks) no turn will come, and the line is written at once.
    OVERLAPPED turn = {};
    turn.Offset = 0;
    turn.OffsetHigh = 0x7FFFFFFF;
    BOOL locked = FALSE;
    for (int attempt = 0; attempt < 100; attempt++) {
        locked = LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &turn);
        if (locked || GetLastError() != ERROR_LOCK_VIOLATION)
            break;
        Sleep(10);
    }
    DWORD written;
    LARGE_INTEGER start = {};
    if (SetFilePointerEx(file, start, NULL, FILE_END))
        WriteFile(file, line, (DWORD)length, &written, NULL);
    if (locked)
        UnlockFileEx(file, 0, 1, 0, &turn);
    CloseHandle(file);
}

void LogEventW(const wchar_t *message)
{
    if (!message)
        message = L"";
    // A line holds at most MaxLineLength bytes, and every unit takes at
    // least one: more units than that never reach the log. Each unit takes
    // at most three bytes in any ANSI code page.
    size_t units = 0;
    while (units < MaxLineLength && message[units])
        units++;
    if (message[units])
        units = CutAtCharacter(message, units);
    char text[3 * MaxLineLength + 1];
    int size = units ? WideCharToMultiByte(CP_ACP, 0, message, (int)units, text, ARRAYSIZE(text) - 1, NULL, NULL) : 0;
    if (units && size <= 0)
        return;
    text[size] = 0;
    LogEvent(text);
}

// Stands in for a web browser in the tests: registered as the command of
// the HTTP protocol, it appends the command line it was started with (one
// line, UTF-8) to the file that ORBELAN_BROWSER_LOG names.
#include <windows.h>

int wmain()
{
    wchar_t log[MAX_PATH];
    if (!GetEnvironmentVariableW(L"ORBELAN_BROWSER_LOG", log, MAX_PATH))
        return 1;
    const wchar_t *line = GetCommandLineW();
    char bytes[8192];
    int size = WideCharToMultiByte(CP_UTF8, 0, line, -1, bytes, sizeof bytes - 2, NULL, NULL);
    if (size <= 0)
        return 2;
    bytes[size - 1] = '\n';
    HANDLE file = CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 3;
    DWORD written;
    WriteFile(file, bytes, size, &written, NULL);
    CloseHandle(file);
    return 0;
}

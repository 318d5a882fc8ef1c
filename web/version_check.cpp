// The start-up version check: the home page's version file, read in the
// background, and what the user is told about it.
#include "web/web.h"

#include "diag/diag.h"
#include "dialogs/dialogs.h"
#include "home_url.h"
#include "resource.h"
#include "texts.h"

#include <objbase.h>
#include <shlwapi.h>
#include <stdlib.h>
#include <urlmon.h>

int ParseVersion(const char bytes[5])
{
    char text[6] = {};
    memcpy(text, bytes, 5);
    return (int)strtol(text, NULL, 10);
}

// The download machinery (urlmon, and COM from ole32) is loaded on first
// use, on the version check's thread, rather than imported: loading those
// libraries and the many they pull in would otherwise delay every start
// before the main window shows. Loaded by full path from the system folder,
// never from wherever the program was started. Once loaded they stay for
// the life of the process, as an import would: COM may keep using them
// after the call that needed them. Each use looks its function up again,
// which for a library already loaded only counts up its references.
static FARPROC SystemFunction(const wchar_t *library, const char *name)
{
    wchar_t path[MAX_PATH];
    UINT length = GetSystemDirectoryW(path, ARRAYSIZE(path));
    if (length == 0 || length >= ARRAYSIZE(path) || !PathAppendW(path, library))
        return NULL;
    HMODULE module = LoadLibraryW(path);
    return module ? GetProcAddress(module, name) : NULL;
}

template <class Function>
static Function SystemFunction(const wchar_t *library, const char *name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(SystemFunction(library, name)));
}

int FetchLatestVersionFrom(const wchar_t *url)
{
    auto download = SystemFunction<decltype(&URLDownloadToFileW)>(L"urlmon.dll", "URLDownloadToFileW");
    if (!download)
        return -1;

    wchar_t local[MAX_PATH];
    if (!ProgramFolderFile(L"version.txt", local))
        return -1;

    if (download(NULL, url, local, 0, NULL) != S_OK)
        return -1;
    HANDLE file = CreateFileW(local, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return -2;
    char bytes[5] = {'0', '0', '0', '0', 0};
    DWORD read = 0;
    BOOL ok = ReadFile(file, bytes, sizeof bytes, &read, NULL);
    CloseHandle(file);
    DeleteFileW(local);
    return ok ? ParseVersion(bytes) : -3;
}

int FetchLatestVersion()
{
    return FetchLatestVersionFrom(ORBELAN_HOME_URL L"/version.txt");
}

void ShowVersionCheckResult(int version)
{
    if (version < 1) {
        ShowNoticeOnce(IDD_NOTICE_NO_SERVER, L"3", MainWindowHandle);
        return;
    }
    if (version <= ProgramVersion)
        return;
    wchar_t text[VersionTextSize], question[256];
    FormatVersion(version, text, ARRAYSIZE(text));
    FillTemplate(question, ARRAYSIZE(question), TXT_ASK_NEW_VERSION, {text});
    if (ShowMessage(MainWindowHandle, question, MB_ICONQUESTION | MB_YESNO) == IDYES)
        OpenInBrowser(ORBELAN_HOME_URL);
}

DWORD WINAPI UpdateCheckThread(LPVOID)
{
    // The download machinery is COM: the thread joins an apartment of its
    // own for it.
    auto join = SystemFunction<decltype(&CoInitializeEx)>(L"ole32.dll", "CoInitializeEx");
    auto leave = SystemFunction<decltype(&CoUninitialize)>(L"ole32.dll", "CoUninitialize");
    HRESULT com = join && leave ? join(NULL, COINIT_APARTMENTTHREADED) : E_FAIL;
    int version = FetchLatestVersion();
    if (SUCCEEDED(com))
        leave();
    if (version < 1)
        LogEvent("Connection to server failed");
    // What the user is told, the main window shows on its own thread: a
    // window made on another thread may end up behind its owner. A main
    // window already gone takes nothing, and nothing is lost.
    if (version < 1 || version > ProgramVersion)
        PostMessageW(MainWindowHandle, WM_VERSION_CHECKED, 0, (LPARAM)version);
    return 0;
}

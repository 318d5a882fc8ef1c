// The start-up version check: the home page's version file, read in the
// background, and what the user is told about it.

// The download's callback below is a plain table of procedures, as the
// system's C headers declare it.
#define CINTERFACE
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
// use, on the version check's thread, rather than imported (SystemFunction):
// loading those libraries and the many they pull in would otherwise delay
// every start before the main window shows.

// The version file is a number and a line end; a server that sends more is
// not the program's, and what it sends is never stored past this.
static const DWORD LongestVersionFile = 4096;

/* ---- The download's callback --------------------------------------------- */
// Asks for the newest version of the file, past any cache, and keeps none;
// ends the download once it runs past LongestVersionFile. It keeps no state:
// one object serves every download and outlives each, so no reference that
// the download machinery keeps can point at anything gone.

static HRESULT STDMETHODCALLTYPE WatchQueryInterface(IBindStatusCallback *watch, REFIID id, void **out)
{
    if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IBindStatusCallback)) {
        *out = watch;
        return S_OK;
    }
    *out = NULL;
    return E_NOINTERFACE;
}

static ULONG STDMETHODCALLTYPE WatchAddRef(IBindStatusCallback *) { return 2; }
static ULONG STDMETHODCALLTYPE WatchRelease(IBindStatusCallback *) { return 1; }
static HRESULT STDMETHODCALLTYPE WatchOnStartBinding(IBindStatusCallback *, DWORD, IBinding *) { return S_OK; }
static HRESULT STDMETHODCALLTYPE WatchGetPriority(IBindStatusCallback *, LONG *) { return E_NOTIMPL; }
static HRESULT STDMETHODCALLTYPE WatchOnLowResource(IBindStatusCallback *, DWORD) { return S_OK; }

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the system's OnProgress signature
static HRESULT STDMETHODCALLTYPE WatchOnProgress(IBindStatusCallback *, ULONG progress, ULONG progressMax,
                                                 ULONG status, LPCWSTR)
{
    bool data = status == BINDSTATUS_BEGINDOWNLOADDATA || status == BINDSTATUS_DOWNLOADINGDATA ||
                status == BINDSTATUS_ENDDOWNLOADDATA;
    return data && (progress > LongestVersionFile || progressMax > LongestVersionFile) ? E_ABORT : S_OK;
}

static HRESULT STDMETHODCALLTYPE WatchOnStopBinding(IBindStatusCallback *, HRESULT, LPCWSTR) { return S_OK; }

static HRESULT STDMETHODCALLTYPE WatchGetBindInfo(IBindStatusCallback *, DWORD *flags, BINDINFO *info)
{
    // Not an answer kept from an earlier start, which would hide a new
    // release, nor one kept for the next.
    *flags = BINDF_GETNEWESTVERSION | BINDF_NOWRITECACHE | BINDF_PRAGMA_NO_CACHE;
    DWORD size = info->cbSize;
    memset(info, 0, size);
    info->cbSize = size;
    info->dwBindVerb = BINDVERB_GET;
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE WatchOnDataAvailable(IBindStatusCallback *, DWORD, DWORD, FORMATETC *, STGMEDIUM *)
{
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE WatchOnObjectAvailable(IBindStatusCallback *, REFIID, IUnknown *) { return S_OK; }

static IBindStatusCallbackVtbl WatchProcedures = {
    WatchQueryInterface, WatchAddRef,      WatchRelease,       WatchOnStartBinding,
    WatchGetPriority,    WatchOnLowResource, WatchOnProgress,  WatchOnStopBinding,
    WatchGetBindInfo,    WatchOnDataAvailable, WatchOnObjectAvailable,
};
static IBindStatusCallback DownloadWatch = {&WatchProcedures};

/* ---- The check ------------------------------------------------------------- */

int FetchLatestVersionFrom(const wchar_t *url)
{
    auto download = SystemFunction<decltype(&URLDownloadToFileW)>(L"urlmon.dll", "URLDownloadToFileW");
    if (!download)
        return -1;

    wchar_t local[MAX_PATH];
    if (!ProgramFolderFile(L"version.txt", local))
        return -1;

    if (download(NULL, url, local, 0, &DownloadWatch) != S_OK) {
        // A download ended halfway may have left its part.
        DeleteFileW(local);
        return -1;
    }
    HANDLE file = CreateFileW(local, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return -2;
    // A download that ran past the limit before it could be stopped counts
    // as failed, as one that was stopped does.
    LARGE_INTEGER size;
    if (GetFileSizeEx(file, &size) && size.QuadPart > LongestVersionFile) {
        CloseHandle(file);
        DeleteFileW(local);
        return -1;
    }
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

/* ---- The thread ----------------------------------------------------------- */

// Set once the main window shows; it lives as long as the process. Until
// then the check waits: loading the download machinery holds the loader's
// lock and keeps the system busy for tens of milliseconds, which the
// window's own start-up would otherwise spend waiting. Without the event
// the check does not wait; a window still hidden (the user takes long over
// the account's input box) keeps it waiting no longer than
// LongestWaitForWindow.
static HANDLE WindowShown = CreateEventW(NULL, TRUE, FALSE, NULL);
static const DWORD LongestWaitForWindow = 10000;

void LetVersionCheckBegin()
{
    if (WindowShown)
        SetEvent(WindowShown);
}

DWORD WINAPI UpdateCheckThread(LPVOID)
{
    if (WindowShown)
        WaitForSingleObject(WindowShown, LongestWaitForWindow);
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

// Drives the real Orbelan.exe from outside, as a user would, and saves
// pictures of its windows as PNG files:
//   orbelan_screenshot_driver.exe <Orbelan.exe> <folder>
//       every window, for the user guide; expects a first start of the
//       demo account (Data.ini beside the program without [Infos])
//   orbelan_screenshot_driver.exe --main <Orbelan.exe> <file.png>
//       the main window only, after answering the start-up notices with OK
// The program runs in the driver's current directory and is closed with
// Storno at the end. Exit code 0 when every picture was saved.
#include "screen_capture.h"
#include "window_find.h"

#include "resource.h"
#include "store/status_store.h"

#include <commctrl.h>
#include <shlwapi.h>
#include <stdio.h>
#include <functional>
#include <string>
#include <vector>

// The program being driven.
static PROCESS_INFORMATION Program;
// Where the pictures of the tour go, ending in a backslash.
static std::wstring PictureFolder;

static const DWORD WindowWait = 15000;
// Time the version check gets to fail and show notice 109; it takes well
// under a second for the reserved home-page name.
static const DWORD VersionCheckTime = 2000;

// The first words of the notices and the error report, as the program
// shows them.
static const wchar_t OldIcqTitle[] = L"Program Orbelan! NENÍ";
static const wchar_t HighIconsTitle[] = L"Ikonky s číslem větším než 29";
static const wchar_t NoServerTitle[] = L"Nepodařilo se připojit";
static const wchar_t ReportStart[] = L"Chyba aplikace!";

typedef std::function<bool(HWND)> WindowKind;

static bool Fail(const std::wstring &what)
{
    fwprintf(stderr, L"orbelan_screenshot_driver: %ls\n", what.c_str());
    return false;
}

static bool ControlTextStarts(HWND dialog, int id, const wchar_t *start)
{
    HWND control = GetDlgItem(dialog, id);
    return control && WindowText(control).compare(0, wcslen(start), start) == 0;
}

// The visible top-level windows of the program.
static std::vector<HWND> ProgramWindows()
{
    return VisibleWindowsOf(Program.dwProcessId);
}

/* ---- The program's windows, told apart by their controls ----------------- */

static bool IsMainWindow(HWND window)
{
    return GetDlgItem(window, IDC_STATUS_LIST) != NULL;
}

static WindowKind Notice(const wchar_t *title)
{
    return [title](HWND window) { return ControlTextStarts(window, IDC_NOTICE_TITLE, title); };
}

static bool IsInputBox(HWND window)
{
    return GetDlgItem(window, IDC_INPUT_TEXT) && GetDlgItem(window, IDC_INPUT_PROMPT);
}

static bool IsStatusEditor(HWND window)
{
    return GetDlgItem(window, IDC_ICON_PICKER) != NULL;
}

static bool IsAboutBox(HWND window)
{
    return GetDlgItem(window, IDC_ABOUT_TITLE) != NULL;
}

static bool IsDefaultMessage(HWND window)
{
    return GetDlgItem(window, IDC_MESSAGE_TEXT) != NULL;
}

// A message box keeps its text in the static control 0xFFFF.
static bool IsErrorReport(HWND window)
{
    return ControlTextStarts(window, 0xFFFF, ReportStart);
}

/* ---- Acting on them ------------------------------------------------------ */

// The first enabled window of the kind, within the wait; null if none came.
static HWND WaitForWindow(const WindowKind &kind, const wchar_t *name)
{
    for (DWORD start = GetTickCount(); GetTickCount() - start < WindowWait;) {
        for (HWND window : ProgramWindows())
            if (IsWindowEnabled(window) && kind(window))
                return window;
        if (WaitForSingleObject(Program.hProcess, 50) == WAIT_OBJECT_0)
            break;
    }
    Fail(std::wstring(L"no ") + name + L" came up");
    return NULL;
}

static bool WaitGone(HWND window)
{
    for (DWORD start = GetTickCount(); GetTickCount() - start < WindowWait; Sleep(20))
        if (!IsWindow(window))
            return true;
    return Fail(L"a window did not close: " + WindowText(window));
}

static void PostClick(HWND dialog, int id)
{
    HWND button = GetDlgItem(dialog, id);
    if (button)
        PostMessageW(button, BM_CLICK, 0, 0);
    else
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

// Clicks a button that closes the window, and waits until it is gone.
static bool Answer(HWND window, int id)
{
    PostClick(window, id);
    return WaitGone(window);
}

// Makes window the active one, as it is when the user works in it.
static void Activate(HWND window)
{
    if (GetForegroundWindow() != window)
        SetForegroundWindow(window);
    // Returns once the window's thread has handled what came before.
    DWORD_PTR ignored;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
}

// Saves window, and any drop-down list of the program that is open over
// or below it, as name in the picture folder (or as the file path given).
static bool Capture(HWND window, const std::wstring &name)
{
    Activate(window);
    Sleep(700); // painting comes last in a thread's queue
    RECT area;
    GetWindowRect(window, &area);
    for (HWND other : ProgramWindows()) {
        wchar_t className[32] = L"";
        GetClassNameW(other, className, 32);
        RECT list;
        if (!lstrcmpiW(className, L"ComboLBox") && GetWindowRect(other, &list))
            UnionRect(&area, &area, &list);
    }
    std::wstring file = PictureFolder + name;
    if (!SaveScreenArea(area, file.c_str()))
        return Fail(L"cannot write " + file);
    return true;
}

static bool StartProgram(const wchar_t *exe)
{
    std::wstring line = L"\"" + std::wstring(exe) + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessW(exe, &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &Program))
        return Fail(L"cannot start " + std::wstring(exe));
    return true;
}

// Storno: the program ends without saving the list.
static bool EndProgram(HWND main)
{
    if (!WaitForWindow(IsMainWindow, L"enabled main window"))
        return false;
    PostClick(main, IDCANCEL);
    if (WaitForSingleObject(Program.hProcess, WindowWait) != WAIT_OBJECT_0)
        return Fail(L"the program did not end after Storno");
    return true;
}

// Answers the notices of a start-up with OK and returns the main window
// once it shows with none left. Notice 109 comes from the version check
// beside notice 107, and is answered first and waited for: under Wine the
// main window can stay hidden when it shows while 109 is going away. So
// 107, and the main window, count only once the check had its time. With
// pictures, each notice is saved before it is answered.
static HWND PassStartNotices(bool pictures)
{
    WindowKind isOldIcq = Notice(OldIcqTitle), isNoServer = Notice(NoServerTitle);
    bool savedOldIcq = false, savedNoServer = false;
    DWORD start = GetTickCount(), quietSince = start;
    while (GetTickCount() - start < 3 * WindowWait) {
        HWND main = NULL, oldIcq = NULL, noServer = NULL;
        for (HWND window : ProgramWindows()) {
            if (IsMainWindow(window))
                main = window;
            else if (isOldIcq(window))
                oldIcq = window;
            else if (isNoServer(window))
                noServer = window;
        }
        bool settled = GetTickCount() - quietSince >= VersionCheckTime;
        if (noServer) {
            if (pictures && !(savedNoServer = Capture(noServer, L"notice-109.png")))
                return NULL;
            if (!Answer(noServer, IDOK))
                return NULL;
            quietSince = GetTickCount();
        } else if (oldIcq && settled) {
            if (pictures && !(savedOldIcq = Capture(oldIcq, L"notice-107.png")))
                return NULL;
            if (!Answer(oldIcq, IDOK))
                return NULL;
            quietSince = GetTickCount();
        } else if (main && !oldIcq && IsWindowEnabled(main) && settled) {
            if (pictures && !(savedOldIcq && savedNoServer)) {
                Fail(L"notices 107 and 109 must both show at a first start");
                return NULL;
            }
            return main;
        }
        if (WaitForSingleObject(Program.hProcess, 50) == WAIT_OBJECT_0)
            break;
    }
    Fail(L"the main window did not come up");
    return NULL;
}

// Every window but the start-up notices, from the main window.
static bool TakeTour(HWND main)
{
    if (!Capture(main, L"main.png"))
        return false;

    // "změnit" asks for the ICQ#; Cancel keeps the account.
    PostClick(main, IDC_CHANGE_ACCOUNT);
    HWND box = WaitForWindow(IsInputBox, L"input box");
    if (!box || !Capture(box, L"input-box.png") || !Answer(box, IDCANCEL))
        return false;

    // A new status with icon 31, the picker open: OK shows notice 108.
    PostClick(main, IDC_ADD);
    HWND editor = WaitForWindow(IsStatusEditor, L"status editor");
    if (!editor)
        return false;
    HWND picker = (HWND)SendDlgItemMessageW(editor, IDC_ICON_PICKER, CBEM_GETCOMBOCONTROL, 0, 0);
    SendMessageW(picker, CB_SETCURSEL, 30, 0);
    SendDlgItemMessageW(editor, IDC_STATUS_TITLE, WM_SETTEXT, 0, (LPARAM)L"Na horách");
    SendDlgItemMessageW(editor, IDC_STATUS_TEXT, WM_SETTEXT, 0, (LPARAM)L"Lyžuji v Krkonoších, ozvu se v neděli.");
    Activate(editor);
    SendMessageW(picker, CB_SHOWDROPDOWN, TRUE, 0);
    bool saved = Capture(editor, L"editor-icons.png");
    SendMessageW(picker, CB_SHOWDROPDOWN, FALSE, 0);
    if (!saved)
        return false;
    PostClick(editor, IDOK);
    HWND highIcons = WaitForWindow(Notice(HighIconsTitle), L"notice 108");
    if (!highIcons || !Capture(highIcons, L"notice-108.png") || !Answer(highIcons, IDOK) || !WaitGone(editor))
        return false;

    PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDM_ABOUT, 0), 0);
    HWND about = WaitForWindow(IsAboutBox, L"About box");
    if (!about || !Capture(about, L"about.png") || !Answer(about, IDOK))
        return false;

    // The menu item is greyed; its command works all the same.
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDM_AWAY_MESSAGE, 0), 0);
    HWND message = WaitForWindow(IsDefaultMessage, L"default-message dialog");
    if (!message || !Capture(message, L"default-message.png") || !Answer(message, IDCANCEL))
        return false;

    // The status list taken away behind the program's back: "Použít"
    // cannot save and reports it. OK carries on (Storno would end it).
    wchar_t list[300];
    if (!AccountKeyPath(WindowText(GetDlgItem(main, IDC_ICQ_NUMBER)).c_str(), L"CustomStatusList", list, 300))
        return Fail(L"no status list path");
    DWORD status = SHDeleteKeyW(HKEY_CURRENT_USER, list);
    if (status != ERROR_SUCCESS)
        return Fail(L"cannot delete the status list, error " + std::to_wstring(status));
    PostClick(main, IDC_APPLY);
    HWND report = WaitForWindow(IsErrorReport, L"error report");
    return report && Capture(report, L"error-report.png") && Answer(report, IDOK);
}

int wmain(int argc, wchar_t **argv)
{
    bool mainOnly = argc == 4 && !wcscmp(argv[1], L"--main");
    if (argc != 3 && !mainOnly) {
        fwprintf(stderr, L"usage: orbelan_screenshot_driver <Orbelan.exe> <folder>\n"
                         L"       orbelan_screenshot_driver --main <Orbelan.exe> <file.png>\n");
        return 2;
    }
    const wchar_t *exe = argv[mainOnly ? 2 : 1];
    if (!mainOnly) {
        PictureFolder = argv[2];
        if (PictureFolder.back() != L'\\')
            PictureFolder += L'\\';
    }
    // No pointer hovering over the pictures.
    SetCursorPos(0, 0);
    if (!StartProgram(exe))
        return 1;

    HWND main = PassStartNotices(!mainOnly);
    bool done = main && (mainOnly ? Capture(main, argv[3]) : TakeTour(main)) && EndProgram(main);
    if (!done && WaitForSingleObject(Program.hProcess, 0) == WAIT_TIMEOUT)
        TerminateProcess(Program.hProcess, 1);
    CloseHandle(Program.hThread);
    CloseHandle(Program.hProcess);
    return done ? 0 : 1;
}

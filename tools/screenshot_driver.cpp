// Drives the real Orbelan.exe from outside, as a user would, and saves
// pictures of its windows as PNG files:
//   orbelan_screenshot_driver.exe <Orbelan.exe> <folder>
//       every window and the two menus, for the user guide; expects a
//       first start of the demo account (Data.ini beside the program
//       without [Infos])
//   orbelan_screenshot_driver.exe --main <Orbelan.exe> <file.png>
//       the main window only, after answering the start-up notices with OK
//   orbelan_screenshot_driver.exe --scaled <Orbelan.exe> <folder> <suffix>
//       the main window and the status editor with its icons open, as
//       main<suffix>.png and editor<suffix>.png, after the notices
//   orbelan_screenshot_driver.exe --full <Orbelan.exe> <folder>
//       the main window with 32 statuses, at its smallest size and enlarged,
//       as main-32.png and main-32-large.png; the driver writes the 32
//       statuses into the account named in Data.ini and takes them away
//       afterwards
// The program runs in the driver's current directory and is closed with
// Storno at the end. Exit code 0 when every picture was saved.
#include "window_driver.h"

#include "resource.h"
#include "store/status_store.h"

#include <commctrl.h>
#include <shlwapi.h>
#include <stdio.h>
#include <functional>
#include <string>
#include <vector>

#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

// The program being driven.
static Process Program;
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
    return ControlText(dialog, id).compare(0, wcslen(start), start) == 0;
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
    HWND window = Program.WaitForWindow(kind, WindowWait);
    if (!window)
        Fail(std::wstring(L"no ") + name + L" came up");
    return window;
}

static bool WaitGone(HWND window)
{
    for (DWORD start = GetTickCount(); GetTickCount() - start < WindowWait; Sleep(20))
        if (!IsWindow(window))
            return true;
    return Fail(L"a window did not close: " + WindowText(window));
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

static void WriteBytes(void *file, void *data, int size)
{
    fwrite(data, 1, size, (FILE *)file);
}

// Copies the rectangle area of the screen (clipped to the screen) and
// writes it to file as a PNG picture. Returns whether the file was written.
static bool SaveScreenArea(RECT area, const wchar_t *file)
{
    RECT screen;
    GetWindowRect(GetDesktopWindow(), &screen);
    if (!IntersectRect(&area, &area, &screen))
        return false;
    int width = area.right - area.left, height = area.bottom - area.top;

    std::vector<unsigned char> rgb((size_t)width * height * 3);
    HDC screenDc = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screenDc);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *bits = NULL;
    HBITMAP bitmap = CreateDIBSection(screenDc, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    bool copied = false;
    if (memory && bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        copied = BitBlt(memory, 0, 0, width, height, screenDc, area.left, area.top, SRCCOPY) != 0;
        GdiFlush();
        const unsigned char *bgra = (const unsigned char *)bits;
        for (size_t i = 0; copied && i < (size_t)width * height; i++) {
            rgb[i * 3] = bgra[i * 4 + 2];
            rgb[i * 3 + 1] = bgra[i * 4 + 1];
            rgb[i * 3 + 2] = bgra[i * 4];
        }
        SelectObject(memory, old);
    }
    if (bitmap)
        DeleteObject(bitmap);
    if (memory)
        DeleteDC(memory);
    ReleaseDC(NULL, screenDc);
    if (!copied)
        return false;

    FILE *out = _wfopen(file, L"wb");
    if (!out)
        return false;
    bool written = stbi_write_png_to_func(WriteBytes, out, width, height, 3, rgb.data(), width * 3) != 0;
    written = !ferror(out) && written;
    return fclose(out) == 0 && written;
}

// Whether window is of the system's window class name.
static bool HasClass(HWND window, const wchar_t *name)
{
    wchar_t className[32] = L"";
    GetClassNameW(window, className, ARRAYSIZE(className));
    return !lstrcmpiW(className, name);
}

// An open popup menu: a top-level window of the system's class "#32768".
static bool IsPopupMenu(HWND window)
{
    return HasClass(window, L"#32768");
}

// Saves window, and any drop-down list or popup menu of the program that
// is open over or beside it, as name in the picture folder (or as the file
// path given).
static bool Capture(HWND window, const std::wstring &name)
{
    Activate(window);
    Sleep(700); // painting comes last in a thread's queue
    RECT area;
    GetWindowRect(window, &area);
    for (HWND other : Program.Windows()) {
        RECT list;
        if ((HasClass(other, L"ComboLBox") || IsPopupMenu(other)) && GetWindowRect(other, &list))
            UnionRect(&area, &area, &list);
    }
    std::wstring file = PictureFolder + name;
    if (!SaveScreenArea(area, file.c_str()))
        return Fail(L"cannot write " + file);
    return true;
}

// Storno: the program ends without saving the list.
static bool EndProgram(HWND main)
{
    if (!WaitForWindow(IsMainWindow, L"enabled main window"))
        return false;
    PostClick(main, IDCANCEL);
    if (Program.Wait(WindowWait) == STILL_ACTIVE)
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
        for (HWND window : Program.Windows()) {
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
        if (Program.Wait(50) != STILL_ACTIVE)
            break;
    }
    Fail(L"the main window did not come up");
    return NULL;
}

// Whether the thread of window has left menu mode and shows no popup menu.
static bool MenusClosed(HWND window)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, NULL), &info) || (info.flags & GUI_INMENUMODE))
        return false;
    for (HWND other : Program.Windows())
        if (IsPopupMenu(other))
            return false;
    return true;
}

// Cancels the menu mode of window, as the system does when another window
// takes over, and waits until its menus are gone. Esc would close a popup
// menu but leave the menu bar selected, and one Esc too many reaches the
// main window as Storno.
static bool CloseMenus(HWND window)
{
    SendMessageW(window, WM_CANCELMODE, 0, 0);
    for (DWORD start = GetTickCount(); GetTickCount() - start < WindowWait; Sleep(20))
        if (MenusClosed(window))
            return true;
    return Fail(L"the menus of a window did not close: " + WindowText(window));
}

// Saves the menu that came up over window, then closes it.
static bool CaptureMenu(HWND window, const wchar_t *what, const std::wstring &name)
{
    bool saved = WaitForWindow(IsPopupMenu, what) && Capture(window, name);
    return CloseMenus(window) && saved;
}

// Opens the status editor on a new status with icon 31 and its picker
// open, saves it as name with the picker, closes the picker and returns the
// editor (null when a step failed).
static HWND CaptureEditor(HWND main, const std::wstring &name)
{
    PostClick(main, IDC_ADD);
    HWND editor = WaitForWindow(IsStatusEditor, L"status editor");
    if (!editor)
        return NULL;
    HWND picker = (HWND)SendDlgItemMessageW(editor, IDC_ICON_PICKER, CBEM_GETCOMBOCONTROL, 0, 0);
    SendMessageW(picker, CB_SETCURSEL, 30, 0);
    SendDlgItemMessageW(editor, IDC_STATUS_TITLE, WM_SETTEXT, 0, (LPARAM)L"Na horách");
    SendDlgItemMessageW(editor, IDC_STATUS_TEXT, WM_SETTEXT, 0, (LPARAM)L"Lyžuji v Krkonoších, ozvu se v neděli.");
    Activate(editor);
    SendMessageW(picker, CB_SHOWDROPDOWN, TRUE, 0);
    bool saved = Capture(editor, name);
    SendMessageW(picker, CB_SHOWDROPDOWN, FALSE, 0);
    return saved ? editor : NULL;
}

// The main window and the status editor only, as main<suffix>.png and
// editor<suffix>.png: the pictures at another display scale.
static bool TakeScaledPictures(HWND main, const std::wstring &suffix)
{
    if (!Capture(main, L"main" + suffix + L".png"))
        return false;
    HWND editor = CaptureEditor(main, L"editor" + suffix + L".png");
    return editor && Answer(editor, IDCANCEL);
}

// Every window but the start-up notices, from the main window.
static bool TakeTour(HWND main)
{
    if (!Capture(main, L"main.png"))
        return false;

    // The menu "Možnosti" from the keyboard: Alt selects the menu bar, Down
    // opens its first menu on the first item, and Up three times, round past
    // the top, moves to "Exportovat statusy...", so that no greyed item is
    // the highlighted one.
    PostMessageW(main, WM_SYSCOMMAND, SC_KEYMENU, 0);
    for (UINT key : {VK_DOWN, VK_UP, VK_UP, VK_UP})
        PostMessageW(main, WM_KEYDOWN, key, 0);
    if (!CaptureMenu(main, L"menu \"Možnosti\"", L"menu-options.png"))
        return false;

    // The status list's context menu on a middle row, where every item can
    // act: the row chosen with the arrow keys, the menu opened as the
    // context-menu key opens it (below the row).
    HWND statuses = GetDlgItem(main, IDC_STATUS_LIST);
    PostMessageW(main, WM_NEXTDLGCTL, (WPARAM)statuses, TRUE);
    for (UINT key : {VK_HOME, VK_DOWN, VK_DOWN})
        PostMessageW(statuses, WM_KEYDOWN, key, 0);
    PostMessageW(statuses, WM_CONTEXTMENU, (WPARAM)statuses, -1);
    if (!CaptureMenu(main, L"context menu", L"context-menu.png"))
        return false;

    // "změnit" asks for the ICQ#; Cancel keeps the account.
    PostClick(main, IDC_CHANGE_ACCOUNT);
    HWND box = WaitForWindow(IsInputBox, L"input box");
    if (!box || !Capture(box, L"input-box.png") || !Answer(box, IDCANCEL))
        return false;

    // A new status with icon 31: OK shows notice 108.
    HWND editor = CaptureEditor(main, L"editor-icons.png");
    if (!editor)
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

/* ---- A full list ---------------------------------------------------------- */

// The account named in Data.ini in the current directory, and the path of
// its status list.
static std::wstring FullListPath()
{
    wchar_t icq[IcqSize] = L"", path[300] = L"";
    GetPrivateProfileStringW(L"ICQ", L"UIN", L"", icq, IcqSize, L".\\Data.ini");
    return AccountKeyPath(icq, L"CustomStatusList", path, 300) ? path : L"";
}

// Writes a status for each of the 32 icons, some with texts too long for
// their column.
static bool WriteFullList()
{
    static const wchar_t *const titles[] = {L"Na kafi", L"V práci", L"Na obědě", L"Poslouchám hudbu",
                                            L"Čtu si", L"Zamilovaný", L"Noční směna", L"Na sluníčku"};
    static const wchar_t *const texts[] = {
        L"Jsem na kávě, za chvíli jsem zpátky.",
        L"Pracuji, ozvu se večer. Naléhavé věci prosím telefonem, jinak e-mailem; odpovídám do druhého dne.",
        L"Oběd v kantýně, do půl hodiny jsem zpět.",
        L"Právě hraje: Smetana – Vltava",
    };
    std::wstring path = FullListPath();
    HKEY list;
    if (path.empty() ||
        RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &list, NULL) != ERROR_SUCCESS)
        return Fail(L"cannot make the status list of the account in Data.ini");
    RegCloseKey(list);
    StatusTable *table = new StatusTable();
    for (int i = 0; i < MaxStatuses; i++) {
        StatusRecord &record = table->Records[table->Count++];
        record.IconIndex = i + 1;
        record.On = i % 5 != 3;
        swprintf(record.Name, NameSize, L"%ls %d", titles[i % ARRAYSIZE(titles)], i + 1);
        wcscpy(record.Description, texts[i % ARRAYSIZE(texts)]);
    }
    wchar_t icq[IcqSize] = L"";
    GetPrivateProfileStringW(L"ICQ", L"UIN", L"", icq, IcqSize, L".\\Data.ini");
    bool written = WriteStatusList(icq, table, NULL) == 0;
    delete table;
    return written || Fail(L"cannot write the 32 statuses");
}

// The main window as it starts with 32 statuses, then enlarged to most of
// the screen.
static bool TakeFullListPictures(HWND main)
{
    if (!Capture(main, L"main-32.png"))
        return false;
    // Most of the 1024 x 768 screen the pictures are taken on.
    SetWindowPos(main, NULL, 60, 20, 880, 700, SWP_NOZORDER);
    return Capture(main, L"main-32-large.png");
}

int wmain(int argc, wchar_t **argv)
{
    bool mainOnly = argc == 4 && !wcscmp(argv[1], L"--main");
    bool scaled = argc == 5 && !wcscmp(argv[1], L"--scaled");
    bool full = argc == 4 && !wcscmp(argv[1], L"--full");
    if (argc != 3 && !mainOnly && !scaled && !full) {
        fwprintf(stderr, L"usage: orbelan_screenshot_driver <Orbelan.exe> <folder>\n"
                         L"       orbelan_screenshot_driver --main <Orbelan.exe> <file.png>\n"
                         L"       orbelan_screenshot_driver --scaled <Orbelan.exe> <folder> <suffix>\n"
                         L"       orbelan_screenshot_driver --full <Orbelan.exe> <folder>\n");
        return 2;
    }
    const wchar_t *exe = argv[mainOnly || scaled || full ? 2 : 1];
    if (full && !WriteFullList())
        return 1;
    if (!mainOnly) {
        PictureFolder = argv[scaled || full ? 3 : 2];
        if (PictureFolder.back() != L'\\')
            PictureFolder += L'\\';
    }
    // No pointer hovering over the pictures.
    SetCursorPos(0, 0);
    if (!Program.Start(exe)) {
        DWORD error = GetLastError();
        Fail(L"cannot start " + std::wstring(exe) + L", error " + std::to_wstring(error));
        return 1;
    }

    HWND main = PassStartNotices(!mainOnly && !scaled && !full);
    bool done = main &&
                (mainOnly ? Capture(main, argv[3])
                 : scaled ? TakeScaledPictures(main, argv[4])
                 : full   ? TakeFullListPictures(main)
                          : TakeTour(main)) &&
                EndProgram(main);
    Program.Release(); // ends the program if it still runs
    if (full)
        SHDeleteKeyW(HKEY_CURRENT_USER, FullListPath().c_str());
    return done ? 0 : 1;
}

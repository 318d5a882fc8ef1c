// The main window: its start-up and the table that hands every command to
// the operation behind it.
#include "app/main_dialog.h"

#include "diag/diag.h"
#include "dialogs/dialogs.h"
#include "home_url.h"
#include "resource.h"
#include "store/account.h"
#include "store/status_store.h"
#include "texts.h"
#include "web/web.h"

#include <shlwapi.h>

HWND MainWindowHandle;

// Two menu items send the commands of the buttons beside them; their cases
// below handle both.
static_assert(IDM_SAVE == IDC_APPLY, "\"Uložit změny\" is the button \"Použít\"");
static_assert(IDM_HOME_PAGE == IDC_HOME_PAGE, "\"Domovská stránka programu...\" is the button \"Go!\"");

// The column titles are short; the list view does not read this size when
// a column is inserted.
static const int ColumnTitleSize = 32;

void GetCurrentIcq(wchar_t *out, size_t cap)
{
    if (cap == 0)
        return;
    out[0] = 0;
    UINT length = GetDlgItemTextW(MainWindowHandle, IDC_ICQ_NUMBER, out, (int)(cap < IcqSize ? cap : IcqSize));
    out[length] = 0;
}

static void FillVersionLabel(HWND window)
{
    wchar_t version[VersionTextSize];
    FormatVersion(ProgramVersion, version, ARRAYSIZE(version));
    FillItemTemplate(window, IDC_VERSION_LABEL, {version});
}

// A column's width as stored, in pixels as the user left it at the DPI
// stored beside it (96 when there is none: older versions stored none), at
// the screen's scale; by default defaultWidth pixels at 96 DPI.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): two callers, each a title constant then a literal key
static void InsertColumn(HWND list, const SettingsSection &widths, int index, const wchar_t *title, const wchar_t *key,
                         int defaultWidth)
{
    LVCOLUMNW column = {};
    column.mask = LVCF_WIDTH | LVCF_TEXT;
    column.fmt = LVCFMT_LEFT;
    int stored = SettingsInt(widths, key, -1);
    int dpi = SettingsInt(widths, L"dpi", 0);
    column.cx = stored < 0 ? ScreenPixels(defaultWidth) : PixelsFromDpi(stored, dpi);
    column.pszText = const_cast<wchar_t *>(title);
    column.cchTextMax = ColumnTitleSize;
    SendMessageW(list, LVM_INSERTCOLUMNW, index, (LPARAM)&column);
}

// The home-page label has room for the longest address a build takes: five
// lines of eight dialog units. It and the window below it are made as tall
// as the label's own address needs at the screen's font, so that a short
// address leaves no empty band under it.
static const int HomeLabelLineUnits = 8;
static const int HomeLabelMostLines = 5;
// The label's words and the longest address a build takes, 100 characters.
static const int HomeLabelTextSize = 160;

static void FitLabel(HWND window)
{
    // The label has no ID of its own: it comes just before the version
    // label in the template.
    HWND label = GetWindow(GetDlgItem(window, IDC_VERSION_LABEL), GW_HWNDPREV);
    if (!label)
        return;
    wchar_t text[HomeLabelTextSize];
    GetWindowTextW(label, text, ARRAYSIZE(text));
    RECT box;
    GetWindowRect(label, &box);
    MapWindowPoints(NULL, window, reinterpret_cast<POINT *>(&box), 2);
    // Measured as the static control wraps it.
    RECT needed = {0, 0, box.right - box.left, 0}, line = needed;
    HDC dc = GetDC(label);
    if (!dc)
        return;
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
    UINT noPrefix = ((DWORD)GetWindowLongW(label, GWL_STYLE) & SS_NOPREFIX) ? DT_NOPREFIX : 0;
    // The address is one word: when the whole does not fit one line, its
    // line begins before the address rather than inside it.
    wchar_t *address = StrStrW(text, L"://");
    while (address && address > text && address[-1] != L' ' && address[-1] != L'\n')
        address--;
    DrawTextW(dc, text, -1, &line, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS | noPrefix);
    if (address && address > text && address[-1] == L' ' && line.right > needed.right && wcslen(text) + 2 < ARRAYSIZE(text)) {
        memmove(address + 1, address, (wcslen(address) + 1) * sizeof(wchar_t));
        address[-1] = L'\r';
        address[0] = L'\n';
        SetWindowTextW(label, text);
    }
    DrawTextW(dc, text, -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | noPrefix);
    SelectObject(dc, previous);
    ReleaseDC(label, dc);
    RECT height = {};
    for (int lines = 1; lines <= HomeLabelMostLines; lines++) {
        height = {0, 0, 0, lines * HomeLabelLineUnits};
        MapDialogRect(window, &height);
        if (height.bottom >= needed.bottom)
            break;
    }
    int change = height.bottom - (box.bottom - box.top);
    if (change == 0)
        return;
    SetWindowPos(label, NULL, 0, 0, box.right - box.left, height.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The window keeps its centre.
    RECT frame;
    GetWindowRect(window, &frame);
    SetWindowPos(window, NULL, frame.left, frame.top - change / 2, frame.right - frame.left,
                 frame.bottom - frame.top + change, SWP_NOZORDER | SWP_NOACTIVATE);
}

void FitHomePageLabel(HWND window)
{
    // The window's smallest size is the one the label leaves it.
    ForgetMainLayout();
    FitLabel(window);
    RememberMainLayout(window);
}

int InitMainDialog()
{
    HWND window = MainWindowHandle;
    HWND list = GetDlgItem(window, IDC_STATUS_LIST);

    BuildSettingsPath();
    // Runs on its own and is never waited for; it waits for the window to
    // show and reads only the two values set by now. Without it there is
    // simply no version check.
    HANDLE check = CreateThread(NULL, 0, UpdateCheckThread, NULL, 0, NULL);
    if (check)
        CloseHandle(check);
    FillVersionLabel(window);
    SettingsSection widths;
    ReadSettingsSection(L"List", &widths);
    InsertColumn(list, widths, 0, TXT_COLUMN_STATUS, L"cx0", 200);
    InsertColumn(list, widths, 1, TXT_COLUMN_TEXT, L"cx1", 230);
    // The check box of each row shows and toggles the status's On.
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES);
    SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, (LPARAM)StatusImageList);
    // The moves see the mouse first: a dragged row shows no tips.
    WatchCutTexts(list);
    WatchStatusList(list);

    // At most 15 characters count. The value is read with room to spare: a
    // number stored in quotes (one with leading blanks) of 15 characters
    // would otherwise lose its last digit along with the closing quote.
    wchar_t stored[2 * IcqSize] = L"", icq[IcqSize];
    GetPrivateProfileStringW(L"ICQ", L"UIN", L"", stored, ARRAYSIZE(stored), SettingsPath);
    CopyText(icq, ARRAYSIZE(icq), stored);
    SetDlgItemTextW(window, IDC_ICQ_NUMBER, icq);

    if (!IsValidIcqNumber(icq) || !OpenStatusListKey(icq, NULL, KEY_READ)) {
        // The user chooses an account first; without one there is nothing
        // to show.
        if (ChangeAccount() != 0)
            return 1;
    } else if (LoadAll() != 0) {
        return -1;
    }
    ShowNoticeOnce(IDD_NOTICE_OLD_ICQ, L"1", MainWindowHandle);
    return 0;
}

static void OnCommand(HWND window, WORD command)
{
    switch (command) {
    case IDOK:
        if (SaveAll() >= 0) {
            SaveColumnWidths();
            SaveMainWindowSize(window);
            EndDialog(window, 0);
        }
        break;
    case IDCANCEL:
        // Unsaved changes are dropped without a question.
        SaveColumnWidths();
        SaveMainWindowSize(window);
        EndDialog(window, 0);
        break;
    case IDC_APPLY: // and IDM_SAVE, the menu item "Uložit změny"
        SaveAll();
        break;
    case IDC_CHANGE_ACCOUNT:
        ChangeAccount();
        break;
    case IDC_ADD:
        AddStatus();
        break;
    case IDC_EDIT:
        EditStatus();
        break;
    case IDC_DELETE:
        DeleteStatus();
        break;
    case IDM_DISCARD_CHANGES:
        if (AskQuestion(TXT_ASK_DISCARD) == IDYES)
            LoadAll();
        break;
    case IDM_CLEAR_ALL:
        // Only the list in memory is emptied; the dirty flag stays as it was.
        if (AskQuestion(TXT_ASK_CLEAR_ALL) == IDYES) {
            ClearAll();
            FillStatusListView();
        }
        break;
    case IDM_UNDO:
        UndoListChange();
        break;
    case IDM_REDO:
        RedoListChange();
        break;
    case IDM_MOVE_UP:
        MoveSelectedStatus(-1);
        break;
    case IDM_MOVE_DOWN:
        MoveSelectedStatus(1);
        break;
    case IDM_EXPORT:
        ExportStatuses();
        break;
    case IDM_IMPORT:
        ImportStatuses(false);
        break;
    case IDM_RESTORE:
        ImportStatuses(true);
        break;
    case IDM_NA_MESSAGE: // its menu item stays greyed
        ChangeICQMessage(L"NA");
        break;
    case IDM_AWAY_MESSAGE: // its menu item stays greyed
        ChangeICQMessage(L"Away");
        break;
    case IDC_HOME_PAGE: // and IDM_HOME_PAGE, the menu item "Domovská stránka programu..."
        OpenInBrowser(ORBELAN_HOME_URL);
        break;
    case IDM_HELP_ON_WEB:
        OpenInBrowser(ORBELAN_HOME_URL L"/help.html");
        break;
    case IDM_ABOUT:
        DialogBoxParamW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDD_ABOUT), window, AboutDialog, 0);
        break;
    }
}

// Delete key and double click act on the selection mark, not on the row
// under the mouse.
static void OnListNotify(const NMHDR *header)
{
    if (header->code == LVN_KEYDOWN && reinterpret_cast<const NMLVKEYDOWN *>(header)->wVKey == VK_DELETE)
        DeleteStatus();
    else if (header->code == NM_DBLCLK)
        EditStatus();
    else if (header->code == LVN_ITEMCHANGED)
        OnStatusItemChanged(reinterpret_cast<const NMLISTVIEW *>(header));
    else if (header->code == LVN_BEGINDRAG)
        BeginStatusDrag(header->hwndFrom, reinterpret_cast<const NMLISTVIEW *>(header)->iItem);
}

/* ---- Keys --------------------------------------------------------------- */

// The main window is a modal dialog: the dialog manager runs its loop and
// shows every message it takes to this thread's message filter first
// (MSGF_DIALOGBOX), so that is where its keys are checked. The status
// editor, message boxes and menus run loops of their own over windows that
// are not the main window's: their keys stay theirs.
static HHOOK KeyHook;
static HACCEL MainKeys;

static LRESULT CALLBACK MainKeyFilter(int code, WPARAM wParam, LPARAM lParam)
{
    MSG *message = reinterpret_cast<MSG *>(lParam);
    HWND window = MainWindowHandle;
    if (code == MSGF_DIALOGBOX && window && (message->message == WM_KEYDOWN || message->message == WM_SYSKEYDOWN) &&
        (message->hwnd == window || IsChild(window, message->hwnd)) && TranslateAcceleratorW(window, MainKeys, message))
        return TRUE;
    return CallNextHookEx(KeyHook, code, wParam, lParam);
}

static void WatchMainKeys()
{
    // Loaded from the program's resources, it is freed with them. Without
    // the table or the hook the keys simply do nothing.
    MainKeys = LoadAcceleratorsW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDA_MAIN));
    if (MainKeys && !KeyHook)
        KeyHook = SetWindowsHookExW(WH_MSGFILTER, MainKeyFilter, NULL, GetCurrentThreadId());
}

static void UnwatchMainKeys()
{
    if (KeyHook)
        UnhookWindowsHookEx(KeyHook);
    KeyHook = NULL;
}

// The version check's outcome while it waits for the main window to show:
// the window's start-up (the account's input box, notice 107) runs while
// it is still hidden, and a window it owns that came up before it would be
// left behind it.
static bool CheckOutcomeWaits;
static int CheckOutcome;
// The offer of an unsaved list waits for the window to show as well, and
// so does a window left maximised: the dialog manager shows the window in
// its normal size.
static bool OfferWaits, MaximiseWaits;

static void OnVersionChecked(HWND window, int version)
{
    if (IsWindowVisible(window)) {
        ShowVersionCheckResult(version);
    } else {
        CheckOutcomeWaits = true;
        CheckOutcome = version;
    }
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the system's DLGPROC signature
INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        MainWindowHandle = window;
        SetWindowTextW(window, TXT_CAPTION);
        SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(LoadCaptionIcon()));
        ShowScaledPicture(window);
        KeepWholeTemplate(window);
        FitHomePageLabel(window);
        WatchMainKeys();
        CheckOutcomeWaits = false;
        OfferWaits = false;
        MaximiseWaits = false;
        if (InitMainDialog() != 0) {
            EndDialog(window, 0);
        } else {
            OfferWaits = true;
            MaximiseWaits = RestoreMainWindowSize(window);
        }
        break;
    case WM_GETMINMAXINFO:
        LimitMainWindowSize(reinterpret_cast<MINMAXINFO *>(lParam));
        break;
    case WM_SIZE:
        LayOutMainWindow(window);
        break;
    case WM_OFFER_UNSAVED:
        OfferUnsavedChanges();
        break;
    case WM_QUERYENDSESSION:
        // Windows ends the session: unsaved changes are kept in a file,
        // without a question and without holding the end up (the default
        // answer lets it go on).
        KeepUnsavedChanges();
        break;
    case WM_ENDSESSION:
        if (wParam)
            KeepUnsavedChanges();
        else
            DropKeptChanges(); // the session goes on, and so does the user
        break;
    case WM_VERSION_CHECKED:
        OnVersionChecked(window, (int)lParam);
        break;
    case WM_SHOWWINDOW:
        // Sent as the window is about to show: the version check begins,
        // and the waiting outcome comes back once it does.
        if (wParam)
            LetVersionCheckBegin();
        if (wParam && CheckOutcomeWaits) {
            CheckOutcomeWaits = false;
            PostMessageW(window, WM_VERSION_CHECKED, 0, (LPARAM)CheckOutcome);
        }
        if (wParam && MaximiseWaits) {
            MaximiseWaits = false;
            PostMessageW(window, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
        }
        if (wParam && OfferWaits) {
            OfferWaits = false;
            PostMessageW(window, WM_OFFER_UNSAVED, 0, 0);
        }
        break;
    case WM_INITMENUPOPUP: {
        // Any of the window's menus: only "Možnosti" holds these two.
        HMENU menu = reinterpret_cast<HMENU>(wParam);
        EnableMenuItem(menu, IDM_UNDO, MF_BYCOMMAND | (CanUndoListChange() ? MF_ENABLED : MF_GRAYED));
        EnableMenuItem(menu, IDM_REDO, MF_BYCOMMAND | (CanRedoListChange() ? MF_ENABLED : MF_GRAYED));
        break;
    }
    case WM_COMMAND:
        OnCommand(window, LOWORD(wParam));
        break;
    case WM_NOTIFY:
        if (wParam == IDC_STATUS_LIST)
            OnListNotify(reinterpret_cast<const NMHDR *>(lParam));
        break;
    case WM_DESTROY: {
        // A window that ends without having shown holds the check up no
        // longer.
        LetVersionCheckBegin();
        UnwatchMainKeys();
        ReleaseScaledPicture(window);
        HICON icon = reinterpret_cast<HICON>(SendMessageW(window, WM_SETICON, ICON_SMALL, 0));
        if (icon)
            DestroyIcon(icon);
        break;
    }
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) == GetDlgItem(window, IDC_STATUS_LIST))
            ShowStatusMenu(reinterpret_cast<HWND>(wParam), lParam);
        break;
    }
    return FALSE;
}

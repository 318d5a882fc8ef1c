// The three notices (dialogs 107, 108, 109) and the rule that shows each
// only until the user ticks it off, and the About box (dialog 110). Each
// shows its first line in bold.
#include "dialogs/dialogs.h"

#include "resource.h"
#include "texts.h"
#include "version.h"

// The window property under which a control keeps its bold font.
static const wchar_t BoldFontProperty[] = L"Orbelan.BoldFont";

// Deletes the bold font MakeFontBold gave control, if any; its dialog calls
// this when it goes away.
static void FreeBoldFont(HWND control)
{
    HFONT bold = static_cast<HFONT>(RemovePropW(control, BoldFontProperty));
    if (!bold)
        return;
    // Hand the control its dialog's font back before the bold one goes.
    HFONT normal = reinterpret_cast<HFONT>(SendMessageW(GetParent(control), WM_GETFONT, 0, 0));
    SendMessageW(control, WM_SETFONT, (WPARAM)normal, FALSE);
    DeleteObject(bold);
}

// Gives control a bold copy of its font, which belongs to the control until
// FreeBoldFont.
static void MakeFontBold(HWND control)
{
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    LOGFONTW description;
    if (!GetObjectW(font ? font : GetStockObject(DEFAULT_GUI_FONT), sizeof description, &description))
        return;
    description.lfWeight = FW_BOLD;
    HFONT bold = CreateFontIndirectW(&description);
    if (!bold)
        return;
    FreeBoldFont(control); // a control gets one at a time
    SetPropW(control, BoldFontProperty, bold);
    SendMessageW(control, WM_SETFONT, (WPARAM)bold, TRUE);
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the system's DLGPROC signature
INT_PTR CALLBACK NoticeDialog(HWND window, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        MakeFontBold(GetDlgItem(window, IDC_NOTICE_TITLE));
        SetWindowTextW(window, TXT_CAPTION);
        break;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL: // also Esc and the close box
            EndDialog(window, IsDlgButtonChecked(window, IDC_DONT_SHOW_AGAIN) == BST_CHECKED ? 1 : 0);
            break;
        }
        break;
    case WM_DESTROY:
        FreeBoldFont(GetDlgItem(window, IDC_NOTICE_TITLE));
        break;
    }
    return FALSE;
}

void ShowNoticeOnce(int dialogId, const wchar_t *key, HWND owner)
{
    if (GetPrivateProfileIntW(L"Infos", key, 0, SettingsPath) != 0)
        return;
    INT_PTR result = DialogBoxParamW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(dialogId), owner, NoticeDialog, 0);
    // A notice that could not be shown (-1) must not switch itself off.
    if (result == 0 || result == 1)
        WriteSettingInt(L"Infos", key, (int)result, SettingsPath);
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the system's DLGPROC signature
INT_PTR CALLBACK AboutDialog(HWND window, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: {
        wchar_t version[VersionTextSize];
        FormatVersion(ProgramVersion, version, ARRAYSIZE(version));
        FillItemTemplate(window, IDC_ABOUT_VERSION, {version, L"" ORBELAN_BUILD_DATE});
        MakeFontBold(GetDlgItem(window, IDC_ABOUT_TITLE));
        ShowScaledPicture(window);
        break;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
            EndDialog(window, 0);
            break;
        }
        break;
    case WM_DESTROY:
        FreeBoldFont(GetDlgItem(window, IDC_ABOUT_TITLE));
        ReleaseScaledPicture(window);
        break;
    }
    return FALSE;
}

// The three notices (dialogs 107, 108, 109) and the rule that shows each
// only until the user ticks it off.
#include "dialogs/dialogs.h"

#include "app/settings.h"
#include "resource.h"
#include "texts.h"

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

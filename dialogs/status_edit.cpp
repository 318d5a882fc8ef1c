// The status editor (dialog 106): one record's icon, title, text and menu
// flag.
#include "dialogs/dialogs.h"

#include "resource.h"
#include "store/status_store.h"
#include "texts.h"

// Icons above this number are invisible to users of the older client.
static const int LastIconForEveryClient = 29;

// An icon's number as the picker shows it, and after it the title of the
// status that has the icon, cut to TakenTitleLength characters so that the
// picker's list stays narrow.
static const int IconNumberSize = 16;
static const int TakenTitleLength = 24;
static const int PickerTextSize = IconNumberSize + TakenTitleLength + 4;

// The record the open editor works on; one editor at a time.
static StatusRecord *EditedRecord;

static HWND PickerList(HWND window)
{
    return (HWND)SendDlgItemMessageW(window, IDC_ICON_PICKER, CBEM_GETCOMBOCONTROL, 0, 0);
}

// The status other than the edited one that has icon, or null.
static const StatusRecord *IconOwner(int icon)
{
    for (int i = 0; i < StatusList.Count; i++)
        if (&StatusList.Records[i] != EditedRecord && StatusList.Records[i].IconIndex == icon)
            return &StatusList.Records[i];
    return NULL;
}

// Each icon shows its number; one another status has shows that status's
// title too ("7 – Na kafi"), so that the user picks a free one at once.
static void FillIconPicker(HWND window)
{
    HWND picker = GetDlgItem(window, IDC_ICON_PICKER);
    for (int i = 0; i < IconCount; i++) {
        wchar_t number[IconNumberSize], text[PickerTextSize];
        wsprintfW(number, L"%d", i + 1);
        CopyText(text, ARRAYSIZE(text), number);
        const StatusRecord *owner = IconOwner(i + 1);
        if (owner) {
            wchar_t title[TakenTitleLength + 1];
            CopyText(title, ARRAYSIZE(title), owner->Name);
            FillTemplate(text, ARRAYSIZE(text), L"%s \u2013 %s", {number, title});
        }
        COMBOBOXEXITEMW item = {};
        item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE;
        item.iItem = i;
        item.pszText = text;
        item.cchTextMax = ARRAYSIZE(text);
        item.iImage = i;
        item.iSelectedImage = i;
        SendMessageW(picker, CBEM_INSERTITEMW, 0, (LPARAM)&item);
    }
    SendMessageW(picker, CBEM_SETIMAGELIST, 0, (LPARAM)StatusImageList);
}

static void InitEditor(HWND window, StatusRecord *record)
{
    EditedRecord = record;
    FillIconPicker(window);
    // A record always has an icon from 1 to 32; should one not, the picker
    // offers icon 1 rather than no choice at all.
    int icon = record->IconIndex >= 1 && record->IconIndex <= IconCount ? record->IconIndex : 1;
    SendMessageW(PickerList(window), CB_SETCURSEL, icon - 1, 0);
    SendDlgItemMessageW(window, IDC_STATUS_TITLE, EM_LIMITTEXT, ARRAYSIZE(record->Name) - 1, 0);
    SendDlgItemMessageW(window, IDC_STATUS_TEXT, EM_LIMITTEXT, ARRAYSIZE(record->Description) - 1, 0);
    SetDlgItemTextW(window, IDC_STATUS_TITLE, record->Name);
    SetDlgItemTextW(window, IDC_STATUS_TEXT, record->Description);
    // Any nonzero value means "offered in the menu", so it shows ticked.
    CheckDlgButton(window, IDC_SHOW_IN_MENU, record->On ? BST_CHECKED : BST_UNCHECKED);
}

// Whether the text of edit id fits what the registry keeps of it, longest
// bytes of UTF-8; if not, the user is told so and the edit gets the focus,
// its text as typed.
static bool FitsItsValue(HWND window, int id, const wchar_t *text, size_t longest, const wchar_t *warning)
{
    if (Utf8Length(text) <= longest)
        return true;
    ShowMessage(window, warning, MB_ICONWARNING | MB_OK);
    SendMessageW(window, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(window, id), TRUE);
    return false;
}

// OK: the notice about high icons, the one-icon-per-status rule and the
// texts' limits, then the record is written. Returns whether the editor
// may close.
static bool AcceptEdit(HWND window)
{
    int icon = (int)SendMessageW(PickerList(window), CB_GETCURSEL, 0, 0) + 1;
    if (icon < 1 || icon > IconCount)
        return false;
    if (icon > LastIconForEveryClient)
        ShowNoticeOnce(IDD_NOTICE_HIGH_ICONS, L"2", window);
    if (IconOwner(icon)) {
        ShowMessage(window, TXT_ICON_TAKEN, MB_ICONWARNING | MB_OK);
        return false;
    }
    // The edits limit units; the registry keeps bytes of UTF-8: the whole
    // text, and of the title what the load reads back. A status accepted
    // here is stored and comes back whole.
    wchar_t name[NameSize], text[DescriptionSize];
    ReadItemText(window, IDC_STATUS_TITLE, name, ARRAYSIZE(name));
    ReadItemText(window, IDC_STATUS_TEXT, text, ARRAYSIZE(text));
    if (!FitsItsValue(window, IDC_STATUS_TITLE, name, NameValueSize, TXT_TITLE_TOO_LONG) ||
        !FitsItsValue(window, IDC_STATUS_TEXT, text, TextValueSize - 1, TXT_TEXT_TOO_LONG))
        return false;
    EditedRecord->IconIndex = icon;
    CopyText(EditedRecord->Name, ARRAYSIZE(EditedRecord->Name), name);
    CopyText(EditedRecord->Description, ARRAYSIZE(EditedRecord->Description), text);
    EditedRecord->On = IsDlgButtonChecked(window, IDC_SHOW_IN_MENU) == BST_CHECKED ? 1 : 0;
    return true;
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the system's DLGPROC signature
INT_PTR CALLBACK StatusEditDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        InitEditor(window, reinterpret_cast<StatusRecord *>(lParam));
        break;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            if (AcceptEdit(window))
                EndDialog(window, 1);
            break;
        case IDCANCEL: // also Esc and the close box
            EndDialog(window, 2);
            break;
        }
        break;
    }
    return FALSE;
}

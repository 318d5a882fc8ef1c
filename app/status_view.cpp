// The main window's list view of statuses, and the shared image list of the
// status icons it shows.
#include "app/main_dialog.h"

#include "resource.h"
#include "store/status_store.h"

// Loaded before WinMain runs. Not tested on purpose: without the image list
// the rows simply show no icon. The list view destroys it together with
// itself.
HIMAGELIST StatusImageList = ImageList_LoadImageW(
    GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDB_STATUS_ICONS), IconPixels, 0, RGB(255, 0, 255),
    IMAGE_BITMAP, LR_CREATEDIBSECTION);

void FillStatusListView()
{
    HWND list = GetDlgItem(MainWindowHandle, IDC_STATUS_LIST);
    // One repaint at the end instead of one per row.
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    for (int row = 0; row < StatusList.Count; row++) {
        StatusRecord &record = StatusList.Records[row];
        LVITEMW item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = row;
        item.iSubItem = 0;
        item.pszText = record.Name;
        item.cchTextMax = ARRAYSIZE(record.Description);
        item.iImage = record.IconIndex - 1;
        SendMessageW(list, LVM_INSERTITEMW, 0, (LPARAM)&item);
        item.iSubItem = 1;
        item.pszText = record.Description;
        SendMessageW(list, LVM_SETITEMTEXTW, row, (LPARAM)&item);
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, NULL, TRUE);
}

void SaveColumnWidths()
{
    HWND list = GetDlgItem(MainWindowHandle, IDC_STATUS_LIST);
    int width0 = (int)SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0);
    int width1 = (int)SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0);
    WriteSettingInt(L"List", L"cx0", width0, SettingsPath);
    WriteSettingInt(L"List", L"cx1", width1, SettingsPath);
}

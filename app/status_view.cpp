// The main window's list view of statuses, the shared image list of the
// status icons it shows, its context menu and the moves made in it with
// the keyboard and the mouse.
#include "app/main_dialog.h"

#include "dialogs/dialogs.h"
#include "resource.h"
#include "store/status_store.h"

#include <windowsx.h>

// The strip's transparent colour.
static const COLORREF StripMask = RGB(255, 0, 255);

HIMAGELIST LoadStatusImages()
{
    // The strip is drawn at 96 DPI; at a larger scale it is stretched as
    // a whole, each icon to the size of the screen's small icons, and
    // stays within its own place in the strip.
    int pixels = ScreenPixels(IconPixels);
    HBITMAP strip = LoadScaledBitmap(IDB_STATUS_ICONS, {IconCount * IconPixels, IconPixels});
    HIMAGELIST images = strip ? ImageList_Create(pixels, pixels, ILC_COLOR24 | ILC_MASK, IconCount, 0) : NULL;
    if (images && ImageList_AddMasked(images, strip, StripMask) < 0) {
        ImageList_Destroy(images);
        images = NULL;
    }
    if (strip)
        DeleteObject(strip);
    return images;
}

// Loaded before WinMain runs. Not tested on purpose: without the image list
// the rows simply show no icon. The list view destroys it together with
// itself.
HIMAGELIST StatusImageList = LoadStatusImages();

// The check box of a row: the list view's state image 1 is the empty box,
// 2 the ticked one.
static const UINT UntickedImage = 1;
static const UINT TickedImage = 2;

// While the view is refilled, the check boxes it sets are no user's ticks.
static bool Filling;

void FillStatusListView()
{
    HWND list = GetDlgItem(MainWindowHandle, IDC_STATUS_LIST);
    Filling = true;
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
        // An inserted row starts with an empty box whatever it asked for.
        item.stateMask = LVIS_STATEIMAGEMASK;
        item.state = INDEXTOSTATEIMAGEMASK(record.On ? TickedImage : UntickedImage);
        SendMessageW(list, LVM_SETITEMSTATE, row, (LPARAM)&item);
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, NULL, TRUE);
    Filling = false;
}

void OnStatusItemChanged(const NMLISTVIEW *change)
{
    if (Filling || !(change->uChanged & LVIF_STATE) ||
        !((change->uNewState ^ change->uOldState) & LVIS_STATEIMAGEMASK))
        return;
    UINT image = (change->uNewState & LVIS_STATEIMAGEMASK) >> 12;
    // A row that only got its state image (image 0: none yet) is no tick.
    if (image == TickedImage || image == UntickedImage)
        SetStatusFlag(change->iItem, image == TickedImage);
}

void SaveColumnWidths()
{
    HWND list = GetDlgItem(MainWindowHandle, IDC_STATUS_LIST);
    int width0 = (int)SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0);
    int width1 = (int)SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0);
    WriteSettingInt(L"List", L"cx0", width0, SettingsPath);
    WriteSettingInt(L"List", L"cx1", width1, SettingsPath);
    WriteSettingInt(L"List", L"dpi", ScreenDpi(), SettingsPath);
}

void SelectStatusRow(int row)
{
    HWND list = GetDlgItem(MainWindowHandle, IDC_STATUS_LIST);
    LVITEMW item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, row, (LPARAM)&item);
    SendMessageW(list, LVM_SETSELECTIONMARK, 0, row);
    SendMessageW(list, LVM_ENSUREVISIBLE, row, FALSE);
}

int CommandRow()
{
    int row = (int)SendDlgItemMessageW(MainWindowHandle, IDC_STATUS_LIST, LVM_GETSELECTIONMARK, 0, 0);
    return row >= 0 && row < StatusList.Count ? row : -1;
}

void ShowStatusMenu(HWND list, LPARAM at)
{
    POINT point = {GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    if (at == -1) {
        // From the keyboard: below the row it acts on, or at the list's
        // corner.
        RECT rect = {LVIR_BOUNDS, 0, 0, 0};
        int row = CommandRow();
        if (row < 0 || !SendMessageW(list, LVM_GETITEMRECT, row, (LPARAM)&rect))
            SetRectEmpty(&rect);
        point.x = rect.left;
        point.y = rect.bottom;
        ClientToScreen(list, &point);
    } else {
        // A right click acts on the row under the mouse.
        LVHITTESTINFO hit = {};
        hit.pt = point;
        ScreenToClient(list, &hit.pt);
        int row = (int)SendMessageW(list, LVM_HITTEST, 0, (LPARAM)&hit);
        if (row >= 0 && row < StatusList.Count)
            SelectStatusRow(row);
    }
    int row = CommandRow();

    HMENU menu = LoadMenuW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDM_STATUS_MENU));
    if (!menu)
        return;
    HMENU popup = GetSubMenu(menu, 0);
    EnableMenuItem(popup, IDC_EDIT, row >= 0 ? MF_ENABLED : MF_GRAYED);
    EnableMenuItem(popup, IDC_DELETE, row >= 0 ? MF_ENABLED : MF_GRAYED);
    EnableMenuItem(popup, IDM_MOVE_UP, row > 0 ? MF_ENABLED : MF_GRAYED);
    EnableMenuItem(popup, IDM_MOVE_DOWN, row >= 0 && row + 1 < StatusList.Count ? MF_ENABLED : MF_GRAYED);
    // The chosen command reaches the main window as a menu's WM_COMMAND.
    TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, point.x, point.y, 0, MainWindowHandle, NULL);
    DestroyMenu(menu);
}

/* ---- Moving a row with the mouse ----------------------------------------- */

// The row being dragged, while the list holds the mouse.
static bool Dragging;
static int DraggedRow;

// The place a drop at point (the list's client coordinates) would insert
// the row before, 0 to StatusList.Count: before the row in whose upper half
// it is, or after the last; -1 outside the list. The insertion mark shows
// it.
static int DropPlace(HWND list, POINT point)
{
    RECT client;
    GetClientRect(list, &client);
    int place = -1;
    if (PtInRect(&client, point)) {
        place = StatusList.Count;
        for (int row = 0; row < StatusList.Count && place == StatusList.Count; row++) {
            RECT rect = {LVIR_BOUNDS, 0, 0, 0};
            if (SendMessageW(list, LVM_GETITEMRECT, row, (LPARAM)&rect) && point.y < (rect.top + rect.bottom) / 2)
                place = row;
        }
    }
    LVINSERTMARK mark = {sizeof mark, 0, -1, 0};
    if (place >= 0 && place < StatusList.Count) {
        mark.iItem = place;
    } else if (place > 0) {
        mark.iItem = place - 1;
        mark.dwFlags = LVIM_AFTER;
    }
    SendMessageW(list, LVM_SETINSERTMARK, 0, (LPARAM)&mark);
    return place;
}

void BeginStatusDrag(HWND list, int row)
{
    if (row < 0 || row >= StatusList.Count)
        return;
    Dragging = true;
    DraggedRow = row;
    SetCapture(list);
}

static void EndDrag(HWND list)
{
    Dragging = false;
    LVINSERTMARK mark = {sizeof mark, 0, -1, 0};
    SendMessageW(list, LVM_SETINSERTMARK, 0, (LPARAM)&mark);
}

static void Drop(HWND list, LPARAM at)
{
    POINT point = {GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    int place = DropPlace(list, point);
    int from = DraggedRow;
    EndDrag(list);
    ReleaseCapture();
    if (place >= 0)
        MoveStatus(from, place > from ? place - 1 : place);
}

// The list view's own procedure, subclassed: Alt+Up and Alt+Down move the
// row the commands act on (the list view leaves system keys alone), and
// while a row is dragged the mouse shows and makes its new place; Esc or a
// lost capture ends the drag.
static LRESULT CALLBACK StatusListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR)
{
    switch (message) {
    case WM_SYSKEYDOWN:
        if (wParam == VK_UP || wParam == VK_DOWN) {
            MoveSelectedStatus(wParam == VK_UP ? -1 : 1);
            return 0;
        }
        break;
    case WM_MOUSEMOVE:
        if (Dragging) {
            POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            DropPlace(list, point);
            return 0;
        }
        break;
    case WM_LBUTTONUP:
        if (Dragging) {
            Drop(list, lParam);
            return 0;
        }
        break;
    case WM_GETDLGCODE:
        // While a row is dragged Esc ends the drag, not the dialog.
        if (Dragging)
            return DLGC_WANTALLKEYS;
        break;
    case WM_KEYDOWN:
        if (Dragging && wParam == VK_ESCAPE) {
            ReleaseCapture();
            return 0;
        }
        break;
    case WM_CAPTURECHANGED:
        if (Dragging)
            EndDrag(list);
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(list, StatusListProc, 0);
        break;
    }
    return DefSubclassProc(list, message, wParam, lParam);
}

void WatchStatusList(HWND list)
{
    Dragging = false;
    SetWindowSubclass(list, StatusListProc, 0, 0);
}

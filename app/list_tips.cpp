// Tips of the status list: a title or text cut off in its column shows
// whole in a tip once the pointer rests on it. The list view's own label
// tips reach only the first column, and not on every Windows; this tip is
// shown and hidden by the list's own mouse messages, the same everywhere.
#include "app/main_dialog.h"

#include "store/status_store.h"

#include <windowsx.h>

static HWND Tip;
// The cell under the pointer: row and column, -1 for none.
static int TipRow = -1, TipColumn = -1;
static bool WatchingLeave;
// The tip window could not be made: the list shows no tips.
static bool TipFailed;
static const UINT_PTR TipTimer = 0x7469;
// The shown text; a cell holds at most a status's text.
static wchar_t TipText[DescriptionSize];

// Whether the tip's timer runs: every refill of the list hides the tip,
// and a timer killed needlessly costs the start a call to the system per
// row.
static bool TimerRuns;

static void HideTip(HWND list)
{
    if (TimerRuns)
        KillTimer(list, TipTimer);
    TimerRuns = false;
    TipRow = TipColumn = -1;
    if (Tip) {
        TTTOOLINFOW tool = {};
        tool.cbSize = sizeof tool;
        tool.hwnd = list;
        SendMessageW(Tip, TTM_TRACKACTIVATE, FALSE, (LPARAM)&tool);
    }
}

// The text of the cell under the pointer into TipText, and the box it is
// drawn in, in the list's client area; false when the text fits the box.
static bool IsCellCut(HWND list, RECT *box)
{
    box->top = TipColumn;
    box->left = LVIR_LABEL;
    if (!SendMessageW(list, LVM_GETSUBITEMRECT, TipRow, (LPARAM)box))
        return false;
    LVITEMW item = {};
    item.iSubItem = TipColumn;
    item.pszText = TipText;
    item.cchTextMax = ARRAYSIZE(TipText);
    // The number of characters copied; an empty text needs no tip.
    if (SendMessageW(list, LVM_GETITEMTEXTW, TipRow, (LPARAM)&item) <= 0)
        return false;
    // The list view leaves a margin on both sides of the text; a text that
    // just fits shows no tip, one a few pixels short of it may.
    int width = (int)SendMessageW(list, LVM_GETSTRINGWIDTHW, 0, (LPARAM)TipText);
    return width + ScreenPixels(12) > box->right - box->left;
}

// The tip window is made when the pointer first comes over the list, not
// with the list: a top-level window costs the start of the program
// several milliseconds, and many starts never need it. Without it the list
// works as before; only the tips are missing.
static bool MakeTip(HWND list)
{
    if (Tip || TipFailed)
        return Tip != NULL;
    Tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, NULL, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, GetParent(list), NULL, NULL, NULL);
    if (!Tip) {
        TipFailed = true;
        return false;
    }
    // Shown and placed by hand, and the pointer goes through it to the
    // cell below.
    TTTOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE | TTF_TRANSPARENT;
    tool.hwnd = list;
    tool.lpszText = const_cast<wchar_t *>(L"");
    if (!SendMessageW(Tip, TTM_ADDTOOLW, 0, (LPARAM)&tool)) {
        DestroyWindow(Tip);
        Tip = NULL;
        TipFailed = true;
    }
    return Tip != NULL;
}

static void OnMouseMove(HWND list, LPARAM at)
{
    if (!MakeTip(list))
        return;
    if (!WatchingLeave) {
        TRACKMOUSEEVENT leave = {sizeof leave, TME_LEAVE, list, 0};
        WatchingLeave = TrackMouseEvent(&leave) != FALSE;
    }
    LVHITTESTINFO hit = {};
    hit.pt = {GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    int row = (int)SendMessageW(list, LVM_SUBITEMHITTEST, 0, (LPARAM)&hit);
    int column = hit.iSubItem;
    if (row < 0 || !(hit.flags & LVHT_ONITEM))
        row = column = -1;
    if (row == TipRow && column == TipColumn)
        return;
    HideTip(list);
    TipRow = row;
    TipColumn = column;
    if (row >= 0)
        TimerRuns = SetTimer(list, TipTimer, (UINT)SendMessageW(Tip, TTM_GETDELAYTIME, TTDT_INITIAL, 0), NULL) != 0;
}

static void ShowTip(HWND list)
{
    KillTimer(list, TipTimer);
    TimerRuns = false;
    RECT box;
    if (TipRow < 0 || !IsCellCut(list, &box))
        return;
    // The tip unfolds the text where it stands, as wide as the list lets
    // it be; a longer text wraps.
    RECT client;
    GetClientRect(list, &client);
    SendMessageW(Tip, TTM_SETMAXTIPWIDTH, 0, client.right > ScreenPixels(200) ? client.right : ScreenPixels(200));
    TTTOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.hwnd = list;
    tool.lpszText = TipText;
    SendMessageW(Tip, TTM_UPDATETIPTEXTW, 0, (LPARAM)&tool);
    POINT corner = {box.left, box.top};
    ClientToScreen(list, &corner);
    SendMessageW(Tip, TTM_TRACKPOSITION, 0, MAKELPARAM(corner.x, corner.y));
    SendMessageW(Tip, TTM_TRACKACTIVATE, TRUE, (LPARAM)&tool);
}

static LRESULT CALLBACK CutTextProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    switch (message) {
    case WM_MOUSEMOVE:
        OnMouseMove(list, lParam);
        break;
    case WM_TIMER:
        if (wParam == TipTimer) {
            ShowTip(list);
            return 0;
        }
        break;
    case WM_MOUSELEAVE:
        WatchingLeave = false;
        HideTip(list);
        break;
    // Whatever changes the rows, or what the user does with them, takes
    // the tip away.
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_MOUSEWHEEL:
    case WM_VSCROLL:
    case WM_HSCROLL:
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KILLFOCUS:
    case LVM_DELETEALLITEMS:
    case LVM_DELETEITEM:
    case LVM_SETITEMTEXTW:
        HideTip(list);
        break;
    case WM_NCDESTROY:
        HideTip(list);
        RemoveWindowSubclass(list, CutTextProc, 0);
        if (Tip)
            DestroyWindow(Tip);
        Tip = NULL;
        WatchingLeave = false;
        break;
    }
    return DefSubclassProc(list, message, wParam, lParam);
}

void WatchCutTexts(HWND list)
{
    TipRow = TipColumn = -1;
    WatchingLeave = false;
    TipFailed = false;
    TimerRuns = false;
    SetWindowSubclass(list, CutTextProc, 0, 0);
}

// The main window's size: the user may enlarge and maximise it, never make
// it smaller than its template. The status list takes every pixel gained;
// the controls below the list keep their places against the bottom edge,
// those of its right half against the right edge as well. The size is
// kept in Data.ini, with the DPI it was made at, for the next start.
#include "app/main_dialog.h"

#include "resource.h"

#include <limits.h>

// How a control follows the window's size.
enum Anchor { FollowsBottom = 1, FollowsRight = 2, Grows = 4 };

struct PlacedControl {
    HWND control;
    RECT box; // in the main window's client area, at its smallest size
    int anchor;
};

// The main window has 19 controls; those above the list stay where they
// are and are not kept here.
static const int MostPlacedControls = 24;
static PlacedControl Placed[MostPlacedControls];
static int PlacedCount;
// The client area and the whole window at the smallest size.
static SIZE LeastClient, LeastWindow;
// How much wider than at the smallest size the text column was made the
// last time the list was laid out: it follows the list's width.
static int TextColumnGrowth;
// A text column is never made narrower than this by a smaller window, in
// pixels at 96 DPI.
static const int LeastTextColumn = 40;

// A control's box in its window's client area.
static RECT ClientBox(HWND control)
{
    RECT box;
    GetWindowRect(control, &box);
    MapWindowPoints(NULL, GetParent(control), reinterpret_cast<POINT *>(&box), 2);
    return box;
}

void ForgetMainLayout()
{
    LeastWindow = {0, 0};
    PlacedCount = 0;
}

// The main window's template, copied so that the window is made with a
// sizing border and a maximise box: the template itself keeps the fixed
// frame of its design. Added to a window already made, the frame costs the
// start two more rounds of layout. The client area is the template's
// either way. Its size is far below this.
static DWORD MainTemplate[2048];
// The template's client area, in dialog units; zero when the window is not
// made from the copy.
static SIZE TemplateUnits;

INT_PTR RunMainDialog(HINSTANCE instance)
{
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(IDD_MAIN), RT_DIALOG);
    HGLOBAL loaded = found ? LoadResource(instance, found) : NULL;
    const BYTE *bytes = loaded ? static_cast<const BYTE *>(LockResource(loaded)) : NULL;
    DWORD size = found ? SizeofResource(instance, found) : 0;
    // An extended template: version 1, signature 0xFFFF, the help ID, the
    // extended style, the style, the number of controls, x, y, cx and cy.
    const DWORD styleAt = 12, widthAt = 22, heightAt = 24;
    WORD version = 0, signature = 0;
    TemplateUnits = {0, 0};
    if (bytes && size > heightAt + sizeof(short)) {
        memcpy(&version, bytes, sizeof version);
        memcpy(&signature, bytes + 2, sizeof signature);
    }
    if (version != 1 || signature != 0xFFFF || size > sizeof MainTemplate)
        // Not to be: the window keeps its fixed size.
        return DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), NULL, MainDialogProc, 0);
    memcpy(MainTemplate, bytes, size);
    BYTE *copy = reinterpret_cast<BYTE *>(MainTemplate);
    DWORD style;
    memcpy(&style, copy + styleAt, sizeof style);
    style |= WS_THICKFRAME | WS_MAXIMIZEBOX;
    memcpy(copy + styleAt, &style, sizeof style);
    short width, height;
    memcpy(&width, copy + widthAt, sizeof width);
    memcpy(&height, copy + heightAt, sizeof height);
    TemplateUnits = {width, height};
    return DialogBoxIndirectParamW(instance, reinterpret_cast<LPCDLGTEMPLATEW>(MainTemplate), NULL, MainDialogProc,
                                   0);
}

void KeepWholeTemplate(HWND window)
{
    // A new window: what was taken of an earlier one limits it no more.
    ForgetMainLayout();
    if (TemplateUnits.cx <= 0 || TemplateUnits.cy <= 0)
        return;
    // A window with a sizing border is made no larger than the screen; on
    // a screen smaller than the template it is made as large again, as a
    // window of fixed size is, about its centre.
    RECT wanted = {0, 0, TemplateUnits.cx, TemplateUnits.cy}, client, frame;
    MapDialogRect(window, &wanted);
    GetClientRect(window, &client);
    int wider = wanted.right - client.right, taller = wanted.bottom - client.bottom;
    wider = wider > 0 ? wider : 0;
    taller = taller > 0 ? taller : 0;
    if (wider == 0 && taller == 0)
        return;
    GetWindowRect(window, &frame);
    SetWindowPos(window, NULL, frame.left - wider / 2, frame.top - taller / 2, frame.right - frame.left + wider,
                 frame.bottom - frame.top + taller, SWP_NOZORDER | SWP_NOACTIVATE);
}

void RememberMainLayout(HWND window)
{
    RECT client, frame;
    GetClientRect(window, &client);
    GetWindowRect(window, &frame);
    LeastClient = {client.right, client.bottom};
    LeastWindow = {frame.right - frame.left, frame.bottom - frame.top};
    TextColumnGrowth = 0;
    PlacedCount = 0;
    HWND list = GetDlgItem(window, IDC_STATUS_LIST);
    if (!list)
        return;
    RECT listBox = ClientBox(list);
    int middle = (listBox.left + listBox.right) / 2;
    for (HWND child = GetWindow(window, GW_CHILD); child && PlacedCount < MostPlacedControls;
         child = GetWindow(child, GW_HWNDNEXT)) {
        RECT box = ClientBox(child);
        int anchor = 0;
        if (child == list)
            anchor = Grows;
        else if (box.top >= listBox.bottom)
            // "Go!" stays beside the home-page label it belongs to.
            anchor = FollowsBottom | ((box.left + box.right) / 2 > middle && GetDlgCtrlID(child) != IDC_HOME_PAGE
                                          ? FollowsRight
                                          : 0);
        if (anchor)
            Placed[PlacedCount++] = {child, box, anchor};
    }
}

void LimitMainWindowSize(MINMAXINFO *limits)
{
    if (LeastWindow.cx == 0) {
        // While the window takes its first size nothing limits it: on a
        // screen smaller than the template it stays whole, as a window of
        // fixed size would.
        limits->ptMaxTrackSize.x = SHRT_MAX;
        limits->ptMaxTrackSize.y = SHRT_MAX;
        return;
    }
    limits->ptMinTrackSize.x = LeastWindow.cx;
    limits->ptMinTrackSize.y = LeastWindow.cy;
    if (limits->ptMaxTrackSize.x < LeastWindow.cx)
        limits->ptMaxTrackSize.x = LeastWindow.cx;
    if (limits->ptMaxTrackSize.y < LeastWindow.cy)
        limits->ptMaxTrackSize.y = LeastWindow.cy;
}

// The text column follows the list's width by the pixels it gained or lost
// since the last layout. At start-up the window is hidden: the stored
// widths were saved with the stored size and are taken as they are.
static void FollowWithTextColumn(HWND window, int growth)
{
    int change = growth - TextColumnGrowth;
    TextColumnGrowth = growth;
    HWND list = GetDlgItem(window, IDC_STATUS_LIST);
    if (change == 0 || !list || !IsWindowVisible(window))
        return;
    int width = (int)SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0) + change;
    int least = ScreenPixels(LeastTextColumn);
    SendMessageW(list, LVM_SETCOLUMNWIDTH, 1, width > least ? width : least);
}

void LayOutMainWindow(HWND window)
{
    if (PlacedCount == 0 || IsIconic(window))
        return;
    RECT client;
    GetClientRect(window, &client);
    // A maximised window on a screen smaller than the template is cut off
    // rather than squeezed.
    int dx = client.right > LeastClient.cx ? client.right - LeastClient.cx : 0;
    int dy = client.bottom > LeastClient.cy ? client.bottom - LeastClient.cy : 0;
    HDWP moves = BeginDeferWindowPos(PlacedCount);
    for (int i = 0; i < PlacedCount; i++) {
        const PlacedControl &placed = Placed[i];
        RECT box = placed.box;
        if (placed.anchor & Grows) {
            box.right += dx;
            box.bottom += dy;
        }
        OffsetRect(&box, placed.anchor & FollowsRight ? dx : 0, placed.anchor & FollowsBottom ? dy : 0);
        const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
        // Without the deferred moves (out of memory), each control moves
        // on its own.
        if (moves)
            moves = DeferWindowPos(moves, placed.control, NULL, box.left, box.top, box.right - box.left,
                                   box.bottom - box.top, flags);
        if (!moves)
            SetWindowPos(placed.control, NULL, box.left, box.top, box.right - box.left, box.bottom - box.top, flags);
    }
    if (moves)
        EndDeferWindowPos(moves);
    // The dialog paints its background over its controls: a control moved
    // with its old picture copied along would be painted over and not
    // painted again.
    RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    FollowWithTextColumn(window, dx);
}

bool RestoreMainWindowSize(HWND window)
{
    SettingsSection stored;
    ReadSettingsSection(L"Window", &stored);
    int width = SettingsInt(stored, L"cx", 0);
    int height = SettingsInt(stored, L"cy", 0);
    int dpi = SettingsInt(stored, L"dpi", 0);
    bool maximised = SettingsInt(stored, L"max", 0) == 1;
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (width > 0 && height > 0 && GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) {
        // Never smaller than the template, nor larger than the screen's
        // work area (the template wins on a screen smaller than itself),
        // and centred as the template centres the window.
        const RECT &work = monitor.rcWork;
        int most = work.right - work.left;
        width = PixelsFromDpi(width, dpi);
        width = width < most ? width : most;
        width = width > LeastWindow.cx ? width : LeastWindow.cx;
        most = work.bottom - work.top;
        height = PixelsFromDpi(height, dpi);
        height = height < most ? height : most;
        height = height > LeastWindow.cy ? height : LeastWindow.cy;
        RECT now;
        // Mostly the window was left at the size it starts with, and is
        // centred already (to a pixel: the home-page label's fit keeps the
        // centre, halving its change); moved, it would cost the start a
        // round of layout.
        if (!GetWindowRect(window, &now) || now.right - now.left != width || now.bottom - now.top != height)
            SetWindowPos(window, NULL, work.left + (work.right - work.left - width) / 2,
                         work.top + (work.bottom - work.top - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return maximised;
}

void SaveMainWindowSize(HWND window)
{
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(window, &placement))
        return;
    // The size it has when not maximised; a window minimised from
    // maximised comes back maximised.
    const RECT &normal = placement.rcNormalPosition;
    bool maximised = placement.showCmd == SW_SHOWMAXIMIZED ||
                     (placement.showCmd == SW_SHOWMINIMIZED && (placement.flags & WPF_RESTORETOMAXIMIZED));
    WriteSettingInt(L"Window", L"cx", normal.right - normal.left, SettingsPath);
    WriteSettingInt(L"Window", L"cy", normal.bottom - normal.top, SettingsPath);
    WriteSettingInt(L"Window", L"dpi", ScreenDpi(), SettingsPath);
    WriteSettingInt(L"Window", L"max", maximised ? 1 : 0, SettingsPath);
}

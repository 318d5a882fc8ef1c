// The main window: its start-up, its commands, and its list view of
// statuses with the shared image list. The process-wide values it owns and
// the names by which the rest of the program reaches it are declared in
// base/base.h.
#pragma once

#include "base/base.h"

/* ---- main_dialog.cpp ---------------------------------------------------- */

// Dialog procedure of the main window (dialog IDD_MAIN); answers FALSE to
// every message.
INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Start-up work of the hidden main window. 0 keeps the window; 1 means the
// account selection ended without a loaded account (cancelled, or a step
// failed); -1 means the stored account could not be loaded.
int InitMainDialog();
// Makes the home-page label as tall as its text needs at the screen's font,
// one to five lines, and the main window grow or shrink with it; the size
// it leaves is the window's smallest (RememberMainLayout).
void FitHomePageLabel(HWND window);

/* ---- status_view.cpp ---------------------------------------------------- */

// FillStatusListView (base/base.h) is defined there too.
// The IconCount status icons of the strip at the screen's scale, the
// image list that StatusImageList holds; null when it cannot be made.
HIMAGELIST LoadStatusImages();
// A row's state changed (LVN_ITEMCHANGED): a tick or untick of its check
// box by the user sets the status's On (SetStatusFlag); the boxes that
// FillStatusListView sets do not count.
void OnStatusItemChanged(const NMLISTVIEW *change);
// Stores the widths of the two list columns as "cx0" and "cx1" of [List],
// and the screen's DPI they were set at as "dpi".
void SaveColumnWidths();
// Makes the list view move rows: Alt+Up and Alt+Down, and dragging a row
// with the mouse (BeginStatusDrag, on the list's LVN_BEGINDRAG).
void WatchStatusList(HWND list);
void BeginStatusDrag(HWND list, int row);
// The list's context menu at screen point at (WM_CONTEXTMENU's lParam; -1
// from the keyboard: below the row the commands act on). Its commands
// reach the main window; those that cannot act are greyed.
void ShowStatusMenu(HWND list, LPARAM at);

/* ---- list_tips.cpp ------------------------------------------------------ */

// Makes a title or text cut off in the list show whole in a tip while the
// pointer rests on it.
void WatchCutTexts(HWND list);

/* ---- window_size.cpp ---------------------------------------------------- */

// Runs the main window as a modal dialog, made from its template with a
// sizing border and a maximise box; the template's own frame is fixed. The
// client area is the template's size. Returns what DialogBoxParamW does.
INT_PTR RunMainDialog(HINSTANCE instance);
// Called as that window starts: a window with a sizing border is made no
// larger than the screen; this makes its client area the template's size
// again, as that of a window of fixed size would be.
void KeepWholeTemplate(HWND window);
// Takes the main window's present size, once its controls are placed, as
// its smallest, and notes how each control below the list follows a larger
// one. ForgetMainLayout drops both: the window may take any size.
void RememberMainLayout(HWND window);
void ForgetMainLayout();
// WM_GETMINMAXINFO: never smaller than the size RememberMainLayout took;
// before it took one, no limit.
void LimitMainWindowSize(MINMAXINFO *limits);
// WM_SIZE: the list takes the pixels gained, the controls below it keep
// their places against the bottom edge (and the right one, on its right);
// the text column follows the list's width once the window shows.
void LayOutMainWindow(HWND window);
// The size stored as "cx" and "cy" of [Window] at the DPI stored as "dpi",
// at the screen's scale, no smaller than the smallest and no larger than
// the screen's work area, centred. Nothing changes without a stored size.
// True when "max" is 1: the window is to be maximised once it shows.
bool RestoreMainWindowSize(HWND window);
// Stores the window's size when not maximised, the screen's DPI, and
// whether it is maximised, as RestoreMainWindowSize reads them.
void SaveMainWindowSize(HWND window);

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
// one to five lines, and the main window grow or shrink with it.
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
// from the keyboard: below the selected row). Its commands reach the main
// window; those that cannot act are greyed.
void ShowStatusMenu(HWND list, LPARAM at);

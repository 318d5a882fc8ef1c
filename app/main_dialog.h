// The main window: its start-up, its commands, and its list view of
// statuses with the shared image list.
#pragma once

#include <windows.h>
#include <commctrl.h>

/* ---- Process-wide values ----------------------------------------------- */

// The main window; null until its initialisation begins, then never changed.
extern HWND MainWindowHandle;
// The 32 status icons, 16 x 16 each; image i is the icon of IconIndex i + 1.
// The main window's list view owns it and destroys it with itself.
extern HIMAGELIST StatusImageList;

// Posted to the main window by the version check when a window of its own
// that the main window owns has closed: the main window then makes sure it
// shows, once its start-up is done.
#define WM_MAIN_CHECK_SHOWN (WM_APP + 1)

/* ---- main_dialog.cpp ---------------------------------------------------- */

// Dialog procedure of the main window (dialog IDD_MAIN); answers FALSE to
// every message.
INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Start-up work of the hidden main window. 0 keeps the window; 1 means no
// account was chosen; -1 means the stored account could not be loaded.
int InitMainDialog();
// Copies the ICQ# shown in the main window (at most 15 characters) into out.
void GetCurrentIcq(wchar_t out[16]);

/* ---- status_view.cpp ---------------------------------------------------- */

// Rebuilds the list view from StatusList: row i shows record i.
void FillStatusListView();
// Stores the widths of the two list columns as "cx0" and "cx1" of [List].
void SaveColumnWidths();

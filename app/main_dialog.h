// The application shell: program entry, the main window and its list view,
// the shared image list, the settings file, and the text helpers that every
// part of the program uses.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <stddef.h>
#include <initializer_list>

/* ---- Process-wide values ----------------------------------------------- */

// The main window; null until its initialisation begins, then never changed.
extern HWND MainWindowHandle;
// Full path of Data.ini beside the executable; set while the main window
// initialises, before anything reads it.
extern wchar_t SettingsPath[MAX_PATH];
// The 32 status icons, 16 x 16 each; image i is the icon of IconIndex i + 1.
// The main window's list view owns it and destroys it with itself.
extern HIMAGELIST StatusImageList;

// The running program's version, 1061 = "1.06a".
extern const int ProgramVersion;

/* ---- main_dialog.cpp ---------------------------------------------------- */

// Dialog procedure of the main window (dialog IDD_MAIN); answers FALSE to
// every message.
INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Start-up work of the hidden main window. 0 keeps the window; 1 means no
// account was chosen; -1 means the stored account could not be loaded.
int InitMainDialog();
// Copies the ICQ# shown in the main window (at most 15 characters) into out.
void GetCurrentIcq(wchar_t out[16]);
// Asks a Yes/No question owned by the main window; returns IDYES or IDNO.
int AskQuestion(const wchar_t *text);

/* ---- status_view.cpp ---------------------------------------------------- */

// Rebuilds the list view from StatusList: row i shows record i.
void FillStatusListView();
// Stores the widths of the two list columns as "cx0" and "cx1" of [List].
void SaveColumnWidths();

/* ---- settings.cpp ------------------------------------------------------- */

// Builds SettingsPath from the executable's own path.
void BuildSettingsPath();
// Writes value in decimal as key of section in file; returns the result of
// WritePrivateProfileStringW, which every caller ignores.
BOOL WriteSettingInt(const wchar_t *section, const wchar_t *key, int value, const wchar_t *file);

/* ---- version.cpp -------------------------------------------------------- */

// Writes version v as text: 1061 -> "1.06a", 1070 -> "1.07". Always
// terminated within cap units.
void FormatVersion(int version, wchar_t *out, size_t cap);

/* ---- text.cpp ----------------------------------------------------------- */
// Every helper writes at most cap units including the terminator, always
// terminates (when cap > 0), and never cuts a character in two.

// Copies text, or its first len units, into out; returns the units copied.
size_t CopyText(wchar_t *out, size_t cap, const wchar_t *text, size_t len = (size_t)-1);
// Replaces each "%s" of templ in turn by the next of args; nothing else of
// templ is interpreted, so a template from a resource is safe to use.
void FillTemplate(wchar_t *out, size_t cap, const wchar_t *templ,
                  std::initializer_list<const wchar_t *> args);
// Converts len bytes of UTF-8 into out; invalid sequences become U+FFFD.
// Returns the units written without the terminator.
size_t Utf8ToText(const char *bytes, size_t len, wchar_t *out, size_t cap);
// Converts text to UTF-8 into out, cut at a character boundary when it does
// not fit. Returns the bytes written without the terminating zero byte.
size_t TextToUtf8(const wchar_t *text, char *out, size_t cap);

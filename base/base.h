// What every part of the program uses: the process-wide values, the few
// names by which the rest of the program reaches the main window, the
// settings file, the version number, the message boxes and the text
// helpers. This folder includes nothing else of the program.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <stddef.h>
#include <initializer_list>

/* ---- Sizes --------------------------------------------------------------- */

// The client offers 32 status icons; a status is stored under its icon's
// number, 1 to IconCount.
const int IconCount = 32;
// Each icon is this many pixels wide and high at 96 DPI (ScreenPixels).
const int IconPixels = 16;
// An ICQ# is at most 15 characters; buffers for it hold the terminator too.
const int IcqSize = 16;
// A version number as text ("1.06a"; a server's larger number in full).
const int VersionTextSize = 16;

/* ---- Process-wide values ----------------------------------------------- */

// The main window; null until its initialisation begins, then never changed.
extern HWND MainWindowHandle;
// Full path of Data.ini beside the executable; set while the main window
// initialises, before anything reads it, then never changed.
extern wchar_t SettingsPath[MAX_PATH];
// The IconCount status icons, IconPixels square at the screen's scale
// (ScreenPixels); image i is the icon of IconIndex i + 1. The main
// window's list view owns it and destroys it with itself.
extern HIMAGELIST StatusImageList;
// The running program's version, 1061 = "1.06a".
extern const int ProgramVersion;

/* ---- The main window, as the rest of the program reaches it ------------- */
// Defined in app/.

// Copies the ICQ# shown in the main window into out (cap units, at most 15
// characters).
void GetCurrentIcq(wchar_t *out, size_t cap);
// Rebuilds the main window's list view from StatusList: row i shows record i.
void FillStatusListView();
// Makes row of the list view the selected, focused and marked one, scrolled
// into view: what Edit and Delete act on.
void SelectStatusRow(int row);
// The row the commands act on (Edit, Delete, the moves, the context
// menu): the list view's selection mark, or -1 when it names no record
// (none set, or the view not yet refilled).
int CommandRow();
// Forgets every step to undo or redo: a load replaces the list as a whole.
// Defined in dialogs/history.cpp.
void ForgetListChanges();
// Posted to the main window by the version check's thread with its outcome
// in lParam, FetchLatestVersion's result; the main window shows what it
// means (ShowVersionCheckResult) once it shows itself.
#define WM_VERSION_CHECKED (WM_APP + 1)
// Posted by the main window to itself once it shows: offer the unsaved
// list kept at the end of the last session.
#define WM_OFFER_UNSAVED (WM_APP + 2)

/* ---- program.cpp: settings file, version, message boxes ---------------- */

// Writes the path of file name in the program's own folder into out.
// Returns false when it does not fit; out is then the folder alone.
bool ProgramFolderFile(const wchar_t *name, wchar_t (&out)[MAX_PATH]);
// Builds SettingsPath from the executable's own path.
void BuildSettingsPath();
// Writes value in decimal as key of section in file; returns the result of
// WritePrivateProfileStringW, which every caller ignores.
BOOL WriteSettingInt(const wchar_t *section, const wchar_t *key, int value, const wchar_t *file);

// A section of the settings file read at once: its "key=value" entries,
// each terminated, the last followed by an empty one. Reading a section
// costs what reading one key does: the file is opened and read each time.
struct SettingsSection {
    wchar_t entries[1024];
};
// Reads section of SettingsPath into out; a missing file or section reads
// as empty, and a section longer than out loses its last entries.
void ReadSettingsSection(const wchar_t *section, SettingsSection *out);
// The value of key in the section as GetPrivateProfileIntW reads it:
// blanks and a sign, then the digits up to the first other character;
// fallback when the key is missing or its value empty.
int SettingsInt(const SettingsSection &section, const wchar_t *key, int fallback);

// Writes version as text: 1061 -> "1.06a", 1070 -> "1.07". Always
// terminated within cap units.
void FormatVersion(int version, wchar_t *out, size_t cap);

// Function name of a system library (a file name, "comdlg32.dll"), loaded on
// first use by its full path in the system folder, never from wherever the
// program was started; null when either is missing. A library once loaded
// stays for the life of the process, as an import would: COM may keep using
// it after the call that needed it. Each use looks the function up again,
// which for a library already loaded only counts up its references.
FARPROC SystemFunction(const wchar_t *library, const char *name);
template <class Function> Function SystemFunction(const wchar_t *library, const char *name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(SystemFunction(library, name)));
}

// Shows text in a message box of the given style (MB_ buttons and icon),
// captioned "Orbelan!" and owned by owner; returns what MessageBoxW returns
// (0 when it could not be shown).
int ShowMessage(HWND owner, const wchar_t *text, UINT style);
// Asks a Yes/No question owned by the main window; returns IDYES or IDNO.
int AskQuestion(const wchar_t *text);

/* ---- screen.cpp: pixels at the screen's scale ------------------------- */

// pixels at 96 DPI as many pixels at the screen's DPI: 16 gives 16, 20, 24
// and 32 at 96, 120, 144 and 192 DPI.
int ScreenPixels(int pixels);
// The screen's DPI as the program started.
int ScreenDpi();
// pixels made at dpi (96 when it is not a usable DPI), at the screen's scale.
int PixelsFromDpi(int pixels, int dpi);
// Bitmap id, drawn at drawnSize pixels at 96 DPI, stretched to the
// screen's scale, each pixel the nearest drawn one (a DIB section); null
// when it cannot be loaded. The caller deletes it.
HBITMAP LoadScaledBitmap(int id, SIZE drawnSize);
// Replaces the picture of dialog's SS_BITMAP control by the same picture
// at the screen's scale; ReleaseScaledPicture, as the dialog is destroyed,
// deletes it again.
void ShowScaledPicture(HWND dialog);
void ReleaseScaledPicture(HWND dialog);
// The program's icon at the size of a caption's icon; the caller destroys it.
HICON LoadCaptionIcon();

/* ---- text.cpp: bounded copies, templates, UTF-8 ------------------------ */
// Every helper writes at most cap units including the terminator, always
// terminates (when cap > 0), and never cuts a character in two.

// n, or n - 1 when text[n - 1] is the first half of a surrogate pair: the
// length of text cut after n units without leaving half a character.
size_t CutAtCharacter(const wchar_t *text, size_t n);
// n, or less: the length of the UTF-8 bytes cut before byte n without
// leaving part of a character, when bytes holds more than n bytes.
size_t CutUtf8AtCharacter(const char *bytes, size_t n);
// Copies text, or its first len units, into out; returns the units copied.
size_t CopyText(wchar_t *out, size_t cap, const wchar_t *text, size_t len = (size_t)-1);
// Replaces each "%s" of templ in turn by the next of args; nothing else of
// templ is interpreted, so a template from a resource is safe to use.
void FillTemplate(wchar_t *out, size_t cap, const wchar_t *templ,
                  std::initializer_list<const wchar_t *> args);
// Fills the template that is the text of dialog item id with args, and
// makes the result the item's text.
void FillItemTemplate(HWND dialog, int id, std::initializer_list<const wchar_t *> args);
// Reads the text of dialog item id into out. An edit's limit counts units:
// a character of two units typed or pasted across it keeps only its first
// half there, which is no character and is left out, and so is a character
// that does not fit out whole. Returns the units read.
size_t ReadItemText(HWND dialog, int id, wchar_t *out, size_t cap);
// Converts len bytes of UTF-8 into out; invalid sequences are converted as
// the system converts them (each to U+FFFD from Windows Vista on), and set
// *invalid when it is given. Returns the units written without the
// terminator.
size_t Utf8ToText(const char *bytes, size_t len, wchar_t *out, size_t cap, bool *invalid = nullptr);
// Converts text to UTF-8 into out, cut before the first character that does
// not fit; needs no memory. A lone surrogate is converted as the system
// converts it (U+FFFD from Windows Vista on). Returns the bytes written
// without the terminating zero byte.
size_t TextToUtf8(const wchar_t *text, char *out, size_t cap);
// The bytes of text's UTF-8 form, as TextToUtf8 writes it, without a
// terminator.
size_t Utf8Length(const wchar_t *text);
// Cuts text before the first character whose UTF-8 form, as TextToUtf8
// writes it, would take it past room bytes; returns the units left.
size_t CutToUtf8Size(wchar_t *text, size_t room);

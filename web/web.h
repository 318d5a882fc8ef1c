// Web services: the start-up version check and opening pages in the
// default browser.
#pragma once

#include "base/base.h"

/* ---- browser.cpp -------------------------------------------------------- */

// Reads the command line of the browser the user chose for http (the
// default value of HKEY_CLASSES_ROOT\<ProgId>\shell\open\command, for the
// "ProgId" of HKEY_CURRENT_USER\Software\Microsoft\Windows\Shell\Associations
// \UrlAssociations\http\UserChoice), when both are usable and
// the command holds "%1"; else the one registered for the HTTP protocol
// (the default value of HKEY_CLASSES_ROOT\HTTP\shell\open\command), into
// buffer, which holds at least 260 units. Returns 0, -1 without a buffer,
// -2 when there is no usable command: the key missing, or its value
// missing, not text, longer than 520 bytes (259 characters and the
// terminator) or not terminated within them (the buffer is then empty). An
// empty text is a command, one without "%1".
int ReadBrowserCommand(wchar_t *buffer);

// Starts the browser command with address in place of its first "%1".
// Returns 0 when the start was made (whether or not it worked), -1 without
// a browser command, -2 when the command holds no "%1", -3 when the command
// line with the address would not fit its 1023 characters (refused, never
// cut).
int OpenInBrowser(const wchar_t *address);

/* ---- version_check.cpp -------------------------------------------------- */

// The number at the start of the version file, from the five bytes read
// over "0000" and a zero (so a file of 106 gives 1060): leading blanks and
// one sign allowed, then decimal digits; nothing usable gives 0. Reads no
// byte beyond the fifth.
int ParseVersion(const char bytes[5]);

// Downloads the version file at url into "version.txt" beside the program,
// reads its first five bytes as a number, deletes the copy. Returns the
// number, or -1 when the download failed, -2 when the copy cannot be
// opened, -3 when it cannot be read.
int FetchLatestVersionFrom(const wchar_t *url);
// The same for the home page's version file.
int FetchLatestVersion();

// What the user is told of version v, FetchLatestVersion's result: below 1
// notice 109 (while key "3" of [Infos] says so), above the program's own
// version the question whether to download it, and on Yes the home page.
// Runs on the main window's thread, with the main window shown.
void ShowVersionCheckResult(int version);

// The version check's thread: once the main window shows
// (LetVersionCheckBegin), or after 10 s at the latest, FetchLatestVersion,
// the log line of a failed check, and WM_VERSION_CHECKED posted to the
// main window with the number when there is something to tell.
DWORD WINAPI UpdateCheckThread(LPVOID);
// The main window shows, or ends without having shown: the version
// check's thread may begin its work.
void LetVersionCheckBegin();

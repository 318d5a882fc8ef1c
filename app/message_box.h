// The program's message boxes: every one carries the caption "Orbelan!".
#pragma once

#include <windows.h>

// Shows text in a message box of the given style (MB_ buttons and icon),
// owned by owner; returns what MessageBoxW returns (0 when it could not be
// shown).
int ShowMessage(HWND owner, const wchar_t *text, UINT style);
// Asks a Yes/No question owned by the main window; returns IDYES or IDNO.
int AskQuestion(const wchar_t *text);

// Choosing the ICQ account whose statuses the program edits.
#pragma once

// True when text is a usable ICQ#: it parses completely as a decimal number
// (leading blanks and one sign allowed, as wcstol reads it) from 10000 to
// 2147483646. The text itself, not the number, names the registry key.
bool IsValidIcqNumber(const wchar_t *text);

// Asks for the ICQ# in the input box (offering first to save unsaved
// changes), creates the account's empty status list after a question when
// it has none, stores the ICQ# as "UIN" in [ICQ] of Data.ini, shows it in
// the main window and loads its statuses. Returns
//    0  switched and loaded;           1  the user cancelled (also by
//       not saving the changes without a backup: nothing switched);
//   -1  Data.ini could not be written; -2  the list key could not be created;
//   -3  Software\Mirabilis\ICQ cannot be opened (nothing created);
//   -4  switched, but the load failed; -5  the input box could not be shown.
// Failures are reported or announced to the user before it returns.
int ChangeAccount();

// Choosing the ICQ account whose statuses the program edits.
#pragma once

// True when text is a usable ICQ#: it parses completely as a decimal number
// (leading blanks and one sign allowed, as wcstol reads it) from 10000 to
// 2147483646. The text itself, not the number, names the registry key.
bool IsValidIcqNumber(const wchar_t *text);

// Where the ICQ Lite client keeps its data in the registry, the same below
// HKEY_CURRENT_USER (the custom statuses) and HKEY_LOCAL_MACHINE (the
// default messages):
//   Software\Mirabilis\ICQ\NewOwners\<ICQ#>\CustomStatusList
//   Software\Mirabilis\ICQ\NewOwners\<ICQ#>\ICQLite
#pragma once

#include <windows.h>
#include <stddef.h>

// The client's own key; this program never creates it.
#define ICQ_KEY_PATH L"Software\\Mirabilis\\ICQ"

// Writes the path of key leaf of account icq (ICQ_KEY_PATH\NewOwners\<icq>
// alone when leaf is null or empty) into out, which holds cap units.
// Returns false, with out empty, when the path does not fit: a cut path
// would name some other key.
bool AccountKeyPath(const wchar_t *icq, const wchar_t *leaf, wchar_t *out, size_t cap);

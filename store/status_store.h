// The custom status list of one ICQ account and its exchange with the
// registry data of the ICQ Lite client.
//
// Registry layout, below HKEY_CURRENT_USER (store/icq_keys.h):
//   Software\Mirabilis\ICQ\NewOwners\<ICQ#>\CustomStatusList\<n>
// one subkey per status, named by its icon number n (1 to 32), holding
//   "Description" REG_BINARY  the text in UTF-8, no terminating zero
//   "LineNumber"  REG_DWORD   1-based position in the list
//   "Name"        REG_BINARY  the title in UTF-8, no terminating zero
//   "On"          REG_DWORD   nonzero: offered in the client's status menu
// Other subkeys and values of the list key are never touched.
#pragma once

#include <windows.h>

/* ---- Data --------------------------------------------------------------- */

// One custom status; a plain value, copied whole.
struct StatusRecord {
    DWORD LineNumber;        // the client's order key, used to sort after loading
    int IconIndex;           // 1 to 32: icon and subkey name
    wchar_t Name[1024];      // title, at most 1023 characters
    wchar_t Description[4096]; // text, at most 4095 characters
    DWORD On;                // nonzero: shown in the client's status menu
};

// Icon numbers are pairwise distinct: a list holds at most one status per
// icon.
const int MaxStatuses = 32;

// A list of statuses in order, in room for all it can hold: no list ever
// needs memory of its own.
struct StatusTable {
    int Count;                          // 0 to MaxStatuses
    StatusRecord Records[MaxStatuses];  // the first Count are the list
};

// The statuses in display order: row k of the list view is record k.
extern StatusTable StatusList;
// Nonzero when StatusList changed since it was last loaded or saved.
extern int StatusListDirty;

/* ---- status_keys.cpp ---------------------------------------------------- */

// Opens the CustomStatusList key of account icq under HKEY_CURRENT_USER with
// the given access. Returns 1 when it opened, else 0. With key given, the
// handle is stored there and the caller closes it; without, the key is
// closed at once (an existence test). status, if given, receives the open's
// result.
int OpenStatusListKey(const wchar_t *icq, HKEY *key, REGSAM access, LONG *status);

// Creates NewOwners\<icq>\CustomStatusList below base, the client's own key
// opened for writing, and closes base. A creation that fails stops the
// chain and is reported as the list key's creation. Returns 0 or -2.
int CreateStatusListKeys(HKEY base, const wchar_t *icq);

/* ---- status_load.cpp / status_save.cpp: the registry side -------------- */
// Neither touches a window; failed calls are reported as the load's or the
// save's.

// Replaces list by the statuses of account icq, in the client's order.
// Returns 0 (also when single values failed and were reported) or -1 when
// the list key cannot be opened (reported; list is then empty).
int ReadStatusList(const wchar_t *icq, StatusTable *list);

// Writes list to account icq, numbering the records by position, and
// removes the statuses no record uses. Returns 0 (also when single writes
// failed and were reported) or -1 when the list key cannot be opened
// (reported; nothing changed).
int WriteStatusList(const wchar_t *icq, const StatusTable *list);

/* ---- status_list.cpp: the list and the main window ---------------------- */

// Replaces StatusList by the statuses of the account shown in the main
// window, in the client's order, and refills the list view. Clears the dirty
// flag first. Returns 0 (also when single values failed and were reported)
// or -1 when the list key cannot be opened (reported; the list and the view
// are then empty).
int LoadAll();

// Writes StatusList to the account shown in the main window, numbering the
// records by position, and removes the statuses no record uses. Returns 0
// with the dirty flag cleared (also when single writes failed and were
// reported) or -1 when the list key cannot be opened (reported; nothing
// changed).
int SaveAll();

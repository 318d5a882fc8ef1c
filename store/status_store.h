// The custom status list of one ICQ account and its exchange with the
// registry data of the ICQ Lite client.
//
// The client keeps its data in the registry, the same below
// HKEY_CURRENT_USER (the custom statuses) and HKEY_LOCAL_MACHINE (the
// default messages):
//   Software\Mirabilis\ICQ\NewOwners\<ICQ#>\CustomStatusList
//   Software\Mirabilis\ICQ\NewOwners\<ICQ#>\ICQLite
// The status list key has one subkey per status, named by its icon number
// n (1 to 32), holding
//   "Description" REG_BINARY  the text in UTF-8, no terminating zero
//   "LineNumber"  REG_DWORD   1-based position in the list
//   "Name"        REG_BINARY  the title in UTF-8, no terminating zero
//   "On"          REG_DWORD   nonzero: offered in the client's status menu
// Other subkeys and values of the list key are never touched.
#pragma once

#include "base/base.h"

/* ---- Sizes --------------------------------------------------------------- */

// A status's title and text, in UTF-16 units with the terminator.
const int NameSize = 1024;
const int DescriptionSize = 4096;
// Each text is written as UTF-8 of at most TextValueSize - 1 bytes.
const DWORD TextValueSize = 8192;
// The bytes read of each text value: a title of more than NameValueSize
// bytes of UTF-8 comes back cut.
const DWORD NameValueSize = 2048;
const DWORD DescriptionValueSize = 8192;
// The longest text value read again when it does not fit the read of its
// field; a longer one leaves its field empty.
const DWORD LongestValue = 64 * 1024;

/* ---- Data --------------------------------------------------------------- */

// One custom status; a plain value, copied whole.
struct StatusRecord {
    DWORD LineNumber;                  // the client's order key, used to sort after loading
    int IconIndex;                     // 1 to IconCount: icon and subkey name
    wchar_t Name[NameSize];            // title, at most NameSize - 1 characters
    wchar_t Description[DescriptionSize]; // text, at most DescriptionSize - 1 characters
    DWORD On;                          // nonzero: shown in the client's status menu
};

// Icon numbers are pairwise distinct: a list holds at most one status per
// icon.
const int MaxStatuses = IconCount;

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

/* ---- status_keys.cpp: the client's keys ---------------------------------- */

// The client's own key; this program never creates it.
#define ICQ_KEY_PATH L"Software\\Mirabilis\\ICQ"

// Writes the path of key leaf of account icq (ICQ_KEY_PATH\NewOwners\<icq>
// alone when leaf is null or empty) into out, which holds cap units.
// Returns false, with out empty, when the path does not fit: a cut path
// would name some other key.
bool AccountKeyPath(const wchar_t *icq, const wchar_t *leaf, wchar_t *out, size_t cap);

// Opens key leaf of account icq below root (HKEY_CURRENT_USER or
// HKEY_LOCAL_MACHINE) with the given access into *key, which the caller
// closes. Returns the status of the open; a path that does not fit opens
// nothing (ERROR_INVALID_PARAMETER): a cut path would name some other key.
LONG OpenAccountKey(HKEY root, const wchar_t *icq, const wchar_t *leaf, REGSAM access, HKEY *key);

// Opens the CustomStatusList key of account icq under HKEY_CURRENT_USER with
// the given access. Returns 1 when it opened, else 0. With key given, the
// handle is stored there and the caller closes it; without, the key is
// closed at once (an existence test).
int OpenStatusListKey(const wchar_t *icq, HKEY *key, REGSAM access);

// Creates NewOwners\<icq>\CustomStatusList below base, the client's own key
// opened for writing, and closes base. A creation that fails stops the
// chain and is reported as the list key's creation. Returns 0 or -2.
int CreateStatusListKeys(HKEY base, const wchar_t *icq);

/* ---- status_store.cpp: the list and its load and save ------------------- */

// The registry side; neither touches a window, and failed calls are
// reported as the load's or the save's.
//
// ReadStatusList replaces list by the statuses of account icq, in the
// client's order. Returns 0 (also when single values failed and were
// reported) or -1 when the list key cannot be opened (reported; list is
// then empty). Without report nothing is reported, the outcome the same.
int ReadStatusList(const wchar_t *icq, StatusTable *list, bool report = true);
// WriteStatusList writes list to account icq, numbering the records by
// position, and removes the statuses no record uses. Returns 0 (also when
// single writes failed and were reported) or -1 when the list key cannot be
// opened (reported; nothing changed).
// The UTF-8 forms of the texts of a list, as a save writes them, made once
// for the comparison before a save and the save itself.
struct SaveTexts {
    DWORD Length[MaxStatuses][2];             // [record][0: Description, 1: Name]
    char Bytes[MaxStatuses][2][TextValueSize]; // each terminated after Length bytes
};
void MakeSaveTexts(const StatusTable *list, SaveTexts *texts);
// With texts, made of list, the texts are not converted again.
int WriteStatusList(const wchar_t *icq, const StatusTable *list, const SaveTexts *texts = nullptr);

// What the load makes of a value's bytes, as RegQueryValueExA gives them
// (size is the whole value's): a text field holds the first capacity bytes
// of UTF-8, cut where a character begins, up to the first zero byte, and no
// more than a save writes whole and reads back as it was (bytes that are no
// UTF-8 grow when written again); it is empty for a value over LongestValue
// bytes. A number field is the value's
// bytes, 0 for a value over four bytes.
void MakeTextField(const char *bytes, DWORD size, DWORD capacity, wchar_t *field, size_t fieldCap);
DWORD MakeNumberField(const BYTE *bytes, DWORD size);
// The client's order: by line number, equal numbers keeping the order they
// are in, a record without a number (0) first.
void SortByLineNumber(StatusTable *list);

// Replaces StatusList by the statuses of the account shown in the main
// window, in the client's order, and refills the list view. Clears the dirty
// flag first. Returns 0 (also when single values failed and were reported)
// or -1 when the list key cannot be opened (reported; the list and the view
// are then empty).
int LoadAll();

// Writes StatusList to the account shown in the main window, numbering the
// records by position, and removes the statuses no record uses. The
// statuses it replaces are backed up first (BackUpStatuses); when that
// fails and the user answers No to saving all the same, nothing is written.
// Returns 0 with the dirty flag cleared (also when single writes failed and
// were reported), -1 when the list key cannot be opened (reported; nothing
// changed) or -2 when the user chose not to save without a backup (nothing
// changed, the dirty flag neither).
int SaveAll();

/* ---- status_file.cpp: the statuses as a registry file --------------------- */

// The file regedit writes ("Windows Registry Editor Version 5.00", UTF-16LE
// with a byte-order mark, CR LF): the deletion of the subkeys of all 32
// icons of account icq, then one section per record in list order with the
// bytes WriteStatusList writes. Importing it (a double click, reg import)
// puts list back without this program.
//
// WriteStatusFile writes it into a new temporary file in folder, whose path
// it leaves in temp; ExportStatusFile writes it to path whole or not at all
// (the temporary file moved into place, replacing any file there). Both
// return ERROR_SUCCESS or the system's error code (no file left behind).
DWORD WriteStatusFile(const wchar_t *folder, const wchar_t *icq, const StatusTable *list,
                      wchar_t (&temp)[MAX_PATH]);
DWORD ExportStatusFile(const wchar_t *path, const wchar_t *icq, const StatusTable *list);
// The same file of what the registry held of account icq's statuses:
// every value of stored, with its name, type and bytes (as reg export
// writes them), so that importing the file gives the status subkeys back
// byte for byte.
struct StoredStatuses;
DWORD WriteStoredStatusFile(const wchar_t *folder, const wchar_t *icq, const StoredStatuses *stored,
                            wchar_t (&temp)[MAX_PATH]);

/* ---- status_reader.cpp: reading a registry file -------------------------- */

// What ReadStatusFile found.
enum StatusFileResult {
    FileRead = 0,          // list holds the file's statuses
    FileUnreadable = -1,   // *detail: the system's error code
    FileDamaged = -2,      // not a registry file, or damaged at line *detail
    FileWithoutStatuses = -3,
    FileOfManyAccounts = -4,
};
// The largest file read.
const DWORD StatusFileLimit = 4 * 1024 * 1024;

// Reads the statuses of a registry file at path, this program's or one that
// regedit or reg export wrote ("REGEDIT4" files in the ANSI code page too):
// the sections ...\NewOwners\<ICQ#>\CustomStatusList\<1 to 32> and their four
// values, each made a field as the load makes it, the records in the
// client's order. Everything else is passed over. list changes only when
// the result is FileRead.
StatusFileResult ReadStatusFile(const wchar_t *path, StatusTable *list, DWORD *detail);

/* ---- backup.cpp: the statuses a save replaces ----------------------------- */

// What the status subkeys "1" to "32" of a list key hold, value for value,
// as the registry gives them.
struct StoredValue {
    size_t NameAt; // where in Block its name begins, terminated
    size_t DataAt; // where in Block its data begin
    DWORD Type;
    DWORD Size;
};
struct StoredStatuses {
    bool Present[IconCount + 1];            // whether subkey n is there
    int First[IconCount + 1];               // its values: Values[First[n]] on,
    int Count[IconCount + 1];               // Count[n] of them, in the registry's order
    StoredValue *Values;
    int ValueCount;
    int ValueRoom;
    BYTE *Block; // names and data
    size_t Used;
    size_t Room;
};

// The folder of the backups beside the settings file, "Zálohy"; false when
// the path does not fit.
bool BackupFolder(wchar_t (&out)[MAX_PATH]);
// Before a save of list to account icq: when the save would change any
// byte of the account's status subkeys "1" to "32" (a value's type or
// bytes, a value or a subkey added or removed) and there is one, writes
// what they hold, value for value, as a registry file "<icq> <local
// time>.reg" into the backup folder, made when missing, and keeps the
// newest 20 backups of that account there; no other file is touched.
// Returns ERROR_SUCCESS (also when no backup was due) or the system's error
// code of a backup that could not be written.
DWORD BackUpStatuses(const wchar_t *icq, const StatusTable *list, const SaveTexts *texts);

// When list is not what a load of account icq gives now, writes it as the
// export does into the backup folder as "<icq> <local time> neuloženo.reg"
// and leaves its path in path (else empty): for the end of the session,
// asking nothing. Returns ERROR_SUCCESS or the system's error code.
DWORD KeepUnsavedStatuses(const wchar_t *icq, const StatusTable *list, wchar_t (&path)[MAX_PATH]);
// The local time in a backup's name, "2026-12-09 10-15-30", and its length.
const size_t BackupTimeLength = 19;
// Finds the newest list of account icq kept at the end of a session that
// has not been offered yet; leaves its path and its time, "2026-12-09
// 10:15:30", and returns true when there is one.
bool FindUnsavedStatuses(const wchar_t *icq, wchar_t (&path)[MAX_PATH], wchar_t (&time)[BackupTimeLength + 1]);
// Remembers in the settings file that the list at path was offered, and
// renames it "... neuloženo obnoveno.reg" when it was restored.
void SetUnsavedStatusesOffered(const wchar_t *icq, const wchar_t *path, bool restored);

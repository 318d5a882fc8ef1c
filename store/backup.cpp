// The backups: before a save changes the statuses an account has, what the
// registry holds of them is kept, byte for byte, as a registry file in the
// folder "Zálohy" beside the settings file, the newest 20 of each account.
// When Windows ends the session over unsaved changes, the list is kept
// there too, to be offered at the next start.
#include "store/status_store.h"

#include "texts.h"

#include <shlwapi.h>
#include <string.h>
#include <wchar.h>

static const int BackupsKept = 20;
// Names made unique by " (2)" up to this number.
static const int BackupNameTries = 100;
static const size_t StampLength = BackupTimeLength;
// "<ICQ#> 2026-12-09 10-15-30 neuloženo (99).reg" and the terminator.
static const int BackupNameSize = IcqSize + 48;
// Room for any int in decimal.
static const int NumberSize = 12;

bool BackupFolder(wchar_t (&out)[MAX_PATH])
{
    CopyText(out, ARRAYSIZE(out), SettingsPath);
    PathRemoveFileSpecW(out);
    if (PathAppendW(out, TXT_BACKUP_FOLDER))
        return true;
    out[0] = 0;
    return false;
}

/* ---- What a save would change --------------------------------------------- */

// Whether value name of a status subkey holds exactly type and the size
// bytes at expected; buffer holds TextValueSize bytes, more than any value
// the save writes.
static bool HoldsValue(HKEY sub, const wchar_t *name, DWORD type, const void *expected, DWORD size, BYTE *buffer)
{
    DWORD storedType = REG_NONE, storedSize = TextValueSize;
    return RegQueryValueExW(sub, name, NULL, &storedType, buffer, &storedSize) == ERROR_SUCCESS &&
           storedType == type && storedSize == size && !memcmp(buffer, expected, size);
}

// Whether the status subkey holds the four values the save writes of record
// at position, and nothing else.
static bool HoldsRecord(HKEY sub, const StatusRecord &record, DWORD position, char *text, BYTE *buffer)
{
    DWORD count = 0;
    if (RegQueryInfoKeyW(sub, NULL, NULL, NULL, NULL, NULL, NULL, &count, NULL, NULL, NULL, NULL) != ERROR_SUCCESS ||
        count != 4)
        return false;
    DWORD length = (DWORD)TextToUtf8(record.Description, text, TextValueSize);
    if (!HoldsValue(sub, L"Description", REG_BINARY, text, length, buffer) ||
        !HoldsValue(sub, L"LineNumber", REG_DWORD, &position, sizeof position, buffer))
        return false;
    length = (DWORD)TextToUtf8(record.Name, text, TextValueSize);
    return HoldsValue(sub, L"Name", REG_BINARY, text, length, buffer) &&
           HoldsValue(sub, L"On", REG_DWORD, &record.On, sizeof record.On, buffer);
}

// Compares the status subkeys of the list key with what a save of list
// would leave there, in bytes. Sets *stored when the key has any of them;
// returns whether the save would change any.
static bool SaveChangesStatuses(HKEY key, const StatusTable *list, bool *stored)
{
    int position[IconCount + 1] = {}; // of each icon's record, from 1; 0 for none
    for (int i = 0; i < list->Count; i++)
        if (list->Records[i].IconIndex >= 1 && list->Records[i].IconIndex <= IconCount)
            position[list->Records[i].IconIndex] = i + 1;
    // One buffer for the text the save writes and one for what is stored.
    char *text = static_cast<char *>(HeapAlloc(GetProcessHeap(), 0, 2 * TextValueSize));
    BYTE *buffer = reinterpret_cast<BYTE *>(text + TextValueSize);
    bool changes = !text;
    *stored = false;
    for (int n = 1; n <= IconCount && !(changes && *stored); n++) {
        wchar_t name[NumberSize];
        wsprintfW(name, L"%d", n);
        HKEY sub = NULL;
        if (RegOpenKeyExW(key, name, 0, KEY_READ, &sub) != ERROR_SUCCESS) {
            changes = changes || position[n];
            continue;
        }
        *stored = true;
        changes = changes || !position[n] ||
                  !HoldsRecord(sub, list->Records[position[n] - 1], (DWORD)position[n], text, buffer);
        RegCloseKey(sub);
    }
    if (text)
        HeapFree(GetProcessHeap(), 0, text);
    return changes;
}

/* ---- Names and pruning ---------------------------------------------------- */

// Writes the local time as it stands in a backup's name.
static void MakeStamp(wchar_t (&stamp)[StampLength + 1])
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    wsprintfW(stamp, L"%04u-%02u-%02u %02u-%02u-%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
              now.wSecond);
}

// Whether text begins with a stamp, "dddd-dd-dd dd-dd-dd".
static bool StartsWithStamp(const wchar_t *text)
{
    static const wchar_t Shape[] = L"0000-00-00 00-00-00";
    for (size_t i = 0; i < StampLength; i++) {
        bool digit = text[i] >= L'0' && text[i] <= L'9';
        if (Shape[i] == L'0' ? !digit : text[i] != Shape[i])
            return false;
    }
    return true;
}

// The number of a name that MoveToBackupName made, from where its stamp or
// mark ends: 1 for ".reg", n for " (n).reg" (2 to BackupNameTries); 0 for
// anything else.
static unsigned NameNumber(const wchar_t *rest)
{
    if (wcscmp(rest, L".reg") == 0)
        return 1;
    if (rest[0] != L' ' || rest[1] != L'(' || rest[2] < L'1' || rest[2] > L'9')
        return 0;
    unsigned number = 0;
    for (rest += 2; *rest >= L'0' && *rest <= L'9' && number <= BackupNameTries; rest++)
        number = number * 10 + (unsigned)(*rest - L'0');
    return number >= 2 && number <= BackupNameTries && wcscmp(rest, L").reg") == 0 ? number : 0;
}

// The age of a backup of account icq named name, as a number that sorts
// the backups from the oldest: its stamp's digits, then its number (1
// without one). 0 when name is none of the names a backup of the account
// gets, "<icq> <stamp>.reg" or "<icq> <stamp> (n).reg", which leaves every
// other file alone.
static unsigned long long BackupAge(const wchar_t *name, const wchar_t *icq)
{
    size_t icqLength = wcslen(icq);
    if (wcsncmp(name, icq, icqLength) != 0 || name[icqLength] != L' ' || !StartsWithStamp(name + icqLength + 1))
        return 0;
    const wchar_t *stamp = name + icqLength + 1, *rest = stamp + StampLength;
    unsigned long long age = 0;
    for (size_t i = 0; i < StampLength; i++)
        if (stamp[i] >= L'0' && stamp[i] <= L'9')
            age = age * 10 + (unsigned)(stamp[i] - L'0');
    unsigned number = NameNumber(rest);
    return number ? age * 1000 + number : 0;
}

// Deletes the oldest backups of account icq in folder, by the time in their
// names, until BackupsKept are left; never the one named newest, just
// written. A backup that cannot be deleted stays, unreported (it costs room,
// never a status), and the next oldest goes instead.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): where, then whose, then which, as everywhere in this file
static void DeleteOldBackups(const wchar_t *folder, const wchar_t *icq, const wchar_t *newest)
{
    wchar_t pattern[MAX_PATH];
    CopyText(pattern, ARRAYSIZE(pattern), folder);
    if (!PathAppendW(pattern, L"*.reg"))
        return;
    unsigned long long tried = 0; // the age of the last one tried
    for (;;) {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW(pattern, &found);
        if (search == INVALID_HANDLE_VALUE)
            return;
        int count = 0;
        unsigned long long oldest = 0;
        wchar_t oldestName[MAX_PATH] = L"";
        do {
            unsigned long long age = BackupAge(found.cFileName, icq);
            if (!age || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                continue;
            count++;
            if (age > tried && (!oldest || age < oldest) && wcscmp(found.cFileName, newest) != 0) {
                oldest = age;
                CopyText(oldestName, ARRAYSIZE(oldestName), found.cFileName);
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
        wchar_t path[MAX_PATH];
        CopyText(path, ARRAYSIZE(path), folder);
        if (count <= BackupsKept || !oldest || !PathAppendW(path, oldestName))
            return;
        DeleteFileW(path);
        tried = oldest;
    }
}

// Moves the written file temp to "<icq> <stamp><kind>.reg" in folder, or a
// name with " (2)" and up when that is taken, and leaves that name in
// name. Returns ERROR_SUCCESS or the system's error code.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): what, then where, then whose
static DWORD MoveToBackupName(const wchar_t *temp, const wchar_t *folder, const wchar_t *icq, const wchar_t *kind,
                              wchar_t (&name)[BackupNameSize])
{
    wchar_t stamp[StampLength + 1];
    MakeStamp(stamp);
    DWORD error = ERROR_FILE_EXISTS;
    for (int n = 1; n <= BackupNameTries && (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS); n++) {
        wchar_t path[MAX_PATH];
        if (n == 1)
            wsprintfW(name, L"%s %s%s.reg", icq, stamp, kind);
        else
            wsprintfW(name, L"%s %s%s (%d).reg", icq, stamp, kind, n);
        CopyText(path, ARRAYSIZE(path), folder);
        if (!PathAppendW(path, name))
            return ERROR_FILENAME_EXCED_RANGE;
        // Without replacing: a name that is taken is tried with the next
        // number.
        error = MoveFileExW(temp, path, MOVEFILE_WRITE_THROUGH) ? ERROR_SUCCESS : GetLastError();
    }
    return error;
}

// The backup folder, made when missing, in folder. Returns ERROR_SUCCESS or
// the system's error code.
static DWORD MakeBackupFolder(wchar_t (&folder)[MAX_PATH])
{
    if (!BackupFolder(folder))
        return ERROR_FILENAME_EXCED_RANGE;
    if (!CreateDirectoryW(folder, NULL) && GetLastError() != ERROR_ALREADY_EXISTS)
        return GetLastError();
    return ERROR_SUCCESS;
}

DWORD BackUpStatuses(const wchar_t *icq, const StatusTable *list)
{
    HKEY key = NULL;
    // A list key that cannot be opened is the save's to report; it changes
    // nothing then.
    if (OpenAccountKey(HKEY_CURRENT_USER, icq, L"CustomStatusList", KEY_READ, &key) != ERROR_SUCCESS)
        return ERROR_SUCCESS;
    bool stored = false;
    DWORD error = ERROR_SUCCESS;
    if (SaveChangesStatuses(key, list, &stored) && stored) {
        wchar_t folder[MAX_PATH], temp[MAX_PATH], name[BackupNameSize];
        error = MakeBackupFolder(folder);
        if (error == ERROR_SUCCESS)
            error = WriteStoredStatusFile(folder, icq, key, temp);
        if (error == ERROR_SUCCESS) {
            error = MoveToBackupName(temp, folder, icq, L"", name);
            if (error != ERROR_SUCCESS)
                DeleteFileW(temp);
            else
                DeleteOldBackups(folder, icq, name);
        }
    }
    RegCloseKey(key);
    return error;
}

/* ---- Unsaved changes at the end of the session ------------------------------ */

// Texts compared unit for unit: a comparison by the language's rules would
// take texts that differ for the same.
static bool SameRecords(const StatusTable *a, const StatusTable *b)
{
    if (a->Count != b->Count)
        return false;
    for (int i = 0; i < a->Count; i++) {
        const StatusRecord &x = a->Records[i], &y = b->Records[i];
        if (x.IconIndex != y.IconIndex || x.On != y.On || wcscmp(x.Name, y.Name) != 0 ||
            wcscmp(x.Description, y.Description) != 0)
            return false;
    }
    return true;
}

// What the registry holds, read at the end of a session: a table of its
// own, which a table on the stack could not hold.
static StatusTable Stored;

DWORD KeepUnsavedStatuses(const wchar_t *icq, const StatusTable *list, wchar_t (&path)[MAX_PATH])
{
    path[0] = 0;
    // The list against what a load of the registry gives now: a list the
    // user emptied or changed back is told apart from the one stored.
    ReadStatusList(icq, &Stored, false);
    if (SameRecords(&Stored, list))
        return ERROR_SUCCESS;
    wchar_t folder[MAX_PATH], temp[MAX_PATH], name[BackupNameSize];
    DWORD error = MakeBackupFolder(folder);
    if (error == ERROR_SUCCESS)
        error = WriteStatusFile(folder, icq, list, temp);
    if (error == ERROR_SUCCESS) {
        error = MoveToBackupName(temp, folder, icq, TXT_UNSAVED_MARK, name);
        if (error != ERROR_SUCCESS)
            DeleteFileW(temp);
        else if (!CopyText(path, ARRAYSIZE(path), folder) || !PathAppendW(path, name))
            path[0] = 0;
    }
    return error;
}

// Data.ini's section of the unsaved lists offered at a start: the name of
// the last one offered, by ICQ#.
static const wchar_t OfferedSection[] = L"Unsaved";

bool FindUnsavedStatuses(const wchar_t *icq, wchar_t (&path)[MAX_PATH], wchar_t (&time)[StampLength + 1])
{
    path[0] = time[0] = 0;
    wchar_t folder[MAX_PATH], pattern[MAX_PATH];
    if (!BackupFolder(folder))
        return false;
    CopyText(pattern, ARRAYSIZE(pattern), folder);
    if (!PathAppendW(pattern, L"*.reg"))
        return false;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    // The newest by its name: "<icq> <stamp> neuloženo.reg" or with " (n)".
    size_t icqLength = wcslen(icq), markLength = wcslen(TXT_UNSAVED_MARK);
    wchar_t newest[MAX_PATH] = L"";
    do {
        const wchar_t *name = found.cFileName, *stamp = name + icqLength + 1;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || wcsncmp(name, icq, icqLength) != 0 ||
            name[icqLength] != L' ' || !StartsWithStamp(stamp) ||
            wcsncmp(stamp + StampLength, TXT_UNSAVED_MARK, markLength) != 0 ||
            !NameNumber(stamp + StampLength + markLength))
            continue;
        if (!newest[0] || wcscmp(name, newest) > 0)
            CopyText(newest, ARRAYSIZE(newest), name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    // One that was offered before is not offered again.
    wchar_t offered[MAX_PATH];
    GetPrivateProfileStringW(OfferedSection, icq, L"", offered, ARRAYSIZE(offered), SettingsPath);
    if (!newest[0] || !wcscmp(newest, offered))
        return false;
    CopyText(path, ARRAYSIZE(path), folder);
    if (!PathAppendW(path, newest)) {
        path[0] = 0;
        return false;
    }
    // Shown as a time of day: "2026-12-09 10:15:30".
    CopyText(time, ARRAYSIZE(time), newest + icqLength + 1, StampLength);
    time[13] = time[16] = L':';
    return true;
}

void SetUnsavedStatusesOffered(const wchar_t *icq, const wchar_t *path, bool restored)
{
    // Unreported, as every write of the settings file: at worst the list
    // is offered once more.
    WritePrivateProfileStringW(OfferedSection, icq, PathFindFileNameW(path), SettingsPath);
    if (!restored)
        return;
    // "... neuloženo.reg" becomes "... neuloženo obnoveno.reg".
    wchar_t renamed[MAX_PATH];
    size_t length = CopyText(renamed, ARRAYSIZE(renamed), path);
    size_t markLength = wcslen(TXT_RESTORED_MARK);
    if (length < 4 || length + markLength >= ARRAYSIZE(renamed))
        return;
    renamed[length - 4] = 0;
    wcscat(renamed, TXT_RESTORED_MARK);
    wcscat(renamed, L".reg");
    MoveFileExW(path, renamed, MOVEFILE_WRITE_THROUGH);
}

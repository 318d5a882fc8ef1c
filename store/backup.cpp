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

// What the registry holds before a save: kept from one save to the next, so
// that its memory is taken once.
static StoredStatuses Stored;

// Makes room for more bytes at the end of stored's block, and for one
// value more. False without the memory.
static bool MakeRoom(StoredStatuses *stored, size_t more)
{
    if (stored->ValueCount == stored->ValueRoom) {
        int room = stored->ValueRoom ? 2 * stored->ValueRoom : 4 * IconCount;
        void *values = stored->Values ? HeapReAlloc(GetProcessHeap(), 0, stored->Values, room * sizeof(StoredValue))
                                      : HeapAlloc(GetProcessHeap(), 0, room * sizeof(StoredValue));
        if (!values)
            return false;
        stored->Values = static_cast<StoredValue *>(values);
        stored->ValueRoom = room;
    }
    if (stored->Room - stored->Used >= more)
        return true;
    size_t room = stored->Room ? 2 * stored->Room : 64 * 1024;
    while (room - stored->Used < more)
        room *= 2;
    void *block = stored->Block ? HeapReAlloc(GetProcessHeap(), 0, stored->Block, room)
                                : HeapAlloc(GetProcessHeap(), 0, room);
    if (!block)
        return false;
    stored->Block = static_cast<BYTE *>(block);
    stored->Room = room;
    return true;
}

// Reads every value of status subkey sub into stored. Returns ERROR_SUCCESS
// or the error of a read: a backup without a value that is there would not
// be what the registry holds.
static LONG ReadStoredValues(HKEY sub, StoredStatuses *stored)
{
    DWORD count = 0, longestName = 0, longestData = 0;
    LONG error = RegQueryInfoKeyW(sub, NULL, NULL, NULL, NULL, NULL, NULL, &count, &longestName, &longestData, NULL,
                                  NULL);
    // Each value at a place of its own, its name first, both aligned.
    size_t nameRoom = ((longestName + 1) * sizeof(wchar_t) + 3) & ~(size_t)3, dataRoom = (longestData + 3) & ~3u;
    for (DWORD index = 0; index < count && error == ERROR_SUCCESS; index++) {
        if (!MakeRoom(stored, nameRoom + dataRoom))
            return ERROR_NOT_ENOUGH_MEMORY;
        StoredValue &value = stored->Values[stored->ValueCount];
        wchar_t *name = reinterpret_cast<wchar_t *>(stored->Block + stored->Used);
        BYTE *data = stored->Block + stored->Used + nameRoom;
        DWORD nameLength = longestName + 1;
        value.Size = longestData;
        error = RegEnumValueW(sub, index, name, &nameLength, NULL, &value.Type, data, &value.Size);
        if (error == ERROR_NO_MORE_ITEMS) // removed since it was counted
            return ERROR_SUCCESS;
        value.NameAt = stored->Used;
        value.DataAt = stored->Used + nameRoom;
        stored->Used += nameRoom + ((value.Size + 3) & ~3u);
        stored->ValueCount++;
    }
    return error;
}

// Reads what the status subkeys of the list key hold into stored. Returns
// ERROR_SUCCESS or the error of a read.
static LONG ReadStoredStatuses(HKEY key, StoredStatuses *stored)
{
    stored->ValueCount = 0;
    stored->Used = 0;
    LONG error = ERROR_SUCCESS;
    for (int n = 1; n <= IconCount && error == ERROR_SUCCESS; n++) {
        wchar_t name[NumberSize];
        wsprintfW(name, L"%d", n);
        HKEY sub = NULL;
        stored->First[n] = stored->ValueCount;
        error = RegOpenKeyExW(key, name, 0, KEY_READ, &sub);
        stored->Present[n] = error == ERROR_SUCCESS;
        if (error == ERROR_SUCCESS) {
            error = ReadStoredValues(sub, stored);
            RegCloseKey(sub);
        } else if (error == ERROR_FILE_NOT_FOUND) {
            error = ERROR_SUCCESS;
        }
        stored->Count[n] = stored->ValueCount - stored->First[n];
    }
    return error;
}

// Whether the values of status n hold value name exactly as type and the
// size bytes at expected.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): a value's name, type and bytes, in the registry's order
static bool HoldsValue(const StoredStatuses *stored, int n, const wchar_t *name, DWORD type, const void *expected,
                       DWORD size)
{
    for (int i = stored->First[n]; i < stored->First[n] + stored->Count[n]; i++) {
        const StoredValue &value = stored->Values[i];
        if (!lstrcmpiW(reinterpret_cast<const wchar_t *>(stored->Block + value.NameAt), name))
            return value.Type == type && value.Size == size && !memcmp(stored->Block + value.DataAt, expected, size);
    }
    return false;
}

// Whether what stored holds is what a save of list, whose texts are texts,
// would leave there, byte for byte.
static bool SaveKeepsStatuses(const StoredStatuses *stored, const StatusTable *list, const SaveTexts *texts)
{
    int position[IconCount + 1] = {}; // of each icon's record, from 1; 0 for none
    for (int i = 0; i < list->Count; i++)
        if (list->Records[i].IconIndex >= 1 && list->Records[i].IconIndex <= IconCount)
            position[list->Records[i].IconIndex] = i + 1;
    for (int n = 1; n <= IconCount; n++) {
        if (stored->Present[n] != (position[n] != 0))
            return false;
        if (!position[n])
            continue;
        int i = position[n] - 1;
        DWORD line = (DWORD)position[n];
        // Four values of four names: there is no other.
        if (stored->Count[n] != 4 ||
            !HoldsValue(stored, n, L"Description", REG_BINARY, texts->Bytes[i][0], texts->Length[i][0]) ||
            !HoldsValue(stored, n, L"LineNumber", REG_DWORD, &line, sizeof line) ||
            !HoldsValue(stored, n, L"Name", REG_BINARY, texts->Bytes[i][1], texts->Length[i][1]) ||
            !HoldsValue(stored, n, L"On", REG_DWORD, &list->Records[i].On, sizeof list->Records[i].On))
            return false;
    }
    return true;
}

/* ---- Names and pruning ---------------------------------------------------- */

// FindFirstFileW without the short names: the system makes one for each
// long name it lists, which costs more than the rest of a backup's pruning.
// Windows before 7 knows no such search and lists them as before.
static HANDLE FindFirstBackup(const wchar_t *pattern, WIN32_FIND_DATAW *found)
{
    HANDLE search = FindFirstFileExW(pattern, FindExInfoBasic, found, FindExSearchNameMatch, NULL, 0);
    if (search == INVALID_HANDLE_VALUE && GetLastError() == ERROR_INVALID_PARAMETER)
        search = FindFirstFileW(pattern, found);
    return search;
}

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
        HANDLE search = FindFirstBackup(pattern, &found);
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
        // One more was written than are kept: the one deleted is enough.
        if (DeleteFileW(path) && count - 1 <= BackupsKept)
            return;
        tried = oldest;
    }
}

// Moves the written file temp to "<icq> <stamp><kind>.reg" in folder, or a
// name with " (2)" and up when that is taken, with MoveFileExW's flags, and
// leaves that name in name. Returns ERROR_SUCCESS or the system's error
// code, temp deleted.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): what, then where, then whose
static DWORD MoveToBackupName(const wchar_t *temp, const wchar_t *folder, const wchar_t *icq, const wchar_t *kind,
                              wchar_t (&name)[BackupNameSize], DWORD flags)
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
        if (!PathAppendW(path, name)) {
            error = ERROR_FILENAME_EXCED_RANGE;
            break;
        }
        // Without replacing: a name that is taken is tried with the next
        // number.
        error = MoveFileExW(temp, path, flags) ? ERROR_SUCCESS : GetLastError();
    }
    if (error != ERROR_SUCCESS)
        DeleteFileW(temp);
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

DWORD BackUpStatuses(const wchar_t *icq, const StatusTable *list, const SaveTexts *texts)
{
    HKEY key = NULL;
    // A list key that cannot be opened is the save's to report; it changes
    // nothing then.
    if (OpenAccountKey(HKEY_CURRENT_USER, icq, L"CustomStatusList", KEY_READ, &key) != ERROR_SUCCESS)
        return ERROR_SUCCESS;
    // Read once, whole: what tells whether a backup is due is what it holds.
    DWORD error = (DWORD)ReadStoredStatuses(key, &Stored);
    RegCloseKey(key);
    bool any = false;
    for (int n = 1; n <= IconCount; n++)
        any = any || Stored.Present[n];
    if (error != ERROR_SUCCESS || !any || SaveKeepsStatuses(&Stored, list, texts))
        return error;
    wchar_t folder[MAX_PATH], temp[MAX_PATH];
    error = MakeBackupFolder(folder);
    if (error == ERROR_SUCCESS)
        error = WriteStoredStatusFile(folder, icq, &Stored, temp);
    if (error == ERROR_SUCCESS) {
        wchar_t name[BackupNameSize];
        error = MoveToBackupName(temp, folder, icq, L"", name, 0);
        if (error == ERROR_SUCCESS)
            DeleteOldBackups(folder, icq, name);
    }
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
static StatusTable StoredList;

DWORD KeepUnsavedStatuses(const wchar_t *icq, const StatusTable *list, wchar_t (&path)[MAX_PATH])
{
    path[0] = 0;
    // The list against what a load of the registry gives now: a list the
    // user emptied or changed back is told apart from the one stored.
    ReadStatusList(icq, &StoredList, false);
    if (SameRecords(&StoredList, list))
        return ERROR_SUCCESS;
    wchar_t folder[MAX_PATH], temp[MAX_PATH];
    DWORD error = MakeBackupFolder(folder);
    if (error == ERROR_SUCCESS)
        error = WriteStatusFile(folder, icq, list, temp);
    if (error == ERROR_SUCCESS) {
        wchar_t name[BackupNameSize];
        error = MoveToBackupName(temp, folder, icq, TXT_UNSAVED_MARK, name, MOVEFILE_WRITE_THROUGH);
        if (error == ERROR_SUCCESS && (!CopyText(path, ARRAYSIZE(path), folder) || !PathAppendW(path, name)))
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
    HANDLE search = FindFirstBackup(pattern, &found);
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

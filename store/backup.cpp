// The backups: before a save replaces the statuses an account has, they are
// kept as a registry file in the folder "Zálohy" beside the settings file,
// the newest 20 of each account.
#include "store/status_store.h"

#include "texts.h"

#include <shlwapi.h>
#include <string.h>
#include <wchar.h>

static const int BackupsKept = 20;
// Names made unique by " (2)" up to this number.
static const int BackupNameTries = 100;
// "<ICQ#> 2026-12-09 10-15-30 (99).reg" and the terminator.
static const int BackupNameSize = IcqSize + 40;

bool BackupFolder(wchar_t (&out)[MAX_PATH])
{
    CopyText(out, ARRAYSIZE(out), SettingsPath);
    PathRemoveFileSpecW(out);
    if (PathAppendW(out, TXT_BACKUP_FOLDER))
        return true;
    out[0] = 0;
    return false;
}

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

// Whether name is that of a backup of account icq: "<icq> ... .reg".
static bool IsBackupOf(const wchar_t *name, const wchar_t *icq)
{
    size_t icqLength = wcslen(icq), length = wcslen(name);
    return length > icqLength + 4 && !memcmp(name, icq, icqLength * sizeof(wchar_t)) && name[icqLength] == L' ' &&
           !lstrcmpiW(name + length - 4, L".reg");
}

// Deletes the oldest backups of account icq in folder (by the time they were
// written, then by name) until BackupsKept are left. A backup that cannot be
// deleted stays, unreported: it costs room, never a status.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): where, then whose, as everywhere in this file
static void DeleteOldBackups(const wchar_t *folder, const wchar_t *icq)
{
    wchar_t pattern[MAX_PATH];
    CopyText(pattern, ARRAYSIZE(pattern), folder);
    if (!PathAppendW(pattern, L"*"))
        return;
    for (;;) {
        WIN32_FIND_DATAW found, oldest;
        HANDLE search = FindFirstFileW(pattern, &found);
        if (search == INVALID_HANDLE_VALUE)
            return;
        int count = 0;
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !IsBackupOf(found.cFileName, icq))
                continue;
            LONG order = count ? CompareFileTime(&found.ftLastWriteTime, &oldest.ftLastWriteTime) : -1;
            if (order < 0 || (order == 0 && lstrcmpW(found.cFileName, oldest.cFileName) < 0))
                oldest = found;
            count++;
        } while (FindNextFileW(search, &found));
        FindClose(search);
        wchar_t path[MAX_PATH];
        CopyText(path, ARRAYSIZE(path), folder);
        // After a save one backup is over: no second look for more.
        if (count <= BackupsKept || !PathAppendW(path, oldest.cFileName) || !DeleteFileW(path) ||
            count - 1 <= BackupsKept)
            return;
    }
}

// Moves the written file temp to a name of its own in folder. Returns
// ERROR_SUCCESS or the system's error code.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): what, then where, then whose
static DWORD MoveToBackupName(const wchar_t *temp, const wchar_t *folder, const wchar_t *icq)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t stamp[BackupNameSize];
    wsprintfW(stamp, L"%s %04u-%02u-%02u %02u-%02u-%02u", icq, now.wYear, now.wMonth, now.wDay, now.wHour,
              now.wMinute, now.wSecond);
    DWORD error = ERROR_FILE_EXISTS;
    for (int n = 1; n <= BackupNameTries && (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS); n++) {
        wchar_t name[BackupNameSize + 8], path[MAX_PATH];
        if (n == 1)
            wsprintfW(name, L"%s.reg", stamp);
        else
            wsprintfW(name, L"%s (%d).reg", stamp, n);
        CopyText(path, ARRAYSIZE(path), folder);
        if (!PathAppendW(path, name))
            return ERROR_FILENAME_EXCED_RANGE;
        // Without replacing: a name that is taken is tried with the next
        // number.
        error = MoveFileExW(temp, path, MOVEFILE_WRITE_THROUGH) ? ERROR_SUCCESS : GetLastError();
    }
    return error;
}

// What the registry holds, read before every save: a table of its own,
// which every save would otherwise allocate.
static StatusTable Stored;

DWORD BackUpStatuses(const wchar_t *icq, const StatusTable *list)
{
    StatusTable *stored = &Stored;
    DWORD error = ERROR_SUCCESS;
    if (ReadStatusList(icq, stored, false) == 0 && stored->Count > 0 && !SameRecords(stored, list)) {
        wchar_t folder[MAX_PATH], temp[MAX_PATH];
        if (!BackupFolder(folder))
            error = ERROR_FILENAME_EXCED_RANGE;
        else if (!CreateDirectoryW(folder, NULL) && GetLastError() != ERROR_ALREADY_EXISTS)
            error = GetLastError();
        else
            error = WriteStatusFile(folder, icq, stored, temp);
        if (error == ERROR_SUCCESS) {
            error = MoveToBackupName(temp, folder, icq);
            if (error != ERROR_SUCCESS)
                DeleteFileW(temp);
            else
                DeleteOldBackups(folder, icq);
        }
    }
    return error;
}

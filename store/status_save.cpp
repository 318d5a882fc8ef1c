// Saving the status list to the registry.
//
// The save never leaves the registry with fewer statuses than it found:
// each record is written into its own subkey first, overwriting the values
// of the same icon in place, and only when every record has been written
// are the subkeys that no record uses removed. Ending the program halfway
// (Cancel in an error report, a crash) thus keeps every status that was
// stored before, at worst beside some already rewritten ones.
#include "store/status_store.h"

#include "app/text.h"
#include "diag/diag.h"
#include "texts.h"

static bool IsStatusValueName(const wchar_t *name)
{
    return !lstrcmpiW(name, L"Description") || !lstrcmpiW(name, L"LineNumber") ||
           !lstrcmpiW(name, L"Name") || !lstrcmpiW(name, L"On");
}

// A finished save leaves each status subkey with its four values only, as a
// freshly created subkey would be. Failures here lose nothing and are not
// reported.
static void RemoveOtherValues(HKEY sub)
{
    // Just written, the four values are there: four values in all means
    // there is nothing else, and spares the walk through them.
    DWORD count = 0;
    if (RegQueryInfoKeyW(sub, NULL, NULL, NULL, NULL, NULL, NULL, &count, NULL, NULL, NULL, NULL) !=
            ERROR_SUCCESS || count <= 4)
        return;
    // Walked from the last value down: a deletion moves only the values
    // after it, which are done. A name too long to read (over 16383
    // characters) cannot be named to delete it and stays.
    wchar_t name[16384];
    for (DWORD index = count; index-- > 0;) {
        DWORD length = 16384;
        if (RegEnumValueW(sub, index, name, &length, NULL, NULL, NULL, NULL) == ERROR_SUCCESS &&
            !IsStatusValueName(name))
            RegDeleteValueW(sub, name);
    }
}

static void WriteRecord(HKEY list, const StatusRecord &record, DWORD position, char *bytes, size_t size)
{
    wchar_t name[12]; // any int in decimal
    wsprintfW(name, L"%d", record.IconIndex);
    HKEY sub = NULL;
    // After a failed creation the writes below still run; each fails on the
    // missing key and is reported in turn.
    int line = 0;
    LONG status = AT_LINE(line, RegCreateKeyExW(list, name, 0, NULL, REG_OPTION_NON_VOLATILE,
                                                KEY_WRITE | KEY_QUERY_VALUE, NULL, &sub, NULL));
    if (status != ERROR_SUCCESS)
        ReportError(line, TXT_PROC_SAVE, TXT_CMD_CREATE_STATUS, status);

    DWORD length = (DWORD)TextToUtf8(record.Description, bytes, size);
    status = AT_LINE(line, RegSetValueExW(sub, L"Description", 0, REG_BINARY, (const BYTE *)bytes, length));
    if (status != ERROR_SUCCESS)
        ReportError(line, TXT_PROC_SAVE, TXT_CMD_SET_DESCRIPTION, status);

    status = AT_LINE(line, RegSetValueExW(sub, L"LineNumber", 0, REG_DWORD, (const BYTE *)&position, sizeof position));
    if (status != ERROR_SUCCESS)
        ReportError(line, TXT_PROC_SAVE, TXT_CMD_SET_LINE_NUMBER, status);

    length = (DWORD)TextToUtf8(record.Name, bytes, size);
    status = AT_LINE(line, RegSetValueExW(sub, L"Name", 0, REG_BINARY, (const BYTE *)bytes, length));
    if (status != ERROR_SUCCESS)
        ReportError(line, TXT_PROC_SAVE, TXT_CMD_SET_NAME, status);

    status = AT_LINE(line, RegSetValueExW(sub, L"On", 0, REG_DWORD, (const BYTE *)&record.On, sizeof record.On));
    if (status != ERROR_SUCCESS)
        ReportError(line, TXT_PROC_SAVE, TXT_CMD_SET_ON, status);

    if (sub)
        RemoveOtherValues(sub);
    status = AT_LINE(line, RegCloseKey(sub));
    if (status != ERROR_SUCCESS)
        ReportError(line, TXT_PROC_SAVE, TXT_CMD_CLOSE_KEY, status);
}

int WriteStatusList(const wchar_t *icq, const StatusTable *list)
{
    // Read access for the test, write access to create and fill the status
    // subkeys through this handle.
    HKEY key = NULL;
    LONG status = 0;
    int line = 0;
    if (!AT_LINE(line, OpenStatusListKey(icq, &key, KEY_READ | KEY_WRITE, &status))) {
        ReportError(line, TXT_PROC_SAVE, TXT_CMD_OPEN_LIST, status);
        return -1;
    }

    char bytes[8192]; // one record's text in UTF-8
    bool used[33] = {};
    for (int i = 0; i < list->Count; i++) {
        const StatusRecord &record = list->Records[i];
        WriteRecord(key, record, (DWORD)i + 1, bytes, sizeof bytes);
        if (record.IconIndex >= 1 && record.IconIndex <= 32)
            used[record.IconIndex] = true;
    }

    // Only now that every record is stored: drop the statuses no record
    // uses. A subkey that cannot be deleted is left as it is, unreported.
    for (int n = 1; n <= 32; n++) {
        if (used[n])
            continue;
        wchar_t name[8];
        wsprintfW(name, L"%d", n);
        RegDeleteKeyW(key, name);
    }
    RegCloseKey(key);
    return 0;
}

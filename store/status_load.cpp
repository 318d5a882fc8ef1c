// Loading the status list from the registry.
#include "store/status_store.h"

#include "app/text.h"
#include "diag/diag.h"
#include "texts.h"

#include <string.h>

// The longest value read again when it does not fit the read of its field;
// a longer one is never read whole.
static const DWORD LongestValue = 64 * 1024;

// What one load reads values into.
struct LoadBuffers {
    char bytes[8192 + 1]; // the largest read of a field and a spare byte
    char *longer;         // LongestValue bytes, allocated at the first value that needs them, or null
};

// Reads text value name of a status subkey, at most capacity bytes of UTF-8
// (8192 at most), into field. The text ends at its first zero byte or at the
// end of the data.
static void ReadTextValue(HKEY key, const char *name, LoadBuffers *buffers, DWORD capacity,
                          wchar_t *field, size_t fieldCap, const wchar_t *command)
{
    char *bytes = buffers->bytes;
    DWORD size = capacity;
    int line = 0;
    LONG status = AT_LINE(line, RegQueryValueExA(key, name, NULL, NULL, (BYTE *)bytes, &size));
    if (status == ERROR_MORE_DATA) {
        ReportError(line, TXT_PROC_LOAD, command, status);
        // What a failed read leaves in the buffer is undefined. A value of
        // up to LongestValue bytes is read again whole and keeps its first
        // capacity bytes, cut where a UTF-8 character begins, so the field
        // holds a clean beginning. A longer one, one that grew in between
        // (a second ERROR_MORE_DATA) or one without the memory to read it
        // leaves the field empty.
        field[0] = 0;
        DWORD whole = size;
        if (whole <= capacity || whole > LongestValue)
            return;
        if (!buffers->longer)
            buffers->longer = (char *)HeapAlloc(GetProcessHeap(), 0, LongestValue);
        char *all = buffers->longer;
        if (!all || RegQueryValueExA(key, name, NULL, NULL, (BYTE *)all, &whole) != ERROR_SUCCESS)
            return;
        size = whole;
        if (size > capacity) {
            size = capacity;
            while (size > 0 && ((unsigned char)all[size] & 0xC0) == 0x80)
                size--;
        }
        memcpy(bytes, all, size);
    } else if (status != ERROR_SUCCESS) {
        ReportError(line, TXT_PROC_LOAD, command, status);
        field[0] = 0;
        return;
    }
    if (size > capacity) // a success never says more than it was given
        size = capacity;
    bytes[size] = 0; // the spare byte ends any text
    Utf8ToText(bytes, strlen(bytes), field, fieldCap);
}

// Reads a 4-byte value of a status subkey into field; a failed read leaves 0.
static void ReadNumberValue(HKEY key, const char *name, DWORD *field, const wchar_t *command)
{
    DWORD value = 0, size = sizeof value;
    int line = 0;
    LONG status = AT_LINE(line, RegQueryValueExA(key, name, NULL, NULL, (BYTE *)&value, &size));
    if (status != ERROR_SUCCESS) {
        ReportError(line, TXT_PROC_LOAD, command, status);
        value = 0;
    }
    *field = value;
}

// The client's order: by line number, equal numbers keeping the order they
// were read in (ascending icons), a record without a number (0) first. An
// insertion sort, stable: a list the client or this program saved is in
// order already, and then no record is moved.
static void SortByLineNumber(StatusTable *list)
{
    StatusRecord *records = list->Records;
    for (int i = 1; i < list->Count; i++) {
        int to = i;
        while (to > 0 && records[to - 1].LineNumber > records[i].LineNumber)
            to--;
        if (to == i)
            continue;
        StatusRecord moved = records[i];
        memmove(&records[to + 1], &records[to], (i - to) * sizeof *records);
        records[to] = moved;
    }
}

int ReadStatusList(const wchar_t *icq, StatusTable *list)
{
    list->Count = 0;
    HKEY key = NULL;
    LONG status = 0;
    int line = 0;
    if (!AT_LINE(line, OpenStatusListKey(icq, &key, KEY_READ, &status))) {
        ReportError(line, TXT_PROC_LOAD, TXT_CMD_OPEN_LIST, status);
        return -1;
    }

    // Records are large (10 KB): they are read in place.
    LoadBuffers buffers;
    buffers.longer = NULL;
    for (int n = 1; n <= MaxStatuses; n++) {
        wchar_t name[8];
        wsprintfW(name, L"%d", n);
        HKEY sub = NULL;
        // A missing status is no error: the client keeps only the icons in use.
        if (RegOpenKeyExW(key, name, 0, KEY_READ, &sub) != ERROR_SUCCESS)
            continue;
        StatusRecord &record = list->Records[list->Count++];
        memset(&record, 0, sizeof record);
        ReadTextValue(sub, "Description", &buffers, 8192, record.Description, 4096, TXT_CMD_QUERY_DESCRIPTION);
        ReadNumberValue(sub, "LineNumber", &record.LineNumber, TXT_CMD_QUERY_LINE_NUMBER);
        ReadTextValue(sub, "Name", &buffers, 2048, record.Name, 1024, TXT_CMD_QUERY_NAME);
        ReadNumberValue(sub, "On", &record.On, TXT_CMD_QUERY_ON);
        status = AT_LINE(line, RegCloseKey(sub));
        if (status != ERROR_SUCCESS)
            ReportError(line, TXT_PROC_LOAD, TXT_CMD_CLOSE_KEY, status);
        record.IconIndex = n;
    }
    RegCloseKey(key);
    if (buffers.longer)
        HeapFree(GetProcessHeap(), 0, buffers.longer);
    SortByLineNumber(list);
    return 0;
}

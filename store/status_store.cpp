// The one status list of the program and its dirty flag, and its exchange
// with the registry: the load, in the client's order, and the save.
//
// The save never leaves the registry with fewer statuses than it found:
// each record is written into its own subkey first, overwriting the values
// of the same icon in place, and only when every record has been written
// are the subkeys that no record uses removed. Ending the program halfway
// (Cancel in an error report, a crash) thus keeps every status that was
// stored before, at worst beside some already rewritten ones.
#include "store/status_store.h"

#include "diag/diag.h"
#include "texts.h"

#include <string.h>

StatusTable StatusList;
int StatusListDirty;


// Room for any int in decimal.
static const int KeyNameSize = 12;

// The name of status subkey n, "1" to "32".
static void StatusKeyName(int n, wchar_t (&name)[KeyNameSize])
{
    wsprintfW(name, L"%d", n);
}

/* ---- Load ---------------------------------------------------------------- */

// What one load reads values into.
struct LoadBuffers {
    char bytes[DescriptionValueSize + 1]; // the largest read of a field and a spare byte
    char *longer; // LongestValue bytes, allocated at the first value that needs them, or null
};

void MakeTextField(const char *bytes, DWORD size, DWORD capacity, wchar_t *field, size_t fieldCap)
{
    field[0] = 0;
    if (size > LongestValue)
        return;
    if (size > capacity)
        size = (DWORD)CutUtf8AtCharacter(bytes, capacity);
    const char *zero = static_cast<const char *>(memchr(bytes, 0, size));
    size_t length = zero ? (size_t)(zero - bytes) : size;
    bool invalid = false;
    Utf8ToText(bytes, length, field, fieldCap, &invalid);
    // The field keeps what a save writes whole and the next load reads back
    // unchanged: bytes that are no UTF-8 each become U+FFFD, three bytes when
    // the text is written again, and a text may take a byte more than a save
    // writes. Valid text of fewer bytes is written back as it was read.
    DWORD room = capacity < TextValueSize ? capacity : TextValueSize - 1;
    if (invalid || length > room)
        CutToUtf8Size(field, room);
}

DWORD MakeNumberField(const BYTE *bytes, DWORD size)
{
    DWORD value = 0;
    if (size <= sizeof value)
        memcpy(&value, bytes, size);
    return value;
}

// Reads text value name of a status subkey, at most capacity bytes of UTF-8
// (DescriptionValueSize at most), into field. A failure is reported as the
// failure of command; without a command it is not.
static void ReadTextValue(HKEY key, const char *name, LoadBuffers *buffers, DWORD capacity,
                          wchar_t *field, size_t fieldCap, const wchar_t *command)
{
    char *bytes = buffers->bytes;
    DWORD size = capacity;
    LONG status = REPORT_IF_FAILED(TXT_PROC_LOAD, command, RegQueryValueExA(key, name, NULL, NULL,
        reinterpret_cast<BYTE *>(bytes), &size));
    field[0] = 0;
    if (status == ERROR_MORE_DATA) {
        // What a failed read leaves in the buffer is undefined. A value of
        // up to LongestValue bytes is read again whole and keeps its first
        // capacity bytes, cut where a UTF-8 character begins, so the field
        // holds a clean beginning. A longer one, one that grew in between
        // (a second ERROR_MORE_DATA) or one without the memory to read it
        // leaves the field empty.
        DWORD whole = size;
        if (whole <= capacity || whole > LongestValue)
            return;
        if (!buffers->longer)
            buffers->longer = static_cast<char *>(HeapAlloc(GetProcessHeap(), 0, LongestValue));
        char *all = buffers->longer;
        if (all && RegQueryValueExA(key, name, NULL, NULL, reinterpret_cast<BYTE *>(all), &whole) == ERROR_SUCCESS)
            MakeTextField(all, whole, capacity, field, fieldCap);
    } else if (status == ERROR_SUCCESS) {
        // A success never says more than it was given.
        MakeTextField(bytes, size < capacity ? size : capacity, capacity, field, fieldCap);
    }
}

// Reads a 4-byte value of a status subkey into field; a failed read leaves
// 0, and is reported as ReadTextValue's.
static void ReadNumberValue(HKEY key, const char *name, DWORD *field, const wchar_t *command)
{
    BYTE value[sizeof(DWORD)];
    DWORD size = sizeof value;
    LONG status = REPORT_IF_FAILED(TXT_PROC_LOAD, command, RegQueryValueExA(key, name, NULL, NULL, value, &size));
    *field = status == ERROR_SUCCESS ? MakeNumberField(value, size) : 0;
}

// The client's order: by line number, equal numbers keeping the order they
// were read in (ascending icons), a record without a number (0) first. An
// insertion sort, stable: a list the client or this program saved is in
// order already, and then no record is moved.
void SortByLineNumber(StatusTable *list)
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

int ReadStatusList(const wchar_t *icq, StatusTable *list, bool report)
{
    list->Count = 0;
    HKEY key = NULL;
    // Without a command text nothing is reported.
    if (REPORT_IF_FAILED(TXT_PROC_LOAD, report ? TXT_CMD_OPEN_LIST : NULL, OpenAccountKey(HKEY_CURRENT_USER, icq,
        L"CustomStatusList", KEY_READ, &key)))
        return -1;

    // Records are large (10 KB): they are read in place.
    LoadBuffers buffers;
    buffers.longer = NULL;
    for (int n = 1; n <= IconCount; n++) {
        wchar_t name[KeyNameSize];
        StatusKeyName(n, name);
        HKEY sub = NULL;
        // A missing status is no error: the client keeps only the icons in use.
        if (RegOpenKeyExW(key, name, 0, KEY_READ, &sub) != ERROR_SUCCESS)
            continue;
        StatusRecord &record = list->Records[list->Count++];
        memset(&record, 0, sizeof record);
        ReadTextValue(sub, "Description", &buffers, DescriptionValueSize, record.Description,
                      ARRAYSIZE(record.Description), report ? TXT_CMD_QUERY_DESCRIPTION : NULL);
        ReadNumberValue(sub, "LineNumber", &record.LineNumber, report ? TXT_CMD_QUERY_LINE_NUMBER : NULL);
        ReadTextValue(sub, "Name", &buffers, NameValueSize, record.Name, ARRAYSIZE(record.Name),
                      report ? TXT_CMD_QUERY_NAME : NULL);
        ReadNumberValue(sub, "On", &record.On, report ? TXT_CMD_QUERY_ON : NULL);
        REPORT_IF_FAILED(TXT_PROC_LOAD, report ? TXT_CMD_CLOSE_KEY : NULL, RegCloseKey(sub));
        record.IconIndex = n;
    }
    RegCloseKey(key);
    if (buffers.longer)
        HeapFree(GetProcessHeap(), 0, buffers.longer);
    SortByLineNumber(list);
    return 0;
}

/* ---- Save ---------------------------------------------------------------- */

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
    // characters, the registry's limit) cannot be named to delete it and
    // stays.
    wchar_t name[16384];
    for (DWORD index = count; index-- > 0;) {
        DWORD length = ARRAYSIZE(name);
        if (RegEnumValueW(sub, index, name, &length, NULL, NULL, NULL, NULL) == ERROR_SUCCESS &&
            !IsStatusValueName(name))
            RegDeleteValueW(sub, name);
    }
}

void MakeSaveTexts(const StatusTable *list, SaveTexts *texts)
{
    for (int i = 0; i < list->Count; i++) {
        texts->Length[i][0] = (DWORD)TextToUtf8(list->Records[i].Description, texts->Bytes[i][0], TextValueSize);
        texts->Length[i][1] = (DWORD)TextToUtf8(list->Records[i].Name, texts->Bytes[i][1], TextValueSize);
    }
}

// Writes one record into the subkey of its icon; bytes holds TextValueSize,
// or saved holds the record's texts in UTF-8.
static void WriteRecord(HKEY list, const StatusRecord &record, DWORD position, char *bytes, const char (*saved)[TextValueSize],
                        const DWORD *savedLength)
{
    wchar_t name[KeyNameSize];
    StatusKeyName(record.IconIndex, name);
    HKEY sub = NULL;
    // After a failed creation the writes below still run; each fails on the
    // missing key and is reported in turn.
    REPORT_IF_FAILED(TXT_PROC_SAVE, TXT_CMD_CREATE_STATUS, RegCreateKeyExW(list, name, 0, NULL,
        REG_OPTION_NON_VOLATILE, KEY_WRITE | KEY_QUERY_VALUE, NULL, &sub, NULL));
    const char *text = saved ? saved[0] : bytes;
    DWORD length = saved ? savedLength[0] : (DWORD)TextToUtf8(record.Description, bytes, TextValueSize);
    REPORT_IF_FAILED(TXT_PROC_SAVE, TXT_CMD_SET_DESCRIPTION, RegSetValueExW(sub, L"Description", 0, REG_BINARY,
        reinterpret_cast<const BYTE *>(text), length));
    REPORT_IF_FAILED(TXT_PROC_SAVE, TXT_CMD_SET_LINE_NUMBER, RegSetValueExW(sub, L"LineNumber", 0, REG_DWORD,
        (const BYTE *)&position, sizeof position));
    text = saved ? saved[1] : bytes;
    length = saved ? savedLength[1] : (DWORD)TextToUtf8(record.Name, bytes, TextValueSize);
    REPORT_IF_FAILED(TXT_PROC_SAVE, TXT_CMD_SET_NAME, RegSetValueExW(sub, L"Name", 0, REG_BINARY,
        reinterpret_cast<const BYTE *>(text), length));
    REPORT_IF_FAILED(TXT_PROC_SAVE, TXT_CMD_SET_ON, RegSetValueExW(sub, L"On", 0, REG_DWORD,
        (const BYTE *)&record.On, sizeof record.On));
    if (sub)
        RemoveOtherValues(sub);
    REPORT_IF_FAILED(TXT_PROC_SAVE, TXT_CMD_CLOSE_KEY, RegCloseKey(sub));
}

int WriteStatusList(const wchar_t *icq, const StatusTable *list, const SaveTexts *texts)
{
    // Read access as the load opens the key, write access to create and fill
    // the status subkeys through this handle.
    HKEY key = NULL;
    if (REPORT_IF_FAILED(TXT_PROC_SAVE, TXT_CMD_OPEN_LIST, OpenAccountKey(HKEY_CURRENT_USER, icq, L"CustomStatusList",
        KEY_READ | KEY_WRITE, &key)))
        return -1;

    char bytes[TextValueSize]; // one record's text in UTF-8
    bool used[IconCount + 1] = {};
    for (int i = 0; i < list->Count; i++) {
        const StatusRecord &record = list->Records[i];
        WriteRecord(key, record, (DWORD)i + 1, bytes, texts ? texts->Bytes[i] : NULL, texts ? texts->Length[i] : NULL);
        if (record.IconIndex >= 1 && record.IconIndex <= IconCount)
            used[record.IconIndex] = true;
    }

    // Only now that every record is stored: drop the statuses no record
    // uses. A subkey that cannot be deleted is left as it is, unreported.
    for (int n = 1; n <= IconCount; n++) {
        if (used[n])
            continue;
        wchar_t name[KeyNameSize];
        StatusKeyName(n, name);
        RegDeleteKeyW(key, name);
    }
    RegCloseKey(key);
    return 0;
}

/* ---- The list as the main window shows it -------------------------------- */

int LoadAll()
{
    wchar_t icq[IcqSize];
    GetCurrentIcq(icq, ARRAYSIZE(icq));
    StatusListDirty = 0;
    ForgetListChanges();
    int result = ReadStatusList(icq, &StatusList);
    // Also after a failed load: no row may stand for a record that is gone.
    FillStatusListView();
    return result;
}

// Asks whether to save although the statuses it replaces have no backup.
static bool SaveWithoutBackup(DWORD error)
{
    wchar_t description[ErrorTextSize], question[ErrorTextSize + ARRAYSIZE(TXT_ASK_SAVE_WITHOUT_BACKUP)];
    DescribeErrorBriefly(error, description, ARRAYSIZE(description));
    FillTemplate(question, ARRAYSIZE(question), TXT_ASK_SAVE_WITHOUT_BACKUP, {description});
    return AskQuestion(question) == IDYES;
}

// The texts of the list being saved: half a megabyte, which no save needs
// twice at once.
static SaveTexts Saving;

int SaveAll()
{
    wchar_t icq[IcqSize];
    GetCurrentIcq(icq, ARRAYSIZE(icq));
    MakeSaveTexts(&StatusList, &Saving);
    DWORD backup = BackUpStatuses(icq, &StatusList, &Saving);
    if (backup != ERROR_SUCCESS && !SaveWithoutBackup(backup))
        return -2;
    int result = WriteStatusList(icq, &StatusList, &Saving);
    if (result == 0)
        StatusListDirty = 0;
    return result;
}

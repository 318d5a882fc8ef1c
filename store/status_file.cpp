// The statuses as a registry file, written in the format regedit writes, so
// that the system itself can put them back (store/status_reader.cpp reads
// such files).
#include "store/status_store.h"

#include <string.h>
#include <wchar.h>

static const wchar_t FileHeader[] = L"Windows Registry Editor Version 5.00";
// Every status section of a file this program writes names its key so.
static const wchar_t ListRoot[] = L"HKEY_CURRENT_USER\\" ICQ_KEY_PATH L"\\NewOwners\\";
static const wchar_t ListLeaf[] = L"\\CustomStatusList\\";

/* ---- Writing ------------------------------------------------------------- */

// Units gathered before each write to the file: each write costs about as
// much as formatting 20 KB, and a file of 32 long statuses is 2 MB.
static const size_t WriterUnits = 128 * 1024;
// regedit ends a line of hex bytes once it reaches this column, and goes on
// after a backslash on the next line, two blanks in.
static const size_t HexLineEnd = 77;

struct FileWriter {
    HANDLE file;
    DWORD error; // the first failed write's, or ERROR_SUCCESS
    size_t used;
    wchar_t units[WriterUnits];
};

static void FlushUnits(FileWriter *out)
{
    DWORD bytes = (DWORD)out->used * (DWORD)sizeof(wchar_t), written = 0;
    if (out->error == ERROR_SUCCESS && bytes && !WriteFile(out->file, out->units, bytes, &written, NULL))
        out->error = GetLastError();
    else if (out->error == ERROR_SUCCESS && written != bytes)
        out->error = ERROR_WRITE_FAULT;
    out->used = 0;
}

static void PutText(FileWriter *out, const wchar_t *text)
{
    for (; *text; text++) {
        if (out->used == WriterUnits)
            FlushUnits(out);
        out->units[out->used++] = *text;
    }
}

// A value's name as regedit writes it: "@" for the default value, else in
// quotes, with \\ and \" (and line breaks as \r and \n, which reg reads
// back). Returns the units written.
static size_t PutValueName(FileWriter *out, const wchar_t *name)
{
    if (!*name) {
        PutText(out, L"@");
        return 1;
    }
    PutText(out, L"\"");
    size_t column = 2;
    for (; *name; name++) {
        wchar_t unit[3] = {*name, 0, 0};
        if (*name == L'\\' || *name == L'"' || *name == L'\r' || *name == L'\n') {
            unit[0] = L'\\';
            unit[1] = *name == L'\r' ? L'r' : *name == L'\n' ? L'n' : *name;
        }
        PutText(out, unit);
        column += wcslen(unit);
    }
    PutText(out, L"\"");
    return column;
}

// One line of hex bytes and its line end take at most this many units.
static const size_t HexLineUnits = HexLineEnd + 8;

// The bytes as regedit writes them after "hex:", from the column the line
// has reached.
static void PutHexBytes(FileWriter *out, size_t column, const BYTE *bytes, size_t size)
{
    // Each byte's "xx," made once: a backup writes hundreds of thousands.
    static wchar_t Pairs[256][3];
    if (!Pairs[0][2]) {
        static const wchar_t Digits[] = L"0123456789abcdef";
        for (int b = 0; b < 256; b++) {
            Pairs[b][0] = Digits[b >> 4];
            Pairs[b][1] = Digits[b & 15];
            Pairs[b][2] = L',';
        }
    }
    for (size_t i = 0; i < size;) {
        // A line at a time, written straight into the units: its bytes are
        // those up to the one that reaches the column of the line's end.
        if (WriterUnits - out->used < HexLineUnits)
            FlushUnits(out);
        wchar_t *at = out->units + out->used;
        size_t line = column < HexLineEnd ? (HexLineEnd - column + 2) / 3 : 1;
        size_t end = i + line < size ? i + line : size;
        for (; i < end; i++, at += 3)
            memcpy(at, Pairs[bytes[i]], sizeof Pairs[0]);
        if (i == size) {
            at--; // no comma after the last byte
        } else {
            memcpy(at, L"\\\r\n  ", 5 * sizeof(wchar_t));
            at += 5;
            column = 2;
        }
        out->used = at - out->units;
    }
}

// Whether text data of size bytes is one that regedit writes in quotes and
// reads back to the same bytes: whole units, one terminating zero at the
// end and no other, no line break.
static bool IsQuotable(const BYTE *bytes, size_t size)
{
    if (size < sizeof(wchar_t) || size % sizeof(wchar_t))
        return false;
    for (size_t i = 0; i < size; i += sizeof(wchar_t)) {
        wchar_t unit;
        memcpy(&unit, bytes + i, sizeof unit);
        bool last = i + sizeof unit == size;
        if ((unit == 0) != last || unit == L'\r' || unit == L'\n')
            return false;
    }
    return true;
}

// One value line, or lines, as regedit writes it: a four-byte REG_DWORD as
// dword:, text that reads back the same in quotes, REG_BINARY as hex: and
// everything else as hex(<type>):, so that an import gives back its type
// and bytes exactly.
static void PutValue(FileWriter *out, const wchar_t *name, DWORD type, const BYTE *bytes, size_t size)
{
    size_t column = PutValueName(out, name) + 1;
    PutText(out, L"=");
    if (type == REG_DWORD && size == sizeof(DWORD)) {
        DWORD value;
        memcpy(&value, bytes, sizeof value);
        wchar_t data[16]; // dword:00000001
        wsprintfW(data, L"dword:%08x", (unsigned)value);
        PutText(out, data);
    } else if (type == REG_SZ && IsQuotable(bytes, size)) {
        PutText(out, L"\"");
        for (size_t i = 0; i + sizeof(wchar_t) < size; i += sizeof(wchar_t)) {
            wchar_t unit[3] = {0, 0, 0};
            memcpy(unit, bytes + i, sizeof(wchar_t));
            if (unit[0] == L'\\' || unit[0] == L'"') {
                unit[1] = unit[0];
                unit[0] = L'\\';
            }
            PutText(out, unit);
        }
        PutText(out, L"\"");
    } else {
        wchar_t prefix[16]; // hex(ffffffff):
        if (type == REG_BINARY)
            CopyText(prefix, ARRAYSIZE(prefix), L"hex:");
        else
            wsprintfW(prefix, L"hex(%x):", (unsigned)type);
        PutText(out, prefix);
        PutHexBytes(out, column + wcslen(prefix), bytes, size);
    }
    PutText(out, L"\r\n");
}

// "[-" or "[", the key of status icon of account icq, "]".
static void PutSection(FileWriter *out, bool deletion, const wchar_t *icq, int icon)
{
    wchar_t number[12]; // any int in decimal
    wsprintfW(number, L"%d", icon);
    PutText(out, deletion ? L"[-" : L"[");
    PutText(out, ListRoot);
    PutText(out, icq);
    PutText(out, ListLeaf);
    PutText(out, number);
    PutText(out, L"]\r\n");
}

// The header and the deletion of the subkeys of all 32 icons of account icq.
static void PutFileStart(FileWriter *out, const wchar_t *icq)
{
    PutText(out, L"\xFEFF");
    PutText(out, FileHeader);
    PutText(out, L"\r\n\r\n");
    for (int n = 1; n <= IconCount; n++) {
        PutSection(out, true, icq, n);
        PutText(out, L"\r\n");
    }
}

// What a file is written of: a list, or what the registry held.
struct FileContent {
    const wchar_t *icq;
    const StatusTable *list;
    const StoredStatuses *stored;
};

static DWORD PutStatusList(FileWriter *out, const FileContent *content)
{
    const StatusTable *list = content->list;
    char bytes[TextValueSize];
    for (int i = 0; i < list->Count; i++) {
        const StatusRecord &record = list->Records[i];
        DWORD line = (DWORD)i + 1;
        PutSection(out, false, content->icq, record.IconIndex);
        size_t length = TextToUtf8(record.Description, bytes, ARRAYSIZE(bytes));
        PutValue(out, L"Description", REG_BINARY, reinterpret_cast<const BYTE *>(bytes), length);
        PutValue(out, L"LineNumber", REG_DWORD, reinterpret_cast<const BYTE *>(&line), sizeof line);
        length = TextToUtf8(record.Name, bytes, ARRAYSIZE(bytes));
        PutValue(out, L"Name", REG_BINARY, reinterpret_cast<const BYTE *>(bytes), length);
        PutValue(out, L"On", REG_DWORD, reinterpret_cast<const BYTE *>(&record.On), sizeof record.On);
        PutText(out, L"\r\n");
    }
    return ERROR_SUCCESS;
}

// Every value stored, status by status, in the order the registry gave them.
static DWORD PutStoredStatuses(FileWriter *out, const FileContent *content)
{
    const StoredStatuses *stored = content->stored;
    for (int n = 1; n <= IconCount; n++) {
        if (!stored->Present[n])
            continue;
        PutSection(out, false, content->icq, n);
        for (int i = stored->First[n]; i < stored->First[n] + stored->Count[n]; i++) {
            const StoredValue &value = stored->Values[i];
            PutValue(out, reinterpret_cast<const wchar_t *>(stored->Block + value.NameAt), value.Type,
                     stored->Block + value.DataAt, value.Size);
        }
        PutText(out, L"\r\n");
    }
    return ERROR_SUCCESS;
}

// What every file is written through, one at a time, on the thread of the
// windows: a quarter of a megabyte that every backup would take again.
static FileWriter Writer;
// Names tried for a temporary file before giving up.
static const UINT TempNameTries = 100;

// Writes the file of content into a new temporary file in folder, whose
// path it leaves in temp; through to the disk when it is to take the place
// of another file.
static DWORD WriteFileInto(const wchar_t *folder, const FileContent *content,
                           DWORD (*put)(FileWriter *, const FileContent *), bool throughToDisk,
                           wchar_t (&temp)[MAX_PATH])
{
    // A name of the system's making, the file made here, new: asked to make
    // the file itself, the system would make it and this program open it
    // again.
    HANDLE file = INVALID_HANDLE_VALUE;
    DWORD error = ERROR_FILE_EXISTS;
    for (UINT tries = 0, unique = GetTickCount(); tries < TempNameTries && error == ERROR_FILE_EXISTS; tries++) {
        temp[0] = 0;
        if (!GetTempFileNameW(folder, L"orb", (unique + tries) % 0xFFFF + 1, temp)) {
            temp[0] = 0;
            return GetLastError();
        }
        file = CreateFileW(temp, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
        error = file == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
    }
    FileWriter *out = &Writer;
    if (file != INVALID_HANDLE_VALUE) {
        out->file = file;
        out->error = ERROR_SUCCESS;
        out->used = 0;
        PutFileStart(out, content->icq);
        error = put(out, content);
        FlushUnits(out);
        if (error == ERROR_SUCCESS)
            error = out->error;
        // Written through before it takes the place of anything.
        if (error == ERROR_SUCCESS && throughToDisk && !FlushFileBuffers(file))
            error = GetLastError();
        if (!CloseHandle(file) && error == ERROR_SUCCESS)
            error = GetLastError();
    }
    if (error != ERROR_SUCCESS && file != INVALID_HANDLE_VALUE)
        DeleteFileW(temp);
    if (error != ERROR_SUCCESS)
        temp[0] = 0;
    return error;
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): where, then whose, as ExportStatusFile
DWORD WriteStatusFile(const wchar_t *folder, const wchar_t *icq, const StatusTable *list,
                      wchar_t (&temp)[MAX_PATH])
{
    FileContent content = {icq, list, NULL};
    return WriteFileInto(folder, &content, PutStatusList, true, temp);
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): where, then whose, as WriteStatusFile
DWORD WriteStoredStatusFile(const wchar_t *folder, const wchar_t *icq, const StoredStatuses *stored,
                            wchar_t (&temp)[MAX_PATH])
{
    FileContent content = {icq, NULL, stored};
    // A backup takes a new name and the place of nothing: the system writes
    // it to the disk in its own time, as it does the registry's change that
    // follows it.
    return WriteFileInto(folder, &content, PutStoredStatuses, false, temp);
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): where, then whose, as every file of the program
DWORD ExportStatusFile(const wchar_t *path, const wchar_t *icq, const StatusTable *list)
{
    // The temporary file goes beside its target: moving it there is then a
    // rename, which leaves either the old file or the new one.
    wchar_t folder[MAX_PATH], temp[MAX_PATH];
    CopyText(folder, ARRAYSIZE(folder), path);
    wchar_t *name = folder + wcslen(folder);
    while (name > folder && name[-1] != L'\\' && name[-1] != L'/')
        name--;
    if (name == folder)
        CopyText(folder, ARRAYSIZE(folder), L".");
    else
        *name = 0;
    DWORD error = WriteStatusFile(folder, icq, list, temp);
    if (error != ERROR_SUCCESS)
        return error;
    if (MoveFileExW(temp, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return ERROR_SUCCESS;
    error = GetLastError();
    DeleteFileW(temp);
    return error;
}

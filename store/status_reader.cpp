// Reading a registry file of the statuses: this program's own export, a
// backup, or what regedit or reg export wrote of the client's key.
#include "store/status_store.h"

#include <string.h>
#include <wchar.h>

static const wchar_t FileHeader[] = L"Windows Registry Editor Version 5.00";
static const wchar_t OldFileHeader[] = L"REGEDIT4";

// The text of a file, its lines and where the reading is.
struct FileText {
    const wchar_t *units;
    size_t count;
    size_t next;        // where the line after the current one begins
    const wchar_t *line; // the current line, without its line end
    size_t length;
    int number;         // of the current line, from 1
    bool unicode;       // the file is UTF-16, and so the text in its hex(1), (2) and (7)
};

static bool NextLine(FileText *text)
{
    if (text->next >= text->count)
        return false;
    size_t start = text->next, end = start;
    while (end < text->count && text->units[end] != L'\n')
        end++;
    text->next = end + 1;
    if (end > start && text->units[end - 1] == L'\r')
        end--;
    text->line = text->units + start;
    text->length = end - start;
    text->number++;
    return true;
}

static bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

static int HexDigit(wchar_t c)
{
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}

// Whether the units at text, length of them, are word (ASCII; letters in
// any case).
static bool SameWord(const wchar_t *text, size_t length, const wchar_t *word)
{
    size_t i = 0;
    for (; i < length && word[i]; i++) {
        wchar_t a = text[i], b = word[i];
        if (a >= L'a' && a <= L'z')
            a = (wchar_t)(a - 32);
        if (b >= L'a' && b <= L'z')
            b = (wchar_t)(b - 32);
        if (a != b)
            return false;
    }
    return i == length && !word[i];
}

// A value's data as the registry would hold it after an import of the file.
struct ValueData {
    DWORD type;
    DWORD size;
    BYTE *bytes;  // room for any value of the file
    bool wide;    // text of a string type is UTF-16 (else ANSI)
    bool deleted; // "=-": the value is removed
};

// Reads hex bytes from position at of the current line on, over the lines
// each one before ends in a backslash. False when the data is damaged.
static bool ReadHexBytes(FileText *text, size_t at, ValueData *value)
{
    for (;;) {
        while (at < text->length && IsBlank(text->line[at]))
            at++;
        if (at == text->length)
            return true;
        if (text->line[at] == L'\\') {
            for (at++; at < text->length; at++)
                if (!IsBlank(text->line[at]))
                    return false;
            if (!NextLine(text))
                return false; // cut off after a line that promised more
            at = 0;
            continue;
        }
        int high = HexDigit(text->line[at]);
        if (high < 0)
            return false;
        int byte = high;
        at++;
        if (at < text->length && HexDigit(text->line[at]) >= 0)
            byte = high * 16 + HexDigit(text->line[at++]);
        value->bytes[value->size++] = (BYTE)byte;
        while (at < text->length && IsBlank(text->line[at]))
            at++;
        if (at < text->length && text->line[at] == L',')
            at++;
        else if (at < text->length && text->line[at] != L'\\')
            return false;
    }
}

// Reads a quoted text from position *at (just after its opening quote),
// with \\ and \" inside (and \r and \n, as Wine's reg writes line breaks),
// as UTF-16 units into value when one is given;
// *at is then just after the closing quote. False when the text is not
// closed on its line.
static bool ReadQuoted(const FileText *text, size_t *at, ValueData *value)
{
    for (size_t i = *at; i < text->length; i++) {
        wchar_t c = text->line[i];
        if (c == L'"') {
            *at = i + 1;
            return true;
        }
        if (c == L'\\' && i + 1 < text->length) {
            wchar_t next = text->line[i + 1];
            if (next == L'\\' || next == L'"' || next == L'r' || next == L'n') {
                c = next == L'r' ? L'\r' : next == L'n' ? L'\n' : next;
                i++;
            }
        }
        if (value) {
            memcpy(value->bytes + value->size, &c, sizeof c);
            value->size += sizeof c;
        }
    }
    return false;
}

// Reads the data of a value line from position at, after its "=". False
// when the data is damaged.
static bool ReadValueData(FileText *text, size_t at, ValueData *value)
{
    value->size = 0;
    value->wide = true;
    value->deleted = false;
    while (at < text->length && IsBlank(text->line[at]))
        at++;
    const wchar_t *data = text->line + at;
    size_t rest = text->length - at;
    if (rest >= 1 && data[0] == L'-') {
        value->deleted = true;
        at++;
    } else if (rest >= 1 && data[0] == L'"') {
        value->type = REG_SZ;
        at++;
        if (!ReadQuoted(text, &at, value))
            return false;
        wchar_t zero = 0;
        memcpy(value->bytes + value->size, &zero, sizeof zero);
        value->size += sizeof zero;
    } else if (rest >= 6 && SameWord(data, 6, L"dword:")) {
        DWORD number = 0;
        int digits = 0;
        for (at += 6; at < text->length && HexDigit(text->line[at]) >= 0; at++, digits++)
            number = number * 16 + (DWORD)HexDigit(text->line[at]);
        if (digits < 1 || digits > 8)
            return false;
        value->type = REG_DWORD;
        memcpy(value->bytes, &number, sizeof number);
        value->size = sizeof number;
    } else if (rest >= 4 && SameWord(data, 4, L"hex:")) {
        value->type = REG_BINARY;
        return ReadHexBytes(text, at + 4, value);
    } else if (rest >= 4 && SameWord(data, 4, L"hex(")) {
        DWORD type = 0;
        int digits = 0;
        for (at += 4; at < text->length && HexDigit(text->line[at]) >= 0; at++, digits++)
            type = type * 16 + (DWORD)HexDigit(text->line[at]);
        if (digits < 1 || digits > 8 || at + 1 >= text->length || text->line[at] != L')' || text->line[at + 1] != L':')
            return false;
        value->type = type;
        value->wide = text->unicode;
        return ReadHexBytes(text, at + 2, value);
    } else {
        return false;
    }
    while (at < text->length && IsBlank(text->line[at]))
        at++;
    return at == text->length;
}

// What the load gets of a value: RegQueryValueExA gives text of a string
// type in the ANSI code page, anything else as it is. Returns its bytes,
// converted into ansi (LongestValue bytes) when need be, and their number
// in *size; a text longer than LongestValue bytes gives its size alone.
static const BYTE *QueriedBytes(const ValueData *value, char *ansi, DWORD *size)
{
    *size = value->size;
    bool text = value->type == REG_SZ || value->type == REG_EXPAND_SZ || value->type == REG_MULTI_SZ;
    if (!text || !value->wide)
        return value->bytes;
    const wchar_t *units = reinterpret_cast<const wchar_t *>(value->bytes);
    int count = (int)(value->size / sizeof(wchar_t));
    int needed = count ? WideCharToMultiByte(CP_ACP, 0, units, count, NULL, 0, NULL, NULL) : 0;
    *size = (DWORD)needed;
    if (needed > 0 && (DWORD)needed <= LongestValue)
        WideCharToMultiByte(CP_ACP, 0, units, count, ansi, needed, NULL, NULL);
    return reinterpret_cast<const BYTE *>(ansi);
}

// Makes value name of a status's section a field of record, as the load
// makes it; a value of another name is passed over.
static void TakeValue(const wchar_t *name, size_t length, const ValueData *value, char *ansi, StatusRecord *record)
{
    bool description = SameWord(name, length, L"Description"), title = SameWord(name, length, L"Name");
    bool line = SameWord(name, length, L"LineNumber"), on = SameWord(name, length, L"On");
    DWORD size = 0;
    const BYTE *bytes = value->deleted ? NULL : QueriedBytes(value, ansi, &size);
    const char *chars = reinterpret_cast<const char *>(bytes);
    if (description && bytes)
        MakeTextField(chars, size, DescriptionValueSize, record->Description, ARRAYSIZE(record->Description));
    else if (description)
        record->Description[0] = 0;
    if (title && bytes)
        MakeTextField(chars, size, NameValueSize, record->Name, ARRAYSIZE(record->Name));
    else if (title)
        record->Name[0] = 0;
    if (line)
        record->LineNumber = bytes ? MakeNumberField(bytes, size) : 0;
    if (on)
        record->On = bytes ? MakeNumberField(bytes, size) : 0;
}

// The icon a section's key names, when it is a status of an account's
// list (...\NewOwners\<ICQ#>\CustomStatusList\<1 to 32>), with the ICQ# it
// names in *icq and *icqLength; else 0.
static int StatusSection(const wchar_t *key, size_t length, const wchar_t **icq, size_t *icqLength)
{
    // The last three parts of the key, from the end.
    const wchar_t *part[3];
    size_t partLength[3];
    size_t end = length;
    for (int k = 0; k < 3; k++) {
        size_t start = end;
        while (start > 0 && key[start - 1] != L'\\')
            start--;
        if (start == 0)
            return 0; // the key has no part before these
        part[k] = key + start;
        partLength[k] = end - start;
        end = start - 1;
    }
    static const wchar_t Owners[] = L"\\" ICQ_KEY_PATH L"\\NewOwners";
    size_t ownersLength = ARRAYSIZE(Owners) - 1;
    if (end < ownersLength || !SameWord(key + end - ownersLength, ownersLength, Owners) ||
        !SameWord(part[1], partLength[1], L"CustomStatusList") || partLength[2] == 0)
        return 0;
    // The client names each status by its icon in plain decimal: "01" is no
    // status of its.
    int icon = 0;
    if (partLength[0] < 1 || partLength[0] > 2 || part[0][0] == L'0')
        return 0;
    for (size_t i = 0; i < partLength[0]; i++) {
        if (part[0][i] < L'0' || part[0][i] > L'9')
            return 0;
        icon = icon * 10 + (part[0][i] - L'0');
    }
    if (icon > IconCount)
        return 0;
    *icq = part[2];
    *icqLength = partLength[2];
    return icon;
}

// What a reading of a file gathers: the records by icon, and the one
// account they must all belong to.
struct Gathered {
    bool present[IconCount + 1];
    StatusRecord records[IconCount + 1];
    const wchar_t *icq;
    size_t icqLength;
    bool manyAccounts;
    ValueData value;
    char ansi[LongestValue];
};

// Reads the lines after the first. Returns 0, or the number of a damaged
// line.
static int ReadSections(FileText *text, Gathered *found)
{
    StatusRecord *current = NULL; // the status whose section the lines are in
    while (NextLine(text)) {
        size_t at = 0;
        while (at < text->length && IsBlank(text->line[at]))
            at++;
        const wchar_t *line = text->line + at;
        size_t rest = text->length - at;
        if (rest == 0 || line[0] == L';' || line[0] == L'#')
            continue;
        if (line[0] == L'[') {
            size_t close = rest;
            while (close > 0 && line[close - 1] != L']')
                close--;
            if (close < 2)
                return text->number;
            current = NULL;
            const wchar_t *icq = NULL;
            size_t icqLength = 0;
            int icon = line[1] == L'-' ? 0 : StatusSection(line + 1, close - 2, &icq, &icqLength);
            if (icon == 0)
                continue;
            if (!found->icq) {
                found->icq = icq;
                found->icqLength = icqLength;
            } else if (CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, icq, (int)icqLength, found->icq,
                                      (int)found->icqLength) != CSTR_EQUAL) {
                found->manyAccounts = true;
            }
            current = &found->records[icon];
            if (!found->present[icon]) {
                found->present[icon] = true;
                memset(current, 0, sizeof *current);
                current->IconIndex = icon;
            }
            continue;
        }
        // A value line of a status's section; anything else is passed over.
        if (!current || line[0] != L'"')
            continue;
        size_t nameStart = at + 1, end = nameStart;
        if (!ReadQuoted(text, &end, NULL))
            return text->number;
        const wchar_t *name = text->line + nameStart;
        size_t nameLength = end - 1 - nameStart;
        while (end < text->length && IsBlank(text->line[end]))
            end++;
        if (end == text->length || text->line[end] != L'=')
            return text->number;
        // The name stays valid across the lines that hex data continues on.
        if (!ReadValueData(text, end + 1, &found->value))
            return text->number;
        TakeValue(name, nameLength, &found->value, found->ansi, current);
    }
    return 0;
}

// Whether the current line is the first line of a registry file.
static bool IsHeader(const FileText *text)
{
    size_t length = text->length;
    while (length > 0 && IsBlank(text->line[length - 1]))
        length--;
    return (length == ARRAYSIZE(FileHeader) - 1 && !memcmp(text->line, FileHeader, length * sizeof(wchar_t))) ||
           (length == ARRAYSIZE(OldFileHeader) - 1 && !memcmp(text->line, OldFileHeader, length * sizeof(wchar_t)));
}

// The file's text as UTF-16 units in memory the caller frees; null without
// the memory.
static wchar_t *DecodeFile(const BYTE *bytes, DWORD size, size_t *count, bool *unicode)
{
    *unicode = size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
    if (*unicode) {
        *count = (size - 2) / sizeof(wchar_t);
        wchar_t *units = static_cast<wchar_t *>(HeapAlloc(GetProcessHeap(), 0, *count * sizeof(wchar_t) + 1));
        if (units)
            memcpy(units, bytes + 2, *count * sizeof(wchar_t));
        return units;
    }
    int needed = size ? MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<const char *>(bytes), (int)size, NULL, 0) : 0;
    *count = (size_t)needed;
    wchar_t *units = static_cast<wchar_t *>(HeapAlloc(GetProcessHeap(), 0, *count * sizeof(wchar_t) + 1));
    if (units && needed)
        MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<const char *>(bytes), (int)size, units, needed);
    return units;
}

// Reads the whole file at path, at most StatusFileLimit bytes, into memory
// the caller frees. Returns ERROR_SUCCESS or the system's error code.
static DWORD ReadWholeFile(const wchar_t *path, BYTE **bytes, DWORD *size)
{
    *bytes = NULL;
    *size = 0;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError();
    DWORD error = ERROR_SUCCESS;
    LARGE_INTEGER length = {};
    BOOL sized = GetFileSizeEx(file, &length);
    if (sized && length.QuadPart > StatusFileLimit)
        error = ERROR_FILE_TOO_LARGE;
    else if (sized && !(*bytes = static_cast<BYTE *>(HeapAlloc(GetProcessHeap(), 0, (SIZE_T)length.QuadPart + 1))))
        error = ERROR_NOT_ENOUGH_MEMORY;
    else if (!sized || !ReadFile(file, *bytes, (DWORD)length.QuadPart, size, NULL))
        error = GetLastError();
    else if (*size != (DWORD)length.QuadPart)
        error = ERROR_HANDLE_EOF;
    CloseHandle(file);
    if (error != ERROR_SUCCESS && *bytes) {
        HeapFree(GetProcessHeap(), 0, *bytes);
        *bytes = NULL;
    }
    return error;
}

StatusFileResult ReadStatusFile(const wchar_t *path, StatusTable *list, DWORD *detail)
{
    *detail = 0;
    BYTE *bytes = NULL;
    DWORD size = 0;
    DWORD error = ReadWholeFile(path, &bytes, &size);
    if (error != ERROR_SUCCESS) {
        *detail = error;
        return FileUnreadable;
    }
    FileText text = {};
    text.units = DecodeFile(bytes, size, &text.count, &text.unicode);
    // A value holds at most two bytes per unit of the file, and a zero.
    Gathered *found = static_cast<Gathered *>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(Gathered)));
    BYTE *values = static_cast<BYTE *>(HeapAlloc(GetProcessHeap(), 0, text.count * sizeof(wchar_t) + sizeof(DWORD) + 2));
    StatusFileResult result = FileRead;
    if (!text.units || !found || !values) {
        *detail = ERROR_NOT_ENOUGH_MEMORY;
        result = FileUnreadable;
    } else if (!NextLine(&text) || !IsHeader(&text)) {
        *detail = 1;
        result = FileDamaged;
    } else {
        found->value.bytes = values;
        int damaged = ReadSections(&text, found);
        // A UTF-16 file cut in the middle of a unit ends in half of one.
        if (!damaged && text.unicode && size % 2)
            damaged = text.number;
        int count = 0;
        for (int n = 1; n <= IconCount; n++)
            count += found->present[n];
        if (damaged) {
            *detail = (DWORD)damaged;
            result = FileDamaged;
        } else if (count == 0) {
            result = FileWithoutStatuses;
        } else if (found->manyAccounts) {
            result = FileOfManyAccounts;
        } else {
            list->Count = 0;
            for (int n = 1; n <= IconCount; n++)
                if (found->present[n])
                    list->Records[list->Count++] = found->records[n];
            SortByLineNumber(list);
        }
    }
    if (values)
        HeapFree(GetProcessHeap(), 0, values);
    if (found)
        HeapFree(GetProcessHeap(), 0, found);
    if (text.units)
        HeapFree(GetProcessHeap(), 0, const_cast<wchar_t *>(text.units));
    HeapFree(GetProcessHeap(), 0, bytes);
    return result;
}

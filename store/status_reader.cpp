// Reading a registry file of the statuses: this program's own export, a
// backup, or what regedit or reg export wrote of the client's key.
//
// The file is read as `reg import` reads it, line for line, into an image of
// the keys that matter here: the status keys of the accounts it names, each
// with the four values the load reads. The reading is a small state
// machine, one step per state, as in Wine's programs/reg: a step takes the
// position in the current line and gives the next one, a state of its own
// for each part of a line (section name, value name, data and its type,
// hex data over several lines). Where reg passes over a line it cannot
// read, the whole file is refused as damaged at that line; every line reg
// takes is read as reg reads it, whatever it looks like. Numbers are read
// by the C library's wcstoul and iswxdigit, the very conversions reg uses,
// down to the errno that an overflow leaves behind.
#include "store/status_store.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>
#include <wctype.h>

static const wchar_t FileHeader[] = L"Windows Registry Editor Version 5.00";
static const wchar_t OldFileHeader[] = L"REGEDIT4";
// The registry names no key by a name part longer than this; reg makes the
// keys of a section up to such a part and opens none.
static const size_t KeyNameLimit = 256;
// A path the registry gets is cut to this many units (a counted string
// holds at most 0xFFFC bytes): a longer section names the key it is cut to.
static const size_t KeyPathLimit = 0xFFFC / sizeof(wchar_t);
// How many accounts a reading keeps apart; a file of more is one of many.
static const int MaxAccounts = 4;
// The status values a name may be; any other name is no field.
enum ValueKind { OtherValue, DescriptionValue, LineNumberValue, NameValue, OnValue };
static const wchar_t *const ValueNames[] = {L"", L"Description", L"LineNumber", L"Name", L"On"};
// Room for the longest of those names and a unit more, to tell it apart.
static const size_t ValueNameRoom = 12;

/* ---- The text and its lines ----------------------------------------------- */

// The text of a file, cut into lines in place as the reading goes on: a
// zero is written over each line's end, as reg's own reading does.
struct FileText {
    wchar_t *units;  // count units and room for a zero after them
    size_t count;
    size_t next;     // where the line after the current one begins
    int number;      // of the current line, from 1
    bool unicode;    // UTF-16 with a byte-order mark (else the ANSI code page)
    bool zero;       // the current line holds a zero unit of its own
};

// Makes the next line the current one and returns it, or null after the
// last. A line ends at CR LF, at CR or at LF.
static wchar_t *NextLine(FileText *text)
{
    if (text->next >= text->count && text->number > 0)
        return NULL;
    wchar_t *units = text->units;
    size_t start = text->next, end = start;
    bool zero = false;
    for (; end < text->count && units[end] != L'\r' && units[end] != L'\n'; end++)
        zero |= units[end] == 0;
    text->zero = zero;
    size_t after = end;
    if (after < text->count)
        after += units[after] == L'\r' && after + 1 < text->count && units[after + 1] == L'\n' ? 2 : 1;
    units[end] = 0;
    text->next = after;
    text->number++;
    return units + start;
}

static wchar_t *SkipBlanks(wchar_t *at)
{
    while (*at == L' ' || *at == L'\t')
        at++;
    return at;
}

// Whether units a and b are the same letter in any case, as the registry
// compares names.
static bool SameUnit(wchar_t a, wchar_t b)
{
    if (a == b)
        return true;
    // CharUpperW takes a single character in the low word of its argument.
    return CharUpperW(reinterpret_cast<wchar_t *>(static_cast<ULONG_PTR>(a))) ==
           CharUpperW(reinterpret_cast<wchar_t *>(static_cast<ULONG_PTR>(b)));
}

static bool SameName(const wchar_t *name, size_t length, const wchar_t *word)
{
    size_t i = 0;
    for (; i < length && word[i]; i++)
        if (!SameUnit(name[i], word[i]))
            return false;
    return i == length && !word[i];
}

/* ---- Key paths -------------------------------------------------------------- */

// One name of a key path: the units between backslashes.
struct KeyPart {
    const wchar_t *name;
    size_t length;
};

// The part of path (end its end) from *at on; *at moves past it and the
// backslashes after it. False at the end: the registry reads a run of
// backslashes as one, and one at the end as none.
static bool NextPart(const wchar_t *end, const wchar_t **at, KeyPart *part)
{
    const wchar_t *start = *at;
    if (start >= end)
        return false;
    const wchar_t *stop = start;
    while (stop < end && *stop != L'\\')
        stop++;
    part->name = start;
    part->length = (size_t)(stop - start);
    while (stop < end && *stop == L'\\')
        stop++;
    *at = stop;
    return true;
}

// The path below HKEY_CURRENT_USER that section key names, as reg reads
// it: the root HKEY_CURRENT_USER or HKCU in any case, a backslash, the
// path. Null for another root, for the root itself and for a path that
// begins with a backslash, which does not open. *end is set to the path's
// end, cut as the registry cuts a long one.
static const wchar_t *UserKeyPath(const wchar_t *key, const wchar_t **end)
{
    bool user = false;
    for (const wchar_t *root : {L"HKEY_CURRENT_USER", L"HKCU"}) {
        size_t length = wcslen(root);
        user |= !_wcsnicmp(key, root, length) && (key[length] == 0 || key[length] == L'\\');
    }
    const wchar_t *path = user ? wcschr(key, L'\\') : NULL;
    if (!path || !path[1] || path[1] == L'\\')
        return NULL;
    size_t length = wcslen(++path);
    *end = path + (length < KeyPathLimit ? length : KeyPathLimit);
    return path;
}

// The icon a status key's name stands for (1 to IconCount), else 0. The
// load opens "1" to "32": "01" is another key.
static int StatusKeyIcon(const KeyPart &part)
{
    if (part.length < 1 || part.length > 2 || part.name[0] == L'0')
        return 0;
    int icon = 0;
    for (size_t i = 0; i < part.length; i++) {
        if (part.name[i] < L'0' || part.name[i] > L'9')
            return 0;
        icon = icon * 10 + (part.name[i] - L'0');
    }
    return icon <= IconCount ? icon : 0;
}

// The names of the keys that lead to a status, at any depth below the
// root: Software, Mirabilis, ICQ, NewOwners, the ICQ#, CustomStatusList and
// the icon.
static const wchar_t *const StatusPath[] = {L"Software", L"Mirabilis", L"ICQ", L"NewOwners", NULL,
                                            L"CustomStatusList", NULL};
static const int StatusDepth = 7;

// Whether the last StatusDepth parts (window, the oldest at first) name a
// status; its icon then.
static int StatusOfParts(const KeyPart *window, int first)
{
    for (int k = 0; k < StatusDepth - 1; k++) {
        const KeyPart &part = window[(first + k) % StatusDepth];
        if (StatusPath[k] && !SameName(part.name, part.length, StatusPath[k]))
            return 0;
    }
    return StatusKeyIcon(window[(first + StatusDepth - 1) % StatusDepth]);
}

static bool SamePart(const KeyPart &a, const KeyPart &b)
{
    if (a.length != b.length)
        return false;
    for (size_t i = 0; i < a.length; i++)
        if (!SameUnit(a.name[i], b.name[i]))
            return false;
    return true;
}

// Whether paths a and b (each to its end) name the same key.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): each path comes with its end, in that order
static bool SamePath(const wchar_t *a, const wchar_t *aEnd, const wchar_t *b, const wchar_t *bEnd)
{
    KeyPart p, q;
    for (;;) {
        bool more = NextPart(aEnd, &a, &p);
        if (more != NextPart(bEnd, &b, &q))
            return false;
        if (!more)
            return true;
        if (!SamePart(p, q))
            return false;
    }
}

/* ---- What the file leaves in the registry --------------------------------- */

// An account's statuses as the file leaves them. The account is its key,
// the path below HKEY_CURRENT_USER up to its ICQ#, as the file spells it.
struct Account {
    const wchar_t *path, *end; // null: the slot is free
    bool present[IconCount + 1];
    StatusRecord records[IconCount + 1];
};

// A value's data as the registry would hold it after an import of the file.
struct ValueData {
    DWORD type;
    DWORD size;
    BYTE *bytes; // room or spare
    BYTE *room;  // room for any value of the file
    BYTE *spare; // as much again, for a conversion
    size_t roomUnits;
};

enum ReadState {
    Header, LineStart, KeyName, DefaultValueName, QuotedValueName, DataStart, DeleteValue, DataType,
    StringData, DwordData, HexData, HexLineEnd, HexNextLine, SetValue
};

struct Reader {
    FileText text;
    ReadState state;
    int damaged;       // the line reg passes over, or 0
    Account *account;  // the key the values go into, a status; null: no status
    int icon;
    ValueKind kind;    // of the value being read
    ValueData value;
    Account accounts[MaxAccounts];
    bool tooManyAccounts;
    char ansi[LongestValue];
};

static bool HasStatuses(const Account &account)
{
    for (int n = 1; n <= IconCount; n++)
        if (account.present[n])
            return true;
    return false;
}

// The account whose key is path (to end), kept from now on in a slot of
// its own or of one without statuses; null when every slot holds others.
static Account *AccountOf(Reader *reader, const wchar_t *path, const wchar_t *end)
{
    Account *unused = NULL;
    for (Account &account : reader->accounts) {
        if (account.path && SamePath(account.path, account.end, path, end))
            return &account;
        if (!unused && !HasStatuses(account))
            unused = &account;
    }
    if (!unused) {
        reader->tooManyAccounts = true;
        return NULL;
    }
    unused->path = path;
    unused->end = end;
    return unused;
}

// Opens the key of section key as reg makes it: every key on its path is
// made, statuses among them too. The values that follow go into the key
// when it is a status, else nowhere that matters here.
static void OpenKey(Reader *reader, const wchar_t *key)
{
    reader->account = NULL;
    const wchar_t *end = NULL, *path = UserKeyPath(key, &end);
    if (!path)
        return;
    KeyPart window[StatusDepth], part;
    int parts = 0;
    for (const wchar_t *at = path; NextPart(end, &at, &part);) {
        reader->account = NULL;
        if (part.length > KeyNameLimit)
            return;
        window[parts++ % StatusDepth] = part;
        int icon = parts >= StatusDepth ? StatusOfParts(window, parts % StatusDepth) : 0;
        if (!icon)
            continue;
        const KeyPart &icq = window[(parts + 4) % StatusDepth];
        Account *account = AccountOf(reader, path, icq.name + icq.length);
        if (!account)
            continue;
        if (!account->present[icon]) {
            account->present[icon] = true;
            memset(&account->records[icon], 0, sizeof account->records[icon]);
            account->records[icon].IconIndex = icon;
        }
        reader->account = account;
        reader->icon = icon;
    }
}

// Removes from account what the deletion of the tree at path (to end)
// removes: all its statuses when path is its key, its list's or one above;
// one when it is a status's.
static void DeleteStatuses(Account *account, const wchar_t *path, const wchar_t *end)
{
    const wchar_t *own = account->path;
    KeyPart mine, theirs;
    while (NextPart(end, &path, &theirs)) {
        if (!NextPart(account->end, &own, &mine)) {
            KeyPart status;
            if (!SameName(theirs.name, theirs.length, L"CustomStatusList"))
                return;
            if (!NextPart(end, &path, &status))
                break;
            int icon = StatusKeyIcon(status);
            if (icon && !NextPart(end, &path, &status))
                account->present[icon] = false;
            return;
        }
        if (!SamePart(mine, theirs))
            return;
    }
    memset(account->present, 0, sizeof account->present);
}

static bool IsTextType(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// What the load gets of a value: RegQueryValueExA gives text of a string
// type (always UTF-16 in the registry) in the ANSI code page, anything else
// as it is. Returns its bytes, converted into ansi (LongestValue bytes)
// when need be, and their number in *size; a text longer than LongestValue
// bytes gives its size alone.
static const BYTE *QueriedBytes(const ValueData *value, char *ansi, DWORD *size)
{
    *size = value->size;
    if (!IsTextType(value->type))
        return value->bytes;
    const wchar_t *units = reinterpret_cast<const wchar_t *>(value->bytes);
    int count = (int)(value->size / sizeof(wchar_t));
    int needed = count ? WideCharToMultiByte(CP_ACP, 0, units, count, NULL, 0, NULL, NULL) : 0;
    *size = (DWORD)needed;
    if (needed > 0 && (DWORD)needed <= LongestValue)
        WideCharToMultiByte(CP_ACP, 0, units, count, ansi, needed, NULL, NULL);
    return reinterpret_cast<const BYTE *>(ansi);
}

// Makes value (null: deleted) the field of record that kind names, as the
// load makes it.
static void TakeValue(ValueKind kind, const ValueData *value, char *ansi, StatusRecord *record)
{
    if (kind == OtherValue)
        return;
    DWORD size = 0;
    const BYTE *bytes = value ? QueriedBytes(value, ansi, &size) : NULL;
    const char *chars = reinterpret_cast<const char *>(bytes);
    if (kind == DescriptionValue && bytes)
        MakeTextField(chars, size, DescriptionValueSize, record->Description, ARRAYSIZE(record->Description));
    else if (kind == DescriptionValue)
        record->Description[0] = 0;
    else if (kind == NameValue && bytes)
        MakeTextField(chars, size, NameValueSize, record->Name, ARRAYSIZE(record->Name));
    else if (kind == NameValue)
        record->Name[0] = 0;
    else if (kind == LineNumberValue)
        record->LineNumber = bytes ? MakeNumberField(bytes, size) : 0;
    else
        record->On = bytes ? MakeNumberField(bytes, size) : 0;
}

// Hex data of a string type, once whole, as reg stores it: ended by a zero
// unit (of a UTF-16 file) or byte (of an ANSI one, then converted from the
// ANSI code page). Without a whole unit reg reads in front of its data; what
// it stores then loads as an empty text and a zero, as no data does.
static void EndHexText(Reader *reader)
{
    ValueData *value = &reader->value;
    if (!IsTextType(value->type))
        return;
    BYTE *bytes = value->room;
    if (reader->text.unicode) {
        DWORD units = value->size / sizeof(wchar_t);
        wchar_t last = 0;
        if (units)
            memcpy(&last, bytes + (units - 1) * sizeof(wchar_t), sizeof last);
        if (!units) {
            value->size = 0;
        } else if (last) {
            memset(bytes + units * sizeof(wchar_t), 0, sizeof(wchar_t));
            value->size = (units + 1) * sizeof(wchar_t);
        }
        return;
    }
    if (value->size && bytes[value->size - 1])
        bytes[value->size++] = 0;
    int count = value->size ? MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<const char *>(bytes), (int)value->size,
                                                  reinterpret_cast<wchar_t *>(value->spare), (int)value->roomUnits) : 0;
    value->bytes = value->spare;
    value->size = (DWORD)count * sizeof(wchar_t);
}

/* ---- The steps of the reading ---------------------------------------------- */

// Each step reads from at, in the current line, sets the next state and
// returns where that goes on; null ends the reading.
typedef wchar_t *(*ReadStep)(Reader *reader, wchar_t *at);

// The current line is one that reg passes over: the file is refused there.
static wchar_t *Damaged(Reader *reader)
{
    reader->damaged = reader->text.number;
    return NULL;
}

// The text of a quoted name or string from at (after its opening quote)
// on, unescaped into out (room units; the rest counted only), its length in
// *length. \n and \r stand for line breaks, a backslash before any other
// unit for that unit; \0 and a text not closed on its line are damage.
// Returns the position after the closing quote, or null.
static wchar_t *Unescape(wchar_t *at, size_t room, wchar_t *out, size_t *length)
{
    size_t count = 0;
    for (;; at++) {
        wchar_t c = *at;
        if (c == L'"')
            break;
        if (c == L'\\') {
            c = *++at;
            if (c == 0 || c == L'0')
                return NULL;
            c = c == L'n' ? L'\n' : c == L'r' ? L'\r' : c;
        } else if (c == 0) {
            return NULL;
        }
        if (count < room)
            out[count] = c;
        count++;
    }
    *length = count;
    return at + 1;
}

static wchar_t *HeaderStep(Reader *reader, wchar_t *)
{
    wchar_t *line = NextLine(&reader->text), *at = SkipBlanks(line);
    if (reader->text.zero || (wcscmp(at, FileHeader) != 0 && wcscmp(at, OldFileHeader) != 0))
        return Damaged(reader);
    reader->state = LineStart;
    return at;
}

static wchar_t *LineStartStep(Reader *reader, wchar_t *)
{
    wchar_t *line = NextLine(&reader->text);
    if (!line)
        return NULL;
    wchar_t *at = SkipBlanks(line);
    if (reader->text.zero)
        return Damaged(reader);
    switch (*at) {
    case L'[':
        reader->state = KeyName;
        return at + 1;
    case L'@':
        reader->state = DefaultValueName;
        return at + 1;
    case L'"':
        reader->state = QuotedValueName;
        return at + 1;
    case 0:
    case L';':
    case L'#':
        return at; // a blank line or a comment
    default:
        return Damaged(reader);
    }
}

// A section: the key is up to the line's last "]". A deletion removes the
// key's tree; either way the key open before is closed.
static wchar_t *KeyNameStep(Reader *reader, wchar_t *at)
{
    wchar_t *close = wcsrchr(at, L']');
    // reg passes such a line over and keeps the key it has open
    if (*at == L' ' || *at == L'\t' || !close)
        return Damaged(reader);
    *close = 0;
    reader->state = LineStart;
    if (*at != L'-') {
        OpenKey(reader, at);
        return at;
    }
    reader->account = NULL;
    const wchar_t *end = NULL, *path = UserKeyPath(at + 1, &end);
    for (Account &account : reader->accounts)
        if (path && account.path)
            DeleteStatuses(&account, path, end);
    return at;
}

static wchar_t *DefaultValueNameStep(Reader *reader, wchar_t *at)
{
    reader->kind = OtherValue;
    reader->state = DataStart;
    return at;
}

static wchar_t *QuotedValueNameStep(Reader *reader, wchar_t *at)
{
    wchar_t name[ValueNameRoom];
    size_t length = 0;
    at = Unescape(at, ARRAYSIZE(name), name, &length);
    if (!at)
        return Damaged(reader);
    reader->kind = OtherValue;
    for (int kind = DescriptionValue; kind <= OnValue; kind++)
        if (length < ValueNameRoom && SameName(name, length, ValueNames[kind]))
            reader->kind = static_cast<ValueKind>(kind);
    reader->state = DataStart;
    return at;
}

// After the name: "=", then data or "-" (the value is deleted), blanks
// around them and at the line's end not counted.
static wchar_t *DataStartStep(Reader *reader, wchar_t *at)
{
    at = SkipBlanks(at);
    if (*at != L'=')
        return Damaged(reader);
    at = SkipBlanks(at + 1);
    size_t length = wcslen(at);
    while (length > 0 && (at[length - 1] == L' ' || at[length - 1] == L'\t'))
        length--;
    at[length] = 0;
    reader->state = *at == L'-' ? DeleteValue : DataType;
    return at;
}

static wchar_t *DeleteValueStep(Reader *reader, wchar_t *at)
{
    wchar_t *rest = SkipBlanks(at + 1);
    if (*rest && *rest != L';')
        return Damaged(reader);
    if (reader->account)
        TakeValue(reader->kind, NULL, reader->ansi, &reader->account->records[reader->icon]);
    reader->state = LineStart;
    return rest;
}

// The data's type, written in lower case: a quote, "hex:", "dword:" or
// "hex(<type in hex>):".
static wchar_t *DataTypeStep(Reader *reader, wchar_t *at)
{
    static const struct {
        const wchar_t *tag;
        DWORD type;
        ReadState next;
    } Types[] = {{L"\"", REG_SZ, StringData}, {L"hex:", REG_BINARY, HexData}, {L"dword:", REG_DWORD, DwordData},
                 {L"hex(", REG_NONE, HexData}};
    ValueData *value = &reader->value;
    value->size = 0;
    value->bytes = value->room;
    for (const auto &type : Types) {
        size_t length = wcslen(type.tag);
        if (wcsncmp(at, type.tag, length) != 0)
            continue;
        at += length;
        value->type = type.type;
        reader->state = type.next;
        if (type.type != REG_NONE)
            return at;
        if (!*at || towlower(at[1]) == L'x')
            return Damaged(reader);
        wchar_t *end = NULL;
        // An overflow before, anywhere in the file, leaves ERANGE behind in
        // reg, and then "ffffffff" is refused as one.
        unsigned long number = wcstoul(at, &end, 16);
        if (end[0] != L')' || end[1] != L':' || (number == ULONG_MAX && errno == ERANGE))
            return Damaged(reader);
        value->type = (DWORD)number;
        return end + 2;
    }
    return Damaged(reader);
}

static wchar_t *StringDataStep(Reader *reader, wchar_t *at)
{
    ValueData *value = &reader->value;
    wchar_t *units = reinterpret_cast<wchar_t *>(value->room);
    size_t length = 0;
    at = Unescape(at, value->roomUnits - 1, units, &length);
    if (!at)
        return Damaged(reader);
    at = SkipBlanks(at);
    if (*at && *at != L';')
        return Damaged(reader);
    units[length] = 0;
    value->size = (DWORD)(length + 1) * (DWORD)sizeof(wchar_t);
    reader->state = SetValue;
    return at;
}

// At most eight hex digits, none an empty number: "dword:;" is 0.
static wchar_t *DwordDataStep(Reader *reader, wchar_t *at)
{
    static const int DwordDigits = 8;
    wchar_t *digits = SkipBlanks(at), *end = digits;
    if (!*digits)
        return Damaged(reader);
    while (iswxdigit(*end))
        end++;
    wchar_t *rest = SkipBlanks(end);
    if (end - digits > DwordDigits || (*rest && *rest != L';'))
        return Damaged(reader);
    *end = 0;
    DWORD number = (DWORD)wcstoul(digits, NULL, 16);
    memcpy(reader->value.room, &number, sizeof number);
    reader->value.size = sizeof number;
    reader->state = SetValue;
    return end;
}

// The value of an ASCII hex digit, else -1.
static int HexValue(wchar_t c)
{
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}

// Bytes in hex, each up to FF, after a comma each but the first; a
// backslash after a comma goes on in the next line, a ";" ends the data.
static wchar_t *HexDataStep(Reader *reader, wchar_t *at)
{
    ValueData *value = &reader->value;
    reader->state = SetValue;
    if (!*at)
        return at; // no bytes, and no zero put after them
    while (*at) {
        wchar_t *end = NULL;
        // Two digits and no third, as regedit writes every byte, read as
        // wcstoul reads them, without it: it costs as much as the rest.
        int high = HexValue(at[0]), low = high < 0 ? -1 : HexValue(at[1]);
        unsigned long byte = 0;
        if (low >= 0 && HexValue(at[2]) < 0) {
            byte = (unsigned long)high * 16 + (unsigned long)low;
            end = at + 2;
        } else {
            byte = wcstoul(at, &end, 16);
        }
        if (byte > 0xFF)
            return Damaged(reader);
        if (end == at) {
            end = SkipBlanks(end);
            if (*end == L'\\') {
                reader->state = HexLineEnd;
                return end + 1;
            }
            if (*end != L';')
                return Damaged(reader);
            break;
        }
        value->room[value->size++] = (BYTE)byte;
        if (*end && *end != L',') {
            end = SkipBlanks(end);
            if (*end && *end != L';')
                return Damaged(reader);
            break;
        }
        at = *end ? end + 1 : end;
    }
    EndHexText(reader);
    return at;
}

// After the backslash: blanks, or a comment.
static wchar_t *HexLineEndStep(Reader *reader, wchar_t *at)
{
    wchar_t *rest = SkipBlanks(at);
    if (*rest && *rest != L';')
        return Damaged(reader);
    reader->state = HexNextLine;
    return at;
}

// The line the data goes on in: blank lines and comments are passed over;
// the file's end ends the data.
static wchar_t *HexNextLineStep(Reader *reader, wchar_t *at)
{
    wchar_t *line = NextLine(&reader->text);
    if (!line) {
        EndHexText(reader);
        reader->state = SetValue;
        return at;
    }
    line = SkipBlanks(line);
    if (reader->text.zero || (*line && *line != L';' && !iswxdigit(*line)))
        return Damaged(reader);
    if (*line && *line != L';')
        reader->state = HexData;
    return line;
}

static wchar_t *SetValueStep(Reader *reader, wchar_t *at)
{
    if (reader->account)
        TakeValue(reader->kind, &reader->value, reader->ansi, &reader->account->records[reader->icon]);
    reader->state = LineStart;
    return at;
}

// Reads the whole text. Returns 0, or the number of the line where reg
// passes over what it cannot read.
static int ReadText(Reader *reader)
{
    static const ReadStep Steps[] = {HeaderStep, LineStartStep, KeyNameStep, DefaultValueNameStep,
                                     QuotedValueNameStep, DataStartStep, DeleteValueStep, DataTypeStep,
                                     StringDataStep, DwordDataStep, HexDataStep, HexLineEndStep,
                                     HexNextLineStep, SetValueStep};
    // reg starts with no overflow behind it
    errno = 0;
    reader->state = Header;
    for (wchar_t *at = reader->text.units; at;)
        at = Steps[reader->state](reader, at);
    return reader->damaged;
}

/* ---- The file ------------------------------------------------------------ */

// The file's text as UTF-16 units and a zero after them: a UTF-16 file's
// own, in place (bytes has room for the zero), whose last byte of no whole
// unit is no part of it; else converted from the ANSI code page into
// memory the caller frees (*converted). Null without the memory.
static wchar_t *DecodeFile(BYTE *bytes, DWORD size, size_t *count, bool *unicode, bool *converted)
{
    *unicode = size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
    *converted = !*unicode;
    if (*unicode) {
        *count = (size - 2) / sizeof(wchar_t);
        wchar_t *units = reinterpret_cast<wchar_t *>(bytes + 2);
        units[*count] = 0;
        return units;
    }
    const char *chars = reinterpret_cast<const char *>(bytes);
    int needed = size ? MultiByteToWideChar(CP_ACP, 0, chars, (int)size, NULL, 0) : 0;
    *count = (size_t)needed;
    wchar_t *units = static_cast<wchar_t *>(HeapAlloc(GetProcessHeap(), 0, (*count + 1) * sizeof(wchar_t)));
    if (units && needed)
        MultiByteToWideChar(CP_ACP, 0, chars, (int)size, units, needed);
    if (units)
        units[*count] = 0;
    return units;
}

// Reads the whole file at path, at most StatusFileLimit bytes, into memory
// the caller frees, with room for a zero unit after them. Returns
// ERROR_SUCCESS or the system's error code.
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
    else if (sized && !(*bytes = static_cast<BYTE *>(
                            HeapAlloc(GetProcessHeap(), 0, (SIZE_T)length.QuadPart + sizeof(wchar_t)))))
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

// What a read file gives: the statuses of its one account with any.
static StatusFileResult Outcome(const Reader *reader, StatusTable *list, DWORD *detail)
{
    if (reader->damaged) {
        *detail = (DWORD)reader->damaged;
        return FileDamaged;
    }
    const Account *only = NULL;
    int accounts = 0;
    for (const Account &account : reader->accounts)
        if (HasStatuses(account)) {
            only = &account;
            accounts++;
        }
    if (reader->tooManyAccounts || accounts > 1)
        return FileOfManyAccounts;
    if (!only)
        return FileWithoutStatuses;
    list->Count = 0;
    for (int n = 1; n <= IconCount; n++)
        if (only->present[n])
            list->Records[list->Count++] = only->records[n];
    SortByLineNumber(list);
    return FileRead;
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
    // Large (the records of every account kept apart): only what is read
    // before it is written is cleared.
    Reader *reader = static_cast<Reader *>(HeapAlloc(GetProcessHeap(), 0, sizeof(Reader)));
    wchar_t *units = NULL;
    bool converted = false;
    BYTE *values = NULL;
    size_t roomUnits = 0;
    if (reader) {
        reader->text = FileText();
        reader->damaged = 0;
        reader->account = NULL;
        reader->tooManyAccounts = false;
        for (Account &account : reader->accounts) {
            account.path = account.end = NULL;
            memset(account.present, 0, sizeof account.present);
        }
        units = DecodeFile(bytes, size, &reader->text.count, &reader->text.unicode, &converted);
        // A value holds at most a unit per unit of the file, and a zero;
        // the spare half takes a conversion of as many.
        roomUnits = reader->text.count + 4;
        values = static_cast<BYTE *>(HeapAlloc(GetProcessHeap(), 0, 2 * roomUnits * sizeof(wchar_t)));
    }
    StatusFileResult result = FileUnreadable;
    if (!reader || !units || !values) {
        *detail = ERROR_NOT_ENOUGH_MEMORY;
    } else {
        reader->text.units = units;
        reader->value.room = values;
        reader->value.spare = values + roomUnits * sizeof(wchar_t);
        reader->value.roomUnits = roomUnits;
        ReadText(reader);
        result = Outcome(reader, list, detail);
    }
    if (values)
        HeapFree(GetProcessHeap(), 0, values);
    if (units && converted)
        HeapFree(GetProcessHeap(), 0, units);
    if (reader)
        HeapFree(GetProcessHeap(), 0, reader);
    HeapFree(GetProcessHeap(), 0, bytes);
    return result;
}

// Robustness sweep: generated hostile input on every path that reads data
// from outside, checked after each case: no crash, texts terminated inside
// their fields, characters never cut, the right error reports, no status
// lost. The generator starts from a fixed value, so every run feeds the same cases.
#include "test_support.h"

#include "base/base.h"
#include "dialogs/dialogs.h"
#include "resource.h"
#include "store/status_store.h"
#include "web/web.h"

#include <stdio.h>
#include <string.h>
#include <algorithm>
#include <array>
#include <map>
#include <random>
#include <set>

static std::mt19937 Rng;
static size_t Pick(size_t n) { return n ? Rng() % n : 0; }
static int TotalCases;

static void Count(const char *area, int cases)
{
    TotalCases += cases;
    printf("[sweep] %s: %d cases\n", area, cases);
    ::testing::Test::RecordProperty("cases", cases);
}

struct Totals : ::testing::Environment {
    void TearDown() override { printf("[sweep] all areas: %d cases\n", TotalCases); }
};
static ::testing::Environment *const totals = ::testing::AddGlobalTestEnvironment(new Totals);

// A fault (such as a touch of a guard page) ends the program at once and
// says where, instead of leaving it to a debugger.
static LONG WINAPI ReportFault(EXCEPTION_POINTERS *info)
{
    const EXCEPTION_RECORD *record = info->ExceptionRecord;
    const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
    fprintf(stderr, "\n[sweep] fault %08lX at %p, address %p, in %s\n", record->ExceptionCode, record->ExceptionAddress,
            record->NumberParameters > 1 ? (void *)record->ExceptionInformation[1] : nullptr,
            test ? test->name() : "no test");
    fflush(stdout);
    fflush(stderr);
    ExitProcess(4);
}
static const LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = SetUnhandledExceptionFilter(ReportFault);

// Memory whose end touches a page that faults on any access: a read or
// write one byte past a buffer placed with Tail stops the program at once.
struct Guarded {
    explicit Guarded(size_t bytes)
    {
        span = (bytes + 4095) / 4096 * 4096;
        base = (BYTE *)VirtualAlloc(NULL, span + 4096, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        DWORD old;
        EXPECT_TRUE(base && VirtualProtect(base + span, 4096, PAGE_NOACCESS, &old));
        EXPECT_TRUE(IsBadReadPtr(base + span, 1)) << "the guard page is readable";
    }
    ~Guarded() { VirtualFree(base, 0, MEM_RELEASE); }
    template <class T> T *Tail(size_t count) { return (T *)(base + span - count * sizeof(T)); }
    BYTE *base;
    size_t span;
};

/* ---- Generators ---------------------------------------------------------- */

static const std::string Valid[] = {"a", "Z", " ", "\r\n", "\xC5\x99", "\xC3\xA1", "\xE2\x82\xAC", "\xE4\xB8\xAD",
                                    "\xEF\xBF\xBD", "\xF0\x9F\x98\x80", "\xF4\x8F\xBF\xBF"};
// Overlong forms, lone continuation bytes, truncated sequences, 5- and
// 6-byte forms, FF FE, encoded surrogates, beyond U+10FFFF, a zero byte.
static const std::string Invalid[] = {"\xC0\x80", "\xE0\x80\x80", "\xF0\x80\x80\x80", "\x80", "\xBF",
                                      "\xC3", "\xE2\x82", "\xF0\x9F\x98", "\xF8\x88\x80\x80\x80",
                                      "\xFC\x84\x80\x80\x80\x80", "\xFF\xFE", "\xED\xA0\x80", "\xED\xBF\xBF",
                                      "\xED\xA0\xBD\xED\xB8\x80", "\xF4\x90\x80\x80", std::string(1, '\0')};

enum Mix { Text, Wide, Hostile, Noise };

// size bytes: whole valid characters (Text; Wide: only those of three and
// four bytes, so that a cut at the byte limit shows inside the field),
// valid and invalid pieces cut anywhere (Hostile), or random bytes (Noise).
static std::string Utf8(size_t size, Mix mix)
{
    std::string out;
    while (out.size() < size) {
        std::string piece = mix == Noise                   ? std::string(1, (char)Pick(256))
                            : mix == Hostile && Pick(3) == 0 ? Invalid[Pick(std::size(Invalid))]
                            : mix == Wide                  ? Valid[6 + Pick(std::size(Valid) - 6)]
                                                           : Valid[Pick(std::size(Valid))];
        out += mix <= Wide && out.size() + piece.size() > size ? "a" : piece;
    }
    out.resize(size);
    return out;
}

// count UTF-16 units: lone halves, pairs (the last may be cut), any unit.
static std::wstring Units(size_t count, bool zeros)
{
    std::wstring out;
    while (out.size() < count) {
        switch (Pick(6)) {
        case 0: out += (wchar_t)(0xD800 + Pick(0x400)); break;
        case 1: out += (wchar_t)(0xDC00 + Pick(0x400)); break;
        case 2: out += {(wchar_t)(0xD800 + Pick(0x400)), (wchar_t)(0xDC00 + Pick(0x400))}; break;
        case 3: out += (wchar_t)(1 + Pick(0x7F)); break;
        case 4: out += (wchar_t)(0x80 + Pick(0x780)); break;
        default: out += (wchar_t)(1 + Pick(0xFFFF)); break;
        }
        if (zeros && Pick(64) == 0)
            out += L'\0';
    }
    out.resize(count);
    return out;
}

static std::string Bytes(const std::wstring &units)
{
    return std::string((const char *)units.data(), units.size() * 2);
}

// A length within 3 of one of the limits, or any up to largest.
static size_t Near(std::initializer_list<size_t> limits, size_t largest)
{
    if (Pick(4) == 0)
        return Pick(largest + 1);
    size_t n = limits.begin()[Pick(limits.size())] + Pick(7);
    return n >= 3 ? n - 3 : 0;
}

/* ---- Independent expectations --------------------------------------------- */

// The longest beginning within units that keeps every surrogate pair whole.
static std::wstring CutUnits(const std::wstring &text, size_t units)
{
    if (text.size() <= units)
        return text;
    // A cut never ends on the first half of a pair, whether or not its
    // second half follows.
    size_t n = units;
    if (n > 0 && IS_HIGH_SURROGATE(text[n - 1]))
        n--;
    return text.substr(0, n);
}

// The longest beginning of UTF-8 within bytes that ends where a character does.
static std::string CutBytes(const std::string &utf8, size_t bytes)
{
    if (utf8.size() <= bytes)
        return utf8;
    size_t n = bytes;
    while (n > 0 && ((unsigned char)utf8[n] & 0xC0) == 0x80)
        n--;
    return utf8.substr(0, n);
}

template <class S> static S UpToZero(const S &text) { return text.substr(0, text.find((typename S::value_type)0)); }

static bool IsValidUtf8(const std::string &bytes)
{
    return bytes.empty() ||
           MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), (int)bytes.size(), NULL, 0) > 0;
}

// Every surrogate half of text has its partner.
static bool PairsWhole(const std::wstring &text)
{
    for (size_t i = 0; i < text.size(); i++) {
        if (IS_HIGH_SURROGATE(text[i]) && i + 1 < text.size() && IS_LOW_SURROGATE(text[i + 1]))
            i++;
        else if (IS_HIGH_SURROGATE(text[i]) || IS_LOW_SURROGATE(text[i]))
            return false;
    }
    return true;
}

/* ---- Registry values ------------------------------------------------------ */

struct Input {
    bool present = true;
    DWORD type = REG_BINARY;
    std::string data;
};

static bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// Sets the value exactly as given; the padding keeps RegSetValueEx from
// taking a zero unit after the data for a forgotten terminator.
static void Put(HKEY key, const wchar_t *name, const Input &value)
{
    if (!value.present) {
        RegDeleteValueW(key, name);
        return;
    }
    std::string padded = value.data + std::string(4, '\xFF');
    EXPECT_EQ(RegSetValueExW(key, name, 0, value.type, (const BYTE *)padded.data(), (DWORD)value.data.size()),
              ERROR_SUCCESS);
}

// The bytes a read of the program's kind (RegQueryValueExA) gets of a
// string-typed value, with room for all of them.
static std::string ReadAsAnsi(HKEY key, const char *name, size_t size)
{
    std::string bytes(2 * size + 16, '\0');
    DWORD length = (DWORD)bytes.size();
    EXPECT_EQ(RegQueryValueExA(key, name, NULL, NULL, (BYTE *)&bytes[0], &length), ERROR_SUCCESS) << name;
    bytes.resize(std::min<size_t>(length, bytes.size()));
    return bytes;
}

static Input Stored(HKEY key, const wchar_t *name)
{
    Input value;
    DWORD size = 0;
    value.present = RegQueryValueExW(key, name, NULL, &value.type, NULL, &size) == ERROR_SUCCESS;
    value.data.resize(size);
    if (value.present)
        RegQueryValueExW(key, name, NULL, NULL, (BYTE *)&value.data[0], &size);
    return value;
}

/* ---- 1. Loading and saving statuses -------------------------------------- */

struct Slot {
    const wchar_t *name;
    const wchar_t *command;
    DWORD capacity; // bytes the load reads
    size_t field;   // units of the record's field; 0 for numbers
};
// The longest value the load reads again when it does not fit its field's
// read; of a longer one it keeps nothing.
static const size_t LongestReadAgain = 64 * 1024;

static const Slot Slots[4] = {{L"Description", L"RegQueryValueEx(\"Description\")", 8192, 4096},
                              {L"LineNumber", L"RegQueryValueEx(\"LineNumber\")", 4, 0},
                              {L"Name", L"RegQueryValueEx(\"Name\")", 2048, 1024},
                              {L"On", L"RegQueryValueEx(\"On\")", 4, 0}};

// Every type the registry names, and two it does not.
static const DWORD AllTypes[] = {REG_NONE, REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_DWORD_BIG_ENDIAN,
                                 REG_LINK, REG_MULTI_SZ, REG_RESOURCE_LIST, REG_FULL_RESOURCE_DESCRIPTOR,
                                 REG_RESOURCE_REQUIREMENTS_LIST, REG_QWORD, 12, 0x7FFFFFFF};
// Line numbers at the ends of their range and at the list's.
static const DWORD LineNumbers[] = {0, 1, 2, 31, 32, 33, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFE, 0xFFFFFFFF};

static std::string Number(DWORD number) { return std::string((const char *)&number, 4); }

// The hostile values one slot is fed, in a fixed order: quiet ones, read
// without a report, and loud ones (missing, longer than the read), each
// reported.
static void HostileInputs(const Slot &slot, std::vector<Input> &quiet, std::vector<Input> &loud)
{
    std::vector<Input> inputs;
    auto add = [&](DWORD type, std::string data) { inputs.push_back({true, type, std::move(data)}); };
    std::vector<size_t> sizes = {0, 1, 2, 3, 4, 5, 8, 9};
    if (slot.field)
        sizes.insert(sizes.end(), {1023, 1024, 1025, 2046, 2047, 2048, 2049, 3069, 4095, 4096, 8191, 8192, 8193,
                                   12285, 20000, LongestReadAgain, LongestReadAgain + 1});
    for (size_t size : sizes)
        for (Mix mix : {Text, Wide, Hostile, Noise})
            add(REG_BINARY, Utf8(size, mix));
    for (int i = 0; i < 6; i++) { // zero bytes inside valid text
        std::string text = Utf8(slot.field ? Near({slot.capacity}, slot.capacity + 8) : 1 + Pick(5), Text);
        text.insert(Pick(text.size()), 1, '\0');
        add(REG_BINARY, text);
    }
    size_t c = slot.capacity;
    for (DWORD type : AllTypes)
        for (size_t size : {(size_t)0, (size_t)1, (size_t)4, (size_t)5, c, c + 1, 2 * c, 2 * c + 2, 2 * c + 3})
            add(type, Pick(2) ? Utf8(size, Noise) : Bytes(Units(size / 2 + 1, true)).substr(0, size));
    if (!slot.field)
        for (DWORD number : LineNumbers)
            for (DWORD type : {REG_DWORD, REG_BINARY, REG_DWORD_BIG_ENDIAN})
                add(type, Number(number));
    for (int i = 0; i < 3; i++)
        inputs.push_back({false, REG_NONE, ""});
    std::shuffle(inputs.begin(), inputs.end(), Rng);
    for (Input &input : inputs)
        (input.present && input.data.size() <= slot.capacity ? quiet : loud).push_back(std::move(input));
}

// A value that reads without a report: a number of any type, a short text,
// or one that fills the read and the field around their limits.
static Input Benign(const Slot &slot)
{
    if (!slot.field)
        return {true, Pick(4) ? (DWORD)REG_DWORD : AllTypes[Pick(std::size(AllTypes))],
                Number(Pick(3) ? (DWORD)Pick(34) : LineNumbers[Pick(std::size(LineNumbers))])};
    if (Pick(6))
        return {true, REG_BINARY, Utf8(Pick(40), Text)};
    size_t size = std::min<size_t>(Near({slot.field - 1, slot.field, 2 * (slot.field - 1), 3 * (slot.field - 1),
                                         slot.capacity}, slot.capacity), slot.capacity);
    // Invalid bytes read as U+FFFD, three bytes when saved: the load keeps
    // of them what the save writes whole.
    return {true, Pick(8) ? (DWORD)REG_BINARY : REG_NONE, Utf8(size, (Mix)Pick(slot.field == NameSize ? 2 : 4))};
}

// The values of status subkey icon of list: the four a status has, and a
// value "Other" of type REG_NONE that counts any others.
static RegValues StatusValuesOf(HKEY list, int icon)
{
    RegValues values;
    HKEY sub;
    if (RegOpenKeyExW(list, std::to_wstring(icon).c_str(), 0, KEY_READ, &sub) != ERROR_SUCCESS)
        return values;
    DWORD count = 0;
    RegQueryInfoKeyW(sub, NULL, NULL, NULL, NULL, NULL, NULL, &count, NULL, NULL, NULL, NULL);
    for (const wchar_t *name : {L"Description", L"LineNumber", L"Name", L"On"}) {
        Input value = Stored(sub, name);
        if (value.present) {
            values[name] = {value.type, value.data};
            count--;
        }
    }
    if (count)
        values[L"Other"] = {REG_NONE, std::to_string(count)};
    RegCloseKey(sub);
    return values;
}

class Sweep : public TestBed {
protected:
    Sweep() : TestBed(L"123456") {}
};

// What the load must make of text value input (of a string-typed one, of
// ansi: what a read gets of it, converted to the ANSI code page): empty when
// the value is too long to read again (more than LongestReadAgain bytes);
// exactly its text when the value fits the read or is valid UTF-8 (a
// missing value: empty), else a beginning of what the whole value reads as.
static void CheckText(const wchar_t *field, const Slot &slot, const Input &input, const std::string &ansi,
                      const std::string &where)
{
    size_t length = wcsnlen(field, slot.field);
    ASSERT_LT(length, slot.field) << where << ": not terminated inside the field";
    std::wstring text(field, length);
    EXPECT_TRUE(PairsWhole(text)) << where;
    // A string-typed value reaches the load as its ANSI bytes: the load must
    // make of them what it makes of a binary value of those bytes.
    if (input.present && IsStringType(input.type))
        return CheckText(field, slot, {true, REG_BINARY, ansi}, ansi, where + " (as ANSI)");
    if (input.data.size() > LongestReadAgain) {
        EXPECT_EQ(length, 0u) << where << ": a value too long to read whole";
    } else if (input.data.size() <= slot.capacity || IsValidUtf8(input.data)) {
        std::wstring expected = CutUnits(Widen(UpToZero(CutBytes(input.data, slot.capacity))), slot.field - 1);
        // and no more than a save writes whole: bytes that are no UTF-8 grow
        expected = Widen(CutBytes(Narrow(expected), std::min<size_t>(slot.capacity, 8191)));
        EXPECT_TRUE(text == expected) << where << ": " << text.size() << " units, expected " << expected.size();
    } else {
        EXPECT_EQ(Widen(UpToZero(input.data)).compare(0, text.size(), text), 0) << where;
    }
}

// A registry file read into a table whose end touches a guard page: any
// outcome but a list beyond its bounds, icons out of range or doubled, or a
// text unterminated inside its field.
static StatusFileResult ReadFileSafely(const std::wstring &path, StatusTable *table, const std::string &where)
{
    DWORD detail = 0;
    StatusFileResult result = ReadStatusFile(path.c_str(), table, &detail);
    EXPECT_TRUE(result >= FileOfManyAccounts && result <= FileRead) << where;
    if (result != FileRead)
        return result;
    EXPECT_TRUE(table->Count >= 1 && table->Count <= MaxStatuses) << where;
    bool seen[IconCount + 1] = {};
    for (int i = 0; i < table->Count && i < MaxStatuses; i++) {
        const StatusRecord &record = table->Records[i];
        EXPECT_TRUE(record.IconIndex >= 1 && record.IconIndex <= IconCount && !seen[record.IconIndex]) << where;
        seen[record.IconIndex & 31] = true;
        EXPECT_LT(wcsnlen(record.Name, NameSize), (size_t)NameSize) << where;
        EXPECT_LT(wcsnlen(record.Description, DescriptionSize), (size_t)DescriptionSize) << where;
    }
    return result;
}

// The statuses that reg export writes exactly (clean: no string that is
// not terminated where it ends, which it cuts at its first zero, and which
// may make Wine's reg crash; no number of another size than four bytes,
// which it writes as four), copied to a list key of their own and written
// by reg export, read as a file: each as the load read it. The file then
// cut short, spoilt at random places, its hex made odd, sections of 41
// icons and overlong values put in: it reads safely, whatever it gives.
static void CheckRegistryFile(HKEY list, const std::wstring &scratch, const std::wstring &folder,
                              const StatusTable *loaded, const std::set<int> &clean, StatusTable *table,
                              const std::string &where)
{
    std::wstring side = ListKeyPath(L"654321"), path = folder + L"\\list.reg", spoilt = folder + L"\\spoilt.reg";
    RegDeleteTreeW(HKEY_CURRENT_USER, side.c_str());
    PutKey(HKEY_CURRENT_USER, side);
    for (int icon : clean) {
        HKEY copy;
        RegCreateKeyExW(HKEY_CURRENT_USER, (side + L"\\" + std::to_wstring(icon)).c_str(), 0, NULL, 0, KEY_ALL_ACCESS,
                        NULL, &copy, NULL);
        EXPECT_EQ(RegCopyTreeW(list, std::to_wstring(icon).c_str(), copy), ERROR_SUCCESS) << where;
        RegCloseKey(copy);
    }
    ASSERT_EQ(RunSystemProgram(L"reg.exe", L"export \"HKCU\\" + scratch + side + L"\" \"" + path + L"\" /y"), 0u)
        << where;
    ASSERT_EQ(ReadFileSafely(path, table, where), clean.empty() ? FileWithoutStatuses : FileRead) << where;
    int compared = 0;
    for (int i = 0; i < loaded->Count; i++) {
        const StatusRecord &a = loaded->Records[i];
        if (!clean.count(a.IconIndex) || compared >= table->Count)
            continue;
        const StatusRecord &b = table->Records[compared++];
        EXPECT_TRUE(a.IconIndex == b.IconIndex && a.LineNumber == b.LineNumber && a.On == b.On &&
                    !wcscmp(a.Name, b.Name) && !wcscmp(a.Description, b.Description))
            << where << " icon " << a.IconIndex;
    }
    EXPECT_EQ(compared, (int)clean.size()) << where;
    std::string bytes = ReadFileBytes(path);
    for (int spoil = 0; spoil < 12; spoil++) {
        std::string changed = bytes;
        switch (spoil % 4) {
        case 0: // cut anywhere, in a unit too
            changed.resize(Pick(changed.size() + 1));
            break;
        case 1: // what matters to the reading put at line starts and anywhere
            for (int n = 0; n < 8; n++) {
                static const char *const Parts[] = {"[", "[-", "]", "\"", "\\", "=", ";", "@=", "hex(", "dword:1234567890",
                                                    "\"Name\"=", "\"On\"=hex(4):", "\"Name\"=\"\\", "\r\n", "\r\n["};
                size_t at = Pick(2) ? changed.find(std::string("\n\0", 2), Pick(changed.size())) : Pick(changed.size());
                std::string part;
                for (const char *c = Parts[Pick(std::size(Parts))]; *c; c++)
                    part += std::string({*c, '\0'});
                changed.insert(std::min(at == std::string::npos ? changed.size() : at + 2, changed.size()) & ~(size_t)1, part);
            }
            break;
        case 2: // a digit more or less in the hex
            for (int n = 0; n < 8; n++) {
                size_t at = changed.find(std::string(",\0", 2), Pick(changed.size()));
                if (at != std::string::npos)
                    changed.insert(at, Pick(2) ? std::string("a\0", 2) : std::string(",\0", 2));
            }
            break;
        case 3: { // sections of 41 icons, one with a title over the longest read
            std::wstring overlong, more = L"\r\n";
            for (DWORD n = 0; n <= LongestReadAgain; n++)
                overlong += L"61,";
            for (int icon = 0; icon <= 40; icon++)
                more += L"[HKEY_CURRENT_USER\\" + scratch + side + L"\\" + std::to_wstring(icon) + L"]\r\n\"Name\"=hex:" +
                        (icon == spoil ? overlong + L"62" : L"62") + L"\r\n";
            changed += std::string((const char *)more.data(), more.size() * sizeof(wchar_t));
            break;
        }
        }
        WriteFileBytes(spoilt, changed);
        ReadFileSafely(spoilt, table, where + " spoilt " + std::to_string(spoil));
    }
}

// Each case fills 0 to 32 status subkeys (mostly a few), some values
// hostile, the rest benign; loads them, saves the list, and loads it again.
// The list key holds subkeys and values that are no statuses throughout.
// Loads go into tables whose end touches a guard page; every 64th case goes
// through the main window's load and save, and its list view; every 128th
// goes through reg export as a registry file too.
static const int LoadSaveCases = 10000;

TEST_F(Sweep, StatusesLoadAndSaveWhateverTheRegistryHolds)
{
    Rng.seed(1);
    std::vector<Input> quiet[4], loud[4];
    Guarded firstMemory(sizeof(StatusTable)), secondMemory(sizeof(StatusTable));
    StatusTable *const guarded = firstMemory.Tail<StatusTable>(1);
    StatusTable *const second = secondMemory.Tail<StatusTable>(1);

    HKEY list;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, ListKeyPath(L"123456").c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL,
                              &list, NULL), ERROR_SUCCESS);
    // Subkeys that are no statuses, with hostile values, and values of the
    // list key itself: never touched.
    static const wchar_t *const JunkKeys[] = {L"0", L"33", L"abc", L"01", L" 1", L"-1"};
    for (const wchar_t *junk : JunkKeys) {
        HKEY sub;
        RegCreateKeyExW(list, junk, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &sub, NULL);
        Put(sub, L"Name", {true, REG_SZ, Utf8(9000, Noise)});
        Put(sub, L"On", {true, REG_BINARY, Utf8(7, Noise)});
        Put(sub, L"LineNumber", {true, REG_DWORD, Number(1)});
        RegCloseKey(sub);
    }
    static const wchar_t *const JunkValues[] = {L"", L"Name", L"1", L"LineNumber"};
    for (const wchar_t *name : JunkValues)
        Put(list, name, {true, REG_BINARY, Utf8(3000, Hostile)});
    RegTree junk = ReadTree(HKEY_CURRENT_USER, ListKeyPath(L"123456"));
    std::vector<Input> junkValues;
    for (const wchar_t *name : JunkValues)
        junkValues.push_back(Stored(list, name));

    std::vector<int> previous;
    int cases = 0, reportsSeen = 0, fileCases = 0;
    for (; cases < LoadSaveCases; cases++) {
        const bool viaWindow = cases % 64 == 0;
        StatusTable *const first = viaWindow ? &StatusList : guarded;
        size_t count = cases < 33 ? (size_t)cases : Pick(16) == 0 ? Pick(33) : Pick(4);
        std::vector<int> icons;
        while (icons.size() < count) {
            int icon = 1 + (int)Pick(32);
            if (std::find(icons.begin(), icons.end(), icon) == icons.end())
                icons.push_back(icon);
        }
        std::sort(icons.begin(), icons.end());
        for (int icon : previous)
            if (!std::binary_search(icons.begin(), icons.end(), icon))
                RegDeleteTreeW(list, std::to_wstring(icon).c_str());
        previous = icons;

        std::map<int, std::array<Input, 4>> fed;
        std::map<int, std::array<std::string, 4>> ansi; // what a read gets of the string-typed ones
        std::map<int, std::array<LONG, 4>> read;               // the status each read must get
        std::vector<std::pair<const wchar_t *, LONG>> reports; // in the order the load reads
        for (int icon : icons) {
            HKEY sub;
            ASSERT_EQ(RegCreateKeyExW(list, std::to_wstring(icon).c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &sub,
                                      NULL), ERROR_SUCCESS);
            if (Pick(4) == 0)
                Put(sub, Pick(2) ? L"Extra" : L"name ", {true, REG_DWORD, "1234"});
            for (int s = 0; s < 4; s++) {
                // About one value in four hostile, one in five hundred
                // reported: a report is a window, and slow.
                Input input;
                size_t draw = Pick(1024);
                if (draw < 256) {
                    std::vector<Input> &queue = (draw < 2 ? loud : quiet)[s];
                    if (queue.empty())
                        HostileInputs(Slots[s], quiet[s], loud[s]);
                    input = queue.back();
                    queue.pop_back();
                } else {
                    input = Benign(Slots[s]);
                }
                Put(sub, Slots[s].name, input);
                if (IsStringType(input.type)) {
                    input = Stored(sub, Slots[s].name);
                    if (input.present)
                        ansi[icon][s] = ReadAsAnsi(sub, Narrow(Slots[s].name).c_str(), input.data.size());
                }
                fed[icon][s] = input;
                LONG status = input.present ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
                if (input.present && IsStringType(input.type)) {
                    // The read converts to the ANSI code page; what the system says to
                    // a read of this size is what the report must carry.
                    std::vector<char> probe(Slots[s].capacity);
                    DWORD size = Slots[s].capacity;
                    status = RegQueryValueExA(sub, Narrow(Slots[s].name).c_str(), NULL, NULL, (BYTE *)probe.data(),
                                              &size);
                } else if (input.present && input.data.size() > Slots[s].capacity) {
                    status = ERROR_MORE_DATA;
                }
                read[icon][s] = status;
                if (status != ERROR_SUCCESS)
                    reports.push_back({Slots[s].command, status});
            }
            RegCloseKey(sub);
        }
        std::string where = "case " + std::to_string(cases);

        // The first load: every status once, each field as its value reads.
        {
            UiRobot robot;
            for (size_t i = 0; i < reports.size(); i++)
                robot.Then(Press(IDOK)); // never Cancel: it ends the program
            if (viaWindow)
                ASSERT_EQ(LoadAll(), 0) << where;
            else
                ASSERT_EQ(ReadStatusList(L"123456", first), 0) << where;
            ASSERT_EQ(robot.Seen().size(), reports.size()) << where;
            for (size_t i = 0; i < reports.size(); i++)
                EXPECT_TRUE(IsReport(robot.Seen()[i], "store/status_store.cpp", L"LoadAll", reports[i].first,
                                     reports[i].second)) << where << " report " << i;
            reportsSeen += (int)reports.size();
        }
        ASSERT_LE(first->Count, MaxStatuses) << where;
        std::vector<int> loaded;
        for (int i = 0; i < first->Count; i++)
            loaded.push_back(first->Records[i].IconIndex);
        std::sort(loaded.begin(), loaded.end());
        ASSERT_EQ(loaded, icons) << where << ": a status was lost or doubled";
        for (int i = 0; i < first->Count; i++) {
            const StatusRecord &record = first->Records[i];
            std::string at = where + " icon " + std::to_string(record.IconIndex);
            if (i > 0) {
                const StatusRecord &before = first->Records[i - 1];
                EXPECT_TRUE(before.LineNumber < record.LineNumber ||
                            (before.LineNumber == record.LineNumber && before.IconIndex < record.IconIndex)) << at;
            }
            const std::array<Input, 4> &in = fed[record.IconIndex];
            CheckText(record.Description, Slots[0], in[0], ansi[record.IconIndex][0], at + " Description type " + std::to_string(in[0].type) +
                                                            " size " + std::to_string(in[0].data.size()));
            CheckText(record.Name, Slots[2], in[2], ansi[record.IconIndex][2], at + " Name type " + std::to_string(in[2].type) +
                                                     " size " + std::to_string(in[2].data.size()));
            for (int s : {1, 3}) {
                DWORD expected = 0, got = s == 1 ? record.LineNumber : record.On;
                // A string-typed number is read converted to the ANSI code page.
                const std::string &bytes = IsStringType(in[s].type) ? ansi[record.IconIndex][s] : in[s].data;
                if (read[record.IconIndex][s] == ERROR_SUCCESS)
                    memcpy(&expected, bytes.data(), std::min<size_t>(bytes.size(), 4));
                EXPECT_EQ(got, expected) << at << " " << Narrow(Slots[s].name);
            }
        }
        if (viaWindow) {
            std::vector<ListRow> rows = ReadListView(main->List());
            ASSERT_EQ(rows.size(), (size_t)StatusList.Count) << where;
            for (int i = 0; i < StatusList.Count; i++) {
                const StatusRecord &record = StatusList.Records[i];
                EXPECT_EQ(rows[i].image, record.IconIndex - 1) << where;
                EXPECT_TRUE(rows[i].name == record.Name && rows[i].description == record.Description) << where;
            }
        }
        if (HasFailure())
            break; // one failing load is enough to read
        if (cases % 128 == 1 || cases == 32) {
            std::set<int> clean;
            for (const auto &[icon, inputs] : fed)
                if (std::all_of(inputs.begin(), inputs.end(), [](const Input &input) {
                        std::wstring units((const wchar_t *)input.data.data(), input.data.size() / 2);
                        if (input.type == REG_DWORD)
                            return input.data.size() == 4;
                        return input.type != REG_SZ ||
                               (input.data.size() % 2 == 0 && units.find(L'\0') == units.size() - 1);
                    }))
                    clean.insert(icon);
            ASSERT_NO_FATAL_FAILURE(
                CheckRegistryFile(list, registry.Path() + L"\\HKCU\\", folder.Path(), first, clean, second, where));
            fileCases++;
        }

        // The save rewrites every status whole and leaves the rest alone.
        ASSERT_EQ(viaWindow ? SaveAll() : WriteStatusList(L"123456", first), 0) << where;
        DWORD subkeys = 0;
        RegQueryInfoKeyW(list, NULL, NULL, NULL, &subkeys, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
        EXPECT_EQ(subkeys, icons.size() + std::size(JunkKeys)) << where;
        // A change of what is no status would stay: a look every 16th case
        // and after the last finds it, and reading it all is slow.
        if (cases % 16 == 15 || cases == LoadSaveCases - 1) {
            RegTree all = ReadTree(HKEY_CURRENT_USER, ListKeyPath(L"123456"));
            for (const wchar_t *name : JunkKeys)
                EXPECT_TRUE(all[name] == junk[name]) << where << ": " << Narrow(name) << " was changed";
            for (size_t v = 0; v < std::size(JunkValues); v++) {
                Input after = Stored(list, JunkValues[v]);
                EXPECT_TRUE(after.present && after.type == junkValues[v].type && after.data == junkValues[v].data)
                    << where << ": the list's value " << Narrow(JunkValues[v]) << " was changed";
            }
        }
        RegTree tree;
        for (int icon : icons)
            tree[std::to_wstring(icon)] = StatusValuesOf(list, icon);
        for (int i = 0; i < first->Count; i++) {
            const StatusRecord &record = first->Records[i];
            RegValues expected = {{L"Description", Binary(CutBytes(Narrow(record.Description), 8191))},
                                  {L"LineNumber", Dword((DWORD)i + 1)},
                                  {L"Name", Binary(Narrow(record.Name))},
                                  {L"On", Dword(record.On)}};
            EXPECT_TRUE(tree[std::to_wstring(record.IconIndex)] == expected) << where << " icon " << record.IconIndex;
        }
        if (HasFailure())
            break;

        // The second load gives back what the first made, without a report:
        // a list survives its own save.
        ASSERT_EQ(ReadStatusList(L"123456", second), 0) << where;
        ASSERT_EQ(second->Count, first->Count) << where;
        for (int i = 0; i < second->Count; i++) {
            const StatusRecord &record = second->Records[i], &saved = first->Records[i];
            std::string at = where + " icon " + std::to_string(saved.IconIndex);
            ASSERT_LT(wcsnlen(record.Name, NameSize), (size_t)NameSize) << at;
            ASSERT_LT(wcsnlen(record.Description, DescriptionSize), (size_t)DescriptionSize) << at;
            EXPECT_EQ(record.IconIndex, saved.IconIndex) << at;
            EXPECT_EQ(record.LineNumber, (DWORD)i + 1) << at;
            EXPECT_EQ(record.On, saved.On) << at;
            EXPECT_TRUE(!wcscmp(record.Description, saved.Description)) << at << " Description";
            EXPECT_TRUE(!wcscmp(record.Name, saved.Name)) << at << " Name";
        }
        if (HasFailure())
            break;
    }
    RegCloseKey(list);
    EXPECT_EQ(cases, LoadSaveCases);
    EXPECT_GT(reportsSeen, 0);
    Count("status load and save", cases);
    Count("registry files of the list", fileCases * 13);
}

/* ---- 2. Text conversions ------------------------------------------------- */

TEST(SweepText, ConversionsStayInsideTheirFieldsAndKeepCharactersWhole)
{
    Rng.seed(2);
    Guarded in(40000), out(8192);
    int cases = 0;

    // UTF-8 into the title and text fields; some inputs end in a pair that
    // straddles the end of the field.
    for (size_t cap : {1, 2, 1024, 4096}) {
        for (int i = 0; i < 700; i++, cases++) {
            std::string bytes = i < 8 && cap > 4
                                    ? std::string(cap - 4 + i % 4 + (i < 4 ? 0 : 2), 'a') + "\xF0\x9F\x98\x80" "b"
                                    : Utf8(Near({0, cap, 2 * cap, 3 * cap, 4 * cap, 8192}, 9000), (Mix)Pick(4));
            char *source = in.Tail<char>(bytes.size());
            memcpy(source, bytes.data(), bytes.size());
            wchar_t *field = out.Tail<wchar_t>(cap);
            wmemset(field, 0xCCCC, cap);
            size_t n = Utf8ToText(source, bytes.size(), field, cap);
            ASSERT_LT(n, cap) << i;
            ASSERT_EQ(field[n], 0) << "not terminated after " << n;
            // A zero byte converts to a zero unit: the text ends there.
            std::wstring expected = CutUnits(Widen(bytes), cap - 1);
            ASSERT_TRUE(expected.compare(0, n, field, n) == 0 && UpToZero(std::wstring(field, n)) == UpToZero(expected))
                << "cap " << cap << " case " << i << ": " << n << " units, expected " << expected.size();
        }
    }

    // Text into the 8192-byte UTF-8 block (and tiny ones), decoded back.
    for (size_t cap : {1, 2, 3, 4, 5, 8192}) {
        for (int i = 0; i < (cap < 8192 ? 150 : 1500); i++, cases++) {
            std::wstring text = i < 8 ? std::wstring(cap > 4 ? cap - 5 + i % 4 : i % 3, L'a') +
                                            (i < 4 ? L"\xD83D\xDE00" : L"\x20AC")
                                      : Units(Near({0, cap / 3, cap / 2, cap - 1, cap}, 9000), Pick(4) == 0);
            wchar_t *source = in.Tail<wchar_t>(text.size() + 1);
            wmemcpy(source, text.c_str(), text.size() + 1);
            char *block = out.Tail<char>(cap);
            memset(block, 0xCC, cap);
            size_t n = TextToUtf8(source, block, cap);
            ASSERT_LT(n, cap) << i;
            ASSERT_EQ(block[n], 0) << "not terminated after " << n;
            std::string expected = CutBytes(Narrow(UpToZero(text)), cap - 1);
            ASSERT_TRUE(std::string(block, n) == expected) << "cap " << cap << " case " << i << ": " << n
                                                           << " bytes, expected " << expected.size();
            ASSERT_TRUE(IsValidUtf8(std::string(block, n))) << "a character was cut, case " << i;
        }
    }

    // Bounded copies, of terminated text or of a length with no terminator.
    for (size_t cap : {1, 2, 1024, 4096}) {
        for (int i = 0; i < 700; i++, cases++) {
            std::wstring text = Units(Near({0, cap - 1, cap}, 2 * cap + 8), Pick(4) == 0);
            bool counted = Pick(2);
            wchar_t *source = in.Tail<wchar_t>(text.size() + (counted ? 0 : 1));
            wmemcpy(source, text.c_str(), text.size() + (counted ? 0 : 1));
            wchar_t *field = out.Tail<wchar_t>(cap);
            wmemset(field, 0xCCCC, cap);
            size_t n = CopyText(field, cap, source, counted ? text.size() : (size_t)-1);
            ASSERT_LT(n, cap) << i;
            ASSERT_EQ(field[n], 0) << "not terminated after " << n;
            std::wstring expected = CutUnits(UpToZero(text), cap - 1);
            ASSERT_TRUE(std::wstring(field, n) == expected) << "cap " << cap << " case " << i;
        }
    }
    Count("text conversions", cases);
}

/* ---- 3. The version file ------------------------------------------------- */

// The number in five bytes: white space, at most one sign, decimal digits;
// anything else ends it, and without a digit it is 0.
static int ReferenceVersion(const unsigned char *b)
{
    int i = 0, value = 0;
    bool negative = false;
    while (i < 5 && (b[i] == ' ' || (b[i] >= '\t' && b[i] <= '\r')))
        i++;
    if (i < 5 && (b[i] == '+' || b[i] == '-'))
        negative = b[i++] == '-';
    for (; i < 5 && b[i] >= '0' && b[i] <= '9'; i++)
        value = value * 10 + (b[i] - '0');
    return negative ? -value : value;
}

TEST(SweepVersion, ParseReadsFiveBytesOnly)
{
    Rng.seed(3);
    Guarded guard(5);
    unsigned char *five = guard.Tail<unsigned char>(5);
    static const unsigned char Alphabet[] = {' ', '\t', '\n', '\v', '\f', '\r', '+', '-', '0',
                                             '1', '5', '9', 'x', 0, 0x80, 0xA0, 0xFF};
    const size_t letters = sizeof Alphabet;
    int cases = 0;
    // Every file of up to five bytes of the alphabet, read over "0000" and a zero.
    for (size_t length = 0; length <= 5; length++) {
        size_t total = 1;
        for (size_t k = 0; k < length; k++)
            total *= letters;
        for (size_t code = 0; code < total; code++, cases++) {
            memcpy(five, "0000", 5);
            for (size_t k = 0, rest = code; k < length; k++, rest /= letters)
                five[k] = Alphabet[rest % letters];
            ASSERT_EQ(ParseVersion((const char *)five), ReferenceVersion(five)) << length << " bytes, code " << code;
        }
    }
    for (int i = 0; i < 100000; i++, cases++) {
        for (int k = 0; k < 5; k++)
            five[k] = (unsigned char)Pick(256);
        ASSERT_EQ(ParseVersion((const char *)five), ReferenceVersion(five)) << i;
    }
    Count("version parse", cases);
}

/* ---- 4. The browser command ---------------------------------------------- */

TEST(SweepBrowser, CommandIsTakenOnlyWhenTerminatedInside)
{
    Rng.seed(4);
    ScratchRegistry registry;
    Guarded guard(260 * sizeof(wchar_t));
    wchar_t *buffer = guard.Tail<wchar_t>(260);
    const wchar_t *path = L"HTTP\\shell\\open\\command";
    int cases = 2;
    wmemset(buffer, L'J', 260);
    EXPECT_EQ(ReadBrowserCommand(buffer), -2) << "no key";
    EXPECT_EQ(buffer[0], 0);
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, path, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL), ERROR_SUCCESS);
    wmemset(buffer, L'J', 260);
    EXPECT_EQ(ReadBrowserCommand(buffer), -2) << "no value";
    EXPECT_EQ(buffer[0], 0);

    static const DWORD Types[] = {REG_SZ, REG_EXPAND_SZ, REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ,
                                  REG_BINARY, REG_DWORD, REG_QWORD, REG_NONE};
    for (size_t size = 0; size <= 530; size++) {
        for (int variant = 0; variant < 3; variant++, cases++) {
            std::wstring units = Units(size / 2 + 1, false);
            if (variant == 1 && size >= 2)
                units[size / 2 - 1] = 0; // terminated at the very end
            else if (variant == 2 && size >= 2)
                units[Pick(size / 2)] = 0;
            Put(key, NULL, {true, Types[Pick(std::size(Types))], Bytes(units).substr(0, size)});
            Input stored = Stored(key, NULL);
            wmemset(buffer, L'J', 260);
            int result = ReadBrowserCommand(buffer);

            std::wstring text((const wchar_t *)stored.data.data(), stored.data.size() / 2);
            size_t end = text.find(L'\0');
            // A value of more than 520 bytes counts as no command at all,
            // even when its text ends early.
            bool usable = (stored.type == REG_SZ || stored.type == REG_EXPAND_SZ) && stored.data.size() <= 520 &&
                          end < 260;
            std::string what = "type " + std::to_string(stored.type) + " size " + std::to_string(size);
            if (usable) {
                ASSERT_EQ(result, 0) << what;
                ASSERT_TRUE(std::wstring(buffer, end + 1) == text.substr(0, end + 1)) << what;
            } else {
                ASSERT_EQ(result, -2) << what;
                ASSERT_EQ(buffer[0], 0) << what;
            }
        }
    }
    RegCloseKey(key);
    Count("browser command", cases);
}

/* ---- 5. The default message ---------------------------------------------- */

TEST_F(Sweep, DefaultMessageShowsAtMostItsFieldOrIsReported)
{
    Rng.seed(5);
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, AccountKey(L"123456", L"ICQLite").c_str(), 0, NULL, 0,
                              KEY_ALL_ACCESS, NULL, &key, NULL), ERROR_SUCCESS);
    static const size_t Sizes[] = {0, 1, 2, 3, 4, 5, 8190, 8191, 8192, 8193, 9000, 16384};
    static const DWORD Types[] = {REG_SZ, REG_MULTI_SZ, REG_EXPAND_SZ, REG_DWORD, REG_QWORD, REG_NONE};
    int cases = 0;
    for (int i = 0; i < 50; i++, cases++) {
        Input input{i % 17 != 16, i < 24 ? (DWORD)REG_BINARY : Types[Pick(std::size(Types))],
                    Utf8(i % 3 ? Sizes[Pick(std::size(Sizes))] : Pick(8200), (Mix)(i % 4))};
        Put(key, L"AwayStatusText", input);
        Input stored = Stored(key, L"AwayStatusText");
        std::string what = "case " + std::to_string(i) + " size " + std::to_string(stored.data.size());
        UiRobot robot; // Cancel for the editor; OK for a report, where Cancel would end the program
        robot.Then([](HWND window) { PostClick(window, GetDlgItem(window, IDC_MESSAGE_TEXT) ? IDCANCEL : IDOK); });
        int result = ChangeICQMessage(L"Away");
        ASSERT_EQ(robot.Seen().size(), 1u) << what;
        if (!stored.present || stored.data.size() > 8192) {
            EXPECT_EQ(result, -2) << what;
            EXPECT_TRUE(IsReport(robot.Seen()[0], "dialogs/default_message.cpp", L"ChangeICQMessage", L"RegQueryValueEx",
                                 stored.present ? ERROR_MORE_DATA : ERROR_FILE_NOT_FOUND)) << what;
        } else {
            EXPECT_EQ(result, 0) << what;
            std::wstring shown = robot.Seen()[0].ControlText(IDC_MESSAGE_TEXT);
            EXPECT_LE(shown.size(), 4095u) << what;
            EXPECT_TRUE(shown == CutUnits(Widen(UpToZero(stored.data)), 4095)) << what;
        }
        Input after = Stored(key, L"AwayStatusText");
        EXPECT_TRUE(after.present == stored.present && after.data == stored.data) << what << ": changed";
        if (HasFailure())
            break;
    }
    RegCloseKey(key);
    Count("default message", cases);
}

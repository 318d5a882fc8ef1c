// Registry files against Wine's own `reg import`: a generated corpus of the
// parts a registry file has (sections, deletions, values of every type,
// hex data over several lines, comments, blank lines, odd headers and line
// ends) and mutations of them. Each file is imported by reg into the real
// HKEY_CURRENT_USER of the test prefix, the accounts it names are loaded
// as the program loads them, and ReadStatusFile must give the same. A file
// it refuses as damaged at line N must import as it does with that line
// replaced by one reg cannot read. The generator starts from a fixed start
// value, so every run feeds the same files.
#include "test_support.h"

#include <stdio.h>
#include <mutex>
#include <thread>

#ifndef ORBELAN_IMPORT_FILES
#define ORBELAN_IMPORT_FILES 2000
#endif
static const int CorpusFiles = ORBELAN_IMPORT_FILES;
static const int Workers = 3;        // reg imports at once, each into accounts of its own
static const int FilesShownWhole = 3;

// xorshift32 from a fixed start value per file.
struct Dice {
    uint32_t state;
    bool spoilt; // this file may hold forms reg passes over: the tables' last valid-count-on entries
    uint32_t operator()(uint32_t n)
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return n ? state % n : 0;
    }
    bool Often() { return (*this)(4) != 0; }
    bool Seldom() { return (*this)(8) == 0; }
    template <class T, size_t N> T Of(T (&table)[N], size_t valid = N)
    {
        return table[(*this)(spoilt && Seldom() ? N : valid)];
    }
};

// The three accounts of a worker: two real ones and one deeper in the tree,
// below a key of its own that deletions may remove whole.
struct Accounts {
    std::wstring icq[2], nested; // nested: the key the third account lies below
    std::wstring Key(int account) const
    {
        return (account == 2 ? nested + L"\\" : L"") + AccountKey(icq[account == 1]);
    }
};

static std::wstring Hex(const std::string &bytes, Dice &dice, const std::wstring &end)
{
    static const wchar_t *const Between[] = {L"", L"", L"  ", L"; between\r\n  "}; // before a continued line
    std::wstring out;
    for (size_t i = 0; i < bytes.size(); i++) {
        wchar_t byte[4];
        swprintf(byte, 4, dice.Often() ? L"%02x" : L"%X", (unsigned char)bytes[i]);
        out += byte + std::wstring(i + 1 < bytes.size() ? L"," : L"");
        if (i + 1 < bytes.size() && dice(6) == 0)
            out += (dice.Seldom() ? L"\\ ;c" : L"\\") + end + (dice.Seldom() ? end : L"") + dice.Of(Between) + L"  ";
    }
    return out + (dice.Seldom() ? L" ;x" : L"");
}

static std::string Bytes(const std::wstring &text, bool utf16)
{
    return utf16 ? std::string((const char *)text.data(), text.size() * 2) : Narrow(text);
}

// The data of a value: a text or a number, in one of the forms a file may
// write it, valid or not.
static std::wstring Data(bool text, Dice &dice, const std::wstring &end)
{
    static const wchar_t *const Texts[] = {L"Káva", L"Oběd \"v\" 12:00", L"", L"a\\b", L"čtvrtek\r\nráno", L"€ 5"};
    static const wchar_t *const Types[] = {L"hex:", L"hex(2):", L"hex(1):", L"hex(7):", L"hex(0):", L"hex(4):",
                                           L"hex(b):", L"hex(+2):", L"hex():", L"hex(0x2):", L"Hex:"};
    static const size_t ValidTypes = 9, ValidNumbers = 5;
    static const wchar_t *const Numbers[] = {L"dword:%08x", L"dword:%x", L"dword: %x ;c", L"dword:;", L"\"%d\"",
                                             L"dword:%09x", L"DWORD:%x", L"dword:0x%x", L"dword:-%x", L"dword:%x x"};
    std::wstring value = dice.Of(Texts);
    if (!text && dice.Often()) {
        wchar_t number[32];
        swprintf(number, 32, dice.Of(Numbers, ValidNumbers), dice(40));
        return number;
    }
    if (!text)
        value = std::wstring(1 + dice(5), (wchar_t)(1 + dice(3)));
    if (dice(3) == 0) {
        std::wstring quoted = L"\"";
        for (wchar_t c : value)
            quoted += c == L'\\' ? L"\\\\" : c == L'"' ? L"\\\"" : c == L'\r' ? L"\\r" : c == L'\n' ? L"\\n"
                      : c == L'a' && dice.Seldom() ? L"\\a" : std::wstring(1, c);
        return quoted + (dice.spoilt && dice.Seldom() ? L"\\0\"" : L"\"") + (dice.Seldom() ? L" ;c" : L"");
    }
    const wchar_t *type = dice.Of(Types, ValidTypes);
    return type + Hex(Bytes(value, wcsstr(type, L"(2)") || wcsstr(type, L"(7)")), dice, end);
}

// A section's key: the status icon of account, or a key above it for a
// deletion (up is how many names above), written in any of the ways reg
// reads, and some it does not.
static std::wstring Section(const Accounts &accounts, int account, int icon, int up, Dice &dice)
{
    static const wchar_t *const Roots[] = {L"HKEY_CURRENT_USER", L"HKEY_CURRENT_USER", L"HKCU", L"hkcu",
                                           L"HKEY_CURRENT_USER", L"HKEY_LOCAL_MACHINE", L"HKCU2"};
    static const wchar_t *const Icons[] = {L"%d", L"%d", L"%d", L"0%d", L"%d\\sub", L"%d\\"};
    wchar_t status[16];
    swprintf(status, 16, dice.Of(Icons), icon);
    std::wstring path = accounts.Key(account) + L"\\CustomStatusList\\" + status;
    for (int k = 0; k < up; k++)
        path.erase(path.rfind(L'\\', path.size() - 2));
    for (size_t at = 0; dice.Seldom() && (at = path.find(L'\\', dice(path.size()))) != std::wstring::npos;)
        path.insert(at, L"\\");
    const wchar_t *open = dice.spoilt && dice.Seldom() ? L"[ " : up ? (dice.Seldom() ? L"[- " : L"[-") : L"[";
    return (dice.Seldom() ? L"  " : L"") + std::wstring(open) + (up && dice.Seldom() ? L"HKCU" : dice.Of(Roots)) +
           L"\\" + path + L"]" + (dice.Seldom() ? L" ; comment" : L"");
}

// One file of the corpus, as text, its line ends already in.
static std::wstring MakeFile(const Accounts &accounts, Dice &dice)
{
    static const wchar_t *const Headers[] = {L"Windows Registry Editor Version 5.00", L"REGEDIT4",
        L"Windows Registry Editor Version 5.00", L"REGEDIT4", L"  REGEDIT4", L"REGEDIT4 ", L"REGEDIT"};
    static const size_t ValidHeaders = 5, ValidExtras = 4;
    static const wchar_t *const Ends[] = {L"\r\n", L"\r\n", L"\r\n", L"\n", L"\r"};
    static const wchar_t *const Names[] = {L"Name", L"Description", L"LineNumber", L"On", L"name", L"ON",
                                           L"N\\ame", L"Other", L"@"};
    static const wchar_t *const Extras[] = {L"", L"; a comment", L"# another", L"  ", L"x"};
    const std::wstring end = dice.Of(Ends);
    std::vector<std::wstring> lines = {dice.spoilt && dice.Seldom() ? L"" : dice.Of(Headers, ValidHeaders)};
    if (!lines[0].size())
        lines.push_back(Headers[dice(2)]);
    int account = dice(3);
    for (int block = 0, blocks = 1 + dice(4); block < blocks; block++) {
        if (dice(3) == 0)
            account = dice(3);
        int up = dice(5) ? 0 : dice(account == 2 ? 8 : 3); // never above the worker's own keys
        lines.push_back(Section(accounts, account, 1 + dice(dice.Seldom() ? 33 : 6), up, dice));
        for (int value = 0, values = up ? dice(2) : dice(6); value < values; value++) {
            const wchar_t *name = dice.Of(Names);
            std::wstring quoted = name[0] == L'@' ? L"@" : L"\"" + std::wstring(name) + L"\"";
            bool text = name[0] == L'N' || name[0] == L'n' || name[0] == L'D';
            lines.push_back(quoted + (dice.Seldom() ? L" = " : L"=") + (dice(10) ? Data(text, dice, end) : L"-"));
            if (dice.Seldom())
                lines.push_back(dice.Of(Extras, ValidExtras));
        }
    }
    // Mutations: a line dropped, doubled, or one put in anywhere, even in
    // the middle of hex data; a line that goes on past the file's end.
    for (int mutation = dice(3); mutation-- > 0;) {
        size_t at = 1 + dice((uint32_t)lines.size());
        if (dice(3) == 0 && at < lines.size())
            lines.erase(lines.begin() + (long)at);
        else
            lines.insert(lines.begin() + (long)at, dice(3) ? std::wstring(dice.Of(Extras, ValidExtras)) : lines[at - 1]);
    }
    if (dice.Seldom())
        lines.push_back(L"\"Name\"=hex:41,\\");
    std::wstring file;
    for (const std::wstring &line : lines)
        file += line + (dice(10) ? end : std::wstring(dice.Of(Ends)));
    return dice.spoilt && dice.Seldom() ? file.substr(0, dice((uint32_t)file.size())) : file;
}

static std::string Encode(const std::wstring &text, bool unicode)
{
    if (unicode)
        return "\xFF\xFE" + Bytes(text, true);
    std::string ansi(text.size() * 2 + 1, '\0');
    ansi.resize(WideCharToMultiByte(CP_ACP, 0, text.data(), (int)text.size(), &ansi[0], (int)ansi.size(), 0, 0));
    return ansi;
}

// The text with line number (from 1) replaced by one reg cannot read.
static std::wstring SpoilLine(const std::wstring &text, DWORD number)
{
    size_t start = 0;
    for (DWORD line = 1; line < number && start < text.size(); line++) {
        start = text.find_first_of(L"\r\n", start);
        start = start == std::wstring::npos ? text.size() : start + 1 + (text.compare(start, 2, L"\r\n") == 0);
    }
    return text.substr(0, start) + L"x" + text.substr(std::min(text.find_first_of(L"\r\n", start), text.size()));
}

static std::mutex RegistryTurn; // the loads override HKEY_CURRENT_USER of the whole process

// Imports file with reg; the three accounts as the load reads them after,
// then deleted.
static std::vector<std::vector<StatusRecord>> ImportAndLoad(const Accounts &accounts, const std::wstring &path,
                                                            DWORD *exit)
{
    *exit = TryRunSystemProgram(L"reg.exe", L"import \"" + path + L"\"");
    std::lock_guard<std::mutex> turn(RegistryTurn);
    static StatusTable loaded;
    std::vector<std::vector<StatusRecord>> lists;
    for (int account = 0; account < 3; account++) {
        HKEY nested = NULL;
        if (account == 2 && RegOpenKeyExW(HKEY_CURRENT_USER, accounts.nested.c_str(), 0, KEY_READ, &nested) == 0)
            RegOverridePredefKey(HKEY_CURRENT_USER, nested);
        loaded.Count = 0;
        if (account < 2 || nested)
            ReadStatusList(accounts.icq[account == 1].c_str(), &loaded, false);
        RegOverridePredefKey(HKEY_CURRENT_USER, NULL);
        RegCloseKey(nested);
        lists.push_back(Records(loaded));
        RegDeleteTreeW(HKEY_CURRENT_USER, AccountKey(accounts.icq[account & 1]).c_str());
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, AccountKey(accounts.icq[account & 1]).c_str());
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, accounts.nested.c_str());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, accounts.nested.c_str());
    return lists;
}

// The fields of a record that a file gives.
static bool operator==(const StatusRecord &a, const StatusRecord &b)
{
    return a.IconIndex == b.IconIndex && a.LineNumber == b.LineNumber && a.On == b.On && !wcscmp(a.Name, b.Name) &&
           !wcscmp(a.Description, b.Description);
}

static std::string Describe(const std::vector<StatusRecord> &records)
{
    std::string out;
    for (const StatusRecord &r : records)
        out += " {" + std::to_string(r.IconIndex) + " #" + std::to_string(r.LineNumber) + " \"" + Narrow(r.Name) +
               "\" \"" + Narrow(r.Description) + "\" " + std::to_string(r.On) + "}";
    return out.empty() ? " none" : out;
}

// What Judge returns for a file that reg.exe crashed on, or hung on three
// times: under wine64 beside the other tests it has hung on one file or
// two of a sweep, at random.
static const std::string Crashed = "crashed";

// Where file number index disagrees with reg import; empty where it agrees.
// outcome counts what ReadStatusFile gave (FileRead is 0, the rest below).
static std::string Judge(int index, const Accounts &accounts, const std::wstring &path, int (&outcome)[5])
{
    Dice dice = {0x9E3779B9u ^ (uint32_t)(index * 2654435761u), false};
    dice.spoilt = dice(3) == 0;
    bool unicode = dice(5) < 3;
    std::wstring text = MakeFile(accounts, dice);
    WriteFileBytes(path, Encode(text, unicode));
    static thread_local StatusTable read;
    DWORD detail = 0, exit = 0;
    StatusFileResult result = ReadStatusFile(path.c_str(), &read, &detail);
    auto lists = ImportAndLoad(accounts, path, &exit);
    // reg ended by an exception, or hung, judges nothing
    // (RegistryFilesReadAsRegImportsThem).
    if (exit >= 0xC0000000u || exit == STILL_ACTIVE)
        return Crashed;
    int withStatuses = 0, which = 0;
    for (int account = 0; account < 3; account++)
        if (!lists[account].empty())
            withStatuses++, which = account;
    bool agrees = false;
    outcome[-result]++;
    if (result == FileRead)
        agrees = withStatuses == 1 && lists[which] == Records(read);
    else if (result == FileWithoutStatuses || (result == FileDamaged && detail == 1))
        agrees = withStatuses == 0;
    else if (result == FileOfManyAccounts)
        agrees = withStatuses > 1;
    else if (result == FileDamaged) {
        WriteFileBytes(path, Encode(SpoilLine(text, detail), unicode));
        agrees = ImportAndLoad(accounts, path, &exit) == lists;
        if (exit >= 0xC0000000u || exit == STILL_ACTIVE)
            return Crashed;
    }
    if (agrees)
        return "";
    std::string shown = "file " + std::to_string(index) + (unicode ? " (UTF-16)" : " (ANSI)") + ": ReadStatusFile " +
                        std::to_string(result) + " detail " + std::to_string(detail) +
                        (result == FileRead ? Describe(Records(read)) : "") + "; reg import " + std::to_string(exit);
    for (const auto &list : lists)
        shown += " |" + Describe(list);
    shown += "\n";
    for (char c : Narrow(text)) // its line ends shown
        shown += c == '\r' ? "\\r" : c == '\n' ? "\\n\n" : std::string(1, c);
    return shown;
}

class Import : public TestBed {};

TEST_F(Import, RegistryFilesReadAsRegImportsThem)
{
    // The loads and reg see the real registry.
    RegOverridePredefKey(HKEY_CURRENT_USER, NULL);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, NULL);
    // Wine 8's 64-bit reg crashes on some files its 32-bit reg reads (an
    // empty value of type 1, 2 or 7 before a comment among them). With a
    // debugger that cannot start, it ends at once instead of waiting for
    // winedbg; the test's own prefix gets the old one back at the end.
    const wchar_t *const debug = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug";
    wchar_t debugger[512] = L"";
    DWORD size = sizeof debugger - sizeof(wchar_t);
    RegGetValueW(HKEY_LOCAL_MACHINE, debug, L"Debugger", RRF_RT_REG_SZ, NULL, debugger, &size);
    const wchar_t none[] = L"C:\\nowhere\\none.exe %ld %ld";
    ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, debug, L"Debugger", REG_SZ, none, sizeof none), ERROR_SUCCESS);
    std::vector<std::string> disagreements[Workers];
    int crashes[Workers] = {};
    int outcomes[Workers][5] = {};
    std::vector<std::thread> workers;
    for (int w = 0; w < Workers; w++)
        workers.emplace_back([&, w] {
            Accounts accounts = {{L"58130" + std::to_wstring(w), L"58140" + std::to_wstring(w)},
                                 L"Software\\OrbelanImport" + std::to_wstring(w)};
            for (int index = w; index < CorpusFiles; index += Workers) {
                std::string seen = Judge(index, accounts, folder.File(L"import" + std::to_wstring(w) + L".reg"),
                                         outcomes[w]);
                if (seen == Crashed)
                    crashes[w]++;
                else if (!seen.empty())
                    disagreements[w].push_back(seen);
            }
        });
    int count = 0, outcome[5] = {}, crashed = 0;
    for (int w = 0; w < Workers; w++) {
        workers[w].join();
        crashed += crashes[w];
        for (const std::string &seen : disagreements[w])
            printf("%s\n", count++ < FilesShownWhole ? seen.c_str() : seen.substr(0, seen.find('\n')).c_str());
        for (int kind = 0; kind < 5; kind++)
            outcome[kind] += outcomes[w][kind];
    }
    printf("[sweep] registry files against reg import: %d files, %d disagreements\n", CorpusFiles, count);
    printf("[sweep] read %d, damaged %d, without statuses %d, of many accounts %d\n", outcome[0], outcome[-FileDamaged],
           outcome[-FileWithoutStatuses], outcome[-FileOfManyAccounts]);
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, debug, L"Debugger", REG_SZ, debugger,
                    (DWORD)(wcslen(debugger) + 1) * sizeof(wchar_t));
    printf("[sweep] reg.exe crashed or hung on %d files, which judge nothing\n", crashed);
    EXPECT_EQ(count, 0);
    EXPECT_LE(crashed, CorpusFiles / 20);
    // The corpus reaches every outcome, each more than a few times.
    for (StatusFileResult kind : {FileRead, FileDamaged, FileWithoutStatuses, FileOfManyAccounts})
        EXPECT_GT(outcome[-kind], CorpusFiles / 50) << "outcome " << kind;
}

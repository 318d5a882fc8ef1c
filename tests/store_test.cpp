// Reading and writing the status list through the real registry, without
// a window.
#include "test_support.h"

#include "dialogs/dialogs.h"
#include "store/status_store.h"

#include <algorithm>
#include <filesystem>
#include <regex>
#include <set>

static const std::wstring Icq = L"123456";

class Store : public TestBed {
protected:
    // Both go through a table that holds list first: the load must replace
    // what is there.
    int Load()
    {
        SetRecords(*table, list);
        int result = ReadStatusList(Icq.c_str(), table.get());
        list = Records(*table);
        return result;
    }
    int Save()
    {
        SetRecords(*table, list);
        return WriteStatusList(Icq.c_str(), table.get());
    }

    std::wstring List() const { return ListKeyPath(Icq); }
    void PutStatus(int icon, const RegValues &values) { PutKey(HKEY_CURRENT_USER, List() + L"\\" + std::to_wstring(icon), values); }
    RegTree Tree() const { return ReadTree(HKEY_CURRENT_USER, List()); }
    // Icon numbers of the list, in order.
    std::vector<int> Icons() const
    {
        std::vector<int> icons;
        for (const StatusRecord &record : list)
            icons.push_back(record.IconIndex);
        return icons;
    }
    std::vector<StatusRecord> list;
    std::unique_ptr<StatusTable> table = std::make_unique<StatusTable>();
};

TEST_F(Store, LoadFollowsLineNumbers)
{
    PutStatus(2, StatusValues(L"Druhý", L"text dva", 5, 1));
    PutStatus(7, StatusValues(L"Sedmý", L"text sedm", 3, 0));
    list.resize(3); // replaced, not added to

    EXPECT_EQ(Load(), 0);
    EXPECT_EQ(Icons(), (std::vector<int>{7, 2}));
    EXPECT_STREQ(list[0].Name, L"Sedmý");
    EXPECT_STREQ(list[0].Description, L"text sedm");
    EXPECT_EQ(list[0].LineNumber, 3u);
    EXPECT_EQ(list[0].On, 0u);
    EXPECT_EQ(list[1].On, 1u);
}

TEST_F(Store, SortIsStableAndUnsigned)
{
    PutStatus(9, StatusValues(L"max", L"", 0xFFFFFFFF, 1));
    PutStatus(4, StatusValues(L"a", L"", 2, 1));
    PutStatus(3, StatusValues(L"b", L"", 2, 1));
    PutStatus(12, StatusValues(L"c", L"", 1, 1));
    PutStatus(20, {{L"Description", Binary("")}, {L"Name", Binary("bez čísla")}, {L"On", Dword(1)}});

    UiRobot robot;
    robot.Then(Press(IDOK)); // the missing LineNumber is reported
    EXPECT_EQ(Load(), 0);
    ASSERT_EQ(robot.Seen().size(), 1u);
    EXPECT_TRUE(IsReport(robot.Seen()[0], "store/status_store.cpp", L"LoadAll", L"RegQueryValueEx(\"LineNumber\")", ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(Icons(), (std::vector<int>{20, 12, 3, 4, 9}));
}

TEST_F(Store, MissingValuesAreReportedAndTheRecordStays)
{
    PutStatus(5, {{L"Name", Utf8Binary(L"jen název")}});
    UiRobot robot;
    robot.Then(Press(IDOK)).Then(Press(IDOK)).Then(Press(IDOK));
    EXPECT_EQ(Load(), 0);
    ASSERT_EQ(robot.Seen().size(), 3u);
    EXPECT_TRUE(IsReport(robot.Seen()[0], "store/status_store.cpp", L"LoadAll", L"RegQueryValueEx(\"Description\")", 2));
    EXPECT_TRUE(IsReport(robot.Seen()[1], "store/status_store.cpp", L"LoadAll", L"RegQueryValueEx(\"LineNumber\")", 2));
    EXPECT_TRUE(IsReport(robot.Seen()[2], "store/status_store.cpp", L"LoadAll", L"RegQueryValueEx(\"On\")", 2));
    for (const Shown &report : robot.Seen())
        EXPECT_TRUE(ReportsLineOf(report, "store/status_store.cpp", "RegQueryValueExA("));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_STREQ(list[0].Name, L"jen název");
    EXPECT_STREQ(list[0].Description, L"");
    EXPECT_EQ(list[0].On, 0u);
    EXPECT_EQ(list[0].LineNumber, 0u);

    // Every report is in the event log too.
    std::vector<std::string> lines = ReadLines(folder.File(L"EVENTS.Kvt"));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[1].find("Command { RegQueryValueEx(\"LineNumber\") } in proc. LoadAll failed on line ("),
              std::string::npos);
}

TEST_F(Store, FailedCloseIsReportedAndTheLoadGoesOn)
{
    PutStatus(5, StatusValues(L"pět", L"", 1, 1));
    PutStatus(6, StatusValues(L"šest", L"", 2, 1));
    ImportPatch closes("advapi32.dll", "RegCloseKey", RegCloseKeyThenFail);
    UiRobot robot;
    robot.Then(Press(IDOK)).Then(Press(IDOK));
    EXPECT_EQ(Load(), 0);
    ASSERT_EQ(robot.Seen().size(), 2u);
    for (const Shown &report : robot.Seen())
        EXPECT_TRUE(IsReport(report, "store/status_store.cpp", L"LoadAll", L"RegCloseKey", ERROR_INVALID_HANDLE));
    EXPECT_EQ(Icons(), (std::vector<int>{5, 6}));
}

TEST_F(Store, OddValuesLoadSafely)
{
    // A text ending in a zero byte, a text with a zero inside, invalid UTF-8,
    // a REG_SZ title, a two-byte line number and an eight-byte "On".
    PutStatus(1, {{L"Description", Binary(std::string("konec\0", 6))}, {L"LineNumber", Dword(1)},
                  {L"Name", Binary(std::string("p\xC5\x99\0skryto", 9))}, {L"On", Dword(1)}});
    PutStatus(2, {{L"Description", Binary("\xFF\xFEok\xC0\xAF")}, {L"LineNumber", Binary("\x02\x01")},
                  {L"Name", {REG_SZ, std::string("A\0b\0c\0\0\0", 8)}},
                  {L"On", {REG_QWORD, std::string("\x01\0\0\0\0\0\0\0", 8)}}});

    UiRobot robot;
    robot.Then(Press(IDOK));
    EXPECT_EQ(Load(), 0);
    ASSERT_EQ(robot.Seen().size(), 1u);
    EXPECT_TRUE(IsReport(robot.Seen()[0], "store/status_store.cpp", L"LoadAll", L"RegQueryValueEx(\"On\")", ERROR_MORE_DATA));

    ASSERT_EQ(Icons(), (std::vector<int>{1, 2}));
    EXPECT_STREQ(list[0].Description, L"konec");
    EXPECT_STREQ(list[0].Name, L"př");
    std::wstring replaced = list[1].Description;
    EXPECT_NE(replaced.find(L"ok"), std::wstring::npos);
    EXPECT_EQ(replaced.find_first_not_of(L"\xFFFDok"), std::wstring::npos) << Narrow(replaced);
    EXPECT_STREQ(list[1].Name, L"Abc");
    EXPECT_EQ(list[1].LineNumber, 0x0102u);
    EXPECT_EQ(list[1].On, 0u) << "a value that does not fit is not half read";
}

TEST_F(Store, OverlongTextsAreReportedAndCutWhole)
{
    // 700 euro signs: 2100 bytes, more than the 2048 a title is read with.
    std::wstring longName(700, L'\x20AC');
    // 3000 Czech letters: 6000 bytes, fit; 5000 of them, 10000 bytes, do not.
    std::wstring longText(5000, L'\x0159');
    PutStatus(3, StatusValues(longName, longText, 1, 1));

    UiRobot robot;
    robot.Then(Press(IDOK)).Then(Press(IDOK));
    EXPECT_EQ(Load(), 0);
    ASSERT_EQ(robot.Seen().size(), 2u);
    EXPECT_TRUE(IsReport(robot.Seen()[0], "store/status_store.cpp", L"LoadAll", L"RegQueryValueEx(\"Description\")", ERROR_MORE_DATA));
    EXPECT_TRUE(IsReport(robot.Seen()[1], "store/status_store.cpp", L"LoadAll", L"RegQueryValueEx(\"Name\")", ERROR_MORE_DATA));
    ASSERT_EQ(list.size(), 1u);
    // The first 2048 bytes hold 682 whole euro signs; the field keeps them.
    EXPECT_EQ(std::wstring(list[0].Name), std::wstring(682, L'\x20AC'));
    // The first 8192 bytes hold 4096 letters; the field keeps 4095.
    EXPECT_EQ(std::wstring(list[0].Description), std::wstring(4095, L'\x0159'));

    // Values far larger than any field, 20 MB, are never read whole: the
    // fields stay empty, each reported once, and the record stays.
    std::string huge(20 << 20, 'x');
    PutStatus(4, {{L"Description", Binary(huge)}, {L"LineNumber", Dword(2)}, {L"Name", Binary(huge)}, {L"On", Dword(1)}});
    UiRobot again;
    again.Then(Press(IDOK)).Then(Press(IDOK)).Then(Press(IDOK)).Then(Press(IDOK));
    EXPECT_EQ(Load(), 0);
    ASSERT_EQ(again.Seen().size(), 4u);
    EXPECT_TRUE(IsReport(again.Seen()[2], "store/status_store.cpp", L"LoadAll", L"RegQueryValueEx(\"Description\")", ERROR_MORE_DATA));
    EXPECT_TRUE(IsReport(again.Seen()[3], "store/status_store.cpp", L"LoadAll", L"RegQueryValueEx(\"Name\")", ERROR_MORE_DATA));
    ASSERT_EQ(Icons(), (std::vector<int>{3, 4}));
    EXPECT_EQ(std::wstring(list[0].Name), std::wstring(682, L'\x20AC'));
    EXPECT_STREQ(list[1].Name, L"");
    EXPECT_STREQ(list[1].Description, L"");
    EXPECT_EQ(list[1].LineNumber, 2u);
    EXPECT_EQ(list[1].On, 1u);
}

TEST_F(Store, SaveWritesTheClientLayoutAndLoadsBack)
{
    PutStatus(5, StatusValues(L"starý", L"zmizí", 1, 1));
    list = {Record(7, L"Příliš", L"žluťoučký kůň\r\núpěl", 1), Record(2, L"", L"", 0)};
    list[0].LineNumber = 99; // not written: positions are

    EXPECT_EQ(Save(), 0);
    RegTree tree = Tree();
    ASSERT_EQ(tree.size(), 2u);
    EXPECT_EQ(tree[L"7"], StatusValues(L"Příliš", L"žluťoučký kůň\r\núpěl", 1, 1));
    EXPECT_EQ(tree[L"7"][L"Name"].data, "P\xC5\x99\xC3\xADli\xC5\xA1") << "9 bytes, no zero byte";
    EXPECT_EQ(tree[L"2"], StatusValues(L"", L"", 2, 0));
    EXPECT_EQ(tree[L"2"][L"Name"].data.size(), 0u);

    list.clear();
    EXPECT_EQ(Load(), 0);
    EXPECT_EQ(Icons(), (std::vector<int>{7, 2}));
    EXPECT_STREQ(list[0].Description, L"žluťoučký kůň\r\núpěl");
    EXPECT_STREQ(list[1].Name, L"");
}

TEST_F(Store, SaveLeavesOtherKeysAndValuesAlone)
{
    PutKey(HKEY_CURRENT_USER, List(), {{L"Owner", Dword(42)}});
    for (const wchar_t *junk : {L"0", L"33", L"abc"})
        PutKey(HKEY_CURRENT_USER, List() + L"\\" + junk, {{L"x", Dword(1)}});
    PutStatus(4, StatusValues(L"a", L"b", 1, 1));

    EXPECT_EQ(Load(), 0);
    EXPECT_EQ(Icons(), (std::vector<int>{4}));

    list.clear();
    EXPECT_EQ(Save(), 0); // an empty list
    RegTree tree = Tree();
    EXPECT_EQ(tree.size(), 3u);
    for (const wchar_t *junk : {L"0", L"33", L"abc"})
        EXPECT_EQ(tree[junk], (RegValues{{L"x", Dword(1)}})) << Narrow(junk);
    HKEY list;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, List().c_str(), 0, KEY_READ, &list), ERROR_SUCCESS);
    DWORD owner = 0, size = 4;
    EXPECT_EQ(RegQueryValueExW(list, L"Owner", NULL, NULL, (BYTE *)&owner, &size), ERROR_SUCCESS);
    EXPECT_EQ(owner, 42u);
    RegCloseKey(list);
}

TEST_F(Store, SaveRewritesAStatusWhole)
{
    // Stray values and wrong types in a status subkey do not outlive a save.
    PutStatus(6, {{L"Name", {REG_SZ, std::string("x\0\0\0", 4)}}, {L"Extra", Dword(5)}, {L"LineNumber", Binary("1")}});
    list = {Record(6, L"nový", L"text", 1)};
    EXPECT_EQ(Save(), 0);
    EXPECT_EQ(Tree()[L"6"], StatusValues(L"nový", L"text", 1, 1));
}

TEST_F(Store, LongestTextsRoundTrip)
{
    // Czech letters: two bytes each, the field limits fit both ways.
    std::wstring name(1023, L'\x017E');        // ž, 2046 bytes
    std::wstring text(4095, L'\x00E1');        // á, 8190 bytes
    // Three-byte characters: the text is cut at a character boundary.
    std::wstring wide(4095, L'\x4E2D');        // 12285 bytes
    PutKey(HKEY_CURRENT_USER, List());
    list = {Record(1, name, text), Record(32, L"x", wide)};
    EXPECT_EQ(Save(), 0);
    RegTree tree = Tree();
    EXPECT_EQ(tree[L"1"][L"Name"].data.size(), 2046u);
    EXPECT_EQ(tree[L"1"][L"Description"].data.size(), 8190u);
    EXPECT_EQ(tree[L"32"][L"Description"].data, Narrow(std::wstring(2730, L'\x4E2D')));

    EXPECT_EQ(Load(), 0);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(std::wstring(list[0].Name), name);
    EXPECT_EQ(std::wstring(list[0].Description), text);
    EXPECT_EQ(std::wstring(list[1].Description), std::wstring(2730, L'\x4E2D'));
}

TEST_F(Store, MissingListKeyIsReportedOnce)
{
    list = {Record(3, L"a", L"")};
    UiRobot robot;
    robot.Then(Press(IDOK)).Then(Press(IDOK));
    EXPECT_EQ(Save(), -1);
    EXPECT_EQ(list.size(), 1u);
    EXPECT_EQ(Load(), -1);
    ASSERT_EQ(robot.Seen().size(), 2u);
    const wchar_t *open = L"RegOpenKeyExW(\"..\\\\ICQ\\\\..\\\\CustomStatusList\")";
    EXPECT_TRUE(IsReport(robot.Seen()[0], "store/status_store.cpp", L"SaveAll", open, ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(IsReport(robot.Seen()[1], "store/status_store.cpp", L"LoadAll", open, ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(list.empty());
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, List())) << "nothing is created";
}

TEST_F(Store, FailedWritesAreReportedAndTheSaveGoesOn)
{
    // A volatile list key takes no lasting subkeys: status 7, new, cannot
    // be created.
    PutAccount(Icq, {{3, StatusValues(L"starý 3", L"", 1, 1)}, {9, StatusValues(L"starý 9", L"", 2, 1)}},
               REG_OPTION_VOLATILE);
    list = {Record(3, L"tři", L""), Record(7, L"sedm", L""), Record(9, L"devět", L"")};

    UiRobot robot;
    for (int i = 0; i < 6; i++)
        robot.Then(Press(IDOK));
    EXPECT_EQ(Save(), 0);
    ASSERT_EQ(robot.Seen().size(), 6u);
    EXPECT_TRUE(IsReport(robot.Seen()[0], "store/status_store.cpp", L"SaveAll", L"RegCreateKeyEx", ERROR_CHILD_MUST_BE_VOLATILE));
    EXPECT_TRUE(IsReport(robot.Seen()[1], "store/status_store.cpp", L"SaveAll", L"RegSetValueEx(\"Description\")", ERROR_INVALID_HANDLE));
    EXPECT_TRUE(IsReport(robot.Seen()[2], "store/status_store.cpp", L"SaveAll", L"RegSetValueEx(\"LineNumber\")", ERROR_INVALID_HANDLE));
    EXPECT_TRUE(IsReport(robot.Seen()[3], "store/status_store.cpp", L"SaveAll", L"RegSetValueEx(\"Name\")", ERROR_INVALID_HANDLE));
    EXPECT_TRUE(IsReport(robot.Seen()[4], "store/status_store.cpp", L"SaveAll", L"RegSetValueEx(\"On\")", ERROR_INVALID_HANDLE));
    EXPECT_TRUE(IsReport(robot.Seen()[5], "store/status_store.cpp", L"SaveAll", L"RegCloseKey", ERROR_INVALID_HANDLE));
    const char *calls[] = {"RegCreateKeyExW(", "RegSetValueExW(sub, L\"Description\"", "RegSetValueExW(sub, L\"LineNumber\"",
                           "RegSetValueExW(sub, L\"Name\"", "RegSetValueExW(sub, L\"On\"", "RegCloseKey(sub)"};
    for (size_t i = 0; i < 6; i++)
        EXPECT_TRUE(ReportsLineOf(robot.Seen()[i], "store/status_store.cpp", calls[i])) << i;

    RegTree tree = Tree();
    ASSERT_EQ(tree.size(), 2u);
    EXPECT_EQ(tree[L"3"], StatusValues(L"tři", L"", 1, 1));
    EXPECT_EQ(tree[L"9"], StatusValues(L"devět", L"", 3, 1));
}

// Loads the list, adds a new status 7 in second place, drops status 5,
// saves, and ends the program in the first error report.
static void AddSecondAndSave()
{
    static StatusTable table;
    UiRobot robot;
    robot.Then(Press(IDCANCEL));
    if (ReadStatusList(Icq.c_str(), &table) != 0 || table.Count != 3)
        return; // the test fails: the program did not end
    std::vector<StatusRecord> list = Records(table);
    list.insert(list.begin() + 1, Record(7, L"nový", L"", 0));
    list.erase(list.begin() + 2);
    SetRecords(table, list);
    WriteStatusList(Icq.c_str(), &table);
}

TEST_F(Store, InterruptedSaveLosesNoStoredStatus)
{
    PutAccount(Icq, {{1, StatusValues(L"starý 1", L"", 1, 1)}, {5, StatusValues(L"starý 5", L"", 2, 1)},
                     {9, StatusValues(L"starý 9", L"", 3, 1)}}, REG_OPTION_VOLATILE);
    EXPECT_EXIT(AddSecondAndSave(), testing::ExitedWithCode(-1), "");

    // Status 1 was rewritten before the failure; 5, which the new list no
    // longer has, and 9, not yet reached, are still there as they were.
    RegTree tree = Tree();
    ASSERT_EQ(tree.size(), 3u);
    EXPECT_EQ(tree[L"1"], StatusValues(L"starý 1", L"", 1, 1));
    EXPECT_EQ(tree[L"5"], StatusValues(L"starý 5", L"", 2, 1));
    EXPECT_EQ(tree[L"9"], StatusValues(L"starý 9", L"", 3, 1));
    std::vector<std::string> lines = ReadLines(folder.File(L"EVENTS.Kvt"));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("Command { RegCreateKeyEx } in proc. SaveAll"), std::string::npos);
}

/* ---- Registry files: read back by the system's own reg and regedit ------ */

// While it lives, HKEY_CURRENT_USER is the prefix's own, the one that other
// programs (reg, regedit) see.
class RealCurrentUser {
public:
    explicit RealCurrentUser(const ScratchRegistry &scratch) : scratch_(scratch.Path() + L"\\HKCU")
    {
        RegOverridePredefKey(HKEY_CURRENT_USER, NULL);
    }
    ~RealCurrentUser()
    {
        HKEY key;
        EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, scratch_.c_str(), 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
        RegOverridePredefKey(HKEY_CURRENT_USER, key);
        RegCloseKey(key);
    }

private:
    std::wstring scratch_;
};

// The sections of a registry file, each with its lines, by key.
static std::map<std::wstring, std::wstring> Sections(const std::wstring &path)
{
    std::string bytes = ReadFileBytes(path);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE") << "UTF-16LE with a byte-order mark";
    std::wstring text((const wchar_t *)(bytes.data() + 2), (bytes.size() - 2) / 2);
    std::map<std::wstring, std::wstring> sections;
    for (size_t at = text.find(L"\r\n["); at != std::wstring::npos; at = text.find(L"\r\n[", at + 1)) {
        size_t end = text.find(L"\r\n\r\n", at + 2), close = text.find(L"]\r\n", at);
        sections[text.substr(at + 3, close - at - 3)] = text.substr(close, end - close);
    }
    return sections;
}

// What the file format must carry: a text that wraps over many lines,
// characters of two to four bytes, a quote and a backslash, an empty
// title, On other than 1, icons out of order, a title longer than the
// load reads.
static std::vector<StatusRecord> FileRecords()
{
    return {Record(9, L"Oběd \"\\", std::wstring(300, L'\x0159') + L"\r\n\x20AC\xD83D\xDE00", 1),
            Record(2, L"", L"x", 0), Record(32, L"Káva", L"", 7), Record(17, std::wstring(1000, L'\x4E2D'))};
}

static const std::wstring FileIcq = L"271828"; // an account the prefix's registry never has otherwise

TEST_F(Store, ExportedFileImportsAsTheSaveWrites)
{
    PutKey(HKEY_CURRENT_USER, ListKeyPath(FileIcq));
    SetRecords(*table, FileRecords());
    ASSERT_EQ(WriteStatusList(FileIcq.c_str(), table.get()), 0);
    RegTree saved = ReadTree(HKEY_CURRENT_USER, ListKeyPath(FileIcq));
    std::wstring file = folder.File(L"export.reg");
    ASSERT_EQ(ExportStatusFile(file.c_str(), FileIcq.c_str(), table.get()), (DWORD)ERROR_SUCCESS);
    EXPECT_EQ(Sections(file).size(), 32u + 4u);

    for (const wchar_t *reader : {L"reg.exe", L"regedit.exe"}) {
        SCOPED_TRACE(Narrow(reader));
        RealCurrentUser real(registry);
        // An emptied account, and a status of the account the file replaces.
        RegDeleteTreeW(HKEY_CURRENT_USER, AccountKey(FileIcq).c_str());
        PutKey(HKEY_CURRENT_USER, ListKeyPath(FileIcq) + L"\\5", StatusValues(L"starý", L"", 1, 1));
        EXPECT_EQ(RunSystemProgram(reader, (reader[3] == L'.' ? L"import \"" : L"/S \"") + file + L"\""), 0u);
        EXPECT_EQ(ReadTree(HKEY_CURRENT_USER, ListKeyPath(FileIcq)), saved);
        RegDeleteTreeW(HKEY_CURRENT_USER, AccountKey(FileIcq).c_str());
    }
}

TEST_F(Store, RegExportOfAnAccountImportsIntoAnother)
{
    std::wstring exported = folder.File(L"reg export.reg"), ours = folder.File(L"ours.reg");
    SetRecords(*table, FileRecords());
    static StatusTable stored; // what the load makes of the account
    {
        RealCurrentUser real(registry);
        PutKey(HKEY_CURRENT_USER, ListKeyPath(FileIcq));
        EXPECT_EQ(WriteStatusList(FileIcq.c_str(), table.get()), 0);
        // and a title the client never writes: text, which reg writes quoted
        PutKey(HKEY_CURRENT_USER, ListKeyPath(FileIcq) + L"\\20", {{L"Name", Sz(L"a\r\n\"b\\")}, {L"LineNumber", Dword(5)}});
        EXPECT_EQ(RunSystemProgram(L"reg.exe", L"export \"HKCU\\" + ListKeyPath(FileIcq) + L"\" \"" + exported + L"\" /y"),
                  0u);
        EXPECT_EQ(ReadStatusList(FileIcq.c_str(), &stored, false), 0);
        RegDeleteTreeW(HKEY_CURRENT_USER, AccountKey(FileIcq).c_str());
    }
    // Its sections are ours, line for line: the same bytes, wrapped alike.
    ASSERT_EQ(ExportStatusFile(ours.c_str(), FileIcq.c_str(), table.get()), (DWORD)ERROR_SUCCESS);
    std::map<std::wstring, std::wstring> theirs = Sections(exported);
    for (const auto &[key, lines] : Sections(ours)) {
        if (key[0] == L'-')
            continue;
        EXPECT_EQ(Narrow(theirs[key]), Narrow(lines)) << Narrow(key);
    }

    // Imported, it is the account as the load reads it; saved into another
    // account, that account's statuses are the same.
    DWORD detail = 1;
    ASSERT_EQ(ReadStatusFile(exported.c_str(), table.get(), &detail), FileRead);
    EXPECT_EQ(detail, 0u);
    for (bool saved : {false, true}) {
        SCOPED_TRACE(saved);
        if (saved) {
            PutKey(HKEY_CURRENT_USER, List());
            ASSERT_EQ(WriteStatusList(Icq.c_str(), table.get()), 0);
            ASSERT_EQ(ReadStatusList(Icq.c_str(), table.get(), false), 0);
        }
        ASSERT_EQ(table->Count, 5);
        for (int i = 0; i < table->Count; i++) {
            const StatusRecord &got = table->Records[i], &expected = stored.Records[i];
            EXPECT_TRUE(got.IconIndex == expected.IconIndex && !wcscmp(got.Name, expected.Name) &&
                        !wcscmp(got.Description, expected.Description) && got.On == expected.On)
                << "status " << i;
        }
    }
    EXPECT_EQ(wcslen(stored.Records[3].Name), 682u) << "the title as far as the load reads it";
    EXPECT_STREQ(stored.Records[4].Name, L"a\r\n\"b\\");
}

/* ---- Backups -------------------------------------------------------------- */

class Backups : public TestBed {
protected:
    Backups() : TestBed(L"314159") {}
};

TEST_F(Backups, ASaveThatReplacesStatusesKeepsTheirBytesFirst)
{
    const std::wstring backups = folder.File(L"Zálohy"), list = ListKeyPath(L"314159");
    PutAccount(L"314159", {{3, StatusValues(L"Káva", L"černá", 1, 1)}, {8, StatusValues(L"Oběd", L"", 2, 0)}});
    ASSERT_EQ(LoadAll(), 0);
    EXPECT_EQ(SaveAll(), 0);
    EXPECT_FALSE(FileExists(backups)) << "a save that changes no byte backs nothing up";

    // What no load shows, and an unchanged list would still overwrite: a
    // fifth value, a title of 70 KB and one of 3,000 bytes, a title as text,
    // a default value, a number of five bytes.
    PutKey(HKEY_CURRENT_USER, list + L"\\3", {{L"Name", Binary(std::string(70000, 'a'))},
                                              {L"Extra", {REG_EXPAND_SZ, std::string("%\0x\0", 4)}}});
    PutKey(HKEY_CURRENT_USER, list + L"\\8", {{L"Name", Binary(std::string(3000, '\x80'))}});
    PutKey(HKEY_CURRENT_USER, list + L"\\12", {{L"Name", Sz(L"a \"b\\")}, {L"", Dword(5)},
                                               {L"On", {REG_DWORD, "12345"}}, {L"LineNumber", Dword(3)}});
    RegTree stored = ReadTree(HKEY_CURRENT_USER, list);
    {
        UiRobot robot; // the load reports the values it cannot read: two titles, a text, a number
        for (int report = 0; report < 4; report++)
            robot.Then(Press(IDOK));
        ASSERT_EQ(LoadAll(), 0);
    }
    static StatusTable loaded;
    loaded = StatusList;
    EXPECT_EQ(SaveAll(), 0);
    std::vector<std::wstring> names = FileNames(backups);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_TRUE(std::regex_match(names[0], std::wregex(L"314159 \\d{4}-\\d\\d-\\d\\d \\d\\d-\\d\\d-\\d\\d\\.reg")));
    const std::wstring backup = backups + L"\\" + names[0];
    // Restored, it is the list the load made; imported by the system, the
    // registry's own bytes.
    static StatusTable restored;
    DWORD detail;
    ASSERT_EQ(ReadStatusFile(backup.c_str(), &restored, &detail), FileRead);
    EXPECT_EQ(Records(restored).size(), Records(loaded).size());
    for (int i = 0; i < loaded.Count; i++)
        EXPECT_TRUE(restored.Records[i].IconIndex == loaded.Records[i].IconIndex &&
                    !wcscmp(restored.Records[i].Name, loaded.Records[i].Name) &&
                    !wcscmp(restored.Records[i].Description, loaded.Records[i].Description))
            << "status " << i;
    for (const wchar_t *reader : {L"reg.exe", L"regedit.exe"}) {
        SCOPED_TRACE(Narrow(reader));
        RealCurrentUser real(registry);
        RegDeleteTreeW(HKEY_CURRENT_USER, AccountKey(L"314159").c_str());
        PutKey(HKEY_CURRENT_USER, list + L"\\5", StatusValues(L"starý", L"", 1, 1));
        EXPECT_EQ(RunSystemProgram(reader, (reader[3] == L'.' ? L"import \"" : L"/S \"") + backup + L"\""), 0u);
        EXPECT_EQ(ReadTree(HKEY_CURRENT_USER, list), stored);
        RegDeleteTreeW(HKEY_CURRENT_USER, AccountKey(L"314159").c_str());
    }
}

TEST_F(Backups, OnlyTheProgramsOwnBackupsArePrunedOldestByName)
{
    const std::wstring backups = folder.File(L"Zálohy");
    PutAccount(L"314159", {{3, StatusValues(L"Káva", L"černá", 1, 1)}, {8, StatusValues(L"Oběd", L"", 2, 0)}});
    ASSERT_EQ(LoadAll(), 0);
    // 20 backups, the oldest read-only, and one from a clock that was ahead:
    // a backup written now is older than it by name. The user's own files,
    // whatever their names begin with or however old they are, stay.
    CreateDirectoryW(backups.c_str(), NULL);
    std::set<std::wstring> kept = {L"314159 2025-01-01 10-00-00 - kopie.reg", L"314159 notes.txt",
                                   L"3141592 2025-01-01 10-00-00.reg", L"314159 2025-01-01 10-00-00 neuloženo.reg",
                                   L"314159 2099-01-01 00-00-00.reg", L"314159 2025-01-01 10-00-00.reg"};
    for (int i = 1; i < 20; i++) {
        wchar_t name[64];
        swprintf(name, 64, i % 2 ? L"314159 2025-01-01 10-00-%02d.reg" : L"314159 2025-01-01 10-00-00 (%d).reg",
                 i % 2 ? i : i / 2 + 1);
        if (i % 2 || i > 6) // the three oldest that can go: " (2)" to " (4)"
            kept.insert(name);
        else
            WriteFileBytes(backups + L"\\" + name, "old");
    }
    for (const std::wstring &name : kept)
        WriteFileBytes(backups + L"\\" + name, "old");
    const std::wstring readOnly = backups + L"\\314159 2025-01-01 10-00-00.reg";
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);

    // Twice, within a second: each backup gets a name of its own, and is
    // kept; the oldest that can go, go.
    for (int save = 0; save < 2; save++) {
        ASSERT_TRUE(MoveStatus(1, 0));
        EXPECT_EQ(SaveAll(), 0);
    }
    const std::wregex stamp(L"314159 \\d{4}-\\d\\d-\\d\\d \\d\\d-\\d\\d-\\d\\d( \\(2\\))?\\.reg");
    std::vector<std::vector<int>> backedUp;
    for (const auto &entry : std::filesystem::directory_iterator(backups)) {
        std::wstring name = entry.path().filename().wstring();
        if (kept.erase(name))
            continue;
        EXPECT_TRUE(std::regex_match(name, stamp) && name < L"314159 2099") << Narrow(name);
        StatusTable read;
        DWORD detail;
        ASSERT_EQ(ReadStatusFile(entry.path().wstring().c_str(), &read, &detail), FileRead);
        backedUp.push_back({});
        for (const StatusRecord &record : Records(read))
            backedUp.back().push_back(record.IconIndex);
    }
    EXPECT_TRUE(kept.empty()) << Narrow(*kept.begin()) << " is gone";
    std::sort(backedUp.begin(), backedUp.end());
    EXPECT_EQ(backedUp, (std::vector<std::vector<int>>{{3, 8}, {8, 3}})) << "what the registry held each time";
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
}

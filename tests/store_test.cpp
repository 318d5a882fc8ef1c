// Reading and writing the status list through the real registry, without
// a window.
#include "test_support.h"

#include "store/status_store.h"

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

// Account selection and its input box, through the real registry and real
// windows answered by the robot.
#include "test_support.h"

#include "app/main_dialog.h"
#include "base/base.h"
#include "resource.h"
#include "store/account.h"
#include "store/input_box.h"
#include "store/status_store.h"

#include <string.h>

static const std::wstring Prompt =
    L"Zadejte vaše ICQ#\n\n(Pozn.: Tyto user statusy platí pouze pro lokální uživatele, tzn. jen pro přihlášení "
    L"z tohoto počítače)";

/* ---- The input box ------------------------------------------------------ */

// Reads the template back field by field.
struct Reader {
    const BYTE *data;
    size_t size, at;
    WORD Word()
    {
        EXPECT_LE(at + 2, size) << "read past the template";
        WORD value = 0;
        if (at + 2 <= size)
            memcpy(&value, data + at, 2);
        at += 2;
        return value;
    }
    DWORD Dword()
    {
        DWORD low = Word();
        return low | ((DWORD)Word() << 16);
    }
    std::wstring Text()
    {
        std::wstring text;
        for (WORD unit; (unit = Word()) != 0;)
            text += (wchar_t)unit;
        return text;
    }
    void Align()
    {
        while (at % 4) {
            EXPECT_EQ(data[at], 0) << "gap at " << at;
            at++;
        }
    }
};

TEST(InputBoxTemplate, LaidOutFieldByField)
{
    wchar_t text[16] = L"12345";
    InputBoxParams params = {NULL, text, 16, L"Orbelan!", Prompt.c_str(), 0};
    size_t size = BuildInputBoxTemplate(&params, NULL, 0);
    std::vector<BYTE> block(size + 64, 0xAB);
    ASSERT_EQ(BuildInputBoxTemplate(&params, block.data(), size), size);
    for (size_t i = size; i < block.size(); i++)
        ASSERT_EQ(block[i], 0xAB) << "written past the end at " << i;

    Reader read{block.data(), size, 0};
    EXPECT_EQ(read.Dword(), 0x80C808C0u);
    EXPECT_EQ(read.Dword(), 0u);
    EXPECT_EQ(read.Word(), 4);
    EXPECT_EQ(read.Word(), 0);
    EXPECT_EQ(read.Word(), 0);
    EXPECT_EQ(read.Word(), 268);
    EXPECT_EQ(read.Word(), 81);
    EXPECT_EQ(read.Word(), 0); // menu
    EXPECT_EQ(read.Word(), 0); // class
    EXPECT_EQ(read.at, 22u);
    EXPECT_EQ(read.Text(), L"Orbelan!");
    EXPECT_EQ(read.Word(), 8);
    EXPECT_EQ(read.Text(), L"Tahoma");

    struct Item {
        DWORD style;
        short x, y, width, height;
        WORD id, atom;
        std::wstring text;
    } items[] = {
        {0x50800080, 8, 60, 252, 13, 200, 0x0081, L"12345"},
        {0x50000001, 210, 8, 50, 15, 1, 0x0080, L"OK"},
        {0x50000000, 210, 26, 50, 15, 2, 0x0080, L"Cancel"},
        {0x50000000, 8, 8, 192, 51, 150, 0x0082, Prompt},
    };
    for (const Item &item : items) {
        SCOPED_TRACE(item.id);
        read.Align();
        EXPECT_EQ(read.Dword(), item.style);
        EXPECT_EQ(read.Dword(), 0u);
        EXPECT_EQ((short)read.Word(), item.x);
        EXPECT_EQ((short)read.Word(), item.y);
        EXPECT_EQ((short)read.Word(), item.width);
        EXPECT_EQ((short)read.Word(), item.height);
        EXPECT_EQ(read.Word(), item.id);
        EXPECT_EQ(read.Word(), 0xFFFF);
        EXPECT_EQ(read.Word(), item.atom);
        EXPECT_EQ(read.Text(), item.text);
        EXPECT_EQ(read.Word(), 0) << "creation data";
    }
    read.Align();
    EXPECT_EQ(read.at, size);
}

static HGLOBAL WINAPI NoGlobalMemory(UINT, SIZE_T) { return NULL; }

TEST(InputBoxTemplate, NeverWritesPastItsBlock)
{
    // Texts far beyond what a 1024-byte block holds, and a text buffer
    // without a terminator within its capacity.
    std::wstring caption(700, L'C'), prompt(5000, L'P');
    wchar_t text[4] = {L'1', L'2', L'3', L'4'};
    InputBoxParams params = {NULL, text, 4, caption.c_str(), prompt.c_str(), 0};
    size_t size = BuildInputBoxTemplate(&params, NULL, 0);
    EXPECT_GT(size, 1024u);
    for (size_t room : {(size_t)0, (size_t)100, (size_t)1024, size - 1, size}) {
        std::vector<BYTE> block(room + 32, 0xAB);
        EXPECT_EQ(BuildInputBoxTemplate(&params, block.data(), room), size);
        for (size_t i = room; i < block.size(); i++)
            ASSERT_EQ(block[i], 0xAB) << "room " << room << ", written at " << i;
    }
    std::vector<BYTE> block(size);
    BuildInputBoxTemplate(&params, block.data(), size);
    std::wstring whole((const wchar_t *)block.data(), size / 2);
    EXPECT_NE(whole.find(std::wstring(L"123") + L'\0'), std::wstring::npos) << "only capacity - 1 units are read";

    {
        // Without the memory for its template no box comes up.
        ImportPatch noMemory("kernel32.dll", "GlobalAlloc", &NoGlobalMemory);
        EXPECT_EQ(InputBox(&params), -2);
    }

    // And the box itself shows such texts.
    UiRobot robot;
    robot.Then(Press(IDCANCEL));
    EXPECT_EQ(InputBox(&params), 0);
    EXPECT_EQ(params.result, 2);
    ASSERT_EQ(robot.Seen().size(), 1u);
    EXPECT_EQ(robot.Seen()[0].caption, caption);
    EXPECT_EQ(robot.Seen()[0].ControlText(IDC_INPUT_PROMPT), prompt);
}

class InputBoxTest : public TestBed {
protected:
    wchar_t text[16] = L"start";
    InputBoxParams params = {NULL, text, 16, L"Orbelan!", Prompt.c_str(), 0};
};

TEST_F(InputBoxTest, OkReturnsWhatWasTyped)
{
    UiRobot robot;
    robot.Then(Steps({[](HWND box) {
                          HWND edit = GetDlgItem(box, IDC_INPUT_TEXT);
                          EXPECT_EQ(SendMessageW(edit, EM_GETLIMITTEXT, 0, 0), 15);
                          // What a user types beyond the limit is refused.
                          SendMessageW(edit, WM_SETTEXT, 0, (LPARAM)L"");
                          for (wchar_t c : std::wstring(L"1234567890123456789"))
                              SendMessageW(edit, WM_CHAR, c, 1);
                      },
                      Press(IDOK)}));
    EXPECT_EQ(InputBox(&params), 0);
    EXPECT_EQ(params.result, 1);
    EXPECT_STREQ(text, L"123456789012345");

    ASSERT_EQ(robot.Seen().size(), 1u);
    const Shown &box = robot.Seen()[0];
    EXPECT_EQ(box.caption, L"Orbelan!");
    EXPECT_EQ(box.ControlText(IDC_INPUT_TEXT), L"start") << "opens with the caller's text";
    EXPECT_EQ(box.ControlText(IDC_INPUT_PROMPT), Prompt);
    EXPECT_EQ(box.ControlText(IDOK), L"OK");
    EXPECT_EQ(box.ControlText(IDCANCEL), L"Cancel");
    EXPECT_EQ(box.buttons, (std::vector<int>{IDOK, IDCANCEL}));

    robot.Then(Steps({Type(IDC_INPUT_TEXT, L""), Press(IDOK)}));
    EXPECT_EQ(InputBox(&params), 0);
    EXPECT_EQ(params.result, 1);
    EXPECT_STREQ(text, L"");
}

TEST_F(InputBoxTest, EnterActsAsOk)
{
    UiRobot robot;
    robot.Then(Steps({Type(IDC_INPUT_TEXT, L"54321"), [](HWND box) {
                          HWND edit = GetDlgItem(box, IDC_INPUT_TEXT);
                          PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 0x001C0001);
                          PostMessageW(edit, WM_KEYUP, VK_RETURN, 0xC01C0001);
                      }}));
    EXPECT_EQ(InputBox(&params), 0);
    EXPECT_EQ(params.result, 1);
    EXPECT_STREQ(text, L"54321");
}

TEST_F(InputBoxTest, CancelEscAndCloseBoxKeepTheText)
{
    for (Action leave : {Press(IDCANCEL), Escape(), CloseBox()}) {
        UiRobot robot;
        robot.Then(Steps({Type(IDC_INPUT_TEXT, L"99999"), leave}));
        params.result = 0;
        EXPECT_EQ(InputBox(&params), 0);
        EXPECT_EQ(params.result, 2);
        EXPECT_STREQ(text, L"start");
    }
}

TEST_F(InputBoxTest, UnusableRecordsShowNothing)
{
    UiRobot robot; // no window may come up
    EXPECT_EQ(InputBox(nullptr), -1);
    params.text = nullptr;
    EXPECT_EQ(InputBox(&params), -1);
    params.text = text;
    params.maximumLength = 0;
    EXPECT_EQ(InputBox(&params), -1);
    EXPECT_EQ(params.result, 0);
}

TEST_F(InputBoxTest, OpensCentred)
{
    RECT box = {}, work = {};
    UiRobot robot;
    robot.Then(Steps({[&](HWND window) { GetWindowRect(window, &box); }, Press(IDCANCEL)}));
    InputBox(&params);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((box.left + box.right) / 2, (work.left + work.right) / 2, 2);
    EXPECT_NEAR((box.top + box.bottom) / 2, (work.top + work.bottom) / 2, 2);
}

/* ---- ChangeAccount ------------------------------------------------------ */

class Account : public TestBed {
protected:
    Account() : TestBed(L"11111") {}
    std::wstring Shown1005() const
    {
        wchar_t text[32];
        GetDlgItemTextW(main->Window(), IDC_ICQ_NUMBER, text, 32);
        return text;
    }
    static Action Enter(const std::wstring &text) { return Steps({Type(IDC_INPUT_TEXT, text), Press(IDOK)}); }
};

TEST_F(Account, CancelLeavesEverythingAsItWas)
{
    PutAccount(L"11111", {{4, StatusValues(L"11111/4", L"", 1, 1)}});
    ASSERT_EQ(LoadAll(), 0);
    StatusListDirty = 1;
    UiRobot robot;
    robot.Then(Press(IDNO)).Then(Steps({Type(IDC_INPUT_TEXT, L"22222"), Escape()}));
    EXPECT_EQ(ChangeAccount(), 1);
    ASSERT_EQ(robot.Seen().size(), 2u);
    const Shown &question = robot.Seen()[0];
    EXPECT_EQ(question.text, L"Chcete uložit změny, které jste nyní provedli pod předchozím ICQ#?");
    EXPECT_EQ(question.icon, L"question");
    EXPECT_EQ(question.buttons, (std::vector<int>{IDYES, IDNO}));
    EXPECT_EQ(question.owner, main->Window());
    EXPECT_EQ(robot.Seen()[1].ControlText(IDC_INPUT_TEXT), L"11111") << "the box starts with the shown ICQ#";
    EXPECT_EQ(robot.Seen()[1].owner, main->Window());
    EXPECT_EQ(Shown1005(), L"11111");
    EXPECT_EQ(Ini(L"ICQ", L"UIN"), L"<none>");
    EXPECT_EQ(StatusList.Count, 1);
    EXPECT_EQ(StatusListDirty, 1) << "cancelling keeps the unsaved changes";
}

TEST_F(Account, RejectedEntriesWarnAndAskAgain)
{
    const wchar_t *rejected[] = {L"9999", L"2147483647", L"12345678901", L"-12345", L"12345abc", L"12345 ", L""};
    UiRobot robot;
    for (const wchar_t *entry : rejected)
        robot.Then(Enter(entry)).Then(Press(IDOK));
    robot.Then(Press(IDCANCEL));
    EXPECT_EQ(ChangeAccount(), 1);
    ASSERT_EQ(robot.Seen().size(), 2 * std::size(rejected) + 1);
    for (size_t i = 0; i < std::size(rejected); i++) {
        SCOPED_TRACE(Narrow(rejected[i]));
        const Shown &warning = robot.Seen()[2 * i + 1];
        EXPECT_EQ(warning.text, L"ICQ# musí být číslo v rozmezí od 10000 do 2147483646");
        EXPECT_EQ(warning.caption, L"Orbelan!");
        EXPECT_EQ(warning.icon, L"warning");
        EXPECT_EQ(warning.buttons, (std::vector<int>{IDOK}));
        EXPECT_EQ(robot.Seen()[2 * i + 2].ControlText(IDC_INPUT_TEXT), rejected[i]) << "shown again as typed";
    }
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\Mirabilis"));
    EXPECT_EQ(Ini(L"ICQ", L"UIN"), L"<none>");
}

TEST_F(Account, AcceptedEntriesNameTheKeyAsTyped)
{
    for (const wchar_t *entry : {L"10000", L"2147483646", L" 12345", L"+12345", L"0012345"}) {
        SCOPED_TRACE(Narrow(entry));
        PutAccount(entry, {{7, StatusValues(std::wstring(entry) + L"/7", L"", 1, 1)}});
        StatusList.Count = 0;
        StatusListDirty = 0;
        UiRobot robot;
        robot.Then(Enter(entry));
        EXPECT_EQ(ChangeAccount(), 0);
        EXPECT_EQ(robot.Seen().size(), 1u) << "an existing account: no question";
        EXPECT_EQ(Ini(L"ICQ", L"UIN"), entry);
        EXPECT_EQ(Shown1005(), entry);
        ASSERT_EQ(StatusList.Count, 1);
        EXPECT_EQ(std::wstring(StatusList.Records[0].Name), std::wstring(entry) + L"/7");
        EXPECT_EQ(ReadListView(main->List()).size(), 1u);
    }
}

TEST_F(Account, MissingClientKeyEndsWithTheErrorMessage)
{
    UiRobot robot;
    robot.Then(Enter(L"22222")).Then(Press(IDOK));
    EXPECT_EQ(ChangeAccount(), -3);
    ASSERT_EQ(robot.Seen().size(), 2u);
    const Shown &error = robot.Seen()[1];
    EXPECT_EQ(error.text, L"Nepodařilo se otevřít klíč pod HKCU\\Software\\Mirabilis\\ICQ. Nejpravděpodobnější "
                          L"možností je, že ICQ není na tomto počítači korektně nainstalováno.");
    EXPECT_EQ(error.icon, L"error");
    EXPECT_EQ(error.buttons, (std::vector<int>{IDOK}));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\Mirabilis")) << "nothing is created";
    EXPECT_EQ(Ini(L"ICQ", L"UIN"), L"<none>");
    EXPECT_EQ(Shown1005(), L"11111");
}

TEST_F(Account, NewAccountAfterTheQuestion)
{
    PutKey(HKEY_CURRENT_USER, ICQ_KEY_PATH);
    const std::wstring question =
        L"Toto ICQ# nemá na tomto počítači žádný záznam v User Statusech. To znamená, že buď tento uživatel ICQ "
        L"nikdy nepoužil Status Managera, anebo je zadáno chybné číslo. Jste-li přesvědčeni, že vámi zadané číslo "
        L"je správné, pokračujte kliknutím na tlačítko ANO. V opačném případě klikněte na NE";
    UiRobot robot;
    robot.Then(Enter(L"22222")).Then(Press(IDNO)).Then(Press(IDOK)).Then(Press(IDYES));
    EXPECT_EQ(ChangeAccount(), 0);
    ASSERT_EQ(robot.Seen().size(), 4u);
    EXPECT_EQ(robot.Seen()[1].text, question);
    EXPECT_EQ(robot.Seen()[1].icon, L"question");
    EXPECT_EQ(robot.Seen()[1].buttons, (std::vector<int>{IDYES, IDNO}));
    EXPECT_EQ(robot.Seen()[2].ControlText(IDC_INPUT_TEXT), L"22222") << "after No the box comes back";
    EXPECT_EQ(robot.Seen()[3].text, question);

    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, ListKeyPath(L"22222")));
    EXPECT_TRUE(ReadTree(HKEY_CURRENT_USER, ListKeyPath(L"22222")).empty());
    EXPECT_EQ(Ini(L"ICQ", L"UIN"), L"22222");
    EXPECT_EQ(Shown1005(), L"22222");
    EXPECT_EQ(StatusList.Count, 0);
    EXPECT_EQ(StatusListDirty, 0);
}

TEST_F(Account, FailedClosesAreReportedAndTheAccountIsChosen)
{
    // After No the client's key is closed, after Yes the new list key.
    PutKey(HKEY_CURRENT_USER, ICQ_KEY_PATH);
    UiRobot robot;
    robot.Then(Enter(L"22222")).Then(Press(IDNO)).Then(Press(IDOK)).Then(Press(IDOK)).Then(Press(IDYES))
        .Then(Press(IDOK));
    {
        ImportPatch closes("advapi32.dll", "RegCloseKey", RegCloseKeyThenFail);
        EXPECT_EQ(ChangeAccount(), 0);
    }
    ASSERT_EQ(robot.Seen().size(), 6u);
    EXPECT_TRUE(IsReport(robot.Seen()[2], "store/account.cpp", L"RefreshData", L"RegCloseKey(base)", ERROR_INVALID_HANDLE));
    EXPECT_TRUE(IsReport(robot.Seen()[5], "store/status_keys.cpp", L"RefreshData", L"RegCloseKey", ERROR_INVALID_HANDLE));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, ListKeyPath(L"22222")));
    EXPECT_EQ(Ini(L"ICQ", L"UIN"), L"22222");
    EXPECT_EQ(Shown1005(), L"22222");
}

TEST_F(Account, FailedKeyCreationIsReported)
{
    // A volatile key takes no lasting subkeys: in turn the client's key
    // refuses "NewOwners", "NewOwners" the account's key, and the account's
    // key "CustomStatusList". Each row: the lasting parent, the volatile key.
    const std::pair<std::wstring, std::wstring> rows[] = {
        {L"Software\\Mirabilis", ICQ_KEY_PATH},
        {ICQ_KEY_PATH, ICQ_KEY_PATH L"\\NewOwners"},
        {ICQ_KEY_PATH L"\\NewOwners", AccountKey(L"22222")},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(Narrow(row.second));
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Mirabilis");
        PutKey(HKEY_CURRENT_USER, row.first);
        PutKey(HKEY_CURRENT_USER, row.second, {}, REG_OPTION_VOLATILE);
        UiRobot robot;
        robot.Then(Enter(L"22222")).Then(Press(IDYES)).Then(Press(IDOK));
        EXPECT_EQ(ChangeAccount(), -2);
        ASSERT_EQ(robot.Seen().size(), 3u);
        EXPECT_TRUE(IsReport(robot.Seen()[2], "store/status_keys.cpp", L"RefreshData", L"RegCreateKeyEx(\"HKCU\\\\...\\\\CustomStatusList\")",
                             ERROR_CHILD_MUST_BE_VOLATILE));
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, ListKeyPath(L"22222")));
        EXPECT_EQ(Ini(L"ICQ", L"UIN"), L"<none>");
        EXPECT_EQ(Shown1005(), L"11111");
    }
}

TEST_F(Account, UnwritableSettingsAreReported)
{
    PutAccount(L"22222", {{1, StatusValues(L"22222/1", L"", 1, 1)}});
    CopyText(SettingsPath, MAX_PATH, folder.File(L"missing folder\\Data.ini").c_str());
    UiRobot robot;
    robot.Then(Enter(L"22222")).Then(Press(IDOK));
    EXPECT_EQ(ChangeAccount(), -1);
    ASSERT_EQ(robot.Seen().size(), 2u);
    EXPECT_TRUE(IsReport(robot.Seen()[1], "store/account.cpp", L"RefreshData", L"WritePrivateProfileStringW", ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(Shown1005(), L"11111");
    EXPECT_EQ(StatusList.Count, 0) << "the list is not loaded";
}

TEST_F(Account, UnsavedChangesAreSavedOrDropped)
{
    PutAccount(L"11111", {{4, StatusValues(L"11111/4", L"", 1, 1)}});
    PutAccount(L"22222", {{9, StatusValues(L"22222/9", L"", 1, 1)}});
    ASSERT_EQ(LoadAll(), 0);
    StatusList.Records[0].On = 0; // an unsaved change
    StatusListDirty = 1;
    UiRobot robot;
    robot.Then(Press(IDYES)).Then(Enter(L"22222"));
    EXPECT_EQ(ChangeAccount(), 0);
    EXPECT_EQ(ReadTree(HKEY_CURRENT_USER, ListKeyPath(L"11111"))[L"4"][L"On"], Dword(0)) << "saved under 11111";
    ASSERT_EQ(StatusList.Count, 1);
    EXPECT_EQ(StatusList.Records[0].IconIndex, 9);
    EXPECT_EQ(StatusListDirty, 0);

    StatusList.Records[0].On = 0;
    StatusListDirty = 1;
    UiRobot dropped;
    dropped.Then(Press(IDNO)).Then(Enter(L"11111"));
    EXPECT_EQ(ChangeAccount(), 0);
    EXPECT_EQ(ReadTree(HKEY_CURRENT_USER, ListKeyPath(L"22222"))[L"9"][L"On"], Dword(1)) << "not saved";
    EXPECT_EQ(StatusList.Records[0].IconIndex, 4);

    // The old account's list gone: the save reports, the switch goes on.
    StatusListDirty = 1;
    RegDeleteTreeW(HKEY_CURRENT_USER, ListKeyPath(L"11111").c_str());
    UiRobot vanished;
    vanished.Then(Press(IDYES)).Then(Press(IDOK)).Then(Enter(L"22222"));
    EXPECT_EQ(ChangeAccount(), 0);
    ASSERT_EQ(vanished.Seen().size(), 3u);
    EXPECT_TRUE(IsReport(vanished.Seen()[1], "store/status_store.cpp", L"SaveAll", L"RegOpenKeyExW(\"..\\\\ICQ\\\\..\\\\CustomStatusList\")",
                         ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(Shown1005(), L"22222");

    // No backup of what the save would replace, and the user would rather
    // not save without one: nothing is written or switched, the changes stay.
    StatusList.Records[0].On = 0;
    StatusListDirty = 1;
    RegTree stored = ReadTree(HKEY_CURRENT_USER, ListKeyPath(L"22222"));
    ImportPatch fullDisk("kernel32.dll", "GetTempFileNameW", GetTempFileNameOnAFullDisk);
    UiRobot declined;
    declined.Then(Press(IDYES)).Then(Press(IDNO));
    EXPECT_EQ(ChangeAccount(), 1);
    ASSERT_EQ(declined.Seen().size(), 2u) << "no input box";
    EXPECT_EQ(declined.Seen()[1].text, L"Zálohu dosavadních statusů se nepodařilo uložit.\n\n" +
                                           ErrorDescription(ERROR_DISK_FULL) + L"\nUložit přesto?");
    EXPECT_EQ(declined.Seen()[1].icon, L"question");
    EXPECT_EQ(declined.Seen()[1].buttons, (std::vector<int>{IDYES, IDNO}));
    EXPECT_EQ(ReadTree(HKEY_CURRENT_USER, ListKeyPath(L"22222")), stored);
    EXPECT_EQ(Shown1005(), L"22222");
    EXPECT_EQ(StatusList.Records[0].On, 0u);
    EXPECT_EQ(StatusListDirty, 1);
}

TEST_F(Account, ABoxThatCannotBeShownEndsTheChoice)
{
    // An owner window that is gone: the box cannot be created.
    HWND gone = CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, NULL, NULL, NULL, NULL);
    DestroyWindow(gone);
    MainWindowHandle = gone;
    UiRobot robot; // nothing may come up
    EXPECT_EQ(ChangeAccount(), -5);
    EXPECT_TRUE(robot.Seen().empty());
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\Mirabilis"));
    EXPECT_EQ(Ini(L"ICQ", L"UIN"), L"<none>");
}

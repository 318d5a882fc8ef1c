// The client's default Away and N/A messages under HKEY_LOCAL_MACHINE,
// edited in dialog 111; a scratch key stands in for HKEY_LOCAL_MACHINE.
#include "test_support.h"

#include "dialogs/dialogs.h"
#include "resource.h"

static const std::wstring Lite = AccountKey(L"12345", L"ICQLite");

class Messages : public TestBed {
protected:
    Messages() : TestBed(L"12345") {}
    static void Store(const wchar_t *name, const std::string &bytes, DWORD type = REG_BINARY)
    {
        PutKey(HKEY_LOCAL_MACHINE, Lite, {{name, {type, bytes}}});
    }
    static RegValue Stored(const wchar_t *name)
    {
        return ReadTree(HKEY_LOCAL_MACHINE, AccountKey(L"12345"))[L"ICQLite"][name];
    }
    // The value as the editor writes it: the text, a zero byte, zeros.
    static RegValue Written(const std::string &utf8)
    {
        std::string block = utf8;
        block.resize(8192, '\0');
        return Binary(block);
    }
};

TEST_F(Messages, AwayMessageIsEditedAndWrittenBack)
{
    Store(L"AwayStatusText", Written("Jsem pryč.\r\nVrátím se.").data);
    Store(L"NAStatusText", Written("nedotčeno").data);
    UiRobot robot;
    robot.Then(Steps({Type(IDC_MESSAGE_TEXT, L"Nový řádek\r\ndruhý"), Press(IDOK)}));
    EXPECT_EQ(ChangeICQMessage(L"Away"), 0);
    ASSERT_EQ(robot.Seen().size(), 1u);
    const Shown &dialog = robot.Seen()[0];
    EXPECT_EQ(dialog.caption, L"Orbelan!");
    EXPECT_EQ(dialog.owner, main->Window());
    EXPECT_EQ(dialog.ControlText(IDC_MESSAGE_PROMPT),
              L"Vložte zprávu, kterou chcete zobrazovat ostatním uživatelům, jste-li ve stavu Away:");
    EXPECT_EQ(dialog.ControlText(IDC_MESSAGE_TEXT), L"Jsem pryč.\r\nVrátím se.");
    EXPECT_EQ(dialog.ControlText(IDCANCEL), L"Cancel");
    EXPECT_EQ(Stored(L"AwayStatusText"), Written(Narrow(L"Nový řádek\r\ndruhý")));
    EXPECT_EQ(Stored(L"NAStatusText"), Written("nedotčeno"));
}

TEST_F(Messages, OkRewritesAnyStoredFormCancelWritesNothing)
{
    // A short REG_SZ value: OK without a change leaves 8192 bytes of binary.
    Store(L"NAStatusText", std::string("x\0", 2), REG_SZ);
    UiRobot robot;
    robot.Then(Steps({[](HWND dialog) {
                          wchar_t prompt[256];
                          GetDlgItemTextW(dialog, IDC_MESSAGE_PROMPT, prompt, 256);
                          EXPECT_STREQ(prompt, L"Vložte zprávu, kterou chcete zobrazovat ostatním uživatelům, "
                                               L"jste-li ve stavu NA:");
                      },
                      Press(IDOK)}))
        .Then(Steps({Type(IDC_MESSAGE_TEXT, L"zahozeno"), Press(IDCANCEL)}))
        .Then(Steps({Type(IDC_MESSAGE_TEXT, L"zahozeno"), Escape()}));
    EXPECT_EQ(ChangeICQMessage(L"NA"), 0);
    EXPECT_EQ(Stored(L"NAStatusText"), Written("x"));
    EXPECT_EQ(ChangeICQMessage(L"NA"), 0);
    EXPECT_EQ(ChangeICQMessage(L"NA"), 0);
    EXPECT_EQ(Stored(L"NAStatusText"), Written("x"));
}

TEST_F(Messages, LongMessagesStayInsideTheirBuffers)
{
    // 4095 Czech letters fit the 8192 bytes with the zero byte.
    std::wstring czech(4095, L'\x0161');
    // A stored message of 8192 bytes without a zero byte is shown as its
    // first 4095 characters.
    Store(L"AwayStatusText", std::string(8192, 'a'));
    UiRobot robot;
    robot.Then(Steps({[](HWND dialog) { EXPECT_EQ(GetWindowTextLengthW(GetDlgItem(dialog, IDC_MESSAGE_TEXT)), 4095); },
                      Type(IDC_MESSAGE_TEXT, czech), Press(IDOK)}))
        // Three-byte characters: 4095 of them do not fit; the text is cut
        // at a character boundary, and the zero byte always follows.
        .Then(Steps({Type(IDC_MESSAGE_TEXT, std::wstring(5000, L'\x4E2D')), Press(IDOK)}))
        // A character of two units across the 4095 units kept is left out
        // whole; one that ends the text just within them stays.
        .Then(Steps({Type(IDC_MESSAGE_TEXT, std::wstring(4094, L'a') + L"\xD83D\xDE00" L"bbb"), Press(IDOK)}))
        .Then(Steps({Type(IDC_MESSAGE_TEXT, std::wstring(4093, L'a') + L"\xD83D\xDE00"), Press(IDOK)}));
    EXPECT_EQ(ChangeICQMessage(L"Away"), 0);
    EXPECT_EQ(Stored(L"AwayStatusText"), Written(Narrow(czech)));
    EXPECT_EQ(ChangeICQMessage(L"Away"), 0);
    EXPECT_EQ(Stored(L"AwayStatusText"), Written(Narrow(std::wstring(2730, L'\x4E2D'))));
    EXPECT_EQ(ChangeICQMessage(L"Away"), 0);
    EXPECT_EQ(Stored(L"AwayStatusText"), Written(std::string(4094, 'a')));
    EXPECT_EQ(ChangeICQMessage(L"Away"), 0);
    EXPECT_EQ(Stored(L"AwayStatusText"), Written(std::string(4093, 'a') + "\xF0\x9F\x98\x80"));
}

static INT_PTR WINAPI NoDialog(HINSTANCE, LPCWSTR, HWND, DLGPROC, LPARAM)
{
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return -1;
}

TEST_F(Messages, FailuresAreReported)
{
    // No ICQLite key.
    UiRobot robot;
    robot.Then(Press(IDOK));
    EXPECT_EQ(ChangeICQMessage(L"Away"), -1);
    ASSERT_EQ(robot.Seen().size(), 1u);
    EXPECT_TRUE(IsReport(robot.Seen()[0], "dialogs/default_message.cpp", L"ChangeICQMessage", L"RegOpenKeyEx", ERROR_FILE_NOT_FOUND));

    // No value; a value longer than 8192 bytes: no dialog.
    PutKey(HKEY_LOCAL_MACHINE, Lite);
    Store(L"NAStatusText", std::string(9000, 'n'));
    UiRobot reads;
    reads.Then(Press(IDOK)).Then(Press(IDOK));
    EXPECT_EQ(ChangeICQMessage(L"Away"), -2);
    EXPECT_EQ(ChangeICQMessage(L"NA"), -2);
    ASSERT_EQ(reads.Seen().size(), 2u);
    EXPECT_TRUE(IsReport(reads.Seen()[0], "dialogs/default_message.cpp", L"ChangeICQMessage", L"RegQueryValueEx", ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(IsReport(reads.Seen()[1], "dialogs/default_message.cpp", L"ChangeICQMessage", L"RegQueryValueEx", ERROR_MORE_DATA));
    EXPECT_EQ(Stored(L"NAStatusText").data.size(), 9000u);

    // The key vanishes while the dialog is open: the write fails.
    Store(L"AwayStatusText", Written("a").data);
    UiRobot write;
    write.Then(Steps({[](HWND) { RegDeleteTreeW(HKEY_LOCAL_MACHINE, Lite.c_str()); }, Press(IDOK)}))
        .Then(Press(IDOK));
    EXPECT_EQ(ChangeICQMessage(L"Away"), -3);
    ASSERT_EQ(write.Seen().size(), 2u);
    EXPECT_TRUE(IsReport(write.Seen()[1], "dialogs/default_message.cpp", L"ChangeICQMessage", L"RegSetValueEx", ERROR_KEY_DELETED));

    // The dialog cannot be shown: nothing is written.
    ImportPatch dialogs("user32.dll", "DialogBoxParamW", NoDialog);
    UiRobot shown;
    shown.Then(Press(IDOK));
    Store(L"AwayStatusText", Written("a").data);
    EXPECT_EQ(ChangeICQMessage(L"Away"), -4);
    ASSERT_EQ(shown.Seen().size(), 1u);
    EXPECT_TRUE(IsReport(shown.Seen()[0], "dialogs/default_message.cpp", L"ChangeICQMessage", L"DialogBoxParamW", ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(Stored(L"AwayStatusText"), Written("a"));
}

TEST_F(Messages, MenuCommandsPickTheState)
{
    Store(L"AwayStatusText", Written("pryč").data);
    Store(L"NAStatusText", Written("nedostupný").data);
    PutKey(HKEY_CURRENT_USER, ListKeyPath(L"12345"));
    UseExeSettings(L"12345");
    main.reset();
    ResetProgramState();
    UiRobot robot;
    robot.Then(Steps({Command(IDM_NA_MESSAGE), Command(IDM_AWAY_MESSAGE), Press(IDCANCEL)}))
        .Then(Press(IDCANCEL))
        .Then(Press(IDCANCEL));
    EXPECT_EQ(RunMainWindow(), 0);
    ASSERT_EQ(robot.Seen().size(), 3u);
    EXPECT_EQ(robot.Seen()[1].ControlText(IDC_MESSAGE_TEXT), L"nedostupný");
    EXPECT_NE(robot.Seen()[1].ControlText(IDC_MESSAGE_PROMPT).find(L"ve stavu NA:"), std::wstring::npos);
    EXPECT_EQ(robot.Seen()[2].ControlText(IDC_MESSAGE_TEXT), L"pryč");
    EXPECT_NE(robot.Seen()[2].ControlText(IDC_MESSAGE_PROMPT).find(L"ve stavu Away:"), std::wstring::npos);
}

// The version check against a real HTTP server on 127.0.0.1, and the
// browser launcher with a real child process standing in for the browser.
#include "test_support.h"

#include "home_url.h"
#include "resource.h"
#include "web/web.h"

#ifndef BROWSER_STUB
#error BROWSER_STUB must name the browser stand-in program
#endif

class Web : public TestBed {
protected:
    Web() : TestBed(L"12345") { SetEnvironmentVariableW(L"ORBELAN_BROWSER_LOG", BrowserLog().c_str()); }

    std::wstring BrowserLog() const { return folder.File(L"browser.log"); }
    static std::wstring Stub() { return WinePath(BROWSER_STUB); }
    static void RegisterBrowser(const std::wstring &command, DWORD type = REG_SZ)
    {
        PutKey(HKEY_CLASSES_ROOT, L"HTTP\\shell\\open\\command",
               {{L"", {type, std::string((const char *)command.c_str(), (command.size() + 1) * sizeof(wchar_t))}}});
    }
    // The command lines the browser stand-in was started with, waiting up
    // to a few seconds for count of them.
    std::vector<std::string> BrowserStarts(size_t count) const
    {
        // Up to 30 s: a stand-in may be slow to start on a busy machine.
        WaitUntil([&] { return ReadLines(BrowserLog()).size() >= count; }, 30000);
        return ReadLines(BrowserLog());
    }
    std::vector<std::string> Log() const { return ReadLines(folder.File(L"EVENTS.Kvt")); }
};

TEST_F(Web, VersionFileIsReadFromItsFirstFiveBytes)
{
    WebServer server;
    const std::pair<std::string, int> files[] = {
        {"1062", 1062},          {"1062\r\n", 1062},   {"1061", 1061},    {"106", 1060},
        {"2", 2000},             {"", 0},              {"\xEF\xBB\xBF" "1062", 0},
        {"<!DOCTYPE html>", 0},  {"  107", 107},       {"-1062", -1062},  {"106299999", 10629},
        {"abc", 0},
        // The longest answer taken, and one byte more, and far more: a server
        // that sends more is not the program's.
        {"1062" + std::string(4092, ' '), 1062}, {"1062" + std::string(4093, ' '), -1},
        {"1062" + std::string(64 << 20, 'x'), -1},
    };
    int n = 0;
    for (const auto &file : files) {
        SCOPED_TRACE(file.first.substr(0, 20) + " (" + std::to_string(file.first.size()) + " bytes)");
        std::wstring url = server.Serve(L"v" + std::to_wstring(++n) + L".txt", file.first);
        EXPECT_EQ(FetchLatestVersionFrom(url.c_str()), file.second);
        EXPECT_FALSE(FileExists(ExeFolder() + L"\\version.txt")) << "the local copy is deleted";
    }
    // A missing file: the server's error page is saved as the file.
    EXPECT_EQ(FetchLatestVersionFrom(server.Url(L"missing.txt").c_str()), 0);
    EXPECT_FALSE(FileExists(ExeFolder() + L"\\version.txt"));
}

TEST_F(Web, ServerDownFailsTheDownload)
{
    std::wstring url;
    {
        WebServer server;
        url = server.Serve(L"version.txt", "1062");
    }
    Sleep(200);
    EXPECT_EQ(FetchLatestVersionFrom(url.c_str()), -1);
    // The program's own address is a reserved name that never resolves.
    DWORD start = GetTickCount();
    EXPECT_EQ(FetchLatestVersion(), -1);
    EXPECT_LT(GetTickCount() - start, 10000u) << "fails fast";
    EXPECT_FALSE(FileExists(ExeFolder() + L"\\version.txt"));
}

TEST_F(Web, NewerVersionIsOffered)
{
    RegisterBrowser(L"\"" + Stub() + L"\" \"%1\"");
    UiRobot robot;
    robot.Then(Press(IDNO)).Then(Press(IDYES));
    ShowVersionCheckResult(1062);
    ShowVersionCheckResult(2000);
    ASSERT_EQ(robot.Seen().size(), 2u);
    const Shown &question = robot.Seen()[0];
    EXPECT_EQ(question.text, L"K dispozici je nová verze programu (1.06b). Chcete ji stáhnout nyní?");
    EXPECT_EQ(question.caption, L"Orbelan!");
    EXPECT_EQ(question.icon, L"question");
    EXPECT_EQ(question.buttons, (std::vector<int>{IDYES, IDNO}));
    EXPECT_EQ(question.owner, main->Window());
    EXPECT_EQ(robot.Seen()[1].text, L"K dispozici je nová verze programu (2.00). Chcete ji stáhnout nyní?");
    std::vector<std::string> starts = BrowserStarts(1);
    ASSERT_EQ(starts.size(), 1u) << "only Yes opens the home page";
    EXPECT_EQ(starts[0], "\"" + Narrow(Stub()) + "\" \"" ORBELAN_HOME_URL_A "\"");
    EXPECT_TRUE(Log().empty());
}

TEST_F(Web, SameOrOlderVersionSaysNothing)
{
    UiRobot robot; // nothing may come up
    for (int version : {1, 1060, 1061})
        ShowVersionCheckResult(version);
    EXPECT_TRUE(robot.Seen().empty());
    EXPECT_TRUE(Log().empty());
}

TEST_F(Web, FailedCheckShowsNotice109UntilTickedOff)
{
    UiRobot robot;
    robot.Then(Press(IDOK)).Then(Steps({Tick(IDC_DONT_SHOW_AGAIN), Press(IDOK)}));
    ShowVersionCheckResult(-1);
    EXPECT_EQ(Ini(L"Infos", L"3"), L"0");
    ShowVersionCheckResult(0);
    EXPECT_EQ(Ini(L"Infos", L"3"), L"1");
    ShowVersionCheckResult(-3); // ticked off: nothing more
    ASSERT_EQ(robot.Seen().size(), 2u);
    EXPECT_EQ(robot.Seen()[0].ControlText(IDC_NOTICE_TITLE),
              L"Nepodařilo se připojit k serveru pro zjištění nejnovější verze.");
    EXPECT_EQ(robot.Seen()[0].owner, main->Window());
    EXPECT_TRUE(Log().empty()) << "the check's thread logs, as it finds the failure";
}

// The thread as the program starts it, against the reserved address: it
// logs the failure, hands its outcome to the main window and ends by
// itself, showing nothing.
TEST_F(Web, CheckThreadEndsByItself)
{
    HANDLE thread = CreateThread(NULL, 0, UpdateCheckThread, NULL, 0, NULL);
    ASSERT_TRUE(thread != NULL);
    EXPECT_EQ(WaitForSingleObject(thread, 1000), (DWORD)WAIT_TIMEOUT) << "it waits for the main window to show";
    EXPECT_TRUE(Log().empty());
    LetVersionCheckBegin();
    EXPECT_EQ(WaitForVersionChecks(), 1) << "found by its start address";
    EXPECT_EQ(WaitForSingleObject(thread, 20000), WAIT_OBJECT_0);
    CloseHandle(thread);
    std::vector<std::string> lines = Log();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("]: Connection to server failed"), std::string::npos);
    MSG posted = {};
    ASSERT_TRUE(PeekMessageW(&posted, main->Window(), WM_VERSION_CHECKED, WM_VERSION_CHECKED, PM_REMOVE));
    EXPECT_EQ(posted.lParam, -1);
}

TEST_F(Web, BrowserCommandLineIsBuiltExactly)
{
    const std::wstring stub = L"\"" + Stub() + L"\"";
    struct Case {
        std::wstring command, address;
        std::string started;
    } cases[] = {
        {stub + L" \"%1\" --new-tab", L"https://a.example/x y", " \"https://a.example/x y\" --new-tab"},
        {stub + L" %1 and=%1", L"https://a.example/", " https://a.example/ and=%1"},
        {stub + L" -url \"%1\"", L"https://a.example/?q=ř", " -url \"https://a.example/?q=ř\""},
    };
    for (const Case &c : cases) {
        DeleteFileW(BrowserLog().c_str());
        RegisterBrowser(c.command);
        EXPECT_EQ(OpenInBrowser(c.address.c_str()), 0);
        std::vector<std::string> starts = BrowserStarts(1);
        ASSERT_EQ(starts.size(), 1u) << Narrow(c.command);
        EXPECT_EQ(starts[0], Narrow(stub) + c.started);
    }
    // REG_EXPAND_SZ is taken as it reads: nothing is expanded.
    DeleteFileW(BrowserLog().c_str());
    RegisterBrowser(stub + L" %1 %TEMP%", REG_EXPAND_SZ);
    EXPECT_EQ(OpenInBrowser(L"u"), 0);
    ASSERT_EQ(BrowserStarts(1).size(), 1u);
    EXPECT_EQ(BrowserStarts(1)[0], Narrow(stub) + " u %TEMP%");
}

TEST_F(Web, UnusableBrowserCommandsStartNothing)
{
    wchar_t buffer[260];
    EXPECT_EQ(ReadBrowserCommand(nullptr), -1);
    // No key at all.
    wcscpy(buffer, L"C:\\earlier.exe %1");
    EXPECT_EQ(ReadBrowserCommand(buffer), -2);
    EXPECT_STREQ(buffer, L"") << "no earlier content is used";
    EXPECT_EQ(OpenInBrowser(L"https://a.example/"), -1);

    const std::wstring stub = L"\"" + Stub() + L"\"";
    auto put = [](const std::string &bytes, DWORD type) {
        PutKey(HKEY_CLASSES_ROOT, L"HTTP\\shell\\open\\command", {{L"", {type, bytes}}});
    };
    auto utf16 = [](const std::wstring &text) { return std::string((const char *)text.data(), text.size() * 2); };
    // A key without a default value; a binary value; a command longer
    // than 259 characters; text without a terminator.
    PutKey(HKEY_CLASSES_ROOT, L"HTTP\\shell\\open\\command");
    EXPECT_EQ(OpenInBrowser(L"u"), -1);
    put(utf16(stub + L" %1") + std::string(2, '\0'), REG_BINARY);
    EXPECT_EQ(OpenInBrowser(L"u"), -1);
    put(utf16(stub + L" %1 " + std::wstring(300, L'x')) + std::string(2, '\0'), REG_SZ);
    EXPECT_EQ(OpenInBrowser(L"u"), -1);
    std::wstring exact = stub + L" %1 ";
    exact.resize(260, L'y');
    put(utf16(stub + L" %1") + "a", REG_SZ); // ends in half a character
    EXPECT_EQ(OpenInBrowser(L"u"), -1);
    put(utf16(exact), REG_SZ); // 520 bytes, no terminator
    wcscpy(buffer, L"C:\\earlier.exe %1");
    EXPECT_EQ(ReadBrowserCommand(buffer), -2);
    EXPECT_STREQ(buffer, L"");

    // A command without "%1", the empty one too.
    put(utf16(stub + L" --home") + std::string(2, '\0'), REG_SZ);
    EXPECT_EQ(OpenInBrowser(L"u"), -2);
    put(std::string(2, '\0'), REG_SZ);
    EXPECT_EQ(OpenInBrowser(L"u"), -2);

    // An address that would not fit the command line is refused whole.
    put(utf16(stub + L" \"%1\" tail") + std::string(2, '\0'), REG_SZ);
    size_t room = 1023 - (stub.size() + wcslen(L" \"") + wcslen(L"\" tail"));
    EXPECT_EQ(OpenInBrowser(std::wstring(room + 1, L'a').c_str()), -3);
    EXPECT_TRUE(ReadLines(BrowserLog()).empty()) << "nothing was started so far";
    EXPECT_EQ(OpenInBrowser(std::wstring(room, L'a').c_str()), 0);
    std::vector<std::string> starts = BrowserStarts(1);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].size(), 1023u) << "the longest command line that fits";
}

TEST_F(Web, TheBrowserTheUserChoseComesFirst)
{
    const std::wstring stub = L"\"" + Stub() + L"\"";
    const std::wstring choice = L"Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\http\\UserChoice";
    RegisterBrowser(stub + L" http %1");
    const struct {
        std::wstring progId, command; // progId empty: no choice; command empty: no command key
        const char *started;
    } cases[] = {
        {L"Orbelan.Chosen", stub + L" chosen \"%1\"", " chosen \"u\""},
        {L"Orbelan.NoMark", stub + L" chosen", " http u"},
        {L"Orbelan.NoCommand", L"", " http u"},
        {L"Orbelan.TooLong", stub + L" %1 " + std::wstring(300, L'x'), " http u"},
        {L"", L"", " http u"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(Narrow(c.progId));
        RegDeleteTreeW(HKEY_CURRENT_USER, choice.c_str());
        if (!c.progId.empty())
            PutKey(HKEY_CURRENT_USER, choice, {{L"ProgId", Sz(c.progId)}});
        if (!c.command.empty())
            PutKey(HKEY_CLASSES_ROOT, c.progId + L"\\shell\\open\\command", {{L"", Sz(c.command)}});
        DeleteFileW(BrowserLog().c_str());
        EXPECT_EQ(OpenInBrowser(L"u"), 0);
        std::vector<std::string> starts = BrowserStarts(1);
        ASSERT_EQ(starts.size(), 1u);
        EXPECT_EQ(starts[0], Narrow(stub) + c.started);
    }
}

TEST_F(Web, MainWindowOpensHomeAndHelpPages)
{
    RegisterBrowser(L"\"" + Stub() + L"\" \"%1\"");
    PutKey(HKEY_CURRENT_USER, ListKeyPath(L"12345"));
    UseExeSettings(L"12345");
    main.reset();
    UiRobot robot;
    // One page at a time: each browser writes its line when it gets to it,
    // so two started together may write in either order.
    robot.Then(Steps({Press(IDC_HOME_PAGE), [this](HWND) { BrowserStarts(1); }, Command(IDM_HELP_ON_WEB),
                      [this](HWND) { BrowserStarts(2); }, Command(IDM_HOME_PAGE), Press(IDCANCEL)}));
    EXPECT_EQ(RunMainWindow(), 0);
    std::vector<std::string> starts = BrowserStarts(3);
    ASSERT_EQ(starts.size(), 3u);
    std::string stub = "\"" + Narrow(Stub()) + "\" ";
    EXPECT_EQ(starts[0], stub + "\"" ORBELAN_HOME_URL_A "\"");
    EXPECT_EQ(starts[1], stub + "\"" ORBELAN_HOME_URL_A "/help.html\"");
    EXPECT_EQ(starts[2], stub + "\"" ORBELAN_HOME_URL_A "\"");
}

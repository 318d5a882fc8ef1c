// End to end: the real Orbelan.exe, started as its own process from a
// temporary folder and driven from outside, as a user would.
#include "test_support.h"

#include "store/status_store.h"
#include "web/web.h"

#include <commctrl.h>

#include <filesystem>
#include <regex>

#include "home_url.h"
#include "resource.h"
#include "version.h"

#if !defined ORBELAN_EXE || !defined PLANTED_LIBRARY || !defined ORBELAN_LOCAL_SITE_EXE || !defined ORBELAN_LOCAL_SITE_PORT
#error ORBELAN_EXE, PLANTED_LIBRARY, ORBELAN_LOCAL_SITE_EXE and ORBELAN_LOCAL_SITE_PORT must name the built programs, the planted DLL and the port
#endif

// Whether the tests run on a Czech Windows (tests/CMakeLists.txt runs them
// once so, tools/wine-env makes Wine one).
static bool CzechWindows()
{
    wchar_t windows[16] = L"";
    GetEnvironmentVariableW(L"ORBELAN_WINDOWS", windows, 16);
    return !wcscmp(windows, L"czech");
}

// The program, the real registry of the prefix (a child process does not
// share this process's registry redirection) and a folder of its own.
class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        Forget();
        exe = programFolder.File(L"Orbelan.exe");
        ASSERT_TRUE(CopyFileW(BuiltProgram().c_str(), exe.c_str(), FALSE)) << Narrow(BuiltProgram());
        // Notices 107 and 109 (the version check's address never resolves)
        // are ticked off, unless a test is about the first start.
        WritePrivateProfileStringW(L"Infos", L"1", L"1", Ini().c_str());
        WritePrivateProfileStringW(L"Infos", L"3", L"1", Ini().c_str());
    }
    void TearDown() override { Forget(); }

    static std::wstring BuiltProgram() { return WinePath(ORBELAN_EXE); }
    // The local-site build as the program, for account 555555, with notice
    // 109 switched on: a failed check would show it.
    void UseLocalSiteBuild()
    {
        ASSERT_TRUE(CopyFileW(WinePath(ORBELAN_LOCAL_SITE_EXE).c_str(), exe.c_str(), FALSE));
        Account(L"555555", {});
        WritePrivateProfileStringW(L"ICQ", L"UIN", L"555555", Ini().c_str());
        WritePrivateProfileStringW(L"Infos", L"3", NULL, Ini().c_str());
    }
    static void Forget() { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Mirabilis"); }
    std::wstring Ini() const { return programFolder.File(L"Data.ini"); }
    void Account(const std::wstring &icq, std::initializer_list<std::pair<int, RegValues>> statuses, DWORD options = 0)
    {
        PutKey(HKEY_CURRENT_USER, AccountKey(icq));
        PutKey(HKEY_CURRENT_USER, ListKeyPath(icq), {}, options);
        for (const auto &status : statuses)
            PutKey(HKEY_CURRENT_USER, ListKeyPath(icq) + L"\\" + std::to_wstring(status.first), status.second, options);
    }
    // Starts the program with workFolder as its current directory.
    void Start(const std::wstring &workFolder)
    {
        bool started = program.Start(exe, workFolder);
        DWORD error = GetLastError();
        ASSERT_TRUE(started) << "cannot start " << Narrow(exe) << ", error " << error;
    }
    // The first window of the program that shows as match wants, within 10 s.
    HWND WaitFor(const std::function<bool(const Shown &)> &match)
    {
        return program.WaitForWindow([&match](HWND window) { return match(Describe(window)); });
    }
    HWND MainWindow()
    {
        return WaitFor([](const Shown &shown) {
            return shown.caption == L"Orbelan!" && shown.HasControl(IDC_STATUS_LIST);
        });
    }
    HWND ErrorReport()
    {
        return WaitFor([](const Shown &shown) {
            return shown.text.rfind(L"Chyba aplikace!", 0) == 0;
        });
    }

    TempFolder programFolder;
    std::wstring exe;
    Process program;
};

TEST_F(EndToEnd, ShowsTheStoredAccountAndSavesOnOk)
{
    Account(L"555555", {{2, StatusValues(L"Na kafi", L"Jsem na kávě.", 3, 1)},
                        {17, StatusValues(L"V práci", L"", 1, 1)},
                        {30, StatusValues(L"Hvězda", L"ikonka 30", 2, 0)}});
    WritePrivateProfileStringW(L"ICQ", L"UIN", L"555555", Ini().c_str());
    ASSERT_NO_FATAL_FAILURE(Start(programFolder.Path()));

    HWND main = MainWindow();
    ASSERT_TRUE(main != NULL) << "no main window";
    Shown shown = Describe(main);
    EXPECT_EQ(shown.ControlText(IDC_ICQ_NUMBER), L"555555");
    EXPECT_EQ(shown.ControlText(IDC_VERSION_LABEL), L"Verze 1.06a");
    std::vector<ListRow> rows = ReadListView(GetDlgItem(main, IDC_STATUS_LIST));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].name, L"V práci");
    EXPECT_EQ(rows[0].image, 16);
    EXPECT_EQ(rows[1].name, L"Hvězda");
    EXPECT_EQ(rows[1].description, L"ikonka 30");
    EXPECT_EQ(rows[1].image, 29);
    EXPECT_EQ(rows[2].name, L"Na kafi");
    EXPECT_EQ(rows[2].description, L"Jsem na kávě.");

    // A status added behind the program's back: "Použít" writes the list
    // as the program holds it, without it.
    PutKey(HKEY_CURRENT_USER, ListKeyPath(L"555555") + L"\\4", StatusValues(L"cizí", L"", 1, 1));
    PostClick(main, IDC_APPLY);
    PostClick(main, IDOK);
    EXPECT_EQ(program.Wait(10000), 0u);

    RegTree tree = ReadTree(HKEY_CURRENT_USER, ListKeyPath(L"555555"));
    ASSERT_EQ(tree.size(), 3u);
    EXPECT_EQ(tree[L"17"], StatusValues(L"V práci", L"", 1, 1));
    EXPECT_EQ(tree[L"30"], StatusValues(L"Hvězda", L"ikonka 30", 2, 0));
    EXPECT_EQ(tree[L"2"], StatusValues(L"Na kafi", L"Jsem na kávě.", 3, 1));
    EXPECT_EQ(GetPrivateProfileIntW(L"List", L"cx0", -1, Ini().c_str()), 200u);
    EXPECT_EQ(GetPrivateProfileIntW(L"List", L"cx1", -1, Ini().c_str()), 230u);
}

TEST_F(EndToEnd, CancelInAnErrorReportEndsTheProgram)
{
    Account(L"555555", {{2, StatusValues(L"a", L"", 1, 1)}});
    WritePrivateProfileStringW(L"ICQ", L"UIN", L"555555", Ini().c_str());
    TempFolder workFolder; // started from elsewhere, as from a shortcut
    ASSERT_NO_FATAL_FAILURE(Start(workFolder.Path()));
    HWND main = MainWindow();
    ASSERT_TRUE(main != NULL);

    RegDeleteTreeW(HKEY_CURRENT_USER, ListKeyPath(L"555555").c_str());
    PostClick(main, IDC_APPLY);
    HWND report = ErrorReport();
    ASSERT_TRUE(report != NULL) << "no error report";
    Shown shown = Describe(report);
    EXPECT_EQ(shown.caption, L"Orbelan!");
    // The whole text, with the system's description of the error in the
    // language of the Windows the test runs on.
    std::wstring text = std::regex_replace(shown.text, std::wregex(L"\nŘádek: [1-9][0-9]*\n"), L"\nŘádek: #\n");
    EXPECT_EQ(text, ReportText(L"SaveAll", L"RegOpenKeyExW(\"..\\\\ICQ\\\\..\\\\CustomStatusList\")",
                               ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(shown.owner, main);
    if (CzechWindows()) {
        EXPECT_EQ(GetACP(), 1250u) << "not a Czech Windows";
        EXPECT_NE(shown.text.find(L"\nPopis chyby: Soubor nebyl nalezen."), std::wstring::npos);
        EXPECT_EQ(shown.ControlText(IDOK), L"OK");
        EXPECT_EQ(shown.ControlText(IDCANCEL), L"Storno");
    }
    PostClick(report, IDCANCEL);
    EXPECT_EQ(program.Wait(10000), 0xFFFFFFFFu);

    // The log lies in the current directory, the settings beside the program.
    // (The version check may have logged its failure there too.)
    std::vector<std::string> lines;
    for (const std::string &line : ReadLines(workFolder.File(L"EVENTS.Kvt")))
        if (line.find("Connection to server failed") == std::string::npos)
            lines.push_back(line);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("]: Command { RegOpenKeyExW(\"..\\\\ICQ\\\\..\\\\CustomStatusList\") } in proc. "
                            "SaveAll failed on line ("),
              std::string::npos) << lines[0];
    EXPECT_FALSE(FileExists(programFolder.File(L"EVENTS.Kvt")));
    EXPECT_EQ(GetPrivateProfileIntW(L"List", L"cx0", -1, Ini().c_str()), (UINT)-1) << "no clean-up after Cancel";
}

TEST_F(EndToEnd, SaveEndedHalfwayKeepsTheStoredStatuses)
{
    // A volatile list key takes no new lasting subkeys: status 5, removed
    // behind the program's back, cannot be written again.
    Account(L"555555", {{1, StatusValues(L"jedna", L"", 1, 1)}, {5, StatusValues(L"pět", L"", 2, 1)},
                        {9, StatusValues(L"devět", L"", 3, 1)}},
            REG_OPTION_VOLATILE);
    WritePrivateProfileStringW(L"ICQ", L"UIN", L"555555", Ini().c_str());
    ASSERT_NO_FATAL_FAILURE(Start(programFolder.Path()));
    HWND main = MainWindow();
    ASSERT_TRUE(main != NULL);
    PutKey(HKEY_CURRENT_USER, ListKeyPath(L"555555") + L"\\9", {{L"LineNumber", Dword(7)}}, REG_OPTION_VOLATILE);
    RegDeleteKeyW(HKEY_CURRENT_USER, (ListKeyPath(L"555555") + L"\\5").c_str());

    PostClick(main, IDC_APPLY);
    HWND report = ErrorReport();
    ASSERT_TRUE(report != NULL);
    EXPECT_NE(Describe(report).text.find(L"Chybující příkaz: RegCreateKeyEx\n"), std::wstring::npos);
    PostClick(report, IDCANCEL);
    EXPECT_EQ(program.Wait(10000), 0xFFFFFFFFu);

    RegTree tree = ReadTree(HKEY_CURRENT_USER, ListKeyPath(L"555555"));
    ASSERT_EQ(tree.size(), 2u);
    EXPECT_EQ(tree[L"1"], StatusValues(L"jedna", L"", 1, 1));
    EXPECT_EQ(tree[L"9"][L"LineNumber"], Dword(7)) << "not reached by the save, left as it was";
}

static bool IsInputBox(const Shown &shown)
{
    return shown.HasControl(IDC_INPUT_TEXT) && shown.HasControl(IDC_INPUT_PROMPT);
}

static bool IsMessage(const Shown &shown, const std::wstring &start)
{
    return shown.text.rfind(start, 0) == 0;
}

TEST_F(EndToEnd, FirstStartAsksForTheAccount)
{
    DeleteFileW(Ini().c_str());
    PutKey(HKEY_CURRENT_USER, ICQ_KEY_PATH);
    ASSERT_NO_FATAL_FAILURE(Start(programFolder.Path()));

    HWND box = WaitFor(IsInputBox);
    ASSERT_TRUE(box != NULL) << "no input box";
    EXPECT_EQ(Describe(box).ControlText(IDC_INPUT_TEXT), L"");
    EXPECT_TRUE(Describe(box).owner != NULL && !IsWindowVisible(Describe(box).owner));
    SendMessageW(GetDlgItem(box, IDC_INPUT_TEXT), WM_SETTEXT, 0, (LPARAM)L"abc");
    PostClick(box, IDOK);

    HWND warning = WaitFor([](const Shown &shown) { return IsMessage(shown, L"ICQ# musí být"); });
    ASSERT_TRUE(warning != NULL) << "no warning";
    PostClick(warning, IDOK);

    box = WaitFor(IsInputBox);
    ASSERT_TRUE(box != NULL) << "no second input box";
    EXPECT_EQ(Describe(box).ControlText(IDC_INPUT_TEXT), L"abc");
    SendMessageW(GetDlgItem(box, IDC_INPUT_TEXT), WM_SETTEXT, 0, (LPARAM)L"123456");
    PostClick(box, IDOK);

    HWND question = WaitFor([](const Shown &shown) { return IsMessage(shown, L"Toto ICQ# nemá"); });
    ASSERT_TRUE(question != NULL) << "no question about the missing record";
    PostClick(question, IDYES);

    // Notice 107 ends the start-up, while the main window is still hidden;
    // the version check's notice 109 waits for the main window and comes
    // in front of it.
    auto titled = [](const wchar_t *start) {
        return [start](const Shown &shown) { return shown.ControlText(IDC_NOTICE_TITLE).rfind(start, 0) == 0; };
    };
    HWND notice = WaitFor(titled(L"Program Orbelan! NENÍ"));
    ASSERT_TRUE(notice != NULL) << "no notice 107";
    EXPECT_EQ(Describe(notice).ControlText(IDC_DONT_SHOW_AGAIN), L"Příště nezobrazovat");
    EXPECT_EQ(program.Windows(), std::vector<HWND>{notice}) << "notice 109 came before the main window";
    SendDlgItemMessageW(notice, IDC_DONT_SHOW_AGAIN, BM_SETCHECK, BST_CHECKED, 0);
    PostClick(notice, IDOK);
    HWND noServer = WaitFor(titled(L"Nepodařilo se připojit"));
    ASSERT_TRUE(noServer != NULL) << "no notice 109";
    HWND main = Describe(noServer).owner;
    ASSERT_TRUE(main != NULL && IsWindowVisible(main) && Describe(main).HasControl(IDC_STATUS_LIST));
    PostClick(noServer, IDOK);

    ASSERT_TRUE(MainWindow() == main);
    EXPECT_EQ(Describe(main).ControlText(IDC_ICQ_NUMBER), L"123456");
    EXPECT_TRUE(ReadListView(GetDlgItem(main, IDC_STATUS_LIST)).empty());
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, ListKeyPath(L"123456")));
    EXPECT_TRUE(ReadTree(HKEY_CURRENT_USER, ListKeyPath(L"123456")).empty());
    wchar_t uin[32];
    GetPrivateProfileStringW(L"ICQ", L"UIN", L"", uin, 32, Ini().c_str());
    EXPECT_STREQ(uin, L"123456");
    EXPECT_EQ(GetPrivateProfileIntW(L"Infos", L"1", -1, Ini().c_str()), 1u);
    PostClick(main, IDCANCEL);
    EXPECT_EQ(program.Wait(10000), 0u);
    EXPECT_EQ(GetPrivateProfileIntW(L"Infos", L"3", -1, Ini().c_str()), 0u);
    std::vector<std::string> lines = ReadLines(programFolder.File(L"EVENTS.Kvt"));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("]: Connection to server failed"), std::string::npos);
}

// Runs in a prefix of its own: the end of the session ends every program
// with a window there.
TEST_F(EndToEnd, UnsavedChangesOutliveTheEndOfTheSession)
{
    Account(L"555555", {{2, StatusValues(L"Na kafi", L"", 1, 1)}, {17, StatusValues(L"V práci", L"", 2, 1)}});
    WritePrivateProfileStringW(L"ICQ", L"UIN", L"555555", Ini().c_str());
    const RegTree stored = ReadTree(HKEY_CURRENT_USER, ListKeyPath(L"555555"));
    const std::wstring backups = programFolder.File(L"Zálohy");
    auto names = [&backups] { return FileNames(backups); };
    auto question = [this](const wchar_t *start) {
        return WaitFor([start](const Shown &shown) { return shown.text.rfind(start, 0) == 0; });
    };

    // "Vymazat vše" leaves the dirty flag as it was: the list differs all the same.
    ASSERT_NO_FATAL_FAILURE(Start(programFolder.Path()));
    HWND main = MainWindow();
    ASSERT_TRUE(main != NULL);
    PostMessageW(main, WM_COMMAND, IDM_CLEAR_ALL, 0);
    HWND clear = question(L"Opravdu chcete vymazat všechny statusy?");
    ASSERT_TRUE(clear != NULL);
    PostClick(clear, IDYES);
    ASSERT_TRUE(WaitUntil([main] { return ReadListView(GetDlgItem(main, IDC_STATUS_LIST)).empty(); }, 5000));
    EXPECT_EQ(RunSystemProgram(L"wineboot.exe", L"--end-session"), 0u);
    EXPECT_NE(program.Wait(10000), STILL_ACTIVE);
    EXPECT_EQ(ReadTree(HKEY_CURRENT_USER, ListKeyPath(L"555555")), stored);
    std::vector<std::wstring> kept = names();
    ASSERT_EQ(kept.size(), 1u);
    std::wsmatch time;
    ASSERT_TRUE(std::regex_match(kept[0], time, std::wregex(L"555555 (\\d{4}-\\d\\d-\\d\\d \\d\\d)-(\\d\\d)-(\\d\\d) "
                                                            L"neuloženo\\.reg")));

    // The next start offers it: Yes puts it in place, unsaved, and renames
    // it.
    ASSERT_NO_FATAL_FAILURE(Start(programFolder.Path()));
    HWND offer = question(L"Při posledním ukončení Windows");
    ASSERT_TRUE(offer != NULL);
    EXPECT_NE(Describe(offer).text.find(L" ICQ# (" + time[1].str() + L":" + time[2].str() + L":" + time[3].str() + L")."),
              std::wstring::npos);
    main = Describe(offer).owner;
    ASSERT_TRUE(main != NULL && IsWindowVisible(main));
    PostClick(offer, IDYES);
    ASSERT_TRUE(WaitUntil([main] { return ReadListView(GetDlgItem(main, IDC_STATUS_LIST)).empty(); }, 5000));
    EXPECT_EQ(names(), std::vector<std::wstring>{kept[0].substr(0, kept[0].size() - 4) + L" obnoveno.reg"});
    PostClick(main, IDCANCEL);
    EXPECT_EQ(program.Wait(10000), 0u);
}

TEST_F(EndToEnd, CancelInTheFirstBoxEndsTheProgram)
{
    for (const wchar_t *uin : {(const wchar_t *)nullptr, L"12345"}) {
        SCOPED_TRACE(uin ? "UIN without a status list" : "no Data.ini");
        DeleteFileW(Ini().c_str());
        if (uin)
            WritePrivateProfileStringW(L"ICQ", L"UIN", uin, Ini().c_str());
        ASSERT_NO_FATAL_FAILURE(Start(programFolder.Path()));
        HWND box = WaitFor(IsInputBox);
        ASSERT_TRUE(box != NULL);
        EXPECT_EQ(Describe(box).ControlText(IDC_INPUT_TEXT), uin ? uin : L"");
        PostClick(box, IDCANCEL);
        // Watch until the program ends: the main window must never show.
        bool mainShown = false;
        DWORD code = STILL_ACTIVE;
        for (int i = 0; i < 500 && code == STILL_ACTIVE; i++) {
            for (HWND window : program.Windows())
                mainShown |= Describe(window).HasControl(IDC_STATUS_LIST);
            code = program.Wait(20);
        }
        EXPECT_EQ(code, 0u);
        EXPECT_FALSE(mainShown);
    }
}

TEST_F(EndToEnd, AddAStatusWithIcon30)
{
    Account(L"555555", {{2, StatusValues(L"Na kafi", L"", 1, 1)}});
    WritePrivateProfileStringW(L"ICQ", L"UIN", L"555555", Ini().c_str());
    ASSERT_NO_FATAL_FAILURE(Start(programFolder.Path()));
    HWND main = MainWindow();
    ASSERT_TRUE(main != NULL);

    PostClick(main, IDC_ADD);
    HWND editor = WaitFor([](const Shown &shown) { return shown.HasControl(IDC_ICON_PICKER); });
    ASSERT_TRUE(editor != NULL) << "no status editor";
    EXPECT_EQ(Describe(editor).caption, L"Upravit status...");
    HWND picker = (HWND)SendDlgItemMessageW(editor, IDC_ICON_PICKER, CBEM_GETCOMBOCONTROL, 0, 0);
    EXPECT_EQ(SendMessageW(picker, CB_GETCOUNT, 0, 0), 32);
    SendMessageW(picker, CB_SETCURSEL, 29, 0);
    SendDlgItemMessageW(editor, IDC_STATUS_TITLE, WM_SETTEXT, 0, (LPARAM)L"Hvězdička");
    SendDlgItemMessageW(editor, IDC_STATUS_TEXT, WM_SETTEXT, 0, (LPARAM)L"Vidí mě jen ICQ 5.1");
    PostClick(editor, IDOK);

    HWND notice = WaitFor([](const Shown &shown) {
        return shown.ControlText(IDC_NOTICE_TITLE).rfind(L"Ikonky s číslem větším než 29", 0) == 0;
    });
    ASSERT_TRUE(notice != NULL) << "no notice 108";
    EXPECT_EQ(Describe(notice).owner, editor);
    SendDlgItemMessageW(notice, IDC_DONT_SHOW_AGAIN, BM_SETCHECK, BST_CHECKED, 0);
    PostClick(notice, IDOK);

    // The editor closes, the list shows the new status last; OK saves.
    HWND list = GetDlgItem(main, IDC_STATUS_LIST);
    for (int i = 0; i < 200 && SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) != 2; i++)
        Sleep(20);
    std::vector<ListRow> rows = ReadListView(list);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].name, L"Hvězdička");
    EXPECT_EQ(rows[1].image, 29);
    PostClick(main, IDOK);
    EXPECT_EQ(program.Wait(10000), 0u);

    RegTree tree = ReadTree(HKEY_CURRENT_USER, ListKeyPath(L"555555"));
    ASSERT_EQ(tree.size(), 2u);
    EXPECT_EQ(tree[L"30"], StatusValues(L"Hvězdička", L"Vidí mě jen ICQ 5.1", 2, 1));
    EXPECT_EQ(GetPrivateProfileIntW(L"Infos", L"2", -1, Ini().c_str()), 1u);
}

TEST_F(EndToEnd, GoOpensTheHomePageInTheRegisteredBrowser)
{
    Account(L"555555", {});
    WritePrivateProfileStringW(L"ICQ", L"UIN", L"555555", Ini().c_str());
    // The prefix's own HTTP command is the browser stand-in for this test.
    std::wstring stub = WinePath(BROWSER_STUB);
    PutKey(HKEY_LOCAL_MACHINE, L"Software\\Classes\\HTTP\\shell\\open\\command",
           {{L"", Sz(L"\"" + stub + L"\" \"%1\"")}});
    std::wstring log = programFolder.File(L"browser.log");
    SetEnvironmentVariableW(L"ORBELAN_BROWSER_LOG", log.c_str()); // the program passes its environment on

    ASSERT_NO_FATAL_FAILURE(Start(programFolder.Path()));
    HWND main = MainWindow();
    ASSERT_TRUE(main != NULL);
    PostClick(main, IDC_HOME_PAGE);
    WaitUntil([&] { return !ReadLines(log).empty(); }, 30000);
    PostClick(main, IDCANCEL);
    EXPECT_EQ(program.Wait(10000), 0u);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\HTTP\\shell\\open\\command");
    std::vector<std::string> starts = ReadLines(log);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0], "\"" + Narrow(stub) + "\" \"" ORBELAN_HOME_URL_A "\"");
}

// A program that leaves the search for DLLs as the system has it: this
// test program, loading the download machinery as the version check does.
static int FetchVersion()
{
    FetchLatestVersionFrom(L"http://127.0.0.1:9/version.txt");
    return 0;
}
static ChildProcedure fetchVersion(L"fetch-version", FetchVersion);

// A DLL put beside the program under the name of one that the download
// machinery loads by name (urlmon imports wininet) is never loaded: the
// program looks for such DLLs in the system folder only. Wine would load
// its own wininet in place of any file of that name; a native-first load
// order for wininet, for the programs of the test, makes it load the file
// it finds, as Windows does. The control, this test program calling the
// same download under either name, shows that the planted file is loaded
// where the search is not limited; the program's own check is seen to
// download (the server answers it), so its download machinery did load.
TEST_F(EndToEnd, DllBesideTheProgramIsNotLoaded)
{
    const wchar_t *const names[] = {L"unlimited.exe", L"Orbelan.exe"};
    for (const wchar_t *program : names)
        PutKey(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\" + std::wstring(program) + L"\\DllOverrides",
               {{L"wininet", Sz(L"native,builtin")}});

    for (const wchar_t *name : names) {
        SCOPED_TRACE(Narrow(name));
        TempFolder controlFolder;
        std::wstring control = controlFolder.File(name), loaded = controlFolder.File(L"wininet.dll.loaded");
        ASSERT_TRUE(CopyFileW(WinePath(PLANTED_LIBRARY).c_str(), controlFolder.File(L"wininet.dll").c_str(), FALSE));
        ASSERT_TRUE(CopyFileW(TestProgram().c_str(), control.c_str(), FALSE));
        Process other;
        ASSERT_TRUE(other.Start(control, controlFolder.Path(), ChildArgument(L"fetch-version")));
        EXPECT_EQ(other.Wait(20000), 0u);
        EXPECT_TRUE(FileExists(loaded)) << "not loaded even where the search is not limited";
    }

    std::wstring planted = programFolder.File(L"wininet.dll"), loaded = planted + L".loaded";
    ASSERT_TRUE(CopyFileW(WinePath(PLANTED_LIBRARY).c_str(), planted.c_str(), FALSE));
    ASSERT_NO_FATAL_FAILURE(UseLocalSiteBuild());
    WritePrivateProfileStringW(L"Infos", L"3", L"1", Ini().c_str());
    WebServer site(ORBELAN_LOCAL_SITE_PORT);
    site.Serve(L"version.txt", std::to_string(ORBELAN_PROGRAM_VERSION) + "\r\n");
    ASSERT_NO_FATAL_FAILURE(Start(programFolder.Path()));
    HWND main = MainWindow();
    ASSERT_TRUE(main != NULL);
    auto asked = [&site] {
        std::vector<std::string> requests = site.Requests();
        return std::find(requests.begin(), requests.end(), "200 /version.txt") != requests.end();
    };
    EXPECT_TRUE(WaitUntil(asked, 30000)) << "the version check did not download";
    Sleep(500); // the check reads and deletes its copy, then ends
    PostClick(main, IDCANCEL);
    EXPECT_EQ(program.Wait(10000), 0u);
    EXPECT_FALSE(FileExists(loaded)) << "the planted DLL was loaded";
    for (const wchar_t *program : names)
        RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\Wine\\AppDefaults\\" + std::wstring(program)).c_str());
}

// The local-site build served the web site as the site target builds it:
// its version file names this version, so the check shows and logs nothing.
TEST_F(EndToEnd, TheBuiltSiteAnswersTheVersionCheck)
{
    ASSERT_NO_FATAL_FAILURE(UseLocalSiteBuild());
    WebServer site(ORBELAN_LOCAL_SITE_PORT, ORBELAN_SITE_DIR);
    auto asked = [&site] {
        std::vector<std::string> requests = site.Requests();
        return std::find(requests.begin(), requests.end(), "200 /version.txt") != requests.end();
    };
    ASSERT_NO_FATAL_FAILURE(Start(programFolder.Path()));
    HWND main = MainWindow();
    ASSERT_TRUE(main != NULL);
    ASSERT_TRUE(WaitUntil(asked, 20000)) << "the version file was never fetched";
    Sleep(1000); // time enough for a question or a notice to come
    EXPECT_EQ(program.Windows(), std::vector<HWND>{main});
    PostClick(main, IDCANCEL);
    EXPECT_EQ(program.Wait(10000), 0u);
    EXPECT_FALSE(FileExists(programFolder.File(L"EVENTS.Kvt"))) << "a line was logged";
    EXPECT_EQ(GetPrivateProfileIntW(L"Infos", L"3", -1, Ini().c_str()), (UINT)-1);
}

// Whether window is in front of other: above it in the z-order.
static bool InFront(HWND window, HWND other)
{
    for (HWND below = GetWindow(window, GW_HWNDNEXT); below; below = GetWindow(below, GW_HWNDNEXT))
        if (below == other)
            return true;
    return false;
}

// The local-site build asks a server of the test for the version file. The
// question about a newer version comes in front of the main window, owned
// by it, start after start: ten with the account stored, ten first starts
// where the server has answered while the account's input box is up.
TEST_F(EndToEnd, NewVersionQuestionShowsInFrontOfTheMainWindow)
{
    ASSERT_NO_FATAL_FAILURE(UseLocalSiteBuild());
    WebServer site(ORBELAN_LOCAL_SITE_PORT);
    const int next = ORBELAN_PROGRAM_VERSION + 1;
    site.Serve(L"version.txt", std::to_string(next) + "\r\n");
    wchar_t nextText[VersionTextSize];
    FormatVersion(next, nextText, ARRAYSIZE(nextText));
    const std::wstring asked =
        L"K dispozici je nová verze programu (" + std::wstring(nextText) + L"). Chcete ji stáhnout nyní?";

    for (int start = 1; start <= 20; start++) {
        const bool first = start > 10;
        SCOPED_TRACE((first ? "first start " : "start ") + std::to_string(start));
        if (first) {
            WritePrivateProfileStringW(L"ICQ", L"UIN", NULL, Ini().c_str());
            WritePrivateProfileStringW(L"Infos", L"1", L"0", Ini().c_str());
        }
        ASSERT_NO_FATAL_FAILURE(Start(programFolder.Path()));
        if (first) {
            HWND box = WaitFor(IsInputBox);
            ASSERT_TRUE(box != NULL) << "no input box";
            ASSERT_TRUE(WaitUntil([&] { return site.Requests().size() >= (size_t)start; }, 20000))
                << "the version file was not fetched";
            Sleep(300); // time for the check to hand its outcome over
            SendMessageW(GetDlgItem(box, IDC_INPUT_TEXT), WM_SETTEXT, 0, (LPARAM)L"555555");
            PostClick(box, IDOK);
            HWND notice = WaitFor([](const Shown &shown) { return shown.HasControl(IDC_NOTICE_TITLE); });
            ASSERT_TRUE(notice != NULL) << "no notice 107";
            EXPECT_EQ(program.Windows(), std::vector<HWND>{notice}) << "the question came before the main window";
            PostClick(notice, IDOK);
            ASSERT_TRUE(WaitUntil([notice] { return !IsWindow(notice); }, 10000)) << "notice 107 stayed";
        }
        HWND question = WaitFor([](const Shown &shown) {
            return IsMessage(shown, L"K dispozici") || shown.HasControl(IDC_NOTICE_TITLE);
        });
        ASSERT_TRUE(question != NULL) << "no question";
        Shown shown = Describe(question);
        ASSERT_EQ(shown.text, asked) << Narrow(shown.ControlText(IDC_NOTICE_TITLE));
        EXPECT_EQ(shown.caption, L"Orbelan!");
        EXPECT_EQ(shown.buttons, std::vector<int>({IDYES, IDNO}));
        HWND main = shown.owner;
        ASSERT_TRUE(main && Describe(main).HasControl(IDC_STATUS_LIST)) << "not owned by the main window";
        EXPECT_TRUE(IsWindowVisible(main)) << "the question came before the main window";
        // Wine may still reorder the two as the X server draws them.
        Sleep(200);
        EXPECT_TRUE(InFront(question, main)) << "the question is behind the main window";

        PostClick(question, IDNO);
        ASSERT_TRUE(MainWindow() != NULL);
        PostClick(MainWindow(), IDCANCEL);
        ASSERT_EQ(program.Wait(10000), 0u);
    }
    EXPECT_EQ(ReadLines(programFolder.File(L"EVENTS.Kvt")), std::vector<std::string>()) << "a check failed";
    EXPECT_EQ(GetPrivateProfileIntW(L"Infos", L"3", -1, Ini().c_str()), (UINT)-1);
    wchar_t uin[IcqSize] = L"";
    GetPrivateProfileStringW(L"ICQ", L"UIN", L"", uin, IcqSize, Ini().c_str());
    EXPECT_STREQ(uin, L"555555") << "the first start stored the account";
}

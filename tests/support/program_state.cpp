// Putting the program's process-wide state back between tests, a main
// window for calling the store directly, and error report checks.
#include "test_support.h"

#include "app/main_dialog.h"
#include "base/base.h"
#include "resource.h"
#include "home_url.h"
#include "web/web.h"

#include <tlhelp32.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <sstream>

void ResetProgramState()
{
    // What WinMain does before anything else.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_USEREX_CLASSES};
    InitCommonControlsEx(&controls);
    MainWindowHandle = NULL;
    SettingsPath[0] = 0;
    StatusList.Count = 0;
    StatusListDirty = 0;
    ForgetListChanges();
    // The main window's list view destroys the image list with itself.
    if (!StatusImageList || ImageList_GetImageCount(StatusImageList) != 32)
        StatusImageList = LoadStatusImages();
}

ScreenScale TestScreenScale(Caller caller)
{
    static const ScreenScale scales[] = {
        {96, 16, 200, 230, 172, 61},
        {120, 20, 250, 288, 215, 76},
        {144, 24, 300, 345, 258, 92},
        {192, 32, 400, 460, 344, 122},
    };
    HDC screen = GetDC(NULL);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(NULL, screen);
    const char *wanted = getenv("ORBELAN_DPI");
    if (wanted && atoi(wanted) != dpi)
        ADD_FAILURE_AT(caller.file, caller.line) << "the screen is at " << dpi << " DPI, not the " << wanted
                                                  << " that the prefix's LogPixels should give";
    for (const ScreenScale &scale : scales)
        if (scale.dpi == dpi)
            return scale;
    ADD_FAILURE_AT(caller.file, caller.line) << "no expected sizes for " << dpi << " DPI";
    return scales[0];
}

StatusRecord Record(int icon, const std::wstring &name, const std::wstring &text, DWORD on)
{
    StatusRecord record = {0, icon, {}, {}, on};
    CopyText(record.Name, ARRAYSIZE(record.Name), name.c_str());
    CopyText(record.Description, ARRAYSIZE(record.Description), text.c_str());
    return record;
}

std::vector<StatusRecord> Records(const StatusTable &list, Caller caller)
{
    if (list.Count < 0 || list.Count > MaxStatuses)
        ADD_FAILURE_AT(caller.file, caller.line) << "a list of " << list.Count;
    return std::vector<StatusRecord>(list.Records, list.Records + std::clamp(list.Count, 0, MaxStatuses));
}

void SetRecords(StatusTable &list, const std::vector<StatusRecord> &records, Caller caller)
{
    if (records.size() > (size_t)MaxStatuses)
        ADD_FAILURE_AT(caller.file, caller.line) << "more records than a list holds";
    list.Count = (int)std::min(records.size(), (size_t)MaxStatuses);
    std::copy_n(records.begin(), list.Count, list.Records);
}

INT_PTR RunMainWindow()
{
    INT_PTR result = RunMainDialog(GetModuleHandleW(NULL));
    // A version check still reading the settings as a test changes them
    // finds no "3=1" and shows notice 109 on its own thread: no test answers.
    WaitForVersionChecks();
    return result;
}

static INT_PTR CALLBACK PassiveProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

TestMainWindow::TestMainWindow(const std::wstring &icq)
{
    window_ = CreateDialogParamW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDD_MAIN), NULL, PassiveProc, 0);
    EXPECT_TRUE(window_ != NULL) << "main window template";
    Unwatch(window_);
    MainWindowHandle = window_;
    for (int i = 0; i < 2; i++) {
        LVCOLUMNW column = {};
        column.mask = LVCF_WIDTH | LVCF_TEXT;
        column.cx = i == 0 ? 200 : 230;
        column.pszText = (wchar_t *)(i == 0 ? L"Status" : L"Popis");
        SendMessageW(List(), LVM_INSERTCOLUMNW, i, (LPARAM)&column);
    }
    SendMessageW(List(), LVM_SETIMAGELIST, LVSIL_SMALL, (LPARAM)StatusImageList);
    SetDlgItemTextW(window_, IDC_ICQ_NUMBER, icq.c_str());
}

TestMainWindow::~TestMainWindow()
{
    // Keep the shared image list alive for the next window of the test.
    SendMessageW(List(), LVM_SETIMAGELIST, LVSIL_SMALL, 0);
    DestroyWindow(window_);
    MainWindowHandle = NULL;
}

// The paths a test bed gives a death test's process (TestBed).
static const wchar_t RegistryVariable[] = L"ORBELAN_TEST_REGISTRY";
static const wchar_t FolderVariable[] = L"ORBELAN_TEST_FOLDER";

static std::wstring Variable(const wchar_t *name)
{
    wchar_t value[MAX_PATH] = L"";
    GetEnvironmentVariableW(name, value, MAX_PATH);
    return value;
}

TestBed::TestBed(const wchar_t *icq)
    : registry(Variable(RegistryVariable)), folder(Variable(FolderVariable)), ini(folder.File(L"Data.ini"))
{
    SetEnvironmentVariableW(RegistryVariable, registry.Path().c_str());
    SetEnvironmentVariableW(FolderVariable, folder.Path().c_str());
    ResetProgramState();
    CopyText(SettingsPath, MAX_PATH, ini.c_str());
    if (icq)
        main = std::make_unique<TestMainWindow>(icq);
}

TestBed::~TestBed()
{
    SetEnvironmentVariableW(RegistryVariable, NULL);
    SetEnvironmentVariableW(FolderVariable, NULL);
    DeleteFileW(ExeSettingsPath().c_str());
    // and the backups that saves made beside it
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(ExeFolder()) / L"Z\u00E1lohy", ignored);
}

void TestBed::UseExeSettings(const wchar_t *uin)
{
    ini = ExeSettingsPath();
    DeleteFileW(ini.c_str());
    if (uin)
        SetIni(L"ICQ", L"UIN", uin);
    SetIni(L"Infos", L"1", L"1");
    SetIni(L"Infos", L"3", L"1");
}

std::wstring ErrorDescription(DWORD code)
{
    wchar_t description[1024] = L"";
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, code, 0, description,
                   ARRAYSIZE(description), NULL);
    std::wstring text = description;
    text.erase(text.find_last_not_of(L"\r\n ") + 1);
    return text.empty() ? std::to_wstring(code) : text;
}

std::wstring ReportText(const std::wstring &procedure, const std::wstring &command, int code, const wchar_t *homePage)
{
    wchar_t description[1024] = L"";
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, (DWORD)code, 0, description,
                   ARRAYSIZE(description), NULL);
    std::wstring home = homePage ? homePage : ORBELAN_HOME_URL;
    return L"Chyba aplikace!\n\n"
           L"V programu došlo k chybě, která dost pravděpodobně negativně ovlivní jeho běh. Omlouvám se za "
           L"způsobené potíže a prosím o nahlášení chyby. (kontakt: " + home + L")\n"
           L"Kliknutím na tlačítko storno můžete aplikaci ukončit.\n\n"
           L"Chybující Funkce: " + procedure + L"()\n"
           L"Řádek: #\n"
           L"Chybující příkaz: " + command + L"\n"
           L"Číslo chyby: " + std::to_wstring(code) + L"\n"
           L"Popis chyby: " + description;
}

// Line number of a file of the program's sources, counted from 1; empty
// past its end.
static std::string SourceLine(const char *file, size_t number)
{
    // Wine shows the Linux file system as drive Z:.
    std::istringstream source(ReadFileBytes(L"Z:" + Widen(ORBELAN_SOURCE_DIR) + L"/" + Widen(file)));
    std::string text;
    for (size_t n = 0; n < number && std::getline(source, text); n++)
        ;
    return source ? text : std::string();
}

// The source line an error report names; 0 when it names none.
static size_t ReportedLine(const Shown &shown)
{
    std::wsmatch found;
    if (!std::regex_search(shown.text, found, std::wregex(L"\nŘádek: ([0-9]+)\n")))
        return 0;
    return std::stoul(found[1].str());
}

// The name under which the program's texts define procedure
// ("TXT_PROC_LOAD" for L"LoadAll"), or empty.
static std::string ProcedureConstant(const std::wstring &procedure)
{
    std::string texts = ReadFileBytes(L"Z:" + Widen(ORBELAN_SOURCE_DIR) + L"/res/texts.h");
    std::smatch found;
    std::regex definition("#define (TXT_PROC_[A-Z_]+) L\"" + Narrow(procedure) + "\"");
    return std::regex_search(texts, found, definition) ? found[1].str() : std::string();
}

// The coverage check asks which of the program's report calls a test has
// asserted: where ORBELAN_REPORT_TALLY names a folder, each one checked
// here leaves an empty file named by its source file and line there. Test
// programs running side by side each make their own files (one that is
// there already is made again, unchanged): none waits for another.
static void TallyReport(const char *file, size_t line)
{
    wchar_t folder[MAX_PATH];
    DWORD length = GetEnvironmentVariableW(L"ORBELAN_REPORT_TALLY", folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    std::wstring name = Widen(file);
    std::replace(name.begin(), name.end(), L'/', L'~');
    std::wstring path = std::wstring(folder) + L"\\" + name + L"~" + std::to_wstring(line);
    HANDLE entry = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, NULL);
    EXPECT_TRUE(entry != INVALID_HANDLE_VALUE) << "the report tally cannot be written: " << Narrow(path);
    if (entry != INVALID_HANDLE_VALUE)
        CloseHandle(entry);
}

::testing::AssertionResult IsReportText(const Shown &shown, const std::wstring &procedure,
                                        const std::wstring &command, int code)
{
    // The line number depends on the source's layout: any positive number.
    std::wstring text = std::regex_replace(shown.text, std::wregex(L"\nŘádek: [1-9][0-9]*\n"), L"\nŘádek: #\n");
    std::wstring expected = ReportText(procedure, command, code);
    std::vector<int> buttons = shown.buttons;
    std::sort(buttons.begin(), buttons.end());
    if (text != expected || shown.caption != L"Orbelan!" || shown.icon != L"error" ||
        buttons != std::vector<int>{IDOK, IDCANCEL})
        return ::testing::AssertionFailure() << "not a report with OK and Cancel: \"" << Narrow(shown.caption)
                                             << "\", " << Narrow(shown.icon) << ", " << buttons.size()
                                             << " buttons, the text\n" << Narrow(shown.text) << "\nexpected:\n"
                                             << Narrow(expected);
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult IsReport(const Shown &shown, const char *file, const std::wstring &procedure,
                                    const std::wstring &command, int code)
{
    ::testing::AssertionResult shownRight = IsReportText(shown, procedure, command, code);
    if (!shownRight)
        return shownRight;
    // The line it names is a report call of this procedure in file.
    size_t line = ReportedLine(shown);
    std::string call = SourceLine(file, line), constant = ProcedureConstant(procedure);
    if (constant.empty() || call.find("REPORT_IF_") == std::string::npos ||
        call.find("(" + constant + ",") == std::string::npos)
        return ::testing::AssertionFailure() << file << ":" << line << " is no report call of " << Narrow(procedure)
                                             << ": " << call;
    TallyReport(file, line);
    return ::testing::AssertionSuccess();
}

// The start address of a thread, as NtQueryInformationThread reports it.
typedef LONG(WINAPI *QueryThread)(HANDLE, int, void *, ULONG, ULONG *);

int WaitForVersionChecks(DWORD milliseconds)
{
    static QueryThread query =
        (QueryThread)(void *)GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationThread");
    const int ThreadQuerySetWin32StartAddress = 9;
    int found = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    EXPECT_TRUE(snapshot != INVALID_HANDLE_VALUE && query) << "the version checks cannot be told apart";
    if (snapshot == INVALID_HANDLE_VALUE || !query)
        return -1;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != GetCurrentProcessId() || entry.th32ThreadID == GetCurrentThreadId())
            continue;
        HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION | SYNCHRONIZE, FALSE, entry.th32ThreadID);
        if (!thread)
            continue;
        void *start = nullptr;
        if (query(thread, ThreadQuerySetWin32StartAddress, &start, sizeof start, NULL) == 0 &&
            start == (void *)UpdateCheckThread) {
            found++;
            EXPECT_EQ(WaitForSingleObject(thread, milliseconds), WAIT_OBJECT_0) << "the version check did not end";
        }
        CloseHandle(thread);
    }
    CloseHandle(snapshot);
    return found;
}

::testing::AssertionResult ReportsLineOf(const Shown &shown, const char *file, const char *call)
{
    size_t line = ReportedLine(shown);
    if (line == 0)
        return ::testing::AssertionFailure() << "no line number in " << Narrow(shown.text);
    std::string text = SourceLine(file, line);
    if (text.find(call) == std::string::npos)
        return ::testing::AssertionFailure() << file << ":" << line << " is not the call of " << call << ": " << text;
    return ::testing::AssertionSuccess();
}

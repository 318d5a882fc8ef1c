// The event log and the error report.
#include "test_support.h"

#include "diag/diag.h"

#include <regex>
#include <set>
#include <thread>

class Diagnostics : public TestBed {
protected:
    std::wstring Log() const { return folder.File(L"EVENTS.Kvt"); }
};

static SYSTEMTIME Time(int year, int month, int day, int hour, int minute, int second, int ms)
{
    SYSTEMTIME time = {};
    time.wYear = (WORD)year;
    time.wMonth = (WORD)month;
    time.wDay = (WORD)day;
    time.wHour = (WORD)hour;
    time.wMinute = (WORD)minute;
    time.wSecond = (WORD)second;
    time.wMilliseconds = (WORD)ms;
    return time;
}

// The log line written into a buffer of cap bytes.
static std::string LogLine(const SYSTEMTIME &time, const char *message, size_t cap = 1024)
{
    std::vector<char> line(cap, '#');
    size_t length = FormatLogLine(time, message, line.data(), cap);
    return std::string(line.data(), length) + (line[length] == 0 ? "" : "<not terminated>");
}

TEST_F(Diagnostics, TimeStampFormat)
{
    EXPECT_EQ(LogLine(Time(2026, 12, 7, 6, 39, 24, 5), "x"), "[7.12.26 6:39:24.005]: x");
    EXPECT_EQ(LogLine(Time(2007, 2, 1, 0, 0, 0, 0), "m"), "[1.2.07 0:00:00.000]: m");
    EXPECT_EQ(LogLine(Time(2009, 10, 31, 23, 5, 9, 999), ""), "[31.10.09 23:05:09.999]: ");
    EXPECT_EQ(LogLine(Time(2100, 1, 1, 7, 0, 0, 0), "y"), "[1.1.00 7:00:00.000]: y");
}

TEST_F(Diagnostics, LongMessageIsCutTo1023Characters)
{
    std::string message(2000, 'a');
    std::string line = LogLine(Time(2026, 12, 7, 6, 39, 24, 5), message.c_str());
    EXPECT_EQ(line.size(), 1023u);
    EXPECT_EQ(line.substr(0, 23), "[7.12.26 6:39:24.005]: ");
    EXPECT_EQ(line.back(), 'a');
    // A smaller buffer holds what fits, the stamp cut too.
    EXPECT_EQ(LogLine(Time(2026, 12, 7, 6, 39, 24, 5), message.c_str(), 30), "[7.12.26 6:39:24.005]: aaaaaa");
    EXPECT_EQ(LogLine(Time(2026, 12, 7, 6, 39, 24, 5), message.c_str(), 10), "[7.12.26 ");
    char none = '#';
    EXPECT_EQ(FormatLogLine(Time(2026, 12, 7, 6, 39, 24, 5), "x", &none, 0), 0u);
    EXPECT_EQ(none, '#');
}

TEST_F(Diagnostics, LogCreatesThenAppendsCrLfLines)
{
    auto today = [] {
        SYSTEMTIME now;
        GetLocalTime(&now);
        char text[32];
        snprintf(text, sizeof text, "[%d.%d.%.2d ", now.wDay, now.wMonth, now.wYear % 100);
        return std::string(text);
    };
    WriteFileBytes(Log(), "earlier line\r\n");
    LogEvent("first");
    std::string dayBefore = today();
    LogEvent("second");
    std::string dayAfter = today();
    std::vector<std::string> lines = ReadLines(Log());
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(ReadFileBytes(Log()), lines[0] + "\r\n" + lines[1] + "\r\n" + lines[2] + "\r\n") << "CR LF line ends";
    EXPECT_EQ(lines[0], "earlier line");
    std::regex stamp(R"(\[[1-9]\d?\.[1-9]\d?\.\d\d (1?\d|2[0-3]):[0-5]\d:[0-5]\d\.\d\d\d\]: )");
    EXPECT_TRUE(std::regex_match(lines[1], std::regex(R"(\[[^\]]*\]: first)")));
    EXPECT_TRUE(std::regex_search(lines[1], stamp)) << lines[1];
    EXPECT_TRUE(std::regex_match(lines[2], std::regex(R"(\[[^\]]*\]: second)")));

    // The stamp is the local time of the call: the day before or after it,
    // should midnight fall in between.
    EXPECT_TRUE(lines[2].rfind(dayBefore, 0) == 0 || lines[2].rfind(dayAfter, 0) == 0) << lines[2];

    DeleteFileW(Log().c_str());
    LogEvent("alone");
    EXPECT_EQ(ReadLines(Log()).size(), 1u);
}

TEST_F(Diagnostics, WideTextIsWrittenInTheAnsiCodePage)
{
    const wchar_t *text = L"Chyba ř a \x4E2D end";
    LogEventW(text);
    std::vector<std::string> lines = ReadLines(Log());
    ASSERT_EQ(lines.size(), 1u);
    char ansi[64];
    WideCharToMultiByte(CP_ACP, 0, text, -1, ansi, sizeof ansi, NULL, NULL);
    EXPECT_EQ(lines[0].substr(lines[0].find("]: ") + 3), ansi);
    EXPECT_EQ(lines[0].find(Narrow(L"\x4E2D")), std::string::npos) << "UTF-8 in an ANSI log";

    // A text far longer than a line: one line of 1023 bytes.
    LogEventW(std::wstring(5000, L'ř').c_str());
    lines = ReadLines(Log());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].size(), 1023u);
}

TEST_F(Diagnostics, TwoThreadsAppendWholeLines)
{
    auto writer = [](char tag) {
        for (int i = 0; i < 300; i++) {
            std::string message(40, tag);
            LogEvent(message.c_str());
        }
    };
    std::thread one(writer, 'A'), two(writer, 'B');
    one.join();
    two.join();
    std::vector<std::string> lines = ReadLines(Log());
    ASSERT_EQ(lines.size(), 600u);
    int a = 0, b = 0;
    for (const std::string &line : lines) {
        std::string tail = line.substr(line.find("]: ") + 3);
        if (tail == std::string(40, 'A'))
            a++;
        else if (tail == std::string(40, 'B'))
            b++;
        else
            ADD_FAILURE() << "torn line: " << line;
    }
    EXPECT_EQ(a, 300);
    EXPECT_EQ(b, 300);
}

// Another copy of the program writing the log in the current directory:
// it takes the writers' turn (the byte that LogEvent locks), says so with
// the file "held", and writes four lines, each in two pieces 25 ms apart,
// before it gives the turn back.
static int WriteLinesInTwoPieces()
{
    HANDLE file = CreateFileW(L"EVENTS.Kvt", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              NULL, OPEN_ALWAYS, 0, NULL);
    OVERLAPPED turn = {};
    turn.OffsetHigh = 0x7FFFFFFF;
    if (file == INVALID_HANDLE_VALUE || !LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &turn))
        return 1;
    CloseHandle(CreateFileW(L"held", GENERIC_WRITE, 0, NULL, CREATE_NEW, 0, NULL));
    for (int i = 0; i < 8; i++) {
        const char *piece = i % 2 ? "in two pieces\r\n" : "other copy's line ";
        LARGE_INTEGER end = {};
        DWORD written;
        SetFilePointerEx(file, end, NULL, FILE_END);
        WriteFile(file, piece, (DWORD)strlen(piece), &written, NULL);
        Sleep(25);
    }
    UnlockFileEx(file, 0, 1, 0, &turn);
    CloseHandle(file);
    return 0;
}
static ChildProcedure writeLinesInTwoPieces(L"write-lines-in-two-pieces", WriteLinesInTwoPieces);

TEST_F(Diagnostics, AnotherProcessWritingHasItsTurnFirst)
{
    Process other;
    ASSERT_TRUE(other.Start(TestProgram(), folder.Path(), ChildArgument(L"write-lines-in-two-pieces")));
    WaitUntil([&] { return FileExists(folder.File(L"held")) || other.Wait(0) != STILL_ACTIVE; }, 10000);
    ASSERT_TRUE(FileExists(folder.File(L"held"))) << "the other process did not take its turn";
    for (const char *message : {"this copy 1", "this copy 2", "this copy 3"})
        LogEvent(message);
    EXPECT_EQ(other.Wait(10000), 0u);

    std::vector<std::string> lines = ReadLines(Log());
    ASSERT_EQ(lines.size(), 7u) << ReadFileBytes(Log());
    std::string whole;
    for (size_t i = 0; i < lines.size(); i++) {
        whole += lines[i] + "\r\n";
        if (i < 4)
            EXPECT_EQ(lines[i], "other copy's line in two pieces");
        else
            EXPECT_TRUE(std::regex_match(lines[i], std::regex(R"(\[[^\]]*\]: this copy )" + std::to_string(i - 3))))
                << lines[i];
    }
    EXPECT_EQ(ReadFileBytes(Log()), whole) << "CR LF line ends";
}

// LockFileEx as a file system might answer it: fails with lockError for
// the first lockFailures calls (every call if negative), then grants the
// lock; and a Sleep that only counts.
static DWORD lockError;
static int lockFailures, lockCalls, sleeps;

static BOOL WINAPI RefusingLockFileEx(HANDLE, DWORD, DWORD, DWORD, DWORD, LPOVERLAPPED)
{
    bool granted = lockFailures >= 0 && lockCalls >= lockFailures;
    lockCalls++;
    if (!granted)
        SetLastError(lockError);
    return granted;
}

static void WINAPI CountingSleep(DWORD)
{
    sleeps++;
}

TEST_F(Diagnostics, LockRefusedOrLongBusy)
{
    struct {
        const char *what;
        DWORD error;
        int failures, calls, sleeps; // calls and sleeps per line
    } const rows[] = {
        {"a file system without locks: written at once", ERROR_NOT_SUPPORTED, -1, 1, 0},
        {"a device without locks: written at once", ERROR_INVALID_FUNCTION, -1, 1, 0},
        {"another writer's turn: tried again until it ends", ERROR_LOCK_VIOLATION, 3, 4, 3},
        {"a turn that never ends: 100 tries, then written all the same", ERROR_LOCK_VIOLATION, -1, 100, 100},
    };
    ImportPatch lock("kernel32.dll", "LockFileEx", &RefusingLockFileEx);
    ImportPatch sleep("kernel32.dll", "Sleep", &CountingSleep);
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        DeleteFileW(Log().c_str());
        lockError = row.error;
        lockFailures = row.failures;
        for (const char *message : {"one", "two"}) {
            lockCalls = sleeps = 0;
            LogEvent(message);
            EXPECT_EQ(lockCalls, row.calls);
            EXPECT_EQ(sleeps, row.sleeps);
        }
        std::vector<std::string> lines = ReadLines(Log());
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_TRUE(std::regex_match(lines[0], std::regex(R"(\[[^\]]*\]: one)"))) << lines[0];
        EXPECT_TRUE(std::regex_match(lines[1], std::regex(R"(\[[^\]]*\]: two)"))) << lines[1];
    }
}

TEST_F(Diagnostics, UnwritableLogLosesTheLineQuietly)
{
    // Held open by another program without sharing.
    WriteFileBytes(Log(), "kept\r\n");
    HANDLE locked = CreateFileW(Log().c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    LogEvent("lost");
    CloseHandle(locked);
    EXPECT_EQ(ReadFileBytes(Log()), "kept\r\n");

    // A folder in the file's place.
    DeleteFileW(Log().c_str());
    CreateDirectoryW(Log().c_str(), NULL);
    LogEvent("no file");
    EXPECT_EQ(GetFileAttributesW(Log().c_str()) & FILE_ATTRIBUTE_DIRECTORY, (DWORD)FILE_ATTRIBUTE_DIRECTORY);
    RemoveDirectoryW(Log().c_str());
}

TEST_F(Diagnostics, ReportLogsThenShowsTheCzechMessage)
{
    UiRobot robot;
    robot.Then(Press(IDOK));
    ReportError(321, L"LoadAll", L"RegQueryValueEx(\"Name\")", ERROR_FILE_NOT_FOUND);

    ASSERT_EQ(robot.Seen().size(), 1u);
    const Shown &box = robot.Seen()[0];
    EXPECT_TRUE(IsReportText(box, L"LoadAll", L"RegQueryValueEx(\"Name\")", 2));
    EXPECT_NE(box.text.find(L"\nŘádek: 321\n"), std::wstring::npos);
    EXPECT_EQ(box.owner, (HWND)NULL) << "before the main window exists the box has no owner";
    // The system's own description of the code closes the text.
    EXPECT_GT(box.text.size(), box.text.find(L"Popis chyby: ") + 13);

    std::vector<std::string> lines = ReadLines(Log());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(lines[0].find("]: ") + 3),
              "Command { RegQueryValueEx(\"Name\") } in proc. LoadAll failed on line (321) with error 2");
}

TEST_F(Diagnostics, ReportIsOwnedByTheMainWindowAndSurvivesABadLog)
{
    TestMainWindow main(L"10000");
    CreateDirectoryW(Log().c_str(), NULL); // the log cannot be written
    UiRobot robot;
    robot.Then(Press(IDOK));
    ReportError(7, L"SaveAll", L"RegCloseKey", 0xFFFFFFFF);
    ASSERT_EQ(robot.Seen().size(), 1u);
    EXPECT_EQ(robot.Seen()[0].owner, main.Window());
    EXPECT_NE(robot.Seen()[0].text.find(L"\nČíslo chyby: -1\n"), std::wstring::npos) << "signed decimal";
    RemoveDirectoryW(Log().c_str());
}

TEST_F(Diagnostics, ReportTextIsCutToItsBuffer)
{
    UiRobot robot;
    robot.Then(Press(IDOK));
    std::wstring command(600, L'x');
    command[509] = 0xD83D; // a surrogate pair across the cut
    command[510] = 0xDE00;
    ReportError(1, L"SaveAll", command.c_str(), 5);
    ASSERT_EQ(robot.Seen().size(), 1u);
    const std::wstring &text = robot.Seen()[0].text;
    EXPECT_LE(text.size(), 511u);
    EXPECT_GE(text.size(), 510u);
    EXPECT_FALSE(IS_HIGH_SURROGATE(text.back())) << "a character cut in two";
    EXPECT_EQ(text.rfind(L"Chyba aplikace!\n\n", 0), 0u);

    // The log line is cut as well, and still written.
    std::vector<std::string> lines = ReadLines(Log());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_LE(lines[0].size(), 1023u);
}

TEST_F(Diagnostics, ReportWithoutSystemDescription)
{
    UiRobot robot;
    robot.Then(Press(IDOK));
    ReportError(1, L"WinMain", L"InitCommonControlsEx", 0x2000BEEF);
    ASSERT_EQ(robot.Seen().size(), 1u);
    const std::wstring &text = robot.Seen()[0].text;
    EXPECT_EQ(text.substr(text.size() - 13), L"Popis chyby: ");
}

// Shows a report and ends it the way how says.
static void LeaveReport(const wchar_t *how)
{
    UiRobot robot;
    robot.Then(!wcscmp(how, L"cancel") ? Press(IDCANCEL) : !wcscmp(how, L"escape") ? Escape() : CloseBox());
    ReportError(99, L"SaveAll", L"RegCloseKey", 6);
}

TEST_F(Diagnostics, CancelEscAndCloseBoxEndTheProgram)
{
    // Each death test runs this test again in a process of its own, the
    // earlier rounds too (without their death test): there the checks of
    // those rounds find nothing; failures in that process are not counted.
    for (const wchar_t *how : {L"cancel", L"escape", L"close"}) {
        SCOPED_TRACE(Narrow(how));
        DeleteFileW(Log().c_str());
        EXPECT_EXIT(LeaveReport(how), testing::ExitedWithCode(-1), "");
        std::vector<std::string> lines = ReadLines(Log());
        EXPECT_EQ(lines.size(), 1u) << "the log line is written before the box";
        for (const std::string &line : lines)
            EXPECT_NE(line.find("in proc. SaveAll failed on line (99) with error 6"), std::string::npos);
    }
}

/* ---- The stack protector ------------------------------------------------- */

extern "C" uintptr_t __stack_chk_guard;
extern "C" [[noreturn]] void __stack_chk_fail(void);

// Each child ends with the bits of its guard above the zero byte, or with
// the failure of a protected function.
static int GuardOfThisProcess() { return (int)(__stack_chk_guard >> 8 & 0x7FFFFFFF); }
static ChildProcedure guardChild(L"stack-guard", GuardOfThisProcess);
static int OverrunInThisProcess()
{
    __stack_chk_fail();
}
static ChildProcedure overrunChild(L"stack-overrun", OverrunInThisProcess);

TEST(StackGuard, DiffersInEveryProcessAndAnOverrunEndsIt)
{
    TempFolder folder;
    std::set<DWORD> guards;
    for (int i = 0; i < 3; i++) {
        Process child;
        ASSERT_TRUE(child.Start(TestProgram(), folder.Path(), ChildArgument(L"stack-guard")));
        guards.insert(child.Wait(10000));
    }
    EXPECT_EQ(guards.size(), 3u) << "the same guard twice";
    EXPECT_EQ(guards.count(0), 0u);
    EXPECT_EQ(__stack_chk_guard & 0xFF, 0u) << "a zero byte first";
    Process child;
    ASSERT_TRUE(child.Start(TestProgram(), folder.Path(), ChildArgument(L"stack-overrun")));
    EXPECT_EQ(child.Wait(10000), 0xC0000409u);
}

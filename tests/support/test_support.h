// Test bed of Orbelan: real registry, real windows, real files and real
// processes, each isolated per test.
#pragma once

#include <windows.h>
#include <gtest/gtest.h>

#include "resource.h"
#include "store/status_store.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// Where a helper was called, filled in as a default argument: the helper
// reports a failure at its caller's line.
struct Caller {
    const char *file = __builtin_FILE();
    int line = __builtin_LINE();
};

/* ---- Scratch registry, temporary folder, files --------------------------- */

// Redirects this process's HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE and
// HKEY_CLASSES_ROOT to fresh keys below the real HKCU\Software\OrbelanTests,
// deleted at the end; or to those of the scratch tree at path adopt.
class ScratchRegistry {
public:
    explicit ScratchRegistry(const std::wstring &adopt = L"");
    ~ScratchRegistry();
    const std::wstring &Path() const { return path_; } // below the real HKEY_CURRENT_USER

private:
    std::wstring path_;
    bool owned_;
};

// The current directory while it lives (the event log is written there): a
// fresh folder under %TEMP%, removed at the end, or the folder adopt.
class TempFolder {
public:
    explicit TempFolder(const std::wstring &adopt = L"");
    ~TempFolder();
    const std::wstring &Path() const { return path_; }
    std::wstring File(const std::wstring &name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_, previous_;
    bool owned_;
};

std::string ReadFileBytes(const std::wstring &path); // empty when there is no file
inline bool FileExists(const std::wstring &path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
// Asks done every 50 ms until it says yes or milliseconds have passed;
// returns its last answer.
bool WaitUntil(const std::function<bool()> &done, DWORD milliseconds);
void WriteFileBytes(const std::wstring &path, const std::string &bytes, Caller caller = {});
std::vector<std::string> ReadLines(const std::wstring &path); // without their LF or CR LF
std::vector<std::wstring> FileNames(const std::wstring &folder); // sorted; none for no folder
std::string Narrow(const std::wstring &text); // to UTF-8
std::wstring Widen(const std::string &utf8);  // from UTF-8
std::wstring TestProgram();                   // path of the running test program
std::wstring ExeFolder();                     // its folder
std::wstring WinePath(const char *unixPath);  // a path of the build, as Wine shows it

// python3's http.server (tests/version_server.py) on 127.0.0.1, serving a
// folder of its own below /tmp; a Unix program, started from Wine. On a
// free port, or on port, once another server has let it go.
class WebServer {
public:
    // Serves files put with Serve, or the folder site (a Linux path) when
    // one is given; on a free port unless port says which.
    explicit WebServer(int port = 0, const char *site = nullptr);
    ~WebServer();
    // Serves bytes as /<name>; returns its URL.
    std::wstring Serve(const std::wstring &name, const std::string &bytes);
    std::wstring Url(const std::wstring &name) const;
    // What it has answered so far: "<status> <path>" a line.
    std::vector<std::string> Requests() const;

private:
    std::wstring folder_;
    int port_ = 0;
};

// Runs a program of the system folder (regedit.exe: of the Windows folder)
// with arguments and waits for it; returns its exit code. The program sees
// the real registry, not the scratch one.
DWORD RunSystemProgram(const wchar_t *program, const std::wstring &arguments, Caller caller = {});
// The same without failing the test: STILL_ACTIVE when the program did not
// end in any of its three tries, (DWORD)-1 when it could not start.
DWORD TryRunSystemProgram(const wchar_t *program, const std::wstring &arguments);

/* ---- Registry data ------------------------------------------------------ */

struct RegValue {
    DWORD type = REG_NONE;
    std::string data;
    bool operator==(const RegValue &o) const { return type == o.type && data == o.data; }
};
inline RegValue Binary(const std::string &bytes) { return {REG_BINARY, bytes}; }
inline RegValue Dword(DWORD value) { return {REG_DWORD, std::string((const char *)&value, 4)}; }
inline RegValue Sz(const std::wstring &text)
{
    return {REG_SZ, std::string((const char *)text.c_str(), (text.size() + 1) * sizeof(wchar_t))};
}
inline RegValue Utf8Binary(const std::wstring &text) { return Binary(Narrow(text)); }
using RegValues = std::map<std::wstring, RegValue>; // the values of a key, by name
using RegTree = std::map<std::wstring, RegValues>;  // the direct subkeys of a key

// Creates key path below root and sets the values.
void PutKey(HKEY root, const std::wstring &path, const RegValues &values = {}, DWORD options = 0, Caller caller = {});
RegTree ReadTree(HKEY root, const std::wstring &path); // empty if there is no key
bool KeyExists(HKEY root, const std::wstring &path);

// The program's path of an account's key, or of its key leaf; of its list.
std::wstring AccountKey(const std::wstring &icq, const wchar_t *leaf = nullptr);
inline std::wstring ListKeyPath(const std::wstring &icq) { return AccountKey(icq, L"CustomStatusList"); }
// The four values a saved status has.
RegValues StatusValues(const std::wstring &name, const std::wstring &text, DWORD line, DWORD on);
// An account with its list and these statuses (icon, values) below
// HKEY_CURRENT_USER, the list and the statuses made with the key options.
void PutAccount(const std::wstring &icq, std::initializer_list<std::pair<int, RegValues>> statuses = {},
                DWORD options = 0);

/* ---- Windows shown, and the robot that answers them -------------------- */

struct Control {
    int id;
    std::wstring className;
    std::wstring text;
    DWORD style;
};

// What the user saw of one window when it came up.
struct Shown {
    HWND window = NULL;
    HWND owner = NULL;
    std::wstring className;
    std::wstring caption;
    std::wstring text;                 // a message box's text
    std::wstring icon;                 // "error", "warning", "question", "information" or ""
    std::vector<int> buttons;          // IDs of the push buttons, in window order
    std::vector<Control> controls;     // every child control
    std::wstring ControlText(int id) const;
    bool HasControl(int id) const;
};

// Reads a window as it shows now (works across processes).
Shown Describe(HWND window);

// What the robot does to a window: a basic action, Steps, or any function
// of the window, [](HWND window) { ... }, a check for example.
using Action = std::function<void(HWND window)>;

// Answers the windows that come up on this thread, as a user would: Then
// queues the action for the next new top-level window; Seen records them
// all. A window with no action left fails the test at the robot's line and
// is dismissed (OK if it has one, else No or Cancel); an action never used,
// or steps that never ran, fail it at the line of their Then.
class UiRobot {
public:
    explicit UiRobot(Caller caller = {});
    ~UiRobot();
    UiRobot &Then(Action action, Caller caller = {});
    const std::vector<Shown> &Seen() const { return seen_; }
    void CameUp(HWND window); // called by the thread's window watch

private:
    std::vector<std::pair<Action, Caller>> queue_;
    std::vector<Shown> seen_;
    Caller caller_;
};

// Watches the windows that come up on this thread (a WH_CBT hook and a
// timer); every test program starts it once, on its main thread. Without a
// UiRobot a window that comes up fails the test and is dismissed.
void WatchWindowsOfThisThread();
// Leaves a window of the test's own making alone: it is none to answer.
void Unwatch(HWND window);

// Basic actions: they post what a user's click or keystroke would send.
Action Press(int id);                            // click the button with this ID
Action Escape();                                 // the Esc key
Action CloseBox();                               // the title bar's close box
Action Type(int id, const std::wstring &text);   // set an edit's text
Action Tick(int id, bool ticked = true);         // set a check box
Action Command(int id);                          // a menu command, as the menu sends it
// Actions on one window, one after the other: after a step that opens a
// modal window the next runs when the window is enabled again (the modal
// windows closed, each answered by its Then); after any other step, once
// the window has handled it.
Action Steps(std::vector<Action> steps);

/* ---- Other processes ---------------------------------------------------- */

// The height in pixels that static control label's text needs at its
// width and font, wrapped as the control wraps it (or on one line).
int LabelTextHeight(HWND label, bool wraps = true);

// Process, WindowText, PostClick, ReadListView: driving another program.
#include "window_driver.h"

/* ---- Failing system calls, and a test program's child processes -------- */

// Replaces a function that this test program imports from library with
// replacement while it lives: the program's code, linked into the test,
// calls the replacement instead. The replacement is declared WINAPI like
// the function; Original gives the function itself. The import is matched
// by its function name in the entries of library (in any case) and of the
// API sets (api-ms-win-*); the test fails when there is none.
class ImportPatch {
public:
    template <class Function>
    ImportPatch(const char *library, const char *function, Function *replacement, Caller caller = {})
        : ImportPatch(library, function, reinterpret_cast<ULONG_PTR>(replacement), caller)
    {
    }
    ~ImportPatch();
    ImportPatch(const ImportPatch &) = delete;
    ImportPatch &operator=(const ImportPatch &) = delete;
    template <class Function> Function *Original() const
    {
        return reinterpret_cast<Function *>(slots_.empty() ? 0 : slots_[0].second);
    }

private:
    ImportPatch(const char *library, const char *function, ULONG_PTR replacement, Caller caller);
    std::vector<std::pair<ULONG_PTR *, ULONG_PTR>> slots_; // each slot and what it held
};

// RegCloseKey as on a handle that was not open: it closes the key, then
// fails with ERROR_INVALID_HANDLE. For ImportPatch("advapi32.dll",
// "RegCloseKey", RegCloseKeyThenFail).
LONG WINAPI RegCloseKeyThenFail(HKEY key);
// GetTempFileNameW on a full disk: fails with ERROR_DISK_FULL. For
// ImportPatch("kernel32.dll", "GetTempFileNameW", GetTempFileNameOnAFullDisk).
UINT WINAPI GetTempFileNameOnAFullDisk(LPCWSTR folder, LPCWSTR prefix, UINT unique, LPWSTR name);

// A procedure that a test runs in a process of its own: the test program,
// or a copy of it, started with the argument ChildArgument(name) runs the
// procedure instead of its tests and ends with the procedure's result.
// Registered by a static ChildProcedure.
struct ChildProcedure {
    ChildProcedure(const wchar_t *name, int (*run)());
};
inline std::wstring ChildArgument(const wchar_t *name) { return std::wstring(L"--child ") + name; }

/* ---- Program state ------------------------------------------------------ */

// Puts the program's process-wide values back to their start-up state and
// reloads the status image list (a closed main window destroyed it).
void ResetProgramState();

// A record; the records of a list, in order; a list made of records.
StatusRecord Record(int icon, const std::wstring &name, const std::wstring &text = L"", DWORD on = 1);
std::vector<StatusRecord> Records(const StatusTable &list, Caller caller = {});
void SetRecords(StatusTable &list, const std::vector<StatusRecord> &records, Caller caller = {});

// What the program draws in pixels at the screen's DPI, the one the tests
// run at: the prefix's LogPixels, which ORBELAN_DPI names when it was set
// (the test fails when the two differ, or at a DPI without a row).
struct ScreenScale {
    int dpi;
    int icon;                    // the status icons and the caption's icon, square
    int statusWidth, textWidth;  // the two list columns by default
    int pictureWidth, pictureHeight;
};
ScreenScale TestScreenScale(Caller caller = {});

// Runs the main window as WinMain does; returns the dialog's result. It
// reads the Data.ini beside the test program.
INT_PTR RunMainWindow();
inline std::wstring ExeSettingsPath() { return ExeFolder() + L"\\Data.ini"; }
// Waits for the version-check threads of this process (started by the main
// window) to end, so that a check never runs into the next test; returns
// how many there were (-1, and the test fails, if it cannot tell them).
int WaitForVersionChecks(DWORD milliseconds = 20000);

// A main window made from the real template, with the program's list
// columns, but without its start-up work: for calling LoadAll and SaveAll.
class TestMainWindow {
public:
    explicit TestMainWindow(const std::wstring &icq);
    ~TestMainWindow();
    HWND Window() const { return window_; }
    HWND List() const { return GetDlgItem(window_, IDC_STATUS_LIST); }

private:
    HWND window_;
};

// The fixture of the tests: a scratch registry, a temporary folder with the
// settings file ini (SettingsPath), the program's values as at start-up
// and, given an ICQ#, a test main window showing it; at the end the Data.ini
// beside the test program is deleted. A death test's process (the test run
// again) finds the registry's and the folder's paths in its environment and
// adopts them: what it does lands where the test looks.
class TestBed : public ::testing::Test {
protected:
    explicit TestBed(const wchar_t *icq = nullptr);
    ~TestBed() override;
    // Makes ini the main window's Data.ini, new, for account uin (none if
    // null), with notices 107 and 109 ticked off.
    void UseExeSettings(const wchar_t *uin);
    std::wstring Ini(const wchar_t *section, const wchar_t *key) const // "<none>" if not there
    {
        wchar_t text[64];
        GetPrivateProfileStringW(section, key, L"<none>", text, ARRAYSIZE(text), ini.c_str());
        return text;
    }
    void SetIni(const wchar_t *section, const wchar_t *key, const wchar_t *value) const
    {
        WritePrivateProfileStringW(section, key, value, ini.c_str());
    }

    ScratchRegistry registry;
    TempFolder folder;
    std::wstring ini;
    std::unique_ptr<TestMainWindow> main;
};

// The system's description of code, without the line break at its end, or
// the code in decimal where the system has none: as a message other than
// the error report shows it.
std::wstring ErrorDescription(DWORD code);
// The text of an error report as the user sees it, its line number "#";
// with the program's home page, or that of a test built with another.
std::wstring ReportText(const std::wstring &procedure, const std::wstring &command, int code,
                        const wchar_t *homePage = nullptr);
// Checks a recorded error report: text (any line number), caption, icon and
// buttons.
::testing::AssertionResult IsReportText(const Shown &shown, const std::wstring &procedure,
                                        const std::wstring &command, int code);
// The same, and that the line it names is a report call of its procedure in
// file, a source file of the program ("store/status_store.cpp"). In the
// coverage build it tallies that call as reached.
::testing::AssertionResult IsReport(const Shown &shown, const char *file, const std::wstring &procedure,
                                    const std::wstring &command, int code);
// Checks that the line a report names is a call of call in a source file of
// the program ("store/status_store.cpp").
::testing::AssertionResult ReportsLineOf(const Shown &shown, const char *file, const char *call);

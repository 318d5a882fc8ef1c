// Test bed of Orbelan: real registry, real windows, real files and real
// processes, each isolated per test.
#pragma once

#include <windows.h>
#include <gtest/gtest.h>

#include "store/status_store.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// Where a helper was called from, filled in by the compiler as a default
// argument: the helper reports a failure at its caller's line.
struct Caller {
    const char *file = __builtin_FILE();
    int line = __builtin_LINE();
};

/* ---- Scratch registry, temporary folder, files --------------------------- */

// Redirects HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE and HKEY_CLASSES_ROOT of
// this process to fresh keys below the real HKCU\Software\OrbelanTests,
// deleted at the end; or to those of the tree at path adopt, left as they are.
class ScratchRegistry {
public:
    explicit ScratchRegistry(const std::wstring &adopt = L"");
    ~ScratchRegistry();
    // Path of the scratch tree below the real HKEY_CURRENT_USER.
    const std::wstring &Path() const { return path_; }

private:
    std::wstring path_;
    bool owned_;
};

// A fresh folder under %TEMP%, removed with its contents at the end, or the
// folder adopt, left as it is; the current directory while it lives (the
// event log is written there).
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

// Whole file as bytes; empty when it does not exist.
std::string ReadFileBytes(const std::wstring &path);
bool FileExists(const std::wstring &path);
void WriteFileBytes(const std::wstring &path, const std::string &bytes, Caller caller = {});
// Lines of a text file without their line ends; crlf receives whether every
// line ended in CR LF.
std::vector<std::string> ReadLines(const std::wstring &path, bool *crlf = nullptr);
std::string Narrow(const std::wstring &text); // to UTF-8
std::wstring Widen(const std::string &utf8);  // from UTF-8
std::wstring ExeFolder();                     // folder of the running test program

/* ---- Registry data ------------------------------------------------------ */

struct RegValue {
    DWORD type = REG_NONE;
    std::string data;
    bool operator==(const RegValue &o) const { return type == o.type && data == o.data; }
};
RegValue Binary(const std::string &bytes);
RegValue Dword(DWORD value);
RegValue Utf8Binary(const std::wstring &text);
// Values of one key, by name.
using RegValues = std::map<std::wstring, RegValue>;
// The direct subkeys of a key with their values.
using RegTree = std::map<std::wstring, RegValues>;

// Creates key path (below root) and sets the given values.
void PutKey(HKEY root, const std::wstring &path, const RegValues &values = {}, DWORD options = 0, Caller caller = {});
// Reads the direct subkeys of path and their values; empty if it is missing.
RegTree ReadTree(HKEY root, const std::wstring &path);
bool KeyExists(HKEY root, const std::wstring &path);

// The program's path of an account's key, or of its key leaf.
std::wstring AccountKey(const std::wstring &icq, const wchar_t *leaf = nullptr);
// Path of an account's status list below HKEY_CURRENT_USER.
std::wstring ListKeyPath(const std::wstring &icq);
// The four values a saved status has.
RegValues StatusValues(const std::wstring &name, const std::wstring &text, DWORD line, DWORD on);
// An account of HKEY_CURRENT_USER with its status list and these statuses
// (icon, values); the list and the statuses made with the key options given.
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

// What the robot does to a window: a basic action or Steps below, or any
// function of the window, [](HWND window) { ... }, for example a check.
using Action = std::function<void(HWND window)>;

// Answers the windows that come up on this thread, as a user would: Then
// queues the action for the next new top-level window. Every window is
// recorded. A window with no action left fails the test at the robot's
// line and is dismissed (OK if it has one, else No or Cancel); an action
// left in the queue, or steps left when their window closed or the robot
// ended, fail it at the line of their Then.
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

// Watches the windows that come up on this thread (a WH_CBT hook). Without
// an active UiRobot a window that comes up fails the test and is dismissed,
// so that no test waits for ever. Every test program starts it.
void WatchWindowsOfThisThread();
// While one lives, windows that come up are the test's own making, not
// ones to answer.
struct IgnoreNewWindows {
    IgnoreNewWindows();
    ~IgnoreNewWindows();
};

// Basic actions. They post what a user's click or keystroke would send, so
// that the window handles it in its own message loop.
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

struct Process {
    PROCESS_INFORMATION info = {};
    ~Process();
    // Ends the process if it still runs, and closes its handles.
    void Release();
    bool Start(const std::wstring &exe, const std::wstring &folder, const std::wstring &arguments = L"");
    // Waits for the process to end; returns its exit code, or STILL_ACTIVE.
    DWORD Wait(DWORD milliseconds);
    // The first visible top-level window of the process that matches, within
    // the time; null if none came.
    HWND WaitForWindow(std::function<bool(const Shown &)> match, DWORD milliseconds = 10000);
    std::vector<HWND> Windows() const;  // visible top-level windows
};

// Rows of a list view in any process: column 0 and 1 texts and the image.
struct ListRow {
    std::wstring name, description;
    int image;
};
std::vector<ListRow> ReadListView(HWND list);

// Clicks a dialog button the way a user would (BM_CLICK, posted).
void PostClick(HWND dialog, int id);

/* ---- Program state ------------------------------------------------------ */

// Puts the program's process-wide values back to their start-up state and
// reloads the status image list (a closed main window destroyed it).
void ResetProgramState();

// A status record; the records of a status list, in order; and a list made
// of records (a test fails that gives more than the list holds).
StatusRecord Record(int icon, const std::wstring &name, const std::wstring &text = L"", DWORD on = 1);
std::vector<StatusRecord> Records(const StatusTable &list, Caller caller = {});
void SetRecords(StatusTable &list, const std::vector<StatusRecord> &records, Caller caller = {});

// Runs the main window as WinMain does; returns the dialog's result.
INT_PTR RunMainWindow();
// The Data.ini the main window reads: beside the test program. The other
// form writes a fresh one for account uin with notices 107 and 109 off.
std::wstring ExeSettingsPath();
void WriteExeSettings(const std::wstring &uin);

// Waits for the version-check threads of this process (started by the main
// window's initialisation) to end; returns how many there were (-1, and
// the test fails, if the threads cannot be told apart). Tests wait for them
// so that one test's check never runs into the next test.
int WaitForVersionChecks(DWORD milliseconds = 20000);

// A main window made from the real template, with the list columns the
// program sets up, but without the program's start-up work: for calling
// LoadAll and SaveAll directly. Destroyed at the end.
class TestMainWindow {
public:
    explicit TestMainWindow(const std::wstring &icq);
    ~TestMainWindow();
    HWND Window() const { return window_; }
    HWND List() const;
    void SetIcq(const std::wstring &icq);

private:
    HWND window_;
};

// The fixture of every test that touches the program's state: a scratch
// registry, a temporary folder with the settings file ini in it (SettingsPath
// names it), the program's values as at start-up and, given an ICQ#, a test
// main window showing it. At the end the Data.ini beside the test program
// is deleted too.
//
// A death test (EXPECT_EXIT) runs the test program again for the test: that
// process starts with the registry and folder paths in its environment and
// adopts them, so that what it does lands where the test looks.
class TestBed : public ::testing::Test {
protected:
    explicit TestBed(const wchar_t *icq = nullptr);
    ~TestBed() override;
    // A value of ini; "<none>" when it has none.
    std::wstring Ini(const wchar_t *section, const wchar_t *key) const;
    void SetIni(const wchar_t *section, const wchar_t *key, const wchar_t *value) const;

    ScratchRegistry registry;
    TempFolder folder;
    std::wstring ini;
    std::unique_ptr<TestMainWindow> main;
};

// Expected text of an error report as the user sees it; the line number,
// which depends on the source's layout, is matched as any number.
std::wstring ReportText(const std::wstring &procedure, const std::wstring &command, int code);
// Checks one recorded error report: text (any line number), caption, icon
// and buttons.
::testing::AssertionResult IsReport(const Shown &shown, const std::wstring &procedure,
                                    const std::wstring &command, int code);
// Checks that the line a report names is a call of call in the program's
// source file (a path below the source folder, "store/status_load.cpp").
::testing::AssertionResult ReportsLineOf(const Shown &shown, const char *file, const char *call);

// Test bed of Orbelan: real registry, real windows, real files and real
// processes, each isolated per test.
#pragma once

#include <windows.h>
#include <gtest/gtest.h>

#include "store/status_store.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

/* ---- Scratch registry -------------------------------------------------- */

// Redirects HKEY_CURRENT_USER (and, on request, HKEY_LOCAL_MACHINE and
// HKEY_CLASSES_ROOT) of this process to fresh keys below the real
// HKCU\Software\OrbelanTests\<unique>, and deletes them at the end.
class ScratchRegistry {
public:
    explicit ScratchRegistry(bool machine = false, bool classes = false);
    ~ScratchRegistry();
    // Path of the scratch tree below the real HKEY_CURRENT_USER.
    const std::wstring &Path() const { return path_; }
    // Redirects this process's HKEY_CURRENT_USER to an existing key given by
    // its path below the real HKEY_CURRENT_USER (used by child processes).
    static bool Adopt(const std::wstring &path);

private:
    std::wstring path_;
    HKEY root_ = NULL;
    bool machine_, classes_;
};

/* ---- Temporary folder --------------------------------------------------- */

// A fresh folder under %TEMP%, made the current directory (so EVENTS.Kvt is
// written there) and removed with its contents at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::wstring &Path() const { return path_; }
    std::wstring File(const std::wstring &name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
    std::wstring previous_;
};

// Whole file as bytes; empty when it does not exist.
std::string ReadFileBytes(const std::wstring &path);
bool FileExists(const std::wstring &path);
void WriteFileBytes(const std::wstring &path, const std::string &bytes);
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
void PutKey(HKEY root, const std::wstring &path, const RegValues &values = {}, DWORD options = 0);
// Reads the direct subkeys of path and their values; empty if it is missing.
RegTree ReadTree(HKEY root, const std::wstring &path);
bool KeyExists(HKEY root, const std::wstring &path);

// The program's path of an account's key, or of its key leaf.
std::wstring AccountKey(const std::wstring &icq, const wchar_t *leaf = nullptr);
// Path of an account's status list below HKEY_CURRENT_USER.
std::wstring ListKeyPath(const std::wstring &icq);
// The four values a saved status has.
RegValues StatusValues(const std::wstring &name, const std::wstring &text, DWORD line, DWORD on);

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
// recorded. A window with no action left is recorded as unexpected and
// dismissed (OK if it has one, else Cancel or No), and the test fails; so
// does an action left in the queue or a step that never ran.
class UiRobot {
public:
    UiRobot();
    ~UiRobot();
    UiRobot &Then(Action action);
    const std::vector<Shown> &Seen() const { return seen_; }
    void Activated(HWND window); // called by the thread's window watch

private:
    std::vector<Shown> seen_;
    std::vector<Action> queue_;
};

// Watches the windows that come up on this thread (a WH_CBT hook). Without
// an active UiRobot a window that comes up fails the test and is dismissed,
// so that no test waits for ever. TestMain starts it on the main thread.
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

/* ---- Child processes ---------------------------------------------------- */

// A test program can run one of its registered child procedures in a fresh
// process of itself: RunChild starts "<this exe> --child=<name> <argument>"
// in folder and returns its exit code: 0xFA11 when a check in the child
// failed, 0xDEADBEEF on a timeout.
using ChildProcedure = int (*)(const std::wstring &argument);
bool RegisterChild(const char *name, ChildProcedure procedure);
DWORD RunChild(const std::string &name, const std::wstring &argument, const std::wstring &folder);
// The main() of every test program: dispatches --child=, else runs the tests.
int TestMain(int argc, wchar_t **argv);

/* ---- Other processes ---------------------------------------------------- */

// Process, WindowText, PostClick, ReadListView: driving another program.
#include "window_driver.h"

/* ---- Program state ------------------------------------------------------ */

// Puts the program's process-wide values back to their start-up state and
// reloads the status image list (a closed main window destroyed it).
void ResetProgramState();

// The records of a status list, in order; and a list made of records (a
// test fails that gives more than the list holds).
std::vector<StatusRecord> Records(const StatusTable &list);
void SetRecords(StatusTable &list, const std::vector<StatusRecord> &records);

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

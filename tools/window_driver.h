// Drives a program from outside, as a user would: starts it, finds its
// windows, reads and clicks them. The end-to-end tests, the screenshot
// driver and the start-up benchmark use it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// A program started by Start; ended, if it still runs, when let go.
struct Process {
    PROCESS_INFORMATION info = {};
    ~Process();
    // Ends the process if it still runs, and closes its handles.
    void Release();
    // Starts exe with the arguments in folder (this process's current
    // directory when empty), after letting go of any process started before;
    // flags are CreateProcessW's (DEBUG_ONLY_THIS_PROCESS, say). False, with
    // the system's error in GetLastError, when it cannot.
    bool Start(const std::wstring &exe, const std::wstring &folder = L"", const std::wstring &arguments = L"",
               DWORD flags = 0);
    // Waits for the process to end; returns its exit code, or STILL_ACTIVE.
    DWORD Wait(DWORD milliseconds);
    // The visible top-level windows of the process, in z-order.
    std::vector<HWND> Windows() const;
    // The first visible and enabled top-level window of the process that
    // matches, looking again every poll milliseconds; null when none came
    // within the time or the process ended.
    HWND WaitForWindow(const std::function<bool(HWND)> &match, DWORD milliseconds = 10000, DWORD poll = 50);
};

// The text of a window or control, also of another process (WM_GETTEXT,
// which GetWindowText does not send across processes).
std::wstring WindowText(HWND window);
// The text of the dialog's control with this ID; empty when there is none.
std::wstring ControlText(HWND dialog, int id);

// Clicks a dialog button the way a user would (BM_CLICK, posted); a
// command with the ID where the dialog has no such button.
void PostClick(HWND dialog, int id);

// Rows of a list view of any process: the texts of columns 0 and 1, and
// the image. Throws std::runtime_error when it cannot reach the list's
// process, so that no list passes for an empty one.
struct ListRow {
    std::wstring name, description;
    int image;
};
std::vector<ListRow> ReadListView(HWND list);

// Finding and reading windows of another process, for the tools and tests
// that drive the real program from outside.
#pragma once

#include <windows.h>
#include <string>
#include <vector>

// The visible top-level windows of process, in z-order.
std::vector<HWND> VisibleWindowsOf(DWORD process);
// The text of a window or control, also of another process (WM_GETTEXT,
// which GetWindowText does not send across processes).
std::wstring WindowText(HWND window);

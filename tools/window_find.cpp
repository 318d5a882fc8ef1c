// Finding and reading windows of another process.
#include "window_find.h"

struct WindowSearch {
    DWORD process;
    std::vector<HWND> found;
};

static BOOL CALLBACK CollectWindow(HWND window, LPARAM parameter)
{
    WindowSearch *search = (WindowSearch *)parameter;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == search->process && IsWindowVisible(window))
        search->found.push_back(window);
    return TRUE;
}

std::vector<HWND> VisibleWindowsOf(DWORD process)
{
    WindowSearch search{process, {}};
    EnumWindows(CollectWindow, (LPARAM)&search);
    return search.found;
}

std::wstring WindowText(HWND window)
{
    LRESULT length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
    if (length < 0)
        length = 0;
    std::wstring text(length + 1, 0);
    LRESULT got = SendMessageW(window, WM_GETTEXT, length + 1, (LPARAM)&text[0]);
    text.resize(got > 0 && got <= length ? got : 0);
    return text;
}

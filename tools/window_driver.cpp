// Driving a program from outside: its process, its windows, its controls.
#include "window_driver.h"

#include <commctrl.h>

#include <stdexcept>

Process::~Process()
{
    Release();
}

void Process::Release()
{
    if (info.hProcess) {
        if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(info.hProcess, 0xDEAD);
        CloseHandle(info.hProcess);
    }
    if (info.hThread)
        CloseHandle(info.hThread);
    info = PROCESS_INFORMATION{};
}

bool Process::Start(const std::wstring &exe, const std::wstring &folder, const std::wstring &arguments, DWORD flags)
{
    Release();
    std::wstring line = L"\"" + exe + L"\"";
    if (!arguments.empty())
        line += L" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    return CreateProcessW(exe.c_str(), &line[0], NULL, NULL, FALSE, flags, NULL,
                          folder.empty() ? NULL : folder.c_str(), &startup, &info) != 0;
}

DWORD Process::Wait(DWORD milliseconds)
{
    if (WaitForSingleObject(info.hProcess, milliseconds) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    return code;
}

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

std::vector<HWND> Process::Windows() const
{
    WindowSearch search{info.dwProcessId, {}};
    EnumWindows(CollectWindow, (LPARAM)&search);
    return search.found;
}

HWND Process::WaitForWindow(const std::function<bool(HWND)> &match, DWORD milliseconds, DWORD poll)
{
    DWORD start = GetTickCount();
    do {
        for (HWND window : Windows()) {
            // A window that is still being laid out may not be enabled yet.
            if (IsWindowEnabled(window) && match(window))
                return window;
        }
        if (WaitForSingleObject(info.hProcess, poll) == WAIT_OBJECT_0)
            return NULL;
    } while (GetTickCount() - start < milliseconds);
    return NULL;
}

// How long a window of another process gets to answer a question about its
// text: a program that does not answer (hung, or busy with a system call
// that waits) must not hang the one that asks; it reads as no text, and
// the asker looks again or fails on what it did not find.
static const UINT TextAnswerWait = 5000;

std::wstring WindowText(HWND window)
{
    DWORD_PTR length = 0, got = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, TextAnswerWait, &length) ||
        (LONG_PTR)length < 0)
        length = 0;
    std::wstring text(length + 1, 0);
    if (!SendMessageTimeoutW(window, WM_GETTEXT, length + 1, (LPARAM)&text[0], SMTO_ABORTIFHUNG, TextAnswerWait,
                             &got))
        got = 0;
    text.resize(got > 0 && got <= length ? got : 0);
    return text;
}

std::wstring ControlText(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    return control ? WindowText(control) : std::wstring();
}

void PostClick(HWND dialog, int id)
{
    HWND button = GetDlgItem(dialog, id);
    if (button)
        PostMessageW(button, BM_CLICK, 0, 0);
    else
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

std::vector<ListRow> ReadListView(HWND list)
{
    // The list view copies texts into the caller's memory, so the item
    // record and its text buffer must lie in the list's own process.
    DWORD process = 0;
    GetWindowThreadProcessId(list, &process);
    HANDLE target = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process);
    const SIZE_T textUnits = 4096;
    BYTE *remote = target ? (BYTE *)VirtualAllocEx(target, NULL, sizeof(LVITEMW) + textUnits * 2, MEM_COMMIT,
                                                   PAGE_READWRITE)
                          : NULL;
    if (!remote) {
        DWORD error = GetLastError();
        if (target)
            CloseHandle(target);
        throw std::runtime_error("cannot read the list view of process " + std::to_string(process) + ", error " +
                                 std::to_string(error));
    }
    std::vector<ListRow> rows;
    int count = (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    for (int row = 0; row < count; row++) {
        ListRow result;
        for (int column = 0; column < 2; column++) {
            // LVM_GETITEMTEXTW always copies into the given buffer.
            LVITEMW item = {};
            item.iSubItem = column;
            item.pszText = (wchar_t *)(remote + sizeof(LVITEMW));
            item.cchTextMax = (int)textUnits;
            WriteProcessMemory(target, remote, &item, sizeof item, NULL);
            SendMessageW(list, LVM_GETITEMTEXTW, row, (LPARAM)remote);
            std::vector<wchar_t> text(textUnits, 0);
            ReadProcessMemory(target, remote + sizeof(LVITEMW), text.data(), textUnits * 2, NULL);
            text[textUnits - 1] = 0;
            (column == 0 ? result.name : result.description) = text.data();
        }
        LVITEMW item = {};
        item.mask = LVIF_IMAGE;
        item.iItem = row;
        WriteProcessMemory(target, remote, &item, sizeof item, NULL);
        SendMessageW(list, LVM_GETITEMW, 0, (LPARAM)remote);
        ReadProcessMemory(target, remote, &item, sizeof item, NULL);
        result.image = item.iImage;
        rows.push_back(result);
    }
    VirtualFreeEx(target, remote, 0, MEM_RELEASE);
    CloseHandle(target);
    return rows;
}

// Other processes: starting them, finding their windows, reading controls.
#include "test_support.h"

#include "window_find.h"

#include <commctrl.h>

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

bool Process::Start(const std::wstring &exe, const std::wstring &folder, const std::wstring &arguments)
{
    Release(); // a process started before is let go first
    std::wstring line = L"\"" + exe + L"\"";
    if (!arguments.empty())
        line += L" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessW(exe.c_str(), &line[0], NULL, NULL, FALSE, 0, NULL, folder.c_str(), &startup, &info)) {
        ADD_FAILURE() << "cannot start " << Narrow(exe) << ", error " << GetLastError();
        return false;
    }
    return true;
}

DWORD Process::Wait(DWORD milliseconds)
{
    if (WaitForSingleObject(info.hProcess, milliseconds) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    return code;
}

std::vector<HWND> Process::Windows() const
{
    return VisibleWindowsOf(info.dwProcessId);
}

HWND Process::WaitForWindow(std::function<bool(const Shown &)> match, DWORD milliseconds)
{
    DWORD start = GetTickCount();
    do {
        for (HWND window : Windows()) {
            // A window that is still being laid out may not be enabled yet.
            if (IsWindowEnabled(window) && match(Describe(window)))
                return window;
        }
        if (WaitForSingleObject(info.hProcess, 50) == WAIT_OBJECT_0) {
            for (HWND window : Windows())
                if (match(Describe(window)))
                    return window;
            return NULL;
        }
    } while (GetTickCount() - start < milliseconds);
    return NULL;
}

std::vector<ListRow> ReadListView(HWND list)
{
    // The list view copies texts into the caller's memory, so the item
    // record and its text buffer must lie in the list's own process.
    std::vector<ListRow> rows;
    DWORD process = 0;
    GetWindowThreadProcessId(list, &process);
    HANDLE target = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process);
    const SIZE_T textUnits = 4096;
    BYTE *remote = (BYTE *)VirtualAllocEx(target, NULL, sizeof(LVITEMW) + textUnits * 2, MEM_COMMIT, PAGE_READWRITE);
    EXPECT_TRUE(remote != NULL) << "cannot read the list view of process " << process << ": no rows is no empty list";
    if (remote) {
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
    }
    CloseHandle(target);
    return rows;
}

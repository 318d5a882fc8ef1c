// Start-up time of Orbelan.exe, from CreateProcessW until its main window
// (the one holding the status list, control 1001) is visible, against the
// same for the system's notepad.exe (the floor; Wine's own under Wine),
// printed as a ratio. Also prints the size of Orbelan.exe and the peak
// working set of both programs while their window is up.
//   orbelan_startup_bench.exe <path of Orbelan.exe> [rounds]
// Orbelan runs from a copy in a temporary folder, with a Data.ini naming a
// seeded account of five statuses and marking both start-up notices shown.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <stdio.h>
#include <algorithm>
#include <vector>

#include "store/status_store.h"
#include "timing.h"

static const wchar_t Icq[] = L"987650123";
// The seeded account's key, as the program names it.
static wchar_t AccountPath[160];
static const wchar_t Notepad[] = L"C:\\windows\\system32\\notepad.exe";
static const int StatusListId = 1001;
static const int SeededStatuses = 5;
// A value on the seeded account that tells it from a real one.
static const wchar_t BenchMark[] = L"OrbelanStartupBench";

struct Started {
    HWND window;           // null when the window did not come up in time
    double seconds;        // from CreateProcessW to the visible window
    SIZE_T peakWorkingSet; // bytes, read just before closing
    int rows;              // rows of Orbelan's status list
};

struct Search {
    DWORD process;
    bool orbelan; // else notepad
    HWND found;
};

static BOOL CALLBACK MatchWindow(HWND window, LPARAM param)
{
    Search *search = (Search *)param;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != search->process || !IsWindowVisible(window))
        return TRUE;
    wchar_t name[32] = L"";
    GetClassNameW(window, name, 32);
    bool match = search->orbelan ? GetDlgItem(window, StatusListId) != NULL : lstrcmpiW(name, L"Notepad") == 0;
    if (match)
        search->found = window;
    return !match;
}

// Starts exe in folder, waits (at most 20 s) until its main window is
// visible, reads its peak working set, closes the window and waits for the
// process to end.
static Started Run(const wchar_t *exe, const wchar_t *folder, bool orbelan)
{
    Started result = {};
    wchar_t command[MAX_PATH + 2];
    swprintf(command, MAX_PATH + 2, L"\"%ls\"", exe);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    double start = Now();
    if (!CreateProcessW(exe, command, NULL, NULL, FALSE, 0, NULL, folder, &startup, &info))
        return result;
    Search search = {info.dwProcessId, orbelan, NULL};
    while (!search.found && Now() - start < 20) {
        EnumWindows(MatchWindow, (LPARAM)&search);
        // A millisecond between looks; a program that ended shows nothing.
        if (!search.found && WaitForSingleObject(info.hProcess, 1) == WAIT_OBJECT_0)
            break;
    }
    result.seconds = Now() - start;
    result.window = search.found;

    // The window has painted its list once the program waits for input.
    WaitForInputIdle(info.hProcess, 2000);
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(info.hProcess, &memory, sizeof memory))
        result.peakWorkingSet = memory.PeakWorkingSetSize;
    if (search.found && orbelan)
        result.rows = (int)SendMessageW(GetDlgItem(search.found, StatusListId), LVM_GETITEMCOUNT, 0, 0);
    if (search.found) {
        if (orbelan)
            PostMessageW(search.found, WM_COMMAND, IDCANCEL, 0);
        else
            PostMessageW(search.found, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(info.hProcess, 10000) != WAIT_OBJECT_0) {
        TerminateProcess(info.hProcess, 1);
        WaitForSingleObject(info.hProcess, 5000);
        result.window = NULL;
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return result;
}

static void WriteText(HKEY key, const wchar_t *name, const wchar_t *text)
{
    char bytes[1024];
    int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes, sizeof bytes, NULL, NULL);
    RegSetValueExW(key, name, 0, REG_BINARY, (const BYTE *)bytes, length > 0 ? length - 1 : 0);
}

// The account Orbelan shows: five statuses, as many as the demo has.
static bool SeedAccount()
{
    static const wchar_t *const statuses[SeededStatuses][2] = {
        {L"Na kafi", L"Jsem na kávě, za chvíli jsem zpátky."},
        {L"V práci", L"Pracuji, ozvu se večer. Naléhavé věci prosím telefonem."},
        {L"Poslouchám hudbu", L"Právě hraje: Smetana – Vltava"},
        {L"Spím", L"Dobrou noc! Příliš žluťoučký kůň úpěl ďábelské ódy."},
        {L"Hvězdná chvíle", L"Ikonka 30 – uvidí ji jen ICQ Lite 5.1."},
    };
    HKEY account;
    DWORD created = 0, mark = 1;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, AccountPath, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &account, &created) !=
        ERROR_SUCCESS)
        return false;
    if (created != REG_CREATED_NEW_KEY) {
        // Left over by an interrupted run, or somebody's real account: only
        // the first is ours to replace.
        DWORD size = sizeof mark;
        bool ours = RegQueryValueExW(account, BenchMark, NULL, NULL, (BYTE *)&mark, &size) == ERROR_SUCCESS;
        RegCloseKey(account);
        if (!ours || RegDeleteTreeW(HKEY_CURRENT_USER, AccountPath) != ERROR_SUCCESS)
            return false;
        return SeedAccount();
    }
    RegSetValueExW(account, BenchMark, 0, REG_DWORD, (const BYTE *)&mark, sizeof mark);
    for (DWORD i = 0; i < SeededStatuses; i++) {
        wchar_t path[32];
        swprintf(path, 32, L"CustomStatusList\\%lu", i * 7 + 2);
        HKEY sub;
        if (RegCreateKeyExW(account, path, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &sub, NULL) != ERROR_SUCCESS)
            continue;
        DWORD line = i + 1, on = 1;
        WriteText(sub, L"Description", statuses[i][1]);
        RegSetValueExW(sub, L"LineNumber", 0, REG_DWORD, (const BYTE *)&line, 4);
        WriteText(sub, L"Name", statuses[i][0]);
        RegSetValueExW(sub, L"On", 0, REG_DWORD, (const BYTE *)&on, 4);
        RegCloseKey(sub);
    }
    RegCloseKey(account);
    return true;
}

static void RemoveFolder(const wchar_t *folder)
{
    wchar_t pattern[MAX_PATH], file[MAX_PATH];
    swprintf(pattern, MAX_PATH, L"%ls\\*", folder);
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(pattern, &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            swprintf(file, MAX_PATH, L"%ls\\%ls", folder, found.cFileName);
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileW(file);
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    RemoveDirectoryW(folder);
}

int wmain(int argc, wchar_t **argv)
{
    if (argc < 2) {
        fwprintf(stderr, L"usage: orbelan_startup_bench <path of Orbelan.exe> [rounds]\n");
        return 2;
    }
    AccountKeyPath(Icq, NULL, AccountPath, 160);
    int rounds = argc > 2 ? _wtoi(argv[2]) : 21;
    if (rounds < 3)
        rounds = 3;

    wchar_t temp[MAX_PATH], folder[MAX_PATH], exe[MAX_PATH], ini[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    swprintf(folder, MAX_PATH, L"%lsorbelan-startup-%lu", temp, GetCurrentProcessId());
    swprintf(exe, MAX_PATH, L"%ls\\Orbelan.exe", folder);
    swprintf(ini, MAX_PATH, L"%ls\\Data.ini", folder);
    if (!CreateDirectoryW(folder, NULL) || !CopyFileW(argv[1], exe, TRUE)) {
        fwprintf(stderr, L"cannot copy %ls into %ls\n", argv[1], folder);
        RemoveFolder(folder);
        return 1;
    }
    WritePrivateProfileStringW(L"ICQ", L"UIN", Icq, ini);
    WritePrivateProfileStringW(L"Infos", L"1", L"1", ini);
    WritePrivateProfileStringW(L"Infos", L"3", L"1", ini);
    if (!SeedAccount()) {
        fwprintf(stderr, L"cannot seed the account HKCU\\%ls (an account not made by this program?)\n",
                 AccountPath);
        RemoveFolder(folder);
        return 1;
    }

    // One round of each to warm up the file cache, then alternating rounds.
    std::vector<double> orbelanTimes, notepadTimes;
    SIZE_T orbelanPeak = 0, notepadPeak = 0;
    bool ok = true;
    for (int i = -1; i < rounds && ok; i++) {
        Started orbelan = Run(exe, folder, true);
        Started notepad = Run(Notepad, folder, false);
        ok = orbelan.window && orbelan.rows == SeededStatuses && notepad.window;
        if (i >= 0) {
            orbelanTimes.push_back(orbelan.seconds);
            notepadTimes.push_back(notepad.seconds);
            orbelanPeak = std::max(orbelanPeak, orbelan.peakWorkingSet);
            notepadPeak = std::max(notepadPeak, notepad.peakWorkingSet);
        }
    }

    if (ok) {
        // Each round starts both programs back to back, so that other work
        // on the machine slows a round's two starts alike: the ratio is the
        // median of the rounds' own ratios.
        std::vector<double> ratios;
        for (size_t i = 0; i < orbelanTimes.size(); i++)
            ratios.push_back(orbelanTimes[i] / notepadTimes[i]);
        printf("start until the main window is visible, %d rounds\n", rounds);
        printf("start-up: %7.1f ms, notepad.exe %7.1f ms (medians), ratio %.2f (target 1.20 or less)\n",
               Median(orbelanTimes) * 1e3, Median(notepadTimes) * 1e3, Median(ratios));
        HANDLE file = CreateFileW(exe, 0, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
        LARGE_INTEGER size = {};
        if (file != INVALID_HANDLE_VALUE) {
            GetFileSizeEx(file, &size);
            CloseHandle(file);
        }
        printf("Orbelan.exe: %lld bytes (%.1f KiB)\n", size.QuadPart, size.QuadPart / 1024.0);
        printf("peak working set with the window up: Orbelan %.0f KiB, notepad.exe %.0f KiB\n",
               orbelanPeak / 1024.0, notepadPeak / 1024.0);
    } else {
        printf("a main window did not come up within 20 s, Orbelan did not list the %d statuses, or a program "
               "did not end after closing\n", SeededStatuses);
    }

    RegDeleteTreeW(HKEY_CURRENT_USER, AccountPath);
    RemoveFolder(folder);
    return ok ? 0 : 1;
}

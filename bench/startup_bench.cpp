// Start-up time of Orbelan.exe, from CreateProcessW until its main window
// (the one holding the status list) is visible, against the same for the
// system's notepad.exe (the floor; Wine's own under Wine), printed as a
// ratio. Also prints the size of Orbelan.exe, the peak working set of both
// programs while their window is up (Orbelan's once its version check has
// ended), and how much of Orbelan's is the download machinery that the
// check loads (urlmon.dll and what it pulls in): under Wine a second copy
// of Orbelan is started too, one that Wine's settings keep from loading
// urlmon.dll, so that its check fails at once. ole32.dll stays: the common
// controls 6.0 load it as well.
// Last it lists the DLLs each program loads before its window shows (those
// it unloads again before then as well), as a debugger sees them load.
//   orbelan_startup_bench.exe <path of Orbelan.exe> [rounds] [earlier Orbelan.exe]
// With an earlier build's Orbelan.exe, that one is measured in the same
// rounds, beside the other, so that both are compared on the same Wine.
// Orbelan runs from a copy in a temporary folder, with a Data.ini naming a
// seeded account of five statuses and marking both start-up notices shown.
#include "tools/window_driver.h"

#include <commctrl.h>
#include <psapi.h>
#include <stdio.h>
#include <filesystem>
#include <algorithm>
#include <functional>
#include <vector>

#include "resource.h"
#include "store/status_store.h"
#include "timing.h"

static const wchar_t Icq[] = L"987650123";
// The seeded account's key, as the program names it.
static wchar_t AccountPath[160];
static const wchar_t Notepad[] = L"C:\\windows\\system32\\notepad.exe";
static const int SeededStatuses = 5;
// A value on the seeded account that tells it from a real one.
static const wchar_t BenchMark[] = L"OrbelanStartupBench";
static const double TargetRatio = 1.05;
// The copy without the download machinery, and the key where Wine reads
// how to load the libraries of a program of that name (an empty value:
// not at all).
static const wchar_t BareName[] = L"OrbelanNoDownload.exe";
static const wchar_t BareSettings[] = L"Software\\Wine\\AppDefaults\\OrbelanNoDownload.exe";
static const wchar_t BareOverrides[] = L"Software\\Wine\\AppDefaults\\OrbelanNoDownload.exe\\DllOverrides";
static const wchar_t DownloadMachinery[] = L"urlmon";

/* ---- One start ----------------------------------------------------------- */

struct Started {
    bool ok;               // the window came, and the program ended when closed
    double seconds;        // from CreateProcessW to the visible window
    SIZE_T peakWorkingSet; // bytes, read just before closing
    int rows;              // rows of Orbelan's status list
};

static bool IsOrbelan(HWND window)
{
    return GetDlgItem(window, IDC_STATUS_LIST) != NULL;
}

static bool HasClass(HWND window, const wchar_t *name)
{
    wchar_t found[32] = L"";
    GetClassNameW(window, found, 32);
    return lstrcmpiW(found, name) == 0;
}

// Starts exe in folder, waits (at most 20 s) until its
// main window is visible, reads its peak working set, closes the window
// and waits for the process to end. Orbelan's peak is read once its
// version check has ended (10 s at most): it logs in the current directory
// that it could not reach the home page, whose name never resolves.
static Started Run(const wchar_t *exe, const wchar_t *folder, const std::function<bool(HWND)> &isMain)
{
    Started result = {};
    std::wstring log = std::wstring(folder) + L"\\EVENTS.Kvt";
    DeleteFileW(log.c_str());
    Process program;
    double start = Now();
    if (!program.Start(exe, folder))
        return result;
    // A millisecond between looks.
    HWND window = program.WaitForWindow(isMain, 20000, 1);
    result.seconds = Now() - start;
    if (!window)
        return result;

    bool orbelan = IsOrbelan(window);
    for (int i = 0; i < 1000 && orbelan && GetFileAttributesW(log.c_str()) == INVALID_FILE_ATTRIBUTES; i++)
        Sleep(10);
    // The window has painted its list once the program waits for input.
    WaitForInputIdle(program.info.hProcess, 2000);
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(program.info.hProcess, &memory, sizeof memory))
        result.peakWorkingSet = memory.PeakWorkingSetSize;
    if (orbelan) {
        result.rows = (int)ReadListView(GetDlgItem(window, IDC_STATUS_LIST)).size();
        PostClick(window, IDCANCEL);
    } else {
        PostMessageW(window, WM_CLOSE, 0, 0);
    }
    result.ok = program.Wait(10000) != STILL_ACTIVE;
    return result;
}

/* ---- The DLLs loaded before the window shows ---------------------------- */

// The file name of a DLL the debugger was told of, lower case.
static std::wstring DllName(HANDLE file, HANDLE process, void *base)
{
    wchar_t path[MAX_PATH] = L"";
    if (!file || !GetFinalPathNameByHandleW(file, path, MAX_PATH, FILE_NAME_NORMALIZED))
        GetMappedFileNameW(process, base, path, MAX_PATH);
    const wchar_t *name = wcsrchr(path, L'\\');
    std::wstring result = name ? name + 1 : path;
    CharLowerW(&result[0]);
    return result;
}

// Starts exe in folder as a debugger would, and lists the DLLs it loads
// until its main window is visible, in the order they load; one unloaded
// again before then is marked so. Then lets the process go, closes its
// window and waits for it to end. Empty when the window did not come.
static std::wstring DllsBeforeWindow(const wchar_t *exe, const wchar_t *folder,
                                     const std::function<bool(HWND)> &isMain)
{
    Process program;
    if (!program.Start(exe, folder, L"", DEBUG_ONLY_THIS_PROCESS))
        return L"";
    std::vector<std::pair<void *, std::wstring>> loaded; // base, then name; an empty base: unloaded
    HWND window = NULL;
    bool ended = false;
    for (DWORD start = GetTickCount(); !window && !ended && GetTickCount() - start < 20000;) {
        DEBUG_EVENT event = {};
        if (WaitForDebugEvent(&event, 1)) {
            DWORD answer = DBG_CONTINUE;
            switch (event.dwDebugEventCode) {
            case CREATE_PROCESS_DEBUG_EVENT:
                if (event.u.CreateProcessInfo.hFile)
                    CloseHandle(event.u.CreateProcessInfo.hFile);
                break;
            case LOAD_DLL_DEBUG_EVENT:
                loaded.emplace_back(event.u.LoadDll.lpBaseOfDll,
                                    DllName(event.u.LoadDll.hFile, program.info.hProcess, event.u.LoadDll.lpBaseOfDll));
                if (event.u.LoadDll.hFile)
                    CloseHandle(event.u.LoadDll.hFile);
                break;
            case UNLOAD_DLL_DEBUG_EVENT:
                for (auto &dll : loaded)
                    if (dll.first == event.u.UnloadDll.lpBaseOfDll)
                        dll.first = NULL;
                break;
            case EXCEPTION_DEBUG_EVENT:
                // The first breakpoint is the debugger's; everything else
                // goes to the program as it would without one.
                if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT)
                    answer = DBG_EXCEPTION_NOT_HANDLED;
                break;
            case EXIT_PROCESS_DEBUG_EVENT:
                ended = true;
                break;
            }
            ContinueDebugEvent(event.dwProcessId, event.dwThreadId, answer);
        }
        for (HWND candidate : program.Windows())
            if (IsWindowEnabled(candidate) && isMain(candidate))
                window = candidate;
    }
    DebugSetProcessKillOnExit(FALSE);
    DebugActiveProcessStop(program.info.dwProcessId);
    if (!window)
        return L"";
    if (IsOrbelan(window))
        PostClick(window, IDCANCEL);
    else
        PostMessageW(window, WM_CLOSE, 0, 0);
    program.Wait(10000);
    std::wstring list;
    for (const auto &dll : loaded)
        list += (list.empty() ? L"" : L", ") + dll.second + (dll.first ? L"" : L" (unloaded again)");
    return list;
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

// Under Wine: bareExe, a copy of exe that cannot load the download machinery.
static bool MakeBareCopy(const wchar_t *exe, const wchar_t *bareExe)
{
    HKEY overrides;
    if (!CopyFileW(exe, bareExe, TRUE) || RegCreateKeyExW(HKEY_CURRENT_USER, BareOverrides, 0, NULL, 0, KEY_SET_VALUE,
                                                          NULL, &overrides, NULL) != ERROR_SUCCESS)
        return false;
    const wchar_t disabled[] = L"";
    bool set = RegSetValueExW(overrides, DownloadMachinery, 0, REG_SZ, (const BYTE *)disabled, sizeof disabled) ==
               ERROR_SUCCESS;
    RegCloseKey(overrides);
    return set;
}

static double KiB(SIZE_T bytes)
{
    return bytes / 1024.0;
}

// One build of Orbelan as measured: its copy, the copy that cannot load
// the download machinery, and what the rounds gave.
struct Build {
    const char *name;
    wchar_t folder[MAX_PATH], exe[MAX_PATH], bareExe[MAX_PATH];
    bool bare;
    std::vector<double> times, ratios, peaks, barePeaks;
};

// Copies the build's Orbelan.exe into folder, with Data.ini beside it.
static bool PrepareBuild(Build &build, const wchar_t *from, const wchar_t *folder, bool wine)
{
    wcscpy(build.folder, folder);
    swprintf(build.exe, MAX_PATH, L"%ls\\Orbelan.exe", folder);
    swprintf(build.bareExe, MAX_PATH, L"%ls\\%ls", folder, BareName);
    wchar_t ini[MAX_PATH];
    swprintf(ini, MAX_PATH, L"%ls\\Data.ini", folder);
    if (!CreateDirectoryW(folder, NULL) || !CopyFileW(from, build.exe, TRUE))
        return false;
    WritePrivateProfileStringW(L"ICQ", L"UIN", Icq, ini);
    WritePrivateProfileStringW(L"Infos", L"1", L"1", ini);
    WritePrivateProfileStringW(L"Infos", L"3", L"1", ini);
    build.bare = wine && MakeBareCopy(build.exe, build.bareExe);
    return true;
}

int wmain(int argc, wchar_t **argv)
{
    if (argc < 2) {
        fwprintf(stderr, L"usage: orbelan_startup_bench <path of Orbelan.exe> [rounds] [earlier Orbelan.exe]\n");
        return 2;
    }
    AccountKeyPath(Icq, NULL, AccountPath, 160);
    int rounds = argc > 2 ? _wtoi(argv[2]) : 21;
    if (rounds < 3)
        rounds = 3;
    bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != NULL;

    wchar_t temp[MAX_PATH], folder[MAX_PATH], earlierFolder[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    swprintf(folder, MAX_PATH, L"%lsorbelan-startup-%lu", temp, GetCurrentProcessId());
    swprintf(earlierFolder, MAX_PATH, L"%ls\\earlier", folder);
    std::vector<Build> builds(argc > 3 ? 2 : 1);
    builds[0].name = "Orbelan";
    std::error_code ignored; // what cannot be removed stays in the temporary folder
    bool prepared = PrepareBuild(builds[0], argv[1], folder, wine);
    if (prepared && builds.size() > 1) {
        builds[1].name = "the earlier build";
        prepared = PrepareBuild(builds[1], argv[3], earlierFolder, wine);
    }
    if (!prepared) {
        fwprintf(stderr, L"cannot copy %ls into %ls\n", builds.size() > 1 ? argv[3] : argv[1], folder);
        std::filesystem::remove_all(folder, ignored);
        return 1;
    }
    if (!SeedAccount()) {
        fwprintf(stderr, L"cannot make the account HKCU\\%ls (an account not made by this program?)\n",
                 AccountPath);
        std::filesystem::remove_all(folder, ignored);
        return 1;
    }

    // One round of each to warm up the file cache, then the rounds. Each
    // round starts every program once; the order turns from round to round
    // (with two builds, through all six orders of the three programs), so
    // that none always starts first, or after the same one.
    auto isNotepad = [](HWND window) { return HasClass(window, L"Notepad"); };
    std::vector<double> notepadTimes, notepadPeaks; // seconds and KiB
    bool ok = true;
    for (int i = -1; i < rounds && ok; i++) {
        std::vector<Started> started(builds.size());
        Started notepad = {};
        // The programs in this round's order: the builds by index, notepad
        // as the one past them.
        std::vector<size_t> order;
        for (size_t b = 0; b <= builds.size(); b++)
            order.push_back(b);
        int turn = i < 0 ? 0 : i;
        std::rotate(order.begin(), order.begin() + turn % order.size(), order.end());
        if (turn / order.size() % 2)
            std::reverse(order.begin(), order.end());
        for (size_t which : order) {
            if (which == builds.size())
                notepad = Run(Notepad, folder, isNotepad);
            else
                started[which] = Run(builds[which].exe, builds[which].folder, IsOrbelan);
        }
        ok = notepad.ok;
        if (!ok)
            fprintf(stderr, "round %d: notepad.exe\n", i);
        for (size_t b = 0; b < builds.size() && ok; b++) {
            ok = started[b].ok && started[b].rows == SeededStatuses;
            Started bare = {};
            if (ok && builds[b].bare) {
                bare = Run(builds[b].bareExe, builds[b].folder, IsOrbelan);
                ok = bare.ok && bare.rows == SeededStatuses;
            }
            if (!ok)
                fprintf(stderr, "round %d: %s (rows %d, without the download machinery %d)\n", i, builds[b].name,
                        started[b].rows, bare.rows);
            if (i >= 0) {
                builds[b].times.push_back(started[b].seconds);
                builds[b].ratios.push_back(started[b].seconds / notepad.seconds);
                builds[b].peaks.push_back(KiB(started[b].peakWorkingSet));
                builds[b].barePeaks.push_back(KiB(bare.peakWorkingSet));
            }
        }
        if (i >= 0) {
            notepadTimes.push_back(notepad.seconds);
            notepadPeaks.push_back(KiB(notepad.peakWorkingSet));
        }
    }

    if (ok) {
        // Other work on the machine slows a round's starts alike: the ratio
        // is the median of the rounds' own ratios.
        printf("start until the main window is visible, %d rounds\n", rounds);
        printf("start-up: %7.1f ms, notepad.exe %7.1f ms (medians), ratio %.2f (target %.2f or less)\n",
               Median(builds[0].times) * 1e3, Median(notepadTimes) * 1e3, Median(builds[0].ratios), TargetRatio);
        for (size_t b = 1; b < builds.size(); b++)
            printf("  %s, in the same rounds: %7.1f ms, ratio %.2f\n", builds[b].name, Median(builds[b].times) * 1e3,
                   Median(builds[b].ratios));
        printf("peak working set with the window up, Orbelan's after its version check (medians): notepad.exe "
               "%.0f KiB\n",
               Median(notepadPeaks));
        for (const Build &build : builds) {
            std::uintmax_t size = std::filesystem::file_size(build.exe, ignored);
            double peak = Median(build.peaks);
            printf("  %s: %.0f KiB (Orbelan.exe of %llu bytes, %.1f KiB)\n", build.name, peak,
                   (unsigned long long)size, size / 1024.0);
            if (build.bare) {
                double bare = Median(build.barePeaks);
                printf("    of it, the download machinery of its version check (urlmon.dll and what it pulls in) "
                       "%.0f KiB (%.0f%%), the rest %.0f KiB (a copy that cannot load urlmon.dll)\n",
                       peak - bare, 100 * (peak - bare) / peak, bare);
            } else {
                printf("    the share of the version check's download machinery is measured under Wine only\n");
            }
        }
        printf("DLLs loaded before the main window shows, in the order they load:\n");
        for (const Build &build : builds)
            printf("  %s: %ls\n", build.name, DllsBeforeWindow(build.exe, build.folder, IsOrbelan).c_str());
        printf("  notepad.exe: %ls\n", DllsBeforeWindow(Notepad, folder, isNotepad).c_str());
    } else {
        printf("a main window did not come up within 20 s, Orbelan did not list the %d statuses, or a program "
               "did not end after closing\n",
               SeededStatuses);
    }

    RegDeleteTreeW(HKEY_CURRENT_USER, AccountPath);
    if (wine)
        RegDeleteTreeW(HKEY_CURRENT_USER, BareSettings);
    std::filesystem::remove_all(folder, ignored);
    return ok ? 0 : 1;
}

// Start-up time of Orbelan.exe, from CreateProcessW until its main window
// (the one holding the status list) is visible, against the same for the
// system's notepad.exe (the floor; Wine's own under Wine), printed as a
// ratio. Also prints the size of Orbelan.exe, the peak working set of both
// programs while their window is up (Orbelan's once its version check has
// ended), and how much of Orbelan's is the download machinery that the
// check loads (urlmon.dll, ole32.dll and what they pull in). That is
// measured on a probe, this program started with --probe <level>, which
// only shows a window: without the machinery, with it loaded and COM
// started, and after one download tried.
//   orbelan_startup_bench.exe <path of Orbelan.exe> [rounds]
// Orbelan runs from a copy in a temporary folder, with a Data.ini naming a
// seeded account of five statuses and marking both start-up notices shown.
#include "tools/window_driver.h"

#include <commctrl.h>
#include <objbase.h>
#include <psapi.h>
#include <stdio.h>
#include <urlmon.h>
#include <filesystem>
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

/* ---- The probe ----------------------------------------------------------- */

static const wchar_t ProbeClass[] = L"OrbelanStartupProbe";
// How much of the download machinery a probe takes on.
enum ProbeLevel { WindowAlone, MachineryLoaded, DownloadTried, ProbeLevels };
static const wchar_t *const ProbeArguments[ProbeLevels] = {L"--probe 0", L"--probe 1", L"--probe 2"};
// A port of this machine that nothing listens on: the download fails at
// once, as the version check's does when its server cannot be reached.
static const wchar_t RefusedUrl[] = L"http://127.0.0.1:1/version.txt";

static LRESULT CALLBACK ProbeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY)
        PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

// A function of a system library, loaded by full path as Orbelan does;
// null when it cannot be had.
static FARPROC SystemFunction(const wchar_t *library, const char *name)
{
    wchar_t path[MAX_PATH];
    UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length + 1 + wcslen(library) >= MAX_PATH)
        return NULL;
    swprintf(path + length, MAX_PATH - length, L"\\%ls", library);
    HMODULE module = LoadLibraryW(path);
    return module ? GetProcAddress(module, name) : NULL;
}

template <class Function>
static Function SystemFunction(const wchar_t *library, const char *name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(SystemFunction(library, name)));
}

// Takes on the download machinery up to level as Orbelan's version check
// does, then shows a window until it is closed. Exit code 1 when the
// machinery cannot be loaded.
static int Probe(int level)
{
    if (level >= MachineryLoaded) {
        auto join = SystemFunction<decltype(&CoInitializeEx)>(L"ole32.dll", "CoInitializeEx");
        auto download = SystemFunction<decltype(&URLDownloadToFileW)>(L"urlmon.dll", "URLDownloadToFileW");
        if (!join || !download || FAILED(join(NULL, COINIT_APARTMENTTHREADED)))
            return 1;
        // It fails, and saves nothing.
        if (level >= DownloadTried)
            download(NULL, RefusedUrl, L"version.txt", 0, NULL);
    }
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = ProbeProc;
    windowClass.hInstance = GetModuleHandleW(NULL);
    windowClass.lpszClassName = ProbeClass;
    RegisterClassW(&windowClass);
    CreateWindowW(ProbeClass, L"probe", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, NULL, NULL,
                  windowClass.hInstance, NULL);
    MSG message;
    while (GetMessageW(&message, NULL, 0, 0) > 0)
        DispatchMessageW(&message);
    return 0;
}

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

// Starts exe with the arguments in folder, waits (at most 20 s) until its
// main window is visible, reads its peak working set, closes the window
// and waits for the process to end. Orbelan's peak is read once its
// version check has ended (10 s at most): it logs in the current directory
// that it could not reach the home page, whose name never resolves.
static Started Run(const wchar_t *exe, const wchar_t *arguments, const wchar_t *folder,
                   const std::function<bool(HWND)> &isMain)
{
    Started result = {};
    std::wstring log = std::wstring(folder) + L"\\EVENTS.Kvt";
    DeleteFileW(log.c_str());
    Process program;
    double start = Now();
    if (!program.Start(exe, folder, arguments))
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

static double KiB(SIZE_T bytes)
{
    return bytes / 1024.0;
}

int wmain(int argc, wchar_t **argv)
{
    if (argc == 3 && !wcscmp(argv[1], L"--probe"))
        return Probe(_wtoi(argv[2]));
    if (argc < 2) {
        fwprintf(stderr, L"usage: orbelan_startup_bench <path of Orbelan.exe> [rounds]\n");
        return 2;
    }
    AccountKeyPath(Icq, NULL, AccountPath, 160);
    int rounds = argc > 2 ? _wtoi(argv[2]) : 21;
    if (rounds < 3)
        rounds = 3;

    wchar_t self[MAX_PATH], temp[MAX_PATH], folder[MAX_PATH], exe[MAX_PATH], ini[MAX_PATH];
    GetModuleFileNameW(NULL, self, MAX_PATH);
    GetTempPathW(MAX_PATH, temp);
    swprintf(folder, MAX_PATH, L"%lsorbelan-startup-%lu", temp, GetCurrentProcessId());
    swprintf(exe, MAX_PATH, L"%ls\\Orbelan.exe", folder);
    swprintf(ini, MAX_PATH, L"%ls\\Data.ini", folder);
    std::error_code ignored; // what cannot be removed stays in the temporary folder
    if (!CreateDirectoryW(folder, NULL) || !CopyFileW(argv[1], exe, TRUE)) {
        fwprintf(stderr, L"cannot copy %ls into %ls\n", argv[1], folder);
        std::filesystem::remove_all(folder, ignored);
        return 1;
    }
    WritePrivateProfileStringW(L"ICQ", L"UIN", Icq, ini);
    WritePrivateProfileStringW(L"Infos", L"1", L"1", ini);
    WritePrivateProfileStringW(L"Infos", L"3", L"1", ini);
    if (!SeedAccount()) {
        fwprintf(stderr, L"cannot seed the account HKCU\\%ls (an account not made by this program?)\n",
                 AccountPath);
        std::filesystem::remove_all(folder, ignored);
        return 1;
    }

    // One round of each to warm up the file cache, then alternating rounds.
    auto isNotepad = [](HWND window) { return HasClass(window, L"Notepad"); };
    auto isProbe = [](HWND window) { return HasClass(window, ProbeClass); };
    // Times in seconds, peak working sets in KiB, one of each a round.
    std::vector<double> orbelanTimes, notepadTimes, orbelanPeaks, notepadPeaks, probePeaks[ProbeLevels];
    bool ok = true;
    for (int i = -1; i < rounds && ok; i++) {
        Started orbelan = Run(exe, L"", folder, IsOrbelan);
        Started notepad = Run(Notepad, L"", folder, isNotepad);
        ok = orbelan.ok && orbelan.rows == SeededStatuses && notepad.ok;
        if (i >= 0) {
            orbelanTimes.push_back(orbelan.seconds);
            notepadTimes.push_back(notepad.seconds);
            orbelanPeaks.push_back(KiB(orbelan.peakWorkingSet));
            notepadPeaks.push_back(KiB(notepad.peakWorkingSet));
        }
        for (int level = 0; level < ProbeLevels && ok; level++) {
            Started probe = Run(self, ProbeArguments[level], folder, isProbe);
            ok = probe.ok;
            if (i >= 0)
                probePeaks[level].push_back(KiB(probe.peakWorkingSet));
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
        printf("start-up: %7.1f ms, notepad.exe %7.1f ms (medians), ratio %.2f (target %.2f or less)\n",
               Median(orbelanTimes) * 1e3, Median(notepadTimes) * 1e3, Median(ratios), TargetRatio);
        std::uintmax_t size = std::filesystem::file_size(exe, ignored);
        printf("Orbelan.exe: %llu bytes (%.1f KiB)\n", (unsigned long long)size, size / 1024.0);
        double orbelanPeak = Median(orbelanPeaks), probePeak[ProbeLevels];
        for (int level = 0; level < ProbeLevels; level++)
            probePeak[level] = Median(probePeaks[level]);
        printf("peak working set with the window up, Orbelan's after its version check (medians): Orbelan %.0f KiB, "
               "notepad.exe %.0f KiB\n",
               orbelanPeak, Median(notepadPeaks));
        double loaded = probePeak[MachineryLoaded] - probePeak[WindowAlone];
        double downloaded = probePeak[DownloadTried] - probePeak[MachineryLoaded];
        double machinery = loaded + downloaded;
        printf("  Orbelan's: a bare window %.0f KiB, the download machinery of its version check %.0f KiB (%.0f%%), "
               "the rest %.0f KiB\n",
               probePeak[WindowAlone], machinery, 100 * machinery / orbelanPeak,
               orbelanPeak - probePeak[WindowAlone] - machinery);
        printf("  the machinery: urlmon.dll and ole32.dll loaded and COM started %.0f KiB, one download tried "
               "%.0f KiB (a program that only shows a window, with and without them)\n",
               loaded, downloaded);
    } else {
        printf("a window did not come up within 20 s, Orbelan did not list the %d statuses, a program did not "
               "end after closing, or the probe could not load the download machinery\n",
               SeededStatuses);
    }

    RegDeleteTreeW(HKEY_CURRENT_USER, AccountPath);
    std::filesystem::remove_all(folder, ignored);
    return ok ? 0 : 1;
}

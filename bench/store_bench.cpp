// Load and save of 32 statuses with the longest texts, each timed against
// the bare registry calls it makes (the floor), and against reg.exe
// importing the same statuses from a .reg file, printed as ratios.
//   orbelan_store_bench.exe [rounds]
// Runs on a scratch key (HKEY_CURRENT_USER is redirected there; the .reg
// file names the same key by its real path).
#include "app/main_dialog.h"
#include "base/base.h"
#include "resource.h"
#include "store/status_store.h"
#include "store/status_store.h"
#include "timing.h"

#include <stdio.h>
#include <algorithm>
#include <string>
#include <vector>

static const wchar_t Icq[] = L"123456";
// The benchmark account's status list, as the program names it.
static wchar_t ListPath[160];

// Times floor and work in alternation, after a few rounds to warm up, so
// that both see the same state of the machine; returns the two medians.
// prepare runs untimed before each work.
template <class Floor, class Prepare, class Work>
static void Compare(int rounds, Floor floor, Prepare prepare, Work work, double *floorTime, double *workTime)
{
    std::vector<double> floors, works;
    for (int i = -5; i < rounds; i++) {
        double start = Now();
        floor();
        double middle = Now();
        prepare();
        double workStart = Now();
        work();
        double end = Now();
        if (i >= 0) {
            floors.push_back(middle - start);
            works.push_back(end - workStart);
        }
    }
    *floorTime = Median(floors);
    *workTime = Median(works);
}

// The registry calls a save makes, with the texts already in UTF-8: its
// subkeys hold their four values only, so it counts them and deletes none.
static void BareSave(const std::vector<std::string> &names, const std::vector<std::string> &texts)
{
    HKEY list;
    RegOpenKeyExW(HKEY_CURRENT_USER, ListPath, 0, KEY_READ | KEY_WRITE, &list);
    for (DWORD i = 0; i < 32; i++) {
        wchar_t name[8];
        swprintf(name, 8, L"%lu", i + 1);
        HKEY sub;
        RegCreateKeyExW(list, name, 0, NULL, 0, KEY_WRITE | KEY_QUERY_VALUE, NULL, &sub, NULL);
        DWORD line = i + 1, on = 1;
        RegSetValueExW(sub, L"Description", 0, REG_BINARY, (const BYTE *)texts[i].data(), (DWORD)texts[i].size());
        RegSetValueExW(sub, L"LineNumber", 0, REG_DWORD, (const BYTE *)&line, 4);
        RegSetValueExW(sub, L"Name", 0, REG_BINARY, (const BYTE *)names[i].data(), (DWORD)names[i].size());
        RegSetValueExW(sub, L"On", 0, REG_DWORD, (const BYTE *)&on, 4);
        DWORD values;
        RegQueryInfoKeyW(sub, NULL, NULL, NULL, NULL, NULL, NULL, &values, NULL, NULL, NULL, NULL);
        RegCloseKey(sub);
    }
    RegCloseKey(list);
}

// The registry calls a load makes, into buffers of the same sizes.
static void BareLoad()
{
    static char text[8192], name[2048];
    HKEY list;
    RegOpenKeyExW(HKEY_CURRENT_USER, ListPath, 0, KEY_READ, &list);
    for (int n = 1; n <= 32; n++) {
        wchar_t key[8];
        swprintf(key, 8, L"%d", n);
        HKEY sub;
        if (RegOpenKeyExW(list, key, 0, KEY_READ, &sub) != ERROR_SUCCESS)
            continue;
        DWORD size = sizeof text, number;
        RegQueryValueExA(sub, "Description", NULL, NULL, (BYTE *)text, &size);
        size = 4;
        RegQueryValueExA(sub, "LineNumber", NULL, NULL, (BYTE *)&number, &size);
        size = sizeof name;
        RegQueryValueExA(sub, "Name", NULL, NULL, (BYTE *)name, &size);
        size = 4;
        RegQueryValueExA(sub, "On", NULL, NULL, (BYTE *)&number, &size);
        RegCloseKey(sub);
    }
    RegCloseKey(list);
}

static void AppendHex(std::wstring &out, const wchar_t *name, const std::string &bytes)
{
    out += L"\"";
    out += name;
    out += L"\"=hex:";
    for (size_t i = 0; i < bytes.size(); i++) {
        wchar_t hex[8];
        swprintf(hex, 8, i + 1 < bytes.size() ? L"%02x," : L"%02x", (unsigned char)bytes[i]);
        out += hex;
        // Lines of 25 bytes, continued as regedit writes them.
        if (i % 25 == 24 && i + 1 < bytes.size())
            out += L"\\\r\n  ";
    }
    out += L"\r\n";
}

// Writes the 32 statuses as a .reg file for the list key at listPath (below
// HKEY_CURRENT_USER), UTF-16 with a byte-order mark as regedit saves it.
static bool WriteRegFile(const wchar_t *file, const wchar_t *listPath, const std::vector<std::string> &names,
                         const std::vector<std::string> &texts)
{
    std::wstring out = L"\xFEFFWindows Registry Editor Version 5.00\r\n\r\n";
    for (int i = 0; i < 32; i++) {
        wchar_t line[256];
        swprintf(line, 256, L"[HKEY_CURRENT_USER\\%ls\\%d]\r\n", listPath, i + 1);
        out += line;
        AppendHex(out, L"Description", texts[i]);
        swprintf(line, 256, L"\"LineNumber\"=dword:%08x\r\n", i + 1);
        out += line;
        AppendHex(out, L"Name", names[i]);
        out += L"\"On\"=dword:00000001\r\n\r\n";
    }
    HANDLE handle = CreateFileW(file, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    DWORD size = (DWORD)(out.size() * sizeof(wchar_t)), written = 0;
    BOOL ok = WriteFile(handle, out.data(), size, &written, NULL) && written == size;
    CloseHandle(handle);
    return ok;
}

// Runs "reg.exe import <file>" with its output discarded; true when it
// exits with 0.
static bool RegImport(const wchar_t *file)
{
    static const wchar_t Reg[] = L"C:\\windows\\system32\\reg.exe";
    wchar_t command[MAX_PATH + 64];
    swprintf(command, MAX_PATH + 64, L"reg.exe import \"%ls\"", file);
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
    HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                             NULL);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = nul;
    startup.hStdError = nul;
    PROCESS_INFORMATION info = {};
    DWORD code = 1;
    if (CreateProcessW(Reg, command, NULL, NULL, TRUE, 0, NULL, NULL, &startup, &info)) {
        WaitForSingleObject(info.hProcess, INFINITE);
        GetExitCodeProcess(info.hProcess, &code);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    if (nul != INVALID_HANDLE_VALUE)
        CloseHandle(nul);
    return code == 0;
}

static bool SameAsLoaded(const StatusTable &records)
{
    if (StatusList.Count != records.Count)
        return false;
    for (int i = 0; i < records.Count; i++) {
        const StatusRecord &a = StatusList.Records[i], &b = records.Records[i];
        if (a.IconIndex != b.IconIndex || a.On != b.On || wcscmp(a.Name, b.Name) ||
            wcscmp(a.Description, b.Description))
            return false;
    }
    return true;
}

// Times reg import of the statuses, SaveAll and LoadAll in turn, each from
// the same registry state (the 32 statuses, rewritten untimed); returns the
// three medians, or false when reg.exe failed or its first import, into an
// empty list key, did not bring back exactly the statuses.
static bool CompareWithImport(int rounds, const wchar_t *scratchPath, const StatusTable &records,
                              const std::vector<std::string> &names, const std::vector<std::string> &texts,
                              double *importTime, double *saveTime, double *loadTime)
{
    wchar_t listPath[160], regFile[MAX_PATH];
    swprintf(listPath, 160, L"%ls\\%ls", scratchPath, ListPath);
    DWORD length = GetTempPathW(MAX_PATH, regFile);
    swprintf(regFile + length, MAX_PATH - length, L"orbelan-bench-%lu.reg", GetCurrentProcessId());

    RegDeleteTreeW(HKEY_CURRENT_USER, ListPath);
    HKEY list;
    RegCreateKeyExW(HKEY_CURRENT_USER, ListPath, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &list, NULL);
    RegCloseKey(list);
    bool ok = WriteRegFile(regFile, listPath, names, texts) && RegImport(regFile);
    LoadAll();
    ok = ok && SameAsLoaded(records);

    std::vector<double> imports, saves, loads;
    for (int i = -1; i < rounds && ok; i++) {
        BareSave(names, texts);
        double start = Now();
        ok = RegImport(regFile);
        double end = Now();
        BareSave(names, texts);
        StatusList = records;
        double saveStart = Now();
        SaveAll();
        double saveEnd = Now();
        LoadAll();
        double loadEnd = Now();
        if (i >= 0) {
            imports.push_back(end - start);
            saves.push_back(saveEnd - saveStart);
            loads.push_back(loadEnd - saveEnd);
        }
    }
    DeleteFileW(regFile);
    if (ok) {
        *importTime = Median(imports);
        *saveTime = Median(saves);
        *loadTime = Median(loads);
    }
    return ok;
}

static INT_PTR CALLBACK Passive(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

int wmain(int argc, wchar_t **argv)
{
    AccountKeyPath(Icq, L"CustomStatusList", ListPath, 160);
    int rounds = argc > 1 ? _wtoi(argv[1]) : 60;
    if (rounds < 3)
        rounds = 3;

    HKEY scratch;
    wchar_t scratchPath[64];
    swprintf(scratchPath, 64, L"Software\\OrbelanBench\\%lu", GetCurrentProcessId());
    RegCreateKeyExW(HKEY_CURRENT_USER, scratchPath, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &scratch, NULL);
    RegOverridePredefKey(HKEY_CURRENT_USER, scratch);
    HKEY list;
    RegCreateKeyExW(HKEY_CURRENT_USER, ListPath, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &list, NULL);
    RegCloseKey(list);

    // The main window the store reads the ICQ# from and fills.
    MainWindowHandle = CreateDialogParamW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDD_MAIN), NULL, Passive, 0);
    SetDlgItemTextW(MainWindowHandle, IDC_ICQ_NUMBER, Icq);
    HWND view = GetDlgItem(MainWindowHandle, IDC_STATUS_LIST);
    LVCOLUMNW column = {};
    column.mask = LVCF_WIDTH;
    column.cx = 200;
    SendMessageW(view, LVM_INSERTCOLUMNW, 0, (LPARAM)&column);
    SendMessageW(view, LVM_INSERTCOLUMNW, 1, (LPARAM)&column);
    SendMessageW(view, LVM_SETIMAGELIST, LVSIL_SMALL, (LPARAM)StatusImageList);

    // 32 statuses with the longest texts: 1023 and 4095 Czech letters.
    static StatusTable records;
    records.Count = 32;
    std::vector<std::string> names(32), texts(32);
    for (int i = 0; i < 32; i++) {
        StatusRecord &record = records.Records[i];
        record = StatusRecord{};
        record.IconIndex = i + 1;
        record.On = 1;
        std::wstring name(1023, L'\x017E'), text(4095, L'\x00E1');
        name[0] = (wchar_t)(L'A' + i);
        CopyText(record.Name, 1024, name.c_str());
        CopyText(record.Description, 4096, text.c_str());
        char bytes[8192];
        names[i].assign(bytes, TextToUtf8(record.Name, bytes, sizeof bytes));
        texts[i].assign(bytes, TextToUtf8(record.Description, bytes, sizeof bytes));
    }

    double saveFloor, save, loadFloor, load;
    Compare(rounds, [&] { BareSave(names, texts); }, [&] { StatusList = records; }, [] { SaveAll(); }, &saveFloor,
            &save);
    Compare(rounds, [] { BareLoad(); }, [] {}, [] { LoadAll(); }, &loadFloor, &load);
    bool loaded = SameAsLoaded(records);
    // The load ends by refilling the list view, which is no registry work:
    // timed on its own to show what is left.
    std::vector<double> fills;
    for (int i = -5; i < rounds; i++) {
        double start = Now();
        FillStatusListView();
        if (i >= 0)
            fills.push_back(Now() - start);
    }
    double fill = Median(fills);

    // reg.exe takes tens of milliseconds a run: fewer rounds of it.
    int importRounds = std::max(3, rounds / 4);
    double importTime = 0, importSave = 0, importLoad = 0;
    bool imported = CompareWithImport(importRounds, scratchPath, records, names, texts, &importTime,
                                      &importSave, &importLoad);

    printf("32 statuses of 1023 + 4095 characters, median of %d rounds\n", rounds);
    printf("save: %8.3f ms, bare registry calls %8.3f ms, ratio %.2f (target 1.50 or less)\n", save * 1e3,
           saveFloor * 1e3, save / saveFloor);
    printf("load: %8.3f ms, bare registry calls %8.3f ms, ratio %.2f (target 1.50 or less)\n", load * 1e3,
           loadFloor * 1e3, load / loadFloor);
    printf("      of which refilling the list view %.3f ms; the rest against the floor, ratio %.2f\n", fill * 1e3,
           (load - fill) / loadFloor);
    if (imported) {
        printf("the same against reg.exe importing them from a .reg file, median of %d rounds\n", importRounds);
        printf("save: %8.3f ms, reg import %8.3f ms, ratio %.2f\n", importSave * 1e3, importTime * 1e3,
               importSave / importTime);
        printf("load: %8.3f ms, reg import %8.3f ms, ratio %.2f\n", importLoad * 1e3, importTime * 1e3,
               importLoad / importTime);
    } else {
        printf("reg.exe import failed or did not give the statuses back\n");
    }
    if (!loaded)
        printf("the load did not give back what was saved\n");

    DestroyWindow(MainWindowHandle);
    RegOverridePredefKey(HKEY_CURRENT_USER, NULL);
    RegCloseKey(scratch);
    RegDeleteTreeW(HKEY_CURRENT_USER, scratchPath);
    return loaded && imported ? 0 : 1;
}

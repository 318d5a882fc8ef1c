// Load and save of 32 statuses with the longest texts, each timed against
// its floor, printed as ratios: the floor makes the calls the load or save
// makes, in this process, and nothing else (the registry calls, the system's
// UTF-8 conversions and, for the load, the refill of the list view; the
// save first compares, in bytes, what it would write with what is stored). Both are also
// compared with reg.exe importing the same statuses from a .reg file. Then
// the export and the import of the same statuses as a registry file against
// the save and the load, and a save that backs up what it replaces against
// one that has nothing to back up.
//   orbelan_store_bench.exe [rounds]
// Runs on a scratch key (HKEY_CURRENT_USER is redirected there; the .reg
// file names the same key by its real path).
#include "app/main_dialog.h"
#include "resource.h"
#include "store/status_store.h"
#include "timing.h"

#include <stdio.h>
#include <string.h>
#include <algorithm>
#include <string>
#include <vector>

static const wchar_t Icq[] = L"123456";
// The benchmark account's status list, as the program names it.
static wchar_t ListPath[160];
static const double Target = 1.10;
// The registry file's export and import against the save and the load, and
// a save with a backup against one without.
static const double FileTarget = 2.0;

// Times floor and work in alternation, after a few rounds to warm up, so
// that both see the same state of the machine, each of them first in every
// other round, so that both follow the other equally often; returns the two
// medians. prepare runs untimed before each work.
template <class Floor, class Prepare, class Work>
static void Compare(int rounds, Floor floor, Prepare prepare, Work work, double *floorTime, double *workTime)
{
    std::vector<double> floors, works;
    for (int i = -6; i < rounds; i++) {
        bool floorFirst = (i & 1) == 0;
        for (int turn = 0; turn < 2; turn++) {
            if ((turn == 0) == floorFirst) {
                double start = Now();
                floor();
                if (i >= 0)
                    floors.push_back(Now() - start);
            } else {
                prepare();
                double start = Now();
                work();
                if (i >= 0)
                    works.push_back(Now() - start);
            }
        }
    }
    *floorTime = Median(floors);
    *workTime = Median(works);
}

// The median time of f over rounds, after a few rounds to warm up.
template <class F>
static double Time(int rounds, F f)
{
    std::vector<double> times;
    for (int i = -5; i < rounds; i++) {
        double start = Now();
        f();
        if (i >= 0)
            times.push_back(Now() - start);
    }
    return Median(times);
}

// The system's conversion of a terminated text to UTF-8 into bytes; returns
// the bytes without the terminator (the texts here always fit).
static DWORD ToUtf8(const wchar_t *text, char *bytes, DWORD size)
{
    int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes, (int)size, NULL, NULL);
    return length > 0 ? (DWORD)length - 1 : 0;
}

// The save's floor: for each record, create its subkey, convert and set its
// four values, count the values (a subkey with more than four has stray
// ones removed; here there are none), close it; then delete the subkeys of
// the icons no record uses.
// Whether FloorCompare found every status as the save writes it.
static bool SameBytes;

static void FloorSave(const StatusTable &list, char (*names)[TextValueSize] = nullptr,
                      char (*texts)[TextValueSize] = nullptr, const DWORD *nameLengths = nullptr,
                      const DWORD *textLengths = nullptr)
{
    static char bytes[TextValueSize];
    HKEY key;
    RegOpenKeyExW(HKEY_CURRENT_USER, ListPath, 0, KEY_READ | KEY_WRITE, &key);
    bool used[MaxStatuses + 1] = {};
    for (int i = 0; i < list.Count; i++) {
        const StatusRecord &record = list.Records[i];
        wchar_t name[8];
        swprintf(name, ARRAYSIZE(name), L"%d", record.IconIndex);
        HKEY sub;
        RegCreateKeyExW(key, name, 0, NULL, 0, KEY_WRITE | KEY_QUERY_VALUE, NULL, &sub, NULL);
        DWORD line = i + 1, values;
        // The texts converted once, by FloorCompare, when it ran first.
        DWORD length = texts ? textLengths[i] : ToUtf8(record.Description, bytes, ARRAYSIZE(bytes));
        RegSetValueExW(sub, L"Description", 0, REG_BINARY, (const BYTE *)(texts ? texts[i] : bytes), length);
        RegSetValueExW(sub, L"LineNumber", 0, REG_DWORD, (const BYTE *)&line, sizeof line);
        length = names ? nameLengths[i] : ToUtf8(record.Name, bytes, ARRAYSIZE(bytes));
        RegSetValueExW(sub, L"Name", 0, REG_BINARY, (const BYTE *)(names ? names[i] : bytes), length);
        RegSetValueExW(sub, L"On", 0, REG_DWORD, (const BYTE *)&record.On, sizeof record.On);
        RegQueryInfoKeyW(sub, NULL, NULL, NULL, NULL, NULL, NULL, &values, NULL, NULL, NULL, NULL);
        RegCloseKey(sub);
        used[record.IconIndex] = true;
    }
    for (int n = 1; n <= MaxStatuses; n++) {
        if (used[n])
            continue;
        wchar_t name[8];
        swprintf(name, ARRAYSIZE(name), L"%d", n);
        RegDeleteKeyW(key, name);
    }
    RegCloseKey(key);
}

// Reads text value name into bytes, at most size bytes, and converts it
// with the system's conversion into field, which holds capacity units (the
// texts here always fit).
static void ReadText(HKEY key, const char *name, char *bytes, DWORD size, wchar_t *field, int capacity)
{
    if (RegQueryValueExA(key, name, NULL, NULL, (BYTE *)bytes, &size) != ERROR_SUCCESS)
        size = 0;
    bytes[size] = 0;
    MultiByteToWideChar(CP_UTF8, 0, bytes, -1, field, capacity);
}

// The floor's refill of the main window's list view from list.
static void FloorFill(StatusTable &list)
{
    HWND view = GetDlgItem(MainWindowHandle, IDC_STATUS_LIST);
    SendMessageW(view, WM_SETREDRAW, FALSE, 0);
    SendMessageW(view, LVM_DELETEALLITEMS, 0, 0);
    for (int row = 0; row < list.Count; row++) {
        StatusRecord &record = list.Records[row];
        LVITEMW item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = row;
        item.pszText = record.Name;
        item.iImage = record.IconIndex - 1;
        SendMessageW(view, LVM_INSERTITEMW, 0, (LPARAM)&item);
        item.iSubItem = 1;
        item.pszText = record.Description;
        SendMessageW(view, LVM_SETITEMTEXTW, row, (LPARAM)&item);
    }
    SendMessageW(view, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(view, NULL, TRUE);
}

// The load's reads, into list: for n = 1 to 32 open subkey n, read and
// convert its four values, close it. The statuses are stored in order, so
// there is nothing to sort.
static void FloorRead(StatusTable &list)
{
    static char bytes[DescriptionValueSize + 1];
    HKEY key;
    RegOpenKeyExW(HKEY_CURRENT_USER, ListPath, 0, KEY_READ, &key);
    list.Count = 0;
    for (int n = 1; n <= MaxStatuses; n++) {
        wchar_t name[8];
        swprintf(name, ARRAYSIZE(name), L"%d", n);
        HKEY sub;
        if (RegOpenKeyExW(key, name, 0, KEY_READ, &sub) != ERROR_SUCCESS)
            continue;
        StatusRecord &record = list.Records[list.Count++];
        DWORD size = sizeof record.LineNumber;
        ReadText(sub, "Description", bytes, DescriptionValueSize, record.Description,
                 ARRAYSIZE(record.Description));
        RegQueryValueExA(sub, "LineNumber", NULL, NULL, (BYTE *)&record.LineNumber, &size);
        ReadText(sub, "Name", bytes, NameValueSize, record.Name, ARRAYSIZE(record.Name));
        size = sizeof record.On;
        RegQueryValueExA(sub, "On", NULL, NULL, (BYTE *)&record.On, &size);
        RegCloseKey(sub);
        record.IconIndex = n;
    }
    RegCloseKey(key);
}

// The reads that tell whether a save of list changes any byte, in bytes:
// for n = 1 to 32 open subkey n, count its values, read the four of them
// and compare them with what the save writes, close it. The conversions to
// UTF-8 are the save's own (FloorSave makes them), done here once for both.
static void FloorCompare(const StatusTable &list, char (*names)[TextValueSize], char (*texts)[TextValueSize],
                         DWORD *nameLengths, DWORD *textLengths)
{
    static BYTE stored[TextValueSize];
    HKEY key;
    RegOpenKeyExW(HKEY_CURRENT_USER, ListPath, 0, KEY_READ, &key);
    for (int n = 1; n <= MaxStatuses; n++) {
        const StatusRecord &record = list.Records[n - 1];
        textLengths[n - 1] = ToUtf8(record.Description, texts[n - 1], TextValueSize);
        nameLengths[n - 1] = ToUtf8(record.Name, names[n - 1], TextValueSize);
        wchar_t name[8];
        swprintf(name, ARRAYSIZE(name), L"%d", n);
        HKEY sub;
        if (RegOpenKeyExW(key, name, 0, KEY_READ, &sub) != ERROR_SUCCESS)
            continue;
        DWORD values = 0, type, size, line = n;
        RegQueryInfoKeyW(sub, NULL, NULL, NULL, NULL, NULL, NULL, &values, NULL, NULL, NULL, NULL);
        bool same = values == 4;
        size = TextValueSize;
        same = RegQueryValueExW(sub, L"Description", NULL, &type, stored, &size) == ERROR_SUCCESS && same &&
               size == textLengths[n - 1] && !memcmp(stored, texts[n - 1], size);
        size = TextValueSize;
        same = RegQueryValueExW(sub, L"LineNumber", NULL, &type, stored, &size) == ERROR_SUCCESS && same &&
               !memcmp(stored, &line, sizeof line);
        size = TextValueSize;
        same = RegQueryValueExW(sub, L"Name", NULL, &type, stored, &size) == ERROR_SUCCESS && same &&
               size == nameLengths[n - 1] && !memcmp(stored, names[n - 1], size);
        size = TextValueSize;
        same = RegQueryValueExW(sub, L"On", NULL, &type, stored, &size) == ERROR_SUCCESS && same &&
               !memcmp(stored, &record.On, sizeof record.On);
        SameBytes = SameBytes && same;
        RegCloseKey(sub);
    }
    RegCloseKey(key);
}

// The load's floor: its reads, then the refill of the list view.
static void FloorLoad(StatusTable &list)
{
    FloorRead(list);
    FloorFill(list);
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

static bool SameStatuses(const StatusTable &a, const StatusTable &b)
{
    if (a.Count != b.Count)
        return false;
    for (int i = 0; i < a.Count; i++) {
        const StatusRecord &x = a.Records[i], &y = b.Records[i];
        if (x.IconIndex != y.IconIndex || x.On != y.On || wcscmp(x.Name, y.Name) ||
            wcscmp(x.Description, y.Description))
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
    ok = ok && SameStatuses(StatusList, records);

    std::vector<double> imports, saves, loads;
    for (int i = -1; i < rounds && ok; i++) {
        FloorSave(records);
        double start = Now();
        ok = RegImport(regFile);
        double end = Now();
        FloorSave(records);
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
    // The settings file, and so the backups, in a folder of the benchmark's.
    wchar_t folder[MAX_PATH], file[MAX_PATH];
    DWORD length = GetTempPathW(MAX_PATH, folder);
    swprintf(folder + length, MAX_PATH - length, L"orbelan-bench-%lu", GetCurrentProcessId());
    CreateDirectoryW(folder, NULL);
    swprintf(file, MAX_PATH, L"%ls\\statuses.reg", folder);
    swprintf(SettingsPath, MAX_PATH, L"%ls\\Data.ini", folder);
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

    // The main window the store reads the ICQ# from and fills; the floor
    // fills the same list view.
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
    static StatusTable records, floorList;
    records.Count = MaxStatuses;
    std::vector<std::string> names(MaxStatuses), texts(MaxStatuses);
    for (int i = 0; i < MaxStatuses; i++) {
        StatusRecord &record = records.Records[i];
        record = StatusRecord{};
        record.IconIndex = i + 1;
        record.On = 1;
        std::fill_n(record.Name, NameSize - 1, L'\x017E');
        std::fill_n(record.Description, DescriptionSize - 1, L'\x00E1');
        record.Name[0] = (wchar_t)(L'A' + i);
        char bytes[TextValueSize];
        names[i].assign(bytes, ToUtf8(record.Name, bytes, ARRAYSIZE(bytes)));
        texts[i].assign(bytes, ToUtf8(record.Description, bytes, ARRAYSIZE(bytes)));
    }

    double saveFloor, save, loadFloor, load;
    // The save compares what it would write with what is stored first: its
    // floor does too, and converts each text once for both.
    static char floorNames[MaxStatuses][TextValueSize], floorTexts[MaxStatuses][TextValueSize];
    static DWORD floorNameLengths[MaxStatuses], floorTextLengths[MaxStatuses];
    SameBytes = true;
    Compare(rounds,
            [&] {
                FloorCompare(records, floorNames, floorTexts, floorNameLengths, floorTextLengths);
                FloorSave(records, floorNames, floorTexts, floorNameLengths, floorTextLengths);
            },
            [&] { StatusList = records; }, [] { SaveAll(); }, &saveFloor, &save);
    Compare(rounds, [&] { FloorLoad(floorList); }, [] {}, [] { LoadAll(); }, &loadFloor, &load);
    bool loaded = SameBytes && SameStatuses(StatusList, records) && SameStatuses(floorList, records) &&
                  SendMessageW(view, LVM_GETITEMCOUNT, 0, 0) == MaxStatuses;

    // The floors' parts that are no registry work, timed on their own.
    static wchar_t field[ARRAYSIZE(records.Records[0].Description)];
    double toUtf8 = Time(rounds, [&] {
        static char bytes[TextValueSize];
        for (int i = 0; i < records.Count; i++) {
            ToUtf8(records.Records[i].Description, bytes, ARRAYSIZE(bytes));
            ToUtf8(records.Records[i].Name, bytes, ARRAYSIZE(bytes));
        }
    });
    double fromUtf8 = Time(rounds, [&] {
        for (int i = 0; i < records.Count; i++) {
            MultiByteToWideChar(CP_UTF8, 0, texts[i].c_str(), -1, field, ARRAYSIZE(field));
            MultiByteToWideChar(CP_UTF8, 0, names[i].c_str(), -1, field, ARRAYSIZE(records.Records[i].Name));
        }
    });
    double fill = Time(rounds, [&] { FloorFill(floorList); });

    // The registry file: export against the save, import against the load.
    static StatusTable readBack;
    double exportSave, exportTime, readLoad, readTime;
    Compare(rounds, [&] { StatusList = records; SaveAll(); }, [] {},
            [&] { ExportStatusFile(file, Icq, &records); }, &exportSave, &exportTime);
    Compare(rounds, [] { LoadAll(); }, [] {}, [&] { DWORD detail; ReadStatusFile(file, &readBack, &detail); },
            &readLoad, &readTime);
    bool exchanged = SameStatuses(readBack, records);
    // A save that backs up: the registry holds other statuses (the same with
    // every status off) before each. Its floor: the same save when the
    // registry holds what it writes.
    static StatusTable others;
    others = records;
    for (int i = 0; i < others.Count; i++)
        others.Records[i].On = 0;
    double plainSave, backupSave;
    Compare(rounds, [&] { StatusList = records; SaveAll(); }, [&] { FloorSave(others); StatusList = records; },
            [] { SaveAll(); }, &plainSave, &backupSave);
    wchar_t backups[MAX_PATH];
    BackupFolder(backups);
    int backupCount = 0;
    WIN32_FIND_DATAW found;
    wchar_t pattern[MAX_PATH];
    swprintf(pattern, MAX_PATH, L"%ls\\*.reg", backups);
    HANDLE search = FindFirstFileW(pattern, &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found)) {
        wchar_t path[MAX_PATH];
        swprintf(path, MAX_PATH, L"%ls\\%ls", backups, found.cFileName);
        DeleteFileW(path);
        backupCount++;
    }
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    RemoveDirectoryW(backups);
    DeleteFileW(file);
    RemoveDirectoryW(folder);
    exchanged = exchanged && backupCount == 20;

    // reg.exe takes tens of milliseconds a run: fewer rounds of it.
    int importRounds = std::max(3, rounds / 4);
    double importTime = 0, importSave = 0, importLoad = 0;
    bool imported = CompareWithImport(importRounds, scratchPath, records, names, texts, &importTime,
                                      &importSave, &importLoad);

    printf("32 statuses of 1023 + 4095 characters, median of %d rounds\n", rounds);
    printf("save: %8.3f ms, floor %8.3f ms, ratio %.2f (target %.2f or less)\n", save * 1e3, saveFloor * 1e3,
           save / saveFloor, Target);
    printf("      the floor's conversions to UTF-8 %.3f ms\n", toUtf8 * 1e3);
    printf("load: %8.3f ms, floor %8.3f ms, ratio %.2f (target %.2f or less)\n", load * 1e3, loadFloor * 1e3,
           load / loadFloor, Target);
    printf("      the floor's conversions from UTF-8 %.3f ms, its refill of the list view %.3f ms\n",
           fromUtf8 * 1e3, fill * 1e3);
    if (imported) {
        printf("the same against reg.exe importing them from a .reg file, median of %d rounds\n", importRounds);
        printf("save: %8.3f ms, reg import %8.3f ms, ratio %.2f\n", importSave * 1e3, importTime * 1e3,
               importSave / importTime);
        printf("load: %8.3f ms, reg import %8.3f ms, ratio %.2f\n", importLoad * 1e3, importTime * 1e3,
               importLoad / importTime);
    } else {
        printf("reg.exe import failed or did not give the statuses back\n");
    }
    printf("the statuses as a registry file, median of %d rounds\n", rounds);
    printf("export: %8.3f ms, save %8.3f ms, ratio %.2f (target %.2f or less)\n", exportTime * 1e3, exportSave * 1e3,
           exportTime / exportSave, FileTarget);
    printf("import: %8.3f ms, load %8.3f ms, ratio %.2f (target %.2f or less)\n", readTime * 1e3, readLoad * 1e3,
           readTime / readLoad, FileTarget);
    printf("save with a backup: %8.3f ms, without %8.3f ms, ratio %.2f (target %.2f or less)\n", backupSave * 1e3,
           plainSave * 1e3, backupSave / plainSave, FileTarget);
    if (!exchanged)
        printf("the import did not give back what was exported, or the backups were not the newest 20\n");
    if (!loaded)
        printf("the load or its floor did not give back what was saved\n");

    DestroyWindow(MainWindowHandle);
    RegOverridePredefKey(HKEY_CURRENT_USER, NULL);
    RegCloseKey(scratch);
    RegDeleteTreeW(HKEY_CURRENT_USER, scratchPath);
    return loaded && imported && exchanged ? 0 : 1;
}

// Load and save of 32 statuses with the longest texts, each timed against
// the bare registry calls it makes (the floor), printed as ratios.
//   orbelan_store_bench.exe [rounds]
// Runs on a scratch key (HKEY_CURRENT_USER is redirected there).
#include "app/main_dialog.h"
#include "resource.h"
#include "store/status_store.h"

#include <stdio.h>
#include <algorithm>
#include <string>
#include <vector>

static const wchar_t Icq[] = L"123456";
static const wchar_t ListPath[] = L"Software\\Mirabilis\\ICQ\\NewOwners\\123456\\CustomStatusList";

static double Now()
{
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return (double)count.QuadPart / (double)frequency.QuadPart;
}

static double Median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Times floor and work in alternation, after a few rounds to warm up, so
// that both see the same state of the machine; returns the two medians.
template <class Floor, class Work>
static void Compare(int rounds, Floor floor, Work work, double *floorTime, double *workTime)
{
    std::vector<double> floors, works;
    for (int i = -5; i < rounds; i++) {
        double start = Now();
        floor();
        double middle = Now();
        work();
        double end = Now();
        if (i >= 0) {
            floors.push_back(middle - start);
            works.push_back(end - middle);
        }
    }
    *floorTime = Median(floors);
    *workTime = Median(works);
}

// The registry calls a save makes, with the texts already in UTF-8.
static void BareSave(const std::vector<std::string> &names, const std::vector<std::string> &texts)
{
    HKEY list;
    RegOpenKeyExW(HKEY_CURRENT_USER, ListPath, 0, KEY_READ | KEY_WRITE, &list);
    for (DWORD i = 0; i < 32; i++) {
        wchar_t name[8];
        swprintf(name, 8, L"%lu", i + 1);
        HKEY sub;
        RegCreateKeyExW(list, name, 0, NULL, 0, KEY_WRITE, NULL, &sub, NULL);
        DWORD line = i + 1, on = 1;
        RegSetValueExW(sub, L"Description", 0, REG_BINARY, (const BYTE *)texts[i].data(), (DWORD)texts[i].size());
        RegSetValueExW(sub, L"LineNumber", 0, REG_DWORD, (const BYTE *)&line, 4);
        RegSetValueExW(sub, L"Name", 0, REG_BINARY, (const BYTE *)names[i].data(), (DWORD)names[i].size());
        RegSetValueExW(sub, L"On", 0, REG_DWORD, (const BYTE *)&on, 4);
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

static INT_PTR CALLBACK Passive(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

int wmain(int argc, wchar_t **argv)
{
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
    std::vector<StatusRecord> records(32);
    std::vector<std::string> names(32), texts(32);
    for (int i = 0; i < 32; i++) {
        StatusRecord &record = records[i];
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
    Compare(rounds, [&] { BareSave(names, texts); }, [&] {
        StatusList = records;
        SaveAll();
    }, &saveFloor, &save);
    Compare(rounds, [] { BareLoad(); }, [] { LoadAll(); }, &loadFloor, &load);
    bool loaded = StatusList.size() == 32 && wcscmp(StatusList[31].Name, records[31].Name) == 0;

    printf("32 statuses of 1023 + 4095 characters, median of %d rounds\n", rounds);
    printf("save: %8.3f ms, bare registry calls %8.3f ms, ratio %.2f (target 1.50 or less)\n", save * 1e3,
           saveFloor * 1e3, save / saveFloor);
    printf("load: %8.3f ms, bare registry calls %8.3f ms, ratio %.2f (target 1.50 or less)\n", load * 1e3,
           loadFloor * 1e3, load / loadFloor);
    if (!loaded)
        printf("the load did not give back what was saved\n");

    DestroyWindow(MainWindowHandle);
    RegOverridePredefKey(HKEY_CURRENT_USER, NULL);
    RegCloseKey(scratch);
    RegDeleteTreeW(HKEY_CURRENT_USER, scratchPath);
    return loaded ? 0 : 1;
}

// Seeds a demo ICQ account into the current Wine prefix, so that a newcomer
// sees a working main window at once:
//   orbelan_demo_seed.exe <folder of Orbelan.exe>
// Writes the account's status list (only if it has none yet, so the user's
// own edits survive the next start) and the ICQ# into <folder>\Data.ini.
#include "store/status_store.h"

#include <windows.h>
#include <stdio.h>
#include <string.h>

static const wchar_t DemoIcq[] = L"123456789";

struct DemoStatus {
    int icon;
    const wchar_t *name;
    const wchar_t *text;
    DWORD on;
};

static const DemoStatus DemoStatuses[] = {
    {2, L"Na kafi", L"Jsem na kávě, za chvíli jsem zpátky.", 1},
    {17, L"V práci", L"Pracuji, ozvu se večer. Naléhavé věci prosím telefonem.", 1},
    {4, L"Poslouchám hudbu", L"Právě hraje: Smetana – Vltava", 1},
    {25, L"Spím", L"Dobrou noc! Příliš žluťoučký kůň úpěl ďábelské ódy.", 0},
    {30, L"Hvězdná chvíle", L"Ikonka 30 – uvidí ji jen ICQ Lite 5.1.", 1},
};

static void WriteText(HKEY key, const wchar_t *name, const wchar_t *text)
{
    char bytes[8192];
    int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes, sizeof bytes, NULL, NULL);
    RegSetValueExW(key, name, 0, REG_BINARY, (const BYTE *)bytes, length > 0 ? length - 1 : 0);
}

int wmain(int argc, wchar_t **argv)
{
    if (argc != 2) {
        fwprintf(stderr, L"usage: orbelan_demo_seed <folder of Orbelan.exe>\n");
        return 2;
    }
    wchar_t path[300];
    AccountKeyPath(DemoIcq, L"CustomStatusList", path, 300);
    HKEY list;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &list) == ERROR_SUCCESS) {
        RegCloseKey(list);
    } else if (RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &list, NULL) ==
               ERROR_SUCCESS) {
        DWORD line = 1;
        for (const DemoStatus &status : DemoStatuses) {
            wchar_t name[8];
            swprintf(name, 8, L"%d", status.icon);
            HKEY sub;
            if (RegCreateKeyExW(list, name, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &sub, NULL) != ERROR_SUCCESS)
                continue;
            WriteText(sub, L"Description", status.text);
            RegSetValueExW(sub, L"LineNumber", 0, REG_DWORD, (const BYTE *)&line, 4);
            WriteText(sub, L"Name", status.name);
            RegSetValueExW(sub, L"On", 0, REG_DWORD, (const BYTE *)&status.on, 4);
            RegCloseKey(sub);
            line++;
        }
        RegCloseKey(list);
    } else {
        fwprintf(stderr, L"cannot create the demo account's key\n");
        return 1;
    }

    // The client's default Away and N/A messages of the demo account.
    AccountKeyPath(DemoIcq, L"ICQLite", path, 300);
    HKEY lite;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &lite, NULL) == ERROR_SUCCESS) {
        static const wchar_t *const messages[][2] = {
            {L"AwayStatusText", L"Nejsem u počítače."},
            {L"NAStatusText", L"Nejsem k zastižení."},
        };
        for (const auto &message : messages) {
            DWORD size = 0;
            if (RegQueryValueExW(lite, message[0], NULL, NULL, NULL, &size) == ERROR_SUCCESS)
                continue;
            static char block[8192];
            memset(block, 0, sizeof block);
            WideCharToMultiByte(CP_UTF8, 0, message[1], -1, block, sizeof block - 1, NULL, NULL);
            RegSetValueExW(lite, message[0], 0, REG_BINARY, (const BYTE *)block, sizeof block);
        }
        RegCloseKey(lite);
    }

    wchar_t ini[MAX_PATH];
    swprintf(ini, MAX_PATH, L"%ls\\Data.ini", argv[1]);
    if (!WritePrivateProfileStringW(L"ICQ", L"UIN", DemoIcq, ini)) {
        fwprintf(stderr, L"cannot write %ls\n", ini);
        return 1;
    }
    return 0;
}

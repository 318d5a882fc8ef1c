// The client's registry keys: the path of an account's key, opening an
// account's status list key, and creating the key chain of an account that
// has none.
#include "store/status_store.h"

#include "diag/diag.h"
#include "texts.h"

// Appends text to the *length units of out, terminated; false when it does
// not fit within cap units.
static bool AppendPart(wchar_t *out, size_t cap, size_t *length, const wchar_t *text)
{
    for (; *text; text++) {
        if (*length + 1 >= cap)
            return false;
        out[(*length)++] = *text;
    }
    out[*length] = 0;
    return true;
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the parts in the order of the path; callers pass a literal leaf
bool AccountKeyPath(const wchar_t *icq, const wchar_t *leaf, wchar_t *out, size_t cap)
{
    if (!out || cap == 0)
        return false;
    size_t length = 0;
    out[0] = 0;
    bool fits = AppendPart(out, cap, &length, ICQ_KEY_PATH L"\\NewOwners\\") &&
                AppendPart(out, cap, &length, icq ? icq : L"");
    if (fits && leaf && *leaf)
        fits = AppendPart(out, cap, &length, L"\\") && AppendPart(out, cap, &length, leaf);
    if (fits)
        return true;
    out[0] = 0;
    return false;
}

LONG OpenAccountKey(HKEY root, const wchar_t *icq, const wchar_t *leaf, REGSAM access, HKEY *key)
{
    wchar_t path[MAX_PATH];
    if (!AccountKeyPath(icq, leaf, path, ARRAYSIZE(path)))
        return ERROR_INVALID_PARAMETER;
    return RegOpenKeyExW(root, path, 0, access, key);
}

int OpenStatusListKey(const wchar_t *icq, HKEY *key, REGSAM access)
{
    HKEY opened = NULL;
    if (OpenAccountKey(HKEY_CURRENT_USER, icq, L"CustomStatusList", access, &opened) != ERROR_SUCCESS)
        return 0;
    if (key)
        *key = opened;
    else
        RegCloseKey(opened);
    return 1;
}

int CreateStatusListKeys(HKEY base, const wchar_t *icq)
{
    // A creation that fails stops the chain; its report names the list key,
    // the one the user asked for.
    HKEY owners = NULL, account = NULL, list = NULL;
    const DWORD options = REG_OPTION_NON_VOLATILE;
    LONG status = REPORT_IF_FAILED(TXT_PROC_ACCOUNT, TXT_CMD_CREATE_LIST, RegCreateKeyExW(base, L"NewOwners",
        0, NULL, options, KEY_WRITE, NULL, &owners, NULL));
    if (status == ERROR_SUCCESS)
        status = REPORT_IF_FAILED(TXT_PROC_ACCOUNT, TXT_CMD_CREATE_LIST, RegCreateKeyExW(owners, icq,
            0, NULL, options, KEY_WRITE, NULL, &account, NULL));
    if (status == ERROR_SUCCESS)
        status = REPORT_IF_FAILED(TXT_PROC_ACCOUNT, TXT_CMD_CREATE_LIST, RegCreateKeyExW(account, L"CustomStatusList",
            0, NULL, options, KEY_WRITE, NULL, &list, NULL));
    if (status == ERROR_SUCCESS)
        REPORT_IF_FAILED(TXT_PROC_ACCOUNT, TXT_CMD_CLOSE_KEY, RegCloseKey(list));
    if (account)
        RegCloseKey(account);
    if (owners)
        RegCloseKey(owners);
    RegCloseKey(base);
    return status == ERROR_SUCCESS ? 0 : -2;
}

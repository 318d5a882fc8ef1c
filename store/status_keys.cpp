// Opening an account's status list key, and creating the key chain of an
// account that has none.
#include "store/status_store.h"

#include "diag/diag.h"
#include "store/icq_keys.h"
#include "texts.h"

int OpenStatusListKey(const wchar_t *icq, HKEY *key, REGSAM access, LONG *status)
{
    wchar_t path[260];
    HKEY opened = NULL;
    // A name too long for the path would open some other key: refuse it.
    LONG result = AccountKeyPath(icq, L"CustomStatusList", path, 260)
        ? RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, access, &opened)
        : (LONG)ERROR_INVALID_PARAMETER;
    if (status)
        *status = result;
    if (result != ERROR_SUCCESS)
        return 0;
    if (key)
        *key = opened;
    else
        RegCloseKey(opened);
    return 1;
}

int CreateStatusListKeys(HKEY base, const wchar_t *icq)
{
    HKEY owners = NULL, account = NULL, list = NULL;
    int result = 0, line = 0;
    const DWORD options = REG_OPTION_NON_VOLATILE;
    LONG status = AT_LINE(line, RegCreateKeyExW(base, L"NewOwners", 0, NULL, options, KEY_WRITE, NULL, &owners, NULL));
    if (status == ERROR_SUCCESS)
        status = AT_LINE(line, RegCreateKeyExW(owners, icq, 0, NULL, options, KEY_WRITE, NULL, &account, NULL));
    if (status == ERROR_SUCCESS)
        status = AT_LINE(line, RegCreateKeyExW(account, L"CustomStatusList", 0, NULL, options, KEY_WRITE, NULL, &list, NULL));
    if (status != ERROR_SUCCESS) {
        ReportError(line, TXT_PROC_ACCOUNT, TXT_CMD_CREATE_LIST, status);
        result = -2;
    } else {
        status = AT_LINE(line, RegCloseKey(list));
        if (status != ERROR_SUCCESS)
            ReportError(line, TXT_PROC_ACCOUNT, TXT_CMD_CLOSE_KEY, status);
    }
    if (account)
        RegCloseKey(account);
    if (owners)
        RegCloseKey(owners);
    RegCloseKey(base);
    return result;
}

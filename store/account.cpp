// Account selection: the prompt loop around the input box, and the key
// chain of an account that has no status list yet.
#include "store/account.h"

#include "diag/diag.h"
#include "resource.h"
#include "store/input_box.h"
#include "store/status_store.h"
#include "texts.h"

#include <wctype.h>
#include <wchar.h>

bool IsValidIcqNumber(const wchar_t *text)
{
    if (!text)
        return false;
    wchar_t *end = NULL;
    long value = wcstol(text, &end, 10);
    // Unsigned difference: one comparison covers both bounds. 2147483647,
    // which an overflowing parse also gives, is out of range.
    return *end == 0 && (unsigned long)value - 10000ul <= 2147473646ul;
}

static void Tell(const wchar_t *text, UINT icon)
{
    ShowMessage(MainWindowHandle, text, MB_OK | icon);
}

int ChangeAccount()
{
    // Saves under the ICQ# still shown; a failure is reported there. A user
    // who would rather not save without a backup keeps the account and the
    // changes.
    if (StatusListDirty && AskQuestion(TXT_ASK_SAVE_BEFORE_SWITCH) == IDYES && SaveAll() == -2)
        return 1;

    wchar_t icq[IcqSize];
    GetCurrentIcq(icq, ARRAYSIZE(icq));
    InputBoxParams params = {MainWindowHandle, icq, ARRAYSIZE(icq), TXT_CAPTION, TXT_ICQ_PROMPT, 0};
    for (;;) {
        // A box that cannot be shown ends the loop: it must not go on
        // without the user.
        if (InputBox(&params) != 0 || (params.result != 1 && params.result != 2))
            return -5;
        if (params.result == 2)
            return 1;
        if (!IsValidIcqNumber(icq)) {
            Tell(TXT_ICQ_INVALID, MB_ICONWARNING);
            continue;
        }
        if (OpenStatusListKey(icq, NULL, KEY_READ))
            break;

        // No status list yet. The client's own key must be there: it is
        // never created here.
        HKEY base = NULL;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, ICQ_KEY_PATH, 0, KEY_ALL_ACCESS, &base) !=
            ERROR_SUCCESS) {
            Tell(TXT_NO_ICQ_KEY, MB_ICONERROR);
            return -3;
        }
        if (AskQuestion(TXT_ASK_CREATE_RECORD) != IDYES) {
            REPORT_IF_FAILED(TXT_PROC_ACCOUNT, TXT_CMD_CLOSE_BASE, RegCloseKey(base));
            continue;
        }
        if (CreateStatusListKeys(base, icq) != 0)
            return -2;
        break;
    }

    // The settings file drops the blanks around a value unless it is
    // quoted; the ICQ# must come back exactly as typed, leading blanks and
    // all, or the next start would look up another key.
    wchar_t stored[IcqSize + 2];
    CopyText(stored, ARRAYSIZE(stored), icq);
    if (iswspace(icq[0]))
        FillTemplate(stored, ARRAYSIZE(stored), L"\"%s\"", {icq});
    if (!REPORT_IF_FALSE(TXT_PROC_ACCOUNT, TXT_CMD_WRITE_SETTING, WritePrivateProfileStringW(L"ICQ", L"UIN", stored,
        SettingsPath)))
        return -1;
    SetDlgItemTextW(MainWindowHandle, IDC_ICQ_NUMBER, icq);
    return LoadAll() != 0 ? -4 : 0;
}

// The editor of the client's default Away and N/A messages (dialog 111).
//
// The messages lie under HKEY_LOCAL_MACHINE in
//   Software\Mirabilis\ICQ\NewOwners\<ICQ#>\ICQLite
// as "AwayStatusText" and "NAStatusText": REG_BINARY, 8192 bytes, the
// message in UTF-8 up to the first zero byte.
#include "dialogs/dialogs.h"

#include "diag/diag.h"
#include "resource.h"
#include "store/status_store.h"
#include "texts.h"

#include <string.h>

// The stored value's size, and the message's in UTF-16 units with the
// terminator.
static const DWORD MessageValueSize = 8192;
static const int MessageSize = 4096;

// The record dialog 111 edits.
struct DefaultMessageParams {
    const wchar_t *state;        // "Away" or "NA"
    wchar_t text[MessageSize];   // the message
};

static DefaultMessageParams *EditedMessage;

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the system's DLGPROC signature
INT_PTR CALLBACK DefaultMessageDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        EditedMessage = reinterpret_cast<DefaultMessageParams *>(lParam);
        FillItemTemplate(window, IDC_MESSAGE_PROMPT, {EditedMessage->state});
        SetDlgItemTextW(window, IDC_MESSAGE_TEXT, EditedMessage->text);
        break;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL: // also Esc and the close box
            // The edit takes any length; the message keeps what fits.
            if (LOWORD(wParam) == IDOK)
                ReadItemText(window, IDC_MESSAGE_TEXT, EditedMessage->text, ARRAYSIZE(EditedMessage->text));
            EndDialog(window, LOWORD(wParam) == IDOK ? 1 : 2);
            break;
        }
        break;
    }
    return FALSE;
}

int ChangeICQMessage(const wchar_t *state)
{
    wchar_t icq[IcqSize];
    GetCurrentIcq(icq, ARRAYSIZE(icq));
    DefaultMessageParams params = {};
    params.state = state;
    char bytes[MessageValueSize + 1] = {}; // the spare zero ends any message

    wchar_t name[MAX_PATH];
    FillTemplate(name, ARRAYSIZE(name), L"%sStatusText", {state});
    HKEY key = NULL;
    if (REPORT_IF_FAILED(TXT_PROC_MESSAGE, TXT_CMD_OPEN_MESSAGE_KEY, OpenAccountKey(HKEY_LOCAL_MACHINE, icq, L"ICQLite",
        KEY_QUERY_VALUE | KEY_SET_VALUE, &key)))
        return -1;

    int result = 0;
    DWORD size = MessageValueSize;
    if (REPORT_IF_FAILED(TXT_PROC_MESSAGE, TXT_CMD_QUERY_MESSAGE, RegQueryValueExW(key, name, NULL, NULL,
        reinterpret_cast<BYTE *>(bytes), &size))) {
        result = -2;
        goto done;
    }
    Utf8ToText(bytes, strnlen(bytes, size), params.text, ARRAYSIZE(params.text));

    switch (REPORT_IF_FALSE(TXT_PROC_MESSAGE, TXT_CMD_MESSAGE_DIALOG, DialogBoxParamW(GetModuleHandleW(NULL),
        MAKEINTRESOURCEW(IDD_DEFAULT_MESSAGE), MainWindowHandle, DefaultMessageDialog, (LPARAM)&params))) {
    case 1:
        // The message, its zero byte, then zeros up to the full size; a
        // message too long for it is cut where a character ends.
        memset(bytes, 0, sizeof bytes);
        TextToUtf8(params.text, bytes, MessageValueSize);
        if (REPORT_IF_FAILED(TXT_PROC_MESSAGE, TXT_CMD_SET_MESSAGE, RegSetValueExW(key, name, 0, REG_BINARY,
            reinterpret_cast<const BYTE *>(bytes), MessageValueSize)))
            result = -3;
        break;
    case 2:
        break;
    default: // the dialog could not be shown, and has been reported
        result = -4;
        break;
    }

done:
    RegCloseKey(key);
    return result;
}

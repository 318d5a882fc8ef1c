// The editor of the client's default Away and N/A messages (dialog 111).
//
// The messages lie under HKEY_LOCAL_MACHINE in
//   Software\Mirabilis\ICQ\NewOwners\<ICQ#>\ICQLite
// as "AwayStatusText" and "NAStatusText": REG_BINARY, 8192 bytes, the
// message in UTF-8 up to the first zero byte.
#include "dialogs/dialogs.h"

#include "app/main_dialog.h"
#include "app/text.h"
#include "diag/diag.h"
#include "resource.h"
#include "store/icq_keys.h"
#include "texts.h"

#include <string.h>

static const DWORD MessageBytes = 8192;

// The record dialog 111 edits.
struct DefaultMessageParams {
    const wchar_t *state;  // "Away" or "NA"
    wchar_t text[4096];    // the message, at most 4095 units
};

static DefaultMessageParams *EditedMessage;

INT_PTR CALLBACK DefaultMessageDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        EditedMessage = (DefaultMessageParams *)lParam;
        FillItemTemplate(window, IDC_MESSAGE_PROMPT, {EditedMessage->state});
        SetDlgItemTextW(window, IDC_MESSAGE_TEXT, EditedMessage->text);
        break;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: {
            // The edit takes any length; the message keeps its first 4095
            // units, cut where a character ends when the edit holds more.
            HWND edit = GetDlgItem(window, IDC_MESSAGE_TEXT);
            wchar_t *text = EditedMessage->text;
            text[0] = 0;
            int length = GetWindowTextW(edit, text, 4096);
            if (length < 0 || length > 4095)
                length = 0;
            text[length] = 0;
            if (GetWindowTextLengthW(edit) > length)
                text[CutAtCharacter(text, length)] = 0;
            EndDialog(window, 1);
            break;
        }
        case IDCANCEL: // also Esc and the close box
            EndDialog(window, 2);
            break;
        }
        break;
    }
    return FALSE;
}

int ChangeICQMessage(const wchar_t *state)
{
    wchar_t icq[16];
    GetCurrentIcq(icq);
    DefaultMessageParams params = {};
    params.state = state;
    char bytes[MessageBytes + 1] = {}; // the spare zero ends any message

    wchar_t path[260], name[260];
    FillTemplate(name, 260, L"%sStatusText", {state});
    int result = 0;
    HKEY key = NULL;
    int line = 0;
    // A path that does not fit would name some other key: it opens none.
    LONG status = ERROR_INVALID_PARAMETER;
    if (AT_LINE(line, AccountKeyPath(icq, L"ICQLite", path, 260)))
        status = AT_LINE(line, RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key));
    if (status != ERROR_SUCCESS) {
        ReportError(line, TXT_PROC_MESSAGE, TXT_CMD_OPEN_MESSAGE_KEY, status);
        return -1;
    }

    DWORD size = MessageBytes;
    status = AT_LINE(line, RegQueryValueExW(key, name, NULL, NULL, (BYTE *)bytes, &size));
    if (status != ERROR_SUCCESS) {
        ReportError(line, TXT_PROC_MESSAGE, TXT_CMD_QUERY_MESSAGE, status);
        result = -2;
        goto done;
    }
    Utf8ToText(bytes, strnlen(bytes, size), params.text, 4096);

    switch (AT_LINE(line, DialogBoxParamW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDD_DEFAULT_MESSAGE),
                                          MainWindowHandle, DefaultMessageDialog, (LPARAM)&params))) {
    case 1:
        // The message, its zero byte, then zeros up to the full size; a
        // message too long for it is cut where a character ends.
        memset(bytes, 0, sizeof bytes);
        TextToUtf8(params.text, bytes, MessageBytes);
        status = AT_LINE(line, RegSetValueExW(key, name, 0, REG_BINARY, (const BYTE *)bytes, MessageBytes));
        if (status != ERROR_SUCCESS) {
            ReportError(line, TXT_PROC_MESSAGE, TXT_CMD_SET_MESSAGE, status);
            result = -3;
        }
        break;
    case 2:
        break;
    default:
        ReportError(line, TXT_PROC_MESSAGE, TXT_CMD_MESSAGE_DIALOG, GetLastError());
        result = -4;
        break;
    }

done:
    RegCloseKey(key);
    return result;
}

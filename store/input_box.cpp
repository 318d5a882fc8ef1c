// The input box: a dialog template built in memory, and its procedure.
#include "store/input_box.h"

#include "base/base.h"
#include "resource.h"

#include <string.h>

// The template's memory block is at least this large, as it always was.
static const size_t SmallestTemplateBlock = 1024;
// The program's own texts given in the ANSI code page are short.
static const int AnsiTextSize = 50;

// Where the template is written. Every write checks the end, so the same
// code measures (no buffer) and writes.
struct TemplateCursor {
    BYTE *out;
    size_t size;
    size_t at;
};

static void PutBytes(TemplateCursor *cursor, const void *data, size_t count)
{
    if (cursor->out && cursor->at + count <= cursor->size)
        memcpy(cursor->out + cursor->at, data, count);
    cursor->at += count;
}

static void PutWord(TemplateCursor *cursor, WORD value)
{
    PutBytes(cursor, &value, sizeof value);
}

static void PutDword(TemplateCursor *cursor, DWORD value)
{
    PutBytes(cursor, &value, sizeof value);
}

// Text and its terminating zero unit; at most limit units of text.
static void PutText(TemplateCursor *cursor, const wchar_t *text, size_t limit = (size_t)-1)
{
    size_t length = 0;
    if (text)
        while (length < limit && text[length])
            length++;
    // Never end on the first half of a surrogate pair.
    if (length == limit)
        length = CutAtCharacter(text, length);
    PutBytes(cursor, text, length * sizeof(wchar_t));
    PutWord(cursor, 0);
}

// The gap up to the next multiple of 4 is zero.
static void AlignToDword(TemplateCursor *cursor)
{
    static const BYTE zeros[4] = {};
    PutBytes(cursor, zeros, (4 - cursor->at % 4) % 4);
}

// Texts of the program's own given in the ANSI code page, as the box has
// always converted them.
static void PutAnsiText(TemplateCursor *cursor, const char *text)
{
    wchar_t wide[AnsiTextSize] = L"";
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide, ARRAYSIZE(wide));
    wide[ARRAYSIZE(wide) - 1] = 0;
    PutText(cursor, wide);
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the fields in the order of DLGITEMTEMPLATE
static void PutItem(TemplateCursor *cursor, DWORD style, short x, short y, short width, short height, WORD id,
                    WORD classAtom)
{
    AlignToDword(cursor);
    PutDword(cursor, style);
    PutDword(cursor, 0); // extended style
    PutWord(cursor, (WORD)x);
    PutWord(cursor, (WORD)y);
    PutWord(cursor, (WORD)width);
    PutWord(cursor, (WORD)height);
    PutWord(cursor, id);
    PutWord(cursor, 0xFFFF); // class given as a predefined atom
    PutWord(cursor, classAtom);
}

size_t BuildInputBoxTemplate(const InputBoxParams *params, BYTE *out, size_t size)
{
    TemplateCursor cursor = {out, size, 0};
    PutDword(&cursor, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER | DS_MODALFRAME | DS_SETFONT);
    PutDword(&cursor, 0); // extended style
    PutWord(&cursor, 4);  // items
    PutWord(&cursor, 0);
    PutWord(&cursor, 0);
    PutWord(&cursor, 268);
    PutWord(&cursor, 81);
    PutWord(&cursor, 0); // no menu
    PutWord(&cursor, 0); // the standard dialog class
    PutText(&cursor, params->caption);
    PutWord(&cursor, 8);
    PutAnsiText(&cursor, "Tahoma");

    // The initial text is read only within the caller's buffer.
    size_t textLimit = params->maximumLength > 0 ? (size_t)params->maximumLength - 1 : 0;
    PutItem(&cursor, WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 8, 60, 252, 13, IDC_INPUT_TEXT, 0x0081);
    PutText(&cursor, params->text, textLimit);
    PutWord(&cursor, 0); // no creation data
    PutItem(&cursor, WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, 210, 8, 50, 15, IDOK, 0x0080);
    PutAnsiText(&cursor, "OK");
    PutWord(&cursor, 0);
    PutItem(&cursor, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 210, 26, 50, 15, IDCANCEL, 0x0080);
    PutAnsiText(&cursor, "Cancel");
    PutWord(&cursor, 0);
    PutItem(&cursor, WS_CHILD | WS_VISIBLE | SS_LEFT, 8, 8, 192, 51, IDC_INPUT_PROMPT, 0x0082);
    PutText(&cursor, params->prompt);
    PutWord(&cursor, 0);
    AlignToDword(&cursor);
    return cursor.at;
}

// The record of the open box; one box at a time.
static InputBoxParams *OpenBox;

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the system's DLGPROC signature
static INT_PTR CALLBACK InputBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OpenBox = reinterpret_cast<InputBoxParams *>(lParam);
        // All the user can type fits the buffer with its terminator.
        SendDlgItemMessageW(window, IDC_INPUT_TEXT, EM_LIMITTEXT, OpenBox->maximumLength - 1, 0);
        return TRUE; // the dialog manager sets the focus
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            GetDlgItemTextW(window, IDC_INPUT_TEXT, OpenBox->text, OpenBox->maximumLength);
            EndDialog(window, 1);
            break;
        case IDCANCEL:
            EndDialog(window, 2);
            break;
        }
        break;
    case WM_CLOSE:
        EndDialog(window, 2);
        break;
    }
    return FALSE;
}

int InputBox(InputBoxParams *params)
{
    if (!params || !params->text || params->maximumLength < 1)
        return -1;
    // Sized to its content: no caption, text or prompt can overrun it.
    size_t size = BuildInputBoxTemplate(params, NULL, 0);
    HGLOBAL block = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, size < SmallestTemplateBlock ? SmallestTemplateBlock : size);
    if (!block)
        return -2;
    BYTE *dialog = static_cast<BYTE *>(GlobalLock(block));
    BuildInputBoxTemplate(params, dialog, size);
    params->result = (int)DialogBoxIndirectParamW(GetModuleHandleW(NULL), (LPCDLGTEMPLATEW)dialog, params->owner,
                                                  InputBoxProc, (LPARAM)params);
    GlobalUnlock(block);
    GlobalFree(block);
    return 0;
}

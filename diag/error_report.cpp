// The error report: a log line, then the Czech message that lets the user
// carry on or end the program.
#include "diag/diag.h"

#include "base/base.h"
#include "texts.h"

#include <wchar.h>

// Both texts of a report are at most 511 characters.
static const size_t ReportTextSize = 512;

// The system's description of code, as the system words it (usually ending
// in a line break); empty when it has none.
static void DescribeError(DWORD code, wchar_t *out, size_t cap)
{
    out[0] = 0;
    wchar_t *text = NULL;
    // Inserts are ignored: some system messages hold %1-style inserts, and
    // without arguments they would be read from nowhere.
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                                      FORMAT_MESSAGE_ALLOCATE_BUFFER,
                                  NULL, code, 0, (wchar_t *)&text, 0, NULL);
    if (length && text)
        CopyText(out, cap, text, length);
    if (text)
        LocalFree(text);
}

void DescribeErrorBriefly(DWORD code, wchar_t *out, size_t cap)
{
    if (cap == 0)
        return;
    DescribeError(code, out, cap);
    size_t length = wcslen(out);
    while (length > 0 && (out[length - 1] == L'\r' || out[length - 1] == L'\n' || out[length - 1] == L' '))
        out[--length] = 0;
    if (length == 0) {
        wchar_t number[12]; // any int in decimal
        wsprintfW(number, L"%d", (int)code);
        CopyText(out, cap, number);
    }
}

void ReportError(int line, const wchar_t *procedure, const wchar_t *command, DWORD code)
{
    if (!procedure)
        procedure = L"";
    if (!command)
        command = L"";
    wchar_t lineText[12], codeText[12]; // any int in decimal
    wsprintfW(lineText, L"%d", line);
    wsprintfW(codeText, L"%d", (int)code);
    wchar_t buffer[ReportTextSize];

    FillTemplate(buffer, ARRAYSIZE(buffer), TXT_LOG_COMMAND L"%s" TXT_LOG_PROCEDURE L"%s" TXT_LOG_LINE L"%s" TXT_LOG_CODE L"%s",
                 {command, procedure, lineText, codeText});
    LogEventW(buffer);

    wchar_t description[ErrorTextSize];
    DescribeError(code, description, ARRAYSIZE(description));

    // A long description is cut at the end of the text; the lines that
    // name the failure come before it and always show. The head holds the
    // home page's address, which may hold a "%s" of its own: it is filled
    // in, never part of the template.
    FillTemplate(buffer, ARRAYSIZE(buffer),
                 L"%s" TXT_REPORT_PROCEDURE L"%s()\n" TXT_REPORT_LINE L"%s\n" TXT_REPORT_COMMAND L"%s\n" TXT_REPORT_CODE
                 L"%s\n" TXT_REPORT_DESCRIPTION L"%s",
                 {TXT_REPORT_HEAD, procedure, lineText, command, codeText, description});

    // A box that cannot be shown counts as OK.
    if (ShowMessage(MainWindowHandle, buffer, MB_ICONERROR | MB_OKCANCEL) == IDCANCEL)
        ExitProcess((UINT)-1);
}

LONG ReportIfFailed(LONG status, int line, const wchar_t *procedure, const wchar_t *command)
{
    if (status != ERROR_SUCCESS && command)
        ReportError(line, procedure, command, (DWORD)status);
    return status;
}

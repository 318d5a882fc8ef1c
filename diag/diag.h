// Diagnostics: the event log and the error report. Both work before the
// main window exists and from any thread; neither keeps state between calls.
#pragma once

#include <windows.h>
#include <stddef.h>

// Appends "[d.m.yy h:mm:ss.mmm]: message" and a line end to EVENTS.Kvt in
// the current directory. message is text in the ANSI code page. A line is
// cut at 1023 characters. Never reports a failure: a log that cannot be
// written loses the line.
void LogEvent(const char *message);

// Writes the log line for message at time, without its line end, into out:
// "[d.m.yy h:mm:ss.mmm]: message", at most 1023 characters and at most
// cap - 1, always terminated. Returns its length.
size_t FormatLogLine(const SYSTEMTIME &time, const char *message, char *out, size_t cap);

// LogEvent for UTF-16 text, converted to the ANSI code page; characters the
// code page lacks are replaced.
void LogEventW(const wchar_t *message);

// Logs a failed call and shows the Czech error report, owned by the main
// window when there is one. line is the source line of the failing call,
// procedure and command name it, code is its status. Returns when the user
// chose OK; Cancel, Esc or the close box end the process with exit code -1.
void ReportError(int line, const wchar_t *procedure, const wchar_t *command, DWORD code);

// The system's description of code as one paragraph to go inside a
// message: without the line break and blanks it usually ends in, and the
// code in decimal when the system has no description. Always terminated
// within cap.
void DescribeErrorBriefly(DWORD code, wchar_t *out, size_t cap);
// Room for it.
const size_t ErrorTextSize = 256;

// One line at a failing call: the call is made, and a failure is reported
// as the failure of the line the call is written on, with the procedure and
// command texts given. The call's result is given back.
//     LONG status = REPORT_IF_FAILED(TXT_PROC_SAVE, TXT_CMD_SET_ON, RegSetValueExW(...));
//
// REPORT_IF_FAILED: for calls that return a status, ERROR_SUCCESS or the
// error code (the registry's). A null command reports nothing: a read whose
// outcome the user never sees.
#define REPORT_IF_FAILED(procedure, command, call) ReportIfFailed((call), __LINE__, procedure, command)
// REPORT_IF_FALSE: for calls that return FALSE, or -1 as DialogBoxParamW
// does, and leave the error code in the thread's last error.
#define REPORT_IF_FALSE(procedure, command, call) ReportIfFalse((call), __LINE__, procedure, command)

LONG ReportIfFailed(LONG status, int line, const wchar_t *procedure, const wchar_t *command);

template <class Result>
Result ReportIfFalse(Result result, int line, const wchar_t *procedure, const wchar_t *command)
{
    if (result == 0 || result == (Result)-1)
        ReportError(line, procedure, command, GetLastError());
    return result;
}

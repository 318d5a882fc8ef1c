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

// Makes call and keeps the source line it is written on in line, for the
// report of its failure:  status = AT_LINE(line, RegOpenKeyExW(...));
#define AT_LINE(line, call) ((line) = __LINE__, (call))

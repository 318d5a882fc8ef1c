// The program's version number and its text form.
#pragma once

#include <stddef.h>

// The running program's version, 1061 = "1.06a".
extern const int ProgramVersion;

// Writes version v as text: 1061 -> "1.06a", 1070 -> "1.07". Always
// terminated within cap units.
void FormatVersion(int version, wchar_t *out, size_t cap);

// A small modal box that asks for one line of text. It has no resource
// template: the template is built in memory at each call.
#pragma once

#include <windows.h>
#include <stddef.h>

// The caller's record; it must outlive the call.
struct InputBoxParams {
    HWND owner;            // owner of the modal box
    wchar_t *text;         // in: initial text; out, after OK: what was entered
    int maximumLength;     // capacity of text in UTF-16 units, terminator included
    const wchar_t *caption;
    const wchar_t *prompt; // line feeds break lines
    int result;            // set by InputBox: 1 OK, 2 Cancel/Esc/close box, -1 box not created
};

// Shows the box modally. Returns -1 when params is null or unusable (no
// text buffer, capacity below 1), -2 when the template's memory cannot be
// had; nothing is shown then and result is untouched. Otherwise returns 0
// with the outcome in result; text changes only after OK.
int InputBox(InputBoxParams *params);

// Writes the box's dialog template (classic DLGTEMPLATE format) for params
// into out, never past size bytes, and returns the size the whole template
// needs. With out null it only measures.
size_t BuildInputBoxTemplate(const InputBoxParams *params, BYTE *out, size_t size);

// Text helpers: bounded copies, templates and UTF-8 conversions that never
// write past their buffer and never split a character.
//
// Every helper writes at most cap units including the terminator, always
// terminates (when cap > 0), and never cuts a character in two.
#pragma once

#include <windows.h>
#include <stddef.h>
#include <initializer_list>

// n, or n - 1 when text[n - 1] is the first half of a surrogate pair: the
// length of text cut after n units without leaving half a character.
size_t CutAtCharacter(const wchar_t *text, size_t n);
// Copies text, or its first len units, into out; returns the units copied.
size_t CopyText(wchar_t *out, size_t cap, const wchar_t *text, size_t len = (size_t)-1);
// Replaces each "%s" of templ in turn by the next of args; nothing else of
// templ is interpreted, so a template from a resource is safe to use.
void FillTemplate(wchar_t *out, size_t cap, const wchar_t *templ,
                  std::initializer_list<const wchar_t *> args);
// Fills the template that is the text of dialog item id (at most 255
// units) with args, and makes the result the item's text.
void FillItemTemplate(HWND dialog, int id, std::initializer_list<const wchar_t *> args);
// Converts len bytes of UTF-8 into out; invalid sequences become U+FFFD.
// Returns the units written without the terminator.
size_t Utf8ToText(const char *bytes, size_t len, wchar_t *out, size_t cap);
// Converts text to UTF-8 into out, cut at a character boundary when it does
// not fit. Returns the bytes written without the terminating zero byte.
size_t TextToUtf8(const wchar_t *text, char *out, size_t cap);

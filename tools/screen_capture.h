// Pictures of the screen as PNG files, for the screenshot tools.
#pragma once

#include <windows.h>

// Copies the rectangle area of the screen (clipped to the screen) and
// writes it to file as a PNG picture. Returns whether the file was written.
bool SaveScreenArea(RECT area, const wchar_t *file);

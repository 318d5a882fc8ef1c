// What the program draws in pixels, at the screen's scale: the program
// declares itself aware of the system's DPI, so the system no longer
// stretches (and blurs) its windows, and what is not laid out in dialog
// units grows with the DPI here.
#include "base/base.h"

#include "resource.h"

// The DPI at which the pictures and the default sizes are drawn.
static const int DesignDpi = 96;

// The screen's DPI, read once: for a program aware of the system's DPI it
// stays what it was when the program started.
static int StartDpi;

// The range of DPIs a stored size may name; anything else in Data.ini is
// taken as the design's.
static const int LeastDpi = 48;
static const int MostDpi = 960;

int ScreenDpi()
{
    if (StartDpi == 0) {
        HDC screen = GetDC(NULL);
        int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
        if (screen)
            ReleaseDC(NULL, screen);
        StartDpi = dpi > 0 ? dpi : DesignDpi;
    }
    return StartDpi;
}

int ScreenPixels(int pixels)
{
    return MulDiv(pixels, ScreenDpi(), DesignDpi);
}

int PixelsFromDpi(int pixels, int dpi)
{
    return MulDiv(pixels, ScreenDpi(), dpi >= LeastDpi && dpi <= MostDpi ? dpi : DesignDpi);
}

HBITMAP LoadScaledBitmap(int id, SIZE drawnSize)
{
    const int width = drawnSize.cx, height = drawnSize.cy;
    HBITMAP drawn = static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    int scaledWidth = ScreenPixels(width), scaledHeight = ScreenPixels(height);
    if (!drawn || (scaledWidth == width && scaledHeight == height))
        return drawn;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = scaledWidth;
    info.bmiHeader.biHeight = scaledHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void *bits = NULL;
    HDC screen = GetDC(NULL);
    HBITMAP scaled = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    HDC from = CreateCompatibleDC(screen), to = CreateCompatibleDC(screen);
    BOOL stretched = FALSE;
    if (scaled && from && to) {
        HGDIOBJ drawnBefore = SelectObject(from, drawn), scaledBefore = SelectObject(to, scaled);
        // Each pixel takes the colour of the nearest drawn one, never a
        // blend: the pictures stay sharp and the strip's transparent
        // colour exact.
        SetStretchBltMode(to, COLORONCOLOR);
        stretched = StretchBlt(to, 0, 0, scaledWidth, scaledHeight, from, 0, 0, width, height, SRCCOPY);
        SelectObject(from, drawnBefore);
        SelectObject(to, scaledBefore);
    }
    if (to)
        DeleteDC(to);
    if (from)
        DeleteDC(from);
    if (screen)
        ReleaseDC(NULL, screen);
    DeleteObject(drawn);
    if (!stretched && scaled) {
        DeleteObject(scaled);
        scaled = NULL;
    }
    return scaled;
}

// The picture's static control: the dialog's one SS_BITMAP control.
static HWND PictureControl(HWND dialog)
{
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (((DWORD)GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP)
            return child;
    return NULL;
}

void ShowScaledPicture(HWND dialog)
{
    HWND control = PictureControl(dialog);
    BITMAP size = {};
    HBITMAP shown = control ? reinterpret_cast<HBITMAP>(SendMessageW(control, STM_GETIMAGE, IMAGE_BITMAP, 0)) : NULL;
    if (!shown || !GetObjectW(shown, sizeof size, &size) || ScreenPixels(size.bmWidth) == size.bmWidth)
        return;
    // Without the larger picture the one the template loaded stays.
    HBITMAP scaled = LoadScaledBitmap(IDB_PICTURE, {size.bmWidth, size.bmHeight});
    if (!scaled)
        return;
    // The control takes the new picture's size; the one it loaded itself
    // is the program's to delete once replaced.
    HBITMAP previous =
        reinterpret_cast<HBITMAP>(SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(scaled)));
    if (previous && previous != scaled)
        DeleteObject(previous);
}

void ReleaseScaledPicture(HWND dialog)
{
    // A static control never deletes a picture it was given, nor the one
    // it loaded itself once that is taken out of it.
    HWND control = PictureControl(dialog);
    HBITMAP shown = control ? reinterpret_cast<HBITMAP>(SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, 0)) : NULL;
    if (shown)
        DeleteObject(shown);
}

HICON LoadCaptionIcon()
{
    // The icon group's nearest size, scaled by the system when it has none
    // of the caption's size.
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON,
                                         GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
}

// What the program draws in pixels, at the screen's scale: the program
// declares itself aware of the system's DPI, so the system no longer
// stretches (and blurs) its windows, and what is not laid out in dialog
// units grows with the DPI here.
#include "base/base.h"

#include "resource.h"

// The DPI at which the pictures and the default sizes are drawn.
static const int DesignDpi = 96;

int ScreenPixels(int pixels)
{
    // The system's DPI stays what it was when the program started.
    HDC screen = GetDC(NULL);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : DesignDpi;
    if (screen)
        ReleaseDC(NULL, screen);
    return MulDiv(pixels, dpi > 0 ? dpi : DesignDpi, DesignDpi);
}

HBITMAP LoadScaledBitmap(int id, int width, int height)
{
    // The system stretches the bitmap as it loads it; it samples the
    // nearest pixel, so the strip's transparent colour stays exact.
    return (HBITMAP)LoadImageW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(id), IMAGE_BITMAP, ScreenPixels(width),
                               ScreenPixels(height), LR_CREATEDIBSECTION);
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
    HBITMAP shown = control ? (HBITMAP)SendMessageW(control, STM_GETIMAGE, IMAGE_BITMAP, 0) : NULL;
    if (!shown || !GetObjectW(shown, sizeof size, &size))
        return;
    // Without the larger picture the one the template loaded stays.
    HBITMAP scaled = LoadScaledBitmap(IDB_PICTURE, size.bmWidth, size.bmHeight);
    if (!scaled)
        return;
    // The control takes the new picture's size; the one it loaded itself
    // is the program's to delete once replaced.
    HBITMAP previous = (HBITMAP)SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, (LPARAM)scaled);
    if (previous && previous != scaled)
        DeleteObject(previous);
}

void ReleaseScaledPicture(HWND dialog)
{
    // A static control never deletes a picture it was given.
    HWND control = PictureControl(dialog);
    HBITMAP shown = control ? (HBITMAP)SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, 0) : NULL;
    if (shown)
        DeleteObject(shown);
}

HICON LoadCaptionIcon()
{
    // The icon group's nearest size, scaled by the system when it has none
    // of the caption's size.
    return (HICON)LoadImageW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON,
                             GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0);
}

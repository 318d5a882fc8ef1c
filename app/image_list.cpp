// The shared image list of the 32 status icons, loaded before WinMain runs.
#include "app/main_dialog.h"
#include "resource.h"

// Not tested on purpose: without the image list the rows simply show no
// icon. The list view destroys it together with itself.
HIMAGELIST StatusImageList = ImageList_LoadImageW(
    GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDB_STATUS_ICONS), 16, 0, RGB(255, 0, 255),
    IMAGE_BITMAP, LR_CREATEDIBSECTION);

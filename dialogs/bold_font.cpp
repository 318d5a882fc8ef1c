// The bold first line of the notices and the About box.
#include "dialogs/dialogs.h"

// The window property under which a control keeps its bold font.
static const wchar_t BoldFontProperty[] = L"Orbelan.BoldFont";

void MakeFontBold(HWND control)
{
    HFONT font = (HFONT)SendMessageW(control, WM_GETFONT, 0, 0);
    LOGFONTW description;
    if (!GetObjectW(font ? font : GetStockObject(DEFAULT_GUI_FONT), sizeof description, &description))
        return;
    description.lfWeight = FW_BOLD;
    HFONT bold = CreateFontIndirectW(&description);
    if (!bold)
        return;
    FreeBoldFont(control); // a control gets one at a time
    SetPropW(control, BoldFontProperty, bold);
    SendMessageW(control, WM_SETFONT, (WPARAM)bold, TRUE);
}

void FreeBoldFont(HWND control)
{
    HFONT bold = (HFONT)RemovePropW(control, BoldFontProperty);
    if (!bold)
        return;
    // Hand the control its dialog's font back before the bold one goes.
    HFONT normal = (HFONT)SendMessageW(GetParent(control), WM_GETFONT, 0, 0);
    SendMessageW(control, WM_SETFONT, (WPARAM)normal, FALSE);
    DeleteObject(bold);
}

// The About box (dialog 110).
#include "dialogs/dialogs.h"

#include "app/program_version.h"
#include "app/text.h"
#include "resource.h"
#include "version.h"

INT_PTR CALLBACK AboutDialog(HWND window, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: {
        wchar_t version[8];
        FormatVersion(ProgramVersion, version, 8);
        FillItemTemplate(window, IDC_ABOUT_VERSION, {version, L"" ORBELAN_BUILD_DATE});
        MakeFontBold(GetDlgItem(window, IDC_ABOUT_TITLE));
        break;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
            EndDialog(window, 0);
            break;
        }
        break;
    case WM_DESTROY:
        FreeBoldFont(GetDlgItem(window, IDC_ABOUT_TITLE));
        break;
    }
    return FALSE;
}

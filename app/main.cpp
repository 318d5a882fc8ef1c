// Program entry: the main window, run as a modal dialog, is the whole
// application.
#include "app/main_dialog.h"
#include "diag/diag.h"
#include "resource.h"
#include "texts.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_USEREX_CLASSES};
    REPORT_IF_FALSE(TXT_PROC_WINMAIN, TXT_CMD_INIT_CONTROLS, InitCommonControlsEx(&controls));
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), NULL, MainDialogProc, 0);
    return 0;
}

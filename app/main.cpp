// Program entry: the main window, run as a modal dialog, is the whole
// application.
#include "app/main_dialog.h"
#include "diag/diag.h"
#include "resource.h"
#include "texts.h"

// Users start the program from wherever they saved it, a Downloads folder
// among them. The DLLs that the system's own DLLs load by name (the
// download machinery pulls in many) are then looked for in the system
// folder only, never beside the program. Windows XP and a Windows 7
// without the update that brought SetDefaultDllDirectories lack it; there
// nothing changes.
static void LoadLibrariesFromTheSystemFolderOnly()
{
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto limit = reinterpret_cast<decltype(&SetDefaultDllDirectories)>(
        reinterpret_cast<void (*)()>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (limit)
        limit(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    LoadLibrariesFromTheSystemFolderOnly();
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_USEREX_CLASSES};
    REPORT_IF_FALSE(TXT_PROC_WINMAIN, TXT_CMD_INIT_CONTROLS, InitCommonControlsEx(&controls));
    RunMainDialog(instance);
    return 0;
}

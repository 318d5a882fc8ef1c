// The one status list of the program, its dirty flag, and its exchange
// with the registry as the main window shows it.
#include "store/status_store.h"

#include "app/main_dialog.h"

StatusTable StatusList;
int StatusListDirty;

int LoadAll()
{
    wchar_t icq[16];
    GetCurrentIcq(icq);
    StatusListDirty = 0;
    int result = ReadStatusList(icq, &StatusList);
    // Also after a failed load: no row may stand for a record that is gone.
    FillStatusListView();
    return result;
}

int SaveAll()
{
    wchar_t icq[16];
    GetCurrentIcq(icq);
    int result = WriteStatusList(icq, &StatusList);
    if (result == 0)
        StatusListDirty = 0;
    return result;
}

// Export and import of the statuses as registry files, through the common
// file dialogs, and the restore of a backup.
#include "dialogs/dialogs.h"

#include "diag/diag.h"
#include "store/status_store.h"
#include "texts.h"

#include <commdlg.h>

// Room for a message with a system description or a line number.
static const size_t FileMessageSize = ErrorTextSize + 128;

// The file dialogs live in comdlg32, which pulls in much of the shell: it is
// loaded when the user first asks for one, never at start-up.
static bool RunFileDialog(OPENFILENAMEW *dialog, bool save)
{
    auto run = SystemFunction<decltype(&GetOpenFileNameW)>(L"comdlg32.dll", save ? "GetSaveFileNameW"
                                                                                  : "GetOpenFileNameW");
    return run && run(dialog);
}

// A file dialog owned by the main window for path (MAX_PATH units, holding
// the name to offer), which keeps the current folder as it is: the event log
// is written there.
static void PrepareFileDialog(OPENFILENAMEW *dialog, wchar_t *path, const wchar_t *title, DWORD flags)
{
    ZeroMemory(dialog, sizeof *dialog);
    dialog->lStructSize = sizeof *dialog;
    dialog->hwndOwner = MainWindowHandle;
    dialog->lpstrFilter = TXT_FILE_FILTER;
    dialog->nFilterIndex = 1;
    dialog->lpstrFile = path;
    dialog->nMaxFile = MAX_PATH;
    dialog->lpstrTitle = title;
    dialog->lpstrDefExt = L"reg";
    dialog->Flags = flags | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
}

static void ShowFailure(const wchar_t *templ, DWORD error)
{
    wchar_t description[ErrorTextSize], text[FileMessageSize];
    DescribeErrorBriefly(error, description, ARRAYSIZE(description));
    FillTemplate(text, ARRAYSIZE(text), templ, {description});
    ShowMessage(MainWindowHandle, text, MB_OK | MB_ICONERROR);
}

void ExportStatuses()
{
    wchar_t icq[IcqSize], path[MAX_PATH];
    GetCurrentIcq(icq, ARRAYSIZE(icq));
    FillTemplate(path, ARRAYSIZE(path), TXT_EXPORT_NAME, {icq});
    OPENFILENAMEW dialog;
    PrepareFileDialog(&dialog, path, TXT_EXPORT_TITLE, OFN_OVERWRITEPROMPT);
    if (!RunFileDialog(&dialog, true))
        return;
    DWORD error = ExportStatusFile(path, icq, &StatusList);
    if (error != ERROR_SUCCESS)
        ShowFailure(TXT_EXPORT_FAILED, error);
}

// Tells why the file could not be used.
static void ShowUnusableFile(StatusFileResult result, DWORD detail)
{
    wchar_t text[FileMessageSize];
    switch (result) {
    case FileUnreadable:
        ShowFailure(TXT_FILE_UNREADABLE, detail);
        return;
    case FileDamaged:
        wsprintfW(text, TXT_FILE_DAMAGED, (int)detail);
        break;
    case FileWithoutStatuses:
        CopyText(text, ARRAYSIZE(text), TXT_FILE_WITHOUT_STATUSES);
        break;
    default:
        CopyText(text, ARRAYSIZE(text), TXT_FILE_OF_MANY_ACCOUNTS);
        break;
    }
    ShowMessage(MainWindowHandle, text, MB_OK | MB_ICONERROR);
}

void ImportStatuses(bool fromBackups)
{
    if (StatusListDirty && AskQuestion(TXT_ASK_DROP_CHANGES) != IDYES)
        return;
    wchar_t path[MAX_PATH] = L"", folder[MAX_PATH];
    OPENFILENAMEW dialog;
    PrepareFileDialog(&dialog, path, fromBackups ? TXT_RESTORE_TITLE : TXT_IMPORT_TITLE, OFN_FILEMUSTEXIST);
    if (fromBackups && BackupFolder(folder))
        dialog.lpstrInitialDir = folder;
    if (!RunFileDialog(&dialog, false))
        return;

    // Read aside: a file that cannot be used leaves the list as it was.
    StatusTable *read = static_cast<StatusTable *>(HeapAlloc(GetProcessHeap(), 0, sizeof(StatusTable)));
    DWORD detail = ERROR_NOT_ENOUGH_MEMORY;
    StatusFileResult result = read ? ReadStatusFile(path, read, &detail) : FileUnreadable;
    if (result == FileRead) {
        CopyMemory(&StatusList, read, sizeof StatusList);
        StatusListDirty = 1;
        FillStatusListView();
    } else {
        ShowUnusableFile(result, detail);
    }
    if (read)
        HeapFree(GetProcessHeap(), 0, read);
}

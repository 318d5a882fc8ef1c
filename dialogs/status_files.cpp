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

// Replaces StatusList by the statuses of the file at path, as the user's
// changes: the dirty flag set, the registry untouched. A file that cannot be
// used is shown and changes nothing; returns whether the list was replaced.
// A list kept at the end of a session may be an empty one.
static bool PutFileInPlace(const wchar_t *path, bool mayBeEmpty = false)
{
    // Read aside: a file that cannot be used leaves the list as it was.
    StatusTable *read = static_cast<StatusTable *>(HeapAlloc(GetProcessHeap(), 0, sizeof(StatusTable)));
    DWORD detail = ERROR_NOT_ENOUGH_MEMORY;
    StatusFileResult result = read ? ReadStatusFile(path, read, &detail) : FileUnreadable;
    if (result == FileWithoutStatuses && mayBeEmpty) {
        read->Count = 0;
        result = FileRead;
    }
    if (result == FileRead) {
        BeginListChange();
        CopyMemory(&StatusList, read, sizeof StatusList);
        int changed = EndListChange(-1);
        StatusListDirty = 1;
        FillStatusListView();
        if (StatusList.Count > 0)
            SelectStatusRow(changed >= 0 && changed < StatusList.Count ? changed : 0);
    } else {
        ShowUnusableFile(result, detail);
    }
    if (read)
        HeapFree(GetProcessHeap(), 0, read);
    return result == FileRead;
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

    PutFileInPlace(path);
}

// The file kept at the end of the session, or empty.
static wchar_t KeptPath[MAX_PATH];

void KeepUnsavedChanges()
{
    if (KeptPath[0])
        return;
    wchar_t icq[IcqSize];
    GetCurrentIcq(icq, ARRAYSIZE(icq));
    // Nothing can be asked now: a list that cannot be kept is lost as it
    // would be without this.
    KeepUnsavedStatuses(icq, &StatusList, KeptPath);
}

void DropKeptChanges()
{
    if (KeptPath[0])
        DeleteFileW(KeptPath);
    KeptPath[0] = 0;
}

void OfferUnsavedChanges()
{
    wchar_t icq[IcqSize], path[MAX_PATH], time[BackupTimeLength + 1];
    GetCurrentIcq(icq, ARRAYSIZE(icq));
    if (!FindUnsavedStatuses(icq, path, time))
        return;
    wchar_t question[ARRAYSIZE(TXT_ASK_RESTORE_UNSAVED) + BackupTimeLength];
    FillTemplate(question, ARRAYSIZE(question), TXT_ASK_RESTORE_UNSAVED, {time});
    bool restored = AskQuestion(question) == IDYES && PutFileInPlace(path, true);
    SetUnsavedStatusesOffered(icq, path, restored);
}

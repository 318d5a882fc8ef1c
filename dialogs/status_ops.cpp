// The operations behind the main window's Add, Edit and Delete buttons, its
// "clear all" command and the moves of a status in the list.
#include "dialogs/dialogs.h"

#include "resource.h"
#include "store/status_store.h"
#include "texts.h"

#include <string.h>

static INT_PTR RunEditor(StatusRecord *record)
{
    return DialogBoxParamW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDD_STATUS_EDIT), MainWindowHandle,
                           StatusEditDialog, (LPARAM)record);
}

// After a change of the list begun with BeginListChange: one step to undo,
// the list now differs from the stored one, the view shows it, and row (or
// the last, when the list is shorter) is the selected one.
static void ListChanged(int row)
{
    int shown = row < StatusList.Count ? row : StatusList.Count - 1;
    EndListChange(shown);
    StatusListDirty = 1;
    FillStatusListView();
    if (shown >= 0)
        SelectStatusRow(shown);
}

void AddStatus()
{
    StatusRecord record = {};
    record.IconIndex = 1;
    record.On = 1;
    // A full list has every icon taken: its editor accepts no record.
    if (RunEditor(&record) != 1 || StatusList.Count >= MaxStatuses)
        return;
    BeginListChange();
    StatusList.Records[StatusList.Count++] = record;
    ListChanged(StatusList.Count - 1);
}

void EditStatus()
{
    int index = CommandRow();
    if (index < 0)
        return;
    // The editor writes the record in place.
    BeginListChange();
    if (RunEditor(&StatusList.Records[index]) == 1)
        ListChanged(index);
}

void DeleteStatus()
{
    int index = CommandRow();
    if (index < 0 || AskQuestion(TXT_ASK_DELETE) != IDYES)
        return;
    BeginListChange();
    StatusRecord *records = StatusList.Records;
    memmove(&records[index], &records[index + 1], (StatusList.Count - index - 1) * sizeof *records);
    StatusList.Count--;
    ListChanged(index);
}

void ClearAll()
{
    BeginListChange();
    StatusList.Count = 0;
    EndListChange(-1);
}

bool MoveStatus(int from, int to)
{
    if (from < 0 || from >= StatusList.Count || to < 0 || to >= StatusList.Count || from == to)
        return false;
    BeginListChange();
    StatusRecord *records = StatusList.Records;
    StatusRecord moved = records[from];
    if (from < to)
        memmove(&records[from], &records[from + 1], (to - from) * sizeof *records);
    else
        memmove(&records[to + 1], &records[to], (from - to) * sizeof *records);
    records[to] = moved;
    ListChanged(to);
    return true;
}

bool MoveSelectedStatus(int step)
{
    int row = CommandRow();
    return row >= 0 && MoveStatus(row, row + step);
}

void SetStatusFlag(int row, bool on)
{
    if (row < 0 || row >= StatusList.Count || (StatusList.Records[row].On != 0) == on)
        return;
    // The row is selected first, so that an undo selects it again. The
    // view shows the new state already: it is not refilled.
    SelectStatusRow(row);
    BeginListChange();
    StatusList.Records[row].On = on ? 1 : 0;
    EndListChange(row);
    StatusListDirty = 1;
}

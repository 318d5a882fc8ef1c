// The undo and redo history of the status list. A step keeps the list it
// brings back as the few bytes in which that list differs from the list it
// is applied to: for each record, either the position of the same record
// in that list, or the record itself with its texts at their own length.
// A move or a toggle costs a few hundred bytes, an edit one record.
#include "dialogs/dialogs.h"

#include "store/status_store.h"

#include <string.h>
#include <wchar.h>

// The newest steps kept each way, and the bytes all of them may cost,
// this file's own lists included. When steps are so large that the newest
// HistorySteps would cost more, the oldest go first.
static const int HistorySteps = 100;
static const size_t HistoryBudget = 4 * 1024 * 1024;

// The head of one step's block. Record i of the list it brings back is
// record From[i] of the list it is applied to, or, for -1, the next record
// kept behind the head.
struct HistoryStep {
    size_t Bytes;            // the whole block
    int Count;               // records of the list it brings back
    int Selected;            // its selected row, or -1
    int Back;                // the selected row of the list it is applied to, or -1
    int From[MaxStatuses];
};

// A record kept in a step: these numbers, then its title and its text
// without terminators. Copied with memcpy: its place in the block is not
// aligned.
struct KeptRecord {
    DWORD LineNumber;
    int IconIndex;
    DWORD On;
    int NameLength;
    int DescriptionLength;
};

// The list before the change in hand, or the list an undo or redo leaves:
// a third of a megabyte, which no two changes need at once.
static StatusTable Before;
static int BeforeSelected;
static HistoryStep *UndoSteps[HistorySteps];
static HistoryStep *RedoSteps[HistorySteps];
static int UndoCount, RedoCount;
static size_t StepBytes;

static const size_t FixedBytes = sizeof Before + sizeof UndoSteps + sizeof RedoSteps;
static const size_t LargestStep =
    sizeof(HistoryStep) + MaxStatuses * (sizeof(KeptRecord) + (NameSize + DescriptionSize) * sizeof(wchar_t));
static_assert(FixedBytes + LargestStep < HistoryBudget, "the newest step always fits the budget");

static int TextLength(const wchar_t *text, size_t cap)
{
    return (int)wcsnlen(text, cap - 1);
}

static bool SameRecord(const StatusRecord &a, const StatusRecord &b)
{
    int nameLength = TextLength(a.Name, ARRAYSIZE(a.Name));
    int descriptionLength = TextLength(a.Description, ARRAYSIZE(a.Description));
    return a.LineNumber == b.LineNumber && a.IconIndex == b.IconIndex && a.On == b.On &&
           nameLength == TextLength(b.Name, ARRAYSIZE(b.Name)) &&
           descriptionLength == TextLength(b.Description, ARRAYSIZE(b.Description)) &&
           wmemcmp(a.Name, b.Name, nameLength) == 0 && wmemcmp(a.Description, b.Description, descriptionLength) == 0;
}

static void CopyList(StatusTable *to, const StatusTable &from)
{
    to->Count = from.Count;
    memcpy(to->Records, from.Records, from.Count * sizeof *from.Records);
}

// The first position at which the lists differ; -1 when they are the same.
static int FirstDifference(const StatusTable &a, const StatusTable &b)
{
    int shorter = a.Count < b.Count ? a.Count : b.Count;
    for (int row = 0; row < shorter; row++)
        if (!SameRecord(a.Records[row], b.Records[row]))
            return row;
    return a.Count == b.Count ? -1 : shorter;
}

// A step that brings target back, with row selected, from source; null
// when the memory is not given.
static HistoryStep *MakeStep(const StatusTable &target, int selected, const StatusTable &source)
{
    int from[MaxStatuses];
    size_t bytes = sizeof(HistoryStep);
    for (int i = 0; i < target.Count; i++) {
        from[i] = -1;
        for (int j = 0; j < source.Count && from[i] < 0; j++)
            if (SameRecord(target.Records[i], source.Records[j]))
                from[i] = j;
        const StatusRecord &record = target.Records[i];
        if (from[i] < 0)
            bytes += sizeof(KeptRecord) + (TextLength(record.Name, ARRAYSIZE(record.Name)) +
                                           TextLength(record.Description, ARRAYSIZE(record.Description))) *
                                              sizeof(wchar_t);
    }
    auto *step = static_cast<HistoryStep *>(HeapAlloc(GetProcessHeap(), 0, bytes));
    if (!step)
        return NULL;
    step->Bytes = bytes;
    step->Count = target.Count;
    step->Selected = selected;
    step->Back = -1;
    BYTE *at = reinterpret_cast<BYTE *>(step + 1);
    for (int i = 0; i < target.Count; i++) {
        step->From[i] = from[i];
        if (from[i] >= 0)
            continue;
        const StatusRecord &record = target.Records[i];
        KeptRecord kept = {record.LineNumber, record.IconIndex, record.On, TextLength(record.Name, ARRAYSIZE(record.Name)),
                           TextLength(record.Description, ARRAYSIZE(record.Description))};
        memcpy(at, &kept, sizeof kept);
        at += sizeof kept;
        memcpy(at, record.Name, kept.NameLength * sizeof(wchar_t));
        at += kept.NameLength * sizeof(wchar_t);
        memcpy(at, record.Description, kept.DescriptionLength * sizeof(wchar_t));
        at += kept.DescriptionLength * sizeof(wchar_t);
    }
    return step;
}

// Makes target the list step brings back from source.
static void ApplyStep(const HistoryStep *step, const StatusTable &source, StatusTable *target)
{
    const BYTE *at = reinterpret_cast<const BYTE *>(step + 1);
    for (int i = 0; i < step->Count; i++) {
        StatusRecord &record = target->Records[i];
        if (step->From[i] >= 0) {
            record = source.Records[step->From[i]];
            continue;
        }
        KeptRecord kept;
        memcpy(&kept, at, sizeof kept);
        at += sizeof kept;
        record.LineNumber = kept.LineNumber;
        record.IconIndex = kept.IconIndex;
        record.On = kept.On;
        memcpy(record.Name, at, kept.NameLength * sizeof(wchar_t));
        record.Name[kept.NameLength] = 0;
        at += kept.NameLength * sizeof(wchar_t);
        memcpy(record.Description, at, kept.DescriptionLength * sizeof(wchar_t));
        record.Description[kept.DescriptionLength] = 0;
        at += kept.DescriptionLength * sizeof(wchar_t);
    }
    target->Count = step->Count;
}

static void DropOldest(HistoryStep **steps, int *count)
{
    StepBytes -= steps[0]->Bytes;
    HeapFree(GetProcessHeap(), 0, steps[0]);
    (*count)--;
    for (int i = 0; i < *count; i++)
        steps[i] = steps[i + 1];
}

// Keeps step as the newest of steps. Over the budget, the oldest steps to
// undo go first, then the redo steps farthest away; the new step itself
// always fits.
static void PushStep(HistoryStep **steps, int *count, HistoryStep *step)
{
    if (*count == HistorySteps)
        DropOldest(steps, count);
    steps[(*count)++] = step;
    StepBytes += step->Bytes;
    while (FixedBytes + StepBytes > HistoryBudget) {
        if (UndoCount > (steps == UndoSteps ? 1 : 0))
            DropOldest(UndoSteps, &UndoCount);
        else
            DropOldest(RedoSteps, &RedoCount);
    }
}

static void DropAll(HistoryStep **steps, int *count)
{
    while (*count > 0)
        DropOldest(steps, count);
}

void ForgetListChanges()
{
    DropAll(UndoSteps, &UndoCount);
    DropAll(RedoSteps, &RedoCount);
}

void BeginListChange()
{
    CopyList(&Before, StatusList);
    BeforeSelected = CommandRow();
}

int EndListChange(int row)
{
    int changed = FirstDifference(Before, StatusList);
    if (changed < 0)
        return -1;
    DropAll(RedoSteps, &RedoCount);
    // Without memory for the step the change stands all the same; it only
    // cannot be undone.
    HistoryStep *step = MakeStep(Before, BeforeSelected, StatusList);
    if (step) {
        step->Back = row;
        PushStep(UndoSteps, &UndoCount, step);
    }
    return changed;
}

// Takes the newest step of from, keeps its way back in to, and shows the
// list it brought back with its selected row, or else the first row that
// changed, or else the first. The way back selects the row the change
// selected when it was made, or else the row selected now.
static bool TakeStep(HistoryStep **from, int *fromCount, HistoryStep **to, int *toCount)
{
    if (*fromCount == 0)
        return false;
    HistoryStep *step = from[*fromCount - 1];
    CopyList(&Before, StatusList);
    int leftSelected = CommandRow();
    ApplyStep(step, Before, &StatusList);
    int row = step->Selected;
    int back = step->Back >= 0 ? step->Back : leftSelected;
    (*fromCount)--;
    StepBytes -= step->Bytes;
    HeapFree(GetProcessHeap(), 0, step);
    HistoryStep *way = MakeStep(Before, back, StatusList);
    if (way) {
        way->Back = row;
        PushStep(to, toCount, way);
    }
    if (row < 0 || row >= StatusList.Count)
        row = FirstDifference(Before, StatusList);
    if (row < 0 || row >= StatusList.Count)
        row = 0;
    StatusListDirty = 1;
    FillStatusListView();
    if (StatusList.Count > 0)
        SelectStatusRow(row);
    return true;
}

bool UndoListChange()
{
    return TakeStep(UndoSteps, &UndoCount, RedoSteps, &RedoCount);
}

bool RedoListChange()
{
    return TakeStep(RedoSteps, &RedoCount, UndoSteps, &UndoCount);
}

bool CanUndoListChange()
{
    return UndoCount > 0;
}

bool CanRedoListChange()
{
    return RedoCount > 0;
}

size_t ListHistoryBytes()
{
    return FixedBytes + StepBytes;
}

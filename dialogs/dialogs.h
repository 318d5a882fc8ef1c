// The editing dialogs and the operations behind the main window's editing
// commands: the status editor, adding, editing, deleting, clearing and
// moving statuses, the export, import and restore of registry files and
// the unsaved list kept at the end of a session, the notices and the About
// box, and the default-message editor.
#pragma once

#include "base/base.h"

/* ---- notices.cpp: the notices and the About box ------------------------- */

// Dialog procedure of the notices (dialogs 107, 108, 109). The dialog's
// result is the state of its check box "do not show again": 1 ticked, 0 not,
// whether it was closed by OK, Esc or the close box.
INT_PTR CALLBACK NoticeDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Shows notice dialogId modally, owned by owner, when key of [Infos] in
// Data.ini reads 0 (or is absent), and writes the notice's result back to
// that key. A notice once ticked off never comes back.
void ShowNoticeOnce(int dialogId, const wchar_t *key, HWND owner);

// Dialog procedure of the About box (dialog 110); its result is always 0.
INT_PTR CALLBACK AboutDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

/* ---- status_edit.cpp ---------------------------------------------------- */

// Dialog procedure of the status editor (dialog 106). Initialisation
// parameter: the StatusRecord to edit. Result 1 when OK was accepted and the
// record written, 2 when the user left it (the record untouched).
INT_PTR CALLBACK StatusEditDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

/* ---- status_ops.cpp ------------------------------------------------------ */

// The operations behind the main window's buttons. Add appends a new
// record, Edit and Delete act on the list view's selection mark; each sets
// the dirty flag and refills the list view when it changed the list.
void AddStatus();
void EditStatus();
void DeleteStatus();
// Empties StatusList, in memory only; the dirty flag stays as it was.
void ClearAll();
// Moves record from to position to, the records between moving up or down
// by one, sets the dirty flag, refills the list view and selects the moved
// row (SelectStatusRow). A move out of the list or onto itself changes
// nothing and returns false.
bool MoveStatus(int from, int to);
// Moves the row the commands act on (CommandRow) step places (-1 up, 1
// down); false when it cannot.
bool MoveSelectedStatus(int step);

// Sets the On of the status in row to 1 (on) or 0, as a tick in the list
// view's check box does: one step to undo, the dirty flag set, the row
// selected. Nothing happens when it is so already.
void SetStatusFlag(int row, bool on);

/* ---- history.cpp: undo and redo of the status list ----------------------- */

// Every change of StatusList is one step. BeginListChange takes note of the
// list and of the list view's selection mark before a change; after it,
// EndListChange keeps a step that brings them back (when the list changed),
// forgets every step to redo, and returns the first position at which the
// list differs from before (-1: it does not). row is the row the change
// selects, which a redo selects again; -1 for the first that changed.
void BeginListChange();
int EndListChange(int row);
// Bring back the list as it was before the newest step (after the newest
// step undone), its selected row included (else the first row that
// changed, else the first), set the dirty flag and refill the list view.
// false when there is no such step.
bool UndoListChange();
bool RedoListChange();
bool CanUndoListChange();
bool CanRedoListChange();
// What the history holds now, in bytes, its fixed lists included: at most
// 4 MB.
size_t ListHistoryBytes();

/* ---- status_files.cpp: export and import --------------------------------- */

// Writes StatusList to a registry file the user names in the save dialog
// ("Orbelan <ICQ#>.reg" offered). A failure is shown; nothing else changes.
void ExportStatuses();
// Replaces StatusList by the statuses of a registry file the user picks,
// after asking when there are unsaved changes; from the backup folder when
// fromBackups (the dialog "Obnovit ze zálohy"). Sets the dirty flag and
// refills the list view; a file that cannot be used is shown and changes
// nothing. The registry is untouched until the user saves.
void ImportStatuses(bool fromBackups);
// When Windows ends the session: keeps a list that differs from what the
// registry holds in the backup folder (KeepUnsavedStatuses), asking
// nothing, once however often it is called; DropKeptChanges deletes
// that file again when the end of the session was called off.
void KeepUnsavedChanges();
void DropKeptChanges();
// After the main window shows: offers the newest list of its account kept
// at the end of a session and not offered before. Yes puts it in place as
// the import does; either answer keeps it from being offered again.
void OfferUnsavedChanges();

/* ---- default_message.cpp ------------------------------------------------ */

// Dialog procedure of the default-message editor (dialog 111).
INT_PTR CALLBACK DefaultMessageDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Edits the client's default message for state "Away" or "NA" of the
// account shown in the main window, and writes it back at once on OK.
// Returns 0 (written, or cancelled), -1 when the key cannot be opened, -2
// when the value cannot be read, -3 when it cannot be written, -4 when the
// dialog cannot be shown; each failure is reported first.
int ChangeICQMessage(const wchar_t *state);

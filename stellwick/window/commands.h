#pragma once
// The window's commands on the selected rows: fix, delete and undo. They show every box and
// dialog owned by `owner`, the main window, and carry changes out through the core, which
// re-checks, backs up and keeps an undo step. While they re-check, the window keeps handling
// its messages; if it is closed meanwhile, they change nothing.
#include "stellwick/core/changes.h"
#include "stellwick/window/list_view.h"
#include "stellwick/window/outside.h"

// Both work on rows of either kind, broken or unverifiable: the person at the screen knows
// their drives.
// Points the selected registration at a file the user chooses (with the name warnings).
void FixSelectedEntry(ListView& list, HWND owner, Outside& outside, ChangeRecord& changes);
// Deletes the selected registrations after one confirmation.
void DeleteSelectedEntries(ListView& list, HWND owner, Outside& outside, ChangeRecord& changes);
// Undoes the newest fix or delete; false when there was none. A step that cannot be carried
// out is reported and dropped, so the next undo reaches the older ones. The caller scans again.
bool UndoLastChange(HWND owner, Outside& outside, ChangeRecord& changes);

// Removes a row and selects the one that takes its place (or the new last one).
void RemoveListRow(ListView& list, int index);

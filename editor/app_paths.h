#pragma once
// The App Paths registrations: the scan that lists the broken ones, the fix and the delete.
#include "list_view.h"
#include "outside.h"
#include <functional>
#include <string>

extern const wchar_t kAppPathsKey[];

// Calls `found` for each broken registration (its key name and trimmed path), in the
// order the registry lists them.
void ForEachBrokenRegistration(const std::function<void(const std::wstring&, const std::wstring&)>& found);
// Empties the list and fills it with the broken registrations, sorted, the first selected.
void ScanAppPaths(ListView& list);
// ScanAppPaths under the hourglass.
void RefreshAppPaths(ListView& list);

// Points the selected registration at a file the user chooses (with the name warnings).
void FixSelectedEntry(ListView& list, HWND owner, Outside& outside);
// Deletes the selected registrations after one confirmation.
void DeleteSelectedEntries(ListView& list, HWND owner, Outside& outside);

// Writes the registration's default value; reports a failure. Refuses an empty name.
void WriteAppPathEntry(const std::wstring& name, const std::wstring& path, Outside& outside);
// Deletes the registration's key with everything below it; reports a failure. Refuses an empty name.
void DeleteAppPathEntry(const std::wstring& name, Outside& outside);
// Removes a row and selects the one that takes its place (or the new last one).
void RemoveListRow(ListView& list, int index);
// The open-file dialog, starting at the registered path: the chosen path or empty.
std::wstring GetOpenFileName(const std::wstring& initialFileName, Outside& outside);

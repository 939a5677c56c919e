#pragma once
// The list rows that show registrations: name, path, scope and reason. A row's item data keeps
// its hive (Hive::Kind) and whether it is unverifiable.
#include "stellwick/core/registration.h"
#include "stellwick/window/list_view.h"

// Appends (or inserts at its sorted place) the registration's row.
void AddRegistrationRow(ListView& list, const Registration& registration);
// The registration a row shows, its hive taken from the row's item data.
Registration RowRegistration(const ListView& list, int row);
// Whether the row's registration could not be proved broken (drawn in grey).
bool IsUnverifiableRow(const ListView& list, int row);
bool IsUnverifiableRowData(LPARAM data);
// The window's words for a reason: "Файл не найден", ...
std::wstring ReasonText(Reason reason);

#pragma once
// The list rows that show registrations: name, path and scope, the scope kept as item data.
#include "stellwick/core/registration.h"
#include "stellwick/window/list_view.h"

// Appends (or inserts at its sorted place) the registration's row.
void AddRegistrationRow(ListView& list, const Registration& registration);
// The registration a row shows, its scope taken from the row's item data.
Registration RowRegistration(const ListView& list, int row);

#include "stellwick/window/rows.h"
#include "stellwick/core/texts.h"

void AddRegistrationRow(ListView& list, const Registration& registration) {
    const UINT scope = registration.scope == kCurrentUser ? IDS_SCOPE_USER : IDS_SCOPE_MACHINE;
    list.AddRow({registration.name, registration.path, Text(scope)}, registration.scope);
}

Registration RowRegistration(const ListView& list, int row) {
    Registration registration;
    registration.scope = list.Data(row) == kCurrentUser ? kCurrentUser : kLocalMachine;
    registration.name = list.Text(row, 1);
    registration.path = list.Text(row, 2);
    return registration;
}

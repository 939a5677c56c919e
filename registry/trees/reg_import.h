#pragma once
// Imports a .reg file into the registry, as the system's registry editor does: the whole
// file is read first, so one that does not read changes nothing.
#include "registry/trees/reg_parse.h"

// Every key is opened, created and deleted in the view (0, KEY_WOW64_64KEY or
// KEY_WOW64_32KEY). Returns ERROR_SUCCESS, or:
// - ERROR_INVALID_DATA: the file is not a .reg file (see ParseRegFile); *errorLine is the
//   line at fault and nothing was changed;
// - ERROR_OUTOFMEMORY: the file is larger than kMaxRegFileBytes, or memory ran out while it
//   was read; nothing was changed (*errorLine 0);
// - ERROR_INVALID_PARAMETER: no such view (*errorLine 0);
// - the platform's code when the file cannot be read (*errorLine 0), or when a key or value
//   cannot be changed: the import stops there, what came before it stays, and *errorLine is
//   that key's or value's line.
// errorLine may be null.
LSTATUS ImportRegFile(const std::wstring& fileName, REGSAM view, int* errorLine);

// Carries out parsed steps, in order, stopping at the first failure (*errorLine its line).
LSTATUS ApplyRegFile(const std::vector<RegFileStep>& steps, REGSAM view, int* errorLine);

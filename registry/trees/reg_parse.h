#pragma once
// .reg files read as the system's registry editor reads them, into the steps they ask for;
// nothing is changed here, so a file with a fault anywhere changes nothing.
#include "registry/trees/registry_tree.h"
#include <cstdint>
#include <string>
#include <vector>

// One thing a file asks for, in the file's order.
struct RegFileStep {
    enum Kind { kOpenKey, kDeleteKey, kSetValue, kDeleteValue };
    Kind kind = kOpenKey;
    int line = 0;         // the physical line it starts on, from 1
    HKEY root = nullptr;  // keys: a predefined root and the path below it (empty: the root)
    std::wstring path;
    ValueImage value;     // values: the name, and the type and bytes to set
};

// The largest file read; a larger one is refused unread.
constexpr uint64_t kMaxRegFileBytes = 64u << 20;

// The steps of a file, from its bytes: "Windows Registry Editor Version 5.00" or "REGEDIT4"
// (see reg_text.h for the encodings), key lines "[key]" and "[-key]" (deletes the tree),
// value lines "name"= or @= with "text", dword:, hex: or hex(type): data (continued on
// the next lines after a trailing backslash), or - (deletes the value); ';' comments and
// blank lines. Root names in full or short (HKLM). ERROR_INVALID_DATA, with *errorLine the
// first physical line of the line at fault, when the bytes are no such file.
LSTATUS ParseRegFile(const std::vector<uint8_t>& bytes, std::vector<RegFileStep>* steps, int* errorLine);

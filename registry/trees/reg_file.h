#pragma once
// Registry trees as a .reg file in the format the system's registry editor writes and
// imports: "Windows Registry Editor Version 5.00", UTF-16LE with a byte order mark.
#include "registry/trees/registry_tree.h"
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// One tree and the full name of its key ("HKEY_LOCAL_MACHINE\SOFTWARE\...").
struct NamedTree {
    std::wstring fullPath;
    KeyImage image;
};

std::wstring FormatRegFile(const std::vector<NamedTree>& trees);
// Writes the text with a byte order mark to a new file; fails rather than leaving a partial
// file, and with ERROR_FILE_EXISTS when a file of that name exists.
LSTATUS WriteRegFile(const std::wstring& path, const std::wstring& text);
// The same, in place of any file of that name: a failure leaves that file as it was.
LSTATUS ReplaceRegFile(const std::wstring& path, const std::wstring& text);

// The UTF-16LE bytes of a text, as the registry stores strings (no terminator added).
std::vector<uint8_t> Utf16Bytes(const std::wstring& text);

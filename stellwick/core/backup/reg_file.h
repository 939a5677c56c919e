#pragma once
// Registry trees as a .reg file in the format the system's registry editor writes and
// imports: "Windows Registry Editor Version 5.00", UTF-16LE with a byte order mark.
#include "stellwick/core/backup/registry_tree.h"
#include <string>
#include <utility>
#include <vector>

// One tree and the full name of its key ("HKEY_LOCAL_MACHINE\SOFTWARE\...").
struct NamedTree {
    std::wstring fullPath;
    KeyImage image;
};

std::wstring FormatRegFile(const std::vector<NamedTree>& trees);
// Writes the text with a byte order mark; fails rather than leaving a partial file.
HRESULT WriteRegFile(const std::wstring& path, const std::wstring& text);

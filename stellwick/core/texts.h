#pragma once
// Stellwick's texts, loaded from the program's string table (one place, ready for translation).
#include <windows.h>
#include <initializer_list>
#include <string>
#include "stellwick/core/text_ids.h"

// The text of an IDS_ identifier.
std::wstring Text(UINT id);
// The text with %1, %2, ... replaced by the arguments in order.
std::wstring Text(UINT id, std::initializer_list<std::wstring> arguments);

#pragma once
// The account the program runs as.
#include <string>

// Its SID, "S-1-5-21-..."; empty when it cannot be read.
std::wstring CallerSid();
// Its name as DOMAIN\name; empty when it cannot be read.
std::wstring CallerAccountName();

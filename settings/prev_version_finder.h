#pragma once
// Finds the newest earlier version of an application's settings: its version keys are the
// subkeys "Version <text>" of the application key.
#include <string>
#include <vector>
#include "automation/tarnwell_idl.h"

// The number of one version part: 0 unless it is all decimal digits and fits 32 bits.
long VersionPartValue(const std::wstring& text);
// How version a stands to version b.
enum VersionOrder { kSameVersion = 0, kNewerVersion = 1, kOlderVersion = 2 };
VersionOrder CompareVersions(std::wstring a, std::wstring b);
// Oldest first; stable among equal versions.
void SortVersionList(std::vector<std::wstring>* list);
// The version text of the newest version key older than (major, minor), or empty.
HRESULT FindPreviousVersion(_zbnRegistry2* registry, long root, const std::wstring& appTitle, long major, long minor,
                            std::wstring* found);

#pragma once
// A fingerprint of HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE: every key's path with a hash
// of what it holds, leaving out the keys a run may change.
#include <map>
#include <string>
#include <vector>

using RegistryFingerprint = std::map<std::wstring, unsigned long long>;

// `excluded` holds paths such as L"HKCU\\Software\\Scratch": those keys and all below them.
RegistryFingerprint TakeRegistryFingerprint(const std::vector<std::wstring>& excluded);
// The paths of keys that are new, gone or changed (at most `limit` of them).
std::vector<std::wstring> FingerprintDifferences(const RegistryFingerprint& before, const RegistryFingerprint& after,
                                                 size_t limit);

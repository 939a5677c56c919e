#pragma once
// The registry layout of the settings store:
// Software\Orrindale\Zerbane\<title>\Version <version text>[\<key path>].
#include <string>

std::wstring ApplicationKeyPath(const std::wstring& appTitle);
std::wstring BuildSettingPath(const std::wstring& appTitle, const std::wstring& versionText, const std::wstring& keyPath);

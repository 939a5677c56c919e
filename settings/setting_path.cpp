#include "settings/setting_path.h"

std::wstring ApplicationKeyPath(const std::wstring& appTitle) { return L"Software\\Orrindale\\Zerbane\\" + appTitle; }

std::wstring BuildSettingPath(const std::wstring& appTitle, const std::wstring& versionText,
                              const std::wstring& keyPath) {
    std::wstring path = ApplicationKeyPath(appTitle) + L"\\Version " + versionText;
    if (!keyPath.empty()) path += L"\\" + keyPath;
    return path;
}

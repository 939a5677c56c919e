#pragma once
// Scratch keys under HKEY_CURRENT_USER for tests against the real registry.
#include <windows.h>
#include <sddl.h>
#include <shlwapi.h>
#include <string>
#include <vector>
#include <cstdint>

// Creates a fresh scratch key on construction and deletes its tree on destruction.
class ScratchKey {
public:
    explicit ScratchKey(const std::wstring& name) : path_(L"Software\\TarnwellTests\\" + name) {
        SHDeleteKeyW(HKEY_CURRENT_USER, path_.c_str());
        HKEY k = nullptr;
        RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
        if (k) RegCloseKey(k);
    }
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;
    ~ScratchKey() { SHDeleteKeyW(HKEY_CURRENT_USER, path_.c_str()); }

    const std::wstring& Path() const { return path_; }
    std::wstring Sub(const std::wstring& child) const { return path_ + L"\\" + child; }

    // Writes a value with the raw API: any type, any bytes.
    LSTATUS Write(const std::wstring& name, DWORD type, const std::vector<uint8_t>& bytes,
                  const std::wstring& child = L"") const {
        HKEY k = nullptr;
        std::wstring p = child.empty() ? path_ : Sub(child);
        LSTATUS rc = RegCreateKeyExW(HKEY_CURRENT_USER, p.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr);
        if (rc != ERROR_SUCCESS) return rc;
        rc = RegSetValueExW(k, name.c_str(), 0, type, bytes.empty() ? nullptr : bytes.data(),
                            static_cast<DWORD>(bytes.size()));
        RegCloseKey(k);
        return rc;
    }
    LSTATUS WriteText(const std::wstring& name, DWORD type, const std::wstring& text,
                      const std::wstring& child = L"") const {
        const uint8_t* p = reinterpret_cast<const uint8_t*>(text.c_str());
        return Write(name, type, std::vector<uint8_t>(p, p + (text.size() + 1) * sizeof(wchar_t)), child);
    }
    // Reads a value's exact type and bytes with the raw API; false when it is missing.
    bool Read(const std::wstring& name, DWORD* type, std::vector<uint8_t>* bytes, const std::wstring& child = L"") const {
        std::wstring p = child.empty() ? path_ : Sub(child);
        HKEY k = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, p.c_str(), 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS) return false;
        DWORD size = 0;
        LSTATUS rc = RegQueryValueExW(k, name.c_str(), nullptr, type, nullptr, &size);
        bytes->assign(size, 0);
        if (rc == ERROR_SUCCESS && size > 0) rc = RegQueryValueExW(k, name.c_str(), nullptr, type, bytes->data(), &size);
        RegCloseKey(k);
        return rc == ERROR_SUCCESS;
    }
    bool Exists(const std::wstring& child = L"") const {
        HKEY k = nullptr;
        std::wstring p = child.empty() ? path_ : Sub(child);
        if (RegOpenKeyExW(HKEY_CURRENT_USER, p.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
        RegCloseKey(k);
        return true;
    }

private:
    std::wstring path_;
};

// UTF-16LE bytes of a text, with no terminator added.
inline std::vector<uint8_t> Utf16(const std::wstring& text) {
    const uint8_t* p = reinterpret_cast<const uint8_t*>(text.data());
    return std::vector<uint8_t>(p, p + text.size() * sizeof(wchar_t));
}

// Sets the parts of a key's security that `what` names from a security descriptor string
// ("O:SYD:P(A;;KR;;;WD)"): a test locks keys so that changes to them fail.
inline LSTATUS SetKeySecurity(HKEY root, const std::wstring& path, const wchar_t* sddl, SECURITY_INFORMATION what) {
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &sd, nullptr)) return GetLastError();
    HKEY k = nullptr;
    const REGSAM access = (what & OWNER_SECURITY_INFORMATION) ? WRITE_DAC | WRITE_OWNER : WRITE_DAC;
    LSTATUS rc = RegOpenKeyExW(root, path.c_str(), 0, access, &k);
    if (rc == ERROR_SUCCESS) {
        rc = RegSetKeySecurity(k, what, sd);
        RegCloseKey(k);
    }
    LocalFree(sd);
    return rc;
}

#pragma once
// Scratch keys under HKEY_CURRENT_USER for tests against the real registry.
#include <windows.h>
#include <sddl.h>
#include <shlwapi.h>
#include <string>
#include <vector>
#include <cstdint>
#include "com/handle_owners.h"

// Creates a fresh scratch key on construction and deletes its tree on destruction.
class ScratchKey {
public:
    explicit ScratchKey(const std::wstring& name) : path_(L"Software\\TarnwellTests\\" + name) {
        SHDeleteKeyW(HKEY_CURRENT_USER, path_.c_str());
        UniqueHKey k;
        RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.Put(), nullptr);
    }
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;
    ~ScratchKey() { SHDeleteKeyW(HKEY_CURRENT_USER, path_.c_str()); }

    const std::wstring& Path() const { return path_; }
    std::wstring Sub(const std::wstring& child) const { return path_ + L"\\" + child; }

    // Writes a value with the raw API: any type, any bytes.
    LSTATUS Write(const std::wstring& name, DWORD type, const std::vector<uint8_t>& bytes,
                  const std::wstring& child = L"") const {
        UniqueHKey k;
        std::wstring p = child.empty() ? path_ : Sub(child);
        LSTATUS rc =
            RegCreateKeyExW(HKEY_CURRENT_USER, p.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, k.Put(), nullptr);
        if (rc != ERROR_SUCCESS) return rc;
        return RegSetValueExW(k.Get(), name.c_str(), 0, type, bytes.empty() ? nullptr : bytes.data(),
                              static_cast<DWORD>(bytes.size()));
    }
    LSTATUS WriteText(const std::wstring& name, DWORD type, const std::wstring& text,
                      const std::wstring& child = L"") const {
        const uint8_t* p = reinterpret_cast<const uint8_t*>(text.c_str());
        return Write(name, type, std::vector<uint8_t>(p, p + (text.size() + 1) * sizeof(wchar_t)), child);
    }
    // Reads a value's exact type and bytes with the raw API; false when it is missing.
    bool Read(const std::wstring& name, DWORD* type, std::vector<uint8_t>* bytes, const std::wstring& child = L"") const {
        std::wstring p = child.empty() ? path_ : Sub(child);
        UniqueHKey k;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, p.c_str(), 0, KEY_QUERY_VALUE, k.Put()) != ERROR_SUCCESS) return false;
        DWORD size = 0;
        LSTATUS rc = RegQueryValueExW(k.Get(), name.c_str(), nullptr, type, nullptr, &size);
        bytes->assign(size, 0);
        if (rc == ERROR_SUCCESS && size > 0)
            rc = RegQueryValueExW(k.Get(), name.c_str(), nullptr, type, bytes->data(), &size);
        return rc == ERROR_SUCCESS;
    }
    bool Exists(const std::wstring& child = L"") const {
        UniqueHKey k;
        std::wstring p = child.empty() ? path_ : Sub(child);
        return RegOpenKeyExW(HKEY_CURRENT_USER, p.c_str(), 0, KEY_READ, k.Put()) == ERROR_SUCCESS;
    }

private:
    std::wstring path_;
};

// A predefined root of this process (HKEY_CLASSES_ROOT, HKEY_CURRENT_USER) redirected to a key
// below HKEY_CURRENT_USER, made if missing, while it lives.
class RedirectedRoot {
public:
    RedirectedRoot(HKEY root, const wchar_t* path) : root_(root) {
        RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key_.Put(), nullptr);
        RegOverridePredefKey(root_, key_.Get());
    }
    RedirectedRoot(const RedirectedRoot&) = delete;
    RedirectedRoot& operator=(const RedirectedRoot&) = delete;
    ~RedirectedRoot() { RegOverridePredefKey(root_, nullptr); }

    HKEY Key() const { return key_.Get(); }
    // Redirects again: registration gives HKEY_CLASSES_ROOT back to the platform when it ends.
    void Again() const { RegOverridePredefKey(root_, key_.Get()); }

private:
    HKEY root_;
    UniqueHKey key_;
};

// UTF-16LE bytes of a text, with no terminator added.
inline std::vector<uint8_t> Utf16(const std::wstring& text) {
    const uint8_t* p = reinterpret_cast<const uint8_t*>(text.data());
    return std::vector<uint8_t>(p, p + text.size() * sizeof(wchar_t));
}

// Sets the parts of a key's security that `what` names from a security descriptor string
// ("O:SYD:P(A;;KR;;;WD)"): a test locks keys so that changes to them fail.
inline LSTATUS SetKeySecurity(HKEY root, const std::wstring& path, const wchar_t* sddl, SECURITY_INFORMATION what) {
    UniqueLocal<PSECURITY_DESCRIPTOR> sd;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, sd.Put(), nullptr))
        return GetLastError();
    UniqueHKey k;
    const REGSAM access = (what & OWNER_SECURITY_INFORMATION) ? WRITE_DAC | WRITE_OWNER : WRITE_DAC;
    LSTATUS rc = RegOpenKeyExW(root, path.c_str(), 0, access, k.Put());
    return rc == ERROR_SUCCESS ? RegSetKeySecurity(k.Get(), what, sd.Get()) : rc;
}

// Enables a privilege of the test's own token (RegSaveKey wants SeBackupPrivilege).
inline bool EnableOwnPrivilege(const wchar_t* name) {
    UniqueHandle token;
    TOKEN_PRIVILEGES privileges = {1, {{{0, 0}, SE_PRIVILEGE_ENABLED}}};
    return OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, token.Put()) &&
           LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid) &&
           AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr);
}

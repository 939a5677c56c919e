#include "registry/key_security.h"
#include "com/handle_owners.h"
#include <sddl.h>
#include <vector>

namespace {

const SECURITY_INFORMATION kRead = OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;

// The parts a descriptor holds, and the access that setting them takes.
SECURITY_INFORMATION PartsOf(PSECURITY_DESCRIPTOR sd, REGSAM* access) {
    SECURITY_INFORMATION parts = 0;
    PSID sid = nullptr;
    PACL acl = nullptr;
    BOOL present = FALSE, defaulted = FALSE;
    *access = 0;
    if (GetSecurityDescriptorOwner(sd, &sid, &defaulted) && sid) parts |= OWNER_SECURITY_INFORMATION;
    if (GetSecurityDescriptorGroup(sd, &sid, &defaulted) && sid) parts |= GROUP_SECURITY_INFORMATION;
    if (parts) *access |= WRITE_OWNER;
    if (GetSecurityDescriptorDacl(sd, &present, &acl, &defaulted) && present) {
        parts |= DACL_SECURITY_INFORMATION;
        *access |= WRITE_DAC;
    }
    if (GetSecurityDescriptorSacl(sd, &present, &acl, &defaulted) && present) {
        parts |= SACL_SECURITY_INFORMATION;
        *access |= ACCESS_SYSTEM_SECURITY;
    }
    return parts;
}

}  // namespace

LSTATUS ReadKeySecurity(HKEY root, const std::wstring& path, REGSAM view, std::wstring* sddl) {
    sddl->clear();
    UniqueHKey key;
    LSTATUS rc = RegOpenKeyExW(root, path.c_str(), 0, READ_CONTROL | view, key.Put());
    if (rc != ERROR_SUCCESS) return rc;
    std::vector<BYTE> sd(256);
    for (;;) {
        DWORD size = static_cast<DWORD>(sd.size());
        rc = RegGetKeySecurity(key.Get(), kRead, sd.data(), &size);
        if (rc != ERROR_INSUFFICIENT_BUFFER) break;
        sd.resize(size);
    }
    if (rc != ERROR_SUCCESS) return rc;
    UniqueLocal<wchar_t*> text;
    if (!ConvertSecurityDescriptorToStringSecurityDescriptorW(sd.data(), SDDL_REVISION_1, kRead, text.Put(), nullptr))
        return GetLastError();
    *sddl = text.Get();
    return ERROR_SUCCESS;
}

LSTATUS WriteKeySecurity(HKEY root, const std::wstring& path, REGSAM view, const std::wstring& sddl) {
    UniqueLocal<PSECURITY_DESCRIPTOR> sd;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, sd.Put(), nullptr))
        return ERROR_INVALID_SECURITY_DESCR;
    REGSAM access = 0;
    const SECURITY_INFORMATION parts = PartsOf(sd.Get(), &access);
    if (!parts) return ERROR_INVALID_SECURITY_DESCR;
    UniqueHKey key;
    LSTATUS rc = RegOpenKeyExW(root, path.c_str(), 0, access | view, key.Put());
    return rc == ERROR_SUCCESS ? RegSetKeySecurity(key.Get(), parts, sd.Get()) : rc;
}

#pragma once
// A registry key's security as a security descriptor string (SDDL), in a registry view.
#include <windows.h>
#include <string>

// The key's owner, group and access list (DACL).
LSTATUS ReadKeySecurity(HKEY root, const std::wstring& path, REGSAM view, std::wstring* sddl);
// Sets the parts of the key's security that the string holds: owner, group, access list, audit
// list. ERROR_INVALID_SECURITY_DESCR for text that is no security descriptor or holds none of them.
LSTATUS WriteKeySecurity(HKEY root, const std::wstring& path, REGSAM view, const std::wstring& sddl);

#include "stellwick/core/account.h"
#include "com/handle_owners.h"
#include <windows.h>
#include <sddl.h>
#include <vector>

namespace {

// The process token's user, in a buffer that holds it; empty when it cannot be read.
std::vector<BYTE> TokenUserOfProcess() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return {};
    const UniqueHandle token(raw);
    DWORD size = 0;
    GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !GetTokenInformation(token.Get(), TokenUser, buffer.data(), size, &size)) return {};
    return buffer;
}

PSID SidOf(std::vector<BYTE>& tokenUser) { return reinterpret_cast<TOKEN_USER*>(tokenUser.data())->User.Sid; }

}  // namespace

std::wstring CallerSid() {
    std::vector<BYTE> user = TokenUserOfProcess();
    UniqueLocal<wchar_t*> text;
    if (user.empty() || !ConvertSidToStringSidW(SidOf(user), text.Put())) return {};
    return text.Get();
}

std::wstring CallerAccountName() {
    std::vector<BYTE> user = TokenUserOfProcess();
    wchar_t name[256] = {}, domain[256] = {};
    DWORD nameSize = 256, domainSize = 256;
    SID_NAME_USE use;
    if (user.empty() || !LookupAccountSidW(nullptr, SidOf(user), name, &nameSize, domain, &domainSize, &use)) return {};
    return std::wstring(domain) + L"\\" + name;
}

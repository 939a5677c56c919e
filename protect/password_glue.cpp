#include "password_glue.h"
#include "password_cryptor.h"
#include "protect_data.h"
#include "registry/value_codec.h"
#include <cwctype>

std::wstring ProtectPasswordText(const std::wstring& password, bool machineBound) {
    std::string ansi = codec::ToAnsi(password);
    std::vector<uint8_t> bytes(ansi.begin(), ansi.end()), blob;
    long lastError = 0;
    if (!ProtectBytes(&bytes, &blob, L"", machineBound, false, L"", L"0", &lastError)) return {};
    std::wstring hex;
    if (!BytesToHex(&blob, &hex)) return {};
    return L"Z" + hex;
}

std::wstring UnprotectPasswordText(const std::wstring& stored) {
    if (stored.empty() || std::towupper(stored[0]) != L'Z') return {};
    std::vector<uint8_t> blob, bytes;
    if (!HexToBytes(stored.substr(1), &blob)) return {};
    std::wstring description;
    long lastError = 0;
    if (!UnprotectBytes(&blob, &bytes, &description, false, false, L"", L"0", &lastError)) return {};
    return codec::FromAnsi(std::string(bytes.begin(), bytes.end()));
}

HRESULT EncodePassword(const std::wstring& password, int level, std::wstring* stored) {
    stored->clear();
    if (level < 0 || level > 2 || password.empty()) return S_OK;
    if (level > 0) {
        *stored = ProtectPasswordText(password, level == 1);
        if (!stored->empty()) return S_OK;
    }
    return ScramblePassword(password, stored);
}

std::wstring DecodePassword(const std::wstring& stored) {
    if (stored.empty()) return {};
    std::wstring password = UnprotectPasswordText(stored);
    if (!password.empty()) return password;
    return UnscramblePassword(stored);
}

#include "protect/password_glue.h"
#include "protect/password_cryptor.h"
#include "protect/protect_data.h"
#include <cwctype>

std::wstring ProtectPasswordText(const SecretText& password, bool machineBound) {
    SecretBytes bytes = ToAnsi(password);
    std::vector<uint8_t> blob;
    long lastError = 0;
    ProtectOptions options;
    options.machineBound = machineBound;
    if (!ProtectBytes(&bytes, &blob, L"", options, &lastError)) return {};
    std::wstring hex;
    if (!BytesToHex(&blob, &hex)) return {};
    return L"Z" + hex;
}

SecretText UnprotectPasswordText(const std::wstring& stored) {
    if (stored.empty() || std::towupper(stored[0]) != L'Z') return {};
    std::vector<uint8_t> blob;
    if (!HexToBytes(stored.substr(1), &blob)) return {};
    SecretBytes bytes;
    std::wstring description;
    long lastError = 0;
    if (!UnprotectBytes(&blob, &bytes, &description, ProtectOptions(), &lastError)) return {};
    return FromAnsi(bytes);
}

HRESULT EncodePassword(const SecretText& password, int level, std::wstring* stored) {
    stored->clear();
    if (level < 0 || level > 2 || password.empty()) return S_OK;
    if (level > 0) {
        *stored = ProtectPasswordText(password, level == 1);
        if (!stored->empty()) return S_OK;
    }
    return ScramblePassword(password, stored);
}

SecretText DecodePassword(const std::wstring& stored) {
    if (stored.empty()) return {};
    SecretText password = UnprotectPasswordText(stored);
    if (!password.empty()) return password;
    return UnscramblePassword(stored);
}

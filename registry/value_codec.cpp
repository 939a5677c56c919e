#include "registry/value_codec.h"
#include "com/safe_array.h"
#include "com/variant.h"
#include "com/bstr.h"
#include "com/variant_util.h"
#include "support/code_page.h"
#include <cstring>

namespace codec {

std::string ToAnsi(const std::wstring& text) { return Narrow(text, CP_ACP); }

std::wstring FromAnsi(const std::string& text) { return Widen(text, CP_ACP); }

std::wstring AnsiRoundTrip(const std::wstring& text) { return FromAnsi(ToAnsi(text)); }

std::vector<uint8_t> TextToBytes(const std::wstring& text, bool unicode) {
    if (unicode) {
        const uint8_t* p = reinterpret_cast<const uint8_t*>(text.data());
        return std::vector<uint8_t>(p, p + text.size() * sizeof(wchar_t));
    }
    std::string ansi = ToAnsi(text);
    return std::vector<uint8_t>(ansi.begin(), ansi.end());
}

std::wstring BytesToText(const uint8_t* data, size_t size, bool unicode) {
    if (size == 0) return {};
    if (unicode) {
        std::wstring out(size / sizeof(wchar_t), L'\0');
        memcpy(&out[0], data, out.size() * sizeof(wchar_t));
        return out;
    }
    return FromAnsi(std::string(reinterpret_cast<const char*>(data), size));
}

namespace {

HRESULT SetString(const std::wstring& text, VARIANT* data) {
    BSTR b = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!b) return E_OUTOFMEMORY;
    V_VT(data) = VT_BSTR;
    V_BSTR(data) = b;
    return S_OK;
}

std::vector<std::wstring> SplitAtNul(const std::wstring& text) {
    std::vector<std::wstring> parts;
    if (text.empty()) return parts;
    size_t start = 0;
    for (;;) {
        size_t nul = text.find(L'\0', start);
        if (nul == std::wstring::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, nul - start));
        start = nul + 1;
    }
}

bool AppendText(const std::wstring& text, bool unicode, std::vector<uint8_t>* image) {
    std::vector<uint8_t> bytes = TextToBytes(text, unicode);
    image->insert(image->end(), bytes.begin(), bytes.end());
    return true;
}

void AppendNuls(int count, bool unicode, std::vector<uint8_t>* image) {
    image->insert(image->end(), static_cast<size_t>(count) * (unicode ? 2 : 1), 0);
}

}  // namespace

bool DecodeRegValue(DWORD type, const uint8_t* bytes, size_t size, bool unicode, VARIANT* data) {
    VariantInit(data);
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
        if (unicode && size % 2 != 0) return false;
        std::wstring text = BytesToText(bytes, size, unicode);
        size_t nul = text.find(L'\0');
        if (nul != std::wstring::npos) text.resize(nul);
        return SUCCEEDED(SetString(text, data));
    }
    case REG_DWORD:
    case REG_DWORD_BIG_ENDIAN: {
        if (size != 4) return false;
        uint32_t v = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                     static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
        V_VT(data) = VT_I4;
        V_I4(data) = static_cast<LONG>(v);
        return true;
    }
    case REG_MULTI_SZ: {
        if (unicode && size % 2 != 0) return false;
        std::wstring text = BytesToText(bytes, size, unicode);
        size_t end = text.find(std::wstring(2, L'\0'));
        if (end != std::wstring::npos) text.resize(end);
        SAFEARRAY* sa = nullptr;
        if (FAILED(MakeStringArray(SplitAtNul(text), &sa))) return false;
        V_VT(data) = VT_ARRAY | VT_BSTR;
        V_ARRAY(data) = sa;
        return true;
    }
    default: {
        SAFEARRAY* sa = nullptr;
        if (FAILED(MakeByteArray(bytes, size, &sa))) return false;
        V_VT(data) = VT_ARRAY | VT_UI1;
        V_ARRAY(data) = sa;
        return true;
    }
    }
}

bool EncodeValueData(const VARIANT* value, long type, bool unicode, std::vector<uint8_t>* image) {
    image->clear();
    Variant direct;
    const VARIANT* given = DerefVariant(value);  // null for a chain of references: refused
    if (!given || FAILED(VariantCopyInd(direct.Get(), const_cast<VARIANT*>(given)))) return false;
    const VARIANT* v = direct.Get();
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        if (V_VT(v) != VT_BSTR) return false;
        AppendText(Bstr::ToString(V_BSTR(v)), unicode, image);
        AppendNuls(1, unicode, image);
        return true;
    case REG_MULTI_SZ:
        if (V_VT(v) == VT_BSTR) {
            AppendText(Bstr::ToString(V_BSTR(v)), unicode, image);
        } else if (V_VT(v) == (VT_ARRAY | VT_BSTR)) {
            std::vector<std::wstring> items;
            if (FAILED(ReadStringArray(V_ARRAY(v), &items))) return false;
            for (size_t i = 0; i < items.size(); ++i) {
                if (i > 0) AppendNuls(1, unicode, image);
                AppendText(items[i], unicode, image);
            }
        } else {
            return false;
        }
        AppendNuls(2, unicode, image);
        return true;
    case REG_DWORD:
    case REG_DWORD_BIG_ENDIAN: {
        int32_t n = 0;
        switch (V_VT(v)) {
        case VT_UI1: n = V_UI1(v); break;
        case VT_I2: n = V_I2(v); break;
        case VT_I4: n = V_I4(v); break;
        default: return false;
        }
        uint32_t u = static_cast<uint32_t>(n);
        *image = {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8), static_cast<uint8_t>(u >> 16),
                  static_cast<uint8_t>(u >> 24)};
        return true;
    }
    default:
        if (V_VT(v) != (VT_ARRAY | VT_UI1)) return false;
        return SUCCEEDED(ReadByteArray(V_ARRAY(v), image));
    }
}

}  // namespace codec

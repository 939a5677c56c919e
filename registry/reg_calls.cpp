#include "registry/reg_calls.h"
#include "registry/value_codec.h"

using codec::FromAnsi;
using codec::ToAnsi;

namespace {

// Text of a NUL-padded buffer: the first n characters, n clamped to the buffer.
template <class Ch>
std::basic_string<Ch> Prefix(const std::vector<Ch>& buf, DWORD n) {
    size_t len = n < buf.size() ? n : buf.size();
    return std::basic_string<Ch>(buf.data(), len);
}

}  // namespace

std::wstring RegCalls::AsSeen(const std::wstring& text) const {
    return unicode_ ? text : codec::AnsiRoundTrip(text);
}

LONG RegCalls::Open(HKEY root, const std::wstring& path, REGSAM access, UniqueHKey* key) {
    if (unicode_) return Record(RegOpenKeyExW(root, path.c_str(), 0, access | view_, key->Put()));
    return Record(RegOpenKeyExA(root, ToAnsi(path).c_str(), 0, access | view_, key->Put()));
}

LONG RegCalls::Create(HKEY root, const std::wstring& path, REGSAM access, UniqueHKey* key, bool* created) {
    DWORD disposition = 0;
    access |= view_;
    LONG rc = unicode_ ? RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, access, nullptr, key->Put(), &disposition)
                       : RegCreateKeyExA(root, ToAnsi(path).c_str(), 0, nullptr, 0, access, nullptr, key->Put(),
                                         &disposition);
    *created = disposition == REG_CREATED_NEW_KEY;
    return Record(rc);
}

LONG RegCalls::QueryValue(HKEY key, const std::wstring& name, DWORD* type, std::vector<uint8_t>* bytes) {
    const std::string ansiName = unicode_ ? std::string() : ToAnsi(name);
    auto read = [&](DWORD* size) {
        if (unicode_) return Record(RegQueryValueExW(key, name.c_str(), nullptr, type, bytes->data(), size));
        return Record(RegQueryValueExA(key, ansiName.c_str(), nullptr, type, bytes->data(), size));
    };
    DWORD size = static_cast<DWORD>(bytes->size());
    LONG rc = read(&size);
    if (rc == ERROR_MORE_DATA) {
        bytes->resize(size);
        rc = read(&size);
    }
    if (rc == ERROR_SUCCESS && size < bytes->size()) bytes->resize(size);
    return rc;
}

LONG RegCalls::QueryInfo(HKEY key, KeyInfo* i) {
    if (unicode_)
        return Record(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &i->subKeys, &i->maxSubKeyLen,
                                       &i->maxClassLen, &i->values, &i->maxValueNameLen, &i->maxValueLen, nullptr,
                                       &i->lastWrite));
    return Record(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &i->subKeys, &i->maxSubKeyLen, &i->maxClassLen,
                                   &i->values, &i->maxValueNameLen, &i->maxValueLen, nullptr, &i->lastWrite));
}

LONG RegCalls::QueryClass(HKEY key, std::wstring* keyClass, FILETIME* lastWrite) {
    // Grow the buffer until the whole class string fits.
    for (DWORD capacity = 256;; capacity *= 2) {
        DWORD len = capacity;
        LONG rc;
        if (unicode_) {
            std::vector<wchar_t> buf(capacity + 1, L'\0');
            rc = RegQueryInfoKeyW(key, buf.data(), &len, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                  nullptr, nullptr, lastWrite);
            if (rc == ERROR_SUCCESS) *keyClass = Prefix(buf, len);
        } else {
            std::vector<char> buf(capacity + 1, '\0');
            rc = RegQueryInfoKeyA(key, buf.data(), &len, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                  nullptr, nullptr, lastWrite);
            if (rc == ERROR_SUCCESS) *keyClass = FromAnsi(Prefix(buf, len));
        }
        if (rc != ERROR_MORE_DATA || capacity >= 0x8000) return Record(rc);
    }
}

LONG RegCalls::EnumValue(HKEY key, DWORD index, DWORD maxNameLen, EnumEntry* entry) {
    return EnumValueData(key, index, maxNameLen, entry, nullptr, &entry->dataSize);
}

LONG RegCalls::EnumValueData(HKEY key, DWORD index, DWORD maxNameLen, EnumEntry* entry, uint8_t* data,
                             DWORD* size) {
    if (!data) *size = 0;
    DWORD len = maxNameLen + 10;
    LONG rc;
    if (unicode_) {
        wideName_.assign(maxNameLen + 11, L'\0');
        rc = RegEnumValueW(key, index, wideName_.data(), &len, nullptr, &entry->type, data, size);
        entry->name = Prefix(wideName_, len);
    } else {
        ansiName_.assign(maxNameLen + 11, '\0');
        rc = RegEnumValueA(key, index, ansiName_.data(), &len, nullptr, &entry->type, data, size);
        entry->name = FromAnsi(Prefix(ansiName_, len));
    }
    return Record(rc);
}

LONG RegCalls::EnumKey(HKEY key, DWORD index, DWORD maxNameLen, DWORD maxClassLen, EnumEntry* entry) {
    DWORD len = maxNameLen + 10;
    DWORD classLen = maxClassLen + 10;
    LONG rc;
    if (unicode_) {
        wideName_.assign(maxNameLen + 11, L'\0');
        wideClass_.assign(maxClassLen + 11, L'\0');
        rc = RegEnumKeyExW(key, index, wideName_.data(), &len, nullptr, wideClass_.data(), &classLen,
                           &entry->lastWrite);
        entry->name = Prefix(wideName_, len);
        entry->keyClass = Prefix(wideClass_, classLen);
    } else {
        ansiName_.assign(maxNameLen + 11, '\0');
        ansiClass_.assign(maxClassLen + 11, '\0');
        rc = RegEnumKeyExA(key, index, ansiName_.data(), &len, nullptr, ansiClass_.data(), &classLen,
                           &entry->lastWrite);
        entry->name = FromAnsi(Prefix(ansiName_, len));
        entry->keyClass = FromAnsi(Prefix(ansiClass_, classLen));
    }
    return Record(rc);
}

LONG RegCalls::SetValue(HKEY key, const std::wstring& name, DWORD type, const std::vector<uint8_t>& image) {
    const BYTE* data = image.empty() ? nullptr : image.data();
    DWORD size = static_cast<DWORD>(image.size());
    if (unicode_) return Record(RegSetValueExW(key, name.c_str(), 0, type, data, size));
    return Record(RegSetValueExA(key, ToAnsi(name).c_str(), 0, type, data, size));
}

LONG RegCalls::DeleteValue(HKEY key, const std::wstring& name) {
    if (unicode_) return Record(RegDeleteValueW(key, name.c_str()));
    return Record(RegDeleteValueA(key, ToAnsi(name).c_str()));
}

LONG RegCalls::DeleteKeyInView(HKEY root, const std::wstring& path) {
    if (unicode_) return Record(RegDeleteKeyExW(root, path.c_str(), view_, 0));
    return Record(RegDeleteKeyExA(root, ToAnsi(path).c_str(), view_, 0));
}

// Neither SHDeleteKey nor RegDeleteTree takes a view: the key is opened in the view, emptied
// through that handle, then deleted by name in the same view.
LONG RegCalls::DeleteTree(HKEY root, const std::wstring& path) {
    if (path.empty()) return Record(ERROR_INVALID_PARAMETER);
    UniqueHKey key;
    LONG rc = Open(root, path, KEY_READ | KEY_SET_VALUE | DELETE, &key);
    if (rc != ERROR_SUCCESS) return rc;
    rc = Record(unicode_ ? RegDeleteTreeW(key.Get(), nullptr) : RegDeleteTreeA(key.Get(), nullptr));
    key.Reset();
    return rc == ERROR_SUCCESS ? DeleteKeyInView(root, path) : rc;
}

LONG RegCalls::DeleteEmpty(HKEY root, const std::wstring& path) {
    UniqueHKey key;
    LONG rc = Open(root, path, KEY_READ, &key);
    if (rc != ERROR_SUCCESS) return rc;
    KeyInfo info;
    rc = QueryInfo(key.Get(), &info);
    key.Reset();
    if (rc != ERROR_SUCCESS) return rc;
    return info.subKeys ? Record(ERROR_KEY_HAS_CHILDREN) : DeleteKeyInView(root, path);
}

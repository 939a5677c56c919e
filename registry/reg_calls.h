#pragma once
// The registry calls of the facade, in the wide-character or the ANSI form, with every key
// opened, created and deleted in one registry view (0, KEY_WOW64_64KEY or KEY_WOW64_32KEY).
// Every call that opens, creates, queries, enumerates, sets or deletes stores its code in
// *lastError.
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>
#include "com/handle_owners.h"

struct KeyInfo {
    DWORD subKeys = 0;
    DWORD maxSubKeyLen = 0;
    DWORD maxClassLen = 0;
    DWORD values = 0;
    DWORD maxValueNameLen = 0;
    DWORD maxValueLen = 0;  // bytes of the longest data
    FILETIME lastWrite = {};
};

struct EnumEntry {
    std::wstring name;
    std::wstring keyClass;
    DWORD type = 0;
    DWORD dataSize = 0;
    FILETIME lastWrite = {};
};

class RegCalls {
public:
    RegCalls(bool unicode, REGSAM view, LONG* lastError) : unicode_(unicode), view_(view), lastError_(lastError) {}

    LONG Open(HKEY root, const std::wstring& path, REGSAM access, UniqueHKey* key);
    // Creates or opens; *created tells which.
    LONG Create(HKEY root, const std::wstring& path, REGSAM access, UniqueHKey* key, bool* created);
    // Type and data of a value, read into *bytes as given (not empty); when they do not fit
    // (ERROR_MORE_DATA), read once more into a buffer of the size reported, and a second
    // ERROR_MORE_DATA (the value grew in between) is the result. On success *bytes holds the data.
    LONG QueryValue(HKEY key, const std::wstring& name, DWORD* type, std::vector<uint8_t>* bytes);
    LONG QueryInfo(HKEY key, KeyInfo* info);
    // The key's own class string, whole.
    LONG QueryClass(HKEY key, std::wstring* keyClass, FILETIME* lastWrite);
    // Value i: name (from a buffer of maxNameLen + 11 characters), type and data size.
    LONG EnumValue(HKEY key, DWORD index, DWORD maxNameLen, EnumEntry* entry);
    // Value i with its data into a buffer of *size bytes; *size gets the size reported.
    LONG EnumValueData(HKEY key, DWORD index, DWORD maxNameLen, EnumEntry* entry, uint8_t* data, DWORD* size);
    LONG EnumKey(HKEY key, DWORD index, DWORD maxNameLen, DWORD maxClassLen, EnumEntry* entry);
    LONG SetValue(HKEY key, const std::wstring& name, DWORD type, const std::vector<uint8_t>& image);
    LONG DeleteValue(HKEY key, const std::wstring& name);
    // The key with its values and subkeys. The empty path, the root itself, is refused
    // (ERROR_INVALID_PARAMETER): a root is never emptied.
    LONG DeleteTree(HKEY root, const std::wstring& path);
    // The key when it has no subkeys (its values go with it), else ERROR_KEY_HAS_CHILDREN.
    LONG DeleteEmpty(HKEY root, const std::wstring& path);

    bool Unicode() const { return unicode_; }
    // The text as the chosen functions see it (through the ANSI code page in ANSI mode).
    std::wstring AsSeen(const std::wstring& text) const;

private:
    LONG Record(LONG rc) { *lastError_ = rc; return rc; }
    // Deletes the key by name in the view once it is empty.
    LONG DeleteKeyInView(HKEY root, const std::wstring& path);
    bool unicode_;
    REGSAM view_;
    LONG* lastError_;
    // Name and class buffers of the enumeration calls, filled afresh for each call and kept
    // for the next one of a listing.
    std::vector<wchar_t> wideName_, wideClass_;
    std::vector<char> ansiName_, ansiClass_;
};


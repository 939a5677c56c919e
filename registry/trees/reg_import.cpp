#include "registry/trees/reg_import.h"
#include "com/handle_owners.h"
#include <new>

namespace {

LSTATUS ReadWholeFile(const std::wstring& fileName, std::vector<uint8_t>* bytes) {
    UniqueHandle file(CreateFileW(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Get()) return GetLastError();
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file.Get(), &size)) return GetLastError();
    if (size.QuadPart < 0 || static_cast<uint64_t>(size.QuadPart) > kMaxRegFileBytes) return ERROR_OUTOFMEMORY;
    bytes->resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes->empty() && !ReadFile(file.Get(), bytes->data(), static_cast<DWORD>(bytes->size()), &read, nullptr))
        return GetLastError();
    bytes->resize(read);  // a file cut short meanwhile is read as it now is
    return ERROR_SUCCESS;
}

// A value or key that is already missing is as the file asks.
LSTATUS SuccessIfMissing(LSTATUS rc) { return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc; }

LSTATUS ApplyStep(const RegFileStep& step, REGSAM view, UniqueHKey* key) {
    const ValueImage& v = step.value;
    switch (step.kind) {
    case RegFileStep::kOpenKey:
        return RegCreateKeyExW(step.root, step.path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE | view,
                               nullptr, key->Put(), nullptr);
    case RegFileStep::kDeleteKey:
        key->Reset();
        return SuccessIfMissing(DeleteTree(step.root, step.path, view));
    case RegFileStep::kSetValue:
        return RegSetValueExW(key->Get(), v.name.c_str(), 0, v.type, v.data.empty() ? nullptr : v.data.data(),
                              static_cast<DWORD>(v.data.size()));
    case RegFileStep::kDeleteValue:
        return SuccessIfMissing(RegDeleteValueW(key->Get(), v.name.c_str()));
    }
    return ERROR_INVALID_PARAMETER;
}

}  // namespace

LSTATUS ApplyRegFile(const std::vector<RegFileStep>& steps, REGSAM view, int* errorLine) {
    *errorLine = 0;
    UniqueHKey key;
    for (const auto& step : steps) {
        const LSTATUS rc = ApplyStep(step, view, &key);
        if (rc != ERROR_SUCCESS) {
            *errorLine = step.line;
            return rc;
        }
    }
    return ERROR_SUCCESS;
}

LSTATUS ImportRegFile(const std::wstring& fileName, REGSAM view, int* errorLine) {
    int unasked = 0;
    if (!errorLine) errorLine = &unasked;
    *errorLine = 0;
    if (!IsRegistryView(view)) return ERROR_INVALID_PARAMETER;
    try {
        std::vector<uint8_t> bytes;
        LSTATUS rc = ReadWholeFile(fileName, &bytes);
        if (rc != ERROR_SUCCESS) return rc;
        std::vector<RegFileStep> steps;
        rc = ParseRegFile(bytes, &steps, errorLine);
        if (rc != ERROR_SUCCESS) return rc;
        std::vector<uint8_t>().swap(bytes);  // the steps hold all that is needed now
        return ApplyRegFile(steps, view, errorLine);
    } catch (const std::bad_alloc&) {
        return ERROR_OUTOFMEMORY;
    }
}

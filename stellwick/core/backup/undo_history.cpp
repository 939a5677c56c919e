#include "stellwick/core/backup/undo_history.h"
#include "registry/trees/reg_file.h"
#include <shlobj.h>
#include <algorithm>
#include <cstdio>

namespace {

HRESULT EnsureFolder(const std::wstring& folder) {
    int rc = SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    if (rc == ERROR_SUCCESS) return S_OK;
    if (rc == ERROR_ALREADY_EXISTS || rc == ERROR_FILE_EXISTS) {
        DWORD attr = GetFileAttributesW(folder.c_str());
        if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY)) return S_OK;
        return HRESULT_FROM_WIN32(ERROR_DIRECTORY);  // a file stands where the folder should be
    }
    return HRESULT_FROM_WIN32(static_cast<DWORD>(rc));
}

std::wstring FileNameFor(const SYSTEMTIME& t, int attempt) {
    wchar_t name[64];
    swprintf(name, 64, L"Stellwick %04u-%02u-%02u %02u-%02u-%02u.%03u%s.reg", t.wYear, t.wMonth, t.wDay, t.wHour,
             t.wMinute, t.wSecond, t.wMilliseconds, attempt ? (L" " + std::to_wstring(attempt)).c_str() : L"");
    return name;
}

}  // namespace

std::wstring DefaultBackupFolder() {
    wchar_t base[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, base)))
        return {};
    return std::wstring(base) + L"\\Orrindale\\Stellwick\\Backup";
}

HRESULT BackupKeys(const std::vector<KeyRef>& keys, const std::wstring& folder, UndoStep* step, std::wstring* file) {
    UndoStep captured;
    std::vector<NamedTree> trees;
    for (const auto& key : keys) {
        SavedKey saved;
        saved.root = key.root;
        saved.path = key.path;
        LSTATUS rc = CaptureTree(key.root, key.path, &saved.image);
        if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) {
            *file = folder;
            return HRESULT_FROM_WIN32(rc);
        }
        saved.existed = rc == ERROR_SUCCESS;
        if (saved.existed) trees.push_back({key.fullName.empty() ? FullKeyName(key.root, key.path) : key.fullName, saved.image});
        captured.keys.push_back(std::move(saved));
    }
    SYSTEMTIME now;
    GetLocalTime(&now);
    *file = folder + L"\\" + FileNameFor(now, 0);
    HRESULT hr = EnsureFolder(folder);
    if (FAILED(hr)) return hr;
    const std::wstring text = FormatRegFile(trees);
    for (int attempt = 0; attempt < 100; ++attempt) {
        *file = folder + L"\\" + FileNameFor(now, attempt);
        hr = HRESULT_FROM_WIN32(WriteRegFile(*file, text));
        if (hr != HRESULT_FROM_WIN32(ERROR_FILE_EXISTS)) break;
    }
    if (FAILED(hr)) return hr;
    captured.file = *file;
    *step = std::move(captured);
    return S_OK;
}

void ForgetUnchangedKeys(UndoStep* step) {
    auto unchanged = [](const SavedKey& key) {
        KeyImage now;
        LSTATUS rc = CaptureTree(key.root, key.path, &now);
        return key.existed ? rc == ERROR_SUCCESS && now == key.image : rc == ERROR_FILE_NOT_FOUND;
    };
    step->keys.erase(std::remove_if(step->keys.begin(), step->keys.end(), unchanged), step->keys.end());
}

void UndoHistory::Push(UndoStep step) {
    if (!step.keys.empty()) steps_.push_back(std::move(step));
}

LSTATUS UndoHistory::UndoLast(std::wstring* backupFile) {
    if (steps_.empty()) return ERROR_NO_MORE_ITEMS;
    const UndoStep step = std::move(steps_.back());
    steps_.pop_back();
    *backupFile = step.file;
    LSTATUS first = ERROR_SUCCESS;
    for (const auto& key : step.keys) {
        LSTATUS rc = key.existed ? RestoreTree(key.root, key.path, key.image) : DeleteTree(key.root, key.path);
        if (rc == ERROR_FILE_NOT_FOUND && !key.existed) rc = ERROR_SUCCESS;
        if (first == ERROR_SUCCESS) first = rc;
    }
    return first;
}

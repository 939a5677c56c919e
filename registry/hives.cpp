#include "registry/hives.h"
#include "com/handle_owners.h"

namespace {

// While it lives, the backup and restore privileges of the thread's token (the process's when
// the thread has none of its own) are enabled, as far as the token holds them; then they are
// as they were.
class BackupAndRestore {
public:
    BackupAndRestore() {
        if (!OpenThreadToken(GetCurrentThread(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, TRUE, token_.Put()) &&
            !OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token_.Put()))
            return;
        Privileges wanted = {2, {}};
        const wchar_t* names[] = {SE_BACKUP_NAME, SE_RESTORE_NAME};
        for (int i = 0; i < 2; ++i) {
            if (!LookupPrivilegeValueW(nullptr, names[i], &wanted.entries[i].Luid)) return;
            wanted.entries[i].Attributes = SE_PRIVILEGE_ENABLED;
        }
        DWORD size = 0;
        changed_ = AdjustTokenPrivileges(token_.Get(), FALSE, reinterpret_cast<TOKEN_PRIVILEGES*>(&wanted),
                                         sizeof(previous_), reinterpret_cast<TOKEN_PRIVILEGES*>(&previous_), &size);
    }
    BackupAndRestore(const BackupAndRestore&) = delete;
    BackupAndRestore& operator=(const BackupAndRestore&) = delete;
    ~BackupAndRestore() {
        if (changed_ && previous_.count)
            AdjustTokenPrivileges(token_.Get(), FALSE, reinterpret_cast<TOKEN_PRIVILEGES*>(&previous_), 0, nullptr,
                                  nullptr);
    }

private:
    // TOKEN_PRIVILEGES with room for two.
    struct Privileges {
        DWORD count;
        LUID_AND_ATTRIBUTES entries[2];
    };
    UniqueHandle token_;
    Privileges previous_ = {0, {}};
    bool changed_ = false;
};

bool IsHiveRoot(HKEY root) { return root == HKEY_USERS || root == HKEY_LOCAL_MACHINE; }

bool KeyExists(HKEY root, const std::wstring& path) {
    UniqueHKey key;
    return RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, key.Put()) == ERROR_SUCCESS;
}

}  // namespace

// Wine makes the key before it reads the file, and keeps it when the file does not read.
LSTATUS LoadHive(HKEY root, const std::wstring& path, const std::wstring& fileName) {
    if (!IsHiveRoot(root)) return ERROR_INVALID_PARAMETER;
    const bool existed = KeyExists(root, path);
    BackupAndRestore privileges;
    const LSTATUS rc = RegLoadKeyW(root, path.c_str(), fileName.c_str());
    if (rc != ERROR_SUCCESS && !existed && KeyExists(root, path)) RegDeleteKeyW(root, path.c_str());
    return rc;
}

LSTATUS UnloadHive(HKEY root, const std::wstring& path) {
    if (!IsHiveRoot(root)) return ERROR_INVALID_PARAMETER;
    BackupAndRestore privileges;
    return RegUnLoadKeyW(root, path.c_str());
}

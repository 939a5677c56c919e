#pragma once
// Files and folders in the temporary folder for tests that write files.
#include <windows.h>
#include <shellapi.h>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// The temporary folder, with its trailing backslash.
inline std::wstring TempFolder() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    return temp;
}

// The Windows path of a file the build names in an environment variable: a Unix path is
// reached through drive Z:. Empty when the variable is not set.
inline std::wstring PathFromEnvironment(const wchar_t* variable) {
    wchar_t path[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableW(variable, path, MAX_PATH);
    std::wstring p = n < MAX_PATH ? std::wstring(path, n) : std::wstring();
    for (auto& c : p)
        if (c == L'/') c = L'\\';
    return p.compare(0, 1, L"\\") == 0 ? L"Z:" + p : p;
}

// Deletes a folder with everything in it, or a file of that name.
inline void RemoveFolder(const std::wstring& folder) {
    std::wstring from = folder + L'\0';  // a double-NUL list of one path
    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NO_UI;
    SHFileOperationW(&op);
    DeleteFileW(folder.c_str());
}

// A file in the temporary folder, absent when the test starts and removed when it ends.
class ScratchFile {
public:
    explicit ScratchFile(const std::wstring& name) : path_(TempFolder() + name) { DeleteFileW(path_.c_str()); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    ~ScratchFile() { DeleteFileW(path_.c_str()); }

    const std::wstring& Path() const { return path_; }
    bool Write(const std::vector<uint8_t>& bytes) const {
        std::ofstream f(std::filesystem::path(path_), std::ios::binary);
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        f.close();
        return !f.fail();
    }
    std::vector<uint8_t> Read() const {
        std::ifstream f(std::filesystem::path(path_), std::ios::binary);
        return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    }

private:
    std::wstring path_;
};

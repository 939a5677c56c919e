#include "stellwick/core/path_check.h"
#include "com/handle_owners.h"
#include "support/fs_redirection.h"
#include "support/upper_case.h"
#include <vector>

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }
bool IsLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// The end of the path component that starts at `from`: the next separator, or the path's end.
size_t ComponentEnd(const std::wstring& path, size_t from) {
    size_t end = from;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    return end;
}

// The root of a fully qualified path with its separator ("C:\", "\\server\share\", the same
// behind "\\?\"), or empty when the path is relative, drive-relative ("C:x") or rooted ("\x").
std::wstring RootOf(const std::wstring& path) {
    size_t at = 0;
    bool unc = false;
    if (path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) && (path[2] == L'?' || path[2] == L'.') &&
        IsSeparator(path[3])) {
        at = 4;
        if (UpperCase(path.substr(at, 4)) == L"UNC\\" || UpperCase(path.substr(at, 4)) == L"UNC/") {
            at += 4;
            unc = true;
        }
    } else if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        at = 2;
        unc = true;
    }
    if (!unc) {
        const bool drive = path.size() >= at + 3 && IsLetter(path[at]) && path[at + 1] == L':' && IsSeparator(path[at + 2]);
        return drive ? path.substr(0, at + 3) : std::wstring();
    }
    const size_t server = ComponentEnd(path, at);
    if (server == at || server >= path.size()) return {};
    const size_t share = ComponentEnd(path, server + 1);
    if (share == server + 1 || share >= path.size()) return {};
    return path.substr(0, share + 1);
}

bool IsUnc(const std::wstring& root) { return root.size() > 3 && !(IsLetter(root[root.size() - 3]) && root[root.size() - 2] == L':'); }

std::wstring ParentOf(const std::wstring& path) {
    size_t sep = path.size();
    while (sep > 0 && !IsSeparator(path[sep - 1])) --sep;
    return sep > 0 ? path.substr(0, sep) : std::wstring();
}

bool IsAccessDenied(DWORD error) {
    return error == ERROR_ACCESS_DENIED || error == ERROR_NETWORK_ACCESS_DENIED || error == ERROR_PRIVILEGE_NOT_HELD ||
           error == ERROR_LOGON_FAILURE;
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// An existing entry: a file is present; a folder where the file should be means the file is not.
Verdict EntryVerdict(DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return {Reason::kFileNotFound, ERROR_FILE_NOT_FOUND};
    return {};
}

std::wstring WithSeparator(const std::wstring& folder) {
    return !folder.empty() && IsSeparator(folder.back()) ? folder : folder + L"\\";
}

// The system folder's two views, upper case, with their separators: System32 and SysWOW64;
// empty where the system has one view only.
struct SystemViews {
    std::wstring native, wow;
};

SystemViews ReadSystemViews() {
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    const UINT wowLength = GetSystemWow64DirectoryW(buffer.data(), MAX_PATH);
    if (wowLength == 0 || wowLength >= MAX_PATH) return {};
    const std::wstring wow = WithSeparator(std::wstring(buffer.data(), wowLength));
    const UINT windowsLength = GetSystemWindowsDirectoryW(buffer.data(), MAX_PATH);
    if (windowsLength == 0 || windowsLength >= MAX_PATH) return {};
    return {UpperCase(WithSeparator(std::wstring(buffer.data(), windowsLength)) + L"System32\\"), UpperCase(wow)};
}

// The same file in the other view of the system folder (System32 for SysWOW64 and back), or
// empty where the system has one view only or the path is elsewhere.
std::wstring OtherSystemView(const std::wstring& path) {
    static const SystemViews views = ReadSystemViews();
    if (views.wow.empty()) return {};
    const std::wstring upper = UpperCase(path);
    for (const auto& view : {std::make_pair(views.native, views.wow), std::make_pair(views.wow, views.native)})
        if (upper.compare(0, view.first.size(), view.first) == 0) return view.second + path.substr(view.first.size());
    return {};
}

}  // namespace

// The path is not there: whether its volume or share answers decides between broken and
// unverifiable.
Verdict PathExaminer::VolumeVerdict(const std::wstring& root, DWORD error) {
    auto known = volumes_.find(UpperCase(root));
    if (known == volumes_.end()) {
        Volume volume{IsUnc(root) ? static_cast<UINT>(DRIVE_REMOTE) : GetDriveTypeW(root.c_str()), 0};
        if (volume.type != DRIVE_NO_ROOT_DIR && GetFileAttributesW(root.c_str()) == INVALID_FILE_ATTRIBUTES)
            volume.error = GetLastError();
        known = volumes_.emplace(UpperCase(root), volume).first;
    }
    const Volume& volume = known->second;
    if (volume.type == DRIVE_NO_ROOT_DIR) return {Reason::kDriveUnavailable, error};
    if (volume.error == 0) {
        if (error == ERROR_PATH_NOT_FOUND || error == ERROR_FILE_NOT_FOUND) return {Reason::kFolderNotFound, error};
        return {Reason::kCheckFailed, error};
    }
    if (IsAccessDenied(volume.error)) return {Reason::kAccessDenied, volume.error};
    return {volume.type == DRIVE_REMOTE ? Reason::kNetworkUnavailable : Reason::kDriveUnavailable, volume.error};
}

Verdict PathExaminer::ExamineOne(const std::wstring& path) {
    const std::wstring root = RootOf(path);
    if (root.empty() || root.size() >= path.size()) return {Reason::kNotAFullPath, 0};
    if (path.find_first_of(L"*?") != std::wstring::npos) return {Reason::kCheckFailed, ERROR_INVALID_NAME};
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return EntryVerdict(attributes);
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND && IsFolder(ParentOf(path))) return {Reason::kFileNotFound, error};
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
        // Some entries refuse their attributes (a file in use) yet show in their folder.
        WIN32_FIND_DATAW found;
        UniqueFindHandle entry(FindFirstFileW(path.c_str(), &found));
        if (entry) return EntryVerdict(found.dwFileAttributes);
        if (IsAccessDenied(error)) return {Reason::kAccessDenied, error};
    }
    return VolumeVerdict(root, error);
}

Verdict PathExaminer::Examine(const std::wstring& path) {
    NoFsRedirection noRedirection;
    const Verdict verdict = ExamineOne(path);
    if (!verdict.Listed()) return verdict;
    const std::wstring other = OtherSystemView(path);
    if (!other.empty() && !ExamineOne(other).Listed()) return {};
    return verdict;
}

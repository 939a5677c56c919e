// The unattended mode, black-box: the real Stellwick.com and Stellwick.exe started with switches,
// their files, standard output and error, and exit codes.
#include "tests/stellwick/stellwick_fixture.h"
#include "stellwick/core/system_text.h"
#include "support/code_page.h"

namespace {

std::string Utf8(const std::wstring& text) { return Narrow(text, CP_UTF8); }

struct ProgramRun {
    DWORD exitCode = 0xFFFF;
    std::string out, err;  // as written: UTF-8
};

std::string ReadAll(HANDLE pipe) {
    std::string text;
    char buf[4096];
    DWORD n = 0;
    while (ReadFile(pipe, buf, sizeof(buf), &n, nullptr) && n) text.append(buf, n);
    return text;
}

// The program under test (STELLWICK_COM or STELLWICK_EXE), as CMake built it; a Unix path is
// reached through Wine's Z: drive.
const wchar_t* g_program = L"STELLWICK_COM";

// Runs the program with the arguments, standard output and error going to pipes.
ProgramRun RunProgram(const std::wstring& args) {
    ProgramRun run;
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    UniqueHandle outRead, outWrite, errRead, errWrite;
    if (!CreatePipe(outRead.Put(), outWrite.Put(), &inherit, 0) ||
        !CreatePipe(errRead.Put(), errWrite.Put(), &inherit, 0))
        return run;
    SetHandleInformation(outRead.Get(), HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead.Get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = outWrite.Get();
    si.hStdError = errWrite.Get();
    std::wstring command = L"\"" + PathFromEnvironment(g_program) + L"\" " + args;
    PROCESS_INFORMATION pi = {};
    const bool started = CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    // Only the child holds the writing ends now, so the reads end when it does.
    outWrite.Reset();
    errWrite.Reset();
    if (started) {
        const UniqueHandle process(pi.hProcess), thread(pi.hThread);
        run.out = ReadAll(outRead.Get());
        run.err = ReadAll(errRead.Get());
        if (WaitForSingleObject(process.Get(), 60000) == WAIT_OBJECT_0)
            GetExitCodeProcess(process.Get(), &run.exitCode);
    }
    return run;
}

std::string FileText(const std::wstring& path) {
    const UniqueHandle file(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    return file ? ReadAll(file.Get()) : "<none>";
}

class Unattended : public Stellwick, public testing::WithParamInterface<const wchar_t*> {
protected:
    void SetUp() override {
        g_program = GetParam();
        Stellwick::SetUp();
    }
    // The usage, with the program's name as it is typed.
    std::string Usage() const {
        const std::string p = std::wstring(GetParam()) == L"STELLWICK_COM" ? "Stellwick" : "Stellwick.exe";
        return p + " /list [/allusers] [/format:text|json] [/out:FILE]\r\n" + p +
               " /clean [/allusers] [/backup:DIR] [/format:text|json] [/out:FILE]\r\n" + p + " /?\r\n";
    }
};

std::string Summary(int looked, int broken, int unverifiable, int deleted, int failed) {
    return "Stellwick: looked " + std::to_string(looked) + ", broken " + std::to_string(broken) + ", unverifiable " +
           std::to_string(unverifiable) + ", deleted " + std::to_string(deleted) + ", failed " +
           std::to_string(failed) + "\r\n";
}

// A file in the other view of the system folder: a registration of the same name in
// System32 serves 32-bit programs, so it is present.
const std::wstring kWowOnly = L"C:\\windows\\syswow64\\tarnwell-wow-only.exe";

// Every verdict from a registration of its kind, in the order the registry lists them; a
// present file is not listed, whichever view of the system folder has it.
TEST_P(Unattended, ListGivesEveryRegistrationAVerdictAndTheSummaryLast) {
    const struct {
        const wchar_t* name;
        std::wstring path;
        const char* verdict;
    } kCases[] = {
        {L"drive.exe", L"Q:\\nowhere\\drive.exe", "unverifiable\tdrive-unavailable"},
        {L"file.exe", L"C:\\windows\\tarnwell-missing.exe", "broken\tfile-not-found"},
        {L"folder.exe", kMissing + L"folder.exe", "broken\tfolder-not-found"},
        {L"relative.exe", L"..\\relative.exe", "unverifiable\tnot-a-full-path"},
        {L"unc.exe", L"\\\\nosuchhost\\share\\unc.exe", "unverifiable\tnetwork-unavailable"},
        {L"wildcard.exe", L"C:\\windows\\*.exe", "unverifiable\tcheck-failed"},
    };
    std::string expected;
    for (const auto& c : kCases) {
        Register(c.name, c.path);
        expected += "HKLM\t" + Utf8(std::wstring(c.name) + L"\t" + c.path) + "\t" + c.verdict + "\r\n";
    }
    Register(L"present.exe", L"C:\\windows\\notepad.exe");
    UniqueHandle(CreateFileW(kWowOnly.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    Register(L"wow.exe", L"C:\\windows\\system32\\tarnwell-wow-only.exe");
    expected += Summary(8, 2, 4, 0, 0);
    const std::wstring file = backups + L".txt";
    ProgramRun run = RunProgram(L"/LIST \"-out:" + file + L"\"");
    DeleteFileW(kWowOnly.c_str());
    EXPECT_EQ(1u, run.exitCode);
    EXPECT_EQ(expected, FileText(file));
    EXPECT_EQ("", run.out + run.err);
    DeleteFileW(file.c_str());
}

// /list: 1 when anything is broken, even beside a key that cannot be read; else 2 when
// something could not be read; else 0, also when all it lists cannot be proved broken.
TEST_P(Unattended, ListSaysInItsExitCodeWhatItFound) {
    EXPECT_EQ(0u, RunProgram(L"/list").exitCode);
    Register(L"drive.exe", L"Q:\\drive.exe");
    ProgramRun run = RunProgram(L"-list");
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ("HKLM\tdrive.exe\tQ:\\drive.exe\tunverifiable\tdrive-unavailable\r\n" + Summary(1, 0, 1, 0, 0), run.out);

    const std::wstring cyrillic = L"\u043F\u0440\u043E\u0433\u0440\u0430\u043C\u043C\u0430.exe";  // программа.exe
    RegisterForUser(cyrillic, L"  " + kMissing + cyrillic);
    LockOut(HKEY_LOCAL_MACHINE, kAppPaths);
    run = RunProgram(L"/list");
    EXPECT_EQ(1u, run.exitCode);
    EXPECT_EQ("HKCU\t" + Utf8(cyrillic + L"\t" + kMissing + cyrillic) + "\tbroken\tfolder-not-found\r\n" +
                  Summary(1, 1, 0, 0, 1),
              run.out);
    EXPECT_EQ(Utf8(L"Не удаётся прочитать раздел реестра:\r\nHKEY_LOCAL_MACHINE\\" + kAppPaths + L"\r\n\r\n" +
                   ErrorText(ERROR_ACCESS_DENIED) + L"\r\n"),
              run.err);
    SHDeleteKeyW(HKEY_CURRENT_USER, kAppPaths.c_str());
    EXPECT_EQ(2u, RunProgram(L"/list").exitCode);
}

TEST_P(Unattended, CleanDeletesOnlyWhatIsProvablyBrokenAfterABackup) {
    const std::wstring folder = backups + L" clean";
    RemoveFolder(folder);
    Register(L"a.exe", kMissing + L"a.exe");
    Register(L"drive.exe", L"Q:\\drive.exe");
    Register(L"locked.exe", kMissing + L"locked.exe");
    Register(L"present.exe", L"C:\\windows\\notepad.exe");
    RegisterForUser(L"user.exe", kMissing + L"user.exe");
    Lock(L"locked.exe");
    ProgramRun run = RunProgram(L"/clean \"/backup:" + folder + L"\"");
    EXPECT_EQ(2u, run.exitCode);
    const std::string missing = Utf8(kMissing);
    EXPECT_EQ("HKLM\ta.exe\t" + missing + "a.exe\tbroken\tfolder-not-found\tdeleted\r\n"
              "HKLM\tdrive.exe\tQ:\\drive.exe\tunverifiable\tdrive-unavailable\tleft-unverifiable\r\n"
              "HKLM\tlocked.exe\t" + missing + "locked.exe\tbroken\tfolder-not-found\tfailed\r\n"
              "HKCU\tuser.exe\t" + missing + "user.exe\tbroken\tfolder-not-found\tdeleted\r\n" +
                  Summary(5, 3, 1, 2, 1),
              run.out);
    EXPECT_EQ(Utf8(L"HKEY_LOCAL_MACHINE\\" + kAppPaths + L"\\locked.exe\tНе удаётся удалить указанный ключ. " +
                   ErrorText(ERROR_ACCESS_DENIED) + L"\r\n"),
              run.err);
    EXPECT_FALSE(Exists(L"a.exe") || Exists(L"user.exe", HKEY_CURRENT_USER));
    EXPECT_TRUE(Exists(L"locked.exe") && Exists(L"present.exe") && Exists(L"drive.exe"));
    EXPECT_EQ(1, FileCount(folder + L"\\*.reg"));

    // A backup that cannot be written stops it before any change.
    Register(L"b.exe", kMissing + L"b.exe");
    RemoveFolder(folder);
    UniqueHandle(CreateFileW(folder.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    run = RunProgram(L"/clean /backup:\"" + folder + L"\"");
    DeleteFileW(folder.c_str());
    EXPECT_EQ(2u, run.exitCode);
    EXPECT_NE(std::string::npos, run.err.find(Utf8(L"Не удаётся сохранить резервную копию. Реестр не изменён.\r\n\r\n" + folder)));
    EXPECT_TRUE(Exists(L"b.exe"));
    EXPECT_NE(std::string::npos, run.out.find("HKLM\tb.exe\t" + missing + "b.exe\tbroken\tfolder-not-found\tfailed\r\n"));
}

TEST_P(Unattended, HelpAndUnknownSwitchesPrintTheUsage) {
    ProgramRun run = RunProgram(L"/?");
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ(Usage(), run.err);
    for (const wchar_t* args : {L"/lst", L"/list /clean", L"/out:x.txt", L"list", L"/list /format:xml",
                                L"/list /backup:C:\\x", L"/clean /out:"}) {
        run = RunProgram(args);
        EXPECT_EQ(2u, run.exitCode) << Utf8(args);
        EXPECT_EQ(Usage(), run.err) << Utf8(args);
    }
}

// A profile the profile list names, with its folder.
void AddProfile(const std::wstring& sid, const std::wstring& folder) {
    const std::wstring key = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\" + sid;
    UniqueHKey k;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                             k.Put(), nullptr));
    ASSERT_EQ(ERROR_SUCCESS, SetText(k.Get(), L"ProfileImagePath", REG_EXPAND_SZ, folder));
}

// The names below HKEY_USERS that Stellwick loads hives under.
int LoadedByStellwick() {
    UniqueHKey users;
    RegOpenKeyExW(HKEY_USERS, nullptr, 0, KEY_READ, users.Put());
    wchar_t name[256];
    int found = 0;
    for (DWORD i = 0, n = 256; RegEnumKeyExW(users.Get(), i, name, &n, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, n = 256)
        found += std::wstring(name).compare(0, 10, L"Stellwick-") == 0 ? 1 : 0;
    return found;
}

// /allusers: the machine's registrations, a logged-on user's hive, and offline profiles whose
// NTUSER.DAT is loaded for the run; a damaged one is one failure; nothing stays loaded; the
// report and the backups name keys by the user's SID, never by the temporary name.
TEST_P(Unattended, AllUsersReachesEveryProfileAndLeavesNothingLoaded) {
    const std::wstring on = L"S-1-5-21-1111-2222-3333-1001", off = L"S-1-5-21-1111-2222-3333-1002",
                       damaged = L"S-1-5-21-1111-2222-3333-1003", folder = backups + L" profiles";
    RemoveFolder(folder);
    CreateDirectoryW(folder.c_str(), nullptr);
    Register(L"machine.exe", kMissing + L"machine.exe");
    Register(L"loaded.exe", kMissing + L"loaded.exe", REG_SZ, {}, HKEY_USERS, on + L"\\");
    // The offline user's hive, as RegSaveKey writes it, made from a key of this user's.
    const std::wstring made = L"Software\\TarnwellHive";
    Register(L"offline.exe", kMissing + L"offline.exe", REG_SZ, {}, HKEY_CURRENT_USER, made + L"\\");
    ASSERT_TRUE(EnableOwnPrivilege(SE_BACKUP_NAME));
    {
        UniqueHKey k;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, made.c_str(), 0, KEY_READ, k.Put()));
        CreateDirectoryW((folder + L"\\off").c_str(), nullptr);
        ASSERT_EQ(ERROR_SUCCESS, RegSaveKeyW(k.Get(), (folder + L"\\off\\NTUSER.DAT").c_str(), nullptr));
    }
    SHDeleteKeyW(HKEY_CURRENT_USER, made.c_str());
    CreateDirectoryW((folder + L"\\bad").c_str(), nullptr);
    std::ofstream(std::filesystem::path(folder + L"\\bad\\NTUSER.DAT")) << "not a hive";
    AddProfile(off, folder + L"\\off");
    AddProfile(damaged, folder + L"\\bad");

    ProgramRun run = RunProgram(L"/list /allusers");
    EXPECT_EQ(1u, run.exitCode);
    const std::string missing = Utf8(kMissing);
    for (const std::string& line : {"HKLM\tmachine.exe\t" + missing + "machine.exe\tbroken\t",
                                    "HKU\\" + Utf8(on) + "\tloaded.exe\t" + missing + "loaded.exe\tbroken\t",
                                    "HKU\\" + Utf8(off) + "\toffline.exe\t" + missing + "offline.exe\tbroken\t"})
        EXPECT_NE(std::string::npos, run.out.find(line)) << line << run.out;
    EXPECT_NE(std::string::npos, run.out.find(", failed 1\r\n"));
    EXPECT_NE(std::string::npos, run.err.find(Utf8(damaged))) << run.err;
    EXPECT_EQ(0, LoadedByStellwick());

    run = RunProgram(L"/clean /allusers /format:json \"/backup:" + backups + L"\"");
    EXPECT_EQ(2u, run.exitCode);  // the damaged profile
    EXPECT_EQ(0, LoadedByStellwick());
    EXPECT_NE(std::string::npos, run.out.find("\"key\": \"HKEY_USERS\\\\" + Utf8(off) + "\\\\SOFTWARE")) << run.out;
    EXPECT_EQ(std::string::npos, run.out.find("Stellwick-"));
    EXPECT_FALSE(Exists(L"machine.exe") || Exists(L"loaded.exe", HKEY_USERS, on + L"\\"));
    std::wstring backup;  // the .reg files' UTF-16LE text
    WIN32_FIND_DATAW found;
    UniqueFindHandle search(FindFirstFileW((backups + L"\\*.reg").c_str(), &found));
    for (bool more = static_cast<bool>(search); more; more = FindNextFileW(search.Get(), &found)) {
        const std::string bytes = FileText(backups + L"\\" + found.cFileName);
        backup.append(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    }
    EXPECT_NE(std::wstring::npos, backup.find(L"[HKEY_USERS\\" + off + L"\\SOFTWARE")) << Utf8(backup);
    EXPECT_EQ(std::wstring::npos, backup.find(L"Stellwick-"));

    for (const std::wstring& sid : {off, damaged})
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, (L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\" + sid).c_str());
    SHDeleteKeyW(HKEY_USERS, on.c_str());
    RemoveFolder(folder);
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, Unattended, testing::Values(L"STELLWICK_COM", L"STELLWICK_EXE"));

}  // namespace

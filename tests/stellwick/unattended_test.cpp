// The unattended mode, black-box: the real Stellwick.exe started with switches, its files,
// standard output and error, and exit codes.
#include "tests/stellwick/stellwick_fixture.h"
#include "stellwick/core/system_text.h"
#include "support/code_page.h"
#include "stellwick/core/backup/undo_history.h"

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

// Stellwick.exe, as CMake built it; a Unix path is reached through Wine's Z: drive.
std::wstring ProgramPath() {
    wchar_t path[MAX_PATH] = {};
    GetEnvironmentVariableW(L"STELLWICK_EXE", path, MAX_PATH);
    std::wstring p = path;
    for (auto& c : p)
        if (c == L'/') c = L'\\';
    return p.compare(0, 1, L"\\") == 0 ? L"Z:" + p : p;
}

// Runs Stellwick.exe with the arguments, standard output and error going to pipes.
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
    std::wstring command = L"\"" + ProgramPath() + L"\" " + args;
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

const std::string kUsage = "Stellwick.exe /list [/out:FILE]\r\nStellwick.exe /clean [/out:FILE]\r\nStellwick.exe /?\r\n";

TEST_F(Stellwick, ListWritesOneLinePerBrokenRegistrationAndSaysSoInItsExitCode) {
    EXPECT_EQ(0u, RunProgram(L"/list").exitCode);
    const std::wstring cyrillic = L"\u043F\u0440\u043E\u0433\u0440\u0430\u043C\u043C\u0430.exe";  // программа.exe
    Register(cyrillic, L"  " + kMissing + cyrillic);
    Register(L"present.exe", L"C:\\windows\\notepad.exe");
    RegisterForUser(L"user.exe", kMissing + L"user.exe");
    const std::string lines = "HKLM\t" + Utf8(cyrillic + L"\t" + kMissing + cyrillic) + "\r\nHKCU\tuser.exe\t" +
                              Utf8(kMissing) + "user.exe\r\n";
    const std::wstring file = backups + L".txt";
    ProgramRun run = RunProgram(L"/LIST \"-out:" + file + L"\"");
    EXPECT_EQ(1u, run.exitCode);
    EXPECT_EQ(lines, FileText(file));
    EXPECT_EQ("", run.out);
    DeleteFileW(file.c_str());
    EXPECT_EQ(lines, RunProgram(L"-list").out);  // standard output, a pipe here

    LockOut(HKEY_LOCAL_MACHINE, kAppPaths);
    run = RunProgram(L"/list");
    EXPECT_EQ(2u, run.exitCode);
    EXPECT_EQ(Utf8(L"Не удаётся прочитать раздел реестра:\r\nHKEY_LOCAL_MACHINE\\" + kAppPaths + L"\r\n\r\n" +
                   ErrorText(ERROR_ACCESS_DENIED) + L"\r\n"),
              run.err);
    EXPECT_EQ("", run.out);
}

TEST_F(Stellwick, CleanDeletesWhatListWouldListAfterABackupAndReportsEachFailure) {
    const std::wstring folder = DefaultBackupFolder();
    RemoveFolder(folder);
    Register(L"a.exe", kMissing + L"a.exe");
    Register(L"locked.exe", kMissing + L"locked.exe");
    Register(L"present.exe", L"C:\\windows\\notepad.exe");
    RegisterForUser(L"user.exe", kMissing + L"user.exe");
    Lock(L"locked.exe");
    ProgramRun run = RunProgram(L"/clean");
    EXPECT_EQ(2u, run.exitCode);
    EXPECT_EQ("HKLM\ta.exe\t" + Utf8(kMissing) + "a.exe\r\nHKCU\tuser.exe\t" + Utf8(kMissing) + "user.exe\r\n", run.out);
    EXPECT_EQ(Utf8(L"HKEY_LOCAL_MACHINE\\" + kAppPaths + L"\\locked.exe\t" + ErrorText(ERROR_ACCESS_DENIED) + L"\r\n"),
              run.err);
    EXPECT_FALSE(Exists(L"a.exe") || Exists(L"user.exe", HKEY_CURRENT_USER));
    EXPECT_TRUE(Exists(L"locked.exe") && Exists(L"present.exe"));
    EXPECT_EQ(1, FileCount(folder + L"\\*.reg"));
    EXPECT_EQ(2u, RunProgram(L"/clean").exitCode);  // the locked one is still there

    // A backup that cannot be written stops it before any change.
    Register(L"b.exe", kMissing + L"b.exe");
    RemoveFolder(folder);
    UniqueHandle(CreateFileW(folder.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    run = RunProgram(L"/clean");
    DeleteFileW(folder.c_str());
    EXPECT_EQ(2u, run.exitCode);
    EXPECT_EQ(0u, run.err.find(Utf8(L"Не удаётся сохранить резервную копию. Реестр не изменён.\r\n\r\n" + folder)));
    EXPECT_TRUE(Exists(L"b.exe"));
    EXPECT_EQ("", run.out);
}

TEST_F(Stellwick, HelpAndUnknownSwitchesPrintTheUsage) {
    ProgramRun run = RunProgram(L"/?");
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ(kUsage, run.err);
    for (const wchar_t* args : {L"/lst", L"/list /clean", L"/out:x.txt", L"list"}) {
        run = RunProgram(args);
        EXPECT_EQ(2u, run.exitCode) << Utf8(args);
        EXPECT_EQ(kUsage, run.err) << Utf8(args);
    }
}

}  // namespace

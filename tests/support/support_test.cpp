// The support functions both programs call.
#include <gtest/gtest.h>
#include <cmath>
#include <set>
#include "com/handle_owners.h"
#include "support/upper_case.h"
#include "support/zerbanesupport.h"
#include "support/zerbanesupportfbe.h"
#include "com/module_file.h"
#include <shlwapi.h>

namespace {

TEST(Trim, RemovesSurroundingBlanksOnly) {
    EXPECT_EQ(L"a b", asTrimEx(std::wstring(L" \t\r\n\0a b\0 \n", 12)));
    EXPECT_EQ(L"", asTrimEx(L" \t "));
    EXPECT_EQ(L"x", asTrimEx(L"x"));
}

TEST(Trim, AllFlagsAlsoRemoveOneEnclosingPairOfQuotes) {
    EXPECT_EQ(L"C:\\Program Files\\a.exe", asTrimEx2(L"  \"C:\\Program Files\\a.exe\" ", true, true, true, true, true, 0, 0, 0, 0, 0));
    EXPECT_EQ(L"a", asTrimEx2(L"\" a \"", true, true, true, true, true, 0, 0, 0, 0, 0));
    EXPECT_EQ(L"\"a\"", asTrimEx2(L"\"\"a\"\"", true, true, true, true, true, 0, 0, 0, 0, 0));
    // A quote on one side only, or a quoted path with arguments, is left as it is.
    EXPECT_EQ(L"\"a.exe", asTrimEx2(L"\"a.exe", true, true, true, true, true, 0, 0, 0, 0, 0));
    EXPECT_EQ(L"\"a b\" -x", asTrimEx2(L"\"a b\" -x", true, true, true, true, true, 0, 0, 0, 0, 0));
    EXPECT_EQ(L"\"a\"", asTrimEx2(L" \"a\" ", false, true, true, true, true, 0, 0, 0, 0, 0));
    EXPECT_EQ(L"\"", asTrimEx2(L"\"", true, true, true, true, true, 0, 0, 0, 0, 0));
}

TEST(Text, CutLeftAndPointers) {
    EXPECT_EQ(L"1.0", asCutLeft(L"VERSION 1.0", 8));
    EXPECT_EQ(L"", asCutLeft(L"abc", 5));
    EXPECT_EQ(L"abc", asCutLeft(L"abc", 0));
    EXPECT_EQ(L"abc", asCutLeft(L"abc", -3));
    EXPECT_EQ(L"ab", asGetStringFromPointerW(std::wstring(L"ab\0cd", 5)));
    EXPECT_EQ(L"", asGetStringFromPointerW(static_cast<const wchar_t*>(nullptr)));
    EXPECT_EQ(L"xy", asGetStringFromPointerW(L"xy"));
}

TEST(Text, VersionTextIsStableDecimal) {
    EXPECT_EQ(L"1.1", asFormatVersionShort(1, 1));
    EXPECT_EQ(asFormatVersionShort(2, 10), asFormatVersionShort(2, 10));
    EXPECT_EQ(L"0.0", asFormatVersionShort(0, 0));
    EXPECT_EQ(L"-1.2147483647", asFormatVersionShort(-1, 2147483647));
}

// App Paths names and file names are compared without case, in every script a user may use.
TEST(Text, UpperCaseFoldsCyrillicAndLatin) {
    EXPECT_EQ(L"\u041F\u0420\u041E\u0413\u0420\u0410\u041C\u041C\u0410.EXE",
              UpperCase(L"\u043F\u0440\u043E\u0433\u0440\u0430\u043C\u043C\u0430.exe"));  // программа.exe
    EXPECT_EQ(L"\u00C9T\u00C9 1", UpperCase(L"\u00E9t\u00E9 1"));
    EXPECT_EQ(L"", UpperCase(L""));
}

TEST(Numbers, DoubleToLargeInteger) {
    int64_t n = 0;
    EXPECT_EQ(S_OK, asDoubleToLargeInteger(82500.0, &n));
    EXPECT_EQ(82500, n);
    EXPECT_EQ(S_OK, asDoubleToLargeInteger(2.5, &n));
    EXPECT_EQ(2, n);
    EXPECT_EQ(S_OK, asDoubleToLargeInteger(-3.5, &n));
    EXPECT_EQ(-4, n);
    EXPECT_EQ(S_OK, asDoubleToLargeInteger(9007199254740992.0, &n));
    EXPECT_EQ(9007199254740992LL, n);
    EXPECT_EQ(DISP_E_OVERFLOW, asDoubleToLargeInteger(1e19, &n));
    EXPECT_EQ(DISP_E_OVERFLOW, asDoubleToLargeInteger(NAN, &n));
    EXPECT_EQ(DISP_E_OVERFLOW, asDoubleToLargeInteger(-INFINITY, &n));
}

TEST(Numbers, LowWordAndHex) {
    EXPECT_EQ(4464, esLoWord(70000));
    EXPECT_EQ(0xFFFF, esLoWord(-1));
    EXPECT_EQ(L"0F", esHex1(15));
    EXPECT_EQ(L"00", esHex1(0));
    EXPECT_EQ(L"9C", esHex1(0x9C));
    EXPECT_EQ(L"FF", esHex1(255));
}

TEST(Numbers, RandomNumbersStayInRangeAndVary) {
    std::set<long> seen;
    for (int i = 0; i < 400; ++i) {
        long r = -1;
        ASSERT_EQ(S_OK, esGetRnd(0, 255, 0, &r));
        ASSERT_GE(r, 0);
        ASSERT_LE(r, 255);
        seen.insert(r);
    }
    EXPECT_GT(seen.size(), 100u);
    long r = 0;
    EXPECT_EQ(S_OK, esGetRnd(7, 7, 0, &r));
    EXPECT_EQ(7, r);
    EXPECT_EQ(E_INVALIDARG, esGetRnd(3, 2, 0, &r));
}

TEST(Files, ExistenceMeansAFileNotAFolder) {
    wchar_t dir[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, dir);
    std::wstring folder = std::wstring(dir) + L"tarnwell_support_test";
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring file = folder + L"\\present.exe";
    ASSERT_TRUE(UniqueHandle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr)));
    EXPECT_TRUE(esIsFileExist(file));
    EXPECT_FALSE(esIsFileExist(folder));
    EXPECT_FALSE(esIsFileExist(folder + L"\\absent.exe"));
    EXPECT_FALSE(esIsFileExist(L""));
    DeleteFileW(file.c_str());
    RemoveDirectoryW(folder.c_str());
}

TEST(Files, NameAndFolderOfAPath) {
    EXPECT_EQ(L"foo.exe", esGetFileName(L"C:\\Tools\\foo.exe", false));
    EXPECT_EQ(L"App Paths", esGetFileName(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths", false));
    EXPECT_EQ(L"plain", esGetFileName(L"plain", false));
    EXPECT_EQ(L"", esGetFileName(L"C:\\dir\\", false));
    EXPECT_EQ(L"C:\\Tools\\", esGetFilePath(L"C:\\Tools\\foo.exe"));
    EXPECT_EQ(L"", esGetFilePath(L"foo.exe"));
    EXPECT_EQ(L"text/html", esGetFileName(L"MIME\\Database\\Content Type\\text/html", false));
}

TEST(Screen, TwipsPerPixelFollowTheDpi) {
    const UniqueWindowDc screen = WindowDcOf(nullptr);
    int dpiX = GetDeviceCaps(screen.Get().dc, LOGPIXELSX), dpiY = GetDeviceCaps(screen.Get().dc, LOGPIXELSY);
    EXPECT_FLOAT_EQ(1440.0f / dpiX, esScreenTwipsPerPixelX());
    EXPECT_FLOAT_EQ(1440.0f / dpiY, esScreenTwipsPerPixelY());
    EXPECT_GT(esScreenTwipsPerPixelX(), 0.0f);
}

TEST(Screen, NormalizeRectOrdersAndBringsBackLostWindows) {
    RECT swapped = {300, 200, 100, 50};
    esNormalizeRect(&swapped);
    EXPECT_EQ(100, swapped.left);
    EXPECT_EQ(50, swapped.top);
    EXPECT_EQ(300, swapped.right);
    EXPECT_EQ(200, swapped.bottom);

    RECT visible = {10, 20, 410, 320};
    RECT copy = visible;
    esNormalizeRect(&copy);
    EXPECT_TRUE(EqualRect(&visible, &copy));

    // A window left on a monitor that is gone: back on the work area, same size.
    RECT lost = {30000, 30000, 30400, 30300};
    esNormalizeRect(&lost);
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromRect(&lost, MONITOR_DEFAULTTONEAREST), &mi));
    EXPECT_GE(lost.left, mi.rcWork.left);
    EXPECT_GE(lost.top, mi.rcWork.top);
    EXPECT_LE(lost.right, mi.rcWork.right);
    EXPECT_LE(lost.bottom, mi.rcWork.bottom);
    EXPECT_EQ(400, lost.right - lost.left);
    EXPECT_EQ(300, lost.bottom - lost.top);
    EXPECT_TRUE(MonitorFromRect(&lost, MONITOR_DEFAULTTONULL) != nullptr);

    // Extreme stored values do not overflow.
    RECT extreme = {INT_MIN, INT_MIN, INT_MAX, INT_MAX};
    esNormalizeRect(&extreme);
    EXPECT_LE(extreme.left, extreme.right);
}

TEST(Screen, CenterFormCentresOnTheWorkArea) {
    HWND w = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(w);
    ASSERT_EQ(S_OK, esCenterFormEx(w, 0));
    RECT rc;
    GetWindowRect(w, &rc);
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    GetMonitorInfoW(MonitorFromWindow(w, MONITOR_DEFAULTTONEAREST), &mi);
    EXPECT_NEAR((mi.rcWork.left + mi.rcWork.right) / 2, (rc.left + rc.right) / 2, 1);
    EXPECT_NEAR((mi.rcWork.top + mi.rcWork.bottom) / 2, (rc.top + rc.bottom) / 2, 1);
    DestroyWindow(w);
}

TEST(Host, ChecksAndTheirTestSeam) {
    EXPECT_TRUE(esIsUnicodeAvailable());
    EXPECT_TRUE(esIsHostWin2000_OrHigher());
    esSetHostWin2000_OrHigherForTest(0);
    EXPECT_FALSE(esIsHostWin2000_OrHigher());
    esSetHostWin2000_OrHigherForTest(-1);
    EXPECT_TRUE(esIsHostWin2000_OrHigher());
    EXPECT_FALSE(esIsInIDE());
    EXPECT_TRUE(IsWindow(esGetThunderMainHandle()));
    EXPECT_EQ(esGetThunderMainHandle(), esGetThunderMainHandle());
}

// The program's own App Paths registration is made for the current user only when no
// registration of the user's or of the machine's already names this very file.
TEST(Host, RegisterAppPathLeavesAnExistingRegistrationOfThisFileAlone) {
    const std::wstring exe = ModuleFileName(nullptr);
    const std::wstring key = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + esGetFileName(exe, false);
    auto set = [&](HKEY root, const std::wstring& path) {
        SHDeleteKeyW(root, key.c_str());
        if (!path.empty()) {
            ASSERT_EQ(ERROR_SUCCESS, SHSetValueW(root, key.c_str(), nullptr, REG_SZ, path.c_str(),
                                                 static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t))));
        }
    };
    auto userValue = [&] {
        wchar_t value[MAX_PATH] = {};
        DWORD size = sizeof(value);
        return SHGetValueW(HKEY_CURRENT_USER, key.c_str(), nullptr, nullptr, value, &size) == ERROR_SUCCESS
                   ? std::wstring(value) : std::wstring(L"<none>");
    };
    std::wstring lower = exe;
    for (auto& c : lower) c = static_cast<wchar_t>(towlower(c));
    struct Case {
        std::wstring machine, user, userAfter;
    } cases[] = {
        {L"", L"", exe},                                // nothing yet: registered
        {L"\"" + lower + L"\"", L"", L"<none>"},      // the machine's names it (quoted, other case)
        {L"", L"  " + lower, L"  " + lower},            // the user's own already names it: untouched
        {L"C:\\Other\\x.exe", L"C:\\Old\\x.exe", exe},  // both name others: the user's is replaced
    };
    for (const Case& c : cases) {
        set(HKEY_LOCAL_MACHINE, c.machine);
        set(HKEY_CURRENT_USER, c.user);
        EXPECT_EQ(S_OK, esRegisterAppPath());
        EXPECT_EQ(c.userAfter, userValue()) << "machine " << testing::PrintToString(c.machine);
    }
    set(HKEY_LOCAL_MACHINE, L"");
    set(HKEY_CURRENT_USER, L"");
}

}  // namespace

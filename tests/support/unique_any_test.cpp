// UniqueAny, the one owner template, and the platform's owners made from it.
#include <gtest/gtest.h>
#include <shellapi.h>
#include <string>
#include <vector>
#include "com/handle_owners.h"
#include "com/safe_array.h"

namespace {

// 0 and -1 hold nothing; every close is recorded and spoils the thread's last-error code.
std::vector<int> g_closed;

struct Recorded {
    using Type = int;
    static Type Empty() { return 0; }
    static bool IsEmpty(Type value) { return value == 0 || value == -1; }
    static void Close(Type value) {
        g_closed.push_back(value);
        SetLastError(ERROR_GEN_FAILURE);
    }
};
using Owner = UniqueAny<Recorded>;

struct Step {
    const char* what;
    int (*run)(Owner& owner);  // on an owner of 7; returns what it hands back
    int handedBack;
    int held;                  // afterwards, closed last by the owner's destructor
    std::vector<int> closed;   // by the step itself
};

const Step kSteps[] = {
    {"reset", [](Owner& o) { o.Reset(); return 0; }, 0, 0, {7}},
    {"reset to another", [](Owner& o) { o.Reset(8); return 0; }, 0, 8, {7}},
    {"reset to the second empty value", [](Owner& o) { o.Reset(-1); return o.Get(); }, 0, 0, {7}},
    {"put", [](Owner& o) { *o.Put() = 9; return 0; }, 0, 9, {7}},
    {"detach", [](Owner& o) { return o.Detach(); }, 7, 0, {}},
    {"move out", [](Owner& o) { Owner taken(std::move(o)); return taken.Detach(); }, 7, 0, {}},
    {"move in", [](Owner& o) { o = Owner(8); return 0; }, 0, 8, {7}},
    {"move onto itself", [](Owner& o) { Owner& same = o; o = std::move(same); return 0; }, 0, 7, {}},
};

TEST(UniqueAny, EachStepClosesWhatItGivesUpAndKeepsTheLastError) {
    for (const Step& step : kSteps) {
        g_closed.clear();
        int handedBack = 0, held = 0;
        bool holds = false;
        DWORD afterStep = 0;
        std::vector<int> closedByStep;
        {
            Owner owner(7);
            SetLastError(ERROR_FILE_NOT_FOUND);
            handedBack = step.run(owner);
            afterStep = GetLastError();
            held = owner.Get();
            holds = static_cast<bool>(owner);
            closedByStep = g_closed;
            SetLastError(ERROR_PATH_NOT_FOUND);
        }
        const DWORD afterEnd = GetLastError();
        EXPECT_EQ(step.handedBack, handedBack) << step.what;
        EXPECT_EQ(step.held, held) << step.what;
        EXPECT_EQ(step.held != 0, holds) << step.what;
        EXPECT_EQ(step.closed, closedByStep) << step.what;
        std::vector<int> closed = step.closed;
        if (step.held) closed.push_back(step.held);
        EXPECT_EQ(closed, g_closed) << step.what;
        EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), afterStep) << step.what;
        EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), afterEnd) << step.what;
    }
}

TEST(UniqueAny, EveryEmptyValueIsEmptyAndNeverClosed) {
    g_closed.clear();
    for (int empty : {0, -1}) {
        Owner owner(empty);
        EXPECT_FALSE(owner);
        EXPECT_EQ(0, owner.Get());  // the one empty value it keeps
    }
    EXPECT_TRUE(g_closed.empty());
    for (HANDLE empty : {HANDLE(nullptr), INVALID_HANDLE_VALUE}) {
        UniqueHandle owner(empty);
        EXPECT_FALSE(owner);
        EXPECT_EQ(nullptr, owner.Get());
    }
}

// Opens while `owner` holds it, closed once the owner lets go.
template <class Owner, class IsOpen>
void ExpectClosedByReset(const char* what, Owner owner, IsOpen isOpen) {
    const auto raw = owner.Get();
    ASSERT_TRUE(owner) << what;
    EXPECT_TRUE(isOpen(raw)) << what;
    owner.Reset();
    EXPECT_FALSE(isOpen(raw)) << what;
}

TEST(Owners, EachGivesItsValueBackWithItsOwnCall) {
    ExpectClosedByReset("event", UniqueHandle(CreateEventW(nullptr, TRUE, FALSE, nullptr)), [](HANDLE h) {
        DWORD flags = 0;
        return GetHandleInformation(h, &flags) != FALSE;
    });
    UniqueHKey key;
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, key.Put()));
    ExpectClosedByReset("registry key", std::move(key), [](HKEY k) {
        DWORD subKeys = 0;
        return RegQueryInfoKeyW(k, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                                nullptr, nullptr) == ERROR_SUCCESS;
    });
    ExpectClosedByReset("font", UniqueFont(CreateFontW(12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                                                       L"Tahoma")),
                        [](HFONT f) { return GetObjectType(f) == OBJ_FONT; });
    ExpectClosedByReset("menu", UniqueMenu(CreatePopupMenu()), [](HMENU m) { return IsMenu(m) != FALSE; });
}

// The owners whose closed values cannot be asked about safely are at least usable.
TEST(Owners, HoldWhatTheirFunctionsReturn) {
    const UniqueWindowDc screen = WindowDcOf(nullptr);
    ASSERT_TRUE(screen);
    EXPECT_GT(GetDeviceCaps(screen.Get().dc, LOGPIXELSX), 0);

    const DWORD fromSystem = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    UniqueLocal<wchar_t*> message;
    ASSERT_GT(FormatMessageW(fromSystem | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, ERROR_FILE_NOT_FOUND, 0,
                             reinterpret_cast<wchar_t*>(message.Put()), 0, nullptr),
              0u);
    wchar_t expected[512] = {};
    FormatMessageW(fromSystem, nullptr, ERROR_FILE_NOT_FOUND, 0, expected, 512, nullptr);
    EXPECT_STREQ(expected, message.Get());

    int argc = 0;
    const UniqueLocal<wchar_t**> argv(CommandLineToArgvW(L"tool \"a b\" c", &argc));
    ASSERT_TRUE(argv);
    ASSERT_EQ(3, argc);
    EXPECT_STREQ(L"a b", argv.Get()[1]);

    wchar_t folder[MAX_PATH] = {};
    GetSystemDirectoryW(folder, MAX_PATH);
    WIN32_FIND_DATAW found = {};
    const UniqueFindHandle search(FindFirstFileW((std::wstring(folder) + L"\\*").c_str(), &found));
    EXPECT_TRUE(search);
    EXPECT_TRUE(FindNextFileW(search.Get(), &found));
    const UniqueFindHandle none(FindFirstFileW(L"Z:\\tarnwell\\none\\*", &found));
    EXPECT_FALSE(none);  // INVALID_HANDLE_VALUE, so never given to FindClose

    const SafeArray array(SafeArrayCreateVector(VT_I4, 0, 4));
    ASSERT_TRUE(array);
    EXPECT_EQ(4u, array.Get()->rgsabound[0].cElements);
}

}  // namespace

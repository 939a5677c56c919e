// UniqueAny, the one owner template, and the platform's owners made from it.
#include <gtest/gtest.h>
#include <vector>
#include "com/handle_owners.h"

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

// Each step runs on an owner of 7 and returns what it hands back; what the owner holds then is
// closed when it goes, last.
const struct {
    const char* what;
    int (*run)(Owner& owner);
    int handedBack, held;
    std::vector<int> closed;
} kSteps[] = {
    {"reset", [](Owner& o) { o.Reset(); return 0; }, 0, 0, {7}},
    {"reset to another", [](Owner& o) { o.Reset(8); return 0; }, 0, 8, {7, 8}},
    {"reset to the second empty value", [](Owner& o) { o.Reset(-1); return 0; }, 0, 0, {7}},
    {"put", [](Owner& o) { *o.Put() = 9; return 0; }, 0, 9, {7, 9}},
    {"detach", [](Owner& o) { return o.Detach(); }, 7, 0, {}},
    {"move out", [](Owner& o) { return Owner(std::move(o)).Detach(); }, 7, 0, {}},
    {"move in", [](Owner& o) { o = Owner(8); return 0; }, 0, 8, {7, 8}},
    {"move in an empty value", [](Owner& o) { o = Owner(-1); return 0; }, 0, 0, {7}},
    {"move onto itself", [](Owner& o) { Owner& same = o; o = std::move(same); return 0; }, 0, 7, {7}},
};

TEST(UniqueAny, EachStepClosesWhatItGivesUpOnceAndKeepsTheLastError) {
    for (const auto& step : kSteps) {
        g_closed.clear();
        int handedBack = 0, held = 0;
        bool holds = false;
        DWORD afterStep = 0;
        {
            Owner owner(7);
            SetLastError(ERROR_FILE_NOT_FOUND);
            handedBack = step.run(owner);
            afterStep = GetLastError();
            held = owner.Get();
            holds = static_cast<bool>(owner);
            SetLastError(ERROR_PATH_NOT_FOUND);
        }
        EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError()) << step.what;
        EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), afterStep) << step.what;
        EXPECT_EQ(step.handedBack, handedBack) << step.what;
        EXPECT_EQ(step.held, held) << step.what;
        EXPECT_EQ(step.held != 0, holds) << step.what;
        EXPECT_EQ(step.closed, g_closed) << step.what;
    }
}

TEST(Owners, KernelHandlesHoldNothingForEitherFailureValue) {
    for (HANDLE empty : {HANDLE(nullptr), INVALID_HANDLE_VALUE}) {
        const UniqueHandle owner(empty);
        EXPECT_FALSE(owner);
        EXPECT_EQ(nullptr, owner.Get());
    }
    UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const HANDLE raw = event.Get();
    DWORD flags = 0;
    ASSERT_TRUE(GetHandleInformation(raw, &flags));
    event.Reset();
    EXPECT_FALSE(GetHandleInformation(raw, &flags));
}

}  // namespace

// Password protection: the stored layouts, sealing with the system's data protection, and
// the scrambled fall-back.
#include <gtest/gtest.h>
#include "com/handle_owners.h"
#include "protect/password_cryptor.h"
#include "protect/password_glue.h"
#include "protect/protect_data.h"
#include "support/zerbanesupportfbe.h"
#include <algorithm>
#include <cstring>
#include <cwchar>

namespace {

SecretText Text(const wchar_t* s) { return SecretText(s, wcslen(s)); }
std::wstring Plain(const SecretText& s) { return std::wstring(s.data(), s.size()); }
SecretBytes Bytes(std::vector<uint8_t> b) { return SecretBytes(b.data(), b.size()); }
std::vector<uint8_t> Plain(const SecretBytes& b) { return std::vector<uint8_t>(b.data(), b.data() + b.size()); }

// Blocks the wiping allocator handed back, and those among them that still held anything.
int g_freed = 0, g_dirty = 0;

template <class T>
struct InspectingAllocator {
    using value_type = T;
    InspectingAllocator() = default;
    template <class U>
    InspectingAllocator(const InspectingAllocator<U>&) {}
    T* allocate(size_t n) { return std::allocator<T>().allocate(n); }
    void deallocate(T* p, size_t n) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(p);
        ++g_freed;
        if (std::any_of(bytes, bytes + n * sizeof(T), [](unsigned char c) { return c != 0; })) ++g_dirty;
        std::allocator<T>().deallocate(p, n);
    }
};

TEST(Secret, EveryBlockIsWipedBeforeItIsFreed) {
    using Inspected = Secret<wchar_t, WipingAllocator<wchar_t, InspectingAllocator<wchar_t>>>;
    {
        Inspected first(L"first secret", 12);
        first = Inspected(L"second", 6);  // the first block goes back here
        Inspected moved(std::move(first));
    }
    EXPECT_EQ(2, g_freed);
    EXPECT_EQ(0, g_dirty);
}

// What the system hands out in LocalAlloc memory is wiped whole, also past the size asked for.
TEST(Secret, LocalBlocksAreWipedWhole) {
    for (UINT flags : {LMEM_FIXED, LMEM_MOVEABLE}) {
        const UniqueLocal<HLOCAL> block(LocalAlloc(flags, 10));
        ASSERT_TRUE(block);
        const SIZE_T size = LocalSize(block.Get());
        ASSERT_GE(size, 10u);
        memset(LocalLock(block.Get()), 0xA5, size);
        LocalUnlock(block.Get());
        WipeLocal(block.Get());
        const auto* bytes = static_cast<const unsigned char*>(LocalLock(block.Get()));
        EXPECT_TRUE(std::all_of(bytes, bytes + size, [](unsigned char c) { return c == 0; })) << flags;
        LocalUnlock(block.Get());
    }
}

TEST(PasswordGlue, EmptyPasswordsNeverReachDataProtection) {
    long before = DataProtectionCallCount();
    std::wstring stored = L"x";
    EXPECT_EQ(S_OK, EncodePassword(Text(L""), 2, &stored));
    EXPECT_EQ(L"", stored);
    EXPECT_EQ(L"", Plain(DecodePassword(L"")));
    EXPECT_EQ(before, DataProtectionCallCount());
}

TEST(PasswordGlue, SealedTwiceDiffersAndBothDecode) {
    std::wstring a, b;
    ASSERT_EQ(S_OK, EncodePassword(Text(L"s3cret pass"), 2, &a));
    ASSERT_EQ(S_OK, EncodePassword(Text(L"s3cret pass"), 2, &b));
    ASSERT_FALSE(a.empty());
    EXPECT_EQ(L'Z', a[0]);
    EXPECT_EQ(1u, a.size() % 2);
    EXPECT_EQ(std::wstring::npos, a.find(L"s3cret"));
    EXPECT_NE(a, b);
    EXPECT_EQ(L"s3cret pass", Plain(DecodePassword(a)));
    EXPECT_EQ(L"s3cret pass", Plain(DecodePassword(b)));
    // Lower-case marker and digits read alike.
    std::wstring lower = a;
    for (auto& c : lower) c = static_cast<wchar_t>(towlower(c));
    EXPECT_EQ(L"s3cret pass", Plain(DecodePassword(lower)));
    std::wstring machine;
    ASSERT_EQ(S_OK, EncodePassword(Text(L"m"), 1, &machine));
    EXPECT_EQ(L"m", Plain(DecodePassword(machine)));
}

TEST(PasswordGlue, UnreadableSealedTextsDecodeToNothing) {
    std::wstring stored;
    ASSERT_EQ(S_OK, EncodePassword(Text(L"abc"), 2, &stored));
    // One byte altered, as a blob sealed for another user would be: never a scrambled reading.
    std::wstring altered = stored;
    size_t at = altered.size() - 3;  // inside the sealed data and its check
    altered[at] = altered[at] == L'0' ? L'1' : L'0';
    EXPECT_EQ(L"", Plain(DecodePassword(altered)));
    for (size_t cut : {1, 2, 4, 8})
        EXPECT_EQ(L"", Plain(DecodePassword(stored.substr(0, stored.size() - cut)))) << "cut " << cut;
    EXPECT_EQ(L"", Plain(DecodePassword(L"Z")));
    EXPECT_EQ(L"", Plain(DecodePassword(L"Zxyz1")));
    EXPECT_EQ(L"", Plain(UnprotectPasswordText(L"9C009D00")));
}

TEST(PasswordGlue, LevelsOutsideTheRangeStoreNothing) {
    for (int level : {-1, 3, 100}) {
        std::wstring stored = L"x";
        EXPECT_EQ(S_OK, EncodePassword(Text(L"pw"), level, &stored));
        EXPECT_EQ(L"", stored);
    }
}

TEST(PasswordCryptor, ScrambledShapeAndTheUnreadDigits) {
    std::wstring s;
    ASSERT_EQ(S_OK, ScramblePassword(Text(L"abc"), &s));
    ASSERT_EQ(12u, s.size());
    EXPECT_EQ(L"9C", s.substr(0, 2));
    EXPECT_EQ(L"9D", s.substr(4, 2));
    EXPECT_EQ(L"9E", s.substr(8, 2));
    EXPECT_EQ(L"abc", Plain(UnscramblePassword(s)));
    EXPECT_EQ(L"abc", Plain(UnscramblePassword(L"9Czz9D!!9E.."))) << "third and fourth characters are never read";
    EXPECT_EQ(L"abc", Plain(UnscramblePassword(L"9c009d009e00")));
    EXPECT_EQ(L"", Plain(UnscramblePassword(L"9C009D009E0")));
    EXPECT_EQ(L"", Plain(UnscramblePassword(L"9C009D009G00"))) << "a bad group after good ones";
    std::wstring level0;
    ASSERT_EQ(S_OK, EncodePassword(Text(L"abc"), 0, &level0));
    EXPECT_EQ(12u, level0.size());
    EXPECT_EQ(L"abc", Plain(DecodePassword(level0)));
}

TEST(PasswordCryptor, Hex) {
    std::vector<uint8_t> bytes = {0, 15, 16, 255};
    std::wstring text;
    EXPECT_TRUE(BytesToHex(&bytes, &text));
    EXPECT_EQ(L"000F10FF", text);
    EXPECT_FALSE(BytesToHex(nullptr, &text));
    std::vector<uint8_t> back = {7};
    EXPECT_TRUE(HexToBytes(L"000f10Ff", &back));
    EXPECT_EQ(bytes, back);
    EXPECT_FALSE(HexToBytes(L"ABC", &back));
    EXPECT_FALSE(HexToBytes(L"0G", &back));
    EXPECT_EQ(bytes, back);  // left as it was
    EXPECT_TRUE(HexToBytes(L"", &back));
    EXPECT_TRUE(back.empty());
}

TEST(ProtectData, ReportsThroughTheResultAndTheLastError) {
    SecretBytes empty, data = Bytes({1, 2, 3});
    std::vector<uint8_t> noEntropy, out = {9};
    const ProtectOptions plain;
    ProtectOptions withEntropy;
    withEntropy.withEntropy = true;
    withEntropy.entropy = &noEntropy;
    long error = -1;
    EXPECT_FALSE(ProtectBytes(&empty, &out, L"", plain, &error));
    EXPECT_EQ(0, error);
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(ProtectBytes(nullptr, &out, L"", plain, &error));
    EXPECT_FALSE(ProtectBytes(&data, &out, L"", withEntropy, &error));
    EXPECT_EQ(0, error);
    std::vector<uint8_t> entropy = {4, 5}, sealed;
    withEntropy.entropy = &entropy;
    SecretBytes opened;
    ASSERT_TRUE(ProtectBytes(&data, &sealed, L"note", withEntropy, &error));
    EXPECT_EQ(0, error);
    std::wstring description = L"unset";
    ASSERT_TRUE(UnprotectBytes(&sealed, &opened, &description, withEntropy, &error));
    EXPECT_EQ(Plain(data), Plain(opened));
    EXPECT_EQ(L"note", description);
    std::vector<uint8_t> wrong = {6};
    withEntropy.entropy = &wrong;
    description = L"kept";
    EXPECT_FALSE(UnprotectBytes(&sealed, &opened, &description, withEntropy, &error));
    EXPECT_NE(0, error);
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(L"kept", description);
}

// The build plants a crypt32.dll without any functions beside this program.
TEST(ProtectData, Crypt32ComesFromTheSystemFolder) {
    std::vector<uint8_t> sealed;
    SecretBytes data = Bytes({1});
    long error = 0;
    ASSERT_TRUE(ProtectBytes(&data, &sealed, L"", ProtectOptions(), &error));
    wchar_t module[MAX_PATH] = {}, system[MAX_PATH] = {};
    ASSERT_NE(0u, GetModuleFileNameW(GetModuleHandleW(L"crypt32.dll"), module, MAX_PATH));
    UINT n = GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_EQ(0, _wcsnicmp(module, system, n)) << "loaded from " << module;
    EXPECT_EQ(L'\\', module[n]);
}

TEST(ProtectData, AnOldHostScramblesAndReports1150) {
    esSetHostWin2000_OrHigherForTest(0);
    long before = DataProtectionCallCount();
    SecretBytes data = Bytes({1});
    std::vector<uint8_t> out;
    long error = 0;
    EXPECT_FALSE(ProtectBytes(&data, &out, L"", ProtectOptions(), &error));
    EXPECT_EQ(1150, error);
    std::wstring stored;
    EXPECT_EQ(S_OK, EncodePassword(Text(L"abc"), 2, &stored));
    esSetHostWin2000_OrHigherForTest(-1);
    EXPECT_EQ(before, DataProtectionCallCount());
    EXPECT_EQ(12u, stored.size());
    EXPECT_EQ(L"abc", Plain(DecodePassword(stored)));
}

}  // namespace

// Password protection: the stored layouts, sealing with the system's data protection, and
// the scrambled fall-back.
#include <gtest/gtest.h>
#include "password_cryptor.h"
#include "password_glue.h"
#include "protect_data.h"
#include "zerbanesupportfbe.h"

namespace {

TEST(PasswordGlue, EmptyPasswordsNeverReachDataProtection) {
    long before = DataProtectionCallCount();
    std::wstring stored = L"x";
    EXPECT_EQ(S_OK, EncodePassword(L"", 2, &stored));
    EXPECT_EQ(L"", stored);
    EXPECT_EQ(L"", DecodePassword(L""));
    EXPECT_EQ(before, DataProtectionCallCount());
}

TEST(PasswordGlue, SealedTwiceDiffersAndBothDecode) {
    std::wstring a, b;
    ASSERT_EQ(S_OK, EncodePassword(L"s3cret pass", 2, &a));
    ASSERT_EQ(S_OK, EncodePassword(L"s3cret pass", 2, &b));
    ASSERT_FALSE(a.empty());
    EXPECT_EQ(L'Z', a[0]);
    EXPECT_EQ(1u, a.size() % 2);
    EXPECT_EQ(std::wstring::npos, a.find(L"s3cret"));
    EXPECT_NE(a, b);
    EXPECT_EQ(L"s3cret pass", DecodePassword(a));
    EXPECT_EQ(L"s3cret pass", DecodePassword(b));
    // Lower-case marker and digits read alike.
    std::wstring lower = a;
    for (auto& c : lower) c = static_cast<wchar_t>(towlower(c));
    EXPECT_EQ(L"s3cret pass", DecodePassword(lower));
    std::wstring machine;
    ASSERT_EQ(S_OK, EncodePassword(L"m", 1, &machine));
    EXPECT_EQ(L"m", DecodePassword(machine));
}

TEST(PasswordGlue, UnreadableSealedTextsDecodeToNothing) {
    std::wstring stored;
    ASSERT_EQ(S_OK, EncodePassword(L"abc", 2, &stored));
    // One byte altered, as a blob sealed for another user would be: never a scrambled reading.
    std::wstring altered = stored;
    size_t at = altered.size() - 3;  // inside the sealed data and its check
    altered[at] = altered[at] == L'0' ? L'1' : L'0';
    EXPECT_EQ(L"", DecodePassword(altered));
    EXPECT_EQ(L"", DecodePassword(L"Z"));
    EXPECT_EQ(L"", DecodePassword(L"Zxyz1"));
    EXPECT_EQ(L"", UnprotectPasswordText(L"9C009D00"));
}

TEST(PasswordGlue, LevelsOutsideTheRangeStoreNothing) {
    for (int level : {-1, 3, 100}) {
        std::wstring stored = L"x";
        EXPECT_EQ(S_OK, EncodePassword(L"pw", level, &stored));
        EXPECT_EQ(L"", stored);
    }
}

TEST(PasswordCryptor, ScrambledShapeAndTheUnreadDigits) {
    std::wstring s;
    ASSERT_EQ(S_OK, ScramblePassword(L"abc", &s));
    ASSERT_EQ(12u, s.size());
    EXPECT_EQ(L"9C", s.substr(0, 2));
    EXPECT_EQ(L"9D", s.substr(4, 2));
    EXPECT_EQ(L"9E", s.substr(8, 2));
    EXPECT_EQ(L"abc", UnscramblePassword(s));
    EXPECT_EQ(L"abc", UnscramblePassword(L"9Czz9D!!9E..")) << "third and fourth characters are never read";
    EXPECT_EQ(L"abc", UnscramblePassword(L"9c009d009e00"));
    EXPECT_EQ(L"", UnscramblePassword(L"9C009D009E0"));
    EXPECT_EQ(L"", UnscramblePassword(L"9G00"));
    std::wstring level0;
    ASSERT_EQ(S_OK, EncodePassword(L"abc", 0, &level0));
    EXPECT_EQ(12u, level0.size());
    EXPECT_EQ(L"abc", DecodePassword(level0));
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
    std::vector<uint8_t> empty, data = {1, 2, 3}, out = {9};
    long error = -1;
    EXPECT_FALSE(ProtectBytes(&empty, &out, L"", false, false, L"", L"0", &error));
    EXPECT_EQ(0, error);
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(ProtectBytes(nullptr, &out, L"", false, false, L"", L"0", &error));
    EXPECT_FALSE(ProtectBytesWithEntropy(&data, &out, &empty, false, L"", false, false, L"", L"0", &error));
    EXPECT_EQ(0, error);
    std::vector<uint8_t> entropy = {4, 5}, sealed, opened;
    ASSERT_TRUE(ProtectBytesWithEntropy(&data, &sealed, &entropy, false, L"note", false, false, L"", L"0", &error));
    EXPECT_EQ(0, error);
    std::wstring description = L"unset";
    ASSERT_TRUE(UnprotectBytesWithEntropy(&sealed, &opened, &entropy, false, &description, false, false, L"", L"0", &error));
    EXPECT_EQ(data, opened);
    EXPECT_EQ(L"note", description);
    std::vector<uint8_t> wrong = {6};
    description = L"kept";
    EXPECT_FALSE(UnprotectBytesWithEntropy(&sealed, &opened, &wrong, false, &description, false, false, L"", L"0", &error));
    EXPECT_NE(0, error);
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(L"kept", description);
}

TEST(ProtectData, AnOldHostScramblesAndReports1150) {
    esSetHostWin2000_OrHigherForTest(0);
    long before = DataProtectionCallCount();
    std::vector<uint8_t> data = {1}, out;
    long error = 0;
    EXPECT_FALSE(ProtectBytes(&data, &out, L"", false, false, L"", L"0", &error));
    EXPECT_EQ(1150, error);
    std::wstring stored;
    EXPECT_EQ(S_OK, EncodePassword(L"abc", 2, &stored));
    esSetHostWin2000_OrHigherForTest(-1);
    EXPECT_EQ(before, DataProtectionCallCount());
    EXPECT_EQ(12u, stored.size());
    EXPECT_EQ(L"abc", DecodePassword(stored));
}

}  // namespace

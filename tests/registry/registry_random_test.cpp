// Values of any type and size (none to 1 MiB, odd sizes, no terminator, unknown type
// numbers) written with the raw API never crash the reader, in either mode.
#include "tests/registry_fixture.h"
#include <random>

namespace {

TEST(RegistryRandom, AnyValueIsReadOrRejectedCleanly) {
    ScratchKey key(L"Random");
    std::mt19937 rng(20261207);
    const DWORD types[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0x7fffffff, 0x80000000u, 0xffffffffu};
    const size_t sizes[] = {0, 1, 2, 3, 4, 5, 7, 8, 9, 255, 4096, 65535, 1 << 20};
    int written = 0;
    for (int i = 0; i < 120; ++i) {
        DWORD type = types[rng() % (sizeof(types) / sizeof(types[0]))];
        size_t size = sizes[rng() % (sizeof(sizes) / sizeof(sizes[0]))];
        std::vector<uint8_t> bytes(size);
        for (auto& b : bytes) b = static_cast<uint8_t>(rng() % 4 == 0 ? 0 : rng());
        if (key.Write(L"v" + std::to_wstring(i), type, bytes) == ERROR_SUCCESS) ++written;
    }
    ASSERT_GT(written, 100);
    for (VARIANT_BOOL unicode : {VARIANT_TRUE, VARIANT_FALSE}) {
        ComPtr<_zbnRegistry2> reg = NewRegistry();
        reg->put_UseUnicodeFunctions(unicode);
        int read = 0;
        for (int i = 0; i < 120; ++i) {
            ComPtr<_RegValue> v = ReadValue(reg.Get(), key.Path(), L"v" + std::to_wstring(i));
            if (!v) continue;
            ++read;
            Variant data;
            EXPECT_EQ(S_OK, v->get_Data(data.Get()));
        }
        EXPECT_GT(read, 60);
        for (VARIANT_BOOL withData : {VARIANT_TRUE, VARIANT_FALSE}) {
            ComPtr<_Collection> list;
            ASSERT_EQ(S_OK, reg->GetValues(kHKCU, Bstr(key.Path()).Get(), withData, list.Put()));
            ASSERT_TRUE(list);
            long n = 0;
            EXPECT_EQ(S_OK, list->Count(&n));
            EXPECT_EQ(written, n);
        }
    }
}

}  // namespace

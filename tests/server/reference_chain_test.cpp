// Arguments that refer to a Variant that is itself a reference (two levels deep, or back to
// itself): the automation runtime follows one such reference only, and so does the server.
// Late-bound calls are the fuzzer's (it hands out chains to every member); here are the paths
// an early-bound caller reaches without the binder. Each call runs on a thread of its own, so
// one that would follow a chain forever fails the test instead of stalling it.
#include <gtest/gtest.h>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <thread>
#include "com/bstr.h"
#include "com/com_ptr.h"
#include "com/handle_owners.h"
#include "com/variant.h"
#include "automation/tarnwell_idl.h"
#include "tests/test_registry_keys.h"

namespace {

const DWORD kGuardMs = 5000;
const RegistryRoot2_Const kHkcu = static_cast<RegistryRoot2_Const>(0x80000001);
const wchar_t kTitle[] = L"TarnwellChainTest";
const wchar_t kTitleKey[] = L"Software\\Orrindale\\Zerbane\\TarnwellChainTest";

// How a call ended; hr stays E_PENDING when it never returned.
struct Outcome {
    HRESULT hr = E_PENDING;
    VARIANT_BOOL flag = VARIANT_FALSE;  // the member's Boolean answer, where it has one
};

// Runs `call` on a thread of its own, in an apartment of its own, for at most the guard's time;
// a call that stalls keeps its thread, and its share of the answer, to itself.
Outcome Guarded(std::function<Outcome()> call) {
    auto answer = std::make_shared<std::promise<Outcome>>();
    std::future<Outcome> outcome = answer->get_future();
    std::thread([call = std::move(call), answer] {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        const Outcome o = call();
        CoUninitialize();
        answer->set_value(o);
    }).detach();
    const bool done = outcome.wait_for(std::chrono::milliseconds(kGuardMs)) == std::future_status::ready;
    return done ? outcome.get() : Outcome{};
}

enum class Shape { TwoLevels, ItSelf };

// An argument that refers to a Variant that is itself a reference: to the value, or to the
// argument itself. It holds pointers into itself: never copied.
class Chained {
public:
    Chained(Shape shape, Variant value) : value_(std::move(value)) {
        V_VT(&middle_) = VT_BYREF | VT_VARIANT;
        V_VARIANTREF(&middle_) = value_.Get();
        V_VT(&outer_) = VT_BYREF | VT_VARIANT;
        V_VARIANTREF(&outer_) = shape == Shape::ItSelf ? &outer_ : &middle_;
    }
    Chained(const Chained&) = delete;
    Chained& operator=(const Chained&) = delete;
    VARIANT* Arg() { return &outer_; }

private:
    Variant value_;
    VARIANT middle_, outer_;
};

template <class T>
ComPtr<T> Make(const CLSID& clsid) {
    ComPtr<T> object;
    CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(T), object.PutVoid());
    return object;
}

// A collection of the scratch key's values, for Item and Add.
ComPtr<_Collection> ValuesOf(const std::wstring& path) {
    ComPtr<_Collection> list;
    ComPtr<_zbnRegistry2> reg = Make<_zbnRegistry2>(CLSID_zbnRegistry2);
    if (reg) reg->GetValues(kHkcu, Bstr(path).Get(), VARIANT_FALSE, list.Put());
    return list;
}

struct Case {
    const char* member;
    // Runs on the guarded thread: the member's answer, and its Boolean one where it has one.
    std::function<HRESULT(VARIANT* arg, VARIANT_BOOL* flag)> call;
    Outcome refused;  // the answer to a chain
    bool writes;      // would have written below the scratch key or title
};

TEST(ReferenceChains, AreRefusedAtOnceWhereverTheyArePassed) {
    ScratchKey key(L"Chains");
    key.WriteText(L"v", REG_SZ, L"x");
    SHDeleteKeyW(HKEY_CURRENT_USER, kTitleKey);
    const std::wstring path = key.Path(), made = key.Sub(L"made");
    const auto kAnyType = static_cast<SettingDataType_Const>(0);
    const std::vector<Case> cases = {
        {"SetValue data, early-bound",
         [&](VARIANT* data, VARIANT_BOOL* flag) {
             return Make<_zbnRegistry2>(CLSID_zbnRegistry2)
                 ->SetValue(kHkcu, Bstr(made).Get(), Bstr(L"w").Get(), static_cast<RegistryDataType2_Const>(REG_SZ),
                            *data, nullptr, flag);
         },
         {S_OK, VARIANT_FALSE}, true},
        {"Collection.Item, early-bound",
         [&](VARIANT* index, VARIANT_BOOL*) {
             Variant item;
             ComPtr<_Collection> values = ValuesOf(path);
             return values ? values->Item(index, item.Get()) : E_FAIL;
         },
         {DISP_E_TYPEMISMATCH, VARIANT_FALSE}, false},
        {"SaveSetting value, early-bound",
         [&](VARIANT* value, VARIANT_BOOL* flag) {
             return Make<_zbnZerbaneSettings2>(CLSID_zbnZerbaneSettings2)
                 ->SaveSetting(Bstr(L"").Get(), Bstr(L"s").Get(), kAnyType, *value, Bstr(kTitle).Get(), 0, 0,
                               VARIANT_TRUE, flag);
         },
         {S_OK, VARIANT_FALSE}, true},
        {"LoadSetting default, early-bound",
         [&](VARIANT* fallback, VARIANT_BOOL* flag) {
             Variant result;
             return Make<_zbnZerbaneSettings2>(CLSID_zbnZerbaneSettings2)
                 ->LoadSetting(Bstr(L"").Get(), Bstr(L"s").Get(), kAnyType, *fallback, Bstr(kTitle).Get(), 0, 0,
                               VARIANT_TRUE, flag, result.Get());
         },
         {E_INVALIDARG, VARIANT_FALSE}, false},
    };
    for (const Case& c : cases) {
        for (Shape shape : {Shape::TwoLevels, Shape::ItSelf}) {
            SCOPED_TRACE(std::string(c.member) + (shape == Shape::ItSelf ? ", refers to itself" : ", two levels"));
            const Outcome o = Guarded([&c, shape] {
                Chained arg(shape, Variant::Long(1));
                Outcome answer;
                answer.hr = c.call(arg.Arg(), &answer.flag);
                return answer;
            });
            if (o.hr == E_PENDING) {
                ADD_FAILURE() << "did not return within " << kGuardMs / 1000 << " s";
                continue;
            }
            EXPECT_EQ(c.refused.hr, o.hr);
            EXPECT_EQ(c.refused.flag, o.flag);
            if (c.writes) {
                EXPECT_FALSE(key.Exists(L"made"));
                UniqueHKey k;
                EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, kTitleKey, 0, KEY_READ, k.Put()));
            }
        }
    }
    SHDeleteKeyW(HKEY_CURRENT_USER, kTitleKey);
}

}  // namespace

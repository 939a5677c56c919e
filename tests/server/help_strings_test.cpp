// Script authors read the type library's help strings in their object browsers: every entry
// of the embedded library and every member of its interfaces has one.
#include <gtest/gtest.h>
#include "com/bstr.h"
#include "com/com_ptr.h"
#include "com/type_library.h"

namespace {

TEST(HelpStrings, EveryEntryAndMemberHasOne) {
    ComPtr<ITypeLib> lib;
    ASSERT_EQ(S_OK, typelib::GetTypeLib(lib.Put()));
    const UINT count = lib->GetTypeInfoCount();
    ASSERT_GT(count, 0u);
    for (UINT i = 0; i < count; ++i) {
        Bstr name, help;
        ASSERT_EQ(S_OK, lib->GetDocumentation(static_cast<INT>(i), name.Put(), help.Put(), nullptr, nullptr));
        EXPECT_FALSE(help.Str().empty()) << "no help string on " << name.Str();
        ComPtr<ITypeInfo> info;
        ASSERT_EQ(S_OK, lib->GetTypeInfo(i, info.Put()));
        TYPEATTR* attr = nullptr;
        ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
        const WORD funcs = attr->cFuncs;
        info->ReleaseTypeAttr(attr);
        for (UINT f = 0; f < funcs; ++f) {
            FUNCDESC* desc = nullptr;
            ASSERT_EQ(S_OK, info->GetFuncDesc(f, &desc));
            const MEMBERID id = desc->memid;
            const INVOKEKIND kind = desc->invkind;
            info->ReleaseFuncDesc(desc);
            // Members inherited from IDispatch carry none of ours.
            if (id >= 0x60000000 && id < 0x60020000) continue;
            Bstr member, memberHelp;
            ASSERT_EQ(S_OK, info->GetDocumentation(id, member.Put(), memberHelp.Put(), nullptr, nullptr));
            EXPECT_FALSE(memberHelp.Str().empty()) << "no help string on " << name.Str() << "." << member.Str()
                                                   << " (invoke kind " << kind << ")";
        }
    }
}

}  // namespace

#include "settings/prev_version_finder.h"
#include "com/bstr.h"
#include "com/com_ptr.h"
#include "com/variant.h"
#include "settings/late_binding.h"
#include "settings/setting_path.h"
#include "support/upper_case.h"
#include "support/zerbanesupport.h"
#include <algorithm>

long VersionPartValue(const std::wstring& text) {
    if (text.empty()) return 0;
    for (wchar_t c : text)
        if (c < L'0' || c > L'9') return 0;
    long long value = 0;
    for (wchar_t c : text) {
        value = value * 10 + (c - L'0');
        if (value > 2147483647LL) return 0;
    }
    return static_cast<long>(value);
}

namespace {

std::vector<std::wstring> SplitAtDots(const std::wstring& text) {
    std::vector<std::wstring> parts;
    size_t start = 0;
    for (;;) {
        size_t dot = text.find(L'.', start);
        parts.push_back(text.substr(start, dot == std::wstring::npos ? std::wstring::npos : dot - start));
        if (dot == std::wstring::npos) return parts;
        start = dot + 1;
    }
}

}  // namespace

VersionOrder CompareVersions(std::wstring a, std::wstring b) {
    long dotsA = static_cast<long>(std::count(a.begin(), a.end(), L'.'));
    long dotsB = static_cast<long>(std::count(b.begin(), b.end(), L'.'));
    for (; dotsB < dotsA; ++dotsB) b += L".0";
    for (; dotsA < dotsB; ++dotsA) a += L".0";
    std::vector<std::wstring> partsA = SplitAtDots(a), partsB = SplitAtDots(b);
    for (size_t i = 0; i < partsA.size() && i < partsB.size(); ++i) {
        long x = VersionPartValue(partsA[i]), y = VersionPartValue(partsB[i]);
        if (x < y) return kOlderVersion;
        if (x > y) return kNewerVersion;
    }
    return kSameVersion;
}

void SortVersionList(std::vector<std::wstring>* list) {
    std::vector<std::wstring> result;
    while (!list->empty()) {
        size_t m = 0;
        for (size_t c = 1; c < list->size(); ++c)
            if (CompareVersions((*list)[c], (*list)[m]) == kOlderVersion) m = c;
        result.push_back((*list)[m]);
        list->erase(list->begin() + static_cast<std::ptrdiff_t>(m));
    }
    *list = std::move(result);
}

HRESULT FindPreviousVersion(_zbnRegistry2* registry, long root, const std::wstring& appTitle, long major, long minor,
                            std::wstring* found) {
    found->clear();
    std::vector<std::wstring> candidates;
    {
        ComPtr<_Collection> keys;
        HRESULT hr = registry->GetSubKeys(static_cast<RegistryRoot2_Const>(root), Bstr(ApplicationKeyPath(appTitle)).Get(),
                                          keys.Put());
        if (FAILED(hr)) return hr;
        if (!keys) return S_OK;
        long count = 0;
        hr = keys->Count(&count);
        if (FAILED(hr)) return hr;
        for (long i = 1; i <= count; ++i) {
            Variant index = Variant::Long(i), entry;
            hr = keys->Item(index.Get(), entry.Get());
            if (FAILED(hr)) return hr;
            if (entry.Type() != VT_DISPATCH) continue;
            std::wstring name;
            hr = GetTextProperty(V_DISPATCH(entry.Get()), L"Name", &name);
            if (FAILED(hr)) return hr;
            name = asTrimEx(name);
            if (UpperCase(name.substr(0, 8)) == L"VERSION ") candidates.push_back(asTrimEx(asCutLeft(name, 8)));
        }
    }
    SortVersionList(&candidates);
    const std::wstring current = asFormatVersionShort(major, minor);
    for (const auto& candidate : candidates)
        if (CompareVersions(current, candidate) == kNewerVersion) *found = candidate;  // the last older one is the newest
    return S_OK;
}

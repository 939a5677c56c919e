#include "stellwick/window/automation_objects.h"
#include "com/property_bag.h"
#include "com/variant.h"
#include "stellwick/window/list_view.h"
#include "stellwick/window/outside.h"
#include <initializer_list>
#include <utility>

namespace {

// A window handle as the 32-bit number automation clients expect (handles need 32 bits).
Variant Handle(HWND hwnd) { return Variant::Long(static_cast<LONG>(reinterpret_cast<intptr_t>(hwnd))); }

// A bag of read-only properties; null when it cannot be made whole.
ComPtr<IDispatch> MakeBag(std::initializer_list<std::pair<const wchar_t*, Variant*>> properties) {
    ComPtr<PropertyBag> bag;
    if (FAILED(PropertyBag::Make(&bag))) return {};
    for (const auto& property : properties)
        if (FAILED(bag->Add(property.first, std::move(*property.second)))) return {};
    return ComPtr<IDispatch>(bag.Get());
}

}  // namespace

ComPtr<IDispatch> MakeAppObject() {
    Variant title = Variant::Text(kAppTitle), major = Variant::Long(1), minor = Variant::Long(1);
    return MakeBag({{L"Title", &title}, {L"Major", &major}, {L"Minor", &minor}});
}

ComPtr<IDispatch> MakeWindowObject(HWND window, const std::wstring& name) {
    Variant hwnd = Handle(window), text = Variant::Text(name);
    return MakeBag({{L"hWnd", &hwnd}, {L"Name", &text}});
}

ComPtr<IDispatch> MakeListViewObject(const ListView& list, const std::wstring& name) {
    Variant count = Variant::Long(list.ColumnCount());
    ComPtr<IDispatch> headers = MakeBag({{L"Count", &count}});
    if (!headers) return {};
    Variant hwnd = Handle(list.Handle()), text = Variant::Text(name), columns = Variant::Object(headers.Get());
    return MakeBag({{L"hWnd", &hwnd}, {L"Name", &text}, {L"ColumnHeaders", &columns}});
}

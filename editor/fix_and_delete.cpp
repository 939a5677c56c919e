// Fixing a registration (pointing it at another executable) and deleting registrations.
#include "app_paths.h"
#include "com/bstr.h"
#include "com/variant.h"
#include "facade.h"
#include "list_view_support.h"
#include "zerbanesupportfbe.h"
#include <cwctype>

namespace {

const UINT kWarningStyle = MB_OKCANCEL | MB_ICONEXCLAMATION;  // 49
const long kCriticalStyle = MB_ICONSTOP;                       // 16

const wchar_t kKeyNameMismatch[] =
    L"Имя раздела App Paths и имя выбранного файла не совпадают. "
    L"Обычно они должны совпадать, если только это не псевдоним. \r\n\r\nПродолжить? (не рекомендуется)";
const wchar_t kFileNameMismatch[] =
    L"Имя выбранного файла и имя оригинального файла не совпадают. "
    L"Обычно они должны совпадать, если только это не псевдоним. \r\n\r\nПродолжить? (не рекомендуется)";
const wchar_t kConfirmDelete[] = L"Удалить выделенные элементы из реестра?";

std::wstring Upper(std::wstring s) {
    for (auto& c : s) c = static_cast<wchar_t>(std::towupper(c));
    return s;
}

std::wstring RegistrationPath(const std::wstring& name) { return std::wstring(kAppPathsKey) + L"\\" + name; }

void ReportFailure(_zbnRegistry2* facade, const std::wstring& path, const wchar_t* what, Outside& outside) {
    long code = 0;
    facade->get_LastRegError(&code);
    bool handled = false;
    outside.ReportRegistryError(code, kCriticalStyle, 0, path + L"\r\n\r\n" + what, &handled);
}

}  // namespace

std::wstring GetOpenFileName(const std::wstring& initialFileName, Outside& outside) {
    std::wstring chosen;
    if (!outside.ShowOpenDialog(L"Все файлы|*.*", 0, GetActiveWindow(), esGetFileName(initialFileName, false),
                                esGetFilePath(initialFileName), &chosen))
        return {};
    return chosen;
}

void WriteAppPathEntry(const std::wstring& name, const std::wstring& path, Outside& outside) {
    if (name.empty()) return;  // never the App Paths key itself
    ComPtr<_zbnRegistry2> facade = NewRegistryFacade();
    if (!facade) return;
    const std::wstring keyPath = RegistrationPath(name);
    Variant data;
    V_VT(data.Get()) = VT_BSTR;
    V_BSTR(data.Get()) = SysAllocString(path.c_str());
    VARIANT_BOOL existed = VARIANT_FALSE, ok = VARIANT_FALSE;
    HRESULT hr = facade->SetValue(kLocalMachine, Bstr(keyPath).Get(), Bstr(L"").Get(),
                                  static_cast<RegistryDataType2_Const>(REG_SZ), *data.Get(), &existed, &ok);
    if (FAILED(hr) || ok == VARIANT_FALSE) ReportFailure(facade.Get(), keyPath, L"Не удаётся изменить указанный ключ.", outside);
}

void DeleteAppPathEntry(const std::wstring& name, Outside& outside) {
    if (name.empty()) return;  // SHDeleteKey must never get the App Paths key itself
    ComPtr<_zbnRegistry2> facade = NewRegistryFacade();
    if (!facade) return;
    const std::wstring keyPath = RegistrationPath(name);
    VARIANT_BOOL ok = VARIANT_FALSE;
    HRESULT hr = facade->DeleteKey(kLocalMachine, Bstr(keyPath).Get(), VARIANT_TRUE, &ok);
    if (FAILED(hr) || ok == VARIANT_FALSE) ReportFailure(facade.Get(), keyPath, L"Не удаётся удалить указанный ключ.", outside);
}

void RemoveListRow(ListView& list, int index) {
    list.RemoveRow(index);
    const int rows = list.RowCount();
    if (rows == 0) return;
    if (index > rows) index = rows;
    list.SetSelected(index, true);
    list.EnsureVisible(index);
}

void FixSelectedEntry(ListView& list, HWND owner, Outside& outside) {
    std::vector<int> selected = GetSelectedIndices(list);
    if (selected.empty()) return;
    const int index = selected.front();
    const std::wstring current = list.Text(index, 2);
    const std::wstring chosen = GetOpenFileName(current, outside);
    if (chosen.empty()) return;
    const std::wstring newName = Upper(esGetFileName(chosen, false));
    const std::wstring keyName = Upper(list.Text(index, 1));
    if (keyName != newName) {
        if (outside.ShowMessage(owner, kKeyNameMismatch, kWarningStyle) != IDOK) return;
    } else {
        const std::wstring oldName = esGetFileName(current, false);
        if (!oldName.empty() && Upper(oldName) != newName &&
            outside.ShowMessage(owner, kFileNameMismatch, kWarningStyle) != IDOK)
            return;
    }
    WriteAppPathEntry(list.Text(index, 1), chosen, outside);
    RemoveListRow(list, index);
}

void DeleteSelectedEntries(ListView& list, HWND owner, Outside& outside) {
    std::vector<int> selected = GetSelectedIndices(list);
    if (selected.empty()) return;
    if (outside.ShowMessage(owner, kConfirmDelete, kWarningStyle) != IDOK) return;
    for (auto it = selected.rbegin(); it != selected.rend(); ++it) {
        DeleteAppPathEntry(list.Text(*it, 1), outside);
        RemoveListRow(list, *it);
    }
}

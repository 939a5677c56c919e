// The scan: which registrations are listed, and a scan that cannot run; the list routines.
#include "tests/stellwick/stellwick_fixture.h"
#include "stellwick/core/system_text.h"

namespace {

TEST_F(Stellwick, ListsOnlySimpleRegistrationsOfMissingFiles) {
    Register(L"expand.exe", kMissing + L"expand.exe", REG_EXPAND_SZ);
    Register(L"nodefault.exe", L"", REG_NONE);
    Register(L"present.exe", L"C:\\windows\\notepad.exe");
    Register(L"quotedpresent.exe", L"\"C:\\windows\\notepad.exe\"");
    Register(L"quotedmissing.exe", L"\"" + kMissing + L"quoted.exe\"");
    Register(L"lowerpath.exe", kMissing + L"lowerpath.exe", REG_SZ, {L"path"});
    Register(L"extra.exe", kMissing + L"extra.exe", REG_SZ, {L"Path", L"UseUrl"});
    Register(L"blanks.exe", L"  " + kMissing + L"blanks.exe \t");
    WaitForFirstScan();
    EXPECT_EQ((std::vector<std::wstring>{L"blanks.exe", L"lowerpath.exe", L"quotedmissing.exe"}), Column(1));
    EXPECT_EQ((std::vector<std::wstring>{kMissing + L"blanks.exe", kMissing + L"lowerpath.exe", kMissing + L"quoted.exe"}),
              Column(2));
    EXPECT_EQ(std::vector<int>{1}, GetSelectedIndices(window.List()));
}

// Whatever an installer left behind, the scan goes through it and lists only what it should;
// a value besides the default value whose data does not decode still counts by its name.
TEST_F(Stellwick, OddDefaultValuesNeitherStopTheScanNorGetListed) {
    auto raw = [](const std::wstring& name, const wchar_t* value, DWORD type, const std::vector<BYTE>& bytes) {
        UniqueHKey k;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, (kAppPaths + L"\\" + name).c_str(), 0, nullptr,
                                                 0, KEY_ALL_ACCESS, nullptr, k.Put(), nullptr));
        RegSetValueExW(k.Get(), value, 0, type, bytes.data(), static_cast<DWORD>(bytes.size()));
    };
    raw(L"binary.exe", nullptr, REG_BINARY, {1, 2, 3});
    raw(L"dword.exe", nullptr, REG_DWORD, {1, 0, 0, 0});
    raw(L"unknown.exe", nullptr, 0x1234, {7});
    raw(L"oddbytes.exe", nullptr, REG_SZ, {'C', 0, ':', 0, 'x'});  // five bytes, no terminator
    for (const wchar_t* other : {L"PATH", L"UseUrl"}) {
        const std::wstring name = std::wstring(L"odd") + other + L".exe";
        Register(name, kMissing + name);
        raw(name, other, REG_DWORD, {1, 2, 3});  // a number of three bytes
    }
    const std::wstring huge = L"C:\\" + std::wstring(512 * 1024, L'h');
    Register(L"huge.exe", huge);
    Register(L"after.exe", kMissing + L"after.exe");
    WaitForFirstScan();
    std::vector<std::wstring> names = Column(1);
    EXPECT_EQ((std::vector<std::wstring>{L"after.exe", L"huge.exe", L"oddPATH.exe"}), names);
    ASSERT_EQ(3u, names.size());
    EXPECT_EQ(kMissing + L"after.exe", Column(2)[0]);
}

// A class factory that makes nothing: the DLL as a broken installation would leave it.
class RefusingFactory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = this;
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown*, REFIID, void** ppv) override {
        *ppv = nullptr;
        return E_ACCESSDENIED;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

TEST_F(Stellwick, ARegistryObjectThatCannotBeMadeIsReportedNotTakenForSuccess) {
    Register(L"foo.exe", kMissing + L"foo.exe");
    Register(L"bar.exe", kMissing + L"bar.exe");
    WaitForFirstScan();
    RefusingFactory factory;
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, CoRegisterClassObject(CLSID_zbnRegistry2, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                          &cookie));
    Select({2});  // foo.exe
    outside.choice = L"D:\\New\\foo.exe";
    Menu(kMenuFix);
    Select({1});
    outside.answers = {IDOK};
    Menu(kMenuDelete);
    CoRevokeClassObject(cookie);
    ASSERT_EQ(2u, outside.errors.size());
    EXPECT_EQ(static_cast<long>(E_ACCESSDENIED), outside.errors[0].first);
    EXPECT_EQ(kAppPaths + L"\\foo.exe\r\n\r\nНе удаётся изменить указанный ключ.", outside.errors[0].second);
    EXPECT_EQ(kAppPaths + L"\\bar.exe\r\n\r\nНе удаётся удалить указанный ключ.", outside.errors[1].second);
    EXPECT_EQ(kMissing + L"foo.exe", DefaultValue(L"foo.exe"));
    EXPECT_TRUE(Exists(L"bar.exe"));
}

// Both App Paths keys are scanned. The fourth column says why each row is listed; rows that
// cannot be proved broken are grey and counted in a sentence of their own, which the status bar
// has only while there are any. The counts follow the commands, which take rows of either kind.
TEST_F(Stellwick, RowsTellWhereAndWhyAndTheStatusCountsBrokenAndUnverifiable) {
    Register(L"both.exe", kMissing + L"both.exe");
    Register(L"drive.exe", L"Q:\\drive.exe");
    Register(L"file.exe", L"C:\\windows\\tarnwell-missing.exe");
    Register(L"present.exe", L"C:\\windows\\notepad.exe");
    Register(L"relative.exe", L"relative.exe");
    RegisterForUser(L"both.exe", kMissing + L"user\\both.exe");
    RegisterForUser(L"user.exe", kMissing + L"user.exe");
    Register(L"extra.exe", kMissing + L"extra.exe", REG_SZ, {L"UseUrl"}, HKEY_CURRENT_USER);
    WaitForFirstScan();
    EXPECT_EQ((std::vector<std::wstring>{L"both.exe", L"both.exe", L"drive.exe", L"file.exe", L"relative.exe", L"user.exe"}),
              Column(1));
    EXPECT_EQ((std::vector<std::wstring>{kMissing + L"both.exe", kMissing + L"user\\both.exe", L"Q:\\drive.exe",
                                         L"C:\\windows\\tarnwell-missing.exe", L"relative.exe", kMissing + L"user.exe"}),
              Column(2));
    const std::wstring machine = L"Все пользователи", user = L"Текущий пользователь";
    EXPECT_EQ((std::vector<std::wstring>{machine, user, machine, machine, machine, user}), Column(3));
    const std::wstring folder = L"Папка не найдена";
    EXPECT_EQ((std::vector<std::wstring>{folder, folder, L"Диск недоступен", L"Файл не найден", L"Неполный путь", folder}),
              Column(4));
    EXPECT_EQ(L"Проверено разделов: 8. Найдено ошибок: 4. Не удалось проверить: 2.", Status());
    const COLORREF grey = GetSysColor(COLOR_GRAYTEXT), black = RGB(1, 2, 3);
    for (int row = 1; row <= 6; ++row) {
        NMLVCUSTOMDRAW draw = {};
        draw.nmcd.hdr.hwndFrom = window.List().Handle();
        draw.nmcd.hdr.code = NM_CUSTOMDRAW;
        draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
        draw.nmcd.lItemlParam = window.List().Data(row);
        draw.clrText = black;
        SendMessageW(window.Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&draw));
        EXPECT_EQ(row == 3 || row == 5 ? grey : black, draw.clrText) << row;
    }
    Select({1});
    outside.answers = {IDOK};
    Press(VK_DELETE);
    EXPECT_EQ(L"Проверено разделов: 8. Найдено ошибок: 3. Не удалось проверить: 2.", Status());
    Select({Row(L"drive.exe"), Row(L"relative.exe")});
    outside.answers = {IDOK};
    Press(VK_DELETE);
    EXPECT_FALSE(Exists(L"drive.exe") || Exists(L"relative.exe"));
    EXPECT_EQ(L"Проверено разделов: 8. Найдено ошибок: 3.", Status());
}

// The class of Tarnwell0201.dll as a broken installation leaves it: not registered.
class UnregisteredFacade {
public:
    UnregisteredFacade() {
        wchar_t clsid[40] = {};
        StringFromGUID2(CLSID_zbnRegistry2, clsid, 40);
        key_ = std::wstring(L"CLSID\\") + clsid + L"\\InprocServer32";
        saved_ = CaptureTree(HKEY_CLASSES_ROOT, key_, &image_) == ERROR_SUCCESS;
        if (saved_) SHDeleteKeyW(HKEY_CLASSES_ROOT, key_.c_str());
    }
    ~UnregisteredFacade() {
        if (saved_) RestoreTree(HKEY_CLASSES_ROOT, key_, image_);
    }
    bool saved_ = false;

private:
    std::wstring key_;
    KeyImage image_;
};

TEST_F(Stellwick, AScanThatCannotRunSaysWhyAndListsNothing) {
    Register(L"foo.exe", kMissing + L"foo.exe");
    {
        UnregisteredFacade unregistered;
        ASSERT_TRUE(unregistered.saved_);
        WaitForFirstScan();
    }
    ASSERT_EQ(1u, outside.messages.size());
    EXPECT_EQ(L"Не удаётся создать объект Tarnwell0201.zbnRegistry2.\r\n\r\n" +
                  ErrorText(REGDB_E_CLASSNOTREG), outside.messages[0]);
    EXPECT_EQ(static_cast<UINT>(MB_ICONSTOP), outside.styles[0]);
    EXPECT_EQ(window.Handle(), outside.owners[0]);
    EXPECT_EQ(L"Проверка не выполнена.", Status());
    EXPECT_EQ(0, window.List().RowCount());

    // A per-user key that cannot be read is reported by its own name; then the machine's.
    RegisterForUser(L"user.exe", kMissing + L"user.exe");
    LockOut(HKEY_CURRENT_USER, kAppPaths);
    Press(VK_F5);
    LockOut(HKEY_LOCAL_MACHINE, kAppPaths);
    Press(VK_F5);
    ASSERT_EQ(3u, outside.messages.size());
    const std::wstring denied = L"\r\n\r\n" + ErrorText(ERROR_ACCESS_DENIED);
    EXPECT_EQ(L"Не удаётся прочитать раздел реестра:\r\nHKEY_CURRENT_USER\\" + kAppPaths + denied, outside.messages[1]);
    EXPECT_EQ(L"Не удаётся прочитать раздел реестра:\r\nHKEY_LOCAL_MACHINE\\" + kAppPaths + denied, outside.messages[2]);
    EXPECT_EQ(static_cast<UINT>(MB_ICONSTOP), outside.styles[2]);
    EXPECT_EQ(L"Проверка не выполнена.", Status());
    EXPECT_EQ(0, window.List().RowCount());
}

TEST(ListViewSupport, BoundsAndRounding) {
    HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
    HWND lv = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | LVS_REPORT, 0, 0, 400, 300, parent, nullptr, nullptr, nullptr);
    ListView list;
    list.Attach(lv);
    list.AddColumn(L"one");
    list.AddColumn(L"two");
    SelectOnlyItem(list, 1);  // empty list: nothing
    SortByColumn(list, 0);
    SortByColumn(list, 3);
    EXPECT_FALSE(list.Sorted());
    for (const wchar_t* t : {L"c", L"a", L"e", L"b", L"d"}) list.AddRow(t, L"");
    list.SetSelected(2, true);
    list.SetSelected(5, true);
    EXPECT_EQ((std::vector<int>{2, 5}), GetSelectedIndices(list));
    SelectOnlyItem(list, 9);  // beyond the last row: clears the selection
    EXPECT_TRUE(GetSelectedIndices(list).empty());
    SortByColumn(list, 1);
    list.AddRow(L"B2", L"");
    EXPECT_EQ(L"a", list.Text(1, 1));
    EXPECT_EQ(L"b", list.Text(2, 1));
    EXPECT_EQ(L"B2", list.Text(3, 1));

    const float tpp = static_cast<float>(TwipsPerPixelX());
    SetColumnWidthTwips(list, 1, tpp - 1);  // less than a pixel
    EXPECT_EQ(0, SendMessageW(lv, LVM_GETCOLUMNWIDTH, 0, 0));
    SetColumnWidthTwips(list, 1, 2 * tpp - 0.5f);  // rounds to the even 2 * tpp twips first
    EXPECT_EQ(2, SendMessageW(lv, LVM_GETCOLUMNWIDTH, 0, 0));
    SetColumnWidthTwips(list, 1, -1.0f);
    SetColumnWidthTwips(list, 3, 1500.0f);
    EXPECT_EQ(2, SendMessageW(lv, LVM_GETCOLUMNWIDTH, 0, 0));
    SendMessageW(lv, LVM_SETEXTENDEDLISTVIEWSTYLE, 0xFFFF, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    SetGridLines(list, false);
    EXPECT_EQ(static_cast<LRESULT>(LVS_EX_FULLROWSELECT), SendMessageW(lv, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    DestroyWindow(parent);
}

}  // namespace

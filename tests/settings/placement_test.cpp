// Window placement and list view column widths with real windows.
#include "tests/settings/settings_fixture.h"
#include <limits>
#include <commctrl.h>
#include "stellwick/window/automation_objects.h"
#include "com/variant_util.h"
#include "stellwick/window/list_view.h"
#include "settings/window_objects.h"
#include "support/twips.h"
#include "support/zerbanesupportfbe.h"

namespace {

class PlacementTest : public SettingsTest {
protected:
    PlacementTest() { title = L"Tarnwell Placement Test"; }
    ~PlacementTest() override {
        for (HWND w : windows) DestroyWindow(w);
    }
    HWND NewWindow(int x, int y, int w, int h) {
        HWND hwnd = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, x, y, w, h, nullptr, nullptr, nullptr, nullptr);
        ShowWindow(hwnd, SW_SHOWNORMAL);
        windows.push_back(hwnd);
        return hwnd;
    }
    bool Save(HWND hwnd, const wchar_t* name) {
        ComPtr<IDispatch> form = MakeWindowObject(hwnd, name);
        IDispatch* ref = form.Get();
        VARIANT_BOOL ok = VARIANT_FALSE;
        EXPECT_EQ(S_OK, store->SaveFormPlacement(Bstr(L"").Get(), Bstr(L"Window placement").Get(), &ref,
                                                 Bstr(title).Get(), 1, 0, VARIANT_TRUE, &ok));
        return ok != VARIANT_FALSE;
    }
    bool LoadPx(HWND hwnd, const wchar_t* name, bool minimized = false, long w = 0, long h = 0) {
        ComPtr<IDispatch> form = MakeWindowObject(hwnd, name);
        IDispatch* ref = form.Get();
        VARIANT_BOOL ok = VARIANT_TRUE;
        EXPECT_EQ(S_OK, store->LoadFormPlacementPx(Bstr(L"").Get(), Bstr(L"Window placement").Get(), &ref,
                                                   Bstr(title).Get(), 1, 0, minimized ? VARIANT_TRUE : VARIANT_FALSE, w,
                                                   h, VARIANT_TRUE, &ok));
        return ok != VARIANT_FALSE;
    }
    static RECT Normal(HWND hwnd) {
        WINDOWPLACEMENT wp = {};
        wp.length = sizeof(wp);
        GetWindowPlacement(hwnd, &wp);
        return wp.rcNormalPosition;
    }
    std::vector<HWND> windows;
};

TEST_F(PlacementTest, SaveThenLoadRestoresTheNormalRectangle) {
    HWND a = NewWindow(100, 80, 400, 300);
    HWND b = NewWindow(300, 200, 200, 150);
    ASSERT_TRUE(Save(a, L"frmA"));
    ASSERT_TRUE(Save(b, L"frmB"));
    RECT savedA = Normal(a), savedB = Normal(b);
    SetWindowPos(a, nullptr, 10, 10, 250, 250, SWP_NOZORDER);
    SetWindowPos(b, nullptr, 20, 20, 260, 260, SWP_NOZORDER);
    ASSERT_TRUE(LoadPx(a, L"frmA"));
    ASSERT_TRUE(LoadPx(b, L"frmB"));  // each name keeps its own placement
    RECT nowA = Normal(a), nowB = Normal(b);
    EXPECT_TRUE(EqualRect(&savedA, &nowA));
    EXPECT_TRUE(EqualRect(&savedB, &nowB));
    EXPECT_FALSE(IsIconic(a));
    ASSERT_TRUE(LoadPx(a, L"frmA", true));
    EXPECT_TRUE(IsIconic(a));
}

TEST_F(PlacementTest, FixedSizesInPixelsAndTwips) {
    HWND a = NewWindow(100, 80, 400, 300);
    ASSERT_TRUE(Save(a, L"frmA"));
    RECT saved = Normal(a);
    ASSERT_TRUE(LoadPx(a, L"frmA", false, 0, 300));
    RECT now = Normal(a);
    EXPECT_EQ(saved.right - saved.left, now.right - now.left);
    EXPECT_EQ(300, now.bottom - now.top);
    ComPtr<IDispatch> form = MakeWindowObject(a, L"frmA");
    IDispatch* ref = form.Get();
    VARIANT_BOOL ok = VARIANT_FALSE;
    ASSERT_EQ(S_OK, store->LoadFormPlacement(Bstr(L"").Get(), Bstr(L"Window placement").Get(), &ref, Bstr(title).Get(),
                                             1, 0, VARIANT_FALSE, 4000.0f, 0.0f, VARIANT_TRUE, &ok));
    EXPECT_EQ(VARIANT_TRUE, ok);
    now = Normal(a);
    EXPECT_EQ(4000 / WholeTwipsPerPixel(esScreenTwipsPerPixelX()), now.right - now.left);
    EXPECT_EQ(266, 4000 / WholeTwipsPerPixel(15.0f));
    EXPECT_EQ(1, WholeTwipsPerPixel(0.4f));  // never a division by zero

    // A fixed size that does not round to a 32-bit integer is an overflow, 2^31 included
    // (the float nearest 2147483647).
    for (float bad : {2147483648.0f, -3e9f, std::numeric_limits<float>::infinity(),
                      std::numeric_limits<float>::quiet_NaN()}) {
        ok = VARIANT_TRUE;
        EXPECT_EQ(DISP_E_OVERFLOW, store->LoadFormPlacement(Bstr(L"").Get(), Bstr(L"Window placement").Get(), &ref,
                                                            Bstr(title).Get(), 1, 0, VARIANT_FALSE, bad, 0.0f,
                                                            VARIANT_TRUE, &ok))
            << bad;
    }
    EXPECT_TRUE(RoundsToLong(2147483647.0) && RoundsToLong(-2147483648.0));
    EXPECT_FALSE(RoundsToLong(2147483647.5));
}

TEST_F(PlacementTest, RejectedRecordsApplyNothing) {
    HWND a = NewWindow(100, 80, 400, 300);
    EXPECT_FALSE(LoadPx(a, L"frmA"));  // nothing stored
    WINDOWPLACEMENT wp = {};
    wp.length = sizeof(wp);
    GetWindowPlacement(a, &wp);
    std::vector<uint8_t> good(reinterpret_cast<uint8_t*>(&wp), reinterpret_cast<uint8_t*>(&wp) + 44);
    std::vector<uint8_t> shortRecord(good.begin(), good.end() - 1), longRecord = good, badLength = good;
    longRecord.push_back(0);
    badLength[0] = 40;
    const std::wstring key = VersionKey(L"1.0") + L"\\frmA";
    for (const auto& bytes : {shortRecord, longRecord, badLength}) {
        WriteRaw(key, L"Window placement", REG_BINARY, bytes);
        SetWindowPos(a, nullptr, 5, 5, 123, 45, SWP_NOZORDER);
        RECT before = Normal(a);
        EXPECT_FALSE(LoadPx(a, L"frmA"));
        RECT after = Normal(a);
        EXPECT_TRUE(EqualRect(&before, &after));
    }
    // A placement on a monitor that is gone comes back onto the screen.
    wp.rcNormalPosition = {40000, 40000, 40300, 40200};
    std::vector<uint8_t> lost(reinterpret_cast<uint8_t*>(&wp), reinterpret_cast<uint8_t*>(&wp) + 44);
    WriteRaw(key, L"Window placement", REG_BINARY, lost);
    ASSERT_TRUE(LoadPx(a, L"frmA"));
    RECT back = Normal(a);
    EXPECT_TRUE(MonitorFromRect(&back, MONITOR_DEFAULTTONULL) != nullptr);
    EXPECT_EQ(300, back.right - back.left);
}

TEST_F(PlacementTest, ColumnWidthsInTwips) {
    HWND parent = NewWindow(0, 0, 500, 300);
    HWND lv = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | LVS_REPORT, 0, 0, 500, 300, parent, nullptr, nullptr, nullptr);
    ListView list;
    list.Attach(lv);
    list.AddColumn(L"a");
    list.AddColumn(L"b");
    SendMessageW(lv, LVM_SETCOLUMNWIDTH, 0, 100);
    SendMessageW(lv, LVM_SETCOLUMNWIDTH, 1, 40);
    ComPtr<IDispatch> object = MakeListViewObject(list, L"lvTest");
    IDispatch* ref = object.Get();
    ASSERT_EQ(S_OK, store->SaveListViewColumns(Bstr(L"lvTest").Get(), &ref, Bstr(title).Get(), 1, 0, VARIANT_TRUE));
    const float tpp = esScreenTwipsPerPixelX();
    bool ok = false;
    Variant w1 = Load(L"Column 1 Width", sdtLong, nullptr, 1, 0, &ok, L"lvTest");
    EXPECT_TRUE(ok);
    EXPECT_EQ(RoundHalfEven(100 * tpp), V_I4(w1.Get()));
    EXPECT_EQ(125, TwipsToPixels(1500, 12.0f));
    EXPECT_EQ(100, TwipsToPixels(1500, 15.0f));

    // A third stored column is ignored (and stays); a width stored as text is ignored.
    WriteRaw(VersionKey(L"1.0") + L"\\lvTest", L"Column 3 Width", REG_DWORD, {0xdc, 0x05, 0, 0});
    WriteText(VersionKey(L"1.0") + L"\\lvTest", L"Column 2 Width", L"900");
    SendMessageW(lv, LVM_SETCOLUMNWIDTH, 0, 10);
    SendMessageW(lv, LVM_SETCOLUMNWIDTH, 1, 33);
    ASSERT_EQ(S_OK, store->LoadListViewColumns(Bstr(L"lvTest").Get(), &ref, Bstr(title).Get(), 1, 0, VARIANT_TRUE));
    EXPECT_EQ(TwipsToPixels(RoundHalfEven(100 * tpp), tpp), SendMessageW(lv, LVM_GETCOLUMNWIDTH, 0, 0));
    EXPECT_EQ(33, SendMessageW(lv, LVM_GETCOLUMNWIDTH, 1, 0));
    Variant w3 = Load(L"Column 3 Width", sdtLong, nullptr, 1, 0, &ok, L"lvTest");
    EXPECT_EQ(1500, V_I4(w3.Get()));
    // Nothing given: nothing done.
    IDispatch* none = nullptr;
    EXPECT_EQ(S_OK, store->LoadListViewColumns(Bstr(L"lvTest").Get(), &none, Bstr(title).Get(), 1, 0, VARIANT_TRUE));
    EXPECT_EQ(S_OK, store->SaveListViewColumns(Bstr(L"lvTest").Get(), nullptr, Bstr(title).Get(), 1, 0, VARIANT_TRUE));
}

// The thread's error info belongs to the call that failed: a failure a member swallows
// leaves none behind, a failure that sets none reports none (not an earlier one), and a
// member failing inside another keeps its description through both.
TEST_F(PlacementTest, ErrorInfoBelongsToTheCallThatFailed) {
    ComPtr<IDispatch> notAList = MakeWindowObject(nullptr, L"frmA");  // it has no "ColumnHeaders"
    IDispatch* ref = notAList.Get();
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(S_OK, store->SaveListViewColumns(Bstr(L"lv").Get(), &ref, Bstr(title).Get(), 1, 0, VARIANT_TRUE));
    EXPECT_EQ(S_FALSE, GetErrorInfo(0, info.Put()));

    ComPtr<ICreateErrorInfo> create;
    ASSERT_EQ(S_OK, CreateErrorInfo(create.Put()));
    create->SetDescription(const_cast<LPOLESTR>(L"an earlier failure"));
    ComPtr<IErrorInfo> stale;
    ASSERT_EQ(S_OK, create.As(&stale));
    SetErrorInfo(0, stale.Get());
    EXPECT_EQ(E_POINTER, store->GetSettingPath(Bstr(title).Get(), 1, 0, Bstr(L"").Get(), nullptr));
    EXPECT_EQ(S_FALSE, GetErrorInfo(0, info.Put()));

    ComPtr<IDispatch> app = MakeAppObject();
    EXPECT_TRUE(FAILED(store->LoadListViewColumns2(Bstr(L"lv").Get(), &ref, app.Get(), VARIANT_TRUE)));
    ASSERT_EQ(S_OK, GetErrorInfo(0, info.Put()));
    Bstr text;
    info->GetDescription(text.Put());
    EXPECT_NE(std::wstring::npos, text.Str().find(L"ColumnHeaders")) << text.Str();
}

}  // namespace

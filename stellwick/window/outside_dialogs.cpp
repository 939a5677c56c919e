#include "stellwick/window/outside.h"
#include "stellwick/core/system_text.h"
#include "stellwick/core/texts.h"
#include "stellwick/core/backup/undo_history.h"
#include "support/zerbanesupportfbe.h"
#include <commdlg.h>
#include <vector>

const wchar_t kAppTitle[] = L"Zerbane - Stellwick";

namespace {

// "Name|pattern|Name|pattern" as the dialog wants it: NUL separated, double NUL at the end.
std::wstring DialogFilter(const std::wstring& filter) {
    std::wstring out = filter;
    for (auto& c : out)
        if (c == L'|') c = L'\0';
    out.push_back(L'\0');
    out.push_back(L'\0');
    return out;
}

class SystemDialogs final : public Outside {
public:
    int ShowMessage(HWND owner, const std::wstring& text, UINT style) override {
        return MessageBoxW(owner, text.c_str(), kAppTitle, style);
    }

    bool ShowOpenDialog(const std::wstring& filter, long, HWND owner, const std::wstring& fileName,
                        const std::wstring& folder, std::wstring* chosen) override {
        std::wstring filterText = DialogFilter(filter);
        std::vector<wchar_t> file(32768, L'\0');
        fileName.copy(file.data(), file.size() - 1);
        OPENFILENAMEW ofn = {};
        ofn.lStructSize = sizeof(ofn);
        ofn.hwndOwner = owner;
        ofn.lpstrFilter = filterText.c_str();
        ofn.nFilterIndex = 1;
        ofn.lpstrFile = file.data();
        ofn.nMaxFile = static_cast<DWORD>(file.size());
        ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
        ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
        if (!GetOpenFileNameW(&ofn)) return false;
        *chosen = file.data();
        return true;
    }

    void ReportRegistryError(HWND owner, long errorCode, long style, long, const std::wstring& text, bool*) override {
        std::wstring message = text + L"\r\n\r\n" + Text(IDS_ERROR_CODE, {std::to_wstring(errorCode)});
        std::wstring system = SystemErrorText(errorCode);
        if (!system.empty()) message += L" (" + system + L")";
        MessageBoxW(owner, message.c_str(), kAppTitle, static_cast<UINT>(style));
    }

    void ShowAboutBox(HWND owner) override {
        const std::wstring text = Text(IDS_ABOUT_TEXT, {kAppTitle, DefaultBackupFolder()});
        MessageBoxW(owner, text.c_str(), Text(IDS_ABOUT_TITLE).c_str(), MB_OK | MB_ICONINFORMATION);
    }

    void OpenReadMe() override { esOpenReadMeFile(0); }

    void TrackPopup(HMENU menu, UINT flags, POINT screen, HWND owner) override {
        TrackPopupMenu(menu, flags, screen.x, screen.y, 0, owner, nullptr);
    }
};

}  // namespace

Outside& SystemOutside() {
    static SystemDialogs dialogs;
    return dialogs;
}

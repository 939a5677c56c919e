#pragma once
// The pieces outside Stellwick that it talks to: message boxes, the open-file dialog, the
// error reporter, the about box, the read-me and the popup menu. Tests put their own in.
// Every box and dialog is modal to the owner it is given, the main window, so no command
// runs while one is open.
#include <windows.h>
#include <string>

class Outside {
public:
    virtual ~Outside() = default;
    // A message box with the application title; returns the button chosen (IDOK, ...).
    virtual int ShowMessage(HWND owner, const std::wstring& text, UINT style) = 0;
    // The open-file dialog: true and the chosen full path when the user chose a file.
    virtual bool ShowOpenDialog(const std::wstring& filter, long flags, HWND owner, const std::wstring& fileName,
                                const std::wstring& folder, std::wstring* chosen) = 0;
    virtual void ReportRegistryError(HWND owner, long errorCode, long style, long reserved, const std::wstring& text,
                                     bool* handled) = 0;
    virtual void ShowAboutBox(HWND owner) = 0;
    virtual void OpenReadMe() = 0;
    // Shows the popup menu at a screen point; the chosen command arrives as WM_COMMAND.
    virtual void TrackPopup(HMENU menu, UINT flags, POINT screen, HWND owner) = 0;
};

// The real ones: system dialogs and message boxes.
Outside& SystemOutside();

// The application title message boxes carry.
extern const wchar_t kAppTitle[];

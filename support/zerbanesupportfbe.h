#pragma once
// File, screen, number and host helpers of the family's second support library.
#include <windows.h>
#include <cstdint>
#include <string>

// Registers the running program under the current user's App Paths, unless a registration
// of the current user's or the machine's (either registry view) already names this very file.
HRESULT esRegisterAppPath();
// Always false: the programs are never run inside a development environment.
bool esIsInIDE();
// The handle of the program's hidden application window (created on first use).
HWND esGetThunderMainHandle();
// Nothing to fix in a program without user controls; succeeds.
HRESULT esFixUserControlsContainerWindow();
// Opens the program's read-me document (ReadMe.html beside the executable).
HRESULT esOpenReadMeFile(long flags);
// Centres the window on the work area of the monitor it is nearest to.
HRESULT esCenterFormEx(HWND window, long flags);
// True only when a file (not a folder) exists at `path`, as the system sees it (file
// system redirection of a 32-bit process on 64-bit Windows is turned off for the test).
bool esIsFileExist(const std::wstring& path);
// The last component of `path` (the text after its last backslash or slash).
std::wstring esGetFileName(const std::wstring& path, bool flag);
// The folder part of `path`, with its trailing backslash; empty when there is none.
std::wstring esGetFilePath(const std::wstring& path);
// Twips per screen pixel (1440 / pixels per inch), horizontally and vertically.
float esScreenTwipsPerPixelX();
float esScreenTwipsPerPixelY();
// Puts left <= right and top <= bottom, and moves a rectangle that lies on no monitor onto
// the work area of the nearest one (keeping its size where it fits).
void esNormalizeRect(RECT* rect);
// The low 16 bits of a 32-bit value.
uint16_t esLoWord(int32_t value);
// True when the host offers the wide-character registry functions.
bool esIsUnicodeAvailable();
// True on Windows 2000 and later (where the data protection calls exist).
bool esIsHostWin2000_OrHigher();
// Test seam: forces the answer of esIsHostWin2000_OrHigher (-1 restores the real check).
void esSetHostWin2000_OrHigherForTest(int answer);
// A random whole number from `low` to `high`, from the system's cryptographic source.
HRESULT esGetRnd(long low, long high, long flags, long* out);
// The byte as exactly two upper-case hexadecimal digits.
std::wstring esHex1(uint8_t value);

// The print-client hook and the theme services of the controls library.
//
// While the hook is installed, every toolkit window that paints itself into a foreign device
// context (WM_PRINTCLIENT, which themed drawing uses to paint a parent's background under a
// child) gives the context back as it found it: the toolkit's print-client handler entry is
// replaced by one that wraps the toolkit's handling in SaveDC/RestoreDC.
#pragma once

#include <windows.h>

#include <uxtheme.h>

#include "controls/XcuUnitVersioning.h"

namespace talvik {

// The visual-theme calls, bound at run time from uxtheme.dll (absent: no themes).
class TXcThemeServices {
public:
    TXcThemeServices();
    ~TXcThemeServices();
    TXcThemeServices(const TXcThemeServices&) = delete;
    TXcThemeServices& operator=(const TXcThemeServices&) = delete;
    bool ThemesAvailable() const { return lib_ != nullptr; }
    // Themes are available, active and applied to this program.
    bool ThemesEnabled() const;
    HTHEME OpenThemeData(HWND hwnd, const wchar_t* classes) const;
    void CloseThemeData(HTHEME theme) const;
    HRESULT DrawThemeBackground(HTHEME theme, HDC dc, int part, int state, const RECT* r, const RECT* clip) const;

private:
    HMODULE lib_ = nullptr;
    BOOL(WINAPI* isThemeActive_)() = nullptr;
    BOOL(WINAPI* isAppThemed_)() = nullptr;
    HTHEME(WINAPI* open_)(HWND, LPCWSTR) = nullptr;
    HRESULT(WINAPI* close_)(HTHEME) = nullptr;
    HRESULT(WINAPI* draw_)(HTHEME, HDC, int, int, const RECT*, const RECT*) = nullptr;
};

// The process's theme services.
TXcThemeServices& ThemeServices();

// Installs the print-client hook (once; again after removal).
void PatchPrintClientHandler();
// Puts the toolkit's own handler back.
void UnpatchPrintClientHandler();
bool PrintClientHandlerPatched();

extern TUnitVersionRegistration XcThemesUnit;

}  // namespace talvik

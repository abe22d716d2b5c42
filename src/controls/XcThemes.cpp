// Print-client hook and theme services.
#include "controls/XcThemes.h"

#include "toolkit/core.h"

namespace talvik {

namespace {

TPrintClientHandler savedHandler = nullptr;

LRESULT PrintClientHook(TWinControl* control, UINT msg, WPARAM wp, LPARAM lp) {
    TPrintClientHandler framework = savedHandler ? savedHandler : DefaultPrintClientHandler;
    if (msg != WM_PRINTCLIENT) return framework(control, msg, wp, lp);
    HDC dc = reinterpret_cast<HDC>(wp);
    int saved = SaveDC(dc);
    struct Restore {
        HDC dc;
        int saved;
        ~Restore() {
            if (saved) RestoreDC(dc, saved);
        }
    } restore{dc, saved};
    return framework(control, msg, wp, lp);
}
}  // namespace

TUnitVersionRegistration XcThemesUnit(MakeUnitVersion("XcThemes.cpp", "XCL\\run"));

void PatchPrintClientHandler() {
    TPrintClientHandler& entry = PrintClientHandlerEntry();
    if (entry == PrintClientHook) return;
    savedHandler = entry;
    entry = PrintClientHook;
}

void UnpatchPrintClientHandler() {
    TPrintClientHandler& entry = PrintClientHandlerEntry();
    if (entry != PrintClientHook || !savedHandler) return;
    entry = savedHandler;
    savedHandler = nullptr;
}

bool PrintClientHandlerPatched() { return PrintClientHandlerEntry() == PrintClientHook; }

// ---- theme services

TXcThemeServices::TXcThemeServices() {
    lib_ = LoadLibraryW(L"uxtheme.dll");
    if (!lib_) return;
    auto get = [this](const char* name) { return reinterpret_cast<void*>(GetProcAddress(lib_, name)); };
    isThemeActive_ = reinterpret_cast<decltype(isThemeActive_)>(get("IsThemeActive"));
    isAppThemed_ = reinterpret_cast<decltype(isAppThemed_)>(get("IsAppThemed"));
    open_ = reinterpret_cast<decltype(open_)>(get("OpenThemeData"));
    close_ = reinterpret_cast<decltype(close_)>(get("CloseThemeData"));
    draw_ = reinterpret_cast<decltype(draw_)>(get("DrawThemeBackground"));
    if (!isThemeActive_ || !open_ || !close_ || !draw_) {
        FreeLibrary(lib_);
        lib_ = nullptr;
    }
}

TXcThemeServices::~TXcThemeServices() {
    if (lib_) FreeLibrary(lib_);
}

bool TXcThemeServices::ThemesEnabled() const {
    return lib_ && isThemeActive_() && (!isAppThemed_ || isAppThemed_());
}

HTHEME TXcThemeServices::OpenThemeData(HWND hwnd, const wchar_t* classes) const {
    return lib_ ? open_(hwnd, classes) : nullptr;
}

void TXcThemeServices::CloseThemeData(HTHEME theme) const {
    if (lib_ && theme) close_(theme);
}

HRESULT TXcThemeServices::DrawThemeBackground(HTHEME theme, HDC dc, int part, int state, const RECT* r,
                                              const RECT* clip) const {
    return lib_ ? draw_(theme, dc, part, state, r, clip) : E_FAIL;
}

TXcThemeServices& ThemeServices() {
    static TXcThemeServices services;
    return services;
}

}  // namespace talvik

// Message boxes, file dialogs and the font dialog over the system's common dialogs.
#include "toolkit/dialogs.h"

#include <commctrl.h>
#include <commdlg.h>
#include <cderr.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "base/format.h"

namespace talvik {

namespace {
MessageDlgHook& DlgHook() {
    static MessageDlgHook hook;
    return hook;
}
HWND ActiveOwner() {
    return Application.MainForm ? Application.MainForm->Handle() : nullptr;
}
}  // namespace

std::function<std::optional<std::string>(TSaveDialog*)> TSaveDialog::Hook;
std::function<std::optional<TFont>(TFontDialog*)> TFontDialog::Hook;
std::function<std::optional<std::string>(TPrintDialog*)> TPrintDialog::Hook;

MessageDlgHook SetMessageDlgHook(MessageDlgHook hook) {
    MessageDlgHook old = std::move(DlgHook());
    DlgHook() = std::move(hook);
    return old;
}

namespace {

TModalResult ResultOf(int id) {
    switch (id) {
    case IDYES: return TModalResult::mrYes;
    case IDNO: return TModalResult::mrNo;
    case IDOK: return TModalResult::mrOk;
    default: return TModalResult::mrCancel;
    }
}

// The box of one MessageDlg call with OnPress, caught as it is created (a CBT hook of this
// thread) and subclassed so that a press reaches OnPress before the box acts on it.
struct PressWatch {
    const MessageDlgPress* onPress = nullptr;
    HHOOK hook = nullptr;
    HWND box = nullptr;
    WPARAM held = 0;  // a press held back, pressed again on the box's timer
};
thread_local PressWatch* g_pressWatch = nullptr;
constexpr UINT_PTR kPressAgainTimer = 0x5052;
constexpr UINT kPressAgainMs = 10;

LRESULT CALLBACK PressWatchProc(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data) {
    auto* watch = reinterpret_cast<PressWatch*>(data);
    switch (msg) {
    case WM_TIMER:
        if (wp != kPressAgainTimer) break;
        KillTimer(h, kPressAgainTimer);
        if (const WPARAM held = std::exchange(watch->held, 0)) SendMessageW(h, WM_COMMAND, held, 0);
        return 0;
    case WM_COMMAND: {
        const int button = LOWORD(wp);
        const bool press = HIWORD(wp) == BN_CLICKED &&
                           (button == IDYES || button == IDNO || button == IDOK || button == IDCANCEL);
        if (!press) break;
        bool taken = true;
        try {
            taken = (*watch->onPress)(ResultOf(button));
        } catch (...) {
            Application.HandleCurrentException();
        }
        if (!taken) {
            watch->held = MAKEWPARAM(button, BN_CLICKED);
            SetTimer(h, kPressAgainTimer, kPressAgainMs, nullptr);
            return 0;
        }
        break;
    }
    case WM_NCDESTROY: RemoveWindowSubclass(h, PressWatchProc, id); break;
    }
    return DefSubclassProc(h, msg, wp, lp);
}

LRESULT CALLBACK WatchBoxCreation(int code, WPARAM wp, LPARAM lp) {
    PressWatch* watch = g_pressWatch;
    if (code == HCBT_CREATEWND && watch && !watch->box) {
        const auto hwnd = reinterpret_cast<HWND>(wp);
        wchar_t cls[16] = {};
        GetClassNameW(hwnd, cls, 16);
        if (std::wstring(cls) == L"#32770") {
            watch->box = hwnd;
            SetWindowSubclass(hwnd, PressWatchProc, 1, reinterpret_cast<DWORD_PTR>(watch));
        }
    }
    return CallNextHookEx(watch ? watch->hook : nullptr, code, wp, lp);
}

TModalResult ShowMessageBox(const std::string& text, TMsgDlgType type, unsigned buttons) {
    UINT flags = type == TMsgDlgType::mtWarning       ? MB_ICONWARNING
                 : type == TMsgDlgType::mtError        ? MB_ICONERROR
                 : type == TMsgDlgType::mtInformation  ? MB_ICONINFORMATION
                                                       : MB_ICONQUESTION;
    if ((buttons & mbYes) && (buttons & mbNo) && (buttons & mbCancel)) flags |= MB_YESNOCANCEL;
    else if ((buttons & mbYes) && (buttons & mbNo)) flags |= MB_YESNO;
    else if ((buttons & mbOK) && (buttons & mbCancel)) flags |= MB_OKCANCEL;
    else flags |= MB_OK;
    return ResultOf(MessageBoxW(ActiveOwner(), Widen(FitMessageText(text)).c_str(), Widen(Application.Title).c_str(), flags));
}

}  // namespace

TModalResult MessageDlg(const std::string& text, TMsgDlgType type, unsigned buttons) {
    if (DlgHook()) return DlgHook()(text, type, buttons);
    return ShowMessageBox(text, type, buttons);
}

TModalResult MessageDlg(const std::string& text, TMsgDlgType type, unsigned buttons, const MessageDlgPress& OnPress) {
    if (DlgHook()) {
        const TModalResult r = DlgHook()(text, type, buttons);
        if (OnPress) OnPress(r);
        return r;
    }
    if (!OnPress) return ShowMessageBox(text, type, buttons);
    PressWatch watch;
    watch.onPress = &OnPress;
    PressWatch* outer = std::exchange(g_pressWatch, &watch);
    watch.hook = SetWindowsHookExW(WH_CBT, WatchBoxCreation, nullptr, GetCurrentThreadId());
    struct Unwatch {
        PressWatch& watch;
        PressWatch* outer;
        ~Unwatch() {
            if (watch.hook) UnhookWindowsHookEx(watch.hook);
            g_pressWatch = outer;
        }
    } unwatch{watch, outer};
    return ShowMessageBox(text, type, buttons);
}

bool TSaveDialog::Execute() { return Run(true); }

bool TOpenDialog::Execute() { return Run(false); }

bool TSaveDialog::Run(bool save) {
    if (Hook) {
        auto chosen = Hook(this);
        if (!chosen) return false;
        FileName = *chosen;
        return true;
    }
    std::wstring filter = Widen(Filter);
    for (auto& c : filter)
        if (c == L'|') c = L'\0';
    filter.push_back(L'\0');
    filter.push_back(L'\0');
    std::wstring file = Widen(FileName);
    file.resize(MAX_PATH * 2, L'\0');
    std::wstring ext = Widen(DefaultExt), title = Widen(Title);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = ActiveOwner();
    ofn.lpstrFilter = Filter.empty() ? nullptr : filter.c_str();
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrDefExt = ext.empty() ? nullptr : ext.c_str();
    ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
    ofn.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    BOOL ok = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    if (!ok) return false;
    FileName = Narrow(file.c_str());
    return true;
}

TPrintDialog::~TPrintDialog() {
    if (dc_) DeleteDC(dc_);
}

HDC TPrintDialog::TakeDC() {
    HDC dc = dc_;
    dc_ = nullptr;
    return dc;
}

bool TPrintDialog::Execute() {
    if (dc_) DeleteDC(dc_);
    dc_ = nullptr;
    if (Hook) {
        auto chosen = Hook(this);
        if (!chosen) return false;
        dc_ = CreateDCW(nullptr, Widen(*chosen).c_str(), nullptr, nullptr);
        if (!dc_) throw std::runtime_error("Cannot use printer \"" + *chosen + "\"");
        PrinterName = *chosen;
        return true;
    }
    PRINTDLGW pd{};
    pd.lStructSize = sizeof(pd);
    pd.hwndOwner = ActiveOwner();
    pd.Flags = PD_RETURNDC | PD_NOSELECTION | PD_NOPAGENUMS | PD_USEDEVMODECOPIESANDCOLLATE;
    pd.nCopies = 1;
    if (!PrintDlgW(&pd)) {
        // Cancel, or no printer at all: the system tells which.
        const DWORD err = CommDlgExtendedError();
        if (pd.hDevMode) GlobalFree(pd.hDevMode);
        if (pd.hDevNames) GlobalFree(pd.hDevNames);
        if (err == PDERR_NODEFAULTPRN || err == PDERR_PRINTERNOTFOUND)
            throw std::runtime_error("No printer is installed");
        if (err != 0) throw std::runtime_error("The print dialog failed (error " + std::to_string(err) + ")");
        return false;
    }
    if (pd.hDevNames) {
        auto* names = static_cast<DEVNAMES*>(GlobalLock(pd.hDevNames));
        if (names) {
            PrinterName = Narrow(reinterpret_cast<const wchar_t*>(names) + names->wDeviceOffset);
            GlobalUnlock(pd.hDevNames);
        }
        GlobalFree(pd.hDevNames);
    }
    if (pd.hDevMode) GlobalFree(pd.hDevMode);
    dc_ = pd.hDC;
    if (!dc_) throw std::runtime_error("Cannot use printer \"" + PrinterName + "\"");
    return true;
}

bool TFontDialog::Execute() {
    if (Hook) {
        auto chosen = Hook(this);
        if (!chosen) return false;
        Font = *chosen;
        return true;
    }
    LOGFONTW lf{};
    std::wstring face = Widen(Font.Name);
    wcsncpy(lf.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    HDC dc = GetDC(nullptr);
    lf.lfHeight = -MulDiv(Font.Size, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(nullptr, dc);
    lf.lfCharSet = static_cast<BYTE>(Font.Charset);
    CHOOSEFONTW cf{};
    cf.lStructSize = sizeof(cf);
    cf.hwndOwner = ActiveOwner();
    cf.lpLogFont = &lf;
    cf.Flags = CF_SCREENFONTS | CF_TTONLY | CF_SCALABLEONLY | CF_LIMITSIZE | CF_INITTOLOGFONTSTRUCT;
    cf.nSizeMin = MinFontSize;
    cf.nSizeMax = MaxFontSize;
    if (!ChooseFontW(&cf)) return false;
    Font.Name = Narrow(lf.lfFaceName);
    Font.Size = cf.iPointSize / 10;
    return true;
}

}  // namespace talvik

// Message boxes, file dialogs and the font dialog over the system's common dialogs.
#include "toolkit/dialogs.h"

#include <commdlg.h>
#include <cderr.h>

#include <optional>
#include <stdexcept>
#include <string>

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

TModalResult MessageDlg(const std::string& text, TMsgDlgType type, unsigned buttons) {
    if (DlgHook()) return DlgHook()(text, type, buttons);
    UINT flags = type == TMsgDlgType::mtWarning       ? MB_ICONWARNING
                 : type == TMsgDlgType::mtError        ? MB_ICONERROR
                 : type == TMsgDlgType::mtInformation  ? MB_ICONINFORMATION
                                                       : MB_ICONQUESTION;
    if ((buttons & mbYes) && (buttons & mbNo) && (buttons & mbCancel)) flags |= MB_YESNOCANCEL;
    else if ((buttons & mbYes) && (buttons & mbNo)) flags |= MB_YESNO;
    else if ((buttons & mbOK) && (buttons & mbCancel)) flags |= MB_OKCANCEL;
    else flags |= MB_OK;
    int r = MessageBoxW(ActiveOwner(), Widen(FitMessageText(text)).c_str(), Widen(Application.Title).c_str(), flags);
    switch (r) {
    case IDYES: return TModalResult::mrYes;
    case IDNO: return TModalResult::mrNo;
    case IDOK: return TModalResult::mrOk;
    default: return TModalResult::mrCancel;
    }
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

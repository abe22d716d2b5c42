// The "Device Selection" dialog, built as an in-memory dialog template and laid out in pixels,
// and the telephony line listing.
#include "serial/KsTSel.h"
#include "serial/KsDlgTemplate.h"

#include "base/format.h"
#include "serial/KsSelCom.h"

namespace talvik {

namespace {

const char kDirect[] = "Direct to COM";

// A wave device of the line can be named (a line used for voice needs one).
bool HasWaveDevice(HLINEAPP app, DWORD device) {
    HLINE line = 0;
    if (talvik::lineOpen(app, device, &line, TapiVersion14, 0, 0, LINECALLPRIVILEGE_NONE, LINEMEDIAMODE_AUTOMATEDVOICE,
                 nullptr) != 0)
        return false;
    bool found = false;
    for (const char* cls : {"wave/in", "wave/out"}) {
        std::vector<std::uint32_t> buf(64, 0);
        auto* v = reinterpret_cast<LPVARSTRING>(buf.data());
        v->dwTotalSize = static_cast<DWORD>(buf.size() * 4);
        if (talvik::lineGetID(line, 0, 0, LINECALLSELECT_LINE, v, cls) == 0) found = true;
    }
    talvik::lineClose(line);
    return found;
}

void CALLBACK QuietCallback(DWORD, DWORD, DWORD_PTR, DWORD_PTR, DWORD_PTR, DWORD_PTR) {}

}  // namespace

void TapiLineList(HLINEAPP LineApp, DWORD Count, bool Filter, const std::function<bool(DWORD Media)>& VoiceOk,
                  bool StopOnCapsFailure, std::vector<std::string>& Listed, std::vector<std::string>& All) {
    Listed.clear();
    All.assign(Count, std::string());
    for (DWORD dev = 0; dev < Count; ++dev) {
        DWORD version = 0;
        LINEEXTENSIONID ext{};
        if (talvik::lineNegotiateAPIVersion(LineApp, dev, TapiVersion14, TapiVersion14, &version, &ext) != 0) continue;
        TTapiStruct<LINEDEVCAPS> caps;
        if (GetDevCaps(LineApp, dev, version, 0, caps) != 0) {
            if (StopOnCapsFailure) break;
            continue;
        }
        const std::string name = caps.Text(caps->dwLineNameOffset, caps->dwLineNameSize);
        All[dev] = name;
        if (Filter) {
            if (!(caps->dwMediaModes & LINEMEDIAMODE_DATAMODEM) &&
                !(VoiceOk(caps->dwMediaModes) && HasWaveDevice(LineApp, dev)))
                continue;
            if (!(caps->dwLineFeatures & LINEFEATURE_MAKECALL)) continue;
        }
        if (!name.empty()) Listed.push_back(name);
    }
}

void TDeviceSelectionForm::Fill() {
    if (filled_) return;
    filled_ = true;
    HCURSOR old = SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32514)));  // hourglass
    DeviceList.clear();
    if (ShowTapiDevices) {
        HLINEAPP app = 0;
        DWORD count = 0;
        if (talvik::lineInitialize(&app, GetModuleHandleW(nullptr), &QuietCallback, "", &count) == 0) {
            std::vector<std::string> all;
            const bool voice = EnableVoice;
            TapiLineList(app, count, FilterUnsupportedDevices,
                         [voice](DWORD media) { return !voice || (media & LINEMEDIAMODE_AUTOMATEDVOICE); }, false,
                         DeviceList, all);
            talvik::lineShutdown(app);
        }
    }
    if (ShowPorts && !(FilterUnsupportedDevices && EnableVoice)) {
        for (std::uint16_t n = 1; n <= 50; ++n) {
            if (IsPortAvailable(n)) DeviceList.push_back(kDirect + IntToStr(n));
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_QUIT) {
                    PostQuitMessage(static_cast<int>(msg.wParam));
                    break;
                }
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
    }
    SetCursor(old);
}

int TDeviceSelectionForm::InitialIndex() const {
    const std::string wanted = TapiMode == TTapiMode::tmOff ? kDirect + IntToStr(ComNumber) : DeviceName;
    for (std::size_t i = 0; i < DeviceList.size(); ++i)
        if (DeviceList[i] == wanted) return static_cast<int>(i);
    return DeviceList.empty() ? -1 : 0;
}

void TDeviceSelectionForm::Accept(const std::string& Entry) {
    DeviceName = Entry;
    if (Entry.find(kDirect) != std::string::npos) {
        TapiMode = TTapiMode::tmOff;
        const auto n = Entry.size() > 13 ? TryStrToInt(Entry.substr(13)) : std::nullopt;
        ComNumber = (n && *n > 0 && *n <= 0xFFFF) ? static_cast<std::uint16_t>(*n) : 0;
    } else {
        TapiMode = TTapiMode::tmAuto;
        ComNumber = 0;
    }
}

namespace {

enum { idCombo = 100 };

struct DialogState {
    TDeviceSelectionForm* form;
    std::string chosen;
};

INT_PTR CALLBACK DialogProc(HWND dlg, UINT msg, WPARAM w, LPARAM l) {
    auto* st = reinterpret_cast<DialogState*>(GetWindowLongPtrW(dlg, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG: {
        SetWindowLongPtrW(dlg, DWLP_USER, l);
        st = reinterpret_cast<DialogState*>(l);
        constexpr int cw = 226, ch = 75;
        RECT r{0, 0, cw, ch};
        AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongW(dlg, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongW(dlg, GWL_EXSTYLE)));
        const int ww = r.right - r.left, wh = r.bottom - r.top;
        SetWindowPos(dlg, nullptr, (GetSystemMetrics(SM_CXSCREEN) - ww) / 2, (GetSystemMetrics(SM_CYSCREEN) - wh) / 2,
                     ww, wh, SWP_NOZORDER);
        // The frame really drawn can differ from the one assumed: correct by what came out.
        RECT c;
        GetClientRect(dlg, &c);
        if (c.right != cw || c.bottom != ch)
            SetWindowPos(dlg, nullptr, 0, 0, ww + cw - c.right, wh + ch - c.bottom, SWP_NOZORDER | SWP_NOMOVE);
        MoveWindow(GetDlgItem(dlg, idCombo), 8, 8, 209, 200, FALSE);
        MoveWindow(GetDlgItem(dlg, IDOK), 56, 40, 75, 27, FALSE);
        MoveWindow(GetDlgItem(dlg, IDCANCEL), 140, 40, 75, 27, FALSE);
        HWND combo = GetDlgItem(dlg, idCombo);
        for (const std::string& e : st->form->DeviceList) {
            const std::u16string t = Utf8ToUtf16(e);
            SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t.c_str()));
        }
        SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(st->form->InitialIndex()), 0);
        // OK is the active control.
        SetFocus(GetDlgItem(dlg, IDOK));
        return FALSE;
    }
    case WM_COMMAND:
        if (LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL) {
            if (st && LOWORD(w) == IDOK) {
                HWND combo = GetDlgItem(dlg, idCombo);
                const LRESULT sel = SendMessageW(combo, CB_GETCURSEL, 0, 0);
                if (sel != CB_ERR && static_cast<std::size_t>(sel) < st->form->DeviceList.size())
                    st->chosen = st->form->DeviceList[static_cast<std::size_t>(sel)];
            }
            EndDialog(dlg, LOWORD(w));
            return TRUE;
        }
        break;
    default: break;
    }
    return FALSE;
}

}  // namespace

int TDeviceSelectionForm::ShowModal() {
    Fill();
    TDialogTemplate t(L"Device Selection", 150, 50);
    t.Add(CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL, idCombo, 0x0085, L"");
    t.Add(BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK, 0x0080, L"OK");
    t.Add(BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL, 0x0080, L"Cancel");
    DialogState st{this, {}};
    const INT_PTR r = t.Run(&DialogProc, reinterpret_cast<LPARAM>(&st));
    if (r != IDOK || st.chosen.empty()) return 2;
    Accept(st.chosen);
    return 1;
}

}  // namespace talvik

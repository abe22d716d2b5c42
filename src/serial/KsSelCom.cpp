// The "Select Port" dialog, built as an in-memory dialog template and laid out in pixels.
#include "serial/KsSelCom.h"

#include <windows.h>

#include <cstring>

#include "base/format.h"
#include "serial/KsWin32.h"

namespace talvik {

std::string ComNameFromNumber(std::uint16_t n) { return Format("\\\\.\\COM%d", n); }

bool IsPortAvailable(std::uint16_t n) {
    if (n == 0) return false;
    TKslWin32Dispatcher d(nullptr);
    if (d.OpenCom(ComNameFromNumber(n), 64, 64) >= 0) {
        d.CloseCom();
        return true;
    }
    // A port another program holds is there all the same. Wine reports it as a sharing
    // violation rather than access denied.
    const std::uint32_t err = d.LastPlatformError();
    return err == ERROR_ACCESS_DENIED || err == ERROR_SHARING_VIOLATION;
}

std::uint16_t ComNumberFromEntry(const std::string& entry) {
    if (entry.size() < 4) return 0;
    const auto v = TryStrToInt(entry.substr(3));
    if (!v || *v <= 0 || *v > 0xFFFF) return 0;
    return static_cast<std::uint16_t>(*v);
}

std::vector<std::string> PresentPortEntries() {
    std::vector<std::string> r;
    for (std::uint16_t n = 1; n <= 50; ++n)
        if (IsPortAvailable(n)) r.push_back(Format("COM%d", n));
    return r;
}

namespace {

enum { idBevel = 100, idLabel1, idLabel2, idCombo };

// Appends one item of a dialog template (all in dialog units; moved to pixels at init).
void AddItem(std::vector<WORD>& t, DWORD style, WORD id, WORD cls, const wchar_t* text) {
    while (t.size() % 2) t.push_back(0);  // DWORD alignment
    DLGITEMTEMPLATE item{};
    item.style = style | WS_CHILD | WS_VISIBLE;
    item.cx = 10;
    item.cy = 10;
    item.id = id;
    const WORD* p = reinterpret_cast<const WORD*>(&item);
    t.insert(t.end(), p, p + sizeof item / sizeof(WORD));
    t.push_back(0xFFFF);
    t.push_back(cls);
    for (const wchar_t* c = text; *c; ++c) t.push_back(static_cast<WORD>(*c));
    t.push_back(0);
    t.push_back(0);  // no creation data
}

void Place(HWND dlg, int id, int x, int y, int w, int h) {
    MoveWindow(GetDlgItem(dlg, id), x, y, w, h, FALSE);
}

INT_PTR CALLBACK DialogProc(HWND dlg, UINT msg, WPARAM w, LPARAM l) {
    auto* form = reinterpret_cast<TComSelectForm*>(GetWindowLongPtrW(dlg, DWLP_USER));
    switch (msg) {
        case WM_INITDIALOG: {
            SetWindowLongPtrW(dlg, DWLP_USER, l);
            form = reinterpret_cast<TComSelectForm*>(l);
            RECT r{0, 0, 220, 131};
            AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongW(dlg, GWL_STYLE)), FALSE,
                               static_cast<DWORD>(GetWindowLongW(dlg, GWL_EXSTYLE)));
            const int ww = r.right - r.left, wh = r.bottom - r.top;
            SetWindowPos(dlg, nullptr, (GetSystemMetrics(SM_CXSCREEN) - ww) / 2,
                         (GetSystemMetrics(SM_CYSCREEN) - wh) / 2, ww, wh, SWP_NOZORDER);
            // The frame that the system really draws can differ from the one AdjustWindowRectEx
            // assumes (Wine without a window manager draws its own): correct by what came out.
            RECT c;
            GetClientRect(dlg, &c);
            if (c.right != 220 || c.bottom != 131)
                SetWindowPos(dlg, nullptr, 0, 0, ww + 220 - c.right, wh + 131 - c.bottom,
                             SWP_NOZORDER | SWP_NOMOVE);
            Place(dlg, idBevel, 8, 4, 204, 52);
            Place(dlg, idLabel1, 16, 14, 190, 16);
            Place(dlg, idLabel2, 16, 32, 190, 16);
            Place(dlg, idCombo, 8, 64, 201, 200);
            Place(dlg, IDOK, 22, 98, 85, 27);
            Place(dlg, IDCANCEL, 113, 98, 85, 27);
            HWND combo = GetDlgItem(dlg, idCombo);
            for (const std::string& e : form->Entries()) {
                const std::u16string t = Utf8ToUtf16(e);
                SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t.c_str()));
            }
            SendMessageW(combo, CB_SETCURSEL, 0, 0);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL) {
                if (form) {
                    const LRESULT sel = SendMessageW(GetDlgItem(dlg, idCombo), CB_GETCURSEL, 0, 0);
                    form->Selected = sel == CB_ERR ? -1 : static_cast<int>(sel);
                }
                EndDialog(dlg, LOWORD(w));
                return TRUE;
            }
            break;
        default:
            break;
    }
    return FALSE;
}

}  // namespace

TComSelectForm::TComSelectForm() : entries_(PresentPortEntries()) {}

std::uint16_t TComSelectForm::SelectedComNumber() const {
    if (Selected < 0 || static_cast<std::size_t>(Selected) >= entries_.size()) return 0;
    return ComNumberFromEntry(entries_[static_cast<std::size_t>(Selected)]);
}

bool TComSelectForm::ShowModal() {
    std::vector<WORD> t;
    DLGTEMPLATE dt{};
    dt.style = DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    dt.cdit = 6;
    dt.cx = 150;
    dt.cy = 90;
    const WORD* p = reinterpret_cast<const WORD*>(&dt);
    t.insert(t.end(), p, p + sizeof dt / sizeof(WORD));
    t.push_back(0);  // no menu
    t.push_back(0);  // default class
    for (const wchar_t* c = L"Select Port"; *c; ++c) t.push_back(static_cast<WORD>(*c));
    t.push_back(0);
    t.push_back(8);
    for (const wchar_t* c = L"MS Shell Dlg"; *c; ++c) t.push_back(static_cast<WORD>(*c));
    t.push_back(0);
    AddItem(t, BS_GROUPBOX, idBevel, 0x0080, L"");
    AddItem(t, SS_LEFT, idLabel1, 0x0082, L"The configured serial port is not valid.");
    AddItem(t, SS_LEFT, idLabel2, 0x0082, L"Please choose another port.");
    AddItem(t, CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL, idCombo, 0x0085, L"");
    AddItem(t, BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK, 0x0080, L"OK");
    AddItem(t, BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL, 0x0080, L"Cancel");
    const INT_PTR r = DialogBoxIndirectParamW(GetModuleHandleW(nullptr),
                                              reinterpret_cast<LPCDLGTEMPLATEW>(t.data()),
                                              GetActiveWindow(), &DialogProc,
                                              reinterpret_cast<LPARAM>(this));
    return r == IDOK && SelectedComNumber() != 0;
}

bool SelectComPort(std::uint16_t& number) {
    TComSelectForm form;
    if (!form.ShowModal()) return false;
    number = form.SelectedComNumber();
    return true;
}

}  // namespace talvik

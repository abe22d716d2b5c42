// The "Select Port" dialog, built as an in-memory dialog template and laid out in pixels.
#include "serial/KsSelCom.h"
#include "serial/KsDlgTemplate.h"

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
    TDialogTemplate t(L"Select Port", 150, 90);
    t.Add(BS_GROUPBOX, idBevel, 0x0080, L"");
    t.Add(SS_LEFT, idLabel1, 0x0082, L"The configured serial port is not valid.");
    t.Add(SS_LEFT, idLabel2, 0x0082, L"Please choose another port.");
    t.Add(CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL, idCombo, 0x0085, L"");
    t.Add(BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK, 0x0080, L"OK");
    t.Add(BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL, 0x0080, L"Cancel");
    const INT_PTR r = t.Run(&DialogProc, reinterpret_cast<LPARAM>(this));
    return r == IDOK && SelectedComNumber() != 0;
}

bool SelectComPort(std::uint16_t& number) {
    TComSelectForm form;
    if (!form.ShowModal()) return false;
    number = form.SelectedComNumber();
    return true;
}

}  // namespace talvik

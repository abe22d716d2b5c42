// The masked-edit member: clipboard filtering, the error beep and the digit mask.
#include "controls/XcExMask.h"

namespace talvik {

TUnitVersionRegistration XcExMaskUnit(MakeUnitVersion("XcExMask.cpp", "XCL\\run"));

TXcExCustomMaskEdit::TXcExCustomMaskEdit(TWinControl* parent) : TXcExWinControl<TEdit>(parent, std::string()) {
    HintColor = clDefault;
}

TXcExCustomMaskEdit::TXcExCustomMaskEdit(TWinControl* parent, DWORD style)
    : TXcExWinControl<TEdit>(parent, style, std::string()) {
    HintColor = clDefault;
}

void TXcExCustomMaskEdit::SetEditMask(const std::string& mask) {
    editMask_ = mask;
    bool digits = !mask.empty() && mask.find_first_not_of("09") == std::string::npos;
    LONG style = GetWindowLongW(hwnd_, GWL_STYLE);
    SetWindowLongW(hwnd_, GWL_STYLE, digits ? (style | ES_NUMBER) : (style & ~ES_NUMBER));
    SendMessageW(hwnd_, EM_LIMITTEXT, digits ? mask.size() : 0, 0);
}

void TXcExCustomMaskEdit::DoBeepOnError() {
    if (beepOnError_) MessageBeep(0);
}

bool TXcExCustomMaskEdit::MemberMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) {
    TXcClipboardCommand needed;
    switch (msg) {
    case WM_COPY: needed = caCopy; break;
    case WM_CUT: needed = caCut; break;
    case WM_PASTE: needed = caPaste; break;
    case WM_CLEAR: needed = caClear; break;
    case WM_UNDO:
    case EM_UNDO: needed = caUndo; break;
    default: return false;
    }
    if (clipboardCommands_ & needed) return false;
    result = 1;
    return true;
}

}  // namespace talvik

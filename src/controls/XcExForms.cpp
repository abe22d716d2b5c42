// The form member: keyboard cues.
#include "controls/XcExForms.h"

namespace talvik {

TUnitVersionRegistration XcExFormsUnit(MakeUnitVersion("XcExForms.cpp", "XCL\\run"));

TXcExForm::TXcExForm() { HintColor = clDefault; }

bool TXcExForm::MemberMessage(UINT msg, WPARAM wp, LPARAM, LRESULT&) {
    if (msg == CM_SHOWINGCHANGED && Showing()) {
        // A form that appears starts with its focus and accelerator cues as the system decides.
        SendMessageW(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_INITIALIZE, 0), 0);
    } else if (msg == CM_DIALOGKEY) {
        // Using the keyboard to move around shows where the focus is (and, with Alt, the
        // accelerators); the form's dialog-key handling follows in every case.
        switch (wp) {
        case VK_TAB: case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN:
            SendMessageW(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
            break;
        case VK_MENU:
            SendMessageW(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
            break;
        default:
            break;
        }
    }
    return false;
}

}  // namespace talvik

// TXcForm: owner window, activation and modal rules.
#include "controls/XcComponent.h"

namespace talvik {

TUnitVersionRegistration XcComponentUnit(MakeUnitVersion("XcComponent.cpp", "XCL\\run"));

TXcForm::TXcForm() { IsFocusable = true; }

void TXcForm::SetStayOnTop(bool onTop) {
    SetWindowPos(hwnd_, onTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TXcForm::UpdateOwnerWindow() {
    // The toolkit has no hidden application window: a form that would be owned by it keeps
    // the owner it has.
    auto setOwner = [this](HWND owner) {
        if (owner && reinterpret_cast<HWND>(GetWindowLongPtrW(hwnd_, GWLP_HWNDPARENT)) != owner)
            SetWindowLongPtrW(hwnd_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
    };
    if (GetWindowLongW(hwnd_, GWL_EXSTYLE) & WS_EX_TOPMOST) {
        SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        return;
    }
    if (GetWindowLongW(hwnd_, GWL_STYLE) & WS_CHILD) return;
    HWND active = GetActiveWindow();
    auto* activeForm = dynamic_cast<TForm*>(TControl::FromHandle(active));
    if (activeForm && activeForm != this && activeForm->InModal()) {
        setOwner(activeForm->Handle());
    } else if (Application.MainForm && Application.MainForm != this) {
        setOwner(Application.MainForm->Handle());
    }
}

bool TXcForm::MemberMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg == CM_SHOWINGCHANGED && Showing()) UpdateOwnerWindow();
    if (msg == WM_MOUSEACTIVATE && !IsFocusable) {
        result = MA_NOACTIVATE;
        return true;
    }
    return TXcExForm::MemberMessage(msg, wp, lp, result);
}

TModalResult TXcForm::ShowModal() {
    MSG m;
    while (PeekMessageW(&m, nullptr, WM_ENABLE, WM_ENABLE, PM_REMOVE)) DispatchMessageW(&m);
    return TXcExForm::ShowModal();
}

}  // namespace talvik

// The graphic member of the extended control base family and the helpers the windowed
// members share.
#include "controls/XcExControls.h"

#include <windowsx.h>

namespace talvik {

TUnitVersionRegistration XcExControlsUnit(MakeUnitVersion("XcExControls.cpp", "XCL\\run"));

TShiftState KeyDataToShiftState(LPARAM keyData) {
    TShiftState s = 0;
    if (GetKeyState(VK_SHIFT) < 0) s |= ssShift;
    if (GetKeyState(VK_CONTROL) < 0) s |= ssCtrl;
    if (keyData & 0x20000000) s |= ssAlt;
    return s;
}

LPARAM ShiftStateToKeyData(TShiftState s) {
    LPARAM d = 0;
    if (s & ssShift) d |= 0x08000000;
    if (s & ssCtrl) d |= 0x10000000;
    if (s & ssAlt) d |= 0x20000000;
    return d;
}

namespace {
struct CodePair {
    TDlgCode set;
    LRESULT win;
};
constexpr CodePair kCodes[] = {
    {dcWantAllKeys, DLGC_WANTALLKEYS}, {dcWantArrows, DLGC_WANTARROWS}, {dcWantChars, DLGC_WANTCHARS},
    {dcButton, DLGC_BUTTON},           {dcHasSetSel, DLGC_HASSETSEL},   {dcWantTab, DLGC_WANTTAB},
};
}  // namespace

TDlgCodes DlgCodesFromWin(LRESULT code) {
    TDlgCodes s = 0;
    for (const auto& p : kCodes)
        if (code & p.win) s |= p.set;
    return s;
}

LRESULT DlgCodesToWin(TDlgCodes codes) {
    LRESULT r = 0;
    for (const auto& p : kCodes)
        if (codes & p.set) r |= p.win;
    return r;
}

void ApplyHintColor(TControl* self, TXcColor hintColor, const wchar_t* /*hintWindowClass*/, THintInfo& info) {
    if (hintColor == clNone) {
        info.HintColor = GetSysColor(COLOR_INFOBK);
    } else if (hintColor == clDefault) {
        if (TWinControl* parent = self->Parent()) {
            THintInfo copy = info;
            parent->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&copy));
            info.HintColor = copy.HintColor;
        }
    } else {
        info.HintColor = hintColor;
    }
    // The toolkit shows every hint in its one tooltip window: a hint window class of a
    // control's own has nowhere to go.
}

void DrawHighlightFrame(HWND hwnd, bool active, COLORREF ownColor, bool invalidateBorder) {
    RECT wr;
    if (!GetWindowRect(hwnd, &wr)) return;
    RECT r{0, 0, wr.right - wr.left, wr.bottom - wr.top};
    HDC dc = GetWindowDC(hwnd);
    if (!dc) return;
    const COLORREF highlight = 0x733800;
    HBRUSH outer = CreateSolidBrush(active ? highlight : 0x808080);
    FrameRect(dc, &r, outer);
    DeleteObject(outer);
    InflateRect(&r, -1, -1);
    HBRUSH inner = CreateSolidBrush(active ? highlight : ownColor);
    FrameRect(dc, &r, inner);
    DeleteObject(inner);
    ReleaseDC(hwnd, dc);
    if (invalidateBorder) RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_NOERASE);
}

namespace xcdetail {
LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
    auto* target = reinterpret_cast<TXcExSubclassTarget*>(data);
    if (!target) return DefSubclassProc(hwnd, msg, wp, lp);
    try {
        return target->SubclassMessage(msg, wp, lp);
    } catch (...) {
        Application.HandleCurrentException();
        return 0;
    }
}
}  // namespace xcdetail

// ---- TXcExGraphicControl

TXcExGraphicControl::TXcExGraphicControl(TWinControl* parent) : TWinControl(parent) {
    HintColor = clDefault;
    width_ = 20;
    height_ = 20;
    CreateChildWindow(WS_CHILD | WS_CLIPSIBLINGS | (visible_ ? WS_VISIBLE : 0));
}

LRESULT TXcExGraphicControl::BaseWndProc(UINT msg, WPARAM wp, LPARAM lp) { return TWinControl::WndProc(msg, wp, lp); }

LRESULT TXcExGraphicControl::BaseWndProc(UINT msg, WPARAM wp, TControl* obj) {
    return TWinControl::WndProc(msg, wp, reinterpret_cast<LPARAM>(obj));
}

LRESULT TXcExGraphicControl::BaseWndProcEx(UINT msg, WPARAM wp, void* record) {
    TStructPtrMessage m{msg, wp, record};
    m.Result = TWinControl::WndProc(m.Msg, m.WParam, reinterpret_cast<LPARAM>(m.LParam));
    return m.Result;
}

void TXcExGraphicControl::TextChanged() { BaseWndProc(CM_TEXTCHANGED); }

bool TXcExGraphicControl::WantKey(int key, TShiftState shift, const std::wstring&) {
    return BaseWndProc(CM_DIALOGCHAR, static_cast<WPARAM>(key), ShiftStateToKeyData(shift)) != 0;
}

bool TXcExGraphicControl::HitTest(int x, int y) {
    return BaseWndProc(CM_HITTEST, 0, MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y))) != 0;
}

void TXcExGraphicControl::FocusChanged(TControl* c) { BaseWndProc(CM_FOCUSCHANGED, 0, c); }
void TXcExGraphicControl::VisibleChanged() { BaseWndProc(CM_VISIBLECHANGED); }
void TXcExGraphicControl::EnabledChanged() { BaseWndProc(CM_ENABLEDCHANGED); }
void TXcExGraphicControl::ColorChanged() { BaseWndProc(CM_COLORCHANGED); }
void TXcExGraphicControl::FontChanged() { BaseWndProc(CM_FONTCHANGED); }
void TXcExGraphicControl::ParentFontChanged() { BaseWndProc(CM_PARENTFONTCHANGED); }

void TXcExGraphicControl::ParentColorChanged() {
    BaseWndProc(CM_PARENTCOLORCHANGED);
    if (OnParentColorChange) OnParentColorChange(this);
}

void TXcExGraphicControl::ParentShowHintChanged() { BaseWndProc(CM_PARENTSHOWHINTCHANGED); }

bool TXcExGraphicControl::HintShow(THintInfo& info) {
    ApplyHintColor(this, HintColor, HintWindowClass, info);
    return BaseWndProcEx(CM_HINTSHOW, 0, &info) != 0;
}

void TXcExGraphicControl::MouseEnter(TControl* c) {
    MouseOver = true;
    if (OnMouseEnter) OnMouseEnter(this);
    BaseWndProc(CM_MOUSEENTER, 0, c);
}

void TXcExGraphicControl::MouseLeave(TControl* c) {
    MouseOver = false;
    BaseWndProc(CM_MOUSELEAVE, 0, c);
    if (OnMouseLeave) OnMouseLeave(this);
}

void TXcExGraphicControl::MouseDown(int, TShiftState, int, int) {}
void TXcExGraphicControl::MouseMove(TShiftState, int, int) {}
void TXcExGraphicControl::MouseUp(int, TShiftState, int, int) {}

namespace {
TShiftState MouseShift(WPARAM wp) {
    TShiftState s = 0;
    if (wp & MK_SHIFT) s |= ssShift;
    if (wp & MK_CONTROL) s |= ssCtrl;
    if (wp & MK_LBUTTON) s |= ssLeft;
    if (wp & MK_RBUTTON) s |= ssRight;
    if (wp & MK_MBUTTON) s |= ssMiddle;
    if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
    return s;
}
}  // namespace

LRESULT TXcExGraphicControl::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case CM_DIALOGCHAR: {
        wchar_t ch[2] = {static_cast<wchar_t>(wp), 0};
        return WantKey(static_cast<int>(wp), KeyDataToShiftState(lp), ch) ? 1 : 0;
    }
    case CM_FOCUSCHANGED: FocusChanged(reinterpret_cast<TControl*>(lp)); return 0;
    case CM_PARENTFONTCHANGED: ParentFontChanged(); return 0;
    case CM_PARENTCOLORCHANGED: ParentColorChanged(); return 0;
    case CM_HITTEST: return HitTest(static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))) ? 1 : 0;
    case CM_VISIBLECHANGED: VisibleChanged(); return 0;
    case CM_ENABLEDCHANGED: EnabledChanged(); return 0;
    case CM_COLORCHANGED: ColorChanged(); return 0;
    case CM_FONTCHANGED: FontChanged(); return 0;
    case CM_TEXTCHANGED: TextChanged(); return 0;
    case CM_MOUSEENTER: MouseEnter(reinterpret_cast<TControl*>(lp)); return 0;
    case CM_MOUSELEAVE: MouseLeave(reinterpret_cast<TControl*>(lp)); return 0;
    case CM_PARENTSHOWHINTCHANGED: ParentShowHintChanged(); return 0;
    case CM_HINTSHOW: return HintShow(*reinterpret_cast<THintInfo*>(lp)) ? 1 : 0;
    case CM_XC_INTERFACEQUERY: return dynamic_cast<IXcParentBackgroundQuery*>(this) ? 1 : 0;
    case WM_NCHITTEST: {
        // A point the control does not claim falls through to what lies beneath.
        POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        ScreenToClient(hwnd_, &pt);
        if (Perform(CM_HITTEST, 0, MAKELPARAM(static_cast<WORD>(pt.x), static_cast<WORD>(pt.y))) == 0)
            return HTTRANSPARENT;
        return HTCLIENT;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (msg == WM_LBUTTONDOWN) SetCapture(hwnd_);
        MouseDown(msg == WM_LBUTTONDOWN ? 0 : msg == WM_RBUTTONDOWN ? 1 : 2, MouseShift(wp), GET_X_LPARAM(lp),
                  GET_Y_LPARAM(lp));
        return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        if (msg == WM_LBUTTONUP && GetCapture() == hwnd_) ReleaseCapture();
        MouseUp(msg == WM_LBUTTONUP ? 0 : msg == WM_RBUTTONUP ? 1 : 2, MouseShift(wp), GET_X_LPARAM(lp),
                GET_Y_LPARAM(lp));
        return 0;
    case WM_MOUSEMOVE:
        MouseMove(MouseShift(wp), GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
        return 0;
    default:
        return TWinControl::WndProc(msg, wp, lp);
    }
}

}  // namespace talvik

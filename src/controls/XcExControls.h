// The extended control base family. Each member puts one idea on top of a toolkit control: the
// component notifications that reach the control's window (text, font, colour, visibility,
// focus, mouse enter and leave, ...; see CM_* in toolkit/core.h) are turned into overridable
// operations with typed arguments. A descendant overrides one operation and calls the inherited
// one; the inherited behaviour rebuilds the message and hands it to the toolkit control's own
// window procedure, so a class that overrides nothing behaves like the toolkit control beneath.
//
// This file holds the graphic member (TXcExGraphicControl) and the window procedure that the
// three windowed members share (TXcExWinControl<Base>); XcExForms.h, XcExMask.h and
// XcExComCtrls.h make the members of it.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>
#include <type_traits>

#include "controls/XcTypes.h"
#include "controls/XcuUnitVersioning.h"
#include "toolkit/core.h"

namespace talvik {

// The published design-time entry that shows information about the library (no run-time effect).
enum TXCLAbout { XCLAbout };

// Shift state as the key and mouse operations see it.
enum TShiftFlag : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32 };
using TShiftState = unsigned;

// The shift state in the key data of a key message (bit 29: Alt) and the keyboard now.
TShiftState KeyDataToShiftState(LPARAM keyData);
// The key data the shift state stands for: shift 0x08000000, control 0x10000000, alt 0x20000000.
LPARAM ShiftStateToKeyData(TShiftState s);

// Marker interface of every member of the family; a control's class is tested for it with
// dynamic_cast. Identifier {8E6579C3-D683-4562-AFAB-D23C8526E386}.
class IXcExControl {
public:
    static constexpr const char* IID = "{8E6579C3-D683-4562-AFAB-D23C8526E386}";
    virtual ~IXcExControl() = default;
};

// The interface that message 0xB7D0 asks a control's class about (1 when implemented).
// Identifier {76942BC0-2A6E-4DC4-BFC9-8E110DB7F601}; no member of the family implements it.
class IXcParentBackgroundQuery {
public:
    static constexpr const char* IID = "{76942BC0-2A6E-4DC4-BFC9-8E110DB7F601}";
    virtual ~IXcParentBackgroundQuery() = default;
};
constexpr UINT CM_XC_INTERFACEQUERY = 0xB7D0;

// A message whose long parameter points at a record, handed to the toolkit's handling so that
// it may change the caller's record in place.
struct TStructPtrMessage {
    UINT Msg;
    WPARAM WParam;
    void* LParam;
    LRESULT Result = 0;
};

// Dialog codes as a set: want-all-keys (DLGC_WANTALLKEYS), want-arrows, want-chars, button,
// has-set-selection, want-tab, and native (keep the toolkit's answer).
enum TDlgCode : unsigned {
    dcWantAllKeys = 1u << 0,
    dcWantArrows = 1u << 1,
    dcWantChars = 1u << 2,
    dcButton = 1u << 3,
    dcHasSetSel = 1u << 4,
    dcWantTab = 1u << 5,
    dcNative = 1u << 6,
};
using TDlgCodes = unsigned;
TDlgCodes DlgCodesFromWin(LRESULT code);
LRESULT DlgCodesToWin(TDlgCodes codes);

// What every member adds to its toolkit base.
struct TXcExFields {
    TXCLAbout AboutXCL = XCLAbout;
    // This control's hint colour; clDefault asks the parent, clNone uses the application's.
    TXcColor HintColor = clDefault;
    bool MouseOver = false;
    // When set, hints of this control use that hint window class.
    const wchar_t* HintWindowClass = nullptr;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TNotifyEvent OnParentColorChange;
};

// Shared implementation of the hint colour: fills the record's colour from HintColor.
void ApplyHintColor(TControl* self, TXcColor hintColor, const wchar_t* hintWindowClass, THintInfo& info);
// The highlight frame of the windowed members (focused or under the mouse: 0x733800).
void DrawHighlightFrame(HWND hwnd, bool active, COLORREF ownColor, bool invalidateBorder);

// ---- the graphic member

// A lightweight control drawn by the toolkit in a child window of its own class (the toolkit
// has no windowless controls). The spin button stands on it.
class TXcExGraphicControl : public TWinControl, public IXcExControl, public TXcExFields {
public:
    explicit TXcExGraphicControl(TWinControl* parent);

    // New operations.
    virtual void TextChanged();
    virtual bool WantKey(int key, TShiftState shift, const std::wstring& keyText);
    virtual bool HitTest(int x, int y);
    // Message-bound operations.
    virtual void FocusChanged(TControl* control);
    virtual void VisibleChanged();
    virtual void EnabledChanged();
    virtual void ColorChanged();
    virtual void FontChanged();
    virtual void ParentFontChanged();
    virtual void ParentColorChanged();
    virtual void ParentShowHintChanged();
    virtual bool HintShow(THintInfo& info);
    virtual void MouseEnter(TControl* control);
    virtual void MouseLeave(TControl* control);

    // Mouse operations of the toolkit's windows, which a graphic control reacts to.
    virtual void MouseDown(int button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(int button, TShiftState shift, int x, int y);

    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

protected:
    // Hand a message to the toolkit control's own window procedure and answer its result.
    LRESULT BaseWndProc(UINT msg, WPARAM wp = 0, LPARAM lp = 0);
    LRESULT BaseWndProc(UINT msg, WPARAM wp, TControl* obj);
    LRESULT BaseWndProcEx(UINT msg, WPARAM wp, void* record);
};

// ---- the windowed members' window procedure

// What the subclass procedure calls: one entry point per subclassed member object.
class TXcExSubclassTarget {
public:
    virtual LRESULT SubclassMessage(UINT msg, WPARAM wp, LPARAM lp) = 0;

protected:
    ~TXcExSubclassTarget() = default;
};

namespace xcdetail {
LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data);
constexpr UINT_PTR kSubclassId = 0x5843;  // "XC"
}  // namespace xcdetail

// The window procedure of a windowed member over a toolkit control `Base`. Toolkit windows of
// the toolkit's own class (forms) route their messages here through WndProc; system controls
// (edits, tree views) are subclassed, and their own window procedure is the framework's.
template <class Base>
class TXcExWinControl : public Base, public IXcExControl, public TXcExFields, public TXcExSubclassTarget {
public:
    template <class... A>
    explicit TXcExWinControl(A&&... args) : Base(std::forward<A>(args)...) {
        if constexpr (!kOwnWindow) {
            // The extended operations hear the window's messages from the start.
            this->MakeWindowNow();
            SetWindowSubclass(this->Handle(), xcdetail::SubclassProc, xcdetail::kSubclassId,
                              reinterpret_cast<DWORD_PTR>(static_cast<TXcExSubclassTarget*>(this)));
        }
    }
    ~TXcExWinControl() override {
        if constexpr (!kOwnWindow) {
            if (!this->WindowPending() && this->Handle()) RemoveWindowSubclass(this->Handle(), xcdetail::SubclassProc, xcdetail::kSubclassId);
        }
    }

    bool DotNetHighlighting = false;

    // New operations.
    virtual void TextChanged() { BaseWndProc(CM_TEXTCHANGED); }
    virtual bool WantKey(int key, TShiftState shift, const std::wstring& /*keyText*/) {
        return BaseWndProc(CM_DIALOGCHAR, static_cast<WPARAM>(key), ShiftStateToKeyData(shift)) != 0;
    }
    virtual bool HitTest(int x, int y) {
        return BaseWndProc(CM_HITTEST, 0, MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y))) != 0;
    }
    virtual void BoundsChanged() {}
    virtual void DoGetDlgCode(TDlgCodes& /*codes*/) {}
    virtual void DoSetFocus(HWND previous) { BaseWndProc(WM_SETFOCUS, reinterpret_cast<WPARAM>(previous)); }
    virtual void DoKillFocus(HWND next) { BaseWndProc(WM_KILLFOCUS, reinterpret_cast<WPARAM>(next)); }
    virtual bool DoEraseBackground(HDC canvas, LPARAM param) {
        return BaseWndProc(WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas), param) != 0;
    }
    // Message-bound operations.
    virtual void FocusChanged(TControl* c) { BaseWndProc(CM_FOCUSCHANGED, 0, c); }
    virtual void VisibleChanged() { BaseWndProc(CM_VISIBLECHANGED); }
    virtual void EnabledChanged() { BaseWndProc(CM_ENABLEDCHANGED); }
    virtual void ColorChanged() { BaseWndProc(CM_COLORCHANGED); }
    virtual void FontChanged() { BaseWndProc(CM_FONTCHANGED); }
    virtual void ParentFontChanged() { BaseWndProc(CM_PARENTFONTCHANGED); }
    virtual void ParentColorChanged() {
        BaseWndProc(CM_PARENTCOLORCHANGED);
        if (OnParentColorChange) OnParentColorChange(this);
    }
    virtual void ParentShowHintChanged() { BaseWndProc(CM_PARENTSHOWHINTCHANGED); }
    virtual bool HintShow(THintInfo& info) {
        ApplyHintColor(this, HintColor, HintWindowClass, info);
        return BaseWndProcEx(CM_HINTSHOW, 0, &info) != 0;
    }
    virtual void MouseEnter(TControl* c) {
        MouseOver = true;
        if (OnMouseEnter) OnMouseEnter(this);
        BaseWndProc(CM_MOUSEENTER, 0, c);
    }
    virtual void MouseLeave(TControl* c) {
        MouseOver = false;
        BaseWndProc(CM_MOUSELEAVE, 0, c);
        if (OnMouseLeave) OnMouseLeave(this);
    }
    virtual void CursorChanged() { BaseWndProc(CM_CURSORCHANGED); }
    virtual void ShowingChanged() { BaseWndProc(CM_SHOWINGCHANGED); }
    virtual void ShowHintChanged() { BaseWndProc(CM_SHOWHINTCHANGED); }
    virtual void ControlsListChanging(TControl* c, bool inserting) {
        BaseWndProc(inserting ? CM_CONTROLLISTCHANGE : CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(c), inserting);
    }
    virtual void ControlsListChanged(TControl* c, bool inserting) {
        BaseWndProc(inserting ? CM_CONTROLCHANGE : CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(c), inserting);
    }

    // The shared window procedure (forms call it from their WndProc).
    LRESULT XcWndProc(UINT msg, WPARAM wp, LPARAM lp) {
        LRESULT r = Dispatch(msg, wp, lp);
        if (DotNetHighlighting && (msg == WM_SETFOCUS || msg == WM_KILLFOCUS || msg == WM_NCPAINT ||
                                   msg == CM_MOUSEENTER || msg == CM_MOUSELEAVE)) {
            HWND h = this->Handle();
            bool active = GetFocus() == h || MouseOver;
            COLORREF own = GetSysColor(COLOR_WINDOW);
            if constexpr (kOwnWindow) {
                if (this->Color() != CLR_INVALID) own = this->Color();
            }
            DrawHighlightFrame(h, active, own, msg == CM_MOUSELEAVE);
        }
        return r;
    }

    LRESULT SubclassMessage(UINT msg, WPARAM wp, LPARAM lp) override { return XcWndProc(msg, wp, lp); }

protected:
    static constexpr bool kOwnWindow = std::is_base_of_v<TWinControl, Base>;

    // The toolkit control's own handling of a message.
    LRESULT FrameworkProc(UINT msg, WPARAM wp, LPARAM lp) {
        if constexpr (kOwnWindow) {
            return Base::WndProc(msg, wp, lp);
        } else {
            return DefSubclassProc(this->Handle(), msg, wp, lp);
        }
    }
    LRESULT BaseWndProc(UINT msg, WPARAM wp = 0, LPARAM lp = 0) { return FrameworkProc(msg, wp, lp); }
    LRESULT BaseWndProc(UINT msg, WPARAM wp, TControl* obj) {
        return FrameworkProc(msg, wp, reinterpret_cast<LPARAM>(obj));
    }
    LRESULT BaseWndProcEx(UINT msg, WPARAM wp, void* record) {
        TStructPtrMessage m{msg, wp, record};
        m.Result = FrameworkProc(m.Msg, m.WParam, reinterpret_cast<LPARAM>(m.LParam));
        return m.Result;
    }

    // Makes the system control's window again with other styles (those it reads only when it
    // is created, such as an edit's alignment): same class, text, place and subclassing. The
    // caller restores what else the old window held. Windows of the toolkit's own are not made
    // again.
    void RecreateSystemWindow(DWORD style, DWORD exStyle) {
        static_assert(!kOwnWindow, "only system controls are made again");
        HWND old = this->Handle();
        if (!old) return;
        wchar_t cls[64] = {};
        GetClassNameW(old, cls, 64);
        std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(old)) + 1, L'\0');
        GetWindowTextW(old, text.data(), static_cast<int>(text.size()));
        RECT r{};
        GetWindowRect(old, &r);
        MapWindowPoints(nullptr, GetParent(old), reinterpret_cast<POINT*>(&r), 2);
        HWND h = CreateWindowExW(exStyle, cls, text.c_str(), style, r.left, r.top, r.right - r.left,
                                 r.bottom - r.top, GetParent(old),
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(GetDlgCtrlID(old))),
                                 GetModuleHandleW(nullptr), nullptr);
        if (!h) return;
        RemoveWindowSubclass(old, xcdetail::SubclassProc, xcdetail::kSubclassId);
        this->ReplaceHandle(h);
        SetWindowSubclass(h, xcdetail::SubclassProc, xcdetail::kSubclassId,
                          reinterpret_cast<DWORD_PTR>(static_cast<TXcExSubclassTarget*>(this)));
    }

    // Member-specific messages before the shared table (clipboard filtering, keyboard cues,
    // owner rules); answer true with `result` set when handled.
    virtual bool MemberMessage(UINT /*msg*/, WPARAM /*wp*/, LPARAM /*lp*/, LRESULT& /*result*/) { return false; }

private:
    LRESULT Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
        LRESULT result = 0;
        if (MemberMessage(msg, wp, lp, result)) return result;
        switch (msg) {
        case CM_DIALOGCHAR: {
            wchar_t ch[2] = {static_cast<wchar_t>(wp), 0};
            return WantKey(static_cast<int>(wp), KeyDataToShiftState(lp), ch) ? 1 : 0;
        }
        case CM_FOCUSCHANGED: FocusChanged(reinterpret_cast<TControl*>(lp)); return 0;
        case CM_PARENTFONTCHANGED: ParentFontChanged(); return 0;
        case CM_PARENTCOLORCHANGED: ParentColorChanged(); return 0;
        case CM_HITTEST:
            return HitTest(static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))) ? 1 : 0;
        case CM_VISIBLECHANGED: VisibleChanged(); return 0;
        case CM_ENABLEDCHANGED: EnabledChanged(); return 0;
        case CM_COLORCHANGED: ColorChanged(); return 0;
        case CM_FONTCHANGED: FontChanged(); return 0;
        case CM_TEXTCHANGED: TextChanged(); return 0;
        case CM_MOUSEENTER: MouseEnter(reinterpret_cast<TControl*>(lp)); return 0;
        case CM_MOUSELEAVE: MouseLeave(reinterpret_cast<TControl*>(lp)); return 0;
        case CM_PARENTSHOWHINTCHANGED: ParentShowHintChanged(); return 0;
        case CM_HINTSHOW: return HintShow(*reinterpret_cast<THintInfo*>(lp)) ? 1 : 0;
        case CM_XC_INTERFACEQUERY:
            return dynamic_cast<IXcParentBackgroundQuery*>(this) ? 1 : 0;
        case CM_CURSORCHANGED: CursorChanged(); return 0;
        case CM_SHOWINGCHANGED: ShowingChanged(); return 0;
        case CM_SHOWHINTCHANGED: ShowHintChanged(); return 0;
        case CM_CONTROLLISTCHANGE:
            if (lp) {
                ControlsListChanging(reinterpret_cast<TControl*>(wp), true);
            } else {
                ControlsListChanged(reinterpret_cast<TControl*>(wp), false);
            }
            return 0;
        case CM_CONTROLCHANGE:
            if (lp) {
                ControlsListChanged(reinterpret_cast<TControl*>(wp), true);
            } else {
                ControlsListChanging(reinterpret_cast<TControl*>(wp), false);
            }
            return 0;
        case WM_SIZE:
            result = FrameworkProc(msg, wp, lp);
            BoundsChanged();
            return result;
        case WM_SETFOCUS: DoSetFocus(reinterpret_cast<HWND>(wp)); return 0;
        case WM_KILLFOCUS: DoKillFocus(reinterpret_cast<HWND>(wp)); return 0;
        case WM_ERASEBKGND:
            if (wp) {
                HDC dc = reinterpret_cast<HDC>(wp);
                int saved = SaveDC(dc);
                struct Restore {
                    HDC dc;
                    int saved;
                    ~Restore() { RestoreDC(dc, saved); }
                } restore{dc, saved};
                return DoEraseBackground(dc, lp) ? 1 : 0;
            }
            return FrameworkProc(msg, wp, lp);
        case WM_GETDLGCODE: {
            LRESULT native = FrameworkProc(msg, wp, lp);
            TDlgCodes codes = DlgCodesFromWin(native) | dcNative;
            DoGetDlgCode(codes);
            return (codes & dcNative) ? native : DlgCodesToWin(codes);
        }
        case WM_PRINT:
        case WM_PRINTCLIENT: {
            HDC dc = reinterpret_cast<HDC>(wp);
            int saved = SaveDC(dc);
            result = FrameworkProc(msg, wp, lp);
            RestoreDC(dc, saved);
            return result;
        }
        default:
            return FrameworkProc(msg, wp, lp);
        }
    }

};

extern TUnitVersionRegistration XcExControlsUnit;

}  // namespace talvik

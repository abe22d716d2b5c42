// The spin button, the up-down arrows and the spin edit (see XcSpin.h).
#include "controls/XcSpin.h"

#include <windowsx.h>

#include <algorithm>

#include "controls/XcThemes.h"
#include "controls/XcXCUUtils.h"

namespace talvik {

TUnitVersionRegistration XcSpinUnit(MakeUnitVersion("XcSpin.cpp", "XCL\\run"));

namespace {

// Sent by the spin edit to itself to take the focus back after a failed check on leaving
// (taking it inside the focus change itself would fight the system's focus handling).
constexpr UINT kRefocusMessage = WM_APP + 0x5A1;

int ScrollButtonWidth() { return std::min(GetSystemMetrics(SM_CXVSCROLL), 15); }

// The repeat timer of a spin button on the toolkit's timer.
class ToolkitRepeatTimer : public TSpinRepeatTimer {
public:
    explicit ToolkitRepeatTimer(TSpinButtonCore* owner) {
        timer.SetEnabled(false);
        timer.OnTimer = [owner](TTimer*) { owner->RepeatTick(); };
    }
    void SetInterval(int ms) override { timer.SetInterval(static_cast<unsigned>(std::max(ms, 1))); }
    void SetEnabled(bool on) override { timer.SetEnabled(on); }
    bool Enabled() const override { return timer.Enabled(); }
    int Interval() const override { return static_cast<int>(timer.Interval()); }
    TTimer timer;
};

// The plain child window of the edit that holds a spin button.
class SpinButtonHolder : public TWinControl {
public:
    explicit SpinButtonHolder(HWND host) : TWinControl(nullptr) {
        CreateOwnWindow(WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, host, "");
    }
};

TNumberSeparators UserSeparators() {
    const TXcFormatSettings& fs = XcFormatSettings();
    return TNumberSeparators{fs.DecimalSeparator, fs.ThousandSeparator};
}

}  // namespace

// ---- TXcSpinButton

TXcSpinButton::TXcSpinButton(TWinControl* parent) : TXcExGraphicControl(parent) {
    TSpinButtonBitmapsManager::AddClient();
}

TXcSpinButton::~TXcSpinButton() {
    ReleaseFaceSet();
    TSpinButtonBitmapsManager::RemoveClient();
    if (upGlyph_) DeleteObject(upGlyph_);
    if (downGlyph_) DeleteObject(downGlyph_);
}

void TXcSpinButton::ReleaseFaceSet() {
    if (!bitmaps_) return;
    TSpinButtonBitmaps* b = bitmaps_;
    bitmaps_ = nullptr;
    b->RemoveClient();
}

void TXcSpinButton::SetButtonStyle(TXcSpinButtonStyle s) {
    if (s == style_) return;
    style_ = s;
    ReleaseFaceSet();
    Invalidate();
}

void TXcSpinButton::SetUpGlyph(HBITMAP b) {
    if (upGlyph_ && upGlyph_ != b) DeleteObject(upGlyph_);
    upGlyph_ = b;
    ReleaseFaceSet();
    Invalidate();
}

void TXcSpinButton::SetDownGlyph(HBITMAP b) {
    if (downGlyph_ && downGlyph_ != b) DeleteObject(downGlyph_);
    downGlyph_ = b;
    ReleaseFaceSet();
    Invalidate();
}

void TXcSpinButton::SetEnabled(bool v) {
    TXcExGraphicControl::SetEnabled(v);
    if (!v) StopDragging();
    Invalidate();
}

TTimer* TXcSpinButton::RepeatTimerObject() const {
    auto* t = static_cast<ToolkitRepeatTimer*>(RepeatTimer());
    return t ? &t->timer : nullptr;
}

bool TXcSpinButton::ThemesActive() const { return ThemeServices().ThemesEnabled(); }

void TXcSpinButton::Repaint() {
    if (hwnd_) {
        InvalidateRect(hwnd_, nullptr, FALSE);
        UpdateWindow(hwnd_);
    }
}

void TXcSpinButton::FocusOnPress() {
    if (!FocusControl || !FocusControl->Handle()) return;
    HWND f = FocusControl->Handle();
    if ((GetWindowLongW(f, GWL_STYLE) & WS_TABSTOP) && IsWindowEnabled(f) && IsWindowVisible(f) && GetFocus() != f)
        ::SetFocus(f);
}

void TXcSpinButton::ReleaseMouse() {
    if (hwnd_ && GetCapture() == hwnd_) ReleaseCapture();
}

std::unique_ptr<TSpinRepeatTimer> TXcSpinButton::MakeTimer() { return std::make_unique<ToolkitRepeatTimer>(this); }

void TXcSpinButton::MouseDown(int button, TShiftState shift, int x, int y) {
    TXcExGraphicControl::MouseDown(button, shift, x, y);
    if (button == 0) PressAt(x, y);
}

void TXcSpinButton::MouseMove(TShiftState shift, int x, int y) {
    TXcExGraphicControl::MouseMove(shift, x, y);
    MoveTo(x, y);
}

void TXcSpinButton::MouseUp(int button, TShiftState shift, int x, int y) {
    TXcExGraphicControl::MouseUp(button, shift, x, y);
    if (button == 0) ReleaseAt(x, y);
}

void TXcSpinButton::MouseEnter(TControl* control) {
    TXcExGraphicControl::MouseEnter(control);
    POINT pt{};
    GetCursorPos(&pt);
    ScreenToClient(hwnd_, &pt);
    MouseEntered(pt.x, pt.y);
}

void TXcSpinButton::MouseLeave(TControl* control) {
    TXcExGraphicControl::MouseLeave(control);
    MouseLeft();
}

LRESULT TXcSpinButton::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;  // the face covers the whole control
    case WM_SYSCOLORCHANGE:
        if (bitmaps_) bitmaps_->Reset();
        Invalidate();
        break;
    case WM_CAPTURECHANGED:
        // The press ended without a release here (a message box, another window took the
        // mouse): stop repeating.
        if (reinterpret_cast<HWND>(lp) != hwnd_ && (Dragging() || Down() != TSpinDown::None)) {
            StopDragging();
            Repaint();
        }
        break;
    default:
        break;
    }
    return TXcExGraphicControl::WndProc(msg, wp, lp);
}

void TXcSpinButton::Paint(HDC dc) {
    if (bitmaps_ && (bitmaps_->Width() != Width() || bitmaps_->Height() != Height())) ReleaseFaceSet();
    if (!bitmaps_) {
        bool custom = upGlyph_ || downGlyph_;
        bitmaps_ = TSpinButtonBitmapsManager::Instance()->WantButtons(Width(), Height(), static_cast<int>(style_), custom);
        bitmaps_->AddClient();
    }
    if (!Enabled()) StopDragging();
    bitmaps_->Draw(dc, Down(), MouseInTopBtn(), MouseInBottomBtn(), Enabled());
    if (upGlyph_ || downGlyph_) bitmaps_->DrawGlyphs(dc, Down(), upGlyph_, downGlyph_, Enabled());
}

// ---- TXcUpDown

TXcUpDown::TXcUpDown(HWND host) : TControl(nullptr) {
    width_ = ScrollButtonWidth();
    HWND h = CreateWindowExW(0, UPDOWN_CLASSW, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, width_, height_, host, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    AttachHandle(h);
    SendMessageW(h, UDM_SETRANGE32, static_cast<WPARAM>(-1), 1);
    SendMessageW(h, UDM_SETPOS32, 0, 0);
}

TXcUpDown::~TXcUpDown() { OnClick = nullptr; }

void TXcUpDown::SetBounds(int left, int top, int width, int height) {
    // It keeps the width of a scroll-bar arrow.
    TControl::SetBounds(left, top, ScrollButtonWidth(), height);
    (void)width;
}

void TXcUpDown::Scrolled(int code, int position) {
    if (code != SB_THUMBPOSITION || scrolling_) return;
    scrolling_ = true;
    struct Reset {
        TXcUpDown* self;
        ~Reset() {
            self->scrolling_ = false;
            if (self->hwnd_) SendMessageW(self->hwnd_, UDM_SETPOS32, 0, 0);
        }
    } reset{this};
    if (position > 0 && OnClick) OnClick(this, TUDBtnType::btNext);
    if (position < 0 && OnClick) OnClick(this, TUDBtnType::btPrev);
}

// ---- TXcCustomSpinEdit

TXcCustomSpinEdit::TXcCustomSpinEdit(TWinControl* parent)
    : TXcExCustomMaskEdit(parent, ES_AUTOHSCROLL | ES_LEFT | WS_CLIPCHILDREN) {
    Separators = UserSeparators();
    RecreateButton();
    ResizeButton();
    SetEditRect();
}

TXcCustomSpinEdit::~TXcCustomSpinEdit() {
    destroying_ = true;
    changing_ = true;
    button_ = nullptr;
    buttonWindow_.reset();
    upDown_.reset();
    if (brush_) DeleteObject(brush_);
}

void TXcCustomSpinEdit::SetShowButton(bool v) {
    if (v == showButton_) return;
    showButton_ = v;
    RecreateButton();
    ResizeButton();
    SetEditRect();
}

TSpinButtonKind TXcCustomSpinEdit::EffectiveButtonKind() const {
    // The system always draws new-style (3-D) controls here, so the kind asked for holds.
    return buttonKind_;
}

void TXcCustomSpinEdit::SetButtonKind(TSpinButtonKind k) {
    TSpinButtonKind before = buttonKind_;
    buttonKind_ = k;
    if (EffectiveButtonKind() != before) {
        RecreateButton();
        ResizeButton();
        SetEditRect();
    }
}

void TXcCustomSpinEdit::ApplyAlignmentStyle() {
    DWORD align = ES_LEFT;
    switch (alignment_) {
    case TAlignment::taLeftJustify: align = rightToLeft_ ? ES_RIGHT : ES_LEFT; break;
    case TAlignment::taRightJustify: align = rightToLeft_ ? ES_LEFT : ES_RIGHT; break;
    case TAlignment::taCenter: align = ES_CENTER; break;
    }
    if (!hwnd_ || destroying_) return;
    const LONG before = GetWindowLongW(hwnd_, GWL_STYLE);
    const LONG style = (before & ~static_cast<LONG>(ES_LEFT | ES_RIGHT | ES_CENTER)) | static_cast<LONG>(align);
    if (style == before) return;
    // An edit takes its alignment only when it is made: the window is made again, keeping
    // what the old one held.
    DWORD selStart = 0, selEnd = 0;
    SendMessageW(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&selStart), reinterpret_cast<LPARAM>(&selEnd));
    const LRESULT limit = SendMessageW(hwnd_, EM_GETLIMITTEXT, 0, 0);
    const bool modified = SendMessageW(hwnd_, EM_GETMODIFY, 0, 0) != 0;
    const bool focused = GetFocus() == hwnd_;
    button_ = nullptr;
    buttonWindow_.reset();
    upDown_.reset();
    RecreateSystemWindow(static_cast<DWORD>(style), static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_EXSTYLE)));
    SendMessageW(hwnd_, EM_LIMITTEXT, static_cast<WPARAM>(limit), 0);
    SendMessageW(hwnd_, EM_SETSEL, selStart, selEnd);
    SendMessageW(hwnd_, EM_SETMODIFY, modified, 0);
    RecreateButton();
    ResizeButton();
    SetEditRect();
    if (focused) ::SetFocus(hwnd_);
}

void TXcCustomSpinEdit::SetAlignment(TAlignment a) {
    alignment_ = a;
    ApplyAlignmentStyle();
}

void TXcCustomSpinEdit::SetRightToLeft(bool r) {
    if (r == rightToLeft_) return;
    rightToLeft_ = r;
    ApplyAlignmentStyle();
    ResizeButton();
    SetEditRect();
}

void TXcCustomSpinEdit::SetArrowKeys(bool a) {
    TXcSpinEditCore::SetArrowKeys(a);
    ResizeButton();
}

void TXcCustomSpinEdit::SetEnabled(bool v) {
    TXcExCustomMaskEdit::SetEnabled(v);
    if (upDown_) {
        EnableWindow(upDown_->Handle(), v);
        ResizeButton();
    }
    if (button_) button_->SetEnabled(v);
}

void TXcCustomSpinEdit::SetReadOnly(bool r) { TXcExCustomMaskEdit::SetReadOnly(r); }

void TXcCustomSpinEdit::SetColor(COLORREF c) {
    color_ = c;
    if (brush_) DeleteObject(brush_);
    brush_ = nullptr;
    Invalidate();
}

HBRUSH TXcCustomSpinEdit::BackgroundBrush() const {
    if (color_ == CLR_INVALID) return nullptr;
    if (!brush_) brush_ = CreateSolidBrush(color_);
    return brush_;
}

int TXcCustomSpinEdit::ButtonWidth() const {
    if (!showButton_) return 0;
    if (upDown_) return upDown_->Width();
    if (button_) return button_->Width();
    return ScrollButtonWidth();
}

int TXcCustomSpinEdit::MinHeight() const {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, Font().Handle());
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return tm.tmHeight + 4 * GetSystemMetrics(SM_CYBORDER) + 1;
}

void TXcCustomSpinEdit::RecreateButton() {
    if (destroying_) return;
    button_ = nullptr;
    buttonWindow_.reset();
    upDown_.reset();
    if (!showButton_ || !hwnd_) return;
    if (EffectiveButtonKind() == TSpinButtonKind::bkStandard) {
        upDown_ = std::make_unique<TXcUpDown>(hwnd_);
        upDown_->OnClick = [this](TXcUpDown*, TUDBtnType b) { UpDownClick(b); };
        return;
    }
    bool classic = EffectiveButtonKind() == TSpinButtonKind::bkClassic;
    buttonWindow_ = std::make_unique<SpinButtonHolder>(hwnd_);
    buttonWindow_->SetBounds(0, 0, classic ? Height() : ScrollButtonWidth(), Height());
    button_ = new TXcSpinButton(buttonWindow_.get());
    if (classic) button_->SetButtonStyle(TXcSpinButtonStyle::sbsClassic);
    button_->FocusControl = this;
    button_->OnTopClick = [this] { UpClick(); };
    button_->OnBottomClick = [this] { DownClick(); };
    button_->SetBounds(1, 1, buttonWindow_->Width() - 1, buttonWindow_->Height() - 1);
}

void TXcCustomSpinEdit::ResizeButton() {
    if (!hwnd_ || destroying_) return;
    RECT client;
    GetClientRect(hwnd_, &client);
    if (upDown_) {
        int w = ScrollButtonWidth();
        upDown_->SetBounds(rightToLeft_ ? 0 : client.right - w, 0, w, client.bottom);
        return;
    }
    if (!buttonWindow_ || !button_) return;
    RECT wr;
    GetWindowRect(hwnd_, &wr);
    int W = wr.right - wr.left, H = wr.bottom - wr.top, S = ScrollButtonWidth();
    bool classic = EffectiveButtonKind() == TSpinButtonKind::bkClassic;
    // The edit's sunken 3-D border: the button sits inside it, flush with the client area.
    bool threeD = (GetWindowLongW(hwnd_, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0;
    int l, t, w, h;
    if (threeD) {
        if (classic) l = W - S - 4, t = -1, w = S, h = H - 3;
        else l = W - H - 1, t = -1, w = H - 3, h = H - 3;
        if (rightToLeft_) l = -1;
    } else {
        if (classic) l = W - S, t = 0, w = S, h = H;
        else l = W - H, t = 0, w = H, h = H;
        if (rightToLeft_) l = 0;
    }
    buttonWindow_->SetBounds(l, t, w, h);
    button_->SetBounds(1, 1, w - 1, h - 1);
}

void TXcCustomSpinEdit::SetEditRect() {
    if (!hwnd_ || destroying_) return;
    // A single-line edit ignores a formatting rectangle; its margins give the same text area.
    int b = ButtonWidth();
    if (!rightToLeft_) {
        SendMessageW(hwnd_, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(0, b + 2));
    } else {
        SendMessageW(hwnd_, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(b + 1, 1));
    }
}

void TXcCustomSpinEdit::BoundsChanged() {
    TXcExCustomMaskEdit::BoundsChanged();
    if (resizing_ || destroying_) return;
    int minHeight = MinHeight();
    if (Height() < minHeight) {
        resizing_ = true;
        SetBounds(Left(), Top(), Width(), minHeight);
        resizing_ = false;
    }
    ResizeButton();
    SetEditRect();
}

void TXcCustomSpinEdit::FontChanged() {
    TXcExCustomMaskEdit::FontChanged();
    ResizeButton();
    SetEditRect();
}

void TXcCustomSpinEdit::UpDownClick(TUDBtnType b) {
    if (hwnd_ && (GetWindowLongW(hwnd_, GWL_STYLE) & WS_TABSTOP) && IsWindowEnabled(hwnd_) && IsWindowVisible(hwnd_))
        ::SetFocus(hwnd_);
    if (b == TUDBtnType::btNext) UpClick(); else DownClick();
}

void TXcCustomSpinEdit::Loaded() {
    TXcExCustomMaskEdit::Loaded();
    TXcSpinEditCore::Loaded();
}

bool TXcCustomSpinEdit::HandleCommand(WORD code, WORD id) {
    if (code == EN_CHANGE) {
        if (!destroying_) Change();
        return true;
    }
    return TXcExCustomMaskEdit::HandleCommand(code, id);
}

void TXcCustomSpinEdit::FireChange() {
    if (OnChange) OnChange(this);
}

void TXcCustomSpinEdit::DoSetFocus(HWND previous) {
    TXcExCustomMaskEdit::DoSetFocus(previous);
    if (destroying_) return;
    bool mouseDown = false;
    if (GetKeyState(VK_LBUTTON) < 0) {
        POINT pt;
        RECT r;
        GetCursorPos(&pt);
        GetWindowRect(hwnd_, &r);
        mouseDown = PtInRect(&r, pt) != 0;
    }
    DoEnter(mouseDown);
}

void TXcCustomSpinEdit::DoKillFocus(HWND next) {
    if (destroying_) {
        TXcExCustomMaskEdit::DoKillFocus(next);
        return;
    }
    KillFocusCrop();
    TXcExCustomMaskEdit::DoKillFocus(next);
    DoExit();
}

void TXcCustomSpinEdit::TakeFocusBack() {
    if (hwnd_) PostMessageW(hwnd_, kRefocusMessage, 0, 0);
}

void TXcCustomSpinEdit::PassDialogKey(char key) {
    if (TForm* f = OwnerForm()) f->DialogKey(key == '\r' ? VK_RETURN : VK_ESCAPE);
}

bool TXcCustomSpinEdit::MemberMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (TXcExCustomMaskEdit::MemberMessage(msg, wp, lp, result)) return true;
    switch (msg) {
    case WM_CUT:
    case WM_PASTE:
        if (CutPasteAllowed()) return false;
        result = 0;
        return true;
    case WM_KEYDOWN: {
        int vk = KeyDown(static_cast<int>(wp));
        if (vk == 0) {
            result = 0;
            return true;
        }
        if (vk != static_cast<int>(wp)) {
            // Backspace behind the decimal separator steps over it: the character it would
            // type next is dropped.
            swallowBackspace_ = wp == VK_BACK;
            result = FrameworkProc(WM_KEYDOWN, static_cast<WPARAM>(vk), lp);
            return true;
        }
        return false;
    }
    case WM_CHAR: {
        if (swallowBackspace_ && wp == VK_BACK) {
            swallowBackspace_ = false;
            result = 0;
            return true;
        }
        swallowBackspace_ = false;
        // Only ASCII makes a number; anything else is refused like a letter.
        char key = wp < 128 ? static_cast<char>(wp) : '\x7f';
        char k = KeyPress(key);
        if (k == 0) {
            result = 0;
            return true;
        }
        if (k != key) {
            result = FrameworkProc(WM_CHAR, static_cast<unsigned char>(k), lp);
            return true;
        }
        return false;
    }
    case WM_MOUSEWHEEL:
        MouseWheel(GET_WHEEL_DELTA_WPARAM(wp));
        result = 0;
        return true;
    case WM_VSCROLL:
    case WM_HSCROLL:
        if (upDown_ && reinterpret_cast<HWND>(lp) == upDown_->Handle()) {
            upDown_->Scrolled(LOWORD(wp), static_cast<short>(HIWORD(wp)));
            result = 0;
            return true;
        }
        return false;
    default:
        break;
    }
    if (msg == kRefocusMessage) {
        if (IsWindowEnabled(hwnd_) && IsWindowVisible(hwnd_)) ::SetFocus(hwnd_);
        SelectAll();
        result = 0;
        return true;
    }
    return false;
}

std::string TXcCustomSpinEdit::EditText() const { return Text(); }

void TXcCustomSpinEdit::SetEditText(const std::string& s) { SetText(s); }

int TXcCustomSpinEdit::SelStart() const {
    DWORD start = 0, end = 0;
    if (hwnd_) SendMessageW(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(start);
}

void TXcCustomSpinEdit::SetSelStart(int pos) {
    if (hwnd_) SendMessageW(hwnd_, EM_SETSEL, static_cast<WPARAM>(pos), static_cast<LPARAM>(pos));
}

void TXcCustomSpinEdit::SelectAll() {
    if (hwnd_) SendMessageW(hwnd_, EM_SETSEL, 0, -1);
}

bool TXcCustomSpinEdit::Modified() const { return hwnd_ && SendMessageW(hwnd_, EM_GETMODIFY, 0, 0) != 0; }

void TXcCustomSpinEdit::SetModified(bool m) {
    if (hwnd_) SendMessageW(hwnd_, EM_SETMODIFY, m ? TRUE : FALSE, 0);
}

bool TXcCustomSpinEdit::ReadOnly() const {
    return hwnd_ && (GetWindowLongW(hwnd_, GWL_STYLE) & ES_READONLY) != 0;
}

// ---- TXcSpinEdit

TXcSpinEdit::TXcSpinEdit(TWinControl* parent) : TXcCustomSpinEdit(parent) { SetEditText("0"); }

}  // namespace talvik

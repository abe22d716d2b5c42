// The message box: measuring its texts in the message font, building it through the control
// engine, the countdown, the keys and the clipboard.
#include "controls/XcDSADialogs.h"

#include <algorithm>
#include <cstring>

#include "base/format.h"
#include "controls/XcDSADialogsLayout.h"
#include "controls/XcDynControlEngine.h"
#include "controls/XcTypes.h"
#include "toolkit/stdctrls.h"

namespace talvik {

TUnitVersionRegistration XcDSADialogsUnit(MakeUnitVersion("XcDSADialogs.cpp", "XCL\\run"));

std::function<void(int)> DialogHelpHandler;

namespace {

TMessageDialogHook& Hook() {
    static TMessageDialogHook hook;
    return hook;
}

constexpr UINT kFocusDefaultMessage = WM_APP + 0x352;
constexpr int kLabelAllowance = 2;

// The system's message-box font as the toolkit names fonts.
TFont MessageFont() {
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof(ncm);
    TFont f;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0)) return f;
    const LOGFONTW& lf = ncm.lfMessageFont;
    HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    f.Name = Narrow(lf.lfFaceName);
    f.Size = std::max(1, MulDiv(lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight, 72, dpi));
    f.Charset = lf.lfCharSet;
    f.Bold = lf.lfWeight >= FW_BOLD;
    return f;
}

// Measures texts in one font.
class TTextMeasure {
public:
    explicit TTextMeasure(const TFont& font) : dc_(GetDC(nullptr)) {
        old_ = SelectObject(dc_, font.Handle());
    }
    ~TTextMeasure() {
        SelectObject(dc_, old_);
        ReleaseDC(nullptr, dc_);
    }
    TTextMeasure(const TTextMeasure&) = delete;
    TTextMeasure& operator=(const TTextMeasure&) = delete;

    // The average letter width and the text height.
    SIZE CharUnit() const {
        wchar_t letters[52];
        for (int i = 0; i < 26; ++i) {
            letters[i] = static_cast<wchar_t>(L'A' + i);
            letters[26 + i] = static_cast<wchar_t>(L'a' + i);
        }
        SIZE s{};
        GetTextExtentPoint32W(dc_, letters, 52, &s);
        s.cx /= 52;
        return s;
    }
    // Word-wrapped within `limit`, tabs expanded.
    SIZE Wrapped(const std::string& text, int limit) const {
        std::wstring w = Widen(text);
        RECT r{0, 0, limit, 0};
        DrawTextW(dc_, w.c_str(), static_cast<int>(w.size()), &r,
                  DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
        // The ink of a line's last glyph may reach past its measured advance (Wine draws a
        // closing full stop a pixel or two further): a label of exactly the measured width
        // would clip it, so it gets two pixels more.
        return {r.right - r.left + kLabelAllowance, r.bottom - r.top};
    }
    int OneLine(const std::string& text) const {
        std::wstring w = Widen(text);
        RECT r{0, 0, 0, 0};
        DrawTextW(dc_, w.c_str(), static_cast<int>(w.size()), &r, DT_CALCRECT | DT_SINGLELINE);
        return r.right - r.left;
    }

private:
    HDC dc_;
    HGDIOBJ old_;
};

TBox CentringArea(TDialogCenter center) {
    const TBox screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    TForm* form = nullptr;
    if (center == dcMainForm) form = Application.MainForm;
    if (center == dcActiveForm) form = dynamic_cast<TForm*>(TControl::FromHandle(GetActiveWindow()));
    if (!form || !form->Handle()) return screen;
    RECT r;
    GetWindowRect(form->Handle(), &r);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

HICON KindIcon(TDialogKind kind) {
    LPCWSTR id = nullptr;
    switch (kind) {
    case dkWarning: id = MAKEINTRESOURCEW(32515); break;      // IDI_EXCLAMATION
    case dkError: id = MAKEINTRESOURCEW(32513); break;        // IDI_HAND
    case dkInformation: id = MAKEINTRESOURCEW(32516); break;  // IDI_ASTERISK
    case dkConfirmation: id = MAKEINTRESOURCEW(32514); break; // IDI_QUESTION
    case dkCustom: return nullptr;
    }
    // A copy of our own, so the box can free it like any icon it was given.
    HICON shared = LoadIconW(nullptr, id);
    return shared ? CopyIcon(shared) : nullptr;
}

}  // namespace

TMessageDialogHook SetMessageDialogHook(TMessageDialogHook hook) {
    TMessageDialogHook old = std::move(Hook());
    Hook() = std::move(hook);
    return old;
}

// ---- TDSAMessageForm

TDSAMessageForm::TDSAMessageForm() : Timer(std::make_unique<TTimer>()) {
    Timer->SetEnabled(false);
    Timer->SetInterval(1000);
    Timer->OnTimer = [this](TTimer*) { TimerTick(); };
}

TDSAMessageForm::~TDSAMessageForm() = default;

TControl* TDSAMessageForm::FindComponent(const std::string& name) const {
    for (TControl* c : components_)
        if (c->Name == name) return c;
    return nullptr;
}

void TDSAMessageForm::Watch(TControl* c) {
    // Keys and clicks reach the focused control, not the box: the box looks at them first.
    if (c->Handle()) SetWindowSubclass(c->Handle(), ChildProc, 1, reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CALLBACK TDSAMessageForm::ChildProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    auto* self = reinterpret_cast<TDSAMessageForm*>(ref);
    try {
        switch (msg) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            self->KeyDown(wp, GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_SHIFT) >= 0 &&
                                  GetKeyState(VK_MENU) >= 0);
            break;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            self->MouseDown();
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(hwnd, ChildProc, 1);
            break;
        default:
            break;
        }
    } catch (...) {
        Application.HandleCurrentException();
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

void TDSAMessageForm::CancelAutoClose() {
    Timer->SetEnabled(false);
    if (CountdownLabel) {
        TControl* label = CountdownLabel;
        CountdownLabel = nullptr;
        components_.erase(std::remove(components_.begin(), components_.end(), label), components_.end());
        delete label;
    }
}

void TDSAMessageForm::TimerTick() {
    if (!Timer->Enabled()) return;
    --Timeout;
    if (Timeout <= 0) {
        Timer->SetEnabled(false);
        for (TControl* c : components_) {
            if (auto* b = dynamic_cast<TButton*>(c); b && b->Default()) {
                b->Click();
                return;
            }
        }
        Close();
        return;
    }
    if (CountdownLabel) CountdownLabel->SetText(CountdownFormatter(Timeout));
}

void TDSAMessageForm::KeyDown(WPARAM key, bool ctrlOnly) {
    CancelAutoClose();
    if (key == 'C' && ctrlOnly) CopyToClipboard();
}

void TDSAMessageForm::MouseDown() { CancelAutoClose(); }

void TDSAMessageForm::HelpClick() {
    CancelAutoClose();
    if (DialogHelpHandler) DialogHelpHandler(HelpContext);
}

void TDSAMessageForm::CopyToClipboard() {
    std::string message;
    std::vector<std::string> captions;
    for (TControl* c : components_) {
        if (dynamic_cast<TLabel*>(c)) message = c->Text();
        if (dynamic_cast<TButton*>(c)) captions.push_back(c->Text());
    }
    const std::string text = DialogClipboardText(Text(), message, captions);
    if (!OpenClipboard(hwnd_)) throw EXCLException("Cannot open clipboard");
    EmptyClipboard();
    // Plain text for every reader, and the same in UTF-16 so no character is lost.
    const std::wstring wide = Widen(text);
    const int ansiLen = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(ansiLen))) {
        WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, static_cast<char*>(GlobalLock(g)), ansiLen, nullptr, nullptr);
        GlobalUnlock(g);
        if (!SetClipboardData(CF_TEXT, g)) GlobalFree(g);
    }
    if (HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, (wide.size() + 1) * sizeof(wchar_t))) {
        std::memcpy(GlobalLock(g), wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
        GlobalUnlock(g);
        if (!SetClipboardData(CF_UNICODETEXT, g)) GlobalFree(g);
    }
    CloseClipboard();
}

TModalResult TDSAMessageForm::ShowModal() {
    if (Timeout != 0) Timer->SetEnabled(true);
    CountdownLabel = FindComponent("Countdown");
    PostMessageW(hwnd_, kFocusDefaultMessage, 0, 0);
    return TXcForm::ShowModal();
}

bool TDSAMessageForm::MemberMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case kFocusDefaultMessage:
        for (TControl* c : components_) {
            if (auto* b = dynamic_cast<TButton*>(c); b && b->Default()) {
                b->SetFocus();
                break;
            }
        }
        result = 0;
        return true;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        KeyDown(wp, GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_SHIFT) >= 0 && GetKeyState(VK_MENU) >= 0);
        break;
    case CM_DIALOGKEY:
        // Tab, Enter and Escape come to the box as dialog keys; they stop the countdown too.
        CancelAutoClose();
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        MouseDown();
        break;
    default:
        break;
    }
    return TXcForm::MemberMessage(msg, wp, lp, result);
}

// ---- building

TDSAMessageForm* BuildMessageForm(const std::string& caption, const std::string& msg, HICON icon,
                                  const std::vector<std::string>& buttons, const std::vector<int>& results,
                                  int helpCtx, const std::string& checkCaption, TDialogCenter center, int timeout,
                                  int defaultButton, int cancelButton, int helpButton,
                                  TXcCustomDynControlEngine* engine) {
    auto* dyn = dynamic_cast<TXcDynControlEngine*>(engine ? engine : DefaultDynControlEngine());
    if (!dyn) throw EXCLException("TXcDynControlEngine: no default engine");
    const TBox area = CentringArea(center);
    auto* form = new TDSAMessageForm();
    try {
        form->SetFont(MessageFont());
        form->HelpContext = helpCtx;
        HWND h = form->Handle();
        form->SetDialogBorder();
        form->Timeout = timeout < 0 ? -timeout : timeout;

        TTextMeasure measure(form->Font());
        TDialogMeasures m;
        const SIZE unit = measure.CharUnit();
        m.CharWidth = unit.cx;
        m.CharHeight = unit.cy;
        m.ButtonCount = static_cast<int>(buttons.size());
        for (const std::string& b : buttons) m.WidestButtonCaption = std::max(m.WidestButtonCaption, measure.OneLine(b));
        const int limit = MessageWidthLimit(GetSystemMetrics(SM_CXSCREEN), area);
        const SIZE text = measure.Wrapped(msg, limit);
        m.TextWidth = text.cx;
        m.TextHeight = text.cy;
        if (icon) {
            m.HasIcon = true;
            m.IconWidth = GetSystemMetrics(SM_CXICON);
            m.IconHeight = GetSystemMetrics(SM_CYICON);
        }
        m.HasCheckBox = !checkCaption.empty();
        if (m.HasCheckBox) m.CheckTextWidth = measure.Wrapped(checkCaption, limit).cx;
        m.HasCountdown = timeout > 0;
        const std::string countdown = m.HasCountdown ? CountdownFormatter(timeout) : std::string();
        if (m.HasCountdown) m.CountdownWidth = measure.Wrapped(countdown, limit).cx;
        m.Area = area;
        m.RightToLeft = Application.RightToLeft;
        RECT frame{0, 0, 0, 0};
        AdjustWindowRectEx(&frame, GetWindowLongW(h, GWL_STYLE), FALSE, GetWindowLongW(h, GWL_EXSTYLE));
        m.FrameWidth = frame.right - frame.left;
        m.FrameHeight = frame.bottom - frame.top;
        const TDialogLayout l = LayoutMessageDialog(m);

        form->SetBounds(l.Left, l.Top, l.ClientWidth + m.FrameWidth, l.ClientHeight + m.FrameHeight);
        form->SetText(caption.empty() ? Application.Title : caption);

        TXcDynObject* panel = dyn->CreatePanelControl(form, form, "Panel", "", TXcAlign::alClient);
        form->AddComponent(panel->DynControl());
        TWinControl* box = panel->DynContainer();
        if (icon) {
            TXcDynObject* image = dyn->CreateImageControl(form, box, "Image");
            image->DynSetBounds(l.Image.Left, l.Image.Top, l.Image.Width, l.Image.Height);
            auto& pic = Intf<IDynControlImage>(image);
            pic.ControlSetCenter(true);
            pic.ControlSetGraphic(TXcGraphic{icon, true});
            form->AddComponent(image->DynControl());
        }
        TXcDynObject* message = dyn->CreateLabelControl(form, box, "Message", msg, nullptr);
        Intf<IDynControlLabel>(message).ControlSetWordWrap(true);
        Intf<IDynControlAutoSize>(message).ControlSetAutoSize(true);
        message->DynSetBounds(l.Message.Left, l.Message.Top, l.Message.Width, l.Message.Height);
        // Right to left, the message's lines start at its right edge.
        if (auto* label = dynamic_cast<TLabel*>(message->DynControl()); label && m.RightToLeft)
            label->SetAlignment(TLabel::Align::Right);
        form->AddComponent(message->DynControl());
        if (helpButton == kLastButton) helpButton = static_cast<int>(buttons.size()) - 1;
        for (std::size_t i = 0; i < buttons.size(); ++i) {
            const int pos = static_cast<int>(i);
            TNotifyEvent onClick;
            if (pos == helpButton) onClick = [form](TControl*) { form->HelpClick(); };
            TXcDynObject* b = dyn->CreateButton(form, box, "Button" + std::to_string(i), buttons[i], "", onClick,
                                                pos == defaultButton, pos == cancelButton);
            if (auto* button = dynamic_cast<TButton*>(b->DynControl()))
                button->ModalResult = static_cast<TModalResult>(i < results.size() ? results[i] : 0);
            const TBox& r = l.Buttons[i];
            b->DynSetBounds(r.Left, r.Top, r.Width, r.Height);
            form->AddComponent(b->DynControl());
            form->Watch(b->DynControl());
        }
        if (m.HasCheckBox) {
            TXcDynObject* check = dyn->CreateCheckBoxControl(form, box, "DontShowAgain", checkCaption);
            check->DynSetBounds(l.CheckBox.Left, l.CheckBox.Top, l.CheckBox.Width, l.CheckBox.Height);
            form->AddComponent(check->DynControl());
            form->Watch(check->DynControl());
        }
        if (m.HasCountdown) {
            TXcDynObject* label = dyn->CreateLabelControl(form, box, "Countdown", countdown, nullptr);
            label->DynSetBounds(l.Countdown.Left, l.Countdown.Top, l.Countdown.Width, l.Countdown.Height);
            form->AddComponent(label->DynControl());
        }
        form->Watch(panel->DynControl());
    } catch (...) {
        form->Free();
        throw;
    }
    return form;
}

int ShowCustomButtonDialog(const std::string& caption, const std::string& msg, TDialogKind kind,
                           const std::vector<std::string>& buttons, const std::vector<int>& results, int helpCtx,
                           TDialogCenter center, int timeout, int defaultButton, int cancelButton, int helpButton,
                           TXcCustomDynControlEngine* engine) {
    HICON icon = KindIcon(kind);
    TDSAMessageForm* form = nullptr;
    try {
        form = BuildMessageForm(caption, msg, icon, buttons, results, helpCtx, "", center, timeout, defaultButton,
                                cancelButton, helpButton, engine);
        int result;
        if (Hook()) {
            result = Hook()(form);
        } else {
            result = static_cast<int>(form->ShowModal());
        }
        form->Free();
        if (icon) DestroyIcon(icon);
        return result;
    } catch (...) {
        if (form) form->Free();
        if (icon) DestroyIcon(icon);
        throw;
    }
}

int ShowMessageDialog(const std::string& msg, TDialogKind kind, TDialogButtons buttons, int helpCtx,
                      TDialogCenter center, int timeout, TDialogButton defaultButton, TDialogButton cancelButton,
                      TDialogButton helpButton, TXcCustomDynControlEngine* engine) {
    const TResolvedButtons b = ResolveDialogButtons(buttons, defaultButton, cancelButton, helpButton);
    return ShowCustomButtonDialog(DialogKindTitle(kind), msg, kind, b.Captions, b.Results, helpCtx, center, timeout,
                                  b.DefaultButton, b.CancelButton, b.HelpButton, engine);
}

}  // namespace talvik

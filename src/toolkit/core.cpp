// Fonts, control and container bases, forms, the application object and the timer.
#include "toolkit/core.h"

#include <commctrl.h>

#include <algorithm>
#include <mutex>
#include <stdexcept>
#include <unordered_map>

#include "base/format.h"
#include "toolkit/stdctrls.h"

namespace talvik {

TApplication Application;

namespace {

const wchar_t kWindowClass[] = L"TalvikWindow";
// The control of each window, kept in the process rather than as a window property: under Wine
// every property lookup is a round trip to the Wine server, and every message to one of our
// windows looks its control up.
std::mutex& HandleLock() {
    static std::mutex m;
    return m;
}

std::unordered_map<HWND, TControl*>& HandleMap() {
    static std::unordered_map<HWND, TControl*> map;
    return map;
}

void TieHandle(HWND h, TControl* c) {
    std::lock_guard<std::mutex> g(HandleLock());
    HandleMap()[h] = c;
}

void UntieHandle(HWND h, const TControl* c) {
    std::lock_guard<std::mutex> g(HandleLock());
    auto it = HandleMap().find(h);
    if (it != HandleMap().end() && it->second == c) HandleMap().erase(it);
}

std::map<UINT_PTR, TTimer*>& Timers() {
    static std::map<UINT_PTR, TTimer*> timers;
    return timers;
}

LRESULT CALLBACK UtilityProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_TIMER) {
        try {
            auto it = Timers().find(wp);
            if (it != Timers().end()) it->second->Tick();
        } catch (...) {
            Application.HandleCurrentException();
        }
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

std::map<UINT_PTR, TControl*>& CommandTargets() {
    static std::map<UINT_PTR, TControl*> targets;
    return targets;
}

TControl* CommandTarget(UINT_PTR id) {
    auto it = CommandTargets().find(id);
    return it == CommandTargets().end() ? nullptr : it->second;
}

std::wstring Widen(const std::string& s) {
    std::u16string u = Utf8ToUtf16(s);
    return std::wstring(u.begin(), u.end());
}

std::string Narrow(const std::wstring& s) {
    return Utf16ToUtf8(std::u16string(s.begin(), s.end()));
}

// ---- fonts

namespace {
int CALLBACK FontFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM lp) {
    *reinterpret_cast<bool*>(lp) = true;
    return 0;
}
}  // namespace

bool FontInstalled(const std::string& name) {
    LOGFONTW lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    std::wstring w = Widen(name);
    if (w.empty() || w.size() >= LF_FACESIZE) return false;
    wcscpy(lf.lfFaceName, w.c_str());
    bool found = false;
    HDC dc = GetDC(nullptr);
    EnumFontFamiliesExW(dc, &lf, FontFound, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, dc);
    return found;
}

HFONT TFont::Handle() const {
    static std::map<std::tuple<std::string, int, int, bool>, HFONT> cache;
    auto key = std::make_tuple(Name, Size, Charset, Bold);
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
    std::string face = Name;
    if (!FontInstalled(face)) {
        // A Chinese font named in old settings may not exist here: take one that has the glyphs.
        face = Charset == GB2312_CHARSET ? "WenQuanYi Micro Hei" : "Arial";
    }
    HDC dc = GetDC(nullptr);
    int height = -MulDiv(Size, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(nullptr, dc);
    HFONT h = CreateFontW(height, 0, 0, 0, Bold ? FW_BOLD : FW_NORMAL, 0, 0, 0, Charset, OUT_DEFAULT_PRECIS,
                          CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                          Widen(face).c_str());
    cache[key] = h;
    return h;
}

std::string GetShortHint(const std::string& hint) {
    auto bar = hint.find('|');
    return bar == std::string::npos ? hint : hint.substr(0, bar);
}

std::string GetLongHint(const std::string& hint) {
    auto bar = hint.find('|');
    return bar == std::string::npos ? hint : hint.substr(bar + 1);
}

// ---- window procedure

LRESULT CALLBACK ToolkitWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        auto* self = static_cast<TWinControl*>(cs->lpCreateParams);
        self->hwnd_ = hwnd;
        self->hadWindow_ = true;
        TieHandle(hwnd, static_cast<TControl*>(self));
    }
    auto* ctl = TControl::FromHandle(hwnd);
    auto* self = dynamic_cast<TWinControl*>(ctl);
    if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
    try {
        return self->WndProc(msg, wp, lp);
    } catch (...) {
        Application.HandleCurrentException();
        return 0;
    }
}

void InitToolkit() {
    static bool done = false;
    if (done) return;
    done = true;
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_COOL_CLASSES | ICC_BAR_CLASSES |
                                              ICC_TAB_CLASSES | ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    WNDCLASSW wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = ToolkitWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hIcon = LoadIconW(GetModuleHandleW(nullptr), reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(1)));
    if (!wc.hIcon) wc.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    wc.lpszClassName = kWindowClass;
    RegisterClassW(&wc);
    WNDCLASSW uc{};
    uc.lpfnWndProc = UtilityProc;
    uc.hInstance = GetModuleHandleW(nullptr);
    uc.lpszClassName = L"TalvikUtility";
    RegisterClassW(&uc);
}

// ---- TControl

TControl::TControl(TWinControl* parent) : parent_(parent) {
    InitToolkit();
    if (parent_) {
        parent_->AddChild(this);
        font_ = parent_->Font();
    }
}

TControl::~TControl() {
    if (pendingIn_ && !pendingIn_->destroying_) {
        auto& list = pendingIn_->pendingWindows_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        auto& raises = pendingIn_->pendingRaises_;
        raises.erase(std::remove(raises.begin(), raises.end(), this), raises.end());
    }
    if (hwnd_.Raw()) {
        if (toolRegistered_) {
            TOOLINFOW ti{};
            ti.cbSize = sizeof(ti);
            ti.hwnd = parent_ ? parent_->Handle() : nullptr;
            ti.uId = reinterpret_cast<UINT_PTR>(static_cast<HWND>(hwnd_));
            SendMessageW(Application.TooltipWindow(), TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
        }
        UntieHandle(hwnd_, this);
        if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
        hwnd_ = nullptr;
    }
    if (parent_) parent_->RemoveChild(this);
}

TControl* TControl::FromHandle(HWND hwnd) {
    if (!hwnd) return nullptr;
    std::lock_guard<std::mutex> g(HandleLock());
    auto it = HandleMap().find(hwnd);
    return it == HandleMap().end() ? nullptr : it->second;
}

void TControl::ReleaseHandle() {
    if (hwnd_.Raw()) UntieHandle(hwnd_.Raw(), this);
}

TLazyHandle::operator HWND() const {
    if (!h_ && owner_->pending_) owner_->HandleNeeded();
    return h_;
}

TWinControl* TControl::DeferringContainer() {
    TForm* f = OwnerForm();
    if (!f || f == this || hadWindow_) return nullptr;
    if (parent_ && !parent_->hwnd_.Raw() && !parent_->pending_) return nullptr;
    if (f->deferContents_ && !f->Visible()) return f;
    // Inside a hidden container the window waits until the container is shown.
    return InsideHiddenContainer() ? f : nullptr;
}

bool TControl::InsideHiddenContainer() const {
    for (const TControl* c = parent_; c && !dynamic_cast<const TForm*>(c); c = c->parent_)
        if (!c->visible_) return true;
    return false;
}

void TControl::Defer(PendingWindow p) {
    pendingIn_ = DeferringContainer();
    pending_ = std::make_unique<PendingWindow>(std::move(p));
    pendingIn_->pendingWindows_.push_back(this);
}

void TControl::HandleNeeded() {
    if (pendingIn_) pendingIn_->MakePendingWindows(nullptr, true);
    MakePendingWindow();
}

void TControl::MakePendingWindow() {
    if (!pending_) return;
    if (parent_ && parent_->pending_) parent_->MakePendingWindow();
    std::unique_ptr<PendingWindow> p = std::move(pending_);
    pendingIn_ = nullptr;
    DWORD style = p->style;
    if (p->visibleSet) style = (style & ~WS_VISIBLE) | (visible_ ? WS_VISIBLE : 0);
    if (!enabled_) style |= WS_DISABLED;
    // Capitals apply to texts given after the edit was told so, not to the one it starts with.
    const DWORD late = p->cls == L"EDIT" ? (style & ES_UPPERCASE) : 0;
    style &= ~late;
    HWND parent = parent_ ? parent_->hwnd_.Raw() : nullptr;
    if (p->own) {
        static_cast<TWinControl*>(this)->CreateOwnWindow(style, p->exStyle, parent, p->text);
    } else {
        HWND h = CreateWindowExW(p->exStyle, p->cls.c_str(), Widen(p->text).c_str(), style, left_, top_, width_,
                                 height_, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
        if (!h) throw std::runtime_error("Cannot create window " + Narrow(p->cls));
        AttachHandle(h);
        if (late) SetWindowLongW(h, GWL_STYLE, GetWindowLongW(h, GWL_STYLE) | late);
    }
    // Made after a sibling that came later: stacked where it would have been, under the
    // sibling before it.
    if (parent_) {
        const auto& sibs = parent_->children_;
        auto self = std::find(sibs.begin(), sibs.end(), this);
        if (self != sibs.end() && std::any_of(self + 1, sibs.end(), [](TControl* c) { return c->hwnd_.Raw(); })) {
            HWND above = HWND_TOP;
            for (auto it = sibs.begin(); it != self; ++it)
                if ((*it)->hwnd_.Raw()) above = (*it)->hwnd_.Raw();
            SetWindowPos(hwnd_.Raw(), above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
    }
    RegisterTool();
    for (auto& step : p->steps) step(hwnd_.Raw());
}

bool TControl::SetKeptStyle(DWORD add, DWORD remove) {
    if (!pending_) return false;
    pending_->style = (pending_->style & ~remove) | add;
    return true;
}

void TControl::MakeWindowNow() {
    if (!pending_) return;
    if (pendingIn_) {
        auto& list = pendingIn_->pendingWindows_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    MakePendingWindow();
}

void TControl::WhenMade(std::function<void(HWND)> step) {
    if (pending_)
        pending_->steps.push_back(std::move(step));
    else if (hwnd_.Raw())
        step(hwnd_.Raw());
}

TForm* TControl::OwnerForm() const {
    const TControl* c = this;
    while (c) {
        if (auto* f = dynamic_cast<TForm*>(const_cast<TControl*>(c))) return f;
        c = c->parent_;
    }
    return nullptr;
}

void TControl::CreateHandle(const wchar_t* cls, DWORD style, DWORD exStyle, const std::string& text) {
    style |= WS_CHILD | WS_CLIPSIBLINGS | (visible_ ? WS_VISIBLE : 0);
    if (DeferringContainer()) {
        Defer({cls, style, exStyle, false, false, text});
        return;
    }
    HWND parent = parent_ ? parent_->Handle() : nullptr;
    HWND h = CreateWindowExW(exStyle, cls, Widen(text).c_str(), style, left_, top_, width_, height_, parent,
                             nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!h) throw std::runtime_error("Cannot create window " + Narrow(cls));
    AttachHandle(h);
}

void TControl::AttachHandle(HWND h) {
    hwnd_ = h;
    hadWindow_ = true;
    TieHandle(h, this);
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Handle()), FALSE);
}

void TControl::ReplaceHandle(HWND h) {
    HWND old = hwnd_;
    const bool hadTool = toolRegistered_;
    if (old) {
        if (toolRegistered_) {
            TOOLINFOW ti{};
            ti.cbSize = sizeof(ti);
            ti.hwnd = parent_ ? parent_->Handle() : nullptr;
            ti.uId = reinterpret_cast<UINT_PTR>(old);
            SendMessageW(Application.TooltipWindow(), TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
            toolRegistered_ = false;
        }
        UntieHandle(old, this);
        // The new window takes the old one's place in the tab order.
        SetWindowPos(h, old, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        DestroyWindow(old);
    }
    AttachHandle(h);
    if (hadTool) RegisterTool();
}

void TControl::SetBounds(int left, int top, int width, int height) {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    if (hwnd_.Raw()) MoveWindow(hwnd_.Raw(), left, top, width, height, TRUE);
    if (TForm* f = OwnerForm(); f && f != this) f->UpdateAutoSize();
}

void TControl::SetVisible(bool v) {
    bool changed = v != visible_;
    visible_ = v;
    // A container shown gets the windows of its contents first, so they appear with it.
    if (v && changed && hwnd_.Raw())
        if (auto* w = dynamic_cast<TWinControl*>(this))
            if (TForm* f = OwnerForm(); f && f != this && !f->pendingWindows_.empty()) f->MakePendingWindows(w, false);
    if (pending_) pending_->visibleSet = true;
    if (hwnd_.Raw()) ShowWindow(hwnd_.Raw(), v ? SW_SHOWNA : SW_HIDE);
    if (TForm* f = OwnerForm(); f && f != this) f->UpdateAutoSize();
    if (changed) {
        Perform(CM_VISIBLECHANGED, v);
        Perform(CM_SHOWINGCHANGED);
    }
}

bool TControl::Showing() const {
    for (const TControl* c = this; c; c = c->parent_)
        if (!c->visible_) return false;
    return true;
}

void TControl::SetEnabled(bool v) {
    bool changed = v != enabled_;
    enabled_ = v;
    if (hwnd_.Raw()) EnableWindow(hwnd_.Raw(), v);
    if (changed) Perform(CM_ENABLEDCHANGED);
}

std::string TControl::KeptText() const { return pending_ ? pending_->text : std::string{}; }

std::string TControl::Text() const {
    if (pending_) return KeptText();
    if (!hwnd_.Raw()) return {};
    int n = GetWindowTextLengthW(hwnd_);
    std::wstring w(n + 1, L'\0');
    n = GetWindowTextW(hwnd_, w.data(), n + 1);
    w.resize(n);
    return Narrow(w);
}

void TControl::SetText(const std::string& s) {
    if (pending_) {
        const bool edit = pending_->cls == L"EDIT";
        std::string kept = s;
        if (edit && (pending_->style & ES_UPPERCASE)) {
            // An upper-case edit turns every text it is given into capitals.
            std::wstring w = Widen(s);
            CharUpperBuffW(w.data(), static_cast<DWORD>(w.size()));
            kept = Narrow(w);
        }
        if (KeptText() == s) return;
        pending_->text = kept;
        Perform(CM_TEXTCHANGED);
        // An edit tells its parent of every new text; its handler hears it as it would then.
        if (edit) HandleCommand(EN_CHANGE, 0);
        return;
    }
    if (!hwnd_ || Text() == s) return;
    SetWindowTextW(hwnd_, Widen(s).c_str());
    Perform(CM_TEXTCHANGED);
}

void TControl::SetHint(const std::string& h) {
    hint_ = h;
    RegisterTool();
}

void TControl::RegisterTool() {
    if (toolRegistered_ || !hwnd_.Raw() || hint_.empty() || !parent_) return;
    TOOLINFOW ti{};
    ti.cbSize = sizeof(ti);
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = parent_->Handle();
    ti.uId = reinterpret_cast<UINT_PTR>(static_cast<HWND>(hwnd_));
    ti.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(Application.TooltipWindow(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    toolRegistered_ = true;
}

void TControl::SetFont(const TFont& f) {
    // The windows' language handlers give most controls the font they have already; under Wine
    // a window's font change is a dozen round trips to the Wine server (the window has font_
    // from its creation on, so an equal font changes nothing).
    if (f == font_ && (hwnd_.Raw() || pending_)) return;
    font_ = f;
    if (hwnd_.Raw()) SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Handle()), TRUE);
    Perform(CM_FONTCHANGED);
    if (auto* w = dynamic_cast<TWinControl*>(this)) {
        for (TControl* c : w->Children()) c->Perform(CM_PARENTFONTCHANGED);
    }
}

void TControl::SetFontName(const std::string& name) {
    TFont f = font_;
    f.Name = name;
    SetFont(f);
}

void TControl::BringToFront() {
    if (pending_) {
        // Raised once its form's windows are made, in the order the raises were asked for.
        pendingIn_->pendingRaises_.push_back(this);
        return;
    }
    if (hwnd_) SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TControl::SetFocus() {
    if (hwnd_) ::SetFocus(hwnd_);
}

void TControl::Invalidate() {
    if (hwnd_.Raw()) InvalidateRect(hwnd_.Raw(), nullptr, TRUE);
}

void TControl::Click() {
    if (OnClick) OnClick(this);
}

LRESULT TControl::Perform(UINT msg, WPARAM wp, LPARAM lp) {
    // The toolkit's own notifications reach a control whose window waits without making it:
    // its own window procedure hears them directly, a system control has nothing to hear.
    if (pending_ && msg >= CM_BASE && msg < CM_BASE + 0x100)
        return pending_->own ? static_cast<TWinControl*>(this)->WndProc(msg, wp, lp) : 0;
    return hwnd_ ? SendMessageW(hwnd_, msg, wp, lp) : 0;
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_ || parent == this) return;
    if (parent_) parent_->RemoveChild(this);
    parent_ = parent;
    if (parent_) parent_->AddChild(this);
    if (hwnd_) ::SetParent(hwnd_, parent_ ? parent_->Handle() : nullptr);
    if (parent_ && align_ != TAlign::alNone) parent_->AlignControls();
}

void TControl::SetAlign(TAlign a) {
    if (a == align_) return;
    align_ = a;
    if (parent_) parent_->AlignControls();
}

int TControl::TabOrder() const {
    if (!parent_) return -1;
    const auto& list = parent_->Children();
    return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TControl::SetTabOrder(int order) {
    if (!parent_) return;
    auto& list = parent_->children_;
    auto it = std::find(list.begin(), list.end(), this);
    if (it == list.end()) return;
    list.erase(it);
    order = std::clamp(order, 0, static_cast<int>(list.size()));
    list.insert(list.begin() + order, this);
}

// ---- TWinControl

TWinControl::TWinControl(TWinControl* parent) : TControl(parent) {}

TWinControl::~TWinControl() {
    destroying_ = true;
    // Children go first, last made first, while this window still exists.
    while (!children_.empty()) delete children_.back();
    if (brush_) DeleteObject(brush_);
}

void TWinControl::AddChild(TControl* c) {
    Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(c), 1);
    children_.push_back(c);
    Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(c), 1);
}

void TWinControl::RemoveChild(TControl* c) {
    // A container being destroyed is told nothing more about its children going.
    if (!destroying_) Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(c), 0);
    children_.erase(std::remove(children_.begin(), children_.end(), c), children_.end());
    if (!destroying_) Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(c), 0);
}

void TWinControl::Loaded() {
    for (TControl* c : std::vector<TControl*>(children_)) c->Loaded();
}

void TWinControl::AlignControls() {
    RECT r{};
    if (pending_) {
        // The client area the window will have: its size less the frame its styles give it.
        RECT frame{};
        AdjustWindowRectEx(&frame, pending_->style, FALSE, pending_->exStyle);
        r.right = std::max(0L, width_ - (frame.right - frame.left));
        r.bottom = std::max(0L, height_ - (frame.bottom - frame.top));
    } else {
        if (!hwnd_.Raw()) return;
        GetClientRect(hwnd_.Raw(), &r);
    }
    auto place = [&](TAlign which) {
        for (TControl* c : children_) {
            if (c->Align() != which || !c->Visible()) continue;
            switch (which) {
            case TAlign::alTop:
                c->SetBounds(r.left, r.top, r.right - r.left, c->Height());
                r.top += c->Height();
                break;
            case TAlign::alBottom:
                c->SetBounds(r.left, r.bottom - c->Height(), r.right - r.left, c->Height());
                r.bottom -= c->Height();
                break;
            case TAlign::alLeft:
                c->SetBounds(r.left, r.top, c->Width(), r.bottom - r.top);
                r.left += c->Width();
                break;
            case TAlign::alRight:
                c->SetBounds(r.right - c->Width(), r.top, c->Width(), r.bottom - r.top);
                r.right -= c->Width();
                break;
            case TAlign::alClient:
                c->SetBounds(r.left, r.top, std::max(0L, r.right - r.left), std::max(0L, r.bottom - r.top));
                break;
            default:
                break;
            }
        }
    };
    place(TAlign::alTop);
    place(TAlign::alBottom);
    place(TAlign::alLeft);
    place(TAlign::alRight);
    place(TAlign::alClient);
}

namespace {
// The controls that take the focus by Tab, in order: visible and enabled tab stops, and the
// stops inside visible and enabled containers.
void CollectTabStops(const TWinControl* w, std::vector<TControl*>& out) {
    for (TControl* c : w->Children()) {
        HWND h = c->Handle();
        if (!h || !IsWindowVisible(h) || !IsWindowEnabled(h)) continue;
        if (GetWindowLongW(h, GWL_STYLE) & WS_TABSTOP) {
            out.push_back(c);
        } else if (auto* sub = dynamic_cast<const TWinControl*>(c)) {
            CollectTabStops(sub, out);
        }
    }
}
}  // namespace

TControl* TWinControl::FindNextControl(TControl* current, bool forward) const {
    std::vector<TControl*> stops;
    CollectTabStops(this, stops);
    if (stops.empty()) return nullptr;
    auto it = std::find(stops.begin(), stops.end(), current);
    if (it == stops.end()) return forward ? stops.front() : stops.back();
    auto i = it - stops.begin();
    auto n = static_cast<std::ptrdiff_t>(stops.size());
    return stops[static_cast<size_t>((i + (forward ? 1 : n - 1)) % n)];
}

bool TWinControl::SelectNext(TControl* current, bool forward) {
    TControl* next = FindNextControl(current, forward);
    if (!next) return false;
    next->SetFocus();
    if (auto* edit = next->Handle()) {
        // An edit reached by Tab shows its whole text selected, ready to be typed over.
        if (SendMessageW(edit, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageW(edit, EM_SETSEL, 0, -1);
    }
    return true;
}

TControl* TWinControl::FindControl(const std::string& name) const {
    for (TControl* c : children_) {
        if (c->Name == name) return c;
        if (auto* w = dynamic_cast<TWinControl*>(c)) {
            if (TControl* found = w->FindControl(name)) return found;
        }
    }
    return nullptr;
}

void TWinControl::SetColor(COLORREF c) {
    color_ = c;
    if (brush_) DeleteObject(brush_);
    brush_ = nullptr;
    Invalidate();
    Perform(CM_COLORCHANGED);
    for (TControl* child : children_) child->Perform(CM_PARENTCOLORCHANGED);
}

LRESULT TWinControl::PrintClient(HDC dc) {
    RECT r;
    GetClientRect(hwnd_, &r);
    FillRect(dc, &r, BackgroundBrush());
    Paint(dc);
    return 0;
}

LRESULT DefaultPrintClientHandler(TWinControl* control, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_PRINTCLIENT) return control->DefaultProc(msg, wp, lp);
    return control->PrintClient(reinterpret_cast<HDC>(wp));
}

TPrintClientHandler& PrintClientHandlerEntry() {
    static TPrintClientHandler entry = DefaultPrintClientHandler;
    return entry;
}

HBRUSH TWinControl::BackgroundBrush() const {
    if (color_ == CLR_INVALID) return GetSysColorBrush(COLOR_BTNFACE);
    if (!brush_) brush_ = CreateSolidBrush(color_);
    return brush_;
}

void TWinControl::CreateChildWindow(DWORD style, DWORD exStyle, const std::string& text) {
    if (DeferringContainer()) {
        Defer({{}, style, exStyle, true, false, text});
        return;
    }
    CreateOwnWindow(style, exStyle, parent_ ? parent_->Handle() : nullptr, text);
}

void TWinControl::MakePendingWindows(const TControl* within, bool all) {
    std::vector<TControl*> list = std::move(pendingWindows_);
    pendingWindows_.clear();
    std::vector<TControl*> waiting;
    for (TControl* c : list) {
        bool inside = !within;
        for (const TControl* a = c->parent_; a && !inside; a = a->parent_) inside = a == within;
        if (all || (inside && !c->InsideHiddenContainer()))
            c->MakePendingWindow();
        else
            waiting.push_back(c);
    }
    // Made while the others were (a parent is made before its children) or still waiting.
    for (TControl* c : waiting)
        if (c->pending_) pendingWindows_.push_back(c);
    std::vector<TControl*> raises = std::move(pendingRaises_);
    pendingRaises_.clear();
    for (TControl* c : raises) c->BringToFront();
}

void TWinControl::CreateOwnWindow(DWORD style, DWORD exStyle, HWND parent, const std::string& text) {
    HWND h = CreateWindowExW(exStyle, kWindowClass, Widen(text).c_str(), style, left_, top_, width_, height_,
                             parent, nullptr, GetModuleHandleW(nullptr), this);
    if (!h) throw std::runtime_error("Cannot create window");
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Handle()), FALSE);
}

LRESULT TWinControl::DefaultProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (!hwnd_.Raw()) return 0;
    return DefWindowProcW(hwnd_.Raw(), msg, wp, lp);
}

LRESULT TWinControl::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        if (lp) {
            if (TControl* c = FromHandle(reinterpret_cast<HWND>(lp))) {
                if (c->HandleCommand(HIWORD(wp), LOWORD(wp))) return 0;
            }
        }
        break;
    case WM_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(lp);
        LRESULT result = 0;
        if (hdr->code == TTN_GETDISPINFOW) {
            auto* di = reinterpret_cast<NMTTDISPINFOW*>(lp);
            static std::wstring text;
            text.clear();
            TControl* c = nullptr;
            POINT pt{};
            GetCursorPos(&pt);
            if (di->uFlags & TTF_IDISHWND) {
                c = FromHandle(reinterpret_cast<HWND>(hdr->idFrom));
                if (c) {
                    ScreenToClient(c->Handle(), &pt);
                    std::string h = GetShortHint(c->Hint());
                    bool canShow = Application.ShowHint;
                    THintInfo info{c, pt};
                    // The control may refuse the hint or give it a colour of its own.
                    if (c->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)) != 0) canShow = false;
                    if (Application.OnShowHint) Application.OnShowHint(h, canShow, info);
                    if (canShow) text = Widen(h);
                    if (info.HintColor != CLR_INVALID)
                        SendMessageW(hdr->hwndFrom, TTM_SETTIPBKCOLOR, info.HintColor, 0);
                }
            } else if (TControl* bar = CommandTarget(hdr->idFrom)) {
                // A tool-bar button: the tool bar answers for its own command ids.
                if (bar->HandleNotify(hdr, result)) return result;
            }
            di->lpszText = text.data();
            return 0;
        }
        if (TControl* c = FromHandle(hdr->hwndFrom)) {
            if (c->HandleNotify(hdr, result)) return result;
        }
        break;
    }
    case WM_DRAWITEM: {
        auto* di = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
        if (TControl* c = FromHandle(di->hwndItem)) {
            if (c->HandleDrawItem(di)) return TRUE;
        }
        break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        HWND child = reinterpret_cast<HWND>(lp);
        auto* dc = reinterpret_cast<HDC>(wp);
        TControl* c = FromHandle(child);
        if (c) {
            if (HBRUSH b = c->BackgroundBrush(); b && !dynamic_cast<TWinControl*>(c)) {
                SetBkMode(dc, TRANSPARENT);
                return reinterpret_cast<LRESULT>(b);
            }
        }
        // Read-only edits and the like keep the system's colours.
        break;
    }
    case WM_CTLCOLOREDIT: {
        // An edit with a colour of its own (the spin edits) draws its text on that colour.
        TControl* c = FromHandle(reinterpret_cast<HWND>(lp));
        if (HBRUSH b = c && !dynamic_cast<TWinControl*>(c) ? c->BackgroundBrush() : nullptr) {
            LOGBRUSH lb{};
            GetObjectW(b, sizeof lb, &lb);
            SetBkColor(reinterpret_cast<HDC>(wp), lb.lbColor);
            return reinterpret_cast<LRESULT>(b);
        }
        break;
    }
    case WM_ERASEBKGND: {
        RECT r;
        GetClientRect(hwnd_, &r);
        FillRect(reinterpret_cast<HDC>(wp), &r, BackgroundBrush());
        return 1;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd_, &ps);
        Paint(dc);
        EndPaint(hwnd_, &ps);
        return 0;
    }
    case WM_PRINTCLIENT:
        return PrintClientHandlerEntry()(this, msg, wp, lp);
    case CM_HITTEST:
        return 1;  // a control is hit anywhere in its bounds
    case WM_SIZE:
        AlignControls();
        break;
    default:
        break;
    }
    return DefaultProc(msg, wp, lp);
}

// ---- TForm

bool TForm::DeferContents = false;

TForm::TForm() : TWinControl(nullptr) {
    deferContents_ = DeferContents;
    DeferContents = false;
    visible_ = false;
    width_ = 400;
    height_ = 300;
    font_.Name = "Arial";
    font_.Size = 10;
    CreateOwnWindow(WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN, 0, nullptr, "");
}

TForm::~TForm() {
    Application.RemoveForm(this);
}

void TForm::DoCreate() {
    if (OnCreate) OnCreate(this);
}

void TForm::Free() {
    if (destroyed_) return;
    destroyed_ = true;
    try {
        if (OnDestroy) OnDestroy(this);
    } catch (...) {
        Application.HandleCurrentException();
    }
    delete this;
}

void TForm::SetVisible(bool v) {
    bool changed = v != visible_;
    visible_ = v;
    if (!hwnd_) return;
    if (v) {
        MakePendingWindows(nullptr, false);
        deferContents_ = false;
        UpdateAutoSize();
        ShowWindow(hwnd_, SW_SHOW);
    } else {
        ShowWindow(hwnd_, SW_HIDE);
    }
    if (changed) {
        Perform(CM_VISIBLECHANGED, v);
        Perform(CM_SHOWINGCHANGED);
    }
}

namespace {
// The toolkit control of a window, or of its nearest parent that is one.
TControl* ControlOf(HWND h) {
    for (; h; h = GetParent(h)) {
        if (TControl* c = TControl::FromHandle(h)) return c;
    }
    return nullptr;
}

template <class F>
void ForEachControl(TControl* c, F&& f) {
    f(c);
    if (auto* w = dynamic_cast<TWinControl*>(c)) {
        for (TControl* child : std::vector<TControl*>(w->Children())) ForEachControl(child, f);
    }
}
}  // namespace

bool TForm::DialogKey(WPARAM key) {
    TControl* focus = ControlOf(GetFocus());
    if (focus && focus->OwnerForm() != this) focus = nullptr;
    if (key == VK_TAB) return SelectNext(focus == this ? nullptr : focus, GetKeyState(VK_SHIFT) >= 0);
    if (key != VK_RETURN && key != VK_ESCAPE) return false;
    auto usable = [](TControl* c) {
        return c->Handle() && IsWindowVisible(c->Handle()) && IsWindowEnabled(c->Handle());
    };
    if (key == VK_RETURN) {
        if (auto* b = dynamic_cast<TButton*>(focus); b && usable(b)) {
            b->Click();
            return true;
        }
    }
    TButton* target = nullptr;
    ForEachControl(this, [&](TControl* c) {
        auto* b = dynamic_cast<TButton*>(c);
        if (!target && b && usable(b) && (key == VK_RETURN ? b->Default() : b->Cancel())) target = b;
    });
    if (!target) return false;
    target->Click();
    return true;
}

void TForm::SetAutoSize(bool a) {
    autoSize_ = a;
    UpdateAutoSize();
}

void TForm::SetClientSize(int w, int h) {
    RECT r{0, 0, w, h};
    AdjustWindowRectEx(&r, GetWindowLongW(hwnd_, GWL_STYLE), FALSE, GetWindowLongW(hwnd_, GWL_EXSTYLE));
    SetBounds(left_, top_, r.right - r.left, r.bottom - r.top);
}

void TForm::UpdateAutoSize() {
    if (!autoSize_ || !hwnd_) return;
    int bottom = 0;
    for (TControl* c : children_) {
        if (c->Visible()) bottom = std::max(bottom, c->Top() + c->Height());
    }
    RECT r{0, 0, 100, bottom};
    AdjustWindowRectEx(&r, GetWindowLongW(hwnd_, GWL_STYLE), FALSE, GetWindowLongW(hwnd_, GWL_EXSTYLE));
    int h = r.bottom - r.top;
    if (h != height_) {
        height_ = h;
        SetWindowPos(hwnd_, nullptr, 0, 0, width_, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void TForm::Close() {
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    if (!canClose) return;
    TCloseAction action = TCloseAction::caHide;
    if (OnClose) OnClose(this, action);
    if (action == TCloseAction::caNone) return;
    if (this == Application.MainForm) {
        Application.Terminate();
        return;
    }
    if (inModal_) {
        if (modalResult_ == TModalResult::mrNone) modalResult_ = TModalResult::mrCancel;
        return;
    }
    if (action == TCloseAction::caMinimize) {
        ShowWindow(hwnd_, SW_MINIMIZE);
    } else {
        Hide();
        if (action == TCloseAction::caFree) Free();
    }
}

TModalResult TForm::ShowModal() {
    std::vector<HWND> disabled;
    for (TForm* f : Application.Forms()) {
        if (f != this && IsWindowEnabled(f->Handle())) {
            EnableWindow(f->Handle(), FALSE);
            disabled.push_back(f->Handle());
        }
    }
    inModal_ = true;
    modalResult_ = TModalResult::mrNone;
    Show();
    SetForegroundWindow(hwnd_);
    while (modalResult_ == TModalResult::mrNone && !Application.Terminated()) {
        WaitMessage();
        Application.ProcessMessages();
    }
    inModal_ = false;
    for (HWND h : disabled) EnableWindow(h, TRUE);
    Hide();
    return modalResult_;
}

void TForm::SetDialogBorder() {
    SetFixedSize(true);
    SetWindowLongW(hwnd_, GWL_STYLE, GetWindowLongW(hwnd_, GWL_STYLE) & ~(WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    SetWindowLongW(hwnd_, GWL_EXSTYLE, GetWindowLongW(hwnd_, GWL_EXSTYLE) | WS_EX_DLGMODALFRAME);
    SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

namespace {
BOOL CALLBACK ForwardSysColorChange(HWND child, LPARAM) {
    SendMessageW(child, WM_SYSCOLORCHANGE, 0, 0);
    return TRUE;
}
}  // namespace

LRESULT TForm::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_SYSCOLORCHANGE:
        // Only top-level windows are told; controls that cache faces in system colours
        // (spin buttons, common controls) need to hear it too.
        EnumChildWindows(hwnd_, ForwardSysColorChange, 0);
        break;
    case CM_DIALOGKEY:
        return DialogKey(wp) ? 1 : 0;
    case WM_CLOSE:
        Close();
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wp) != WA_INACTIVE && OnActivate) OnActivate(this);
        break;
    case WM_GETMINMAXINFO:
        if (fixedSize_) {
            auto* mm = reinterpret_cast<MINMAXINFO*>(lp);
            mm->ptMinTrackSize.x = mm->ptMaxTrackSize.x = width_;
        }
        break;
    case WM_MOVE:
    case WM_SIZE: {
        RECT r;
        GetWindowRect(hwnd_, &r);
        left_ = r.left;
        top_ = r.top;
        width_ = r.right - r.left;
        height_ = r.bottom - r.top;
        break;
    }
    default:
        break;
    }
    return TWinControl::WndProc(msg, wp, lp);
}

// ---- TApplication

void TApplication::Initialize() { InitToolkit(); }

void TApplication::AddForm(TForm* f) {
    forms_.push_back(f);
    if (!MainForm) MainForm = f;
}

void TApplication::RemoveForm(TForm* f) {
    forms_.erase(std::remove(forms_.begin(), forms_.end(), f), forms_.end());
    if (MainForm == f) MainForm = nullptr;
}

bool TApplication::PreTranslate(MSG& msg) {
    if (msg.message == WM_MOUSEMOVE) {
        POINT pt{static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam))};
        ClientToScreen(msg.hwnd, &pt);
        MouseMovedOver(msg.hwnd, pt);
        if (msg.hwnd != mouseWnd_) {
            // The mouse has moved onto another window: the one it left hears of it first.
            HWND old = mouseWnd_;
            mouseWnd_ = msg.hwnd;
            if (old && IsWindow(old)) SendMessageW(old, CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(TControl::FromHandle(old)));
            TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, msg.hwnd, 0};
            TrackMouseEvent(&tme);
            SendMessageW(msg.hwnd, CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(TControl::FromHandle(msg.hwnd)));
        }
    } else if (msg.message == WM_MOUSELEAVE && msg.hwnd == mouseWnd_) {
        mouseWnd_ = nullptr;
        SendMessageW(msg.hwnd, CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(TControl::FromHandle(msg.hwnd)));
    } else if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
        HWND root = GetAncestor(msg.hwnd, GA_ROOT);
        auto* form = dynamic_cast<TForm*>(TControl::FromHandle(root));
        if (form && form->KeyPreview && form->OnKeyDown) {
            form->OnKeyDown(form, msg.wParam);
            if (msg.wParam == 0) return true;
        }
    }
    if (msg.message == WM_KEYDOWN &&
        (msg.wParam == VK_TAB || msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE) &&
        GetKeyState(VK_MENU) >= 0 && GetKeyState(VK_CONTROL) >= 0) {
        // A dialog key goes to the form unless the focused control wants it for itself
        // (a multi-line edit keeps Enter, a control that asks for every key keeps them all).
        LRESULT code = SendMessageW(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg));
        bool wanted = (code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)) || (msg.wParam == VK_TAB && (code & DLGC_WANTTAB));
        if (!wanted) {
            HWND root = GetAncestor(msg.hwnd, GA_ROOT);
            if (auto* form = dynamic_cast<TForm*>(TControl::FromHandle(root))) {
                if (form->Perform(CM_DIALOGKEY, msg.wParam, msg.lParam)) return true;
            }
        }
    }
    return false;
}

void TApplication::CheckFocusChange() {
    HWND focus = GetFocus();
    if (focus == lastFocus_) return;
    lastFocus_ = focus;
    TControl* c = ControlOf(focus);
    TForm* form = c ? c->OwnerForm() : nullptr;
    if (!form) return;
    ForEachControl(form, [&](TControl* each) { each->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(c)); });
}

bool TApplication::ProcessMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            terminated_ = true;
            return false;
        }
        if (!PreTranslate(msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        CheckFocusChange();
    }
    CheckFocusChange();
    return !terminated_;
}

void TApplication::Run() {
    if (MainForm) MainForm->Show();
    MSG msg;
    while (!terminated_ && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!PreTranslate(msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        CheckFocusChange();
    }
    terminated_ = true;
    DestroyForms();
}

void TApplication::Terminate() {
    if (!terminated_) PostQuitMessage(0);
    terminated_ = true;
}

void TApplication::ClearTerminated() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    terminated_ = false;
}

void TApplication::DestroyForms() {
    while (!forms_.empty()) forms_.back()->Free();
}

void TApplication::HandleException(const std::exception& e) {
    try {
        if (OnException) {
            OnException(e);
        } else {
            ShowException(e);
        }
    } catch (...) {
        // The display itself must not take the program down.
    }
}

void TApplication::HandleCurrentException() {
    try {
        throw;
    } catch (const std::exception& e) {
        HandleException(e);
    } catch (...) {
        HandleException(std::runtime_error("Unknown error"));
    }
}

void TApplication::ShowException(const std::exception& e) {
    HWND owner = MainForm ? MainForm->Handle() : nullptr;
    // The box is as wide as its longest line: a long path must not push it off the screen.
    MessageBoxW(owner, Widen(FitMessageText(e.what())).c_str(), Widen(Title).c_str(), MB_OK | MB_ICONERROR);
}

void TApplication::SetHint(const std::string& h) {
    if (h == hint_) return;
    hint_ = h;
    if (OnHint) OnHint();
}

void TApplication::MouseMovedOver(HWND hwnd, POINT screenPt) {
    // The hint of the control under the mouse, or of its nearest parent that has one.
    for (HWND h = hwnd; h; h = GetParent(h)) {
        TControl* c = TControl::FromHandle(h);
        if (!c) continue;
        POINT pt = screenPt;
        ScreenToClient(h, &pt);
        std::string hint = c->HintAt(pt);
        if (!hint.empty()) {
            SetHint(GetLongHint(hint));
            return;
        }
        if (dynamic_cast<TForm*>(c)) break;
    }
    SetHint("");
}

HWND TApplication::TooltipWindow() {
    if (!tooltip_) {
        InitToolkit();
        tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    }
    return tooltip_;
}

HWND TApplication::UtilityWindow() {
    if (!util_) {
        InitToolkit();
        util_ = CreateWindowExW(0, L"TalvikUtility", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    }
    return util_;
}

// ---- TTimer

TTimer::TTimer() {
    static UINT_PTR next = 1;
    id_ = next++;
    Timers()[id_] = this;
    Update();
}

TTimer::~TTimer() {
    if (running_) KillTimer(Application.UtilityWindow(), id_);
    Timers().erase(id_);
}

void TTimer::SetInterval(unsigned ms) {
    interval_ = ms;
    Update();
}

void TTimer::SetEnabled(bool e) {
    enabled_ = e;
    Update();
}

void TTimer::Update() {
    if (running_) KillTimer(Application.UtilityWindow(), id_);
    running_ = false;
    if (enabled_ && interval_ > 0) {
        SetTimer(Application.UtilityWindow(), id_, interval_, nullptr);
        running_ = true;
    }
}

void TTimer::Tick() {
    if (OnTimer) OnTimer(this);
}

}  // namespace talvik

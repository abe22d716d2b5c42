// The everyday controls over the system's button, static, edit, combo box, up-down and
// progress classes.
#include "toolkit/stdctrls.h"

#include <algorithm>
#include <string>

namespace talvik {

// ---- TImageList

TImageList::TImageList(int width, int height)
    : list_(ImageList_Create(width, height, ILC_COLOR24 | ILC_MASK, 16, 8)), width_(width), height_(height) {}

TImageList::~TImageList() { ImageList_Destroy(list_); }

int TImageList::Count() const { return ImageList_GetImageCount(list_); }

int TImageList::Add(HBITMAP bmp, COLORREF transparent) { return ImageList_AddMasked(list_, bmp, transparent); }

void TImageList::Draw(HDC dc, int x, int y, int index, bool enabled) const {
    if (enabled) {
        ImageList_Draw(list_, index, dc, x, y, ILD_TRANSPARENT);
    } else {
        IMAGELISTDRAWPARAMS p{};
        p.cbSize = sizeof(p);
        p.himl = list_;
        p.i = index;
        p.hdcDst = dc;
        p.x = x;
        p.y = y;
        p.rgbBk = CLR_NONE;
        p.rgbFg = CLR_DEFAULT;
        p.fStyle = ILD_TRANSPARENT | ILD_BLEND50;
        ImageList_DrawIndirect(&p);
    }
}

namespace {
HBRUSH ParentBrush(const TControl* c) { return c->Parent() ? c->Parent()->BackgroundBrush() : nullptr; }
}  // namespace

// ---- TImage

TImage::TImage(TWinControl* parent) : TWinControl(parent) {
    width_ = 39;
    height_ = 33;
    CreateChildWindow(WS_CHILD | WS_CLIPSIBLINGS | (visible_ ? WS_VISIBLE : 0));
}

void TImage::SetImage(const TImageList* list, int index) {
    list_ = list;
    index_ = index;
    Invalidate();
}

void TImage::SetEnabled(bool v) {
    enabled_ = v;
    Invalidate();
}

void TImage::Paint(HDC dc) {
    if (!list_ || index_ < 0) return;
    list_->Draw(dc, (width_ - list_->Width()) / 2, (height_ - list_->Height()) / 2, index_, enabled_);
}

HBRUSH TImage::BackgroundBrush() const { return parent_ ? parent_->BackgroundBrush() : TWinControl::BackgroundBrush(); }

// ---- TLabel

TLabel::TLabel(TWinControl* parent, const std::string& caption) : TControl(parent) {
    height_ = 17;
    CreateHandle(L"STATIC", SS_LEFT | SS_NOPREFIX, 0, caption);
}

void TLabel::SetAlignment(Align a) {
    WhenMade([a](HWND h) {
        LONG style = GetWindowLongW(h, GWL_STYLE) & ~(SS_LEFT | SS_CENTER | SS_RIGHT);
        style |= a == Align::Center ? SS_CENTER : a == Align::Right ? SS_RIGHT : SS_LEFT;
        SetWindowLongW(h, GWL_STYLE, style);
        InvalidateRect(h, nullptr, TRUE);
    });
}

HBRUSH TLabel::BackgroundBrush() const { return ParentBrush(this); }

// ---- TButton

TButton::TButton(TWinControl* parent, const std::string& caption) : TButton(parent, BS_PUSHBUTTON, caption) {}

TButton::TButton(TWinControl* parent, DWORD style, const std::string& caption) : TControl(parent) {
    CreateHandle(L"BUTTON", style | WS_TABSTOP, 0, caption);
}

void TButton::SetDefault(bool d) {
    default_ = d;
    // A system push button shows itself as the default one; a button the toolkit draws keeps
    // its style.
    WhenMade([d](HWND h) {
        LONG style = GetWindowLongW(h, GWL_STYLE);
        if ((style & BS_TYPEMASK) == BS_PUSHBUTTON || (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            SendMessageW(h, BM_SETSTYLE, (style & ~BS_TYPEMASK) | (d ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), TRUE);
    });
}

bool TButton::HandleCommand(WORD code, WORD) {
    if (code != BN_CLICKED) return false;
    Click();
    return true;
}

void TButton::Click() {
    if (ModalResult != TModalResult::mrNone) {
        if (TForm* f = OwnerForm()) f->SetModalResult(ModalResult);
    }
    TControl::Click();
}

// ---- TBitBtn

TBitBtn::TBitBtn(TWinControl* parent, const std::string& caption) : TButton(parent, BS_OWNERDRAW, caption) {}

void TBitBtn::SetGlyph(const TImageList* list, int index) {
    glyphs_ = list;
    glyphIndex_ = index;
    Invalidate();
}

bool TBitBtn::HandleDrawItem(DRAWITEMSTRUCT* di) {
    HDC dc = di->hDC;
    RECT r = di->rcItem;
    bool pressed = (di->itemState & ODS_SELECTED) || down_;
    bool enabled = !(di->itemState & ODS_DISABLED);
    FillRect(dc, &r, ParentBrush(this) ? ParentBrush(this) : GetSysColorBrush(COLOR_BTNFACE));
    if (flat_) {
        if (pressed) DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
    } else {
        DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
    }
    std::wstring text = Widen(Text());
    int off = pressed ? 1 : 0;
    SIZE ts{0, 0};
    HFONT old = static_cast<HFONT>(SelectObject(dc, font_.Handle()));
    if (!text.empty()) GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &ts);
    int gw = glyphs_ && glyphIndex_ >= 0 ? glyphs_->Width() : 0;
    int gh = glyphs_ && glyphIndex_ >= 0 ? glyphs_->Height() : 0;
    int gap = gw && ts.cx ? 4 : 0;
    int total = gw + gap + ts.cx;
    int x = r.left + (r.right - r.left - total) / 2 + off;
    if (gw) glyphs_->Draw(dc, x, r.top + (r.bottom - r.top - gh) / 2 + off, glyphIndex_, enabled);
    if (!text.empty()) {
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
        RECT tr{x + gw + gap, r.top + off, r.right, r.bottom + off};
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &tr, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    }
    SelectObject(dc, old);
    if (di->itemState & ODS_FOCUS && !flat_) {
        RECT fr = r;
        InflateRect(&fr, -4, -4);
        DrawFocusRect(dc, &fr);
    }
    return true;
}

TSpeedButton::TSpeedButton(TWinControl* parent, const std::string& caption) : TBitBtn(parent, caption) {
    flat_ = true;
}

// ---- TCheckBox

TCheckBox::TCheckBox(TWinControl* parent, const std::string& caption) : TControl(parent) {
    height_ = 17;
    CreateHandle(L"BUTTON", BS_CHECKBOX | WS_TABSTOP, 0, caption);
}

void TCheckBox::SetChecked(bool c) {
    if (c == checked_) return;
    checked_ = c;
    WhenMade([c](HWND h) { SendMessageW(h, BM_SETCHECK, c ? BST_CHECKED : BST_UNCHECKED, 0); });
    Click();
}

bool TCheckBox::HandleCommand(WORD code, WORD) {
    if (code != BN_CLICKED) return false;
    SetChecked(!checked_);
    return true;
}

HBRUSH TCheckBox::BackgroundBrush() const { return ParentBrush(this); }

// ---- TRadioButton

TRadioButton::TRadioButton(TWinControl* parent, const std::string& caption) : TControl(parent) {
    height_ = 17;
    CreateHandle(L"BUTTON", BS_RADIOBUTTON | WS_TABSTOP, 0, caption);
}

void TRadioButton::Apply(bool c) {
    checked_ = c;
    WhenMade([c](HWND h) { SendMessageW(h, BM_SETCHECK, c ? BST_CHECKED : BST_UNCHECKED, 0); });
}

void TRadioButton::SetChecked(bool c) {
    if (c == checked_) return;
    Apply(c);
    if (!c) return;
    for (TControl* sib : parent_->Children()) {
        if (auto* rb = dynamic_cast<TRadioButton*>(sib); rb && rb != this && rb->checked_) rb->Apply(false);
    }
    Click();
}

bool TRadioButton::HandleCommand(WORD code, WORD) {
    if (code != BN_CLICKED) return false;
    SetChecked(true);
    return true;
}

HBRUSH TRadioButton::BackgroundBrush() const { return ParentBrush(this); }

// ---- TPanel, TGroupBox, TRadioGroup

TPanel::TPanel(TWinControl* parent) : TWinControl(parent) {
    width_ = 185;
    height_ = 41;
    CreateChildWindow(WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | (visible_ ? WS_VISIBLE : 0));
}

void TPanel::Paint(HDC dc) {
    RECT r;
    GetClientRect(hwnd_, &r);
    if (Bevel) DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
    std::wstring t = Widen(Text());
    if (!t.empty()) {
        HFONT old = static_cast<HFONT>(SelectObject(dc, font_.Handle()));
        SetBkMode(dc, TRANSPARENT);
        DrawTextW(dc, t.c_str(), static_cast<int>(t.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        SelectObject(dc, old);
    }
}

TGroupBox::TGroupBox(TWinControl* parent, const std::string& caption) : TWinControl(parent) {
    width_ = 185;
    height_ = 105;
    CreateChildWindow(WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | (visible_ ? WS_VISIBLE : 0), 0, caption);
}

void TGroupBox::Paint(HDC dc) {
    RECT r;
    GetClientRect(hwnd_, &r);
    HFONT old = static_cast<HFONT>(SelectObject(dc, font_.Handle()));
    TEXTMETRICW tm;
    GetTextMetricsW(dc, &tm);
    RECT frame = r;
    frame.top += tm.tmHeight / 2;
    DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    std::wstring t = Widen(Text());
    if (!t.empty()) {
        SetBkMode(dc, OPAQUE);
        SetBkColor(dc, color_ == CLR_INVALID ? GetSysColor(COLOR_BTNFACE) : color_);
        TextOutW(dc, 8, 0, t.c_str(), static_cast<int>(t.size()));
    }
    SelectObject(dc, old);
}

TRadioGroup::TRadioGroup(TWinControl* parent, const std::string& caption) : TGroupBox(parent, caption) {}

void TRadioGroup::SetItems(const std::vector<std::string>& items) {
    for (TRadioButton* b : buttons_) delete b;
    buttons_.clear();
    for (const std::string& s : items) {
        auto* b = new TRadioButton(this, s);
        b->OnClick = [this](TControl*) {
            if (!setting_) Click();
        };
        buttons_.push_back(b);
    }
    Arrange();
}

void TRadioGroup::Arrange() {
    if (buttons_.empty()) return;
    int top = 18;
    int step = std::max(18, (height_ - top - 4) / static_cast<int>(buttons_.size()));
    for (size_t i = 0; i < buttons_.size(); ++i)
        buttons_[i]->SetBounds(8, top + static_cast<int>(i) * step, width_ - 16, 17);
}

int TRadioGroup::ItemIndex() const {
    for (size_t i = 0; i < buttons_.size(); ++i)
        if (buttons_[i]->Checked()) return static_cast<int>(i);
    return -1;
}

void TRadioGroup::SetItemIndex(int i) {
    setting_ = true;
    if (i >= 0 && i < Count()) {
        buttons_[i]->SetChecked(true);
    } else {
        for (TRadioButton* b : buttons_) b->SetChecked(false);
    }
    setting_ = false;
}

// ---- TEdit, TMaskEdit, TMemo

TEdit::TEdit(TWinControl* parent, const std::string& text) : TEdit(parent, ES_AUTOHSCROLL, text) {}

TEdit::TEdit(TWinControl* parent, DWORD style, const std::string& text) : TControl(parent) {
    width_ = 121;
    height_ = 21;
    CreateHandle(L"EDIT", style | WS_TABSTOP, WS_EX_CLIENTEDGE, text);
}

void TEdit::SetReadOnly(bool r) {
    WhenMade([r](HWND h) { SendMessageW(h, EM_SETREADONLY, r, 0); });
}

void TEdit::SetMaxLength(int n) {
    WhenMade([n](HWND h) { SendMessageW(h, EM_LIMITTEXT, n, 0); });
}

void TEdit::SetUpperCase(bool u) {
    if (SetKeptStyle(u ? ES_UPPERCASE : 0, u ? 0 : ES_UPPERCASE)) return;
    WhenMade([u](HWND h) {
        LONG style = GetWindowLongW(h, GWL_STYLE);
        SetWindowLongW(h, GWL_STYLE, u ? (style | ES_UPPERCASE) : (style & ~ES_UPPERCASE));
    });
}

bool TEdit::HandleCommand(WORD code, WORD) {
    if (code == EN_CHANGE) {
        if (OnChange) OnChange(this);
        return true;
    }
    if (code == EN_SETFOCUS) {
        if (OnEnter) OnEnter(this);
        return true;
    }
    return false;
}

TMaskEdit::TMaskEdit(TWinControl* parent, int maxDigits) : TEdit(parent, ES_AUTOHSCROLL | ES_NUMBER, ""),
                                                           maxDigits_(maxDigits) {
    SetMaxLength(maxDigits);
}

void TMaskEdit::SetMaskedText(const std::string& s) {
    std::string digits;
    for (char c : s) {
        if (c >= '0' && c <= '9' && static_cast<int>(digits.size()) < maxDigits_) digits += c;
    }
    SetText(digits);
}

TMemo::TMemo(TWinControl* parent)
    : TEdit(parent, ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL | ES_WANTRETURN, "") {
    WhenMade([](HWND h) { SendMessageW(h, EM_LIMITTEXT, 0, 0); });
}

void TMemo::Add(const std::string& line) {
    std::wstring w = Widen(line);
    int len = GetWindowTextLengthW(hwnd_);
    std::wstring piece = (len > 0 ? L"\r\n" : L"") + w;
    SendMessageW(hwnd_, EM_SETSEL, len, len);
    SendMessageW(hwnd_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(piece.c_str()));
}

void TMemo::Clear() { SetWindowTextW(hwnd_, L""); }

std::vector<std::string> TMemo::Lines() const {
    std::vector<std::string> lines;
    std::string all = Text();
    if (all.empty()) return lines;
    size_t start = 0;
    for (;;) {
        size_t nl = all.find("\r\n", start);
        if (nl == std::string::npos) {
            lines.push_back(all.substr(start));
            break;
        }
        lines.push_back(all.substr(start, nl - start));
        start = nl + 2;
    }
    return lines;
}

// ---- TComboBox

TComboBox::TComboBox(TWinControl* parent, int dropDownCount) : TControl(parent), dropDownCount_(dropDownCount) {
    width_ = 145;
    height_ = 21 + 18 * dropDownCount_;
    CreateHandle(L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP);
    WhenMade([this](HWND h) {
        for (const std::string& s : keptItems_) SendMessageW(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(s).c_str()));
        if (keptIndex_ >= 0) SendMessageW(h, CB_SETCURSEL, keptIndex_, 0);
        keptItems_.clear();
    });
}

std::string TComboBox::KeptText() const {
    return keptIndex_ >= 0 ? keptItems_[static_cast<size_t>(keptIndex_)] : std::string{};
}

void TComboBox::SetBoundsKeepDrop(int left, int top, int width, int /*height*/) {
    SetBounds(left, top, width, 21 + 18 * dropDownCount_);
}

bool TComboBox::FreeText() const { return (GetWindowLongW(hwnd_, GWL_STYLE) & 3) == CBS_DROPDOWN; }

void TComboBox::SetFreeText(bool free) {
    if (free == FreeText()) return;
    // The system fixes a combo box's style at creation: make it again with its items and text.
    std::vector<std::string> items;
    for (int i = 0; i < Count(); ++i) items.push_back(Item(i));
    int index = ItemIndex();
    std::string text = Text();
    bool hasFocus = GetFocus() == hwnd_ || IsChild(hwnd_, GetFocus());
    ReleaseHandle();
    DestroyWindow(hwnd_);
    hwnd_ = nullptr;
    CreateHandle(L"COMBOBOX", (free ? CBS_DROPDOWN | CBS_AUTOHSCROLL : CBS_DROPDOWNLIST) | WS_VSCROLL | WS_TABSTOP);
    if (!enabled_) EnableWindow(hwnd_, FALSE);
    for (const std::string& s : items) Add(s);
    if (index >= 0) {
        SetItemIndex(index);
    } else if (free) {
        SetWindowTextW(hwnd_, Widen(text).c_str());
    }
    if (hasFocus) ::SetFocus(hwnd_);
}

void TComboBox::Clear() {
    if (WindowPending()) {
        keptItems_.clear();
        keptIndex_ = -1;
        return;
    }
    SendMessageW(hwnd_, CB_RESETCONTENT, 0, 0);
}

void TComboBox::Add(const std::string& item) {
    if (WindowPending()) {
        keptItems_.push_back(item);
        return;
    }
    SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
}

int TComboBox::Count() const {
    if (WindowPending()) return static_cast<int>(keptItems_.size());
    return static_cast<int>(SendMessageW(hwnd_, CB_GETCOUNT, 0, 0));
}

std::string TComboBox::Item(int i) const {
    if (WindowPending()) return i >= 0 && i < Count() ? keptItems_[static_cast<size_t>(i)] : std::string{};
    LRESULT n = SendMessageW(hwnd_, CB_GETLBTEXTLEN, i, 0);
    if (n == CB_ERR) return {};
    std::wstring w(n + 1, L'\0');
    SendMessageW(hwnd_, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(w.data()));
    w.resize(n);
    return Narrow(w);
}

int TComboBox::ItemIndex() const {
    if (WindowPending()) return keptIndex_;
    return static_cast<int>(SendMessageW(hwnd_, CB_GETCURSEL, 0, 0));
}

void TComboBox::SetItemIndex(int i) {
    if (WindowPending()) {
        keptIndex_ = i >= 0 && i < Count() ? i : -1;
        return;
    }
    SendMessageW(hwnd_, CB_SETCURSEL, i, 0);
}

bool TComboBox::HandleCommand(WORD code, WORD) {
    if (code != CBN_SELCHANGE) return false;
    if (OnChange) OnChange(this);
    return true;
}

// ---- TUpDown

TUpDown::TUpDown(TWinControl* parent, TEdit* associate, int min, int max) : TControl(parent), min_(min), max_(max) {
    width_ = 17;
    height_ = 21;
    associate_ = associate;
    CreateHandle(UPDOWN_CLASSW, UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS);
    const bool waited = WindowPending();
    WhenMade([this, waited](HWND h) {
        SendMessageW(h, UDM_SETRANGE32, min_, max_);
        if (waited) SendMessageW(h, UDM_SETPOS32, 0, pos_);
        if (!associate_) return;
        SendMessageW(h, UDM_SETBUDDY, reinterpret_cast<WPARAM>(associate_->Handle()), 0);
        // Attaching moves both windows; made late, they keep the places the code gave them since.
        if (waited) {
            MoveWindow(associate_->Handle(), associate_->Left(), associate_->Top(), associate_->Width(),
                       associate_->Height(), TRUE);
            MoveWindow(h, left_, top_, width_, height_, TRUE);
        }
    });
}

int TUpDown::Position() const { return static_cast<int>(SendMessageW(hwnd_, UDM_GETPOS32, 0, 0)); }

void TUpDown::SetPosition(int p) {
    if (!WindowPending()) {
        SendMessageW(hwnd_, UDM_SETPOS32, 0, p);
        return;
    }
    // As the arrows do, the edit shows the position.
    pos_ = std::clamp(p, std::min(min_, max_), std::max(min_, max_));
    if (associate_) associate_->SetText(std::to_string(pos_));
}

bool TUpDown::HandleNotify(NMHDR* hdr, LRESULT& result) {
    if (hdr->code != UDN_DELTAPOS) return false;
    auto* nm = reinterpret_cast<NMUPDOWN*>(hdr);
    bool allow = true;
    Direction dir = nm->iDelta > 0 ? Direction::Up : nm->iDelta < 0 ? Direction::Down : Direction::None;
    if (OnChangingEx) OnChangingEx(this, allow, nm->iPos + nm->iDelta, dir);
    result = allow ? 0 : 1;
    return true;
}

// ---- TUpDownEdit

TUpDownEdit::TUpDownEdit(TWinControl* parent, int min, int max) : min_(min), max_(max) {
    Edit = new TEdit(parent);
    UpDown = new TUpDown(parent, Edit, min, max);
    SetValue(min);
}

int TUpDownEdit::Value() const {
    std::string t = Edit->Text();
    try {
        size_t used = 0;
        long v = std::stol(t, &used);
        return static_cast<int>(std::clamp<long>(v, min_, max_));
    } catch (...) {
        return min_;
    }
}

void TUpDownEdit::SetValue(int v) {
    v = std::clamp(v, min_, max_);
    UpDown->SetPosition(v);
    Edit->SetText(std::to_string(v));
}

void TUpDownEdit::SetBounds(int left, int top, int width, int height) {
    Edit->SetBounds(left, top, width - 17, height);
    UpDown->SetBounds(left + width - 17, top, 17, height);
}

void TUpDownEdit::SetEnabled(bool e) {
    Edit->SetEnabled(e);
    UpDown->SetEnabled(e);
}

// ---- TProgressBar

TProgressBar::TProgressBar(TWinControl* parent, int min, int max) : TControl(parent), min_(min), max_(max) {
    width_ = 150;
    height_ = 16;
    CreateHandle(PROGRESS_CLASSW, PBS_SMOOTH);
    WhenMade([this](HWND h) {
        SendMessageW(h, PBM_SETRANGE32, min_, max_);
        SendMessageW(h, PBM_SETPOS, pos_, 0);
    });
}

void TProgressBar::SetRange(int min, int max) {
    min_ = min;
    max_ = max;
    pos_ = std::clamp(pos_, min_, max_);
    if (!WindowPending()) SendMessageW(hwnd_, PBM_SETRANGE32, min, max);
}

void TProgressBar::SetPosition(int p) {
    pos_ = std::clamp(p, min_, max_);
    if (!WindowPending()) SendMessageW(hwnd_, PBM_SETPOS, pos_, 0);
}

void TProgressBar::SetBarColor(COLORREF c) {
    WhenMade([c](HWND h) { SendMessageW(h, PBM_SETBARCOLOR, 0, c); });
}

int TProgressBar::Position() const {
    return WindowPending() ? pos_ : static_cast<int>(SendMessageW(hwnd_, PBM_GETPOS, 0, 0));
}

}  // namespace talvik

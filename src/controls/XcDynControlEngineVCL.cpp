// The control wrappers and the engine that registers them.
#include "controls/XcDynControlEngineVCL.h"

#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <cmath>

#include "controls/XcDynControlEngineTools.h"

namespace talvik {

TUnitVersionRegistration XcDynControlEngineVCLUnit(MakeUnitVersion("XcDynControlEngineVCL.cpp", "XCL\\run"));

COLORREF ToColorRef(TXcColor c) { return (c == clNone || c == clDefault) ? CLR_INVALID : static_cast<COLORREF>(c); }

// ---- window hook shared by the wrappers

namespace {
constexpr UINT_PTR kWrapperHookId = 0x5857;  // "XW"

// An item index from a variant: an integer as it is, text by its position among the items.
int IndexFromVariant(const TXcVariant& v, const std::vector<std::string>& items) {
    if (XcVarIsInteger(v)) return static_cast<int>(v.AsInteger());
    auto it = std::find(items.begin(), items.end(), v.AsString());
    return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

void SetStyle(HWND h, DWORD bit, bool on) {
    LONG style = GetWindowLongW(h, GWL_STYLE);
    SetWindowLongW(h, GWL_STYLE, on ? (style | bit) : (style & ~bit));
    SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    InvalidateRect(h, nullptr, TRUE);
}

std::vector<std::string> SplitLines(const std::string& all) {
    std::vector<std::string> lines;
    if (all.empty()) return lines;
    size_t start = 0;
    for (;;) {
        size_t nl = all.find('\n', start);
        std::string line = all.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        if (nl == std::string::npos) break;
        start = nl + 1;
    }
    return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string r;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i) r += "\r\n";
        r += lines[i];
    }
    return r;
}

std::unique_ptr<TImageList> CopyGlyph(const TXcGraphic& g) {
    if (!g.Handle) return nullptr;
    if (g.IsIcon) {
        ICONINFO ii{};
        if (!GetIconInfo(static_cast<HICON>(g.Handle), &ii)) return nullptr;
        BITMAP bm{};
        GetObjectW(ii.hbmColor ? ii.hbmColor : ii.hbmMask, sizeof bm, &bm);
        auto list = std::make_unique<TImageList>(bm.bmWidth, ii.hbmColor ? bm.bmHeight : bm.bmHeight / 2);
        ImageList_AddIcon(list->Handle(), static_cast<HICON>(g.Handle));
        if (ii.hbmColor) DeleteObject(ii.hbmColor);
        if (ii.hbmMask) DeleteObject(ii.hbmMask);
        return list;
    }
    BITMAP bm{};
    if (!GetObjectW(g.Handle, sizeof bm, &bm)) return nullptr;
    auto list = std::make_unique<TImageList>(bm.bmWidth, bm.bmHeight);
    // The list keeps its own copy; the bottom-left pixel's colour is the see-through one.
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, g.Handle);
    COLORREF transparent = GetPixel(dc, 0, bm.bmHeight - 1);
    SelectObject(dc, old);
    DeleteDC(dc);
    list->Add(static_cast<HBITMAP>(g.Handle), transparent);
    return list;
}
}  // namespace

LRESULT CALLBACK XcWrapperProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
    auto* target = reinterpret_cast<IXcWrapperHook*>(data);
    try {
        LRESULT result = 0;
        if (target && target->HookMessage(msg, wp, lp, result)) return result;
    } catch (...) {
        Application.HandleCurrentException();
        return 0;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

void XcHookWindow(HWND hwnd, IXcWrapperHook* target) {
    if (!hwnd) {
        delete target;
        return;
    }
    SetWindowSubclass(hwnd, XcWrapperProc, kWrapperHookId, reinterpret_cast<DWORD_PTR>(target));
}

void XcUnhookWindow(HWND hwnd) {
    DWORD_PTR data = 0;
    if (GetWindowSubclass(hwnd, XcWrapperProc, kWrapperHookId, &data)) {
        RemoveWindowSubclass(hwnd, XcWrapperProc, kWrapperHookId);
        delete reinterpret_cast<IXcWrapperHook*>(data);
    }
}

// ---- TXcPicture

void TXcPicture::Clear() {
    if (handle_) {
        if (icon_) {
            DestroyIcon(static_cast<HICON>(handle_));
        } else {
            DeleteObject(handle_);
        }
    }
    handle_ = nullptr;
}

void TXcPicture::Assign(const TXcGraphic& g) {
    Clear();
    if (!g.Handle) return;
    icon_ = g.IsIcon;
    handle_ = icon_ ? static_cast<void*>(CopyIcon(static_cast<HICON>(g.Handle)))
                    : CopyImage(g.Handle, IMAGE_BITMAP, 0, 0, 0);
}

SIZE TXcPicture::Size() const {
    SIZE s{0, 0};
    if (!handle_) return s;
    if (icon_) {
        ICONINFO ii{};
        if (GetIconInfo(static_cast<HICON>(handle_), &ii)) {
            BITMAP bm{};
            GetObjectW(ii.hbmColor ? ii.hbmColor : ii.hbmMask, sizeof bm, &bm);
            s = {bm.bmWidth, ii.hbmColor ? bm.bmHeight : bm.bmHeight / 2};
            if (ii.hbmColor) DeleteObject(ii.hbmColor);
            if (ii.hbmMask) DeleteObject(ii.hbmMask);
        }
    } else {
        BITMAP bm{};
        GetObjectW(handle_, sizeof bm, &bm);
        s = {bm.bmWidth, bm.bmHeight};
    }
    return s;
}

void TXcPicture::Draw(HDC dc, const RECT& r) const {
    if (!handle_) return;
    int w = r.right - r.left, h = r.bottom - r.top;
    if (icon_) {
        DrawIconEx(dc, r.left, r.top, static_cast<HICON>(handle_), w, h, 0, nullptr, DI_NORMAL);
        return;
    }
    SIZE s = Size();
    HDC src = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(src, handle_);
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, r.left, r.top, w, h, src, 0, 0, s.cx, s.cy, SRCCOPY);
    SelectObject(src, old);
    DeleteDC(src);
}

// ---- Label and static text

TXcDynControlVCLLabel::TXcDynControlVCLLabel(TWinControl* parent) : TXcDynVCLControl<TLabel>(parent) {}

TXcDynControlVCLLabel::TXcDynControlVCLLabel(TWinControl* parent, DWORD extraStyle)
    : TXcDynVCLControl<TLabel>(parent) {
    SetStyle(Handle(), extraStyle, true);
}

void TXcDynControlVCLLabel::ControlSetAlignment(TXcAlignment v) {
    SetAlignment(v == TXcAlignment::taCenter ? Align::Center : v == TXcAlignment::taRightJustify ? Align::Right
                                                                                                 : Align::Left);
}

HBRUSH TXcDynControlVCLLabel::BackgroundBrush() const {
    if (color_ == CLR_INVALID) return TLabel::BackgroundBrush();
    if (!brush_) brush_ = CreateSolidBrush(color_);
    return brush_;
}

void TXcDynControlVCLLabel::ControlSetColor(TXcColor v) {
    color_ = ToColorRef(v);
    if (brush_) DeleteObject(brush_);
    brush_ = nullptr;
    Invalidate();
}

void TXcDynControlVCLLabel::ControlSetParentColor(bool v) {
    if (v) ControlSetColor(clDefault);
}

void TXcDynControlVCLLabel::FitText() {
    if (!autoSize_) return;
    std::wstring w = Widen(Text());
    HDC dc = GetDC(Handle());
    HGDIOBJ old = SelectObject(dc, Font().Handle());
    RECT r{0, 0, wordWrap_ ? Width() : 0, 0};
    DrawTextW(dc, w.empty() ? L" " : w.c_str(), -1, &r, DT_CALCRECT | (wordWrap_ ? DT_WORDBREAK : DT_SINGLELINE));
    SelectObject(dc, old);
    ReleaseDC(Handle(), dc);
    SetBounds(Left(), Top(), wordWrap_ ? Width() : r.right - r.left, r.bottom - r.top);
}

void TXcDynControlVCLLabel::ControlSetAutoSize(bool v) {
    autoSize_ = v;
    FitText();
}

void TXcDynControlVCLLabel::ControlSetWordWrap(bool v) {
    wordWrap_ = v;
    LONG style = GetWindowLongW(Handle(), GWL_STYLE);
    if ((style & SS_TYPEMASK) == SS_LEFT || (style & SS_TYPEMASK) == SS_LEFTNOWORDWRAP)
        SetWindowLongW(Handle(), GWL_STYLE, (style & ~SS_TYPEMASK) | (v ? SS_LEFT : SS_LEFTNOWORDWRAP));
    FitText();
}

void TXcDynControlVCLLabel::ControlSetAlign(TXcAlign v) { SetAlign(static_cast<TAlign>(v)); }

void TXcDynControlVCLLabel::DynSetText(const std::string& s) {
    SetText(s);
    FitText();
}

TXcDynControlVCLStaticText::TXcDynControlVCLStaticText(TWinControl* parent)
    : TXcDynControlVCLLabel(parent, SS_NOTIFY) {}

// ---- Button

TXcDynControlVCLButton::TXcDynControlVCLButton(TWinControl* parent) : TXcDynVCLControl<TBitBtn>(parent) {}

void TXcDynControlVCLButton::ControlSetGlyph(const TXcGraphic& v) {
    glyph_ = CopyGlyph(v);
    SetGlyph(glyph_.get(), glyph_ ? 0 : -1);
}

// ---- RadioButton and CheckBox

TXcDynControlVCLRadioButton::TXcDynControlVCLRadioButton(TWinControl* parent)
    : TXcDynVCLControl<TRadioButton>(parent) {
    OnClick = [this](TControl* c) {
        if (click_) click_(c);
        if (change_) change_(c);
    };
}

void TXcDynControlVCLRadioButton::ControlSetValue(const TXcVariant& v) { SetChecked(XcVarToBoolean(v)); }

TXcDynControlVCLCheckBox::TXcDynControlVCLCheckBox(TWinControl* parent) : TXcDynVCLControl<TCheckBox>(parent) {
    OnClick = [this](TControl* c) {
        grayed_ = false;
        if (click_) click_(c);
        if (change_) change_(c);
    };
}

void TXcDynControlVCLCheckBox::ControlSetState(TXcCheckBoxState v) {
    if (v == TXcCheckBoxState::cbGrayed) {
        if (!allowGrayed_) return;
        SetChecked(false);
        grayed_ = true;
        SetStyle(Handle(), BS_CHECKBOX, false);
        SendMessageW(Handle(), BM_SETSTYLE, BS_3STATE, TRUE);
        SendMessageW(Handle(), BM_SETCHECK, BST_INDETERMINATE, 0);
        return;
    }
    SetChecked(v == TXcCheckBoxState::cbChecked);
    grayed_ = false;
}

TXcCheckBoxState TXcDynControlVCLCheckBox::ControlGetState() {
    if (grayed_) return TXcCheckBoxState::cbGrayed;
    return Checked() ? TXcCheckBoxState::cbChecked : TXcCheckBoxState::cbUnchecked;
}

void TXcDynControlVCLCheckBox::ControlSetValue(const TXcVariant& v) {
    SetChecked(XcVarToBoolean(v));
    grayed_ = false;
}

// ---- Panel

TXcDynControlVCLPanel::TXcDynControlVCLPanel(TWinControl* parent) : TXcDynVCLControl<TPanel>(parent) {}

void TXcDynControlVCLPanel::ControlSetDefaultProperties() {
    inner_ = outer_ = TXcBevelCut::bvNone;
    Bevel = false;
    Invalidate();
}

void TXcDynControlVCLPanel::ControlSetAlignment(TXcAlignment v) {
    alignment_ = v;
    Invalidate();
}

void TXcDynControlVCLPanel::ControlSetParentColor(bool v) {
    if (v) SetColor(CLR_INVALID);
}

void TXcDynControlVCLPanel::ControlSetBevelInner(TXcBevelCut v) {
    inner_ = v;
    Invalidate();
}

void TXcDynControlVCLPanel::ControlSetBevelOuter(TXcBevelCut v) {
    outer_ = v;
    Bevel = v != TXcBevelCut::bvNone;
    Invalidate();
}

void TXcDynControlVCLPanel::ControlSetBorderStyle(TXcBorderStyle v) {
    LONG ex = GetWindowLongW(Handle(), GWL_EXSTYLE);
    SetWindowLongW(Handle(), GWL_EXSTYLE, v == TXcBorderStyle::bsSingle ? (ex | WS_EX_CLIENTEDGE) : (ex & ~WS_EX_CLIENTEDGE));
    SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void TXcDynControlVCLPanel::ControlSetBorderWidth(int v) {
    borderWidth_ = v;
    Invalidate();
}

void TXcDynControlVCLPanel::ControlSetAlign(TXcAlign v) { SetAlign(static_cast<TAlign>(v)); }

void TXcDynControlVCLPanel::Paint(HDC dc) {
    RECT r;
    GetClientRect(Handle(), &r);
    auto edge = [&](TXcBevelCut cut) {
        if (cut == TXcBevelCut::bvNone) return;
        UINT kind = cut == TXcBevelCut::bvRaised ? BDR_RAISEDINNER : cut == TXcBevelCut::bvLowered ? BDR_SUNKENINNER : 0;
        if (kind) DrawEdge(dc, &r, kind, BF_RECT);
        InflateRect(&r, -1, -1);
    };
    edge(outer_);
    InflateRect(&r, -borderWidth_, -borderWidth_);
    edge(inner_);
    std::wstring t = Widen(Text());
    if (t.empty()) return;
    HFONT old = static_cast<HFONT>(SelectObject(dc, Font().Handle()));
    int oldMode = SetBkMode(dc, TRANSPARENT);
    UINT align = alignment_ == TXcAlignment::taCenter ? DT_CENTER : alignment_ == TXcAlignment::taRightJustify ? DT_RIGHT : DT_LEFT;
    DrawTextW(dc, t.c_str(), static_cast<int>(t.size()), &r, align | DT_VCENTER | DT_SINGLELINE);
    SetBkMode(dc, oldMode);
    SelectObject(dc, old);
}

// ---- Image

TXcDynControlVCLImage::TXcDynControlVCLImage(TWinControl* parent) : TXcDynVCLControl<TImage>(parent) {}

void TXcDynControlVCLImage::ControlSetAutoSize(bool v) {
    autoSize_ = v;
    if (v && !picture_.Empty()) {
        SIZE s = picture_.Size();
        SetBounds(Left(), Top(), s.cx, s.cy);
    }
}

void TXcDynControlVCLImage::ControlSetPicture(const TXcGraphic& v) {
    picture_.Assign(v);
    ControlSetAutoSize(autoSize_);
    Invalidate();
}

void TXcDynControlVCLImage::Paint(HDC dc) {
    if (picture_.Empty()) return;
    SIZE s = picture_.Size();
    int w = s.cx, h = s.cy;
    if (stretch_ || (proportional_ && (w > Width() || h > Height()))) {
        if (proportional_ && w > 0 && h > 0) {
            double scale = std::min(static_cast<double>(Width()) / w, static_cast<double>(Height()) / h);
            w = static_cast<int>(w * scale);
            h = static_cast<int>(h * scale);
        } else {
            w = Width();
            h = Height();
        }
    }
    int x = center_ ? (Width() - w) / 2 : 0;
    int y = center_ ? (Height() - h) / 2 : 0;
    picture_.Draw(dc, RECT{x, y, x + w, y + h});
}

// ---- ComboBox, ListBox, CheckListBox, RadioGroup

TXcDynControlVCLComboBox::TXcDynControlVCLComboBox(TWinControl* parent) : TXcDynVCLControl<TComboBox>(parent) {
    // A new combo box takes typed text as well as its items.
    ControlSetNewEntriesAllowed(true);
}

void TXcDynControlVCLComboBox::ControlSetNewEntriesAllowed(bool v) {
    if (v == FreeText()) return;
    Unhook();
    SetFreeText(v);
    Hook();
}

void TXcDynControlVCLComboBox::ControlSetSorted(bool v) {
    sorted_ = v;
    if (v) ControlSetItems(ControlGetItems());
}

void TXcDynControlVCLComboBox::ControlSetItems(const std::vector<std::string>& v) {
    std::vector<std::string> items = v;
    if (sorted_) std::sort(items.begin(), items.end());
    std::string text = FreeText() ? Text() : std::string();
    Clear();
    for (const std::string& s : items) Add(s);
    if (FreeText()) SetWindowTextW(Handle(), Widen(text).c_str());
}

std::vector<std::string> TXcDynControlVCLComboBox::ControlGetItems() {
    std::vector<std::string> r;
    for (int i = 0; i < Count(); ++i) r.push_back(Item(i));
    return r;
}

void TXcDynControlVCLComboBox::ControlSetValue(const TXcVariant& v) {
    if (FreeText()) {
        SetText(v.AsString());
    } else {
        SetItemIndex(IndexFromVariant(v, ControlGetItems()));
    }
}

TXcVariant TXcDynControlVCLComboBox::ControlGetValue() {
    if (FreeText()) return TXcVariant(Text());
    return TXcVariant(ItemIndex());
}

bool TXcDynControlVCLComboBox::HandleCommand(WORD code, WORD id) {
    if (code == CBN_EDITCHANGE) {
        if (OnChange) OnChange(this);
        return true;
    }
    return TComboBox::HandleCommand(code, id);
}

TXcDynControlVCLListBox::TXcDynControlVCLListBox(TWinControl* parent) : TXcDynVCLControl<TListBox>(parent) {}

void TXcDynControlVCLListBox::ControlSetItems(const std::vector<std::string>& v) {
    Clear();
    for (const std::string& s : v) Add(s);
}

void TXcDynControlVCLListBox::ControlSetValue(const TXcVariant& v) { SetItemIndex(IndexFromVariant(v, Items())); }

TXcDynControlVCLCheckListBox::TXcDynControlVCLCheckListBox(TWinControl* parent)
    : TXcDynVCLControl<TCheckListBox>(parent) {}

void TXcDynControlVCLCheckListBox::ControlSetItems(const std::vector<std::string>& v) {
    Clear();
    for (const std::string& s : v) Add(s);
}

void TXcDynControlVCLCheckListBox::ControlSetValue(const TXcVariant& v) { SetItemIndex(IndexFromVariant(v, Items())); }

TXcDynControlVCLRadioGroup::TXcDynControlVCLRadioGroup(TWinControl* parent)
    : TXcDynVCLControl<TRadioGroup>(parent, std::string()) {
    OnClick = [this](TControl* c) {
        if (change_) change_(c);
    };
}

void TXcDynControlVCLRadioGroup::ControlSetItems(const std::vector<std::string>& v) {
    items_ = v;
    if (sorted_) std::sort(items_.begin(), items_.end());
    SetItems(items_);
}

void TXcDynControlVCLRadioGroup::ControlSetValue(const TXcVariant& v) { SetItemIndex(IndexFromVariant(v, items_)); }

// ---- date and time

TXcDynControlVCLDateTimeEdit::TXcDynControlVCLDateTimeEdit(TWinControl* parent) : TXcDynVCLControl<TPanel>(parent) {
    Bevel = false;
    date_ = new TDateTimePicker(this, TDateTimePicker::Kind::Date);
    time_ = new TDateTimePicker(this, TDateTimePicker::Kind::Time);
    date_->SetAlign(TAlign::alLeft);
    time_->SetAlign(TAlign::alClient);
    SetBounds(Left(), Top(), 200, 21);
}

LRESULT TXcDynControlVCLDateTimeEdit::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_SIZE) {
        // The date takes half the width and half the height, the time the full height.
        int w = static_cast<int>(std::lround(LOWORD(lp) / 2.0));
        int h = static_cast<int>(std::lround(HIWORD(lp) / 2.0));
        date_->SetBounds(0, 0, w, h);
        date_->SetAlign(TAlign::alNone);
        LRESULT r = TPanel::WndProc(msg, wp, lp);
        time_->SetBounds(w, 0, LOWORD(lp) - w, HIWORD(lp));
        return r;
    }
    return TPanel::WndProc(msg, wp, lp);
}

void TXcDynControlVCLDateTimeEdit::ControlSetMinDate(TDateTime v) {
    min_ = v;
    date_->SetRange(min_, max_);
}

void TXcDynControlVCLDateTimeEdit::ControlSetMaxDate(TDateTime v) {
    max_ = v;
    date_->SetRange(min_, max_);
}

void TXcDynControlVCLDateTimeEdit::ControlSetOnChange(TNotifyEvent v) {
    date_->OnChange = v;
    time_->OnChange = std::move(v);
}

void TXcDynControlVCLDateTimeEdit::ControlSetValue(const TXcVariant& v) {
    TDateTime dt = v.AsDateTime();
    date_->SetDateTime(std::floor(dt));
    time_->SetDateTime(dt);
}

TXcVariant TXcDynControlVCLDateTimeEdit::ControlGetValue() {
    double d = std::floor(date_->DateTime());
    double t = time_->DateTime();
    return TXcVariant::OfDate(d + (t - std::floor(t)));
}

TXcDynControlVCLTimeEdit::TXcDynControlVCLTimeEdit(TWinControl* parent)
    : TXcDynVCLControl<TDateTimePicker>(parent, TDateTimePicker::Kind::Time, true) {}

void TXcDynControlVCLTimeEdit::ControlSetValue(const TXcVariant& v) { SetDateTime(v.AsDateTime()); }

TXcVariant TXcDynControlVCLTimeEdit::ControlGetValue() {
    double t = DateTime();
    return TXcVariant::OfDate(t - std::floor(t));
}

TXcDynControlVCLDateEdit::TXcDynControlVCLDateEdit(TWinControl* parent)
    : TXcDynVCLControl<TDateTimePicker>(parent, TDateTimePicker::Kind::Date, false) {}

void TXcDynControlVCLDateEdit::ControlSetMinDate(TDateTime v) {
    min_ = v;
    SetRange(min_, max_);
}

void TXcDynControlVCLDateEdit::ControlSetMaxDate(TDateTime v) {
    max_ = v;
    SetRange(min_, max_);
}

void TXcDynControlVCLDateEdit::ControlSetValue(const TXcVariant& v) { SetDateTime(std::floor(v.AsDateTime())); }

TXcVariant TXcDynControlVCLDateEdit::ControlGetValue() { return TXcVariant::OfDate(std::floor(DateTime())); }

// ---- edits

TXcDynControlVCLMaskEdit::TXcDynControlVCLMaskEdit(TWinControl* parent)
    : TXcDynVCLControl<TXcExCustomMaskEdit>(parent) {}

void TXcDynControlVCLMaskEdit::ControlSetPasswordChar(char v) {
    SendMessageW(Handle(), EM_SETPASSWORDCHAR, static_cast<unsigned char>(v), 0);
    Invalidate();
}

TXcDynComposite::TXcDynComposite(TWinControl* parent) : TPanel(parent) {
    Bevel = false;
    edit_ = new TXcExCustomMaskEdit(this);
    button_ = new TBitBtn(this, "...");
    SetBounds(Left(), Top(), 121, edit_->Height());
    button_->SetBounds(0, 0, Height(), Height());
    button_->SetAlign(TAlign::alRight);
    edit_->SetAlign(TAlign::alClient);
}

LRESULT TXcDynComposite::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_SIZE) button_->SetBounds(button_->Left(), 0, HIWORD(lp), HIWORD(lp));
    return TPanel::WndProc(msg, wp, lp);
}

std::function<std::optional<std::string>(const std::string&)> TXcDynControlVCLDirectoryEdit::DialogHook;

TXcDynControlVCLDirectoryEdit::TXcDynControlVCLDirectoryEdit(TWinControl* parent)
    : TXcDynVCLControl<TXcDynComposite>(parent) {
    button_->OnClick = [this](TControl*) { Browse(); };
}

std::string TXcDynControlVCLDirectoryEdit::StartDirectory() const {
    std::string start = edit_->Text();
    if (start.empty()) start = initialDir_.empty() ? "\\" : initialDir_;
    DWORD attr = GetFileAttributesW(Widen(start).c_str());
    if (attr == INVALID_FILE_ATTRIBUTES || !(attr & FILE_ATTRIBUTE_DIRECTORY)) start = "\\";
    return start;
}

namespace {
int CALLBACK BrowseCallback(HWND hwnd, UINT msg, LPARAM, LPARAM data) {
    if (msg == BFFM_INITIALIZED) SendMessageW(hwnd, BFFM_SETSELECTIONW, TRUE, data);
    return 0;
}
}  // namespace

void TXcDynControlVCLDirectoryEdit::Browse() {
    std::string start = StartDirectory();
    std::optional<std::string> chosen;
    if (DialogHook) {
        chosen = DialogHook(start);
    } else {
        std::wstring title = Widen(title_), startW = Widen(start);
        BROWSEINFOW bi{};
        bi.hwndOwner = GetAncestor(Handle(), GA_ROOT);
        bi.lpszTitle = title.c_str();
        bi.ulFlags = options_ ? options_ : BIF_RETURNONLYFSDIRS;
        bi.lpfn = BrowseCallback;
        bi.lParam = reinterpret_cast<LPARAM>(startW.c_str());
        if (PIDLIST_ABSOLUTE pidl = SHBrowseForFolderW(&bi)) {
            wchar_t path[MAX_PATH] = {};
            if (SHGetPathFromIDListW(pidl, path)) chosen = Narrow(path);
            CoTaskMemFree(pidl);
        }
    }
    if (chosen) edit_->SetText(*chosen);
}

TXcDynControlVCLFileNameEdit::TXcDynControlVCLFileNameEdit(TWinControl* parent)
    : TXcDynVCLControl<TXcDynComposite>(parent) {
    button_->OnClick = [this](TControl*) { Browse(); };
}

void TXcDynControlVCLFileNameEdit::Browse() {
    std::wstring filter = Widen(filter_);
    std::replace(filter.begin(), filter.end(), L'|', L'\0');
    filter.push_back(L'\0');
    std::wstring title = Widen(title_), ext = Widen(defaultExt_), dir = Widen(initialDir_);
    wchar_t file[MAX_PATH] = {};
    std::wstring current = Widen(edit_->Text());
    wcsncpy(file, current.c_str(), MAX_PATH - 1);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = GetAncestor(Handle(), GA_ROOT);
    ofn.lpstrFilter = filter_.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = static_cast<DWORD>(filterIndex_);
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrTitle = title_.empty() ? nullptr : title.c_str();
    ofn.lpstrDefExt = defaultExt_.empty() ? nullptr : ext.c_str();
    ofn.lpstrInitialDir = initialDir_.empty() ? nullptr : dir.c_str();
    ofn.Flags = OpenDialogFlags(options_);
    BOOL ok = kind_ == TXcFileDialogKind::fdOpen ? GetOpenFileNameW(&ofn) : GetSaveFileNameW(&ofn);
    if (ok) edit_->SetText(Narrow(file));
}

TXcDynControlVCLButtonEdit::TXcDynControlVCLButtonEdit(TWinControl* parent)
    : TXcDynVCLControl<TXcDynComposite>(parent) {}

void TXcDynControlVCLButtonEdit::ControlSetGlyph(const TXcGraphic& v) {
    glyph_ = CopyGlyph(v);
    button_->SetGlyph(glyph_.get(), glyph_ ? 0 : -1);
}

void TXcDynControlVCLButtonEdit::ControlSetPasswordChar(char v) {
    SendMessageW(edit_->Handle(), EM_SETPASSWORDCHAR, static_cast<unsigned char>(v), 0);
}

// ---- Memo and RichEdit

TXcDynControlVCLMemo::TXcDynControlVCLMemo(TWinControl* parent) : TXcDynVCLControl<TMemo>(parent) {}

void TXcDynControlVCLMemo::ControlSetAlignment(TXcAlignment v) {
    LONG style = GetWindowLongW(Handle(), GWL_STYLE) & ~(ES_LEFT | ES_CENTER | ES_RIGHT);
    style |= v == TXcAlignment::taCenter ? ES_CENTER : v == TXcAlignment::taRightJustify ? ES_RIGHT : ES_LEFT;
    SetWindowLongW(Handle(), GWL_STYLE, style);
    Invalidate();
}

void TXcDynControlVCLMemo::ControlSetWantReturns(bool v) { SetStyle(Handle(), ES_WANTRETURN, v); }

void TXcDynControlVCLMemo::ControlSetWordWrap(bool v) { SetStyle(Handle(), ES_AUTOHSCROLL, !v); }

void TXcDynControlVCLMemo::ControlSetScrollBars(TXcScrollStyle v) {
    ShowScrollBar(Handle(), SB_HORZ, v == TXcScrollStyle::ssHorizontal || v == TXcScrollStyle::ssBoth);
    ShowScrollBar(Handle(), SB_VERT, v == TXcScrollStyle::ssVertical || v == TXcScrollStyle::ssBoth);
}

void TXcDynControlVCLMemo::ControlSetItems(const std::vector<std::string>& v) { SetText(JoinLines(v)); }

TXcDynControlVCLRichEdit::TXcDynControlVCLRichEdit(TWinControl* parent) : TXcDynVCLControl<TRichEdit>(parent) {}

void TXcDynControlVCLRichEdit::ControlSetScrollBars(TXcScrollStyle v) {
    ShowScrollBar(Handle(), SB_HORZ, v == TXcScrollStyle::ssHorizontal || v == TXcScrollStyle::ssBoth);
    ShowScrollBar(Handle(), SB_VERT, v == TXcScrollStyle::ssVertical || v == TXcScrollStyle::ssBoth);
}

void TXcDynControlVCLRichEdit::ControlSetItems(const std::vector<std::string>& v) {
    Clear();
    for (const std::string& s : v) Add(s);
}

std::vector<std::string> TXcDynControlVCLRichEdit::ControlGetItems() { return SplitLines(PlainText()); }

void TXcDynControlVCLRichEdit::ControlSetValue(const TXcVariant& v) {
    Clear();
    for (const std::string& s : SplitLines(v.AsString())) Add(s);
    if (change_) change_(this);
}

// ---- TreeView

TXcDynControlVCLTreeView::TXcDynControlVCLTreeView(TWinControl* parent) : TXcDynVCLControl<TTreeView>(parent) {}

TXcDynControlVCLTreeView::~TXcDynControlVCLTreeView() {
    if (images_) ImageList_Destroy(images_);
    if (stateImages_) ImageList_Destroy(stateImages_);
}

void TXcDynControlVCLTreeView::SetStyleBit(DWORD bit, bool on) { SetStyle(Handle(), bit, on); }

void TXcDynControlVCLTreeView::ControlSetItems(const std::vector<TXcTreeItems>& v) {
    Clear();
    std::function<void(HTREEITEM, const std::vector<TXcTreeItems>&)> add = [&](HTREEITEM parent,
                                                                              const std::vector<TXcTreeItems>& items) {
        for (const TXcTreeItems& it : items) add(AddItem(parent, it.Text), it.Children);
    };
    add(nullptr, v);
    if (sortType_ == TXcSortType::stText || sortType_ == TXcSortType::stBoth) ControlSortItems();
}

std::vector<TXcTreeItems> TXcDynControlVCLTreeView::ControlGetItems() {
    std::function<std::vector<TXcTreeItems>(HTREEITEM)> walk = [&](HTREEITEM first) {
        std::vector<TXcTreeItems> r;
        for (HTREEITEM i = first; i; i = NextSibling(i)) r.push_back({ItemText(i), walk(FirstChild(i))});
        return r;
    };
    return walk(Root());
}

void TXcDynControlVCLTreeView::ControlSetImages(TImageList* v) {
    if (images_) ImageList_Destroy(images_);
    images_ = v ? ImageList_Duplicate(v->Handle()) : nullptr;
    SendMessageW(Handle(), TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images_));
}

void TXcDynControlVCLTreeView::ControlSetStateImages(TImageList* v) {
    if (stateImages_) ImageList_Destroy(stateImages_);
    stateImages_ = v ? ImageList_Duplicate(v->Handle()) : nullptr;
    SendMessageW(Handle(), TVM_SETIMAGELIST, TVSIL_STATE, reinterpret_cast<LPARAM>(stateImages_));
}

std::string TXcDynControlVCLTreeView::ControlGetSelectedNode() {
    std::string path;
    for (HTREEITEM i = Selected(); i; i = ParentItem(i)) path = path.empty() ? ItemText(i) : ItemText(i) + "/" + path;
    return path;
}

void TXcDynControlVCLTreeView::ControlSetSortType(TXcSortType v) {
    sortType_ = v;
    if (v == TXcSortType::stText || v == TXcSortType::stBoth) ControlSortItems();
}

void TXcDynControlVCLTreeView::ControlSortItems() {
    std::function<void(HTREEITEM)> sort = [&](HTREEITEM parent) {
        SendMessageW(Handle(), TVM_SORTCHILDREN, FALSE, reinterpret_cast<LPARAM>(parent ? parent : TVI_ROOT));
        for (HTREEITEM i = parent ? FirstChild(parent) : Root(); i; i = NextSibling(i)) sort(i);
    };
    sort(nullptr);
}

// ---- ProgressBar

TXcDynControlVCLProgressBar::TXcDynControlVCLProgressBar(TWinControl* parent)
    : TXcDynVCLControl<TProgressBar>(parent, 0, 100) {
    SendMessageW(Handle(), PBM_SETSTEP, step_, 0);
}

void TXcDynControlVCLProgressBar::ControlSetOrientation(TXcProgressBarOrientation v) {
    SetStyle(Handle(), PBS_VERTICAL, v == TXcProgressBarOrientation::pbVertical);
}

void TXcDynControlVCLProgressBar::ControlSetSmooth(bool v) { SetStyle(Handle(), PBS_SMOOTH, v); }

void TXcDynControlVCLProgressBar::ControlSetStep(int v) {
    step_ = v;
    SendMessageW(Handle(), PBM_SETSTEP, v, 0);
}

// ---- TabControl and PageControl

TXcDynControlVCLTabControl::TXcDynControlVCLTabControl(TWinControl* parent) : TXcDynVCLControl<TTabControl>(parent) {}

TWinControl* TXcDynControlVCLTabControl::ControlCreateTab(const std::string& caption) {
    AddTab(caption);
    return nullptr;
}

void TXcDynControlVCLTabControl::ControlSetMultiLine(bool v) { SetStyle(Handle(), TCS_MULTILINE, v); }
void TXcDynControlVCLTabControl::ControlSetScrollOpposite(bool v) { SetStyle(Handle(), TCS_SCROLLOPPOSITE, v); }
void TXcDynControlVCLTabControl::ControlSetHotTrack(bool v) { SetStyle(Handle(), TCS_HOTTRACK, v); }
void TXcDynControlVCLTabControl::ControlSetRaggedRight(bool v) { SetStyle(Handle(), TCS_RAGGEDRIGHT, v); }

TXcDynControlVCLPageControl::TXcDynControlVCLPageControl(TWinControl* parent)
    : TXcDynVCLControl<TPageControl>(parent) {}

TWinControl* TXcDynControlVCLPageControl::ControlCreateTab(const std::string& caption) { return AddPage(caption); }

TWinControl* TXcDynControlVCLPageControl::ControlGetPage(const std::string& caption) {
    int n = static_cast<int>(SendMessageW(Handle(), TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        wchar_t buf[256] = {};
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = buf;
        item.cchTextMax = 255;
        SendMessageW(Handle(), TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
        if (Narrow(buf) == caption) return i < PageCount() ? Page(i) : nullptr;
    }
    return nullptr;
}

void TXcDynControlVCLPageControl::ControlSetMultiLine(bool v) { SetStyle(Handle(), TCS_MULTILINE, v); }
void TXcDynControlVCLPageControl::ControlSetScrollOpposite(bool v) { SetStyle(Handle(), TCS_SCROLLOPPOSITE, v); }
void TXcDynControlVCLPageControl::ControlSetHotTrack(bool v) { SetStyle(Handle(), TCS_HOTTRACK, v); }
void TXcDynControlVCLPageControl::ControlSetRaggedRight(bool v) { SetStyle(Handle(), TCS_RAGGEDRIGHT, v); }

bool TXcDynControlVCLPageControl::HandleNotify(NMHDR* hdr, LRESULT& result) {
    if (hdr->code == TCN_SELCHANGING) {
        bool allow = true;
        if (changing_) changing_(this, allow);
        result = allow ? FALSE : TRUE;
        return true;
    }
    return TPageControl::HandleNotify(hdr, result);
}

// ---- the form and the engine

TXcDynControlVCLForm::TXcDynControlVCLForm(TWinControl*) {}

void TXcDynControlEngineVCL::RegisterStandardControls() {
    static const TXcControlClassOf<TXcDynControlVCLLabel> label("TXcDynControlVCLLabel");
    static const TXcControlClassOf<TXcDynControlVCLStaticText> staticText("TXcDynControlVCLStaticText");
    static const TXcControlClassOf<TXcDynControlVCLButton> button("TXcDynControlVCLButton");
    static const TXcControlClassOf<TXcDynControlVCLRadioButton> radioButton("TXcDynControlVCLRadioButton");
    static const TXcControlClassOf<TXcDynControlVCLScrollBox> scrollBox("TXcDynControlVCLScrollBox");
    static const TXcControlClassOf<TXcDynControlVCLGroupBox> groupBox("TXcDynControlVCLGroupBox");
    static const TXcControlClassOf<TXcDynControlVCLPanel> panel("TXcDynControlVCLPanel");
    static const TXcControlClassOf<TXcDynControlVCLImage> image("TXcDynControlVCLImage");
    static const TXcControlClassOf<TXcDynControlVCLCheckBox> checkBox("TXcDynControlVCLCheckBox");
    static const TXcControlClassOf<TXcDynControlVCLComboBox> comboBox("TXcDynControlVCLComboBox");
    static const TXcControlClassOf<TXcDynControlVCLListBox> listBox("TXcDynControlVCLListBox");
    static const TXcControlClassOf<TXcDynControlVCLCheckListBox> checkListBox("TXcDynControlVCLCheckListBox");
    static const TXcControlClassOf<TXcDynControlVCLRadioGroup> radioGroup("TXcDynControlVCLRadioGroup");
    static const TXcControlClassOf<TXcDynControlVCLDateTimeEdit> dateTimeEdit("TXcDynControlVCLDateTimeEdit");
    static const TXcControlClassOf<TXcDynControlVCLTimeEdit> timeEdit("TXcDynControlVCLTimeEdit");
    static const TXcControlClassOf<TXcDynControlVCLDateEdit> dateEdit("TXcDynControlVCLDateEdit");
    static const TXcControlClassOf<TXcDynControlVCLMaskEdit> maskEdit("TXcDynControlVCLMaskEdit");
    static const TXcControlClassOf<TXcDynControlVCLDirectoryEdit> directoryEdit("TXcDynControlVCLDirectoryEdit");
    static const TXcControlClassOf<TXcDynControlVCLFileNameEdit> fileNameEdit("TXcDynControlVCLFileNameEdit");
    static const TXcControlClassOf<TXcDynControlVCLMemo> memo("TXcDynControlVCLMemo");
    static const TXcControlClassOf<TXcDynControlVCLRichEdit> richEdit("TXcDynControlVCLRichEdit");
    static const TXcControlClassOf<TXcDynControlVCLButtonEdit> buttonEdit("TXcDynControlVCLButtonEdit");
    static const TXcControlClassOf<TXcDynControlVCLTreeView> treeView("TXcDynControlVCLTreeView");
    static const TXcControlClassOf<TXcDynControlVCLProgressBar> progressBar("TXcDynControlVCLProgressBar");
    static const TXcControlClassOf<TXcDynControlVCLTabControl> tabControl("TXcDynControlVCLTabControl");
    static const TXcControlClassOf<TXcDynControlVCLPageControl> pageControl("TXcDynControlVCLPageControl");
    RegisterControl("Label", &label);
    RegisterControl("StaticText", &staticText);
    RegisterControl("Button", &button);
    RegisterControl("RadioButton", &radioButton);
    RegisterControl("ScrollBox", &scrollBox);
    RegisterControl("GroupBox", &groupBox);
    RegisterControl("Panel", &panel);
    RegisterControl("Image", &image);
    RegisterControl("CheckBox", &checkBox);
    RegisterControl("ComboBox", &comboBox);
    RegisterControl("ListBox", &listBox);
    RegisterControl("CheckListBox", &checkListBox);
    RegisterControl("RadioGroup", &radioGroup);
    RegisterControl("DateTimeEdit", &dateTimeEdit);
    RegisterControl("TimeEdit", &timeEdit);
    RegisterControl("DateEdit", &dateEdit);
    RegisterControl("Edit", &maskEdit);
    RegisterControl("DirectoryEdit", &directoryEdit);
    RegisterControl("FileNameEdit", &fileNameEdit);
    RegisterControl("Memo", &memo);
    RegisterControl("RichEdit", &richEdit);
    RegisterControl("ButtonEdit", &buttonEdit);
    RegisterControl("TreeView", &treeView);
    RegisterControl("Progressbar", &progressBar);
    RegisterControl("Tabcontrol", &tabControl);
    RegisterControl("Pagecontrol", &pageControl);
}

TXcDynObject* TXcDynControlEngineVCL::NewForm(TWinControl* owner) { return new TXcDynControlVCLForm(owner); }

namespace {
std::unique_ptr<TXcDynControlEngineVCL>& OwnedDefault() {
    static std::unique_ptr<TXcDynControlEngineVCL> engine;
    return engine;
}
}  // namespace

void CreateDefaultDynControlEngine() {
    if (OwnedDefault()) return;
    OwnedDefault() = std::make_unique<TXcDynControlEngineVCL>();
    SetDefaultDynControlEngine(OwnedDefault().get());
}

void FreeDefaultDynControlEngine() {
    // The library's own engine is freed; an engine someone else made the default stays theirs.
    ForgetDefaultDynControlEngine(OwnedDefault().get());
    OwnedDefault().reset();
}

}  // namespace talvik

// List box, check list box, scroll box, date-time picker and tab control.
#include "toolkit/extctrls.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace talvik {

// ---- TListBox

TListBox::TListBox(TWinControl* parent) : TListBox(parent, 0) {}

TListBox::TListBox(TWinControl* parent, DWORD style) : TControl(parent) {
    width_ = 121;
    height_ = 97;
    CreateHandle(L"LISTBOX", style | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE);
}

void TListBox::Clear() { SendMessageW(hwnd_, LB_RESETCONTENT, 0, 0); }

void TListBox::Add(const std::string& item) {
    int at = -1;
    if (sorted_) {
        // The system reads the sort style only at creation: keep the order here.
        at = 0;
        while (at < Count() && Item(at) <= item) ++at;
    }
    SendMessageW(hwnd_, LB_INSERTSTRING, at, reinterpret_cast<LPARAM>(Widen(item).c_str()));
}

int TListBox::Count() const { return static_cast<int>(SendMessageW(hwnd_, LB_GETCOUNT, 0, 0)); }

std::string TListBox::Item(int i) const {
    LRESULT n = SendMessageW(hwnd_, LB_GETTEXTLEN, i, 0);
    if (n == LB_ERR) throw std::out_of_range("List index out of bounds");
    std::wstring w(n + 1, L'\0');
    SendMessageW(hwnd_, LB_GETTEXT, i, reinterpret_cast<LPARAM>(w.data()));
    w.resize(n);
    return Narrow(w);
}

std::vector<std::string> TListBox::Items() const {
    std::vector<std::string> r;
    for (int i = 0; i < Count(); ++i) r.push_back(Item(i));
    return r;
}

int TListBox::ItemIndex() const { return static_cast<int>(SendMessageW(hwnd_, LB_GETCURSEL, 0, 0)); }

void TListBox::SetItemIndex(int i) { SendMessageW(hwnd_, LB_SETCURSEL, i, 0); }

void TListBox::SetSorted(bool sorted) {
    if (sorted == sorted_) return;
    sorted_ = sorted;
    if (!sorted) return;
    std::vector<std::string> items = Items();
    std::sort(items.begin(), items.end());
    Clear();
    for (const std::string& s : items) SendMessageW(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(s).c_str()));
}

bool TListBox::HandleCommand(WORD code, WORD) {
    if (code == LBN_SELCHANGE) {
        if (OnChange) OnChange(this);
        return true;
    }
    if (code == LBN_DBLCLK) {
        if (OnDblClick) OnDblClick(this);
        return true;
    }
    return false;
}

// ---- TCheckListBox

LRESULT CALLBACK CheckListProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<TCheckListBox*>(data);
    try {
        if (msg == WM_LBUTTONDOWN && static_cast<short>(LOWORD(lp)) < 16) {
            LRESULT hit = SendMessageW(hwnd, LB_ITEMFROMPOINT, 0, lp);
            if (!HIWORD(hit)) self->Toggle(LOWORD(hit));
        } else if (msg == WM_CHAR && wp == L' ') {
            int i = self->ItemIndex();
            if (i >= 0) self->Toggle(i);
            return 0;
        }
    } catch (...) {
        Application.HandleCurrentException();
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

TCheckListBox::TCheckListBox(TWinControl* parent)
    : TListBox(parent, LBS_OWNERDRAWFIXED | LBS_HASSTRINGS) {
    SetWindowSubclass(hwnd_, CheckListProc, 1, reinterpret_cast<DWORD_PTR>(this));
}

TCheckListBox::Flags& TCheckListBox::At(int i) {
    if (i < 0 || i >= Count()) throw std::out_of_range("List index out of bounds");
    if (static_cast<int>(flags_.size()) < Count()) flags_.resize(static_cast<size_t>(Count()));
    return flags_[static_cast<size_t>(i)];
}

const TCheckListBox::Flags& TCheckListBox::At(int i) const {
    if (i < 0 || i >= Count()) throw std::out_of_range("List index out of bounds");
    if (static_cast<int>(flags_.size()) < Count()) flags_.resize(static_cast<size_t>(Count()));
    return flags_[static_cast<size_t>(i)];
}

TCheckListBox::State TCheckListBox::ItemState(int i) const { return At(i).state; }
void TCheckListBox::SetItemState(int i, State s) {
    At(i).state = s;
    Invalidate();
}
bool TCheckListBox::ItemEnabled(int i) const { return At(i).enabled; }
void TCheckListBox::SetItemEnabled(int i, bool e) {
    At(i).enabled = e;
    Invalidate();
}
bool TCheckListBox::Header(int i) const { return At(i).header; }
void TCheckListBox::SetHeader(int i, bool h) {
    At(i).header = h;
    Invalidate();
}

void TCheckListBox::Toggle(int i) {
    Flags& f = At(i);
    if (!f.enabled || f.header || !enabled_) return;
    switch (f.state) {
    case State::Unchecked: f.state = State::Checked; break;
    case State::Checked: f.state = AllowGrayed ? State::Grayed : State::Unchecked; break;
    case State::Grayed: f.state = State::Unchecked; break;
    }
    Invalidate();
    if (OnClickCheck) OnClickCheck(this, i);
}

bool TCheckListBox::HandleDrawItem(DRAWITEMSTRUCT* di) {
    if (static_cast<int>(di->itemID) < 0) return true;
    int i = static_cast<int>(di->itemID);
    const Flags& f = At(i);
    HDC dc = di->hDC;
    RECT r = di->rcItem;
    bool selected = di->itemState & ODS_SELECTED;
    FillRect(dc, &r, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    if (!f.header) {
        RECT box{r.left + 2, r.top + 1, r.left + 14, r.top + 13};
        UINT state = DFCS_BUTTONCHECK | DFCS_FLAT;
        if (f.state == State::Checked) state |= DFCS_CHECKED;
        if (f.state == State::Grayed) state |= DFCS_CHECKED | DFCS_INACTIVE;
        if (!f.enabled) state |= DFCS_INACTIVE;
        DrawFrameControl(dc, &box, DFC_BUTTON, state);
    }
    std::wstring text = Widen(Item(i));
    TFont font = font_;
    font.Bold = f.header;
    HFONT old = static_cast<HFONT>(SelectObject(dc, font.Handle()));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(!f.enabled ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    RECT tr{r.left + (f.header ? 2 : 18), r.top, r.right, r.bottom};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &tr, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, old);
    if (di->itemState & ODS_FOCUS) DrawFocusRect(dc, &r);
    return true;
}

// ---- TScrollBox

TScrollBox::TScrollBox(TWinControl* parent) : TWinControl(parent) {
    width_ = 185;
    height_ = 41;
    CreateChildWindow(WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_HSCROLL | WS_VSCROLL |
                          (visible_ ? WS_VISIBLE : 0),
                      WS_EX_CLIENTEDGE);
}

// ---- date and time

SYSTEMTIME DateTimeToSystemTime(double dt) {
    // Days since 1899-12-30 are days since 1601-01-01 less 109205.
    double days = std::floor(dt);
    double ms = std::round((dt - days) * 86400000.0);
    if (ms >= 86400000.0) {
        days += 1;
        ms -= 86400000.0;
    }
    ULARGE_INTEGER u;
    u.QuadPart = (static_cast<ULONGLONG>(days + 109205) * 86400000ULL + static_cast<ULONGLONG>(ms)) * 10000ULL;
    FILETIME ft{u.LowPart, u.HighPart};
    SYSTEMTIME st{};
    FileTimeToSystemTime(&ft, &st);
    return st;
}

double SystemTimeToDateTime(const SYSTEMTIME& st) {
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    ULARGE_INTEGER u{{ft.dwLowDateTime, ft.dwHighDateTime}};
    double ms = static_cast<double>(u.QuadPart / 10000ULL);
    return ms / 86400000.0 - 109205.0;
}

TDateTimePicker::TDateTimePicker(TWinControl* parent, Kind kind, bool upDown) : TControl(parent) {
    width_ = 186;
    height_ = 21;
    DWORD style = kind == Kind::Time ? DTS_TIMEFORMAT : DTS_SHORTDATEFORMAT;
    if (upDown || kind == Kind::Time) style |= DTS_UPDOWN;
    CreateHandle(DATETIMEPICK_CLASSW, style | WS_TABSTOP);
}

double TDateTimePicker::DateTime() const {
    SYSTEMTIME st{};
    SendMessageW(hwnd_, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st));
    return SystemTimeToDateTime(st);
}

void TDateTimePicker::SetDateTime(double dt) {
    SYSTEMTIME st = DateTimeToSystemTime(dt);
    SendMessageW(hwnd_, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
}

void TDateTimePicker::SetRange(double min, double max) {
    min_ = min;
    max_ = max;
    SYSTEMTIME st[2] = {DateTimeToSystemTime(min), DateTimeToSystemTime(max)};
    DWORD flags = (min != 0 ? GDTR_MIN : 0) | (max != 0 ? GDTR_MAX : 0);
    SendMessageW(hwnd_, DTM_SETRANGE, flags, reinterpret_cast<LPARAM>(st));
}

void TDateTimePicker::SetFormat(const std::string& format) {
    std::wstring w = Widen(format);
    SendMessageW(hwnd_, DTM_SETFORMATW, 0, format.empty() ? 0 : reinterpret_cast<LPARAM>(w.c_str()));
}

bool TDateTimePicker::HandleNotify(NMHDR* hdr, LRESULT& result) {
    if (hdr->code != DTN_DATETIMECHANGE) return false;
    result = 0;
    if (OnChange) OnChange(this);
    return true;
}

// ---- TTabControl

TTabControl::TTabControl(TWinControl* parent) : TControl(parent) {
    width_ = 289;
    height_ = 193;
    CreateHandle(WC_TABCONTROLW, TCS_TABS | WS_TABSTOP);
}

void TTabControl::AddTab(const std::string& caption) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    std::wstring w = Widen(caption);
    item.pszText = w.data();
    SendMessageW(hwnd_, TCM_INSERTITEMW, TabCount(), reinterpret_cast<LPARAM>(&item));
}

int TTabControl::TabCount() const { return static_cast<int>(SendMessageW(hwnd_, TCM_GETITEMCOUNT, 0, 0)); }

std::string TTabControl::TabCaption(int i) const {
    wchar_t buf[256] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = buf;
    item.cchTextMax = 255;
    if (!SendMessageW(hwnd_, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&item))) return {};
    return Narrow(buf);
}

int TTabControl::TabIndex() const { return static_cast<int>(SendMessageW(hwnd_, TCM_GETCURSEL, 0, 0)); }

void TTabControl::SetTabIndex(int i) { SendMessageW(hwnd_, TCM_SETCURSEL, i, 0); }

bool TTabControl::HandleNotify(NMHDR* hdr, LRESULT& result) {
    if (hdr->code == TCN_SELCHANGING) {
        bool allow = true;
        if (OnChanging) OnChanging(this, allow);
        result = allow ? FALSE : TRUE;
        return true;
    }
    if (hdr->code == TCN_SELCHANGE) {
        result = 0;
        if (OnChange) OnChange(this);
        return true;
    }
    return false;
}

}  // namespace talvik

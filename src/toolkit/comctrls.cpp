// Rebar and tool bar, status bar, page control, rich edit and pop-up menu over the common
// controls and riched20.
#include "toolkit/comctrls.h"

#include <richedit.h>

#include <cstdio>
#include <stdexcept>

namespace talvik {

// ---- TPopupMenu

TMenuItem* TPopupMenu::Add(const std::string& name, const std::string& caption) {
    items_.push_back(std::make_unique<TMenuItem>());
    items_.back()->Name = name;
    items_.back()->Caption = caption;
    items_.back()->menu_ = this;
    TMenuItem* item = items_.back().get();
    Changed();
    return item;
}

TMenuItem* TMenuItem::Add(const std::string& name, const std::string& caption) {
    Items.push_back(std::make_unique<TMenuItem>());
    TMenuItem* item = Items.back().get();
    item->Name = name;
    item->Caption = caption;
    item->menu_ = menu_;
    if (menu_) menu_->Changed();
    return item;
}

TPopupMenu::~TPopupMenu() {
    auto notifies = std::move(freeNotifies_);
    for (auto& n : notifies) n.second();
}

void TPopupMenu::FreeNotification(const void* who, std::function<void()> notify) {
    RemoveFreeNotification(who);
    freeNotifies_.emplace_back(who, std::move(notify));
}

void TPopupMenu::RemoveFreeNotification(const void* who) {
    std::erase_if(freeNotifies_, [who](const auto& n) { return n.first == who; });
}

namespace {
void AppendItems(HMENU m, const std::vector<std::unique_ptr<TMenuItem>>& items, std::vector<TMenuItem*>& byId) {
    for (const auto& item : items) {
        if (item->Caption == "-") {
            AppendMenuW(m, MF_SEPARATOR, 0, nullptr);
        } else if (!item->Items.empty()) {
            HMENU sub = CreatePopupMenu();
            AppendItems(sub, item->Items, byId);
            AppendMenuW(m, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), Widen(item->Caption).c_str());
        } else {
            byId.push_back(item.get());
            AppendMenuW(m, MF_STRING, byId.size(), Widen(item->Caption).c_str());
        }
    }
}
}  // namespace

void TPopupMenu::Popup(HWND owner, int x, int y) {
    HMENU m = CreatePopupMenu();
    std::vector<TMenuItem*> byId;
    AppendItems(m, items_, byId);
    int cmd = TrackPopupMenu(m, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, x, y, 0, owner, nullptr);
    DestroyMenu(m);
    if (cmd > 0 && cmd <= static_cast<int>(byId.size())) byId[cmd - 1]->Click();
}

// ---- TCoolBar

TCoolBar::TCoolBar(TWinControl* parent) : TWinControl(parent) {
    width_ = 582;
    height_ = 44;
    CreateHandle(REBARCLASSNAMEW, CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER | RBS_BANDBORDERS |
                                      WS_CLIPCHILDREN);
}

void TCoolBar::AddBand(TControl* child, int minHeight) {
    REBARBANDINFOW band{};
    band.cbSize = sizeof(band);
    band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_STYLE | RBBIM_SIZE;
    band.fStyle = RBBS_CHILDEDGE | RBBS_NOGRIPPER;
    band.hwndChild = child->Handle();
    band.cxMinChild = 0;
    band.cyMinChild = minHeight;
    band.cx = width_;
    SendMessageW(hwnd_, RB_INSERTBANDW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band));
}

// ---- TToolButton

void TToolButton::SetImageIndex(int i) {
    image_ = i;
    TBBUTTONINFOW bi{};
    bi.cbSize = sizeof(bi);
    bi.dwMask = TBIF_IMAGE;
    bi.iImage = i;
    SendMessageW(bar_->Handle(), TB_SETBUTTONINFOW, id_, reinterpret_cast<LPARAM>(&bi));
}

bool TToolButton::Down() const { return SendMessageW(bar_->Handle(), TB_ISBUTTONCHECKED, id_, 0) != 0; }

void TToolButton::SetDown(bool d) { SendMessageW(bar_->Handle(), TB_CHECKBUTTON, id_, MAKELONG(d, 0)); }

bool TToolButton::Enabled() const { return SendMessageW(bar_->Handle(), TB_ISBUTTONENABLED, id_, 0) != 0; }

void TToolButton::SetEnabled(bool e) { SendMessageW(bar_->Handle(), TB_ENABLEBUTTON, id_, MAKELONG(e, 0)); }

void TToolButton::SetDropdownMenu(TPopupMenu* m) {
    menu_ = m;
    TBBUTTONINFOW bi{};
    bi.cbSize = sizeof(bi);
    bi.dwMask = TBIF_STYLE;
    SendMessageW(bar_->Handle(), TB_GETBUTTONINFOW, id_, reinterpret_cast<LPARAM>(&bi));
    bi.dwMask = TBIF_STYLE;
    if (m) {
        bi.fsStyle |= BTNS_DROPDOWN;
    } else {
        bi.fsStyle &= ~BTNS_DROPDOWN;
    }
    SendMessageW(bar_->Handle(), TB_SETBUTTONINFOW, id_, reinterpret_cast<LPARAM>(&bi));
    // The arrow changes the button's width: let the bar lay itself out again.
    SendMessageW(bar_->Handle(), TB_AUTOSIZE, 0, 0);
}

RECT TToolButton::ScreenRect() const {
    RECT r{};
    SendMessageW(bar_->Handle(), TB_GETRECT, id_, reinterpret_cast<LPARAM>(&r));
    MapWindowPoints(bar_->Handle(), nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// ---- TToolBar

TToolBar::TToolBar(TWinControl* parent, int buttonWidth, int buttonHeight)
    : TControl(parent), bw_(buttonWidth), bh_(buttonHeight) {
    width_ = parent ? parent->Width() : 500;
    height_ = buttonHeight + 2;
    CreateHandle(TOOLBARCLASSNAMEW, TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NODIVIDER | CCS_NORESIZE |
                                        CCS_NOPARENTALIGN);
    SendMessageW(hwnd_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(hwnd_, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    if (TForm* f = OwnerForm()) SendMessageW(hwnd_, TB_SETPARENT, reinterpret_cast<WPARAM>(f->Handle()), 0);
}

TToolBar::~TToolBar() {
    for (auto& b : buttons_) CommandTargets().erase(b->Id());
}

void TToolBar::SetImages(TImageList* images) {
    images_ = images;
    SendMessageW(hwnd_, TB_SETBITMAPSIZE, 0, MAKELONG(images->Width(), images->Height()));
    SendMessageW(hwnd_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images->Handle()));
    SendMessageW(hwnd_, TB_SETBUTTONSIZE, 0, MAKELONG(bw_, bh_));
}

TToolButton* TToolBar::AddButton(const std::string& name, TToolButton::Style style, int imageIndex) {
    static int nextId = 1000;
    int id = nextId++;
    buttons_.push_back(std::unique_ptr<TToolButton>(new TToolButton(this, name, id, style, imageIndex)));
    CommandTargets()[id] = this;
    TBBUTTON b{};
    b.iBitmap = style == TToolButton::Style::Separator ? 3 : imageIndex;  // separator width
    b.idCommand = id;
    b.fsState = TBSTATE_ENABLED;
    b.fsStyle = style == TToolButton::Style::Separator ? BTNS_SEP
                : style == TToolButton::Style::Check   ? BTNS_CHECK
                                                       : BTNS_BUTTON;
    SendMessageW(hwnd_, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&b));
    SendMessageW(hwnd_, TB_SETBUTTONSIZE, 0, MAKELONG(bw_, bh_));
    return buttons_.back().get();
}

TToolButton* TToolBar::ButtonById(int id) const {
    for (auto& b : buttons_)
        if (b->Id() == id) return b.get();
    return nullptr;
}

bool TToolBar::HandleCommand(WORD, WORD id) {
    TToolButton* b = ButtonById(id);
    if (!b) return false;
    b->Click();
    return true;
}

bool TToolBar::HandleNotify(NMHDR* hdr, LRESULT& result) {
    if (hdr->code == TBN_DROPDOWN) {
        auto* nm = reinterpret_cast<NMTOOLBARW*>(hdr);
        TToolButton* b = ButtonById(nm->iItem);
        if (!b || !b->DropdownMenu()) return false;
        RECT r = b->ScreenRect();
        HWND owner = OwnerForm() ? OwnerForm()->Handle() : hwnd_;
        b->DropdownMenu()->Popup(owner, r.left, r.bottom);
        result = TBDDRET_DEFAULT;
        return true;
    }
    if (hdr->code == TTN_GETDISPINFOW) {
        auto* di = reinterpret_cast<NMTTDISPINFOW*>(hdr);
        static std::wstring text;
        TToolButton* b = ButtonById(static_cast<int>(hdr->idFrom));
        text = b ? Widen(GetShortHint(b->Hint)) : L"";
        di->lpszText = text.data();
        result = 0;
        return true;
    }
    return false;
}

std::string TToolBar::HintAt(POINT pt) const {
    int index = static_cast<int>(SendMessageW(hwnd_, TB_HITTEST, 0, reinterpret_cast<LPARAM>(&pt)));
    if (index >= 0 && index < static_cast<int>(buttons_.size())) return buttons_[index]->Hint;
    return hint_;
}

// ---- TStatusBar

namespace {

// A bar that does not size itself (CCS_NORESIZE) lays its parts out only when they are set: the
// last part would keep the width the bar had then. The parts are set again at every new size.
LRESULT CALLBACK StatusBarSized(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR self) {
    const LRESULT r = DefSubclassProc(h, msg, wp, lp);
    if (msg == WM_SIZE) reinterpret_cast<TStatusBar*>(self)->ApplyPanelWidths();
    return r;
}

}  // namespace

TStatusBar::TStatusBar(TWinControl* parent) : TControl(parent) {
    height_ = 22;
    CreateHandle(STATUSCLASSNAMEW, CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER);
    WhenMade([this](HWND h) {
        SetWindowSubclass(h, StatusBarSized, 1, reinterpret_cast<DWORD_PTR>(this));
        ApplyPanelWidths();
    });
}

TStatusBar::~TStatusBar() {
    if (hwnd_.Raw()) RemoveWindowSubclass(hwnd_.Raw(), StatusBarSized, 1);
}

void TStatusBar::SetPanelWidths(const std::vector<int>& widths) {
    widths_ = widths;
    ApplyPanelWidths();
}

void TStatusBar::ApplyPanelWidths() {
    if (!hwnd_.Raw() || widths_.empty()) return;
    // The last edge is the bar's own right end, not "to the end" (-1): parts that are set
    // again unchanged are not laid out again, so the edge must change with the size.
    RECT client{};
    GetClientRect(hwnd_.Raw(), &client);
    std::vector<int> edges;
    int x = 0;
    for (size_t i = 0; i < widths_.size(); ++i) {
        x += widths_[i];
        edges.push_back(i + 1 == widths_.size() ? (client.right > 0 ? static_cast<int>(client.right) : -1) : x);
    }
    SendMessageW(hwnd_.Raw(), SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
}

void TStatusBar::SetPanelText(int i, const std::string& s) {
    if (i < 0 || i >= PanelCount()) throw std::out_of_range("List index out of bounds");
    SendMessageW(hwnd_, SB_SETTEXTW, i, reinterpret_cast<LPARAM>(Widen(s).c_str()));
}

std::string TStatusBar::PanelText(int i) const {
    if (i < 0 || i >= PanelCount()) throw std::out_of_range("List index out of bounds");
    LRESULT n = LOWORD(SendMessageW(hwnd_, SB_GETTEXTLENGTHW, i, 0));
    std::wstring w(n + 1, L'\0');
    SendMessageW(hwnd_, SB_GETTEXTW, i, reinterpret_cast<LPARAM>(w.data()));
    w.resize(n);
    return Narrow(w);
}

// ---- TPageControl

TTabSheet::TTabSheet(TWinControl* parent) : TWinControl(parent) {
    CreateChildWindow(WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    visible_ = false;
}

TPageControl::TPageControl(TWinControl* parent) : TWinControl(parent) {
    width_ = 300;
    height_ = 200;
    CreateHandle(WC_TABCONTROLW, WS_CLIPCHILDREN | TCS_TABS);
}

TTabSheet* TPageControl::AddPage(const std::string& caption) {
    auto* page = new TTabSheet(this);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    std::wstring w = Widen(caption);
    item.pszText = w.data();
    SendMessageW(hwnd_, TCM_INSERTITEMW, pages_.size(), reinterpret_cast<LPARAM>(&item));
    pages_.push_back(page);
    Relayout();
    ShowActive();
    return page;
}

void TPageControl::SetPageCaption(int i, const std::string& caption) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    std::wstring w = Widen(caption);
    item.pszText = w.data();
    SendMessageW(hwnd_, TCM_SETITEMW, i, reinterpret_cast<LPARAM>(&item));
}

int TPageControl::ActivePageIndex() const { return static_cast<int>(SendMessageW(hwnd_, TCM_GETCURSEL, 0, 0)); }

void TPageControl::SetActivePageIndex(int i) {
    SendMessageW(hwnd_, TCM_SETCURSEL, i, 0);
    ShowActive();
}

void TPageControl::Relayout() {
    RECT r{0, 0, width_, height_};
    SendMessageW(hwnd_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
    for (TTabSheet* p : pages_) p->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

void TPageControl::ShowActive() {
    int active = ActivePageIndex();
    for (size_t i = 0; i < pages_.size(); ++i) pages_[i]->SetVisible(static_cast<int>(i) == active);
}

bool TPageControl::HandleNotify(NMHDR* hdr, LRESULT& result) {
    if (hdr->code != TCN_SELCHANGE) return false;
    ShowActive();
    if (OnChange) OnChange(this);
    result = 0;
    return true;
}

// ---- TRichEdit

namespace {

struct StreamBuf {
    std::string data;
    size_t pos = 0;
};

DWORD CALLBACK StreamOut(DWORD_PTR cookie, LPBYTE buf, LONG cb, LONG* done) {
    auto* s = reinterpret_cast<StreamBuf*>(cookie);
    s->data.append(reinterpret_cast<const char*>(buf), cb);
    *done = cb;
    return 0;
}

DWORD CALLBACK StreamIn(DWORD_PTR cookie, LPBYTE buf, LONG cb, LONG* done) {
    auto* s = reinterpret_cast<StreamBuf*>(cookie);
    size_t n = std::min(static_cast<size_t>(cb), s->data.size() - s->pos);
    memcpy(buf, s->data.data() + s->pos, n);
    s->pos += n;
    *done = static_cast<LONG>(n);
    return 0;
}

void StreamInText(HWND h, const std::string& data, UINT format) {
    StreamBuf s{data, 0};
    EDITSTREAM es{reinterpret_cast<DWORD_PTR>(&s), 0, StreamIn};
    SendMessageW(h, EM_STREAMIN, format, reinterpret_cast<LPARAM>(&es));
}

}  // namespace

TRichEdit::TRichEdit(TWinControl* parent) : TControl(parent) {
    static HMODULE lib = LoadLibraryW(L"riched20.dll");
    if (!lib) throw std::runtime_error("Cannot load riched20.dll");
    width_ = 185;
    height_ = 89;
    CreateHandle(RICHEDIT_CLASSW, ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL | ES_WANTRETURN, WS_EX_CLIENTEDGE);
    WhenMade([](HWND h) { SendMessageW(h, EM_EXLIMITTEXT, 0, 0x7FFFFFF); });
}

void TRichEdit::SetReadOnly(bool r) {
    WhenMade([r](HWND h) { SendMessageW(h, EM_SETREADONLY, r, 0); });
}

void TRichEdit::Clear() { SetWindowTextW(hwnd_, L""); }

void TRichEdit::Add(const std::string& line) { AddStyled(line, font_, GetSysColor(COLOR_WINDOWTEXT)); }

void TRichEdit::AddStyled(const std::string& line, const TFont& font, COLORREF color) {
    int len = GetWindowTextLengthW(hwnd_);
    std::wstring piece = (len > 0 ? L"\r" : L"") + Widen(line);
    CHARRANGE end{-1, -1};
    SendMessageW(hwnd_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&end));
    CHARFORMAT2W cf{};
    cf.cbSize = sizeof(cf);
    cf.dwMask = CFM_FACE | CFM_SIZE | CFM_CHARSET | CFM_COLOR | CFM_BOLD;
    std::wstring face = Widen(font.Name);
    wcsncpy(cf.szFaceName, face.c_str(), LF_FACESIZE - 1);
    cf.yHeight = font.Size * 20;
    cf.bCharSet = static_cast<BYTE>(font.Charset);
    cf.crTextColor = color;
    cf.dwEffects = font.Bold ? CFE_BOLD : 0;
    SendMessageW(hwnd_, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
    SendMessageW(hwnd_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(piece.c_str()));
}

std::string TRichEdit::PlainText() const {
    GETTEXTLENGTHEX gl{GTL_DEFAULT, 1200};
    LRESULT n = SendMessageW(hwnd_, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&gl), 0);
    std::wstring w(n + 1, L'\0');
    GETTEXTEX gt{};
    gt.cb = static_cast<DWORD>((n + 1) * sizeof(wchar_t));
    gt.flags = GT_DEFAULT;
    gt.codepage = 1200;
    n = SendMessageW(hwnd_, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&gt), reinterpret_cast<LPARAM>(w.data()));
    w.resize(n);
    return Narrow(w);
}

std::string TRichEdit::Rtf() const {
    StreamBuf s;
    EDITSTREAM es{reinterpret_cast<DWORD_PTR>(&s), 0, StreamOut};
    SendMessageW(hwnd_, EM_STREAMOUT, SF_RTF, reinterpret_cast<LPARAM>(&es));
    return s.data;
}

void TRichEdit::SetRtf(const std::string& rtf) { StreamInText(hwnd_, rtf, SF_RTF); }

void TRichEdit::LoadFromFile(const std::string& path) {
    FILE* f = _wfopen(Widen(path).c_str(), L"rb");
    if (!f) throw std::runtime_error("Cannot open file \"" + path + "\"");
    std::string data;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, n);
    bool bad = ferror(f);
    fclose(f);
    if (bad) throw std::runtime_error("Read error on \"" + path + "\"");
    if (data.rfind("{\\rtf", 0) == 0) {
        StreamInText(hwnd_, data, SF_RTF);
    } else {
        StreamInText(hwnd_, data, SF_TEXT);
    }
}

void TRichEdit::Print(HDC dc, const std::string& title) const { PrintRichText(hwnd_, dc, title); }

// ---- TTreeView

TTreeView::TTreeView(TWinControl* parent)
    : TTreeView(parent, TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS) {}

TTreeView::TTreeView(TWinControl* parent, DWORD style) : TControl(parent) {
    width_ = 121;
    height_ = 97;
    CreateHandle(WC_TREEVIEWW, style | WS_TABSTOP, WS_EX_CLIENTEDGE);
}

HTREEITEM TTreeView::AddItem(HTREEITEM parent, const std::string& text, void* data) {
    std::wstring w = Widen(text);
    TVINSERTSTRUCTW ins{};
    ins.hParent = parent ? parent : TVI_ROOT;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT | TVIF_PARAM;
    ins.item.pszText = w.data();
    ins.item.lParam = reinterpret_cast<LPARAM>(data);
    return reinterpret_cast<HTREEITEM>(SendMessageW(hwnd_, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins)));
}

void TTreeView::DeleteItem(HTREEITEM item) { SendMessageW(hwnd_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item)); }

void TTreeView::Clear() { SendMessageW(hwnd_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT)); }

int TTreeView::Count() const { return static_cast<int>(SendMessageW(hwnd_, TVM_GETCOUNT, 0, 0)); }

std::string TTreeView::ItemText(HTREEITEM item) const {
    wchar_t buf[512] = {};
    TVITEMW it{};
    it.mask = TVIF_TEXT;
    it.hItem = item;
    it.pszText = buf;
    it.cchTextMax = 511;
    if (!SendMessageW(hwnd_, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it))) return {};
    return Narrow(buf);
}

void TTreeView::SetItemText(HTREEITEM item, const std::string& text) {
    std::wstring w = Widen(text);
    TVITEMW it{};
    it.mask = TVIF_TEXT;
    it.hItem = item;
    it.pszText = w.data();
    SendMessageW(hwnd_, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&it));
}

void* TTreeView::ItemData(HTREEITEM item) const {
    TVITEMW it{};
    it.mask = TVIF_PARAM;
    it.hItem = item;
    if (!SendMessageW(hwnd_, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it))) return nullptr;
    return reinterpret_cast<void*>(it.lParam);
}

namespace {
HTREEITEM TreeNext(HWND h, UINT code, HTREEITEM item) {
    return reinterpret_cast<HTREEITEM>(SendMessageW(h, TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(item)));
}
}  // namespace

HTREEITEM TTreeView::Root() const { return TreeNext(hwnd_, TVGN_ROOT, nullptr); }
HTREEITEM TTreeView::FirstChild(HTREEITEM item) const { return TreeNext(hwnd_, TVGN_CHILD, item); }
HTREEITEM TTreeView::NextSibling(HTREEITEM item) const { return TreeNext(hwnd_, TVGN_NEXT, item); }
HTREEITEM TTreeView::ParentItem(HTREEITEM item) const { return TreeNext(hwnd_, TVGN_PARENT, item); }
HTREEITEM TTreeView::Selected() const { return TreeNext(hwnd_, TVGN_CARET, nullptr); }

void TTreeView::SetSelected(HTREEITEM item) {
    SendMessageW(hwnd_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
}

void TTreeView::SetReadOnly(bool r) {
    LONG style = GetWindowLongW(hwnd_, GWL_STYLE);
    SetWindowLongW(hwnd_, GWL_STYLE, r ? (style & ~TVS_EDITLABELS) : (style | TVS_EDITLABELS));
}

bool TTreeView::HandleNotify(NMHDR* hdr, LRESULT& result) {
    result = 0;
    if (hdr->code == TVN_SELCHANGEDW || hdr->code == TVN_SELCHANGEDA) {
        if (OnChange) OnChange(this);
        return true;
    }
    if (hdr->code == NM_DBLCLK) {
        if (OnDblClick) OnDblClick(this);
        return false;  // the system still expands or collapses the item
    }
    return false;
}

}  // namespace talvik

// The tree view over the system's SysTreeView32: nodes mirrored in objects of our own (the
// item's lParam points at its node), state bits for bold and checked nodes, custom drawing
// from the selection list, the page-control and menu links and the drag auto-scroll timer.
#include "controls/XcComCtrls.h"

#include <windowsx.h>

#include <cstring>

#include "base/rtl.h"

namespace talvik {

TUnitVersionRegistration XcComCtrlsUnit(MakeUnitVersion("XcComCtrls.cpp", "XCL\\run"));

namespace {

// Posted to the tree after the system toggled a check box, to bring the node's cache in step.
constexpr UINT kSyncCheckMessage = WM_APP + 0x351;
constexpr UINT_PTR kDragScrollTimer = 100;
constexpr UINT kDragScrollInterval = 200;

COLORREF ColorToRGB(std::uint32_t c) {
    if (c & 0x80000000u) return GetSysColor(static_cast<int>(c & 0xFF));
    return static_cast<COLORREF>(c & 0x00FFFFFF);
}

COLORREF TreeFontColor() { return GetSysColor(COLOR_WINDOWTEXT); }
COLORREF TreeColor() { return GetSysColor(COLOR_WINDOW); }

}  // namespace

// ---- TXcTreeNode

TXcTreeNode::~TXcTreeNode() = default;

TXcTreeNode* TXcTreeNode::Item(int i) const {
    if (i < 0 || i >= Count()) throw ERangeError();
    return children_[static_cast<std::size_t>(i)].get();
}

int TXcTreeNode::AbsoluteIndex() const {
    int index = -1, i = 0;
    tree_->Items.ForEach([&](TXcTreeNode* n) {
        if (n == this) {
            index = i;
            return false;
        }
        ++i;
        return true;
    });
    return index;
}

int TXcTreeNode::Level() const {
    int level = 0;
    for (TXcTreeNode* p = parent_; p; p = p->parent_) ++level;
    return level;
}

void TXcTreeNode::SetText(const std::string& s) {
    text_ = s;
    if (!item_) return;
    std::wstring w = Widen(s);
    TVITEMW it{};
    it.mask = TVIF_TEXT;
    it.hItem = item_;
    it.pszText = w.data();
    SendMessageW(tree_->Handle(), TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&it));
}

void TXcTreeNode::SetImageIndex(int i) {
    imageIndex_ = i;
    if (!item_) return;
    TVITEMW it{};
    it.mask = TVIF_IMAGE;
    it.hItem = item_;
    it.iImage = i;
    SendMessageW(tree_->Handle(), TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&it));
}

void TXcTreeNode::SetSelectedIndex(int i) {
    selectedIndex_ = i;
    if (!item_) return;
    TVITEMW it{};
    it.mask = TVIF_SELECTEDIMAGE;
    it.hItem = item_;
    it.iSelectedImage = i;
    SendMessageW(tree_->Handle(), TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&it));
}

bool TXcTreeNode::Selected() const { return tree_->Selected() == this; }

void TXcTreeNode::Expand(bool recurse) {
    if (item_) SendMessageW(tree_->Handle(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item_));
    if (recurse)
        for (auto& c : children_) c->Expand(true);
}

void TXcTreeNode::Collapse() {
    if (item_) SendMessageW(tree_->Handle(), TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(item_));
}

bool TXcTreeNode::Expanded() const { return (State(TVIS_EXPANDED) & TVIS_EXPANDED) != 0; }

unsigned TXcTreeNode::State(unsigned mask) const {
    if (!item_) return 0;
    TVITEMW it{};
    it.mask = TVIF_STATE | TVIF_HANDLE;
    it.hItem = item_;
    it.stateMask = mask;
    SendMessageW(tree_->Handle(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
    return it.state & mask;
}

void TXcTreeNode::SetState(unsigned state, unsigned mask) {
    if (!item_) return;
    TVITEMW it{};
    it.mask = TVIF_STATE | TVIF_HANDLE;
    it.hItem = item_;
    it.state = state;
    it.stateMask = mask;
    SendMessageW(tree_->Handle(), TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&it));
}

bool TXcTreeNode::Bold() const { return item_ ? (State(kTreeStateBold) & kTreeStateBold) != 0 : bold_; }

void TXcTreeNode::SetBold(bool b) {
    bold_ = b;
    SetState(b ? kTreeStateBold : 0, kTreeStateBold);
}

bool TXcTreeNode::Checked() const { return item_ ? TreeStateIsChecked(State(kTreeStateImageMask)) : checked_; }

void TXcTreeNode::WriteCheckState() { SetState(TreeCheckState(checked_), kTreeStateImageMask); }

void TXcTreeNode::SetChecked(bool c) {
    if (c == checked_) return;
    checked_ = c;
    WriteCheckState();
    if (OnCheckedChange) OnCheckedChange(this);
}

void TXcTreeNode::ReapplyChecked() {
    if (!item_ || TreeStateIsChecked(State(kTreeStateImageMask)) == checked_) return;
    WriteCheckState();
    if (OnCheckedChange) OnCheckedChange(this);
}

TFont& TXcTreeNode::Font() {
    if (!font_) font_ = std::make_unique<TFont>(tree_->Font());
    return *font_;
}

TXcBrush& TXcTreeNode::Brush() {
    if (!brush_) brush_ = std::make_unique<TXcBrush>(TXcBrush{TreeColor()});
    return *brush_;
}

void TXcTreeNode::Assign(const TXcTreeNode& other) {
    SetChecked(other.Checked());
    SetBold(other.Bold());
    PopupMenu = other.PopupMenu;
    if (other.font_) Font() = *other.font_;
    if (other.brush_) Brush() = *other.brush_;
}

void TXcTreeNode::MoveTo(TXcTreeNode* newParent) {
    for (TXcTreeNode* p = newParent; p; p = p->parent_)
        if (p == this) return;  // not into its own branch
    // The window forgets the item's state image on the way: keep what it shows now.
    std::function<void(TXcTreeNode*)> keep = [&](TXcTreeNode* n) {
        if (n->item_) n->checked_ = TreeStateIsChecked(n->State(kTreeStateImageMask));
        for (auto& c : n->children_) keep(c.get());
    };
    keep(this);
    TXcTreeNodes& items = tree_->Items;
    auto& from = items.Siblings(parent_);
    auto it = std::find_if(from.begin(), from.end(), [this](const auto& p) { return p.get() == this; });
    std::unique_ptr<TXcTreeNode> self = std::move(*it);
    from.erase(it);
    if (item_) SendMessageW(tree_->Handle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item_));
    items.Forget(this);
    parent_ = newParent;
    items.Siblings(newParent).push_back(std::move(self));
    items.Realize(this);
}

// ---- TXcTreeNodes

std::vector<std::unique_ptr<TXcTreeNode>>& TXcTreeNodes::Siblings(TXcTreeNode* parent) {
    return parent ? parent->children_ : roots_;
}

void TXcTreeNodes::Forget(TXcTreeNode* node) {
    node->item_ = nullptr;
    for (auto& c : node->children_) Forget(c.get());
}

void TXcTreeNodes::Realize(TXcTreeNode* n) {
    std::wstring w = Widen(n->text_);
    TVINSERTSTRUCTW ins{};
    ins.hParent = n->parent_ ? n->parent_->item_ : TVI_ROOT;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
    ins.item.pszText = w.data();
    ins.item.lParam = reinterpret_cast<LPARAM>(n);
    ins.item.iImage = n->imageIndex_;
    ins.item.iSelectedImage = n->selectedIndex_;
    ins.item.stateMask = kTreeStateBold | kTreeStateImageMask;
    ins.item.state = (n->bold_ ? kTreeStateBold : 0) | TreeCheckState(n->checked_);
    n->item_ = reinterpret_cast<HTREEITEM>(
        SendMessageW(tree_->Handle(), TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins)));
    for (auto& c : n->children_) Realize(c.get());
}

TXcTreeNode* TXcTreeNodes::Insert(TXcTreeNode* parent, const std::string& text, void* data) {
    auto node = std::unique_ptr<TXcTreeNode>(new TXcTreeNode(tree_, parent));
    TXcTreeNode* n = node.get();
    n->text_ = text;
    n->Data = data;
    n->OnCheckedChange = [tree = tree_](TXcTreeNode* changed) { tree->NodeCheckedChange(changed); };
    Siblings(parent).push_back(std::move(node));
    if (tree_->Handle()) Realize(n);
    return n;
}

TXcTreeNode* TXcTreeNodes::Add(TXcTreeNode* sibling, const std::string& text) {
    return Insert(sibling ? sibling->parent_ : nullptr, text, nullptr);
}

TXcTreeNode* TXcTreeNodes::AddObject(TXcTreeNode* sibling, const std::string& text, void* data) {
    return Insert(sibling ? sibling->parent_ : nullptr, text, data);
}

TXcTreeNode* TXcTreeNodes::AddChild(TXcTreeNode* parent, const std::string& text) {
    return Insert(parent, text, nullptr);
}

TXcTreeNode* TXcTreeNodes::AddChildObject(TXcTreeNode* parent, const std::string& text, void* data) {
    return Insert(parent, text, data);
}

void TXcTreeNodes::Delete(TXcTreeNode* node) {
    if (!node) return;
    std::function<void(TXcTreeNode*)> unlist = [&](TXcTreeNode* n) {
        tree_->selection_.NodeDeleted(n);
        for (auto& c : n->children_) unlist(c.get());
    };
    unlist(node);
    if (node->item_ && tree_->Handle())
        SendMessageW(tree_->Handle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(node->item_));
    auto& sib = Siblings(node->parent_);
    std::erase_if(sib, [node](const auto& p) { return p.get() == node; });
}

void TXcTreeNodes::Clear() {
    ForEach([this](TXcTreeNode* n) {
        tree_->selection_.NodeDeleted(n);
        return true;
    });
    if (tree_->Handle()) SendMessageW(tree_->Handle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    roots_.clear();
}

bool TXcTreeNodes::ForEach(const std::function<bool(TXcTreeNode*)>& f) const {
    std::function<bool(const std::vector<std::unique_ptr<TXcTreeNode>>&)> walk =
        [&](const std::vector<std::unique_ptr<TXcTreeNode>>& list) {
            for (const auto& n : list) {
                if (!f(n.get())) return false;
                if (!walk(n->children_)) return false;
            }
            return true;
        };
    return walk(roots_);
}

int TXcTreeNodes::Count() const {
    int n = 0;
    ForEach([&](TXcTreeNode*) {
        ++n;
        return true;
    });
    return n;
}

TXcTreeNode* TXcTreeNodes::Item(int absoluteIndex) const {
    TXcTreeNode* found = nullptr;
    int i = 0;
    ForEach([&](TXcTreeNode* n) {
        if (i++ == absoluteIndex) {
            found = n;
            return false;
        }
        return true;
    });
    if (!found) throw ERangeError();
    return found;
}

TXcTreeNode* TXcTreeNodes::GetFirstNode() const { return roots_.empty() ? nullptr : roots_.front().get(); }

void TXcTreeNodes::BeginUpdate() {
    if (updating_++ == 0 && tree_->Handle()) SendMessageW(tree_->Handle(), WM_SETREDRAW, FALSE, 0);
}

void TXcTreeNodes::EndUpdate() {
    if (updating_ == 0) return;
    if (--updating_ == 0 && tree_->Handle()) {
        SendMessageW(tree_->Handle(), WM_SETREDRAW, TRUE, 0);
        InvalidateRect(tree_->Handle(), nullptr, TRUE);
    }
}

// ---- TXcTreeView

TXcTreeView::TXcTreeView(TWinControl* parent)
    : TXcExTreeView(parent, TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT) {
    selection_.OnInvalidate = [this](TXcTreeNode* n) { InvalidateNode(n); };
    selection_.OnSelectionChange = [this] {
        if (OnSelectionChange) OnSelectionChange(this);
    };
    ApplyKeptLooks();
}

TXcTreeView::~TXcTreeView() {
    destroying_ = true;
    SetMenu(nullptr);
    SetPageControl(nullptr);
    if (hwnd_) {
        if (scrollTimer_) KillTimer(hwnd_, kDragScrollTimer);
        if (dragImage_) ImageList_Destroy(dragImage_);
        // Items go while this object can still ignore what the window tells of them.
        SendMessageW(hwnd_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    }
    if (hotFont_) DeleteObject(hotFont_);
}

void TXcTreeView::ApplyKeptLooks() {
    // Values set before the window existed are not lost: the window gets them now.
    // A height never set is left to the tree, whose rows then follow its font.
    if (keptItemHeight_ > 0) SendMessageW(hwnd_, TVM_SETITEMHEIGHT, keptItemHeight_, 0);
    if (keptLineColor_ != clDefault) SetLineColor(keptLineColor_);
    SendMessageW(hwnd_, TVM_SETINDENT, keptIndent_, 0);
    if (checkboxes_) {
        SetWindowLongW(hwnd_, GWL_STYLE, GetWindowLongW(hwnd_, GWL_STYLE) | TVS_CHECKBOXES);
        reapplyChecks_ = true;
    }
}

int TXcTreeView::ItemHeight() const {
    if (!hwnd_) return keptItemHeight_ > 0 ? keptItemHeight_ : kDefaultTreeItemHeight;
    return static_cast<int>(SendMessageW(hwnd_, TVM_GETITEMHEIGHT, 0, 0));
}

void TXcTreeView::SetItemHeight(int h) {
    keptItemHeight_ = TreeItemHeightToSet(h);
    if (hwnd_) SendMessageW(hwnd_, TVM_SETITEMHEIGHT, keptItemHeight_, 0);
}

std::uint32_t TXcTreeView::LineColor() const {
    if (!hwnd_) return keptLineColor_;
    return static_cast<std::uint32_t>(SendMessageW(hwnd_, TVM_GETLINECOLOR, 0, 0));
}

void TXcTreeView::SetLineColor(std::uint32_t c) {
    keptLineColor_ = c;
    if (!hwnd_) return;
    COLORREF rgb = c == clDefault ? TreeFontColor() : ColorToRGB(c);
    SendMessageW(hwnd_, TVM_SETLINECOLOR, 0, static_cast<LPARAM>(rgb));
}

int TXcTreeView::Indent() const {
    return hwnd_ ? static_cast<int>(SendMessageW(hwnd_, TVM_GETINDENT, 0, 0)) : keptIndent_;
}

void TXcTreeView::SetIndent(int i) {
    keptIndent_ = i;
    if (hwnd_) SendMessageW(hwnd_, TVM_SETINDENT, i, 0);
}

void TXcTreeView::SetCheckboxes(bool c) {
    if (c == checkboxes_) return;
    checkboxes_ = c;
    if (!hwnd_) return;
    // Every node's check state as the window shows it now, so the change of style loses none.
    Items.ForEach([](TXcTreeNode* n) {
        n->checked_ = TreeStateIsChecked(n->State(kTreeStateImageMask));
        return true;
    });
    LONG style = GetWindowLongW(hwnd_, GWL_STYLE);
    SetWindowLongW(hwnd_, GWL_STYLE, c ? (style | TVS_CHECKBOXES) : (style & ~TVS_CHECKBOXES));
    reapplyChecks_ = true;
    Invalidate();
}

TXcTreeNode* TXcTreeView::NodeFromItem(HTREEITEM item) const {
    if (!item || !hwnd_) return nullptr;
    TVITEMW it{};
    it.mask = TVIF_PARAM | TVIF_HANDLE;
    it.hItem = item;
    if (!SendMessageW(hwnd_, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it))) return nullptr;
    return reinterpret_cast<TXcTreeNode*>(it.lParam);
}

TXcTreeNode* TXcTreeView::Selected() const {
    if (!hwnd_) return nullptr;
    auto item = reinterpret_cast<HTREEITEM>(SendMessageW(hwnd_, TVM_GETNEXTITEM, TVGN_CARET, 0));
    return NodeFromItem(item);
}

void TXcTreeView::SetSelected(TXcTreeNode* node) {
    if (hwnd_)
        SendMessageW(hwnd_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(node ? node->item_ : nullptr));
}

int TXcTreeView::ItemIndex() const {
    TXcTreeNode* n = Selected();
    return n ? n->AbsoluteIndex() : -1;
}

void TXcTreeView::SetItemIndex(int i) { SetSelected(i == -1 ? nullptr : Items.Item(i)); }

TXcTreeNode* TXcTreeView::GetNodeAt(int x, int y) const {
    TVHITTESTINFO ht{};
    ht.pt = {x, y};
    SendMessageW(hwnd_, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&ht));
    return (ht.flags & TVHT_ONITEM) ? NodeFromItem(ht.hItem) : nullptr;
}

void TXcTreeView::FullExpand() {
    for (auto& r : Items.roots_) r->Expand(true);
}

int TXcTreeView::SelectedCount() const { return MultiSelect ? selection_.Count() : -1; }

TXcTreeNode* TXcTreeView::SelectedItem(int i) const {
    if (i < 0 || i >= selection_.Count()) throw ERangeError();
    return selection_.Items()[static_cast<std::size_t>(i)];
}

void TXcTreeView::NodeCheckedChange(TXcTreeNode* node) {
    if (OnNodeCheckedChange) OnNodeCheckedChange(this, node);
}

void TXcTreeView::SyncCheckFromWindow(TXcTreeNode* node) {
    if (!node || !node->item_) return;
    bool shown = TreeStateIsChecked(node->State(kTreeStateImageMask));
    if (shown == node->checked_) return;
    node->checked_ = shown;
    if (node->OnCheckedChange) node->OnCheckedChange(node);
}

// ---- menu and page control

void TXcTreeView::SetMenu(TPopupMenu* m) {
    if (m == menu_) return;
    if (menu_) {
        menu_->OnChange = savedMenuChange_;
        menu_->RemoveFreeNotification(this);
    }
    savedMenuChange_ = nullptr;
    menu_ = m;
    if (!m) return;
    savedMenuChange_ = m->OnChange;
    m->OnChange = [this](TPopupMenu* pm) {
        if (savedMenuChange_) savedMenuChange_(pm);
        RebuildFromMenu();
    };
    m->FreeNotification(this, [this] {
        menu_ = nullptr;
        savedMenuChange_ = nullptr;
    });
    RebuildFromMenu();
}

void TXcTreeView::AddMenuItems(TXcTreeNode* parent, const std::vector<std::unique_ptr<TMenuItem>>& items) {
    for (const auto& item : items) {
        if (!MenuItemGivesNode(item->Caption)) continue;
        TXcTreeNode* n = Items.AddChildObject(parent, StripHotkey(item->Caption), item.get());
        n->menuItem_ = item.get();
        n->SetImageIndex(item->ImageIndex);
        n->SetSelectedIndex(item->ImageIndex);
        AddMenuItems(n, item->Items);
    }
}

void TXcTreeView::RebuildFromMenu() {
    if (!menu_) return;
    Items.BeginUpdate();
    try {
        Items.Clear();
        AddMenuItems(nullptr, menu_->Items());
    } catch (...) {
        Items.EndUpdate();
        throw;
    }
    Items.EndUpdate();
}

void TXcTreeView::ClickMenuItemOf(TXcTreeNode* node) {
    if (!menu_ || !node || !node->menuItem_ || !node->menuItem_->OnClick) return;
    node->menuItem_->OnClick(node->menuItem_);
}

LRESULT CALLBACK TXcTreeView::WatchProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR ref) {
    if (msg == WM_NCDESTROY) {
        auto* self = reinterpret_cast<TXcTreeView*>(ref);
        self->pageControl_ = nullptr;
        RemoveWindowSubclass(hwnd, WatchProc, id);
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

void TXcTreeView::SetPageControl(TPageControl* p) {
    if (p == pageControl_) return;
    if (pageControl_ && pageControl_->Handle())
        RemoveWindowSubclass(pageControl_->Handle(), WatchProc, reinterpret_cast<UINT_PTR>(this));
    pageControl_ = p;
    // The page control may go first: its window's end tells us to forget it.
    if (p && p->Handle())
        SetWindowSubclass(p->Handle(), WatchProc, reinterpret_cast<UINT_PTR>(this), reinterpret_cast<DWORD_PTR>(this));
}

bool TXcTreeView::ComparePage(TTabSheet* page, TXcTreeNode* node) {
    if (OnComparePage) {
        bool accept = false;
        OnComparePage(this, page, accept, node);
        return accept;
    }
    int index = -1;
    for (int i = 0; i < pageControl_->PageCount(); ++i)
        if (pageControl_->Page(i) == page) index = i;
    wchar_t buf[256] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = buf;
    item.cchTextMax = 255;
    SendMessageW(pageControl_->Handle(), TCM_GETITEMW, index, reinterpret_cast<LPARAM>(&item));
    return PageCaptionMatches(Narrow(buf), node->Text());
}

// ---- selection

void TXcTreeView::Change(TXcTreeNode* node) {
    selection_.RunPending(node);
    if (OnChange) OnChange(this, node);
    if (!MenuDblClick) ClickMenuItemOf(node);
}

void TXcTreeView::SelectionChanged(TXcTreeNode* node) {
    selection_.SelectionNotified(MultiSelect);
    Change(node);
    if (!pageControl_ || !node) return;
    int match = -1;
    for (int i = 0; i < pageControl_->PageCount(); ++i)
        if (ComparePage(pageControl_->Page(i), node)) match = i;
    if (match < 0) return;
    pageControl_->SetActivePageIndex(match);
    if (OnPageChanged) OnPageChanged(this, node, pageControl_->Page(match));
}

void TXcTreeView::HandleClick(bool right) {
    POINT pt;
    GetCursorPos(&pt);
    ScreenToClient(hwnd_, &pt);
    TXcTreeNode* node = GetNodeAt(pt.x, pt.y);
    if (!node && checkboxes_) node = GetNodeAt(pt.x + 16, pt.y);
    if (node) SetSelected(node);
    if (!right) return;
    TXcTreeNode* sel = Selected();
    if (sel && sel->PopupMenu) {
        GetCursorPos(&pt);
        sel->PopupMenu->Popup(hwnd_, pt.x, pt.y);
    }
}

void TXcTreeView::InvalidateNode(TXcTreeNode* node) {
    if (!hwnd_ || !node || !node->item_) return;
    RECT r{};
    std::memcpy(&r, &node->item_, sizeof(node->item_));  // the item goes in, its rectangle comes out
    if (SendMessageW(hwnd_, TVM_GETITEMRECT, FALSE, reinterpret_cast<LPARAM>(&r))) InvalidateRect(hwnd_, &r, TRUE);
}

void TXcTreeView::InvalidateListed() {
    for (TXcTreeNode* n : selection_.Items()) InvalidateNode(n);
}

// ---- drawing

LRESULT TXcTreeView::CustomDraw(NMTVCUSTOMDRAW* cd) {
    switch (cd->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
        auto* node = reinterpret_cast<TXcTreeNode*>(cd->nmcd.lItemlParam);
        if (!node) return CDRF_DODEFAULT;
        LRESULT result = CDRF_DODEFAULT;
        const UINT state = cd->nmcd.uItemState;
        HDC dc = cd->nmcd.hdc;
        if (state == 0 || state == CDIS_SELECTED || state == CDIS_DEFAULT) {
            if (node->HasFont()) {
                SelectObject(dc, node->Font().Handle());
                result |= CDRF_NEWFONT;
            }
            if (node->HasBrush()) cd->clrTextBk = node->Brush().Color;
        }
        const bool listed = selection_.Contains(node);
        if (MultiSelect && (state & CDIS_HOT)) {
            if (!hotFont_) {
                LOGFONTW lf{};
                GetObjectW(reinterpret_cast<HFONT>(GetCurrentObject(dc, OBJ_FONT)), sizeof(lf), &lf);
                lf.lfUnderline = TRUE;
                hotFont_ = CreateFontIndirectW(&lf);
            }
            SelectObject(dc, hotFont_);
            result |= CDRF_NEWFONT;
            SetTextColor(dc, GetSysColor(listed ? COLOR_HIGHLIGHTTEXT : COLOR_HIGHLIGHT));
        }
        if (!listed) {
            cd->clrText = TreeFontColor();
            cd->clrTextBk = TreeColor();
        } else if (GetFocus() == hwnd_) {
            cd->clrText = GetSysColor(COLOR_HIGHLIGHTTEXT);
            cd->clrTextBk = GetSysColor(COLOR_HIGHLIGHT);
        } else if (!HideSelection) {
            cd->clrText = TreeFontColor();
            cd->clrTextBk = GetSysColor(COLOR_INACTIVEBORDER);
        } else {
            cd->clrText = TreeFontColor();
            cd->clrTextBk = TreeColor();
        }
        if (OnCustomDrawItem) {
            bool defaultDraw = true;
            OnCustomDrawItem(this, node, cd, defaultDraw);
            if (!defaultDraw) result |= CDRF_SKIPDEFAULT;
        }
        return result;
    }
    default:
        return CDRF_DODEFAULT;
    }
}

// ---- notifications and messages

bool TXcTreeView::HandleNotify(NMHDR* hdr, LRESULT& result) {
    if (destroying_) return false;
    switch (hdr->code) {
    case NM_CUSTOMDRAW:
        result = CustomDraw(reinterpret_cast<NMTVCUSTOMDRAW*>(hdr));
        return true;
    case TVN_SELCHANGEDW:
        SelectionChanged(reinterpret_cast<TXcTreeNode*>(reinterpret_cast<NMTREEVIEWW*>(hdr)->itemNew.lParam));
        result = 0;
        return true;
    case TVN_SELCHANGEDA:
        SelectionChanged(reinterpret_cast<TXcTreeNode*>(reinterpret_cast<NMTREEVIEWA*>(hdr)->itemNew.lParam));
        result = 0;
        return true;
    case NM_CLICK:
    case NM_RCLICK:
        HandleClick(hdr->code == NM_RCLICK);
        result = 0;
        return true;
    case NM_DBLCLK:
        if (MenuDblClick) ClickMenuItemOf(Selected());
        return TXcExTreeView::HandleNotify(hdr, result);
    case TVN_ENDLABELEDITW: {
        auto* di = reinterpret_cast<NMTVDISPINFOW*>(hdr);
        if (!di->item.pszText && OnEditCancelled) OnEditCancelled(this, NodeFromItem(di->item.hItem));
        result = 0;
        return true;
    }
    case TVN_BEGINDRAGW: {
        // Items are dragged only where the drag scrolls the tree.
        if (!AutoDragScroll) return TXcExTreeView::HandleNotify(hdr, result);
        auto* nm = reinterpret_cast<NMTREEVIEWW*>(hdr);
        dragImage_ = reinterpret_cast<HIMAGELIST>(
            SendMessageW(hwnd_, TVM_CREATEDRAGIMAGE, 0, reinterpret_cast<LPARAM>(nm->itemNew.hItem)));
        if (dragImage_) {
            ImageList_BeginDrag(dragImage_, 0, 0, 0);
            ImageList_DragEnter(hwnd_, nm->ptDrag.x, nm->ptDrag.y);
        }
        dragging_ = true;
        SetCapture(hwnd_);
        result = 0;
        return true;
    }
    default:
        return false;
    }
}

void TXcTreeView::DragOverAt(int y) {
    if (!AutoDragScroll || !hwnd_) return;
    RECT r;
    GetClientRect(hwnd_, &r);
    scrollDirection_ = DragScrollDirection(y, r.bottom);
    if (scrollDirection_ != 0 && !scrollTimer_) {
        SetTimer(hwnd_, kDragScrollTimer, kDragScrollInterval, nullptr);
        scrollTimer_ = true;
    } else if (scrollDirection_ == 0 && scrollTimer_) {
        KillTimer(hwnd_, kDragScrollTimer);
        scrollTimer_ = false;
    }
}

void TXcTreeView::EndDragScroll() {
    scrollDirection_ = 0;
    if (scrollTimer_ && hwnd_) KillTimer(hwnd_, kDragScrollTimer);
    scrollTimer_ = false;
}

void TXcTreeView::DoSetFocus(HWND previous) {
    TXcExTreeView::DoSetFocus(previous);
    InvalidateListed();
}

void TXcTreeView::DoKillFocus(HWND next) {
    TXcExTreeView::DoKillFocus(next);
    InvalidateListed();
}

bool TXcTreeView::MemberMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (destroying_) return false;
    const bool shift = GetKeyState(VK_SHIFT) < 0, ctrl = GetKeyState(VK_CONTROL) < 0;
    switch (msg) {
    case WM_PAINT:
        if (reapplyChecks_) {
            reapplyChecks_ = false;
            Items.ForEach([](TXcTreeNode* n) {
                n->ReapplyChecked();
                return true;
            });
        }
        break;
    case WM_LBUTTONDOWN: {
        TVHITTESTINFO ht{};
        ht.pt = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        SendMessageW(hwnd_, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&ht));
        TXcTreeNode* clicked = (ht.flags & TVHT_ONITEM) ? NodeFromItem(ht.hItem) : nullptr;
        TXcTreeNode* anchor = Selected();
        if (!anchor) anchor = Items.GetFirstNode();
        selection_.LeftButtonDown(
            MultiSelect, clicked, (wp & MK_CONTROL) != 0, (wp & MK_SHIFT) != 0, anchor,
            [this](int i) { return Items.Item(i); }, [](TXcTreeNode* n) { return n->AbsoluteIndex(); });
        if ((ht.flags & TVHT_ONITEMSTATEICON) && checkboxes_)
            PostMessageW(hwnd_, kSyncCheckMessage, 0, reinterpret_cast<LPARAM>(ht.hItem));
        break;
    }
    case WM_KEYDOWN: {
        const bool editing = SendMessageW(hwnd_, TVM_GETEDITCONTROL, 0, 0) != 0;
        TXcTreeNode* sel = Selected();
        selection_.KeyDown(MultiSelect, wp == VK_SPACE, shift, ctrl, GetKeyState(VK_MENU) < 0, editing, sel);
        if (MenuDblClick && (wp == VK_RETURN || wp == VK_SPACE)) ClickMenuItemOf(sel);
        if (wp == VK_SPACE && checkboxes_ && sel)
            PostMessageW(hwnd_, kSyncCheckMessage, 0, reinterpret_cast<LPARAM>(sel->item_));
        break;
    }
    case WM_CHAR:
        if (MultiSelect && wp == L' ' && !SendMessageW(hwnd_, TVM_GETEDITCONTROL, 0, 0)) {
            result = 0;
            return true;
        }
        break;
    case kSyncCheckMessage:
        SyncCheckFromWindow(NodeFromItem(reinterpret_cast<HTREEITEM>(lp)));
        result = 0;
        return true;
    case WM_HSCROLL:
    case WM_VSCROLL:
        result = FrameworkProc(msg, wp, lp);
        if (msg == WM_HSCROLL && OnHorizontalScroll) OnHorizontalScroll(this);
        if (msg == WM_VSCROLL && OnVerticalScroll) OnVerticalScroll(this);
        return true;
    case WM_TIMER:
        if (wp == kDragScrollTimer) {
            if (scrollDirection_ != 0) {
                ImageList_DragShowNolock(FALSE);
                SendMessageW(hwnd_, WM_VSCROLL, scrollDirection_ < 0 ? SB_LINEUP : SB_LINEDOWN, 0);
                ImageList_DragShowNolock(TRUE);
            }
            result = 0;
            return true;
        }
        break;
    case WM_MOUSEMOVE:
        if (dragging_) {
            ImageList_DragMove(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
            DragOverAt(GET_Y_LPARAM(lp));
            result = 0;
            return true;
        }
        break;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        if (dragging_) {
            dragging_ = false;
            EndDragScroll();
            if (dragImage_) {
                ImageList_DragLeave(hwnd_);
                ImageList_EndDrag();
                ImageList_Destroy(dragImage_);
                dragImage_ = nullptr;
            }
            if (msg == WM_LBUTTONUP) ReleaseCapture();
            result = 0;
            return true;
        }
        break;
    default:
        break;
    }
    return TXcExTreeView::MemberMessage(msg, wp, lp, result);
}

}  // namespace talvik

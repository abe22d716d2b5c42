// The library's tree view: the system tree view with item height and line colour, check
// boxes whose states survive a change of style, bold and checked nodes, per-node font, brush
// and pop-up menu, its own list of selected nodes painted in the selection colours, a linked
// page control that follows the selected node, a tree built from a menu, auto-scroll while
// dragging, and scroll and edit-cancel events.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/XcComCtrlsModel.h"
#include "controls/XcExComCtrls.h"
#include "toolkit/comctrls.h"

namespace talvik {

class TXcTreeView;

// A brush as a node keeps it: one colour.
struct TXcBrush {
    COLORREF Color = CLR_INVALID;
};

class TXcTreeNode {
public:
    TXcTreeNode(const TXcTreeNode&) = delete;
    TXcTreeNode& operator=(const TXcTreeNode&) = delete;
    ~TXcTreeNode();

    TXcTreeView* TreeView() const { return tree_; }
    HTREEITEM ItemId() const { return item_; }
    TXcTreeNode* Parent() const { return parent_; }
    int Count() const { return static_cast<int>(children_.size()); }
    TXcTreeNode* Item(int i) const;
    // Position among all nodes of the tree, counted depth first from 0.
    int AbsoluteIndex() const;
    int Level() const;

    std::string Text() const { return text_; }
    void SetText(const std::string& s);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int i);
    int SelectedIndex() const { return selectedIndex_; }
    void SetSelectedIndex(int i);
    void* Data = nullptr;

    bool Selected() const;
    void Expand(bool recurse = false);
    void Collapse();
    bool Expanded() const;

    bool Bold() const;
    void SetBold(bool b);
    // Checked as the window shows it (the cached value while there is no window).
    bool Checked() const;
    void SetChecked(bool c);
    TPopupMenu* PopupMenu = nullptr;
    // Made on first use as a copy of the tree's font / brush.
    TFont& Font();
    TXcBrush& Brush();
    bool HasFont() const { return font_ != nullptr; }
    bool HasBrush() const { return brush_ != nullptr; }
    // Fired with the node after Checked changed; the tree binds it when it makes the node.
    std::function<void(TXcTreeNode*)> OnCheckedChange;

    // Copies Checked, Bold, PopupMenu, Font and Brush of another node.
    void Assign(const TXcTreeNode& other);
    // Moves the node (with its children) to the end of `parent`'s children (null: top
    // level), keeping its check state.
    void MoveTo(TXcTreeNode* parent);

    // Writes the cached check state back to the window when the window differs, and tells
    // of the change.
    virtual void ReapplyChecked();

private:
    friend class TXcTreeView;
    friend class TXcTreeNodes;
    TXcTreeNode(TXcTreeView* tree, TXcTreeNode* parent) : tree_(tree), parent_(parent) {}
    unsigned State(unsigned mask) const;
    void SetState(unsigned state, unsigned mask);
    void WriteCheckState();

    TXcTreeView* tree_;
    TXcTreeNode* parent_;
    HTREEITEM item_ = nullptr;
    std::vector<std::unique_ptr<TXcTreeNode>> children_;
    std::string text_;
    int imageIndex_ = -1, selectedIndex_ = -1;
    bool bold_ = false;
    bool checked_ = false;
    std::unique_ptr<TFont> font_;
    std::unique_ptr<TXcBrush> brush_;
    TMenuItem* menuItem_ = nullptr;  // the menu item the node was built from
};

// The nodes of one tree.
class TXcTreeNodes {
public:
    explicit TXcTreeNodes(TXcTreeView* tree) : tree_(tree) {}
    // A new last sibling of `sibling` (top level when null).
    TXcTreeNode* Add(TXcTreeNode* sibling, const std::string& text);
    TXcTreeNode* AddObject(TXcTreeNode* sibling, const std::string& text, void* data);
    // A new last child of `parent` (top level when null).
    TXcTreeNode* AddChild(TXcTreeNode* parent, const std::string& text);
    TXcTreeNode* AddChildObject(TXcTreeNode* parent, const std::string& text, void* data);
    void Delete(TXcTreeNode* node);
    void Clear();
    // All nodes, depth first.
    int Count() const;
    TXcTreeNode* Item(int absoluteIndex) const;
    TXcTreeNode* GetFirstNode() const;
    int TopCount() const { return static_cast<int>(roots_.size()); }
    TXcTreeNode* Top(int i) const { return roots_.at(static_cast<std::size_t>(i)).get(); }
    // Redrawing stops between BeginUpdate and the matching EndUpdate.
    void BeginUpdate();
    void EndUpdate();

    // Visits every node depth first; stop by returning false.
    bool ForEach(const std::function<bool(TXcTreeNode*)>& f) const;

private:
    friend class TXcTreeView;
    friend class TXcTreeNode;
    TXcTreeNode* Insert(TXcTreeNode* parent, const std::string& text, void* data);
    // Makes the window's item of a node and of all its children.
    void Realize(TXcTreeNode* node);
    void Forget(TXcTreeNode* node);
    std::vector<std::unique_ptr<TXcTreeNode>>& Siblings(TXcTreeNode* parent);
    TXcTreeView* tree_;
    std::vector<std::unique_ptr<TXcTreeNode>> roots_;
    int updating_ = 0;
};

class TXcTreeView : public TXcExTreeView {
public:
    explicit TXcTreeView(TWinControl* parent);
    ~TXcTreeView() override;

    TXcTreeNodes Items{this};

    // Item height and line colour live in the window; values set while there is none are
    // kept and given to the window when it is made.
    int ItemHeight() const;
    void SetItemHeight(int h);
    std::uint32_t LineColor() const;
    void SetLineColor(std::uint32_t c);
    int Indent() const;
    void SetIndent(int i);

    bool Checkboxes() const { return checkboxes_; }
    virtual void SetCheckboxes(bool c);
    bool MultiSelect = false;
    bool HideSelection = true;
    bool MenuDblClick = false;
    bool AutoDragScroll = false;

    // -1 when nothing is selected; setting -1 clears the selection.
    int ItemIndex() const;
    void SetItemIndex(int i);
    TXcTreeNode* Selected() const;
    void SetSelected(TXcTreeNode* node);
    TXcTreeNode* GetNodeAt(int x, int y) const;
    void FullExpand();

    TPopupMenu* Menu() const { return menu_; }
    void SetMenu(TPopupMenu* m);
    TPageControl* PageControl() const { return pageControl_; }
    void SetPageControl(TPageControl* p);

    // With multiple selection the number of listed nodes, else -1; and the i-th of them.
    int SelectedCount() const;
    TXcTreeNode* SelectedItem(int i) const;
    // Whether a node is painted in the selection colours.
    bool IsListed(TXcTreeNode* node) const { return selection_.Contains(node); }

    // Events. OnChange gets the newly selected node (null when the selection is gone); it
    // stands in for the plain tree view's OnChange.
    std::function<void(TXcTreeView*, TXcTreeNode*)> OnChange;
    std::function<void(TXcTreeView*)> OnVerticalScroll;
    std::function<void(TXcTreeView*)> OnHorizontalScroll;
    std::function<void(TXcTreeView*, TXcTreeNode* item, TTabSheet* page)> OnPageChanged;
    std::function<void(TXcTreeView*, TTabSheet* page, bool& accept, TXcTreeNode* node)> OnComparePage;
    std::function<void(TXcTreeView*, TXcTreeNode*, NMTVCUSTOMDRAW*, bool& defaultDraw)> OnCustomDrawItem;
    std::function<void(TXcTreeView*, TXcTreeNode*)> OnEditCancelled;
    std::function<void(TXcTreeView*)> OnSelectionChange;
    std::function<void(TXcTreeView*, TXcTreeNode*)> OnNodeCheckedChange;

    bool HandleNotify(NMHDR* hdr, LRESULT& result) override;

    // While dragging over the tree: scroll when near the top or bottom edge (with
    // AutoDragScroll); EndDragScroll stops it.
    void DragOverAt(int y);
    void EndDragScroll();
    int ScrollDirection() const { return scrollDirection_; }

protected:
    bool MemberMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    void DoSetFocus(HWND previous) override;
    void DoKillFocus(HWND next) override;
    virtual void NodeCheckedChange(TXcTreeNode* node);
    virtual void RebuildFromMenu();
    virtual bool ComparePage(TTabSheet* page, TXcTreeNode* node);
    // The native selection changed.
    virtual void Change(TXcTreeNode* node);

private:
    // Items are made and removed through Items only: each window item carries its node.
    using TXcExTreeView::AddItem;
    using TXcExTreeView::Clear;
    using TXcExTreeView::DeleteItem;
    using TXcExTreeView::SetItemText;

    friend class TXcTreeNode;
    friend class TXcTreeNodes;
    static LRESULT CALLBACK WatchProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    void ApplyKeptLooks();
    TXcTreeNode* NodeFromItem(HTREEITEM item) const;
    void SelectionChanged(TXcTreeNode* node);
    void ClickMenuItemOf(TXcTreeNode* node);
    void HandleClick(bool right);
    void InvalidateNode(TXcTreeNode* node);
    void InvalidateListed();
    LRESULT CustomDraw(NMTVCUSTOMDRAW* cd);
    void SyncCheckFromWindow(TXcTreeNode* node);
    void AddMenuItems(TXcTreeNode* parent, const std::vector<std::unique_ptr<TMenuItem>>& items);

    TTreeSelectionList<TXcTreeNode*> selection_;
    int keptItemHeight_ = 0;  // 0: never set
    std::uint32_t keptLineColor_ = clDefault;
    int keptIndent_ = 19;
    bool checkboxes_ = false;
    bool reapplyChecks_ = false;
    bool destroying_ = false;
    int scrollDirection_ = 0;
    bool scrollTimer_ = false;
    bool dragging_ = false;
    HIMAGELIST dragImage_ = nullptr;
    HFONT hotFont_ = nullptr;
    TPopupMenu* menu_ = nullptr;
    std::function<void(TPopupMenu*)> savedMenuChange_;
    TPageControl* pageControl_ = nullptr;
};

extern TUnitVersionRegistration XcComCtrlsUnit;

}  // namespace talvik

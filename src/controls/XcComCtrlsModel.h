// The tree view's rules apart from any window: item state bits of bold and checked nodes, the
// item height it accepts, which menu items become nodes and with what text, which page of a
// linked page control a node stands for, the drag auto-scroll direction, and the list of
// selected nodes that the item drawing paints in the selection colours.
#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace talvik {

// Item state bits as the native tree view keeps them.
constexpr unsigned kTreeStateBold = 0x0010;
constexpr unsigned kTreeStateUnchecked = 0x1000;  // state image 1
constexpr unsigned kTreeStateChecked = 0x2000;    // state image 2
constexpr unsigned kTreeStateImageMask = 0xF000;

inline bool TreeStateIsChecked(unsigned state) { return (state & kTreeStateChecked) != 0; }
inline unsigned TreeCheckState(bool checked) { return checked ? kTreeStateChecked : kTreeStateUnchecked; }

constexpr int kDefaultTreeItemHeight = 16;
// An item height below 1 means the default.
inline int TreeItemHeightToSet(int h) { return h < 1 ? kDefaultTreeItemHeight : h; }

// A menu item captioned "-" or nothing gives no node (nor do its sub-items).
bool MenuItemGivesNode(const std::string& caption);
// The caption without its hot-key marker: a single "&" goes, "&&" stays as one "&".
std::string StripHotkey(const std::string& caption);
// Whether a page of the linked page control stands for a node: same text, any letter case.
bool PageCaptionMatches(const std::string& pageCaption, const std::string& nodeText);

// While dragging: -1 within 20 pixels of the top, +1 within 20 of the bottom, else 0.
int DragScrollDirection(int y, int clientHeight);

// The nodes painted as selected, and the two pending steps that keep the list in step with
// the native selection: the mouse and the keyboard mark what the next selection change does
// (clear the list, add the newly selected node), the change runs it.
template <class Node>
class TTreeSelectionList {
public:
    std::function<void(Node)> OnInvalidate;
    std::function<void()> OnSelectionChange;
    bool ClearPending = false;
    bool SelectPending = false;

    const std::vector<Node>& Items() const { return items_; }
    int Count() const { return static_cast<int>(items_.size()); }
    bool Contains(Node n) const { return std::find(items_.begin(), items_.end(), n) != items_.end(); }

    void Add(Node n) {
        if (!n || Contains(n)) return;
        items_.push_back(n);
        Changed(n);
    }
    void Remove(Node n) {
        auto it = std::find(items_.begin(), items_.end(), n);
        if (it == items_.end()) return;
        items_.erase(it);
        Changed(n);
    }
    void Toggle(Node n) { Contains(n) ? Remove(n) : Add(n); }
    void Clear() {
        std::vector<Node> old;
        old.swap(items_);
        if (OnInvalidate)
            for (Node n : old) OnInvalidate(n);
        if (OnSelectionChange) OnSelectionChange();
    }

    // The native selection changed to `selected`: run what is pending.
    void RunPending(Node selected) {
        if (ClearPending) Clear();
        if (SelectPending) Add(selected);
        ClearPending = SelectPending = false;
    }

    // The native control tells of a new selection. A single-selection tree lists whatever is
    // selected, by the mouse, the keyboard or program code alike, so a node selected in code
    // is painted as selected too.
    void SelectionNotified(bool multiSelect) {
        if (multiSelect) return;
        ClearPending = true;
        SelectPending = true;
    }

    // Left button down on `clicked` (null when not on an item). `anchor` is where a Shift
    // range starts; nodeAt/indexOf map absolute indices.
    void LeftButtonDown(bool multiSelect, Node clicked, bool ctrl, bool shift, Node anchor,
                        const std::function<Node(int)>& nodeAt, const std::function<int(Node)>& indexOf) {
        ClearPending = false;
        SelectPending = !multiSelect;
        if (!multiSelect || !clicked) return;
        if (ctrl) {
            Toggle(clicked);
        } else if (shift) {
            Clear();
            const int from = anchor ? indexOf(anchor) : 0, to = indexOf(clicked);
            const int step = to >= from ? 1 : -1;
            for (int i = from;; i += step) {
                Add(nodeAt(i));
                if (i == to) break;
            }
        } else {
            Clear();
            Add(clicked);
        }
    }

    // A key went down; returns true when the key is used up here (Space toggling in a
    // multi-selection tree).
    bool KeyDown(bool multiSelect, bool isSpace, bool shift, bool ctrl, bool alt, bool editing, Node selected) {
        if (!multiSelect) {
            ClearPending = SelectPending = true;
            return false;
        }
        ClearPending = SelectPending = false;
        if (alt || editing) return false;
        if (isSpace) {
            Toggle(selected);
            return true;
        }
        SelectPending = true;
        ClearPending = !shift && !ctrl;
        return false;
    }

    void NodeDeleted(Node n) { Remove(n); }

private:
    void Changed(Node n) {
        if (OnInvalidate) OnInvalidate(n);
        if (OnSelectionChange) OnSelectionChange();
    }
    std::vector<Node> items_;
};

}  // namespace talvik

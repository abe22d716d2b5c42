// The tree view's pure rules: state bits, item height, menu captions, page matching, drag
// scrolling and the selection list with its pending steps.
#include <gtest/gtest.h>

#include "controls/XcComCtrlsModel.h"

using namespace talvik;

TEST(TreeRules, StateBitsHeightMenuCaptionsPagesAndDragScroll) {
    EXPECT_TRUE(TreeStateIsChecked(kTreeStateChecked | kTreeStateBold));
    EXPECT_FALSE(TreeStateIsChecked(kTreeStateUnchecked));
    EXPECT_EQ(TreeCheckState(true), 0x2000u);
    EXPECT_EQ(TreeCheckState(false), 0x1000u);
    EXPECT_EQ(TreeItemHeightToSet(0), 16);
    EXPECT_EQ(TreeItemHeightToSet(-5), 16);
    EXPECT_EQ(TreeItemHeightToSet(18), 18);
    EXPECT_FALSE(MenuItemGivesNode("-"));
    EXPECT_FALSE(MenuItemGivesNode(""));
    EXPECT_TRUE(MenuItemGivesNode("&Options"));
    EXPECT_EQ(StripHotkey("&Options"), "Options");
    EXPECT_EQ(StripHotkey("Save && &Exit"), "Save & Exit");
    EXPECT_TRUE(PageCaptionMatches("Single Command", "single COMMAND"));
    EXPECT_FALSE(PageCaptionMatches("General", "Single Command"));
    EXPECT_EQ(DragScrollDirection(5, 200), -1);
    EXPECT_EQ(DragScrollDirection(100, 200), 0);
    EXPECT_EQ(DragScrollDirection(190, 200), 1);
}

namespace {
struct Rig {
    TTreeSelectionList<const int*> list;
    int nodes[6] = {0, 1, 2, 3, 4, 5};
    std::vector<int> invalidated;
    int changes = 0;
    Rig() {
        list.OnInvalidate = [this](const int* n) { invalidated.push_back(*n); };
        list.OnSelectionChange = [this] { ++changes; };
    }
    std::function<const int*(int)> At() {
        return [this](int i) { return &nodes[i]; };
    }
    std::function<int(const int*)> Index() {
        return [](const int* n) { return *n; };
    }
    std::vector<int> Listed() const {
        std::vector<int> v;
        for (const int* n : list.Items()) v.push_back(*n);
        return v;
    }
};
}  // namespace

TEST(TreeSelection, SingleSelectionListsMouseKeyboardAndCodeSelections) {
    Rig r;
    // A click: the change that follows lists the clicked node.
    r.list.LeftButtonDown(false, &r.nodes[2], false, false, nullptr, r.At(), r.Index());
    r.list.SelectionNotified(false);
    r.list.RunPending(&r.nodes[2]);
    EXPECT_EQ(r.Listed(), (std::vector<int>{2}));
    // A key: the old node leaves the list, the new one enters.
    r.list.KeyDown(false, false, false, false, false, false, &r.nodes[2]);
    r.list.SelectionNotified(false);
    r.list.RunPending(&r.nodes[3]);
    EXPECT_EQ(r.Listed(), (std::vector<int>{3}));
    // Program code alone: still listed, so it is painted as selected.
    r.list.SelectionNotified(false);
    r.list.RunPending(&r.nodes[5]);
    EXPECT_EQ(r.Listed(), (std::vector<int>{5}));
    EXPECT_FALSE(r.list.ClearPending || r.list.SelectPending);
    // Node 3 was repainted when it left the list.
    EXPECT_NE(std::find(r.invalidated.begin(), r.invalidated.end(), 3), r.invalidated.end());
    r.list.NodeDeleted(&r.nodes[5]);
    EXPECT_TRUE(r.Listed().empty());
}

TEST(TreeSelection, MultiSelectionClicksAndKeys) {
    Rig r;
    r.list.LeftButtonDown(true, &r.nodes[1], false, false, nullptr, r.At(), r.Index());
    EXPECT_EQ(r.Listed(), (std::vector<int>{1}));
    r.list.LeftButtonDown(true, &r.nodes[3], true, false, &r.nodes[1], r.At(), r.Index());
    EXPECT_EQ(r.Listed(), (std::vector<int>{1, 3}));
    r.list.LeftButtonDown(true, &r.nodes[1], true, false, &r.nodes[1], r.At(), r.Index());
    EXPECT_EQ(r.Listed(), (std::vector<int>{3}));
    // Shift walks from the anchor towards the clicked node.
    r.list.LeftButtonDown(true, &r.nodes[1], false, true, &r.nodes[4], r.At(), r.Index());
    EXPECT_EQ(r.Listed(), (std::vector<int>{4, 3, 2, 1}));
    // A selection change without pending work leaves the list alone.
    r.list.SelectionNotified(true);
    r.list.RunPending(&r.nodes[0]);
    EXPECT_EQ(r.Listed(), (std::vector<int>{4, 3, 2, 1}));
    // Space toggles and is used up; an arrow with Ctrl adds without clearing.
    EXPECT_TRUE(r.list.KeyDown(true, true, false, false, false, false, &r.nodes[2]));
    EXPECT_EQ(r.Listed(), (std::vector<int>{4, 3, 1}));
    EXPECT_FALSE(r.list.KeyDown(true, false, false, true, false, false, &r.nodes[2]));
    r.list.RunPending(&r.nodes[0]);
    EXPECT_EQ(r.Listed(), (std::vector<int>{4, 3, 1, 0}));
    EXPECT_FALSE(r.list.KeyDown(true, false, false, false, false, false, &r.nodes[0]));
    r.list.RunPending(&r.nodes[5]);
    EXPECT_EQ(r.Listed(), (std::vector<int>{5}));
    // Alt or label editing: nothing pending.
    r.list.KeyDown(true, true, false, false, true, false, &r.nodes[5]);
    EXPECT_EQ(r.Listed(), (std::vector<int>{5}));
    EXPECT_FALSE(r.list.ClearPending || r.list.SelectPending);
    EXPECT_GT(r.changes, 8);
}

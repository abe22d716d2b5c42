// The tree view under Wine: the change event with the selected node (mouse, keyboard, code),
// item height and line colour, bold and checked nodes through a change of style, selection
// painting, the page-control and menu links and drag auto-scroll.
#include <gtest/gtest.h>

#include <cstring>

#include "base/rtl.h"
#include "controls/XcComCtrls.h"
#include "controls/XcLibrary.h"

using namespace talvik;

namespace {

class TreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application.Initialize();
        InitializeControlsLibrary();
        Application.OnException = [this](const std::exception& e) { errors.push_back(e.what()); };
        form = new TForm();
        form->SetBounds(20, 20, 420, 320);
        tree = new TXcTreeView(form);
        tree->SetBounds(8, 8, 180, 200);
        tree->OnChange = [this](TXcTreeView* sender, TXcTreeNode* node) {
            EXPECT_EQ(sender, tree);
            changes.push_back(node ? node->Text() : "(none)");
        };
    }
    void TearDown() override {
        form->Free();
        Application.OnException = nullptr;
        EXPECT_TRUE(errors.empty()) << errors.front();
    }
    void Pump() {
        for (int i = 0; i < 20; ++i) Application.ProcessMessages();
    }
    RECT ItemRect(TXcTreeNode* n, bool textOnly = true) {
        RECT r{};
        HTREEITEM item = n->ItemId();
        std::memcpy(&r, &item, sizeof(item));
        SendMessageW(tree->Handle(), TVM_GETITEMRECT, textOnly, reinterpret_cast<LPARAM>(&r));
        return r;
    }
    // A click as the user makes it: the cursor goes there, the button goes down and up.
    void Click(int x, int y) {
        POINT pt{x, y};
        ClientToScreen(tree->Handle(), &pt);
        SetCursorPos(pt.x, pt.y);
        PostMessageW(tree->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
        SendMessageW(tree->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        Pump();
    }
    void ClickNode(TXcTreeNode* n) {
        RECT r = ItemRect(n);
        Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    void Key(WPARAM vk) {
        SendMessageW(tree->Handle(), WM_KEYDOWN, vk, 1);
        SendMessageW(tree->Handle(), WM_KEYUP, vk, 0xC0000001);
        Pump();
    }

    TForm* form = nullptr;
    TXcTreeView* tree = nullptr;
    std::vector<std::string> changes;
    std::vector<std::string> errors;
};

TEST_F(TreeTest, ChangeFiresWithTheNodeSelectedByMouseKeyboardOrCode) {
    tree->SetIndent(19);
    tree->SetLineColor(13160660);
    tree->SetItemHeight(18);
    TXcTreeNode* general = tree->Items.Add(nullptr, "General");
    general->SetImageIndex(0);
    TXcTreeNode* single = tree->Items.AddChild(general, "Single Command");
    single->SetImageIndex(1);
    general->Expand();
    form->Show();
    Pump();
    EXPECT_EQ(tree->ItemHeight(), 18);
    EXPECT_EQ(tree->LineColor(), 13160660u);
    EXPECT_EQ(tree->Indent(), 19);
    EXPECT_EQ(tree->ItemIndex(), -1);

    ClickNode(single);
    ASSERT_EQ(changes, (std::vector<std::string>{"Single Command"}));
    EXPECT_EQ(tree->Selected(), single);
    EXPECT_EQ(tree->ItemIndex(), 1);
    EXPECT_EQ(tree->Selected()->ImageIndex(), 1);
    EXPECT_TRUE(tree->IsListed(single));

    tree->SetFocus();
    Key(VK_UP);
    EXPECT_EQ(changes.back(), "General");
    EXPECT_EQ(tree->ItemIndex(), 0);

    // Selected by program code: the event fires and the node is painted as selected.
    tree->SetItemIndex(1);
    EXPECT_EQ(changes.back(), "Single Command");
    EXPECT_TRUE(tree->IsListed(single));
    EXPECT_FALSE(tree->IsListed(general));
    tree->SetItemIndex(-1);
    EXPECT_EQ(tree->ItemIndex(), -1);
    EXPECT_EQ(tree->Selected(), nullptr);
    EXPECT_THROW(tree->SetItemIndex(2), ERangeError);
    EXPECT_EQ(changes.size(), 4u);
}

TEST_F(TreeTest, ItemHeightBelowOneMeansSixteenAndKeptLooksReachTheWindow) {
    tree->SetItemHeight(0);
    EXPECT_EQ(tree->ItemHeight(), 16);
    tree->SetItemHeight(-3);
    EXPECT_EQ(tree->ItemHeight(), 16);
    tree->SetItemHeight(22);
    EXPECT_EQ(SendMessageW(tree->Handle(), TVM_GETITEMHEIGHT, 0, 0), 22);
    // The default line colour is the font colour.
    tree->SetLineColor(clDefault);
    EXPECT_EQ(tree->LineColor(), GetSysColor(COLOR_WINDOWTEXT));
}

TEST_F(TreeTest, RowsFollowTheFontUntilAHeightIsSet) {
    // A tree whose height nobody set sizes its rows from its font: a large font, tall rows.
    TXcTreeNode* a = tree->Items.Add(nullptr, "Allgemein");
    TXcTreeNode* b = tree->Items.Add(nullptr, "Einzelbefehl");
    tree->SetFont(TFont{"Arial", 20});
    Pump();
    HDC dc = GetDC(tree->Handle());
    HGDIOBJ old = SelectObject(dc, tree->Font().Handle());
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(tree->Handle(), dc);
    EXPECT_GE(tree->ItemHeight(), tm.tmHeight);
    EXPECT_GT(tree->ItemHeight(), 16);
    EXPECT_GE(ItemRect(b, false).top - ItemRect(a, false).top, tm.tmHeight);
    // Set, the height holds whatever the font.
    tree->SetItemHeight(18);
    EXPECT_EQ(ItemRect(b, false).top - ItemRect(a, false).top, 18);
}

TEST_F(TreeTest, SelectedNodeIsPaintedInTheSelectionColoursOthersPlain) {
    TXcTreeNode* a = tree->Items.Add(nullptr, "Alpha");
    TXcTreeNode* b = tree->Items.Add(nullptr, "Beta");
    form->Show();
    Pump();
    tree->SetSelected(b);
    tree->SetFocus();
    Pump();
    auto draw = [&](TXcTreeNode* n, UINT state) {
        NMTVCUSTOMDRAW cd{};
        cd.nmcd.hdr.hwndFrom = tree->Handle();
        cd.nmcd.hdr.code = NM_CUSTOMDRAW;
        cd.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
        cd.nmcd.hdc = GetDC(tree->Handle());
        cd.nmcd.lItemlParam = reinterpret_cast<LPARAM>(n);
        cd.nmcd.uItemState = state;
        LRESULT r = 0;
        EXPECT_TRUE(tree->HandleNotify(&cd.nmcd.hdr, r));
        ReleaseDC(tree->Handle(), cd.nmcd.hdc);
        return cd;
    };
    NMTVCUSTOMDRAW cd = draw(b, CDIS_SELECTED | CDIS_FOCUS);
    EXPECT_EQ(cd.clrTextBk, GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(cd.clrText, GetSysColor(COLOR_HIGHLIGHTTEXT));
    cd = draw(a, 0);
    EXPECT_EQ(cd.clrTextBk, GetSysColor(COLOR_WINDOW));
    // Without the focus a listed node keeps a visible mark only when selections are not hidden.
    SetFocus(form->Handle());
    tree->HideSelection = false;
    cd = draw(b, CDIS_SELECTED);
    EXPECT_EQ(cd.clrTextBk, GetSysColor(COLOR_INACTIVEBORDER));
    // Pixels: the selected node's text row shows the highlight colour.
    tree->SetFocus();
    InvalidateRect(tree->Handle(), nullptr, TRUE);
    UpdateWindow(tree->Handle());
    RECT r = ItemRect(b);
    HDC dc = GetDC(tree->Handle());
    COLORREF px = GetPixel(dc, r.right - 2, (r.top + r.bottom) / 2);
    ReleaseDC(tree->Handle(), dc);
    EXPECT_EQ(px, GetSysColor(COLOR_HIGHLIGHT));
}

TEST_F(TreeTest, BoldAndCheckedNodesKeepTheirStatesThroughAChangeOfStyle) {
    std::vector<std::string> checkedChanges;
    tree->OnNodeCheckedChange = [&](TXcTreeView*, TXcTreeNode* n) {
        checkedChanges.push_back(n->Text() + (n->Checked() ? "+" : "-"));
    };
    TXcTreeNode* a = tree->Items.Add(nullptr, "Alpha");
    TXcTreeNode* b = tree->Items.Add(nullptr, "Beta");
    a->SetBold(true);
    b->SetChecked(true);
    EXPECT_TRUE(a->Bold());
    EXPECT_FALSE(b->Bold());
    EXPECT_TRUE(b->Checked());
    EXPECT_FALSE(a->Checked());
    b->SetChecked(true);  // no change, no event
    EXPECT_EQ(checkedChanges, (std::vector<std::string>{"Beta+"}));

    tree->SetCheckboxes(true);
    EXPECT_TRUE(GetWindowLongW(tree->Handle(), GWL_STYLE) & TVS_CHECKBOXES);
    form->Show();
    UpdateWindow(tree->Handle());
    Pump();
    EXPECT_TRUE(b->Checked());
    EXPECT_FALSE(a->Checked());
    TVITEMW it{};
    it.mask = TVIF_STATE | TVIF_HANDLE;
    it.hItem = b->ItemId();
    it.stateMask = TVIS_STATEIMAGEMASK | TVIS_BOLD;
    SendMessageW(tree->Handle(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
    EXPECT_EQ(it.state & TVIS_STATEIMAGEMASK, INDEXTOSTATEIMAGEMASK(2));

    // The user ticks Alpha's box: the node knows and tells.
    RECT r = ItemRect(a, false);
    RECT text = ItemRect(a, true);
    Click(text.left - 8, (r.top + r.bottom) / 2);
    EXPECT_TRUE(a->Checked());
    EXPECT_EQ(checkedChanges.back(), "Alpha+");
    EXPECT_EQ(tree->Selected(), a);  // a click on the box selects its node

    // Moving keeps the state; Assign copies it.
    a->MoveTo(b);
    EXPECT_EQ(a->Parent(), b);
    EXPECT_TRUE(a->Checked());
    EXPECT_TRUE(a->Bold());
    TXcTreeNode* c = tree->Items.Add(nullptr, "Gamma");
    c->Assign(*a);
    EXPECT_TRUE(c->Checked());
    EXPECT_TRUE(c->Bold());
    EXPECT_EQ(tree->Items.Count(), 3);
    EXPECT_EQ(c->AbsoluteIndex(), 2);
}

TEST_F(TreeTest, LinkedPageControlFollowsTheNodeByCaptionAnyCase) {
    auto* pages = new TPageControl(form);
    pages->SetBounds(200, 8, 200, 200);
    pages->AddPage("General");
    pages->AddPage("single command");
    tree->SetPageControl(pages);
    std::string changed;
    tree->OnPageChanged = [&](TXcTreeView*, TXcTreeNode* n, TTabSheet* p) {
        changed = n->Text() + (p == pages->Page(1) ? "@1" : "@0");
    };
    TXcTreeNode* general = tree->Items.Add(nullptr, "General");
    TXcTreeNode* single = tree->Items.AddChild(general, "Single Command");
    tree->SetSelected(single);
    EXPECT_EQ(pages->ActivePageIndex(), 1);
    EXPECT_EQ(changed, "Single Command@1");
    tree->SetSelected(general);
    EXPECT_EQ(pages->ActivePageIndex(), 0);
    // A page control that goes first is forgotten.
    delete pages;
    EXPECT_EQ(tree->PageControl(), nullptr);
    tree->SetSelected(single);
    EXPECT_EQ(changes.back(), "Single Command");
}

TEST_F(TreeTest, TreeBuiltFromAMenuRunsTheItemOfTheSelectedNode) {
    auto menu = std::make_unique<TPopupMenu>();
    std::vector<std::string> ran;
    TMenuItem* file = menu->Add("File", "&File");
    TMenuItem* open = file->Add("Open", "&Open");
    open->ImageIndex = 3;
    open->OnClick = [&](TMenuItem* m) { ran.push_back(m->Name); };
    TMenuItem* dash = file->Add("Dash", "-");
    dash->Add("Hidden", "Hidden");
    menu->Add("Empty", "");
    int menuChanges = 0;
    menu->OnChange = [&](TPopupMenu*) { ++menuChanges; };
    tree->SetMenu(menu.get());
    ASSERT_EQ(tree->Items.Count(), 2);
    EXPECT_EQ(tree->Items.Item(0)->Text(), "File");
    TXcTreeNode* openNode = tree->Items.Item(1);
    EXPECT_EQ(openNode->Text(), "Open");
    EXPECT_EQ(openNode->Data, open);
    EXPECT_EQ(openNode->ImageIndex(), 3);
    tree->SetSelected(openNode);
    EXPECT_EQ(ran, (std::vector<std::string>{"Open"}));
    // A change of the menu still reaches its own handler and rebuilds the tree.
    menu->Add("Help", "&Help");
    EXPECT_EQ(menuChanges, 1);
    EXPECT_EQ(tree->Items.Count(), 3);
    // Double-click mode: selecting runs nothing, Enter does.
    tree->MenuDblClick = true;
    tree->SetSelected(tree->Items.Item(1));
    EXPECT_EQ(ran.size(), 1u);
    Key(VK_RETURN);
    EXPECT_EQ(ran.size(), 2u);
    menu.reset();
    EXPECT_EQ(tree->Menu(), nullptr);
}

TEST_F(TreeTest, DragNearAnEdgeScrollsOnTheTimerAndStopsWhenTheDragEnds) {
    tree->AutoDragScroll = true;
    for (int i = 0; i < 60; ++i) tree->Items.Add(nullptr, "Node " + std::to_string(i));
    int scrolls = 0;
    tree->OnVerticalScroll = [&](TXcTreeView*) { ++scrolls; };
    form->Show();
    Pump();
    auto firstVisible = [&] {
        auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree->Handle(), TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0));
        TVITEMW it{};
        it.mask = TVIF_PARAM | TVIF_HANDLE;
        it.hItem = item;
        SendMessageW(tree->Handle(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
        return reinterpret_cast<TXcTreeNode*>(it.lParam)->AbsoluteIndex();
    };
    RECT client;
    GetClientRect(tree->Handle(), &client);
    tree->DragOverAt(client.bottom - 5);
    EXPECT_EQ(tree->ScrollDirection(), 1);
    // Two ticks of the scroll timer, as the system would deliver them every 200 ms.
    SendMessageW(tree->Handle(), WM_TIMER, 100, 0);
    SendMessageW(tree->Handle(), WM_TIMER, 100, 0);
    EXPECT_EQ(firstVisible(), 2);
    EXPECT_EQ(scrolls, 2);
    tree->DragOverAt(5);
    EXPECT_EQ(tree->ScrollDirection(), -1);
    SendMessageW(tree->Handle(), WM_TIMER, 100, 0);
    EXPECT_EQ(firstVisible(), 1);
    tree->DragOverAt(client.bottom / 2);
    EXPECT_EQ(tree->ScrollDirection(), 0);
    tree->DragOverAt(client.bottom - 1);
    tree->EndDragScroll();
    EXPECT_EQ(tree->ScrollDirection(), 0);
    SendMessageW(tree->Handle(), WM_TIMER, 100, 0);
    EXPECT_EQ(firstVisible(), 1);
    // A real drag: the button goes down on an item and the mouse moves away; near the bottom
    // edge the tree scrolls, and letting go ends it.
    RECT item = ItemRect(tree->Items.Item(3));
    const int x = (item.left + item.right) / 2, y = (item.top + item.bottom) / 2;
    PostMessageW(tree->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x + 30, y + 30));
    SendMessageW(tree->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageW(tree->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, client.bottom - 3));
    EXPECT_EQ(tree->ScrollDirection(), 1);
    SendMessageW(tree->Handle(), WM_TIMER, 100, 0);
    EXPECT_EQ(firstVisible(), 2);
    SendMessageW(tree->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(x, client.bottom - 3));
    EXPECT_EQ(tree->ScrollDirection(), 0);
    EXPECT_EQ(GetCapture(), nullptr);
    // Without the option nothing scrolls.
    tree->AutoDragScroll = false;
    tree->DragOverAt(client.bottom - 5);
    EXPECT_EQ(tree->ScrollDirection(), 0);
}

TEST_F(TreeTest, DeletingNodesTakesThemOffTheSelectionList) {
    TXcTreeNode* a = tree->Items.Add(nullptr, "Alpha");
    TXcTreeNode* b = tree->Items.AddChild(a, "Beta");
    tree->SetSelected(b);
    EXPECT_TRUE(tree->IsListed(b));
    tree->Items.Delete(a);
    EXPECT_EQ(tree->Items.Count(), 0);
    EXPECT_EQ(tree->Selected(), nullptr);
    tree->Items.Add(nullptr, "Gamma");
    tree->Items.Clear();
    EXPECT_EQ(tree->Items.Count(), 0);
}

}  // namespace

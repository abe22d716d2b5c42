// The extended control base family under Wine: notifications from the toolkit and from the
// system reach the overridable operations, and what is not overridden behaves as before; the
// print-client hook gives a device context back as it found it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/XcComponent.h"
#include "controls/XcExComCtrls.h"
#include "controls/XcExMask.h"
#include "controls/XcLibrary.h"
#include "controls/XcThemes.h"
#include "toolkit/stdctrls.h"

using namespace talvik;

namespace {

std::vector<std::string> events;

class ProbeEdit : public TXcExCustomMaskEdit {
public:
    ProbeEdit(TWinControl* parent, std::string name) : TXcExCustomMaskEdit(parent), name_(std::move(name)) {}
    void MouseEnter(TControl* c) override {
        events.push_back(name_ + " enter");
        TXcExCustomMaskEdit::MouseEnter(c);
    }
    void MouseLeave(TControl* c) override {
        TXcExCustomMaskEdit::MouseLeave(c);
        events.push_back(name_ + " leave");
    }
    void DoSetFocus(HWND previous) override {
        events.push_back(name_ + " setfocus" + (TControl::FromHandle(previous) ? " from " + TControl::FromHandle(previous)->Name : ""));
        TXcExCustomMaskEdit::DoSetFocus(previous);
    }
    void DoKillFocus(HWND next) override {
        events.push_back(name_ + " killfocus" + (TControl::FromHandle(next) ? " to " + TControl::FromHandle(next)->Name : ""));
        TXcExCustomMaskEdit::DoKillFocus(next);
    }
    void TextChanged() override {
        events.push_back(name_ + " text " + Text());
        TXcExCustomMaskEdit::TextChanged();
    }
    void EnabledChanged() override {
        events.push_back(name_ + (Enabled() ? " enabled" : " disabled"));
        TXcExCustomMaskEdit::EnabledChanged();
    }
    void DoGetDlgCode(TDlgCodes& codes) override {
        if (wantTab) codes = (codes & ~dcNative) | dcWantTab;
    }
    void BoundsChanged() override { events.push_back(name_ + " bounds " + std::to_string(Width())); }
    bool wantTab = false;

private:
    std::string name_;
};

class ProbeGraphic : public TXcExGraphicControl {
public:
    using TXcExGraphicControl::TXcExGraphicControl;
    void FocusChanged(TControl* c) override {
        events.push_back("graphic focus " + (c ? c->Name : std::string("none")));
        TXcExGraphicControl::FocusChanged(c);
    }
    void MouseEnter(TControl* c) override {
        events.push_back("graphic enter");
        TXcExGraphicControl::MouseEnter(c);
    }
    void MouseLeave(TControl* c) override {
        TXcExGraphicControl::MouseLeave(c);
        events.push_back("graphic leave");
    }
    bool HitTest(int x, int y) override { return x < Width() / 2 && TXcExGraphicControl::HitTest(x, y); }
    void ColorChanged() override {
        events.push_back("graphic colour");
        TXcExGraphicControl::ColorChanged();
    }
};

class BaseFamilyTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application.Initialize();
        InitializeControlsLibrary();
        Application.OnException = [this](const std::exception& e) { errors.push_back(e.what()); };
        events.clear();
        form = new TXcForm();
        form->SetBounds(100, 100, 400, 300);
    }
    void TearDown() override {
        form->Free();
        FinalizeControlsLibrary();
        Application.OnException = nullptr;
        EXPECT_TRUE(errors.empty()) << errors.front();
    }
    void Pump(int rounds = 10) {
        for (int i = 0; i < rounds; ++i) {
            Application.ProcessMessages();
            Sleep(10);
        }
    }
    // The real mouse: the system makes the move messages, as soon as a loaded machine gets round
    // to them. Waits (with a generous bound) until `heard` events in all have come, then a while
    // more for any that should not.
    void MoveMouseTo(TControl* c, int x, int y, size_t heard = 0) {
        POINT pt{x, y};
        ClientToScreen(c->Handle(), &pt);
        SetCursorPos(pt.x, pt.y);
        const DWORD start = GetTickCount();
        while (events.size() < heard && GetTickCount() - start < 10000) Pump(1);
        Pump(15);
    }
    TXcForm* form = nullptr;
    std::vector<std::string> errors;
};

TEST_F(BaseFamilyTest, MouseEnterAndLeaveReachTheVirtualsAndTheEvents) {
    auto* a = new ProbeEdit(form, "a");
    a->SetBounds(10, 10, 120, 24);
    auto* g = new ProbeGraphic(form);
    g->SetBounds(200, 10, 40, 40);
    int enters = 0, leaves = 0;
    a->OnMouseEnter = [&](TControl* c) {
        EXPECT_EQ(c, a);
        EXPECT_TRUE(a->MouseOver);
        ++enters;
    };
    a->OnMouseLeave = [&](TControl*) {
        EXPECT_FALSE(a->MouseOver);
        ++leaves;
    };
    form->SetStayOnTop(true);
    form->Show();
    SetForegroundWindow(form->Handle());
    Pump();
    MoveMouseTo(form, 300, 200);
    events.clear();
    MoveMouseTo(a, 20, 10, 1);
    MoveMouseTo(g, 5, 20, 3);
    MoveMouseTo(form, 300, 200, 4);
    EXPECT_EQ(events, (std::vector<std::string>{"a enter", "a leave", "graphic enter", "graphic leave"}));
    EXPECT_EQ(enters, 1);
    EXPECT_EQ(leaves, 1);
    EXPECT_FALSE(g->MouseOver);
}

TEST_F(BaseFamilyTest, HitTestDecidesWhereTheGraphicControlTakesTheMouse) {
    auto* g = new ProbeGraphic(form);
    g->SetBounds(200, 10, 40, 40);
    form->Show();
    Pump();
    POINT left{5, 5}, right{35, 5};
    ClientToScreen(g->Handle(), &left);
    ClientToScreen(g->Handle(), &right);
    EXPECT_EQ(SendMessageW(g->Handle(), WM_NCHITTEST, 0, MAKELPARAM(left.x, left.y)), HTCLIENT);
    EXPECT_EQ(SendMessageW(g->Handle(), WM_NCHITTEST, 0, MAKELPARAM(right.x, right.y)), HTTRANSPARENT);
    // The answer of the untouched framework path: every point of the control is hit.
    EXPECT_EQ(SendMessageW(g->Handle(), CM_HITTEST, 0, MAKELPARAM(5, 5)), 1);
    EXPECT_EQ(SendMessageW(g->Handle(), CM_XC_INTERFACEQUERY, 0, 0), 0);
}

TEST_F(BaseFamilyTest, FocusMovesReachSetAndKillFocusAndTheFormTellsItsControls) {
    auto* a = new ProbeEdit(form, "a");
    a->Name = "a";
    a->SetBounds(10, 10, 120, 24);
    auto* b = new ProbeEdit(form, "b");
    b->Name = "b";
    b->SetBounds(10, 50, 120, 24);
    auto* g = new ProbeGraphic(form);
    form->Show();
    SetForegroundWindow(form->Handle());
    a->SetFocus();
    Pump();
    events.clear();
    b->SetFocus();
    Pump();
    EXPECT_EQ(GetFocus(), b->Handle());  // the inherited handling still moves the system focus
    EXPECT_EQ(events, (std::vector<std::string>{"a killfocus to b", "b setfocus from a", "graphic focus b"}));
    (void)g;
}

TEST_F(BaseFamilyTest, TextEnabledBoundsAndColourChangesReachTheirOperations) {
    auto* a = new ProbeEdit(form, "a");
    auto* g = new ProbeGraphic(form);
    events.clear();
    a->SetText("12");
    a->SetText("12");  // no change, no notification
    a->SetEnabled(false);
    a->SetBounds(0, 0, 77, 24);
    g->SetColor(RGB(1, 2, 3));
    EXPECT_EQ(events, (std::vector<std::string>{"a text 12", "a disabled", "a bounds 77", "graphic colour"}));
}

TEST_F(BaseFamilyTest, DialogCodesKeepTheNativeAnswerUnlessChanged) {
    auto* a = new ProbeEdit(form, "a");
    LRESULT native = SendMessageW(a->Handle(), WM_GETDLGCODE, 0, 0);
    EXPECT_TRUE(native & DLGC_HASSETSEL);
    a->wantTab = true;
    EXPECT_EQ(SendMessageW(a->Handle(), WM_GETDLGCODE, 0, 0), DLGC_WANTTAB | (native & (DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS | DLGC_WANTALLKEYS)));
}

TEST_F(BaseFamilyTest, ClipboardCommandsOffMeansNothingHappens) {
    auto* a = new ProbeEdit(form, "a");
    a->SetText("hello");
    SendMessageW(a->Handle(), EM_SETSEL, 0, -1);
    a->SetClipboardCommands(caPaste | caUndo);
    EXPECT_EQ(SendMessageW(a->Handle(), WM_CUT, 0, 0), 1);
    EXPECT_EQ(a->Text(), "hello");
    EXPECT_EQ(SendMessageW(a->Handle(), WM_CLEAR, 0, 0), 1);
    EXPECT_EQ(a->Text(), "hello");
    a->SetClipboardCommands(kAllClipboardCommands);
    SendMessageW(a->Handle(), EM_SETSEL, 0, -1);
    SendMessageW(a->Handle(), WM_CUT, 0, 0);
    EXPECT_EQ(a->Text(), "");
    SendMessageW(a->Handle(), WM_PASTE, 0, 0);
    EXPECT_EQ(a->Text(), "hello");
    a->SetClipboardCommands(0);
    SendMessageW(a->Handle(), WM_PASTE, 0, 0);
    EXPECT_EQ(SendMessageW(a->Handle(), WM_UNDO, 0, 0), 1);
    EXPECT_EQ(SendMessageW(a->Handle(), EM_UNDO, 0, 0), 1);
    EXPECT_EQ(a->Text(), "hello");
}

TEST_F(BaseFamilyTest, AFormThatIsNotFocusableIsNotActivatedByTheMouse) {
    EXPECT_NE(SendMessageW(form->Handle(), WM_MOUSEACTIVATE, 0, 0), MA_NOACTIVATE);
    form->IsFocusable = false;
    EXPECT_EQ(SendMessageW(form->Handle(), WM_MOUSEACTIVATE, 0, 0), MA_NOACTIVATE);
}

TEST_F(BaseFamilyTest, TreeViewMemberKeepsTheToolkitTreeWorking) {
    auto* t = new TXcExTreeView(form);
    HTREEITEM root = t->AddItem(nullptr, "Options");
    HTREEITEM child = t->AddItem(root, "Port");
    int changes = 0;
    t->OnChange = [&](TControl*) { ++changes; };
    t->SetSelected(child);
    EXPECT_EQ(t->Selected(), child);
    EXPECT_EQ(t->ItemText(t->FirstChild(root)), "Port");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(SendMessageW(t->Handle(), CM_XC_INTERFACEQUERY, 0, 0), 0);
}

struct DcState {
    int bkMode;
    COLORREF textColor;
    HGDIOBJ font;
    POINT origin;
    RECT clip;
    bool operator==(const DcState& o) const {
        return bkMode == o.bkMode && textColor == o.textColor && font == o.font && origin.x == o.origin.x &&
               origin.y == o.origin.y && EqualRect(&clip, &o.clip);
    }
};

DcState StateOf(HDC dc) {
    DcState s{};
    s.bkMode = GetBkMode(dc);
    s.textColor = GetTextColor(dc);
    s.font = GetCurrentObject(dc, OBJ_FONT);
    GetViewportOrgEx(dc, &s.origin);
    GetClipBox(dc, &s.clip);
    return s;
}

TEST_F(BaseFamilyTest, PrintClientLeavesTheDeviceContextAsItFoundIt) {
    auto* panel = new TPanel(form);
    panel->SetCaption("Port settings");
    auto* group = new TGroupBox(form, "Line");
    group->SetBounds(0, 60, 150, 80);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 300, 200);
    ReleaseDC(nullptr, screen);
    HGDIOBJ oldBmp = SelectObject(dc, bmp);
    HFONT font = CreateFontW(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, L"Arial");
    SelectObject(dc, font);
    SetBkMode(dc, OPAQUE);
    SetTextColor(dc, RGB(10, 20, 30));
    SetViewportOrgEx(dc, 7, 9, nullptr);
    HRGN clip = CreateRectRgn(0, 0, 120, 90);
    SelectClipRgn(dc, clip);
    DcState before = StateOf(dc);

    ASSERT_TRUE(PrintClientHandlerPatched());
    for (TControl* c : std::vector<TControl*>{panel, group, form}) {
        SendMessageW(c->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        EXPECT_TRUE(StateOf(dc) == before) << "after " << typeid(*c).name();
    }

    // Without the hook the panel's painting leaves its mark: the check above can fail.
    UnpatchPrintClientHandler();
    EXPECT_EQ(PrintClientHandlerEntry(), &DefaultPrintClientHandler);
    SendMessageW(panel->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    EXPECT_FALSE(StateOf(dc) == before);
    PatchPrintClientHandler();

    SelectObject(dc, oldBmp);
    DeleteObject(bmp);
    DeleteDC(dc);
    DeleteObject(font);
    DeleteObject(clip);
}

}  // namespace

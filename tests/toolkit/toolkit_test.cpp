// Behaviour of the UI toolkit under Wine: event rules, the exception display, grids, status
// and tool bars, hints, rich text in and out, and the order of form creation.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>

#include "base/rtl.h"
#include "toolkit/comctrls.h"
#include "toolkit/dialogs.h"
#include "toolkit/grids.h"

using namespace talvik;

namespace {

class ToolkitTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application.Initialize();
        Application.OnException = [this](const std::exception& e) { errors.push_back(e.what()); };
        form = new TForm();
        form->SetBounds(10, 10, 500, 400);
    }
    void TearDown() override {
        form->Free();
        Application.OnException = nullptr;
    }
    void Pump() {
        for (int i = 0; i < 20; ++i) Application.ProcessMessages();
    }
    // What the user's click does: the system control reports it to its parent window.
    static void UserClick(TControl* c) { SendMessageW(c->Handle(), BM_CLICK, 0, 0); }

    TForm* form = nullptr;
    std::vector<std::string> errors;
};

TEST_F(ToolkitTest, CheckedInCodeFiresClickOnlyOnChange) {
    auto* box = new TCheckBox(form, "Log");
    int clicks = 0;
    box->OnClick = [&](TControl*) { ++clicks; };
    box->SetChecked(true);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(SendMessageW(box->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
    box->SetChecked(true);
    EXPECT_EQ(clicks, 1);
    UserClick(box);
    EXPECT_EQ(clicks, 2);
    EXPECT_FALSE(box->Checked());
    EXPECT_EQ(SendMessageW(box->Handle(), BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST_F(ToolkitTest, RadioButtonsTurnSiblingsOffAndOnlyTheCheckedOneClicks) {
    auto* a = new TRadioButton(form, "English");
    auto* b = new TRadioButton(form, "Deutsch");
    std::vector<std::string> clicked;
    a->OnClick = [&](TControl*) { clicked.push_back("a"); };
    b->OnClick = [&](TControl*) { clicked.push_back("b"); };
    a->SetChecked(true);
    UserClick(b);
    EXPECT_FALSE(a->Checked());
    EXPECT_TRUE(b->Checked());
    EXPECT_EQ(SendMessageW(a->Handle(), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    UserClick(b);  // already checked: nothing new
    EXPECT_EQ(clicked, (std::vector<std::string>{"a", "b"}));
}

TEST_F(ToolkitTest, RadioGroupItemIndexInCodeIsSilent) {
    auto* g = new TRadioGroup(form, "Units");
    g->SetItems({"A", "B", "C"});
    int clicks = 0;
    g->OnClick = [&](TControl*) { ++clicks; };
    g->SetItemIndex(2);
    EXPECT_EQ(g->ItemIndex(), 2);
    EXPECT_EQ(clicks, 0);
    UserClick(g->Button(0));
    EXPECT_EQ(g->ItemIndex(), 0);
    EXPECT_EQ(clicks, 1);
}

TEST_F(ToolkitTest, TextSetToItsOwnValueFiresNoChange) {
    auto* e = new TEdit(form);
    std::vector<std::string> seen;
    e->OnChange = [&](TControl* c) { seen.push_back(c->Text()); };
    e->SetText("COM1");
    e->SetText("COM1");
    e->SetText("");
    EXPECT_EQ(seen, (std::vector<std::string>{"COM1", ""}));
    e->SetText("中文");
    EXPECT_EQ(e->Text(), "中文");
}

TEST_F(ToolkitTest, MaskEditKeepsOnlyItsDigits) {
    auto* m = new TMaskEdit(form, 16);
    m->SetMaskedText("+49 (30) 1234-5678 9012 34");
    EXPECT_EQ(m->Text(), "4930123456789012");
}

TEST_F(ToolkitTest, ItemIndexInCodeFiresNoChangeButUserSelectionDoes) {
    auto* c = new TComboBox(form);
    for (const char* s : {"300", "1200", "2400", "9600"}) c->Add(s);
    int changes = 0;
    c->OnChange = [&](TControl*) { ++changes; };
    c->SetItemIndex(3);
    EXPECT_EQ(c->ItemIndex(), 3);
    EXPECT_EQ(c->Item(3), "9600");
    EXPECT_EQ(changes, 0);
    // The user picking from the list: the box reports a selection change to its parent.
    SendMessageW(c->Handle(), CB_SETCURSEL, 1, 0);
    SendMessageW(form->Handle(), WM_COMMAND, MAKEWPARAM(0, CBN_SELCHANGE), reinterpret_cast<LPARAM>(c->Handle()));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(c->ItemIndex(), 1);
}

TEST_F(ToolkitTest, ExceptionInAHandlerGoesToTheDisplayAndTheProgramGoesOn) {
    auto* b = new TButton(form, "Go");
    int after = 0;
    b->OnClick = [&](TControl*) {
        ++after;
        throw ERangeError();
    };
    UserClick(b);
    UserClick(b);
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0], "Range check error");
    EXPECT_EQ(after, 2);
    // The form still works after the failures.
    form->SetCaption("still here");
    EXPECT_EQ(form->Caption(), "still here");
}

TEST_F(ToolkitTest, ExceptionInATimerTickGoesToTheDisplay) {
    TTimer t;
    t.SetInterval(10);
    t.OnTimer = [](TTimer*) { throw std::runtime_error("tick failed"); };
    // Deliver one expiry as the system would.
    SendMessageW(Application.UtilityWindow(), WM_TIMER, 0, 0);  // an unknown id is ignored
    EXPECT_TRUE(errors.empty());
    MSG msg;
    while (errors.empty()) {
        if (GetMessageW(&msg, nullptr, 0, 0) <= 0) break;
        DispatchMessageW(&msg);
    }
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ(errors[0], "tick failed");
}

std::wstring* boxTitle;
std::wstring* boxText;

// Reads the box once it is up (its title is set after activation) and presses OK.
void CALLBACK ReadBox(HWND box, UINT, UINT_PTR id, DWORD) {
    KillTimer(box, id);
    wchar_t buf[256];
    GetWindowTextW(box, buf, 256);
    *boxTitle = buf;
    if (HWND label = GetDlgItem(box, 0xFFFF)) {
        GetWindowTextW(label, buf, 256);
        *boxText = buf;
    }
    PostMessageW(box, WM_COMMAND, IDOK, 0);
}

LRESULT CALLBACK AnswerBox(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_ACTIVATE) SetTimer(reinterpret_cast<HWND>(wp), 77, 10, ReadBox);
    return CallNextHookEx(nullptr, code, wp, lp);
}

TEST_F(ToolkitTest, DefaultDisplayIsAMessageBoxTitledWithTheProgramTitle) {
    Application.OnException = nullptr;
    std::wstring seenTitle, seenText;
    // Answer the box from a hook on this thread: it appears as a dialog window.
    boxTitle = &seenTitle;
    boxText = &seenText;
    HHOOK hook = SetWindowsHookExW(WH_CBT, AnswerBox, nullptr, GetCurrentThreadId());
    Application.HandleException(std::runtime_error("Integer overflow"));
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(seenTitle, L"TALVIK");
    EXPECT_EQ(seenText, L"Integer overflow");
}

HWND pressedBox;

// Presses Yes on the box once it is up, as a click does (the button tells the box).
void CALLBACK PressYes(HWND box, UINT, UINT_PTR id, DWORD) {
    KillTimer(box, id);
    pressedBox = box;
    SendMessageW(GetDlgItem(box, IDYES), BM_CLICK, 0, 0);
}

LRESULT CALLBACK PressYesOnBox(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_ACTIVATE) SetTimer(reinterpret_cast<HWND>(wp), 78, 10, PressYes);
    return CallNextHookEx(nullptr, code, wp, lp);
}

// The answer is acted on while the box still stands; a press held back comes again until taken.
TEST_F(ToolkitTest, MessageDlgPressIsTakenBeforeTheBoxGoesAndAHeldPressComesAgain) {
    pressedBox = nullptr;
    std::vector<bool> standing;
    std::vector<TModalResult> pressed;
    HHOOK hook = SetWindowsHookExW(WH_CBT, PressYesOnBox, nullptr, GetCurrentThreadId());
    const TModalResult r = MessageDlg("Stop?", TMsgDlgType::mtConfirmation, mbYes | mbNo, [&](TModalResult p) {
        pressed.push_back(p);
        standing.push_back(pressedBox && IsWindowVisible(pressedBox));
        return pressed.size() == 3;
    });
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(r, TModalResult::mrYes);
    EXPECT_EQ(pressed, std::vector<TModalResult>(3, TModalResult::mrYes));
    EXPECT_EQ(standing, std::vector<bool>(3, true));
}

TEST_F(ToolkitTest, GridSelectionAsksFirstAndCellsAreRangeChecked) {
    auto* g = new TStringGrid(form, 3, 17);
    g->RowSelect = true;
    g->SetBounds(0, 0, 330, 207);
    for (int i = 1; i <= 16; ++i) g->SetCell(0, i, std::to_string(i));
    g->SetCell(1, 5, "Hut");
    std::vector<int> asked;
    bool allow = true;
    g->OnSelectCell = [&](TControl*, int, int row, bool& can) {
        asked.push_back(row);
        can = allow;
    };
    g->SetRow(5);
    EXPECT_EQ(g->Row(), 5);
    allow = false;
    g->SetRow(7);
    EXPECT_EQ(g->Row(), 5);
    allow = true;
    g->SetRow(16);  // below the visible rows: the grid scrolls to show it
    EXPECT_EQ(g->Row(), 16);
    EXPECT_GT(g->TopRow(), 1);
    EXPECT_EQ(asked, (std::vector<int>{5, 7, 16}));
    EXPECT_EQ(g->Cell(1, 5), "Hut");
    EXPECT_THROW(g->Cell(3, 0), ERangeError);
    EXPECT_THROW(g->SetCell(0, 17, "x"), ERangeError);
    // A click on the first data row selects it.
    g->SetRow(1);
    g->SetRow(4);
    SendMessageW(g->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 24 + 5));
    EXPECT_EQ(g->Row(), 1);
}

TEST_F(ToolkitTest, StatusBarPanelsKeepTheirTexts) {
    auto* s = new TStatusBar(form);
    s->SetBounds(0, 44, 632, 22);
    s->SetPanelWidths({240, 166, 50, 49, 0, 150});
    s->SetPanelText(2, "COM1");
    s->SetPanelText(3, "9600");
    s->SetPanelText(5, "端口打开");
    EXPECT_EQ(s->PanelText(2), "COM1");
    EXPECT_EQ(s->PanelText(3), "9600");
    EXPECT_EQ(s->PanelText(5), "端口打开");
    EXPECT_EQ(SendMessageW(s->Handle(), SB_GETPARTS, 0, 0), 6);
    int edges[6];
    SendMessageW(s->Handle(), SB_GETPARTS, 6, reinterpret_cast<LPARAM>(edges));
    EXPECT_EQ(edges[0], 240);
    EXPECT_EQ(edges[3], 240 + 166 + 50 + 49);
    EXPECT_THROW(s->SetPanelText(6, "x"), std::out_of_range);
}

TEST_F(ToolkitTest, StatusBarsLastPanelReachesTheEndWhateverSizeTheBarGetsLater) {
    // Panels set while the bar still has the size it was made with, as a window built in
    // pieces does; the bar is given its place afterwards and later made wider still.
    auto* s = new TStatusBar(form);
    s->SetPanelWidths({150, 166, 50, 49, 0, 180});
    s->SetPanelText(5, "Data Received");
    for (int width : {612, 640}) {
        s->SetBounds(0, 44, width, 22);
        RECT part{}, client{};
        SendMessageW(s->Handle(), SB_GETRECT, 5, reinterpret_cast<LPARAM>(&part));
        GetClientRect(s->Handle(), &client);
        EXPECT_NEAR(part.left, 150 + 166 + 50 + 49, 4) << width;
        EXPECT_GE(part.right, client.right - 20) << width;  // the size grip may take the corner
    }
}

TEST_F(ToolkitTest, ToolBarButtonsClickCheckCarryMenusAndHints) {
    auto* cool = new TCoolBar(form);
    auto* bar = new TToolBar(cool, 46, 40);
    cool->AddBand(bar, 42);
    TImageList images(39, 33);
    HDC dc = GetDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(dc, 39 * 2, 33);
    ReleaseDC(nullptr, dc);
    images.Add(bmp, RGB(255, 0, 255));
    DeleteObject(bmp);
    bar->SetImages(&images);
    TToolButton* exitB = bar->AddButton("ToolButton1", TToolButton::Style::Button, 0);
    TToolButton* cur = bar->AddButton("ToolButton4", TToolButton::Style::Check, 1);
    exitB->Hint = "Exit|Leave the program";
    int clicks = 0;
    exitB->OnClick = [&](TToolButton*) { ++clicks; };
    form->Show();
    Pump();
    // A real mouse click on the first button, through the tool bar's own handling.
    RECT r;
    SendMessageW(bar->Handle(), TB_GETRECT, exitB->Id(), reinterpret_cast<LPARAM>(&r));
    LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageW(bar->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(bar->Handle(), WM_LBUTTONUP, 0, at);
    Pump();
    EXPECT_EQ(clicks, 1);

    SendMessageW(bar->Handle(), TB_GETRECT, cur->Id(), reinterpret_cast<LPARAM>(&r));
    at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageW(bar->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(bar->Handle(), WM_LBUTTONUP, 0, at);
    EXPECT_TRUE(cur->Down());

    TPopupMenu menu;
    menu.Add("Options1", "&Options");
    EXPECT_EQ(exitB->DropdownMenu(), nullptr);
    exitB->SetDropdownMenu(&menu);
    TBBUTTONINFOW bi{};
    bi.cbSize = sizeof(bi);
    bi.dwMask = TBIF_STYLE;
    SendMessageW(bar->Handle(), TB_GETBUTTONINFOW, exitB->Id(), reinterpret_cast<LPARAM>(&bi));
    EXPECT_TRUE(bi.fsStyle & BTNS_DROPDOWN);
    exitB->SetDropdownMenu(nullptr);
    SendMessageW(bar->Handle(), TB_GETBUTTONINFOW, exitB->Id(), reinterpret_cast<LPARAM>(&bi));
    EXPECT_FALSE(bi.fsStyle & BTNS_DROPDOWN);

    // Moving over the button puts its long hint in the application's hint.
    SendMessageW(bar->Handle(), TB_GETRECT, exitB->Id(), reinterpret_cast<LPARAM>(&r));
    POINT pt{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(bar->Handle(), &pt);
    // The real pointer may have moved over the bar while messages ran and left its hint there:
    // the count starts from a place without one.
    Application.MouseMovedOver(form->Handle(), POINT{-10000, -10000});
    int hints = 0;
    Application.OnHint = [&] { ++hints; };
    Application.MouseMovedOver(bar->Handle(), pt);
    Application.OnHint = nullptr;
    EXPECT_EQ(Application.Hint(), "Leave the program");
    EXPECT_EQ(hints, 1);
}

TEST_F(ToolkitTest, HintsSplitIntoShortAndLongParts) {
    EXPECT_EQ(GetShortHint("Exit|Leave the program"), "Exit");
    EXPECT_EQ(GetLongHint("Exit|Leave the program"), "Leave the program");
    EXPECT_EQ(GetLongHint("Exit"), "Exit");
    auto* b = new TButton(form, "x");
    b->SetHint("Send");
    RECT r;
    GetWindowRect(b->Handle(), &r);
    Application.MouseMovedOver(b->Handle(), POINT{r.left + 2, r.top + 2});
    EXPECT_EQ(Application.Hint(), "Send");
    Application.MouseMovedOver(form->Handle(), POINT{r.right + 50, r.bottom + 50});
    EXPECT_EQ(Application.Hint(), "");
}

TEST_F(ToolkitTest, TooltipShowsTheShortPartAndTheShowHintHandlerHasTheLastWord) {
    auto* panel = new TPanel(form);
    auto* b = new TButton(panel, "Save");
    b->SetHint("Save|Save report to File");
    auto ask = [&]() {
        NMTTDISPINFOW di{};
        di.hdr.hwndFrom = Application.TooltipWindow();
        di.hdr.idFrom = reinterpret_cast<UINT_PTR>(b->Handle());
        di.hdr.code = TTN_GETDISPINFOW;
        di.uFlags = TTF_IDISHWND;
        SendMessageW(panel->Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&di));
        return di.lpszText ? std::wstring(di.lpszText) : std::wstring();
    };
    EXPECT_EQ(ask(), L"Save");
    TControl* seen = nullptr;
    Application.OnShowHint = [&](std::string& h, bool& can, THintInfo& info) {
        seen = info.HintControl;
        if (h == "Save") h = "Speichern";
        can = true;
    };
    EXPECT_EQ(ask(), L"Speichern");
    EXPECT_EQ(seen, b);
    Application.OnShowHint = [](std::string&, bool& can, THintInfo&) { can = false; };
    EXPECT_EQ(ask(), L"");
    Application.OnShowHint = nullptr;
}

TEST_F(ToolkitTest, RichTextGoesOutAndComesBackWithChineseAndFormatting) {
    auto* a = new TRichEdit(form);
    a->AddStyled("QV DATA", TFont{"Arial", 14, DEFAULT_CHARSET, true}, RGB(0, 0, 255));
    a->AddStyled("当前状态 Spannung", TFont{"WenQuanYi Micro Hei", 12, GB2312_CHARSET, false}, RGB(0, 0, 0));
    std::string rtf = a->Rtf();
    EXPECT_EQ(rtf.rfind("{\\rtf", 0), 0u);
    EXPECT_NE(rtf.find("\\b"), std::string::npos);
    auto* b = new TRichEdit(form);
    b->SetRtf(rtf);
    EXPECT_EQ(b->PlainText(), "QV DATA\r当前状态 Spannung");

    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    std::string path = std::string(tmp) + "talvik_rich_test.rtf";
    {
        std::ofstream out(path, std::ios::binary);
        out << rtf;
    }
    auto* c = new TRichEdit(form);
    c->LoadFromFile(path);
    EXPECT_EQ(c->PlainText(), a->PlainText());
    DeleteFileA(path.c_str());
    EXPECT_THROW(c->LoadFromFile(path), std::runtime_error);
    EXPECT_EQ(c->PlainText(), a->PlainText());  // a failed load leaves the text
}

class CreatedForm : public TForm {
public:
    static CreatedForm** variable;
    static bool sawVariable;
    CreatedForm() {
        OnCreate = [](TForm* self) { sawVariable = (*variable == self); };
    }
};
CreatedForm** CreatedForm::variable = nullptr;
bool CreatedForm::sawVariable = false;

TEST(ApplicationTest, FormVariableIsSetBeforeTheCreationHandlerRuns) {
    Application.Initialize();
    CreatedForm* f = nullptr;
    CreatedForm::variable = &f;
    Application.CreateForm(f);
    EXPECT_TRUE(CreatedForm::sawVariable);
    EXPECT_EQ(Application.MainForm, f);
    ASSERT_EQ(Application.Forms().size(), 1u);
    Application.DestroyForms();
    EXPECT_TRUE(Application.Forms().empty());
    EXPECT_EQ(Application.MainForm, nullptr);
}

TEST_F(ToolkitTest, FormCloseAsksFirstAndHidesAndAutoSizeFollowsPanels) {
    bool allow = false;
    int closes = 0, destroys = 0;
    auto* f = new TForm();
    f->OnCloseQuery = [&](TForm*, bool& can) { can = allow; };
    f->OnClose = [&](TForm*, TCloseAction&) { ++closes; };
    f->OnDestroy = [&](TForm*) { ++destroys; };
    f->Show();
    SendMessageW(f->Handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindowVisible(f->Handle()));
    EXPECT_EQ(closes, 0);
    allow = true;
    SendMessageW(f->Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(f->Handle()));
    EXPECT_EQ(closes, 1);

    f->SetBounds(0, 0, 640, 96);
    f->SetAutoSize(true);
    auto* top = new TPanel(f);
    top->SetBounds(0, 0, 600, 66);
    auto* low = new TPanel(f);
    low->SetBounds(0, 66, 300, 227);
    low->Hide();
    RECT cr;
    GetClientRect(f->Handle(), &cr);
    EXPECT_EQ(cr.bottom, 66);
    low->Show();
    GetClientRect(f->Handle(), &cr);
    EXPECT_EQ(cr.bottom, 66 + 227);
    EXPECT_EQ(f->Width(), 640);
    f->Free();
    EXPECT_EQ(destroys, 1);
}

TEST_F(ToolkitTest, MessageDlgHookAnswersAndFontsCanShowChinese) {
    SetMessageDlgHook([](const std::string& text, TMsgDlgType, unsigned buttons) {
        return text == "Clear?" && (buttons & mbNo) ? TModalResult::mrNo : TModalResult::mrYes;
    });
    EXPECT_EQ(MessageDlg("Clear?", TMsgDlgType::mtConfirmation, mbYes | mbNo), TModalResult::mrNo);
    SetMessageDlgHook(nullptr);
    // A font name that is not installed falls back to one with the Chinese glyphs.
    TFont f{"UWPSTJ (GB)", 12, GB2312_CHARSET, false};
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, f.Handle());
    wchar_t face[LF_FACESIZE];
    GetTextFaceW(dc, LF_FACESIZE, face);
    WORD glyph = 0;
    GetGlyphIndicesW(dc, L"中", 1, &glyph, GGI_MARK_NONEXISTING_GLYPHS);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    EXPECT_EQ(std::wstring(face), L"WenQuanYi Micro Hei");
    EXPECT_NE(glyph, 0xFFFF);
}

TEST_F(ToolkitTest, PageControlShowsOnlyTheActivePageAndCodeChangesAreSilent) {
    auto* pc = new TPageControl(form);
    pc->SetBounds(0, 0, 300, 200);
    TTabSheet* a = pc->AddPage("Settings");
    TTabSheet* b = pc->AddPage("Calibration");
    int changes = 0;
    pc->OnChange = [&](TControl*) { ++changes; };
    EXPECT_EQ(pc->ActivePageIndex(), 0);
    EXPECT_TRUE(a->Visible());
    EXPECT_FALSE(b->Visible());
    pc->SetActivePageIndex(1);
    EXPECT_FALSE(a->Visible());
    EXPECT_TRUE(b->Visible());
    EXPECT_EQ(changes, 0);
    // The user picking a tab: the tab control tells its parent.
    SendMessageW(pc->Handle(), TCM_SETCURSEL, 0, 0);
    NMHDR hdr{pc->Handle(), 0, static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageW(form->Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&hdr));
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(a->Visible());
    EXPECT_FALSE(b->Visible());
}

TEST_F(ToolkitTest, UpDownAsksBeforeMovingAndItsEditKeepsTheRange) {
    TUpDownEdit spin(form, 1, 48);
    spin.SetValue(99);
    EXPECT_EQ(spin.Value(), 48);
    EXPECT_EQ(spin.Edit->Text(), "48");
    spin.Edit->SetText("abc");
    EXPECT_EQ(spin.Value(), 1);
    spin.Edit->SetText("0");
    EXPECT_EQ(spin.Value(), 1);

    std::vector<std::pair<int, TUpDown::Direction>> asked;
    bool allow = false;
    spin.UpDown->OnChangingEx = [&](TControl*, bool& ok, int v, TUpDown::Direction d) {
        asked.emplace_back(v, d);
        ok = allow;
    };
    spin.SetValue(10);
    NMUPDOWN nm{};
    nm.hdr = NMHDR{spin.UpDown->Handle(), 0, static_cast<UINT>(UDN_DELTAPOS)};
    nm.iPos = 10;
    nm.iDelta = 1;
    LRESULT refused = SendMessageW(form->Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&nm));
    EXPECT_EQ(refused, 1);
    allow = true;
    nm.iDelta = -1;
    EXPECT_EQ(SendMessageW(form->Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&nm)), 0);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].first, 11);
    EXPECT_EQ(asked[0].second, TUpDown::Direction::Up);
    EXPECT_EQ(asked[1].first, 9);
    EXPECT_EQ(asked[1].second, TUpDown::Direction::Down);
}

TEST_F(ToolkitTest, ModalFormEndsWithItsButtonsResult) {
    auto* dlg = new TForm();
    auto* ok = new TButton(dlg, "OK");
    ok->ModalResult = TModalResult::mrOk;
    form->Show();
    // The click waits in the queue and is handled inside the modal loop.
    PostMessageW(ok->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(dlg->ShowModal(), TModalResult::mrOk);
    EXPECT_FALSE(dlg->Visible());
    EXPECT_TRUE(IsWindowEnabled(form->Handle()));
    PostMessageW(dlg->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(dlg->ShowModal(), TModalResult::mrCancel);
    dlg->Free();
}

TEST_F(ToolkitTest, ExceptionInAToolBarOrCloseHandlerDoesNotLeaveTheWindow) {
    auto* cool = new TCoolBar(form);
    auto* bar = new TToolBar(cool, 46, 40);
    cool->AddBand(bar, 42);
    TToolButton* b = bar->AddButton("ToolButton1", TToolButton::Style::Button, 0);
    b->OnClick = [](TToolButton*) { throw std::runtime_error("button failed"); };
    // The tool bar reports the click to the form as a command.
    SendMessageW(form->Handle(), WM_COMMAND, MAKEWPARAM(b->Id(), BN_CLICKED), reinterpret_cast<LPARAM>(bar->Handle()));
    form->OnClose = [](TForm*, TCloseAction&) { throw std::runtime_error("close failed"); };
    form->Show();
    SendMessageW(form->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(errors, (std::vector<std::string>{"button failed", "close failed"}));
    EXPECT_TRUE(IsWindowVisible(form->Handle()));  // a failed close handler does not close
    form->OnClose = nullptr;
}

TEST_F(ToolkitTest, GridKeysMoveTheSelectionAndHeaderClicksSelectNothing) {
    auto* g = new TStringGrid(form, 3, 5);
    g->SetBounds(0, 0, 300, 200);
    std::vector<int> asked;
    g->OnSelectCell = [&](TControl*, int, int row, bool&) { asked.push_back(row); };
    g->SetRow(1);
    SendMessageW(g->Handle(), WM_KEYDOWN, VK_UP, 0);  // already on the first data row
    EXPECT_EQ(g->Row(), 1);
    SendMessageW(g->Handle(), WM_KEYDOWN, VK_DOWN, 0);
    SendMessageW(g->Handle(), WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(g->Row(), 3);
    SendMessageW(g->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(80, 5));  // header row
    EXPECT_EQ(g->Row(), 3);
    EXPECT_EQ(asked, (std::vector<int>{1, 2, 3}));
    EXPECT_THROW(g->SetRow(0), ERangeError);  // the header row is not selectable
}

TEST_F(ToolkitTest, PlainTextFilesLoadAsTextAndMemoLinesKeepChinese) {
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    std::string path = std::string(tmp) + "talvik_plain_test.txt";
    FILE* f = fopen(path.c_str(), "wb");
    fputs("{not rtf}\r\nline two", f);
    fclose(f);
    auto* r = new TRichEdit(form);
    r->LoadFromFile(path);
    EXPECT_EQ(r->PlainText(), "{not rtf}\rline two");
    DeleteFileA(path.c_str());

    auto* m = new TMemo(form);
    m->Add("第一行");
    m->Add("");
    m->Add("third");
    EXPECT_EQ(m->Lines(), (std::vector<std::string>{"第一行", "", "third"}));
    m->Clear();
    EXPECT_EQ(m->LineCount(), 0);
}

TEST_F(ToolkitTest, FixedSizeFormRefusesAnotherWidth) {
    form->SetBounds(0, 0, 640, 200);
    form->SetFixedSize(true);
    MINMAXINFO mm{};
    SendMessageW(form->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mm));
    EXPECT_EQ(mm.ptMinTrackSize.x, 640);
    EXPECT_EQ(mm.ptMaxTrackSize.x, 640);
}

TEST_F(ToolkitTest, ProgressBarStaysInItsRange) {
    auto* p = new TProgressBar(form, 0, 20);
    p->SetPosition(7);
    EXPECT_EQ(p->Position(), 7);
    p->SetPosition(25);
    EXPECT_EQ(p->Position(), 20);
}

// Where a child window sits in its parent's client area.
RECT PlaceInParent(HWND h) {
    RECT r;
    GetWindowRect(h, &r);
    MapWindowPoints(nullptr, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

TEST_F(ToolkitTest, ControlsOfADeferringFormGetTheirWindowsWhenShownWithTheStateSetBefore) {
    TForm::DeferContents = true;
    auto* later = new TForm();
    later->SetBounds(20, 20, 320, 240);
    auto* panel = new TPanel(later);
    panel->SetBounds(5, 6, 250, 180);
    auto* label = new TLabel(panel, "First");
    label->SetText("Second");
    label->SetBounds(10, 12, 90, 20);
    const TFont courier{"Courier New", 12};
    label->SetFont(courier);
    auto* button = new TButton(panel, "OK");
    button->SetEnabled(false);
    auto* check = new TCheckBox(panel, "Log");
    check->SetChecked(true);
    auto* edit = new TEdit(panel, "typed");
    edit->Hide();
    auto* bar = new TProgressBar(panel, 0, 10);
    bar->SetPosition(7);
    auto* upper = new TEdit(panel, "mixed");
    upper->SetUpperCase(true);
    auto* combo = new TComboBox(panel);
    combo->Add("COM1");
    combo->Add("COM2");
    combo->SetItemIndex(1);
    delete new TLabel(panel, "gone before its window was made");

    for (TControl* c : std::initializer_list<TControl*>{panel, label, button, check, edit, bar})
        EXPECT_TRUE(c->WindowPending());
    EXPECT_EQ(label->Text(), "Second");
    EXPECT_EQ(bar->Position(), 7);
    EXPECT_EQ(upper->Text(), "mixed");
    upper->SetText("c:\\Data");
    EXPECT_EQ(upper->Text(), "C:\\DATA");
    EXPECT_EQ(combo->Count(), 2);
    EXPECT_EQ(combo->Text(), "COM2");
    EXPECT_EQ(GetWindow(later->Handle(), GW_CHILD), nullptr);

    later->Show();
    Pump();
    for (TControl* c : std::initializer_list<TControl*>{panel, label, button, check, edit, bar})
        EXPECT_FALSE(c->WindowPending());
    HWND h = label->Handle();
    EXPECT_EQ(GetParent(h), panel->Handle());
    wchar_t text[32]{};
    GetWindowTextW(h, text, 32);
    EXPECT_STREQ(text, L"Second");
    RECT r = PlaceInParent(h);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 12);
    EXPECT_EQ(r.right - r.left, 90);
    EXPECT_EQ(r.bottom - r.top, 20);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0)), courier.Handle());
    EXPECT_FALSE(IsWindowEnabled(button->Handle()));
    EXPECT_EQ(SendMessageW(check->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_FALSE(IsWindowVisible(edit->Handle()));
    EXPECT_EQ(edit->Text(), "typed");
    EXPECT_TRUE(IsWindowVisible(label->Handle()));
    EXPECT_EQ(SendMessageW(bar->Handle(), PBM_GETPOS, 0, 0), 7);
    GetWindowTextW(upper->Handle(), text, 32);
    EXPECT_STREQ(text, L"C:\\DATA");
    upper->SetText("more");
    EXPECT_EQ(upper->Text(), "MORE");
    EXPECT_EQ(SendMessageW(combo->Handle(), CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageW(combo->Handle(), CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(combo->Text(), "COM2");
    later->Free();
}

TEST_F(ToolkitTest, NeedingOneWindowMakesAllOfItsFormsInConstructionOrder) {
    TForm::DeferContents = true;
    auto* later = new TForm();
    later->SetBounds(20, 20, 320, 240);
    auto* a = new TButton(later, "A");
    auto* b = new TButton(later, "B");
    auto* c = new TButton(later, "C");
    a->SetBounds(8, 8, 60, 25);
    b->SetBounds(8, 40, 60, 25);
    c->SetBounds(8, 72, 60, 25);
    b->BringToFront();
    c->BringToFront();
    EXPECT_TRUE(a->WindowPending());

    // The last control is asked for its window first: the form's others are made with it.
    HWND hc = c->Handle();
    EXPECT_FALSE(a->WindowPending());
    EXPECT_FALSE(b->WindowPending());
    // Stacked as made, then raised in the order the raises were asked for.
    HWND top = GetWindow(later->Handle(), GW_CHILD);
    EXPECT_EQ(top, hc);
    EXPECT_EQ(GetWindow(top, GW_HWNDNEXT), b->Handle());
    EXPECT_EQ(GetWindow(b->Handle(), GW_HWNDNEXT), a->Handle());

    // Tab follows the order the controls were made in.
    later->Show();
    a->SetFocus();
    EXPECT_TRUE(later->DialogKey(VK_TAB));
    EXPECT_EQ(GetFocus(), b->Handle());
    EXPECT_TRUE(later->DialogKey(VK_TAB));
    EXPECT_EQ(GetFocus(), hc);

    // A control added to a shown form gets its window at once.
    auto* d = new TButton(later, "D");
    EXPECT_FALSE(d->WindowPending());
    later->Free();
}

}  // namespace

TEST(GridScrolling, ScrollRequestsGiveTheNewFirstRow) {
    EXPECT_EQ(VScrollTarget(MAKEWPARAM(SB_LINEDOWN, 0), 3, 10), 4);
    EXPECT_EQ(VScrollTarget(MAKEWPARAM(SB_LINEUP, 0), 3, 10), 2);
    EXPECT_EQ(VScrollTarget(MAKEWPARAM(SB_PAGEDOWN, 0), 3, 10), 13);
    EXPECT_EQ(VScrollTarget(MAKEWPARAM(SB_PAGEUP, 0), 3, 10), -7);  // the grid clamps
    EXPECT_EQ(VScrollTarget(MAKEWPARAM(SB_THUMBTRACK, 17), 3, 10), 17);
    EXPECT_EQ(VScrollTarget(MAKEWPARAM(SB_ENDSCROLL, 0), 3, 10), 3);
}

TEST_F(ToolkitTest, EachWindowFindsItsControlUntilTheControlOrItsWindowIsGone) {
    auto* button = new TButton(form, "Go");
    auto* combo = new TComboBox(form);
    combo->Add("one");
    combo->Add("two");
    EXPECT_EQ(TControl::FromHandle(form->Handle()), form);
    EXPECT_EQ(TControl::FromHandle(button->Handle()), button);
    // A combo box made again for free text: its new window is found, its old one no more.
    HWND oldCombo = combo->Handle();
    combo->SetFreeText(true);
    ASSERT_NE(combo->Handle(), oldCombo);
    EXPECT_EQ(TControl::FromHandle(combo->Handle()), combo);
    EXPECT_EQ(TControl::FromHandle(oldCombo), nullptr);
    // Its clicks still reach it through the form.
    int changes = 0;
    combo->OnChange = [&](TControl*) { ++changes; };
    SendMessageW(combo->Handle(), CB_SETCURSEL, 1, 0);
    SendMessageW(form->Handle(), WM_COMMAND, MAKEWPARAM(0, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo->Handle()));
    EXPECT_EQ(changes, 1);
    HWND gone = button->Handle();
    delete button;
    EXPECT_EQ(TControl::FromHandle(gone), nullptr);
    EXPECT_EQ(TControl::FromHandle(nullptr), nullptr);
}

TEST_F(ToolkitTest, AFontReachesTheWindowOnlyWhenItDiffers) {
    auto* label = new TEdit(form);
    auto windowFont = [&] { return reinterpret_cast<HFONT>(SendMessageW(label->Handle(), WM_GETFONT, 0, 0)); };
    EXPECT_EQ(windowFont(), label->Font().Handle());
    TFont big = label->Font();
    big.Size = 14;
    label->SetFont(big);
    EXPECT_EQ(windowFont(), big.Handle());
    // The same font again leaves the window as it is, even when something else changed it.
    SendMessageW(label->Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(SYSTEM_FONT)), FALSE);
    label->SetFont(big);
    EXPECT_EQ(windowFont(), reinterpret_cast<HFONT>(GetStockObject(SYSTEM_FONT)));
    TFont bold = big;
    bold.Bold = true;
    label->SetFont(bold);
    EXPECT_EQ(windowFont(), bold.Handle());
}

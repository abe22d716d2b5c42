// The controls library's start-up under Wine, and the toolkit pieces the library needed:
// version records in the real shared block, the system's character tables, hint colours,
// the library form's owner and keyboard cues, alignment, and the list, check list, combo,
// date-time and tab controls.
#include <gtest/gtest.h>

#include <set>

#include <algorithm>
#include <cmath>

#include "controls/XcComponent.h"
#include "controls/XcDynControlEngineVCL.h"
#include "controls/XcExControls.h"
#include "controls/XcLibrary.h"
#include "controls/XcuStrings.h"
#include "controls/XcuSysInfo.h"
#include "toolkit/extctrls.h"

using namespace talvik;

namespace {

class LibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application.Initialize();
        InitializeControlsLibrary();
        Application.OnException = [this](const std::exception& e) { errors.push_back(e.what()); };
        form = new TXcForm();
        form->SetBounds(60, 60, 500, 400);
    }
    void TearDown() override {
        if (form) form->Free();
        FinalizeControlsLibrary();
        Application.OnException = nullptr;
        EXPECT_TRUE(errors.empty()) << (errors.empty() ? "" : errors.front());
    }
    void Pump(int rounds = 10) {
        for (int i = 0; i < rounds; ++i) {
            Application.ProcessMessages();
            Sleep(10);
        }
    }
    TXcForm* form = nullptr;
    std::vector<std::string> errors;
};

TEST_F(LibraryTest, StartUpListsEveryUnitOfTheModuleInOrderInTheSharedBlock) {
    ASSERT_TRUE(ControlsLibraryInitialized());
    TUnitVersioning* registry = UnitVersioningAccess().Get();
    ASSERT_NE(registry, nullptr);
    const TUnitVersioningModule* m = registry->FindModule(GetModuleHandleW(nullptr));
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->Count(), 20);
    EXPECT_EQ(m->Item(0).Info()->SourceUrl, "$URL: talvik/src/controls/XcuUnitVersioning.cpp $");
    EXPECT_EQ(m->Item(0).Info()->Revision, "$Revision: 1 $");
    std::vector<std::string> urls;
    for (int i = 0; i < m->Count(); ++i) urls.push_back(m->Item(i).Info()->SourceUrl);
    auto pos = [&](const std::string& unit) {
        auto it = std::find(urls.begin(), urls.end(), "$URL: talvik/src/controls/" + unit + " $");
        return it == urls.end() ? -1 : static_cast<int>(it - urls.begin());
    };
    EXPECT_LT(pos("XcuStrings.cpp"), pos("XcThemes.cpp"));
    EXPECT_LT(pos("XcThemes.cpp"), pos("XcExControls.cpp"));
    EXPECT_LT(pos("XcDynControlEngineVCL.cpp"), pos("XcDynControlEngine.cpp"));
    EXPECT_LT(pos("XcDynControlEngine.cpp"), pos("XcExMask.cpp"));
    EXPECT_LT(pos("XcDSADialogs.cpp"), pos("XcExMask.cpp"));
    EXPECT_LT(pos("XcExComCtrls.cpp"), pos("XcComCtrls.cpp"));
    // The spin edit is listed between the masked edit it stands on and the tree view.
    EXPECT_LT(pos("XcExMask.cpp"), pos("XcSpin.cpp"));
    EXPECT_LT(pos("XcSpin.cpp"), pos("XcExComCtrls.cpp"));
    EXPECT_EQ(std::set<std::string>(urls.begin(), urls.end()).size(), urls.size());

    form->Free();
    form = nullptr;
    FinalizeControlsLibrary();
    EXPECT_FALSE(ControlsLibraryInitialized());
    EXPECT_EQ(UnitVersioningAccess().Get()->FindModule(GetModuleHandleW(nullptr)), nullptr);
    EXPECT_EQ(DefaultDynControlEngine(), nullptr);
    UnitVersioningAccess().Finalize();
    InitializeControlsLibrary();  // and again, as a second start of the library would
    EXPECT_NE(UnitVersioningAccess().Get()->FindModule(GetModuleHandleW(nullptr)), nullptr);
    EXPECT_NE(DefaultDynControlEngine(), nullptr);
    form = new TXcForm();
}

TEST_F(LibraryTest, CharacterTablesComeFromTheSystem) {
    EXPECT_TRUE(CharIsUpper('A'));
    EXPECT_TRUE(CharIsLower('z'));
    EXPECT_FALSE(CharIsUpper('1'));
    EXPECT_EQ(CharToggleCase('g'), 'G');
    EXPECT_EQ(CharToggleCase('G'), 'g');
    EXPECT_EQ(CharToggleCase('#'), '#');
    EXPECT_TRUE(XcSystemInfo().IsWinNT);
    EXPECT_GT(XcSystemInfo().PageSize, 0u);
    EXPECT_NE(XcSystemInfo().KernelPath.find("kernel32.dll"), std::string::npos);
}

class HintProbe : public TXcExGraphicControl {
public:
    using TXcExGraphicControl::TXcExGraphicControl;
};

TEST_F(LibraryTest, HintColoursComeFromTheControlOrItsParents) {
    auto* outer = new HintProbe(form);
    auto* inner = new HintProbe(outer);
    THintInfo info;
    info.HintColor = RGB(1, 1, 1);
    // clDefault without a colour anywhere up the chain: the record keeps its colour.
    form->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info));
    inner->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.HintColor, RGB(1, 1, 1));
    outer->HintColor = RGB(200, 220, 255);
    inner->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.HintColor, RGB(200, 220, 255));  // taken from the parent
    inner->HintColor = RGB(9, 8, 7);
    inner->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.HintColor, RGB(9, 8, 7));
    inner->HintColor = clNone;
    inner->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.HintColor, GetSysColor(COLOR_INFOBK));
    // The hint itself is shown: the answer is 0.
    EXPECT_EQ(inner->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)), 0);
}

TEST_F(LibraryTest, ALibraryFormIsOwnedByTheMainFormOrTheModalOne) {
    auto* main = new TForm();
    Application.AddForm(main);
    TForm* oldMain = Application.MainForm;
    Application.MainForm = main;
    main->Show();
    form->Show();
    Pump();
    EXPECT_EQ(reinterpret_cast<HWND>(GetWindowLongPtrW(form->Handle(), GWLP_HWNDPARENT)), main->Handle());
    Application.MainForm = oldMain;
    main->Free();
}

class CueForm : public TXcForm {
public:
    std::vector<WPARAM> cues;
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_CHANGEUISTATE) cues.push_back(wp);
        return TXcForm::WndProc(msg, wp, lp);
    }
};

TEST_F(LibraryTest, ShowingAndTabAskForTheKeyboardCues) {
    auto* cue = new CueForm();
    auto* a = new TEdit(cue);
    auto* b = new TEdit(cue);
    b->SetTop(30);
    cue->Show();
    EXPECT_EQ(cue->cues, (std::vector<WPARAM>{MAKEWPARAM(UIS_INITIALIZE, 0)}));
    a->SetFocus();
    EXPECT_EQ(cue->Perform(CM_DIALOGKEY, VK_TAB), 1);
    EXPECT_EQ(GetFocus(), b->Handle());
    EXPECT_EQ(cue->cues.back(), MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS));
    cue->Perform(CM_DIALOGKEY, VK_MENU);
    EXPECT_EQ(cue->cues.back(), MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL));
    size_t before = cue->cues.size();
    EXPECT_EQ(cue->Perform(CM_DIALOGKEY, VK_F5), 0);  // not a dialog key, and no cue
    EXPECT_EQ(cue->cues.size(), before);
    cue->Free();
}

TEST_F(LibraryTest, KeyPreviewSeesKeysOfTheFormsControlsFirst) {
    auto* panel = new TPanel(form);
    panel->Name = "Panel";
    auto* edit = new TEdit(panel);
    edit->Name = "Message";
    EXPECT_EQ(form->FindControl("Message"), edit);
    EXPECT_EQ(form->FindControl("Panel"), panel);
    EXPECT_EQ(form->FindControl("Countdown"), nullptr);
    std::vector<WPARAM> seen;
    form->KeyPreview = true;
    form->OnKeyDown = [&](TForm*, WPARAM& key) {
        seen.push_back(key);
        if (key == 'X') key = 0;  // swallowed
    };
    form->Show();
    edit->SetFocus();
    for (WPARAM k : {WPARAM('A'), WPARAM('X')}) PostMessageW(edit->Handle(), WM_KEYDOWN, k, 0);
    Pump(3);
    EXPECT_EQ(seen, (std::vector<WPARAM>{'A', 'X'}));
    EXPECT_EQ(edit->Text(), "a");  // the swallowed key made no character
    form->KeyPreview = false;
    PostMessageW(edit->Handle(), WM_KEYDOWN, 'B', 0);
    Pump(3);
    EXPECT_EQ(seen.size(), 2u);
}

TEST_F(LibraryTest, AlignedControlsFillTheParentInTheirOrder) {
    form->SetClientSize(400, 300);
    auto* top = new TPanel(form);
    top->SetHeight(40);
    top->SetAlign(TAlign::alTop);
    auto* bottom = new TPanel(form);
    bottom->SetHeight(30);
    bottom->SetAlign(TAlign::alBottom);
    auto* right = new TPanel(form);
    right->SetWidth(50);
    right->SetAlign(TAlign::alRight);
    auto* rest = new TPanel(form);
    rest->SetAlign(TAlign::alClient);
    auto* free = new TPanel(form);
    free->SetBounds(5, 5, 10, 10);
    auto bounds = [](TControl* c) {
        return std::vector<int>{c->Left(), c->Top(), c->Width(), c->Height()};
    };
    EXPECT_EQ(bounds(top), (std::vector<int>{0, 0, 400, 40}));
    EXPECT_EQ(bounds(bottom), (std::vector<int>{0, 270, 400, 30}));
    EXPECT_EQ(bounds(right), (std::vector<int>{350, 40, 50, 230}));
    EXPECT_EQ(bounds(rest), (std::vector<int>{0, 40, 350, 230}));
    form->SetClientSize(300, 200);
    EXPECT_EQ(bounds(bottom), (std::vector<int>{0, 170, 300, 30}));
    EXPECT_EQ(bounds(rest), (std::vector<int>{0, 40, 250, 130}));
    EXPECT_EQ(bounds(free), (std::vector<int>{5, 5, 10, 10}));  // not aligned: stays
}

TEST_F(LibraryTest, CheckListBoxStatesFollowClicksAndSpace) {
    auto* list = new TCheckListBox(form);
    list->SetBounds(10, 10, 200, 100);
    for (const char* s : {"Current", "Settings", "History"}) list->Add(s);
    std::vector<int> clicked;
    list->OnClickCheck = [&](TControl*, int i) { clicked.push_back(i); };
    list->SetHeader(0, true);
    RECT r;
    SendMessageW(list->Handle(), LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r));
    SendMessageW(list->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, r.top + 2));
    SendMessageW(list->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, r.top + 2));
    EXPECT_EQ(list->ItemState(1), TCheckListBox::State::Checked);
    SendMessageW(list->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(60, r.top + 2));  // on the text
    SendMessageW(list->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(60, r.top + 2));
    EXPECT_EQ(list->ItemState(1), TCheckListBox::State::Checked);
    EXPECT_EQ(list->ItemIndex(), 1);
    list->AllowGrayed = true;
    SendMessageW(list->Handle(), WM_CHAR, L' ', 0);
    EXPECT_EQ(list->ItemState(1), TCheckListBox::State::Grayed);
    SendMessageW(list->Handle(), WM_CHAR, L' ', 0);
    EXPECT_EQ(list->ItemState(1), TCheckListBox::State::Unchecked);
    list->Toggle(0);  // a header has no box
    list->SetItemEnabled(2, false);
    list->Toggle(2);  // nor does a disabled item change
    EXPECT_EQ(list->ItemState(0), TCheckListBox::State::Unchecked);
    EXPECT_EQ(list->ItemState(2), TCheckListBox::State::Unchecked);
    EXPECT_EQ(clicked, (std::vector<int>{1, 1, 1}));
    EXPECT_THROW(list->ItemState(3), std::out_of_range);
}

TEST_F(LibraryTest, ComboBoxKeepsItsItemsWhenItsStyleChanges) {
    auto* combo = new TComboBox(form);
    for (const char* s : {"2400", "4800", "9600"}) combo->Add(s);
    combo->SetItemIndex(2);
    combo->SetFreeText(true);
    EXPECT_TRUE(combo->FreeText());
    EXPECT_EQ(combo->Count(), 3);
    EXPECT_EQ(combo->ItemIndex(), 2);
    EXPECT_EQ(TControl::FromHandle(combo->Handle()), combo);
    combo->SetText("1200");
    EXPECT_EQ(combo->Text(), "1200");
    combo->SetFreeText(false);
    EXPECT_FALSE(combo->FreeText());
    EXPECT_EQ(combo->Item(0), "2400");
}

TEST_F(LibraryTest, ListBoxSortsOnRequest) {
    auto* list = new TListBox(form);
    for (const char* s : {"Ruka", "Grend", "Tova"}) list->Add(s);
    list->SetSorted(true);
    EXPECT_EQ(list->Items(), (std::vector<std::string>{"Grend", "Ruka", "Tova"}));
    list->Add("Mavo");
    EXPECT_EQ(list->Item(1), "Mavo");
}

TEST_F(LibraryTest, DateTimesConvertBothWays) {
    SYSTEMTIME st = DateTimeToSystemTime(46363.75);
    EXPECT_EQ(st.wYear, 2026);
    EXPECT_EQ(st.wMonth, 12);
    EXPECT_EQ(st.wDay, 7);
    EXPECT_EQ(st.wHour, 18);
    EXPECT_EQ(st.wMinute, 0);
    EXPECT_DOUBLE_EQ(SystemTimeToDateTime(st), 46363.75);
    SYSTEMTIME epoch = DateTimeToSystemTime(0);
    EXPECT_EQ(epoch.wYear, 1899);
    EXPECT_EQ(epoch.wMonth, 12);
    EXPECT_EQ(epoch.wDay, 30);
    auto* picker = new TDateTimePicker(form, TDateTimePicker::Kind::Date);
    picker->SetRange(46000, 46500);
    picker->SetDateTime(46363);
    EXPECT_DOUBLE_EQ(std::floor(picker->DateTime()), 46363);
}

TEST_F(LibraryTest, TabControlCanRefuseAChange) {
    auto* tabs = new TTabControl(form);
    tabs->AddTab("Port");
    tabs->AddTab("Modem");
    EXPECT_EQ(tabs->TabCount(), 2);
    EXPECT_EQ(tabs->TabCaption(1), "Modem");
    bool allow = false;
    int changes = 0;
    tabs->OnChanging = [&](TControl*, bool& a) { a = allow; };
    tabs->OnChange = [&](TControl*) { ++changes; };
    NMHDR hdr{tabs->Handle(), 0, static_cast<UINT>(TCN_SELCHANGING)};
    EXPECT_EQ(SendMessageW(form->Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&hdr)), TRUE);
    allow = true;
    EXPECT_EQ(SendMessageW(form->Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&hdr)), FALSE);
    hdr.code = static_cast<UINT>(TCN_SELCHANGE);
    SendMessageW(form->Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&hdr));
    EXPECT_EQ(changes, 1);
}

TEST_F(LibraryTest, CompositeEditorsKeepTheButtonSquareWhenResized) {
    TXcDynObject* c = DefaultDynControlEngine()->CreateFileNameControl(form, form, "");
    auto* composite = dynamic_cast<TXcDynComposite*>(AsControl(c));
    ASSERT_NE(composite, nullptr);
    composite->SetBounds(0, 0, 300, 30);
    EXPECT_EQ(composite->Button()->Width(), 30);
    EXPECT_EQ(composite->Button()->Left(), 270);
    EXPECT_EQ(composite->Edit()->Width(), 270);
    TXcDynObject* dt = DefaultDynControlEngine()->CreateDateTimeControl(form, form, "");
    dt->DynSetBounds(0, 40, 300, 40);
    TWinControl* box = dt->DynContainer();
    ASSERT_EQ(box->Children().size(), 2u);
    EXPECT_EQ(box->Children()[0]->Width(), 150);  // the date: half the width and half the height
    EXPECT_EQ(box->Children()[0]->Height(), 20);
    EXPECT_EQ(box->Children()[1]->Left(), 150);   // the time: the rest, full height
    EXPECT_EQ(box->Children()[1]->Width(), 150);
    EXPECT_EQ(box->Children()[1]->Height(), 40);
}

}  // namespace

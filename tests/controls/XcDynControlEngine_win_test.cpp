// The default control engine under Wine: every registered kind made on a form through the
// engine and driven through its interfaces, the label panel with real controls, and the dialog
// keys of the toolkit (Tab order, Enter for the default button, Escape for the cancel button).
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "controls/XcDynControlEngineVCL.h"
#include "controls/XcLibrary.h"

using namespace talvik;

namespace {

class EngineWinTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application.Initialize();
        InitializeControlsLibrary();
        Application.OnException = [this](const std::exception& e) { errors.push_back(e.what()); };
        engine = DefaultDynControlEngine();
        ASSERT_NE(engine, nullptr);
        form = new TXcForm();
        form->SetBounds(50, 50, 640, 480);
    }
    void TearDown() override {
        form->Free();
        FinalizeControlsLibrary();
        EXPECT_EQ(DefaultDynControlEngine(), nullptr);
        Application.OnException = nullptr;
        EXPECT_TRUE(errors.empty()) << (errors.empty() ? "" : errors.front());
    }
    void Pump(int rounds = 10) {
        for (int i = 0; i < rounds; ++i) {
            Application.ProcessMessages();
            Sleep(10);
        }
    }
    std::string ErrorOf(const std::function<void()>& f) {
        try {
            f();
        } catch (const std::exception& e) {
            return e.what();
        }
        return "(nothing raised)";
    }
    TXcDynControlEngine* engine = nullptr;
    TXcForm* form = nullptr;
    std::vector<std::string> errors;
};

TEST_F(EngineWinTest, EveryRegisteredKindIsMadeAndTakesItsValueThroughTheInterfaces) {
    std::vector<std::string> kinds = engine->RegisteredKinds();
    EXPECT_EQ(kinds, (std::vector<std::string>{"Label", "StaticText", "Button", "RadioButton", "ScrollBox", "GroupBox",
                                               "Panel", "Image", "CheckBox", "ComboBox", "ListBox", "CheckListBox",
                                               "RadioGroup", "DateTimeEdit", "TimeEdit", "DateEdit", "Edit",
                                               "DirectoryEdit", "FileNameEdit", "Memo", "RichEdit", "ButtonEdit",
                                               "TreeView", "Progressbar", "Tabcontrol", "Pagecontrol"}));
    const std::vector<std::string> items{"COM1", "COM2", "COM3"};
    std::map<std::string, TXcDynObject*> made;
    int top = 0;
    for (const std::string& kind : kinds) {
        TXcDynObject* c = engine->CreateControl(kind, form, form, kind + "1");
        ASSERT_NE(c, nullptr) << kind;
        made[kind] = c;
        EXPECT_EQ(c->DynName(), kind + "1");
        TControl* ctl = AsControl(c);
        ASSERT_NE(ctl, nullptr) << kind;
        EXPECT_EQ(ctl->Parent(), form) << kind;
        EXPECT_TRUE(IsWindow(ctl->Handle())) << kind;
        EXPECT_NE(Supports<IDynControl>(c), nullptr) << kind;
        c->DynSetBounds(10 + (top / 400) * 300, top % 400, 200, 21);
        top += 24;
        if (auto* items_ = Supports<IDynControlItems>(c); items_ && kind != "Memo" && kind != "RichEdit")
            items_->ControlSetItems(items);
        auto* data = Supports<IDynControlData>(c);
        if (!data) continue;
        if (kind == "Edit" || kind == "DirectoryEdit" || kind == "FileNameEdit" || kind == "ButtonEdit" ||
            kind == "Memo" || kind == "RichEdit") {
            data->ControlSetValue(TXcVariant("COM3 9600"));
            EXPECT_EQ(data->ControlGetValue().AsString(), "COM3 9600") << kind;
        } else if (kind == "CheckBox" || kind == "RadioButton") {
            data->ControlSetValue(TXcVariant("tRUE"));
            EXPECT_TRUE(data->ControlGetValue().AsBoolean()) << kind;
            data->ControlSetValue(TXcVariant("1"));  // only "true" or a Boolean checks it
            EXPECT_FALSE(data->ControlGetValue().AsBoolean()) << kind;
            data->ControlSetValue(TXcVariant(true));
            EXPECT_TRUE(data->ControlGetValue().AsBoolean()) << kind;
        } else if (kind == "ListBox" || kind == "CheckListBox" || kind == "RadioGroup") {
            data->ControlSetValue(TXcVariant(2));
            EXPECT_EQ(data->ControlGetValue().AsInteger(), 2) << kind;
            data->ControlSetValue(TXcVariant("COM2"));
            EXPECT_EQ(data->ControlGetValue().AsInteger(), 1) << kind;
            data->ControlSetValue(TXcVariant("COM9"));
            EXPECT_EQ(data->ControlGetValue().AsInteger(), -1) << kind;
        } else if (kind == "ComboBox") {
            data->ControlSetValue(TXcVariant("COM7"));  // free text by default
            EXPECT_EQ(data->ControlGetValue().AsString(), "COM7");
            Intf<IDynControlComboBox>(c).ControlSetNewEntriesAllowed(false);
            EXPECT_EQ(Intf<IDynControlItems>(c).ControlGetItems(), items);
            data->ControlSetValue(TXcVariant("COM2"));
            EXPECT_EQ(data->ControlGetValue().AsInteger(), 1);
            data->ControlSetValue(TXcVariant("COM7"));
            EXPECT_EQ(data->ControlGetValue().AsInteger(), -1);
        } else if (kind == "DateEdit") {
            data->ControlSetValue(TXcVariant::OfDate(46363.75));  // 2026-12-07 18:00
            EXPECT_DOUBLE_EQ(data->ControlGetValue().AsDateTime(), 46363.0);
        } else if (kind == "TimeEdit") {
            data->ControlSetValue(TXcVariant::OfDate(46363.5));
            EXPECT_NEAR(data->ControlGetValue().AsDateTime(), 0.5, 1e-6);
        } else if (kind == "DateTimeEdit") {
            data->ControlSetValue(TXcVariant::OfDate(46363.25));
            EXPECT_NEAR(data->ControlGetValue().AsDateTime(), 46363.25, 1e-6);
        } else {
            ADD_FAILURE() << "no value check for " << kind;
        }
    }

    // Kinds without a value answer the base interface only.
    EXPECT_EQ(ErrorOf([&] { Intf<IDynControlData>(made["Label"]); }), "component does not support interface");
    Intf<IDynControl>(made["Label"]).ControlSetCaption("Address");
    EXPECT_EQ(AsControl(made["Label"])->Text(), "Address");
    EXPECT_EQ(ErrorOf([&] { Intf<IDynControlData>(made["Edit"]).ControlSetValue(TXcVariant(true)); }), "(nothing raised)");
    EXPECT_EQ(AsControl(made["Edit"])->Text(), "True");

    auto& bar = Intf<IDynControlProgressBar>(made["Progressbar"]);
    bar.ControlSetMin(10);
    bar.ControlSetMax(20);
    bar.ControlSetPosition(15);
    EXPECT_EQ(SendMessageW(AsControl(made["Progressbar"])->Handle(), PBM_GETPOS, 0, 0), 15);
    bar.ControlSetPosition(99);
    EXPECT_EQ(SendMessageW(AsControl(made["Progressbar"])->Handle(), PBM_GETPOS, 0, 0), 20);

    auto& tabs = Intf<IDynControlTab>(made["Tabcontrol"]);
    tabs.ControlCreateTab("Port");
    tabs.ControlCreateTab("Modem");
    tabs.ControlSetActivePageIndex(1);
    EXPECT_EQ(tabs.ControlGetActivePageIndex(), 1);

    auto& pages = Intf<IDynControlTab>(made["Pagecontrol"]);
    TWinControl* first = pages.ControlCreateTab("Port");
    TWinControl* second = pages.ControlCreateTab("Modem");
    EXPECT_EQ(Intf<IDynControlPage>(made["Pagecontrol"]).ControlGetPage("Modem"), second);
    EXPECT_EQ(Intf<IDynControlPage>(made["Pagecontrol"]).ControlGetPage("Port"), first);
    EXPECT_EQ(Intf<IDynControlPage>(made["Pagecontrol"]).ControlGetPage("Log"), nullptr);

    auto& tree = Intf<IDynControlTreeView>(made["TreeView"]);
    tree.ControlSetSortType(TXcSortType::stText);
    tree.ControlSetItems({{"Options", {{"Port", {}}, {"Display", {}}}}, {"About", {}}});
    std::vector<TXcTreeItems> back = tree.ControlGetItems();
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].Text, "About");  // sorted by text
    ASSERT_EQ(back[1].Children.size(), 2u);
    EXPECT_EQ(back[1].Children[0].Text, "Display");
    auto* tv = AsControl<TTreeView>(made["TreeView"]);
    tv->SetSelected(tv->NextSibling(tv->FirstChild(tv->NextSibling(tv->Root()))));
    EXPECT_EQ(tree.ControlGetSelectedNode(), "Options/Port");

    HICON icon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_ASTERISK));
    auto& img = Intf<IDynControlImage>(made["Image"]);
    img.ControlSetAutoSize(true);
    img.ControlSetPicture(TXcGraphic{icon, true});
    TXcGraphic held = img.ControlGetPicture();
    EXPECT_NE(held.Handle, nullptr);
    EXPECT_NE(held.Handle, static_cast<void*>(icon));  // the control keeps a copy
    EXPECT_EQ(AsControl(made["Image"])->Width(), GetSystemMetrics(SM_CXICON));

    auto* panel = dynamic_cast<TXcDynControlVCLPanel*>(made["Panel"]);
    EXPECT_EQ(panel->BevelOuter(), TXcBevelCut::bvNone);  // the panel's defaults: no bevels

    form->Show();
    Pump();
}

TEST_F(EngineWinTest, EventsGivenThroughTheInterfacesFire) {
    TXcDynObject* check = engine->CreateCheckBoxControl(form, form, "", "Log");
    int changes = 0;
    Intf<IDynControlData>(check).ControlSetOnChange([&](TControl*) { ++changes; });
    SendMessageW(AsControl(check)->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(Intf<IDynControlData>(check).ControlGetValue().AsBoolean());

    TXcDynObject* group = engine->CreateRadioGroupControl(form, form, "", "Baud", {"2400", "9600"}, 1);
    EXPECT_EQ(Intf<IDynControlData>(group).ControlGetValue().AsInteger(), 1);
    EXPECT_EQ(AsControl(group)->Text(), "Baud");

    int buttonClicks = 0;
    TXcDynObject* edit = engine->CreateButtonEditControl(form, form, "", [&](TControl*) { ++buttonClicks; });
    auto* composite = dynamic_cast<TXcDynComposite*>(AsControl(edit));
    ASSERT_NE(composite, nullptr);
    SendMessageW(composite->Button()->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(buttonClicks, 1);
    EXPECT_EQ(composite->Button()->Text(), "...");
    EXPECT_EQ(composite->Height(), composite->Edit()->Height());
    EXPECT_EQ(composite->Button()->Width(), composite->Height());
    EXPECT_EQ(composite->Text(), " ");

    int enters = 0, exits = 0;
    TXcDynObject* a = engine->CreateEditControl(form, form, "");
    TXcDynObject* b = engine->CreateEditControl(form, form, "");
    Intf<IDynControl>(a).ControlSetOnEnter([&](TControl*) { ++enters; });
    Intf<IDynControl>(a).ControlSetOnExit([&](TControl*) { ++exits; });
    form->Show();
    AsControl(a)->SetFocus();
    AsControl(b)->SetFocus();
    EXPECT_EQ(enters, 1);
    EXPECT_EQ(exits, 1);
}

TEST_F(EngineWinTest, DirectoryEditStartsFromItsTextOrTheInitialFolder) {
    auto* dir = dynamic_cast<TXcDynControlVCLDirectoryEdit*>(engine->CreateDirectoryControl(form, form, ""));
    ASSERT_NE(dir, nullptr);
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    EXPECT_EQ(dir->StartDirectory(), "\\");
    dir->ControlSetInitialDir(cwd);
    EXPECT_EQ(dir->StartDirectory(), cwd);
    dir->ControlSetValue(TXcVariant("Z:\\no\\such\\folder"));
    EXPECT_EQ(dir->StartDirectory(), "\\");
    std::string asked;
    TXcDynControlVCLDirectoryEdit::DialogHook = [&](const std::string& start) -> std::optional<std::string> {
        asked = start;
        return std::string("C:\\windows");
    };
    dir->ControlSetValue(TXcVariant(""));
    SendMessageW(dir->Button()->Handle(), BM_CLICK, 0, 0);
    TXcDynControlVCLDirectoryEdit::DialogHook = nullptr;
    EXPECT_EQ(asked, cwd);
    EXPECT_EQ(dir->ControlGetValue().AsString(), "C:\\windows");
}

TEST_F(EngineWinTest, LabelControlPanelHoldsTheLabelAndTheControl) {
    TXcDynObject* edit = engine->CreateEditControl(form, form, "");
    edit->DynSetBounds(0, 0, 100, 21);
    TXcDynObject* panel = engine->CreateLabelControlPanel(form, form, "Unused", "Data", edit, true, 0);
    TWinControl* box = panel->DynContainer();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(AsControl(edit)->Parent(), box);
    ASSERT_EQ(box->Children().size(), 2u);
    auto* label = dynamic_cast<TXcDynControlVCLLabel*>(box->Children()[0]);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->Text(), "Data");
    EXPECT_EQ(label->FocusControl(), AsControl(edit));
    EXPECT_EQ(label->Left(), 1);
    EXPECT_EQ(AsControl(edit)->Top(), label->Height() + 1);
    EXPECT_EQ(panel->DynWidth(), 101);
    EXPECT_EQ(panel->DynHeight(), label->Height() + 1 + 21 + 1);
    EXPECT_EQ(panel->DynName(), "");
}

// ---- dialog keys

// The keyboard, as the user presses it.
void PressKey(WORD vk, bool shift = false) {
    std::vector<INPUT> in;
    auto key = [&](WORD k, bool up) {
        INPUT i{};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = k;
        i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        in.push_back(i);
    };
    if (shift) key(VK_SHIFT, false);
    key(vk, false);
    key(vk, true);
    if (shift) key(VK_SHIFT, true);
    SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
}

TEST_F(EngineWinTest, TabAndShiftTabMoveThroughTheControlsInTheirOrder) {
    TXcDynObject* port = engine->CreateEditControl(form, form, "Port");
    TXcDynObject* box = engine->CreatePanelControl(form, form, "", "", TXcAlign::alNone);
    box->DynSetBounds(0, 40, 300, 100);
    TXcDynObject* log = engine->CreateCheckBoxControl(form, box->DynContainer(), "Log", "Log");
    auto* hidden = new TEdit(box->DynContainer());
    hidden->Hide();
    auto* disabled = new TEdit(box->DynContainer());
    disabled->SetEnabled(false);
    auto* label = new TLabel(box->DynContainer(), "not a stop");
    TXcDynObject* baud = engine->CreateComboBoxControl(form, box->DynContainer(), "Baud", {"2400", "9600"});
    TXcDynObject* ok = engine->CreateButton(form, form, "OK", "OK", "", nullptr, true, false);
    ok->DynSetBounds(10, 200, 75, 25);
    TXcDynObject* site = engine->CreateEditControl(form, form, "Site");
    // The site edit goes before the panel in Tab order.
    Intf<IDynControl>(site).ControlSetTabOrder(1);
    (void)label;
    form->Show();
    SetForegroundWindow(form->Handle());
    AsControl(port)->SetFocus();
    Pump();

    auto focusedName = [&]() -> std::string {
        for (HWND h = GetFocus(); h; h = GetParent(h)) {
            if (TControl* c = TControl::FromHandle(h)) return c->Name;
        }
        return "(none)";
    };
    std::vector<std::string> forward;
    for (int i = 0; i < 6; ++i) {
        PressKey(VK_TAB);
        Pump(5);
        forward.push_back(focusedName());
    }
    EXPECT_EQ(forward, (std::vector<std::string>{"Site", "Log", "Baud", "OK", "Port", "Site"}));
    std::vector<std::string> back;
    for (int i = 0; i < 3; ++i) {
        PressKey(VK_TAB, true);
        Pump(5);
        back.push_back(focusedName());
    }
    EXPECT_EQ(back, (std::vector<std::string>{"Port", "OK", "Baud"}));
    // An edit reached by Tab has its text selected for typing over.
    Intf<IDynControlData>(port).ControlSetValue(TXcVariant("COM4"));
    PressKey(VK_TAB);
    PressKey(VK_TAB);
    Pump(5);
    EXPECT_EQ(focusedName(), "Port");
    DWORD from = 0, to = 0;
    SendMessageW(AsControl(port)->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    EXPECT_EQ(from, 0u);
    EXPECT_EQ(to, 4u);
}

TEST_F(EngineWinTest, EnterPressesTheDefaultButtonAndEscapeTheCancelButton) {
    std::vector<std::string> pressed;
    TXcDynObject* edit = engine->CreateEditControl(form, form, "Value");
    TXcDynObject* memo = engine->CreateMemoControl(form, form, "Notes");
    memo->DynSetBounds(0, 30, 200, 60);
    TXcDynObject* append = engine->CreateButton(form, form, "Append", "Append", "",
                                                [&](TControl*) { pressed.push_back("Append"); }, true, false);
    TXcDynObject* over = engine->CreateButton(form, form, "Overwrite", "Overwrite", "",
                                              [&](TControl*) { pressed.push_back("Overwrite"); }, false, false);
    TXcDynObject* cancel = engine->CreateButton(form, form, "Cancel", "Cancel", "",
                                                [&](TControl*) { pressed.push_back("Cancel"); }, false, true);
    append->DynSetBounds(0, 100, 75, 25);
    over->DynSetBounds(80, 100, 75, 25);
    cancel->DynSetBounds(160, 100, 75, 25);
    form->Show();
    SetForegroundWindow(form->Handle());
    AsControl(edit)->SetFocus();
    Pump();

    PressKey(VK_RETURN);
    Pump(5);
    PressKey(VK_ESCAPE);
    Pump(5);
    AsControl(over)->SetFocus();  // a focused button takes Enter itself
    PressKey(VK_RETURN);
    Pump(5);
    AsControl(memo)->SetFocus();  // a multi-line edit keeps Enter for a new line
    PressKey(VK_RETURN);
    Pump(5);
    EXPECT_EQ(pressed, (std::vector<std::string>{"Append", "Cancel", "Overwrite"}));
    EXPECT_EQ(Intf<IDynControlItems>(memo).ControlGetItems().size(), 2u);

    // A disabled default button is not pressed; Enter then reaches the edit as before.
    AsControl(append)->SetEnabled(false);
    AsControl(edit)->SetFocus();
    PressKey(VK_RETURN);
    Pump(5);
    EXPECT_EQ(pressed.size(), 3u);
}

}  // namespace

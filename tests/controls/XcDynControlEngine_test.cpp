// The dynamic control engine's registry, creation rules, error texts and the label panel
// geometry, with control classes of the test's own (no windows).
#include <gtest/gtest.h>

#include <memory>

#include "controls/XcDynControlEngine.h"

using namespace talvik;

namespace {

std::vector<std::unique_ptr<TXcDynObject>> made;  // what the engine created, freed by the test
std::vector<std::string> log;

// A stand-in control: keeps what the engine sets.
class Fake : public virtual TXcDynObject {
public:
    explicit Fake(TWinControl* parent, int w = 50, int h = 20) : parent_(parent), w_(w), h_(h) {
        made.emplace_back(this);
    }
    TControl* DynControl() override { return reinterpret_cast<TControl*>(this); }
    TWinControl* DynContainer() override { return reinterpret_cast<TWinControl*>(this); }
    void DynSetParent(TWinControl* p) override { parent_ = p; }
    std::string DynName() const override { return name_; }
    void DynSetName(const std::string& n) override { name_ = n; }
    int DynLeft() const override { return l_; }
    int DynTop() const override { return t_; }
    int DynWidth() const override { return w_; }
    int DynHeight() const override { return h_; }
    void DynSetBounds(int l, int t, int w, int h) override { l_ = l, t_ = t, w_ = w, h_ = h; }
    void DynSetText(const std::string& s) override { text_ = s; }
    void DynSetHint(const std::string& s) override { hint_ = s; }
    TWinControl* parent_;
    std::string name_, text_, hint_;
    int l_ = 0, t_ = 0, w_, h_;
};

class FakeControl : public Fake, public IDynControl {
public:
    FakeControl(TWinControl* p, int w, int h) : Fake(p, w, h) {}
    void ControlSetDefaultProperties() override { log.push_back("defaults"); }
    void ControlSetCaption(const std::string& v) override { text_ = v; }
    void ControlSetTabOrder(int) override {}
    void ControlSetOnEnter(TNotifyEvent) override {}
    void ControlSetOnExit(TNotifyEvent) override {}
    void ControlSetOnClick(TNotifyEvent v) override { onClick = std::move(v); }
    void ControlSetHint(const std::string& v) override { hint_ = v; }
    void ControlSetAnchors(TXcAnchors) override {}
    TNotifyEvent onClick;
};

class FakeLabel : public FakeControl, public IDynControlLabel {
public:
    explicit FakeLabel(TWinControl* p) : FakeControl(p, 40, 13) {}
    void ControlSetFocusControl(TControl* c) override { focus = c; }
    void ControlSetWordWrap(bool) override {}
    TControl* focus = nullptr;
};

class FakePanel : public FakeControl, public IDynControlDblClick, public IDynControlAlign {
public:
    explicit FakePanel(TWinControl* p) : FakeControl(p, 185, 41) {}
    void ControlSetOnDblClick(TNotifyEvent) override {}
    void ControlSetAlign(TXcAlign a) override { align = a; }
    TXcAlign align = TXcAlign::alTop;
};

class PlainPanel : public FakeControl, public IDynControlAlign {
public:
    explicit PlainPanel(TWinControl* p) : FakeControl(p, 50, 20) {}
    void ControlSetAlign(TXcAlign) override {}
};

class FakeEdit : public FakeControl, public IDynControlData, public IDynControlEdit {
public:
    explicit FakeEdit(TWinControl* p) : FakeControl(p, 100, 21) {}
    void ControlSetOnChange(TNotifyEvent) override {}
    void ControlSetValue(const TXcVariant& v) override { value = v; }
    TXcVariant ControlGetValue() override { return value; }
    void ControlSetPasswordChar(char) override {}
    void ControlSetEditMask(const std::string&) override {}
    TXcVariant value;
};

class FakeButton : public FakeControl, public IDynControlButton {
public:
    explicit FakeButton(TWinControl* p) : FakeControl(p, 75, 25) {}
    void ControlSetDefault(bool v) override { isDefault = v; }
    void ControlSetCancel(bool v) override { isCancel = v; }
    void ControlSetGlyph(const TXcGraphic&) override {}
    void ControlSetNumGlyphs(int) override {}
    void ControlSetLayout(TXcButtonLayout) override {}
    bool isDefault = false, isCancel = false;
};

class FakeForm : public Fake {
public:
    explicit FakeForm(TWinControl* p) : Fake(p, 400, 300) {}
};

const TXcControlClassOf<FakeLabel> kLabel("FakeLabel");
const TXcControlClassOf<FakeLabel> kOtherLabel("OtherLabel");
const TXcControlClassOf<FakePanel> kPanel("FakePanel");
const TXcControlClassOf<PlainPanel> kPlainPanel("PlainPanel");
const TXcControlClassOf<FakeEdit> kEdit("FakeEdit");
const TXcControlClassOf<FakeButton> kButton("FakeButton");

class FakeEngine : public TXcDynControlEngine {
public:
    int standardRuns = 0;

protected:
    void RegisterStandardControls() override {
        ++standardRuns;
        RegisterControl("Label", &kLabel);
        RegisterControl("Panel", &kPanel);
        RegisterControl("Edit", &kEdit);
        RegisterControl("Button", &kButton);
    }
    TXcDynObject* NewForm(TWinControl* owner) override { return new FakeForm(owner); }
};

TWinControl* const kOwner = reinterpret_cast<TWinControl*>(0x1000);

std::string ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(nothing raised)";
}

class EngineTest : public ::testing::Test {
protected:
    void TearDown() override {
        made.clear();
        log.clear();
    }
    FakeEngine engine;
};

TEST_F(EngineTest, StandardKindsAreRegisteredOnceOnFirstUseAndFoundWhateverTheCase) {
    EXPECT_EQ(engine.standardRuns, 0);  // not at construction
    EXPECT_EQ(engine.ControlClassOf("panel"), &kPanel);
    EXPECT_EQ(engine.ControlClassOf("LABEL"), &kLabel);
    EXPECT_EQ(engine.ControlClassOf("Tree"), nullptr);
    engine.CreateControl("edit", kOwner, nullptr, "");
    EXPECT_EQ(engine.standardRuns, 1);
    EXPECT_EQ(engine.RegisteredKinds(), (std::vector<std::string>{"Label", "Panel", "Edit", "Button"}));
}

TEST_F(EngineTest, CreatingSetsDefaultsParentAndNameAndTellsTheAfterCreateEvent) {
    std::vector<TXcDynObject*> told;
    engine.OnAfterCreateControl = [&](TXcDynObject* c) { told.push_back(c); };
    auto* parent = reinterpret_cast<TWinControl*>(0x2000);
    TXcDynObject* c = engine.CreateControl("Edit", kOwner, parent, "AddressEdit");
    auto* edit = dynamic_cast<FakeEdit*>(c);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->parent_, parent);
    EXPECT_EQ(c->DynName(), "AddressEdit");
    EXPECT_EQ(log, (std::vector<std::string>{"defaults"}));
    EXPECT_EQ(told, (std::vector<TXcDynObject*>{c}));
    Intf<IDynControlData>(c).ControlSetValue(TXcVariant("12"));
    EXPECT_EQ(Intf<IDynControlData>(c).ControlGetValue().AsString(), "12");
}

TEST_F(EngineTest, UnknownKindsRaiseNamingTheKindAndOnlyExactlyFormFallsBack) {
    EXPECT_EQ(ErrorOf([&] { engine.CreateControl("Gauge", kOwner, nullptr, ""); }),
              "TXcDynControlEngine.CreateControl: No Registered ControlClass \"Gauge\"");
    TXcDynObject* f = engine.CreateControl("Form", kOwner, nullptr, "Dialog");
    ASSERT_NE(dynamic_cast<FakeForm*>(f), nullptr);
    EXPECT_EQ(f->DynName(), "Dialog");
    EXPECT_EQ(ErrorOf([&] { engine.CreateControl("form", kOwner, nullptr, ""); }),
              "TXcDynControlEngine.CreateControl: No Registered ControlClass \"form\"");
    TXcDynObject* g = engine.CreateForm("Save File Action", "hint");
    EXPECT_EQ(dynamic_cast<FakeForm*>(g)->text_, "Save File Action");
    EXPECT_EQ(dynamic_cast<FakeForm*>(g)->parent_, nullptr);
}

TEST_F(EngineTest, SpinAndCalculatorKindsAreNotRegisteredAndRaise) {
    EXPECT_EQ(ErrorOf([&] { engine.CreateSpinControl(kOwner, nullptr, ""); }),
              "TXcDynControlEngine.CreateControl: No Registered ControlClass \"SpinEdit\"");
    EXPECT_EQ(ErrorOf([&] { engine.CreateCalculateControl(kOwner, nullptr, ""); }),
              "TXcDynControlEngine.CreateControl: No Registered ControlClass \"CalculateEdit\"");
}

TEST_F(EngineTest, RegisteringAClassThatLacksAnInterfaceRaisesAndLeavesTheKindUnregistered) {
    EXPECT_EQ(ErrorOf([&] { engine.RegisterControl("Panel", &kPlainPanel); }),
              "TXcDynControlEngine.RegisterControl: Unsupported ControlClass \"Panel\"");
    EXPECT_EQ(engine.ControlClassOf("Panel"), nullptr);  // the old entry is gone too
    EXPECT_EQ(ErrorOf([&] { engine.RegisterControl("Button", &kEdit); }),
              "TXcDynControlEngine.RegisterControl: Unsupported ControlClass \"Button\"");
    EXPECT_EQ(ErrorOf([&] { engine.RegisterControl("CheckBox", &kLabel); }),
              "TXcDynControlEngine.RegisterControl: Unsupported ControlClass \"CheckBox\"");
    // The kind rules compare names exactly: "panel" asks nothing beyond the base interface,
    // and the lookup then finds it for "Panel" as well.
    engine.RegisterControl("panel", &kPlainPanel);
    EXPECT_EQ(engine.ControlClassOf("Panel"), &kPlainPanel);
    engine.RegisterControl("Panel", &kPanel);
    EXPECT_EQ(engine.ControlClassOf("PANEL"), &kPanel);
}

TEST_F(EngineTest, AKindRegisteredBeforeFirstUseIsReplacedOnlyByAStandardOfTheSameName) {
    FakeEngine other;
    other.RegisterControl("Label", &kOtherLabel);  // first use: the standard set comes first
    other.RegisterControl("Status", &kPlainPanel);
    EXPECT_EQ(other.standardRuns, 1);
    EXPECT_EQ(other.ControlClassOf("Label"), &kOtherLabel);  // registered after the standard one
    EXPECT_EQ(other.ControlClassOf("Status"), &kPlainPanel);
}

TEST_F(EngineTest, InterfacesAreCheckedCasts) {
    TXcDynObject* label = engine.CreateLabelControl(kOwner, nullptr, "", "Address", nullptr);
    EXPECT_NE(Supports<IDynControl>(label), nullptr);
    EXPECT_EQ(Supports<IDynControlData>(label), nullptr);
    EXPECT_EQ(ErrorOf([&] { Intf<IDynControlData>(label); }), "component does not support interface");
    EXPECT_EQ(ErrorOf([&] { engine.CreatePanelControl(kOwner, nullptr, "", "x", TXcAlign::alClient); }),
              "(nothing raised)");
    // A kind operation relies on the interfaces of whatever class the kind finds.
    engine.RegisterControl("panel", &kEdit);
    EXPECT_EQ(ErrorOf([&] { engine.CreatePanelControl(kOwner, nullptr, "", "x", TXcAlign::alClient); }),
              "component does not support interface");
}

TEST_F(EngineTest, ButtonsGetCaptionHintDefaultCancelAndClick) {
    int clicks = 0;
    TXcDynObject* b = engine.CreateButton(kOwner, nullptr, "Button0", "OK", "Confirm", [&](TControl*) { ++clicks; },
                                          true, false);
    auto* fb = dynamic_cast<FakeButton*>(b);
    ASSERT_NE(fb, nullptr);
    EXPECT_EQ(fb->text_, "OK");
    EXPECT_EQ(fb->hint_, "Confirm");
    EXPECT_TRUE(fb->isDefault);
    EXPECT_FALSE(fb->isCancel);
    fb->onClick(nullptr);
    EXPECT_EQ(clicks, 1);
}

TEST_F(EngineTest, LabelControlPanelOnTopAndBeside) {
    EXPECT_EQ(ErrorOf([&] { engine.CreateLabelControlPanel(kOwner, nullptr, "", "Port", nullptr, true, 0); }),
              "TXcDynControlEngine.CreateLabelControlPanel: AFocusControl must be assigned");

    TXcDynObject* edit = engine.CreateEditControl(kOwner, nullptr, "");  // 100 x 21
    TXcDynObject* panel = engine.CreateLabelControlPanel(kOwner, nullptr, "Ignored", "Port", edit, true, 0);
    auto* label = dynamic_cast<FakeLabel*>(made[made.size() - 1].get());
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text_, "Port");
    EXPECT_EQ(label->focus, edit->DynControl());
    EXPECT_EQ(label->parent_, panel->DynContainer());
    EXPECT_EQ(dynamic_cast<Fake*>(edit)->parent_, panel->DynContainer());
    EXPECT_EQ(label->DynLeft(), 1);
    EXPECT_EQ(label->DynTop(), 1);
    EXPECT_EQ(edit->DynLeft(), 1);
    EXPECT_EQ(edit->DynTop(), 13 + 1);
    EXPECT_EQ(panel->DynWidth(), 101);
    EXPECT_EQ(panel->DynHeight(), 14 + 21 + 1);
    EXPECT_EQ(panel->DynName(), "");
    EXPECT_EQ(dynamic_cast<FakePanel*>(panel)->align, TXcAlign::alNone);

    TXcDynObject* edit2 = engine.CreateEditControl(kOwner, nullptr, "");
    engine.DistanceBetweenLabelAndControlHorz = 6;
    TXcDynObject* beside = engine.CreateLabelControlPanel(kOwner, nullptr, "", "Baud", edit2, false, 60);
    EXPECT_EQ(edit2->DynLeft(), 66);
    EXPECT_EQ(edit2->DynTop(), 1);
    EXPECT_EQ(beside->DynWidth(), 66 + 100 + 1);
    EXPECT_EQ(beside->DynHeight(), 21 + 1);
}

TEST_F(EngineTest, TheDefaultEngineIsKeptWhenSetToNull) {
    FakeEngine* before = nullptr;
    TXcDynControlEngine* old = DefaultDynControlEngine();
    SetDefaultDynControlEngine(&engine);
    EXPECT_EQ(DefaultDynControlEngine(), &engine);
    SetDefaultDynControlEngine(before);
    EXPECT_EQ(DefaultDynControlEngine(), &engine);
    if (old) SetDefaultDynControlEngine(old);
}

}  // namespace

// The engine's registry, creation rules and kind operations.
#include "controls/XcDynControlEngine.h"

#include <algorithm>

#include "base/format.h"

namespace talvik {

TUnitVersionRegistration XcDynControlEngineUnit(MakeUnitVersion("XcDynControlEngine.cpp", "XCL\\run"));
TUnitVersionRegistration XcDynControlEngineIntfUnit(MakeUnitVersion("XcDynControlEngineIntf.h", "XCL\\run"));

TXcCustomDynControlEngine::TXcCustomDynControlEngine() = default;
TXcCustomDynControlEngine::~TXcCustomDynControlEngine() = default;

void TXcCustomDynControlEngine::EnsureKindsRegistered() {
    if (kindsRegistered_) return;
    kindsRegistered_ = true;
    RegisterStandardControls();
}

int TXcCustomDynControlEngine::IndexOf(const std::string& controlType) const {
    const std::string wanted = LowerCase(controlType);
    for (size_t i = 0; i < registry_.size(); ++i)
        if (LowerCase(registry_[i].first) == wanted) return static_cast<int>(i);
    return -1;
}

bool TXcCustomDynControlEngine::IsKindSupportedByClass(const std::string& t, const TXcControlClass* c) {
    if (!c || !c->Implements(IDynControl::IID)) return false;
    auto has = [c](const char* iid) { return c->Implements(iid); };
    if (t == "Button") return has(IDynControlButton::IID);
    if (t == "ButtonEdit") return has(IDynControlButton::IID) && has(IDynControlData::IID);
    if (t == "Panel") return has(IDynControlDblClick::IID);
    if (t == "Label") return has(IDynControlLabel::IID);
    if (t == "Memo") return has(IDynControlItems::IID) && has(IDynControlData::IID) && has(IDynControlMemo::IID);
    if (t == "RadioGroup" || t == "ComboBox") return has(IDynControlItems::IID) && has(IDynControlData::IID);
    static const char* const kDataKinds[] = {"Edit",     "CalculateEdit", "SpinEdit", "FileNameEdit", "DirectoryEdit",
                                             "CheckBox", "DateTimeEdit",  "DateEdit", "TimeEdit"};
    for (const char* k : kDataKinds)
        if (t == k) return has(IDynControlData::IID);
    return true;
}

void TXcCustomDynControlEngine::RegisterControl(const std::string& controlType, const TXcControlClass* controlClass) {
    EnsureKindsRegistered();
    int i = IndexOf(controlType);
    if (i >= 0) registry_.erase(registry_.begin() + i);
    if (!IsKindSupportedByClass(controlType, controlClass))
        throw EXCLException(Format("TXcDynControlEngine.RegisterControl: Unsupported ControlClass \"%s\"",
                                   controlType.c_str()));
    registry_.emplace_back(controlType, std::make_unique<TXcControlClassObject>(controlClass));
}

const TXcControlClass* TXcCustomDynControlEngine::ControlClassOf(const std::string& controlType) {
    EnsureKindsRegistered();
    int i = IndexOf(controlType);
    if (i < 0 || !registry_[static_cast<size_t>(i)].second) return nullptr;
    return registry_[static_cast<size_t>(i)].second->ControlClass;
}

std::vector<std::string> TXcCustomDynControlEngine::RegisteredKinds() {
    EnsureKindsRegistered();
    std::vector<std::string> r;
    for (auto& e : registry_) r.push_back(e.first);
    return r;
}

void TXcCustomDynControlEngine::DoAfterCreateControl(TXcDynObject* control) {
    if (OnAfterCreateControl) OnAfterCreateControl(control);
}

TXcDynObject* TXcCustomDynControlEngine::CreateControl(const std::string& controlType, TWinControl* owner,
                                                       TWinControl* parentControl, const std::string& controlName) {
    EnsureKindsRegistered();
    TXcDynObject* control = nullptr;
    if (const TXcControlClass* c = ControlClassOf(controlType)) {
        control = CreateControlOfClass(c, owner, parentControl, controlName);
    } else if (controlType == "Form") {
        control = NewForm(owner);
        if (control && !controlName.empty()) control->DynSetName(controlName);
    }
    if (!control)
        throw EXCLException(Format("TXcDynControlEngine.CreateControl: No Registered ControlClass \"%s\"",
                                   controlType.c_str()));
    DoAfterCreateControl(control);
    return control;
}

TXcDynObject* TXcCustomDynControlEngine::CreateControlOfClass(const TXcControlClass* controlClass, TWinControl* owner,
                                                              TWinControl* parentControl,
                                                              const std::string& controlName) {
    TXcDynObject* control = controlClass->Construct(owner, parentControl);
    Intf<IDynControl>(control).ControlSetDefaultProperties();
    if (parentControl) control->DynSetParent(parentControl);
    if (!controlName.empty()) control->DynSetName(controlName);
    return control;
}

// ---- kind operations

TXcDynObject* TXcDynControlEngine::CreateLabelControl(TWinControl* owner, TWinControl* parent, const std::string& name,
                                                      const std::string& caption, TControl* focusControl) {
    TXcDynObject* c = CreateControl("Label", owner, parent, name);
    Intf<IDynControl>(c).ControlSetCaption(caption);
    Intf<IDynControlLabel>(c).ControlSetFocusControl(focusControl);
    return c;
}

TXcDynObject* TXcDynControlEngine::CreateStaticTextControl(TWinControl* owner, TWinControl* parent,
                                                           const std::string& name, const std::string& caption) {
    TXcDynObject* c = CreateControl("StaticText", owner, parent, name);
    Intf<IDynControl>(c).ControlSetCaption(caption);
    return c;
}

TXcDynObject* TXcDynControlEngine::CreatePanelControl(TWinControl* owner, TWinControl* parent, const std::string& name,
                                                      const std::string& caption, TXcAlign align) {
    TXcDynObject* c = CreateControl("Panel", owner, parent, name);
    Intf<IDynControl>(c).ControlSetCaption(caption);
    Intf<IDynControlAlign>(c).ControlSetAlign(align);
    return c;
}

TXcDynObject* TXcDynControlEngine::CreateScrollBoxControl(TWinControl* owner, TWinControl* parent,
                                                          const std::string& name) {
    return CreateControl("ScrollBox", owner, parent, name);
}

TXcDynObject* TXcDynControlEngine::CreateEditControl(TWinControl* owner, TWinControl* parent, const std::string& name) {
    TXcDynObject* c = CreateControl("Edit", owner, parent, name);
    Intf<IDynControlEdit>(c);
    return c;
}

TXcDynObject* TXcDynControlEngine::CreateCheckBoxControl(TWinControl* owner, TWinControl* parent,
                                                         const std::string& name, const std::string& caption) {
    TXcDynObject* c = CreateControl("CheckBox", owner, parent, name);
    Intf<IDynControl>(c).ControlSetCaption(caption);
    return c;
}

TXcDynObject* TXcDynControlEngine::CreateComboBoxControl(TWinControl* owner, TWinControl* parent,
                                                         const std::string& name,
                                                         const std::vector<std::string>& items) {
    TXcDynObject* c = CreateControl("ComboBox", owner, parent, name);
    Intf<IDynControlItems>(c).ControlSetItems(items);
    return c;
}

TXcDynObject* TXcDynControlEngine::CreateGroupBoxControl(TWinControl* owner, TWinControl* parent,
                                                         const std::string& name, const std::string& caption) {
    TXcDynObject* c = CreateControl("GroupBox", owner, parent, name);
    Intf<IDynControl>(c).ControlSetCaption(caption);
    return c;
}

TXcDynObject* TXcDynControlEngine::CreateImageControl(TWinControl* owner, TWinControl* parent,
                                                      const std::string& name) {
    return CreateControl("Image", owner, parent, name);
}

TXcDynObject* TXcDynControlEngine::CreateRadioGroupControl(TWinControl* owner, TWinControl* parent,
                                                           const std::string& name, const std::string& caption,
                                                           const std::vector<std::string>& items, int itemIndex) {
    TXcDynObject* c = CreateControl("RadioGroup", owner, parent, name);
    Intf<IDynControl>(c).ControlSetCaption(caption);
    Intf<IDynControlItems>(c).ControlSetItems(items);
    Intf<IDynControlData>(c).ControlSetValue(TXcVariant(itemIndex));
    return c;
}

TXcDynObject* TXcDynControlEngine::CreateMemoControl(TWinControl* owner, TWinControl* parent, const std::string& name) {
    return CreateControl("Memo", owner, parent, name);
}

TXcDynObject* TXcDynControlEngine::CreateRichEditControl(TWinControl* owner, TWinControl* parent,
                                                         const std::string& name) {
    return CreateControl("RichEdit", owner, parent, name);
}

TXcDynObject* TXcDynControlEngine::CreateListBoxControl(TWinControl* owner, TWinControl* parent,
                                                        const std::string& name,
                                                        const std::vector<std::string>& items) {
    TXcDynObject* c = CreateControl("ListBox", owner, parent, name);
    Intf<IDynControlItems>(c).ControlSetItems(items);
    return c;
}

TXcDynObject* TXcDynControlEngine::CreateDateTimeControl(TWinControl* owner, TWinControl* parent,
                                                         const std::string& name) {
    return CreateControl("DateTimeEdit", owner, parent, name);
}

TXcDynObject* TXcDynControlEngine::CreateDateControl(TWinControl* owner, TWinControl* parent, const std::string& name) {
    return CreateControl("DateEdit", owner, parent, name);
}

TXcDynObject* TXcDynControlEngine::CreateTimeControl(TWinControl* owner, TWinControl* parent, const std::string& name) {
    return CreateControl("TimeEdit", owner, parent, name);
}

TXcDynObject* TXcDynControlEngine::CreateCalculateControl(TWinControl* owner, TWinControl* parent,
                                                          const std::string& name) {
    return CreateControl("CalculateEdit", owner, parent, name);
}

TXcDynObject* TXcDynControlEngine::CreateSpinControl(TWinControl* owner, TWinControl* parent, const std::string& name) {
    return CreateControl("SpinEdit", owner, parent, name);
}

TXcDynObject* TXcDynControlEngine::CreateDirectoryControl(TWinControl* owner, TWinControl* parent,
                                                          const std::string& name) {
    return CreateControl("DirectoryEdit", owner, parent, name);
}

TXcDynObject* TXcDynControlEngine::CreateFileNameControl(TWinControl* owner, TWinControl* parent,
                                                         const std::string& name) {
    return CreateControl("FileNameEdit", owner, parent, name);
}

TXcDynObject* TXcDynControlEngine::CreateTreeViewControl(TWinControl* owner, TWinControl* parent,
                                                         const std::string& name) {
    return CreateControl("TreeView", owner, parent, name);
}

TXcDynObject* TXcDynControlEngine::CreatePageControl(TWinControl* owner, TWinControl* parent, const std::string& name,
                                                     const std::vector<std::string>& pages) {
    TXcDynObject* c = CreateControl("Pagecontrol", owner, parent, name);
    for (const std::string& p : pages) Intf<IDynControlTab>(c).ControlCreateTab(p);
    return c;
}

TXcDynObject* TXcDynControlEngine::CreateTabControl(TWinControl* owner, TWinControl* parent, const std::string& name,
                                                    const std::vector<std::string>& pages) {
    TXcDynObject* c = CreateControl("Tabcontrol", owner, parent, name);
    for (const std::string& p : pages) Intf<IDynControlTab>(c).ControlCreateTab(p);
    return c;
}

TXcDynObject* TXcDynControlEngine::CreateButton(TWinControl* owner, TWinControl* parent, const std::string& buttonName,
                                                const std::string& caption, const std::string& hint,
                                                TNotifyEvent onClick, bool isDefault, bool isCancel) {
    TXcDynObject* c = CreateControl("Button", owner, parent, buttonName);
    c->DynSetHint(hint);
    c->DynSetText(caption);
    // "Button" is registered only with a class that has the button interface.
    Intf<IDynControlButton>(c).ControlSetDefault(isDefault);
    Intf<IDynControlButton>(c).ControlSetCancel(isCancel);
    Intf<IDynControl>(c).ControlSetOnClick(std::move(onClick));
    return c;
}

TXcDynObject* TXcDynControlEngine::CreateRadioButton(TWinControl* owner, TWinControl* parent, const std::string& name,
                                                     const std::string& caption) {
    TXcDynObject* c = CreateControl("RadioButton", owner, parent, name);
    Intf<IDynControl>(c).ControlSetCaption(caption);
    return c;
}

TXcDynObject* TXcDynControlEngine::CreateButtonEditControl(TWinControl* owner, TWinControl* parent,
                                                           const std::string& name, TNotifyEvent onButtonClick) {
    TXcDynObject* c = CreateControl("ButtonEdit", owner, parent, name);
    Intf<IDynControlButtonEdit>(c).ControlSetOnButtonClick(std::move(onButtonClick));
    return c;
}

TXcDynObject* TXcDynControlEngine::CreateForm(const std::string& caption, const std::string& hint) {
    TXcDynObject* f = CreateControl("Form", nullptr, nullptr, "");
    f->DynSetText(caption);
    f->DynSetHint(hint);
    return f;
}

TXcDynObject* TXcDynControlEngine::CreateLabelControlPanel(TWinControl* owner, TWinControl* parent,
                                                           const std::string& /*name*/, const std::string& caption,
                                                           TXcDynObject* focusControl, bool labelOnTop,
                                                           int labelDefaultWidth) {
    if (!focusControl)
        throw EXCLException("TXcDynControlEngine.CreateLabelControlPanel: AFocusControl must be assigned");
    // The name is accepted and not used: panel and label both stay unnamed.
    TXcDynObject* panel = CreatePanelControl(owner, parent, "", "", TXcAlign::alNone);
    TXcDynObject* label = CreateLabelControl(owner, panel->DynContainer(), "", caption, focusControl->DynControl());
    focusControl->DynSetParent(panel->DynContainer());
    label->DynSetBounds(1, 1, label->DynWidth(), label->DynHeight());
    int panelWidth, panelHeight;
    if (labelOnTop) {
        focusControl->DynSetBounds(1, label->DynHeight() + DistanceBetweenLabelAndControlVert, focusControl->DynWidth(),
                                   focusControl->DynHeight());
        panelWidth = std::max(label->DynWidth(), focusControl->DynWidth());
        panelHeight = focusControl->DynTop() + focusControl->DynHeight();
    } else {
        if (labelDefaultWidth > 0) label->DynSetBounds(label->DynLeft(), label->DynTop(), labelDefaultWidth, label->DynHeight());
        focusControl->DynSetBounds(label->DynWidth() + DistanceBetweenLabelAndControlHorz, 1, focusControl->DynWidth(),
                                   focusControl->DynHeight());
        panelHeight = std::max(label->DynHeight(), focusControl->DynHeight());
        panelWidth = focusControl->DynLeft() + focusControl->DynWidth();
    }
    panel->DynSetBounds(panel->DynLeft(), panel->DynTop(), panelWidth + 1, panelHeight + 1);
    return panel;
}

TXcDynObject* TXcDynControlEngine::CreateProgressbarControl(TWinControl* owner, TWinControl* parent,
                                                            const std::string& name, int min, int max, int step) {
    TXcDynObject* c = CreateControl("Progressbar", owner, parent, name);
    Intf<IDynControlProgressBar>(c).ControlSetMin(min);
    Intf<IDynControlProgressBar>(c).ControlSetMax(max);
    Intf<IDynControlProgressBar>(c).ControlSetStep(step);
    return c;
}

// ---- default engine

namespace {
TXcDynControlEngine*& DefaultEngine() {
    static TXcDynControlEngine* engine = nullptr;
    return engine;
}
}  // namespace

TXcDynControlEngine* DefaultDynControlEngine() { return DefaultEngine(); }

void SetDefaultDynControlEngine(TXcDynControlEngine* engine) {
    if (engine) DefaultEngine() = engine;
}

void ForgetDefaultDynControlEngine(TXcDynControlEngine* engine) {
    if (DefaultEngine() == engine) DefaultEngine() = nullptr;
}

}  // namespace talvik

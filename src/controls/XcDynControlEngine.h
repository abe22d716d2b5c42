// The dynamic control engine: builds controls at run time by kind name ("Label", "Panel",
// "Button", ...) instead of by class, and sets them up only through the control interfaces,
// so that code laying out a window (the message dialog) names no concrete control class.
//
// Pure logic: the registry, its lookup rules and its error texts are tested natively; the
// wrappers and the default engine that registers them are Win32 (XcDynControlEngineVCL).
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "controls/XcDynControlEngineIntf.h"
#include "controls/XcuUnitVersioning.h"

namespace talvik {

// A class reference: what the registry holds for a kind.
class TXcControlClass {
public:
    virtual ~TXcControlClass() = default;
    virtual std::string ClassName() const = 0;
    virtual bool Implements(const char* iid) const = 0;
    // Constructs a control owned by `owner`, made inside `parent` (or inside the owner).
    virtual TXcDynObject* Construct(TWinControl* owner, TWinControl* parent) const = 0;
};

// The class reference of a wrapper type: constructed with its parent container.
template <class T>
class TXcControlClassOf : public TXcControlClass {
public:
    explicit TXcControlClassOf(std::string name) : name_(std::move(name)) {}
    std::string ClassName() const override { return name_; }
    bool Implements(const char* iid) const override { return ClassImplements<T>(iid); }
    TXcDynObject* Construct(TWinControl* owner, TWinControl* parent) const override {
        return new T(parent ? parent : owner);
    }

private:
    std::string name_;
};

// One registry entry.
class TXcControlClassObject {
public:
    explicit TXcControlClassObject(const TXcControlClass* c) : ControlClass(c) {}
    const TXcControlClass* ControlClass;
};

using TXcAfterCreateControl = std::function<void(TXcDynObject* control)>;

class TXcCustomDynControlEngine {
public:
    TXcCustomDynControlEngine();
    virtual ~TXcCustomDynControlEngine();
    TXcCustomDynControlEngine(const TXcCustomDynControlEngine&) = delete;
    TXcCustomDynControlEngine& operator=(const TXcCustomDynControlEngine&) = delete;

    TXcAfterCreateControl OnAfterCreateControl;

    // Creates a control of a registered kind (letter case ignored), or a new form for exactly
    // "Form"; raises EXCLException naming the kind when there is neither.
    virtual TXcDynObject* CreateControl(const std::string& controlType, TWinControl* owner,
                                        TWinControl* parentControl, const std::string& controlName);
    virtual TXcDynObject* CreateControlOfClass(const TXcControlClass* controlClass, TWinControl* owner,
                                               TWinControl* parentControl, const std::string& controlName);
    // Whether the class implements the interfaces the kind (exact name) requires.
    virtual bool IsKindSupportedByClass(const std::string& controlType, const TXcControlClass* controlClass);
    // Registers a kind, replacing one of the same name; raises EXCLException when the class
    // lacks an interface the kind needs (the name is then unregistered).
    virtual void RegisterControl(const std::string& controlType, const TXcControlClass* controlClass);

    // The class registered for a kind (letter case ignored), or null.
    const TXcControlClass* ControlClassOf(const std::string& controlType);
    // Kind names in registration order.
    std::vector<std::string> RegisteredKinds();

protected:
    virtual void DoAfterCreateControl(TXcDynObject* control);
    virtual void RegisterStandardControls() {}
    // A new library form (the "Form" fall-back); none in an engine without forms.
    virtual TXcDynObject* NewForm(TWinControl* /*owner*/) { return nullptr; }

private:
    void EnsureKindsRegistered();
    int IndexOf(const std::string& controlType) const;
    std::vector<std::pair<std::string, std::unique_ptr<TXcControlClassObject>>> registry_;
    bool kindsRegistered_ = false;
};

class TXcDynControlEngine : public TXcCustomDynControlEngine {
public:
    int DistanceBetweenLabelAndControlHorz = 4;
    int DistanceBetweenLabelAndControlVert = 1;

    virtual TXcDynObject* CreateLabelControl(TWinControl* owner, TWinControl* parent, const std::string& name,
                                             const std::string& caption, TControl* focusControl);
    virtual TXcDynObject* CreateStaticTextControl(TWinControl* owner, TWinControl* parent, const std::string& name,
                                                  const std::string& caption);
    virtual TXcDynObject* CreatePanelControl(TWinControl* owner, TWinControl* parent, const std::string& name,
                                             const std::string& caption, TXcAlign align);
    virtual TXcDynObject* CreateScrollBoxControl(TWinControl* owner, TWinControl* parent, const std::string& name);
    virtual TXcDynObject* CreateEditControl(TWinControl* owner, TWinControl* parent, const std::string& name);
    virtual TXcDynObject* CreateCheckBoxControl(TWinControl* owner, TWinControl* parent, const std::string& name,
                                                const std::string& caption);
    virtual TXcDynObject* CreateComboBoxControl(TWinControl* owner, TWinControl* parent, const std::string& name,
                                                const std::vector<std::string>& items);
    virtual TXcDynObject* CreateGroupBoxControl(TWinControl* owner, TWinControl* parent, const std::string& name,
                                                const std::string& caption);
    virtual TXcDynObject* CreateImageControl(TWinControl* owner, TWinControl* parent, const std::string& name);
    virtual TXcDynObject* CreateRadioGroupControl(TWinControl* owner, TWinControl* parent, const std::string& name,
                                                  const std::string& caption, const std::vector<std::string>& items,
                                                  int itemIndex);
    virtual TXcDynObject* CreateMemoControl(TWinControl* owner, TWinControl* parent, const std::string& name);
    virtual TXcDynObject* CreateRichEditControl(TWinControl* owner, TWinControl* parent, const std::string& name);
    virtual TXcDynObject* CreateListBoxControl(TWinControl* owner, TWinControl* parent, const std::string& name,
                                               const std::vector<std::string>& items);
    virtual TXcDynObject* CreateDateTimeControl(TWinControl* owner, TWinControl* parent, const std::string& name);
    virtual TXcDynObject* CreateDateControl(TWinControl* owner, TWinControl* parent, const std::string& name);
    virtual TXcDynObject* CreateTimeControl(TWinControl* owner, TWinControl* parent, const std::string& name);
    virtual TXcDynObject* CreateCalculateControl(TWinControl* owner, TWinControl* parent, const std::string& name);
    virtual TXcDynObject* CreateSpinControl(TWinControl* owner, TWinControl* parent, const std::string& name);
    virtual TXcDynObject* CreateDirectoryControl(TWinControl* owner, TWinControl* parent, const std::string& name);
    virtual TXcDynObject* CreateFileNameControl(TWinControl* owner, TWinControl* parent, const std::string& name);
    virtual TXcDynObject* CreateTreeViewControl(TWinControl* owner, TWinControl* parent, const std::string& name);
    virtual TXcDynObject* CreatePageControl(TWinControl* owner, TWinControl* parent, const std::string& name,
                                            const std::vector<std::string>& pages);
    virtual TXcDynObject* CreateTabControl(TWinControl* owner, TWinControl* parent, const std::string& name,
                                           const std::vector<std::string>& pages);
    virtual TXcDynObject* CreateButton(TWinControl* owner, TWinControl* parent, const std::string& buttonName,
                                       const std::string& caption, const std::string& hint, TNotifyEvent onClick,
                                       bool isDefault, bool isCancel);
    virtual TXcDynObject* CreateRadioButton(TWinControl* owner, TWinControl* parent, const std::string& name,
                                            const std::string& caption);
    virtual TXcDynObject* CreateButtonEditControl(TWinControl* owner, TWinControl* parent, const std::string& name,
                                                  TNotifyEvent onButtonClick);
    virtual TXcDynObject* CreateForm(const std::string& caption, const std::string& hint);
    // A panel holding a label and the focus control, the label on top or to the left.
    virtual TXcDynObject* CreateLabelControlPanel(TWinControl* owner, TWinControl* parent, const std::string& name,
                                                  const std::string& caption, TXcDynObject* focusControl,
                                                  bool labelOnTop, int labelDefaultWidth);
    virtual TXcDynObject* CreateProgressbarControl(TWinControl* owner, TWinControl* parent, const std::string& name,
                                                   int min, int max, int step);
};

// The process-wide default engine (null before the library starts). Setting null keeps the
// current engine.
TXcDynControlEngine* DefaultDynControlEngine();
void SetDefaultDynControlEngine(TXcDynControlEngine* engine);
// Forgets the default engine when it is `engine` (which is being freed).
void ForgetDefaultDynControlEngine(TXcDynControlEngine* engine);

extern TUnitVersionRegistration XcDynControlEngineUnit;
extern TUnitVersionRegistration XcDynControlEngineIntfUnit;

}  // namespace talvik

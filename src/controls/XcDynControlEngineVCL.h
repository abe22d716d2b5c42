// The control wrappers: one thin class per kind over a toolkit control, implementing the
// control interfaces its kind needs by forwarding each call to the toolkit control, and the
// engine that registers the 26 kinds the first time it is used (the library's default engine).
#pragma once

#include <memory>
#include <optional>

#include "controls/XcComponent.h"
#include "controls/XcDynControlEngine.h"
#include "controls/XcDynControlEngineTools.h"
#include "controls/XcExMask.h"
#include "toolkit/extctrls.h"

namespace talvik {

// The toolkit colour of a library colour (the special values keep the system's).
COLORREF ToColorRef(TXcColor c);

// What every wrapper shares: the engine's framework properties and the base interface, with
// enter, exit and double-click taken from the control's window.
template <class Base>
class TXcDynVCLControl : public Base, public IDynControl {
public:
    template <class... A>
    explicit TXcDynVCLControl(A&&... args) : Base(std::forward<A>(args)...) {
        Hook();
    }
    ~TXcDynVCLControl() override { Unhook(); }

    TControl* DynControl() override { return this; }
    TWinControl* DynContainer() override {
        if constexpr (std::is_base_of_v<TWinControl, Base>) {
            return this;
        } else {
            return nullptr;
        }
    }
    void DynSetParent(TWinControl* p) override { this->SetParent(p); }
    std::string DynName() const override { return this->Name; }
    void DynSetName(const std::string& n) override { this->Name = n; }
    int DynLeft() const override { return this->Left(); }
    int DynTop() const override { return this->Top(); }
    int DynWidth() const override { return this->Width(); }
    int DynHeight() const override { return this->Height(); }
    void DynSetBounds(int l, int t, int w, int h) override { this->SetBounds(l, t, w, h); }
    void DynSetText(const std::string& s) override { this->SetText(s); }
    void DynSetHint(const std::string& s) override { this->SetHint(s); }

    void ControlSetDefaultProperties() override {}
    void ControlSetCaption(const std::string& v) override { this->SetText(v); }
    void ControlSetTabOrder(int v) override { this->SetTabOrder(v); }
    void ControlSetOnEnter(TNotifyEvent v) override { onEnter_ = std::move(v); }
    void ControlSetOnExit(TNotifyEvent v) override { onExit_ = std::move(v); }
    void ControlSetOnClick(TNotifyEvent v) override { this->OnClick = std::move(v); }
    void ControlSetHint(const std::string& v) override { this->SetHint(v); }
    // The toolkit lays out by alignment only: anchors are kept and not applied.
    void ControlSetAnchors(TXcAnchors v) override { anchors_ = v; }
    TXcAnchors Anchors() const { return anchors_; }

    // Messages of the control's window before its own handling; true with `result` set to
    // answer them here.
    virtual bool WrapperMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

protected:
    // The window changed (a control made again): subclass the new one.
    void Hook();
    void Unhook();
    TNotifyEvent onEnter_, onExit_, onDblClick_;
    TXcAnchors anchors_ = akLeft | akTop;
    bool wantTabs_ = false;
    HWND hooked_ = nullptr;
};

// Shared pieces of the wrappers (defined with them).
class IXcWrapperHook {
public:
    virtual ~IXcWrapperHook() = default;
    virtual bool HookMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) = 0;
};
LRESULT CALLBACK XcWrapperProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data);
void XcHookWindow(HWND hwnd, IXcWrapperHook* target);
void XcUnhookWindow(HWND hwnd);

// A picture held by a control: its own copy of a bitmap or an icon.
class TXcPicture {
public:
    TXcPicture() = default;
    ~TXcPicture() { Clear(); }
    TXcPicture(const TXcPicture&) = delete;
    TXcPicture& operator=(const TXcPicture&) = delete;
    void Assign(const TXcGraphic& g);
    void Clear();
    TXcGraphic Graphic() const { return {handle_, icon_}; }
    bool Empty() const { return handle_ == nullptr; }
    SIZE Size() const;
    void Draw(HDC dc, const RECT& r) const;

private:
    void* handle_ = nullptr;
    bool icon_ = false;
};

// ---- the 26 wrappers

class TXcDynControlVCLLabel : public TXcDynVCLControl<TLabel>, public IDynControlAlignment, public IDynControlColor,
                              public IDynControlAutoSize, public IDynControlAlign, public IDynControlLabel {
public:
    explicit TXcDynControlVCLLabel(TWinControl* parent);
    void ControlSetTabOrder(int) override {}
    void ControlSetOnEnter(TNotifyEvent) override {}
    void ControlSetOnExit(TNotifyEvent) override {}
    void ControlSetAlignment(TXcAlignment v) override;
    void ControlSetColor(TXcColor v) override;
    void ControlSetParentColor(bool v) override;
    void ControlSetAutoSize(bool v) override;
    void ControlSetAlign(TXcAlign v) override;
    void ControlSetFocusControl(TControl* v) override { focusControl_ = v; }
    void ControlSetWordWrap(bool v) override;
    TControl* FocusControl() const { return focusControl_; }
    HBRUSH BackgroundBrush() const override;
    void DynSetText(const std::string& s) override;
    void ControlSetCaption(const std::string& v) override { DynSetText(v); }

protected:
    TXcDynControlVCLLabel(TWinControl* parent, DWORD extraStyle);
    void FitText();
    TControl* focusControl_ = nullptr;
    bool autoSize_ = false, wordWrap_ = false;
    COLORREF color_ = CLR_INVALID;
    mutable HBRUSH brush_ = nullptr;
};

class TXcDynControlVCLStaticText : public TXcDynControlVCLLabel {
public:
    explicit TXcDynControlVCLStaticText(TWinControl* parent);
};

class TXcDynControlVCLButton : public TXcDynVCLControl<TBitBtn>, public IDynControlAction, public IDynControlButton {
public:
    explicit TXcDynControlVCLButton(TWinControl* parent);
    void ControlSetTabOrder(int) override {}
    void ControlSetOnEnter(TNotifyEvent) override {}
    void ControlSetOnExit(TNotifyEvent) override {}
    // The toolkit has no actions: a button takes its caption and click from the caller.
    void ControlSetAction(void*) override {}
    void ControlSetDefault(bool v) override { SetDefault(v); }
    void ControlSetCancel(bool v) override { SetCancel(v); }
    void ControlSetGlyph(const TXcGraphic& v) override;
    void ControlSetNumGlyphs(int v) override { numGlyphs_ = v; }
    void ControlSetLayout(TXcButtonLayout v) override { layout_ = v; }

private:
    std::unique_ptr<TImageList> glyph_;
    int numGlyphs_ = 1;
    TXcButtonLayout layout_ = TXcButtonLayout::blGlyphLeft;
};

class TXcDynControlVCLRadioButton : public TXcDynVCLControl<TRadioButton>, public IDynControlData {
public:
    explicit TXcDynControlVCLRadioButton(TWinControl* parent);
    void ControlSetOnClick(TNotifyEvent v) override { click_ = std::move(v); }
    void ControlSetOnChange(TNotifyEvent v) override { change_ = std::move(v); }
    void ControlSetValue(const TXcVariant& v) override;
    TXcVariant ControlGetValue() override { return TXcVariant(Checked()); }

private:
    TNotifyEvent click_, change_;
};

class TXcDynControlVCLScrollBox : public TXcDynVCLControl<TScrollBox> {
public:
    explicit TXcDynControlVCLScrollBox(TWinControl* parent) : TXcDynVCLControl<TScrollBox>(parent) {}
};

class TXcDynControlVCLGroupBox : public TXcDynVCLControl<TGroupBox> {
public:
    explicit TXcDynControlVCLGroupBox(TWinControl* parent) : TXcDynVCLControl<TGroupBox>(parent, std::string()) {}
};

class TXcDynControlVCLPanel : public TXcDynVCLControl<TPanel>, public IDynControlAlignment, public IDynControlColor,
                              public IDynControlBevelBorder, public IDynControlAutoSize, public IDynControlAlign,
                              public IDynControlDblClick {
public:
    explicit TXcDynControlVCLPanel(TWinControl* parent);
    void ControlSetDefaultProperties() override;
    void ControlSetAlignment(TXcAlignment v) override;
    void ControlSetColor(TXcColor v) override { SetColor(ToColorRef(v)); }
    void ControlSetParentColor(bool v) override;
    void ControlSetBevelInner(TXcBevelCut v) override;
    void ControlSetBevelKind(TXcBevelKind v) override { bevelKind_ = v; }
    void ControlSetBevelOuter(TXcBevelCut v) override;
    void ControlSetBorderStyle(TXcBorderStyle v) override;
    void ControlSetBorderWidth(int v) override;
    // The toolkit's panels keep their size: auto-size is kept and not applied.
    void ControlSetAutoSize(bool v) override { autoSize_ = v; }
    void ControlSetAlign(TXcAlign v) override;
    void ControlSetOnDblClick(TNotifyEvent v) override { onDblClick_ = std::move(v); }
    TXcBevelCut BevelInner() const { return inner_; }
    TXcBevelCut BevelOuter() const { return outer_; }

protected:
    void Paint(HDC dc) override;

private:
    TXcAlignment alignment_ = TXcAlignment::taCenter;
    TXcBevelCut inner_ = TXcBevelCut::bvNone, outer_ = TXcBevelCut::bvRaised;
    TXcBevelKind bevelKind_ = TXcBevelKind::bkNone;
    bool autoSize_ = false;
    int borderWidth_ = 0;
};

class TXcDynControlVCLImage : public TXcDynVCLControl<TImage>, public IDynControlImage {
public:
    explicit TXcDynControlVCLImage(TWinControl* parent);
    void ControlSetTabOrder(int) override {}
    void ControlSetOnEnter(TNotifyEvent) override {}
    void ControlSetOnExit(TNotifyEvent) override {}
    void ControlSetAutoSize(bool v) override;
    void ControlSetIncrementalDisplay(bool) override {}
    void ControlSetCenter(bool v) override {
        center_ = v;
        Invalidate();
    }
    void ControlSetProportional(bool v) override {
        proportional_ = v;
        Invalidate();
    }
    void ControlSetStretch(bool v) override {
        stretch_ = v;
        Invalidate();
    }
    void ControlSetTransparent(bool v) override { transparent_ = v; }
    void ControlSetPicture(const TXcGraphic& v) override;
    void ControlSetGraphic(const TXcGraphic& v) override { ControlSetPicture(v); }
    TXcGraphic ControlGetPicture() override { return picture_.Graphic(); }

protected:
    void Paint(HDC dc) override;

private:
    TXcPicture picture_;
    bool autoSize_ = false, center_ = false, proportional_ = false, stretch_ = false, transparent_ = false;
};

class TXcDynControlVCLCheckBox : public TXcDynVCLControl<TCheckBox>, public IDynControlCheckBox,
                                 public IDynControlData {
public:
    explicit TXcDynControlVCLCheckBox(TWinControl* parent);
    void ControlSetOnClick(TNotifyEvent v) override { click_ = std::move(v); }
    void ControlSetAllowGrayed(bool v) override { allowGrayed_ = v; }
    void ControlSetState(TXcCheckBoxState v) override;
    TXcCheckBoxState ControlGetState() override;
    void ControlSetOnChange(TNotifyEvent v) override { change_ = std::move(v); }
    void ControlSetValue(const TXcVariant& v) override;
    TXcVariant ControlGetValue() override { return TXcVariant(Checked()); }

private:
    TNotifyEvent click_, change_;
    bool allowGrayed_ = false, grayed_ = false;
};

class TXcDynControlVCLComboBox : public TXcDynVCLControl<TComboBox>, public IDynControlComboBox,
                                 public IDynControlItems, public IDynControlData {
public:
    explicit TXcDynControlVCLComboBox(TWinControl* parent);
    void ControlSetNewEntriesAllowed(bool v) override;
    void ControlSetSorted(bool v) override;
    void ControlSetItems(const std::vector<std::string>& v) override;
    std::vector<std::string> ControlGetItems() override;
    void ControlSetOnChange(TNotifyEvent v) override { OnChange = std::move(v); }
    void ControlSetValue(const TXcVariant& v) override;
    TXcVariant ControlGetValue() override;
    bool HandleCommand(WORD code, WORD id) override;

private:
    bool sorted_ = false;
};

class TXcDynControlVCLListBox : public TXcDynVCLControl<TListBox>, public IDynControlDblClick,
                                public IDynControlItems, public IDynControlData {
public:
    explicit TXcDynControlVCLListBox(TWinControl* parent);
    void ControlSetOnDblClick(TNotifyEvent v) override { OnDblClick = std::move(v); }
    void ControlSetSorted(bool v) override { SetSorted(v); }
    void ControlSetItems(const std::vector<std::string>& v) override;
    std::vector<std::string> ControlGetItems() override { return Items(); }
    void ControlSetOnChange(TNotifyEvent v) override { OnChange = std::move(v); }
    void ControlSetValue(const TXcVariant& v) override;
    TXcVariant ControlGetValue() override { return TXcVariant(ItemIndex()); }
};

class TXcDynControlVCLCheckListBox : public TXcDynVCLControl<TCheckListBox>, public IDynControlCheckListBox,
                                     public IDynControlDblClick, public IDynControlItems, public IDynControlData {
public:
    explicit TXcDynControlVCLCheckListBox(TWinControl* parent);
    void ControlSetAllowGrayed(bool v) override { AllowGrayed = v; }
    void ControlSetChecked(int i, bool v) override { SetItemState(i, v ? State::Checked : State::Unchecked); }
    bool ControlGetChecked(int i) override { return ItemState(i) == State::Checked; }
    void ControlSetItemEnabled(int i, bool v) override { SetItemEnabled(i, v); }
    bool ControlGetItemEnabled(int i) override { return ItemEnabled(i); }
    void ControlSetHeader(int i, bool v) override { SetHeader(i, v); }
    bool ControlGetHeader(int i) override { return Header(i); }
    void ControlSetState(int i, TXcCheckBoxState v) override { SetItemState(i, static_cast<State>(v)); }
    TXcCheckBoxState ControlGetState(int i) override { return static_cast<TXcCheckBoxState>(ItemState(i)); }
    void ControlSetOnDblClick(TNotifyEvent v) override { OnDblClick = std::move(v); }
    void ControlSetSorted(bool v) override { SetSorted(v); }
    void ControlSetItems(const std::vector<std::string>& v) override;
    std::vector<std::string> ControlGetItems() override { return Items(); }
    void ControlSetOnChange(TNotifyEvent v) override { OnChange = std::move(v); }
    void ControlSetValue(const TXcVariant& v) override;
    TXcVariant ControlGetValue() override { return TXcVariant(ItemIndex()); }
};

class TXcDynControlVCLRadioGroup : public TXcDynVCLControl<TRadioGroup>, public IDynControlRadioGroup,
                                   public IDynControlItems, public IDynControlData {
public:
    explicit TXcDynControlVCLRadioGroup(TWinControl* parent);
    // The toolkit's radio group shows one column: the number is kept and not applied.
    void ControlSetColumns(int v) override { columns_ = v; }
    void ControlSetSorted(bool v) override { sorted_ = v; }
    void ControlSetItems(const std::vector<std::string>& v) override;
    std::vector<std::string> ControlGetItems() override { return items_; }
    void ControlSetOnChange(TNotifyEvent v) override { change_ = std::move(v); }
    void ControlSetValue(const TXcVariant& v) override;
    TXcVariant ControlGetValue() override { return TXcVariant(ItemIndex()); }

private:
    std::vector<std::string> items_;
    int columns_ = 1;
    bool sorted_ = false;
    TNotifyEvent change_;
};

class TXcDynControlVCLDateTimeEdit : public TXcDynVCLControl<TPanel>, public IDynControlDate, public IDynControlData {
public:
    explicit TXcDynControlVCLDateTimeEdit(TWinControl* parent);
    void ControlSetDefaultProperties() override { SetText(" "); }
    void ControlSetMinDate(TDateTime v) override;
    void ControlSetMaxDate(TDateTime v) override;
    void ControlSetFormat(const std::string& v) override { date_->SetFormat(v); }
    void ControlSetOnChange(TNotifyEvent v) override;
    void ControlSetValue(const TXcVariant& v) override;
    TXcVariant ControlGetValue() override;
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    TDateTimePicker* date_;
    TDateTimePicker* time_;
    TDateTime min_ = 0, max_ = 0;
};

class TXcDynControlVCLTimeEdit : public TXcDynVCLControl<TDateTimePicker>, public IDynControlTime,
                                 public IDynControlData {
public:
    explicit TXcDynControlVCLTimeEdit(TWinControl* parent);
    void ControlSetFormat(const std::string& v) override { SetFormat(v); }
    void ControlSetOnChange(TNotifyEvent v) override { OnChange = std::move(v); }
    void ControlSetValue(const TXcVariant& v) override;
    TXcVariant ControlGetValue() override;
};

class TXcDynControlVCLDateEdit : public TXcDynVCLControl<TDateTimePicker>, public IDynControlDate,
                                 public IDynControlData {
public:
    explicit TXcDynControlVCLDateEdit(TWinControl* parent);
    void ControlSetMinDate(TDateTime v) override;
    void ControlSetMaxDate(TDateTime v) override;
    void ControlSetFormat(const std::string& v) override { SetFormat(v); }
    void ControlSetOnChange(TNotifyEvent v) override { OnChange = std::move(v); }
    void ControlSetValue(const TXcVariant& v) override;
    TXcVariant ControlGetValue() override;

private:
    TDateTime min_ = 0, max_ = 0;
};

class TXcDynControlVCLMaskEdit : public TXcDynVCLControl<TXcExCustomMaskEdit>, public IDynControlEdit,
                                 public IDynControlReadOnly, public IDynControlData {
public:
    explicit TXcDynControlVCLMaskEdit(TWinControl* parent);
    void ControlSetCaption(const std::string&) override {}
    void ControlSetPasswordChar(char v) override;
    void ControlSetEditMask(const std::string& v) override { SetEditMask(v); }
    void ControlSetReadOnly(bool v) override { SetReadOnly(v); }
    void ControlSetOnChange(TNotifyEvent v) override { OnChange = std::move(v); }
    void ControlSetValue(const TXcVariant& v) override { SetText(v.AsString()); }
    TXcVariant ControlGetValue() override { return TXcVariant(Text()); }
};

// A panel without bevels holding an edit that fills it and a "..." button at its right, as wide
// as the panel is high; the panel takes the edit's height.
class TXcDynComposite : public TPanel {
public:
    explicit TXcDynComposite(TWinControl* parent);
    TXcExCustomMaskEdit* Edit() const { return edit_; }
    TBitBtn* Button() const { return button_; }
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

protected:
    TXcExCustomMaskEdit* edit_;
    TBitBtn* button_;
};

class TXcDynControlVCLDirectoryEdit : public TXcDynVCLControl<TXcDynComposite>, public IDynControlReadOnly,
                                      public IDynControlDirectory, public IDynControlData {
public:
    explicit TXcDynControlVCLDirectoryEdit(TWinControl* parent);
    void ControlSetDefaultProperties() override { SetText(" "); }
    void ControlSetReadOnly(bool v) override { edit_->SetReadOnly(v); }
    void ControlSetInitialDir(const std::string& v) override { initialDir_ = v; }
    void ControlSetDialogTitle(const std::string& v) override { title_ = v; }
    void ControlSetDialogOptions(unsigned v) override { options_ = v; }
    void ControlSetOnChange(TNotifyEvent v) override { edit_->OnChange = std::move(v); }
    void ControlSetValue(const TXcVariant& v) override { edit_->SetText(v.AsString()); }
    TXcVariant ControlGetValue() override { return TXcVariant(edit_->Text()); }
    // Shows the directory dialog from the current text; a confirmed choice becomes the value.
    void Browse();
    // The folder the dialog starts in: the text, else the initial directory, else "\"; "\" too
    // when that folder does not exist.
    std::string StartDirectory() const;
    // When set, answers the dialog (start folder in, chosen folder or nothing out).
    static std::function<std::optional<std::string>(const std::string& start)> DialogHook;

private:
    std::string initialDir_, title_;
    unsigned options_ = 0;
};

class TXcDynControlVCLFileNameEdit : public TXcDynVCLControl<TXcDynComposite>, public IDynControlReadOnly,
                                     public IDynControlFileName, public IDynControlData {
public:
    explicit TXcDynControlVCLFileNameEdit(TWinControl* parent);
    void ControlSetDefaultProperties() override { SetText(" "); }
    void ControlSetReadOnly(bool v) override { edit_->SetReadOnly(v); }
    void ControlSetInitialDir(const std::string& v) override { initialDir_ = v; }
    void ControlSetDefaultExt(const std::string& v) override { defaultExt_ = v; }
    void ControlSetDialogTitle(const std::string& v) override { title_ = v; }
    void ControlSetDialogOptions(unsigned v) override { options_ = v; }
    void ControlSetFilter(const std::string& v) override { filter_ = v; }
    void ControlSetFilterIndex(int v) override { filterIndex_ = v; }
    void ControlSetDialogKind(TXcFileDialogKind v) override { kind_ = v; }
    void ControlSetOnChange(TNotifyEvent v) override { edit_->OnChange = std::move(v); }
    void ControlSetValue(const TXcVariant& v) override { edit_->SetText(v.AsString()); }
    TXcVariant ControlGetValue() override { return TXcVariant(edit_->Text()); }
    // Shows the open or save dialog; a confirmed file name becomes the value.
    void Browse();

private:
    std::string initialDir_, defaultExt_, title_, filter_;
    unsigned options_ = kDefaultFileNameOptions;  // an option set (OpenDialogFlags), not Win32 flags
    int filterIndex_ = 1;
    TXcFileDialogKind kind_ = TXcFileDialogKind::fdOpen;
};

class TXcDynControlVCLMemo : public TXcDynVCLControl<TMemo>, public IDynControlAlignment, public IDynControlReadOnly,
                             public IDynControlMemo, public IDynControlItems, public IDynControlData {
public:
    explicit TXcDynControlVCLMemo(TWinControl* parent);
    void ControlSetAlignment(TXcAlignment v) override;
    void ControlSetReadOnly(bool v) override { SetReadOnly(v); }
    void ControlSetWantTabs(bool v) override { wantTabs_ = v; }
    void ControlSetWantReturns(bool v) override;
    void ControlSetWordWrap(bool v) override;
    void ControlSetScrollBars(TXcScrollStyle v) override;
    void ControlSetSorted(bool) override {}
    void ControlSetItems(const std::vector<std::string>& v) override;
    std::vector<std::string> ControlGetItems() override { return Lines(); }
    void ControlSetOnChange(TNotifyEvent v) override { OnChange = std::move(v); }
    void ControlSetValue(const TXcVariant& v) override { SetText(v.AsString()); }
    TXcVariant ControlGetValue() override { return TXcVariant(Text()); }
};

class TXcDynControlVCLRichEdit : public TXcDynVCLControl<TRichEdit>, public IDynControlReadOnly,
                                 public IDynControlMemo, public IDynControlItems, public IDynControlData {
public:
    explicit TXcDynControlVCLRichEdit(TWinControl* parent);
    void ControlSetReadOnly(bool v) override { SetReadOnly(v); }
    void ControlSetWantTabs(bool v) override { wantTabs_ = v; }
    void ControlSetWantReturns(bool) override {}
    void ControlSetWordWrap(bool) override {}
    void ControlSetScrollBars(TXcScrollStyle v) override;
    void ControlSetSorted(bool) override {}
    void ControlSetItems(const std::vector<std::string>& v) override;
    std::vector<std::string> ControlGetItems() override;
    void ControlSetOnChange(TNotifyEvent v) override { change_ = std::move(v); }
    void ControlSetValue(const TXcVariant& v) override;
    TXcVariant ControlGetValue() override { return TXcVariant(PlainText()); }

private:
    TNotifyEvent change_;
};

class TXcDynControlVCLButtonEdit : public TXcDynVCLControl<TXcDynComposite>, public IDynControlButton,
                                   public IDynControlButtonEdit, public IDynControlEdit, public IDynControlReadOnly,
                                   public IDynControlData {
public:
    explicit TXcDynControlVCLButtonEdit(TWinControl* parent);
    void ControlSetDefaultProperties() override { SetText(" "); }
    void ControlSetDefault(bool v) override { button_->SetDefault(v); }
    void ControlSetCancel(bool v) override { button_->SetCancel(v); }
    void ControlSetGlyph(const TXcGraphic& v) override;
    void ControlSetNumGlyphs(int) override {}
    void ControlSetLayout(TXcButtonLayout) override {}
    void ControlSetOnButtonClick(TNotifyEvent v) override { button_->OnClick = std::move(v); }
    void ControlSetButtonCaption(const std::string& v) override { button_->SetText(v); }
    void ControlSetPasswordChar(char v) override;
    void ControlSetEditMask(const std::string& v) override { edit_->SetEditMask(v); }
    void ControlSetReadOnly(bool v) override { edit_->SetReadOnly(v); }
    void ControlSetOnChange(TNotifyEvent v) override { edit_->OnChange = std::move(v); }
    void ControlSetValue(const TXcVariant& v) override { edit_->SetText(v.AsString()); }
    TXcVariant ControlGetValue() override { return TXcVariant(edit_->Text()); }

private:
    std::unique_ptr<TImageList> glyph_;
};

class TXcDynControlVCLTreeView : public TXcDynVCLControl<TTreeView>, public IDynControlDblClick,
                                 public IDynControlReadOnly, public IDynControlTreeView {
public:
    explicit TXcDynControlVCLTreeView(TWinControl* parent);
    ~TXcDynControlVCLTreeView() override;
    void ControlSetOnDblClick(TNotifyEvent v) override { OnDblClick = std::move(v); }
    void ControlSetReadOnly(bool v) override { SetReadOnly(v); }
    void ControlSetAutoExpand(bool v) override { SetStyleBit(TVS_SINGLEEXPAND, v); }
    void ControlSetHotTrack(bool v) override { SetStyleBit(TVS_TRACKSELECT, v); }
    void ControlSetShowHint(bool v) override { showHint_ = v; }
    void ControlSetShowLines(bool v) override { SetStyleBit(TVS_HASLINES, v); }
    void ControlSetShowRoot(bool v) override { SetStyleBit(TVS_LINESATROOT, v); }
    void ControlSetToolTips(bool v) override { SetStyleBit(TVS_NOTOOLTIPS, !v); }
    void ControlSetItems(const std::vector<TXcTreeItems>& v) override;
    std::vector<TXcTreeItems> ControlGetItems() override;
    void ControlSetImages(TImageList* v) override;
    void ControlSetStateImages(TImageList* v) override;
    std::string ControlGetSelectedNode() override;
    void ControlSetOnChange(TNotifyEvent v) override { OnChange = std::move(v); }
    void ControlSetSortType(TXcSortType v) override;
    void ControlSortItems() override;

private:
    void SetStyleBit(DWORD bit, bool on);
    HIMAGELIST images_ = nullptr, stateImages_ = nullptr;
    bool showHint_ = false;
    TXcSortType sortType_ = TXcSortType::stNone;
};

class TXcDynControlVCLProgressBar : public TXcDynVCLControl<TProgressBar>, public IDynControlProgressBar {
public:
    explicit TXcDynControlVCLProgressBar(TWinControl* parent);
    void ControlSetMax(int v) override { SetRange(Min(), v); }
    void ControlSetMin(int v) override { SetRange(v, Max()); }
    void ControlSetOrientation(TXcProgressBarOrientation v) override;
    void ControlSetPosition(int v) override { SetPosition(v); }
    void ControlSetSmooth(bool v) override;
    void ControlSetStep(int v) override;
    int Step() const { return step_; }

private:
    int step_ = 10;
};

class TXcDynControlVCLTabControl : public TXcDynVCLControl<TTabControl>, public IDynControlTab {
public:
    explicit TXcDynControlVCLTabControl(TWinControl* parent);
    TWinControl* ControlCreateTab(const std::string& caption) override;
    void ControlSetOnChangeTab(TNotifyEvent v) override { OnChange = std::move(v); }
    void ControlSetOnChangingTab(TXcTabChangingEvent v) override { OnChanging = std::move(v); }
    void ControlSetActivePageIndex(int v) override { SetTabIndex(v); }
    int ControlGetActivePageIndex() override { return TabIndex(); }
    void ControlSetMultiLine(bool v) override;
    void ControlSetScrollOpposite(bool v) override;
    void ControlSetHotTrack(bool v) override;
    void ControlSetRaggedRight(bool v) override;
};

class TXcDynControlVCLPageControl : public TXcDynVCLControl<TPageControl>, public IDynControlPage,
                                    public IDynControlTab {
public:
    explicit TXcDynControlVCLPageControl(TWinControl* parent);
    TWinControl* ControlGetPage(const std::string& caption) override;
    TWinControl* ControlCreateTab(const std::string& caption) override;
    void ControlSetOnChangeTab(TNotifyEvent v) override { OnChange = std::move(v); }
    void ControlSetOnChangingTab(TXcTabChangingEvent v) override { changing_ = std::move(v); }
    void ControlSetActivePageIndex(int v) override { SetActivePageIndex(v); }
    int ControlGetActivePageIndex() override { return ActivePageIndex(); }
    void ControlSetMultiLine(bool v) override;
    void ControlSetScrollOpposite(bool v) override;
    void ControlSetHotTrack(bool v) override;
    void ControlSetRaggedRight(bool v) override;
    bool HandleNotify(NMHDR* hdr, LRESULT& result) override;

private:
    TXcTabChangingEvent changing_;
};

// The library's form as the engine hands it out for kind "Form".
class TXcDynControlVCLForm : public TXcForm, public IDynControl {
public:
    explicit TXcDynControlVCLForm(TWinControl* owner);
    TControl* DynControl() override { return this; }
    TWinControl* DynContainer() override { return this; }
    void DynSetParent(TWinControl*) override {}
    std::string DynName() const override { return Name; }
    void DynSetName(const std::string& n) override { Name = n; }
    int DynLeft() const override { return Left(); }
    int DynTop() const override { return Top(); }
    int DynWidth() const override { return Width(); }
    int DynHeight() const override { return Height(); }
    void DynSetBounds(int l, int t, int w, int h) override { SetBounds(l, t, w, h); }
    void DynSetText(const std::string& s) override { SetText(s); }
    void DynSetHint(const std::string& s) override { SetHint(s); }
    void ControlSetDefaultProperties() override {}
    void ControlSetCaption(const std::string& v) override { SetText(v); }
    void ControlSetTabOrder(int) override {}
    void ControlSetOnEnter(TNotifyEvent) override {}
    void ControlSetOnExit(TNotifyEvent) override {}
    void ControlSetOnClick(TNotifyEvent v) override { OnClick = std::move(v); }
    void ControlSetHint(const std::string& v) override { SetHint(v); }
    void ControlSetAnchors(TXcAnchors) override {}
};

// The engine over the wrappers; registers its 26 kinds on first use.
class TXcDynControlEngineVCL : public TXcDynControlEngine {
protected:
    void RegisterStandardControls() override;
    TXcDynObject* NewForm(TWinControl* owner) override;
};

// The toolkit control of what the engine made.
template <class T = TControl>
T* AsControl(TXcDynObject* o) {
    return o ? dynamic_cast<T*>(o->DynControl()) : nullptr;
}

// Makes and frees the library's default engine (start-up and shut-down of the library).
void CreateDefaultDynControlEngine();
void FreeDefaultDynControlEngine();

extern TUnitVersionRegistration XcDynControlEngineVCLUnit;

// ---- template members

template <class Base>
bool TXcDynVCLControl<Base>::WrapperMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_SETFOCUS:
        result = DefSubclassProc(hooked_, msg, wp, lp);
        if (onEnter_) onEnter_(this);
        return true;
    case WM_KILLFOCUS:
        result = DefSubclassProc(hooked_, msg, wp, lp);
        if (onExit_) onExit_(this);
        return true;
    case WM_LBUTTONDBLCLK:
        result = DefSubclassProc(hooked_, msg, wp, lp);
        if (onDblClick_) onDblClick_(this);
        return true;
    case WM_GETDLGCODE:
        if (!wantTabs_) return false;
        result = DefSubclassProc(hooked_, msg, wp, lp) | DLGC_WANTTAB;
        return true;
    default:
        return false;
    }
}

namespace xcdetail {
template <class W>
class HookAdapter : public IXcWrapperHook {
public:
    explicit HookAdapter(W* w) : w_(w) {}
    bool HookMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        return w_->WrapperMessage(msg, wp, lp, result);
    }

private:
    W* w_;
};
}  // namespace xcdetail

template <class Base>
void TXcDynVCLControl<Base>::Hook() {
    Unhook();
    hooked_ = this->Handle();
    // One adapter per window, freed when the window is unhooked.
    XcHookWindow(hooked_, new xcdetail::HookAdapter<TXcDynVCLControl<Base>>(this));
}

template <class Base>
void TXcDynVCLControl<Base>::Unhook() {
    if (hooked_) XcUnhookWindow(hooked_);
    hooked_ = nullptr;
}

}  // namespace talvik

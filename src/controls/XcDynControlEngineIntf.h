// The control interfaces of the dynamic control engine. A caller that lays out a window sets
// controls up only through these, without naming concrete classes; each wrapper implements
// the interfaces its kind needs by forwarding to its toolkit control. "Supports interface"
// is a checked cast: Intf<I>(control) raises "component does not support interface".
//
// Pure logic: toolkit types appear only as incomplete pointers, so the engine's registry and
// rules build and are tested natively.
#pragma once

#include <cstring>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "controls/XcTypes.h"
#include "controls/XcVariant.h"

namespace talvik {

class TImageList;

// What the engine creates and talks to. The few framework properties the engine sets itself
// (parent, name, bounds, text, hint) are reached here; everything else through the interfaces.
class TXcDynObject {
public:
    virtual ~TXcDynObject() = default;
    virtual TControl* DynControl() = 0;
    // The control as a container for others, or null when it holds none.
    virtual TWinControl* DynContainer() = 0;
    virtual void DynSetParent(TWinControl* parent) = 0;
    virtual std::string DynName() const = 0;
    virtual void DynSetName(const std::string& name) = 0;
    virtual int DynLeft() const = 0;
    virtual int DynTop() const = 0;
    virtual int DynWidth() const = 0;
    virtual int DynHeight() const = 0;
    virtual void DynSetBounds(int left, int top, int width, int height) = 0;
    virtual void DynSetText(const std::string& text) = 0;
    virtual void DynSetHint(const std::string& hint) = 0;
};

// The interface `I` of a control, or null.
template <class I>
I* Supports(TXcDynObject* o) {
    return dynamic_cast<I*>(o);
}
// The interface `I` of a control; raises EIntfCastError when the control lacks it.
template <class I>
I& Intf(TXcDynObject* o) {
    I* i = o ? dynamic_cast<I*>(o) : nullptr;
    if (!i) throw EIntfCastError();
    return *i;
}

enum TXcAnchor : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };
using TXcAnchors = unsigned;
enum class TXcAlignment { taLeftJustify, taRightJustify, taCenter };
enum class TXcAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum class TXcBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum class TXcBevelKind { bkNone, bkTile, bkSoft, bkFlat };
enum class TXcBorderStyle { bsNone, bsSingle };
enum class TXcButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum class TXcCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
enum class TXcScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum class TXcFileDialogKind { fdOpen, fdSave };
enum class TXcProgressBarOrientation { pbHorizontal, pbVertical };
enum class TXcSortType { stNone, stData, stText, stBoth };
// A system bitmap or icon handed to a control, which copies it.
struct TXcGraphic {
    void* Handle = nullptr;
    bool IsIcon = false;
};
// A tree of items as text.
struct TXcTreeItems {
    std::string Text;
    std::vector<TXcTreeItems> Children;
};
using TXcTabChangingEvent = std::function<void(TControl* sender, bool& allowChange)>;

class IDynControl : public virtual TXcDynObject {
public:
    static constexpr const char* IID = "{E5A52F18-A7B2-4BE8-BAB6-D4F70A0999B3}";
    virtual void ControlSetDefaultProperties() = 0;
    virtual void ControlSetCaption(const std::string& value) = 0;
    virtual void ControlSetTabOrder(int value) = 0;
    virtual void ControlSetOnEnter(TNotifyEvent value) = 0;
    virtual void ControlSetOnExit(TNotifyEvent value) = 0;
    virtual void ControlSetOnClick(TNotifyEvent value) = 0;
    virtual void ControlSetHint(const std::string& value) = 0;
    virtual void ControlSetAnchors(TXcAnchors value) = 0;
};

class IDynControlData : public virtual TXcDynObject {
public:
    static constexpr const char* IID = "{569BFBFD-DFFF-44CF-AAD9-C67A0E48EE15}";
    virtual void ControlSetOnChange(TNotifyEvent value) = 0;
    virtual void ControlSetValue(const TXcVariant& value) = 0;
    virtual TXcVariant ControlGetValue() = 0;
};

class IDynControlReadOnly : public virtual TXcDynObject {
public:
    static constexpr const char* IID = "{24E45D23-AC66-4644-8403-81FF81E28B89}";
    virtual void ControlSetReadOnly(bool value) = 0;
};

class IDynControlEdit : public virtual TXcDynObject {
public:
    static constexpr const char* IID = "{8E70DDD2-2D22-4EA9-B8E2-A25DE3162942}";
    virtual void ControlSetPasswordChar(char value) = 0;
    virtual void ControlSetEditMask(const std::string& value) = 0;
};

class IDynControlButton : public virtual TXcDynObject {
public:
    static constexpr const char* IID = "{65193802-7E31-47FD-A4B8-E1201E0A2F38}";
    virtual void ControlSetDefault(bool value) = 0;
    virtual void ControlSetCancel(bool value) = 0;
    virtual void ControlSetGlyph(const TXcGraphic& value) = 0;
    virtual void ControlSetNumGlyphs(int value) = 0;
    virtual void ControlSetLayout(TXcButtonLayout value) = 0;
};

class IDynControlButtonEdit : public virtual TXcDynObject {
public:
    static constexpr const char* IID = "{F5A108E0-0B89-4CD7-9FAE-1547F00CEF62}";
    virtual void ControlSetOnButtonClick(TNotifyEvent value) = 0;
    virtual void ControlSetButtonCaption(const std::string& value) = 0;
};

class IDynControlFileName : public virtual TXcDynObject {
public:
    static constexpr const char* IID = "{2F75D45F-6837-4482-9BE5-499450B7350A}";
    virtual void ControlSetInitialDir(const std::string& value) = 0;
    virtual void ControlSetDefaultExt(const std::string& value) = 0;
    virtual void ControlSetDialogTitle(const std::string& value) = 0;
    virtual void ControlSetDialogOptions(unsigned value) = 0;
    virtual void ControlSetFilter(const std::string& value) = 0;
    virtual void ControlSetFilterIndex(int value) = 0;
    virtual void ControlSetDialogKind(TXcFileDialogKind value) = 0;
};

class IDynControlDirectory : public virtual TXcDynObject {
public:
    static constexpr const char* IID = "{1EAC8D4D-F839-43FD-B859-627874E41874}";
    virtual void ControlSetInitialDir(const std::string& value) = 0;
    virtual void ControlSetDialogTitle(const std::string& value) = 0;
    virtual void ControlSetDialogOptions(unsigned value) = 0;
};

class IDynControlDate : public virtual TXcDynObject {
public:
    static constexpr const char* IID = "{AB9EBBAB-5158-4371-A2CF-07F6D0AB86BB}";
    virtual void ControlSetMinDate(TDateTime value) = 0;
    virtual void ControlSetMaxDate(TDateTime value) = 0;
    virtual void ControlSetFormat(const std::string& value) = 0;
};

class IDynControlTime : public virtual TXcDynObject {
public:
    static constexpr const char* IID = "{E4FF3356-62C4-4C80-B9D6-2C956D21058F}";
    virtual void ControlSetFormat(const std::string& value) = 0;
};

class IDynControlCheckBox : public virtual TXcDynObject {
public:
    static constexpr const char* IID = "{632BF70D-5F9F-4164-8137-4E344A5C41A3}";
    virtual void ControlSetAllowGrayed(bool value) = 0;
    virtual void ControlSetState(TXcCheckBoxState value) = 0;
    virtual TXcCheckBoxState ControlGetState() = 0;
};

class IDynControlAlignment : public virtual TXcDynObject {
public:
    static constexpr const char* IID = "{BBF3775F-61A5-4455-8C54-43DCDA05E149}";
    virtual void ControlSetAlignment(TXcAlignment value) = 0;
};

class IDynControlMemo : public virtual TXcDynObject {
public:
    static constexpr const char* IID = "{3AF11540-A5D5-4C9D-9977-DD3D78F1F94F}";
    virtual void ControlSetWantTabs(bool value) = 0;
    virtual void ControlSetWantReturns(bool value) = 0;
    virtual void ControlSetWordWrap(bool value) = 0;
    virtual void ControlSetScrollBars(TXcScrollStyle value) = 0;
};

class IDynControlItems : public virtual TXcDynObject {
public:
    static constexpr const char* IID = "{A4391F0B-67AD-4937-B6D9-A6DBEECDFAE8}";
    virtual void ControlSetSorted(bool value) = 0;
    virtual void ControlSetItems(const std::vector<std::string>& value) = 0;
    virtual std::vector<std::string> ControlGetItems() = 0;
};

class IDynControlRadioGroup : public virtual TXcDynObject {
public:
    static constexpr const char* IID = "{ED143973-5D21-41CF-85E1-5EE84E58BCEF}";
    virtual void ControlSetColumns(int value) = 0;
};

class IDynControlDblClick : public virtual TXcDynObject {
public:
    static constexpr const char* IID = "{EB2435FE-D9A6-4D33-9F01-589D0C93C6AC}";
    virtual void ControlSetOnDblClick(TNotifyEvent value) = 0;
};

class IDynControlCheckListBox : public virtual TXcDynObject {
public:
    static constexpr const char* IID = "{9C50DD6C-E147-4719-A4E9-7F11AD45606C}";
    virtual void ControlSetAllowGrayed(bool value) = 0;
    virtual void ControlSetChecked(int index, bool value) = 0;
    virtual bool ControlGetChecked(int index) = 0;
    virtual void ControlSetItemEnabled(int index, bool value) = 0;
    virtual bool ControlGetItemEnabled(int index) = 0;
    virtual void ControlSetHeader(int index, bool value) = 0;
    virtual bool ControlGetHeader(int index) = 0;
    virtual void ControlSetState(int index, TXcCheckBoxState value) = 0;
    virtual TXcCheckBoxState ControlGetState(int index) = 0;
};

class IDynControlComboBox : public virtual TXcDynObject {
public:
    static constexpr const char* IID = "{9E9B46D8-2BAD-4BAA-BFDC-88FA0F3C847D}";
    // True: free text may be typed (drop-down); False: only the items (drop-down list).
    virtual void ControlSetNewEntriesAllowed(bool value) = 0;
};

class IDynControlColor : public virtual TXcDynObject {
public:
    static constexpr const char* IID = "{D6E907A4-0E6F-4AB7-98D5-F9C7660660F0}";
    virtual void ControlSetColor(TXcColor value) = 0;
    virtual void ControlSetParentColor(bool value) = 0;
};

class IDynControlBevelBorder : public virtual TXcDynObject {
public:
    static constexpr const char* IID = "{20DAC6BE-340D-456B-87C6-0BD71C4AA4E8}";
    virtual void ControlSetBevelInner(TXcBevelCut value) = 0;
    virtual void ControlSetBevelKind(TXcBevelKind value) = 0;
    virtual void ControlSetBevelOuter(TXcBevelCut value) = 0;
    virtual void ControlSetBorderStyle(TXcBorderStyle value) = 0;
    virtual void ControlSetBorderWidth(int value) = 0;
};

class IDynControlAutoSize : public virtual TXcDynObject {
public:
    static constexpr const char* IID = "{8807045B-5FDB-4173-827D-B527D8018870}";
    virtual void ControlSetAutoSize(bool value) = 0;
};

class IDynControlAlign : public virtual TXcDynObject {
public:
    static constexpr const char* IID = "{03FF9D1F-6169-443C-A6AB-8FB1F6D1CA30}";
    virtual void ControlSetAlign(TXcAlign value) = 0;
};

class IDynControlImage : public virtual TXcDynObject {
public:
    static constexpr const char* IID = "{2E07C9CD-A351-4F86-91F1-45E043455669}";
    virtual void ControlSetAutoSize(bool value) = 0;
    virtual void ControlSetIncrementalDisplay(bool value) = 0;
    virtual void ControlSetCenter(bool value) = 0;
    virtual void ControlSetProportional(bool value) = 0;
    virtual void ControlSetStretch(bool value) = 0;
    virtual void ControlSetTransparent(bool value) = 0;
    virtual void ControlSetPicture(const TXcGraphic& value) = 0;
    virtual void ControlSetGraphic(const TXcGraphic& value) = 0;
    virtual TXcGraphic ControlGetPicture() = 0;
};

class IDynControlLabel : public virtual TXcDynObject {
public:
    static constexpr const char* IID = "{247D29CD-ABA4-4F87-A25D-4987BD950F0C}";
    virtual void ControlSetFocusControl(TControl* value) = 0;
    virtual void ControlSetWordWrap(bool value) = 0;
};

class IDynControlAction : public virtual TXcDynObject {
public:
    static constexpr const char* IID = "{8AB9511C-A03A-4388-A00A-AB95B7041133}";
    virtual void ControlSetAction(void* value) = 0;
};

class IDynControlTreeView : public virtual TXcDynObject {
public:
    static constexpr const char* IID = "{8DFBBAB2-C9C4-4709-A71F-E522D3998650}";
    virtual void ControlSetAutoExpand(bool value) = 0;
    virtual void ControlSetHotTrack(bool value) = 0;
    virtual void ControlSetShowHint(bool value) = 0;
    virtual void ControlSetShowLines(bool value) = 0;
    virtual void ControlSetShowRoot(bool value) = 0;
    virtual void ControlSetToolTips(bool value) = 0;
    virtual void ControlSetItems(const std::vector<TXcTreeItems>& value) = 0;
    virtual std::vector<TXcTreeItems> ControlGetItems() = 0;
    virtual void ControlSetImages(TImageList* value) = 0;
    virtual void ControlSetStateImages(TImageList* value) = 0;
    // The selected item's text path from the top ("Options/Port"); empty without a selection.
    virtual std::string ControlGetSelectedNode() = 0;
    virtual void ControlSetOnChange(TNotifyEvent value) = 0;
    virtual void ControlSetSortType(TXcSortType value) = 0;
    virtual void ControlSortItems() = 0;
};

class IDynControlProgressBar : public virtual TXcDynObject {
public:
    static constexpr const char* IID = "{BAC5B6CD-3B65-4EBA-910A-49D152671B06}";
    virtual void ControlSetMax(int value) = 0;
    virtual void ControlSetMin(int value) = 0;
    virtual void ControlSetOrientation(TXcProgressBarOrientation value) = 0;
    virtual void ControlSetPosition(int value) = 0;
    virtual void ControlSetSmooth(bool value) = 0;
    virtual void ControlSetStep(int value) = 0;
};

class IDynControlTab : public virtual TXcDynObject {
public:
    static constexpr const char* IID = "{1C9FA637-14CC-4329-886F-696FD08AE951}";
    virtual TWinControl* ControlCreateTab(const std::string& caption) = 0;
    virtual void ControlSetOnChangeTab(TNotifyEvent value) = 0;
    virtual void ControlSetOnChangingTab(TXcTabChangingEvent value) = 0;
    virtual void ControlSetActivePageIndex(int value) = 0;
    virtual int ControlGetActivePageIndex() = 0;
    virtual void ControlSetMultiLine(bool value) = 0;
    virtual void ControlSetScrollOpposite(bool value) = 0;
    virtual void ControlSetHotTrack(bool value) = 0;
    virtual void ControlSetRaggedRight(bool value) = 0;
};

class IDynControlPage : public virtual TXcDynObject {
public:
    static constexpr const char* IID = "{6FCC9619-EA8D-43E6-BB66-D754A01B0720}";
    virtual TWinControl* ControlGetPage(const std::string& caption) = 0;
};

// Whether class T implements the interface of that identifier.
template <class T, class... I>
bool ImplementsAnyOf(const char* iid) {
    return ((std::strcmp(iid, I::IID) == 0 && std::is_base_of_v<I, T>) || ...);
}
template <class T>
bool ClassImplements(const char* iid) {
    return ImplementsAnyOf<T, IDynControl, IDynControlData, IDynControlReadOnly, IDynControlEdit, IDynControlButton,
                           IDynControlButtonEdit, IDynControlFileName, IDynControlDirectory, IDynControlDate,
                           IDynControlTime, IDynControlCheckBox, IDynControlAlignment, IDynControlMemo,
                           IDynControlItems, IDynControlRadioGroup, IDynControlDblClick, IDynControlCheckListBox,
                           IDynControlComboBox, IDynControlColor, IDynControlBevelBorder, IDynControlAutoSize,
                           IDynControlAlign, IDynControlImage, IDynControlLabel, IDynControlAction,
                           IDynControlTreeView, IDynControlProgressBar, IDynControlTab, IDynControlPage>(iid);
}

}  // namespace talvik

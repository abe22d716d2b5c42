// The spin button and the spin edit.
//
// TXcSpinButton: a two-half button (split along the diagonal, or into a top and a bottom half)
// whose press fires the top or bottom click at once and again while it is held: first after
// InitRepeatPause (400 ms), then every RepeatPause (100 ms). Its faces come from the shared
// cache of XcSpinFaces.h.
//
// TXcSpinEdit: a single-line edit that holds one number (decimal integer, float or hexadecimal)
// with its own button at the right: a TXcSpinButton (bkDiagonal, bkClassic) or the system's
// up-down arrows (bkStandard, TXcUpDown). Arrow keys, the wheel and the button step the value
// by Increment; limits crop or raise "Value must be between %0:g and %1:g". The value rules
// are those of TXcSpinEditCore (XcSpinValue.h).
//
// Use on a form:
//     auto* spin = new TXcSpinEdit(panel);          // owned by its parent, like every control
//     spin->SetBounds(8, 8, 80, 21);
//     spin->SetValueType(TValueType::vtHex);         // vtInteger (default), vtFloat, vtHex
//     spin->SetMinValue(0); spin->SetMaxValue(255);  // any non-zero limit checks both
//     spin->SetValue(16);                            // shows "10"
//     spin->OnChange = [](TControl*) { ... };        // the value changed (typed or stepped)
//     int v = static_cast<int>(spin->Value());
#pragma once

#include <windows.h>

#include <memory>

#include "controls/XcExControls.h"
#include "controls/XcExMask.h"
#include "controls/XcSpinButtonCore.h"
#include "controls/XcSpinFaces.h"
#include "controls/XcSpinValue.h"
#include "toolkit/core.h"

namespace talvik {

class TXcSpinButton : public TXcExGraphicControl, public TSpinButtonCore {
public:
    explicit TXcSpinButton(TWinControl* parent);
    ~TXcSpinButton() override;

    void SetButtonStyle(TXcSpinButtonStyle s);
    // Own arrows instead of the drawn ones; the button takes the bitmap (null empties it).
    // Each glyph's bottom-left pixel is its transparent colour.
    HBITMAP UpGlyph() const { return upGlyph_; }
    void SetUpGlyph(HBITMAP b);
    HBITMAP DownGlyph() const { return downGlyph_; }
    void SetDownGlyph(HBITMAP b);
    // The control focused by a press (when it takes Tab and has not the focus yet).
    TControl* FocusControl = nullptr;

    void SetEnabled(bool v) override;
    // The face set in use (null before the first paint).
    TSpinButtonBitmaps* FaceSet() const { return bitmaps_; }
    // The toolkit timer behind the repeat (null before the first press).
    TTimer* RepeatTimerObject() const;

    void MouseDown(int button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(int button, TShiftState shift, int x, int y) override;
    void MouseEnter(TControl* control) override;
    void MouseLeave(TControl* control) override;
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

protected:
    void Paint(HDC dc) override;
    int ClientWidth() const override { return Width(); }
    int ClientHeight() const override { return Height(); }
    bool IsEnabled() const override { return Enabled(); }
    bool MouseCaptured() const override { return hwnd_ && GetCapture() == hwnd_; }
    bool ThemesActive() const override;
    void Repaint() override;
    void FocusOnPress() override;
    void ReleaseMouse() override;
    std::unique_ptr<TSpinRepeatTimer> MakeTimer() override;

private:
    void ReleaseFaceSet();

    TSpinButtonBitmaps* bitmaps_ = nullptr;
    HBITMAP upGlyph_ = nullptr, downGlyph_ = nullptr;
};

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
enum class TUDBtnType { btNext, btPrev };

// The system's up-down arrows turned into clicks: it never holds a position.
class TXcUpDown : public TControl {
public:
    // The arrows are a child window of `host` (the spin edit).
    explicit TXcUpDown(HWND host);
    ~TXcUpDown() override;
    std::function<void(TXcUpDown*, TUDBtnType)> OnClick;
    // A scroll notice the up-down sent its parent.
    void Scrolled(int code, int position);
    void SetBounds(int left, int top, int width, int height);

private:
    bool scrolling_ = false;
};

class TXcCustomSpinEdit : public TXcExCustomMaskEdit, public TXcSpinEditCore {
public:
    explicit TXcCustomSpinEdit(TWinControl* parent);
    ~TXcCustomSpinEdit() override;

    bool ShowButton() const { return showButton_; }
    void SetShowButton(bool v);
    TSpinButtonKind ButtonKind() const { return buttonKind_; }
    void SetButtonKind(TSpinButtonKind k);
    // The kind in use: the one asked for where the system draws 3-D controls.
    TSpinButtonKind EffectiveButtonKind() const;
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);
    bool RightToLeft() const { return rightToLeft_; }
    void SetRightToLeft(bool r);
    void SetArrowKeys(bool a) override;
    void SetEnabled(bool v) override;
    void SetReadOnly(bool r);
    // Background colour of the edit (CLR_INVALID: the system's window colour).
    COLORREF Color() const { return color_; }
    void SetColor(COLORREF c);
    HBRUSH BackgroundBrush() const override;

    TXcSpinButton* Button() const { return button_; }
    TWinControl* ButtonWindow() const { return buttonWindow_.get(); }
    TXcUpDown* UpDown() const { return upDown_.get(); }
    int ButtonWidth() const;
    int MinHeight() const;

    // The end of building the window: automatic checks on again, the value recorded.
    void Loaded() override;
    bool HandleCommand(WORD code, WORD id) override;
    void BoundsChanged() override;
    void FontChanged() override;
    void DoSetFocus(HWND previous) override;
    void DoKillFocus(HWND next) override;

protected:
    bool MemberMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    // The hooks of the value model, answered from the edit window.
    std::string EditText() const override;
    void SetEditText(const std::string& s) override;
    int SelStart() const override;
    void SetSelStart(int pos) override;
    void SelectAll() override;
    bool Modified() const override;
    void SetModified(bool m) override;
    bool ReadOnly() const override;
    bool HandleAllocated() const override { return Handle() != nullptr; }
    void BeepError() override { DoBeepOnError(); }
    void Invalidated() override { Invalidate(); }
    void FireChange() override;
    void TakeFocusBack() override;
    void PassDialogKey(char key) override;

private:
    void RecreateButton();
    void ResizeButton();
    void SetEditRect();
    void UpDownClick(TUDBtnType b);
    void ApplyAlignmentStyle();

    bool showButton_ = true;
    TSpinButtonKind buttonKind_ = TSpinButtonKind::bkDiagonal;
    TAlignment alignment_ = TAlignment::taLeftJustify;
    bool rightToLeft_ = false;
    COLORREF color_ = CLR_INVALID;
    mutable HBRUSH brush_ = nullptr;
    std::unique_ptr<TWinControl> buttonWindow_;
    TXcSpinButton* button_ = nullptr;  // owned by the button window
    std::unique_ptr<TXcUpDown> upDown_;
    bool destroying_ = false;
    bool swallowBackspace_ = false;
    bool resizing_ = false;
};

// The spin edit as the windows use it; it starts with the text "0".
class TXcSpinEdit : public TXcCustomSpinEdit {
public:
    explicit TXcSpinEdit(TWinControl* parent);
};

extern TUnitVersionRegistration XcSpinUnit;

}  // namespace talvik

// The spin edit's value model: how its text is read as a number and written back for each
// value type, the limits with their automatic check flags and the three check options, the
// step rules, and what keys, the wheel and focus changes do to the text. It holds no window:
// the spin edit control derives from it and answers the hooks (text, caret, modified flag,
// beep) from its edit window, while tests use the plain in-memory text.
#pragma once

#include <functional>
#include <string>

#include "base/rtl.h"
#include "controls/XcSpinFormat.h"

namespace talvik {

enum class TValueType { vtInteger, vtFloat, vtHex };
enum class TSpinButtonKind { bkStandard, bkDiagonal, bkClassic };

// A set of check options, as bit flags.
enum TXcCheckOption : unsigned { coCheckOnChange = 1u, coCheckOnExit = 2u, coCropBeyondLimit = 4u };
using TXcCheckOptions = unsigned;
constexpr TXcCheckOptions kAllCheckOptions = coCheckOnChange | coCheckOnExit | coCropBeyondLimit;

// "Value must be between %0:g and %1:g" with the two limits.
std::string SpinRangeMessage(Extended minValue, Extended maxValue, const TNumberSeparators& sep);

// A value outside the limits when the options say raise rather than crop.
class ESpinRangeError : public ERangeError {
public:
    explicit ESpinRangeError(const std::string& message) : message_(message) {}
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// The text of an edit read as a number of the given type; text that is no number of that type
// reads as `minValue` (vtFloat) or its nearest whole number (the others).
Extended SpinTextToValue(const std::string& text, TValueType type, const std::string& displayFormat,
                         Extended minValue, const TNumberSeparators& sep);

// Whether the text reads as a number of the type, not only as the fallback.
bool SpinTextIsNumber(const std::string& text, TValueType type, const std::string& displayFormat,
                      const TNumberSeparators& sep);

// A value written as the edit's text for the given type (the value is not clamped here).
std::string SpinValueToText(Extended value, TValueType type, const std::string& displayFormat, bool thousands,
                            int decimal, const TNumberSeparators& sep);

// Virtual-key codes that the key handling looks at (the platform's numbers).
constexpr int kVkBack = 0x08, kVkLeft = 0x25, kVkUp = 0x26, kVkRight = 0x27, kVkDown = 0x28, kVkDelete = 0x2E;

class TXcSpinEditCore {
public:
    TXcSpinEditCore();
    virtual ~TXcSpinEditCore() = default;
    TXcSpinEditCore(const TXcSpinEditCore&) = delete;
    TXcSpinEditCore& operator=(const TXcSpinEditCore&) = delete;

    // The number shown. Writing clamps it to the checked limits and re-writes the text.
    Extended Value() const;
    void SetValue(Extended v);
    Extended AsInteger() const { return static_cast<Extended>(RoundHalfEven(Value())); }

    Extended Clamp(Extended v) const;
    // Clamps; raises the range message when asked to and the value lay outside.
    Extended CheckValueRange(Extended v, bool raiseOnError) const;
    bool LimitsSet() const { return minValue_ != 0 || maxValue_ != 0; }

    TValueType ValueType() const { return valueType_; }
    void SetValueType(TValueType t);
    // A whole number, never 0, while the type is vtInteger or vtHex.
    Extended Increment() const { return increment_; }
    void SetIncrement(Extended v);
    Extended MinValue() const { return minValue_; }
    void SetMinValue(Extended v);
    Extended MaxValue() const { return maxValue_; }
    void SetMaxValue(Extended v);
    bool CheckMinValue() const { return checkMin_; }
    void SetCheckMinValue(bool v);
    bool CheckMaxValue() const { return checkMax_; }
    void SetCheckMaxValue(bool v);
    // Whether the flags differ from what the limits give them (so a form would store them).
    bool CheckMinValueStored() const { return minValue_ == 0 && checkMin_ != (maxValue_ != 0); }
    bool CheckMaxValueStored() const { return maxValue_ == 0 && checkMax_ != (minValue_ != 0); }
    TXcCheckOptions CheckOptions() const { return checkOptions_; }
    void SetCheckOptions(TXcCheckOptions o) { checkOptions_ = o & kAllCheckOptions; }
    int Decimal() const { return decimal_; }
    void SetDecimal(int d);
    bool Thousands() const { return thousands_; }
    void SetThousands(bool t);
    const std::string& DisplayFormat() const { return displayFormat_; }
    void SetDisplayFormat(const std::string& f);
    static std::string DefaultDisplayFormat() { return ",0.##"; }
    bool EditorEnabled() const { return editorEnabled_; }
    void SetEditorEnabled(bool e) { editorEnabled_ = e; }
    bool ArrowKeys() const { return arrowKeys_; }
    virtual void SetArrowKeys(bool a) { arrowKeys_ = a; }
    bool AutoSelect() const { return autoSelect_; }
    void SetAutoSelect(bool a) { autoSelect_ = a; }
    bool IsFocused() const { return focused_; }
    void SetFocused(bool f);

    // The user's separators; the control takes them from the system.
    TNumberSeparators Separators;

    // Loading from a form: explicitly set check flags hold until Loaded.
    void BeginLoading() { loading_ = true; }
    void Loaded();

    std::function<void()> OnTopClick;
    std::function<void()> OnBottomClick;

    // Runs on every change of the text: checks and crops (or raises), then tells OnChange when
    // the value differs from the one last told.
    void Change();
    // One step up or down (buttons, arrow keys, wheel).
    void UpClick();
    void DownClick();
    bool IsValidChar(char key) const;
    // A key going down: returns the key the edit should go on with, 0 when it was used here.
    int KeyDown(int vk);
    // A typed character: returns the character the edit should take, 0 when it was dropped.
    // Enter and Escape are also handed to the form as dialog keys; Enter then goes no further.
    char KeyPress(char key);
    void MouseWheel(int delta);
    // Cut and paste are honoured only while typing is allowed.
    bool CutPasteAllowed() const { return editorEnabled_ && !ReadOnly(); }
    void DoEnter(bool mouseDownOnControl);
    // Checks on leaving; when that raises, the focus goes back to the edit.
    void DoExit();
    void KillFocusCrop();
    void RefreshFocusedText();

protected:
    // What the edit window answers; the defaults keep the text in memory.
    virtual std::string EditText() const { return text_; }
    virtual void SetEditText(const std::string& s);
    virtual int SelStart() const { return selStart_; }
    virtual void SetSelStart(int pos);
    virtual void SelectAll() { selStart_ = 0; }
    virtual bool Modified() const { return modified_; }
    virtual void SetModified(bool m) { modified_ = m; }
    virtual bool ReadOnly() const { return readOnly_; }
    virtual bool HandleAllocated() const { return true; }
    virtual void BeepError() {}
    virtual void Invalidated() {}
    virtual void FireChange() {}
    virtual void TakeFocusBack() {}
    virtual void PassDialogKey(char /*key*/) {}

    bool changing_ = false;
    bool readOnly_ = false;

private:
    void WriteText(const std::string& s);

    TValueType valueType_ = TValueType::vtInteger;
    Extended increment_ = 1.0L;
    Extended minValue_ = 0, maxValue_ = 0, lastValue_ = 0;
    bool checkMin_ = false, checkMax_ = false;
    bool autoCheckMin_ = true, autoCheckMax_ = true;
    TXcCheckOptions checkOptions_ = kAllCheckOptions;
    int decimal_ = 2;
    bool thousands_ = false;
    std::string displayFormat_;
    bool editorEnabled_ = true;
    bool arrowKeys_ = true;
    bool autoSelect_ = true;
    bool focused_ = false;
    bool loading_ = false;
    std::string text_;
    int selStart_ = 0;
    bool modified_ = false;
};

}  // namespace talvik

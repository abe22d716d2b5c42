// The spin edit's value model (see XcSpinValue.h).
#include "controls/XcSpinValue.h"

#include <algorithm>

#include "base/format.h"
#include "controls/XcXCUUtils.h"
#include "controls/XcuStrings.h"

namespace talvik {

std::string SpinRangeMessage(Extended minValue, Extended maxValue, const TNumberSeparators& sep) {
    return "Value must be between " + FloatToStrG(minValue, sep) + " and " + FloatToStrG(maxValue, sep);
}

Extended SpinTextToValue(const std::string& text, TValueType type, const std::string& displayFormat,
                         Extended minValue, const TNumberSeparators& sep) {
    try {
        switch (type) {
        case TValueType::vtInteger:
            if (auto v = TryDecimalToInt(RemoveThousands(text, sep))) return *v;
            return static_cast<Extended>(RoundHalfEven(minValue));
        case TValueType::vtHex:
            if (auto v = TryHexToInt(text)) return *v;
            return static_cast<Extended>(RoundHalfEven(minValue));
        case TValueType::vtFloat:
            if (!displayFormat.empty()) {
                if (auto v = TryTextToFloat(NormaliseNumberText(text, sep.DecimalSeparator, sep.ThousandSeparator), sep)) return *v;
            } else if (auto v = TryTextToFloat(RemoveThousands(text, sep), sep)) {
                return *v;
            }
            return minValue;
        }
    } catch (...) {
    }
    return type == TValueType::vtFloat ? minValue : static_cast<Extended>(RoundHalfEven(minValue));
}

bool SpinTextIsNumber(const std::string& text, TValueType type, const std::string& displayFormat,
                      const TNumberSeparators& sep) {
    switch (type) {
    case TValueType::vtInteger:
        return TryDecimalToInt(RemoveThousands(text, sep)).has_value();
    case TValueType::vtHex:
        return TryHexToInt(text).has_value();
    case TValueType::vtFloat:
        if (!displayFormat.empty()) return TryTextToFloat(NormaliseNumberText(text, sep.DecimalSeparator, sep.ThousandSeparator), sep).has_value();
        return TryTextToFloat(RemoveThousands(text, sep), sep).has_value();
    }
    return false;
}

std::string SpinValueToText(Extended value, TValueType type, const std::string& displayFormat, bool thousands,
                            int decimal, const TNumberSeparators& sep) {
    TFloatFormat ff = thousands ? TFloatFormat::ffNumber : TFloatFormat::ffFixed;
    switch (type) {
    case TValueType::vtFloat:
        if (!displayFormat.empty()) return FormatFloat(displayFormat, value, sep);
        return FloatToStrF(value, ff, 15, decimal, sep);
    case TValueType::vtHex:
        return IntToHexText(RoundHalfEven(value));
    case TValueType::vtInteger:
        break;
    }
    return FloatToStrF(value, ff, 15, 0, sep);
}

TXcSpinEditCore::TXcSpinEditCore() = default;

Extended TXcSpinEditCore::Value() const {
    return SpinTextToValue(EditText(), valueType_, displayFormat_, minValue_, Separators);
}

void TXcSpinEditCore::SetValue(Extended v) {
    Extended c = Clamp(v);
    bool modified = Modified();
    try {
        WriteText(SpinValueToText(c, valueType_, displayFormat_, thousands_, decimal_, Separators));
    } catch (...) {
        SetModified(modified);
        throw;
    }
    SetModified(modified);
    RefreshFocusedText();
}

void TXcSpinEditCore::WriteText(const std::string& s) { SetEditText(s); }

void TXcSpinEditCore::SetEditText(const std::string& s) {
    if (s == text_) return;
    text_ = s;
    selStart_ = std::min<int>(selStart_, static_cast<int>(text_.size()));
    Change();
}

void TXcSpinEditCore::SetSelStart(int pos) { selStart_ = std::clamp<int>(pos, 0, static_cast<int>(EditText().size())); }

Extended TXcSpinEditCore::Clamp(Extended v) const {
    if (!checkMin_ && !checkMax_) return v;
    Extended r = v;
    if (checkMin_ && minValue_ > v) r = minValue_;
    if (checkMax_ && maxValue_ < v) r = maxValue_;
    return r;
}

Extended TXcSpinEditCore::CheckValueRange(Extended v, bool raiseOnError) const {
    Extended r = Clamp(v);
    if ((checkMin_ || checkMax_) && raiseOnError && r != v)
        throw ESpinRangeError(SpinRangeMessage(minValue_, maxValue_, Separators));
    return r;
}

void TXcSpinEditCore::SetValueType(TValueType t) {
    if (t == valueType_) return;
    valueType_ = t;
    SetValue(Value());
    SetIncrement(increment_);
    if (t == TValueType::vtHex) thousands_ = false;
}

void TXcSpinEditCore::SetIncrement(Extended v) {
    // Whole-number types step by whole numbers; a step of 0 would make the buttons do nothing.
    if (valueType_ != TValueType::vtFloat) {
        v = static_cast<Extended>(RoundHalfEven(v));
        if (v == 0) v = 1;
    }
    increment_ = v;
}

void TXcSpinEditCore::SetMaxValue(Extended v) {
    if (v == maxValue_) return;
    bool checkWasDefault = !CheckMaxValueStored();
    bool wasZero = maxValue_ == 0;
    maxValue_ = v;
    if (wasZero != (v == 0)) {
        if (autoCheckMax_) checkMax_ = maxValue_ != 0 || LimitsSet();
        if (checkWasDefault && autoCheckMin_) checkMin_ = minValue_ != 0 || LimitsSet();
    }
    SetValue(Value());
}

void TXcSpinEditCore::SetMinValue(Extended v) {
    if (v == minValue_) return;
    bool checkWasDefault = !CheckMinValueStored();
    bool wasZero = minValue_ == 0;
    minValue_ = v;
    if (wasZero != (v == 0)) {
        if (autoCheckMin_) checkMin_ = minValue_ != 0 || LimitsSet();
        if (checkWasDefault && autoCheckMax_) checkMax_ = maxValue_ != 0 || LimitsSet();
    }
    SetValue(Value());
}

void TXcSpinEditCore::SetCheckMaxValue(bool v) {
    checkMax_ = maxValue_ != 0 ? true : v;
    if (loading_) autoCheckMax_ = false;
    SetValue(Value());
}

void TXcSpinEditCore::SetCheckMinValue(bool v) {
    checkMin_ = minValue_ != 0 ? true : v;
    if (loading_) autoCheckMin_ = false;
    SetValue(Value());
}

void TXcSpinEditCore::SetDecimal(int d) {
    d = std::clamp(d, 0, 255);
    if (d == decimal_) return;
    decimal_ = d;
    SetValue(Value());
}

void TXcSpinEditCore::SetThousands(bool t) {
    if (valueType_ == TValueType::vtHex || t == thousands_) return;
    Extended v = Value();
    thousands_ = t;
    SetValue(v);
}

void TXcSpinEditCore::SetDisplayFormat(const std::string& f) {
    if (f == displayFormat_) return;
    displayFormat_ = f;
    Invalidated();
}

void TXcSpinEditCore::SetFocused(bool f) {
    if (f == focused_) return;
    focused_ = f;
    Invalidated();
    RefreshFocusedText();
}

void TXcSpinEditCore::RefreshFocusedText() {
    if (valueType_ != TValueType::vtFloat || !focused_ || displayFormat_.empty()) return;
    std::string pattern = "0";
    if (decimal_ > 0) pattern += "." + std::string(static_cast<std::size_t>(decimal_), '0');
    bool modified = Modified();
    WriteText(FormatFloat(pattern, Value(), Separators));
    SetModified(modified);
}

void TXcSpinEditCore::Loaded() {
    loading_ = false;
    autoCheckMin_ = true;
    autoCheckMax_ = true;
    lastValue_ = Value();
}

void TXcSpinEditCore::Change() {
    if (changing_ || !HandleAllocated()) return;
    changing_ = true;
    int pos = SelStart();
    std::string oldText = EditText();
    try {
        if (checkOptions_ & coCheckOnChange) {
            Extended v = Value();
            Extended c = CheckValueRange(v, !(checkOptions_ & coCropBeyondLimit));
            // A text on its way to a number ("", "-", "1e") stays as typed unless it must be
            // cropped; writing the fallback value over it would make such entries impossible.
            if (c != v || SpinTextIsNumber(EditText(), valueType_, displayFormat_, Separators)) SetValue(c);
        }
    } catch (...) {
        changing_ = false;
        throw;
    }
    changing_ = false;
    SetSelStart(pos);
    Extended v = Value();
    if (v == lastValue_) return;
    if (thousands_ && SelStart() == pos) {
        std::string newText = EditText();
        auto before = [&](const std::string& s) {
            return StrCharCount(s.substr(0, std::min<std::size_t>(s.size(), static_cast<std::size_t>(pos))),
                                Separators.ThousandSeparator);
        };
        SetSelStart(pos + before(newText) - before(oldText));
    }
    FireChange();
    lastValue_ = Value();
}

void TXcSpinEditCore::UpClick() {
    if (ReadOnly()) {
        BeepError();
        return;
    }
    changing_ = true;
    std::string old = EditText();
    try {
        SetValue(Value() + increment_);
    } catch (...) {
        changing_ = false;
        throw;
    }
    changing_ = false;
    if (UpperCase(EditText()) != UpperCase(old)) {
        SetModified(true);
        Change();
    }
    if (OnTopClick) OnTopClick();
}

void TXcSpinEditCore::DownClick() {
    if (ReadOnly()) {
        BeepError();
        return;
    }
    changing_ = true;
    std::string old = EditText();
    try {
        SetValue(Value() - increment_);
    } catch (...) {
        changing_ = false;
        throw;
    }
    changing_ = false;
    if (UpperCase(EditText()) != UpperCase(old)) {
        SetModified(true);
        Change();
    }
    if (OnBottomClick) OnBottomClick();
}

bool TXcSpinEditCore::IsValidChar(char key) const {
    bool control = static_cast<unsigned char>(key) < 32;
    if (!editorEnabled_) return control && key != 8;
    if (control) return true;
    std::string valid = "+-0123456789";
    const std::string text = EditText();
    switch (valueType_) {
    case TValueType::vtFloat:
        if (text.find(Separators.DecimalSeparator) == std::string::npos) {
            valid += Separators.DecimalSeparator;
            if (!(thousands_ && Separators.ThousandSeparator == '.')) valid += '.';
        }
        if (UpperCase(text).find('E') == std::string::npos) valid += "Ee";
        break;
    case TValueType::vtHex:
        valid += "ABCDEFabcdef";
        break;
    case TValueType::vtInteger:
        break;
    }
    return valid.find(key) != std::string::npos;
}

int TXcSpinEditCore::KeyDown(int vk) {
    if (arrowKeys_ && (vk == kVkUp || vk == kVkDown)) {
        if (vk == kVkUp) UpClick(); else DownClick();
        return 0;
    }
    const std::string text = EditText();
    int pos = SelStart();
    if (vk == kVkDelete && pos >= 0 && pos < static_cast<int>(text.size()) &&
        text[static_cast<std::size_t>(pos)] == Separators.DecimalSeparator)
        return kVkRight;
    if (vk == kVkBack && pos > 0 && pos <= static_cast<int>(text.size()) &&
        text[static_cast<std::size_t>(pos) - 1] == Separators.DecimalSeparator)
        return kVkLeft;
    return vk;
}

char TXcSpinEditCore::KeyPress(char key) {
    if (key == '.' && !(thousands_ && Separators.ThousandSeparator == '.')) key = Separators.DecimalSeparator;
    const std::string text = EditText();
    std::size_t sepPos = text.find(Separators.DecimalSeparator);
    if (key == Separators.DecimalSeparator && valueType_ == TValueType::vtFloat && sepPos != std::string::npos) {
        SetSelStart(static_cast<int>(sepPos) + 1);
        return 0;
    }
    if (!IsValidChar(key)) {
        BeepError();
        return 0;
    }
    if (key == '\r' || key == 27) {
        PassDialogKey(key);
        if (key == '\r') return 0;
    }
    return key;
}

void TXcSpinEditCore::MouseWheel(int delta) {
    if (delta < 1) DownClick(); else UpClick();
}

void TXcSpinEditCore::DoEnter(bool mouseDownOnControl) {
    SetFocused(true);
    if (autoSelect_ && !mouseDownOnControl) SelectAll();
}

void TXcSpinEditCore::DoExit() {
    SetFocused(false);
    if (!(checkOptions_ & coCheckOnExit)) return;
    try {
        CheckValueRange(Value(), !(checkOptions_ & coCropBeyondLimit));
        SetValue(Clamp(Value()));
    } catch (...) {
        SetFocused(true);
        SelectAll();
        TakeFocusBack();
        throw;
    }
}

void TXcSpinEditCore::KillFocusCrop() {
    if ((checkOptions_ & coCheckOnExit) && (checkOptions_ & coCropBeyondLimit)) SetValue(Clamp(Value()));
}

}  // namespace talvik

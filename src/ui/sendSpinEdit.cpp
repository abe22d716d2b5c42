// The single-command panel's number inputs (see sendSpinEdit.h).
#include "ui/sendSpinEdit.h"

#include <algorithm>

#include "ui/singleCommand.h"

namespace talvik {

TSendSpinEdit::TSendSpinEdit(TWinControl* parent, int min, int max) : min_(min), max_(max) {
    Edit = new TEdit(parent);
    UpDown = new TUpDown(parent, Edit, min, max);
    // The arrows step from what is typed, in the kind shown; the up-down would write decimal.
    UpDown->OnChangingEx = [this](TControl*, bool& allow, int, TUpDown::Direction d) {
        allow = false;
        if (d == TUpDown::Direction::None) return;
        const std::int32_t v = Value();
        SetValue(d == TUpDown::Direction::Up ? std::min(v + 1, max_) : std::max(v - 1, min_));
    };
    SetValue(min);
}

std::int32_t TSendSpinEdit::Value() const {
    const auto v = ParseSendNumber(Edit->Text(), hex_);
    if (!v) return shown_;
    return std::clamp<std::int32_t>(*v, min_, max_);
}

void TSendSpinEdit::SetValue(std::int32_t v) {
    v = std::clamp<std::int32_t>(v, min_, max_);
    shown_ = v;
    UpDown->SetPosition(v);
    Edit->SetText(FormatSendNumber(v, hex_));
}

void TSendSpinEdit::SetHex(bool hex) {
    std::int32_t v = shown_;
    try {
        v = Value();
    } catch (...) {
    }
    hex_ = hex;
    SetValue(v);
}

void TSendSpinEdit::SetBounds(int left, int top, int width, int height) {
    Edit->SetBounds(left, top, width - 17, height);
    UpDown->SetBounds(left + width - 17, top, 17, height);
}

void TSendSpinEdit::SetVisible(bool v) {
    Edit->SetVisible(v);
    UpDown->SetVisible(v);
}

void TSendSpinEdit::SetEnabled(bool e) {
    Edit->SetEnabled(e);
    UpDown->SetEnabled(e);
}

}  // namespace talvik

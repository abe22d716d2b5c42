// The single-command panel's number inputs: an edit with up-down arrows whose text is a
// decimal or hexadecimal integer, switched at run time. Built on the toolkit's edit and up-down
// (the up-down's own decimal text is not used: its steps are taken here and shown in the kind
// chosen). Win32 only.
#pragma once

#include <cstdint>

#include "toolkit/stdctrls.h"

namespace talvik {

class TSendSpinEdit {
public:
    TSendSpinEdit(TWinControl* parent, int min, int max);
    TEdit* Edit;
    TUpDown* UpDown;

    // The typed number limited to the range; text that is no number gives the last value
    // shown. A number beyond 32 bits raises "Range check error".
    std::int32_t Value() const;
    void SetValue(std::int32_t v);
    bool Hex() const { return hex_; }
    // Switches the kind; the value shown is kept and rewritten in the new kind.
    void SetHex(bool hex);
    int Min() const { return min_; }
    int Max() const { return max_; }
    void SetBounds(int left, int top, int width, int height);
    void SetVisible(bool v);
    bool Visible() const { return Edit->Visible(); }
    void SetEnabled(bool e);

private:
    int min_, max_;
    bool hex_ = false;
    std::int32_t shown_ = 0;
};

}  // namespace talvik

// TXcForm: the library's form, with the owner-window and activation rules its dialogs need.
#pragma once

#include "controls/XcExForms.h"

namespace talvik {

class TXcForm : public TXcExForm {
public:
    TXcForm();

    // A form that is not focusable is not activated by a mouse click.
    bool IsFocusable = true;
    // Lets pending enable changes run first, then shows the form modally.
    TModalResult ShowModal() override;
    // Whether the form stays on top of the others.
    void SetStayOnTop(bool onTop);

protected:
    bool MemberMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    void UpdateOwnerWindow();
};

extern TUnitVersionRegistration XcComponentUnit;

}  // namespace talvik

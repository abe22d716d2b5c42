// The form member of the extended control base family: a toolkit form whose notifications
// reach overridable operations, with keyboard cues shown when the keyboard is used.
#pragma once

#include "controls/XcExControls.h"

namespace talvik {

class TXcExForm : public TXcExWinControl<TForm> {
public:
    TXcExForm();
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override { return XcWndProc(msg, wp, lp); }

protected:
    bool MemberMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
};

extern TUnitVersionRegistration XcExFormsUnit;

}  // namespace talvik

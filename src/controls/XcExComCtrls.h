// The tree-view member of the extended control base family.
#pragma once

#include "controls/XcExControls.h"
#include "toolkit/comctrls.h"

namespace talvik {

class TXcExTreeView : public TXcExWinControl<TTreeView> {
public:
    explicit TXcExTreeView(TWinControl* parent);

protected:
    TXcExTreeView(TWinControl* parent, DWORD style);
};

extern TUnitVersionRegistration XcExComCtrlsUnit;

}  // namespace talvik

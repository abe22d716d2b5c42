// The tree-view member.
#include "controls/XcExComCtrls.h"

namespace talvik {

TUnitVersionRegistration XcExComCtrlsUnit(MakeUnitVersion("XcExComCtrls.cpp", "XCL\\run"));

TXcExTreeView::TXcExTreeView(TWinControl* parent) : TXcExWinControl<TTreeView>(parent) { HintColor = clDefault; }

TXcExTreeView::TXcExTreeView(TWinControl* parent, DWORD style) : TXcExWinControl<TTreeView>(parent, style) {
    HintColor = clDefault;
}

}  // namespace talvik

// The library's exception class lives in its header; this unit only records its version.
#include "controls/XcTypes.h"

#include "controls/XcuUnitVersioning.h"

namespace talvik {

TUnitVersionRegistration XcTypesUnit(MakeUnitVersion("XcTypes.cpp", "XCL\\run"));

}  // namespace talvik

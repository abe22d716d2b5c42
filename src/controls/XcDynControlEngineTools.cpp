// Variant tests.
#include "controls/XcDynControlEngineTools.h"

#include "base/format.h"

namespace talvik {

TUnitVersionRegistration XcDynControlEngineToolsUnit(MakeUnitVersion("XcDynControlEngineTools.cpp", "XCL\\run"));

bool XcVarIsInteger(const TXcVariant& v) {
    switch (v.VarType()) {
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord: case varLongWord:
        return true;
    default:
        return false;
    }
}

bool XcVarToBoolean(const TXcVariant& v) {
    if (v.VarType() == varBoolean) return v.AsBoolean();
    return UpperCase(v.AsString()) == "TRUE";
}

}  // namespace talvik

// Variant tests that the control wrappers use to read values handed to them.
#pragma once

#include "controls/XcuUnitVersioning.h"

#include "controls/XcVariant.h"

namespace talvik {

// True for the variant integer types (small, integer, short, byte, word, long word).
bool XcVarIsInteger(const TXcVariant& v);
// A Boolean variant gives its value; any other is compared, as upper-cased text, with "TRUE".
bool XcVarToBoolean(const TXcVariant& v);

extern TUnitVersionRegistration XcDynControlEngineToolsUnit;

}  // namespace talvik

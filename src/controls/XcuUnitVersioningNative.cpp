// The registry's platform side for the native build: no fixed address layout to rely on, so
// the module keeps a private registry.
#include "controls/XcuUnitVersioning.h"

namespace talvik {

TUnitVersioningAccess& UnitVersioningAccess() {
    static TUnitVersioningAccess access(nullptr);
    return access;
}

TModuleHandle ThisModule() {
    static const char marker = 0;
    return &marker;
}

}  // namespace talvik

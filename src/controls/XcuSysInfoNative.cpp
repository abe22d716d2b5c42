// The native build has no Windows to identify: the record keeps its defaults.
#include "controls/XcuSysInfo.h"

namespace talvik {

namespace {
TXcSystemInfo& Info() {
    static TXcSystemInfo i;
    return i;
}
}  // namespace

const TXcSystemInfo& XcSystemInfo() { return Info(); }
void LoadSystemInfo() { Info() = TXcSystemInfo{}; }

}  // namespace talvik

// Variant tests and the file-name editor's dialog flags.
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

std::uint32_t OpenDialogFlags(unsigned options) {
    // The system's flag of each option, in the order of the option set (0: none of its own).
    static constexpr std::uint32_t kFlags[] = {
        0x1,      0x2,     0x4,      0x8,     0x10,     0x100,   0x200, 0x400, 0x800, 0x1000, 0x2000,
        0x4000,   0x8000,  0x10000,  0x20000, 0x40000,  0,       0x100000, 0x400000, 0x800000,
        0x2000000, 0x10000000};
    constexpr std::uint32_t kExplorer = 0x80000;
    std::uint32_t flags = (options & ofOldStyleDialog) ? 0 : kExplorer;
    for (unsigned i = 0; i < sizeof kFlags / sizeof kFlags[0]; ++i)
        if (options & (1u << i)) flags |= kFlags[i];
    return flags;
}

}  // namespace talvik

// The Windows version table.
#include "controls/XcuSysInfo.h"

#include "controls/XcuStrings.h"

namespace talvik {

TUnitVersionRegistration XcuSysInfoUnit(MakeUnitVersion("XcuSysInfo.cpp", "XCU\\source\\windows"));

TWindowsVersion WindowsVersionCode(const TVersionFacts& f) {
    const std::string sp = StrTrim(f.ServicePack);
    if (f.Platform == TPlatform::Win9x) {
        if (f.Minor < 10) return (sp == "B" || sp == "C") ? wvWin95OSR2 : wvWin95;
        if (f.Minor < 90) {
            if (f.KernelProductVersion == 0x4005A) return wvWinME;
            return (sp == "A" || sp == "B") ? wvWin98SE : wvWin98;
        }
        if (f.Minor == 90) return wvWinME;
        return wvUnknown;
    }
    if (f.Platform != TPlatform::NT) return wvUnknown;
    switch (f.Major) {
    case 3:
        if (f.Minor == 1) return wvWinNT31;
        if (f.Minor == 5) return wvWinNT35;
        if (f.Minor == 51) return wvWinNT351;
        return wvUnknown;
    case 4:
        return wvWinNT4;
    case 5:
        if (f.Minor == 0) return wvWin2000;
        if (f.Minor == 1) return wvWinXP;
        if (f.Minor == 2) {
            if (f.ServerR2) return wvWin2003R2;
            if (f.NativeArchitecture == 0) return wvWin2003;
            return f.ProductType == 1 ? wvWinXP64 : wvWin2003;
        }
        return wvUnknown;
    case 6:
        if (f.Minor == 0) return f.ProductType == 1 ? wvWinVista : wvWinServer2008;
        return wvUnknown;
    default:
        return wvUnknown;
    }
}

void SetVersionFlags(TXcSystemInfo& info, TWindowsVersion v) {
    info.Version = v;
    switch (v) {
    case wvWin95: info.IsWin95 = true; break;
    case wvWin95OSR2: info.IsWin95OSR2 = true; break;
    case wvWin98: info.IsWin98 = true; break;
    case wvWin98SE: info.IsWin98SE = true; break;
    case wvWinME: info.IsWinME = true; break;
    case wvWinNT31: info.IsWinNT31 = info.IsWinNT3 = true; break;
    case wvWinNT35: info.IsWinNT35 = info.IsWinNT3 = true; break;
    case wvWinNT351: info.IsWinNT351 = info.IsWinNT35 = info.IsWinNT3 = true; break;
    case wvWinNT4: info.IsWinNT4 = true; break;
    case wvWin2000: info.IsWin2K = true; break;
    case wvWinXP: info.IsWinXP = true; break;
    case wvWin2003: info.IsWin2003 = true; break;
    case wvWinXP64: info.IsWinXP64 = true; break;
    case wvWin2003R2: info.IsWin2003R2 = true; break;
    case wvWinVista: info.IsWinVista = true; break;
    case wvWinServer2008: info.IsWinServer2008 = true; break;
    default: break;
    }
}

}  // namespace talvik

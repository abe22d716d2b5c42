// What the library knows of the running system, set once at start-up: processors, page size,
// allocation granularity, the platform, the kernel library, and the Windows version code.
#pragma once

#include "controls/XcuUnitVersioning.h"

#include <cstdint>
#include <string>

namespace talvik {

enum TWindowsVersion {
    wvUnknown = 0, wvWin95 = 1, wvWin95OSR2 = 2, wvWin98 = 3, wvWin98SE = 4, wvWinME = 5,
    wvWinNT31 = 6, wvWinNT35 = 7, wvWinNT351 = 8, wvWinNT4 = 9, wvWin2000 = 10, wvWinXP = 11,
    wvWin2003 = 12, wvWinXP64 = 13, wvWin2003R2 = 14, wvWinVista = 15, wvWinServer2008 = 16,
};

enum class TPlatform { Win9x, NT, Other };

// What the version code is decided from.
struct TVersionFacts {
    TPlatform Platform = TPlatform::NT;
    unsigned Major = 0, Minor = 0;
    std::string ServicePack;            // the service-pack text, as reported
    std::uint32_t KernelProductVersion = 0;  // 9x only: product version word of kernel32.dll
    bool ServerR2 = false;              // GetSystemMetrics(SM_SERVERR2) non-zero
    unsigned NativeArchitecture = 0;    // 0 = x86
    unsigned ProductType = 1;           // 1 = workstation
};

TWindowsVersion WindowsVersionCode(const TVersionFacts& f);

struct TXcSystemInfo {
    unsigned ProcessorCount = 1;
    unsigned AllocGranularity = 65536;
    unsigned PageSize = 4096;
    bool IsWinNT = true;
    std::string KernelPath;
    std::uint32_t KernelVersion = 0;
    TWindowsVersion Version = wvUnknown;
    bool IsWin95 = false, IsWin95OSR2 = false, IsWin98 = false, IsWin98SE = false, IsWinME = false,
         IsWinNT3 = false, IsWinNT31 = false, IsWinNT35 = false, IsWinNT351 = false, IsWinNT4 = false,
         IsWin2K = false, IsWinXP = false, IsWin2003 = false, IsWinXP64 = false, IsWin2003R2 = false,
         IsWinVista = false, IsWinServer2008 = false;
};

// Sets the version code and its one Boolean (NT 3.x codes also the NT 3 Boolean; 3.51 the 3.5 one).
void SetVersionFlags(TXcSystemInfo& info, TWindowsVersion v);

// The library's record, filled by LoadSystemInfo at start-up.
const TXcSystemInfo& XcSystemInfo();
void LoadSystemInfo();

extern TUnitVersionRegistration XcuSysInfoUnit;

}  // namespace talvik

// Identifies the running system at the library's start.
#include <windows.h>

#include "controls/XcuFileUtils.h"
#include "controls/XcuSysInfo.h"
#include "toolkit/core.h"

namespace talvik {

namespace {
TXcSystemInfo& Info() {
    static TXcSystemInfo i;
    return i;
}
}  // namespace

const TXcSystemInfo& XcSystemInfo() { return Info(); }

void LoadSystemInfo() {
    TXcSystemInfo info;
    SYSTEM_INFO si{};
    GetSystemInfo(&si);
    info.ProcessorCount = si.dwNumberOfProcessors;
    info.AllocGranularity = si.dwAllocationGranularity;
    info.PageSize = si.dwPageSize;

    OSVERSIONINFOEXW ver{};
    ver.dwOSVersionInfoSize = sizeof ver;
    GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&ver));
    info.IsWinNT = ver.dwPlatformId == VER_PLATFORM_WIN32_NT;

    wchar_t sys[MAX_PATH] = {};
    GetSystemDirectoryW(sys, MAX_PATH);
    info.KernelPath = Narrow(sys) + "\\kernel32.dll";
    if (!info.IsWinNT) {
        VS_FIXEDFILEINFO fi{};
        if (XcGetFileVersionFixedInfo(info.KernelPath, fi)) info.KernelVersion = fi.dwProductVersionMS;
    }

    TVersionFacts f;
    f.Platform = ver.dwPlatformId == VER_PLATFORM_WIN32_NT        ? TPlatform::NT
                 : ver.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? TPlatform::Win9x
                                                                  : TPlatform::Other;
    f.Major = ver.dwMajorVersion;
    f.Minor = ver.dwMinorVersion;
    f.ServicePack = Narrow(ver.szCSDVersion);
    f.KernelProductVersion = info.KernelVersion;
    f.ServerR2 = GetSystemMetrics(89) != 0;
    SYSTEM_INFO nsi{};
    XcGetNativeSystemInfo(nsi);
    f.NativeArchitecture = nsi.wProcessorArchitecture;
    f.ProductType = ver.wProductType;
    SetVersionFlags(info, WindowsVersionCode(f));
    Info() = info;
}

}  // namespace talvik

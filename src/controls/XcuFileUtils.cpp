// System and file helpers.
#include "controls/XcuFileUtils.h"

#include <vector>

#include "toolkit/core.h"

namespace talvik {

TUnitVersionRegistration XcuFileUtilsUnit(MakeUnitVersion("XcuFileUtils.cpp", "XCU\\source\\windows"));

bool XcGetNativeSystemInfo(SYSTEM_INFO& si) {
    using Fn = void(WINAPI*)(LPSYSTEM_INFO);
    HMODULE k = GetModuleHandleW(L"kernel32.dll");
    auto fn = k ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(k, "GetNativeSystemInfo"))) : nullptr;
    if (fn) {
        fn(&si);
        return true;
    }
    GetSystemInfo(&si);
    return false;
}

std::string XcGetModulePath(HMODULE module) {
    wchar_t buf[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameW(module, buf, MAX_PATH + 1);
    return Narrow(std::wstring(buf, n));
}

bool XcGetFileVersionFixedInfo(const std::string& fileName, VS_FIXEDFILEINFO& info) {
    std::wstring w = Widen(fileName);
    DWORD dummy = 0;
    DWORD size = GetFileVersionInfoSizeW(w.c_str(), &dummy);
    if (!size) return false;
    std::vector<char> data(size);
    if (!GetFileVersionInfoW(w.c_str(), 0, size, data.data())) return false;
    void* p = nullptr;
    UINT len = 0;
    if (!VerQueryValueW(data.data(), L"\\", &p, &len) || len != sizeof(VS_FIXEDFILEINFO)) return false;
    info = *static_cast<VS_FIXEDFILEINFO*>(p);
    return true;
}

void XcFreeLibraryAndClear(HMODULE& module) {
    if (module) FreeLibrary(module);
    module = nullptr;
}

BOOL XcBitBlt(HDC dest, int x, int y, int w, int h, HDC src, int sx, int sy, DWORD rop) {
    return BitBlt(dest, x, y, w, h, src, sx, sy, rop);
}

}  // namespace talvik

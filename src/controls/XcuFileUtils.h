// System and file helpers of the controls library (Win32): native system information, a
// module's file name, the fixed version block of a file, and freeing a loaded library.
#pragma once

#include "controls/XcuUnitVersioning.h"

#include <windows.h>

#include <string>

namespace talvik {

// GetNativeSystemInfo when the kernel has it (answers true), else GetSystemInfo (false).
bool XcGetNativeSystemInfo(SYSTEM_INFO& si);
// Full path of the module (at most 261 characters).
std::string XcGetModulePath(HMODULE module);
// The root block ("\") of the file's version resource when it is exactly 52 bytes long.
bool XcGetFileVersionFixedInfo(const std::string& fileName, VS_FIXEDFILEINFO& info);
// Frees a loaded library when the handle is set, then clears the handle.
void XcFreeLibraryAndClear(HMODULE& module);
// BitBlt with the same arguments.
BOOL XcBitBlt(HDC dest, int x, int y, int w, int h, HDC src, int sx, int sy, DWORD rop);

extern TUnitVersionRegistration XcuFileUtilsUnit;

}  // namespace talvik

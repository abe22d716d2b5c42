// Reads the fixed file information of the version resource (VS_FIXEDFILEINFO).
#include "ui/uVersionInfo.h"

#include <windows.h>

#include <vector>

#include "base/format.h"

namespace talvik {

T_Version* VersionInfo = nullptr;

namespace {
std::wstring ProgramFile() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}
}  // namespace

T_Version::T_Version() : T_Version(ProgramFile()) {}

T_Version::T_Version(const std::wstring& file) : file_(file) { LoadVersion(); }

void T_Version::LoadVersion() {
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(file_.c_str(), &handle);
    if (size == 0) return;
    std::vector<unsigned char> buffer(size);
    if (!GetFileVersionInfoW(file_.c_str(), 0, size, buffer.data())) return;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT len = 0;
    if (!VerQueryValueW(buffer.data(), L"\\", reinterpret_cast<void**>(&info), &len) || !info ||
        len < sizeof(VS_FIXEDFILEINFO))
        return;
    Major = HIWORD(info->dwFileVersionMS);
    Minor = LOWORD(info->dwFileVersionMS);
    Release = HIWORD(info->dwFileVersionLS);
    Build = LOWORD(info->dwFileVersionLS);
}

std::string T_Version::VersionText() const { return Format("%d.%d.%d.%d", Major, Minor, Release, Build); }

}  // namespace talvik

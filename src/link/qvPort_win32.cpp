// Probing which com port numbers exist on this machine (Win32).
#include "link/qvPort_win32.h"

#include <windows.h>

namespace talvik {

bool comportpresent(std::uint32_t N) {
    if (N == 0) return false;
    const std::string name = comportname(static_cast<std::int32_t>(N));
    HANDLE h = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
        return true;
    }
    return GetLastError() == ERROR_ACCESS_DENIED;
}

std::int16_t findcomport(std::int16_t Start, TPortDirection Direction) {
    return findcomport(Start, Direction, [](std::int32_t n) { return comportpresent(static_cast<std::uint32_t>(n)); });
}

}  // namespace talvik

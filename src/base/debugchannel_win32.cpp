// Windows: the debug channel is OutputDebugStringA, one line a call.
#include <windows.h>

#include <string>

#include "base/debugchannel.h"

namespace talvik {
void PlatformDebugOut(std::string_view line) {
    std::string s(line);
    OutputDebugStringA(s.c_str());
}
}  // namespace talvik

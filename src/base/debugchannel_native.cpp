// Native builds: the debug channel is stderr, one line a call.
#include <cstdio>

#include "base/debugchannel.h"

namespace talvik {
void PlatformDebugOut(std::string_view line) {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
}
}  // namespace talvik

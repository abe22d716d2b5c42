// The millisecond clock of the native build (tests of the pure logic).
#include <chrono>

#include "serial/KsMisc.h"

namespace talvik {

std::uint32_t PlatformTimeGetTime() {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return static_cast<std::uint32_t>(ms.count());
}

}  // namespace talvik

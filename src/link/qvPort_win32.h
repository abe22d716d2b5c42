// Probing which com port numbers exist on this machine (Win32).
#pragma once

#include <cstdint>

#include "link/qvLink.h"

namespace talvik {

// Opens "\\.\COM<N>" to see whether it exists; a port held by another program counts as present.
bool comportpresent(std::uint32_t N);

// findcomport over the ports of this machine.
std::int16_t findcomport(std::int16_t Start, TPortDirection Direction);

}  // namespace talvik

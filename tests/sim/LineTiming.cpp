// Byte timing of a simulated serial line.
#include "LineTiming.h"

namespace talvik::sim {

LineTiming::LineTiming(std::uint32_t baud)
    : byteUs_(baud ? (10'000'000ull + baud / 2) / baud : 0) {}

std::uint64_t LineTiming::Transmit(std::uint64_t nowUs) {
    const std::uint64_t start = nowUs > busyUntilUs_ ? nowUs : busyUntilUs_;
    busyUntilUs_ = start + byteUs_;
    return busyUntilUs_;
}

}  // namespace talvik::sim

// Time that bytes spend on a serial line: a byte handed to a busy line waits for the bytes
// before it, then takes ten bit times (start, eight data bits, stop) at the line speed.
#pragma once

#include <cstdint>

namespace talvik::sim {

class LineTiming {
public:
    explicit LineTiming(std::uint32_t baud);

    // Microseconds one byte occupies the line.
    std::uint64_t ByteTimeUs() const { return byteUs_; }

    // Hands a byte to the line at nowUs; returns when its last bit has arrived at the far end.
    std::uint64_t Transmit(std::uint64_t nowUs);

    // Forgets bytes still on the line (the line was closed).
    void Reset() { busyUntilUs_ = 0; }

private:
    std::uint64_t byteUs_;
    std::uint64_t busyUntilUs_ = 0;
};

}  // namespace talvik::sim

// Windows-only helpers of the serial library's small services.
#pragma once

#include <cstdint>

namespace talvik {

// Performance-counter units per millisecond; 0 when the multimedia clock is used.
extern const std::uint32_t PerfPerMs;

// Takes at most one message from the calling thread's queue and handles it. 0 when the queue
// was empty, otherwise non-zero (the message number in the low 16 bits). A quit message is
// posted again so the main loop still sees it.
int SafeYield();

}  // namespace talvik

// What a write may spend before it counts as failed: read-back replies per attempt, attempts of
// one setting, errors of a whole-list run. The write paths keep to these, and the tests that
// judge a run from what the regulator heard allow exactly these. Pure C++.
#pragma once

#include <cmath>
#include <cstdint>

namespace talvik::writelimits {

// A write attempt is verified once this many read-back replies in a row agree on the value...
inline constexpr std::int32_t AgreeingReplies = 2;
// ...and counts as failed after this many replies that did not.
inline constexpr std::int32_t MaxVerifySamples = 6;
// A single setting's write is sent again once.
inline constexpr std::int32_t SingleWriteAttempts = 2;
// Errors a whole-list run survives in all (its RAM phase aborts beyond).
inline constexpr std::int32_t MaxBulkErrors = 20;

// In the EEPROM phase of a whole-list run, the setting numbered Done (the first is 1) is tried
// again while the run's errors stay under log2(Done) + 2: the further the run, the more it may
// spend. Past log2(Done) + 3 the run ends before another unlock frame goes out.
inline bool BulkRetryAllowed(std::int32_t Errors, std::int32_t Done) {
    return Errors < std::log2(static_cast<double>(Done)) + 2;
}
inline bool BulkBudgetSpent(std::int32_t Errors, std::int32_t Done) {
    return Errors > std::log2(static_cast<double>(Done)) + 3;
}

}  // namespace talvik::writelimits

// How the link paces the line: the waits it arms between a frame and its next step, how often it
// looks for a reply and how often it asks again. The read and write paths keep to these, and the
// tests that judge a run from what the regulator heard take their numbers from here. Pure C++.
#pragma once

#include <cstdint>

#include "serial/KsMisc.h"

namespace talvik::linktiming {

// A wait is armed in ticks of the port's timer.
inline constexpr std::int32_t TickMs = KsTickMs;

// A read's reply is first looked for this many ticks after its frame went out...
inline constexpr std::int32_t FirstLookTicks = 2;
// ...and on a direct line again each this many ticks (through a call: the path delay set by the user).
inline constexpr std::int32_t DirectReplyTicks = 2;
// One frame of a read is looked at this many times before the link gives up on it...
inline constexpr std::int32_t LooksPerSend = 6;
// ...and sent this many times in all before the read ends with "Timeout".
inline constexpr std::int32_t SendsPerRead = 4;
// An address of a read fails once this many samples brought no two agreeing data bytes.
inline constexpr std::int32_t MaxReadSamples = 11;

// A read-back of a write is looked at this many times before the attempt counts as failed.
inline constexpr std::int32_t ReadBackLooks = 7;
// Writes: the short wait after an unlock frame before its write goes, the long one after a write
// before it is read back (and after a failed attempt before the next). A call's path is slower.
inline constexpr std::int32_t DirectShortTicks = 4, DirectLongTicks = 11;
inline constexpr std::int32_t CallShortTicks = 6, CallLongTicks = 13;

}  // namespace talvik::linktiming

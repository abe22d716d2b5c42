// The machine's side of the one-second tick: local time in the system's formats and the free
// space of the current drive. Win32 only.
#pragma once

#include <cstdint>

#include "ui/mainTimer.h"

namespace talvik {

// The hour and "long time, three blanks, short date" in the user's formats.
TimerNow SystemTimerNow();
// Bytes free on the drive of the current directory; 0 when it cannot be asked.
std::int64_t CurrentDriveFreeSpace();

}  // namespace talvik

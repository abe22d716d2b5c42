// The machine's side of the one-second tick: local time in the system's formats and the free
// space of a file's drive. Win32 only.
#pragma once

#include <cstdint>
#include <string>

#include "ui/mainTimer.h"

namespace talvik {

// The hour and "long time, three blanks, short date" in the user's formats.
TimerNow SystemTimerNow();
// Bytes free to this user on the drive that holds the file named (its folder need only be
// reachable); 0 when it cannot be asked.
std::int64_t DriveFreeSpace(const std::string& fileName);

}  // namespace talvik

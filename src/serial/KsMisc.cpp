// Clock, tick timers and the small helpers of the serial library.
#include "serial/KsMisc.h"

#include <atomic>
#include <filesystem>
#include <system_error>

namespace talvik {

namespace {
std::atomic<KsClockFunc> gClock{nullptr};
}

void SetKsClock(KsClockFunc clock) { gClock.store(clock); }

std::uint32_t KsTimeGetTime() {
    KsClockFunc c = gClock.load();
    return c ? c() : PlatformTimeGetTime();
}

std::int32_t KsTicksNow() { return static_cast<std::int32_t>(KsTimeGetTime() / KsTickMs); }

void NewTimer(EventTimer& et, std::int32_t ticks) {
    if (ticks < 0) ticks = 0;
    if (ticks > MaxTicks) ticks = MaxTicks;
    et.StartTicks = KsTicksNow();
    et.ExpireTicks = et.StartTicks + ticks;
}

// The time run since the start is taken modulo the clock's tick range, so a timer started just
// before the wrap expires after its span and not weeks later.
bool TimerExpiredAt(const EventTimer& et, std::int32_t nowTicks) {
    std::int64_t elapsed = std::int64_t{nowTicks} - et.StartTicks;
    if (elapsed < 0) elapsed += KsTickRange;
    std::int64_t span = std::int64_t{et.ExpireTicks} - et.StartTicks;
    return elapsed > span;
}

bool TimerExpired(const EventTimer& et) { return TimerExpiredAt(et, KsTicksNow()); }

bool ExistFile(const std::string& name) {
    std::error_code ec;
    const auto when = std::filesystem::last_write_time(
        std::filesystem::path(std::u8string(name.begin(), name.end())), ec);
    (void)when;
    return !ec;
}

}  // namespace talvik

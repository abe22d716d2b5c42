// Small shared services of the serial library: the millisecond clock, one-shot timers counted in
// ticks of 55 ms that survive the clock's 32-bit wrap, flag and file tests, and the base class of
// the library's components. Pure logic: the platform clock is bound at link time (KsMiscWin32.cpp
// on Windows, KsMiscNative.cpp for the native tests) and can be replaced by a test clock.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace talvik {

// Milliseconds, wrapping at 2^32.
std::uint32_t KsTimeGetTime();

// The clock behind KsTimeGetTime; nullptr restores the platform clock. Tests use it to put
// the clock anywhere, including just before its wrap.
using KsClockFunc = std::uint32_t (*)();
void SetKsClock(KsClockFunc clock);

// The platform's own millisecond clock (defined per platform).
std::uint32_t PlatformTimeGetTime();

inline constexpr std::int32_t KsTickMs = 55;
// Ticks the millisecond clock runs through before it wraps: 0 .. 2^32-1 ms gives ticks
// 0 .. 78090314, so 78090315 distinct tick values.
inline constexpr std::int64_t KsTickRange = (std::int64_t{1} << 32) / KsTickMs + 1;
// The largest span a timer may have: half the tick range of the clock.
inline constexpr std::int32_t MaxTicks = 39045157;

struct EventTimer {
    std::int32_t StartTicks = 0;
    std::int32_t ExpireTicks = 0;
};

// Ticks since the clock's origin (the millisecond clock divided by 55).
std::int32_t KsTicksNow();

void NewTimer(EventTimer& et, std::int32_t ticks);
bool TimerExpired(const EventTimer& et);
// The same test against a given tick count (the clock's current one in TimerExpired).
bool TimerExpiredAt(const EventTimer& et, std::int32_t nowTicks);

inline bool FlagIsSet(std::uint32_t flags, std::uint32_t mask) { return (flags & mask) != 0; }
bool ExistFile(const std::string& name);

// Component state bits of the library's components.
enum : std::uint32_t { csLoading = 1, csDesigning = 2 };

// Base of the serial library's components. A component may belong to an owner; the owner keeps
// its components in the order they were inserted, which is the order the library's searches walk
// (a telephony device looking for its com port, history log or status window). Ownership here is
// only that list: the owner does not free what it lists.
class TKslBaseComponent {
public:
    TKslBaseComponent() = default;
    virtual ~TKslBaseComponent();
    TKslBaseComponent(const TKslBaseComponent&) = delete;
    TKslBaseComponent& operator=(const TKslBaseComponent&) = delete;

    TKslBaseComponent* Owner() const { return owner_; }
    const std::vector<TKslBaseComponent*>& Components() const { return components_; }
    // Puts component among this one's components (leaving its former owner) and tells every
    // component of this one, the new one included.
    void InsertComponent(TKslBaseComponent* component);
    void RemoveComponent(TKslBaseComponent* component);
    // Told when a component joins (Inserting) or leaves the owner's list.
    virtual void Notification(TKslBaseComponent* /*Component*/, bool /*Inserting*/) {}

    std::string Version() const { return "v4.07"; }
    // Stored forms carry the value; it is accepted and ignored.
    void SetVersion(const std::string&) {}

    std::uint32_t ComponentState = 0;
    bool Loading() const { return (ComponentState & csLoading) != 0; }
    bool Designing() const { return (ComponentState & csDesigning) != 0; }

private:
    TKslBaseComponent* owner_ = nullptr;
    std::vector<TKslBaseComponent*> components_;
};

}  // namespace talvik

// Clock, tick timers and the small helpers of the serial library.
#include "serial/KsMisc.h"

#include <algorithm>
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

namespace talvik {

TKslBaseComponent::~TKslBaseComponent() {
    // The owned leave first so that none of them points back at a component that is gone.
    while (!components_.empty()) RemoveComponent(components_.back());
    if (owner_) owner_->RemoveComponent(this);
}

void TKslBaseComponent::InsertComponent(TKslBaseComponent* component) {
    if (!component || component == this || component->owner_ == this) return;
    if (component->owner_) component->owner_->RemoveComponent(component);
    component->owner_ = this;
    components_.push_back(component);
    const std::vector<TKslBaseComponent*> listed = components_;
    for (TKslBaseComponent* c : listed) c->Notification(component, true);
}

void TKslBaseComponent::RemoveComponent(TKslBaseComponent* component) {
    auto it = std::find(components_.begin(), components_.end(), component);
    if (it == components_.end()) return;
    components_.erase(it);
    component->owner_ = nullptr;
    const std::vector<TKslBaseComponent*> listed = components_;
    for (TKslBaseComponent* c : listed) c->Notification(component, false);
}

}  // namespace talvik

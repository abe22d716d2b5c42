// The dispatcher's triggers: the timer, status and available-data triggers an application
// adds, arms and removes, the windows that receive their messages, the saved set kept across a
// re-open, and the timing of the timer triggers.
#include "serial/KsUser.h"

#include <algorithm>

namespace talvik {

void TKslBaseDispatcher::ResetTriggers() {
    std::lock_guard<std::recursive_mutex> g(DataSection);
    LenTrigger = 0;
    TimerTriggers.clear();
    StatusTriggers.clear();
    TriggerCounter = 1;
}

std::int32_t TKslBaseDispatcher::NewTriggerHandle() {
    auto used = [this](std::int32_t h) {
        for (const auto& t : TimerTriggers)
            if (t.Handle == h) return true;
        for (const auto& t : StatusTriggers)
            if ((t.Handle & ~7) == h) return true;
        return false;
    };
    // Handles restored from an earlier open are skipped, so no two triggers share one.
    while (TriggerCounter < 4096) {
        const std::int32_t h = TriggerCounter * 8;
        ++TriggerCounter;
        if (!used(h)) return h;
    }
    for (std::int32_t h = 8; h <= 4096 * 8; h += 8)
        if (!used(h)) return h;
    return 0;
}

std::int32_t TKslBaseDispatcher::AddTimerTrigger() {
    std::lock_guard<std::recursive_mutex> g(DataSection);
    const std::int32_t h = NewTriggerHandle();
    if (h == 0) return -5001;
    TTimerTrigger t;
    t.Handle = h;
    TimerTriggers.push_back(t);
    AddDispatchEntry(5, 14, static_cast<std::uint32_t>(h), nullptr, 0);
    return h;
}

std::int32_t TKslBaseDispatcher::AddStatusTrigger(std::uint16_t sType) {
    if (sType > 5) return -1002;
    std::lock_guard<std::recursive_mutex> g(DataSection);
    const std::int32_t h = NewTriggerHandle();
    if (h == 0) return -5001;
    TStatusTrigger t;
    t.Handle = h + sType;
    t.SType = sType;
    StatusTriggers.push_back(t);
    const std::uint8_t b = static_cast<std::uint8_t>(sType);
    AddDispatchEntry(5, 15, static_cast<std::uint32_t>(t.Handle), &b, 1);
    return t.Handle;
}

std::int32_t TKslBaseDispatcher::SetTimerTrigger(std::int32_t handle, std::int32_t ticks,
                                                 bool activate) {
    std::lock_guard<std::recursive_mutex> g(DataSection);
    if (handle < 2) return -5003;
    for (auto& t : TimerTriggers) {
        if (t.Handle != handle) continue;
        if (activate) {
            if (ticks != 0) t.Ticks = ticks;
            NewTimer(t.Timer, t.Ticks);
            t.ArmedMs = KsTimeGetTime();
            t.SpanMs = static_cast<std::uint32_t>(std::clamp(t.Ticks, 0, MaxTicks)) * KsTickMs;
            t.AwaitSeq = outQueuedSeq_.load();
            t.AwaitingOutput = t.AwaitSeq != outDoneSeq_.load();
            t.Active = true;
            WakeDispatcher();
            const std::int32_t v = t.Ticks;
            AddDispatchEntry(9, 14, static_cast<std::uint32_t>(handle), &v, 4);
        } else {
            t.Active = false;
            AddDispatchEntry(9, 14, static_cast<std::uint32_t>(handle), "Deactivated", 11);
        }
        return 0;
    }
    return -5003;
}

std::int32_t TKslBaseDispatcher::SetStatusTrigger(std::int32_t handle, std::uint16_t value,
                                                  bool activate) {
    std::lock_guard<std::recursive_mutex> g(DataSection);
    if (handle < 2) return -5003;
    for (auto& t : StatusTriggers) {
        if (t.Handle != handle) continue;
        if (activate) {
            switch (t.SType) {
                case stModem: {
                    const std::uint8_t mask = value & 0xFF;
                    t.Value = static_cast<std::uint16_t>((mask << 8) | (mask & ModemStatus));
                    break;
                }
                case stLine: {
                    std::uint16_t v = 0;
                    if (value & 1) v |= ceOverrun;
                    if (value & 2) v |= ceRxParity;
                    if (value & 4) v |= ceFrame;
                    if (value & 8) v |= ceBreak;
                    t.Value = v;
                    break;
                }
                case stOutBuffFree:
                case stOutBuffUsed:
                    t.Value = value;
                    break;
                default:
                    break;
            }
        }
        t.Active = activate;
        StatusTriggersChanged();
        const std::uint8_t rec[4] = {static_cast<std::uint8_t>(t.Value & 0xFF),
                                     static_cast<std::uint8_t>(t.Value >> 8),
                                     static_cast<std::uint8_t>(t.Active), static_cast<std::uint8_t>(t.Hit)};
        AddDispatchEntry(9, 15, static_cast<std::uint32_t>(handle), rec, 4);
        return 0;
    }
    return -5003;
}

void TKslBaseDispatcher::SetLenTrigger(std::int32_t length) {
    std::lock_guard<std::recursive_mutex> g(DataSection);
    LenTrigger = length;
    AddDispatchEntry(9, 16, static_cast<std::uint32_t>(length), nullptr, 0);
}

std::int32_t TKslBaseDispatcher::RemoveTrigger(std::int32_t handle) {
    std::lock_guard<std::recursive_mutex> g(DataSection);
    if (handle == 1) {
        LenTrigger = 0;
        return 0;
    }
    if (handle < 2) return -5003;
    for (auto it = TimerTriggers.begin(); it != TimerTriggers.end(); ++it) {
        if (it->Handle == handle) {
            TimerTriggers.erase(it);
            AddDispatchEntry(6, 6, static_cast<std::uint32_t>(handle), nullptr, 0);
            return 0;
        }
    }
    for (auto it = StatusTriggers.begin(); it != StatusTriggers.end(); ++it) {
        if (it->Handle == handle) {
            const std::uint8_t b = static_cast<std::uint8_t>(it->SType);
            StatusTriggers.erase(it);
            StatusTriggersChanged();
            AddDispatchEntry(6, 15, static_cast<std::uint32_t>(handle), &b, 1);
            return 0;
        }
    }
    return -5003;
}

void TKslBaseDispatcher::RegisterWndTriggerHandler(std::uintptr_t window) {
    std::lock_guard<std::recursive_mutex> g(DataSection);
    auto h = std::make_unique<TWndHandler>();
    h->Window = window;
    WndTriggerHandlers.push_back(std::move(h));
    DispActive.store(true);
    AddDispatchEntry(7, 17, static_cast<std::uint32_t>(window), nullptr, 0);
}

void TKslBaseDispatcher::DeregisterWndTriggerHandler(std::uintptr_t window) {
    std::lock_guard<std::recursive_mutex> g(DataSection);
    for (auto it = WndTriggerHandlers.begin(); it != WndTriggerHandlers.end(); ++it) {
        if ((*it)->Window != window || (*it)->Deleted) continue;
        AddDispatchEntry(8, 17, static_cast<std::uint32_t>(window), nullptr, 0);
        if (EventBusy.load()) {
            (*it)->Deleted = true;
            DeletePending = true;
        } else {
            WndTriggerHandlers.erase(it);
            UpdateHandlerFlags(0);
        }
        return;
    }
    UpdateHandlerFlags(0);
}

void TKslBaseDispatcher::UpdateHandlerFlags(std::uint8_t flagUpdate) {
    std::lock_guard<std::recursive_mutex> g(DataSection);
    const bool others = WndTriggerHandlers.size() > 1;
    switch (flagUpdate) {
        case 0:
            DispActive.store(others || PortHandlerOn);
            break;
        case 1:
            PortHandlerOn = true;
            DispActive.store(true);
            break;
        case 2:
            PortHandlerOn = false;
            DispActive.store(others);
            break;
        default:
            break;
    }
}

void TKslBaseDispatcher::SaveTriggers(TriggerSave& save) {
    std::lock_guard<std::recursive_mutex> g(DataSection);
    save.LenTrigger = LenTrigger;
    save.Timers = TimerTriggers;
    save.Statuses = StatusTriggers;
    save.TriggerCounter = TriggerCounter;
}

void TKslBaseDispatcher::RestoreTriggers(const TriggerSave& save) {
    std::lock_guard<std::recursive_mutex> g(DataSection);
    LenTrigger = save.LenTrigger;
    TimerTriggers = save.Timers;
    StatusTriggers = save.Statuses;
    StatusTriggersChanged();
    WakeDispatcher();
    // Fresh handles continue after the restored ones instead of starting at 8 again.
    TriggerCounter = std::max(TriggerCounter, save.TriggerCounter);
    for (const auto& t : TimerTriggers) TriggerCounter = std::max(TriggerCounter, t.Handle / 8 + 1);
    for (const auto& t : StatusTriggers) TriggerCounter = std::max(TriggerCounter, t.Handle / 8 + 1);
}

void TKslBaseDispatcher::ClearSaveBuffers(TriggerSave& save) {
    save.Timers.clear();
    save.Statuses.clear();
    save.LenTrigger = 0;
}

bool TKslBaseDispatcher::RemoveSavedTrigger(TriggerSave& save, std::int32_t handle) {
    if (handle == 1) {
        save.LenTrigger = 0;
        return true;
    }
    auto t = std::find_if(save.Timers.begin(), save.Timers.end(),
                          [&](const TTimerTrigger& x) { return x.Handle == handle; });
    if (t != save.Timers.end()) {
        save.Timers.erase(t);
        return true;
    }
    auto s = std::find_if(save.Statuses.begin(), save.Statuses.end(),
                          [&](const TStatusTrigger& x) { return x.Handle == handle; });
    if (s != save.Statuses.end()) {
        save.Statuses.erase(s);
        return true;
    }
    return false;
}

namespace {
std::uint32_t EffectiveSpan(const TTimerTrigger& t) {
    return t.AwaitingOutput ? t.SpanMs + KsTickMs : t.SpanMs;
}
}  // namespace

// Differences of the clock are taken signed, so they hold across its wrap; a span is below
// 2^31 ms. The start may lie a little ahead (a frame's guard after its hand-over).
bool TimerTriggerDue(const TTimerTrigger& t, std::uint32_t nowMs) {
    const std::int64_t elapsed = static_cast<std::int32_t>(nowMs - t.ArmedMs);
    return elapsed > static_cast<std::int64_t>(EffectiveSpan(t));
}

std::uint32_t TimerTriggerMsLeft(const TTimerTrigger& t, std::uint32_t nowMs) {
    const std::int64_t elapsed = static_cast<std::int32_t>(nowMs - t.ArmedMs);
    const std::int64_t span = EffectiveSpan(t);
    return elapsed > span ? 0 : static_cast<std::uint32_t>(span + 1 - elapsed);
}

void TKslBaseDispatcher::OutputHandedOver(std::uint32_t seq) {
    // The time first, then the count: whoever sees the count sees a time at least as new.
    outDoneMs_.store(KsTimeGetTime());
    outDoneSeq_.store(seq);
    WakeDispatcher();
}

void TKslBaseDispatcher::SettleAwaitingTimers() {
    const std::uint32_t done = outDoneSeq_.load();
    const std::uint32_t doneMs = outDoneMs_.load();
    for (auto& t : TimerTriggers) {
        if (!t.Active || !t.AwaitingOutput) continue;
        if (static_cast<std::int32_t>(done - t.AwaitSeq) < 0) continue;
        t.AwaitingOutput = false;
        const std::uint32_t from = doneMs + OutputGuardMs;
        if (static_cast<std::int32_t>(from - t.ArmedMs) > 0) t.ArmedMs = from;
    }
}

// The dispatcher sleeps until the first armed timer is due, so each one fires when its span
// has run rather than at the next pass of a poll. Arming a trigger wakes it to wait anew.
int TKslBaseDispatcher::MsUntilNextTimer(int maxMs) {
    std::lock_guard<std::recursive_mutex> g(DataSection);
    SettleAwaitingTimers();
    const std::uint32_t nowMs = KsTimeGetTime();
    std::uint32_t best = static_cast<std::uint32_t>(std::max(maxMs, 0));
    for (const auto& t : TimerTriggers)
        if (t.Active) best = std::min(best, TimerTriggerMsLeft(t, nowMs));
    return static_cast<int>(best);
}

void TKslBaseDispatcher::WakeDispatcher() {
    InQueue.Event().Set();
    if (DispWakeEvent) DispWakeEvent->Set();
}

void TKslBaseDispatcher::StatusTriggersChanged() {
    if (StatusWakeEvent) StatusWakeEvent->Set();
}

std::uint32_t TKslBaseDispatcher::WantedEventMask() {
    std::lock_guard<std::recursive_mutex> g(DataSection);
    std::uint32_t mask = 0;
    for (const auto& t : StatusTriggers) {
        if (!t.Active) continue;
        if (t.SType == stModem) mask |= evCTS | evDSR | evRLSD | evRing;
        if (t.SType == stLine) mask |= evBreak | evErr;
    }
    return mask;
}

}  // namespace talvik

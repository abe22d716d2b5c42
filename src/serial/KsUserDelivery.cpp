// Delivery of the triggers on the dispatcher thread: each pass takes the device layer's queued
// status and data, checks the triggers and sends each firing to the registered windows.
#include "serial/KsUser.h"

#include <algorithm>

namespace talvik {

TDeliveryResult TKslBaseDispatcher::SendWindowMessage(std::uintptr_t, std::uint32_t,
                                                      std::uint32_t, std::int32_t) {
    return TDeliveryResult::Failed;
}

void TKslBaseDispatcher::AwaitHandledDelivery() {
    const std::uint32_t deadline = KsTimeGetTime() + ThreadEndBoundMs;
    while (EventBusy.load() && deliveryAcked_.load() && static_cast<std::int32_t>(deadline - KsTimeGetTime()) > 0)
        SleepMs(1);
}

bool TKslBaseDispatcher::SendEvent(std::uint32_t msg, std::uint32_t trigger, std::uint16_t data) {
    if (!DispActive.load()) return true;
    std::vector<TWndHandler*> windows;
    {
        std::lock_guard<std::recursive_mutex> g(DataSection);
        EventBusy.store(true);
        if (WndTriggerHandlers.size() > 1 || PortHandlerOn)
            for (auto& h : WndTriggerHandlers) windows.push_back(h.get());
    }
    {
        std::lock_guard<std::recursive_mutex> g(DispSection);
        MaxGetCount = 0;
        GetCount = 0;
        InAvailMessage = (msg == MsgTriggerAvail || msg == MsgTriggerData);
    }
    const std::int32_t lParam =
        static_cast<std::int32_t>((static_cast<std::uint32_t>(Handle) << 16) + data);
    bool result = true;
    bool stopped = false;
    bool lost = false;
    // No lock is held while a window handles the message: its handler may call back into
    // the dispatcher (re-arm a trigger, read bytes, close the port).
    for (TWndHandler* h : windows) {
        {
            std::lock_guard<std::recursive_mutex> g(DataSection);
            if (h->Deleted) continue;
        }
        {
            std::lock_guard<std::recursive_mutex> g(DispSection);
            GetCount = 0;
        }
        deliveryAcked_.store(false);
        const TDeliveryResult r = SendWindowMessage(h->Window, msg, trigger, lParam);
        if (r != TDeliveryResult::Delivered && !deliveryAcked_.load()) lost = true;
        if (ClosePending.load()) {
            stopped = true;
            result = false;
            break;
        }
        std::lock_guard<std::recursive_mutex> g(DispSection);
        MaxGetCount = std::max(MaxGetCount, GetCount);
    }
    {
        std::lock_guard<std::recursive_mutex> g(DispSection);
        if (InAvailMessage) {
            InAvailMessage = false;
            if (!stopped) {
                const std::int32_t take =
                    std::min<std::int32_t>(MaxGetCount, static_cast<std::int32_t>(UnreadCount()));
                DBufTail = RingAdd(DBufTail, take);
                if (take > 0 && DispatchFull.exchange(false) && DispWakeEvent) DispWakeEvent->Set();
                if (msg == MsgTriggerAvail && static_cast<std::uint32_t>(MaxGetCount) != trigger)
                    result = false;
            }
        }
        GetCount = 0;
    }
    {
        std::lock_guard<std::recursive_mutex> g(DataSection);
        EventBusy.store(false);
        if (DeletePending) {
            WndTriggerHandlers.erase(
                std::remove_if(WndTriggerHandlers.begin(), WndTriggerHandlers.end(),
                               [](const std::unique_ptr<TWndHandler>& h) { return h->Deleted; }),
                WndTriggerHandlers.end());
            DeletePending = false;
            UpdateHandlerFlags(0);
        }
    }
    if (lost && msg == MsgTriggerTimer && !stopped) {
        // The window never got the message: arm the trigger again (it is already due) so the
        // step runs at the next pass instead of being lost.
        std::lock_guard<std::recursive_mutex> g(DataSection);
        for (auto& t : TimerTriggers)
            if (t.Handle == static_cast<std::int32_t>(trigger) && !t.Active) t.Active = true;
        return false;
    }
    if (lost && msg == MsgTriggerStatus && !stopped) {
        // The same for a status change: a carrier loss that never reached the link would leave
        // it online. The trigger fires again at the next pass while its condition holds.
        std::lock_guard<std::recursive_mutex> g(DataSection);
        for (auto& t : StatusTriggers) {
            if (t.Handle != static_cast<std::int32_t>(trigger) || t.Active) continue;
            t.Active = true;
            if (t.SType == stOutSent) OutSentPending.store(true);
        }
        StatusTriggersChanged();
        return false;
    }
    return result;
}

bool TKslBaseDispatcher::StatusConditionHolds(TStatusTrigger& t, std::uint16_t& data) {
    data = 0;
    switch (t.SType) {
        case stModem:
            return (((t.Value & 0xFF) ^ ModemStatus) & (t.Value >> 8)) != 0;
        case stLine:
            return (t.Value & LastError) != 0;
        case stOutBuffFree: {
            const std::uint32_t f = OutBuffFree();
            data = static_cast<std::uint16_t>(std::min<std::uint32_t>(f, 0xFFFF));
            return t.Value <= f;
        }
        case stOutBuffUsed: {
            const std::uint32_t u = OutBuffUsed();
            data = static_cast<std::uint16_t>(std::min<std::uint32_t>(u, 0xFFFF));
            return t.Value >= u;
        }
        case stOutSent:
            return OutSentPending.load();
        default:
            return false;
    }
}

bool TKslBaseDispatcher::CheckStatusTriggers() {
    std::int32_t handle = 0;
    std::uint16_t data = 0;
    {
        std::lock_guard<std::recursive_mutex> g(DataSection);
        for (auto& t : StatusTriggers) {
            if (!t.Active || t.Hit) continue;
            std::uint16_t d = 0;
            if (!StatusConditionHolds(t, d)) continue;
            t.Active = false;
            t.Hit = true;
            StatusHit = true;
            if (t.SType == stOutSent) OutSentPending.store(false);
            handle = t.Handle;
            data = d;
            StatusTriggersChanged();
            AddDispatchEntry(2, 8, static_cast<std::uint32_t>(handle), nullptr, 0);
            break;
        }
    }
    if (handle == 0) return false;
    return SendEvent(MsgTriggerStatus, static_cast<std::uint32_t>(handle), data);
}

bool TKslBaseDispatcher::CheckTimerTriggers() {
    std::int32_t handle = 0;
    {
        std::lock_guard<std::recursive_mutex> g(DataSection);
        SettleAwaitingTimers();
        const std::uint32_t nowMs = KsTimeGetTime();
        for (auto& t : TimerTriggers) {
            if (!t.Active || !TimerTriggerDue(t, nowMs)) continue;
            t.Active = false;
            handle = t.Handle;
            AddDispatchEntry(2, 6, static_cast<std::uint32_t>(handle), nullptr, 0);
            break;
        }
    }
    if (handle == 0) return false;
    return SendEvent(MsgTriggerTimer, static_cast<std::uint32_t>(handle), 0);
}

bool TKslBaseDispatcher::CheckReceiveTriggers() {
    std::uint32_t count = 0;
    {
        std::lock_guard<std::recursive_mutex> g(DispSection);
        // No data triggers are set in this system: the scan moves straight to the head.
        ScanPos = DBufHead;
        count = InBuffUsed();
        std::int32_t len;
        {
            std::lock_guard<std::recursive_mutex> d(DataSection);
            len = LenTrigger;
        }
        if (!(len > 0 && LastAvailPos != ScanPos && count >= static_cast<std::uint32_t>(len)))
            return false;
        LastAvailPos = ScanPos;
    }
    {
        std::lock_guard<std::recursive_mutex> g(DataSection);
        AddDispatchEntry(2, 5, count, nullptr, 0);
    }
    return SendEvent(MsgTriggerAvail, count, 0);
}

void TKslBaseDispatcher::ResetHits() {
    std::lock_guard<std::recursive_mutex> g(DataSection);
    for (auto& t : StatusTriggers) t.Hit = false;
    StatusHit = false;
}

void TKslBaseDispatcher::ProcessQueue() {
    {
        // Under the ring lock: a data block peeked here must not be in use while a flush
        // clears the queue, or it would survive the flush and enter the ring after it.
        std::lock_guard<std::recursive_mutex> g(DispSection);
        TIOBuffer* item = InQueue.Peek();
        if (!item) {
            LastStatusMask = 0;
        } else if (auto* sb = dynamic_cast<TStatusBuffer*>(item)) {
            LastStatusMask = sb->Status;
            InQueue.Pop();
        } else {
            InQueue.Release(item);
            LastStatusMask = 0;
        }
    }
    if (LastStatusMask & (evRing | evRing2)) RingFlag.store(true);
    if (LastStatusMask & 0x2138) {
        std::uint8_t old;
        {
            std::lock_guard<std::recursive_mutex> g(DataSection);
            old = ModemStatus;
        }
        const std::uint8_t lines = GetModemLines() & 0xF0;
        {
            std::lock_guard<std::recursive_mutex> g(DataSection);
            ModemStatus = static_cast<std::uint8_t>(lines | (ModemStatus & 0x0F) |
                                                    (((old ^ lines) & 0xF0) >> 4));
        }
        if (!EventBusy.load()) {
            while (CheckStatusTriggers())
                if (ClosePending.load()) return;
            if (ClosePending.load()) return;
        }
    }
    if ((LastStatusMask & 0xFF) > 63) {
        RefreshStatus();
        if (!EventBusy.load()) {
            while (CheckStatusTriggers())
                if (ClosePending.load()) return;
            if (ClosePending.load()) return;
        }
    }
    ExtractData();
    if (!EventBusy.load()) {
        {
            const std::uint8_t ms = UpdateModemStatus(0xFF);
            std::lock_guard<std::recursive_mutex> g(DataSection);
            ModemStatus = ms;
        }
        while (CheckStatusTriggers())
            if (ClosePending.load()) return;
        if (ClosePending.load()) return;
        while (CheckReceiveTriggers())
            if (ClosePending.load()) return;
        if (ClosePending.load()) return;
    }
    if (StatusHit) ResetHits();
}

void TKslBaseDispatcher::ProcessTimers() {
    if (ClosePending.load() || EventBusy.load()) return;
    StatusHit = false;
    for (;;) {
        bool fired = CheckStatusTriggers();
        if (!fired) fired = CheckTimerTriggers();
        if (!fired || ClosePending.load()) break;
    }
    if (StatusHit) ResetHits();
}

}  // namespace talvik

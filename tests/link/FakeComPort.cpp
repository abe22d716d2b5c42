// The com port double of the link's tests.
#include "FakeComPort.h"

#include "base/rtl.h"
#include "serial/KsExcept.h"

namespace talvik::test {

void FakeComPort::RequireOpen() const {
    if (!IsOpen) throw Exception("ie_NOpen - device not open");
}

FakeComPort::Trigger& FakeComPort::Find(std::uint16_t Handle) {
    auto it = Triggers_.find(Handle);
    if (it == Triggers_.end()) throw Exception("Bad trigger handle");
    return it->second;
}

void FakeComPort::SetComNumber(std::uint16_t Value) {
    if (IsOpen) {
        SetOpen(false);
        ComNumber = Value;
        SetOpen(true);
    } else {
        ComNumber = Value;
    }
}

void FakeComPort::SetOpen(bool Value) {
    if (Value && !IsOpen) {
        if (FailOpen) throw Exception("ie_BadId - invalid or unsupported id");
        IsOpen = true;
        DeviceLost = false;  // a new device
        OpenedNumbers.push_back(ComNumber);
    } else if (!Value && IsOpen) {
        // Like the real component, the triggers are saved over a close and restored at the next open.
        IsOpen = false;
    }
}

std::uint16_t FakeComPort::AddTimerTrigger() {
    RequireOpen();
    const std::uint16_t h = NextHandle_++;
    Triggers_[h] = Trigger{};
    return h;
}

void FakeComPort::SetTimerTrigger(std::uint16_t Handle, std::int32_t Ticks, bool Activate) {
    RequireOpen();
    Trigger& t = Find(Handle);
    if (!t.Timer) throw Exception("Bad trigger handle");
    t.Armed = Activate;
    t.Due = Tick_ + static_cast<std::uint64_t>(Ticks < 0 ? 0 : Ticks);
}

std::uint16_t FakeComPort::AddStatusTrigger(std::uint16_t SType) {
    RequireOpen();
    if (SType > 5) throw Exception("Bad argument passed to function");
    const std::uint16_t h = NextHandle_++;
    Triggers_[h] = Trigger{false, false, 0, SType, 0, 0};
    return h;
}

void FakeComPort::SetStatusTrigger(std::uint16_t Handle, std::uint16_t Value, bool Activate) {
    RequireOpen();
    Trigger& t = Find(Handle);
    if (t.Timer) throw Exception("Bad trigger handle");
    t.Armed = Activate;
    if (Activate && t.SType == 1) {
        t.Mask = static_cast<std::uint8_t>(Value & 0xFF);
        t.Snapshot = static_cast<std::uint8_t>(ModemStatus() & t.Mask);
    }
}

// Like the dispatcher: a modem-status trigger fires once when a watched bit differs from its
// value at arming, and not again until re-armed.
void FakeComPort::FireStatusTriggers() {
    std::vector<std::uint16_t> due;
    for (const auto& [h, t] : Triggers_)
        if (!t.Timer && t.Armed && t.SType == 1 && ((ModemStatus() ^ t.Snapshot) & t.Mask) != 0) due.push_back(h);
    for (auto h : due) {
        auto it = Triggers_.find(h);
        if (it == Triggers_.end() || !it->second.Armed) continue;
        it->second.Armed = false;
        if (OnTriggerModemStatus) OnTriggerModemStatus(this);
    }
}

void FakeComPort::RemoveTrigger(std::uint16_t Handle) {
    if (!IsOpen) return;
    if (FailRemove) throw Exception("Bad trigger handle");
    Find(Handle);
    Triggers_.erase(Handle);
}

bool FakeComPort::CharReady() {
    RequireOpen();
    return !Input.empty();
}

char FakeComPort::GetChar() {
    RequireOpen();
    if (Input.empty()) throw Exception("Buffer is empty");
    const auto b = Input.front();
    Input.pop_front();
    InputFates.push_back({Tick_, true});
    return static_cast<char>(b);
}

void FakeComPort::PutString(const std::string& S) {
    RequireOpen();
    if (FailPutString) throw Exception("Output buffer too small for block");
    if (FailPutStrings > 0) {
        --FailPutStrings;
        throw Exception("Output buffer too small for block");
    }
    if (DeviceErrorCode != 0) CheckException(nullptr, DeviceErrorCode);
    if (DeviceLost) CheckException(nullptr, -161);
    SentLog.push_back({Tick_, S});
    if (OnSend) OnSend(S, NowMs());
}

void FakeComPort::FlushInBuffer() {
    RequireOpen();
    ++InFlushes;
    InputFates.insert(InputFates.end(), Input.size(), Fate{Tick_, false});
    Input.clear();
}

void FakeComPort::FlushOutBuffer() {
    RequireOpen();
    ++OutFlushes;
}

void FakeComPort::Advance(std::uint64_t Ticks) {
    for (std::uint64_t i = 0; i < Ticks; ++i) {
        ++Tick_;
        if (OnTick) OnTick(NowMs());
        if (!IsOpen) continue;
        FireStatusTriggers();
        // Fire in handle order, each once; a handler may re-arm or remove any trigger.
        std::vector<std::uint16_t> due;
        for (const auto& [h, t] : Triggers_)
            if (t.Timer && t.Armed && t.Due <= Tick_) due.push_back(h);
        for (auto h : due) {
            auto it = Triggers_.find(h);
            if (it == Triggers_.end() || !it->second.Armed || it->second.Due > Tick_) continue;
            it->second.Armed = false;
            if (OnTriggerTimer) OnTriggerTimer(this, h);
        }
    }
}

bool FakeComPort::RunUntil(const std::function<bool()>& Done, std::uint64_t MaxTicks) {
    for (std::uint64_t i = 0; i < MaxTicks; ++i) {
        if (Done()) return true;
        Advance(1);
    }
    return Done();
}

std::size_t FakeComPort::ArmedTriggers() const {
    std::size_t n = 0;
    for (const auto& [h, t] : Triggers_) n += t.Armed ? 1 : 0;
    return n;
}

bool FakeComPort::IsArmed(std::uint16_t Handle) const {
    auto it = Triggers_.find(Handle);
    return it != Triggers_.end() && it->second.Armed;
}

std::uint64_t FakeComPort::DueTick(std::uint16_t Handle) const {
    auto it = Triggers_.find(Handle);
    return it == Triggers_.end() ? 0 : it->second.Due;
}

}  // namespace talvik::test

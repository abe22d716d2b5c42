// A com port double for the link's tests: records what is sent, serves queued input, and runs
// its timer triggers on a simulated clock of 55 ms ticks, so a test can step a whole exchange
// tick by tick without waiting.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "serial/KsPortOps.h"

namespace talvik::test {

class FakeComPort : public TKslComPortOps {
public:
    static constexpr std::uint64_t TickMs = 55;

    struct Sent {
        std::uint64_t Tick;
        std::string Bytes;
    };

    // Property state, open to the tests.
    std::uint16_t ComNumber = 0;
    std::int32_t Baud = 2400;
    TParity Parity = TParity::pNone;
    std::uint16_t DataBits = 8;
    std::uint16_t StopBits = 1;
    bool IsOpen = false;
    bool AutoOpen = false;
    TTapiMode TapiMode = TTapiMode::tmOff;
    bool Dcd = false;  // carrier detect; an armed modem-status trigger watching it fires at the next tick

    // Faults to inject.
    bool FailOpen = false;       // writing Open := True raises
    bool FailRemove = false;     // RemoveTrigger raises
    bool FailPutString = false;  // PutString raises
    int FailPutStrings = 0;      // the next this many PutString calls raise
    std::int32_t DeviceErrorCode = 0;  // PutString raises the port's error of this code (its device failed)
    // The open port's device is gone, as when the cable is pulled: DeviceFailed() holds and every
    // send raises the device's read error until the port is opened again.
    bool DeviceLost = false;

    // What happened.
    std::vector<Sent> SentLog;
    std::vector<std::uint16_t> OpenedNumbers;  // ComNumber at each open
    int InFlushes = 0, OutFlushes = 0;
    std::deque<std::uint8_t> Input;
    // What became of each byte that left Input, in the order they came: taken by GetChar or
    // dropped by a flush, and at which tick.
    struct Fate {
        std::uint64_t Tick;
        bool Taken;
    };
    std::vector<Fate> InputFates;

    // The other end of the line: sees every string sent and may add input at every tick.
    std::function<void(const std::string&, std::uint64_t NowMs)> OnSend;
    std::function<void(std::uint64_t NowMs)> OnTick;

    std::uint64_t Now() const { return Tick_; }
    std::uint64_t NowMs() const { return Tick_ * TickMs; }
    void Receive(const std::vector<std::uint8_t>& Bytes) { Input.insert(Input.end(), Bytes.begin(), Bytes.end()); }

    // Runs the clock: each tick first lets the other end deliver, then fires the triggers due.
    void Advance(std::uint64_t Ticks);
    // Runs until Done holds or MaxTicks have run; true when Done held.
    bool RunUntil(const std::function<bool()>& Done, std::uint64_t MaxTicks);
    // Trigger handles that are armed, and those added and not removed.
    std::size_t ArmedTriggers() const;
    std::size_t LiveTriggers() const { return Triggers_.size(); }
    bool IsArmed(std::uint16_t Handle) const;
    std::uint64_t DueTick(std::uint16_t Handle) const;

    std::uint16_t GetComNumber() const override { return ComNumber; }
    void SetComNumber(std::uint16_t Value) override;
    std::int32_t GetBaud() const override { return Baud; }
    void SetBaud(std::int32_t Value) override { Baud = Value; }
    TParity GetParity() const override { return Parity; }
    void SetParity(TParity Value) override { Parity = Value; }
    std::uint16_t GetDataBits() const override { return DataBits; }
    void SetDataBits(std::uint16_t Value) override { DataBits = Value; }
    std::uint16_t GetStopBits() const override { return StopBits; }
    void SetStopBits(std::uint16_t Value) override { StopBits = Value; }
    bool GetOpen() const override { return IsOpen; }
    bool DeviceFailed() const override { return IsOpen && DeviceLost; }
    void SetOpen(bool Value) override;
    bool GetAutoOpen() const override { return AutoOpen; }
    void SetAutoOpen(bool Value) override { AutoOpen = Value; }
    TTapiMode GetTapiMode() const override { return TapiMode; }
    void SetTapiMode(TTapiMode Value) override { TapiMode = Value; }

    std::uint16_t AddTimerTrigger() override;
    void SetTimerTrigger(std::uint16_t Handle, std::int32_t Ticks, bool Activate) override;
    std::uint16_t AddStatusTrigger(std::uint16_t SType) override;
    void SetStatusTrigger(std::uint16_t Handle, std::uint16_t Value, bool Activate) override;
    void RemoveTrigger(std::uint16_t Handle) override;
    bool CharReady() override;
    char GetChar() override;
    void PutString(const std::string& S) override;
    void FlushInBuffer() override;
    void FlushOutBuffer() override;
    bool GetDCD() override { return IsOpen && Dcd; }
    std::uint16_t LineError() override { return 0; }
    bool LineBreak() override { return false; }
    void ProcessCommunications() override {}

private:
    struct Trigger {
        bool Timer = true;
        bool Armed = false;
        std::uint64_t Due = 0;
        std::uint16_t SType = 0;     // status triggers
        std::uint8_t Mask = 0;       // modem-status bits watched
        std::uint8_t Snapshot = 0;   // those bits when armed
    };
    std::uint8_t ModemStatus() const { return GetDCDConst() ? 0x80 : 0; }
    bool GetDCDConst() const { return IsOpen && Dcd; }
    void FireStatusTriggers();
    void RequireOpen() const;
    Trigger& Find(std::uint16_t Handle);

    std::uint64_t Tick_ = 0;
    std::uint16_t NextHandle_ = 1;
    std::map<std::uint16_t, Trigger> Triggers_;
};

}  // namespace talvik::test

// The com port as the regulator link and the main window drive it: the properties they set and
// read, the operations they call and the events they receive. The com port component
// implements this surface on its dispatcher and the Win32 device layer; native tests implement
// it with a double. Pure C++: no Win32 types here.
//
// Ticks: a timer trigger counts ticks of 55 ms; armed with N ticks it fires once.
// Failures (port not open, empty input, full output, bad handle) are raised as exceptions.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace talvik {

enum class TParity : std::uint8_t { pNone = 0, pOdd = 1, pEven = 2, pMark = 3, pSpace = 4 };
enum class TTapiMode : std::uint8_t { tmNone = 0, tmAuto = 1, tmOn = 2, tmOff = 3 };

class TKslComPortOps;

// Event types; the first argument is the port that fires the event.
using TTriggerEvent =
    std::function<void(TKslComPortOps* CP, std::uint16_t Msg, std::uint16_t TriggerHandle, std::uint16_t Data)>;
using TTriggerAvailEvent = std::function<void(TKslComPortOps* CP, std::uint16_t Count)>;
using TTriggerDataEvent = std::function<void(TKslComPortOps* CP, std::uint16_t TriggerHandle)>;
using TTriggerTimerEvent = std::function<void(TKslComPortOps* CP, std::uint16_t TriggerHandle)>;
using TTriggerStatusEvent = std::function<void(TKslComPortOps* CP, std::uint16_t TriggerHandle)>;
using TTriggerLineErrorEvent = std::function<void(TKslComPortOps* CP, std::uint16_t Error, bool LineBreak)>;
using TPortNotifyEvent = std::function<void(TKslComPortOps* Sender)>;

class TKslComPortOps {
public:
    virtual ~TKslComPortOps() = default;

    // Properties.
    // Written while open: the port is closed, renumbered and reopened with its triggers kept.
    virtual std::uint16_t GetComNumber() const = 0;
    virtual void SetComNumber(std::uint16_t Value) = 0;
    // Line settings; written while open they apply at once.
    virtual std::int32_t GetBaud() const = 0;
    virtual void SetBaud(std::int32_t Value) = 0;
    virtual TParity GetParity() const = 0;
    virtual void SetParity(TParity Value) = 0;
    virtual std::uint16_t GetDataBits() const = 0;
    virtual void SetDataBits(std::uint16_t Value) = 0;
    virtual std::uint16_t GetStopBits() const = 0;
    virtual void SetStopBits(std::uint16_t Value) = 0;
    // Writing True opens the line (a failure raises and leaves it closed); False closes it.
    virtual bool GetOpen() const = 0;
    virtual void SetOpen(bool Value) = 0;
    // With False, an operation on a closed port raises instead of opening it.
    virtual bool GetAutoOpen() const = 0;
    virtual void SetAutoOpen(bool Value) = 0;
    // True once the open port's device has failed (its threads ended on a read or write error):
    // nothing more goes through it until it is opened again, which gives it a new device.
    virtual bool DeviceFailed() const = 0;
    // tmOn while a telephony call owns the line, tmOff for a direct line or an AT modem.
    virtual TTapiMode GetTapiMode() const = 0;
    virtual void SetTapiMode(TTapiMode Value) = 0;

    // Operations (UI thread only).
    // A new inactive timer trigger; 0 while shutting down.
    virtual std::uint16_t AddTimerTrigger() = 0;
    // Arms (Activate True) or disarms the timer trigger for Ticks ticks; it fires once.
    virtual void SetTimerTrigger(std::uint16_t Handle, std::int32_t Ticks, bool Activate) = 0;
    // SType 0..5: none, modem status, line error, output buffer free, output buffer used, output sent.
    virtual std::uint16_t AddStatusTrigger(std::uint16_t SType) = 0;
    // For a modem-status trigger Value is the mask of modem-status bits to watch ($80 = carrier detect).
    virtual void SetStatusTrigger(std::uint16_t Handle, std::uint16_t Value, bool Activate) = 0;
    // Nothing on a closed port.
    virtual void RemoveTrigger(std::uint16_t Handle) = 0;
    virtual bool CharReady() = 0;
    // One byte of input; an empty input raises, so callers test CharReady first.
    virtual char GetChar() = 0;
    virtual void PutString(const std::string& S) = 0;
    virtual void FlushInBuffer() = 0;
    virtual void FlushOutBuffer() = 0;
    // Carrier detect; False unless open.
    virtual bool GetDCD() = 0;
    // The pending line error and break flag; reading clears them. 0 / False unless open.
    virtual std::uint16_t LineError() = 0;
    virtual bool LineBreak() = 0;
    // Lets the device layer yield.
    virtual void ProcessCommunications() = 0;

    // Events, always fired on the UI thread.
    TTriggerEvent OnTrigger;
    TTriggerAvailEvent OnTriggerAvail;
    TTriggerDataEvent OnTriggerData;
    TTriggerTimerEvent OnTriggerTimer;
    TTriggerStatusEvent OnTriggerStatus;
    TPortNotifyEvent OnTriggerModemStatus;
    TPortNotifyEvent OnTriggerOutbuffFree;
    TPortNotifyEvent OnTriggerOutbuffUsed;
    TPortNotifyEvent OnTriggerOutSent;
    TTriggerLineErrorEvent OnTriggerLineError;
    TPortNotifyEvent OnPortOpen;
    TPortNotifyEvent OnPortClose;
};

}  // namespace talvik

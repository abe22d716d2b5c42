// The com port component: the application's one serial line. It keeps the line settings as
// properties, opens and closes the line through a dispatcher on the Win32 device layer, forwards
// the trigger and byte operations, and turns the dispatcher's messages to its hidden window
// ("kslComWindow") into events on the UI thread. Implements the com port surface the link uses.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "serial/KsMisc.h"
#include "serial/KsExcept.h"
#include "serial/KsPortOps.h"
#include "serial/KsUser.h"

namespace talvik {

enum class TDeviceLayer : std::uint8_t { dlWin32 = 0, dlWinsock = 1 };

// Hardware flow options (a set); the flag values are those the dispatcher takes.
enum : std::uint8_t { hwfUseDTR = 1, hwfUseRTS = 2, hwfRequireDSR = 4, hwfRequireCTS = 8 };
using THWFlowOptionSet = std::uint8_t;

enum class TSWFlowOptions : std::uint8_t { swfNone = 0, swfReceive = 1, swfTransmit = 2, swfBoth = 3 };

enum class TTraceLogState : std::uint8_t {
    tlOff = 0, tlOn = 1, tlDump = 2, tlAppend = 3, tlClear = 4, tlPause = 5, tlAppendAndContinue = 6
};

// Notices the port sends to registered windows and uses for its own deferred close.
inline constexpr UINT MsgPortOpened = 0x7E08;
inline constexpr UINT MsgPortClosed = 0x7E09;
inline constexpr UINT MsgPortClosing = 0x7E0A;

class TKslCustomComPort : public TKslBaseComponent, public TKslComPortOps {
public:
    TKslCustomComPort();
    ~TKslCustomComPort() override;

    // --- the surface of the link and the main window
    std::uint16_t GetComNumber() const override { return comNumber_; }
    void SetComNumber(std::uint16_t value) override;
    std::int32_t GetBaud() const override { return baud_; }
    void SetBaud(std::int32_t value) override;
    TParity GetParity() const override { return parity_; }
    void SetParity(TParity value) override;
    std::uint16_t GetDataBits() const override { return dataBits_; }
    void SetDataBits(std::uint16_t value) override;
    std::uint16_t GetStopBits() const override { return stopBits_; }
    void SetStopBits(std::uint16_t value) override;
    bool GetOpen() const override { return open_; }
    bool DeviceFailed() const override {
        return portState_ == 2 && dispatcher_ && dispatcher_->DeviceError.load() != 0;
    }
    void SetOpen(bool value) override;
    bool GetAutoOpen() const override { return autoOpen_; }
    void SetAutoOpen(bool value) override { autoOpen_ = value; }
    TTapiMode GetTapiMode() const override { return tapiMode_; }
    void SetTapiMode(TTapiMode value) override { tapiMode_ = value; }

    std::uint16_t AddTimerTrigger() override;
    void SetTimerTrigger(std::uint16_t handle, std::int32_t ticks, bool activate) override;
    std::uint16_t AddStatusTrigger(std::uint16_t sType) override;
    void SetStatusTrigger(std::uint16_t handle, std::uint16_t value, bool activate) override;
    void RemoveTrigger(std::uint16_t handle) override;
    bool CharReady() override;
    char GetChar() override;
    void PutString(const std::string& s) override;
    void FlushInBuffer() override;
    void FlushOutBuffer() override;
    bool GetDCD() override;
    std::uint16_t LineError() override;
    bool LineBreak() override;
    void ProcessCommunications() override;

    // --- the other properties
    TDeviceLayer GetDeviceLayer() const { return deviceLayer_; }
    void SetDeviceLayer(TDeviceLayer value);
    bool PromptForPort = true;
    std::uint16_t GetInSize() const { return inSize_; }
    void SetInSize(std::uint16_t value);
    std::uint16_t GetOutSize() const { return outSize_; }
    void SetOutSize(std::uint16_t value);
    bool GetDTR() const { return dtr_; }
    void SetDTR(bool value);
    bool GetRTS() const { return rts_; }
    void SetRTS(bool value);
    THWFlowOptionSet GetHWFlowOptions() const { return hwFlow_; }
    void SetHWFlowOptions(THWFlowOptionSet value);
    TSWFlowOptions GetSWFlowOptions() const { return swFlow_; }
    void SetSWFlowOptions(TSWFlowOptions value);
    char GetXOnChar() const { return xOn_; }
    void SetXOnChar(char value);
    char GetXOffChar() const { return xOff_; }
    void SetXOffChar(char value);
    std::uint16_t GetBufferFull() const { return bufferFull_; }
    void SetBufferFull(std::uint16_t value);
    std::uint16_t GetBufferResume() const { return bufferResume_; }
    void SetBufferResume(std::uint16_t value);
    TTraceLogState GetTracing() const { return tracing_; }
    void SetTracing(TTraceLogState value);
    std::uint32_t GetTraceSize() const { return traceSize_; }
    void SetTraceSize(std::uint32_t value);
    std::string GetTraceName() const { return traceName_; }
    void SetTraceName(const std::string& value) { traceName_ = value.substr(0, 255); }
    bool TraceHex = true;
    bool TraceAllHex = false;
    TTraceLogState GetLogging() const { return logging_; }
    void SetLogging(TTraceLogState value);
    std::uint32_t GetLogSize() const { return logSize_; }
    void SetLogSize(std::uint32_t value);
    std::string GetLogName() const { return logName_; }
    void SetLogName(const std::string& value) { logName_ = value.substr(0, 255); }
    bool LogHex = true;
    bool LogAllHex = false;
    bool GetUseMSRShadow() const { return true; }
    void SetUseMSRShadow(bool) {}
    bool GetUseEventWord() const { return useEventWord_; }
    void SetUseEventWord(bool value);
    std::uint16_t CommNotificationLevel = 10;
    bool GetRS485Mode() const { return rs485_; }
    void SetRS485Mode(bool value);
    std::uint16_t GetTriggerLength() const { return triggerLength_; }
    void SetTriggerLength(std::uint16_t value);
    std::uint8_t GetThreadBoost() const { return threadBoost_; }
    void SetThreadBoost(std::uint8_t value);
    std::int32_t Tag = 0;

    // The data handle of a connected telephony call (TapiMode tmOn).
    HANDLE TapiHandle = nullptr;
    // Consulted before the built-in device layers when assigned.
    std::function<std::unique_ptr<TKslBaseDispatcher>(TKslCustomComPort*)> CustomDispatcher;

    // 0 closed, 1 shutting down, 2 open.
    std::uint8_t PortState() const { return portState_; }
    HWND WindowHandle() const { return window_; }
    // The dispatcher of an open port (nullptr while closed).
    TKslBaseDispatcher* Dispatcher() const { return dispatcher_.get(); }
    // Runs the open road for a port whose Open was set while loading.
    void Loaded();

    // --- trace and log control of an open port
    void InitTracing(std::uint32_t size);
    void DumpTrace(const std::string& name, bool inHex);
    void AppendTrace(const std::string& name, bool inHex, TTraceLogState newState);
    void ClearTracing();
    void AbortTracing();
    void StartTracing();
    void StopTracing();
    void InitLogging(std::uint32_t size);
    void DumpLog(const std::string& name, bool inHex);
    void AppendLog(const std::string& name, bool inHex, TTraceLogState newState);
    void ClearLogging();
    void AbortLogging();
    void StartLogging();
    void StopLogging();

    // The hidden window's message handling (public for the window procedure).
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

protected:
    virtual void ActivateDeviceLayer();
    virtual void DeviceLayerChanged() {}
    virtual std::int32_t InitDevice();
    virtual void PortOpenClose(bool opening);
    virtual void ValidateComNumber();
    virtual void InitPort();
    virtual void ClosePort();
    void UpdateHandlerFlags();

    void Trigger(std::uint16_t msg, std::uint16_t handle, std::uint16_t data);
    void TriggerAvail(std::uint16_t count);
    void TriggerData(std::uint16_t handle);
    void TriggerStatus(std::uint16_t handle);
    void TriggerTimer(std::uint16_t handle);
    void TriggerLineError(std::uint16_t error, bool lineBreak);
    void TriggerModemStatus();
    void TriggerOutbuffFree();
    void TriggerOutbuffUsed();
    void TriggerOutSent();

private:
    TKslBaseDispatcher* ValidDispatcher();
    std::int32_t Check(std::int32_t code) { return CheckException(this, code); }
    void FinishClose();
    void ApplyHWFlow();
    void ApplySWFlow();
    void ApplyFlowThresholds();
    void ApplyTraceState(TTraceLogState value, bool log);

    TDeviceLayer deviceLayer_ = TDeviceLayer::dlWin32;
    std::uint16_t comNumber_ = 0;
    std::int32_t baud_ = 19200;
    TParity parity_ = TParity::pNone;
    std::uint16_t dataBits_ = 8;
    std::uint16_t stopBits_ = 1;
    std::uint16_t inSize_ = 4096;
    std::uint16_t outSize_ = 4096;
    bool autoOpen_ = true;
    bool open_ = false;
    bool dtr_ = true;
    bool rts_ = true;
    THWFlowOptionSet hwFlow_ = 0;
    TSWFlowOptions swFlow_ = TSWFlowOptions::swfNone;
    char xOn_ = 17;
    char xOff_ = 19;
    std::uint16_t bufferFull_ = 0;
    std::uint16_t bufferResume_ = 0;
    TTraceLogState tracing_ = TTraceLogState::tlOff;
    std::uint32_t traceSize_ = 10000;
    std::string traceName_ = "KESL.TRC";
    TTraceLogState logging_ = TTraceLogState::tlOff;
    std::uint32_t logSize_ = 10000;
    std::string logName_ = "KESL.LOG";
    bool useEventWord_ = true;
    TTapiMode tapiMode_ = TTapiMode::tmAuto;
    bool rs485_ = false;
    std::uint16_t triggerLength_ = 1;
    std::uint8_t threadBoost_ = 0;

    bool force_ = false;
    std::uint8_t portState_ = 0;
    bool reopenPending_ = false;
    int handlingDelivery_ = 0;  // deliveries of the dispatcher being handled on this (the UI) thread
    bool openAtLoad_ = false;
    TriggerSave saved_;
    bool triggersSaved_ = false;
    HWND window_ = nullptr;
    std::unique_ptr<TKslBaseDispatcher> dispatcher_;
};

class TKslComPort : public TKslCustomComPort {
public:
    using TKslCustomComPort::TKslCustomComPort;
};

}  // namespace talvik

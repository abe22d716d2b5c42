// The telephony device: places an outgoing data call through the telephony service on a chosen
// line, retries a call that failed after a pause, and once the call is connected opens the com
// port on the call's data stream, so that the program talks to the far end as over a direct
// line. Its events always run on the UI thread, posted to its own hidden window. Also the call
// history log and the base of a call-progress window.
#pragma once

#include "serial/KsTUtil.h"

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "serial/KsMisc.h"
#include "serial/KsPort.h"
#include "serial/KsTapiCore.h"

namespace talvik {

class TKslCustomTapiDevice;
class TKslTapiLog;
class TKslAbstractTapiStatus;

// Notices to the device's hidden window, by wParam: 0 connected, 1 port open, 2 port closed,
// 3 call failed, 4 a line was added (lParam its device identifier).
inline constexpr UINT MsgTapiState = 0x7EB5;

using TTapiNotifyEvent = std::function<void(TKslCustomTapiDevice* Sender)>;
using TTapiStatusEvent = std::function<void(TKslCustomTapiDevice* CP, bool First, bool Last, std::int32_t Device,
                                            std::int32_t Message, std::int32_t Param1, std::int32_t Param2,
                                            std::int32_t Param3)>;
using TTapiLogEvent = std::function<void(TKslCustomTapiDevice* CP, TTapiLogCode Log)>;
using TTapiDTMFEvent = std::function<void(TKslCustomTapiDevice* CP, char Digit, std::int32_t ErrorCode)>;
using TTapiCallerIDEvent =
    std::function<void(TKslCustomTapiDevice* CP, const std::string& ID, const std::string& IDName)>;

// Appends one line per call event to the history file.
class TKslTapiLog : public TKslBaseComponent {
public:
    TKslTapiLog() = default;
    ~TKslTapiLog() override;
    std::string TapiHistoryName = "KESLTAPI.HIS";
    TKslCustomTapiDevice* GetTapiDevice() const { return device_; }
    void SetTapiDevice(TKslCustomTapiDevice* Device);
    // Writes the line of Code (nothing for ltapiNone or without a file name).
    virtual void UpdateLog(TTapiLogCode Code);
    void Notification(TKslBaseComponent* Component, bool Inserting) override;

private:
    TKslCustomTapiDevice* device_ = nullptr;
};

enum class TPosition : std::uint8_t {
    poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter, poMainFormCenter,
    poOwnerFormCenter
};

// The base of a call-progress window: the properties it hands to its display window and the
// operation the telephony device calls for every line message.
class TKslAbstractTapiStatus : public TKslBaseComponent {
public:
    TKslAbstractTapiStatus() = default;
    ~TKslAbstractTapiStatus() override;
    TPosition GetPosition() const { return position_; }
    void SetPosition(TPosition Value);
    bool GetCtl3D() const { return ctl3D_; }
    void SetCtl3D(bool Value);
    bool GetVisible() const { return visible_; }
    void SetVisible(bool Value);
    const std::string& GetCaption() const { return caption_; }
    void SetCaption(const std::string& Value);
    TKslCustomTapiDevice* GetTapiDevice() const { return device_; }
    void SetTapiDevice(TKslCustomTapiDevice* Device);
    // Cleared by Dial: the next message is the first line of a new call.
    bool FirstLine = true;

    virtual void UpdateDisplay(bool First, bool Last, std::int32_t Device, std::int32_t Message, std::int32_t Param1,
                               std::int32_t Param2, std::int32_t Param3) = 0;
    void Notification(TKslBaseComponent* Component, bool Inserting) override;

protected:
    // A concrete status window makes and destroys its display window; the properties are taken
    // from it when it is made and copied to it when they change.
    virtual void CreateDisplay() = 0;
    virtual void DestroyDisplay() = 0;
    HWND Display = nullptr;
    void TakeFromDisplay();

private:
    void CopyToDisplay();
    TPosition position_ = TPosition::poScreenCenter;
    bool ctl3D_ = true;
    bool visible_ = false;
    std::string caption_ = "Call Progress";
    TKslCustomTapiDevice* device_ = nullptr;
};

class TKslCustomTapiDevice : public TKslBaseComponent {
public:
    explicit TKslCustomTapiDevice(TKslBaseComponent* Owner = nullptr);
    ~TKslCustomTapiDevice() override;

    // --- properties
    const std::string& GetSelectedDevice() const { return selectedDevice_; }
    void SetSelectedDevice(const std::string& Value);
    TKslCustomComPort* GetComPort() const { return comPort_; }
    void SetComPort(TKslCustomComPort* Port);
    TKslAbstractTapiStatus* GetStatusDisplay() const { return statusDisplay_; }
    void SetStatusDisplay(TKslAbstractTapiStatus* Value);
    TKslTapiLog* GetTapiLog() const { return tapiLog_; }
    void SetTapiLog(TKslTapiLog* Value);
    std::uint8_t AnswerOnRing = 2;
    std::uint16_t RetryWait = 60;   // seconds between a failed call and the next
    std::uint16_t MaxAttempts = 3;  // calls per Dial, the first one included
    bool ShowTapiDevices = true;
    bool ShowPorts = true;
    bool GetEnableVoice() const { return enableVoice_; }
    void SetEnableVoice(bool Value);
    bool GetFilterUnsupportedDevices() const { return filterUnsupported_; }
    void SetFilterUnsupportedDevices(bool Value);

    TTapiStatusEvent OnTapiStatus;
    TTapiLogEvent OnTapiLog;
    TTapiNotifyEvent OnTapiPortOpen, OnTapiPortClose, OnTapiConnect, OnTapiFail;
    TTapiDTMFEvent OnTapiDTMF;
    TTapiCallerIDEvent OnTapiCallerID;

    // How long one wait for a reply or a call state lasts, and the pause before initialisation
    // is tried again after the service asked for a re-initialisation.
    std::uint32_t WaitTimeoutMs = 30000;
    std::uint32_t ReinitPauseMs = 5000;

    // --- operations
    void Dial(const std::string& ANumber);
    bool CancelCall();
    // 1 for OK, 2 for Cancel.
    int SelectDevice();
    // Takes the owner's com port when none is set.
    void Loaded();
    // Copies the line list, the settings, SelectedDevice, the counters, the links and the call
    // information of another device.
    void Assign(const TKslCustomTapiDevice& Source);

    // --- state
    const std::vector<std::string>& LineNames() const { return lines_; }
    std::uint16_t Attempts() const { return attempts_; }
    bool LineIsOpen() const { return lineOpen_; }
    bool IsConnected() const { return connected_; }
    bool RetryIsPending() const { return retryPending_; }
    bool Initialised() const { return lineApp_ != 0; }
    DWORD CallState() const { return callState_; }
    std::int32_t LastError() const { return lastError_; }
    const std::string& Number() const { return number_; }
    HWND WindowHandle() const { return window_; }

    // Internal: the hidden window's messages and the line callback's routing.
    LRESULT HandleMessage(UINT Msg, WPARAM wParam, LPARAM lParam);
    void LineMessage(DWORD hDevice, DWORD Msg, DWORD_PTR Param1, DWORD_PTR Param2, DWORD_PTR Param3);
    void Notification(TKslBaseComponent* Component, bool Inserting) override;

protected:
    virtual void LineCallInfo(DWORD hDevice, DWORD_PTR Param1, DWORD_PTR Param2, DWORD_PTR Param3);
    virtual void LineCallState(DWORD hDevice, DWORD_PTR Param1, DWORD_PTR Param2, DWORD_PTR Param3);
    virtual void LineClose(DWORD hDevice, DWORD_PTR Param1, DWORD_PTR Param2, DWORD_PTR Param3);
    virtual void LineCreate(DWORD hDevice, DWORD_PTR Param1, DWORD_PTR Param2, DWORD_PTR Param3);
    virtual void LineDevState(DWORD hDevice, DWORD_PTR Param1, DWORD_PTR Param2, DWORD_PTR Param3);
    virtual void LineGenerate(DWORD, DWORD_PTR, DWORD_PTR, DWORD_PTR) {}
    virtual void LineMonitorDigits(DWORD hDevice, DWORD_PTR Param1, DWORD_PTR Param2, DWORD_PTR Param3);
    virtual void LineMonitorMedia(DWORD hDevice, DWORD_PTR Param1, DWORD_PTR Param2, DWORD_PTR Param3);
    virtual void LineMonitorTone(DWORD hDevice, DWORD_PTR Param1, DWORD_PTR Param2, DWORD_PTR Param3);
    virtual void LineReply(DWORD hDevice, DWORD_PTR Param1, DWORD_PTR Param2, DWORD_PTR Param3);
    virtual void LineRequest(DWORD hDevice, DWORD_PTR Param1, DWORD_PTR Param2, DWORD_PTR Param3);

private:
    void Initialise();
    void ShutDown();
    void CleanupDeadProcesses();
    void BuildLineList();
    DWORD ResolveDeviceId();
    void StartCall();
    void DialFailed(std::int32_t Error);
    void HangupCall(bool UserCancel);
    void OpenPortOnCall();
    void RefreshCallInfo();
    void CheckVoice();
    void History(TTapiLogCode Code);
    void Report(bool First, bool Last, std::int32_t Device, std::int32_t Message, std::int32_t Param1,
                std::int32_t Param2, std::int32_t Param3);
    void Post(WPARAM Kind, LPARAM Param = 0);
    // Lets window messages run until Reached holds (0), the line is no longer open (1) or the
    // wait runs out (2).
    int WaitUntil(const std::function<bool()>& Reached);
    LONG WaitForReply(LONG Request);
    int WaitForState(DWORD State);
    void StartRetryTimer();
    void StopRetryTimer();
    void RetryTick();
    // Raises a telephony result as the library's code; 0 and positive results pass.
    LONG Check(LONG Result);

    std::string selectedDevice_;
    TKslCustomComPort* comPort_ = nullptr;
    TKslAbstractTapiStatus* statusDisplay_ = nullptr;
    TKslTapiLog* tapiLog_ = nullptr;
    bool enableVoice_ = false;
    bool filterUnsupported_ = true;

    HLINEAPP lineApp_ = 0;
    HLINE line_ = 0;
    HCALL call_ = 0;
    DWORD deviceId_ = 0xFFFFFFFF;
    DWORD deviceCount_ = 0;
    std::vector<std::string> lines_, allLines_;
    DWORD version_ = 0;
    LINEEXTENSIONID extension_{};
    TTapiStruct<LINECALLINFO> callInfo_;
    std::string number_;
    std::uint16_t attempts_ = 0;
    std::int32_t retryCountdown_ = 0;
    bool retryTimer_ = false;
    DWORD callState_ = 0;
    bool callStateArrived_ = false;
    std::set<LONG> awaited_;
    std::map<LONG, LONG> replies_;
    std::int32_t lastError_ = 0;
    HWND window_ = nullptr;
    bool lineOpen_ = false, lineOpenedOnce_ = false, connected_ = false, connectedThisCall_ = false;
    bool hangingUp_ = false, shuttingDown_ = false, initialising_ = false, retryPending_ = false;
    bool cancelled_ = false, outgoing_ = false, failReported_ = false;
    // The port was opened on the call (and so is the call's to close).
    bool portOnCall_ = false;
};

class TKslTapiDevice : public TKslCustomTapiDevice {
public:
    using TKslCustomTapiDevice::TKslCustomTapiDevice;
};

}  // namespace talvik

// The com port component: properties, the open and close roads, the hidden window that turns
// the dispatcher's messages into events on the UI thread, flow thresholds and trace/log states.
#include "serial/KsPort.h"

#include <cmath>

#include "base/debugchannel.h"
#include "base/format.h"
#include "serial/KsExcept.h"
#include "serial/KsMiscWin32.h"
#include "serial/KsSelCom.h"
#include "serial/KsWin32.h"

namespace talvik {

namespace {

const wchar_t kWindowClass[] = L"kslComWindow";

LRESULT CALLBACK KslComWindowProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
    if ((msg >= MsgTriggerAvail && msg <= MsgTriggerStatus) || msg == MsgPortClosing ||
        msg == MsgThreadError) {
        auto* port = reinterpret_cast<TKslCustomComPort*>(GetWindowLongPtrW(h, 0));
        if (!port) return 0;
        // No exception leaves a window procedure: the application's display shows it.
        try {
            return port->HandleMessage(msg, w, l);
        } catch (const std::exception& e) {
            KslShowError(e.what());
        } catch (...) {
            KslShowError("Unknown exception in a com port event");
        }
        return 0;
    }
    return DefWindowProcW(h, msg, w, l);
}

void RegisterWindowClass() {
    static bool done = false;
    if (done) return;
    WNDCLASSW wc{};
    wc.lpfnWndProc = &KslComWindowProc;
    wc.cbWndExtra = sizeof(void*);
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kWindowClass;
    RegisterClassW(&wc);
    done = true;
}

std::uint16_t Round(double v) { return static_cast<std::uint16_t>(std::lround(v)); }

bool Running(TTraceLogState s) { return s == TTraceLogState::tlOn || s == TTraceLogState::tlPause; }

}  // namespace

TKslCustomComPort::TKslCustomComPort() = default;

TKslCustomComPort::~TKslCustomComPort() {
    try {
        if (portState_ == 2) ClosePort();
    } catch (...) {
    }
    // A close deferred by an event still running finishes before the port goes away, within
    // the bound of a thread's end; past it the port is abandoned.
    const DWORD start = GetTickCount();
    while (portState_ == 1 && dispatcher_) {
        if (!dispatcher_->DispatcherStarted.load() || dispatcher_->Abandoned.load() ||
            GetTickCount() - start > static_cast<DWORD>(ThreadEndBoundMs)) {
            FinishClose();
            break;
        }
        if (!SafeYield()) Sleep(1);
    }
    if (window_) {
        SetWindowLongPtrW(window_, 0, 0);
        DestroyWindow(window_);
    }
}

// ---------------------------------------------------------------- open and close

void TKslCustomComPort::SetOpen(bool value) {
    if (Loading() || Designing()) {
        if (value) openAtLoad_ = true;
        open_ = value;
        return;
    }
    if (value) {
        if (portState_ == 0)
            InitPort();
        else if (portState_ == 1)
            reopenPending_ = true;
    } else if (portState_ == 2) {
        ClosePort();
    }
}

void TKslCustomComPort::Loaded() {
    const bool want = open_ || openAtLoad_;
    ComponentState &= ~csLoading;
    openAtLoad_ = false;
    open_ = false;
    if (want && !Designing()) InitPort();
}

void TKslCustomComPort::ValidateComNumber() {
    if (comNumber_ != 0) return;
    std::uint16_t chosen = 0;
    if (PromptForPort && SelectComPort(chosen) && chosen != 0) {
        SetComNumber(chosen);
        return;
    }
    Check(-2011);
}

void TKslCustomComPort::ActivateDeviceLayer() {
    if (CustomDispatcher) {
        dispatcher_ = CustomDispatcher(this);
    } else if (deviceLayer_ != TDeviceLayer::dlWin32) {
        Check(-3001);
    } else if (tapiMode_ == TTapiMode::tmOn) {
        dispatcher_ = std::make_unique<TKslTAPI32Dispatcher>(this, TapiHandle);
    } else {
        dispatcher_ = std::make_unique<TKslWin32Dispatcher>(this);
    }
    if (dispatcher_) dispatcher_->DeviceName = Format("COM%d", comNumber_);
}

std::int32_t TKslCustomComPort::InitDevice() {
    const std::string name =
        tapiMode_ == TTapiMode::tmOn ? std::string() : Format("\\\\.\\COM%d", comNumber_);
    std::uint8_t options = 0;
    if (dtr_) options |= 1;
    if (rts_) options |= 2;
    if (hwFlow_ & hwfUseDTR) options |= 0x10;
    if (hwFlow_ & hwfUseRTS) options |= 0x20;
    std::int32_t rc = dispatcher_->OpenPort(name, baud_, static_cast<std::uint16_t>(parity_), dataBits_,
                                            stopBits_, inSize_, outSize_, options);
    if (rc == -5) rc = -2008;
    if (rc == -2 || rc == -3) rc = -2001;
    return rc;
}

void TKslCustomComPort::InitPort() {
    if (tapiMode_ != TTapiMode::tmOn) ValidateComNumber();
    ActivateDeviceLayer();
    if (!dispatcher_) Check(-3001);
    if (tapiMode_ == TTapiMode::tmOn && !TapiHandle) {
        dispatcher_.reset();
        Check(-2012);
    }
    const std::int32_t rc = InitDevice();
    if (rc != 0) {
        // Nothing of a failed open stays behind; a retry starts from scratch.
        dispatcher_.reset();
        portState_ = 0;
        open_ = false;
        Check(rc);
        return;
    }
    try {
        if (tapiMode_ == TTapiMode::tmOn) {
            std::int32_t b;
            std::uint16_t p, d, s, hw, sw;
            dispatcher_->GetLine(b, p, d, s);
            baud_ = b;
            parity_ = static_cast<TParity>(p);
            dataBits_ = d;
            stopBits_ = s;
            dispatcher_->GetFlowOptions(hw, sw, xOn_, xOff_);
            hwFlow_ = static_cast<THWFlowOptionSet>(hw & 15);
            swFlow_ = sw == 2 ? TSWFlowOptions::swfReceive
                              : sw == 1 ? TSWFlowOptions::swfTransmit
                                        : sw == 3 ? TSWFlowOptions::swfBoth : TSWFlowOptions::swfNone;
        }
        portState_ = 2;
        UpdateHandlerFlags();
        force_ = true;
        SetTracing(tracing_);
        SetLogging(logging_);
        SetHWFlowOptions(hwFlow_);
        SetSWFlowOptions(swFlow_);
        SetXOnChar(xOn_);
        SetXOffChar(xOff_);
        SetTriggerLength(triggerLength_);
        SetDTR(dtr_);
        SetRTS(rts_);
        SetUseEventWord(useEventWord_);
        SetRS485Mode(rs485_);
        SetThreadBoost(threadBoost_);
        force_ = false;
        open_ = true;
        PortOpenClose(true);
        if (triggersSaved_) {
            triggersSaved_ = false;
            dispatcher_->RestoreTriggers(saved_);
            TKslBaseDispatcher::ClearSaveBuffers(saved_);
        }
    } catch (...) {
        // A failure after the device opened closes it again: no half-open port.
        force_ = false;
        dispatcher_->DonePort();
        if (window_) PortOpenClose(false);
        dispatcher_.reset();
        portState_ = 0;
        open_ = false;
        throw;
    }
    if (OnPortOpen) OnPortOpen(this);
}

void TKslCustomComPort::ClosePort() {
    if (portState_ != 2) return;
    // A close from inside a delivery is put off until the delivery ends. Any other close can
    // find the dispatcher thread still on its way back from a delivery its window has handled
    // (a loaded machine holds it there for many milliseconds, and a request posted by the
    // handler comes first): it waits for that, instead of being put off with the port half
    // closed, where a reopen is only marked and a frame sent at once would never go out.
    if (handlingDelivery_ == 0) dispatcher_->AwaitHandledDelivery();
    // A running trace or log is written out; a file that cannot be written must not stop the close.
    try {
        SetTracing(TTraceLogState::tlDump);
    } catch (const std::exception& e) {
        DebugChannel(std::string("Trace not written: ") + e.what());
    }
    try {
        SetLogging(TTraceLogState::tlDump);
    } catch (const std::exception& e) {
        DebugChannel(std::string("Log not written: ") + e.what());
    }
    tracing_ = TTraceLogState::tlOff;
    logging_ = TTraceLogState::tlOff;
    portState_ = 1;
    dispatcher_->SaveTriggers(saved_);
    triggersSaved_ = true;
    dispatcher_->DonePort();
    if (!dispatcher_->EventBusy.load()) {
        FinishClose();
    } else {
        PostMessageW(window_, MsgPortClosing, 0,
                     static_cast<LPARAM>(static_cast<std::uint32_t>(dispatcher_->Handle) << 16));
        SafeYield();
    }
    if (OnPortClose) OnPortClose(this);
}

void TKslCustomComPort::FinishClose() {
    PortOpenClose(false);
    if (dispatcher_ && (dispatcher_->Abandoned.load() || dispatcher_->DispatcherStarted.load())) {
        // A thread of it may still run: the dispatcher stays with it (it was reported).
        dispatcher_->Abandoned.store(true);
        (void)dispatcher_.release();
    }
    dispatcher_.reset();
    portState_ = 0;
    open_ = false;
    // Reports posted to the window just destroyed (an abandoned port) are shown here.
    for (const std::string& m : TakeThreadErrorReports()) KslShowError(m);
}

void TKslCustomComPort::PortOpenClose(bool opening) {
    if (opening) {
        RegisterWindowClass();
        // A message-only window: hidden, zero-size, and usable without a desktop.
        window_ = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(window_, 0, reinterpret_cast<LONG_PTR>(this));
        dispatcher_->RegisterWndTriggerHandler(reinterpret_cast<std::uintptr_t>(window_));
        UpdateHandlerFlags();
    } else {
        if (dispatcher_ && window_)
            dispatcher_->DeregisterWndTriggerHandler(reinterpret_cast<std::uintptr_t>(window_));
        if (window_) {
            SetWindowLongPtrW(window_, 0, 0);
            DestroyWindow(window_);
            window_ = nullptr;
        }
    }
}

void TKslCustomComPort::UpdateHandlerFlags() {
    if (!dispatcher_ || portState_ != 2) return;
    const bool any = OnTrigger || OnTriggerAvail || OnTriggerData || OnTriggerTimer ||
                     OnTriggerStatus || OnTriggerModemStatus || OnTriggerOutbuffFree ||
                     OnTriggerOutbuffUsed || OnTriggerOutSent || OnTriggerLineError;
    dispatcher_->UpdateHandlerFlags(any ? 1 : 2);
}

// ---------------------------------------------------------------- the hidden window

LRESULT TKslCustomComPort::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    TKslBaseDispatcher* d;
    {
        std::lock_guard<std::recursive_mutex> g(PortListSection());
        d = PortListAt(static_cast<std::int32_t>((static_cast<std::uint32_t>(lParam) >> 16) & 0xFFFF));
    }
    if (msg == MsgThreadError) {
        for (const std::string& m : TakeThreadErrorReports()) KslShowError(m);
        return 0;
    }
    // A message of a dispatcher this port no longer has is stale.
    if (!d || d != dispatcher_.get()) return 0;
    if (msg == MsgPortClosing) {
        if (d->DispatcherStarted.load() && !d->Abandoned.load()) {
            Sleep(1);
            PostMessageW(window_, MsgPortClosing, wParam, lParam);
            return 0;
        }
        FinishClose();
        if (reopenPending_) {
            reopenPending_ = false;
            InitPort();
        }
        return 0;
    }
    d->AcknowledgeDelivery();
    struct Handling {
        int& depth;
        explicit Handling(int& d) : depth(d) { ++depth; }
        ~Handling() { --depth; }
    } handling(handlingDelivery_);
    const auto handle = static_cast<std::uint16_t>(wParam);
    Trigger(static_cast<std::uint16_t>(msg), handle,
            msg == MsgTriggerAvail ? handle : static_cast<std::uint16_t>(lParam & 0xFFFF));
    switch (msg) {
        case MsgTriggerAvail:
            TriggerAvail(handle);
            break;
        case MsgTriggerData:
            TriggerData(handle);
            break;
        case MsgTriggerTimer:
            TriggerTimer(handle);
            break;
        case MsgTriggerStatus:
            TriggerStatus(handle);
            switch (TKslBaseDispatcher::StatusSubtype(handle)) {
                case stModem:
                    TriggerModemStatus();
                    break;
                case stLine: {
                    const std::uint16_t e = LineError();
                    TriggerLineError(e, LineBreak());
                    break;
                }
                case stOutBuffFree:
                    TriggerOutbuffFree();
                    break;
                case stOutBuffUsed:
                    TriggerOutbuffUsed();
                    break;
                case stOutSent:
                    TriggerOutSent();
                    break;
                default:
                    break;
            }
            break;
        default:
            break;
    }
    return 0;
}

void TKslCustomComPort::Trigger(std::uint16_t msg, std::uint16_t handle, std::uint16_t data) {
    if (OnTrigger) OnTrigger(this, msg, handle, data);
}
void TKslCustomComPort::TriggerAvail(std::uint16_t count) {
    if (OnTriggerAvail) OnTriggerAvail(this, count);
}
void TKslCustomComPort::TriggerData(std::uint16_t handle) {
    if (OnTriggerData) OnTriggerData(this, handle);
}
void TKslCustomComPort::TriggerStatus(std::uint16_t handle) {
    if (OnTriggerStatus) OnTriggerStatus(this, handle);
}
void TKslCustomComPort::TriggerTimer(std::uint16_t handle) {
    if (OnTriggerTimer) OnTriggerTimer(this, handle);
}
void TKslCustomComPort::TriggerLineError(std::uint16_t error, bool lineBreak) {
    if (OnTriggerLineError) OnTriggerLineError(this, error, lineBreak);
}
void TKslCustomComPort::TriggerModemStatus() {
    if (OnTriggerModemStatus) OnTriggerModemStatus(this);
}
void TKslCustomComPort::TriggerOutbuffFree() {
    if (OnTriggerOutbuffFree) OnTriggerOutbuffFree(this);
}
void TKslCustomComPort::TriggerOutbuffUsed() {
    if (OnTriggerOutbuffUsed) OnTriggerOutbuffUsed(this);
}
void TKslCustomComPort::TriggerOutSent() {
    if (OnTriggerOutSent) OnTriggerOutSent(this);
}

// ---------------------------------------------------------------- operations

TKslBaseDispatcher* TKslCustomComPort::ValidDispatcher() {
    if (!dispatcher_ && !Designing() && !Loading() && !open_ && autoOpen_) SetOpen(true);
    if (!dispatcher_) Check(-2007);
    return dispatcher_.get();
}

std::uint16_t TKslCustomComPort::AddTimerTrigger() {
    if (portState_ == 1) return 0;
    TKslBaseDispatcher* d = ValidDispatcher();
    UpdateHandlerFlags();
    return static_cast<std::uint16_t>(Check(d->AddTimerTrigger()));
}

void TKslCustomComPort::SetTimerTrigger(std::uint16_t handle, std::int32_t ticks, bool activate) {
    if (portState_ == 1) return;
    TKslBaseDispatcher* d = ValidDispatcher();
    // Events assigned after the open take effect here.
    UpdateHandlerFlags();
    Check(d->SetTimerTrigger(handle, ticks, activate));
}

std::uint16_t TKslCustomComPort::AddStatusTrigger(std::uint16_t sType) {
    if (portState_ == 1) return 0;
    TKslBaseDispatcher* d = ValidDispatcher();
    UpdateHandlerFlags();
    return static_cast<std::uint16_t>(Check(d->AddStatusTrigger(sType)));
}

void TKslCustomComPort::SetStatusTrigger(std::uint16_t handle, std::uint16_t value, bool activate) {
    if (portState_ == 1) return;
    TKslBaseDispatcher* d = ValidDispatcher();
    UpdateHandlerFlags();
    Check(d->SetStatusTrigger(handle, value, activate));
}

void TKslCustomComPort::RemoveTrigger(std::uint16_t handle) {
    if (portState_ == 2) {
        Check(dispatcher_->RemoveTrigger(handle));
        return;
    }
    // Closed or closing: the trigger leaves the set kept for the next open, so it cannot come
    // back there.
    if (triggersSaved_) TKslBaseDispatcher::RemoveSavedTrigger(saved_, handle);
}

bool TKslCustomComPort::CharReady() {
    if (portState_ == 1) return false;
    return ValidDispatcher()->CharReady();
}

char TKslCustomComPort::GetChar() {
    if (portState_ == 1) return 0;
    TKslBaseDispatcher* d = ValidDispatcher();
    std::uint8_t c = 0;
    Check(d->GetChar(c));
    return static_cast<char>(c);
}

void TKslCustomComPort::PutString(const std::string& s) {
    if (portState_ == 1) return;
    TKslBaseDispatcher* d = ValidDispatcher();
    Check(d->PutBlock(s.data(), static_cast<std::uint32_t>(s.size())));
}

void TKslCustomComPort::FlushInBuffer() {
    if (portState_ == 1) return;
    ValidDispatcher()->FlushInBuffer();
}

void TKslCustomComPort::FlushOutBuffer() {
    if (portState_ == 1) return;
    ValidDispatcher()->FlushOutBuffer();
}

bool TKslCustomComPort::GetDCD() {
    if (portState_ != 2) return false;
    return dispatcher_->CheckDCD();
}

std::uint16_t TKslCustomComPort::LineError() {
    if (portState_ != 2) return 0;
    return dispatcher_->GetLineError();
}

bool TKslCustomComPort::LineBreak() {
    if (portState_ != 2) return false;
    return dispatcher_->CheckLineBreak();
}

void TKslCustomComPort::ProcessCommunications() {
    if (portState_ == 1) return;
    ValidDispatcher()->ProcessCommunications();
}

// ---------------------------------------------------------------- properties

void TKslCustomComPort::SetDeviceLayer(TDeviceLayer value) {
    if (value == deviceLayer_ || portState_ != 0 || value != TDeviceLayer::dlWin32) return;
    deviceLayer_ = value;
    DeviceLayerChanged();
}

void TKslCustomComPort::SetComNumber(std::uint16_t value) {
    if (value == comNumber_) return;
    if (portState_ != 2) {
        comNumber_ = value;
        return;
    }
    const TTraceLogState t = tracing_;
    const TTraceLogState l = logging_;
    ClosePort();  // keeps the triggers for the reopen
    comNumber_ = value;
    tracing_ = t;
    logging_ = l;
    SetOpen(true);
}

void TKslCustomComPort::SetBaud(std::int32_t value) {
    if (value == baud_) return;
    baud_ = value;
    if (portState_ == 2)
        Check(dispatcher_->SetLine(baud_, static_cast<std::uint16_t>(parity_), dataBits_, stopBits_));
}

void TKslCustomComPort::SetParity(TParity value) {
    if (value == parity_) return;
    parity_ = value;
    if (portState_ == 2)
        Check(dispatcher_->SetLine(baud_, static_cast<std::uint16_t>(parity_), dataBits_, stopBits_));
}

void TKslCustomComPort::SetDataBits(std::uint16_t value) {
    if (value == dataBits_) return;
    dataBits_ = value;
    if (portState_ == 2)
        Check(dispatcher_->SetLine(baud_, static_cast<std::uint16_t>(parity_), dataBits_, stopBits_));
}

void TKslCustomComPort::SetStopBits(std::uint16_t value) {
    if (value == stopBits_) return;
    stopBits_ = value;
    if (portState_ == 2)
        Check(dispatcher_->SetLine(baud_, static_cast<std::uint16_t>(parity_), dataBits_, stopBits_));
}

void TKslCustomComPort::SetInSize(std::uint16_t value) {
    if (value == inSize_) return;
    inSize_ = value;
    if (portState_ == 2) Check(dispatcher_->SetupComBuffers(inSize_, outSize_));
}

void TKslCustomComPort::SetOutSize(std::uint16_t value) {
    if (value == outSize_) return;
    outSize_ = value;
    if (portState_ == 2) Check(dispatcher_->SetupComBuffers(inSize_, outSize_));
}

void TKslCustomComPort::SetDTR(bool value) {
    if (value == dtr_ && !force_) return;
    if (portState_ == 2) Check(dispatcher_->SetDTR(value));
    dtr_ = value;
}

void TKslCustomComPort::SetRTS(bool value) {
    if (value == rts_ && !force_) return;
    if (portState_ == 2) Check(dispatcher_->SetRTS(value));
    rts_ = value;
}

void TKslCustomComPort::ApplyFlowThresholds() {
    if (hwFlow_ != 0) {
        if (bufferFull_ == 0 || bufferFull_ > inSize_) bufferFull_ = Round(inSize_ * 0.9);
        if (bufferResume_ == 0 || bufferResume_ > bufferFull_) bufferResume_ = Round(inSize_ * 0.1);
    } else if (swFlow_ != TSWFlowOptions::swfNone) {
        if (bufferFull_ == 0 || bufferFull_ > inSize_) bufferFull_ = Round(inSize_ * 0.75);
        if (bufferResume_ == 0 || bufferResume_ > bufferFull_) bufferResume_ = Round(inSize_ * 0.25);
    }
}

void TKslCustomComPort::ApplyHWFlow() {
    ApplyFlowThresholds();
    if (portState_ == 2) Check(dispatcher_->SetHWFlowOptions(bufferFull_, bufferResume_, hwFlow_));
}

void TKslCustomComPort::ApplySWFlow() {
    ApplyFlowThresholds();
    if (portState_ != 2) return;
    if (swFlow_ == TSWFlowOptions::swfNone) {
        Check(dispatcher_->SWFlowDisable());
    } else {
        const std::uint16_t code = swFlow_ == TSWFlowOptions::swfReceive    ? 2
                                   : swFlow_ == TSWFlowOptions::swfTransmit ? 1
                                                                            : 3;
        Check(dispatcher_->SetSWFlowOptions(bufferFull_, bufferResume_, code));
    }
}

void TKslCustomComPort::SetHWFlowOptions(THWFlowOptionSet value) {
    if (value == hwFlow_ && !force_) return;
    hwFlow_ = value & 15;
    if ((hwFlow_ & (hwfUseRTS | hwfRequireCTS)) && rs485_) SetRS485Mode(false);
    ApplyHWFlow();
}

void TKslCustomComPort::SetSWFlowOptions(TSWFlowOptions value) {
    if (value == swFlow_ && !force_) return;
    swFlow_ = value;
    ApplySWFlow();
}

void TKslCustomComPort::SetXOnChar(char value) {
    if (value == xOn_ && !force_) return;
    xOn_ = value;
    if (portState_ == 2) Check(dispatcher_->SetSWFlowChars(xOn_, xOff_));
}

void TKslCustomComPort::SetXOffChar(char value) {
    if (value == xOff_ && !force_) return;
    xOff_ = value;
    if (portState_ == 2) Check(dispatcher_->SetSWFlowChars(xOn_, xOff_));
}

void TKslCustomComPort::SetBufferFull(std::uint16_t value) {
    if (value == bufferFull_ && !force_) return;
    // A threshold above the input buffer is taken as 90 % of the buffer, so it fits.
    if (value > inSize_) value = Round(inSize_ * 0.9);
    bufferFull_ = value;
    ApplyHWFlow();
    ApplySWFlow();
}

void TKslCustomComPort::SetBufferResume(std::uint16_t value) {
    if (value == bufferResume_ && !force_) return;
    if (value > bufferFull_) value = Round(bufferFull_ * 0.1);
    bufferResume_ = value;
    ApplyHWFlow();
    ApplySWFlow();
}

void TKslCustomComPort::SetUseEventWord(bool value) {
    if (value == useEventWord_ && !force_) return;
    useEventWord_ = value;
    if (portState_ == 2) {
        if (value)
            dispatcher_->SetOptionFlags(4);
        else
            dispatcher_->ClearOptionFlags(4);
    }
}

void TKslCustomComPort::SetRS485Mode(bool value) {
    if (value == rs485_ && !force_) return;
    rs485_ = value;
    if (portState_ == 2) dispatcher_->SetRS485Mode(value);
    if (value) {
        if (hwFlow_ & (hwfUseRTS | hwfRequireCTS))
            SetHWFlowOptions(hwFlow_ & ~(hwfUseRTS | hwfRequireCTS));
        SetRTS(false);
    }
}

void TKslCustomComPort::SetTriggerLength(std::uint16_t value) {
    if (value == triggerLength_ && !force_) return;
    triggerLength_ = value;
    if (portState_ == 2) dispatcher_->SetLenTrigger(value);
}

void TKslCustomComPort::SetThreadBoost(std::uint8_t value) {
    if (value == threadBoost_ && !force_) return;
    threadBoost_ = value;
    if (portState_ == 2) dispatcher_->SetThreadBoost(value);
}

void TKslCustomComPort::SetTraceSize(std::uint32_t value) {
    value = std::min<std::uint32_t>(value, 4000000);
    if (value == traceSize_) return;
    traceSize_ = value;
    if (portState_ == 2 && Running(tracing_)) {
        const TTraceLogState old = tracing_;
        SetTracing(TTraceLogState::tlOff);
        SetTracing(old);
    }
}

void TKslCustomComPort::SetLogSize(std::uint32_t value) {
    value = std::min<std::uint32_t>(value, 16000000);
    if (value == logSize_) return;
    logSize_ = value;
    if (portState_ == 2 && Running(logging_)) {
        const TTraceLogState old = logging_;
        SetLogging(TTraceLogState::tlOff);
        SetLogging(old);
    }
}

void TKslCustomComPort::SetTracing(TTraceLogState value) { ApplyTraceState(value, false); }
void TKslCustomComPort::SetLogging(TTraceLogState value) { ApplyTraceState(value, true); }

// The trace and the log follow one state machine; only the dispatcher calls differ.
void TKslCustomComPort::ApplyTraceState(TTraceLogState value, bool log) {
    TTraceLogState& cur = log ? logging_ : tracing_;
    if (portState_ != 2) {
        if (portState_ == 0)
            cur = (value == TTraceLogState::tlOn) ? TTraceLogState::tlOn : TTraceLogState::tlOff;
        return;
    }
    TKslBaseDispatcher* d = dispatcher_.get();
    const std::string& name = log ? logName_ : traceName_;
    const bool hex = log ? LogHex : TraceHex;
    const bool allHex = log ? LogAllHex : TraceAllHex;
    auto abort = [&] { log ? d->AbortDispatchLogging() : d->AbortTracing(); };
    auto resume = [&] { log ? d->StartDispatchLogging() : d->StartTracing(); };
    auto write = [&](bool append) -> std::int32_t {
        if (log) return append ? d->AppendDispatchLog(name, hex, allHex) : d->DumpDispatchLog(name, hex, allHex);
        return append ? d->AppendTrace(name, hex, allHex) : d->DumpTrace(name, hex, allHex);
    };
    switch (value) {
        case TTraceLogState::tlOff:
            if (Running(cur)) abort();
            cur = TTraceLogState::tlOff;
            break;
        case TTraceLogState::tlOn:
            if (cur != TTraceLogState::tlOn || force_) {
                if (cur == TTraceLogState::tlPause)
                    resume();
                else if (log)
                    d->InitDispatchLogging(static_cast<std::int32_t>(logSize_));
                else
                    Check(d->InitTracing(static_cast<std::int32_t>(traceSize_)));
                cur = TTraceLogState::tlOn;
            }
            break;
        case TTraceLogState::tlDump:
        case TTraceLogState::tlAppend:
            if (Running(cur)) {
                resume();
                const std::int32_t rc = write(value == TTraceLogState::tlAppend);
                abort();
                cur = TTraceLogState::tlOff;
                Check(rc);
            }
            break;
        case TTraceLogState::tlClear:
            if (Running(cur)) log ? d->ClearDispatchLogging() : d->ClearTracing();
            break;
        case TTraceLogState::tlPause:
            if (cur == TTraceLogState::tlOn) {
                log ? d->StopDispatchLogging() : d->StopTracing();
                cur = TTraceLogState::tlPause;
            }
            break;
        case TTraceLogState::tlAppendAndContinue:
            if (Running(cur)) {
                resume();
                const std::int32_t rc = write(true);
                if (cur == TTraceLogState::tlPause) log ? d->StopDispatchLogging() : d->StopTracing();
                Check(rc);
            }
            break;
    }
}

// ---------------------------------------------------------------- trace and log control

void TKslCustomComPort::InitTracing(std::uint32_t size) {
    if (portState_ == 1) return;
    ValidDispatcher();
    SetTraceSize(size);
    if (tracing_ != TTraceLogState::tlOn) SetTracing(TTraceLogState::tlOn);
}
void TKslCustomComPort::DumpTrace(const std::string& name, bool inHex) {
    if (portState_ == 1) return;
    ValidDispatcher();
    SetTraceName(name);
    TraceHex = inHex;
    SetTracing(TTraceLogState::tlDump);
}
void TKslCustomComPort::AppendTrace(const std::string& name, bool inHex, TTraceLogState newState) {
    if (portState_ == 1) return;
    ValidDispatcher();
    SetTraceName(name);
    TraceHex = inHex;
    SetTracing(TTraceLogState::tlAppendAndContinue);
    SetTracing(newState);
}
void TKslCustomComPort::ClearTracing() {
    if (portState_ == 1) return;
    ValidDispatcher();
    SetTracing(TTraceLogState::tlClear);
}
void TKslCustomComPort::AbortTracing() {
    if (portState_ == 1) return;
    ValidDispatcher();
    SetTracing(TTraceLogState::tlOff);
}
void TKslCustomComPort::StartTracing() {
    if (portState_ == 1) return;
    ValidDispatcher();
    SetTracing(TTraceLogState::tlOn);
}
void TKslCustomComPort::StopTracing() {
    if (portState_ == 1) return;
    ValidDispatcher();
    SetTracing(TTraceLogState::tlPause);
}
void TKslCustomComPort::InitLogging(std::uint32_t size) {
    if (portState_ == 1) return;
    ValidDispatcher();
    SetLogSize(size);
    if (logging_ != TTraceLogState::tlOn) SetLogging(TTraceLogState::tlOn);
}
void TKslCustomComPort::DumpLog(const std::string& name, bool inHex) {
    if (portState_ == 1) return;
    ValidDispatcher();
    SetLogName(name);
    LogHex = inHex;
    SetLogging(TTraceLogState::tlDump);
}
void TKslCustomComPort::AppendLog(const std::string& name, bool inHex, TTraceLogState newState) {
    if (portState_ == 1) return;
    ValidDispatcher();
    SetLogName(name);
    LogHex = inHex;
    SetLogging(TTraceLogState::tlAppendAndContinue);
    SetLogging(newState);
}
void TKslCustomComPort::ClearLogging() {
    if (portState_ == 1) return;
    ValidDispatcher();
    SetLogging(TTraceLogState::tlClear);
}
void TKslCustomComPort::AbortLogging() {
    if (portState_ == 1) return;
    ValidDispatcher();
    SetLogging(TTraceLogState::tlOff);
}
void TKslCustomComPort::StartLogging() {
    if (portState_ == 1) return;
    ValidDispatcher();
    SetLogging(TTraceLogState::tlOn);
}
void TKslCustomComPort::StopLogging() {
    if (portState_ == 1) return;
    ValidDispatcher();
    SetLogging(TTraceLogState::tlPause);
}

}  // namespace talvik

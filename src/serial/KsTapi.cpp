// The telephony device, its call history log and the call-progress base.
#include "serial/KsTapi.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/debugchannel.h"
#include "base/format.h"
#include "serial/KsExcept.h"
#include "serial/KsPortSearch.h"
#include "serial/KsTapiCleanup.h"
#include "serial/KsTSel.h"
#include "serial/KsWin32.h"

namespace talvik {

namespace {

const wchar_t kWindowClass[] = L"kslTapiWindow";
constexpr UINT_PTR kRetryTimerId = 1;
// Results of lineInitialize that other attempts cannot change are raised at once; any other
// failure is tried again, but not for ever.
constexpr int kInitialiseAttempts = 10;

// Every device alive, for the messages of the service that name no line (a line added).
std::vector<TKslCustomTapiDevice*>& Devices() {
    static std::vector<TKslCustomTapiDevice*> devices;
    return devices;
}

bool Alive(TKslCustomTapiDevice* d) {
    const auto& all = Devices();
    return std::find(all.begin(), all.end(), d) != all.end();
}

void ShowError(const std::exception& e) { KslShowError(e.what()); }

LRESULT CALLBACK TapiWindowProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
    auto* device = reinterpret_cast<TKslCustomTapiDevice*>(GetWindowLongPtrW(h, 0));
    if (device && (msg == MsgTapiState || msg == WM_TIMER || msg == WM_QUERYENDSESSION)) {
        // No exception leaves a window procedure: the application's display shows it.
        try {
            return device->HandleMessage(msg, w, l);
        } catch (const std::exception& e) {
            ShowError(e);
        } catch (...) {
            KslShowError("Unknown exception in a telephony event");
        }
        return 0;
    }
    return DefWindowProcW(h, msg, w, l);
}

void CALLBACK LineCallback(DWORD hDevice, DWORD msg, DWORD_PTR instance, DWORD_PTR p1, DWORD_PTR p2, DWORD_PTR p3) {
    try {
        auto* device = reinterpret_cast<TKslCustomTapiDevice*>(instance);
        if (device && Alive(device)) {
            device->LineMessage(hDevice, msg, p1, p2, p3);
            return;
        }
        // Messages of the service as a whole go to every device that uses it.
        const std::vector<TKslCustomTapiDevice*> all = Devices();
        for (TKslCustomTapiDevice* d : all)
            if (Alive(d) && d->Initialised()) d->LineMessage(hDevice, msg, p1, p2, p3);
    } catch (const std::exception& e) {
        ShowError(e);
    } catch (...) {
        KslShowError("Unknown exception in a telephony callback");
    }
}

std::string ApplicationTitle() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name = path;
    const std::size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.resize(dot);
    return name;
}

// Pumps messages for Ms milliseconds (a quit message ends it and is posted again).
void PumpFor(DWORD ms) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (m.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(m.wParam));
                return;
            }
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
    }
}

std::string Narrow(const wchar_t* s) { return Utf16ToUtf8(reinterpret_cast<const char16_t*>(s)); }
std::wstring Widen(const std::string& s) {
    const std::u16string w = Utf8ToUtf16(s);
    return std::wstring(w.begin(), w.end());
}

}  // namespace

// ============================================================================ history log

TKslTapiLog::~TKslTapiLog() { SetTapiDevice(nullptr); }

void TKslTapiLog::SetTapiDevice(TKslCustomTapiDevice* Device) {
    if (device_ == Device) return;
    TKslCustomTapiDevice* old = device_;
    device_ = Device;
    if (old && old->GetTapiLog() == this) old->SetTapiLog(nullptr);
    if (Device && Device->GetTapiLog() != this) Device->SetTapiLog(this);
}

void TKslTapiLog::Notification(TKslBaseComponent* Component, bool Inserting) {
    if (!Inserting && Component == device_) device_ = nullptr;
}

void TKslTapiLog::UpdateLog(TTapiLogCode Code) {
    if (TapiHistoryName.empty() || Code == TTapiLogCode::ltapiNone) return;
    SYSTEMTIME t;
    GetLocalTime(&t);
    wchar_t date[64] = {}, time[64] = {};
    GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &t, nullptr, date, 64);
    GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &t, nullptr, time, 64);
    const std::string stamp = Narrow(date) + " " + Narrow(time);
    const std::string line = TapiLogLine(stamp, Code, device_ ? device_->Number() : std::string());
    HANDLE f = CreateFileW(Widen(TapiHistoryName).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(f, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(f);
}

// ============================================================================ status base

TKslAbstractTapiStatus::~TKslAbstractTapiStatus() { SetTapiDevice(nullptr); }

void TKslAbstractTapiStatus::SetTapiDevice(TKslCustomTapiDevice* Device) {
    if (device_ == Device) return;
    TKslCustomTapiDevice* old = device_;
    device_ = Device;
    if (old && old->GetStatusDisplay() == this) old->SetStatusDisplay(nullptr);
    if (Device && Device->GetStatusDisplay() != this) Device->SetStatusDisplay(this);
}

void TKslAbstractTapiStatus::Notification(TKslBaseComponent* Component, bool Inserting) {
    if (!Inserting && Component == device_) device_ = nullptr;
}

void TKslAbstractTapiStatus::SetPosition(TPosition Value) {
    position_ = Value;
    CopyToDisplay();
}
void TKslAbstractTapiStatus::SetCtl3D(bool Value) {
    ctl3D_ = Value;
    CopyToDisplay();
}
void TKslAbstractTapiStatus::SetVisible(bool Value) {
    visible_ = Value;
    CopyToDisplay();
}
void TKslAbstractTapiStatus::SetCaption(const std::string& Value) {
    caption_ = Value;
    CopyToDisplay();
}

void TKslAbstractTapiStatus::TakeFromDisplay() {
    if (!Display) return;
    visible_ = IsWindowVisible(Display) != FALSE;
    wchar_t text[256] = {};
    GetWindowTextW(Display, text, 256);
    caption_ = Narrow(text);
}

void TKslAbstractTapiStatus::CopyToDisplay() {
    if (!Display) return;
    SetWindowTextW(Display, Widen(caption_).c_str());
    if (position_ == TPosition::poScreenCenter || position_ == TPosition::poDesktopCenter) {
        RECT r;
        GetWindowRect(Display, &r);
        SetWindowPos(Display, nullptr, (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2,
                     (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    ShowWindow(Display, visible_ ? SW_SHOW : SW_HIDE);
}

// ============================================================================ the device

TKslCustomTapiDevice::TKslCustomTapiDevice(TKslBaseComponent* Owner) {
    Devices().push_back(this);
    if (Owner) {
        Owner->InsertComponent(this);
        // The first history log and status window of the owner that serve no device yet.
        for (TKslBaseComponent* c : Owner->Components()) {
            if (auto* log = dynamic_cast<TKslTapiLog*>(c); log && !tapiLog_ && !log->GetTapiDevice())
                SetTapiLog(log);
            if (auto* st = dynamic_cast<TKslAbstractTapiStatus*>(c); st && !statusDisplay_ && !st->GetTapiDevice())
                SetStatusDisplay(st);
        }
    }
    static bool registered = false;
    if (!registered) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &TapiWindowProc;
        wc.cbWndExtra = sizeof(void*);
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kWindowClass;
        RegisterClassW(&wc);
        registered = true;
    }
    // A message-only window: no desktop needed, and nothing outside the program sees it.
    window_ = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr),
                              nullptr);
    SetWindowLongPtrW(window_, 0, reinterpret_cast<LONG_PTR>(this));
    // The line service is reached on first use, not here: a program without telephony starts
    // as quickly and as quietly as one with it.
}

TKslCustomTapiDevice::~TKslCustomTapiDevice() {
    StopRetryTimer();
    try {
        ShutDown();
    } catch (const std::exception& e) {
        DebugChannel(std::string("telephony shut-down: ") + e.what());
    }
    if (tapiLog_) tapiLog_->SetTapiDevice(nullptr);
    if (statusDisplay_) statusDisplay_->SetTapiDevice(nullptr);
    auto& all = Devices();
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
    if (window_) {
        SetWindowLongPtrW(window_, 0, 0);
        DestroyWindow(window_);
    }
}

void TKslCustomTapiDevice::SetSelectedDevice(const std::string& Value) {
    selectedDevice_ = Value;
    deviceId_ = 0xFFFFFFFF;
    if (enableVoice_) CheckVoice();
}

void TKslCustomTapiDevice::SetComPort(TKslCustomComPort* Port) {
    comPort_ = Port;
    if (Port && Port->GetTapiMode() == TTapiMode::tmAuto) {
        Port->SetTapiMode(TTapiMode::tmOn);
        Port->SetAutoOpen(false);
        Port->SetOpen(false);
    }
}

void TKslCustomTapiDevice::SetStatusDisplay(TKslAbstractTapiStatus* Value) {
    if (statusDisplay_ == Value) return;
    TKslAbstractTapiStatus* old = statusDisplay_;
    statusDisplay_ = Value;
    if (old && old->GetTapiDevice() == this) old->SetTapiDevice(nullptr);
    if (Value && Value->GetTapiDevice() != this) Value->SetTapiDevice(this);
}

void TKslCustomTapiDevice::SetTapiLog(TKslTapiLog* Value) {
    if (tapiLog_ == Value) return;
    TKslTapiLog* old = tapiLog_;
    tapiLog_ = Value;
    if (old && old->GetTapiDevice() == this) old->SetTapiDevice(nullptr);
    if (Value && Value->GetTapiDevice() != this) Value->SetTapiDevice(this);
}

void TKslCustomTapiDevice::SetEnableVoice(bool Value) {
    enableVoice_ = Value;
    if (Value && !selectedDevice_.empty()) CheckVoice();
}

void TKslCustomTapiDevice::SetFilterUnsupportedDevices(bool Value) {
    filterUnsupported_ = Value;
    if (lineApp_) BuildLineList();
}

void TKslCustomTapiDevice::Loaded() {
    if (!comPort_) SetComPort(SearchComPort(Owner()));
}

void TKslCustomTapiDevice::Notification(TKslBaseComponent* Component, bool Inserting) {
    if (Inserting) {
        if (auto* log = dynamic_cast<TKslTapiLog*>(Component); log && !tapiLog_ && !log->GetTapiDevice())
            SetTapiLog(log);
        if (auto* st = dynamic_cast<TKslAbstractTapiStatus*>(Component);
            st && !statusDisplay_ && !st->GetTapiDevice())
            SetStatusDisplay(st);
        return;
    }
    if (Component == comPort_) comPort_ = nullptr;
    if (Component == tapiLog_) tapiLog_ = nullptr;
    if (Component == statusDisplay_) statusDisplay_ = nullptr;
}

LONG TKslCustomTapiDevice::Check(LONG Result) {
    if (Result >= 0) return Result;
    return CheckException(this, TapiResultCode(Result));
}

// ---------------------------------------------------------------------------- initialisation

void TKslCustomTapiDevice::CleanupDeadProcesses() {
    CleanupDeadTapiRecords([](DWORD_PTR Handle) {
        const auto& all = Devices();
        return std::any_of(all.begin(), all.end(), [Handle](const TKslCustomTapiDevice* d) {
            return d->lineApp_ && reinterpret_cast<DWORD_PTR>(d->lineApp_) == Handle;
        });
    });
}

void TKslCustomTapiDevice::Initialise() {
    if (lineApp_ || initialising_) return;
    initialising_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{initialising_};
    CleanupDeadProcesses();
    bool reinitSeen = false;
    const std::string title = ApplicationTitle();
    for (int attempt = 1;; ++attempt) {
        DWORD count = 0;
        HLINEAPP app = 0;
        const LONG r = talvik::lineInitialize(&app, GetModuleHandleW(nullptr), &LineCallback, title.c_str(), &count);
        if (r == 0) {
            lineApp_ = app;
            if (deviceCount_ == 0) deviceCount_ = count;
            break;
        }
        DebugChannel("lineInitialize: " + IntToStr(TapiResultCode(r)));
        if (static_cast<DWORD>(r) == LINEERR_REINIT) {
            if (reinitSeen) CheckException(this, -13882);
            reinitSeen = true;
            PumpFor(ReinitPauseMs);
            continue;
        }
        switch (static_cast<DWORD>(r)) {
        case 0x80000040:  // line mapper failed
        case 0x80000042:  // no device
        case 0x80000043:  // no driver
        case 0x80000044:  // no memory
        case 0x80000046:  // not owner
        case 0x80000048:  // operation failed
            Check(r);
            break;
        default: break;
        }
        // The library missing or lacking the function: nothing to try again.
        if (r > -14000 && r < 0) CheckException(this, r);
        if (attempt >= kInitialiseAttempts) Check(r);
    }
    WriteTapiRecord(lineApp_);
    line_ = 0;
    call_ = 0;
    BuildLineList();
}

void TKslCustomTapiDevice::ShutDown() {
    if (!lineApp_ || shuttingDown_) return;
    shuttingDown_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{shuttingDown_};
    HangupCall(true);
    const LONG r = talvik::lineShutdown(lineApp_);
    // The handle is gone either way: a later call initialises afresh.
    lineApp_ = 0;
    deviceCount_ = 0;
    RemoveTapiRecord();
    Check(r);
}

void TKslCustomTapiDevice::BuildLineList() {
    const bool voice = enableVoice_;
    TapiLineList(lineApp_, deviceCount_, filterUnsupported_,
                 [voice](DWORD media) { return voice && (media & LINEMEDIAMODE_AUTOMATEDVOICE); }, true, lines_,
                 allLines_);
}

DWORD TKslCustomTapiDevice::ResolveDeviceId() {
    for (std::size_t i = 0; i < allLines_.size(); ++i)
        if (!selectedDevice_.empty() && allLines_[i] == selectedDevice_) return static_cast<DWORD>(i);
    if (deviceCount_ == 1 && selectedDevice_.empty() && !allLines_.empty() && !allLines_[0].empty()) {
        selectedDevice_ = allLines_[0];
        return 0;
    }
    // Nothing to choose from: no dialog with an empty list.
    if ((!ShowTapiDevices && !ShowPorts) || lines_.empty()) CheckException(this, -13930);
    TDeviceSelectionForm form;
    form.ShowTapiDevices = true;
    form.ShowPorts = false;
    form.FilterUnsupportedDevices = filterUnsupported_;
    form.EnableVoice = enableVoice_;
    form.DeviceName = selectedDevice_;
    if (form.ShowModal() != 1) CheckException(this, -13930);
    selectedDevice_ = form.DeviceName;
    for (std::size_t i = 0; i < allLines_.size(); ++i)
        if (allLines_[i] == selectedDevice_) return static_cast<DWORD>(i);
    CheckException(this, -13930);
    return 0;
}

void TKslCustomTapiDevice::CheckVoice() {
    HLINEAPP app = 0;
    DWORD count = 0;
    Check(talvik::lineInitialize(&app, GetModuleHandleW(nullptr), &LineCallback, ApplicationTitle().c_str(), &count));
    bool voice = false;
    for (DWORD dev = 0; dev < count && !voice; ++dev) {
        DWORD version = 0;
        LINEEXTENSIONID ext{};
        if (talvik::lineNegotiateAPIVersion(app, dev, TapiVersion14, TapiVersion14, &version, &ext) != 0) continue;
        TTapiStruct<LINEDEVCAPS> caps;
        if (GetDevCaps(app, dev, version, 0, caps) != 0) continue;
        if (caps.Text(caps->dwLineNameOffset, caps->dwLineNameSize) == selectedDevice_)
            voice = (caps->dwMediaModes & LINEMEDIAMODE_AUTOMATEDVOICE) != 0;
    }
    talvik::lineShutdown(app);
    if (!voice) {
        enableVoice_ = false;
        CheckException(this, -13935);
    }
}

// ---------------------------------------------------------------------------- calls

void TKslCustomTapiDevice::Dial(const std::string& ANumber) {
    if (!comPort_) CheckException(this, -1005);
    if (comPort_->GetTapiMode() == TTapiMode::tmAuto) comPort_->SetTapiMode(TTapiMode::tmOn);
    if (comPort_->GetTapiMode() != TTapiMode::tmOn) CheckException(this, -13929);
    if (lineOpen_ || retryPending_ || hangingUp_) CheckException(this, -13928);
    attempts_ = 1;
    retryPending_ = true;
    number_ = ANumber;
    connectedThisCall_ = false;
    if (statusDisplay_) statusDisplay_->FirstLine = true;
    try {
        StartCall();
    } catch (...) {
        // Nothing of a call that could not start stays behind to refuse the next one.
        retryPending_ = false;
        if (lineOpen_) HangupCall(true);
        throw;
    }
}

void TKslCustomTapiDevice::StartCall() {
    if (lineOpen_) return;
    Initialise();
    cancelled_ = false;
    outgoing_ = true;
    if (allLines_.empty() && deviceCount_ > 0) BuildLineList();
    deviceId_ = ResolveDeviceId();
    version_ = 0;
    Check(talvik::lineNegotiateAPIVersion(lineApp_, deviceId_, TapiVersion14, TapiVersion14, &version_,
                                          &extension_));
    const DWORD media = enableVoice_ ? LINEMEDIAMODE_AUTOMATEDVOICE : LINEMEDIAMODE_DATAMODEM;
    HLINE line = 0;
    Check(talvik::lineOpen(lineApp_, deviceId_, &line, version_, 0, reinterpret_cast<DWORD_PTR>(this),
                   outgoing_ ? LINECALLPRIVILEGE_NONE : LINECALLPRIVILEGE_OWNER, media, nullptr));
    line_ = line;
    lineOpen_ = lineOpenedOnce_ = true;
    talvik::lineSetStatusMessages(line_, 0x1FFFFFF, 0x1FF);
    if (attempts_ == 1) History(TTapiLogCode::ltapiCallStart);

    // The call parameters of version 1.4: 112 bytes.
    std::uint32_t params[28] = {};
    auto* p = reinterpret_cast<LPLINECALLPARAMS>(params);
    p->dwTotalSize = sizeof params;
    p->dwBearerMode = LINEBEARERMODE_VOICE;
    p->dwMediaMode = media;
    p->dwCallParamFlags = LINECALLPARAMFLAGS_IDLE;
    p->dwAddressMode = LINEADDRESSMODE_ADDRESSID;
    p->dwAddressID = 0;

    failReported_ = false;
    callState_ = 0;
    callStateArrived_ = false;
    History(TTapiLogCode::ltapiDial);
    HCALL call = 0;
    const LONG request = talvik::lineMakeCall(line_, &call, number_.c_str(), 0, p);
    if (request > 0) call_ = call;  // the handle is good once the request is under way
    const LONG result = WaitForReply(request);
    if (result == 0) {
        call_ = call;
        return;
    }
    if (result == 1 && (!lineOpen_ || cancelled_)) return;  // hung up while waiting
    // A refused call, or one whose reply never came: either way no call is coming.
    DialFailed(result < 0 ? result : static_cast<LONG>(LINEERR_OPERATIONFAILED));
}

void TKslCustomTapiDevice::DialFailed(std::int32_t Error) {
    lastError_ = Error;
    DebugChannel("telephony dial failed: " + IntToStr(TapiResultCode(Error)));
    retryPending_ = false;
    // The hang-up ends the call that never connected, and its end writes "dial failed": once.
    HangupCall(true);
    // A library without the function keeps its own code: "call unavailable" would hide it.
    if (Error == TapiLoadFail || Error == TapiGetAddrFail) CheckException(this, Error);
    if (OnTapiFail)
        Post(3);
    else
        CheckException(this, -13805);
}

bool TKslCustomTapiDevice::CancelCall() {
    cancelled_ = true;
    History(TTapiLogCode::ltapiCancel);
    HangupCall(true);
    return true;
}

void TKslCustomTapiDevice::HangupCall(bool UserCancel) {
    if (hangingUp_) return;
    hangingUp_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{hangingUp_};
    const bool wasOpen = lineOpen_;
    if (lineOpen_) {
        // Only a port opened on this call is the call's to close: before the call connects the
        // port may be open on the direct line for someone else.
        bool portWasOpen = false;
        if (comPort_ && portOnCall_) {
            portWasOpen = comPort_->GetOpen();
            try {
                comPort_->SetOpen(false);
            } catch (const std::exception& e) {
                DebugChannel(std::string("telephony port close: ") + e.what());
            }
            comPort_->TapiHandle = nullptr;
        }
        portOnCall_ = false;
        if (call_) {
            if (callState_ != LINECALLSTATE_IDLE) {
                if (WaitForReply(talvik::lineDrop(call_, nullptr, 0)) == 0) WaitForState(LINECALLSTATE_IDLE);
            }
            talvik::lineDeallocateCall(call_);
        }
        if (line_) talvik::lineClose(line_);
        call_ = 0;
        line_ = 0;
        lineOpen_ = false;
        connected_ = false;
        if (portWasOpen) Post(2);
        History(TTapiLogCode::ltapiDrop);
    }
    if (UserCancel || cancelled_) retryPending_ = false;
    bool finished = true;
    if (retryPending_ && attempts_ < MaxAttempts) {
        StartRetryTimer();
        finished = false;
    } else {
        retryPending_ = false;
        StopRetryTimer();
    }
    if (finished && (wasOpen || lineOpenedOnce_)) {
        lineOpenedOnce_ = false;
        Report(false, true, 0, 0, 0, 0, 0);
        History(TTapiLogCode::ltapiCallFinish);
        if (!connectedThisCall_) {
            History(TTapiLogCode::ltapiDialFail);
            Post(3);
        }
    }
}

void TKslCustomTapiDevice::OpenPortOnCall() {
    if (!comPort_) return;
    try {
        comPort_->SetOpen(false);
        constexpr DWORD kIdSize = 1028;
        std::vector<std::uint32_t> buf(kIdSize / 4, 0);
        auto* v = reinterpret_cast<LPVARSTRING>(buf.data());
        v->dwTotalSize = kIdSize;
        HANDLE handle = INVALID_HANDLE_VALUE;
        // The offset is the service's word: it is checked against the buffer, not against a
        // total the service may have rewritten.
        if (talvik::lineGetID(line_, 0, call_, LINECALLSELECT_CALL, v, "comm/datamodem") == 0 && v->dwStringSize >= 4 &&
            v->dwStringOffset >= sizeof(VARSTRING) && v->dwStringOffset <= kIdSize - 4)
            std::memcpy(&handle, reinterpret_cast<const char*>(buf.data()) + v->dwStringOffset, 4);
        comPort_->TapiHandle = handle == INVALID_HANDLE_VALUE ? nullptr : handle;
        // The call's data stream, never the port's own line: a port left in direct mode (the
        // program went back to its direct line while a retry was pending) would open that line
        // and leave the call's handle unused.
        comPort_->SetTapiMode(TTapiMode::tmOn);
        portOnCall_ = true;
        comPort_->SetOpen(true);
        comPort_->FlushInBuffer();
        comPort_->FlushOutBuffer();
        if (comPort_->Dispatcher()) comPort_->Dispatcher()->DeviceName = selectedDevice_;
        Post(1);
    } catch (const std::exception& e) {
        // A call whose data stream cannot be opened is of no use: it ends as a failed one.
        DebugChannel(std::string("telephony port open: ") + e.what());
        lastError_ = -13934;
        connectedThisCall_ = false;
        retryPending_ = false;
        HangupCall(true);
        Post(3);
    }
}

void TKslCustomTapiDevice::RefreshCallInfo() {
    if (!call_) {
        callInfo_.Buffer().clear();
        return;
    }
    GetCallInfo(call_, callInfo_);
}

// ---------------------------------------------------------------------------- waits

int TKslCustomTapiDevice::WaitUntil(const std::function<bool()>& Reached) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (Reached()) return 0;
        if (!lineOpen_) return 1;
        if (GetTickCount() - start >= WaitTimeoutMs) return 2;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (m.message == WM_QUIT) {
                // The program is ending: the main loop still gets to see it.
                PostQuitMessage(static_cast<int>(m.wParam));
                return 1;
            }
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
    }
}

LONG TKslCustomTapiDevice::WaitForReply(LONG Request) {
    if (Request < 1) return Request;
    awaited_.insert(Request);
    const int r = WaitUntil([&] { return replies_.count(Request) != 0; });
    awaited_.erase(Request);
    LONG result = static_cast<LONG>(LINEERR_OPERATIONFAILED);
    if (auto it = replies_.find(Request); it != replies_.end()) {
        result = it->second;
        replies_.erase(it);
    }
    return r == 0 ? result : r;
}

int TKslCustomTapiDevice::WaitForState(DWORD State) {
    return WaitUntil([&] { return !call_ || (callStateArrived_ && callState_ == State); });
}

// ---------------------------------------------------------------------------- retry timer

void TKslCustomTapiDevice::StartRetryTimer() {
    retryCountdown_ = RetryWait;
    retryTimer_ = true;
    SetTimer(window_, kRetryTimerId, 1000, nullptr);
}

void TKslCustomTapiDevice::StopRetryTimer() {
    if (!retryTimer_) return;
    retryTimer_ = false;
    if (window_) KillTimer(window_, kRetryTimerId);
}

void TKslCustomTapiDevice::RetryTick() {
    if (!retryTimer_) return;
    if (lineOpen_ || !retryPending_) {
        StopRetryTimer();
        return;
    }
    --retryCountdown_;
    if (retryCountdown_ >= 1) {
        Report(false, false, 0, 32, 8, 0, 0);
        return;
    }
    StopRetryTimer();
    ++attempts_;
    try {
        StartCall();
    } catch (const std::exception& e) {
        // A retry that cannot start ends the call as a failure the program hears of.
        retryPending_ = false;
        HangupCall(true);
        if (!lineOpenedOnce_) Post(3);
        ShowError(e);
    }
}

// ---------------------------------------------------------------------------- events

void TKslCustomTapiDevice::History(TTapiLogCode Code) {
    if (tapiLog_) tapiLog_->UpdateLog(Code);
    if (OnTapiLog) OnTapiLog(this, Code);
}

void TKslCustomTapiDevice::Report(bool First, bool Last, std::int32_t Device, std::int32_t Message,
                                  std::int32_t Param1, std::int32_t Param2, std::int32_t Param3) {
    if (statusDisplay_) {
        statusDisplay_->UpdateDisplay(First || statusDisplay_->FirstLine, Last, Device, Message, Param1, Param2,
                                      Param3);
        statusDisplay_->FirstLine = false;
    }
    // The end of a call with nothing to say goes to the status window only.
    const bool nothing = Last && Device == 0 && Message == 0 && Param1 == 0 && Param2 == 0 && Param3 == 0;
    if (OnTapiStatus && !nothing) OnTapiStatus(this, First, Last, Device, Message, Param1, Param2, Param3);
}

void TKslCustomTapiDevice::Post(WPARAM Kind, LPARAM Param) {
    if (window_) PostMessageW(window_, MsgTapiState, Kind, Param);
}

LRESULT TKslCustomTapiDevice::HandleMessage(UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (Msg == WM_QUERYENDSESSION) return 1;
    if (Msg == WM_TIMER) {
        if (wParam == kRetryTimerId) RetryTick();
        return 0;
    }
    switch (wParam) {
    case 0:
        if (OnTapiConnect) OnTapiConnect(this);
        break;
    case 1:
        if (OnTapiPortOpen) OnTapiPortOpen(this);
        break;
    case 2:
        if (OnTapiPortClose) OnTapiPortClose(this);
        break;
    case 3:
        if (!failReported_) {
            failReported_ = true;
            if (OnTapiFail) OnTapiFail(this);
        }
        break;
    case 4: LineCreate(0, static_cast<DWORD_PTR>(lParam), 0, 0); break;
    default: break;
    }
    return 0;
}

void TKslCustomTapiDevice::LineMessage(DWORD hDevice, DWORD Msg, DWORD_PTR Param1, DWORD_PTR Param2,
                                       DWORD_PTR Param3) {
    switch (Msg) {
    case LINE_CALLINFO: LineCallInfo(hDevice, Param1, Param2, Param3); break;
    case LINE_CALLSTATE: LineCallState(hDevice, Param1, Param2, Param3); break;
    case LINE_CLOSE: LineClose(hDevice, Param1, Param2, Param3); break;
    case LINE_GENERATE: LineGenerate(hDevice, Param1, Param2, Param3); break;
    case LINE_LINEDEVSTATE: LineDevState(hDevice, Param1, Param2, Param3); break;
    case LINE_MONITORDIGITS: LineMonitorDigits(hDevice, Param1, Param2, Param3); break;
    case LINE_MONITORMEDIA: LineMonitorMedia(hDevice, Param1, Param2, Param3); break;
    case LINE_MONITORTONE: LineMonitorTone(hDevice, Param1, Param2, Param3); break;
    case LINE_REPLY: LineReply(hDevice, Param1, Param2, Param3); break;
    case LINE_REQUEST: LineRequest(hDevice, Param1, Param2, Param3); break;
    case LINE_CREATE:
        // Every device learns of the new line, through its own window.
        for (TKslCustomTapiDevice* d : Devices()) d->Post(4, static_cast<LPARAM>(Param1));
        break;
    default: break;
    }
}

void TKslCustomTapiDevice::LineCallState(DWORD hDevice, DWORD_PTR Param1, DWORD_PTR Param2, DWORD_PTR Param3) {
    const DWORD state = static_cast<DWORD>(Param1);
    // States of a call that is no longer ours (dropped and given back) change nothing.
    if (state != LINECALLSTATE_OFFERING && (!lineOpen_ || (call_ && static_cast<HCALL>(hDevice) != call_))) return;
    callState_ = state;
    callStateArrived_ = true;
    const bool last = state == LINECALLSTATE_CONNECTED;
    if (!last)
        Report(false, false, static_cast<std::int32_t>(hDevice), 2, static_cast<std::int32_t>(Param1),
               static_cast<std::int32_t>(Param2), static_cast<std::int32_t>(Param3));
    switch (state) {
    case LINECALLSTATE_CONNECTED:
        if (connectedThisCall_ || !lineOpen_) break;
        connectedThisCall_ = true;
        RefreshCallInfo();
        connected_ = true;
        StopRetryTimer();
        retryPending_ = false;
        OpenPortOnCall();
        if (!connected_) break;  // the data stream did not open: the call is over
        Report(false, true, static_cast<std::int32_t>(hDevice), 2, static_cast<std::int32_t>(Param1),
               static_cast<std::int32_t>(Param2), static_cast<std::int32_t>(Param3));
        Post(0);
        History(TTapiLogCode::ltapiConnect);
        break;
    case LINECALLSTATE_BUSY:
        History(TTapiLogCode::ltapiBusy);
        HangupCall(false);
        break;
    case LINECALLSTATE_DISCONNECTED:
        lastError_ = static_cast<std::int32_t>(Param2);
        if (Param2 == LINEDISCONNECTMODE_BUSY) History(TTapiLogCode::ltapiBusy);
        HangupCall(false);
        break;
    case LINECALLSTATE_IDLE:
    case LINECALLSTATE_SPECIALINFO: HangupCall(false); break;
    case LINECALLSTATE_OFFERING: {
        TTapiStruct<LINECALLINFO> info;
        if (GetCallInfo(static_cast<HCALL>(hDevice), info) != 0 || !info) CheckException(this, -13934);
        callInfo_ = info;
        const DWORD accepted = enableVoice_ ? 0x3A : 0x32;
        if (info->dwMediaMode & accepted) {
            call_ = static_cast<HCALL>(hDevice);
            WaitForReply(talvik::lineAccept(call_, nullptr, 0));
            History(TTapiLogCode::ltapiAccept);
        }
        break;
    }
    default: break;
    }
}

void TKslCustomTapiDevice::LineCallInfo(DWORD hDevice, DWORD_PTR Param1, DWORD_PTR, DWORD_PTR) {
    RefreshCallInfo();
    if ((Param1 & LINECALLINFOSTATE_CALLERID) && callInfo_ && OnTapiCallerID) {
        const DWORD flags = callInfo_->dwCallerIDFlags;
        std::string id, name;
        if (flags & LINECALLPARTYID_UNKNOWN) id = "Unknown";
        else if (flags & LINECALLPARTYID_UNAVAIL) id = "Unavailable";
        else if (!(flags & (LINECALLPARTYID_BLOCKED | LINECALLPARTYID_OUTOFAREA))) {
            id = callInfo_.Text(callInfo_->dwCallerIDOffset, callInfo_->dwCallerIDSize);
            name = callInfo_.Text(callInfo_->dwCallerIDNameOffset, callInfo_->dwCallerIDNameSize);
        }
        OnTapiCallerID(this, Trim(id), Trim(name));
    }
    Report(false, false, static_cast<std::int32_t>(hDevice), 1, static_cast<std::int32_t>(Param1), 0, 0);
}

void TKslCustomTapiDevice::LineClose(DWORD, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
    // The service closed the line under us: nothing of it can be dropped any more.
    line_ = 0;
    call_ = 0;
    HangupCall(true);
}

void TKslCustomTapiDevice::LineCreate(DWORD, DWORD_PTR Param1, DWORD_PTR, DWORD_PTR) {
    deviceCount_ = std::max<DWORD>(deviceCount_, static_cast<DWORD>(Param1) + 1);
    if (lineApp_) BuildLineList();
}

void TKslCustomTapiDevice::LineDevState(DWORD hDevice, DWORD_PTR Param1, DWORD_PTR Param2, DWORD_PTR Param3) {
    switch (Param1) {
    case LINEDEVSTATE_RINGING:
        Report(false, false, static_cast<std::int32_t>(hDevice), 8, static_cast<std::int32_t>(Param1),
               static_cast<std::int32_t>(Param2), static_cast<std::int32_t>(Param3));
        if (call_ && AnswerOnRing <= Param3) {
            WaitForReply(talvik::lineAnswer(call_, nullptr, 0));
            History(TTapiLogCode::ltapiAnswer);
        }
        break;
    case LINEDEVSTATE_DISCONNECTED:
    case LINEDEVSTATE_OUTOFSERVICE:
    case LINEDEVSTATE_MAINTENANCE: HangupCall(true); break;
    case LINEDEVSTATE_REINIT:
        if (Param2 == 0) {
            ShutDown();
        } else if (Param2 == LINE_LINEDEVSTATE) {
            LineDevState(hDevice, Param3, 0, 0);
        } else if (Param2 == LINE_CREATE) {
            LineCreate(hDevice, Param3, 0, 0);
        }
        break;
    default: break;
    }
}

void TKslCustomTapiDevice::LineMonitorDigits(DWORD, DWORD_PTR Param1, DWORD_PTR, DWORD_PTR) {
    const char digit = static_cast<char>(Param1 & 0xFF);
    if (digit != 0 && digit != ' ' && OnTapiDTMF) OnTapiDTMF(this, digit, 0);
    History(TTapiLogCode::ltapiReceivedDigit);
}

void TKslCustomTapiDevice::LineMonitorMedia(DWORD hDevice, DWORD_PTR Param1, DWORD_PTR Param2, DWORD_PTR Param3) {
    Report(false, false, static_cast<std::int32_t>(hDevice), 10, static_cast<std::int32_t>(Param1),
           static_cast<std::int32_t>(Param2), static_cast<std::int32_t>(Param3));
}

void TKslCustomTapiDevice::LineMonitorTone(DWORD hDevice, DWORD_PTR Param1, DWORD_PTR Param2, DWORD_PTR Param3) {
    Report(false, false, static_cast<std::int32_t>(hDevice), 11, static_cast<std::int32_t>(Param1),
           static_cast<std::int32_t>(Param2), static_cast<std::int32_t>(Param3));
}

void TKslCustomTapiDevice::LineReply(DWORD, DWORD_PTR Param1, DWORD_PTR Param2, DWORD_PTR) {
    const LONG request = static_cast<LONG>(Param1);
    if (awaited_.count(request)) replies_[request] = static_cast<LONG>(Param2);
}

void TKslCustomTapiDevice::LineRequest(DWORD hDevice, DWORD_PTR Param1, DWORD_PTR Param2, DWORD_PTR Param3) {
    Report(false, false, static_cast<std::int32_t>(hDevice), 13, static_cast<std::int32_t>(Param1),
           static_cast<std::int32_t>(Param2), static_cast<std::int32_t>(Param3));
}

// ---------------------------------------------------------------------------- selection

int TKslCustomTapiDevice::SelectDevice() {
    TDeviceSelectionForm form;
    form.ShowTapiDevices = ShowTapiDevices;
    form.ShowPorts = ShowPorts;
    form.FilterUnsupportedDevices = filterUnsupported_;
    form.EnableVoice = enableVoice_;
    form.TapiMode = comPort_ ? comPort_->GetTapiMode() : TTapiMode::tmAuto;
    if (form.TapiMode == TTapiMode::tmOff && comPort_)
        form.ComNumber = comPort_->GetComNumber();
    else
        form.DeviceName = selectedDevice_;
    const int r = form.ShowModal();
    if (r != 1) return r;
    if (form.TapiMode == TTapiMode::tmOff) {
        if (comPort_) {
            comPort_->SetTapiMode(TTapiMode::tmOff);
            comPort_->SetComNumber(form.ComNumber);
        }
    } else {
        if (comPort_) comPort_->SetTapiMode(TTapiMode::tmAuto);
        selectedDevice_ = form.DeviceName;
        deviceId_ = 0xFFFFFFFF;
        if (enableVoice_) CheckVoice();
    }
    return r;
}

// A copy of another device's choices and what it knows, for a device that is to stand in for
// it: no line or call of the other's is taken over.
void TKslCustomTapiDevice::Assign(const TKslCustomTapiDevice& Source) {
    if (&Source == this) return;
    lines_ = Source.lines_;
    allLines_ = Source.allLines_;
    AnswerOnRing = Source.AnswerOnRing;
    RetryWait = Source.RetryWait;
    MaxAttempts = Source.MaxAttempts;
    ShowTapiDevices = Source.ShowTapiDevices;
    ShowPorts = Source.ShowPorts;
    enableVoice_ = Source.enableVoice_;
    filterUnsupported_ = Source.filterUnsupported_;
    selectedDevice_ = Source.selectedDevice_;
    deviceId_ = Source.deviceId_;
    deviceCount_ = Source.deviceCount_;
    attempts_ = Source.attempts_;
    comPort_ = Source.comPort_;
    statusDisplay_ = Source.statusDisplay_;
    tapiLog_ = Source.tapiLog_;
    callInfo_ = Source.callInfo_;
}

}  // namespace talvik

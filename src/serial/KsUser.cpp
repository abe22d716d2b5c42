// The dispatcher: port list, input ring, triggers and their delivery, the dispatcher thread and
// the port operations built on the device slots.
#include "serial/KsUser.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "base/debugchannel.h"
#include "serial/KsExcept.h"

namespace talvik {

// ---------------------------------------------------------------- port list

namespace {

std::vector<TKslBaseDispatcher*>& PortList() {
    static std::vector<TKslBaseDispatcher*> list;
    return list;
}

std::int32_t RingAdd(std::int32_t pos, std::int32_t n) {
    pos += n;
    while (pos >= DispatchBufferSize) pos -= DispatchBufferSize;
    return pos;
}

}  // namespace

std::recursive_mutex& PortListSection() {
    static std::recursive_mutex m;
    return m;
}

TKslBaseDispatcher* PortListAt(std::int32_t index) {
    auto& list = PortList();
    if (index < 0 || static_cast<std::size_t>(index) >= list.size()) return nullptr;
    return list[static_cast<std::size_t>(index)];
}

// ---------------------------------------------------------------- threads

TKslDispatcherThread::~TKslDispatcherThread() { Join(); }

void TKslDispatcherThread::Start() { thread_ = std::thread([this] { Run(); }); }

void TKslDispatcherThread::Join() {
    if (thread_.joinable() && std::this_thread::get_id() != thread_.get_id()) thread_.join();
}

void TKslDispatcherThread::Run() {
    id_.store(std::this_thread::get_id());
    try {
        Execute();
    } catch (const std::exception& e) {
        Dispatcher->ReportThreadError(e.what());
    } catch (...) {
        Dispatcher->ReportThreadError("Unknown exception in a serial port thread");
    }
    Dispatcher->ThreadGone(this);
    finished_.store(true);
}

void TDispThread::Execute() {
    TKslBaseDispatcher* d = Dispatcher;
    d->ThreadStart();
    bool killedAtWait = false;
    do {
        // While the ring is full the queued blocks stay where they are; waiting on the queue
        // would return at once, so wait for the application to make room (or 50 ms).
        const int wait = d->MsUntilNextTimer(50);
        if (d->DispatchFull.load())
            d->DispWakeEvent->Wait(wait);
        else
            d->InQueue.WaitForBuffer(wait);
        if (d->KillThreads.load()) {
            killedAtWait = true;
            break;
        }
        d->ProcessQueue();
        d->ProcessTimers();
    } while (!d->KillThreads.load() && !d->ClosePending.load());
    if (!killedAtWait) d->GeneralEvent->Set();
    d->DoDonePortLater.store(d->ClosePending.load());
}

// ---------------------------------------------------------------- construction

TKslBaseDispatcher::TKslBaseDispatcher(TKslBaseComponent* owner) : Owner(owner) {
    DateTimeText = [] {
        std::time_t t = std::time(nullptr);
        std::tm tmv{};
#ifdef _WIN32
        localtime_s(&tmv, &t);
#else
        localtime_r(&t, &tmv);
#endif
        char buf[32];
        std::strftime(buf, sizeof buf, "%d/%m/%y, %H:%M:%S", &tmv);
        return std::string(buf);
    };
    std::lock_guard<std::recursive_mutex> g(PortListSection());
    auto& list = PortList();
    auto it = std::find(list.begin(), list.end(), nullptr);
    if (it != list.end()) {
        *it = this;
        Handle = static_cast<std::int32_t>(it - list.begin());
    } else {
        list.push_back(this);
        Handle = static_cast<std::int32_t>(list.size() - 1);
    }
}

TKslBaseDispatcher::~TKslBaseDispatcher() {
    // The most-derived destructor has stopped the threads; anything still here is joined.
    for (auto* t : {&ReadThread, &DispThread, &WriteThread, &StatusThread})
        if (*t) (*t)->Join();
    std::lock_guard<std::recursive_mutex> g(PortListSection());
    auto& list = PortList();
    if (Handle >= 0 && static_cast<std::size_t>(Handle) < list.size() &&
        list[static_cast<std::size_t>(Handle)] == this)
        list[static_cast<std::size_t>(Handle)] = nullptr;
    while (!list.empty() && list.back() == nullptr) list.pop_back();
}

std::unique_ptr<TKslEvent> TKslBaseDispatcher::CreateEventObject(bool manualReset) {
    return std::make_unique<TKslCondEvent>(manualReset);
}

TDeliveryResult TKslBaseDispatcher::SendWindowMessage(std::uintptr_t, std::uint32_t,
                                                      std::uint32_t, std::int32_t) {
    return TDeliveryResult::Failed;
}

void TKslBaseDispatcher::PumpWhileWaiting() {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void TKslBaseDispatcher::SleepMs(std::int32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void TKslBaseDispatcher::ReportThreadError(const std::string& message) {
    DebugChannel("Serial port: " + message);
}

bool TKslBaseDispatcher::WaitForThreadEnd(std::unique_ptr<TKslDispatcherThread>& thread,
                                          std::uint32_t deadlineMs) {
    if (!thread) return true;
    if (thread->OnThisThread()) return true;
    while (!thread->Finished()) {
        // Signed difference: the deadline may lie across the clock's wrap.
        if (static_cast<std::int32_t>(KsTimeGetTime() - deadlineMs) >= 0) {
            AbandonThread(thread);
            return false;
        }
        PumpWhileWaiting();
    }
    thread->Join();
    thread.reset();
    return true;
}

void TKslBaseDispatcher::AbandonThread(std::unique_ptr<TKslDispatcherThread>& thread) {
    if (!thread) return;
    const bool first = !Abandoned.exchange(true);
    // The thread keeps its object and this dispatcher; neither is freed while it may run.
    thread->Abandon();
    (void)thread.release();
    if (first)
        ReportToUser(DeviceName + ": the serial device does not let go; the port is abandoned. "
                     "Unplug the device or restart the program to use it again.");
}

void TKslBaseDispatcher::ShutdownThreads() {
    KillThreads.store(true);
    if (DispWakeEvent) DispWakeEvent->Set();
    if (StatusWakeEvent) StatusWakeEvent->Set();
    InQueue.Event().Set();
    const std::uint32_t deadline = KsTimeGetTime() + ThreadEndBoundMs;
    for (auto* t : {&StatusThread, &WriteThread, &ReadThread, &DispThread}) WaitForThreadEnd(*t, deadline);
}

// ---------------------------------------------------------------- threads bookkeeping

void TKslBaseDispatcher::ThreadStart() {
    ActiveThreads.fetch_add(1);
    GeneralEvent->Set();
}

void TKslBaseDispatcher::ThreadGone(TKslDispatcherThread* thread) {
    // A thread that ends after it was abandoned finds nobody waiting for it: the port has been
    // reported already and its owner has moved on.
    if (thread->IsAbandoned()) return;
    const std::int32_t rv = thread->ReturnValue.load();
    if (rv < 0) {
        std::int32_t expected = 0;
        DeviceError.compare_exchange_strong(expected, rv);
        try {
            CheckException(Owner, rv);
        } catch (const std::exception& e) {
            ReportThreadError(e.what());
        }
    }
    // The thread's own kind, not the DispThread pointer, which the UI thread may be setting.
    if (thread->IsDispatcherThread() && DoDonePortLater.load()) DonePortPrim();
    if (ActiveThreads.fetch_sub(1) == 1) DispatcherStarted.store(false);
}

// ---------------------------------------------------------------- open and close

std::int32_t TKslBaseDispatcher::OpenPort(const std::string& comName, std::int32_t baud,
                                          std::uint16_t parity, std::uint16_t dataBits,
                                          std::uint16_t stopBits, std::int32_t inSize,
                                          std::int32_t outSize, std::uint8_t options) {
    RingFlag.store(false);
    EventBusy.store(false);
    DeletePending = false;
    if (!DispWakeEvent) {
        DispWakeEvent = CreateEventObject(false);
        StatusWakeEvent = CreateEventObject(false);
        GeneralEvent = CreateEventObject(false);
        OutputEvent = CreateEventObject(false);
        SentEvent = CreateEventObject(true);
        FlushEvent = CreateEventObject(false);
    }
    primDone_.store(false);
    std::int32_t cid = OpenCom(comName, inSize, outSize);
    if (cid < 0) {
        std::int32_t rc = cid == -8 ? -8 : -static_cast<std::int32_t>(LastPlatformError());
        if (rc == 0) rc = cid;
        DonePort();
        return rc;
    }
    CidEx.store(cid);
    if (!SetupCom(inSize, outSize)) {
        std::int32_t rc = -static_cast<std::int32_t>(LastPlatformError());
        if (rc == 0) rc = -1;
        DonePort();
        return rc;
    }
    {
        std::lock_guard<std::recursive_mutex> g(DispSection);
        DBuffer.assign(DispatchBufferSize, 0);
    }
    {
        std::lock_guard<std::recursive_mutex> g(OutputSection);
        OutBuff.assign(static_cast<std::size_t>(std::max(outSize, 0)), 0);
        OutBuffHead = OutBuffTail = 0;
        OutBuffFull = false;
    }
    InQue = inSize;
    OutQue = outSize;
    LastError = 0;
    OutSentPending.store(false);
    ClosePending.store(false);
    DispatchFull.store(false);
    GetCount = 0;
    RS485Mode = false;
    BaseAddress = 0;
    DeviceError.store(0);

    GetComState(DCB);
    if (!(options & 0x10)) {
        DTRAuto = false;
        SetDTR((options & 1) != 0);
    } else {
        DTRAuto = true;
    }
    if (!(options & 0x20)) {
        RTSAuto = false;
        SetRTS((options & 2) != 0);
    } else {
        RTSAuto = true;
    }

    ResetTriggers();
    {
        std::lock_guard<std::recursive_mutex> g(DispSection);
        DBufHead = DBufTail = 0;
        ScanPos = 0;
        LastAvailPos = 0;
        InAvailMessage = false;
    }
    ModemStatus = 0;
    UpdateModemStatus(0xF0);
    LastBaud = 115200;

    std::int32_t rc = SetLine(baud, parity, dataBits, stopBits);
    if (rc != 0) {
        DonePort();
        return rc;
    }
    RefreshStatus();
    AbortTracing();
    DLoggingOn.store(false);
    DLoggingMax = 0;
    TimeBase = KsTimeGetTime();
    StartDispatcher();
    return 0;
}

void TKslBaseDispatcher::DonePort() {
    if (CidEx.load() >= 0) {
        FlushOutBuffer();
        FlushInBuffer();
        CloseCom();
    }
    if (!EventBusy.load())
        DonePortPrim();
    else
        ClosePending.store(true);
}

// Runs once per open, whichever of the main thread and the dispatcher thread gets here first.
void TKslBaseDispatcher::DonePortPrim() {
    if (primDone_.exchange(true)) return;
    DoDonePortLater.store(false);
    if (DispatcherStarted.load()) StopDispatcher();
}

std::int32_t TKslBaseDispatcher::SetupComBuffers(std::int32_t inSize, std::int32_t outSize) {
    if (!SetupCom(inSize, outSize)) {
        std::int32_t rc = -static_cast<std::int32_t>(LastPlatformError());
        return rc == 0 ? -1 : rc;
    }
    return 0;
}

// ---------------------------------------------------------------- line

std::int32_t BaudFromRateCode(std::int32_t baud) {
    struct Code {
        std::int32_t code, rate;
    };
    static const Code codes[] = {{0xFF10, 110},    {0xFF11, 300},    {0xFF12, 600},
                                 {0xFF13, 1200},   {0xFF14, 2400},   {0xFF15, 4800},
                                 {0xFF16, 9600},   {0xFF17, 14400},  {0xFF18, 19200},
                                 {0xFF1B, 38400},  {0xFF1F, 56000},  {0xFF23, 128000},
                                 {0xFF27, 256000}, {0xFEFF, 115200}};
    for (const Code& c : codes)
        if (c.code == baud) return c.rate;
    return baud;
}

std::int32_t LineChangeWaitMs(std::int32_t lastBaud, std::uint8_t dataBits, bool parity,
                              bool twoStopBits) {
    std::int32_t rate = BaudFromRateCode(lastBaud);
    if (rate <= 0) rate = 115200;
    const std::int64_t bits = dataBits + 2 + (parity ? 1 : 0) + (twoStopBits ? 1 : 0);
    const std::int64_t charTime = (10000000 / rate) * bits;  // units of 100 ns
    std::int64_t wait = charTime * 18;
    if (wait < 10000) wait = charTime * 36;
    return static_cast<std::int32_t>((wait + 9999) / 10000);
}

std::int32_t TKslBaseDispatcher::SetLine(std::int32_t baud, std::uint16_t parity,
                                         std::uint16_t dataBits, std::uint16_t stopBits) {
    TKslDCB want;
    {
        std::lock_guard<std::recursive_mutex> g(DataSection);
        if (GetComState(DCB) != 0) return -1;
        want = DCB;
    }
    want.Flags = (want.Flags & ~0x842u) | 0x81u;
    if (baud != 0) want.BaudRate = static_cast<std::uint32_t>(baud);
    if (parity != 5) want.Parity = static_cast<std::uint8_t>(parity);
    if (dataBits != 9) want.ByteSize = static_cast<std::uint8_t>(dataBits);
    if (stopBits != 3) {
        std::uint16_t sb = stopBits == 0 ? 1 : (stopBits > 2 ? 2 : stopBits);
        want.StopBits = sb == 1 ? OneStopBit : TwoStopBits;
    }
    // Two stop bits do not exist with five data bits: the line uses one and a half.
    if (want.ByteSize == 5 && want.StopBits == TwoStopBits) want.StopBits = One5StopBits;

    TKslDCB cur;
    {
        std::lock_guard<std::recursive_mutex> g(DataSection);
        cur = DCB;
    }
    if (want.BaudRate == cur.BaudRate && want.Parity == cur.Parity &&
        want.ByteSize == cur.ByteSize && want.StopBits == cur.StopBits && want.Flags == cur.Flags)
        return 0;

    // Let the line go quiet before changing it.
    for (int i = 0; i < 5000 && OutBuffUsed() > 0; ++i) SleepMs(2);
    SleepMs(LineChangeWaitMs(LastBaud, cur.ByteSize, cur.Parity != 0,
                             cur.StopBits == TwoStopBits));

    std::lock_guard<std::recursive_mutex> g(DataSection);
    GetComState(DCB);
    DCB.BaudRate = want.BaudRate;
    DCB.Parity = want.Parity;
    DCB.ByteSize = want.ByteSize;
    DCB.StopBits = want.StopBits;
    DCB.Flags = (DCB.Flags & ~0x842u) | 0x81u;
    return SetComStateEx(DCB);
}

void TKslBaseDispatcher::GetLine(std::int32_t& baud, std::uint16_t& parity,
                                 std::uint16_t& dataBits, std::uint16_t& stopBits) {
    std::lock_guard<std::recursive_mutex> g(DataSection);
    GetComState(DCB);
    baud = BaudFromRateCode(static_cast<std::int32_t>(DCB.BaudRate));
    parity = DCB.Parity;
    dataBits = DCB.ByteSize;
    stopBits = DCB.StopBits == OneStopBit ? 1 : 2;
}

std::int32_t TKslBaseDispatcher::SetComStateEx(TKslDCB& dcb) {
    if (!DTRAuto) dcb.Flags = (dcb.Flags & ~dcbDtrControlMask) | (DTRState ? dcbDtrEnable : 0u);
    if (!RTSAuto) dcb.Flags = (dcb.Flags & ~dcbRtsControlMask) | (RTSState ? dcbRtsEnable : 0u);
    std::int32_t rc = SetComState(dcb);
    LastBaud = static_cast<std::int32_t>(dcb.BaudRate);
    SetDTR(DTRState);
    if (!RS485Mode) SetRTS(RTSState);
    return rc;
}

std::int32_t TKslBaseDispatcher::SetHWFlowOptions(std::int32_t full, std::int32_t resume,
                                                  std::uint16_t options) {
    if (resume > full || full > InQue) return -1002;
    std::lock_guard<std::recursive_mutex> g(DataSection);
    GetComState(DCB);
    DCB.Flags &= ~(dcbOutxCtsFlow | dcbOutxDsrFlow | dcbDtrControlMask | dcbRtsControlMask);
    DTRAuto = false;
    RTSAuto = false;
    if (options & 1) {
        DCB.Flags |= dcbDtrHandshake;
        DTRAuto = true;
    } else if (DTRState) {
        DCB.Flags |= dcbDtrEnable;
    }
    if (options & 2) {
        DCB.Flags |= dcbRtsHandshake;
        RTSAuto = true;
    } else if (RTSState) {
        DCB.Flags |= dcbRtsEnable;
    }
    if (RS485Mode) {
        DCB.Flags = (DCB.Flags & ~dcbRtsControlMask) | dcbRtsToggle;
        RTSAuto = true;
    }
    DCB.XoffLim = static_cast<std::uint16_t>(std::clamp(InQue - full, 0, 0xFFFF));
    DCB.XonLim = static_cast<std::uint16_t>(std::clamp(resume, 0, 0xFFFF));
    if (options & 4) DCB.Flags |= dcbOutxDsrFlow;
    if (options & 8) DCB.Flags |= dcbOutxCtsFlow;
    return SetComStateEx(DCB);
}

std::int32_t TKslBaseDispatcher::SetSWFlowOptions(std::int32_t full, std::int32_t resume,
                                                  std::uint16_t options) {
    if (resume > full || full > InQue) return -1002;
    std::lock_guard<std::recursive_mutex> g(DataSection);
    GetComState(DCB);
    if (options & 2) {
        DCB.Flags |= dcbInX;
        DCB.XoffLim = static_cast<std::uint16_t>(std::clamp(InQue - full, 0, 0xFFFF));
        DCB.XonLim = static_cast<std::uint16_t>(std::clamp(resume, 0, 0xFFFF));
        DCB.XonChar = 17;
        DCB.XoffChar = 19;
    }
    if (options & 1) {
        DCB.Flags |= dcbOutX;
        DCB.XonChar = 17;
        DCB.XoffChar = 19;
    }
    return SetComStateEx(DCB);
}

std::int32_t TKslBaseDispatcher::SWFlowDisable() {
    std::lock_guard<std::recursive_mutex> g(DataSection);
    GetComState(DCB);
    DCB.Flags &= ~(dcbInX | dcbOutX);
    return SetComStateEx(DCB);
}

std::int32_t TKslBaseDispatcher::SetSWFlowChars(char xOn, char xOff) {
    std::lock_guard<std::recursive_mutex> g(DataSection);
    GetComState(DCB);
    DCB.XonChar = xOn;
    DCB.XoffChar = xOff;
    return SetComStateEx(DCB);
}

std::int32_t TKslBaseDispatcher::GetFlowOptions(std::uint16_t& hwOpts, std::uint16_t& swOpts,
                                                char& xOnChar, char& xOffChar) {
    std::lock_guard<std::recursive_mutex> g(DataSection);
    std::int32_t rc = GetComState(DCB);
    hwOpts = 0;
    if ((DCB.Flags & dcbDtrControlMask) == dcbDtrHandshake) hwOpts |= 1;
    if ((DCB.Flags & dcbRtsControlMask) == dcbRtsHandshake) hwOpts |= 2;
    if (DCB.Flags & dcbOutxDsrFlow) hwOpts |= 4;
    if (DCB.Flags & dcbOutxCtsFlow) hwOpts |= 8;
    swOpts = 0;
    if (DCB.Flags & dcbInX) swOpts |= 2;
    if (DCB.Flags & dcbOutX) swOpts |= 1;
    xOnChar = DCB.XonChar;
    xOffChar = DCB.XoffChar;
    return rc;
}

std::int32_t TKslBaseDispatcher::SetDTR(bool on) {
    if (DTRAuto) return 1;
    if (EscapeComFunction(on ? 5 : 6) < 0) return -1002;
    DTRState = on;
    return 0;
}

std::int32_t TKslBaseDispatcher::SetRTS(bool on) {
    if (RTSAuto) return 1;
    if (EscapeComFunction(on ? 3 : 4) < 0) return -1002;
    RTSState = on;
    return 0;
}

void TKslBaseDispatcher::SetRS485Mode(bool on) {
    std::lock_guard<std::recursive_mutex> g(DataSection);
    RS485Mode = on;
    if (WriteThread) ApplyThreadPriority(WriteThread.get(), ThreadBoost + (on ? 1 : 0));
}

void TKslBaseDispatcher::SetThreadBoost(std::uint8_t boost) {
    if (boost == ThreadBoost) return;
    ThreadBoost = boost;
    for (auto* t : {&ReadThread, &DispThread, &StatusThread})
        if (*t) ApplyThreadPriority(t->get(), boost);
    if (WriteThread) ApplyThreadPriority(WriteThread.get(), boost + (RS485Mode ? 1 : 0));
}

void TKslBaseDispatcher::SetOptionFlags(std::uint32_t mask) {
    std::lock_guard<std::recursive_mutex> g(DataSection);
    optionFlags_ |= mask;
}

void TKslBaseDispatcher::ClearOptionFlags(std::uint32_t mask) {
    std::lock_guard<std::recursive_mutex> g(DataSection);
    optionFlags_ &= ~mask;
}

std::uint32_t TKslBaseDispatcher::OptionFlags() {
    std::lock_guard<std::recursive_mutex> g(DataSection);
    return optionFlags_;
}

// ---------------------------------------------------------------- status

std::uint8_t TKslBaseDispatcher::UpdateModemStatus(std::uint8_t clearMask) {
    const std::uint8_t lines = GetModemLines() & 0xF0;
    std::lock_guard<std::recursive_mutex> g(DataSection);
    ModemStatus = static_cast<std::uint8_t>(lines | (ModemStatus & 0x0F));
    if (RingFlag.exchange(false)) ModemStatus |= msTrailingRing;
    const std::uint8_t result = ModemStatus;
    ModemStatus &= clearMask;
    return result;
}

std::uint8_t TKslBaseDispatcher::GetModemStatus() { return UpdateModemStatus(0xF0); }

bool TKslBaseDispatcher::CheckDCD() { return (UpdateModemStatus(0xF7) & msDCD) != 0; }

void TKslBaseDispatcher::RefreshStatus() {
    TKslComStat st;
    const std::uint32_t bits = GetComError(st);
    std::lock_guard<std::recursive_mutex> g(DataSection);
    ComStatus = st;
    LastError |= bits & 31;
}

std::uint16_t TKslBaseDispatcher::GetLineError() {
    std::lock_guard<std::recursive_mutex> g(DataSection);
    std::uint16_t r = 0;
    if (LastError & ceRxOver)
        r = 1;
    else if (LastError & ceOverrun)
        r = 2;
    else if (LastError & ceRxParity)
        r = 3;
    else if (LastError & ceFrame)
        r = 4;
    else if (LastError & ceBreak)
        r = 9;
    if (r != 0) LastError &= ~(ceRxOver | ceOverrun | ceRxParity | ceFrame);
    return r;
}

bool TKslBaseDispatcher::CheckLineBreak() {
    std::lock_guard<std::recursive_mutex> g(DataSection);
    const bool b = (LastError & ceBreak) != 0;
    LastError &= ~ceBreak;
    return b;
}

// ---------------------------------------------------------------- input ring

std::uint32_t TKslBaseDispatcher::UnreadCount() {
    if (DBufHead > DBufTail) return static_cast<std::uint32_t>(DBufHead - DBufTail);
    if (DBufHead < DBufTail) return static_cast<std::uint32_t>(DBufHead + DispatchBufferSize - DBufTail);
    return DispatchFull.load() ? DispatchBufferSize : 0;
}

std::uint32_t TKslBaseDispatcher::InBuffUsed() {
    std::lock_guard<std::recursive_mutex> g(DispSection);
    std::uint32_t n = UnreadCount();
    if (InAvailMessage) n -= std::min<std::uint32_t>(n, static_cast<std::uint32_t>(GetCount));
    return n;
}

bool TKslBaseDispatcher::CharReady() {
    std::lock_guard<std::recursive_mutex> g(DispSection);
    if (DBuffer.empty()) return false;
    if (!InAvailMessage) return DBufHead != DBufTail || DispatchFull.load();
    if (DispatchFull.load()) return GetCount < DispatchBufferSize;
    return RingAdd(DBufTail, GetCount) != DBufHead;
}

std::int32_t TKslBaseDispatcher::PeekChar(std::uint8_t& c, std::uint32_t count) {
    std::lock_guard<std::recursive_mutex> g(DispSection);
    if (count == 0 || DBuffer.empty() || UnreadCount() < count) return -3007;
    c = DBuffer[static_cast<std::size_t>(RingAdd(DBufTail, static_cast<std::int32_t>(count - 1)))];
    return 0;
}

std::int32_t TKslBaseDispatcher::GetChar(std::uint8_t& c) {
    {
        std::lock_guard<std::recursive_mutex> g(DispSection);
        if (InAvailMessage) {
            ++GetCount;
            if (PeekChar(c, static_cast<std::uint32_t>(GetCount)) != 0) {
                --GetCount;
                return -3007;
            }
        } else {
            if (PeekChar(c, 1) != 0) return -3007;
            DBufTail = RingAdd(DBufTail, 1);
            if (DispatchFull.exchange(false) && DispWakeEvent) DispWakeEvent->Set();
        }
    }
    if (TracingOnFlag.load()) AddTraceEntry('R', c);
    return 0;
}

bool TKslBaseDispatcher::ExtractData() {
    std::lock_guard<std::recursive_mutex> g(DispSection);
    if (DBuffer.empty()) return false;
    if (DispatchFull.load()) {
        AddDispatchEntry(1, 8, 0, "Dispatch buffer full.", 21);
        return true;
    }
    const std::int32_t avail = InQueueUsed();
    if (avail <= 0) return false;
    std::int32_t freeSpace, contiguous;
    if (DBufHead == DBufTail) {
        freeSpace = DispatchBufferSize;
        contiguous = DispatchBufferSize - DBufHead;
    } else if (DBufHead < DBufTail) {
        freeSpace = DBufTail - DBufHead;
        contiguous = freeSpace;
    } else {
        freeSpace = DBufTail + DispatchBufferSize - DBufHead;
        contiguous = DispatchBufferSize - DBufHead;
    }
    const std::int32_t want = std::min(avail, freeSpace);
    std::int32_t second = want > contiguous ? want - contiguous : 0;
    const std::int32_t first = std::min(want, contiguous);

    // A failed read takes nothing: the head never moves by an error code.
    std::int32_t n = ReadCom(DBuffer.data() + DBufHead, first);
    if (n < 0) {
        ReadErrorHook(-1);
        n = 0;
    }
    n = std::min(n, first);
    AddDispatchEntry(1, 1, static_cast<std::uint32_t>(n), DBuffer.data() + DBufHead, n);
    DBufHead += n;
    if (n < first) second = 0;
    if (DBufHead >= DispatchBufferSize) DBufHead = 0;
    if (n > 0) DispatchFull.store(DBufHead == DBufTail);
    if (second > 0) {
        std::int32_t m = ReadCom(DBuffer.data() + DBufHead, second);
        if (m < 0) {
            ReadErrorHook(-1);
            m = 0;
        }
        m = std::min(m, second);
        AddDispatchEntry(1, 1, static_cast<std::uint32_t>(m), DBuffer.data() + DBufHead, m);
        DBufHead += m;
        if (DBufHead >= DispatchBufferSize) DBufHead = 0;
        if (m > 0) DispatchFull.store(DBufHead == DBufTail);
    }
    return true;
}

std::int32_t TKslBaseDispatcher::ReadQueuedBlocks(std::uint8_t* buf, std::int32_t len) {
    std::int32_t copied = 0;
    while (copied < len) {
        TIOBuffer* item = InQueue.Peek();
        if (!item) break;
        auto* db = dynamic_cast<TDataBuffer*>(item);
        if (!db) {
            InQueue.Release(item);
            break;
        }
        const std::int32_t n = std::min(len - copied, db->BytesUsed - db->BytesRead);
        if (n > 0) {
            std::memcpy(buf + copied, db->Data.data() + db->BytesRead, static_cast<std::size_t>(n));
            db->BytesRead += n;
            copied += n;
        }
        if (db->BytesRead >= db->BytesUsed)
            InQueue.Pop();
        else
            InQueue.Release(item);
    }
    return copied;
}

std::int32_t TKslBaseDispatcher::QueuedBlockBytes() {
    TIOBuffer* item = InQueue.Peek();
    if (!item) return 0;
    std::int32_t n = 0;
    if (auto* db = dynamic_cast<TDataBuffer*>(item)) n = db->BytesUsed - db->BytesRead;
    InQueue.Release(item);
    return n;
}

// ---------------------------------------------------------------- output

std::int32_t TKslBaseDispatcher::PutBlock(const void* buf, std::uint32_t count) {
    if (count == 0) return 0;
    if (const std::int32_t dead = DeviceError.load(); dead < 0) return dead;
    std::int32_t result = 0;
    std::int32_t written;
    {
        std::lock_guard<std::recursive_mutex> g(OutputSection);
        if (OutBuff.empty()) return -3006;
        const std::int64_t freeSpace = std::int64_t{OutQue} - OutBufUsed();
        if (freeSpace < static_cast<std::int64_t>(count)) return -3006;
        if (freeSpace == static_cast<std::int64_t>(count)) OutBuffFull = true;
        written = WriteCom(static_cast<const std::uint8_t*>(buf), static_cast<std::int32_t>(count));
        if (written < static_cast<std::int32_t>(count)) {
            // A short or failed write is a failure, and only what was taken is traced.
            written = std::clamp(written, 0, static_cast<std::int32_t>(count));
            result = -3004;
        }
        OutSentPending.store(true);
        const std::uint32_t seq = outQueuedSeq_.fetch_add(1) + 1;
        if (!HandsOverLater()) OutputHandedOver(seq);
    }
    if (result != 0) {
        TKslComStat st;
        const std::uint32_t bits = GetComError(st);
        std::lock_guard<std::recursive_mutex> g(DataSection);
        LastError = bits;
    }
    std::lock_guard<std::recursive_mutex> g(DataSection);
    AddDispatchEntry(1, 2, static_cast<std::uint32_t>(written), buf, written);
    if (TracingOnFlag.load()) {
        const auto* p = static_cast<const std::uint8_t*>(buf);
        for (std::int32_t i = 0; i < written; ++i) AddTraceEntry('T', p[i]);
    }
    return result;
}

std::uint32_t TKslBaseDispatcher::OutBuffUsed() {
    RefreshStatus();
    std::lock_guard<std::recursive_mutex> g(DataSection);
    return ComStatus.OutQue;
}

std::uint32_t TKslBaseDispatcher::OutBuffFree() {
    const std::uint32_t used = OutBuffUsed();
    return used >= static_cast<std::uint32_t>(OutQue) ? 0 : OutQue - used;
}

std::int32_t TKslBaseDispatcher::FlushOutBuffer() { return FlushCom(0); }

std::int32_t TKslBaseDispatcher::FlushInBuffer() {
    std::lock_guard<std::recursive_mutex> g(DispSection);
    // Blocks that a device thread read before this point are dropped when it hands them over.
    flushGeneration_.fetch_add(1);
    const std::int32_t rc = FlushCom(1);
    if (InAvailMessage)
        MaxGetCount = static_cast<std::int32_t>(UnreadCount());
    else {
        DBufTail = DBufHead;
        GetCount = 0;
    }
    if (DispatchFull.exchange(false) && DispWakeEvent) DispWakeEvent->Set();
    return rc;
}

// ---------------------------------------------------------------- triggers

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

// ---------------------------------------------------------------- delivery

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

bool TKslBaseDispatcher::PushReceived(std::unique_ptr<TIOBuffer> block, std::uint32_t generation) {
    std::lock_guard<std::recursive_mutex> g(DispSection);
    if (generation != flushGeneration_.load()) return false;
    InQueue.Push(std::move(block));
    return true;
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

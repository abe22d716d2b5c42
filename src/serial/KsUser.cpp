// The port operations of the dispatcher, built on the device slots: opening and closing, the
// line and flow settings, the modem and line status, and output.
#include "serial/KsUser.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace talvik {

std::unique_ptr<TKslEvent> TKslBaseDispatcher::CreateEventObject(bool manualReset) {
    return std::make_unique<TKslCondEvent>(manualReset);
}

void TKslBaseDispatcher::SleepMs(std::int32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
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

}  // namespace talvik

// The link's frames, sending, port opening and the read state machine.
#include "link/qvLink.h"

#include <algorithm>

#include "base/debugchannel.h"
#include "base/format.h"
#include "base/rtl.h"
#include "link/qvEquates.h"
#include "link/qvLinkTiming.h"
#include "link/uLog.h"
#include "link/uVar.h"
#include "serial/KsExcept.h"

namespace talvik {

std::string EnglishLinkText(TLinkText Text) {
    switch (Text) {
    case TLinkText::RequestSent: return "Request Sent";
    case TLinkText::DataReceived: return "Data Received";
    case TLinkText::Timeout: return "Timeout";
    case TLinkText::CantOpenPort: return "Cant Open Port";
    case TLinkText::CommFail: return "Comm Fail";
    case TLinkText::SendingData: return "Sending Data";
    case TLinkText::PortNotOpen: return "Port Not Open";
    case TLinkText::NoConnection: return "No connection";
    case TLinkText::PortOpen: return "Port Open";
    case TLinkText::PortSetOK: return "Port Set OK";
    case TLinkText::PortSetException: return "Cant open port-Port Set Exception";
    case TLinkText::BadHandle: return "Bad Handle";
    case TLinkText::Reply: return "Reply:";
    case TLinkText::Site: return "Site";
    case TLinkText::Error: return "Error";
    case TLinkText::Send: return "Send";
    case TLinkText::ReadError: return "Read Error";
    case TLinkText::Checksum: return "Checksum";
    case TLinkText::ModemSetup: return "Modem Setup";
    case TLinkText::CantOpenModem: return "Cant open port";
    case TLinkText::CantOpenCommPort: return "Cant open COMM port";
    case TLinkText::Dialing: return "Dialing";
    case TLinkText::Carrier: return "Carrier";
    case TLinkText::WaitForClose: return "Wait for Close";
    case TLinkText::Break: return "Break";
    case TLinkText::HangUp: return "Hang Up";
    case TLinkText::Closed: return "Closed";
    case TLinkText::LineBusy: return "Line busy with a transfer";
    case TLinkText::HangupFailed: return "Hang up failed - carrier still present";
    case TLinkText::LineKept: return "Line busy - not changed";
    }
    return {};
}

std::string comportname(std::int32_t N) { return Format("\\\\.\\COM%d", N); }

std::int16_t findcomport(std::int16_t Start, TPortDirection Direction,
                         const std::function<bool(std::int32_t)>& Present) {
    std::int32_t n = Start;
    for (;;) {
        if (n < 1 || n > 127) return static_cast<std::int16_t>(n);
        if (Present(n)) return static_cast<std::int16_t>(n);
        switch (Direction) {
        case TPortDirection::Up: ++n; break;
        case TPortDirection::Down: --n; break;
        case TPortDirection::None: return -1;  // nothing to search: Start itself is absent
        }
    }
}

namespace {

// Stray bytes a read forgives (noise on the line) beyond the two a request may bring.
constexpr std::int32_t UnaskedBytesAllowed = 8;
// Replies an earlier read may still get, late: those of one give-up's four sends.
constexpr std::int32_t LateBytesCarried = 8;
// Bytes taken off the line in one go: a flood cannot keep the handler reading.
constexpr std::int32_t CountLimit = 4096;

// Inside a catch: the text of the port's device failure (its threads ended on a read or write
// error), or empty for any other error.
std::string DeviceFailureText() {
    try {
        throw;
    } catch (const EInOutError& e) {
        // The port raises its device errors as the runtime's I/O errors (positive numbers).
        if (e.ErrorCode == 161 || e.ErrorCode == 160) return e.what();
    } catch (...) {
    }
    return {};
}

// Inside a catch: the port's device has failed. The port reports that itself, once; a request
// that meets it only ends.
bool DeviceFailed() { return !DeviceFailureText().empty(); }

bool IsEepromCommand(std::int32_t Cmd) { return Cmd == CmdEepromRead || Cmd == CmdEepromWrite; }

// The image address a frame stands for: EEPROM commands carry the EEPROM number (or, from the
// history run, the image address itself).
std::int32_t ImageAddressOf(std::int32_t Cmd, std::int32_t Addr) {
    if (IsEepromCommand(Cmd) && Addr < 256) return Addr + 256;
    return Addr;
}

}  // namespace

TLink::TLink(TKslComPortOps& Comport, TLinkListener& Listener) : Comport(Comport), Listener(Listener) {
    Comport.OnTriggerTimer = [this](TKslComPortOps*, std::uint16_t Handle) { ComportTriggerTimer(Handle); };
    Comport.OnTriggerModemStatus = [this](TKslComPortOps*) { ComportTriggerModemStatus(); };
    OnModemSetupTrigger = [this](std::uint16_t) { ModemSetupEvent(); };
    OnHangupTrigger = [this](std::uint16_t) { HangupStep(); };
}

TLink::~TLink() {
    Comport.OnTriggerTimer = nullptr;
    Comport.OnTriggerModemStatus = nullptr;
}

void TLink::Status(TLinkText T) { Listener.ShowStatus(Listener.Text(T)); }

template <class F>
void TLink::Operation(F&& Body) {
    struct Depth {
        TLink& link;
        explicit Depth(TLink& l) : link(l) { ++link.operationDepth_; }
        ~Depth() {
            if (--link.operationDepth_ != 0 || !link.OperationDone) return;
            try {
                link.OperationDone();
            } catch (...) {
                // Runs while a failed send unwinds too: nothing may leave here.
            }
        }
    } depth(*this);
    Body();
}

void TLink::Beeps(int Count) {
    for (int i = 0; i < Count; ++i) Listener.Beep();
}

void TLink::DrainInput(const char* Trace) {
    if (!Comport.CharReady()) return;
    if (Trace) DebugChannel(Trace);
    while (Comport.CharReady()) CommReceive();
}

std::int32_t TLink::ShortTicks() { return DirectMode ? linktiming::DirectShortTicks : linktiming::CallShortTicks; }
std::int32_t TLink::LongTicks() { return DirectMode ? linktiming::DirectLongTicks : linktiming::CallLongTicks; }
std::int32_t TLink::ReplyTicks() { return DirectMode ? linktiming::DirectReplyTicks : Listener.PathDelay(); }

// ---------------------------------------------------------------------------------------------
// Frames and sending

std::string TLink::buildframe(std::int32_t Cmd, std::int32_t Addr, std::int32_t Data, bool Unlock) {
    // Refused before anything is parked or sent: a parked write to a bad address would
    // otherwise fail only after its unlock frame had gone out.
    RangeCheck(Addr, 0, ImageSize - 1);
    std::int32_t cmd = Cmd & 0xFF, addr = Addr, data = Data;
    std::int32_t flag = ImageAddressOf(cmd, Addr);
    if (cmd == CmdEepromWrite && Unlock) {
        ParkedAddress = Addr;
        ParkedData = Data;
        cmd = CmdRamWrite;
        addr = UnlockRamAddress;
        data = UnlockData;
        flag = UnlockRamAddress;
    }
    const auto c = static_cast<std::uint8_t>(cmd);
    const auto a = static_cast<std::uint8_t>(addr & 0xFF);
    const auto d = static_cast<std::uint8_t>(data & 0xFF);
    std::string frame;
    // A transfer keeps the site and format it started with, whatever the windows show meanwhile.
    const bool transfer = TransferRunning();
    if (transfer ? TransferLine.SiteMode : SiteMode) {
        const auto site = transfer ? TransferLine.Site : static_cast<std::uint8_t>(Listener.SiteNumber() & 0xFF);
        frame = {static_cast<char>(site), static_cast<char>(c), static_cast<char>(a), static_cast<char>(d),
                 static_cast<char>((site + c + a + d) & 0xFF)};
    } else {
        frame = {static_cast<char>(c), static_cast<char>(a), static_cast<char>(d), static_cast<char>(0xFF ^ c)};
    }
    At(ChangedFlags, flag) = false;
    return frame;
}

void TLink::sendcommand(std::int32_t Kind, std::int32_t Address, std::int32_t Data, bool Unlock) {
    RangeCheck(Address, 0, ImageSize - 1);
    // A command sent while the line is free (the single-command panel's) starts a transfer.
    if (!TransferRunning()) BeginTransfer();
    CommBusy = true;
    BusyWatchdog = 10;
    ReplyDataReceived = false;
    // Marked before the unlock frame goes (the send lets window events run, and an ending among
    // them must know the frame is out); a parked write still waiting stays marked until its
    // own send has gone, so that a port failure on the way still finds it.
    if (Unlock) UnlockPending = true;
    std::string frame;
    switch (Kind) {
    case 0:
    case 20: frame = buildframe((Address >> 8) | CmdRamRead, Address & 0xFF, Data, false); break;
    case 1:
    case 72: frame = buildframe(CmdEepromRead, Address, Data, false); break;
    case 2:
    case 152: frame = buildframe((Address >> 8) | CmdRamWrite, Address & 0xFF, Data, false); break;
    case 3:
    case 202: frame = buildframe(CmdEepromWrite, Address, Data, Unlock); break;
    default: frame = buildframe(CmdLoopback, Address, Data, false); break;
    }
    ReplyHeaderSeen = false;
    reccount = 1;
    CommSend(frame);
    UnlockPending = Unlock;
    if (!RequestTriggerAdded) {
        RequestTrigger = Comport.AddTimerTrigger();
        RequestTriggerAdded = true;
    }
    Comport.SetTimerTrigger(RequestTrigger, linktiming::FirstLookTicks, true);
    Status(TLinkText::RequestSent);
    // The send let window events run; they must not have undone the request's marks.
    CommBusy = true;
    BusyWatchdog = 10;
    ReplyDataReceived = false;
}

void TLink::CommSend(const std::string& Frame) {
    std::string line;
    for (char c : Frame) line += " " + IntToHex(static_cast<unsigned char>(c), 2);
    const std::string prefix = (Comport.GetTapiMode() == TTapiMode::tmOff || DirectMode)
                                   ? "(" + IntToStr(Comport.GetComNumber()) + ") "
                                   : std::string("(tapi) ");
    CheckTransferLine();
    DebugChannel(prefix + line);
    if (DebugEnabled)
        DebugWindowAdd(Format("%s %s Sent %d chars: %s", TimestampLine("").c_str(), DirectMode ? "Direct" : "Modem",
                              static_cast<int>(Frame.size()), HexDump(Frame, true).c_str()));
    Comport.PutString(Frame);
    if (ProcessMessages && pumpAfterSend_) Operation([this] { ProcessMessages(); });
}

std::uint8_t TLink::CommReceive() {
    const auto b = static_cast<std::uint8_t>(Comport.GetChar());
    DebugChannel(IntToHex(b, 2));
    if (DebugEnabled) DebugWindowAdd(Format("Received 1 char: %s", HexDump(std::string(1, static_cast<char>(b)), true).c_str()));
    return b;
}

void TLink::portset(std::uint16_t PortNumber) {
    Operation([this, PortNumber] { OpenPort(PortNumber); });
}

void TLink::OpenPort(std::uint16_t PortNumber) {
    try {
        if (Comport.GetOpen()) Comport.SetOpen(false);
        Comport.SetComNumber(PortNumber);
        Comport.SetBaud(At(BaudRates, Listener.BaudIndex()));
        Comport.SetParity(TParity::pNone);
        Comport.SetDataBits(8);
        Comport.SetStopBits(1);
        Comport.SetOpen(true);
        Comport.FlushInBuffer();
        Comport.FlushOutBuffer();
        Status(Comport.GetOpen() ? TLinkText::PortOpen : TLinkText::PortSetOK);
    } catch (...) {
        Status(TLinkText::PortSetException);
        Beeps(2);
    }
}

// ---------------------------------------------------------------------------------------------
// Reads

void TLink::Getdata(const std::string& Sender, std::int32_t Kind) {
    if (InGetdata) return;
    DebugChannel("GetData: " + Sender + ", " + IntToStr(Kind));
    // A write or accessory write in progress owns the line as much as a read does.
    // A read during the hang-up would break the modem's guard time around "+++".
    if (StartupPending || CommBusy || Dialling || WriteBusy || HangupInProgress) return;
    InGetdata = true;
    struct Guard {
        ~Guard() { InGetdata = false; }
    } guard;
    try {
        // Data of another regulator must not stand beside what this read brings in.
        FollowRegulator();
        BeginTransfer();
        DataKind = Kind;
        bool usable = false;
        if (DirectMode) {
            portset(CheckedCast<std::uint16_t>(DirectPortNumber));
            usable = Comport.GetOpen();
        } else {
            usable = Online;
            if (usable) {
                Comport.FlushOutBuffer();
                Comport.FlushInBuffer();
            }
        }
        ReadNum = KindCount(Kind);
        std::int32_t a = readaddr();
        SampleIndex = 0;
        std::int32_t code = 20;
        if (a >= 256) {
            code = 72;
            a -= 256;
        }
        if (!usable) {
            Status(TLinkText::CantOpenPort);
            resetdestination();
            Beeps(1);
        } else {
            ReadAborted = false;
            UnlockPending = false;
            RepeatCount = 0;
            CommBusy = true;
            BusyWatchdog = 10;
            // The last sends of an earlier read that gave up may still be answered, late.
            readBytesAsked_ = std::clamp(readBytesAsked_ - readBytesHeard_, 0, LateBytesCarried) + 2;
            readBytesHeard_ = 0;
            sendcommand(code, a, 0, false);
        }
    } catch (...) {
        // A request that could not go out is no request in progress.
        CommBusy = false;
        if (!DeviceFailed()) throw;
        DebugChannel("read not sent: the port's device has failed");
        ReadAborted = true;
        resetdestination();
    }
}

void TLink::ComportTriggerTimer(std::uint16_t TriggerHandle) {
    ComportnTriggerTimer(TriggerHandle);
    Listener.TriggerUpdate(DataKind);
}

void TLink::ComportnTriggerTimer(std::uint16_t TriggerHandle) {
    const std::int32_t shortTicks = ShortTicks(), longTicks = LongTicks(), replyTicks = ReplyTicks();
    if (TriggerHandle == 0) return;
    if (TriggerHandle == ModemSetupTrigger) {
        if (OnModemSetupTrigger) OnModemSetupTrigger(TriggerHandle);
    } else if (TriggerHandle == HangupTrigger) {
        if (OnHangupTrigger) OnHangupTrigger(TriggerHandle);
    } else if (TriggerHandle == SettingsTrigger) {
        try {
            ComportnTriggerTimer_Set(replyTicks, longTicks, shortTicks, SettingsTriggerAdded, SettingsTrigger);
        } catch (...) {
            const std::string reason = DeviceFailureText();
            StopTransfer();
            if (reason.empty()) throw;
            EndOnDeviceFailure(reason);
        }
    } else if (TriggerHandle == RequestTrigger) {
        try {
            if (HistLoadMode)
                ComportnTriggerTimer_HISTLOAD(replyTicks, RequestTriggerAdded, RequestTrigger);
            else
                ComportnTriggerTimer_GET(replyTicks, RequestTriggerAdded, RequestTrigger);
        } catch (...) {
            AbandonRequest();
            if (!DeviceFailed()) throw;
        }
    } else if (TriggerHandle == XalTrigger) {
        try {
            XalStep();
        } catch (...) {
            WriteBusy = false;
            SendCount = 0;
            RemoveTriggerChecked(XalTriggerAdded, XalTrigger);
            const std::string reason = DeviceFailureText();
            if (reason.empty()) throw;
            EndOnDeviceFailure(reason);
        }
    }
}

void TLink::EndOnDeviceFailure(const std::string& Reason) {
    // The device went away under a write (a cable pulled, an adapter gone): the write has
    // ended as failed, and the reason stands in the status bar, where the port's own errors
    // are shown; a box would stand between the user and the exit for something the user can
    // do nothing about in it.
    DebugChannel("write ended: the port's device has failed");
    Listener.ShowStatus(Reason);
}

bool TLink::PortNeedsOpening() { return !Comport.GetOpen() || Comport.DeviceFailed(); }

void TLink::RemoveTriggerChecked(bool& Added, std::uint16_t& Handle) {
    if (Added) {
        try {
            Comport.RemoveTrigger(Handle);
        } catch (...) {
            Status(TLinkText::BadHandle);
            DebugChannel("Bad Handle");
        }
    }
    Handle = 0;
    Added = false;
}

// A step raised (a port failure, a day pointer outside the ring): end the request so the
// link is ready for the next one instead of staying busy with a trigger nobody re-arms.
void TLink::AbandonRequest() {
    Status(TLinkText::CommFail);
    // A history run or single command may have an unlock frame out.
    SendParkedWrite();
    try {
        if (HistLoadMode) {
            LeaveHistoryMode();
            CommBusy = false;
        } else if (CommBusy) {
            readfailed();
            readcomplete();
        }
    } catch (...) {
    }
    CommBusy = false;
    ReadEndFlag = true;
    RemoveTriggerChecked(RequestTriggerAdded, RequestTrigger);
}

void TLink::ComportnTriggerTimer_GET(std::int32_t ReplyTicks, bool& Added, std::uint16_t& Handle) {
    bool handled = false, received = false, gaveUp = false, failed = false;
    std::uint8_t data = 0;
    DebugChannel("trigger timer event GET");
    ReadEndFlag = false;

    const std::int32_t command = Listener.SingleCommandIndex();
    const bool writeCommand = command == 2 || command == 3;
    if (SingleCommandUnlock && UnlockPending) {
        sendcommand(202, ParkedAddress, ParkedData, false);
    } else if (DataKind == 1 && writeCommand) {
        // A write gets no reply: once it (and its parked write) went out, it is complete.
        ReadEndFlag = true;
        reccount = 7;
        handled = true;
        SingleCommandUnlock = false;
    }

    bool step10 = false;
    if (Comport.CharReady()) {
        const std::uint8_t b = CommReceive();
        received = true;
        ++readBytesHeard_;
        if (ReplyHeaderSeen) {
            data = b;
            ReplyDataReceived = true;
            reccount = 7;
            handled = true;
        } else {
            ReplyByte = b;
            if (b == ReadReplyMarker && !ZirbSiteCheck) {
                ReplyHeaderSeen = true;
                if (Comport.CharReady()) {
                    data = CommReceive();
                    ++readBytesHeard_;
                    reccount = 7;
                    handled = true;
                    ReplyDataReceived = true;
                }
            } else {
                reccount = 7;
                handled = true;
                DebugChannel(command == 4 ? "Loopback reply" : "Not a valid read-reply");
            }
        }
    }

    // Whatever follows a whole reply was sent unasked. (A reply still missing its data byte
    // leaves the line alone: that byte may be arriving now.)
    if (handled && DataKind > 1) {
        CountWaitingBytes();
        if (ReadLineFaulty(-1)) {
            FailReadOnFaultyLine(Added, Handle);
            return;
        }
    }

    // Each send is looked at six times: after its first wait and after five re-arms.
    if (reccount < linktiming::LooksPerSend) {
        Comport.SetTimerTrigger(Handle, ReplyTicks, true);
        ++reccount;
        DebugChannel("reset wait timer: reccount=" + IntToStr(reccount));
    } else if (reccount == linktiming::LooksPerSend) {
        gaveUp = true;
        ++RepeatCount;
        if (RepeatCount < linktiming::SendsPerRead && DataKind > 1) {
            resendread();
        } else {
            readfailed();
            readcomplete();
        }
    }

    if (reccount < 7 && !handled) step10 = true;

    if (!step10) {
        RepeatCount = 0;
        if (DataKind == 1) {
            SingleCommandReply(data, received);
            step10 = true;
        }
    }

    if (!step10) {
        At(SampleBuffer, SampleIndex) = data;
        At(SampleIsData, SampleIndex) = ReplyDataReceived;
        if (ReplyDataReceived && datamatch()) {
            const std::int32_t a = readaddr();
            if (DataKind == 11) {
                At(xaldata, a - 256) = data;
            } else {
                At(RegImage, a) = data;
                At(ChangedFlags, a) = false;
            }
            DebugChannel("read number " + IntToStr(ReadNum) + " accepted for addr " + IntToStr(a % 256));
            if (ReadLineFaulty(a)) {
                FailReadOnFaultyLine(Added, Handle);
                return;
            }
            --ReadNum;
            SampleIndex = 0;
            if (DataKind == 10 && ReadNum < 210 && ReadNum % 7 == 0 && ReadNum != 0) {
                Listener.GraphDraw();
                Listener.GraphWaitRepaint();
            }
            Listener.ProgressStep(DataKind);
        } else {
            ++SampleIndex;
            DebugChannel("repeat try " + IntToStr(SampleIndex) + " required");
            if (SampleIndex >= linktiming::MaxReadSamples) {
                readfailed();
                ReadNum = 0;
                failed = true;
            }
        }
        if (ReadNum < 1)
            readcomplete();
        else
            resendread();
    }

    // A read that failed on its samples must not end showing the text of a completed one.
    if (gaveUp)
        Status(TLinkText::Timeout);
    else if (failed)
        Status(TLinkText::CommFail);
    else
        Listener.ShowStatus(IntToStr(ReadNum) + " " + Listener.Text(TLinkText::DataReceived));

    if (ReadEndFlag && Added) {
        DebugChannel("Finish");
        RemoveTriggerChecked(Added, Handle);
    }
}

bool TLink::datamatch() const {
    TALVIK_ASSERT(ReplyDataReceived, "internal error, not real data in datamatch");
    if (SampleIndex == 0) return false;
    // Only two data bytes of proper replies can agree; a bad header in between breaks the pair.
    return At(SampleIsData, SampleIndex) && At(SampleIsData, SampleIndex - 1) &&
           At(SampleBuffer, SampleIndex) == At(SampleBuffer, SampleIndex - 1);
}

void TLink::resendread() {
    const std::int32_t a = readaddr();
    // Whatever is still waiting now answers an earlier send (a late reply after a give-up, or a
    // burst of them): taken as a reply to this send it would put one address's byte into another.
    // It still counts as heard.
    if (DataKind > 1) CountWaitingBytes();
    Comport.FlushInBuffer();
    readBytesAsked_ += 2;
    if (a < 256)
        sendcommand(20, a, 0, false);
    else
        sendcommand(72, a - 256, 0, false);
}

void TLink::CountWaitingBytes() {
    std::int32_t n = 0;
    while (n < CountLimit && Comport.CharReady()) {
        Comport.GetChar();
        ++n;
    }
    if (n == 0) return;
    readBytesHeard_ += n;
    DebugChannel("bytes beyond the reply: " + IntToStr(n));
}

bool TLink::ReadLineFaulty(std::int32_t AcceptedAddress) {
    if (readBytesHeard_ > readBytesAsked_ + UnaskedBytesAllowed) {
        DebugChannel("the line sends bytes nobody asked for: " + IntToStr(readBytesHeard_) + " heard, " +
                     IntToStr(readBytesAsked_) + " asked");
        return true;
    }
    // The history's day pointer names one of its days; any other value would lead the read
    // out of the history page.
    if (DataKind == 10 && AcceptedAddress == DayPointerAddress && RegImage[DayPointerAddress] >= HistoryDays) {
        DebugChannel("day pointer outside the history: " + IntToStr(RegImage[DayPointerAddress]));
        return true;
    }
    return false;
}

void TLink::FailReadOnFaultyLine(bool& Added, std::uint16_t& Handle) {
    try {
        Comport.FlushInBuffer();
    } catch (...) {
        // The read ends either way; the port's own trouble shows at its next use.
    }
    readfailed();
    ReadNum = 0;
    readcomplete();
    Status(TLinkText::CommFail);
    RemoveTriggerChecked(Added, Handle);
}

void TLink::readfailed() {
    ReadEndFlag = true;
    ReadAborted = true;
    Beeps(3);
    CommBusy = false;
    if (DataKind == 1 && ZirbSiteCheck) {
        ZirbSiteSet = false;
        ZirbSiteCheck = false;
        Listener.SetReplyText(Listener.Text(TLinkText::Error));
    }
}

void TLink::PairRule(bool Ok, bool Second) {
    if (!Ok) {
        // A failed page ends the pair: nothing to log, no other page to fetch. A forced log on
        // the line (no logging call) is over with it; a logging call keeps the flag, which
        // its hang-up timer (running while the call is young) needs.
        if (!LoggingRead || HangupCountdown == 0) ReadOnConnect = false;
        ChainFlag = false;
        LoggingRead = false;
        return;
    }
    if (ChainFlag) {
        ChainFlag = false;
        LoggingRead = false;
        LogWritePending = true;
        ReadOnConnect = false;
    } else if (LoggingRead || Comport.GetBaud() == 9600) {
        ChainFlag = true;
        CommBusy = false;
        ReadEndFlag = false;
        if (Second)
            Listener.CurrentGetCurrent();
        else
            Listener.CurrentGetCurrentString();
    } else {
        // No pair below 9600 baud: the read was the whole request.
        LoggingRead = false;
        ReadOnConnect = false;
    }
}

void TLink::readcomplete() {
    ReadNum = 0;
    CommBusy = false;
    ReadEndFlag = true;
    const bool ok = !ReadAborted;
    switch (DataKind) {
    case 2:
    case 3:
        Listener.CurrentLabelUpdate();
        // A failed page must not count as read: it is neither saved nor logged.
        (DataKind == 2 ? CurrentLoaded : CurrentStringLoaded) = ok;
        if (ok) Listener.EnableSaveOption(TSaveOption::Current);
        PairRule(ok, DataKind == 3);
        break;
    case 4: case 5: case 6: case 7: case 8: {
        KindLoaded[DataKind] = ok;
        Listener.GroupReadDone(DataKind, ok);
        // The settings stay on offer while any group holds read data.
        bool anyGroup = false;
        for (int k = 4; k <= 8; ++k) anyGroup = anyGroup || KindLoaded[k];
        if (ok)
            Listener.EnableSaveOption(TSaveOption::Settings);
        else if (!anyGroup)
            Listener.DisableSaveOption(TSaveOption::Settings);
        break;
    }
    case 9:
        CalibrationLoaded = ok;
        Listener.CalibrationDone(ok);
        // A failed read has overwritten part of what was there: nothing valid is left to save.
        if (ok)
            Listener.EnableSaveOption(TSaveOption::Calibration);
        else
            Listener.DisableSaveOption(TSaveOption::Calibration);
        break;
    case 10:
        Listener.GraphReadEnded();
        HistoryLoaded = ok;
        if (ok) {
            Listener.GraphDraw();
        } else {
            Listener.GraphClear();
            Listener.GraphScaleDraw();
        }
        if (ok)
            Listener.EnableSaveOption(TSaveOption::History);
        else
            Listener.DisableSaveOption(TSaveOption::History);
        break;
    case 11:
        Listener.XalDisplay();
        Listener.XalLoadData();
        if (!ok) Listener.XalReadError();
        Listener.CurrentWaitHide();
        break;
    default: break;
    }
    ReadAborted = false;
}

void TLink::resetdestination() {
    CommBusy = false;
    Status(TLinkText::CommFail);
    switch (DataKind) {
    case 2:
    case 3:
        Listener.CurrentWaitHide();
        Listener.CurrentLabelUpdate();
        ReadOnConnect = false;
        break;
    case 4: case 5: case 6: case 7: case 8:
        cleardataflags();
        Listener.DisableSaveOption(TSaveOption::Settings);
        break;
    case 9:
        CalibrationLoaded = false;
        Listener.DisableSaveOption(TSaveOption::Calibration);
        break;
    case 10:
        HistoryLoaded = false;
        Listener.DisableSaveOption(TSaveOption::History);
        Listener.GraphReadEnded();
        Listener.GraphClear();
        Listener.GraphScaleDraw();
        break;
    default: break;
    }
}

void TLink::SingleCommandReply(std::uint8_t Data, bool Received) {
    const std::int32_t command = Listener.SingleCommandIndex();
    const bool hex = Listener.HexNumberFormat();
    const std::int32_t v = ReplyHeaderSeen ? Data : ReplyByte;
    std::string text = hex ? Format("%d 0x%s", v, IntToHex(static_cast<unsigned>(v), 2).c_str()) : IntToStr(v);
    Listener.SetReplyCaption(Listener.Text(TLinkText::Reply));
    if (command == 2 || command == 3) text.clear();
    CommBusy = false;
    ReadEndFlag = true;
    if (ZirbSiteCheck) {
        ZirbSiteCheck = false;
        if (SiteMode) Listener.SetReplyCaption(Listener.Text(TLinkText::Site));
    }
    if (command == 4 && SiteMode) Listener.SetReplyCaption(Listener.Text(TLinkText::Site));
    if (ZirbSiteSet && Received && ReplyByte == SiteSetReply) {
        ZirbSiteSet = false;
        ZirbSiteCheck = true;
        text = Listener.Text(TLinkText::Send);
        ReadEndFlag = false;
        sendcommand(CmdLoopback, RandomTestByte, Listener.SingleCommandData(), false);
    }
    // Only a byte that came in for this command can be its error code.
    if (Received && !ReplyHeaderSeen &&
        ((ReplyByte >= 241 && ReplyByte <= 249) || (ReplyByte >= 251 && ReplyByte <= 255))) {
        const std::int32_t n = ReplyByte - 240;
        text = hex ? Format("%d (0x%s)", n, IntToHex(static_cast<unsigned>(n), 2).c_str()) : IntToStr(n);
        Listener.SetReplyCaption(Listener.Text(TLinkText::Error));
    }
    Listener.SetReplyText(text);
}

// ---------------------------------------------------------------------------------------------
// Watchdog

void TLink::BusyWatchdogTick() {
    if (BusyWatchdog > 10) BusyWatchdog = 10;
    if (BusyWatchdog > 0) {
        --BusyWatchdog;
        return;
    }
    if (!(CommBusy || HistLoadMode || WriteBusy)) return;
    DebugChannel("busy watchdog released the link");
    const bool writing = WriteBusy;
    // A transfer nobody moves on any more: its trigger must not wake a later handler, and an
    // unlock frame that is out gets its write.
    StopTransfer();
    if (writing) Status(TLinkText::CommFail);
}

}  // namespace talvik

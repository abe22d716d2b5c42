// The link's write paths: one verified setting write, programming the whole setting list, and
// the byte-by-byte accessory block write.
#include "base/debugchannel.h"
#include "base/format.h"
#include "base/rtl.h"
#include "link/qvEquates.h"
#include "link/qvLink.h"
#include "link/qvLinkTiming.h"
#include "link/qvWriteLimits.h"
#include "link/uVar.h"

namespace talvik {

namespace {

std::string Seconds(std::int32_t Ticks) { return Format("%.15g", Ticks / 18.2); }

std::int32_t EepromImageAddress(std::int32_t Address) { return Address < 256 ? Address + 256 : Address; }

using writelimits::MaxBulkErrors;
using writelimits::MaxVerifySamples;

}  // namespace

std::string TLink::buildsettingframe(std::int32_t Step, std::int32_t Address, std::int32_t Value, bool Unlock,
                                     std::int32_t RamValue) {
    if (Step == 4) {
        Address = 0;
        Value = RamValue;
    }
    return buildframe(Unlock ? CmdEepromWrite : CmdRamWrite, Address, Value, Unlock);
}

bool TLink::writesettingchecked() {
    if (CommBusy || WriteBusy || HangupInProgress) return false;
    TALVIK_ASSERT(WriteAddress >= 0, "Fail: negative setting address");
    TALVIK_ASSERT(WriteAddress <= 255, "Fail: invalid setting address");
    TALVIK_ASSERT(WriteValue >= 0, "Fail: signed value setting");
    TALVIK_ASSERT(WriteValue <= 255, "Fail: invalid setting value");
    if (SendCount == 4) {
        TALVIK_ASSERT(WriteRamAddress >= 0, "Fail: negative setting address");
        TALVIK_ASSERT(WriteRamAddress <= 255, "Fail: invalid setting address");
        TALVIK_ASSERT(WriteRamValue >= 0, "Fail: signed value setting");
        TALVIK_ASSERT(WriteRamValue <= 255, "Fail: invalid setting value");
    }
    BeginTransfer();
    SendAll = false;
    UnlockPending = WriteNeedsUnlock;
    RepeatCount = 0;
    AttemptCounted = false;
    // Nothing of this write is verified yet, whatever the last one left here.
    ReplyDataReceived = false;
    StartVerify();
    comm_state = SendOneState;
    const std::string frame = buildsettingframe(SendCount, WriteAddress, WriteValue, WriteNeedsUnlock, WriteRamValue);
    return settingssend(frame);
}

bool TLink::startbulkload() {
    if (CommBusy || WriteBusy || HangupInProgress) return false;
    // Settings that were never read from this regulator (an empty image, or another site's
    // data) must not be programmed into it.
    if (!SettingListReady()) {
        DebugChannel("bulk load refused: the setting list was not read from this regulator");
        return false;
    }
    BeginTransfer();
    SendAll = true;
    UnlockPending = true;
    RepeatCount = 0;
    AttemptCounted = false;
    reccount = 0;
    ReplyDataReceived = false;
    StartVerify();
    SendCount = 62;
    const std::string frame = buildframe(CmdEepromWrite, SettingListEepromFirst + SettingListSize - 1,
                                         RegImage[SettingListLast], true);
    ChangedFlags[SettingListLast] = false;
    return settingssend(frame);
}

bool TLink::settingssend(const std::string& Frame) {
    if (DirectMode && PortNeedsOpening()) portset(CheckedCast<std::uint16_t>(DirectPortNumber));
    const std::int32_t ticks = UnlockPending ? ShortTicks() : LongTicks();
    bool sent = false;
    if (DirectMode ? Comport.GetOpen() : Online) {
        // Marked before the send: the send lets window events run, and none may start a read.
        WriteBusy = true;
        BusyWatchdog = 10;
        try {
            Comport.FlushOutBuffer();
            CommSend(Frame);
            Status(TLinkText::SendingData);
            // One trigger for the whole write, on the direct line and through a call alike;
            // the end of the write removes it.
            if (!SettingsTriggerAdded) {
                SettingsTrigger = Comport.AddTimerTrigger();
                DebugChannel("add timer trigger set");
                SettingsTriggerAdded = true;
            }
            Comport.SetTimerTrigger(SettingsTrigger, ticks, true);
        } catch (...) {
            WriteBusy = false;
            SendAll = false;
            throw;
        }
        sent = true;
    } else {
        Status(DirectMode ? TLinkText::PortNotOpen : TLinkText::NoConnection);
        SendAll = false;
    }
    DebugChannel("SettingsSend set timer trigger to " + Seconds(ticks));
    return sent;
}

void TLink::ComportnTriggerTimer_Set(std::int32_t ReplyTicks, std::int32_t LongTicks, std::int32_t ShortTicks,
                                     bool& Added, std::uint16_t& Handle) {
    DebugChannel("sendcount:" + IntToStr(SendCount) + " SendUnlock:" + (UnlockPending ? "True" : "False") +
                 (SendAll ? " SendAll" : ""));
    BusyWatchdog = 10;
    const bool bulk = SendAll;
    if (bulk)
        BulkStep();
    else
        SingleSettingStep();

    if (SendCount > 0) {
        std::int32_t ticks = LongTicks;
        if (comm_state == 9)
            ticks = ReplyTicks;
        else if (UnlockPending || SendCount == 1)
            ticks = ShortTicks;
        Comport.SetTimerTrigger(Handle, ticks, true);
        DebugChannel(IntToStr(SendCount) + " Set timer trigger to " + Seconds(ticks));
    } else {
        EndWrite(Added, Handle);
    }

    if (comm_state == 12) {
        Status(TLinkText::CommFail);
        Listener.WriteGridStatus(Listener.Text(TLinkText::CommFail), false, true);
    } else if (SendCount <= 0) {
        Status(TLinkText::DataReceived);
        Listener.WriteGridStatus(Listener.Text(TLinkText::DataReceived), false, false);
    } else if (ReplyDataReceived || !bulk) {
        // Success is shown only once the byte has been verified.
        Listener.ShowStatus(ReplyDataReceived ? IntToStr(SendCount) : Listener.Text(TLinkText::SendingData));
        Listener.WriteGridStatus(".", true, false);
    }
}

void TLink::EndWrite(bool& Added, std::uint16_t& Handle) {
    if (SendAll) {
        Listener.WriteEnded(true);
        SendAll = false;
    } else {
        Listener.WriteEnded(false);
    }
    Listener.DefaultCursor();
    RemoveTriggerChecked(Added, Handle);
    ReadEndFlag = true;
    reccount = 7;
    CommBusy = false;
    WriteBusy = false;
}

void TLink::SingleSettingStep() {
    if (UnlockPending) {
        DrainInput("RX characters after sending ROM unlock command");
        // Cleared once the write is out: a port failure on the way leaves it to the ending.
        CommSend(buildframe(CmdEepromWrite, ParkedAddress, ParkedData, false));
        UnlockPending = false;
        comm_state = 10;
        reccount = 0;
        return;
    }
    switch (SendCount) {
    case 4:
        writestep();
        if (comm_state == 8) {
            TALVIK_ASSERT(ReplyDataReceived, "Internal error: comm_state 8 but not realdata");
            SendCount = 3;
            CommSend(buildframe(CmdRamWrite, 33, WriteRamValue, false));
        }
        break;
    case 3:
        SendCount = 2;
        UnlockPending = true;
        AttemptCounted = false;
        CommSend(buildframe(CmdEepromWrite, WriteAddress, WriteValue, true));
        break;
    case 2:
        if (comm_state == 9 || comm_state == 10 || comm_state == 11) {
            writestep();
            if (comm_state == 8) comm_state = SendOneState;
        }
        if (comm_state < 3) {
            SendCount = 1;
            WriteNeedsUnlock = false;
            switch (comm_state) {
            case 0: CommSend(buildframe(CmdRamWrite, WriteRamAddress, WriteValue, false)); break;
            case 1: CommSend(buildframe(CmdSetupStep, 2, 0, false)); break;
            default:
                if (SettingIndex == 47) {
                    WriteAddress = 113;
                    WriteValue = (EditedValue >> 8) & 0xFF;
                } else if (SettingIndex >= 36 && SettingIndex <= 39) {
                    WriteAddress = WriteAddress + 1;
                    WriteValue = At(RegImage, WriteAddress);
                } else {
                    WriteAddress = SettingRamValue;
                }
                CommSend(buildframe(CmdRamWrite, WriteAddress, WriteValue, false));
                At(ChangedFlags, WriteAddress) = false;
                break;
            }
        }
        break;
    case 1:
        SendCount = 0;
        DrainInput("RX characters after final transmission");
        break;
    default: break;
    }
}

void TLink::writestep() {
    switch (comm_state) {
    case 10:
        DropStrayBytes("RX characters after ROM write");
        AskReadBack();
        break;
    case 9: verifywrite(ParkedAddress, ParkedData); break;
    case 11:
        CountAttemptError();
        Comport.FlushInBuffer();
        Comport.FlushOutBuffer();
        ReplyDataReceived = false;
        if (RepeatCount < writelimits::SingleWriteAttempts) {
            DebugChannel("Retry");
            UnlockPending = true;
            AttemptCounted = false;
            CommSend(buildframe(CmdEepromWrite, ParkedAddress, ParkedData, true));
        } else {
            DebugChannel("fail");
            SendCount = 0;
            comm_state = 12;
        }
        break;
    default: break;
    }
}

TLink::ReadBackReply TLink::TakeReadBackReply(std::int32_t& Data) {
    ++reccount;
    // Traced, so that a test can tell a reply that came after the last look from one not taken.
    DebugChannel("read-back look " + IntToStr(reccount));
    if (!Comport.CharReady()) return reccount < linktiming::ReadBackLooks ? ReadBackReply::Waiting : ReadBackReply::Silent;
    if (VerifyHeaderSeen) {
        ReplyByte = CommReceive();
        VerifyHeaderSeen = false;
        if (ReplyByte != ReadReplyMarker) return ReadBackReply::WrongHeader;
        // The data byte may still be on its way: the next firing takes it.
        if (!Comport.CharReady()) return ReadBackReply::Waiting;
    }
    Data = CommReceive();
    VerifyHeaderSeen = true;
    return ReadBackReply::Data;
}

void TLink::verifywrite(std::int32_t Address, std::int32_t Data) {
    std::int32_t reply = -1;
    switch (TakeReadBackReply(reply)) {
    case ReadBackReply::Waiting: return;
    case ReadBackReply::Silent:
        comm_state = 11;
        DebugChannel("comm_state 11 in comm_state_9");
        return;
    case ReadBackReply::WrongHeader: break;  // a garbled reply: asked again below
    case ReadBackReply::Data: break;
    }
    // One reply proves little: a write lost on the line and a garbled reply that happens to
    // equal the value look the same, and one garbled reply is no failed write. As a read byte,
    // the byte read back counts once two replies in a row agree; anything else asks again.
    if (reply >= 0 && reply == VerifyLastReply) {
        if (reply == (Data & 0xFF)) {
            ReplyDataReceived = true;
            reccount = 0;
            comm_state = 8;
            // The verified byte is the image's EEPROM copy, not the RAM byte of the same number.
            At(ChangedFlags, EepromImageAddress(Address)) = false;
        } else {
            DebugChannel("read back " + IntToStr(reply) + " twice: the write did not take");
            comm_state = 11;
        }
        return;
    }
    VerifyLastReply = reply;
    if (++VerifySamples >= MaxVerifySamples) {
        DebugChannel("read-back replies never agreed");
        comm_state = 11;
        return;
    }
    // Whatever else came in answers nothing of this request.
    Comport.FlushInBuffer();
    CommSend(buildframe(CmdEepromRead, Address, 0, false));
    VerifyHeaderSeen = true;
    reccount = 0;
}

void TLink::StartVerify() {
    VerifySamples = 0;
    VerifyLastReply = -1;
}

void TLink::AskReadBack() {
    comm_state = 9;
    CommSend(buildframe(CmdEepromRead, ParkedAddress, 0, false));
    VerifyHeaderSeen = true;
    ReplyDataReceived = false;
    StartVerify();
}

void TLink::CountAttemptError() {
    if (AttemptCounted) return;
    AttemptCounted = true;
    ++RepeatCount;
}

void TLink::DropStrayBytes(const char* Trace) {
    if (!Comport.CharReady()) return;
    // In site mode the other sites' traffic passes by: it is no fault of this write.
    if (!SiteMode) {
        CountAttemptError();
        DebugChannel(Trace);
    }
    DrainInput(nullptr);
}

void TLink::AbortBulkLoad() {
    DebugChannel("abort bulk load at " + IntToStr(SendCount) + " with " + IntToStr(RepeatCount) + " errors");
    comm_state = 12;
    SendCount = 0;
    UnlockPending = false;
    ReplyDataReceived = false;
}

void TLink::BulkStep() {
    if (SendCount >= 32) {
        const std::int32_t k = 63 - SendCount;
        if (UnlockPending) {
            if (writelimits::BulkBudgetSpent(RepeatCount, k)) {
                // Nothing more goes out after an abort: another unlock frame would leave the
                // EEPROM open for whatever frame comes next.
                AbortBulkLoad();
            } else {
                DropStrayBytes("discard data");
                comm_state = 10;
                reccount = 0;
                ReplyDataReceived = false;
                CommSend(buildframe(CmdEepromWrite, ParkedAddress, ParkedData, false));
                UnlockPending = false;
            }
        } else if (comm_state == 10) {
            DrainInput(nullptr);
            AskReadBack();
        } else if (comm_state == 11) {
            CountAttemptError();
            Comport.FlushInBuffer();
            Comport.FlushOutBuffer();
            ReplyDataReceived = false;
            if (writelimits::BulkRetryAllowed(RepeatCount, k)) {
                DebugChannel("Retry. Retry Count: " + IntToStr(RepeatCount));
                UnlockPending = true;
                AttemptCounted = false;
                CommSend(buildframe(CmdEepromWrite, ParkedAddress, ParkedData, true));
            } else {
                AbortBulkLoad();
            }
        } else {
            verifywrite(ParkedAddress, ParkedData);
        }
        if (!ReplyDataReceived) return;
    }

    if (comm_state != 12 && SendCount < 32 && !RamCopyStep()) return;
    if (comm_state == 12) {
        Listener.ShowStatus("");
    } else {
        --SendCount;
        Listener.ShowStatus(SendCount < 1 ? std::string() : IntToStr(SendCount));
    }

    UnlockPending = SendCount >= 32;
    if (!UnlockPending) DrainInput("unexpected RX character");

    if (SendCount >= 32 && SendCount <= 62 && writelimits::BulkBudgetSpent(RepeatCount, 63 - SendCount)) {
        // The budget is spent before the next unlock frame: abort here rather than after it, so
        // that no unlock frame is left without its write.
        AbortBulkLoad();
    } else if (SendCount >= 32 && SendCount <= 62) {
        AttemptCounted = false;
        CommSend(buildframe(CmdEepromWrite, SendCount - 18, At(RegImage, SendCount + 32), true));
    } else if (SendCount >= 1 && SendCount <= 31) {
        SendRamCopy();
    } else {
        SendCount = 0;
    }
}

void TLink::SendRamCopy() {
    comm_state = 10;
    ReplyDataReceived = false;
    CommSend(buildframe(CmdRamWrite, SendCount + 63, At(RegImage, SendCount + 63), false));
    At(ChangedFlags, SendCount + 63) = false;
}

bool TLink::RamCopyStep() {
    // A RAM write has no unlock and no second chance on the regulator's side: a frame lost on
    // the line leaves the working copy as it was while the run would report success. One
    // read-back that agrees is enough (a garbled reply that happens to equal the value is
    // as unlikely as it is harmless here: the EEPROM home was verified twice).
    const std::int32_t address = SendCount + 63;
    bool failed = false;
    if (comm_state == 10) {
        if (Comport.CharReady()) {
            DrainInput("unexpected RX character");
            failed = true;
        } else {
            comm_state = 9;
            VerifyHeaderSeen = true;
            reccount = 0;
            CommSend(buildframe(CmdRamRead, address, 0, false));
            return false;
        }
    } else {
        std::int32_t data = -1;
        switch (TakeReadBackReply(data)) {
        case ReadBackReply::Waiting: return false;
        case ReadBackReply::WrongHeader: failed = true; break;
        case ReadBackReply::Silent:
            DebugChannel("RAM " + IntToStr(address) + " not read back");
            failed = true;
            break;
        case ReadBackReply::Data:
            if (data == At(RegImage, address)) {
                ReplyDataReceived = true;
                return true;
            }
            DebugChannel("RAM " + IntToStr(address) + " read back " + IntToStr(data));
            failed = true;
            break;
        }
    }
    if (!failed) return false;
    // Errors of the RAM phase count against the whole run's allowance, as stray bytes do.
    if (++RepeatCount > MaxBulkErrors) {
        AbortBulkLoad();
        return true;
    }
    DebugChannel("RAM copy sent again. Retry Count: " + IntToStr(RepeatCount));
    Comport.FlushInBuffer();
    SendRamCopy();
    return false;
}

// ---------------------------------------------------------------------------------------------
// Accessory block

void TLink::setXALwritedelay() {
    if (!DirectMode) {
        XalWriteDelay = 14;
        return;
    }
    switch (Listener.BaudIndex()) {
    case 1: XalWriteDelay = 5; break;
    case 2: XalWriteDelay = 8; break;
    case 3: XalWriteDelay = 3; break;
    default: XalWriteDelay = 14; break;
    }
}

bool TLink::startxalwrite() {
    if (CommBusy || WriteBusy) return false;
    BeginTransfer();
    SendCount = 20;
    setXALwritedelay();
    const std::string frame = buildframe(CmdEepromWrite, 20, xaldata[20], false);
    if (DirectMode && PortNeedsOpening() && !Online) portset(CheckedCast<std::uint16_t>(DirectPortNumber));
    if (!Online && !(DirectMode && Comport.GetOpen())) {
        Status(DirectMode ? TLinkText::PortNotOpen : TLinkText::NoConnection);
        return false;
    }
    WriteBusy = true;
    BusyWatchdog = 10;
    try {
        Comport.FlushOutBuffer();
        Listener.XalWriteStarted();
        CommSend(frame);
        Status(TLinkText::SendingData);
        if (!XalTriggerAdded) {
            XalTrigger = Comport.AddTimerTrigger();
            XalTriggerAdded = true;
        }
        Comport.SetTimerTrigger(XalTrigger, XalWriteDelay, true);
    } catch (...) {
        WriteBusy = false;
        throw;
    }
    return true;
}

void TLink::XalStep() {
    BusyWatchdog = 10;
    --SendCount;
    if (Comport.CharReady()) {
        std::string shown;
        for (int i = 0; i < 20 && Comport.CharReady(); ++i) shown += IntToHex(CommReceive(), 2);
        Listener.ShowStatus(shown);
    }
    if (SendCount > 7) {
        CommSend(buildframe(CmdEepromWrite, SendCount, At(xaldata, SendCount), false));
        Comport.SetTimerTrigger(XalTrigger, XalWriteDelay, true);
        Listener.ShowStatus(IntToStr(SendCount - 7));
    } else {
        RemoveTriggerChecked(XalTriggerAdded, XalTrigger);
        Listener.XalWriteDone(Listener.Text(TLinkText::Checksum));
        Listener.ShowStatus("");
        DebugChannel("timerh xal completed");
        WriteBusy = false;
    }
}

}  // namespace talvik

// The link's guard over what it may write (see qvDataGuard.h): the regulator the loaded data
// belongs to, programming all only from a complete setting list, and a write stopped without
// leaving the regulator's EEPROM unlocked.
#include "link/qvDataGuard.h"

#include "base/debugchannel.h"
#include "base/format.h"
#include "link/qvEquates.h"
#include "link/qvLink.h"
#include "link/uVar.h"

namespace talvik {

bool SettingListLoaded() {
    for (int kind = 4; kind <= 8; ++kind)
        if (!KindLoaded[kind]) return false;
    return true;
}

void MarkImageLoaded() {
    for (int kind = 4; kind <= 8; ++kind) KindLoaded[kind] = true;
    CalibrationLoaded = true;
}

bool AddressLoaded(std::int32_t Address) {
    for (std::int32_t kind = 4; kind <= 9; ++kind) {
        const bool loaded = kind == 9 ? CalibrationLoaded : KindLoaded[kind];
        if (!loaded) continue;
        for (std::uint8_t a : KindAddressTable(kind))
            if (a == Address) return true;
    }
    return false;
}

void MarkAllNotLoaded() {
    cleardataflags();
    CalibrationLoaded = HistoryLoaded = CurrentLoaded = CurrentStringLoaded = false;
}

TRegulatorTarget TLink::CurrentTarget() {
    TRegulatorTarget t;
    if (DirectMode) {
        t.Port = DirectPortNumber;
    } else {
        t.Call = true;
        t.Number = DialledNumber;
    }
    if (SiteMode) {
        t.SiteMode = true;
        t.Site = Listener.SiteNumber();
    }
    return t;
}

bool TLink::TransferRunning() const { return CommBusy || WriteBusy || HistLoadMode; }

void TLink::BeginTransfer() {
    TransferLine = {};
    TransferLine.SiteMode = SiteMode;
    TransferLine.Site = static_cast<std::uint8_t>(Listener.SiteNumber() & 0xFF);
}

void TLink::CheckTransferLine() {
    if (!TransferRunning()) return;
    const std::int32_t port = Comport.GetComNumber(), baud = Comport.GetBaud();
    if (!TransferLine.LineKnown) {
        TransferLine.LineKnown = true;
        TransferLine.Port = port;
        TransferLine.Baud = baud;
        return;
    }
    // A frame of this transfer on another line would reach another regulator, or this one at a
    // speed it cannot read: it is not sent, and the transfer ends.
    if (port != TransferLine.Port || baud != TransferLine.Baud) {
        DebugChannel("frame not sent: the line changed during the transfer");
        throw Exception("The port or its speed changed during a transfer; nothing more was sent.");
    }
}

void TLink::RegulatorChanged() {
    MarkAllNotLoaded();
    LoadedTarget = CurrentTarget();
    DebugChannel("regulator changed: every group marked not loaded");
    Listener.DataInvalidated();
}

void TLink::FollowRegulator() {
    if (LoadedTarget && *LoadedTarget != CurrentTarget())
        RegulatorChanged();
    else
        LoadedTarget = CurrentTarget();
}

bool TLink::SettingListReady() {
    FollowRegulator();
    return SettingListLoaded();
}

bool TLink::EepromTransferRunning() const {
    return WriteBusy || HistLoadMode || (SingleCommandUnlock && CommBusy);
}

bool TLink::SendParkedWrite() {
    if (!UnlockPending) return false;
    UnlockPending = false;
    DebugChannel("unlock frame closed by its parked write");
    pumpAfterSend_ = false;
    bool sent = true;
    try {
        CommSend(buildframe(CmdEepromWrite, ParkedAddress, ParkedData, false));
    } catch (...) {
        // The port itself failed: nothing more can go out, and the ending goes on.
        sent = false;
    }
    pumpAfterSend_ = true;
    return sent;
}

bool TLink::StopTransfer() {
    const bool running = WriteBusy || CommBusy || HistLoadMode || SettingsTriggerAdded || XalTriggerAdded ||
                         RequestTriggerAdded;
    if (!running) {
        UnlockPending = false;
        return false;
    }
    DebugChannel("transfer stopped at " + IntToStr(SendCount));
    // The unlock frame's write is parked: it goes after the transfer's triggers are gone, so
    // that no further step of this transfer can follow it (the send lets no window events run).
    const bool parked = UnlockPending;
    UnlockPending = false;
    if (SettingsTriggerAdded || SettingsTrigger != 0) {
        comm_state = 12;
        SendCount = 0;
        EndWrite(SettingsTriggerAdded, SettingsTrigger);
        Status(TLinkText::CommFail);
    }
    if (XalTriggerAdded || XalTrigger != 0) {
        SendCount = 0;
        RemoveTriggerChecked(XalTriggerAdded, XalTrigger);
    }
    if (HistLoadMode) LeaveHistoryMode();
    SingleCommandUnlock = false;
    RemoveTriggerChecked(RequestTriggerAdded, RequestTrigger);
    ReadEndFlag = true;
    CommBusy = false;
    WriteBusy = false;
    SendAll = false;
    UnlockPending = parked;
    return SendParkedWrite();
}

}  // namespace talvik

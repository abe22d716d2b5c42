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

void MarkAllNotLoaded() {
    cleardataflags();
    CalibrationLoaded = HistoryLoaded = CurrentLoaded = CurrentStringLoaded = false;
}

TRegulatorTarget TLink::CurrentTarget() {
    return SiteMode ? TRegulatorTarget{true, Listener.SiteNumber()} : TRegulatorTarget{false, 0};
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

bool TLink::StopWrite() {
    if (!WriteBusy) return false;
    bool sent = false;
    if (SettingsTriggerAdded || SettingsTrigger != 0) {
        const bool unlockOut = UnlockPending;
        DebugChannel("write stopped at " + IntToStr(SendCount));
        comm_state = 12;
        SendCount = 0;
        UnlockPending = false;
        // The trigger goes first: the send below lets window events run, and no further step
        // of this write may run among them.
        EndWrite(SettingsTriggerAdded, SettingsTrigger);
        Status(TLinkText::CommFail);
        // The unlock frame is out and its write parked: the write goes after it, so that the
        // regulator's EEPROM is not left open for whatever frame comes next.
        if (unlockOut) {
            CommSend(buildframe(CmdEepromWrite, ParkedAddress, ParkedData, false));
            sent = true;
        }
    }
    if (XalTriggerAdded || XalTrigger != 0) {
        SendCount = 0;
        RemoveTriggerChecked(XalTriggerAdded, XalTrigger);
    }
    WriteBusy = false;
    SendAll = false;
    return sent;
}

}  // namespace talvik

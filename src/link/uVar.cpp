// Address mapping of the request kinds and the resets of the link state.
#include "link/uVar.h"

#include "base/format.h"
#include "link/qvDataGuard.h"
#include "link/qvEquates.h"
#include "link/qvUtility.h"
#include "link/uLog.h"

namespace talvik {

std::int32_t readaddr() {
    std::int32_t a = -1;
    const std::int32_t n = ReadNum;
    switch (DataKind) {
    case 1:
        a = (n == HistoryPositions) ? DayPointerAddress : DayPointerAddress + n;
        break;
    case 2: case 3: case 4: case 5: case 6: case 7: case 8: case 9: {
        const auto table = KindAddressTable(DataKind);
        if (n < 1 || static_cast<std::size_t>(n) > table.size()) throw ERangeError();
        a = table[static_cast<std::size_t>(n - 1)];
        break;
    }
    case 10:
        TALVIK_ASSERT(KindCount(10) == 215, "Assertion failure");
        RangeCheck(n, 1, 215);
        if (n == 215) {
            a = At(EquateAddress, 0);
        } else if (n == 214) {
            // The type byte has just been read: the model decides how the history is shown.
            DecodeRegulatorType();
            a = At(EquateAddress, 86);
        } else if (n >= 211) {
            a = n + 88;
        } else {
            a = 7 * At(RegImage, DayPointerAddress) + n - 210 + FirstDayRecordAddress;
            if (a < FirstDayRecordAddress) a += 210;
        }
        if (DebugEnabled) DebugWindowAdd(Format("ReadNum: %d; ReadAddress: %d", n, a));
        break;
    case 11:
        a = n + 255;
        break;
    default:
        RaiseAssertion("Invalid Data destination in Read Add", __FILE__, __LINE__);
    }
    // A day pointer beyond 29 (or a read number outside the kind) would leave the image.
    return RangeCheck(a, 0, ImageSize - 1);
}

void cleardataflags() {
    for (int k = 4; k <= 8; ++k) KindLoaded[k] = false;
}

void ResetLinkState() {
    RegImage.fill(0);
    ChangedFlags.fill(false);
    xaldata.fill(0);
    DataKind = 0;
    KindLoaded.Fill(false);
    CalibrationLoaded = HistoryLoaded = CurrentLoaded = CurrentStringLoaded = false;
    comm_state = 0;
    CommBusy = false;
    BusyWatchdog = 0;
    reccount = RepeatCount = ReadNum = SampleIndex = 0;
    SampleBuffer.fill(0);
    SampleIsData.fill(false);
    ReplyByte = 0;
    ReplyHeaderSeen = ReplyDataReceived = ReadEndFlag = ReadAborted = UnlockPending = false;
    ParkedAddress = ParkedData = 0;
    SiteMode = DirectMode = Online = Dialling = LoggingRead = false;
    SendCount = 0;
    SendAll = WriteBusy = false;
    RequestTrigger = SettingsTrigger = ModemSetupTrigger = XalTrigger = HangupTrigger = DialTrigger = 0;
    RequestTriggerAdded = SettingsTriggerAdded = ModemSetupTriggerAdded = XalTriggerAdded = HangupTriggerAdded = false;
    ChainFlag = InGetdata = StartupPending = LogWritePending = false;
    WriteAddress = WriteValue = WriteRamAddress = WriteRamValue = 0;
    SettingIndex = SettingRamValue = EditedValue = 0;
    WriteNeedsUnlock = false;
    SendOneState = 0;
    VerifyHeaderSeen = false;
    VerifySamples = 0;
    VerifyLastReply = -1;
    AttemptCounted = false;
    LoadedTarget.reset();
    TransferLine = {};
    DialledNumber.clear();
    XalWriteDelay = 0;
    HistLoadMode = HistClearMode = SingleCommandUnlock = ZirbSiteCheck = ZirbSiteSet = false;
    RandomTestByte = 0;
    HangupInProgress = HangupRequested = false;
    HangupStage = 0;
    CallEnded = LogDial = ReadOnConnect = false;
    DialCountdown = HangupCountdown = 0;
}

}  // namespace talvik

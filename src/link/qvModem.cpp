// Calls to a regulator station through an AT-command modem on the modem port: set-up, dialling,
// going online on carrier, the three-stage hang-up and the return to the direct line.
#include "base/debugchannel.h"
#include "base/format.h"
#include "base/rtl.h"
#include "link/qvLink.h"
#include "link/uVar.h"

namespace talvik {

namespace {
constexpr std::uint16_t ModemStatusTrigger = 1;  // status trigger subtype
constexpr std::uint16_t CarrierDetectMask = 0x80;
constexpr std::int32_t GuardTicks = 30;          // silence around the escape
constexpr std::int32_t HangupSettleTicks = 50;   // time the modem gets to drop the line
}  // namespace

bool TLink::LineBusy() const { return CommBusy || WriteBusy || Dialling || HangupInProgress; }

void TLink::DialbuttonClick() {
    // Reopening the port under a read or write would carry its trigger over to the modem.
    if (LineBusy()) {
        Status(TLinkText::LineBusy);
        return;
    }
    DirectMode = false;
    if (Comport.GetOpen()) Comport.SetOpen(false);
    nontapimodemsetup();
    if (Listener.ModemSetupText().empty()) {
        dialup("dialbutton");
        return;
    }
    // A port that did not open has no triggers; the set-up status already says so.
    if (!Comport.GetOpen()) return;
    if (!ModemSetupTriggerAdded) {
        DebugChannel("add timer trigger modem");
        ModemSetupTrigger = Comport.AddTimerTrigger();
        ModemSetupTriggerAdded = true;
    }
    Comport.SetTimerTrigger(ModemSetupTrigger, Listener.PathDelay(), true);
}

void TLink::nontapimodemsetup() {
    DebugChannel("non tapi modem setup");
    Comport.SetTapiMode(TTapiMode::tmOff);
    portset(CheckedCast<std::uint16_t>(ModemPortNumber));
    if (!Comport.GetOpen()) {
        Status(TLinkText::CantOpenModem);
        // No call can follow: reads go to the direct line again.
        DirectMode = true;
        return;
    }
    Comport.FlushOutBuffer();
    Comport.FlushInBuffer();
    const std::string setup = Listener.ModemSetupText();
    if (!setup.empty()) {
        DebugChannel("AT setup string");
        CommSend("AT" + setup + "\r\n");
    }
    Status(TLinkText::ModemSetup);
}

void TLink::ModemSetupEvent() {
    DebugChannel("Modem Setup Event");
    // The modem's answer is only shown, not judged.
    if (Comport.CharReady()) {
        std::string answer;
        while (Comport.CharReady()) answer += static_cast<char>(CommReceive());
        Listener.ShowStatus(answer);
    }
    RemoveTriggerChecked(ModemSetupTriggerAdded, ModemSetupTrigger);
    dialup("dialbutton");
    DebugChannel("end Modem Setup Event");
}

void TLink::dialup(const std::string& Caller) {
    if (HangupInProgress) {
        DebugChannel("no dialup, hangup still in progress");
        return;
    }
    const bool fromLog = Caller == "log";
    if (CommBusy || WriteBusy) {
        // The transfer owns the line; a log dial is tried again by its retry timer.
        DebugChannel("no dialup, line busy");
        if (fromLog) {
            LogDial = true;
            if (DialCountdown < 1) DialCountdown = 60;
        } else {
            Status(TLinkText::LineBusy);
        }
        return;
    }
    Comport.SetTapiMode(TTapiMode::tmOff);
    DebugChannel("dialup, port " + IntToStr(Comport.GetComNumber()));
    DirectMode = false;
    if (fromLog) LogDial = true;
    if (!CallEnded) {
        if (LogDial && DialCountdown < 1) DialCountdown = 60;
        return;
    }
    Listener.ComStatusUpdate();
    HangupCountdown = 60;
    if (fromLog) {
        DialCountdown = 0;
        ReadOnConnect = true;
        LogDial = false;
    }
    const std::string number = ReadOnConnect ? Listener.LogNumber() : Listener.DialNumber();
    CallEnded = false;
    // The call reaches another regulator than the direct line (or the last call) did.
    DialledNumber = number;
    FollowRegulator();
    // A log dial finds the port as the last read left it: dial on the modem, never on the
    // regulator's direct line.
    if (!Comport.GetOpen() || Comport.GetComNumber() != ModemPortNumber)
        portset(CheckedCast<std::uint16_t>(ModemPortNumber));
    if (!Comport.GetOpen()) {
        Status(TLinkText::CantOpenCommPort);
        // Nothing was dialled: no call is up, and reads go to the direct line again.
        CallEnded = true;
        ReadOnConnect = false;
        DirectMode = true;
        return;
    }
    Dialling = true;
    DialTrigger = Comport.AddStatusTrigger(ModemStatusTrigger);
    Comport.SetStatusTrigger(DialTrigger, CarrierDetectMask, true);
    DebugChannel("Dial number using ATDP / ATDT ");
    CommSend((Listener.PulseDial() ? "ATDP" : "ATDT") + number + "\r\n");
    Status(TLinkText::Dialing);
}

void TLink::ComportTriggerModemStatus() {
    DebugChannel("modem status change");
    if (Comport.GetTapiMode() != TTapiMode::tmOff || DirectMode) return;
    if (!Comport.GetDCD()) {
        // The line dropping under our own hang-up is no reason for another one.
        if (!HangupInProgress) HangupRequested = true;
        return;
    }
    if (!Dialling) return;
    Online = true;
    Dialling = false;
    Listener.CallButton(true);
    Status(TLinkText::Carrier);
    // The trigger stays, armed for the carrier's loss: a dropped line must end the call rather
    // than leave the link online with every read timing out. The end of the call removes it.
    if (DialTrigger != 0 && Comport.GetOpen()) Comport.SetStatusTrigger(DialTrigger, CarrierDetectMask, true);
    // The modem goes on line before the logging read's first request: sent after it, "ATO"
    // would reach the regulator right behind that request.
    DebugChannel("ATO go online");
    CommSend("ATO");
    if (ReadOnConnect && Online) {
        LoggingRead = true;
        Getdata("ComportTriggerModemStatus", 3);
    }
}

void TLink::HangupClick() {
    DebugChannel("Hangup");
    if (HangupInProgress) return;
    HangupRequested = false;
    if (CallEnded || !Comport.GetOpen()) {
        Status(TLinkText::PortNotOpen);
        return;
    }
    if (!HangupTriggerAdded) {
        HangupTrigger = Comport.AddTimerTrigger();
        HangupTriggerAdded = true;
    }
    HangupStage = 1;
    Comport.SetTimerTrigger(HangupTrigger, GuardTicks, true);
    HangupInProgress = true;
    Status(TLinkText::WaitForClose);
}

void TLink::HangupStep() {
    try {
        switch (HangupStage) {
        case 1:
            DebugChannel("send +++ for hangup");
            CommSend("+++");
            HangupStage = 2;
            Status(TLinkText::Break);
            Comport.SetTimerTrigger(HangupTrigger, GuardTicks, true);
            break;
        case 2:
            DebugChannel("send ATH0 for hangup");
            HangupStage = 3;
            CommSend("ATH0\r\n");
            Status(TLinkText::HangUp);
            Comport.SetTimerTrigger(HangupTrigger, HangupSettleTicks, true);
            break;
        default:
            RemoveTriggerChecked(HangupTriggerAdded, HangupTrigger);
            HangupStage = 0;
            if (Comport.GetDCD()) {
                // The modem kept the line: the call is not over. It is offline (in command
                // mode after the escape), so no read may go out, and Hang Up can be tried again.
                HangupInProgress = false;
                Online = false;
                Status(TLinkText::HangupFailed);
                DebugChannel("hangup failed, carrier still present");
                break;
            }
            Status(TLinkText::Closed);
            dialendset();
            DebugChannel("hangup completed");
            break;
        }
    } catch (...) {
        // A port that fails mid-way must not leave a hang-up in progress for ever: that would
        // refuse every later dial.
        RemoveTriggerChecked(HangupTriggerAdded, HangupTrigger);
        HangupStage = 0;
        dialendset();
        throw;
    }
}

void TLink::dialendset() {
    DebugChannel("End of call");
    HangupInProgress = Dialling = Online = CommBusy = ReadOnConnect = false;
    CallEnded = true;
    DirectMode = true;
    DialledNumber.clear();
    // The carrier trigger belongs to the call; left behind, each call would add another.
    bool dialAdded = DialTrigger != 0;
    RemoveTriggerChecked(dialAdded, DialTrigger);
    Comport.SetTapiMode(TTapiMode::tmOff);
    Listener.ComStatusUpdate();
    // Settings and calibration read through the call are no longer trusted.
    CalibrationLoaded = false;
    cleardataflags();
    // The direct line's regulator is addressed again: nothing read through the call is its data.
    FollowRegulator();
    Listener.CallButton(false);
}

}  // namespace talvik

// The main window's telephony road: dialling through the telephony device, its connect, port
// and failure events, the hang-up by cancelling the call, and the telephony controls of the port
// panel (mode captions and the device selection).
#include "base/debugchannel.h"
#include "base/format.h"
#include "link/uVar.h"
#include "serial/KsExcept.h"
#include "ui/lang.h"
#include "ui/langLink.h"
#include "ui/main.h"
#include "ui/mainImages.h"

namespace talvik {

void Tmainform::BuildTapiDevice() {
    KslComponents.InsertComponent(Comport.get());
    tapi1 = std::make_unique<TKslTapiDevice>(&KslComponents);
    tapi1->ShowPorts = false;
    tapi1->Loaded();
    // A failing event handler reaches the program's error display, not the device's window.
    auto guarded = [](std::function<void()> handler) {
        return [handler](TKslCustomTapiDevice*) {
            try {
                handler();
            } catch (...) {
                Application.HandleCurrentException();
            }
        };
    };
    tapi1->OnTapiConnect = guarded([this] { tapi1TapiConnect(); });
    tapi1->OnTapiPortOpen = guarded([this] { tapi1TapiPortOpen(); });
    tapi1->OnTapiPortClose = guarded([this] { tapi1TapiPortClose(); });
    tapi1->OnTapiFail = guarded([this] { tapi1TapiFail(); });
    Tapicheck->OnClick = [this](TControl*) { TapicheckClick(); };
    Tapiselbutton->OnClick = [this](TControl*) { TapiselbuttonClick(); };
}

void Tmainform::ReleaseTapiDevice() {
    if (!tapi1) return;
    // Ending the device ends its line; what it reports on the way has no window to go to.
    tapi1->OnTapiConnect = tapi1->OnTapiPortOpen = tapi1->OnTapiPortClose = tapi1->OnTapiFail = nullptr;
    tapi1.reset();
}

void Tmainform::TapiDialbuttonClick() { dialup("dialbutton"); }

void Tmainform::dialup(const std::string& Caller) {
    const bool placing = CallEnded;
    const bool logPlacing = Caller == "log" && placing;
    const bool viaTapi = Tapicheck->Checked();
    if (viaTapi)
        TapiDialup(Caller);
    else if (Link)
        Link->dialup(Caller);
    if (placing && !CallEnded) {
        CallByTapi = viaTapi;
        if (logPlacing) LogCall = true;
    }
    UpdateCallControls();
}

void Tmainform::TapiDialup(const std::string& Caller) {
    if (HangupInProgress) {
        DebugChannel("no dialup, hangup still in progress");
        return;
    }
    const bool fromLog = Caller == "log";
    if (CommBusy || WriteBusy || HistLoadMode) {
        // A transfer owns the line: reopened on the call, its steps would go to the station
        // half-way through. A log dial is tried again by its retry timer.
        DebugChannel("no dialup, line busy");
        if (fromLog) {
            LogDial = true;
            if (DialCountdown < 1) DialCountdown = 60;
        } else {
            ShowRefusal(LinkTextOf(TLinkText::LineBusy, LanguageNumber));
            if (SystemBeep) SystemBeep();
        }
        return;
    }
    DebugChannel("dialup, tapi mode");
    if (fromLog) LogDial = true;
    if (!CallEnded) {
        if (LogDial && DialCountdown < 1) DialCountdown = 60;
        return;
    }
    // The port is the direct line's until the call opens it on its own data stream; left open,
    // the device would take it for the call's.
    try {
        if (Comport->GetOpen()) Comport->SetOpen(false);
    } catch (const std::exception& e) {
        DebugChannel(std::string("port close before dial: ") + e.what());
        if (!fromLog) Application.HandleCurrentException();
    }
    Comport->SetTapiMode(TTapiMode::tmOn);
    DirectMode = false;
    comstatusupdate();
    HangupCountdown = 60;
    if (fromLog) {
        DialCountdown = 0;
        ReadOnConnect = true;
        LogDial = false;
    }
    const std::string number = ReadOnConnect ? Lognumedit->Text() : dialedit->Text();
    // The call reaches another regulator than the direct line (or the last call) did.
    DialledNumber = number;
    if (Link) Link->FollowRegulator();
    // Marked before the call starts: the device's events may run while it dials.
    ShowStatus(StatusTextOf(stDialing, LanguageNumber));
    Dialling = true;
    CallEnded = false;
    try {
        tapi1->Dial(number);
    } catch (const std::exception& e) {
        // No call: the line goes back to direct use, and the user learns why. An unattended log
        // dial leaves no message box waiting: its status and trace say it.
        const auto* ksl = dynamic_cast<const EKSLException*>(&e);
        DebugChannel("tapi dial failed: " + IntToStr(ksl ? ksl->ErrorCode : 0) + " " + e.what());
        ShowStatus(StatusTextOf(stTapiFail, LanguageNumber));
        if (Link) Link->dialendset();
        if (!fromLog) throw;
    }
}

void Tmainform::TapiHangupClick() {
    DebugChannel("Hangup");
    if (HangupInProgress) return;
    HangupRequested = false;
    if (tapi1->CancelCall()) {
        ShowStatus(StatusTextOf(stTapiClosed, LanguageNumber));
        if (Link) Link->dialendset();
    } else {
        HangupInProgress = true;
        ShowStatus(StatusTextOf(stWaitForClose, LanguageNumber));
    }
}

void Tmainform::tapi1TapiConnect() {
    DebugChannel("tapi connect");
    // The call may have ended between the device's notice and this handler (the far end hung
    // up at once): its port is closed then, and the port-closed notice that follows ends it.
    if (!tapi1->IsConnected() || !Comport->GetOpen()) {
        DebugChannel("tapi connect: the call is over already");
        return;
    }
    Dialling = false;
    Online = true;
    // A connected call gets the whole call time for its read, however long its retries took.
    HangupCountdown = 60;
    try {
        Comport->FlushOutBuffer();
        Comport->FlushInBuffer();
    } catch (const std::exception& e) {
        DebugChannel(std::string("tapi connect flush: ") + e.what());
        return;
    }
    ShowStatus(StatusTextOf(stConnected, LanguageNumber));
    ToolButton9->SetImageIndex(imgHangup);
    if (ReadOnConnect) {
        LoggingRead = true;
        Getdata("tapi1TapiConnect", 3);
    }
}

void Tmainform::tapi1TapiPortOpen() { ShowStatus(StatusTextOf(stTapiOpen, LanguageNumber)); }

void Tmainform::tapi1TapiPortClose() {
    DebugChannel("tapi port close");
    ShowStatus(StatusTextOf(stTapiClosed, LanguageNumber));
    HangupInProgress = false;
    // The device tries the call again: the window keeps following it.
    if (tapi1->RetryIsPending()) return;
    if (Link) Link->dialendset();
}

void Tmainform::tapi1TapiFail() {
    DebugChannel("tapi fail");
    ShowStatus(StatusTextOf(stTapiFail, LanguageNumber));
    HangupInProgress = false;
    if (Link) Link->dialendset();
}

void Tmainform::modemselectset() {
    if (Tapicheck->Checked()) {
        Setuplab->SetCaption(CaptionText(10));
        Pulsecheck->SetEnabled(false);
        Pulsecheck->Hide();
        SetupeditShowsTapiDevice = true;
        Setupedit->SetText(tapi1->GetSelectedDevice());
        Tapiselbutton->Show();
        Tapiselbutton->SetEnabled(true);
    } else {
        Setuplab->SetCaption(CaptionText(12));
        Tapiselbutton->SetEnabled(false);
        Tapiselbutton->Hide();
        Pulsecheck->SetEnabled(true);
        Pulsecheck->Show();
        if (ModemSetString.empty()) ModemSetString = "&K0&Q0&D0";
        SetupeditShowsTapiDevice = false;
        Setupedit->SetText(ModemSetString);
    }
    UpdateCallControls();
}

void Tmainform::TapicheckClick() {
    if (LineChangeReverting) return;
    // The box says how the call up was placed until it is over, and the line a transfer owns
    // stays as it is; taking the tick back runs this handler again, and that run changes nothing.
    const bool callUp = CallActive();
    if (callUp || RefuseLineChange()) {
        LineChangeReverting = true;
        Tapicheck->SetChecked(callUp ? CallByTapi : !Tapicheck->Checked());
        LineChangeReverting = false;
        return;
    }
    modemselectset();
}

bool Tmainform::CallActive() const {
    return !CallEnded || Dialling || HangupInProgress || (tapi1 && (tapi1->LineIsOpen() || tapi1->RetryIsPending()));
}

void Tmainform::UpdateCallControls() {
    const bool free = !CallActive();
    Tapicheck->SetEnabled(free);
    ebModemComPortNum->SetEnabled(free);
    udModemComPortNum->SetEnabled(free);
    Setupedit->SetEnabled(free);
    Tapiselbutton->SetEnabled(free && Tapicheck->Checked());
}

void Tmainform::TapiselbuttonClick() {
    if (CallActive()) return;
    tapi1->SelectDevice();
    // The choice is kept with the other settings when the program closes.
    SelectedTapiDevice = tapi1->GetSelectedDevice();
    Setupedit->SetText(SelectedTapiDevice);
}

}  // namespace talvik

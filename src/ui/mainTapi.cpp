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

void Tmainform::TapiDialbuttonClick() {
    // A read or write in progress owns the line: reopened on the call, its steps would go to
    // the station half-way through.
    if (CommBusy || WriteBusy) {
        DebugChannel("no dialup, link busy");
        if (SystemBeep) SystemBeep();
        return;
    }
    DirectMode = false;
    try {
        if (Comport->GetOpen()) Comport->SetOpen(false);
    } catch (...) {
        Application.HandleCurrentException();
    }
    dialup("dialbutton");
}

void Tmainform::dialup(const std::string& Caller) {
    const bool logPlacing = Caller == "log" && CallEnded;
    if (Tapicheck->Checked())
        TapiDialup(Caller);
    else if (Link)
        Link->dialup(Caller);
    if (logPlacing && !CallEnded) LogCall = true;
}

void Tmainform::TapiDialup(const std::string& Caller) {
    if (HangupInProgress) {
        DebugChannel("no dialup, hangup still in progress");
        return;
    }
    const bool fromLog = Caller == "log";
    if (CommBusy || WriteBusy || HistLoadMode) {
        // The transfer owns the line; a log dial is tried again by its retry timer.
        DebugChannel("no dialup, line busy");
        if (fromLog) {
            LogDial = true;
            if (DialCountdown < 1) DialCountdown = 60;
        } else {
            ShowStatus(LinkTextOf(TLinkText::LineBusy, LanguageNumber));
        }
        return;
    }
    Comport->SetTapiMode(TTapiMode::tmOn);
    DebugChannel("dialup, tapi mode");
    DirectMode = false;
    CommBusy = false;
    if (fromLog) LogDial = true;
    if (!CallEnded) {
        if (LogDial && DialCountdown < 1) DialCountdown = 60;
        return;
    }
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
    ShowStatus(StatusTextOf(stConnected, LanguageNumber));
    ToolButton9->SetImageIndex(imgHangup);
    Dialling = false;
    Online = true;
    CommBusy = false;
    Comport->FlushOutBuffer();
    Comport->FlushInBuffer();
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
}

void Tmainform::TapicheckClick() {
    if (LineChangeReverting) return;
    if (RefuseLineChange()) {
        // Taking the tick back runs this handler again; that run changes nothing.
        LineChangeReverting = true;
        Tapicheck->SetChecked(!Tapicheck->Checked());
        LineChangeReverting = false;
        return;
    }
    modemselectset();
}

void Tmainform::TapiselbuttonClick() {
    tapi1->SelectDevice();
    // The choice is kept with the other settings when the program closes.
    SelectedTapiDevice = tapi1->GetSelectedDevice();
    Setupedit->SetText(SelectedTapiDevice);
}

}  // namespace talvik

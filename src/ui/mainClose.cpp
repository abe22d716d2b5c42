// Closing the main window while something writes the regulator's EEPROM (a setting write,
// programming all, the accessory block, a history test or clear, a single-command EEPROM write):
// the user is asked first, and a confirmed close stops the transfer where no unlock frame is
// left without its write, then lets that last frame leave the port before the port is closed.
#include <windows.h>

#include <algorithm>
#include <array>

#include "base/debugchannel.h"
#include "base/rtl.h"
#include "link/uVar.h"
#include "serial/KsUser.h"
#include "toolkit/dialogs.h"
#include "ui/SettingsFormat.h"
#include "ui/lang.h"
#include "ui/main.h"

namespace talvik {

namespace {

const std::array<LangRow, 1> CloseDuringHistoryRun = {{
    {"The regulator's history page is still being rewritten. Stop and close TALVIK?",
     "La page d'historique du régulateur est encore en cours de réécriture. Arrêter et fermer TALVIK ?",
     "仍在重写调节器的历史记录页。要停止并关闭 TALVIK 吗？",
     "Die Verlaufsseite des Reglers wird noch neu geschrieben. Abbrechen und TALVIK schließen?"},
}};

// The port's close throws away what it has not sent: wait until the write thread has the last
// frame on the line, then for the frame's own time at the line speed.
void WaitForLastFrame(TKslComPort& port) {
    TKslBaseDispatcher* d = port.Dispatcher();
    if (!d) return;
    for (int i = 0; i < 500 && d->OutBuffUsed() > 0; ++i) Sleep(2);
    const std::int32_t baud = std::max<std::int32_t>(port.GetBaud(), 300);
    Sleep(static_cast<DWORD>(5 * 10 * 1000 / baud + 50));
}

}  // namespace

void Tmainform::FormCloseQuery(TForm*, bool& canClose) {
    if (!Link) return;
    // One close, one question: another close while the question stands (a second click on the
    // close box, "Close window" on the task bar, a close put off that comes again) asks nothing
    // more and brings the question forward; one that comes while the program already closes
    // (closing the port lets window messages run) is the same close.
    if (closeAsked_ || closing_) {
        canClose = false;
        if (closeAsked_) {
            DebugChannel("close while the question stands: the question is brought forward");
            const HWND question = GetLastActivePopup(Handle());
            if (question && question != Handle()) SetForegroundWindow(question);
        }
        return;
    }
    // A close that comes among the window events of a link step (the send of an unlock frame
    // lets them run) would close the port under that step, which then fails on it, and the
    // question would hold back the unlock frame's write until it is answered. It comes again
    // once the step is done and has armed its next firing, which then goes on while the
    // question stands.
    if (Link->InsideOperation()) {
        canClose = false;
        closePutOff_ = true;
        DebugChannel("close put off until the link's step is done");
        return;
    }
    if (!Link->EepromTransferRunning()) return;
    const std::string question = HistLoadMode ? LangText(CloseDuringHistoryRun.data(), CloseDuringHistoryRun.size(), 1,
                                                         LanguageNumber)
                                              : At(At(SettingsUIText, kCloseWhileWritingText), LanguageNumber);
    closeAsked_ = true;
    struct Asked {
        bool& flag;
        ~Asked() { flag = false; }
    } asked{closeAsked_};
    closePutOff_ = false;
    // "Yes" stops the transfer as it is pressed: the box's going away holds the window events
    // for a while (about two seconds under Wine), and the write of an unlock frame that is out
    // must not wait on it. A press among the window events of a link step waits until the
    // step is done, as a close does.
    bool stopped = false, lastFrameOut = false;
    const TModalResult answer =
        MessageDlg(question, TMsgDlgType::mtConfirmation, mbYes | mbNo, [&](TModalResult pressed) {
            if (pressed != TModalResult::mrYes || stopped) return true;
            if (Link->InsideOperation()) return false;
            stopped = true;
            lastFrameOut = StopTransferForClose();
            return true;
        });
    if (answer != TModalResult::mrYes) {
        canClose = false;
        return;
    }
    if (!stopped) lastFrameOut = StopTransferForClose();
    if (lastFrameOut && Comport) WaitForLastFrame(*Comport);
}

// The transfer went on while the question was open; it may have ended by now. What the serial
// library reports on the way out is no reason to keep the user from the exit.
bool Tmainform::StopTransferForClose() {
    try {
        return Link->StopTransfer();
    } catch (const std::exception& e) {
        DebugChannel(std::string("while the transfer stopped: ") + e.what());
        ShowStatus(e.what());
        return false;
    }
}

}  // namespace talvik

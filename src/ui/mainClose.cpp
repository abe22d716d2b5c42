// Closing the main window while something writes the regulator's EEPROM (a setting write,
// programming all, the accessory block, a history test or clear, a single-command EEPROM write):
// the user is asked first, and a confirmed close stops the transfer where no unlock frame is
// left without its write, then lets that last frame leave the port before the port is closed.
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
    if (MessageDlg(question, TMsgDlgType::mtConfirmation, mbYes | mbNo) != TModalResult::mrYes) {
        canClose = false;
        return;
    }
    // The transfer went on while the question was open; it may have ended by now. What the
    // serial library reports on the way out is no reason to keep the user from the exit.
    try {
        if (Link->StopTransfer() && Comport) WaitForLastFrame(*Comport);
    } catch (const std::exception& e) {
        DebugChannel(std::string("while the transfer stopped: ") + e.what());
        ShowStatus(e.what());
    }
}

}  // namespace talvik

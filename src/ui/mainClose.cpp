// Closing the main window while a setting write or the programming of the whole list runs: the
// user is asked first, and a confirmed close stops the write where no unlock frame is left
// without its write, then lets that last frame leave the port before the port is closed.
#include <algorithm>

#include "base/rtl.h"
#include "link/uVar.h"
#include "serial/KsUser.h"
#include "toolkit/dialogs.h"
#include "ui/SettingsFormat.h"
#include "ui/lang.h"
#include "ui/main.h"

namespace talvik {

namespace {

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
    if (!WriteBusy) return;
    const std::string question = At(At(SettingsUIText, kCloseWhileWritingText), LanguageNumber);
    if (MessageDlg(question, TMsgDlgType::mtConfirmation, mbYes | mbNo) != TModalResult::mrYes) {
        canClose = false;
        return;
    }
    // The write went on while the question was open; it may have ended by now.
    if (Link && Link->StopWrite() && Comport) WaitForLastFrame(*Comport);
}

}  // namespace talvik

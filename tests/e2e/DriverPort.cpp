// The com port that linkdriver runs the link on: the program's own com port component.
#include "DriverPort.h"

#include "serial/KsPort.h"
#include "serial/KsWin32.h"

namespace talvik {

std::unique_ptr<TKslComPortOps> MakeDriverPort(std::function<void(const std::string&)> OnError) {
    SetKslErrorDisplay(std::move(OnError));
    auto port = std::make_unique<TKslComPort>();
    // The main window's own settings of its port.
    port->PromptForPort = false;
    port->SetAutoOpen(false);
    port->SetTapiMode(TTapiMode::tmOff);
    port->SetBaud(2400);
    port->SetRTS(false);
    port->SetBufferFull(2000);
    port->SetBufferResume(100);
    port->SetUseEventWord(false);
    return port;
}

}  // namespace talvik

// The com port that linkdriver runs the link on.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "serial/KsPortOps.h"

namespace talvik {

// A closed com port set up as the main window sets up its own (no prompt for a port, no
// opening on demand, direct line). Errors that the port's window catches on their way out of
// an event go to OnError instead of a message box.
std::unique_ptr<TKslComPortOps> MakeDriverPort(std::function<void(const std::string&)> OnError);

}  // namespace talvik

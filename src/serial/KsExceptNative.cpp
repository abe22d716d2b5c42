// The native build has no platform message table: codes without a text of their own stay empty.
#include "serial/KsExcept.h"

namespace talvik {

std::string SystemErrorText(std::uint32_t) { return {}; }

}  // namespace talvik

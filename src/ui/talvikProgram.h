// Start-up of the program: the units' load lines, the application object and the nine
// windows in their order. Shared by talvik.exe and the tests of the windows.
#pragma once

namespace talvik {

void StartProgram();

}  // namespace talvik

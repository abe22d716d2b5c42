// Program entry of talvik.exe.
#include <windows.h>

#include "base/debugchannel.h"
#include "controls/XcLibrary.h"
#include "toolkit/core.h"
#include "ui/talvikProgram.h"

using namespace talvik;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    try {
        StartProgram();
        DebugChannel("Application.Run");
        Application.Run();
        FinalizeControlsLibrary();
    } catch (...) {
        Application.HandleCurrentException();
        return 1;
    }
    return 0;
}

// Program entry of talvik.exe. The windows are built on top of this; until then it only
// announces itself on the debug channel.
#include <windows.h>

#include "base/debugchannel.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    talvik::DebugChannel("Load main");
    talvik::DebugChannel("Application.Run");
    return 0;
}

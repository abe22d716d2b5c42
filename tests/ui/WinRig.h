// What the window tests that run against the serial rig share: the rig's files seen from Wine,
// the simulator's frame log read back, and letting the program run until a condition holds.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <cstddef>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "toolkit/core.h"
#include "WireChecks.h"

namespace talvik::test {

// The rig's folder, named by ctest in TALVIK_RIG_DIR.
inline std::string RigDir() {
    const char* d = std::getenv("TALVIK_RIG_DIR");
    return d ? d : "";
}

// A file of the rig as the program under Wine names it.
inline std::string RigFile(const std::string& name) { return "Z:" + RigDir() + "/" + name; }

inline std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

// The frames of the simulator's frame log on port (see tests/sim/README.md), each with the reply
// the simulator wrote for it.
using HeardFrame = sim::LoggedFrame;

inline std::vector<HeardFrame> FramesHeard(int port) {
    return sim::ParseSimLog(ReadWholeFile(RigFile("sim" + std::to_string(port) + ".log")));
}

// The read requests the simulator on port answered, from its frame number `from` on, each with
// when it arrived and when its reply was written.
inline std::vector<HeardFrame> ReadsAsked(int port, std::size_t from) {
    return sim::ReadsAsked(FramesHeard(port), from);
}

// Every text the status bar's panel 5 is given, as the status bar receives it, while a test
// subclasses the status bar with RecordPanel5 and points g_panel5 at its list.
inline std::vector<std::string>* g_panel5 = nullptr;

inline LRESULT CALLBACK RecordPanel5(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (msg == SB_SETTEXTW && LOBYTE(LOWORD(wp)) == 5 && g_panel5)
        g_panel5->push_back(Narrow(std::wstring(reinterpret_cast<const wchar_t*>(lp))));
    return DefSubclassProc(h, msg, wp, lp);
}

// An item of a drop-down list picked as the user picks it: the selection, then its notice.
inline void PickFromList(HWND combo, int index) {
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
}

// Lets the program run (port events included) until done holds; false when it never does.
inline bool RunProgramUntil(const std::function<bool()>& done, DWORD limitMs) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > limitMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        Application.ProcessMessages();
    }
    return true;
}

}  // namespace talvik::test

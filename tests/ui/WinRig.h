// What the window tests that run against the serial rig share: the rig's files seen from Wine,
// the simulator's frame log read back, and letting the program run until a condition holds.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "toolkit/core.h"

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

// One frame of the simulator's frame log (see tests/sim/README.md).
struct HeardFrame {
    std::vector<int> bytes;
    std::string command;
    int image = -1;  // -1 where the log has "-"
    std::string outcome;
};

inline std::vector<HeardFrame> FramesHeard(int port) {
    std::vector<HeardFrame> frames;
    std::istringstream log(ReadWholeFile(RigFile("sim" + std::to_string(port) + ".log")));
    std::string line;
    while (std::getline(log, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> f;
        std::istringstream fields(line);
        for (std::string s; std::getline(fields, s, '\t');) f.push_back(s);
        if (f.size() < 8) continue;
        HeardFrame h;
        std::istringstream bytes(f[1]);
        for (std::string b; bytes >> b;) h.bytes.push_back(std::stoi(b, nullptr, 16));
        h.command = f[3];
        h.image = f[4] == "-" ? -1 : std::stoi(f[4]);
        h.outcome = f[7];
        frames.push_back(h);
    }
    return frames;
}

// Every text the status bar's panel 5 is given, as the status bar receives it, while a test
// subclasses the status bar with RecordPanel5 and points g_panel5 at its list.
inline std::vector<std::string>* g_panel5 = nullptr;

inline LRESULT CALLBACK RecordPanel5(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (msg == SB_SETTEXTW && LOBYTE(LOWORD(wp)) == 5 && g_panel5)
        g_panel5->push_back(Narrow(std::wstring(reinterpret_cast<const wchar_t*>(lp))));
    return DefSubclassProc(h, msg, wp, lp);
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

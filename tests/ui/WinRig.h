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

// One frame of the simulator's frame log (see tests/sim/README.md).
struct HeardFrame {
    std::uint64_t ms = 0;  // arrival at the simulator, ms since it started
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
        h.ms = std::stoull(f[0]);
        std::istringstream bytes(f[1]);
        for (std::string b; bytes >> b;) h.bytes.push_back(std::stoi(b, nullptr, 16));
        h.command = f[3];
        h.image = f[4] == "-" ? -1 : std::stoi(f[4]);
        h.outcome = f[7];
        frames.push_back(h);
    }
    return frames;
}

// The read requests the simulator on port answered, from its frame number `from` on, each with
// when it arrived and when its reply was written (the log's "sent" notes; replies go out in the
// order asked, two bytes each).
inline std::vector<sim::AskedRead> ReadsAsked(int port, std::size_t from) {
    std::vector<sim::AskedRead> asks;
    std::vector<std::size_t> waiting;  // asks without their reply yet
    std::size_t frame = 0, bytes = 0;
    std::istringstream log(ReadWholeFile(RigFile("sim" + std::to_string(port) + ".log")));
    for (std::string line; std::getline(log, line);) {
        std::vector<std::string> f;
        std::istringstream fields(line);
        for (std::string s; std::getline(fields, s, '\t');) f.push_back(s);
        if (line.rfind("# ", 0) == 0) {
            std::istringstream note(line.substr(2));
            std::uint64_t ms = 0;
            std::string word;
            if (!(note >> ms >> word) || word != "sent") continue;
            for (std::string b; note >> b;) ++bytes;
            for (; bytes >= 2 && !waiting.empty(); bytes -= 2) {
                if (waiting.front() < asks.size()) asks[waiting.front()].repliedMs = static_cast<std::int64_t>(ms);
                waiting.erase(waiting.begin());
            }
        } else if (f.size() >= 8 && line[0] != '#') {
            const bool read = f[3] == "ram-read" || f[3] == "eeprom-read";
            if (read && f[7] == "answered") {
                waiting.push_back(frame >= from ? asks.size() : SIZE_MAX);
                if (frame >= from) asks.push_back({std::stoi(f[4]), std::stoull(f[0]), -1});
            }
            ++frame;
        }
    }
    return asks;
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

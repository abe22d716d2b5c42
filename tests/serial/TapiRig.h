// The telephony provider of the tests as a test sees it: its scenario file, its call log and the
// environment that points the provider at both. The provider reads the environment of the
// process as it is at each call, so a test can change the scenario while it runs.
#pragma once

#include <windows.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace talvik::test {

class TTapiRig {
public:
    TTapiRig() {
        char tmp[MAX_PATH];
        GetTempPathA(MAX_PATH, tmp);
        Dir = std::string(tmp) + "talvik-tapi-" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(Dir.c_str(), nullptr);
        ScenarioFile = Dir + "scenario.txt";
        LogFile = Dir + "calls.log";
        HistoryFile = Dir + "KESLTAPI.HIS";
        DeleteFileA(LogFile.c_str());
        DeleteFileA(HistoryFile.c_str());
        SetEnvironmentVariableA("TALVIK_TAPI_SCENARIO", ScenarioFile.c_str());
        SetEnvironmentVariableA("TALVIK_TAPI_LOG", LogFile.c_str());
    }
    void Scenario(const std::string& text) const {
        std::ofstream(ScenarioFile, std::ios::binary) << text;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), {});
    }
    // The provider's log, one entry per call made to it.
    std::vector<std::string> Calls() const {
        std::vector<std::string> r;
        std::istringstream in(Read(LogFile));
        for (std::string l; std::getline(in, l);) r.push_back(l);
        return r;
    }
    int Count(const std::string& prefix) const {
        int n = 0;
        for (const std::string& c : Calls())
            if (c.rfind(prefix, 0) == 0) ++n;
        return n;
    }
    // The history file's lines without their time stamps (the text after " : "); empty lines
    // stay empty.
    std::vector<std::string> History() const {
        std::vector<std::string> r;
        std::istringstream in(Read(HistoryFile));
        for (std::string l; std::getline(in, l);) {
            if (!l.empty() && l.back() == '\r') l.pop_back();
            const std::size_t p = l.find(" : ");
            r.push_back(p == std::string::npos ? l : l.substr(p + 3));
        }
        return r;
    }

    std::string Dir, ScenarioFile, LogFile, HistoryFile;
};

// Lets messages run until Done holds; false when it never does within LimitMs.
inline bool PumpUntil(const std::function<bool()>& Done, DWORD LimitMs = 20000) {
    const DWORD start = GetTickCount();
    while (!Done()) {
        if (GetTickCount() - start > LimitMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
    }
    return true;
}

}  // namespace talvik::test

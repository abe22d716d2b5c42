// The telephony provider of the tests as a test sees it: its scenario file, its call log and the
// environment that points the provider at both. The provider reads the environment of the
// process as it is at each call, so a test can change the scenario while it runs.
#pragma once

#include <windows.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
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

inline std::string Utf8Of(const wchar_t* text) {
    char buf[512] = {};
    WideCharToMultiByte(CP_UTF8, 0, text, -1, buf, sizeof buf - 1, nullptr, nullptr);
    return buf;
}

// Answers the "Device Selection" dialog from another thread once it shows: reads its entries,
// picks the one named and presses OK.
struct TSelectionAnswer {
    explicit TSelectionAnswer(std::string pick) {
        worker = std::thread([this, pick] {
            HWND dlg = nullptr;
            for (int i = 0; i < 500 && !dlg; ++i) {
                HWND w = FindWindowW(nullptr, L"Device Selection");
                if (w && IsWindowVisible(w)) dlg = w;
                else Sleep(20);
            }
            if (!dlg) return;
            RECT r;
            GetClientRect(dlg, &r);
            clientW = r.right;
            clientH = r.bottom;
            HWND combo = FindWindowExW(dlg, nullptr, L"ComboBox", nullptr);
            const int n = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
            int chosen = -1;
            for (int k = 0; k < n; ++k) {
                wchar_t text[128] = {};
                SendMessageW(combo, CB_GETLBTEXT, k, reinterpret_cast<LPARAM>(text));
                items.push_back(Utf8Of(text));
                if (items.back() == pick) chosen = k;
            }
            selectedAtStart = static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
            SendMessageW(combo, CB_SETCURSEL, chosen, 0);
            PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        });
    }
    ~TSelectionAnswer() { worker.join(); }
    std::thread worker;
    std::vector<std::string> items;
    int clientW = 0, clientH = 0, selectedAtStart = -1;
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

// linkdriver: runs the regulator link on a real com port without any window, for the
// end-to-end tests and the benchmark. It pumps the thread's messages so that the port's
// hidden window turns the dispatcher's trigger messages into events, and ticks the link's busy
// watchdog once a second as the main window does.
//
//   linkdriver.exe --port N --baud B [--site S] read KIND       prints ADDR=VALUE per address read
//   linkdriver.exe --port N --baud B [--site S] write ADDR VALUE  one EEPROM setting, verified
//   linkdriver.exe --port N --baud B [--site S] program FILE      the whole setting list of an image
//
// Exit status: 0 done, 1 the link failed (its last status text on stderr), 2 bad command line.
// Lines end in a bare newline, so that scripts on either system read the values as they are.
// With LINKDRIVER_TRACE set to a file name, the link's debug-channel lines are appended there,
// each after the milliseconds since the start.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "DriverArgs.h"
#include "DriverPort.h"
#include "base/debugchannel.h"
#include "base/format.h"
#include "link/qvEquates.h"
#include "link/qvLink.h"
#include "link/uVar.h"

using namespace talvik;

namespace {

// The windows' side of the link, reduced to what decides success and what the user would read.
class DriverListener : public TLinkListener {
public:
    DriverListener(std::int32_t BaudIndex, std::int32_t Site) : baudIndex_(BaudIndex), site_(Site) {}

    std::string LastStatus;
    int Beeps = 0;
    bool XalFailed = false;
    bool WriteEndedSeen = false;
    bool WriteFailed = false;

    void ShowStatus(const std::string& Text) override {
        if (!Text.empty()) LastStatus = Text;
    }
    void Beep() override { ++Beeps; }
    std::int32_t BaudIndex() override { return baudIndex_; }
    std::int32_t SiteNumber() override { return site_; }
    void XalReadError() override { XalFailed = true; }
    void WriteEnded(bool) override { WriteEndedSeen = true; }
    void WriteGridStatus(const std::string&, bool Append, bool Failed) override {
        if (!Append && Failed) WriteFailed = true;
    }

private:
    std::int32_t baudIndex_;
    std::int32_t site_;
};

// Exceptions that the port's window caught on their way out of a link step.
std::vector<std::string> g_portErrors;

void PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Pumps until Done holds; the one-second watchdog runs meanwhile. A last bound keeps a fault
// of the link from hanging the tests: it ends the run as a failure.
bool RunUntil(TLink& Link, const std::function<bool()>& Done, DWORD MaxMs) {
    const DWORD start = GetTickCount();
    DWORD nextTick = start + 1000;
    while (!Done()) {
        const DWORD now = GetTickCount();
        if (now - start > MaxMs) return false;
        if (static_cast<LONG>(now - nextTick) >= 0) {
            nextTick += 1000;
            Link.BusyWatchdogTick();
            continue;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        PumpMessages();
    }
    return true;
}

bool ReadKindLoaded(std::int32_t Kind, const DriverListener& L) {
    switch (Kind) {
    case 2: return CurrentLoaded;
    case 3: return CurrentStringLoaded;
    case 4: case 5: case 6: case 7: case 8: return KindLoaded[Kind];
    case 9: return CalibrationLoaded;
    case 10: return HistoryLoaded;
    case 11: return !L.XalFailed;
    default: return false;
    }
}

int Failed(const DriverListener& L, const std::string& Fallback) {
    std::string text = L.LastStatus.empty() ? Fallback : L.LastStatus;
    for (const auto& e : g_portErrors) text += " (" + e + ")";
    std::fprintf(stderr, "%s\n", text.c_str());
    return 1;
}

int DoRead(TLink& Link, const DriverListener& L, std::int32_t Kind) {
    Link.Getdata("linkdriver", Kind);
    // 4 sends of 12 ticks for each address, with room to spare; the watchdog ends it sooner.
    const DWORD bound = static_cast<DWORD>(KindCount(Kind)) * 4 * 13 * 55 * 2 + 30000;
    if (!RunUntil(Link, [] { return !CommBusy; }, bound)) return Failed(L, "linkdriver: the read did not end");
    if (L.Beeps > 0 || !ReadKindLoaded(Kind, L) || !g_portErrors.empty()) return Failed(L, "read failed");

    // The addresses in the order they were read: the kind's table from its last entry, and for
    // the history the day pointer that the read itself brought in.
    std::string out;
    DataKind = Kind;
    for (std::int32_t n = KindCount(Kind); n >= 1; --n) {
        ReadNum = n;
        const std::int32_t a = readaddr();
        const int v = Kind == 11 ? At(xaldata, a - 256) : At(RegImage, a);
        out += Format("%d=%d\n", a, v);
    }
    ReadNum = 0;
    std::fputs(out.c_str(), stdout);
    return 0;
}

int DoWrite(TLink& Link, const DriverListener& L, std::int32_t Address, std::int32_t Value) {
    // As the settings editor prepares an EEPROM setting: unlock, parked write, read-back. The
    // last frame of the sequence is the regulator's no-reply step, so nothing but the setting
    // (and the unlock byte) changes in the regulator's memory.
    WriteAddress = Address - 256;
    WriteValue = Value;
    WriteNeedsUnlock = true;
    SendCount = 2;
    SendOneState = 1;
    if (!Link.writesettingchecked()) return Failed(L, "write not started");
    if (!RunUntil(Link, [] { return !WriteBusy; }, 120000)) return Failed(L, "linkdriver: the write did not end");
    if (!L.WriteEndedSeen || L.WriteFailed || comm_state == 12 || !g_portErrors.empty())
        return Failed(L, "write failed");
    return 0;
}

int DoProgram(TLink& Link, const DriverListener& L, const std::string& File) {
    std::ifstream f(File, std::ios::binary);
    if (!f) {
        std::fprintf(stderr, "linkdriver: cannot open %s\n", File.c_str());
        return 2;
    }
    const std::vector<char> bytes{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    if (bytes.size() != RegImage.size()) {
        std::fprintf(stderr, "linkdriver: %s holds %u bytes, not an image of %u\n", File.c_str(),
                     static_cast<unsigned>(bytes.size()), static_cast<unsigned>(RegImage.size()));
        return 2;
    }
    for (std::size_t i = 0; i < bytes.size(); ++i) RegImage[i] = static_cast<std::uint8_t>(bytes[i]);
    // A file the user chose counts as loaded data, as the settings-file panel's load does.
    MarkImageLoaded();
    if (!Link.startbulkload()) return Failed(L, "programming not started");
    if (!RunUntil(Link, [] { return !WriteBusy; }, 600000))
        return Failed(L, "linkdriver: the programming did not end");
    if (!L.WriteEndedSeen || L.WriteFailed || comm_state == 12 || !g_portErrors.empty())
        return Failed(L, "programming failed");
    return 0;
}

int Run(const TDriverArgs& a) {
    ResetLinkState();
    DirectMode = true;
    DirectPortNumber = a.Port;
    SiteMode = a.Site > 0;
    StartupPending = false;

    DriverListener listener(a.BaudIndex, a.Site);
    std::unique_ptr<TKslComPortOps> port =
        MakeDriverPort([](const std::string& message) { g_portErrors.push_back(message); });
    TLink link(*port, listener);
    link.ProcessMessages = PumpMessages;

    int rc = 2;
    switch (a.Command) {
    case TDriverCommand::Read: rc = DoRead(link, listener, a.Kind); break;
    case TDriverCommand::Write: rc = DoWrite(link, listener, a.Address, a.Value); break;
    case TDriverCommand::Program: rc = DoProgram(link, listener, a.File); break;
    }
    DebugChannel("linkdriver: closing the port");
    if (port->GetOpen()) port->SetOpen(false);
    DebugChannel("linkdriver: port closed");
    return rc;
}

}  // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    std::vector<std::string> args(argv + 1, argv + argc);
    TDriverArgs a;
    std::string error;
    if (!ParseDriverArgs(args, a, error)) {
        std::fprintf(stderr, "linkdriver: %s\n%s", error.c_str(), DriverUsage);
        return 2;
    }

    std::unique_ptr<std::ofstream> trace;
    if (const char* path = std::getenv("LINKDRIVER_TRACE"); path && *path) {
        trace = std::make_unique<std::ofstream>(path, std::ios::app);
        const DWORD start = GetTickCount();
        SetDebugSink([&trace, start](std::string_view line) {
            *trace << (GetTickCount() - start) << ' ' << line << '\n' << std::flush;
        });
    }

    int rc = 1;
    try {
        rc = Run(a);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "linkdriver: %s\n", e.what());
        rc = 1;
    }
    DebugChannel("linkdriver: done");
    SetDebugSink({});
    std::fflush(stdout);
    return rc;
}

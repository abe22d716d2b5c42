// linkdriver: runs the real regulator link on the real com port without windows, for
// end-to-end tests and benchmarks (not part of the product).
//   linkdriver.exe --port N --baud B [--site S] read KIND
//   linkdriver.exe --port N --baud B [--site S] write ADDR VALUE
//   linkdriver.exe --port N --baud B [--site S] program FILE
// read prints ADDR=VALUE (decimal) per address read, in the order read, and exits 0; a failed
// read prints the link's last status text to stderr and exits 1. write and program exit 0 only
// when the regulator confirmed the data.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "base/format.h"
#include "link/qvEquates.h"
#include "link/qvLink.h"
#include "link/uVar.h"
#include "serial/KsPort.h"
#include "serial/KsWin32.h"

using namespace talvik;

namespace {

class TDriverListener : public TLinkListener {
public:
    std::int32_t Baud = 2400;
    std::int32_t Site = 0;
    std::string LastStatus;
    int Beeps = 0;
    bool WriteDone = false;

    void ShowStatus(const std::string& text) override { LastStatus = text; }
    void Beep() override { ++Beeps; }
    std::int32_t BaudIndex() override {
        for (std::size_t i = 0; i < BaudRates.size(); ++i)
            if (BaudRates[i] == Baud) return static_cast<std::int32_t>(i);
        return 2;
    }
    std::int32_t SiteNumber() override { return Site; }
    void WriteEnded(bool) override { WriteDone = true; }
};

void PumpPending() {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
}

int Usage() {
    std::fprintf(stderr,
                 "usage: linkdriver --port N --baud B [--site S] read KIND | write ADDR VALUE | "
                 "program FILE\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    int port = 0, baud = 0, site = 0;
    std::vector<std::string> rest;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto num = [&](int& out) {
            if (i + 1 >= argc) return false;
            const auto v = TryStrToInt(argv[++i]);
            if (!v) return false;
            out = *v;
            return true;
        };
        if (a == "--port") {
            if (!num(port)) return Usage();
        } else if (a == "--baud") {
            if (!num(baud)) return Usage();
        } else if (a == "--site") {
            if (!num(site)) return Usage();
        } else {
            rest.push_back(a);
        }
    }
    if (port < 1 || port > 255 || baud <= 0 || site < 0 || site > 255 || rest.empty()) return Usage();

    // Errors of the port's threads go to stderr instead of a message box.
    SetKslErrorDisplay([](const std::string& m) { std::fprintf(stderr, "port error: %s\n", m.c_str()); });

    TDriverListener listener;
    listener.Baud = baud;
    listener.Site = site;
    DirectMode = true;
    DirectPortNumber = port;
    SiteMode = site > 0;

    // As the main window sets up its Comport.
    TKslComPort comport;
    comport.SetAutoOpen(false);
    comport.PromptForPort = false;
    comport.SetTapiMode(TTapiMode::tmOff);
    comport.SetRTS(false);
    comport.SetBufferFull(2000);
    comport.SetBufferResume(100);
    comport.SetUseEventWord(false);
    comport.SetLogName("KESL1.txt");
    comport.SetBaud(baud);
    comport.SetComNumber(static_cast<std::uint16_t>(port));

    TLink link(comport, listener);
    link.ProcessMessages = [] { PumpPending(); };
    comport.OnTriggerTimer = [&](TKslComPortOps*, std::uint16_t h) { link.ComportTriggerTimer(h); };
    comport.OnTriggerModemStatus = [](TKslComPortOps*) {};

    // Runs the message loop until done() holds, with the main window's one-second watchdog.
    auto run = [&](auto done, int seconds) {
        auto start = std::chrono::steady_clock::now();
        auto nextTick = start + std::chrono::seconds(1);
        while (!done()) {
            const auto now = std::chrono::steady_clock::now();
            if (now - start > std::chrono::seconds(seconds)) return false;
            if (now >= nextTick) {
                link.BusyWatchdogTick();
                nextTick += std::chrono::seconds(1);
            }
            PumpPending();
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
        return true;
    };

    const std::string cmd = rest[0];
    if (cmd == "read" && rest.size() == 2) {
        const auto kind = TryStrToInt(rest[1]);
        if (!kind || *kind < 2 || *kind > 11) return Usage();
        link.Getdata("linkdriver", *kind);
        const bool started = CommBusy;
        // At 9600 baud a completed current-data read chains the next page through the window,
        // which this driver does not have: the read is over when the link is no longer busy.
        const bool finished = started && run([] { return !CommBusy; }, 600);
        // A failed read sounds three beeps (the link clears its abort flag as the read ends).
        if (!started || !finished || listener.Beeps >= 3) {
            std::fprintf(stderr, "%s\n", listener.LastStatus.empty() ? "No reply" : listener.LastStatus.c_str());
            return 1;
        }
        // The addresses in the order they were read (the counter runs down).
        DataKind = *kind;
        for (std::int32_t n = KindCount(*kind); n >= 1; --n) {
            ReadNum = n;
            const std::int32_t a = readaddr();
            // The accessory block is read into its own buffer.
            const int v = *kind == 11 ? xaldata[static_cast<std::size_t>(a - 256)]
                                      : RegImage[static_cast<std::size_t>(a)];
            std::printf("%d=%d\n", a, v);
        }
        ReadNum = 0;
        return 0;
    }
    if (cmd == "write" && rest.size() == 3) {
        const auto addr = TryStrToInt(rest[1]);
        const auto value = TryStrToInt(rest[2]);
        // Settings live at EEPROM 14..44 (image 270..300) with their RAM copies 50 above.
        if (!addr || !value || *addr < 270 || *addr > 300 || *value < 0 || *value > 255) return Usage();
        WriteAddress = *addr - 256;
        WriteValue = *value;
        WriteNeedsUnlock = true;
        SendCount = 2;
        SendOneState = 2;
        SettingIndex = 10;
        SettingRamValue = WriteAddress + 50;
        link.portset(static_cast<std::uint16_t>(port));
        if (!comport.GetOpen() || !link.writesettingchecked()) {
            std::fprintf(stderr, "%s\n", listener.LastStatus.c_str());
            return 1;
        }
        const bool finished = run([] { return !WriteBusy && !SettingsTriggerAdded; }, 600);
        if (!finished || listener.LastStatus != listener.Text(TLinkText::DataReceived)) {
            std::fprintf(stderr, "%s\n", listener.LastStatus.c_str());
            return 1;
        }
        return 0;
    }
    if (cmd == "program" && rest.size() == 2) {
        std::ifstream f(rest[1], std::ios::binary);
        std::vector<char> image((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        if (image.size() != RegImage.size()) {
            std::fprintf(stderr, "the image file must hold 512 bytes\n");
            return 2;
        }
        std::memcpy(RegImage.data(), image.data(), RegImage.size());
        link.portset(static_cast<std::uint16_t>(port));
        if (!comport.GetOpen() || !link.startbulkload()) {
            std::fprintf(stderr, "%s\n", listener.LastStatus.c_str());
            return 1;
        }
        const bool finished = run([] { return !WriteBusy && !SettingsTriggerAdded; }, 1800);
        if (!finished || listener.LastStatus != listener.Text(TLinkText::DataReceived)) {
            std::fprintf(stderr, "%s\n", listener.LastStatus.c_str());
            return 1;
        }
        return 0;
    }
    return Usage();
}

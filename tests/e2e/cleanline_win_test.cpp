// Reads on a clean line through the real com port under Wine: the regulator simulator's core
// answers on the far end of a pseudo-terminal pair from a thread of this process, as fast as a
// regulator on a short cable. Every reply that comes must be seen at the look after its request:
// no address is asked more than twice (the two agreeing samples), read after read.
//
// Run through tests/serial/with-pty.sh, which joins COM47 and COM48.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>

#include "DriverPort.h"
#include "PtyPeer.h"
#include "link/qvEquates.h"
#include "link/qvLink.h"
#include "link/uVar.h"
#include "RegulatorSim.h"

using namespace talvik;

namespace {

constexpr int kLinkPort = 47;
constexpr int kRegulatorPort = 48;

class Listener : public TLinkListener {
public:
    int Beeps = 0;
    std::string LastStatus;
    void ShowStatus(const std::string& Text) override {
        if (!Text.empty()) LastStatus = Text;
    }
    void Beep() override { ++Beeps; }
    std::int32_t BaudIndex() override {
        for (std::size_t k = 0; k < BaudRates.size(); ++k)
            if (BaudRates[k] == 9600) return static_cast<std::int32_t>(k);
        return -1;
    }
    std::int32_t SiteNumber() override { return 0; }
};

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// The regulator on the far end: bytes in, replies out as soon as they are due.
class Regulator {
public:
    explicit Regulator(const std::array<std::uint8_t, 512>& memory) : peer_(kRegulatorPort) {
        sim_.Memory() = memory;
        sim_.SetReplyDelay(1);
        h_ = peer_.h;  // 9600 baud, reads return at once with what is there
        if (peer_.Ok()) thread_ = std::thread([this] { Serve(); });
    }
    ~Regulator() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    bool Ok() const { return peer_.Ok(); }
    // How many read frames asked for each image address since the last call.
    std::map<int, int> TakeReadsAsked() {
        std::lock_guard<std::mutex> g(lock_);
        std::map<int, int> asked;
        for (const auto& e : sim_.Log())
            if (e.imageAddress >= 0 && (e.command == 0x14 || e.command == 0x15 || e.command == 0x48))
                ++asked[e.imageAddress];
        sim_.ClearLog();
        return asked;
    }

private:
    void Serve() {
        const DWORD start = GetTickCount();
        while (!stop_) {
            std::uint8_t buf[64];
            DWORD n = 0;
            const std::uint64_t now = GetTickCount() - start;
            std::vector<std::uint8_t> out;
            {
                std::lock_guard<std::mutex> g(lock_);
                if (ReadFile(h_, buf, sizeof buf, &n, nullptr) && n > 0)
                    for (DWORD i = 0; i < n; ++i) sim_.Feed(buf[i], now);
                out = sim_.Drain(now);
            }
            if (!out.empty()) WriteFile(h_, out.data(), static_cast<DWORD>(out.size()), &n, nullptr);
            if (n == 0 && out.empty()) Sleep(0);
        }
    }
    talvik::sim::RegulatorSim sim_;
    std::mutex lock_;
    test::TPeer peer_;
    HANDLE h_ = INVALID_HANDLE_VALUE;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

bool RunUntil(TLink& link, const std::function<bool()>& done, DWORD maxMs) {
    const DWORD start = GetTickCount();
    DWORD nextTick = start + 1000;
    while (!done()) {
        const DWORD now = GetTickCount();
        if (now - start > maxMs) return false;
        if (static_cast<LONG>(now - nextTick) >= 0) {
            nextTick += 1000;
            link.BusyWatchdogTick();
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        Pump();
    }
    return true;
}

}  // namespace

TEST(CleanLine, EveryReplyIsSeenAtTheFirstLookReadAfterRead) {
    std::array<std::uint8_t, 512> memory{};
    std::mt19937 rng(2026);
    for (auto& b : memory) b = static_cast<std::uint8_t>(rng());
    memory[301] = 4;  // a valid day pointer
    Regulator regulator(memory);
    ASSERT_TRUE(regulator.Ok()) << "run through with-pty.sh, which joins COM47 and COM48";

    ResetLinkState();
    DirectMode = true;
    DirectPortNumber = kLinkPort;
    StartupPending = false;
    Listener listener;
    std::vector<std::string> portErrors;
    std::unique_ptr<TKslComPortOps> port =
        MakeDriverPort([&](const std::string& message) { portErrors.push_back(message); });
    TLink link(*port, listener);
    link.ProcessMessages = Pump;

    // Both current-data pages and a settings group, again and again: each read reopens the
    // port and flushes before every frame, as a read does.
    int reads = 0;
    for (int round = 0; round < 5; ++round) {
        for (int kind : {2, 3, 4}) {
            RegImage.fill(0);
            link.Getdata("test", kind);
            ASSERT_TRUE(RunUntil(link, [] { return !CommBusy; }, 60000)) << "read of kind " << kind << " hangs";
            ++reads;
            EXPECT_EQ(listener.Beeps, 0) << "kind " << kind << " failed: " << listener.LastStatus;
            DataKind = kind;
            for (int n = KindCount(kind); n >= 1; --n) {
                ReadNum = n;
                const int a = readaddr();
                EXPECT_EQ(RegImage[a], memory[a]) << "kind " << kind << " address " << a;
            }
            ReadNum = 0;
            for (const auto& [address, asked] : regulator.TakeReadsAsked())
                EXPECT_EQ(asked, 2) << "read " << reads << " (kind " << kind << ") asked address " << address << " "
                                    << asked << " times on a clean line";
            listener.Beeps = 0;
        }
    }
    EXPECT_TRUE(portErrors.empty()) << portErrors.front();
    if (port->GetOpen()) port->SetOpen(false);
}

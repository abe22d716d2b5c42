// The Win32 device layer against the faults of a real line under Wine, with the modem-line shim
// serving COM43 (COM44 is the far end): carrier detect through the status thread, a line that
// never stops sending, and a device whose read never comes back. The shim's state file and its
// stalled-read flag lie in TALVIK_PTY_DIR (with-pty.sh --shim).
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "PtyPeer.h"
#include "Win32TestWindow.h"
#include "base/debugchannel.h"
#include "serial/KsPort.h"
#include "serial/KsWin32.h"

using namespace talvik;
using namespace talvik::test;

namespace {

std::string PtyFile(const std::string& name) {
    const char* d = std::getenv("TALVIK_PTY_DIR");
    return std::string("Z:") + (d ? d : "") + "/" + name;
}

std::string ReadText(const std::string& path) {
    std::string s;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return s;
    char buf[256];
    DWORD n = 0;
    while (ReadFile(h, buf, sizeof buf, &n, nullptr) && n > 0) s.append(buf, n);
    CloseHandle(h);
    return s;
}

// Sets the carrier in the shim's state file as the simulators do: its digit in place.
void SetCarrier(bool on) {
    const std::string path = PtyFile("com43.lines");
    const auto at = ReadText(path).find("DCD=");
    ASSERT_NE(at, std::string::npos);
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    SetFilePointer(h, static_cast<LONG>(at + 4), nullptr, FILE_BEGIN);
    DWORD n = 0;
    WriteFile(h, on ? "1" : "0", 1, &n, nullptr);
    CloseHandle(h);
}

void SetStall(bool on) {
    const std::string path = PtyFile("stall");
    DeleteFileA(PtyFile("stall.held").c_str());
    if (on) {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        CloseHandle(h);
    } else {
        DeleteFileA(path.c_str());
    }
}

// Whether a read of the device is held in the stall (the shim marks it): how soon the port's
// reader gets there depends on the machine's load.
bool ReaderHeld() { return GetFileAttributesA(PtyFile("stall.held").c_str()) != INVALID_FILE_ATTRIBUTES; }

// Puts a byte on the line for the port to read, giving up after a second: the line may still be
// full from an earlier test while the port's reader is stuck.
void Nudge() {
    HANDLE h = CreateFileA("\\\\.\\COM44", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    OVERLAPPED ov{};
    ov.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD n = 0;
    if (!WriteFile(h, "x", 1, &n, &ov) && GetLastError() == ERROR_IO_PENDING &&
        WaitForSingleObject(ov.hEvent, 1000) != WAIT_OBJECT_0) {
        CancelIo(h);
        WaitForSingleObject(ov.hEvent, 1000);
    }
    CloseHandle(ov.hEvent);
    CloseHandle(h);
}

int Abandonments(const std::vector<std::string>& shown) {
    int n = 0;
    for (const auto& m : shown)
        if (m.find("COM43: the serial device does not let go; the port is abandoned.") == 0) ++n;
    return n;
}

std::string Joined(const std::vector<std::string>& shown) {
    std::string all;
    for (const auto& m : shown) all += m + " | ";
    return all;
}

std::int32_t Open(TKslWin32Dispatcher& d, TTestWindow& w) {
    d.DeviceName = "COM43";
    std::int32_t rc = d.OpenPort("\\\\.\\COM43", 9600, 0, 8, 1, 4096, 4096, 3);
    if (rc == 0) {
        d.RegisterWndTriggerHandler(reinterpret_cast<std::uintptr_t>(w.Handle));
        d.UpdateHandlerFlags(1);
    }
    return rc;
}

// Sends to COM43 without pause from a thread of its own until told to stop; each write is
// overlapped, so the sender stops even while the line is full.
class TFlood {
public:
    TFlood() : thread_([this] { Run(); }) {}
    ~TFlood() {
        stop_.store(true);
        thread_.join();
    }
    std::atomic<long long> Sent{0};

private:
    void Run() {
        HANDLE h = CreateFileA("\\\\.\\COM44", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_FLAG_OVERLAPPED, nullptr);
        if (h == INVALID_HANDLE_VALUE) return;
        OVERLAPPED ov{};
        ov.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        std::vector<char> block(1024, 'B');
        while (!stop_.load()) {
            DWORD n = 0;
            ResetEvent(ov.hEvent);
            if (!WriteFile(h, block.data(), static_cast<DWORD>(block.size()), &n, &ov)) {
                if (GetLastError() != ERROR_IO_PENDING) break;
                while (!stop_.load() && WaitForSingleObject(ov.hEvent, 50) == WAIT_TIMEOUT) {
                }
                if (stop_.load()) {
                    CancelIo(h);
                    WaitForSingleObject(ov.hEvent, 1000);
                    break;
                }
                GetOverlappedResult(h, &ov, &n, FALSE);
            }
            Sent += n;
        }
        CloseHandle(ov.hEvent);
        CloseHandle(h);
    }
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace

TEST(ModemLines, CarrierChangesReachAnArmedStatusTriggerAndNothingElse) {
    TKslWin32Dispatcher d(nullptr);
    TTestWindow w(&d);
    SetCarrier(false);
    ASSERT_EQ(Open(d, w), 0);
    const std::int32_t h = d.AddStatusTrigger(stModem);
    // Not armed: a carrier change is not reported.
    SetCarrier(true);
    TTestWindow::PumpFor(300);
    EXPECT_EQ(w.Count(MsgTriggerStatus), 0);
    ASSERT_TRUE(d.CheckDCD());
    // Armed with carrier up (a call is online): its loss fires the trigger once.
    ASSERT_EQ(d.SetStatusTrigger(h, msDCD, true), 0);
    SetCarrier(false);
    ASSERT_TRUE(TTestWindow::PumpUntil([&] { return w.Count(MsgTriggerStatus) == 1; }));
    EXPECT_EQ(w.Got.back().WParam, static_cast<WPARAM>(h));
    EXPECT_FALSE(d.CheckDCD());
    // Re-armed with carrier down (dialling): its rise fires it again.
    ASSERT_EQ(d.SetStatusTrigger(h, msDCD, true), 0);
    SetCarrier(true);
    ASSERT_TRUE(TTestWindow::PumpUntil([&] { return w.Count(MsgTriggerStatus) == 2; }));
    EXPECT_TRUE(d.CheckDCD());
    TTestWindow::PumpFor(200);
    EXPECT_EQ(w.Count(MsgTriggerStatus), 2);
    std::vector<std::string> shown;
    SetKslErrorDisplay([&](const std::string& m) { shown.push_back(m); });
    d.DonePort();
    EXPECT_FALSE(d.Abandoned.load());
    for (const auto& m : TakeThreadErrorReports()) ADD_FAILURE() << m;
    SetKslErrorDisplay(nullptr);
}

TEST(BabblingLine, ALineThatNeverStopsSendingNeitherFillsTheMemoryNorHoldsTheClose) {
    auto* d = new TKslWin32Dispatcher(nullptr);
    TTestWindow w(d);
    ASSERT_EQ(Open(*d, w), 0);
    {
        TFlood flood;
        // Nobody reads: the ring fills, then the queue up to its limit, and there it stays;
        // the rest waits in the device.
        ASSERT_TRUE(TTestWindow::PumpUntil([&] { return d->InQueue.BytesBuffered() >= 64 * 1024; }, 60000));
        TTestWindow::PumpFor(300);
        EXPECT_LT(d->InQueue.BytesBuffered(), 64 * 1024 + 256);
        EXPECT_EQ(d->InBuffUsed(), static_cast<std::uint32_t>(DispatchBufferSize));
        // What a reader takes is what was sent.
        std::uint8_t c = 0;
        ASSERT_EQ(d->GetChar(c), 0);
        EXPECT_EQ(c, 'B');
        // Room again: the reader takes up the flood, and the port closes in the middle of it.
        d->FlushInBuffer();
        ASSERT_TRUE(TTestWindow::PumpUntil([&] { return d->InQueue.BytesBuffered() > 0; }));
        d->DonePort();
        EXPECT_FALSE(d->Abandoned.load());
        EXPECT_EQ(d->ActiveThreads.load(), 0);
        EXPECT_EQ(d->CidEx.load(), -1);
    }
    if (!d->Abandoned.load()) delete d;
}

TEST(StuckDevice, AReadThatNeverEndsIsAbandonedAtCloseAndThePortOpensAgain) {
    std::vector<std::string> shown;
    SetKslErrorDisplay([&](const std::string& m) { shown.push_back(m); });
    TKslComPort p;
    p.PromptForPort = false;
    p.SetAutoOpen(false);
    p.SetComNumber(43);
    p.SetBaud(9600);
    p.OnTriggerTimer = [](TKslComPortOps*, std::uint16_t) {};
    SetStall(true);
    p.SetOpen(true);
    const std::uint16_t t = p.AddTimerTrigger();
    p.SetTimerTrigger(t, 1, true);
    Nudge();  // a byte to read, and the device's read does not come back
    // The reader is inside the device's read, which does not come back.
    ASSERT_TRUE(TTestWindow::PumpUntil(ReaderHeld, 10000));
    p.SetOpen(false);
    EXPECT_FALSE(p.GetOpen());
    EXPECT_EQ(p.PortState(), 0);
    // Told once that the port was abandoned (a stuck device may fail a read on the way too).
    EXPECT_EQ(Abandonments(shown), 1) << Joined(shown);
    const std::size_t toldBefore = shown.size();

    // The device recovers: the port opens again and carries bytes.
    SetStall(false);
    p.SetOpen(true);
    TPeer peer(44);
    ASSERT_TRUE(peer.Ok());
    // Whatever earlier tests left on the line goes first.
    for (int quiet = 0; quiet < 30; ++quiet) {
        TTestWindow::PumpFor(10);
        if (p.CharReady()) {
            quiet = 0;
            while (p.CharReady()) p.GetChar();
        }
    }
    peer.Send("OK");
    ASSERT_TRUE(TTestWindow::PumpUntil([&] { return p.CharReady(); }));
    EXPECT_EQ(p.GetChar(), 'O');
    p.PutString("AT");
    EXPECT_EQ(peer.Receive(2), "AT");
    p.SetOpen(false);
    EXPECT_EQ(shown.size(), toldBefore) << Joined(shown);
    SetKslErrorDisplay(nullptr);
}

// A device that holds the reader inside its read: the first input flush after that waits for
// the reader (bounded, and said on the debug channel), the flushes after it do not wait for it
// again while it is still held. Counted in the bounded waits that ran out, which a loaded machine
// can only add to.
TEST(StuckDevice, OnlyTheFirstFlushAfterTheReaderIsHeldWaitsForIt) {
    static std::atomic<int> waits;  // outlives the test should an assertion end it early
    waits.store(0);
    const DebugSink old = SetDebugSink([&](std::string_view line) {
        if (line.find("COM43: the reader did not start a fresh read after a flush") != std::string_view::npos)
            ++waits;
    });
    {
        TKslWin32Dispatcher d(nullptr);
        TTestWindow w(&d);
        SetStall(true);
        ASSERT_EQ(Open(d, w), 0);
        Nudge();
        ASSERT_TRUE(TTestWindow::PumpUntil(ReaderHeld, 10000));
        for (int i = 0; i < 5; ++i) EXPECT_EQ(d.FlushInBuffer(), 0);
        EXPECT_EQ(waits.load(), 1);

        SetStall(false);
        d.DonePort();
        EXPECT_FALSE(d.Abandoned.load());
    }
    SetDebugSink(old);
    // A device let go after a stall may fail the read it held; that is not for the next test.
    TakeThreadErrorReports();
}

// Last: the program ends while a read of the device is still stuck, and its exit must not wait
// for it (ctest's time-out would catch a hang).
TEST(StuckDevice, TheProgramEndsWhileAReadIsStillStuck) {
    std::vector<std::string> shown;
    SetKslErrorDisplay([&](const std::string& m) { shown.push_back(m); });
    auto* p = new TKslComPort;
    p->PromptForPort = false;
    p->SetAutoOpen(false);
    p->SetComNumber(43);
    SetStall(true);
    p->SetOpen(true);
    Nudge();
    ASSERT_TRUE(TTestWindow::PumpUntil(ReaderHeld, 10000));
    delete p;  // closes the port as the main window does at exit
    EXPECT_EQ(Abandonments(shown), 1) << Joined(shown);
    SetKslErrorDisplay(nullptr);
}

// A dispatcher on an in-memory device, for tests of the dispatcher logic. The "window" that
// receives trigger messages is served by whichever test thread pumps (PumpOne/PumpUntil), as
// the port's hidden window is served by the UI thread; a sender waits for the answer with a
// time-out, and a message nobody took within it is withdrawn.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "serial/KsUser.h"

namespace talvik::test {

// A test clock: milliseconds that only move when the test moves them.
inline std::atomic<std::uint32_t>& FakeMs() {
    static std::atomic<std::uint32_t> ms{0};
    return ms;
}
inline std::uint32_t FakeClock() { return FakeMs().load(); }

struct TDelivered {
    std::uint32_t Msg, WParam;
    std::int32_t LParam;
};

class TFakeDispatcher : public TKslBaseDispatcher {
public:
    explicit TFakeDispatcher(TKslBaseComponent* owner = nullptr) : TKslBaseDispatcher(owner) {}
    ~TFakeDispatcher() override {
        if (CidEx.load() >= 0) DonePort();
        ShutdownThreads();
    }

    // ---- device state
    std::mutex DevLock;
    std::vector<std::uint8_t> Wire;          // bytes that left the device
    std::vector<std::uint8_t> OutPending;    // taken but not yet sent
    bool AutoDrain = true;
    TKslDCB Dev;
    int SetComStateCalls = 0;
    std::atomic<std::uint8_t> Lines{0};
    std::atomic<std::uint32_t> PendingErrors{0};
    std::int32_t ShortWrite = -1;  // >= 0: WriteCom takes only this many; < -1: it fails so
    std::atomic<int> ReadFailures{0};
    std::atomic<int> QueueLooks{0};
    bool OpenFails = false;
    std::vector<std::int32_t> Escapes;

    void Receive(const std::vector<std::uint8_t>& bytes) {
        for (std::size_t i = 0; i < bytes.size(); i += 256) {
            const std::size_t n = std::min<std::size_t>(256, bytes.size() - i);
            auto b = std::make_unique<TDataBuffer>(256);
            std::copy(bytes.begin() + static_cast<long>(i), bytes.begin() + static_cast<long>(i + n),
                      b->Data.begin());
            b->BytesUsed = static_cast<std::int32_t>(n);
            InQueue.Push(std::move(b));
        }
    }
    void PushStatus(std::uint32_t mask) { InQueue.Push(std::make_unique<TStatusBuffer>(mask)); }
    std::vector<std::uint8_t> WireBytes() {
        std::lock_guard<std::mutex> g(DevLock);
        return Wire;
    }

    // ---- device slots
    std::int32_t EscapeComFunction(std::int32_t func) override {
        std::lock_guard<std::mutex> g(DevLock);
        Escapes.push_back(func);
        return 0;
    }
    std::int32_t FlushCom(std::int32_t queue) override {
        if (queue == 0) {
            std::lock_guard<std::recursive_mutex> o(OutputSection);
            std::lock_guard<std::mutex> g(DevLock);
            OutPending.clear();
        } else {
            InQueue.Clear();
        }
        return 0;
    }
    std::uint32_t GetComError(TKslComStat& stat) override {
        stat = TKslComStat{};
        stat.OutQue = static_cast<std::uint32_t>(OutBufUsed());
        return PendingErrors.exchange(0);
    }
    std::int32_t GetComState(TKslDCB& dcb) override {
        std::lock_guard<std::mutex> g(DevLock);
        dcb = Dev;
        return 0;
    }
    std::int32_t SetComState(const TKslDCB& dcb) override {
        std::lock_guard<std::mutex> g(DevLock);
        Dev = dcb;
        ++SetComStateCalls;
        return 0;
    }
    std::int32_t ReadCom(std::uint8_t* buf, std::int32_t size) override {
        if (ReadFailures.load() > 0) {
            --ReadFailures;
            return -5;
        }
        return ReadQueuedBlocks(buf, size);
    }
    std::int32_t WriteCom(const std::uint8_t* buf, std::int32_t size) override {
        std::lock_guard<std::mutex> g(DevLock);
        if (ShortWrite < -1) return ShortWrite;
        const std::int32_t n = ShortWrite >= 0 ? std::min(ShortWrite, size) : size;
        auto& dst = AutoDrain ? Wire : OutPending;
        dst.insert(dst.end(), buf, buf + n);
        return n;
    }
    std::uint8_t GetModemLines() override { return Lines.load(); }
    bool SetupCom(std::int32_t, std::int32_t) override { return true; }
    void StartDispatcher() override {
        std::lock_guard<std::recursive_mutex> g(DataSection);
        DispatcherStarted.store(true);
        KillThreads.store(false);
        DispThread = std::make_unique<TDispThread>(this);
        DispThread->Start();
        GeneralEvent->Wait(3000);
    }
    void StopDispatcher() override { CloseCom(); }
    std::int32_t OutBufUsed() override {
        std::lock_guard<std::mutex> g(DevLock);
        return static_cast<std::int32_t>(OutPending.size());
    }
    std::int32_t InQueueUsed() override {
        ++QueueLooks;
        return QueuedBlockBytes();
    }
    std::int32_t OpenCom(const std::string&, std::int32_t, std::int32_t) override {
        return OpenFails ? -1 : 7;
    }
    std::uint32_t LastPlatformError() override { return OpenFails ? 2 : 0; }
    std::int32_t CloseCom() override {
        if (Closing.exchange(true)) return 0;
        KillThreads.store(true);
        if (DispWakeEvent) DispWakeEvent->Set();
        InQueue.Event().Set();
        if (!EventBusy.load()) WaitForThreadEnd(DispThread);
        CidEx.store(-1);
        Closing.store(false);
        return 0;
    }
    std::int32_t ProcessCommunications() override { return 0; }

    // ---- the window
    std::function<void(const TDelivered&)> OnMessage;
    std::vector<TDelivered> Delivered;  // touched only by the pumping thread
    int SendTimeoutMs = 3000;
    std::vector<std::string> Reports;

    void ReportThreadError(const std::string& m) override {
        std::lock_guard<std::mutex> g(uiLock_);
        Reports.push_back(m);
    }

    TDeliveryResult SendWindowMessage(std::uintptr_t, std::uint32_t msg, std::uint32_t wParam,
                                      std::int32_t lParam) override {
        auto item = std::make_shared<Pending>();
        item->M = {msg, wParam, lParam};
        std::unique_lock<std::mutex> g(uiLock_);
        ui_.push_back(item);
        uiCv_.notify_all();
        if (uiCv_.wait_for(g, std::chrono::milliseconds(SendTimeoutMs), [&] { return item->Done; }))
            return TDeliveryResult::Delivered;
        // Not answered: withdraw it unless the window is already handling it.
        for (auto it = ui_.begin(); it != ui_.end(); ++it)
            if (*it == item) {
                ui_.erase(it);
                break;
            }
        return TDeliveryResult::TimedOut;
    }

    void PumpWhileWaiting() override {
        if (!PumpOne()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    // Handles one pending message on the calling thread; false when none was pending.
    bool PumpOne() {
        std::shared_ptr<Pending> item;
        {
            std::lock_guard<std::mutex> g(uiLock_);
            if (ui_.empty()) return false;
            item = ui_.front();
            ui_.pop_front();
        }
        AcknowledgeDelivery();
        Delivered.push_back(item->M);
        if (OnMessage) OnMessage(item->M);
        {
            std::lock_guard<std::mutex> g(uiLock_);
            item->Done = true;
        }
        uiCv_.notify_all();
        return true;
    }

    // Pumps until pred holds; false after 5 s (a hang guard, not a timing check).
    template <class Pred>
    bool PumpUntil(Pred pred, int ms = 5000) {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!pred()) {
            if (std::chrono::steady_clock::now() > end) return false;
            if (!PumpOne()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

    int CountDelivered(std::uint32_t msg) const {
        int n = 0;
        for (const auto& d : Delivered)
            if (d.Msg == msg) ++n;
        return n;
    }

private:
    struct Pending {
        TDelivered M;
        bool Done = false;
    };
    std::mutex uiLock_;
    std::condition_variable uiCv_;
    std::deque<std::shared_ptr<Pending>> ui_;
};

// Opens a fake dispatcher with a window registered and the port handler on.
inline std::int32_t OpenFake(TFakeDispatcher& d, std::int32_t baud = 9600) {
    std::int32_t rc = d.OpenPort("COM1", baud, 0, 8, 1, 4096, 4096, 3);
    if (rc == 0) {
        d.RegisterWndTriggerHandler(0x1234);
        d.UpdateHandlerFlags(1);
    }
    return rc;
}

}  // namespace talvik::test

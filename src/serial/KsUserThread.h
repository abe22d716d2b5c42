// The threads of a dispatcher: the object every worker thread of a port is built on (the
// device layer's read, write and status threads, and the dispatcher thread). KsUser.h tells
// what each thread does and how they meet.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

namespace talvik {

class TKslBaseDispatcher;

// A worker thread of a dispatcher. It is started by Start and runs Execute once; at its end it
// reports itself gone to the dispatcher. The object is joined and freed by the dispatcher only
// after it has finished.
class TKslDispatcherThread {
public:
    explicit TKslDispatcherThread(TKslBaseDispatcher* dispatcher) : Dispatcher(dispatcher) {}
    virtual ~TKslDispatcherThread();
    TKslDispatcherThread(const TKslDispatcherThread&) = delete;
    TKslDispatcherThread& operator=(const TKslDispatcherThread&) = delete;

    void Start();
    void Join();
    bool Finished() const { return finished_.load(); }
    // Marks a thread that did not end in time: its object is left to it, never freed or joined.
    void Abandon() {
        abandoned_.store(true);
        if (thread_.joinable()) thread_.detach();
    }
    bool IsAbandoned() const { return abandoned_.load(); }
    virtual bool IsDispatcherThread() const { return false; }
    bool OnThisThread() const { return std::this_thread::get_id() == id_.load(); }
    std::thread::native_handle_type NativeHandle() { return thread_.native_handle(); }

    TKslBaseDispatcher* Dispatcher;
    std::atomic<bool> Terminated{false};
    std::atomic<std::int32_t> ReturnValue{0};

protected:
    virtual void Execute() = 0;

private:
    void Run();
    std::thread thread_;
    std::atomic<std::thread::id> id_{};
    std::atomic<bool> finished_{false};
    std::atomic<bool> abandoned_{false};
};

class TDispThread : public TKslDispatcherThread {
public:
    using TKslDispatcherThread::TKslDispatcherThread;
    bool IsDispatcherThread() const override { return true; }

protected:
    void Execute() override;
};

}  // namespace talvik

// The dispatcher's threads: the thread object every worker of a port is built on, the
// dispatcher thread's loop, and how the port starts, counts, waits for and abandons them.
#include "serial/KsUser.h"

#include <chrono>

#include "base/debugchannel.h"
#include "serial/KsExcept.h"

namespace talvik {

TKslDispatcherThread::~TKslDispatcherThread() { Join(); }

void TKslDispatcherThread::Start() { thread_ = std::thread([this] { Run(); }); }

void TKslDispatcherThread::Join() {
    if (thread_.joinable() && std::this_thread::get_id() != thread_.get_id()) thread_.join();
}

void TKslDispatcherThread::Run() {
    id_.store(std::this_thread::get_id());
    try {
        Execute();
    } catch (const std::exception& e) {
        Dispatcher->ReportThreadError(e.what());
    } catch (...) {
        Dispatcher->ReportThreadError("Unknown exception in a serial port thread");
    }
    Dispatcher->ThreadGone(this);
    finished_.store(true);
}

void TDispThread::Execute() {
    TKslBaseDispatcher* d = Dispatcher;
    d->ThreadStart();
    bool killedAtWait = false;
    do {
        // While the ring is full the queued blocks stay where they are; waiting on the queue
        // would return at once, so wait for the application to make room (or 50 ms).
        const int wait = d->MsUntilNextTimer(50);
        if (d->DispatchFull.load())
            d->DispWakeEvent->Wait(wait);
        else
            d->InQueue.WaitForBuffer(wait);
        if (d->KillThreads.load()) {
            killedAtWait = true;
            break;
        }
        d->ProcessQueue();
        d->ProcessTimers();
    } while (!d->KillThreads.load() && !d->ClosePending.load());
    if (!killedAtWait) d->GeneralEvent->Set();
    d->DoDonePortLater.store(d->ClosePending.load());
}

void TKslBaseDispatcher::PumpWhileWaiting() {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void TKslBaseDispatcher::ReportThreadError(const std::string& message) {
    DebugChannel("Serial port: " + message);
}

bool TKslBaseDispatcher::WaitForThreadEnd(std::unique_ptr<TKslDispatcherThread>& thread,
                                          std::uint32_t deadlineMs) {
    if (!thread) return true;
    if (thread->OnThisThread()) return true;
    while (!thread->Finished()) {
        // Signed difference: the deadline may lie across the clock's wrap.
        if (static_cast<std::int32_t>(KsTimeGetTime() - deadlineMs) >= 0) {
            AbandonThread(thread);
            return false;
        }
        PumpWhileWaiting();
    }
    thread->Join();
    thread.reset();
    return true;
}

void TKslBaseDispatcher::AbandonThread(std::unique_ptr<TKslDispatcherThread>& thread) {
    if (!thread) return;
    const bool first = !Abandoned.exchange(true);
    // The thread keeps its object and this dispatcher; neither is freed while it may run.
    thread->Abandon();
    (void)thread.release();
    if (first)
        ReportToUser(DeviceName + ": the serial device does not let go; the port is abandoned. "
                     "Unplug the device or restart the program to use it again.");
}

void TKslBaseDispatcher::ShutdownThreads() {
    KillThreads.store(true);
    if (DispWakeEvent) DispWakeEvent->Set();
    if (StatusWakeEvent) StatusWakeEvent->Set();
    InQueue.Event().Set();
    const std::uint32_t deadline = KsTimeGetTime() + ThreadEndBoundMs;
    for (auto* t : {&StatusThread, &WriteThread, &ReadThread, &DispThread}) WaitForThreadEnd(*t, deadline);
}

void TKslBaseDispatcher::ThreadStart() {
    ActiveThreads.fetch_add(1);
    GeneralEvent->Set();
}

void TKslBaseDispatcher::ThreadGone(TKslDispatcherThread* thread) {
    // A thread that ends after it was abandoned finds nobody waiting for it: the port has been
    // reported already and its owner has moved on.
    if (thread->IsAbandoned()) return;
    const std::int32_t rv = thread->ReturnValue.load();
    if (rv < 0) {
        std::int32_t expected = 0;
        DeviceError.compare_exchange_strong(expected, rv);
        try {
            CheckException(Owner, rv);
        } catch (const std::exception& e) {
            ReportThreadError(e.what());
        }
    }
    // The thread's own kind, not the DispThread pointer, which the UI thread may be setting.
    if (thread->IsDispatcherThread() && DoDonePortLater.load()) DonePortPrim();
    if (ActiveThreads.fetch_sub(1) == 1) DispatcherStarted.store(false);
}

}  // namespace talvik

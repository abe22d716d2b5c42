// The Win32 device layer of the serial library: a dispatcher on a serial device opened for
// overlapped I/O, its read, write and status threads, the variant on a handle handed over by the
// telephony service, and the delivery of trigger messages to windows.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "serial/KsUser.h"

namespace talvik {

// An event object of the platform, so that device threads can wait on it together with the
// events of their overlapped I/O.
class TKslWin32Event : public TKslEvent {
public:
    explicit TKslWin32Event(bool manualReset);
    ~TKslWin32Event() override;
    void Set() override { SetEvent(handle_); }
    void Reset() override { ResetEvent(handle_); }
    TWaitResult Wait(int ms) override;
    HANDLE Handle() const { return handle_; }

private:
    HANDLE handle_;
};

// How an error of a device thread reaches the user. It runs on the UI thread (the com port's
// window shows it); the default shows a message box. Tests and the application may replace it.
using TKslErrorDisplay = std::function<void(const std::string& message)>;
void SetKslErrorDisplay(TKslErrorDisplay display);
void KslShowError(const std::string& message);

// The message a dispatcher posts to its windows when a device thread has reported an error;
// the com port's window then shows the pending reports (TakeThreadErrorReports).
inline constexpr UINT MsgThreadError = 0x7E0B;
std::vector<std::string> TakeThreadErrorReports();

// The state of one thread's overlapped operations. It lives on the heap: a device that never
// lets go of a cancelled operation keeps it (it is then never freed).
struct TKslIo {
    TKslIo();
    ~TKslIo();
    TKslIo(const TKslIo&) = delete;
    TKslIo& operator=(const TKslIo&) = delete;
    OVERLAPPED ov{};
    std::unique_ptr<TDataBuffer> Block;  // the reader's block being filled
    std::vector<std::uint8_t> Out;       // the writer's block being sent
    DWORD EventMask = 0;                 // the status thread's comm events
};

class TKslWin32Thread : public TKslDispatcherThread {
public:
    using TKslDispatcherThread::TKslDispatcherThread;
    HANDLE ComHandle() const;
    bool Stopping() const;

protected:
    // Waits for an overlapped operation in steps of 100 ms while the thread may go on: the byte
    // count, kStopped when the thread was told to stop first (the operation is then still
    // pending), or the thread's failure code.
    virtual std::int32_t WaitForOverlapped(OVERLAPPED& ov);
    // Cancels this thread's pending operation and waits until the device has let go of it, so
    // its buffer may be freed: true, with the bytes it moved in count. Past CancelBoundMs the
    // port is reported and abandoned and false returned: the buffer must then stay.
    bool CancelPending(OVERLAPPED& ov, DWORD* count);
    std::int32_t FailureCode = -161;

public:
    static constexpr std::int32_t kStopped = -0x7FFF;
    // A read ended without bytes by a flush or a stop.
    static constexpr std::int32_t kWoken = -0x7FFE;
};

class TReadThread : public TKslWin32Thread {
public:
    using TKslWin32Thread::TKslWin32Thread;

protected:
    void Execute() override;

private:
    std::int32_t ReadOnce(TKslIo& io);
};

class TWriteThread : public TKslWin32Thread {
public:
    explicit TWriteThread(TKslBaseDispatcher* d) : TKslWin32Thread(d) { FailureCode = -160; }

protected:
    void Execute() override;
    std::int32_t WaitForOverlapped(OVERLAPPED& ov) override;

private:
    std::int32_t SendPending(TKslIo& io);
};

class TStatusThread : public TKslWin32Thread {
public:
    using TKslWin32Thread::TKslWin32Thread;

protected:
    void Execute() override;
};

class TKslWin32Dispatcher : public TKslBaseDispatcher {
public:
    explicit TKslWin32Dispatcher(TKslBaseComponent* owner);
    ~TKslWin32Dispatcher() override;

    HANDLE ComHandle() const { return comHandle_; }
    HANDLE ReceiveEvent() const { return receiveEvent_; }
    // The reader is about to read under this flush count: what it reads from now on came
    // after every flush so far.
    void ReaderReading(std::uint32_t generation);
    // How many reads the reader has started on this dispatcher (for diagnostics and tests).
    std::uint32_t ReadsStarted() const { return readsStarted_.load(); }
    HANDLE EventHandle(const std::unique_ptr<TKslEvent>& e) const;

    std::int32_t EscapeComFunction(std::int32_t func) override;
    std::int32_t FlushCom(std::int32_t queue) override;
    std::uint32_t GetComError(TKslComStat& stat) override;
    std::int32_t GetComState(TKslDCB& dcb) override;
    std::int32_t ReadCom(std::uint8_t* buf, std::int32_t size) override;
    std::int32_t SetComState(const TKslDCB& dcb) override;
    std::int32_t WriteCom(const std::uint8_t* buf, std::int32_t size) override;
    std::uint8_t GetModemLines() override;
    bool SetupCom(std::int32_t inSize, std::int32_t outSize) override;
    void StartDispatcher() override;
    void StopDispatcher() override;
    std::int32_t OutBufUsed() override;
    std::int32_t InQueueUsed() override;
    std::int32_t OpenCom(const std::string& name, std::int32_t inQue, std::int32_t outQue) override;
    std::int32_t CloseCom() override;
    std::int32_t ProcessCommunications() override;

    TDeliveryResult SendWindowMessage(std::uintptr_t window, std::uint32_t msg,
                                      std::uint32_t wParam, std::int32_t lParam) override;
    void PumpWhileWaiting() override;
    void SleepMs(std::int32_t ms) override;
    std::uint32_t LastPlatformError() override { return lastError_; }
    std::unique_ptr<TKslEvent> CreateEventObject(bool manualReset) override;
    void ReportThreadError(const std::string& message) override;
    std::string PlatformText() override;
    void ApplyThreadPriority(TKslDispatcherThread* thread, int boost) override;
    bool HandsOverLater() override { return true; }

protected:
    // The file's own error of the platform (minus it): a folder that is missing (-3), a file
    // that is read-only or held by another program (-5, -32), a full disk (-112).
    std::int32_t WriteTextFile(const std::string& fileName, const std::string& text, bool append,
                               bool& openFailed) override;

    HANDLE comHandle_ = INVALID_HANDLE_VALUE;
    HANDLE receiveEvent_ = nullptr;
    std::uint32_t lastError_ = 0;

private:
    // Waits (bounded) until the reader has let go of a read it started before the last input
    // flush and reads again under the new count.
    void AwaitFreshRead();
    HANDLE readerReady_ = nullptr;  // auto-reset, set by ReaderReading
    std::atomic<std::uint32_t> readerGeneration_{0xFFFFFFFFu};
    std::atomic<std::uint32_t> readsStarted_{0};
    // Bit 32 set: the reader was found held in the device's read while it had started the reads
    // counted in the low half.
    std::atomic<std::uint64_t> readerHeldAt_{0};
};

// Works on the data handle of a connected telephony call instead of opening a device.
class TKslTAPI32Dispatcher : public TKslWin32Dispatcher {
public:
    TKslTAPI32Dispatcher(TKslBaseComponent* owner, HANDLE callHandle)
        : TKslWin32Dispatcher(owner), callHandle_(callHandle) {}
    std::int32_t OpenCom(const std::string& name, std::int32_t inQue, std::int32_t outQue) override;

private:
    HANDLE callHandle_;
};

}  // namespace talvik

// Win32 serial device layer: overlapped reads, writes and comm-event waits on three threads,
// the device operations of the dispatcher, and message delivery to windows.
#include "serial/KsWin32.h"

#include <pthread.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <mutex>

#include "base/debugchannel.h"
#include "base/rtl.h"
#include "base/format.h"
#include "serial/KsMiscWin32.h"

namespace talvik {

// ---------------------------------------------------------------- events and error display

TKslWin32Event::TKslWin32Event(bool manualReset)
    : handle_(CreateEventW(nullptr, manualReset, FALSE, nullptr)) {}

TKslWin32Event::~TKslWin32Event() {
    if (handle_) CloseHandle(handle_);
}

TWaitResult TKslWin32Event::Wait(int ms) {
    switch (WaitForSingleObject(handle_, ms < 0 ? INFINITE : static_cast<DWORD>(ms))) {
        case WAIT_OBJECT_0:
            return TWaitResult::Signaled;
        case WAIT_TIMEOUT:
            return TWaitResult::Timeout;
        case WAIT_ABANDONED:
            return TWaitResult::Abandoned;
        default:
            return TWaitResult::Failed;
    }
}

namespace {

std::mutex& DisplayLock() {
    static std::mutex m;
    return m;
}
TKslErrorDisplay& Display() {
    static TKslErrorDisplay d;
    return d;
}
std::vector<std::string>& Reports() {
    static std::vector<std::string> r;
    return r;
}

}  // namespace

void SetKslErrorDisplay(TKslErrorDisplay display) {
    std::lock_guard<std::mutex> g(DisplayLock());
    Display() = std::move(display);
}

void KslShowError(const std::string& message) {
    TKslErrorDisplay d;
    {
        std::lock_guard<std::mutex> g(DisplayLock());
        d = Display();
    }
    if (d) {
        d(message);
        return;
    }
    const std::u16string text = Utf8ToUtf16(message);
    MessageBoxW(nullptr, reinterpret_cast<const wchar_t*>(text.c_str()), L"Error",
                MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

std::vector<std::string> TakeThreadErrorReports() {
    std::lock_guard<std::mutex> g(DisplayLock());
    std::vector<std::string> r;
    r.swap(Reports());
    return r;
}

// ---------------------------------------------------------------- threads

HANDLE TKslWin32Thread::ComHandle() const {
    return static_cast<TKslWin32Dispatcher*>(Dispatcher)->ComHandle();
}

bool TKslWin32Thread::Stopping() const {
    return Terminated.load() || Dispatcher->KillThreads.load() || Dispatcher->DeviceError.load() != 0;
}

std::int32_t TKslWin32Thread::WaitForOverlapped(OVERLAPPED& ov) {
    for (;;) {
        const DWORD r = WaitForSingleObject(ov.hEvent, 100);
        if (r == WAIT_OBJECT_0) {
            DWORD n = 0;
            if (!GetOverlappedResult(ComHandle(), &ov, &n, TRUE)) return FailureCode;
            ResetEvent(ov.hEvent);
            return static_cast<std::int32_t>(n);
        }
        if (r != WAIT_TIMEOUT) return FailureCode;
        if (Stopping()) return kStopped;
    }
}

void TKslWin32Thread::CancelPending(OVERLAPPED& ov) {
    CancelIo(ComHandle());
    DWORD n = 0;
    // Waits until the device has completed or abandoned the operation.
    GetOverlappedResult(ComHandle(), &ov, &n, TRUE);
    ResetEvent(ov.hEvent);
}

void TReadThread::Execute() {
    auto* d = static_cast<TKslWin32Dispatcher*>(Dispatcher);
    d->ThreadStart();
    OVERLAPPED ov{};
    ov.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    COMMTIMEOUTS to{};
    to.ReadIntervalTimeout = MAXDWORD;
    SetCommTimeouts(ComHandle(), &to);
    ReturnValue.store(0);
    std::unique_ptr<TDataBuffer> block;

    // One read into the block: the byte count, 0 when nothing came or the thread is stopping,
    // negative on a device failure. Nothing is left pending on the block.
    auto readOnce = [&]() -> std::int32_t {
        DWORD n = 0;
        if (ReadFile(ComHandle(), block->Data.data(), 256, &n, &ov)) return static_cast<std::int32_t>(n);
        const DWORD err = GetLastError();
        if (err == ERROR_OPERATION_ABORTED) return 0;
        if (err != ERROR_IO_PENDING) return -161;
        const std::int32_t r = WaitForOverlapped(ov);
        if (r == kStopped) {
            CancelPending(ov);
            return 0;
        }
        if (r < 0) return GetLastError() == ERROR_OPERATION_ABORTED ? 0 : -161;
        return r;
    };

    while (!Stopping()) {
        const DWORD w = WaitForSingleObject(d->ReceiveEvent(), 50);
        if (w != WAIT_OBJECT_0 && w != WAIT_TIMEOUT) {
            ReturnValue.store(-161);
            break;
        }
        if (Stopping()) break;
        try {
            if (!block) block = std::make_unique<TDataBuffer>(256);
        } catch (...) {
            ReturnValue.store(-13868);
            break;
        }
        std::int32_t n = readOnce();
        while (n > 0) {
            block->BytesUsed = n;
            d->InQueue.Push(std::move(block));
            try {
                block = std::make_unique<TDataBuffer>(256);
            } catch (...) {
                n = -13868;
                break;
            }
            n = readOnce();
        }
        if (n < 0) {
            ReturnValue.store(n);
            break;
        }
    }
    CloseHandle(ov.hEvent);
}

std::int32_t TWriteThread::WaitForOverlapped(OVERLAPPED& ov) {
    auto* d = static_cast<TKslWin32Dispatcher*>(Dispatcher);
    HANDLE waits[2] = {ov.hEvent, d->EventHandle(d->FlushEvent)};
    for (;;) {
        const DWORD r = WaitForMultipleObjects(2, waits, FALSE, 100);
        if (r == WAIT_OBJECT_0) {
            DWORD n = 0;
            if (!GetOverlappedResult(ComHandle(), &ov, &n, TRUE)) return -160;
            ResetEvent(ov.hEvent);
            return static_cast<std::int32_t>(n);
        }
        if (r == WAIT_OBJECT_0 + 1) return -1;  // a flush arrived
        if (r != WAIT_TIMEOUT) return -160;
        if (Stopping()) return kStopped;
    }
}

std::int32_t TWriteThread::SendPending(OVERLAPPED& ov) {
    auto* d = static_cast<TKslWin32Dispatcher*>(Dispatcher);
    for (;;) {
        std::vector<std::uint8_t> block;
        {
            std::lock_guard<std::recursive_mutex> g(d->OutputSection);
            const std::int32_t used = d->OutBufUsed();
            if (used == 0) return 0;
            block.resize(static_cast<std::size_t>(used));
            const std::int32_t size = static_cast<std::int32_t>(d->OutBuff.size());
            for (std::int32_t i = 0; i < used; ++i)
                block[static_cast<std::size_t>(i)] =
                    d->OutBuff[static_cast<std::size_t>((d->OutBuffTail + i) % size)];
            d->OutBuffHead = d->OutBuffTail = 0;
            d->OutBuffFull = false;
        }
        std::size_t done = 0;
        while (done < block.size()) {
            if (Stopping()) return 0;
            DWORD n = 0;
            if (WriteFile(ComHandle(), block.data() + done, static_cast<DWORD>(block.size() - done), &n,
                          &ov)) {
                if (n == 0) Sleep(1);
                done += n;
                continue;
            }
            const DWORD err = GetLastError();
            if (err == ERROR_OPERATION_ABORTED) return 0;
            if (err != ERROR_IO_PENDING) return -160;
            const std::int32_t r = WaitForOverlapped(ov);
            if (r == kStopped) {
                CancelPending(ov);
                return 0;
            }
            if (r == -1) {
                // Flushed: the rest of the block is dropped and the flush acknowledged.
                CancelPending(ov);
                d->GeneralEvent->Set();
                return 0;
            }
            if (r < 0) return GetLastError() == ERROR_OPERATION_ABORTED ? 0 : -160;
            done += static_cast<std::size_t>(r);
        }
    }
}

void TWriteThread::Execute() {
    auto* d = static_cast<TKslWin32Dispatcher*>(Dispatcher);
    d->ThreadStart();
    OVERLAPPED ov{};
    ov.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ReturnValue.store(0);
    HANDLE waits[2] = {d->EventHandle(d->OutputEvent), d->EventHandle(d->FlushEvent)};
    while (!Stopping()) {
        const DWORD r = WaitForMultipleObjects(2, waits, FALSE, 100);
        if (r == WAIT_OBJECT_0) {
            if (!d->KillThreads.load() && SendPending(ov) != 0) {
                ReturnValue.store(-160);
                break;
            }
        } else if (r == WAIT_OBJECT_0 + 1) {
            d->GeneralEvent->Set();
        } else if (r != WAIT_TIMEOUT) {
            ReturnValue.store(-160);
            break;
        }
    }
    CloseHandle(ov.hEvent);
}

std::int32_t TStatusThread::WaitOnce(OVERLAPPED& ov, DWORD& mask, DWORD& eventMask) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        mask = 0;
        if (WaitCommEvent(ComHandle(), &mask, &ov)) return 0;
        const DWORD err = GetLastError();
        if (err == ERROR_IO_PENDING) {
            const std::int32_t r = WaitForOverlapped(ov);
            if (r == kStopped) {
                CancelPending(ov);
                mask = 0;
                return 0;
            }
            return r < 0 ? -161 : 0;
        }
        if (err == ERROR_INVALID_PARAMETER && (eventMask & evRing2)) {
            // This driver does not know the trailing-edge ring event: drop it for good.
            eventMask &= ~evRing2;
            SetCommMask(ComHandle(), eventMask);
            continue;
        }
        return -161;
    }
    return -161;
}

void TStatusThread::Execute() {
    auto* d = static_cast<TKslWin32Dispatcher*>(Dispatcher);
    d->ThreadStart();
    OVERLAPPED ov{};
    ov.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD eventMask = 0x1F9;
    bool lineEvents = true;
    if (!SetCommMask(ComHandle(), eventMask)) {
        // Some drivers (Wine on a pseudo-terminal) refuse the line events; received data and
        // errors are still watched, and the modem lines are read when asked.
        eventMask = EV_RXCHAR | EV_ERR | EV_BREAK;
        lineEvents = false;
        SetCommMask(ComHandle(), eventMask);
    }
    ReturnValue.store(0);
    int failures = 0;
    while (!Stopping()) {
        DWORD mask = 0;
        const std::int32_t r = WaitOnce(ov, mask, eventMask);
        if (Stopping()) break;
        if (r < 0) {
            if (lineEvents && ++failures == 1) {
                eventMask = EV_RXCHAR | EV_ERR | EV_BREAK;
                lineEvents = false;
                SetCommMask(ComHandle(), eventMask);
                continue;
            }
            // The device cannot report events at all; the read thread polls it instead.
            DebugChannel("Serial port: comm events unavailable, reading by polling");
            break;
        }
        if (mask & EV_RXCHAR) SetEvent(d->ReceiveEvent());
        if (mask & 0x21F8) d->InQueue.Push(std::make_unique<TStatusBuffer>(mask));
    }
    CloseHandle(ov.hEvent);
}

// ---------------------------------------------------------------- dispatcher

TKslWin32Dispatcher::TKslWin32Dispatcher(TKslBaseComponent* owner) : TKslBaseDispatcher(owner) {
    receiveEvent_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
}

TKslWin32Dispatcher::~TKslWin32Dispatcher() {
    if (CidEx.load() >= 0) DonePort();
    ShutdownThreads();
    if (comHandle_ != INVALID_HANDLE_VALUE) CloseHandle(comHandle_);
    if (receiveEvent_) CloseHandle(receiveEvent_);
}

HANDLE TKslWin32Dispatcher::EventHandle(const std::unique_ptr<TKslEvent>& e) const {
    auto* w = dynamic_cast<TKslWin32Event*>(e.get());
    return w ? w->Handle() : nullptr;
}

std::unique_ptr<TKslEvent> TKslWin32Dispatcher::CreateEventObject(bool manualReset) {
    return std::make_unique<TKslWin32Event>(manualReset);
}

std::int32_t TKslWin32Dispatcher::EscapeComFunction(std::int32_t func) {
    EscapeCommFunction(comHandle_, static_cast<DWORD>(func));
    return 0;
}

std::int32_t TKslWin32Dispatcher::FlushCom(std::int32_t queue) {
    if (queue == 0) {
        if (!WriteThread) return 0;
        {
            std::lock_guard<std::recursive_mutex> g(OutputSection);
            OutBuffHead = OutBuffTail = 0;
            OutBuffFull = false;
        }
        const BOOL ok = PurgeComm(comHandle_, PURGE_TXABORT | PURGE_TXCLEAR);
        if (WriteThread && !WriteThread->Finished()) {
            GeneralEvent->Reset();
            FlushEvent->Set();
            GeneralEvent->Wait(5000);
        }
        return ok ? 0 : -1;
    }
    const BOOL ok = PurgeComm(comHandle_, PURGE_RXABORT | PURGE_RXCLEAR);
    InQueue.Clear();
    return ok ? 0 : -1;
}

std::uint32_t TKslWin32Dispatcher::GetComError(TKslComStat& stat) {
    DWORD errors = 0;
    COMSTAT cs{};
    stat = TKslComStat{};
    if (comHandle_ != INVALID_HANDLE_VALUE && ClearCommError(comHandle_, &errors, &cs)) {
        stat.InQue = cs.cbInQue;
    } else {
        errors = 0;
    }
    stat.OutQue = static_cast<std::uint32_t>(OutBufUsed());
    return errors;
}

namespace {

// The DCB's bit fields as one flag word, in their declared order.
std::uint32_t DcbFlags(const ::DCB& dcb) {
    std::uint32_t f;
    std::memcpy(&f, reinterpret_cast<const char*>(&dcb) + offsetof(::DCB, BaudRate) + sizeof(DWORD), 4);
    return f;
}
void SetDcbFlags(::DCB& dcb, std::uint32_t f) {
    std::memcpy(reinterpret_cast<char*>(&dcb) + offsetof(::DCB, BaudRate) + sizeof(DWORD), &f, 4);
}

}  // namespace

std::int32_t TKslWin32Dispatcher::GetComState(TKslDCB& dcb) {
    ::DCB w{};
    w.DCBlength = sizeof w;
    if (!GetCommState(comHandle_, &w)) return -1;
    dcb.BaudRate = w.BaudRate;
    dcb.Flags = DcbFlags(w);
    dcb.XonLim = w.XonLim;
    dcb.XoffLim = w.XoffLim;
    dcb.ByteSize = w.ByteSize;
    dcb.Parity = w.Parity;
    dcb.StopBits = w.StopBits;
    dcb.XonChar = w.XonChar;
    dcb.XoffChar = w.XoffChar;
    return 0;
}

std::int32_t TKslWin32Dispatcher::SetComState(const TKslDCB& dcb) {
    ::DCB w{};
    w.DCBlength = sizeof w;
    GetCommState(comHandle_, &w);
    w.BaudRate = dcb.BaudRate;
    SetDcbFlags(w, dcb.Flags);
    w.XonLim = dcb.XonLim;
    w.XoffLim = dcb.XoffLim;
    w.ByteSize = dcb.ByteSize;
    w.Parity = dcb.Parity;
    w.StopBits = dcb.StopBits;
    w.XonChar = dcb.XonChar;
    w.XoffChar = dcb.XoffChar;
    if (!SetCommState(comHandle_, &w)) return -static_cast<std::int32_t>(GetLastError());
    return 0;
}

std::int32_t TKslWin32Dispatcher::ReadCom(std::uint8_t* buf, std::int32_t size) {
    return ReadQueuedBlocks(buf, size);
}

std::int32_t TKslWin32Dispatcher::WriteCom(const std::uint8_t* buf, std::int32_t size) {
    {
        std::lock_guard<std::recursive_mutex> g(OutputSection);
        const std::int32_t cap = static_cast<std::int32_t>(OutBuff.size());
        if (cap == 0) return 0;
        for (std::int32_t i = 0; i < size; ++i) {
            OutBuff[static_cast<std::size_t>(OutBuffHead)] = buf[i];
            if (++OutBuffHead >= cap) OutBuffHead = 0;
        }
    }
    OutputEvent->Set();
    return size;
}

std::uint8_t TKslWin32Dispatcher::GetModemLines() {
    DWORD s = 0;
    if (comHandle_ == INVALID_HANDLE_VALUE || !GetCommModemStatus(comHandle_, &s)) return 0;
    return static_cast<std::uint8_t>(s & 0xF0);
}

bool TKslWin32Dispatcher::SetupCom(std::int32_t inSize, std::int32_t outSize) {
    if (!SetupComm(comHandle_, static_cast<DWORD>(inSize), static_cast<DWORD>(outSize))) {
        lastError_ = GetLastError();
        return false;
    }
    return true;
}

void TKslWin32Dispatcher::StartDispatcher() {
    std::lock_guard<std::recursive_mutex> g(DataSection);
    if (DispatcherStarted.load()) throw Exception("Dispatcher already started.");
    DispatcherStarted.store(true);
    KillThreads.store(false);
    auto start = [this](std::unique_ptr<TKslDispatcherThread>& slot, TKslDispatcherThread* t) {
        slot.reset(t);
        GeneralEvent->Reset();
        t->Start();
        GeneralEvent->Wait(3000);
        if (ThreadBoost) ApplyThreadPriority(t, ThreadBoost);
    };
    start(ReadThread, new TReadThread(this));
    start(DispThread, new TDispThread(this));
    start(WriteThread, new TWriteThread(this));
    start(StatusThread, new TStatusThread(this));
}

void TKslWin32Dispatcher::StopDispatcher() { CloseCom(); }

std::int32_t TKslWin32Dispatcher::OutBufUsed() {
    std::lock_guard<std::recursive_mutex> g(OutputSection);
    if (OutBuffFull) return OutQue;
    if (OutBuffHead == OutBuffTail) return 0;
    if (OutBuffHead > OutBuffTail) return OutBuffHead - OutBuffTail;
    return OutQue - OutBuffTail + OutBuffHead;
}

std::int32_t TKslWin32Dispatcher::InQueueUsed() { return QueuedBlockBytes(); }

std::int32_t TKslWin32Dispatcher::OpenCom(const std::string& name, std::int32_t, std::int32_t) {
    HANDLE h = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        lastError_ = GetLastError();
        return -1;
    }
    comHandle_ = h;
    return static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(h) & 0x7FFFFFFF);
}

std::int32_t TKslWin32Dispatcher::CloseCom() {
    {
        std::lock_guard<std::recursive_mutex> g(DataSection);
        if (Closing.load()) return 0;
        Closing.store(true);
    }
    KillThreads.store(true);
    if (StatusThread) {
        if (comHandle_ != INVALID_HANDLE_VALUE) SetCommMask(comHandle_, 0);
        if (StatusWakeEvent) StatusWakeEvent->Set();
        WaitForThreadEnd(StatusThread);
    }
    if (WriteThread) {
        if (FlushEvent) FlushEvent->Set();
        WaitForThreadEnd(WriteThread);
    }
    if (ReadThread) {
        SetEvent(receiveEvent_);
        WaitForThreadEnd(ReadThread);
    }
    // The dispatcher thread cannot end while it waits for an event handler that is closing the
    // port; it winds up by itself once the handler returns.
    if (DispThread && !EventBusy.load()) {
        if (DispWakeEvent) DispWakeEvent->Set();
        InQueue.Event().Set();
        WaitForThreadEnd(DispThread);
    }
    std::int32_t rc = 0;
    if (comHandle_ != INVALID_HANDLE_VALUE) {
        if (CloseHandle(comHandle_)) {
            comHandle_ = INVALID_HANDLE_VALUE;
            CidEx.store(-1);
        } else {
            rc = -1;
        }
    } else {
        CidEx.store(-1);
    }
    Closing.store(false);
    return rc;
}

std::int32_t TKslWin32Dispatcher::ProcessCommunications() {
    Sleep(0);
    return 0;
}

TDeliveryResult TKslWin32Dispatcher::SendWindowMessage(std::uintptr_t window, std::uint32_t msg,
                                                       std::uint32_t wParam, std::int32_t lParam) {
    DWORD_PTR result = 0;
    SetLastError(0);
    if (SendMessageTimeoutW(reinterpret_cast<HWND>(window), msg, wParam, lParam, SMTO_BLOCK, 3000,
                            &result))
        return TDeliveryResult::Delivered;
    return GetLastError() == ERROR_TIMEOUT ? TDeliveryResult::TimedOut : TDeliveryResult::Failed;
}

void TKslWin32Dispatcher::PumpWhileWaiting() {
    if (!SafeYield()) Sleep(1);
}

void TKslWin32Dispatcher::SleepMs(std::int32_t ms) { Sleep(static_cast<DWORD>(ms)); }

void TKslWin32Dispatcher::ReportThreadError(const std::string& message) {
    DebugChannel("Serial port error: " + message);
    std::vector<std::uintptr_t> windows;
    {
        std::lock_guard<std::recursive_mutex> g(DataSection);
        for (auto& h : WndTriggerHandlers)
            if (!h->Deleted) windows.push_back(h->Window);
    }
    if (windows.empty()) return;
    {
        std::lock_guard<std::mutex> g(DisplayLock());
        Reports().push_back(message);
    }
    PostMessageW(reinterpret_cast<HWND>(windows.front()), MsgThreadError, 0, 0);
}

std::string TKslWin32Dispatcher::PlatformText() {
    OSVERSIONINFOA v{};
    v.dwOSVersionInfoSize = sizeof v;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&v)) return "Unknown";
#pragma GCC diagnostic pop
    std::string name;
    const bool nt = v.dwPlatformId == VER_PLATFORM_WIN32_NT;
    if (v.dwPlatformId == VER_PLATFORM_WIN32s) {
        name = "Win32s on Windows ";
    } else if (nt) {
        if (v.dwMajorVersion == 3)
            name = "Windows NT 3.5 ";
        else if (v.dwMajorVersion == 4)
            name = "Windows NT 4 ";
        else if (v.dwMajorVersion == 5 && v.dwMinorVersion == 0)
            name = "Windows 2000 ";
        else if (v.dwMajorVersion == 5 && v.dwMinorVersion == 1)
            name = "Windows XP ";
        else
            name = "WinNT ";
    } else {
        name = "Win32 on Windows 9x";
    }
    std::string text = name + IntToStr(v.dwMajorVersion) + "." + IntToStr(v.dwMinorVersion) + " ";
    if (nt || v.dwPlatformId == VER_PLATFORM_WIN32s) text += v.szCSDVersion;
    if (text.size() > 80) text.resize(80);
    return text;
}

void TKslWin32Dispatcher::ApplyThreadPriority(TKslDispatcherThread* thread, int boost) {
    if (!thread) return;
    HANDLE h = pthread_gethandle(thread->NativeHandle());
    if (h) SetThreadPriority(h, THREAD_PRIORITY_NORMAL + std::min(boost, 2));
}

std::int32_t TKslTAPI32Dispatcher::OpenCom(const std::string&, std::int32_t, std::int32_t) {
    if (!callHandle_ || callHandle_ == INVALID_HANDLE_VALUE) {
        SetLastError(2007);
        lastError_ = 2007;
        return -2007;
    }
    comHandle_ = callHandle_;
    return static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(callHandle_) & 0x7FFFFFFF);
}

}  // namespace talvik

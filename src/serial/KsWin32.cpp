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

bool TKslWin32Thread::CancelPending(OVERLAPPED& ov, DWORD* count) {
    CancelIo(ComHandle());
    // A device that never lets go of the operation is not waited for past the bound: its
    // buffer then stays with it (the caller leaks it) and the port is reported.
    if (WaitForSingleObject(ov.hEvent, CancelBoundMs) != WAIT_OBJECT_0) {
        if (!Dispatcher->Abandoned.exchange(true))
            Dispatcher->ReportToUser(Dispatcher->DeviceName +
                                     ": a cancelled operation of the serial device did not end; "
                                     "the port is abandoned.");
        return false;
    }
    DWORD n = 0;
    if (!GetOverlappedResult(ComHandle(), &ov, &n, FALSE)) n = 0;
    ResetEvent(ov.hEvent);
    if (count) *count = n;
    return true;
}

TKslIo::TKslIo() {
    ov.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

TKslIo::~TKslIo() {
    if (ov.hEvent) CloseHandle(ov.hEvent);
}

namespace {

// The receive queue's limit: past it the reader leaves further bytes in the device (whose own
// buffer then overflows as on any full line), so a line that never stops sending cannot fill
// the memory while nobody takes the bytes.
constexpr std::int32_t kQueueLimit = 64 * 1024;

// Between two received bytes the reader waits this long before it hands over what came; for
// the first byte it waits as long as it takes, with nothing polled meanwhile.
constexpr DWORD kReadIntervalMs = 2;

}  // namespace

// One read: waits for the first byte with the read pending in the device (an idle line costs
// nothing), wakes up for a flush or a stop. The byte count, 0 when it ended without bytes,
// kStopped when its buffer had to be left to the device, negative on a device failure.
std::int32_t TReadThread::ReadOnce(TKslIo& io) {
    auto* d = static_cast<TKslWin32Dispatcher*>(Dispatcher);
    DWORD n = 0;
    if (ReadFile(ComHandle(), io.Block->Data.data(), 256, &n, &io.ov)) return static_cast<std::int32_t>(n);
    const DWORD err = GetLastError();
    if (err == ERROR_OPERATION_ABORTED) return 0;
    if (err != ERROR_IO_PENDING) return -161;
    HANDLE waits[2] = {io.ov.hEvent, d->ReceiveEvent()};
    for (;;) {
        const DWORD r = WaitForMultipleObjects(2, waits, FALSE, 100);
        if (r == WAIT_OBJECT_0) {
            n = 0;
            const BOOL ok = GetOverlappedResult(ComHandle(), &io.ov, &n, FALSE);
            const DWORD e = ok ? 0 : GetLastError();
            ResetEvent(io.ov.hEvent);
            // A read that timed out is a read like any other, and the device is well (Wine also
            // runs the interval timer of a pending read whenever another operation on the device
            // ends, even before its first byte). What it carries is handed over; without bytes it
            // goes the way of any empty read, through the reader's pause: read again at once, a
            // device whose reads keep timing out would keep the reader spinning.
            if (ok || e == ERROR_TIMEOUT) return static_cast<std::int32_t>(n);
            return e == ERROR_OPERATION_ABORTED ? 0 : -161;
        }
        if (r == WAIT_OBJECT_0 + 1 || (r == WAIT_TIMEOUT && Stopping())) {
            // A flush or a stop: the read ends here. What it got before is handed over and
            // dropped there when the input was flushed meanwhile.
            DWORD got = 0;
            if (!CancelPending(io.ov, &got)) return kStopped;
            return got ? static_cast<std::int32_t>(got) : kWoken;
        }
        if (r != WAIT_TIMEOUT) return -161;
    }
}

void TReadThread::Execute() {
    auto* d = static_cast<TKslWin32Dispatcher*>(Dispatcher);
    d->ThreadStart();
    // Heap-held: a device that never gives the buffer back keeps it.
    auto* io = new TKslIo;
    COMMTIMEOUTS to{};
    to.ReadIntervalTimeout = kReadIntervalMs;
    SetCommTimeouts(ComHandle(), &to);
    ReturnValue.store(0);
    bool leaked = false;
    while (!Stopping()) {
        if (d->InQueue.BytesBuffered() >= kQueueLimit) {
            WaitForSingleObject(d->ReceiveEvent(), 50);
            continue;
        }
        try {
            if (!io->Block) io->Block = std::make_unique<TDataBuffer>(256);
        } catch (...) {
            ReturnValue.store(-13868);
            break;
        }
        const std::uint32_t generation = d->FlushGeneration();
        d->ReaderReading(generation);
        const std::int32_t n = ReadOnce(*io);
        if (n == kStopped) {
            leaked = true;
            break;
        }
        if (n == kWoken) continue;
        if (n < 0) {
            ReturnValue.store(n);
            break;
        }
        if (n == 0) {
            // A device that ends reads without bytes and without waiting is not asked again
            // at once.
            WaitForSingleObject(d->ReceiveEvent(), 50);
            continue;
        }
        if (Stopping()) continue;
        io->Block->BytesUsed = n;
        d->PushReceived(std::move(io->Block), generation);
    }
    if (!leaked) delete io;
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

// Sends everything pending: 0, kStopped when a cancelled write kept its buffer (the caller
// leaves io to the device), or -160.
std::int32_t TWriteThread::SendPending(TKslIo& io) {
    auto* d = static_cast<TKslWin32Dispatcher*>(Dispatcher);
    OVERLAPPED& ov = io.ov;
    std::vector<std::uint8_t>& block = io.Out;
    for (;;) {
        std::uint32_t seq;
        {
            std::lock_guard<std::recursive_mutex> g(d->OutputSection);
            seq = d->OutputQueuedSeq();
            const std::int32_t used = d->OutBufUsed();
            if (used == 0) {
                d->OutputHandedOver(seq);
                return 0;
            }
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
            if (r == kStopped) return CancelPending(ov, nullptr) ? 0 : kStopped;
            if (r == -1) {
                // Flushed: the rest of the block is dropped and the flush acknowledged.
                const bool let = CancelPending(ov, nullptr);
                d->GeneralEvent->Set();
                return let ? 0 : kStopped;
            }
            if (r < 0) return GetLastError() == ERROR_OPERATION_ABORTED ? 0 : -160;
            done += static_cast<std::size_t>(r);
        }
        d->OutputHandedOver(seq);
    }
}

void TWriteThread::Execute() {
    auto* d = static_cast<TKslWin32Dispatcher*>(Dispatcher);
    d->ThreadStart();
    auto* io = new TKslIo;
    ReturnValue.store(0);
    bool leaked = false;
    HANDLE waits[2] = {d->EventHandle(d->OutputEvent), d->EventHandle(d->FlushEvent)};
    while (!Stopping()) {
        const DWORD r = WaitForMultipleObjects(2, waits, FALSE, 100);
        if (r == WAIT_OBJECT_0) {
            if (d->KillThreads.load()) continue;
            const std::int32_t rc = SendPending(*io);
            if (rc == kStopped) {
                leaked = true;
                break;
            }
            if (rc != 0) {
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
    if (!leaked) delete io;
}

// The comm events asked of the device follow what the armed status triggers need (the
// dispatcher's WantedEventMask); with none armed no wait is pending at all. Under Wine a pending
// wait polls the line every millisecond whatever it waits for, so an idle port asks nothing.
void TStatusThread::Execute() {
    auto* d = static_cast<TKslWin32Dispatcher*>(Dispatcher);
    d->ThreadStart();
    auto* io = new TKslIo;
    ReturnValue.store(0);
    HANDLE wake = d->EventHandle(d->StatusWakeEvent);
    DWORD current = 0;       // the mask the device holds
    DWORD refused = 0;       // events this device would not report (asked once, not again)
    int failures = 0;
    bool leaked = false;
    SetCommMask(ComHandle(), 0);
    auto fallBack = [&](DWORD want) {
        refused |= want;
        SetCommMask(ComHandle(), 0);
        current = 0;
        const bool lines = (want & (evCTS | evDSR | evRLSD | evRing)) != 0;
        d->ReportToUser(d->DeviceName + (lines ? ": the serial device does not report modem line changes; "
                                                 "the lines are read every 50 ms instead."
                                               : ": the serial device does not report line errors."));
    };
    while (!Stopping()) {
        const DWORD want = d->WantedEventMask() & ~refused;
        if (want == 0) {
            if (current != 0) {
                SetCommMask(ComHandle(), 0);
                current = 0;
            }
            WaitForSingleObject(wake, 100);
            continue;
        }
        if (want != current) {
            if (!SetCommMask(ComHandle(), want)) {
                fallBack(want);
                continue;
            }
            current = want;
        }
        // The mask lives with the operation: a wait the device never lets go of writes it late.
        DWORD& mask = io->EventMask;
        mask = 0;
        if (WaitCommEvent(ComHandle(), &mask, &io->ov)) {
            if (mask & 0x21F8) d->InQueue.Push(std::make_unique<TStatusBuffer>(mask));
            continue;
        }
        if (GetLastError() != ERROR_IO_PENDING) {
            // The device cannot wait for these events (Wine on a bare pseudo-terminal): the
            // dispatcher reads the lines at each pass instead, and the user is told.
            fallBack(want);
            continue;
        }
        HANDLE waits[2] = {io->ov.hEvent, wake};
        bool ended = false;
        while (!ended) {
            const DWORD r = WaitForMultipleObjects(2, waits, FALSE, 100);
            if (r == WAIT_OBJECT_0) {
                DWORD n = 0;
                const BOOL ok = GetOverlappedResult(ComHandle(), &io->ov, &n, FALSE);
                ResetEvent(io->ov.hEvent);
                if (ok && (mask & 0x21F8)) d->InQueue.Push(std::make_unique<TStatusBuffer>(mask));
                // Waits that keep failing as soon as they start are not started again and again.
                failures = ok ? 0 : failures + 1;
                if (failures >= 3) {
                    failures = 0;
                    fallBack(want);
                }
                ended = true;
            } else if (r == WAIT_OBJECT_0 + 1 || (r == WAIT_TIMEOUT && Stopping())) {
                // The triggers changed (or the port closes): stop watching what is no longer
                // asked for.
                if (!Stopping() && (d->WantedEventMask() & ~refused) == current) continue;
                // A new mask ends a pending wait (Wine cancels it only so).
                SetCommMask(ComHandle(), 0);
                current = 0;
                if (!CancelPending(io->ov, nullptr)) {
                    leaked = true;
                    break;
                }
                ended = true;
            } else if (r != WAIT_TIMEOUT) {
                ReturnValue.store(-161);
                break;
            }
        }
        if (leaked || !ended) break;
    }
    if (!leaked) delete io;
}

// ---------------------------------------------------------------- dispatcher

TKslWin32Dispatcher::TKslWin32Dispatcher(TKslBaseComponent* owner) : TKslBaseDispatcher(owner) {
    receiveEvent_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    readerReady_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
}

TKslWin32Dispatcher::~TKslWin32Dispatcher() {
    if (CidEx.load() >= 0) DonePort();
    ShutdownThreads();
    if (comHandle_ != INVALID_HANDLE_VALUE) CloseHandle(comHandle_);
    // An abandoned thread may still wait on it.
    if (receiveEvent_ && !Abandoned.load()) CloseHandle(receiveEvent_);
    if (readerReady_ && !Abandoned.load()) CloseHandle(readerReady_);
}

std::int32_t TKslWin32Dispatcher::WriteTextFile(const std::string& fileName, const std::string& text,
                                                bool append, bool& openFailed) {
    openFailed = false;
    const std::u16string name = Utf8ToUtf16(fileName);
    HANDLE f = CreateFileW(reinterpret_cast<const wchar_t*>(name.c_str()), GENERIC_WRITE, FILE_SHARE_READ,
                           nullptr, append ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) {
        openFailed = true;
        const DWORD e = GetLastError();
        return e ? -static_cast<std::int32_t>(e) : -2;
    }
    std::int32_t rc = 0;
    if (append) SetFilePointer(f, 0, nullptr, FILE_END);
    std::size_t done = 0;
    while (done < text.size()) {
        DWORD n = 0;
        if (!WriteFile(f, text.data() + done, static_cast<DWORD>(text.size() - done), &n, nullptr) || n == 0) {
            const DWORD e = GetLastError();
            rc = e ? -static_cast<std::int32_t>(e) : -101;
            break;
        }
        done += n;
    }
    if (!CloseHandle(f) && rc == 0) rc = -static_cast<std::int32_t>(GetLastError());
    return rc;
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
        // Nothing queued is on its way any more.
        OutputHandedOver(OutputQueuedSeq());
        return ok ? 0 : -1;
    }
    const BOOL ok = PurgeComm(comHandle_, PURGE_RXABORT | PURGE_RXCLEAR);
    InQueue.Clear();
    // The reader ends its pending read, whose bytes came before the flush.
    if (receiveEvent_) SetEvent(receiveEvent_);
    AwaitFreshRead();
    return ok ? 0 : -1;
}

void TKslWin32Dispatcher::ReaderReading(std::uint32_t generation) {
    readerGeneration_.store(generation);
    // After the generation: a flush that saw the old count also sees the old generation.
    readsStarted_.fetch_add(1);
    if (readerReady_) SetEvent(readerReady_);
}

// A flush is followed at once by a request, and the answer can be on the line within a few
// milliseconds. Had the reader still been inside the read it started before the flush, the
// answer would be taken into that read and dropped with it (its bytes count as flushed) and
// the request would seem unanswered. So the flush returns only once the reader reads afresh;
// that takes it well under a millisecond, and a reader that does not come back within the
// bound (a device that holds its read) costs that once, never a hang: it is remembered as held
// until it starts a read again, and the flushes meanwhile do not wait for it.
void TKslWin32Dispatcher::AwaitFreshRead() {
    if (!readerReady_ || !ReadThread || ReadThread->Finished() || ReadThread->OnThisThread()) return;
    const std::uint64_t held = readerHeldAt_.load();
    if (held != 0 && static_cast<std::uint32_t>(held) == readsStarted_.load()) return;
    const std::uint32_t deadline = KsTimeGetTime() + FreshReadBoundMs;
    for (;;) {
        // Read before the generation: a reader that comes back after this has moved the count.
        const std::uint32_t reads = readsStarted_.load();
        if (readerGeneration_.load() == FlushGeneration() || KillThreads.load() || DeviceError.load() != 0)
            return;
        const std::int32_t left = static_cast<std::int32_t>(deadline - KsTimeGetTime());
        if (left <= 0) {
            readerHeldAt_.store((std::uint64_t{1} << 32) | reads);
            DebugChannel(DeviceName + ": the reader did not start a fresh read after a flush");
            return;
        }
        WaitForSingleObject(readerReady_, static_cast<DWORD>(std::min<std::int32_t>(left, 50)));
    }
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
    // Every thread is told at once, and all of them together get one bound: a thread still
    // running past it (a device that never lets go) is abandoned and reported, not waited for.
    if (StatusWakeEvent) StatusWakeEvent->Set();
    if (FlushEvent) FlushEvent->Set();
    if (receiveEvent_) SetEvent(receiveEvent_);
    if (DispWakeEvent) DispWakeEvent->Set();
    InQueue.Event().Set();
    const std::uint32_t deadline = KsTimeGetTime() + ThreadEndBoundMs;
    WaitForThreadEnd(StatusThread, deadline);
    WaitForThreadEnd(WriteThread, deadline);
    WaitForThreadEnd(ReadThread, deadline);
    // The dispatcher thread cannot end while it waits for an event handler that is closing the
    // port; it winds up by itself once the handler returns.
    if (DispThread && !EventBusy.load()) WaitForThreadEnd(DispThread, deadline);
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

// The device-independent core of an open serial port: the dispatcher. It takes what the device
// threads queue, moves received bytes into an 8192-byte input ring, keeps modem and line status,
// runs the timer, status and data-available triggers and delivers each firing as a message to
// the registered windows (the com port's hidden window turns them into events on the UI thread).
// It also holds the line, flow, read and write operations built on the abstract device slots,
// the byte trace and the dispatch log. Pure logic: the device layer (KsWin32) and the tests'
// device double supply the device slots and the platform hooks.
//
// Threads. An open port has up to five threads:
//  - the application's (UI) thread calls the operations (open, close, line, read, write, the
//    triggers); trigger messages reach it as window messages, and the handlers it runs for
//    them may call back into the dispatcher;
//  - the device layer's read, write and status threads (KsWin32) do the device's overlapped
//    I/O; they reach the dispatcher only through InQueue (received blocks and comm-event
//    status blocks) and its events, and hand output over from the output buffer;
//  - the dispatcher thread (TDispThread) waits on InQueue, or until the first armed timer
//    trigger is due, then makes one pass: ProcessQueue (status, bytes into the ring, status and
//    receive triggers) and ProcessTimers. Each firing is delivered by SendEvent, which sends the
//    message to every registered window and waits for it, holding no lock meanwhile.
// Locks: DataSection guards the trigger lists, window list, flags, line settings, trace and
// log; DispSection the input ring and its counters; OutputSection the output buffer;
// PortListSection the list of open ports. Where two are taken, DispSection comes first.
// While a message is being delivered (EventBusy) no other trigger is checked; a close asked
// for meanwhile (ClosePending) is finished by the dispatcher thread when the handler returns
// (DoDonePortLater, DonePortPrim). A thread that does not end within ThreadEndBoundMs is
// abandoned with its port (Abandoned), never freed under it.
//
// Files: KsUserList.cpp (the port list, construction), KsUserRing.cpp (the input ring),
// KsUserTriggers.cpp (triggers and windows), KsUserDelivery.cpp (the dispatcher thread's
// passes and message delivery), KsUserThread.cpp (threads), KsUser.cpp (port operations),
// KsUserTrace.cpp (trace and dispatch log).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "serial/KsMisc.h"
#include "serial/KsQueue.h"
#include "serial/KsUserThread.h"
#include "serial/KsUserTraceFormat.h"
#include "serial/KsUserTypes.h"

namespace talvik {

// The global list of dispatchers; a dispatcher's Handle is its index here.
std::recursive_mutex& PortListSection();
// The dispatcher at index, or nullptr (call under PortListSection).
TKslBaseDispatcher* PortListAt(std::int32_t index);

class TKslBaseDispatcher {
public:
    explicit TKslBaseDispatcher(TKslBaseComponent* owner);
    virtual ~TKslBaseDispatcher();
    TKslBaseDispatcher(const TKslBaseDispatcher&) = delete;
    TKslBaseDispatcher& operator=(const TKslBaseDispatcher&) = delete;

    // --- opening and closing
    std::int32_t OpenPort(const std::string& comName, std::int32_t baud, std::uint16_t parity,
                          std::uint16_t dataBits, std::uint16_t stopBits, std::int32_t inSize,
                          std::int32_t outSize, std::uint8_t options);
    void DonePort();
    virtual void DonePortPrim();
    std::int32_t SetupComBuffers(std::int32_t inSize, std::int32_t outSize);

    // --- line
    std::int32_t SetLine(std::int32_t baud, std::uint16_t parity, std::uint16_t dataBits,
                         std::uint16_t stopBits);
    void GetLine(std::int32_t& baud, std::uint16_t& parity, std::uint16_t& dataBits,
                 std::uint16_t& stopBits);
    std::int32_t SetHWFlowOptions(std::int32_t bufferFull, std::int32_t bufferResume,
                                  std::uint16_t options);
    std::int32_t SetSWFlowOptions(std::int32_t bufferFull, std::int32_t bufferResume,
                                  std::uint16_t options);
    std::int32_t SWFlowDisable();
    std::int32_t SetSWFlowChars(char xOn, char xOff);
    std::int32_t GetFlowOptions(std::uint16_t& hwOpts, std::uint16_t& swOpts, char& xOnChar,
                                char& xOffChar);
    std::int32_t SetDTR(bool on);
    std::int32_t SetRTS(bool on);
    void SetRS485Mode(bool on);
    virtual void SetThreadBoost(std::uint8_t boost);
    void SetOptionFlags(std::uint32_t mask);
    void ClearOptionFlags(std::uint32_t mask);
    std::uint32_t OptionFlags();

    // --- status
    std::uint8_t GetModemStatus();
    bool CheckDCD();
    std::uint16_t GetLineError();
    bool CheckLineBreak();
    std::uint8_t UpdateModemStatus(std::uint8_t clearMask);
    void RefreshStatus();

    // --- data
    bool CharReady();
    std::int32_t PeekChar(std::uint8_t& c, std::uint32_t count);
    std::int32_t GetChar(std::uint8_t& c);
    std::uint32_t InBuffUsed();
    std::int32_t PutBlock(const void* buf, std::uint32_t count);
    std::uint32_t OutBuffUsed();
    std::uint32_t OutBuffFree();
    std::int32_t FlushOutBuffer();
    std::int32_t FlushInBuffer();

    // --- triggers
    std::int32_t AddTimerTrigger();
    std::int32_t AddStatusTrigger(std::uint16_t sType);
    std::int32_t SetTimerTrigger(std::int32_t handle, std::int32_t ticks, bool activate);
    std::int32_t SetStatusTrigger(std::int32_t handle, std::uint16_t value, bool activate);
    void SetLenTrigger(std::int32_t length);
    static std::uint16_t StatusSubtype(std::uint32_t handle) { return handle & 7; }
    std::int32_t RemoveTrigger(std::int32_t handle);
    void RegisterWndTriggerHandler(std::uintptr_t window);
    void DeregisterWndTriggerHandler(std::uintptr_t window);
    virtual void UpdateHandlerFlags(std::uint8_t flagUpdate);
    void SaveTriggers(TriggerSave& save);
    void RestoreTriggers(const TriggerSave& save);
    static void ClearSaveBuffers(TriggerSave& save);
    // Drops a trigger from a saved set so that it does not come back at the next open.
    static bool RemoveSavedTrigger(TriggerSave& save, std::int32_t handle);

    // --- delivery (dispatcher thread)
    bool SendEvent(std::uint32_t msg, std::uint32_t trigger, std::uint16_t data);
    void ProcessQueue();
    void ProcessTimers();
    // Milliseconds until the first armed timer runs out, at most maxMs.
    int MsUntilNextTimer(int maxMs);
    // The comm events the device must report now: line changes while a modem-status trigger
    // is armed, line errors and breaks while a line-status trigger is; 0 when nothing is asked.
    // Without a need the device is not watched at all (under Wine a pending wait for comm
    // events polls the line every millisecond).
    std::uint32_t WantedEventMask();
    // Counts the input flushes; a received block read under an older count is dropped.
    std::uint32_t FlushGeneration() { return flushGeneration_.load(); }
    // Queues a received block unless the input was flushed since it was read (generation),
    // under a lock of its own so a flush cannot come between the test and the push. It is not
    // the ring lock: a flush holds that while it waits for the reader to start a fresh read.
    bool PushReceived(std::unique_ptr<TIOBuffer> block, std::uint32_t generation);
    // Blocks queued for sending so far (PutBlock counts them).
    std::uint32_t OutputQueuedSeq() { return outQueuedSeq_.load(); }
    // The device layer has handed the blocks up to seq to the device (or dropped them in a
    // flush): timers armed behind them start counting now.
    void OutputHandedOver(std::uint32_t seq);
    // Whether the device layer reports its hand-overs; one that does not has handed a block
    // over by the time PutBlock returns.
    virtual bool HandsOverLater() { return false; }
    // Called by the receiving window procedure: the message currently being delivered has
    // arrived, so a time-out of its sender does not mean it was lost.
    void AcknowledgeDelivery() { deliveryAcked_.store(true); }
    // Waits, within the bound of a thread's end, while a delivery that its window has already
    // handled still holds the dispatcher thread (it has yet to come back from the send and mark
    // the delivery over). Returns at once when no delivery runs or one is not handled yet.
    void AwaitHandledDelivery();

    // --- threads
    void ThreadStart();
    void ThreadGone(TKslDispatcherThread* thread);

    // --- trace
    std::int32_t InitTracing(std::int32_t numEntries);
    void AddTraceEntry(char kind, std::uint8_t ch);
    std::int32_t DumpTrace(const std::string& fileName, bool inHex, bool allHex);
    std::int32_t AppendTrace(const std::string& fileName, bool inHex, bool allHex);
    void ClearTracing();
    void AbortTracing();
    void StartTracing();
    void StopTracing();
    bool TracingOn();

    // --- dispatch log
    void InitDispatchLogging(std::int32_t maxBytes);
    void AddDispatchEntry(std::uint8_t logType, std::uint16_t subType, std::uint32_t data,
                          const void* buffer, std::int32_t size);
    std::int32_t DumpDispatchLog(const std::string& fileName, bool inHex, bool allHex);
    std::int32_t AppendDispatchLog(const std::string& fileName, bool inHex, bool allHex);
    void ClearDispatchLogging();
    void AbortDispatchLogging();
    void StartDispatchLogging();
    void StopDispatchLogging();
    bool DispatchLoggingOn() { return DLoggingOn.load(); }

    // --- device slots
    virtual std::int32_t EscapeComFunction(std::int32_t func) = 0;
    virtual std::int32_t FlushCom(std::int32_t queue) = 0;
    virtual std::uint32_t GetComError(TKslComStat& stat) = 0;
    virtual std::int32_t ReadErrorHook(std::int32_t) { return 0; }
    virtual std::int32_t GetComState(TKslDCB& dcb) = 0;
    virtual std::int32_t ReadCom(std::uint8_t* buf, std::int32_t size) = 0;
    virtual std::int32_t SetComState(const TKslDCB& dcb) = 0;
    virtual std::int32_t WriteCom(const std::uint8_t* buf, std::int32_t size) = 0;
    // The device's modem lines (CTS $10, DSR $20, RI $40, DCD $80).
    virtual std::uint8_t GetModemLines() = 0;
    virtual bool SetupCom(std::int32_t inSize, std::int32_t outSize) = 0;
    virtual void StartDispatcher() = 0;
    virtual void StopDispatcher() = 0;
    virtual std::int32_t OutBufUsed() = 0;
    virtual std::int32_t InQueueUsed() { return 0; }
    virtual std::int32_t OpenCom(const std::string& name, std::int32_t inQue,
                                 std::int32_t outQue) = 0;
    virtual std::int32_t CloseCom() = 0;
    virtual std::int32_t ProcessCommunications() = 0;

    // --- platform hooks
    // Delivers one trigger message to a window and waits for it (at most 3000 ms).
    virtual TDeliveryResult SendWindowMessage(std::uintptr_t window, std::uint32_t msg,
                                              std::uint32_t wParam, std::int32_t lParam);
    // Lets the calling (main) thread answer messages while it waits for worker threads.
    virtual void PumpWhileWaiting();
    virtual void SleepMs(std::int32_t ms);
    virtual std::uint32_t LastPlatformError() { return 0; }
    virtual std::unique_ptr<TKslEvent> CreateEventObject(bool manualReset);
    // How a worker thread's error reaches the user (ThreadGone). Default: the debug channel.
    virtual void ReportThreadError(const std::string& message);
    virtual std::string PlatformText() { return "Unknown"; }
    virtual void ApplyThreadPriority(TKslDispatcherThread*, int) {}

    // Waits (pumping messages) until a worker thread has finished; it is then joined and freed.
    // Waiting is skipped for the calling thread itself; such a thread is left for the destructor.
    // The wait ends at deadlineMs (KsTimeGetTime): a thread still running then is abandoned
    // (the port is marked Abandoned) and false returned.
    bool WaitForThreadEnd(std::unique_ptr<TKslDispatcherThread>& thread, std::uint32_t deadlineMs);
    bool WaitForThreadEnd(std::unique_ptr<TKslDispatcherThread>& thread) {
        return WaitForThreadEnd(thread, KsTimeGetTime() + ThreadEndBoundMs);
    }
    // Stops and frees every thread; called by the most-derived destructor before the device
    // layer goes away.
    void ShutdownThreads();
    // A thread that did not end within its bound: it is left running and reported; the
    // dispatcher it uses must then outlive it (the owner does not free an abandoned port).
    void AbandonThread(std::unique_ptr<TKslDispatcherThread>& thread);
    // Set when a thread or an I/O operation of the port was abandoned.
    std::atomic<bool> Abandoned{false};
    // A message for the user about the device, delivered on the UI thread (a thread's error,
    // a device that cannot report line changes, an abandoned port).
    void ReportToUser(const std::string& message) { ReportThreadError(message); }

    // The date and time in the dispatch-log header; replaceable for tests.
    std::function<std::string()> DateTimeText;

    // --- state (shared with the device layer)
    TKslBaseComponent* Owner;
    std::int32_t Handle = -1;
    std::atomic<std::intptr_t> CidEx{-1};
    std::uint32_t LastError = 0;
    std::int32_t InQue = 0;
    std::int32_t OutQue = 0;
    std::uint8_t ModemStatus = 0;
    TKslComStat ComStatus;
    TKslDCB DCB;
    std::int32_t LastBaud = 115200;
    bool DTRState = false, DTRAuto = false, RTSState = false, RTSAuto = false;
    bool RS485Mode = false;
    std::uint16_t BaseAddress = 0;
    bool PortHandlerOn = false;
    std::atomic<bool> DispActive{false};
    std::int32_t LenTrigger = 0;
    bool StatusHit = false;
    bool InAvailMessage = false;
    std::int32_t GetCount = 0;
    std::int32_t MaxGetCount = 0;
    std::atomic<bool> DispatchFull{false};
    std::int32_t ScanPos = 0;
    std::int32_t LastAvailPos = 0;
    std::atomic<bool> KillThreads{false};
    std::unique_ptr<TKslDispatcherThread> ReadThread, DispThread, WriteThread, StatusThread;
    std::uint8_t ThreadBoost = 0;

    std::recursive_mutex DataSection;
    std::recursive_mutex OutputSection;
    std::recursive_mutex DispSection;

    std::unique_ptr<TKslEvent> DispWakeEvent, StatusWakeEvent, GeneralEvent, OutputEvent,
        SentEvent, FlushEvent;

    std::uint32_t LastStatusMask = 0;
    std::atomic<bool> RingFlag{false};
    TIOQueue InQueue;

    std::vector<std::uint8_t> OutBuff;
    std::int32_t OutBuffHead = 0, OutBuffTail = 0;
    bool OutBuffFull = false;

    std::vector<std::uint8_t> DBuffer;
    std::int32_t DBufHead = 0, DBufTail = 0;

    std::atomic<bool> EventBusy{false};
    bool DeletePending = false;
    std::atomic<bool> ClosePending{false};
    std::atomic<bool> OutSentPending{false};

    std::uint32_t TimeBase = 0;
    std::int32_t TriggerCounter = 1;
    std::atomic<bool> DispatcherStarted{false};
    std::atomic<bool> DoDonePortLater{false};
    std::atomic<std::int32_t> ActiveThreads{0};
    std::atomic<bool> Closing{false};
    std::string DeviceName;

    // The first error a device thread ended with (0 while the device is well). A port whose
    // device has failed refuses output with this code instead of pretending to send.
    std::atomic<std::int32_t> DeviceError{0};

    // Trace.
    std::atomic<bool> TracingOnFlag{false};
    std::vector<std::array<char, 2>> TraceQueue;
    std::int32_t TraceMax = 0;
    std::int32_t TraceIndex = 0;
    bool TraceWrapped = false;

    // Dispatch log.
    std::atomic<bool> DLoggingOn{false};
    TIOQueue DLoggingQueue;
    std::int32_t DLoggingMax = 0;

    struct TWndHandler {
        std::uintptr_t Window = 0;
        bool Deleted = false;
    };
    std::vector<std::unique_ptr<TWndHandler>> WndTriggerHandlers;
    std::vector<TTimerTrigger> TimerTriggers;
    std::vector<TStatusTrigger> StatusTriggers;

protected:
    // A position in the input ring moved on by n bytes.
    static std::int32_t RingAdd(std::int32_t pos, std::int32_t n);
    std::int32_t SetComStateEx(TKslDCB& dcb);
    void ResetTriggers();
    std::int32_t NewTriggerHandle();
    bool ExtractData();
    bool CheckStatusTriggers();
    bool CheckTimerTriggers();
    bool CheckReceiveTriggers();
    bool StatusConditionHolds(TStatusTrigger& t, std::uint16_t& data);
    void ResetHits();
    // A timer trigger was armed: the dispatcher thread recomputes its wait.
    void WakeDispatcher();
    // A status trigger changed: the device layer may have to watch other comm events.
    void StatusTriggersChanged();
    std::uint32_t UnreadCount();  // under DispSection, without the in-event deduction
    // The device layers' reading side: bytes out of the received blocks queued in InQueue.
    std::int32_t ReadQueuedBlocks(std::uint8_t* buf, std::int32_t len);
    std::int32_t QueuedBlockBytes();
    std::int32_t DumpTraceTo(const std::string& fileName, bool inHex, bool allHex, bool append);
    std::int32_t DumpLogTo(const std::string& fileName, bool inHex, bool allHex, bool append);
    // Writes a trace or log file: 0, or minus the platform's file error; openFailed tells an
    // error of the open (the trace is then abandoned) from one of the writing.
    virtual std::int32_t WriteTextFile(const std::string& fileName, const std::string& text,
                                       bool append, bool& openFailed);

private:
    std::mutex receivedLock_;
    std::atomic<std::uint32_t> flushGeneration_{0};
    std::atomic<std::uint32_t> outQueuedSeq_{0};
    std::atomic<std::uint32_t> outDoneSeq_{0};
    std::atomic<std::uint32_t> outDoneMs_{0};
    // Rebases the timers that waited for output now handed over (under DataSection).
    void SettleAwaitingTimers();
    std::atomic<bool> primDone_{false};
    std::atomic<bool> deliveryAcked_{false};
    std::uint32_t optionFlags_ = 0;
};

}  // namespace talvik

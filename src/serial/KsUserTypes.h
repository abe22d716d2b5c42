// The types of the serial dispatcher and its device layer: the trigger messages and their
// kinds, the modem, line and event bits, the line settings in the platform's encoding, the
// triggers and the bounds of the port's waits. Pure logic.
#pragma once

#include <cstdint>
#include <vector>

#include "serial/KsMisc.h"

namespace talvik {

inline constexpr std::uint32_t MsgTriggerAvail = 0x7E01;
inline constexpr std::uint32_t MsgTriggerData = 0x7E02;
inline constexpr std::uint32_t MsgTriggerTimer = 0x7E03;
inline constexpr std::uint32_t MsgTriggerStatus = 0x7E04;

inline constexpr std::int32_t DispatchBufferSize = 8192;

// Status trigger subtypes.
enum : std::uint16_t {
    stNotActive = 0, stModem = 1, stLine = 2, stOutBuffFree = 3, stOutBuffUsed = 4, stOutSent = 5
};

// Line-error bits.
enum : std::uint32_t { ceRxOver = 1, ceOverrun = 2, ceRxParity = 4, ceFrame = 8, ceBreak = 16 };

// Modem status: high nibble the lines, low nibble the change bits.
enum : std::uint8_t {
    msDeltaCTS = 1, msDeltaDSR = 2, msTrailingRing = 4, msDeltaDCD = 8,
    msCTS = 0x10, msDSR = 0x20, msRing = 0x40, msDCD = 0x80
};

// Comm-event mask bits as the device reports them.
enum : std::uint32_t {
    evRxChar = 0x1, evRxFlag = 0x2, evTxEmpty = 0x4, evCTS = 0x8, evDSR = 0x10, evRLSD = 0x20,
    evBreak = 0x40, evErr = 0x80, evRing = 0x100, evRing2 = 0x2000
};

// The line settings of the device, in the platform's own encoding (flag word laid out as the
// platform's DCB bit fields).
struct TKslDCB {
    std::uint32_t BaudRate = 0;
    std::uint32_t Flags = 0;
    std::uint16_t XonLim = 0;
    std::uint16_t XoffLim = 0;
    std::uint8_t ByteSize = 8;
    std::uint8_t Parity = 0;
    std::uint8_t StopBits = 0;  // 0 one, 1 one and a half, 2 two
    char XonChar = 17;
    char XoffChar = 19;
};

enum : std::uint32_t {
    dcbBinary = 0x1, dcbParity = 0x2, dcbOutxCtsFlow = 0x4, dcbOutxDsrFlow = 0x8,
    dcbDtrControlMask = 0x30, dcbDtrEnable = 0x10, dcbDtrHandshake = 0x20,
    dcbDsrSensitivity = 0x40, dcbTXContinueOnXoff = 0x80, dcbOutX = 0x100, dcbInX = 0x200,
    dcbErrorChar = 0x400, dcbNull = 0x800, dcbRtsControlMask = 0x3000, dcbRtsEnable = 0x1000,
    dcbRtsHandshake = 0x2000, dcbRtsToggle = 0x3000
};

inline constexpr std::uint8_t OneStopBit = 0, One5StopBits = 1, TwoStopBits = 2;

struct TKslComStat {
    std::uint32_t Flags = 0;
    std::uint32_t InQue = 0;
    std::uint32_t OutQue = 0;
};

struct TTimerTrigger {
    std::int32_t Handle = 0;
    EventTimer Timer;
    std::int32_t Ticks = 0;
    bool Active = false;
    // When it was armed and for how long, in milliseconds: a trigger fires Ticks x 55 ms after
    // its arming, not at a tick boundary of the clock.
    std::uint32_t ArmedMs = 0;
    std::uint32_t SpanMs = 0;
    // Armed while output queued before it was still on its way to the device: the span then
    // counts from the moment that output was handed over, so the far end never hears the next
    // frame sooner than the span after the last. Should the device never take it, the trigger
    // fires at the end of its window (one tick later) all the same.
    bool AwaitingOutput = false;
    std::uint32_t AwaitSeq = 0;
};

// Whether an armed timer trigger is due at nowMs: more than its span has run since the arming
// (the clock counts whole milliseconds, so this never fires before the span). Wraps with the clock.
bool TimerTriggerDue(const TTimerTrigger& t, std::uint32_t nowMs);
// Milliseconds from nowMs until the trigger is due (0 when it is).
std::uint32_t TimerTriggerMsLeft(const TTimerTrigger& t, std::uint32_t nowMs);

// Bounds of the waits of a close: for a pending operation to let go of its buffer after it was
// cancelled, and for all the port's threads to end. Past them the port is abandoned.
inline constexpr int CancelBoundMs = 1000;
inline constexpr int ThreadEndBoundMs = 3000;
// How long an input flush waits for the reader to start reading afresh (it normally takes
// well under a millisecond; a machine under load can hold a thread back for a while).
inline constexpr int FreshReadBoundMs = 500;

// A frame handed to the device still has its way to the far end before it (driver queues,
// USB adapters' latency, converters); a timer armed behind it counts from the hand-over plus
// this much, so a frame held up on the way does not bring the next one closer than the wait.
inline constexpr std::uint32_t OutputGuardMs = 5;

struct TStatusTrigger {
    std::int32_t Handle = 0;
    std::int32_t SType = 0;
    std::uint16_t Value = 0;
    bool Active = false;
    bool Hit = false;
};

// Triggers kept across a close and re-open of the port.
struct TriggerSave {
    std::int32_t LenTrigger = 0;
    std::vector<TTimerTrigger> Timers;
    std::vector<TStatusTrigger> Statuses;
    std::int32_t TriggerCounter = 1;
};

enum class TDeliveryResult { Delivered, TimedOut, Failed };

// One character's time on the line and the wait for a line change to settle, in ms.
std::int32_t LineChangeWaitMs(std::int32_t lastBaud, std::uint8_t dataBits, bool parity,
                              bool twoStopBits);
// A baud rate given as an old platform rate code turned into its rate.
std::int32_t BaudFromRateCode(std::int32_t baud);

}  // namespace talvik

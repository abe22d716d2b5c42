// A simulated QV regulator: its 512-byte memory, the frame parser of its serial line and the
// replies it sends, with faults that tests switch on to see how the program copes. Pure C++ with
// no clock, threads or I/O of its own: the caller feeds each received byte with the time it
// arrived and drains the reply bytes that are due, so the same core serves the regsim program
// on a pseudo-terminal and in-process tests of the link.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace talvik::sim {

// The regulator's EEPROM unlock code: a RAM write of this byte to this RAM address lets the
// very next frame write the EEPROM.
inline constexpr std::uint8_t UnlockRamAddress = 250;
inline constexpr std::uint8_t UnlockData = 0xA5;

inline constexpr std::uint8_t ReplyHeader = 200;   // first byte of every read reply
inline constexpr std::uint8_t SiteSetReply = 250;  // answer of the interface unit to a site-set frame
inline constexpr std::uint8_t SiteSetAddress = 101;  // address byte of the site-set frame (loopback command)

inline constexpr int MemorySize = 512;   // 0..255 RAM, 256..511 EEPROM
inline constexpr int EepromBase = 256;   // EEPROM address a on the wire is image address 256 + a

// Command bytes of the wire protocol.
namespace cmd {
inline constexpr std::uint8_t RamRead = 0x14;       // 0x15 carries address bit 8
inline constexpr std::uint8_t EepromRead = 0x48;
inline constexpr std::uint8_t RamWrite = 0x98;      // 0x99 carries address bit 8
inline constexpr std::uint8_t EepromWrite = 0xCA;
inline constexpr std::uint8_t Loopback = 0xBB;
inline constexpr std::uint8_t Step57 = 0x57;        // part of a setting write; no reply, no effect here
}  // namespace cmd

// What the regulator made of a frame (or of bytes that were not one).
enum class Outcome : std::uint8_t {
    Answered,        // read or loopback: reply scheduled
    Written,         // RAM or EEPROM write applied
    Unlocked,        // the unlock write: applied, and the next frame may write the EEPROM
    SiteSet,         // site-set frame: the frame's site number taken over, 250 sent
    NoEffect,        // a known command the regulator acts on without a reply (0x57)
    OtherSite,       // a site frame for another site: ignored
    NotUnlocked,     // EEPROM write not directly behind the unlock write: refused
    WritesRefused,   // EEPROM writes switched off by configuration: refused
    UnknownCommand,  // well-formed frame with a command the regulator does not know
    Silent,          // heard while a silence fault is active: nothing applied or answered
    NotAFrame,       // bytes skipped while resynchronising
};

// Short stable name of an outcome, as written to the frame log file.
const char* OutcomeName(Outcome o);

// True for the outcomes where the regulator acted on the frame.
bool IsAccepted(Outcome o);

struct LogEntry {
    std::uint64_t timeMs = 0;          // arrival time of the frame's last byte
    std::vector<std::uint8_t> bytes;   // the frame as received (or the skipped bytes)
    std::uint8_t site = 0;             // 0 for the single-regulator form
    std::uint8_t command = 0;
    std::uint8_t address = 0;
    std::uint8_t data = 0;
    int imageAddress = -1;             // 0..511 for reads and writes, -1 otherwise
    Outcome outcome = Outcome::NotAFrame;
    bool accepted = false;
};

// One log line: time, bytes, command name, image address, data, ok/no, outcome; tab separated.
// Example: "1234\t14 05 00 EB\tram-read\t5\t0\tok\tanswered".
std::string FormatLogEntry(const LogEntry& e);

// Name of a command byte in the log ("ram-read", "eeprom-write", ..., "unknown").
const char* CommandName(std::uint8_t command);

enum class EepromPolicy : std::uint8_t {
    UnlockRequired,  // the regulator's own rule
    Refuse,          // never writes the EEPROM (a locked regulator)
    Open,            // writes without the unlock (an accessory that needs none)
};

// Each counter is how many more events the fault affects; Always never runs out, 0 is off.
inline constexpr std::uint32_t Always = 0xFFFFFFFFu;

struct Faults {
    std::uint32_t silence = 0;         // frames heard but neither applied nor answered
    std::uint32_t garbage = 0;         // replies replaced by garbage bytes (never 200 or 250)
    std::uint32_t garbageLength = 3;
    std::uint32_t alternate = 0;       // replies whose data alternates: true value, then value xor 0x55
    std::uint32_t split = 0;           // replies whose data byte follows the header splitDelayMs later
    std::uint32_t splitDelayMs = 300;
    std::uint32_t wrongHeader = 0;     // replies with wrongHeaderByte in place of 200
    std::uint8_t wrongHeaderByte = 201;
    std::uint32_t slow = 0;            // replies sent slowDelayMs later than usual
    std::uint32_t slowDelayMs = 1000;
    std::uint32_t badReadBack = 0;     // reads of the address just written to EEPROM answered xor 0xFF
    std::optional<std::uint32_t> silentAfterFrames;  // after this many frames heard, silent for good
    // A noisy line, at random (seeded, so a run can be repeated): this percentage of read
    // replies arrive with their data byte changed, and of write frames (RAM and EEPROM writes,
    // the unlock frame too) never arrive.
    std::uint32_t badReplyPercent = 0;
    std::uint32_t lostWritePercent = 0;
    std::uint32_t randomSeed = 1;
};

class RegulatorSim {
public:
    // site 0: single-regulator mode (4-byte frames); 1..255: site mode (5-byte frames).
    explicit RegulatorSim(std::uint8_t site = 0);

    void Feed(std::uint8_t byte, std::uint64_t nowMs);
    void Feed(const std::vector<std::uint8_t>& bytes, std::uint64_t nowMs);

    // Reply bytes due by nowMs, in order; they are removed from the queue.
    std::vector<std::uint8_t> Drain(std::uint64_t nowMs);
    // Time the next queued reply byte is due, if any.
    std::optional<std::uint64_t> NextDue() const;

    // Drops a half-received frame and the replies not yet sent (the line went away).
    void ResetLine();

    std::array<std::uint8_t, MemorySize>& Memory() { return memory_; }
    const std::array<std::uint8_t, MemorySize>& Memory() const { return memory_; }
    // True once after any write changed the memory (lets the program save only when needed).
    bool TakeMemoryChanged();

    const std::vector<LogEntry>& Log() const { return log_; }
    void ClearLog() { log_.clear(); }

    std::uint8_t Site() const { return site_; }
    void SetSite(std::uint8_t site) { site_ = site; }

    void SetUnlockCode(std::uint8_t ramAddress, std::uint8_t data);
    void SetEepromPolicy(EepromPolicy p) { policy_ = p; }
    // Turnaround before every reply, as a real regulator needs a moment.
    void SetReplyDelay(std::uint32_t ms) { replyDelayMs_ = ms; }

    Faults& GetFaults() { return faults_; }
    std::uint64_t FramesHeard() const { return framesHeard_; }
    // Reply bytes queued since the start: a frame's reply is the bytes queued while it was fed.
    std::uint64_t BytesQueued() const { return bytesQueued_; }

private:
    void TryParse(std::uint64_t nowMs);
    bool IsFrameAt(std::size_t n) const;
    void HandleFrame(LogEntry& e, std::uint64_t nowMs);
    void Skip(std::uint64_t nowMs);
    void Reply(std::vector<std::uint8_t> bytes, std::uint64_t nowMs, bool isRead, int imageAddress);
    void ScheduleByte(std::uint8_t b, std::uint64_t due);
    bool TakeFault(std::uint32_t& counter);
    std::uint8_t NextGarbage();
    bool TakeChance(std::uint32_t percent);

    std::array<std::uint8_t, MemorySize> memory_{};
    std::vector<std::uint8_t> pending_;
    struct Due { std::uint64_t timeMs; std::uint8_t byte; };
    std::vector<Due> out_;
    std::vector<LogEntry> log_;
    bool skippedRunOpen_ = false;   // the last log entry is a run of skipped bytes that may grow
    std::uint8_t site_;
    std::uint8_t unlockAddress_ = UnlockRamAddress;
    std::uint8_t unlockData_ = UnlockData;
    EepromPolicy policy_ = EepromPolicy::UnlockRequired;
    bool unlocked_ = false;
    int lastEepromWrite_ = -1;
    std::map<int, bool> flip_;      // per address: the next alternating reply is the altered one
    std::uint32_t replyDelayMs_ = 0;
    std::uint64_t lastDue_ = 0;
    std::uint64_t framesHeard_ = 0;
    std::uint64_t bytesQueued_ = 0;
    std::uint32_t garbageState_ = 0x2545F491u;
    std::uint64_t chanceState_ = 0;
    bool memoryChanged_ = false;
    Faults faults_;
};

}  // namespace talvik::sim

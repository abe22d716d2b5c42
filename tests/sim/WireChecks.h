// Checks on the frames a simulated regulator heard, shared by the tests that drive the real link
// through a com port under Wine. On a loaded machine a reply or a frame can be held up for a
// second, so these checks judge what the regulator got and what must never happen, and let a
// retry pass as long as the link stayed within its own allowance:
//  - CheckProgramRun: one run that programs the whole setting list.
//  - ReplyRaces: re-asks on a clean line, told apart by when the regulator wrote its reply.
// Pure C++, no clock or I/O.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace talvik::sim {

struct WireFrame {
    std::uint64_t timeMs = 0;  // arrival at the regulator
    std::vector<int> bytes;
};

// The whole setting list: EEPROM 14..44 (written from image 94..64), then the working copies in
// RAM 64..94, each read back once.
inline constexpr int ListSize = 31;
inline constexpr int ListFirstRam = 64;
inline constexpr int ListFirstEeprom = 14;
// The link's allowance for one run: a failed EEPROM attempt is tried again while its error count
// stays under log2(settings done) + 3, at most 7 for the whole list; errors of the run in all
// (EEPROM attempts and RAM copies sent again) end it beyond 20. An attempt takes at most six
// read-back replies; a RAM copy is read back once per send.
inline constexpr int EepromRetryAllowance = 7;
inline constexpr int RunErrorAllowance = 20;
inline constexpr int ReadBacksPerAttempt = 6;

struct ProgramRun {
    std::vector<std::string> faults;  // what must never happen, one line each
    int eepromWrites = 0, ramWrites = 0, eepromReads = 0, ramReads = 0;
    std::vector<std::string> retries;  // each attempt sent again, with the timing of the one before

    bool Ok() const { return faults.empty(); }
    int EepromRetries() const { return eepromWrites - ListSize; }
    int RamRetries() const { return ramWrites - ListSize; }
    std::string Describe() const {
        std::ostringstream s;
        s << eepromWrites << " EEPROM writes, " << eepromReads << " read-backs; " << ramWrites << " RAM copies, "
          << ramReads << " read-backs";
        for (const std::string& f : faults) s << "\n  FAULT: " << f;
        for (const std::string& r : retries) s << "\n  retry (within the allowance): " << r;
        return s.str();
    }
};

// The frames of one "program all" run in the order heard, for the regulator at site (0: single
// form), whose memory was `before` and should end as `after` (512 bytes each).
inline ProgramRun CheckProgramRun(const std::vector<WireFrame>& frames, int site, const std::string& after) {
    ProgramRun run;
    const std::size_t size = site ? 5 : 4;
    const std::size_t o = site ? 1 : 0;  // offset of the command byte
    auto fault = [&](std::size_t i, const std::string& what) {
        std::ostringstream s;
        s << "frame " << i << " at " << (i < frames.size() ? frames[i].timeMs : 0) << " ms: " << what;
        run.faults.push_back(s.str());
    };
    auto isUnlock = [&](const WireFrame& f) {
        return f.bytes.size() == size && f.bytes[o] == 0x98 && f.bytes[o + 1] == 250 && f.bytes[o + 2] == 0xA5;
    };
    auto afterByte = [&](int image) { return image < static_cast<int>(after.size()) ? (after[image] & 0xFF) : -1; };

    std::set<int> eepromDone, ramDone;
    int eepromAddress = -1, ramAddress = -1;  // the attempt running
    int readsInAttempt = 0, readsOfRam = 0;
    std::size_t attemptStart = 0;
    bool ramPhase = false;
    if (frames.empty() || !isUnlock(frames.front())) fault(0, "the run does not begin with an unlock frame");
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const WireFrame& f = frames[i];
        if (f.bytes.size() != size || (site && f.bytes[0] != site)) {
            fault(i, "not a frame for this regulator");
            continue;
        }
        const int command = f.bytes[o], address = f.bytes[o + 1], data = f.bytes[o + 2];
        if (isUnlock(f)) {
            if (i + 1 >= frames.size() || frames[i + 1].bytes.size() != size || frames[i + 1].bytes[o] != 0xCA)
                fault(i, "an unlock frame not directly followed by its EEPROM write");
        } else if (command == 0xCA) {
            ++run.eepromWrites;
            if (i == 0 || !isUnlock(frames[i - 1])) fault(i, "an EEPROM write not directly after its unlock");
            if (ramPhase) fault(i, "an EEPROM write after the RAM copies began");
            if (address < ListFirstEeprom || address >= ListFirstEeprom + ListSize)
                fault(i, "an EEPROM write outside the setting list");
            else if (data != afterByte(256 + address))
                fault(i, "EEPROM " + std::to_string(address) + " written as " + std::to_string(data));
            if (eepromDone.count(address)) {
                std::ostringstream s;
                s << "EEPROM " << address << " again at " << f.timeMs << " ms; its last attempt: ";
                for (std::size_t k = attemptStart; k + 1 < i; ++k)
                    s << frames[k].timeMs << (k + 2 < i ? ", " : " ms");
                run.retries.push_back(s.str());
            }
            eepromDone.insert(address);
            eepromAddress = address;
            readsInAttempt = 0;
            attemptStart = i - (i > 0 ? 1 : 0);
        } else if (command == 0x48) {
            ++run.eepromReads;
            if (address != eepromAddress) fault(i, "EEPROM " + std::to_string(address) + " read, not a read-back");
            if (++readsInAttempt > ReadBacksPerAttempt) fault(i, "more read-backs than one attempt takes");
        } else if (command == 0x98) {
            ++run.ramWrites;
            ramPhase = true;
            if (address < ListFirstRam || address >= ListFirstRam + ListSize)
                fault(i, "a RAM write outside the setting list");
            else if (data != afterByte(address))
                fault(i, "RAM " + std::to_string(address) + " written as " + std::to_string(data));
            if (ramDone.count(address)) run.retries.push_back("RAM copy " + std::to_string(address) + " sent again");
            ramDone.insert(address);
            ramAddress = address;
            readsOfRam = 0;
        } else if (command == 0x14) {
            ++run.ramReads;
            if (address != ramAddress) fault(i, "RAM " + std::to_string(address) + " read, not a read-back");
            if (++readsOfRam > 1) fault(i, "a RAM copy read back twice for one send");
        } else {
            fault(i, "an unexpected command " + std::to_string(command));
        }
    }
    if (eepromDone.size() != ListSize) fault(frames.size(), std::to_string(eepromDone.size()) + " EEPROM settings written");
    if (ramDone.size() != ListSize) fault(frames.size(), std::to_string(ramDone.size()) + " RAM copies written");
    if (run.EepromRetries() > EepromRetryAllowance)
        fault(frames.size(), std::to_string(run.EepromRetries()) + " EEPROM attempts sent again, more than the link allows");
    if (run.EepromRetries() + run.RamRetries() > RunErrorAllowance)
        fault(frames.size(), "more frames sent again than the run's error allowance");
    return run;
}

// One read request heard on a clean line and the reply the regulator wrote for it.
struct AskedRead {
    int address = -1;
    std::uint64_t arrivedMs = 0;
    std::int64_t repliedMs = -1;  // when the reply's last byte was written; -1: none written
};

// The link looks for a reply two ticks (110 ms) after a send and five times more before it gives
// up and asks again; a reply it takes is followed by the next ask at once. On a clean line each
// address is asked twice (its two agreeing samples), and each ask more follows a give-up: the
// asks of that address followed longest by the next one. A reply to a given-up ask written
// within half of the first wait, and on the line for a whole look before the next ask, was
// missed (the race these checks guard). One written later, because the machine held the
// regulator's thread back, came too late: that give-up is counted and allowed.
inline constexpr std::int64_t LinkFirstLookMs = 110;
inline constexpr std::int64_t LateReplyMs = LinkFirstLookMs / 2;

struct ReplyRaceReport {
    std::vector<std::string> missed;  // give-ups after a reply written in good time
    std::vector<std::string> late;    // give-ups a late reply explains (counted, allowed)
};

// The reads of one or more read runs, in the order heard.
inline ReplyRaceReport ReplyRaces(const std::vector<AskedRead>& asks) {
    ReplyRaceReport r;
    std::map<int, std::vector<std::size_t>> byAddress;
    for (std::size_t i = 0; i < asks.size(); ++i) byAddress[asks[i].address].push_back(i);
    for (const auto& [address, idx] : byAddress) {
        if (idx.size() <= 2) continue;
        std::vector<std::size_t> order;  // positions in idx of the asks followed by another
        for (std::size_t k = 0; k + 1 < idx.size(); ++k) order.push_back(k);
        auto gap = [&](std::size_t k) { return asks[idx[k + 1]].arrivedMs - asks[idx[k]].arrivedMs; };
        std::stable_sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) { return gap(x) > gap(y); });
        for (std::size_t j = 0; j < idx.size() - 2 && j < order.size(); ++j) {
            const AskedRead& given = asks[idx[order[j]]];
            const AskedRead& next = asks[idx[order[j] + 1]];
            std::ostringstream s;
            s << "address " << address << " asked at " << given.arrivedMs << " ms and again at " << next.arrivedMs
              << " ms, ";
            if (given.repliedMs < 0) {
                s << "never answered";
                r.missed.push_back(s.str());
                continue;
            }
            const std::int64_t took = given.repliedMs - static_cast<std::int64_t>(given.arrivedMs);
            const std::int64_t stood = static_cast<std::int64_t>(next.arrivedMs) - given.repliedMs;
            s << "answered " << took << " ms after the ask, " << stood << " ms before the next";
            (took <= LateReplyMs && stood > LinkFirstLookMs ? r.missed : r.late).push_back(s.str());
        }
    }
    return r;
}

}  // namespace talvik::sim

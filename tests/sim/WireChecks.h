// The one judge of what a simulated regulator heard, for every test that drives the real link
// through a com port: the window tests and the clean-line test include it, the end-to-end
// scenarios ask it through the wirecheck program. It reads the simulator's frame log (frames and
// the "sent" notes of its replies) and judges:
//  - CheckProgramRun: one run that programs the whole setting list;
//  - CheckSettingWrite: one verified setting write;
//  - ReplyRaces: re-asks of a read on a clean line;
//  - FirstLooks: how soon the replies of a read run were taken (with the link's trace).
// A verified run must hold what verifies it (each EEPROM setting's last attempt ends on read-backs
// that agree on the value, every RAM copy is read back), never what must not happen (an unlock
// frame without its write, a frame for another regulator), and whatever was sent again must be
// explained: by the simulator's own faults, or by a reply that came too late on a loaded machine,
// within the link's allowance. A right reply complete on the line before a look at which the link
// asked again or gave up, and not taken, is a fault (LinkLooks.h says when the link looked).
// Pure C++, no clock or I/O.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "LinkLooks.h"
#include "link/qvLinkTiming.h"
#include "link/qvWriteLimits.h"
#include "link/uVar.h"

namespace talvik::sim {

// Bytes the simulator answers a frame with: 200 and the byte for a read, the data byte for a
// loopback, 250 for a site set.
inline std::size_t ReplyLength(const LoggedFrame& f) {
    if (f.outcome == "site-set") return 1;
    if (f.outcome != "answered") return 0;
    if (f.command == "loopback") return 1;
    return f.command == "ram-read" || f.command == "eeprom-read" ? 2 : 0;
}

// Gives the reply bytes the simulator wrote to the frames it answered, in the order answered.
class ReplyMatcher {
public:
    explicit ReplyMatcher(std::vector<LoggedFrame>& frames) : frames_(frames) {}
    void Frame(const LoggedFrame& f) {
        frames_.push_back(f);
        if (ReplyLength(f)) waiting_.push_back(frames_.size() - 1);
    }
    void Sent(std::int64_t ms, const std::vector<int>& bytes) {
        for (int b : bytes) {
            if (waiting_.empty()) return;  // not a reply (a babbling line)
            LoggedFrame& f = frames_[waiting_.front()];
            if (++got_ < ReplyLength(f)) continue;
            f.repliedMs = ms;
            f.reply = b;
            got_ = 0;
            waiting_.pop_front();
        }
    }

private:
    std::vector<LoggedFrame>& frames_;
    std::deque<std::size_t> waiting_;
    std::size_t got_ = 0;
};

inline std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> f;
    std::istringstream fields(line);
    for (std::string s; std::getline(fields, s, '\t');) f.push_back(s);
    return f;
}

// One frame line of the log; false for a note or a line that is not a frame.
inline bool ParseLogLine(const std::string& line, LoggedFrame& h) {
    if (line.empty() || line[0] == '#') return false;
    std::vector<std::string> f = SplitTabs(line);
    if (f.size() == 7) f.insert(f.begin() + 2, "-");  // no site column
    if (f.size() < 8) return false;
    h = LoggedFrame{};
    h.ms = std::stoull(f[0]);
    std::istringstream bytes(f[1]);
    for (std::string b; bytes >> b;) h.bytes.push_back(std::stoi(b, nullptr, 16));
    h.command = f[3];
    h.image = f[4] == "-" ? -1 : std::stoi(f[4]);
    h.outcome = f[7];
    return true;
}

// The frames of a frame log's text, each with its reply.
inline std::vector<LoggedFrame> ParseSimLog(const std::string& text) {
    std::vector<LoggedFrame> frames;
    ReplyMatcher replies(frames);
    std::istringstream log(text);
    LoggedFrame h;
    int baud = 0;
    for (std::string line; std::getline(log, line);) {
        if (line.rfind("# ", 0) == 0) {
            // The start note ends with the line's speed: "..., 9600 baud".
            if (line.size() > 5 && line.compare(line.size() - 5, 5, " baud") == 0) {
                const std::size_t at = line.find_last_of(' ', line.size() - 6);
                baud = std::atoi(line.c_str() + at + 1);
                continue;
            }
            std::istringstream note(line.substr(2));
            std::int64_t ms = 0;
            std::string word;
            if (!(note >> ms >> word) || word != "sent") continue;
            std::vector<int> bytes;
            for (std::string b; note >> b;) bytes.push_back(std::stoi(b, nullptr, 16));
            replies.Sent(ms, bytes);
        } else if (ParseLogLine(line, h)) {
            h.baud = baud;
            replies.Frame(h);
        }
    }
    return frames;
}

// ---------------------------------------------------------------------------------------------
// Reply timing

// A right reply complete on the line before a look at which the link asked again or gave up was
// missed: the race these checks guard, at any line speed. One that came after that look (the
// machine held the simulator or the line back) came too late: what followed it is counted and
// allowed.
enum class ReplyTiming { None, InGoodTime, Late };

// The reply to frame `i`, seen from the look at which the link gave up on it or asked again;
// `waitTicks`: the wait the link arms after that look before its next frame.
inline ReplyTiming TimingOf(const std::vector<LoggedFrame>& frames, const Timeline& t, std::size_t i,
                            std::int32_t waitTicks, std::string& described) {
    const LoggedFrame& asked = frames[i];
    const std::int64_t look = t.LastLook(i, waitTicks);
    std::ostringstream s;
    s << "asked at " << asked.ms << " ms";
    if (asked.repliedMs < 0) {
        s << ", never answered, the link's last look at " << look << " ms";
        described = s.str();
        return ReplyTiming::None;
    }
    s << ", its reply " << asked.reply << " complete at " << asked.repliedMs << " ms, the link's last look at " << look
      << " ms" << (t.Traced() ? "" : " (reckoned from the next frame)");
    described = s.str();
    return asked.repliedMs < look ? ReplyTiming::InGoodTime : ReplyTiming::Late;
}

// The reads the simulator answered, from frame `from` on, each with its reply.
inline std::vector<LoggedFrame> ReadsAsked(const std::vector<LoggedFrame>& frames, std::size_t from = 0) {
    std::vector<LoggedFrame> asks;
    for (std::size_t i = from; i < frames.size(); ++i) {
        const LoggedFrame& f = frames[i];
        if ((f.command == "ram-read" || f.command == "eeprom-read") && f.outcome == "answered") asks.push_back(f);
    }
    return asks;
}

inline bool IsRead(const LoggedFrame& f) { return f.command == "ram-read" || f.command == "eeprom-read"; }

struct ReplyRaceReport {
    std::vector<std::string> missed;  // give-ups after a reply complete before the link's last look
    std::vector<std::string> late;    // give-ups a late reply explains (counted, allowed)
};

// The reads of one or more read runs, in the order heard (with the link's trace of the same
// frames, if there is one). On a clean line each address is asked twice (its two agreeing
// samples), and each ask more follows a give-up: the asks of that address followed longest by
// the next one.
inline ReplyRaceReport ReplyRaces(const std::vector<LoggedFrame>& asks, const LinkTrace* trace = nullptr) {
    ReplyRaceReport r;
    const Timeline timeline(asks, trace);
    if (!timeline.Mismatch().empty()) r.missed.push_back(timeline.Mismatch());
    std::map<int, std::vector<std::size_t>> byAddress;
    for (std::size_t i = 0; i < asks.size(); ++i)
        if (IsRead(asks[i])) byAddress[asks[i].image].push_back(i);
    for (const auto& [address, idx] : byAddress) {
        if (idx.size() <= 2) continue;
        std::vector<std::size_t> order;  // positions in idx of the asks followed by another
        for (std::size_t k = 0; k + 1 < idx.size(); ++k) order.push_back(k);
        auto gap = [&](std::size_t k) { return asks[idx[k + 1]].ms - asks[idx[k]].ms; };
        std::stable_sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) { return gap(x) > gap(y); });
        for (std::size_t j = 0; j < idx.size() - 2 && j < order.size(); ++j) {
            std::string what;
            const ReplyTiming t = TimingOf(asks, timeline, idx[order[j]], 0, what);
            what = "address " + std::to_string(address) + " " + what;
            (t == ReplyTiming::Late ? r.late : r.missed).push_back(what);
        }
    }
    return r;
}

// How soon the link took the replies of a read run: each reply must be taken at the first look
// after it was complete on the line. Judged over the whole run: clean runs on a machine running
// two test suites side by side take all but one reply in forty or fifty at the first look (a
// reply the rig held back past a look), while a take one look late in one read of ten or more
// often is far more than the allowance.
inline constexpr int LateTakesAtLeast = 2;   // allowed in any run...
inline constexpr int LateTakesPercent = 3;   // ...or this share of its replies, if more
inline int LateTakesAllowed(int replies) { return std::max(LateTakesAtLeast, replies * LateTakesPercent / 100); }

struct FirstLookReport {
    int replies = 0;  // replies complete before one of the looks at their frame
    int first = 0;    // taken at the first look after they were complete
    std::vector<std::string> later;  // the others
    std::string fault;               // the trace does not fit the log
    bool Ok() const { return fault.empty() && replies - first <= LateTakesAllowed(replies); }
    std::string Describe() const {
        std::ostringstream s;
        if (!fault.empty()) return fault;
        s << first << " of " << replies << " replies taken at the first look after they were complete";
        if (first < replies) s << " (" << replies - first << " later, at most " << LateTakesAllowed(replies) << " allowed)";
        for (std::size_t k = 0; k < later.size() && k < 5; ++k) s << "; " << later[k];
        if (later.size() > 5) s << "; ...";
        return s.str();
    }
};

inline FirstLookReport FirstLooks(const std::vector<LoggedFrame>& frames, const LinkTrace& trace) {
    FirstLookReport r;
    const Timeline timeline(frames, &trace);
    if (!timeline.Traced()) {
        r.fault = timeline.Mismatch().empty() ? "no trace of the link's looks" : timeline.Mismatch();
        return r;
    }
    for (std::size_t i = 0; i + 1 < frames.size(); ++i) {
        const LoggedFrame& f = frames[i];
        if (!IsRead(f) || f.repliedMs < 0) continue;
        const std::vector<std::int64_t> looks = timeline.Looks(i);
        const auto after = std::upper_bound(looks.begin(), looks.end(), f.repliedMs);
        if (after == looks.end()) continue;  // complete after the last look: given up before it came
        ++r.replies;
        const std::size_t due = static_cast<std::size_t>(after - looks.begin());
        if (due + 1 == looks.size()) {
            ++r.first;
            continue;
        }
        std::ostringstream s;
        s << "address " << f.image << " asked at " << f.ms << " ms, its reply complete at " << f.repliedMs
          << " ms, first look after it at " << looks[due] << " ms, taken at look " << looks.size() << " at "
          << looks.back() << " ms";
        r.later.push_back(s.str());
    }
    return r;
}

// ---------------------------------------------------------------------------------------------
// Writes

// The whole setting list: EEPROM 14..44 (written from image 94..64), then the working copies in
// RAM 64..94, as the link lays it out.
inline constexpr int ListSize = SettingListSize;
inline constexpr int ListFirstRam = SettingListFirst;
inline constexpr int ListFirstEeprom = SettingListEepromFirst;

// How a run is judged besides its frames: the link's own account of it, and whether the program
// reported it failed (a failed run holds to the same rules, but is not verified at its end).
struct RunOptions {
    const LinkTrace* trace = nullptr;
    bool failed = false;
};

struct WriteRun {
    std::vector<std::string> faults;   // what must never happen, or is missing, one line each
    std::vector<std::string> retries;  // each attempt sent again that a late reply or a fault explains
    int eepromWrites = 0, ramWrites = 0, eepromReads = 0, ramReads = 0;
    std::vector<int> readBacks;  // read-backs of each EEPROM attempt, in order

    bool Ok() const { return faults.empty(); }
    std::string Summary() const {
        std::ostringstream s;
        s << eepromWrites << " EEPROM writes, " << eepromReads << " read-backs; " << ramWrites << " RAM writes, "
          << ramReads << " read-backs";
        return s.str();
    }
    std::string Describe() const {
        std::ostringstream s;
        s << Summary();
        for (const std::string& f : faults) s << "\n  FAULT: " << f;
        for (const std::string& r : retries) s << "\n  retry (within the allowance): " << r;
        return s.str();
    }
};

namespace detail {

// Frames of one regulator: the single form, or the site form with the site first.
struct FrameForm {
    int site;
    std::size_t size() const { return site ? 5 : 4; }
    std::size_t o() const { return site ? 1 : 0; }  // offset of the command byte
    bool Mine(const LoggedFrame& f) const {
        return f.bytes.size() == size() && (!site || f.bytes[0] == site);
    }
    int Command(const LoggedFrame& f) const { return f.bytes[o()]; }
    int Address(const LoggedFrame& f) const { return f.bytes[o() + 1]; }
    int Data(const LoggedFrame& f) const { return f.bytes[o() + 2]; }
    bool Unlock(const LoggedFrame& f) const {
        return Mine(f) && Command(f) == 0x98 && Address(f) == 250 && Data(f) == 0xA5;
    }
};

// One try of writing a byte: the frames that sent it (unlock and EEPROM write, or a RAM write)
// and the read-backs that followed.
struct Attempt {
    std::size_t first = 0;  // its first frame
    int address = -1, value = -1;
    std::vector<std::size_t> reads;
};

class Judge {
public:
    Judge(const std::vector<LoggedFrame>& frames, int site, WriteRun& run, const LinkTrace* trace)
        : f_(frames), form_{site}, run_(run), timeline_(frames, trace) {
        if (!timeline_.Mismatch().empty()) Fault(0, timeline_.Mismatch());
    }

    void Fault(std::size_t i, const std::string& what) {
        std::ostringstream s;
        s << "frame " << i << " at " << (i < f_.size() ? f_[i].ms : (f_.empty() ? 0 : f_.back().ms)) << " ms: " << what;
        run_.faults.push_back(s.str());
    }

    // The last attempt of a byte is verified: an EEPROM byte by `need` read-backs at its end
    // whose replies agree on the value, a RAM copy by one.
    void Verified(const Attempt& a, std::size_t need, const std::string& what) {
        const std::size_t n = a.reads.size();
        bool ok = n >= need;
        for (std::size_t k = n >= need ? n - need : 0; ok && k < n; ++k) ok = f_[a.reads[k]].reply == a.value;
        if (ok) return;
        std::ostringstream s;
        s << what << ": its last attempt ends on " << n << " read-back" << (n == 1 ? "" : "s");
        if (n) {
            s << " (replies";
            for (std::size_t k : a.reads) s << " " << f_[k].reply;
            s << ")";
        }
        s << ", not on " << need << " that read back " << a.value;
        Fault(a.first, s.str());
    }

    // A read-back asked at frame `i` after the attempt's two replies before it: two right replies,
    // each complete on the line before the look at which the link asked again, verify the byte;
    // asking again means one was lost or garbled on its way into the program.
    void ReadBackAgain(const Attempt& a, std::size_t i) {
        const std::size_t n = a.reads.size();
        if (n < 2) return;
        const LoggedFrame& first = f_[a.reads[n - 2]];
        const LoggedFrame& second = f_[a.reads[n - 1]];
        std::string t1, t2;
        if (first.reply != a.value || second.reply != a.value ||
            TimingOf(f_, timeline_, a.reads[n - 2], 0, t1) != ReplyTiming::InGoodTime ||
            TimingOf(f_, timeline_, a.reads[n - 1], 0, t2) != ReplyTiming::InGoodTime)
            return;
        Fault(i, "EEPROM " + std::to_string(a.address) + " read back again after two right replies in good time (" +
                     t1 + "; " + t2 + ")");
    }

    // An attempt of a byte sent again at frame `again` after the attempt `before`: explained by
    // no reply or a wrong one (the simulator's faults), or by a reply that came too late; a right
    // reply written in good time and not taken is a fault.
    // `waitTicks`: the wait the link arms after the look that gave up, before it sends again.
    void SentAgain(const Attempt& before, std::size_t again, const std::string& what, bool readBackNeeded,
                   std::int32_t waitTicks) {
        std::ostringstream s;
        s << what << " sent again at " << f_[again].ms << " ms";
        if (before.reads.empty()) {
            if (readBackNeeded) {
                Fault(again, s.str() + " with no read-back of the attempt before");
                return;
            }
            run_.retries.push_back(s.str() + ", bytes were waiting before its read-back");
            return;
        }
        const LoggedFrame& last = f_[before.reads.back()];
        std::string timing;
        const ReplyTiming t = TimingOf(f_, timeline_, before.reads.back(), waitTicks, timing);
        s << "; the last read-back " << timing;
        if (t == ReplyTiming::None) {
            if (last.outcome == "answered")
                Fault(again, s.str() + ": the reply was due and the log has none");
            else
                run_.retries.push_back(s.str() + " (" + last.outcome + ")");
        } else if (last.reply != before.value) {
            run_.retries.push_back(s.str() + ", read back as " + std::to_string(last.reply));
        } else if (t == ReplyTiming::InGoodTime && before.reads.size() < static_cast<std::size_t>(writelimits::MaxVerifySamples)) {
            Fault(again, s.str() + ": a right reply on the line before the link gave up, not taken");
        } else {
            run_.retries.push_back(s.str() + " (a late reply)");
        }
    }

    const std::vector<LoggedFrame>& f_;
    FrameForm form_;
    WriteRun& run_;
    Timeline timeline_;
};

}  // namespace detail

// The frames of one "program all" run in the order heard, for the regulator at site (0: single
// form), that should leave the memory `after` (512 bytes).
inline WriteRun CheckProgramRun(const std::vector<LoggedFrame>& frames, int site, const std::string& after,
                                const RunOptions& options = {}) {
    namespace wl = talvik::writelimits;
    WriteRun run;
    detail::Judge judge(frames, site, run, options.trace);
    const detail::FrameForm& form = judge.form_;
    auto afterByte = [&](int image) { return image < static_cast<int>(after.size()) ? (after[image] & 0xFF) : -1; };

    std::map<int, detail::Attempt> eeprom, ram;  // the last attempt of each address
    detail::Attempt* current = nullptr;          // the attempt read-backs belong to
    bool ramPhase = false;
    if (frames.empty() || !form.Unlock(frames.front())) judge.Fault(0, "the run does not begin with an unlock frame");
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const LoggedFrame& f = frames[i];
        if (!form.Mine(f)) {
            judge.Fault(i, "not a frame for this regulator");
            continue;
        }
        const int command = form.Command(f), address = form.Address(f), data = form.Data(f);
        if (form.Unlock(f)) {
            if (i + 1 >= frames.size() || !form.Mine(frames[i + 1]) || form.Command(frames[i + 1]) != 0xCA)
                judge.Fault(i, "an unlock frame not directly followed by its EEPROM write");
        } else if (command == 0xCA) {
            ++run.eepromWrites;
            if (i == 0 || !form.Unlock(frames[i - 1])) judge.Fault(i, "an EEPROM write not directly after its unlock");
            if (ramPhase) judge.Fault(i, "an EEPROM write after the RAM copies began");
            if (address < ListFirstEeprom || address >= ListFirstEeprom + ListSize)
                judge.Fault(i, "an EEPROM write outside the setting list");
            else if (data != afterByte(256 + address))
                judge.Fault(i, "EEPROM " + std::to_string(address) + " written as " + std::to_string(data));
            const std::string what = "EEPROM " + std::to_string(address);
            auto known = eeprom.find(address);
            if (known != eeprom.end()) {
                judge.SentAgain(known->second, i - 1, what, true, linktiming::DirectLongTicks);
                // The run's errors so far are at least its retries; the link tries a setting
                // again only while they stay within its budget for that setting.
                const int done = static_cast<int>(eeprom.size());
                const int retries = run.eepromWrites - done;
                if (!wl::BulkRetryAllowed(retries, done))
                    judge.Fault(i, what + " tried again as retry " + std::to_string(retries) + " at setting " +
                                       std::to_string(done) + ", beyond the link's budget");
            }
            run.readBacks.push_back(0);
            eeprom[address] = {i > 0 ? i - 1 : 0, address, data, {}};
            current = &eeprom[address];
        } else if (command == 0x48) {
            ++run.eepromReads;
            if (!current || ramPhase || current->address != address) {
                judge.Fault(i, "EEPROM " + std::to_string(address) + " read, not a read-back");
                continue;
            }
            judge.ReadBackAgain(*current, i);
            current->reads.push_back(i);
            ++run.readBacks.back();
            if (static_cast<int>(current->reads.size()) > wl::MaxVerifySamples)
                judge.Fault(i, "more read-backs than one attempt takes");
        } else if (command == 0x98) {
            ++run.ramWrites;
            ramPhase = true;
            if (address < ListFirstRam || address >= ListFirstRam + ListSize)
                judge.Fault(i, "a RAM write outside the setting list");
            else if (data != afterByte(address))
                judge.Fault(i, "RAM " + std::to_string(address) + " written as " + std::to_string(data));
            auto known = ram.find(address);
            if (known != ram.end()) judge.SentAgain(known->second, i, "RAM copy " + std::to_string(address), false, 0);
            ram[address] = {i, address, data, {}};
            current = &ram[address];
        } else if (command == 0x14) {
            ++run.ramReads;
            if (!current || !ramPhase || current->address != address) {
                judge.Fault(i, "RAM " + std::to_string(address) + " read, not a read-back");
                continue;
            }
            current->reads.push_back(i);
            if (current->reads.size() > 1) judge.Fault(i, "a RAM copy read back twice for one send");
        } else {
            judge.Fault(i, "an unexpected command " + std::to_string(command));
        }
    }
    // A failed run ends on the byte it could not verify; every byte before it was verified.
    const detail::Attempt* failedAt = options.failed ? current : nullptr;
    if (!options.failed && eeprom.size() != ListSize)
        judge.Fault(frames.size(), std::to_string(eeprom.size()) + " EEPROM settings written");
    if (!options.failed && ram.size() != ListSize)
        judge.Fault(frames.size(), std::to_string(ram.size()) + " RAM copies written");
    for (const auto& [address, a] : eeprom)
        if (&a != failedAt) judge.Verified(a, wl::AgreeingReplies, "EEPROM " + std::to_string(address));
    for (const auto& [address, a] : ram)
        if (&a != failedAt) judge.Verified(a, 1, "RAM copy " + std::to_string(address));
    const int resent = run.eepromWrites - static_cast<int>(eeprom.size()) + run.ramWrites - static_cast<int>(ram.size());
    if (resent > wl::MaxBulkErrors)
        judge.Fault(frames.size(), std::to_string(resent) + " frames sent again, beyond the run's error allowance");
    return run;
}

// The frames of one verified write of `value` to EEPROM `address` (the frame's address byte):
// attempts of unlock, the write and its read-backs, then the write's final step (frames of no
// EEPROM command). The last attempt ends on the read-backs that verify it.
inline WriteRun CheckSettingWrite(const std::vector<LoggedFrame>& frames, int site, int address, int value,
                                  const RunOptions& options = {}) {
    namespace wl = talvik::writelimits;
    WriteRun run;
    detail::Judge judge(frames, site, run, options.trace);
    const detail::FrameForm& form = judge.form_;
    std::vector<detail::Attempt> attempts;
    std::size_t i = 0;
    const std::string what = "EEPROM " + std::to_string(address);
    for (; i < frames.size(); ++i) {
        const LoggedFrame& f = frames[i];
        if (!form.Mine(f)) {
            judge.Fault(i, "not a frame for this regulator");
            continue;
        }
        const int command = form.Command(f);
        if (form.Unlock(f)) {
            if (i + 1 >= frames.size() || !form.Mine(frames[i + 1]) || form.Command(frames[i + 1]) != 0xCA ||
                form.Address(frames[i + 1]) != address || form.Data(frames[i + 1]) != value) {
                judge.Fault(i, "an unlock frame not directly followed by the write of " + std::to_string(value) +
                                   " to " + what);
                continue;
            }
            if (!attempts.empty()) judge.SentAgain(attempts.back(), i, what, true, linktiming::DirectLongTicks);
            attempts.push_back({i, address, value, {}});
            ++run.eepromWrites;
            ++i;
            run.readBacks.push_back(0);
        } else if (command == 0x48 && !attempts.empty() && form.Address(f) == address) {
            ++run.eepromReads;
            judge.ReadBackAgain(attempts.back(), i);
            attempts.back().reads.push_back(i);
            ++run.readBacks.back();
            if (static_cast<int>(attempts.back().reads.size()) > wl::MaxVerifySamples)
                judge.Fault(i, "more read-backs than one attempt takes");
        } else if (command == 0xCA || command == 0x48 || attempts.empty()) {
            judge.Fault(i, "frame " + std::to_string(command) + " " + std::to_string(form.Address(f)) +
                               " is not of this write");
        } else {
            break;  // the final step
        }
    }
    if (attempts.empty()) {
        judge.Fault(0, "no unlock frame with its write");
        return run;
    }
    if (static_cast<int>(attempts.size()) > wl::SingleWriteAttempts)
        judge.Fault(attempts.back().first, std::to_string(attempts.size()) + " attempts, the link makes " +
                                               std::to_string(wl::SingleWriteAttempts));
    if (options.failed) {
        // A write fails only once it has made all its attempts and the last is not verified.
        if (static_cast<int>(attempts.size()) < wl::SingleWriteAttempts)
            judge.Fault(attempts.back().first, "a failed write after " + std::to_string(attempts.size()) +
                                                   " attempt(s), the link makes " +
                                                   std::to_string(wl::SingleWriteAttempts));
        WriteRun verified;
        detail::Judge check(frames, site, verified, nullptr);
        check.Verified(attempts.back(), wl::AgreeingReplies, what);
        if (verified.faults.empty()) judge.Fault(attempts.back().first, "a failed write whose last attempt was verified");
        if (i < frames.size()) judge.Fault(i, "a failed write followed by its final step");
    } else {
        judge.Verified(attempts.back(), wl::AgreeingReplies, what);
        if (i >= frames.size()) judge.Fault(i, "no final step after the write");
    }
    for (; i < frames.size(); ++i) {
        const int command = form.Mine(frames[i]) ? form.Command(frames[i]) : -1;
        if (command == 0xCA || command == 0x48 || form.Unlock(frames[i]) || command < 0)
            judge.Fault(i, "a frame of the write after its final step");
    }
    return run;
}

}  // namespace talvik::sim

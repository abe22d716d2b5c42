// The simulated regulator's frame parser, memory rules and reply scheduling.
#include "RegulatorSim.h"

#include <cstdio>

namespace talvik::sim {

const char* OutcomeName(Outcome o) {
    switch (o) {
        case Outcome::Answered: return "answered";
        case Outcome::Written: return "written";
        case Outcome::Unlocked: return "unlocked";
        case Outcome::SiteSet: return "site-set";
        case Outcome::NoEffect: return "no-effect";
        case Outcome::OtherSite: return "other-site";
        case Outcome::NotUnlocked: return "not-unlocked";
        case Outcome::WritesRefused: return "writes-refused";
        case Outcome::UnknownCommand: return "unknown-command";
        case Outcome::Silent: return "silent";
        case Outcome::NotAFrame: return "not-a-frame";
    }
    return "?";
}

bool IsAccepted(Outcome o) {
    switch (o) {
        case Outcome::Answered:
        case Outcome::Written:
        case Outcome::Unlocked:
        case Outcome::SiteSet:
        case Outcome::NoEffect:
            return true;
        default:
            return false;
    }
}

const char* CommandName(std::uint8_t command) {
    switch (command) {
        case cmd::RamRead:
        case cmd::RamRead + 1: return "ram-read";
        case cmd::EepromRead: return "eeprom-read";
        case cmd::RamWrite:
        case cmd::RamWrite + 1: return "ram-write";
        case cmd::EepromWrite: return "eeprom-write";
        case cmd::Loopback: return "loopback";
        case cmd::Step57: return "command-57";
        default: return "unknown";
    }
}

std::string FormatLogEntry(const LogEntry& e) {
    std::string s = std::to_string(e.timeMs) + "\t";
    char hex[4];
    for (std::size_t i = 0; i < e.bytes.size(); ++i) {
        std::snprintf(hex, sizeof hex, "%02X", e.bytes[i]);
        if (i) s += ' ';
        s += hex;
    }
    if (e.outcome == Outcome::NotAFrame) return s + "\t-\t-\t-\t-\tno\t" + OutcomeName(e.outcome);
    s += "\t";
    s += e.bytes.size() == 5 ? std::to_string(e.site) : std::string("-");
    s += "\t";
    s += CommandName(e.command);
    s += "\t";
    s += e.imageAddress >= 0 ? std::to_string(e.imageAddress) : std::string("-");
    s += "\t" + std::to_string(e.data) + "\t" + (e.accepted ? "ok" : "no") + "\t" + OutcomeName(e.outcome);
    return s;
}

RegulatorSim::RegulatorSim(std::uint8_t site) : site_(site) {}

void RegulatorSim::SetUnlockCode(std::uint8_t ramAddress, std::uint8_t data) {
    unlockAddress_ = ramAddress;
    unlockData_ = data;
}

bool RegulatorSim::TakeMemoryChanged() {
    bool c = memoryChanged_;
    memoryChanged_ = false;
    return c;
}

void RegulatorSim::Feed(std::uint8_t byte, std::uint64_t nowMs) {
    pending_.push_back(byte);
    TryParse(nowMs);
}

void RegulatorSim::Feed(const std::vector<std::uint8_t>& bytes, std::uint64_t nowMs) {
    for (std::uint8_t b : bytes) Feed(b, nowMs);
}

std::vector<std::uint8_t> RegulatorSim::Drain(std::uint64_t nowMs) {
    std::vector<std::uint8_t> r;
    std::size_t n = 0;
    while (n < out_.size() && out_[n].timeMs <= nowMs) r.push_back(out_[n++].byte);
    out_.erase(out_.begin(), out_.begin() + static_cast<std::ptrdiff_t>(n));
    return r;
}

std::optional<std::uint64_t> RegulatorSim::NextDue() const {
    if (out_.empty()) return std::nullopt;
    return out_.front().timeMs;
}

void RegulatorSim::ResetLine() {
    pending_.clear();
    out_.clear();
    skippedRunOpen_ = false;
}

bool RegulatorSim::IsFrameAt(std::size_t n) const {
    if (n == 5) {
        unsigned sum = pending_[0] + pending_[1] + pending_[2] + pending_[3];
        return (sum & 0xFFu) == pending_[4];
    }
    return static_cast<std::uint8_t>(pending_[0] ^ 0xFFu) == pending_[3];
}

// Looks for a frame at the start of the received bytes; anything that cannot start one is
// dropped a byte at a time, so the regulator falls back into step with the next good frame.
void RegulatorSim::TryParse(std::uint64_t nowMs) {
    const std::size_t n = site_ ? 5 : 4;
    while (pending_.size() >= n) {
        if (!IsFrameAt(n)) {
            Skip(nowMs);
            continue;
        }
        LogEntry e;
        e.timeMs = nowMs;
        e.bytes.assign(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(n));
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(n));
        const std::size_t o = n == 5 ? 1 : 0;
        e.site = n == 5 ? e.bytes[0] : 0;
        e.command = e.bytes[o];
        e.address = e.bytes[o + 1];
        e.data = e.bytes[o + 2];
        skippedRunOpen_ = false;
        HandleFrame(e, nowMs);
        e.accepted = IsAccepted(e.outcome);
        log_.push_back(std::move(e));
    }
}

void RegulatorSim::Skip(std::uint64_t nowMs) {
    std::uint8_t b = pending_.front();
    pending_.erase(pending_.begin());
    if (skippedRunOpen_ && !log_.empty()) {
        log_.back().bytes.push_back(b);
        log_.back().timeMs = nowMs;
        return;
    }
    LogEntry e;
    e.timeMs = nowMs;
    e.bytes.push_back(b);
    e.outcome = Outcome::NotAFrame;
    log_.push_back(std::move(e));
    skippedRunOpen_ = true;
}

bool RegulatorSim::TakeFault(std::uint32_t& counter) {
    if (counter == 0) return false;
    if (counter != Always) --counter;
    return true;
}

void RegulatorSim::HandleFrame(LogEntry& e, std::uint64_t nowMs) {
    const bool siteForm = e.bytes.size() == 5;
    // Site 0 would switch the unit to single frames, so no site-set frame can ask for it.
    const bool siteSet = siteForm && e.command == cmd::Loopback && e.address == SiteSetAddress &&
                         e.site != 0;
    if (siteForm && !siteSet && e.site != site_) {
        e.outcome = Outcome::OtherSite;
        return;
    }
    ++framesHeard_;
    if ((faults_.silentAfterFrames && framesHeard_ > *faults_.silentAfterFrames) ||
        TakeFault(faults_.silence)) {
        e.outcome = Outcome::Silent;
        return;
    }

    // The unlock holds for the one frame that follows it, whatever that frame is.
    const bool unlocked = unlocked_;
    unlocked_ = false;

    auto writeEeprom = [&](int image) {
        e.imageAddress = image;
        if (TakeChance(faults_.lostWritePercent)) {
            e.outcome = Outcome::Silent;  // lost on the line: the regulator never saw it
        } else if (policy_ == EepromPolicy::Refuse) {
            e.outcome = Outcome::WritesRefused;
        } else if (policy_ == EepromPolicy::UnlockRequired && !unlocked) {
            e.outcome = Outcome::NotUnlocked;
        } else {
            memory_[static_cast<std::size_t>(image)] = e.data;
            memoryChanged_ = true;
            lastEepromWrite_ = image;
            e.outcome = Outcome::Written;
        }
    };

    switch (e.command) {
        case cmd::RamRead:
        case cmd::RamRead + 1:
        case cmd::EepromRead: {
            const int image = e.command == cmd::EepromRead ? EepromBase + e.address
                                                           : ((e.command & 1) << 8) | e.address;
            e.imageAddress = image;
            Reply({ReplyHeader, memory_[static_cast<std::size_t>(image)]}, nowMs, true, image);
            e.outcome = Outcome::Answered;
            break;
        }
        case cmd::RamWrite:
        case cmd::RamWrite + 1: {
            const int image = ((e.command & 1) << 8) | e.address;
            if (image >= EepromBase) {
                writeEeprom(image);
                break;
            }
            e.imageAddress = image;
            if (TakeChance(faults_.lostWritePercent)) {
                e.outcome = Outcome::Silent;  // lost on the line, as EEPROM writes are
                break;
            }
            memory_[static_cast<std::size_t>(image)] = e.data;
            memoryChanged_ = true;
            if (e.address == unlockAddress_ && e.data == unlockData_) {
                unlocked_ = true;
                e.outcome = Outcome::Unlocked;
            } else {
                e.outcome = Outcome::Written;
            }
            break;
        }
        case cmd::EepromWrite:
            writeEeprom(EepromBase + e.address);
            break;
        case cmd::Loopback:
            if (siteSet) {
                site_ = e.site;
                Reply({SiteSetReply}, nowMs, false, -1);
                e.outcome = Outcome::SiteSet;
            } else {
                Reply({e.data}, nowMs, false, -1);
                e.outcome = Outcome::Answered;
            }
            break;
        case cmd::Step57:
            e.outcome = Outcome::NoEffect;
            break;
        default:
            e.outcome = Outcome::UnknownCommand;
            break;
    }
}

std::uint8_t RegulatorSim::NextGarbage() {
    for (;;) {
        garbageState_ ^= garbageState_ << 13;
        garbageState_ ^= garbageState_ >> 17;
        garbageState_ ^= garbageState_ << 5;
        const auto b = static_cast<std::uint8_t>(garbageState_ >> 24);
        if (b != ReplyHeader && b != SiteSetReply) return b;
    }
}

bool RegulatorSim::TakeChance(std::uint32_t percent) {
    if (percent == 0) return false;
    if (chanceState_ == 0) chanceState_ = faults_.randomSeed * 0x9E3779B97F4A7C15ull + 1;
    // One step of a 64-bit linear congruential generator; its high bits are the draw.
    chanceState_ = chanceState_ * 6364136223846793005ull + 1442695040888963407ull;
    return (chanceState_ >> 33) % 100u < percent;
}

void RegulatorSim::ScheduleByte(std::uint8_t b, std::uint64_t due) {
    // Bytes leave the regulator in order: a later reply never overtakes an earlier one.
    if (due < lastDue_) due = lastDue_;
    lastDue_ = due;
    out_.push_back({due, b});
    ++bytesQueued_;
}

void RegulatorSim::Reply(std::vector<std::uint8_t> bytes, std::uint64_t nowMs, bool isRead,
                         int imageAddress) {
    std::uint64_t due = nowMs + replyDelayMs_;
    if (TakeFault(faults_.slow)) due += faults_.slowDelayMs;
    if (TakeFault(faults_.garbage)) {
        for (std::uint32_t i = 0; i < faults_.garbageLength; ++i) ScheduleByte(NextGarbage(), due);
        return;
    }
    if (!isRead) {
        for (std::uint8_t b : bytes) ScheduleByte(b, due);
        return;
    }
    if (imageAddress == lastEepromWrite_ && TakeFault(faults_.badReadBack)) bytes[1] ^= 0xFFu;
    if (TakeChance(faults_.badReplyPercent)) bytes[1] ^= static_cast<std::uint8_t>(1u + (chanceState_ >> 40) % 255u);
    if (TakeFault(faults_.alternate)) {
        bool& altered = flip_[imageAddress];
        if (altered) bytes[1] ^= 0x55u;
        altered = !altered;
    } else {
        flip_.erase(imageAddress);
    }
    if (TakeFault(faults_.wrongHeader)) bytes[0] = faults_.wrongHeaderByte;
    ScheduleByte(bytes[0], due);
    if (TakeFault(faults_.split)) due += faults_.splitDelayMs;
    ScheduleByte(bytes[1], due);
}

}  // namespace talvik::sim

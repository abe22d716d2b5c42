// When the link looked for a reply, on the simulator's clock: the judge of a frame log decides
// whether a reply was missed or came late from these looks, not from guesses about the rig.
//
// The link's own trace (its debug-channel lines with the program's millisecond clock in front,
// as linkdriver writes them) says when each frame went out and when the link looked at the line:
// "trigger timer event GET" for a read, "read-back look N" for a write's read-back. The two
// clocks are set side by side by the run itself: a frame reaches the simulator one wire time
// after it went out at the soonest, so the least (arrival - wire time - send) over the run is
// the offset between them, and a frame held up in the rig only makes its own difference larger.
//
// Without a trace, the look at which the link asked again is when the next frame left the
// program (its arrival less its wire time), less the wait the link arms after the look that
// gave up, counted from the tick the wait may start in.
// Pure C++, no clock or I/O.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "link/qvLinkTiming.h"

namespace talvik::sim {

// One frame of the simulator's frame log (see README.md), with the reply it wrote for it.
struct LoggedFrame {
    std::uint64_t ms = 0;  // arrival of its last bit at the regulator, ms since it started
    std::vector<int> bytes;
    std::string command;  // "ram-read", "eeprom-read", ...; "-" for skipped bytes
    int image = -1;       // image address; -1 where the log has "-"
    std::string outcome;  // "answered", "written", "silent", ...
    // When the reply's last byte reached the program's end of the line (the simulator writes
    // each byte when its last bit would arrive); -1: none written.
    std::int64_t repliedMs = -1;
    int reply = -1;  // the reply's last byte (a read's data byte)
    int baud = 0;    // the line's speed (0: not paced)
};

// Milliseconds a frame's bytes spend on the line: ten bit times a byte.
inline std::int64_t WireMs(const LoggedFrame& f) {
    return f.baud > 0 ? static_cast<std::int64_t>(f.bytes.size()) * 10 * 1000 / f.baud : 0;
}

// The link's account of one run, on the program's clock.
struct LinkTrace {
    std::vector<std::int64_t> sends;               // each frame sent, in order
    std::vector<std::vector<std::int64_t>> looks;  // looks at the line after send i, before send i+1
    bool Known() const { return !sends.empty(); }
};

// Lines "MS TEXT" of the link's debug channel. A frame sent is "(N)  XX XX ..." (or "(tapi) ...").
inline LinkTrace ParseLinkTrace(const std::string& text) {
    LinkTrace t;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t space = line.find(' ');
        if (space == std::string::npos || space == 0 || line.find_first_not_of("0123456789") != space) continue;
        const std::int64_t ms = std::stoll(line.substr(0, space));
        const std::string what = line.substr(space + 1);
        if (what.size() > 2 && what[0] == '(' && what.find(')') != std::string::npos) {
            std::istringstream bytes(what.substr(what.find(')') + 1));
            std::string b;
            bool frame = static_cast<bool>(bytes >> b);
            for (; frame && !b.empty(); b.clear(), bytes >> b)
                frame = b.size() == 2 && std::isxdigit(static_cast<unsigned char>(b[0])) &&
                        std::isxdigit(static_cast<unsigned char>(b[1]));
            if (!frame) continue;
            t.sends.push_back(ms);
            t.looks.emplace_back();
        } else if ((what == "trigger timer event GET" || what.rfind("read-back look", 0) == 0) && !t.sends.empty()) {
            t.looks.back().push_back(ms);
        }
    }
    return t;
}

// The frames of a run with the looks of the link that sent them, on the simulator's clock.
class Timeline {
public:
    // frames: the run's frames in the order heard; trace: the link's account of the same run (or null).
    Timeline(const std::vector<LoggedFrame>& frames, const LinkTrace* trace) : f_(frames) {
        if (!trace || !trace->Known()) return;
        if (trace->sends.size() != frames.size()) {
            std::ostringstream s;
            s << "the link's trace has " << trace->sends.size() << " frames sent, the simulator heard " << frames.size();
            mismatch_ = s.str();
            return;
        }
        trace_ = trace;
        offset_ = std::numeric_limits<std::int64_t>::max();
        for (std::size_t i = 0; i < frames.size(); ++i)
            offset_ = std::min(offset_, static_cast<std::int64_t>(frames[i].ms) - WireMs(frames[i]) - trace->sends[i]);
    }

    bool Traced() const { return trace_ != nullptr; }
    // Why a trace given could not be used; empty when it was, or none was given.
    const std::string& Mismatch() const { return mismatch_; }

    // The looks after frame i, before the next frame (only with a trace).
    std::vector<std::int64_t> Looks(std::size_t i) const {
        std::vector<std::int64_t> looks;
        if (trace_ && i < trace_->looks.size())
            for (std::int64_t l : trace_->looks[i]) looks.push_back(l + offset_);
        return looks;
    }

    // The last look after frame i, at which the link gave up on it or took what made it send the
    // next frame. Without a trace: the next frame's send, less the `waitTicks` armed after that
    // look (0: the next frame went out at the look itself). Past the last frame: never.
    std::int64_t LastLook(std::size_t i, std::int32_t waitTicks) const {
        if (trace_ && i < trace_->looks.size() && !trace_->looks[i].empty()) return trace_->looks[i].back() + offset_;
        if (i + 1 >= f_.size()) return std::numeric_limits<std::int64_t>::max();
        const std::int64_t next = trace_ ? trace_->sends[i + 1] + offset_
                                         : static_cast<std::int64_t>(f_[i + 1].ms) - WireMs(f_[i + 1]);
        return waitTicks > 0 ? next - (waitTicks + 1) * linktiming::TickMs : next;
    }

private:
    const std::vector<LoggedFrame>& f_;
    const LinkTrace* trace_ = nullptr;
    std::int64_t offset_ = 0;
    std::string mismatch_;
};

}  // namespace talvik::sim

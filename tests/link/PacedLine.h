// A serial line of a set speed between the link's port double and the in-process regulator, and
// the account of when each reply was complete at the link's end and when the link took it.
//
// Every byte spends ten bit times on the line: a frame reaches the regulator with its last bit,
// and each reply byte reaches the port with its own. The port hands a byte to the link from the
// first tick at or after its arrival, before that tick's triggers fire (the port's reader fills
// the buffer before the timer looks), so the first look after a reply is complete is exactly
// known, and so is the look at which the link took it.
#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "FakeComPort.h"
#include "LineTiming.h"
#include "RegulatorSim.h"
#include "link/uVar.h"

namespace talvik::test {

class PacedLine {
public:
    // Connects port and regulator at baud; the link's read trigger is watched from then on.
    PacedLine(FakeComPort& port, sim::RegulatorSim& regulator, std::uint32_t baud)
        : port_(port), sim_(regulator), toRegulator_(baud), toLink_(baud) {
        port_.OnSend = [this](const std::string& s, std::uint64_t nowMs) { Sent(s, nowMs); };
        port_.OnTick = [this](std::uint64_t nowMs) { Deliver(nowMs); };
        auto link = port_.OnTriggerTimer;
        port_.OnTriggerTimer = [this, link](TKslComPortOps* p, std::uint16_t handle) {
            if (handle == RequestTrigger && !frames_.empty()) frames_.back().looks.push_back(port_.Now());
            if (link) link(p, handle);
        };
    }

    struct Takes {
        int replies = 0;                // replies of the frames judged
        std::vector<std::string> late;  // each one not taken at the first look after it was complete
    };

    // The replies to the frames sent from the fromFrame-th on. A reply not taken at the link's
    // first look after it was complete gets a line: its frame's address, when it was asked and
    // complete, and the looks.
    Takes Judge(std::size_t fromFrame = 0) const {
        Takes r;
        for (std::size_t i = fromFrame; i < frames_.size(); ++i) {
            const Frame& f = frames_[i];
            if (f.replyEnd == f.replyFirst) continue;  // no reply: nothing to take
            const std::uint64_t last = f.replyEnd - 1;
            if (last >= onLine_.size()) continue;  // still on the line when the run ended
            ++r.replies;
            const std::uint64_t completeUs = onLine_[last].arrivalUs;
            const std::vector<std::uint64_t>& looks = f.looks;
            std::ostringstream s;
            s << "address " << f.image << " asked at " << Ms(TickUs(f.tick))
              << ", its reply complete at " << Ms(completeUs);
            std::size_t due = 0;
            while (due < looks.size() && TickUs(looks[due]) < completeUs) ++due;
            if (due == looks.size()) {
                s << ", after the link's last look at it ("
                  << (looks.empty() ? std::string("none") : Ms(TickUs(looks.back()))) << ")";
                r.late.push_back(s.str());
                continue;
            }
            const bool seen = last < port_.InputFates.size();
            const FakeComPort::Fate fate = seen ? port_.InputFates[last] : FakeComPort::Fate{0, false};
            if (seen && fate.Taken && fate.Tick == looks[due]) continue;
            s << ", first look after it at " << Ms(TickUs(looks[due])) << " (look " << due + 1
              << ")";
            if (!seen) {
                s << ", never taken";
            } else {
                std::size_t at = 0;
                while (at < looks.size() && looks[at] < fate.Tick) ++at;
                s << (fate.Taken ? ", taken" : ", flushed") << " at " << Ms(TickUs(fate.Tick));
                if (at < looks.size() && looks[at] == fate.Tick) s << " (look " << at + 1 << ")";
            }
            r.late.push_back(s.str());
        }
        return r;
    }

    std::size_t FramesSent() const { return frames_.size(); }

private:
    struct Frame {
        std::uint64_t tick = 0;
        int image = -1;
        std::uint64_t replyFirst = 0, replyEnd = 0;  // the reply's bytes, counted over the run
        std::vector<std::uint64_t> looks;             // ticks of the link's looks before the next frame
    };
    struct ReplyByte {
        std::uint64_t arrivalUs;
        std::uint8_t value;
    };

    static std::uint64_t TickUs(std::uint64_t tick) { return tick * FakeComPort::TickMs * 1000; }
    static std::string Ms(std::uint64_t us) {
        std::ostringstream s;
        s << us / 1000 << "." << us % 1000 / 100 << " ms";
        return s.str();
    }

    void Sent(const std::string& bytes, std::uint64_t nowMs) {
        Frame f;
        f.tick = port_.Now();
        f.replyFirst = sim_.BytesQueued();
        const std::size_t logged = sim_.Log().size();
        for (char c : bytes) sim_.Feed(static_cast<std::uint8_t>(c), toRegulator_.Transmit(nowMs * 1000) / 1000);
        for (std::size_t k = logged; k < sim_.Log().size(); ++k)
            if (sim_.Log()[k].imageAddress >= 0) f.image = sim_.Log()[k].imageAddress;
        f.replyEnd = sim_.BytesQueued();
        frames_.push_back(f);
    }

    void Deliver(std::uint64_t nowMs) {
        // Each reply byte leaves the regulator when it is due and arrives ten bit times later.
        while (const auto due = sim_.NextDue()) {
            if (*due > nowMs) break;
            for (std::uint8_t b : sim_.Drain(*due)) onLine_.push_back({toLink_.Transmit(*due * 1000), b});
        }
        std::vector<std::uint8_t> arrived;
        for (; delivered_ < onLine_.size() && onLine_[delivered_].arrivalUs <= nowMs * 1000; ++delivered_)
            arrived.push_back(onLine_[delivered_].value);
        if (!arrived.empty()) port_.Receive(arrived);
    }

    FakeComPort& port_;
    sim::RegulatorSim& sim_;
    sim::LineTiming toRegulator_, toLink_;
    std::vector<Frame> frames_;
    std::vector<ReplyByte> onLine_;  // every reply byte put on the line, in order
    std::size_t delivered_ = 0;      // of them, handed to the port
};

}  // namespace talvik::test

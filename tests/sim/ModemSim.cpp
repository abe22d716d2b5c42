// The simulated modem (see ModemSim.h).
#include "ModemSim.h"

#include <algorithm>
#include <cctype>

namespace talvik::sim {

void ModemSim::Say(const std::string& Result) {
    const std::string s = "\r\n" + Result + "\r\n";
    out_.insert(out_.end(), s.begin(), s.end());
}

void ModemSim::Feed(const std::string& Bytes, std::uint64_t NowMs) {
    for (char c : Bytes) Feed(static_cast<std::uint8_t>(c), NowMs);
}

void ModemSim::Feed(std::uint8_t Byte, std::uint64_t NowMs) {
    Timers(NowMs);
    const bool quietBefore = !anyByte_ || NowMs >= lastByteMs_ + GuardMs;
    anyByte_ = true;
    switch (mode_) {
    case Mode::Online:
        // "+" bytes are data too; only the silence after the third makes them an escape.
        if (Byte == '+' && (plusCount_ > 0 ? NowMs < plusStartMs_ + GuardMs && plusCount_ < 3 : quietBefore)) {
            if (plusCount_ == 0) plusStartMs_ = NowMs;
            ++plusCount_;
        } else {
            plusCount_ = 0;
        }
        ++passed_;
        if (far_) far_->Feed(Byte, NowMs);
        break;
    case Mode::Dialling:
        // Any key aborts a dial; the line feed that follows the command's CR is no key.
        if (Byte == '\n') break;
        mode_ = Mode::Command;
        Say("NO CARRIER");
        break;
    case Mode::Command:
        if (Byte == '\r') {
            if (!line_.empty()) Command(line_, NowMs);
            line_.clear();
        } else if (Byte != '\n') {
            line_ += static_cast<char>(Byte);
        }
        break;
    }
    lastByteMs_ = NowMs;
}

void ModemSim::Command(const std::string& Heard, std::uint64_t NowMs) {
    commands_.push_back(Heard);
    std::string up = Heard;
    std::transform(up.begin(), up.end(), up.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    // Like a real modem, whatever comes before "AT" is skipped; a line without it is ignored.
    const auto at = up.find("AT");
    if (at == std::string::npos) return;
    up.erase(0, at);
    const std::string Line = Heard.substr(at);
    const std::string body = up.substr(2);
    if (body.rfind("D", 0) == 0) {
        std::string number = Line.substr(3);
        pulse_ = false;
        if (!body.empty() && body.size() > 1 && (body[1] == 'T' || body[1] == 'P')) {
            pulse_ = body[1] == 'P';
            number = Line.substr(4);
        }
        dialled_ = number;
        if (dcd_) {
            Say("ERROR");
            return;
        }
        mode_ = Mode::Dialling;
        connectAt_ = NowMs + DialMs;
        return;
    }
    if (body.rfind("H", 0) == 0) {
        if (dcd_ && far_) far_->ResetLine();
        dcd_ = false;
        Say("OK");
        return;
    }
    if (body.rfind("O", 0) == 0) {
        if (!dcd_) {
            Say("NO CARRIER");
            return;
        }
        mode_ = Mode::Online;
        plusCount_ = 0;
        Say("CONNECT");
        return;
    }
    Say("OK");
}

void ModemSim::Timers(std::uint64_t NowMs) {
    if (mode_ == Mode::Dialling && NowMs >= connectAt_) {
        if (Answers) {
            dcd_ = true;
            mode_ = Mode::Online;
            plusCount_ = 0;
            Say("CONNECT 2400");
        } else {
            mode_ = Mode::Command;
            Say("NO CARRIER");
        }
    }
    if (mode_ == Mode::Online && plusCount_ == 3 && NowMs >= lastByteMs_ + GuardMs) {
        plusCount_ = 0;
        mode_ = Mode::Command;
        line_.clear();
        Say("OK");
    }
}

std::vector<std::uint8_t> ModemSim::Drain(std::uint64_t NowMs) {
    Timers(NowMs);
    if (far_) {
        auto fromFar = far_->Drain(NowMs);
        // While in command mode the call's data is not passed on.
        if (mode_ == Mode::Online) out_.insert(out_.end(), fromFar.begin(), fromFar.end());
    }
    std::vector<std::uint8_t> r;
    r.swap(out_);
    return r;
}

void ModemSim::DropCarrier() {
    if (!dcd_) return;
    if (far_) far_->ResetLine();
    dcd_ = false;
    mode_ = Mode::Command;
    plusCount_ = 0;
    Say("NO CARRIER");
}

}  // namespace talvik::sim

// A simulated Hayes-style modem between the program and a remote regulator. Pure C++ with
// injected time, like RegulatorSim: the caller feeds each byte the program sends with the time
// it arrived, drains the bytes due back, and reads the carrier-detect line. In command mode it
// answers "AT" lines with verbose result codes; "ATD" dials and, after DialMs, raises carrier
// and passes data both ways to the far regulator; "+++" with a guard time of silence before
// and after returns it to command mode; "ATH" drops the carrier; "ATO" resumes a call.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "RegulatorSim.h"

namespace talvik::sim {

class ModemSim {
public:
    enum class Mode { Command, Dialling, Online };

    // Far may be null: a line with nobody behind it.
    explicit ModemSim(RegulatorSim* Far) : far_(Far) {}

    // Settings a test may change before dialling.
    std::uint64_t DialMs = 5000;   // from the dial command to carrier (or its failure)
    std::uint64_t GuardMs = 1000;  // silence needed before and after "+++"
    bool Answers = true;           // false: the far end never answers, "NO CARRIER"

    void Feed(std::uint8_t Byte, std::uint64_t NowMs);
    void Feed(const std::string& Bytes, std::uint64_t NowMs);
    // Bytes due for the program by NowMs; also runs the dial and escape timers.
    std::vector<std::uint8_t> Drain(std::uint64_t NowMs);

    // The far end hangs up: the carrier goes and the modem says so.
    void DropCarrier();

    bool Dcd() const { return dcd_; }
    Mode State() const { return mode_; }
    // Every command line heard in command mode, without its CR, in order.
    const std::vector<std::string>& Commands() const { return commands_; }
    // The number and dialling method of the last dial.
    const std::string& Dialled() const { return dialled_; }
    bool PulseDialled() const { return pulse_; }
    // Bytes handed to the far regulator while online.
    std::size_t BytesPassed() const { return passed_; }

private:
    void Say(const std::string& Result);
    void Command(const std::string& Line, std::uint64_t NowMs);
    void Timers(std::uint64_t NowMs);

    RegulatorSim* far_;
    Mode mode_ = Mode::Command;
    bool dcd_ = false;
    std::string line_;
    std::vector<std::string> commands_;
    std::string dialled_;
    bool pulse_ = false;
    std::uint64_t connectAt_ = 0;
    std::vector<std::uint8_t> out_;
    std::size_t passed_ = 0;
    // Escape detection while online.
    bool anyByte_ = false;
    std::uint64_t lastByteMs_ = 0;
    int plusCount_ = 0;
    std::uint64_t plusStartMs_ = 0;
};

}  // namespace talvik::sim

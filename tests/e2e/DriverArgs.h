// The command line of linkdriver, parsed without any Win32 so that it is tested natively.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace talvik {

enum class TDriverCommand { Read, Write, Program };

struct TDriverArgs {
    std::int32_t Port = 0;       // COM number
    std::int32_t BaudIndex = 0;  // index into BaudRates
    std::int32_t Site = 0;       // 0: single regulator; 1..255 site mode
    TDriverCommand Command = TDriverCommand::Read;
    std::int32_t Kind = 0;       // read
    std::int32_t Address = 0;    // write: image address 256..511
    std::int32_t Value = 0;      // write: 0..255
    std::string File;            // program
};

extern const char* const DriverUsage;

// Options --port, --baud and --site come before the command; false with Error set when the
// line is not a valid one.
bool ParseDriverArgs(const std::vector<std::string>& Args, TDriverArgs& Out, std::string& Error);

}  // namespace talvik

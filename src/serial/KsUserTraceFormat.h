// The text formats of the dispatcher's byte trace and dispatch log (pure, tested on their own).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "serial/KsQueue.h"

namespace talvik {

struct TTraceEntry {
    char Kind;
    std::uint8_t Ch;
};

// The text of a trace file (CR LF line ends) for the entries in order.
std::string FormatTrace(const std::vector<TTraceEntry>& entries, bool inHex, bool allHex);
// One byte as a trace item ("A", "[0D]", "[13]").
std::string TraceItem(std::uint8_t b, bool inHex, bool allHex);

struct TLogHeader {
    std::string Compiler;
    std::string Platform;
    std::string Device;
    std::string DateTime;  // "dd/mm/yy, hh:mm:ss"
};
std::string FormatDispatchLogHeader(const TLogHeader& header);
std::string FormatDispatchLogEntry(const TLogBuffer& entry, bool inHex, bool allHex);

// The trace and log files' result for a C library error number: -3 path not found, -5 access
// denied, -4 too many open files, -150 write-protected, -101 disk write error, else -2.
std::int32_t FileErrorFromErrno(int err);

// The status subtype names shown in the dispatch log.
const char* StatusTriggerName(std::int32_t sType);

}  // namespace talvik

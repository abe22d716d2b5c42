// Trace formatting of the link: hex dumps of frames and bytes, time-stamped lines, and the
// hand-over of trace lines to the debug window (which the window installs as a sink).
#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <string_view>

namespace talvik {

// Each byte as "0x" and two upper-case hex digits; Spaced adds a blank after each group.
std::string HexDump(std::string_view S, bool Spaced);

// "yyyy-mm-dd hh:mm:ss", a blank and Text; the time alone for an empty Text.
std::string TimestampLine(std::string_view Text);
// The same for a given moment (local time).
std::string TimestampLineAt(std::time_t When, std::string_view Text);

// Lines for the debug window; dropped while no sink is installed.
using DebugWindowSink = std::function<void(const std::string&)>;
DebugWindowSink SetDebugWindowSink(DebugWindowSink Sink);
void DebugWindowAdd(const std::string& Line);

}  // namespace talvik

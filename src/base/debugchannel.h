// The debug channel: one line a call. On Windows it goes to OutputDebugStringA; natively to
// stderr. Tests replace the sink to read the lines back.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace talvik {

using DebugSink = std::function<void(std::string_view)>;

// Writes one line to the debug channel.
void DebugChannel(std::string_view line);

// Replaces the sink (an empty function restores the platform's default); returns the old one.
DebugSink SetDebugSink(DebugSink sink);

// The platform's own sink, defined in debugchannel_win32.cpp or debugchannel_native.cpp.
void PlatformDebugOut(std::string_view line);

}  // namespace talvik

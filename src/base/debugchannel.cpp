// Routing of debug-channel lines to the current sink.
#include "base/debugchannel.h"

#include <mutex>

namespace talvik {

namespace {
std::mutex& SinkLock() {
    static std::mutex m;
    return m;
}
DebugSink& CurrentSink() {
    static DebugSink s;
    return s;
}
}  // namespace

void DebugChannel(std::string_view line) {
    DebugSink sink;
    {
        std::lock_guard<std::mutex> g(SinkLock());
        sink = CurrentSink();
    }
    if (sink) sink(line);
    else PlatformDebugOut(line);
}

DebugSink SetDebugSink(DebugSink sink) {
    std::lock_guard<std::mutex> g(SinkLock());
    DebugSink old = std::move(CurrentSink());
    CurrentSink() = std::move(sink);
    return old;
}

}  // namespace talvik

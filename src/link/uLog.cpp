// Trace formatting of the link.
#include "link/uLog.h"

#include "base/format.h"

namespace talvik {

namespace {
DebugWindowSink& WindowSink() {
    static DebugWindowSink s;
    return s;
}
}  // namespace

std::string HexDump(std::string_view S, bool Spaced) {
    std::string out;
    out.reserve(S.size() * 5);
    for (char c : S) {
        out += "0x";
        out += IntToHex(static_cast<unsigned char>(c), 2);
        if (Spaced) out += ' ';
    }
    return out;
}

std::string TimestampLineAt(std::time_t When, std::string_view Text) {
    std::tm t{};
#ifdef _WIN32
    localtime_s(&t, &When);
#else
    localtime_r(&When, &t);
#endif
    std::string line = Format("%04d-%02d-%02d %02d:%02d:%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                              t.tm_hour, t.tm_min, t.tm_sec);
    if (!Text.empty()) {
        line += ' ';
        line += Text;
    }
    return line;
}

std::string TimestampLine(std::string_view Text) { return TimestampLineAt(std::time(nullptr), Text); }

DebugWindowSink SetDebugWindowSink(DebugWindowSink Sink) {
    DebugWindowSink old = std::move(WindowSink());
    WindowSink() = std::move(Sink);
    return old;
}

void DebugWindowAdd(const std::string& Line) {
    if (WindowSink()) WindowSink()(Line);
}

}  // namespace talvik

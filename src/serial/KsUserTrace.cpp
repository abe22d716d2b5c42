// The dispatcher's two diagnostic recorders: the byte trace (every byte the application sends
// and takes) and the dispatch log (the dispatcher's own events with their times), and the text
// formats in which both are written to files.
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "base/format.h"
#include "serial/KsExcept.h"
#include "serial/KsUser.h"

namespace talvik {

namespace {

const char* const kCrLf = "\r\n";

// Width of a trace item on the line.
int ItemWidth(const std::string& item) { return static_cast<int>(item.size()); }

}  // namespace

std::string TraceItem(std::uint8_t b, bool inHex, bool allHex) {
    if (allHex) return "[" + IntToHex(b, 2) + "]";
    if (b >= (inHex ? 33 : 32) && b <= 126) return std::string(1, static_cast<char>(b));
    if (inHex) return "[" + IntToHex(b, 2) + "]";
    return "[" + IntToStr(b) + "]";
}

std::string FormatTrace(const std::vector<TTraceEntry>& entries, bool inHex, bool allHex) {
    std::string out;
    bool first = true;
    char kind = 0;
    int col = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const TTraceEntry& e = entries[i];
        if (first || e.Kind != kind) {
            if (!first) {
                out += kCrLf;
                out += kCrLf;
            }
            kind = e.Kind;
            if (kind == 'T')
                out += "Transmit: ";
            else if (kind == 'R')
                out += "Receive: ";
            else
                out += std::string("Special-") + kind + ": ";
            out += kCrLf;
            col = 0;
            first = false;
        }
        const std::string item = TraceItem(e.Ch, inHex, allHex);
        const int w = ItemWidth(item);
        if (col + w > 78) {
            out += kCrLf;
            col = w;
        } else {
            col += w;
        }
        out += item;
    }
    if (!first) out += kCrLf;
    return out;
}

const char* StatusTriggerName(std::int32_t sType) {
    static const char* const names[] = {"(Not active)",        "(Modem status)",
                                        "(Line status)",       "(Output buffer free)",
                                        "(Output buffer used)", "(Output sent)"};
    if (sType < 0 || sType > 5) return "";
    return names[sType];
}

std::string FormatDispatchLogHeader(const TLogHeader& h) {
    std::string out;
    out += "KESL v4.07";
    out += kCrLf;
    out += "Compiler : " + h.Compiler.substr(0, 8) + kCrLf;
    out += "Operating System : " + h.Platform.substr(0, 80) + kCrLf;
    out += "Device: " + h.Device + kCrLf;
    out += "Date/time: " + h.DateTime + kCrLf;
    out += ErrorMsg(15501) + kCrLf;
    out += ErrorMsg(15502) + kCrLf;
    return out;
}

std::string FormatDispatchLogEntry(const TLogBuffer& e, bool inHex, bool allHex) {
    const std::string digits = Format("%07u", e.Time);
    const std::string time = digits.substr(0, digits.size() - 3) + "." + digits.substr(digits.size() - 3);
    const std::string typeName = ErrorMsg(static_cast<std::int16_t>(15001 + e.LogType));
    const std::string subName =
        e.SubType == 0 ? std::string() : ErrorMsg(static_cast<std::int16_t>(15100 + e.SubType));
    std::string out = Format("%8s  %-8s  %-12s  %08x  ", time.c_str(), typeName.c_str(),
                             subName.c_str(), e.Data);
    if (!e.Buffer.empty()) {
        if (e.SubType == 15 && (e.LogType == 5 || e.LogType == 6)) {
            out += StatusTriggerName(e.Buffer[0]);
        } else {
            int col = 45;
            const bool plain = e.LogType == 19;
            for (std::uint8_t b : e.Buffer) {
                const std::string item = plain ? std::string(1, static_cast<char>(b))
                                               : TraceItem(b, inHex, allHex);
                const int w = ItemWidth(item);
                if (col + w > 78) {
                    out += kCrLf;
                    out += std::string(44, ' ');
                    col = 45 + w;
                } else {
                    col += w;
                }
                out += item;
            }
        }
    }
    if (e.SubType == 4) {
        std::string bits;
        for (int bit = 0; bit < 8; ++bit)
            if (e.Data & (1u << bit)) bits += ErrorMsg(static_cast<std::int16_t>(15601 + bit));
        out += "(" + Trim(bits) + ")";
    }
    out += kCrLf;
    return out;
}

// ---------------------------------------------------------------- file output

// The whole text is built before the file is touched; a file that cannot be written is left
// as it was as far as the platform allows.
std::int32_t FileErrorFromErrno(int err) {
    switch (err) {
        case ENOENT:
        case ENOTDIR:
            return -3;  // creating a file fails so only when its folder is missing
        case EACCES:
        case EPERM:
        case EISDIR:
        case EBUSY:
            return -5;
        case EMFILE:
        case ENFILE:
            return -4;
        case EROFS:
            return -150;
        case ENOSPC:
        case EIO:
            return -101;
        default:
            return -2;
    }
}

std::int32_t TKslBaseDispatcher::WriteTextFile(const std::string& fileName,
                                               const std::string& text, bool append,
                                               bool& openFailed) {
    openFailed = false;
    const std::filesystem::path path(std::u8string(fileName.begin(), fileName.end()));
    errno = 0;
    std::ofstream f(path, std::ios::binary | (append ? std::ios::app : std::ios::trunc));
    if (!f) {
        openFailed = true;
        return FileErrorFromErrno(errno);
    }
    errno = 0;
    f.write(text.data(), static_cast<std::streamsize>(text.size()));
    f.close();
    if (f.fail()) return errno == EROFS ? -150 : -101;
    return 0;
}

// ---------------------------------------------------------------- trace

std::int32_t TKslBaseDispatcher::InitTracing(std::int32_t numEntries) {
    if (numEntries > 4000000 || numEntries < 0) return -1002;
    std::lock_guard<std::recursive_mutex> g(DataSection);
    if (TraceQueue.empty()) {
        TraceMax = numEntries;
        TraceIndex = 0;
        TraceWrapped = false;
        TraceQueue.assign(static_cast<std::size_t>(numEntries), {0, 0});
    } else {
        ClearTracing();
    }
    TracingOnFlag.store(!TraceQueue.empty());
    return 0;
}

void TKslBaseDispatcher::AddTraceEntry(char kind, std::uint8_t ch) {
    std::lock_guard<std::recursive_mutex> g(DataSection);
    if (TraceQueue.empty() || !TracingOnFlag.load()) return;
    TraceQueue[static_cast<std::size_t>(TraceIndex)] = {kind, static_cast<char>(ch)};
    if (++TraceIndex >= TraceMax) {
        TraceIndex = 0;
        TraceWrapped = true;
    }
}

void TKslBaseDispatcher::ClearTracing() {
    std::lock_guard<std::recursive_mutex> g(DataSection);
    TraceIndex = 0;
    TraceWrapped = false;
}

void TKslBaseDispatcher::AbortTracing() {
    std::lock_guard<std::recursive_mutex> g(DataSection);
    TracingOnFlag.store(false);
    TraceQueue.clear();
    TraceQueue.shrink_to_fit();
    TraceIndex = 0;
    TraceWrapped = false;
}

void TKslBaseDispatcher::StartTracing() {
    std::lock_guard<std::recursive_mutex> g(DataSection);
    if (!TraceQueue.empty()) TracingOnFlag.store(true);
}

void TKslBaseDispatcher::StopTracing() { TracingOnFlag.store(false); }

bool TKslBaseDispatcher::TracingOn() { return TracingOnFlag.load(); }

namespace {

bool FileExists(const std::string& name) { return ExistFile(name); }

}  // namespace

std::int32_t TKslBaseDispatcher::DumpTraceTo(const std::string& fileName, bool inHex, bool allHex,
                                             bool append) {
    std::lock_guard<std::recursive_mutex> g(DataSection);
    if (TraceQueue.empty()) return 0;
    std::vector<TTraceEntry> entries;
    auto take = [&](std::int32_t from, std::int32_t to) {
        for (std::int32_t i = from; i < to; ++i) {
            const auto& e = TraceQueue[static_cast<std::size_t>(i)];
            entries.push_back({e[0], static_cast<std::uint8_t>(e[1])});
        }
    };
    if (TraceWrapped) take(TraceIndex, TraceMax);
    take(0, TraceIndex);
    if (entries.empty()) return 0;
    bool openFailed = false;
    const std::int32_t rc = WriteTextFile(fileName, FormatTrace(entries, inHex, allHex),
                                          append && FileExists(fileName), openFailed);
    if (openFailed) {
        AbortTracing();
        return rc;
    }
    InitTracing(TraceMax);
    return rc;
}

std::int32_t TKslBaseDispatcher::DumpTrace(const std::string& fileName, bool inHex, bool allHex) {
    return DumpTraceTo(fileName, inHex, allHex, false);
}

std::int32_t TKslBaseDispatcher::AppendTrace(const std::string& fileName, bool inHex,
                                             bool allHex) {
    return DumpTraceTo(fileName, inHex, allHex, true);
}

// ---------------------------------------------------------------- dispatch log

void TKslBaseDispatcher::InitDispatchLogging(std::int32_t maxBytes) {
    DLoggingQueue.Clear();
    DLoggingMax = maxBytes;
    DLoggingOn.store(true);
}

void TKslBaseDispatcher::AddDispatchEntry(std::uint8_t logType, std::uint16_t subType,
                                          std::uint32_t data, const void* buffer,
                                          std::int32_t size) {
    if (!DLoggingOn.load()) return;
    while (DLoggingMax > 0 && DLoggingQueue.BytesBuffered() > DLoggingMax) {
        if (!DLoggingQueue.Pop()) break;
    }
    DLoggingQueue.Push(std::make_unique<TLogBuffer>(logType, subType, KsTimeGetTime() - TimeBase,
                                                    data, buffer, size));
}

void TKslBaseDispatcher::ClearDispatchLogging() { DLoggingQueue.Clear(); }

void TKslBaseDispatcher::AbortDispatchLogging() {
    DLoggingOn.store(false);
    DLoggingQueue.Clear();
}

void TKslBaseDispatcher::StartDispatchLogging() { DLoggingOn.store(true); }

void TKslBaseDispatcher::StopDispatchLogging() { DLoggingOn.store(false); }

std::int32_t TKslBaseDispatcher::DumpLogTo(const std::string& fileName, bool inHex, bool allHex,
                                           bool append) {
    std::lock_guard<std::recursive_mutex> g(DataSection);
    if (DLoggingQueue.Count() == 0) return 0;
    TLogHeader h;
    h.Compiler = "GCC";
    h.Platform = PlatformText();
    h.Device = DeviceName;
    h.DateTime = DateTimeText ? DateTimeText() : std::string();
    std::string text = FormatDispatchLogHeader(h);
    // The entries stay queued until the file has been written, so a failed write loses none.
    std::vector<std::unique_ptr<TIOBuffer>> taken;
    while (auto item = DLoggingQueue.Pop()) {
        if (auto* e = dynamic_cast<TLogBuffer*>(item.get())) text += FormatDispatchLogEntry(*e, inHex, allHex);
        taken.push_back(std::move(item));
    }
    bool openFailed = false;
    const std::int32_t rc = WriteTextFile(fileName, text, append && FileExists(fileName), openFailed);
    if (rc != 0)
        for (auto it = taken.rbegin(); it != taken.rend(); ++it) DLoggingQueue.PushFront(std::move(*it));
    return rc;
}

std::int32_t TKslBaseDispatcher::DumpDispatchLog(const std::string& fileName, bool inHex,
                                                 bool allHex) {
    return DumpLogTo(fileName, inHex, allHex, false);
}

std::int32_t TKslBaseDispatcher::AppendDispatchLog(const std::string& fileName, bool inHex,
                                                   bool allHex) {
    return DumpLogTo(fileName, inHex, allHex, true);
}

}  // namespace talvik

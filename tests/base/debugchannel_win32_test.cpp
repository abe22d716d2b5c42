// Under Wine: the default sink of the debug channel is OutputDebugStringA, whose lines reach a
// system debug monitor (as a debug viewer reads them) without a debugger; an installed sink
// replaces it.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/debugchannel.h"
#include "base/format.h"

using namespace talvik;

namespace {

// A system debug monitor of the test's own: a writer waits for "buffer ready", puts its process
// id and the line into the shared page and signals "data ready". Every program of the prefix
// writes to it while it is open, so it serves them all at once and keeps only this process's
// lines; it stays open no longer than the test needs it.
class TDebugMonitor {
public:
    TDebugMonitor() {
        bufferReady_ = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_BUFFER_READY");
        dataReady_ = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_DATA_READY");
        mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, "DBWIN_BUFFER");
        if (mapping_) view_ = static_cast<const char*>(MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 4096));
        if (!Ok()) return;
        reader_ = std::thread([this] { Serve(); });
        SetEvent(bufferReady_);
    }
    ~TDebugMonitor() {
        stop_ = true;
        if (reader_.joinable()) reader_.join();
        // A writer that found the monitor just before it closed gets the buffer and goes on.
        if (bufferReady_) SetEvent(bufferReady_);
        if (view_) UnmapViewOfFile(view_);
        for (HANDLE h : {mapping_, dataReady_, bufferReady_})
            if (h) CloseHandle(h);
    }
    bool Ok() const { return bufferReady_ && dataReady_ && view_; }
    // True once this process wrote line (within ms).
    bool Saw(const std::string& line, int ms = 5000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        do {
            {
                std::lock_guard<std::mutex> g(lock_);
                for (const auto& l : lines_)
                    if (l == line) return true;
            }
            Sleep(10);
        } while (std::chrono::steady_clock::now() < end);
        return false;
    }
    std::vector<std::string> Lines() {
        std::lock_guard<std::mutex> g(lock_);
        return lines_;
    }

private:
    void Serve() {
        while (!stop_) {
            if (WaitForSingleObject(dataReady_, 20) != WAIT_OBJECT_0) continue;
            DWORD pid = 0;
            std::memcpy(&pid, view_, sizeof pid);
            std::string line(view_ + sizeof pid, strnlen(view_ + sizeof pid, 4096 - sizeof pid));
            if (pid == GetCurrentProcessId()) {
                std::lock_guard<std::mutex> g(lock_);
                lines_.push_back(std::move(line));
            }
            SetEvent(bufferReady_);
        }
    }
    HANDLE bufferReady_ = nullptr, dataReady_ = nullptr, mapping_ = nullptr;
    const char* view_ = nullptr;
    std::thread reader_;
    std::atomic<bool> stop_{false};
    std::mutex lock_;
    std::vector<std::string> lines_;
};

}  // namespace

TEST(DebugChannelWin32, DefaultSinkReachesTheSystemDebugMonitorAndASinkReplacesIt) {
    TDebugMonitor monitor;
    ASSERT_TRUE(monitor.Ok()) << "the debug-line buffer could not be made (error " << GetLastError() << ")";
    const std::string first = "Load main " + std::to_string(GetTickCount());
    DebugChannel(first);
    EXPECT_TRUE(monitor.Saw(first)) << "the default sink's line never reached the system's debug channel";

    std::vector<std::string> taken;
    auto old = SetDebugSink([&](std::string_view l) { taken.emplace_back(l); });
    DebugChannel("to the installed sink");
    SetDebugSink(old);
    EXPECT_EQ(taken, std::vector<std::string>{"to the installed sink"});

    // Back on the default sink: this line comes, the one taken by the sink never did.
    DebugChannel("default again");
    EXPECT_TRUE(monitor.Saw("default again"));
    for (const auto& l : monitor.Lines()) EXPECT_NE(l, "to the installed sink");
}

TEST(TextWin32, Utf16MatchesTheSystemConversion) {
    std::string s = "\xE4\xB8\xAD\xE6\x96\x87 T\xC3\xA9";
    wchar_t buf[32];
    int n = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, buf, 32);
    ASSERT_GT(n, 0);
    std::u16string ours = Utf8ToUtf16(s);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(buf)), ours);
}

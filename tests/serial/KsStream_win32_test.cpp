// A long stream through the com port under Wine, read the way the regulator link reads it: a
// timer trigger of one tick takes every byte waiting with CharReady and GetChar. COM45 is the
// port, COM46 its far end, which sends many short chunks with a pause between them, each byte
// paced at the line speed, so that the reader gets them in many separate reads. A reader that
// loses one read now and then loses bytes here.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "PtyPeer.h"
#include "Win32TestWindow.h"
#include "serial/KsPort.h"
#include "serial/KsWin32.h"

using namespace talvik;
using namespace talvik::test;

namespace {

double NowMs() {
    static LARGE_INTEGER freq{};
    if (!freq.QuadPart) QueryPerformanceFrequency(&freq);
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(freq.QuadPart);
}

void WaitUntil(double atMs) {
    for (;;) {
        const double left = atMs - NowMs();
        if (left <= 0) return;
        Sleep(left > 2 ? 1 : 0);
    }
}

// The chunks: 1 to 6 bytes each, every byte value in turn, so that a lost, doubled or
// reordered byte shows; offsets[i] is where chunk i starts in the stream.
struct TStream {
    std::string Bytes;
    std::vector<std::size_t> Offsets;
    explicit TStream(int chunks) {
        std::uint32_t seed = 12345;
        for (int i = 0; i < chunks; ++i) {
            Offsets.push_back(Bytes.size());
            const int len = 1 + i * 7 % 6;
            for (int k = 0; k < len; ++k) {
                seed = seed * 1103515245u + 12345u;
                Bytes += static_cast<char>(seed >> 16);
            }
        }
        Offsets.push_back(Bytes.size());
    }
    std::size_t Chunks() const { return Offsets.size() - 1; }
    std::string Chunk(std::size_t i) const { return Bytes.substr(Offsets[i], Offsets[i + 1] - Offsets[i]); }
    std::size_t ChunkAt(std::size_t offset) const {
        std::size_t i = 0;
        while (i + 1 < Chunks() && Offsets[i + 1] <= offset) ++i;
        return i;
    }
};

// Where got first differs from sent, said in chunks.
std::string FirstDifference(const TStream& s, const std::string& got) {
    std::size_t at = 0;
    while (at < got.size() && at < s.Bytes.size() && got[at] == s.Bytes[at]) ++at;
    if (at == s.Bytes.size() && got.size() == at) return "none";
    const std::size_t chunk = s.ChunkAt(at);
    return "byte " + std::to_string(at) + " of " + std::to_string(s.Bytes.size()) + " (chunk " +
           std::to_string(chunk) + " of " + std::to_string(s.Chunks()) + "); " + std::to_string(got.size()) +
           " bytes came";
}

struct TStreamCase {
    std::uint32_t Baud;
    int Chunks;
};

void PrintTo(const TStreamCase& c, std::ostream* os) { *os << c.Chunks << " chunks at " << c.Baud << " baud"; }

class ComPortStream : public ::testing::TestWithParam<TStreamCase> {};

}  // namespace

TEST_P(ComPortStream, EveryByteOfManySeparateChunksArrivesInOrder) {
    const TStreamCase c = GetParam();
    const TStream stream(c.Chunks);
    TKslComPort p;
    p.SetAutoOpen(false);
    p.SetComNumber(45);
    p.SetBaud(static_cast<std::int32_t>(c.Baud));
    std::string got;
    std::uint16_t tick = 0;
    p.OnTriggerTimer = [&](TKslComPortOps*, std::uint16_t h) {
        while (p.CharReady()) got += p.GetChar();
        p.SetTimerTrigger(h, 1, true);
    };
    p.SetOpen(true);
    ASSERT_TRUE(p.GetOpen());
    auto* d = dynamic_cast<TKslWin32Dispatcher*>(p.Dispatcher());
    ASSERT_NE(d, nullptr);
    TPeer peer(46);
    ASSERT_TRUE(peer.Ok());
    tick = p.AddTimerTrigger();
    p.SetTimerTrigger(tick, 1, true);
    const std::uint32_t readsBefore = d->ReadsStarted();

    // Ten bit times a byte; between chunks a pause of 8 to 28 ms, longer than the reader waits
    // after a byte before it hands over what came.
    const double byteMs = 10000.0 / c.Baud;
    std::atomic<bool> sent{false};
    std::thread sender([&] {
        double at = NowMs();
        for (std::size_t i = 0; i < stream.Chunks(); ++i) {
            for (char b : stream.Chunk(i)) {
                WaitUntil(at);
                peer.Send(std::string(1, b));
                // A late byte does not make the next one early: pauses stay pauses.
                at = std::max(at, NowMs()) + byteMs;
            }
            at += 8 + static_cast<double>(i * 13 % 21);
        }
        sent = true;
    });
    // Once everything is sent, a second more for what is still on its way.
    TTestWindow::PumpUntil([&] { return got.size() >= stream.Bytes.size() || sent.load(); }, 30000);
    TTestWindow::PumpUntil([&] { return got.size() >= stream.Bytes.size(); }, 1000);
    sender.join();

    EXPECT_EQ(got.size(), stream.Bytes.size());
    EXPECT_TRUE(got == stream.Bytes) << "first difference at " << FirstDifference(stream, got);
    // The stream came in about as many reads as it has chunks, or more (a loaded machine may
    // join a few): a reader that lost one read in a few dozen would have lost bytes of it.
    const std::uint32_t reads = d->ReadsStarted() - readsBefore;
    std::printf("%zu chunks, %zu bytes, %u reads\n", stream.Chunks(), stream.Bytes.size(), reads);
    EXPECT_GE(reads, stream.Chunks() * 2 / 3) << "the chunks were not read separately";
    EXPECT_TRUE(sent.load());
    p.SetOpen(false);
}

INSTANTIATE_TEST_SUITE_P(LineSpeeds, ComPortStream,
                         ::testing::Values(TStreamCase{9600, 150}, TStreamCase{2400, 120}),
                         [](const ::testing::TestParamInfo<TStreamCase>& i) {
                             return "Baud" + std::to_string(i.param.Baud);
                         });

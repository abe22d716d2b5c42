// The Win32 device layer on a real (pseudo-terminal) serial line under Wine: COM31 is opened
// by the dispatcher, COM32 is the far end, driven with plain calls.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "PtyPeer.h"
#include "Win32TestWindow.h"
#include "serial/KsExcept.h"
#include "serial/KsMiscWin32.h"
#include "serial/KsWin32.h"

using namespace talvik;
using namespace talvik::test;

namespace {


std::int32_t Open(TKslWin32Dispatcher& d, TTestWindow& w) {
    std::int32_t rc = d.OpenPort("\\\\.\\COM31", 9600, 0, 8, 1, 4096, 4096, 3);
    if (rc == 0) {
        d.RegisterWndTriggerHandler(reinterpret_cast<std::uintptr_t>(w.Handle));
        d.UpdateHandlerFlags(1);
    }
    return rc;
}

}  // namespace

TEST(Win32Device, BytesCrossTheLineBothWaysAndArriveAsEventsOnTheWindowThread) {
    TKslWin32Dispatcher d(nullptr);
    TTestWindow w(&d);
    ASSERT_EQ(Open(d, w), 0);
    TPeer peer("\\\\.\\COM32");
    ASSERT_TRUE(peer.Ok());

    ASSERT_EQ(d.PutBlock("AT\r", 3), 0);
    EXPECT_EQ(peer.Receive(3), "AT\r");

    d.SetLenTrigger(1);
    std::string got;
    w.OnMessage = [&](const TWinMsg& m) {
        if (m.Msg != MsgTriggerAvail) return;
        std::uint8_t c;
        while (d.GetChar(c) == 0) got += static_cast<char>(c);
    };
    peer.Send("OK\r\n");
    ASSERT_TRUE(TTestWindow::PumpUntil([&] { return got.size() >= 4; }));
    EXPECT_EQ(got, "OK\r\n");
    EXPECT_EQ(w.Got.front().Thread, GetCurrentThreadId());
    EXPECT_EQ(static_cast<std::int32_t>(w.Got.front().LParam >> 16), d.Handle);
}

TEST(Win32Device, ATimerTriggerFiresOnTheWindowThreadAndCanBeReArmedThere) {
    TKslWin32Dispatcher d(nullptr);
    TTestWindow w(&d);
    ASSERT_EQ(Open(d, w), 0);
    const std::int32_t h = d.AddTimerTrigger();
    int fired = 0;
    w.OnMessage = [&](const TWinMsg& m) {
        if (m.Msg != MsgTriggerTimer) return;
        EXPECT_EQ(m.WParam, static_cast<WPARAM>(h));
        if (++fired < 3) {
            EXPECT_EQ(d.SetTimerTrigger(h, 1, true), 0);
        }
    };
    ASSERT_EQ(d.SetTimerTrigger(h, 1, true), 0);
    ASSERT_TRUE(TTestWindow::PumpUntil([&] { return fired == 3; }));
    TTestWindow::PumpFor(300);
    EXPECT_EQ(fired, 3);
    for (const auto& m : w.Got) EXPECT_EQ(m.Thread, GetCurrentThreadId());
}

// A block of letters from `first` on, over and over.
static std::string Letters(int count, char first) {
    std::string block;
    for (int i = 0; i < count; ++i) block += static_cast<char>(first + i % 26);
    return block;
}

// What the port hands over until `count` bytes came (or the wait ran out).
static std::string ReceiveAll(TKslWin32Dispatcher& d, std::size_t count) {
    std::string got;
    TTestWindow::PumpUntil([&] {
        std::uint8_t c;
        while (d.GetChar(c) == 0) got += static_cast<char>(c);
        return got.size() >= count;
    });
    return got;
}

TEST(Win32Device, LargeBlocksArriveWholeAndInOrder) {
    TKslWin32Dispatcher d(nullptr);
    TTestWindow w(&d);
    ASSERT_EQ(Open(d, w), 0);
    TPeer peer("\\\\.\\COM32");
    const std::string block = Letters(3000, 'A');
    ASSERT_EQ(d.PutBlock(block.data(), static_cast<std::uint32_t>(block.size())), 0);
    EXPECT_EQ(peer.Receive(block.size()), block);
    peer.Send(block);
    EXPECT_EQ(ReceiveAll(d, block.size()), block);
}

TEST(Win32Device, CloseWithAReadPendingEndsEveryThreadAndThePortOpensAgain) {
    for (int round = 0; round < 3; ++round) {
        TKslWin32Dispatcher d(nullptr);
        TTestWindow w(&d);
        ASSERT_EQ(Open(d, w), 0) << round;
        EXPECT_EQ(d.ActiveThreads.load(), 4);
        const std::int32_t h = d.AddTimerTrigger();
        d.SetTimerTrigger(h, 1, true);
        TTestWindow::PumpFor(100);
        d.DonePort();
        EXPECT_EQ(d.ActiveThreads.load(), 0);
        EXPECT_FALSE(d.DispatcherStarted.load());
        EXPECT_EQ(d.CidEx.load(), -1);
    }
}

TEST(Win32Device, ADeviceThatRefusesLineEventsIsReportedWhenACarrierWatchIsArmed) {
    // Wine cannot watch the modem lines of a bare pseudo-terminal: the mask is refused.
    TKslWin32Dispatcher d(nullptr);
    TTestWindow w(&d);
    d.DeviceName = "COM31";
    ASSERT_EQ(Open(d, w), 0);
    TakeThreadErrorReports();
    const std::int32_t h = d.AddStatusTrigger(stModem);
    TTestWindow::PumpFor(300);
    EXPECT_TRUE(TakeThreadErrorReports().empty());  // nothing asked of the device yet
    ASSERT_EQ(d.SetStatusTrigger(h, msDCD, true), 0);
    std::vector<std::string> reports;
    ASSERT_TRUE(TTestWindow::PumpUntil([&] {
        for (auto& m : TakeThreadErrorReports()) reports.push_back(m);
        return !reports.empty();
    }));
    EXPECT_EQ(reports[0], "COM31: the serial device does not report modem line changes; the lines are "
                          "read every 50 ms instead.");
    // Told once; the port goes on working.
    ASSERT_EQ(d.SetStatusTrigger(h, msDCD, true), 0);
    TTestWindow::PumpFor(300);
    EXPECT_TRUE(TakeThreadErrorReports().empty());
    ASSERT_EQ(d.PutBlock("A", 1), 0);
}

// A device whose reads keep ending with a time-out (Wine ends a pending read so whenever its
// time-out runs, here a total time-out of a few milliseconds): a read that ends so without bytes
// is an empty read like any other, and the reader pauses before the next one (50 ms, which a
// flush cuts short) instead of reading again at once; one that ends so with bytes hands them
// over. The bound on the reads follows from that pause alone, so a slow machine only lowers the
// count; a reader that reads again at once starts one read every few milliseconds.
TEST(Win32Device, ReadsThatEndWithATimeOutPauseTheReaderAndKeepTheirBytes) {
    TKslWin32Dispatcher d(nullptr);
    TTestWindow w(&d);
    ASSERT_EQ(Open(d, w), 0);
    TPeer peer("\\\\.\\COM32");
    ASSERT_TRUE(peer.Ok());
    COMMTIMEOUTS to{};
    to.ReadIntervalTimeout = 2;
    to.ReadTotalTimeoutConstant = 5;
    ASSERT_TRUE(SetCommTimeouts(d.ComHandle(), &to));
    d.FlushInBuffer();  // the reader's next read runs under these time-outs

    const std::uint32_t before = d.ReadsStarted();
    const DWORD start = GetTickCount();
    TTestWindow::PumpFor(1000);
    const std::uint32_t reads = d.ReadsStarted() - before;
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_LE(reads, elapsed / 40 + 2) << reads << " reads in " << elapsed << " ms";

    const std::string block = Letters(3000, 'a');
    peer.Send(block);
    EXPECT_EQ(ReceiveAll(d, block.size()), block);
}

TEST(Win32Device, FlushOutputReturnsAndEmptiesTheBuffer) {
    TKslWin32Dispatcher d(nullptr);
    TTestWindow w(&d);
    ASSERT_EQ(Open(d, w), 0);
    std::string block(2000, 'x');
    d.PutBlock(block.data(), 2000);
    EXPECT_EQ(d.FlushOutBuffer(), 0);
    EXPECT_EQ(d.OutBuffUsed(), 0u);
    EXPECT_EQ(d.PutBlock("A", 1), 0);
}

TEST(Win32Device, AMissingPortGivesThePlatformErrorAndLeavesNothingRunning) {
    TKslWin32Dispatcher d(nullptr);
    const std::int32_t rc = d.OpenPort("\\\\.\\COM39", 9600, 0, 8, 1, 4096, 4096, 3);
    EXPECT_TRUE(rc == -2 || rc == -3) << rc;
    EXPECT_FALSE(d.DispatcherStarted.load());
    EXPECT_EQ(d.ActiveThreads.load(), 0);
}

TEST(Win32Misc, SafeYieldLeavesAQuitMessageForTheMainLoop) {
    PostQuitMessage(3);
    EXPECT_NE(SafeYield(), 0);
    MSG m;
    ASSERT_TRUE(PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(m.wParam, 3u);
    EXPECT_EQ(SafeYield(), 0);
}

TEST(Win32Misc, CodesWithoutATextOfTheirOwnTakeThePlatformText) {
    const std::string platform = CleanSystemText(SystemErrorText(7));
    ASSERT_FALSE(platform.empty());
    EXPECT_EQ(ErrorText(7), ErrorMsg(7).empty() ? platform : ErrorMsg(7));
    try {
        CheckException(nullptr, -7);
        ADD_FAILURE();
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.ErrorCode, 7);
        EXPECT_EQ(e.Message(), platform);
    }
    // An empty table entry falls back too; the text is one line.
    const std::string t = ErrorText(4200);
    EXPECT_EQ(t.find('\n'), std::string::npos);
    EXPECT_EQ(ErrorText(-2), "File not found");
}

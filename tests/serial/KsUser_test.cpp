// The dispatcher on an in-memory device: trigger bookkeeping, event delivery to the window,
// the input ring, output, line settings, and the faults of closing and of a failed device.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "FakeDispatcher.h"
#include "serial/KsExcept.h"

using namespace talvik;
using namespace talvik::test;

namespace {

struct ClockGuard {
    ClockGuard() {
        FakeMs().store(100000 * 55);
        SetKsClock(&FakeClock);
    }
    ~ClockGuard() { SetKsClock(nullptr); }
    void AdvanceTicks(int n) { FakeMs().fetch_add(static_cast<std::uint32_t>(n * 55)); }
};

std::vector<std::uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

}  // namespace

TEST(Triggers, FreshHandlesAreMultiplesOfEightAndStatusHandlesCarryTheSubtype) {
    TFakeDispatcher d;
    ASSERT_EQ(OpenFake(d), 0);
    EXPECT_EQ(d.AddStatusTrigger(stModem), 9);
    EXPECT_EQ(d.AddTimerTrigger(), 16);
    EXPECT_EQ(d.AddTimerTrigger(), 24);
    EXPECT_EQ(d.AddStatusTrigger(6), -1002);
    EXPECT_EQ(TKslBaseDispatcher::StatusSubtype(9), 1);
}

TEST(Triggers, SetAndRemoveRefuseHandlesOfNoTriggerOrTheWrongKind) {
    TFakeDispatcher d;
    ASSERT_EQ(OpenFake(d), 0);
    const std::int32_t timer = d.AddTimerTrigger();
    const std::int32_t status = d.AddStatusTrigger(stOutSent);
    EXPECT_EQ(d.SetStatusTrigger(timer, 0, true), -5003);
    EXPECT_EQ(d.SetTimerTrigger(status, 1, true), -5003);
    EXPECT_EQ(d.SetTimerTrigger(0, 1, true), -5003);
    EXPECT_EQ(d.RemoveTrigger(0), -5003);
    EXPECT_EQ(d.RemoveTrigger(1), 0);
    EXPECT_EQ(d.RemoveTrigger(timer), 0);
    EXPECT_EQ(d.RemoveTrigger(timer), -5003);
    EXPECT_EQ(d.SetTimerTrigger(timer, 1, true), -5003);
}

TEST(Triggers, HandlesStayUniqueAcrossAReopenWithRestoredTriggers) {
    TriggerSave save;
    std::int32_t a, b;
    {
        TFakeDispatcher d;
        ASSERT_EQ(OpenFake(d), 0);
        a = d.AddTimerTrigger();
        b = d.AddStatusTrigger(stModem);
        d.SaveTriggers(save);
    }
    TFakeDispatcher d2;
    ASSERT_EQ(OpenFake(d2), 0);
    d2.RestoreTriggers(save);
    const std::int32_t c = d2.AddTimerTrigger();
    const std::int32_t s = d2.AddStatusTrigger(stLine);
    EXPECT_NE(c, a);
    EXPECT_NE(c & ~7, b & ~7);
    EXPECT_NE(s & ~7, a);
    EXPECT_NE(s & ~7, b & ~7);
    // Each handle still reaches its own trigger.
    EXPECT_EQ(d2.SetTimerTrigger(a, 3, true), 0);
    EXPECT_EQ(d2.SetTimerTrigger(c, 3, true), 0);
    EXPECT_EQ(d2.RemoveTrigger(a), 0);
    EXPECT_EQ(d2.SetTimerTrigger(c, 3, true), 0);
}

TEST(Triggers, ATriggerRemovedFromTheSavedSetDoesNotComeBack) {
    TriggerSave save;
    std::int32_t a;
    {
        TFakeDispatcher d;
        ASSERT_EQ(OpenFake(d), 0);
        a = d.AddTimerTrigger();
        d.AddTimerTrigger();
        d.SaveTriggers(save);
    }
    EXPECT_TRUE(TKslBaseDispatcher::RemoveSavedTrigger(save, a));
    EXPECT_FALSE(TKslBaseDispatcher::RemoveSavedTrigger(save, a));
    TFakeDispatcher d2;
    ASSERT_EQ(OpenFake(d2), 0);
    d2.RestoreTriggers(save);
    EXPECT_EQ(d2.SetTimerTrigger(a, 1, true), -5003);
    EXPECT_NE(d2.AddTimerTrigger(), a);
}

TEST(TimerTriggers, FireOnceAsAMessageToTheWindowWhenTheirTicksHaveRunSinceTheArming) {
    ClockGuard clock;
    // Armed 1 ms into a tick: the span counts from the arming, not from the tick's start or
    // end, so two ticks are 110 ms from here whatever the clock's tick boundaries.
    FakeMs().fetch_add(1);
    TFakeDispatcher d;
    ASSERT_EQ(OpenFake(d), 0);
    const std::int32_t h = d.AddTimerTrigger();
    ASSERT_EQ(d.SetTimerTrigger(h, 2, true), 0);
    FakeMs().fetch_add(110);  // 110 ms on the clock may be 109.x ms really: not yet
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    while (d.PumpOne()) {
    }
    EXPECT_EQ(d.CountDelivered(MsgTriggerTimer), 0);
    FakeMs().fetch_add(1);
    ASSERT_TRUE(d.PumpUntil([&] { return d.CountDelivered(MsgTriggerTimer) == 1; }));
    const TDelivered m = d.Delivered.back();
    EXPECT_EQ(m.WParam, static_cast<std::uint32_t>(h));
    EXPECT_EQ(m.LParam >> 16, d.Handle);
    EXPECT_EQ(m.LParam & 0xFFFF, 0);
    clock.AdvanceTicks(10);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    while (d.PumpOne()) {
    }
    EXPECT_EQ(d.CountDelivered(MsgTriggerTimer), 1);  // one-shot
}

TEST(TimerTriggers, TheDispatcherSleepsExactlyUntilTheFirstArmedTriggerIsDue) {
    ClockGuard clock;
    FakeMs().fetch_add(30);
    TFakeDispatcher d;
    ASSERT_EQ(OpenFake(d), 0);
    // The port's own thread fires a trigger as soon as the clock says it is due; the test holds
    // the trigger lists so that it reads the wait before anything fires.
    std::unique_lock<std::recursive_mutex> hold(d.DataSection);
    EXPECT_EQ(d.MsUntilNextTimer(50), 50);  // nothing armed: the longest wait
    const std::int32_t a = d.AddTimerTrigger();
    const std::int32_t b = d.AddTimerTrigger();
    d.SetTimerTrigger(a, 6, true);
    FakeMs().fetch_add(20);
    d.SetTimerTrigger(b, 1, true);
    EXPECT_EQ(d.MsUntilNextTimer(1000), 56);  // b: 55 ms from its arming, then 1 ms more
    FakeMs().fetch_add(56);
    EXPECT_EQ(d.MsUntilNextTimer(1000), 0);
    d.SetTimerTrigger(b, 0, false);
    EXPECT_EQ(d.MsUntilNextTimer(1000), 6 * 55 + 1 - 76);
    // Across the millisecond clock's wrap.
    FakeMs().store(0xFFFFFFF0u);
    d.SetTimerTrigger(a, 1, true);
    FakeMs().store(0x10);
    EXPECT_EQ(d.MsUntilNextTimer(1000), 56 - 0x20);
    FakeMs().store(0x28);
    EXPECT_EQ(d.MsUntilNextTimer(1000), 0);
    hold.unlock();
}

TEST(TimerTriggers, ASpanArmedBehindASendCountsFromWhenTheDeviceTookTheFrame) {
    // A device layer that hands output over later, as the Win32 writer thread does.
    struct LateWriter : TFakeDispatcher {
        bool HandsOverLater() override { return true; }
    };
    ClockGuard clock;
    LateWriter d;
    ASSERT_EQ(OpenFake(d), 0);
    const std::int32_t h = d.AddTimerTrigger();
    ASSERT_EQ(d.PutBlock("F1", 2), 0);
    d.SetTimerTrigger(h, 2, true);
    FakeMs().fetch_add(4);  // the writer gets the frame out 4 ms later
    d.OutputHandedOver(d.OutputQueuedSeq());
    EXPECT_EQ(d.MsUntilNextTimer(1000), OutputGuardMs + 111);
    // A trigger armed with nothing on its way counts from its arming.
    d.SetTimerTrigger(h, 2, true);
    FakeMs().fetch_add(4);
    EXPECT_EQ(d.MsUntilNextTimer(1000), 107);
    // Output the device never takes does not hold the trigger past its window's end.
    ASSERT_EQ(d.PutBlock("F2", 2), 0);
    d.SetTimerTrigger(h, 2, true);
    EXPECT_EQ(d.MsUntilNextTimer(1000), 3 * 55 + 1);
}

TEST(TimerTriggers, TwoDueTogetherFireInTheOrderTheyWereAdded) {
    ClockGuard clock;
    TFakeDispatcher d;
    ASSERT_EQ(OpenFake(d), 0);
    const std::int32_t a = d.AddTimerTrigger();
    const std::int32_t b = d.AddTimerTrigger();
    d.SetTimerTrigger(b, 1, true);
    d.SetTimerTrigger(a, 1, true);
    clock.AdvanceTicks(5);
    ASSERT_TRUE(d.PumpUntil([&] { return d.CountDelivered(MsgTriggerTimer) == 2; }));
    EXPECT_EQ(d.Delivered[0].WParam, static_cast<std::uint32_t>(a));
    EXPECT_EQ(d.Delivered[1].WParam, static_cast<std::uint32_t>(b));
}

TEST(TimerTriggers, AHandlerThatReArmsFromTheWindowThreadRunsEveryStep) {
    // The window's thread takes the dispatcher's lock to re-arm while the dispatcher thread
    // waits for its answer; holding the lock across the delivery would deadlock here.
    ClockGuard clock;
    TFakeDispatcher d;
    ASSERT_EQ(OpenFake(d), 0);
    const std::int32_t h = d.AddTimerTrigger();
    int steps = 0;
    d.OnMessage = [&](const TDelivered& m) {
        if (m.Msg != MsgTriggerTimer) return;
        ++steps;
        EXPECT_EQ(d.SetTimerTrigger(h, 1, true), 0);
        EXPECT_EQ(d.PutBlock("x", 1), 0);
        clock.AdvanceTicks(2);
    };
    d.SetTimerTrigger(h, 1, true);
    clock.AdvanceTicks(2);
    ASSERT_TRUE(d.PumpUntil([&] { return steps >= 5; }));
    EXPECT_EQ(d.WireBytes().size(), static_cast<std::size_t>(steps));
}

TEST(TimerTriggers, AnEventTheWindowNeverGotIsDeliveredLaterNotLost) {
    ClockGuard clock;
    TFakeDispatcher d;
    ASSERT_EQ(OpenFake(d), 0);
    d.SendTimeoutMs = 100;  // the window thread is busy for longer than the sender waits
    const std::int32_t h = d.AddTimerTrigger();
    d.SetTimerTrigger(h, 1, true);
    clock.AdvanceTicks(3);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));  // nobody pumps meanwhile
    ASSERT_TRUE(d.PumpUntil([&] { return d.CountDelivered(MsgTriggerTimer) >= 1; }));
    EXPECT_EQ(d.Delivered.front().WParam, static_cast<std::uint32_t>(h));
    // Delivered once it got through, and not again after that.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    while (d.PumpOne()) {
    }
    EXPECT_EQ(d.CountDelivered(MsgTriggerTimer), 1);
}

TEST(TimerTriggers, NothingIsDeliveredWithoutAnAssignedPortHandler) {
    ClockGuard clock;
    TFakeDispatcher d;
    ASSERT_EQ(d.OpenPort("COM1", 9600, 0, 8, 1, 4096, 4096, 3), 0);
    d.RegisterWndTriggerHandler(1);
    const std::int32_t h = d.AddTimerTrigger();
    d.SetTimerTrigger(h, 1, true);
    clock.AdvanceTicks(3);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    while (d.PumpOne()) {
    }
    EXPECT_EQ(d.CountDelivered(MsgTriggerTimer), 0);
}

TEST(StatusTriggers, CarrierWatchFiresOnceOnAChangeUntilReArmed) {
    TFakeDispatcher d;
    ASSERT_EQ(OpenFake(d), 0);
    const std::int32_t h = d.AddStatusTrigger(stModem);
    ASSERT_EQ(d.SetStatusTrigger(h, msDCD, true), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    while (d.PumpOne()) {
    }
    EXPECT_EQ(d.CountDelivered(MsgTriggerStatus), 0);
    d.Lines.store(msDCD);
    d.PushStatus(evRLSD);
    ASSERT_TRUE(d.PumpUntil([&] { return d.CountDelivered(MsgTriggerStatus) == 1; }));
    EXPECT_EQ(d.Delivered.back().WParam, static_cast<std::uint32_t>(h));
    d.Lines.store(0);
    d.PushStatus(evRLSD);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    while (d.PumpOne()) {
    }
    EXPECT_EQ(d.CountDelivered(MsgTriggerStatus), 1);
    EXPECT_TRUE((d.GetModemStatus() & msDCD) == 0);
    ASSERT_EQ(d.SetStatusTrigger(h, msDCD, true), 0);  // armed with carrier low
    d.Lines.store(msDCD);
    d.PushStatus(evRLSD);
    ASSERT_TRUE(d.PumpUntil([&] { return d.CountDelivered(MsgTriggerStatus) == 2; }));
    EXPECT_TRUE(d.CheckDCD());
}

TEST(StatusTriggers, ACarrierChangeTheWindowNeverGotIsDeliveredLaterNotLost) {
    TFakeDispatcher d;
    ASSERT_EQ(OpenFake(d), 0);
    d.SendTimeoutMs = 100;  // the window thread is busy for longer than the sender waits
    const std::int32_t h = d.AddStatusTrigger(stModem);
    d.Lines.store(msDCD);
    ASSERT_TRUE(d.GetModemStatus() & msDCD);
    ASSERT_EQ(d.SetStatusTrigger(h, msDCD, true), 0);  // armed while the call is up
    d.Lines.store(0);
    d.PushStatus(evRLSD);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));  // nobody pumps meanwhile
    ASSERT_TRUE(d.PumpUntil([&] { return d.CountDelivered(MsgTriggerStatus) >= 1; }));
    EXPECT_EQ(d.Delivered.front().WParam, static_cast<std::uint32_t>(h));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    while (d.PumpOne()) {
    }
    EXPECT_EQ(d.CountDelivered(MsgTriggerStatus), 1);
}

TEST(StatusTriggers, TheDeviceIsAskedForLineEventsOnlyWhileATriggerNeedsThem) {
    TFakeDispatcher d;
    ASSERT_EQ(OpenFake(d), 0);
    EXPECT_EQ(d.WantedEventMask(), 0u);
    const std::int32_t modem = d.AddStatusTrigger(stModem);
    const std::int32_t line = d.AddStatusTrigger(stLine);
    const std::int32_t sent = d.AddStatusTrigger(stOutSent);
    d.SetStatusTrigger(sent, 0, true);
    EXPECT_EQ(d.WantedEventMask(), 0u);  // added and output triggers watch no line
    d.SetStatusTrigger(modem, msDCD, true);
    EXPECT_EQ(d.WantedEventMask(), evCTS | evDSR | evRLSD | evRing);
    d.SetStatusTrigger(line, 1, true);
    EXPECT_EQ(d.WantedEventMask(), evCTS | evDSR | evRLSD | evRing | evBreak | evErr);
    d.SetStatusTrigger(line, 0, false);
    // The carrier trigger is one-shot: once it has fired nothing is watched any more.
    d.Lines.store(msDCD);
    d.PushStatus(evRLSD);
    ASSERT_TRUE(d.PumpUntil([&] {
        for (const auto& m : d.Delivered)
            if (m.WParam == static_cast<std::uint32_t>(modem)) return true;
        return false;
    }));
    EXPECT_EQ(d.WantedEventMask(), 0u);
    d.SetStatusTrigger(modem, msDCD, true);
    EXPECT_NE(d.WantedEventMask(), 0u);
    d.RemoveTrigger(modem);
    EXPECT_EQ(d.WantedEventMask(), 0u);
}

TEST(StatusTriggers, OutputSentFiresAfterABlockIsQueued) {
    TFakeDispatcher d;
    ASSERT_EQ(OpenFake(d), 0);
    const std::int32_t h = d.AddStatusTrigger(stOutSent);
    d.SetStatusTrigger(h, 0, true);
    ASSERT_EQ(d.PutBlock("AT\r", 3), 0);
    ASSERT_TRUE(d.PumpUntil([&] { return d.CountDelivered(MsgTriggerStatus) == 1; }));
    EXPECT_EQ(d.Delivered.back().WParam, static_cast<std::uint32_t>(h));
}

TEST(DataAvailable, AHandlerThatReadsPartOfTheBytesLeavesTheRestWithoutANewEvent) {
    TFakeDispatcher d;
    ASSERT_EQ(OpenFake(d), 0);
    d.SetLenTrigger(1);
    std::string got;
    int reads = 3;
    d.OnMessage = [&](const TDelivered& m) {
        if (m.Msg != MsgTriggerAvail) return;
        EXPECT_EQ(d.InBuffUsed(), m.WParam);
        for (int i = 0; i < reads; ++i) {
            std::uint8_t c;
            ASSERT_EQ(d.GetChar(c), 0);
            got += static_cast<char>(c);
        }
    };
    d.Receive(Bytes("HELLO"));
    ASSERT_TRUE(d.PumpUntil([&] { return d.CountDelivered(MsgTriggerAvail) == 1; }));
    EXPECT_EQ(d.Delivered.back().WParam, 5u);
    EXPECT_EQ(got, "HEL");
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    while (d.PumpOne()) {
    }
    EXPECT_EQ(d.CountDelivered(MsgTriggerAvail), 1);
    EXPECT_EQ(d.InBuffUsed(), 2u);
    reads = 4;
    d.Receive(Bytes("AB"));
    ASSERT_TRUE(d.PumpUntil([&] { return d.CountDelivered(MsgTriggerAvail) == 2; }));
    EXPECT_EQ(d.Delivered.back().WParam, 4u);
    EXPECT_EQ(got, "HELLOAB");
    EXPECT_EQ(d.InBuffUsed(), 0u);
    EXPECT_FALSE(d.CharReady());
}

TEST(DataAvailable, RemovingTheThresholdStopsTheEvents) {
    TFakeDispatcher d;
    ASSERT_EQ(OpenFake(d), 0);
    d.SetLenTrigger(1);
    EXPECT_EQ(d.RemoveTrigger(1), 0);
    d.Receive(Bytes("OK"));
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    while (d.PumpOne()) {
    }
    EXPECT_EQ(d.CountDelivered(MsgTriggerAvail), 0);
    EXPECT_EQ(d.InBuffUsed(), 2u);
}

TEST(InputRing, BytesBeyondAFullRingWaitInTheQueueAndTheThreadDoesNotSpin) {
    TFakeDispatcher d;
    ASSERT_EQ(OpenFake(d), 0);
    std::vector<std::uint8_t> data(DispatchBufferSize + 300);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7);
    d.Receive(data);
    ASSERT_TRUE(d.PumpUntil([&] { return d.InBuffUsed() == DispatchBufferSize; }));
    const int looks = d.QueueLooks.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    // A spinning dispatcher looks thousands of times in 300 ms; a waiting one a few times.
    EXPECT_LT(d.QueueLooks.load() - looks, 30);
    std::vector<std::uint8_t> got;
    ASSERT_TRUE(d.PumpUntil([&] {
        std::uint8_t c;
        while (d.GetChar(c) == 0) got.push_back(c);
        return got.size() == data.size();
    }));
    EXPECT_EQ(got, data);
}

TEST(InputRing, ABlockReadBeforeAFlushDoesNotEnterTheRingAfterIt) {
    TFakeDispatcher d;
    ASSERT_EQ(OpenFake(d), 0);
    // The reader took these bytes off the device, then the application flushed.
    const std::uint32_t generation = d.FlushGeneration();
    auto stale = std::make_unique<TDataBuffer>(256);
    stale->BytesUsed = 3;
    std::copy_n("OLD", 3, stale->Data.begin());
    d.FlushInBuffer();
    EXPECT_FALSE(d.PushReceived(std::move(stale), generation));
    // What the reader takes after the flush is the reply.
    auto fresh = std::make_unique<TDataBuffer>(256);
    fresh->BytesUsed = 2;
    std::copy_n("OK", 2, fresh->Data.begin());
    EXPECT_TRUE(d.PushReceived(std::move(fresh), d.FlushGeneration()));
    ASSERT_TRUE(d.PumpUntil([&] { return d.InBuffUsed() == 2; }));
    std::uint8_t c;
    ASSERT_EQ(d.GetChar(c), 0);
    EXPECT_EQ(c, 'O');
    ASSERT_EQ(d.GetChar(c), 0);
    EXPECT_EQ(c, 'K');
    EXPECT_FALSE(d.CharReady());
}

TEST(InputRing, AFailedReadTakesNothingAndMovesNothing) {
    TFakeDispatcher d;
    ASSERT_EQ(OpenFake(d), 0);
    d.ReadFailures.store(1);
    d.Receive(Bytes("OK"));
    ASSERT_TRUE(d.PumpUntil([&] { return d.InBuffUsed() == 2; }));
    std::uint8_t a, b, c;
    EXPECT_EQ(d.GetChar(a), 0);
    EXPECT_EQ(d.GetChar(b), 0);
    EXPECT_EQ(d.GetChar(c), -3007);
    EXPECT_EQ(std::string({char(a), char(b)}), "OK");
}

TEST(InputRing, PeekAndFlushOfTheRing) {
    TFakeDispatcher d;
    ASSERT_EQ(OpenFake(d), 0);
    d.Receive(Bytes("ABC"));
    ASSERT_TRUE(d.PumpUntil([&] { return d.InBuffUsed() == 3; }));
    std::uint8_t c;
    EXPECT_EQ(d.PeekChar(c, 3), 0);
    EXPECT_EQ(c, 'C');
    EXPECT_EQ(d.PeekChar(c, 4), -3007);
    d.FlushInBuffer();
    EXPECT_FALSE(d.CharReady());
    EXPECT_EQ(d.GetChar(c), -3007);
}

TEST(Output, ExactlyTheFreeRoomFitsAndOneMoreQueuesNothing) {
    TFakeDispatcher d;
    d.AutoDrain = false;
    ASSERT_EQ(d.OpenPort("COM1", 9600, 0, 8, 1, 4096, 16, 3), 0);
    std::vector<std::uint8_t> block(16, 'x');
    EXPECT_EQ(d.PutBlock(block.data(), 16), 0);
    EXPECT_TRUE(d.OutBuffFull);
    EXPECT_EQ(d.OutBuffFree(), 0u);
    EXPECT_EQ(d.PutBlock("y", 1), -3006);
    EXPECT_EQ(d.OutBuffUsed(), 16u);
    d.FlushOutBuffer();
    EXPECT_EQ(d.OutBuffUsed(), 0u);
}

TEST(Output, AShortWriteFailsAndTracesOnlyWhatWasTaken) {
    TFakeDispatcher d;
    ASSERT_EQ(OpenFake(d), 0);
    d.InitTracing(100);
    d.ShortWrite = 2;
    EXPECT_EQ(d.PutBlock("ABCD", 4), -3004);
    EXPECT_EQ(d.TraceIndex, 2);
    d.ShortWrite = -5;  // a device that reports an error code
    EXPECT_EQ(d.PutBlock("EF", 2), -3004);
    EXPECT_EQ(d.TraceIndex, 2);
    d.ShortWrite = -1;
    EXPECT_EQ(d.PutBlock("GH", 2), 0);
    EXPECT_EQ(d.TraceIndex, 4);
}

TEST(DeadDevice, AFailedDeviceThreadIsReportedAndOutputIsRefused) {
    TFakeDispatcher d;
    ASSERT_EQ(OpenFake(d), 0);
    // A device thread that ends with a read error.
    struct Failing : TKslDispatcherThread {
        using TKslDispatcherThread::TKslDispatcherThread;
        void Execute() override {
            Dispatcher->ThreadStart();
            ReturnValue.store(-161);
        }
    };
    d.ReadThread = std::make_unique<Failing>(&d);
    d.ReadThread->Start();
    ASSERT_TRUE(d.PumpUntil([&] { return d.ReadThread->Finished(); }));
    EXPECT_EQ(d.PutBlock("AT", 2), -161);
    ASSERT_EQ(d.Reports.size(), 1u);
    EXPECT_EQ(d.Reports[0], "Device read error");
    EXPECT_THROW(CheckException(nullptr, d.PutBlock("AT", 2)), EInOutError);
}

TEST(Closing, AClosePortRequestedInsideAnEventCompletesAfterItAndFreesOnce) {
    ClockGuard clock;
    auto d = std::make_unique<TFakeDispatcher>();
    ASSERT_EQ(OpenFake(*d), 0);
    const std::int32_t h = d->AddTimerTrigger();
    bool closed = false;
    d->OnMessage = [&](const TDelivered& m) {
        if (m.Msg != MsgTriggerTimer) return;
        d->DonePort();
        closed = true;
        EXPECT_TRUE(d->ClosePending.load());
    };
    d->SetTimerTrigger(h, 1, true);
    clock.AdvanceTicks(3);
    ASSERT_TRUE(d->PumpUntil([&] { return closed; }));
    ASSERT_TRUE(d->PumpUntil([&] { return !d->DispatcherStarted.load(); }));
    EXPECT_EQ(d->CidEx.load(), -1);
    d.reset();  // the sanitizers catch a double free or a freed running thread
}

TEST(Closing, AThreadThatNeverEndsIsAbandonedAndReportedNotWaitedFor) {
    // A thread stuck in the device: the close waits for it only until its bound.
    struct Stuck : TKslDispatcherThread {
        using TKslDispatcherThread::TKslDispatcherThread;
        std::atomic<bool> Release{false};
        void Execute() override {
            Dispatcher->ThreadStart();
            while (!Release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    };
    // The dispatcher stays with the thread it abandoned (as the com port leaves it): on the heap.
    auto* d = new TFakeDispatcher;
    ASSERT_EQ(OpenFake(*d), 0);
    auto* stuck = new Stuck(d);
    d->ReadThread.reset(stuck);
    stuck->Start();
    ASSERT_TRUE(d->PumpUntil([&] { return d->ActiveThreads.load() == 2; }));
    d->DeviceName = "COM9";
    EXPECT_FALSE(d->WaitForThreadEnd(d->ReadThread, KsTimeGetTime() + 200));
    EXPECT_EQ(d->ReadThread, nullptr);
    EXPECT_TRUE(d->Abandoned.load());
    ASSERT_EQ(d->Reports.size(), 1u);
    EXPECT_EQ(d->Reports[0].rfind("COM9: ", 0), 0u) << d->Reports[0];
    // The rest of the port closes as usual; when the thread lets go at last, nothing is
    // reported again and nothing of it is freed twice.
    d->DonePort();
    stuck->Release.store(true);
    ASSERT_TRUE(d->PumpUntil([&] { return stuck->Finished(); }));
    EXPECT_EQ(d->Reports.size(), 1u);
    delete stuck;
    delete d;
}

TEST(Closing, AnOpenFailureLeavesNothingRunning) {
    TFakeDispatcher d;
    d.OpenFails = true;
    EXPECT_EQ(d.OpenPort("COM1", 9600, 0, 8, 1, 4096, 4096, 3), -2);
    EXPECT_FALSE(d.DispatcherStarted.load());
    EXPECT_EQ(d.ActiveThreads.load(), 0);
}

TEST(Line, SetLineWithKeepValuesLeavesTheDeviceAlone) {
    TFakeDispatcher d;
    ASSERT_EQ(OpenFake(d, 2400), 0);
    const int calls = d.SetComStateCalls;
    EXPECT_EQ(d.SetLine(0, 5, 9, 3), 0);
    EXPECT_EQ(d.SetComStateCalls, calls);
    std::int32_t baud;
    std::uint16_t parity, bits, stop;
    d.GetLine(baud, parity, bits, stop);
    EXPECT_EQ(baud, 2400);
    EXPECT_EQ(parity, 0);
    EXPECT_EQ(bits, 8);
    EXPECT_EQ(stop, 1);
}

TEST(Line, SetLineWritesTheNewValuesAndTheFixedFlags) {
    TFakeDispatcher d;
    d.Dev.Flags = 0x842 | 0x4000;
    ASSERT_EQ(OpenFake(d, 9600), 0);
    EXPECT_EQ(d.SetLine(1200, 2, 7, 2), 0);
    EXPECT_EQ(d.Dev.BaudRate, 1200u);
    EXPECT_EQ(d.Dev.Parity, 2);
    EXPECT_EQ(d.Dev.ByteSize, 7);
    EXPECT_EQ(d.Dev.StopBits, TwoStopBits);
    EXPECT_EQ(d.Dev.Flags & 0x842u, 0u);
    EXPECT_EQ(d.Dev.Flags & 0x81u, 0x81u);
    EXPECT_EQ(d.Dev.Flags & 0x4000u, 0x4000u);
    EXPECT_EQ(d.SetLine(0, 5, 5, 2), 0);
    EXPECT_EQ(d.Dev.StopBits, One5StopBits);
    EXPECT_EQ(d.SetLine(0, 5, 8, 0), 0);
    EXPECT_EQ(d.Dev.StopBits, OneStopBit);
}

TEST(Line, WaitForALineChangeIsEighteenCharacterTimes) {
    EXPECT_EQ(LineChangeWaitMs(9600, 8, false, false), 19);
    EXPECT_EQ(LineChangeWaitMs(2400, 8, false, false), 75);
    EXPECT_EQ(LineChangeWaitMs(115200, 8, false, false), 2);
    EXPECT_EQ(LineChangeWaitMs(256000, 8, false, false), 2);  // 36 characters: 18 are under 1 ms
    EXPECT_EQ(LineChangeWaitMs(0xFF16, 8, false, false), 19);
    EXPECT_EQ(LineChangeWaitMs(0xFEFF, 8, false, false), 2);
    EXPECT_EQ(LineChangeWaitMs(9600, 7, true, true), 21);
}

TEST(Line, DtrAndRtsFollowTheOpenOptionsAndTheDcb) {
    TFakeDispatcher d;
    ASSERT_EQ(d.OpenPort("COM1", 9600, 0, 8, 1, 4096, 4096, 1), 0);
    EXPECT_TRUE(d.DTRState);
    EXPECT_FALSE(d.RTSState);
    EXPECT_EQ(d.Dev.Flags & dcbDtrControlMask, dcbDtrEnable);
    EXPECT_EQ(d.Dev.Flags & dcbRtsControlMask, 0u);
    EXPECT_EQ(d.SetRTS(true), 0);
    EXPECT_EQ(d.Escapes.back(), 3);
}

TEST(Line, FlowOptionsCheckTheirLimitsAndSetTheDcb) {
    TFakeDispatcher d;
    ASSERT_EQ(OpenFake(d), 0);
    EXPECT_EQ(d.SetHWFlowOptions(5000, 100, 1), -1002);
    EXPECT_EQ(d.SetHWFlowOptions(100, 200, 1), -1002);
    EXPECT_EQ(d.SetHWFlowOptions(2000, 100, 1 | 8), 0);
    EXPECT_EQ(d.Dev.Flags & dcbDtrControlMask, dcbDtrHandshake);
    EXPECT_TRUE(d.Dev.Flags & dcbOutxCtsFlow);
    EXPECT_EQ(d.Dev.XoffLim, 4096 - 2000);
    EXPECT_EQ(d.Dev.XonLim, 100);
    EXPECT_EQ(d.SetSWFlowOptions(3072, 1024, 3), 0);
    std::uint16_t hw, sw;
    char on, off;
    d.GetFlowOptions(hw, sw, on, off);
    EXPECT_EQ(hw, 1 | 8);
    EXPECT_EQ(sw, 3);
    EXPECT_EQ(on, 17);
    EXPECT_EQ(off, 19);
    EXPECT_EQ(d.SWFlowDisable(), 0);
    d.GetFlowOptions(hw, sw, on, off);
    EXPECT_EQ(sw, 0);
}

TEST(Status, LineErrorsAreReportedInOrderAndCleared) {
    TFakeDispatcher d;
    ASSERT_EQ(OpenFake(d), 0);
    d.PendingErrors.store(ceOverrun | ceRxParity | ceBreak);
    d.RefreshStatus();
    EXPECT_EQ(d.GetLineError(), 2);
    EXPECT_EQ(d.GetLineError(), 9);  // only the break remains
    EXPECT_TRUE(d.CheckLineBreak());
    EXPECT_FALSE(d.CheckLineBreak());
    EXPECT_EQ(d.GetLineError(), 0);
}

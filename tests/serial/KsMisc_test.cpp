// Tick timers on a test clock (including the clock's 32-bit wrap) and the locked I/O queue.
#include <gtest/gtest.h>

#include "FakeDispatcher.h"
#include "serial/KsMisc.h"
#include "base/rtl.h"
#include "serial/KsQueue.h"

using namespace talvik;
using talvik::test::FakeClock;
using talvik::test::FakeMs;

namespace {
struct ClockGuard {
    ClockGuard() { SetKsClock(&FakeClock); }
    ~ClockGuard() { SetKsClock(nullptr); }
};
void SetTicks(std::int64_t ticks, std::uint32_t extraMs = 0) {
    FakeMs().store(static_cast<std::uint32_t>(ticks * 55 + extraMs));
}
}  // namespace

TEST(TickTimer, SpanIsCappedAtHalfTheClockRange) {
    ClockGuard g;
    SetTicks(1000);
    EventTimer t;
    NewTimer(t, 100000000);
    EXPECT_EQ(t.StartTicks, 1000);
    EXPECT_EQ(t.ExpireTicks, 1000 + 39045157);
    EXPECT_EQ(MaxTicks, 78090314 / 2);
}

TEST(TickTimer, ExpiresOnlyAfterItsWholeSpanOfTicks) {
    ClockGuard g;
    SetTicks(500, 54);  // armed late in a tick
    EventTimer t;
    NewTimer(t, 2);
    SetTicks(502, 54);
    EXPECT_FALSE(TimerExpired(t));
    SetTicks(503, 0);  // 56 ms after N x 55
    EXPECT_TRUE(TimerExpired(t));

    SetTicks(700, 0);  // armed at the start of a tick
    NewTimer(t, 2);
    SetTicks(702, 54);
    EXPECT_FALSE(TimerExpired(t));
    SetTicks(703, 0);  // (N + 1) x 55 ms
    EXPECT_TRUE(TimerExpired(t));

    NewTimer(t, 0);
    EXPECT_FALSE(TimerExpired(t));
    SetTicks(704, 0);
    EXPECT_TRUE(TimerExpired(t));
}

TEST(TickTimer, ATimerStartedJustBeforeTheClockWrapsExpiresOnTime) {
    ClockGuard g;
    // The last whole tick before the millisecond clock wraps.
    const std::int64_t last = (std::int64_t{1} << 32) / 55;  // 78090314
    SetTicks(last - 9);                                       // 10 ticks before the wrap
    EventTimer t;
    NewTimer(t, 20);
    FakeMs().store(0);  // wrapped: tick 0 is the 10th tick after the start
    EXPECT_FALSE(TimerExpired(t));
    SetTicks(10);
    EXPECT_FALSE(TimerExpired(t));  // 20 ticks run
    SetTicks(11);
    EXPECT_TRUE(TimerExpired(t));  // not weeks later
    SetTicks(5000);
    EXPECT_TRUE(TimerExpired(t));
}

TEST(TickTimer, ALongTimerDoesNotExpireEarlyAcrossTheWrap) {
    ClockGuard g;
    const std::int64_t last = (std::int64_t{1} << 32) / 55;
    SetTicks(last - 100);
    EventTimer t;
    NewTimer(t, 1000);
    SetTicks(800);
    EXPECT_FALSE(TimerExpired(t));
    SetTicks(900);
    EXPECT_TRUE(TimerExpired(t));
}

TEST(IOQueue, PeekHandsOutTheFirstItemOnceUntilReleased) {
    TIOQueue q;
    q.Push(std::make_unique<TStatusBuffer>(8));
    TIOBuffer* a = q.Peek();
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(q.Peek(), nullptr);
    q.Release(a);
    EXPECT_EQ(q.Peek(), a);
}

TEST(IOQueue, ClearKeepsTheItemInUseAndCountsBytes) {
    TIOQueue q;
    q.Push(std::make_unique<TDataBuffer>(256));
    q.Push(std::make_unique<TDataBuffer>(10));
    q.Push(std::make_unique<TStatusBuffer>(1));
    EXPECT_EQ(q.BytesBuffered(), 266);
    TIOBuffer* held = q.Peek();
    q.Clear();
    EXPECT_EQ(q.Count(), 1);
    EXPECT_EQ(q.BytesBuffered(), 256);
    auto popped = q.Pop();
    EXPECT_EQ(popped.get(), held);
    EXPECT_EQ(q.BytesBuffered(), 0);
    EXPECT_EQ(q.Pop(), nullptr);
}

TEST(IOQueue, WaitForBufferReturnsAtOnceWhileItemsAreQueued) {
    TIOQueue q;
    q.Push(std::make_unique<TStatusBuffer>(1));
    EXPECT_EQ(q.Event().Wait(0), TWaitResult::Signaled);  // event consumed
    EXPECT_EQ(q.WaitForBuffer(-1), TWaitResult::Signaled);  // would hang if it waited
    q.Pop();
    EXPECT_EQ(q.WaitForBuffer(0), TWaitResult::Timeout);
}

TEST(IOQueue, LogBufferCopiesItsBytes) {
    std::uint8_t src[3] = {1, 2, 3};
    TLogBuffer b(1, 2, 3, 4, src, 3);
    src[0] = 9;
    EXPECT_EQ(b.Buffer, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(b.Size, 3);
    EXPECT_THROW(TDataBuffer(-1), ERangeError);
}

// Byte timing of the simulated line: the pacing regsim uses to honour the line speed.
#include <gtest/gtest.h>

#include "LineTiming.h"

using talvik::sim::LineTiming;

TEST(LineTiming, ByteTakesTenBitTimes) {
    EXPECT_EQ(LineTiming(300).ByteTimeUs(), 33333u);
    EXPECT_EQ(LineTiming(1200).ByteTimeUs(), 8333u);
    EXPECT_EQ(LineTiming(9600).ByteTimeUs(), 1042u);
    EXPECT_EQ(LineTiming(0).ByteTimeUs(), 0u);  // no pacing at all
}

TEST(LineTiming, BytesQueueBehindEachOtherAndIdleLineStartsAfresh) {
    LineTiming line(300);
    // A four-byte frame written at once arrives over 133 ms.
    EXPECT_EQ(line.Transmit(0), 33333u);
    EXPECT_EQ(line.Transmit(0), 66666u);
    EXPECT_EQ(line.Transmit(10), 99999u);
    EXPECT_EQ(line.Transmit(20), 133332u);
    // After the line fell idle a byte takes just its own time.
    EXPECT_EQ(line.Transmit(1'000'000), 1'033'333u);
    line.Reset();
    EXPECT_EQ(line.Transmit(5), 33338u);
}

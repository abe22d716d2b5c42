// The simulated regulator: frames in both forms, the unlock rule, resynchronisation and every
// injected fault, checked on the bytes it sends back and on its frame log.
#include <gtest/gtest.h>

#include "RegulatorSim.h"

using namespace talvik::sim;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes Single(std::uint8_t c, std::uint8_t a, std::uint8_t d) {
    return {c, a, d, static_cast<std::uint8_t>(c ^ 0xFF)};
}
Bytes SiteFrame(std::uint8_t s, std::uint8_t c, std::uint8_t a, std::uint8_t d) {
    return {s, c, a, d, static_cast<std::uint8_t>(s + c + a + d)};
}

// Sends a frame at time t and returns everything the regulator says within the next 10 s.
Bytes Ask(RegulatorSim& r, const Bytes& frame, std::uint64_t t = 0) {
    r.Feed(frame, t);
    return r.Drain(t + 10000);
}

}  // namespace

TEST(RegulatorSimFrames, SingleFormRamReadAnswersHeaderAndByteWithoutEcho) {
    RegulatorSim r;
    r.Memory()[5] = 0x3C;
    const Bytes frame = Single(cmd::RamRead, 5, 0);
    EXPECT_EQ(frame, (Bytes{0x14, 0x05, 0x00, 0xEB}));
    EXPECT_EQ(Ask(r, frame, 100), (Bytes{200, 0x3C}));
    ASSERT_EQ(r.Log().size(), 1u);
    const LogEntry& e = r.Log()[0];
    EXPECT_EQ(e.timeMs, 100u);
    EXPECT_EQ(e.bytes, frame);
    EXPECT_EQ(e.command, 0x14);
    EXPECT_EQ(e.imageAddress, 5);
    EXPECT_TRUE(e.accepted);
    EXPECT_EQ(FormatLogEntry(e), "100\t14 05 00 EB\t-\tram-read\t5\t0\tok\tanswered");
}

TEST(RegulatorSimFrames, AddressBitEightAndEepromReadsReachTheUpperImage) {
    RegulatorSim r;
    r.Memory()[300] = 77;
    r.Memory()[266] = 88;
    EXPECT_EQ(Ask(r, Single(0x15, 44, 0)), (Bytes{200, 77}));
    EXPECT_EQ(Ask(r, Single(cmd::EepromRead, 10, 0)), (Bytes{200, 88}));
    EXPECT_EQ(r.Log()[1].imageAddress, 266);
}

TEST(RegulatorSimFrames, SiteFormAnswersOnlyItsOwnSite) {
    RegulatorSim r(3);
    r.Memory()[266] = 0x42;
    const Bytes frame = SiteFrame(3, cmd::EepromRead, 10, 0);
    EXPECT_EQ(frame, (Bytes{0x03, 0x48, 0x0A, 0x00, 0x55}));
    EXPECT_EQ(Ask(r, frame), (Bytes{200, 0x42}));
    EXPECT_EQ(Ask(r, SiteFrame(4, cmd::EepromRead, 10, 0)), Bytes{});
    EXPECT_EQ(r.Log()[1].outcome, Outcome::OtherSite);
    // The checksum keeps the low 8 bits of the sum; a single-form frame means nothing here.
    r.Memory()[0xF0] = 9;
    const Bytes big = SiteFrame(3, cmd::RamRead, 0xF0, 0);
    EXPECT_EQ(big[4], 0x07);
    EXPECT_EQ(Ask(r, big), (Bytes{200, 9}));
    EXPECT_EQ(Ask(r, Single(cmd::RamRead, 5, 0)), Bytes{});
}

TEST(RegulatorSimFrames, SiteSetFrameTakesOverTheSiteAndAnswers250) {
    RegulatorSim r(3);
    EXPECT_EQ(Ask(r, SiteFrame(7, cmd::Loopback, SiteSetAddress, 123)), (Bytes{SiteSetReply}));
    EXPECT_EQ(r.Site(), 7);
    // The loopback that checks the new site comes back with its data byte.
    EXPECT_EQ(Ask(r, SiteFrame(7, cmd::Loopback, 123, 7)), (Bytes{7}));
    EXPECT_EQ(Ask(r, SiteFrame(3, cmd::Loopback, 123, 7)), Bytes{});
    EXPECT_EQ(Ask(r, SiteFrame(0, cmd::Loopback, SiteSetAddress, 1)), Bytes{});
    EXPECT_EQ(r.Site(), 7);
}

TEST(RegulatorSimFrames, RamWritesApplyAndAreNeverAnswered) {
    RegulatorSim r;
    EXPECT_EQ(Ask(r, Single(cmd::RamWrite, 33, 0x99)), Bytes{});
    EXPECT_EQ(r.Memory()[33], 0x99);
    EXPECT_TRUE(r.TakeMemoryChanged());
    EXPECT_FALSE(r.TakeMemoryChanged());
    EXPECT_EQ(Ask(r, Single(cmd::Step57, 2, 0)), Bytes{});
    EXPECT_EQ(r.Log()[1].outcome, Outcome::NoEffect);
    EXPECT_EQ(Ask(r, Single(0x33, 2, 0)), Bytes{});
    EXPECT_EQ(r.Log()[2].outcome, Outcome::UnknownCommand);
    EXPECT_FALSE(r.TakeMemoryChanged());
}

TEST(RegulatorSimUnlock, EepromWriteOnlyDirectlyBehindTheUnlockWrite) {
    RegulatorSim r;
    const Bytes unlock = Single(cmd::RamWrite, UnlockRamAddress, UnlockData);
    EXPECT_EQ(unlock, (Bytes{0x98, 250, 0xA5, 0x67}));

    Ask(r, Single(cmd::EepromWrite, 44, 12));
    EXPECT_EQ(r.Memory()[300], 0);
    EXPECT_EQ(r.Log().back().outcome, Outcome::NotUnlocked);

    Ask(r, unlock);
    EXPECT_EQ(r.Log().back().outcome, Outcome::Unlocked);
    Ask(r, Single(cmd::EepromWrite, 44, 12));
    EXPECT_EQ(r.Memory()[300], 12);
    // The unlock is spent: a second write needs a second unlock.
    Ask(r, Single(cmd::EepromWrite, 44, 13));
    EXPECT_EQ(r.Memory()[300], 12);
    // Any frame between unlock and write spends it too.
    Ask(r, unlock);
    Ask(r, Single(cmd::RamRead, 1, 0));
    Ask(r, Single(cmd::EepromWrite, 44, 14));
    EXPECT_EQ(r.Memory()[300], 12);
    // The upper RAM-write command reaches the EEPROM under the same rule.
    Ask(r, unlock);
    Ask(r, Single(0x99, 44, 15));
    EXPECT_EQ(r.Memory()[300], 15);
    Ask(r, Single(0x99, 44, 16));
    EXPECT_EQ(r.Memory()[300], 15);
}

TEST(RegulatorSimUnlock, ConfigurableCodeAndPolicies) {
    RegulatorSim r;
    r.SetUnlockCode(10, 0x5A);
    Ask(r, Single(cmd::RamWrite, UnlockRamAddress, UnlockData));
    Ask(r, Single(cmd::EepromWrite, 1, 1));
    EXPECT_EQ(r.Memory()[257], 0);
    Ask(r, Single(cmd::RamWrite, 10, 0x5A));
    Ask(r, Single(cmd::EepromWrite, 1, 1));
    EXPECT_EQ(r.Memory()[257], 1);

    r.SetEepromPolicy(EepromPolicy::Refuse);
    Ask(r, Single(cmd::RamWrite, 10, 0x5A));
    Ask(r, Single(cmd::EepromWrite, 1, 2));
    EXPECT_EQ(r.Memory()[257], 1);
    EXPECT_EQ(r.Log().back().outcome, Outcome::WritesRefused);

    r.SetEepromPolicy(EepromPolicy::Open);
    Ask(r, Single(cmd::EepromWrite, 1, 3));
    EXPECT_EQ(r.Memory()[257], 3);
}

TEST(RegulatorSimResync, SkipsBytesUntilAFrameFitsAndLogsThemAsOneRun) {
    RegulatorSim r;
    r.Memory()[5] = 1;
    // Stray bytes, a frame cut short, then a good frame.
    Bytes junk{0x00, 0xEB, 0x14, 0x05, 0x00};
    const Bytes good = Single(cmd::RamRead, 5, 0);
    junk.insert(junk.end(), good.begin(), good.end());
    EXPECT_EQ(Ask(r, junk, 50), (Bytes{200, 1}));
    ASSERT_EQ(r.Log().size(), 2u);
    EXPECT_EQ(r.Log()[0].outcome, Outcome::NotAFrame);
    EXPECT_EQ(r.Log()[0].bytes, (Bytes{0x00, 0xEB, 0x14, 0x05, 0x00}));
    EXPECT_FALSE(r.Log()[0].accepted);
    EXPECT_EQ(FormatLogEntry(r.Log()[0]), "50\t00 EB 14 05 00\t-\t-\t-\t-\tno\tnot-a-frame");
    EXPECT_EQ(r.Log()[1].bytes, good);
}

TEST(RegulatorSimResync, ResetLineDropsHalfFramesAndUnsentReplies) {
    RegulatorSim r;
    r.SetReplyDelay(10);
    r.Feed(Single(cmd::RamRead, 5, 0), 0);
    r.Feed(Bytes{0x14, 0x05}, 1);
    r.ResetLine();
    EXPECT_EQ(r.Drain(100), Bytes{});
    r.Feed(Bytes{0x00, 0xEB}, 200);  // the tail of the lost frame is no frame on its own
    EXPECT_EQ(r.Drain(1000), Bytes{});
    EXPECT_EQ(Ask(r, Single(cmd::RamRead, 5, 0), 300), (Bytes{200, 0}));
}

TEST(RegulatorSimTiming, RepliesWaitForTheTurnaroundAndKeepTheirOrder) {
    RegulatorSim r;
    r.SetReplyDelay(20);
    r.Memory()[1] = 11;
    r.Memory()[2] = 22;
    r.Feed(Single(cmd::RamRead, 1, 0), 100);
    EXPECT_EQ(r.NextDue(), 120u);
    EXPECT_EQ(r.Drain(119), Bytes{});
    r.GetFaults().slow = 1;
    r.GetFaults().slowDelayMs = 500;
    r.Feed(Single(cmd::RamRead, 2, 0), 110);
    r.Feed(Single(cmd::RamRead, 1, 0), 111);  // not slowed, yet must not overtake
    EXPECT_EQ(r.Drain(120), (Bytes{200, 11}));
    EXPECT_EQ(r.Drain(629), Bytes{});
    EXPECT_EQ(r.Drain(630), (Bytes{200, 22, 200, 11}));
    EXPECT_FALSE(r.NextDue());
}

TEST(RegulatorSimFaults, SilenceForNFramesThenAnswers) {
    RegulatorSim r;
    r.GetFaults().silence = 2;
    EXPECT_EQ(Ask(r, Single(cmd::RamRead, 5, 0)), Bytes{});
    EXPECT_EQ(Ask(r, Single(cmd::RamWrite, 6, 6)), Bytes{});
    EXPECT_EQ(r.Memory()[6], 0);  // not heard, not applied
    EXPECT_EQ(r.Log()[1].outcome, Outcome::Silent);
    EXPECT_EQ(Ask(r, Single(cmd::RamRead, 5, 0)), (Bytes{200, 0}));
    r.GetFaults().silence = Always;
    for (int i = 0; i < 5; ++i) EXPECT_EQ(Ask(r, Single(cmd::RamRead, 5, 0)), Bytes{});
}

TEST(RegulatorSimFaults, GoesSilentAfterNFrames) {
    RegulatorSim r;
    r.GetFaults().silentAfterFrames = 2;
    EXPECT_EQ(Ask(r, Single(cmd::RamRead, 5, 0)).size(), 2u);
    EXPECT_EQ(Ask(r, Single(cmd::RamRead, 5, 0)).size(), 2u);
    EXPECT_EQ(Ask(r, Single(cmd::RamRead, 5, 0)), Bytes{});
    EXPECT_EQ(Ask(r, Single(cmd::RamRead, 5, 0)), Bytes{});
}

TEST(RegulatorSimFaults, GarbageReplacesTheReplyWithBytesThatAreNoHeader) {
    RegulatorSim r;
    r.GetFaults().garbage = 50;
    r.GetFaults().garbageLength = 4;
    for (int i = 0; i < 50; ++i) {
        const Bytes g = Ask(r, Single(cmd::RamRead, 5, 0));
        ASSERT_EQ(g.size(), 4u);
        for (std::uint8_t b : g) {
            EXPECT_NE(b, ReplyHeader);
            EXPECT_NE(b, SiteSetReply);
        }
    }
    EXPECT_EQ(Ask(r, Single(cmd::RamRead, 5, 0)), (Bytes{200, 0}));
}

TEST(RegulatorSimFaults, AlternatingRepliesNeverRepeatForOneAddress) {
    RegulatorSim r;
    r.Memory()[7] = 0x10;
    r.Memory()[8] = 0x20;
    r.GetFaults().alternate = Always;
    std::uint8_t prev = 0;
    for (int i = 0; i < 12; ++i) {
        const Bytes g = Ask(r, Single(cmd::RamRead, 7, 0));
        ASSERT_EQ(g.size(), 2u);
        EXPECT_EQ(g[0], 200);
        if (i) {
            EXPECT_NE(g[1], prev);
        }
        EXPECT_EQ(g[1], i % 2 ? 0x10 ^ 0x55 : 0x10);
        prev = g[1];
    }
    // Another address starts with its true value.
    EXPECT_EQ(Ask(r, Single(cmd::RamRead, 8, 0)), (Bytes{200, 0x20}));
    // Limited: two affected replies, then steady true values.
    r.GetFaults().alternate = 2;
    EXPECT_EQ(Ask(r, Single(cmd::RamRead, 8, 0))[1], 0x20 ^ 0x55);
    EXPECT_EQ(Ask(r, Single(cmd::RamRead, 8, 0))[1], 0x20);
    EXPECT_EQ(Ask(r, Single(cmd::RamRead, 8, 0))[1], 0x20);
}

TEST(RegulatorSimFaults, SplitReplySendsTheDataByteLater) {
    RegulatorSim r;
    r.Memory()[5] = 55;
    r.GetFaults().split = 1;
    r.GetFaults().splitDelayMs = 200;
    r.Feed(Single(cmd::RamRead, 5, 0), 1000);
    EXPECT_EQ(r.Drain(1199), (Bytes{200}));
    EXPECT_EQ(r.Drain(1200), (Bytes{55}));
    EXPECT_EQ(Ask(r, Single(cmd::RamRead, 5, 0), 2000), (Bytes{200, 55}));
    EXPECT_EQ(r.Log().size(), 2u);
}

TEST(RegulatorSimFaults, WrongHeaderKeepsTheDataByte) {
    RegulatorSim r;
    r.Memory()[5] = 55;
    r.GetFaults().wrongHeader = 1;
    r.GetFaults().wrongHeaderByte = 245;
    EXPECT_EQ(Ask(r, Single(cmd::RamRead, 5, 0)), (Bytes{245, 55}));
    EXPECT_EQ(Ask(r, Single(cmd::RamRead, 5, 0)), (Bytes{200, 55}));
}

TEST(RegulatorSimFaults, BadReadBackAfterEepromWriteForNReads) {
    RegulatorSim r;
    const Bytes unlock = Single(cmd::RamWrite, UnlockRamAddress, UnlockData);
    r.GetFaults().badReadBack = 1;
    // Reads of other addresses do not use the fault up.
    Ask(r, unlock);
    Ask(r, Single(cmd::EepromWrite, 20, 0x31));
    EXPECT_EQ(Ask(r, Single(cmd::EepromRead, 21, 0)), (Bytes{200, 0}));
    EXPECT_EQ(Ask(r, Single(cmd::EepromRead, 20, 0)), (Bytes{200, 0x31 ^ 0xFF}));
    EXPECT_EQ(r.Memory()[276], 0x31);  // the write itself took
    // The retry reads back correctly.
    Ask(r, unlock);
    Ask(r, Single(cmd::EepromWrite, 20, 0x31));
    EXPECT_EQ(Ask(r, Single(cmd::EepromRead, 20, 0)), (Bytes{200, 0x31}));
}

// Frames on the wire, the unlock substitution, sending with its traces, the trace formats,
// opening the port and finding present ports.
#include <ctime>
#include <regex>

#include "LinkFixture.h"
#include "base/rtl.h"
#include "link/qvEquates.h"

using namespace talvik;
using namespace talvik::test;

namespace {
class Frames : public LinkTest {
protected:
    void SetUp() override {
        LinkTest::SetUp();
        Port.IsOpen = true;
        Port.ComNumber = 1;
    }
};
}  // namespace

TEST_F(Frames, SingleRegulatorFrames) {
    EXPECT_EQ(Link.buildframe(0x14, 5, 0, false), Bytes({0x14, 0x05, 0x00, 0xEB}));
    EXPECT_EQ(Link.buildframe(0xCA, 44, 0x1FF, false), Bytes({0xCA, 44, 0xFF, 0x35}));
}

TEST_F(Frames, SiteFramesCarryTheSiteAndAByteSum) {
    SiteMode = true;
    Listener.Site = 3;
    EXPECT_EQ(Link.buildframe(0x48, 10, 0, false), Bytes({3, 0x48, 10, 0, 85}));
    Listener.Site = 200;
    EXPECT_EQ(Link.buildframe(0x98, 100, 0xF0, false), Bytes({200, 0x98, 100, 0xF0, (200 + 0x98 + 100 + 0xF0) & 0xFF}));
}

TEST_F(Frames, SendCommandPicksTheCommandByKind) {
    Link.sendcommand(0, 5, 0, false);
    Link.sendcommand(20, 300, 0, false);
    Link.sendcommand(72, 10, 0, false);
    Link.sendcommand(2, 7, 9, false);
    Link.sendcommand(152, 257, 9, false);
    Link.sendcommand(4, 101, 77, false);
    ASSERT_EQ(Port.SentLog.size(), 6u);
    EXPECT_EQ(Port.SentLog[0].Bytes, Bytes({0x14, 0x05, 0x00, 0xEB}));
    EXPECT_EQ(Port.SentLog[1].Bytes, Bytes({0x15, 44, 0, 0xEA}));
    EXPECT_EQ(Port.SentLog[2].Bytes, Bytes({0x48, 10, 0, 0xB7}));
    EXPECT_EQ(Port.SentLog[3].Bytes, Bytes({0x98, 7, 9, 0x67}));
    EXPECT_EQ(Port.SentLog[4].Bytes, Bytes({0x99, 1, 9, 0x66}));
    EXPECT_EQ(Port.SentLog[5].Bytes, Bytes({0xBB, 101, 77, 0x44}));
}

TEST_F(Frames, SiteModeEepromReadOfImageAddress266) {
    SiteMode = true;
    Listener.Site = 3;
    Link.sendcommand(72, 266 - 256, 0, false);
    EXPECT_EQ(Port.SentLog.at(0).Bytes, Bytes({0x03, 0x48, 0x0A, 0x00, 0x55}));
}

TEST_F(Frames, EepromWriteWithUnlockSendsTheUnlockFrameAndParksTheWrite) {
    ChangedFlags[UnlockRamAddress] = true;
    ChangedFlags[256 + 44] = true;
    Link.sendcommand(202, 44, 0x5A, true);
    ASSERT_EQ(Port.SentLog.size(), 1u);
    EXPECT_EQ(Port.SentLog[0].Bytes, Bytes({0x98, UnlockRamAddress, UnlockData, 0xFF ^ 0x98}));
    EXPECT_EQ(ParkedAddress, 44);
    EXPECT_EQ(ParkedData, 0x5A);
    EXPECT_TRUE(UnlockPending);
    EXPECT_FALSE(ChangedFlags[UnlockRamAddress]);
    EXPECT_TRUE(ChangedFlags[256 + 44]);  // not written yet
}

TEST_F(Frames, EepromFramesClearTheFlagOfTheImageAddress) {
    ChangedFlags[44] = true;
    ChangedFlags[300] = true;
    Link.buildframe(0xCA, 44, 1, false);
    EXPECT_FALSE(ChangedFlags[300]);
    EXPECT_TRUE(ChangedFlags[44]);  // the RAM byte of the same number is another setting
    ChangedFlags[310] = true;
    Link.buildframe(0x48, 310, 0, false);  // the history run passes image addresses
    EXPECT_FALSE(ChangedFlags[310]);
    ChangedFlags[44] = true;
    Link.buildframe(0x98, 44, 1, false);
    EXPECT_FALSE(ChangedFlags[44]);
}

TEST_F(Frames, AddressesOutsideTheImageAreRefusedBeforeAnythingGoesOut) {
    ParkedAddress = 7;
    EXPECT_THROW(Link.sendcommand(202, 512, 1, true), ERangeError);
    EXPECT_THROW(Link.buildframe(0xCA, 600, 1, true), ERangeError);
    EXPECT_THROW(Link.sendcommand(20, -1, 0, false), ERangeError);
    EXPECT_TRUE(Port.SentLog.empty());
    EXPECT_EQ(ParkedAddress, 7);
    EXPECT_FALSE(CommBusy);
    EXPECT_FALSE(UnlockPending);
}

TEST_F(Frames, SendCommandArmsOneRequestTriggerForTwoTicks) {
    Link.sendcommand(20, 5, 0, false);
    ASSERT_TRUE(RequestTriggerAdded);
    const auto handle = RequestTrigger;
    EXPECT_TRUE(Port.IsArmed(handle));
    EXPECT_EQ(Port.DueTick(handle), Port.Now() + 2);
    EXPECT_TRUE(CommBusy);
    EXPECT_EQ(BusyWatchdog, 10);
    EXPECT_EQ(reccount, 1);
    EXPECT_EQ(Listener.Statuses.back(), "Request Sent");
    Link.sendcommand(20, 6, 0, false);
    EXPECT_EQ(RequestTrigger, handle);
    EXPECT_EQ(Port.LiveTriggers(), 1u);
}

TEST_F(Frames, SendCommandReassertsItsMarksAfterTheMessagePump) {
    Link.ProcessMessages = [] {
        CommBusy = false;
        BusyWatchdog = 0;
        ReplyDataReceived = true;
    };
    Link.sendcommand(20, 5, 0, false);
    EXPECT_TRUE(CommBusy);
    EXPECT_EQ(BusyWatchdog, 10);
    EXPECT_FALSE(ReplyDataReceived);
}

TEST_F(Frames, CommSendTracesThenSendsThenPumpsMessages) {
    std::vector<std::string> window;
    SetDebugWindowSink([&](const std::string& l) { window.push_back(l); });
    DebugEnabled = true;
    Port.ComNumber = 4;
    int sentAtPump = -1;
    Link.ProcessMessages = [&] { sentAtPump = static_cast<int>(Port.SentLog.size()); };
    Link.CommSend(Bytes({0x14, 5, 0, 0xEB}));
    EXPECT_TRUE(HasDebug("(4)  14 05 00 EB"));
    EXPECT_EQ(sentAtPump, 1);
    ASSERT_EQ(window.size(), 1u);
    EXPECT_TRUE(std::regex_match(window[0], std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d Direct Sent 4 chars: 0x14 0x05 0x00 0xEB )")))
        << window[0];
    DirectMode = false;
    Port.TapiMode = TTapiMode::tmOn;
    Link.CommSend("AT\r");
    EXPECT_TRUE(HasDebug("(tapi)  41 54 0D"));
    EXPECT_NE(window.back().find(" Modem Sent 3 chars: 0x41 0x54 0x0D "), std::string::npos);
}

// A handler among the window events of a send (the main window's close) must know that a step
// is half done; the frame that ends a stopped transfer lets no event run after it.
TEST_F(Frames, EventsInsideASendFindTheLinkMidStepAndAStopsLastFrameLetsNoneRun) {
    Port.IsOpen = true;
    std::vector<bool> inside;
    int done = 0;
    Link.OperationDone = [&] { ++done; };
    Link.ProcessMessages = [&] {
        inside.push_back(Link.InsideOperation());
        EXPECT_EQ(done, 0);
        // An event that sends a frame of its own: the waits end once, with the outermost.
        if (inside.size() == 1) Link.CommSend(Bytes({0x14, 5, 0, 0xEB}));
    };
    SingleCommandUnlock = true;
    Link.sendcommand(3, 40, 130, true);
    EXPECT_EQ(inside, (std::vector<bool>{true, true}));
    EXPECT_EQ(done, 1);
    EXPECT_FALSE(Link.InsideOperation());
    // Stopped with the unlock frame out: its write goes, and nothing runs after it.
    ASSERT_TRUE(UnlockPending);
    const std::size_t sent = Port.SentLog.size();
    EXPECT_TRUE(Link.StopTransfer());
    ASSERT_EQ(Port.SentLog.size(), sent + 1);
    EXPECT_EQ(Port.SentLog.back().Bytes, Bytes({0xCA, 40, 130, 0x35}));
    EXPECT_EQ(inside.size(), 2u);
    EXPECT_EQ(done, 1);
}

TEST_F(Frames, CommReceiveTracesTheByte) {
    std::vector<std::string> window;
    SetDebugWindowSink([&](const std::string& l) { window.push_back(l); });
    DebugEnabled = true;
    Port.Receive({200});
    EXPECT_EQ(Link.CommReceive(), 200);
    EXPECT_TRUE(HasDebug("C8"));
    EXPECT_EQ(window, std::vector<std::string>{"Received 1 char: 0xC8 "});
    EXPECT_THROW(Link.CommReceive(), Exception);  // nothing waiting
}

TEST(TraceFormats, HexDumpAndTimestamp) {
    EXPECT_EQ(HexDump(std::string("\x14\x05", 2), true), "0x14 0x05 ");
    EXPECT_EQ(HexDump(std::string("\x14\x05\xff", 3), false), "0x140x050xFF");
    EXPECT_EQ(HexDump("", true), "");
    EXPECT_EQ(TimestampLine("").size(), 19u);
    std::tm t{};
    t.tm_year = 2024 - 1900;
    t.tm_mon = 1;
    t.tm_mday = 29;
    t.tm_hour = 7;
    t.tm_min = 5;
    t.tm_sec = 9;
    t.tm_isdst = -1;
    EXPECT_EQ(TimestampLineAt(std::mktime(&t), "hello"), "2024-02-29 07:05:09 hello");
}

// ---- opening the port ---------------------------------------------------------------------------

TEST_F(Frames, PortsetReopensWithTheNewNumberAndLineFormat) {
    Port.IsOpen = true;
    Port.ComNumber = 1;
    Port.Parity = TParity::pEven;
    Listener.Baud = 3;
    Link.portset(5);
    EXPECT_TRUE(Port.IsOpen);
    EXPECT_EQ(Port.OpenedNumbers, std::vector<std::uint16_t>{5});
    EXPECT_EQ(Port.Baud, 9600);
    EXPECT_EQ(Port.Parity, TParity::pNone);
    EXPECT_EQ(Port.DataBits, 8);
    EXPECT_EQ(Port.StopBits, 1);
    EXPECT_EQ(Port.InFlushes, 1);
    EXPECT_EQ(Port.OutFlushes, 1);
    EXPECT_EQ(Listener.Statuses.back(), "Port Open");
    EXPECT_EQ(Listener.Beeps, 0);
}

TEST_F(Frames, PortsetFailuresEndInTheStatusAndTwoBeeps) {
    Port.IsOpen = false;
    Port.FailOpen = true;
    EXPECT_NO_THROW(Link.portset(2));
    EXPECT_FALSE(Port.IsOpen);
    EXPECT_EQ(Listener.Statuses.back(), "Cant open port-Port Set Exception");
    EXPECT_EQ(Listener.Beeps, 2);
    Port.FailOpen = false;
    Listener.Baud = 4;  // no such baud choice
    EXPECT_NO_THROW(Link.portset(2));
    EXPECT_EQ(Listener.Beeps, 4);
}

TEST(PortSearch, FindsPresentPortsInEitherDirection) {
    auto present = [](std::int32_t n) { return n == 1 || n == 7; };
    EXPECT_EQ(findcomport(5, TPortDirection::Up, present), 7);
    EXPECT_EQ(findcomport(5, TPortDirection::Down, present), 1);
    EXPECT_EQ(findcomport(126, TPortDirection::Up, present), 128);
    EXPECT_EQ(findcomport(0, TPortDirection::Down, present), 0);
    EXPECT_EQ(findcomport(7, TPortDirection::None, present), 7);
    EXPECT_EQ(comportname(12), "\\\\.\\COM12");
}

TEST(PortSearch, NoDirectionOnAnAbsentPortEnds) {
    int probes = 0;
    auto absent = [&](std::int32_t) {
        ++probes;
        return false;
    };
    EXPECT_EQ(findcomport(5, TPortDirection::None, absent), -1);
    EXPECT_EQ(probes, 1);
}

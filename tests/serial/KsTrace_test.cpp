// The byte trace and the dispatch log: their files, byte for byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <fstream>
#include <sstream>
#include <thread>

#include "FakeDispatcher.h"

using namespace talvik;
using namespace talvik::test;

namespace {

std::string ReadFile(const std::string& name) {
    std::ifstream f(name, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

std::string TempName(const std::string& stem) {
    auto p = std::filesystem::temp_directory_path() /
             (stem + "-" + std::to_string(std::random_device{}()) + ".txt");
    std::filesystem::remove(p);
    return p.string();
}

struct ClockGuard {
    explicit ClockGuard(std::uint32_t ms) {
        FakeMs().store(ms);
        SetKsClock(&FakeClock);
    }
    ~ClockGuard() { SetKsClock(nullptr); }
};

}  // namespace

TEST(TraceFile, SentThenTakenBytesGiveTheTwoRuns) {
    TFakeDispatcher d;
    ASSERT_EQ(OpenFake(d), 0);
    ASSERT_EQ(d.InitTracing(100), 0);
    ASSERT_EQ(d.PutBlock("AT\r", 3), 0);
    d.Receive({'O', 'K'});
    ASSERT_TRUE(d.PumpUntil([&] { return d.InBuffUsed() == 2; }));
    std::uint8_t c;
    d.GetChar(c);
    d.GetChar(c);
    const std::string name = TempName("trace");
    ASSERT_EQ(d.DumpTrace(name, false, false), 0);
    EXPECT_EQ(ReadFile(name), "Transmit: \r\nAT[13]\r\n\r\nReceive: \r\nOK\r\n");
    // The dump empties the trace and keeps it on.
    EXPECT_TRUE(d.TracingOn());
    const std::string again = TempName("trace-again");
    EXPECT_EQ(d.DumpTrace(again, false, false), 0);
    EXPECT_FALSE(std::filesystem::exists(again));
    ASSERT_EQ(d.PutBlock("\x01 ", 2), 0);
    ASSERT_EQ(d.AppendTrace(name, true, false), 0);
    EXPECT_EQ(ReadFile(name),
              "Transmit: \r\nAT[13]\r\n\r\nReceive: \r\nOK\r\nTransmit: \r\n[01][20]\r\n");
    std::filesystem::remove(name);
}

TEST(TraceFile, ItemsFollowTheHexOptions) {
    EXPECT_EQ(TraceItem('A', false, false), "A");
    EXPECT_EQ(TraceItem(' ', false, false), " ");
    EXPECT_EQ(TraceItem(' ', true, false), "[20]");
    EXPECT_EQ(TraceItem(200, false, false), "[200]");
    EXPECT_EQ(TraceItem(200, true, false), "[C8]");
    EXPECT_EQ(TraceItem('A', false, true), "[41]");
}

TEST(TraceFile, LongRunsWrapBeforeColumn79AndAWrappedRingKeepsItsOrder) {
    std::vector<TTraceEntry> e;
    for (int i = 0; i < 100; ++i) e.push_back({'R', 'A'});
    e.push_back({'R', 13});
    const std::string text = FormatTrace(e, false, false);
    EXPECT_EQ(text, "Receive: \r\n" + std::string(78, 'A') + "\r\n" + std::string(22, 'A') + "[13]\r\n");
    EXPECT_EQ(FormatTrace({{'X', 'q'}}, false, false), "Special-X: \r\nq\r\n");

    TFakeDispatcher d;
    ASSERT_EQ(OpenFake(d), 0);
    d.InitTracing(3);
    d.PutBlock("12345", 5);
    const std::string name = TempName("wrapped");
    ASSERT_EQ(d.DumpTrace(name, false, false), 0);
    EXPECT_EQ(ReadFile(name), "Transmit: \r\n345\r\n");
    std::filesystem::remove(name);
    EXPECT_EQ(d.InitTracing(4000001), -1002);
}

TEST(TraceFile, AFileThatCannotBeOpenedAbandonsTheTraceWithTheFilesOwnError) {
    TFakeDispatcher d;
    ASSERT_EQ(OpenFake(d), 0);
    d.InitTracing(10);
    d.PutBlock("A", 1);
    // A missing folder is "Path not found", not "File not found".
    EXPECT_EQ(d.DumpTrace("/nonexistent-dir/x/KESL.TRC", false, false), -3);
    EXPECT_FALSE(d.TracingOn());
    // A name that is a folder cannot be written: access denied.
    d.InitTracing(10);
    d.PutBlock("A", 1);
    EXPECT_EQ(d.DumpTrace(std::filesystem::temp_directory_path().string(), false, false), -5);
    EXPECT_FALSE(d.TracingOn());
}

TEST(DispatchLog, AScriptedExchangeIsWrittenAsTheTable) {
    ClockGuard clock(500000);
    TFakeDispatcher d;
    d.DateTimeText = [] { return std::string("07/12/26, 04:50:00"); };
    ASSERT_EQ(OpenFake(d), 0);
    d.DeviceName = "COM1";
    d.InitDispatchLogging(0);
    FakeMs().store(500000 + 1234);
    ASSERT_EQ(d.PutBlock("AT\r", 3), 0);
    FakeMs().store(500000 + 3234);
    d.Receive({'O', 'K'});
    ASSERT_TRUE(d.PumpUntil([&] { return d.InBuffUsed() == 2; }));
    FakeMs().store(500000 + 12345678);
    const std::int32_t h = d.AddStatusTrigger(stModem);
    const std::string name = TempName("log");
    ASSERT_EQ(d.DumpDispatchLog(name, true, false), 0);
    const std::string want =
        "KESL v4.07\r\n"
        "Compiler : GCC\r\n"
        "Operating System : Unknown\r\n"
        "Device: COM1\r\n"
        "Date/time: 07/12/26, 04:50:00\r\n"
        "Time      Type      SubType       Data      OtherData\r\n"
        "--------  --------  ------------  --------  ---------\r\n"
        "0001.234  Dispatch  WriteCom      00000003  AT[0D]\r\n"
        "0003.234  Dispatch  ReadCom       00000002  OK\r\n"
        "12345.678  TrigAllc  Status        0000000" + std::to_string(h) + "  (Modem status)\r\n";
    EXPECT_EQ(ReadFile(name), want);
    // The queue was drained: a second dump writes nothing.
    std::filesystem::remove(name);
    EXPECT_EQ(d.DumpDispatchLog(name, true, false), 0);
    EXPECT_FALSE(std::filesystem::exists(name));
}

TEST(DispatchLog, EntriesWrapUnderTheirColumnAndModemBitsAreNamed) {
    std::vector<std::uint8_t> bytes(40, 'x');
    TLogBuffer e(1, 1, 5, 40, bytes.data(), 40);
    const std::string line = FormatDispatchLogEntry(e, true, false);
    EXPECT_EQ(line, "0000.005  Dispatch  ReadCom       00000028  " + std::string(33, 'x') + "\r\n" +
                        std::string(44, ' ') + std::string(7, 'x') + "\r\n");
    TLogBuffer m(2, 4, 0, 0x91, nullptr, 0);
    EXPECT_EQ(FormatDispatchLogEntry(m, true, false),
              "0000.000  Trigger   Modem status  00000091  (DCTS CTS DCD)\r\n");
    TLogBuffer t(9, 14, 0, 8, "Deactivated", 11);
    EXPECT_EQ(FormatDispatchLogEntry(t, true, true),
              "0000.000  TrDatChg  Timer         00000008  "
              "[44][65][61][63][74][69][76][61]\r\n" +
                  std::string(44, ' ') + "[74][65][64]\r\n");
}

TEST(DispatchLog, ACapDropsTheOldestEntriesAndAFailedWriteKeepsThem) {
    TFakeDispatcher d;
    ASSERT_EQ(OpenFake(d), 0);
    d.InitDispatchLogging(10);
    for (int i = 0; i < 5; ++i) d.PutBlock("ABCD", 4);
    EXPECT_LE(d.DLoggingQueue.BytesBuffered(), 14);
    const int before = d.DLoggingQueue.Count();
    EXPECT_EQ(d.DumpDispatchLog("/nonexistent-dir/x/KESL.LOG", true, false), -3);
    EXPECT_EQ(d.DLoggingQueue.Count(), before);
    EXPECT_EQ(d.DumpDispatchLog(std::filesystem::temp_directory_path().string(), true, false), -5);
    EXPECT_EQ(d.DLoggingQueue.Count(), before);
}

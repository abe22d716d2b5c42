// linkdriver's command line: what it accepts and what it turns away before touching a port.
#include <gtest/gtest.h>

#include "DriverArgs.h"

using namespace talvik;

namespace {

bool Parse(std::vector<std::string> args, TDriverArgs& a, std::string& error) {
    return ParseDriverArgs(args, a, error);
}

}  // namespace

TEST(DriverArgs, ReadWriteAndProgramLines) {
    TDriverArgs a;
    std::string e;
    ASSERT_TRUE(Parse({"--port", "51", "--baud", "9600", "read", "10"}, a, e)) << e;
    EXPECT_EQ(a.Port, 51);
    EXPECT_EQ(a.BaudIndex, 3);
    EXPECT_EQ(a.Site, 0);
    EXPECT_EQ(a.Command, TDriverCommand::Read);
    EXPECT_EQ(a.Kind, 10);

    ASSERT_TRUE(Parse({"--port", "3", "--baud", "300", "--site", "255", "write", "511", "0"}, a, e)) << e;
    EXPECT_EQ(a.BaudIndex, 0);
    EXPECT_EQ(a.Site, 255);
    EXPECT_EQ(a.Command, TDriverCommand::Write);
    EXPECT_EQ(a.Address, 511);
    EXPECT_EQ(a.Value, 0);

    ASSERT_TRUE(Parse({"--baud", "1200", "--port", "127", "program", "Z:\\tmp\\image.bin"}, a, e)) << e;
    EXPECT_EQ(a.BaudIndex, 1);
    EXPECT_EQ(a.Command, TDriverCommand::Program);
    EXPECT_EQ(a.File, "Z:\\tmp\\image.bin");
}

TEST(DriverArgs, RangesAreTheLinksOwn) {
    TDriverArgs a;
    std::string e;
    EXPECT_TRUE(Parse({"--port", "1", "--baud", "2400", "read", "2"}, a, e));
    EXPECT_TRUE(Parse({"--port", "1", "--baud", "2400", "read", "11"}, a, e));
    EXPECT_FALSE(Parse({"--port", "1", "--baud", "2400", "read", "1"}, a, e));
    EXPECT_FALSE(Parse({"--port", "1", "--baud", "2400", "read", "12"}, a, e));
    EXPECT_FALSE(Parse({"--port", "1", "--baud", "2400", "write", "255", "1"}, a, e));
    EXPECT_FALSE(Parse({"--port", "1", "--baud", "2400", "write", "512", "1"}, a, e));
    EXPECT_FALSE(Parse({"--port", "1", "--baud", "2400", "write", "300", "256"}, a, e));
    EXPECT_FALSE(Parse({"--port", "0", "--baud", "2400", "read", "2"}, a, e));
    EXPECT_FALSE(Parse({"--port", "128", "--baud", "2400", "read", "2"}, a, e));
    EXPECT_FALSE(Parse({"--port", "1", "--baud", "4800", "read", "2"}, a, e));
    EXPECT_EQ(e, "bad baud rate '4800'");
    EXPECT_FALSE(Parse({"--port", "1", "--baud", "2400", "--site", "0", "read", "2"}, a, e));
    EXPECT_FALSE(Parse({"--port", "1", "--baud", "2400", "--site", "256", "read", "2"}, a, e));
}

TEST(DriverArgs, MalformedLinesAreRefused) {
    TDriverArgs a;
    a.Kind = 7;
    std::string e;
    EXPECT_FALSE(Parse({}, a, e));
    EXPECT_FALSE(Parse({"--baud", "2400", "read", "2"}, a, e));
    EXPECT_EQ(e, "--port and --baud are required");
    EXPECT_FALSE(Parse({"--port", "1", "--baud", "2400"}, a, e));
    EXPECT_EQ(e, "no command");
    EXPECT_FALSE(Parse({"--port", "1", "--baud"}, a, e));
    EXPECT_FALSE(Parse({"--port", "0x1", "--baud", "2400", "read", "2"}, a, e));
    EXPECT_FALSE(Parse({"--port", "-1", "--baud", "2400", "read", "2"}, a, e));
    EXPECT_FALSE(Parse({"--port", "1", "--baud", "2400", "read", "2", "3"}, a, e));
    EXPECT_FALSE(Parse({"--port", "1", "--baud", "2400", "write", "300"}, a, e));
    EXPECT_FALSE(Parse({"--port", "1", "--baud", "2400", "program"}, a, e));
    EXPECT_FALSE(Parse({"--port", "1", "--baud", "2400", "erase"}, a, e));
    EXPECT_EQ(e, "unknown command 'erase'");
    EXPECT_FALSE(Parse({"--port", "1", "--speed", "2400", "read", "2"}, a, e));
    EXPECT_EQ(e, "unknown option --speed");
    EXPECT_FALSE(Parse({"--port", "1", "--baud", "2400", "read", "99999999999"}, a, e));
    // A refused line leaves the caller's arguments as they were.
    EXPECT_EQ(a.Kind, 7);
}

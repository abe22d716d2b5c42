// regsim on a real pseudo-terminal pair made by the serialrig script (without Wine): answers,
// memory file, options, the peer closing and reopening, and the pair being pulled and put back.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

std::string Slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

class Rig : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/regsim_rig_test.XXXXXX";
        dir_ = mkdtemp(tmpl);
        // A memory image with a pattern, so replies show they come from the file.
        std::string mem(512, '\0');
        for (int i = 0; i < 512; ++i) mem[i] = static_cast<char>((i * 7 + 3) & 0xFF);
        std::ofstream(dir_ + "/mem22.bin", std::ios::binary) << mem;
        ASSERT_EQ(RunRig("start", "--baud 0"), 0);
        Open();
    }
    void TearDown() override {
        if (fd_ >= 0) close(fd_);
        RunRig("stop");
        std::system(("rm -rf '" + dir_ + "'").c_str());
    }

    int RunRig(const std::string& cmd, const std::string& args = "") {
        const std::string line = "WINEPREFIX=none TALVIK_NATIVE_BUILD='" NATIVE_BUILD "' '" SERIALRIG "' " +
                                 cmd + " '" + dir_ + "' 22 " + args + " >>'" + dir_ + "/rig.out' 2>&1";
        return std::system(line.c_str());
    }

    void Open() {
        fd_ = open((dir_ + "/com22").c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(fd_, 0);
        termios t{};
        ASSERT_EQ(tcgetattr(fd_, &t), 0);
        cfmakeraw(&t);
        ASSERT_EQ(tcsetattr(fd_, TCSANOW, &t), 0);
    }

    // Sends a frame and collects what comes back until `want` bytes came or the line stays
    // quiet for quietMs.
    Bytes Ask(const Bytes& frame, std::size_t want, int quietMs = 3000) {
        EXPECT_EQ(write(fd_, frame.data(), frame.size()), static_cast<ssize_t>(frame.size()));
        Bytes got;
        while (got.size() < want) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, quietMs) <= 0) break;
            unsigned char b[64];
            const ssize_t n = read(fd_, b, sizeof b);
            if (n <= 0) break;
            got.insert(got.end(), b, b + n);
        }
        return got;
    }

    // The simulator saves after each change; waits for the expected byte to show in the file.
    unsigned char MemoryByte(int addr, unsigned char expect) {
        std::string mem;
        for (int i = 0; i < 100; ++i) {
            mem = Slurp(dir_ + "/mem22.bin");
            if (mem.size() == 512 && static_cast<unsigned char>(mem[addr]) == expect) break;
            usleep(50000);
        }
        return mem.size() == 512 ? static_cast<unsigned char>(mem[addr]) : 0;
    }

    std::string dir_;
    int fd_ = -1;
};

}  // namespace

TEST_F(Rig, AnswersFromTheMemoryFileAndSavesWrites) {
    EXPECT_EQ(Ask({0x14, 0x05, 0x00, 0xEB}, 2), (Bytes{200, (5 * 7 + 3)}));
    EXPECT_EQ(Ask({0x48, 0x0A, 0x00, 0xB7}, 2), (Bytes{200, (266 * 7 + 3) & 0xFF}));
    // Unlock, EEPROM write, read-back.
    EXPECT_EQ(Ask({0x98, 250, 0xA5, 0x67, 0xCA, 0x0A, 0x77, 0x35, 0x48, 0x0A, 0x00, 0xB7}, 2),
              (Bytes{200, 0x77}));
    EXPECT_EQ(MemoryByte(266, 0x77), 0x77);
    const std::string log = Slurp(dir_ + "/sim22.log");
    EXPECT_NE(log.find("\t14 05 00 EB\t-\tram-read\t5\t0\tok\tanswered\n"), std::string::npos) << log;
    EXPECT_NE(log.find("\tCA 0A 77 35\t-\teeprom-write\t266\t119\tok\twritten\n"), std::string::npos) << log;
    // Each reply written is noted with its time, after the frame it answers.
    EXPECT_NE(log.find(" sent C8", log.find("\t14 05 00 EB\t")), std::string::npos) << log;
}

TEST_F(Rig, SurvivesThePeerClosingAndReopening) {
    EXPECT_EQ(Ask({0x14, 0x01, 0x00, 0xEA}, 2, 500).size(), 0u);  // bad check byte: no frame
    close(fd_);
    Open();
    EXPECT_EQ(Ask({0x14, 0x06, 0x00, 0xEB}, 2), (Bytes{200, 6 * 7 + 3}));
}

TEST_F(Rig, FindsThePairAgainAfterItWasPulled) {
    EXPECT_EQ(Ask({0x14, 0x05, 0x00, 0xEB}, 2).size(), 2u);
    close(fd_);
    fd_ = -1;
    ASSERT_EQ(RunRig("unplug"), 0);
    EXPECT_NE(access((dir_ + "/com22").c_str(), F_OK), 0);
    ASSERT_EQ(RunRig("plug"), 0);
    Open();
    // The simulator reopens its end within a moment; the first request may go to nobody.
    Bytes got;
    for (int i = 0; i < 20 && got.size() < 2; ++i) got = Ask({0x14, 0x07, 0x00, 0xEB}, 2, 500);
    EXPECT_EQ(got, (Bytes{200, 7 * 7 + 3}));
    const std::string log = Slurp(dir_ + "/sim22.log");
    EXPECT_NE(log.find(" port lost\n"), std::string::npos) << log;
}

TEST_F(Rig, RestartWithSiteAndFaultOptionsKeepsTheMemory) {
    EXPECT_EQ(Ask({0x98, 0x09, 0x42, 0x67}, 1, 300), Bytes{});
    EXPECT_EQ(MemoryByte(9, 0x42), 0x42);
    ASSERT_EQ(RunRig("sim", "--baud 0 --site 3 --wrong-header 1 --wrong-header-byte 243"), 0);
    EXPECT_EQ(Ask({0x14, 0x09, 0x00, 0xEB}, 2, 500), Bytes{});  // single form means nothing now
    EXPECT_EQ(Ask({0x03, 0x14, 0x09, 0x00, 0x20}, 2), (Bytes{243, 0x42}));
    EXPECT_EQ(Ask({0x03, 0x14, 0x09, 0x00, 0x20}, 2), (Bytes{200, 0x42}));
    // A bad option stops the simulator from starting, and the script says so.
    EXPECT_NE(RunRig("sim", "--garbage lots"), 0);
    EXPECT_NE(Slurp(dir_ + "/rig.out").find("bad value for --garbage"), std::string::npos);
}

TEST_F(Rig, LinesCommandShowsAndSetsTheStateFile) {
    ASSERT_EQ(RunRig("lines", "DCD=1 CTS=1"), 0);
    EXPECT_EQ(Slurp(dir_ + "/com22.lines"), "DTR=0 RTS=0 DCD=1 DSR=0 CTS=1 RI=0\n");
    EXPECT_NE(RunRig("lines", "DCD=2"), 0);
}

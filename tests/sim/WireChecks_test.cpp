// The judge of a frame log: runs written as the simulator logs them, whole and with what verifies
// them taken out, through the wirecheck program the end-to-end scenarios call.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "WireChecks.h"

namespace {

// A frame log in regsim's form: frames and the notes of the replies written.
class Log {
public:
    explicit Log(int site = 0) : site_(site) {}
    // A frame heard at the current time; a read is answered `replyAfter` ms later with `reply`
    // (-1: not answered).
    Log& Frame(int command, int address, int data, int reply = -1, int replyAfter = 5) {
        std::ostringstream s;
        char hex[8];
        auto byte = [&](int b) { std::snprintf(hex, sizeof hex, "%02X", b); s << hex; };
        s << now_ << "\t";
        if (site_) { byte(site_); s << " "; }
        byte(command); s << " "; byte(address); s << " "; byte(data); s << " "; byte((command + address + data) & 0xFF);
        const bool read = command == 0x48 || command == 0x14;
        s << "\t" << (site_ ? std::to_string(site_) : "-") << "\t"
          << (command == 0x48 ? "eeprom-read" : command == 0x14 ? "ram-read" : command == 0xCA ? "eeprom-write" : "ram-write")
          << "\t" << address << "\t" << data << "\tok\t" << (read ? (reply >= 0 ? "answered" : "silent") : "written");
        text_ += s.str() + "\n";
        if (read && reply >= 0) {
            std::snprintf(hex, sizeof hex, "%02X", reply);
            text_ += "# " + std::to_string(now_ + replyAfter) + " sent C8 " + hex + "\n";
        }
        return *this;
    }
    Log& Wait(int ms) { now_ += ms; return *this; }
    Log& Unlock() { return Frame(0x98, 250, 0xA5).Wait(220); }
    // An EEPROM attempt: unlock, write, then read-backs answered with `replies`.
    Log& Attempt(int address, int value, std::initializer_list<int> replies, int replyAfter = 5) {
        Unlock().Frame(0xCA, address, value).Wait(605);
        for (int r : replies) Frame(0x48, address, 0, r, replyAfter).Wait(r >= 0 && replyAfter < 100 ? 110 : 770);
        return Wait(605);
    }
    const std::string& Text() const { return text_; }

private:
    int site_;
    std::uint64_t now_ = 100;
    std::string text_;
};

talvik::sim::WriteRun Write(const Log& log, int address, int value) {
    return talvik::sim::CheckSettingWrite(talvik::sim::ParseSimLog(log.Text()), 0, address, value);
}

// The whole list programmed into a regulator whose memory ends as `after`: EEPROM 44..14, then
// RAM 94..64, with `eepromReads` agreeing read-backs and `ramReads` read-backs each.
Log ProgramRun(const std::string& after, int eepromReads, int ramReads) {
    Log log(17);
    for (int a = 44; a >= 14; --a) {
        const int v = after[256 + a] & 0xFF;
        log.Unlock().Frame(0xCA, a, v).Wait(605);
        for (int k = 0; k < eepromReads; ++k) log.Frame(0x48, a, 0, v).Wait(110);
    }
    for (int a = 94; a >= 64; --a) {
        log.Frame(0x98, a, after[a] & 0xFF).Wait(605);
        for (int k = 0; k < ramReads; ++k) log.Frame(0x14, a, 0, after[a] & 0xFF).Wait(110);
    }
    return log;
}

std::string Memory() {
    std::string m(512, '\0');
    for (int a = 0; a < 512; ++a) m[a] = static_cast<char>(a * 7 + 3);
    return m;
}

std::string Judge(const std::string& args, const Log& log, int& status) {
    const std::string path = ::testing::TempDir() + "wirecheck-" + std::to_string(::getpid()) + ".log";
    std::ofstream(path) << log.Text();
    std::string out;
    FILE* p = popen((std::string(WIRECHECK) + " " + args.substr(0, args.find(' ')) + " " + path + " " +
                     args.substr(args.find(' ') + 1) + " 2>&1").c_str(), "r");
    char buf[512];
    while (p && fgets(buf, sizeof buf, p)) out += buf;
    status = p ? WEXITSTATUS(pclose(p)) : -1;
    std::remove(path.c_str());
    return out;
}

TEST(WireChecks, ASettingWriteHoldsOnlyWhenItsLastAttemptEndsOnTwoAgreeingReadBacks) {
    // Verified: two read-backs of the value, then the final step.
    Log good;
    good.Attempt(44, 77, {77, 77}).Frame(0x57, 2, 0);
    EXPECT_TRUE(Write(good, 44, 77).Ok()) << Write(good, 44, 77).Describe();

    // Not read back, or read back once: a run that verifies nothing fails.
    Log none;
    none.Attempt(44, 77, {}).Frame(0x57, 2, 0);
    EXPECT_NE(Write(none, 44, 77).Describe().find("ends on 0 read-backs"), std::string::npos);
    Log once;
    once.Attempt(44, 77, {77}).Frame(0x57, 2, 0);
    EXPECT_FALSE(Write(once, 44, 77).Ok());

    // Sent again after a right reply written 5 ms after its ask: a reply the link did not take.
    Log missed;
    missed.Attempt(44, 77, {77}).Attempt(44, 77, {77, 77}).Frame(0x57, 2, 0);
    const auto m = Write(missed, 44, 77);
    ASSERT_EQ(m.faults.size(), 1u) << m.Describe();
    EXPECT_NE(m.faults[0].find("a right reply in good time, not taken"), std::string::npos);

    // Read back a third time after two right replies in good time: one of them was not taken.
    Log third;
    third.Attempt(44, 77, {77, 77, 77}).Frame(0x57, 2, 0);
    const auto t = Write(third, 44, 77);
    ASSERT_EQ(t.faults.size(), 1u) << t.Describe();
    EXPECT_NE(t.faults[0].find("read back again after two right replies in good time"), std::string::npos);

    // A read-back that reached the regulator 5 ms after its write was held up on its way (the
    // link waits 605 ms between them): its prompt reply was late for the link.
    Log held;
    held.Unlock().Frame(0xCA, 44, 77).Wait(5).Frame(0x48, 44, 0, 77).Wait(390);
    held.Attempt(44, 77, {77, 77}).Frame(0x57, 2, 0);
    EXPECT_TRUE(Write(held, 44, 77).Ok()) << Write(held, 44, 77).Describe();

    // After a reply that came 300 ms late, or one read back wrong, the retry is explained.
    Log late;
    late.Attempt(44, 77, {77}, 300).Attempt(44, 77, {77, 77}).Frame(0x57, 2, 0);
    EXPECT_TRUE(Write(late, 44, 77).Ok()) << Write(late, 44, 77).Describe();
    EXPECT_EQ(Write(late, 44, 77).retries.size(), 1u);
    Log wrong;
    wrong.Attempt(44, 77, {178, 178}).Attempt(44, 77, {77, 77}).Frame(0x57, 2, 0);
    EXPECT_TRUE(Write(wrong, 44, 77).Ok()) << Write(wrong, 44, 77).Describe();

    // A third attempt is more than the link makes.
    Log three;
    three.Attempt(44, 77, {178, 178}).Attempt(44, 77, {178, 178}).Attempt(44, 77, {77, 77}).Frame(0x57, 2, 0);
    EXPECT_FALSE(Write(three, 44, 77).Ok());
}

TEST(WireChecks, AProgramRunMustReadBackEverySettingAndEveryRamCopy) {
    const std::string after = Memory();
    int status = -1;
    const std::string expected = ::testing::TempDir() + "wirecheck-expected.bin";
    std::ofstream(expected, std::ios::binary) << after;

    std::string out = Judge("program 0 17 " + expected, ProgramRun(after, 2, 1), status);
    EXPECT_EQ(status, 0) << out;

    // Not one read-back: every setting and every RAM copy is named.
    out = Judge("program 0 17 " + expected, ProgramRun(after, 0, 0), status);
    EXPECT_EQ(status, 1) << out;
    EXPECT_NE(out.find("fault: frame 0 at 100 ms: EEPROM 44: its last attempt ends on 0 read-backs, not on 2"), std::string::npos)
        << out;
    EXPECT_NE(out.find("RAM copy 64: its last attempt ends on 0 read-backs, not on 1 that read back"),
              std::string::npos)
        << out;

    // The EEPROM read back, the RAM copies not.
    out = Judge("program 0 17 " + expected, ProgramRun(after, 2, 0), status);
    EXPECT_EQ(status, 1) << out;
    EXPECT_EQ(out.find("EEPROM 44: its last"), std::string::npos) << out;

    // Another regulator's memory: the bytes written are not the ones asked for.
    std::string other = after;
    other[256 + 30] ^= 1;
    std::ofstream(expected, std::ios::binary) << other;
    out = Judge("program 0 17 " + expected, ProgramRun(after, 2, 1), status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(out.find("EEPROM 30 written as"), std::string::npos) << out;
    std::remove(expected.c_str());
}

TEST(WireChecks, ReadsAskedAgainAfterAReplyInGoodTimeAreMissed) {
    Log log;
    // Address 5 asked twice (its two samples): nothing to judge. Address 6 asked three times,
    // the reply to the first written 4 ms after it and not taken.
    log.Frame(0x14, 5, 0, 9).Wait(110).Frame(0x14, 5, 0, 9).Wait(110);
    log.Frame(0x14, 6, 0, 9, 4).Wait(770).Frame(0x14, 6, 0, 9).Wait(110).Frame(0x14, 6, 0, 9).Wait(110);
    int status = -1;
    const std::string out = Judge("reads 0", log, status);
    EXPECT_EQ(status, 1) << out;
    EXPECT_NE(out.find("missed: address 6 asked at 320 ms, answered 4 ms after the ask, 766 ms before the next frame"),
              std::string::npos)
        << out;
}

}  // namespace

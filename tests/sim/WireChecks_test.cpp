// The judge of a frame log: runs written as the simulator logs them at 300, 2400 and 9600 baud
// (with the link's trace of the same run where a rule needs its looks), whole and with a fault
// put in, through the wirecheck program the end-to-end scenarios call.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "WireChecks.h"

namespace {

constexpr int kBauds[] = {300, 2400, 9600};
constexpr int kLookMs = talvik::linktiming::DirectReplyTicks * talvik::linktiming::TickMs;

// A run as the simulator logs it and as the link traces it, on one clock: a frame is sent at the
// current time and reaches the regulator one wire time later; a read is answered `replyAfter` ms
// after that, its reply complete on the line one reply wire time later.
class Log {
public:
    explicit Log(int baud = 9600, int site = 0) : baud_(baud), site_(site) {
        text_ = "# regsim started, times in ms from start; port x, site " + std::to_string(site) + ", " +
                std::to_string(baud) + " baud\n";
    }
    // A frame sent now; a read answered with `reply` (-1: not answered).
    Log& Frame(int command, int address, int data, int reply = -1, int replyAfter = 5) {
        std::vector<int> bytes;
        if (site_) bytes.push_back(site_);
        bytes.insert(bytes.end(), {command, address, data, site_ ? (site_ + command + address + data) & 0xFF : 0xFF ^ command});
        const std::int64_t arrival = now_ + Wire(bytes.size());
        std::ostringstream s;
        char hex[16];
        s << arrival << "\t";
        trace_ += std::to_string(now_) + " (1) ";
        for (std::size_t k = 0; k < bytes.size(); ++k) {
            std::snprintf(hex, sizeof hex, "%02X", bytes[k]);
            s << (k ? " " : "") << hex;
            trace_ += std::string(" ") + hex;
        }
        trace_ += "\n";
        const bool read = command == 0x48 || command == 0x14;
        s << "\t" << (site_ ? std::to_string(site_) : "-") << "\t"
          << (command == 0x48 ? "eeprom-read" : command == 0x14 ? "ram-read" : command == 0xCA ? "eeprom-write" : "ram-write")
          << "\t" << address << "\t" << data << "\tok\t" << (read ? (reply >= 0 ? "answered" : "silent") : "written");
        text_ += s.str() + "\n";
        replied_ = -1;
        if (read && reply >= 0) {
            replied_ = arrival + replyAfter + Wire(2);
            std::snprintf(hex, sizeof hex, "%02X", reply);
            text_ += "# " + std::to_string(replied_) + " sent C8 " + hex + "\n";
        }
        return *this;
    }
    Log& Wait(int ms) { now_ += ms; return *this; }
    // A read (or read-back) and the link's looks at it, one reply wait apart: its reply taken at
    // the first look after it is complete, or `late` looks after that; not answered, or never
    // taken, it is given up at the last look. The next frame goes at the look that ends it.
    Log& Ask(int command, int address, int reply, int late = 0, int replyAfter = 5) {
        Frame(command, address, 0, reply, replyAfter);
        const std::int64_t sent = now_;
        const int looks = command == 0x48 ? talvik::linktiming::ReadBackLooks : talvik::linktiming::LooksPerSend;
        for (int k = 1; k <= looks; ++k) {
            now_ = sent + static_cast<std::int64_t>(k) * kLookMs;
            trace_ += std::to_string(now_) + " trigger timer event GET\n";
            if (replied_ >= 0 && replied_ < now_ && late-- == 0) break;
        }
        return *this;
    }
    Log& Unlock() { return Frame(0x98, 250, 0xA5).Wait(220); }
    // An EEPROM attempt: unlock, write, then read-backs answered with `replies`; `late` looks
    // after each reply is complete (a large number: never taken).
    Log& Attempt(int address, int value, std::initializer_list<int> replies, int replyAfter = 5, int late = 0) {
        Unlock().Frame(0xCA, address, value).Wait(605);
        for (int r : replies) Ask(0x48, address, r, late, replyAfter);
        return Wait(605);
    }
    const std::string& Text() const { return text_; }
    const std::string& Trace() const { return trace_; }

private:
    std::int64_t Wire(std::size_t bytes) const { return static_cast<std::int64_t>(bytes) * 10 * 1000 / baud_; }
    int baud_, site_;
    std::int64_t now_ = 100, replied_ = -1;
    std::string text_, trace_;
};

talvik::sim::WriteRun Write(const Log& log, int address, int value, bool failed = false) {
    talvik::sim::RunOptions o;
    o.failed = failed;
    return talvik::sim::CheckSettingWrite(talvik::sim::ParseSimLog(log.Text()), 0, address, value, o);
}

std::string Find(const talvik::sim::WriteRun& run, const std::string& what) {
    for (const std::string& f : run.faults)
        if (f.find(what) != std::string::npos) return f;
    return {};
}

// The whole list programmed into a regulator whose memory ends as `after`: EEPROM 44..14, then
// RAM 94..64, with `eepromReads` agreeing read-backs and `ramReads` read-backs each.
Log ProgramRun(const std::string& after, int eepromReads, int ramReads, int baud) {
    Log log(baud, 17);
    for (int a = 44; a >= 14; --a) {
        const int v = after[256 + a] & 0xFF;
        log.Unlock().Frame(0xCA, a, v).Wait(605);
        for (int k = 0; k < eepromReads; ++k) log.Ask(0x48, a, v);
        log.Wait(605);
    }
    for (int a = 94; a >= 64; --a) {
        log.Frame(0x98, a, after[a] & 0xFF).Wait(605);
        for (int k = 0; k < ramReads; ++k) log.Ask(0x14, a, after[a] & 0xFF);
        log.Wait(605);
    }
    return log;
}

std::string Memory() {
    std::string m(512, '\0');
    for (int a = 0; a < 512; ++a) m[a] = static_cast<char>(a * 7 + 3);
    return m;
}

// wirecheck KIND LOG ARGS [--trace TRACE], with the log (and its trace) in scratch files.
// wirecheck's output with these arguments, and its exit status.
std::string Wirecheck(const std::string& args, int& status) {
    std::string out;
    FILE* p = popen((std::string(WIRECHECK) + " " + args + " 2>&1").c_str(), "r");
    char buf[1024];
    while (p && fgets(buf, sizeof buf, p)) out += buf;
    status = p ? WEXITSTATUS(pclose(p)) : -1;
    return out;
}

std::string Judge(const std::string& args, const Log& log, int& status, bool withTrace = false) {
    const std::string base = ::testing::TempDir() + "wirecheck-" + std::to_string(::getpid());
    std::ofstream(base + ".log") << log.Text();
    std::ofstream(base + ".trace") << log.Trace();
    const std::string out = Wirecheck(args.substr(0, args.find(' ')) + " " + base + ".log " + args.substr(args.find(' ') + 1) +
                                          (withTrace ? " --trace " + base + ".trace" : ""),
                                      status);
    std::remove((base + ".log").c_str());
    std::remove((base + ".trace").c_str());
    return out;
}

TEST(WireChecks, ASettingWriteHoldsOnlyWhenItsLastAttemptEndsOnTwoAgreeingReadBacks) {
    for (int baud : kBauds) {
        SCOPED_TRACE(std::to_string(baud) + " baud");
        // Verified: two read-backs of the value, then the final step.
        Log good(baud);
        good.Attempt(44, 77, {77, 77}).Frame(0x57, 2, 0);
        EXPECT_TRUE(Write(good, 44, 77).Ok()) << Write(good, 44, 77).Describe();

        // Not read back, or read back once: a run that verifies nothing fails.
        Log none(baud);
        none.Attempt(44, 77, {}).Frame(0x57, 2, 0);
        EXPECT_NE(Find(Write(none, 44, 77), "ends on 0 read-backs"), "");
        Log once(baud);
        once.Attempt(44, 77, {77}).Frame(0x57, 2, 0);
        EXPECT_FALSE(Write(once, 44, 77).Ok());

        // Read back a third time after two right replies taken at once: one was lost on its way.
        Log third(baud);
        third.Attempt(44, 77, {77, 77, 77}).Frame(0x57, 2, 0);
        const auto t = Write(third, 44, 77);
        ASSERT_EQ(t.faults.size(), 1u) << t.Describe();
        EXPECT_NE(t.faults[0].find("read back again after two right replies in good time"), std::string::npos);

        // A wrong read-back explains the retry; a third attempt is more than the link makes.
        Log wrong(baud);
        wrong.Attempt(44, 77, {178, 178}).Attempt(44, 77, {77, 77}).Frame(0x57, 2, 0);
        EXPECT_TRUE(Write(wrong, 44, 77).Ok()) << Write(wrong, 44, 77).Describe();
        Log three(baud);
        three.Attempt(44, 77, {178, 178}).Attempt(44, 77, {178, 178}).Attempt(44, 77, {77, 77}).Frame(0x57, 2, 0);
        EXPECT_FALSE(Write(three, 44, 77).Ok());
    }
}

TEST(WireChecks, AnAttemptSentAgainAfterARightReplyBeforeTheLastLookMissedIt) {
    for (int baud : kBauds) {
        SCOPED_TRACE(std::to_string(baud) + " baud");
        // The read-back's reply was on the line from its first look on and never taken.
        Log missed(baud);
        missed.Attempt(44, 77, {77}, 5, 99).Attempt(44, 77, {77, 77}).Frame(0x57, 2, 0);
        const auto m = Write(missed, 44, 77);
        ASSERT_EQ(m.faults.size(), 1u) << m.Describe();
        EXPECT_NE(m.faults[0].find("a right reply on the line before the link gave up, not taken"), std::string::npos)
            << m.faults[0];

        // The reply came after the link's last look at it (900 ms after the ask): the retry is explained.
        Log late(baud);
        late.Attempt(44, 77, {77}, 900).Attempt(44, 77, {77, 77}).Frame(0x57, 2, 0);
        const auto l = Write(late, 44, 77);
        EXPECT_TRUE(l.Ok()) << l.Describe();
        EXPECT_EQ(l.retries.size(), 1u) << l.Describe();

        // A single write: read-back 2 reached the regulator 51 ms after read-back 1 and was answered
        // 5 ms later; the link never took that reply, and sent the retry's unlock 1369 ms later.
        Log held(baud);
        held.Unlock().Frame(0xCA, 44, 77).Wait(605).Frame(0x48, 44, 0, 77).Wait(51).Frame(0x48, 44, 0, 77).Wait(1369);
        held.Attempt(44, 77, {77, 77}).Frame(0x57, 2, 0);
        const auto h = Write(held, 44, 77);
        EXPECT_NE(Find(h, "not taken"), "") << h.Describe();
        std::printf("%d baud: %s\n", baud, Find(h, "not taken").c_str());
        int status = -1;
        const std::string out = Judge("write 0 0 44 77", held, status);
        EXPECT_EQ(status, 1) << out;
        EXPECT_NE(out.find("fault: frame 4 at "), std::string::npos) << out;
    }
}

TEST(WireChecks, AFailedWriteIsJudgedByTheSameRules) {
    for (int baud : kBauds) {
        SCOPED_TRACE(std::to_string(baud) + " baud");
        // Read back wrong in both attempts, then given up: what a failing write sends.
        Log failing(baud);
        failing.Attempt(44, 77, {178, 178}).Attempt(44, 77, {178, 178});
        int status = -1;
        std::string out = Judge("write 0 0 44 77 --failed", failing, status);
        EXPECT_EQ(status, 0) << out;

        // Its last attempt sends the unlock frame and not the write.
        Log unlocked(baud);
        unlocked.Attempt(44, 77, {178, 178}).Unlock().Wait(605).Ask(0x48, 44, 178).Ask(0x48, 44, 178);
        out = Judge("write 0 0 44 77 --failed", unlocked, status);
        EXPECT_EQ(status, 1) << out;
        EXPECT_NE(out.find("an unlock frame not directly followed by the write of 77 to EEPROM 44"), std::string::npos)
            << out;

        // Given up after one attempt, or failed although verified.
        Log oneAttempt(baud);
        oneAttempt.Attempt(44, 77, {178, 178});
        EXPECT_NE(Find(Write(oneAttempt, 44, 77, true), "a failed write after 1 attempt"), "");
        Log verified(baud);
        verified.Attempt(44, 77, {178, 178}).Attempt(44, 77, {77, 77});
        EXPECT_NE(Find(Write(verified, 44, 77, true), "whose last attempt was verified"), "");
    }
}

TEST(WireChecks, AProgramRunMustReadBackEverySettingAndEveryRamCopy) {
    const std::string after = Memory();
    int status = -1;
    const std::string expected = ::testing::TempDir() + "wirecheck-expected-" + std::to_string(::getpid()) + ".bin";
    for (int baud : kBauds) {
        SCOPED_TRACE(std::to_string(baud) + " baud");
        std::ofstream(expected, std::ios::binary) << after;
        std::string out = Judge("program 0 17 " + expected, ProgramRun(after, 2, 1, baud), status);
        EXPECT_EQ(status, 0) << out;
        out = Judge("program 0 17 " + expected, ProgramRun(after, 2, 1, baud), status, true);
        EXPECT_EQ(status, 0) << out;

        // Not one read-back: every setting and every RAM copy is named.
        out = Judge("program 0 17 " + expected, ProgramRun(after, 0, 0, baud), status);
        EXPECT_EQ(status, 1) << out;
        EXPECT_NE(out.find("fault: frame 0 at "), std::string::npos) << out;
        EXPECT_NE(out.find("EEPROM 44: its last attempt ends on 0 read-backs, not on 2"), std::string::npos) << out;
        EXPECT_NE(out.find("RAM copy 64: its last attempt ends on 0 read-backs, not on 1 that read back"),
                  std::string::npos)
            << out;

        // The EEPROM read back, the RAM copies not.
        out = Judge("program 0 17 " + expected, ProgramRun(after, 2, 0, baud), status);
        EXPECT_EQ(status, 1) << out;
        EXPECT_EQ(out.find("EEPROM 44: its last"), std::string::npos) << out;

        // Into a silent regulator: the first setting given up twice is a failed run, nothing more.
        const int first = after[256 + 44] & 0xFF;
        Log silent(baud, 17);
        silent.Attempt(44, first, {-1}).Attempt(44, first, {-1});
        out = Judge("program 0 17 " + expected + " --failed", silent, status);
        EXPECT_EQ(status, 0) << out;
        out = Judge("program 0 17 " + expected, silent, status);
        EXPECT_EQ(status, 1) << out;

        // Another regulator's memory: the bytes written are not the ones asked for.
        std::string other = after;
        other[256 + 30] ^= 1;
        std::ofstream(expected, std::ios::binary) << other;
        out = Judge("program 0 17 " + expected, ProgramRun(after, 2, 1, baud), status);
        EXPECT_EQ(status, 1);
        EXPECT_NE(out.find("EEPROM 30 written as"), std::string::npos) << out;
    }
    std::remove(expected.c_str());
}

// A read run of `n` addresses, each asked twice; the asks listed in `late` are taken that many
// looks after their reply was complete.
Log ReadRun(int baud, int n, const std::map<int, int>& late = {}) {
    Log log(baud);
    int ask = 0;
    for (int a = 0; a < n; ++a)
        for (int k = 0; k < 2; ++k, ++ask) log.Ask(0x14, 100 + a, a, late.count(ask) ? late.at(ask) : 0);
    return log;
}

TEST(WireChecks, ReadRepliesAreTakenAtTheFirstLookAfterTheyAreCompleteAllButAHeldBackFew) {
    // Every k-th ask from the first, taken a look late.
    const auto everyKth = [](int asks, int k) {
        std::map<int, int> late;
        for (int a = 0; a < asks; a += k) late[a] = 1;
        return late;
    };
    for (int baud : kBauds) {
        SCOPED_TRACE(std::to_string(baud) + " baud");
        int status = -1;
        std::string out = Judge("reads 0", ReadRun(baud, 20), status, true);
        EXPECT_EQ(status, 0) << out;
        EXPECT_NE(out.find("first looks: 39 of 39 replies"), std::string::npos) << out;

        // Two looks held back by a loaded machine, even in a short run, pass; a third fails.
        out = Judge("reads 0", ReadRun(baud, 20, {{7, 2}, {20, 1}}), status, true);
        EXPECT_EQ(status, 0) << out;
        out = Judge("reads 0", ReadRun(baud, 20, {{7, 2}, {20, 1}, {30, 1}}), status, true);
        EXPECT_EQ(status, 1) << out;
        EXPECT_NE(out.find("slow: 36 of 39 replies taken at the first look after they were complete (3 later, at most 2 "
                           "allowed); address 103 asked at "),
                  std::string::npos)
            << out;

        // A long run: one take late in forty passes, one in ten fails.
        out = Judge("reads 0", ReadRun(baud, 150, everyKth(300, 40)), status, true);
        EXPECT_EQ(status, 0) << out;
        out = Judge("reads 0", ReadRun(baud, 150, everyKth(300, 10)), status, true);
        EXPECT_EQ(status, 1) << out;
        EXPECT_NE(out.find("slow: 269 of 299 replies"), std::string::npos) << out;
    }
    // The reads of a scenario together.
    int status = -1;
    EXPECT_NE(Wirecheck("firstlooks 352 360", status).find("first looks: 352 of 360 replies"), std::string::npos);
    EXPECT_EQ(status, 0);
    EXPECT_NE(Wirecheck("firstlooks 330 360", status).find("slow: 330 of 360 replies taken at the first look after they "
                                                      "were complete (30 later, at most 10 allowed)"),
              std::string::npos);
    EXPECT_EQ(status, 1);
}

TEST(WireChecks, ReadsAskedAgainAfterAReplyBeforeTheLastLookAreMissed) {
    for (int baud : kBauds) {
        SCOPED_TRACE(std::to_string(baud) + " baud");
        for (bool traced : {false, true}) {
            // Address 5 asked twice (its two samples): nothing to judge. Address 6 asked three
            // times, the reply to the first never taken.
            Log log(baud);
            log.Ask(0x14, 5, 9).Ask(0x14, 5, 9).Ask(0x14, 6, 9, 99).Ask(0x14, 6, 9).Ask(0x14, 6, 9);
            int status = -1;
            std::string out = Judge("reads 0", log, status, traced);
            EXPECT_EQ(status, 1) << out;
            EXPECT_NE(out.find("missed: address 6 asked at "), std::string::npos) << out;

            // The first reply complete after the link's last look: a late reply, allowed.
            Log late(baud);
            late.Ask(0x14, 5, 9).Ask(0x14, 5, 9).Ask(0x14, 6, 9, 0, 800).Ask(0x14, 6, 9).Ask(0x14, 6, 9);
            out = Judge("reads 0", late, status, traced);
            EXPECT_EQ(status, 0) << out;
            EXPECT_NE(out.find("late: address 6 asked at "), std::string::npos) << out;
        }
    }
}

}  // namespace

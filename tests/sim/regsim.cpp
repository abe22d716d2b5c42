// regsim: a simulated regulator on one end of a pseudo-terminal pair, for tests that run the
// real program under Wine against it. It keeps the regulator's memory in a 512-byte file, logs
// every frame it hears with its arrival time, and answers in real time at the line speed it is
// told (a byte at 300 baud takes 33 ms each way). When the pseudo-terminal goes away (the pair
// was closed, as when an adapter is pulled) it waits for the path to come back and carries on.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <fstream>
#include <string>
#include <vector>

#include "LineTiming.h"
#include "RegulatorSim.h"

using namespace talvik::sim;

namespace {

volatile sig_atomic_t g_stop = 0;
void OnSignal(int) { g_stop = 1; }

const char* const Usage =
    "usage: regsim --port PATH --memory FILE [options]\n"
    "  --port PATH            pseudo-terminal end to serve (reopened when it comes back)\n"
    "  --memory FILE          512-byte memory image; created zero-filled if missing, saved on change\n"
    "  --log FILE             frame log, one line per frame (appended)\n"
    "  --ready FILE           created once the port is open\n"
    "  --site N               site number 1-255 (5-byte frames); 0 = single regulator (default)\n"
    "  --baud B               line speed for pacing (default 9600; 0 = no pacing)\n"
    "  --reply-delay MS       turnaround before each reply (default 5)\n"
    "  --unlock ADDR,DATA     unlock RAM address and data byte (default 250,165)\n"
    "  --eeprom unlock|refuse|open   EEPROM write rule (default unlock)\n"
    "faults (N = number of replies or frames affected, or 'always'):\n"
    "  --silence N  --garbage N [--garbage-length L]  --alternate N  --split N [--split-delay MS]\n"
    "  --wrong-header N [--wrong-header-byte B]  --slow N [--slow-delay MS]  --bad-readback N\n"
    "  --bad-replies PCT      that percentage of read replies, at random, carry a changed data byte\n"
    "  --lose-writes PCT      that percentage of write frames (RAM and EEPROM), at random, never arrive\n"
    "  --seed S               seed of those random faults (default 1)\n"
    "  --silent-after N       answer the first N frames, then nothing\n"
    "  --babble-after N       200 ms after the Nth frame, send 0x55 without end at the line speed\n"
    "  --babble-bytes 55|random|reply   what the babble is: 0x55, random bytes, or \"200 77\" again\n";

[[noreturn]] void Fail(const std::string& msg) {
    std::fprintf(stderr, "regsim: %s\n", msg.c_str());
    std::exit(2);
}

unsigned long Number(const std::string& opt, const std::string& v, unsigned long max) {
    char* end = nullptr;
    errno = 0;
    unsigned long n = std::strtoul(v.c_str(), &end, 0);
    if (v.empty() || *end || errno || v[0] == '-' || n > max) Fail("bad value for " + opt + ": '" + v + "'");
    return n;
}

std::uint32_t Count(const std::string& opt, const std::string& v) {
    if (v == "always") return Always;
    return static_cast<std::uint32_t>(Number(opt, v, Always - 1));
}

std::uint64_t NowUs() {
    using namespace std::chrono;
    static const auto start = steady_clock::now();
    return static_cast<std::uint64_t>(duration_cast<microseconds>(steady_clock::now() - start).count());
}

struct Options {
    std::string port, memory, log, ready;
    std::uint32_t baud = 9600;
    std::uint32_t babbleAfter = Always;
    std::string babbleBytes = "55";
};

// The next byte a babbling device sends.
std::uint8_t BabbleByte(const std::string& kind, std::uint64_t& n) {
    const std::uint64_t i = n++;
    if (kind == "reply") return i % 2 ? 77 : 200;
    if (kind == "random") {
        // A fixed sequence, the same in every run.
        std::uint64_t x = (i + 1) * 0x9E3779B97F4A7C15ull;
        x ^= x >> 29;
        x *= 0xBF58476D1CE4E5B9ull;
        return static_cast<std::uint8_t>(x >> 32);
    }
    return 0x55;
}

std::array<std::uint8_t, MemorySize> LoadMemory(const std::string& path) {
    std::array<std::uint8_t, MemorySize> m{};
    std::ifstream f(path, std::ios::binary);
    if (!f) return m;  // a fresh regulator: all zero
    f.read(reinterpret_cast<char*>(m.data()), MemorySize);
    if (f.gcount() != MemorySize || f.peek() != EOF)
        Fail("memory file " + path + " is not exactly 512 bytes");
    return m;
}

// Writes beside the file and renames, so a reader never sees half an image.
void SaveMemory(const std::string& path, const std::array<std::uint8_t, MemorySize>& m) {
    const std::string tmp = path + ".tmp";
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool ok = fd >= 0 && ::write(fd, m.data(), m.size()) == static_cast<ssize_t>(m.size());
    if (fd >= 0 && ::close(fd) != 0) ok = false;
    if (!ok || std::rename(tmp.c_str(), path.c_str()) != 0)
        std::fprintf(stderr, "regsim: cannot save memory to %s: %s\n", path.c_str(), std::strerror(errno));
}

int OpenPort(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    termios t{};
    if (tcgetattr(fd, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
    }
    return fd;
}

class Log {
public:
    explicit Log(const std::string& path) {
        if (!path.empty() && !(f_ = std::fopen(path.c_str(), "a"))) Fail("cannot open log " + path);
    }
    ~Log() {
        if (f_) std::fclose(f_);
    }
    void Line(const std::string& s) {
        if (!f_) return;
        std::fputs(s.c_str(), f_);
        std::fputc('\n', f_);
        std::fflush(f_);
    }

private:
    std::FILE* f_ = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
    Options o;
    RegulatorSim sim;
    sim.SetReplyDelay(5);
    Faults& faults = sim.GetFaults();
    int site = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::fputs(Usage, stdout);
            return 0;
        }
        if (i + 1 >= argc) Fail("missing value for " + a + "\n" + Usage);
        const std::string v = argv[++i];
        if (a == "--port") o.port = v;
        else if (a == "--memory") o.memory = v;
        else if (a == "--log") o.log = v;
        else if (a == "--ready") o.ready = v;
        else if (a == "--site") site = static_cast<int>(Number(a, v, 255));
        else if (a == "--baud") o.baud = static_cast<std::uint32_t>(Number(a, v, 4000000));
        else if (a == "--reply-delay") sim.SetReplyDelay(static_cast<std::uint32_t>(Number(a, v, 600000)));
        else if (a == "--unlock") {
            const auto comma = v.find(',');
            if (comma == std::string::npos) Fail("--unlock wants ADDR,DATA");
            sim.SetUnlockCode(static_cast<std::uint8_t>(Number(a, v.substr(0, comma), 255)),
                              static_cast<std::uint8_t>(Number(a, v.substr(comma + 1), 255)));
        } else if (a == "--eeprom") {
            if (v == "unlock") sim.SetEepromPolicy(EepromPolicy::UnlockRequired);
            else if (v == "refuse") sim.SetEepromPolicy(EepromPolicy::Refuse);
            else if (v == "open") sim.SetEepromPolicy(EepromPolicy::Open);
            else Fail("--eeprom wants unlock, refuse or open");
        }
        else if (a == "--silence") faults.silence = Count(a, v);
        else if (a == "--garbage") faults.garbage = Count(a, v);
        else if (a == "--garbage-length") faults.garbageLength = static_cast<std::uint32_t>(Number(a, v, 64));
        else if (a == "--alternate") faults.alternate = Count(a, v);
        else if (a == "--split") faults.split = Count(a, v);
        else if (a == "--split-delay") faults.splitDelayMs = static_cast<std::uint32_t>(Number(a, v, 600000));
        else if (a == "--wrong-header") faults.wrongHeader = Count(a, v);
        else if (a == "--wrong-header-byte") faults.wrongHeaderByte = static_cast<std::uint8_t>(Number(a, v, 255));
        else if (a == "--slow") faults.slow = Count(a, v);
        else if (a == "--slow-delay") faults.slowDelayMs = static_cast<std::uint32_t>(Number(a, v, 600000));
        else if (a == "--bad-readback") faults.badReadBack = Count(a, v);
        else if (a == "--bad-replies") faults.badReplyPercent = static_cast<std::uint32_t>(Number(a, v, 100));
        else if (a == "--lose-writes") faults.lostWritePercent = static_cast<std::uint32_t>(Number(a, v, 100));
        else if (a == "--seed") faults.randomSeed = static_cast<std::uint32_t>(Number(a, v, 0xFFFFFFFFul));
        else if (a == "--silent-after") faults.silentAfterFrames = static_cast<std::uint32_t>(Number(a, v, Always - 1));
        else if (a == "--babble-after") o.babbleAfter = static_cast<std::uint32_t>(Number(a, v, Always - 1));
        else if (a == "--babble-bytes") {
            if (v != "55" && v != "random" && v != "reply") Fail("bad value for --babble-bytes: '" + v + "'");
            o.babbleBytes = v;
        }
        else Fail("unknown option " + a + "\n" + Usage);
    }
    if (o.port.empty() || o.memory.empty()) Fail(std::string("--port and --memory are required\n") + Usage);
    sim.SetSite(static_cast<std::uint8_t>(site));
    sim.Memory() = LoadMemory(o.memory);
    SaveMemory(o.memory, sim.Memory());

    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);

    Log log(o.log);
    {
        char when[64];
        const std::time_t t = std::time(nullptr);
        std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", std::localtime(&t));
        log.Line(std::string("# regsim started ") + when + ", times in ms from start; port " + o.port +
                 ", site " + std::to_string(site) + ", " + std::to_string(o.baud) + " baud");
    }

    LineTiming rx(o.baud), tx(o.baud);
    struct Out { std::uint64_t atUs; std::uint8_t byte; };
    std::deque<Out> out;   // reply bytes on their way, written when their last bit would arrive
    std::size_t logged = 0;
    int fd = -1;
    bool readyMade = false;
    std::uint64_t babbleAtUs = 0;
    std::uint64_t babbled = 0;

    while (!g_stop) {
        if (fd < 0) {
            fd = OpenPort(o.port);
            if (fd < 0) {
                usleep(50'000);
                continue;
            }
            sim.ResetLine();
            rx.Reset();
            tx.Reset();
            out.clear();
            log.Line("# " + std::to_string(NowUs() / 1000) + " port open");
            if (!readyMade && !o.ready.empty()) {
                int r = ::open(o.ready.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
                if (r >= 0) ::close(r);
                readyMade = true;
            }
        }

        // Sleep until input, the next reply byte, or a periodic look at the line.
        std::uint64_t now = NowUs();
        std::uint64_t wakeUs = now + 100'000;
        if (auto due = sim.NextDue()) wakeUs = std::min(wakeUs, *due * 1000);
        if (!out.empty()) wakeUs = std::min(wakeUs, out.front().atUs);
        if (babbleAtUs > now) wakeUs = std::min(wakeUs, babbleAtUs);
        const int timeoutMs = wakeUs > now ? static_cast<int>((wakeUs - now + 999) / 1000) : 0;
        pollfd p{fd, POLLIN, 0};
        const int pr = ::poll(&p, 1, timeoutMs);
        if (pr < 0 && errno != EINTR) Fail(std::string("poll: ") + std::strerror(errno));

        bool lost = false;
        if (pr > 0 && (p.revents & POLLIN)) {
            std::uint8_t buf[256];
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n > 0) {
                now = NowUs();
                for (ssize_t i = 0; i < n; ++i) sim.Feed(buf[i], rx.Transmit(now) / 1000);
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                lost = true;
            }
        } else if (pr > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) {
            lost = true;
        }

        now = NowUs();
        while (auto due = sim.NextDue()) {
            if (*due * 1000 > now) break;
            for (std::uint8_t b : sim.Drain(*due)) out.push_back({tx.Transmit(*due * 1000), b});
        }
        // A babbling device: once it has heard enough (and its last reply has been taken), it
        // never stops sending.
        if (o.babbleAfter != Always && sim.Log().size() >= o.babbleAfter && babbleAtUs == 0)
            babbleAtUs = now + 200'000;
        if (babbleAtUs != 0 && now >= babbleAtUs)
            while (out.size() < 16) out.push_back({tx.Transmit(now), BabbleByte(o.babbleBytes, babbled)});
        std::string sent;
        while (!lost && !out.empty() && out.front().atUs <= now) {
            const std::uint8_t b = out.front().byte;
            const ssize_t w = ::write(fd, &b, 1);
            if (w == 1) {
                out.pop_front();
                char hex[4];
                std::snprintf(hex, sizeof hex, sent.empty() ? "%02X" : " %02X", b);
                sent += hex;
            } else if (w < 0 && errno == EAGAIN) {
                break;
            } else {
                lost = true;
            }
        }

        for (; logged < sim.Log().size(); ++logged) log.Line(FormatLogEntry(sim.Log()[logged]));
        if (!sent.empty()) log.Line("# " + std::to_string(NowUs() / 1000) + " sent " + sent);
        if (sim.TakeMemoryChanged()) SaveMemory(o.memory, sim.Memory());

        if (lost) {
            log.Line("# " + std::to_string(NowUs() / 1000) + " port lost");
            ::close(fd);
            fd = -1;
            usleep(50'000);
        }
    }
    if (fd >= 0) ::close(fd);
    if (sim.TakeMemoryChanged()) SaveMemory(o.memory, sim.Memory());
    log.Line("# " + std::to_string(NowUs() / 1000) + " regsim stopped");
    return 0;
}

// Measures regsim's answer times on a pseudo-terminal pair against the line-speed budget:
// a 4-byte request plus the 2-byte reply at 10 bits a byte, plus the reply delay.
// Usage: regsim_pacing SERIALRIG DIR PORT   (the rig must not be running for DIR/PORT)
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

double NowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

int Run(const std::string& line) { return std::system(line.c_str()); }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: regsim_pacing SERIALRIG DIR PORT\n");
        return 2;
    }
    const std::string rig = std::string("WINEPREFIX=none '") + argv[1] + "' ";
    const std::string dir = argv[2], port = argv[3];
    const int replyDelayMs = 5, rounds = 20;
    if (Run(rig + "start '" + dir + "' " + port + " --baud 0 >/dev/null") != 0) return 1;
    std::printf("%6s %10s %10s %10s %8s\n", "baud", "budget ms", "mean ms", "max ms", "ratio");
    int status = 0;
    for (int baud : {300, 1200, 2400, 9600}) {
        if (Run(rig + "sim '" + dir + "' " + port + " --baud " + std::to_string(baud) +
                " --reply-delay " + std::to_string(replyDelayMs) + " >/dev/null") != 0) {
            status = 1;
            break;
        }
        const int fd = open((dir + "/com" + port).c_str(), O_RDWR | O_NOCTTY);
        termios t{};
        tcgetattr(fd, &t);
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
        std::vector<double> times;
        for (int i = 0; i < rounds; ++i) {
            const unsigned char frame[4] = {0x14, 0x05, 0x00, 0xEB};
            const double t0 = NowMs();
            if (write(fd, frame, 4) != 4) break;
            int got = 0;
            while (got < 2) {
                pollfd p{fd, POLLIN, 0};
                if (poll(&p, 1, 5000) <= 0) break;
                unsigned char b[8];
                const ssize_t n = read(fd, b, sizeof b);
                if (n <= 0) break;
                got += static_cast<int>(n);
            }
            if (got < 2) break;
            times.push_back(NowMs() - t0);
        }
        close(fd);
        if (times.size() != static_cast<std::size_t>(rounds)) {
            std::printf("%6d  no answer\n", baud);
            status = 1;
            continue;
        }
        const double budget = 6 * 10000.0 / baud + replyDelayMs;
        double sum = 0;
        for (double v : times) sum += v;
        const double mean = sum / rounds;
        std::printf("%6d %10.1f %10.1f %10.1f %8.3f\n", baud, budget, mean,
                    *std::max_element(times.begin(), times.end()), mean / budget);
    }
    Run(rig + "stop '" + dir + "' " + port);
    return status;
}

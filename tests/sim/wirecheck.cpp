// Judges a regulator simulator's frame log with the rules of WireChecks.h, for the end-to-end
// scenarios (a script) that cannot include them:
//
//   wirecheck program LOG FROM SITE EXPECTED   one whole-list run that should leave EXPECTED (512 bytes)
//   wirecheck write LOG FROM SITE ADDRESS VALUE  one verified write of VALUE to EEPROM ADDRESS
//   wirecheck reads LOG FROM                   re-asks of reads on a clean line
//
// FROM is the number of log lines before the run. Prints one line per finding: "fault: ...",
// "missed: ..." (both fail), "retry: ..." and "late: ..." (explained, allowed), and for a write
// "attempt N: K read-backs". Exit status 0: the run holds, 1: it does not, 2: bad arguments.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "WireChecks.h"

namespace {

bool ReadFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    text.assign(std::istreambuf_iterator<char>(in), {});
    return true;
}

// The log from line `from` on.
bool LogFrom(const std::string& path, const std::string& from, std::vector<talvik::sim::LoggedFrame>& frames) {
    std::string text;
    if (!ReadFile(path, text)) return false;
    std::size_t at = 0;
    for (long n = std::strtol(from.c_str(), nullptr, 10); n > 0 && at != std::string::npos; --n) {
        at = text.find('\n', at);
        if (at != std::string::npos) ++at;
    }
    frames = talvik::sim::ParseSimLog(at == std::string::npos ? std::string() : text.substr(at));
    return true;
}

int Report(const talvik::sim::WriteRun& run, bool attempts) {
    for (std::size_t k = 0; attempts && k < run.readBacks.size(); ++k)
        std::printf("attempt %zu: %d read-backs\n", k + 1, run.readBacks[k]);
    for (const std::string& r : run.retries) std::printf("retry: %s\n", r.c_str());
    for (const std::string& f : run.faults) std::printf("fault: %s\n", f.c_str());
    std::printf("%s\n", run.Summary().c_str());
    return run.Ok() ? 0 : 1;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: wirecheck program LOG FROM SITE EXPECTED | write LOG FROM SITE ADDRESS VALUE | reads LOG FROM\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace talvik::sim;
    const std::vector<std::string> a(argv + 1, argv + argc);
    if (a.size() < 3) return Usage();
    std::vector<LoggedFrame> frames;
    if (!LogFrom(a[1], a[2], frames)) {
        std::fprintf(stderr, "wirecheck: cannot read %s\n", a[1].c_str());
        return 2;
    }
    if (a[0] == "program" && a.size() == 5) {
        std::string expected;
        if (!ReadFile(a[4], expected) || expected.size() != 512) {
            std::fprintf(stderr, "wirecheck: %s is not a 512-byte memory image\n", a[4].c_str());
            return 2;
        }
        return Report(CheckProgramRun(frames, std::atoi(a[3].c_str()), expected), false);
    }
    if (a[0] == "write" && a.size() == 6)
        return Report(CheckSettingWrite(frames, std::atoi(a[3].c_str()), std::atoi(a[4].c_str()), std::atoi(a[5].c_str())), true);
    if (a[0] == "reads" && a.size() == 3) {
        const ReplyRaceReport r = ReplyRaces(ReadsAsked(frames));
        for (const std::string& l : r.late) std::printf("late: %s\n", l.c_str());
        for (const std::string& m : r.missed) std::printf("missed: %s\n", m.c_str());
        return r.missed.empty() ? 0 : 1;
    }
    return Usage();
}

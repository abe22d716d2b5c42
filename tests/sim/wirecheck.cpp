// Judges a regulator simulator's frame log with the rules of WireChecks.h, for the end-to-end
// scenarios (a script) that cannot include them:
//
//   wirecheck program LOG FROM SITE EXPECTED [OPTIONS]      one whole-list run that should leave EXPECTED (512 bytes)
//   wirecheck write LOG FROM SITE ADDRESS VALUE [OPTIONS]   one write of VALUE to EEPROM ADDRESS
//   wirecheck reads LOG FROM [OPTIONS]                      a read run on a clean line (with the
//                                                            trace, "first looks: N of M ..." or "slow: ...")
//   wirecheck firstlooks FIRST REPLIES                      the reads of a scenario together: FIRST of their
//                                                            REPLIES taken at the first look, within the allowance?
//   wirecheck constants                                     the link's timing and layout, NAME VALUE a line
//
// OPTIONS: --trace FILE, the link's debug-channel lines of the same run ("MS TEXT"): the judge then
// knows when the link looked for each reply (and a read run is judged on how soon its replies
// were taken); --failed, the program reported the run failed: it is judged by the same rules,
// except that it ends on the byte it could not verify.
//
// FROM is the number of log lines before the run. Prints one line per finding: "fault: ...",
// "missed: ...", "slow: ..." (all fail), "retry: ..." and "late: ..." (explained, allowed), and for
// a write "attempt N: K read-backs". Exit status 0: the run holds, 1: it does not, 2: bad arguments.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "WireChecks.h"
#include "link/qvEquates.h"

namespace {

bool ReadFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    text.assign(std::istreambuf_iterator<char>(in), {});
    return true;
}

// The log from line `from` on; the line speed comes from the start note before it.
bool LogFrom(const std::string& path, const std::string& from, std::vector<talvik::sim::LoggedFrame>& frames) {
    std::string text;
    if (!ReadFile(path, text)) return false;
    std::size_t at = 0;
    for (long n = std::strtol(from.c_str(), nullptr, 10); n > 0 && at != std::string::npos; --n) {
        at = text.find('\n', at);
        if (at != std::string::npos) ++at;
    }
    const std::string head = at == std::string::npos ? text : text.substr(0, at);
    std::string baudNote;
    std::istringstream lines(head);
    for (std::string l; std::getline(lines, l);)
        if (l.rfind("# ", 0) == 0 && l.size() > 5 && l.compare(l.size() - 5, 5, " baud") == 0) baudNote = l + "\n";
    frames = talvik::sim::ParseSimLog(baudNote + (at == std::string::npos ? std::string() : text.substr(at)));
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

int Constants() {
    namespace lt = talvik::linktiming;
    std::printf("tick_ms %d\nfirst_look_ticks %d\nreply_ticks %d\nlooks_per_send %d\nsends_per_read %d\n"
                "max_read_samples %d\nread_back_looks %d\nshort_ticks %d\nlong_ticks %d\n",
                lt::TickMs, lt::FirstLookTicks, lt::DirectReplyTicks, lt::LooksPerSend, lt::SendsPerRead,
                lt::MaxReadSamples, lt::ReadBackLooks, lt::DirectShortTicks, lt::DirectLongTicks);
    std::printf("list_size %d\nlist_first_ram %d\nlist_first_eeprom %d\n", talvik::SettingListSize,
                talvik::SettingListFirst, talvik::SettingListEepromFirst);
    for (int kind = talvik::KindFirst; kind <= talvik::KindLast; ++kind)
        std::printf("kind_count_%d %d\n", kind, talvik::KindCount(kind));
    return 0;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: wirecheck program LOG FROM SITE EXPECTED | write LOG FROM SITE ADDRESS VALUE | reads LOG FROM"
                 " [--trace FILE] [--failed]\n       wirecheck firstlooks FIRST REPLIES | constants\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace talvik::sim;
    std::vector<std::string> a;
    std::string tracePath;
    bool failed = false;
    for (int k = 1; k < argc; ++k) {
        const std::string arg = argv[k];
        if (arg == "--trace" && k + 1 < argc)
            tracePath = argv[++k];
        else if (arg == "--failed")
            failed = true;
        else
            a.push_back(arg);
    }
    if (a.size() == 1 && a[0] == "constants") return Constants();
    if (a.size() == 3 && a[0] == "firstlooks") {
        FirstLookReport r;
        r.first = std::atoi(a[1].c_str());
        r.replies = std::atoi(a[2].c_str());
        std::printf("%s: %s\n", r.Ok() ? "first looks" : "slow", r.Describe().c_str());
        return r.Ok() ? 0 : 1;
    }
    if (a.size() < 3) return Usage();
    std::vector<LoggedFrame> frames;
    if (!LogFrom(a[1], a[2], frames)) {
        std::fprintf(stderr, "wirecheck: cannot read %s\n", a[1].c_str());
        return 2;
    }
    LinkTrace trace;
    if (!tracePath.empty()) {
        std::string text;
        if (!ReadFile(tracePath, text)) {
            std::fprintf(stderr, "wirecheck: cannot read %s\n", tracePath.c_str());
            return 2;
        }
        trace = ParseLinkTrace(text);
    }
    RunOptions options;
    options.trace = trace.Known() ? &trace : nullptr;
    options.failed = failed;
    if (a[0] == "program" && a.size() == 5) {
        std::string expected;
        if (!ReadFile(a[4], expected) || expected.size() != 512) {
            std::fprintf(stderr, "wirecheck: %s is not a 512-byte memory image\n", a[4].c_str());
            return 2;
        }
        return Report(CheckProgramRun(frames, std::atoi(a[3].c_str()), expected, options), false);
    }
    if (a[0] == "write" && a.size() == 6)
        return Report(CheckSettingWrite(frames, std::atoi(a[3].c_str()), std::atoi(a[4].c_str()),
                                        std::atoi(a[5].c_str()), options),
                      true);
    if (a[0] == "reads" && a.size() == 3) {
        // With the trace, every frame of the run is matched to its send; without, the answered reads.
        const ReplyRaceReport r = options.trace ? ReplyRaces(frames, options.trace) : ReplyRaces(ReadsAsked(frames));
        for (const std::string& l : r.late) std::printf("late: %s\n", l.c_str());
        for (const std::string& m : r.missed) std::printf("missed: %s\n", m.c_str());
        bool ok = r.missed.empty();
        if (options.trace) {
            const FirstLookReport first = FirstLooks(frames, trace);
            std::printf("%s: %s\n", first.Ok() ? "first looks" : "slow", first.Describe().c_str());
            ok = ok && first.Ok();
        }
        return ok ? 0 : 1;
    }
    return Usage();
}

// Parsing of linkdriver's command line.
#include "DriverArgs.h"

#include "base/format.h"
#include "link/qvEquates.h"

namespace talvik {

const char* const DriverUsage =
    "usage: linkdriver.exe --port N --baud B [--site S] read KIND\n"
    "       linkdriver.exe --port N --baud B [--site S] write ADDR VALUE\n"
    "       linkdriver.exe --port N --baud B [--site S] program FILE\n"
    "  N 1..127, B 300|1200|2400|9600, S 1..255, KIND 2..11, ADDR 256..511, VALUE 0..255\n";

namespace {

bool Number(const std::string& Text, std::int32_t Lo, std::int32_t Hi, std::int32_t& Out) {
    // Plain decimal only: "0x10" or " 5" are typing errors here, not numbers.
    if (Text.empty() || Text.size() > 6) return false;
    for (char c : Text)
        if (c < '0' || c > '9') return false;
    const auto v = TryStrToInt(Text);
    if (!v || *v < Lo || *v > Hi) return false;
    Out = *v;
    return true;
}

}  // namespace

bool ParseDriverArgs(const std::vector<std::string>& Args, TDriverArgs& Out, std::string& Error) {
    TDriverArgs a;
    bool havePort = false, haveBaud = false;
    std::size_t i = 0;
    auto bad = [&Error](const std::string& e) {
        Error = e;
        return false;
    };
    for (; i < Args.size() && Args[i].rfind("--", 0) == 0; i += 2) {
        const std::string& opt = Args[i];
        if (i + 1 >= Args.size()) return bad("missing value for " + opt);
        const std::string& v = Args[i + 1];
        if (opt == "--port") {
            if (!Number(v, 1, 127, a.Port)) return bad("bad port number '" + v + "'");
            havePort = true;
        } else if (opt == "--baud") {
            std::int32_t baud = 0;
            a.BaudIndex = -1;
            if (Number(v, 1, 999999, baud))
                for (std::size_t k = 0; k < BaudRates.size(); ++k)
                    if (BaudRates[k] == baud) a.BaudIndex = static_cast<std::int32_t>(k);
            if (a.BaudIndex < 0) return bad("bad baud rate '" + v + "'");
            haveBaud = true;
        } else if (opt == "--site") {
            if (!Number(v, 1, 255, a.Site)) return bad("bad site number '" + v + "'");
        } else {
            return bad("unknown option " + opt);
        }
    }
    if (!havePort || !haveBaud) return bad("--port and --baud are required");
    if (i >= Args.size()) return bad("no command");
    const std::string cmd = Args[i++];
    const std::size_t rest = Args.size() - i;
    if (cmd == "read") {
        a.Command = TDriverCommand::Read;
        if (rest != 1 || !Number(Args[i], KindFirst, KindLast, a.Kind)) return bad("read wants one KIND, 2 to 11");
    } else if (cmd == "write") {
        a.Command = TDriverCommand::Write;
        if (rest != 2 || !Number(Args[i], 256, 511, a.Address) || !Number(Args[i + 1], 0, 255, a.Value))
            return bad("write wants ADDR 256 to 511 and VALUE 0 to 255");
    } else if (cmd == "program") {
        a.Command = TDriverCommand::Program;
        if (rest != 1 || Args[i].empty()) return bad("program wants one FILE");
        a.File = Args[i];
    } else {
        return bad("unknown command '" + cmd + "'");
    }
    Out = a;
    return true;
}

}  // namespace talvik

// Values of the regulator's constant tables.
#include "link/qvEquates.h"

#include "base/debugchannel.h"
#include "base/rtl.h"

namespace talvik {

namespace {

constexpr std::array<std::uint8_t, 196> MakeEquates() {
    std::array<std::uint8_t, 196> t{};
    std::size_t i = 0;
    auto run = [&](int from, int to) {
        for (int a = from; a <= to; ++a) t[i++] = static_cast<std::uint8_t>(a);
    };
    run(0, 12);
    run(14, 23);
    run(30, 127);
    for (int a : {129, 133, 134, 135, 136, 137, 140, 142, 146, 147, 148, 159}) t[i++] = static_cast<std::uint8_t>(a);
    run(180, 239);
    t[i++] = 141;
    t[i++] = 64;
    t[i++] = 0;
    if (i != t.size()) throw "equate table size";
    return t;
}

constexpr std::array<std::uint16_t, 47> MakeHistoryPage() {
    std::array<std::uint16_t, 47> t{};
    for (std::size_t i = 0; i < t.size(); ++i) t[i] = static_cast<std::uint16_t>(256 + i);
    return t;
}

constexpr std::array<std::uint8_t, 22> Kind2 = {0,   32,  93,  101, 52,  181, 182, 183, 188, 189, 193,
                                                194, 198, 199, 203, 204, 205, 206, 207, 213, 217, 221};
constexpr std::array<std::uint8_t, 11> Kind3 = {21, 37, 48, 53, 63, 95, 96, 98, 115, 184, 50};
constexpr std::array<std::uint8_t, 9> Kind4 = {0, 48, 93, 33, 115, 69, 70, 71, 101};
constexpr std::array<std::uint8_t, 12> Kind5 = {87, 85, 83, 82, 84, 74, 86, 75, 76, 77, 73, 92};
constexpr std::array<std::uint8_t, 5> Kind6 = {88, 89, 78, 94, 72};
constexpr std::array<std::uint8_t, 13> Kind7 = {90, 79, 80, 91, 81, 188, 189, 193, 194, 198, 199, 203, 204};
constexpr std::array<std::uint8_t, 10> Kind8 = {116, 92, 64, 65, 66, 67, 68, 181, 96, 94};
constexpr std::array<std::uint8_t, 14> Kind9 = {33, 34, 35, 36, 214, 215, 218, 219, 230, 231, 234, 235, 238, 239};

constexpr std::array<std::int32_t, 10> Counts = {22, 11, 9, 12, 5, 13, 10, 14, 215, 21};

}  // namespace

const std::array<std::uint8_t, 196> EquateAddress = MakeEquates();

const std::array<const char*, 94> RegisterMnemonics = {
    "batv",     "bost",       "equl",     "absb",     "flot",     "chrg",     "cint",     "cext",
    "gsetToggle", "gmod",     "gOnV",     "gOnAh",    "gOffV",    "gdel",     "gOffAh",   "gAHBalance",
    "gexd",     "grun",       "gday",     "gtim",     "load",     "lint",     "lext",     "lsetToggle",
    "loff",     "lOn",        "ldel",     "inChr",    "intChr",   "extChr",   " outLoad", "intLoad",
    "extLoad",  "data",       "vmax",     "vmin",     "ftim",     "soc",      "temp",     "solv",
    "hist",     "day",        "histIn",   "histOut",  "histVmax", "histVmin", "histftim", "spc",
    "next",     "back",       "exit",     "setProg",  "time",     "volt",     "prog",     "reg",
    "bmax",     "emax",       "etim",     "efrq",     "absv",     "atim",     "fltv",     "hyxt",
    "brtn",     "curltim",    "bfrq",     "tcmp",     "mode",     "lset",     "gset",     "bset",
    "bat2",     "pwm",        "bcap",     "alrm",     "rset",     "evnt",     "strt",     "set1solv",
    "set1vext", "set1time",   "set1rate", "stop",     "set2solv", "set2vext", "set2time", "set2run",
    "emod",     "tmod",       "set3temp", "set3vext", "set3time", "eoff"};

const std::array<std::uint16_t, 47> HistoryPageAddress = MakeHistoryPage();

const std::array<const char*, 4> BaudRateText = {"300", "1200", "2400", "9600"};
const std::array<std::int32_t, 4> BaudRates = {300, 1200, 2400, 9600};

std::span<const std::uint8_t> KindAddressTable(std::int32_t Kind) {
    switch (Kind) {
    case 2: return Kind2;
    case 3: return Kind3;
    case 4: return Kind4;
    case 5: return Kind5;
    case 6: return Kind6;
    case 7: return Kind7;
    case 8: return Kind8;
    case 9: return Kind9;
    default: throw ERangeError();
    }
}

std::int32_t KindCount(std::int32_t Kind) {
    return At(Counts, RangeCheck(Kind, KindFirst, KindLast) - KindFirst);
}

void LoadqvEquates() { DebugChannel("Load qvEquates"); }

}  // namespace talvik

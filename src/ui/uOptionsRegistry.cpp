// Key-path joining of the options window's registry component (see uOptionsRegistry.h).
#include "ui/uOptionsRegistry.h"

namespace talvik {

std::string TrimBackslashes(std::string_view text) {
    auto junk = [](char c) { return c == ' ' || c == '\\'; };
    std::size_t b = 0, e = text.size();
    while (b < e && junk(text[b])) ++b;
    while (e > b && junk(text[e - 1])) --e;
    return std::string(text.substr(b, e - b));
}

std::string JoinKey(std::string_view first, std::string_view second) {
    const std::string a = TrimBackslashes(first);
    const std::string b = TrimBackslashes(second);
    std::string result;
    if (a.empty())
        result = "\\" + b;
    else if (b.empty())
        result = a;
    else
        result = a + "\\" + b;
    // One leading backslash at most, so "\" as first part never makes "\\Options".
    if (!first.empty() && first.front() == '\\' && (result.empty() || result.front() != '\\'))
        result = "\\" + result;
    return result;
}

}  // namespace talvik

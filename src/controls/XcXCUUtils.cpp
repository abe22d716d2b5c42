// Number-text normalising.
#include "controls/XcXCUUtils.h"

#include "controls/XcuStrings.h"

namespace talvik {

TUnitVersionRegistration XcXCUUtilsUnit(MakeUnitVersion("XcXCUUtils.cpp", "XCL\\run"));

TXcFormatSettings& XcFormatSettings() {
    static TXcFormatSettings s;
    return s;
}

std::string NormaliseNumberText(const std::string& s, char d, char t) {
    std::string r = StrTrim(s);
    if (d != t) r = StrRemoveChars(r, t);
    if (d != '.' && t != '.') r = StrReplaceAll(r, ".", std::string(1, d));
    if (d != ',' && t != ',') r = StrReplaceAll(r, ",", std::string(1, d));
    std::string kept;
    for (char c : r) {
        if ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == d || c == t) kept += c;
    }
    if (kept.empty()) return "0";
    if (kept == "-") return "-0";
    return kept;
}

std::string NormaliseNumberText(const std::string& s) {
    const TXcFormatSettings& f = XcFormatSettings();
    return NormaliseNumberText(s, f.DecimalSeparator, f.ThousandSeparator);
}

}  // namespace talvik

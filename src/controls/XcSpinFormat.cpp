// Number texts of the spin edit (see XcSpinFormat.h).
#include "controls/XcSpinFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "base/rtl.h"

namespace talvik {

namespace {

// mingw's own printf family knows the 80-bit long double; the system one does not.
#if defined(__MINGW32__)
#define SPIN_SNPRINTF __mingw_snprintf
#else
#define SPIN_SNPRINTF std::snprintf
#endif

[[noreturn]] void InvalidOp() { throw Exception("Invalid floating point operation"); }

// A value as 0.DIGITS x 10^Exp, DIGITS without leading or trailing zeros ("" for zero).
struct DecimalForm {
    bool Negative = false;
    std::string Digits;
    int Exp = 0;
};

// The value rounded to `precision` significant digits (the C library rounds the exact binary
// value correctly, ties to even).
DecimalForm ToDecimal(Extended v, int precision) {
    if (!std::isfinite(v)) InvalidOp();
    if (precision < 1) precision = 1;
    if (precision > 18) precision = 18;
    char buf[64];
    SPIN_SNPRINTF(buf, sizeof buf, "%.*Le", precision - 1, v);
    DecimalForm d;
    const char* p = buf;
    if (*p == '-') {
        d.Negative = true;
        ++p;
    }
    std::string digits;
    for (; *p && *p != 'e' && *p != 'E'; ++p)
        if (*p >= '0' && *p <= '9') digits += *p;
    int e = (*p == 'e' || *p == 'E') ? std::atoi(p + 1) : 0;
    d.Exp = e + 1;
    while (!digits.empty() && digits.back() == '0') digits.pop_back();
    std::size_t lead = 0;
    while (lead < digits.size() && digits[lead] == '0') ++lead;
    digits.erase(0, lead);
    d.Digits = digits;
    if (d.Digits.empty()) {
        d.Exp = 0;
        d.Negative = false;
    }
    return d;
}

// Rounds to `frac` digits after the decimal point; a remainder of exactly one half goes to
// the even neighbour.
void RoundToFraction(DecimalForm& d, int frac) {
    if (d.Digits.empty()) return;
    long keep = static_cast<long>(d.Exp) + frac;
    if (keep >= static_cast<long>(d.Digits.size())) return;
    bool up = false;
    if (keep >= 0) {
        char first = d.Digits[static_cast<std::size_t>(keep)];
        bool restZero = d.Digits.find_first_not_of('0', static_cast<std::size_t>(keep) + 1) == std::string::npos;
        if (first > '5' || (first == '5' && !restZero)) {
            up = true;
        } else if (first == '5') {
            char prev = keep > 0 ? d.Digits[static_cast<std::size_t>(keep) - 1] : '0';
            up = ((prev - '0') % 2) == 1;
        }
        d.Digits.resize(static_cast<std::size_t>(keep));
    } else {
        d.Digits.clear();
    }
    if (up) {
        int i = static_cast<int>(d.Digits.size()) - 1;
        while (i >= 0 && d.Digits[static_cast<std::size_t>(i)] == '9') {
            d.Digits[static_cast<std::size_t>(i)] = '0';
            --i;
        }
        if (i >= 0) {
            ++d.Digits[static_cast<std::size_t>(i)];
        } else {
            d.Digits.insert(d.Digits.begin(), '1');
            ++d.Exp;
        }
    }
    while (!d.Digits.empty() && d.Digits.back() == '0') d.Digits.pop_back();
    if (d.Digits.empty()) {
        d.Exp = 0;
        d.Negative = false;
    }
}

// Whole and fraction digits of a rounded form; the fraction has exactly `frac` digits.
void SplitDigits(const DecimalForm& d, int frac, std::string& whole, std::string& fraction) {
    whole.clear();
    fraction.clear();
    for (int i = 0; i < d.Exp; ++i)
        whole += i < static_cast<int>(d.Digits.size()) ? d.Digits[static_cast<std::size_t>(i)] : '0';
    for (int i = 0; i < frac; ++i) {
        int pos = d.Exp + i;
        fraction += (pos >= 0 && pos < static_cast<int>(d.Digits.size())) ? d.Digits[static_cast<std::size_t>(pos)] : '0';
    }
}

std::string Group(const std::string& whole, char sep) {
    std::string r;
    int n = static_cast<int>(whole.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) r += sep;
        r += whole[static_cast<std::size_t>(i)];
    }
    return r;
}

// One section of a picture, taken apart.
struct Picture {
    std::string Prefix, Suffix;
    int WholeZeros = 0;      // "0" placeholders before the decimal point
    int FracMin = 0;         // fraction digits always shown
    int FracMax = 0;         // fraction digits shown at most
    bool Thousands = false;
    bool HasDigits = false;
};

Picture ParsePicture(std::string_view s) {
    Picture p;
    bool inFrac = false, seenDigit = false;
    std::string pending;  // literal text met since the last placeholder
    for (std::size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == '"' || c == '\'') {
            std::size_t end = s.find(c, i + 1);
            if (end == std::string_view::npos) end = s.size();
            pending += std::string(s.substr(i + 1, end - i - 1));
            i = end;
            continue;
        }
        if (c == '0' || c == '#') {
            if (!seenDigit) p.Prefix = pending;
            pending.clear();
            seenDigit = true;
            if (inFrac) {
                ++p.FracMax;
                if (c == '0') p.FracMin = p.FracMax;
            } else if (c == '0') {
                ++p.WholeZeros;
            }
            continue;
        }
        if (c == '.' && !inFrac) {
            if (!seenDigit) p.Prefix = pending, pending.clear();
            inFrac = true;
            seenDigit = true;
            continue;
        }
        if (c == ',' && !inFrac) {
            p.Thousands = true;
            continue;
        }
        pending += c;
    }
    if (seenDigit) {
        p.Suffix = pending;
    } else {
        p.Prefix = pending;
    }
    p.HasDigits = seenDigit;
    return p;
}

std::string ApplyPicture(const Picture& p, DecimalForm d, bool withSign, const TNumberSeparators& sep) {
    RoundToFraction(d, p.FracMax);
    std::string whole, fraction;
    SplitDigits(d, p.FracMax, whole, fraction);
    while (static_cast<int>(fraction.size()) > p.FracMin && !fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    std::size_t lead = 0;
    while (lead < whole.size() && whole[lead] == '0') ++lead;
    whole.erase(0, lead);
    while (static_cast<int>(whole.size()) < p.WholeZeros) whole.insert(whole.begin(), '0');
    std::string r;
    if (withSign && d.Negative) r += '-';
    r += p.Prefix;
    if (p.HasDigits) {
        r += p.Thousands ? Group(whole, sep.ThousandSeparator) : whole;
        if (!fraction.empty()) {
            r += sep.DecimalSeparator;
            r += fraction;
        }
    }
    r += p.Suffix;
    return r;
}

}  // namespace

std::int64_t RoundHalfEven(Extended v) {
    if (!std::isfinite(v) || v >= 9223372036854775808.0L || v < -9223372036854775808.0L) InvalidOp();
    Extended r = std::nearbyint(v);  // the default rounding mode: nearest, ties to even
    return static_cast<std::int64_t>(r);
}

std::string FloatToStrG(Extended v, const TNumberSeparators& sep) {
    DecimalForm d = ToDecimal(v, 15);
    if (d.Digits.empty()) return "0";
    std::string r = d.Negative ? "-" : "";
    if (d.Exp > 15 || d.Exp < -4) {
        r += d.Digits[0];
        if (d.Digits.size() > 1) {
            r += sep.DecimalSeparator;
            r += d.Digits.substr(1);
        }
        r += "E" + std::to_string(d.Exp - 1);
        return r;
    }
    int frac = std::max(0, static_cast<int>(d.Digits.size()) - d.Exp);
    std::string whole, fraction;
    SplitDigits(d, frac, whole, fraction);
    r += whole.empty() ? "0" : whole;
    if (!fraction.empty()) {
        r += sep.DecimalSeparator;
        r += fraction;
    }
    return r;
}

std::string FloatToStrF(Extended v, TFloatFormat format, int precision, int digits, const TNumberSeparators& sep) {
    if (digits < 0) digits = 0;
    if (digits > 18) digits = 18;
    DecimalForm d = ToDecimal(v, precision);
    if (d.Exp > precision) return FloatToStrG(v, sep);
    RoundToFraction(d, digits);
    std::string whole, fraction;
    SplitDigits(d, digits, whole, fraction);
    if (whole.empty()) whole = "0";
    std::string r = d.Negative ? "-" : "";
    r += format == TFloatFormat::ffNumber ? Group(whole, sep.ThousandSeparator) : whole;
    if (digits > 0) {
        r += sep.DecimalSeparator;
        r += fraction;
    }
    return r;
}

std::string FormatFloat(std::string_view pattern, Extended v, const TNumberSeparators& sep) {
    if (pattern.empty()) return FloatToStrG(v, sep);
    std::string_view sections[3];
    int count = 0;
    std::size_t start = 0;
    char quote = 0;
    for (std::size_t i = 0; i <= pattern.size() && count < 3; ++i) {
        if (i < pattern.size() && quote) {
            if (pattern[i] == quote) quote = 0;
            continue;
        }
        if (i < pattern.size() && (pattern[i] == '"' || pattern[i] == '\'')) {
            quote = pattern[i];
            continue;
        }
        if (i == pattern.size() || pattern[i] == ';') {
            sections[count++] = pattern.substr(start, i - start);
            start = i + 1;
        }
    }
    DecimalForm d = ToDecimal(v, 15);
    Picture first = ParsePicture(sections[0]);
    DecimalForm rounded = d;
    RoundToFraction(rounded, first.FracMax);
    if (rounded.Digits.empty() && count >= 3 && !sections[2].empty())
        return ApplyPicture(ParsePicture(sections[2]), d, false, sep);
    if (d.Negative && count >= 2 && !sections[1].empty())
        return ApplyPicture(ParsePicture(sections[1]), d, false, sep);
    return ApplyPicture(first, d, true, sep);
}

std::optional<Extended> TryTextToFloat(std::string_view s, const TNumberSeparators& sep) {
    std::size_t i = 0, n = s.size();
    while (i < n && s[i] == ' ') ++i;
    while (n > i && s[n - 1] == ' ') --n;
    std::string c;
    if (i < n && (s[i] == '+' || s[i] == '-')) c += s[i++];
    int mantissaDigits = 0;
    bool point = false;
    for (; i < n; ++i) {
        char ch = s[i];
        if (ch >= '0' && ch <= '9') {
            c += ch;
            ++mantissaDigits;
        } else if (ch == sep.DecimalSeparator && !point) {
            c += '.';
            point = true;
        } else {
            break;
        }
    }
    if (mantissaDigits == 0) return std::nullopt;
    if (i < n && (s[i] == 'E' || s[i] == 'e')) {
        c += 'E';
        ++i;
        if (i < n && (s[i] == '+' || s[i] == '-')) c += s[i++];
        int expDigits = 0;
        for (; i < n && s[i] >= '0' && s[i] <= '9'; ++i, ++expDigits) c += s[i];
        if (expDigits == 0) return std::nullopt;
    }
    if (i != n) return std::nullopt;
    char* end = nullptr;
    Extended v = std::strtold(c.c_str(), &end);
    if (!end || *end || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<std::int32_t> TryDecimalToInt(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    bool neg = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
    if (i >= s.size()) return std::nullopt;
    long long v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return std::nullopt;
        v = v * 10 + (s[i] - '0');
        if (v > 2147483648LL) return std::nullopt;
    }
    if (neg) v = -v;
    if (v > 2147483647LL) return std::nullopt;
    return static_cast<std::int32_t>(v);
}

std::optional<std::int32_t> TryHexToInt(std::string_view s) {
    if (s.empty()) return std::nullopt;
    unsigned long long v = 0;
    for (char ch : s) {
        int d;
        if (ch >= '0' && ch <= '9') d = ch - '0';
        else if (ch >= 'a' && ch <= 'f') d = ch - 'a' + 10;
        else if (ch >= 'A' && ch <= 'F') d = ch - 'A' + 10;
        else return std::nullopt;
        v = v * 16 + static_cast<unsigned>(d);
        if (v > 0xFFFFFFFFULL) return std::nullopt;
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
}

std::string IntToHexText(std::int64_t v) {
    char buf[32];
    if (v < 0 && v >= INT32_MIN) {
        SPIN_SNPRINTF(buf, sizeof buf, "%X", static_cast<unsigned>(static_cast<std::uint32_t>(v)));
    } else {
        SPIN_SNPRINTF(buf, sizeof buf, "%llX", static_cast<unsigned long long>(v));
    }
    return buf;
}

std::string RemoveThousands(std::string_view s, const TNumberSeparators& sep) {
    if (sep.ThousandSeparator == sep.DecimalSeparator) return std::string(s);
    std::string r;
    for (char c : s)
        if (c != sep.ThousandSeparator) r += c;
    return r;
}

}  // namespace talvik

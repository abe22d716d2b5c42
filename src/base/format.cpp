// Text helpers (see format.h).
#include "base/format.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace talvik {

std::string FormatV(const char* fmt, va_list ap) {
    va_list copy;
    va_copy(copy, ap);
    int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    if (n <= 0) return std::string();
    std::vector<char> buf(static_cast<std::size_t>(n) + 1);
    std::vsnprintf(buf.data(), buf.size(), fmt, ap);
    return std::string(buf.data(), static_cast<std::size_t>(n));
}

std::string Format(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::string s = FormatV(fmt, ap);
    va_end(ap);
    return s;
}

std::string IntToStr(long long v) { return Format("%lld", v); }

std::string IntToHex(unsigned long long v, int digits) {
    return Format("%0*llX", digits, v);
}

std::string Trim(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
    return std::string(s.substr(b, e - b));
}

std::string LowerCase(std::string_view s) {
    std::string r(s);
    for (auto& c : r)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return r;
}

std::string UpperCase(std::string_view s) {
    std::string r(s);
    for (auto& c : r)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return r;
}

std::optional<std::int32_t> TryStrToInt(std::string_view text) {
    std::string s = Trim(text);
    if (s.empty()) return std::nullopt;
    std::size_t i = 0;
    bool neg = false;
    if (s[i] == '+' || s[i] == '-') {
        neg = s[i] == '-';
        ++i;
    }
    if (i >= s.size()) return std::nullopt;
    long long v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return std::nullopt;
        v = v * 10 + (s[i] - '0');
        if (v > 2147483648LL) return std::nullopt;
    }
    if (neg) v = -v;
    if (v > 2147483647LL || v < -2147483648LL) return std::nullopt;
    return static_cast<std::int32_t>(v);
}

std::int32_t StrToIntDef(std::string_view s, std::int32_t def) {
    auto v = TryStrToInt(s);
    return v ? *v : def;
}

std::u16string Utf8ToUtf16(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        char32_t cp;
        std::size_t len;
        if (c < 0x80) { cp = c; len = 1; }
        else if ((c >> 5) == 6) { cp = c & 0x1F; len = 2; }
        else if ((c >> 4) == 14) { cp = c & 0x0F; len = 3; }
        else if ((c >> 3) == 30) { cp = c & 0x07; len = 4; }
        else { out.push_back(u'\uFFFD'); ++i; continue; }
        if (i + len > s.size()) { out.push_back(u'\uFFFD'); break; }
        bool ok = true;
        for (std::size_t k = 1; k < len; ++k) {
            unsigned char cc = static_cast<unsigned char>(s[i + k]);
            if ((cc >> 6) != 2) { ok = false; break; }
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (!ok) { out.push_back(u'\uFFFD'); ++i; continue; }
        i += len;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        char32_t cp = s[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        }
        if (cp < 0x80) out.push_back(static_cast<char>(cp));
        else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

namespace {

// UTF-8 characters of a text, each as its bytes.
std::vector<std::string> Characters(std::string_view s) {
    std::vector<std::string> out;
    for (char c : s) {
        if (!out.empty() && (static_cast<unsigned char>(c) & 0xC0) == 0x80)
            out.back() += c;
        else
            out.emplace_back(1, c);
    }
    return out;
}

bool IsBreak(const std::string& c) { return c == " " || c == "\n" || c == "\r" || c == "\t"; }

}  // namespace

std::string FitMessageText(std::string_view s, std::size_t maxRun, std::size_t lineLength) {
    const std::vector<std::string> chars = Characters(s);
    std::string out;
    std::size_t i = 0;
    while (i < chars.size()) {
        if (IsBreak(chars[i])) {
            out += chars[i++];
            continue;
        }
        std::size_t end = i;
        while (end < chars.size() && !IsBreak(chars[end])) ++end;
        std::vector<std::string> run(chars.begin() + static_cast<long>(i), chars.begin() + static_cast<long>(end));
        if (run.size() > maxRun) {
            const std::size_t head = (maxRun - 3) / 2, tail = maxRun - 3 - head;
            std::vector<std::string> shortRun(run.begin(), run.begin() + static_cast<long>(head));
            for (int k = 0; k < 3; ++k) shortRun.emplace_back(".");
            shortRun.insert(shortRun.end(), run.end() - static_cast<long>(tail), run.end());
            run.swap(shortRun);
        }
        for (std::size_t k = 0; k < run.size(); ++k) {
            if (k > 0 && lineLength > 0 && k % lineLength == 0) out += "\n";
            out += run[k];
        }
        i = end;
    }
    return out;
}

}  // namespace talvik

// Character tables and text routines.
#include "controls/XcuStrings.h"

namespace talvik {

TUnitVersionRegistration XcuStringsUnit(MakeUnitVersion("XcuStrings.cpp", "XCU\\common"));

void BuildCharTables(TXcCharTables& t, const TXcCharClassifier& c) {
    for (int i = 0; i < 256; ++i) t.CharTypes[i] = c.CharType(static_cast<unsigned char>(i));
    for (int i = 0; i < 256; ++i) {
        auto code = static_cast<unsigned char>(i);
        t.Lower[i] = c.ToLower(code);
        t.Upper[i] = c.ToUpper(code);
        if (t.CharTypes[i] & C1_UPPER_FLAG) {
            t.Swap[i] = t.Lower[i];
        } else if (t.CharTypes[i] & C1_LOWER_FLAG) {
            t.Swap[i] = t.Upper[i];
        } else {
            t.Swap[i] = code;
        }
    }
    t.Built = true;
}

TXcCharClassifier Latin1Classifier() {
    // Code page 1252: A-Z and 0xC0-0xDE (not 0xD7) are upper case; a-z, 0xDF-0xFF (not 0xF7),
    // and the few letters of 0x80-0x9F pair up as listed.
    auto isUpper = [](unsigned char ch) {
        return (ch >= 'A' && ch <= 'Z') || (ch >= 0xC0 && ch <= 0xDE && ch != 0xD7) || ch == 0x8A || ch == 0x8C ||
               ch == 0x8E || ch == 0x9F;
    };
    auto isLower = [](unsigned char ch) {
        return (ch >= 'a' && ch <= 'z') || (ch >= 0xDF && ch != 0xF7) || ch == 0x9A || ch == 0x9C || ch == 0x9E ||
               ch == 0x83 || ch == 0xAA || ch == 0xB5 || ch == 0xBA;
    };
    TXcCharClassifier c;
    c.CharType = [=](unsigned char ch) -> std::uint16_t {
        std::uint16_t f = 0;
        if (isUpper(ch)) f |= C1_UPPER_FLAG;
        if (isLower(ch)) f |= C1_LOWER_FLAG;
        if (ch >= '0' && ch <= '9') f |= 0x4;                                  // digit
        if (ch == ' ' || (ch >= 9 && ch <= 13) || ch == 0xA0) f |= 0x8;        // space
        if (ch < 32 || ch == 127) f |= 0x20;                                   // control
        if (ch == ' ' || ch == 0xA0) f |= 0x40;                                // blank
        if (isUpper(ch) || isLower(ch)) f |= 0x100;                            // alpha
        if ((ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'F') || (ch >= 'a' && ch <= 'f')) f |= 0x80;
        if (!(f & (0x100 | 0x4 | 0x20)) && ch != ' ' && ch != 0xA0) f |= 0x10;  // punctuation
        return f;
    };
    c.ToLower = [=](unsigned char ch) -> unsigned char {
        if (!isUpper(ch)) return ch;
        switch (ch) {
        case 0x8A: return 0x9A;
        case 0x8C: return 0x9C;
        case 0x8E: return 0x9E;
        case 0x9F: return 0xFF;
        default: return static_cast<unsigned char>(ch + 32);
        }
    };
    c.ToUpper = [=](unsigned char ch) -> unsigned char {
        if (!isLower(ch)) return ch;
        switch (ch) {
        case 0x9A: return 0x8A;
        case 0x9C: return 0x8C;
        case 0x9E: return 0x8E;
        case 0xFF: return 0x9F;
        case 0xDF: case 0x83: case 0xAA: case 0xB5: case 0xBA: return ch;  // no upper form
        default: return static_cast<unsigned char>(ch - 32);
        }
    };
    return c;
}

namespace {
TXcCharTables& Tables() {
    static TXcCharTables t;
    return t;
}
}  // namespace

const TXcCharTables& CharTables() {
    if (!Tables().Built) LoadCharTables();
    return Tables();
}

// The classifier of the platform: the Win32 build asks the system, the native build uses the
// Western code page.
TXcCharClassifier PlatformCharClassifier();

void LoadCharTables() { BuildCharTables(Tables(), PlatformCharClassifier()); }

bool CharIsUpper(char c) { return CharTables().CharTypes[static_cast<unsigned char>(c)] & C1_UPPER_FLAG; }
bool CharIsLower(char c) { return CharTables().CharTypes[static_cast<unsigned char>(c)] & C1_LOWER_FLAG; }
char CharLower(char c) { return static_cast<char>(CharTables().Lower[static_cast<unsigned char>(c)]); }
char CharUpper(char c) { return static_cast<char>(CharTables().Upper[static_cast<unsigned char>(c)]); }
char CharToggleCase(char c) { return static_cast<char>(CharTables().Swap[static_cast<unsigned char>(c)]); }

int StrCharCount(const std::string& s, char c) {
    int n = 0;
    for (char ch : s) n += ch == c;
    return n;
}

std::string StrTrimLeft(const std::string& s) {
    size_t i = s.find_first_not_of(' ');
    return i == std::string::npos ? std::string() : s.substr(i);
}

std::string StrTrimRight(const std::string& s) {
    size_t i = s.find_last_not_of(' ');
    return i == std::string::npos ? std::string() : s.substr(0, i + 1);
}

std::string StrTrim(const std::string& s) { return StrTrimRight(StrTrimLeft(s)); }

std::string StrRemoveChars(const std::string& s, char c) {
    std::string r;
    for (char ch : s)
        if (ch != c) r += ch;
    return r;
}

std::string StrReplaceAll(const std::string& s, const std::string& from, const std::string& to) {
    if (from.empty()) return s;
    std::string r;
    size_t pos = 0;
    for (;;) {
        size_t hit = s.find(from, pos);
        if (hit == std::string::npos) break;
        r.append(s, pos, hit - pos);
        r += to;
        pos = hit + from.size();
    }
    r.append(s, pos, std::string::npos);
    return r;
}

std::string StrMake(char c, int n) { return n < 1 ? std::string() : std::string(static_cast<size_t>(n), c); }

}  // namespace talvik

// Character tables and small text routines of the controls library: the character-type table
// and the lower, upper and swapped case tables of the 256 single-byte codes, built once at the
// library's start, and the blank-only trims, counting and replacing the controls rely on.
#pragma once

#include "controls/XcuUnitVersioning.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace talvik {

constexpr std::uint16_t C1_UPPER_FLAG = 0x1;
constexpr std::uint16_t C1_LOWER_FLAG = 0x2;

struct TXcCharTables {
    std::array<std::uint16_t, 256> CharTypes{};  // character-type flags (upper 0x1, lower 0x2, ...)
    std::array<unsigned char, 256> Lower{};
    std::array<unsigned char, 256> Upper{};
    std::array<unsigned char, 256> Swap{};
    bool Built = false;
};

// How the platform classifies and case-maps one single-byte code.
struct TXcCharClassifier {
    std::function<std::uint16_t(unsigned char)> CharType;
    std::function<unsigned char(unsigned char)> ToLower;
    std::function<unsigned char(unsigned char)> ToUpper;
};

// Fills the tables from a classifier: the type table first, then the case tables, the swapped
// form being the lower form of an upper-case code, the upper form of a lower-case one, else the
// code itself.
void BuildCharTables(TXcCharTables& t, const TXcCharClassifier& c);
// The classification of the Windows Western code page (1252), used where the platform has no
// single-byte character-type service.
TXcCharClassifier Latin1Classifier();

// The library's tables (built by LoadCharTables at start-up).
const TXcCharTables& CharTables();
void LoadCharTables();

bool CharIsUpper(char c);
bool CharIsLower(char c);
char CharLower(char c);
char CharUpper(char c);
char CharToggleCase(char c);

// Number of positions of s holding c.
int StrCharCount(const std::string& s, char c);
// Trims of the blank character only; tabs and other control characters stay.
std::string StrTrimLeft(const std::string& s);
std::string StrTrimRight(const std::string& s);
std::string StrTrim(const std::string& s);
// s without any c.
std::string StrRemoveChars(const std::string& s, char c);
// Every occurrence of `from` replaced, scanning on after each replacement.
std::string StrReplaceAll(const std::string& s, const std::string& from, const std::string& to);
// n copies of c; empty for n < 1.
std::string StrMake(char c, int n);

extern TUnitVersionRegistration XcuStringsUnit;

}  // namespace talvik

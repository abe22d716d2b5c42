// Number texts of the spin edit: reading integer, hexadecimal and float texts in the user's
// separators, writing floats in fixed, thousands and pattern formats, rounding of halves to
// the even neighbour, and the general "%g" form used in range messages.
//
// Values are kept as `Extended` (the x87 80-bit long double on both the host and the 32-bit
// Windows build), so every conversion gives the same text in both.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace talvik {

using Extended = long double;

// The user's decimal and thousand separators (single-byte characters).
struct TNumberSeparators {
    char DecimalSeparator = '.';
    char ThousandSeparator = ',';
};

// Nearest whole number; a value exactly half-way goes to the even neighbour (2.5 -> 2,
// 3.5 -> 4, -2.5 -> -2). A value outside the 64-bit range, or no number at all, raises
// "Invalid floating point operation".
std::int64_t RoundHalfEven(Extended v);

enum class TFloatFormat { ffFixed, ffNumber };

// The value with `digits` digits after the decimal separator, first rounded to `precision`
// significant digits; ffNumber puts thousand separators into the whole part. A value with more
// whole digits than `precision` is written in the scientific form d.ddddE+xx.
std::string FloatToStrF(Extended v, TFloatFormat format, int precision, int digits, const TNumberSeparators& sep);

// The value formatted with a picture: "0" a digit always shown, "#" a digit shown when
// significant, "." the decimal separator, "," anywhere in the whole part turns thousand
// separators on, text in quotes and other characters before or after the digits are kept;
// up to three sections "positive;negative;zero".
std::string FormatFloat(std::string_view pattern, Extended v, const TNumberSeparators& sep);

// The general form with 15 significant digits and no trailing zeros ("1", "2.5", "1E20").
std::string FloatToStrG(Extended v, const TNumberSeparators& sep);

// Whole text as a float: blanks around, a sign, digits with at most one decimal separator,
// an optional exponent "E"/"e" with sign and digits. No thousand separators.
std::optional<Extended> TryTextToFloat(std::string_view s, const TNumberSeparators& sep);

// Whole text as a 32-bit Integer in decimal (leading blanks and a sign allowed).
std::optional<std::int32_t> TryDecimalToInt(std::string_view s);

// Hexadecimal digits of either case, at most 32 bits; 8 digits above 7FFFFFFF read as the
// negative Integer of the same bits, as the platform's "$" notation does.
std::optional<std::int32_t> TryHexToInt(std::string_view s);

// Upper-case hexadecimal, fewest digits (at least one); negative Integers as their 32 bits.
std::string IntToHexText(std::int64_t v);

// The text without thousand separators (unchanged when the two separators are the same).
std::string RemoveThousands(std::string_view s, const TNumberSeparators& sep);

}  // namespace talvik

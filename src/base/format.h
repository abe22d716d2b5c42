// Text helpers: printf-style formatting into std::string, integer and hex texts, trimming
// and case, and UTF-8 <-> UTF-16 conversion for the Win32 boundary.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace talvik {

std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string FormatV(const char* fmt, va_list ap);

std::string IntToStr(long long v);
// Upper-case hexadecimal with at least `digits` digits ("0A" for IntToHex(10, 2)).
std::string IntToHex(unsigned long long v, int digits);

std::string Trim(std::string_view s);
std::string LowerCase(std::string_view s);   // ASCII only
std::string UpperCase(std::string_view s);   // ASCII only

// Strict decimal parse of a whole (trimmed) text into a 32-bit Integer; nullopt when the text
// is empty, not a number, or outside the Integer range. Never raises.
std::optional<std::int32_t> TryStrToInt(std::string_view s);
// Like TryStrToInt, with a default for anything that is not a valid Integer.
std::int32_t StrToIntDef(std::string_view s, std::int32_t def);

// A message box's text that fits a screen: a run without blanks longer than maxRun characters
// (a long path, say) keeps its start and end around "..." and is broken into lines of at most
// lineLength characters. Counts characters, not bytes, of UTF-8 text.
std::string FitMessageText(std::string_view s, std::size_t maxRun = 120, std::size_t lineLength = 60);

std::u16string Utf8ToUtf16(std::string_view s);
std::string Utf16ToUtf8(std::u16string_view s);

}  // namespace talvik

// The options window's registry component: key-path joining (pure) and, in
// uOptionsRegistry_win32.h, the integer values kept under "<base key>\Options".
#pragma once

#include <string>
#include <string_view>

namespace talvik {

constexpr const char* kOptionsBaseKey = "\\Software\\Corvanel\\TALVIK";
constexpr const char* kOptionsSection = "Options";

// Blanks and backslashes removed from both ends.
std::string TrimBackslashes(std::string_view text);
// first\second, each trimmed; "\second" when first is empty, first when second is empty; a
// leading backslash of the untrimmed first is kept (once).
std::string JoinKey(std::string_view first, std::string_view second);

}  // namespace talvik

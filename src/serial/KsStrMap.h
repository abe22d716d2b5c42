// The serial library's table of result codes and their texts. Every operation of the library
// reports a signed result code; this table gives each code its text, and the dispatch log takes
// its column words from it too. Lookup is by the code's absolute value.
#pragma once

#include <cstdint>

namespace talvik {

struct TMessageCode {
    std::int32_t Code;
    const char* Text;
};

inline constexpr int MessageCodeCount = 897;

// Ordered by the absolute value of Code; no absolute value occurs twice.
extern const TMessageCode MessageCodeTable[MessageCodeCount];

}  // namespace talvik

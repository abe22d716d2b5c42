// The parts of the telephony support that need no telephony service: the texts of the call
// history, the renumbering of telephony error codes into the library's codes, and the
// grow-and-retry fetch of the variable-size structures that telephony fills in. Pure C++.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace talvik {

enum class TTapiLogCode : std::uint8_t {
    ltapiNone = 0, ltapiCallStart = 1, ltapiCallFinish = 2, ltapiDial = 3, ltapiAccept = 4,
    ltapiAnswer = 5, ltapiConnect = 6, ltapiCancel = 7, ltapiDrop = 8, ltapiBusy = 9,
    ltapiDialFail = 10, ltapiReceivedDigit = 11
};

// The history line's text after the time stamp (the number is shown for ltapiDial); empty for
// ltapiNone, which writes no line.
std::string TapiLogText(TTapiLogCode Code, const std::string& Number);

// One history line: Stamp + " : " + the text + CR LF ("" for ltapiNone).
std::string TapiLogLine(const std::string& Stamp, TTapiLogCode Code, const std::string& Number);

// A telephony error ($8000xxxx) as the library's code -(13800 + xxxx); 0 and other non-negative
// results stay as they are, as do the library's own negative codes (above -13800).
std::int32_t TapiResultCode(std::int32_t TapiResult);

inline constexpr std::int32_t TapiErrStructureTooSmall = static_cast<std::int32_t>(0x8000004D);
inline constexpr std::uint32_t TapiRetrySize = 1024;
// The largest structure a fetch takes: a size the service reports beyond it is not believed.
inline constexpr std::uint32_t TapiMaxStructSize = 65536;
inline constexpr std::int32_t TapiErrOperationFailed = static_cast<std::int32_t>(0x80000048);

// Fetches a variable-size telephony structure (its first three 32-bit words: total, needed and
// used size) into Out. The first try has FirstSize bytes; a "structure too small" answer tries
// again with 1024 bytes; when the structure then says it needs more than it has, it is fetched
// once more with exactly the size it needs. Call gets the zero-filled buffer with its total size
// set and returns the telephony result. On any failure Out is empty and the result is returned.
// A needed size beyond TapiMaxStructSize, or a structure that claims a total larger than the
// buffer it was given, fails with "operation failed" before anything more is allocated.
std::int32_t FetchTapiStruct(std::uint32_t FirstSize, const std::function<std::int32_t(void* Struct)>& Call,
                             std::vector<std::uint32_t>& Out);

}  // namespace talvik

// Constant tables of the regulator: register equates and short names, the history page
// addresses, the line speeds, the read tables of each request kind, the command bytes and the
// regulator's EEPROM unlock code.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace talvik {

// Equate index -> RegImage address.
extern const std::array<std::uint8_t, 196> EquateAddress;
// The 94 register short names, in equate order (" outLoad" carries its leading blank).
extern const std::array<const char*, 94> RegisterMnemonics;
// Entry i = 256 + i: 299 (entry 43) .. 301 the day pointer (entry 45), 302 the first day record.
extern const std::array<std::uint16_t, 47> HistoryPageAddress;

extern const std::array<const char*, 4> BaudRateText;
extern const std::array<std::int32_t, 4> BaudRates;

// Command bytes of the wire protocol.
constexpr std::uint8_t CmdRamRead = 0x14;
constexpr std::uint8_t CmdEepromRead = 0x48;
constexpr std::uint8_t CmdRamWrite = 0x98;
constexpr std::uint8_t CmdEepromWrite = 0xCA;
constexpr std::uint8_t CmdLoopback = 0xBB;
constexpr std::uint8_t CmdSetupStep = 0x57;
constexpr std::uint8_t ReadReplyMarker = 200;
constexpr std::uint8_t SiteSetReply = 250;

// The regulator accepts one EEPROM write only right after this byte has been written to this
// RAM address. The simulator in tests/sim uses the same pair.
constexpr std::int32_t UnlockRamAddress = 250;  // 0xFA
constexpr std::int32_t UnlockData = 0xA5;

// History page layout.
constexpr std::int32_t DayPointerAddress = 301;
constexpr std::int32_t FirstDayRecordAddress = 302;
constexpr std::int32_t HistoryDays = 30;
constexpr std::int32_t HistoryPositions = 211;  // day pointer + 30 days x 7 bytes

// Read tables of request kinds 2 to 9 and 11, in table order (entry 1 first; the last entry is
// read first). Kind 10 follows the day pointer and kind 1 the history positions.
std::span<const std::uint8_t> KindAddressTable(std::int32_t Kind);
constexpr std::int32_t KindFirst = 2;
constexpr std::int32_t KindLast = 11;
// Number of reads of kind 2..11; anything else raises "Range check error".
std::int32_t KindCount(std::int32_t Kind);

void LoadqvEquates();  // writes "Load qvEquates"

}  // namespace talvik

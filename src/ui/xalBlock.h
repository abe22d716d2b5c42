// The Xal alarm accessory's 22-byte block as the programming window shows and edits it: the
// checksum, the configuration byte kept in five copies and read by majority, the thresholds
// scaled to the accessory's system voltage, the canonical form of edited values, and the
// window's per-language texts.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "ui/lang.h"

namespace talvik {

using XalBlock = std::array<std::uint8_t, 22>;
// Value column of the grid, rows 1..9 (row 0 unused).
using XalTexts = std::array<std::string, 10>;

// Bytes 0..20 of a fresh block: 12 V, 2400 baud, thresholds 11.2 ... 15.4 V, no delay.
extern const std::array<std::uint8_t, 21> XalDefaultData;

// Low byte of the sum of bytes 0..14.
std::uint8_t XalChecksum(const XalBlock& B);
// Each bit set when more than two of the five copies (bytes 16..20) have it.
std::uint8_t XalConfiguration(const XalBlock& B);

// The block as the grid shows it (Xaltodis); ChecksumOk tells whether byte 15 matches.
XalTexts XalToTexts(const XalBlock& B, bool& ChecksumOk);
// The grid's values back into the block (distoxal): thresholds, delay, the five configuration
// copies and the checksum. Bytes 0..7 and 21 are left as they are.
void TextsToXal(const XalTexts& T, XalBlock& B);
// Canonical text of an edited value of a row (1..9).
std::string NormaliseXalCell(int Row, const std::string& Text);

// XalRowCaption: 41 rows numbered from 0 (captions 0..9, units 10..19, window texts 20..33,
// captions of the older accessory 34..40).
enum XalTextRow : int {
    xrUnitFirst = 10, xrRead = 20, xrWrite = 21, xrHeading = 22, xrCaption = 23, xrValue = 24, xrClose = 25,
    xrChecksum = 26, xrCheckOk = 27, xrCheckBad = 28, xrSend = 29, xrReadState = 30, xrSendingData = 31,
    xrPortNotOpen = 32, xrNoConnection = 33, xrOlderFirst = 34
};
extern const std::array<LangRow, 41> XalRowCaption;
std::string XalTextOf(int Row, int Language);

// Column 0 caption and column 2 unit of grid row R (0..9) for the accessory generation.
std::string XalRowCaptionText(int R, bool Newer, int Language);
std::string XalRowUnitText(int R, bool Newer, int Language);

}  // namespace talvik

// The regulator's settings and calibration as the operator sees them: where each of the 49
// settings lives in RegImage, how its byte is shown, how typed text becomes a byte again and
// the byte's limits; the calibration table of eight rows with gain and offset; and the
// settings window's per-language texts. The settings editor and the report show every value
// through these operations, so a value reads the same in both.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ui/lang.h"

namespace talvik {

using MemoryImage = std::array<std::uint8_t, 512>;  // as RegImage

constexpr int kSettingCount = 49;     // indices 0..48
constexpr int kSettingGroups = 5;     // groups 1..5
constexpr int kCalibrationRows = 8;   // rows 0..7
constexpr int kSystemVoltageSetting = 1;

// First setting index of each group (index g, g = 1..5; 0 and 6 start at 0).
extern const std::array<std::int32_t, 7> SettingGroupStart;
// Number of rows of groups 1..5 (index g; 0 and 6 unused).
extern const std::array<std::int32_t, 7> SettingGroupRows;
// Image address of each setting index.
extern const std::array<std::int32_t, kSettingCount> SettingAddress;

// A caption row: the caption and its unit, each per language.
struct SettingCaptionRow {
    LangRow caption;
    LangRow unit;
};
// Caption groups 1..8 (index 0 unused), rows 0..11. Groups 1..5 name the grid rows, 6 and 7
// the rows whose meaning follows a mode nibble, 8 the window titles.
extern const std::array<std::array<SettingCaptionRow, 12>, 9> SettingCaption;
// 0..7 calibration rows, 8 "Setting Lockout", 9 "Locked", 10 "Adjust", 11 "On", 12 "Off",
// 13..16 the regulator states "BOST", "EQUL", "ABSV", "FLOT".
extern const std::array<LangRow, 17> CalibrationCaption;
// Entry 0 is the flags register (calibration sign bits 0..2 and 4..6, lockout bit 7).
extern const std::array<std::int32_t, 14> CalibrationAddress;
// Per caption group 1..7: maxima of rows 0..11, maxima at voltage code 8, minima.
extern const std::array<std::array<std::int32_t, 36>, 8> SettingLimits;
// The settings window's texts, rows 0..15 (group names, hints, write-path messages), 16 the
// refusal of programming all from settings not read, 17 the question on closing while a write
// runs, 18 the refusal of sending one value whose group was not read.
extern const std::array<LangRow, 19> SettingsUIText;
constexpr int kProgramAllRefusedText = 16;
constexpr int kCloseWhileWritingText = 17;
constexpr int kSendRefusedText = 18;
// The group buttons' captions ("SET" .. "GEN") and the calibration button's ("CAL").
extern const std::array<const char*, 6> SettingGroupButtonCaption;

// Setting index of row r of group g; an index above 48 counts as 0.
std::int32_t SettingIndexOf(std::int32_t group, std::int32_t row);

// Display text of row `row` of group `group` (1..6) from RegImage, in the current language
// (state and lock words come from CalibrationCaption).
std::string FormatSettingValue(std::int32_t group, std::int32_t row);

struct CaptionPick {
    std::int32_t group;
    std::int32_t row;
    bool operator==(const CaptionPick&) const = default;
};
// Which SettingCaption row names grid row `row` of group `group`, by the modes in RegImage or
// in another image.
CaptionPick SelectSettingCaption(std::int32_t group, std::int32_t row);
CaptionPick SelectSettingCaption(const MemoryImage& image, std::int32_t group, std::int32_t row);
// As the settings grid and the report show it: SelectSettingCaption with the further shift of
// caption group 6 rows 4 and 8 for event mode 15.
CaptionPick SettingGridCaption(std::int32_t group, std::int32_t row);
std::string SettingCaptionText(CaptionPick pick, int language);
std::string SettingUnitText(CaptionPick pick, int language);

// Display text of one calibration cell: column 1 gain ("G"), column 2 offset ("O").
std::string FormatCalibrationValue(std::int32_t calRow, std::int32_t column);
// Calibration value of a cell as a number (what FormatCalibrationValue shows).
std::int32_t CalibrationValue(std::int32_t calRow, std::int32_t column);
// Image address that holds a calibration cell.
std::int32_t CalibrationCellAddress(std::int32_t calRow, std::int32_t column);
// Allowed range of a typed calibration value.
std::int32_t CalibrationMin(std::int32_t calRow, std::int32_t column);
std::int32_t CalibrationMax(std::int32_t calRow, std::int32_t column);

// A calibration value as bytes: the cell's byte and the flags byte (address 33) with the
// row's sign bit set or cleared (rows 3..7 leave the flags as they are).
struct CalibrationBytes {
    std::uint8_t value;
    std::uint8_t flags;
};
CalibrationBytes EncodeCalibrationValue(std::int32_t calRow, std::int32_t column, std::int32_t v,
                                        std::uint8_t oldByte, std::uint8_t flags);

// The typed-value pipeline: parse, convert, limit, store.
//
// Typed text -> digit string: the integer part, with the tenths digit appended where the
// setting's kind has tenths. Empty text raises "Internal error. Length zero in editvalue".
std::string ParseEditValue(const std::string& text, std::int32_t index);
// Number -> raw value; valid is cleared when the number means nothing for the setting.
// Computed wide so that no typed number can overflow before it is limited.
std::int64_t ConvertEditValue(std::int64_t v, std::int32_t index, bool& valid);
// Raw value clamped to the setting's limits (the caption row chosen for it, the model's CHRG
// maximum, the code-8 maxima).
std::int32_t LimitEditValue(std::int64_t v, std::int32_t index);
// The limits of a setting's raw value as LimitEditValue holds it to them, for a model
// (ModelName), a VoltageCode and the modes an image holds; and the caption row they come from.
struct SettingRange {
    std::int32_t least, most;
};
SettingRange SettingLimitRange(std::int32_t index, const MemoryImage& image, const std::string& model,
                               std::int32_t voltageCode);
CaptionPick SettingLimitCaption(const MemoryImage& image, std::int32_t index);
// The limits of every caption row a setting's modes can pick, for a model and a VoltageCode: the
// editor holds a typed value to the row of the mode set at the time and never limits it again
// when a mode changes, so a stored value is one some editing could give when it lies within any
// of these. One range for a setting that follows no mode.
std::vector<SettingRange> SettingEditableRanges(std::int32_t index, const std::string& model,
                                                std::int32_t voltageCode);
// A setting's raw value in an image, as StoreEditedValue puts it there: its nibble, its byte, or
// the 16-bit value of settings 36..39.
std::int32_t SettingRawValue(std::int32_t index, const MemoryImage& image);
// The 16-bit amp-hour value of setting 47 for its stored byte (the battery capacity at 94 scales it).
std::int32_t AmpHourValue(std::int32_t raw);
// Raw value into RegImage at the setting's address; changed bytes get their ChangedFlags set.
void StoreEditedValue(std::int32_t raw, std::int32_t index, std::int32_t address);

// Why a typed value was not taken.
enum class EditRefusal { None, Empty, NotANumber, Negative, TooLarge, NotAllowed, NotEditable };
struct SettingEditResult {
    EditRefusal refusal = EditRefusal::None;
    std::int32_t raw = 0;  // the stored raw value when taken
    bool Taken() const { return refusal == EditRefusal::None; }
};
// The whole pipeline for a typed text in grid row `row` of group `group`: a refusal leaves
// RegImage untouched, so the cell is redrawn with the old value.
SettingEditResult EditSettingValue(const std::string& text, std::int32_t group, std::int32_t row);
// The message for a refusal, in a language.
std::string EditRefusalText(EditRefusal refusal, int language);

// The settings whose row is a switch or command rather than a typed value.
bool IsSwitchSetting(std::int32_t index);

}  // namespace talvik

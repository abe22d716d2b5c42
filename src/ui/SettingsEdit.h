// What the settings and calibration editor does with RegImage and the link's write variables,
// apart from any window: which cell holds which address, which cells can be selected, how a
// cell is coloured, toggling the switch rows, committing a typed value and preparing the
// one-setting write, calibration gain and offset editing, and whether programming all may run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/SettingsFormat.h"

namespace talvik {

// The editor's view: a settings group (1..5) or the calibration.
struct SettingsView {
    bool settings = true;        // false: calibration view
    std::int32_t group = 1;      // selectedgroup, 1..5
};

// Rows of the grid: heading row 0, the data rows, one blank row after them.
std::int32_t GridRowCount(const SettingsView& v);
// Setting index shown in data row `row` (1-based) of the view's group.
std::int32_t RowSettingIndex(const SettingsView& v, std::int32_t row);

// Image address behind a cell, -1 for cells that hold none.
std::int32_t CellAddress(const SettingsView& v, std::int32_t col, std::int32_t row);
// The image addresses whose bytes a send of a cell is built from besides the typed value: the
// cell's own byte (the other bits of a switch byte, the other nibble of a shared calibration
// byte), the high byte of a 16-bit setting, the calibration flags byte, and the type and voltage
// bytes that decide the model typed voltages are scaled by. Empty for a cell that holds none,
// and for the reset switch, which sends its command alone.
std::vector<std::int32_t> CellSources(const SettingsView& v, std::int32_t col, std::int32_t row);
// The group holding the cell (or the calibration) and every byte a send of the cell is built
// from hold data read from the regulator addressed (or loaded from a settings file): only then
// may it be edited or sent.
bool CellLoaded(const SettingsView& v, std::int32_t col, std::int32_t row);
// Whether a cell may be selected (never the heading, the blank last row, the unit column or
// the lockout row, nor a cell whose data is not loaded).
bool CanSelectCell(const SettingsView& v, std::int32_t col, std::int32_t row);
// The send button follows the selected cell: enabled when its address has a pending change.
bool CellHasChange(const SettingsView& v, std::int32_t col, std::int32_t row);

// How a cell is filled.
enum class CellFill { Column, Changed, Disabled };
CellFill CellFillOf(const SettingsView& v, std::int32_t col, std::int32_t row, bool gridEnabled);

// What a switch row's toggle changed, so that an editor closed with Escape can put it back.
struct SwitchUndo {
    std::int32_t address = -1;  // -1: nothing to undo
    std::uint8_t byte = 0;
    bool changed = false;       // the address's change flag before the toggle
};
// Opening the editor on a switch row changes the byte at once (LSET and GSET toggle their bit,
// the regulator state steps round BOST, EQUL, ABSV, FLOT, RSET keeps its byte).
SwitchUndo ToggleSwitchSetting(std::int32_t index);
// Byte and change flag back as they were before the toggle.
void UndoSwitchToggle(const SwitchUndo& undo);
// The write of a switch row: a single RAM write of the row's byte (RSET: the reset command).
void PrepareSwitchWrite(std::int32_t index);
// The write of a typed setting: EEPROM copy behind the unlock and the RAM copy, or a plain RAM
// write for the clock, the counters and the state of charge.
void PrepareSettingWrite(std::int32_t index);

// The write of the selected cell, prepared from RegImage when Send is pressed, so that what goes
// out is that cell's value whatever was edited after it. False for a cell that holds no setting.
bool PrepareCellWrite(const SettingsView& v, std::int32_t col, std::int32_t row);

struct SettingCommit {
    EditRefusal refusal = EditRefusal::None;
    bool redrawGroup = false;   // the value changes other rows' captions
    bool Taken() const { return refusal == EditRefusal::None; }
};
// Commits a typed text in a data row of a settings group: parse, convert, limit, store and,
// when taken, the write preparation. A refusal changes neither RegImage nor the write.
SettingCommit CommitSettingText(const std::string& text, std::int32_t group, std::int32_t row);

// Calibration editing (rows 0..7). Both prepare the write and store into RegImage.
// Gain: clamped into its range; returns the value shown.
std::int32_t EditCalibrationGain(std::int32_t row, std::int32_t v);
// Offset: refused (false, nothing stored) outside its range.
bool EditCalibrationOffset(std::int32_t row, std::int32_t v);

struct CalibrationCommit {
    bool taken = false;
    std::int32_t shown = 0;     // the value the cell shows when taken
    EditRefusal refusal = EditRefusal::None;  // why not, when not taken
};
// A typed calibration cell (data rows 1..8, column 1 gain or 2 offset).
CalibrationCommit CommitCalibrationText(const std::string& text, std::int32_t row, std::int32_t col);

// Programming the whole setting list: only in settings view and while no read runs.
bool ProgramAllAllowed(const SettingsView& v, bool busy);

}  // namespace talvik

// The settings editor's logic on RegImage and the link's write variables (see SettingsEdit.h).
#include "ui/SettingsEdit.h"

#include <algorithm>

#include "base/format.h"
#include "base/rtl.h"
#include "link/qvDataGuard.h"
#include "link/qvUtility.h"
#include "link/uVar.h"

namespace talvik {

namespace {

bool In(std::int32_t i, std::initializer_list<std::int32_t> set) {
    for (std::int32_t s : set)
        if (s == i) return true;
    return false;
}

bool IsDataRow(const SettingsView& v, std::int32_t row) { return row >= 1 && row <= GridRowCount(v) - 2; }

// The write ends with the RAM copy of the setting (the link's last step reads this).
void StartState(std::int32_t state) {
    SendOneState = state;
    comm_state = state;
}

}  // namespace

std::int32_t GridRowCount(const SettingsView& v) {
    return (v.settings ? At(SettingGroupRows, v.group) : kCalibrationRows) + 2;
}

std::int32_t RowSettingIndex(const SettingsView& v, std::int32_t row) { return SettingIndexOf(v.group, row - 1); }

std::int32_t CellAddress(const SettingsView& v, std::int32_t col, std::int32_t row) {
    if (!IsDataRow(v, row)) return -1;
    if (v.settings) return col == 1 ? At(SettingAddress, RowSettingIndex(v, row)) : -1;
    return (col == 1 || col == 2) ? CalibrationCellAddress(row - 1, col) : -1;
}

std::vector<std::int32_t> CellSources(const SettingsView& v, std::int32_t col, std::int32_t row) {
    const std::int32_t a = CellAddress(v, col, row);
    if (a < 0) return {};
    if (v.settings) {
        const std::int32_t index = RowSettingIndex(v, row);
        // The reset goes out as its command alone; the other switches keep their other bits.
        if (index == 28) return {};
        if (IsSwitchSetting(index)) return {a};
        std::vector<std::int32_t> sources{a, ModelTypeAddress(), ModelVoltageAddress()};
        if (index >= 36 && index <= 39) sources.push_back(a + 1);
        return sources;
    }
    // Gain and offset of rows 0..2 share a byte, and their signs live in the flags byte.
    if (row - 1 <= 2) return {a, CalibrationAddress[0]};
    return {a};
}

bool CellLoaded(const SettingsView& v, std::int32_t col, std::int32_t row) {
    if (CellAddress(v, col, row) < 0) return false;
    const bool group = v.settings ? KindLoaded[v.group + 3] : CalibrationLoaded;
    const std::vector<std::int32_t> sources = CellSources(v, col, row);
    return group && std::all_of(sources.begin(), sources.end(), AddressLoaded);
}

bool CanSelectCell(const SettingsView& v, std::int32_t col, std::int32_t row) {
    if (!IsDataRow(v, row) || col < 1 || col > 2) return false;
    if (v.settings) {
        if (col == 2) return false;
        if (v.group == 1 && row == 4) return false;  // the lockout flag is not set from here
    }
    return CellLoaded(v, col, row);
}

bool CellHasChange(const SettingsView& v, std::int32_t col, std::int32_t row) {
    const std::int32_t a = CellAddress(v, col, row);
    if (a < 0) return false;
    if (At(ChangedFlags, a)) return true;
    // The 16-bit settings keep their high byte in the next address.
    if (v.settings) {
        const std::int32_t index = RowSettingIndex(v, row);
        if (index >= 36 && index <= 39) return At(ChangedFlags, a + 1);
    }
    return false;
}

CellFill CellFillOf(const SettingsView& v, std::int32_t col, std::int32_t row, bool gridEnabled) {
    if (!gridEnabled) return CellFill::Disabled;
    return CellHasChange(v, col, row) ? CellFill::Changed : CellFill::Column;
}

SwitchUndo ToggleSwitchSetting(std::int32_t index) {
    const std::int32_t address = At(SettingAddress, index);
    std::uint8_t& b = At(RegImage, address);
    const SwitchUndo undo{address, b, At(ChangedFlags, address)};
    switch (index) {
    case 4: b ^= 1; break;
    case 40: b ^= 2; break;
    case 8: b = static_cast<std::uint8_t>(((b & ~4) + 1) & ~4); break;
    case 28: break;
    default: TALVIK_ASSERT(false, "Internal error. Not a switch setting");
    }
    At(ChangedFlags, address) = true;
    return undo;
}

void UndoSwitchToggle(const SwitchUndo& undo) {
    if (undo.address < 0) return;
    At(RegImage, undo.address) = undo.byte;
    At(ChangedFlags, undo.address) = undo.changed;
}

void PrepareSwitchWrite(std::int32_t index) {
    TALVIK_ASSERT(IsSwitchSetting(index), "Internal error. Not a switch setting");
    const std::int32_t address = At(SettingAddress, index);
    const bool reset = index == 28;
    StartState(reset ? 1 : 2);
    WriteAddress = address;
    WriteNeedsUnlock = false;
    WriteValue = reset ? 76 : At(RegImage, address);
    SendCount = reset ? 2 : 1;
}

void PrepareSettingWrite(std::int32_t index) {
    // Switch rows live in RAM only; the EEPROM preparation below would send them to the wrong
    // EEPROM addresses.
    TALVIK_ASSERT(!IsSwitchSetting(index), "Internal error. Switch setting in setting write");
    const std::int32_t address = At(SettingAddress, index);
    StartState(2);
    SettingIndex = index;
    SettingRamValue = address;
    SendCount = (index == 0 || index == 48) ? 1 : 2;
    if (index == 47) {
        // The 16-bit amp-hour value follows from the stored byte (see StoreEditedValue).
        EditedValue = AmpHourValue(At(RegImage, address));
        WriteNeedsUnlock = false;
        WriteAddress = 211;
        WriteValue = EditedValue & 255;
    } else if (In(index, {0, 36, 37, 38, 39, 48})) {
        WriteNeedsUnlock = false;
        WriteAddress = address;
        WriteValue = At(RegImage, address);
    } else {
        WriteNeedsUnlock = true;
        WriteAddress = address - 50;
        WriteValue = At(RegImage, address);
    }
}

SettingCommit CommitSettingText(const std::string& text, std::int32_t group, std::int32_t row) {
    const std::int32_t index = SettingIndexOf(group, row - 1);
    const SettingEditResult r = EditSettingValue(text, group, row - 1);
    SettingCommit c;
    c.refusal = r.refusal;
    if (!r.Taken()) return c;
    c.redrawGroup = In(index, {1, 29, 31, 34, 41});
    PrepareSettingWrite(index);
    return c;
}

namespace {
// Gain (column 1) and offset (column 2) are written the same way: rows 3 and up have a byte of
// their own (gain at 2 x row - 1, offset at 2 x row - 2); rows below share the flags byte, which
// goes out as the RAM step.
void PrepareCalibrationWrite(std::int32_t row, std::int32_t col, std::int32_t v) {
    StartState(0);
    WriteNeedsUnlock = true;
    const std::int32_t cellAddress = CalibrationCellAddress(row, col);
    const CalibrationBytes bytes =
        EncodeCalibrationValue(row, col, v, At(RegImage, cellAddress), At(RegImage, CalibrationAddress[0]));
    if (row >= 3) {
        SendCount = 2;
        WriteAddress = 2 * row - (col == 1 ? 1 : 2);
    } else {
        SendCount = 4;
        WriteAddress = row + 1;
        WriteRamValue = bytes.flags;
        At(RegImage, CalibrationAddress[0]) = bytes.flags;
    }
    WriteRamAddress = At(CalibrationAddress, WriteAddress);
    WriteValue = bytes.value;
    if (At(RegImage, WriteRamAddress) != WriteValue) {
        At(RegImage, WriteRamAddress) = static_cast<std::uint8_t>(WriteValue);
        At(ChangedFlags, WriteRamAddress) = true;
    }
}
}  // namespace

std::int32_t EditCalibrationGain(std::int32_t row, std::int32_t v) {
    v = std::clamp(v, CalibrationMin(row, 1), CalibrationMax(row, 1));
    PrepareCalibrationWrite(row, 1, v);
    return v;
}

bool EditCalibrationOffset(std::int32_t row, std::int32_t v) {
    if (v < CalibrationMin(row, 2) || v > CalibrationMax(row, 2)) return false;
    PrepareCalibrationWrite(row, 2, v);
    return true;
}

CalibrationCommit CommitCalibrationText(const std::string& text, std::int32_t row, std::int32_t col) {
    RangeCheck(row, 1, kCalibrationRows);
    RangeCheck(col, 1, 2);
    const std::string t = Trim(text);
    const std::optional<std::int32_t> n = TryStrToInt(t);
    if (!n) {
        if (t.empty()) return {false, 0, EditRefusal::Empty};
        const std::size_t first = t[0] == '-' ? 1 : 0;
        const bool digits = t.size() > first && t.find_first_not_of("0123456789", first) == std::string::npos;
        return {false, 0, digits ? EditRefusal::TooLarge : EditRefusal::NotANumber};
    }
    if (col == 1) return {true, EditCalibrationGain(row - 1, *n)};
    if (!EditCalibrationOffset(row - 1, *n)) return {false, 0, EditRefusal::NotAllowed};
    return {true, *n};
}

bool PrepareCellWrite(const SettingsView& v, std::int32_t col, std::int32_t row) {
    if (!CanSelectCell(v, col, row)) return false;
    if (v.settings) {
        const std::int32_t index = RowSettingIndex(v, row);
        if (IsSwitchSetting(index))
            PrepareSwitchWrite(index);
        else
            PrepareSettingWrite(index);
        return true;
    }
    PrepareCalibrationWrite(row - 1, col, CalibrationValue(row - 1, col));
    return true;
}

bool ProgramAllAllowed(const SettingsView& v, bool busy) { return v.settings && !busy; }

}  // namespace talvik

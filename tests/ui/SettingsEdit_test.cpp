// The settings editor's logic: selectable cells and their addresses, switch rows, committing
// typed values into RegImage and the link's write variables, calibration gain and offset, and
// when programming all may run.
#include "ui/SettingsEdit.h"

#include <gtest/gtest.h>

#include "base/rtl.h"
#include "link/qvDataGuard.h"
#include "link/qvUtility.h"
#include "link/uVar.h"

namespace talvik {
namespace {

class SettingsEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetLinkState();
        // The image counts as read (as from a settings file): the cells may be edited.
        MarkImageLoaded();
        LanguageNumber = 0;
        ModelName = "Tova";
        System(0);
    }
    static void System(std::int32_t code) {
        VoltageCode = code;
        VoltageScale(code, VoltMult, VoltDiv);
    }
    static int Byte(int a) { return RegImage[static_cast<std::size_t>(a)]; }
    static bool Flag(int a) { return ChangedFlags[static_cast<std::size_t>(a)]; }
    // Sentinels in every write variable, to see what a step leaves alone.
    static void Poison() {
        WriteAddress = WriteValue = WriteRamAddress = WriteRamValue = SendCount = SettingIndex = SettingRamValue =
            SendOneState = comm_state = -7;
        WriteNeedsUnlock = true;
    }
};

// Cells of a view whose data rows may hold a setting (the lockout row never does).
std::vector<std::pair<int, int>> DataCells(const SettingsView& v) {
    std::vector<std::pair<int, int>> cells;
    for (int row = 1; row <= GridRowCount(v) - 2; ++row)
        for (int col = 1; col <= (v.settings ? 1 : 2); ++col)
            if (!(v.settings && v.group == 1 && row == 4)) cells.emplace_back(col, row);
    return cells;
}

TEST_F(SettingsEditTest, OnlyCellsBuiltFromReadBytesCanBeEditedOrSent) {
    const SettingsView cal{false, 1};
    const auto selectable = [](const SettingsView& v) {
        int n = 0;
        for (auto [col, row] : DataCells(v)) n += CanSelectCell(v, col, row) ? 1 : 0;
        return n;
    };
    // Nothing read: no cell can be edited, and no write is prepared.
    MarkAllNotLoaded();
    for (int g = 1; g <= 5; ++g) EXPECT_EQ(selectable({true, g}), 0) << g;
    EXPECT_EQ(selectable(cal), 0);
    Poison();
    EXPECT_FALSE(PrepareCellWrite({true, 1}, 1, 6));
    EXPECT_EQ(WriteAddress, -7);

    // The calibration alone: its cells, no setting.
    CalibrationLoaded = true;
    EXPECT_EQ(selectable(cal), static_cast<int>(DataCells(cal).size()));
    for (int g = 1; g <= 5; ++g) EXPECT_EQ(selectable({true, g}), 0) << g;

    // The five groups read: every setting can be sent, so every byte a setting's write is built
    // from is read by some group; a failed calibration read takes the calibration away.
    MarkImageLoaded();
    CalibrationLoaded = false;
    for (int g = 1; g <= 5; ++g)
        EXPECT_EQ(selectable({true, g}), static_cast<int>(DataCells({true, g}).size())) << g;
    EXPECT_EQ(selectable(cal), 0);

    // One group not read: none of its cells, whichever others are.
    for (int g = 1; g <= 5; ++g) {
        MarkImageLoaded();
        KindLoaded[g + 3] = false;
        EXPECT_EQ(selectable({true, g}), 0) << g;
    }
    // A 16-bit setting needs its high byte, a voltage the model bytes: they are among its sources.
    const SettingsView set4{true, 4};
    for (auto [col, row] : DataCells(set4)) {
        const std::vector<std::int32_t> s = CellSources(set4, col, row);
        EXPECT_NE(std::find(s.begin(), s.end(), ModelTypeAddress()), s.end());
        EXPECT_NE(std::find(s.begin(), s.end(), ModelVoltageAddress()), s.end());
        const std::int32_t index = RowSettingIndex(set4, row);
        if (index >= 36 && index <= 39) EXPECT_NE(std::find(s.begin(), s.end(), CellAddress(set4, col, row) + 1), s.end());
    }
    // Gain and offset of the first rows share a byte and take their signs from the flags byte.
    EXPECT_EQ(CellSources(cal, 1, 1), (std::vector<std::int32_t>{34, 33}));
    EXPECT_EQ(CellSources(cal, 2, 4), (std::vector<std::int32_t>{214}));
}

TEST_F(SettingsEditTest, SelectableCellsAndTheirAddresses) {
    const SettingsView set1{true, 1}, set4{true, 4}, cal{false, 1};
    EXPECT_EQ(GridRowCount(set1), 11);
    EXPECT_EQ(GridRowCount(set4), 13);
    EXPECT_EQ(GridRowCount(cal), 10);
    EXPECT_FALSE(CanSelectCell(set1, 1, 0));   // heading
    EXPECT_FALSE(CanSelectCell(set1, 1, 10));  // blank last row
    EXPECT_FALSE(CanSelectCell(set1, 2, 1));   // unit column
    EXPECT_FALSE(CanSelectCell(set1, 1, 4));   // the lockout flag
    EXPECT_TRUE(CanSelectCell(set1, 1, 5));
    EXPECT_TRUE(CanSelectCell(set4, 1, 4));    // row 4 is locked in group 1 only
    EXPECT_TRUE(CanSelectCell(cal, 2, 1));
    EXPECT_TRUE(CanSelectCell(cal, 1, 8));
    EXPECT_FALSE(CanSelectCell(cal, 1, 9));

    EXPECT_EQ(CellAddress(set1, 1, 1), 48);
    EXPECT_EQ(CellAddress(set1, 1, 6), 69);
    EXPECT_EQ(CellAddress(set1, 0, 6), -1);
    EXPECT_EQ(CellAddress(set1, 2, 6), -1);
    EXPECT_EQ(CellAddress(set4, 1, 8), 188);
    EXPECT_EQ(CellAddress(cal, 1, 1), 34);
    EXPECT_EQ(CellAddress(cal, 2, 3), 36);
    EXPECT_EQ(CellAddress(cal, 1, 4), 215);
    EXPECT_EQ(CellAddress(cal, 2, 4), 214);
    EXPECT_EQ(CellAddress(cal, 2, 8), 238);
    EXPECT_EQ(CellAddress(cal, 1, 9), -1);

    ChangedFlags[69] = true;
    EXPECT_TRUE(CellHasChange(set1, 1, 6));
    EXPECT_EQ(CellFillOf(set1, 1, 6, true), CellFill::Changed);
    EXPECT_EQ(CellFillOf(set1, 0, 6, true), CellFill::Column);
    EXPECT_EQ(CellFillOf(set1, 1, 6, false), CellFill::Disabled);
    EXPECT_EQ(CellFillOf(set1, 1, 7, true), CellFill::Column);
}

TEST_F(SettingsEditTest, SwitchRowsChangeAtOnceAndGoOutAsOneRamWrite) {
    RegImage[115] = 0x10;
    ToggleSwitchSetting(4);
    EXPECT_EQ(Byte(115), 0x11);
    EXPECT_TRUE(Flag(115));
    ToggleSwitchSetting(4);
    EXPECT_EQ(Byte(115), 0x10);

    RegImage[116] = 1;
    ToggleSwitchSetting(40);
    EXPECT_EQ(Byte(116), 3);

    RegImage[101] = 0x20;  // BOST
    std::vector<int> states;
    for (int i = 0; i < 5; ++i) {
        ToggleSwitchSetting(8);
        states.push_back(Byte(101));
    }
    EXPECT_EQ(states, (std::vector<int>{0x21, 0x22, 0x23, 0x20, 0x21}));

    RegImage[102] = 9;
    ToggleSwitchSetting(28);
    EXPECT_EQ(Byte(102), 9);

    for (int index : {4, 8, 40}) {
        Poison();
        PrepareSwitchWrite(index);
        EXPECT_EQ(WriteAddress, SettingAddress[index]) << index;
        EXPECT_EQ(WriteValue, Byte(SettingAddress[index])) << index;
        EXPECT_FALSE(WriteNeedsUnlock) << index;
        EXPECT_EQ(SendCount, 1) << index;
        EXPECT_EQ(SettingIndex, -7) << index;  // the typed-row preparation must not run
    }
    PrepareSwitchWrite(28);
    EXPECT_EQ(WriteAddress, 102);
    EXPECT_EQ(WriteValue, 76);
    EXPECT_EQ(SendCount, 2);
    EXPECT_EQ(SendOneState, 1);
    EXPECT_EQ(comm_state, 1);
    // A switch row can never be prepared as an EEPROM setting (address - 50 behind the unlock).
    for (int index : {4, 8, 28, 40}) EXPECT_THROW(PrepareSettingWrite(index), EAssertionFailed) << index;
}

TEST_F(SettingsEditTest, TypedVoltageGoesToItsEepromCopyBehindTheUnlock) {
    System(1);  // 24 V: typed volts are halved onto the 12 V scale
    Poison();
    const SettingCommit c = CommitSettingText("22.0", 1, 6);  // LOFF
    ASSERT_TRUE(c.Taken());
    EXPECT_FALSE(c.redrawGroup);
    EXPECT_EQ(Byte(69), 110);
    EXPECT_TRUE(Flag(69));
    EXPECT_TRUE(WriteNeedsUnlock);
    EXPECT_EQ(WriteAddress, 19);
    EXPECT_EQ(WriteValue, 110);
    EXPECT_EQ(SendCount, 2);
    EXPECT_EQ(SettingIndex, 5);
    EXPECT_EQ(SettingRamValue, 69);
    EXPECT_EQ(SendOneState, 2);
    EXPECT_EQ(comm_state, 2);

    // 13.2 V on a 24 V system is 6.6 V on the 12 V scale: below LOFF's minimum of 10.0 V.
    ASSERT_TRUE(CommitSettingText("13.2", 1, 6).Taken());
    EXPECT_EQ(Byte(69), 100);
}

TEST_F(SettingsEditTest, ClockCountersAndStateOfChargeAreRamWrites) {
    ASSERT_TRUE(CommitSettingText("12.3", 1, 1).Taken());  // QV time
    EXPECT_EQ(Byte(48), 123);
    EXPECT_FALSE(WriteNeedsUnlock);
    EXPECT_EQ(WriteAddress, 48);
    EXPECT_EQ(WriteValue, 123);
    EXPECT_EQ(SendCount, 1);

    ASSERT_TRUE(CommitSettingText("300", 4, 8).Taken());  // CINT
    EXPECT_EQ(Byte(188), 44);
    EXPECT_EQ(Byte(189), 1);
    EXPECT_TRUE(Flag(188));
    EXPECT_TRUE(Flag(189));
    EXPECT_FALSE(WriteNeedsUnlock);
    EXPECT_EQ(WriteAddress, 188);
    EXPECT_EQ(WriteValue, 44);
    EXPECT_EQ(SendCount, 2);
    EXPECT_EQ(SettingIndex, 36);

    RegImage[94] = 10;  // 200 Ah battery
    ASSERT_TRUE(CommitSettingText("50", 5, 8).Taken());  // SOC
    EXPECT_EQ(Byte(181), 50);
    EXPECT_EQ(EditedValue, 100);
    EXPECT_FALSE(WriteNeedsUnlock);
    EXPECT_EQ(WriteAddress, 211);
    EXPECT_EQ(WriteValue, 100);
    EXPECT_EQ(SendCount, 2);

    ASSERT_TRUE(CommitSettingText("12", 5, 9).Taken());  // generator exercise counter
    EXPECT_EQ(WriteAddress, 96);
    EXPECT_EQ(SendCount, 1);
    EXPECT_FALSE(WriteNeedsUnlock);
}

TEST_F(SettingsEditTest, ModeRowsRedrawTheGroup) {
    EXPECT_TRUE(CommitSettingText("24", 1, 2).redrawGroup);   // system voltage
    EXPECT_TRUE(CommitSettingText("3", 4, 1).redrawGroup);    // start mode
    EXPECT_TRUE(CommitSettingText("3", 4, 3).redrawGroup);    // stop mode
    EXPECT_TRUE(CommitSettingText("3", 4, 6).redrawGroup);    // third event mode
    EXPECT_TRUE(CommitSettingText("1", 5, 2).redrawGroup);    // generator mode
    EXPECT_FALSE(CommitSettingText("3", 4, 5).redrawGroup);
}

TEST_F(SettingsEditTest, RefusedTextLeavesImageAndWriteAlone) {
    RegImage[87] = 150;
    const auto before = RegImage;
    for (const char* text : {"abc", "", "-3", "99999999999", "1e5", "12.x"}) {
        Poison();
        const SettingCommit c = CommitSettingText(text, 2, 1);
        EXPECT_FALSE(c.Taken()) << text;
        EXPECT_EQ(WriteAddress, -7) << text;
        EXPECT_EQ(SendCount, -7) << text;
    }
    Poison();
    EXPECT_EQ(CommitSettingText("1", 1, 5).refusal, EditRefusal::NotEditable);  // LSET switch row
    EXPECT_EQ(WriteAddress, -7);
    EXPECT_EQ(RegImage, before);
    // No integer part in a whole-number row is no number, not a number too large.
    EXPECT_EQ(CommitSettingText(".5", 1, 8).refusal, EditRefusal::NotANumber);
}

TEST_F(SettingsEditTest, CalibrationGainIsClampedAndOffsetRefusedOutsideItsRange) {
    RegImage[215] = 32;
    CalibrationCommit c = CommitCalibrationText("40", 4, 1);  // gain of row 3
    ASSERT_TRUE(c.taken);
    EXPECT_EQ(c.shown, 31);
    EXPECT_EQ(Byte(215), 63);
    EXPECT_TRUE(Flag(215));
    EXPECT_EQ(SendCount, 2);
    EXPECT_EQ(WriteAddress, 5);
    EXPECT_EQ(WriteRamAddress, 215);
    EXPECT_EQ(WriteValue, 63);
    EXPECT_TRUE(WriteNeedsUnlock);
    EXPECT_EQ(SendOneState, 0);
    EXPECT_EQ(FormatCalibrationValue(3, 1), " 31");

    RegImage[214] = 7;
    const auto before = RegImage;
    Poison();
    EXPECT_EQ(CommitCalibrationText("-200", 4, 2).refusal, EditRefusal::NotAllowed);
    EXPECT_EQ(CommitCalibrationText("abc", 4, 2).refusal, EditRefusal::NotANumber);
    EXPECT_EQ(CommitCalibrationText("", 4, 1).refusal, EditRefusal::Empty);
    EXPECT_EQ(CommitCalibrationText("-99999999999", 4, 1).refusal, EditRefusal::TooLarge);
    EXPECT_EQ(CommitCalibrationText("- 3", 4, 1).refusal, EditRefusal::NotANumber);
    EXPECT_FALSE(CommitCalibrationText("12abc", 4, 1).taken);
    EXPECT_EQ(RegImage, before);
    EXPECT_EQ(WriteAddress, -7);

    c = CommitCalibrationText("-100", 4, 2);
    ASSERT_TRUE(c.taken);
    EXPECT_EQ(Byte(214), 156);
    EXPECT_EQ(WriteAddress, 4);
    EXPECT_EQ(WriteRamAddress, 214);
}

TEST_F(SettingsEditTest, CalibrationOfTheVoltageRangesWritesTheSignFlagsFirst) {
    RegImage[33] = 0x80 | 0x01;  // lockout, gain 0 non-negative
    RegImage[34] = 0x05;
    CalibrationCommit c = CommitCalibrationText("-3", 1, 2);  // offset of row 0
    ASSERT_TRUE(c.taken);
    EXPECT_EQ(c.shown, -3);
    EXPECT_EQ(Byte(34), 0xD5);         // nibble 13 above the gain
    EXPECT_EQ(Byte(33), 0x80 | 0x01 | 0x10);
    EXPECT_EQ(FormatCalibrationValue(0, 2), "-3");
    EXPECT_EQ(SendCount, 4);
    EXPECT_EQ(WriteAddress, 1);
    EXPECT_EQ(WriteRamAddress, 34);
    EXPECT_EQ(WriteValue, 0xD5);
    EXPECT_EQ(WriteRamValue, 0x91);

    RegImage[35] = 0x30;
    RegImage[33] = 0x02;
    c = CommitCalibrationText("-5", 2, 1);  // gain of row 1
    ASSERT_TRUE(c.taken);
    EXPECT_EQ(Byte(35), 0x3B);
    EXPECT_EQ(Byte(33), 0x00);   // sign bit 2 cleared for a negative gain
    EXPECT_EQ(FormatCalibrationValue(1, 1), "-5");
    EXPECT_EQ(WriteAddress, 2);
    EXPECT_EQ(WriteRamValue, 0);
    c = CommitCalibrationText("-99", 2, 1);
    EXPECT_EQ(c.shown, -16);
}

TEST_F(SettingsEditTest, ProgrammingAllOnlyInSettingsViewAndWhenIdle) {
    EXPECT_TRUE(ProgramAllAllowed({true, 3}, false));
    EXPECT_FALSE(ProgramAllAllowed({true, 3}, true));
    EXPECT_FALSE(ProgramAllAllowed({false, 3}, false));
}

}  // namespace
}  // namespace talvik

namespace talvik {
namespace {

// Send prepares the write from the selected cell: whatever was committed since, the write
// variables carry that cell's own value.
TEST_F(SettingsEditTest, SendPreparesTheSelectedCellFromTheImage) {
    const SettingsView set1{true, 1}, set4{true, 4}, set5{true, 5}, cal{false, 1};
    RegImage[93] = 0;
    ASSERT_TRUE(CommitSettingText("11.0", 1, 6).Taken());  // A: LOFF at 69
    ASSERT_TRUE(CommitSettingText("12.9", 1, 7).Taken());  // B at 70
    EXPECT_EQ(WriteAddress, 70 - 50);                       // the last commit prepared B
    Poison();
    ASSERT_TRUE(PrepareCellWrite(set1, 1, 6));
    EXPECT_EQ(WriteAddress, 69 - 50);
    EXPECT_EQ(WriteValue, 110);
    EXPECT_TRUE(WriteNeedsUnlock);
    EXPECT_EQ(SettingRamValue, 69);
    EXPECT_EQ(SendCount, 2);
    EXPECT_EQ(comm_state, 2);

    // The amp-hour setting sends its 16-bit value, worked out again from the stored byte.
    RegImage[94] = 10;  // 200 Ah
    ASSERT_TRUE(CommitSettingText("50", 5, 8).Taken());
    const std::int32_t committed = EditedValue;
    EditedValue = 0;
    ASSERT_TRUE(PrepareCellWrite(set5, 1, 8));
    EXPECT_EQ(EditedValue, committed);
    EXPECT_EQ(WriteAddress, 211);
    EXPECT_EQ(WriteValue, committed & 255);

    // A 16-bit counter whose high byte alone changed still counts as changed.
    RegImage[188] = 0;
    RegImage[189] = 1;
    ASSERT_TRUE(CommitSettingText("512", 4, 8).Taken());
    ASSERT_FALSE(Flag(188));
    ASSERT_TRUE(Flag(189));
    EXPECT_TRUE(CellHasChange(set4, 1, 8));

    // A calibration cell: the same bytes as its commit prepared.
    const CalibrationCommit c = CommitCalibrationText("-5", 2, 1);
    ASSERT_TRUE(c.taken);
    const std::int32_t address = WriteAddress, value = WriteValue, ramValue = WriteRamValue, count = SendCount;
    Poison();
    ASSERT_TRUE(PrepareCellWrite(cal, 1, 2));
    EXPECT_EQ(WriteAddress, address);
    EXPECT_EQ(WriteValue, value);
    EXPECT_EQ(WriteRamValue, ramValue);
    EXPECT_EQ(SendCount, count);

    // No setting behind the cell: nothing prepared.
    Poison();
    EXPECT_FALSE(PrepareCellWrite(set1, 1, 4));   // the lockout row
    EXPECT_FALSE(PrepareCellWrite(set1, -1, -1));  // nothing selected
    EXPECT_EQ(WriteAddress, -7);
}

TEST_F(SettingsEditTest, UndoingASwitchToggleRestoresByteAndFlag) {
    RegImage[101] = 0x23;  // FLOT
    const SwitchUndo undo = ToggleSwitchSetting(8);
    EXPECT_EQ(Byte(101), 0x20);
    EXPECT_TRUE(Flag(101));
    UndoSwitchToggle(undo);
    EXPECT_EQ(Byte(101), 0x23);
    EXPECT_FALSE(Flag(101));
    UndoSwitchToggle(SwitchUndo{});  // nothing to undo
    EXPECT_EQ(Byte(101), 0x23);
}

}  // namespace
}  // namespace talvik

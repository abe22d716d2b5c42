// The settings file on real files: round trip, files of the wrong size refused, flags set only
// by a good load.
#include "ui/settingsFile.h"

#include <gtest/gtest.h>

#include "link/uVar.h"
#include "reportsTestDir.h"
#include "ui/fileUtil.h"
#include "ui/uCSV.h"

namespace talvik {
namespace {

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegImage.fill(0);
        KindLoaded.Fill(false);
        CalibrationLoaded = false;
        CurrentLoaded = false;
        HistoryLoaded = false;
        ChangedFlags.fill(false);
    }
    void TearDown() override { SetUp(); }
    ScratchDir dir;
};

TEST_F(SettingsFileTest, FreshImageSavesAs512Zeros) {
    const std::string name = dir.File("blank.stp");
    SaveSettingsFile(name);
    EXPECT_EQ(ReadWholeFile(name), std::string(512, '\0'));
}

TEST_F(SettingsFileTest, RoundTripRestoresImageAndMarksSettingsLoaded) {
    for (int i = 0; i < ImageSize; ++i) RegImage[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 7 + 3);
    const auto saved = RegImage;
    const std::string name = dir.File("site one.stp");
    SaveSettingsFile(name);
    const std::string bytes = ReadWholeFile(name);
    ASSERT_EQ(bytes.size(), 512u);
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[0]), 3);
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[511]), static_cast<std::uint8_t>(511 * 7 + 3));

    RegImage.fill(0xEE);
    ChangedFlags[300] = true;
    const SettingsLoad r = LoadSettingsFile(name);
    EXPECT_EQ(r.result, SettingsLoadResult::Loaded);
    EXPECT_EQ(RegImage, saved);
    for (int k = 4; k <= 8; ++k) EXPECT_TRUE(KindLoaded[k]) << k;
    EXPECT_TRUE(CalibrationLoaded);
    EXPECT_FALSE(CurrentLoaded);
    EXPECT_FALSE(HistoryLoaded);
    EXPECT_TRUE(ChangedFlags[300]);
}

TEST_F(SettingsFileTest, SaveReplacesAnOlderFileWhole) {
    const std::string name = dir.File("again.stp");
    PutFile(name, std::string(2000, 'x'));
    RegImage[5] = 9;
    SaveSettingsFile(name);
    const std::string bytes = ReadWholeFile(name);
    ASSERT_EQ(bytes.size(), 512u);
    EXPECT_EQ(bytes[5], 9);
}

TEST_F(SettingsFileTest, WrongSizesRefusedAndImageUntouched) {
    RegImage.fill(0x55);
    for (std::size_t size : {std::size_t{0}, std::size_t{100}, std::size_t{511}, std::size_t{513}}) {
        const std::string name = dir.File("bad" + std::to_string(size) + ".stp");
        PutFile(name, std::string(size, '\x01'));
        const SettingsLoad r = LoadSettingsFile(name);
        EXPECT_EQ(r.result, SettingsLoadResult::WrongSize) << size;
        EXPECT_NE(r.message.find(std::to_string(size) + " bytes"), std::string::npos) << r.message;
        EXPECT_NE(r.message.find("512"), std::string::npos);
    }
    EXPECT_EQ(RegImage[0], 0x55);
    EXPECT_EQ(RegImage[511], 0x55);
    EXPECT_FALSE(KindLoaded[4]);
    EXPECT_FALSE(CalibrationLoaded);
}

TEST_F(SettingsFileTest, MissingFileAndFolderChangeNothing) {
    RegImage[7] = 7;
    EXPECT_EQ(LoadSettingsFile(dir.File("none.stp")).result, SettingsLoadResult::Missing);
    EXPECT_EQ(LoadSettingsFile(dir.File("")).result, SettingsLoadResult::Missing);
    EXPECT_EQ(RegImage[7], 7);
    EXPECT_FALSE(CalibrationLoaded);
    EXPECT_THROW(SaveSettingsFile(dir.File("no/such/folder.stp")), EFileError);
}

}  // namespace
}  // namespace talvik

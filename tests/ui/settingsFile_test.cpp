// The settings file on real files: round trip, files of the wrong size refused, flags set only
// by a good load.
#include "ui/settingsFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

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
    // What every regulator holds: charging voltages and hysteresis of a 12 V bank.
    static void RegulatorSettings() {
        for (auto [address, value] : {std::pair{87, 144}, {85, 150}, {84, 143}, {86, 137}, {76, 125}, {75, 3}})
            RegImage[static_cast<std::size_t>(address)] = static_cast<std::uint8_t>(value);
    }
    ScratchDir dir;
};

TEST_F(SettingsFileTest, FreshImageSavesAs512Zeros) {
    const std::string name = dir.File("blank.stp");
    SaveSettingsFile(name);
    EXPECT_EQ(ReadWholeFile(name), std::string(512, '\0'));
}

TEST_F(SettingsFileTest, RoundTripRestoresImageAndMarksSettingsLoaded) {
    for (int i = 0; i < ImageSize; ++i) RegImage[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 7 + 3);
    RegulatorSettings();
    const auto saved = RegImage;
    const std::string name = dir.File("site one.stp");
    SaveSettingsFile(name);
    const std::string bytes = ReadWholeFile(name);
    ASSERT_EQ(bytes.size(), 512u);
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[0]), 3);
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[511]), static_cast<std::uint8_t>(511 * 7 + 3));

    RegImage.fill(0xEE);
    ChangedFlags[300] = true;
    CurrentLoaded = HistoryLoaded = true;  // read before the file was loaded
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

TEST_F(SettingsFileTest, AHugeFileIsRefusedByItsSizeWithoutBeingRead) {
    const std::string name = dir.File("huge.stp");
    PutFile(name, "");
    std::filesystem::resize_file(PathOfUtf8(name), 700ull * 1024 * 1024);  // sparse: nothing on disk
    RegImage.fill(0x55);
    const SettingsLoad r = LoadSettingsFile(name);
    EXPECT_EQ(r.result, SettingsLoadResult::WrongSize);
    EXPECT_EQ(r.message, "huge.stp is not a settings file: it holds 734003200 bytes, a settings file holds exactly "
                         "512. Nothing was loaded.");
    EXPECT_EQ(RegImage[0], 0x55);
    EXPECT_FALSE(KindLoaded[4]);
}

TEST_F(SettingsFileTest, FilesThatNoRegulatorHoldsAreRefusedNamingWhatIsWrong) {
    RegImage.fill(0x55);
    CurrentLoaded = true;
    const auto before = RegImage;
    // Random bytes, as many as can be tried here.
    for (unsigned seed = 1; seed <= 200; ++seed) {
        std::mt19937 rng(seed);
        std::string bytes(512, '\0');
        for (char& c : bytes) c = static_cast<char>(rng() % 256);
        const std::string name = dir.File("random.stp");
        PutFile(name, bytes);
        const SettingsLoad r = LoadSettingsFile(name);
        ASSERT_EQ(r.result, SettingsLoadResult::NotARegulator) << seed;
        EXPECT_NE(r.message.find("random.stp does not hold a regulator's settings"), std::string::npos) << r.message;
    }
    // The alarm accessory's memory, and a setting outside what a regulator holds.
    RegImage.fill(0);
    RegulatorSettings();
    RegImage[0] = 110;
    SaveSettingsFile(dir.File("xal.stp"));
    RegImage[0] = 130;
    RegImage[87] = 7;
    SaveSettingsFile(dir.File("bmax.stp"));
    RegImage[87] = 144;
    RegImage[75] = 41;
    SaveSettingsFile(dir.File("hyst.stp"));
    RegImage = before;
    EXPECT_EQ(LoadSettingsFile(dir.File("xal.stp")).message,
              "xal.stp does not hold a regulator's settings: its type byte 110 is that of the Xal alarm accessory. "
              "Nothing was loaded.");
    EXPECT_EQ(LoadSettingsFile(dir.File("bmax.stp")).message,
              "bmax.stp does not hold a regulator's settings: BMAX holds 7, and a regulator holds 100 to 200 there. "
              "Nothing was loaded.");
    EXPECT_EQ(LoadSettingsFile(dir.File("hyst.stp"), LangGerman).message,
              "hyst.stp enthält keine Reglereinstellungen: HYST hat den Wert 41, ein Regler hat dort 0 bis 40. Es "
              "wurde nichts geladen.");
    EXPECT_EQ(RegImage, before);
    EXPECT_FALSE(KindLoaded[4]);
    EXPECT_FALSE(CalibrationLoaded);
    EXPECT_TRUE(CurrentLoaded);
}

TEST_F(SettingsFileTest, TheSimulatorsBelievableRegulatorLoads) {
    // Every check passes for a regulator's memory as a whole read leaves it: the demo image of
    // the simulator, a Ruka on a 24 V bank, and the same voltages on the high-voltage scale.
    RegImage.fill(0);
    RegulatorSettings();
    for (int type : {0, 95, 128, 130, 200, 220, 226, 245, 249, 255}) {
        RegImage[0] = static_cast<std::uint8_t>(type);
        SaveSettingsFile(dir.File("model.stp"));
        EXPECT_EQ(LoadSettingsFile(dir.File("model.stp")).result, SettingsLoadResult::Loaded) << type;
    }
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

// The settings file on real files: round trip, files of the wrong size refused, files whose
// settings the editor would not allow refused, flags set only by a good load.
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
    // The simulator's demo regulator, a Ruka v2 on a 24 V bank, as a file saved from it holds it.
    static std::string Demo() { return ReadWholeFile(TALVIK_DEMO_IMAGE); }
    // Its type byte and the settings the program-all list sends, into RegImage.
    static void RegulatorSettings() {
        const std::string demo = Demo();
        RegImage[0] = static_cast<std::uint8_t>(demo[0]);
        for (int a = SettingListFirst; a <= SettingListLast; ++a)
            RegImage[static_cast<std::size_t>(a)] = static_cast<std::uint8_t>(demo[static_cast<std::size_t>(a)]);
    }
    // The demo file with some bytes changed, saved as name; what loading it says.
    std::string LoadChanged(const std::string& name, std::initializer_list<std::pair<int, int>> changes,
                            int language = LangEnglish) {
        std::string bytes = Demo();
        for (auto [address, value] : changes) bytes[static_cast<std::size_t>(address)] = static_cast<char>(value);
        PutFile(dir.File(name), bytes);
        const SettingsLoad r = LoadSettingsFile(dir.File(name), language);
        return r.result == SettingsLoadResult::Loaded ? "loaded" : r.message;
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
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[0]), 130);
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
        EXPECT_EQ(r.message.rfind("random.stp ", 0), 0u) << r.message;
        EXPECT_NE(r.message.find("Nothing was loaded."), std::string::npos) << r.message;
    }
    // The alarm accessory's memory.
    RegImage.fill(0);
    RegulatorSettings();
    RegImage[0] = 110;
    SaveSettingsFile(dir.File("xal.stp"));
    RegImage = before;
    EXPECT_EQ(LoadSettingsFile(dir.File("xal.stp")).message,
              "xal.stp does not hold a regulator's settings: its type byte 110 is that of the Xal alarm accessory. "
              "Nothing was loaded.");
    EXPECT_EQ(RegImage, before);
    EXPECT_FALSE(KindLoaded[4]);
    EXPECT_FALSE(CalibrationLoaded);
    EXPECT_TRUE(CurrentLoaded);
}

TEST_F(SettingsFileTest, SettingsTheEditorWouldNotAllowAreRefusedNamingSettingValueAndLimits) {
    RegImage.fill(0x55);
    const auto before = RegImage;
    ASSERT_EQ(LoadChanged("demo.stp", {}), "loaded");
    RegImage = before;
    KindLoaded.Fill(false);
    CalibrationLoaded = false;

    // The file of a user's report: charge current, timers and modes far outside the editor's
    // limits, and the program setting in the system-voltage byte 9. The first setting of the
    // list that fails is named.
    EXPECT_EQ(LoadChanged("wild.stp", {{73, 250}, {74, 250}, {77, 250}, {82, 3}, {83, 200}, {88, 255}, {90, 255},
                                       {92, 255}, {93, 153}}),
              "wild.stp holds settings that the settings editor does not allow: \"Program Setting\" is stored as 9, "
              "where the editor allows 0 to 4. Nothing was loaded.");
    // The charge current's limit is the model's: 80 half amperes on this Ruka, 40 on a Tova.
    EXPECT_EQ(LoadChanged("chrg.stp", {{77, 81}}),
              "chrg.stp holds settings that the settings editor does not allow: \"CHRG Charge Current Limit\" is "
              "stored as 81, where the editor allows 1 to 80. Nothing was loaded.");
    EXPECT_EQ(LoadChanged("ruka80.stp", {{77, 80}}), "loaded");
    EXPECT_EQ(LoadChanged("tova.stp", {{0, 5}}, LangGerman),
              "tova.stp enthält Einstellungen, die der Einstellungseditor nicht zulässt: „CHRG Ladestrombegrenzung“ ist "
              "als 60 gespeichert, der Editor lässt 1 bis 40 zu. Es wurde nichts geladen.");
    // The code-8 maxima hold on the Grend of version 10 only: BMAX 187 there, 165 elsewhere.
    EXPECT_EQ(LoadChanged("grend10.stp", {{0, 249}, {77, 40}, {87, 187}}), "loaded");
    EXPECT_EQ(LoadChanged("grend6.stp", {{0, 245}, {77, 40}, {87, 187}}),
              "grend6.stp holds settings that the settings editor does not allow: \"BMAX Boost Maximum Voltage\" is "
              "stored as 187, where the editor allows 135 to 165. Nothing was loaded.");
    // Lower limits count as much as upper ones; a nibble is held on its own.
    EXPECT_NE(LoadChanged("hyst.stp", {{75, 0}}).find("\"HYST Hysteresis\" is stored as 0, where the editor allows 1 "
                                                      "to 10"),
              std::string::npos);
    EXPECT_NE(LoadChanged("tcmp.stp", {{92, 0x90}}).find("\"TCMP Temperature Comp. Profile\" is stored as 9"),
              std::string::npos);
    // A value whose meaning follows a mode may hold what any of its modes allows, for the editor
    // keeps a value typed under one mode when the mode changes: a stop value of 241, typed as a
    // time under stop mode 2, stays under stop mode 14 (a run time of at most 240). Beyond every
    // mode's limits it is named under the caption of the file's mode, with the span of all modes.
    EXPECT_EQ(LoadChanged("run.stp", {{90, 0xE0}, {80, 241}}), "loaded");
    EXPECT_EQ(LoadChanged("run253.stp", {{90, 0xE0}, {80, 253}}),
              "run253.stp holds settings that the settings editor does not allow: \"Stop Setting RUN\" is stored "
              "as 253, where the editor allows 0 to 252. Nothing was loaded.");
    EXPECT_EQ(LoadChanged("solv.stp", {{90, 0x00}, {80, 199}}), "loaded");
    // The system voltage picks the limits and is not held to the codes the editor types: a
    // regulator on a 96 V bank loads. Settings the list does not send are not looked at.
    EXPECT_EQ(LoadChanged("96v.stp", {{93, 0x05}}), "loaded");
    EXPECT_EQ(LoadChanged("clock.stp", {{48, 255}, {181, 255}, {101, 255}}), "loaded");

    // What was refused changed nothing.
    RegImage = before;
    KindLoaded.Fill(false);
    CalibrationLoaded = false;
    LoadChanged("wild.stp", {{77, 250}});
    EXPECT_EQ(RegImage, before);
    EXPECT_FALSE(KindLoaded[5]);
    EXPECT_FALSE(CalibrationLoaded);
}

TEST_F(SettingsFileTest, TheSimulatorsBelievableRegulatorLoadsAsEveryModel) {
    // The demo regulator's settings with a charge current every model allows load under every
    // regulator type byte.
    RegImage.fill(0);
    RegulatorSettings();
    RegImage[77] = 40;
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

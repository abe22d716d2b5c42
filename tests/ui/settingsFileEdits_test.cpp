// Whatever the settings editor makes of a regulator's settings, the program's own save gives a
// file its own load takes: the editor's edits (typed values on every row, the modes among them,
// the switch rows and the calibration) on believable regulators of several models and system
// voltages, saved and loaded again.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "link/qvDataGuard.h"
#include "link/qvUtility.h"
#include "link/uVar.h"
#include "reportsTestDir.h"
#include "ui/SettingsEdit.h"
#include "ui/settingsFile.h"

namespace talvik {
namespace {

class SettingsFileEditsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetLinkState();
        LanguageNumber = LangEnglish;
    }
    void TearDown() override { ResetLinkState(); }

    // The demo regulator read whole: its image with the type and system-voltage bytes given, as the
    // program holds it after a read (model decoded, groups read).
    static void ReadRegulator(int type, int voltageNibble) {
        const std::string demo = ReadWholeFile(TALVIK_DEMO_IMAGE);
        ASSERT_EQ(demo.size(), 512u);
        for (std::size_t a = 0; a < RegImage.size(); ++a) RegImage[a] = static_cast<std::uint8_t>(demo[a]);
        RegImage[0] = static_cast<std::uint8_t>(type);
        RegImage[93] = static_cast<std::uint8_t>((RegImage[93] & 0xF8) | voltageNibble);
        RegImage[77] = 40;  // a charge current limit every model allows
        ChangedFlags.fill(false);
        DecodeRegulatorType();
        MarkImageLoaded();
    }
    // Saved with the program's save and loaded again; the load's message when refused.
    std::string SaveAndLoad() {
        const auto edited = RegImage;
        const std::string name = dir.File("edited.stp");
        SaveSettingsFile(name);
        RegImage.fill(0);
        const SettingsLoad r = LoadSettingsFile(name);
        if (r.result != SettingsLoadResult::Loaded) return r.message;
        return RegImage == edited ? "loaded" : "loaded other bytes";
    }
    static void Type(std::int32_t group, std::int32_t row, const std::string& text) {
        ASSERT_TRUE(EditSettingValue(text, group, row).Taken()) << group << "/" << row << " " << text;
    }
    ScratchDir dir;
};

// The edits of a user's report, each of which made every file saved afterwards refused.
TEST_F(SettingsFileEditsTest, AValueKeptWhenItsModeChangesStillLoads) {
    const std::vector<std::pair<std::string, std::vector<std::tuple<int, int, std::string>>>> cases = {
        // Generator mode 2 alone: "Gen on below" keeps its voltage byte 118, above a SOC's 99.
        {"generator mode 2", {{5, 1, "2"}}},
        // A stop run time of 240 min under stop mode 14, then stop mode 0 (a voltage, at most 199).
        {"stop value", {{4, 2, "14"}, {4, 3, "240"}, {4, 2, "0"}}},
        {"start value", {{4, 0, "14"}, {4, 1, "240"}, {4, 0, "0"}}},
        {"third event value", {{4, 5, "6"}, {4, 6, "252"}, {4, 5, "0"}}},
        // Address 66 at 100 under generator mode 2, then modes 0 and 1 (at most 15).
        {"generator delay", {{5, 1, "2"}, {5, 4, "100"}, {5, 1, "1"}}},
        {"generator delay, mode 0", {{5, 1, "2"}, {5, 4, "100"}, {5, 1, "0"}}},
        // Address 64 at 50 under mode 1, then mode 0 (at least 100).
        {"generator on", {{5, 1, "1"}, {5, 2, "50"}, {5, 1, "0"}}},
    };
    for (const auto& [what, edits] : cases) {
        SCOPED_TRACE(what);
        ReadRegulator(130, 1);
        for (const auto& [group, row, text] : edits) Type(group, row, text);
        EXPECT_EQ(SaveAndLoad(), "loaded");
    }
    ReadRegulator(130, 1);
    Type(5, 1, "1");
    Type(5, 2, "50");
    EXPECT_EQ(RegImage[64], 50);
}

// Random sequences of the editor's edits (seeded, so a failure repeats): every file saved loads,
// byte for byte.
TEST_F(SettingsFileEditsTest, EveryImageTheEditorMakesLoadsAgain) {
    // Ruka 24 V (the demo), Tova 12 V, Nesk 48 V, Mavo 36 V, Vilk, Grend, the Grend of voltage
    // code 8, and a Ruka on a 96 V bank.
    const std::vector<std::pair<int, int>> regulators = {{130, 1}, {5, 0},   {200, 4}, {220, 3},
                                                         {226, 0}, {245, 0}, {249, 0}, {140, 5}};
    // Edge texts: empty, no number, negative, too large for any row, zeros, byte and nibble edges,
    // the largest 16-bit values, a tenth alone.
    const std::vector<std::string> edges = {"",    "abc", "-5",   "99999999999", "0",     "0.0",   "1",    "15",
                                            "16",  "99",  "100",  "125",         "199",   "240",   "250",  "252",
                                            "255", "256", "999",  "1000",        "25000", "65535", "65536", ".5",
                                            "12.5", "25.5", "0.1"};
    std::vector<std::pair<int, int>> rows;  // every group and row
    for (int g = 1; g <= kSettingGroups; ++g)
        for (int r = 0; r < SettingGroupRows[static_cast<std::size_t>(g)]; ++r) rows.emplace_back(g, r);
    // The mode rows come up more often, so that values typed under one mode meet another.
    const std::vector<std::pair<int, int>> modeRows = {{4, 0}, {4, 2}, {4, 5}, {5, 1}};

    int sequences = 0, taken = 0;
    for (const auto& [type, voltage] : regulators) {
        for (unsigned seed = 1; seed <= 40; ++seed) {
            SCOPED_TRACE("type " + std::to_string(type) + ", seed " + std::to_string(seed));
            std::mt19937 rng(seed * 1000 + static_cast<unsigned>(type));
            auto pick = [&rng](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
            ReadRegulator(type, voltage);
            const std::size_t length = 1 + pick(60);
            for (std::size_t e = 0; e < length; ++e) {
                const std::size_t kind = pick(20);
                if (kind == 0) {
                    // A switch row opened (its byte changes at once), or the calibration typed.
                    ToggleSwitchSetting(std::vector<int>{4, 8, 28, 40}[pick(4)]);
                    continue;
                }
                if (kind == 1) {
                    CommitCalibrationText(std::to_string(static_cast<int>(pick(300)) - 150),
                                          static_cast<int>(1 + pick(kCalibrationRows)), static_cast<int>(1 + pick(2)));
                    continue;
                }
                const auto [group, row] = kind < 7 ? modeRows[pick(modeRows.size())] : rows[pick(rows.size())];
                std::string text;
                switch (pick(5)) {
                case 0: text = edges[pick(edges.size())]; break;
                case 4: text = FormatSettingValue(group, row); break;  // what the cell shows, typed again
                case 1: text = std::to_string(pick(20)); break;  // modes, nibbles, small values
                case 2: text = std::to_string(pick(300)); break;
                default: text = std::to_string(pick(300)) + "." + std::to_string(pick(10)); break;
                }
                taken += EditSettingValue(text, group, row).Taken() ? 1 : 0;
                DecodeRegulatorType();  // as the grid's redraw does after every commit
            }
            ASSERT_EQ(SaveAndLoad(), "loaded");
            ++sequences;
        }
    }
    EXPECT_EQ(sequences, 8 * 40);
    EXPECT_GT(taken, 4000);  // the edits did change the images
}

}  // namespace
}  // namespace talvik

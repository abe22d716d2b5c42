// The current-data texts from a regulator image: labels, list, and the summary and value
// arrays the report and the log copy, for several models and system voltages.
#include "ui/currentText.h"

#include <gtest/gtest.h>

#include "link/qvUtility.h"
#include "link/uVar.h"

namespace talvik {
namespace {

class CurrentTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegImage.fill(0);
        Set(0, 5);      // type byte: Tova v5
        Set(93, 0);     // 12 V system
        Set(32, 0);     // voltage divider 1
        Set(221, 100);  // VoltageTenthsA = (100 + 150) / 2 = 125
    }
    static void Set(int a, int v) { RegImage[static_cast<std::size_t>(a)] = static_cast<std::uint8_t>(v); }
};

TEST_F(CurrentTextTest, TwelveVoltTovaWithExternalShunts) {
    Set(183, 120);
    Set(182, 140);
    Set(207, 4 | 1 | 8 | 2);  // both external shunts present, both in tens
    Set(205, 12);
    Set(213, 50);
    Set(206, 3);
    Set(217, 20);
    Set(188, 44);
    Set(189, 1);
    Set(193, 10);
    Set(198, 7);
    Set(203, 2);
    Set(204, 1);
    Set(101, 6);
    Set(181, 87);
    Set(52, 25);
    CurrentLabelTexts t = BuildCurrentTexts(LangEnglish);
    EXPECT_EQ(t.Typelab, "Tova v5");
    EXPECT_EQ(t.nomvlab, "12V");
    EXPECT_EQ(t.batvlab, "12.5V");
    EXPECT_EQ(t.maxminlab, "12.0<V<14.0");
    EXPECT_EQ(t.Chargelab, "Current In 17.0 A");
    EXPECT_EQ(t.Chargelab2, "Int 5.0  Ext 12.0");
    EXPECT_EQ(t.Loadlab, "Current Out 5.0 A");
    EXPECT_EQ(t.Loadlab2, "Int 2.0  Ext 3.0");
    EXPECT_EQ(t.Camphrlab, "Charge 310 Ah");
    EXPECT_EQ(t.camphrlab2, "Int 300  Ext 10");
    EXPECT_EQ(t.Lamphrlab, "Discharge 265 Ah");
    EXPECT_EQ(t.lamphrlab2, "Int 7   Ext 258");
    EXPECT_EQ(t.Statelab, "ABSORBTION");
    EXPECT_EQ(t.soclab, "SOC  87%");
    EXPECT_EQ(t.templab, "25 oC");
    EXPECT_EQ(CurrentSummaryText[0], "Current In \t17.0A\tInt 5.0\tExt 12.0");
    EXPECT_EQ(CurrentSummaryText[1], "Current Out \t5.0A\tInt 2.0\tExt 3.0");
    EXPECT_EQ(CurrentSummaryText[2], "Charge \t310Ah\tInt 300\tExt 10");
    EXPECT_EQ(CurrentSummaryText[3], "Discharge \t265Ah\tInt 7\tExt 258");
    const std::array<std::string, 12> values = {"17.0", "Int 5.0", "Ext 12.0", "5.0", "Int 2.0", "Ext 3.0",
                                                "310",  "Int 300", "Ext 10",   "265", "Int 7",   "Ext 258"};
    EXPECT_EQ(CurrentValueText, values);
}

TEST_F(CurrentTextTest, PresentVoltageWidensTheDaysRange) {
    Set(183, 130);  // lo 13.0 above the present 12.5
    Set(182, 120);  // hi 12.0 below it
    EXPECT_EQ(BuildCurrentTexts(0).maxminlab, "12.5<V<12.5");
}

TEST_F(CurrentTextTest, ExternalCurrentsNeedTheirPresenceBits) {
    Set(207, 0);
    Set(205, 200);
    Set(206, 200);
    BuildCurrentTexts(0);
    EXPECT_EQ(CurrentValueText[2], "Ext 0.0");
    EXPECT_EQ(CurrentValueText[5], "Ext 0.0");
    Set(207, 4 | 8);  // present, factor 1
    BuildCurrentTexts(0);
    EXPECT_EQ(CurrentValueText[2], "Ext 20.0");
    EXPECT_EQ(CurrentValueText[5], "Ext 20.0");
}

TEST_F(CurrentTextTest, LargeCurrentsShowWholeAmperes) {
    Set(0, 130);  // Ruka: internal charge current doubled
    Set(213, 255);
    Set(207, 4 | 1);
    Set(205, 60);
    CurrentLabelTexts t = BuildCurrentTexts(0);
    EXPECT_EQ(t.Chargelab, "Current In 111 A");  // 1110 tenths
    EXPECT_EQ(CurrentValueText[1], "Int 51.0");
    EXPECT_EQ(CurrentValueText[2], "Ext 60.0");
    Set(0, 5);  // Tova: internal current as read
    Set(213, 0);
    Set(205, 99);  // 990 tenths
    BuildCurrentTexts(0);
    EXPECT_EQ(CurrentValueText[0], "99.0");
    Set(213, 9);   // 999 tenths: still with its decimal
    BuildCurrentTexts(0);
    EXPECT_EQ(CurrentValueText[0], "99.9");
    Set(213, 0);
    Set(205, 100);  // 1000 tenths
    BuildCurrentTexts(0);
    EXPECT_EQ(CurrentValueText[0], "100");
    EXPECT_EQ(CurrentValueText[2], "Ext 100");
}

TEST_F(CurrentTextTest, VilkInternalCurrentIsWhole) {
    Set(0, 225);
    Set(213, 37);
    CurrentLabelTexts t = BuildCurrentTexts(0);
    EXPECT_EQ(t.Typelab, "Vilk v1");
    EXPECT_EQ(t.nomvlab, "120V");
    EXPECT_EQ(t.Chargelab2, "Int 37  Ext 0.0");
    EXPECT_EQ(t.Chargelab, "Current In 37 A");
    EXPECT_EQ(t.batvlab, "125V");  // whole volts on the high-voltage models
}

TEST_F(CurrentTextTest, TwentyFourAndFortyEightVoltSystems) {
    Set(93, 1);
    Set(50, 130);
    Set(183, 120);
    Set(182, 140);
    Set(53, 40);
    CurrentLabelTexts t = BuildCurrentTexts(0);
    EXPECT_EQ(t.nomvlab, "24V");
    EXPECT_EQ(t.list[18], "26.0V");
    EXPECT_EQ(t.maxminlab, "12.5<V<28.0");
    EXPECT_EQ(t.list[10], "20.0 V");

    Set(0, 200);  // Nesk, 48 V
    Set(93, 4);
    Set(217, 10);
    Set(207, 0);
    t = BuildCurrentTexts(0);
    EXPECT_EQ(t.Typelab, "Nesk v8");
    EXPECT_EQ(t.nomvlab, "48V");
    EXPECT_EQ(t.list[18], "52.0V");
    EXPECT_EQ(CurrentValueText[4], "Int 2.0");  // load multiplier 2

    Set(0, 249);  // Grend 136 V: whole volts
    t = BuildCurrentTexts(0);
    EXPECT_EQ(t.nomvlab, "136V");
    EXPECT_EQ(t.list[10], "40 V");
}

TEST_F(CurrentTextTest, StateListWordsAndCounters) {
    Set(48, 123);
    Set(184, 95);
    Set(115, 1 | 2 | 4 | 16);
    Set(63, 3);
    Set(95, 14);
    Set(96, 7);
    Set(21, 128);
    Set(37, 0x85);
    Set(98, 0);
    CurrentLabelTexts t = BuildCurrentTexts(0);
    EXPECT_EQ(t.list[1], "12.3 Hours");
    EXPECT_EQ(t.list[2], "9.5 Hours");
    EXPECT_EQ(t.list[3], "Disconnected");
    EXPECT_EQ(t.list[4], "Running");
    EXPECT_EQ(t.list[5], "Active");
    EXPECT_EQ(t.list[6], "3");
    EXPECT_EQ(t.list[7], "14");
    EXPECT_EQ(t.list[8], "7");
    EXPECT_EQ(t.list[9], "50 %");
    EXPECT_EQ(t.list[11], "Night");
    EXPECT_EQ(t.list[12], "133");
    EXPECT_EQ(t.list[13], "On");
    for (int r = 14; r <= 17; ++r) EXPECT_EQ(t.list[static_cast<std::size_t>(r)], "On");
    Set(98, 0x0F);
    Set(115, 0);
    t = BuildCurrentTexts(LangGerman);
    for (int r = 14; r <= 17; ++r) EXPECT_EQ(t.list[static_cast<std::size_t>(r)], "Aus");
    EXPECT_EQ(t.list[3], "Verbunden");
    EXPECT_EQ(t.list[1], "12.3 Stunden");
    EXPECT_EQ(CurrentFormTextOf(ctListFirst + 14, 0), std::string(26, ' ') + "Stop is");
    EXPECT_EQ(CurrentFormTextOf(ctCompensatedVoltage, 0), "Compensated Voltage");
}

TEST_F(CurrentTextTest, ZeroImageGivesTheStartupTexts) {
    RegImage.fill(0);
    CurrentLabelTexts t = BuildCurrentTexts(0);
    EXPECT_EQ(t.Typelab, "Tova v0");
    EXPECT_EQ(t.batvlab, "7.5V");
    EXPECT_EQ(t.Statelab, "BOOST");
    EXPECT_EQ(CurrentSummaryText[0], "Current In \t0.0A\tInt 0.0\tExt 0.0");
}

TEST(CurrentTextFonts, LabelSizeLimits) {
    EXPECT_EQ(CurrentLabelFontSize(0, 8), 9);
    EXPECT_EQ(CurrentLabelFontSize(0, 14), 12);
    EXPECT_EQ(CurrentLabelFontSize(2, 14), 14);
    EXPECT_EQ(CurrentLabelFontSize(2, 8), 9);
}

}  // namespace
}  // namespace talvik

// The current-data window's texts from a known image: labels, list and the summary arrays the
// report copies, for several models and system voltages.
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
        LanguageNumber = 0;
    }
    static void Set(int a, int v) { RegImage[static_cast<std::size_t>(a)] = static_cast<std::uint8_t>(v); }
    // A 12 V Tova with every field of both pages set.
    static void TovaImage() {
        Set(0, 5);       // Tova v5
        Set(93, 0);      // 12 V
        Set(32, 0);      // divider 1
        Set(221, 118);   // (118 + 150) / 2 = 13.4 V
        Set(182, 140);
        Set(183, 120);
        Set(207, 5);     // external charge shunt present, times 10; no external load shunt
        Set(205, 12);
        Set(206, 99);    // ignored: no external load shunt
        Set(213, 35);
        Set(217, 20);
        Set(188, 44); Set(189, 1);   // 300 Ah
        Set(193, 10); Set(194, 0);
        Set(198, 5); Set(199, 0);
        Set(203, 0); Set(204, 1);    // 256 Ah
        Set(101, 6);     // only bits 0-1 count: absorption
        Set(181, 87);
        Set(52, 25);
        Set(48, 123);
        Set(184, 95);
        Set(115, 17);    // load disconnected, alarm active, generator stopped, event off
        Set(63, 3); Set(95, 12); Set(96, 7);
        Set(21, 128);
        Set(53, 40);
        Set(37, 133);    // night, counter 133
        Set(98, 0);
        Set(50, 136);
    }
};

TEST_F(CurrentTextTest, TwelveVoltTovaShowsEveryLabelAndRow) {
    TovaImage();
    const CurrentLabels L = BuildCurrentLabels(0);
    EXPECT_EQ(L.Typelab, "Tova v5");
    EXPECT_EQ(L.nomvlab, "12V");
    EXPECT_EQ(L.batvlab, "13.4V");
    EXPECT_EQ(L.maxminlab, "12.0<V<14.0");
    EXPECT_EQ(L.Chargelab, "Current In 15.5 A");
    EXPECT_EQ(L.Chargelab2, "Int 3.5  Ext 12.0");
    EXPECT_EQ(L.Loadlab, "Current Out 2.0 A");
    EXPECT_EQ(L.Loadlab2, "Int 2.0  Ext 0.0");
    EXPECT_EQ(L.Camphrlab, "Charge 310 Ah");
    EXPECT_EQ(L.camphrlab2, "Int 300  Ext 10");
    EXPECT_EQ(L.Lamphrlab, "Discharge 261 Ah");
    EXPECT_EQ(L.lamphrlab2, "Int 5   Ext 256");
    EXPECT_EQ(L.Statelab, "ABSORBTION");
    EXPECT_EQ(L.soclab, "SOC  87%");
    EXPECT_EQ(L.templab, "25 oC");

    const std::array<std::string, kCurrentListRows> values = {
        "", "12.3 Hours", "9.5 Hours", "Disconnected", "Stopped", "Active", "3", "12", "7", "50 %", "20.0 V",
        "Night", "133", "Off", "On", "On", "On", "On", "13.6V"};
    EXPECT_EQ(L.ListValue, values);
    EXPECT_EQ(L.ListCaption[0], "CURRENT STATE DATA");
    EXPECT_EQ(L.ListCaption[1], "Time on QV clock");
    EXPECT_EQ(L.ListCaption[15], "                          Stop is");
    EXPECT_EQ(L.ListCaption[17], "                          Tmod is");
    EXPECT_EQ(L.ListCaption[18], "Compensated Voltage");

    EXPECT_EQ(CurrentSummaryText[0], "Current In \t15.5A\tInt 3.5\tExt 12.0");
    EXPECT_EQ(CurrentSummaryText[1], "Current Out \t2.0A\tInt 2.0\tExt 0.0");
    EXPECT_EQ(CurrentSummaryText[2], "Charge \t310Ah\tInt 300\tExt 10");
    EXPECT_EQ(CurrentSummaryText[3], "Discharge \t261Ah\tInt 5\tExt 256");
    const std::array<std::string, 12> parts = {"15.5",    "Int 3.5", "Ext 12.0", "2.0",     "Int 2.0", "Ext 0.0",
                                               "310",     "Int 300", "Ext 10",   "261",     "Int 5",   "Ext 256"};
    EXPECT_EQ(CurrentValueText, parts);
}

TEST_F(CurrentTextTest, TwentyFourVoltRukaScalesVoltagesAndWidensTheRange) {
    TovaImage();
    Set(0, 130);   // Ruka v2: internal charge current doubled
    Set(93, 1);    // 24 V
    Set(32, 16);   // divider 2
    Set(221, 120); // (120 + 150) * 2 / 2 = 27.0 V
    Set(183, 118); // 23.6 V
    Set(182, 130); // 26.0 V, below the present voltage
    Set(213, 60);
    Set(207, 0);   // no external shunts: bytes 205 and 206 do not count
    Set(205, 200);
    Set(50, 130);
    const CurrentLabels L = BuildCurrentLabels(0);
    EXPECT_EQ(L.Typelab, "Ruka v2");
    EXPECT_EQ(L.nomvlab, "24V");
    EXPECT_EQ(L.batvlab, "27.0V");
    EXPECT_EQ(L.maxminlab, "23.6<V<27.0");
    EXPECT_EQ(L.Chargelab, "Current In 12.0 A");
    EXPECT_EQ(L.Chargelab2, "Int 12.0  Ext 0.0");
    EXPECT_EQ(L.Loadlab2, "Int 2.0  Ext 0.0");
    EXPECT_EQ(L.ListValue[10], "20.0 V");   // the solar input is not scaled by the system
    EXPECT_EQ(L.ListValue[18], "26.0V");

    Set(221, 60);  // 21.0 V: below the day's minimum
    EXPECT_EQ(BuildCurrentLabels(0).maxminlab, "21.0<V<26.0");
}

TEST_F(CurrentTextTest, FortyEightVoltNeskShowsLargeCurrentsInWholeAmperes) {
    TovaImage();
    Set(0, 200);   // Nesk v8: charge x4, load x2
    Set(93, 4);    // 48 V
    Set(207, 4 | 8 | 2);  // both shunts, load shunt times 10
    Set(213, 249); // 99.6 A internal
    Set(205, 3);   // 0.3 A external: 99.9 A in all
    Set(217, 100);
    Set(206, 15);
    CurrentLabels L = BuildCurrentLabels(0);
    EXPECT_EQ(L.Typelab, "Nesk v8");
    EXPECT_EQ(L.nomvlab, "48V");
    EXPECT_EQ(L.Chargelab, "Current In 99.9 A");
    EXPECT_EQ(L.Loadlab, "Current Out 35.0 A");
    EXPECT_EQ(L.Loadlab2, "Int 20.0  Ext 15.0");
    Set(205, 4);   // 100.0 A in all
    L = BuildCurrentLabels(0);
    EXPECT_EQ(L.Chargelab, "Current In 100 A");
    EXPECT_EQ(L.Chargelab2, "Int 99.6  Ext 0.4");
    EXPECT_EQ(CurrentValueText[0], "100");
    Set(213, 250); // the internal part alone over 999 tenths keeps its decimal
    Set(205, 0);
    L = BuildCurrentLabels(0);
    EXPECT_EQ(L.Chargelab2, "Int 100.0  Ext 0.0");
    EXPECT_EQ(L.Chargelab, "Current In 100 A");
}

TEST_F(CurrentTextTest, HighVoltageModelsWriteWholeNumbers) {
    TovaImage();
    Set(0, 226);   // Vilk: 120 V system, currents as plain integers
    Set(221, 50);  // (50 + 150) / 2 = 100 V
    Set(183, 90);
    Set(182, 110);
    Set(213, 37);
    Set(207, 0);
    CurrentLabels L = BuildCurrentLabels(0);
    EXPECT_EQ(L.Typelab, "Vilk v2");
    EXPECT_EQ(L.nomvlab, "120V");
    EXPECT_EQ(L.batvlab, "100V");
    EXPECT_EQ(L.maxminlab, "90<V<110");
    EXPECT_EQ(L.Chargelab, "Current In 37 A");
    EXPECT_EQ(L.Chargelab2, "Int 37  Ext 0.0");
    EXPECT_EQ(L.ListValue[10], "40 V");
    EXPECT_EQ(L.ListValue[18], "136V");

    Set(0, 249);   // Grend, version 10 read as 1, 136 V system
    L = BuildCurrentLabels(0);
    EXPECT_EQ(L.Typelab, "Grend v1");
    EXPECT_EQ(L.nomvlab, "136V");
    EXPECT_EQ(L.batvlab, "100V");
    EXPECT_EQ(L.Chargelab2, "Int 14.8  Ext 0.0");  // x4, in tenths as any model but Vilk
}

TEST_F(CurrentTextTest, StateBitsAndEventConditions) {
    TovaImage();
    for (int s = 0; s < 8; ++s) {
        Set(101, s);
        const char* names[] = {"BOOST", "EQUALISE", "ABSORBTION", "FLOAT"};
        EXPECT_EQ(BuildCurrentLabels(0).Statelab, names[s & 3]);
    }
    Set(98, 15);
    Set(115, 2 | 4);
    Set(37, 5);
    const CurrentLabels L = BuildCurrentLabels(0);
    for (int r = 14; r <= 17; ++r) EXPECT_EQ(L.ListValue[r], "Off") << r;
    EXPECT_EQ(L.ListValue[3], "Connected");
    EXPECT_EQ(L.ListValue[4], "Running");
    EXPECT_EQ(L.ListValue[5], "Inactive");
    EXPECT_EQ(L.ListValue[11], "Day");
    EXPECT_EQ(L.ListValue[13], "On");
    Set(98, 1);    // only the start condition off
    const CurrentLabels M = BuildCurrentLabels(0);
    EXPECT_EQ(M.ListValue[14], "Off");
    EXPECT_EQ(M.ListValue[15], "On");
}

TEST_F(CurrentTextTest, WordsFollowTheLanguageButValuesDoNot) {
    TovaImage();
    const CurrentLabels L = BuildCurrentLabels(LangGerman);
    EXPECT_EQ(L.ListValue[1], "12.3 Stunden");
    EXPECT_EQ(L.ListValue[3], "Getrennt");
    EXPECT_EQ(L.ListCaption[18], "Kompensierte Spannung");
    EXPECT_EQ(L.Chargelab, "Current In 15.5 A");
    EXPECT_EQ(L.batvlab, "13.4V");
    for (int row = 0; row < ctRowCount; ++row)
        for (int lang = 0; lang < kLanguageCount; ++lang) EXPECT_FALSE(CurrentText(row, lang).empty()) << row;
}

TEST_F(CurrentTextTest, ZeroImageAsAfterStartUp) {
    const CurrentLabels L = BuildCurrentLabels(0);
    EXPECT_EQ(L.Typelab, "Tova v0");
    EXPECT_EQ(L.batvlab, "7.5V");
    EXPECT_EQ(L.maxminlab, "0.0<V<7.5");
    EXPECT_EQ(L.Chargelab, "Current In 0.0 A");
    EXPECT_EQ(L.soclab, "SOC  0%");
}

}  // namespace
}  // namespace talvik

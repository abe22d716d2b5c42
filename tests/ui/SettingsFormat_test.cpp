// Setting and calibration values: display texts from the image, caption selection, and the
// typed-value pipeline with its limits for every voltage code and the models' CHRG limits.
#include "ui/SettingsFormat.h"

#include <gtest/gtest.h>

#include "base/rtl.h"
#include "link/qvUtility.h"
#include "link/uVar.h"

namespace talvik {
namespace {

class SettingsFormatTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegImage.fill(0);
        ChangedFlags.fill(false);
        LanguageNumber = 0;
        ModelName = "Tova";
        System(0);
    }
    // Nominal voltage code with its scale, as the model decoding would set it.
    static void System(std::int32_t code) {
        VoltageCode = code;
        VoltageScale(code, VoltMult, VoltDiv);
    }
    static std::string Show(int index) {
        for (int g = 1; g <= 5; ++g) {
            int start = SettingGroupStart[g];
            if (index >= start && index < start + SettingGroupRows[g]) return FormatSettingValue(g, index - start);
        }
        ADD_FAILURE() << "no such index " << index;
        return {};
    }
    static SettingEditResult Type(const std::string& text, int index) {
        for (int g = 1; g <= 5; ++g) {
            int start = SettingGroupStart[g];
            if (index >= start && index < start + SettingGroupRows[g]) return EditSettingValue(text, g, index - start);
        }
        ADD_FAILURE() << "no such index " << index;
        return {};
    }
    static int Byte(int a) { return RegImage[static_cast<std::size_t>(a)]; }
    static bool Flag(int a) { return ChangedFlags[static_cast<std::size_t>(a)]; }
};

TEST_F(SettingsFormatTest, GroupsIndicesAndAddresses) {
    EXPECT_EQ(SettingIndexOf(1, 0), 0);
    EXPECT_EQ(SettingIndexOf(2, 0), 9);
    EXPECT_EQ(SettingIndexOf(4, 10), 39);
    EXPECT_EQ(SettingIndexOf(5, 8), 48);
    EXPECT_EQ(SettingIndexOf(5, 9), 0);  // past the last setting
    EXPECT_EQ(SettingIndexOf(6, 3), 3);
    EXPECT_THROW(SettingIndexOf(7, 0), ERangeError);
    EXPECT_EQ(SettingAddress[5], 69);
    EXPECT_EQ(SettingAddress[36], 188);
    EXPECT_EQ(SettingAddress[48], 96);
    int total = 0;
    for (int g = 1; g <= 5; ++g) total += SettingGroupRows[g];
    EXPECT_EQ(total, kSettingCount);
    EXPECT_EQ(SettingCaptionText({2, 0}, 0), "BMAX Boost Maximum Voltage");
    EXPECT_EQ(SettingUnitText({5, 7}, 0), "%");
    EXPECT_EQ(SettingCaptionText({8, 0}, 0), "Control Settings");
    EXPECT_EQ(SettingUnitText({8, 0}, 0), "baud");
    EXPECT_EQ(SettingCaptionText({8, 1}, 0), "Calibration");
    EXPECT_EQ(SettingCaptionText({6, 8}, 0), "Tmod Setting TEMP");
    EXPECT_EQ(SettingUnitText({6, 8}, 0), "oC");
    // Every shown caption has a text in every language.
    for (int g = 1; g <= 7; ++g) {
        for (int r = 0; r < 12; ++r) {
            if (SettingCaptionText({g, r}, 0).empty()) continue;
            for (int l = 1; l < 4; ++l) EXPECT_FALSE(SettingCaptionText({g, r}, l).empty()) << g << "/" << r;
        }
    }
}

TEST_F(SettingsFormatTest, VoltagesFollowTheSystemVoltage) {
    RegImage[69] = 115;  // LOFF on the 12 V scale
    EXPECT_EQ(Show(5), "11.5");
    System(1);
    EXPECT_EQ(Show(5), "23.0");
    System(2);
    EXPECT_EQ(Show(5), "30.6");  // 115 x 8 div 3
    System(4);
    EXPECT_EQ(Show(5), "46.0");
    System(5);
    EXPECT_EQ(Show(5), "115");   // whole volts from code 5 on
    System(8);
    EXPECT_EQ(Show(5), "115");
}

TEST_F(SettingsFormatTest, EachDisplayKind) {
    RegImage[48] = 123;
    EXPECT_EQ(Show(0), "12.3");
    RegImage[93] = 0x21;
    EXPECT_EQ(Show(1), "24");
    EXPECT_EQ(Show(2), "2");
    EXPECT_EQ(Show(3), "Locked");
    RegImage[33] = 0x80;
    EXPECT_EQ(Show(3), "Adjust");
    RegImage[115] = 1;
    EXPECT_EQ(Show(4), "On");
    RegImage[115] = 2;
    EXPECT_EQ(Show(4), "Off");
    RegImage[71] = 15;
    EXPECT_EQ(Show(7), "15");
    RegImage[101] = 6;
    EXPECT_EQ(Show(8), "ABSV");
    RegImage[101] = 7;
    EXPECT_EQ(Show(8), "FLOT");
    RegImage[77] = 40;
    EXPECT_EQ(Show(18), "20.0");
    RegImage[88] = 0x5A;
    EXPECT_EQ(Show(21), "10");
    EXPECT_EQ(Show(22), "5");
    RegImage[94] = 49;
    EXPECT_EQ(Show(26), "980");
    RegImage[94] = 52;
    EXPECT_EQ(Show(26), "1200");
    RegImage[102] = 76;
    EXPECT_EQ(Show(28), "");
    RegImage[188] = 44;
    RegImage[189] = 1;
    EXPECT_EQ(Show(36), "300");
    RegImage[116] = 2;
    EXPECT_EQ(Show(40), "On");
    RegImage[181] = 87;
    EXPECT_EQ(Show(47), "87");
    LanguageNumber = 3;
    EXPECT_EQ(Show(40), "Ein");
    EXPECT_EQ(Show(8), "FLOT");  // the state words are the same in every language
}

TEST_F(SettingsFormatTest, EventValuesFollowTheirModes) {
    RegImage[79] = 100;
    RegImage[80] = 100;
    RegImage[90] = 0x00;
    EXPECT_EQ(Show(30), "50.0");
    RegImage[90] = 0x0E;
    EXPECT_EQ(Show(30), "100");
    RegImage[90] = 0x05;
    EXPECT_EQ(Show(30), "10.0");
    RegImage[90] = 0xE0;
    EXPECT_EQ(Show(32), "100");
    RegImage[81] = 42;
    for (int t = 0; t < 8; ++t) {
        RegImage[91] = static_cast<std::uint8_t>(t << 4);
        std::string expect = (t == 0 || t == 7) ? "" : (t <= 2 ? "42" : "4.2");
        EXPECT_EQ(Show(35), expect) << "third-event mode " << t;
    }
}

TEST_F(SettingsFormatTest, GeneratorRowsFollowTheGeneratorMode) {
    RegImage[64] = 120;
    RegImage[65] = 140;
    RegImage[66] = 30;
    RegImage[92] = 0;
    EXPECT_EQ(Show(42), "12.0");
    EXPECT_EQ(Show(43), "14.0");
    EXPECT_EQ(Show(44), "30");
    RegImage[92] = 1;
    EXPECT_EQ(Show(42), "120");
    EXPECT_EQ(Show(43), "14.0");
    RegImage[92] = 2;
    EXPECT_EQ(Show(43), "");
    EXPECT_EQ(Show(44), "30");
    RegImage[92] = 3;
    EXPECT_EQ(Show(42), "");
    EXPECT_EQ(Show(43), "");
    EXPECT_EQ(Show(44), "");
    RegImage[92] = 0;
    System(6);
    EXPECT_EQ(Show(42), "120");
    EXPECT_EQ(Show(43), "140");
}

TEST_F(SettingsFormatTest, CaptionsChosenByModes) {
    EXPECT_EQ(SelectSettingCaption(1, 5), (CaptionPick{1, 5}));
    const int startRows[16] = {0, 0, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 3, 3};
    for (int n = 0; n < 16; ++n) {
        RegImage[90] = static_cast<std::uint8_t>(n | (n << 4));
        EXPECT_EQ(SelectSettingCaption(4, 1), (CaptionPick{6, startRows[n]})) << n;
        EXPECT_EQ(SelectSettingCaption(4, 3), (CaptionPick{6, 4 + startRows[n]})) << n;
    }
    const int thirdRows[8] = {8, 8, 8, 9, 9, 10, 10, 10};
    for (int t = 0; t < 8; ++t) {
        RegImage[91] = static_cast<std::uint8_t>(t << 4);
        EXPECT_EQ(SelectSettingCaption(4, 6), (CaptionPick{6, thirdRows[t]}));
    }
    for (int m = 0; m < 4; ++m) {
        RegImage[92] = static_cast<std::uint8_t>(m);
        EXPECT_EQ(SelectSettingCaption(5, 2), (CaptionPick{7, m == 0 ? 0 : 1}));
        EXPECT_EQ(SelectSettingCaption(5, 4), (CaptionPick{7, m < 2 ? 2 : 3}));
    }
    // The grid's further shift for event mode 15.
    RegImage[90] = 0x01;
    RegImage[91] = 0x00;
    EXPECT_EQ(SettingGridCaption(4, 3), (CaptionPick{6, 4}));
    RegImage[90] = 0x0F;  // low nibble 15, high nibble 0
    EXPECT_EQ(SelectSettingCaption(4, 3), (CaptionPick{6, 4}));
    EXPECT_EQ(SettingGridCaption(4, 3), (CaptionPick{6, 3}));
    EXPECT_EQ(SettingCaptionText(SettingGridCaption(4, 3), 0), "Start Setting RATE");
    RegImage[90] = 0xF0;
    EXPECT_EQ(SettingGridCaption(4, 6), (CaptionPick{6, 7}));
    EXPECT_EQ(SettingGridCaption(4, 1), (CaptionPick{6, 0}));
}

TEST_F(SettingsFormatTest, ParseAppendsTenthsWhereTheKindHasThem) {
    EXPECT_EQ(ParseEditValue("14.46", 9), "144");
    EXPECT_EQ(ParseEditValue("14", 9), "140");
    EXPECT_EQ(ParseEditValue(".5", 9), "5");
    EXPECT_EQ(ParseEditValue("12.7", 7), "12");
    EXPECT_EQ(ParseEditValue("3.25", 0), "32");
    EXPECT_EQ(ParseEditValue("55", 42), "550");
    System(5);
    EXPECT_EQ(ParseEditValue("14.46", 9), "14");
    EXPECT_EQ(ParseEditValue("3.25", 0), "32");
    try {
        ParseEditValue("", 9);
        FAIL();
    } catch (const EAssertionFailed& e) {
        EXPECT_NE(e.Message().find("Internal error. Length zero in editvalue"), std::string::npos);
    }
}

TEST_F(SettingsFormatTest, TypedValuesAreConvertedLimitedAndStored) {
    RegImage[87] = 150;
    auto r = Type("14.46", 9);  // BMAX, 12 V
    ASSERT_TRUE(r.Taken());
    EXPECT_EQ(Byte(87), 144);
    EXPECT_TRUE(Flag(87));
    EXPECT_EQ(Show(9), "14.4");

    // Unchanged byte: not flagged.
    ChangedFlags.fill(false);
    EXPECT_TRUE(Type("14.4", 9).Taken());
    EXPECT_FALSE(Flag(87));

    EXPECT_TRUE(Type("12.7", 7).Taken());  // LDEL, no tenths
    EXPECT_EQ(Byte(71), 12);

    // System voltage: volts as typed, to its code in the low nibble.
    RegImage[93] = 0x34;
    EXPECT_TRUE(Type("20", 1).Taken());
    EXPECT_EQ(Byte(93), 0x30);
    EXPECT_TRUE(Type("30", 1).Taken());
    EXPECT_EQ(Byte(93), 0x31);
    EXPECT_EQ(Type("100", 1).refusal, EditRefusal::NotAllowed);
    EXPECT_EQ(Byte(93), 0x31);

    // Battery capacity codes.
    EXPECT_TRUE(Type("990", 26).Taken());
    EXPECT_EQ(Byte(94), 49);
    EXPECT_EQ(Show(26), "980");
    EXPECT_TRUE(Type("1200", 26).Taken());
    EXPECT_EQ(Byte(94), 52);
    EXPECT_EQ(Show(26), "1200");

    // A 16-bit counter: both bytes written and flagged.
    ChangedFlags.fill(false);
    EXPECT_TRUE(Type("300", 36).Taken());
    EXPECT_EQ(Byte(188), 44);
    EXPECT_EQ(Byte(189), 1);
    EXPECT_TRUE(Flag(188) && Flag(189));
    EXPECT_TRUE(Type("30000", 37).Taken());  // limited to 25000
    EXPECT_EQ(Byte(193) + 256 * Byte(194), 25000);

    // Nibble settings keep the other nibble.
    RegImage[92] = 0x25;
    EXPECT_TRUE(Type("3", 41).Taken());  // GMOD, low nibble
    EXPECT_EQ(Byte(92), 0x23);
    EXPECT_TRUE(Type("7", 20).Taken());  // TCMP, high nibble
    EXPECT_EQ(Byte(92), 0x73);

    // Adjusting the state of charge also gives the amp-hours it stands for.
    RegImage[94] = 10;  // 200 Ah
    EXPECT_TRUE(Type("50", 47).Taken());
    EXPECT_EQ(Byte(181), 50);
    EXPECT_EQ(EditedValue, 100);
}

TEST_F(SettingsFormatTest, VoltagesOnLargerSystemsAreStoredOnTheTwelveVoltScale) {
    System(1);  // 24 V: multiplier 2
    EXPECT_TRUE(Type("22.4", 5).Taken());
    EXPECT_EQ(Byte(69), 112);
    EXPECT_EQ(Show(5), "22.4");
    // 13.2 V is below what a 24 V system allows for LOFF (20.0 V): limited to the minimum.
    EXPECT_TRUE(Type("13.2", 5).Taken());
    EXPECT_EQ(Byte(69), 100);
    EXPECT_EQ(Show(5), "20.0");
    System(2);  // 32 V: 8 / 3
    EXPECT_TRUE(Type("30.6", 5).Taken());
    EXPECT_EQ(Byte(69), 114);  // 306 x 3 div 8
    System(8);  // whole volts, own maxima
    EXPECT_TRUE(Type("150", 5).Taken());
    EXPECT_EQ(Byte(69), 142);
    System(7);  // codes 5 and 7 use the ordinary maxima
    EXPECT_TRUE(Type("150", 5).Taken());
    EXPECT_EQ(Byte(69), 125);
}

TEST_F(SettingsFormatTest, ChargeCurrentLimitDependsOnTheModel) {
    ModelName = "Mavo";
    EXPECT_TRUE(Type("80", 18).Taken());
    EXPECT_EQ(Byte(77), 160);
    EXPECT_EQ(Show(18), "80.0");
    EXPECT_TRUE(Type("95", 18).Taken());
    EXPECT_EQ(Byte(77), 160);
    const std::pair<const char*, int> models[] = {{"Tova", 40}, {"Ruka", 80}, {"Nesk", 120}, {"Grend", 40}, {"Vilk", 40}};
    for (auto [name, max] : models) {
        ModelName = name;
        EXPECT_TRUE(Type("500", 18).Taken());
        EXPECT_EQ(Byte(77), max) << name;
    }
    ModelName = "Tova";
    EXPECT_TRUE(Type("0", 18).Taken());
    EXPECT_EQ(Byte(77), 1);  // CHRG minimum
}

TEST_F(SettingsFormatTest, EventAndGeneratorValuesConvertByMode) {
    RegImage[90] = 0x00;  // start mode 0: half-volt steps
    EXPECT_TRUE(Type("50", 30).Taken());
    EXPECT_EQ(Byte(79), 100);
    RegImage[90] = 0x0E;  // mode 14: whole numbers
    EXPECT_TRUE(Type("100", 30).Taken());
    EXPECT_EQ(Byte(79), 100);
    RegImage[90] = 0x04;  // mode 4: tenths (TIME, max 239)
    EXPECT_TRUE(Type("30", 30).Taken());
    EXPECT_EQ(Byte(79), 239);
    RegImage[91] = 0x10;  // third-event mode 1: whole numbers
    EXPECT_TRUE(Type("42", 35).Taken());
    EXPECT_EQ(Byte(81), 42);
    RegImage[92] = 1;     // generator on below a state of charge
    EXPECT_TRUE(Type("55", 42).Taken());
    EXPECT_EQ(Byte(64), 55);
    RegImage[92] = 0;     // below a battery voltage
    EXPECT_TRUE(Type("11.5", 42).Taken());
    EXPECT_EQ(Byte(64), 115);
}

TEST_F(SettingsFormatTest, NonsenseHugeNegativeAndEmptyAreRefusedWithTheOldValueKept) {
    RegImage[87] = 150;
    RegImage[71] = 9;
    const auto before = RegImage;
    EXPECT_EQ(Type("abc", 9).refusal, EditRefusal::NotANumber);
    EXPECT_EQ(Type(".", 9).refusal, EditRefusal::NotANumber);
    EXPECT_EQ(Type("1e5", 9).refusal, EditRefusal::NotANumber);
    EXPECT_EQ(Type("12.x", 9).refusal, EditRefusal::NotANumber);
    EXPECT_EQ(Type(".5", 7).refusal, EditRefusal::NotANumber);  // no whole part in a whole-number row
    EXPECT_EQ(Type("", 9).refusal, EditRefusal::Empty);
    EXPECT_EQ(Type("   ", 7).refusal, EditRefusal::Empty);
    EXPECT_EQ(Type("-5", 7).refusal, EditRefusal::Negative);
    EXPECT_EQ(Type("-0.5", 9).refusal, EditRefusal::Negative);
    EXPECT_EQ(Type("99999999999", 7).refusal, EditRefusal::TooLarge);
    EXPECT_EQ(Type("2147483647", 9).refusal, EditRefusal::TooLarge);  // with its tenths digit
    EXPECT_EQ(Type("3", 4).refusal, EditRefusal::NotEditable);         // a switch row
    EXPECT_EQ(Type("3", 3).refusal, EditRefusal::NotEditable);         // the lockout flag
    EXPECT_EQ(RegImage, before);
    for (bool f : ChangedFlags) EXPECT_FALSE(f);
    EXPECT_EQ(EditRefusalText(EditRefusal::Negative, 0), "Negative values are not allowed - value not changed");
    EXPECT_FALSE(EditRefusalText(EditRefusal::TooLarge, 2).empty());
}

TEST_F(SettingsFormatTest, LargeValuesAreLimitedBeforeTheyCanOverflow) {
    // On a 32 V system a voltage is multiplied by 3 before the division: 32-bit arithmetic
    // would overflow for this value. It must come out as the row's maximum.
    System(2);
    auto r = Type("214748364", 9);  // digits 2147483640
    ASSERT_TRUE(r.Taken());
    EXPECT_EQ(Byte(87), 165);
    // 30000 is an ordinary number here, not a marker of bad text.
    System(0);
    EXPECT_TRUE(Type("3000", 0).Taken());
    EXPECT_EQ(Byte(48), 239);
    // Every typed setting, every voltage code: a huge number and zero end inside the limits.
    for (int code = 0; code <= 8; ++code) {
        System(code);
        for (int g = 1; g <= 5; ++g) {
            for (int r2 = 0; r2 < SettingGroupRows[g]; ++r2) {
                int index = SettingIndexOf(g, r2);
                if (IsSwitchSetting(index) || index == 3) continue;
                for (const char* text : {"200000000", "0"}) {
                    SettingEditResult res;
                    ASSERT_NO_THROW(res = EditSettingValue(text, g, r2)) << code << " " << index << " " << text;
                    if (!res.Taken()) {
                        EXPECT_EQ(index, 1);  // only the system voltage refuses numbers
                        continue;
                    }
                    CaptionPick c = SelectSettingCaption(g, r2);
                    int max = index == 18 ? 40 : SettingLimits[c.group][code == 8 ? 12 + c.row : c.row];
                    int min = SettingLimits[c.group][24 + c.row];
                    EXPECT_LE(res.raw, std::max(max, min)) << code << " " << index;
                    EXPECT_GE(res.raw, min) << code << " " << index;
                }
            }
        }
    }
}

TEST_F(SettingsFormatTest, CalibrationCells) {
    // Rows 0..2: nibbles of 34..36 with sign bits in 33.
    RegImage[34] = 0xD5;  // offset nibble 13, gain nibble 5
    RegImage[33] = 0x01 | 0x10;  // gain non-negative, offset negative
    EXPECT_EQ(FormatCalibrationValue(0, 1), " 5");
    EXPECT_EQ(FormatCalibrationValue(0, 2), "-3");
    RegImage[33] = 0x00;
    EXPECT_EQ(FormatCalibrationValue(0, 1), "-11");
    EXPECT_EQ(FormatCalibrationValue(0, 2), " 13");
    // Rows 3..7: gain (byte and 63) - 32, offset a signed byte.
    RegImage[215] = 63;
    RegImage[214] = 0xFD;
    EXPECT_EQ(FormatCalibrationValue(3, 1), " 31");
    EXPECT_EQ(FormatCalibrationValue(3, 2), "-3");
    RegImage[239] = 0;
    RegImage[238] = 127;
    EXPECT_EQ(FormatCalibrationValue(7, 1), "-32");
    EXPECT_EQ(FormatCalibrationValue(7, 2), " 127");
    EXPECT_EQ(CalibrationCellAddress(4, 1), 219);
    EXPECT_EQ(CalibrationCellAddress(4, 2), 218);
    EXPECT_EQ(CalibrationCellAddress(2, 2), 36);
    EXPECT_THROW(FormatCalibrationValue(8, 1), ERangeError);
    EXPECT_THROW(FormatCalibrationValue(0, 3), ERangeError);
    EXPECT_EQ(CalibrationCaption[5][0], std::string("Battery Temperature"));
}

TEST_F(SettingsFormatTest, CalibrationEncodingRoundTrips) {
    // Gain 40 in row 3 is clamped by the editor to 31 and stored as 63.
    int gain = std::clamp(40, CalibrationMin(3, 1), CalibrationMax(3, 1));
    EXPECT_EQ(EncodeCalibrationValue(3, 1, gain, 0, 0).value, 63);
    // Offset -200 in row 3 is outside -128..127: the editor refuses it.
    EXPECT_LT(-200, CalibrationMin(3, 2));
    EXPECT_THROW(EncodeCalibrationValue(3, 2, -200, 0, 0), ERangeError);
    EXPECT_EQ(EncodeCalibrationValue(3, 2, -3, 0, 0).value, 253);
    // Offset -3 in rows 0..2: nibble 13 high, the row's sign bit set.
    for (int row = 0; row <= 2; ++row) {
        CalibrationBytes b = EncodeCalibrationValue(row, 2, -3, 0x05, 0x00);
        EXPECT_EQ(b.value, 0xD5);
        EXPECT_EQ(b.flags, 16 << row);
        RegImage[34 + row] = b.value;
        RegImage[33] = b.flags;
        EXPECT_EQ(FormatCalibrationValue(row, 2), "-3");
        EXPECT_EQ(FormatCalibrationValue(row, 1), "-11");  // its gain sign bit is clear
    }
    // Every value of every cell reads back as written.
    for (int row = 0; row < kCalibrationRows; ++row) {
        for (int col = 1; col <= 2; ++col) {
            for (int v = CalibrationMin(row, col); v <= CalibrationMax(row, col); ++v) {
                int a = CalibrationCellAddress(row, col);
                CalibrationBytes b = EncodeCalibrationValue(row, col, v, RegImage[a], RegImage[33]);
                RegImage[a] = b.value;
                RegImage[33] = b.flags;
                ASSERT_EQ(CalibrationValue(row, col), v) << row << "/" << col;
            }
        }
    }
    // The lockout bit survives sign changes.
    RegImage[33] = 0x80;
    EXPECT_EQ(EncodeCalibrationValue(1, 1, 4, 0, RegImage[33]).flags, 0x82);
}

}  // namespace
}  // namespace talvik

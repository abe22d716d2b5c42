// The accessory block: checksum, majority-voted configuration, the grid's texts both ways and
// the canonical form of typed values.
#include <gtest/gtest.h>

#include "base/rtl.h"
#include "ui/xalBlock.h"

using namespace talvik;

namespace {

XalBlock DefaultBlock() {
    XalBlock b{};
    for (std::size_t i = 0; i < XalDefaultData.size(); ++i) b[i] = XalDefaultData[i];
    b[21] = 77;
    return b;
}

TEST(XalBlockTest, TheDefaultBlockShowsItsValuesAndAMatchingChecksum) {
    bool ok = false;
    const XalTexts t = XalToTexts(DefaultBlock(), ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(t[1], "12");
    EXPECT_EQ(t[2], "2400");
    EXPECT_EQ(t[3], "11.2");
    EXPECT_EQ(t[4], "11.6");
    EXPECT_EQ(t[5], "11.5");
    EXPECT_EQ(t[6], "12.5");
    EXPECT_EQ(t[7], "11.7");
    EXPECT_EQ(t[8], "15.4");
    EXPECT_EQ(t[9], "0");
}

TEST(XalBlockTest, ABadChecksumStillFillsTheTexts) {
    XalBlock b = DefaultBlock();
    b[15] = 0;
    bool ok = true;
    const XalTexts t = XalToTexts(b, ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(t[3], "11.2");
    b[0] = 1;   // bytes 0..7 count in the sum too
    b[15] = 228;
    XalToTexts(b, ok);
    EXPECT_TRUE(ok);
}

TEST(XalBlockTest, ConfigurationIsVotedBitByBit) {
    XalBlock b = DefaultBlock();
    b[16] = 32; b[17] = 32; b[18] = 33; b[19] = 33; b[20] = 33;
    EXPECT_EQ(XalConfiguration(b), 33);   // 24 V, 2400 baud
    bool ok;
    XalTexts t = XalToTexts(b, ok);
    EXPECT_EQ(t[1], "24");
    EXPECT_EQ(t[2], "2400");
    b[16] = 0xFF; b[17] = 0xFF; b[18] = 0; b[19] = 0; b[20] = 0x0F;
    EXPECT_EQ(XalConfiguration(b), 0x0F);
    t = XalToTexts(b, ok);
    EXPECT_EQ(t[1], "48");   // code 7 is capped at 4
    EXPECT_EQ(t[2], "300");
}

TEST(XalBlockTest, ThresholdsScaleWithTheSystemVoltageBothWays) {
    XalBlock b = DefaultBlock();
    for (int i = 16; i <= 20; ++i) b[static_cast<std::size_t>(i)] = 1 + 16 * 2;  // 24 V
    b[8] = 112;
    bool ok;
    XalTexts t = XalToTexts(b, ok);
    EXPECT_EQ(t[3], "22.4");
    t[3] = NormaliseXalCell(3, "22.6");
    TextsToXal(t, b);
    EXPECT_EQ(b[8], 113);
    t[3] = NormaliseXalCell(3, "22.5");
    TextsToXal(t, b);
    EXPECT_EQ(b[8], 112);
    EXPECT_EQ(b[15], XalChecksum(b));
    EXPECT_EQ(b[21], 77);   // not part of what is written
    // 32 V is 8/3: 112 -> 29.9 and back.
    for (int i = 16; i <= 20; ++i) b[static_cast<std::size_t>(i)] = 2;
    b[8] = 112;
    t = XalToTexts(b, ok);
    EXPECT_EQ(t[3], "29.9");
    TextsToXal(t, b);
    EXPECT_EQ(b[8], 112);
}

TEST(XalBlockTest, ABlockReadBackIsWrittenUnchanged) {
    // Low thresholds (below 10 V) and a delay: what was read must go back as it was.
    XalBlock b = DefaultBlock();
    b[8] = 95; b[9] = 5; b[10] = 0; b[13] = 200; b[14] = 12;
    b[15] = XalChecksum(b);
    bool ok;
    const XalTexts t = XalToTexts(b, ok);
    EXPECT_EQ(t[3], " 9.5");
    EXPECT_EQ(t[4], " 0.5");
    XalBlock back = b;
    TextsToXal(t, back);
    EXPECT_EQ(back, b);
}

TEST(XalBlockTest, TextsToBlockFallBackAndCap) {
    XalBlock b = DefaultBlock();
    XalTexts t;
    t[1] = "20"; t[2] = "5000"; t[3] = "abc"; t[4] = "99.9"; t[5] = "12.0"; t[6] = "12.0"; t[7] = "12.0";
    t[8] = "12.0"; t[9] = "x";
    TextsToXal(t, b);
    for (int i = 16; i <= 20; ++i) EXPECT_EQ(b[static_cast<std::size_t>(i)], 4 + 16 * 3);  // 48 V, 9600
    EXPECT_EQ(b[8], 30);    // no number: 12.0 V on the 48 V scale is 120 / 4
    EXPECT_EQ(b[9], 250);   // 999 / 4 + 0.499
    EXPECT_EQ(b[14], 48);
    t[1] = "12"; t[4] = "99.9"; t[9] = "300";
    TextsToXal(t, b);
    EXPECT_EQ(b[9], 255);
    EXPECT_EQ(b[14], 255);
}

TEST(XalBlockTest, TypedValuesAreNormalised) {
    EXPECT_EQ(NormaliseXalCell(1, "20"), "24");
    EXPECT_EQ(NormaliseXalCell(1, "18"), "12");
    EXPECT_EQ(NormaliseXalCell(1, "31"), "32");
    EXPECT_EQ(NormaliseXalCell(1, "39"), "36");
    EXPECT_EQ(NormaliseXalCell(1, "x"), "12");
    EXPECT_EQ(NormaliseXalCell(2, "5000"), "9600");
    EXPECT_EQ(NormaliseXalCell(2, "1999"), "1200");
    EXPECT_EQ(NormaliseXalCell(2, "2400"), "2400");
    EXPECT_EQ(NormaliseXalCell(3, "5"), " 5.0");
    EXPECT_EQ(NormaliseXalCell(3, "14.46"), "14.4");
    EXPECT_EQ(NormaliseXalCell(3, "7.5"), " 7.5");
    EXPECT_EQ(NormaliseXalCell(3, "123"), "12.0");
    EXPECT_EQ(NormaliseXalCell(3, ""), " 0.0");
    EXPECT_EQ(NormaliseXalCell(8, "1a.5"), "10.5");
    EXPECT_EQ(NormaliseXalCell(9, "300"), "255");
    EXPECT_EQ(NormaliseXalCell(9, "-4"), "0");
    EXPECT_EQ(NormaliseXalCell(9, "17"), "17");
    EXPECT_THROW(NormaliseXalCell(10, "1"), ERangeError);
}

TEST(XalBlockTest, RowTextsFollowTheAccessoryGeneration) {
    EXPECT_EQ(XalRowCaptionText(3, true, 0), "Urgent Low Voltage Alarm On below");
    EXPECT_EQ(XalRowCaptionText(3, false, 0), "Load Disconnect On below");
    EXPECT_EQ(XalRowCaptionText(9, false, 0), "Mode");
    EXPECT_EQ(XalRowCaptionText(2, false, 0), "Baud Rate");
    EXPECT_EQ(XalRowUnitText(9, true, 0), "hours");
    EXPECT_EQ(XalRowUnitText(9, false, 0), "");
    EXPECT_EQ(XalRowUnitText(2, false, 0), "baud");
    EXPECT_EQ(XalTextOf(xrCaption, 0), "XAL Programmer");
    EXPECT_EQ(XalTextOf(xrNoConnection, 0), "No connection");
}

}  // namespace

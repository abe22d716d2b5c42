// Number texts of the spin edit: halves to even, fixed, thousands and picture formats, the
// general form of range messages, and reading integer, hexadecimal and float texts.
#include <gtest/gtest.h>

#include "base/rtl.h"
#include "controls/XcSpinFormat.h"

using namespace talvik;

namespace {
const TNumberSeparators kDot{'.', ','};
const TNumberSeparators kComma{',', '.'};
}  // namespace

TEST(SpinFormat, RoundsHalvesToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(0.5L), 0);
    EXPECT_EQ(RoundHalfEven(1.5L), 2);
    EXPECT_EQ(RoundHalfEven(2.5L), 2);
    EXPECT_EQ(RoundHalfEven(3.5L), 4);
    EXPECT_EQ(RoundHalfEven(-2.5L), -2);
    EXPECT_EQ(RoundHalfEven(-3.5L), -4);
    EXPECT_EQ(RoundHalfEven(2.4999L), 2);
    EXPECT_EQ(RoundHalfEven(2.5001L), 3);
    EXPECT_EQ(RoundHalfEven(-0.4L), 0);
    EXPECT_THROW(RoundHalfEven(1e30L), Exception);
}

TEST(SpinFormat, FixedAndNumberTextsRoundToTheDigitsAskedFor) {
    EXPECT_EQ(FloatToStrF(1234, TFloatFormat::ffFixed, 15, 0, kDot), "1234");
    EXPECT_EQ(FloatToStrF(1234, TFloatFormat::ffNumber, 15, 0, kDot), "1,234");
    EXPECT_EQ(FloatToStrF(1234567.891L, TFloatFormat::ffNumber, 15, 2, kDot), "1,234,567.89");
    EXPECT_EQ(FloatToStrF(1234567.891L, TFloatFormat::ffNumber, 15, 2, kComma), "1.234.567,89");
    EXPECT_EQ(FloatToStrF(0.1L + 0.2L, TFloatFormat::ffFixed, 15, 2, kDot), "0.30");
    EXPECT_EQ(FloatToStrF(-0.001L, TFloatFormat::ffFixed, 15, 2, kDot), "0.00");
    EXPECT_EQ(FloatToStrF(-1.5L, TFloatFormat::ffFixed, 15, 1, kDot), "-1.5");
    EXPECT_EQ(FloatToStrF(999.995L, TFloatFormat::ffFixed, 15, 2, kDot), "1000.00");
    // Halves go to the even digit here too.
    EXPECT_EQ(FloatToStrF(2.5L, TFloatFormat::ffFixed, 15, 0, kDot), "2");
    EXPECT_EQ(FloatToStrF(3.5L, TFloatFormat::ffFixed, 15, 0, kDot), "4");
    EXPECT_EQ(FloatToStrF(0.125L, TFloatFormat::ffFixed, 15, 2, kDot), "0.12");
    EXPECT_EQ(FloatToStrF(0.375L, TFloatFormat::ffFixed, 15, 2, kDot), "0.38");
    EXPECT_EQ(FloatToStrF(0.5L, TFloatFormat::ffFixed, 15, 0, kDot), "0");
    EXPECT_EQ(FloatToStrF(1e20L, TFloatFormat::ffFixed, 15, 2, kDot), "1E20");
}

TEST(SpinFormat, PicturesShowDigitsSeparatorsAndSections) {
    EXPECT_EQ(FormatFloat(",0.##", 1234.5L, kDot), "1,234.5");
    EXPECT_EQ(FormatFloat(",0.##", 1234, kDot), "1,234");
    EXPECT_EQ(FormatFloat(",0.##", 0.004L, kDot), "0");
    EXPECT_EQ(FormatFloat("0.00", 3.14159L, kComma), "3,14");
    EXPECT_EQ(FormatFloat("0.00", -2, kDot), "-2.00");
    EXPECT_EQ(FormatFloat("#.#", 0.25L, kDot), ".2");
    EXPECT_EQ(FormatFloat("0.0 \"V\"", 12.34L, kDot), "12.3 V");
    EXPECT_EQ(FormatFloat("0.0;(0.0);zero", -1.25L, kDot), "(1.2)");
    EXPECT_EQ(FormatFloat("0.0;(0.0);zero", 0.01L, kDot), "zero");
    EXPECT_EQ(FormatFloat("000", 7, kDot), "007");
}

TEST(SpinFormat, GeneralFormForMessages) {
    EXPECT_EQ(FloatToStrG(1, kDot), "1");
    EXPECT_EQ(FloatToStrG(10, kDot), "10");
    EXPECT_EQ(FloatToStrG(-2.5L, kDot), "-2.5");
    EXPECT_EQ(FloatToStrG(2.5L, kComma), "2,5");
    EXPECT_EQ(FloatToStrG(0.1L, kDot), "0.1");
    EXPECT_EQ(FloatToStrG(1e20L, kDot), "1E20");
    EXPECT_EQ(FloatToStrG(1.5e-7L, kDot), "1.5E-7");
    EXPECT_EQ(FloatToStrG(0, kDot), "0");
}

TEST(SpinFormat, ReadsNumberTexts) {
    EXPECT_EQ(*TryTextToFloat("1.5", kDot), 1.5L);
    EXPECT_EQ(*TryTextToFloat(" -2,25 ", kComma), -2.25L);
    EXPECT_EQ(*TryTextToFloat("1e3", kDot), 1000.0L);
    EXPECT_EQ(*TryTextToFloat(".5", kDot), 0.5L);
    EXPECT_FALSE(TryTextToFloat("1,5", kDot));
    EXPECT_FALSE(TryTextToFloat("1e", kDot));
    EXPECT_FALSE(TryTextToFloat("", kDot));
    EXPECT_FALSE(TryTextToFloat("1e99999", kDot));

    EXPECT_EQ(*TryDecimalToInt("-2147483648"), INT32_MIN);
    EXPECT_FALSE(TryDecimalToInt("2147483648"));
    EXPECT_FALSE(TryDecimalToInt("12abc"));
    EXPECT_FALSE(TryDecimalToInt(""));

    EXPECT_EQ(*TryHexToInt("ff"), 255);
    EXPECT_EQ(*TryHexToInt("Ff"), 255);
    EXPECT_EQ(*TryHexToInt("FFFFFFFF"), -1);
    EXPECT_FALSE(TryHexToInt("100000000"));
    EXPECT_FALSE(TryHexToInt("fg"));
    EXPECT_FALSE(TryHexToInt("-1"));
    EXPECT_EQ(IntToHexText(255), "FF");
    EXPECT_EQ(IntToHexText(0), "0");
    EXPECT_EQ(IntToHexText(-1), "FFFFFFFF");
}

TEST(SpinFormat, RemovesThousandSeparators) {
    EXPECT_EQ(RemoveThousands("1,234,567", kDot), "1234567");
    EXPECT_EQ(RemoveThousands("1,5", TNumberSeparators{',', ','}), "1,5");
}

// The runtime conventions: exception texts, checked indexing and arithmetic, text helpers.
#include <gtest/gtest.h>

#include <algorithm>

#include <array>
#include <vector>

#include "base/debugchannel.h"
#include "base/format.h"
#include "base/rtl.h"

using namespace talvik;

TEST(Exceptions, CarryTheirFixedTexts) {
    EXPECT_STREQ(ERangeError().what(), "Range check error");
    EXPECT_STREQ(EIntOverflow().what(), "Integer overflow");
}

TEST(Exceptions, AssertionNamesTextUnitAndLine) {
    try {
        TALVIK_ASSERT(1 + 1 == 3, "Internal Error. Unexpected value of nDiv.");
        FAIL() << "assertion did not raise";
    } catch (const EAssertionFailed& e) {
        EXPECT_EQ(e.Message(), Format("Internal Error. Unexpected value of nDiv. (rtl_test, line %d)", __LINE__ - 3));
    }
}

TEST(CheckedIndex, RaisesRangeCheckErrorOutsideBounds) {
    std::array<int, 3> a{1, 2, 3};
    EXPECT_EQ(At(a, 2), 3);
    EXPECT_THROW(At(a, 3), ERangeError);
    EXPECT_THROW(At(a, -1), ERangeError);
    int raw[2] = {5, 6};
    EXPECT_EQ(At(raw, 1), 6);
    EXPECT_THROW(At(raw, 2), ERangeError);
    std::vector<int> v{7};
    EXPECT_THROW(At(v, 1u), ERangeError);
    EXPECT_EQ(RangeCheck(29, 0, 29), 29);
    EXPECT_THROW(RangeCheck(30, 0, 29), ERangeError);
    EXPECT_EQ(CheckedCast<unsigned char>(255), 255);
    EXPECT_THROW(CheckedCast<unsigned char>(256), ERangeError);
    EXPECT_THROW(CheckedCast<unsigned char>(-1), ERangeError);
}

TEST(CheckedArithmetic, RaisesIntegerOverflowInsteadOfWrapping) {
    EXPECT_EQ(CheckedAdd(2147483646, 1), 2147483647);
    EXPECT_THROW(CheckedAdd(2147483647, 1), EIntOverflow);
    EXPECT_THROW(CheckedSub(-2147483647 - 1, 1), EIntOverflow);
    EXPECT_THROW(CheckedMul(65536, 65536), EIntOverflow);
    EXPECT_EQ(CheckedMul(-46340, 46340), -2147395600);
}

TEST(TextHelpers, ParseIntegersStrictly) {
    EXPECT_EQ(TryStrToInt(" 42 "), 42);
    EXPECT_EQ(TryStrToInt("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(TryStrToInt("2147483648"), std::nullopt);
    EXPECT_EQ(TryStrToInt("99999999999999999999"), std::nullopt);
    EXPECT_EQ(TryStrToInt(""), std::nullopt);
    EXPECT_EQ(TryStrToInt("abc"), std::nullopt);
    EXPECT_EQ(TryStrToInt("12a"), std::nullopt);
    EXPECT_EQ(TryStrToInt("-"), std::nullopt);
    EXPECT_EQ(StrToIntDef("7", 3), 7);
    EXPECT_EQ(StrToIntDef("x", 3), 3);
    EXPECT_EQ(IntToHex(10, 2), "0A");
    EXPECT_EQ(IntToHex(0x1234, 2), "1234");
    EXPECT_EQ(LowerCase("-DEBUG"), "-debug");
    EXPECT_EQ(Trim("  a b \r\n"), "a b");
}

TEST(TextHelpers, MessageTextsAreShortenedAndBrokenToFitAScreen) {
    // Short texts and ordinary sentences pass unchanged.
    EXPECT_EQ(FitMessageText("Cannot open file \"LOG.TXT\""), "Cannot open file \"LOG.TXT\"");
    // A long unbroken run keeps its start and end and is cut into lines.
    const std::string path = "C:\\" + std::string(10000, 'L') + ".LOG";
    const std::string fitted = FitMessageText("Cannot open " + path, 120, 60);
    EXPECT_EQ(fitted.rfind("Cannot open C:\\LLL", 0), 0u);
    std::string joined = fitted;
    joined.erase(std::remove(joined.begin(), joined.end(), '\n'), joined.end());
    EXPECT_NE(joined.find("L...L"), std::string::npos);
    EXPECT_EQ(fitted.substr(fitted.size() - 4), ".LOG");
    size_t longest = 0, line = 0;
    for (char c : fitted) {
        line = c == '\n' ? 0 : line + 1;
        longest = std::max(longest, line);
    }
    EXPECT_LE(longest, 12u + 60u);
    EXPECT_LT(fitted.size(), 160u);
    // Characters of other scripts are counted whole, never cut.
    const std::string chinese = FitMessageText(std::string(200, 'x') + "文件名", 10, 20);
    EXPECT_EQ(chinese, "xxx...x文件名");
    EXPECT_EQ(FitMessageText(std::string(30, 'x'), 120, 12), std::string(12, 'x') + "\n" + std::string(12, 'x') + "\n" +
                                                             std::string(6, 'x'));
}

TEST(TextHelpers, Utf8AndUtf16RoundTrip) {
    std::string s = "TALVIK \xE4\xB8\xAD\xE6\x96\x87 \xC3\xA9 \xF0\x9F\x98\x80";
    std::u16string w = Utf8ToUtf16(s);
    EXPECT_EQ(w[7], u'\u4E2D');
    EXPECT_EQ(Utf16ToUtf8(w), s);
    EXPECT_EQ(Utf8ToUtf16("\xFF"), std::u16string(u"\uFFFD"));
}

TEST(DebugChannel, LinesReachTheInstalledSink) {
    std::vector<std::string> lines;
    auto old = SetDebugSink([&](std::string_view l) { lines.emplace_back(l); });
    DebugChannel("Load main");
    DebugChannel("Application.Run");
    SetDebugSink(old);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Load main");
    EXPECT_EQ(lines[1], "Application.Run");
}

// The language tables: row numbering, the empty French entries, the fonts and range checks.
#include "ui/lang.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "base/format.h"
#include "base/rtl.h"

namespace talvik {
namespace {

TEST(LanguageTables, CaptionRowsAreNumberedFromOneInEveryLanguage) {
    EXPECT_EQ(CaptionText(1, LangEnglish), "TALVIK");
    EXPECT_EQ(CaptionText(2, LangEnglish), "EXIT?");
    EXPECT_EQ(CaptionText(2, LangGerman), "Beenden?");
    EXPECT_EQ(CaptionText(19, LangGerman), "Sprache auswählen");
    EXPECT_EQ(CaptionText(24, LangEnglish), "Tools");
    EXPECT_EQ(CaptionText(73, LangEnglish), "Address  (Dec)");
    EXPECT_EQ(CaptionText(85, LangEnglish), "Address  (Hex)");
    EXPECT_EQ(CaptionText(85, LangGerman), "Adresse (Hex.)");
    EXPECT_EQ(CaptionText(21, LangChinese), "当前状态");
    EXPECT_EQ(StatusTextOf(3, LangEnglish), "Cant open port-Port Set Exception");
    EXPECT_EQ(StatusTextOf(stCommFail, LangEnglish), "Comm Fail");
    EXPECT_EQ(StatusTextOf(stDataReceived, LangEnglish), "Data Received");
    EXPECT_EQ(StatusTextOf(28, LangEnglish), "Error");
}

TEST(LanguageTables, FrenchCaptionsAreEmptyExactlyWhereTheFrenchEditionHasNone) {
    std::set<int> empty = {46, 77, 79, 80, 85};
    for (int r = 48; r <= 60; ++r) empty.insert(r);
    for (int r = 62; r <= 65; ++r) empty.insert(r);
    for (int r = 67; r <= 71; ++r) empty.insert(r);
    for (int r = 73; r <= 75; ++r) empty.insert(r);
    for (int r = 1; r <= 85; ++r) {
        EXPECT_EQ(CaptionText(r, LangFrench).empty(), empty.count(r) == 1) << "row " << r;
        // Every other language has a text in every row.
        EXPECT_FALSE(CaptionText(r, LangEnglish).empty()) << r;
        EXPECT_FALSE(CaptionText(r, LangChinese).empty()) << r;
        EXPECT_FALSE(CaptionText(r, LangGerman).empty()) << r;
    }
    for (int r = 1; r <= 28; ++r) {
        bool filled = r == 1 || r == 2 || r == 27 || r == 28;
        EXPECT_EQ(!StatusTextOf(r, LangFrench).empty(), filled) << "row " << r;
        EXPECT_FALSE(StatusTextOf(r, LangChinese).empty()) << r;
        EXPECT_FALSE(StatusTextOf(r, LangGerman).empty()) << r;
    }
}

TEST(LanguageTables, ChineseTextsAreWellFormedUtf8AndReallyChinese) {
    auto check = [](const std::string& s) {
        std::u16string w = Utf8ToUtf16(s);
        EXPECT_EQ(Utf16ToUtf8(w), s);
        bool cjk = false;
        for (char16_t c : w) cjk = cjk || (c >= 0x4E00 && c <= 0x9FFF);
        return cjk;
    };
    int chinese = 0;
    for (int r = 2; r <= 85; ++r) chinese += check(CaptionText(r, LangChinese));
    // Rows that are bare abbreviations or names may stay Latin; nearly all others are Chinese.
    EXPECT_GE(chinese, 80);
    for (int r = 1; r <= 28; ++r) check(StatusTextOf(r, LangChinese));
}

TEST(LanguageTables, CurrentLanguageFollowsLanguageNumber) {
    LanguageNumber = LangGerman;
    EXPECT_EQ(CaptionText(18), "Beenden");
    LanguageNumber = LangEnglish;
    EXPECT_EQ(CaptionText(18), "Exit");
    EXPECT_EQ(StatusTextOf(stPortNotOpen), "Port Not Open");
}

TEST(LanguageTables, RowOrLanguageOutOfRangeRaisesRangeCheckError) {
    EXPECT_THROW(CaptionText(0, 0), ERangeError);
    EXPECT_THROW(CaptionText(86, 0), ERangeError);
    EXPECT_THROW(CaptionText(1, 4), ERangeError);
    EXPECT_THROW(CaptionText(1, -1), ERangeError);
    EXPECT_THROW(StatusTextOf(29, 0), ERangeError);
    EXPECT_THROW(DialogTextOf(11, 0), ERangeError);
    try {
        StatusTextOf(0, 0);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Range check error");
    }
}

TEST(LanguageTables, DefaultFontsAndReportSizes) {
    EXPECT_STREQ(DefaultFontName[0], "Arial");
    EXPECT_STREQ(DefaultFontName[2], "UWPSTJ (GB)");
    EXPECT_EQ(DefaultFontSize[2], 12);
    EXPECT_EQ(DefaultFontSize[3], 10);
    EXPECT_EQ(LangFontCharset[LangChinese], 134);
    EXPECT_EQ(ReportTextOf(rtBodySize, LangEnglish), "10");
    EXPECT_EQ(ReportTextOf(rtBodySize, LangChinese), "13");
    EXPECT_EQ(ReportTextOf(rtTitle, LangEnglish), "QV DATA");
    EXPECT_EQ(ReportTextOf(rtChecksum, LangGerman), "");
    EXPECT_EQ(DialogTextOf(dtSaveSettingsTitle, LangEnglish), "Select name of file to save Settings to");
    EXPECT_EQ(DialogTextOf(dtSettings, LangEnglish) + " (*.stp)|*.stp", "Settings (*.stp)|*.stp");
}

}  // namespace
}  // namespace talvik

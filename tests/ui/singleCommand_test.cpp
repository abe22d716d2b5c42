// The single-command panel's list, inputs and number texts.
#include <gtest/gtest.h>

#include "base/rtl.h"
#include "ui/lang.h"
#include "ui/singleCommand.h"

using namespace talvik;

TEST(SingleCommand, ListsOfTheTwoModes) {
    EXPECT_EQ(SendComboRows(false), (std::vector<int>{30, 31, 32, 33, 34, 35, 36, 83}));
    EXPECT_EQ(SendComboRows(true), (std::vector<int>{30, 31, 32, 33, 34, 35, 36, 37, 38, 84}));
}

TEST(SingleCommand, InputsEachCommandNeeds) {
    struct Case {
        int index;
        bool site, address, data;
        int dataRow;
    };
    const Case cases[] = {{0, false, true, false, 74}, {1, true, true, false, 74},  {2, false, true, true, 74},
                          {3, true, true, true, 74},   {4, false, false, false, 74}, {5, true, false, false, 74},
                          {6, false, false, false, 74}, {7, false, false, false, 78}, {7, true, false, true, 78},
                          {8, true, false, false, 74},  {9, true, false, false, 74}};
    for (const Case& c : cases) {
        const SingleCommandInputs in = SingleInputsFor(c.index, c.site);
        EXPECT_EQ(in.address, c.address) << c.index;
        EXPECT_EQ(in.data, c.data) << c.index << " site " << c.site;
        EXPECT_EQ(in.dataLabelRow, c.dataRow) << c.index;
    }
}

TEST(SingleCommand, NumbersInDecimalAndHexadecimal) {
    EXPECT_EQ(ParseSendNumber("1F", true), 31);
    EXPECT_EQ(ParseSendNumber(" 0x1f ", true), 31);
    EXPECT_EQ(ParseSendNumber("$FF", true), 255);
    EXPECT_EQ(ParseSendNumber("1F", false), std::nullopt);
    EXPECT_EQ(ParseSendNumber("31", false), 31);
    EXPECT_EQ(ParseSendNumber("-4", false), -4);
    EXPECT_EQ(ParseSendNumber("-4", true), std::nullopt);
    EXPECT_EQ(ParseSendNumber("", false), std::nullopt);
    EXPECT_EQ(ParseSendNumber("0x", true), std::nullopt);
    EXPECT_EQ(ParseSendNumber("12 3", false), std::nullopt);
    // Beyond 32 bits is a range error, as the spin edits raise it.
    EXPECT_THROW(ParseSendNumber("99999999999", false), ERangeError);
    EXPECT_THROW(ParseSendNumber("1FFFFFFFF", true), ERangeError);
    EXPECT_THROW(ParseSendNumber("80000000", true), ERangeError);
    EXPECT_EQ(ParseSendNumber("7FFFFFFF", true), 0x7FFFFFFF);
    EXPECT_EQ(FormatSendNumber(31, true), "1F");
    EXPECT_EQ(FormatSendNumber(5, true), "05");
    EXPECT_EQ(FormatSendNumber(300, true), "12C");
    EXPECT_EQ(FormatSendNumber(31, false), "31");
}

TEST(SingleCommand, PanelTextsInEveryLanguage) {
    for (int row : {ptPathDelay, ptView, ptSettingsNotSaved})
        for (int l = 0; l < kLanguageCount; ++l) EXPECT_FALSE(PanelText(row, l).empty()) << row << " " << l;
    EXPECT_EQ(PanelText(ptPathDelay, 0), "Path Delay");
    EXPECT_EQ(PanelText(ptView, 0), "View");
    EXPECT_THROW(PanelText(4, 0), ERangeError);
    EXPECT_THROW(PanelText(1, 4), ERangeError);
}

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

TEST(SingleCommand, PanelTextsInEveryLanguage) {
    for (int row : {ptPathDelay, ptView, ptSettingsNotSaved})
        for (int l = 0; l < kLanguageCount; ++l) EXPECT_FALSE(PanelText(row, l).empty()) << row << " " << l;
    EXPECT_EQ(PanelText(ptPathDelay, 0), "Path Delay");
    EXPECT_EQ(PanelText(ptView, 0), "View");
    EXPECT_THROW(PanelText(4, 0), ERangeError);
    EXPECT_THROW(PanelText(1, 4), ERangeError);
}

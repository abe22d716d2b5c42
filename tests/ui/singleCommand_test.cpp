// What the single-command panel offers in each mode, the inputs each command asks for, and
// the panel texts that the main window's caption table has no row for.
#include <gtest/gtest.h>

#include "base/rtl.h"
#include "ui/lang.h"
#include "ui/singleCommand.h"

using namespace talvik;

TEST(SingleCommand, EachModeListsItsCommandsWithTheModeSwitchLast) {
    EXPECT_EQ(SendComboRows(false), (std::vector<int>{30, 31, 32, 33, 34, 35, 36, 83}));
    EXPECT_EQ(SendComboRows(true), (std::vector<int>{30, 31, 32, 33, 34, 35, 36, 37, 38, 84}));
    EXPECT_EQ(CaptionText(SendComboRows(false).back(), 0), "Select Site mode");
    EXPECT_EQ(CaptionText(SendComboRows(true).back(), 0), "Select Log mode");
}

TEST(SingleCommand, EachCommandShowsTheInputsItNeeds) {
    struct Case {
        int index;
        bool siteMode, address, data;
        int dataLabelRow;
    };
    const Case cases[] = {
        {scReadRam, false, true, false, 74},      {scReadEeprom, true, true, false, 74},
        {scWriteRam, false, true, true, 74},      {scWriteEeprom, true, true, true, 74},
        {scLoopback, false, false, false, 74},    {scClearHistory, false, false, false, 74},
        {scTestHistory, true, false, false, 74},  {scProgramXal, true, false, false, 74},
        {scLogMode, true, false, false, 74},
        // Index 7: "Select Site mode" asks for nothing; "Set ZIRB Site" asks for the site.
        {scModeOrZirb, false, false, false, 78},  {scModeOrZirb, true, false, true, 78},
    };
    for (const Case& c : cases) {
        const SingleCommandInputs in = SingleInputsFor(c.index, c.siteMode);
        EXPECT_EQ(in.address, c.address) << c.index << " site " << c.siteMode;
        EXPECT_EQ(in.data, c.data) << c.index << " site " << c.siteMode;
        EXPECT_EQ(in.dataLabelRow, c.dataLabelRow) << c.index << " site " << c.siteMode;
    }
}

TEST(SingleCommand, PanelTextsInEveryLanguage) {
    EXPECT_EQ(PanelText(ptPathDelay, 0), "Path Delay");
    EXPECT_EQ(PanelText(ptPathDelay, 3), "Laufzeit");
    EXPECT_EQ(PanelText(ptView, 1), "Afficher");
    EXPECT_EQ(PanelText(ptView, 2), "查看");
    EXPECT_EQ(PanelText(ptSettingsNotSaved, 0), "The settings could not be saved in the registry.");
    EXPECT_THROW(PanelText(4, 0), ERangeError);
    EXPECT_THROW(PanelText(1, 4), ERangeError);
}

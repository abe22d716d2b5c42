// The panel texts that the main window's caption table has no row for.
#include <gtest/gtest.h>

#include "base/rtl.h"
#include "ui/lang.h"
#include "ui/singleCommand.h"

using namespace talvik;

TEST(SingleCommand, PanelTextsInEveryLanguage) {
    for (int row : {ptPathDelay, ptView, ptSettingsNotSaved})
        for (int l = 0; l < kLanguageCount; ++l) EXPECT_FALSE(PanelText(row, l).empty()) << row << " " << l;
    EXPECT_EQ(PanelText(ptPathDelay, 0), "Path Delay");
    EXPECT_EQ(PanelText(ptView, 0), "View");
    EXPECT_THROW(PanelText(4, 0), ERangeError);
    EXPECT_THROW(PanelText(1, 4), ERangeError);
}

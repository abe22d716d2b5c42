// Key joining of the options registry component.
#include "ui/uOptionsRegistry.h"

#include <gtest/gtest.h>

namespace talvik {
namespace {

TEST(OptionsRegistryKeys, JoinKeyKeepsTheLeadingBackslashAndDropsEndJunk) {
    EXPECT_EQ(JoinKey(kOptionsBaseKey, kOptionsSection), "\\Software\\Corvanel\\TALVIK\\Options");
    EXPECT_EQ(JoinKey("", "Options"), "\\Options");
    EXPECT_EQ(JoinKey("Software\\X\\ ", "\\Options\\ "), "Software\\X\\Options");
    EXPECT_EQ(JoinKey("\\Software\\X", ""), "\\Software\\X");
    EXPECT_EQ(JoinKey("\\", "Options"), "\\Options");
    EXPECT_EQ(TrimBackslashes(" \\\\a\\b \\ "), "a\\b");
    EXPECT_EQ(TrimBackslashes("\\ \\"), "");
}

}  // namespace
}  // namespace talvik

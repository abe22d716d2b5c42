// Registry settings over an in-memory store: first-start defaults, round trip, the order and
// set of values written, and sound values from bad stored input.
#include "ui/uRegistry.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace talvik {
namespace {

using Values = std::map<std::pair<std::string, std::string>, std::string>;

RegistrySettings ReadFrom(const Values& v) {
    MemoryIniStore ini;
    ini.values = v;
    RegistrySettings s;
    s.BaudIndex = 99;  // must be overwritten by the read, never kept
    readregistry(ini, s);
    return s;
}

TEST(RegistrySettings, FirstStartWithNoKeyGivesTheDefaults) {
    RegistrySettings s = ReadFrom({});
    EXPECT_EQ(s.PeriodicLogRate, 2);
    EXPECT_EQ(BaudRates.at(static_cast<std::size_t>(s.BaudIndex)), 9600);
    EXPECT_EQ(s.DirectPortNumber, 1);
    EXPECT_EQ(s.ModemPortNumber, 3);
    EXPECT_EQ(s.LanguageNumber, 0);
    EXPECT_EQ(s.SiteNumber, 1);
    EXPECT_EQ(s.SaveFileName, "SaveFile");
    EXPECT_EQ(s.LogFileName, "LogFile");
    EXPECT_EQ(s.PathTimeDelay, 2);
    EXPECT_EQ(s.ModemSetString, "&K0&Q0&D0");
    EXPECT_FALSE(s.CurrentData || s.DayData || s.SettingsData || s.CalibrationData || s.SampleEnabled ||
                 s.LogDialUpEnabled || s.SiteMode);
    EXPECT_TRUE(s.TapiSelection);
    for (const auto& e : s.PhoneBook) EXPECT_TRUE(e.name.empty() && e.number.empty());
    EXPECT_EQ(s.FontName[2], "UWPSTJ (GB)");
    EXPECT_EQ(s.FontSize[2], 12);
    EXPECT_EQ(ApplyDialMask(s.DialString), s.DialString);
}

TEST(RegistrySettings, DefaultsWrittenOnCloseAreTextValuesInTheirSections) {
    MemoryIniStore ini;
    RegistrySettings s;
    readregistry(ini, s);
    ASSERT_TRUE(writeregistry(ini, s));
    EXPECT_EQ((ini.values[{"Settings", "Baud Rate"}]), "3");
    EXPECT_EQ((ini.values[{"Settings", "Periodic Log Rate"}]), "2");
    EXPECT_EQ((ini.values[{"Settings", "Modem Set String"}]), "&K0&Q0&D0");
    EXPECT_EQ((ini.values[{"Save Options", "Tapi selection"}]), "1");
    EXPECT_EQ((ini.values[{"Save Options", "Site mode"}]), "0");
    EXPECT_EQ((ini.values[{"Phone List", "id name 1"}]), "");
    EXPECT_TRUE(ini.values.count({"Phone List", "phone number 16"}));
    EXPECT_EQ((ini.values[{"Font", "Lang 0 Name "}]), "Arial");
    EXPECT_EQ((ini.values[{"Font", "Lang 2 Size "}]), "12");
    EXPECT_FALSE(ini.values.count({"Font", "Lang 3 Name "}));
    EXPECT_FALSE(ini.values.count({"Save Options", "Alarm Beep"}));
    EXPECT_FALSE(ini.values.count({"Save Options", "Alarm Dial"}));
    // 17 settings + 8 save options + 32 phone-book cells + 6 font values
    EXPECT_EQ(ini.writes.size(), 17u + 8u + 32u + 6u);
}

TEST(RegistrySettings, WriteAndReadOrder) {
    MemoryIniStore ini;
    RegistrySettings s;
    readregistry(ini, s);
    auto pos = [](const std::vector<std::string>& v, const std::string& k) {
        return std::find(v.begin(), v.end(), k) - v.begin();
    };
    EXPECT_LT(pos(ini.reads, "Settings/Log Number"), pos(ini.reads, "Settings/Log File"));
    EXPECT_EQ(ini.reads.back(), "Save Options/Tapi selection");
    EXPECT_LT(pos(ini.reads, "Save Options/Site mode"), pos(ini.reads, "Phone List/id name 1"));
    writeregistry(ini, s);
    EXPECT_LT(pos(ini.writes, "Settings/Log File"), pos(ini.writes, "Settings/Log Number"));
    EXPECT_LT(pos(ini.writes, "Save Options/Tapi selection"), pos(ini.writes, "Save Options/Site mode"));
    EXPECT_LT(pos(ini.writes, "Save Options/Site mode"), pos(ini.writes, "Phone List/id name 1"));
    EXPECT_EQ(ini.writes.back(), "Font/Lang 2 Size ");
}

TEST(RegistrySettings, ChangedValuesSurviveARestartButTheGermanFontDoesNot) {
    MemoryIniStore ini;
    RegistrySettings s;
    s.LanguageNumber = 3;
    s.DirectPortNumber = 5;
    s.BaudIndex = 1;
    s.PhoneBook[0] = {"Station North", "0123456"};
    s.PhoneBook[15] = {"Last", "999"};
    s.SampleEnabled = true;
    s.TapiSelection = false;
    s.FontName[3] = "Courier New";
    s.FontSize[3] = 14;
    s.FontName[1] = "Tahoma";
    ASSERT_TRUE(writeregistry(ini, s));
    RegistrySettings r;
    readregistry(ini, r);
    EXPECT_EQ(r.LanguageNumber, 3);
    EXPECT_EQ(r.DirectPortNumber, 5);
    EXPECT_EQ(r.BaudIndex, 1);
    EXPECT_EQ(r.PhoneBook[0].name, "Station North");
    EXPECT_EQ(r.PhoneBook[15].number, "999");
    EXPECT_TRUE(r.SampleEnabled);
    EXPECT_FALSE(r.TapiSelection);
    EXPECT_EQ(r.FontName[1], "Tahoma");
    EXPECT_EQ(r.FontName[3], "Arial");
    EXPECT_EQ(r.FontSize[3], 10);
}

TEST(RegistrySettings, AlarmValuesStayAsTheyWereInTheRegistry) {
    MemoryIniStore ini;
    ini.values[{"Save Options", "Alarm Beep"}] = "1";
    ini.values[{"Save Options", "Alarm Dial"}] = "junk";
    RegistrySettings s;
    readregistry(ini, s);
    EXPECT_TRUE(s.AlarmBeep);
    writeregistry(ini, s);
    EXPECT_EQ((ini.values[{"Save Options", "Alarm Beep"}]), "1");
    EXPECT_EQ((ini.values[{"Save Options", "Alarm Dial"}]), "junk");
}

TEST(RegistrySettings, BadStoredValuesGiveSoundValues) {
    // Baud index outside the four-entry table is limited, never used as an index.
    EXPECT_EQ(ReadFrom({{{"Settings", "Baud Rate"}, "7"}}).BaudIndex, 3);
    EXPECT_EQ(ReadFrom({{{"Settings", "Baud Rate"}, "-2"}}).BaudIndex, 0);
    EXPECT_EQ(ReadFrom({{{"Settings", "Baud Rate"}, "abc"}}).BaudIndex, 3);
    EXPECT_EQ(ReadFrom({{{"Settings", "Baud Rate"}, "99999999999"}}).BaudIndex, 3);
    EXPECT_EQ(ReadFrom({{{"Settings", "Baud Rate"}, "1"}}).BaudIndex, 1);
    // Spin-edit ranges.
    EXPECT_EQ(ReadFrom({{{"Settings", "Periodic Log Rate"}, "0"}}).PeriodicLogRate, 1);
    EXPECT_EQ(ReadFrom({{{"Settings", "Periodic Log Rate"}, "99"}}).PeriodicLogRate, 48);
    EXPECT_EQ(ReadFrom({{{"Settings", "Periodic Log Rate"}, ""}}).PeriodicLogRate, 2);
    EXPECT_EQ(ReadFrom({{{"Settings", "Site Number"}, "250"}}).SiteNumber, 240);
    EXPECT_EQ(ReadFrom({{{"Settings", "Site Number"}, "-5"}}).SiteNumber, 0);
    EXPECT_EQ(ReadFrom({{{"Settings", "Path Time delay"}, "1"}}).PathTimeDelay, 2);
    EXPECT_EQ(ReadFrom({{{"Settings", "Path Time delay"}, "300"}}).PathTimeDelay, 20);
    // A language outside the four tables falls back to English.
    EXPECT_EQ(ReadFrom({{{"Settings", "Language Number"}, "4"}}).LanguageNumber, 0);
    EXPECT_EQ(ReadFrom({{{"Settings", "Language Number"}, "2"}}).LanguageNumber, 2);
    // Ports outside those that can exist, and phone-book lines outside the book.
    EXPECT_EQ(ReadFrom({{{"Settings", "Direct Port Number"}, "70000"}}).DirectPortNumber, 1);
    EXPECT_EQ(ReadFrom({{{"Settings", "Modem Port Number"}, "0"}}).ModemPortNumber, 3);
    EXPECT_EQ(ReadFrom({{{"Settings", "Current PhoneList Line"}, "17"}}).PhoneListLine, 1);
    // The port edits' whole range comes back, as the edits stored it.
    EXPECT_EQ(ReadFrom({{{"Settings", "Direct Port Number"}, "200"}}).DirectPortNumber, 200);
    EXPECT_EQ(ReadFrom({{{"Settings", "Modem Port Number"}, "254"}}).ModemPortNumber, 254);
    EXPECT_EQ(ReadFrom({{{"Settings", "Modem Port Number"}, "255"}}).ModemPortNumber, 3);
    // The voltage multiplier of a 12 to 48 V system.
    EXPECT_EQ(ReadFrom({{{"Settings", "Voltage Multiplier"}, "0"}}).VoltageMultiplier, 4);
    EXPECT_EQ(ReadFrom({{{"Settings", "Voltage Multiplier"}, "-3"}}).VoltageMultiplier, 4);
    EXPECT_EQ(ReadFrom({{{"Settings", "Voltage Multiplier"}, "2"}}).VoltageMultiplier, 2);
    // Texts as long as their edits take them (characters, not bytes); phone-book entries as
    // the dial fields hold them.
    EXPECT_EQ(ReadFrom({{{"Settings", "Log File"}, std::string(10000, 'L')}}).LogFileName.size(), 259u);
    EXPECT_EQ(ReadFrom({{{"Settings", "Save File"}, std::string(300, 's')}}).SaveFileName.size(), 259u);
    EXPECT_EQ(ReadFrom({{{"Settings", "Modem Set String"}, std::string(100, 'Z')}}).ModemSetString,
              std::string(40, 'Z'));
    EXPECT_EQ(ReadFrom({{{"Phone List", "id name 3"}, std::string(300, 'N')}}).PhoneBook[2].name.size(), 255u);
    EXPECT_EQ(ReadFrom({{{"Phone List", "phone number 3"}, "+49 (30) 1234-5678-9999"}}).PhoneBook[2].number,
              "4930123456789999");
    // Masked numbers keep their digits, at most 16.
    EXPECT_EQ(ReadFrom({{{"Settings", "Dial String"}, "12345678901234567890"}}).DialString,
              "1234567890123456");
    EXPECT_EQ(ReadFrom({{{"Settings", "Log Number"}, "(03) 9999-1234"}}).LogNumber, "0399991234");
    // Fonts: empty names and silly sizes give the language's default.
    RegistrySettings f = ReadFrom({{{"Font", "Lang 2 Name "}, ""}, {{"Font", "Lang 0 Size "}, "0"},
                                   {{"Font", "Lang 1 Size "}, "x"}});
    EXPECT_EQ(f.FontName[2], "UWPSTJ (GB)");
    EXPECT_EQ(f.FontSize[0], 10);
    EXPECT_EQ(f.FontSize[1], 10);
    // Booleans: any number other than 0 is true; text that is no number gives the default.
    EXPECT_TRUE(ReadFrom({{{"Save Options", "Site mode"}, "5"}}).SiteMode);
    EXPECT_TRUE(ReadFrom({{{"Save Options", "Tapi selection"}, "yes"}}).TapiSelection);
    EXPECT_FALSE(ReadFrom({{{"Save Options", "Tapi selection"}, "0"}}).TapiSelection);
}

TEST(RegistrySettings, AFailedWriteIsReportedButTheOthersAreStillAttempted) {
    MemoryIniStore ini;
    ini.failWrites = true;
    EXPECT_FALSE(writeregistry(ini, RegistrySettings{}));
    EXPECT_EQ(ini.writes.size(), 63u);
}

}  // namespace
}  // namespace talvik

// The text report and the periodic log record as written into a document: header, groups
// chosen and loaded, the history ring, languages, tab stops, and the log's CSV row on disk.
#include "ui/report.h"

#include <gtest/gtest.h>

#include "base/rtl.h"
#include "link/qvEquates.h"
#include "link/qvUtility.h"
#include "link/uVar.h"
#include "reportsTestDir.h"
#include "ui/SettingsFormat.h"
#include "ui/fileUtil.h"
#include "ui/uCSV.h"

namespace talvik {
namespace {

// A document as plain text, with the attribute calls beside it.
class TextSink : public ReportSink {
public:
    int stopsAtStart = 0;
    std::string text;
    std::vector<std::vector<int>> tabs;
    std::vector<int> sizes;

    int TabStopCount() override { return stopsAtStart; }
    void SetFirstIndentZero() override {}
    void SetColour(ReportColour) override {}
    void SetSize(int points) override { sizes.push_back(points); }
    void SetTabs(const std::vector<int>& points) override { tabs.push_back(points); }
    void Insert(const std::string& t) override { text += t; }
    void AddLine(const std::string& t) override {
        if (!text.empty() && !text.ends_with("\r\n")) text += "\r\n";
        text += t + "\r\n";
    }
    bool Has(const std::string& s) const { return text.find(s) != std::string::npos; }
};

class ReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegImage.fill(0);
        KindLoaded.Fill(false);
        CurrentLoaded = CurrentStringLoaded = CalibrationLoaded = HistoryLoaded = false;
        ModelVersion = 0;
        ModelVersionText.clear();
        ctx.date = "07/12/2026";
        ctx.time = "05:55:00";
        ctx.version = "1.0";
    }
    void TearDown() override { SetUp(); }
    void Decode(int language) {
        ctx.language = language;
        ctx.labels = BuildCurrentTexts(language);
    }
    static void Set(int a, int v) { At(RegImage, a) = static_cast<std::uint8_t>(v); }
    void Day(int slot, std::array<int, 7> r) {
        for (int i = 0; i < 7; ++i) Set(302 + 7 * slot + i, r[static_cast<std::size_t>(i)]);
    }
    ReportContext ctx;
    TextSink sink;
};

TEST_F(ReportTest, NothingReadGivesHeaderAlone) {
    Decode(0);
    ModelVersion = 0;
    ctx.currentChecked = true;  // checked but not enabled: not chosen
    buildreport(sink, ctx, "C:\\qv\\NUVDATA1");
    EXPECT_EQ(sink.text, "\r\n" + std::string(62, '-') +
                             "\r\nQV DATA  07/12/2026  05:55:00    talvik 1.0    Direct Connection\r\n"
                             "File Name: C:\\qv\\NUVDATA1\r\n");
    ASSERT_EQ(sink.tabs.size(), 1u);
    EXPECT_EQ(sink.tabs[0], (std::vector<int>{100, 150, 210, 295}));
}

TEST_F(ReportTest, DialledHeaderModelLineAndCurrentGroup) {
    Set(0, 5);
    Set(101, 6);
    Set(181, 87);
    Decode(0);
    DecodeRegulatorType();
    ASSERT_NE(ModelVersion, 0);
    CurrentLoaded = CurrentStringLoaded = true;
    ctx.directMode = false;
    ctx.dialNumber = "5551234";
    ctx.currentChecked = ctx.currentChosen = true;
    buildreport(sink, ctx, "R");
    EXPECT_TRUE(sink.Has("    Dialed 5551234\r\n"));
    EXPECT_TRUE(sink.Has("\r\n" + ModelVersionText + "\t12V\tState: " + ctx.labels.Statelab + "\r\n"));
    EXPECT_TRUE(sink.Has("Battery Voltage\t" + ctx.labels.batvlab + "\tDay Range " + ctx.labels.maxminlab +
                         "\tTemp " + ctx.labels.templab + "\r\n" + CurrentSummaryText[0] + "\t" +
                         ctx.labels.soclab + "\r\n" + CurrentSummaryText[1] + "\r\n"));
    EXPECT_TRUE(sink.Has("\r\nTIME " + ctx.labels.list[1] + "  FTIM " + ctx.labels.list[2]));
    EXPECT_TRUE(sink.Has("    DNC " + ctx.labels.list[12] + "  " + ctx.labels.list[11] + "\r\n"));
    EXPECT_FALSE(sink.Has("HISTORY DATA"));
}

TEST_F(ReportTest, HistoryRingFromThePointerBackwards) {
    Decode(0);
    ctx.historyChosen = true;
    HistoryLoaded = true;
    Set(301, 0);
    for (int s = 0; s < 30; ++s) Day(s, {120, 110, 15, 50, s, 0, 0});
    Day(0, {125, 118, 34, 77, 0x10, 0x20, 0x12});  // in 0x210 = 528, out 0x120 = 288
    Day(29, {255, 255, 255, 255, 255, 255, 255});  // empty day
    Day(1, {0, 0, 0, 100, 255, 255, 255});         // full counters but a real SOC
    buildreport(sink, ctx, "R");
    EXPECT_TRUE(sink.Has("\r\nHISTORY DATA\r\nDay\tIN\tOUT\tVMAX\tVMIN\tFTIM\tSOC\r\n\tAh\tAh\tV\tV\tHr\t%\r\n"));
    EXPECT_TRUE(sink.Has("\r\n1\t528\t288\t12.5\t11.8\t3.4\t77\r\n"));
    EXPECT_TRUE(sink.Has("\r\n2\t-- --\t-- --\t-- --\t-- --\t-- --\t-- --\r\n"));
    EXPECT_TRUE(sink.Has("\r\n3\t28\t0\t12.0\t11.0\t1.5\t50\r\n"));  // slot 28
    EXPECT_TRUE(sink.Has("\r\n30\t4095\t4095\t0.0\t0.0\t0.0\t100\r\n"));
    // With no tab stops at the start there are no history stops either.
    EXPECT_EQ(sink.tabs.size(), 1u);
}

TEST_F(ReportTest, PointerBeyondTheRingIsARangeError) {
    Decode(0);
    ctx.historyChosen = true;
    HistoryLoaded = true;
    Set(301, 30);
    EXPECT_THROW(buildreport(sink, ctx, "R"), ERangeError);
    EXPECT_TRUE(sink.Has("HISTORY DATA"));
}

TEST_F(ReportTest, FurtherTabStopsFollowTheParagraph) {
    Decode(0);
    ctx.historyChosen = true;
    HistoryLoaded = true;
    sink.stopsAtStart = 6;  // n = 5
    buildreport(sink, ctx, "R");
    ASSERT_EQ(sink.tabs.size(), 2u);
    EXPECT_EQ(sink.tabs[0], (std::vector<int>{100, 150, 210, 295, 344, 345}));
    EXPECT_EQ(sink.tabs[1], (std::vector<int>{45, 85, 125, 165, 205, 245}));
}

TEST_F(ReportTest, OnlyLoadedSettingsGroupsAndCalibration) {
    Decode(0);
    ctx.settingsChosen = ctx.calibrationChosen = true;
    for (int k : {4, 5, 7, 8}) KindLoaded[k] = true;  // MODE (kind 6) not read
    CalibrationLoaded = true;
    buildreport(sink, ctx, "R");
    EXPECT_TRUE(sink.Has("\r\nCONTROL SETTINGS\r\nSET\r\n"));
    EXPECT_TRUE(sink.Has("\r\nREG\r\n"));
    EXPECT_FALSE(sink.Has("MODE"));
    EXPECT_TRUE(sink.Has("\r\nEVENT\r\n"));
    EXPECT_TRUE(sink.Has("\r\nGEN\r\n"));
    const std::string firstSet = "\r\nSET\r\n" + SettingCaptionText(SelectSettingCaption(1, 0), 0) + "\t" +
                                 FormatSettingValue(1, 0) + "\t" +
                                 SettingUnitText(SelectSettingCaption(1, 0), 0) + "\r\n";
    EXPECT_TRUE(sink.Has(firstSet)) << sink.text;
    EXPECT_TRUE(sink.Has("\r\nCALIBRATION SETTINGS\tGAIN\tOFFSET\r\n" + std::string(CalibrationCaption[0][0]) +
                         "\t" + FormatCalibrationValue(0, 1) + "\t" + FormatCalibrationValue(0, 2)));
    EXPECT_TRUE(sink.text.ends_with(std::string(CalibrationCaption[7][0]) + "\t" + FormatCalibrationValue(7, 1) +
                                    "\t" + FormatCalibrationValue(7, 2)));
}

TEST_F(ReportTest, GroupsChosenButNeverReadStayOut) {
    Decode(0);
    ctx.currentChecked = ctx.currentChosen = ctx.historyChosen = ctx.settingsChosen = ctx.calibrationChosen = true;
    Set(301, 45);  // an unread history page may hold anything
    buildreport(sink, ctx, "R");
    EXPECT_FALSE(sink.Has("HISTORY DATA"));
    EXPECT_FALSE(sink.Has("CONTROL SETTINGS"));
    EXPECT_FALSE(sink.Has("CALIBRATION"));
    EXPECT_FALSE(sink.Has("Battery Voltage"));
    EXPECT_TRUE(sink.text.ends_with("File Name: R\r\n")) << sink.text;

    // Settings loaded from a file, calibration with it: both go in; history still not.
    KindLoaded[4] = true;
    CalibrationLoaded = true;
    TextSink second;
    buildreport(second, ctx, "R");
    EXPECT_TRUE(second.Has("CONTROL SETTINGS"));
    EXPECT_TRUE(second.Has("CALIBRATION SETTINGS"));
    EXPECT_FALSE(second.Has("HISTORY DATA"));
}

TEST_F(ReportTest, NominalVoltageIsTheOneTheCurrentWindowShows) {
    // Voltage code 6 in the type byte's voltage bits: the window decodes every code above 4 as
    // a 96 V system; the raw bits would name 108 V.
    Set(0, 5);
    ASSERT_EQ(At(EquateAddress, 86), 93);
    Set(93, 6);
    DecodeRegulatorType();
    Decode(0);
    buildreport(sink, ctx, "R");
    EXPECT_EQ(ctx.labels.nomvlab, "96V");
    EXPECT_TRUE(sink.Has("\r\n" + ModelVersionText + "\t96V\r\n")) << sink.text;
    EXPECT_FALSE(sink.Has("108V"));
}

TEST_F(ReportTest, OtherLanguagesUseTheirWordsButTheSameLiterals) {
    for (int lang : {1, 2, 3}) {
        SetUp();
        sink = TextSink{};
        Decode(lang);
        CurrentLoaded = CurrentStringLoaded = true;
        ctx.currentChecked = ctx.currentChosen = ctx.historyChosen = true;
        HistoryLoaded = true;
        Set(301, 0);
        Day(3, {255, 255, 255, 255, 255, 255, 255});
        buildreport(sink, ctx, "R");
        EXPECT_TRUE(sink.Has(ReportTextOf(rtTitle, lang))) << lang;
        EXPECT_TRUE(sink.Has(ReportTextOf(rtBatteryVoltage, lang) + "\t")) << lang;
        EXPECT_FALSE(sink.Has("Battery Voltage")) << lang;
        EXPECT_TRUE(sink.Has("\r\nTIME ")) << lang;
        EXPECT_TRUE(sink.Has("\tIN\tOUT\tVMAX")) << lang;
        EXPECT_TRUE(sink.Has("\t-- --\t-- --")) << lang;
        EXPECT_EQ(sink.sizes[1], lang == 2 ? 13 : 12) << lang;  // the title's size
    }
}

TEST_F(ReportTest, LogRecordTextAndItsCsvRow) {
    Set(0, 5);
    Set(207, 4 | 1 | 8 | 2);
    Set(183, 120);
    Set(205, 12);
    DecodeRegulatorType();
    Decode(0);
    ScratchDir dir;
    T_objCSV csv;
    csv.CsvSetColumnCount(LogCsvColumnCount);
    csv.SetFileName(dir.File(LogCsvFileName));
    ctx.currentChosen = false;  // the log ignores the save panel
    buildlogreport(sink, ctx, csv);
    csv.CsvWriteToFile();
    EXPECT_TRUE(sink.text.starts_with(" \r\n" + std::string(62, '-') + "\r\nQV DATA  07/12/2026  05:55:00  " +
                                      ModelVersionText + "  " + ctx.labels.nomvlab + "  State:" +
                                      ctx.labels.Statelab + "\r\nBattery Voltage\t"))
        << sink.text;
    EXPECT_TRUE(sink.Has("\r\nEVNT " + ctx.labels.list[13]));

    ASSERT_EQ(csv.Fields().size(), 37u);
    const auto& f = csv.Fields();
    EXPECT_EQ(f[0], "07/12/2026");
    EXPECT_EQ(f[2], ModelVersionText);
    EXPECT_EQ(f[5], ctx.labels.batvlab);
    EXPECT_EQ(f[8], CurrentValueText[0]);
    EXPECT_EQ(f[9], CurrentValueText[1]);
    EXPECT_EQ(f[11], ctx.labels.soclab);
    EXPECT_EQ(f[12], CurrentValueText[3]);
    EXPECT_EQ(f[20], CurrentValueText[11]);
    EXPECT_EQ(f[21], ctx.labels.list[1]);
    EXPECT_EQ(f[31], ctx.labels.list[13]);
    EXPECT_EQ(f[35], ctx.labels.list[17]);
    EXPECT_EQ(f[36], ctx.labels.list[12]);

    std::string expected;
    for (std::size_t i = 0; i < f.size(); ++i) expected += (i ? "," : "") + T_objCSV::CsvQuoteField(f[i]);
    EXPECT_NE(expected.find("\"Int "), std::string::npos) << expected;
    EXPECT_EQ(ReadWholeFile(csv.FileName()), expected + "\r\n");

    // The next record adds one row; the first stays as it was.
    TextSink second;
    buildlogreport(second, ctx, csv);
    csv.CsvWriteToFile();
    EXPECT_EQ(ReadWholeFile(csv.FileName()), expected + "\r\n" + expected + "\r\n");
}

}  // namespace
}  // namespace talvik

// Text report and periodic log record (see report.h).
#include "ui/report.h"

#include <algorithm>

#include "base/format.h"
#include "base/rtl.h"
#include "link/qvUtility.h"
#include "link/uVar.h"
#include "ui/SettingsFormat.h"
#include "ui/lang.h"
#include "ui/uCSV.h"

namespace talvik {

namespace {

const char* const kTab = "\t";
const char* const kBreak = "\r\n";
const char* const kEmptyDay = "-- --";

std::string Word(int row, int language) { return ReportTextOf(row, language); }

int Image(int address) { return At(RegImage, address); }

// Stops 0..3 as given, and stops 4..n (n taken when the report started) at 340 + index.
std::vector<int> MainTabs(std::vector<int> first, int n) {
    for (int i = 4; i <= n; ++i) first.push_back(340 + i);
    return first;
}

int ExtraStopLimit(ReportSink& sink) { return std::min(sink.TabStopCount() - 1, 30); }

int CurrentMultiplierOfModel(int model) {
    if (model >= 128 && model <= 191) return 2;
    if (model >= 192 && model <= 223) return 4;
    if (model >= 224 && model <= 229) return 1;
    if (model >= 240 && model <= 249) return 4;
    return 1;
}

// The five lines of the current state.
void CurrentLines(ReportSink& sink, const ReportContext& ctx) {
    const CurrentLabelTexts& l = ctx.labels;
    const int lang = ctx.language;
    sink.AddLine(Word(rtBatteryVoltage, lang) + kTab + l.batvlab + kTab + Word(rtDayRange, lang) + " " +
                 l.maxminlab + kTab + Word(rtTemp, lang) + " " + l.templab);
    sink.AddLine(CurrentSummaryText[0] + kTab + l.soclab);
    sink.AddLine(CurrentSummaryText[1]);
    sink.AddLine(CurrentSummaryText[2]);
    sink.AddLine(CurrentSummaryText[3]);
}

// The three lines of the state list.
void ListLines(ReportSink& sink, const CurrentLabelTexts& l) {
    const auto& r = l.list;
    sink.AddLine("TIME " + r[1] + "  FTIM " + r[2] + "  LOAD " + r[3] + "  GEN " + r[4]);
    sink.AddLine("ALRM " + r[5] + "  BDAY " + r[6] + "  EDAY " + r[7] + "  GDAY " + r[8] + "  PWM " + r[9] +
                 "  SOLV " + r[10]);
    sink.AddLine("EVNT " + r[13] + "  STRT " + r[14] + "  STOP " + r[15] + "  EMOD " + r[16] + "  TMOD " +
                 r[17] + "    DNC " + r[12] + "  " + r[11]);
}

void HistoryGroup(ReportSink& sink, const ReportContext& ctx, int n, int mult, int div) {
    sink.SetSize(ReportHeadingSize(ctx.language));
    sink.SetColour(ReportColour::Blue);
    sink.Insert(std::string(kBreak) + Word(rtHistoryData, ctx.language) + kBreak);
    if (n >= 0) {
        std::vector<int> stops;
        for (int i = 0; i <= n; ++i) stops.push_back(45 + 40 * i);
        sink.SetTabs(stops);
    }
    sink.SetSize(10);
    sink.Insert(Word(rtDay, ctx.language) + "\tIN\tOUT\tVMAX\tVMIN\tFTIM\tSOC\r\n");
    sink.Insert("\tAh\tAh\tV\tV\tHr\t%\r\n");
    sink.SetColour(ReportColour::Black);

    // Day 1 is the record at the pointer, then backwards round the ring of 30.
    const int p = RangeCheck(Image(301), 0, 29);
    for (int d = 1; d <= 30; ++d) {
        int slot = p - d + 1;
        if (slot < 0) slot += 30;
        const int base = 302 + 7 * slot;
        const int r0 = Image(base), r1 = Image(base + 1), r2 = Image(base + 2), r3 = Image(base + 3);
        const int r4 = Image(base + 4), r5 = Image(base + 5), r6 = Image(base + 6);
        const int chargeAh = (r6 & 15) * 256 + r4;
        const int dischargeAh = (r6 & 240) * 16 + r5;
        std::string line = IntToStr(d) + kTab;
        if (chargeAh == 4095 && dischargeAh == 4095 && r3 == 255) {
            for (int i = 0; i < 5; ++i) line += std::string(kEmptyDay) + kTab;
            line += kEmptyDay;
        } else {
            line += IntToStr(chargeAh) + kTab + IntToStr(dischargeAh) + kTab + FormatTenths(r0 * mult / div) + kTab +
                    FormatTenths(r1 * mult / div) + kTab + FormatTenths(r2) + kTab + IntToStr(r3);
        }
        sink.AddLine(line);
    }
}

void SettingsGroup(ReportSink& sink, const ReportContext& ctx) {
    const int lang = ctx.language;
    sink.AddLine("");
    sink.SetSize(ReportHeadingSize(lang));
    sink.SetColour(ReportColour::Blue);
    sink.Insert(Word(rtControlSettings, lang));
    sink.SetTabs({190, 240, 270, 320});
    for (int g = 1; g <= 5; ++g) {
        if (!KindLoaded[g + 3]) continue;
        sink.SetColour(ReportColour::Blue);
        sink.SetSize(12);
        sink.Insert(std::string(kBreak) + At(ReportGroupTag, g - 1));
        sink.SetColour(ReportColour::Black);
        sink.SetSize(ReportBodySize(lang));
        for (int i = 0; i < At(SettingGroupRows, g); ++i) {
            // The unit alone follows the event modes' shift; the caption does not.
            const CaptionPick caption = SelectSettingCaption(g, i);
            const CaptionPick unit = SettingGridCaption(g, i);
            sink.Insert(std::string(kBreak) + SettingCaptionText(caption, lang));
            sink.Insert(std::string(kTab) + FormatSettingValue(g, i) + kTab + SettingUnitText(unit, lang));
        }
    }
}

void CalibrationGroup(ReportSink& sink, const ReportContext& ctx) {
    const int lang = ctx.language;
    sink.SetSize(ReportHeadingSize(lang));
    sink.SetColour(ReportColour::Blue);
    sink.AddLine("");
    sink.Insert(std::string(kBreak) + Word(rtCalibrationSettings, lang) + kTab + Word(rtGain, lang) + kTab +
                Word(rtOffset, lang));
    sink.SetTabs({150, 200, 290, 320});
    sink.SetSize(10);
    sink.SetColour(ReportColour::Black);
    for (int i = 0; i < 8; ++i) {
        sink.SetSize(ReportBodySize(lang));
        sink.Insert(std::string(kBreak) + At(At(CalibrationCaption, i), lang));
        sink.SetSize(10);
        sink.Insert(std::string(kTab) + FormatCalibrationValue(i, 1) + kTab + FormatCalibrationValue(i, 2));
    }
}

}  // namespace

bool AnySettingsGroupLoaded() {
    for (int kind = 4; kind <= 8; ++kind)
        if (KindLoaded[kind]) return true;
    return false;
}

int ReportHeadingSize(int language) { return language == 2 ? 13 : 12; }

int ReportBodySize(int language) { return StrToIntDef(Word(rtBodySize, language), 10); }

void buildreport(ReportSink& sink, const ReportContext& ctx, const std::string& FileName) {
    const int lang = ctx.language;
    const int n = ExtraStopLimit(sink);

    CurrentMultiplier = CurrentMultiplierOfModel(Image(0));
    const int v = Image(93) & 7;
    std::int32_t mult = 1, div = 1;
    VoltageScale(v, mult, div);

    sink.SetFirstIndentZero();
    sink.AddLine("");
    sink.SetTabs(MainTabs({100, 150, 210, 295}, n));
    sink.SetSize(10);
    sink.SetColour(ReportColour::Red);
    sink.Insert(std::string(62, '-') + kBreak);
    sink.SetColour(ReportColour::Blue);
    sink.SetSize(ReportHeadingSize(lang));
    sink.Insert(Word(rtTitle, lang));
    sink.SetColour(ReportColour::Black);
    sink.SetSize(10);
    sink.Insert("  " + ctx.date + "  " + ctx.time + "    " + "talvik " + ctx.version + "    " +
                (ctx.directMode ? Word(rtDirectConnection, lang) : Word(rtDialed, lang) + " " + ctx.dialNumber));
    sink.SetSize(ReportBodySize(lang));
    sink.Insert(kBreak);
    sink.Insert(Format(Word(rtFileName, lang).c_str(), FileName.c_str()) + kBreak);

    if (ModelVersion != 0) {
        // The nominal voltage as the current-data window shows it.
        std::string line = ModelVersionText + kTab + At(VoltageText, VoltageCode) + "V";
        if (ctx.currentChecked && CurrentLoaded)
            line += std::string(kTab) + Word(rtState, lang) + ": " + ctx.labels.Statelab;
        sink.AddLine(line);
    }
    if (ctx.currentChosen && CurrentLoaded) {
        sink.Insert(kBreak);
        CurrentLines(sink, ctx);
    }
    if (ctx.currentChosen && CurrentStringLoaded) ListLines(sink, ctx.labels);
    // A group goes in only when it holds data read from the regulator (or, for settings and
    // calibration, loaded from a settings file): an unread group would print a zero image.
    if (ctx.historyChosen && HistoryLoaded) HistoryGroup(sink, ctx, n, mult, div);
    if (ctx.settingsChosen && AnySettingsGroupLoaded()) SettingsGroup(sink, ctx);
    if (ctx.calibrationChosen && CalibrationLoaded) CalibrationGroup(sink, ctx);
}

void buildlogreport(ReportSink& sink, const ReportContext& ctx, T_objCSV& csv) {
    const int lang = ctx.language;
    const CurrentLabelTexts& l = ctx.labels;
    const int n = ExtraStopLimit(sink);

    sink.SetFirstIndentZero();
    sink.AddLine(" ");
    sink.SetSize(10);
    sink.SetColour(ReportColour::Red);
    sink.AddLine(std::string(62, '-'));
    sink.SetColour(ReportColour::Blue);
    sink.SetSize(ReportHeadingSize(lang));
    csv.CsvClearAll();

    sink.Insert(Word(rtTitle, lang));
    sink.SetColour(ReportColour::Black);
    sink.SetSize(10);
    sink.Insert("  " + ctx.date + "  " + ctx.time);
    csv.CsvAddField(ctx.date);
    csv.CsvAddField(ctx.time);

    sink.SetSize(ReportBodySize(lang));
    sink.Insert("  " + ModelVersionText);
    csv.CsvAddField(ModelVersionText);
    sink.Insert("  " + l.nomvlab);
    csv.CsvAddField(l.nomvlab);
    sink.Insert("  " + Word(rtState, lang) + ":" + l.Statelab);
    csv.CsvAddField(l.Statelab);

    sink.SetTabs(MainTabs({100, 150, 210, 295}, n));
    sink.Insert(kBreak);
    sink.SetSize(10);

    CurrentLines(sink, ctx);
    for (const std::string& f : {l.batvlab, l.maxminlab, l.templab}) csv.CsvAddField(f);
    for (int i = 0; i < 3; ++i) csv.CsvAddField(CurrentValueText[static_cast<std::size_t>(i)]);
    csv.CsvAddField(l.soclab);
    for (int i = 3; i < 12; ++i) csv.CsvAddField(CurrentValueText[static_cast<std::size_t>(i)]);

    ListLines(sink, l);
    for (int row : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 13, 14, 15, 16, 17, 12}) csv.CsvAddField(At(l.list, row));

    std::string line;
    csv.CsvCommitRow(line);
}

}  // namespace talvik

// The history graph's arithmetic and texts (see DatadispCalc.h).
#include "ui/DatadispCalc.h"

#include <algorithm>

#include "base/format.h"
#include "base/rtl.h"
#include "link/qvUtility.h"
#include "link/uVar.h"

namespace talvik {

const std::array<std::uint32_t, 4> TraceColor = {0xFF0000, 0x00FFFF, 0x0000FF, 0x00FF00};

HistoryDay HistoryRecord(int K) {
    RangeCheck(K, 0, HistoryDays - 1);
    HistoryDay d;
    for (int i = 0; i < 7; ++i) d.b[static_cast<std::size_t>(i)] = At(RegImage, HistoryFirstRecord + 7 * K + i);
    return d;
}

void HistoryAhRange(int Kind, int& Max, int& Min) {
    Max = 0;
    Min = 4095;
    for (int k = 0; k < HistoryDays; ++k) {
        const HistoryDay d = HistoryRecord(k);
        if (d.Empty()) continue;
        const int ah = Kind == tkChargeAh ? d.ChargeAh() : d.DischargeAh();
        Max = std::max(Max, ah);
        Min = std::min(Min, ah);
    }
}

std::array<bool, TraceKindCount> MarkTraceKinds(const TraceChoice& Choice) {
    std::array<bool, TraceKindCount> m{};
    for (std::int32_t k : Choice)
        if (k > 0) At(m, k) = true;
    return m;
}

int CountTracesInUse(const TraceChoice& Choice) {
    int n = 0;
    for (std::int32_t k : Choice) n += k > 0 ? 1 : 0;
    return n;
}

AhAxis AhScale(const std::array<bool, TraceKindCount>& Marked) {
    AhAxis a;
    if (!Marked[tkChargeAh] && !Marked[tkDischargeAh]) return a;
    int mx = 0, mn = 4095;
    for (int kind : {int(tkChargeAh), int(tkDischargeAh)}) {
        if (!Marked[static_cast<std::size_t>(kind)]) continue;
        int kmax, kmin;
        HistoryAhRange(kind, kmax, kmin);
        mx = std::max(mx, kmax);
        mn = std::min(mn, kmin);
    }
    mn = std::clamp(mn, 0, 3999);
    mx = std::min(std::max(mx, mn), 3999);
    const int range = mx - mn;
    static constexpr std::array<std::pair<int, int>, 8> steps = {
        {{12, 1}, {24, 2}, {60, 5}, {120, 10}, {240, 20}, {600, 50}, {1200, 100}, {2400, 200}}};
    a.Step = 500;
    for (auto [below, step] : steps)
        if (range < below) {
            a.Step = step;
            break;
        }
    a.Min = mn / a.Step * a.Step;
    return a;
}

int TraceBarWidth(int TracesInUse) {
    switch (TracesInUse) {
    case 1: return 16;
    case 2: return 8;
    case 3: return 5;
    case 4: return 4;
    default: RaiseAssertion("Internal Error. Unexpected value of Tracenum.", __FILE__, __LINE__);
    }
}

int RecordForSlot(int DayPointer, int Slot) {
    int r = DayPointer - Slot + 1;
    if (r < 0) r += HistoryDays;
    return RangeCheck(r, 0, HistoryDays - 1);
}

int BarHeight(int Kind, const HistoryDay& Day, const AhAxis& Axis) {
    int h = 0;
    switch (Kind) {
    case tkChargeAh: h = (Day.ChargeAh() - Axis.Min) * GraphStepPixels / Axis.Step; break;
    case tkDischargeAh: h = (Day.DischargeAh() - Axis.Min) * GraphStepPixels / Axis.Step; break;
    case tkVoltageMax: h = Day.b[0] * 14 / 5 - 196; break;
    case tkVoltageMin: h = Day.b[1] * 14 / 5 - 196; break;
    case tkFloatTime: h = Day.b[2] * 7 / 5; break;
    case tkSoc: h = Day.b[3] * 14 / 5; break;
    default: RaiseAssertion("Internal Error. Unexpected value of Kind.", __FILE__, __LINE__);
    }
    return std::clamp(h, 2, 12 * GraphStepPixels);
}

std::vector<GraphBar> TraceBars(int Kind, int Ordinal, int Width, const AhAxis& Axis, std::uint32_t Color) {
    std::vector<GraphBar> bars;
    const int x0 = Ordinal * Width + GraphLeft - 16;
    const int pointer = RegImage[HistoryDayPointer];
    for (int s = 1; s <= HistoryDays; ++s) {
        // A pointer beyond the ring (never written by the regulator) shows nothing rather than
        // days taken from outside the page.
        if (pointer >= HistoryDays) break;
        const HistoryDay d = HistoryRecord(RecordForSlot(pointer, s));
        // Byte 6 of 255 is an empty day for every trace: its Ah fields are no numbers.
        if (d.Empty()) continue;
        const int h = BarHeight(Kind, d, Axis);
        bars.push_back({s, {x0 + GraphDayPixels * s, GraphBottom - h, x0 + Width + GraphDayPixels * s, GraphBottom},
                        Color});
    }
    return bars;
}

std::uint32_t TraceColorOf(const TraceChoice& Choice, int Kind) {
    int found = -1;
    for (int i = 0; i < 4; ++i)
        if (Choice[static_cast<std::size_t>(i)] == Kind) found = i;
    if (found < 0) RaiseAssertion("Internal Error. Unexpected value of combnum.", __FILE__, __LINE__);
    return TraceColor[static_cast<std::size_t>(found)];
}

std::vector<GraphText> ScaleLabels(const AhAxis& Axis) {
    std::int32_t m = 1, d = 1;
    VoltageScale(RegImage[HistoryVoltageCode] & 7, m, d);
    if (VoltageCode > 4) {
        m = 10;
        d = 1;
    }
    std::vector<GraphText> t;
    for (int i = 0; i < HistoryDays; ++i)
        t.push_back({GraphLeft + GraphDayPixels * i + (i < 9 ? 7 : 4), 388, IntToStr(i + 1), GraphTextColor});
    for (int i = 0; i < 12; ++i) {
        const int y = GraphBottom - GraphStepPixels * i;
        t.push_back({2, y - 8, IntToStr(Axis.Min + i * Axis.Step), GraphTextColor});
        t.push_back({595, y - 1, IntToStr(2 * i), GraphTextColor});
        t.push_back({608, y - 13, IntToStr(10 * i), GraphGreyColor});
        // A 32 V system scales by 8/3: its labels carry one decimal rather than being 8 times 12 V.
        const std::string volts = d == 1 ? IntToStr((i + 7) * m) : FormatTenths(((i + 7) * m * 10 + d / 2) / d);
        t.push_back({34, y - 14, volts, GraphGreyColor});
    }
    t.push_back({595, 43, "Hr", GraphTextColor});
    t.push_back({2, 41, "Ah", GraphTextColor});
    t.push_back({608, 31, "%", GraphGreyColor});
    t.push_back({36, 36, "V", GraphGreyColor});
    return t;
}

GraphScene BuildGraphScene(const TraceChoice& Choice, bool DrawBars) {
    GraphScene s;
    const auto marked = MarkTraceKinds(Choice);
    s.Axis = AhScale(marked);
    s.Labels = ScaleLabels(s.Axis);
    if (!DrawBars) return s;
    const int inUse = CountTracesInUse(Choice);
    if (inUse == 0) return s;
    s.Width = TraceBarWidth(inUse);
    int ordinal = 0;
    for (int k = tkChargeAh; k <= tkSoc; ++k) {
        if (!marked[static_cast<std::size_t>(k)]) continue;
        const auto bars = TraceBars(k, ordinal, s.Width, s.Axis, TraceColorOf(Choice, k));
        s.Bars.insert(s.Bars.end(), bars.begin(), bars.end());
        ++ordinal;
    }
    return s;
}

const std::array<LangRow, 11> GraphCaption = {{
    {"Day", "Jour", "日", "Tag"},
    {"HISTORY DATA", "HISTORIQUE", "历史数据", "VERLAUFSDATEN"},
    {"Wait For Transfer", "Attendre le transfert", "等待传输", "Warten auf Übertragung"},
    {"Draw Graph", "Tracer", "绘图", "Grafik zeichnen"},
    {"Draw Selected Graph", "Tracer le graphique choisi", "绘制所选图形", "Gewählte Grafik zeichnen"},
    {"Select Blue Data", "Choisir les données bleues", "选择蓝色数据", "Blaue Daten wählen"},
    {"Select Yellow Data", "Choisir les données jaunes", "选择黄色数据", "Gelbe Daten wählen"},
    {"Select Red Data", "Choisir les données rouges", "选择红色数据", "Rote Daten wählen"},
    {"Select Green Data", "Choisir les données vertes", "选择绿色数据", "Grüne Daten wählen"},
    {"Click to re-read history data", "Cliquer pour relire l'historique", "单击重新读取历史数据",
     "Klicken, um die Verlaufsdaten neu zu lesen"},
    {"Start", "Début", "开始", "Start"},
}};

const std::array<LangRow, 7> GraphTextTable = {{
    {"Not used", "Non utilisé", "不用", "Nicht benutzt"},
    {"Charge Ah", "Charge Ah", "充电 Ah", "Ladung Ah"},
    {"Discharge Ah", "Décharge Ah", "放电 Ah", "Entladung Ah"},
    {"Voltage Max.", "Tension max.", "最高电压", "Spannung max."},
    {"Voltage Min.", "Tension min.", "最低电压", "Spannung min."},
    {"Float Time", "Temps floating", "浮充时间", "Erhaltungszeit"},
    {"SOC %", "SOC %", "充电状态 %", "Ladezustand %"},
}};

std::string GraphCaptionOf(int Row, int Language) {
    return LangText(GraphCaption.data(), GraphCaption.size(), Row, Language);
}
std::string GraphTextOf(int Row, int Language) {
    return LangText(GraphTextTable.data(), GraphTextTable.size(), Row, Language);
}

int GraphComboFontSize(int Language, int LanguageFontSize) {
    if (Language != LangChinese) return LanguageFontSize;
    if (LanguageFontSize >= 13) return 12;
    if (LanguageFontSize >= 11) return 10;
    return LanguageFontSize;
}

}  // namespace talvik

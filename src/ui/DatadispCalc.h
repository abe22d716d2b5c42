// What the history graph draws, worked out without a window: the day records of the history
// page in RegImage, the Ah axis scale, the bars of each trace and the axis labels, plus the
// graph window's per-language texts. The window only turns these into GDI calls.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "link/qvEquates.h"
#include "ui/lang.h"

namespace talvik {

// Plotting area: left edge and bottom line; one axis step is 28 pixels, one day slot 18.
constexpr int GraphLeft = 50;
constexpr int GraphBottom = 380;
constexpr int GraphStepPixels = 28;
constexpr int GraphDayPixels = 18;
constexpr int HistoryFirstRecord = FirstDayRecordAddress;
constexpr int HistoryDayPointer = DayPointerAddress;
constexpr int HistoryVoltageCode = 299;

// Trace kinds, the item index of a trace combo.
enum TraceKind : int {
    tkNotUsed = 0, tkChargeAh = 1, tkDischargeAh = 2, tkVoltageMax = 3, tkVoltageMin = 4,
    tkFloatTime = 5, tkSoc = 6
};
constexpr int TraceKindCount = 7;

// One day of the history page.
struct HistoryDay {
    std::array<std::uint8_t, 7> b{};
    bool Empty() const { return b[6] == 255; }
    int ChargeAh() const { return (b[6] & 15) * 256 + b[4]; }
    int DischargeAh() const { return (b[6] & 0xF0) * 16 + b[5]; }
};

// Record K (0..29) of the history page in RegImage.
HistoryDay HistoryRecord(int K);

// Largest and smallest Ah of Kind (1 charge, 2 discharge) over the days that are not empty;
// with none, Max 0 and Min 4095.
void HistoryAhRange(int Kind, int& Max, int& Min);

// Trace colours of the four combos (Win32 COLORREF values: blue, yellow, red, green).
extern const std::array<std::uint32_t, 4> TraceColor;
constexpr std::uint32_t GraphTextColor = 0x000080;
constexpr std::uint32_t GraphGreyColor = 0x808080;

// The chosen trace kinds of the four combos, and what they mark.
using TraceChoice = std::array<std::int32_t, 4>;
std::array<bool, TraceKindCount> MarkTraceKinds(const TraceChoice& Choice);
int CountTracesInUse(const TraceChoice& Choice);

struct AhAxis {
    int Min = 0;
    int Step = 1;
};
// The Ah axis for the chosen kinds (minimum 0, step 1 without an Ah trace).
AhAxis AhScale(const std::array<bool, TraceKindCount>& Marked);

// Bar width by the number of combos in use (1..4); another count is an internal error.
int TraceBarWidth(int TracesInUse);
// The record shown in day slot S (1..30): slot 1 is the day at the pointer, then earlier days.
int RecordForSlot(int DayPointer, int Slot);
// Height of a bar of Kind for a day, clamped to 2..336.
int BarHeight(int Kind, const HistoryDay& Day, const AhAxis& Axis);

struct GraphRect {
    int Left, Top, Right, Bottom;
    bool operator==(const GraphRect&) const = default;
};
struct GraphBar {
    int Slot;
    GraphRect Rect;
    std::uint32_t Color;
};
// The bars of one trace drawn as the Ordinal-th trace of a pass (from 0), in Color.
std::vector<GraphBar> TraceBars(int Kind, int Ordinal, int Width, const AhAxis& Axis, std::uint32_t Color);

// The combo whose choice is Kind gives the colour: the last of the four that matches; none is
// an internal error.
std::uint32_t TraceColorOf(const TraceChoice& Choice, int Kind);

// Everything one drawing pass puts on the axes and in the plot.
struct GraphText {
    int X, Y;
    std::string Text;
    std::uint32_t Color;
};
struct GraphScene {
    AhAxis Axis;
    int Width = 16;
    std::vector<GraphText> Labels;   // day numbers, axis labels and titles
    std::vector<GraphBar> Bars;      // in drawing order
};
// Labels from the history's voltage code (VoltageCode above 4: multiplier 10).
std::vector<GraphText> ScaleLabels(const AhAxis& Axis);
// The whole graph for the choice; Bars is empty unless DrawBars.
GraphScene BuildGraphScene(const TraceChoice& Choice, bool DrawBars);

// The window's texts (rows from 1): GraphCaption 11 rows, GraphText 7 rows (trace names).
enum GraphCaptionRow : int {
    gcDay = 1, gcCaption, gcWaitForTransfer, gcDrawGraph, gcHintDraw, gcHintBlue, gcHintYellow,
    gcHintRed, gcHintGreen, gcHintWindow, gcStart
};
extern const std::array<LangRow, 11> GraphCaption;
extern const std::array<LangRow, 7> GraphTextTable;
std::string GraphCaptionOf(int Row, int Language);
std::string GraphTextOf(int Row, int Language);

// Font sizes of the combos: the language's size, for Chinese 13 and up -> 12, 11 and 12 -> 10.
int GraphComboFontSize(int Language, int LanguageFontSize);

}  // namespace talvik

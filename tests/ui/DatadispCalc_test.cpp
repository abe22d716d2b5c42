// The history graph's arithmetic: day records, the Ah axis, bar geometry and the axis labels,
// worked out from a history page put into RegImage.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/rtl.h"
#include "link/qvUtility.h"
#include "link/uVar.h"
#include "ui/DatadispCalc.h"

using namespace talvik;

namespace {

class GraphCalc : public ::testing::Test {
protected:
    void SetUp() override {
        ResetLinkState();
        VoltageCode = 0;
        // Every day empty unless a test fills it.
        for (int k = 0; k < HistoryDays; ++k) Day(k, {0, 0, 0, 0, 0, 0, 255});
    }
    static void Day(int k, std::array<int, 7> b) {
        for (int i = 0; i < 7; ++i) RegImage[static_cast<std::size_t>(HistoryFirstRecord + 7 * k + i)] = static_cast<std::uint8_t>(b[static_cast<std::size_t>(i)]);
    }
    static std::array<bool, TraceKindCount> Marks(std::initializer_list<int> kinds) {
        std::array<bool, TraceKindCount> m{};
        for (int k : kinds) m[static_cast<std::size_t>(k)] = true;
        return m;
    }
    static const GraphText* LabelAt(const std::vector<GraphText>& l, int x, int y) {
        for (const auto& t : l)
            if (t.X == x && t.Y == y) return &t;
        return nullptr;
    }
};

TEST_F(GraphCalc, DayRecordsSplitTheTwelveBitAmpHours) {
    Day(3, {140, 118, 45, 87, 0x34, 0x12, 0xA5});
    const HistoryDay d = HistoryRecord(3);
    EXPECT_FALSE(d.Empty());
    EXPECT_EQ(d.ChargeAh(), 5 * 256 + 0x34);
    EXPECT_EQ(d.DischargeAh(), 0xA * 256 + 0x12);
    Day(4, {0, 0, 0, 0, 255, 255, 0xFF});
    EXPECT_TRUE(HistoryRecord(4).Empty());
    EXPECT_THROW(HistoryRecord(30), ERangeError);
}

TEST_F(GraphCalc, AhRangeSkipsEmptyDaysAndHasNoneWhenAllAreEmpty) {
    int mx, mn;
    HistoryAhRange(tkChargeAh, mx, mn);
    EXPECT_EQ(mx, 0);
    EXPECT_EQ(mn, 4095);
    Day(0, {0, 0, 0, 0, 40, 9, 0x10});   // charge 40, discharge 256 + 9
    Day(7, {0, 0, 0, 0, 200, 1, 0x00});  // charge 200, discharge 1
    Day(8, {0, 0, 0, 0, 1, 1, 255});     // empty: neither counts
    HistoryAhRange(tkChargeAh, mx, mn);
    EXPECT_EQ(mx, 200);
    EXPECT_EQ(mn, 40);
    HistoryAhRange(tkDischargeAh, mx, mn);
    EXPECT_EQ(mx, 265);
    EXPECT_EQ(mn, 1);
}

TEST_F(GraphCalc, AhScaleStepsAndRoundsTheMinimumDown) {
    // Charge between 37 and 58: range 21, step 2, labels 36, 38 ... 58.
    for (int k = 0; k < 22; ++k) Day(k, {0, 0, 0, 0, 37 + k, 0, 0});
    AhAxis a = AhScale(Marks({tkChargeAh}));
    EXPECT_EQ(a.Step, 2);
    EXPECT_EQ(a.Min, 36);
    const auto labels = ScaleLabels(a);
    EXPECT_EQ(LabelAt(labels, 2, 380 - 8)->Text, "36");
    EXPECT_EQ(LabelAt(labels, 2, 380 - 28 * 11 - 8)->Text, "58");

    // Without an Ah trace the axis counts 0, 1, 2 ...
    a = AhScale(Marks({tkVoltageMax, tkVoltageMin}));
    EXPECT_EQ(a.Min, 0);
    EXPECT_EQ(a.Step, 1);

    // Both Ah kinds: the larger maximum and the smaller minimum.
    Day(25, {0, 0, 0, 0, 0, 0xF4, 0x10});  // discharge 256 + 244 = 500, charge 0
    a = AhScale(Marks({tkChargeAh, tkDischargeAh}));
    EXPECT_EQ(a.Step, 50);   // range 500
    EXPECT_EQ(a.Min, 0);

    // Values beyond the axis: minimum capped at 3999 and the step for a zero range.
    for (int k = 0; k < HistoryDays; ++k) Day(k, {0, 0, 0, 0, 0xFF, 0, 0x0F});  // 4095
    a = AhScale(Marks({tkChargeAh}));
    EXPECT_EQ(a.Step, 1);
    EXPECT_EQ(a.Min, 3999);
}

TEST_F(GraphCalc, StepTableBoundaries) {
    const std::vector<std::pair<int, int>> cases = {{11, 1}, {12, 2}, {23, 2}, {24, 5}, {59, 5}, {60, 10},
                                                    {119, 10}, {120, 20}, {599, 50}, {600, 100}, {2399, 200},
                                                    {2400, 500}};
    for (auto [range, step] : cases) {
        Day(0, {0, 0, 0, 0, 0, 0, 0});
        const int hi = range;
        Day(1, {0, 0, 0, 0, hi & 255, 0, (hi >> 8) & 15});
        EXPECT_EQ(AhScale(Marks({tkChargeAh})).Step, step) << "range " << range;
    }
}

TEST_F(GraphCalc, BarHeightsScaleAndClamp) {
    const AhAxis unit{0, 1};
    HistoryDay d;
    d.b = {70, 190, 50, 100, 0, 0, 0};
    EXPECT_EQ(BarHeight(tkVoltageMax, d, unit), 2);    // 7.0 V sits on the base line
    EXPECT_EQ(BarHeight(tkVoltageMin, d, unit), 336);  // 19.0 V reaches the top
    EXPECT_EQ(BarHeight(tkFloatTime, d, unit), 70);    // 5.0 hours: 2.5 steps of two hours
    EXPECT_EQ(BarHeight(tkSoc, d, unit), 280);         // 100 %
    d.b = {130, 0, 0, 0, 50, 0, 0};
    EXPECT_EQ(BarHeight(tkVoltageMax, d, unit), 130 * 14 / 5 - 196);
    EXPECT_EQ(BarHeight(tkChargeAh, d, AhAxis{36, 2}), (50 - 36) * 28 / 2);
    EXPECT_EQ(BarHeight(tkChargeAh, d, AhAxis{60, 2}), 2);  // below the axis minimum
}

TEST_F(GraphCalc, SlotsRunBackFromTheDayPointerAndWrap) {
    EXPECT_EQ(RecordForSlot(5, 1), 5);
    EXPECT_EQ(RecordForSlot(5, 6), 0);
    EXPECT_EQ(RecordForSlot(5, 7), 29);
    EXPECT_EQ(RecordForSlot(0, 30), 1);
    EXPECT_EQ(RecordForSlot(29, 30), 0);
}

TEST_F(GraphCalc, TraceBarsPlaceEachDayAndSkipEmptyDays) {
    RegImage[HistoryDayPointer] = 2;
    Day(2, {150, 120, 10, 50, 0, 0, 0});   // slot 1
    Day(1, {160, 110, 20, 60, 0, 0, 0});   // slot 2
    // record 0 stays empty (slot 3); record 29 is slot 4
    Day(29, {140, 0, 0, 0, 0, 0, 0});
    const auto bars = TraceBars(tkVoltageMax, 1, 8, AhAxis{}, 0x123456);
    ASSERT_EQ(bars.size(), 3u);
    const int x0 = 1 * 8 + 50 - 16;
    EXPECT_EQ(bars[0].Slot, 1);
    EXPECT_EQ(bars[0].Rect, (GraphRect{x0 + 18, 380 - (150 * 14 / 5 - 196), x0 + 8 + 18, 380}));
    EXPECT_EQ(bars[1].Slot, 2);
    EXPECT_EQ(bars[2].Slot, 4);
    EXPECT_EQ(bars[2].Rect.Left, x0 + 72);
    EXPECT_EQ(bars[2].Color, 0x123456u);
}

TEST_F(GraphCalc, AWildDayPointerDrawsNothingRatherThanReadingOutsideThePage) {
    RegImage[HistoryDayPointer] = 200;
    Day(0, {150, 120, 10, 50, 0, 0, 0});
    EXPECT_TRUE(TraceBars(tkVoltageMax, 0, 16, AhAxis{}, 0).empty());
}

TEST_F(GraphCalc, SceneUsesWidthByTracesColourByLastMatchingComboAndKindOrder) {
    RegImage[HistoryDayPointer] = 0;
    Day(0, {150, 120, 10, 50, 20, 10, 0});
    // Two voltage traces: 8 wide, drawn max (kind 3) first though chosen second.
    GraphScene s = BuildGraphScene({4, 3, 0, 0}, true);
    EXPECT_EQ(s.Width, 8);
    ASSERT_EQ(s.Bars.size(), 2u);
    EXPECT_EQ(s.Bars[0].Color, TraceColor[1]);      // kind 3 in the yellow combo
    EXPECT_EQ(s.Bars[0].Rect.Left, 50 - 16 + 18);    // ordinal 0
    EXPECT_EQ(s.Bars[1].Color, TraceColor[0]);      // kind 4 in the blue combo
    EXPECT_EQ(s.Bars[1].Rect.Left, 8 + 50 - 16 + 18);
    EXPECT_EQ(s.Axis.Step, 1);
    EXPECT_EQ(s.Axis.Min, 0);
    // The same kind in two combos is one trace in the colour of the later combo; four combos
    // in use give 4-pixel bars.
    s = BuildGraphScene({6, 1, 2, 6}, true);
    EXPECT_EQ(s.Width, 4);
    ASSERT_EQ(s.Bars.size(), 3u);
    EXPECT_EQ(s.Bars[2].Color, TraceColor[3]);
    EXPECT_EQ(BuildGraphScene({0, 0, 0, 0}, true).Bars.size(), 0u);
    EXPECT_THROW(TraceColorOf({1, 0, 0, 0}, 2), EAssertionFailed);
    EXPECT_THROW(TraceBarWidth(5), EAssertionFailed);
}

TEST_F(GraphCalc, LabelsFollowTheHistoryVoltageCode) {
    RegImage[HistoryVoltageCode] = 0x01;  // 24 V
    auto labels = ScaleLabels(AhAxis{});
    EXPECT_EQ(LabelAt(labels, 34, 380 - 14)->Text, "14");
    EXPECT_EQ(LabelAt(labels, 34, 380 - 28 * 11 - 14)->Text, "36");
    EXPECT_EQ(LabelAt(labels, 595, 380 - 28 * 3 - 1)->Text, "6");
    EXPECT_EQ(LabelAt(labels, 608, 380 - 28 * 5 - 13)->Text, "50");
    EXPECT_EQ(LabelAt(labels, 50 + 7, 388)->Text, "1");
    EXPECT_EQ(LabelAt(labels, 50 + 18 * 9 + 4, 388)->Text, "10");
    EXPECT_EQ(LabelAt(labels, 50 + 18 * 29 + 4, 388)->Text, "30");
    // 32 V is 8/3 of the 12 V scale: 7 V on that scale is 18.7 V, not 56.
    RegImage[HistoryVoltageCode] = 0xF2;
    labels = ScaleLabels(AhAxis{});
    EXPECT_EQ(LabelAt(labels, 34, 380 - 14)->Text, "18.7");
    // A high-voltage model counts tens.
    VoltageCode = 7;
    labels = ScaleLabels(AhAxis{});
    EXPECT_EQ(LabelAt(labels, 34, 380 - 14)->Text, "70");
    VoltageCode = 0;
}

TEST_F(GraphCalc, TextsAndComboFontSizes) {
    EXPECT_EQ(GraphCaptionOf(gcCaption, 0), "HISTORY DATA");
    EXPECT_EQ(GraphCaptionOf(gcStart, 0), "Start");
    EXPECT_EQ(GraphTextOf(1, 0), "Not used");
    EXPECT_EQ(GraphTextOf(7, 0), "SOC %");
    EXPECT_THROW(GraphTextOf(8, 0), ERangeError);
    EXPECT_EQ(GraphComboFontSize(LangChinese, 14), 12);
    EXPECT_EQ(GraphComboFontSize(LangChinese, 11), 10);
    EXPECT_EQ(GraphComboFontSize(LangChinese, 9), 9);
    EXPECT_EQ(GraphComboFontSize(LangGerman, 14), 14);
}

}  // namespace

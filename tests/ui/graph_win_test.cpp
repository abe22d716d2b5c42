// The history graph window under Wine: a kind-10 read against the simulated regulator, what the
// window draws from it (the bars it computed and the pixels on the screen), the wait banner and
// progress, a failed read, and the trace combos.
#include <gtest/gtest.h>

#include <random>

#include "FakeComPort.h"
#include "RegulatorSim.h"
#include "link/qvLink.h"
#include "link/uVar.h"
#include "ui/Datadisp.h"
#include "ui/graphxalLink.h"

using namespace talvik;
using talvik::test::FakeComPort;

namespace {

class GraphListener : public TGraphXalListener {
public:
    std::vector<std::string> Statuses;
    int Beeps = 0;
    void ShowStatus(const std::string& Text) override { Statuses.push_back(Text); }
    void Beep() override { ++Beeps; }
};

class GraphWindow : public ::testing::Test {
protected:
    FakeComPort Port;
    sim::RegulatorSim Sim;
    GraphListener Listener;
    std::unique_ptr<TLink> Link;
    TForm* Main = nullptr;
    std::vector<std::string> errors;
    std::int32_t selection[4] = {1, 2, 0, 0};

    void SetUp() override {
        LanguageNumber = 0;
        ResetLinkState();
        DirectMode = true;
        DirectPortNumber = 92;
        StartupPending = false;
        Link = std::make_unique<TLink>(Port, Listener);
        Application.Initialize();
        Application.OnException = [this](const std::exception& e) { errors.push_back(e.what()); };
        Port.OnSend = [this](const std::string& s, std::uint64_t now) {
            for (char c : s) Sim.Feed(static_cast<std::uint8_t>(c), now);
        };
        Port.OnTick = [this](std::uint64_t now) { Port.Receive(Sim.Drain(now)); };
        Main = new TForm();
        Application.AddForm(Main);
        GraphXalHost.ShowStatus = [this](const std::string& t) { Listener.ShowStatus(t); };
        GraphXalHost.TraceSelection = selection;
        Application.CreateForm(graphform);
        BindDataFormsToLink(*Link);
        BindGraphXalToLink(*Link);
        HistoryMemory();
    }
    void TearDown() override {
        DataFormsHost = {};
        GraphXalHost = {};
        if (graphform) graphform->Free();
        graphform = nullptr;
        Main->Free();
        Application.OnException = nullptr;
        EXPECT_TRUE(errors.empty()) << errors.front();
    }
    void SetDay(int k, std::array<int, 7> b) {
        for (int i = 0; i < 7; ++i)
            Sim.Memory()[static_cast<std::size_t>(302 + 7 * k + i)] = static_cast<std::uint8_t>(b[static_cast<std::size_t>(i)]);
    }
    // A 12 V Tova with 30 days of plausible history, the pointer at day 4 and day 10 empty.
    void HistoryMemory() {
        Sim.Memory()[0] = 5;
        Sim.Memory()[93] = 0;
        Sim.Memory()[299] = 0;
        Sim.Memory()[300] = 0;
        Sim.Memory()[301] = 4;
        for (int k = 0; k < 30; ++k)
            SetDay(k, {130 + k % 10, 115 + k % 5, 10 + 2 * k, 40 + 2 * k, 37 + (k * 7) % 22, 20 + k, 0});
        SetDay(10, {255, 255, 255, 255, 255, 255, 255});
    }
    bool RunRead() {
        return Port.RunUntil([] { return !CommBusy && !RequestTriggerAdded; }, 40000);
    }
    void Pump() {
        for (int i = 0; i < 20; ++i) Application.ProcessMessages();
    }
    void Open() {
        graphform->Show();
        SetForegroundWindow(graphform->Handle());
        graphform->FormActivate(graphform);
    }
    COLORREF PixelAt(int x, int y) {
        HDC dc = GetDC(graphform->Handle());
        const COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(graphform->Handle(), dc);
        return c;
    }
};

TEST_F(GraphWindow, OpeningReadsTheHistoryAndDrawsTheChosenTraces) {
    EXPECT_EQ(graphform->Caption(), "HISTORY DATA");
    Open();
    // The read runs with its banner and progress; the combos hold the kept choice.
    EXPECT_TRUE(CommBusy);
    EXPECT_EQ(DataKind, 10);
    EXPECT_TRUE(graphform->Waitlab->Visible());
    EXPECT_EQ(graphform->Waitlab->Caption(), "Wait For Transfer");
    EXPECT_TRUE(graphform->waitprogress->Visible());
    EXPECT_EQ(Listener.Statuses.front(), "Start");
    EXPECT_EQ(graphform->Comb1->ItemIndex(), 1);
    EXPECT_EQ(graphform->Comb2->ItemIndex(), 2);
    EXPECT_EQ(graphform->Comb3->Item(6), "SOC %");
    Port.RunUntil([] { return ReadNum <= 100; }, 40000);
    EXPECT_EQ(graphform->waitprogress->Position(), 115);
    ASSERT_TRUE(RunRead());
    Pump();
    EXPECT_TRUE(HistoryLoaded);
    EXPECT_EQ(Listener.Beeps, 0);
    EXPECT_FALSE(graphform->Waitlab->Visible());
    EXPECT_FALSE(graphform->waitprogress->Visible());

    // Charge 37..58 and discharge 20..49 share the axis: range 38, step 5 from 20; two traces,
    // 8 pixels wide; the empty day has no bar.
    const GraphScene& s = graphform->LastScene();
    EXPECT_EQ(s.Axis.Min, 20);
    EXPECT_EQ(s.Axis.Step, 5);
    EXPECT_EQ(s.Width, 8);
    ASSERT_EQ(s.Bars.size(), 58u);
    // Slot 1 is day 4: charge 37 + 28 % 22 = 43 -> (43 - 20) * 28 / 5 = 128 pixels, blue.
    EXPECT_EQ(s.Bars[0].Slot, 1);
    EXPECT_EQ(s.Bars[0].Rect, (GraphRect{52, 380 - 128, 60, 380}));
    EXPECT_EQ(s.Bars[0].Color, 0xFF0000u);
    // Slot 25 would be day 10 (4 - 25 + 1 + 30), which is empty.
    for (const auto& b : s.Bars) EXPECT_NE(b.Slot, 25);
    // Discharge: day 4 holds 24 -> (24 - 20) * 28 / 5 = 22 pixels, yellow, beside it.
    EXPECT_EQ(s.Bars[29].Rect, (GraphRect{60, 358, 68, 380}));
    EXPECT_EQ(s.Bars[29].Color, 0x00FFFFu);

    // The screen shows them: inside the first bar blue, inside the second yellow, white above.
    EXPECT_EQ(PixelAt(55, 380 - 50), RGB(0, 0, 255));
    EXPECT_EQ(PixelAt(63, 379), RGB(255, 255, 0));
    EXPECT_EQ(PixelAt(55, 380 - 150), RGB(255, 255, 255));
    EXPECT_EQ(PixelAt(50, 300), RGB(0, 0, 0));  // the left axis
}

TEST_F(GraphWindow, ChangingACombReDrawsOnlyOnTheButtonAndIsKept) {
    Open();
    ASSERT_TRUE(RunRead());
    Pump();
    const size_t frames = Sim.Log().size();
    graphform->Comb3->SetItemIndex(3);   // voltage max in red
    graphform->Comb1Change(graphform->Comb3);
    EXPECT_EQ(selection[2], 3);
    EXPECT_EQ(graphform->LastScene().Width, 8);   // nothing drawn yet
    SendMessageW(graphform->Drawbutton->Handle(), BM_CLICK, 0, 0);
    Pump();
    EXPECT_EQ(Sim.Log().size(), frames);          // loaded data is redrawn, not read again
    const GraphScene& s = graphform->LastScene();
    EXPECT_EQ(s.Width, 5);
    ASSERT_EQ(s.Bars.size(), 87u);
    // Day 4 max voltage 134 -> 134 * 14 / 5 - 196 = 179 pixels, third in the slot.
    EXPECT_EQ(s.Bars[58].Rect, (GraphRect{2 * 5 + 50 - 16 + 18, 380 - 179, 3 * 5 + 50 - 16 + 18, 380}));
    EXPECT_EQ(PixelAt(2 * 5 + 50 - 16 + 18 + 2, 380 - 100), RGB(255, 0, 0));
}

TEST_F(GraphWindow, AFailedReadLeavesAnEmptyScaledFrameAndReadsAgainOnClick) {
    Sim.GetFaults().silence = sim::Always;
    Open();
    ASSERT_TRUE(RunRead());
    Pump();
    EXPECT_FALSE(HistoryLoaded);
    EXPECT_EQ(Listener.Beeps, 3);
    EXPECT_FALSE(graphform->Waitlab->Visible());
    EXPECT_TRUE(graphform->LastScene().Bars.empty());
    EXPECT_EQ(PixelAt(55, 380 - 50), RGB(255, 255, 255));
    // A click on the window reads again; now the regulator answers.
    Sim.GetFaults().silence = 0;
    SendMessageW(graphform->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(300, 200));
    SendMessageW(graphform->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(300, 200));
    EXPECT_EQ(DataKind, 10);
    EXPECT_TRUE(CommBusy);
    EXPECT_TRUE(IsWindowEnabled(graphform->Handle()));
    ASSERT_TRUE(RunRead());
    Pump();
    EXPECT_TRUE(HistoryLoaded);
    EXPECT_EQ(graphform->LastScene().Bars.size(), 58u);
}

TEST_F(GraphWindow, ARequestRefusedWhileBusyShowsNoWaitBanner) {
    CommBusy = true;
    DataKind = 2;
    Open();
    EXPECT_FALSE(graphform->Waitlab->Visible());
    EXPECT_FALSE(graphform->waitprogress->Visible());
    EXPECT_EQ(DataKind, 2);
    CommBusy = false;
}

}  // namespace

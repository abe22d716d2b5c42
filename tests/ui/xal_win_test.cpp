// The accessory programming window under Wine: the block it starts with, a kind-11 read from
// the simulated regulator with a good and a bad checksum, typing into the grid, and the frames
// the write puts on the wire.
#include <gtest/gtest.h>

#include "FakeComPort.h"
#include "RegulatorSim.h"
#include "link/qvLink.h"
#include "link/qvUtility.h"
#include "link/uVar.h"
#include "ui/graphxalLink.h"
#include "ui/xalprog.h"

using namespace talvik;
using talvik::test::FakeComPort;

namespace {

class XalListener : public TGraphXalListener {
public:
    std::vector<std::string> Statuses;
    void ShowStatus(const std::string& Text) override { Statuses.push_back(Text); }
    std::int32_t BaudIndex() override { return 2; }
};

class XalWindow : public ::testing::Test {
protected:
    FakeComPort Port;
    sim::RegulatorSim Sim;
    XalListener Listener;
    std::unique_ptr<TLink> Link;
    TForm* Main = nullptr;
    std::vector<std::string> errors;

    void SetUp() override {
        LanguageNumber = 0;
        ResetLinkState();
        XalNewer = true;
        DirectMode = true;
        DirectPortNumber = 93;
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
        Application.CreateForm(xalform);
        BindDataFormsToLink(*Link);
        BindGraphXalToLink(*Link);
    }
    void TearDown() override {
        DataFormsHost = {};
        GraphXalHost = {};
        if (xalform) xalform->Free();
        xalform = nullptr;
        Main->Free();
        Application.OnException = nullptr;
        EXPECT_TRUE(errors.empty()) << errors.front();
    }
    void Block(const std::array<int, 21>& b) {
        for (int i = 0; i < 21; ++i) Sim.Memory()[static_cast<std::size_t>(256 + i)] = static_cast<std::uint8_t>(b[static_cast<std::size_t>(i)]);
    }
    std::vector<std::string> Column() const {
        std::vector<std::string> v;
        for (int r = 1; r <= 9; ++r) v.push_back(xalform->SGrid->Cell(1, r));
        return v;
    }
    void Pump() {
        for (int i = 0; i < 20; ++i) Application.ProcessMessages();
    }
};

TEST_F(XalWindow, StartsWithTheDefaultBlock) {
    EXPECT_EQ(xalform->Caption(), "XAL Programmer");
    EXPECT_EQ(xalform->Readxalbut->Caption(), "Read XAL Settings");
    EXPECT_EQ(xalform->SGrid->Cell(0, 3), "Urgent Low Voltage Alarm On below");
    EXPECT_EQ(xalform->SGrid->Cell(2, 9), "hours");
    EXPECT_EQ(Column(), (std::vector<std::string>{"12", "2400", "11.2", "11.6", "11.5", "12.5", "11.7", "15.4", "0"}));
    EXPECT_EQ(xalform->Checklab->Caption(), "Check OK");
    EXPECT_EQ(xaldata[15], 227);
    // Activation puts the current cell on the system voltage's value; the mouse moves it.
    xalform->Show();
    xalform->FormActivate(xalform);
    EXPECT_EQ(xalform->SGrid->Col(), 1);
    EXPECT_EQ(xalform->SGrid->Row(), 1);
    const RECT r = xalform->SGrid->CellRect(0, 5);
    SendMessageW(xalform->SGrid->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(r.left + 5, r.top + 5));
    EXPECT_EQ(xalform->SGrid->Row(), 5);
    EXPECT_EQ(xalform->SGrid->Col(), 1);
}

TEST_F(XalWindow, ReadsTheBlockAndShowsItsChecksumState) {
    // A 24 V accessory at 1200 baud, copies voting 24 V; checksum right.
    std::array<int, 21> b = {1, 2, 3, 4, 5, 6, 7, 8, 112, 116, 115, 125, 117, 154, 9, 0, 17, 17, 16, 17, 0x33};
    int sum = 0;
    for (int i = 0; i <= 14; ++i) sum += b[static_cast<std::size_t>(i)];
    b[15] = sum & 255;
    Block(b);
    xalform->Show();
    SendMessageW(xalform->Readxalbut->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(xalform->Checklab->Caption(), "Read");
    EXPECT_EQ(DataKind, 11);
    ASSERT_TRUE(Port.RunUntil([] { return !CommBusy && !RequestTriggerAdded; }, 40000));
    Pump();
    EXPECT_EQ(Column(), (std::vector<std::string>{"24", "1200", "22.4", "23.2", "23.0", "25.0", "23.4", "30.8", "9"}));
    EXPECT_EQ(xalform->Checklab->Caption(), "Check OK");

    b[15] ^= 1;
    Block(b);
    SendMessageW(xalform->Readxalbut->Handle(), BM_CLICK, 0, 0);
    ASSERT_TRUE(Port.RunUntil([] { return !CommBusy && !RequestTriggerAdded; }, 40000));
    EXPECT_EQ(xalform->Checklab->Caption(), "Check Bad");
    EXPECT_EQ(xalform->SGrid->Cell(1, 3), "22.4");   // still shown

    // A silent accessory: the read fails and says so.
    Sim.GetFaults().silence = sim::Always;
    SendMessageW(xalform->Readxalbut->Handle(), BM_CLICK, 0, 0);
    ASSERT_TRUE(Port.RunUntil([] { return !CommBusy && !RequestTriggerAdded; }, 40000));
    EXPECT_EQ(xalform->Checklab->Caption(), "Read Error");
}

TEST_F(XalWindow, TypedValuesAreWrittenAsBytesTwentyDownToEight) {
    xalform->Show();
    TDataGrid* g = xalform->SGrid;
    auto type = [g](int row, const std::string& text) {
        ASSERT_TRUE(g->SelectCell(1, row));
        g->ShowEditor();
        ASSERT_TRUE(g->EditorMode());
        g->SetEditorText(text);
        SendMessageW(g->EditorHandle(), WM_KEYDOWN, VK_RETURN, 0);
        ASSERT_FALSE(g->EditorMode());
    };
    type(1, "20");
    EXPECT_EQ(g->Cell(1, 1), "24");
    type(3, "22.6");
    EXPECT_EQ(g->Cell(1, 3), "22.6");
    type(9, "300");
    EXPECT_EQ(g->Cell(1, 9), "255");
    EXPECT_FALSE(g->SelectCell(0, 4));   // captions are not for editing

    SendMessageW(xalform->Writexalbut->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(xalform->Checklab->Caption(), "Send");
    EXPECT_EQ(Listener.Statuses.back(), "Sending Data");
    // Reading while the block goes out is refused and the state stays.
    SendMessageW(xalform->Readxalbut->Handle(), BM_CLICK, 0, 0);
    EXPECT_FALSE(CommBusy);
    EXPECT_EQ(xalform->Checklab->Caption(), "Send");
    ASSERT_TRUE(Port.RunUntil([] { return !WriteBusy && !XalTriggerAdded; }, 40000));
    EXPECT_EQ(xalform->Checklab->Caption(), "Checksum");
    // 24 V: 22.6 -> 113; the other thresholds keep their tenths at half the byte.
    std::vector<std::pair<int, int>> heard;
    for (const auto& e : Sim.Log()) {
        EXPECT_EQ(e.command, 0xCA);
        heard.emplace_back(e.imageAddress - 256, e.data);
    }
    ASSERT_EQ(heard.size(), 13u);
    for (int i = 0; i < 13; ++i) EXPECT_EQ(heard[static_cast<std::size_t>(i)].first, 20 - i);
    EXPECT_EQ(heard[0].second, 1 + 16 * 2);   // configuration: 24 V, 2400 baud
    EXPECT_EQ(heard[6].second, 255);          // delay
    EXPECT_EQ(heard[12].second, 113);         // byte 8
    EXPECT_EQ(heard[11].second, 58);          // 11.6 V typed at 12 V stays 11.6 -> 116 / 2
    int sum = 0;
    for (int i = 0; i <= 14; ++i) sum += xaldata[static_cast<std::size_t>(i)];
    EXPECT_EQ(heard[5].second, sum & 255);    // the checksum goes out as byte 15
}

}  // namespace

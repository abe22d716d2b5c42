// The current-data and settings windows under Wine, driven through their controls against the
// simulated regulator: what they show after a read, what typing does, and what reaches the
// regulator's memory when a change is sent or the whole list is programmed.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "FormsRig.h"
#include "GridTyping.h"
#include "base/rtl.h"
#include "toolkit/dialogs.h"
#include "ui/currentText.h"
#include "ui/SettingsFormat.h"

using namespace talvik;
using namespace talvik::test;

namespace {

// Pixels of a 32-bit picture, and how many in a rectangle are dark enough to be text.
struct Picture {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = nullptr;
    std::uint32_t* bits = nullptr;
    int width, height;
    Picture(int w, int h) : width(w), height(h) {
        BITMAPINFO bi{};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* p = nullptr;
        bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &p, nullptr, 0);
        bits = static_cast<std::uint32_t*>(p);
        SelectObject(dc, bitmap);
    }
    ~Picture() {
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    std::uint32_t At(int x, int y) const {
        GdiFlush();
        return bits[static_cast<size_t>(y * width + x)] & 0xFFFFFF;
    }
    int Dark(const RECT& r) const {
        GdiFlush();
        int n = 0;
        for (int y = std::max(0L, r.top); y < std::min<long>(height, r.bottom); ++y)
            for (int x = std::max(0L, r.left); x < std::min<long>(width, r.right); ++x) {
                const std::uint32_t px = bits[static_cast<size_t>(y * width + x)];
                n += ((px >> 16) & 255) + ((px >> 8) & 255) + (px & 255) < 3 * 96 ? 1 : 0;
            }
        return n;
    }
};

// The dark pixels of Text drawn alone, uncut, in Font on a Background (0xRRGGBB, as a picture's
// pixel: a smoothed glyph's edge depends on what it is drawn on).
int InkOf(HFONT font, const std::wstring& text, std::uint32_t background) {
    Picture p(600, 60);
    RECT all{0, 0, p.width, p.height};
    HBRUSH b = CreateSolidBrush(RGB((background >> 16) & 255, (background >> 8) & 255, background & 255));
    FillRect(p.dc, &all, b);
    DeleteObject(b);
    SelectObject(p.dc, font);
    SetBkMode(p.dc, TRANSPARENT);
    SetTextColor(p.dc, RGB(0, 0, 0));
    TextOutW(p.dc, 20, 10, text.c_str(), static_cast<int>(text.size()));
    return p.Dark(all);
}

class FormsTest : public ::testing::Test {
protected:
    std::unique_ptr<FormsRig> rig;
    std::vector<std::string> errors;
    std::vector<std::string> boxes;
    MessageDlgHook oldHook;

    void SetUp() override {
        LanguageNumber = 0;
        rig = std::make_unique<FormsRig>();
        Application.OnException = [this](const std::exception& e) { errors.push_back(e.what()); };
        oldHook = SetMessageDlgHook([this](const std::string& text, TMsgDlgType, unsigned) {
            boxes.push_back(text);
            return TModalResult::mrOk;
        });
    }
    void TearDown() override {
        SetMessageDlgHook(oldHook);
        rig.reset();
        Application.OnException = nullptr;
        EXPECT_TRUE(errors.empty()) << errors.front();
    }

    static void Press(TControl* c) { SendMessageW(c->Handle(), BM_CLICK, 0, 0); }
    // The image of a 12 V Tova in the simulator's memory (both current-data pages).
    void TovaMemory() {
        auto& s = *rig;
        const std::vector<std::pair<int, int>> bytes = {
            {0, 5},    {93, 0},   {32, 0},   {221, 118}, {182, 140}, {183, 120}, {207, 5},  {205, 12}, {206, 99},
            {213, 35}, {217, 20}, {188, 44}, {189, 1},   {193, 10},  {194, 0},   {198, 5},  {199, 0},  {203, 0},
            {204, 1},  {101, 6},  {181, 87}, {52, 25},   {48, 123},  {184, 95},  {115, 17}, {63, 3},   {95, 12},
            {96, 7},   {21, 128}, {53, 40},  {37, 133},  {98, 0},    {50, 136}};
        for (auto [a, v] : bytes) s.Set(a, v);
    }
    // Frames the regulator heard, as (command, image address, data).
    std::vector<std::tuple<int, int, int>> Heard() const {
        std::vector<std::tuple<int, int, int>> v;
        for (const auto& e : rig->Sim.Log()) v.emplace_back(e.command, e.imageAddress, e.data);
        return v;
    }
    int CountCommand(int command) const {
        int n = 0;
        for (const auto& e : rig->Sim.Log()) n += e.command == command ? 1 : 0;
        return n;
    }
    // Shows the settings window, which reads group 1 when it is activated.
    void ShowSettings() {
        setform->Show();
        SetActiveWindow(setform->Handle());
        setform->FormActivate(setform);
        ASSERT_TRUE(rig->RunRead());
    }
};

TEST_F(FormsTest, CurrentDataWindowShowsTheTwoPagesReadFromTheRegulator) {
    TovaMemory();
    TCurrentform* f = Currentform;
    f->Show();
    EXPECT_EQ(f->Caption(), "Current State");
    EXPECT_EQ(f->Curstring->Cell(0, 0), "CURRENT STATE DATA");
    // A click on the top panel asks for the first page; the wait banner shows while it runs.
    MouseDown(f->Panel1, 5, 5);
    EXPECT_TRUE(CommBusy);
    EXPECT_EQ(DataKind, 2);
    EXPECT_TRUE(f->Waitlab->Visible());
    EXPECT_TRUE(f->curprogress->Visible());
    EXPECT_EQ(f->ProgressMax(), 22);
    rig->Port.RunUntil([] { return ReadNum <= 12; }, 5000);
    EXPECT_EQ(f->curprogress->Position(), 10);
    ASSERT_TRUE(rig->RunRead());
    EXPECT_FALSE(f->Waitlab->Visible());
    EXPECT_FALSE(f->Waitlab1->Visible());
    EXPECT_FALSE(f->curprogress->Visible());
    EXPECT_EQ(f->Typelab->Caption(), "Tova v5");
    EXPECT_EQ(f->nomvlab->Caption(), "12V");
    EXPECT_EQ(f->batvlab->Caption(), "13.4V");
    EXPECT_EQ(f->maxminlab->Caption(), "12.0<V<14.0");
    EXPECT_EQ(f->Chargelab->Caption(), "Current In 15.5 A");
    EXPECT_EQ(f->Chargelab2->Caption(), "Int 3.5  Ext 12.0");
    EXPECT_EQ(f->Loadlab->Caption(), "Current Out 2.0 A");
    EXPECT_EQ(f->Camphrlab->Caption(), "Charge 310 Ah");
    EXPECT_EQ(f->lamphrlab2->Caption(), "Int 5   Ext 256");
    EXPECT_EQ(f->Statelab->Caption(), "ABSORBTION");
    EXPECT_EQ(f->soclab->Caption(), "SOC  87%");
    EXPECT_EQ(f->templab->Caption(), "25 oC");
    EXPECT_EQ(CurrentSummaryText[0], "Current In \t15.5A\tInt 3.5\tExt 12.0");
    EXPECT_TRUE(CurrentLoaded);
    EXPECT_FALSE(CurrentStringLoaded);

    // A click on the list reads the second page.
    MouseDown(f->Curstring, 20, 40);
    EXPECT_EQ(DataKind, 3);
    EXPECT_EQ(f->ProgressMax(), 11);
    ASSERT_TRUE(rig->RunRead());
    EXPECT_TRUE(CurrentStringLoaded);
    EXPECT_EQ(f->Curstring->Cell(1, 1), "12.3 Hours");
    EXPECT_EQ(f->Curstring->Cell(1, 3), "Disconnected");
    EXPECT_EQ(f->Curstring->Cell(1, 9), "50 %");
    EXPECT_EQ(f->Curstring->Cell(1, 10), "20.0 V");
    EXPECT_EQ(f->Curstring->Cell(1, 11), "Night");
    EXPECT_EQ(f->Curstring->Cell(1, 14), "On");
    EXPECT_EQ(f->Curstring->Cell(0, 18), "Compensated Voltage");
    EXPECT_EQ(f->Curstring->Cell(1, 18), "13.6V");
    EXPECT_EQ(rig->Listener.Beeps, 0);
}

TEST_F(FormsTest, CurrentDataForOtherModelsAndSystemVoltagesAt9600Baud) {
    rig->Listener.Baud = 3;  // at 9600 baud one click reads both pages
    struct Case {
        int type, volt, div, batv;
        const char* typelab;
        const char* nomv;
        const char* batvText;
        const char* solv;
    };
    const Case cases[] = {
        {130, 1, 16, 120, "Ruka v2", "24V", "27.0V", "20.0 V"},
        {200, 4, 0, 118, "Nesk v8", "48V", "13.4V", "20.0 V"},
        {226, 1, 0, 50, "Vilk v2", "120V", "100V", "40 V"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typelab);
        TovaMemory();
        rig->Set(0, c.type);
        rig->Set(93, c.volt);
        rig->Set(32, c.div);
        rig->Set(221, c.batv);
        CurrentLoaded = CurrentStringLoaded = false;
        Currentform->Show();
        MouseDown(Currentform->Typelab, 2, 2);
        ASSERT_TRUE(rig->RunRead());
        EXPECT_TRUE(CurrentLoaded);
        EXPECT_TRUE(CurrentStringLoaded);
        EXPECT_EQ(Currentform->Typelab->Caption(), c.typelab);
        EXPECT_EQ(Currentform->nomvlab->Caption(), c.nomv);
        EXPECT_EQ(Currentform->batvlab->Caption(), c.batvText);
        EXPECT_EQ(Currentform->Curstring->Cell(1, 10), c.solv);
        EXPECT_FALSE(Currentform->Waitlab->Visible());
    }
}

TEST_F(FormsTest, ClicksWhileARequestRunsSendNothing) {
    Currentform->Show();
    CommBusy = true;
    MouseDown(Currentform->Curstring, 20, 40);
    MouseDown(Currentform->Panel1, 5, 5);
    EXPECT_TRUE(rig->Port.SentLog.empty());
    EXPECT_FALSE(Currentform->Waitlab->Visible());
    // A refused request (start-up not over) leaves no wait banner behind.
    CommBusy = false;
    StartupPending = true;
    MouseDown(Currentform->Panel1, 5, 5);
    EXPECT_TRUE(rig->Port.SentLog.empty());
    EXPECT_FALSE(Currentform->Waitlab->Visible());
}

TEST_F(FormsTest, EachSettingsGroupAndTheCalibrationReadAndShowTheirValues) {
    rig->Set(0, 5);
    rig->Set(93, 0);
    rig->Set(48, 123);    // QV time 12.3
    rig->Set(69, 115);    // LOFF 11.5 V
    rig->Set(87, 145);    // BMAX 14.5 V
    rig->Set(94, 60);     // BCAP 2000 Ah
    rig->Set(90, 0x00);   // start/stop modes 0
    rig->Set(79, 50);     // start value 25.0
    rig->Set(188, 44);
    rig->Set(189, 1);     // CINT 300
    rig->Set(92, 0);
    rig->Set(67, 21);     // GEXD 21
    rig->Set(33, 0x01);
    rig->Set(34, 0xD5);   // gain 5, offset 13
    rig->Set(215, 40);    // gain row 3: 8
    ShowSettings();
    Tsetform* s = setform;
    EXPECT_EQ(s->Caption(), "Control Settings");
    EXPECT_TRUE(KindLoaded[4]);
    EXPECT_EQ(s->sgrid2->RowCount(), 11);
    EXPECT_EQ(s->sgrid2->Cell(0, 1), "QV Time");
    EXPECT_EQ(s->sgrid2->Cell(1, 1), "12.3");
    EXPECT_EQ(s->sgrid2->Cell(2, 1), "Hours");
    EXPECT_EQ(s->sgrid2->Cell(1, 6), "11.5");
    EXPECT_EQ(s->GridColumnColour[0], GetSysColor(COLOR_BTNFACE));
    EXPECT_FALSE(s->conbutton1->Italic());
    EXPECT_TRUE(s->conbutton1->Font().Bold);
    EXPECT_TRUE(s->Conbutton2->Italic());

    const std::vector<std::tuple<TViewButton*, int, int, std::string>> groups = {
        {s->Conbutton2, 5, 1, "14.5"}, {s->Conbutton3, 6, 6, "2000"}, {s->Conbutton4, 7, 2, "25.0"},
        {s->Conbutton4, 7, 8, "300"},  {s->Conbutton5, 8, 6, "21"}};
    for (const auto& [button, kind, row, text] : groups) {
        SCOPED_TRACE(kind);
        Press(button);
        if (!KindLoaded[kind]) {
            // Not read yet: the caption column is red while the read runs.
            EXPECT_EQ(s->GridColumnColour[0], RGB(255, 0, 0));
            EXPECT_TRUE(s->Hourglass());
            ASSERT_TRUE(rig->RunRead());
        }
        EXPECT_TRUE(KindLoaded[kind]);
        EXPECT_EQ(s->SettingsKind, kind);
        EXPECT_EQ(s->GridColumnColour[0], GetSysColor(COLOR_BTNFACE));
        EXPECT_FALSE(s->Hourglass());
        EXPECT_EQ(s->sgrid2->Cell(1, row), text);
    }
    EXPECT_EQ(s->sgrid2->Cell(0, 3), "Gen on below Battery Voltage");

    Press(s->Calbutton);
    ASSERT_TRUE(rig->RunRead());
    EXPECT_TRUE(CalibrationLoaded);
    EXPECT_EQ(s->Caption(), "Calibration");
    EXPECT_EQ(s->sgrid2->RowCount(), 10);
    EXPECT_EQ(s->sgrid2->Cell(1, 0), "G");
    EXPECT_EQ(s->sgrid2->Cell(0, 1), "12V Voltage Range");
    EXPECT_EQ(s->sgrid2->Cell(1, 1), " 5");
    EXPECT_EQ(s->sgrid2->Cell(2, 1), " 13");
    EXPECT_EQ(s->sgrid2->Cell(1, 4), " 8");
    EXPECT_FALSE(s->Calbutton->Italic());
}

// Each caption, value and unit the grid shows fits its column with the margin every column keeps,
// in every group, the calibration and every language, measured in the grid's own font; and the
// window shows every pixel of each text inside its cell. A caption or a value is drawn against
// the column's right edge and would touch the border or lose its first glyph (the German "BAT2
// Regelspannung der 2. Batterie", the lockout row's 已锁定 in the Chinese font), a unit from the
// left edge and would lose its last ("Stunder" for the German "Stunden"); a glyph whose ink
// reaches past the text's measured end loses that pixel when the text is cut short of its cell
// (the last "g" of "PWM Einsatz der PWM-Regelung"). The grid fills the window, which grows when
// the captions need it and is as built with the English ones.
TEST_F(FormsTest, EveryCaptionValueAndUnitShowsWholeInEveryGroupAndLanguage) {
    rig->Set(SettingAddress[3], 0);  // the settings are locked
    ShowSettings();
    TDataGrid* g = setform->sgrid2;
    RECT built{};
    GetClientRect(setform->Handle(), &built);
    const char* locked[] = {"Locked", "Verrouillé", "已锁定", "Gesperrt"};
    const std::array<TViewButton*, 6> views = {setform->conbutton1, setform->Conbutton2, setform->Conbutton3,
                                               setform->Conbutton4, setform->Conbutton5, setform->Calbutton};
    // Every column keeps the same margin beside its widest text: the few pixels a text is drawn
    // in from one edge of its cell (captions 4 from the right, values 2 from the right, units
    // and calibration names 2 from the left, gains and offsets centred) and room at the other.
    constexpr int kMargin = 8;
    int captionsSeen = 0, unitsSeen = 0;
    for (int view = 0; view < 6; ++view) {
        SCOPED_TRACE(view == 5 ? std::string("calibration") : "group " + std::to_string(view + 1));
        const bool calibration = view == 5;
        LanguageNumber = 0;
        setform->LanguageChanged();
        Press(views[static_cast<size_t>(view)]);
        if (calibration ? !CalibrationLoaded : !KindLoaded[view + 4]) {
            ASSERT_TRUE(rig->RunRead());
        }
        for (int L = 0; L < 4; ++L) {
            SCOPED_TRACE("language " + std::to_string(L));
            LanguageNumber = L;
            setform->LanguageChanged();
            if (view == 0) {
                EXPECT_EQ(g->Cell(1, 4), locked[L]);
                if (L == LangGerman) {
                    EXPECT_EQ(g->Cell(2, 1), "Stunden");
                }
            }
            HDC dc = GetDC(g->Handle());
            const HGDIOBJ old = SelectObject(dc, g->Font().Handle());
            for (int r = 1; r < g->RowCount(); ++r) {
                for (int c = 0; c <= 2; ++c) {
                    const std::wstring t = Widen(g->Cell(c, r));
                    if (t.empty()) continue;
                    captionsSeen += c == 0 ? 1 : 0;
                    unitsSeen += c == 2 && !calibration ? 1 : 0;
                    SIZE size{0, 0};
                    GetTextExtentPoint32W(dc, t.c_str(), static_cast<int>(t.size()), &size);
                    const RECT cell = g->CellRect(c, r);
                    EXPECT_LE(size.cx + kMargin, cell.right - cell.left)
                        << "column " << c << " (" << cell.right - cell.left << " pixels): " << g->Cell(c, r)
                        << " is " << size.cx << " pixels wide";
                }
            }
            SelectObject(dc, old);
            ReleaseDC(g->Handle(), dc);
            // And as the window shows it: each text's every pixel is in its cell.
            g->Invalidate();
            UpdateWindow(g->Handle());
            RECT shown{};
            GetClientRect(g->Handle(), &shown);
            Picture screen(shown.right, shown.bottom);
            HDC gdc = GetDC(g->Handle());
            BitBlt(screen.dc, 0, 0, shown.right, shown.bottom, gdc, 0, 0, SRCCOPY);
            ReleaseDC(g->Handle(), gdc);
            for (int r = 1; r < g->RowCount(); ++r) {
                for (int c = 0; c <= 2; ++c) {
                    const std::wstring t = Widen(g->Cell(c, r));
                    if (t.empty() || (c == g->Col() && r == g->Row())) continue;
                    const RECT cell = g->CellRect(c, r);
                    const std::uint32_t background = screen.At(cell.left, cell.bottom - 1);
                    EXPECT_EQ(screen.Dark(cell), InkOf(g->Font().Handle(), t, background))
                        << "column " << c << " shows " << g->Cell(c, r) << " cut";
                }
            }
            // The grid fills the window and its columns fit the grid.
            RECT client{}, grid{};
            GetClientRect(setform->Handle(), &client);
            GetClientRect(g->Handle(), &grid);
            if (L == 0) {
                EXPECT_EQ(client.right, built.right);
            } else {
                EXPECT_GE(client.right, built.right);
            }
            EXPECT_EQ(g->Width(), client.right);
            EXPECT_LE(g->CellRect(2, 1).right, grid.right);
        }
    }
    EXPECT_GT(captionsSeen, 150);
    EXPECT_GT(unitsSeen, 80);
    LanguageNumber = 0;
}

TEST_F(FormsTest, TypedValuesAreLimitedAndBadTextIsRefusedWithTheOldValueKept) {
    rig->Set(0, 5);
    rig->Set(93, 0);
    rig->Set(69, 115);
    rig->Set(71, 9);
    ShowSettings();
    TDataGrid* g = setform->sgrid2;
    TypeIntoCell(g, 1, 6, "99.9");  // LOFF above its maximum of 12.5 V
    EXPECT_EQ(RegImage[69], 125);
    EXPECT_EQ(g->Cell(1, 6), "12.5");
    EXPECT_TRUE(ChangedFlags[69]);
    EXPECT_TRUE(setform->sendbutton->Enabled());
    TypeIntoCell(g, 1, 6, "2");     // below its minimum of 10.0 V
    EXPECT_EQ(RegImage[69], 100);
    // A large number is limited, never an overflow.
    TypeIntoCell(g, 1, 6, "214748364");
    EXPECT_EQ(RegImage[69], 125);
    EXPECT_TRUE(boxes.empty());

    const auto before = RegImage;
    const std::vector<std::pair<std::string, std::string>> bad = {
        {"abc", "Not a number - value not changed"},
        {"99999999999", "Number too large - value not changed"},
        {"-5", "Negative values are not allowed - value not changed"},
        {"", "Please enter a value - value not changed"}};
    for (const auto& [text, message] : bad) {
        SCOPED_TRACE(text);
        boxes.clear();
        TypeIntoCell(g, 1, 8, text);  // LDEL
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0], message);
        EXPECT_EQ(g->Cell(1, 8), "9");
    }
    EXPECT_EQ(RegImage, before);
    EXPECT_TRUE(errors.empty());
}

TEST_F(FormsTest, SendingOneChangeWritesThatByteBehindTheUnlockWithVerify) {
    rig->Set(0, 5);
    rig->Set(93, 0);
    rig->Set(69, 115);
    rig->Set(256 + 19, 115);
    ShowSettings();
    const auto memoryBefore = rig->Sim.Memory();
    rig->Sim.ClearLog();
    TDataGrid* g = setform->sgrid2;
    TypeIntoCell(g, 1, 6, "11.0");
    EXPECT_EQ(RegImage[69], 110);
    ASSERT_TRUE(setform->sendbutton->Enabled());
    Press(setform->sendbutton);
    EXPECT_TRUE(setform->sendbutton->Down());
    ASSERT_TRUE(rig->RunWrite());
    EXPECT_EQ(rig->Sim.Memory()[256 + 19], 110);
    EXPECT_EQ(rig->Sim.Memory()[69], 110);
    // Nothing else changed but the unlock cell.
    for (int a = 0; a < 512; ++a) {
        if (a == 256 + 19 || a == 69 || a == sim::UnlockRamAddress) continue;
        EXPECT_EQ(rig->Sim.Memory()[static_cast<std::size_t>(a)], memoryBefore[static_cast<std::size_t>(a)]) << a;
    }
    const std::vector<std::tuple<int, int, int>> frames = {
        {sim::cmd::RamWrite, sim::UnlockRamAddress, sim::UnlockData},
        {sim::cmd::EepromWrite, 256 + 19, 110},
        {sim::cmd::EepromRead, 256 + 19, 0},
        {sim::cmd::EepromRead, 256 + 19, 0},
        {sim::cmd::RamWrite, 69, 110}};
    EXPECT_EQ(Heard(), frames);
    EXPECT_EQ(g->Cell(0, g->RowCount() - 1), "Data Received");
    EXPECT_EQ(rig->Listener.Statuses.back(), "Data Received");
    EXPECT_FALSE(setform->sendbutton->Down());
    EXPECT_FALSE(setform->sendbutton->Enabled());
    EXPECT_FALSE(ChangedFlags[69]);
}

TEST_F(FormsTest, SwitchRowsGoOutAsRamWritesOnly) {
    rig->Set(115, 0x10);
    rig->Set(101, 0x02);
    ShowSettings();
    rig->Sim.ClearLog();
    TDataGrid* g = setform->sgrid2;
    // Opening the editor on "LSET load switch toggle" toggles it at once.
    ClickCell(g, 1, 5);
    SendMessageW(g->Handle(), WM_KEYDOWN, VK_F2, 0);
    EXPECT_EQ(RegImage[115], 0x11);
    EXPECT_EQ(g->EditorText(), "On");
    SendMessageW(g->EditorHandle(), WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(g->Cell(1, 5), "On");
    Press(setform->sendbutton);
    ASSERT_TRUE(rig->RunWrite());
    EXPECT_EQ(rig->Sim.Memory()[115], 0x11);
    EXPECT_EQ(Heard(), (std::vector<std::tuple<int, int, int>>{{sim::cmd::RamWrite, 115, 0x11}}));

    // The regulator state steps to FLOT and goes out the same way.
    rig->Sim.ClearLog();
    ClickCell(g, 1, 9);
    SendMessageW(g->Handle(), WM_KEYDOWN, VK_F2, 0);
    SendMessageW(g->EditorHandle(), WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(g->Cell(1, 9), "FLOT");
    Press(setform->sendbutton);
    ASSERT_TRUE(rig->RunWrite());
    EXPECT_EQ(rig->Sim.Memory()[101], 0x03);
    EXPECT_EQ(CountCommand(sim::cmd::EepromWrite), 0);
    EXPECT_EQ(Heard().size(), 1u);

    // "RSET Force QV Processor Reset": the reset command, then the regulator's step 0x57.
    Press(setform->Conbutton3);
    ASSERT_TRUE(rig->RunRead());
    rig->Sim.ClearLog();
    ClickCell(g, 1, 8);
    SendMessageW(g->Handle(), WM_KEYDOWN, VK_F2, 0);
    SendMessageW(g->EditorHandle(), WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(setform->sendbutton->Enabled());
    Press(setform->sendbutton);
    ASSERT_TRUE(rig->RunWrite());
    ASSERT_EQ(Heard().size(), 2u);
    EXPECT_EQ(Heard()[0], std::make_tuple(int{sim::cmd::RamWrite}, 102, 76));
    EXPECT_EQ(std::get<0>(Heard()[1]), sim::cmd::Step57);
    EXPECT_EQ(CountCommand(sim::cmd::EepromWrite), 0);
}

TEST_F(FormsTest, ProgrammingAllLeavesTheRegulatorHoldingTheImage) {
    rig->Set(0, 5);
    ShowSettings();
    // Group 1 alone is not the setting list: refused with a message, nothing on the wire.
    rig->Sim.ClearLog();
    Press(setform->qvbutton);
    ASSERT_TRUE(setform->qvprogpanel->Visible());
    Press(setform->progbutton);
    rig->Port.Advance(50);
    EXPECT_TRUE(rig->Sim.Log().empty());
    EXPECT_FALSE(setform->qvprogpanel->Visible());
    EXPECT_FALSE(setform->qvbutton->Down());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], At(At(SettingsUIText, kProgramAllRefusedText), 0));
    boxes.clear();
    for (TViewButton* b : {setform->Conbutton2, setform->Conbutton3, setform->Conbutton4, setform->Conbutton5}) {
        Press(b);
        ASSERT_TRUE(rig->RunRead());
    }
    for (int a = 64; a <= 94; ++a) RegImage[static_cast<std::size_t>(a)] = static_cast<std::uint8_t>(a * 3 + 1);
    Press(setform->qvbutton);
    EXPECT_TRUE(setform->qvprogpanel->Visible());
    Press(setform->progbutton);
    EXPECT_FALSE(setform->qvprogpanel->Visible());
    EXPECT_TRUE(setform->qvbutton->Down());
    ASSERT_TRUE(rig->RunWrite(60000));
    for (int a = 64; a <= 94; ++a) {
        EXPECT_EQ(rig->Sim.Memory()[static_cast<std::size_t>(a)], RegImage[static_cast<std::size_t>(a)]) << a;
        EXPECT_EQ(rig->Sim.Memory()[static_cast<std::size_t>(a - 50 + 256)], RegImage[static_cast<std::size_t>(a)])
            << a;
    }
    EXPECT_FALSE(setform->qvbutton->Down());
    EXPECT_EQ(setform->sgrid2->Cell(0, setform->sgrid2->RowCount() - 1), "Data Received");
}

TEST_F(FormsTest, ProgrammingAllIsRefusedInCalibrationView) {
    ShowSettings();
    Press(setform->Calbutton);
    ASSERT_TRUE(rig->RunRead());
    // Activation in calibration view must not open the way to the setting list.
    setform->FormActivate(setform);
    rig->Sim.ClearLog();
    rig->Port.SentLog.clear();
    Press(setform->qvbutton);
    EXPECT_FALSE(setform->qvprogpanel->Visible());
    setform->progbuttonClick();
    rig->Port.Advance(50);
    EXPECT_TRUE(rig->Port.SentLog.empty());
    EXPECT_FALSE(SendAll);

    // Nor does a panel opened in settings view survive the switch to the calibration.
    Press(setform->Conbutton2);
    rig->RunRead();
    Press(setform->qvbutton);
    ASSERT_TRUE(setform->qvprogpanel->Visible());
    Press(setform->Calbutton);
    EXPECT_FALSE(setform->qvprogpanel->Visible());
    rig->Port.SentLog.clear();
    setform->progbuttonClick();
    EXPECT_TRUE(rig->Port.SentLog.empty());
}

TEST_F(FormsTest, CalibrationGainIsClampedAndSentToItsEepromCell) {
    rig->Set(215, 32);
    ShowSettings();
    Press(setform->Calbutton);
    ASSERT_TRUE(rig->RunRead());
    TDataGrid* g = setform->sgrid2;
    TypeIntoCell(g, 1, 4, "40");
    EXPECT_EQ(g->Cell(1, 4), " 31");
    EXPECT_EQ(RegImage[215], 63);
    boxes.clear();
    TypeIntoCell(g, 2, 4, "-200");  // offset out of range: the old value comes back
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(g->Cell(2, 4), FormatCalibrationValue(3, 2));
    EXPECT_FALSE(setform->sendbutton->Enabled());
    TypeIntoCell(g, 1, 4, "40");  // the gain again, to send it
    rig->Sim.ClearLog();
    Press(setform->sendbutton);
    ASSERT_TRUE(rig->RunWrite());
    EXPECT_EQ(rig->Sim.Memory()[256 + 5], 63);
    EXPECT_EQ(rig->Sim.Memory()[215], 63);
    EXPECT_EQ(g->Cell(0, g->RowCount() - 1), "Data Received");
}

TEST_F(FormsTest, SendWritesTheSelectedCellNotTheOneEditedLast) {
    rig->Set(0, 5);
    rig->Set(93, 0);
    rig->Set(69, 115);
    rig->Set(70, 120);
    ShowSettings();
    const auto memoryBefore = rig->Sim.Memory();
    TDataGrid* g = setform->sgrid2;
    TypeIntoCell(g, 1, 6, "11.0");  // A: LOFF at 69
    TypeIntoCell(g, 1, 7, "12.9");  // B: the next row, at 70
    ASSERT_EQ(RegImage[69], 110);
    const std::uint8_t b = RegImage[70];
    ASSERT_NE(b, 120);
    ClickCell(g, 1, 6);             // select A again
    ASSERT_TRUE(setform->sendbutton->Enabled());
    rig->Sim.ClearLog();
    Press(setform->sendbutton);
    ASSERT_TRUE(rig->RunWrite());
    const std::vector<std::tuple<int, int, int>> frames = {
        {sim::cmd::RamWrite, sim::UnlockRamAddress, sim::UnlockData},
        {sim::cmd::EepromWrite, 256 + 19, 110},
        {sim::cmd::EepromRead, 256 + 19, 0},
        {sim::cmd::EepromRead, 256 + 19, 0},
        {sim::cmd::RamWrite, 69, 110}};
    EXPECT_EQ(Heard(), frames);
    EXPECT_EQ(rig->Sim.Memory()[256 + 20], memoryBefore[256 + 20]);
    EXPECT_EQ(rig->Sim.Memory()[70], 120);
    EXPECT_FALSE(ChangedFlags[69]);
    EXPECT_TRUE(ChangedFlags[70]);  // B still waits, painted as changed
    EXPECT_EQ(g->Cell(0, g->RowCount() - 1), "Data Received");

    // Selecting B offers it, and Send writes B.
    ClickCell(g, 1, 7);
    ASSERT_TRUE(setform->sendbutton->Enabled());
    rig->Sim.ClearLog();
    Press(setform->sendbutton);
    ASSERT_TRUE(rig->RunWrite());
    EXPECT_EQ(rig->Sim.Memory()[256 + 20], b);
    EXPECT_EQ(rig->Sim.Memory()[70], b);
    EXPECT_EQ(CountCommand(sim::cmd::EepromWrite), 1);
}

TEST_F(FormsTest, EscapeOnASwitchRowPutsTheByteAndItsFlagBack) {
    rig->Set(115, 0x10);
    ShowSettings();
    TDataGrid* g = setform->sgrid2;
    const std::string before = g->Cell(1, 5);
    ClickCell(g, 1, 5);  // LSET
    EXPECT_FALSE(setform->sendbutton->Enabled());
    SendMessageW(g->Handle(), WM_KEYDOWN, VK_F2, 0);
    ASSERT_TRUE(g->EditorMode());
    EXPECT_EQ(RegImage[115], 0x11);
    SendMessageW(g->EditorHandle(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(g->EditorMode());
    EXPECT_EQ(RegImage[115], 0x10);
    EXPECT_FALSE(ChangedFlags[115]);
    EXPECT_EQ(g->Cell(1, 5), before);
    EXPECT_FALSE(setform->sendbutton->Enabled());

    // Toggled and committed, then toggled again and escaped: the committed change stays.
    SendMessageW(g->Handle(), WM_KEYDOWN, VK_F2, 0);
    SendMessageW(g->EditorHandle(), WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_EQ(RegImage[115], 0x11);
    SendMessageW(g->Handle(), WM_KEYDOWN, VK_F2, 0);
    SendMessageW(g->EditorHandle(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(RegImage[115], 0x11);
    EXPECT_TRUE(ChangedFlags[115]);
    EXPECT_TRUE(setform->sendbutton->Enabled());
    rig->Sim.ClearLog();
    Press(setform->sendbutton);
    ASSERT_TRUE(rig->RunWrite());
    EXPECT_EQ(Heard(), (std::vector<std::tuple<int, int, int>>{{sim::cmd::RamWrite, 115, 0x11}}));
}

TEST_F(FormsTest, ASilentRegulatorEndsInCommFailShownInTheGrid) {
    rig->Set(93, 0);
    rig->Set(69, 115);
    ShowSettings();
    TDataGrid* g = setform->sgrid2;
    TypeIntoCell(g, 1, 6, "11.0");
    rig->Sim.GetFaults().silence = sim::Always;
    Press(setform->sendbutton);
    ASSERT_TRUE(rig->RunWrite());
    EXPECT_EQ(g->Cell(0, g->RowCount() - 1), "Comm Fail");
    EXPECT_EQ(g->Color(), RGB(255, 0, 0));
    EXPECT_EQ(rig->Listener.Statuses.back(), "Comm Fail");
    EXPECT_FALSE(setform->sendbutton->Down());
    EXPECT_TRUE(ChangedFlags[69]);  // still to be sent
}

TEST_F(FormsTest, AFailedGroupReadShowsRedAndARefusedReadLeavesTheGridUsable) {
    rig->Sim.GetFaults().silence = sim::Always;
    setform->Show();
    SetActiveWindow(setform->Handle());
    setform->FormActivate(setform);
    ASSERT_TRUE(rig->RunRead());
    EXPECT_FALSE(KindLoaded[4]);
    EXPECT_EQ(setform->sgrid2->Color(), RGB(255, 0, 0));
    EXPECT_EQ(setform->GridColumnColour[0], RGB(255, 0, 0));
    EXPECT_TRUE(setform->sgrid2->Enabled());
    // A press on a caption asks again; while a current-data read runs the request is refused
    // and the grid must not stay disabled.
    CommBusy = true;
    DataKind = 2;
    ClickCell(setform->sgrid2, 0, 2);
    EXPECT_TRUE(setform->sgrid2->Enabled());
    EXPECT_FALSE(setform->Hourglass());
    CommBusy = false;
}

}  // namespace

namespace {

TEST_F(FormsTest, ATypedValueStaysWithItsRowWhenTheViewChanges) {
    rig->Set(93, 0);
    rig->Set(69, 115);
    ShowSettings();
    TDataGrid* g = setform->sgrid2;
    ClickCell(g, 1, 6);  // LOFF
    SendMessageW(g->Handle(), WM_CHAR, '1', 0);
    SendMessageW(g->EditorHandle(), WM_CHAR, '1', 0);
    ASSERT_TRUE(g->EditorMode());
    Press(setform->Conbutton2);  // another group while the editor is open
    EXPECT_EQ(RegImage[69], 110);
    EXPECT_FALSE(g->EditorMode());
    ASSERT_TRUE(rig->RunRead());
    // Row 6 of the regulation group (FLTV) was not touched.
    EXPECT_FALSE(ChangedFlags[86]);
    EXPECT_EQ(setform->SettingsKind, 5);
}

TEST_F(FormsTest, ACalibrationReadEndingInSettingsViewLeavesTheGroupShown) {
    ShowSettings();
    Press(setform->Calbutton);
    Press(setform->conbutton1);  // back to group 1 before the calibration is in
    ASSERT_TRUE(rig->RunRead());
    EXPECT_TRUE(CalibrationLoaded);
    EXPECT_TRUE(setform->settingsview);
    EXPECT_EQ(setform->sgrid2->RowCount(), 11);
    EXPECT_EQ(setform->sgrid2->Cell(0, 1), "QV Time");
    EXPECT_EQ(setform->Caption(), "Control Settings");
}

TEST_F(FormsTest, GridHintsAndClosingReleaseTheToolButtons) {
    ShowSettings();
    std::string chained;
    bool currentClosed = false, settingsClosed = false;
    DataFormsHost.CurrentClosed = [&] { currentClosed = true; };
    DataFormsHost.SettingsClosed = [&] { settingsClosed = true; };
    // The hint handler in place before activation still runs after the editor's own.
    TCloseAction action = TCloseAction::caHide;
    setform->FormClose(setform, action);
    Application.OnShowHint = [&](std::string& h, bool&, THintInfo&) { chained = h; };
    setform->FormActivate(setform);
    const RECT caption = setform->sgrid2->CellRect(0, 2), value = setform->sgrid2->CellRect(1, 2);
    std::string hint;
    bool can = true;
    THintInfo info{setform->sgrid2, POINT{caption.left + 5, caption.top + 5}};
    Application.OnShowHint(hint, can, info);
    EXPECT_EQ(hint, "Click here to re-read settings");
    EXPECT_EQ(chained, hint);
    info.CursorPos = POINT{value.left + 5, value.top + 5};
    Application.OnShowHint(hint, can, info);
    EXPECT_EQ(hint, "View and change Settings");
    setform->Close();
    EXPECT_TRUE(settingsClosed);
    Application.OnShowHint(hint, can, info);  // the editor's handler is gone again
    EXPECT_EQ(chained, hint);
    Currentform->Show();
    Currentform->Close();
    EXPECT_TRUE(currentClosed);
    EXPECT_FALSE(Currentform->Visible());
    Application.OnShowHint = nullptr;
}

}  // namespace

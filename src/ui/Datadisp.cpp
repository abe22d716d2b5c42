// The history graph window (see Datadisp.h).
#include "ui/Datadisp.h"

#include <commctrl.h>

#include "base/debugchannel.h"
#include "base/format.h"
#include "base/rtl.h"
#include "link/uVar.h"
#include "ui/graphxalLink.h"

namespace talvik {

Tgraphform* graphform = nullptr;

namespace {
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr int kClearLeft = 1, kClearTop = 39, kClearRight = 639;
constexpr int kReadCount = 215;

// Restores a device context's selections when a drawing step ends, however it ends.
class DcState {
public:
    explicit DcState(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
    ~DcState() { RestoreDC(dc_, saved_); }
    DcState(const DcState&) = delete;
    DcState& operator=(const DcState&) = delete;

private:
    HDC dc_;
    int saved_;
};
}  // namespace

Tgraphform::Tgraphform() {
    Name = "graphform";
    Drawbutton = new TButton(this);
    Drawbutton->Name = "Drawbutton";
    Comb1 = new TComboBox(this, 7);
    Comb2 = new TComboBox(this, 7);
    Comb3 = new TComboBox(this, 7);
    Comb4 = new TComboBox(this, 7);
    Comb1->Name = "Comb1";
    Comb2->Name = "Comb2";
    Comb3->Name = "Comb3";
    Comb4->Name = "Comb4";
    daylab = new TLabel(this);
    daylab->Name = "daylab";
    Waitlab = new TLabel(this);
    Waitlab->Name = "Waitlab";
    waitprogress = new TProgressBar(this, 0, kReadCount);
    waitprogress->Name = "waitprogress";
    OnCreate = [this](TForm* f) { FormCreate(f); };
    OnActivate = [this](TForm* f) { FormActivate(f); };
    OnClose = [this](TForm* f, TCloseAction& a) { FormClose(f, a); };
    OnClick = [this](TControl*) { FormClick(); };
    Drawbutton->OnClick = [this](TControl*) { DrawbuttonClick(); };
    for (TComboBox* c : {Comb1, Comb2, Comb3, Comb4}) c->OnChange = [this](TControl* s) { Comb1Change(s); };
}

void Tgraphform::FormCreate(TForm*) {
    drawing_ = false;
    requesting_ = false;
    SetBounds(0, 90, 640, 440);
    SetColor(kWhite);
    Drawbutton->SetBounds(4, 4, 109, 24);
    const int lefts[4] = {120, 248, 376, 504};
    TComboBox* combos[4] = {Comb1, Comb2, Comb3, Comb4};
    for (int i = 0; i < 4; ++i) combos[i]->SetBoundsKeepDrop(lefts[i], 4, 120, 24);
    daylab->SetBounds(17, 386, 36, 22);
    Waitlab->SetBounds(208, 80, 289, 169);
    Waitlab->SetAlignment(TLabel::Align::Center);
    waitprogress->SetBounds(232, 224, 241, 16);
    waitprogress->SetBarColor(RGB(0, 0, 255));
    Waitlab->Hide();
    waitprogress->Hide();
    captionupdate();
}

std::int32_t& Tgraphform::Selection(int i) {
    std::int32_t* s = GraphXalHost.TraceSelection ? GraphXalHost.TraceSelection : ownSelection_;
    return s[RangeCheck(i, 0, 3)];
}

TraceChoice Tgraphform::Choice() const {
    TraceChoice c{};
    const TComboBox* combos[4] = {Comb1, Comb2, Comb3, Comb4};
    for (int i = 0; i < 4; ++i) c[static_cast<std::size_t>(i)] = std::max(0, combos[i]->ItemIndex());
    return c;
}

void Tgraphform::captionupdate() {
    const int L = LanguageNumber;
    const bool chinese = L == LangChinese;
    TFont f = Font();
    f.Name = At(LangFontName, L);
    f.Size = At(LangFontSize, L);
    f.Charset = At(LangFontCharset, L);
    SetFont(f);
    TFont day = f;
    day.Name = "MS Sans Serif";
    // The language's character set, so a face that can show the word is found when this one
    // cannot (Chinese).
    day.Charset = At(LangFontCharset, L);
    day.Size = chinese ? 11 : 9;
    daylab->SetFont(day);
    TFont wait = f;
    wait.Size = chinese ? 16 : 18;
    Waitlab->SetFont(wait);
    TFont button = f;
    button.Size = chinese ? 12 : 10;
    Drawbutton->SetFont(button);
    Drawbutton->SetHeight(At(LangFontSize, L) > 9 ? 28 : 24);

    SetCaption(GraphCaptionOf(gcCaption, L));
    daylab->SetCaption(GraphCaptionOf(gcDay, L));
    Waitlab->SetCaption(GraphCaptionOf(gcWaitForTransfer, L));
    Drawbutton->SetCaption(GraphCaptionOf(gcDrawGraph, L));
    Drawbutton->SetHint(GraphCaptionOf(gcHintDraw, L));
    Comb1->SetHint(GraphCaptionOf(gcHintBlue, L));
    Comb2->SetHint(GraphCaptionOf(gcHintYellow, L));
    Comb3->SetHint(GraphCaptionOf(gcHintRed, L));
    Comb4->SetHint(GraphCaptionOf(gcHintGreen, L));
    SetHint(GraphCaptionOf(gcHintWindow, L));
}

void Tgraphform::comboload() {
    const int L = LanguageNumber;
    TFont f = Font();
    f.Name = At(LangFontName, L);
    f.Charset = At(LangFontCharset, L);
    f.Size = GraphComboFontSize(L, At(LangFontSize, L));
    TComboBox* combos[4] = {Comb1, Comb2, Comb3, Comb4};
    for (int i = 0; i < 4; ++i) {
        TComboBox* c = combos[i];
        c->SetFont(f);
        c->Clear();
        for (int r = 1; r <= 7; ++r) c->Add(GraphTextOf(r, L));
        c->SetItemIndex(RangeCheck(Selection(i), 0, 6));
    }
    if (Showing()) Drawbutton->SetFocus();
}

HDC Tgraphform::Dc() { return paintDc_ ? paintDc_ : GetDC(hwnd_); }

void Tgraphform::ReleaseDc(HDC dc) {
    if (dc != paintDc_) ReleaseDC(hwnd_, dc);
}

void Tgraphform::ClearOn(HDC dc) {
    RECT r{kClearLeft, kClearTop, kClearRight + 1, GraphBottom + 1};
    HBRUSH b = CreateSolidBrush(kWhite);
    FillRect(dc, &r, b);
    DeleteObject(b);
}

void Tgraphform::cleargraph() {
    HDC dc = Dc();
    ClearOn(dc);
    ReleaseDc(dc);
}

void Tgraphform::ScaleDrawOn(HDC dc) {
    const TraceChoice choice = Choice();
    const auto marked = MarkTraceKinds(choice);
    axis_ = AhScale(marked);
    scene_ = GraphScene{};
    scene_.Axis = axis_;
    scene_.Labels = ScaleLabels(axis_);
    if (HistoryLoaded) ClearOn(dc);

    DcState keep(dc);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, kWhite);
    SelectObject(dc, TFont{"MS Sans Serif", 8, DEFAULT_CHARSET, false}.Handle());
    for (const GraphText& t : scene_.Labels) {
        SetTextColor(dc, t.Color);
        const std::wstring w = Widen(t.Text);
        TextOutW(dc, t.X, t.Y, w.c_str(), static_cast<int>(w.size()));
    }
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    SelectObject(dc, pen);
    auto line = [dc](int x0, int y0, int x1, int y1) {
        MoveToEx(dc, x0, y0, nullptr);
        LineTo(dc, x1, y1);
    };
    line(46, GraphBottom, 594, GraphBottom);
    line(GraphLeft, GraphBottom, GraphLeft, 40);
    line(590, GraphBottom, 590, 40);
    for (int i = 1; i <= 12; ++i) line(46, GraphBottom - GraphStepPixels * i, 594, GraphBottom - GraphStepPixels * i);
    SelectObject(dc, GetStockObject(BLACK_PEN));
    DeleteObject(pen);
}

void Tgraphform::scaledraw() {
    HDC dc = Dc();
    try {
        ScaleDrawOn(dc);
    } catch (...) {
        ReleaseDc(dc);
        throw;
    }
    ReleaseDc(dc);
}

void Tgraphform::TraceOn(HDC dc, int Kind) {
    DebugChannel("Drawtrace(" + IntToStr(Kind) + ")");
    const TraceChoice choice = Choice();
    const std::uint32_t color = TraceColorOf(choice, Kind);
    const int width = TraceBarWidth(tracenum_);
    const auto bars = TraceBars(Kind, ordinal_, width, axis_, color);
    scene_.Width = width;
    DcState keep(dc);
    HPEN pen = CreatePen(PS_SOLID, 1, color);
    HBRUSH brush = CreateSolidBrush(color);
    SelectObject(dc, pen);
    SelectObject(dc, brush);
    for (const GraphBar& b : bars) Rectangle(dc, b.Rect.Left, b.Rect.Top, b.Rect.Right, b.Rect.Bottom);
    SelectObject(dc, GetStockObject(BLACK_PEN));
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(pen);
    DeleteObject(brush);
    scene_.Bars.insert(scene_.Bars.end(), bars.begin(), bars.end());
    ++ordinal_;
}

void Tgraphform::drawtrace(int Kind) {
    HDC dc = Dc();
    try {
        TraceOn(dc, Kind);
    } catch (...) {
        ReleaseDc(dc);
        throw;
    }
    ReleaseDc(dc);
}

void Tgraphform::drawgraph() {
    if (drawing_) return;
    drawing_ = true;
    HDC dc = Dc();
    try {
        const TraceChoice choice = Choice();
        tracenum_ = CountTracesInUse(choice);
        ScaleDrawOn(dc);
        ordinal_ = 0;
        // Bars only for a history that is loaded or arriving: a repaint after a failed read
        // (or before any read) must not show what is left in the image as if it were history.
        if (HistoryLoaded || (CommBusy && DataKind == 10)) {
            const auto marked = MarkTraceKinds(choice);
            for (int k = tkChargeAh; k <= tkSoc; ++k)
                if (marked[static_cast<std::size_t>(k)]) TraceOn(dc, k);
        }
    } catch (...) {
        ReleaseDc(dc);
        drawing_ = false;
        throw;
    }
    ReleaseDc(dc);
    drawing_ = false;
}

void Tgraphform::getgraph() {
    if (requesting_) return;
    requesting_ = true;
    try {
        if (!HistoryLoaded) {
            cleargraph();
            Waitlab->Show();
            Waitlab->BringToFront();
            SendMessageW(waitprogress->Handle(), PBM_SETRANGE32, 0, kReadCount);
            waitprogress->SetPosition(0);
            waitprogress->Show();
            waitprogress->BringToFront();
            if (GraphXalHost.ShowStatus) GraphXalHost.ShowStatus(GraphCaptionOf(gcStart, LanguageNumber));
            if (DataFormsHost.Getdata) DataFormsHost.Getdata("Tgraphform", 10);
            // A request the link refused (busy, start-up, dialling) leaves no read to wait for.
            if (!(CommBusy && DataKind == 10)) {
                Waitlab->Hide();
                waitprogress->Hide();
            }
        } else {
            drawgraph();
        }
    } catch (...) {
        requesting_ = false;
        throw;
    }
    requesting_ = false;
}

void Tgraphform::progressstep() {
    SendMessageW(waitprogress->Handle(), PBM_SETPOS, std::min(waitprogress->Position() + 1, kReadCount), 0);
}

void Tgraphform::WaitRepaint() {
    Waitlab->Invalidate();
    UpdateWindow(Waitlab->Handle());
}

void Tgraphform::ReadEnded() {
    waitprogress->Hide();
    Waitlab->Hide();
    Invalidate();
}

void Tgraphform::FormActivate(TForm*) {
    captionupdate();
    comboload();
    if (!HistoryLoaded) getgraph();
}

void Tgraphform::FormClick() {
    HistoryLoaded = false;
    SetEnabled(false);
    try {
        getgraph();
    } catch (...) {
        SetEnabled(true);
        throw;
    }
    SetEnabled(true);
}

void Tgraphform::DrawbuttonClick() {
    SetEnabled(false);
    try {
        getgraph();
    } catch (...) {
        SetEnabled(true);
        throw;
    }
    SetEnabled(true);
}

void Tgraphform::Comb1Change(TControl* Sender) {
    TComboBox* combos[4] = {Comb1, Comb2, Comb3, Comb4};
    for (int i = 0; i < 4; ++i)
        if (combos[i] == Sender) Selection(i) = std::max(0, combos[i]->ItemIndex());
    Drawbutton->SetFocus();
}

void Tgraphform::FormClose(TForm*, TCloseAction&) {
    if (GraphXalHost.GraphClosed) GraphXalHost.GraphClosed();
}

void Tgraphform::Paint(HDC dc) {
    paintDc_ = dc;
    try {
        drawgraph();
    } catch (...) {
        paintDc_ = nullptr;
        throw;
    }
    paintDc_ = nullptr;
}

LRESULT Tgraphform::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_LBUTTONDOWN) Click();
    return TForm::WndProc(msg, wp, lp);
}

}  // namespace talvik

// The current-data window (see current.h).
#include "ui/current.h"

#include <commctrl.h>

#include <algorithm>

#include "base/debugchannel.h"
#include "link/uVar.h"
#include "ui/currentText.h"
#include "ui/formsLink.h"

namespace talvik {

namespace {
constexpr int kCurrentListRows = 19;
}

TCurrentform* Currentform = nullptr;

// ---- TDataLabel, TDataPanel

TDataLabel::TDataLabel(TWinControl* parent, const std::string& caption) : TLabel(parent, caption) {
    WhenMade([](HWND h) { SetWindowLongW(h, GWL_STYLE, GetWindowLongW(h, GWL_STYLE) | SS_NOTIFY); });
}

TDataLabel::~TDataLabel() {
    if (brush_) DeleteObject(brush_);
}

void TDataLabel::SetBackground(COLORREF c) {
    if (brush_) DeleteObject(brush_);
    brush_ = CreateSolidBrush(c);
    Invalidate();
}

HBRUSH TDataLabel::BackgroundBrush() const { return brush_ ? brush_ : TLabel::BackgroundBrush(); }

bool TDataLabel::HandleCommand(WORD code, WORD) {
    if (code != STN_CLICKED) return false;
    Click();
    return true;
}

TDataPanel::TDataPanel(TWinControl* parent) : TPanel(parent) {}

LRESULT TDataPanel::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_CTLCOLORSTATIC) {
        const LRESULT brush = TPanel::WndProc(msg, wp, lp);
        if (auto* l = dynamic_cast<TLabel*>(FromHandle(reinterpret_cast<HWND>(lp)));
            l && l->TextColor() != CLR_INVALID)
            ::SetTextColor(reinterpret_cast<HDC>(wp), l->TextColor());
        return brush;
    }
    if (msg == WM_LBUTTONDOWN) Click();
    return TPanel::WndProc(msg, wp, lp);
}

// ---- TCurrentform

TCurrentform::TCurrentform() {
    Name = "Currentform";
    Panel1 = new TDataPanel(this);
    Panel1->Name = "Panel1";
    auto label = [this](const char* name, int left, int top, int width = 100, int height = 17) {
        auto* l = new TDataLabel(Panel1);
        l->Name = name;
        l->SetBounds(left, top, width, height);
        l->OnClick = [this](TControl*) { FormClick(); };
        return l;
    };
    Typelab = label("Typelab", 8, 8, 96);
    nomvlab = label("nomvlab", 108, 8, 56);
    Statelab = label("Statelab", 168, 8, 135);
    soclab = label("soclab", 342, 10, 96);
    Chargelab = label("Chargelab", 6, 45, 200);
    Loadlab = label("Loadlab", 220, 45, 211);
    Chargelab2 = label("Chargelab2", 6, 74, 200);
    Loadlab2 = label("Loadlab2", 276, 74, 160);
    batvlab = label("batvlab", 186, 100, 89, 31);
    inlab = label("inlab", 6, 119, 40);
    outlab = label("outlab", 410, 119, 40);
    maxminlab = label("maxminlab", 178, 138, 105, 25);
    camphrlab2 = label("camphrlab2", 6, 160, 200);
    lamphrlab2 = label("lamphrlab2", 268, 160, 164);
    Camphrlab = label("Camphrlab", 6, 184, 180);
    templab = label("templab", 200, 184, 36);
    Lamphrlab = label("Lamphrlab", 236, 184, 199);
    Waitlab = label("Waitlab", 50, 56, 360, 90);
    Waitlab1 = label("Waitlab1", 60, 65, 340, 30);
    curprogress = new TProgressBar(Panel1, 0, 22);
    curprogress->Name = "curprogress";
    Curstring = new TDataGrid(this, 2, kCurrentListRows, true);
    Curstring->Name = "Curstring";
    OnCreate = [this](TForm* f) { FormCreate(f); };
    OnActivate = [this](TForm* f) { FormActivate(f); };
    OnClose = [this](TForm* f, TCloseAction& a) { FormClose(f, a); };
    OnClick = [this](TControl*) { FormClick(); };
    Panel1->OnClick = [this](TControl*) { FormClick(); };
    Curstring->OnMouseDown = [this](TDataGrid*, int, int) { CurstringMouseDown(); };
}

void TCurrentform::FormCreate(TForm*) {
    SetBounds(0, 94, 470, 384);
    SetFixedSize(true);
    Panel1->SetBounds(0, 0, 462, 217);
    RECT client;
    GetClientRect(hwnd_, &client);
    Curstring->SetBounds(0, 217, client.right, std::max(48, static_cast<int>(client.bottom) - 217));
    Curstring->DefaultRowHeight = 24;
    Curstring->FixedColor = RGB(0, 255, 0);
    for (int c = 0; c < 2; ++c) Curstring->SetColWidth(c, 300);
    curprogress->SetBounds(110, 110, 240, 16);
    curprogress->SetBarColor(RGB(0, 0, 255));
    curprogress->SetPosition(0);
    curprogress->Show();
    Waitlab->SetBackground(RGB(255, 0, 0));
    Waitlab1->SetBackground(RGB(255, 0, 0));
    Waitlab1->SetAlignment(TLabel::Align::Center);
    Waitlab->BringToFront();
    Waitlab1->BringToFront();
    curprogress->BringToFront();
    inlab->SetCaption("IN");
    outlab->SetCaption("OUT");
    CaptionsAndFonts();
    labelupdate();
}

void TCurrentform::CaptionsAndFonts() {
    const int L = LanguageNumber;
    auto T = [L](int row) { return CurrentFormTextOf(row, L); };
    TFont f = Font();
    f.Name = At(LangFontName, L);
    f.Charset = At(LangFontCharset, L);
    f.Size = CurrentLabelFontSize(L, At(LangFontSize, L));
    SetFont(f);
    for (TControl* c : Panel1->Children())
        if (c != Waitlab1) c->SetFont(f);
    Curstring->SetFont(f);
    TFont w = f;
    w.Size = L == LangFrench ? 12 : 14;
    w.Bold = true;
    Waitlab1->SetFont(w);

    SetCaption(T(ctCaption));
    Waitlab1->SetCaption(T(ctWaitForTransfer));
    Curstring->SetCell(0, 0, T(ctListTitle));
    Curstring->SetCell(1, 0, "");
    for (int r = 1; r <= 17; ++r) Curstring->SetCell(0, r, T(ctListFirst + r - 1));

    SetHint(T(ctHintForm));
    Panel1->SetHint(T(ctHintImage));
    soclab->SetHint(T(ctHintSoc));
    inlab->SetHint(T(ctHintIn));
    Chargelab->SetHint(T(ctHintChargeCurrent));
    Chargelab2->SetHint(T(ctHintChargeCurrent));
    Camphrlab->SetHint(T(ctHintChargeAh));
    camphrlab2->SetHint(T(ctHintChargeAh));
    templab->SetHint(T(ctHintTemp));
    outlab->SetHint(T(ctHintOut));
    Loadlab->SetHint(T(ctHintLoadCurrent));
    Loadlab2->SetHint(T(ctHintLoadCurrent));
    Lamphrlab->SetHint(T(ctHintLoadAh));
    lamphrlab2->SetHint(T(ctHintLoadAh));
    batvlab->SetHint(T(ctHintBattery));
    maxminlab->SetHint(T(ctHintMaxMin));
    Curstring->SetHint(T(ctHintList));
    Typelab->SetHint(T(ctHintType));
    nomvlab->SetHint(T(ctHintNominal));
    Statelab->SetHint(T(ctHintState));
}

void TCurrentform::WaitHide() {
    Waitlab->Hide();
    Waitlab1->Hide();
    curprogress->Hide();
}

void TCurrentform::labelupdate() {
    WaitHide();
    UpdateWindow(hwnd_);
    const CurrentLabelTexts L = BuildCurrentTexts(LanguageNumber);
    Typelab->SetCaption(L.Typelab);
    nomvlab->SetCaption(L.nomvlab);
    batvlab->SetCaption(L.batvlab);
    maxminlab->SetCaption(L.maxminlab);
    Chargelab2->SetCaption(L.Chargelab2);
    Chargelab->SetCaption(L.Chargelab);
    Camphrlab->SetCaption(L.Camphrlab);
    camphrlab2->SetCaption(L.camphrlab2);
    Loadlab2->SetCaption(L.Loadlab2);
    Loadlab->SetCaption(L.Loadlab);
    Lamphrlab->SetCaption(L.Lamphrlab);
    lamphrlab2->SetCaption(L.lamphrlab2);
    Statelab->SetCaption(L.Statelab);
    soclab->SetCaption(L.soclab);
    templab->SetCaption(L.templab);
    for (int r = 1; r < kCurrentListRows; ++r) Curstring->SetCell(1, r, L.list[static_cast<size_t>(r)]);
    Curstring->SetCell(0, kCurrentListRows - 1, CurrentFormTextOf(ctCompensatedVoltage, LanguageNumber));
}

void TCurrentform::StartWait(int max) {
    progressMax_ = max;
    SendMessageW(curprogress->Handle(), PBM_SETRANGE32, 0, max);
    curprogress->SetPosition(0);
    Waitlab->Show();
    Waitlab1->Show();
    curprogress->Show();
}

void TCurrentform::getcurrent() {
    if (CommBusy || WriteBusy) return;
    StartWait(22);
    DataKind = 2;
    if (DataFormsHost.Getdata) DataFormsHost.Getdata("TCurrentform", 2);
    // A request the link refused (start-up, dialling) leaves no read to wait for.
    if (!CommBusy) WaitHide();
}

void TCurrentform::getCurrentString() {
    if (CommBusy || WriteBusy) return;
    StartWait(11);
    DataKind = 3;
    if (DataFormsHost.Getdata) DataFormsHost.Getdata("TCurrentform", 3);
    if (!CommBusy) WaitHide();
}

void TCurrentform::ShownByMainWindow() {
    if (!CurrentLoaded) getcurrent();
}

void TCurrentform::progressstep() {
    SendMessageW(curprogress->Handle(), PBM_SETPOS, std::min(curprogress->Position() + 1, progressMax_), 0);
}

void TCurrentform::FormClick() { getcurrent(); }

void TCurrentform::CurstringMouseDown() { getCurrentString(); }

void TCurrentform::FormActivate(TForm*) {
    CaptionsAndFonts();
    labelupdate();
}

void TCurrentform::FormClose(TForm*, TCloseAction&) {
    if (DataFormsHost.CurrentClosed) DataFormsHost.CurrentClosed();
}

LRESULT TCurrentform::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_LBUTTONDOWN) Click();
    return TForm::WndProc(msg, wp, lp);
}

}  // namespace talvik

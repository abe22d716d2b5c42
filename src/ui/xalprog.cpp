// The accessory programming window (see xalprog.h).
#include "ui/xalprog.h"

#include <algorithm>

#include "base/rtl.h"
#include "link/qvUtility.h"
#include "link/uVar.h"
#include "ui/formsLink.h"
#include "ui/graphxalLink.h"

namespace talvik {

Txalform* xalform = nullptr;

namespace {
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kAqua = RGB(0, 255, 255);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr UINT kOpenEditor = WM_APP + 0x41;

XalBlock BlockOf(const std::array<std::uint8_t, XalBlockSize>& a) {
    XalBlock b{};
    std::copy(a.begin(), a.end(), b.begin());
    return b;
}
}  // namespace

Txalform::Txalform() {
    Name = "xalform";
    Heading = new TDataLabel(this);
    Heading->Name = "Heading";
    SGrid = new TDataGrid(this, 3, 10, false);
    SGrid->Name = "SGrid";
    Checklab = new TDataLabel(this);
    Checklab->Name = "Checklab";
    Readxalbut = new TButton(this);
    Readxalbut->Name = "Readxalbut";
    Writexalbut = new TButton(this);
    Writexalbut->Name = "Writexalbut";
    Closebut = new TButton(this);
    Closebut->Name = "Closebut";
    OnCreate = [this](TForm* f) { FormCreate(f); };
    OnActivate = [this](TForm* f) { FormActivate(f); };
    Readxalbut->OnClick = [this](TControl*) { ReadxalbutClick(); };
    Writexalbut->OnClick = [this](TControl*) { WritexalbutClick(); };
    Closebut->OnClick = [this](TControl*) { ClosebutClick(); };
    SGrid->OnSelectCell = [this](TDataGrid*, int c, int r, bool& can) { SGridSelectCell(c, r, can); };
    SGrid->OnSetEditText = [this](TDataGrid*, int c, int r, const std::string& t) { SGridSetEditText(c, r, t); };
    SGrid->OnMouseCell = [this](TDataGrid*, int c, int r) { SGridMouseMove(c, r); };
}

void Txalform::FormCreate(TForm*) {
    SetBounds(120, 120, 400, 440);
    SetColor(RGB(255, 255, 255));
    SetFixedSize(true);
    Heading->SetBounds(8, 8, 376, 28);
    Heading->SetBackground(kYellow);
    Heading->SetTextColor(kBlue);
    Heading->SetAlignment(TLabel::Align::Center);
    SGrid->FixedCols = 0;
    SGrid->FixedRows = 1;
    SGrid->EditingAllowed = true;
    SGrid->SetColWidth(0, 240);
    SGrid->SetColWidth(1, 60);
    SGrid->SetColWidth(2, 77);
    SGrid->SetBounds(4, 44, 384, 10 * (SGrid->DefaultRowHeight + SGrid->GridLineWidth) + 4);
    Checklab->SetBounds(8, 306, 376, 22);
    Checklab->SetAlignment(TLabel::Align::Center);
    Readxalbut->SetBounds(8, 336, 133, 31);
    Writexalbut->SetBounds(150, 336, 133, 31);
    Closebut->SetBounds(292, 336, 92, 31);
    ShowCheck(XalTextOf(xrChecksum, LanguageNumber), GetSysColor(COLOR_BTNFACE));
    Loadcap();
    std::copy(XalDefaultData.begin(), XalDefaultData.end(), xaldata.begin());
    Xaltodis();
    Loaddata();
}

void Txalform::ShowCheck(const std::string& Text, COLORREF Background) {
    Checklab->SetCaption(Text);
    Checklab->SetBackground(Background);
}

void Txalform::Xaltodis() {
    bool ok = false;
    XalDisplayText = XalToTexts(BlockOf(xaldata), ok);
    const int L = LanguageNumber;
    if (ok) ShowCheck(XalTextOf(xrCheckOk, L), kGreen);
    else ShowCheck(XalTextOf(xrCheckBad, L), kRed);
}

void Txalform::Loaddata() {
    for (int r = 1; r <= 9; ++r) SGrid->SetCell(1, r, XalDisplayText[static_cast<std::size_t>(r)]);
}

void Txalform::distoxal() {
    XalBlock b = BlockOf(xaldata);
    TextsToXal(XalDisplayText, b);
    std::copy(b.begin(), b.end(), xaldata.begin());
}

void Txalform::Loadcap() {
    const int L = LanguageNumber;
    TFont f = Font();
    f.Name = At(LangFontName, L);
    f.Size = At(LangFontSize, L);
    f.Charset = At(LangFontCharset, L);
    SetFont(f);
    for (TControl* c : {static_cast<TControl*>(SGrid), static_cast<TControl*>(Checklab),
                        static_cast<TControl*>(Readxalbut), static_cast<TControl*>(Writexalbut),
                        static_cast<TControl*>(Closebut)})
        c->SetFont(f);
    // The heading keeps its Arial look; its character set follows the language so that
    // Chinese text finds a face that shows it.
    Heading->SetFont(TFont{"Arial", 12, At(LangFontCharset, L), true});
    SetCaption(XalTextOf(xrCaption, L));
    Readxalbut->SetCaption(XalTextOf(xrRead, L));
    Writexalbut->SetCaption(XalTextOf(xrWrite, L));
    Heading->SetCaption(XalTextOf(xrHeading, L));
    Closebut->SetCaption(XalTextOf(xrClose, L));
    SGrid->SetCell(1, 0, XalTextOf(xrValue, L));
    for (int r = 0; r <= 9; ++r) {
        SGrid->SetCell(0, r, XalRowCaptionText(r, XalNewer, L));
        SGrid->SetCell(2, r, XalRowUnitText(r, XalNewer, L));
    }
}

void Txalform::FormActivate(TForm*) {
    SGrid->CancelEditor();
    SGrid->SetSelection(1, 1);
    Loadcap();
}

void Txalform::ReadxalbutClick() {
    // A write still going out keeps its "Send" state; the link would refuse the read anyway.
    if (CommBusy || WriteBusy) return;
    DataKind = 11;
    ShowCheck(XalTextOf(xrReadState, LanguageNumber), kAqua);
    if (DataFormsHost.Getdata) DataFormsHost.Getdata("Txalform", 11);
    // A request the link refused leaves nothing to wait for: show the block's state again.
    if (!(CommBusy && DataKind == 11)) Xaltodis();
}

void Txalform::WritexalbutClick() {
    if (CommBusy) return;
    SGrid->HideEditor();
    distoxal();
    if (GraphXalHost.startxalwrite) GraphXalHost.startxalwrite();
}

void Txalform::ClosebutClick() { Close(); }

void Txalform::SGridSelectCell(int col, int, bool& canSelect) {
    canSelect = col == 1;
    if (!canSelect) return;
    Loaddata();
    PostMessageW(hwnd_, kOpenEditor, 0, 0);
}

void Txalform::SGridSetEditText(int, int row, const std::string& text) {
    if (row < 1 || row > 9) return;
    XalDisplayText[static_cast<std::size_t>(row)] = NormaliseXalCell(row, text);
    Loaddata();
    SGrid->Invalidate();
}

void Txalform::SGridMouseMove(int, int row) {
    if (row < 0 || SGrid->EditorMode()) return;
    SGrid->SetSelection(1, std::clamp(row, 1, 9));
}

LRESULT Txalform::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kOpenEditor) {
        if (SGrid->Col() == 1 && SGrid->Row() >= 1 && !SGrid->EditorMode()) SGrid->ShowEditor();
        return 0;
    }
    if (msg == WM_CTLCOLORSTATIC) {
        const LRESULT brush = TForm::WndProc(msg, wp, lp);
        if (auto* l = dynamic_cast<TLabel*>(FromHandle(reinterpret_cast<HWND>(lp)));
            l && l->TextColor() != CLR_INVALID)
            ::SetTextColor(reinterpret_cast<HDC>(wp), l->TextColor());
        return brush;
    }
    return TForm::WndProc(msg, wp, lp);
}

}  // namespace talvik

// The settings and calibration editor (see Settings.h).
#include "ui/Settings.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "base/format.h"
#include "base/rtl.h"
#include "link/qvUtility.h"
#include "link/uLog.h"
#include "link/uVar.h"
#include "toolkit/dialogs.h"
#include "ui/formsLink.h"

namespace talvik {

Tsetform* setform = nullptr;

namespace {

COLORREF clBtnFace() { return GetSysColor(COLOR_BTNFACE); }
COLORREF clWindow() { return GetSysColor(COLOR_WINDOW); }
COLORREF clAppWorkSpace() { return GetSysColor(COLOR_APPWORKSPACE); }
constexpr COLORREF clRed = RGB(255, 0, 0);
constexpr COLORREF clYellow = RGB(255, 255, 0);
constexpr COLORREF clSilver = RGB(192, 192, 192);
constexpr COLORREF clDisabledCell = RGB(0xFF, 0xFB, 0xF0);
// The window as it is built; it grows wider only when a language's captions need more.
constexpr int kClientWidth = 385, kClientHeight = 422, kPanelHeight = 34;

// Fonts of the view buttons, which may be italic (the toolkit's fonts are not).
HFONT ButtonFont(const TFont& f, bool italic) {
    static std::map<std::tuple<std::string, int, bool, bool>, HFONT> cache;
    const auto key = std::make_tuple(f.Name, f.Size, f.Bold, italic);
    if (auto it = cache.find(key); it != cache.end()) return it->second;
    const std::string face = FontInstalled(f.Name) ? f.Name : "Arial";
    HDC dc = GetDC(nullptr);
    const int height = -MulDiv(f.Size, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(nullptr, dc);
    HFONT h = CreateFontW(height, 0, 0, 0, f.Bold ? FW_BOLD : FW_NORMAL, italic, 0, 0, DEFAULT_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                          Widen(face).c_str());
    cache[key] = h;
    return h;
}

// The text is placed within r but cut only at the cell's own edges: a glyph's ink may reach a
// pixel past its advance (the last "g" of "PWM Einsatz der PWM-Regelung"), and clipping at r
// would take that pixel off.
void DrawCellText(HDC dc, const std::string& text, const RECT& cell, RECT r, UINT align) {
    const std::wstring t = Widen(text);
    r.top += 2;
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, cell.left, cell.top, cell.right, cell.bottom);
    DrawTextW(dc, t.c_str(), static_cast<int>(t.size()), &r, align | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
    RestoreDC(dc, saved);
}

}  // namespace

// ---- TViewButton

TViewButton::TViewButton(TWinControl* parent, const std::string& caption) : TSpeedButton(parent, caption) {}

void TViewButton::SetItalic(bool i) {
    if (i == italic_) return;
    italic_ = i;
    Invalidate();
}

bool TViewButton::HandleDrawItem(DRAWITEMSTRUCT* di) {
    HDC dc = di->hDC;
    RECT r = di->rcItem;
    const bool pressed = (di->itemState & ODS_SELECTED) || Down();
    const bool enabled = !(di->itemState & ODS_DISABLED);
    HBRUSH parent = Parent() ? Parent()->BackgroundBrush() : nullptr;
    FillRect(dc, &r, parent ? parent : GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &r, pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
    HFONT old = static_cast<HFONT>(SelectObject(dc, ButtonFont(Font(), italic_)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    const std::wstring t = Widen(Text());
    if (pressed) OffsetRect(&r, 1, 1);
    DrawTextW(dc, t.c_str(), static_cast<int>(t.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
    return true;
}

// ---- Tsetform

Tsetform::Tsetform() {
    Name = "setform";
    GridColumnColour = {clBtnFace(), clWindow(), clWindow()};
    Panel1 = new TDataPanel(this);
    Panel1->Name = "Panel1";
    auto button = [this](const char* name, const char* caption, int index) {
        auto* b = new TViewButton(Panel1, caption);
        b->Name = name;
        b->SetBounds(2 + index * 47, 2, 46, 29);
        return b;
    };
    conbutton1 = button("conbutton1", SettingGroupButtonCaption[0], 0);
    Conbutton2 = button("Conbutton2", SettingGroupButtonCaption[1], 1);
    Conbutton3 = button("Conbutton3", SettingGroupButtonCaption[2], 2);
    Conbutton4 = button("Conbutton4", SettingGroupButtonCaption[3], 3);
    Conbutton5 = button("Conbutton5", SettingGroupButtonCaption[4], 4);
    Calbutton = button("Calbutton", SettingGroupButtonCaption[5], 5);
    sendbutton = button("sendbutton", "SEND", 6);
    sendbutton->SetItalic(false);
    qvbutton = button("qvbutton", "ALL", 7);
    qvbutton->SetItalic(false);
    sgrid2 = new TDataGrid(this, 3, GridRowCount(View()), false);
    sgrid2->Name = "sgrid2";
    qvprogpanel = new TDataPanel(this);
    qvprogpanel->Name = "qvprogpanel";
    Label3 = new TDataLabel(qvprogpanel);
    Label3->Name = "Label3";
    progbutton = new TButton(qvprogpanel);
    progbutton->Name = "progbutton";
    Cancelbutton = new TButton(qvprogpanel);
    Cancelbutton->Name = "Cancelbutton";
    Cancelbutton->SetCancel(true);

    for (TViewButton* b : {conbutton1, Conbutton2, Conbutton3, Conbutton4, Conbutton5})
        b->OnClick = [this](TControl* s) { conbutton1Click(s); };
    Calbutton->OnClick = [this](TControl*) { CalbuttonClick(); };
    sendbutton->OnClick = [this](TControl*) { sendbuttonClick(); };
    qvbutton->OnClick = [this](TControl*) { plbuttonClick(); };
    progbutton->OnClick = [this](TControl*) { progbuttonClick(); };
    Cancelbutton->OnClick = [this](TControl*) { CancelbuttonClick(); };
    sgrid2->OnSelectCell = [this](TDataGrid*, int c, int r, bool& can) { sgrid2SelectCell(c, r, can); };
    sgrid2->OnGetEditText = [this](TDataGrid*, int c, int r, std::string& t) { sgrid2GetEditText(c, r, t); };
    sgrid2->OnSetEditText = [this](TDataGrid*, int c, int r, const std::string& t) { sgrid2SetEditText(c, r, t); };
    sgrid2->OnCancelEdit = [this](TDataGrid*, int c, int r) { sgrid2CancelEdit(c, r); };
    sgrid2->OnDblClick = [this](TDataGrid*) { sgrid2DblClick(); };
    sgrid2->OnMouseDown = [this](TDataGrid*, int x, int y) { sgrid2MouseDown(x, y); };
    sgrid2->OnDrawCell = [this](TDataGrid*, HDC dc, int c, int r, const RECT& rc, TDataGrid::DrawState st) {
        sgrid2DrawCell(dc, c, r, rc, st);
    };
    OnCreate = [this](TForm* f) { FormCreate(f); };
    OnActivate = [this](TForm* f) { FormActivate(f); };
    OnClose = [this](TForm* f, TCloseAction& a) { FormClose(f, a); };
    IsActiveForm = [this] { return GetActiveWindow() == hwnd_; };
}

Tsetform::~Tsetform() {
    if (hintInstalled_) Application.OnShowHint = previousHint_;
}

std::string Tsetform::UIText(int row) const { return At(At(SettingsUIText, row), LanguageNumber); }

void Tsetform::FormCreate(TForm*) {
    SetClientSize(kClientWidth, kClientHeight);
    SetFixedSize(true);
    LanguageFonts();
    Panel1->SetBounds(0, 0, kClientWidth, kPanelHeight);
    TFont bf;
    bf.Name = "MS Sans Serif";
    bf.Size = 9;
    for (TViewButton* b : {conbutton1, Conbutton2, Conbutton3, Conbutton4, Conbutton5, Calbutton, sendbutton, qvbutton})
        b->SetFont(bf);
    sendbutton->SetEnabled(false);
    qvbutton->SetEnabled(false);
    sgrid2->SetBounds(0, kPanelHeight, kClientWidth, kClientHeight - kPanelHeight);
    sgrid2->FixedCols = 1;
    sgrid2->FixedRows = 0;
    sgrid2->GridLineWidth = 3;
    sgrid2->EditingAllowed = true;
    sgrid2->SetColor(clAppWorkSpace());
    sgrid2->FixedColor = clYellow;
    sgrid2->SetColWidth(0, kClientWidth - 96 - 3 * sgrid2->GridLineWidth - 6);
    sgrid2->SetColWidth(1, 48);
    sgrid2->SetColWidth(2, 48);
    qvprogpanel->SetBounds(198, 38, 185, 137);
    qvprogpanel->SetColor(clSilver);
    qvprogpanel->Hide();
    Label3->SetBounds(6, 6, 173, 67);
    progbutton->SetBounds(10, 90, 75, 30);
    Cancelbutton->SetBounds(100, 90, 75, 30);

    LanguageTexts();

    conbutton1->SetDown(true);
    settingsview = true;
    selectedgroup = 1;
    SettingsKind = 4;
    setdisplay(1);
    sgrid2->SetSelection(-1, -1);
}

void Tsetform::LanguageFonts() {
    const int L = LanguageNumber;
    const TFont f{At(LangFontName, L), At(LangFontSize, L), At(LangFontCharset, L), Font().Bold};
    SetFont(f);
    Panel1->SetFont(f);
    // The grid keeps Arial, which has no Chinese: Chinese takes its own font.
    TFont gf = f;
    if (L != LangChinese) gf.Name = "Arial";
    sgrid2->SetFont(gf);
    TFont lf = f;
    lf.Size = 10;
    Label3->SetFont(lf);
}

void Tsetform::LanguageTexts() {
    const std::array<TViewButton*, 5> groups = {conbutton1, Conbutton2, Conbutton3, Conbutton4, Conbutton5};
    for (int g = 0; g < 5; ++g) groups[static_cast<size_t>(g)]->SetHint(UIText(g));
    Calbutton->SetHint(UIText(5));
    sendbutton->SetHint(UIText(6));
    SetHint(UIText(7));
    sgrid2->SetHint(UIText(8));
    qvbutton->SetHint(UIText(9));
    qvprogpanel->SetHint(UIText(9));
    progbutton->SetHint(UIText(10));
    progbutton->SetCaption(UIText(10));
    Cancelbutton->SetHint(UIText(11));
    Cancelbutton->SetCaption(UIText(11));
    if (settingsview) Label3->SetCaption(UIText(15));
}

void Tsetform::LanguageChanged() {
    LanguageFonts();
    LanguageTexts();
    // The rows' captions and units are the language's too.
    if (settingsview)
        setdisplay(selectedgroup);
    else
        caldisplay();
}

void Tsetform::buttonfontupdate() {
    const std::array<TViewButton*, 5> groups = {conbutton1, Conbutton2, Conbutton3, Conbutton4, Conbutton5};
    TFont f;
    f.Name = At(LangFontName, 0);
    f.Size = 9;
    auto apply = [&f](TViewButton* b, bool loaded) {
        TFont bf = f;
        bf.Bold = loaded;
        b->SetFont(bf);
        b->SetItalic(!loaded);
    };
    for (int g = 0; g < 5; ++g) apply(groups[static_cast<size_t>(g)], KindLoaded[g + 4]);
    apply(Calbutton, CalibrationLoaded);
}

void Tsetform::setdisplay(std::int32_t Group) {
    TALVIK_ASSERT(Group == selectedgroup, "Internal Error. Group is not the selected group.");
    const int L = LanguageNumber;
    qvbutton->SetEnabled(true);
    SetCaption(SettingCaptionText({8, 0}, L));
    GridColumnColour[0] = KindLoaded[Group + 3] ? clBtnFace() : clRed;
    buttonfontupdate();
    const std::int32_t rows = At(SettingGroupRows, Group);
    sgrid2->SetRowCount(rows + 2);
    GridColumnColour[2] = clBtnFace();
    DecodeRegulatorType();
    for (int c = 0; c < 3; ++c) {
        sgrid2->SetCell(c, 0, "");
        sgrid2->SetCell(c, rows + 1, "");
    }
    for (std::int32_t r = 0; r < rows; ++r) {
        const CaptionPick pick = SettingGridCaption(Group, r);
        sgrid2->SetCell(0, r + 1, SettingCaptionText(pick, L));
        sgrid2->SetCell(1, r + 1, FormatSettingValue(Group, r));
        sgrid2->SetCell(2, r + 1, SettingUnitText(pick, L));
    }
    FitColumns();
    sgrid2->Invalidate();
}

void Tsetform::FitColumns() {
    // Each text is drawn a few pixels in from one edge of its cell (captions and values against
    // the right, units and calibration names from the left, gains and offsets centred), so a
    // column narrower than its widest text loses a glyph at the other edge: 已锁定 in the Chinese
    // font, the German "Stunden", "PWM Einsatz der PWM-Regelung". Every column takes its widest
    // text in the grid's own font and the same margin; the caption column also takes the room
    // the others leave, and when the three need more than that the window grows to hold them.
    constexpr int kNarrowest = 48, kMargins = 8;
    HDC dc = GetDC(sgrid2->Handle());
    const HGDIOBJ old = SelectObject(dc, sgrid2->Font().Handle());
    auto widest = [&](int col) {
        int w = 0;
        for (int r = 0; r < sgrid2->RowCount(); ++r) {
            const std::wstring t = Widen(sgrid2->Cell(col, r));
            SIZE size{0, 0};
            if (!t.empty() && GetTextExtentPoint32W(dc, t.c_str(), static_cast<int>(t.size()), &size))
                w = std::max<int>(w, size.cx);
        }
        return std::max(kNarrowest, w + kMargins);
    };
    const int caption = widest(0), value = widest(1), unit = widest(2);
    SelectObject(dc, old);
    ReleaseDC(sgrid2->Handle(), dc);
    // The grid's lines and frame, beside its columns.
    const int outside = 3 * sgrid2->GridLineWidth + 6;
    const int width = std::max(kClientWidth, caption + value + unit + outside);
    sgrid2->SetColWidth(1, value);
    sgrid2->SetColWidth(2, unit);
    sgrid2->SetColWidth(0, width - outside - value - unit);
    if (width != sgrid2->Width()) {
        RECT client{};
        GetClientRect(Handle(), &client);
        SetClientSize(width, client.bottom > 0 ? client.bottom : kClientHeight);
        Panel1->SetBounds(0, 0, width, kPanelHeight);
        sgrid2->SetBounds(0, kPanelHeight, width, sgrid2->Height());
    }
}

void Tsetform::caldisplay() {
    const int L = LanguageNumber;
    SetCaption(SettingCaptionText({8, 1}, L));
    GridColumnColour[2] = clWindow();
    GridColumnColour[0] = CalibrationLoaded ? clBtnFace() : clRed;
    sgrid2->SetRowCount(kCalibrationRows + 2);
    sgrid2->SetCell(0, 0, "");
    sgrid2->SetCell(1, 0, "G");
    sgrid2->SetCell(2, 0, "O");
    for (int r = 0; r < kCalibrationRows; ++r) {
        sgrid2->SetCell(0, r + 1, At(At(CalibrationCaption, r), L));
        sgrid2->SetCell(1, r + 1, FormatCalibrationValue(r, 1));
        sgrid2->SetCell(2, r + 1, FormatCalibrationValue(r, 2));
    }
    for (int c = 0; c < 3; ++c) sgrid2->SetCell(c, kCalibrationRows + 1, "");
    FitColumns();
    sgrid2->Invalidate();
}

void Tsetform::SetHourglass(bool on) {
    hourglass_ = on;
    SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(on ? IDC_WAIT : IDC_ARROW)));
}

void Tsetform::DefaultCursor() { SetHourglass(false); }

// A read for what the grid shows: the caption column turns red until it is in.
void Tsetform::RequestShown(const std::string& sender) {
    GridColumnColour[0] = clRed;
    sgrid2->Invalidate();
    UpdateWindow(sgrid2->Handle());
    SetHourglass(true);
    if (DataFormsHost.Getdata) DataFormsHost.Getdata(sender, SettingsKind);
    AfterRequest(SettingsKind);
}

void Tsetform::AfterRequest(std::int32_t Kind) {
    // A request the link refused or could not send leaves nothing that would end the wait.
    if (!CommBusy || DataKind != Kind) {
        SetHourglass(false);
        sgrid2->SetEnabled(true);
    }
}

void Tsetform::SendButtonFollowsCell() {
    sendbutton->SetDown(false);
    sendbutton->SetEnabled(sgrid2->Row() >= 0 && CellHasChange(View(), sgrid2->Col(), sgrid2->Row()));
}

void Tsetform::conbutton1Click(TControl* Sender) {
    // A value being typed belongs to the rows it was typed in.
    sgrid2->HideEditor();
    const std::array<TViewButton*, 5> groups = {conbutton1, Conbutton2, Conbutton3, Conbutton4, Conbutton5};
    std::int32_t g = 0;
    for (int i = 0; i < 5; ++i)
        if (groups[static_cast<size_t>(i)] == Sender) g = i + 1;
    if (g == 0) return;
    settingsview = true;
    qvprogpanel->SetColor(clSilver);
    Label3->SetCaption(UIText(15));
    sendbutton->SetEnabled(false);
    for (int i = 0; i < 5; ++i) groups[static_cast<size_t>(i)]->SetDown(i + 1 == g);
    Calbutton->SetDown(false);
    selectedgroup = g;
    SettingsKind = g + 3;
    setdisplay(g);
    const int row = sgrid2->Row();
    if (row >= 0 && sgrid2->Col() == 2) sgrid2->SetSelection(1, row);
    if (row == 0 || row == sgrid2->RowCount() - 1 || (g == 1 && row == 4)) {
        sgrid2->CancelEditor();
        sgrid2->SetSelection(-1, -1);
    }
    SendButtonFollowsCell();
    if (!KindLoaded[SettingsKind]) RequestShown("Tsetform");
}

void Tsetform::CalbuttonClick() {
    sgrid2->HideEditor();
    settingsview = false;
    SettingsKind = 9;
    for (TViewButton* b : {conbutton1, Conbutton2, Conbutton3, Conbutton4, Conbutton5}) b->SetDown(false);
    Calbutton->SetDown(true);
    sendbutton->SetEnabled(false);
    qvprogpanel->SetColor(clYellow);
    Label3->SetCaption("Program QV with the whole Calibration list?");
    // The program button sends the setting list: it has no place in this view.
    qvprogpanel->Hide();
    caldisplay();
    if (sgrid2->Row() == sgrid2->RowCount() - 1) {
        sgrid2->CancelEditor();
        sgrid2->SetSelection(-1, -1);
    }
    SendButtonFollowsCell();
    if (!CalibrationLoaded) RequestShown("TSpeedButton");
}

void Tsetform::FormActivate(TForm*) {
    bool loaded;
    if (settingsview) {
        SettingsKind = selectedgroup + 3;
        setdisplay(selectedgroup);
        loaded = KindLoaded[SettingsKind];
    } else {
        // The calibration view reads the calibration, not the group last shown.
        SettingsKind = 9;
        caldisplay();
        loaded = CalibrationLoaded;
    }
    buttonfontupdate();
    if (!loaded) RequestShown("Tsetform");
    if (!hintInstalled_) {
        previousHint_ = Application.OnShowHint;
        Application.OnShowHint = [this](std::string& h, bool& can, THintInfo& info) { AppShowHint(h, can, info); };
        hintInstalled_ = true;
    }
}

void Tsetform::FormClose(TForm*, TCloseAction&) {
    sgrid2->HideEditor();
    if (DataFormsHost.SettingsClosed) DataFormsHost.SettingsClosed();
    if (hintInstalled_) {
        Application.OnShowHint = previousHint_;
        hintInstalled_ = false;
    }
}

void Tsetform::AppShowHint(std::string& hintStr, bool& canShow, THintInfo& info) {
    if (info.HintControl == sgrid2) {
        int col, row;
        sgrid2->MouseToCell(info.CursorPos.x, info.CursorPos.y, col, row);
        hintStr = col == 0 ? UIText(8) : Hint();
    }
    if (previousHint_) previousHint_(hintStr, canShow, info);
}

namespace {
constexpr UINT MsgGroupRead = WM_APP + 0x32;
}

// Runs inside the port's timer event. Getdata reopens the port, and a port cannot finish closing
// while it delivers an event: the read's first frame would be lost. So the read of the group
// shown is asked for once the event is over.
void Tsetform::triggerupdate(std::int32_t Kind) {
    if (!IsActiveForm || !IsActiveForm()) return;
    buttonfontupdate();
    if (!settingsview) return;
    const std::int32_t want = selectedgroup + 3;
    TALVIK_ASSERT(want >= 4 && want <= 8, "Internal Error. Invalid settings group.");
    if (Kind == want || KindLoaded[want] || CommBusy || WriteBusy || groupReadPosted_) return;
    groupReadPosted_ = true;
    PostMessageW(hwnd_, MsgGroupRead, static_cast<WPARAM>(want), 0);
}

void Tsetform::groupreaddone(std::int32_t Kind) {
    if (settingsview && Kind == selectedgroup + 3) setdisplay(selectedgroup);
}

void Tsetform::GroupReadEnd(std::int32_t Kind, bool Ok) {
    sgrid2->SetColor(Ok ? clAppWorkSpace() : clRed);
    groupreaddone(Kind);
    SetHourglass(false);
    sgrid2->SetEnabled(true);
    qvbutton->SetDown(false);
    if (Ok) qvbutton->SetEnabled(true);
}

void Tsetform::CalibrationReadEnd(bool Ok) {
    (void)Ok;
    // Only the calibration view shows the calibration; a group shown meanwhile stays.
    if (!settingsview) caldisplay();
    SetHourglass(false);
    sgrid2->SetEnabled(true);
}

void Tsetform::WriteEnded(bool Bulk) {
    if (Bulk) {
        qvbutton->SetDown(false);
    } else {
        sendbutton->SetDown(false);
        sendbutton->SetEnabled(false);
    }
    SetHourglass(false);
    sgrid2->Invalidate();
}

void Tsetform::WriteGridStatus(const std::string& Text, bool Append, bool Failed) {
    const int last = sgrid2->RowCount() - 1;
    sgrid2->SetCell(0, last, Append ? sgrid2->Cell(0, last) + Text : Text);
    if (Failed) sgrid2->SetColor(clRed);
    sgrid2->Invalidate();
}

void Tsetform::DataInvalidated() {
    buttonfontupdate();
    if (settingsview)
        GridColumnColour[0] = KindLoaded[selectedgroup + 3] ? clBtnFace() : clRed;
    else
        GridColumnColour[0] = CalibrationLoaded ? clBtnFace() : clRed;
    sgrid2->Invalidate();
}

void Tsetform::sgrid2SelectCell(int col, int row, bool& canSelect) {
    canSelect = CanSelectCell(View(), col, row);
    if (!canSelect) return;
    SavedCellText = sgrid2->Cell(col, row);
    sendbutton->SetDown(false);
    sendbutton->SetEnabled(CellHasChange(View(), col, row));
}

void Tsetform::sgrid2GetEditText(int col, int row, std::string& text) {
    if (!settingsview || col != 1 || row < 1 || row > sgrid2->RowCount() - 2) return;
    // A switch byte not read from this regulator is not toggled: its other bits are unknown.
    if (!CellLoaded(View(), col, row)) return;
    const std::int32_t index = RowSettingIndex(View(), row);
    if (!IsSwitchSetting(index)) return;
    pendingToggle_ = ToggleSwitchSetting(index);
    text = FormatSettingValue(selectedgroup, row - 1);
    sgrid2->ForceCommit();
    sgrid2->Invalidate();
}

void Tsetform::ShowRefusal(const std::string& text) {
    if (refusing_) return;
    refusing_ = true;
    struct Reset {
        bool& f;
        ~Reset() { f = false; }
    } reset{refusing_};
    MessageDlg(text, TMsgDlgType::mtWarning, mbOK);
}

void Tsetform::sgrid2CancelEdit(int col, int row) {
    const SwitchUndo undo = pendingToggle_;
    pendingToggle_ = {};
    if (undo.address < 0 || !settingsview || col != 1 || row < 1 || row > sgrid2->RowCount() - 2) return;
    UndoSwitchToggle(undo);
    sgrid2->SetCell(1, row, FormatSettingValue(selectedgroup, row - 1));
    SendButtonFollowsCell();
    sgrid2->Invalidate();
}

void Tsetform::sgrid2SetEditText(int col, int row, const std::string& text) {
    // The toggle is kept: the commit prepares its write.
    pendingToggle_ = {};
    if (row < 1 || row > sgrid2->RowCount() - 2) return;
    if (DebugEnabled) DebugWindowAdd("sgrid2SetEditText: " + IntToStr(col) + ", " + IntToStr(row));
    const int L = LanguageNumber;
    // The editor was opened before the data stopped counting (another regulator addressed, a
    // failed read): the value typed would be built on bytes that were not read.
    if (!CellLoaded(View(), col, row)) {
        if (settingsview)
            sgrid2->SetCell(col, row, FormatSettingValue(selectedgroup, row - 1));
        else
            sgrid2->SetCell(col, row, FormatCalibrationValue(row - 1, col));
        sgrid2->Invalidate();
        return;
    }
    if (settingsview) {
        if (col != 1) return;
        const std::int32_t index = RowSettingIndex(View(), row);
        if (IsSwitchSetting(index)) {
            PrepareSwitchWrite(index);
            sgrid2->SetCell(1, row, FormatSettingValue(selectedgroup, row - 1));
            sendbutton->SetEnabled(true);
            sendbutton->SetDown(false);
        } else {
            const SettingCommit c = CommitSettingText(text, selectedgroup, row);
            if (!c.Taken()) {
                sgrid2->SetCell(1, row, FormatSettingValue(selectedgroup, row - 1));
                ShowRefusal(EditRefusalText(c.refusal, L));
                return;
            }
            if (c.redrawGroup) setdisplay(selectedgroup);
            else sgrid2->SetCell(1, row, FormatSettingValue(selectedgroup, row - 1));
            sendbutton->SetEnabled(true);
            sendbutton->SetDown(false);
            qvbutton->SetEnabled(true);
        }
    } else {
        const CalibrationCommit c = CommitCalibrationText(text, row, col);
        sgrid2->SetCell(col, row, FormatCalibrationValue(row - 1, col));
        if (!c.taken) {
            sendbutton->SetDown(false);
            sendbutton->SetEnabled(false);
            ShowRefusal(EditRefusalText(c.refusal, L));
            return;
        }
        sendbutton->SetEnabled(true);
        sendbutton->SetDown(false);
        if (col == 2) MessageBeep(MB_OK);
    }
    if (sgrid2->Col() != col || sgrid2->Row() != row) sendbutton->SetEnabled(false);
    sgrid2->Invalidate();
}

void Tsetform::sgrid2DblClick() {
    if (sgrid2->EditorMode()) sgrid2->HideEditor();
    else sgrid2->ShowEditor();
}

void Tsetform::sgrid2MouseDown(int x, int y) {
    int col, row;
    const bool onCell = sgrid2->MouseToCell(x, y, col, row);
    const bool dataRow = onCell && row >= 1 && row <= sgrid2->RowCount() - 2;
    if (!dataRow) {
        sgrid2->HideEditor();
        return;
    }
    if (col != 0) return;
    // A press on a caption reads again what is shown.
    sgrid2->HideEditor();
    SettingsKind = settingsview ? selectedgroup + 3 : 9;
    sgrid2->SetEnabled(false);
    sgrid2->Invalidate();
    UpdateWindow(sgrid2->Handle());
    SetHourglass(true);
    if (DataFormsHost.Getdata) DataFormsHost.Getdata(settingsview ? "Tsetform" : "TSpeedButton", SettingsKind);
    AfterRequest(SettingsKind);
}

void Tsetform::sgrid2DrawCell(HDC dc, int col, int row, const RECT& rect, TDataGrid::DrawState state) {
    if (state.selected && !state.fixed) {
        sgrid2->DrawCellDefault(dc, col, row, rect, state);
        if (state.focused) DrawFocusRect(dc, &rect);
        return;
    }
    const CellFill fill = CellFillOf(View(), col, row, sgrid2->Enabled());
    COLORREF colour = At(GridColumnColour, col);
    if (fill == CellFill::Changed) colour = clYellow;
    if (fill == CellFill::Disabled) colour = clDisabledCell;
    HBRUSH b = CreateSolidBrush(colour);
    FillRect(dc, &rect, b);
    DeleteObject(b);
    SetTextColor(dc, GetSysColor(fill == CellFill::Disabled ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT));
    RECT r = rect;
    UINT align = DT_LEFT;
    if (settingsview) {
        if (col == 0) {
            r.right -= 4;
            align = DT_RIGHT;
        } else if (col == 1) {
            r.right -= 2;
            align = DT_RIGHT;
        } else {
            r.left += 2;
        }
    } else if (col == 0) {
        r.left += 2;
    } else {
        align = DT_CENTER;
    }
    DrawCellText(dc, sgrid2->Cell(col, row), rect, r, align);
}

void Tsetform::sendbuttonClick() {
    // A value still being typed belongs to the write; a refused one leaves nothing to send.
    sgrid2->HideEditor();
    if (!sendbutton->Enabled()) {
        sendbutton->SetDown(false);
        return;
    }
    // Only a value whose group holds data read from the regulator addressed now may go out:
    // every other byte of the write is taken from that read.
    if (DataFormsHost.FollowRegulator) DataFormsHost.FollowRegulator();
    if (!CellLoaded(View(), sgrid2->Col(), sgrid2->Row())) {
        sendbutton->SetDown(false);
        buttonfontupdate();
        ShowRefusal(UIText(kSendRefusedText));
        return;
    }
    // What goes out is the selected cell's value, whichever cell was edited last.
    if (!PrepareCellWrite(View(), sgrid2->Col(), sgrid2->Row())) {
        sendbutton->SetDown(false);
        sendbutton->SetEnabled(false);
        return;
    }
    sendbutton->SetDown(true);
    bool ok = false;
    try {
        ok = DataFormsHost.writesettingchecked && DataFormsHost.writesettingchecked();
    } catch (...) {
        sendbutton->SetDown(false);
        throw;
    }
    sendbutton->SetDown(ok);
    if (ok) sgrid2->SetColor(clAppWorkSpace());
}

void Tsetform::plbuttonClick() {
    if (!ProgramAllAllowed(View(), CommBusy || WriteBusy)) return;
    if (qvprogpanel->Visible()) {
        qvprogpanel->Hide();
    } else {
        qvprogpanel->Show();
        qvprogpanel->BringToFront();
    }
    SetColor(clAppWorkSpace());
    if (!SendAll) qvbutton->SetDown(false);
}

void Tsetform::progbuttonClick() {
    if (!ProgramAllAllowed(View(), CommBusy || WriteBusy)) {
        qvprogpanel->Hide();
        return;
    }
    // Only settings read from this regulator (or loaded from a file) may be programmed into it.
    if (!(DataFormsHost.SettingListReady && DataFormsHost.SettingListReady())) {
        qvprogpanel->Hide();
        qvbutton->SetDown(false);
        buttonfontupdate();
        ShowRefusal(UIText(kProgramAllRefusedText));
        return;
    }
    const bool ok = DataFormsHost.startbulkload && DataFormsHost.startbulkload();
    qvbutton->SetDown(ok);
    if (ok) SetHourglass(true);
    SetColor(clAppWorkSpace());
    qvprogpanel->Hide();
}

void Tsetform::CancelbuttonClick() {
    qvprogpanel->Hide();
    qvbutton->SetDown(false);
}

LRESULT Tsetform::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == MsgGroupRead) {
        groupReadPosted_ = false;
        // Still the group shown, still not loaded: the view may have changed meanwhile.
        const auto kind = static_cast<std::int32_t>(wp);
        if (settingsview && kind == selectedgroup + 3 && !KindLoaded[kind] && DataFormsHost.Getdata)
            DataFormsHost.Getdata("Tsetform", kind);
        return 0;
    }
    if (msg == WM_SETCURSOR && hourglass_) {
        SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT)));
        return TRUE;
    }
    return TForm::WndProc(msg, wp, lp);
}

}  // namespace talvik

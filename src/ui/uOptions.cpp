// The options window and its page tree (see uOptions.h).
#include "ui/uOptions.h"

#include <windows.h>

#include <algorithm>

#include "base/debugchannel.h"
#include "base/format.h"
#include "base/rtl.h"
#include "ui/lang.h"
#include "ui/main.h"

namespace talvik {

TOptionsForm* OptionsForm = nullptr;

namespace {

constexpr const char* kLeftName = "MainFormLeft";
constexpr const char* kTopName = "MainFormTop";
constexpr const char* kKindName = "SingleCommandNumberKind";
constexpr int kDefaultLeft = 240;
constexpr int kDefaultTop = 45;

enum OptionsTextRow : int {
    otCaption = 1, otGeneral, otSingleCommand, otNumberFormat, otDecimal, otHex, otOk, otCancel, otHelp
};
const LangRow OptionsTexts[] = {
    /* 1 */ {"Options - %s", "Options - %s", "选项 - %s", "Optionen - %s"},
    /* 2 */ {"General", "Général", "常规", "Allgemein"},
    /* 3 */ {"Single Command", "Commande unique", "单条命令", "Einzelbefehl"},
    /* 4 */ {"Single Command Number Format:", "Format des nombres :", "单条命令数字格式：", "Zahlenformat für Einzelbefehle:"},
    /* 5 */ {"Decimal", "Décimal", "十进制", "Dezimal"},
    /* 6 */ {"Hex", "Hexa", "十六进制", "Hex"},
    /* 7 */ {"&Ok", "&Ok", "确定(&O)", "&OK"},
    /* 8 */ {"&Cancel", "&Annuler", "取消(&C)", "&Abbrechen"},
    /* 9 */ {"&Help", "&Aide", "帮助(&H)", "&Hilfe"},
};
std::string OptionsText(int row) {
    return LangText(OptionsTexts, sizeof OptionsTexts / sizeof OptionsTexts[0], row, LanguageNumber);
}

}  // namespace

// ---- the window

namespace {
constexpr int kOptionsTreeRowHeight = 18;
}  // namespace

std::string TOptionsForm::BaseKey() { return "\\" + Tmainform::RegistryKeyPath; }

TOptionsForm::TOptionsForm() {
    Name = "OptionsForm";
    SetCaption("Options");
    SetDialogBorder();
    SetClientSize(594, 329);

    XcTreeView1 = new TXcTreeView(this);
    XcTreeView1->HideSelection = false;
    XcTreeView1->Name = "XcTreeView1";
    XcTreeView1->SetBounds(8, 8, 170, 272);
    OptionsPageControl = new TPanel(this);
    OptionsPageControl->Name = "OptionsPageControl";
    OptionsPageControl->Bevel = false;
    OptionsPageControl->SetBounds(186, 8, 400, 272);
    for (const char* name : {"tsGeneral", "tsSingleCommand", "tsModbus", "tsComPort"}) {
        auto* page = new TPanel(OptionsPageControl);
        page->Name = name;
        page->Bevel = false;
        page->SetBounds(0, 0, 400, 272);
        page->Hide();
        Pages.push_back(page);
    }
    grpSingleCommandNumberKind = new TRadioGroup(Pages[1], "Single Command Number Format:");
    grpSingleCommandNumberKind->Name = "grpSingleCommandNumberKind";
    grpSingleCommandNumberKind->SetBounds(8, 8, 384, 52);
    grpSingleCommandNumberKind->SetItems({"Decimal", "Hex"});
    // Two columns.
    grpSingleCommandNumberKind->Button(0)->SetBounds(12, 22, 170, 20);
    grpSingleCommandNumberKind->Button(1)->SetBounds(196, 22, 170, 20);
    // Kept for the modbus and com-port options the dialog was laid out for; no node shows them.
    grpMasterSlave = new TGroupBox(Pages[2], "Master/Slave:");
    grpMasterSlave->SetBounds(8, 8, 384, 60);
    grpTransmission = new TGroupBox(Pages[2], "Transmission Protocol:");
    grpTransmission->SetBounds(8, 76, 384, 60);
    Pages[2]->SetEnabled(false);

    nodeGeneral = XcTreeView1->Items.Add(nullptr, "General");
    nodeGeneral->SetImageIndex(0);
    nodeSingleCommand = XcTreeView1->Items.AddChild(nodeGeneral, "Single Command");
    nodeSingleCommand->SetImageIndex(1);
    XcTreeView1->FullExpand();
    XcTreeView1->SetLineColor(13160660);
    XcTreeView1->SetItemHeight(kOptionsTreeRowHeight);
    XcTreeView1->OnChange = [this](TXcTreeView* t, TXcTreeNode* node) { XcTreeView1Change(t, node); };

    btnOK = new TButton(this, "&Ok");
    btnOK->SetBounds(344, 292, 75, 27);
    btnOK->ModalResult = TModalResult::mrOk;
    btnOK->OnClick = [this](TControl*) { btnOKClick(); };
    btnCancel = new TButton(this, "&Cancel");
    btnCancel->SetBounds(427, 292, 75, 27);
    btnCancel->ModalResult = TModalResult::mrCancel;
    btnHelp = new TButton(this, "&Help");
    btnHelp->SetBounds(510, 292, 75, 27);
    btnOK->SetDefault(true);
    btnCancel->SetCancel(true);

    // Centred on the screen.
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    SetBounds(std::max(0, (sw - Width()) / 2), std::max(0, (sh - Height()) / 2), Width(), Height());

    OnCreate = [this](TForm* f) { FormCreate(f); };
    OnActivate = [this](TForm* f) { FormActivate(f); };
    OnDestroy = [this](TForm* f) { FormDestroy(f); };
}

TOptionsForm::~TOptionsForm() {
    if (OptionsForm == this) OptionsForm = nullptr;
    delete Registry;
}

void TOptionsForm::FormCreate(TForm*) {
    Registry = new TP_Registry();
    Registry->SetRootKey(HKEY_CURRENT_USER);
    Registry->BaseKey = BaseKey();
    XcTreeView1->SetSelected(nodeGeneral);
    ShowPage(0);
    LoadOptions();
    if (mainform) {
        mainform->SaveButtonAvailable();
        mainform->SendSingleNumberKindExecute();
    }
    DebugChannel(Name);
}

void TOptionsForm::LoadOptions() {
    const std::int32_t left = Registry->ReadInteger(kOptionsSection, kLeftName, kDefaultLeft);
    const std::int32_t top = Registry->ReadInteger(kOptionsSection, kTopName, kDefaultTop);
    const std::int32_t kind = Registry->ReadInteger(kOptionsSection, kKindName, 0);
    if (mainform) mainform->MoveToStoredPosition(left, top);
    // The radio group holds the two formats only; anything else stored is taken as decimal.
    SingleCommandNumberKind = (kind == 0 || kind == 1) ? kind : 0;
    OptionsToControls();
}

void TOptionsForm::SaveOptions() {
    ControlsToOptions();
    Registry->WriteInteger(kOptionsSection, kKindName, SingleCommandNumberKind);
    if (mainform) {
        Registry->WriteInteger(kOptionsSection, kLeftName, mainform->Left());
        Registry->WriteInteger(kOptionsSection, kTopName, mainform->Top());
    }
}

void TOptionsForm::OptionsToControls() { grpSingleCommandNumberKind->SetItemIndex(SingleCommandNumberKind); }

void TOptionsForm::ControlsToOptions() {
    const int i = grpSingleCommandNumberKind->ItemIndex();
    if (i >= 0) SingleCommandNumberKind = i;
}

void TOptionsForm::FormActivate(TForm*) {
    OptionsToControls();
    // The keyboard starts in the page tree, which then shows its selected page marked.
    XcTreeView1->SetFocus();
}

void TOptionsForm::FormDestroy(TForm*) {
    if (Registry) SaveOptions();
    delete Registry;
    Registry = nullptr;
}

void TOptionsForm::ShowPage(int page) {
    activePage_ = RangeCheck(page, 0, static_cast<int>(Pages.size()) - 1);
    for (size_t i = 0; i < Pages.size(); ++i) Pages[i]->SetVisible(static_cast<int>(i) == activePage_);
}

void TOptionsForm::XcTreeView1Change(TXcTreeView*, TXcTreeNode* node) {
    if (!node) return;
    ShowPage(node->ImageIndex());
    SetCaption(Format(OptionsText(otCaption).c_str(), node->Text().c_str()));
}

void TOptionsForm::btnOKClick() {
    SaveOptions();
    if (mainform) {
        mainform->SaveButtonAvailable();
        mainform->SendSingleNumberKindExecute();
    }
}

void TOptionsForm::ApplyLanguage() {
    const int l = RangeCheck(LanguageNumber, 0, kLanguageCount - 1);
    const TFont font{At(LangFontName, l), At(LangFontSize, l), At(LangFontCharset, l), false};
    SetFont(font);
    std::function<void(TWinControl*)> apply = [&](TWinControl* parent) {
        for (TControl* c : parent->Children()) {
            c->SetFont(font);
            if (auto* w = dynamic_cast<TWinControl*>(c)) apply(w);
        }
    };
    apply(this);
    // Rows of 18 pixels, taller where the language's font needs it (the Chinese one is higher).
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, XcTreeView1->Font().Handle());
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    // (The tree takes even heights only.)
    XcTreeView1->SetItemHeight(std::max<int>(kOptionsTreeRowHeight, (tm.tmHeight + 3) / 2 * 2));
    nodeGeneral->SetText(OptionsText(otGeneral));
    nodeSingleCommand->SetText(OptionsText(otSingleCommand));
    grpSingleCommandNumberKind->SetCaption(OptionsText(otNumberFormat));
    grpSingleCommandNumberKind->Button(0)->SetCaption(OptionsText(otDecimal));
    grpSingleCommandNumberKind->Button(1)->SetCaption(OptionsText(otHex));
    btnOK->SetCaption(OptionsText(otOk));
    btnCancel->SetCaption(OptionsText(otCancel));
    btnHelp->SetCaption(OptionsText(otHelp));
    const TXcTreeNode* node = XcTreeView1->Selected() ? XcTreeView1->Selected() : nodeGeneral;
    SetCaption(Format(OptionsText(otCaption).c_str(), node->Text().c_str()));
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void Options1Click() {
    if (!OptionsForm) return;
    OptionsForm->ApplyLanguage();
    OptionsForm->ShowModal();
}

}  // namespace talvik

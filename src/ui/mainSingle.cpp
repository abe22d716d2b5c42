// The main window's single-command panel and site button: the command list of each mode,
// the inputs each command needs, sending one command through the link, the number format of
// the inputs, and the captions of the panels that setcaptions does not name.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "base/debugchannel.h"
#include "base/format.h"
#include "base/rtl.h"
#include "link/uLog.h"
#include "link/uVar.h"
#include "ui/lang.h"
#include "ui/langLink.h"
#include "ui/main.h"
#include "ui/singleCommand.h"
#include "ui/uOptions.h"
#include "ui/xalprog.h"

namespace talvik {

void Tmainform::sendcomboload() {
    sendcombo->Clear();
    for (int row : SendComboRows(SiteMode)) sendcombo->Add(CaptionText(row));
    sendcombo->SetItemIndex(0);
    // The inputs follow the entry now chosen (a language change reloads the list too).
    singleinputsset();
    if (SiteMode) {
        sitebutton->SetCaption(IntToStr(Sitespin->Value()));
        sitebutton->SetHint(CaptionText(77));
        sitepanel->SetHint(CaptionText(77));
        Sitelab->SetCaption(CaptionText(78));
    // The command label ends where the command list begins (further left in Chinese).
    Singlab1->SetWidth(LanguageNumber == LangChinese ? 64 : 86);
    } else {
        sitebutton->SetCaption(CaptionText(79));
        sitebutton->SetHint(CaptionText(80));
    }
}

void Tmainform::sendcomboChange() {
    const bool wasSiteMode = SiteMode;
    const int index = sendcombo->ItemIndex();
    const bool switching = (SiteMode && index == scLogMode) || (!SiteMode && index == scModeOrZirb);
    if (switching && RefuseLineChange()) {
        // The frames of the transfer keep their format; the list shows the mode in use again.
        sendcomboload();
        reccapset();
        return;
    }
    if (SiteMode && index == scProgramXal) {
        if (xalform) {
            xalform->Show();
            SetForegroundWindow(xalform->Handle());
        }
    } else if (SiteMode && index == scLogMode) {
        SiteMode = false;
    } else if (!SiteMode && index == scModeOrZirb) {
        SiteMode = true;
    }
    if (SiteMode != wasSiteMode) {
        if (Link) Link->FollowRegulator();
        sendcomboload();
        sitepanel->Invalidate();
        sitebutton->Invalidate();
    }
    reccapset();
}

void Tmainform::reccapset() {
    Reccap->SetCaption("");
    reclab->SetCaption("");
    singleinputsset();
}

void Tmainform::singleinputsset() {
    const SingleCommandInputs in = SingleInputsFor(sendcombo->ItemIndex(), SiteMode);
    Singlab2->SetVisible(in.address);
    spinSendAddress->SetVisible(in.address);
    Singlab3->SetVisible(in.data);
    spinSendData->SetVisible(in.data);
    Singlab3->SetCaption(CaptionText(in.dataLabelRow));
}

void Tmainform::DisplaySingleCommandWindow() {
    Singlepanel->SetVisible(!Singlepanel->Visible());
    if (!Singlepanel->Visible()) return;
    reclab->SetCaption("");
    reccapset();
    Singlepanel->BringToFront();
}

void Tmainform::singsendClick() {
    if (!Link) return;
    // The port is reopened below: a request or write in flight would lose its line.
    if (CommBusy || WriteBusy || HistLoadMode || Dialling) {
        DebugChannel("single command refused: the link is busy");
        ShowRefusal(LinkTextOf(TLinkText::LineBusy, LanguageNumber));
        return;
    }
    const int index = sendcombo->ItemIndex();
    if (DirectMode) {
        portset(CheckedCast<std::uint16_t>(DirectPortNumber));
    } else if (Comport->GetOpen()) {
        Comport->FlushInBuffer();
    }
    if (!Comport->GetOpen()) {
        // Nothing can go out: say so instead of leaving a request that waits for nothing.
        ShowStatus(LinkTextOf(TLinkText::CantOpenPort, LanguageNumber));
        if (SystemBeep) SystemBeep();
        return;
    }
    HistLoadMode = false;
    HistClearMode = false;
    SendAll = false;
    const bool unlock = index == scWriteEeprom || index == scClearHistory || index == scTestHistory;
    SingleCommandUnlock = unlock;
    UnlockPending = unlock;
    DataKind = 1;
    reclab->SetCaption("");
    ZirbSiteSet = false;
    switch (index) {
    case scReadRam:
    case scReadEeprom:
    case scWriteRam:
    case scWriteEeprom:
    case scLoopback:
        if (DebugEnabled)
            DebugWindowAdd(Format("Single command %d: address %d, data %d", index, SpinInteger(spinSendAddress),
                                  SpinInteger(spinSendData)));
        Link->sendcommand(index, SpinInteger(spinSendAddress), SpinInteger(spinSendData), UnlockPending);
        break;
    case scClearHistory:
    case scTestHistory:
        Link->starthistoryrun(index == scClearHistory);
        break;
    case scModeOrZirb:
        if (!SiteMode) break;
        ZirbSiteSet = true;
        RandomTestByte = std::rand() % 255;
        Link->sendcommand(0xBB, 101, RandomTestByte, false);
        break;
    default:
        break;
    }
}

void Tmainform::SendSingleNumberKindExecute() {
    const int kind = OptionsForm ? OptionsForm->SingleCommandNumberKind : snkDecimal;
    if (kind != snkDecimal && kind != snkHex) return;
    const bool hex = kind == snkHex;
    Singlab2->SetCaption(CaptionText(hex ? 85 : 73));
    for (TXcSpinEdit* spin : {spinSendAddress, spinSendData})
        spin->SetValueType(hex ? TValueType::vtHex : TValueType::vtInteger);
}

bool Tmainform::HexNumberFormat() const {
    return OptionsForm && OptionsForm->SingleCommandNumberKind == snkHex;
}

std::int32_t Tmainform::SpinInteger(const TXcSpinEdit* spin) {
    const auto v = spin->AsInteger();
    if (v < INT32_MIN || v > INT32_MAX) throw ERangeError();
    return static_cast<std::int32_t>(v);
}

void Tmainform::SitespinChange() {
    // The edit tells of text set again to the same number: still the same regulator, so what
    // was read from it still counts.
    if (Sitespin->Value() == SiteInUse) return;
    if (RefuseLineChange()) {
        Sitespin->SetValue(SiteInUse);
        return;
    }
    SiteInUse = Sitespin->Value();
    sitebutton->SetCaption(IntToStr(Sitespin->Value()));
    // Data read from one site must not be taken for another's (nor saved or programmed as such).
    if (Link) Link->FollowRegulator();
}

void Tmainform::MoveToStoredPosition(int left, int top) {
    // A position from another screen layout must not leave the window out of reach.
    const int vx = GetSystemMetrics(SM_XVIRTUALSCREEN), vy = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int vw = GetSystemMetrics(SM_CXVIRTUALSCREEN), vh = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    left = std::clamp(left, vx, std::max(vx, vx + vw - Width()));
    top = std::clamp(top, vy, std::max(vy, vy + vh - Height()));
    SetBounds(left, top, Width(), Height());
}

void Tmainform::setpanelcaptions() {
    Setuplab->SetCaption(CaptionText(Tapicheck->Checked() && SetupeditShowsTapiDevice ? 10 : 12));
    Sitelab->SetCaption(CaptionText(78));
    // The command label ends where the command list begins (further left in Chinese).
    Singlab1->SetWidth(LanguageNumber == LangChinese ? 64 : 86);
    Timedelaylab->SetCaption(PanelText(ptPathDelay, LanguageNumber));
    Logread->SetCaption(PanelText(ptView, LanguageNumber));
    Singlab2->SetCaption(CaptionText(HexNumberFormat() ? 85 : 73));
    Singlab3->SetCaption(CaptionText(SingleInputsFor(sendcombo->ItemIndex(), SiteMode).dataLabelRow));
    // The reply caption follows the language while it says "Reply:"; "Site" and "Error" are
    // the link's words for one reply and stay until the next.
    for (int l = 0; l < kLanguageCount; ++l)
        if (!Reccap->Caption().empty() && Reccap->Caption() == CaptionText(76, l)) {
            Reccap->SetCaption(CaptionText(76));
            break;
        }
}

}  // namespace talvik

// The main window's side of the regulator link (see mainLink.h).
#include "ui/mainLink.h"

#include "ui/lang.h"
#include "ui/langLink.h"
#include "ui/main.h"
#include "ui/mainImages.h"

namespace talvik {

std::string TMainLinkListener::Text(TLinkText T) { return LinkTextOf(T, LanguageNumber); }

void TMainLinkListener::ShowStatus(const std::string& Text) { form_.ShowStatus(Text); }

void TMainLinkListener::Beep() {
    if (Tmainform::SystemBeep) Tmainform::SystemBeep();
}

void TMainLinkListener::EnableSaveOption(TSaveOption Option) {
    switch (Option) {
    case TSaveOption::Current: form_.Currsavecheck->SetEnabled(true); break;
    case TSaveOption::History: form_.Datasavecheck->SetEnabled(true); break;
    case TSaveOption::Calibration: form_.Calsavecheck->SetEnabled(true); break;
    case TSaveOption::Settings: form_.Setsavecheck->SetEnabled(true); break;
    }
    form_.SaveButtonAvailable();
}

void TMainLinkListener::DisableSaveOption(TSaveOption Option) {
    switch (Option) {
    case TSaveOption::Current: form_.Currsavecheck->SetEnabled(false); break;
    case TSaveOption::History: form_.Datasavecheck->SetEnabled(false); break;
    case TSaveOption::Calibration: form_.Calsavecheck->SetEnabled(false); break;
    case TSaveOption::Settings: form_.Setsavecheck->SetEnabled(false); break;
    }
    form_.SaveButtonAvailable();
}

void TMainLinkListener::DataInvalidated() {
    for (TSaveOption o : {TSaveOption::Current, TSaveOption::History, TSaveOption::Calibration, TSaveOption::Settings})
        DisableSaveOption(o);
    TGraphXalListener::DataInvalidated();
}

std::int32_t TMainLinkListener::BaudIndex() { return form_.baudbox->ItemIndex(); }

std::int32_t TMainLinkListener::PathDelay() { return form_.TimedelayEdit->Value(); }

std::int32_t TMainLinkListener::SiteNumber() { return form_.Sitespin->Value(); }

void TMainLinkListener::CurrentGetCurrent() { form_.PostCurrentPageRequest(2); }

void TMainLinkListener::CurrentGetCurrentString() { form_.PostCurrentPageRequest(3); }

std::int32_t TMainLinkListener::SingleCommandIndex() { return form_.sendcombo->ItemIndex(); }

std::int32_t TMainLinkListener::SingleCommandData() { return Tmainform::SpinInteger(form_.spinSendData); }

bool TMainLinkListener::HexNumberFormat() { return form_.HexNumberFormat(); }

std::string TMainLinkListener::ModemSetupText() { return form_.Setupedit->Text(); }

bool TMainLinkListener::PulseDial() { return form_.Pulsecheck->Checked(); }

std::string TMainLinkListener::DialNumber() { return form_.dialedit->Text(); }

std::string TMainLinkListener::LogNumber() { return form_.Lognumedit->Text(); }

void TMainLinkListener::CallButton(bool Connected) {
    form_.ToolButton9->SetImageIndex(Connected ? imgHangup : imgDial);
    form_.UpdateCallControls();
}

void TMainLinkListener::ComStatusUpdate() { form_.comstatusupdate(); }

void TMainLinkListener::SetReplyCaption(const std::string& Text) { form_.Reccap->SetCaption(Text); }

void TMainLinkListener::SetReplyText(const std::string& Text) { form_.reclab->SetCaption(Text); }

}  // namespace talvik

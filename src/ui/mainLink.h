// The main window's side of the regulator link: the status texts in the operator's language,
// the beeps, the save options a completed read makes available, the line values the link reads
// from the main window's panels and the single-command reply. The data windows' calls come from
// TGraphXalListener.
#pragma once

#include <cstdint>
#include <string>

#include "link/qvLink.h"
#include "ui/graphxalLink.h"

namespace talvik {

class Tmainform;

class TMainLinkListener : public TGraphXalListener {
public:
    explicit TMainLinkListener(Tmainform& Form) : form_(Form) {}

    std::string Text(TLinkText T) override;
    void ShowStatus(const std::string& Text) override;
    void Beep() override;
    void EnableSaveOption(TSaveOption Option) override;
    void DisableSaveOption(TSaveOption Option) override;
    // Another regulator is addressed: no save option is left, and the settings window shows it.
    void DataInvalidated() override;
    std::int32_t BaudIndex() override;
    std::int32_t PathDelay() override;
    std::int32_t SiteNumber() override;

    // The pair rule asks the current-data window for the other page (from inside a port event:
    // the request is made once that event is over).
    void CurrentGetCurrent() override;
    void CurrentGetCurrentString() override;

    std::int32_t SingleCommandIndex() override;
    std::int32_t SingleCommandData() override;
    bool HexNumberFormat() override;
    void SetReplyCaption(const std::string& Text) override;
    void SetReplyText(const std::string& Text) override;

    std::string ModemSetupText() override;
    bool PulseDial() override;
    std::string DialNumber() override;
    std::string LogNumber() override;
    void CallButton(bool Connected) override;
    void ComStatusUpdate() override;

private:
    Tmainform& form_;
};

}  // namespace talvik

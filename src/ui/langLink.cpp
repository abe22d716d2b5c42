// Which per-language table row each of the link's texts comes from (see langLink.h).
#include "ui/langLink.h"

#include "ui/SettingsFormat.h"
#include "ui/lang.h"

namespace talvik {

namespace {
// The link's own texts that no window table carries.
constexpr std::array<LangRow, 3> LinkOnlyText = {{
    {"Line busy with a transfer", "Ligne occupée par un transfert", "线路正在传输数据", "Leitung durch Übertragung belegt"},
    {"Hang up failed - carrier still present", "Échec du raccrochage - porteuse toujours présente",
     "挂断失败 - 载波仍然存在", "Auflegen fehlgeschlagen - Träger noch vorhanden"},
    {"Line busy - not changed", "Ligne occupée - inchangé", "线路忙 - 未更改", "Leitung belegt - nicht geändert"},
}};
}  // namespace

std::string LinkTextOf(TLinkText text, int language) {
    switch (text) {
    case TLinkText::RequestSent: return ReportTextOf(rtRequestSent, language);
    case TLinkText::DataReceived: return ReportTextOf(rtDataReceived, language);
    case TLinkText::Timeout: return StatusTextOf(stTimeout, language);
    case TLinkText::CantOpenPort: return ReportTextOf(rtCantOpenPort, language);
    case TLinkText::CommFail: return StatusTextOf(stCommFail, language);
    case TLinkText::SendingData: return LangText(SettingsUIText.data(), SettingsUIText.size(), 13, language);
    case TLinkText::PortNotOpen: return LangText(SettingsUIText.data(), SettingsUIText.size(), 14, language);
    case TLinkText::NoConnection: return LangText(SettingsUIText.data(), SettingsUIText.size(), 15, language);
    case TLinkText::PortOpen: return StatusTextOf(stPortOpen, language);
    case TLinkText::PortSetOK: return StatusTextOf(stPortSetOK, language);
    case TLinkText::PortSetException: return StatusTextOf(stPortSetException, language);
    case TLinkText::Reply: return CaptionText(76, language);
    case TLinkText::Site: return StatusTextOf(stSite, language);
    case TLinkText::Error: return StatusTextOf(stError, language);
    case TLinkText::Send: return CaptionText(75, language);
    case TLinkText::ReadError: return StatusTextOf(stReadError, language);
    case TLinkText::Checksum: return ReportTextOf(rtChecksum, language);
    case TLinkText::ModemSetup: return StatusTextOf(stModemSetup, language);
    case TLinkText::CantOpenModem: return StatusTextOf(stCantOpenPort, language);
    case TLinkText::CantOpenCommPort: return StatusTextOf(stCantOpenCommPort, language);
    case TLinkText::Dialing: return StatusTextOf(stDialing, language);
    case TLinkText::Carrier: return StatusTextOf(stCarrier, language);
    case TLinkText::WaitForClose: return StatusTextOf(stWaitForClose, language);
    case TLinkText::Break: return StatusTextOf(stBreak, language);
    case TLinkText::HangUp: return StatusTextOf(stHangUp, language);
    case TLinkText::Closed: return StatusTextOf(stClosed, language);
    case TLinkText::LineBusy: return LangText(LinkOnlyText.data(), LinkOnlyText.size(), 1, language);
    case TLinkText::HangupFailed: return LangText(LinkOnlyText.data(), LinkOnlyText.size(), 2, language);
    case TLinkText::LineKept: return LangText(LinkOnlyText.data(), LinkOnlyText.size(), 3, language);
    case TLinkText::BadHandle: break;  // a diagnostic of the port, in no language table
    }
    return EnglishLinkText(text);
}

}  // namespace talvik

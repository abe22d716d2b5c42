// Which per-language table row each of the link's texts comes from (see langLink.h).
#include "ui/langLink.h"

#include "ui/SettingsFormat.h"
#include "ui/lang.h"

namespace talvik {

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
    case TLinkText::BadHandle: break;  // a diagnostic of the port, in no language table
    }
    return EnglishLinkText(text);
}

}  // namespace talvik

// The "Device Selection" dialog, in which the user picks a telephony line or a direct com port,
// and the listing of telephony lines that it and the telephony device share.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "serial/KsPortOps.h"
#include "serial/KsTUtil.h"

namespace talvik {

inline constexpr DWORD TapiVersion14 = 0x00010004;

// The lines of the telephony service behind LineApp (Count devices), in device order. Listed
// gets the names of the lines that can place the calls wanted: with Filter, a line without data
// modem calls only when VoiceOk allows it and it has a wave device, and never a line that cannot
// place calls. All gets every device's name (empty where unknown), so that a name can be found
// whether listed or not. A device that refuses the version is skipped; with StopOnCapsFailure a
// capability read that fails ends the list, otherwise it skips the device.
void TapiLineList(HLINEAPP LineApp, DWORD Count, bool Filter, const std::function<bool(DWORD Media)>& VoiceOk,
                  bool StopOnCapsFailure, std::vector<std::string>& Listed, std::vector<std::string>& All);

class TDeviceSelectionForm {
public:
    std::vector<std::string> DeviceList;
    TTapiMode TapiMode = TTapiMode::tmAuto;
    std::uint16_t ComNumber = 0;
    std::string DeviceName;
    bool ShowTapiDevices = true;
    bool ShowPorts = true;
    bool FilterUnsupportedDevices = true;
    bool EnableVoice = false;

    // Shows the dialog modally (filling it the first time): 1 for OK, 2 for Cancel.
    int ShowModal();
    // Fills DeviceList (telephony lines, then "Direct to COM" ports); done once.
    void Fill();
    // The entry to select when the dialog opens.
    int InitialIndex() const;
    // Takes the entry chosen with OK.
    void Accept(const std::string& Entry);

private:
    bool filled_ = false;
};

}  // namespace talvik

// Where the data windows meet the rest of the program: the few calls they make into the main
// window and the link (set by whoever owns the link), and the listener that hands the link's
// read and write ends to the current-data and settings windows.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "link/qvLink.h"

namespace talvik {

struct TDataFormsHost {
    // Tmainform.Getdata: Sender is the asking window's class name.
    std::function<void(const std::string& Sender, std::int32_t Kind)> Getdata;
    std::function<bool()> writesettingchecked;
    std::function<bool()> startbulkload;
    // Whether the whole setting list holds data read from (or loaded for) this regulator.
    std::function<bool()> SettingListReady;
    // Brings the data-valid flags in line with the regulator addressed now (TLink::FollowRegulator).
    std::function<void()> FollowRegulator;
    // The windows closed: the main window's tool buttons come up.
    std::function<void()> CurrentClosed;
    std::function<void()> SettingsClosed;
};
extern TDataFormsHost DataFormsHost;

// Lets the windows reach this link (Getdata, writes).
void BindDataFormsToLink(TLink& Link);

// The link's calls for the current-data and settings windows, forwarded to Currentform and
// setform while they exist. The main window's listener derives from it and adds its own.
class TDataFormsListener : public TLinkListener {
public:
    void CurrentLabelUpdate() override;
    void CurrentGetCurrent() override;
    void CurrentGetCurrentString() override;
    void CurrentWaitHide() override;
    void ProgressStep(std::int32_t Kind) override;
    void GroupReadDone(std::int32_t Kind, bool Ok) override;
    void CalibrationDone(bool Ok) override;
    void TriggerUpdate(std::int32_t Kind) override;
    void WriteEnded(bool Bulk) override;
    void WriteGridStatus(const std::string& Text, bool Append, bool Failed) override;
    void DataInvalidated() override;
    void DefaultCursor() override;
};

}  // namespace talvik

// The data windows' side of the link (see formsLink.h).
#include "ui/formsLink.h"

#include "ui/Settings.h"
#include "ui/current.h"

namespace talvik {

TDataFormsHost DataFormsHost;

void BindDataFormsToLink(TLink& Link) {
    DataFormsHost.Getdata = [&Link](const std::string& Sender, std::int32_t Kind) { Link.Getdata(Sender, Kind); };
    DataFormsHost.writesettingchecked = [&Link] { return Link.writesettingchecked(); };
    DataFormsHost.startbulkload = [&Link] { return Link.startbulkload(); };
    DataFormsHost.SettingListReady = [&Link] { return Link.SettingListReady(); };
    DataFormsHost.FollowRegulator = [&Link] { Link.FollowRegulator(); };
}

void TDataFormsListener::CurrentLabelUpdate() {
    if (Currentform) Currentform->labelupdate();
}
void TDataFormsListener::CurrentGetCurrent() {
    if (Currentform) Currentform->getcurrent();
}
void TDataFormsListener::CurrentGetCurrentString() {
    if (Currentform) Currentform->getCurrentString();
}
void TDataFormsListener::CurrentWaitHide() {
    if (Currentform) Currentform->WaitHide();
}
void TDataFormsListener::ProgressStep(std::int32_t Kind) {
    if (Currentform && (Kind == 2 || Kind == 3 || Kind == 11)) Currentform->progressstep();
}
void TDataFormsListener::GroupReadDone(std::int32_t Kind, bool Ok) {
    if (setform) setform->GroupReadEnd(Kind, Ok);
}
void TDataFormsListener::CalibrationDone(bool Ok) {
    if (setform) setform->CalibrationReadEnd(Ok);
}
void TDataFormsListener::TriggerUpdate(std::int32_t Kind) {
    if (setform) setform->triggerupdate(Kind);
}
void TDataFormsListener::WriteEnded(bool Bulk) {
    if (setform) setform->WriteEnded(Bulk);
}
void TDataFormsListener::WriteGridStatus(const std::string& Text, bool Append, bool Failed) {
    if (setform) setform->WriteGridStatus(Text, Append, Failed);
}
void TDataFormsListener::DataInvalidated() {
    if (setform) setform->DataInvalidated();
}
void TDataFormsListener::DefaultCursor() {
    if (setform) setform->DefaultCursor();
}

}  // namespace talvik

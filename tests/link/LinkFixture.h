// Shared set-up of the link tests: fresh link state, a port double, a listener that records
// every call, and the debug-channel lines captured.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "FakeComPort.h"
#include "base/debugchannel.h"
#include "link/qvLink.h"
#include "link/uLog.h"
#include "link/uVar.h"

namespace talvik::test {

class RecordingListener : public TLinkListener {
public:
    std::vector<std::string> Statuses;
    std::vector<std::string> Calls;
    int Beeps = 0;
    std::int32_t Baud = 2;
    std::int32_t Site = 0;
    std::int32_t Delay = 2;
    std::int32_t Command = -1;
    std::int32_t CommandData = 0;
    bool Hex = false;
    std::string ReplyCaption, ReplyText;
    std::string SetupText, Number, LogNum;
    bool Pulse = false;
    std::function<void(const std::string&)> OnCall;  // lets a test act as the window that is called
    std::function<void(std::int32_t)> OnTriggerUpdate;

    void Note(const std::string& c) {
        Calls.push_back(c);
        if (OnCall) OnCall(c);
    }
    int Count(const std::string& c) const { return static_cast<int>(std::count(Calls.begin(), Calls.end(), c)); }

    void ShowStatus(const std::string& Text) override { Statuses.push_back(Text); }
    void Beep() override { ++Beeps; }
    void EnableSaveOption(TSaveOption o) override { Note("save" + std::to_string(static_cast<int>(o))); }
    void DisableSaveOption(TSaveOption o) override { Note("nosave" + std::to_string(static_cast<int>(o))); }
    void DataInvalidated() override { Note("invalidated"); }
    std::int32_t BaudIndex() override { return Baud; }
    std::int32_t PathDelay() override { return Delay; }
    std::int32_t SiteNumber() override { return Site; }
    void TriggerUpdate(std::int32_t Kind) override {
        if (OnTriggerUpdate) OnTriggerUpdate(Kind);
    }
    void CurrentLabelUpdate() override { Note("labelupdate"); }
    void CurrentGetCurrent() override { Note("getcurrent"); }
    void CurrentGetCurrentString() override { Note("getCurrentString"); }
    void CurrentWaitHide() override { Note("waithide"); }
    void GroupReadDone(std::int32_t Kind, bool Ok) override {
        Note("groupreaddone" + std::to_string(Kind) + (Ok ? " ok" : " failed"));
    }
    void CalibrationDone(bool Ok) override { Note(std::string("caldisplay") + (Ok ? " ok" : " failed")); }
    void WriteEnded(bool Bulk) override { Note(Bulk ? "bulk ended" : "write ended"); }
    void WriteGridStatus(const std::string& Text, bool Append, bool Failed) override {
        if (!Append) Note("grid " + Text + (Failed ? " red" : ""));
    }
    void GraphDraw() override { Note("drawgraph"); }
    void GraphClear() override { Note("cleargraph"); }
    void GraphScaleDraw() override { Note("scaledraw"); }
    void XalDisplay() override { Note("Xaltodis"); }
    void XalLoadData() override { Note("Loaddata"); }
    void XalReadError() override { Note("Read Error"); }
    void XalWriteDone(const std::string& Text) override { Note("xal done " + Text); }
    std::int32_t SingleCommandIndex() override { return Command; }
    std::int32_t SingleCommandData() override { return CommandData; }
    bool HexNumberFormat() override { return Hex; }
    void SetReplyCaption(const std::string& Text) override { ReplyCaption = Text; }
    void SetReplyText(const std::string& Text) override { ReplyText = Text; }
    std::string ModemSetupText() override { return SetupText; }
    bool PulseDial() override { return Pulse; }
    std::string DialNumber() override { return Number; }
    std::string LogNumber() override { return LogNum; }
    void CallButton(bool Connected) override { Note(Connected ? "call button connected" : "call button idle"); }
    void ComStatusUpdate() override { Note("comstatusupdate"); }
};

class LinkTest : public ::testing::Test {
protected:
    FakeComPort Port;
    RecordingListener Listener;
    TLink Link{Port, Listener};
    std::vector<std::string> Debug;
    int Pumps = 0;

    void SetUp() override {
        ResetLinkState();
        DirectMode = true;
        DirectPortNumber = 1;
        SetDebugSink([this](std::string_view l) { Debug.emplace_back(l); });
        Link.ProcessMessages = [this] { ++Pumps; };
    }
    void TearDown() override {
        SetDebugSink({});
        SetDebugWindowSink({});
    }
    bool HasDebug(const std::string& line) const {
        return std::find(Debug.begin(), Debug.end(), line) != Debug.end();
    }
    int CountDebug(const std::string& line) const {
        return static_cast<int>(std::count(Debug.begin(), Debug.end(), line));
    }
    static std::string Bytes(std::initializer_list<int> b) {
        std::string s;
        for (int v : b) s += static_cast<char>(v);
        return s;
    }
};

}  // namespace talvik::test

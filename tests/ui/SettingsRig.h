// The fixture of the window tests that write settings into the write-safety rig's regulators
// (writesafe_rig.sh: site 17 at 9600 baud on COM2, another regulator on COM3): the program
// started on its own registry key with ticks driven by the test, message boxes answered by the
// test, and the settings window's buttons pressed as a user presses them.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "link/uVar.h"
#include "toolkit/dialogs.h"
#include "ui/Settings.h"
#include "ui/main.h"
#include "ui/talvikProgram.h"
#include "WinRig.h"
#include "WireChecks.h"

namespace talvik::test {

// Site frames (site, command, address, data, sum) of the regulator the rig programs.
inline bool IsUnlock(const std::vector<int>& f) { return f.size() == 5 && f[1] == 0x98 && f[2] == 250 && f[3] == 0xA5; }
inline bool IsEepromWrite(const std::vector<int>& f) { return f.size() == 5 && f[1] == 0xCA; }

class SettingsRigTest : public ::testing::Test {
protected:
    static constexpr int kSite = 17;

    explicit SettingsRigTest(const char* registryKey) : key_(registryKey) {}

    void SetUp() override {
        ASSERT_NE(std::getenv("TALVIK_RIG_DIR"), nullptr) << "TALVIK_RIG_DIR not set: run through ctest";
        RegDeleteTreeA(HKEY_CURRENT_USER, key_);
        Tmainform::RegistryKeyPath = key_;
        Tmainform::ArgsOverride = std::vector<std::string>{};
        Tmainform::SystemBeep = [] {};
        Application.OnException = [this](const std::exception& e) { errors.push_back(e.what()); };
        oldHook = SetMessageDlgHook([this](const std::string& text, TMsgDlgType, unsigned) {
            boxes.push_back(text);
            return answer;
        });
        ResetLinkState();
        StartProgram();
        mainform->Timer1.SetEnabled(false);  // ticks are driven by the test
        mainform->Show();
    }
    void TearDown() override {
        if (mainform) mainform->Close();
        Application.DestroyForms();
        Application.ClearTerminated();
        SetMessageDlgHook(oldHook);
        Application.OnException = nullptr;
        Tmainform::SystemBeep = [] { MessageBeep(MB_OK); };
        RegDeleteTreeA(HKEY_CURRENT_USER, key_);
        EXPECT_TRUE(errors.empty()) << errors.front();
    }

    static bool RunUntil(const std::function<bool()>& done, DWORD limitMs = 60000) {
        return RunProgramUntil(done, limitMs);
    }
    static bool LinkIdle() { return !CommBusy && !RequestTriggerAdded && !ChainFlag; }
    static void Press(TControl* c) { SendMessageW(c->Handle(), BM_CLICK, 0, 0); }
    // The line of the rig: COM `port` at 9600 baud, site 17 of a network.
    static void UseRigLine(int port) {
        mainform->ebDirectComPortNum->SetText(std::to_string(port));
        mainform->baudbox->SetItemIndex(3);
        SiteMode = true;
        mainform->Sitespin->SetValue(kSite);
    }

    // "ALL", then "Send now" on the panel it opens.
    static void ProgramAll() {
        Press(setform->qvbutton);
        ASSERT_TRUE(setform->qvprogpanel->Visible());
        Press(setform->progbutton);
    }
    // Each group button in turn, each read to its end.
    static void ReadTheFiveGroups() {
        for (TViewButton* b : {setform->conbutton1, setform->Conbutton2, setform->Conbutton3, setform->Conbutton4,
                               setform->Conbutton5}) {
            Press(b);
            ASSERT_TRUE(RunUntil(LinkIdle));
            ASSERT_TRUE(KindLoaded[setform->SettingsKind]) << setform->SettingsKind;
        }
    }

    // The frames port's simulator heard from frame `from` on, as one whole-list programming run
    // that left the memory `after`. A retry the line's timing explains (a frame or reply held up
    // on a loaded machine) passes within the link's allowance; it is told on the output.
    static sim::WriteRun ProgramRunHeard(int port, std::size_t from, const std::string& after) {
        const std::vector<HeardFrame> heard = FramesHeard(port);
        const std::vector<HeardFrame> frames(heard.begin() + static_cast<std::ptrdiff_t>(std::min(from, heard.size())),
                                             heard.end());
        sim::WriteRun run = sim::CheckProgramRun(frames, kSite, after);
        if (!run.retries.empty()) std::printf("COM%d programming run: %s\n", port, run.Describe().c_str());
        return run;
    }

    std::vector<std::string> errors, boxes;
    TModalResult answer = TModalResult::mrYes;  // what every message box is answered
    MessageDlgHook oldHook;

private:
    const char* key_;
};

}  // namespace talvik::test

// Closing the program at the worst moment of a write and answering Yes, through the program's own
// windows, its real message boxes and the real com port under Wine: the write-safety rig's
// regulator on COM2 (site 17 at 9600 baud; writesafe_rig.sh in a prefix and folder of this test's
// own). The close arrives once the simulator has heard an unlock frame and before the write that
// belongs to it has gone; a thread of the test answers the question as a user would and records
// every other box that appears.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "base/debugchannel.h"
#include "link/qvLink.h"
#include "link/uVar.h"
#include "ui/Settings.h"
#include "ui/main.h"
#include "ui/singleCommand.h"
#include "SettingsRig.h"

using namespace talvik;
using namespace talvik::test;

namespace {

constexpr int kPort = 2;

std::vector<std::vector<int>> FramesSince(size_t before) {
    std::vector<std::vector<int>> out;
    const std::vector<HeardFrame> heard = FramesHeard(kPort);
    for (size_t i = before; i < heard.size(); ++i) out.push_back(heard[i].bytes);
    return out;
}

size_t UnlocksIn(const std::vector<std::vector<int>>& frames) {
    size_t n = 0;
    for (const auto& f : frames) n += IsUnlock(f) ? 1 : 0;
    return n;
}

// Every unlock frame directly followed by an EEPROM write; empty when so.
std::string UnlockWithoutWrite(const std::vector<std::vector<int>>& frames) {
    for (size_t i = 0; i < frames.size(); ++i) {
        if (!IsUnlock(frames[i])) continue;
        if (i + 1 == frames.size()) return "frame " + std::to_string(i) + ": the last frame heard is an unlock";
        if (!IsEepromWrite(frames[i + 1])) return "frame " + std::to_string(i) + ": an unlock not followed by its write";
    }
    return {};
}

std::string Text(HWND h, int id) {
    wchar_t buf[1024] = {};
    GetDlgItemTextW(h, id, buf, 1024);
    return Narrow(buf);
}

// The message boxes of this process, answered from another thread as they appear: a question
// (a box with a Yes button) with Yes once `ready` holds or after a while, any other box recorded
// and closed with OK.
class BoxAnswerer {
public:
    explicit BoxAnswerer(std::function<bool()> ready) : ready_(std::move(ready)), thread_([this] { Run(); }) {}
    ~BoxAnswerer() {
        stop_ = true;
        thread_.join();
    }
    std::vector<std::string> Questions() {
        std::lock_guard<std::mutex> lock(mutex_);
        return questions_;
    }
    std::vector<std::string> Others() {
        std::lock_guard<std::mutex> lock(mutex_);
        return others_;
    }
    // Whether `ready` held before the first question was answered.
    bool ReadyWhileAsked() const { return readyWhileAsked_; }

private:
    static BOOL CALLBACK Collect(HWND h, LPARAM p) {
        DWORD pid = 0;
        GetWindowThreadProcessId(h, &pid);
        wchar_t cls[16] = {};
        GetClassNameW(h, cls, 16);
        if (pid == GetCurrentProcessId() && IsWindowVisible(h) && std::wstring(cls) == L"#32770")
            reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
        return TRUE;
    }
    void Run() {
        while (!stop_) {
            std::vector<HWND> boxes;
            EnumWindows(&Collect, reinterpret_cast<LPARAM>(&boxes));
            for (HWND box : boxes) {
                if (!answered_.insert(box).second) continue;
                const std::string text = Text(box, 0xFFFF);  // the message box's text
                if (GetDlgItem(box, IDYES)) {
                    // The user reads the question: the line goes on meanwhile.
                    bool ready = false;
                    for (int i = 0; i < 250 && !(ready = ready_()); ++i) Sleep(20);
                    {
                        std::lock_guard<std::mutex> lock(mutex_);
                        if (questions_.empty()) readyWhileAsked_ = ready;
                        questions_.push_back(text);
                    }
                    PostMessageW(box, WM_COMMAND, IDYES, 0);
                } else {
                    {
                        std::lock_guard<std::mutex> lock(mutex_);
                        others_.push_back(text);
                    }
                    PostMessageW(box, WM_COMMAND, IDOK, 0);
                }
            }
            Sleep(20);
        }
    }

    std::function<bool()> ready_;
    std::mutex mutex_;
    std::vector<std::string> questions_, others_;
    std::set<HWND> answered_;
    std::atomic<bool> readyWhileAsked_{false};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

class CloseDuringWriteTest : public SettingsRigTest {
protected:
    CloseDuringWriteTest() : SettingsRigTest("Software\\Corvanel\\TALVIK-closewrite-test") {}
    void SetUp() override {
        SettingsRigTest::SetUp();
        if (HasFatalFailure()) return;
        // The program's own boxes and error display, as a user meets them.
        SetMessageDlgHook(nullptr);
        Application.OnException = nullptr;
        UseRigLine(kPort);
        SetDebugSink([this](std::string_view line) {
            lines.emplace_back(line);
            if (line.find(" 98 FA A5 ") != std::string_view::npos) ++unlocksSent;
        });
        mainform->Timer1.Tick();
    }
    void TearDown() override {
        SettingsRigTest::TearDown();
        SetDebugSink(nullptr);
        answerer.reset();
        if (HasFailure()) {
            FILE* out = std::fopen(RigFile("debug-closewrite.txt").c_str(), "w");
            if (out) {
                for (const std::string& l : lines) std::fprintf(out, "%s\n", l.c_str());
                std::fclose(out);
            }
        }
    }

    // From now on the program is held right after sending unlock frame number `unlock` (1 for
    // the first one sent from here on) until the simulator has heard it; then the main window is
    // told to close, as the user's click on its close box would, and the program goes on. The
    // question is answered with Yes once the simulator has heard a write after that unlock.
    void CloseAtUnlock(size_t unlock) {
        before = FramesHeard(kPort).size();
        const int sentBefore = unlocksSent;
        answerer = std::make_unique<BoxAnswerer>([this] {
            const auto frames = FramesSince(before);
            for (size_t i = 0; i + 1 < frames.size(); ++i)
                if (IsUnlock(frames[i]) && closeAt > 0 && i >= closeAt - 1 && IsEepromWrite(frames[i + 1])) return true;
            return false;
        });
        std::function<void()> pump = mainform->Link->ProcessMessages;
        mainform->Link->ProcessMessages = [this, pump, unlock, sentBefore] {
            if (!closePosted && unlocksSent - sentBefore == static_cast<int>(unlock)) {
                closePosted = true;
                // Held until the simulator has heard that unlock frame.
                for (int i = 0; i < 500; ++i) {
                    const auto frames = FramesSince(before);
                    if (UnlocksIn(frames) >= unlock) {
                        closeAt = frames.size();
                        break;
                    }
                    Sleep(10);
                }
                closeTick = GetTickCount();
                PostMessageW(mainform->Handle(), WM_CLOSE, 0, 0);
            }
            pump();
        };
    }

    // The program runs until its main loop would end; then its windows go, as at the end of the
    // program. Checks what the user met and what the regulator heard.
    void ExpectCleanEnd() {
        const bool ended = RunUntil([] { return Application.Terminated(); }, 60000);
        const DWORD took = GetTickCount() - closeTick;
        ASSERT_TRUE(closePosted) << "no unlock frame was sent";
        ASSERT_TRUE(ended) << "the program did not end";
        Application.DestroyForms();
        std::printf("closed %lu ms after the unlock frame was heard\n", static_cast<unsigned long>(took));
        // A few seconds: the question's box takes about two of them to appear under Wine.
        EXPECT_LT(took, 15000u);
        const std::vector<std::string> others = answerer->Others();
        EXPECT_TRUE(others.empty()) << "a box stood between the user and the exit: " << others.front();
        const std::vector<std::string> questions = answerer->Questions();
        ASSERT_EQ(questions.size(), 1u);
        EXPECT_NE(questions[0].find("close TALVIK?"), std::string::npos) << questions[0];
        EXPECT_TRUE(answerer->ReadyWhileAsked())
            << "the write of the unlock frame heard before the close did not go while the question stood";
        // The regulator: whatever came last (once the line is quiet), no unlock stands without
        // its write.
        for (int i = 0; i < 100; ++i) {
            const auto frames = FramesSince(before);
            if (!frames.empty() && IsEepromWrite(frames.back())) break;
            Sleep(50);
        }
        Sleep(500);
        const auto frames = FramesSince(before);
        ASSERT_GE(UnlocksIn(frames), 1u);
        EXPECT_EQ(UnlockWithoutWrite(frames), "");
    }

    std::vector<std::string> lines;
    int unlocksSent = 0;
    size_t before = 0;
    std::atomic<size_t> closeAt{0};
    bool closePosted = false;
    DWORD closeTick = 0;
    std::unique_ptr<BoxAnswerer> answerer;
};

TEST_F(CloseDuringWriteTest, SingleCommandEepromWrite) {
    mainform->DisplaySingleCommandWindow();
    PickFromList(mainform->sendcombo->Handle(), scWriteEeprom);
    mainform->spinSendAddress->SetText("40");
    mainform->spinSendData->SetText("130");
    CloseAtUnlock(1);
    Press(mainform->singsend);
    ExpectCleanEnd();
}

TEST_F(CloseDuringWriteTest, HistoryTest) {
    mainform->DisplaySingleCommandWindow();
    PickFromList(mainform->sendcombo->Handle(), scTestHistory);
    CloseAtUnlock(1);
    Press(mainform->singsend);
    ExpectCleanEnd();
}

TEST_F(CloseDuringWriteTest, SettingWriteOfTheSettingsWindow) {
    mainform->ToolButton6Click();
    ReadTheFiveGroups();
    // A value of the group shown, taken as it was read: Send writes it back.
    bool can = false;
    setform->sgrid2SelectCell(1, 3, can);
    ASSERT_TRUE(can);
    setform->sgrid2->SetSelection(1, 3);
    setform->sgrid2SetEditText(1, 3, setform->sgrid2->Cell(1, 3));
    ASSERT_TRUE(setform->sendbutton->Enabled());
    CloseAtUnlock(1);
    Press(setform->sendbutton);
    ExpectCleanEnd();
}

TEST_F(CloseDuringWriteTest, ProgramAllAtItsFirstUnlock) {
    mainform->ToolButton6Click();
    ReadTheFiveGroups();
    CloseAtUnlock(1);
    ProgramAll();
    ExpectCleanEnd();
}

TEST_F(CloseDuringWriteTest, ProgramAllAtAnUnlockOfALaterStep) {
    mainform->ToolButton6Click();
    ReadTheFiveGroups();
    CloseAtUnlock(3);
    ProgramAll();
    ExpectCleanEnd();
}

}  // namespace

// Closing the program at the worst moment of a write and answering Yes, through the program's own
// windows, its real message boxes and the real com port under Wine: the write-safety rig's
// regulator on COM2 (site 17 at 9600 baud; writesafe_rig.sh in a prefix and folder of this test's
// own). The close arrives once the simulator has heard an unlock frame and before the write that
// belongs to it has gone; a thread of the test answers the question as a user would and records
// every other box that appears.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <string_view>
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

// The message boxes of this process, answered from another thread as they appear, as a user
// answers them: the question on top (the last to come) with Yes once `ready` has held for
// `holdMs` (or once it has stood `giveUpMs`), any other box recorded and closed with OK.
struct AnswerPolicy {
    std::function<bool()> ready = [] { return true; };
    DWORD holdMs = 0;
    DWORD giveUpMs = 5000;
    // Nor before the question stood this long.
    DWORD minStandMs = 0;
    // Runs once, on the answerer's thread, when the first question appears.
    std::function<void()> onAsked;
};

class BoxAnswerer {
public:
    explicit BoxAnswerer(AnswerPolicy policy) : policy_(std::move(policy)), thread_([this] { Run(); }) {}
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
    // Whether `ready` held when the first question was answered.
    bool ReadyWhileAsked() const { return readyWhileAsked_; }
    // The most questions that stood at one time.
    size_t MostStanding() const { return mostStanding_; }
    // When the first Yes was given (0: none yet).
    DWORD FirstYesTick() const { return firstYes_; }

private:
    struct Seen {
        size_t order = 0;
        DWORD tick = 0;
        DWORD readySince = 0;
        bool answered = false;
    };
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
            const DWORD now = GetTickCount();
            HWND top = nullptr;
            size_t standing = 0;
            for (HWND box : boxes) {
                const bool question = GetDlgItem(box, IDYES) != nullptr;
                auto [it, fresh] = seen_.emplace(box, Seen{seen_.size(), now});
                if (question) {
                    ++standing;
                    if (!top || it->second.order > seen_[top].order) top = box;
                }
                if (!fresh) continue;
                const std::string text = Text(box, 0xFFFF);  // the message box's text
                if (question) {
                    bool first = false;
                    {
                        std::lock_guard<std::mutex> lock(mutex_);
                        questions_.push_back(text);
                        first = questions_.size() == 1;
                    }
                    if (first && policy_.onAsked) policy_.onAsked();
                } else {
                    {
                        std::lock_guard<std::mutex> lock(mutex_);
                        others_.push_back(text);
                    }
                    PostMessageW(box, WM_COMMAND, IDOK, 0);
                }
            }
            mostStanding_ = std::max<size_t>(mostStanding_, standing);
            if (top && !seen_[top].answered) {
                Seen& q = seen_[top];
                // The user reads the question: the line goes on meanwhile.
                const bool ready = now - q.tick >= policy_.minStandMs && policy_.ready();
                if (ready && q.readySince == 0) q.readySince = now ? now : 1;
                if ((ready && now - q.readySince >= policy_.holdMs) || now - q.tick >= policy_.giveUpMs) {
                    if (firstYes_ == 0) {
                        readyWhileAsked_ = ready;
                        firstYes_ = now ? now : 1;
                    }
                    q.answered = true;
                    PostMessageW(top, WM_COMMAND, IDYES, 0);
                }
            }
            Sleep(20);
        }
    }

    AnswerPolicy policy_;
    std::mutex mutex_;
    std::vector<std::string> questions_, others_;
    std::map<HWND, Seen> seen_;
    std::atomic<bool> readyWhileAsked_{false};
    std::atomic<size_t> mostStanding_{0};
    std::atomic<DWORD> firstYes_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// The bytes of a frame the program sent on the rig's port, from its debug line
// ("(2)  11 98 FA A5 48"); empty for any other line.
std::vector<int> FrameSent(std::string_view line) {
    const std::string prefix = "(" + std::to_string(kPort) + ") ";
    std::vector<int> bytes;
    if (line.substr(0, prefix.size()) != prefix) return bytes;
    std::istringstream in{std::string(line.substr(prefix.size()))};
    in >> std::hex;
    for (int b = 0; in >> b;) bytes.push_back(b);
    return bytes;
}

std::string Hex(const std::vector<int>& frame) {
    std::string s;
    char b[4];
    for (int x : frame) {
        std::snprintf(b, sizeof b, "%02X ", x);
        s += b;
    }
    return s;
}

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
            const std::vector<int> frame = FrameSent(line);
            if (!frame.empty()) {
                sent.push_back(frame);
                if (IsUnlock(frame)) ++unlocksSent;
            }
            if (line.rfind("transfer stopped at", 0) == 0 && sentAtStop < 0) sentAtStop = static_cast<int>(sent.size());
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

    // Answered once the simulator has heard a write after the unlock frame the close came at:
    // the write of that unlock goes while the question stands.
    AnswerPolicy AfterItsWrite() {
        AnswerPolicy p;
        p.ready = [this] {
            const auto frames = FramesSince(before);
            for (size_t i = 0; i + 1 < frames.size(); ++i)
                if (IsUnlock(frames[i]) && closeAt > 0 && i >= closeAt - 1 && IsEepromWrite(frames[i + 1])) return true;
            return false;
        };
        return p;
    }
    // While the question stands the user closes the program again: the close box once more
    // (once while the program stands among the window events of a frame it sends, as a
    // click there comes) and "Close window" on the task bar; Yes a few seconds later.
    AnswerPolicy ClosedAgainWhileAsked() {
        AnswerPolicy p;
        p.onAsked = [this] {
            PostMessageW(mainHwnd, WM_CLOSE, 0, 0);
            PostMessageW(mainHwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
            closeInStep = true;
        };
        p.ready = [this] { return closedInStep.load(); };
        p.holdMs = 3000;
        p.giveUpMs = 15000;
        return p;
    }

    // The question stands a while (the transfer goes on); Yes comes as the simulator has just
    // heard an unlock frame, whose write is then still to go.
    AnswerPolicy RightAfterAnUnlock() {
        AnswerPolicy p;
        p.minStandMs = 1500;
        p.giveUpMs = 15000;
        p.ready = [this] {
            const auto frames = FramesSince(before);
            return !frames.empty() && IsUnlock(frames.back());
        };
        return p;
    }

    // From now on the program is held right after sending unlock frame number `unlock` (1 for
    // the first one sent from here on) until the simulator has heard it; then the main window is
    // told to close, as the user's click on its close box would, and the program goes on. The
    // question is answered as `policy` says.
    void CloseAtUnlock(size_t unlock, AnswerPolicy policy) {
        before = FramesHeard(kPort).size();
        mainHwnd = mainform->Handle();
        const int sentBefore = unlocksSent;
        answerer = std::make_unique<BoxAnswerer>(std::move(policy));
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
            } else if (closeInStep.exchange(false)) {
                PostMessageW(mainform->Handle(), WM_CLOSE, 0, 0);
                closedInStep = true;
            }
            pump();
        };
    }

    // Runs the program until its main loop would end; then its windows go, as at the end of the
    // program. Fails unless it ended; returns how long after the first close it did.
    DWORD RunToTheEnd() {
        const bool ended = RunUntil([] { return Application.Terminated(); }, 60000);
        const DWORD took = GetTickCount() - closeTick;
        endTick = GetTickCount();
        EXPECT_TRUE(closePosted) << "no unlock frame was sent";
        EXPECT_TRUE(ended) << "the program did not end";
        Application.DestroyForms();
        return took;
    }

    // The frames the simulator heard once the line is quiet (the last frame a write).
    std::vector<HeardFrame> HeardWhenQuiet() {
        for (int i = 0; i < 100; ++i) {
            const auto frames = FramesSince(before);
            if (!frames.empty() && IsEepromWrite(frames.back())) break;
            Sleep(50);
        }
        Sleep(500);
        const std::vector<HeardFrame> heard = FramesHeard(kPort);
        return std::vector<HeardFrame>(heard.begin() + static_cast<std::ptrdiff_t>(std::min(before, heard.size())),
                                       heard.end());
    }

    // A value of the group shown, taken as it was read: Send writes it back.
    static void EditASettingAsRead() {
        bool can = false;
        setform->sgrid2SelectCell(1, 3, can);
        ASSERT_TRUE(can);
        setform->sgrid2->SetSelection(1, 3);
        setform->sgrid2SetEditText(1, 3, setform->sgrid2->Cell(1, 3));
        ASSERT_TRUE(setform->sendbutton->Enabled());
    }

    // Checks what the user met and what the regulator heard.
    void ExpectCleanEnd() {
        const DWORD took = RunToTheEnd();
        if (HasFatalFailure() || !closePosted) return;
        std::printf("closed %lu ms after the unlock frame was heard\n", static_cast<unsigned long>(took));
        // A few seconds: the question's box takes about two of them to appear under Wine.
        EXPECT_LT(took, 15000u);
        const std::vector<std::string> others = answerer->Others();
        EXPECT_TRUE(others.empty()) << "a box stood between the user and the exit: " << others.front();
        const std::vector<std::string> questions = answerer->Questions();
        ASSERT_EQ(questions.size(), 1u);
        EXPECT_NE(questions[0].find("close TALVIK?"), std::string::npos) << questions[0];
        EXPECT_TRUE(answerer->ReadyWhileAsked())
            << "the write of the unlock frame heard before the close had not gone when the question was answered";
        // The regulator: whatever came last, no unlock stands without its write.
        (void)HeardWhenQuiet();
        const auto all = FramesSince(before);
        ASSERT_GE(UnlocksIn(all), 1u);
        EXPECT_EQ(UnlockWithoutWrite(all), "");
    }

    // The write of the last unlock frame the regulator heard followed it within the link's short
    // wait (about 0.22 s; a loaded machine may stretch it, never to the two seconds the
    // question's box takes to appear).
    void ExpectLastUnlocksWriteInRhythm() {
        const std::vector<HeardFrame> heard = HeardWhenQuiet();
        size_t last = heard.size();
        for (size_t i = 0; i < heard.size(); ++i)
            if (IsUnlock(heard[i].bytes)) last = i;
        ASSERT_LT(last, heard.size()) << "no unlock frame heard";
        ASSERT_LT(last + 1, heard.size()) << "the last unlock frame heard has no write after it";
        ASSERT_TRUE(IsEepromWrite(heard[last + 1].bytes)) << Hex(heard[last + 1].bytes);
        const auto gap = static_cast<long long>(heard[last + 1].ms) - static_cast<long long>(heard[last].ms);
        std::printf("the last unlock's write followed it after %lld ms; the program ended %lu ms after the close\n", gap,
                    static_cast<unsigned long>(endTick - closeTick));
        EXPECT_LT(gap, 1000) << "the write of the last unlock frame reached the regulator " << gap
                             << " ms after it (the link's short wait is 220 ms)";
    }

    // One question all along, one Yes, and the program gone a few seconds later; after the Yes at
    // most the write of an unlock frame already out, and no unlock frame without its write.
    void ExpectOneQuestionOneStop() {
        RunToTheEnd();
        if (HasFatalFailure() || !closePosted) return;
        EXPECT_TRUE(closedInStep) << "no frame was sent while the question stood";
        EXPECT_EQ(answerer->MostStanding(), 1u) << "questions stood on top of each other";
        const std::vector<std::string> questions = answerer->Questions();
        EXPECT_EQ(questions.size(), 1u) << "questions asked: " << questions.size();
        const std::vector<std::string> others = answerer->Others();
        EXPECT_TRUE(others.empty()) << "a box stood between the user and the exit: " << others.front();
        ASSERT_NE(answerer->FirstYesTick(), 0u);
        const DWORD afterYes = endTick - answerer->FirstYesTick();
        std::printf("the program ended %lu ms after the Yes (%lu ms after the first close)\n",
                    static_cast<unsigned long>(afterYes), static_cast<unsigned long>(endTick - closeTick));
        EXPECT_LT(afterYes, 10000u) << "the program went on after the Yes";
        ASSERT_GE(sentAtStop, 0) << "the transfer was never stopped";
        std::string after;
        for (size_t i = static_cast<size_t>(sentAtStop); i < sent.size(); ++i) after += "[" + Hex(sent[i]) + "] ";
        const size_t sentAfter = sent.size() - static_cast<size_t>(sentAtStop);
        EXPECT_LE(sentAfter, 1u) << "frames sent after the Yes stopped the transfer: " << after;
        if (sentAfter == 1) {
            EXPECT_TRUE(IsEepromWrite(sent.back())) << "sent after the Yes: " << after;
        }
        const auto heard = HeardWhenQuiet();
        std::vector<std::vector<int>> frames;
        for (const HeardFrame& f : heard) frames.push_back(f.bytes);
        EXPECT_EQ(UnlockWithoutWrite(frames), "");
    }

    std::vector<std::string> lines;
    std::vector<std::vector<int>> sent;  // the frames the program sent, in order
    int sentAtStop = -1;                 // how many of them had gone when the transfer was stopped
    int unlocksSent = 0;
    size_t before = 0;
    std::atomic<size_t> closeAt{0};
    bool closePosted = false;
    std::atomic<bool> closeInStep{false}, closedInStep{false};
    HWND mainHwnd = nullptr;
    DWORD closeTick = 0, endTick = 0;
    std::unique_ptr<BoxAnswerer> answerer;
};

TEST_F(CloseDuringWriteTest, SingleCommandEepromWrite) {
    mainform->DisplaySingleCommandWindow();
    PickFromList(mainform->sendcombo->Handle(), scWriteEeprom);
    mainform->spinSendAddress->SetText("40");
    mainform->spinSendData->SetText("130");
    CloseAtUnlock(1, AfterItsWrite());
    Press(mainform->singsend);
    ExpectCleanEnd();
}

TEST_F(CloseDuringWriteTest, HistoryTest) {
    mainform->DisplaySingleCommandWindow();
    PickFromList(mainform->sendcombo->Handle(), scTestHistory);
    CloseAtUnlock(1, AfterItsWrite());
    Press(mainform->singsend);
    ExpectCleanEnd();
}

TEST_F(CloseDuringWriteTest, SettingWriteOfTheSettingsWindow) {
    mainform->ToolButton6Click();
    ReadTheFiveGroups();
    EditASettingAsRead();
    CloseAtUnlock(1, AfterItsWrite());
    Press(setform->sendbutton);
    ExpectCleanEnd();
}

TEST_F(CloseDuringWriteTest, ProgramAllAtItsFirstUnlock) {
    mainform->ToolButton6Click();
    ReadTheFiveGroups();
    CloseAtUnlock(1, AfterItsWrite());
    ProgramAll();
    ExpectCleanEnd();
}

TEST_F(CloseDuringWriteTest, ProgramAllAtAnUnlockOfALaterStep) {
    mainform->ToolButton6Click();
    ReadTheFiveGroups();
    CloseAtUnlock(3, AfterItsWrite());
    ProgramAll();
    ExpectCleanEnd();
}


// Closed again while the question stands: one question, one Yes, and the program ends.
TEST_F(CloseDuringWriteTest, ProgramAllClosedAgainWhileAsked) {
    mainform->ToolButton6Click();
    ReadTheFiveGroups();
    CloseAtUnlock(2, ClosedAgainWhileAsked());
    ProgramAll();
    ExpectOneQuestionOneStop();
}

TEST_F(CloseDuringWriteTest, HistoryTestClosedAgainWhileAsked) {
    mainform->DisplaySingleCommandWindow();
    PickFromList(mainform->sendcombo->Handle(), scTestHistory);
    CloseAtUnlock(2, ClosedAgainWhileAsked());
    Press(mainform->singsend);
    ExpectOneQuestionOneStop();
}

// Yes at once, or while an unlock frame is out: its write keeps the link's rhythm.
TEST_F(CloseDuringWriteTest, QuickYesOnASettingWrite) {
    mainform->ToolButton6Click();
    ReadTheFiveGroups();
    EditASettingAsRead();
    CloseAtUnlock(1, AnswerPolicy{});
    Press(setform->sendbutton);
    ExpectCleanEnd();
    ExpectLastUnlocksWriteInRhythm();
}

TEST_F(CloseDuringWriteTest, QuickYesOnProgramAll) {
    mainform->ToolButton6Click();
    ReadTheFiveGroups();
    CloseAtUnlock(2, AnswerPolicy{});
    ProgramAll();
    ExpectCleanEnd();
    ExpectLastUnlocksWriteInRhythm();
}

TEST_F(CloseDuringWriteTest, YesRightAfterAnUnlockWhileAsked) {
    mainform->ToolButton6Click();
    ReadTheFiveGroups();
    CloseAtUnlock(1, RightAfterAnUnlock());
    ProgramAll();
    ExpectCleanEnd();
    ExpectLastUnlocksWriteInRhythm();
}

}  // namespace

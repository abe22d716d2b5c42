// The "Select Port" dialog and its presence probe, under Wine with COM38 and COM39 present
// (one pseudo-terminal pair). The dialog needs a display.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <thread>

#include "serial/KsPort.h"
#include "serial/KsSelCom.h"

using namespace talvik;

namespace {

// Answers the dialog from another thread once it shows: checks it, picks the last entry (or
// cancels) and presses the button.
struct TDialogAnswer {
    explicit TDialogAnswer(int button) {
        worker = std::thread([this, button] {
            // The dialog exists, hidden, before its initialisation has sized it: wait until shown.
            for (int i = 0; i < 500 && !dlg; ++i) {
                HWND w = FindWindowW(nullptr, L"Select Port");
                if (w && IsWindowVisible(w)) dlg = w;
                else Sleep(20);
            }
            if (!dlg) return;
            RECT r;
            GetClientRect(dlg, &r);
            clientW = r.right;
            clientH = r.bottom;
            HWND combo = FindWindowExW(dlg, nullptr, L"ComboBox", nullptr);
            const int n = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
            for (int k = 0; k < n; ++k) {
                wchar_t text[32] = {};
                SendMessageW(combo, CB_GETLBTEXT, k, reinterpret_cast<LPARAM>(text));
                std::wstring w(text);
                items.push_back(std::string(w.begin(), w.end()));
            }
            selectedAtStart = static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
            SendMessageW(combo, CB_SETCURSEL, n - 1, 0);
            PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        });
    }
    ~TDialogAnswer() { worker.join(); }
    std::thread worker;
    std::atomic<HWND> dlg{nullptr};
    int clientW = 0, clientH = 0, selectedAtStart = -1;
    std::vector<std::string> items;
};

}  // namespace

TEST(PortProbe, PresentAndHeldPortsCountAndOthersDoNot) {
    EXPECT_EQ(ComNameFromNumber(12), "\\\\.\\COM12");
    EXPECT_EQ(ComNumberFromEntry("COM12"), 12);
    EXPECT_EQ(ComNumberFromEntry("COM"), 0);
    EXPECT_FALSE(IsPortAvailable(0));
    EXPECT_TRUE(IsPortAvailable(38));
    EXPECT_TRUE(IsPortAvailable(39));
    EXPECT_FALSE(IsPortAvailable(127));
    HANDLE held = CreateFileA("\\\\.\\COM38", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(IsPortAvailable(38));  // another program holds it: still listed
    CloseHandle(held);
    const auto entries = PresentPortEntries();
    int found = 0;
    for (const auto& e : entries) {
        EXPECT_LE(ComNumberFromEntry(e), 50);
        if (e == "COM38" || e == "COM39") ++found;
    }
    EXPECT_EQ(found, 2);
}

TEST(SelectPortDialog, ListsThePresentPortsAndGivesTheChosenNumber) {
    TDialogAnswer answer(IDOK);
    std::uint16_t n = 0;
    ASSERT_TRUE(SelectComPort(n));
    ASSERT_FALSE(answer.items.empty());
    EXPECT_EQ(answer.clientW, 220);
    EXPECT_EQ(answer.clientH, 131);
    EXPECT_EQ(answer.selectedAtStart, 0);
    EXPECT_EQ(n, ComNumberFromEntry(answer.items.back()));
    EXPECT_EQ(answer.items, PresentPortEntries());
}

TEST(SelectPortDialog, OpeningWithoutANumberAsksAndCancelRaises) {
    {
        TDialogAnswer answer(IDCANCEL);
        TKslComPort p;
        try {
            p.SetOpen(true);
            ADD_FAILURE();
        } catch (const ENoPortSelected& e) {
            EXPECT_EQ(e.ErrorCode, -2011);
        }
        EXPECT_FALSE(p.GetOpen());
        EXPECT_EQ(p.GetComNumber(), 0);
    }
    TDialogAnswer answer(IDOK);
    TKslComPort p;
    p.SetOpen(true);  // the last listed port is chosen and opened
    EXPECT_TRUE(p.GetOpen());
    EXPECT_EQ(p.GetComNumber(), ComNumberFromEntry(answer.items.back()));
}

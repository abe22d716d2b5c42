// The message dialog under Wine: the result of the button pressed, of Enter and of Escape,
// the countdown driven through the box's own timer, Ctrl+C onto the clipboard, the layout
// from the message font, the help button and the answering hook for other windows' tests.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "controls/XcDSADialogs.h"
#include "controls/XcLibrary.h"
#include "toolkit/stdctrls.h"

using namespace talvik;

namespace {

BOOL CALLBACK FindBox(HWND h, LPARAM lp) {
    auto* box = dynamic_cast<TDSAMessageForm*>(TControl::FromHandle(h));
    if (box && IsWindowVisible(h)) {
        *reinterpret_cast<TDSAMessageForm**>(lp) = box;
        return FALSE;
    }
    return TRUE;
}

// The box being shown, found among the thread's windows.
TDSAMessageForm* ShownBox() {
    TDSAMessageForm* found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&found));
    return found;
}

class DialogTest : public ::testing::Test {
protected:
    using Step = std::function<void(TDSAMessageForm*)>;

    void SetUp() override {
        Application.Initialize();
        InitializeControlsLibrary();
        Application.OnException = [this](const std::exception& e) { errors.push_back(e.what()); };
    }
    void TearDown() override {
        Application.OnException = nullptr;
        EXPECT_TRUE(errors.empty()) << errors.front();
    }
    // Runs the steps one per tick of a short timer while the box is up, as a user would act.
    void While(std::vector<Step> steps) {
        steps_ = std::move(steps);
        next_ = 0;
        idle_ = 0;
        driver_ = std::make_unique<TTimer>();
        driver_->SetInterval(30);
        driver_->OnTimer = [this](TTimer*) {
            TDSAMessageForm* box = ShownBox();
            if (!box) return;
            if (next_ >= steps_.size()) {
                // A box that should have closed by now is closed with a result no button has.
                if (++idle_ > 100) box->SetModalResult(static_cast<TModalResult>(99));
                return;
            }
            steps_[next_++](box);
        };
    }
    static HWND Focused(TDSAMessageForm* box) {
        HWND f = GetFocus();
        return f ? f : box->Handle();
    }
    static void Press(TDSAMessageForm* box, WPARAM vk) {
        HWND f = Focused(box);
        PostMessageW(f, WM_KEYDOWN, vk, 1);
        PostMessageW(f, WM_KEYUP, vk, 0xC0000001);
    }
    static void ClickButton(TDSAMessageForm* box, const std::string& name) {
        SendMessageW(box->FindComponent(name)->Handle(), BM_CLICK, 0, 0);
    }
    static std::vector<std::string> Captions(TDSAMessageForm* box) {
        std::vector<std::string> c;
        for (TControl* ctl : box->Components())
            if (dynamic_cast<TButton*>(ctl)) c.push_back(ctl->Text());
        return c;
    }
    static std::string ClipboardText() {
        std::string s;
        if (!OpenClipboard(nullptr)) return "(no clipboard)";
        if (HANDLE h = GetClipboardData(CF_TEXT)) {
            s = static_cast<const char*>(GlobalLock(h));
            GlobalUnlock(h);
        }
        CloseClipboard();
        return s;
    }

    std::vector<std::string> errors;
    std::string clipboard;
    std::vector<Step> steps_;
    size_t next_ = 0;
    int idle_ = 0;
    std::unique_ptr<TTimer> driver_;
};

TEST_F(DialogTest, OneOkButtonAnswersOneToEnterToEscapeAndToAClick) {
    for (WPARAM key : {WPARAM(VK_RETURN), WPARAM(VK_ESCAPE), WPARAM(0)}) {
        While({[&](TDSAMessageForm* box) {
            EXPECT_EQ(box->Text(), "Information");
            EXPECT_EQ(Captions(box), (std::vector<std::string>{"OK"}));
            EXPECT_EQ(box->FindComponent("Message")->Text(), "Nothing to save");
            EXPECT_NE(box->FindComponent("Image"), nullptr);
            EXPECT_EQ(box->FindComponent("Countdown"), nullptr);
            EXPECT_EQ(GetFocus(), box->FindComponent("Button0")->Handle());
            if (key) Press(box, key);
            else ClickButton(box, "Button0");
        }});
        EXPECT_EQ(ShowMessageDialog("Nothing to save", dkInformation, {dbOK}, 0, dcScreen, 0, dbDialogChooses,
                                    dbDialogChooses, dbHelp),
                  1)
            << "key " << key;
    }
}

TEST_F(DialogTest, SaveFileActionAnswersAppendOverwriteOrCancel) {
    auto ask = [] {
        return ShowCustomButtonDialog("Save File Action", "File already exists...", dkInformation,
                                      {"Append", "Overwrite", "Cancel"}, {1, 3, 2}, 0, dcScreen, 0, 0, 2, -1);
    };
    While({[](TDSAMessageForm* box) {
        EXPECT_EQ(box->Text(), "Save File Action");
        EXPECT_EQ(Captions(box), (std::vector<std::string>{"Append", "Overwrite", "Cancel"}));
        Press(box, VK_RETURN);
    }});
    EXPECT_EQ(ask(), 1);
    While({[](TDSAMessageForm* box) { Press(box, VK_ESCAPE); }});
    EXPECT_EQ(ask(), 2);
    While({[](TDSAMessageForm* box) { ClickButton(box, "Button1"); }});
    EXPECT_EQ(ask(), 3);
    // Enter on a button that has the focus presses that one.
    While({[](TDSAMessageForm* box) { box->FindComponent("Button2")->SetFocus(); },
           [](TDSAMessageForm* box) { Press(box, VK_RETURN); }});
    EXPECT_EQ(ask(), 2);
}

TEST_F(DialogTest, StandardButtonsInOrderWithTheDialogsDefaultAndCancel) {
    While({[](TDSAMessageForm* box) {
        EXPECT_EQ(box->Text(), "Confirm");
        EXPECT_EQ(Captions(box), (std::vector<std::string>{"&Yes", "&No", "Cancel"}));
        Press(box, VK_RETURN);
    }});
    EXPECT_EQ(ShowMessageDialog("Sure?", dkConfirmation, {dbCancel, dbNo, dbYes}), 6);
    While({[](TDSAMessageForm* box) { Press(box, VK_ESCAPE); }});
    EXPECT_EQ(ShowMessageDialog("Sure?", dkConfirmation, {dbCancel, dbNo, dbYes}), 2);
    While({[](TDSAMessageForm* box) {
        EXPECT_EQ(box->Text(), "Warning");
        ClickButton(box, "Button1");
    }});
    EXPECT_EQ(ShowMessageDialog("Go on?", dkWarning, {dbAbort, dbRetry, dbIgnore}), 4);
}

TEST_F(DialogTest, CountdownCountsOnTheBoxTimerAndPressesTheDefaultButtonAtZero) {
    While({[](TDSAMessageForm* box) {
        ASSERT_NE(box->CountdownLabel, nullptr);
        EXPECT_EQ(box->CountdownLabel->Text(), "This dialog is closing in 1 minute 5 seconds.");
        EXPECT_TRUE(box->Timer->Enabled());
        EXPECT_EQ(box->Timer->Interval(), 1000u);
        box->Timer->Tick();
        EXPECT_EQ(box->CountdownLabel->Text(), "This dialog is closing in 1 minute 4 seconds.");
        for (int i = 0; i < 63; ++i) box->Timer->Tick();
        EXPECT_EQ(box->CountdownLabel->Text(), "This dialog is closing in 1 second.");
        box->Timer->Tick();  // 0: the default button
    }});
    EXPECT_EQ(ShowMessageDialog("Closing soon", dkWarning, {dbYes, dbNo}, 0, dcScreen, 65), 6);

    // No default button: the box closes itself, answering Cancel's 2.
    While({[](TDSAMessageForm* box) {
        for (int i = 0; i < 3; ++i) box->Timer->Tick();
    }});
    EXPECT_EQ(ShowCustomButtonDialog("", "Bye", dkCustom, {"A", "B"}, {5, 6}, 0, dcScreen, 3, -1, -1, -1), 2);

    // A negative time closes as well, without a countdown line or room for one.
    int height = 0;
    While({[&](TDSAMessageForm* box) {
        EXPECT_EQ(box->FindComponent("Countdown"), nullptr);
        EXPECT_EQ(box->Timeout, 2);
        RECT r;
        GetClientRect(box->Handle(), &r);
        height = r.bottom;
        box->Timer->Tick();
        box->Timer->Tick();
    }});
    EXPECT_EQ(ShowCustomButtonDialog("Quiet", "Bye", dkCustom, {"OK"}, {1}, 0, dcScreen, -2, 0, 0, -1), 1);
    int withLine = 0;
    While({[&](TDSAMessageForm* box) {
        RECT r;
        GetClientRect(box->Handle(), &r);
        withLine = r.bottom;
        Press(box, VK_ESCAPE);
    }});
    ShowCustomButtonDialog("Quiet", "Bye", dkCustom, {"OK"}, {1}, 0, dcScreen, 2, 0, 0, -1);
    EXPECT_GT(withLine, height);
}

TEST_F(DialogTest, AnyKeyStopsTheCountdownAndRemovesItsLine) {
    While({[](TDSAMessageForm* box) { Press(box, 'A'); },
           [](TDSAMessageForm* box) {
               EXPECT_EQ(box->CountdownLabel, nullptr);
               EXPECT_EQ(box->FindComponent("Countdown"), nullptr);
               EXPECT_FALSE(box->Timer->Enabled());
               box->Timer->Tick();  // a tick already queued does nothing now
               EXPECT_EQ(box->Timeout, 10);
               Press(box, VK_ESCAPE);
           }});
    EXPECT_EQ(ShowMessageDialog("Wait", dkInformation, {dbOK, dbCancel}, 0, dcScreen, 10), 2);
    // Tab, which the box takes as a dialog key, stops it as well; a click too.
    While({[](TDSAMessageForm* box) { Press(box, VK_TAB); },
           [](TDSAMessageForm* box) {
               EXPECT_EQ(box->FindComponent("Countdown"), nullptr);
               EXPECT_EQ(GetFocus(), box->FindComponent("Button1")->Handle());
               Press(box, VK_ESCAPE);
           }});
    EXPECT_EQ(ShowMessageDialog("Wait", dkInformation, {dbOK, dbCancel}, 0, dcScreen, 10), 2);
    While({[](TDSAMessageForm* box) {
        SendMessageW(box->FindComponent("Panel")->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        EXPECT_FALSE(box->Timer->Enabled());
        EXPECT_EQ(box->CountdownLabel, nullptr);
        Press(box, VK_RETURN);
    }});
    EXPECT_EQ(ShowMessageDialog("Wait", dkInformation, {dbOK, dbCancel}, 0, dcScreen, 10), 1);
}

TEST_F(DialogTest, CtrlCCopiesCaptionMessageAndButtonsBetweenDividers) {
    While({[](TDSAMessageForm* box) {
               BYTE keys[256];
               GetKeyboardState(keys);
               keys[VK_CONTROL] = 0x80;
               SetKeyboardState(keys);
               Press(box, 'C');
           },
           [this](TDSAMessageForm* box) {
               BYTE keys[256];
               GetKeyboardState(keys);
               keys[VK_CONTROL] = 0;
               SetKeyboardState(keys);
               clipboard = ClipboardText();
               Press(box, VK_ESCAPE);
           }});
    EXPECT_EQ(ShowMessageDialog("Nothing to save", dkInformation, {dbOK}), 1);
    const std::string d = std::string(27, '-') + "\r\n";
    EXPECT_EQ(clipboard, d + "Information\r\n" + d + "Nothing to save\r\n" + d + "OK   \r\n" + d);
}

TEST_F(DialogTest, LongMessagesWrapAtHalfTheScreenShortOnesFitTheButtonRow) {
    const int screen = GetSystemMetrics(SM_CXSCREEN);
    std::string text;
    for (int i = 0; i < 40; ++i) text += "The regulator did not answer. ";
    While({[&](TDSAMessageForm* box) {
        TControl* m = box->FindComponent("Message");
        EXPECT_LE(m->Width(), screen / 2);
        EXPECT_GT(m->Width(), screen / 2 - 60);
        EXPECT_GT(m->Height(), 5 * 10);
        RECT r;
        GetWindowRect(box->Handle(), &r);
        EXPECT_NEAR((r.left + r.right) / 2, screen / 2, 1);  // centred on the screen
        Press(box, VK_RETURN);
    }});
    ShowMessageDialog(text, dkError, {dbOK});

    While({[&](TDSAMessageForm* box) {
        TControl* b0 = box->FindComponent("Button0");
        TControl* b2 = box->FindComponent("Button2");
        RECT r;
        GetClientRect(box->Handle(), &r);
        // The row is centred with the margins at both ends.
        EXPECT_EQ(b0->Left(), r.right - (b2->Left() + b2->Width()));
        EXPECT_LT(b0->Left(), 30);
        EXPECT_EQ(b0->Width(), b2->Width());
        Press(box, VK_ESCAPE);
    }});
    ShowCustomButtonDialog("", "Hi", dkCustom, {"Append", "Overwrite", "Cancel"}, {1, 3, 2}, 0, dcScreen, 0, 0, 2,
                           -1);
}

TEST_F(DialogTest, RightToLeftMirrorsTheMessageBesideTheIcon) {
    const std::string text = "The regulator did not answer.\nTry again.";
    HICON icon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_INFORMATION));
    TDSAMessageForm* ltr = BuildMessageForm("", text, icon, {"OK"}, {1}, 0, "", dcScreen, 0, 0, 0, -1);
    const TControl* m0 = ltr->FindComponent("Message");
    RECT client;
    GetClientRect(ltr->Handle(), &client);
    const int left = m0->Left(), width = m0->Width();
    EXPECT_GT(left, ltr->FindComponent("Image")->Left() + 20);  // the text stands right of the icon
    EXPECT_EQ(GetWindowLongW(m0->Handle(), GWL_STYLE) & SS_TYPEMASK, SS_LEFT);
    ltr->Free();

    Application.RightToLeft = true;
    TDSAMessageForm* rtl = BuildMessageForm("", text, icon, {"OK"}, {1}, 0, "", dcScreen, 0, 0, 0, -1);
    Application.RightToLeft = false;
    const TControl* m1 = rtl->FindComponent("Message");
    EXPECT_EQ(m1->Width(), width);
    EXPECT_EQ(m1->Left(), client.right - left - width);
    EXPECT_EQ(GetWindowLongW(m1->Handle(), GWL_STYLE) & SS_TYPEMASK, SS_RIGHT);
    rtl->Free();
}

TEST_F(DialogTest, CentredOnTheMainFormWhenAsked) {
    auto* main = new TForm();
    main->SetBounds(100, 80, 400, 300);
    TForm* oldMain = Application.MainForm;
    Application.MainForm = main;
    TDSAMessageForm* box = BuildMessageForm("", "Centred", nullptr, {"OK"}, {1}, 0, "", dcMainForm, 0, 0, 0, -1);
    RECT r;
    GetWindowRect(box->Handle(), &r);
    EXPECT_NEAR((r.left + r.right) / 2, 300, 1);
    EXPECT_NEAR((r.top + r.bottom) / 2, 230, 1);
    box->Free();
    Application.MainForm = oldMain;
    main->Free();
}

TEST_F(DialogTest, TheMessageIsDrawnWholeToItsLastCharacter) {
    const std::string text = "The log file was written. Next log in 24 hours.";
    TDSAMessageForm* box = BuildMessageForm("Information", text, nullptr, {"OK"}, {1}, 0, "", dcScreen, 0, 0, 0, -1);
    TControl* m = box->FindComponent("Message");
    HWND h = m->Handle();
    HDC wdc = GetDC(h);
    HDC dc = CreateCompatibleDC(wdc);
    HBITMAP bmp = CreateCompatibleBitmap(wdc, m->Width(), m->Height());
    HGDIOBJ oldBmp = SelectObject(dc, bmp);
    // What the screen shows, read back from the shown window.
    box->Show();
    for (int i = 0; i < 20; ++i) Application.ProcessMessages();
    UpdateWindow(h);
    BitBlt(dc, 0, 0, m->Width(), m->Height(), wdc, 0, 0, SRCCOPY);
    // The same text drawn freely, with room to spare, in the same font.
    const int wide = m->Width() + 40;
    HDC refDc = CreateCompatibleDC(wdc);
    HBITMAP refBmp = CreateCompatibleBitmap(wdc, wide, m->Height());
    HGDIOBJ oldRefBmp = SelectObject(refDc, refBmp);
    RECT refRect{0, 0, wide, m->Height()};
    FillRect(refDc, &refRect, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    HGDIOBJ oldFont = SelectObject(refDc, reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0)));
    SetBkMode(refDc, TRANSPARENT);
    const std::wstring w = Widen(text);
    DrawTextW(refDc, w.c_str(), -1, &refRect, DT_LEFT | DT_NOPREFIX | DT_SINGLELINE);
    auto lastInk = [&](HDC d, int width) {
        int last = -1;
        for (int x = 0; x < width; ++x)
            for (int y = 0; y < m->Height(); ++y)
                if (GetRValue(GetPixel(d, x, y)) < 128) last = x;
        return last;
    };
    const int shown = lastInk(dc, m->Width()), drawn = lastInk(refDc, wide);
    SelectObject(refDc, oldFont);
    SelectObject(refDc, oldRefBmp);
    DeleteObject(refBmp);
    DeleteDC(refDc);
    SelectObject(dc, oldBmp);
    DeleteObject(bmp);
    DeleteDC(dc);
    ReleaseDC(h, wdc);
    EXPECT_GT(drawn, 0);
    EXPECT_EQ(shown, drawn);
    box->Free();
}

TEST_F(DialogTest, HelpButtonAsksForHelpAndStaysOpen) {
    std::vector<int> asked;
    DialogHelpHandler = [&](int ctx) { asked.push_back(ctx); };
    While({[](TDSAMessageForm* box) {
               EXPECT_EQ(Captions(box), (std::vector<std::string>{"OK", "&Help"}));
               ClickButton(box, "Button1");
           },
           [](TDSAMessageForm* box) {
               EXPECT_TRUE(IsWindowVisible(box->Handle()));
               Press(box, VK_ESCAPE);
           }});
    EXPECT_EQ(ShowMessageDialog("Help?", dkInformation, {dbOK, dbHelp}, 0, dcScreen, 0), 1);
    DialogHelpHandler = nullptr;
    EXPECT_EQ(asked.size(), 1u);
}

TEST_F(DialogTest, CheckBoxLineAndTheAnsweringHook) {
    TDSAMessageForm* box = BuildMessageForm("Caption", "Text", nullptr, {"OK"}, {1}, 0, "Don't show this again",
                                            dcScreen, 5, 0, 0, kLastButton);
    TControl* check = box->FindComponent("DontShowAgain");
    TControl* countdown = box->FindComponent("Countdown");
    ASSERT_NE(check, nullptr);
    ASSERT_NE(countdown, nullptr);
    EXPECT_EQ(check->Text(), "Don't show this again");
    EXPECT_GT(countdown->Top(), check->Top());
    EXPECT_EQ(box->FindComponent("Image"), nullptr);
    box->Free();

    std::string seen;
    auto old = SetMessageDialogHook([&](TDSAMessageForm* b) {
        seen = b->Text() + "|" + b->FindComponent("Message")->Text();
        return 3;
    });
    EXPECT_EQ(ShowCustomButtonDialog("Save File Action", "File already exists...", dkInformation,
                                     {"Append", "Overwrite", "Cancel"}, {1, 3, 2}),
              3);
    EXPECT_EQ(seen, "Save File Action|File already exists...");
    // An empty caption takes the program title.
    ShowCustomButtonDialog("", "x", dkCustom, {"OK"}, {1});
    EXPECT_EQ(seen, "TALVIK|x");
    SetMessageDialogHook(old);
}

}  // namespace

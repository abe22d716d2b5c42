// The spin edit and spin button under Wine: typing and arrow keys in each value type, limits,
// the button's press-and-hold repeat on the toolkit's timer, the up-down arrows, the button
// placement and the text area beside it, the shared face sets, clipboard gating and the keys
// handed to the form.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "controls/XcSpin.h"
#include "controls/XcThemes.h"
#include "toolkit/stdctrls.h"

using namespace talvik;

namespace {

class SpinWinTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application.Initialize();
        Application.OnException = [this](const std::exception& e) { errors.push_back(e.what()); };
        form = new TForm();
        form->SetBounds(40, 40, 320, 240);
        form->Show();
        Pump();
    }
    void TearDown() override {
        form->Free();
        Pump();
        Application.OnException = nullptr;
    }
    static void Pump() {
        for (int i = 0; i < 10; ++i) Application.ProcessMessages();
    }
    TXcSpinEdit* NewSpin(int top = 10) {
        auto* s = new TXcSpinEdit(form);
        s->SetBounds(10, top, 100, 21);
        return s;
    }
    // What the keyboard does to the focused edit: the key goes down, the character follows.
    static void Type(TControl* c, const std::string& text) {
        for (char ch : text) {
            SendMessageW(c->Handle(), WM_KEYDOWN, static_cast<WPARAM>(VkKeyScanA(ch) & 0xFF), 1);
            SendMessageW(c->Handle(), WM_CHAR, static_cast<unsigned char>(ch), 1);
        }
    }
    static void Key(TControl* c, int vk) { SendMessageW(c->Handle(), WM_KEYDOWN, static_cast<WPARAM>(vk), 1); }
    static void SelectAll(TControl* c) { SendMessageW(c->Handle(), EM_SETSEL, 0, -1); }
    // The client rectangle of a child in the edit's client coordinates.
    static RECT RectIn(HWND child, HWND edit) {
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, edit, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    TForm* form = nullptr;
    std::vector<std::string> errors;
};

TEST_F(SpinWinTest, TypingAndArrowKeysGiveTheValuesOfEachType) {
    TXcSpinEdit* s = NewSpin();
    int changes = 0;
    s->OnChange = [&](TControl*) { ++changes; };
    EXPECT_EQ(s->Text(), "0");
    s->SetFocus();
    SelectAll(s);
    Type(s, "12a");
    EXPECT_EQ(s->Text(), "12");
    EXPECT_EQ(s->Value(), 12);
    Key(s, VK_UP);
    EXPECT_EQ(s->Text(), "13");
    Key(s, VK_DOWN);
    Key(s, VK_DOWN);
    EXPECT_EQ(s->Value(), 11);
    EXPECT_EQ(changes, 5);

    s->SetValueType(TValueType::vtHex);
    SelectAll(s);
    Type(s, "ff");
    EXPECT_EQ(s->Value(), 255);
    s->SetValue(255);
    EXPECT_EQ(s->Text(), "FF");
    Key(s, VK_UP);
    EXPECT_EQ(s->Text(), "100");

    s->SetValueType(TValueType::vtFloat);
    s->SetIncrement(0.25L);
    s->SetValue(1);
    EXPECT_EQ(s->Text(), "1.00");
    Key(s, VK_UP);
    EXPECT_EQ(s->Text(), "1.25");
    SelectAll(s);
    Type(s, "2.5");
    EXPECT_EQ(s->Value(), 2.5L);
    EXPECT_EQ(s->Text(), "2.50");
    // A second "." only moves the caret behind the separator.
    SendMessageW(s->Handle(), EM_SETSEL, 0, 0);
    Type(s, ".");
    EXPECT_EQ(s->Text(), "2.50");
    DWORD start = 0;
    SendMessageW(s->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
    EXPECT_EQ(start, 2u);
    // Backspace behind the separator steps over it instead of deleting it.
    Key(s, VK_BACK);
    SendMessageW(s->Handle(), WM_CHAR, VK_BACK, 1);
    EXPECT_EQ(s->Text(), "2.50");
    SendMessageW(s->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
    EXPECT_EQ(start, 1u);
    EXPECT_TRUE(errors.empty());
}

TEST_F(SpinWinTest, KeysThroughTheMessageLoopReachTheSpinEdit) {
    // Keys posted to the queue go the way typed keys go: the application's look at dialog
    // keys, the translation into characters, then the edit.
    TXcSpinEdit* s = NewSpin();
    s->SetValueType(TValueType::vtHex);
    s->SetFocus();
    SelectAll(s);
    for (int vk : {'1', 'F'}) {
        PostMessageW(s->Handle(), WM_KEYDOWN, static_cast<WPARAM>(vk), 1);
        PostMessageW(s->Handle(), WM_KEYUP, static_cast<WPARAM>(vk), 0xC0000001);
    }
    Pump();
    EXPECT_EQ(s->Value(), 0x1F);
    PostMessageW(s->Handle(), WM_KEYDOWN, VK_UP, 1);
    Pump();
    EXPECT_EQ(s->Text(), "20");
}

TEST_F(SpinWinTest, LimitsCropTypingAndSteppingOrRaiseTheRangeMessage) {
    TXcSpinEdit* s = NewSpin();
    s->SetMinValue(1);
    s->SetMaxValue(10);
    EXPECT_EQ(s->Text(), "1");
    int changes = 0;
    s->OnChange = [&](TControl*) { ++changes; };
    s->SetFocus();
    SelectAll(s);
    Type(s, "50");
    EXPECT_EQ(s->Text(), "10");
    int before = changes;
    Key(s, VK_UP);
    EXPECT_EQ(s->Text(), "10");
    EXPECT_EQ(changes, before);  // cropped at the limit: no change told
    SendMessageW(s->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
    EXPECT_EQ(s->Text(), "9");

    TXcSpinEdit* r = NewSpin(40);
    r->SetMinValue(1);
    r->SetMaxValue(10);
    r->SetCheckOptions(coCheckOnChange | coCheckOnExit);
    r->SetFocus();
    SelectAll(r);
    Type(r, "50");
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ(errors.back(), "Value must be between 1 and 10");
    EXPECT_EQ(r->Text(), "50");
    // Leaving it raises again and the focus comes back to it.
    errors.clear();
    s->SetFocus();
    Pump();
    EXPECT_EQ(errors, std::vector<std::string>{"Value must be between 1 and 10"});
    EXPECT_EQ(GetFocus(), r->Handle());
}

TEST_F(SpinWinTest, HoldingTheButtonRepeatsOnTheToolkitTimerAndReleaseStopsIt) {
    TXcSpinEdit* s = NewSpin();
    TXcSpinButton* b = s->Button();
    ASSERT_NE(b, nullptr);
    HWND bh = b->Handle();
    // Press the top half (top-left corner of the diagonal button).
    SendMessageW(bh, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    EXPECT_EQ(s->Value(), 1);  // one click at once
    EXPECT_EQ(GetFocus(), s->Handle());
    TTimer* t = b->RepeatTimerObject();
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(t->Enabled());
    EXPECT_EQ(t->Interval(), 400u);
    t->Tick();  // the first firing, 400 ms after the press
    EXPECT_EQ(s->Value(), 2);
    EXPECT_EQ(t->Interval(), 100u);
    t->Tick();
    t->Tick();
    EXPECT_EQ(s->Value(), 4);
    EXPECT_EQ(t->Interval(), 100u);
    SendMessageW(bh, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_FALSE(t->Enabled());
    EXPECT_EQ(b->Down(), TSpinDown::None);

    // The bottom half of the diagonal, on the real timer this time: the first repetition
    // comes from the system's timer no sooner than 400 ms after the press.
    SendMessageW(bh, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(b->Width() - 3, b->Height() - 3));
    EXPECT_EQ(s->Value(), 3);
    DWORD pressed = GetTickCount();
    DWORD repeated = 0;
    while (GetTickCount() - pressed < 5000 && s->Value() == 3) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        Application.ProcessMessages();
        if (s->Value() != 3) repeated = GetTickCount();
    }
    EXPECT_EQ(s->Value(), 2);
    EXPECT_GE(repeated - pressed, 380u);
    SendMessageW(bh, WM_LBUTTONUP, 0, MAKELPARAM(b->Width() - 3, b->Height() - 3));
    EXPECT_FALSE(t->Enabled());
    // Nothing more comes once released.
    Sleep(250);
    Pump();
    EXPECT_EQ(s->Value(), 2);
}

TEST_F(SpinWinTest, UpDownArrowsStepAndNeverHoldAPosition) {
    TXcSpinEdit* s = NewSpin();
    s->SetButtonKind(TSpinButtonKind::bkStandard);
    ASSERT_EQ(s->Button(), nullptr);
    ASSERT_NE(s->UpDown(), nullptr);
    HWND ud = s->UpDown()->Handle();
    RECT r;
    GetClientRect(ud, &r);
    SendMessageW(ud, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.right / 2, 2));
    SendMessageW(ud, WM_LBUTTONUP, 0, MAKELPARAM(r.right / 2, 2));
    Pump();
    EXPECT_EQ(s->Value(), 1);
    EXPECT_EQ(SendMessageW(ud, UDM_GETPOS32, 0, 0), 0);
    SendMessageW(ud, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.right / 2, r.bottom - 2));
    SendMessageW(ud, WM_LBUTTONUP, 0, MAKELPARAM(r.right / 2, r.bottom - 2));
    SendMessageW(ud, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.right / 2, r.bottom - 2));
    SendMessageW(ud, WM_LBUTTONUP, 0, MAKELPARAM(r.right / 2, r.bottom - 2));
    Pump();
    EXPECT_EQ(s->Value(), -1);
}

TEST_F(SpinWinTest, EachKindSitsAtTheRightAndTheTextStopsBeforeIt) {
    for (TSpinButtonKind kind : {TSpinButtonKind::bkDiagonal, TSpinButtonKind::bkClassic, TSpinButtonKind::bkStandard}) {
        TXcSpinEdit* s = NewSpin();
        s->SetButtonKind(kind);
        HWND e = s->Handle();
        RECT client;
        GetClientRect(e, &client);
        HWND button = s->UpDown() ? s->UpDown()->Handle() : s->Button()->Handle();
        RECT br = RectIn(button, e);
        EXPECT_EQ(br.right, client.right) << static_cast<int>(kind);
        EXPECT_LE(br.top, 0);
        EXPECT_GE(br.bottom, client.bottom);
        if (kind == TSpinButtonKind::bkDiagonal) {
            EXPECT_EQ(br.right - br.left, 21 - 4);  // a square of H - 4
        }
        LRESULT margins = SendMessageW(e, EM_GETMARGINS, 0, 0);
        EXPECT_EQ(HIWORD(margins), s->ButtonWidth() + 2);
        // A long number scrolls rather than running under the button.
        s->SetFocus();
        SelectAll(s);
        Type(s, "123456789");
        SendMessageW(e, EM_SETSEL, 9, 9);
        LRESULT pos = SendMessageW(e, EM_POSFROMCHAR, 8, 0);
        EXPECT_LT(static_cast<short>(LOWORD(pos)), br.left) << static_cast<int>(kind);
        // Too low an edit grows to the font's height.
        s->SetHeight(8);
        EXPECT_EQ(s->Height(), s->MinHeight());
        delete s;
    }
}

// Where the first character of the text is drawn, in the edit's client coordinates.
int FirstCharX(TControl* s) { return static_cast<short>(LOWORD(SendMessageW(s->Handle(), EM_POSFROMCHAR, 0, 0))); }

TEST_F(SpinWinTest, AlignmentAndRightToLeftMoveTheTextAndTheButtonOnTheShownEdit) {
    TXcSpinEdit* s = NewSpin();
    s->SetMaxValue(999);
    s->SetMinValue(0);
    s->SetHint("the hint");
    s->SetValue(7);
    Pump();
    const int leftX = FirstCharX(s);
    EXPECT_LT(leftX, 10);

    // Right-aligned: the text stands at the right, just before the button; the window was
    // made again and still holds the value, takes typing and reports changes.
    int changes = 0;
    s->OnChange = [&](TControl*) { ++changes; };
    s->SetAlignment(TAlignment::taRightJustify);
    Pump();
    EXPECT_EQ(GetWindowLongW(s->Handle(), GWL_STYLE) & ES_RIGHT, ES_RIGHT);
    EXPECT_EQ(s->Text(), "7");
    EXPECT_EQ(changes, 0);
    RECT client;
    GetClientRect(s->Handle(), &client);
    const RECT button = RectIn(s->Button()->Handle(), s->Handle());
    EXPECT_EQ(button.right, client.right);
    EXPECT_GT(FirstCharX(s), client.right / 2);
    EXPECT_LT(FirstCharX(s), button.left);
    EXPECT_EQ(TControl::FromHandle(s->Handle()), s);
    s->SetFocus();
    SelectAll(s);
    Type(s, "42");
    EXPECT_EQ(s->Value(), 42);
    EXPECT_GT(changes, 0);
    Key(s, VK_UP);
    EXPECT_EQ(s->Text(), "43");
    EXPECT_EQ(GetFocus(), s->Handle());
    // Centred: between the two.
    s->SetAlignment(TAlignment::taCenter);
    EXPECT_GT(FirstCharX(s), leftX);
    EXPECT_LT(FirstCharX(s), button.left - 10);

    // Right to left: the button goes to the left edge and left-justified text to the right.
    s->SetAlignment(TAlignment::taLeftJustify);
    s->SetRightToLeft(true);
    Pump();
    const RECT rtlButton = RectIn(s->Button()->Handle(), s->Handle());
    EXPECT_LE(rtlButton.left, 0);
    EXPECT_GT(FirstCharX(s), rtlButton.right);
    EXPECT_GT(FirstCharX(s), client.right / 2);
    EXPECT_EQ(s->Text(), "43");
    s->SetRightToLeft(false);
    EXPECT_LT(FirstCharX(s), 10);
    EXPECT_TRUE(errors.empty());
}

TEST_F(SpinWinTest, ASystemColourChangeToldToTheFormReachesTheSpinButton) {
    TXcSpinEdit* s = NewSpin();
    Pump();
    UpdateWindow(s->Button()->Handle());
    ASSERT_NE(s->Button()->FaceSet(), nullptr);
    EXPECT_FALSE(s->Button()->FaceSet()->ResetPending());
    // The system tells top-level windows only.
    SendMessageW(form->Handle(), WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_TRUE(s->Button()->FaceSet()->ResetPending());
    UpdateWindow(s->Button()->Handle());
    EXPECT_FALSE(s->Button()->FaceSet()->ResetPending());
}

TEST_F(SpinWinTest, EqualButtonsShareOneFaceSetAndAResizedOneGetsItsOwn) {
    TXcSpinEdit* a = NewSpin(10);
    TXcSpinEdit* b = NewSpin(40);
    TXcSpinEdit* c = NewSpin(70);
    c->SetButtonKind(TSpinButtonKind::bkClassic);
    Pump();
    UpdateWindow(a->Button()->Handle());
    UpdateWindow(b->Button()->Handle());
    UpdateWindow(c->Button()->Handle());
    ASSERT_NE(a->Button()->FaceSet(), nullptr);
    EXPECT_EQ(a->Button()->FaceSet(), b->Button()->FaceSet());
    EXPECT_EQ(a->Button()->FaceSet()->ClientCount(), 2);
    EXPECT_NE(c->Button()->FaceSet(), a->Button()->FaceSet());
    TSpinButtonBitmaps* shared = b->Button()->FaceSet();
    a->SetBounds(10, 10, 100, 30);
    Pump();
    UpdateWindow(a->Button()->Handle());
    EXPECT_NE(a->Button()->FaceSet(), shared);
    EXPECT_EQ(b->Button()->FaceSet(), shared);
    EXPECT_EQ(shared->ClientCount(), 1);
    ASSERT_NE(TSpinButtonBitmapsManager::Instance(), nullptr);
    EXPECT_EQ(TSpinButtonBitmapsManager::Instance()->Count(), 3);
    // A button with an arrow of its own needs faces without the drawn arrows.
    HDC screen = GetDC(nullptr);
    HBITMAP glyph = CreateCompatibleBitmap(screen, 5, 3);
    ReleaseDC(nullptr, screen);
    b->Button()->SetUpGlyph(glyph);
    UpdateWindow(b->Button()->Handle());
    ASSERT_NE(b->Button()->FaceSet(), nullptr);
    EXPECT_TRUE(b->Button()->FaceSet()->Key().CustomGlyphs);
    EXPECT_EQ(TSpinButtonBitmapsManager::Instance()->Count(), 3);  // the shared set went with its last user
    delete a;
    delete b;
    delete c;
    // The last spin button gone, the cache goes too.
    EXPECT_EQ(TSpinButtonBitmapsManager::Instance(), nullptr);
}

// The pixels of a face, row by row.
std::vector<COLORREF> Pixels(HBITMAP b, int w, int h) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    std::vector<COLORREF> px(static_cast<std::size_t>(w * h));
    HDC dc = GetDC(nullptr);
    GetDIBits(dc, b, 0, static_cast<UINT>(h), px.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    return px;
}

// How many pixels of two faces differ in the top-left and in the bottom-right triangle
// (a band of 3 pixels along the diagonal left out).
std::pair<int, int> DiagonalDifferences(HBITMAP a, HBITMAP b, int w, int h) {
    auto pa = Pixels(a, w, h), pb = Pixels(b, w, h);
    int top = 0, bottom = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (pa[static_cast<std::size_t>(y * w + x)] == pb[static_cast<std::size_t>(y * w + x)]) continue;
            double line = h - static_cast<double>(h) / w * x;
            if (y < line - 3) ++top;
            if (y > line + 3) ++bottom;
        }
    return {top, bottom};
}

TEST_F(SpinWinTest, PressedHalfAndDisabledFacesDifferWhereTheyShould) {
    TXcSpinEdit* s = NewSpin();
    Pump();
    TXcSpinButton* b = s->Button();
    UpdateWindow(b->Handle());
    TSpinButtonBitmaps* set = b->FaceSet();
    ASSERT_NE(set, nullptr);
    int w = set->Width(), h = set->Height();
    HBITMAP normal = set->Face(TSpinFace::Normal);
    auto top = DiagonalDifferences(normal, set->Face(TSpinFace::TopDown), w, h);
    EXPECT_GT(top.first, 0);
    EXPECT_EQ(top.second, 0);
    auto bottom = DiagonalDifferences(normal, set->Face(TSpinFace::BottomDown), w, h);
    EXPECT_EQ(bottom.first, 0);
    EXPECT_GT(bottom.second, 0);
    auto disabled = DiagonalDifferences(normal, set->Face(TSpinFace::Disabled), w, h);
    EXPECT_GT(disabled.first + disabled.second, 0);
    // What the button shows follows the press.
    SendMessageW(b->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    UpdateWindow(b->Handle());
    HDC dc = GetDC(b->Handle());
    COLORREF shown = GetPixel(dc, 3, 3);
    ReleaseDC(b->Handle(), dc);
    // A 32-bit DIB holds 0xAARRGGBB; GetPixel answers a COLORREF, 0x00BBGGRR.
    const COLORREF face = Pixels(set->Face(TSpinFace::TopDown), w, h)[static_cast<std::size_t>(3 * w + 3)];
    EXPECT_EQ(shown, RGB(GetBValue(face), GetGValue(face), GetRValue(face)));
    SendMessageW(b->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

TEST_F(SpinWinTest, HotHalfFollowsThePointerOnlyUnderThemes) {
    TXcSpinEdit* s = NewSpin();
    TXcSpinButton* b = s->Button();
    bool themed = ThemeServices().ThemesEnabled();
    SendMessageW(b->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(b->MouseInTopBtn(), themed);
    SendMessageW(b->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(b->Width() - 2, b->Height() - 2));
    EXPECT_FALSE(b->MouseInTopBtn());
    EXPECT_EQ(b->MouseInBottomBtn(), themed);
    SendMessageW(b->Handle(), CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(b));
    EXPECT_FALSE(b->MouseInBottomBtn());
}

TEST_F(SpinWinTest, CutAndPasteOnlyWhileTypingIsAllowed) {
    TXcSpinEdit* s = NewSpin();
    s->SetValue(42);
    SelectAll(s);
    SendMessageW(s->Handle(), WM_COPY, 0, 0);
    s->SetValue(7);
    s->SetEditorEnabled(false);
    SelectAll(s);
    SendMessageW(s->Handle(), WM_PASTE, 0, 0);
    SendMessageW(s->Handle(), WM_CUT, 0, 0);
    EXPECT_EQ(s->Text(), "7");
    Type(s, "5");
    EXPECT_EQ(s->Text(), "7");
    Key(s, VK_UP);  // stepping still works
    EXPECT_EQ(s->Text(), "8");
    s->SetEditorEnabled(true);
    SelectAll(s);
    SendMessageW(s->Handle(), WM_PASTE, 0, 0);
    EXPECT_EQ(s->Text(), "42");
}

TEST_F(SpinWinTest, EnterAndEscapePressTheFormsDefaultAndCancelButtons) {
    TXcSpinEdit* s = NewSpin();
    auto* ok = new TButton(form, "OK");
    ok->SetBounds(10, 100, 75, 25);
    ok->SetDefault(true);
    int clicks = 0;
    ok->OnClick = [&](TControl*) { ++clicks; };
    s->SetFocus();
    SendMessageW(s->Handle(), WM_CHAR, '\r', 1);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(s->Text(), "0");
    auto* cancel = new TButton(form, "Cancel");
    cancel->SetBounds(100, 100, 75, 25);
    cancel->SetCancel(true);
    int cancels = 0;
    cancel->OnClick = [&](TControl*) { ++cancels; };
    SendMessageW(s->Handle(), WM_CHAR, 27, 1);
    EXPECT_EQ(cancels, 1);
    EXPECT_EQ(clicks, 1);
}

}  // namespace

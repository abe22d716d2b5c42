// The spin edit's value model without a window: conversions per value type, the limits with
// their automatic checks and the check options, the step rules and the key filtering.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "controls/XcSpinValue.h"

using namespace talvik;

namespace {

// The model over a text and caret of its own, as an edit window holds them: a change of
// the text runs the change handler, as the window's change notice does.
class Spin : public TXcSpinEditCore {
public:
    Spin() { SetText("0"); }
    std::string Text() const { return text; }
    // What typing over the whole text or pasting does.
    void SetText(const std::string& s) { SetEditText(s); }
    int Caret() const { return caret; }
    void PlaceCaret(int p) { SetSelStart(p); }
    bool IsModified() const { return modified; }
    void SetReadOnly(bool r) { readOnly_ = r; }
    // A typed character as the edit takes it: inserted at the caret, which moves behind it,
    // and then the change notice.
    void Type(char c) {
        char k = KeyPress(c);
        if (!k) return;
        text.insert(static_cast<std::size_t>(caret), 1, k);
        ++caret;
        modified = true;
        Change();
    }
    void TypeAll(const std::string& s) {
        for (char c : s) Type(c);
    }

    int changes = 0;
    int beeps = 0;
    std::vector<char> dialogKeys;

protected:
    std::string EditText() const override { return text; }
    void SetEditText(const std::string& s) override {
        if (s == text) return;
        text = s;
        caret = 0;  // a window whose text is set puts the caret at the start
        Change();
    }
    int SelStart() const override { return caret; }
    void SetSelStart(int p) override { caret = std::max(0, std::min<int>(p, static_cast<int>(text.size()))); }
    void SelectAll() override { caret = 0; }
    bool Modified() const override { return modified; }
    void SetModified(bool m) override { modified = m; }
    void FireChange() override { ++changes; }
    void BeepError() override { ++beeps; }
    void PassDialogKey(char key) override { dialogKeys.push_back(key); }

private:
    std::string text;
    int caret = 0;
    bool modified = false;
};

}  // namespace

TEST(SpinValue, ReadsEachTypeAndFallsBackToTheLowerLimit) {
    Spin s;
    s.SetText("12abc");
    EXPECT_EQ(s.Value(), 0);
    s.SetText("");
    EXPECT_EQ(s.Value(), 0);
    s.SetText("-42");
    EXPECT_EQ(s.Value(), -42);

    s.SetValueType(TValueType::vtHex);
    s.SetText("ff");
    EXPECT_EQ(s.Value(), 255);
    s.SetValue(255);
    EXPECT_EQ(s.Text(), "FF");
    s.SetValue(0);
    EXPECT_EQ(s.Text(), "0");
    s.SetValue(2.5L);  // half to even
    EXPECT_EQ(s.Text(), "2");
    s.SetValue(3.5L);
    EXPECT_EQ(s.Text(), "4");

    Spin f;
    f.SetValueType(TValueType::vtFloat);
    f.SetValue(1.5L);
    EXPECT_EQ(f.Text(), "1.50");
    f.SetText("abc");
    EXPECT_EQ(f.Value(), 0);
    f.SetDecimal(3);
    f.SetValue(0.1L);
    EXPECT_EQ(f.Text(), "0.100");

    // A lower limit that is not whole is rounded half to even for the whole-number types.
    Spin lim;
    lim.SetCheckOptions(0);
    lim.SetMinValue(2.5L);
    lim.SetText("x");
    EXPECT_EQ(lim.Value(), 2);
}

TEST(SpinValue, ThousandSeparatorsInIntegersAndFloats) {
    Spin s;
    s.SetThousands(true);
    s.SetValue(1234567);
    EXPECT_EQ(s.Text(), "1,234,567");
    EXPECT_EQ(s.Value(), 1234567);
    s.SetThousands(false);
    EXPECT_EQ(s.Text(), "1234567");

    Spin c;
    c.Separators = TNumberSeparators{',', '.'};
    c.SetValueType(TValueType::vtFloat);
    c.SetThousands(true);
    c.SetValue(1234.5L);
    EXPECT_EQ(c.Text(), "1.234,50");
    EXPECT_EQ(c.Value(), 1234.5L);

    // Hex never carries separators.
    Spin h;
    h.SetThousands(true);
    h.SetValueType(TValueType::vtHex);
    EXPECT_FALSE(h.Thousands());
    h.SetThousands(true);
    EXPECT_FALSE(h.Thousands());
}

TEST(SpinValue, SwitchingTheTypeReinterpretsTheText) {
    Spin s;
    s.SetValue(100);
    s.SetValueType(TValueType::vtHex);
    EXPECT_EQ(s.Text(), "100");
    EXPECT_EQ(s.Value(), 256);
    s.SetText("FF");
    s.SetValueType(TValueType::vtInteger);
    EXPECT_EQ(s.Value(), 0);
    EXPECT_EQ(s.Text(), "0");
}

TEST(SpinValue, IncrementStaysWholeAndNonZeroForWholeNumberTypes) {
    Spin s;
    s.SetValueType(TValueType::vtFloat);
    s.SetIncrement(0.4L);
    EXPECT_EQ(s.Increment(), 0.4L);
    s.SetValueType(TValueType::vtInteger);
    EXPECT_EQ(s.Increment(), 1);
    s.SetValueType(TValueType::vtFloat);
    s.SetIncrement(2.6L);
    s.SetValueType(TValueType::vtHex);
    EXPECT_EQ(s.Increment(), 3);
    // The setter keeps the rule too, not only the type switch.
    s.SetIncrement(0.3L);
    EXPECT_EQ(s.Increment(), 1);
    s.SetIncrement(0);
    EXPECT_EQ(s.Increment(), 1);
    s.SetIncrement(2.5L);
    EXPECT_EQ(s.Increment(), 2);
    s.SetIncrement(-3.5L);
    EXPECT_EQ(s.Increment(), -4);
    s.SetValueType(TValueType::vtInteger);
    s.SetIncrement(0.5L);
    EXPECT_EQ(s.Increment(), 1);
}

TEST(SpinValue, StepsByTheIncrementAndFiresOnlyOnAChange) {
    Spin s;
    s.SetMinValue(1);
    s.SetMaxValue(10);
    EXPECT_TRUE(s.CheckMinValue());
    EXPECT_TRUE(s.CheckMaxValue());
    EXPECT_EQ(s.Text(), "1");  // 0 lay below the new lower limit
    int tops = 0, bottoms = 0;
    s.OnTopClick = [&] { ++tops; };
    s.OnBottomClick = [&] { ++bottoms; };
    s.SetIncrement(4);
    s.changes = 0;
    s.UpClick();
    EXPECT_EQ(s.Text(), "5");
    EXPECT_TRUE(s.IsModified());
    s.UpClick();
    s.UpClick();
    EXPECT_EQ(s.Text(), "10");
    EXPECT_EQ(s.changes, 3);
    s.UpClick();  // cropped at the limit: the value stays, no change is told
    EXPECT_EQ(s.Text(), "10");
    EXPECT_EQ(s.changes, 3);
    EXPECT_EQ(tops, 4);
    s.DownClick();
    EXPECT_EQ(s.Text(), "6");
    EXPECT_EQ(bottoms, 1);

    Spin f;
    f.SetValueType(TValueType::vtFloat);
    f.SetIncrement(0.1L);
    for (int i = 0; i < 3; ++i) f.UpClick();
    EXPECT_EQ(f.Text(), "0.30");
    f.DownClick();
    EXPECT_EQ(f.Text(), "0.20");

    Spin h;
    h.SetValueType(TValueType::vtHex);
    h.SetText("FE");
    h.UpClick();
    EXPECT_EQ(h.Text(), "FF");
    h.UpClick();
    EXPECT_EQ(h.Text(), "100");
}

TEST(SpinValue, ReadOnlyStepBeepsAndKeepsTheValue) {
    Spin s;
    s.SetReadOnly(true);
    s.UpClick();
    EXPECT_EQ(s.Text(), "0");
    EXPECT_EQ(s.beeps, 1);
}

TEST(SpinValue, TypingBeyondALimitCropsOrRaisesByTheOptions) {
    Spin s;
    s.SetMinValue(1);
    s.SetMaxValue(10);
    s.SetText("");
    s.changes = 0;
    s.SetText("50");
    EXPECT_EQ(s.Text(), "10");
    EXPECT_EQ(s.Value(), 10);

    Spin r;
    r.SetMinValue(1);
    r.SetMaxValue(10);
    r.SetCheckOptions(coCheckOnChange | coCheckOnExit);
    try {
        r.SetText("50");
        FAIL() << "no range error";
    } catch (const ERangeError& e) {
        EXPECT_STREQ(e.what(), "Value must be between 1 and 10");
    }
    EXPECT_EQ(r.Text(), "50");  // the typed text stays for the user to mend
    // Leaving with the text still outside raises again and keeps the focus in the edit.
    r.DoEnter(false);
    EXPECT_THROW(r.DoExit(), ERangeError);
    EXPECT_TRUE(r.IsFocused());

    Spin none;
    none.SetMinValue(1);
    none.SetMaxValue(10);
    none.SetCheckOptions(coCheckOnExit | coCropBeyondLimit);
    none.SetText("50");
    EXPECT_EQ(none.Text(), "50");
    none.DoEnter(false);
    none.DoExit();
    EXPECT_EQ(none.Text(), "10");
}

TEST(SpinValue, AutomaticChecksFollowTheLimits) {
    Spin s;
    EXPECT_FALSE(s.CheckMinValue());
    EXPECT_FALSE(s.CheckMaxValue());
    s.SetValue(-5);
    EXPECT_EQ(s.Text(), "-5");  // no limits, no checks
    s.SetMaxValue(10);
    EXPECT_TRUE(s.CheckMaxValue());
    EXPECT_TRUE(s.CheckMinValue());
    EXPECT_EQ(s.Text(), "0");   // both limits checked from now on: -5 was cropped to 0
    s.SetCheckMinValue(false);
    EXPECT_FALSE(s.CheckMinValue());
    s.SetValue(-5);
    EXPECT_EQ(s.Text(), "-5");
    s.SetMaxValue(0);
    EXPECT_FALSE(s.CheckMaxValue());
    // The flag of a non-zero limit cannot be turned off.
    s.SetMinValue(3);
    s.SetCheckMinValue(false);
    EXPECT_TRUE(s.CheckMinValue());

    // Loaded from a form: an explicit flag survives the limits streamed after it.
    Spin l;
    l.BeginLoading();
    l.SetCheckMaxValue(false);
    l.SetCheckMinValue(false);
    l.SetMinValue(0);
    l.SetMaxValue(0);
    l.Loaded();
    l.SetMaxValue(5);
    EXPECT_TRUE(l.CheckMaxValue());
}

TEST(SpinValue, KeysArrowsAndDecimalSeparator) {
    Spin s;
    s.SetText("");
    s.TypeAll("12");
    EXPECT_EQ(s.Text(), "12");
    s.Type('a');
    EXPECT_EQ(s.Text(), "12");
    EXPECT_EQ(s.beeps, 1);
    EXPECT_EQ(s.KeyDown(kVkUp), 0);
    EXPECT_EQ(s.Text(), "13");
    EXPECT_EQ(s.KeyDown(kVkDown), 0);
    EXPECT_EQ(s.Text(), "12");
    s.SetArrowKeys(false);
    EXPECT_EQ(s.KeyDown(kVkUp), kVkUp);
    EXPECT_EQ(s.Text(), "12");

    Spin h;
    h.SetValueType(TValueType::vtHex);
    h.SetText("");
    h.TypeAll("fF");
    EXPECT_EQ(h.Value(), 255);
    h.Type('g');
    EXPECT_EQ(h.beeps, 1);

    Spin f;
    f.SetValueType(TValueType::vtFloat);
    f.SetText("");
    f.TypeAll("1.5");
    EXPECT_EQ(f.Value(), 1.5L);
    // A second separator jumps behind the first instead.
    f.PlaceCaret(0);
    f.Type('.');
    EXPECT_EQ(f.Text(), "1.50");
    EXPECT_EQ(f.Caret(), 2);
    // Delete before and backspace after the separator step over it.
    f.PlaceCaret(1);
    EXPECT_EQ(f.KeyDown(kVkDelete), kVkRight);
    f.PlaceCaret(2);
    EXPECT_EQ(f.KeyDown(kVkBack), kVkLeft);
    f.PlaceCaret(3);
    EXPECT_EQ(f.KeyDown(kVkBack), kVkBack);
    f.SetText("2e3");
    EXPECT_EQ(f.Value(), 2000);
    EXPECT_EQ(f.Text(), "2000.00");
    // Part-typed numbers stay as typed until they read as one.
    f.SetText("1e");
    EXPECT_EQ(f.Text(), "1e");
    f.PlaceCaret(2);
    f.Type('e');  // one exponent only
    EXPECT_EQ(f.beeps, 1);
    f.Type('3');
    EXPECT_EQ(f.Value(), 1000);
    f.SetText("-");
    EXPECT_EQ(f.Text(), "-");
    f.PlaceCaret(1);
    f.Type('4');
    EXPECT_EQ(f.Text(), "-4.00");

    // "." is the user's decimal separator.
    Spin c;
    c.Separators = TNumberSeparators{',', '.'};
    c.SetValueType(TValueType::vtFloat);
    c.SetText("");
    c.TypeAll("2.5");
    EXPECT_EQ(c.Text(), "2,50");
    EXPECT_EQ(c.Value(), 2.5L);

    // Enter and Escape go to the form; Enter goes no further.
    EXPECT_EQ(s.KeyPress('\r'), 0);
    EXPECT_EQ(s.KeyPress(27), 27);
    EXPECT_EQ(s.dialogKeys, (std::vector<char>{'\r', 27}));
}

TEST(SpinValue, EditorDisabledRefusesTypingButStillSteps) {
    Spin s;
    s.SetEditorEnabled(false);
    s.Type('5');
    EXPECT_EQ(s.Text(), "0");
    EXPECT_EQ(s.beeps, 1);
    EXPECT_FALSE(s.IsValidChar(8));
    EXPECT_TRUE(s.IsValidChar(3));
    EXPECT_FALSE(s.CutPasteAllowed());
    s.KeyDown(kVkUp);
    s.MouseWheel(120);
    EXPECT_EQ(s.Text(), "2");
    s.MouseWheel(-120);
    EXPECT_EQ(s.Text(), "1");
}

TEST(SpinValue, FocusedFloatShowsPlainDigitsAndTheFormatWhenLeft) {
    Spin f;
    f.SetValueType(TValueType::vtFloat);
    f.SetDisplayFormat(",0.##");
    f.SetValue(1234.5L);
    EXPECT_EQ(f.Text(), "1,234.5");
    f.DoEnter(false);
    EXPECT_EQ(f.Text(), "1234.50");
    f.DoExit();
    EXPECT_EQ(f.Text(), "1,234.5");
    EXPECT_FALSE(f.IsModified());
}

TEST(SpinValue, ThousandsKeepTheCaretBesideTheSameDigit) {
    Spin s;
    s.SetThousands(true);
    s.SetText("123");
    s.PlaceCaret(3);
    s.Type('4');  // "1234" becomes "1,234": the caret stays behind the 4
    EXPECT_EQ(s.Text(), "1,234");
    EXPECT_EQ(s.Caret(), 5);
}

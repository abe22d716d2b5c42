// Where everything of a message dialog goes: margins, spacing and button size from the
// dialog font's character unit, the client size from the measured texts, the form centred on
// its area. The window side measures the texts and hands the figures in; this file only
// does the arithmetic, so it can be checked without a display.
#pragma once

#include <vector>

namespace talvik {

// a * b / c rounded to the nearest whole number, halves away from zero (as the system's
// MulDiv). c must not be 0.
int MulDivRound(int a, int b, int c);

// Sizes in pixels from the character unit: X is the average letter width, Y the text height.
struct TDialogUnits {
    int HorzMargin, VertMargin, HorzSpacing, VertSpacing, ButtonWidth, ButtonHeight, ButtonSpacing;
};
TDialogUnits DialogUnits(int charWidth, int charHeight);

struct TBox {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    bool operator==(const TBox&) const = default;
};

// The widest a message may be before it wraps: half the screen, or less when the centring
// area is narrow.
int MessageWidthLimit(int screenWidth, const TBox& area);

struct TDialogMeasures {
    int CharWidth = 0, CharHeight = 0;
    int ButtonCount = 0;
    int WidestButtonCaption = 0;       // one-line width of the widest caption
    int TextWidth = 0, TextHeight = 0; // the message, word-wrapped within the limit
    bool HasIcon = false;
    int IconWidth = 0, IconHeight = 0;
    bool HasCheckBox = false;
    int CheckTextWidth = 0;
    bool HasCountdown = false;         // a positive timeout
    int CountdownWidth = 0;            // the countdown line of the full time
    bool RightToLeft = false;
    TBox Area;                         // what the dialog is centred on
    int FrameWidth = 0, FrameHeight = 0;  // outer size less client size of the form
};

// Heights of the one-line controls below the buttons (their reserved space).
constexpr int kCheckBoxSpace = 17;
constexpr int kCountdownSpace = 13;

struct TDialogLayout {
    TDialogUnits Units{};
    int ClientWidth = 0, ClientHeight = 0;
    int Left = 0, Top = 0;  // of the whole form
    TBox Image, Message, CheckBox, Countdown;
    std::vector<TBox> Buttons;
};
TDialogLayout LayoutMessageDialog(const TDialogMeasures& m);

}  // namespace talvik

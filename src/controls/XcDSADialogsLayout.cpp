// Arithmetic of the message dialog's layout.
#include "controls/XcDSADialogsLayout.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace talvik {

int MulDivRound(int a, int b, int c) {
    const std::int64_t p = static_cast<std::int64_t>(a) * b;
    const std::int64_t ap = std::llabs(p), ac = std::llabs(static_cast<std::int64_t>(c));
    const std::int64_t q = (ap + ac / 2) / ac;
    return static_cast<int>(((p < 0) != (c < 0)) ? -q : q);
}

TDialogUnits DialogUnits(int x, int y) {
    return {MulDivRound(8, x, 4),  MulDivRound(8, y, 8),  MulDivRound(10, x, 4), MulDivRound(10, y, 8),
            MulDivRound(50, x, 4), MulDivRound(14, y, 8), MulDivRound(4, x, 4)};
}

int MessageWidthLimit(int screenWidth, const TBox& area) {
    return std::min(screenWidth / 2, 2 * area.Left + area.Width);
}

TDialogLayout LayoutMessageDialog(const TDialogMeasures& m) {
    TDialogLayout l;
    TDialogUnits& u = l.Units;
    u = DialogUnits(m.CharWidth, m.CharHeight);
    u.ButtonWidth = std::max(u.ButtonWidth, m.WidestButtonCaption + 8);

    int textWidth = m.TextWidth, textHeight = m.TextHeight;
    if (m.HasIcon) {
        textWidth += m.IconWidth + u.HorzSpacing;
        textHeight = std::max(textHeight, m.IconHeight);
    }
    const int n = m.ButtonCount;
    const int rowWidth = n == 0 ? 0 : n * u.ButtonWidth + (n - 1) * u.ButtonSpacing;

    int inner = std::max(textWidth, rowWidth);
    if (m.HasCheckBox) inner = std::max(inner, m.CheckTextWidth + 17);
    if (m.HasCountdown) inner = std::max(inner, m.CountdownWidth);
    l.ClientWidth = inner + 2 * u.HorzMargin;
    l.ClientHeight = textHeight + u.ButtonHeight + 2 * u.VertSpacing + u.VertMargin;
    if (m.HasCheckBox) l.ClientHeight += u.VertMargin + kCheckBoxSpace;
    if (m.HasCountdown) l.ClientHeight += u.VertMargin + kCountdownSpace;

    const int formWidth = l.ClientWidth + m.FrameWidth, formHeight = l.ClientHeight + m.FrameHeight;
    l.Left = m.Area.Left + m.Area.Width / 2 - formWidth / 2;
    l.Top = m.Area.Top + m.Area.Height / 2 - formHeight / 2;

    if (m.HasIcon)
        l.Image = {u.HorzMargin - 2, u.VertMargin - 2, m.IconWidth + 4, m.IconHeight + 4};
    int left = u.HorzMargin + (m.HasIcon ? m.IconWidth + u.HorzSpacing : 0);
    if (m.RightToLeft) left = l.ClientWidth - left - m.TextWidth;
    l.Message = {left, u.VertMargin, m.TextWidth, m.TextHeight};

    const int buttonTop = textHeight + u.VertMargin + u.VertSpacing;
    int x = (l.ClientWidth - rowWidth) / 2;
    for (int i = 0; i < n; ++i, x += u.ButtonWidth + u.ButtonSpacing)
        l.Buttons.push_back({x, buttonTop, u.ButtonWidth, u.ButtonHeight});

    const int below = textHeight + u.VertMargin + 2 * u.VertSpacing + u.ButtonHeight;
    const int lineWidth = l.ClientWidth - 2 * u.HorzMargin;
    if (m.HasCheckBox) l.CheckBox = {u.HorzMargin, below, lineWidth, kCheckBoxSpace};
    if (m.HasCountdown)
        l.Countdown = {u.HorzMargin, m.HasCheckBox ? below + u.VertMargin + kCheckBoxSpace : below, lineWidth,
                       m.CharHeight};
    return l;
}

}  // namespace talvik

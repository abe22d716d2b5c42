// The spin button's behaviour without a window (see XcSpinButtonCore.h).
#include "controls/XcSpinButtonCore.h"

namespace talvik {

TSpinDown SpinHalfAt(int x, int y, int width, int height, TXcSpinButtonStyle style) {
    if (style == TXcSpinButtonStyle::sbsClassic) return y > height / 2 ? TSpinDown::Bottom : TSpinDown::Top;
    if (width <= 0) return TSpinDown::Top;
    double h = height, w = width;
    return y > h - (h / w) * x ? TSpinDown::Bottom : TSpinDown::Top;
}

TSpinFace SpinFaceFor(bool enabled, TSpinDown down, bool themedFaces, bool mouseInTop, bool mouseInBottom) {
    if (!enabled) return TSpinFace::Disabled;
    if (down == TSpinDown::Top) return TSpinFace::TopDown;
    if (down == TSpinDown::Bottom) return TSpinFace::BottomDown;
    if (themedFaces && mouseInTop) return TSpinFace::TopHot;
    if (themedFaces && mouseInBottom) return TSpinFace::BottomHot;
    return TSpinFace::Normal;
}

void TSpinButtonCore::SetDown(TSpinDown d) {
    if (d == down_) return;
    down_ = d;
    Repaint();
}

void TSpinButtonCore::TopClick() {
    if (OnTopClick) OnTopClick();
    if (!leftButtonDown_) down_ = TSpinDown::None;
}

void TSpinButtonCore::BottomClick() {
    if (OnBottomClick) OnBottomClick();
    if (!leftButtonDown_) down_ = TSpinDown::None;
}

void TSpinButtonCore::PressAt(int x, int y) {
    if (!IsEnabled()) return;
    FocusOnPress();
    leftButtonDown_ = true;
    if (down_ == TSpinDown::None) {
        lastDown_ = TSpinDown::None;
        down_ = SpinHalfAt(x, y, ClientWidth(), ClientHeight(), style_);
        try {
            if (down_ == TSpinDown::Bottom) BottomClick(); else TopClick();
        } catch (...) {
            // A click that fails does not go on repeating.
            down_ = TSpinDown::None;
            leftButtonDown_ = false;
            if (timer_) timer_->SetEnabled(false);
            ReleaseMouse();
            Repaint();
            throw;
        }
        if (down_ != lastDown_) {
            lastDown_ = down_;
            Repaint();
        }
        if (!timer_) timer_ = MakeTimer();
        timer_->SetInterval(InitRepeatPause);
        timer_->SetEnabled(true);
    }
    dragging_ = true;
}

void TSpinButtonCore::RepeatTick() {
    if (!timer_) return;
    timer_->SetInterval(RepeatPause);
    if (down_ == TSpinDown::None || !MouseCaptured()) return;
    try {
        if (down_ == TSpinDown::Bottom) BottomClick(); else TopClick();
    } catch (...) {
        timer_->SetEnabled(false);
        throw;
    }
}

void TSpinButtonCore::MoveTo(int x, int y) {
    if (dragging_) {
        if (Inside(x, y)) {
            TSpinDown hit = SpinHalfAt(x, y, ClientWidth(), ClientHeight(), style_);
            SetDown(hit == lastDown_ ? lastDown_ : TSpinDown::None);
        } else {
            SetDown(TSpinDown::None);
        }
        return;
    }
    if (!ThemesActive()) return;
    bool top = false, bottom = false;
    if (Inside(x, y)) {
        TSpinDown hit = SpinHalfAt(x, y, ClientWidth(), ClientHeight(), style_);
        top = hit == TSpinDown::Top;
        bottom = hit == TSpinDown::Bottom;
    }
    if (top != mouseInTop_ || bottom != mouseInBottom_) {
        mouseInTop_ = top;
        mouseInBottom_ = bottom;
        Repaint();
    }
}

void TSpinButtonCore::ReleaseAt(int x, int y) {
    leftButtonDown_ = false;
    // The repetition ends with the press, wherever the pointer is.
    if (timer_) timer_->SetEnabled(false);
    if (!dragging_) return;
    dragging_ = false;
    (void)x;
    (void)y;
    down_ = TSpinDown::None;
    lastDown_ = TSpinDown::None;
    Repaint();
}

void TSpinButtonCore::StopDragging() {
    leftButtonDown_ = false;
    if (timer_) timer_->SetEnabled(false);
    if (!dragging_ && down_ == TSpinDown::None) return;
    dragging_ = false;
    down_ = TSpinDown::None;
    lastDown_ = TSpinDown::None;
    ReleaseMouse();
}

void TSpinButtonCore::MouseEntered(int x, int y) {
    TSpinDown hit = SpinHalfAt(x, y, ClientWidth(), ClientHeight(), style_);
    mouseInTop_ = hit == TSpinDown::Top;
    mouseInBottom_ = hit == TSpinDown::Bottom;
    if (ThemesActive()) Repaint();
}

void TSpinButtonCore::MouseLeft() {
    mouseInTop_ = false;
    mouseInBottom_ = false;
    if (ThemesActive()) Repaint();
}

int CompareSpinFaceKeys(const TSpinFaceKey& a, const TSpinFaceKey& b) {
    if (a.Width != b.Width) return a.Width < b.Width ? -1 : 1;
    if (a.Height != b.Height) return a.Height < b.Height ? -1 : 1;
    if (a.Style != b.Style) return a.Style < b.Style ? -1 : 1;
    if (a.CustomGlyphs != b.CustomGlyphs) return a.CustomGlyphs ? 1 : -1;
    return 0;
}

bool FindSpinFaceKey(const std::vector<TSpinFaceKey>& sorted, const TSpinFaceKey& key, int& index) {
    int low = 0, high = static_cast<int>(sorted.size()) - 1;
    bool found = false;
    while (low <= high) {
        int middle = (low + high) >> 1;
        int c = CompareSpinFaceKeys(sorted[static_cast<std::size_t>(middle)], key);
        if (c < 0) {
            low = middle + 1;
        } else {
            high = middle - 1;
            if (c == 0) {
                found = true;
                low = middle;
            }
        }
    }
    index = low;
    return found;
}

}  // namespace talvik

// The spin button's behaviour without a window: which half a point hits, what a press, a
// move and a release do to the pressed and hot halves, the press-and-hold repeat (the first
// repetition after InitRepeatPause, then one every RepeatPause), which face a state shows,
// and the ordered search of the shared face cache. The control derives from it and answers
// the hooks (timer, capture, repaint); tests drive it with a clock of their own.
#pragma once

#include <functional>
#include <memory>
#include <vector>

namespace talvik {

enum class TSpinDown { None = 0, Top = 1, Bottom = 2 };
enum class TXcSpinButtonStyle { sbsDefault, sbsClassic };  // sbsDefault: split along the diagonal

// The half under a point of a W x H button: diagonal style, the bottom half lies below the
// line from the bottom-left to the top-right corner; classic style, below H div 2. A point
// on the line counts as top.
TSpinDown SpinHalfAt(int x, int y, int width, int height, TXcSpinButtonStyle style);

// The faces of one face set.
enum class TSpinFace { Normal, TopDown, BottomDown, TopHot, BottomHot, Disabled };
TSpinFace SpinFaceFor(bool enabled, TSpinDown down, bool themedFaces, bool mouseInTop, bool mouseInBottom);

// The repeat timer as the button uses it.
class TSpinRepeatTimer {
public:
    virtual ~TSpinRepeatTimer() = default;
    // Sets the time to the next firing, counted from now.
    virtual void SetInterval(int ms) = 0;
    virtual void SetEnabled(bool on) = 0;
    virtual bool Enabled() const = 0;
    virtual int Interval() const = 0;
};

class TSpinButtonCore {
public:
    TSpinButtonCore() = default;
    virtual ~TSpinButtonCore() = default;
    TSpinButtonCore(const TSpinButtonCore&) = delete;
    TSpinButtonCore& operator=(const TSpinButtonCore&) = delete;

    int InitRepeatPause = 400;
    int RepeatPause = 100;
    std::function<void()> OnTopClick;
    std::function<void()> OnBottomClick;

    TXcSpinButtonStyle ButtonStyle() const { return style_; }
    TSpinDown Down() const { return down_; }
    TSpinDown LastDown() const { return lastDown_; }
    bool Dragging() const { return dragging_; }
    bool MouseInTopBtn() const { return mouseInTop_; }
    bool MouseInBottomBtn() const { return mouseInBottom_; }
    TSpinRepeatTimer* RepeatTimer() const { return timer_.get(); }

    // Left button down, moves, up, at client coordinates.
    void PressAt(int x, int y);
    void MoveTo(int x, int y);
    void ReleaseAt(int x, int y);
    void MouseEntered(int x, int y);
    void MouseLeft();
    // One firing of the repeat timer.
    void RepeatTick();
    // Fire the click of a half (also what a press does at once).
    void TopClick();
    void BottomClick();
    // Ends a press without a release (the button was disabled meanwhile).
    void StopDragging();

protected:
    virtual int ClientWidth() const = 0;
    virtual int ClientHeight() const = 0;
    virtual bool IsEnabled() const { return true; }
    virtual bool MouseCaptured() const { return dragging_; }
    virtual bool ThemesActive() const { return false; }
    virtual void Repaint() {}
    virtual void FocusOnPress() {}
    virtual void ReleaseMouse() {}
    virtual std::unique_ptr<TSpinRepeatTimer> MakeTimer() = 0;

    TXcSpinButtonStyle style_ = TXcSpinButtonStyle::sbsDefault;

private:
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < ClientWidth() && y < ClientHeight(); }
    void SetDown(TSpinDown d);

    TSpinDown down_ = TSpinDown::None;
    TSpinDown lastDown_ = TSpinDown::None;
    bool dragging_ = false;
    bool leftButtonDown_ = false;
    bool mouseInTop_ = false, mouseInBottom_ = false;
    std::unique_ptr<TSpinRepeatTimer> timer_;
};

// Key of a face set in the shared cache; sets are kept sorted by (Width, Height, Style,
// CustomGlyphs), each compared as a number.
struct TSpinFaceKey {
    int Width = 0, Height = 0, Style = 0;
    bool CustomGlyphs = false;
};
int CompareSpinFaceKeys(const TSpinFaceKey& a, const TSpinFaceKey& b);
// Binary search of a sorted list: true with the index of an equal entry, or false with the
// index at which the key belongs.
bool FindSpinFaceKey(const std::vector<TSpinFaceKey>& sorted, const TSpinFaceKey& key, int& index);

}  // namespace talvik

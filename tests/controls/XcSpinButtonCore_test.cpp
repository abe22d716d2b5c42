// The spin button's behaviour against a clock of the test's own: which half a press hits,
// the pace of the press-and-hold repeat, what moving off and releasing do, the faces shown,
// and the ordered search of the face cache.
#include <gtest/gtest.h>

#include <vector>

#include "controls/XcSpinButtonCore.h"

using namespace talvik;

namespace {

// A millisecond clock and the timer that runs on it the way the toolkit's timer does: setting
// the interval starts the count again from now.
struct Clock {
    int now = 0;
};

class ClockTimer : public TSpinRepeatTimer {
public:
    explicit ClockTimer(Clock& c) : clock(c) {}
    void SetInterval(int ms) override {
        interval = ms;
        due = clock.now + ms;
    }
    void SetEnabled(bool on) override {
        if (on && !enabled) due = clock.now + interval;
        enabled = on;
    }
    bool Enabled() const override { return enabled; }
    int Interval() const override { return interval; }
    Clock& clock;
    int interval = 1000;
    int due = 0;
    bool enabled = false;
};

class Button : public TSpinButtonCore {
public:
    explicit Button(TXcSpinButtonStyle s = TXcSpinButtonStyle::sbsDefault, int w = 20, int h = 20)
        : width(w), height(h) {
        style_ = s;
        OnTopClick = [this] { clicks.push_back({clock.now, TSpinDown::Top}); };
        OnBottomClick = [this] { clicks.push_back({clock.now, TSpinDown::Bottom}); };
    }
    // Lets the clock run to `until`, firing the timer whenever it is due.
    void RunUntil(int until) {
        for (; clock.now <= until; ++clock.now) {
            auto* t = static_cast<ClockTimer*>(RepeatTimer());
            if (t && t->enabled && clock.now >= t->due) RepeatTick();
        }
        clock.now = until;
    }
    std::vector<int> ClickTimes() const {
        std::vector<int> r;
        for (auto& c : clicks) r.push_back(c.first);
        return r;
    }

    Clock clock;
    std::vector<std::pair<int, TSpinDown>> clicks;
    int repaints = 0;
    bool themes = false;
    int width, height;

protected:
    int ClientWidth() const override { return width; }
    int ClientHeight() const override { return height; }
    bool ThemesActive() const override { return themes; }
    void Repaint() override { ++repaints; }
    std::unique_ptr<TSpinRepeatTimer> MakeTimer() override { return std::make_unique<ClockTimer>(clock); }
};

}  // namespace

TEST(SpinButtonCore, HalvesSplitAlongTheDiagonalOrAtHalfHeight) {
    using S = TXcSpinButtonStyle;
    EXPECT_EQ(SpinHalfAt(2, 2, 20, 20, S::sbsDefault), TSpinDown::Top);
    EXPECT_EQ(SpinHalfAt(17, 17, 20, 20, S::sbsDefault), TSpinDown::Bottom);
    EXPECT_EQ(SpinHalfAt(10, 10, 20, 20, S::sbsDefault), TSpinDown::Top);  // on the diagonal
    EXPECT_EQ(SpinHalfAt(10, 11, 20, 20, S::sbsDefault), TSpinDown::Bottom);
    EXPECT_EQ(SpinHalfAt(2, 19, 20, 20, S::sbsDefault), TSpinDown::Bottom);  // bottom-left corner
    EXPECT_EQ(SpinHalfAt(18, 1, 20, 20, S::sbsDefault), TSpinDown::Top);     // top-right corner
    EXPECT_EQ(SpinHalfAt(19, 2, 20, 20, S::sbsDefault), TSpinDown::Bottom);  // just below the line
    EXPECT_EQ(SpinHalfAt(5, 10, 15, 20, S::sbsClassic), TSpinDown::Top);     // y = H div 2
    EXPECT_EQ(SpinHalfAt(5, 11, 15, 20, S::sbsClassic), TSpinDown::Bottom);
    EXPECT_EQ(SpinHalfAt(5, 10, 15, 21, S::sbsClassic), TSpinDown::Top);
}

TEST(SpinButtonCore, HoldingRepeatsAfter400ThenEvery100Milliseconds) {
    Button b;
    b.clock.now = 1000;
    b.PressAt(4, 4);
    EXPECT_EQ(b.Down(), TSpinDown::Top);
    b.RunUntil(2000);
    EXPECT_EQ(b.ClickTimes(), (std::vector<int>{1000, 1400, 1500, 1600, 1700, 1800, 1900, 2000}));
    b.ReleaseAt(4, 4);
    EXPECT_FALSE(b.RepeatTimer()->Enabled());  // release stops the timer
    EXPECT_EQ(b.Down(), TSpinDown::None);
    b.RunUntil(3000);
    EXPECT_EQ(b.clicks.size(), 8u);

    // A second press starts the slow first pause again, on the bottom half this time.
    b.clicks.clear();
    b.PressAt(16, 16);
    b.RunUntil(3450);
    b.ReleaseAt(16, 16);
    ASSERT_EQ(b.clicks.size(), 2u);
    EXPECT_EQ(b.clicks[0], std::make_pair(3000, TSpinDown::Bottom));
    EXPECT_EQ(b.clicks[1], std::make_pair(3400, TSpinDown::Bottom));
}

TEST(SpinButtonCore, MovingOffShowsReleasedAndPausesTheRepeatUntilBackOverThePressedHalf) {
    Button b(TXcSpinButtonStyle::sbsClassic, 15, 20);
    b.PressAt(5, 3);
    b.RunUntil(450);
    EXPECT_EQ(b.clicks.size(), 2u);  // at 0 and 400
    b.MoveTo(30, 3);                 // off the button
    EXPECT_EQ(b.Down(), TSpinDown::None);
    b.RunUntil(800);
    EXPECT_EQ(b.clicks.size(), 2u);
    b.MoveTo(5, 15);                 // over the other half: still shown released
    EXPECT_EQ(b.Down(), TSpinDown::None);
    b.RunUntil(900);
    EXPECT_EQ(b.clicks.size(), 2u);
    b.MoveTo(5, 4);                  // back over the pressed half
    EXPECT_EQ(b.Down(), TSpinDown::Top);
    b.RunUntil(1000);
    EXPECT_EQ(b.clicks.size(), 3u);
    EXPECT_EQ(b.clicks.back().first, 1000);
    b.ReleaseAt(40, 40);             // released off the button: the timer stops all the same
    EXPECT_FALSE(b.RepeatTimer()->Enabled());
    EXPECT_FALSE(b.Dragging());
}

TEST(SpinButtonCore, AFailingClickStopsTheRepeat) {
    Button b;
    int n = 0;
    b.OnTopClick = [&] {
        if (++n == 2) throw std::runtime_error("Value must be between 1 and 10");
    };
    b.PressAt(2, 2);
    EXPECT_THROW(b.RunUntil(500), std::runtime_error);
    EXPECT_FALSE(b.RepeatTimer()->Enabled());
}

TEST(SpinButtonCore, HotHalvesFollowThePointerUnderThemesOnly) {
    Button b;
    b.MoveTo(2, 2);
    EXPECT_FALSE(b.MouseInTopBtn());
    b.themes = true;
    b.MoveTo(2, 2);
    EXPECT_TRUE(b.MouseInTopBtn());
    b.MoveTo(18, 18);
    EXPECT_FALSE(b.MouseInTopBtn());
    EXPECT_TRUE(b.MouseInBottomBtn());
    b.MouseLeft();
    EXPECT_FALSE(b.MouseInBottomBtn());
    b.MouseEntered(1, 1);
    EXPECT_TRUE(b.MouseInTopBtn());

    EXPECT_EQ(SpinFaceFor(false, TSpinDown::Top, true, true, false), TSpinFace::Disabled);
    EXPECT_EQ(SpinFaceFor(true, TSpinDown::Bottom, true, true, false), TSpinFace::BottomDown);
    EXPECT_EQ(SpinFaceFor(true, TSpinDown::None, true, true, false), TSpinFace::TopHot);
    EXPECT_EQ(SpinFaceFor(true, TSpinDown::None, true, false, true), TSpinFace::BottomHot);
    EXPECT_EQ(SpinFaceFor(true, TSpinDown::None, false, true, false), TSpinFace::Normal);
}

TEST(SpinButtonCore, FaceCacheSearchFindsOrPlacesKeysInOrder) {
    std::vector<TSpinFaceKey> keys{{15, 20, 0, false}, {15, 20, 1, false}, {15, 20, 1, true}, {20, 20, 0, false}};
    int i = -1;
    EXPECT_TRUE(FindSpinFaceKey(keys, {15, 20, 1, true}, i));
    EXPECT_EQ(i, 2);
    EXPECT_TRUE(FindSpinFaceKey(keys, {15, 20, 0, false}, i));
    EXPECT_EQ(i, 0);
    EXPECT_FALSE(FindSpinFaceKey(keys, {16, 10, 0, false}, i));
    EXPECT_EQ(i, 3);
    EXPECT_FALSE(FindSpinFaceKey(keys, {30, 1, 0, false}, i));
    EXPECT_EQ(i, 4);
    EXPECT_FALSE(FindSpinFaceKey({}, {1, 1, 0, false}, i));
    EXPECT_EQ(i, 0);
}

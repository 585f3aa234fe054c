// The fade engine on a fake clock: frames, weights and intervals of fades in and
// out, reversals, a second start toward the same target, and a timer freed inside
// its own tick.
#include "FakeClock.h"
#include "skinctrl/fade/FadeTimer.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using namespace skin;
using namespace skinctrl;

struct Frame {
  long long at;
  int iteration;
  int weight;
  friend bool operator==(const Frame&, const Frame&) = default;
};

// One control's fades: every frame shown is recorded with the clock's time.
class Fader {
public:
  explicit Fader(skintest::FakeClock& clock) : clock_(clock) {}

  bool Start(int target, bool shortFade = false) {
    if (!timer) timer = std::make_unique<TacThreadedTimer>(nullptr, target);
    return timer->Begin(
        nullptr, target, shortFade,
        [this](TsCommonData*, int iteration) {
          return timer->FadeFrame([&](int weight) { frames.push_back({clock_.Now(), iteration, weight}); });
        },
        [this] {
          ++prepared;
          timer->BmpFrom = std::make_unique<Bitmap32>(2, 2);
          timer->BmpTo = std::make_unique<Bitmap32>(2, 2);
          return prepareSucceeds;
        });
  }
  std::vector<int> Weights(std::size_t from = 0) const {
    std::vector<int> w;
    for (std::size_t i = from; i < frames.size(); ++i) w.push_back(frames[i].weight);
    return w;
  }

  std::unique_ptr<TacThreadedTimer> timer;
  std::vector<Frame> frames;
  int prepared = 0;
  bool prepareSucceeds = true;

private:
  skintest::FakeClock& clock_;
};

// Weight of the old look per frame (BmpTo gains 256 - weight). Toward the hot
// state Glow climbs by 255/6 per frame; the weight is 255 - round(Glow).
TEST(Fade, FadeInFromScratchTakesSixFramesTwelveMillisecondsApart) {
  skintest::FakeClock clock;
  Fader f(clock);
  ASSERT_TRUE(f.Start(1));
  clock.Advance(1000);

  EXPECT_EQ(f.frames,
            (std::vector<Frame>{{0, 1, 212}, {12, 2, 170}, {24, 3, 127}, {36, 4, 85}, {48, 5, 42}, {60, 6, 0}}));
  // The tick after the last frame is not needed: the timer stopped with it.
  EXPECT_EQ(clock.Ticks().size(), 5u);
  for (const auto& t : clock.Ticks()) EXPECT_EQ(t.interval, FadeInterval);
  EXPECT_FALSE(f.timer->Enabled());
  EXPECT_EQ(clock.RunningSources(), 0);
  EXPECT_EQ(f.timer->State, 1);
  EXPECT_DOUBLE_EQ(f.timer->Glow, 255);
}

TEST(Fade, FadeOutTakesTwelveFramesAndEndsTheAnimation) {
  skintest::FakeClock clock;
  Fader f(clock);
  f.Start(1);
  clock.Advance(100);
  f.frames.clear();

  const long long t0 = clock.Now();
  ASSERT_TRUE(f.Start(0));
  clock.Advance(1000);

  // Glow falls by 255/12 per frame; the weight is round(Glow).
  EXPECT_EQ(f.Weights(), (std::vector<int>{234, 213, 191, 170, 149, 128, 106, 85, 64, 43, 21, 0}));
  ASSERT_EQ(f.frames.size(), 12u);
  for (std::size_t i = 0; i < f.frames.size(); ++i) {
    EXPECT_EQ(f.frames[i].at, t0 + 12 * static_cast<long long>(i));
    EXPECT_EQ(f.frames[i].iteration, static_cast<int>(i) + 1);
  }
  // Toward the normal state the last frame ends the animation.
  EXPECT_EQ(f.timer->State, -1);
  EXPECT_FALSE(f.timer->BmpFrom);
  EXPECT_FALSE(f.timer->BmpTo);
  EXPECT_EQ(clock.RunningSources(), 0);
}

TEST(Fade, ShortFadesTakeHalfTheFrames) {
  skintest::FakeClock clock;
  Fader f(clock);
  f.Start(1, true);
  clock.Advance(100);
  EXPECT_EQ(f.Weights(), (std::vector<int>{170, 85, 0}));
  f.frames.clear();
  f.Start(0, true);
  clock.Advance(100);
  EXPECT_EQ(f.Weights(), (std::vector<int>{213, 170, 128, 85, 43, 0}));
}

TEST(Fade, FadeOutFromTheMiddleOfAFadeInContinuesFromTheSamePosition) {
  skintest::FakeClock clock;
  Fader f(clock);
  f.Start(1);
  clock.Advance(24);  // frames 1-3 shown: Glow 127.5
  ASSERT_EQ(f.frames.size(), 3u);
  ASSERT_DOUBLE_EQ(f.timer->Glow, 127.5);

  const long long t0 = clock.Now();
  ASSERT_TRUE(f.Start(0));
  clock.Advance(1000);
  // Half way up is half way down: iterations 7 to 12 of the fade out, the same
  // Glow steps as a full fade out, arriving at the normal look.
  const std::vector<Frame> out(f.frames.begin() + 3, f.frames.end());
  EXPECT_EQ(
      out,
      (std::vector<Frame>{
          {t0, 7, 106}, {t0 + 12, 8, 85}, {t0 + 24, 9, 64}, {t0 + 36, 10, 43}, {t0 + 48, 11, 21}, {t0 + 60, 12, 0}}));
  EXPECT_EQ(f.timer->State, -1);
}

TEST(Fade, FadeInFromTheMiddleOfAFadeOutContinuesFromTheSamePosition) {
  skintest::FakeClock clock;
  Fader f(clock);
  f.Start(1);
  clock.Advance(100);
  f.Start(0);
  clock.Advance(60);  // 6 of 12 frames: Glow 127.5
  ASSERT_DOUBLE_EQ(f.timer->Glow, 127.5);
  const std::size_t before = f.frames.size();

  ASSERT_TRUE(f.Start(1));
  clock.Advance(1000);
  // Frames 4 to 6 of a fade in: Glow 170, 212.5, 255.
  EXPECT_EQ(f.Weights(before), (std::vector<int>{85, 42, 0}));
  EXPECT_EQ(f.frames[before].iteration, 4);
  EXPECT_DOUBLE_EQ(f.timer->Glow, 255);
}

TEST(Fade, StartingTowardTheRunningTargetChangesNothing) {
  skintest::FakeClock clock;
  Fader f(clock);
  f.Start(1);
  clock.Advance(12);
  ASSERT_EQ(f.frames.size(), 2u);

  EXPECT_FALSE(f.Start(1));
  EXPECT_EQ(f.prepared, 1) << "the frames were prepared again";
  EXPECT_EQ(f.frames.size(), 2u);
  EXPECT_EQ(f.timer->Iteration, 2);
  clock.Advance(1000);
  EXPECT_EQ(f.Weights(), (std::vector<int>{212, 170, 127, 85, 42, 0}));
  // Once it has ended, the same target may start again.
  f.frames.clear();
  EXPECT_TRUE(f.Start(0));
  clock.Advance(1000);
  EXPECT_EQ(f.frames.size(), 12u);
}

TEST(Fade, AFadeWhoseFramesCannotBePreparedStopsTheTimer) {
  skintest::FakeClock clock;
  Fader f(clock);
  f.Start(1);
  f.prepareSucceeds = false;
  EXPECT_FALSE(f.Start(0));
  clock.Advance(1000);
  EXPECT_EQ(f.frames.size(), 1u);
  EXPECT_FALSE(f.timer->Enabled());
  EXPECT_EQ(clock.RunningSources(), 0);
}

TEST(Fade, TheTimerMayBeFreedInsideItsOwnTick) {
  skintest::FakeClock clock;
  auto timer = std::make_unique<TacThreadedTimer>(nullptr, 1);
  int frames = 0;
  timer->Begin(
      nullptr, 1, false,
      [&](TsCommonData*, int iteration) {
        ++frames;
        if (iteration == 3) timer.reset();  // the control went away during the frame
        return true;
      },
      [] { return true; });
  clock.Advance(1000);
  EXPECT_EQ(frames, 3);
  EXPECT_FALSE(timer);
  EXPECT_EQ(clock.Ticks().size(), 2u);
}

TEST(Fade, ATickInsideATickIsIgnored) {
  skintest::FakeClock clock;
  TacThreadedTimer timer(nullptr, 1);
  std::vector<int> iterations;
  timer.Begin(
      nullptr, 1, false,
      [&](TsCommonData*, int iteration) {
        iterations.push_back(iteration);
        timer.TimeHandler();  // a nested message loop delivering the next tick
        return true;
      },
      [] { return true; });
  clock.Advance(1000);
  EXPECT_EQ(iterations, (std::vector<int>{1, 2, 3, 4, 5, 6}));
}

TEST(Fade, ATimerGoesOnFromAPictureCopiedIntoItAndKeepsItsPriority) {
  skintest::FakeClock clock;
  Fader f(clock);
  f.Start(1);
  clock.Advance(1000);
  TacThreadedTimer& timer = *f.timer;
  EXPECT_EQ(timer.ThreadPriority(), TThreadPriority::tpNormal);
  timer.SetThreadPriority(TThreadPriority::tpHigher);
  EXPECT_EQ(timer.ThreadPriority(), TThreadPriority::tpHigher);

  // The control repainted itself: its cache becomes the frame shown, whatever
  // size the frame had.
  Bitmap32 repainted(3, 2, 0xFF112233u);
  timer.BmpOut.reset();
  timer.CopyFrom(repainted);
  ASSERT_TRUE(timer.BmpOut);
  EXPECT_EQ(timer.BmpOut->Pixels, repainted.Pixels);
  Bitmap32 larger(4, 4, 0xFF445566u);
  timer.CopyFrom(larger);
  EXPECT_EQ(timer.BmpOut->Width, 4);
  EXPECT_EQ(timer.BmpOut->Pixels, larger.Pixels);

  // A fade toward the pressed look starts from the frame shown.
  f.prepareSucceeds = true;
  f.Start(2);
  ASSERT_TRUE(timer.BmpFrom);
  EXPECT_EQ(timer.BmpFrom->Pixels, larger.Pixels);
}

}  // namespace

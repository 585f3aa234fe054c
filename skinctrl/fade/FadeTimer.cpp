#include "skinctrl/fade/FadeTimer.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace skinctrl {
namespace {

TacTickSourceFactory& Factory() {
  static TacTickSourceFactory factory;
  return factory;
}

}  // namespace

TacTickSourceFactory SetTickSourceFactory(TacTickSourceFactory factory) {
  return std::exchange(Factory(), std::move(factory));
}

TacThreadedTimer::TacThreadedTimer(TsCommonData* data, int targetState, TacTickSourceFactory fallback)
    : Glow(targetState == 1 ? 0 : 255), AnimData(data), fallback_(std::move(fallback)) {}

TacThreadedTimer::~TacThreadedTimer() {
  *alive_ = false;
  Destroyed = true;
  if (source_) source_->Stop();
}

void TacThreadedTimer::SetEnabled(bool value) {
  if (FEnabled == value) return;
  FEnabled = value;
  if (!value) {
    if (source_) source_->Stop();
    return;
  }
  if (!source_) {
    const TacTickSourceFactory& factory = Factory() ? Factory() : fallback_;
    if (factory) source_ = factory([this] { Tick(); });
  }
  if (source_) source_->Start(FInterval);
}

void TacThreadedTimer::SetInterval(unsigned value) {
  if (FInterval == value) return;
  FInterval = value;
  if (FEnabled && source_) source_->Start(FInterval);
}

void TacThreadedTimer::Tick() {
  if (AnimProc) {
    TimeHandler();
  } else if (OnTimer && FEnabled) {
    OnTimer(*this);
  }
}

bool TacThreadedTimer::Begin(TsCommonData* data, int target, bool shortFade, TAnimProc proc,
                             const std::function<bool()>& prepareFrames) {
  if (FEnabled && State == target) return false;
  const int iteration = FEnabled ? std::max(FadeIterations * (target == 0) - Iteration + FadeIterations, 0) : 0;
  if (!prepareFrames()) {
    SetEnabled(false);
    return false;
  }
  InitData(data, iteration, shortFade, target, std::move(proc));
  TimeHandler();
  return true;
}

void TacThreadedTimer::InitData(TsCommonData* data, int iteration, bool shortFade, int target, TAnimProc proc) {
  SetEnabled(false);
  AnimData = data;
  Glow = std::clamp(Glow, 0.0, 255.0);
  const int previous = State;
  Iterations = shortFade ? FadeIterations / 2 : FadeIterations;
  if (target == 0) Iterations *= 2;

  // The frame a reversed fade continues from corresponds to the current position,
  // and the steps are sized so that the fade arrives at its target on its last
  // frame wherever it starts.
  int start;
  if (target == 1 && previous <= 0) {
    start = static_cast<int>(Glow * Iterations / 255);
  } else if (target == 0 && previous == 1) {
    start = Glow != 0 ? static_cast<int>((255 - Glow) * Iterations / 255) : 0;
  } else {
    start = BmpOut ? 0 : std::max(iteration, 0);
  }
  start = std::min(start, Iterations);
  const int remaining = std::max(Iterations - start, 1);
  if (target == 1) {
    GlowStep = (255 - Glow) / remaining;
  } else if (target == 0 || target == 2) {
    GlowStep = Glow / remaining;
  }
  ValueStep = (255 - Value) / Iterations;
  if ((target == 2 || (target == 1 && previous == 2)) && BmpOut) BmpFrom = std::move(BmpOut);

  Iteration = start;
  OldState = previous;
  State = target;
  AnimProc = std::move(proc);
  SetInterval(FadeInterval);
  SetEnabled(true);
}

void TacThreadedTimer::TimeHandler() {
  if (!FEnabled || Destroyed || executing_) return;
  const std::shared_ptr<bool> alive = alive_;
  executing_ = true;
  struct Done {
    TacThreadedTimer* timer;
    const std::shared_ptr<bool>& alive;
    ~Done() {
      if (*alive) timer->executing_ = false;
    }
  } done{this, alive};

  ++Iteration;
  if (Iteration > Iterations) {
    SetEnabled(false);
    return;
  }
  // A copy: the step may free this timer and with it AnimProc.
  const TAnimProc proc = AnimProc;
  const bool more = proc && proc(AnimData, Iteration);
  // The step may have freed this timer (its control went away).
  if (*alive && !more) SetEnabled(false);
}

void TacThreadedTimer::CopyFrom(const skin::Bitmap32& bitmap) {
  if (BmpOut)
    *BmpOut = bitmap;
  else
    BmpOut = std::make_unique<skin::Bitmap32>(bitmap);
}

int TacThreadedTimer::GlowValue() const noexcept { return std::clamp(static_cast<int>(std::lround(Glow)), 0, 255); }

int TacThreadedTimer::AdvanceGlow() {
  // The last frame lands exactly on the target, whatever rounding the steps had.
  switch (State) {
  case 1: Glow = Iteration >= Iterations ? 255 : Glow + GlowStep; break;
  case 0:
  case 2: Glow = Iteration >= Iterations ? 0 : Glow - GlowStep; break;
  default: Glow = 255 - static_cast<double>(Iteration) / std::max(Iterations, 1) * 255; break;
  }
  return GlowValue();
}

bool TacThreadedTimer::FadeFrame(const std::function<void(int weight)>& show) {
  const int v = AdvanceGlow();
  show(State == 1 ? 255 - v : v);
  if (Iteration < Iterations) return true;
  if (State == 0) Reset();
  return false;
}

void TacThreadedTimer::Reset() noexcept {
  SetEnabled(false);
  State = -1;
  BmpTo.reset();
  BmpOut.reset();
  BmpFrom.reset();
}

}  // namespace skinctrl

#pragma once
// The fade engine of skinned controls: TacThreadedTimer carries one fade between
// two visual states. Despite its name it runs on the GUI thread: its ticks come
// from a tick source, a framework timer in the program and a fake clock in tests.
#include "skin/Bitmap32.h"
#include "skin/SkinModel.h"

#include <functional>
#include <memory>

namespace skinctrl {

class TsCommonData;

// Delivers ticks to one timer while started. Stop must be safe inside a tick, and
// the source may be destroyed inside its own tick.
class TacTickSource {
public:
  virtual ~TacTickSource() = default;
  virtual void Start(unsigned intervalMs) = 0;
  virtual void Stop() noexcept = 0;
};
using TacTickSourceFactory = std::function<std::unique_ptr<TacTickSource>(std::function<void()> tick)>;

// The factory new timers take their tick source from. Returns the previous one.
TacTickSourceFactory SetTickSourceFactory(TacTickSourceFactory factory);

// The priority a timer's ticks are published with. The fade timer ticks on the
// GUI thread, whose priority it leaves alone: the value is kept for the
// component's stored properties only.
enum class TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// Fade frames: 6 per fade (3 for short ones), doubled toward the normal state.
inline constexpr int FadeIterations = 6;
inline constexpr unsigned FadeInterval = 12;  // ms between frames

class TacThreadedTimer {
public:
  // One fade step: (skin data, iteration) -> whether more steps follow.
  using TAnimProc = std::function<bool(TsCommonData* data, int iteration)>;

  // A timer that carries the fades of data, created for a first fade toward
  // targetState: Glow starts at 0 toward the hot state, at 255 toward any other.
  // It ticks only between InitData and the end of the fade.
  // Ticks come from the factory set with SetTickSourceFactory, else from fallback.
  TacThreadedTimer(TsCommonData* data, int targetState, TacTickSourceFactory fallback = {});
  ~TacThreadedTimer();
  TacThreadedTimer(const TacThreadedTimer&) = delete;
  TacThreadedTimer& operator=(const TacThreadedTimer&) = delete;

  bool Enabled() const noexcept { return FEnabled; }
  void SetEnabled(bool value);
  unsigned Interval() const noexcept { return FInterval; }
  void SetInterval(unsigned value);
  std::function<void(TacThreadedTimer&)> OnTimer;
  TThreadPriority ThreadPriority() const noexcept { return FThreadPriority; }
  void SetThreadPriority(TThreadPriority value) noexcept { FThreadPriority = value; }

  // The frame being shown becomes a copy of bitmap (a control that repainted
  // itself while a fade runs: the fade goes on from what is on screen).
  void CopyFrom(const skin::Bitmap32& bitmap);
  // The fade position as the glow's alpha: Glow rounded into 0..255.
  int GlowValue() const noexcept;

  // Starts a fade toward target unless one toward it is running already (then
  // nothing happens and the result is false). A fade that reverses a running one
  // starts from the corresponding iteration. prepareFrames sets BmpFrom and BmpTo;
  // when it fails, the timer stops. The first frame is shown at once.
  bool Begin(TsCommonData* data, int target, bool shortFade, TAnimProc proc,
             const std::function<bool()>& prepareFrames);
  // Prepares a fade toward target: step counts, step sizes and the start
  // iteration (a reversed fade continues from the frame that corresponds to the
  // current position); then starts ticking every FadeInterval ms.
  void InitData(TsCommonData* data, int iteration, bool shortFade, int target, TAnimProc proc);
  // One tick: the next iteration's step, or the end of the fade.
  void TimeHandler();
  // One frame of the fade (the body of a control's step procedure): moves Glow
  // one step toward the target, hands show the weight the frame is blended with
  // (BmpOut weight out of 256 against BmpTo) and tells whether more frames follow.
  // The last frame of a fade toward the normal state ends the animation (Reset).
  bool FadeFrame(const std::function<void(int weight)>& show);
  // Stops and forgets the fade: State -1 and the three bitmaps freed.
  void Reset() noexcept;

  // Fade position 0..255 and its step; a second channel Value with its step.
  double Glow = 0, Value = 0, ValueStep = 0, GlowStep = 0;
  int State = -1;  // target of the running fade, -1 = none
  int Iteration = 0;
  int IntState = 0;
  int OldState = -1;  // target of the fade before this one
  int Iterations = 0;
  int ThreadType = 0;  // 1 = glow-only fade
  std::unique_ptr<skin::Bitmap32> BmpTo, BmpOut, BmpFrom;
  skin::TRect AnimRect{};
  TsCommonData* AnimData = nullptr;
  bool Destroyed = false;
  void* AnimControl = nullptr;
  TAnimProc AnimProc;

private:
  void Tick();
  int AdvanceGlow();

  bool FEnabled = false;
  unsigned FInterval = 1000;
  TThreadPriority FThreadPriority = TThreadPriority::tpNormal;
  bool executing_ = false;
  TacTickSourceFactory fallback_;
  std::unique_ptr<TacTickSource> source_;
  // Shared with a running tick, which learns from it that the timer was freed.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace skinctrl

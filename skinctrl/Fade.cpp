// Fades of skinned controls between visual states, on framework timers of the GUI
// thread.
#include "framework/ExtCtrls.h"
#include "framework/Handles.h"
#include "skin/sSkinManager.h"
#include "skinctrl/CommonData.h"
#include "skinctrl/CommonDataDetail.h"

namespace skinctrl {

using skin::Bitmap32;
using skin::TsSkinManager;

namespace {

int animationBlocks = 0;  // GUI thread only

// Ticks from a framework timer: it may be freed inside its own tick.
class FrameworkTickSource : public TacTickSource {
public:
  explicit FrameworkTickSource(std::function<void()> tick) : timer_(nullptr) {
    timer_.SetEnabled(false);
    timer_.SetOnTimer([tick = std::move(tick)](fw::TObject*) { tick(); });
  }
  void Start(unsigned intervalMs) override {
    timer_.SetEnabled(false);
    timer_.SetInterval(intervalMs);
    timer_.SetEnabled(true);
  }
  void Stop() noexcept override { timer_.SetEnabled(false); }

private:
  fw::TTimer timer_;
};

std::unique_ptr<TacTickSource> MakeFrameworkTickSource(std::function<void()> tick) {
  return std::make_unique<FrameworkTickSource>(std::move(tick));
}

}  // namespace

void BlockAnimations(bool block) noexcept { animationBlocks += block ? 1 : -1; }

void AbortAnimation(TsCommonData& data) noexcept {
  if (data.AnimTimer && !data.AnimTimer->Destroyed) data.AnimTimer->Reset();
}

bool Animating(const TsCommonData& data) noexcept {
  return data.AnimTimer && data.AnimTimer->Enabled() && data.AnimTimer->State != -1;
}

void FinishAnimation(TsCommonData& data) {
  TacThreadedTimer* timer = data.AnimTimer.get();
  if (!timer || timer->State == -1) return;
  timer->Iteration = timer->Iterations - 1;
  timer->Glow = timer->State == 1 ? 255 : 0;
  timer->SetEnabled(false);
  const TacThreadedTimer::TAnimProc proc = timer->AnimProc;
  if (proc) proc(&data, timer->Iteration);
  if (data.AnimTimer.get() == timer) timer->BmpOut.reset();
}

bool FadeStep(TsCommonData* data, int) {
  TacThreadedTimer* timer = data ? data->AnimTimer.get() : nullptr;
  if (!timer || !timer->BmpFrom || !timer->BmpTo) return false;
  return timer->FadeFrame([&](int weight) {
    if (!timer->BmpOut) timer->BmpOut = std::make_unique<Bitmap32>();
    *timer->BmpOut = *timer->BmpFrom;
    Bitmap32& to = *timer->BmpTo;
    BlendBitmapRect(LinesOf(*timer->BmpOut), LinesOf(to), weight, {0, 0}, {0, 0, to.Width - 1, to.Height - 1});
    if (const HWND wnd = OwnerWindow(*data)) {
      fw::WindowDc dc(wnd);
      CopyBitmapToDc(*timer->BmpOut, dc.get());
    }
  });
}

void StartFade(TsCommonData& data, int target, TacThreadedTimer::TAnimProc proc, bool shortFade) {
  if (!data.AnimTimer) data.AnimTimer = std::make_unique<TacThreadedTimer>(&data, target, &MakeFrameworkTickSource);
  TacThreadedTimer& timer = *data.AnimTimer;
  timer.Begin(&data, target, shortFade, std::move(proc), [&] {
    if (!data.FCacheBmp || data.FCacheBmp->Empty()) return false;
    if (timer.BmpOut &&
        (timer.BmpOut->Width != data.FCacheBmp->Width || timer.BmpOut->Height != data.FCacheBmp->Height)) {
      timer.BmpOut.reset();
    }
    timer.BmpFrom = std::make_unique<Bitmap32>(*data.FCacheBmp);
    if (data.BGChanged && data.SendToOwner(skin::SKC_PREPARECACHE) != 0) return false;
    if (!data.FCacheBmp || data.FCacheBmp->Empty()) return false;
    timer.BmpTo = std::make_unique<Bitmap32>(*data.FCacheBmp);
    return true;
  });
}

void StateChanged(TsCommonData& data, int newState, TacThreadedTimer::TAnimProc proc, bool, bool shortFade,
                  bool eventAllowed) {
  if (!data.Skinned()) {
    data.Invalidate(false);
    return;
  }
  const TsSkinManager* m = data.SkinManager();
  if (eventAllowed && animationBlocks == 0 && data.FCacheBmp && !data.BGChanged && m->Effects().AllowAnimation) {
    data.BGChanged = true;
    StartFade(data, newState, std::move(proc), shortFade);
    return;
  }
  data.BGChanged = true;
  data.Invalidate(false);
}

}  // namespace skinctrl

// Fades of skinned controls between visual states, on framework timers of the GUI
// thread.
#include "framework/ExtCtrls.h"
#include "framework/Handles.h"
#include "skin/SkinBroadcast.h"
#include "skin/sSkinManager.h"
#include "skinctrl/gdi/DibBitmap.h"
#include "skinctrl/state/CommonData.h"
#include "skinctrl/state/CommonDataDetail.h"
#include "skinctrl/state/HoverGlow.h"

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

// A glow-only fade: the glow's alpha follows the fade position; the control's
// look is left alone. The end of a fade out releases the glow.
bool GlowFadeStep(TsCommonData* data, int) {
  TacThreadedTimer* timer = data ? data->AnimTimer.get() : nullptr;
  if (!timer) return false;
  const int target = timer->State;
  const bool more = timer->FadeFrame([&](int) { SetHoverGlowAlpha(*data, timer->GlowValue()); });
  if (!more && target == 0) HideHoverGlow(*data, false);
  return more;
}

// Child windows of the control painted over a fade frame at their places, so
// that a blit of the frame over a window that does not clip its children
// leaves them standing. A skinned child gives its finished cache, any other
// child prints itself.
void PaintChildWindows(HWND owner, Bitmap32& frame) {
  const ScanLines target = LinesOf(frame);
  RECT ownerRect{};
  if (target.Empty() || !::GetWindowRect(owner, &ownerRect)) return;
  for (HWND child = ::GetWindow(owner, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    RECT r{};
    if (!::IsWindowVisible(child) || !::GetWindowRect(child, &r)) continue;
    ::OffsetRect(&r, -ownerRect.left, -ownerRect.top);
    const TRect place{r.left, r.top, r.right, r.bottom};
    const TsCommonData* skinData = nullptr;
    if (skin::IsSkinnedWindow(child))
      skinData = reinterpret_cast<const TsCommonData*>(skin::SendSkinCommand(child, skin::SKC_GETSKINDATA));
    Bitmap32* cache = skinData ? skinData->FCacheBmp.get() : nullptr;
    if (cache && !skinData->BGChanged && cache->Width == place.Width() && cache->Height == place.Height()) {
      CopyRect(target, place, LinesOf(*cache), {0, 0});
      continue;
    }
    TDibBitmap print = NewBitmap32(place.Width(), place.Height());
    if (print.Empty()) continue;
    ::SendMessageW(child, WM_PRINT, reinterpret_cast<WPARAM>(print.DC()),
                   PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
    CopyRect(target, place, print.Lines(), {0, 0});
  }
}

}  // namespace

void FadeHoverGlow(TsCommonData& data, int target) {
  if (data.GlowID < 0) return;
  if (!data.AnimTimer) data.AnimTimer = std::make_unique<TacThreadedTimer>(&data, target, &MakeFrameworkTickSource);
  TacThreadedTimer& timer = *data.AnimTimer;
  if (timer.Enabled() && timer.State == target) return;
  timer.ThreadType = 1;
  timer.InitData(&data, 0, false, target, GlowFadeStep);
  SetHoverGlowAlpha(data, timer.GlowValue());
}

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
  const int target = timer->State;
  const bool more = timer->FadeFrame([&](int weight) {
    if (!timer->BmpOut) timer->BmpOut = std::make_unique<Bitmap32>();
    *timer->BmpOut = *timer->BmpFrom;
    Bitmap32& to = *timer->BmpTo;
    BlendBitmapRect(LinesOf(*timer->BmpOut), LinesOf(to), weight, {0, 0}, {0, 0, to.Width - 1, to.Height - 1});
    if (const HWND wnd = OwnerWindow(*data)) {
      fw::WindowDc dc(wnd);
      CopyBitmapToDc(*timer->BmpOut, dc.get());
    }
    // The glow follows every frame, the last included: a fade in ends with
    // the glow at full strength, not one step short of it.
    if (data->GlowID >= 0) {
      const int v = timer->GlowValue();
      if (target == 0 && v < 10)
        HideHoverGlow(*data, false);
      else
        SetHoverGlowAlpha(*data, v);
    }
  });
  // A fade away from the hot look ends with the glow gone.
  if (!more && target != 1) HideHoverGlow(*data, false);
  return more;
}

void StartFade(TsCommonData& data, int target, TacThreadedTimer::TAnimProc proc, bool shortFade) {
  if (!data.AnimTimer) data.AnimTimer = std::make_unique<TacThreadedTimer>(&data, target, &MakeFrameworkTickSource);
  TacThreadedTimer& timer = *data.AnimTimer;
  // A glow-only fade gives way to a fade of the look, which takes the glow
  // along from where it stands.
  if (timer.ThreadType == 1) {
    timer.SetEnabled(false);
    timer.ThreadType = 0;
  }
  const HWND wnd = IsHoverByControlCode(data.COC) ? OwnerWindow(data) : nullptr;
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
    if (wnd && ::GetWindow(wnd, GW_CHILD)) {
      PaintChildWindows(wnd, *timer.BmpFrom);
      PaintChildWindows(wnd, *timer.BmpTo);
    }
    return true;
  });
}

void StateChanged(TsCommonData& data, int newState, TacThreadedTimer::TAnimProc proc, bool allowGlow,
                  bool shortFade, bool eventAllowed) {
  if (!data.Skinned()) {
    data.Invalidate(false);
    return;
  }
  const TsSkinManager* m = data.SkinManager();
  if (eventAllowed && animationBlocks == 0 && data.FCacheBmp && !data.BGChanged && m->Effects().AllowAnimation) {
    // The glow comes up with the fade, which sets its alpha from here on.
    if (allowGlow && newState < 100 && data.GlowID < 0)
      ShowHoverGlow(data, data.AnimTimer ? data.AnimTimer->GlowValue() : 0);
    data.BGChanged = true;
    StartFade(data, newState, std::move(proc), shortFade);
    return;
  }
  data.BGChanged = true;
  data.Invalidate(false);
  if (!data.FMouseAbove) {
    HideHoverGlow(data, false);
  } else if (allowGlow && data.GlowID < 0) {
    ShowHoverGlow(data, 255);
  }
}

}  // namespace skinctrl

#include "skinctrl/state/HoverGlow.h"

#include "skin/sSkinManager.h"
#include "skinctrl/paint/SkinImages.h"
#include "skinctrl/state/CommonData.h"
#include "skinctrl/state/CommonDataDetail.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace skinctrl {

using skin::Bitmap32;
using skin::TsSkinManager;

// --- TacGlowForm ---

TacGlowForm::TacGlowForm(HWND ownerForm) : fw::TWinControl(nullptr), ownerForm_(ownerForm) {}

TacGlowForm::~TacGlowForm() { DestroyHandle(); }

void TacGlowForm::CreateParams(fw::TCreateParams& params) {
  fw::TWinControl::CreateParams(params);
  params.Style = WS_POPUP;
  params.ExStyle = WS_EX_LAYERED | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW | (TransparentMouse ? WS_EX_TRANSPARENT : 0);
  // An owned pop-up stays above its owner in z-order and goes with it.
  params.WndParent = ownerForm_;
}

void TacGlowForm::WndProc(fw::TMessage& message) {
  switch (message.Msg) {
  case WM_NCHITTEST:
    if (TransparentMouse) {
      message.Result = HTTRANSPARENT;
      return;
    }
    break;
  case WM_MOUSEACTIVATE: message.Result = MA_NOACTIVATE; return;
  default: break;
  }
  fw::TWinControl::WndProc(message);
}

void TacGlowForm::ShowPicture(const Bitmap32& picture, POINT at, int alpha) {
  picture_.SetSize(picture.Width, picture.Height);
  const ScanLines lines = picture_.Lines();
  for (int y = 0; y < lines.Height; ++y)
    std::memcpy(lines.Row(y), &picture.Pixels[static_cast<std::size_t>(y) * picture.Width],
                static_cast<std::size_t>(lines.Width) * 4);
  at_ = at;
  alpha_ = std::clamp(alpha, 0, 255);
  Update();
}

void TacGlowForm::SetAlpha(int alpha) {
  alpha = std::clamp(alpha, 0, 255);
  if (alpha == alpha_ && HandleAllocated()) return;
  alpha_ = alpha;
  Update();
}

void TacGlowForm::Update() {
  if (picture_.Empty()) return;
  const HWND wnd = Handle();
  POINT source{0, 0};
  SIZE size{picture_.Width(), picture_.Height()};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(alpha_), AC_SRC_ALPHA};
  ::UpdateLayeredWindow(wnd, nullptr, &at_, &size, picture_.DC(), &source, 0, &blend, ULW_ALPHA);
  if (!::IsWindowVisible(wnd)) {
    // Directly above the form: after the window that lies above it.
    HWND above = ownerForm_ ? ::GetWindow(ownerForm_, GW_HWNDPREV) : nullptr;
    UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW;
    if (above == wnd) flags |= SWP_NOZORDER;
    ::SetWindowPos(wnd, above ? above : HWND_TOP, 0, 0, 0, 0, flags);
  }
}

// --- The glows of all controls, by GlowID (GUI thread only) ---

namespace {

// A glow window and the control it belongs to: a GlowID is only believed
// from its owner, so that an ID released behind a control's back (all glows
// hidden) and handed out again cannot reach another control's window.
struct GlowEntry {
  TsCommonData* Owner = nullptr;
  std::unique_ptr<TacGlowForm> Window;
};

// Never destroyed: controls freed during the application object's static
// destruction still hide their glows.
std::vector<GlowEntry>& Glows() {
  static auto* glows = new std::vector<GlowEntry>;
  return *glows;
}

GlowEntry* EntryOf(int glowId) noexcept {
  auto& glows = Glows();
  return glowId >= 0 && static_cast<std::size_t>(glowId) < glows.size() ? &glows[static_cast<std::size_t>(glowId)]
                                                                        : nullptr;
}

TacGlowForm* GlowOf(const TsCommonData& data) noexcept {
  const GlowEntry* entry = EntryOf(data.GlowID);
  return entry && entry->Owner == &data ? entry->Window.get() : nullptr;
}

void ReleaseGlow(TsCommonData& data) noexcept {
  GlowEntry* entry = EntryOf(std::exchange(data.GlowID, -1));
  if (entry && entry->Owner == &data) *entry = GlowEntry{};
}

TacGlowForm& NewGlow(TsCommonData& data, HWND ownerForm) {
  ReleaseGlow(data);
  auto& glows = Glows();
  auto free = std::find_if(glows.begin(), glows.end(), [](const GlowEntry& e) { return e.Owner == nullptr; });
  if (free == glows.end()) free = glows.insert(glows.end(), GlowEntry{});
  free->Window = std::make_unique<TacGlowForm>(ownerForm);
  free->Owner = &data;
  data.GlowID = static_cast<int>(free - glows.begin());
  return *free->Window;
}

// The screen rectangle the control shows of itself: its window rectangle
// clipped by the client areas of the windows it lies in.
bool VisibleScreenRect(const TsCommonData& data, RECT& r) {
  HWND wnd = OwnerWindow(data);
  HWND parent = nullptr;
  if (wnd) {
    if (!::IsWindowVisible(wnd) || !::GetWindowRect(wnd, &r)) return false;
    parent = (::GetWindowLongPtrW(wnd, GWL_STYLE) & WS_CHILD) ? ::GetParent(wnd) : nullptr;
  } else {
    fw::TControl* owner = data.FOwnerControl;
    if (!owner || !owner->Parent() || !owner->Parent()->HandleAllocated() || !owner->Showing()) return false;
    parent = owner->Parent()->HandleIfAllocated();
    r = owner->BoundsRect();
    ::MapWindowPoints(parent, nullptr, reinterpret_cast<POINT*>(&r), 2);
  }
  while (parent) {
    RECT client{};
    ::GetClientRect(parent, &client);
    ::MapWindowPoints(parent, nullptr, reinterpret_cast<POINT*>(&client), 2);
    if (!::IntersectRect(&r, &r, &client)) return false;
    parent = (::GetWindowLongPtrW(parent, GWL_STYLE) & WS_CHILD) ? ::GetParent(parent) : nullptr;
  }
  return true;
}

HWND FormOf(const TsCommonData& data) {
  if (const HWND wnd = OwnerWindow(data)) return ::GetAncestor(wnd, GA_ROOT);
  const fw::TControl* owner = data.FOwnerControl;
  return owner && owner->Parent() ? ::GetAncestor(owner->Parent()->HandleIfAllocated(), GA_ROOT) : nullptr;
}

}  // namespace

bool ShowHoverGlow(TsCommonData& data, int alpha) {
  const skin::TsGeneralData* section = data.Section();
  if (!section) return false;
  TsSkinManager* m = data.SkinManager();
  if (!m->Effects().AllowGlowing || m->Options().NoMouseHover || ::GetCapture() != nullptr || section->GlowCount < 1)
    return false;
  const int image = m->GetMaskIndex(data.SkinIndex, "GLOW0");
  RECT r{};
  if (!m->Model().IsValidImgIndex(image) || !VisibleScreenRect(data, r)) {
    ReleaseGlow(data);
    return false;
  }
  // The section's margin is a 100 % number, like the control's size was.
  const int margin = m->ScaleInt(section->GlowMargin);
  ::InflateRect(&r, margin, margin);
  const Bitmap32 picture =
      MakeGlowPicture(&m->Model(), m->ma()[static_cast<std::size_t>(image)], r.right - r.left, r.bottom - r.top);
  if (picture.Empty()) {
    ReleaseGlow(data);
    return false;
  }
  TacGlowForm* glow = GlowOf(data);
  if (!glow) glow = &NewGlow(data, FormOf(data));
  glow->ShowPicture(picture, {r.left, r.top}, alpha);
  return true;
}

void SetHoverGlowAlpha(const TsCommonData& data, int alpha) {
  if (TacGlowForm* glow = GlowOf(data)) glow->SetAlpha(alpha);
}

void HideHoverGlow(TsCommonData& data, bool fadeOut) {
  if (!GlowOf(data)) {
    data.GlowID = -1;
    return;
  }
  const TsSkinManager* m = data.SkinManager();
  if (fadeOut && m && m->Effects().AllowAnimation) {
    const TacThreadedTimer* timer = data.AnimTimer.get();
    const bool lookFading = Animating(data) && timer->ThreadType != 1;
    if (!lookFading) {
      FadeHoverGlow(data, 0);
      return;
    }
    if (timer->State != 1) return;
  }
  ReleaseGlow(data);
}

void HideAllHoverGlows() noexcept {
  for (GlowEntry& entry : Glows()) {
    if (entry.Owner) ReleaseGlow(*entry.Owner);
  }
}

TacGlowForm* HoverGlowWindow(int glowId) noexcept {
  const GlowEntry* entry = EntryOf(glowId);
  return entry ? entry->Window.get() : nullptr;
}

}  // namespace skinctrl

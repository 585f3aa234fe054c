#include "skinctrl/paint/ComboGeometry.h"

#include <algorithm>

namespace skinctrl {

namespace {

// A rectangle in 64 bits brought inside the control: a margin from the skin
// may put the button anywhere, and what is drawn apart is copied into the
// control's cache at this place.
TRect InsideControl(long long left, long long top, long long right, long long bottom, int width, int height) {
  const long long w = std::max(width, 0), h = std::max(height, 0);
  TRect r;
  r.Left = static_cast<int>(std::clamp(left, 0ll, w));
  r.Top = static_cast<int>(std::clamp(top, 0ll, h));
  r.Right = static_cast<int>(std::clamp(right, static_cast<long long>(r.Left), w));
  r.Bottom = static_cast<int>(std::clamp(bottom, static_cast<long long>(r.Top), h));
  return r;
}

}  // namespace

TRect ComboButtonRect(int width, int height, int buttonWidth, int margin) noexcept {
  const long long left = static_cast<long long>(width) - buttonWidth - margin;
  return InsideControl(left, margin, left + buttonWidth, static_cast<long long>(height) - margin, width, height);
}

TRect ComboTextRect(const TRect& button, int width, int height, int inset, int gap) noexcept {
  return InsideControl(inset, inset, static_cast<long long>(button.Left) - gap, static_cast<long long>(height) - inset,
                       width, height);
}

}  // namespace skinctrl

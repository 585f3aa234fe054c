// A skinned paint that may fail (a picture the system cannot make, a skin
// whose images ask too much). Its error is shown once per skin, whichever
// window failed first, and the window paints in its plain look until the
// next skin is put in place: a failing paint repeated with every WM_PAINT
// would bring one error box after another and never draw the window.
#pragma once

#include <windows.h>

#include <functional>

namespace skin {
class TsSkinManager;
}

namespace skinctrl {

class TPaintGuard {
public:
  // Whether the skinned paint is to be tried: not after it failed with this skin.
  bool Skinnable(const skin::TsSkinManager* manager) const noexcept;
  // Runs the skinned paint when Skinnable. False when it was not run or
  // failed: the caller paints the plain look. A failure is reported (once per
  // skin) and the window invalidated, frame included, for the plain paint.
  bool Run(skin::TsSkinManager* manager, HWND wnd, const std::function<void()>& paint) noexcept;

private:
  bool failed_ = false;
  unsigned failedLoad_ = 0;  // the manager's LoadCount at the failure
};

// The plain look of a control whose skinned paint failed: the button face,
// with pushButton a push button's frame, and the window's text centred. dc
// none: the window is painted through BeginPaint.
void PaintPlainLook(HWND wnd, HDC dc, bool pushButton);

}  // namespace skinctrl

#pragma once
// Hover glows: a layered, click-through pop-up window laid around a hovered
// control that shows its section's glow image ("GLOW0"), its alpha following
// the control's fade. A control finds its glow window by its GlowID.
#include <windows.h>

#include "framework/Controls.h"
#include "skin/Bitmap32.h"
#include "skinctrl/gdi/DibBitmap.h"

namespace skinctrl {

class TsCommonData;

// The window of one glow: a borderless pop-up owned by the control's form (so
// it stays directly above it), layered with per-pixel alpha, never activated
// and, with TransparentMouse, transparent to the mouse so that hover tracking
// keeps seeing the control under it.
class TacGlowForm : public fw::TWinControl {
public:
  explicit TacGlowForm(HWND ownerForm);
  ~TacGlowForm() override;
  const wchar_t* ClassName() const override { return L"TacGlowForm"; }

  // Shows the picture (premultiplied per-pixel alpha) at a screen point with a
  // constant alpha over it, without activating the window.
  void ShowPicture(const skin::Bitmap32& picture, POINT at, int alpha);
  // Only the constant alpha changes.
  void SetAlpha(int alpha);
  int Alpha() const noexcept { return alpha_; }
  // The picture shown, as handed to the system.
  ScanLines Picture() const noexcept { return picture_.Lines(); }
  HWND OwnerForm() const noexcept { return ownerForm_; }

  bool TransparentMouse = true;

protected:
  void CreateParams(fw::TCreateParams& params) override;
  void WndProc(fw::TMessage& message) override;

private:
  void Update();

  HWND ownerForm_;
  TDibBitmap picture_;
  POINT at_{};
  int alpha_ = 0;
};

// Shows the control's glow at alpha (0..255), creating or moving its window:
// only while the manager allows glowing and mouse hover, nothing holds the
// mouse capture, and the section has glow frames and the glow image. The
// window covers the visible part of the control grown by the section's
// GlowMargin. False when no glow is shown.
bool ShowHoverGlow(TsCommonData& data, int alpha);
// The glow's alpha follows a fade.
void SetHoverGlowAlpha(const TsCommonData& data, int alpha);
// Hides the glow: with fadeOut (and animation allowed) it fades out on the
// control's timer, unless a fade of the control's look away from the hot
// state runs already (that fade ends it); otherwise the window is released.
void HideHoverGlow(TsCommonData& data, bool fadeOut);
// Every glow window is released (a form moved under them).
void HideAllHoverGlows() noexcept;
// The window of a GlowID, or none.
TacGlowForm* HoverGlowWindow(int glowId) noexcept;

}  // namespace skinctrl

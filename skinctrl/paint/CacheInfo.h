// Where a control's background comes from: the parent's finished picture, or
// a plain colour plus the parent's border strips.
#pragma once

#include "skin/SkinColors.h"
#include "skin/SkinModel.h"
#include "skinctrl/paint/ScanLines.h"

namespace skinctrl {

using skin::KeyColor;
using skin::TColor;
using skin::TRect;

struct TCacheInfo {
  // The bitmap that holds the background (not owned); empty for none.
  ScanLines Bmp;
  // The position in Bmp that corresponds to the receiver's origin.
  int X = 0;
  int Y = 0;
  // The plain background colour; KeyColor when no colour is known.
  TColor FillColor = KeyColor;
  // Widths (left, top, right, bottom) of the border strips of Bmp that are
  // copied even when only FillColor is used.
  TRect FillRect;
  // True: Bmp at (X, Y) holds the finished background. False: FillColor is
  // used, with the FillRect strips of Bmp when Bmp is set.
  bool Ready = false;
};

// A finished background: bitmap at (x, y).
inline TCacheInfo CacheInfoOfBitmap(ScanLines bmp, int x, int y) noexcept {
  TCacheInfo ci;
  ci.Bmp = bmp;
  ci.X = x;
  ci.Y = y;
  ci.Ready = true;
  return ci;
}

}  // namespace skinctrl

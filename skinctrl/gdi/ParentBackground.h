// How a control obtains its parent's background: the request record sent
// with SKC_GETBACKGROUND, the fallbacks when the parent does not answer, and
// painting a container's section over what came back.
#pragma once

#include <windows.h>

#include "framework/Controls.h"
#include "skin/sSkinManager.h"
#include "skinctrl/paint/CacheInfo.h"
#include "skinctrl/paint/PixelMath.h"
#include "skinctrl/paint/SectionPaint.h"

#include <cstdint>

namespace skinctrl {

enum TBgType : std::uint8_t { btNone = 0, btColor = 1, btBitmap = 2, btNotReady = 3 };

struct TBackgroundRequest {
  ScanLines Bmp;        // answer: the bitmap holding the background (the answering control's cache)
  TColor Color = 0;     // answer: the colour when BgType is btColor
  int X = 0, Y = 0;     // answer: offset in Bmp of the answering control's origin
  RECT DrawRect{};      // request: the area to paint when PleaseDraw is set
  TRect FillRect;       // answer: border-strip widths, as in TCacheInfo
  std::uint8_t BgType = btNone;
  bool PleaseDraw = false;  // request: paint into DrawDC instead of returning a bitmap
  HDC DrawDC = nullptr;     // request: the target of PleaseDraw
};

// A skin command to a control: through its window when it has one, else
// straight to its window procedure (as this thread's own delivery). 0 for
// none or a control being destroyed.
LRESULT SendSkinCommandToControl(fw::TControl* control, std::uint16_t command, LPARAM lParam = 0,
                                 std::uint16_t sub = 0);

// Palette and system colours of a manager (none: the default manager).
ColorSource ColorsOf(const skin::TsSkinManager* manager);
TColor ResolveSkinColor(TColor color, const skin::TsSkinManager* manager);

// Asks the parent (a control, or else a plain window) for its background.
// True when the request was answered, by the parent or by a fallback.
bool QueryParentBackground(TBackgroundRequest& request, fw::TControl* parentControl, HWND parentWindow,
                           bool pleaseDraw, const skin::TsSkinManager* manager = nullptr);

TCacheInfo BackgroundToCacheInfo(const TBackgroundRequest& request, const skin::TsSkinManager* manager = nullptr);

// A container's section painted over its parent's background. clientOrigin
// is the owner's client area within its window. False when the parent is
// not ready yet (nothing drawn).
bool PaintSkinControlOnParent(const TControlLook& look, fw::TControl* parentControl, HWND parentWindow,
                              TPoint clientOrigin, int tex1, int tex2, bool updateCorners, const ScanLines& bmp,
                              TPoint offset, TRect rect, int state, const skin::TsSkinManager* manager = nullptr);

}  // namespace skinctrl

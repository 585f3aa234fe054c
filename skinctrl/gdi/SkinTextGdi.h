// Skin text through GDI: the text is rendered into a mask with the font and
// DrawText format of the caller, then put onto 32-bit scan lines (a DIB
// section's or a cache in memory) in the skin's colours, with outline passes
// and glow.
#pragma once

#include <windows.h>

#include "skin/ConstData.h"
#include "skin/SkinModel.h"
#include "skinctrl/gdi/DibBitmap.h"
#include "skinctrl/paint/SkinTextPaint.h"

#include <string_view>

namespace skinctrl {

// The text as GDI draws it with the font and format into a rectangle of
// the given size: 0 where the ink is full, 255 on paper.
Mask8 RenderTextMask(HFONT font, std::wstring_view text, int width, int height, UINT format);

// The text once, in a colour.
void DrawPlainText(const ScanLines& target, HFONT font, std::wstring_view text, const RECT& rect, UINT format,
                   TColor color);

// A blurred halo of the glow colour around the text (sides gs...), with
// the caller's reusable mask.
void DrawTextGlow(const ScanLines& target, HFONT font, std::wstring_view text, const RECT& rect, Mask8& mask,
                  TColor glowColor, int glowSize, int sides, UINT format);

// What skin text needs to know besides the text.
struct TSkinTextRequest {
  const skin::SkinModel* Model = nullptr;
  const skin::TConstantSkinData* ConstData = nullptr;  // for the web-button section
  int SkinIndex = -1;   // the section whose colours are used
  int State = 0;
  bool UseOutline = false;
  bool AllowGlow = false;
  TControlLook Look;
  ColorSource Colors;
  Mask8* GlowMask = nullptr;  // reused between calls when given
};

// Text in the section's font colours: glow first (when allowed and the
// state has a glow size), then the outline passes, then the text; the web
// button's section underlines the text in states other than 0.
void DrawSkinText(const ScanLines& target, HFONT font, std::wstring_view text, const RECT& rect, UINT format,
                  const TSkinTextRequest& request);

}  // namespace skinctrl

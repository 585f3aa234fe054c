// The per-pixel half of skin text: text colours with tone, hue and
// saturation, the outline passes, putting a rendered text mask into a
// bitmap, the glow halo and its blur. The text itself is rendered by the
// platform into an 8-bit mask (0 ink, 255 paper).
#pragma once

#include "skin/SkinModel.h"
#include "skinctrl/paint/PixelMath.h"
#include "skinctrl/paint/SectionPaint.h"

#include <array>
#include <cstdint>
#include <vector>

namespace skinctrl {

// An 8-bit bitmap: masks of text and glow.
struct Mask8 {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint8_t> Pixels;

  Mask8() = default;
  Mask8(int width, int height, std::uint8_t fill = 255)
      : Width(width), Height(height), Pixels(static_cast<std::size_t>(width) * height, fill) {}
  bool Empty() const noexcept { return Width <= 0 || Height <= 0; }
  std::uint8_t& At(int x, int y) noexcept { return Pixels[static_cast<std::size_t>(y) * Width + x]; }
  std::uint8_t At(int x, int y) const noexcept { return Pixels[static_cast<std::size_t>(y) * Width + x]; }
};

// Gaussian blur in place: 33 taps with sigma = radius, narrowed while the
// dropped outer taps weigh less than 1/510; rows first, then columns, edges
// clamped. Radii below 1 leave the mask as it is.
void BlurMask8(Mask8& mask, int radius);

// A text colour adjusted by the control's tone, hue and saturation
// (Saturation * 256 div 100), then resolved to RGB.
TColor AdjustTextColor(TColor color, const TControlLook& look, const ColorSource& colors);

// One drawing of the text: offset from its rectangle and colour.
struct TTextPass {
  int Dx = 0;
  int Dy = 0;
  TColor Color = 0;
};
struct TTextPasses {
  std::array<TTextPass, 5> Passes;
  int Count = 0;
};

// Without outline: the font colour once. With it: one pass per outline side
// whose colour is not -1, shifted one pixel toward that side (left, top,
// right, bottom), then the font colour unshifted. Colours are adjusted.
TTextPasses SkinTextPasses(const skin::TsFontColor& fontColor, bool outline, const TControlLook& look,
                           const ColorSource& colors);

// Puts a text mask into the bitmap with its top-left at `at`, in a colour:
// per colour channel d = (c * (256 - m) + d * m) >> 8 (full ink is the
// colour itself, paper is skipped); alpha unchanged.
void PutTextMask(const ScanLines& bmp, const Mask8& text, TPoint at, TColor color);

// Glow sides.
inline constexpr int gsLeft = 1, gsUp = 2, gsRight = 4, gsDown = 8;
inline constexpr int gsAll = gsLeft | gsUp | gsRight | gsDown;

// The glow mask of a text mask rendered at a rectangle's size: size + 4
// pixels of paper around it, the text moved by (1, 1) and once more one
// pixel toward each side of the set, blurred with radius size. The mask's
// top-left lies at the text rectangle's top-left minus (size + 3).
void BuildGlowMask(const Mask8& text, int size, int sides, Mask8& glow);
// The glow size BuildGlowMask uses for a size asked (the skin's range).
int GlowSizeInRange(int size) noexcept;

// Each glow pixel m < 255 at `at` + (x, y), clipped to the bitmap:
// alpha += (255 - alpha) * (255 - m) >> 8, channel = ((255 - m) * glow +
// channel * m) >> 8.
void ApplyGlowMask(const ScanLines& bmp, const Mask8& glow, TPoint at, TColor glowColor);

}  // namespace skinctrl

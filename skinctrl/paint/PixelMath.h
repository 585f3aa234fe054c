// The pixel arithmetic every painting procedure shares: colour mixing, fills,
// blends and per-pixel colour changes on 32-bit scan lines. Every mix
// truncates with a shift by 8 (a division by 256, not 255).
#pragma once

#include "skin/Palette.h"
#include "skin/SkinColors.h"
#include "skinctrl/paint/CacheInfo.h"

#include <cstdint>

namespace skinctrl {

// The "no colour" value of tone and skip colours.
inline constexpr TColor NoColor = 0x1FFFFFFF;

// A TColor ($00BBGGRR) as a pixel: red and blue swapped, the top byte kept.
constexpr std::uint32_t ColorToPixel(TColor color) noexcept {
  const auto c = static_cast<std::uint32_t>(color);
  return (c & 0xFF00FF00u) | ((c >> 16) & 0xFF) | ((c & 0xFF) << 16);
}
constexpr TColor PixelToColor(std::uint32_t pixel) noexcept {
  return static_cast<TColor>((pixel & 0xFF00FF00u) | ((pixel >> 16) & 0xFF) | ((pixel & 0xFF) << 16));
}
constexpr bool IsKeyPixel(std::uint32_t pixel) noexcept { return (pixel & 0xFFFFFF) == skin::KeyColorPixel; }

using skin::MixColors;

// A percentage (transparency, image or gradient percent) as a weight 0..255.
constexpr int PercentToWeight(int percent) noexcept { return percent * 255 / 100; }

// The rectangle clipped to the bitmap (right and bottom exclusive).
TRect ClipToBitmap(const TRect& rect, const ScanLines& bmp) noexcept;

// Writes the colour with the given alpha into the rectangle, clipped to the
// bitmap (right and bottom exclusive).
void FillRectAlpha(const ScanLines& bmp, TRect rect, TColor color, std::uint8_t alpha) noexcept;

// Per colour channel d = (d * w + c * (255 - w)) >> 8; alpha unchanged. The
// rectangle's Right and Bottom are inclusive (clipped to width - 1, height - 1).
void BlendColorRect(const ScanLines& bmp, TRect rect, int weight, TColor color) noexcept;

// Per byte, alpha included: d = (s * (256 - w) + d * w) >> 8, so w is the
// destination's weight. The source rectangle's Right and Bottom are
// inclusive; both bitmaps clip it.
void BlendBitmapRect(const ScanLines& dst, const ScanLines& src, int weight, TPoint dstPoint, TRect srcRect) noexcept;

// Copies src's pixels at (srcPoint + offset) into dstRect, clipped to both
// bitmaps (right and bottom exclusive).
void CopyRect(const ScanLines& dst, TRect dstRect, const ScanLines& src, TPoint srcPoint) noexcept;

// A pixel function of TransformPixels and its parameter.
using PixelFunction = std::uint32_t (*)(std::uint32_t pixel, int param) noexcept;

// Tone: V = max(R, G, B), each channel (tone channel * V) >> 8; param is the
// tone colour (TColor).
std::uint32_t TonePixel(std::uint32_t pixel, int toneColor) noexcept;
// Hue turned by param degrees in hue, saturation and value.
std::uint32_t HuePixel(std::uint32_t pixel, int degrees) noexcept;
// Saturation by a (-255..255): L = trunc(0.299 R + 0.587 G + 0.114 B), each
// channel clamp((a + 255) * c - a * L, 0, 65535) >> 8.
std::uint32_t SaturationPixel(std::uint32_t pixel, int a) noexcept;
// Every channel L as above.
std::uint32_t GrayPixel(std::uint32_t pixel, int unused) noexcept;

// A saturation percent as the weight SaturationPixel takes.
constexpr int SaturationWeight(int percent) noexcept {
  const int a = (percent < -100 ? -100 : (percent > 100 ? 100 : percent)) * 255 / 100;
  return a < -255 ? -255 : (a > 255 ? 255 : a);
}

// Applies the function to every pixel whose colour differs from skipColor
// (NoColor: every pixel). Alpha is kept.
void TransformPixels(const ScanLines& bmp, PixelFunction function, int param, TColor skipColor) noexcept;

// Where ResolveSkinColor takes palette entries and system colours from.
struct ColorSource {
  const skin::TacPaletteArray* Palette = nullptr;  // the active skin's palette, none while inactive
  skin::SysColorFn SysColor;
};

// Any colour as RGB: palette references of an active skin, system colours,
// and values with the top byte 0xFF and a low part above 100 as their low
// 24 bits while no skin is active.
TColor ResolveSkinColor(TColor color, const ColorSource& source);

}  // namespace skinctrl

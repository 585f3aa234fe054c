#include "skinctrl/paint/PixelMath.h"

#include <algorithm>
#include <array>
#include <span>
#include <utility>

namespace skinctrl {

namespace {

constexpr std::uint32_t Channel(std::uint32_t v, int shift) noexcept { return (v >> shift) & 0xFF; }

// L = trunc(0.299 R + 0.587 G + 0.114 B) of a pixel.
int Luminance(std::uint32_t pixel) noexcept {
  return static_cast<int>(0.299 * Channel(pixel, 16) + 0.587 * Channel(pixel, 8) + 0.114 * Channel(pixel, 0));
}

// The skin palette entries that colour values with the top byte 0xFF name.
constexpr std::array<std::pair<std::uint32_t, skin::TacPaletteColors>, 18> PaletteReferences{{
    {0xFF003E0Au, skin::pcEditText_Ok},      {0xFF004C4Cu, skin::pcEditText_Warning},
    {0xFF00006Cu, skin::pcEditText_Alert},   {0xFFC9FFD2u, skin::pcEditBG_Ok},
    {0xFFBAFFFFu, skin::pcEditBG_Warning},   {0xFFDBDBFFu, skin::pcEditBG_Alert},
    {0xFFD5D5FFu, skin::pcBtnToneRed},       {0xFFBDBDFFu, skin::pcBtnToneRedActive},
    {0xFFFFEDC9u, skin::pcBtnToneBlue},      {0xFF0000B4u, skin::pcBtnRedText},
    {0xFF0000A2u, skin::pcBtnRedTextActive}, {0xFF28851Au, skin::pcBtnGreenText},
    {0xFF008E00u, skin::pcBtnGreenTextActive}, {0xFFAE7400u, skin::pcBtnBlueText},
    {0xFF916000u, skin::pcBtnBlueTextActive}, {0xFFE1FFD2u, skin::pcBtnToneGreen},
    {0xFFCDFFB4u, skin::pcBtnToneGreenActive}, {0xFFFFE9BEu, skin::pcBtnToneBlueActive},
}};

}  // namespace

TRect ClipToBitmap(const TRect& rect, const ScanLines& bmp) noexcept {
  return {std::max(rect.Left, 0), std::max(rect.Top, 0), std::min(rect.Right, bmp.Width),
          std::min(rect.Bottom, bmp.Height)};
}

void FillRectAlpha(const ScanLines& bmp, TRect rect, TColor color, std::uint8_t alpha) noexcept {
  if (bmp.Empty()) return;
  rect = ClipToBitmap(rect, bmp);
  if (rect.IsEmpty()) return;
  const std::uint32_t pixel = (ColorToPixel(color) & 0xFFFFFF) | (std::uint32_t{alpha} << 24);
  for (int y = rect.Top; y < rect.Bottom; ++y) std::fill(bmp.Row(y) + rect.Left, bmp.Row(y) + rect.Right, pixel);
}

void BlendColorRect(const ScanLines& bmp, TRect rect, int weight, TColor color) noexcept {
  if (bmp.Empty()) return;
  rect = {std::max(rect.Left, 0), std::max(rect.Top, 0), std::min(rect.Right, bmp.Width - 1),
          std::min(rect.Bottom, bmp.Height - 1)};
  const auto w = static_cast<std::uint32_t>(std::clamp(weight, 0, 255));
  const std::uint32_t c = ColorToPixel(color);
  // The colour's share of each channel is the same for every pixel.
  const std::uint32_t cb = Channel(c, 0) * (255 - w), cg = Channel(c, 8) * (255 - w), cr = Channel(c, 16) * (255 - w);
  for (int y = rect.Top; y <= rect.Bottom; ++y) {
    std::uint32_t* row = bmp.Row(y);
    for (int x = rect.Left; x <= rect.Right; ++x) {
      const std::uint32_t d = row[x];
      row[x] = (d & 0xFF000000u) | ((Channel(d, 16) * w + cr) >> 8) << 16 | ((Channel(d, 8) * w + cg) >> 8) << 8 |
               ((Channel(d, 0) * w + cb) >> 8);
    }
  }
}

void BlendBitmapRect(const ScanLines& dst, const ScanLines& src, int weight, TPoint dstPoint, TRect srcRect) noexcept {
  if (dst.Empty() || src.Empty()) return;
  // Clip the inclusive source rectangle to the source, then to the destination.
  if (srcRect.Left < 0) {
    dstPoint.X -= srcRect.Left;
    srcRect.Left = 0;
  }
  if (srcRect.Top < 0) {
    dstPoint.Y -= srcRect.Top;
    srcRect.Top = 0;
  }
  if (dstPoint.X < 0) {
    srcRect.Left -= dstPoint.X;
    dstPoint.X = 0;
  }
  if (dstPoint.Y < 0) {
    srcRect.Top -= dstPoint.Y;
    dstPoint.Y = 0;
  }
  srcRect.Right = std::min({srcRect.Right, src.Width - 1, srcRect.Left + dst.Width - 1 - dstPoint.X});
  srcRect.Bottom = std::min({srcRect.Bottom, src.Height - 1, srcRect.Top + dst.Height - 1 - dstPoint.Y});
  const auto w = static_cast<std::uint32_t>(std::clamp(weight, 0, 256));
  for (int y = srcRect.Top; y <= srcRect.Bottom; ++y) {
    const std::uint32_t* s = src.Row(y);
    std::uint32_t* d = dst.Row(dstPoint.Y + y - srcRect.Top) + dstPoint.X - srcRect.Left;
    for (int x = srcRect.Left; x <= srcRect.Right; ++x) {
      const std::uint32_t sp = s[x], dp = d[x];
      std::uint32_t out = 0;
      for (int shift = 0; shift < 32; shift += 8)
        out |= ((Channel(sp, shift) * (256 - w) + Channel(dp, shift) * w) >> 8) << shift;
      d[x] = out;
    }
  }
}

void CopyRect(const ScanLines& dst, TRect dstRect, const ScanLines& src, TPoint srcPoint) noexcept {
  if (dst.Empty() || src.Empty()) return;
  // dst (x, y) takes src (x + dx, y + dy).
  const int dx = srcPoint.X - dstRect.Left, dy = srcPoint.Y - dstRect.Top;
  dstRect = ClipToBitmap(dstRect, dst);
  dstRect.Left = std::max(dstRect.Left, -dx);
  dstRect.Top = std::max(dstRect.Top, -dy);
  dstRect.Right = std::min(dstRect.Right, src.Width - dx);
  dstRect.Bottom = std::min(dstRect.Bottom, src.Height - dy);
  if (dstRect.IsEmpty()) return;
  for (int y = dstRect.Top; y < dstRect.Bottom; ++y) {
    const std::uint32_t* s = src.Row(y + dy) + dstRect.Left + dx;
    std::copy(s, s + dstRect.Width(), dst.Row(y) + dstRect.Left);
  }
}

std::uint32_t TonePixel(std::uint32_t pixel, int toneColor) noexcept {
  const std::uint32_t k = ColorToPixel(toneColor);
  const std::uint32_t v = std::max({Channel(pixel, 0), Channel(pixel, 8), Channel(pixel, 16)});
  return (pixel & 0xFF000000u) | ((Channel(k, 16) * v) >> 8) << 16 | ((Channel(k, 8) * v) >> 8) << 8 |
         ((Channel(k, 0) * v) >> 8);
}

std::uint32_t HuePixel(std::uint32_t pixel, int degrees) noexcept {
  return ColorToPixel(static_cast<TColor>(skin::RotateHue(static_cast<std::uint32_t>(PixelToColor(pixel)), degrees)));
}

std::uint32_t SaturationPixel(std::uint32_t pixel, int a) noexcept {
  const long l = Luminance(pixel);
  std::uint32_t out = pixel & 0xFF000000u;
  for (int shift = 0; shift < 24; shift += 8) {
    const long c = Channel(pixel, shift);
    out |= static_cast<std::uint32_t>(std::clamp((a + 255L) * c - a * l, 0L, 65535L) >> 8) << shift;
  }
  return out;
}

std::uint32_t GrayPixel(std::uint32_t pixel, int) noexcept {
  const auto l = static_cast<std::uint32_t>(Luminance(pixel));
  return (pixel & 0xFF000000u) | l << 16 | l << 8 | l;
}

void TransformPixels(const ScanLines& bmp, PixelFunction function, int param, TColor skipColor) noexcept {
  if (bmp.Empty() || function == nullptr) return;
  const bool skip = skipColor != NoColor;
  const std::uint32_t skipPixel = ColorToPixel(skipColor) & 0xFFFFFF;
  for (int y = 0; y < bmp.Height; ++y) {
    for (std::uint32_t& p : std::span(bmp.Row(y), static_cast<std::size_t>(bmp.Width))) {
      if (skip && (p & 0xFFFFFF) == skipPixel) continue;
      p = function(p, param);
    }
  }
}

TColor ResolveSkinColor(TColor color, const ColorSource& source) {
  const auto u = static_cast<std::uint32_t>(color);
  if ((u & 0xFF000000u) != 0xFF000000u) return color;
  if (source.Palette != nullptr) {
    for (const auto& [value, entry] : PaletteReferences)
      if (value == u) return (*source.Palette)[entry];
  } else if ((u & 0xFFFFFF) > 100) {
    return static_cast<TColor>(u & 0xFFFFFF);
  }
  return skin::ColorToRgb(color, source.SysColor);
}

}  // namespace skinctrl

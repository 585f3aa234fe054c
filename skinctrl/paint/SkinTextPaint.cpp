#include "skinctrl/paint/SkinTextPaint.h"

#include "skin/SkinLimits.h"

#include <algorithm>
#include <cmath>

namespace skinctrl {

int GlowSizeInRange(int size) noexcept { return std::clamp(size, 0, skin::MaxGlowSize); }

void BlurMask8(Mask8& mask, int radius) {
  if (radius < 1 || mask.Empty()) return;
  constexpr int Taps = 33, Centre = 16;
  double kernel[Taps];
  const double sigma = radius;
  double sum = 0;
  for (int i = 0; i < Taps; ++i) {
    const double d = i - Centre;
    kernel[i] = std::exp(-d * d / (2 * sigma * sigma));
    sum += kernel[i];
  }
  for (double& k : kernel) k /= sum;
  // Narrow the kernel while what it drops stays below 1/510.
  int half = Centre;
  double dropped = 0;
  while (half > 1 && dropped + 2 * kernel[Centre + half] < 1.0 / 510) {
    dropped += 2 * kernel[Centre + half];
    --half;
  }
  sum = 0;
  for (int i = Centre - half; i <= Centre + half; ++i) sum += kernel[i];
  for (int i = Centre - half; i <= Centre + half; ++i) kernel[i] /= sum;

  const int w = mask.Width, h = mask.Height;
  std::vector<double> line(static_cast<std::size_t>(std::max(w, h)));
  auto convolve = [&](int count, auto read, auto write) {
    for (int i = 0; i < count; ++i) line[static_cast<std::size_t>(i)] = read(i);
    for (int i = 0; i < count; ++i) {
      double v = 0;
      for (int k = -half; k <= half; ++k)
        v += kernel[Centre + k] * line[static_cast<std::size_t>(std::clamp(i + k, 0, count - 1))];
      write(i, static_cast<std::uint8_t>(std::clamp(static_cast<int>(std::lround(v)), 0, 255)));
    }
  };
  for (int y = 0; y < h; ++y)
    convolve(
        w, [&](int x) { return static_cast<double>(mask.At(x, y)); },
        [&](int x, std::uint8_t v) { mask.At(x, y) = v; });
  for (int x = 0; x < w; ++x)
    convolve(
        h, [&](int y) { return static_cast<double>(mask.At(x, y)); },
        [&](int y, std::uint8_t v) { mask.At(x, y) = v; });
}

TColor AdjustTextColor(TColor color, const TControlLook& look, const ColorSource& colors) {
  color = ResolveSkinColor(color, colors);
  std::uint32_t pixel = ColorToPixel(color);
  if (look.ColorTone != NoColor) pixel = TonePixel(pixel, ResolveSkinColor(look.ColorTone, colors));
  if (look.HUEOffset != 0) pixel = HuePixel(pixel, look.HUEOffset);
  if (look.Saturation != 0)
    pixel = SaturationPixel(pixel, std::clamp(std::clamp(look.Saturation, -100, 100) * 256 / 100, -255, 255));
  return PixelToColor(pixel) & 0xFFFFFF;
}

TTextPasses SkinTextPasses(const skin::TsFontColor& fontColor, bool outline, const TControlLook& look,
                           const ColorSource& colors) {
  TTextPasses out;
  if (outline) {
    const struct {
      TColor Color;
      int Dx, Dy;
    } sides[] = {{fontColor.Left, -1, 0}, {fontColor.Top, 0, -1}, {fontColor.Right, 1, 0}, {fontColor.Bottom, 0, 1}};
    for (const auto& side : sides)
      if (side.Color != -1)
        out.Passes[static_cast<std::size_t>(out.Count++)] = {side.Dx, side.Dy,
                                                               AdjustTextColor(side.Color, look, colors)};
  }
  out.Passes[static_cast<std::size_t>(out.Count++)] = {0, 0, AdjustTextColor(fontColor.Color, look, colors)};
  return out;
}

void PutTextMask(const ScanLines& bmp, const Mask8& text, TPoint at, TColor color) {
  if (bmp.Empty() || text.Empty()) return;
  const std::uint32_t c = ColorToPixel(color);
  const int x0 = std::max(0, -at.X), y0 = std::max(0, -at.Y);
  const int x1 = std::min(text.Width, bmp.Width - at.X), y1 = std::min(text.Height, bmp.Height - at.Y);
  for (int y = y0; y < y1; ++y) {
    std::uint32_t* row = bmp.Row(y + at.Y) + at.X;
    for (int x = x0; x < x1; ++x) {
      const std::uint32_t m = text.At(x, y);
      if (m == 255) continue;
      std::uint32_t out = row[x] & 0xFF000000u;
      for (int shift = 0; shift < 24; shift += 8)
        out |= ((((c >> shift) & 0xFF) * (256 - m) + ((row[x] >> shift) & 0xFF) * m) >> 8) << shift;
      row[x] = out;
    }
  }
}

void BuildGlowMask(const Mask8& text, int size, int sides, Mask8& glow) {
  size = GlowSizeInRange(size);
  const int margin = size + 4;
  const int w = text.Width + 2 * margin, h = text.Height + 2 * margin;
  // The caller's mask is reused when it already has the size.
  if (glow.Width != w || glow.Height != h)
    glow = Mask8(w, h);
  else
    std::fill(glow.Pixels.begin(), glow.Pixels.end(), std::uint8_t{255});
  // The text rectangle moves by (1, 1) and the mask is that rectangle grown
  // by size + 4: the text lies `margin` pixels in from the mask's corner.
  auto stamp = [&](int dx, int dy) {
    for (int y = 0; y < text.Height; ++y)
      for (int x = 0; x < text.Width; ++x) {
        std::uint8_t& g = glow.At(x + margin + dx, y + margin + dy);
        g = std::min(g, text.At(x, y));
      }
  };
  stamp(0, 0);
  if (sides & gsLeft) stamp(-1, 0);
  if (sides & gsUp) stamp(0, -1);
  if (sides & gsRight) stamp(1, 0);
  if (sides & gsDown) stamp(0, 1);
  BlurMask8(glow, size);
}

void ApplyGlowMask(const ScanLines& bmp, const Mask8& glow, TPoint at, TColor glowColor) {
  if (bmp.Empty() || glow.Empty()) return;
  const std::uint32_t c = ColorToPixel(glowColor);
  const int x0 = std::max(0, -at.X), y0 = std::max(0, -at.Y);
  const int x1 = std::min(glow.Width, bmp.Width - at.X), y1 = std::min(glow.Height, bmp.Height - at.Y);
  for (int y = y0; y < y1; ++y) {
    std::uint32_t* row = bmp.Row(y + at.Y) + at.X;
    for (int x = x0; x < x1; ++x) {
      const std::uint32_t m = glow.At(x, y);
      if (m >= 255) continue;
      const std::uint32_t d = row[x], a = d >> 24;
      std::uint32_t out = (a + (((255 - a) * (255 - m)) >> 8)) << 24;
      for (int shift = 0; shift < 24; shift += 8)
        out |= (((255 - m) * ((c >> shift) & 0xFF) + ((d >> shift) & 0xFF) * m) >> 8) << shift;
      row[x] = out;
    }
  }
}

}  // namespace skinctrl

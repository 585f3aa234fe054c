#include "Raster.h"

#include <algorithm>
#include <utility>

namespace skingen {

Shape RoundRect(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1, std::int64_t r) {
  r = std::max<std::int64_t>(0, std::min({r, (x1 - x0) / 2, (y1 - y0) / 2}));
  return [=](std::int64_t x, std::int64_t y) {
    if (x < x0 || x >= x1 || y < y0 || y >= y1) return false;
    const std::int64_t cx = std::clamp(x, x0 + r, x1 - r);
    const std::int64_t cy = std::clamp(y, y0 + r, y1 - r);
    const std::int64_t dx = x - cx, dy = y - cy;
    return dx * dx + dy * dy <= r * r;
  };
}

Shape Segment(std::int64_t ax, std::int64_t ay, std::int64_t bx, std::int64_t by, std::int64_t halfWidth) {
  return [=](std::int64_t x, std::int64_t y) {
    const std::int64_t vx = bx - ax, vy = by - ay;
    const std::int64_t wx = x - ax, wy = y - ay;
    const std::int64_t along = wx * vx + wy * vy;
    const std::int64_t length2 = vx * vx + vy * vy;
    const std::int64_t hw2 = halfWidth * halfWidth;
    if (along <= 0 || length2 == 0) return wx * wx + wy * wy <= hw2;
    if (along >= length2) {
      const std::int64_t ex = x - bx, ey = y - by;
      return ex * ex + ey * ey <= hw2;
    }
    const std::int64_t cross = wx * vy - wy * vx;
    return cross * cross <= hw2 * length2;
  };
}

Shape Union(Shape a, Shape b) {
  return [a = std::move(a), b = std::move(b)](std::int64_t x, std::int64_t y) { return a(x, y) || b(x, y); };
}

Shape Minus(Shape a, Shape b) {
  return [a = std::move(a), b = std::move(b)](std::int64_t x, std::int64_t y) { return a(x, y) && !b(x, y); };
}

Shape RoundRing(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1, std::int64_t r,
                std::int64_t width) {
  return Minus(RoundRect(x0, y0, x1, y1, r),
               RoundRect(x0 + width, y0 + width, x1 - width, y1 - width, std::max<std::int64_t>(0, r - width)));
}

Image::Image(int width, int height, std::uint32_t fill)
    : width_(width), height_(height), pixels_(static_cast<std::size_t>(width) * height, fill) {}

void Image::FillRect(int x0, int y0, int x1, int y1, std::uint32_t c) {
  x0 = std::max(x0, 0);
  y0 = std::max(y0, 0);
  x1 = std::min(x1, width_);
  y1 = std::min(y1, height_);
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) Set(x, y, c);
}

int Coverage(const Shape& shape, int x, int y) {
  int n = 0;
  for (int j = 0; j < 8; ++j)
    for (int i = 0; i < 8; ++i)
      if (shape(static_cast<std::int64_t>(x) * Sub + 2 * i + 1, static_cast<std::int64_t>(y) * Sub + 2 * j + 1)) ++n;
  return n;
}

std::uint32_t Mix(std::uint32_t a, std::uint32_t b, int w) {
  std::uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const int ca = static_cast<int>((a >> shift) & 0xFF);
    const int cb = static_cast<int>((b >> shift) & 0xFF);
    out |= static_cast<std::uint32_t>((ca * w + cb * (FullCoverage - w) + FullCoverage / 2) / FullCoverage) << shift;
  }
  return out;
}

void Image::Paint(const Shape& shape, std::uint32_t c, int cx0, int cy0, int cx1, int cy1) {
  cx0 = std::max(cx0, 0);
  cy0 = std::max(cy0, 0);
  cx1 = std::min(cx1, width_);
  cy1 = std::min(cy1, height_);
  for (int y = cy0; y < cy1; ++y)
    for (int x = cx0; x < cx1; ++x) {
      const int w = Coverage(shape, x, y);
      if (w > 0) Set(x, y, Mix(c, At(x, y), w));
    }
}

void Image::Blit(const Image& src, int x, int y) {
  for (int j = 0; j < src.Height(); ++j)
    for (int i = 0; i < src.Width(); ++i)
      if (x + i >= 0 && x + i < width_ && y + j >= 0 && y + j < height_) Set(x + i, y + j, src.At(i, j));
}

void KeyOutside(Image& image, const Shape& shape, int x0, int y0, int x1, int y1, int minCoverage) {
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      if (Coverage(shape, x, y) < minCoverage) image.Set(x, y, KeyColor);
}

}  // namespace skingen

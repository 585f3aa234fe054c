// Integer-only anti-aliased drawing for the skin generator.
//
// Every coordinate is in sixteenths of a pixel; a pixel is sampled on an 8 x 8
// grid of points at odd sixteenths (x * 16 + 1, + 3, ... + 15), so coverage is
// 0..64 and the output depends on nothing but integer arithmetic: the same
// bytes on every compiler and machine.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace skingen {

inline constexpr int Sub = 16;            // sub-pixel units per pixel
inline constexpr int FullCoverage = 64;   // samples per pixel
inline constexpr std::uint32_t KeyColor = 0xFF00FF;  // 0xRRGGBB, transparent in skin images

// A point set in sub-pixel units: true when the sample point lies inside.
using Shape = std::function<bool(std::int64_t x, std::int64_t y)>;

// Axis-aligned rectangle [x0, x1) x [y0, y1) with corners rounded by radius r.
Shape RoundRect(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1, std::int64_t r);
// Points within halfWidth of the segment a-b (a capsule).
Shape Segment(std::int64_t ax, std::int64_t ay, std::int64_t bx, std::int64_t by, std::int64_t halfWidth);
Shape Union(Shape a, Shape b);
Shape Minus(Shape a, Shape b);
// The band between a rounded rectangle and the same rectangle inset by width.
Shape RoundRing(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1, std::int64_t r,
                std::int64_t width);

// 24-bit picture, pixels 0xRRGGBB, rows top-down.
class Image {
public:
  Image() = default;
  Image(int width, int height, std::uint32_t fill = 0);

  int Width() const { return width_; }
  int Height() const { return height_; }
  std::uint32_t At(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }
  void Set(int x, int y, std::uint32_t c) { pixels_[static_cast<std::size_t>(y) * width_ + x] = c; }
  const std::vector<std::uint32_t>& Pixels() const { return pixels_; }

  void FillRect(int x0, int y0, int x1, int y1, std::uint32_t c);
  // Paints the shape in colour c, anti-aliased, clipped to [cx0, cx1) x [cy0, cy1).
  void Paint(const Shape& shape, std::uint32_t c, int cx0, int cy0, int cx1, int cy1);
  void Paint(const Shape& shape, std::uint32_t c) { Paint(shape, c, 0, 0, width_, height_); }
  // Copies src with its top-left at (x, y).
  void Blit(const Image& src, int x, int y);

private:
  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint32_t> pixels_;
};

// Number of the pixel's 64 samples inside the shape.
int Coverage(const Shape& shape, int x, int y);
// Per-channel (a * w + b * (64 - w) + 32) / 64.
std::uint32_t Mix(std::uint32_t a, std::uint32_t b, int w);

// Turns every pixel of [x0, x1) x [y0, y1) that the shape covers less than
// minCoverage samples of into the key colour. minCoverage 1 keeps every
// anti-aliased edge pixel (blended onto the colour the image will sit on);
// 32 gives a hard edge where the outside is unknown (window regions).
void KeyOutside(Image& image, const Shape& shape, int x0, int y0, int x1, int y1, int minCoverage);

}  // namespace skingen

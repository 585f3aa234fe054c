#include "skinctrl/paint/Gradient.h"

#include "skinctrl/paint/PixelMath.h"

#include <algorithm>
#include <cstdint>

namespace skinctrl {

using skin::TRect;
using skin::TsGradArray;

namespace {

// The point's colour as an opaque pixel.
std::uint32_t PointPixel(const skin::TsGradPoint& p) noexcept {
  return ColorToPixel(static_cast<TColor>(p.Color & 0xFFFFFF)) | 0xFF000000u;
}

// Channel by channel from a to b, step i of n (i < n).
std::uint32_t Interpolate(std::uint32_t a, std::uint32_t b, int i, int n) noexcept {
  if (a == b || n <= 0) return a;
  std::uint32_t out = 0xFF000000u;
  for (int shift = 0; shift < 24; shift += 8) {
    const int ca = static_cast<int>((a >> shift) & 0xFF), cb = static_cast<int>((b >> shift) & 0xFF);
    out |= static_cast<std::uint32_t>(ca + (cb - ca) * i / n) << shift;
  }
  return out;
}

// Vertical (rows) or horizontal (columns). Every row of a segment has one
// colour, so the smooth variant of a segment gives the same pixels: the
// colours are interpolated linearly either way.
void PaintLinear(const ScanLines& bmp, const TRect& rect, const TsGradArray& points, int extra, bool horizontal) {
  const int length = horizontal ? rect.Width() : rect.Height();
  const int start = horizontal ? rect.Left : rect.Top, end = horizontal ? rect.Right : rect.Bottom;
  auto fillLine = [&](int line, std::uint32_t pixel) {
    if (horizontal) {
      for (int y = rect.Top; y < rect.Bottom; ++y) bmp.At(line, y) = pixel;
    } else {
      std::fill(bmp.Row(line) + rect.Left, bmp.Row(line) + rect.Right, pixel);
    }
  };
  const long long span = static_cast<long long>(length) + extra;
  int from = start;
  const std::size_t last = points.size() - 1;
  for (std::size_t k = 1; k <= last && from < end; ++k) {
    long long lines = (static_cast<long long>(points[k].Percent) - points[k - 1].Percent) * span / 100;
    if (k == last) lines = end - from;
    // Percentages from the skin (and the extra length) can add up to more
    // than the rectangle: a segment is cut off at its edge, its colours
    // keep their places.
    const int to = static_cast<int>(std::clamp<long long>(from + lines, from, end));
    const int nominal = static_cast<int>(std::clamp<long long>(lines, 1, 1 << 30));
    const std::uint32_t a = PointPixel(points[k - 1]), b = PointPixel(points[k]);
    for (int line = from; line < to; ++line) fillLine(line, Interpolate(a, b, line - from, nominal));
    from = to;
  }
}

// Four triangles meeting at the centre: corners top-left, top-right,
// bottom-right, bottom-left from points 0 to 3, the centre from point 4. A
// pixel mixes the colours of its triangle's vertices by its barycentric
// coordinates; the path-gradient variant interpolates the same way.
void PaintFourCorner(const ScanLines& bmp, const TRect& rect, const TsGradArray& points) {
  const double w = rect.Width(), h = rect.Height();
  double corner[4][3], centre[3];
  auto channels = [](const skin::TsGradPoint& p, double* out) {
    out[0] = p.Color & 0xFF;
    out[1] = (p.Color >> 8) & 0xFF;
    out[2] = (p.Color >> 16) & 0xFF;
  };
  for (int i = 0; i < 4; ++i) channels(points[static_cast<std::size_t>(i)], corner[i]);
  channels(points[4], centre);
  const double vx[4] = {0, w, w, 0}, vy[4] = {0, 0, h, h};
  const double cx = w / 2, cy = h / 2;
  for (int y = rect.Top; y < rect.Bottom; ++y) {
    std::uint32_t* row = bmp.Row(y);
    for (int x = rect.Left; x < rect.Right; ++x) {
      const double px = x - rect.Left + 0.5, py = y - rect.Top + 0.5;
      // The triangle is chosen by the side of the two diagonals the pixel lies on.
      const double d1 = (px / w) - (py / h), d2 = (px / w) + (py / h) - 1;
      const int tri = d1 >= 0 ? (d2 < 0 ? 0 : 1) : (d2 >= 0 ? 2 : 3);  // top, right, bottom, left
      const int a = tri, b = (tri + 1) % 4;
      const double det = (vy[b] - cy) * (vx[a] - cx) + (cx - vx[b]) * (vy[a] - cy);
      double la = ((vy[b] - cy) * (px - cx) + (cx - vx[b]) * (py - cy)) / det;
      double lb = ((cy - vy[a]) * (px - cx) + (vx[a] - cx) * (py - cy)) / det;
      la = std::clamp(la, 0.0, 1.0);
      lb = std::clamp(lb, 0.0, 1.0 - la);
      const double lc = 1.0 - la - lb;
      std::uint32_t out = 0xFF000000u;
      for (int c = 0; c < 3; ++c) {
        const double v = corner[a][c] * la + corner[b][c] * lb + centre[c] * lc;
        // TColor channels: red is channel 0 and goes to pixel byte 2.
        out |= static_cast<std::uint32_t>(std::clamp(static_cast<int>(v + 0.5), 0, 255)) << (16 - 8 * c);
      }
      row[x] = out;
    }
  }
}

}  // namespace

int GradientKind(const TsGradArray& points) noexcept {
  if (points.size() < 2) return -1;
  const int kind = static_cast<int>(points[0].Mode & gmKindMask);
  if (kind == 3 || (kind == 2 && points.size() < 5)) return -1;
  return kind;
}

bool PaintGradient(const ScanLines& bmp, TRect rect, const TsGradArray& points, int extra) {
  const int kind = GradientKind(points);
  if (kind < 0 || bmp.Empty()) return false;
  rect = ClipToBitmap(rect, bmp);
  if (rect.IsEmpty()) return true;
  if (kind == 2)
    PaintFourCorner(bmp, rect, points);
  else
    PaintLinear(bmp, rect, points, extra, kind == 1);
  return true;
}

}  // namespace skinctrl

#include "skinctrl/paint/ArrowPaint.h"

#include <algorithm>
#include <vector>

#include "skinctrl/paint/PixelMath.h"

namespace skinctrl {

void DrawSolidArrow(const ScanLines& target, skin::TColor color, skin::TRect rect, TacArrowDirection direction,
                    int size, TacSolidArrowStyle style) {
  if (target.Empty() || rect.IsEmpty()) return;
  if (size <= 0) size = DefaultArrowSize;
  const bool oddWidth = rect.Width() % 2 != 0;
  size -= 1;
  if (style == TacSolidArrowStyle::Solid2 && !oddWidth) size += 1;
  if (size <= 0) return;
  // Pointing down: rows from the base (width 2 x size) to the tip, which is
  // 1 pixel wide for odd image widths and 2 for even ones.
  int height = style == TacSolidArrowStyle::Solid2 ? size - size / 2 : size;
  const int width = 2 * size + (oddWidth ? 1 : 0);
  if (oddWidth) height += 1;
  const int p = width % 2;
  const int tipLeft = width / 2 + p - 1;
  const int tipRight = tipLeft - p + 1;
  std::vector<bool> image(static_cast<std::size_t>(width) * height, false);
  for (int y = 0; y < height; ++y) {
    const int left = height > 1 ? (tipLeft * y + (height - 1) / 2) / (height - 1) : tipLeft;
    const int right = height > 1 ? (width - 1) - ((width - 1 - tipRight) * y + (height - 1) / 2) / (height - 1)
                                 : tipRight;
    for (int x = left; x <= right; ++x) image[static_cast<std::size_t>(y) * width + x] = true;
  }
  // Turned: up flips, left is a quarter turn clockwise, right one against.
  const bool across = direction == TacArrowDirection::Left || direction == TacArrowDirection::Right;
  const int w = across ? height : width, h = across ? width : height;
  const int x0 = rect.Left + (rect.Width() - w) / 2, y0 = rect.Top + (rect.Height() - h) / 2;
  const std::uint32_t pixel = ColorToPixel(color) | 0xFF000000u;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int sx = x, sy = y;
      switch (direction) {
      case TacArrowDirection::Down: break;
      case TacArrowDirection::Up: sy = height - 1 - y; break;
      case TacArrowDirection::Left: sx = y, sy = height - 1 - x; break;
      case TacArrowDirection::Right: sx = y, sy = x; break;
      }
      if (!image[static_cast<std::size_t>(sy) * width + sx]) continue;
      const int tx = x0 + x, ty = y0 + y;
      if (tx >= 0 && ty >= 0 && tx < target.Width && ty < target.Height) target.At(tx, ty) = pixel;
    }
}

}  // namespace skinctrl

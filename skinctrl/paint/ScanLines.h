// A 32-bit bitmap seen through its scan lines: what every painting procedure
// draws into. The memory belongs to somebody else (a DIB section, a skin
// image, a work buffer).
#pragma once

#include "skin/Bitmap32.h"

#include <cstddef>
#include <cstdint>

namespace skinctrl {

struct TPoint {
  int X = 0;
  int Y = 0;
};

// Pixels are 0xAARRGGBB words (memory order blue, green, red, alpha), row 0
// at the top. Stride is the distance between two rows in pixels; it is
// negative for a bottom-up DIB, whose first row in memory is the bottom one.
struct ScanLines {
  std::uint32_t* Pixels = nullptr;  // row 0
  int Width = 0;
  int Height = 0;
  std::ptrdiff_t Stride = 0;

  bool Empty() const noexcept { return Pixels == nullptr || Width <= 0 || Height <= 0; }
  std::uint32_t* Row(int y) const noexcept { return Pixels + y * Stride; }
  std::uint32_t& At(int x, int y) const noexcept { return Row(y)[x]; }
  // Two views of the same memory are the same bitmap.
  bool SameBitmap(const ScanLines& other) const noexcept { return Pixels != nullptr && Pixels == other.Pixels; }
};

inline ScanLines LinesOf(skin::Bitmap32& bitmap) noexcept {
  if (bitmap.Empty()) return {};
  return {bitmap.Pixels.data(), bitmap.Width, bitmap.Height, bitmap.Width};
}

}  // namespace skinctrl

// A control's cache: a top-down 32-bit DIB section that the painting
// procedures fill through its scan lines and GDI draws text into, selected
// into a memory DC of its own so that it can be blitted at once.
#pragma once

#include <windows.h>

#include "framework/Handles.h"
#include "skinctrl/ScanLines.h"

namespace skinctrl {

class CacheBitmap {
public:
  CacheBitmap() = default;
  CacheBitmap(const CacheBitmap&) = delete;
  CacheBitmap& operator=(const CacheBitmap&) = delete;
  ~CacheBitmap();

  int Width() const noexcept { return width_; }
  int Height() const noexcept { return height_; }
  bool Empty() const noexcept { return width_ <= 0 || height_ <= 0; }
  // Makes the bitmap width x height (each at least 0); the pixels of a new
  // bitmap are undefined. Nothing happens when the size is already that.
  void SetSize(int width, int height);
  // Frees the bitmap: 0 x 0.
  void Clear() noexcept;

  ScanLines Lines() const noexcept;
  // The memory DC holding the bitmap (none while empty). GDI output into it
  // clears the alpha byte of what it touches; nothing reads that byte when
  // the cache is blitted.
  HDC Dc() const noexcept { return dc_.get(); }
  // Copies the part src of the cache to dc at (x, y).
  void Draw(HDC dc, int x, int y, const RECT& src) const;

private:
  fw::UniqueMemoryDc dc_;
  fw::UniqueBitmap bitmap_;
  HGDIOBJ oldBitmap_ = nullptr;
  std::uint32_t* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

// A 32-bit pixel buffer drawn to a DC (fade frames, which live in plain
// memory).
void DrawPixels(HDC dc, int x, int y, const ScanLines& pixels);

}  // namespace skinctrl

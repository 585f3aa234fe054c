// 32-bit device-independent bitmaps (DIB sections) with a memory DC each:
// the cache and work bitmaps that GDI blits and draws text into and the
// painting procedures fill through their scan lines.
#pragma once

#include <windows.h>

#include "framework/Handles.h"
#include "skinctrl/paint/ScanLines.h"

#include <utility>

namespace skinctrl {

class TDibBitmap {
public:
  TDibBitmap() = default;
  TDibBitmap(int width, int height) { SetSize(width, height); }
  TDibBitmap(TDibBitmap&& other) noexcept
      : bitmap_(std::move(other.bitmap_)), dc_(std::move(other.dc_)), lines_(std::exchange(other.lines_, {})) {}
  TDibBitmap& operator=(TDibBitmap&& other) noexcept {
    dc_ = std::move(other.dc_);
    bitmap_ = std::move(other.bitmap_);
    lines_ = std::exchange(other.lines_, {});
    return *this;
  }

  // Re-creates the bitmap when the size differs (contents undefined then);
  // sizes below 1 leave an empty bitmap.
  void SetSize(int width, int height);
  int Width() const noexcept { return lines_.Width; }
  int Height() const noexcept { return lines_.Height; }
  bool Empty() const noexcept { return lines_.Empty(); }

  // The pixels, top row first. GDI batches its drawing: the scan lines are
  // only current after GdiFlush, which Lines() calls.
  ScanLines Lines() const noexcept;
  // The memory DC the bitmap is selected into.
  HDC DC() const noexcept { return dc_.get(); }
  HBITMAP Handle() const noexcept { return bitmap_.get(); }

private:
  // Declared before the DC so that the DC (which holds it selected) goes first.
  fw::UniqueBitmap bitmap_;
  fw::UniqueMemoryDc dc_;
  ScanLines lines_;
};

// A bitmap of the size with every pixel 0.
TDibBitmap NewBitmap32(int width, int height);

// Blits part of a bitmap into a DC (clipped by GDI to both).
void CopyToDC(HDC target, int x, int y, const TDibBitmap& source, const RECT& sourceRect);
// Copies what a DC shows at (x, y) into the whole bitmap.
void CopyFromDC(TDibBitmap& target, HDC source, int x, int y);

// SaveDC / RestoreDC as one scope.
class SavedDC {
public:
  explicit SavedDC(HDC dc) noexcept : dc_(dc), id_(::SaveDC(dc)) {}
  SavedDC(const SavedDC&) = delete;
  SavedDC& operator=(const SavedDC&) = delete;
  ~SavedDC() {
    if (id_ != 0) ::RestoreDC(dc_, id_);
  }

private:
  HDC dc_;
  int id_;
};

}  // namespace skinctrl

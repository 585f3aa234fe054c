#include "skinctrl/CacheBitmap.h"

#include <algorithm>

namespace skinctrl {

CacheBitmap::~CacheBitmap() { Clear(); }

void CacheBitmap::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == width_ && height == height_ && (bitmap_ || width == 0 || height == 0)) return;
  Clear();
  if (width == 0 || height == 0) {
    width_ = width;
    height_ = height;
    return;
  }
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;  // top-down: row 0 first in memory
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  fw::UniqueBitmap bitmap(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || !bits) return;
  fw::UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
  if (!dc) return;
  oldBitmap_ = ::SelectObject(dc.get(), bitmap.get());
  bitmap_ = std::move(bitmap);
  dc_ = std::move(dc);
  bits_ = static_cast<std::uint32_t*>(bits);
  width_ = width;
  height_ = height;
}

void CacheBitmap::Clear() noexcept {
  if (dc_ && oldBitmap_) ::SelectObject(dc_.get(), oldBitmap_);
  oldBitmap_ = nullptr;
  dc_.reset();
  bitmap_.reset();
  bits_ = nullptr;
  width_ = height_ = 0;
}

ScanLines CacheBitmap::Lines() const noexcept {
  if (!bits_) return {};
  // GDI may still be drawing into the section from an earlier call.
  ::GdiFlush();
  return {bits_, width_, height_, width_};
}

void CacheBitmap::Draw(HDC dc, int x, int y, const RECT& src) const {
  if (!dc_) return;
  ::BitBlt(dc, x, y, src.right - src.left, src.bottom - src.top, dc_.get(), src.left, src.top, SRCCOPY);
}

void DrawPixels(HDC dc, int x, int y, const ScanLines& pixels) {
  if (pixels.Empty() || pixels.Stride != pixels.Width) return;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = pixels.Width;
  bi.bmiHeader.biHeight = -pixels.Height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  ::SetDIBitsToDevice(dc, x, y, static_cast<DWORD>(pixels.Width), static_cast<DWORD>(pixels.Height), 0, 0, 0,
                      static_cast<UINT>(pixels.Height), pixels.Pixels, &bi, DIB_RGB_COLORS);
}

}  // namespace skinctrl

#include "skinctrl/gdi/DibBitmap.h"

#include <cstring>
#include <stdexcept>

namespace skinctrl {

void TDibBitmap::SetSize(int width, int height) {
  if (width < 1 || height < 1) {
    dc_.reset();
    bitmap_.reset();
    lines_ = {};
    return;
  }
  if (width == lines_.Width && height == lines_.Height) return;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;  // top-down: row 0 first in memory
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  fw::UniqueBitmap bitmap(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || bits == nullptr) throw std::runtime_error("CreateDIBSection failed");
  if (!dc_) {
    dc_.reset(::CreateCompatibleDC(nullptr));
    if (!dc_) throw std::runtime_error("CreateCompatibleDC failed");
  }
  ::SelectObject(dc_.get(), bitmap.get());
  bitmap_ = std::move(bitmap);  // the old one is no longer selected anywhere
  lines_ = {static_cast<std::uint32_t*>(bits), width, height, width};
}

ScanLines TDibBitmap::Lines() const noexcept {
  if (!lines_.Empty()) ::GdiFlush();
  return lines_;
}

TDibBitmap NewBitmap32(int width, int height) {
  TDibBitmap bmp(width, height);
  const ScanLines lines = bmp.Lines();
  for (int y = 0; y < lines.Height; ++y) std::memset(lines.Row(y), 0, static_cast<std::size_t>(lines.Width) * 4);
  return bmp;
}

void CopyToDC(HDC target, int x, int y, const TDibBitmap& source, const RECT& sourceRect) {
  if (source.Empty()) return;
  ::BitBlt(target, x, y, sourceRect.right - sourceRect.left, sourceRect.bottom - sourceRect.top, source.DC(),
           sourceRect.left, sourceRect.top, SRCCOPY);
}

void CopyFromDC(TDibBitmap& target, HDC source, int x, int y) {
  if (target.Empty()) return;
  ::BitBlt(target.DC(), 0, 0, target.Width(), target.Height(), source, x, y, SRCCOPY);
}

}  // namespace skinctrl

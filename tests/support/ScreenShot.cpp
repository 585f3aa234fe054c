#include "tests/support/ScreenShot.h"

#include <fstream>

#include "skin/Bitmap32.h"

namespace testsupport {
namespace {

ScreenShot CaptureScreen(int x, int y, int width, int height) {
  ScreenShot shot;
  shot.Width = width;
  shot.Height = height;
  shot.Pixels.resize(static_cast<std::size_t>(width) * height);
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  ::BitBlt(memory, 0, 0, width, height, screen, x, y, SRCCOPY);
  ::GdiFlush();
  const auto* p = static_cast<const std::uint32_t*>(bits);
  for (std::size_t i = 0; i < shot.Pixels.size(); ++i) shot.Pixels[i] = p[i] & 0xFFFFFF;
  ::SelectObject(memory, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  return shot;
}

}  // namespace

ScreenShot ScreenShot::Part(int x, int y, int width, int height) const {
  ScreenShot part;
  part.Width = width;
  part.Height = height;
  part.Pixels.resize(static_cast<std::size_t>(width) * height);
  for (int j = 0; j < height; ++j)
    for (int i = 0; i < width; ++i) part.Pixels[static_cast<std::size_t>(j) * width + i] = At(x + i, y + j);
  return part;
}

bool ScreenShot::operator==(const ScreenShot& other) const {
  return Width == other.Width && Height == other.Height && Pixels == other.Pixels;
}

int ScreenShot::Count(std::uint32_t rgb) const {
  int n = 0;
  for (std::uint32_t p : Pixels) n += (p & 0xFFFFFF) == rgb;
  return n;
}

RECT ScreenShot::Bounds(std::uint32_t rgb) const {
  RECT r{Width, Height, 0, 0};
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x)
      if (At(x, y) == rgb) {
        r.left = std::min<LONG>(r.left, x);
        r.top = std::min<LONG>(r.top, y);
        r.right = std::max<LONG>(r.right, x + 1);
        r.bottom = std::max<LONG>(r.bottom, y + 1);
      }
  if (r.right == 0) return {0, 0, 0, 0};
  return r;
}

ScreenShot CaptureClient(HWND wnd) {
  RECT client;
  ::GetClientRect(wnd, &client);
  POINT origin{0, 0};
  ::ClientToScreen(wnd, &origin);
  return CaptureScreen(origin.x, origin.y, client.right, client.bottom);
}

ScreenShot CaptureWindow(HWND wnd) {
  RECT r;
  ::GetWindowRect(wnd, &r);
  return CaptureScreen(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

void Save(const ScreenShot& shot, const std::string& name) {
  skin::Bitmap32 bitmap(shot.Width, shot.Height);
  for (std::size_t i = 0; i < shot.Pixels.size(); ++i) bitmap.Pixels[i] = shot.Pixels[i] | 0xFF000000u;
  const std::vector<std::uint8_t> file = skin::EncodeBmp32(bitmap);
  std::ofstream out(std::string(QUILLON_BUILD_DIR) + "/" + name + ".bmp", std::ios::binary);
  out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
}

}  // namespace testsupport

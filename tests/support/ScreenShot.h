// What a window shows on the screen, read back as 32-bit pixels, and saved
// as a bitmap file in the build folder.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct ScreenShot {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint32_t> Pixels;  // 0x00RRGGBB

  std::uint32_t At(int x, int y) const { return Pixels[static_cast<std::size_t>(y) * Width + x] & 0xFFFFFF; }
  // The part at (x, y) of the given size.
  ScreenShot Part(int x, int y, int width, int height) const;
  bool operator==(const ScreenShot& other) const;
  // Pixels of exactly this colour (0xRRGGBB).
  int Count(std::uint32_t rgb) const;
  // The smallest rectangle holding every pixel of this colour (empty: none).
  RECT Bounds(std::uint32_t rgb) const;
};

// The client area of a window as the screen shows it now.
ScreenShot CaptureClient(HWND wnd);
// The whole window, frame included.
ScreenShot CaptureWindow(HWND wnd);
// Saves the shot as <build folder>\<name>.bmp.
void Save(const ScreenShot& shot, const std::string& name);

// A TColor (0x00BBGGRR) as the 0xRRGGBB a shot holds.
constexpr std::uint32_t Rgb(std::int32_t color) {
  const auto c = static_cast<std::uint32_t>(color);
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

}  // namespace testsupport

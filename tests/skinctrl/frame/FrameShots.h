#pragma once
// Screenshots of real windows for the frame tests: the screen's pixels under a
// window's rectangle, read back as a bitmap, probed and saved as BMP files in
// the build folder.
#include <windows.h>

#include "framework/Handles.h"
#include "skin/Bitmap32.h"

#include <fstream>
#include <string>

namespace frametest {

// What the screen shows under the window's rectangle now (pixels 0x00RRGGBB).
inline skin::Bitmap32 ShotOf(HWND wnd) {
  RECT r{};
  ::GetWindowRect(wnd, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  skin::Bitmap32 shot(w, h);
  fw::WindowDc screen(nullptr);
  fw::UniqueMemoryDc memory(::CreateCompatibleDC(screen.get()));
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  fw::UniqueBitmap dib(::CreateDIBSection(memory.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!dib || !bits) return shot;
  {
    fw::SelectObjectScope select(memory.get(), dib.get());
    ::BitBlt(memory.get(), 0, 0, w, h, screen.get(), r.left, r.top, SRCCOPY);
    ::GdiFlush();
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    for (int i = 0; i < w * h; ++i) shot.Pixels[static_cast<std::size_t>(i)] = pixels[i] & 0xFFFFFF;
  }
  return shot;
}

// A skin colour (TColor: red in the low byte) as a screen pixel (0x00RRGGBB).
inline std::uint32_t PixelOfColor(std::int32_t color) {
  const auto c = static_cast<std::uint32_t>(color);
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

inline void Save(const skin::Bitmap32& shot, const std::string& name) {
  skin::Bitmap32 opaque = shot;
  for (auto& p : opaque.Pixels) p |= 0xFF000000u;
  const auto bytes = skin::EncodeBmp32(opaque);
  std::ofstream(name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

}  // namespace frametest

// Small hand-made skins and bitmaps for the painting tests.
#pragma once

#include "skin/SkinModel.h"
#include "skinctrl/paint/ScanLines.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>

namespace painttest {

using skin::Bitmap32;
using skinctrl::ScanLines;

// A bitmap of one colour with its scan lines.
struct Canvas {
  Bitmap32 Bmp;
  Canvas(int w, int h, std::uint32_t fill) : Bmp(w, h, fill) {}
  ScanLines Lines() { return skinctrl::LinesOf(Bmp); }
  std::uint32_t At(int x, int y) const { return Bmp.At(x, y); }
};

// An image entry over its own bitmap, sized as the skin loader sizes it.
inline skin::TsMaskData MakeImage(std::shared_ptr<Bitmap32> bmp, skin::TRect r, int imageCount, int maskType,
                                  int drawMode, int wl = 0, int wt = 0, int wr = 0, int wb = 0) {
  skin::TsMaskData m;
  m.Bmp = std::move(bmp);
  m.R = r;
  m.ImageCount = imageCount;
  m.MaskType = maskType;
  m.DrawMode = drawMode;
  m.WL = wl;
  m.WT = wt;
  m.WR = wr;
  m.WB = wb;
  m.Width = r.Width() / imageCount;
  m.Height = r.Height() / (maskType + 1);
  return m;
}

// A bitmap from rows of letters; each letter names a pixel value.
template <typename Palette>
std::shared_ptr<Bitmap32> FromRows(std::initializer_list<const char*> rows, Palette palette) {
  const int h = static_cast<int>(rows.size());
  const int w = static_cast<int>(std::string(*rows.begin()).size());
  auto bmp = std::make_shared<Bitmap32>(w, h);
  int y = 0;
  for (const char* row : rows) {
    for (int x = 0; x < w; ++x) bmp->At(x, y) = palette(row[x]);
    ++y;
  }
  return bmp;
}

// The bitmap as rows of letters, each pixel named by the palette's inverse.
template <typename Namer>
std::string ToRows(const Bitmap32& bmp, Namer name) {
  std::string out;
  for (int y = 0; y < bmp.Height; ++y) {
    for (int x = 0; x < bmp.Width; ++x) out += name(bmp.At(x, y));
    out += '\n';
  }
  return out;
}

}  // namespace painttest

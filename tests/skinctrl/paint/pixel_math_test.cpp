// Colour mixing, fills, blends and colour changes, with values worked out by
// hand from the mixing rules (every mix shifts by 8).
#include "PaintTestSupport.h"
#include "skinctrl/paint/PixelMath.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

using namespace skinctrl;
using painttest::Canvas;

struct MixCase {
  TColor A, B;
  int W;
  TColor Expected;
};

TEST(PixelMath, MixColorsTable) {
  const MixCase cases[] = {
      {0xFFFFFF, 0x000000, 255, 0xFEFEFE},  // 255 * 255 >> 8 = 254, not 255
      {0x000000, 0xFFFFFF, 0, 0xFEFEFE},
      {0xFFFFFF, 0x000000, 0, 0x000000},
      {0xFFFFFF, 0xFFFFFF, 128, 0xFEFEFE},  // (255 * 128 + 255 * 127) >> 8
      {0x0A102030, 0x000000, 255, 0x0A0F1F2F},  // high byte of A kept; 48 -> 47, 32 -> 31, 16 -> 15
      {0x0000FF, 0xFF0000, 100, 0x9A0063},      // red 25500 >> 8 = 99, blue 39525 >> 8 = 154
  };
  for (const auto& c : cases)
    EXPECT_EQ(MixColors(c.A, c.B, c.W), c.Expected) << std::hex << c.A << " " << c.B << " " << std::dec << c.W;
}

TEST(PixelMath, PercentsBecomeWeightsByIntegerDivision) {
  const std::pair<int, int> cases[] = {{0, 0}, {1, 2}, {50, 127}, {99, 252}, {100, 255}};
  for (const auto& [percent, weight] : cases) EXPECT_EQ(PercentToWeight(percent), weight) << percent;
  EXPECT_EQ(SaturationWeight(-90), -229);  // -22950 div 100 truncates toward zero
  EXPECT_EQ(SaturationWeight(-200), -255);
  EXPECT_EQ(SaturationWeight(150), 255);
}

TEST(PixelMath, FillRectAlphaClipsWithExclusiveEdges) {
  Canvas c(4, 4, 0);
  FillRectAlpha(c.Lines(), {-2, -2, 2, 2}, 0x0000FF, 0x80);
  EXPECT_EQ(c.At(0, 0), 0x80FF0000u);
  EXPECT_EQ(c.At(1, 1), 0x80FF0000u);
  EXPECT_EQ(c.At(2, 1), 0u);
  EXPECT_EQ(c.At(1, 2), 0u);
  FillRectAlpha(c.Lines(), {3, 3, 10, 10}, 0xFFFFFF, 0xFF);
  EXPECT_EQ(c.At(3, 3), 0xFFFFFFFFu);
  EXPECT_EQ(c.At(2, 3), 0u);
}

// Which pixels of a bitmap differ from a value, as rows of '#' and '.'.
std::string Changed(const Canvas& c, std::uint32_t original) {
  return painttest::ToRows(c.Bmp, [&](std::uint32_t p) { return p == original ? '.' : '#'; });
}

TEST(PixelMath, BlendColorRectRightAndBottomAreInclusive) {
  Canvas c(4, 3, 0x40000000);
  BlendColorRect(c.Lines(), {1, 1, 2, 2}, 0, 0xFFFFFF);
  EXPECT_EQ(Changed(c, 0x40000000), "....\n.##.\n.##.\n");
  EXPECT_EQ(c.At(1, 1), 0x40FEFEFEu);  // alpha unchanged, 255 * 255 >> 8 = 254

  Canvas d(4, 3, 0x40000000);
  BlendColorRect(d.Lines(), {2, 1, 10, 10}, 0, 0xFFFFFF);  // clipped to (2, 1, 3, 2)
  EXPECT_EQ(Changed(d, 0x40000000), "....\n..##\n..##\n");

  Canvas e(1, 1, 0xFF0000FF);  // blue 255
  BlendColorRect(e.Lines(), {0, 0, 0, 0}, 100, 0x0000FF);  // red colour
  // blue (255 * 100 + 0 * 155) >> 8 = 99; red (0 * 100 + 255 * 155) >> 8 = 154.
  EXPECT_EQ(e.At(0, 0), 0xFF9A0063u);
}

TEST(PixelMath, BlendBitmapRectMixesAllFourBytesWithInclusiveEdges) {
  struct Case {
    std::uint32_t Dst, Src;
    int W;
    std::uint32_t Expected;
  } const cases[] = {
      {0x00000000, 0xFFFFFFFF, 0, 0xFFFFFFFF},    // (255 * 256) >> 8
      {0x00000000, 0xFFFFFFFF, 255, 0x00000000},  // (255 * 1) >> 8
      {0x00000000, 0xFFFFFFFF, 128, 0x7F7F7F7F},
      {0x10203040, 0x50607080, 100, 0x37475767},  // (s * 156 + d * 100) >> 8 per byte
  };
  for (const auto& k : cases) {
    Canvas d(1, 1, k.Dst), s(1, 1, k.Src);
    BlendBitmapRect(d.Lines(), s.Lines(), k.W, {0, 0}, {0, 0, 0, 0});
    EXPECT_EQ(d.At(0, 0), k.Expected) << std::hex << k.Dst << " " << k.Src;
  }
  Canvas dst(4, 4, 0), src(4, 4, 0xFFFFFFFF);
  BlendBitmapRect(dst.Lines(), src.Lines(), 0, {1, 1}, {0, 0, 1, 1});
  EXPECT_EQ(Changed(dst, 0), "....\n.##.\n.##.\n....\n");
  Canvas clipped(4, 4, 0);
  BlendBitmapRect(clipped.Lines(), src.Lines(), 0, {2, 2}, {0, 0, 3, 3});
  EXPECT_EQ(Changed(clipped, 0), "....\n....\n..##\n..##\n");
}

struct TransformCase {
  const char* Name;
  PixelFunction Function;
  int Param;
  std::uint32_t Pixel, Expected;
};

TEST(PixelMath, ToneHueSaturationOnKnownColours) {
  // R 200, G 100, B 50: L = trunc(59.8 + 58.7 + 5.7) = 124.
  const TransformCase cases[] = {
      // V = 200; red (255 * 200) >> 8 = 199, green (128 * 200) >> 8 = 100, blue 0.
      {"tone", TonePixel, 0x0080FF, 0xFF6432C8, 0xFFC76400},
      {"hue +120", HuePixel, 120, 0xFFFF0000, 0xFF00FF00},
      {"hue +240", HuePixel, 240, 0xFFFF0000, 0xFF0000FF},
      {"hue -120", HuePixel, -120, 0xFFFF0000, 0xFF0000FF},
      // a = -255: (0 * c + 255 * 124) >> 8 = 123 in every channel.
      {"saturation -255", SaturationPixel, -255, 0xFFC86432, 0xFF7B7B7B},
      // a = 255: 510 c - 255 * 124: red clamps to 65535 >> 8, green 19380 >> 8 = 75, blue below 0.
      {"saturation 255", SaturationPixel, 255, 0xFFC86432, 0xFFFF4B00},
      // a = 127: 382 c - 15748: 60652 >> 8 = 236, 22452 >> 8 = 87, 3352 >> 8 = 13.
      {"saturation 127", SaturationPixel, 127, 0xFFC86432, 0xFFEC570D},
      {"grey", GrayPixel, 0, 0x80C86432, 0x807C7C7C},
  };
  for (const auto& c : cases) EXPECT_EQ(c.Function(c.Pixel, c.Param), c.Expected) << c.Name;
}

TEST(PixelMath, TransformPixelsLeavesKeyPixelsUntouched) {
  for (PixelFunction f : {TonePixel, HuePixel, SaturationPixel, GrayPixel}) {
    Canvas c(3, 1, 0xFF6432C8);
    c.Bmp.At(0, 0) = 0xFFFF00FF;
    c.Bmp.At(1, 0) = 0x00FF00FF;  // the key colour with any alpha
    TransformPixels(c.Lines(), f, f == HuePixel ? 90 : (f == TonePixel ? 0x0080FF : -200), KeyColor);
    EXPECT_EQ(c.At(0, 0), 0xFFFF00FFu);
    EXPECT_EQ(c.At(1, 0), 0x00FF00FFu);
    EXPECT_NE(c.At(2, 0), 0xFF6432C8u);
  }
  Canvas all(1, 1, 0xFFFF00FF);
  TransformPixels(all.Lines(), GrayPixel, 0, NoColor);
  EXPECT_NE(all.At(0, 0), 0xFFFF00FFu);
}

TEST(PixelMath, ResolveSkinColorTable) {
  skin::TacPaletteArray palette{};
  palette[skin::pcBtnToneRed] = 0x123456;
  palette[skin::pcEditText_Alert] = 0x0000AA;
  const skin::SysColorFn sys = [](int index) { return static_cast<TColor>(0x010101 * index); };
  const ColorSource active{&palette, sys}, inactive{nullptr, sys};
  struct Case {
    TColor Color;
    const ColorSource* Source;
    TColor Expected;
  } const cases[] = {
      {static_cast<TColor>(0xFFD5D5FFu), &active, 0x123456},
      {static_cast<TColor>(0xFF00006Cu), &active, 0x0000AA},
      {static_cast<TColor>(0xFFD5D5FFu), &inactive, 0xD5D5FF},     // low part above 100: its low 24 bits
      {static_cast<TColor>(0xFF00000Fu), &active, 0x0F0F0F},       // system colour 15
      {static_cast<TColor>(0xFF000064u), &inactive, 0x646464},     // 100 is not above 100: system colour
      {0x00123456, &active, 0x123456},
  };
  for (const auto& c : cases) EXPECT_EQ(ResolveSkinColor(c.Color, *c.Source), c.Expected) << std::hex << c.Color;
}

TEST(PixelMath, ScanLinesOfABottomUpBitmap) {
  // A bottom-up DIB: row 0 is the last row in memory, the stride negative.
  std::uint32_t memory[6] = {};
  const ScanLines lines{memory + 4, 2, 3, -2};
  FillRectAlpha(lines, {0, 0, 2, 1}, 0xFFFFFF, 0xFF);
  EXPECT_EQ(memory[4], 0xFFFFFFFFu);
  EXPECT_EQ(memory[5], 0xFFFFFFFFu);
  EXPECT_EQ(memory[0], 0u);
}

}  // namespace

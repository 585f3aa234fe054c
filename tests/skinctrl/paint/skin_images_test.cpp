// Nine-part border images in every draw mode, state frames, key pixels,
// masks, textures in every mode and corner restoring. Each expectation names
// the image pixel that the rules put at a target pixel.
#include "PaintTestSupport.h"
#include "skinctrl/paint/PixelMath.h"
#include "skinctrl/paint/SkinImages.h"

#include <gtest/gtest.h>

namespace {

using namespace skinctrl;
using painttest::Canvas;
using painttest::MakeImage;

constexpr std::uint32_t Sentinel = 0x40123456;

// Image pixels tell their position: 0xFF10yyxx.
std::uint32_t Img(int x, int y) { return 0xFF100000u | static_cast<std::uint32_t>(y << 8 | x); }

std::shared_ptr<skin::Bitmap32> PositionedImage(int w, int h) {
  auto bmp = std::make_shared<skin::Bitmap32>(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) bmp->At(x, y) = Img(x, y);
  return bmp;
}

Canvas PositionedParent(int w, int h) {
  Canvas c(w, h, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) c.Bmp.At(x, y) = 0xFF000000u | static_cast<std::uint32_t>(y << 8 | x);
  return c;
}

struct Probe {
  int X, Y;      // target pixel
  int Sx, Sy;    // image pixel expected there; -1: the target keeps its sentinel
};

void Check(const Canvas& c, std::initializer_list<Probe> probes, const char* what) {
  for (const auto& p : probes)
    EXPECT_EQ(c.At(p.X, p.Y), p.Sx < 0 ? Sentinel : Img(p.Sx, p.Sy))
        << what << ": target (" << p.X << ", " << p.Y << ")";
}

struct BorderCase {
  const char* Name;
  int DrawMode, State, RectW, RectH;
  int CellW, Margin;  // left and right margin of the cell (top and bottom are 2)
  std::initializer_list<Probe> Probes;
};

TEST(BorderImage, DrawModesMarginsAndStates) {
  const BorderCase cases[] = {
      {"tiled with centre", 4, 0, 10, 8, 6, 2,
       {{0, 0, 0, 0}, {1, 1, 1, 1}, {0, 2, 0, 2}, {0, 3, 0, 3}, {0, 4, 0, 2}, {0, 5, 0, 3}, {2, 0, 2, 0}, {3, 0, 3, 0},
        {4, 0, 2, 0}, {7, 0, 3, 0}, {9, 4, 5, 2}, {8, 6, 4, 4}, {9, 7, 5, 5}, {4, 4, 2, 2}, {5, 3, 3, 3}, {5, 7, 3, 5}}},
      {"stretched with centre", 1 | 4, 0, 10, 8, 6, 2,
       {{4, 0, 2, 0}, {5, 0, 3, 0}, {7, 0, 3, 0}, {4, 4, 2, 3}, {0, 3, 0, 2}, {0, 4, 0, 3}, {9, 7, 5, 5}}},
      {"no centre", 0, 0, 10, 8, 6, 2, {{4, 4, -1, 0}, {2, 0, 2, 0}}},
      {"not drawn in state 0", 2 | 4, 0, 10, 8, 6, 2, {{0, 0, -1, 0}, {4, 4, -1, 0}}},
      {"drawn in state 1", 2 | 4, 1, 10, 8, 6, 2, {{0, 0, 0, 0}, {4, 4, 2, 2}}},
      {"state beyond the frames uses the last", 4, 2, 10, 8, 6, 2, {{0, 0, 0, 0}}},
      // Width 5 against margins 3 + 3: the excess 1 comes off the right.
      {"odd excess from the right", 0, 0, 5, 6, 8, 3, {{2, 0, 2, 0}, {3, 0, 6, 0}, {4, 0, 7, 0}}},
      {"even excess from both", 0, 0, 4, 6, 8, 3, {{1, 0, 1, 0}, {2, 0, 6, 0}, {3, 0, 7, 0}}},
      // Width 3: excess 3, left 3 - 1 = 2, right 3 - 1 - 1 = 1.
      {"odd excess of three", 0, 0, 3, 6, 8, 3, {{1, 0, 1, 0}, {2, 0, 7, 0}}},
      {"narrower than 2 pixels", 4, 0, 1, 8, 6, 2, {{0, 0, -1, 0}}},
  };
  for (const auto& k : cases) {
    skin::SkinModel m;
    const auto img = MakeImage(PositionedImage(k.CellW, 6), {0, 0, k.CellW, 6}, 1, 0, k.DrawMode, k.Margin, 2, k.Margin, 2);
    Canvas c(k.RectW, k.RectH, Sentinel);
    DrawBorderImage(c.Lines(), {0, 0, k.RectW, k.RectH}, {}, false, k.State, &m, img);
    Check(c, k.Probes, k.Name);
  }
}

TEST(BorderImage, StateFramesLieSideBySide) {
  skin::SkinModel m;
  const auto img = MakeImage(PositionedImage(12, 6), {0, 0, 12, 6}, 2, 0, 4, 2, 2, 2, 2);
  for (const auto& [state, x] : {std::pair{0, 0}, {1, 6}, {2, 6}, {-1, 0}}) {
    Canvas c(6, 6, Sentinel);
    DrawBorderImage(c.Lines(), {0, 0, 6, 6}, {}, false, state, &m, img);
    EXPECT_EQ(c.At(0, 0), Img(x, 0)) << state;
  }
}

TEST(BorderImage, RecordsOutsideTheirBitmapDrawNothing) {
  skin::SkinModel m;
  const auto bmp = PositionedImage(6, 6);
  const skin::TsMaskData hostile[] = {
      MakeImage(bmp, {4, 0, 10, 6}, 1, 0, 4, 2, 2, 2, 2),   // beyond the right edge
      MakeImage(bmp, {0, 2, 6, 8}, 1, 1, 4, 1, 1, 1, 1),    // the mask band would lie below the bitmap
      MakeImage(bmp, {0, 0, 6, 6}, 1, 0, 4, 4, 2, 4, 2),    // margins wider than the cell
      MakeImage(bmp, {-3, 0, 3, 6}, 1, 0, 4, 1, 1, 1, 1),   // before the left edge
  };
  for (const auto& img : hostile) {
    Canvas c(6, 6, Sentinel);
    DrawBorderImage(c.Lines(), {0, 0, 6, 6}, {}, true, 1, &m, img);
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 6; ++x) ASSERT_EQ(c.At(x, y), Sentinel);
  }
  Canvas c(6, 6, Sentinel);
  DrawBorderImage(c.Lines(), {0, 0, 6, 6}, {}, true, 1, nullptr, MakeImage(bmp, {0, 0, 6, 6}, 1, 0, 4, 2, 2, 2, 2));
  EXPECT_EQ(c.At(0, 0), Sentinel);
}

// A 6 x 6 image with margins 2: its top-left corner pixel (0, 0) and a
// pixel of the top edge (2, 0) are key-coloured; (1, 0) is transparent black.
skin::TsMaskData KeyedImage() {
  auto bmp = PositionedImage(6, 6);
  bmp->At(0, 0) = 0xFFFF00FF;
  bmp->At(2, 0) = 0xFFFF00FF;
  bmp->At(1, 0) = 0x00100001;
  return MakeImage(bmp, {0, 0, 6, 6}, 1, 0, 4, 2, 2, 2, 2);
}

TEST(BorderImage, KeyPixelsOfCorners) {
  skin::SkinModel m;
  const auto img = KeyedImage();
  Canvas parent = PositionedParent(20, 20);
  TCacheInfo green;
  green.FillColor = 0x00FF00;
  TCacheInfo unknown;  // FillColor is the key colour: nothing known
  struct Case {
    const char* Name;
    const TCacheInfo* Info;
    bool Update;
    std::uint32_t Expected;
  } const cases[] = {
      {"not updated", &green, false, Sentinel},
      {"parent bitmap", nullptr, true, 0xFF000403u},            // parent (0 + 3, 0 + 4)
      {"fill colour, target alpha", &green, true, 0x4000FF00u},  // alpha of the target's (0, 0)
      {"no colour known", &unknown, true, Sentinel},
  };
  for (const auto& k : cases) {
    Canvas c(10, 8, Sentinel);
    const TCacheInfo ci = k.Info ? *k.Info : CacheInfoOfBitmap(parent.Lines(), 3, 4);
    DrawBorderImage(c.Lines(), {0, 0, 10, 8}, ci, k.Update, 0, &m, img);
    EXPECT_EQ(c.At(0, 0), k.Expected) << k.Name;
    EXPECT_EQ(c.At(1, 0), 0x00100001u) << k.Name;  // non-key corner pixels as they are
    EXPECT_EQ(c.At(2, 0), 0xFFFF00FFu) << k.Name;  // edges are copied as they are, key or not
  }
  // Drawn into the background's own bitmap, the corner's other pixels become opaque.
  Canvas self(10, 8, Sentinel);
  DrawBorderImage(self.Lines(), {0, 0, 10, 8}, CacheInfoOfBitmap(self.Lines(), 0, 0), true, 0, &m, img);
  EXPECT_EQ(self.At(1, 0), 0xFF100001u);
  EXPECT_EQ(self.At(0, 0), Sentinel);
}

TEST(BorderImage, MaskedPiecesMixThroughTheirMask) {
  // Image band rows 0-5, mask band rows 6-11. Mask black everywhere (the
  // image shows) except (1, 1) white and (2, 2) grey 128.
  auto bmp = std::make_shared<skin::Bitmap32>(6, 12, 0xFF000000u);
  bmp->At(1, 1) = 0xFF000000u;
  bmp->At(1, 7) = 0xFFFFFFFFu;
  bmp->At(2, 2) = 0xFFC8C8C8u;
  bmp->At(2, 8) = 0xFF808080u;
  bmp->At(3, 3) = 0x00204060u;
  bmp->At(0, 0) = 0xFFFF00FFu;
  skin::SkinModel m;
  auto img = MakeImage(bmp, {0, 0, 6, 12}, 1, 1, 4, 2, 2, 2, 2);
  Canvas parent = PositionedParent(8, 8);
  Canvas c(6, 6, 0x00FFFFFF);
  DrawBorderImage(c.Lines(), {0, 0, 6, 6}, CacheInfoOfBitmap(parent.Lines(), 1, 1), true, 0, &m, img);
  EXPECT_EQ(c.At(1, 1), 0xFFFEFEFEu);  // white mask: (0 * 1 + 255 * 255) >> 8
  EXPECT_EQ(c.At(2, 2), 0xFFE3E3E3u);  // (200 * 128 + 255 * 128) >> 8 = 227
  EXPECT_EQ(c.At(3, 3), 0xFF204060u);  // black mask: the image, alpha 255
  EXPECT_EQ(c.At(0, 0), 0x00FFFFFFu);  // a key corner pixel without CornerType is skipped
  img.CornerType = 1;
  DrawBorderImage(c.Lines(), {0, 0, 6, 6}, CacheInfoOfBitmap(parent.Lines(), 1, 1), true, 0, &m, img);
  EXPECT_EQ(c.At(0, 0), 0xFF000101u);  // parent (1, 1)
}

TEST(SkinImage, StateFrameKeyModeMixAndClipping) {
  skin::SkinModel m;
  auto bmp = PositionedImage(6, 2);
  bmp->At(2, 0) = 0xFFFF00FF;  // key pixel in frame 1
  const auto img = MakeImage(bmp, {0, 0, 6, 2}, 3, 0, 0);
  Canvas parent = PositionedParent(10, 10);
  const TCacheInfo ci = CacheInfoOfBitmap(parent.Lines(), 2, 3);

  Canvas c(4, 4, Sentinel);
  PutSkinImage(c.Lines(), {1, 1}, 1, ci, &m, img, true);
  EXPECT_EQ(c.At(1, 1), 0xFF000403u);  // key: parent (1 + 2, 1 + 3)
  EXPECT_EQ(c.At(2, 1), Img(3, 0));
  EXPECT_EQ(c.At(2, 2), Img(3, 1));
  EXPECT_EQ(c.At(3, 1), Sentinel);

  Canvas last(2, 2, Sentinel);
  PutSkinImage(last.Lines(), {0, 0}, 9, ci, &m, img, true);  // frame 2 of 3
  EXPECT_EQ(last.At(0, 0), Img(4, 0));

  Canvas clipped(2, 2, Sentinel);
  PutSkinImage(clipped.Lines(), {-1, -1}, 0, ci, &m, img, true);
  EXPECT_EQ(clipped.At(0, 0), Img(1, 1));
  EXPECT_EQ(clipped.At(1, 0), Sentinel);

  // The other mode mixes at 127 and skips key pixels: white over black is 126.
  auto white = std::make_shared<skin::Bitmap32>(2, 1, 0xFFFFFFFFu);
  white->At(1, 0) = 0xFFFF00FFu;
  Canvas black(2, 1, 0xFF000000u);
  PutSkinImage(black.Lines(), {0, 0}, 0, {}, &m, MakeImage(white, {0, 0, 2, 1}, 1, 0, 0), false);
  EXPECT_EQ(black.At(0, 0), 0xFF7E7E7Eu);
  EXPECT_EQ(black.At(1, 0), 0xFF000000u);

  // An own bitmap smaller than the record's rectangle is not drawn.
  Canvas none(2, 2, Sentinel);
  PutSkinImage(none.Lines(), {0, 0}, 0, ci, &m, MakeImage(white, {0, 0, 4, 2}, 1, 0, 0), true);
  EXPECT_EQ(none.At(0, 0), Sentinel);
}

// Texture letters: a b / c d; S the sentinel.
constexpr std::uint32_t TexA = 0xFF0000AA, TexB = 0xFF0000BB, TexC = 0xFF0000CC, TexD = 0xFF0000DD;
char Letter(std::uint32_t p) {
  switch (p) {
  case TexA: return 'a';
  case TexB: return 'b';
  case TexC: return 'c';
  case TexD: return 'd';
  case Sentinel: return 'S';
  default: return '?';
  }
}

struct TextureCase {
  int Mode;
  const char* Rows;
  skin::TRect Rest;
};

TEST(Texture, EveryMode) {
  const TextureCase cases[] = {
      {0, "ababa\ncdcdc\nababa\ncdcdc\n", {}},
      {1, "aaabb\naaabb\ncccdd\ncccdd\n", {}},
      {2, "ababa\ncdcdc\nSSSSS\nSSSSS\n", {0, 2, 5, 4}},
      {3, "abSSS\ncdSSS\nabSSS\ncdSSS\n", {2, 0, 5, 4}},
      {4, "aaabb\ncccdd\nSSSSS\nSSSSS\n", {0, 2, 5, 4}},
      {5, "abSSS\nabSSS\ncdSSS\ncdSSS\n", {2, 0, 5, 4}},
      {6, "SSSSS\nSSSSS\nababa\ncdcdc\n", {0, 0, 5, 2}},
      {7, "SSSab\nSSScd\nSSSab\nSSScd\n", {0, 0, 3, 4}},
      {10, "ababa\ncdcdc\nababa\ncdcdc\n", {}},
      {11, "aaabb\ncccdd\naaabb\ncccdd\n", {}},
      {12, "ababa\nababa\ncdcdc\ncdcdc\n", {}},
      {13, "babab\ndcdcd\nbabab\ndcdcd\n", {}},
      {8, "SSSSS\nSSSSS\nSSSSS\nSSSSS\n", {0, 0, 5, 4}},  // not a texture mode: nothing drawn
  };
  skin::SkinModel m;
  auto bmp = painttest::FromRows({"ab", "cd"}, [](char ch) {
    return ch == 'a' ? TexA : ch == 'b' ? TexB : ch == 'c' ? TexC : TexD;
  });
  for (const auto& k : cases) {
    const auto img = MakeImage(bmp, {0, 0, 2, 2}, 1, 0, k.Mode);
    Canvas c(5, 4, Sentinel);
    const TRect rest = DrawTexture(c.Lines(), {0, 0, 5, 4}, &m, img, k.Mode);
    EXPECT_EQ(painttest::ToRows(c.Bmp, Letter), k.Rows) << "mode " << k.Mode;
    EXPECT_EQ(rest, k.Rest) << "mode " << k.Mode;
  }
}

TEST(Texture, MaskedTextureMixesThroughItsMask) {
  skin::SkinModel m;
  auto bmp = painttest::FromRows({"ab", "kw"}, [](char ch) {
    return ch == 'a' ? TexA : ch == 'b' ? TexB : ch == 'k' ? 0xFF000000u : 0xFFFFFFFFu;
  });
  Canvas c(3, 1, 0xFF000000u);
  DrawTexture(c.Lines(), {0, 0, 3, 1}, &m, MakeImage(bmp, {0, 0, 2, 2}, 1, 1, 0), 0);
  EXPECT_EQ(c.At(0, 0), TexA);
  EXPECT_EQ(c.At(1, 0), 0xFF000000u);  // (0xBB * 1 + 0 * 255) >> 8 = 0
  EXPECT_EQ(c.At(2, 0), TexA);
}

TEST(RestoreCorners, KeyPixelsOfTheBorderTakeTheParentAgain) {
  skin::SkinModel m;
  auto bmp = PositionedImage(6, 6);
  bmp->At(0, 0) = 0xFFFF00FF;
  bmp->At(5, 5) = 0xFFFF00FF;
  m.ma.push_back(MakeImage(bmp, {0, 0, 6, 6}, 1, 0, 0, 2, 2, 2, 2));
  skin::TsGeneralData s;
  s.BorderIndex = 0;
  m.gd.push_back(s);
  Canvas parent = PositionedParent(20, 20);
  const TCacheInfo ci = CacheInfoOfBitmap(parent.Lines(), 2, 1);

  Canvas c(10, 8, Sentinel);
  RestoreCorners(c.Lines(), &m, 0, 0, ci, crTopLeft);
  EXPECT_EQ(c.At(0, 0), 0xFF000102u);  // parent (0 + 2, 0 + 1)
  EXPECT_EQ(c.At(9, 7), Sentinel);
  EXPECT_EQ(c.At(1, 0), Sentinel);     // not a key pixel of the image
  RestoreCorners(c.Lines(), &m, 0, 0, ci, crAll);
  EXPECT_EQ(c.At(9, 7), 0xFF00080Bu);  // parent (9 + 2, 7 + 1)

  TCacheInfo colour;
  colour.FillColor = 0x0000FF;
  Canvas d(10, 8, Sentinel);
  RestoreCorners(d.Lines(), &m, 0, 0, colour, crBottomRight);
  EXPECT_EQ(d.At(9, 7), 0x40FF0000u);
  EXPECT_EQ(d.At(0, 0), Sentinel);
}

// --- Hover glow pictures and outer effects ---

// A masked image whose mask makes column x transparent by 40 * x (blue byte).
std::shared_ptr<skin::Bitmap32> GlowImage(int w, int h) {
  auto bmp = std::make_shared<skin::Bitmap32>(w, 2 * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      bmp->At(x, y) = Img(x, y);
      bmp->At(x, h + y) = 0xFF000000u | 0x010101u * static_cast<std::uint32_t>(40 * x);
    }
  return bmp;
}

// Img(sx, sy) with alpha 255 - 40 * sx, each channel premultiplied: c * a / 255 rounded.
std::uint32_t GlowPixel(int sx, int sy) {
  const std::uint32_t a = 255 - 40 * static_cast<std::uint32_t>(sx);
  auto pm = [&](std::uint32_t c) { return (c * a + 127) / 255; };
  return a << 24 | pm(0x10) << 16 | pm(static_cast<std::uint32_t>(sy)) << 8 | pm(static_cast<std::uint32_t>(sx));
}

TEST(GlowPicture, TheImageInNinePartsWithItsMaskAsPremultipliedAlpha) {
  struct Case {
    const char* Name;
    int DrawMode;
    std::initializer_list<Probe> Probes;  // picture pixel, image pixel
  };
  // A 6 x 6 image with margins 2 over a 10 x 8 picture: middles of 2 x 2.
  const Case cases[] = {
      {"tiled", 0, {{0, 0, 0, 0}, {1, 1, 1, 1}, {9, 7, 5, 5}, {8, 0, 4, 0}, {2, 0, 2, 0}, {4, 0, 2, 0}, {5, 3, 3, 3},
                    {6, 4, 2, 2}, {0, 5, 0, 3}}},
      {"stretched", 1, {{0, 0, 0, 0}, {9, 7, 5, 5}, {2, 0, 2, 0}, {4, 0, 2, 0}, {5, 0, 3, 0}, {7, 0, 3, 0}, {4, 4, 2, 3}}},
  };
  for (const Case& c : cases) {
    skin::SkinModel m;
    const skin::TsMaskData image = MakeImage(GlowImage(6, 6), {0, 0, 6, 12}, 1, 1, c.DrawMode, 2, 2, 2, 2);
    const skin::Bitmap32 picture = MakeGlowPicture(&m, image, 10, 8);
    ASSERT_EQ(picture.Width, 10) << c.Name;
    ASSERT_EQ(picture.Height, 8) << c.Name;
    for (const Probe& p : c.Probes)
      EXPECT_EQ(picture.At(p.X, p.Y), GlowPixel(p.Sx, p.Sy)) << c.Name << ": (" << p.X << ", " << p.Y << ")";
  }
}

TEST(GlowPicture, UnmaskedImagesKeepTheirAlphaAndLoseTheirKeyPixels) {
  skin::SkinModel m;
  auto bmp = std::make_shared<skin::Bitmap32>(3, 3, 0x80402010u);
  bmp->At(0, 0) = 0xFFFF00FFu;
  const skin::TsMaskData image = MakeImage(bmp, {0, 0, 3, 3}, 1, 0, 0, 1, 1, 1, 1);
  const skin::Bitmap32 picture = MakeGlowPicture(&m, image, 5, 5);
  ASSERT_EQ(picture.Width, 5);
  EXPECT_EQ(picture.At(0, 0), 0u);
  // 0x40 * 0x80 / 255 = 32.1, 0x20 * 0x80 / 255 = 16.06, 0x10 * 0x80 / 255 = 8.03
  EXPECT_EQ(picture.At(2, 2), 0x80201008u);
  EXPECT_EQ(picture.At(4, 4), 0x80201008u);

  // Nothing to show: too small, or an image outside its bitmap.
  EXPECT_TRUE(MakeGlowPicture(&m, image, 1, 5).Empty());
  EXPECT_TRUE(MakeGlowPicture(&m, MakeImage(bmp, {2, 0, 5, 3}, 1, 0, 0), 5, 5).Empty());
  EXPECT_TRUE(MakeGlowPicture(nullptr, image, 5, 5).Empty());
}

TEST(OuterImage, MixedIntoTheTargetAtItsOpacityWhereTheMaskShowsIt) {
  skin::SkinModel m;
  // 5 x 5 image, mask black but for a white centre; margins 2, stretched.
  auto bmp = std::make_shared<skin::Bitmap32>(5, 10);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) {
      bmp->At(x, y) = Img(x, y);
      bmp->At(x, 5 + y) = x == 2 && y == 2 ? 0xFFFFFFFFu : 0xFF000000u;
    }
  const skin::TsMaskData image = MakeImage(bmp, {0, 0, 5, 10}, 1, 1, 1 | 4, 2, 2, 2, 2);
  constexpr std::uint32_t Back = 0xFF604020u;
  // Per byte (s * (256 - W) + d * W) >> 8 with W = 255 - opacity.
  auto mixed = [](std::uint32_t s, int opacity) {
    const std::uint32_t w = 255 - static_cast<std::uint32_t>(opacity);
    std::uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8)
      out |= ((((s >> shift) & 0xFF) * (256 - w) + ((Back >> shift) & 0xFF) * w) >> 8) << shift;
    return out;
  };
  for (int opacity : {128, 255}) {
    Canvas t(8, 6, Back);
    // The rectangle reaches out of the target on the left and at the top: its
    // top-left corner piece shows only its inner pixel.
    DrawOuterImage(t.Lines(), {-1, -1, 7, 6}, &m, image, opacity);
    EXPECT_EQ(t.At(0, 0), mixed(Img(1, 1), opacity)) << opacity;
    EXPECT_EQ(t.At(6, 5), mixed(Img(4, 4), opacity)) << opacity;
    EXPECT_EQ(t.At(3, 0), mixed(Img(2, 1), opacity)) << opacity;
    // A white mask pixel keeps the target: per channel (s * 1 + d * 255) >> 8.
    std::uint32_t underWhite = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8)
      underWhite |= ((((Img(2, 2) >> shift) & 0xFF) + ((Back >> shift) & 0xFF) * 255) >> 8) << shift;
    EXPECT_EQ(t.At(3, 2), mixed(underWhite, opacity)) << opacity;
    EXPECT_EQ(t.At(7, 2), Back) << opacity;
  }
  EXPECT_EQ(mixed(Img(1, 1), 255), Img(1, 1));
  Canvas none(8, 6, Back);
  DrawOuterImage(none.Lines(), {-1, -1, 7, 6}, &m, image, 0);
  EXPECT_EQ(none.At(0, 0), Back);
}

}  // namespace

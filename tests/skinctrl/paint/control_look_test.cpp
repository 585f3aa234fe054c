// A control's whole look: corner images and border over the background,
// tone, hue and saturation, the disabled look, and text with outline and
// glow on a known background. Values worked out by hand.
#include "PaintTestSupport.h"
#include "skinctrl/paint/SectionPaint.h"
#include "skinctrl/paint/SkinTextPaint.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace skinctrl;
using painttest::Canvas;
using painttest::MakeImage;

constexpr std::uint32_t Red = 0xFFFF0000, Blue = 0xFF0000FF;

// One section coloured R 100, G 50, B 200 with a 3 x 3 blue border image of
// margins 1 (no centre) whose top edge pixel is key-coloured, and a 2 x 2
// red bottom-right corner image.
skin::SkinModel ControlModel(int transparency = 0, int borderDrawMode = 0) {
  skin::SkinModel m;
  auto border = std::make_shared<skin::Bitmap32>(3, 3, Blue);
  border->At(1, 0) = 0xFFFF00FF;
  m.ma.push_back(MakeImage(border, {0, 0, 3, 3}, 1, 0, borderDrawMode, 1, 1, 1, 1));
  m.ma.push_back(MakeImage(std::make_shared<skin::Bitmap32>(2, 2, Red), {0, 0, 2, 2}, 1, 0, 0));
  skin::TsGeneralData s;
  for (auto& p : s.Props) {
    p.Color = 0xC83264;
    p.Transparency = transparency;
  }
  s.BorderIndex = 0;
  s.ImgBR = 1;
  m.gd.push_back(s);
  return m;
}

TControlLook Look() {
  TControlLook look;
  look.SkinIndex = 0;
  return look;
}

TEST(ControlLook, CornerImagesUnderTheBorderOrOverIt) {
  const auto m = ControlModel();
  Canvas c(6, 5, 0);
  PaintSkinControl(&m, Look(), {}, -1, -1, false, c.Lines(), {}, {0, 0, 6, 5}, 0);
  EXPECT_EQ(c.At(2, 2), 0xFF6432C8u);  // background
  EXPECT_EQ(c.At(4, 3), Red);          // corner image at (6 - 2, 5 - 2)
  EXPECT_EQ(c.At(5, 4), Blue);         // the border's corner over it
  EXPECT_EQ(c.At(1, 0), 0xFFFF00FFu);  // the border's edge, key pixel and all

  // A container on its parent: the corner images come last.
  Canvas d(6, 5, 0);
  PaintSkinLayersOnParent(&m, Look(), {}, -1, -1, false, d.Lines(), {}, {0, 0, 6, 5}, 0);
  EXPECT_EQ(d.At(5, 4), Red);
}

TEST(ControlLook, ToneHueAndSaturationOfTheControl) {
  struct Case {
    const char* Name;
    TColor Tone;
    int Hue, Saturation;
    std::uint32_t Background, Border;
  } const cases[] = {
      // Tone K = (255, 128, 0): background V = 200 gives (199, 100, 0); the
      // blue border V = 255 gives (254, 127, 0).
      {"tone", 0x0080FF, 0, 0, 0xFFC76400, 0xFFFE7F00},
      // Hue 260 + 120 = 20 degrees at s 0.75, v 200: (200, 100, 50).
      {"hue", NoColor, 120, 0, 0xFFC86432, 0xFFFF0000},
      // -100 percent is -255: L = trunc(29.9 + 29.35 + 22.8) = 82, 255 * 82 >> 8 = 81;
      // blue: L = 29, 255 * 29 >> 8 = 28.
      {"saturation", NoColor, 0, -100, 0xFF515151, 0xFF1C1C1C},
  };
  for (const auto& k : cases) {
    const auto m = ControlModel();
    TControlLook look = Look();
    look.ColorTone = k.Tone;
    look.HUEOffset = k.Hue;
    look.Saturation = k.Saturation;
    Canvas c(6, 5, 0);
    PaintSkinControl(&m, look, {}, -1, -1, false, c.Lines(), {}, {0, 0, 6, 5}, 0);
    EXPECT_EQ(c.At(2, 2), k.Background) << k.Name;
    EXPECT_EQ(c.At(0, 0), k.Border) << k.Name;
    EXPECT_EQ(c.At(1, 0), 0xFFFF00FFu) << k.Name;  // key pixels never change
  }
}

TEST(ControlLook, ColourChangesOnlyWithABorderOrAnOpaqueState) {
  // Transparency 100 and a border not drawn in state 0: the parent's
  // pixels are copied and left as they are; in state 1 the border is drawn
  // and everything is toned.
  const auto m = ControlModel(100, 2);
  Canvas parent(6, 5, 0xFF6432C8);
  TControlLook look = Look();
  look.ColorTone = 0x0080FF;
  Canvas c(6, 5, 0);
  PaintSkinControl(&m, look, CacheInfoOfBitmap(parent.Lines(), 0, 0), -1, -1, false, c.Lines(), {}, {0, 0, 6, 5}, 0);
  EXPECT_EQ(c.At(2, 2), 0xFF6432C8u);
  PaintSkinControl(&m, look, CacheInfoOfBitmap(parent.Lines(), 0, 0), -1, -1, false, c.Lines(), {}, {0, 0, 6, 5}, 1);
  EXPECT_EQ(c.At(2, 2), 0xFFC76400u);
}

struct DisabledCase {
  const char* Name;
  int Kind;
  int Saturation;
  bool ParentBitmap;
  TColor FillColor;
  std::uint32_t Expected;
};

TEST(DisabledLook, GreyedAndBlended) {
  // Control pixel (200, 100, 50), L = 124.
  const DisabledCase cases[] = {
      // -90 percent is -229: 26 c + 229 * 124 = 33596, 30996, 29696 >> 8.
      {"greyed", dkGrayed, -90, false, KeyColor, 0xFF837974},
      {"greyscale", dkGrayed, -100, false, KeyColor, 0xFF7C7C7C},
      // Weight 100 for the control over black: (200 * 100) >> 8 = 78, 39, 19.
      {"blended over the parent's bitmap", dkBlended, -90, true, KeyColor, 0xFF4E2713},
      {"blended over the parent's colour", dkBlended, -90, false, KeyColor, 0xFF4E2713},
      // Over red: red (200 * 100 + 255 * 155) >> 8 = 232.
      {"blended over the fill colour", dkBlended, -90, false, 0x0000FF, 0xFFE82713},
      // Greyed first, then blended: (131, 121, 116) * 100 >> 8.
      {"both", dkGrayed | dkBlended, -90, true, KeyColor, 0xFF332F2D},
  };
  const int saved = DisabledSaturation;
  for (const auto& k : cases) {
    DisabledSaturation = k.Saturation;
    Canvas parent(4, 4, 0xFF000000);
    TCacheInfo ci = k.ParentBitmap ? CacheInfoOfBitmap(parent.Lines(), 1, 0) : TCacheInfo{};
    ci.FillColor = k.FillColor;
    Canvas c(2, 2, 0xFFC86432);
    c.Bmp.At(1, 1) = 0xFFFF00FF;
    PaintDisabled(c.Lines(), k.Kind, {1, 1}, ci, 0x000000);
    EXPECT_EQ(c.At(0, 0), k.Expected) << k.Name;
    if (k.ParentBitmap) {
      EXPECT_EQ(c.At(1, 1), 0xFFFF00FFu) << k.Name;
    }
  }
  DisabledSaturation = saved;
}

TEST(DisabledLook, BlendingReadsTheParentAtThePosition) {
  // Control (1, 1) lies over parent (1 + 1 + 1, 1 + 0 + 1) = (3, 2), white.
  Canvas parent(4, 4, 0xFF000000);
  parent.Bmp.At(3, 2) = 0xFFFFFFFF;
  Canvas c(2, 2, 0xFFFFFFFF);
  PaintDisabled(c.Lines(), dkBlended, {1, 1}, CacheInfoOfBitmap(parent.Lines(), 1, 0), 0);
  EXPECT_EQ(c.At(1, 1), 0xFFFEFEFEu);  // (255 * 100 + 255 * 155) >> 8
  EXPECT_EQ(c.At(0, 0), 0xFF636363u);  // (255 * 100) >> 8 = 99
}

TEST(SkinText, PassesAndTheirColours) {
  const skin::TsFontColor font{0x000000, 0x0000FF, -1, 0x00FF00, 0xFF0000};
  const ColorSource colors;
  const auto outlined = SkinTextPasses(font, true, Look(), colors);
  ASSERT_EQ(outlined.Count, 4);
  const TTextPass expected[] = {{-1, 0, 0x0000FF}, {1, 0, 0x00FF00}, {0, 1, 0xFF0000}, {0, 0, 0x000000}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(outlined.Passes[i].Dx, expected[i].Dx) << i;
    EXPECT_EQ(outlined.Passes[i].Dy, expected[i].Dy) << i;
    EXPECT_EQ(outlined.Passes[i].Color, expected[i].Color) << i;
  }
  const auto plain = SkinTextPasses(font, false, Look(), colors);
  ASSERT_EQ(plain.Count, 1);
  EXPECT_EQ(plain.Passes[0].Color, 0x000000);

  // Saturation 50 for text is 50 * 256 div 100 = 128: 383 c - 128 * 124
  // gives 237, 87, 12 for (200, 100, 50).
  TControlLook look = Look();
  look.Saturation = 50;
  EXPECT_EQ(AdjustTextColor(0x3264C8, look, colors), 0x0C57ED);
  // A palette reference of an active skin.
  skin::TacPaletteArray palette{};
  palette[skin::pcBtnRedText] = 0x0000C0;
  EXPECT_EQ(AdjustTextColor(static_cast<TColor>(0xFF0000B4u), Look(), {&palette, {}}), 0x0000C0);
}

TEST(SkinText, OutlinedTextOnAKnownBackground) {
  // One pixel of ink at (4, 4), drawn with the outline passes over white.
  Mask8 glyph(8, 8);
  glyph.At(4, 4) = 0;
  const skin::TsFontColor font{0x000000, 0x0000FF, -1, 0x00FF00, 0xFF0000};
  Canvas c(8, 8, 0x80FFFFFF);
  const auto passes = SkinTextPasses(font, true, Look(), {});
  for (int i = 0; i < passes.Count; ++i)
    PutTextMask(c.Lines(), glyph, {passes.Passes[i].Dx, passes.Passes[i].Dy}, passes.Passes[i].Color);
  EXPECT_EQ(c.At(3, 4), 0x80FF0000u);  // left outline
  EXPECT_EQ(c.At(5, 4), 0x8000FF00u);  // right outline
  EXPECT_EQ(c.At(4, 5), 0x800000FFu);  // bottom outline
  EXPECT_EQ(c.At(4, 3), 0x80FFFFFFu);  // no top outline
  EXPECT_EQ(c.At(4, 4), 0x80000000u);  // the text itself, last
  EXPECT_EQ(c.At(0, 0), 0x80FFFFFFu);

  // Half-covered pixels mix: black over white at m = 128 is (255 * 128) >> 8.
  Mask8 half(1, 1, 128);
  Canvas d(1, 1, 0xFFFFFFFF);
  PutTextMask(d.Lines(), half, {}, 0x000000);
  EXPECT_EQ(d.At(0, 0), 0xFF7F7F7Fu);
}

TEST(SkinText, GlowMaskApplied) {
  struct Case {
    std::uint8_t M;
    std::uint32_t Pixel, Expected;
  } const cases[] = {
      {0, 0x00000000, 0xFEFEFEFE},    // alpha 255 * 255 >> 8, channels 255 * 255 >> 8
      {255, 0x00000000, 0x00000000},  // untouched
      {128, 0x80000000, 0xBF7E7E7E},  // alpha 128 + (127 * 127 >> 8) = 191, channels 127 * 255 >> 8
  };
  for (const auto& k : cases) {
    Mask8 glow(1, 1, k.M);
    Canvas c(1, 1, k.Pixel);
    ApplyGlowMask(c.Lines(), glow, {}, 0xFFFFFF);
    EXPECT_EQ(c.At(0, 0), k.Expected) << int{k.M};
  }
}

TEST(SkinText, BlurWithRadiusOne) {
  // Sigma 1: the taps beyond 3 weigh less than 1/510 and are dropped; the
  // kept taps renormalised are 0.39905, 0.24204, 0.05401, 0.00443.
  Mask8 m(9, 1);
  m.At(4, 0) = 0;
  BlurMask8(m, 1);
  const std::uint8_t expected[9] = {255, 254, 241, 193, 153, 193, 241, 254, 255};
  for (int x = 0; x < 9; ++x) EXPECT_EQ(m.At(x, 0), expected[x]) << x;
  Mask8 flat(5, 5, 100);
  BlurMask8(flat, 3);
  EXPECT_EQ(flat.At(2, 2), 100);
  EXPECT_EQ(flat.At(0, 4), 100);
}

TEST(SkinText, GlowMaskGeometry) {
  // A 3 x 1 text with ink at (1, 0), size 0, every side: the mask is the
  // text grown by 4 on each side; the ink lies at (4 + 1, 4) and one pixel
  // toward each side.
  Mask8 text(3, 1);
  text.At(1, 0) = 0;
  Mask8 glow;
  BuildGlowMask(text, 0, gsAll, glow);
  ASSERT_EQ(glow.Width, 11);
  ASSERT_EQ(glow.Height, 9);
  for (const auto& [x, y] : {std::pair{5, 4}, {4, 4}, {6, 4}, {5, 3}, {5, 5}}) EXPECT_EQ(glow.At(x, y), 0) << x << "," << y;
  EXPECT_EQ(glow.At(3, 4), 255);
  EXPECT_EQ(glow.At(4, 3), 255);
  Mask8 left;
  BuildGlowMask(text, 0, gsLeft, left);
  EXPECT_EQ(left.At(4, 4), 0);
  EXPECT_EQ(left.At(6, 4), 255);
}

}  // namespace

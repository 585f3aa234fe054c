// Section backgrounds: colour, transparency over the parent's bitmap or
// colour with its border strips, the layers of texture, gradient and colour,
// and the state clamping. Expected pixels are worked out by hand.
#include "PaintTestSupport.h"
#include "skinctrl/paint/Gradient.h"
#include "skinctrl/paint/SectionPaint.h"

#include <gtest/gtest.h>

namespace {

using namespace skinctrl;
using painttest::Canvas;
using painttest::MakeImage;

constexpr std::uint32_t Sentinel = 0x12345678;

// A model with one section whose three states have the given colours and
// transparencies.
skin::SkinModel OneSection(TColor c0, int t0, TColor c1 = 0, int t1 = 0, TColor c2 = 0, int t2 = 0, int states = 3) {
  skin::SkinModel m;
  skin::TsGeneralData s;
  s.States = states;
  s.Props[0].Color = c0;
  s.Props[0].Transparency = t0;
  s.Props[1].Color = c1;
  s.Props[1].Transparency = t1;
  s.Props[2].Color = c2;
  s.Props[2].Transparency = t2;
  m.gd.push_back(s);
  return m;
}

// A parent bitmap whose pixel tells its own position: 0xFF00yyxx.
Canvas PositionedParent(int w, int h) {
  Canvas c(w, h, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) c.Bmp.At(x, y) = 0xFF000000u | static_cast<std::uint32_t>(y << 8 | x);
  return c;
}

TEST(SectionBackground, OpaqueColourFillsOnlyTheRectangle) {
  const auto m = OneSection(0x336699, 0);
  Canvas c(4, 3, Sentinel);
  PaintSectionBackground(&m, 0, {}, 0, KeyColor, -1, -1, c.Lines(), {}, {1, 1, 3, 3});
  EXPECT_EQ(c.At(1, 1), 0xFF996633u);
  EXPECT_EQ(c.At(2, 2), 0xFF996633u);
  EXPECT_EQ(c.At(0, 0), Sentinel);
  EXPECT_EQ(c.At(3, 1), Sentinel);
}

TEST(SectionBackground, StatesClampToTheSectionAndToRecordTwo) {
  struct Case {
    int States, State;
    std::uint32_t Expected;
  } const cases[] = {
      {3, 0, 0xFF000001}, {3, 1, 0xFF000002}, {3, 2, 0xFF000003}, {3, 7, 0xFF000003},
      {2, 5, 0xFF000002},  // the last usable state
      {1, 2, 0xFF000001},
  };
  for (const auto& k : cases) {
    const auto m = OneSection(0x010000, 0, 0x020000, 0, 0x030000, 0, k.States);
    Canvas c(1, 1, 0);
    PaintSkinSection(&m, 0, {}, -1, -1, c.Lines(), {}, {0, 0, 1, 1}, k.State);
    EXPECT_EQ(c.At(0, 0), k.Expected) << k.States << " " << k.State;
  }
}

TEST(SectionBackground, FullyTransparentCopiesTheParentAtItsOffset) {
  const auto m = OneSection(0x000000, 100);
  Canvas parent = PositionedParent(10, 10);
  Canvas c(4, 4, Sentinel);
  PaintSectionBackground(&m, 0, CacheInfoOfBitmap(parent.Lines(), 1, 2), 0, KeyColor, -1, -1, c.Lines(), {3, 0},
                         {0, 0, 2, 2});
  EXPECT_EQ(c.At(0, 0), 0xFF000204u);  // parent (0 + 1 + 3, 0 + 2 + 0)
  EXPECT_EQ(c.At(1, 1), 0xFF000305u);
  EXPECT_EQ(c.At(2, 2), Sentinel);
}

TEST(SectionBackground, FullyTransparentOverItsOwnBitmapCopiesNothing) {
  const auto m = OneSection(0x000000, 100);
  Canvas c = PositionedParent(4, 4);
  PaintSectionBackground(&m, 0, CacheInfoOfBitmap(c.Lines(), 0, 0), 0, KeyColor, -1, -1, c.Lines(), {1, 1},
                         {0, 0, 4, 4});
  EXPECT_EQ(c.At(0, 0), 0xFF000000u);
  EXPECT_EQ(c.At(3, 2), 0xFF000203u);
}

TEST(SectionBackground, FullyTransparentOverAColourCopiesOnlyTheBorderStrips) {
  // Parent 20 x 10 with border strips 2 left, 3 top, 4 right, 3 bottom; the
  // control lies at (1, 1), 16 x 7: P = (1, 1, 17, 8).
  const auto m = OneSection(0x000000, 100);
  Canvas parent = PositionedParent(20, 10);
  TCacheInfo ci;
  ci.Bmp = parent.Lines();
  ci.FillColor = 0x0000FF;
  ci.FillRect = {2, 3, 4, 3};
  Canvas c(16, 7, Sentinel);
  PaintSectionBackground(&m, 0, ci, 0, KeyColor, -1, -1, c.Lines(), {1, 1}, {0, 0, 16, 7});
  const std::uint32_t red = 0xFFFF0000u;
  // Left strip 2 - 1 = 1 column; top strip 3 - 1 = 2 rows; right strip
  // 17 + 4 - 20 = 1 column; bottom strip 8 + 3 - 10 = 1 row.
  EXPECT_EQ(c.At(0, 4), 0xFF000501u);   // parent (1, 5)
  EXPECT_EQ(c.At(1, 4), red);
  EXPECT_EQ(c.At(5, 1), 0xFF000206u);   // parent (6, 2)
  EXPECT_EQ(c.At(5, 2), red);
  EXPECT_EQ(c.At(15, 3), 0xFF000410u);  // parent (16, 4)
  EXPECT_EQ(c.At(14, 3), red);
  EXPECT_EQ(c.At(7, 6), 0xFF000708u);   // parent (8, 7)
  EXPECT_EQ(c.At(7, 5), red);
}

TEST(SectionBackground, AControlReachingTheParentsFarEdgesGetsTheWholeStrips) {
  // P = (1, 1, 20, 10) ends at the parent's right and bottom edges: the
  // right strip is 4 columns, the bottom strip 3 rows.
  const auto m = OneSection(0x000000, 100);
  Canvas parent = PositionedParent(20, 10);
  TCacheInfo ci;
  ci.Bmp = parent.Lines();
  ci.FillColor = 0x0000FF;
  ci.FillRect = {0, 0, 4, 3};
  Canvas c(19, 9, Sentinel);
  PaintSectionBackground(&m, 0, ci, 0, KeyColor, -1, -1, c.Lines(), {1, 1}, {0, 0, 19, 9});
  EXPECT_EQ(c.At(15, 2), 0xFF000310u);  // parent (16, 3)
  EXPECT_EQ(c.At(14, 2), 0xFFFF0000u);
  EXPECT_EQ(c.At(5, 6), 0xFF000706u);   // parent (6, 7)
  EXPECT_EQ(c.At(5, 5), 0xFFFF0000u);
}

TEST(SectionBackground, HalfTransparentOverAColourOrABitmap) {
  // T = 50: weight 127 for the parent. White parent, black section:
  // 255 * 127 >> 8 = 126.
  const auto m = OneSection(0x000000, 50);
  TCacheInfo colour;
  colour.FillColor = 0xFFFFFF;
  Canvas a(2, 2, Sentinel);
  PaintSectionBackground(&m, 0, colour, 0, KeyColor, -1, -1, a.Lines(), {}, {0, 0, 2, 2});
  EXPECT_EQ(a.At(1, 1), 0xFF7E7E7Eu);

  // Over a white bitmap the layer is blended in: colour (0 * 129 + 255 *
  // 127) >> 8 = 126, alpha (255 * 129 + 255 * 127) >> 8 = 255.
  Canvas parent(4, 4, 0xFFFFFFFF);
  Canvas b(2, 2, Sentinel);
  PaintSectionBackground(&m, 0, CacheInfoOfBitmap(parent.Lines(), 0, 0), 0, KeyColor, -1, -1, b.Lines(), {1, 1},
                         {0, 0, 2, 2});
  EXPECT_EQ(b.At(0, 0), 0xFF7E7E7Eu);

  // Without anything known of the parent the section is painted opaque.
  Canvas d(2, 2, Sentinel);
  PaintSectionBackground(&m, 0, {}, 0, KeyColor, -1, -1, d.Lines(), {}, {0, 0, 2, 2});
  EXPECT_EQ(d.At(0, 0), 0xFF000000u);
}

TEST(SectionBackground, CustomColourReplacesTheSectionAndItsTransparency) {
  const auto m = OneSection(0x000000, 100);
  Canvas c(1, 1, Sentinel);
  PaintSectionBackground(&m, 0, CacheInfoOfBitmap(c.Lines(), 0, 0), 0, 0x00FF00, -1, -1, c.Lines(), {}, {0, 0, 1, 1});
  EXPECT_EQ(c.At(0, 0), 0xFF00FF00u);
}

skin::TsGradPoint Point(std::uint32_t mode, TColor color, int percent) {
  return {0, mode, static_cast<std::uint32_t>(color) | 0xFF000000u, static_cast<std::uint8_t>(percent)};
}

TEST(Gradients, VerticalAndHorizontalSegments) {
  // Black to white over 4 rows: 255 * i / 4 = 0, 63, 127, 191.
  const skin::TsGradArray bw = {Point(0, 0x000000, 0), Point(0, 0xFFFFFF, 100)};
  Canvas v(1, 4, 0);
  ASSERT_TRUE(PaintGradient(v.Lines(), {0, 0, 1, 4}, bw));
  EXPECT_EQ(v.At(0, 0), 0xFF000000u);
  EXPECT_EQ(v.At(0, 1), 0xFF3F3F3Fu);
  EXPECT_EQ(v.At(0, 2), 0xFF7F7F7Fu);
  EXPECT_EQ(v.At(0, 3), 0xFFBFBFBFu);

  // Red, green, blue at 0, 50, 100 over 10 columns: 5 columns each,
  // 51 per column.
  const skin::TsGradArray rgb = {Point(1, 0x0000FF, 0), Point(0, 0x00FF00, 50), Point(0, 0xFF0000, 100)};
  Canvas h(10, 1, 0);
  ASSERT_TRUE(PaintGradient(h.Lines(), {0, 0, 10, 1}, rgb));
  const std::uint32_t expected[10] = {0xFFFF0000, 0xFFCC3300, 0xFF996600, 0xFF669900, 0xFF33CC00,
                                      0xFF00FF00, 0xFF00CC33, 0xFF009966, 0xFF006699, 0xFF0033CC};
  for (int x = 0; x < 10; ++x) EXPECT_EQ(h.At(x, 0), expected[x]) << x;

  // A smooth segment (bit 0x10) gives the same linear colours.
  const skin::TsGradArray smooth = {Point(0x10, 0x000000, 0), Point(0x10, 0xFFFFFF, 100)};
  Canvas s(1, 4, 0);
  ASSERT_TRUE(PaintGradient(s.Lines(), {0, 0, 1, 4}, smooth));
  EXPECT_EQ(s.At(0, 2), 0xFF7F7F7Fu);
}

TEST(Gradients, SegmentsLongerThanTheRectangleAreCutOffAtItsEdge) {
  // Rows 2 to 5 of an 8-row bitmap; with 4 rows of extra length the first
  // segment is 100 * 8 / 100 = 8 rows long: its first four rows are painted
  // (red 255 - 255 * i / 8 = 255, 224, 192, 160) and nothing below row 5.
  const skin::TsGradArray points = {Point(0, 0x0000FF, 0), Point(0, 0x00FF00, 100), Point(0, 0xFF0000, 100)};
  Canvas c(1, 8, Sentinel);
  ASSERT_TRUE(PaintGradient(c.Lines(), {0, 2, 1, 6}, points, 4));
  EXPECT_EQ(c.At(0, 1), Sentinel);
  EXPECT_EQ(c.At(0, 2), 0xFFFF0000u);
  EXPECT_EQ(c.At(0, 3), 0xFFE01F00u);
  EXPECT_EQ(c.At(0, 4), 0xFFC03F00u);
  EXPECT_EQ(c.At(0, 5), 0xFFA05F00u);
  EXPECT_EQ(c.At(0, 6), Sentinel);
  EXPECT_EQ(c.At(0, 7), Sentinel);

  // Percentages that go back and forth never paint outside either.
  const skin::TsGradArray zigzag = {Point(1, 0, 0), Point(0, 0xFFFFFF, 90), Point(0, 0, 10), Point(0, 0xFFFFFF, 100),
                                    Point(0, 0, 100)};
  Canvas z(8, 1, Sentinel);
  ASSERT_TRUE(PaintGradient(z.Lines(), {2, 0, 6, 1}, zigzag, 50));
  EXPECT_EQ(z.At(1, 0), Sentinel);
  EXPECT_EQ(z.At(6, 0), Sentinel);
  EXPECT_NE(z.At(5, 0), Sentinel);
}

TEST(Gradients, FourCornerKind) {
  const skin::TsGradArray same(5, Point(2, 0x336699, 0));
  Canvas c(6, 6, 0);
  ASSERT_TRUE(PaintGradient(c.Lines(), {0, 0, 6, 6}, same));
  EXPECT_EQ(c.At(0, 0), 0xFF996633u);
  EXPECT_EQ(c.At(5, 3), 0xFF996633u);

  // Corners red, green, blue, white and a black centre: each corner pixel
  // is near its point's colour, the centre near black.
  const skin::TsGradArray five = {Point(2, 0x0000FF, 0), Point(0, 0x00FF00, 0), Point(0, 0xFF0000, 0),
                                  Point(0, 0xFFFFFF, 0), Point(0, 0x000000, 0)};
  Canvas f(100, 100, 0);
  ASSERT_TRUE(PaintGradient(f.Lines(), {0, 0, 100, 100}, five));
  auto near = [](std::uint32_t p, std::uint32_t q) {
    for (int s = 0; s < 24; s += 8)
      if (std::abs(static_cast<int>((p >> s) & 0xFF) - static_cast<int>((q >> s) & 0xFF)) > 8) return false;
    return true;
  };
  EXPECT_TRUE(near(f.At(0, 0), 0xFFFF0000));
  EXPECT_TRUE(near(f.At(99, 0), 0xFF00FF00));
  EXPECT_TRUE(near(f.At(99, 99), 0xFF0000FF));
  EXPECT_TRUE(near(f.At(0, 99), 0xFFFFFFFF));
  EXPECT_TRUE(near(f.At(50, 50), 0xFF000000));

  // Four points are not enough: nothing is painted.
  Canvas g(2, 2, Sentinel);
  EXPECT_FALSE(PaintGradient(g.Lines(), {0, 0, 2, 2}, skin::TsGradArray(4, Point(2, 0, 0))));
  EXPECT_EQ(g.At(0, 0), Sentinel);
}

// A 2 x 2 texture: a b / c d.
constexpr std::uint32_t TexA = 0xFF000000, TexB = 0xFF0000FF, TexC = 0xFF00FF00, TexD = 0xFFFF0000;

struct LayerFixture {
  skin::SkinModel Model;
  LayerFixture(int drawMode = 0) {
    auto bmp = painttest::FromRows({"ab", "cd"}, [](char ch) {
      return ch == 'a' ? TexA : ch == 'b' ? TexB : ch == 'c' ? TexC : TexD;
    });
    Model.ma.push_back(MakeImage(bmp, {0, 0, 2, 2}, 1, 0, drawMode));
  }
};

TEST(SectionLayers, TextureGradientAndColourShares) {
  const skin::TsGradArray white = {Point(0, 0xFFFFFF, 0), Point(0, 0xFFFFFF, 100)};
  struct Case {
    const char* Name;
    int I, G, DrawMode;
    TColor Color;
    std::uint32_t Expected00;  // the pixel under texture pixel a (black)
  } const cases[] = {
      {"colour only", 0, 0, 0, 0x0000FF, 0xFFFF0000},
      {"texture only", 100, 0, 0, 0x0000FF, TexA},
      // Texture, then the colour at (50 * 255 div 100 = 127): (0 * 127 + 255 * 128) >> 8 = 127 red.
      {"texture and colour", 50, 0, 0, 0x0000FF, 0xFF7F0000},
      // One pass: (texture * 127 + gradient * 128) >> 8 = 127 white.
      {"texture and gradient in one pass", 50, 50, 0, 0x0000FF, 0xFF7F7F7F},
      // Gradient blended over the texture at 102: (255 * 154) >> 8 = 153; then
      // the colour at 178: red (153 * 178 + 255 * 77) >> 8 = 183, others 106.
      {"texture, gradient and colour", 40, 30, 0, 0x0000FF, 0xFFB76A6A},
      // Gradient at 100 percent, no texture.
      {"gradient only", 0, 100, 0, 0x0000FF, 0xFFFFFFFF},
  };
  for (const auto& k : cases) {
    LayerFixture f(k.DrawMode);
    Canvas c(3, 3, Sentinel);
    TSectionLayers layers{k.I, k.G, k.Color, &white, 0};
    FillSectionLayers(c.Lines(), {0, 0, 3, 3}, layers, &f.Model);
    EXPECT_EQ(c.At(0, 0), k.Expected00) << k.Name;
    EXPECT_EQ(c.At(2, 2), c.At(0, 0)) << k.Name;  // tiled: (2, 2) is texture pixel a again
  }
}

TEST(SectionLayers, TextureModesCoveringPartOfTheRectangleLeaveTheRestToTheColour) {
  LayerFixture f(2);  // a row of tiles at the top
  Canvas c(3, 4, Sentinel);
  TSectionLayers layers{100, 0, 0x0000FF, nullptr, 0};
  FillSectionLayers(c.Lines(), {0, 0, 3, 4}, layers, &f.Model);
  EXPECT_EQ(c.At(1, 0), TexB);
  EXPECT_EQ(c.At(2, 1), TexC);
  EXPECT_EQ(c.At(0, 2), 0xFFFF0000u);
  EXPECT_EQ(c.At(2, 3), 0xFFFF0000u);
}

TEST(SectionLayers, GradientOverTextureAndTheMaskedOverlay) {
  // The first point's bit 0x20 paints the gradient over everything.
  auto m = OneSection(0x0000FF, 0);
  m.gd[0].Props[0].GradientArray = {Point(0x20, 0x00FF00, 0), Point(0, 0x00FF00, 100)};
  m.gd[0].Props[0].GradientPercent = 40;
  Canvas c(2, 2, Sentinel);
  PaintSectionBackground(&m, 0, {}, 0, KeyColor, -1, -1, c.Lines(), {}, {0, 0, 2, 2});
  EXPECT_EQ(c.At(1, 1), 0xFF00FF00u);

  // A masked texture with draw mode 10 is tiled over the background: a
  // black mask pixel shows the image, a white one keeps the background
  // ((0 * 1 + 255 * 255) >> 8 = 254 red).
  auto o = OneSection(0x0000FF, 0, 0x00FFFF, 0);
  auto bmp = painttest::FromRows({"ab", "kw"}, [](char ch) {
    return ch == 'a' ? TexA : ch == 'b' ? TexB : ch == 'k' ? 0xFF000000u : 0xFFFFFFFFu;
  });
  o.ma.push_back(MakeImage(bmp, {0, 0, 2, 2}, 1, 1, 10));
  o.gd[0].Props[0].TextureIndex = 0;
  Canvas d(2, 1, Sentinel);
  PaintSectionBackground(&o, 0, {}, 0, KeyColor, -1, -1, d.Lines(), {}, {0, 0, 2, 1});
  EXPECT_EQ(d.At(0, 0), TexA);
  EXPECT_EQ(d.At(1, 0), 0xFFFE0000u);
  // In the hot state only the first override names the overlay.
  Canvas e(2, 1, Sentinel);
  PaintSectionBackground(&o, 0, {}, 1, KeyColor, -1, -1, e.Lines(), {}, {0, 0, 2, 1});
  EXPECT_EQ(e.At(0, 0), 0xFFFFFF00u);  // state 1's colour: no overlay
  PaintSectionBackground(&o, 0, {}, 1, KeyColor, 0, -1, e.Lines(), {}, {0, 0, 2, 1});
  EXPECT_EQ(e.At(0, 0), TexA);
}

TEST(SectionBackground, HowAParentAnswersABackgroundRequest) {
  auto m = OneSection(0x000000, 0, 0x000000, 40, 0x000000, 100, 2);
  m.ma.push_back(MakeImage(std::make_shared<skin::Bitmap32>(9, 9), {0, 0, 9, 9}, 1, 0, 0, 1, 2, 3, 4));
  m.gd[0].BorderIndex = 0;
  struct Case {
    const char* Name;
    int State;
    bool Outer;
    int Transparency;
    bool Plain;
    TRect Strips;
  } const cases[] = {
      {"opaque: colour and the border strips", 0, false, 0, true, {1, 2, 3, 4}},
      {"outer effects need the picture", 0, true, 0, false, {}},
      {"half transparent", 1, false, 40, false, {}},
      {"state 2 of a two-state section is state 1", 2, false, 40, false, {}},
  };
  for (const auto& k : cases) {
    const TBackgroundPlan plan = PlanBackgroundAnswer(&m, 0, k.State, k.Outer);
    EXPECT_EQ(plan.Transparency, k.Transparency) << k.Name;
    EXPECT_EQ(plan.PlainColor, k.Plain) << k.Name;
    EXPECT_EQ(plan.FillRect, k.Strips) << k.Name;
  }
  m.ma[0].DrawMode = 2;  // a border not drawn in state 0 leaves no strips
  EXPECT_EQ(PlanBackgroundAnswer(&m, 0, 0, false).FillRect, TRect{});
  m.gd[0].Props[0].ImagePercent = 1;
  EXPECT_FALSE(PlanBackgroundAnswer(&m, 0, 0, false).PlainColor);
  m.gd[0].Props[0].ImagePercent = 0;
  m.gd[0].ImgTL = 0;
  EXPECT_FALSE(PlanBackgroundAnswer(&m, 0, 0, false).PlainColor);
}

}  // namespace

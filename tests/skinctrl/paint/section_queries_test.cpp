// Section queries of the shared control code: state records, background kinds and
// the see-through test behind the question for the section behind a point.
#include "skinctrl/paint/SectionQueries.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace skin;
using namespace skinctrl;

// A section at index 0 with a border image at index 0: one frame of 4 x 1 pixels
// with one mask band below, in an image of its own.
SkinModel ModelWithMaskedBorder(int states, int frames, std::uint32_t maskPixel) {
  SkinModel m;
  TsGeneralData& s = m.gd.emplace_back();
  s.ClassName = "TEST";
  s.States = states;
  for (TsGenState& p : s.Props) p.Transparency = 60;
  s.BorderIndex = 0;
  TsMaskData& b = m.ma.emplace_back();
  b.ImageCount = frames;
  b.MaskType = 1;
  b.DrawMode = 4;
  b.Width = 4;
  b.Height = 1;
  b.R = {0, 0, 4 * frames, 2};
  b.Bmp = std::make_shared<Bitmap32>(4 * frames, 2, 0xFF000000u);
  for (int f = 0; f < frames; ++f) b.Bmp->At(4 * f + 2, 1) = maskPixel;
  return m;
}

TEST(SectionQueries, AStateBeyondTheImageFramesReadsTheLastFrame) {
  // Three states, one frame: the hot and pressed states read frame 0's mask.
  const SkinModel see = ModelWithMaskedBorder(3, 1, 0xFF0000C8u);  // blue 200
  EXPECT_TRUE(SectionSeeThrough(see, 0, 1));
  EXPECT_TRUE(SectionSeeThrough(see, 0, 2));
  const SkinModel solid = ModelWithMaskedBorder(3, 1, 0xFF00FF10u);  // blue 16
  EXPECT_FALSE(SectionSeeThrough(solid, 0, 2));
}

TEST(SectionQueries, MaskFramesFollowTheState) {
  SkinModel m = ModelWithMaskedBorder(3, 3, 0xFF000000u);
  m.ma[0].Bmp->At(4 * 2 + 2, 1) = 0xFF0000FFu;  // only the pressed frame is see-through
  EXPECT_FALSE(SectionSeeThrough(m, 0, 1));
  EXPECT_TRUE(SectionSeeThrough(m, 0, 2));
  EXPECT_TRUE(SectionSeeThrough(m, 0, 7)) << "states above the section's last use its last";
}

TEST(SectionQueries, ASectionWithoutStatesUsesItsNormalRecord) {
  SkinModel m = ModelWithMaskedBorder(0, 1, 0xFF0000FFu);
  m.gd[0].Props[0].Transparency = 40;
  EXPECT_EQ(ClampSectionState(m.gd[0], 2), 0);
  EXPECT_EQ(&SectionState(m.gd[0], 2), &m.gd[0].Props[0]);
  EXPECT_FALSE(SectionSeeThrough(m, 0, 2));
}

TEST(SectionQueries, TransparencyAndDrawModeRules) {
  struct Case {
    int transparency, drawMode, maskType, state;
    bool hasBorder, expected;
  };
  const Case cases[] = {
      {50, 4, 1, 1, true, false},  // 50 or less: solid
      {51, 4, 1, 1, false, true},  // above 50 without a border image
      {60, 4, 1, 0, true, false},  // normal state drawn by mask only
      {60, 6, 1, 0, true, true},   // normal state: bit 2 as well
      {60, 0, 1, 0, true, true},   // normal state without mask drawing
      {60, 2, 1, 1, true, true},   // other states without mask drawing
      {60, 4, 0, 1, true, false},  // mask drawing without a mask band
  };
  for (const Case& c : cases) {
    SkinModel m = ModelWithMaskedBorder(3, 3, 0xFF0000FFu);
    for (TsGenState& p : m.gd[0].Props) p.Transparency = c.transparency;
    m.ma[0].DrawMode = c.drawMode;
    m.ma[0].MaskType = c.maskType;
    if (!c.hasBorder) m.gd[0].BorderIndex = -1;
    EXPECT_EQ(SectionSeeThrough(m, 0, c.state), c.expected)
        << "T " << c.transparency << " mode " << c.drawMode << " mask " << c.maskType << " state " << c.state;
  }
  EXPECT_FALSE(SectionSeeThrough(SkinModel{}, 0, 0));
}

TEST(SectionQueries, MasksOutsideTheirBitmapAreSolid) {
  SkinModel m = ModelWithMaskedBorder(3, 1, 0xFF0000FFu);
  m.ma[0].R = {100, 0, 104, 2};
  EXPECT_FALSE(SectionSeeThrough(m, 0, 1));
  m.ma[0].R = {-50, -9, -46, -7};
  EXPECT_FALSE(SectionSeeThrough(m, 0, 1));
}

TEST(SectionQueries, BackgroundTypes) {
  SkinModel m;
  TsGeneralData& s = m.gd.emplace_back();
  TsMaskData& texture = m.ma.emplace_back();
  EXPECT_EQ(BackgroundTypeOf(m, s), 0);

  s.Props[0].GradientPercent = 1;
  s.Props[0].GradientArray = {{0, 0, 0, 0}, {1, 0, 0, 100}};
  EXPECT_EQ(BackgroundTypeOf(m, s), 2);
  s.Props[0].GradientArray[0].Mode = 1;
  EXPECT_EQ(BackgroundTypeOf(m, s), 1);
  s.Props[0].GradientArray[0].Mode = 2;
  EXPECT_EQ(BackgroundTypeOf(m, s), 3);
  s.Props[0].GradientPercent = 0;
  EXPECT_EQ(BackgroundTypeOf(m, s), 0);
  s.Props[0].GradientArray[0].Mode = 0x20;  // gradient over the texture
  EXPECT_EQ(BackgroundTypeOf(m, s), 2);
  s.Props[0].GradientArray.clear();

  s.Props[0].ImagePercent = 1;
  s.Props[0].TextureIndex = 0;
  const std::pair<int, int> modes[] = {{0, 0xF0}, {1, 0xF4}, {2, 0x20}, {3, 0x10},  {4, 0x24},  {5, 0x14},  {6, 0x80},
                                       {7, 0x40}, {8, 0x84}, {9, 0x44}, {10, 0xF0}, {11, 0xA4}, {12, 0x54}, {13, 0}};
  for (auto [mode, bits] : modes) {
    texture.DrawMode = mode;
    EXPECT_EQ(BackgroundTypeOf(m, s), bits) << "texture mode " << mode;
  }
  s.Props[0].ImagePercent = 0;
  EXPECT_EQ(BackgroundTypeOf(m, s), 0);
  s.Props[0].ImagePercent = 50;
  s.Props[0].TextureIndex = 3;
  EXPECT_EQ(BackgroundTypeOf(m, s), 0) << "an invalid texture index";
}

}  // namespace

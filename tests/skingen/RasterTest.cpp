// The generator's integer anti-aliasing: coverage, mixing and key cut-outs.
#include "Raster.h"

#include <gtest/gtest.h>

namespace {

using namespace skingen;

TEST(Raster, PixelAlignedRectanglesCoverWholePixelsOnly) {
  const Shape r = RoundRect(2 * Sub, 1 * Sub, 5 * Sub, 3 * Sub, 0);
  EXPECT_EQ(Coverage(r, 2, 1), FullCoverage);
  EXPECT_EQ(Coverage(r, 4, 2), FullCoverage);
  EXPECT_EQ(Coverage(r, 1, 1), 0);
  EXPECT_EQ(Coverage(r, 5, 1), 0);
  EXPECT_EQ(Coverage(r, 2, 3), 0);
  // Half a pixel over the edge covers half the samples.
  EXPECT_EQ(Coverage(RoundRect(0, 0, Sub / 2, Sub, 0), 0, 0), FullCoverage / 2);
}

TEST(Raster, RoundedCornersAreSymmetricAndPartlyCovered) {
  const Shape r = RoundRect(0, 0, 10 * Sub, 10 * Sub, 4 * Sub);
  EXPECT_EQ(Coverage(r, 0, 0), 0);
  EXPECT_EQ(Coverage(r, 5, 5), FullCoverage);
  const int edge = Coverage(r, 1, 1);
  EXPECT_GT(edge, 0);
  EXPECT_LT(edge, FullCoverage);
  EXPECT_EQ(Coverage(r, 8, 1), edge);
  EXPECT_EQ(Coverage(r, 1, 8), edge);
  EXPECT_EQ(Coverage(r, 8, 8), edge);
}

TEST(Raster, SegmentsCoverTheirWidth) {
  const Shape s = Segment(0, 8, 10 * Sub, 8, Sub / 2);  // one pixel thick along row 0
  EXPECT_EQ(Coverage(s, 4, 0), FullCoverage);
  EXPECT_EQ(Coverage(s, 4, 1), 0);
  const Shape diagonal = Segment(0, 0, 8 * Sub, 8 * Sub, Sub / 2);
  EXPECT_EQ(Coverage(diagonal, 3, 3), Coverage(diagonal, 4, 4));
  EXPECT_EQ(Coverage(diagonal, 0, 7), 0);
}

TEST(Raster, MixingIsExactAtTheEndsAndRoundsInBetween) {
  EXPECT_EQ(Mix(0x102030, 0xFFFFFF, FullCoverage), 0x102030u);
  EXPECT_EQ(Mix(0x102030, 0xFFFFFF, 0), 0xFFFFFFu);
  EXPECT_EQ(Mix(0x000000, 0xFFFFFF, FullCoverage / 2), 0x808080u);
}

TEST(Raster, KeyOutsideKeepsEdgesOrCutsThemAtHalfCoverage) {
  Image soft(4, 4, 0x123456), hard(4, 4, 0x123456);
  const Shape half = RoundRect(0, 0, 4 * Sub, 2 * Sub + Sub / 4, 0);  // row 2 covered a quarter
  KeyOutside(soft, half, 0, 0, 4, 4, 1);
  KeyOutside(hard, half, 0, 0, 4, 4, FullCoverage / 2);
  EXPECT_EQ(soft.At(1, 2), 0x123456u);
  EXPECT_EQ(hard.At(1, 2), KeyColor);
  EXPECT_EQ(soft.At(1, 3), KeyColor);
  EXPECT_EQ(soft.At(1, 1), 0x123456u);
}

TEST(Raster, PaintBlendsByCoverageAndStaysInsideItsClip) {
  Image image(4, 1, 0xFFFFFF);
  image.Paint(RoundRect(0, 0, 4 * Sub, Sub, 0), 0x000000, 1, 0, 3, 1);
  EXPECT_EQ(image.At(0, 0), 0xFFFFFFu);
  EXPECT_EQ(image.At(1, 0), 0x000000u);
  EXPECT_EQ(image.At(3, 0), 0xFFFFFFu);
  image.Paint(RoundRect(0, 0, Sub / 2, Sub, 0), 0x000000);
  EXPECT_EQ(image.At(0, 0), 0x808080u);
}

}  // namespace

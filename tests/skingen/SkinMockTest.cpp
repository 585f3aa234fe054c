// Draws the main window from the committed skin into the build folder
// (skin-mock.png, skin-mock-inactive.png, skin-mock-200.png,
// skin-mock-states.png) and checks what the frame must look like.
#include "ImageFiles.h"
#include "SkinBuilder.h"
#include "SkinMock.h"
#include "SkinTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

void Save(const skingen::Image& image, const std::string& name) {
  const auto png = skingen::EncodePng(image);
  std::ofstream out(std::string(QUILLON_BINARY_DIR) + "/" + name, std::ios::binary);
  out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
  ASSERT_TRUE(out.good()) << name;
}

constexpr int Margin = 12;

TEST(SkinMock, ActiveWindowHasRoundedCornersABlueOutlineAndALightClient) {
  const auto skin = skintest::LoadStoredSkin(skintest::CommittedArchive());
  const skingen::Design& d = skingen::TheDesign;
  skintest::MockOptions options;
  options.buttonState = 3;
  options.closeHot = true;
  const skingen::Image image = skintest::DrawWindowMock(*skin, options);
  Save(image, "skin-mock.png");

  const int w = 206, h = 137;
  // The window region leaves the very corners to the desktop.
  for (const auto& [x, y] : {std::pair{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}})
    EXPECT_EQ(image.At(Margin + x, Margin + y), skintest::MockDesktop) << x << "," << y;
  // One-pixel outline in the accent colour down the sides, then the client colour.
  EXPECT_EQ(image.At(Margin, Margin + h / 2), d.outlineActive);
  EXPECT_EQ(image.At(Margin + w - 1, Margin + h / 2), d.outlineActive);
  EXPECT_EQ(image.At(Margin + 1, Margin + h / 2), d.client);
  EXPECT_EQ(image.At(Margin + w / 2, Margin + h - 1), d.outlineActive);
  EXPECT_EQ(image.At(Margin + w / 2, Margin + 30), d.client);
  // White title bar under the caption, separated from the client.
  EXPECT_EQ(image.At(Margin + w / 2, Margin + 8), d.title);
  EXPECT_EQ(image.At(Margin + w / 2, Margin + 21), d.titleSeparator);
  // The hot close button is red.
  EXPECT_EQ(image.At(Margin + w - 6 - 2, Margin + 10), d.closeHot);
}

TEST(SkinMock, InactiveWindowHasAGreyOutline) {
  const auto skin = skintest::LoadStoredSkin(skintest::CommittedArchive());
  skintest::MockOptions options;
  options.active = false;
  const skingen::Image image = skintest::DrawWindowMock(*skin, options);
  Save(image, "skin-mock-inactive.png");
  EXPECT_EQ(image.At(Margin, Margin + 60), skingen::TheDesign.outlineInactive);
}

TEST(SkinMock, DoubleScaleUsesTheScaledImages) {
  const auto skin = skintest::LoadStoredSkin(skintest::CommittedArchive(), skin::sm200);
  skintest::MockOptions options;
  options.scale = 2;
  const skingen::Image image = skintest::DrawWindowMock(*skin, options);
  Save(image, "skin-mock-200.png");
  // Two-pixel outline at 200 %.
  EXPECT_EQ(image.At(2 * Margin, 2 * Margin + 120), skingen::TheDesign.outlineActive);
  EXPECT_EQ(image.At(2 * Margin + 1, 2 * Margin + 120), skingen::TheDesign.outlineActive);
  EXPECT_EQ(image.At(2 * Margin + 2, 2 * Margin + 120), skingen::TheDesign.client);
}

TEST(SkinMock, EveryLookSideBySide) {
  const auto skin = skintest::LoadStoredSkin(skintest::CommittedArchive());
  const skingen::Image image = skintest::DrawStatesMock(*skin);
  Save(image, "skin-mock-states.png");
  const skingen::Design& d = skingen::TheDesign;
  // Normal, hot and pressed faces differ.
  EXPECT_EQ(image.At(8 + 8, 8 + 12), d.face);
  EXPECT_EQ(image.At(8 + 82 + 8, 8 + 12), d.faceHot);
  EXPECT_EQ(image.At(8 + 164 + 8, 8 + 12), d.accentTint);
  EXPECT_EQ(image.At(8 + 246 + 8, 8 + 12), d.face);
  EXPECT_EQ(image.At(8 + 246, 8 + 12), d.accent) << "the default button's border";
}

}  // namespace

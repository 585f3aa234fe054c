#include "skinctrl/paint/SectionQueries.h"

#include <algorithm>

namespace skinctrl {

using skin::Bitmap32;
using skin::SkinModel;
using skin::TsGeneralData;
using skin::TsGenState;
using skin::TsMaskData;

int ClampSectionState(const TsGeneralData& section, int state) noexcept {
  return std::clamp(state, 0, std::max(section.States - 1, 0));
}

const TsGenState& SectionState(const TsGeneralData& section, int state) noexcept {
  return section.Props[static_cast<std::size_t>(std::min(ClampSectionState(section, state), 2))];
}

namespace {

bool TextureModeIn(int mode, std::initializer_list<int> modes) {
  return std::find(modes.begin(), modes.end(), mode) != modes.end();
}

}  // namespace

std::uint16_t BackgroundTypeOf(const SkinModel& model, const TsGeneralData& section) {
  const TsGenState& normal = section.Props[0];
  std::uint16_t type = 0;
  const bool gradientOverTexture = !normal.GradientArray.empty() && (normal.GradientArray[0].Mode & 0x20);
  if ((normal.GradientPercent >= 1 || gradientOverTexture) && !normal.GradientArray.empty()) {
    switch (normal.GradientArray[0].Mode & 3) {
    case 0: type |= 2; break;
    case 1: type |= 1; break;
    case 2: type |= 3; break;
    default: break;
    }
  }
  if (normal.ImagePercent > 0 && model.IsValidImgIndex(normal.TextureIndex)) {
    const int mode = model.ma[static_cast<std::size_t>(normal.TextureIndex)].DrawMode;
    if (TextureModeIn(mode, {1, 4, 5, 8, 9, 11, 12})) type |= 0x04;
    if (TextureModeIn(mode, {0, 1, 3, 5, 10, 12})) type |= 0x10;
    if (TextureModeIn(mode, {0, 1, 7, 9, 10, 12})) type |= 0x40;
    if (TextureModeIn(mode, {0, 1, 2, 4, 10, 11})) type |= 0x20;
    if (TextureModeIn(mode, {0, 1, 6, 8, 10, 11})) type |= 0x80;
  }
  return type;
}

bool SectionSeeThrough(const SkinModel& model, int skinIndex, int state) {
  if (!model.IsValidSkinIndex(skinIndex)) return false;
  const TsGeneralData& section = model.gd[static_cast<std::size_t>(skinIndex)];
  const int a = ClampSectionState(section, state);
  const int transparency = SectionState(section, a).Transparency;
  if (transparency <= 50 || !model.IsValidImgIndex(section.BorderIndex)) return transparency > 50;

  const TsMaskData& border = model.ma[static_cast<std::size_t>(section.BorderIndex)];
  const bool maskDrawn = (border.DrawMode & 4) != 0;
  if (a == 0) return !(maskDrawn && !(border.DrawMode & 2));
  if (!maskDrawn) return true;
  if (border.MaskType == 0) return false;

  // The centre of the state's frame in the last (mask) band. An image with fewer
  // frames than the section has states uses its last frame; the centre row of an
  // odd-height band is its middle row, not the row below the image.
  const int frame = std::min(a, std::max(border.ImageCount, 1) - 1);
  const int x = border.R.Left + frame * border.Width + border.Width / 2;
  const int y = border.R.Bottom - border.Height + border.Height / 2;
  const Bitmap32* image = border.Bmp ? border.Bmp.get() : model.MasterBitmap.get();
  if (!image || x < 0 || y < 0 || x >= image->Width || y >= image->Height) return false;
  return (image->At(x, y) & 0xFF) >= 128;
}

}  // namespace skinctrl

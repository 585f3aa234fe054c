#include "skin/SkinModel.h"

#include "skin/SkinText.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace skin {

int ScaleIndexFromDpi(long dpi) {
  if (dpi >= 192) return 3;
  if (dpi >= 144) return 2;
  if (dpi >= 120) return 1;
  return 0;
}

int NearestScaleIndex(int dpi) {
  int best = 0;
  for (int i = 1; i < 4; ++i) {
    const int step = ScalePercents[static_cast<std::size_t>(i)] * 96 / 100;
    const int previous = ScalePercents[static_cast<std::size_t>(best)] * 96 / 100;
    if (std::abs(dpi - step) < std::abs(dpi - previous)) best = i;
  }
  return best;
}

TsGradArray ParseGradient(std::string_view text) {
  TsGradArray points;
  if (text.size() < 4) return points;
  const std::vector<std::string_view> words = SplitWords(text, ';', false);
  const char last = text.back();
  if (last == '0') {
    // Groups of five: colour, second colour, length, mode, reserved.
    const std::size_t n = words.size() / 5;
    int percent = 0;
    for (std::size_t k = 0; k < n; ++k) {
      TsGradPoint p;
      p.Index = static_cast<std::uint16_t>(k);
      p.Color = static_cast<std::uint32_t>(ToIntDef(words[5 * k], 0));
      p.Mode = static_cast<std::uint32_t>(ToIntDef(words[5 * k + 3], 0)) & ~0x10u;
      p.Percent = static_cast<std::uint8_t>(std::min(percent, 100));
      percent += std::clamp(ToIntDef(words[5 * k + 2], 0), 0, 100);
      points.push_back(p);
    }
    if (!points.empty() && (points[0].Mode & 3) == 2)
      while (points.size() < 5) points.push_back(points.back());
  } else {
    // A letter gives the number of points ("A" one, "B" two ...), each
    // written as colour, percent, mode. Anything else, or too few words,
    // gives no gradient.
    if (last < 'A' || last > 'Z') return points;
    const std::size_t n = static_cast<std::size_t>(last - 'A' + 1);
    if (words.size() < 3 * n) return points;
    for (std::size_t k = 0; k < n; ++k) {
      TsGradPoint p;
      p.Index = static_cast<std::uint16_t>(k);
      p.Color = static_cast<std::uint32_t>(ToIntDef(words[3 * k], 0));
      p.Percent = static_cast<std::uint8_t>(std::clamp(ToIntDef(words[3 * k + 1], 0), 0, 100));
      p.Mode = static_cast<std::uint32_t>(ToIntDef(words[3 * k + 2], 0));
      points.push_back(p);
    }
    for (const TsGradPoint& p : points)
      if (p.Mode & 0x10) points[0].Mode |= 0x20;
  }
  if (points.empty()) return points;
  for (TsGradPoint& p : points) p.Color |= 0xFF000000u;
  points.back().Percent = 100;
  return points;
}

int SkinModel::GetSkinIndex(std::string_view sectionName) const {
  if (sectionName.empty()) return -1;
  for (std::size_t i = 0; i < gd.size(); ++i)
    if (gd[i].ClassName == sectionName) return static_cast<int>(i);
  return -1;
}

int SkinModel::ParentIndex(int skinIndex) const {
  if (!IsValidSkinIndex(skinIndex)) return -1;
  const std::string& parent = gd[skinIndex].ParentClass;
  if (parent.empty() || parent == "?" || parent == gd[skinIndex].ClassName) return -1;
  return GetSkinIndex(parent);
}

namespace {

// Walks a section and its parents, each at most once (a cycle of parents ends
// the walk), until find returns an image index.
template <class Find, class Next>
int WalkParents(const SkinModel& m, int index, Find find, Next next) {
  std::vector<bool> seen(m.gd.size(), false);
  while (m.IsValidSkinIndex(index) && !seen[index]) {
    seen[index] = true;
    const int found = find(index);
    if (found >= 0) return found;
    index = next(index);
  }
  return -1;
}

}  // namespace

int SkinModel::GetMaskIndex(int skinIndex, std::string_view sectionName, std::string_view key) const {
  std::string_view name = sectionName;
  return WalkParents(
      *this, skinIndex,
      [&](int index) {
        for (std::size_t i = 0; i < ma.size(); ++i)
          if (ma[i].SkinIndex == index && ma[i].PropertyName == key) return static_cast<int>(i);
        return -1;
      },
      [&](int index) {
        const std::string& parent = gd[index].ParentClass;
        if (parent == name) return -1;
        name = parent;
        return GetSkinIndex(parent);
      });
}

int SkinModel::GetMaskIndex(std::string_view sectionName, std::string_view key) const {
  for (std::size_t i = 0; i < ma.size(); ++i)
    if (ma[i].ClassName == sectionName && ma[i].PropertyName == key) return static_cast<int>(i);
  return -1;
}

int SkinModel::GetMaskIndex(int skinIndex, std::string_view key) const {
  return WalkParents(
      *this, skinIndex,
      [&](int index) {
        for (std::size_t i = 0; i < ma.size(); ++i)
          if (ma[i].SkinIndex == index && ma[i].PropertyName == key) return static_cast<int>(i);
        return -1;
      },
      [&](int index) { return GetSkinIndex(gd[index].ParentClass); });
}

int SkinModel::GetTextureIndex(int skinIndex, std::string_view sectionName, std::string_view key) const {
  std::string_view name = sectionName;
  return WalkParents(
      *this, skinIndex,
      [&](int) {
        for (std::size_t i = 0; i < ma.size(); ++i)
          if (ma[i].ImgType == itisaTexture && ma[i].PropertyName == key && ma[i].ClassName == name)
            return static_cast<int>(i);
        return -1;
      },
      [&](int index) {
        const std::string& parent = gd[index].ParentClass;
        if (parent == name) return -1;
        name = parent;
        return GetSkinIndex(parent);
      });
}

int SkinModel::GetTextureIndex(int skinIndex, std::string_view key) const {
  return WalkParents(
      *this, skinIndex,
      [&](int index) {
        for (std::size_t i = 0; i < ma.size(); ++i)
          if (ma[i].ImgType == itisaTexture && ma[i].SkinIndex == index && ma[i].PropertyName == key)
            return static_cast<int>(i);
        return -1;
      },
      [&](int index) { return GetSkinIndex(gd[index].ParentClass); });
}

std::vector<std::string> SkinModel::GetSkinSections() const {
  std::vector<std::string> names;
  names.reserve(gd.size());
  for (const TsGeneralData& d : gd) names.push_back(d.ClassName);
  return names;
}

int SkinModel::MakeNewItem(int skinIndex, std::string_view key, int maskType, int drawMode, int imageCount,
                           const TRect& r, TacImgType imgType, std::string_view sectionName) {
  TsMaskData m;
  m.SkinIndex = skinIndex;
  m.PropertyName = key;
  m.ClassName = sectionName;
  // Counts are 16-bit fields of an image entry; the skin's text may say anything.
  m.MaskType = std::clamp(maskType, 0, MaxImageCount);
  m.DrawMode = drawMode;
  m.ImageCount = std::clamp(imageCount, 1, MaxImageCount);
  m.R = r;
  m.ImgType = imgType;
  m.Manager = Manager;
  m.Width = m.R.Width() / m.ImageCount;
  m.Height = m.R.Height() / (m.MaskType + 1);
  ma.push_back(std::move(m));
  return static_cast<int>(ma.size()) - 1;
}

int SkinModel::AddNewSection(std::string_view name, int parentIndex, TColor fontColor, TColor color,
                             int transparency, int states) {
  TsGeneralData d;
  if (IsValidSkinIndex(parentIndex)) {
    d = gd[parentIndex];  // the gradient arrays are vectors: this is a deep copy
  } else {
    for (TsGenState& s : d.Props) {
      s = TsGenState{};
      s.Transparency = transparency;
      s.Color = color;
      s.FontColor = TsFontColor{fontColor, -1, -1, -1, -1};
      s.GlowColor = 0;
      s.TextureIndex = -1;
    }
    d.States = std::max(states, 1);
    d.OuterMode = 0;
    d.OuterOpacity = 0;
    d.OuterOffset = TRect{};
    d.OuterBlur = 0;
    d.OuterRadius = 0;
    // A new record has no border image: what InitMaskIndexes would give it.
    d.ScrollBorderOffset = -2;
  }
  d.ClassName = name;
  d.ParentClass.clear();
  gd.push_back(std::move(d));
  return static_cast<int>(gd.size()) - 1;
}

int SkinModel::GetScale() const {
  if (DesignTime) return 0;
  switch (ScaleMode) {
    case sm100: return 0;
    case sm125: return 1;
    case sm150: return 2;
    case sm200: return 3;
    case smAuto: return std::clamp(SysFontScale, 0, 3);
    case smOldMode: return 0;
  }
  return 0;
}

namespace {

// Skin values can be any integer: a scaled one that leaves the int range stops at its end.
int Saturated(long long value) {
  return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

}  // namespace

int SkinModel::ScaleInt(int value, int sysScale) const {
  if (ScaleMode == smOldMode) return value;
  const int scale = GetScale();
  const long long v = value;
  if (Dpi > 0 && sysScale == 0) return Saturated(v * Dpi / 96);
  if (sysScale != 0) {
    if (sysScale < scale) return Saturated(v * ScalePercents[std::clamp(sysScale, 0, 3)] / 100);
    return value;
  }
  switch (scale) {
    case 1: return Saturated(v + v / 4);
    case 2: return Saturated(v + v / 2);
    case 3: return Saturated(v * 2);
    default: return value;
  }
}

}  // namespace skin

#include "skinctrl/paint/SectionPaint.h"

#include "skinctrl/paint/Gradient.h"
#include "skinctrl/paint/SectionQueries.h"
#include "skinctrl/paint/SkinImages.h"

#include <algorithm>

namespace skinctrl {

using skin::Bitmap32;
using skin::SkinModel;
using skin::TsGeneralData;
using skin::TsGenState;
using skin::TsMaskData;

namespace {

// The part of a bitmap under a rectangle that lies inside it.
ScanLines SubLines(const ScanLines& bmp, const TRect& r) noexcept {
  return {bmp.Row(r.Top) + r.Left, r.Width(), r.Height(), bmp.Stride};
}

const TsMaskData* ImageAt(const SkinModel* model, int index) noexcept {
  return model != nullptr && model->IsValidImgIndex(index) ? &model->ma[static_cast<std::size_t>(index)] : nullptr;
}

// Per colour channel (a * w + b * (255 - w)) >> 8 of two pixels, opaque.
inline std::uint32_t MixPixels(std::uint32_t a, std::uint32_t b, std::uint32_t w) noexcept {
  std::uint32_t out = 0xFF000000u;
  for (int shift = 0; shift < 24; shift += 8)
    out |= ((((a >> shift) & 0xFF) * w + ((b >> shift) & 0xFF) * (255 - w)) >> 8) << shift;
  return out;
}

// The parent background under the rectangle: a copy from the parent's
// bitmap when it is finished, else its colour.
void PutParentBackground(const ScanLines& bmp, const TRect& rect, const TCacheInfo& ci, TPoint offset) {
  if (ci.Ready && !ci.Bmp.Empty()) {
    if (!bmp.SameBitmap(ci.Bmp))
      CopyRect(bmp, rect, ci.Bmp, {rect.Left + ci.X + offset.X, rect.Top + ci.Y + offset.Y});
  } else {
    FillRectAlpha(bmp, rect, ci.FillColor, 255);
  }
}

// A fully transparent section over a parent that answered with a colour:
// the colour, and the parent's border strips where the rectangle lies over
// them.
void PutParentColorAndStrips(const ScanLines& bmp, const TRect& rect, const TCacheInfo& ci, TPoint offset) {
  FillRectAlpha(bmp, rect, ci.FillColor, 255);
  if (ci.Bmp.Empty()) return;
  const TRect p{rect.Left + offset.X, rect.Top + offset.Y, rect.Right + offset.X, rect.Bottom + offset.Y};
  const TRect& f = ci.FillRect;
  const int bw = ci.Bmp.Width, bh = ci.Bmp.Height;
  const TPoint source{rect.Left + ci.X + offset.X, rect.Top + ci.Y + offset.Y};
  // Each strip takes the parent's pixels at the same place as the fill.
  auto copy = [&](TRect strip) {
    strip = {std::max(strip.Left, rect.Left), std::max(strip.Top, rect.Top), std::min(strip.Right, rect.Right),
             std::min(strip.Bottom, rect.Bottom)};
    if (!strip.IsEmpty())
      CopyRect(bmp, strip, ci.Bmp, {source.X + strip.Left - rect.Left, source.Y + strip.Top - rect.Top});
  };
  if (f.Left > ci.X && p.Left < f.Left) copy({rect.Left, rect.Top, rect.Left + f.Left - p.Left, rect.Bottom});
  if (f.Top > ci.Y && p.Top < f.Top) copy({rect.Left, rect.Top, rect.Right, rect.Top + f.Top - p.Top});
  // A control that reaches the parent's right (bottom) edge lies over the
  // whole strip there as well.
  if (f.Right > 0 && bw - f.Right < p.Right)
    copy({rect.Right - (std::min(p.Right, bw) + f.Right - bw), rect.Top, rect.Right, rect.Bottom});
  if (f.Bottom > 0 && bh - f.Bottom < p.Bottom)
    copy({rect.Left, rect.Bottom - (std::min(p.Bottom, bh) + f.Bottom - bh), rect.Right, rect.Bottom});
}

}  // namespace

void FillSectionLayers(const ScanLines& bmp, TRect rect, const TSectionLayers& layers, const SkinModel* model) {
  rect = ClipToBitmap(rect, bmp);
  if (bmp.Empty() || rect.IsEmpty()) return;
  const int i = std::clamp(layers.ImagePercent, 0, 100), g = std::clamp(layers.GradientPercent, 0, 100);
  const TsMaskData* texture = ImageAt(model, layers.TextureIndex);
  const skin::TsGradArray none;
  const skin::TsGradArray& points = layers.Gradient ? *layers.Gradient : none;
  const int kind = GradientKind(points);
  const TRect inclusive{rect.Left, rect.Top, rect.Right - 1, rect.Bottom - 1};

  // Gradient and tiled texture in one pass.
  if (i + g == 100 && g >= 1 && g <= 99 && texture != nullptr && texture->DrawMode == 0 && (kind == 0 || kind == 1)) {
    PaintGradient(bmp, rect, points);
    Bitmap32 tiles(rect.Width(), rect.Height());
    const ScanLines t = LinesOf(tiles);
    DrawTexture(t, {0, 0, t.Width, t.Height}, model, *texture, 0);
    const auto w = static_cast<std::uint32_t>(PercentToWeight(i));
    for (int y = rect.Top; y < rect.Bottom; ++y) {
      std::uint32_t* d = bmp.Row(y) + rect.Left;
      const std::uint32_t* s = t.Row(y - rect.Top);
      for (int x = 0; x < t.Width; ++x) d[x] = MixPixels(s[x], d[x], w);
    }
    return;
  }

  bool textured = false;
  if (i > 0 && texture != nullptr) {
    const TRect rest = DrawTexture(bmp, rect, model, *texture, texture->DrawMode);
    FillRectAlpha(bmp, rest, layers.Color, 255);
    textured = true;
  }
  if (g > 0) {
    if (textured) {
      Bitmap32 layer(rect.Width(), rect.Height());
      const ScanLines l = LinesOf(layer);
      if (!PaintGradient(l, {0, 0, l.Width, l.Height}, points))
        FillRectAlpha(l, {0, 0, l.Width, l.Height}, layers.Color, 255);
      BlendBitmapRect(bmp, l, std::clamp(PercentToWeight(i), 0, 255), {rect.Left, rect.Top},
                      {0, 0, l.Width - 1, l.Height - 1});
    } else if (!PaintGradient(bmp, rect, points)) {
      FillRectAlpha(bmp, rect, layers.Color, 255);
    }
  }
  if (g + i >= 1 && g + i <= 99) BlendColorRect(bmp, inclusive, PercentToWeight(g + i), layers.Color);
  if (g + i == 0) FillRectAlpha(bmp, rect, layers.Color, 255);
}

void PaintSectionBackground(const SkinModel* model, int skinIndex, const TCacheInfo& ci, int state,
                            TColor customColor, int tex1, int tex2, const ScanLines& bmp, TPoint offset, TRect rect) {
  if (model == nullptr || !model->IsValidSkinIndex(skinIndex) || bmp.Empty()) return;
  rect = ClipToBitmap(rect, bmp);
  if (rect.IsEmpty()) return;
  const TsGeneralData& section = model->gd[static_cast<std::size_t>(skinIndex)];
  const int s = std::min(ClampSectionState(section, state), 2);
  const TsGenState& st = section.Props[static_cast<std::size_t>(s)];

  TSectionLayers layers;
  int t = 0;
  bool gradientOverTexture = false;
  if (customColor == KeyColor) {
    layers.Color = st.Color;
    t = std::clamp(st.Transparency, 0, 100);
    gradientOverTexture = !st.GradientArray.empty() && (st.GradientArray[0].Mode & gmOverTexture) != 0;
    if (t < 100) {
      layers.ImagePercent = std::clamp(st.ImagePercent, 0, 100);
      layers.GradientPercent = gradientOverTexture ? 0 : std::clamp(st.GradientPercent, 0, 100);
      layers.TextureIndex = tex2 != -1 ? tex2 : (layers.ImagePercent > 0 ? st.TextureIndex : -1);
      if (layers.GradientPercent > 0 || gradientOverTexture) layers.Gradient = &st.GradientArray;
    }
  } else {
    layers.Color = customColor;
  }

  const int gi = layers.GradientPercent + layers.ImagePercent;
  if (ci.Ready || ci.FillColor != KeyColor) {
    if (t == 0) {
      FillSectionLayers(bmp, rect, layers, model);
    } else if (t == 100) {
      if (ci.Ready && !ci.Bmp.Empty())
        PutParentBackground(bmp, rect, ci, offset);
      else
        PutParentColorAndStrips(bmp, rect, ci, offset);
    } else if (ci.Ready || gi > 0) {
      Bitmap32 layer(rect.Width(), rect.Height());
      const ScanLines l = LinesOf(layer);
      FillSectionLayers(l, {0, 0, l.Width, l.Height}, layers, model);
      PutParentBackground(bmp, rect, ci, offset);
      BlendBitmapRect(bmp, l, PercentToWeight(t), {rect.Left, rect.Top}, {0, 0, l.Width - 1, l.Height - 1});
    } else {
      FillRectAlpha(bmp, rect, MixColors(ci.FillColor, layers.Color, PercentToWeight(t)), 255);
    }
  } else {
    FillSectionLayers(bmp, rect, layers, model);
  }

  if (gradientOverTexture) PaintGradient(bmp, rect, st.GradientArray);

  // A masked texture tiled over everything (texture mode 10).
  const int overlay = s == 0 ? (tex2 != -1 ? tex2 : st.TextureIndex) : tex1;
  const TsMaskData* image = ImageAt(model, overlay);
  if (image != nullptr && image->MaskType > 0 && image->DrawMode == 10)
    DrawTexture(bmp, rect, model, *image, 10);
}

namespace {

void PutCornerImages(const SkinModel* model, const TsGeneralData& section, const ScanLines& bmp, const TRect& rect,
                     int state) {
  const TCacheInfo self = CacheInfoOfBitmap(bmp, 0, 0);
  const struct {
    int Index;
    bool Right, Bottom;
  } corners[] = {{section.ImgTL, false, false}, {section.ImgTR, true, false}, {section.ImgBL, false, true},
                 {section.ImgBR, true, true}};
  for (const auto& c : corners) {
    const TsMaskData* image = ImageAt(model, c.Index);
    if (image == nullptr) continue;
    const TPoint at{c.Right ? rect.Right - image->Width : rect.Left, c.Bottom ? rect.Bottom - image->Height : rect.Top};
    PutSkinImage(bmp, at, state, self, model, *image, true);
  }
}

// The border image when the state shows one; true when it was drawn.
bool PutBorder(const SkinModel* model, const TsGeneralData& section, TCacheInfo ci, TPoint offset,
               bool updateCorners, const ScanLines& bmp, const TRect& rect, int state) {
  const TsMaskData* border = ImageAt(model, section.BorderIndex);
  if (border == nullptr || (state == 0 && (border->DrawMode & dmNotInNormal) != 0)) return false;
  ci.X += offset.X;
  ci.Y += offset.Y;
  DrawBorderImage(bmp, rect, ci, updateCorners, state, model, *border);
  return true;
}

}  // namespace

void PaintSkinControl(const SkinModel* model, const TControlLook& look, const TCacheInfo& ci, int tex1, int tex2,
                      bool updateCorners, const ScanLines& bmp, TPoint offset, TRect rect, int state) {
  if (model == nullptr || bmp.Empty() || !model->IsValidSkinIndex(look.SkinIndex)) return;
  rect = ClipToBitmap(rect, bmp);
  if (rect.IsEmpty()) return;
  const TsGeneralData& section = model->gd[static_cast<std::size_t>(look.SkinIndex)];
  state = ClampSectionState(section, state);
  PaintSectionBackground(model, look.SkinIndex, ci, state, look.CustomColor, tex1, tex2, bmp, offset, rect);
  PutCornerImages(model, section, bmp, rect, state);
  const bool bordered = PutBorder(model, section, ci, offset, updateCorners, bmp, rect, state);
  if (!bordered && SectionState(section, state).Transparency != 0) return;
  const ScanLines area = SubLines(bmp, rect);
  if (look.ColorTone != NoColor) TransformPixels(area, TonePixel, look.ColorTone, KeyColor);
  if (look.HUEOffset != 0) TransformPixels(area, HuePixel, look.HUEOffset, KeyColor);
  if (look.Saturation != 0) TransformPixels(area, SaturationPixel, SaturationWeight(look.Saturation), KeyColor);
}

void PaintSkinSection(const SkinModel* model, int skinIndex, const TCacheInfo& ci, int tex1, int tex2,
                      const ScanLines& bmp, TPoint offset, TRect rect, int state) {
  if (model == nullptr || bmp.Empty() || !model->IsValidSkinIndex(skinIndex)) return;
  rect = ClipToBitmap(rect, bmp);
  if (rect.IsEmpty()) return;
  const TsGeneralData& section = model->gd[static_cast<std::size_t>(skinIndex)];
  state = ClampSectionState(section, state);
  PaintSectionBackground(model, skinIndex, ci, state, KeyColor, tex1, tex2, bmp, offset, rect);
  PutCornerImages(model, section, bmp, rect, state);
  PutBorder(model, section, ci, offset, true, bmp, rect, state);
}

void PaintSkinLayersOnParent(const SkinModel* model, const TControlLook& look, TCacheInfo ci, int tex1, int tex2,
                             bool updateCorners, const ScanLines& bmp, TPoint offset, TRect rect, int state) {
  if (model == nullptr || bmp.Empty() || !model->IsValidSkinIndex(look.SkinIndex)) return;
  rect = ClipToBitmap(rect, bmp);
  if (rect.IsEmpty()) return;
  const TsGeneralData& section = model->gd[static_cast<std::size_t>(look.SkinIndex)];
  state = ClampSectionState(section, state);
  PaintSectionBackground(model, look.SkinIndex, ci, state, look.CustomColor, tex1, tex2, bmp, offset, rect);
  PutBorder(model, section, ci, offset, updateCorners, bmp, rect, state);
  PutCornerImages(model, section, bmp, rect, state);
}

TBackgroundPlan PlanBackgroundAnswer(const SkinModel* model, int skinIndex, int state, bool outerEffects) {
  TBackgroundPlan plan;
  if (model == nullptr || !model->IsValidSkinIndex(skinIndex)) return plan;
  const TsGeneralData& section = model->gd[static_cast<std::size_t>(skinIndex)];
  const TsGenState& st = SectionState(section, state);
  plan.Transparency = std::clamp(st.Transparency, 0, 100);
  const bool corners = ImageAt(model, section.ImgTL) || ImageAt(model, section.ImgTR) ||
                       ImageAt(model, section.ImgBL) || ImageAt(model, section.ImgBR);
  plan.PlainColor =
      plan.Transparency == 0 && st.GradientPercent < 1 && st.ImagePercent < 1 && !corners && !outerEffects;
  if (const TsMaskData* border = ImageAt(model, section.BorderIndex);
      plan.PlainColor && border != nullptr && (border->DrawMode & dmNotInNormal) == 0)
    plan.FillRect = {border->WL, border->WT, border->WR, border->WB};
  return plan;
}

void PaintDisabled(const ScanLines& bmp, int disabledKind, TPoint position, const TCacheInfo& ci,
                   TColor parentColor) {
  if (bmp.Empty()) return;
  if ((disabledKind & dkGrayed) != 0) {
    if (DisabledSaturation == -100)
      TransformPixels(bmp, GrayPixel, 0, KeyColor);
    else
      TransformPixels(bmp, SaturationPixel, DisabledSaturation * 255 / 100, KeyColor);
  }
  if ((disabledKind & dkBlended) == 0) return;
  const auto w = static_cast<std::uint32_t>(std::clamp(DisabledBlendWeight, 0, 255));
  if (ci.Ready && !ci.Bmp.Empty()) {
    const long long dx = static_cast<long long>(ci.X) + position.X, dy = static_cast<long long>(ci.Y) + position.Y;
    for (int y = 0; y < bmp.Height; ++y) {
      const long long py = y + dy;
      if (py < 0 || py >= ci.Bmp.Height) continue;
      std::uint32_t* row = bmp.Row(y);
      const std::uint32_t* parent = ci.Bmp.Row(static_cast<int>(py));
      for (int x = 0; x < bmp.Width; ++x) {
        const long long px = x + dx;
        if (px < 0 || px >= ci.Bmp.Width || IsKeyPixel(row[x])) continue;
        row[x] = (MixPixels(row[x], parent[px], w) & 0xFFFFFF) | (row[x] & 0xFF000000u);
      }
    }
  } else {
    BlendColorRect(bmp, {0, 0, bmp.Width - 1, bmp.Height - 1}, static_cast<int>(w),
                   ci.FillColor != KeyColor ? ci.FillColor : parentColor);
  }
}

}  // namespace skinctrl

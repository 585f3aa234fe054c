// Bytes → a hostile skin (sizes, margins, frame counts, draw modes, gradient
// points, transparencies) → every portable painting entry point, into small
// bitmaps at hostile rectangles and offsets, glow pictures and outer effects included.
// Numbers reach the whole range the loader gives them (window coordinates the
// 16-bit range of a window, glow sizes the whole int range).
#include "skinctrl/paint/Gradient.h"
#include "skinctrl/paint/SectionPaint.h"
#include "skinctrl/paint/SkinImages.h"
#include "skinctrl/paint/SkinTextPaint.h"
#include "skin/SkinLimits.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <memory>

namespace {

using namespace skinctrl;

// A number in [lo, hi]: mostly near the small bitmaps painted into, often one
// of the range's ends, sometimes anywhere in it.
int AnyIn(FuzzedDataProvider& in, int lo, int hi, int near) {
  switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0: return in.ConsumeBool() ? lo : hi;
    case 1: return in.ConsumeIntegralInRange(lo, hi);
    default: return in.ConsumeIntegralInRange(std::max(lo, -near), std::min(hi, near));
  }
}

// Rectangles of window coordinates: a window lies within 16-bit coordinates.
constexpr int WindowCoord = 32767;
int AnyCoord(FuzzedDataProvider& in, int near) { return AnyIn(in, -WindowCoord, WindowCoord, near); }

TRect AnyRect(FuzzedDataProvider& in, int near) {
  return {AnyCoord(in, near), AnyCoord(in, near), AnyCoord(in, near), AnyCoord(in, near)};
}

// An image's rectangle as the loader reads it: fixed four-digit fields, or a
// whole image of up to the largest side.
TRect AnyImageRect(FuzzedDataProvider& in) {
  auto v = [&] { return AnyIn(in, -999, skin::MaxBitmapSide, 60); };
  return {v(), v(), v(), v()};
}

std::shared_ptr<skin::Bitmap32> AnyBitmap(FuzzedDataProvider& in) {
  const int w = in.ConsumeIntegralInRange(0, 40), h = in.ConsumeIntegralInRange(0, 40);
  auto bmp = std::make_shared<skin::Bitmap32>(w, h);
  // A few pixel values spread over the bitmap; key-coloured ones likely.
  const std::uint32_t values[4] = {0xFFFF00FF, in.ConsumeIntegral<std::uint32_t>(), 0x00FF00FF,
                                   in.ConsumeIntegral<std::uint32_t>()};
  const std::uint8_t seed = in.ConsumeIntegral<std::uint8_t>();
  for (std::size_t i = 0; i < bmp->Pixels.size(); ++i) bmp->Pixels[i] = values[(i * 7 + seed + i / 5) % 4];
  return bmp;
}

skin::TsMaskData AnyImage(FuzzedDataProvider& in, const std::shared_ptr<skin::Bitmap32>& own) {
  skin::TsMaskData m;
  if (in.ConsumeBool()) m.Bmp = own;
  m.R = AnyImageRect(in);
  m.ImageCount = AnyIn(in, -2, skin::MaxImageCount, 6);
  m.MaskType = AnyIn(in, -1, skin::MaxImageCount, 2);
  m.DrawMode = in.ConsumeIntegralInRange(0, 15);
  auto margin = [&] { return AnyIn(in, -skin::MaxImageMargin, skin::MaxImageMargin, 40); };
  m.WL = margin();
  m.WT = margin();
  m.WR = margin();
  m.WB = margin();
  m.CornerType = in.ConsumeIntegralInRange(0, 2);
  if (in.ConsumeBool()) {
    // Sized as the loader sizes them...
    m.Width = m.ImageCount > 0 ? m.R.Width() / m.ImageCount : 0;
    m.Height = m.R.Height() / (m.MaskType > 0 ? m.MaskType + 1 : 1);
  } else {
    // ...or claiming anything.
    m.Width = AnyIn(in, -5, skin::MaxBitmapSide, 80);
    m.Height = AnyIn(in, -5, skin::MaxBitmapSide, 80);
  }
  return m;
}

skin::TsGradArray AnyGradient(FuzzedDataProvider& in) {
  skin::TsGradArray points(in.ConsumeIntegralInRange(0, 7));
  for (auto& p : points) {
    p.Mode = in.ConsumeIntegral<std::uint8_t>();
    p.Color = in.ConsumeIntegral<std::uint32_t>();
    p.Percent = in.ConsumeIntegral<std::uint8_t>();
  }
  return points;
}

skin::TsGeneralData AnySection(FuzzedDataProvider& in, int images) {
  skin::TsGeneralData s;
  s.States = in.ConsumeIntegralInRange(-1, 5);
  auto index = [&] { return in.ConsumeIntegralInRange(-2, images + 1); };
  for (auto& st : s.Props) {
    st.Transparency = in.ConsumeIntegralInRange(-10, 110);
    st.ImagePercent = in.ConsumeIntegralInRange(-10, 110);
    st.GradientPercent = in.ConsumeIntegralInRange(-10, 110);
    st.TextureIndex = index();
    st.Color = in.ConsumeIntegral<std::int32_t>();
    st.GradientArray = AnyGradient(in);
  }
  s.BorderIndex = index();
  s.ImgTL = index();
  s.ImgTR = index();
  s.ImgBL = index();
  s.ImgBR = index();
  return s;
}

TCacheInfo AnyInfo(FuzzedDataProvider& in, const ScanLines& parent, const ScanLines& target) {
  TCacheInfo ci;
  const int kind = in.ConsumeIntegralInRange(0, 3);
  if (kind == 1) ci.Bmp = parent;
  if (kind == 2) ci.Bmp = target;  // the background is the target itself
  ci.X = AnyCoord(in, 100);
  ci.Y = AnyCoord(in, 100);
  ci.FillColor = in.ConsumeBool() ? KeyColor : in.ConsumeIntegral<std::int32_t>();
  ci.FillRect = AnyRect(in, 50);
  ci.Ready = in.ConsumeBool();
  return ci;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  skin::SkinModel model;
  model.MasterBitmap = AnyBitmap(in);
  const auto own = AnyBitmap(in);
  const int images = in.ConsumeIntegralInRange(0, 4);
  for (int i = 0; i < images; ++i) model.ma.push_back(AnyImage(in, own));
  const int sections = in.ConsumeIntegralInRange(1, 3);
  for (int i = 0; i < sections; ++i) model.gd.push_back(AnySection(in, images));

  skin::Bitmap32 targetBmp(in.ConsumeIntegralInRange(0, 48), in.ConsumeIntegralInRange(0, 48), 0xFF808080u);
  skin::Bitmap32 parentBmp(in.ConsumeIntegralInRange(0, 64), in.ConsumeIntegralInRange(0, 64), 0xFF204060u);
  const ScanLines target = LinesOf(targetBmp), parent = LinesOf(parentBmp);

  TControlLook look;
  look.SkinIndex = in.ConsumeIntegralInRange(-1, sections);
  look.CustomColor = in.ConsumeBool() ? KeyColor : in.ConsumeIntegral<std::int32_t>();
  look.ColorTone = in.ConsumeBool() ? NoColor : in.ConsumeIntegral<std::int32_t>();
  look.HUEOffset = in.ConsumeIntegralInRange(-720, 720);
  look.Saturation = in.ConsumeIntegralInRange(-300, 300);

  while (in.remaining_bytes() > 0) {
    const TCacheInfo ci = AnyInfo(in, parent, target);
    const TRect rect = AnyRect(in, 80);
    const TPoint offset{AnyCoord(in, 80), AnyCoord(in, 80)};
    const int state = in.ConsumeIntegralInRange(-2, 6);
    const int tex1 = in.ConsumeIntegralInRange(-2, images), tex2 = in.ConsumeIntegralInRange(-2, images);
    const int image = in.ConsumeIntegralInRange(0, images);
    const skin::TsMaskData* md = image < images ? &model.ma[static_cast<std::size_t>(image)] : nullptr;
    switch (in.ConsumeIntegralInRange(0, 16)) {
    case 0: PaintSkinControl(&model, look, ci, tex1, tex2, in.ConsumeBool(), target, offset, rect, state); break;
    case 1: PaintSkinSection(&model, look.SkinIndex, ci, tex1, tex2, target, offset, rect, state); break;
    case 2: PaintSkinLayersOnParent(&model, look, ci, tex1, tex2, in.ConsumeBool(), target, offset, rect, state); break;
    case 3:
      PaintSectionBackground(&model, look.SkinIndex, ci, state, look.CustomColor, tex1, tex2, target, offset, rect);
      break;
    case 4:
      if (md) DrawBorderImage(target, rect, ci, in.ConsumeBool(), state, &model, *md);
      break;
    case 5:
      if (md) PutSkinImage(target, offset, state, ci, &model, *md, in.ConsumeBool());
      break;
    case 6:
      if (md) DrawTexture(target, rect, &model, *md, in.ConsumeIntegralInRange(-1, 14));
      break;
    case 7: PaintGradient(target, rect, AnyGradient(in), in.ConsumeIntegralInRange(-200, 200)); break;
    case 8: RestoreCorners(target, &model, look.SkinIndex, state, ci, in.ConsumeIntegralInRange(0, 15)); break;
    case 9: PaintDisabled(target, in.ConsumeIntegralInRange(0, 3), offset, ci, in.ConsumeIntegral<std::int32_t>()); break;
    case 10: {
      const auto points = AnyGradient(in);
      TSectionLayers layers{in.ConsumeIntegralInRange(-10, 110), in.ConsumeIntegralInRange(-10, 110),
                            in.ConsumeIntegral<std::int32_t>(), &points, tex2};
      FillSectionLayers(target, rect, layers, &model);
      break;
    }
    case 11: BlendBitmapRect(target, parent, in.ConsumeIntegralInRange(-10, 300), offset, rect); break;
    case 12: BlendColorRect(target, rect, in.ConsumeIntegralInRange(-10, 300), in.ConsumeIntegral<std::int32_t>()); break;
    case 13: {
      Mask8 text(in.ConsumeIntegralInRange(0, 12), in.ConsumeIntegralInRange(0, 12));
      if (!text.Pixels.empty()) text.Pixels[text.Pixels.size() / 2] = 0;
      Mask8 glow;
      BuildGlowMask(text, AnyIn(in, INT_MIN, INT_MAX, 12), in.ConsumeIntegralInRange(0, 15), glow);
      if (glow.Width > text.Width + 2 * (skin::MaxGlowSize + 4)) std::abort();
      ApplyGlowMask(target, glow, offset, in.ConsumeIntegral<std::int32_t>());
      PutTextMask(target, text, {rect.Left, rect.Top}, in.ConsumeIntegral<std::int32_t>());
      break;
    }
    case 14: {
      const TBackgroundPlan plan = PlanBackgroundAnswer(&model, look.SkinIndex, state, in.ConsumeBool());
      if (plan.Transparency < 0 || plan.Transparency > 100) std::abort();
      break;
    }
    case 15:
      if (md) {
        const int w = in.ConsumeIntegralInRange(-2, 100), h = in.ConsumeIntegralInRange(-2, 100);
        const skin::Bitmap32 picture = MakeGlowPicture(&model, *md, w, h);
        if (!picture.Empty() && (picture.Width != w || picture.Height != h)) std::abort();
      }
      break;
    case 16:
      if (md) DrawOuterImage(target, rect, &model, *md, in.ConsumeIntegralInRange(-10, 300));
      break;
    }
  }
  return 0;
}

#include "skinctrl/paint/SkinImages.h"

#include "skinctrl/paint/PixelMath.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>

namespace skinctrl {

using skin::Bitmap32;
using skin::SkinModel;
using skin::TsMaskData;

namespace {

// One state frame of an image: where it lies in its bitmap, checked against
// the bitmap's size so that no record can make us read outside it.
struct Frame {
  const Bitmap32* Bmp = nullptr;
  int X = 0, Y = 0;    // top-left of the frame
  int Width = 0, Height = 0;
  int MaskOffset = 0;  // rows from a pixel to its mask pixel; 0 without a mask
};

std::optional<Frame> FrameOf(const SkinModel& model, const TsMaskData& image, int state) {
  const Bitmap32* bmp = image.Bmp ? image.Bmp.get() : model.MasterBitmap.get();
  if (bmp == nullptr || bmp->Empty() || image.Width <= 0 || image.Height <= 0) return std::nullopt;
  // The frame index is bounded by the image's own frame count, never below 0.
  const int index = std::clamp(state, 0, std::max(image.ImageCount, 1) - 1);
  const long long x = static_cast<long long>(image.R.Left) + static_cast<long long>(index) * image.Width;
  const long long y = image.R.Top;
  const int bands = image.MaskType > 0 ? 2 : 1;
  if (x < 0 || y < 0 || x + image.Width > bmp->Width ||
      y + static_cast<long long>(image.Height) * bands > bmp->Height)
    return std::nullopt;
  return Frame{bmp, static_cast<int>(x), static_cast<int>(y), image.Width, image.Height,
               image.MaskType > 0 ? image.Height : 0};
}

// Maps a destination coordinate to a source one along one axis: tiled from
// `origin` (whole copies, the last one clipped) or stretched over the
// destination span by dropping or repeating lines (colour-on-colour).
struct AxisMap {
  int DstStart, DstLength, SrcStart, SrcLength, Origin;
  bool Stretch;
  int operator()(int d) const noexcept {
    if (Stretch)
      return SrcStart + static_cast<int>(static_cast<long long>(d - DstStart) * SrcLength / DstLength);
    const int phase = (d - Origin) % SrcLength;
    return SrcStart + (phase < 0 ? phase + SrcLength : phase);
  }
};

// Calls op(target pixel, source x, source y) for every pixel of dst inside
// both the clip rectangle and the target. src is relative to the bitmap.
template <typename Op>
void ForEachPixel(const ScanLines& target, const TRect& dst, const TRect& clip, const TRect& src, bool stretchX,
                  bool stretchY, TPoint origin, Op&& op) {
  if (dst.IsEmpty() || src.IsEmpty()) return;
  TRect area{std::max({dst.Left, clip.Left, 0}), std::max({dst.Top, clip.Top, 0}),
             std::min({dst.Right, clip.Right, target.Width}), std::min({dst.Bottom, clip.Bottom, target.Height})};
  if (area.IsEmpty()) return;
  const AxisMap mx{dst.Left, dst.Width(), src.Left, src.Width(), origin.X, stretchX};
  const AxisMap my{dst.Top, dst.Height(), src.Top, src.Height(), origin.Y, stretchY};
  for (int y = area.Top; y < area.Bottom; ++y) {
    std::uint32_t* row = target.Row(y);
    const int sy = my(y);
    for (int x = area.Left; x < area.Right; ++x) op(row[x], mx(x), sy, x, y);
  }
}

// Per colour channel d = (s * (256 - m) + d * m) >> 8 with m the mask's
// channel (white keeps the background, black shows the image); alpha 255.
inline std::uint32_t MaskMix(std::uint32_t s, std::uint32_t m, std::uint32_t d) noexcept {
  std::uint32_t out = 0xFF000000u;
  for (int shift = 0; shift < 24; shift += 8) {
    const std::uint32_t mc = (m >> shift) & 0xFF;
    out |= ((((s >> shift) & 0xFF) * (256 - mc) + ((d >> shift) & 0xFF) * mc) >> 8) << shift;
  }
  return out;
}

// What happens to a key-coloured pixel that must show the background.
class KeyBackground {
public:
  // updateCorners off: key pixels keep the target.
  KeyBackground(const ScanLines& target, const TCacheInfo& ci, bool update) : ci_(ci) {
    if (!update) return;
    if (ci.Ready && !ci.Bmp.Empty()) {
      mode_ = Mode::Parent;
      targetIsParent_ = target.SameBitmap(ci.Bmp);
    } else if (!ci.Ready && ci.FillColor != KeyColor && !target.Empty()) {
      // Without a known colour the fill colour would be the key colour
      // itself: the pixels are left as they are then.
      mode_ = Mode::Fill;
      fill_ = (ColorToPixel(ci.FillColor) & 0xFFFFFF) | (target.At(0, 0) & 0xFF000000u);
    }
  }
  void Apply(std::uint32_t& d, int x, int y) const noexcept {
    if (mode_ == Mode::Fill) {
      d = fill_;
    } else if (mode_ == Mode::Parent) {
      const long long px = static_cast<long long>(x) + ci_.X, py = static_cast<long long>(y) + ci_.Y;
      if (px >= 0 && py >= 0 && px < ci_.Bmp.Width && py < ci_.Bmp.Height)
        d = ci_.Bmp.At(static_cast<int>(px), static_cast<int>(py));
    }
  }
  // Non-key pixels drawn into the parent's own bitmap become opaque.
  std::uint32_t Opaque(std::uint32_t s) const noexcept { return targetIsParent_ ? s | 0xFF000000u : s; }
  // An image pixel s over d: key pixels show the background, others are
  // drawn opaque.
  void Keyed(std::uint32_t& d, std::uint32_t s, int x, int y) const noexcept {
    if (IsKeyPixel(s))
      Apply(d, x, y);
    else
      d = Opaque(s);
  }
  // An image pixel s over d through its mask pixel m; with keys, key pixels
  // show the background instead.
  void Masked(std::uint32_t& d, std::uint32_t s, std::uint32_t m, bool keys, int x, int y) const noexcept {
    if (keys && IsKeyPixel(s))
      Apply(d, x, y);
    else
      d = MaskMix(s, m, d);
  }

private:
  enum class Mode { Skip, Parent, Fill };
  const TCacheInfo& ci_;
  Mode mode_ = Mode::Skip;
  std::uint32_t fill_ = 0;
  bool targetIsParent_ = false;
};

// A piece of a nine-part image: where it goes and where it comes from.
struct Piece {
  TRect Dst;
  TRect Src;
  bool Corner;
  bool StretchX, StretchY;
};

// The nine pieces in drawing order for a rectangle, with the margins reduced
// when the rectangle is too small for them. False when the image's margins
// leave no middle piece.
struct NineParts {
  Piece Pieces[9];
  int Count = 0;
};

std::optional<NineParts> LayOut(const TRect& rect, const Frame& f, const TsMaskData& image, bool stretch,
                                bool centre) {
  const int wl = std::max(image.WL, 0), wt = std::max(image.WT, 0), wr = std::max(image.WR, 0),
            wb = std::max(image.WB, 0);
  const int mw = f.Width - wl - wr, mh = f.Height - wt - wb;
  if (mw < 0 || mh < 0) return std::nullopt;
  // Margins wider than the rectangle lose the excess half from each side,
  // the odd pixel from the right (bottom).
  auto reduce = [](int first, int second, int size, int& a, int& b) {
    a = first;
    b = second;
    const int excess = first + second - size;
    if (excess > 0) {
      a = std::max(first - excess / 2, 0);
      b = std::max(second - excess / 2 - excess % 2, 0);
    }
  };
  int l, r, t, b;
  reduce(wl, wr, rect.Width(), l, r);
  reduce(wt, wb, rect.Height(), t, b);
  const int x0 = f.X, y0 = f.Y, x1 = f.X + f.Width, y1 = f.Y + f.Height;
  const TRect& d = rect;
  NineParts parts;
  auto add = [&](TRect dst, TRect src, bool corner, bool sx, bool sy) {
    parts.Pieces[parts.Count++] = {dst, src, corner, sx, sy};
  };
  // Corners show the outer part of the image's corner when reduced.
  add({d.Left, d.Top, d.Left + l, d.Top + t}, {x0, y0, x0 + l, y0 + t}, true, false, false);
  add({d.Left, d.Top + t, d.Left + l, d.Bottom - b}, {x0, y0 + wt, x0 + l, y0 + wt + mh}, false, false, stretch);
  add({d.Left + l, d.Top, d.Right - r, d.Top + t}, {x0 + wl, y0, x0 + wl + mw, y0 + t}, false, stretch, false);
  add({d.Left, d.Bottom - b, d.Left + l, d.Bottom}, {x0, y1 - b, x0 + l, y1}, true, false, false);
  add({d.Left + l, d.Bottom - b, d.Right - r, d.Bottom}, {x0 + wl, y1 - b, x0 + wl + mw, y1}, false, stretch, false);
  add({d.Right - r, d.Bottom - b, d.Right, d.Bottom}, {x1 - r, y1 - b, x1, y1}, true, false, false);
  add({d.Right - r, d.Top, d.Right, d.Top + t}, {x1 - r, y0, x1, y0 + t}, true, false, false);
  add({d.Right - r, d.Top + t, d.Right, d.Bottom - b}, {x1 - r, y0 + wt, x1, y0 + wt + mh}, false, false, stretch);
  if (centre)
    add({d.Left + l, d.Top + t, d.Right - r, d.Bottom - b}, {x0 + wl, y0 + wt, x0 + wl + mw, y0 + wt + mh}, false,
        stretch, stretch);
  return parts;
}

}  // namespace

void DrawBorderImage(const ScanLines& target, TRect rect, const TCacheInfo& ci, bool updateCorners, int state,
                     const SkinModel* model, const TsMaskData& image) {
  if (model == nullptr || target.Empty()) return;
  if ((state == 0 && (image.DrawMode & dmNotInNormal) != 0) || rect.Width() < 2 || rect.Height() < 2) return;
  const auto frame = FrameOf(*model, image, state);
  if (!frame) return;
  const auto parts =
      LayOut(rect, *frame, image, (image.DrawMode & dmStretch) != 0, (image.DrawMode & dmFillCenter) != 0);
  if (!parts) return;
  const Bitmap32& img = *frame->Bmp;
  const bool masked = frame->MaskOffset > 0;
  const KeyBackground key(target, ci, updateCorners && (!masked || image.CornerType > 0));
  for (int i = 0; i < parts->Count; ++i) {
    const Piece& p = parts->Pieces[i];
    const TPoint origin{p.Dst.Left, p.Dst.Top};
    if (masked) {
      ForEachPixel(target, p.Dst, rect, p.Src, p.StretchX, p.StretchY, origin,
                   [&](std::uint32_t& d, int sx, int sy, int x, int y) {
                     key.Masked(d, img.At(sx, sy), img.At(sx, sy + frame->MaskOffset), p.Corner, x, y);
                   });
    } else if (p.Corner) {
      ForEachPixel(target, p.Dst, rect, p.Src, false, false, origin,
                   [&](std::uint32_t& d, int sx, int sy, int x, int y) { key.Keyed(d, img.At(sx, sy), x, y); });
    } else {
      ForEachPixel(target, p.Dst, rect, p.Src, p.StretchX, p.StretchY, origin,
                   [&](std::uint32_t& d, int sx, int sy, int, int) { d = img.At(sx, sy); });
    }
  }
}

void PutSkinImage(const ScanLines& target, TPoint at, int state, const TCacheInfo& ci, const SkinModel* model,
                  const TsMaskData& image, bool keyMode) {
  if (model == nullptr || target.Empty()) return;
  const auto frame = FrameOf(*model, image, state);
  if (!frame) return;
  const Bitmap32& img = *frame->Bmp;
  const TRect dst{at.X, at.Y, at.X + frame->Width, at.Y + frame->Height};
  const TRect src{frame->X, frame->Y, frame->X + frame->Width, frame->Y + frame->Height};
  const KeyBackground key(target, ci, keyMode);
  if (frame->MaskOffset > 0) {
    ForEachPixel(target, dst, dst, src, false, false, {dst.Left, dst.Top},
                 [&](std::uint32_t& d, int sx, int sy, int x, int y) {
                   key.Masked(d, img.At(sx, sy), img.At(sx, sy + frame->MaskOffset), true, x, y);
                 });
  } else if (keyMode) {
    ForEachPixel(target, dst, dst, src, false, false, {dst.Left, dst.Top},
                 [&](std::uint32_t& d, int sx, int sy, int x, int y) { key.Keyed(d, img.At(sx, sy), x, y); });
  } else {
    ForEachPixel(target, dst, dst, src, false, false, {dst.Left, dst.Top},
                 [&](std::uint32_t& d, int sx, int sy, int, int) {
                   const std::uint32_t s = img.At(sx, sy);
                   if (!IsKeyPixel(s))
                     d = ColorToPixel(MixColors(PixelToColor(s), PixelToColor(d), 127));
                 });
  }
}

TRect DrawTexture(const ScanLines& target, TRect rect, const SkinModel* model, const TsMaskData& image,
                  int textureMode) {
  if (model == nullptr || target.Empty() || rect.IsEmpty()) return {};
  const auto frame = FrameOf(*model, image, 0);
  if (!frame) return rect;
  const int w = frame->Width, h = frame->Height;
  const TRect src{frame->X, frame->Y, frame->X + w, frame->Y + h};
  TRect dst = rect, rest{};
  bool stretchX = false, stretchY = false;
  TPoint origin{rect.Left, rect.Top};
  switch (textureMode) {
  case 0:
  case 10: break;  // column by column, the last clipped: the same pixels as tiling
  case 1: stretchX = stretchY = true; break;
  case 2:
  case 4:  // a row of tiles (2) or the image stretched across (4) at the top
    dst.Bottom = std::min(rect.Bottom, rect.Top + h);
    rest = {rect.Left, dst.Bottom, rect.Right, rect.Bottom};
    stretchX = textureMode == 4;
    break;
  case 3:
  case 5:  // a column of tiles (3) or the image stretched down (5) at the left
    dst.Right = std::min(rect.Right, rect.Left + w);
    rest = {dst.Right, rect.Top, rect.Right, rect.Bottom};
    stretchY = textureMode == 5;
    break;
  case 6:
    dst.Top = std::max(rect.Top, rect.Bottom - h);
    rest = {rect.Left, rect.Top, rect.Right, dst.Top};
    origin.Y = dst.Top;
    break;
  case 7:
    dst.Left = std::max(rect.Left, rect.Right - w);
    rest = {rect.Left, rect.Top, dst.Left, rect.Bottom};
    origin.X = dst.Left;
    break;
  case 11: stretchX = true; break;
  case 12: stretchY = true; break;
  case 13: origin = {rect.Right, rect.Bottom}; break;
  default: return rect;  // a mode we do not know covers nothing
  }
  const Bitmap32& img = *frame->Bmp;
  if (frame->MaskOffset > 0) {
    ForEachPixel(target, dst, dst, src, stretchX, stretchY, origin,
                 [&](std::uint32_t& d, int sx, int sy, int, int) {
                   d = MaskMix(img.At(sx, sy), img.At(sx, sy + frame->MaskOffset), d);
                 });
  } else {
    ForEachPixel(target, dst, dst, src, stretchX, stretchY, origin,
                 [&](std::uint32_t& d, int sx, int sy, int, int) { d = img.At(sx, sy); });
  }
  return rest.IsEmpty() ? TRect{} : rest;
}

void RestoreCorners(const ScanLines& cache, const SkinModel* model, int skinIndex, int state, const TCacheInfo& ci,
                    int corners) {
  if (model == nullptr || cache.Empty() || !model->IsValidSkinIndex(skinIndex)) return;
  const auto& section = model->gd[static_cast<std::size_t>(skinIndex)];
  if (!model->IsValidImgIndex(section.BorderIndex)) return;
  const TsMaskData& image = model->ma[static_cast<std::size_t>(section.BorderIndex)];
  state = std::clamp(state, 0, std::max(section.States, 1) - 1);
  const TRect rect{0, 0, cache.Width, cache.Height};
  if ((state == 0 && (image.DrawMode & dmNotInNormal) != 0) || rect.Width() < 2 || rect.Height() < 2) return;
  const auto frame = FrameOf(*model, image, state);
  if (!frame) return;
  const auto parts = LayOut(rect, *frame, image, false, false);
  if (!parts) return;
  const KeyBackground key(cache, ci, true);
  // Corner pieces in layout order: top-left 0, bottom-left 3, bottom-right 5, top-right 6.
  const std::pair<int, int> cornerPieces[] = {{crTopLeft, 0}, {crBottomLeft, 3}, {crBottomRight, 5}, {crTopRight, 6}};
  const Bitmap32& img = *frame->Bmp;
  for (const auto& [bit, index] : cornerPieces) {
    if ((corners & bit) == 0) continue;
    const Piece& p = parts->Pieces[index];
    ForEachPixel(cache, p.Dst, rect, p.Src, false, false, {p.Dst.Left, p.Dst.Top},
                 [&](std::uint32_t& d, int sx, int sy, int x, int y) {
                   if (IsKeyPixel(img.At(sx, sy))) key.Apply(d, x, y);
                 });
  }
}

namespace {

// A channel scaled by alpha, rounded: c * a / 255.
constexpr std::uint32_t Premultiplied(std::uint32_t c, std::uint32_t a) noexcept { return (c * a + 127) / 255; }

}  // namespace

Bitmap32 MakeGlowPicture(const SkinModel* model, const TsMaskData& image, int width, int height) {
  if (model == nullptr || width < 2 || height < 2) return {};
  const auto frame = FrameOf(*model, image, 0);
  if (!frame) return {};
  // The frame with its transparency as alpha, premultiplied, so that nine-part
  // drawing then only has to move pixels.
  auto alphaFrame = std::make_shared<Bitmap32>(frame->Width, frame->Height);
  const Bitmap32& img = *frame->Bmp;
  for (int y = 0; y < frame->Height; ++y) {
    for (int x = 0; x < frame->Width; ++x) {
      const std::uint32_t s = img.At(frame->X + x, frame->Y + y);
      std::uint32_t a;
      if (frame->MaskOffset > 0)
        a = 255 - (img.At(frame->X + x, frame->Y + y + frame->MaskOffset) & 0xFF);
      else
        a = IsKeyPixel(s) ? 0 : s >> 24;
      alphaFrame->At(x, y) = a << 24 | Premultiplied((s >> 16) & 0xFF, a) << 16 |
                             Premultiplied((s >> 8) & 0xFF, a) << 8 | Premultiplied(s & 0xFF, a);
    }
  }
  TsMaskData laidOut;
  laidOut.Bmp = std::move(alphaFrame);
  laidOut.R = {0, 0, frame->Width, frame->Height};
  laidOut.Width = frame->Width;
  laidOut.Height = frame->Height;
  laidOut.DrawMode = (image.DrawMode & dmStretch) | dmFillCenter;
  laidOut.WL = image.WL;
  laidOut.WT = image.WT;
  laidOut.WR = image.WR;
  laidOut.WB = image.WB;
  Bitmap32 picture(width, height);
  DrawBorderImage(LinesOf(picture), {0, 0, width, height}, TCacheInfo{}, false, 0, model, laidOut);
  return picture;
}

void DrawOuterImage(const ScanLines& target, TRect rect, const SkinModel* model, const TsMaskData& image,
                    int opacity) {
  if (model == nullptr || target.Empty() || opacity <= 0) return;
  // Only the part inside the target is drawn, into a copy of what lies there;
  // the nine parts are still laid out over the whole rectangle.
  const TRect area = ClipToBitmap(rect, target);
  if (area.IsEmpty() || rect.Width() < 2 || rect.Height() < 2) return;
  Bitmap32 layer(area.Width(), area.Height());
  for (int y = 0; y < area.Height(); ++y)
    std::copy_n(target.Row(area.Top + y) + area.Left, area.Width(), &layer.At(0, y));
  const TRect local{rect.Left - area.Left, rect.Top - area.Top, rect.Right - area.Left, rect.Bottom - area.Top};
  DrawBorderImage(LinesOf(layer), local, TCacheInfo{}, false, 0, model, image);
  BlendBitmapRect(target, LinesOf(layer), 255 - std::min(opacity, 255), {area.Left, area.Top},
                  {0, 0, layer.Width - 1, layer.Height - 1});
}

}  // namespace skinctrl

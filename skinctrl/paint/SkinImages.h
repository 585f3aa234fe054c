// Drawing skin images into scan lines: the nine-part border image, single
// state frames (corner images, glyphs), textures, and the corner pixels that
// must show the parent.
#pragma once

#include "skin/SkinModel.h"
#include "skinctrl/paint/CacheInfo.h"

namespace skinctrl {

// DrawMode bits of a border image.
inline constexpr int dmStretch = 1;     // edges and centre stretched, not tiled
inline constexpr int dmNotInNormal = 2; // not drawn in state 0
inline constexpr int dmFillCenter = 4;  // the centre piece is drawn

// The corners RestoreCorners redraws.
inline constexpr int crTopLeft = 1, crBottomLeft = 2, crTopRight = 4, crBottomRight = 8;
inline constexpr int crAll = crTopLeft | crBottomLeft | crTopRight | crBottomRight;

// The nine-part border image of `image` in its state frame over the
// rectangle. Key-coloured corner pixels keep the target, or with
// updateCorners take the parent background of `ci` (the parent's pixel when
// ci is Ready, else FillColor when it is known).
void DrawBorderImage(const ScanLines& target, TRect rect, const TCacheInfo& ci, bool updateCorners, int state,
                     const skin::SkinModel* model, const skin::TsMaskData& image);

// One state frame of an image with its top-left at `at`. keyMode: key pixels
// take the background of ci; otherwise the image is mixed in at weight 127
// with key pixels skipped. Masked images mix through their mask.
void PutSkinImage(const ScanLines& target, TPoint at, int state, const TCacheInfo& ci, const skin::SkinModel* model,
                  const skin::TsMaskData& image, bool keyMode);

// Tiles or stretches the texture over the rectangle as the texture mode
// says. Returns the part of the rectangle the mode leaves uncovered (empty
// when it covers all of it).
TRect DrawTexture(const ScanLines& target, TRect rect, const skin::SkinModel* model, const skin::TsMaskData& image,
                  int textureMode);

// After colour changes: the key-coloured corner pixels of the section's
// border image are given the parent background again (bits cr...).
void RestoreCorners(const ScanLines& cache, const skin::SkinModel* model, int skinIndex, int state,
                    const TCacheInfo& ci, int corners);

// The picture of a hover glow for a layered window: the image's first frame
// laid out in nine parts (stretched or tiled as its DrawMode says, centre
// included) over width x height, with per-pixel alpha, premultiplied. A
// masked image takes its alpha from the mask's blue byte (black opaque);
// otherwise key-coloured pixels are transparent and the others keep their
// own alpha. Empty when the image cannot be drawn.
skin::Bitmap32 MakeGlowPicture(const skin::SkinModel* model, const skin::TsMaskData& image, int width, int height);

// An outer effect (shadow, outline) under a control: the image in nine parts
// over rect, mixed into the target at opacity (0..255, 255 = the image
// alone). Pixels the image leaves transparent keep the target.
void DrawOuterImage(const ScanLines& target, TRect rect, const skin::SkinModel* model, const skin::TsMaskData& image,
                    int opacity);

}  // namespace skinctrl
